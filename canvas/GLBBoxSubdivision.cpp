// Subdivision levels of the canvas: a cache of the curve at every depth up to the drawn one.
#include "canvas/GLBBox.h"
#include "canvas/Subdivision.h"

void GLBBox::recomputeLevels()
{
    updateLevels(levels, computedLevel, drawLevel, controlPoints, levelStorage);
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
