#pragma once

#include "canvas/ForkJoin.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <array>
#include <cstddef>
#include <vector>

// The instruction sets the subdivision kernel is built for. Each gives results bit for bit
// equal to the others: the kernel only adds and halves, and nothing is contracted or
// reordered.
enum class VectorPath { Baseline, Avx2, Avx512 };

bool vectorPathSupported(VectorPath path);

// The widest path this processor runs.
VectorPath fastestVectorPath();

// One de Casteljau split at t = 1/2 of the control polygon P0..Pm.
// Returns L0..Lm followed by Rm-1..R0 (2m + 1 points); one point stays one point,
// an empty polygon gives an empty result.
Polyline subdivide(const Polyline &polygon);

// The same split for the `count` points at `points`, written to out[0 .. 2(count - 1)].
// `rows` is scratch space reused between calls, so a caller splitting many pieces
// allocates once.
void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &rows,
                   VectorPath path = fastestVectorPath());

// What the level cache keeps between rebuilds so that a rebuild of the same sizes, as in a
// drag, allocates nothing: the storage of dropped levels and each worker's scratch rows.
struct LevelStorage
{
    PolylineList spareLevels;
    std::array<std::vector<double>, kMaxWorkers> rows;
};

// The next subdivision level: `level` is a chain of Bezier pieces of `pieceSize` points
// each, consecutive pieces sharing their end points. Every piece is split on its own and
// the halves are joined, so the result is again such a chain, with twice as many pieces.
// Large levels are split by several threads; the result is the same.
void subdivideLevelInto(const Polyline &level, std::size_t pieceSize, Polyline &next, LevelStorage &storage);

// The same, into a new polyline.
Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize);

// Brings the level cache to `depth`: levels[k] is level k of the control points, and
// computedLevel the index of the last level held. The cache is kept only while it holds a
// level, its level 0 has as many points as there are control points and computedLevel is
// not 0; otherwise it restarts from the control points. Raising the depth subdivides only
// the missing levels, lowering it drops levels from the end. With no control points the
// cache is one empty level; a negative depth empties it. Dropped levels leave their storage
// in `storage` for the next rebuild.
void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints,
                  LevelStorage &storage);
