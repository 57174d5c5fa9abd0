#include "AllocationCount.h"
#include "BezierOracle.h"
#include "SubdivisionIdentity.h"
#include "core/Subdivision.h"

#include <QTest>

#include <cmath>

using namespace bezier;

Q_DECLARE_METATYPE(Polyline)

namespace {

constexpr double kCurveTolerance = 1e-12;

const Polyline kCorner{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

Polyline levelOf(const Polyline &controlPoints, int depth)
{
    Polyline level = controlPoints;
    for (int k = 0; k < depth; ++k)
        level = subdivideLevel(level, controlPoints.size());
    return level;
}

} // namespace

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
    for (const auto &[path, name] : kVectorPaths)
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
    QTest::addColumn<int>("row");
    const std::vector<IdentityCase> cases = identityCases();
    for (std::size_t row = 0; row < cases.size(); ++row)
        QTest::newRow(cases[row].name.c_str()) << static_cast<int>(row);
}

// On every instruction set the processor has.
void TestSubdivision::matchesFullTriangleBitForBit()
{
    QFETCH(int, row);
    const std::string failure = identityFailure(identityCases()[row]);
    QVERIFY2(failure.empty(), failure.c_str());
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
