#include "SubdivisionIdentity.h"
#include "core/CanvasEditing.h"
#include "core/Scene.h"
#include "core/SceneSvg.h"

#include <QRegularExpression>
#include <QTest>

#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

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

ViewTransform viewOf(const CanvasModel &canvas, double ratio = 1.0)
{
    return viewTransformOf(static_cast<int>(std::lround(kWidth * ratio)), static_cast<int>(std::lround(kHeight * ratio)),
                           canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot,
                                           canvas.zRot),
                           canvasProjection());
}

EditResult pressAt(CanvasModel &canvas, int x, int y, int button = kLeftButton)
{
    return mousePress(canvas, viewOf(canvas), kTwinProjection, x, y, 1.0, button);
}

EditResult moveTo(CanvasModel &canvas, int x, int y)
{
    return mouseMove(canvas, viewOf(canvas), kTwinProjection, x, y, 1.0);
}

// Keys as letters: l, r, u, d the arrows (capitals with Shift), e Enter, x Escape, p the next point
// (P the one before), s the summary, ? the keys' help.
EditResult typeKeys(CanvasModel &canvas, const char *keys, double ratio = 1.0)
{
    EditResult last;
    for (const char *k = keys; *k; ++k) {
        const char lower = static_cast<char>(std::tolower(*k));
        const CanvasKey key = lower == 'l'   ? CanvasKey::Left
                              : lower == 'r' ? CanvasKey::Right
                              : lower == 'u' ? CanvasKey::Up
                              : lower == 'd' ? CanvasKey::Down
                              : lower == 'e' ? CanvasKey::Activate
                              : lower == 'p' ? CanvasKey::NextPoint
                              : lower == 's' ? CanvasKey::ReadSummary
                              : lower == '?' ? CanvasKey::ReadKeys
                                             : CanvasKey::Escape;
        last = keyPress(canvas, viewOf(canvas, ratio), kTwinProjection, key, std::isupper(*k) != 0, ratio);
    }
    return last;
}

// The start view's model point under a widget pixel, computed without GL's arithmetic.
Point3 startViewPoint(int x, int y)
{
    const double flippedY = kHeight - y - 1;
    return {(2.0 * x / kWidth - 1.0) / 1.25, (2.0 * flippedY / kHeight - 1.0) / 1.25, 0.0};
}

bool near(const Point3 &a, const Point3 &b)
{
    return std::fabs(a.x - b.x) < kPointTolerance && std::fabs(a.y - b.y) < kPointTolerance && a.z == b.z;
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
    void dragByInfluence_data();
    void dragByInfluence();
    void cursorSteps_data();
    void cursorSteps();
    void keyPressIsAClickAtTheCursor_data();
    void keyPressIsAClickAtTheCursor();
    void holdByKeys();
    void pointsHeard_data();
    void pointsHeard();
    void whatEndsAHold_data();
    void whatEndsAHold();
    void escapeEndsAMouseDrag();
    void undoAndRedo();
    void historyIsBounded();
    void typedCoordinate_data();
    void typedCoordinate();
    void pastedText_data();
    void pastedText();
    void exactTextRoundTrips();
    void malformedLink_data();
    void malformedLink();
    void resultsCarryControlsAndFocus();
    void keysByName();
    void canvasScene_data();
    void canvasScene();
    void parameterScene();
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
    QTest::addColumn<QString>("announcement");

    const Polyline none;
    // Truncation toward zero: at slider 1 the view spans -40 to 40.
    QTest::newRow("add") << kAddMode << 50 << kLeftButton << QPoint(120, 200) << none
                         << QByteArray("Mouse coordinates: ( 120, 301 )\t  Add Mode\nPoint Added (0, 0)\n\n") << 1
                         << true << -1 << "Point 1 added at (-0.42, 0.16). 1 point, degree 0.";
    QTest::newRow("add, zoomed out") << kAddMode << 1 << kLeftButton << QPoint(20, 30) << kTwoPoints
                                     << QByteArray("Mouse coordinates: ( 20, 471 )\t  Add Mode\nPoint Added (-36, 35)\n\n")
                                     << 3 << true << -1 << "Point 3 added at (-36.86, 35.06). 3 points, degree 2.";
    // Zoom 0 collapses the view: no point lies under the pointer.
    QTest::newRow("add, zoom 0") << kAddMode << 0 << kLeftButton << QPoint(10, 10) << none
                                 << QByteArray("Mouse coordinates: ( 10, 491 )\t  Add Mode\n\n") << 0 << false << -1
                                 << "";
    QTest::newRow("delete nearest") << kDeleteMode << 50 << kLeftButton << QPoint(400, 100) << kTwoPoints
                                    << QByteArray("Mouse coordinates: ( 400, 401 )\t  Delete Mode\nSelected Point is 1 \n")
                                    << 1 << true << -1 << "Point 2 deleted. 1 point, degree 0.";
    QTest::newRow("delete far away") << kDeleteMode << 50 << kLeftButton << QPoint(0, 501) << kTwoPoints
                                     << QByteArray("Mouse coordinates: ( 0, 0 )\t  Delete Mode\nSelected Point is 0 \n")
                                     << 1 << true << -1 << "Point 1 deleted. 1 point, degree 0.";
    QTest::newRow("delete, none") << kDeleteMode << 50 << kLeftButton << QPoint(5, 5) << none
                                  << QByteArray("Mouse coordinates: ( 5, 496 )\t  Delete Mode\nSelected Point is 0 \n")
                                  << 0 << true << -1 << "No point to delete.";
    QTest::newRow("move picks") << kMoveMode << 50 << kLeftButton << QPoint(90, 95) << kTwoPoints
                                << QByteArray("Mouse coordinates: ( 90, 406 )\t  Move Mode\n\n") << 2 << false << 0
                                << "";
    QTest::newRow("move, none") << kMoveMode << 50 << kLeftButton << QPoint(90, 95) << none
                                << QByteArray("Mouse coordinates: ( 90, 406 )\t  Move Mode\n\n") << 0 << false << 0
                                << "";
    QTest::newRow("unknown mode") << 7 << 50 << kLeftButton << QPoint(3, 4) << kTwoPoints
                                  << QByteArray("Mouse coordinates: ( 3, 497 )\t  Error, incorrect usermode code: 7\n\n")
                                  << 2 << false << -1 << "";
    QTest::newRow("right button") << kDeleteMode << 50 << 2 << QPoint(400, 100) << kTwoPoints << QByteArray() << 2
                                  << false << -1 << "";
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
    QFETCH(QString, announcement);

    CanvasModel canvas;
    canvas.userMode = mode;
    setZoom(canvas, zoomSlider);
    canvas.controlPoints = points;
    const EditResult edit = pressAt(canvas, pixel.x(), pixel.y(), button);
    QCOMPARE(QByteArray::fromStdString(edit.trace), trace);
    QCOMPARE(QString::fromStdString(edit.announcement), announcement);
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
        if (zoomSlider == 50)
            QVERIFY(near(added, startViewPoint(pixel.x(), pixel.y())));
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
    // The held point's move keeps the cache: its influence updates the drawn level.
    QCOMPARE(canvas.computedLevel, 5);
    QVERIFY(near(canvas.controlPoints[1], startViewPoint(255, 251)));
    canvas.recomputeLevels();
    QVERIFY(canvas.levelsApproximate());
    QVERIFY(near(canvas.curve.back(), canvas.controlPoints[1]));

    // A right press ends the drag, though the pick stays, and has the levels rebuilt exactly.
    QVERIFY(pressAt(canvas, 90, 95, 2).levelsNeedRebuild);
    canvas.recomputeLevels();
    QVERIFY(!canvas.levelsApproximate());
    QCOMPARE(canvas.curve.back(), canvas.controlPoints[1]);
    const Polyline before = canvas.controlPoints;
    const EditResult ignored = moveTo(canvas, 100, 100);
    QVERIFY(!ignored.levelsNeedRebuild && ignored.repaint);
    QCOMPARE(canvas.controlPoints, before);
}

void TestCanvasEditing::dragByInfluence_data()
{
    QTest::addColumn<int>("index");
    const std::vector<InfluenceCase> cases = influenceCases();
    for (std::size_t i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name.c_str()) << static_cast<int>(i);
}

// The shared table, also run as WebAssembly.
void TestCanvasEditing::dragByInfluence()
{
    QFETCH(int, index);
    const std::string failure = influenceFailure(influenceCases()[index], std::random_device{}());
    QVERIFY2(failure.empty(), failure.c_str());
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

void TestCanvasEditing::cursorSteps_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QPointF>("cursor");
    QTest::newRow("start") << QByteArray() << QPointF(255, 251);
    QTest::newRow("ten a step") << QByteArray("rrd") << QPointF(275, 261);
    QTest::newRow("one with Shift") << QByteArray("LLU") << QPointF(253, 250);
    QTest::newRow("clamped left and up") << QByteArray(30, 'l') + QByteArray(30, 'u') << QPointF(0, 0);
    QTest::newRow("clamped right and down") << QByteArray(30, 'r') + QByteArray(30, 'd') << QPointF(509, 501);
}

void TestCanvasEditing::cursorSteps()
{
    QFETCH(QByteArray, keys);
    QFETCH(QPointF, cursor);
    CanvasModel canvas;
    const EditResult last = typeKeys(canvas, keys.constData());
    QCOMPARE(QPointF(canvas.cursorX, canvas.cursorY), cursor);
    QVERIFY(keys.isEmpty() || (last.repaint && !last.levelsNeedRebuild));
    // A pointer press of any button takes the cursor to its place; a view change leaves it.
    pressAt(canvas, 100, 50, 2);
    setZRotation(canvas, 90);
    QCOMPARE(QPointF(canvas.cursorX, canvas.cursorY), QPointF(100, 50));
}

// Enter at the cursor writes a left click's trace there, and edits alike, at every ratio.
void TestCanvasEditing::keyPressIsAClickAtTheCursor_data()
{
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("mode");
    for (const double ratio : {1.0, 1.25, 1.5, 2.0})
        for (const int mode : {kAddMode, kDeleteMode, kMoveMode})
            QTest::addRow("ratio %g, mode %d", ratio, mode) << ratio << mode;
}

void TestCanvasEditing::keyPressIsAClickAtTheCursor()
{
    QFETCH(double, ratio);
    QFETCH(int, mode);
    CanvasModel byKeys;
    byKeys.controlPoints = kTwoPoints;
    byKeys.userMode = mode;
    typeKeys(byKeys, "rrrDDDdddddddd", ratio);
    CanvasModel byMouse = byKeys;
    const EditResult key = typeKeys(byKeys, "e", ratio);
    const EditResult click = mousePress(byMouse, viewOf(byMouse, ratio), kTwinProjection, byMouse.cursorX,
                                        byMouse.cursorY, ratio, kLeftButton);
    QCOMPARE(key.trace, click.trace);
    const QString coordinates = QString("Mouse coordinates: ( %1, %2 )")
                                    .arg(devicePixel(285, ratio))
                                    .arg(std::lround(kHeight * ratio) - devicePixel(334, ratio) - 1);
    QVERIFY2(QString::fromStdString(key.trace).startsWith(coordinates), key.trace.c_str());
    QCOMPARE(byKeys.controlPoints, byMouse.controlPoints);
    QCOMPARE(byKeys.selectedPoint, byMouse.selectedPoint);
}

void TestCanvasEditing::holdByKeys()
{
    CanvasModel canvas;
    canvas.controlPoints = kTwoPoints;
    canvas.recomputeLevels();
    setMoveMode(canvas);
    // A right press only places the cursor, here near point 1.
    pressAt(canvas, 405, 100, 2);
    const EditResult pick = typeKeys(canvas, "e");
    QCOMPARE(pick.announcement, "Point 2 picked up at (0.50, 0.50).");
    QVERIFY(canvas.hold.active && canvas.hold.byKeys);
    QCOMPARE(canvas.selectedPoint, 1);
    // Shown selected at once, and the cursor jumps onto the point.
    QVERIFY(pick.drawingChanged);
    QVERIFY(std::fabs(canvas.cursorX - 414.375) < 1e-6 && std::fabs(canvas.cursorY - 93.125) < 1e-6);
    const EditResult step = typeKeys(canvas, "rr");
    QVERIFY(step.levelsNeedRebuild);
    QVERIFY(near(canvas.controlPoints[1], startViewPoint(434, 93)));

    // Escape puts it back and the cursor with it: nothing to undo.
    CanvasModel cancelled = canvas;
    const EditResult escape = typeKeys(cancelled, "x");
    QVERIFY(escape.levelsNeedRebuild && !cancelled.hold.active);
    QCOMPARE(escape.announcement, "Point 2 put back at (0.50, 0.50).");
    QCOMPARE(cancelled.controlPoints, kTwoPoints);
    QVERIFY(std::fabs(cancelled.cursorX - 414.375) < 1e-6);
    QVERIFY(!cancelled.history.canUndo());
    // Enter drops it where it is: one step, which undo takes back.
    typeKeys(canvas, "e");
    QVERIFY(!canvas.hold.active);
    QCOMPARE(canvas.history.undoCount(), std::size_t{1});
    undo(canvas);
    QCOMPARE(canvas.controlPoints, kTwoPoints);
}

void TestCanvasEditing::pointsHeard_data()
{
    QTest::addColumn<bool>("twoPoints");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("selected");
    QTest::newRow("first") << true << "p" << "Point 1 of 2 at (-0.50, 0.50)." << 0;
    QTest::newRow("next") << true << "pp" << "Point 2 of 2 at (0.50, 0.50)." << 1;
    QTest::newRow("round the end") << true << "ppp" << "Point 1 of 2 at (-0.50, 0.50)." << 0;
    QTest::newRow("the one before") << true << "P" << "Point 2 of 2 at (0.50, 0.50)." << 1;
    QTest::newRow("picked where heard") << true << "pe" << "Point 1 picked up at (-0.50, 0.50)." << 0;
    QTest::newRow("held") << true << "pep" << "Point 1 is held: Enter puts it down." << 0;
    QTest::newRow("none") << false << "p" << "No points." << -1;
    QTest::newRow("summary")
        << true << "s" << "2 points, degree 1, from (-0.50, 0.50) to (0.50, 0.50), x from -0.50 to 0.50, y from 0.50 to 0.50."
        << -1;
    QTest::newRow("summary of none") << false << "s" << "No points." << -1;
    QTest::newRow("keys") << false << "?" << kCanvasKeysHelp << -1;
}

// Without sight: the points one by one, the cursor on each, and the curve summed up.
void TestCanvasEditing::pointsHeard()
{
    QFETCH(bool, twoPoints);
    QFETCH(QString, keys);
    QFETCH(QString, said);
    QFETCH(int, selected);
    CanvasModel canvas;
    if (twoPoints)
        canvas.controlPoints = kTwoPoints;
    setMoveMode(canvas);
    QCOMPARE(QString::fromStdString(typeKeys(canvas, keys.toLatin1().constData()).announcement), said);
    QCOMPARE(canvas.selectedPoint, selected);
}

void TestCanvasEditing::whatEndsAHold_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("steps");
    QTest::newRow("focus lost") << "focus" << 1;
    QTest::newRow("Clear") << "clear" << 2;
    QTest::newRow("mode key") << "key A" << 1;
    QTest::newRow("mode button") << "move button" << 1;
    QTest::newRow("pointer press") << "right press" << 1;
    QTest::newRow("drop unmoved") << "unmoved" << 0;
}

void TestCanvasEditing::whatEndsAHold()
{
    QFETCH(QString, event);
    QFETCH(int, steps);
    CanvasModel canvas;
    canvas.controlPoints = kTwoPoints;
    setMoveMode(canvas);
    pressAt(canvas, 90, 95, 2);
    typeKeys(canvas, event == "unmoved" ? "e" : "eR");
    QVERIFY(canvas.hold.active);
    if (event == "focus" || event == "unmoved")
        focusLost(canvas);
    else if (event == "clear")
        deleteAllControlPoints(canvas);
    else if (event == "key A")
        keyPress(canvas, viewOf(canvas), kTwinProjection, CanvasKey::AddMode, false, 1.0);
    else if (event == "move button")
        setMoveMode(canvas);
    else
        pressAt(canvas, 10, 10, 2);
    QVERIFY(!canvas.hold.active);
    QCOMPARE(canvas.history.undoCount(), std::size_t(steps));
    // Nothing left to put back.
    const Polyline after = canvas.controlPoints;
    QVERIFY(!typeKeys(canvas, "x").levelsNeedRebuild);
    QCOMPARE(canvas.controlPoints, after);
}

void TestCanvasEditing::escapeEndsAMouseDrag()
{
    CanvasModel canvas;
    canvas.controlPoints = kTwoPoints;
    setMoveMode(canvas);
    pressAt(canvas, 410, 90);
    moveTo(canvas, 255, 251);
    QVERIFY(typeKeys(canvas, "x").levelsNeedRebuild);
    QCOMPARE(canvas.controlPoints, kTwoPoints);
    // Later move events of the same drag move nothing.
    QVERIFY(!moveTo(canvas, 300, 300).levelsNeedRebuild);
    QCOMPARE(canvas.controlPoints, kTwoPoints);
    QVERIFY(!canvas.history.canUndo());
}

void TestCanvasEditing::undoAndRedo()
{
    CanvasModel canvas;
    changeDrawLevel(canvas, 5);
    pressAt(canvas, 100, 100);
    pressAt(canvas, 400, 100);
    pressAt(canvas, 250, 400);
    canvas.recomputeLevels();
    setMoveMode(canvas);
    pressAt(canvas, 400, 100);
    moveTo(canvas, 420, 150);
    QVERIFY(QString::fromStdString(mouseRelease(canvas, 420, 150).announcement).startsWith("Point 2 moved to ("));
    setSelectMode(canvas);
    pressAt(canvas, 100, 100);
    deleteAllControlPoints(canvas);
    canvas.recomputeLevels();
    QCOMPARE(canvas.history.undoCount(), std::size_t{6});

    // Undo the Clear, the delete and the move, each back to the state before it.
    std::vector<Polyline> states;
    const char *undone[] = {"Undone: All points cleared.", "Undone: Point 1 deleted. 2 points, degree 1.",
                            "Undone: Point 2 moved to ("};
    for (int i = 0; i < 3; ++i) {
        const EditResult edit = undo(canvas);
        QVERIFY(edit.levelsNeedRebuild && edit.countChanged && edit.repaint && edit.trace.empty());
        QVERIFY2(QString::fromStdString(edit.announcement).startsWith(undone[i]), edit.announcement.c_str());
        canvas.recomputeLevels();
        states.push_back(canvas.controlPoints);
    }
    QCOMPARE(states[0].size(), std::size_t{2});
    QCOMPARE(states[1].size(), std::size_t{3});
    QVERIFY(near(states[2][1], startViewPoint(400, 100)));
    // The same count of points as before the undo: the levels must still be the new points'.
    CanvasModel fresh;
    fresh.drawLevel = 5;
    fresh.controlPoints = canvas.controlPoints;
    fresh.recomputeLevels();
    QCOMPARE(canvas.curve, fresh.curve);

    QVERIFY(QString::fromStdString(redo(canvas).announcement).startsWith("Redone: Point 2 moved to ("));
    QCOMPARE(canvas.controlPoints, states[1]);
    // A new change drops what could be redone.
    setAddMode(canvas);
    pressAt(canvas, 30, 30);
    QVERIFY(!canvas.history.canRedo());
    const EditResult nothing = redo(canvas);
    QVERIFY(!nothing.repaint);
    QCOMPARE(nothing.announcement, "Nothing to redo.");
    // Nothing while a point is held.
    setMoveMode(canvas);
    pressAt(canvas, 30, 30);
    QVERIFY(canvas.hold.active);
    QVERIFY(!undo(canvas).repaint);
}

void TestCanvasEditing::historyIsBounded()
{
    EditHistory history;
    for (std::size_t i = 0; i < EditHistory::kMaxSteps + 20; ++i)
        history.record({Polyline(i % 7), static_cast<int>(i)}, "change " + std::to_string(i));
    QCOMPARE(history.undoCount(), EditHistory::kMaxSteps);
    // The oldest went: the first undo gives the last state recorded.
    const HistoryStep last = history.undo({}).value();
    QCOMPARE(last.state.selectedPoint, static_cast<int>(EditHistory::kMaxSteps + 19));
    QCOMPARE(last.change, "change " + std::to_string(EditHistory::kMaxSteps + 19));

    EditHistory large;
    const std::size_t points = EditHistory::kMaxPointBytes / sizeof(Point3) / 4 + 1;
    for (int i = 0; i < 10; ++i)
        large.record({Polyline(points), i}, {});
    QVERIFY(large.pointBytes() <= EditHistory::kMaxPointBytes);
    QCOMPARE(large.undoCount(), std::size_t{3});
    // A state larger than the bound alone is kept alone.
    large.record({Polyline(EditHistory::kMaxPointBytes / sizeof(Point3) + 1), 11}, {});
    QCOMPARE(large.undoCount(), std::size_t{1});
}

QTEST_APPLESS_MAIN(TestCanvasEditing)
#include "tst_canvasediting.moc"

void TestCanvasEditing::typedCoordinate_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<QString>("text");
    // The second point's coordinate afterwards; NaN where it must stay as it was, bit for bit.
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("said");

    const double same = std::nan("");
    QTest::newRow("x") << 0 << "0.3" << 0.3 << "Point 2 moved to (0.30, 0.50).";
    QTest::newRow("y, exponent, spaces") << 1 << "-1e-1 " << -0.1 << "Point 2 moved to (0.50, -0.10).";
    QTest::newRow("more digits than shown") << 0 << "0.125" << 0.125 << "Point 2 moved to (0.12, 0.50).";
    QTest::newRow("shown text is no change") << 0 << "0.50" << same << "";
    QTest::newRow("a word") << 0 << "abc" << same
                            << "Point 2's x must be a number from -1000000 to 1000000: it stays 0.50.";
    QTest::newRow("a number and more") << 1 << "0.2x" << same
                                       << "Point 2's y must be a number from -1000000 to 1000000: it stays 0.50.";
    QTest::newRow("empty") << 0 << "" << same
                           << "Point 2's x must be a number from -1000000 to 1000000: it stays 0.50.";
    QTest::newRow("infinite") << 0 << "inf" << same
                              << "Point 2's x must be a number from -1000000 to 1000000: it stays 0.50.";
    QTest::newRow("not a number") << 0 << "nan" << same
                                  << "Point 2's x must be a number from -1000000 to 1000000: it stays 0.50.";
    QTest::newRow("too far") << 1 << "1e7" << same
                             << "Point 2's y must be a number from -1000000 to 1000000: it stays 0.50.";
}

void TestCanvasEditing::typedCoordinate()
{
    QFETCH(int, axis);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, said);
    CanvasModel canvas;
    canvas.drawLevel = 3;
    canvas.controlPoints = {{-0.5, 0.5, 0}, {0.5 + 1e-9, 0.5, 0}};
    canvas.recomputeLevels();
    const Polyline before = canvas.controlPoints;

    const EditResult edit = setControlPointCoordinate(canvas, 1, axis, text.toStdString());
    QCOMPARE(QString::fromStdString(edit.announcement), said);
    const bool changes = !std::isnan(value);
    QCOMPARE(edit.levelsNeedRebuild, changes);
    QCOMPARE(canvas.history.canUndo(), changes);
    if (!changes) {
        QCOMPARE(canvas.controlPoints, before);
        return;
    }
    QCOMPARE(axis == 0 ? canvas.controlPoints[1].x : canvas.controlPoints[1].y, value);
    // The same count of points: the levels must still be the new points'.
    canvas.recomputeLevels();
    CanvasModel fresh;
    fresh.drawLevel = canvas.drawLevel;
    fresh.controlPoints = canvas.controlPoints;
    fresh.recomputeLevels();
    QCOMPARE(canvas.curve, fresh.curve);
    QCOMPARE(QString::fromStdString(undo(canvas).announcement), "Undone: " + said);
    QCOMPARE(canvas.controlPoints, before);
}

void TestCanvasEditing::resultsCarryControlsAndFocus()
{
    CanvasModel canvas;
    EditResult edit = focusGained(canvas, true);
    QVERIFY(edit.repaint && canvas.keyboardFocusShown);
    QCOMPARE(edit.mode, kAddMode);
    QVERIFY(!edit.canUndo && !edit.canRedo && !edit.highContrast);
    // A press hides the keyboard's marks; the click it makes by keys shows them again.
    edit = pressAt(canvas, 100, 100);
    QVERIFY(!canvas.keyboardFocusShown && edit.canUndo);
    edit = typeKeys(canvas, "e");
    QVERIFY(canvas.keyboardFocusShown && edit.repaint && edit.canUndo);
    edit = undo(canvas);
    QVERIFY(edit.canUndo && edit.canRedo);
    edit = keyPress(canvas, viewOf(canvas), kTwinProjection, CanvasKey::MoveMode, false, 1.0);
    QCOMPARE(edit.mode, kMoveMode);
    edit = keyPress(canvas, viewOf(canvas), kTwinProjection, CanvasKey::HighContrast, false, 1.0);
    QVERIFY(edit.highContrast && canvas.highContrast && edit.repaint);
    QCOMPARE(edit.announcement, "High contrast on.");
    // The page's switch speaks for itself.
    edit = setHighContrast(canvas, false);
    QVERIFY(!edit.highContrast && edit.announcement.empty());
    // Picked by keys, a hold leaves nothing to undo until it is dropped.
    edit = typeKeys(canvas, "e");
    QVERIFY(canvas.hold.active && !edit.canUndo && !edit.canRedo);
    edit = focusLost(canvas);
    QVERIFY(edit.repaint && !canvas.keyboardFocusShown && edit.canUndo);
    QVERIFY(!focusLost(canvas).repaint);
    // A refused or unchanged entry shows its row again; a change needs no second writing.
    QCOMPARE(setControlPointCoordinate(canvas, 0, 0, "x").pointShownAgain, 0);
    QCOMPARE(setControlPointCoordinate(canvas, 0, 1, coordinateText(canvas.controlPoints[0].y)).pointShownAgain, 0);
    QCOMPARE(setControlPointCoordinate(canvas, 0, 0, "0.5").pointShownAgain, -1);
}

void TestCanvasEditing::keysByName()
{
    const std::pair<const char *, std::optional<CanvasKey>> rows[] = {
        {"ArrowLeft", CanvasKey::Left}, {"Enter", CanvasKey::Activate}, {" ", CanvasKey::Activate},
        {"Escape", CanvasKey::Escape},  {"c", CanvasKey::ReadCursor},   {"h", CanvasKey::HighContrast},
        {"H", std::nullopt},            {"Tab", std::nullopt},          {"", std::nullopt}};
    for (const auto &[name, key] : rows)
        QVERIFY2(canvasKeyNamed(name) == key, name);
}

namespace {

// A run as text: primitive, source, range, colour in bytes, width and dash.
QString runText(const DrawRun &run)
{
    const char *primitives[] = {"Segments", "Strip", "Points", "Lit", "Rects"};
    const char *sources[] = {"Axes", "AxisPoints", "Lines", "Markers", "Rects", "ParameterAxes", "ParameterLines"};
    const auto byte = [](float c) { return QString::number(std::lround(c * 255), 16).rightJustified(2, '0'); };
    QString text = QString("%1 %2 %3+%4 #%5%6%7 %8")
                       .arg(primitives[int(run.primitive)], sources[int(run.source)])
                       .arg(run.first)
                       .arg(run.count)
                       .arg(byte(run.color.red), byte(run.color.green), byte(run.color.blue))
                       .arg(run.width);
    if (run.dash.dash > 0)
        text += QString(" dash %1/%2").arg(run.dash.dash).arg(run.dash.gap);
    return text;
}

const QStringList kDefaultAxes{"Segments Axes 0+2 #4d9900 2", "Segments Axes 2+2 #99004d 2",
                               "Segments Axes 4+2 #00997a 2", "Points AxisPoints 0+4 #999999 3"};

} // namespace

void TestCanvasEditing::canvasScene_data()
{
    QTest::addColumn<bool>("highContrast");
    QTest::addColumn<bool>("keyboard");
    QTest::addColumn<bool>("subdivisionPoints");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<int>("rectangles");
    // Three points at level 2 make 9 curve points; the hull is a closed square of 4.
    const QStringList curveAndHull{"Strip Lines 0+9 #999999 3", "Strip Lines 9+4 #990000 1"};
    const QStringList markers{"Lit Markers 0+24 #ffff00 0", "Lit Markers 24+24 #ff66ff 0",
                              "Lit Markers 48+24 #ffff00 0"};
    QTest::newRow("default look") << false << false << false << kDefaultAxes + curveAndHull + markers << 0;
    QTest::newRow("subdivision points")
        << false << false << true << kDefaultAxes + curveAndHull + markers + QStringList{"Lit Markers 72+216 #00ff00 0"}
        << 0;
    QTest::newRow("keyboard focus") << false << true << false
                                    << kDefaultAxes + curveAndHull + markers
                                           + QStringList{"Rects Rects 0+4 #3a6ea5 0", "Rects Rects 4+4 #ffffff 0"}
                                    << 8;
    QStringList highContrastAxes = kDefaultAxes;
    highContrastAxes[1] = "Segments Axes 2+2 #ff66bf 2";
    QTest::newRow("high contrast, keyboard focus")
        << true << true << false
        << highContrastAxes
               + QStringList{"Strip Lines 0+9 #999999 3", "Strip Lines 9+4 #ff5959 1 dash 6/4"} + markers
               + QStringList{"Rects Rects 0+12 #ffffff 0", "Rects Rects 12+4 #3a6ea5 0", "Rects Rects 16+4 #ffffff 0"}
        << 20;
}

void TestCanvasEditing::canvasScene()
{
    QFETCH(bool, highContrast);
    QFETCH(bool, keyboard);
    QFETCH(bool, subdivisionPoints);
    QFETCH(QStringList, runs);
    QFETCH(int, rectangles);
    CanvasModel canvas;
    canvas.controlPoints = {{-0.5, -0.5, 0}, {0, 0.5, 0}, {0.5, -0.5, 0}};
    canvas.drawLevel = 2;
    canvas.selectedPoint = 1;
    canvas.showConvexHull = true;
    canvas.showSubDivPoints = subdivisionPoints;
    canvas.highContrast = highContrast;
    canvas.keyboardFocusShown = keyboard;
    canvas.recomputeLevels();
    const SceneFrame frame{viewOf(canvas), kWidth, kHeight, 1.0};
    const Scene scene = bezier::canvasScene(canvas, curveBufferLayout(canvas), lookOf(canvas), frame);
    QStringList texts;
    for (const DrawRun &run : scene.runs)
        texts << runText(run);
    QCOMPARE(texts, runs);
    QCOMPARE(scene.fixedRuns, std::size_t{4});
    QCOMPARE(scene.rectangles.size(), std::size_t(rectangles));
    // SVG paints in order, so the markers the depth test shows in front, the control markers larger
    // than the subdivision markers at the curve's ends, come last.
    QStringList fills;
    QRegularExpressionMatchIterator polygons = QRegularExpression("<polygon [^>]*fill=\"(#[0-9a-f]{6})\"")
                                                   .globalMatch(QString::fromStdString(
                                                       canvasSvg(canvas, curveBufferLayout(canvas), kWidth, kHeight)));
    while (polygons.hasNext())
        fills << polygons.next().captured(1);
    QCOMPARE(fills.size(), subdivisionPoints ? 12 : 3);
    if (subdivisionPoints) {
        QCOMPARE(fills.count(fills.front()), 9);
        QVERIFY(!fills.mid(9).contains(fills.front()));
    }
    if (highContrast) {
        // Each outline is centred on its control point's window position.
        const WindowRect &bottom = scene.rectangles[0];
        QCOMPARE((bottom.left + bottom.right) / 2, 255.0f - 0.5f * 1.25f * 255.0f);
    }
}

void TestCanvasEditing::parameterScene()
{
    ParameterModel parameter;
    setDegree(parameter, 3);
    parameter.computeBasis();
    const Scene scene = bezier::parameterScene(parameter);
    QStringList texts;
    for (const DrawRun &run : scene.runs)
        texts << runText(run);
    const QString samples = QString::number(parameter.basisCurves[0].size());
    QCOMPARE(texts, (QStringList{"Segments ParameterAxes 0+4 #ffffff 1.5",
                                 "Strip ParameterLines 0+" + samples + " #ffff1a 1",
                                 "Strip ParameterLines " + samples + "+" + samples + " #ffff1a 1",
                                 QString("Strip ParameterLines %1+%2 #ffff1a 1").arg(2 * samples.toInt()).arg(samples),
                                 QString("Segments ParameterLines %1+2 #00ff00 1").arg(3 * samples.toInt())}));
    const Polyline vertices = parameterVertices(parameter);
    QCOMPARE(vertices.size(), std::size_t(3 * samples.toInt() + 2));
    QCOMPARE(vertices.back(), (Point3{parameter.u, 1, 0}));
}

void TestCanvasEditing::pastedText_data()
{
    QTest::addColumn<QByteArray>("text");
    // The points read, as "x y" pairs; or what the refusal says.
    QTest::addColumn<QString>("read");

    const QString limit = "that is not a number from -1000000 to 1000000.";
    QTest::newRow("CSV with header") << QByteArray("x,y\n0.5,-1\n2,3e-2\n") << "0.5 -1 2 0.03";
    QTest::newRow("semicolons, quotes, CRLF, blank lines")
        << QByteArray("\xEF\xBB\xBF\"X\";\"Y\"\r\n\r\n\"1\";\"2\"\r\n3 ; 4") << "1 2 3 4";
    QTest::newRow("tabs and spaces") << QByteArray("1\t2\n  -3   +4  \n") << "1 2 -3 4";
    QTest::newRow("JSON pairs and objects") << QByteArray("[[1, 2],\n {\"y\": 4, \"x\": 3}]") << "1 2 3 4";
    QTest::newRow("one field") << QByteArray("x,y\n1,2\n3\n") << "Nothing pasted: line 3 does not hold two numbers.";
    QTest::newRow("a second header") << QByteArray("1,2\nx,y\n") << "Nothing pasted: line 2 has an x " + limit;
    QTest::newRow("decimal comma") << QByteArray("0,5;1,5\n") << "Nothing pasted: line 1 has an x " + limit;
    QTest::newRow("not finite") << QByteArray("1,inf\n") << "Nothing pasted: line 1 has a y " + limit;
    QTest::newRow("too far") << QByteArray("1,2\n-1e7,0\n") << "Nothing pasted: line 2 has an x " + limit;
    QTest::newRow("hex") << QByteArray("0x1p3,0") << "Nothing pasted: line 1 has an x " + limit;
    QTest::newRow("JSON cut short") << QByteArray("[[1, 2],\n[3,") << "Nothing pasted: line 2 has a y " + limit;
    QTest::newRow("JSON other keys") << QByteArray("[{\"x\": 1, \"z\": 2}]")
                                     << "Nothing pasted: line 1 has a point whose keys are not \"x\" and \"y\".";
    QTest::newRow("nothing") << QByteArray(" \n\n") << "Nothing pasted: it holds no points.";
    QTest::newRow("too many points") << QByteArray("0 0\n").repeated(10001) << "Nothing pasted: it holds more than 10000 points.";
    QTest::newRow("too long") << QByteArray(524289, ' ') << "Nothing pasted: it is longer than 524288 bytes.";
}

void TestCanvasEditing::pastedText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, read);
    CanvasModel canvas;
    canvas.appendControlPoint({9, 9, 0});
    const EditResult edit = pastePoints(canvas, std::string_view(text.constData(), text.size()));
    const bool refused = read.startsWith("Nothing");
    QCOMPARE(canvas.history.canUndo(), !refused);
    if (refused) {
        QCOMPARE(QString::fromStdString(edit.announcement), read);
        QCOMPARE(canvas.controlPoints, Polyline({{9, 9, 0}}));
        return;
    }
    QStringList got;
    for (const Point3 &p : canvas.controlPoints)
        got << QString::number(p.x) << QString::number(p.y);
    QCOMPARE(got.join(' '), read);
    QCOMPARE(QString::fromStdString(edit.announcement), QString("%1 points pasted.").arg(canvas.controlPoints.size()));
    QVERIFY(edit.levelsNeedRebuild && edit.countChanged);
    undo(canvas);
    QCOMPARE(canvas.controlPoints, Polyline({{9, 9, 0}}));
}

// Points copied, or kept in the address, read back bit for bit, whatever their size.
void TestCanvasEditing::exactTextRoundTrips()
{
    const unsigned seed = std::random_device{}();
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> exponent(-330, 6);
    std::uniform_real_distribution<double> mantissa(-9.99, 9.99);
    CanvasModel canvas;
    Polyline points = {{-0.0, 1e6, 0}, {-1e6, 5e-324, 0}, {0.1, 1.0 / 3, 0}};
    for (int i = 0; i < 2000; ++i) {
        const auto value = [&] { return std::clamp(mantissa(random) * std::pow(10.0, exponent(random)), -1e6, 1e6); };
        points.push_back({value(), value(), 0});
    }
    canvas.replaceControlPoints(points);
    canvas.selectedPoint = 7;
    canvas.zoom = static_cast<float>(123 * kZoomStep);
    canvas.zRot = 359;
    canvas.drawLevel = 8;
    canvas.showSubDivPoints = true;
    const PointsReading pasted = readPoints(copiedPoints(canvas));
    const LinkReading linked = readLink(linkFragment(linkOf(canvas)));
    QVERIFY2(pasted.error.empty() && linked.link, qPrintable(QString("seed %1").arg(seed)));
    QVERIFY2(std::memcmp(pasted.points.data(), points.data(), points.size() * sizeof(Point3)) == 0, qPrintable(QString("seed %1").arg(seed)));
    QVERIFY2(*linked.link == linkOf(canvas), qPrintable(QString("seed %1").arg(seed)));
    QVERIFY(std::signbit(linked.link->points[0].x));
    QCOMPARE(linked.link->zoomValue, 123);

    // Written again where points changed, a point at a time.
    LinkWriter writer;
    writer.fragment(linkOf(canvas));
    canvas.moveControlPoint(5, {0.0, -0.0, 0});
    canvas.appendControlPoint({1, 2, 0});
    QCOMPARE(writer.fragment(linkOf(canvas)), linkFragment(linkOf(canvas)));
    canvas.eraseControlPoint(canvas.controlPoints.size() - 1);
    canvas.moveControlPoint(5, points[5]);

    CanvasModel opened;
    openLink(opened, *linked.link, false);
    QVERIFY(!opened.history.canUndo());
    QCOMPARE(linkFragment(linkOf(opened)), linkFragment(linkOf(canvas)));
    const EditResult edit = openLink(opened, CurveLink{}, true);
    QCOMPARE(QString::fromStdString(edit.announcement), "Link opened. No points.");
    undo(opened);
    QCOMPARE(opened.controlPoints.size(), points.size());
}

void TestCanvasEditing::malformedLink_data()
{
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("error");
    QTest::newRow("other version") << "v2&points=" << "it is not a curve of this editor's version 1";
    QTest::newRow("no points") << "v1&level=3" << "it holds no points part";
    QTest::newRow("level too deep") << "v1&level=9&points=" << "its level is out of range";
    QTest::newRow("zoom a word") << "v1&zoom=big&points=" << "its zoom is out of range";
    QTest::newRow("twice") << "v1&hull=1&hull=0&points=" << "it gives hull twice";
    QTest::newRow("unknown") << "v1&points=&color=red" << "it holds an unknown part";
    QTest::newRow("half a point") << "v1&points=1,2;3" << "its point 2 is not two numbers within the limits";
    QTest::newRow("markup") << "v1&points=<script>" << "its point 1 is not two numbers within the limits";
    QTest::newRow("selection beyond") << "v1&selected=1&points=1,2" << "its selected point is not one of its points";
    QTest::newRow("too long") << "v1&points=" + QString(524288, '0') << "it is longer than 524288 characters";
}

void TestCanvasEditing::malformedLink()
{
    QFETCH(QString, fragment);
    QFETCH(QString, error);
    const LinkReading reading = readLink(fragment.toStdString());
    QVERIFY(!reading.link);
    QCOMPARE(QString::fromStdString(reading.error), error);
}
