#include "core/CanvasEditing.h"

#include "core/ConvexHull.h"

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

EditResult levelsChanged()
{
    EditResult edit;
    edit.levelsNeedRebuild = true;
    return edit;
}

// GL's window rows count upwards from the bottom.
int flipped(const ViewTransform &view, int y)
{
    return view.viewportHeight() - y - 1;
}

void pressInSelectMode(CanvasState canvas, const ViewTransform &view, const Projection &projection, int flippedY,
                       EditResult &result)
{
    result.trace += "Delete Mode\n";
    const int index = nearestControlPoint(canvas, view, projection, canvas.mouseX, flippedY);
    result.trace += "Selected Point is " + std::to_string(index) + " ";
    Polyline &points = canvas.controlPoints;
    if (index < static_cast<int>(points.size()))
        points.erase(points.begin() + index);
    result.countChanged = true;
    result.levelsNeedRebuild = true;
}

void pressInAddMode(CanvasState canvas, const ViewTransform &view, const Projection &projection, int flippedY,
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

void setXRotation(CanvasState canvas, int degrees)
{
    canvas.xRot = static_cast<float>(degrees % 360);
}

void setYRotation(CanvasState canvas, int degrees)
{
    canvas.yRot = static_cast<float>(degrees % 360);
}

void setZRotation(CanvasState canvas, int degrees)
{
    canvas.zRot = static_cast<float>(degrees % 360);
}

void setZoom(CanvasState canvas, int value)
{
    canvas.zoom = static_cast<float>(value * 0.025);
}

void setAddMode(CanvasState canvas)
{
    canvas.userMode = kAddMode;
}

void setMoveMode(CanvasState canvas)
{
    canvas.userMode = kMoveMode;
}

void setSelectMode(CanvasState canvas)
{
    canvas.userMode = kSelectMode;
}

EditResult deleteAllControlPoints(CanvasState canvas)
{
    // Assigning empty containers releases their memory as well.
    canvas.controlPoints = Polyline();
    canvas.curve = Polyline();
    canvas.levels = PolylineList();
    canvas.hull = Polyline();
    EditResult edit;
    edit.countChanged = true;
    return edit;
}

EditResult changeDrawLevel(CanvasState canvas, int level)
{
    canvas.drawLevel = level;
    return levelsChanged();
}

void togglepolyline(CanvasState canvas, bool show)
{
    canvas.showPolyline = show;
}

void setShowConvexHull(CanvasState canvas, bool show)
{
    canvas.showConvexHull = show;
    // Recomputed either way: while hidden the hull is not kept up to date.
    computeConvexHull(canvas);
}

void setShowSubDivPoints(CanvasState canvas, bool show)
{
    canvas.showSubDivPoints = show;
}

void recomputeLevels(CanvasState canvas)
{
    updateLevels(canvas.levels, canvas.computedLevel, canvas.drawLevel, canvas.controlPoints, canvas.levelStorage);
    if (!canvas.levels.empty())
        canvas.curve = canvas.levels.back();
    if (canvas.showConvexHull)
        computeConvexHull(canvas);
}

void computeConvexHull(CanvasState canvas)
{
    canvas.hull = convexHull(canvas.controlPoints);
}

MatrixF canvasModelview(CanvasState canvas)
{
    return canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot, canvas.zRot);
}

int nearestControlPoint(CanvasState canvas, const ViewTransform &view, const Projection &projection, double mx,
                        double my)
{
    double best = 2e32;
    int index = 0;
    for (int i = 0; i < static_cast<int>(canvas.controlPoints.size()); ++i) {
        // GLU leaves the output alone where it fails; the callers' outputs start at 0.
        const Point3 p = projection.project(view, canvas.controlPoints[i]).value_or(Point3{});
        const double d2 = (mx - p.x) * (mx - p.x) + (my - p.y) * (my - p.y);
        if (d2 < best) {
            best = d2;
            index = i;
        }
    }
    return index;
}

EditResult mousePress(CanvasState canvas, const ViewTransform &view, const Projection &projection, int x, int y,
                      int button)
{
    canvas.mouseX = x;
    canvas.mouseY = y;
    canvas.mouseButton = button;
    EditResult result;
    if (button != kLeftButton)
        return result;
    const int flippedY = flipped(view, y);
    result.trace = "Mouse coordinates: ( " + std::to_string(x) + ", " + std::to_string(flippedY) + " )\t  ";
    switch (canvas.userMode) {
    case kSelectMode:
        pressInSelectMode(canvas, view, projection, flippedY, result);
        break;
    case kAddMode:
        pressInAddMode(canvas, view, projection, flippedY, result);
        break;
    case kMoveMode:
        result.trace += "Move Mode\n";
        // The highlight shows once the curve is next drawn anew, at the first move event.
        canvas.selectedPoint = nearestControlPoint(canvas, view, projection, x, flippedY);
        break;
    default:
        result.trace += "Error, incorrect usermode code: " + std::to_string(canvas.userMode) + "\n";
        break;
    }
    result.trace += "\n";
    return result;
}

EditResult mouseMove(CanvasState canvas, const ViewTransform &view, const Projection &projection, int x, int y)
{
    const bool dragging = canvas.mouseButton == kLeftButton && canvas.userMode == kMoveMode
                          && canvas.selectedPoint >= 0
                          && canvas.selectedPoint < static_cast<int>(canvas.controlPoints.size());
    if (!dragging)
        return {};
    const std::optional<Point3> point = pointUnder(view, projection, x, flipped(view, y));
    if (!point)
        return {};
    canvas.controlPoints[canvas.selectedPoint] = *point;
    // Same count of points: only this marks the cached levels stale.
    canvas.computedLevel = 0;
    return levelsChanged();
}
