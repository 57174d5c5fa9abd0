// Mouse editing of the canvas's control points.
#include "canvas/GLBBox.h"

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
    return (event->position() * devicePixelRatioF()).toPoint();
}

int GLBBox::nearestControlPoint(double mx, double my)
{
    return nearestProjectedPoint(controlPoints, currentViewTransform(), mx, my);
}

void GLBBox::mousePressEvent(QMouseEvent *event)
{
    makeCurrent();
    const QPoint position = devicePosition(event);
    mouseX = position.x();
    mouseY = position.y();
    mouseButton = static_cast<int>(event->button());

    if (event->button() == Qt::LeftButton) {
        const ViewTransform view = currentViewTransform();
        const int flippedY = view.viewportHeight() - mouseY - 1;
        std::printf("Mouse coordinates: ( %i, %i )\t  ", mouseX, flippedY);
        switch (userMode) {
        case kSelectMode:
            pressInSelectMode(flippedY);
            break;
        case kAddMode:
            pressInAddMode(view, flippedY);
            break;
        case kMoveMode:
            pressInMoveMode(flippedY);
            break;
        default:
            std::printf("Error, incorrect usermode code: %i\n", userMode);
            break;
        }
        std::printf("\n");
        // A reader on a pipe sees each click as it happens.
        std::fflush(stdout);
    }
    updateGL();
}

void GLBBox::pressInSelectMode(int flippedY)
{
    std::printf("Delete Mode\n");
    const int index = nearestControlPoint(mouseX, flippedY);
    std::printf("Selected Point is %i ", index);
    if (index < static_cast<int>(controlPoints.size()))
        controlPoints.erase(controlPoints.begin() + index);
    recomputeLevels();
    emit sendDegree(static_cast<int>(controlPoints.size()));
}

void GLBBox::pressInAddMode(const ViewTransform &view, int flippedY)
{
    std::printf("Add Mode\n");
    // A singular view (zoom 0) has no point under the pointer: add nothing.
    const std::optional<Point3> point = unprojectToNearPlane(view, mouseX, flippedY);
    if (!point)
        return;
    controlPoints.push_back({point->x, point->y, 0.0});
    std::printf("Point Added (%i, %i)\n", static_cast<int>(point->x), static_cast<int>(point->y));
    recomputeLevels();
    emit sendDegree(static_cast<int>(controlPoints.size()));
}

void GLBBox::pressInMoveMode(int flippedY)
{
    std::printf("Move Mode\n");
    // The highlight shows once the curve list is next rebuilt, at the first move event.
    selectedPoint = nearestControlPoint(mouseX, flippedY);
}

void GLBBox::mouseMoveEvent(QMouseEvent *event)
{
    makeCurrent();
    const ViewTransform view = currentViewTransform();
    const bool dragging = mouseButton == static_cast<int>(Qt::LeftButton) && userMode == kMoveMode
                          && selectedPoint >= 0 && selectedPoint < static_cast<int>(controlPoints.size());
    if (dragging) {
        const QPoint position = devicePosition(event);
        const int flippedY = view.viewportHeight() - position.y() - 1;
        if (const std::optional<Point3> point = unprojectToNearPlane(view, position.x(), flippedY)) {
            controlPoints[selectedPoint] = {point->x, point->y, 0.0};
            computedLevel = 0;
            recomputeLevels();
        }
    }
    updateGL();
}

void GLBBox::mouseReleaseEvent(QMouseEvent *)
{
}
