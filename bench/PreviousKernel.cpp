#include "PreviousKernel.h"

#include <algorithm>
#include <thread>

using namespace bezier;

namespace {

constexpr std::size_t kCoordinates = 3;
constexpr double kMidpointsPerWorker = 250000.0;

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

using SplitPiece = void (*)(const Point3 *, std::size_t, Point3 *, double *);

void splitPieceBaseline(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] void splitPieceAvx2(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}

[[gnu::target("avx512f")]] void splitPieceAvx512(const Point3 *points, std::size_t m, Point3 *out, double *row)
{
    splitPiece(points, m, out, row);
}
#endif

SplitPiece splitPieceFor(VectorPath path)
{
#if defined(__x86_64__) || defined(__i386__)
    switch (path) {
    case VectorPath::Avx512:
        return splitPieceAvx512;
    case VectorPath::Avx2:
        return splitPieceAvx2;
    case VectorPath::Baseline:
        break;
    }
#endif
    return splitPieceBaseline;
}

void subdivideLevel(const Polyline &level, std::size_t m, Polyline &next, LevelStorage &storage, VectorPath path)
{
    const std::size_t pieces = (level.size() - 1) / m;
    next.resize(2 * m * pieces + 1);
    const double midpoints = static_cast<double>(pieces) * static_cast<double>(m) * static_cast<double>(m + 1) / 2.0;
    static const std::size_t available = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min(
        {static_cast<std::size_t>(midpoints / kMidpointsPerWorker) + 1, available, pieces, kMaxWorkers});
    const SplitPiece split = splitPieceFor(path);
    forkJoin(workers, [&](std::size_t worker) {
        std::vector<double> &row = storage.scratch[worker];
        row.resize(kCoordinates * (m + 1));
        for (std::size_t piece = pieces * worker / workers; piece < pieces * (worker + 1) / workers; ++piece)
            split(level.data() + piece * m, m, next.data() + 2 * m * piece, row.data());
    });
    next.back() = level.back();
}

} // namespace

void previousSubdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &row)
{
    const std::size_t m = count - 1;
    row.resize(kCoordinates * count);
    splitPieceFor(fastestVectorPath())(points, m, out, row.data());
    out[2 * m] = points[m];
}

void previousRebuildLevels(PolylineList &levels, const Polyline &controlPoints, int depth, LevelStorage &storage,
                           VectorPath path)
{
    levels.resize(static_cast<std::size_t>(depth) + 1);
    levels[0].assign(controlPoints.begin(), controlPoints.end());
    for (int k = 1; k <= depth; ++k)
        subdivideLevel(levels[k - 1], controlPoints.size() - 1, levels[k], storage, path);
}
