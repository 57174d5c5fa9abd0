#include "core/CanvasEditing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace bezier {

std::string coordinateText(double value)
{
    // Room for any double's digits.
    char text[320];
    std::snprintf(text, sizeof text, "%.2f", value);
    return std::strcmp(text, "-0.00") == 0 ? "0.00" : text;
}

std::string coordinateRangeText()
{
    char text[64];
    std::snprintf(text, sizeof text, "a number from %.0f to %.0f", -kCoordinateLimit, kCoordinateLimit);
    return text;
}

std::string pointAmount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " point" : " points");
}

std::string countText(std::size_t count)
{
    if (count == 0)
        return "No points.";
    if (count == 1)
        return "1 point, degree 0.";
    return std::to_string(count) + " points, degree " + std::to_string(count - 1) + ".";
}

namespace {

std::string positionOf(const Point3 &p)
{
    std::string text = "(";
    text += coordinateText(p.x);
    text += ", ";
    text += coordinateText(p.y);
    text += ")";
    return text;
}

// A model point under window position (wx, wy) on the near plane, in the plane z = 0; nothing
// where the view is singular (zoom 0), which has no point under the pointer.
std::optional<Point3> pointUnder(const ViewTransform &view, const Projection &projection, double wx, double wy)
{
    const std::optional<Point3> p = projection.unproject(view, wx, wy, 0.0);
    if (!p)
        return std::nullopt;
    return Point3{p->x, p->y, 0.0};
}

// What the controls beside the canvas show once a rule is done.
EditResult settled(const CanvasModel &canvas, EditResult result)
{
    // Levels updated by a held point's influence are rebuilt exactly before anything but that
    // point's next move shows: once the hold ends, and at a change of what is drawn during it.
    if (canvas.levelsApproximate() && (!canvas.hold.active || result.drawingChanged))
        result.levelsNeedRebuild = true;
    result.canUndo = canUndo(canvas);
    result.canRedo = canRedo(canvas);
    result.mode = canvas.userMode;
    result.highContrast = canvas.highContrast;
    return result;
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

// Two sentences said one after the other; either may be empty.
std::string followedBy(const std::string &first, const std::string &second)
{
    return first.empty() || second.empty() ? first + second : first + " " + second;
}

std::string pointNumber(int index)
{
    return "Point " + std::to_string(index + 1);
}

std::string movedSentence(const CanvasModel &canvas, int index)
{
    return pointNumber(index) + " moved to " + positionOf(canvas.controlPoints[index]) + ".";
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

// Ends a hold where the point is; a move that changed the points is one step to undo. Returns
// what to announce.
std::string drop(CanvasModel &canvas)
{
    PointHold &hold = canvas.hold;
    if (!hold.active)
        return {};
    hold.active = false;
    canvas.releaseControlPoint();
    std::string moved;
    if (hold.before.controlPoints != canvas.controlPoints) {
        const int index = canvas.selectedPoint;
        moved = movedSentence(canvas, index);
        canvas.history.record(std::move(hold.before), moved);
    }
    hold.before = {};
    return moved;
}

// What a mode slot leaves: the drop's announcement, then the mode's.
EditResult modeChosen(CanvasModel &canvas, UserMode mode, const char *name)
{
    EditResult result;
    const std::string dropped = drop(canvas);
    canvas.userMode = mode;
    result.announcement = followedBy(dropped, std::string(name) + " mode.");
    return result;
}

// The held point to the model point under device pixel (x, y): one drag step.
bool dragHeldPoint(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int x, int y)
{
    const std::optional<Point3> point = pointUnder(view, projection, x, flipped(view, y));
    if (!point)
        return false;
    canvas.moveControlPoint(static_cast<std::size_t>(canvas.selectedPoint), *point);
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
    const Polyline &points = canvas.controlPoints;
    if (index < static_cast<int>(points.size())) {
        CanvasSnapshot before = snapshotOf(canvas);
        canvas.eraseControlPoint(static_cast<std::size_t>(index));
        result.announcement = pointNumber(index) + " deleted. " + countText(points.size());
        canvas.history.record(std::move(before), result.announcement);
    } else {
        result.announcement = "No point to delete.";
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
    CanvasSnapshot before = snapshotOf(canvas);
    canvas.appendControlPoint(*point);
    result.announcement = pointNumber(static_cast<int>(canvas.controlPoints.size()) - 1) + " added at "
                          + positionOf(*point) + ". " + countText(canvas.controlPoints.size());
    canvas.history.record(std::move(before), result.announcement);
    result.trace += "Point Added (" + std::to_string(static_cast<int>(point->x)) + ", "
                    + std::to_string(static_cast<int>(point->y)) + ")\n";
    result.countChanged = true;
    result.levelsNeedRebuild = true;
}

} // namespace

EditResult setXRotation(CanvasModel &canvas, int degrees)
{
    canvas.xRot = static_cast<float>(degrees % 360);
    return settled(canvas, repaintOnly());
}

EditResult setYRotation(CanvasModel &canvas, int degrees)
{
    canvas.yRot = static_cast<float>(degrees % 360);
    return settled(canvas, repaintOnly());
}

EditResult setZRotation(CanvasModel &canvas, int degrees)
{
    canvas.zRot = static_cast<float>(degrees % 360);
    return settled(canvas, repaintOnly());
}

EditResult setZoom(CanvasModel &canvas, int value)
{
    canvas.zoom = static_cast<float>(value * kZoomStep);
    return settled(canvas, repaintOnly());
}

EditResult setAddMode(CanvasModel &canvas)
{
    return settled(canvas, modeChosen(canvas, kAddMode, "Add"));
}

EditResult setMoveMode(CanvasModel &canvas)
{
    return settled(canvas, modeChosen(canvas, kMoveMode, "Move"));
}

EditResult setSelectMode(CanvasModel &canvas)
{
    return settled(canvas, modeChosen(canvas, kDeleteMode, "Delete"));
}

EditResult deleteAllControlPoints(CanvasModel &canvas)
{
    drop(canvas);
    if (!canvas.controlPoints.empty())
        canvas.history.record(snapshotOf(canvas), "All points cleared.");
    canvas.clearControlPoints();
    EditResult edit = drawingChanged();
    edit.countChanged = true;
    edit.countAfterRepaint = true;
    edit.announcement = "All points cleared.";
    return settled(canvas, edit);
}

EditResult changeDrawLevel(CanvasModel &canvas, int level)
{
    canvas.drawLevel = level;
    EditResult edit = repaintOnly();
    edit.levelsNeedRebuild = true;
    edit.drawLevelChanged = true;
    return settled(canvas, edit);
}

EditResult togglepolyline(CanvasModel &canvas, bool show)
{
    canvas.showPolyline = show;
    return settled(canvas, drawingChanged());
}

EditResult setShowConvexHull(CanvasModel &canvas, bool show)
{
    canvas.showConvexHull = show;
    // Recomputed either way: while hidden the hull is not kept up to date.
    canvas.computeConvexHull();
    return settled(canvas, drawingChanged());
}

EditResult setShowSubDivPoints(CanvasModel &canvas, bool show)
{
    canvas.showSubDivPoints = show;
    return settled(canvas, drawingChanged());
}

EditResult setHighContrast(CanvasModel &canvas, bool on)
{
    canvas.highContrast = on;
    return settled(canvas, repaintOnly());
}

EditResult mousePress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                      double y, double pixelRatio, int button)
{
    const std::string dropped = drop(canvas);
    // A pointer's press hides the keyboard's focus frame and cursor, as browsers do.
    canvas.keyboardFocusShown = false;
    placeCursor(canvas, x, y);
    const int deviceX = devicePixel(x, pixelRatio);
    const int deviceY = devicePixel(y, pixelRatio);
    canvas.mouseX = deviceX;
    canvas.mouseY = deviceY;
    canvas.mouseButton = button;
    EditResult result = repaintOnly();
    if (button != kLeftButton)
        return settled(canvas, result);
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
        if (canvas.selectedPoint < static_cast<int>(canvas.controlPoints.size())) {
            canvas.hold = {true, false, snapshotOf(canvas)};
            canvas.holdControlPoint(static_cast<std::size_t>(canvas.selectedPoint));
        }
        break;
    default:
        result.trace += "Error, incorrect usermode code: " + std::to_string(canvas.userMode) + "\n";
        break;
    }
    result.trace += "\n";
    result.announcement = followedBy(dropped, result.announcement);
    return settled(canvas, result);
}

EditResult mouseMove(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                     double y, double pixelRatio)
{
    // Every move event repaints, whether or not anything moved.
    EditResult result = repaintOnly();
    const bool dragging = canvas.mouseButton == kLeftButton && canvas.userMode == kMoveMode && canvas.hold.active
                          && !canvas.hold.byKeys;
    if (!dragging)
        return settled(canvas, result);
    if (!dragHeldPoint(canvas, view, projection, devicePixel(x, pixelRatio), devicePixel(y, pixelRatio)))
        return settled(canvas, result);
    placeCursor(canvas, x, y);
    result.levelsNeedRebuild = true;
    return settled(canvas, result);
}

EditResult mouseRelease(CanvasModel &canvas, double x, double y)
{
    EditResult result;
    if (canvas.hold.active && !canvas.hold.byKeys) {
        placeCursor(canvas, x, y);
        result.announcement = drop(canvas);
    }
    return settled(canvas, result);
}

namespace {

std::string cursorSentence(const CanvasModel &canvas, const ViewTransform &view, const Projection &projection,
                           double pixelRatio)
{
    const std::optional<Point3> under = pointUnder(view, projection, devicePixel(canvas.cursorX, pixelRatio),
                                                   flipped(view, devicePixel(canvas.cursorY, pixelRatio)));
    return under ? "Cursor at " + positionOf(*under) + "." : "Cursor at the view's centre.";
}

// Selects the point `direction` (1 or -1) from the selected one, round the ends, with the cursor on
// it, and says where it is, so that the points can be heard one by one.
EditResult stepToPoint(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, int direction,
                       double pixelRatio)
{
    EditResult result;
    const int count = static_cast<int>(canvas.controlPoints.size());
    if (canvas.hold.active) {
        result.announcement = pointNumber(canvas.selectedPoint) + " is held: Enter puts it down.";
        return result;
    }
    if (count == 0) {
        result.announcement = countText(0);
        return result;
    }
    const int from = canvas.selectedPoint >= 0 && canvas.selectedPoint < count ? canvas.selectedPoint
                     : direction > 0                                           ? -1
                                                                               : count;
    canvas.selectedPoint = (from + direction + count) % count;
    const Point3 &point = canvas.controlPoints[canvas.selectedPoint];
    if (const auto at = logicalPositionOf(view, projection, point, pixelRatio))
        placeCursor(canvas, at->first, at->second);
    result = drawingChanged();
    result.announcement = pointNumber(canvas.selectedPoint) + " of " + std::to_string(count) + " at "
                          + positionOf(point) + ".";
    return result;
}

EditResult canvasKeyRule(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, CanvasKey key,
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
            EditResult result = repaintOnly();
            result.announcement = drop(canvas);
            return result;
        }
        EditResult result
            = mousePress(canvas, view, projection, canvas.cursorX, canvas.cursorY, pixelRatio, kLeftButton);
        if (hold.active) {
            // Picked by keys: held at once, shown selected at once, the cursor on it.
            hold.byKeys = true;
            result.drawingChanged = true;
            const Point3 &picked = canvas.controlPoints[canvas.selectedPoint];
            if (const auto at = logicalPositionOf(view, projection, picked, pixelRatio))
                placeCursor(canvas, at->first, at->second);
            result.announcement = pointNumber(canvas.selectedPoint) + " picked up at " + positionOf(picked) + ".";
        }
        return result;
    }
    case CanvasKey::Escape: {
        if (!hold.active)
            return {};
        canvas.replaceControlPoints(std::move(hold.before.controlPoints));
        const Point3 &back = canvas.controlPoints[canvas.selectedPoint];
        if (hold.byKeys)
            if (const auto at = logicalPositionOf(view, projection, back, pixelRatio))
                placeCursor(canvas, at->first, at->second);
        EditResult result = repaintOnly();
        result.levelsNeedRebuild = true;
        result.announcement = pointNumber(canvas.selectedPoint) + " put back at " + positionOf(back) + ".";
        hold = {};
        canvas.releaseControlPoint();
        return result;
    }
    case CanvasKey::AddMode:
        return setAddMode(canvas);
    case CanvasKey::MoveMode:
        return setMoveMode(canvas);
    case CanvasKey::DeleteMode:
        return setSelectMode(canvas);
    case CanvasKey::HighContrast: {
        EditResult result = setHighContrast(canvas, !canvas.highContrast);
        result.announcement = canvas.highContrast ? "High contrast on." : "High contrast off.";
        return result;
    }
    case CanvasKey::ReadCursor: {
        EditResult result;
        result.announcement = cursorSentence(canvas, view, projection, pixelRatio);
        return result;
    }
    case CanvasKey::ReadKeys: {
        EditResult result;
        result.announcement = kCanvasKeysHelp;
        return result;
    }
    case CanvasKey::ReadSummary: {
        EditResult result;
        result.announcement = curveSummary(canvas);
        return result;
    }
    case CanvasKey::NextPoint:
        return stepToPoint(canvas, view, projection, fine ? -1 : 1, pixelRatio);
    }
    return {};
}

} // namespace

EditResult keyPress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, CanvasKey key,
                    bool fine, double pixelRatio)
{
    // The keyboard's use shows the focus frame and the cursor.
    const bool shown = canvas.keyboardFocusShown;
    EditResult result = canvasKeyRule(canvas, view, projection, key, fine, pixelRatio);
    canvas.keyboardFocusShown = true;
    result.repaint = result.repaint || !shown;
    return settled(canvas, std::move(result));
}

EditResult focusGained(CanvasModel &canvas, bool fromKeyboard)
{
    canvas.keyboardFocusShown = fromKeyboard;
    EditResult result;
    result.repaint = fromKeyboard;
    return settled(canvas, std::move(result));
}

std::optional<CanvasKey> canvasKeyNamed(std::string_view name)
{
    for (const CanvasKeyName &key : kCanvasKeyNames)
        if (name == key.name)
            return key.key;
    return std::nullopt;
}

std::string canvasDescription(const CanvasModel &canvas, const ViewTransform &view, const Projection &projection,
                              double pixelRatio)
{
    const char *modes[] = {"Delete mode. ", "Add mode. ", "Move mode. "};
    const bool known = canvas.userMode >= kDeleteMode && canvas.userMode <= kMoveMode;
    return (known ? modes[canvas.userMode] : "") + countText(canvas.controlPoints.size()) + " "
           + cursorSentence(canvas, view, projection, pixelRatio) + " " + kCanvasKeysHint;
}

std::string curveSummary(const CanvasModel &canvas)
{
    const Polyline &points = canvas.controlPoints;
    if (points.empty())
        return countText(0);
    std::string summary = countText(points.size());
    summary.pop_back();
    if (points.size() == 1)
        return summary + ", at " + positionOf(points.front()) + ".";
    const auto [left, right] = std::minmax_element(points.begin(), points.end(),
                                                   [](const Point3 &a, const Point3 &b) { return a.x < b.x; });
    const auto [bottom, top] = std::minmax_element(points.begin(), points.end(),
                                                   [](const Point3 &a, const Point3 &b) { return a.y < b.y; });
    return summary + ", from " + positionOf(points.front()) + " to " + positionOf(points.back()) + ", x from "
           + coordinateText(left->x) + " to " + coordinateText(right->x) + ", y from " + coordinateText(bottom->y)
           + " to " + coordinateText(top->y) + ".";
}

EditResult focusLost(CanvasModel &canvas)
{
    EditResult result;
    result.repaint = canvas.keyboardFocusShown;
    canvas.keyboardFocusShown = false;
    result.announcement = drop(canvas);
    return settled(canvas, result);
}

namespace {

EditResult restore(CanvasModel &canvas, std::optional<HistoryStep> step, const char *done, const char *nothing)
{
    if (!step) {
        EditResult result;
        result.announcement = nothing;
        return result;
    }
    canvas.replaceControlPoints(std::move(step->state.controlPoints));
    canvas.selectedPoint = step->state.selectedPoint;
    EditResult result = repaintOnly();
    result.levelsNeedRebuild = true;
    result.countChanged = true;
    result.announcement = done + step->change;
    return result;
}

} // namespace

bool canUndo(const CanvasModel &canvas)
{
    return !canvas.hold.active && canvas.history.canUndo();
}

bool canRedo(const CanvasModel &canvas)
{
    return !canvas.hold.active && canvas.history.canRedo();
}

EditResult undo(CanvasModel &canvas)
{
    if (canvas.hold.active)
        return settled(canvas, {});
    return settled(canvas, restore(canvas, canvas.history.undo(snapshotOf(canvas)), "Undone: ", "Nothing to undo."));
}

EditResult redo(CanvasModel &canvas)
{
    if (canvas.hold.active)
        return settled(canvas, {});
    return settled(canvas, restore(canvas, canvas.history.redo(snapshotOf(canvas)), "Redone: ", "Nothing to redo."));
}

EditResult setControlPointCoordinate(CanvasModel &canvas, int index, int axis, const std::string &text)
{
    const Polyline &points = canvas.controlPoints;
    if (index < 0 || index >= static_cast<int>(points.size()) || axis < 0 || axis > 1)
        return settled(canvas, {});
    EditResult result;
    const std::string dropped = drop(canvas);
    Point3 point = points[index];
    double &value = axis == 0 ? point.x : point.y;
    const char *name = axis == 0 ? "x" : "y";
    // What is shown is rounded: committing it unchanged must not round the point.
    result.pointShownAgain = index;
    if (text == coordinateText(value)) {
        result.announcement = dropped;
        return settled(canvas, result);
    }
    const char *begin = text.c_str();
    char *end = nullptr;
    const double typed = std::strtod(begin, &end);
    while (end != begin && *end == ' ')
        ++end;
    if (end == begin || *end != '\0' || !(std::fabs(typed) <= kCoordinateLimit)) {
        result.announcement = followedBy(dropped, pointNumber(index) + "'s " + name + " must be " + coordinateRangeText()
                                                      + ": it stays "
                                                      + coordinateText(value) + ".");
        return settled(canvas, result);
    }
    CanvasSnapshot before = snapshotOf(canvas);
    value = typed;
    canvas.moveControlPoint(static_cast<std::size_t>(index), point);
    const std::string moved = movedSentence(canvas, index);
    canvas.history.record(std::move(before), moved);
    result = repaintOnly();
    result.levelsNeedRebuild = true;
    result.announcement = followedBy(dropped, moved);
    return settled(canvas, result);
}

EditResult pastePoints(CanvasModel &canvas, std::string_view text)
{
    const std::string dropped = drop(canvas);
    PointsReading reading = readPoints(text);
    EditResult result;
    if (!reading.error.empty()) {
        result.announcement = followedBy(dropped, "Nothing pasted: " + reading.error + ".");
        return settled(canvas, result);
    }
    const std::string pasted = pointAmount(reading.points.size()) + " pasted.";
    canvas.history.record(snapshotOf(canvas), pasted);
    canvas.replaceControlPoints(std::move(reading.points));
    canvas.selectedPoint = -1;
    result = repaintOnly();
    result.levelsNeedRebuild = true;
    result.countChanged = true;
    result.announcement = followedBy(dropped, pasted);
    return settled(canvas, result);
}

std::string copiedPoints(const CanvasModel &canvas)
{
    return pointsCsv(canvas.controlPoints);
}

CurveLink linkOf(const CanvasModel &canvas)
{
    CurveLink link;
    link.points = canvas.controlPoints;
    link.selectedPoint = canvas.selectedPoint;
    link.drawLevel = canvas.drawLevel;
    link.zoomValue = static_cast<int>(std::lround(canvas.zoom / kZoomStep));
    link.rotation = static_cast<int>(std::lround(canvas.zRot));
    link.showConvexHull = canvas.showConvexHull;
    link.showSubDivPoints = canvas.showSubDivPoints;
    return link;
}

EditResult openLink(CanvasModel &canvas, const CurveLink &link, bool undoable)
{
    drop(canvas);
    const std::string opened = "Link opened. " + countText(link.points.size());
    if (undoable && link.points != canvas.controlPoints)
        canvas.history.record(snapshotOf(canvas), opened);
    canvas.replaceControlPoints(link.points);
    canvas.selectedPoint = link.selectedPoint;
    // The view by its own rules; the result below covers all they change.
    changeDrawLevel(canvas, link.drawLevel);
    setZoom(canvas, link.zoomValue);
    setZRotation(canvas, link.rotation);
    setShowConvexHull(canvas, link.showConvexHull);
    setShowSubDivPoints(canvas, link.showSubDivPoints);
    EditResult result = drawingChanged();
    result.levelsNeedRebuild = true;
    result.countChanged = true;
    result.announcement = undoable ? opened : std::string();
    return settled(canvas, result);
}

} // namespace bezier
