// Widget, rendering and slots of the canvas.
#include "canvas/GLBBox.h"

#include "core/CanvasLook.h"
#include "core/VertexArrays.h"
#include "gl/GLWidgetSupport.h"

#include <QColor>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <array>

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

void vertex(double x, double y, double z)
{
    glVertex3f(static_cast<GLfloat>(x), static_cast<GLfloat>(y), static_cast<GLfloat>(z));
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
    setLineMaterial(kXAxisColor);
    // The zero normal stays current after this list, so every line drawn later gets
    // ambient light only.
    glNormal3f(0.0f, 0.0f, 0.0f);
    vertex(0.0, 0.0, 0.0);
    vertex(1.0, 0.0, 0.0);
    setLineMaterial(kYAxisColor);
    vertex(0.0, 0.0, 0.0);
    vertex(0.0, 1.0, 0.0);
    setLineMaterial(kZAxisColor);
    vertex(0.0, 0.0, 0.0);
    vertex(0.0, 0.0, 1.0);
    glEnd();

    glPointSize(devicePixels(*this, kAxisPointSize));
    glBegin(GL_POINTS);
    setLineMaterial(kAxisPointColor);
    vertex(0.0, 0.0, 0.0);
    vertex(0.0, 0.0, 1.0);
    vertex(1.0, 0.0, 0.0);
    vertex(0.0, 1.0, 0.0);
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
    CurveBufferContent content;
    content.curve = static_cast<GLsizei>(curve.size());
    content.polygonShown = showPolyline;
    content.polygon = showPolyline ? static_cast<GLsizei>(controlPoints.size()) : 0;
    content.hullShown = showConvexHull && !hull.empty();
    content.hull = content.hullShown ? static_cast<GLsizei>(hull.size()) : 0;
    content.controlMarkers = static_cast<GLsizei>(controlPoints.size());
    content.selectedMarker = selectedPoint;
    content.subdivisionMarkersShown = showSubDivPoints;
    content.subdivisionMarkers = showSubDivPoints ? static_cast<GLsizei>(curve.size()) : 0;

    if (float *out = lineBuffer.map(content.lineVertices() * kPositionFloats * sizeof(float))) {
        out = putPositions(curve.data(), curve.size(), out);
        if (content.polygonShown)
            out = putPositions(controlPoints.data(), controlPoints.size(), out);
        if (content.hullShown)
            putPositions(hull.data(), hull.size(), out);
    }
    if (!lineBuffer.unmap())
        content.curve = content.polygon = content.hull = 0;

    if (float *out = markerBuffer.map(content.markerVertices() * kLitVertexFloats * sizeof(float))) {
        out = putMarkers(controlPoints.data(), controlPoints.size(), kControlMarkerHalfSize, out);
        if (content.subdivisionMarkersShown)
            putMarkers(curve.data(), curve.size(), kSubdivisionMarkerHalfSize, out);
    }
    if (!markerBuffer.unmap())
        content.controlMarkers = content.subdivisionMarkers = 0;
    VertexBuffer::release();
    const auto vertices = [](const CurveBufferContent &c) { return c.lineVertices() + c.markerVertices(); };
    trimHeapAfterPaint = trimHeapAfterPaint || isLargeChange(vertices(curveContent), vertices(content));
    curveContent = content;
}

std::size_t GLBBox::CurveBufferContent::markerVertices() const
{
    return kMarkerVertices * (std::size_t(controlMarkers) + subdivisionMarkers);
}

void GLBBox::drawCurveBuffers()
{
    const CurveBufferContent &content = curveContent;
    glEnableClientState(GL_VERTEX_ARRAY);
    if (lineBuffer.bind()) {
        glVertexPointer(3, GL_FLOAT, 0, bufferOffset(0));
        // The curve takes the material the axes list leaves current: grey under the ambient light.
        glLineWidth(devicePixels(*this, kCurveLineWidth));
        glDrawArrays(GL_LINE_STRIP, 0, content.curve);
        GLint first = content.curve;
        for (const auto &[shown, count] : {std::pair{content.polygonShown, content.polygon},
                                           std::pair{content.hullShown, content.hull}}) {
            if (!shown)
                continue;
            glLineWidth(devicePixels(*this, kOutlineLineWidth));
            setLineMaterial(kOutlineColor);
            glDrawArrays(GL_LINE_STRIP, first, count);
            first += count;
        }
    }

    if (markerBuffer.bind()) {
        constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, stride, bufferOffset(0));
        glNormalPointer(GL_FLOAT, stride, bufferOffset(kPositionFloats));
        // Yellow markers, the selected one in its own colour.
        const GLsizei count = content.controlMarkers;
        for (const MarkerRun &run : controlMarkerRuns(count, content.selectedMarker)) {
            if (run.first == run.last)
                continue;
            setMarkerMaterial(run.color);
            glDrawArrays(GL_TRIANGLES, GLint(run.first * kMarkerVertices), GLsizei((run.last - run.first) * kMarkerVertices));
        }
        if (content.subdivisionMarkersShown) {
            setMarkerMaterial(kSubdivisionMarkerColor);
            glDrawArrays(GL_TRIANGLES, count * GLsizei(kMarkerVertices),
                         content.subdivisionMarkers * GLsizei(kMarkerVertices));
        }
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    VertexBuffer::release();
}

CanvasState GLBBox::state()
{
    return {xRot,          yRot,          zRot,           zoom,     xTrans,         yTrans,
            mouseButton,   mouseX,        mouseY,         curve,    controlPoints,  levels,
            hull,          drawLevel,     computedLevel,  showPolyline, selectedPoint, showConvexHull,
            showSubDivPoints, userMode,   levelStorage};
}

void GLBBox::setXRotation(int degrees)
{
    ::setXRotation(state(), degrees);
    updateGL();
}

void GLBBox::setYRotation(int degrees)
{
    ::setYRotation(state(), degrees);
    updateGL();
}

void GLBBox::setZRotation(int degrees)
{
    ::setZRotation(state(), degrees);
    updateGL();
}

void GLBBox::setZoom(int value)
{
    ::setZoom(state(), value);
    updateGL();
}

void GLBBox::setAddMode()
{
    ::setAddMode(state());
}

void GLBBox::setMoveMode()
{
    ::setMoveMode(state());
}

void GLBBox::setSelectMode()
{
    ::setSelectMode(state());
}

void GLBBox::deleteAllControlPoints()
{
    ::deleteAllControlPoints(state());
    buildCurveList();
    updateGL();
    emit sendDegree(0);
}

void GLBBox::togglepolyline(bool show)
{
    ::togglepolyline(state(), show);
    buildCurveList();
    updateGL();
}

void GLBBox::setShowSubDivPoints(bool show)
{
    ::setShowSubDivPoints(state(), show);
    buildCurveList();
    updateGL();
}
