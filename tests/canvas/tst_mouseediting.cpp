#include "CanvasView.h"
#include "GLTestSupport.h"
#include "StdoutCapture.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"
#include "canvas/GluProjection.h"
#include "gl/ScreenReaderNotice.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using namespace bezier;

Q_DECLARE_METATYPE(Polyline)

namespace {

// Clicked points come from inverting the view's matrices: equal to the ideal point up to rounding.
constexpr double kUnprojectTolerance = 1e-9;

bool isSelectedMarker(QColor c)
{
    return c.red() > 150 && c.blue() > 150 && c.green() < 0.8 * c.red();
}

bool isPlainMarker(QColor c)
{
    return c.red() > 150 && c.green() > 150 && c.blue() < 60;
}

} // namespace

class TestMouseEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void trace_data();
    void trace();
    void addsGoToTheEndUnderThePointer();
    void deleteRemovesTheNearestAndKeepsOrder();
    void equalProjectionsPickTheLowerIndex();
    void moveFollowsThePointerAfterThePress();
    void rightDragMovesNothing();
    void withoutPointsMoveAndDeleteChangeNothing();
    void zoomZeroAddsAndMovesNothing();
    void highlightFollowsTheIndex();
    void doubleClickAddsTwice();
    void parameterViewFollowsTheCount();
    void pointsByTheClipboard();

private:
    void click(QPoint position, Qt::MouseButton button = Qt::LeftButton);
    void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton);

    std::unique_ptr<BezierDialog> dialog;
    GLBBox *canvas = nullptr;
};

void TestMouseEditing::init()
{
    dialog = std::make_unique<BezierDialog>(nullptr, nullptr, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    canvas = dialog->GLBBox2;
}

void TestMouseEditing::cleanup()
{
    dialog.reset();
}

void TestMouseEditing::click(QPoint position, Qt::MouseButton button)
{
    QTest::mouseClick(canvas, button, {}, position);
}

void TestMouseEditing::drag(QPoint from, QPoint to, Qt::MouseButton button)
{
    QTest::mousePress(canvas, button, {}, from);
    QTest::mouseMove(canvas, (from + to) / 2);
    QTest::mouseMove(canvas, to);
    QTest::mouseRelease(canvas, button, {}, to);
}

void TestMouseEditing::trace_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("zoomSlider");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<Polyline>("points");
    QTest::addColumn<QByteArray>("expected");

    const Polyline two{{-0.5, 0, 0}, {0, -0.1, 0}};
    QTest::newRow("add") << kAddMode << 50 << QPoint(120, 200) << Polyline{}
                         << QByteArray("Mouse coordinates: ( 120, 99 )\t  Add Mode\nPoint Added (0, 0)\n\n");
    QTest::newRow("add, negative truncates toward zero")
        << kAddMode << 20 << QPoint(64, 30) << Polyline{}
        << QByteArray("Mouse coordinates: ( 64, 269 )\t  Add Mode\nPoint Added (-1, 1)\n\n");
    QTest::newRow("add at zoom 0") << kAddMode << 0 << QPoint(120, 200) << Polyline{}
                                   << QByteArray("Mouse coordinates: ( 120, 99 )\t  Add Mode\n\n");
    QTest::newRow("delete") << kDeleteMode << 50 << QPoint(120, 200) << two
                            << QByteArray("Mouse coordinates: ( 120, 99 )\t  Delete Mode\nSelected Point is 0 \n");
    QTest::newRow("delete, none") << kDeleteMode << 50 << QPoint(120, 200) << Polyline{}
                                  << QByteArray("Mouse coordinates: ( 120, 99 )\t  Delete Mode\nSelected Point is 0 \n");
    QTest::newRow("move") << kMoveMode << 50 << QPoint(300, 10) << two
                          << QByteArray("Mouse coordinates: ( 300, 289 )\t  Move Mode\n\n");
    QTest::newRow("impossible mode")
        << 7 << 50 << QPoint(1, 1) << two
        << QByteArray("Mouse coordinates: ( 1, 298 )\t  Error, incorrect usermode code: 7\n\n");
}

void TestMouseEditing::trace()
{
    QFETCH(int, mode);
    QFETCH(int, zoomSlider);
    QFETCH(QPoint, position);
    QFETCH(Polyline, points);
    QFETCH(QByteArray, expected);

    canvas->resize(510, 300);
    dialog->ZoomSlider->setValue(zoomSlider);
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints(points);
    access.setUserMode(mode);
    StdoutCapture capture;
    click(position);
    QCOMPARE(QByteArray::fromStdString(capture.finish()), expected);

    // Other buttons print nothing.
    StdoutCapture silent;
    click(position, Qt::RightButton);
    click(position, Qt::MiddleButton);
    QCOMPARE(QByteArray::fromStdString(silent.finish()), QByteArray());
}

void TestMouseEditing::addsGoToTheEndUnderThePointer()
{
    GLBBoxTestAccess access(*canvas);
    QSignalSpy degree(canvas, &GLBBox::sendDegree);
    const QList<QPoint> clicks{{400, 100}, {50, 60}, {250, 480}};
    for (const QPoint &position : clicks)
        click(position);
    QCOMPARE(degree.count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(degree.at(i).at(0).toInt(), i + 1);
        const Point3 expected = canvastest::startViewPoint(clicks[i], canvas->size());
        const Point3 actual = access.controlPoints()[i];
        QVERIFY(std::fabs(actual.x - expected.x) < kUnprojectTolerance);
        QVERIFY(std::fabs(actual.y - expected.y) < kUnprojectTolerance);
        QCOMPARE(actual.z, 0.0);
    }
    QCOMPARE(access.levels().front(), access.controlPoints());
    QCOMPARE(access.computedLevel(), 5);
    QCOMPARE(access.curve().size(), std::size_t{32 * 2 + 1});

    // The markers are drawn where the clicks were.
    const QImage frame = gltest::lastFrame(*canvas);
    for (const QPoint &position : clicks)
        QVERIFY(gltest::anyPixelNear(frame, position, 2, isPlainMarker));
}

void TestMouseEditing::deleteRemovesTheNearestAndKeepsOrder()
{
    GLBBoxTestAccess access(*canvas);
    for (const QPoint &position : {QPoint(100, 100), QPoint(300, 250), QPoint(100, 400)})
        click(position);
    const Polyline before = access.controlPoints();
    canvas->setSelectMode();
    QSignalSpy degree(canvas, &GLBBox::sendDegree);
    // Far from all three, but nearest to the second.
    click({505, 260});
    QCOMPARE(access.controlPoints(), (Polyline{before[0], before[2]}));
    QCOMPARE(degree.count(), 1);
    QCOMPARE(degree.at(0).at(0).toInt(), 2);
    QCOMPARE(access.levels().front(), access.controlPoints());
}

void TestMouseEditing::equalProjectionsPickTheLowerIndex()
{
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints({{-0.5, -0.5, 0}, {0.2, 0.2, 0.5}, {0.2, 0.2, -0.5}});
    canvas->setSelectMode();
    StdoutCapture capture;
    click({400, 150});
    QVERIFY(capture.finish().find("Selected Point is 1 ") != std::string::npos);
    QCOMPARE(access.controlPoints(), (Polyline{{-0.5, -0.5, 0}, {0.2, 0.2, -0.5}}));
}

void TestMouseEditing::moveFollowsThePointerAfterThePress()
{
    GLBBoxTestAccess access(*canvas);
    for (const QPoint &position : {QPoint(100, 100), QPoint(300, 250), QPoint(100, 400)})
        click(position);
    const Polyline before = access.controlPoints();
    canvas->setMoveMode();
    QSignalSpy degree(canvas, &GLBBox::sendDegree);

    QTest::mousePress(canvas, Qt::LeftButton, {}, {320, 260});
    QCOMPARE(access.selectedPoint(), 1);
    QCOMPARE(access.controlPoints(), before);
    // The highlight waits for the next rebuild of the curve list.
    QImage frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::anyPixelNear(frame, {300, 250}, 2, isPlainMarker));

    // A drag keeps the counts, so the curve buffers keep their storage.
    const int bufferAllocations = access.bufferAllocations();
    const QPoint target(420, 120);
    for (const QPoint &position : {QPoint(330, 240), QPoint(380, 180), target})
        QTest::mouseMove(canvas, position);
    QCOMPARE(access.bufferAllocations(), bufferAllocations);
    const ViewTransform view = access.currentViewTransform();
    const std::optional<Point3> expected
        = kGluProjection.unproject(view, target.x(), view.viewportHeight() - target.y() - 1, 0.0);
    QVERIFY(expected);
    QCOMPARE(access.controlPoints()[1], (Point3{expected->x, expected->y, 0.0}));
    QCOMPARE(access.controlPoints()[0], before[0]);
    QCOMPARE(access.controlPoints()[2], before[2]);
    // Held, the point moves the curve by its influence; the levels wait for the drop.
    QCOMPARE(access.computedLevel(), 5);
    frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::anyPixelNear(frame, target, 2, isSelectedMarker));
    QVERIFY(!gltest::anyPixelNear(frame, {300, 250}, 2, isPlainMarker));

    const Polyline moved = access.controlPoints();
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, {10, 10});
    QCOMPARE(access.controlPoints(), moved);
    QCOMPARE(access.levels().front(), access.controlPoints());
    QCOMPARE(degree.count(), 0);
}

void TestMouseEditing::rightDragMovesNothing()
{
    GLBBoxTestAccess access(*canvas);
    click({200, 200});
    click({300, 300});
    canvas->setMoveMode();
    click({200, 200});
    QCOMPARE(access.selectedPoint(), 0);
    const Polyline before = access.controlPoints();
    StdoutCapture capture;
    drag({200, 200}, {400, 50}, Qt::RightButton);
    QCOMPARE(access.controlPoints(), before);
    QCOMPARE(access.mouseButton(), static_cast<int>(Qt::RightButton));
    QCOMPARE(capture.finish(), std::string());
}

void TestMouseEditing::withoutPointsMoveAndDeleteChangeNothing()
{
    GLBBoxTestAccess access(*canvas);
    QSignalSpy degree(canvas, &GLBBox::sendDegree);
    canvas->setMoveMode();
    drag({100, 100}, {300, 300});
    QVERIFY(access.controlPoints().empty());
    QCOMPARE(access.selectedPoint(), 0);
    QCOMPARE(degree.count(), 0);

    canvas->setSelectMode();
    click({100, 100});
    QVERIFY(access.controlPoints().empty());
    QCOMPARE(degree.count(), 1);
    QCOMPARE(degree.at(0).at(0).toInt(), 0);
    QCOMPARE(gltest::errorAfterRepaint(*canvas), 0u);
}

void TestMouseEditing::zoomZeroAddsAndMovesNothing()
{
    GLBBoxTestAccess access(*canvas);
    click({100, 100});
    click({300, 300});
    const Polyline before = access.controlPoints();
    dialog->ZoomSlider->setValue(0);
    QSignalSpy degree(canvas, &GLBBox::sendDegree);
    click({200, 200});
    QCOMPARE(access.controlPoints(), before);
    QCOMPARE(degree.count(), 0);

    canvas->setMoveMode();
    drag({100, 100}, {400, 400});
    QCOMPARE(access.controlPoints(), before);
    QCOMPARE(gltest::errorAfterRepaint(*canvas), 0u);
}

void TestMouseEditing::highlightFollowsTheIndex()
{
    GLBBoxTestAccess access(*canvas);
    const QList<QPoint> clicks{{100, 100}, {250, 250}, {400, 400}};
    for (const QPoint &position : clicks)
        click(position);
    canvas->setMoveMode();
    drag({250, 250}, {250, 260});
    QCOMPARE(access.selectedPoint(), 1);

    canvas->setSelectMode();
    click({100, 100});
    // Index 1 is now the point clicked last.
    const QImage frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::anyPixelNear(frame, clicks[2], 2, isSelectedMarker));
    QVERIFY(gltest::anyPixelNear(frame, {250, 260}, 2, isPlainMarker));
    QVERIFY(!gltest::anyPixelNear(frame, clicks[0], 3, isPlainMarker));
}

void TestMouseEditing::doubleClickAddsTwice()
{
    GLBBoxTestAccess access(*canvas);
    // What the window system delivers for a double click: a press, then a double-click event.
    click({200, 150});
    QTest::mouseDClick(canvas, Qt::LeftButton, {}, {200, 150});
    QCOMPARE(access.controlPoints().size(), std::size_t{2});
    QCOMPARE(access.controlPoints()[0], access.controlPoints()[1]);
}

void TestMouseEditing::parameterViewFollowsTheCount()
{
    GLParameterTestAccess view(*dialog->MyCustomWidget1);
    click({100, 100});
    click({200, 300});
    click({400, 100});
    QCOMPARE(view.degree(), 3);
    QCOMPARE(view.basisCurves().size(), std::size_t{3});
    canvas->setSelectMode();
    click({100, 100});
    QCOMPARE(view.basisCurves().size(), std::size_t{2});
    dialog->PushButton4->click();
    QCOMPARE(view.degree(), 0);
    QVERIFY(view.basisCurves().empty());
}

QTEST_MAIN(TestMouseEditing)
#include "tst_mouseediting.moc"

// Points out as CSV and back, bit for bit, through the X server's clipboard; a refusal changes
// nothing and says why; the picture goes out at the canvas's device size.
void TestMouseEditing::pointsByTheClipboard()
{
    const GLBBoxTestAccess access(*canvas);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("x;y\n0.1;1e-7\n-0.3;0.25\n1,2,3\n");
    QTest::keyClick(canvas, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(access.controlPoints().empty());
    // What a screen reader was told last: the canvas's status line's notice.
    const auto said = [] { return screenReaderNotice()->text(QAccessible::Name); };
    QVERIFY(said().startsWith("Nothing pasted: line 4"));

    const QString csv = "x,y\n0.1,1e-07\n-0.3,0.25\n0.7071067811865476,-5e-324\n";
    clipboard->setText(csv);
    QTest::keyClick(canvas, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(access.controlPoints(), Polyline({{0.1, 1e-7, 0}, {-0.3, 0.25, 0}, {0.7071067811865476, -5e-324, 0}}));
    QCOMPARE(GLParameterTestAccess(*dialog->MyCustomWidget1).degree(), 3);
    QCOMPARE(said(), "3 points pasted.");
    clipboard->setText("");
    QTest::keyClick(canvas, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), csv);
    QCOMPARE(said(), "3 points copied.");

    QTest::keyClick(canvas, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(clipboard->image().size(), canvas->size() * canvas->devicePixelRatio());
    // Undo is the dialog's shortcut, which Qt takes only in the active window.
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(access.controlPoints().empty());
}
