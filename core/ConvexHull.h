#pragma once

#include "geometry/Polyline.h"

namespace bezier {

// Direction from (x1, y1) to (x2, y2) in degrees, counterclockwise from +y:
// up 0, left 90, down 180, right 270.
double directionAngle(double x1, double y1, double x2, double y2);

// The convex hull of the points' x and y by a gift-wrapping walk over direction angles:
// counterclockwise, z = 0, closed by a copy of its first vertex. Fewer than three points
// give an empty hull; exactly three are returned as given, closed.
Polyline convexHull(const Polyline &points);

} // namespace bezier
