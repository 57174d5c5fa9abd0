// Widget, rendering and slots of the canvas.
#include "canvas/GLBBox.h"

#include "canvas/GluProjection.h"
#include "core/CanvasLook.h"
#include "core/WindowQuads.h"
#include "gl/GLWidgetSupport.h"

#include <QColor>
#include <QFocusEvent>
#include <QKeyEvent>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>

using namespace bezier;

namespace {

// glibc keeps freed pages of its heap until asked; other C libraries return them by themselves.
void returnFreeHeap()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void setMaterial(GLenum face, GLenum parameter, Rgb color)
{
    const std::array<GLfloat, 4> rgba{color.red, color.green, color.blue, 1.0f};
    glMaterialfv(face, parameter, rgba.data());
}

// Lines take only ambient light: they are drawn with the axes list's zero normal.
void setLineMaterial(Rgb color)
{
    setMaterial(GL_FRONT_AND_BACK, GL_AMBIENT, color);
}

void setMarkerMaterial(Rgb color)
{
    setMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, color);
}

void glColor(const QColor &color)
{
    glColor4f(color.redF(), color.greenF(), color.blueF(), color.alphaF());
}

void vertex(const Point3 &p)
{
    glVertex3f(static_cast<GLfloat>(p.x), static_cast<GLfloat>(p.y), static_cast<GLfloat>(p.z));
}

// Drawing or dropping this many vertices or more leaves enough free heap behind in the
// driver (the triangles it bins for a frame, a buffer's old storage) to be worth handing back.
constexpr std::size_t kLargeContentVertices = 1000000;

bool isLargeChange(std::size_t verticesBefore, std::size_t verticesAfter)
{
    return std::max(verticesBefore, verticesAfter) >= kLargeContentVertices
           && (verticesAfter < verticesBefore / 2 || verticesAfter / 2 > verticesBefore);
}

// Byte offset of a vertex attribute in the bound buffer, as the pointer calls take it.
const void *bufferOffset(std::size_t floats)
{
    return reinterpret_cast<const void *>(floats * sizeof(float));
}

} // namespace

GLBBox::GLBBox(QWidget *parent, const char *name)
    : QOpenGLWidget(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    requestFixedFunctionFormat(*this);
    // A Tab stop, and focused by a press too.
    setFocusPolicy(Qt::StrongFocus);
    describe(*this, canvasDescription(*this));
}

GLBBox::~GLBBox()
{
    makeCurrent();
    lineBuffer.destroy();
    markerBuffer.destroy();
    deleteDisplayLists(*this, {axesList});
}

void GLBBox::updateGL()
{
    repaintNow(*this);
}

void GLBBox::initializeGL()
{
    makeCurrent();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    axesList = makeAxesList();
    glShadeModel(GL_SMOOTH);
    glMaterialfv(GL_FRONT, GL_SHININESS, &kMarkerShininess);
    const std::array<GLfloat, 4> lightDiffuse{kLightIntensity, kLightIntensity, kLightIntensity, 1.0f};
    const std::array<GLfloat, 4> lightSpecular = lightDiffuse;
    const std::array<GLfloat, 4> ambient{kSceneAmbient, kSceneAmbient, kSceneAmbient, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular.data());
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    listPixelRatio = devicePixelRatioF();
    // Edits made before the context existed are uploaded now; with none, the buffers are
    // made empty.
    buildCurveList();
}

void GLBBox::resizeGL(int, int)
{
    makeCurrent();
    setUnitSquareView(*this, kCanvasOrtho);
    // On a screen with another pixel ratio the axes list's line widths are redone.
    if (takePixelRatioChange(*this, listPixelRatio)) {
        glDeleteLists(axesList, 1);
        axesList = makeAxesList();
    }
}

void GLBBox::paintGL()
{
    makeCurrent();
    setFramebufferViewport(*this);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(xTrans, yTrans, -kCanvasEyeDistance);
    glScalef(zoom, zoom, zoom);
    glRotatef(xRot, 1.0f, 0.0f, 0.0f);
    glRotatef(yRot, 0.0f, 1.0f, 0.0f);
    glRotatef(zRot, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glCallList(axesList);
    drawCurveBuffers();
    if (keyboardFocusShown)
        drawKeyboardFocus();
    glFinish();
    if (trimHeapAfterPaint) {
        returnFreeHeap();
        trimHeapAfterPaint = false;
    }
}

GLuint GLBBox::makeAxesList()
{
    makeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor(Qt::white);
    glLineWidth(devicePixels(*this, kAxisLineWidth));

    glBegin(GL_LINES);
    for (std::size_t axis = 0; axis < kCanvasAxisColors.size(); ++axis) {
        setLineMaterial(kCanvasAxisColors[axis]);
        // The zero normal stays current after this list, so every line drawn later gets
        // ambient light only.
        if (axis == 0)
            glNormal3f(0.0f, 0.0f, 0.0f);
        vertex(kCanvasAxes[2 * axis]);
        vertex(kCanvasAxes[2 * axis + 1]);
    }
    glEnd();

    glPointSize(devicePixels(*this, kAxisPointSize));
    glBegin(GL_POINTS);
    setLineMaterial(kAxisPointColor);
    for (const Point3 &p : kCanvasAxisPoints)
        vertex(p);
    glEnd();

    glEndList();
    return list;
}

void GLBBox::buildCurveList()
{
    // Without a context there is nowhere to upload to yet: initializeGL does it.
    if (!context())
        return;
    makeCurrent();
    CurveBufferLayout content = curveBufferLayout(*this);
    if (float *out = lineBuffer.map(content.lineVertices() * kPositionFloats * sizeof(float)))
        putLinePositions(*this, content, out);
    if (!lineBuffer.unmap())
        content.curve = content.polygon = content.hull = 0;
    if (float *out = markerBuffer.map(content.markers() * kMarkerVertices * kLitVertexFloats * sizeof(float)))
        putMarkerVertices(*this, content, 0, content.markers(), out);
    if (!markerBuffer.unmap())
        content.controlMarkers = content.subdivisionMarkers = 0;
    VertexBuffer::release();
    const auto vertices = [](const CurveBufferLayout &c) { return c.lineVertices() + c.markers() * kMarkerVertices; };
    trimHeapAfterPaint = trimHeapAfterPaint || isLargeChange(vertices(curveContent), vertices(content));
    curveContent = content;
}

void GLBBox::drawCurveBuffers()
{
    const CurveBufferLayout &content = curveContent;
    glEnableClientState(GL_VERTEX_ARRAY);
    if (lineBuffer.bind()) {
        glVertexPointer(3, GL_FLOAT, 0, bufferOffset(0));
        // The curve takes the material the axes list leaves current: grey under the ambient light.
        glLineWidth(devicePixels(*this, kCurveLineWidth));
        glDrawArrays(GL_LINE_STRIP, 0, GLsizei(content.curve));
        GLint first = GLint(content.curve);
        for (const auto &[shown, count] : {std::pair{content.polygonShown, content.polygon},
                                           std::pair{content.hullShown, content.hull}}) {
            if (!shown)
                continue;
            glLineWidth(devicePixels(*this, kOutlineLineWidth));
            setLineMaterial(kOutlineColor);
            glDrawArrays(GL_LINE_STRIP, first, GLsizei(count));
            first += GLint(count);
        }
    }

    if (markerBuffer.bind()) {
        constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, stride, bufferOffset(0));
        glNormalPointer(GL_FLOAT, stride, bufferOffset(kPositionFloats));
        // Yellow markers, the selected one in its own colour.
        const GLsizei count = GLsizei(content.controlMarkers);
        for (const MarkerRun &run : controlMarkerRuns(content.controlMarkers, content.selectedMarker)) {
            if (run.first == run.last)
                continue;
            setMarkerMaterial(run.color);
            glDrawArrays(GL_TRIANGLES, GLint(run.first * kMarkerVertices), GLsizei((run.last - run.first) * kMarkerVertices));
        }
        if (content.subdivisionMarkersShown) {
            setMarkerMaterial(kSubdivisionMarkerColor);
            glDrawArrays(GL_TRIANGLES, count * GLsizei(kMarkerVertices),
                         GLsizei(content.subdivisionMarkers * kMarkerVertices));
        }
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    VertexBuffer::release();
}

void GLBBox::drawKeyboardFocus()
{
    const QSize size = this->size() * devicePixelRatioF();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, size.width(), 0, size.height(), -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (const WindowRect &r :
         keyboardFocusMarks(size.width(), size.height(), cursorX, cursorY, devicePixelRatioF())) {
        glColor3f(r.color.red, r.color.green, r.color.blue);
        glRectf(r.left, r.bottom, r.right, r.top);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void GLBBox::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool plain = !(event->modifiers() & commands);
    std::optional<CanvasKey> key;
    switch (event->key()) {
    case Qt::Key_Left: key = CanvasKey::Left; break;
    case Qt::Key_Right: key = CanvasKey::Right; break;
    case Qt::Key_Up: key = CanvasKey::Up; break;
    case Qt::Key_Down: key = CanvasKey::Down; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: key = CanvasKey::Activate; break;
    case Qt::Key_Escape: key = CanvasKey::Escape; break;
    case Qt::Key_A: key = CanvasKey::AddMode; break;
    case Qt::Key_M: key = CanvasKey::MoveMode; break;
    case Qt::Key_D: key = CanvasKey::DeleteMode; break;
    default: break;
    }
    if (!key || (!plain && *key != CanvasKey::Escape)) {
        QOpenGLWidget::keyPressEvent(event);
        return;
    }
    makeCurrent();
    finishEdit(bezier::keyPress(*this, currentViewTransform(), kGluProjection, *key,
                                event->modifiers() & Qt::ShiftModifier, devicePixelRatioF()));
    // The canvas's keys go no further: Escape would close the dialog.
    event->accept();
}

void GLBBox::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    finishEdit(bezier::focusGained(*this, reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                                              || reason == Qt::ShortcutFocusReason));
}

void GLBBox::focusOutEvent(QFocusEvent *)
{
    finishEdit(bezier::focusLost(*this));
}

void GLBBox::undo()
{
    finishEdit(bezier::undo(*this));
}

void GLBBox::redo()
{
    finishEdit(bezier::redo(*this));
}

void GLBBox::finishEdit(const EditResult &edit)
{
    if (edit.levelsNeedRebuild)
        recomputeLevels();
    else if (edit.drawingChanged)
        buildCurveList();
    const int count = static_cast<int>(controlPoints.size());
    if (edit.countChanged && !edit.countAfterRepaint)
        emit sendDegree(count);
    if (!edit.trace.empty()) {
        std::fputs(edit.trace.c_str(), stdout);
        // A reader on a pipe sees each click as it happens.
        std::fflush(stdout);
    }
    if (edit.repaint)
        updateGL();
    if (edit.countChanged && edit.countAfterRepaint)
        emit sendDegree(count);
    if (edit.drawLevelChanged)
        emit newDrawLevel(drawLevel);
    describe(*this, canvasDescription(*this));
}

void GLBBox::recomputeLevels()
{
    CanvasModel::recomputeLevels();
    buildCurveList();
}

void GLBBox::setXRotation(int degrees)
{
    finishEdit(bezier::setXRotation(*this, degrees));
}

void GLBBox::setYRotation(int degrees)
{
    finishEdit(bezier::setYRotation(*this, degrees));
}

void GLBBox::setZRotation(int degrees)
{
    finishEdit(bezier::setZRotation(*this, degrees));
}

void GLBBox::setZoom(int value)
{
    finishEdit(bezier::setZoom(*this, value));
}

void GLBBox::setAddMode()
{
    finishEdit(bezier::setAddMode(*this));
}

void GLBBox::setMoveMode()
{
    finishEdit(bezier::setMoveMode(*this));
}

void GLBBox::setSelectMode()
{
    finishEdit(bezier::setSelectMode(*this));
}

void GLBBox::deleteAllControlPoints()
{
    finishEdit(bezier::deleteAllControlPoints(*this));
}

void GLBBox::changeDrawLevel(int level)
{
    finishEdit(bezier::changeDrawLevel(*this, level));
}

void GLBBox::togglepolyline(bool show)
{
    finishEdit(bezier::togglepolyline(*this, show));
}

void GLBBox::setShowConvexHull(bool show)
{
    finishEdit(bezier::setShowConvexHull(*this, show));
}

void GLBBox::setShowSubDivPoints(bool show)
{
    finishEdit(bezier::setShowSubDivPoints(*this, show));
}
