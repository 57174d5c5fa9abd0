#include "parameter/GLParameter.h"

#include "core/Scene.h"
#include "core/VertexArrays.h"
#include "gl/GLWidgetSupport.h"

using namespace bezier;

namespace {

// Draws the runs [first, last) of the scene, their vertices in doubles from `vertices`.
void drawRuns(const QOpenGLWidget &widget, const Scene &scene, std::size_t first, std::size_t last,
              const Point3 *vertices)
{
    for (std::size_t i = first; i < last; ++i) {
        const DrawRun &run = scene.runs[i];
        glLineWidth(devicePixels(widget, run.width));
        glColor3f(run.color.red, run.color.green, run.color.blue);
        glBegin(run.primitive == Primitive::Segments ? GL_LINES : GL_LINE_STRIP);
        for (std::size_t v = run.first; v < run.first + run.count; ++v)
            glVertex2d(vertices[v].x, vertices[v].y);
        glEnd();
    }
}

} // namespace

GLParameter::GLParameter(QWidget *parent, const char *name)
    : QOpenGLWidget(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    requestFixedFunctionFormat(*this);
    describe(*this, basisDescription(*this));
}

GLParameter::~GLParameter()
{
    deleteDisplayLists(*this, {static_cast<GLuint>(axesList), static_cast<GLuint>(curveList)});
}

void GLParameter::updateGL()
{
    repaintNow(*this);
}

void GLParameter::setDegree(int count)
{
    bezier::setDegree(*this, count);
    computeBasis();
    buildCurveList();
    updateGL();
    describe(*this, basisDescription(*this));
}

void GLParameter::setu(double value)
{
    bezier::setu(*this, value);
    buildCurveList();
    updateGL();
}

void GLParameter::computeBasis()
{
    emit senddegree(degree);
    ParameterModel::computeBasis();
}

int GLParameter::makeAxesList()
{
    makeCurrent();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    const Scene scene = parameterScene(*this);
    drawRuns(*this, scene, 0, scene.fixedRuns, kParameterAxes.data());
    glEndList();
    return static_cast<int>(list);
}

void GLParameter::buildCurveList()
{
    if (!context()) {
        curveListPending = true;
        return;
    }
    curveListPending = false;
    makeCurrent();
    glDeleteLists(static_cast<GLuint>(curveList), 1);
    curveList = static_cast<int>(glGenLists(1));
    glNewList(static_cast<GLuint>(curveList), GL_COMPILE);
    const Scene scene = parameterScene(*this);
    drawRuns(*this, scene, scene.fixedRuns, scene.runs.size(), parameterVertices(*this).data());
    glEndList();
}

void GLParameter::initializeGL()
{
    makeCurrent();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    axesList = makeAxesList();
    glShadeModel(GL_SMOOTH);
    listPixelRatio = devicePixelRatioF();
    if (curveListPending)
        buildCurveList();
}

void GLParameter::resizeGL(int, int)
{
    makeCurrent();
    setUnitSquareView(*this, kParameterOrtho);
    // On a screen with another pixel ratio the lists' line widths are redone.
    if (takePixelRatioChange(*this, listPixelRatio)) {
        glDeleteLists(static_cast<GLuint>(axesList), 1);
        axesList = makeAxesList();
        if (curveList)
            buildCurveList();
    }
}

void GLParameter::paintGL()
{
    makeCurrent();
    setFramebufferViewport(*this);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(kParameterTranslation[0], kParameterTranslation[1], kParameterTranslation[2]);
    glScalef(kParameterScale[0], kParameterScale[1], kParameterScale[2]);
    glEnable(GL_DEPTH_TEST);
    glCallList(static_cast<GLuint>(axesList));
    // Calling list 0 draws nothing but raises GL_INVALID_VALUE.
    if (curveList)
        glCallList(static_cast<GLuint>(curveList));
    glFinish();
    makeCurrent();
    emit senddegree(degree);
}
