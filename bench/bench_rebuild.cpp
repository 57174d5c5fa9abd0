// Rebuilds every level of a drag (depth 8) at 100 and 1,000 points on the 2-lane path, and prints
// the medians; then a drag's pick and drop at 1,000 and 2,000 points against a rebuild. Built
// natively and as WebAssembly (with 128-bit SIMD), so the two compare in one run; the native run
// is pinned to one core, as a page has one thread. Chromium first runs WebAssembly from its
// baseline compiler and swaps in optimised code once a function is hot, as it is a few events
// into a drag; so both are measured after a warm-up, in batches long enough for the browser's
// coarse clock.
#include "BenchTable.h"
#include "core/Subdivision.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace bezier;

namespace {

constexpr int kDepth = 8;
constexpr int kSamples = 15;
constexpr double kWarmUpMilliseconds = 1000;
constexpr double kBatchMilliseconds = 20;

// Milliseconds per rebuild over `rebuilds` of them.
double rebuildMilliseconds(const Polyline &controlPoints, PolylineList &levels, LevelStorage &storage, int rebuilds)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rebuilds; ++i) {
        levels.resize(kDepth + 1);
        levels[0] = controlPoints;
        for (int level = 0; level < kDepth; ++level)
            subdivideLevelInto(levels[level], controlPoints.size(), levels[level + 1], storage,
                               VectorPath::Baseline);
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / rebuilds;
}

} // namespace

int main()
{
    for (std::size_t count : {100, 1000}) {
        const Polyline controlPoints = randomPoints(count, 0.8, 42);
        PolylineList levels;
        LevelStorage storage;
        // The first rebuild also sizes the storage, as the first event of a drag does.
        double warmUp = 0;
        int rebuilds = 0;
        while (warmUp < kWarmUpMilliseconds) {
            warmUp += rebuildMilliseconds(controlPoints, levels, storage, 1);
            ++rebuilds;
        }
        const int batch = std::max(1, static_cast<int>(kBatchMilliseconds * rebuilds / warmUp));
        std::vector<double> samples;
        for (int i = 0; i < kSamples; ++i)
            samples.push_back(rebuildMilliseconds(controlPoints, levels, storage, batch));
        std::sort(samples.begin(), samples.end());
        std::printf("rebuild of every level at %zu points, 2-lane path: median %.3f ms\n", count,
                    samples[samples.size() / 2]);
    }
    // A drag's pick and drop against a rebuild, each after a warm-up.
    for (std::size_t count : {1000, 2000}) {
        const PickDropTimes times = pickDropTimes(count, kDepth, kSamples, 3);
        std::printf("pick and drop at %zu points: pick %.3f ms, drop %.3f ms, rebuild of every level %.3f ms\n", count,
                    summarize("", "", times.picks).median, summarize("", "", times.drops).median,
                    summarize("", "", times.rebuilds).median);
    }
    return 0;
}
