#include "core/CanvasEditing.h"

#include <algorithm>
#include <utility>

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

CanvasSnapshot snapshotOf(const CanvasModel &canvas)
{
    return {canvas.controlPoints, canvas.selectedPoint};
}

void placeCursor(CanvasModel &canvas, double x, double y)
{
    canvas.cursorX = std::clamp(x, 0.0, kCanvasLogicalWidth - 1);
    canvas.cursorY = std::clamp(y, 0.0, kCanvasLogicalHeight - 1);
}

// Ends a hold where the point is; a move that changed the points is one step to undo.
void drop(CanvasModel &canvas)
{
    PointHold &hold = canvas.hold;
    if (!hold.active)
        return;
    hold.active = false;
    if (hold.before.controlPoints != canvas.controlPoints)
        canvas.history.record(std::move(hold.before));
    hold.before = {};
}

// The held point to the model point under device pixel (x, y): one drag step.
bool dragHeldPoint(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int x, int y)
{
    const std::optional<Point3> point = pointUnder(view, projection, x, flipped(view, y));
    if (!point)
        return false;
    canvas.controlPoints[canvas.hold.index] = *point;
    // Same count of points: only this marks the cached levels stale.
    canvas.computedLevel = 0;
    return true;
}

// Where a point lies in logical pixels, y downwards; nothing where GLU fails.
std::optional<std::pair<double, double>> logicalPositionOf(const ViewTransform &view, const Projection &projection,
                                                           const Point3 &p, double pixelRatio)
{
    const std::optional<Point3> window = projection.project(view, p);
    if (!window)
        return std::nullopt;
    return std::pair{window->x / pixelRatio, (view.viewportHeight() - window->y - 1) / pixelRatio};
}

void pressInDeleteMode(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int flippedY,
                       EditResult &result)
{
    result.trace += "Delete Mode\n";
    const int index = canvas.nearestControlPoint(view, projection, canvas.mouseX, flippedY);
    result.trace += "Selected Point is " + std::to_string(index) + " ";
    Polyline &points = canvas.controlPoints;
    if (index < static_cast<int>(points.size())) {
        canvas.history.record(snapshotOf(canvas));
        points.erase(points.begin() + index);
    }
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
    canvas.history.record(snapshotOf(canvas));
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
    drop(canvas);
    canvas.userMode = kAddMode;
    return {};
}

EditResult setMoveMode(CanvasModel &canvas)
{
    drop(canvas);
    canvas.userMode = kMoveMode;
    return {};
}

EditResult setSelectMode(CanvasModel &canvas)
{
    drop(canvas);
    canvas.userMode = kDeleteMode;
    return {};
}

EditResult deleteAllControlPoints(CanvasModel &canvas)
{
    drop(canvas);
    if (!canvas.controlPoints.empty())
        canvas.history.record(snapshotOf(canvas));
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

EditResult mousePress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                      double y, double pixelRatio, int button)
{
    drop(canvas);
    placeCursor(canvas, x, y);
    const int deviceX = devicePixel(x, pixelRatio);
    const int deviceY = devicePixel(y, pixelRatio);
    canvas.mouseX = deviceX;
    canvas.mouseY = deviceY;
    canvas.mouseButton = button;
    EditResult result = repaintOnly();
    if (button != kLeftButton)
        return result;
    const int flippedY = flipped(view, deviceY);
    result.trace = "Mouse coordinates: ( " + std::to_string(deviceX) + ", " + std::to_string(flippedY) + " )\t  ";
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
        canvas.selectedPoint = canvas.nearestControlPoint(view, projection, deviceX, flippedY);
        if (canvas.selectedPoint < static_cast<int>(canvas.controlPoints.size()))
            canvas.hold = {true, false, canvas.selectedPoint, snapshotOf(canvas)};
        break;
    default:
        result.trace += "Error, incorrect usermode code: " + std::to_string(canvas.userMode) + "\n";
        break;
    }
    result.trace += "\n";
    return result;
}

EditResult mouseMove(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                     double y, double pixelRatio)
{
    // Every move event repaints, whether or not anything moved.
    EditResult result = repaintOnly();
    const bool dragging = canvas.mouseButton == kLeftButton && canvas.userMode == kMoveMode && canvas.hold.active
                          && !canvas.hold.byKeys;
    if (!dragging)
        return result;
    if (!dragHeldPoint(canvas, view, projection, devicePixel(x, pixelRatio), devicePixel(y, pixelRatio)))
        return result;
    placeCursor(canvas, x, y);
    result.levelsNeedRebuild = true;
    return result;
}

EditResult mouseRelease(CanvasModel &canvas, double x, double y)
{
    if (canvas.hold.active && !canvas.hold.byKeys) {
        placeCursor(canvas, x, y);
        drop(canvas);
    }
    return {};
}

EditResult keyPress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, CanvasKey key,
                    bool fine, double pixelRatio)
{
    const double step = fine ? 1.0 : 10.0;
    PointHold &hold = canvas.hold;
    switch (key) {
    case CanvasKey::Left:
    case CanvasKey::Right:
    case CanvasKey::Up:
    case CanvasKey::Down: {
        const double dx = key == CanvasKey::Left ? -step : key == CanvasKey::Right ? step : 0.0;
        const double dy = key == CanvasKey::Up ? -step : key == CanvasKey::Down ? step : 0.0;
        placeCursor(canvas, canvas.cursorX + dx, canvas.cursorY + dy);
        EditResult result = repaintOnly();
        // A point held by keys follows the cursor, by the same step a drag takes.
        if (hold.active && hold.byKeys)
            result.levelsNeedRebuild = dragHeldPoint(canvas, view, projection, devicePixel(canvas.cursorX, pixelRatio),
                                                     devicePixel(canvas.cursorY, pixelRatio));
        return result;
    }
    case CanvasKey::Activate: {
        if (hold.active) {
            drop(canvas);
            return repaintOnly();
        }
        EditResult result
            = mousePress(canvas, view, projection, canvas.cursorX, canvas.cursorY, pixelRatio, kLeftButton);
        if (hold.active) {
            // Picked by keys: held at once, shown selected at once, the cursor on it.
            hold.byKeys = true;
            result.drawingChanged = true;
            if (const auto at = logicalPositionOf(view, projection, canvas.controlPoints[hold.index], pixelRatio))
                placeCursor(canvas, at->first, at->second);
        }
        return result;
    }
    case CanvasKey::Escape: {
        if (!hold.active)
            return {};
        canvas.controlPoints = std::move(hold.before.controlPoints);
        canvas.computedLevel = 0;
        if (hold.byKeys)
            if (const auto at = logicalPositionOf(view, projection, canvas.controlPoints[hold.index], pixelRatio))
                placeCursor(canvas, at->first, at->second);
        hold = {};
        EditResult result = repaintOnly();
        result.levelsNeedRebuild = true;
        return result;
    }
    case CanvasKey::AddMode:
        return setAddMode(canvas);
    case CanvasKey::MoveMode:
        return setMoveMode(canvas);
    case CanvasKey::DeleteMode:
        return setSelectMode(canvas);
    }
    return {};
}

EditResult focusLost(CanvasModel &canvas)
{
    drop(canvas);
    return repaintOnly();
}

namespace {

EditResult restore(CanvasModel &canvas, std::optional<CanvasSnapshot> state)
{
    if (!state)
        return {};
    canvas.controlPoints = std::move(state->controlPoints);
    canvas.selectedPoint = state->selectedPoint;
    // The count may be the same: only this marks the cached levels stale.
    canvas.computedLevel = 0;
    EditResult result = repaintOnly();
    result.levelsNeedRebuild = true;
    result.countChanged = true;
    return result;
}

} // namespace

EditResult undo(CanvasModel &canvas)
{
    if (canvas.hold.active)
        return {};
    return restore(canvas, canvas.history.undo(snapshotOf(canvas)));
}

EditResult redo(CanvasModel &canvas)
{
    if (canvas.hold.active)
        return {};
    return restore(canvas, canvas.history.redo(snapshotOf(canvas)));
}

} // namespace bezier
