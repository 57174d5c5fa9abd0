#include "core/CanvasEditing.h"

namespace bezier {

namespace {

// A model point under window position (wx, wy) on the near plane, in the plane z = 0; nothing
// where the view is singular (zoom 0), which has no point under the pointer.
std::optional<Point3> pointUnder(const ViewTransform &view, const Projection &projection, double wx, double wy)
{
    const std::optional<Point3> p = projection.unproject(view, wx, wy, 0.0);
    if (!p)
        return std::nullopt;
    return Point3{p->x, p->y, 0.0};
}

EditResult repaintOnly()
{
    EditResult edit;
    edit.repaint = true;
    return edit;
}

EditResult drawingChanged()
{
    EditResult edit = repaintOnly();
    edit.drawingChanged = true;
    return edit;
}

// GL's window rows count upwards from the bottom.
int flipped(const ViewTransform &view, int y)
{
    return view.viewportHeight() - y - 1;
}

void pressInDeleteMode(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int flippedY,
                       EditResult &result)
{
    result.trace += "Delete Mode\n";
    const int index = canvas.nearestControlPoint(view, projection, canvas.mouseX, flippedY);
    result.trace += "Selected Point is " + std::to_string(index) + " ";
    Polyline &points = canvas.controlPoints;
    if (index < static_cast<int>(points.size()))
        points.erase(points.begin() + index);
    result.countChanged = true;
    result.levelsNeedRebuild = true;
}

void pressInAddMode(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int flippedY,
                    EditResult &result)
{
    result.trace += "Add Mode\n";
    const std::optional<Point3> point = pointUnder(view, projection, canvas.mouseX, flippedY);
    if (!point)
        return;
    canvas.controlPoints.push_back(*point);
    result.trace += "Point Added (" + std::to_string(static_cast<int>(point->x)) + ", "
                    + std::to_string(static_cast<int>(point->y)) + ")\n";
    result.countChanged = true;
    result.levelsNeedRebuild = true;
}

} // namespace

EditResult setXRotation(CanvasModel &canvas, int degrees)
{
    canvas.xRot = static_cast<float>(degrees % 360);
    return repaintOnly();
}

EditResult setYRotation(CanvasModel &canvas, int degrees)
{
    canvas.yRot = static_cast<float>(degrees % 360);
    return repaintOnly();
}

EditResult setZRotation(CanvasModel &canvas, int degrees)
{
    canvas.zRot = static_cast<float>(degrees % 360);
    return repaintOnly();
}

EditResult setZoom(CanvasModel &canvas, int value)
{
    canvas.zoom = static_cast<float>(value * 0.025);
    return repaintOnly();
}

EditResult setAddMode(CanvasModel &canvas)
{
    canvas.userMode = kAddMode;
    return {};
}

EditResult setMoveMode(CanvasModel &canvas)
{
    canvas.userMode = kMoveMode;
    return {};
}

EditResult setSelectMode(CanvasModel &canvas)
{
    canvas.userMode = kDeleteMode;
    return {};
}

EditResult deleteAllControlPoints(CanvasModel &canvas)
{
    // Assigning empty containers releases their memory as well.
    canvas.controlPoints = Polyline();
    canvas.curve = Polyline();
    canvas.levels = PolylineList();
    canvas.hull = Polyline();
    EditResult edit = drawingChanged();
    edit.countChanged = true;
    edit.countAfterRepaint = true;
    return edit;
}

EditResult changeDrawLevel(CanvasModel &canvas, int level)
{
    canvas.drawLevel = level;
    EditResult edit = repaintOnly();
    edit.levelsNeedRebuild = true;
    edit.drawLevelChanged = true;
    return edit;
}

EditResult togglepolyline(CanvasModel &canvas, bool show)
{
    canvas.showPolyline = show;
    return drawingChanged();
}

EditResult setShowConvexHull(CanvasModel &canvas, bool show)
{
    canvas.showConvexHull = show;
    // Recomputed either way: while hidden the hull is not kept up to date.
    canvas.computeConvexHull();
    return drawingChanged();
}

EditResult setShowSubDivPoints(CanvasModel &canvas, bool show)
{
    canvas.showSubDivPoints = show;
    return drawingChanged();
}

EditResult mousePress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int x, int y,
                      int button)
{
    canvas.mouseX = x;
    canvas.mouseY = y;
    canvas.mouseButton = button;
    EditResult result = repaintOnly();
    if (button != kLeftButton)
        return result;
    const int flippedY = flipped(view, y);
    result.trace = "Mouse coordinates: ( " + std::to_string(x) + ", " + std::to_string(flippedY) + " )\t  ";
    switch (canvas.userMode) {
    case kDeleteMode:
        pressInDeleteMode(canvas, view, projection, flippedY, result);
        break;
    case kAddMode:
        pressInAddMode(canvas, view, projection, flippedY, result);
        break;
    case kMoveMode:
        result.trace += "Move Mode\n";
        // The highlight shows once the curve is next drawn anew, at the first move event.
        canvas.selectedPoint = canvas.nearestControlPoint(view, projection, x, flippedY);
        break;
    default:
        result.trace += "Error, incorrect usermode code: " + std::to_string(canvas.userMode) + "\n";
        break;
    }
    result.trace += "\n";
    return result;
}

EditResult mouseMove(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int x, int y)
{
    // Every move event repaints, whether or not anything moved.
    EditResult result = repaintOnly();
    const bool dragging = canvas.mouseButton == kLeftButton && canvas.userMode == kMoveMode
                          && canvas.selectedPoint >= 0
                          && canvas.selectedPoint < static_cast<int>(canvas.controlPoints.size());
    if (!dragging)
        return result;
    const std::optional<Point3> point = pointUnder(view, projection, x, flipped(view, y));
    if (!point)
        return result;
    canvas.controlPoints[canvas.selectedPoint] = *point;
    // Same count of points: only this marks the cached levels stale.
    canvas.computedLevel = 0;
    result.levelsNeedRebuild = true;
    return result;
}

} // namespace bezier
