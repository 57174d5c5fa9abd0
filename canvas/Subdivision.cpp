#include "canvas/Subdivision.h"

#include <algorithm>
#include <cassert>
#include <thread>

namespace {

constexpr std::size_t kCoordinates = 3;
// Below this many midpoints a level is split on the calling thread: starting a thread costs
// about as much as this work.
constexpr double kMidpointsPerWorker = 250000.0;

// The de Casteljau triangle of points[0..m], computed one row at a time over the previous
// row, in place: point j of a row is the midpoint of points j and j + 1 of the row above, so
// overwriting j while walking j upwards never reads a value of the new row. Writes the
// split's first 2m points; the last one, points[m], is the caller's.
[[gnu::always_inline]] inline void splitPiece(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    for (std::size_t i = 0; i <= m; ++i) {
        row[kCoordinates * i] = points[i].x;
        row[kCoordinates * i + 1] = points[i].y;
        row[kCoordinates * i + 2] = points[i].z;
    }
    out[0] = points[0];
    for (std::size_t r = 1; r <= m; ++r) {
        const std::size_t rowValues = kCoordinates * (m - r + 1);
        for (std::size_t i = 0; i < rowValues; ++i)
            row[i] = (row[i] + row[i + kCoordinates]) * 0.5;
        out[r] = {row[0], row[1], row[2]};
        out[2 * m - r] = {row[rowValues - 3], row[rowValues - 2], row[rowValues - 1]};
    }
}

void splitPieceBaseline(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}

using SplitPiece = void (*)(const Point3 *, std::size_t, Point3 *, double *);

#if defined(__x86_64__) || defined(__i386__)

[[gnu::target("avx2")]] void splitPieceAvx2(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}

[[gnu::target("avx512f")]] void splitPieceAvx512(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}

SplitPiece splitPieceFor(VectorPath path)
{
    switch (path) {
    case VectorPath::Avx512:
        return splitPieceAvx512;
    case VectorPath::Avx2:
        return splitPieceAvx2;
    case VectorPath::Baseline:
        break;
    }
    return splitPieceBaseline;
}

#else

// Other processors build the kernel for their baseline vector unit only.
SplitPiece splitPieceFor(VectorPath)
{
    return splitPieceBaseline;
}

#endif

// Splits pieces [first, last) of `level` into `next`; each writes the 2m points it owns.
void splitPieces(const Polyline &level, std::size_t m, std::size_t first, std::size_t last, Polyline &next,
                 std::vector<double> &rows)
{
    const SplitPiece split = splitPieceFor(fastestVectorPath());
    rows.resize(kCoordinates * (m + 1));
    for (std::size_t piece = first; piece < last; ++piece)
        split(level.data() + piece * m, m, next.data() + 2 * m * piece, rows.data());
}

std::size_t workersFor(std::size_t pieces, std::size_t m)
{
    const double midpoints = static_cast<double>(pieces) * static_cast<double>(m) * static_cast<double>(m + 1) / 2.0;
    const std::size_t wanted = static_cast<std::size_t>(midpoints / kMidpointsPerWorker) + 1;
    static const std::size_t available = std::max(1u, std::thread::hardware_concurrency());
    return std::min({wanted, available, pieces, kMaxWorkers});
}

// A polyline for the next level: the storage of a dropped one when there is one.
Polyline takeSpare(LevelStorage &storage)
{
    if (storage.spareLevels.empty())
        return {};
    Polyline spare = std::move(storage.spareLevels.back());
    storage.spareLevels.pop_back();
    return spare;
}

void dropLastLevel(PolylineList &levels, LevelStorage &storage)
{
    storage.spareLevels.push_back(std::move(levels.back()));
    levels.pop_back();
}

} // namespace

bool vectorPathSupported(VectorPath path)
{
#if defined(__x86_64__) || defined(__i386__)
    switch (path) {
    case VectorPath::Avx512:
        return __builtin_cpu_supports("avx512f");
    case VectorPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case VectorPath::Baseline:
        break;
    }
    return true;
#else
    return path == VectorPath::Baseline;
#endif
}

VectorPath fastestVectorPath()
{
    static const VectorPath fastest = vectorPathSupported(VectorPath::Avx512) ? VectorPath::Avx512
                                      : vectorPathSupported(VectorPath::Avx2) ? VectorPath::Avx2
                                                                              : VectorPath::Baseline;
    return fastest;
}

void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &rows, VectorPath path)
{
    assert(count > 0);
    const std::size_t m = count - 1;
    rows.resize(kCoordinates * count);
    splitPieceFor(path)(points, m, out, rows.data());
    out[2 * m] = points[m];
}

Polyline subdivide(const Polyline &polygon)
{
    if (polygon.empty())
        return {};
    Polyline result(2 * polygon.size() - 1);
    std::vector<double> rows;
    subdivideInto(polygon.data(), polygon.size(), result.data(), rows);
    return result;
}

void subdivideLevelInto(const Polyline &level, std::size_t pieceSize, Polyline &next, LevelStorage &storage)
{
    if (pieceSize < 2 || level.size() < 2) {
        next = level;
        return;
    }
    const std::size_t m = pieceSize - 1;
    assert((level.size() - 1) % m == 0);
    const std::size_t pieces = (level.size() - 1) / m;
    next.resize(2 * m * pieces + 1);

    // Each worker splits a run of whole pieces; the pieces' shared end points are written
    // once, by the piece that starts there, and the level's last point here.
    const std::size_t workers = workersFor(pieces, m);
    forkJoin(workers, [&](std::size_t worker) {
        splitPieces(level, m, pieces * worker / workers, pieces * (worker + 1) / workers, next, storage.rows[worker]);
    });
    next.back() = level.back();
}

Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize)
{
    LevelStorage storage;
    Polyline next;
    subdivideLevelInto(level, pieceSize, next, storage);
    return next;
}

void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints,
                  LevelStorage &storage)
{
    // Only the point count is compared; an edit that keeps the count marks the cache stale
    // by setting computedLevel to 0.
    const bool reusable = !levels.empty() && levels.front().size() == controlPoints.size() && computedLevel != 0;
    if (!reusable) {
        while (!levels.empty())
            dropLastLevel(levels, storage);
        Polyline first = takeSpare(storage);
        first.assign(controlPoints.begin(), controlPoints.end());
        levels.push_back(std::move(first));
        computedLevel = 0;
    }

    while (computedLevel != depth) {
        if (controlPoints.empty())
            break;
        if (computedLevel < depth) {
            Polyline next = takeSpare(storage);
            subdivideLevelInto(levels.back(), levels.front().size(), next, storage);
            levels.push_back(std::move(next));
            ++computedLevel;
        } else if (levels.empty()) {
            computedLevel = depth;
            break;
        } else {
            dropLastLevel(levels, storage);
            --computedLevel;
        }
    }
}
