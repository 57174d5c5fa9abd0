// Widget, rendering and slots of the canvas.
#include "canvas/GLBBox.h"

#include "gl/GLWidgetSupport.h"

#include <QColor>

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

void vertex(const Point3 &p)
{
    vertex(p.x, p.y, p.z);
}

// An octahedron of half-size d around p, as eight triangles inside an open GL_TRIANGLES batch.
void drawMarker(const Point3 &p, double d)
{
    static constexpr std::array<std::array<int, 3>, 8> kFaceSigns{{
        {1, 1, 1},
        {1, 1, -1},
        {-1, 1, -1},
        {-1, 1, 1},
        {1, -1, 1},
        {1, -1, -1},
        {-1, -1, -1},
        {-1, -1, 1},
    }};
    for (const auto &[sx, sy, sz] : kFaceSigns) {
        glNormal3f(static_cast<GLfloat>(sx), static_cast<GLfloat>(sy), static_cast<GLfloat>(sz));
        vertex(p.x + sx * d, p.y, p.z);
        vertex(p.x, p.y + sy * d, p.z);
        vertex(p.x, p.y, p.z + sz * d);
    }
}

void drawLineStrip(const Polyline &points)
{
    glBegin(GL_LINE_STRIP);
    for (const Point3 &p : points)
        vertex(p);
    glEnd();
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
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);

    // The curve takes the material the axes list leaves current: grey under the ambient light.
    glLineWidth(devicePixels(*this, 3.0f));
    drawLineStrip(curve);

    if (showPolyline) {
        glLineWidth(devicePixels(*this, 1.0f));
        setLineMaterial(kOutlineColor);
        drawLineStrip(controlPoints);
    }

    if (showConvexHull && !hull.empty()) {
        glLineWidth(devicePixels(*this, 1.0f));
        setLineMaterial(kOutlineColor);
        drawLineStrip(hull);
    }

    glBegin(GL_TRIANGLES);
    for (int i = 0; i < static_cast<int>(controlPoints.size()); ++i) {
        setMarkerMaterial(i == selectedPoint ? kSelectedMarkerColor : kControlMarkerColor);
        drawMarker(controlPoints[i], kControlMarkerHalfSize);
    }
    glEnd();

    if (showSubDivPoints) {
        glBegin(GL_TRIANGLES);
        setMarkerMaterial(kSubdivisionMarkerColor);
        for (const Point3 &p : curve)
            drawMarker(p, kSubdivisionMarkerHalfSize);
        glEnd();
    }

    glEndList();
    curveList = list;
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
