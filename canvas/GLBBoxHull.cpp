// Convex hull of the canvas's control points.
#include "canvas/ConvexHull.h"
#include "canvas/GLBBox.h"

void GLBBox::computeConvexHull()
{
    hull = convexHull(controlPoints);
}

void GLBBox::setShowConvexHull(bool show)
{
    showConvexHull = show;
    // Recomputed either way: while hidden the hull is not kept up to date.
    computeConvexHull();
    buildCurveList();
    updateGL();
}
