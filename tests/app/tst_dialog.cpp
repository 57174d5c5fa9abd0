#include "TestAccess.h"
#include "app/BezierDialog.h"
#include "gl/ScreenReaderNotice.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace bezier;

namespace {

// QObject::receivers is protected; a member pointer taken through a subclass reaches it.
class ReceiverCount : public QObject
{
public:
    static int of(const QObject *sender, const char *signal)
    {
        int (QObject::*receivers)(const char *) const = &ReceiverCount::receivers;
        return (sender->*receivers)(signal);
    }
};

// Marks every text looked up in the form's context, to show which texts are translated.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QString(context) == "BezierDialogBase" ? QString("<%1>").arg(sourceText) : QString();
    }
    bool isEmpty() const override { return false; }
};

// The readable minimum that the dialog promises for its texts.
constexpr qreal kMinimumPointSize = 7.0;

// Where the widget draws its text, as its style lays it out.
QRect textRectOf(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->contentsRect();
    auto *button = qobject_cast<QAbstractButton *>(widget);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(
        qobject_cast<QCheckBox *>(button) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option,
        button);
}

QString textOf(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return qobject_cast<QAbstractButton *>(widget)->text();
}

} // namespace

class TestDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void names();
    void childGeometry_data();
    void childGeometry();
    void buttonRow();
    void controls();
    void texts_data();
    void texts();
    void textsGoThroughTranslation();
    void textsStayWhole_data();
    void textsStayWhole();
    void tabOrderFollowsTheDialog();
    void receivers_data();
    void receivers();
    void zoomSliderDrivesZoom();
    void dialDrivesRotation();
    void buttonsSetModes();
    void clearDeletesAllPoints();
    void checkBoxesDriveDisplayFlags();
    void levelSliderDrivesLcdThenCanvas();
    void canvasCountReachesParameterView();
    void screenReadersHearTheEdits();
    void resizingKeepsChildrenInPlace();
    void neverSmallerThanAtStart();

private:
    std::unique_ptr<BezierDialog> dialog;
};

void TestDialog::init()
{
    dialog = std::make_unique<BezierDialog>(nullptr, nullptr, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
}

void TestDialog::cleanup()
{
    dialog.reset();
}

void TestDialog::window()
{
    QCOMPARE(dialog->windowTitle(), QString("Bezier Curves"));
    QCOMPARE(dialog->size(), QSize(713, 563));
    QVERIFY(dialog->isSizeGripEnabled());
    QVERIFY(dialog->isModal());
    QVERIFY(dialog->layout() == nullptr);
}

void TestDialog::names()
{
    QCOMPARE(dialog->objectName(), QString("BezierDialogBase"));
    QCOMPARE(QString(dialog->metaObject()->className()), QString("BezierDialog"));
    QCOMPARE(QString(dialog->metaObject()->superClass()->className()), QString("BezierDialogBase"));
    QCOMPARE(QString(dialog->metaObject()->superClass()->superClass()->className()), QString("QDialog"));
    BezierDialog named(nullptr, "Named", false);
    QCOMPARE(named.objectName(), QString("Named"));
    QVERIFY(!named.isModal());
    QCOMPARE(QString(dialog->GLBBox2->metaObject()->className()), QString("GLBBox"));
    QCOMPARE(QString(dialog->MyCustomWidget1->metaObject()->className()), QString("GLParameter"));
}

void TestDialog::childGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("RotateDial") << "RotateDial" << "QDial" << QRect(530, 30, 130, 130);
    QTest::newRow("Label1") << "Label1" << "QLabel" << QRect(530, 10, 53, 20);
    QTest::newRow("TextLabel3") << "TextLabel3" << "QLabel" << QRect(530, 170, 100, 20);
    QTest::newRow("GLBBox2") << "GLBBox2" << "GLBBox" << QRect(10, 18, 510, 502);
    QTest::newRow("Slider2") << "Slider2" << "QSlider" << QRect(590, 190, 110, 30);
    QTest::newRow("LCDNumber1") << "LCDNumber1" << "QLCDNumber" << QRect(530, 190, 50, 30);
    QTest::newRow("ZoomSlider") << "ZoomSlider" << "QSlider" << QRect(10, 0, 510, 20);
    QTest::newRow("CheckBox2") << "CheckBox2" << "QCheckBox" << QRect(530, 270, 110, 20);
    QTest::newRow("CheckBox3") << "CheckBox3" << "QCheckBox" << QRect(530, 240, 110, 20);
    QTest::newRow("TextLabel4") << "TextLabel4" << "QLabel" << QRect(530, 320, 130, 20);
    QTest::newRow("MyCustomWidget1") << "MyCustomWidget1" << "GLParameter" << QRect(530, 341, 181, 180);
    QTest::newRow("Layout1") << "Layout1" << "QWidget" << QRect(10, 530, 510, 28);
}

void TestDialog::childGeometry()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QWidget *child = dialog->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY(child);
    QCOMPARE(QString(child->metaObject()->className()), className);
    QCOMPARE(child->geometry(), geometry);
}

void TestDialog::buttonRow()
{
    QHBoxLayout *row = dialog->Layout1Layout;
    QCOMPARE(row->parentWidget(), dialog->Layout1);
    QVERIFY(row->objectName().isEmpty());
    QCOMPARE(row->spacing(), 6);
    QCOMPARE(row->contentsMargins(), QMargins(0, 0, 0, 0));
    const QList<QPushButton *> expected{dialog->PushButton1, dialog->PushButton2, dialog->PushButton5,
                                        dialog->PushButton4};
    QCOMPARE(row->count(), 4);
    int previousRight = -1;
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(row->itemAt(i)->widget(), expected[i]);
        QCOMPARE(row->stretch(i), 0);
        QCOMPARE(expected[i]->parentWidget(), dialog->Layout1);
        QVERIFY(expected[i]->geometry().left() > previousRight);
        previousRight = expected[i]->geometry().right();
    }
}

void TestDialog::controls()
{
    QDial *dial = dialog->RotateDial;
    QVERIFY(dial->wrapping() && dial->notchesVisible());
    QCOMPARE(dial->minimum(), 0);
    QCOMPARE(dial->maximum(), 360);
    QCOMPARE(dial->singleStep(), 1);
    QCOMPARE(dial->pageStep(), 10);
    QCOMPARE(dial->value(), 0);
    QVERIFY(dial->hasTracking());

    QSlider *level = dialog->Slider2;
    QCOMPARE(level->minimum(), 0);
    QCOMPARE(level->maximum(), 8);
    QCOMPARE(level->value(), 5);
    QCOMPARE(level->orientation(), Qt::Horizontal);
    QCOMPARE(level->singleStep(), 1);
    QCOMPARE(level->pageStep(), 10);

    QCOMPARE(dialog->LCDNumber1->digitCount(), 1);
    QCOMPARE(dialog->LCDNumber1->intValue(), 5);

    // The zoom slider stands where the canvas's start zoom of 1.25 puts it.
    QSlider *zoom = dialog->ZoomSlider;
    QCOMPARE(zoom->minimum(), 0);
    QCOMPARE(zoom->maximum(), 500);
    QCOMPARE(zoom->value(), 50);
    QCOMPARE(zoom->orientation(), Qt::Horizontal);
    QCOMPARE(zoom->tickPosition(), QSlider::NoTicks);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).zoom(), zoom->value() * 0.025f);

    QVERIFY(!dialog->CheckBox2->isChecked());
    QVERIFY(!dialog->CheckBox3->isChecked());
}

void TestDialog::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dial tip") << "RotateDial" << "toolTip" << "Z Axis Rotation";
    QTest::newRow("zoom tip") << "ZoomSlider" << "toolTip" << "Zoom";
    QTest::newRow("Label1") << "Label1" << "text" << "Rotate";
    QTest::newRow("TextLabel3") << "TextLabel3" << "text" << "Level Of Subdivision";
    QTest::newRow("TextLabel4") << "TextLabel4" << "text" << "Parametric Space";
    QTest::newRow("CheckBox2") << "CheckBox2" << "text" << "Show Convex Hull";
    QTest::newRow("CheckBox3") << "CheckBox3" << "text" << "Show SubDiv Pts";
    QTest::newRow("PushButton1") << "PushButton1" << "text" << "Add";
    QTest::newRow("PushButton2") << "PushButton2" << "text" << "Move";
    QTest::newRow("PushButton5") << "PushButton5" << "text" << "Delete";
    QTest::newRow("PushButton4") << "PushButton4" << "text" << "Clear";
}

void TestDialog::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    QWidget *child = dialog->findChild<QWidget *>(name);
    QVERIFY(child);
    QCOMPARE(child->property(property.toLatin1().constData()).toString(), expected);
}

void TestDialog::textsGoThroughTranslation()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    BezierDialog translated;
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(translated.windowTitle(), QString("<Bezier Curves>"));
    QCOMPARE(translated.RotateDial->toolTip(), QString("<Z Axis Rotation>"));
    QCOMPARE(translated.ZoomSlider->toolTip(), QString("<Zoom>"));
    QCOMPARE(translated.RotateDial->accessibleName(), QString("<Rotate, 0 degrees>"));
    for (QLabel *label : translated.findChildren<QLabel *>())
        QVERIFY2(label->text().startsWith('<'), qPrintable(label->objectName()));
    for (QAbstractButton *button : translated.findChildren<QAbstractButton *>())
        QVERIFY2(button->text().startsWith('<'), qPrintable(button->objectName()));
}

void TestDialog::textsStayWhole_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<qreal>("pointSize");
    for (const QString style : {"Fusion", "Windows"}) {
        QTest::addRow("%s, default font", qPrintable(style)) << style << 0.0;
        QTest::addRow("%s, 11 pt", qPrintable(style)) << style << 11.0;
    }
    QTest::addRow("Fusion, 20 pt") << "Fusion" << 20.0;
}

// The desktop's style and font change under the shown dialog; its geometry stays fixed.
void TestDialog::textsStayWhole()
{
    QFETCH(QString, style);
    QFETCH(qreal, pointSize);
    const QString startStyle = QApplication::style()->name();
    const QFont startFont = QApplication::font();
    const auto restore = qScopeGuard([&] {
        QApplication::setStyle(startStyle);
        QApplication::setFont(startFont);
    });
    QApplication::setStyle(style);
    QFont font = startFont;
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    QApplication::setFont(font);
    QCoreApplication::processEvents();

    for (QWidget *widget : QList<QWidget *>{dialog->Label1, dialog->TextLabel3, dialog->TextLabel4, dialog->CheckBox2,
                                            dialog->CheckBox3, dialog->PushButton1, dialog->PushButton2,
                                            dialog->PushButton5, dialog->PushButton4}) {
        const QString where = widget->objectName();
        const QFontMetrics metrics(widget->font(), widget);
        const QRect rect = textRectOf(widget);
        const bool whole = metrics.horizontalAdvance(textOf(widget)) <= rect.width() && metrics.height() <= rect.height();
        QVERIFY2(whole || widget->toolTip() == textOf(widget), qPrintable(where));
        QVERIFY2(widget->font().pointSizeF() <= QFontInfo(font).pointSizeF(), qPrintable(where));
        QVERIFY2(widget->font().pointSizeF() >= kMinimumPointSize, qPrintable(where));
    }
    QCOMPARE(dialog->TextLabel3->geometry(), QRect(530, 170, 100, 20));
    QCOMPARE(dialog->CheckBox3->geometry(), QRect(530, 240, 110, 20));
    QCOMPARE(dialog->CheckBox3->text(), QString("Show SubDiv Pts"));
}

void TestDialog::tabOrderFollowsTheDialog()
{
    // The dialog's visual order: the canvas's column, then the controls beside it.
    const QStringList expected{"ZoomSlider", "GLBBox2", "PushButton1", "PushButton2", "PushButton5",
                               "PushButton4", "RotateDial", "Slider2", "CheckBox3", "CheckBox2"};
    QStringList order;
    QWidget *widget = dialog->ZoomSlider;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != dialog->ZoomSlider);
    QCOMPARE(order, expected);
}

void TestDialog::receivers_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<int>("count");
    QTest::newRow("zoom") << "ZoomSlider" << QByteArray(SIGNAL(valueChanged(int))) << 1;
    // The canvas, and the dial's accessible name, which says the value with its unit.
    QTest::newRow("dial") << "RotateDial" << QByteArray(SIGNAL(valueChanged(int))) << 2;
    QTest::newRow("Add") << "PushButton1" << QByteArray(SIGNAL(clicked(bool))) << 1;
    QTest::newRow("Move") << "PushButton2" << QByteArray(SIGNAL(clicked(bool))) << 1;
    QTest::newRow("Delete") << "PushButton5" << QByteArray(SIGNAL(clicked(bool))) << 1;
    QTest::newRow("Clear") << "PushButton4" << QByteArray(SIGNAL(clicked(bool))) << 1;
    QTest::newRow("hull box") << "CheckBox2" << QByteArray(SIGNAL(toggled(bool))) << 1;
    QTest::newRow("points box") << "CheckBox3" << QByteArray(SIGNAL(toggled(bool))) << 1;
    QTest::newRow("level slider") << "Slider2" << QByteArray(SIGNAL(valueChanged(int))) << 2;
    QTest::newRow("sendDegree") << "GLBBox2" << QByteArray(SIGNAL(sendDegree(int))) << 1;
    QTest::newRow("newDrawLevel") << "GLBBox2" << QByteArray(SIGNAL(newDrawLevel(int))) << 0;
    QTest::newRow("sendu") << "GLBBox2" << QByteArray(SIGNAL(sendu(double))) << 0;
    QTest::newRow("senddegree") << "MyCustomWidget1" << QByteArray(SIGNAL(senddegree(int))) << 0;
    QTest::newRow("slider moved") << "ZoomSlider" << QByteArray(SIGNAL(sliderMoved(int))) << 0;
    QTest::newRow("pressed") << "PushButton1" << QByteArray(SIGNAL(pressed())) << 0;
}

void TestDialog::receivers()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, signal);
    QFETCH(int, count);
    QObject *object = dialog->findChild<QObject *>(sender);
    QVERIFY(object);
    QCOMPARE(ReceiverCount::of(object, signal.constData()), count);
}

void TestDialog::zoomSliderDrivesZoom()
{
    dialog->ZoomSlider->setValue(51);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).zoom(), 1.275f);
    dialog->ZoomSlider->setValue(0);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).zoom(), 0.0f);
    dialog->ZoomSlider->setValue(500);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).zoom(), 12.5f);
}

void TestDialog::dialDrivesRotation()
{
    GLBBoxTestAccess canvas(*dialog->GLBBox2);
    dialog->RotateDial->setValue(30);
    QCOMPARE(canvas.zRot(), 30.0f);
    dialog->RotateDial->setValue(360);
    QCOMPARE(canvas.zRot(), 0.0f);
    QCOMPARE(canvas.xRot(), 0.0f);
    QCOMPARE(canvas.yRot(), 0.0f);
}

void TestDialog::buttonsSetModes()
{
    GLBBoxTestAccess canvas(*dialog->GLBBox2);
    QSignalSpy degree(dialog->GLBBox2, &GLBBox::sendDegree);
    dialog->PushButton5->click();
    QCOMPARE(canvas.userMode(), kDeleteMode);
    dialog->PushButton2->click();
    QCOMPARE(canvas.userMode(), kMoveMode);
    dialog->PushButton1->click();
    QCOMPARE(canvas.userMode(), kAddMode);
    QCOMPARE(degree.count(), 0);
}

void TestDialog::clearDeletesAllPoints()
{
    GLBBoxTestAccess canvas(*dialog->GLBBox2);
    canvas.setControlPoints({{0, 0, 0}, {0.2, 0.3, 0}});
    QSignalSpy degree(dialog->GLBBox2, &GLBBox::sendDegree);
    dialog->PushButton4->click();
    QVERIFY(canvas.controlPoints().empty());
    QCOMPARE(degree.count(), 1);
    QCOMPARE(degree.at(0).at(0).toInt(), 0);
    QCOMPARE(GLParameterTestAccess(*dialog->MyCustomWidget1).degree(), 0);
}

void TestDialog::checkBoxesDriveDisplayFlags()
{
    GLBBoxTestAccess canvas(*dialog->GLBBox2);
    dialog->CheckBox2->setChecked(true);
    QVERIFY(canvas.showConvexHull());
    QVERIFY(!canvas.showSubDivPoints());
    dialog->CheckBox2->setChecked(false);
    QVERIFY(!canvas.showConvexHull());
    dialog->CheckBox3->setChecked(true);
    QVERIFY(canvas.showSubDivPoints());
    QVERIFY(!canvas.showConvexHull());
    QVERIFY(!canvas.showPolyline());
}

void TestDialog::levelSliderDrivesLcdThenCanvas()
{
    int lcdWhenCanvasDone = -1;
    connect(dialog->GLBBox2, &GLBBox::newDrawLevel, this,
            [&](int) { lcdWhenCanvasDone = dialog->LCDNumber1->intValue(); });
    dialog->Slider2->setValue(6);
    QCOMPARE(dialog->LCDNumber1->intValue(), 6);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).drawLevel(), 6);
    QCOMPARE(lcdWhenCanvasDone, 6);
    dialog->Slider2->setValue(12);
    QCOMPARE(dialog->Slider2->value(), 8);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).drawLevel(), 8);
    dialog->Slider2->setValue(-1);
    QCOMPARE(dialog->LCDNumber1->intValue(), 0);
    QCOMPARE(GLBBoxTestAccess(*dialog->GLBBox2).drawLevel(), 0);
}

void TestDialog::canvasCountReachesParameterView()
{
    emit dialog->GLBBox2->sendDegree(4);
    GLParameterTestAccess view(*dialog->MyCustomWidget1);
    QCOMPARE(view.degree(), 4);
    QCOMPARE(view.basisCurves().size(), std::size_t{4});
}

// What a screen reader reads of the views through Qt's accessibility interfaces after edits: the
// canvas's state on focus, and each change in its status line's notice.
void TestDialog::screenReadersHearTheEdits()
{
    const auto text = [](QWidget *widget, QAccessible::Text kind) {
        return QAccessible::queryAccessibleInterface(widget)->text(kind);
    };
    QAccessibleInterface *canvas = QAccessible::queryAccessibleInterface(dialog->GLBBox2);
    QCOMPARE(canvas->role(), QAccessible::Canvas);
    QAccessibleInterface *notice = screenReaderNotice();
    QCOMPARE(notice->role(), QAccessible::Notification);
    QCOMPARE(notice->parent()->role(), QAccessible::StatusBar);
    QCOMPARE(text(dialog->RotateDial, QAccessible::Name), QString("Rotate, 0 degrees"));
    dialog->RotateDial->setValue(1);
    QCOMPARE(text(dialog->RotateDial, QAccessible::Name), QString("Rotate, 1 degree"));
    QCOMPARE(notice->text(QAccessible::Name), QString("Rotate, 1 degree"));
    QCOMPARE(QAccessible::queryAccessibleInterface(dialog->RotateDial)->valueInterface(), nullptr);
    QCOMPARE(text(dialog->Slider2, QAccessible::Name), QString("Level Of Subdivision"));
    QCOMPARE(text(dialog->ZoomSlider, QAccessible::Name), QString("Zoom"));
    QVERIFY(QAccessible::queryAccessibleInterface(dialog->PushButton1)->state().checked);
    QCOMPARE(text(dialog->GLBBox2, QAccessible::Name), QString("Curve canvas"));
    QVERIFY2(text(dialog->GLBBox2, QAccessible::Description).startsWith("Add mode. No points. Cursor at ("),
             qPrintable(text(dialog->GLBBox2, QAccessible::Description)));
    QVERIFY(text(dialog->GLBBox2, QAccessible::Description).endsWith(" Question mark reads the keys."));
    QCOMPARE(text(dialog->MyCustomWidget1, QAccessible::Description), QString("No curves."));
    for (const QPoint &at : {QPoint(100, 100), QPoint(300, 100), QPoint(200, 300)})
        QTest::mouseClick(dialog->GLBBox2, Qt::LeftButton, {}, at);
    QVERIFY2(notice->text(QAccessible::Name).startsWith("Point 3 added at ("), qPrintable(notice->text(QAccessible::Name)));
    dialog->PushButton2->click();
    QVERIFY(QAccessible::queryAccessibleInterface(dialog->PushButton2)->state().checked);
    QVERIFY(!QAccessible::queryAccessibleInterface(dialog->PushButton1)->state().checked);
    QVERIFY(text(dialog->GLBBox2, QAccessible::Description).startsWith("Move mode. 3 points, degree 2. Cursor at ("));
    QCOMPARE(notice->text(QAccessible::Name), QString("Move mode."));
    QCOMPARE(text(dialog->MyCustomWidget1, QAccessible::Description),
             QString("Bernstein basis of degree 2: 3 curves."));
}

void TestDialog::resizingKeepsChildrenInPlace()
{
    QHash<QWidget *, QRect> before;
    for (QWidget *child : dialog->findChildren<QWidget *>())
        before.insert(child, child->geometry());
    dialog->resize(900, 700);
    QTest::qWait(20);
    QCOMPARE(dialog->size(), QSize(900, 700));
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (it.key()->parentWidget() == dialog.get() || it.key()->parentWidget() == dialog->Layout1)
            QVERIFY2(it.key()->geometry() == it.value() || it.key()->inherits("QSizeGrip"),
                     qPrintable(it.key()->objectName()));
}

void TestDialog::neverSmallerThanAtStart()
{
    dialog->resize(300, 200);
    QTest::qWait(20);
    QCOMPARE(dialog->size(), QSize(713, 563));
}

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"
