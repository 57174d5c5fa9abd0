#include "GLTestSupport.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"

#include <QFile>
#include <QTest>

#include <malloc.h>


#include <cstdio>
#include <memory>
#include <random>

#ifdef __SANITIZE_ADDRESS__
// From the sanitizer runtime, whose headers GCC does not install.

using namespace bezier;
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr int kPoints = 500;
// What may stay allocated after a cycle that follows an identical one.
constexpr double kAllowedGrowthMb = 1.0;

// Bytes the program has allocated and not freed; the sanitizer build has its own allocator.
double heapInUseMb()
{
#ifdef __SANITIZE_ADDRESS__
    const double bytes = static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
    const double bytes = static_cast<double>(mallinfo2().uordblks);
#endif
    return bytes / (1024.0 * 1024.0);
}

double residentMb()
{
    QFile status("/proc/self/statm");
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0.0;
}

} // namespace

// Many points added by clicks and then deleted one by one, with every invariant checked.
class TestStress : public QObject
{
    Q_OBJECT

private slots:
    void addFiveHundredThenDeleteThemAll();

private:
    void checkInvariants(GLBBox &canvas, GLParameter &view, std::size_t expectedCount);
};

void TestStress::checkInvariants(GLBBox &canvas, GLParameter &view, std::size_t expectedCount)
{
    GLBBoxTestAccess access(canvas);
    QCOMPARE(access.controlPoints().size(), expectedCount);
    QCOMPARE(static_cast<int>(access.levels().size()), access.computedLevel() + 1);
    QCOMPARE(access.levels().front(), access.controlPoints());
    QCOMPARE(access.curve(), access.levels().back());
    QCOMPARE(GLParameterTestAccess(view).degree(), static_cast<int>(expectedCount));
    // The canvas's axes list and the parameter view's two, which share their names.
    QCOMPARE(gltest::liveDisplayLists(canvas), 3);
    canvas.makeCurrent();
    QCOMPARE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void TestStress::addFiveHundredThenDeleteThemAll()
{
    BezierDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    GLBBox &canvas = *dialog.GLBBox2;
    GLParameter &view = *dialog.MyCustomWidget1;
    GLBBoxTestAccess access(canvas);
    dialog.CheckBox2->click();

    const unsigned seed = 500u;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> x(2, 507), y(2, 499);
    // The first cycle fills the GL driver's pools for lists of this size; the second shows
    // whether the editor itself keeps anything.
    std::vector<double> heapAtCycleStart, heapAtCycleEnd;
    for (int cycle = 0; cycle < 2; ++cycle) {
        malloc_trim(0);
        heapAtCycleStart.push_back(heapInUseMb());
        const double residentAtStart = residentMb();

        dialog.PushButton1->click();
        for (int i = 1; i <= kPoints; ++i) {
            QTest::mouseClick(&canvas, Qt::LeftButton, {}, {x(random), y(random)});
            checkInvariants(canvas, view, static_cast<std::size_t>(i));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("seed %1, cycle %2, adding point %3").arg(seed).arg(cycle).arg(i)));
        }
        QCOMPARE(access.hull().front(), access.hull().back());
        const double heapAtPeak = heapInUseMb();

        dialog.PushButton5->click();
        for (int i = kPoints - 1; i >= 0; --i) {
            QTest::mouseClick(&canvas, Qt::LeftButton, {}, {x(random), y(random)});
            checkInvariants(canvas, view, static_cast<std::size_t>(i));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("seed %1, cycle %2, deleting down to %3").arg(seed).arg(cycle).arg(i)));
        }
        QVERIFY(access.hull().empty());

        malloc_trim(0);
        heapAtCycleEnd.push_back(heapInUseMb());
        std::fprintf(stderr,
                     "cycle %d: heap in use %.1f MB at start, %.1f MB with %d points, %.1f MB at the end; "
                     "resident %.1f MB at start, %.1f MB at the end\n",
                     cycle, heapAtCycleStart.back(), heapAtPeak, kPoints, heapAtCycleEnd.back(), residentAtStart,
                     residentMb());
    }
    QVERIFY2(heapAtCycleEnd[1] - heapAtCycleStart[1] < kAllowedGrowthMb,
             qPrintable(QString("seed %1: the heap grew by %2 MB").arg(seed).arg(heapAtCycleEnd[1] - heapAtCycleStart[1])));
}

QTEST_MAIN(TestStress)
#include "tst_stress.moc"
