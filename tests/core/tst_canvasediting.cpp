#include "core/CanvasEditing.h"

#include <QTest>

#include <cmath>

using namespace bezier;

Q_DECLARE_METATYPE(Polyline)

namespace {

// The dialog's canvas, in device pixels at ratio 1.
constexpr int kWidth = 510;
constexpr int kHeight = 502;
constexpr double kPointTolerance = 1e-6;

// Two points of the start view (zoom 1.25) and the pixels over them: (-0.5, 0.5) lies at
// window (95.6, 407.9), (0.5, 0.5) at (414.4, 407.9), so at widget row 93.
const Polyline kTwoPoints{{-0.5, 0.5, 0}, {0.5, 0.5, 0}};

ViewTransform viewOf(const CanvasModel &canvas)
{
    return viewTransformOf(kWidth, kHeight,
                           canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot,
                                           canvas.zRot),
                           canvasProjection());
}

EditResult pressAt(CanvasModel &canvas, int x, int y, int button = kLeftButton)
{
    return mousePress(canvas, viewOf(canvas), kTwinProjection, x, y, button);
}

EditResult moveTo(CanvasModel &canvas, int x, int y)
{
    return mouseMove(canvas, viewOf(canvas), kTwinProjection, x, y);
}

// The start view's model point under a widget pixel, computed without GL's arithmetic.
Point3 startViewPoint(int x, int y)
{
    const double flippedY = kHeight - y - 1;
    return {(2.0 * x / kWidth - 1.0) / 1.25, (2.0 * flippedY / kHeight - 1.0) / 1.25, 0.0};
}

} // namespace

class TestCanvasEditing : public QObject
{
    Q_OBJECT

private slots:
    void pressInEachMode_data();
    void pressInEachMode();
    void slotsLeaveTheirFrontEndWork();
    void dragCarriesThePickedPoint();
    void levelCache();
};

void TestCanvasEditing::pressInEachMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("zoomSlider");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<Polyline>("points");
    QTest::addColumn<QByteArray>("trace");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("countChanged");
    QTest::addColumn<int>("selected");

    const Polyline none;
    // Truncation toward zero: at slider 1 the view spans -40 to 40.
    QTest::newRow("add") << kAddMode << 50 << kLeftButton << QPoint(120, 200) << none
                         << QByteArray("Mouse coordinates: ( 120, 301 )\t  Add Mode\nPoint Added (0, 0)\n\n") << 1
                         << true << -1;
    QTest::newRow("add, zoomed out") << kAddMode << 1 << kLeftButton << QPoint(20, 30) << kTwoPoints
                                     << QByteArray("Mouse coordinates: ( 20, 471 )\t  Add Mode\nPoint Added (-36, 35)\n\n")
                                     << 3 << true << -1;
    // Zoom 0 collapses the view: no point lies under the pointer.
    QTest::newRow("add, zoom 0") << kAddMode << 0 << kLeftButton << QPoint(10, 10) << none
                                 << QByteArray("Mouse coordinates: ( 10, 491 )\t  Add Mode\n\n") << 0 << false << -1;
    QTest::newRow("delete nearest") << kDeleteMode << 50 << kLeftButton << QPoint(400, 100) << kTwoPoints
                                    << QByteArray("Mouse coordinates: ( 400, 401 )\t  Delete Mode\nSelected Point is 1 \n")
                                    << 1 << true << -1;
    QTest::newRow("delete far away") << kDeleteMode << 50 << kLeftButton << QPoint(0, 501) << kTwoPoints
                                     << QByteArray("Mouse coordinates: ( 0, 0 )\t  Delete Mode\nSelected Point is 0 \n")
                                     << 1 << true << -1;
    QTest::newRow("delete, none") << kDeleteMode << 50 << kLeftButton << QPoint(5, 5) << none
                                  << QByteArray("Mouse coordinates: ( 5, 496 )\t  Delete Mode\nSelected Point is 0 \n")
                                  << 0 << true << -1;
    QTest::newRow("move picks") << kMoveMode << 50 << kLeftButton << QPoint(90, 95) << kTwoPoints
                                << QByteArray("Mouse coordinates: ( 90, 406 )\t  Move Mode\n\n") << 2 << false << 0;
    QTest::newRow("move, none") << kMoveMode << 50 << kLeftButton << QPoint(90, 95) << none
                                << QByteArray("Mouse coordinates: ( 90, 406 )\t  Move Mode\n\n") << 0 << false << 0;
    QTest::newRow("unknown mode") << 7 << 50 << kLeftButton << QPoint(3, 4) << kTwoPoints
                                  << QByteArray("Mouse coordinates: ( 3, 497 )\t  Error, incorrect usermode code: 7\n\n")
                                  << 2 << false << -1;
    QTest::newRow("right button") << kDeleteMode << 50 << 2 << QPoint(400, 100) << kTwoPoints << QByteArray() << 2
                                  << false << -1;
}

void TestCanvasEditing::pressInEachMode()
{
    QFETCH(int, mode);
    QFETCH(int, zoomSlider);
    QFETCH(int, button);
    QFETCH(QPoint, pixel);
    QFETCH(Polyline, points);
    QFETCH(QByteArray, trace);
    QFETCH(int, count);
    QFETCH(bool, countChanged);
    QFETCH(int, selected);

    CanvasModel canvas;
    canvas.userMode = mode;
    setZoom(canvas, zoomSlider);
    canvas.controlPoints = points;
    const EditResult edit = pressAt(canvas, pixel.x(), pixel.y(), button);
    QCOMPARE(QByteArray::fromStdString(edit.trace), trace);
    QCOMPARE(static_cast<int>(canvas.controlPoints.size()), count);
    QCOMPARE(edit.countChanged, countChanged);
    QVERIFY(!edit.countAfterRepaint);
    // Only a change of the points needs the levels; every press repaints.
    QCOMPARE(edit.levelsNeedRebuild, countChanged);
    QVERIFY(edit.repaint);
    QCOMPARE(canvas.selectedPoint, selected);
    QCOMPARE(canvas.mouseButton, button);
    QCOMPARE(QPoint(canvas.mouseX, canvas.mouseY), pixel);
    if (mode == kAddMode && countChanged) {
        const Point3 added = canvas.controlPoints.back();
        if (zoomSlider == 50) {
            QVERIFY(std::fabs(added.x - startViewPoint(pixel.x(), pixel.y()).x) < kPointTolerance);
            QVERIFY(std::fabs(added.y - startViewPoint(pixel.x(), pixel.y()).y) < kPointTolerance);
        }
        QCOMPARE(added.z, 0.0);
    }
}

// What each slot leaves its front end to do, in the one order every front end follows.
void TestCanvasEditing::slotsLeaveTheirFrontEndWork()
{
    struct Row
    {
        const char *slot;
        EditResult (*apply)(CanvasModel &);
        bool levels, drawing, count, countAfterRepaint, repaint, drawLevel;
    };
    const Row rows[] = {
        {"setZRotation", [](CanvasModel &c) { return setZRotation(c, 370); }, false, false, false, false, true, false},
        {"setZoom", [](CanvasModel &c) { return setZoom(c, 4); }, false, false, false, false, true, false},
        {"setAddMode", [](CanvasModel &c) { return setAddMode(c); }, false, false, false, false, false, false},
        {"setMoveMode", [](CanvasModel &c) { return setMoveMode(c); }, false, false, false, false, false, false},
        {"setSelectMode", [](CanvasModel &c) { return setSelectMode(c); }, false, false, false, false, false, false},
        {"deleteAllControlPoints", [](CanvasModel &c) { return deleteAllControlPoints(c); }, false, true, true, true,
         true, false},
        {"changeDrawLevel", [](CanvasModel &c) { return changeDrawLevel(c, 3); }, true, false, false, false, true, true},
        {"togglepolyline", [](CanvasModel &c) { return togglepolyline(c, true); }, false, true, false, false, true, false},
        {"setShowConvexHull", [](CanvasModel &c) { return setShowConvexHull(c, true); }, false, true, false, false, true,
         false},
        {"setShowSubDivPoints", [](CanvasModel &c) { return setShowSubDivPoints(c, true); }, false, true, false, false,
         true, false},
    };
    for (const Row &row : rows) {
        CanvasModel canvas;
        canvas.controlPoints = kTwoPoints;
        const EditResult edit = row.apply(canvas);
        const auto flags = [](const EditResult &e) {
            return QList<bool>{e.levelsNeedRebuild, e.drawingChanged,   e.countChanged,
                               e.countAfterRepaint, e.repaint, e.drawLevelChanged};
        };
        QCOMPARE(flags(edit), (QList<bool>{row.levels, row.drawing, row.count, row.countAfterRepaint, row.repaint,
                                           row.drawLevel}));
        QVERIFY2(edit.trace.empty(), row.slot);
    }
    CanvasModel canvas;
    setZRotation(canvas, -370);
    QCOMPARE(canvas.zRot, -10.0f);
    setShowConvexHull(canvas, false);
    canvas.controlPoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    // Ticking the box recomputes the hull that went stale while it was hidden.
    setShowConvexHull(canvas, true);
    QCOMPARE(canvas.hull.size(), std::size_t{4});
}

void TestCanvasEditing::dragCarriesThePickedPoint()
{
    CanvasModel canvas;
    canvas.controlPoints = kTwoPoints;
    canvas.recomputeLevels();
    setMoveMode(canvas);
    pressAt(canvas, 410, 90);
    QCOMPARE(canvas.selectedPoint, 1);
    const EditResult moved = moveTo(canvas, 255, 251);
    QVERIFY(moved.levelsNeedRebuild && moved.repaint && !moved.countChanged);
    // Same count: only the reset level marks the cache stale.
    QCOMPARE(canvas.computedLevel, 0);
    const Point3 under = startViewPoint(255, 251);
    QVERIFY(std::fabs(canvas.controlPoints[1].x - under.x) < kPointTolerance);
    QVERIFY(std::fabs(canvas.controlPoints[1].y - under.y) < kPointTolerance);
    canvas.recomputeLevels();
    QCOMPARE(canvas.curve.back(), canvas.controlPoints[1]);

    // A right press ends the drag, though the pick stays.
    pressAt(canvas, 90, 95, 2);
    const Polyline before = canvas.controlPoints;
    const EditResult ignored = moveTo(canvas, 100, 100);
    QVERIFY(!ignored.levelsNeedRebuild && ignored.repaint);
    QCOMPARE(canvas.controlPoints, before);
}

// The cache's contract: raising the depth adds levels, lowering it drops them, a new count or
// a reset level rebuilds, Clear empties all and keeps the selection.
void TestCanvasEditing::levelCache()
{
    CanvasModel canvas;
    canvas.controlPoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    canvas.selectedPoint = 2;
    changeDrawLevel(canvas, 3);
    canvas.recomputeLevels();
    QCOMPARE(canvas.levels.size(), std::size_t{4});
    QCOMPARE(canvas.curve.size(), std::size_t{17});
    changeDrawLevel(canvas, 1);
    canvas.recomputeLevels();
    QCOMPARE(canvas.computedLevel, 1);
    QCOMPARE(canvas.curve, (Polyline{{0, 0, 0}, {0.5, 0, 0}, {0.75, 0.25, 0}, {1, 0.5, 0}, {1, 1, 0}}));
    canvas.controlPoints.push_back({2, 2, 0});
    canvas.recomputeLevels();
    QCOMPARE(canvas.curve.size(), std::size_t{7});
    QCOMPARE(canvas.curve.back(), (Point3{2, 2, 0}));

    deleteAllControlPoints(canvas);
    QVERIFY(canvas.controlPoints.empty() && canvas.curve.empty() && canvas.levels.empty() && canvas.hull.empty());
    QCOMPARE(canvas.selectedPoint, 2);
    canvas.recomputeLevels();
    QCOMPARE(canvas.levels.size(), std::size_t{1});
    QCOMPARE(canvas.computedLevel, 0);
}

QTEST_APPLESS_MAIN(TestCanvasEditing)
#include "tst_canvasediting.moc"
