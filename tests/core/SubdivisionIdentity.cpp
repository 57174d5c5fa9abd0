#include "SubdivisionIdentity.h"

#include "core/CanvasModel.h"

#include "core/Subdivision.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace bezier;

const std::pair<VectorPath, const char *> kVectorPaths[3] = {
    {VectorPath::Baseline, "baseline"}, {VectorPath::Avx2, "AVX2"}, {VectorPath::Avx512, "AVX-512"}};

namespace {

double valueOf(Values kind, std::mt19937_64 &random)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double u = unit(random);
    switch (kind) {
    case Values::Random:
        return 3.0 * u;
    case Values::NearOverflow:
        return std::numeric_limits<double>::max() * (u < 0 ? -0.5 + u / 2 : 0.5 + u / 2);
    case Values::Subnormal:
        return std::numeric_limits<double>::denorm_min() * std::floor(u * 4096.0);
    case Values::SignedZeros:
        return u < -0.8 ? -1.0 : u < 0 ? -0.0 : u < 0.8 ? 0.0 : 1.0;
    case Values::InfinitiesAndNaN: {
        const double specials[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
        return u > 0.7 ? specials[random() % 3] : 3.0 * u;
    }
    case Values::LoneSpike:
        break;
    }
    return 0.0;
}

bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

std::string failure(const char *path, const std::string &what, unsigned seed)
{
    return std::string(path) + ", " + what + ", seed " + std::to_string(seed);
}

} // namespace

Polyline fullTriangleSubdivide(const Polyline &p)
{
    if (p.empty())
        return {};
    const std::size_t m = p.size() - 1;
    std::vector<Polyline> rows{p};
    for (std::size_t r = 1; r <= m; ++r) {
        Polyline row;
        const Polyline &above = rows.back();
        for (std::size_t j = 0; j + 1 < above.size(); ++j)
            row.push_back({(above[j].x + above[j + 1].x) * 0.5, (above[j].y + above[j + 1].y) * 0.5,
                           (above[j].z + above[j + 1].z) * 0.5});
        rows.push_back(row);
    }
    Polyline result;
    for (const Polyline &row : rows)
        result.push_back(row.front());
    for (std::size_t r = m; r-- > 0;)
        result.push_back(rows[r].back());
    return result;
}

bool bitIdentical(const Polyline &a, const Polyline &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Point3 &p, const Point3 &q) {
               return sameValue(p.x, q.x) && sameValue(p.y, q.y) && sameValue(p.z, q.z);
           });
}

Polyline polygonOf(Values kind, std::mt19937_64 &random, std::size_t size)
{
    Polyline polygon(size);
    for (Point3 &p : polygon)
        p = {valueOf(kind, random), valueOf(kind, random), valueOf(kind, random)};
    if (kind == Values::LoneSpike && size > 0)
        polygon[random() % size].y = 1e-10;
    return polygon;
}

std::vector<IdentityCase> identityCases()
{
    const std::pair<const char *, Values> kinds[] = {
        {"random", Values::Random},       {"near overflow", Values::NearOverflow},
        {"subnormal", Values::Subnormal}, {"signed zeros", Values::SignedZeros},
        {"inf and NaN", Values::InfinitiesAndNaN}, {"lone spike", Values::LoneSpike}};
    std::vector<IdentityCase> cases;
    for (const auto &[name, kind] : kinds)
        for (int size : {1, 2, 3, 4, 7, 9, 12, 16, 17, 33, 100, 257, 600})
            cases.push_back({std::string(name) + ", " + std::to_string(size) + " points", size, kind});
    return cases;
}

// One polygon alone and chains of pieces: fewer pieces than a vector has lanes, whole batches,
// and batches with 1 to 7 pieces left over.
std::string identityFailure(const IdentityCase &identityCase)
{
    const int size = identityCase.size;
    const unsigned seed = 20261208u + static_cast<unsigned>(size) + 1000u * static_cast<unsigned>(identityCase.values);
    std::mt19937_64 random(seed);
    std::vector<double> scratch;
    for (int trial = 0; trial < 3; ++trial) {
        const Polyline polygon = polygonOf(identityCase.values, random, size);
        const Polyline expected = fullTriangleSubdivide(polygon);
        const std::string what = "trial " + std::to_string(trial);
        if (!bitIdentical(subdivide(polygon), expected))
            return failure("default path", what, seed);
        for (const auto &[path, name] : kVectorPaths) {
            if (!vectorPathSupported(path))
                continue;
            Polyline split(expected.size());
            subdivideInto(polygon.data(), polygon.size(), split.data(), scratch, path);
            if (!bitIdentical(split, expected))
                return failure(name, what, seed);
        }
    }
    if (size < 2)
        return {};
    const std::size_t m = size - 1;
    // Long pieces only where a level has few of them, as it does in the editor.
    const std::vector<std::size_t> pieceCounts =
        size > 300 ? std::vector<std::size_t>{2, 3} : std::vector<std::size_t>{2, 3, 5, 8, 11, 13, 16, 23};
    for (std::size_t pieces : pieceCounts) {
        const Polyline level = polygonOf(identityCase.values, random, pieces * m + 1);
        Polyline expected{level.front()};
        for (std::size_t piece = 0; piece < pieces; ++piece) {
            const auto first = level.begin() + static_cast<std::ptrdiff_t>(piece * m);
            const Polyline halves = fullTriangleSubdivide(Polyline(first, first + static_cast<std::ptrdiff_t>(m + 1)));
            expected.insert(expected.end(), halves.begin() + 1, halves.end());
        }
        for (const auto &[path, name] : kVectorPaths)
            if (vectorPathSupported(path) && !bitIdentical(subdivideLevel(level, size, path), expected))
                return failure(name, std::to_string(pieces) + " pieces", seed);
    }
    return {};
}

std::vector<InfluenceCase> influenceCases()
{
    return {{"3 points, level 8", 3, 8, 60, 1.0},
            {"60 points, level 6", 60, 6, 60, 1.0},
            {"far outside the view", 12, 5, 40, 1e5},
            {"1,000 points, level 3", 1000, 3, 6, 1.0},
            {"2,000 points, level 8", 2000, 8, 2, 1.0}};
}

std::string influenceFailure(const InfluenceCase &c, unsigned seed)
{
    using namespace bezier;
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> coordinate(-c.spread, c.spread);
    CanvasModel canvas;
    for (int i = 0; i < c.count; ++i)
        canvas.controlPoints.push_back({coordinate(random), coordinate(random), 0});
    canvas.drawLevel = c.level;
    canvas.recomputeLevels();
    const std::size_t held = std::uniform_int_distribution<std::size_t>(0, c.count - 1)(random);
    canvas.holdControlPoint(held);
    const auto fresh = [&](VectorPath path) {
        PolylineList levels;
        LevelStorage storage;
        int computed = 0;
        updateLevels(levels, computed, c.level, canvas.controlPoints, storage, path);
        return levels.back();
    };
    const std::string seedText = "seed " + std::to_string(seed);
    for (int move = 0; move < c.moves; ++move) {
        canvas.moveControlPoint(held, {coordinate(random), coordinate(random), 0});
        canvas.recomputeLevels();
        if (!canvas.levelsApproximate())
            return seedText + ": the move rebuilt the levels";
        double scale = 0, lowX = 1e300, highX = -1e300, lowY = 1e300, highY = -1e300;
        for (const Point3 &p : canvas.controlPoints) {
            scale = std::max({scale, std::fabs(p.x), std::fabs(p.y)});
            lowX = std::min(lowX, p.x), highX = std::max(highX, p.x);
            lowY = std::min(lowY, p.y), highY = std::max(highY, p.y);
        }
        scale = std::max(scale, std::hypot(highX - lowX, highY - lowY));
        for (const auto &[path, name] : kVectorPaths) {
            if (!vectorPathSupported(path))
                continue;
            const Polyline exact = fresh(path);
            double worst = 0;
            for (std::size_t i = 0; i < exact.size(); ++i)
                worst = std::max({worst, std::fabs(exact[i].x - canvas.curve[i].x),
                                  std::fabs(exact[i].y - canvas.curve[i].y)});
            if (!(worst <= 1e-12 * scale))
                return seedText + ", move " + std::to_string(move) + ", against the " + name + " path: "
                       + std::to_string(worst / scale) + " of the scale off";
        }
    }
    // A last move put down before the levels were brought up to date.
    canvas.moveControlPoint(held, {coordinate(random), coordinate(random), 0});
    canvas.releaseControlPoint();
    canvas.recomputeLevels();
    if (canvas.levelsApproximate() || !(canvas.curve == fresh(fastestVectorPath())))
        return seedText + ": the levels after the drop are not a rebuild's";
    return {};
}
