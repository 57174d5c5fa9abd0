#pragma once

#include "geometry/Point3.h"

#include <vector>

// An ordered run of points, held and copied by value.
using Polyline = std::vector<Point3>;
