#include "core/Subdivision.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <thread>

namespace bezier {

namespace {

// A level is split between threads only where each gets a million midpoints or more: a fork and
// join of two threads costs about 60 us natively and 300 to 400 us in a browser (a message to a
// waiting worker), and a million midpoints take 150 to 300 us of the native kernel and 700 us
// of the WebAssembly one. At 100 control points no level is split: in the page, the two largest
// levels on two threads made each drag event 0.6 ms slower.
constexpr double kMidpointsPerWorker = 1000000.0;

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

void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &scratch,
                   VectorPath path)
{
    assert(count > 0);
    const std::size_t m = count - 1;
    splitPieces(points, m, 1, out, scratch, path);
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

void subdivideLevelInto(const Polyline &level, std::size_t pieceSize, Polyline &next, LevelStorage &storage,
                        VectorPath path)
{
    if (pieceSize < 2 || level.size() < 2) {
        next = level;
        return;
    }
    const std::size_t m = pieceSize - 1;
    assert((level.size() - 1) % m == 0);
    const std::size_t pieces = (level.size() - 1) / m;
    next.resize(2 * m * pieces + 1);

    // Each worker splits a run of whole batches of pieces (of single pieces where there are
    // fewer than a batch); the pieces' shared end points are written once, by the piece that
    // starts there, and the level's last point here.
    const std::size_t lanes = lanesOf(path);
    const std::size_t unit = pieces < lanes ? 1 : lanes;
    const std::size_t units = (pieces + unit - 1) / unit;
    const std::size_t workers = std::min(workersFor(pieces, m), units);
    forkJoin(workers, [&](std::size_t worker) {
        const std::size_t first = std::min(pieces, units * worker / workers * unit);
        const std::size_t last = std::min(pieces, units * (worker + 1) / workers * unit);
        splitPieces(level.data() + first * m, m, last - first, next.data() + 2 * m * first, storage.scratch[worker],
                    path);
    });
    next.back() = level.back();
}

void levelWeights(std::size_t count, std::size_t index, int depth, std::vector<double> &weights)
{
    weights.assign(count, 0.0);
    if (index < count)
        weights[index] = 1.0;
    if (count < 2)
        return;
    const std::size_t m = count - 1;
    // A weight below this moves a point by less than 2^-60 of the held point's way: far inside the
    // drag's tolerance. A piece whose weights all lie below it, and every piece split from it,
    // are taken as zero, which spares most of the work where a long curve's basis function is
    // concentrated in a small part of it.
    constexpr double kNegligible = 0x1p-60;
    std::vector<double> next;
    std::array<std::vector<double>, kMaxWorkers> rows;
    for (int level = 0; level < depth; ++level) {
        const std::size_t pieces = (weights.size() - 1) / m;
        next.assign(2 * m * pieces + 1, 0.0);
        const std::size_t workers = workersFor(pieces, m);
        forkJoin(workers, [&](std::size_t worker) {
            std::vector<double> &row = rows[worker];
            row.resize(count);
            for (std::size_t piece = pieces * worker / workers; piece < pieces * (worker + 1) / workers; ++piece) {
                const double *in = weights.data() + piece * m;
                if (std::all_of(in, in + count, [](double w) { return std::fabs(w) < kNegligible; }))
                    continue;
                // de Casteljau at 1/2: the left half's points are the rows' first, the right
                // half's their last, in reverse.
                std::copy_n(in, count, row.begin());
                // The end point the next piece starts at is that piece's to write.
                double *out = next.data() + 2 * m * piece;
                out[0] = row[0];
                for (std::size_t r = 1; r <= m; ++r) {
                    for (std::size_t i = 0; i + r <= m; ++i)
                        row[i] = (row[i] + row[i + 1]) * 0.5;
                    out[r] = row[0];
                    out[2 * m - r] = row[m - r];
                }
            }
        });
        next.back() = weights.back();
        weights.swap(next);
    }
}

Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize, VectorPath path)
{
    LevelStorage storage;
    Polyline next;
    subdivideLevelInto(level, pieceSize, next, storage, path);
    return next;
}

void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints,
                  LevelStorage &storage, VectorPath path)
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
            subdivideLevelInto(levels.back(), levels.front().size(), next, storage, path);
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

} // namespace bezier
