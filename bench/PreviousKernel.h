#pragma once

#include "core/Subdivision.h"

// The kernel of release 1.0, kept only so each benchmark run measures the current kernel
// against it on the same machine: one piece at a time over an interleaved x, y, z row.
void previousSubdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &row);

// Every level rebuilt from the control points as release 1.0 did, its levels split by as
// many threads as it chose, its loop compiled for `path`.
void previousRebuildLevels(PolylineList &levels, const Polyline &controlPoints, int depth, bezier::LevelStorage &storage,
                           bezier::VectorPath path);
