#include "core/ParameterModel.h"

#include <QTest>

#include <cmath>

using namespace bezier;

namespace {

constexpr double kPartitionTolerance = 1e-12;
constexpr int kSamplesPerCurve = 41;

PolylineList basisFor(int count)
{
    ParameterModel parameter;
    parameter.degree = count;
    parameter.computeBasis();
    return parameter.basisCurves;
}

long double oracleBasis(int degree, int i, long double t)
{
    return std::tgamma(degree + 1.0L) / (std::tgamma(i + 1.0L) * std::tgamma(degree - i + 1.0L))
           * std::pow(1.0L - t, degree - i) * std::pow(t, i);
}

} // namespace

class TestBernsteinBasis : public QObject
{
    Q_OBJECT

private slots:
    void factorialValues_data();
    void factorialValues();
    void binomialValues_data();
    void binomialValues();
    void curvesPerCount_data();
    void curvesPerCount();
    void samples();
    void notApplicableStrokes_data();
    void notApplicableStrokes();
};

void TestBernsteinBasis::factorialValues_data()
{
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("expected");
    QTest::newRow("negative") << -2 << 1;
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("5") << 5 << 120;
    QTest::newRow("11") << 11 << 39916800;
    QTest::newRow("12") << 12 << 479001600;
}

void TestBernsteinBasis::factorialValues()
{
    QFETCH(int, m);
    QFETCH(int, expected);
    QCOMPARE(ParameterModel::factorial(m), expected);
}

void TestBernsteinBasis::binomialValues_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("expected");
    QTest::newRow("0 choose 0") << 0 << 0 << 1;
    QTest::newRow("3 choose 1") << 3 << 1 << 3;
    QTest::newRow("11 choose 0") << 11 << 0 << 1;
    QTest::newRow("11 choose 5") << 11 << 5 << 462;
    QTest::newRow("11 choose 11") << 11 << 11 << 1;
}

void TestBernsteinBasis::binomialValues()
{
    QFETCH(int, n);
    QFETCH(int, k);
    QFETCH(int, expected);
    QCOMPARE(ParameterModel::binomial(n, k), expected);
}

void TestBernsteinBasis::curvesPerCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("curves");
    QTest::newRow("negative") << -3 << 0;
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("four") << 4 << 4;
    QTest::newRow("twelve") << 12 << 12;
}

void TestBernsteinBasis::curvesPerCount()
{
    QFETCH(int, count);
    QFETCH(int, curves);
    const PolylineList basis = basisFor(count);
    QCOMPARE(static_cast<int>(basis.size()), curves);
    for (const Polyline &samples : basis)
        QCOMPARE(static_cast<int>(samples.size()), kSamplesPerCurve);
}

void TestBernsteinBasis::samples()
{
    for (int count = 1; count <= kMaxPlottedBasisCount; ++count) {
        const PolylineList basis = basisFor(count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(basis[i].front().x, 0.0);
            QCOMPARE(basis[i].front().y, i == 0 ? 1.0 : 0.0);
            QVERIFY(basis[i].back().x > 1.0 && basis[i].back().x < 1.001);
        }
        for (int s = 0; s < kSamplesPerCurve; ++s) {
            double sum = 0.0;
            for (int i = 0; i < count; ++i) {
                const Point3 &p = basis[i][s];
                QCOMPARE(p.x, basis[0][s].x);
                QCOMPARE(p.z, 0.0);
                QVERIFY2(std::fabs(p.y - static_cast<double>(oracleBasis(count - 1, i, p.x))) < kPartitionTolerance,
                         qPrintable(QString("count %1, basis %2, sample %3").arg(count).arg(i).arg(s)));
                sum += p.y;
            }
            QVERIFY2(std::fabs(sum - 1.0) < kPartitionTolerance,
                     qPrintable(QString("count %1, sample %2: %3").arg(count).arg(s).arg(sum, 0, 'g', 17)));
        }
    }
    // Accumulated, not multiplied: the last parameter carries the sum's rounding.
    double t = 0.0;
    for (int s = 1; s < kSamplesPerCurve; ++s)
        t += kBasisParameterStep;
    QCOMPARE(basisFor(2)[1].back().x, t);
    QCOMPARE(t, 1.0000000000000004);
}

void TestBernsteinBasis::notApplicableStrokes_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("13") << 13;
    QTest::newRow("100") << 100;
}

void TestBernsteinBasis::notApplicableStrokes()
{
    QFETCH(int, count);
    const PolylineList strokes = basisFor(count);
    QCOMPARE(strokes.size(), std::size_t{3});
    QCOMPARE(strokes[0], (Polyline{{0.15, 0.25, 0}, {0.15, 0.75, 0}, {0.3, 0.25, 0}, {0.3, 0.75, 0}}));
    QCOMPARE(strokes[1], (Polyline{{0.45, 0.25, 0}, {0.6, 0.75, 0}}));
    QCOMPARE(strokes[2], (Polyline{{0.75, 0.25, 0}, {0.825, 0.75, 0}, {0.9, 0.25, 0}, {0.86, 0.5, 0}, {0.78, 0.5, 0}}));
}

QTEST_APPLESS_MAIN(TestBernsteinBasis)
#include "tst_bernsteinbasis.moc"
