#pragma once

#include "core/CanvasModel.h"
#include "core/Subdivision.h"
#include "geometry/Polyline.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// One row of the benchmark table: a figure with the median, 95th percentile, min and max of
// its samples.
struct BenchRow
{
    std::string figure;
    std::string unit;
    double median = 0.0;
    double p95 = 0.0;
    double min = 0.0;
    double max = 0.0;
};

// Where the table goes; the interactive benchmark sends the editor's own trace elsewhere.
inline FILE *&benchOutput()
{
    static FILE *output = stdout;
    return output;
}

inline double percentile(const std::vector<double> &sorted, double fraction)
{
    if (sorted.empty())
        return 0.0;
    const double position = fraction * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

inline BenchRow summarize(std::string figure, std::string unit, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    BenchRow row{std::move(figure), std::move(unit)};
    if (samples.empty())
        return row;
    row.median = percentile(samples, 0.5);
    row.p95 = percentile(samples, 0.95);
    row.min = samples.front();
    row.max = samples.back();
    return row;
}

inline void printHeader(const char *title)
{
    std::fprintf(benchOutput(), "\n%s\n%-40s %12s %12s %12s %12s  %s\n", title, "figure", "median", "p95", "min", "max", "unit");
}

inline void printRow(const BenchRow &row)
{
    std::fprintf(benchOutput(), "%-40s %12.4g %12.4g %12.4g %12.4g  %s\n", row.figure.c_str(), row.median, row.p95, row.min, row.max,
                row.unit.c_str());
    std::fflush(benchOutput());
}

inline void printRatio(const std::string &what, double value, const std::string &target)
{
    std::fprintf(benchOutput(), "ratio: %-45s %8.3f   (%s)\n", what.c_str(), value, target.c_str());
    std::fflush(benchOutput());
}

// Seeded random points with x and y in [-extent, extent] and z = 0.
inline Polyline randomPoints(std::size_t count, double extent, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(-extent, extent);
    Polyline points(count);
    for (Point3 &p : points)
        p = {coordinate(random), coordinate(random), 0.0};
    return points;
}

// Milliseconds of a drag's pick (the held point's weights) and drop (the exact rebuild) through
// the curve's gate, and of a rebuild of every level of the same points from fresh storage:
// `samples` of each, after `warmUps` rounds left out.
struct PickDropTimes
{
    std::vector<double> picks, drops, rebuilds;
};

inline PickDropTimes pickDropTimes(std::size_t count, int depth, int samples, int warmUps)
{
    using Clock = std::chrono::steady_clock;
    const auto millisecondsSince = [](Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    bezier::CanvasModel model;
    model.controlPoints = randomPoints(count, 0.7, 7);
    model.drawLevel = depth;
    model.recomputeLevels();
    PickDropTimes times;
    for (int i = -warmUps; i < samples; ++i) {
        const std::size_t held = count / 2 + static_cast<std::size_t>(i + warmUps);
        auto start = Clock::now();
        model.holdControlPoint(held);
        const double pick = millisecondsSince(start);
        model.moveControlPoint(held, {0.1, 0.2, 0.0});
        model.recomputeLevels();
        start = Clock::now();
        model.releaseControlPoint();
        model.recomputeLevels();
        const double drop = millisecondsSince(start);
        PolylineList levels;
        bezier::LevelStorage storage;
        int computed = 0;
        start = Clock::now();
        bezier::updateLevels(levels, computed, depth, model.controlPoints, storage);
        const double rebuild = millisecondsSince(start);
        if (i >= 0) {
            times.picks.push_back(pick);
            times.drops.push_back(drop);
            times.rebuilds.push_back(rebuild);
        }
    }
    return times;
}
