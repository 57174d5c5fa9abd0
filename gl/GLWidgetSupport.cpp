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

void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists)
{
    widget.makeCurrent();
    for (GLuint list : lists)
        if (list)
            glDeleteLists(list, 1);
    widget.doneCurrent();
}
