// The pure kernels: one subdivision step, one level and a full rebuild of the levels, each
// against release 1.0's kernel and the machine's peak for the same arithmetic; the hull and
// the basis sampling.
#include "BenchTable.h"
#include "core/ConvexHull.h"
#include "PreviousKernel.h"
#include "core/Subdivision.h"
#include "core/ParameterModel.h"

#include <benchmark/benchmark.h>

#include <array>
#include <map>

using namespace bezier;

namespace {

constexpr int kRepetitions = 7;
constexpr int kDepth = 8;

double midpoints(std::size_t points)
{
    const double m = static_cast<double>(points) - 1.0;
    return m * (m + 1.0) / 2.0;
}

// One split of the n points of the benchmark's argument by `split`.
template <typename Split>
void runStep(benchmark::State &state, Split split)
{
    const Polyline polygon = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    std::vector<double> scratch;
    Polyline out(2 * polygon.size() - 1);
    for (auto _ : state) {
        split(polygon.data(), polygon.size(), out.data(), scratch);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["midpoints/s"] = benchmark::Counter(midpoints(polygon.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void subdivideStep(benchmark::State &state)
{
    runStep(state, [](const Point3 *points, std::size_t count, Point3 *out, std::vector<double> &scratch) {
        subdivideInto(points, count, out, scratch);
    });
}

void previousSubdivideStep(benchmark::State &state)
{
    runStep(state, previousSubdivideInto);
}

// One level of 128 pieces of n points, as level 8 of a drag holds, on one thread.
void splitLevel(benchmark::State &state)
{
    constexpr std::size_t kPieces = 128;
    const std::size_t m = static_cast<std::size_t>(state.range(0)) - 1;
    const Polyline level = randomPoints(kPieces * m + 1, 0.8, 42);
    std::vector<double> scratch;
    Polyline out(2 * m * kPieces + 1);
    for (auto _ : state) {
        splitPieces(level.data(), m, kPieces, out.data(), scratch, fastestVectorPath());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["midpoints/s"] =
        benchmark::Counter(kPieces * midpoints(m + 1), benchmark::Counter::kIsIterationInvariantRate);
}

// The machine's peak for the kernel's own arithmetic: independent chains of (x + c) * k in
// vector registers, enough of them to hide the add and multiply latencies, counted as 3-D
// midpoints (three adds and three multiplies each).
template <int Lanes, int Chains>
[[gnu::always_inline]] inline double peakChains(long steps)
{
    using V [[gnu::vector_size(8 * Lanes)]] = double;
    // Every loop unrolled, so the chains live in registers, never in memory.
    V x[Chains];
#pragma GCC unroll 32
    for (int i = 0; i < Chains; ++i)
        x[i] = V{} + 1e-3 * i;
    const V c = V{} + 1.0;
    const V k = V{} + 0.5;
    for (long step = 0; step < steps; ++step) {
#pragma GCC unroll 32
        for (int i = 0; i < Chains; ++i) {
            x[i] = (x[i] + c) * k;
            // Opaque, so nothing is folded, and free: the chains stay in registers.
            asm volatile("" : "+v"(x[i]));
        }
    }
    double sum = 0.0;
#pragma GCC unroll 32
    for (int i = 0; i < Chains; ++i)
        sum += x[i][0];
    return sum;
}

double peakBaseline(long steps)
{
    return peakChains<2, 12>(steps);
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] double peakAvx2(long steps)
{
    return peakChains<4, 12>(steps);
}

[[gnu::target("avx512f")]] double peakAvx512(long steps)
{
    return peakChains<8, 24>(steps);
}
#else
const auto peakAvx2 = peakBaseline;
const auto peakAvx512 = peakBaseline;
#endif

// The peak on one vector path (argument 0: Baseline, 1: AVX2, 2: AVX-512) and a number of
// threads (argument 1).
void ceiling(benchmark::State &state)
{
    const auto path = static_cast<VectorPath>(state.range(0));
    if (!vectorPathSupported(path)) {
        state.SkipWithError("not on this processor");
        return;
    }
    const std::size_t threads = static_cast<std::size_t>(state.range(1));
    constexpr long kSteps = 100000;
    const auto peak = path == VectorPath::Avx512 ? peakAvx512 : path == VectorPath::Avx2 ? peakAvx2 : peakBaseline;
    const int chains = path == VectorPath::Avx512 ? 24 : 12;
    std::array<double, kMaxWorkers> sums{};
    for (auto _ : state)
        forkJoin(threads, [&](std::size_t worker) { sums[worker] = peak(kSteps); });
    benchmark::DoNotOptimize(sums);
    const double midpointsPerStep = static_cast<double>(chains) * static_cast<double>(lanesOf(path)) / 3.0;
    state.counters["midpoints/s"] = benchmark::Counter(midpointsPerStep * kSteps * static_cast<double>(threads),
                                                       benchmark::Counter::kIsIterationInvariantRate);
}

// Every level rebuilt from moved control points, as at each event of a drag: the cache
// keeps its storage from one rebuild to the next.
void rebuildLevels(benchmark::State &state)
{
    Polyline controlPoints = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    PolylineList levels;
    LevelStorage storage;
    int computedLevel = 0;
    // The first rebuild sizes the storage, as the first event of a drag does.
    updateLevels(levels, computedLevel, kDepth, controlPoints, storage);
    double x = 0.0;
    for (auto _ : state) {
        controlPoints.front().x = x += 1e-6;
        computedLevel = 0;
        updateLevels(levels, computedLevel, kDepth, controlPoints, storage);
        benchmark::DoNotOptimize(levels.back().data());
    }
}

void previousRebuildLevels(benchmark::State &state)
{
    Polyline controlPoints = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    PolylineList levels;
    LevelStorage storage;
    previousRebuildLevels(levels, controlPoints, kDepth, storage);
    double x = 0.0;
    for (auto _ : state) {
        controlPoints.front().x = x += 1e-6;
        previousRebuildLevels(levels, controlPoints, kDepth, storage);
        benchmark::DoNotOptimize(levels.back().data());
    }
}

void hull(benchmark::State &state)
{
    const Polyline points = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    for (auto _ : state)
        benchmark::DoNotOptimize(convexHull(points));
}

void basisSampling(benchmark::State &state)
{
    ParameterModel parameter;
    parameter.degree = static_cast<int>(state.range(0));
    for (auto _ : state) {
        parameter.computeBasis();
        benchmark::DoNotOptimize(parameter.basisCurves);
    }
}



// Collects every repetition, so the table shows median, min and max of the same samples.
class TableReporter : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context &) override { return true; }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.run_name.str();
            const auto rate = run.counters.find("midpoints/s");
            if (rate != run.counters.end())
                add(name + "  [midpoints/s]", rate->second.value);
            add(name + "  [us]", run.GetAdjustedRealTime());
        }
    }

    // Figures in the order they ran, each with its samples.
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> samples;

private:
    void add(const std::string &figure, double value)
    {
        if (!samples.count(figure))
            order.push_back(figure);
        samples[figure].push_back(value);
    }
};

} // namespace

BENCHMARK(subdivideStep)->Arg(3)->Arg(12)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(previousSubdivideStep)->Arg(3)->Arg(12)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(splitLevel)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ceiling)->ArgsProduct({{0, 1, 2}, {1, 2}})->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(rebuildLevels)->Arg(4)->Arg(12)->Arg(50)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(previousRebuildLevels)
    ->Arg(4)
    ->Arg(12)
    ->Arg(50)
    ->Arg(100)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(hull)->Arg(12)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(basisSampling)->Arg(12)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    std::vector<char *> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=" + std::to_string(kRepetitions);
    std::string minTime = "--benchmark_min_time=0.05";
    arguments.push_back(repetitions.data());
    arguments.push_back(minTime.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    printHeader("Kernels (Google Benchmark, one run of each figure per repetition)");
    for (const std::string &figure : reporter.order) {
        const std::size_t split = figure.rfind("  [");
        printRow(summarize(figure.substr(0, split), figure.substr(split + 3, figure.size() - split - 4),
                           reporter.samples[figure]));
    }
    const auto median = [&](const std::string &figure) {
        const auto found = reporter.samples.find(figure);
        return found == reporter.samples.end() ? 0.0 : summarize("", "", found->second).median;
    };
    const auto ratio = [&](const std::string &name, const std::string &numerator, const std::string &denominator,
                           const char *target) {
        const double a = median(numerator);
        const double b = median(denominator);
        if (a > 0.0 && b > 0.0)
            printRatio(name, a / b, target);
    };
    const std::string fastestCeiling =
        "ceiling/" + std::to_string(static_cast<int>(fastestVectorPath())) + "/1/real_time  [midpoints/s]";
    ratio("subdivideStep/1000 share of ceiling", "subdivideStep/1000  [midpoints/s]", fastestCeiling, "target >= 0.35");
    ratio("splitLevel/1000 share of ceiling", "splitLevel/1000  [midpoints/s]", fastestCeiling, "target >= 0.6");
    for (const auto &[size, target] : std::vector<std::pair<int, const char *>>{
             {4, "target >= 1"}, {12, "target >= 1"}, {100, "target >= 2"}, {1000, "target >= 3"}}) {
        const std::string n = std::to_string(size);
        ratio("rebuildLevels/" + n + " speed-up", "previousRebuildLevels/" + n + "/real_time  [us]",
              "rebuildLevels/" + n + "/real_time  [us]", target);
    }
    for (int size : {3, 12, 100}) {
        const std::string n = std::to_string(size);
        ratio("subdivideStep/" + n + " speed-up", "previousSubdivideStep/" + n + "  [us]", "subdivideStep/" + n + "  [us]",
              "target >= 1");
    }
    return 0;
}
