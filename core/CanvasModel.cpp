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

// The count stays: only marking the cache stale makes the next recompute rebuild it, but for the
// held point, whose influence updates the drawn level.
void CanvasModel::moveControlPoint(std::size_t index, const Point3 &point)
{
    controlPoints[index] = point;
    if (influence.held && index == influence.index && influence.level == drawLevel && computedLevel == drawLevel
        && !levels.empty() && levels.front().size() == controlPoints.size())
        influence.moved = true;
    else
        markLevelsStale();
}

void CanvasModel::holdControlPoint(std::size_t index)
{
    influence.held = true;
    influence.index = index;
    influence.level = -1;
    recomputeLevels();
}

void CanvasModel::releaseControlPoint()
{
    if (!influence.held)
        return;
    // The levels are still the pick's where the held point moved since.
    if (approximate || influence.moved)
        markLevelsStale();
    // Assigning an empty influence hands its memory back.
    influence = HeldInfluence();
}

void CanvasModel::takeInfluence()
{
    if (influence.level != drawLevel) {
        levelWeights(controlPoints.size(), influence.index, drawLevel, influence.weights);
        influence.level = drawLevel;
    }
    influence.origin = controlPoints[influence.index];
}

void CanvasModel::applyInfluence()
{
    const Point3 d{controlPoints[influence.index].x - influence.origin.x,
                   controlPoints[influence.index].y - influence.origin.y,
                   controlPoints[influence.index].z - influence.origin.z};
    // The levels stay as they were at the pick: the drawn one is the base, the curve the result.
    const Polyline &base = levels.back();
    curve.resize(base.size());
    const double *w = influence.weights.data();
    for (std::size_t i = 0; i < base.size(); ++i)
        curve[i] = {base[i].x + w[i] * d.x, base[i].y + w[i] * d.y, base[i].z + w[i] * d.z};
    influence.moved = false;
    approximate = true;
}

void CanvasModel::replaceControlPoints(Polyline points)
{
    controlPoints = std::move(points);
    markLevelsStale();
}

void CanvasModel::clearControlPoints()
{
    releaseControlPoint();
    approximate = false;
    // Assigning empty containers releases their memory as well.
    controlPoints = Polyline();
    curve = Polyline();
    levels = PolylineList();
    hull = Polyline();
}

void CanvasModel::recomputeLevels()
{
    if (influence.moved && !levels.empty() && influence.weights.size() == levels.back().size()) {
        applyInfluence();
        if (showConvexHull)
            computeConvexHull();
        return;
    }
    // A curve made by an influence is never built on: anything but the held point's move rebuilds
    // the cache from the control points.
    if (approximate)
        markLevelsStale();
    approximate = false;
    influence.moved = false;
    updateLevels(levels, computedLevel, drawLevel, controlPoints, levelStorage);
    if (influence.held && !controlPoints.empty() && influence.index < controlPoints.size())
        takeInfluence();
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
