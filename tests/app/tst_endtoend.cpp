#include "BezierOracle.h"
#include "CanvasView.h"
#include "GLTestSupport.h"
#include "XdoTool.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QTest>

#include <cstdlib>
#include <tuple>

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
// The canvas's keyboard focus frame.
const QColor kFocusFrame(0x3a, 0x6e, 0xa5);
constexpr int kScreenshotAttempts = 10;

// The widgets every build must show, where the form puts them, and whether OpenGL draws them
// (those pictures are the same on every system; the others only have to be there).
struct ShownWidget
{
    const char *name;
    QRect place;
    bool drawnByOpenGL;
};
const ShownWidget kShownWidgets[] = {
    {"canvas", {10, 18, 510, 502}, true},       {"parameter view", {530, 341, 181, 180}, true},
    {"Add", {10, 530, 123, 28}, false},         {"Move", {139, 530, 123, 28}, false},
    {"Delete", {268, 530, 123, 28}, false},     {"Clear", {397, 530, 123, 28}, false},
    {"dial", {530, 30, 130, 130}, false},       {"zoom slider", {10, 0, 510, 20}, false},
    {"level slider", {590, 190, 110, 30}, false}, {"LCD", {530, 190, 50, 30}, false},
    {"hull box", {530, 270, 110, 20}, false},   {"subdivision box", {530, 240, 110, 20}, false}};
// Share of a picture's pixels that may differ between two systems' OpenGL views (a line's
// end pixel, say), and by how much a channel may differ.
constexpr double kPictureTolerance = 0.02;
constexpr int kPixelTolerance = 48;

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

QRect onScreen(QRect place)
{
    return {onScreen(place.topLeft()), (QSizeF(place.size()) * kScale).toSize()};
}

// Whether the picture is more than one flat colour.
bool showsSomething(const QImage &picture)
{
    const QRgb first = picture.pixel(0, 0);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) / 16 != qGray(first) / 16)
                return true;
    return false;
}

double shareOfDifferentPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 1.0;
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            if (!gltest::sameColor(p, q, kPixelTolerance))
                ++different;
        }
    return static_cast<double>(different) / (a.width() * a.height());
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

// The session this test and the browser test drive, from the table they share.
QJsonObject sharedSession()
{
    QFile file(EDITING_SESSION);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", EDITING_SESSION);
    return QJsonDocument::fromJson(file.readAll()).object();
}

QPoint pointOf(const QJsonValue &value)
{
    const QJsonArray xy = value.toArray();
    return {xy[0].toInt(), xy[1].toInt()};
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
    void keyboardSession();

private:
    // Arrow keys from the keyboard cursor at `cursor` to `target`, in logical pixels: steps of
    // ten, then of one with Shift; `cursor` becomes `target`.
    void cursorTo(QPointF &cursor, QPoint target);
    void closeAndCheckTrace(const QByteArray &expected);
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
    cleanup(); // an init that failed leaves its editor running
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
    const QString folder = qEnvironmentVariable("BEZIER_SCREENSHOTS", QCoreApplication::applicationDirPath());
    const QString path = QDir(folder).filePath(QString("%1-%2.png").arg(name).arg(kScale));
    const auto take = [&] {
        QProcess import;
        import.setProcessEnvironment(xdo::helperEnvironment());
        import.start("import", {"-window", QString::number(window), path});
        import.waitForFinished(20000);
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    };
    // The last event's repaint has reached the screen once two shots in a row agree; a slow
    // build on a loaded machine takes longer than a fixed wait.
    QImage shot;
    for (int attempt = 0; attempt < kScreenshotAttempts; ++attempt) {
        QTest::qWait(300);
        QImage next = take();
        if (next == shot)
            break;
        shot = std::move(next);
    }
    return shot;
}

void TestEndToEnd::editingSession()
{
    // Every widget is there; the OpenGL views draw what they draw on the reference system,
    // when the harness names its screenshots.
    const QImage start = screenshot("endtoend-start");
    const QString referenceFolder = qEnvironmentVariable("BEZIER_REFERENCE_SCREENSHOTS");
    const QImage reference = QImage(QDir(referenceFolder).filePath(QString("endtoend-start-%1.png").arg(kScale)))
                                 .convertToFormat(QImage::Format_RGB32);
    QVERIFY2(referenceFolder.isEmpty() || !reference.isNull(),
             qPrintable("no reference screenshot in " + referenceFolder));
    for (const ShownWidget &widget : kShownWidgets) {
        const QImage picture = start.copy(onScreen(widget.place));
        QVERIFY2(showsSomething(picture), widget.name);
        if (widget.drawnByOpenGL && !reference.isNull()) {
            const double different = shareOfDifferentPixels(picture, reference.copy(onScreen(widget.place)));
            QVERIFY2(different <= kPictureTolerance,
                     qPrintable(QString("%1: %2 of its pixels differ").arg(widget.name).arg(different)));
        }
    }

    const QJsonObject session = sharedSession();
    QList<QPoint> clicks;
    for (const QJsonValue &click : session["clicks"].toArray())
        clicks.append(pointOf(click));
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
    const QPoint to = pointOf(session["dragTo"]);
    const QPoint dragStart = from + pointOf(session["dragOffset"]);
    dragOnCanvas(dragStart, to);
    expected += (pressTrace(dragStart) + "Move Mode\n\n").toLatin1();
    QCOMPARE(waitForTrace(expected.size()), expected);
    shot = screenshot("endtoend-moved");
    QVERIFY(gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + to), 2, isMarker));
    QVERIFY(!gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + from), 3, isMarker));

    clickAt(kDeleteButton);
    const QPoint nearLast = clicks[3] + pointOf(session["deleteOffset"]);
    clickAt(kCanvasOrigin + nearLast);
    expected += (pressTrace(nearLast) + "Delete Mode\nSelected Point is 3 \n").toLatin1();
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
    const QPoint doubleClick = pointOf(session["doubleClick"]);
    clickAt(kCanvasOrigin + doubleClick);
    xdo::run({"click", "--repeat", "2", "--delay", "60", "1"});
    const QByteArray once = addTrace(doubleClick);
    expected += once + once + once;
    QCOMPARE(waitForTrace(expected.size()), expected);

    // A press lands on the device pixel pressed, also on those between whole logical pixels at a
    // fractional scale (at 1.5, two of every three).
    const QPoint canvasOnScreen = onScreen(kCanvasOrigin);
    const int canvasHeight = qRound(kCanvasSize.height() * kScale);
    for (const int d : {100, 101, 102}) {
        const QPoint pixel = canvasOnScreen + QPoint(d, d);
        xdo::run({"mousemove", "--window", QString::number(window), "--sync", QString::number(pixel.x()),
                  QString::number(pixel.y()), "click", "1"});
        expected += QString("Mouse coordinates: ( %1, %2 )\t  Add Mode\nPoint Added (0, 0)\n\n")
                        .arg(d)
                        .arg(canvasHeight - d - 1)
                        .toLatin1();
        QCOMPARE(waitForTrace(expected.size()), expected);
    }

    closeAndCheckTrace(expected);
}

void TestEndToEnd::closeAndCheckTrace(const QByteArray &expected)
{
    xdo::closeWindow(window);
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitCode(), 0);
    QCOMPARE(trace + editor.readAllStandardOutput(), expected);
}

void TestEndToEnd::cursorTo(QPointF &cursor, QPoint target)
{
    QStringList names;
    for (const auto &[delta, less, more] : {std::tuple{target.x() - qRound(cursor.x()), "Left", "Right"},
                                            std::tuple{target.y() - qRound(cursor.y()), "Up", "Down"}}) {
        const QString key = delta < 0 ? less : more;
        for (int i = 0; i < std::abs(delta) / 10; ++i)
            names << key;
        for (int i = 0; i < std::abs(delta) % 10; ++i)
            names << "shift+" + key;
    }
    xdo::keys(names);
    cursor = target;
}

// The shared session's left presses made by keys alone: the same trace as the mouse's, the
// points under the cursor, Escape harmless, and undo and redo of each kind of change.
void TestEndToEnd::keyboardSession()
{
    const QJsonObject session = sharedSession();
    QList<QPoint> clicks;
    for (const QJsonValue &click : session["clicks"].toArray())
        clicks.append(pointOf(click));
    xdo::run({"windowfocus", "--sync", QString::number(window)});
    // From the zoom slider, which has focus at start, to the canvas: its frame shows, two
    // device pixels wide at least, inside its edge.
    xdo::keys({"Tab"});
    const QImage focused = screenshot("keyboard-focus");
    const int frame = std::max(2, qRound(2 * kScale));
    for (const int inside : {0, frame - 1})
        QVERIFY(gltest::sameColor(focused.pixelColor(onScreen(kCanvasOrigin).x() + inside, onScreen({0, 250}).y()),
                                  kFocusFrame));
    QPointF cursor(255, 251);
    QByteArray expected;
    for (const QPoint &position : clicks) {
        cursorTo(cursor, position);
        xdo::keys({"Return"});
        expected += addTrace(position);
        QCOMPARE(waitForTrace(expected.size()), expected);
    }
    QImage shot = screenshot("keyboard-added");
    for (const QPoint &position : clicks)
        QVERIFY(gltest::anyPixelNear(shot, onScreen(kCanvasOrigin + position), 2, isMarker));

    // H switches the high-contrast look, in which the y axis is bright, and back. Wine always
    // reports Windows' own setting as off, so the program starts in the default look there too.
    const QPoint onYAxis = onScreen(kCanvasOrigin + QPoint(255, 100));
    const auto brightYAxis = [](QColor c) { return gltest::sameColor(c, QColor(255, 102, 191)); };
    QVERIFY(!gltest::anyPixelNear(shot, onYAxis, 2, brightYAxis));
    xdo::keys({"h"});
    QVERIFY(gltest::anyPixelNear(screenshot("keyboard-high-contrast"), onYAxis, 2, brightYAxis));
    xdo::keys({"h"});
    QVERIFY(!gltest::anyPixelNear(screenshot("keyboard-default-look"), onYAxis, 2, brightYAxis));

    // Escape with nothing held leaves the dialog open.
    xdo::keys({"Escape"});
    QVERIFY(!editor.waitForFinished(500));

    // Move: pick with Enter, carry with the arrows, drop with Enter.
    const QPoint dragStart = clicks[1] + pointOf(session["dragOffset"]);
    const QPoint to = pointOf(session["dragTo"]);
    xdo::keys({"m"});
    cursorTo(cursor, dragStart);
    xdo::keys({"Return"});
    expected += (pressTrace(dragStart) + "Move Mode\n\n").toLatin1();
    QCOMPARE(waitForTrace(expected.size()), expected);
    // The cursor is now on the picked point.
    cursor = clicks[1];
    cursorTo(cursor, to);
    xdo::keys({"Return"});

    const QPoint nearLast = clicks[3] + pointOf(session["deleteOffset"]);
    xdo::keys({"d"});
    cursorTo(cursor, nearLast);
    xdo::keys({"Return"});
    expected += (pressTrace(nearLast) + "Delete Mode\nSelected Point is 3 \n").toLatin1();
    QCOMPARE(waitForTrace(expected.size()), expected);
    // Clear, from its button, four stops after the canvas.
    xdo::keys({"Tab", "Tab", "Tab", "Tab", "space"});

    const auto markersAt = [&](const QString &name, const QList<QPoint> &points) {
        const QImage picture = screenshot(name);
        const QImage canvas = picture.copy(QRect(onScreen(kCanvasOrigin + QPoint(0, 3)),
                                                 (QSizeF(kCanvasSize - QSize(0, 3)) * kScale).toSize()));
        int found = 0;
        for (const QPoint &p : points)
            found += gltest::anyPixelNear(picture, onScreen(kCanvasOrigin + p), 2, isMarker) ? 1 : 0;
        return found == points.size() && (gltest::countPixels(canvas, isMarker) > 0) == !points.isEmpty();
    };
    const QList<QPoint> afterDelete{clicks[0], to, clicks[2]};
    QVERIFY(markersAt("keyboard-cleared", {}));
    // Undo the Clear, the delete, the move, the last add, from the Clear button.
    xdo::keys({"ctrl+z"});
    QVERIFY(markersAt("keyboard-undo-clear", afterDelete));
    xdo::keys({"ctrl+z"});
    QVERIFY(markersAt("keyboard-undo-delete", afterDelete + QList<QPoint>{clicks[3]}));
    xdo::keys({"ctrl+z"});
    QVERIFY(markersAt("keyboard-undo-move", clicks));
    xdo::keys({"ctrl+z"});
    QVERIFY(markersAt("keyboard-undo-add", clicks.mid(0, 3)));
    xdo::keys({"ctrl+y", "ctrl+shift+z", "ctrl+y"});
    QVERIFY(markersAt("keyboard-redo", afterDelete));
    closeAndCheckTrace(expected);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
