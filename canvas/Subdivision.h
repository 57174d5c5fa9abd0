#pragma once

#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

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

// Brings the level cache to `depth`: levels[k] is level k of the control points, and
// computedLevel the index of the last level held. The cache is kept only while it holds a
// level, its level 0 has as many points as there are control points and computedLevel is
// not 0; otherwise it restarts from the control points. Raising the depth subdivides only
// the missing levels, lowering it drops levels from the end. With no control points the
// cache is one empty level; a negative depth empties it.
void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints);
