#include "core/ConvexHull.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <set>
#include <utility>

using namespace bezier;

Q_DECLARE_METATYPE(Polyline)

namespace {

// 180 / 3.1415926535 times atan(1), the angle the walk gives a 45 degree direction.
constexpr double kFortyFive = 45.00000000128619;
constexpr double kInsideTolerance = 1e-9;

double cross(const Point3 &o, const Point3 &a, const Point3 &b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Andrew's monotone chain: the independent hull, counterclockwise, without collinear points.
Polyline monotoneChain(Polyline points)
{
    std::sort(points.begin(), points.end(),
              [](const Point3 &a, const Point3 &b) { return std::pair(a.x, a.y) < std::pair(b.x, b.y); });
    Polyline hull(2 * points.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

std::set<std::pair<double, double>> vertexSet(const Polyline &polygon, std::size_t count)
{
    std::set<std::pair<double, double>> vertices;
    for (std::size_t i = 0; i < count; ++i)
        vertices.insert({polygon[i].x, polygon[i].y});
    return vertices;
}

} // namespace

class TestConvexHull : public QObject
{
    Q_OBJECT

private slots:
    void angle_data();
    void angle();
    void hull_data();
    void hull();
    void agreesWithMonotoneChain();
};

void TestConvexHull::angle_data()
{
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");
    QTest::addColumn<double>("expected");

    QTest::newRow("same point") << 0.0 << 0.0 << 0.0;
    QTest::newRow("up") << 0.0 << 2.0 << 0.0;
    QTest::newRow("left") << -3.0 << 0.0 << 90.0;
    QTest::newRow("down") << 0.0 << -1.0 << 180.0;
    QTest::newRow("right") << 5.0 << 0.0 << 270.0;
    QTest::newRow("up left") << -1.0 << 1.0 << kFortyFive;
    QTest::newRow("down left") << -1.0 << -1.0 << 180.0 - kFortyFive;
    QTest::newRow("down right") << 1.0 << -1.0 << 180.0 + kFortyFive;
    QTest::newRow("up right") << 1.0 << 1.0 << 360.0 - kFortyFive;
}

void TestConvexHull::angle()
{
    QFETCH(double, dx);
    QFETCH(double, dy);
    QFETCH(double, expected);
    // Exact: the hull's choices hang on these values to the last bit.
    QCOMPARE(directionAngle(1.0, 2.0, 1.0 + dx, 2.0 + dy), expected);
}

void TestConvexHull::hull_data()
{
    QTest::addColumn<Polyline>("points");
    QTest::addColumn<Polyline>("expected");

    QTest::newRow("none") << Polyline{} << Polyline{};
    QTest::newRow("one") << Polyline{{1, 1, 0}} << Polyline{};
    QTest::newRow("two") << Polyline{{1, 1, 0}, {2, 0, 0}} << Polyline{};
    QTest::newRow("three, clockwise, kept as given")
        << Polyline{{0, 0, 0.5}, {0, 1, 0}, {1, 0, 0}} << Polyline{{0, 0, 0.5}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0.5}};
    QTest::newRow("kite with an inner point") << Polyline{{0, 0, 0}, {2, 1, 0}, {0, 2, 0}, {1, 1, 0}}
                                              << Polyline{{2, 1, 0}, {0, 2, 0}, {0, 0, 0}, {2, 1, 0}};
    QTest::newRow("square with its centre")
        << Polyline{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 0}}
        << Polyline{{1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    QTest::newRow("four on a horizontal line") << Polyline{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}
                                               << Polyline{{3, 0, 0}, {0, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    QTest::newRow("four identical") << Polyline{{2, 3, 0}, {2, 3, 0}, {2, 3, 0}, {2, 3, 0}}
                                    << Polyline{{2, 3, 0}, {2, 3, 0}};
    QTest::newRow("point on a side is skipped")
        << Polyline{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0.5, 0}}
        << Polyline{{1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    QTest::newRow("point on the last side stays")
        << Polyline{{2, 1, 0}, {0, 2, 0}, {0, 0, 0}, {1, 0.5, 0}}
        << Polyline{{2, 1, 0}, {0, 2, 0}, {0, 0, 0}, {1, 0.5, 0}, {2, 1, 0}};
    QTest::newRow("z is dropped from four or more") << Polyline{{0, 0, 1}, {2, 0, 1}, {2, 2, 1}, {0, 2, 1}}
                                                    << Polyline{{2, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}, {2, 2, 0}};
}

void TestConvexHull::hull()
{
    QFETCH(Polyline, points);
    QFETCH(Polyline, expected);
    QCOMPARE(convexHull(points), expected);
}

void TestConvexHull::agreesWithMonotoneChain()
{
    const unsigned seed = 7211u;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
    std::uniform_int_distribution<int> size(4, 60);
    for (int trial = 0; trial < 500; ++trial) {
        Polyline points(size(random));
        for (Point3 &p : points)
            p = {coordinate(random), coordinate(random), 0.0};
        const QString where = QString("seed %1, trial %2").arg(seed).arg(trial);

        const Polyline hull = convexHull(points);
        QVERIFY2(hull.size() >= 4, qPrintable(where));
        QVERIFY2(hull.front() == hull.back(), qPrintable(where));
        const std::size_t vertices = hull.size() - 1;
        QVERIFY2(vertexSet(hull, vertices) == vertexSet(monotoneChain(points), monotoneChain(points).size()),
                 qPrintable(where));
        for (std::size_t i = 0; i < vertices; ++i) {
            QVERIFY2(cross(hull[i], hull[i + 1], hull[(i + 2) % vertices]) > 0, qPrintable(where + " turns right"));
            for (const Point3 &p : points)
                QVERIFY2(cross(hull[i], hull[i + 1], p) >= -kInsideTolerance, qPrintable(where + " leaves a point out"));
        }
    }
}

QTEST_APPLESS_MAIN(TestConvexHull)
#include "tst_convexhull.moc"
