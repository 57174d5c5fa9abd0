#pragma once

#include "geometry/Polyline.h"

// The Bezier curve of the control points at t, by direct Bernstein evaluation in long
// double: an oracle independent of subdivision.
Point3 bezierPoint(const Polyline &controlPoints, double t);

// A fine polyline through the curve, for measuring distances to it.
Polyline sampleCurve(const Polyline &controlPoints, int segments = 4096);

// The distance from p to the polyline.
double distanceToPolyline(const Polyline &polyline, const Point3 &p);
