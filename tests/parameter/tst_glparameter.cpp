#include "GLTestSupport.h"
#include "TestAccess.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace bezier;

namespace {

const QColor kAxisWhite(255, 255, 255);
const QColor kCurveYellow(255, 255, 25);
const QColor kParameterGreen(0, 255, 0);

// The view's model transform: t to x = 1.7 t - 0.8, value to y = 1.6 v - 0.8.
QPoint plotPixel(const QImage &image, double t, double value)
{
    return gltest::pixelOf(image, t, value, 1.7, 1.6, -0.8, -0.8);
}

bool isGreen(QColor c)
{
    return gltest::sameColor(c, kParameterGreen);
}

} // namespace

class TestGLParameter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsOnlyTheAxesAtFirst();
    void setDegreeResamples_data();
    void setDegreeResamples();
    void setuClamps_data();
    void setuClamps();
    void parameterLineAtTheEnds();
    void curvesInPixels();
    void displayListsStayTwo();

private:
    std::unique_ptr<GLParameter> view;
};

void TestGLParameter::init()
{
    view = std::make_unique<GLParameter>(nullptr, "MyCustomWidget1");
    view->resize(181, 180);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
}

void TestGLParameter::cleanup()
{
    view.reset();
}

void TestGLParameter::showsOnlyTheAxesAtFirst()
{
    GLParameterTestAccess access(*view);
    QCOMPARE(access.curveList(), 0);
    QVERIFY(access.axesList() != 0);
    const QImage frame = view->grabFramebuffer();
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.5, 0.0), 1, kAxisWhite));
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.0, 0.5), 1, kAxisWhite));
    QCOMPARE(gltest::countPixels(frame, isGreen), 0);
    QCOMPARE(frame.pixelColor(plotPixel(frame, 0.5, 0.5)), QColor(Qt::black));
}

void TestGLParameter::setDegreeResamples_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("curves");
    QTest::newRow("negative") << -3 << 0 << 0;
    QTest::newRow("none") << 0 << 0 << 0;
    QTest::newRow("one") << 1 << 1 << 1;
    QTest::newRow("four") << 4 << 4 << 4;
    QTest::newRow("twelve") << 12 << 12 << 12;
    QTest::newRow("thirteen") << 13 << 13 << 3;
}

void TestGLParameter::setDegreeResamples()
{
    QFETCH(int, count);
    QFETCH(int, stored);
    QFETCH(int, curves);
    QSignalSpy spy(view.get(), &GLParameter::senddegree);
    view->setDegree(count);
    // Once when resampling, once from the repaint that has already happened.
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), stored);
    QCOMPARE(spy.at(1).at(0).toInt(), stored);
    GLParameterTestAccess access(*view);
    QCOMPARE(access.degree(), stored);
    QCOMPARE(static_cast<int>(access.basisCurves().size()), curves);
}

void TestGLParameter::setuClamps_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("stored");
    QTest::newRow("inside") << 0.3 << 0.3;
    QTest::newRow("below") << -0.2 << 0.0;
    QTest::newRow("above") << 1.5 << 1.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1.0;
}

void TestGLParameter::setuClamps()
{
    QFETCH(double, value);
    QFETCH(double, stored);
    view->setDegree(4);
    GLParameterTestAccess access(*view);
    const PolylineList before = access.basisCurves();
    QSignalSpy spy(view.get(), &GLParameter::senddegree);
    view->setu(value);
    QCOMPARE(access.u(), stored);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(access.basisCurves(), before);
}

void TestGLParameter::parameterLineAtTheEnds()
{
    view->setDegree(0);
    view->setu(1.5);
    QImage frame = gltest::lastFrame(*view);
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 1.0, 0.5), 1, kParameterGreen));
    QVERIFY(gltest::countPixels(frame, isGreen) > frame.height() / 2);

    // At t = 0 the line lies under the axis drawn before it at the same depth: the axis shows.
    view->setu(-0.2);
    frame = gltest::lastFrame(*view);
    QCOMPARE(gltest::countPixels(frame, isGreen), 0);
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.0, 0.5), 1, kAxisWhite));
}

void TestGLParameter::curvesInPixels()
{
    view->setDegree(2);
    QImage frame = gltest::lastFrame(*view);
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.5, 0.5), 1, kCurveYellow));
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.25, 0.75), 1, kCurveYellow));

    view->setDegree(13);
    frame = gltest::lastFrame(*view);
    QVERIFY(gltest::colorNear(frame, plotPixel(frame, 0.15, 0.5), 1, kCurveYellow));
    QVERIFY(!gltest::colorNear(frame, plotPixel(frame, 0.5, 0.5), 1, kCurveYellow));
}

void TestGLParameter::displayListsStayTwo()
{
    for (int i = 0; i < 60; ++i) {
        view->setDegree(i % 15);
        view->setu(i / 60.0);
    }
    QCOMPARE(gltest::liveDisplayLists(*view), 2);
    QCOMPARE(gltest::errorAfterRepaint(*view), 0u);
}

QTEST_MAIN(TestGLParameter)
#include "tst_glparameter.moc"
