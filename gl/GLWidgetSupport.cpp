#include "gl/GLWidgetSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSurfaceFormat>

void requestFixedFunctionFormat(QOpenGLWidget &widget)
{
    QSurfaceFormat surfaceFormat = widget.format();
    surfaceFormat.setProfile(QSurfaceFormat::CompatibilityProfile);
    surfaceFormat.setDepthBufferSize(24);
    widget.setFormat(surfaceFormat);
}

void repaintNow(QOpenGLWidget &widget)
{
    widget.update();
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(&widget, &request);
}

void setUnitSquareView(QOpenGLWidget &widget, int w, int h, double near, double far)
{
    const qreal ratio = widget.devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, near, far);
    glMatrixMode(GL_MODELVIEW);
}

void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists)
{
    widget.makeCurrent();
    for (GLuint list : lists)
        if (list)
            glDeleteLists(list, 1);
    widget.doneCurrent();
}
