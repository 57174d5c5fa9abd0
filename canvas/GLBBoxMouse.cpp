// Mouse editing of the canvas's control points.
#include "canvas/GLBBox.h"

#include "canvas/GluProjection.h"

#include <QMouseEvent>

using namespace bezier;

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

void GLBBox::mousePressEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPoint position = devicePosition(event);
    finishEdit(bezier::mousePress(*this, currentViewTransform(), kGluProjection, position.x(), position.y(),
                                  static_cast<int>(event->button())));
}

void GLBBox::mouseMoveEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPoint position = devicePosition(event);
    finishEdit(bezier::mouseMove(*this, currentViewTransform(), kGluProjection, position.x(), position.y()));
}

void GLBBox::mouseReleaseEvent(QMouseEvent *)
{
}
