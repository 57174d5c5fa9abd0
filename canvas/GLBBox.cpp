// Widget, rendering and slots of the canvas.
#include "canvas/GLBBox.h"
#include "canvas/CanvasAccessible.h"

#include "canvas/GluProjection.h"
#include "core/CanvasLook.h"
#include "core/WindowQuads.h"
#include "gl/GLWidgetSupport.h"
#include "gl/ScreenReaderNotice.h"

#include <QAccessible>
#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
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

void setMarkerMaterial(Rgb color)
{
    const std::array<GLfloat, 4> rgba{color.red, color.green, color.blue, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, rgba.data());
}

void glColor(Rgb color)
{
    glColor3f(color.red, color.green, color.blue);
}

void vertex(const Point3 &p)
{
    glVertex3f(static_cast<GLfloat>(p.x), static_cast<GLfloat>(p.y), static_cast<GLfloat>(p.z));
}

GLenum lineMode(Primitive primitive)
{
    switch (primitive) {
    case Primitive::Segments: return GL_LINES;
    case Primitive::Points: return GL_POINTS;
    default: return GL_LINE_STRIP;
    }
}

// The constant vertices of the axes' runs.
const Point3 *fixedVertices(VertexSource source)
{
    return source == VertexSource::CanvasAxes ? kCanvasAxes.data() : kCanvasAxisPoints.data();
}

// Draws in window pixels of the frame, depth as the window's normalised depth.
template <typename Draw> void inWindowPixels(const SceneFrame &frame, Draw draw)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, frame.width, 0, frame.height, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    draw();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
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
    systemContrast = systemHighContrast();
    highContrast = systemContrast;
    static const bool accessibleCanvas = (QAccessible::installFactory(&CanvasAccessible::create), true);
    Q_UNUSED(accessibleCanvas);
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
    // Lit runs switch the lighting on for themselves.
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
    if (look() != axesListLook) {
        glDeleteLists(axesList, 1);
        axesList = makeAxesList();
    }
    setFramebufferViewport(*this);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(xTrans, yTrans, -kCanvasEyeDistance);
    glScalef(zoom, zoom, zoom);
    glRotatef(xRot, 1.0f, 0.0f, 0.0f);
    glRotatef(yRot, 0.0f, 1.0f, 0.0f);
    glRotatef(zRot, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    const QSize device = size() * devicePixelRatioF();
    paintedView = currentViewTransform();
    const SceneFrame frame{paintedView, device.width(), device.height(), devicePixelRatioF()};
    const Scene scene = canvasScene(*this, curveContent, look(), frame);
    glCallList(axesList);
    for (std::size_t i = scene.fixedRuns; i < scene.runs.size(); ++i)
        drawRun(scene, scene.runs[i], frame);
    glFinish();
    if (trimHeapAfterPaint) {
        returnFreeHeap();
        trimHeapAfterPaint = false;
    }
}

GLuint GLBBox::makeAxesList()
{
    makeCurrent();
    axesListLook = look();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (const DrawRun &run : canvasAxesRuns(look())) {
        glColor(run.color);
        glLineWidth(devicePixels(*this, run.width));
        glPointSize(devicePixels(*this, run.width));
        glBegin(lineMode(run.primitive));
        for (std::size_t i = run.first; i < run.first + run.count; ++i)
            vertex(fixedVertices(run.source)[i]);
        glEnd();
    }
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

void GLBBox::drawRun(const Scene &scene, const DrawRun &run, const SceneFrame &frame)
{
    switch (run.primitive) {
    case Primitive::Segments:
    case Primitive::Strip:
    case Primitive::Points:
        glColor(run.color);
        if (run.dash.dash > 0.0f)
            drawDashedLine(run, frame);
        else if (lineBuffer.bind()) {
            glLineWidth(devicePixels(*this, run.width));
            glPointSize(devicePixels(*this, run.width));
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, 0, bufferOffset(0));
            glDrawArrays(lineMode(run.primitive), GLint(run.first), GLsizei(run.count));
            glDisableClientState(GL_VERTEX_ARRAY);
        }
        break;
    case Primitive::LitTriangles:
        if (markerBuffer.bind()) {
            constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
            glEnable(GL_LIGHTING);
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_NORMAL_ARRAY);
            glVertexPointer(3, GL_FLOAT, stride, bufferOffset(0));
            glNormalPointer(GL_FLOAT, stride, bufferOffset(kPositionFloats));
            setMarkerMaterial(run.color);
            glDrawArrays(GL_TRIANGLES, GLint(run.first), GLsizei(run.count));
            glDisableClientState(GL_NORMAL_ARRAY);
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisable(GL_LIGHTING);
        }
        break;
    case Primitive::Rectangles:
        glDisable(GL_DEPTH_TEST);
        glColor(run.color);
        inWindowPixels(frame, [&] {
            for (std::size_t i = run.first; i < run.first + run.count; ++i) {
                const WindowRect &r = scene.rectangles[i];
                glRectf(r.left, r.bottom, r.right, r.top);
            }
        });
        glEnable(GL_DEPTH_TEST);
        break;
    }
    VertexBuffer::release();
}

void GLBBox::drawDashedLine(const DrawRun &run, const SceneFrame &frame)
{
    std::vector<float> positions(run.count * kPositionFloats);
    if (!lineBuffer.read(run.first * kPositionFloats * sizeof(float), positions.data(),
                         positions.size() * sizeof(float)))
        return;
    std::vector<WindowPoint> points;
    putWindowPoints(clipTransformOf(frame.view), positions.data(), run.count, static_cast<float>(frame.width),
                    static_cast<float>(frame.height), points);
    const auto ratio = static_cast<float>(frame.pixelRatio);
    std::vector<float> strip;
    appendDashedStrip(points.data(), points.size(), halfLineWidth(run.width, frame.pixelRatio), run.dash.dash * ratio,
                      run.dash.gap * ratio, static_cast<float>(frame.width), static_cast<float>(frame.height), strip);
    VertexBuffer::release();
    inWindowPixels(frame, [&] {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, strip.data());
        glDrawArrays(GL_TRIANGLE_STRIP, 0, GLsizei(strip.size() / kPositionFloats));
        glDisableClientState(GL_VERTEX_ARRAY);
    });
}

namespace {

// The name a browser gives the key: the editor's keys are named alike on every front end.
QString keyName(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Left: return QStringLiteral("ArrowLeft");
    case Qt::Key_Right: return QStringLiteral("ArrowRight");
    case Qt::Key_Up: return QStringLiteral("ArrowUp");
    case Qt::Key_Down: return QStringLiteral("ArrowDown");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("Enter");
    case Qt::Key_Escape: return QStringLiteral("Escape");
    default: return event.text().toLower();
    }
}

} // namespace

void GLBBox::keyPressEvent(QKeyEvent *event)
{
    if (exchangeByClipboard(*event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool plain = !(event->modifiers() & commands);
    const std::optional<CanvasKey> key = canvasKeyNamed(keyName(*event).toStdString());
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

// Control C copies the points as CSV text, Control Shift C the canvas as a picture, Control V
// replaces the points with those on the clipboard: the desktop's way, without files, to
// exchange points with the page, a spreadsheet or a script.
bool GLBBox::exchangeByClipboard(const QKeyEvent &event)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QKeyCombination keys = event.keyCombination();
    if (keys == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C)) {
        clipboard->setImage(grabFramebuffer());
        tellScreenReaders(QStringLiteral("Canvas copied as a picture."));
        return true;
    }
    if (event.matches(QKeySequence::Copy)) {
        clipboard->setText(QString::fromStdString(copiedPoints(*this)));
        tellScreenReaders(QString::fromStdString(pointAmount(controlPoints.size()) + " copied."));
        return true;
    }
    if (!event.matches(QKeySequence::Paste))
        return false;
    makeCurrent();
    const QByteArray text = clipboard->text().toUtf8();
    const EditResult edit = pastePoints(*this, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    finishEdit(edit);
    // A refusal changes nothing on the screen, so standard error says why too.
    if (!edit.levelsNeedRebuild)
        std::fprintf(stderr, "%s\n", edit.announcement.c_str());
    return true;
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

void GLBBox::changeEvent(QEvent *event)
{
    QOpenGLWidget::changeEvent(event);
    if (event->type() != QEvent::ThemeChange)
        return;
    const bool asked = systemHighContrast();
    if (asked == systemContrast)
        return;
    systemContrast = asked;
    setHighContrast(asked);
}

void GLBBox::showEvent(QShowEvent *event)
{
    QOpenGLWidget::showEvent(event);
    pointer.watchWindow();
}

void GLBBox::setHighContrast(bool on)
{
    finishEdit(bezier::setHighContrast(*this, on));
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
    emit modeShown(userMode);
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
    if (!edit.announcement.empty())
        tellScreenReaders(QString::fromStdString(edit.announcement));
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
