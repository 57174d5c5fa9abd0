#pragma once

#include "geometry/Polyline.h"

#include <cstddef>
#include <vector>

// One de Casteljau split at t = 1/2 of the control polygon P0..Pm.
// Returns L0..Lm followed by Rm-1..R0 (2m + 1 points); one point stays one point,
// an empty polygon gives an empty result.
Polyline subdivide(const Polyline &polygon);

// The same split for the `count` points at `points`, written to out[0 .. 2(count - 1)].
// `rows` is scratch space reused between calls, so a caller splitting many pieces
// allocates once.
void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &rows);

// The next subdivision level: `level` is a chain of Bezier pieces of `pieceSize` points
// each, consecutive pieces sharing their end points. Every piece is split on its own and
// the halves are joined, so the result is again such a chain, with twice as many pieces.
Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize);
