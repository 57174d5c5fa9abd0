#include "BezierOracle.h"
#include "CanvasView.h"
#include "GLTestSupport.h"
#include "XdoTool.h"

#include <QDir>
#include <QImage>
#include <QTest>

using namespace canvastest;

namespace {

// Places in the dialog, as the form lays them out.
constexpr QPoint kCanvasOrigin(10, 18);
constexpr QSize kCanvasSize(510, 502);
constexpr QPoint kAddButton(71, 544);
constexpr QPoint kMoveButton(200, 544);
constexpr QPoint kDeleteButton(329, 544);
constexpr QPoint kClearButton(458, 544);
constexpr QPoint kHullBox(537, 280);
constexpr QPoint kSubdivisionBox(537, 250);
constexpr int kTraceTimeoutMs = 10000;

// The program under test: this build's, or the one the harness names (the Windows program
// under Wine).
QString editorProgram()
{
    return qEnvironmentVariable("BEZIER_PROGRAM", BEZIER_BINARY);
}

// The screen's scale as the harness set it (QT_SCALE_FACTOR here, the DPI under Wine). The
// places above are in device-independent pixels; the pointer and the screenshots are in
// device pixels.
const double kScale = qEnvironmentVariableIsSet("BEZIER_SCREEN_SCALE")
                          ? qEnvironmentVariable("BEZIER_SCREEN_SCALE").toDouble()
                          : 1.0;

QPoint onScreen(QPointF position)
{
    return (position * kScale).toPoint();
}

QPoint windowPixel(const Point3 &p)
{
    return onScreen(QPointF(kCanvasOrigin) + QPointF((p.x * kStartZoom + 1.0) / 2.0 * kCanvasSize.width(),
                                                     (1.0 - p.y * kStartZoom) / 2.0 * kCanvasSize.height()));
}

// The first line of the trace of a press at `canvasPosition`: the device pixel under the
// pointer, y up.
QString pressTrace(QPoint canvasPosition)
{
    const QPoint pixel = onScreen(kCanvasOrigin + canvasPosition) - onScreen(kCanvasOrigin);
    const int canvasHeight = qRound(kCanvasSize.height() * kScale);
    return QString("Mouse coordinates: ( %1, %2 )\t  ").arg(pixel.x()).arg(canvasHeight - pixel.y() - 1);
}

QByteArray addTrace(QPoint canvasPosition)
{
    return (pressTrace(canvasPosition) + "Add Mode\nPoint Added (0, 0)\n\n").toLatin1();
}

} // namespace

// The built program driven by real X events, as a user drives it.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void editingSession();

private:
    void clickAt(QPoint windowPosition);
    void dragOnCanvas(QPoint from, QPoint to);
    QByteArray waitForTrace(int bytes);
    QImage screenshot(const QString &name);

    QProcess editor;
    qulonglong window = 0;
    QByteArray trace;
};

void TestEndToEnd::init()
{
    editor.setProcessChannelMode(QProcess::SeparateChannels);
    editor.start(editorProgram(), QStringList{});
    QVERIFY(editor.waitForStarted());
    window = xdo::waitForWindow(editor.processId(), "Bezier Curves");
    QVERIFY(window != 0);
    QCOMPARE(xdo::geometry(window).size(), (QSizeF(713, 563) * kScale).toSize());
    trace.clear();
}

void TestEndToEnd::cleanup()
{
    if (editor.state() != QProcess::NotRunning) {
        editor.kill();
        editor.waitForFinished();
    }
}

void TestEndToEnd::clickAt(QPoint windowPosition)
{
    const QString id = QString::number(window);
    const QPoint pixel = onScreen(windowPosition);
    xdo::run({"mousemove", "--window", id, "--sync", QString::number(pixel.x()), QString::number(pixel.y()), "click",
              "1"});
}

void TestEndToEnd::dragOnCanvas(QPoint from, QPoint to)
{
    const QString id = QString::number(window);
    const QPoint a = onScreen(kCanvasOrigin + from);
    const QPoint b = onScreen(kCanvasOrigin + to);
    const QPoint middle = (a + b) / 2;
    xdo::run({"mousemove", "--window", id, "--sync", QString::number(a.x()), QString::number(a.y()), "mousedown", "1",
              "mousemove", "--window", id, "--sync", QString::number(middle.x()), QString::number(middle.y()),
              "mousemove", "--window", id, "--sync", QString::number(b.x()), QString::number(b.y()), "mouseup", "1"});
}

// What the program printed, once at least `bytes` bytes have arrived through the pipe.
QByteArray TestEndToEnd::waitForTrace(int bytes)
{
    QElapsedTimer timer;
    timer.start();
    while (trace.size() < bytes && timer.elapsed() < kTraceTimeoutMs) {
        editor.waitForReadyRead(200);
        trace += editor.readAllStandardOutput();
    }
    return trace;
}

QImage TestEndToEnd::screenshot(const QString &name)
{
    // Let the last event's repaint reach the screen.
    QTest::qWait(300);
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(name + ".png");
    QProcess import;
    import.setProcessEnvironment(xdo::helperEnvironment());
    import.start("import", {"-window", QString::number(window), path});
    import.waitForFinished(20000);
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

void TestEndToEnd::editingSession()
{
    const QList<QPoint> clicks{{80, 420}, {200, 60}, {330, 440}, {450, 90}};
    QByteArray expected;
    for (const QPoint &position : clicks) {
        clickAt(kCanvasOrigin + position);
        expected += addTrace(position);
        // Each click reaches the pipe as it happens.
        QCOMPARE(waitForTrace(expected.size()), expected);
    }

    Polyline controlPoints;
    for (const QPoint &position : clicks)
        controlPoints.push_back(startViewPoint(position, kCanvasSize));
    QImage shot = screenshot("endtoend-added");
    for (const QPoint &position : clicks)
        QVERIFY(gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + position), 2, isMarker));
    for (double t : {0.25, 0.5, 0.75})
        QVERIFY(gltest::anyPixelNear(shot, windowPixel(bezierPoint(controlPoints, t)), 2, isCurveGrey));
    QCOMPARE(gltest::countPixels(shot, isHullRed), 0);

    clickAt(kHullBox);
    shot = screenshot("endtoend-hull");
    QVERIFY(gltest::countPixels(shot, isHullRed) > 500);
    const Point3 hullSideMiddle{(controlPoints[0].x + controlPoints[2].x) / 2,
                                (controlPoints[0].y + controlPoints[2].y) / 2, 0};
    QVERIFY(gltest::anyPixelNear(shot, windowPixel(hullSideMiddle), 2, isHullRed));

    clickAt(kSubdivisionBox);
    shot = screenshot("endtoend-subdivision");
    QVERIFY(gltest::countPixels(shot, isGreenMarker) > 100);

    clickAt(kMoveButton);
    const QPoint from = clicks[1];
    const QPoint to(260, 200);
    dragOnCanvas(from + QPoint(3, -2), to);
    expected += (pressTrace(from + QPoint(3, -2)) + "Move Mode\n\n").toLatin1();
    QCOMPARE(waitForTrace(expected.size()), expected);
    shot = screenshot("endtoend-moved");
    QVERIFY(gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + to), 2, isMarker));
    QVERIFY(!gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + from), 3, isMarker));

    clickAt(kDeleteButton);
    clickAt(kCanvasOrigin + clicks[3] + QPoint(20, 20));
    expected += (pressTrace(clicks[3] + QPoint(20, 20)) + "Delete Mode\nSelected Point is 3 \n").toLatin1();
    QCOMPARE(waitForTrace(expected.size()), expected);
    shot = screenshot("endtoend-deleted");
    QVERIFY(!gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + clicks[3]), 3, isMarker));
    QVERIFY(gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + clicks[0]), 2, isMarker));

    clickAt(kAddButton);
    clickAt(kClearButton);
    shot = screenshot("endtoend-cleared");
    const QRect canvasArea(onScreen(kCanvasOrigin + QPoint(0, 3)),
                           (QSizeF(kCanvasSize - QSize(0, 3)) * kScale).toSize());
    const QImage canvasShot = shot.copy(canvasArea);
    QCOMPARE(gltest::countPixels(canvasShot, isMarker), 0);
    QCOMPARE(gltest::countPixels(canvasShot, isHullRed), 0);
    QCOMPARE(gltest::countPixels(canvasShot, isGreenMarker), 0);
    QVERIFY(gltest::countPixels(canvasShot, isCurveGrey) < 20);

    // A double click in add mode adds the point twice.
    clickAt(kCanvasOrigin + QPoint(100, 100));
    xdo::run({"click", "--repeat", "2", "--delay", "60", "1"});
    const QByteArray once = addTrace({100, 100});
    expected += once + once + once;
    QCOMPARE(waitForTrace(expected.size()), expected);

    xdo::run({"windowfocus", "--sync", QString::number(window)});
    xdo::run({"key", "--window", QString::number(window), "Escape"});
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitCode(), 0);
    QCOMPARE(trace + editor.readAllStandardOutput(), expected);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
