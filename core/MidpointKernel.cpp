// The subdivision kernel. Built with floating-point contraction off: the rows stay in
// registers here, and a fused multiply-add of one row's halving into the next row's sum would
// round once instead of twice and change the bits (seen on subnormal inputs). Written in the
// vector extensions GCC and clang share, so WebAssembly's 128-bit vectors run the 2-lane path.
#include "core/MidpointKernel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace bezier {

namespace {

template <int Lanes>
struct VectorOf
{
    using Type [[gnu::vector_size(8 * Lanes)]] = double;
};
template <int Lanes>
using Vector = typename VectorOf<Lanes>::Type;

template <int Lanes>
[[gnu::always_inline]] inline Vector<Lanes> midpoint(Vector<Lanes> a, Vector<Lanes> b)
{
    return (a + b) * 0.5;
}

// The two ways to fill a vector's lanes. Both make position p of row r the midpoint of
// positions p and p + 1 of row r - 1, where a position is one vector.
//
// Lanes hold pieces: lane k is piece k of a batch, position i its point i. No lane ever needs
// a neighbouring lane, so there are no shuffles and no loads that straddle cache lines.
template <int Lanes>
struct PiecesInLanes
{
    static long lastPosition(std::size_t m, std::size_t r) { return static_cast<long>(m - r); }

    [[gnu::always_inline]] static Vector<Lanes> neighbour(Vector<Lanes>, Vector<Lanes> next) { return next; }
};

// Lanes hold consecutive points of one piece, for levels with fewer pieces than lanes: the
// neighbour of a vector is the one a point further on, taken from it and the next vector.
template <int Lanes>
struct PointsInLanes
{
    static long lastPosition(std::size_t m, std::size_t r) { return static_cast<long>((m - r) / Lanes); }

    // One builtin that GCC and clang both have.
    [[gnu::always_inline]] static Vector<Lanes> neighbour(Vector<Lanes> here, Vector<Lanes> next)
    {
        if constexpr (Lanes == 2)
            return __builtin_shufflevector(here, next, 1, 2);
        else if constexpr (Lanes == 4)
            return __builtin_shufflevector(here, next, 1, 2, 3, 4);
        else
            return __builtin_shufflevector(here, next, 1, 2, 3, 4, 5, 6, 7, 8);
    }
};

// How far one sweep runs ahead on each row: row j works two positions behind row j - 1, so
// every input it needs was made one or two steps earlier and no add waits on the result of
// the add just issued (add and multiply take about six cycles).
constexpr long kSkew = 2;

// Calls f(I) for the compile-time constants I = 0 .. N - 1 in order, while f returns true.
template <long N, class F>
[[gnu::always_inline]] inline void unrolled(F &&f)
{
    [&]<long... I>(std::integer_sequence<long, I...>) __attribute__((always_inline)) {
        (f(std::integral_constant<long, I>{}) && ...);
    }(std::make_integer_sequence<long, N>{});
}

// Rows r0 + 1 .. r0 + Rows of the de Casteljau triangle of one coordinate, in one sweep over
// `row` (row r0 on entry, row r0 + Rows on return), keeping the rows between in registers:
// each position is loaded and stored once for Rows rows of midpoints. Records each row's
// first and last position in `left` and `right`. `row` has room for kSkew * Rows + 2
// positions past the end of row r0; what is computed there is never used.
template <int Lanes, class Layout, int Rows>
[[gnu::always_inline]] inline void sweepRows(Vector<Lanes> *row, std::size_t m, std::size_t r0, Vector<Lanes> *left,
                                             Vector<Lanes> *right)
{
    using V = Vector<Lanes>;
    constexpr long kLastLag = kSkew * (Rows - 1);
    const std::size_t validRows = std::min<std::size_t>(Rows, m - r0);
    // The step at which each row reaches its last position.
    long rightAt[Rows + 1] = {};
    long end = 0;
    for (std::size_t j = 1; j <= validRows; ++j) {
        rightAt[j] = Layout::lastPosition(m, r0 + j) + kSkew * static_cast<long>(j - 1);
        end = std::max(end, rightAt[j]);
    }
    // What each row made one and two steps ago, row 0 being the loads, made two steps ahead
    // of their use. The two sets swap roles at every step: a step overwrites the older one,
    // so no value is ever copied, and every index is a constant, so all stay in registers.
    V made[2][Rows + 1] = {{row[0]}, {row[1]}};

    // Step t of parity P: made[P] holds what each row made at step t - 2, and then at t.
    const auto step = [&]<int P>(long t, std::integral_constant<int, P>) __attribute__((always_inline)) {
        // From the last row up, so each row still reads its upper row's older value.
        unrolled<Rows>([&](auto i) __attribute__((always_inline)) {
            constexpr int j = Rows - i;
            made[P][j] = midpoint<Lanes>(made[P][j - 1], Layout::neighbour(made[P][j - 1], made[1 - P][j - 1]));
            return true;
        });
        made[P][0] = row[t + 2];
    };
    const auto recordRightEdges = [&]<int P>(long t, std::integral_constant<int, P>) __attribute__((always_inline)) {
        unrolled<Rows>([&](auto i) __attribute__((always_inline)) {
            constexpr std::size_t j = i + 1;
            if (j <= validRows && t == rightAt[j])
                right[r0 + j] = made[P][j];
            return true;
        });
    };

    // The first steps, until the last row reaches position 0, at compile-time t: each row's
    // first position and the first store fall on known steps. Running them past `end` only
    // computes what is never used.
    unrolled<kLastLag + 1>([&](auto t) __attribute__((always_inline)) {
        constexpr int P = t % 2;
        step(t, std::integral_constant<int, P>{});
        unrolled<Rows>([&](auto i) __attribute__((always_inline)) {
            constexpr std::size_t j = i + 1;
            if constexpr (t == kSkew * static_cast<long>(j - 1))
                if (j <= validRows)
                    left[r0 + j] = made[P][j];
            return true;
        });
        recordRightEdges(t, std::integral_constant<int, P>{});
        if constexpr (t == kLastLag)
            row[0] = made[P][Rows];
        return true;
    });
    // The steps between, two at a time, do nothing else.
    long t = kLastLag + 1;
    const long steadyEnd = std::min(rightAt[1], end + 1);
    for (; t + 1 < steadyEnd; t += 2) {
        step(t, std::integral_constant<int, 1>{});
        row[t - kLastLag] = made[1][Rows];
        step(t + 1, std::integral_constant<int, 0>{});
        row[t + 1 - kLastLag] = made[0][Rows];
    }
    // The last steps, where the rows reach their last positions: fewer than 2 * Rows.
    const auto finish = [&]<int First>(std::integral_constant<int, First>) __attribute__((always_inline)) {
        unrolled<2 * Rows>([&](auto i) __attribute__((always_inline)) {
            constexpr int P = (First + i) % 2;
            if (t > end)
                return false;
            step(t, std::integral_constant<int, P>{});
            recordRightEdges(t, std::integral_constant<int, P>{});
            row[t - kLastLag] = made[P][Rows];
            ++t;
            return true;
        });
    };
    if (t % 2 == 0)
        finish(std::integral_constant<int, 0>{});
    else
        finish(std::integral_constant<int, 1>{});
}

template <int Lanes, class Layout, int Rows>
[[gnu::always_inline]] inline void triangle(Vector<Lanes> *row, std::size_t m, Vector<Lanes> *left,
                                            Vector<Lanes> *right)
{
    left[0] = row[0];
    right[0] = row[Layout::lastPosition(m, 0)];
    for (std::size_t r0 = 0; r0 < m; r0 += Rows)
        sweepRows<Lanes, Layout, Rows>(row, m, r0, left, right);
}

// Pieces from which a sweep of 8 rows beats one of 4: each sweep starts and ends with
// 2 * rows steps that do part of their work, which longer rows amortise (measured with
// AVX-512: 4 rows faster by 8 % at 500 points, 8 rows faster by 13 % at 1,000).
constexpr std::size_t kLongPiece = 768;

// The whole triangle of one coordinate, with as many rows per sweep as pay (no more than the
// registers hold).
template <int Lanes, class Layout, int MaxRows>
[[gnu::always_inline]] inline void triangleOf(Vector<Lanes> *row, std::size_t m, Vector<Lanes> *left,
                                              Vector<Lanes> *right)
{
    if (m >= kLongPiece && MaxRows >= 8)
        triangle<Lanes, Layout, (MaxRows >= 8 ? 8 : MaxRows)>(row, m, left, right);
    else if (m >= 4)
        triangle<Lanes, Layout, (MaxRows >= 4 ? 4 : MaxRows)>(row, m, left, right);
    else if (m >= 2)
        triangle<Lanes, Layout, 2>(row, m, left, right);
    else
        triangle<Lanes, Layout, 1>(row, m, left, right);
}

// Scratch for one coordinate: the row and the two edges, each a run of vectors.
template <int Lanes>
struct CoordinateScratch
{
    Vector<Lanes> *row;
    Vector<Lanes> *left;
    Vector<Lanes> *right;
};

// `doubles` values of `scratch`, starting on a cache line, so the speed does not depend on
// where the allocator put them.
double *alignedScratch(std::vector<double> &scratch, std::size_t doubles)
{
    constexpr std::size_t kAlignmentDoubles = 64 / sizeof(double);
    scratch.resize(doubles + kAlignmentDoubles);
    const auto address = reinterpret_cast<std::uintptr_t>(scratch.data());
    const std::size_t misalignment = (address / sizeof(double)) % kAlignmentDoubles;
    return scratch.data() + (kAlignmentDoubles - misalignment) % kAlignmentDoubles;
}

// Carves scratch for three coordinates out of `scratch`.
template <int Lanes>
std::array<CoordinateScratch<Lanes>, 3> carve(std::vector<double> &scratch, std::size_t positions, std::size_t m)
{
    const std::size_t perCoordinate = positions + 2 * (m + 1);
    auto *base = reinterpret_cast<Vector<Lanes> *>(alignedScratch(scratch, 3 * perCoordinate * Lanes));
    std::array<CoordinateScratch<Lanes>, 3> parts;
    for (CoordinateScratch<Lanes> &part : parts) {
        part = {base, base + positions, base + positions + m + 1};
        base += perCoordinate;
    }
    return parts;
}

constexpr double Point3::*kCoordinates[3] = {&Point3::x, &Point3::y, &Point3::z};

// Positions each sweep may read past a row's end.
template <int MaxRows>
constexpr std::size_t kPadding = MaxRows * kSkew + 2;

// Up to Lanes pieces at once, lane k holding piece `first + k`; lanes past `count` split
// zeros that are never written out.
template <int Lanes, int MaxRows>
[[gnu::always_inline]] inline void splitBatch(const Point3 *points, std::size_t m, std::size_t count, Point3 *out,
                                              std::vector<double> &scratch)
{
    const std::size_t positions = m + 1 + kPadding<MaxRows>;
    const auto parts = carve<Lanes>(scratch, positions, m);
    for (int c = 0; c < 3; ++c) {
        Vector<Lanes> *row = parts[c].row;
        double *values = reinterpret_cast<double *>(row);
        for (std::size_t i = 0; i <= m; ++i)
            for (std::size_t k = 0; k < static_cast<std::size_t>(Lanes); ++k)
                values[i * Lanes + k] = k < count ? points[k * m + i].*kCoordinates[c] : 0.0;
        std::fill(row + m + 1, row + positions, Vector<Lanes>{});
        triangleOf<Lanes, PiecesInLanes<Lanes>, MaxRows>(row, m, parts[c].left, parts[c].right);
    }
    for (std::size_t k = 0; k < count; ++k) {
        Point3 *halves = out + 2 * m * k;
        for (std::size_t r = 0; r <= m; ++r)
            halves[r] = {parts[0].left[r][k], parts[1].left[r][k], parts[2].left[r][k]};
        for (std::size_t r = 1; r < m; ++r)
            halves[2 * m - r] = {parts[0].right[r][k], parts[1].right[r][k], parts[2].right[r][k]};
    }
}

// One piece, its points along the lanes of each coordinate's row.
template <int Lanes, int MaxRows>
[[gnu::always_inline]] inline void splitOnePieceAlongLanes(const Point3 *points, std::size_t m, Point3 *out,
                                                           std::vector<double> &scratch)
{
    const std::size_t positions = m / Lanes + 1 + kPadding<MaxRows>;
    const auto parts = carve<Lanes>(scratch, positions, m);
    for (int c = 0; c < 3; ++c) {
        double *values = reinterpret_cast<double *>(parts[c].row);
        for (std::size_t i = 0; i <= m; ++i)
            values[i] = points[i].*kCoordinates[c];
        std::fill(values + m + 1, values + positions * Lanes, 0.0);
        triangleOf<Lanes, PointsInLanes<Lanes>, MaxRows>(parts[c].row, m, parts[c].left, parts[c].right);
    }
    for (std::size_t r = 0; r <= m; ++r)
        out[r] = {parts[0].left[r][0], parts[1].left[r][0], parts[2].left[r][0]};
    for (std::size_t r = 1; r < m; ++r) {
        const std::size_t k = (m - r) % Lanes;
        out[2 * m - r] = {parts[0].right[r][k], parts[1].right[r][k], parts[2].right[r][k]};
    }
}

// One piece: the triangle over one interleaved x, y, z row, in place. Point j of a row is
// the midpoint of points j and j + 1 of the row above, so overwriting j while walking j
// upwards never reads a value of the new row.
[[gnu::always_inline]] inline void splitOnePiece(const Point3 *points, std::size_t m, Point3 *out,
                                                 std::vector<double> &scratch)
{
    double *row = alignedScratch(scratch, 3 * (m + 1));
    for (std::size_t i = 0; i <= m; ++i) {
        row[3 * i] = points[i].x;
        row[3 * i + 1] = points[i].y;
        row[3 * i + 2] = points[i].z;
    }
    out[0] = points[0];
    for (std::size_t r = 1; r <= m; ++r) {
        const std::size_t rowValues = 3 * (m - r + 1);
        for (std::size_t i = 0; i < rowValues; ++i)
            row[i] = (row[i] + row[i + 3]) * 0.5;
        out[r] = {row[0], row[1], row[2]};
        out[2 * m - r] = {row[rowValues - 3], row[rowValues - 2], row[rowValues - 1]};
    }
}

// A short piece whole in registers: its size known when compiled, every loop unrolled, no
// scratch and no regrouping of its points. Point j of a row is the midpoint of points j and
// j + 1 of the row above, so overwriting j while walking j upwards never reads the new row.
template <std::size_t M>
[[gnu::always_inline]] inline void splitShortPiece(const Point3 *points, Point3 *out)
{
    Point3 row[M + 1];
#pragma GCC unroll 16
    for (std::size_t i = 0; i <= M; ++i)
        row[i] = points[i];
    out[0] = row[0];
#pragma GCC unroll 16
    for (std::size_t r = 1; r <= M; ++r) {
#pragma GCC unroll 16
        for (std::size_t i = 0; i <= M - r; ++i)
            row[i] = {(row[i].x + row[i + 1].x) * 0.5, (row[i].y + row[i + 1].y) * 0.5,
                      (row[i].z + row[i + 1].z) * 0.5};
        out[r] = row[0];
        if (r < M)
            out[2 * M - r] = row[M - r];
    }
}

// Pieces of fewer than kShortPiece points, as the editor's usual curves give, split whole in
// registers: a batch's regrouping of points into lanes and its sweeps' starts and ends cost
// more than they save there. Measured on one level of 128 pieces: faster on the 2- and
// 4-lane paths up to 16 points (8 to 14 times at 4 points, 1.2 to 1.9 times at 16); where
// there are whole batches of 8 lanes, up to 10.
constexpr std::size_t kShortPiece = 17;
constexpr std::size_t kShortPieceOf8Lanes = 11;

template <std::size_t... M>
[[gnu::always_inline]] inline void splitShortPieces(const Point3 *points, std::size_t m, std::size_t pieces,
                                                    Point3 *out, std::index_sequence<M...>)
{
    // M + 1 for M = 0 .. kShortPiece - 3: every degree from 1 up.
    using Split = void (*)(const Point3 *, Point3 *);
    constexpr Split kSplits[] = {splitShortPiece<M + 1>...};
    const Split split = kSplits[m - 1];
    for (std::size_t p = 0; p < pieces; ++p)
        split(points + p * m, out + 2 * m * p);
}

// Long pieces along the lanes; below this many positions a row, a sweep would be mostly its
// start and end, and the interleaved row is faster (measured: the same speed at 512 points
// with AVX-512).
constexpr std::size_t kPositionsAlongLanes = 64;

// Short pieces whole in registers; batches of Lanes pieces wherever there are that many; one
// piece at a time otherwise.
template <int Lanes, int MaxRows>
[[gnu::always_inline]] inline void splitAll(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out,
                                            std::vector<double> &scratch)
{
    const std::size_t shortPiece = Lanes == 8 && pieces >= Lanes ? kShortPieceOf8Lanes : kShortPiece;
    if (m > 0 && m + 1 < shortPiece)
        return splitShortPieces(points, m, pieces, out, std::make_index_sequence<kShortPiece - 2>{});
    if (pieces < static_cast<std::size_t>(Lanes)) {
        for (std::size_t p = 0; p < pieces; ++p) {
            if (m >= kPositionsAlongLanes * Lanes)
                splitOnePieceAlongLanes<Lanes, MaxRows>(points + p * m, m, out + 2 * m * p, scratch);
            else
                splitOnePiece(points + p * m, m, out + 2 * m * p, scratch);
        }
        return;
    }
    for (std::size_t first = 0; first < pieces; first += Lanes)
        splitBatch<Lanes, MaxRows>(points + first * m, m, std::min<std::size_t>(Lanes, pieces - first),
                                   out + 2 * m * first, scratch);
}

// The widths and rows per sweep each instruction set holds in its registers: 16 vector
// registers for SSE2 and AVX2, 32 for AVX-512, kSkew of history per row.
void splitBaseline(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out, std::vector<double> &scratch)
{
    splitAll<2, 4>(points, m, pieces, out, scratch);
}

#if defined(__x86_64__) || defined(__i386__)

[[gnu::target("avx2")]] void splitAvx2(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out,
                                       std::vector<double> &scratch)
{
    splitAll<4, 4>(points, m, pieces, out, scratch);
}

[[gnu::target("avx512f")]] void splitAvx512(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out,
                                            std::vector<double> &scratch)
{
    splitAll<8, 8>(points, m, pieces, out, scratch);
}

#endif

} // namespace

bool vectorPathSupported(VectorPath path)
{
#if defined(__x86_64__) || defined(__i386__)
    switch (path) {
    case VectorPath::Avx512:
        return __builtin_cpu_supports("avx512f");
    case VectorPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case VectorPath::Baseline:
        break;
    }
    return true;
#else
    return path == VectorPath::Baseline;
#endif
}

VectorPath fastestVectorPath()
{
    static const VectorPath fastest = vectorPathSupported(VectorPath::Avx512) ? VectorPath::Avx512
                                      : vectorPathSupported(VectorPath::Avx2) ? VectorPath::Avx2
                                                                              : VectorPath::Baseline;
    return fastest;
}

std::size_t lanesOf(VectorPath path)
{
    switch (path) {
    case VectorPath::Avx512:
        return 8;
    case VectorPath::Avx2:
        return 4;
    case VectorPath::Baseline:
        break;
    }
    return 2;
}

// Targets without x86's wider paths run only the baseline, whatever `path` says.
void splitPieces(const Point3 *points, std::size_t m, std::size_t pieces, Point3 *out, std::vector<double> &scratch,
                 [[maybe_unused]] VectorPath path)
{
#if defined(__x86_64__) || defined(__i386__)
    if (path == VectorPath::Avx512)
        return splitAvx512(points, m, pieces, out, scratch);
    if (path == VectorPath::Avx2)
        return splitAvx2(points, m, pieces, out, scratch);
#endif
    splitBaseline(points, m, pieces, out, scratch);
}

} // namespace bezier
