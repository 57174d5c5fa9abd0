// The pure kernels: one subdivision step against the machine's ceiling for midpoint work,
// a full rebuild of the levels, the hull and the basis sampling.
#include "BenchTable.h"
#include "canvas/ConvexHull.h"
#include "canvas/Subdivision.h"
#include "parameter/BernsteinBasis.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr int kRepetitions = 7;
constexpr int kDepth = 8;

double midpoints(std::size_t points)
{
    const double m = static_cast<double>(points) - 1.0;
    return m * (m + 1.0) / 2.0;
}

void subdivideStep(benchmark::State &state)
{
    const Polyline polygon = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    std::vector<double> rows;
    Polyline out(2 * polygon.size() - 1);
    for (auto _ : state) {
        subdivideInto(polygon.data(), polygon.size(), out.data(), rows);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["midpoints/s"] = benchmark::Counter(midpoints(polygon.size()), benchmark::Counter::kIsIterationInvariantRate);
}

// The same rows of midpoints over plain doubles, in cache, with nothing else to do, on the
// widest vector unit the kernel uses: the machine's ceiling for this work.
[[gnu::always_inline]] inline void midpointRows(double *a, std::size_t points)
{
    for (std::size_t length = 3 * (points - 1); length > 0; length -= 3)
        for (std::size_t j = 0; j < length; ++j)
            a[j] = (a[j] + a[j + 1]) * 0.5;
}

void midpointRowsBaseline(double *a, std::size_t points)
{
    midpointRows(a, points);
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] void midpointRowsAvx2(double *a, std::size_t points)
{
    midpointRows(a, points);
}

[[gnu::target("avx512f")]] void midpointRowsAvx512(double *a, std::size_t points)
{
    midpointRows(a, points);
}
#else
const auto midpointRowsAvx2 = midpointRowsBaseline;
const auto midpointRowsAvx512 = midpointRowsBaseline;
#endif

void ceilingLoop(benchmark::State &state)
{
    const std::size_t points = static_cast<std::size_t>(state.range(0));
    std::vector<double> values(3 * points, 0.25);
    const VectorPath path = fastestVectorPath();
    const auto rows = path == VectorPath::Avx512 ? midpointRowsAvx512
                      : path == VectorPath::Avx2 ? midpointRowsAvx2
                                                 : midpointRowsBaseline;
    for (auto _ : state) {
        rows(values.data(), points);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.counters["midpoints/s"] = benchmark::Counter(midpoints(points), benchmark::Counter::kIsIterationInvariantRate);
}

// Every level rebuilt from moved control points, as at each event of a drag: the cache
// keeps its storage from one rebuild to the next.
void rebuildLevels(benchmark::State &state)
{
    Polyline controlPoints = randomPoints(static_cast<std::size_t>(state.range(0)), 0.8, 42);
    PolylineList levels;
    LevelStorage storage;
    int computedLevel = 0;
    double x = 0.0;
    for (auto _ : state) {
        controlPoints.front().x = x += 1e-6;
        computedLevel = 0;
        updateLevels(levels, computedLevel, kDepth, controlPoints, storage);
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
    for (auto _ : state)
        benchmark::DoNotOptimize(bernsteinBasisCurves(static_cast<int>(state.range(0))));
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
BENCHMARK(ceilingLoop)->Arg(3)->Arg(12)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(rebuildLevels)->Arg(4)->Arg(12)->Arg(50)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
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
    for (int size : {3, 12, 100, 1000, 5000}) {
        const auto kernel = reporter.samples.find("subdivideStep/" + std::to_string(size) + "  [midpoints/s]");
        const auto ceiling = reporter.samples.find("ceilingLoop/" + std::to_string(size) + "  [midpoints/s]");
        if (kernel == reporter.samples.end() || ceiling == reporter.samples.end())
            continue;
        const double share = summarize("", "", kernel->second).median / summarize("", "", ceiling->second).median;
        printRatio("subdivide/" + std::to_string(size) + " share of ceiling", share,
                   size >= 100 && size <= 1000 ? "target >= 0.5" : "no target");
    }
    return 0;
}
