#include "CanvasView.h"
#include "GLTestSupport.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"

#include <QTest>

#include <memory>

using canvastest::isMarker;

namespace {

constexpr qreal kScale = 2.0;


} // namespace

// Mouse editing on a screen that scales widgets: points go, are picked and move under the
// pointer, whatever the device pixel ratio.
class TestHighDpi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runsScaled();
    void addedPointIsDrawnUnderThePointer();
    void pickAndMoveUnderThePointer();

private:
    std::unique_ptr<BezierDialog> dialog;
    GLBBox *canvas = nullptr;
};

void TestHighDpi::init()
{
    dialog = std::make_unique<BezierDialog>(nullptr, nullptr, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    canvas = dialog->GLBBox2;
}

void TestHighDpi::cleanup()
{
    dialog.reset();
}

void TestHighDpi::runsScaled()
{
    QCOMPARE(canvas->devicePixelRatioF(), kScale);
    QCOMPARE(gltest::lastFrame(*canvas).size(), canvas->size() * kScale);
}

void TestHighDpi::addedPointIsDrawnUnderThePointer()
{
    const QList<QPoint> clicks{{100, 80}, {400, 420}, {260, 250}};
    for (const QPoint &position : clicks)
        QTest::mouseClick(canvas, Qt::LeftButton, {}, position);
    const QImage frame = gltest::lastFrame(*canvas);
    for (const QPoint &position : clicks) {
        const QPoint device = position * kScale;
        QVERIFY2(gltest::anyPixelNear(frame, device, 2, isMarker), qPrintable(QString("click %1,%2").arg(position.x()).arg(position.y())));
        // A marker a ratio away would sit at the logical position in device pixels.
        QVERIFY(!gltest::anyPixelNear(frame, position, 2, isMarker));
    }
}

void TestHighDpi::pickAndMoveUnderThePointer()
{
    GLBBoxTestAccess access(*canvas);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {100, 100});
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {400, 400});
    canvas->setMoveMode();
    QTest::mousePress(canvas, Qt::LeftButton, {}, {395, 405});
    QCOMPARE(access.selectedPoint(), 1);
    QTest::mouseMove(canvas, {300, 150});
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, {300, 150});
    const QImage frame = gltest::lastFrame(*canvas);
    QVERIFY(gltest::anyPixelNear(frame, QPoint(300, 150) * kScale, 2, isMarker));
    QVERIFY(!gltest::anyPixelNear(frame, QPoint(400, 400) * kScale, 4, isMarker));

    canvas->setSelectMode();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {110, 95});
    QCOMPARE(access.controlPoints().size(), std::size_t{1});
    const QImage after = gltest::lastFrame(*canvas);
    QVERIFY(!gltest::anyPixelNear(after, QPoint(100, 100) * kScale, 4, isMarker));
    QVERIFY(gltest::anyPixelNear(after, QPoint(300, 150) * kScale, 2, isMarker));
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
    QApplication application(argc, argv);
    TestHighDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"
