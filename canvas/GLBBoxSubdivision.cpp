// Subdivision levels of the canvas: a cache of the curve at every depth up to the drawn one.
#include "canvas/GLBBox.h"
#include "canvas/Subdivision.h"

void GLBBox::recomputeLevels()
{
    // Only the point count is compared; an edit that keeps the count marks the cache stale
    // by setting computedLevel to 0.
    const bool reusable = !levels.empty() && levels.front().size() == controlPoints.size() && computedLevel != 0;
    if (!reusable) {
        levels.clear();
        levels.push_back(controlPoints);
        computedLevel = 0;
    }

    while (computedLevel != drawLevel) {
        if (controlPoints.empty())
            break;
        if (computedLevel < drawLevel) {
            levels.push_back(subdivideLevel(levels.back(), levels.front().size()));
            ++computedLevel;
        } else if (levels.empty()) {
            computedLevel = drawLevel;
            break;
        } else {
            levels.pop_back();
            --computedLevel;
        }
    }

    if (!levels.empty())
        curve = levels.back();
    if (showConvexHull)
        computeConvexHull();
    buildCurveList();
}

void GLBBox::changeDrawLevel(int level)
{
    drawLevel = level;
    recomputeLevels();
    updateGL();
    emit newDrawLevel(drawLevel);
}
