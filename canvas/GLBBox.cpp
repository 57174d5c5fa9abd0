// Widget, rendering and slots of the canvas.
#include "canvas/GLBBox.h"

#include "canvas/VertexArrays.h"
#include "gl/GLWidgetSupport.h"

#include <QColor>

#include <malloc.h>

#include <algorithm>
#include <array>

namespace {

constexpr double kControlMarkerHalfSize = 0.01;
constexpr double kSubdivisionMarkerHalfSize = 0.009;

struct Rgb
{
    float red;
    float green;
    float blue;
};

constexpr Rgb kXAxisColor{0.5f, 1.0f, 0.0f};
constexpr Rgb kYAxisColor{1.0f, 0.0f, 0.5f};
constexpr Rgb kZAxisColor{0.0f, 1.0f, 0.8f};
constexpr Rgb kAxisPointColor{1.0f, 1.0f, 1.0f};
constexpr Rgb kOutlineColor{1.0f, 0.0f, 0.0f};
constexpr Rgb kControlMarkerColor{1.0f, 1.0f, 0.0f};
constexpr Rgb kSelectedMarkerColor{1.0f, 0.4f, 1.0f};
constexpr Rgb kSubdivisionMarkerColor{0.0f, 1.0f, 0.0f};

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

// Markers go to GL in batches, so the staging array stays small however many there are.
constexpr std::size_t kMarkersPerBatch = 1024;
// Making or freeing a display list of this many vertices or more leaves enough free heap
// behind to be worth handing back to the system.
constexpr std::size_t kLargeListVertices = 1000000;

// One line strip through the points, from a vertex array; the normal stays the current one.
void drawLineStrip(const Polyline &points, std::vector<float> &staging)
{
    fillPositions(points.data(), points.size(), staging);
    glVertexPointer(3, GL_FLOAT, 0, staging.data());
    glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(points.size()));
}

// Octahedra of half-size d around the points in one colour, from vertex and normal arrays.
void drawMarkers(const Point3 *points, std::size_t count, double d, Rgb color, std::vector<float> &staging)
{
    constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
    glEnableClientState(GL_NORMAL_ARRAY);
    setMarkerMaterial(color);
    for (std::size_t first = 0; first < count; first += kMarkersPerBatch) {
        const std::size_t batch = std::min(kMarkersPerBatch, count - first);
        fillMarkers(points + first, batch, d, staging);
        glVertexPointer(3, GL_FLOAT, stride, staging.data());
        glNormalPointer(GL_FLOAT, stride, staging.data() + 3);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(batch * kMarkerVertices));
    }
    glDisableClientState(GL_NORMAL_ARRAY);
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
    deleteDisplayLists(*this, {axesList, curveList});
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
    const GLfloat shininess = 50.0f;
    glMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    const std::array<GLfloat, 4> lightPosition{1.0f, 2.0f, 5.0f, 0.0f};
    const std::array<GLfloat, 4> lightDiffuse{0.9f, 0.9f, 0.9f, 1.0f};
    const std::array<GLfloat, 4> lightSpecular{0.9f, 0.9f, 0.9f, 1.0f};
    const std::array<GLfloat, 4> ambient{0.6f, 0.6f, 0.6f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular.data());
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    listPixelRatio = devicePixelRatioF();
    if (curveListPending)
        buildCurveList();
}

void GLBBox::resizeGL(int, int)
{
    makeCurrent();
    setUnitSquareView(*this, 5.0, 15.0);
    // On a screen with another pixel ratio the lists' line widths are redone.
    if (takePixelRatioChange(*this, listPixelRatio)) {
        glDeleteLists(axesList, 1);
        axesList = makeAxesList();
        if (curveList)
            buildCurveList();
    }
}

void GLBBox::paintGL()
{
    makeCurrent();
    setFramebufferViewport(*this);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(xTrans, yTrans, -10.0f);
    glScalef(zoom, zoom, zoom);
    glRotatef(xRot, 1.0f, 0.0f, 0.0f);
    glRotatef(yRot, 0.0f, 1.0f, 0.0f);
    glRotatef(zRot, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glCallList(axesList);
    // Calling list 0 draws nothing but raises GL_INVALID_VALUE.
    if (curveList)
        glCallList(curveList);
    glFinish();
    // The driver lets go of a large list's storage only after the next frame; then the free
    // heap goes back to the system.
    if (trimHeapAfterPaint) {
        malloc_trim(0);
        trimHeapAfterPaint = false;
    }
}

GLuint GLBBox::makeAxesList()
{
    makeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor(Qt::white);
    glLineWidth(devicePixels(*this, 2.0f));

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

    glPointSize(devicePixels(*this, 3.0f));
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
    if (!context()) {
        curveListPending = true;
        return;
    }
    curveListPending = false;
    makeCurrent();
    glDeleteLists(curveList, 1);
    const std::size_t vertices = curveListVertexCount();
    // A large list made or dropped leaves much free heap: the driver's compile buffers, or
    // the old list's storage.
    const bool largeChange = std::max(listVertices, vertices) >= kLargeListVertices
                             && (vertices < listVertices / 2 || vertices / 2 > listVertices);
    listVertices = vertices;
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    // Client state and array pointers act at once; glDrawArrays copies the vertices into the list.
    glEnableClientState(GL_VERTEX_ARRAY);

    // The curve takes the material the axes list leaves current: grey under the ambient light.
    glLineWidth(devicePixels(*this, 3.0f));
    drawLineStrip(curve, vertexStaging);

    if (showPolyline) {
        glLineWidth(devicePixels(*this, 1.0f));
        setLineMaterial(kOutlineColor);
        drawLineStrip(controlPoints, vertexStaging);
    }

    if (showConvexHull && !hull.empty()) {
        glLineWidth(devicePixels(*this, 1.0f));
        setLineMaterial(kOutlineColor);
        drawLineStrip(hull, vertexStaging);
    }

    // Yellow markers, the selected one in its own colour.
    const std::size_t count = controlPoints.size();
    const bool hasSelected = selectedPoint >= 0 && static_cast<std::size_t>(selectedPoint) < count;
    const std::size_t selected = hasSelected ? static_cast<std::size_t>(selectedPoint) : count;
    const std::size_t afterSelected = selected + (hasSelected ? 1 : 0);
    const struct
    {
        std::size_t first;
        std::size_t last;
        Rgb color;
    } runs[] = {{0, selected, kControlMarkerColor},
                {selected, afterSelected, kSelectedMarkerColor},
                {afterSelected, count, kControlMarkerColor}};
    for (const auto &run : runs) {
        if (run.first == run.last)
            continue;
        drawMarkers(controlPoints.data() + run.first, run.last - run.first, kControlMarkerHalfSize, run.color,
                    vertexStaging);
    }

    if (showSubDivPoints) {
        drawMarkers(curve.data(), curve.size(), kSubdivisionMarkerHalfSize, kSubdivisionMarkerColor, vertexStaging);
    }

    glDisableClientState(GL_VERTEX_ARRAY);
    glEndList();
    curveList = list;
    trimHeapAfterPaint = trimHeapAfterPaint || largeChange;
}

std::size_t GLBBox::curveListVertexCount() const
{
    std::size_t vertices = curve.size() + kMarkerVertices * controlPoints.size();
    if (showPolyline)
        vertices += controlPoints.size();
    if (showConvexHull)
        vertices += hull.size();
    if (showSubDivPoints)
        vertices += kMarkerVertices * curve.size();
    return vertices;
}

void GLBBox::setXRotation(int degrees)
{
    xRot = static_cast<float>(degrees % 360);
    updateGL();
}

void GLBBox::setYRotation(int degrees)
{
    yRot = static_cast<float>(degrees % 360);
    updateGL();
}

void GLBBox::setZRotation(int degrees)
{
    zRot = static_cast<float>(degrees % 360);
    updateGL();
}

void GLBBox::setZoom(int value)
{
    zoom = static_cast<float>(value * 0.025);
    updateGL();
}

void GLBBox::setAddMode()
{
    userMode = kAddMode;
}

void GLBBox::setMoveMode()
{
    userMode = kMoveMode;
}

void GLBBox::setSelectMode()
{
    userMode = kSelectMode;
}

void GLBBox::deleteAllControlPoints()
{
    // Assigning empty containers releases their memory as well.
    controlPoints = Polyline();
    curve = Polyline();
    levels = PolylineList();
    hull = Polyline();
    buildCurveList();
    updateGL();
    emit sendDegree(0);
}

void GLBBox::togglepolyline(bool show)
{
    showPolyline = show;
    buildCurveList();
    updateGL();
}

void GLBBox::setShowSubDivPoints(bool show)
{
    showSubDivPoints = show;
    buildCurveList();
    updateGL();
}
