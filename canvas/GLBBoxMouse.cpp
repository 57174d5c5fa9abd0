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

// Positions in device-independent pixels, exact where Qt rounds them, which the rules take to the
// device pixel under them, as the viewport is in device pixels.
void GLBBox::mousePressEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPointF position = pointer.position(*event);
    finishEdit(bezier::mousePress(*this, currentViewTransform(), kGluProjection, position.x(), position.y(),
                                  devicePixelRatioF(), static_cast<int>(event->button())));
}

void GLBBox::mouseMoveEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPointF position = pointer.position(*event);
    finishEdit(bezier::mouseMove(*this, currentViewTransform(), kGluProjection, position.x(), position.y(),
                                 devicePixelRatioF()));
}

void GLBBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF position = pointer.position(*event);
    finishEdit(bezier::mouseRelease(*this, position.x(), position.y()));
}
