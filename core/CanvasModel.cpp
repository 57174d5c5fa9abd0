#include "core/CanvasModel.h"

#include "core/ConvexHull.h"

#include <cstddef>
#include <utility>

namespace bezier {

void CanvasModel::appendControlPoint(const Point3 &point)
{
    controlPoints.push_back(point);
}

void CanvasModel::eraseControlPoint(std::size_t index)
{
    controlPoints.erase(controlPoints.begin() + static_cast<std::ptrdiff_t>(index));
}

// The count stays: only marking the cache stale makes the next recompute rebuild it.
void CanvasModel::moveControlPoint(std::size_t index, const Point3 &point)
{
    controlPoints[index] = point;
    markLevelsStale();
}

void CanvasModel::replaceControlPoints(Polyline points)
{
    controlPoints = std::move(points);
    markLevelsStale();
}

void CanvasModel::clearControlPoints()
{
    // Assigning empty containers releases their memory as well.
    controlPoints = Polyline();
    curve = Polyline();
    levels = PolylineList();
    hull = Polyline();
}

void CanvasModel::recomputeLevels()
{
    updateLevels(levels, computedLevel, drawLevel, controlPoints, levelStorage);
    if (!levels.empty())
        curve = levels.back();
    if (showConvexHull)
        computeConvexHull();
}

void CanvasModel::computeConvexHull()
{
    hull = convexHull(controlPoints);
}

int CanvasModel::nearestControlPoint(const ViewTransform &view, const Projection &projection, double mx,
                                     double my) const
{
    double best = 2e32;
    int index = 0;
    for (int i = 0; i < static_cast<int>(controlPoints.size()); ++i) {
        // GLU leaves the output alone where it fails; the callers' outputs start at 0.
        const Point3 p = projection.project(view, controlPoints[i]).value_or(Point3{});
        const double d2 = (mx - p.x) * (mx - p.x) + (my - p.y) * (my - p.y);
        if (d2 < best) {
            best = d2;
            index = i;
        }
    }
    return index;
}

} // namespace bezier
