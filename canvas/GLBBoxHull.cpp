// Convex hull of the canvas's control points.
#include "canvas/GLBBox.h"

void GLBBox::computeConvexHull()
{
    ::computeConvexHull(state());
}

void GLBBox::setShowConvexHull(bool show)
{
    ::setShowConvexHull(state(), show);
    buildCurveList();
    updateGL();
}
