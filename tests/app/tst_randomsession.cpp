#include "GLTestSupport.h"
#include "TestAccess.h"
#include "app/BezierDialog.h"

#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <set>

using namespace bezier;

namespace {

constexpr int kDefaultActions = 1500;
constexpr unsigned kDefaultSeeds[] = {1u, 20261208u};
// The program builds its matrices in single precision; the model works in double.
constexpr double kPointTolerance = 1e-4;
constexpr double kPickTieTolerance = 1e-3;
constexpr double kInsideTolerance = 1e-9;

enum class Kind {
    CanvasClick,
    CanvasDoubleClick,
    Drag,
    OutsideClick,
    ModeButton,
    Clear,
    LevelSlider,
    HullBox,
    SubdivisionBox,
    ZoomSlider,
    Dial,
    XRotation,
    YRotation,
    Polyline,
    ParameterU,
};

struct Action
{
    Kind kind = Kind::CanvasClick;
    Qt::MouseButton button = Qt::LeftButton;
    QPoint from;
    QPoint to;
    int value = 0;
    double real = 0.0;

    QString describe() const;
};

QString Action::describe() const
{
    const QString at = QString("(%1, %2)").arg(from.x()).arg(from.y());
    const QString buttonName = button == Qt::LeftButton ? "left" : button == Qt::RightButton ? "right" : "middle";
    switch (kind) {
    case Kind::CanvasClick: return QString("%1 click at %2").arg(buttonName, at);
    case Kind::CanvasDoubleClick: return QString("%1 double click at %2").arg(buttonName, at);
    case Kind::Drag: return QString("%1 drag %2 -> (%3, %4)").arg(buttonName, at).arg(to.x()).arg(to.y());
    case Kind::OutsideClick: return QString("click outside the canvas at %1").arg(at);
    case Kind::ModeButton: return QString("mode button %1").arg(QStringList{"Delete", "Add", "Move"}[value]);
    case Kind::Clear: return "Clear";
    case Kind::LevelSlider: return QString("level slider %1").arg(value);
    case Kind::HullBox: return "toggle Show Convex Hull";
    case Kind::SubdivisionBox: return "toggle Show SubDiv Pts";
    case Kind::ZoomSlider: return QString("zoom slider %1").arg(value);
    case Kind::Dial: return QString("dial %1").arg(value);
    case Kind::XRotation: return QString("setXRotation(%1)").arg(value);
    case Kind::YRotation: return QString("setYRotation(%1)").arg(value);
    case Kind::Polyline: return QString("togglepolyline(%1)").arg(value ? "true" : "false");
    case Kind::ParameterU: return QString("setu(%1)").arg(real);
    }
    return {};
}

// Empty places of the dialog: a click there reaches no control.
const QRect kOutsideAreas[] = {QRect(665, 25, 45, 130), QRect(530, 300, 170, 15), QRect(640, 240, 70, 45)};

std::vector<Action> generateActions(unsigned seed, int count)
{
    std::mt19937 random(seed);
    const auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    // Canvas rows 0 and 1 lie under the zoom slider, which is on top.
    const auto canvasPoint = [&] { return QPoint(uniform(0, 509), uniform(2, 501)); };
    std::vector<Action> actions;
    for (int i = 0; i < count; ++i) {
        Action a;
        const int roll = uniform(0, 99);
        a.button = uniform(0, 9) < 8 ? Qt::LeftButton : (uniform(0, 1) ? Qt::RightButton : Qt::MiddleButton);
        a.from = canvasPoint();
        a.to = canvasPoint();
        if (roll < 35) {
            a.kind = Kind::CanvasClick;
        } else if (roll < 39) {
            a.kind = Kind::CanvasDoubleClick;
        } else if (roll < 52) {
            a.kind = Kind::Drag;
        } else if (roll < 55) {
            a.kind = Kind::OutsideClick;
            const QRect area = kOutsideAreas[uniform(0, 2)];
            a.from = QPoint(uniform(area.left(), area.right()), uniform(area.top(), area.bottom()));
        } else if (roll < 68) {
            a.kind = Kind::ModeButton;
            a.value = uniform(0, 2);
        } else if (roll < 70) {
            a.kind = Kind::Clear;
        } else if (roll < 76) {
            a.kind = Kind::LevelSlider;
            a.value = uniform(0, 8);
        } else if (roll < 79) {
            a.kind = Kind::HullBox;
        } else if (roll < 81) {
            a.kind = Kind::SubdivisionBox;
        } else if (roll < 86) {
            a.kind = Kind::ZoomSlider;
            const int choices[] = {0, 1, 20, 50, 80, 200, 500, uniform(0, 500)};
            a.value = choices[uniform(0, 7)];
        } else if (roll < 90) {
            a.kind = Kind::Dial;
            a.value = uniform(0, 360);
        } else if (roll < 93) {
            a.kind = uniform(0, 1) ? Kind::XRotation : Kind::YRotation;
            const int choices[] = {0, 0, 30, -45, 370, -725};
            a.value = choices[uniform(0, 5)];
        } else if (roll < 96) {
            a.kind = Kind::Polyline;
            a.value = uniform(0, 1);
        } else {
            a.kind = Kind::ParameterU;
            const double choices[] = {-0.5, 0.0, 0.25, 1.0, 1.5, std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity()};
            a.real = choices[uniform(0, 6)];
        }
        actions.push_back(a);
    }
    return actions;
}

// What the canvas should hold, computed without the program: its view as a user set it.
struct Model
{
    Polyline points;
    int mode = kAddMode;
    int zoomValue = 50;
    int zRotation = 0;
    int xRotation = 0;
    int yRotation = 0;
    int level = 5;
    bool hull = false;
    bool subdivision = false;
    // No recompute since the start or the last Clear: the levels are empty.
    bool levelsEmpty = true;
    int lastButton = 0;
    int selected = -1;

    double zoom() const { return static_cast<float>(zoomValue * 0.025); }

    // Model rotation R = Rx Ry Rz applied to p, or its inverse.
    static Point3 rotate(Point3 p, double degrees, int axis, bool inverse)
    {
        const double a = (inverse ? -degrees : degrees) * std::numbers::pi / 180.0;
        const double c = std::cos(a), s = std::sin(a);
        switch (axis) {
        case 0: return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
        case 1: return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
        default: return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
        }
    }

    Point3 modelToEye(Point3 p) const
    {
        p = rotate(p, zRotation % 360, 2, false);
        p = rotate(p, yRotation % 360, 1, false);
        p = rotate(p, xRotation % 360, 0, false);
        return {p.x * zoom(), p.y * zoom(), p.z * zoom() - 10.0};
    }

    // Window pixel (x, y up) of a model point in a viewport of the given size.
    QPointF project(const Point3 &p, QSize viewport) const
    {
        const Point3 eye = modelToEye(p);
        return {(eye.x + 1.0) / 2.0 * viewport.width(), (eye.y + 1.0) / 2.0 * viewport.height()};
    }

    // The near-plane point under window pixel (wx, wy), z dropped; none at zoom 0.
    std::optional<Point3> unproject(double wx, double wy, QSize viewport) const
    {
        if (zoom() == 0.0)
            return std::nullopt;
        Point3 p{(2.0 * wx / viewport.width() - 1.0) / zoom(), (2.0 * wy / viewport.height() - 1.0) / zoom(),
                 (-5.0 + 10.0) / zoom()};
        p = rotate(p, xRotation % 360, 0, true);
        p = rotate(p, yRotation % 360, 1, true);
        p = rotate(p, zRotation % 360, 2, true);
        return Point3{p.x, p.y, 0.0};
    }

    // Indices whose projection is, within rounding, the nearest to (wx, wy).
    std::vector<int> nearest(double wx, double wy, QSize viewport) const
    {
        std::vector<double> distances;
        for (const Point3 &p : points) {
            const QPointF w = project(p, viewport);
            distances.push_back(std::hypot(w.x() - wx, w.y() - wy));
        }
        std::vector<int> candidates;
        if (distances.empty())
            return {0};
        const double best = *std::min_element(distances.begin(), distances.end());
        for (int i = 0; i < static_cast<int>(distances.size()); ++i)
            if (distances[i] <= best + kPickTieTolerance * (1.0 + best))
                candidates.push_back(i);
        return candidates;
    }
};

bool samePoint(const Point3 &a, const Point3 &b)
{
    const double scale = 1.0 + std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)});
    return std::fabs(a.x - b.x) <= kPointTolerance * scale && std::fabs(a.y - b.y) <= kPointTolerance * scale
           && a.z == b.z;
}

double cross(const Point3 &o, const Point3 &a, const Point3 &b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

} // namespace

// Drives the real dialog with random user actions and checks it against the model after each.
class Session
{
public:
    Session()
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            failure = "the dialog was not shown";
        canvas = dialog.GLBBox2;
    }

    // The first failed check, or nothing when every action passed.
    std::optional<std::pair<int, QString>> run(const std::vector<Action> &actions)
    {
        for (int i = 0; i < static_cast<int>(actions.size()) && failure.isEmpty(); ++i) {
            perform(actions[i]);
            if (failure.isEmpty())
                check();
            if (!failure.isEmpty())
                return std::pair(i, failure);
        }
        if (!failure.isEmpty())
            return std::pair(-1, failure);
        return std::nullopt;
    }

private:
    QSize viewport() const { return canvas->size() * canvas->devicePixelRatioF(); }

    double flipped(int y) const { return viewport().height() - y - 1; }

    void press(const Action &a, QPoint at)
    {
        model.lastButton = static_cast<int>(a.button);
        if (a.button != Qt::LeftButton)
            return;
        switch (model.mode) {
        case kDeleteMode: {
            const std::vector<int> candidates = model.nearest(at.x(), flipped(at.y()), viewport());
            const Polyline &actual = GLBBoxTestAccess(*canvas).controlPoints();
            // Adopt the program's choice among points that tie within rounding.
            int removed = candidates.front();
            if (!model.points.empty() && actual.size() + 1 == model.points.size())
                for (int c : candidates)
                    if (std::equal(actual.begin(), actual.begin() + c, model.points.begin()))
                        removed = c;
            if (removed < static_cast<int>(model.points.size()))
                model.points.erase(model.points.begin() + removed);
            model.levelsEmpty = false;
            break;
        }
        case kAddMode:
            if (const std::optional<Point3> p = model.unproject(at.x(), flipped(at.y()), viewport())) {
                model.points.push_back(*p);
                model.levelsEmpty = false;
            }
            break;
        case kMoveMode: {
            const std::vector<int> candidates = model.nearest(at.x(), flipped(at.y()), viewport());
            const int picked = GLBBoxTestAccess(*canvas).selectedPoint();
            model.selected = std::find(candidates.begin(), candidates.end(), picked) != candidates.end() ? picked : -2;
            if (model.selected == -2)
                failure = QString("picked %1, not the nearest").arg(picked);
            break;
        }
        }
    }

    void move(QPoint to)
    {
        if (model.lastButton != 1 || model.mode != kMoveMode || model.selected < 0
            || model.selected >= static_cast<int>(model.points.size()))
            return;
        if (const std::optional<Point3> p = model.unproject(to.x(), flipped(to.y()), viewport())) {
            model.points[model.selected] = *p;
            model.levelsEmpty = false;
        }
    }

    void sendMove(QPoint to)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(to), canvas->mapToGlobal(QPointF(to)), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &event);
        move(to);
    }

    void perform(const Action &a)
    {
        switch (a.kind) {
        case Kind::CanvasClick:
            QTest::mouseClick(canvas, a.button, {}, a.from);
            press(a, a.from);
            break;
        case Kind::CanvasDoubleClick:
            QTest::mouseClick(canvas, a.button, {}, a.from);
            press(a, a.from);
            if (failure.isEmpty()) {
                QTest::mouseDClick(canvas, a.button, {}, a.from);
                press(a, a.from);
            }
            break;
        case Kind::Drag:
            QTest::mousePress(canvas, a.button, {}, a.from);
            press(a, a.from);
            if (failure.isEmpty()) {
                sendMove((a.from + a.to) / 2);
                sendMove(a.to);
            }
            QTest::mouseRelease(canvas, a.button, {}, a.to);
            break;
        case Kind::OutsideClick:
            QTest::mouseClick(&dialog, a.button, {}, a.from);
            break;
        case Kind::ModeButton: {
            QPushButton *buttons[] = {dialog.PushButton5, dialog.PushButton1, dialog.PushButton2};
            buttons[a.value]->click();
            model.mode = a.value;
            break;
        }
        case Kind::Clear:
            dialog.PushButton4->click();
            model.points.clear();
            model.levelsEmpty = true;
            break;
        case Kind::LevelSlider:
            if (a.value != model.level)
                model.levelsEmpty = false;
            dialog.Slider2->setValue(a.value);
            model.level = a.value;
            break;
        case Kind::HullBox:
            dialog.CheckBox2->click();
            model.hull = !model.hull;
            break;
        case Kind::SubdivisionBox:
            dialog.CheckBox3->click();
            model.subdivision = !model.subdivision;
            break;
        case Kind::ZoomSlider:
            dialog.ZoomSlider->setValue(a.value);
            model.zoomValue = a.value;
            break;
        case Kind::Dial:
            dialog.RotateDial->setValue(a.value);
            model.zRotation = a.value;
            break;
        case Kind::XRotation:
            canvas->setXRotation(a.value);
            model.xRotation = a.value;
            break;
        case Kind::YRotation:
            canvas->setYRotation(a.value);
            model.yRotation = a.value;
            break;
        case Kind::Polyline:
            canvas->togglepolyline(a.value != 0);
            break;
        case Kind::ParameterU:
            dialog.MyCustomWidget1->setu(a.real);
            break;
        }
    }

    void expect(bool condition, const QString &what)
    {
        if (!condition && failure.isEmpty())
            failure = what;
    }

    void check()
    {
        GLBBoxTestAccess access(*canvas);
        const Polyline &points = access.controlPoints();
        expect(points.size() == model.points.size(),
               QString("%1 control points, the model has %2").arg(points.size()).arg(model.points.size()));
        for (std::size_t i = 0; i < std::min(points.size(), model.points.size()); ++i)
            expect(samePoint(points[i], model.points[i]),
                   QString("point %1 at (%2, %3), the model has (%4, %5)")
                       .arg(i)
                       .arg(points[i].x)
                       .arg(points[i].y)
                       .arg(model.points[i].x)
                       .arg(model.points[i].y));
        // Adopt the program's points, so rounding does not pile up in the model.
        if (points.size() == model.points.size())
            model.points = points;

        if (model.levelsEmpty) {
            expect(access.levels().empty() && access.curve().empty(), "levels or curve left after Clear");
        } else {
            expect(static_cast<int>(access.levels().size()) == access.computedLevel() + 1,
                   QString("%1 levels for computed level %2").arg(access.levels().size()).arg(access.computedLevel()));
            expect(!access.levels().empty() && access.levels().front() == points, "level 0 is not the control points");
            expect(!access.levels().empty() && access.curve() == access.levels().back(), "curve is not the last level");
            expect(access.computedLevel() == (points.empty() ? 0 : model.level),
                   QString("computed level %1 for depth %2").arg(access.computedLevel()).arg(model.level));
        }
        if (model.hull && !model.levelsEmpty)
            checkHull(access.hull(), points);
        expect(GLParameterTestAccess(*dialog.MyCustomWidget1).degree() == static_cast<int>(points.size()),
               "the parameter view's count differs");
        checkDisplayLists();
        checkGLErrors(*canvas);
        checkGLErrors(*dialog.MyCustomWidget1);
    }

    void checkHull(const Polyline &hull, const Polyline &points)
    {
        if (points.size() < 3) {
            expect(hull.empty(), "a hull of fewer than three points");
            return;
        }
        expect(hull.size() >= 2 && hull.front() == hull.back(), "the hull is not closed");
        double area = 0.0;
        for (std::size_t i = 0; i + 1 < hull.size(); ++i)
            area += cross({0, 0, 0}, hull[i], hull[i + 1]);
        if (std::fabs(area) < 1e-9)
            return;
        const double orientation = area > 0 ? 1.0 : -1.0;
        for (std::size_t i = 0; i + 1 < hull.size(); ++i)
            for (const Point3 &p : points)
                expect(orientation * cross(hull[i], hull[i + 1], p) >= -kInsideTolerance, "a control point outside the hull");
    }

    // The two views share their lists' names: exactly the canvas's axes list and the parameter
    // view's two lists live.
    void checkDisplayLists()
    {
        GLBBoxTestAccess canvasLists(*canvas);
        GLParameterTestAccess parameterLists(*dialog.MyCustomWidget1);
        std::set<unsigned> expected{canvasLists.axesList(),
                                    static_cast<unsigned>(parameterLists.axesList()),
                                    static_cast<unsigned>(parameterLists.curveList())};
        expected.erase(0u);
        const std::set<unsigned> alive = gltest::liveDisplayListNames(*canvas);
        expect(alive == expected, QString("%1 display lists alive, %2 expected").arg(alive.size()).arg(expected.size()));
    }

    void checkGLErrors(QOpenGLWidget &view)
    {
        view.makeCurrent();
        const GLenum error = glGetError();
        view.doneCurrent();
        expect(error == GL_NO_ERROR, QString("GL error 0x%1 in %2").arg(error, 0, 16).arg(view.objectName()));
    }

    BezierDialog dialog;
    GLBBox *canvas = nullptr;
    Model model;
    QString failure;
};

class TestRandomSession : public QObject
{
    Q_OBJECT

private slots:
    void randomActions_data();
    void randomActions();
};

void TestRandomSession::randomActions_data()
{
    QTest::addColumn<unsigned>("seed");
    if (qEnvironmentVariableIsSet("BEZIER_SEED")) {
        QTest::newRow("from BEZIER_SEED") << qEnvironmentVariable("BEZIER_SEED").toUInt();
        return;
    }
    for (unsigned seed : kDefaultSeeds)
        QTest::addRow("seed %u", seed) << seed;
}

void TestRandomSession::randomActions()
{
    QFETCH(unsigned, seed);
    const int count = qEnvironmentVariableIsSet("BEZIER_ACTIONS") ? qEnvironmentVariableIntValue("BEZIER_ACTIONS")
                                                                  : kDefaultActions;
    std::vector<Action> actions = generateActions(seed, count);
    std::optional<std::pair<int, QString>> failed = Session().run(actions);
    if (!failed)
        return;

    // Shrink: keep the failing prefix, then drop every action the failure does not need.
    actions.resize(failed->first + 1);
    for (std::size_t i = actions.size() - 1; i-- > 0;) {
        std::vector<Action> shorter = actions;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
        if (std::optional<std::pair<int, QString>> again = Session().run(shorter)) {
            shorter.resize(again->first + 1);
            actions = shorter;
            failed = again;
            i = std::min(i, actions.size() - 1);
        }
    }
    QStringList steps;
    for (const Action &a : actions)
        steps << "  " + a.describe();
    QFAIL(qPrintable(QString("seed %1: %2\nshortest action list that reproduces it:\n%3")
                         .arg(seed)
                         .arg(failed->second)
                         .arg(steps.join('\n'))));
}

QTEST_MAIN(TestRandomSession)
#include "tst_randomsession.moc"
