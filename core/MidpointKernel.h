#pragma once

#include "geometry/Point3.h"

#include <cstddef>
#include <vector>

namespace bezier {

// The instruction sets the subdivision kernel is built for. Each gives results bit for bit
// equal to the others: the kernel only adds and halves, and nothing is contracted or
// reordered.
enum class VectorPath { Baseline, Avx2, Avx512 };

bool vectorPathSupported(VectorPath path);

// The widest path this processor runs.
VectorPath fastestVectorPath();

// How many pieces one batch splits at once on `path`: the doubles in one of its vectors.
std::size_t lanesOf(VectorPath path);

// Splits the `pieces` Bezier pieces of m + 1 points each that start at points[0], points[m],
// points[2m], ... (consecutive pieces share their end points). Piece p's halves go to
// out[2mp .. 2mp + 2m - 1]: L0..Lm, Rm-1..R1; R0, the piece's last point, is left to the
// caller. Every value is (a + b) * 0.5 of the same two operands as in the textbook triangle,
// so the results are the same bits on every path. `scratch` is reused between calls.
void splitPieces(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out, std::vector<double> &scratch,
                 VectorPath path);

} // namespace bezier
