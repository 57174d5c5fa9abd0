#include "AllocationCount.h"
#include "BezierOracle.h"
#include "canvas/Subdivision.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(Polyline)

namespace {

constexpr double kCurveTolerance = 1e-12;

// The de Casteljau triangle kept whole, row after row, as a textbook would write it.
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

// The same bits, NaN payloads aside.
bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

bool bitIdentical(const Polyline &a, const Polyline &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Point3 &p, const Point3 &q) {
               return sameValue(p.x, q.x) && sameValue(p.y, q.y) && sameValue(p.z, q.z);
           });
}

const std::pair<VectorPath, const char *> kPaths[] = {
    {VectorPath::Baseline, "baseline"}, {VectorPath::Avx2, "AVX2"}, {VectorPath::Avx512, "AVX-512"}};

// Inputs where an add or a halving done another way, or fused, would round or overflow
// differently.
enum class Values { Random, NearOverflow, Subnormal, SignedZeros, InfinitiesAndNaN, LoneSpike };

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

Polyline polygonOf(Values kind, std::mt19937_64 &random, std::size_t size)
{
    Polyline polygon(size);
    for (Point3 &p : polygon)
        p = {valueOf(kind, random), valueOf(kind, random), valueOf(kind, random)};
    if (kind == Values::LoneSpike && size > 0)
        polygon[random() % size].y = 1e-10;
    return polygon;
}

const Polyline kCorner{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

Polyline levelOf(const Polyline &controlPoints, int depth)
{
    Polyline level = controlPoints;
    for (int k = 0; k < depth; ++k)
        level = subdivideLevel(level, controlPoints.size());
    return level;
}

} // namespace

Q_DECLARE_METATYPE(Values)

class TestSubdivision : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oneStep_data();
    void oneStep();
    void matchesFullTriangleBitForBit_data();
    void matchesFullTriangleBitForBit();
    void threadedLevelsMatchOnePieceAtATime();
    void rebuildsOfTheSameSizeAllocateNothing();
    void levelSizesAndEnds_data();
    void levelSizesAndEnds();
    void pieceEndsLieOnTheCurve_data();
    void pieceEndsLieOnTheCurve();
    void middleOfEveryLevelIsTheCurvePoint();
    void levelsConvergeToTheCurve();
};

// Which paths the bit-identity tests below cover here.
void TestSubdivision::initTestCase()
{
    QStringList covered;
    for (const auto &[path, name] : kPaths)
        if (vectorPathSupported(path))
            covered << name;
    qInfo("vector paths on this processor: %s", qPrintable(covered.join(", ")));
}

void TestSubdivision::oneStep_data()
{
    QTest::addColumn<Polyline>("input");
    QTest::addColumn<Polyline>("expected");

    QTest::newRow("empty") << Polyline{} << Polyline{};
    QTest::newRow("one point") << Polyline{{1.5, -2, 3}} << Polyline{{1.5, -2, 3}};
    QTest::newRow("two points") << Polyline{{0, 0, 0}, {1, 2, 4}} << Polyline{{0, 0, 0}, {0.5, 1, 2}, {1, 2, 4}};
    QTest::newRow("corner, level 1") << kCorner
                                     << Polyline{{0, 0, 0}, {0.5, 0, 0}, {0.75, 0.25, 0}, {1, 0.5, 0}, {1, 1, 0}};
    QTest::newRow("corner level 1, whole") << Polyline{{0, 0, 0}, {0.5, 0, 0}, {0.75, 0.25, 0}, {1, 0.5, 0}, {1, 1, 0}}
                                           << Polyline{{0, 0, 0},
                                                       {0.25, 0, 0},
                                                       {0.4375, 0.0625, 0},
                                                       {0.59375, 0.15625, 0},
                                                       {0.71875, 0.28125, 0},
                                                       {0.84375, 0.40625, 0},
                                                       {0.9375, 0.5625, 0},
                                                       {1, 0.75, 0},
                                                       {1, 1, 0}};
    QTest::newRow("square") << Polyline{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}
                            << Polyline{{0, 0, 0}, {1, 0, 0}, {1.5, 0.5, 0}, {1.5, 1, 0}, {1.5, 1.5, 0}, {1, 2, 0}, {0, 2, 0}};
}

void TestSubdivision::oneStep()
{
    QFETCH(Polyline, input);
    QFETCH(Polyline, expected);
    const Polyline before = input;
    QCOMPARE(subdivide(input), expected);
    QCOMPARE(input, before);
}

void TestSubdivision::matchesFullTriangleBitForBit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<Values>("values");
    const std::pair<const char *, Values> kinds[] = {
        {"random", Values::Random},       {"near overflow", Values::NearOverflow},
        {"subnormal", Values::Subnormal}, {"signed zeros", Values::SignedZeros},
        {"inf and NaN", Values::InfinitiesAndNaN}, {"lone spike", Values::LoneSpike}};
    for (const auto &[name, kind] : kinds)
        for (int size : {1, 2, 3, 4, 7, 9, 12, 33, 100, 257, 600})
            QTest::addRow("%s, %d points", name, size) << size << kind;
}

// On every instruction set the processor has, one polygon alone and chains of pieces: fewer
// pieces than a vector has lanes, whole batches, and batches with 1 to 7 pieces left over.
void TestSubdivision::matchesFullTriangleBitForBit()
{
    QFETCH(int, size);
    QFETCH(Values, values);
    const unsigned seed = 20261208u + static_cast<unsigned>(size) + 1000u * static_cast<unsigned>(values);
    std::mt19937_64 random(seed);
    std::vector<double> scratch;
    for (int trial = 0; trial < 3; ++trial) {
        const Polyline polygon = polygonOf(values, random, size);
        const Polyline expected = fullTriangleSubdivide(polygon);
        QVERIFY2(bitIdentical(subdivide(polygon), expected), qPrintable(QString("seed %1, trial %2").arg(seed).arg(trial)));
        for (const auto &[path, name] : kPaths) {
            if (!vectorPathSupported(path))
                continue;
            Polyline split(expected.size());
            subdivideInto(polygon.data(), polygon.size(), split.data(), scratch, path);
            QVERIFY2(bitIdentical(split, expected),
                     qPrintable(QString("%1, seed %2, trial %3").arg(name).arg(seed).arg(trial)));
        }
    }
    if (size < 2)
        return;
    const std::size_t m = size - 1;
    // Long pieces only where a level has few of them, as it does in the editor.
    const std::vector<std::size_t> pieceCounts =
        size > 300 ? std::vector<std::size_t>{2, 3} : std::vector<std::size_t>{2, 3, 5, 8, 11, 13, 16, 23};
    for (std::size_t pieces : pieceCounts) {
        const Polyline level = polygonOf(values, random, pieces * m + 1);
        Polyline expected{level.front()};
        for (std::size_t piece = 0; piece < pieces; ++piece) {
            const auto first = level.begin() + static_cast<std::ptrdiff_t>(piece * m);
            const Polyline halves = fullTriangleSubdivide(Polyline(first, first + static_cast<std::ptrdiff_t>(m + 1)));
            expected.insert(expected.end(), halves.begin() + 1, halves.end());
        }
        for (const auto &[path, name] : kPaths)
            if (vectorPathSupported(path))
                QVERIFY2(bitIdentical(subdivideLevel(level, size, path), expected),
                         qPrintable(QString("%1, %2 pieces, seed %3").arg(name).arg(pieces).arg(seed)));
    }
}

// Levels large enough to be split by several threads equal the pieces split one by one.
void TestSubdivision::threadedLevelsMatchOnePieceAtATime()
{
    const unsigned seed = 77u;
    std::mt19937_64 random(seed);
    const Polyline controlPoints = polygonOf(Values::Random, random, 400);
    const std::size_t m = controlPoints.size() - 1;
    Polyline level = controlPoints;
    for (int k = 1; k <= 5; ++k) {
        Polyline expected;
        for (std::size_t piece = 0; piece + 1 < level.size(); piece += m) {
            const Polyline halves = subdivide(Polyline(level.begin() + piece, level.begin() + piece + m + 1));
            expected.insert(expected.end(), halves.begin() + (expected.empty() ? 0 : 1), halves.end());
        }
        level = subdivideLevel(level, controlPoints.size());
        QVERIFY2(bitIdentical(level, expected), qPrintable(QString("seed %1, level %2").arg(seed).arg(k)));
    }
}

// A drag rebuilds every level from moved control points at each event: once the storage is
// sized, the cache reuses it and allocates nothing.
void TestSubdivision::rebuildsOfTheSameSizeAllocateNothing()
{
    std::mt19937_64 random(5);
    Polyline controlPoints = polygonOf(Values::Random, random, 100);
    PolylineList levels;
    LevelStorage storage;
    int computedLevel = 0;
    // The first rebuild and the first drag event size the storage.
    for (int warmUp = 0; warmUp < 2; ++warmUp) {
        computedLevel = 0;
        updateLevels(levels, computedLevel, 8, controlPoints, storage);
    }
    const long before = allocationCount();
    for (int event = 0; event < 100; ++event) {
        controlPoints[50].x = event * 0.01;
        computedLevel = 0;
        updateLevels(levels, computedLevel, 8, controlPoints, storage);
    }
    QCOMPARE(allocationCount() - before, 0L);
    QCOMPARE(levels.size(), std::size_t{9});
    QCOMPARE(levels.back()[levels.back().size() / 2], subdivideLevel(levels[7], 100)[levels.back().size() / 2]);
}

void TestSubdivision::levelSizesAndEnds_data()
{
    QTest::addColumn<Polyline>("controlPoints");
    QTest::newRow("one point") << Polyline{{0.3, 0.4, 0}};
    QTest::newRow("two points") << Polyline{{0, 0, 0}, {1, 1, 0}};
    QTest::newRow("corner") << kCorner;
    QTest::newRow("five points") << Polyline{{0, 0, 0}, {1, 3, 0}, {2, -1, 0}, {4, 2, 0}, {5, 0, 0}};
}

void TestSubdivision::levelSizesAndEnds()
{
    QFETCH(Polyline, controlPoints);
    const std::size_t n = controlPoints.size();
    Polyline level = controlPoints;
    for (int k = 1; k <= 8; ++k) {
        level = subdivideLevel(level, n);
        QCOMPARE(level.size(), (std::size_t{1} << k) * (n - 1) + 1);
        QCOMPARE(level.front(), controlPoints.front());
        QCOMPARE(level.back(), controlPoints.back());
    }
}

void TestSubdivision::pieceEndsLieOnTheCurve_data()
{
    QTest::addColumn<Polyline>("controlPoints");
    QTest::newRow("corner") << kCorner;
    QTest::newRow("square") << Polyline{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    QTest::newRow("six points in space")
        << Polyline{{0, 0, 0}, {1, 3, 1}, {2, -1, -2}, {4, 2, 0.5}, {5, 0, 1}, {3, -2, 0}};
}

void TestSubdivision::pieceEndsLieOnTheCurve()
{
    QFETCH(Polyline, controlPoints);
    const std::size_t m = controlPoints.size() - 1;
    for (int k = 0; k <= 6; ++k) {
        const Polyline level = levelOf(controlPoints, k);
        const int pieces = 1 << k;
        for (int j = 0; j <= pieces; ++j) {
            const Point3 expected = bezierPoint(controlPoints, static_cast<double>(j) / pieces);
            const Point3 actual = level[j * m];
            QVERIFY2(std::fabs(actual.x - expected.x) < kCurveTolerance
                         && std::fabs(actual.y - expected.y) < kCurveTolerance
                         && std::fabs(actual.z - expected.z) < kCurveTolerance,
                     qPrintable(QString("level %1, end %2").arg(k).arg(j)));
        }
    }
}

void TestSubdivision::middleOfEveryLevelIsTheCurvePoint()
{
    for (int k = 1; k <= 8; ++k) {
        const Polyline level = levelOf(kCorner, k);
        QCOMPARE(level[level.size() / 2], (Point3{0.75, 0.25, 0}));
    }
}

void TestSubdivision::levelsConvergeToTheCurve()
{
    const Polyline controlPoints{{0, 0, 0}, {1, 3, 0}, {2, -1, 0}, {4, 2, 0}, {5, 0, 0}};
    const Polyline fine = sampleCurve(controlPoints);
    const auto farthestVertex = [&](int depth) {
        double farthest = 0.0;
        for (const Point3 &p : levelOf(controlPoints, depth))
            farthest = std::max(farthest, distanceToPolyline(fine, p));
        return farthest;
    };
    const double atLevel2 = farthestVertex(2);
    const double atLevel8 = farthestVertex(8);
    QVERIFY2(atLevel2 > 1e-2, qPrintable(QString::number(atLevel2)));
    QVERIFY2(atLevel8 < atLevel2 / 1000.0, qPrintable(QString("%1 vs %2").arg(atLevel8).arg(atLevel2)));
}

QTEST_APPLESS_MAIN(TestSubdivision)
#include "tst_subdivision.moc"
