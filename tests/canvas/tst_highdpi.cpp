#include "CanvasView.h"
#include "GLTestSupport.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"
#include "ViewDigest.h"
#include "canvas/GluProjection.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <cstring>
#include <memory>

using namespace bezier;

using canvastest::isMarker;

namespace {

// How far the centre of a drawn marker may lie from the pointer, in device pixels.
constexpr double kPointerTolerance = 1.5;
// How far a line's width on screen may differ from its width times the scale, in pixels.
constexpr double kWidthTolerance = 1.0;

// Any face of a control-point marker, yellow or selected pink: only markers are this red.
bool isMarkerFace(QColor c)
{
    return c.red() > 170;
}

// The centre of the marker pixels within `radius` of `around`, in pixel indices.
QPointF markerCentre(const QImage &frame, QPointF around, int radius)
{
    QPointF sum;
    int count = 0;
    for (int y = qRound(around.y()) - radius; y <= qRound(around.y()) + radius; ++y)
        for (int x = qRound(around.x()) - radius; x <= qRound(around.x()) + radius; ++x)
            if (frame.valid(x, y) && isMarkerFace(frame.pixelColor(x, y))) {
                sum += QPointF(x, y);
                ++count;
            }
    return count ? sum / count : QPointF(-1000, -1000);
}

// The number of pixels in column x, within `radius` rows of y, that satisfy `predicate`.
int thickness(const QImage &frame, int x, int y, int radius, const std::function<bool(QColor)> &predicate)
{
    int count = 0;
    for (int row = y - radius; row <= y + radius; ++row)
        count += frame.valid(x, row) && predicate(frame.pixelColor(x, row));
    return count;
}

template <class T>
bool sameBits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool sameBits(const std::optional<Point3> &a, const std::optional<Point3> &b)
{
    return a.has_value() == b.has_value() && (!a || sameBits(*a, *b));
}

// The transform the driver reports for a view after its paint.
ViewTransform driverTransform(QOpenGLWidget &view)
{
    view.makeCurrent();
    ViewTransform transform;
    glGetIntegerv(GL_VIEWPORT, transform.viewport.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, transform.modelview.data());
    glGetDoublev(GL_PROJECTION_MATRIX, transform.projection.data());
    return transform;
}

// GLU's and the twins' projections of window positions across the viewport and of model points
// agree bit for bit; the first that does not is described.
QString projectionMismatch(const ViewTransform &view)
{
    const int width = view.viewport[2];
    const int height = view.viewport[3];
    for (int i = 0; i <= 8; ++i) {
        const double wx = width * i / 8;
        const double wy = height * (8 - i) / 8 + i % 3;
        const std::optional<Point3> unprojected = unprojectPoint(view, wx, wy, 0.0);
        if (!sameBits(unprojected, kGluProjection.unproject(view, wx, wy, 0.0)))
            return QString("unprojecting %1,%2").arg(wx).arg(wy);
        for (const Point3 &p : {unprojected.value_or(Point3{0.3, -0.7, 0.0}), Point3{-0.61, 0.33, 0.2}})
            if (!sameBits(projectPoint(view, p), kGluProjection.project(view, p)))
                return QString("projecting %1,%2,%3").arg(p.x).arg(p.y).arg(p.z);
    }
    return {};
}

} // namespace

// The editor on a screen that scales widgets by QT_SCALE_FACTOR (CTest runs it at several):
// points go and move exactly under the pointer, and lines keep their look.
class TestHighDpi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void viewportCoversTheFramebuffer();
    void addedPointsLieUnderThePointer();
    void draggedPointLiesUnderThePointer();
    void linesScaleWithTheScreen();
    void viewArithmeticMatchesTheDriver_data();
    void viewArithmeticMatchesTheDriver();
    void framesForThePage_data();
    void framesForThePage();

private:
    QPointF device(QPoint logical) const { return QPointF(logical) * scale; }
    void verifyMarkerAt(const QImage &frame, QPoint logical);

    std::unique_ptr<BezierDialog> dialog;
    GLBBox *canvas = nullptr;
    qreal scale = 1.0;
};

void TestHighDpi::init()
{
    dialog = std::make_unique<BezierDialog>(nullptr, nullptr, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    canvas = dialog->GLBBox2;
    scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
}

void TestHighDpi::cleanup()
{
    dialog.reset();
}

void TestHighDpi::verifyMarkerAt(const QImage &frame, QPoint logical)
{
    const QPointF centre = markerCentre(frame, device(logical), qCeil(8 * scale));
    const QPointF offset = centre - device(logical);
    QVERIFY2(std::hypot(offset.x(), offset.y()) <= kPointerTolerance,
             qPrintable(QString("pointer at %1,%2 (device %3,%4), marker centre %5,%6")
                            .arg(logical.x()).arg(logical.y()).arg(device(logical).x()).arg(device(logical).y())
                            .arg(centre.x()).arg(centre.y())));
}

void TestHighDpi::viewportCoversTheFramebuffer()
{
    QCOMPARE(canvas->devicePixelRatioF(), scale);
    for (QOpenGLWidget *view : {static_cast<QOpenGLWidget *>(canvas), static_cast<QOpenGLWidget *>(dialog->MyCustomWidget1)}) {
        view->makeCurrent();
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        QCOMPARE(QSize(viewport[2], viewport[3]), view->size() * scale);
    }
}

void TestHighDpi::addedPointsLieUnderThePointer()
{
    const QList<QPoint> clicks{{100, 80}, {401, 421}, {263, 250}, {37, 459}};
    for (const QPoint &position : clicks)
        QTest::mouseClick(canvas, Qt::LeftButton, {}, position);
    const QImage frame = gltest::lastFrame(*canvas);
    for (const QPoint &position : clicks)
        verifyMarkerAt(frame, position);
}

void TestHighDpi::draggedPointLiesUnderThePointer()
{
    GLBBoxTestAccess access(*canvas);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {100, 100});
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {400, 400});
    canvas->setMoveMode();
    QTest::mousePress(canvas, Qt::LeftButton, {}, {395, 405});
    QCOMPARE(access.selectedPoint(), 1);
    QTest::mouseMove(canvas, {301, 153});
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, {301, 153});
    const QImage frame = gltest::lastFrame(*canvas);
    verifyMarkerAt(frame, {301, 153});
    QVERIFY(!gltest::anyPixelNear(frame, device({400, 400}).toPoint(), 4, isMarker));
}

void TestHighDpi::linesScaleWithTheScreen()
{
    // A horizontal curve (width 3) and the parameter view's t axis (width 1.5).
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {60, 300});
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {450, 300});
    const QImage frame = gltest::lastFrame(*canvas);
    const QPointF middle = device({250, 300});
    const int curveWidth = thickness(frame, qRound(middle.x()), qRound(middle.y()), 20, canvastest::isCurveGrey);
    QVERIFY2(std::abs(curveWidth - 3 * scale) <= kWidthTolerance, qPrintable(QString::number(curveWidth)));

    GLParameter *plot = dialog->MyCustomWidget1;
    const QImage plotFrame = gltest::lastFrame(*plot);
    const QPoint axis = gltest::pixelOf(plotFrame, 0.5, 0.0, 1.7, 1.6, -0.8, -0.8);
    const auto white = [](QColor c) { return gltest::sameColor(c, Qt::white, 60); };
    const int axisWidth = thickness(plotFrame, axis.x(), axis.y(), 10, white);
    QVERIFY2(std::abs(axisWidth - 1.5 * scale) <= kWidthTolerance, qPrintable(QString::number(axisWidth)));
}

void TestHighDpi::viewArithmeticMatchesTheDriver_data()
{
    QTest::addColumn<int>("zoomValue");
    // Zoom 0 (a singular view), the start zoom, and the slider's range.
    for (int value : {0, 1, 50, 173, 500})
        QTest::addRow("zoom slider %d", value) << value;
}

// The twins of the driver's matrices and of GLU give the same bits as they do, for every dial
// angle, so a front end without GL edits exactly as this one.
void TestHighDpi::viewArithmeticMatchesTheDriver()
{
    QFETCH(int, zoomValue);
    GLBBoxTestAccess access(*canvas);
    canvas->setZoom(zoomValue);
    const QSize device = canvas->size() * scale;
    std::vector<ViewTransform> driverViews;
    for (int dial = 0; dial <= 360; ++dial) {
        canvas->setZRotation(dial);
        const ViewTransform driver = driverTransform(*canvas);
        driverViews.push_back(driver);
        const ViewTransform twin = viewTransformOf(device.width(), device.height(),
                                                   canvasModelview(0.0f, 0.0f, access.zoom(), 0.0f, 0.0f, access.zRot()),
                                                   canvasProjection());
        QVERIFY2(sameBits(twin.viewport, driver.viewport), qPrintable(QString("dial %1").arg(dial)));
        QVERIFY2(sameBits(twin.modelview, driver.modelview), qPrintable(QString("dial %1").arg(dial)));
        QVERIFY2(sameBits(twin.projection, driver.projection), qPrintable(QString("dial %1").arg(dial)));
        const QString mismatch = projectionMismatch(driver);
        QVERIFY2(mismatch.isEmpty(), qPrintable(QString("dial %1: %2").arg(dial).arg(mismatch)));
    }
    // The record a front end without GL checks its twins against, for the start zoom and zoom 0.
    if (zoomValue == 0 || zoomValue == 50) {
        const std::uint64_t digest
            = viewDigest([&](int dial) { return driverViews[dial]; }, kGluProjection, scale);
        const std::optional<std::uint64_t> recorded = recordedDigest(VIEW_DIGESTS, scale, zoomValue);
        QVERIFY2(recorded == digest, qPrintable(QString("%1 records no \"%2 %3 %4\"")
                                                    .arg(VIEW_DIGESTS).arg(scale).arg(zoomValue)
                                                    .arg(QString::fromStdString(hexOf(digest)))));
    }
    GLParameter *plot = dialog->MyCustomWidget1;
    const QSize plotDevice = plot->size() * scale;
    const ViewTransform plotDriver = driverTransform(*plot);
    const ViewTransform plotTwin
        = viewTransformOf(plotDevice.width(), plotDevice.height(), parameterModelview(), parameterProjection());
    QVERIFY(sameBits(plotTwin.modelview, plotDriver.modelview));
    QVERIFY(sameBits(plotTwin.projection, plotDriver.projection));
}

void TestHighDpi::framesForThePage_data()
{
    QFile file(FRAME_SCENARIOS);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject scenarios = QJsonDocument::fromJson(file.readAll()).object()["scenarios"].toObject();
    QTest::addColumn<QJsonArray>("steps");
    for (auto scenario = scenarios.begin(); scenario != scenarios.end(); ++scenario)
        QTest::newRow(qPrintable(scenario.key())) << scenario.value().toArray();
}

// The frames of the shared scenarios, which the browser test compares the page's with: written
// to BEZIER_FRAMES as <scenario>-<view>-<scale>.png.
void TestHighDpi::framesForThePage()
{
    QFETCH(QJsonArray, steps);
    for (const QJsonValue &stepValue : steps) {
        const QJsonArray step = stepValue.toArray();
        const QString action = step[0].toString();
        const auto at = [&](int i) { return QPoint(step[i].toInt(), step[i + 1].toInt()); };
        if (action == "press") {
            QTest::mouseClick(canvas, Qt::LeftButton, {}, at(1));
        } else if (action == "drag") {
            QTest::mousePress(canvas, Qt::LeftButton, {}, at(1));
            QTest::mouseMove(canvas, at(3));
            QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(3));
        } else {
            const int value = step[1].toInt();
            const QHash<QString, std::function<void()>> canvasSlots{
                {"hull", [&] { canvas->setShowConvexHull(value); }},
                {"subdivision", [&] { canvas->setShowSubDivPoints(value); }},
                {"mode", [&] { value == 2 ? canvas->setMoveMode() : canvas->setAddMode(); }},
                {"dial", [&] { canvas->setZRotation(value); }},
                {"zoom", [&] { canvas->setZoom(value); }},
                {"level", [&] { canvas->changeDrawLevel(value); }}};
            QVERIFY2(canvasSlots.contains(action), qPrintable(action));
            canvasSlots[action]();
        }
    }
    QDir().mkpath(BEZIER_FRAMES);
    const QString name = QString(QTest::currentDataTag()).replace(' ', '-');
    for (const auto &[view, suffix] : {std::pair<QOpenGLWidget *, const char *>{canvas, "canvas"},
                                       {dialog->MyCustomWidget1, "parameter"}}) {
        const QImage frame = gltest::lastFrame(*view);
        QCOMPARE(frame.size(), view->size() * scale);
        const QString path = QDir(BEZIER_FRAMES).filePath(QString("%1-%2-%3.png").arg(name, suffix).arg(scale));
        QVERIFY2(frame.save(path), qPrintable(path));
    }
}

QTEST_MAIN(TestHighDpi)
#include "tst_highdpi.moc"
