#pragma once

#include "core/ForkJoin.h"
#include "core/MidpointKernel.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <array>
#include <cstddef>
#include <vector>

namespace bezier {

// One de Casteljau split at t = 1/2 of the control polygon P0..Pm.
// Returns L0..Lm followed by Rm-1..R0 (2m + 1 points); one point stays one point,
// an empty polygon gives an empty result.
Polyline subdivide(const Polyline &polygon);

// The same split for the `count` points at `points`, written to out[0 .. 2(count - 1)].
// `scratch` is reused between calls, so a caller splitting many polygons allocates once.
void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &scratch,
                   VectorPath path = fastestVectorPath());

// What the level cache keeps between rebuilds so that a rebuild of the same sizes, as in a
// drag, allocates nothing: the storage of dropped levels and each worker's scratch.
struct LevelStorage
{
    PolylineList spareLevels;
    std::array<std::vector<double>, kMaxWorkers> scratch;
};

// The next subdivision level: `level` is a chain of Bezier pieces of `pieceSize` points
// each, consecutive pieces sharing their end points. Every piece is split on its own and
// the halves are joined, so the result is again such a chain, with twice as many pieces.
// Large levels are split by several threads; the result is the same.
void subdivideLevelInto(const Polyline &level, std::size_t pieceSize, Polyline &next, LevelStorage &storage,
                        VectorPath path = fastestVectorPath());

// The same, into a new polyline.
Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize, VectorPath path = fastestVectorPath());

// Level `depth` of the sequence of `count` numbers that is 1 at `index` and 0 elsewhere: as every
// level is linear in the control points, the weight of control point `index` in each point of
// that level. Computed on one coordinate, so at a third of a rebuild's work.
void levelWeights(std::size_t count, std::size_t index, int depth, std::vector<double> &weights);

// Brings the level cache to `depth`: levels[k] is level k of the control points, and
// computedLevel the index of the last level held. The cache is kept only while it holds a
// level, its level 0 has as many points as there are control points and computedLevel is
// not 0; otherwise it restarts from the control points. Raising the depth subdivides only
// the missing levels, lowering it drops levels from the end. With no control points the
// cache is one empty level; a negative depth empties it. Dropped levels leave their storage
// in `storage` for the next rebuild.
void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints,
                  LevelStorage &storage, VectorPath path = fastestVectorPath());

} // namespace bezier
