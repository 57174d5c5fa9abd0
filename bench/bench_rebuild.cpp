// Rebuilds every level of a drag (depth 8) at 100 and 1,000 points on the 2-lane path, and prints
// the medians. Built natively and as WebAssembly (with 128-bit SIMD), so the two compare in one
// run; the native run is pinned to one core, as a page has one thread.
#include "BenchTable.h"
#include "core/Subdivision.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kDepth = 8;
constexpr int kRepetitions = 15;

double rebuildMilliseconds(const Polyline &controlPoints, PolylineList &levels, LevelStorage &storage)
{
    const auto start = std::chrono::steady_clock::now();
    levels.resize(kDepth + 1);
    levels[0] = controlPoints;
    for (int level = 0; level < kDepth; ++level)
        subdivideLevelInto(levels[level], controlPoints.size(), levels[level + 1], storage,
                           VectorPath::Baseline);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    for (std::size_t count : {100, 1000}) {
        const Polyline controlPoints = randomPoints(count, 0.8, 42);
        PolylineList levels;
        LevelStorage storage;
        // The first rebuild sizes the storage, as the first event of a drag does.
        rebuildMilliseconds(controlPoints, levels, storage);
        std::vector<double> samples;
        for (int i = 0; i < kRepetitions; ++i)
            samples.push_back(rebuildMilliseconds(controlPoints, levels, storage));
        std::sort(samples.begin(), samples.end());
        std::printf("rebuild of every level at %zu points, 2-lane path: median %.3f ms\n", count,
                    samples[samples.size() / 2]);
    }
    return 0;
}
