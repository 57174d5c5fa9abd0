// The pure kernels: one subdivision step, one level and a full rebuild of the levels, each
// against release 1.0's kernel and the machine's peak for the same arithmetic; the hull and
// the basis sampling.
#include "BenchTable.h"
#include "core/ConvexHull.h"
#include "PreviousKernel.h"
#include "core/Subdivision.h"
#include "core/ParameterModel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
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

// The vector path of the benchmark's first argument (0: baseline, 1: AVX2, 2: AVX-512), or
// none when this processor lacks it.
bool forcePath(benchmark::State &state, VectorPath &path)
{
    path = static_cast<VectorPath>(state.range(0));
    if (vectorPathSupported(path))
        return true;
    state.SkipWithError("not on this processor");
    return false;
}

// One level of 128 pieces of n points (argument 1), as level 8 of a drag holds, on one thread.
void splitLevel(benchmark::State &state)
{
    VectorPath path;
    if (!forcePath(state, path))
        return;
    constexpr std::size_t kPieces = 128;
    const std::size_t m = static_cast<std::size_t>(state.range(1)) - 1;
    const Polyline level = randomPoints(kPieces * m + 1, 0.8, 42);
    std::vector<double> scratch;
    Polyline out(2 * m * kPieces + 1);
    for (auto _ : state) {
        splitPieces(level.data(), m, kPieces, out.data(), scratch, path);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["midpoints/s"] =
        benchmark::Counter(kPieces * midpoints(m + 1), benchmark::Counter::kIsIterationInvariantRate);
}

// The machine's peak for the kernel's own arithmetic, one add and one multiply a lane making
// a third of a 3-D midpoint, by two loops in vector registers, as many chains as the
// registers hold beside the constants c and k. In the first, each chain is x = (x + c) * k
// and waits for both latencies at every step; in the second, adds and multiplies run in
// chains of their own. Which one reaches the processor's throughput depends on its latencies
// (with twelve chains of the first alone, the kernel once measured above it), so the ceiling
// is the faster of the two.
enum class PeakLoop { AddThenMultiply, Separate };

template <int Lanes, int Registers, PeakLoop Loop>
[[gnu::always_inline]] inline double peakChains(long steps)
{
    using V [[gnu::vector_size(8 * Lanes)]] = double;
    constexpr int kChains = Registers - 2;
    // Every loop unrolled, so the chains live in registers, never in memory.
    V x[kChains];
    // Opaque, so nothing is folded; x stays near 1, never subnormal or infinite.
    V c = V{} + (Loop == PeakLoop::Separate ? 0.0 : 1.0);
    V k = V{} + (Loop == PeakLoop::Separate ? 1.0 : 0.5);
    asm volatile("" : "+v"(c), "+v"(k));
#pragma GCC unroll 32
    for (int i = 0; i < kChains; ++i)
        x[i] = V{} + 1.0 + 1e-3 * i;
    for (long step = 0; step < steps; ++step) {
#pragma GCC unroll 32
        for (int i = 0; i < kChains; ++i) {
            if constexpr (Loop == PeakLoop::AddThenMultiply)
                x[i] = (x[i] + c) * k;
            else if (i % 2 == 0)
                x[i] = x[i] + c;
            else
                x[i] = x[i] * k;
            // Free, and the chains stay in registers.
            asm volatile("" : "+v"(x[i]));
        }
    }
    double sum = 0.0;
#pragma GCC unroll 32
    for (int i = 0; i < kChains; ++i)
        sum += x[i][0];
    return sum;
}

// The vector registers of the 2- and 4-lane paths, and of AVX-512.
constexpr int kRegisters = 16;
constexpr int kRegistersOf8Lanes = 32;

using Peak = double (*)(long);

template <PeakLoop Loop>
double peakBaseline(long steps)
{
    return peakChains<2, kRegisters, Loop>(steps);
}

#if defined(__x86_64__) || defined(__i386__)
template <PeakLoop Loop>
[[gnu::target("avx2")]] double peakAvx2(long steps)
{
    return peakChains<4, kRegisters, Loop>(steps);
}

template <PeakLoop Loop>
[[gnu::target("avx512f")]] double peakAvx512(long steps)
{
    return peakChains<8, kRegistersOf8Lanes, Loop>(steps);
}
#else
template <PeakLoop Loop>
double peakAvx2(long steps)
{
    return peakBaseline<Loop>(steps);
}
template <PeakLoop Loop>
double peakAvx512(long steps)
{
    return peakBaseline<Loop>(steps);
}
#endif

// The peak on one vector path (argument 0), a number of threads (argument 1) and a loop
// (argument 2: 0 add then multiply, 1 separate).
void ceiling(benchmark::State &state)
{
    VectorPath path;
    if (!forcePath(state, path))
        return;
    const std::size_t threads = static_cast<std::size_t>(state.range(1));
    const int loop = static_cast<int>(state.range(2));
    constexpr long kSteps = 100000;
    constexpr Peak kPeaks[3][2] = {
        {peakBaseline<PeakLoop::AddThenMultiply>, peakBaseline<PeakLoop::Separate>},
        {peakAvx2<PeakLoop::AddThenMultiply>, peakAvx2<PeakLoop::Separate>},
        {peakAvx512<PeakLoop::AddThenMultiply>, peakAvx512<PeakLoop::Separate>}};
    const Peak peak = kPeaks[static_cast<int>(path)][loop];
    // An add and a multiply per chain and step, or one of the two.
    const int chains = (path == VectorPath::Avx512 ? kRegistersOf8Lanes : kRegisters) - 2;
    const double pairsPerStep = loop == 0 ? chains : chains / 2.0;
    std::array<double, kMaxWorkers> sums{};
    for (auto _ : state)
        forkJoin(threads, [&](std::size_t worker) { sums[worker] = peak(kSteps); });
    benchmark::DoNotOptimize(sums);
    const double midpointsPerStep = pairsPerStep * static_cast<double>(lanesOf(path)) / 3.0;
    state.counters["midpoints/s"] = benchmark::Counter(midpointsPerStep * kSteps * static_cast<double>(threads),
                                                       benchmark::Counter::kIsIterationInvariantRate);
}

// Every level rebuilt from moved control points (argument 1) on one vector path, as at each
// event of a drag: the cache keeps its storage from one rebuild to the next.
void rebuildLevels(benchmark::State &state)
{
    VectorPath path;
    if (!forcePath(state, path))
        return;
    Polyline controlPoints = randomPoints(static_cast<std::size_t>(state.range(1)), 0.8, 42);
    PolylineList levels;
    LevelStorage storage;
    int computedLevel = 0;
    // The first rebuild sizes the storage, as the first event of a drag does.
    updateLevels(levels, computedLevel, kDepth, controlPoints, storage, path);
    double x = 0.0;
    for (auto _ : state) {
        controlPoints.front().x = x += 1e-6;
        computedLevel = 0;
        updateLevels(levels, computedLevel, kDepth, controlPoints, storage, path);
        benchmark::DoNotOptimize(levels.back().data());
    }
}

void previousRebuildLevels(benchmark::State &state)
{
    VectorPath path;
    if (!forcePath(state, path))
        return;
    Polyline controlPoints = randomPoints(static_cast<std::size_t>(state.range(1)), 0.8, 42);
    PolylineList levels;
    LevelStorage storage;
    previousRebuildLevels(levels, controlPoints, kDepth, storage, path);
    double x = 0.0;
    for (auto _ : state) {
        controlPoints.front().x = x += 1e-6;
        previousRebuildLevels(levels, controlPoints, kDepth, storage, path);
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
BENCHMARK(splitLevel)->ArgsProduct({{0, 1, 2}, {12, 100, 1000}})->Unit(benchmark::kMicrosecond);
BENCHMARK(ceiling)->ArgsProduct({{0, 1, 2}, {1, 2}, {0, 1}})->UseRealTime()->Unit(benchmark::kMicrosecond);
// The current and the previous rebuild of each path and size run one after the other, so
// each pair meets the same state of a shared machine.
const std::vector<int64_t> kRebuildSizes = {4, 12, 50, 100, 1000};
void registerRebuilds()
{
    for (int64_t path : {0, 1, 2})
        for (int64_t size : kRebuildSizes)
            for (const auto &[name, function] : {std::pair<const char *, void (*)(benchmark::State &)>{"rebuildLevels", rebuildLevels},
                                                 {"previousRebuildLevels", previousRebuildLevels}})
                benchmark::RegisterBenchmark(name, function)
                    ->Args({path, size})
                    ->UseRealTime()
                    ->Unit(benchmark::kMicrosecond);
}
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
    registerRebuilds();
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
    const auto print = [](const std::string &name, double a, double b, const char *target) {
        if (a > 0.0 && b > 0.0)
            printRatio(name, a / b, target);
    };
    const auto ratio = [&](const std::string &name, const std::string &numerator, const std::string &denominator,
                           const char *target) { print(name, median(numerator), median(denominator), target); };
    // The faster of the two peak loops on one thread.
    const auto ceilingOf = [&](const std::string &path) {
        return std::max(median("ceiling/" + path + "/1/0/real_time  [midpoints/s]"),
                        median("ceiling/" + path + "/1/1/real_time  [midpoints/s]"));
    };
    const std::string fastest = std::to_string(static_cast<int>(fastestVectorPath()));
    print("subdivideStep/1000 share of ceiling", median("subdivideStep/1000  [midpoints/s]"), ceilingOf(fastest),
          "target >= 0.35");
    print("splitLevel/" + fastest + "/1000 share of ceiling", median("splitLevel/" + fastest + "/1000  [midpoints/s]"),
          ceilingOf(fastest), "target >= 0.6");
    // Each path against its own ceiling: above 1, the ceiling would be wrong.
    for (const char *path : {"0", "1", "2"})
        for (const char *size : {"12", "100", "1000"})
            print(std::string("splitLevel/") + path + "/" + size + " share of ceiling",
                  median(std::string("splitLevel/") + path + "/" + size + "  [midpoints/s]"), ceilingOf(path),
                  "target <= 1");
    // Never slower than release 1.0 on any path; AVX-512 keeps the gains it had.
    for (const char *path : {"0", "1", "2"})
        for (const int64_t size : kRebuildSizes) {
            const std::string figure = std::string(path) + "/" + std::to_string(size) + "/real_time  [us]";
            const bool avx512 = std::string(path) == "2";
            const char *target = !avx512 || size < 100 ? "target >= 1" : size < 1000 ? "target >= 2" : "target >= 3";
            ratio(std::string("rebuildLevels/") + path + "/" + std::to_string(size) + " speed-up",
                  "previousRebuildLevels/" + figure, "rebuildLevels/" + figure, target);
        }
    for (int size : {3, 12, 100}) {
        const std::string n = std::to_string(size);
        ratio("subdivideStep/" + n + " speed-up", "previousSubdivideStep/" + n + "  [us]", "subdivideStep/" + n + "  [us]",
              "target >= 1");
    }
    return 0;
}
