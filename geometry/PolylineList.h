#pragma once

#include "geometry/Polyline.h"

#include <vector>

// An ordered list of polylines, each held by value.
using PolylineList = std::vector<Polyline>;
