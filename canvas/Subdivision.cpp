#include "canvas/Subdivision.h"

#include <cassert>

namespace {

constexpr std::size_t kCoordinates = 3;

} // namespace

void subdivideInto(const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &rows)
{
    assert(count > 0);
    const std::size_t m = count - 1;
    out[0] = points[0];
    out[2 * m] = points[m];

    // The triangle is computed one row at a time over the previous row, in place: point j
    // of a row is the midpoint of points j and j + 1 of the row above, so overwriting j
    // while walking j upwards never reads a value of the new row.
    rows.resize(kCoordinates * count);
    double *row = rows.data();
    for (std::size_t i = 0; i < count; ++i) {
        row[kCoordinates * i] = points[i].x;
        row[kCoordinates * i + 1] = points[i].y;
        row[kCoordinates * i + 2] = points[i].z;
    }
    for (std::size_t r = 1; r <= m; ++r) {
        const std::size_t rowValues = kCoordinates * (m - r + 1);
        for (std::size_t i = 0; i < rowValues; ++i)
            row[i] = (row[i] + row[i + kCoordinates]) * 0.5;
        out[r] = {row[0], row[1], row[2]};
        out[2 * m - r] = {row[rowValues - 3], row[rowValues - 2], row[rowValues - 1]};
    }
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

Polyline subdivideLevel(const Polyline &level, std::size_t pieceSize)
{
    if (pieceSize < 2 || level.size() < 2)
        return level;
    const std::size_t m = pieceSize - 1;
    assert((level.size() - 1) % m == 0);
    const std::size_t pieces = (level.size() - 1) / m;

    // Each split writes 2m + 1 points; its last one is the next split's first, the end
    // point the two pieces share, so it is written twice with the same value.
    Polyline next(2 * m * pieces + 1);
    std::vector<double> rows;
    for (std::size_t piece = 0; piece < pieces; ++piece)
        subdivideInto(level.data() + piece * m, pieceSize, next.data() + 2 * m * piece, rows);
    return next;
}

void updateLevels(PolylineList &levels, int &computedLevel, int depth, const Polyline &controlPoints)
{
    // Only the point count is compared; an edit that keeps the count marks the cache stale
    // by setting computedLevel to 0.
    const bool reusable = !levels.empty() && levels.front().size() == controlPoints.size() && computedLevel != 0;
    if (!reusable) {
        levels.clear();
        levels.push_back(controlPoints);
        computedLevel = 0;
    }

    while (computedLevel != depth) {
        if (controlPoints.empty())
            break;
        if (computedLevel < depth) {
            levels.push_back(subdivideLevel(levels.back(), levels.front().size()));
            ++computedLevel;
        } else if (levels.empty()) {
            computedLevel = depth;
            break;
        } else {
            levels.pop_back();
            --computedLevel;
        }
    }
}
