// Mouse editing of the canvas's control points.
#include "canvas/GLBBox.h"

#include "canvas/GluProjection.h"

#include <QMouseEvent>

#include <cstdio>

ViewTransform GLBBox::currentViewTransform()
{
    ViewTransform view;
    glGetIntegerv(GL_VIEWPORT, view.viewport.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, view.modelview.data());
    glGetDoublev(GL_PROJECTION_MATRIX, view.projection.data());
    return view;
}

// Qt reports device-independent pixels while the viewport is in device pixels; rounding
// finds the device pixel under the pointer at fractional ratios too.
QPoint GLBBox::devicePosition(const QMouseEvent *event) const
{
    const QPointF position = event->position();
    return {devicePixel(position.x(), devicePixelRatioF()), devicePixel(position.y(), devicePixelRatioF())};
}

int GLBBox::nearestControlPoint(double mx, double my)
{
    return ::nearestControlPoint(state(), currentViewTransform(), kGluProjection, mx, my);
}

void GLBBox::mousePressEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPoint position = devicePosition(event);
    const EditResult edit = ::mousePress(state(), currentViewTransform(), kGluProjection, position.x(), position.y(),
                                         static_cast<int>(event->button()));
    if (edit.levelsNeedRebuild)
        recomputeLevels();
    if (edit.countChanged)
        emit sendDegree(static_cast<int>(controlPoints.size()));
    if (!edit.trace.empty()) {
        std::fputs(edit.trace.c_str(), stdout);
        // A reader on a pipe sees each click as it happens.
        std::fflush(stdout);
    }
    updateGL();
}

void GLBBox::mouseMoveEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPoint position = devicePosition(event);
    if (::mouseMove(state(), currentViewTransform(), kGluProjection, position.x(), position.y()).levelsNeedRebuild)
        recomputeLevels();
    updateGL();
}

void GLBBox::mouseReleaseEvent(QMouseEvent *)
{
}
