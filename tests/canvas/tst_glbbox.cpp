#include "BezierOracle.h"
#include "CanvasView.h"
#include "GLTestSupport.h"
#include "StdoutCapture.h"
#include "TestAccess.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace bezier;

Q_DECLARE_METATYPE(Polyline)

using namespace canvastest;

namespace {

// Lines get only the 0.6 ambient light: 0.6 times their material's ambient colour.
const QColor kXAxisPixel(77, 153, 0);
const QColor kYAxisPixel(153, 0, 77);

const Polyline kCorner{{-0.6, -0.6, 0}, {0.6, -0.6, 0}, {0.6, 0.6, 0}};

void material(GLenum face, GLenum parameter, float r, float g, float b)
{
    const GLfloat rgba[] = {r, g, b, 1.0f};
    glMaterialfv(face, parameter, rgba);
}

void immediateStrip(const Polyline &points)
{
    glBegin(GL_LINE_STRIP);
    for (const Point3 &p : points)
        glVertex3f(float(p.x), float(p.y), float(p.z));
    glEnd();
}

void immediateMarker(const Point3 &p, double d)
{
    for (const int sy : {1, -1})
        for (const auto &[sx, sz] : {std::pair{1, 1}, {1, -1}, {-1, -1}, {-1, 1}}) {
            glNormal3f(float(sx), float(sy), float(sz));
            glVertex3f(float(p.x + sx * d), float(p.y), float(p.z));
            glVertex3f(float(p.x), float(p.y + sy * d), float(p.z));
            glVertex3f(float(p.x), float(p.y), float(p.z + sz * d));
        }
}

// The curve geometry as a display list, vertex by vertex in immediate mode, as the canvas drew
// it before buffer objects: the reference its buffers must match pixel for pixel.
GLuint immediateCurveList(GLBBoxTestAccess &access, float pixelRatio)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    // Lines lit by the ambient light alone (a zero normal), the curve in white material.
    glEnable(GL_LIGHTING);
    glNormal3f(0, 0, 0);
    material(GL_FRONT_AND_BACK, GL_AMBIENT, 1, 1, 1);
    glLineWidth(3.0f * pixelRatio);
    immediateStrip(access.curve());
    if (access.showPolyline()) {
        glLineWidth(1.0f * pixelRatio);
        material(GL_FRONT_AND_BACK, GL_AMBIENT, 1, 0, 0);
        immediateStrip(access.controlPoints());
    }
    if (access.showConvexHull() && !access.hull().empty()) {
        glLineWidth(1.0f * pixelRatio);
        material(GL_FRONT_AND_BACK, GL_AMBIENT, 1, 0, 0);
        immediateStrip(access.hull());
    }
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < int(access.controlPoints().size()); ++i) {
        if (i == access.selectedPoint())
            material(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, 1, 0.4f, 1);
        else
            material(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, 1, 1, 0);
        immediateMarker(access.controlPoints()[i], 0.01);
    }
    glEnd();
    if (access.showSubDivPoints()) {
        glBegin(GL_TRIANGLES);
        material(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, 0, 1, 0);
        for (const Point3 &p : access.curve())
            immediateMarker(p, 0.009);
        glEnd();
    }
    glDisable(GL_LIGHTING);
    glEndList();
    return list;
}

// A canvas that logs its paints, each with the bytes written to standard output before it.
class LoggingCanvas : public GLBBox
{
public:
    explicit LoggingCanvas(QStringList &log) : log(log) {}

protected:
    void paintGL() override
    {
        GLBBox::paintGL();
        std::fflush(stdout);
        log << QString("paint after %1 bytes").arg(lseek(STDOUT_FILENO, 0, SEEK_CUR));
    }

private:
    QStringList &log;
};

} // namespace

class TestGLBBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startValues();
    void rotationSlots_data();
    void rotationSlots();
    void zoomSlot_data();
    void zoomSlot();
    void modeSlots();
    void deleteAllControlPoints();
    void displayListsStayOne();
    void backgroundAndAxes();
    void stretchesOnNonSquareViews();

    void levelsForEveryDepth();
    void loweringAndRaisingReuseLevels();
    void movedPointRebuildsEverything();
    void noControlPoints();
    void negativeDepth();
    void newDrawLevelAfterRepaint();
    void announcementsAroundTheRepaint_data();
    void announcementsAroundTheRepaint();
    void hullFollowsTheCheckBoxSlot();
    void curveHullAndMarkersInPixels();
    void buffersDrawWhatImmediateModeDraws_data();
    void buffersDrawWhatImmediateModeDraws();

private:
    QImage frameWith(const Polyline &controlPoints);

    std::unique_ptr<GLBBox> canvas;
};

void TestGLBBox::init()
{
    canvas = std::make_unique<GLBBox>(nullptr, "GLBBox2");
    canvas->resize(510, 502);
    canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas.get()));
}

void TestGLBBox::cleanup()
{
    canvas.reset();
}

QImage TestGLBBox::frameWith(const Polyline &controlPoints)
{
    GLBBoxTestAccess(*canvas).setControlPoints(controlPoints);
    canvas->changeDrawLevel(5);
    return gltest::lastFrame(*canvas);
}

void TestGLBBox::startValues()
{
    GLBBoxTestAccess access(*canvas);
    QCOMPARE(canvas->objectName(), QString("GLBBox2"));
    QCOMPARE(access.zoom(), kStartZoom);
    QCOMPARE(access.drawLevel(), 5);
    QCOMPARE(access.computedLevel(), 0);
    QCOMPARE(access.selectedPoint(), -1);
    QCOMPARE(access.userMode(), kAddMode);
    QVERIFY(!access.showPolyline() && !access.showConvexHull() && !access.showSubDivPoints());
    QVERIFY(access.axesList() != 0);
    QVERIFY(canvas->format().depthBufferSize() > 0);
    QCOMPARE(QString(canvas->metaObject()->className()), QString("GLBBox"));
}

void TestGLBBox::rotationSlots_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("value");
    QTest::addColumn<float>("expected");
    for (const char *slot : {"setXRotation", "setYRotation", "setZRotation"}) {
        QTest::addRow("%s -30", slot) << slot << -30 << -30.0f;
        QTest::addRow("%s 370", slot) << slot << 370 << 10.0f;
        QTest::addRow("%s 360", slot) << slot << 360 << 0.0f;
        QTest::addRow("%s -725", slot) << slot << -725 << -5.0f;
    }
}

void TestGLBBox::rotationSlots()
{
    QFETCH(QString, slot);
    QFETCH(int, value);
    QFETCH(float, expected);
    QVERIFY(QMetaObject::invokeMethod(canvas.get(), slot.toLatin1().constData(), Q_ARG(int, value)));
    GLBBoxTestAccess access(*canvas);
    const float angles[] = {access.xRot(), access.yRot(), access.zRot()};
    const int axis = slot[3].toLatin1() - 'X';
    for (int i = 0; i < 3; ++i)
        QCOMPARE(angles[i], i == axis ? expected : 0.0f);
}

void TestGLBBox::zoomSlot_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<float>("expected");
    QTest::newRow("0") << 0 << 0.0f;
    QTest::newRow("1") << 1 << 0.025f;
    QTest::newRow("50") << 50 << kStartZoom;
    QTest::newRow("500") << 500 << 12.5f;
}

void TestGLBBox::zoomSlot()
{
    QFETCH(int, value);
    QFETCH(float, expected);
    canvas->setZoom(value);
    QCOMPARE(GLBBoxTestAccess(*canvas).zoom(), expected);
    QCOMPARE(gltest::errorAfterRepaint(*canvas), 0u);
}

void TestGLBBox::modeSlots()
{
    GLBBoxTestAccess access(*canvas);
    canvas->setSelectMode();
    QCOMPARE(access.userMode(), kDeleteMode);
    canvas->setMoveMode();
    QCOMPARE(access.userMode(), kMoveMode);
    canvas->setAddMode();
    QCOMPARE(access.userMode(), kAddMode);
}

void TestGLBBox::deleteAllControlPoints()
{
    QSignalSpy spy(canvas.get(), &GLBBox::sendDegree);
    canvas->deleteAllControlPoints();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 0);

    GLBBoxTestAccess access(*canvas);
    access.setControlPoints(kCorner);
    canvas->setShowConvexHull(true);
    canvas->changeDrawLevel(3);
    QCOMPARE(access.computedLevel(), 3);
    canvas->deleteAllControlPoints();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
    QVERIFY(access.controlPoints().empty() && access.curve().empty() && access.levels().empty()
            && access.hull().empty());
    // Neither the depth held nor the selection is touched.
    QCOMPARE(access.computedLevel(), 3);
    QCOMPARE(access.selectedPoint(), -1);
    const QImage frame = gltest::lastFrame(*canvas);
    QCOMPARE(gltest::countPixels(frame, isHullRed), 0);
}

void TestGLBBox::displayListsStayOne()
{
    GLBBoxTestAccess(*canvas).setControlPoints(kCorner);
    for (int i = 0; i < 100; ++i) {
        canvas->setShowSubDivPoints(i % 2 == 0);
        canvas->togglepolyline(i % 3 == 0);
        canvas->setShowConvexHull(i % 5 == 0);
        canvas->changeDrawLevel(i % 9);
    }
    canvas->deleteAllControlPoints();
    QCOMPARE(gltest::liveDisplayLists(*canvas), 1);
    QCOMPARE(gltest::errorAfterRepaint(*canvas), 0u);
}

void TestGLBBox::backgroundAndAxes()
{
    const QImage frame = gltest::lastFrame(*canvas);
    QCOMPARE(frame.pixelColor(5, 5), QColor(Qt::black));
    QCOMPARE(frame.pixelColor(frame.width() / 4, frame.height() * 3 / 4), QColor(Qt::black));
    QVERIFY(gltest::colorNear(frame, gltest::pixelOf(frame, 0.5, 0.0, kStartZoom, kStartZoom), 1, kXAxisPixel));
    QVERIFY(gltest::colorNear(frame, gltest::pixelOf(frame, 0.0, 0.5, kStartZoom, kStartZoom), 1, kYAxisPixel));
}

void TestGLBBox::stretchesOnNonSquareViews()
{
    canvas->resize(400, 200);
    canvas->setZoom(20);
    const QImage frame = gltest::lastFrame(*canvas);
    QCOMPARE(frame.size(), QSize(400, 200) * canvas->devicePixelRatioF());
    // Axes of length 1 at zoom 0.5 end half-way to the edge, in pixels of each direction.
    const auto xAxisAt = [&](double x) { return gltest::colorNear(frame, gltest::pixelOf(frame, x, 0, 0.5, 0.5), 1, kXAxisPixel); };
    const auto yAxisAt = [&](double y) { return gltest::colorNear(frame, gltest::pixelOf(frame, 0, y, 0.5, 0.5), 1, kYAxisPixel); };
    QVERIFY(xAxisAt(0.9) && !xAxisAt(1.1));
    QVERIFY(yAxisAt(0.9) && !yAxisAt(1.1));
    QCOMPARE(gltest::pixelOf(frame, 1, 0, 0.5, 0.5).x() - frame.width() / 2, frame.width() / 4);
    QCOMPARE(frame.height() / 2 - gltest::pixelOf(frame, 0, 1, 0.5, 0.5).y(), frame.height() / 4);
}

void TestGLBBox::levelsForEveryDepth()
{
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints(kCorner);
    for (int depth = 0; depth <= 8; ++depth) {
        canvas->changeDrawLevel(depth);
        QCOMPARE(access.computedLevel(), depth);
        QCOMPARE(static_cast<int>(access.levels().size()), depth + 1);
        QCOMPARE(access.levels().front(), kCorner);
        for (int k = 0; k <= depth; ++k)
            QCOMPARE(static_cast<int>(access.levels()[k].size()), (1 << k) * 2 + 1);
        QCOMPARE(access.curve(), access.levels().back());
    }
    canvas->changeDrawLevel(1);
    QCOMPARE(access.curve(), (Polyline{{-0.6, -0.6, 0}, {0, -0.6, 0}, {0.3, -0.3, 0}, {0.6, 0, 0}, {0.6, 0.6, 0}}));
}

void TestGLBBox::loweringAndRaisingReuseLevels()
{
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints({{0, 0, 0}, {0.5, 0.7, 0}, {-0.4, 0.2, 0}, {0.3, -0.5, 0}});
    canvas->changeDrawLevel(5);
    std::vector<const Point3 *> storage;
    for (const Polyline &level : access.levels())
        storage.push_back(level.data());
    const PolylineList atFive = access.levels();

    canvas->changeDrawLevel(3);
    QCOMPARE(static_cast<int>(access.levels().size()), 4);
    for (int k = 0; k <= 3; ++k)
        QCOMPARE(access.levels()[k].data(), storage[k]);
    QCOMPARE(access.curve(), atFive[3]);

    canvas->changeDrawLevel(5);
    QCOMPARE(access.levels(), atFive);
    for (int k = 0; k <= 3; ++k)
        QCOMPARE(access.levels()[k].data(), storage[k]);
    QCOMPARE(access.curve(), atFive[5]);
}

void TestGLBBox::movedPointRebuildsEverything()
{
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints(kCorner);
    canvas->changeDrawLevel(4);
    Polyline moved = kCorner;
    moved[1] = {0.2, 0.5, 0};
    access.setControlPoints(moved);

    // Same count and a non-zero depth held: the cache is reused, as the count is all it checks.
    access.recomputeLevels();
    QCOMPARE(access.levels().front(), kCorner);

    access.setComputedLevel(0);
    access.recomputeLevels();
    QCOMPARE(access.levels().front(), moved);
    QCOMPARE(access.computedLevel(), 4);
    const Point3 middle = access.curve()[access.curve().size() / 2];
    const Point3 expected = bezierPoint(moved, 0.5);
    QVERIFY(std::hypot(middle.x - expected.x, middle.y - expected.y) < 1e-12);

    moved.push_back({-0.5, 0.5, 0});
    access.setControlPoints(moved);
    access.recomputeLevels();
    QCOMPARE(access.levels().front(), moved);
    QCOMPARE(access.curve().size(), std::size_t{16 * 3 + 1});
}

void TestGLBBox::noControlPoints()
{
    GLBBoxTestAccess access(*canvas);
    canvas->changeDrawLevel(6);
    QCOMPARE(access.levels().size(), std::size_t{1});
    QVERIFY(access.levels().front().empty());
    QVERIFY(access.curve().empty());
    QCOMPARE(access.computedLevel(), 0);
    QCOMPARE(gltest::errorAfterRepaint(*canvas), 0u);
}

void TestGLBBox::negativeDepth()
{
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints(kCorner);
    canvas->changeDrawLevel(2);
    const Polyline atTwo = access.curve();

    canvas->changeDrawLevel(-2);
    QVERIFY(access.levels().empty());
    QCOMPARE(access.computedLevel(), -2);
    QCOMPARE(access.curve(), atTwo);

    canvas->changeDrawLevel(2);
    QCOMPARE(access.computedLevel(), 2);
    QCOMPARE(access.levels().size(), std::size_t{3});
    QCOMPARE(access.curve(), atTwo);
}

void TestGLBBox::newDrawLevelAfterRepaint()
{
    GLBBoxTestAccess(*canvas).setControlPoints(kCorner);
    canvas->changeDrawLevel(5);
    // At depth 0 the drawn curve is the control polygon, which passes through (0.3, -0.6).
    bool polygonShownWhenSignalled = false;
    int signalled = -1;
    connect(canvas.get(), &GLBBox::newDrawLevel, this, [&](int level) {
        signalled = level;
        const QImage frame = gltest::lastFrame(*canvas);
        polygonShownWhenSignalled
            = gltest::colorNear(frame, gltest::pixelOf(frame, 0.3, -0.6, kStartZoom, kStartZoom), 1, kCurveGrey);
    });
    QImage before = gltest::lastFrame(*canvas);
    QVERIFY(!gltest::colorNear(before, gltest::pixelOf(before, 0.3, -0.6, kStartZoom, kStartZoom), 1, kCurveGrey));
    canvas->changeDrawLevel(0);
    QCOMPARE(signalled, 0);
    QVERIFY(polygonShownWhenSignalled);
}

// Each caller's order: a press announces the count and writes its whole trace before the
// repaint; Clear and the level slot repaint, then announce.
void TestGLBBox::announcementsAroundTheRepaint_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("add press") << "press" << QStringList{"sendDegree 1", "paint after 63 bytes"};
    QTest::newRow("clear") << "clear" << QStringList{"paint after 0 bytes", "sendDegree 0"};
    QTest::newRow("level") << "level" << QStringList{"paint after 0 bytes", "newDrawLevel 2"};
}

void TestGLBBox::announcementsAroundTheRepaint()
{
    QFETCH(QString, action);
    QFETCH(QStringList, events);
    canvas.reset();
    QStringList log;
    LoggingCanvas logging(log);
    logging.resize(510, 502);
    logging.show();
    QVERIFY(QTest::qWaitForWindowExposed(&logging));
    connect(&logging, &GLBBox::sendDegree, this, [&](int count) { log << QString("sendDegree %1").arg(count); });
    connect(&logging, &GLBBox::newDrawLevel, this, [&](int level) { log << QString("newDrawLevel %1").arg(level); });
    QCoreApplication::processEvents();
    log.clear();
    StdoutCapture capture;
    if (action == "press")
        QTest::mousePress(&logging, Qt::LeftButton, {}, {120, 200});
    else if (action == "clear")
        logging.deleteAllControlPoints();
    else
        logging.changeDrawLevel(2);
    const std::string trace = capture.finish();
    QCOMPARE(log, events);
    if (action == "press")
        QCOMPARE(trace.size(), std::size_t{63});
}

void TestGLBBox::hullFollowsTheCheckBoxSlot()
{
    GLBBoxTestAccess access(*canvas);
    const Polyline square{{0, 0, 0}, {0.5, 0, 0}, {0.5, 0.5, 0}, {0, 0.5, 0}, {0.25, 0.25, 0}};
    access.setControlPoints(square);
    canvas->changeDrawLevel(2);
    QVERIFY(access.hull().empty());

    canvas->setShowConvexHull(true);
    QCOMPARE(access.hull().size(), std::size_t{5});

    // While hidden the hull goes stale; ticking again shows the current points' hull.
    canvas->setShowConvexHull(false);
    Polyline triangle(square.begin(), square.begin() + 3);
    access.setControlPoints(triangle);
    canvas->changeDrawLevel(3);
    QCOMPARE(access.hull().size(), std::size_t{5});
    canvas->setShowConvexHull(true);
    QCOMPARE(access.hull(), (Polyline{triangle[0], triangle[1], triangle[2], triangle[0]}));
}

void TestGLBBox::curveHullAndMarkersInPixels()
{
    const Polyline points{{-0.6, -0.5, 0}, {0.0, 0.7, 0}, {0.6, -0.5, 0}};
    QImage frame = frameWith(points);
    const Point3 middle = bezierPoint(points, 0.5);
    QVERIFY(gltest::colorNear(frame, gltest::pixelOf(frame, middle.x, middle.y, kStartZoom, kStartZoom), 1, kCurveGrey));
    const auto redPixels = [](const QImage &image) {
        return gltest::countPixels(image, isHullRed);
    };
    const QPoint onHullSide = gltest::pixelOf(frame, -0.3, 0.1, kStartZoom, kStartZoom);
    QCOMPARE(redPixels(frame), 0);
    QCOMPARE(gltest::countPixels(frame, isGreenMarker), 0);

    canvas->setShowConvexHull(true);
    frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::colorNear(frame, onHullSide, 1, kHullRed));
    QVERIFY(redPixels(frame) > 300);

    canvas->setShowSubDivPoints(true);
    frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::countPixels(frame, isGreenMarker) > 50);
    QVERIFY(gltest::anyPixelNear(frame, gltest::pixelOf(frame, middle.x, middle.y, kStartZoom, kStartZoom), 2, isGreenMarker));

    canvas->setShowConvexHull(false);
    canvas->setShowSubDivPoints(false);
    frame = gltest::lastFrame(*canvas);
    QCOMPARE(redPixels(frame), 0);
    QCOMPARE(gltest::countPixels(frame, isGreenMarker), 0);
}

void TestGLBBox::buffersDrawWhatImmediateModeDraws_data()
{
    QTest::addColumn<bool>("polygon");
    QTest::addColumn<bool>("hull");
    QTest::addColumn<bool>("subdivisionPoints");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("zoomSlider");
    QTest::newRow("curve and markers") << false << false << false << -1 << 0 << 50;
    QTest::newRow("polygon alone") << true << false << false << -1 << 0 << 50;
    QTest::newRow("everything, first selected") << true << true << true << 0 << 0 << 50;
    QTest::newRow("hull, middle selected, turned") << false << true << false << 3 << 33 << 50;
    QTest::newRow("subdivision points, last selected") << false << false << true << 6 << 300 << 50;
    QTest::newRow("everything, turned and zoomed in") << true << true << true << 2 << 140 << 90;
    QTest::newRow("selection beyond the points, zoomed out") << true << false << true << 7 << 0 << 20;
}

void TestGLBBox::buffersDrawWhatImmediateModeDraws()
{
    QFETCH(bool, polygon);
    QFETCH(bool, hull);
    QFETCH(bool, subdivisionPoints);
    QFETCH(int, selected);
    QFETCH(int, rotation);
    QFETCH(int, zoomSlider);
    GLBBoxTestAccess access(*canvas);
    access.setControlPoints({{-0.7, -0.5, 0}, {-0.3, 0.6, 0}, {0.1, -0.2, 0}, {0.25, 0.3, 0}, {0.5, 0.7, 0},
                             {0.6, -0.6, 0}, {-0.1, -0.75, 0}});
    access.setSelectedPoint(selected);
    canvas->togglepolyline(polygon);
    canvas->setShowConvexHull(hull);
    canvas->setShowSubDivPoints(subdivisionPoints);
    canvas->setZRotation(rotation);
    canvas->setZoom(zoomSlider);
    canvas->changeDrawLevel(4);
    const QImage buffers = gltest::lastFrame(*canvas);

    canvas->makeCurrent();
    const GLuint reference = immediateCurveList(access, float(canvas->devicePixelRatioF()));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -10.0f);
    glScalef(access.zoom(), access.zoom(), access.zoom());
    glRotatef(access.zRot(), 0.0f, 0.0f, 1.0f);
    glCallList(access.axesList());
    glCallList(reference);
    glFinish();
    glDeleteLists(reference, 1);
    const QImage immediate = gltest::lastFrame(*canvas);
    QCOMPARE(buffers.size(), immediate.size());
    QVERIFY(buffers == immediate);
    QVERIFY(gltest::countPixels(buffers, isMarker) > 0);
}

QTEST_MAIN(TestGLBBox)
#include "tst_glbbox.moc"
