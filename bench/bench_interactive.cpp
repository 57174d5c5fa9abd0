// The editor as it is used: a drag in move mode on the real dialog with real GL, against a
// repaint that only rotates the view, and an add click; each event handled synchronously.
#include "BenchTable.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

constexpr int kDepth = 8;
constexpr int kDragEvents = 300;
constexpr int kAddClicks = 30;
constexpr double kFrameBudgetMs = 16.0;
constexpr double kFrameP95Ms = 25.0;
constexpr double kMaxDragOverRotation = 1.5;
constexpr double kMemoryLimitMb = 100.0;

// Current resident memory by kind, from /proc: anonymous (heap) and file-backed (code).
std::string residentBreakdown()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return {};
    QStringList parts;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS") || line.startsWith("RssAnon") || line.startsWith("RssFile"))
            parts << QString::fromLatin1(line.simplified());
    return parts.join(", ").toStdString();
}

double peakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

class Session
{
public:
    Session()
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qFatal("the dialog was not shown");
        canvas = dialog.GLBBox2;
        dialog.Slider2->setValue(kDepth);
    }

    void setPoints(const Polyline &points)
    {
        GLBBoxTestAccess access(*canvas);
        access.setControlPoints(points);
        access.setComputedLevel(0);
        canvas->changeDrawLevel(kDepth);
    }

    QPoint pixelOf(const Point3 &p) const
    {
        const double zoom = 1.25;
        return {static_cast<int>((p.x * zoom + 1.0) / 2.0 * canvas->width()),
                static_cast<int>((1.0 - p.y * zoom) / 2.0 * canvas->height())};
    }

    void moveTo(QPointF position)
    {
        QMouseEvent move(QEvent::MouseMove, position, canvas->mapToGlobal(position), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &move);
    }

    // Milliseconds of each call, up to the end of GL work.
    std::vector<double> time(int count, const std::function<void(int)> &action)
    {
        std::vector<double> samples;
        samples.reserve(count);
        for (int i = 0; i < count; ++i) {
            QElapsedTimer timer;
            timer.start();
            action(i);
            canvas->makeCurrent();
            glFinish();
            samples.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        return samples;
    }

    std::vector<double> drag(int controlPoints, int events)
    {
        const Polyline points = randomPoints(controlPoints, 0.7, 7);
        setPoints(points);
        canvas->setMoveMode();
        const QPoint start = pixelOf(points[controlPoints / 2]);
        QTest::mousePress(canvas, Qt::LeftButton, {}, start);
        std::vector<double> samples = time(events, [&](int i) {
            const double angle = 2.0 * M_PI * i / events;
            moveTo(QPointF(start) + QPointF(60.0 * std::cos(angle), 60.0 * std::sin(angle)));
        });
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, start);
        return samples;
    }

    std::vector<double> rotate(int controlPoints, int events)
    {
        setPoints(randomPoints(controlPoints, 0.7, 7));
        return time(events, [&](int i) { canvas->setZRotation(i % 360); });
    }

    std::vector<double> addClicks(int controlPoints, int clicks)
    {
        canvas->setAddMode();
        std::vector<double> samples;
        for (int i = 0; i < clicks; ++i) {
            setPoints(randomPoints(controlPoints, 0.7, 7));
            const std::vector<double> one
                = time(1, [&](int) { QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(100 + i, 200)); });
            samples.push_back(one.front());
        }
        return samples;
    }

    BezierDialog dialog;
    GLBBox *canvas = nullptr;
};

int runTimings()
{
    Session session;
    printHeader("Interactive (real dialog, Xvfb, Mesa software GL, depth 8)");
    const BenchRow drag12 = summarize("drag event, 12 points", "ms", session.drag(12, kDragEvents));
    const BenchRow rotate12 = summarize("rotation-only repaint, 12 points", "ms", session.rotate(12, kDragEvents));
    const BenchRow drag100 = summarize("drag event, 100 points", "ms", session.drag(100, kDragEvents));
    const BenchRow rotate100 = summarize("rotation-only repaint, 100 points", "ms", session.rotate(100, kDragEvents));
    const BenchRow add100 = summarize("add click at 100 points", "ms", session.addClicks(100, kAddClicks));
    for (const BenchRow &row : {drag12, rotate12, drag100, rotate100, add100})
        printRow(row);
    printRatio("drag 12 / rotation-only 12 (median)", drag12.median / rotate12.median, "target <= 1.5");
    printRatio("drag 100 median / 16 ms frame", drag100.median / kFrameBudgetMs, "target <= 1");
    printRatio("drag 100 p95 / 25 ms", drag100.p95 / kFrameP95Ms, "target <= 1");
    const bool met = drag12.median <= kMaxDragOverRotation * rotate12.median && drag100.median <= kFrameBudgetMs
                     && drag100.p95 <= kFrameP95Ms;
    std::fprintf(benchOutput(), "interactive targets: %s\n", met ? "met" : "NOT met");
    return 0;
}

int runMemory()
{
    const double atStart = peakResidentMb();
    Session session;
    const double shown = peakResidentMb();
    const std::string shownBreakdown = residentBreakdown();
    const std::vector<double> samples = session.drag(1000, 20);
    const double peak = peakResidentMb();
    printHeader("Memory (drag at 1,000 control points, depth 8)");
    printRow(summarize("drag event, 1000 points", "ms", samples));
    std::fprintf(benchOutput(), "peak resident memory: %.1f MB (before the dialog %.1f MB, dialog shown %.1f MB)\n", peak, atStart,
                shown);
    std::fprintf(benchOutput(), "resident with the dialog shown: %s\n", shownBreakdown.c_str());
    std::fprintf(benchOutput(), "resident after the drag:        %s\n", residentBreakdown().c_str());
    std::fprintf(benchOutput(), "added by the drag at 1,000 points: %.1f MB\n", peak - shown);
    printRatio("peak resident / 100 MB", peak / kMemoryLimitMb, "target <= 1");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The canvas traces every click on standard output; keep the table apart from it.
    benchOutput() = fdopen(dup(STDOUT_FILENO), "w");
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    QApplication application(argc, argv);
    const bool memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
    return memory ? runMemory() : runTimings();
}
