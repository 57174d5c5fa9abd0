#include "app/BezierDialogBase.h"

#include "app/TextFitter.h"

#include "core/CanvasEditing.h"
#include "gl/ScreenReaderNotice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QShortcut>

namespace {

// The rotate dial as screen readers find it: a dial whose name says its value with the unit
// ("Rotate, 20 degrees"), without the value interface, whose bare number a reader would say too.
QAccessibleInterface *rotateDialAccessible(const QString &, QObject *object)
{
    auto *dial = qobject_cast<QDial *>(object);
    if (!dial || dial->objectName() != QLatin1String("RotateDial"))
        return nullptr;
    return new QAccessibleWidget(dial, QAccessible::Dial);
}

// A mode button as screen readers find it: one of three radio buttons, checked while its mode is
// the canvas's, as the modes exclude each other. Qt 6.4 has no toggle button's role, and exposes a
// checkable push button as a check box.
class ModeButtonAccessible : public QAccessibleWidget
{
public:
    explicit ModeButtonAccessible(QAbstractButton *button) : QAccessibleWidget(button, QAccessible::RadioButton) {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? button()->text().remove(QLatin1Char('&')) : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

QAccessibleInterface *modeButtonAccessible(const QString &, QObject *object)
{
    auto *button = qobject_cast<QPushButton *>(object);
    const QString name = button ? button->objectName() : QString();
    if (name != QLatin1String("PushButton1") && name != QLatin1String("PushButton2")
        && name != QLatin1String("PushButton5"))
        return nullptr;
    return new ModeButtonAccessible(button);
}

} // namespace

BezierDialogBase::BezierDialogBase(QWidget *parent, const char *name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    // Before the children exist, so that none is found through another interface first.
    static const bool accessibleControls = (QAccessible::installFactory(&rotateDialAccessible),
                                            QAccessible::installFactory(&modeButtonAccessible), true);
    Q_UNUSED(accessibleControls);
    setupUi(this);
    // The form names the button row's layout only so that it has a member pointer.
    Layout1Layout->setObjectName(QString());
    // Names for screen readers, as the visible labels say. The level's label names its slider, so
    // it is not read as the dialog's own text.
    TextLabel3->setBuddy(Slider2);
    ZoomSlider->setAccessibleName(tr("Zoom"));
    GLBBox2->setAccessibleName(tr("Curve canvas"));
    MyCustomWidget1->setAccessibleName(tr("Parametric Space"));
    // The dial's name carries its value with the unit, as its value alone is a bare number; a
    // change is told, as Qt 6.4 sends a change of a name without its text.
    const auto nameDial = [this](int degrees) {
        RotateDial->setAccessibleName(degrees == 1 ? tr("Rotate, 1 degree") : tr("Rotate, %1 degrees").arg(degrees));
    };
    nameDial(RotateDial->value());
    connect(RotateDial, &QDial::valueChanged, this, [this, nameDial](int degrees) {
        nameDial(degrees);
        tellScreenReaders(RotateDial->accessibleName());
    });

    // The mode buttons show the canvas's mode, and screen readers hear it as their pressed state.
    for (QPushButton *button : {PushButton1, PushButton2, PushButton5})
        button->setCheckable(true);
    PushButton1->setChecked(true);
    connect(GLBBox2, &GLBBox::modeShown, this, [this](int mode) {
        PushButton1->setChecked(mode == bezier::kAddMode);
        PushButton2->setChecked(mode == bezier::kMoveMode);
        PushButton5->setChecked(mode == bezier::kDeleteMode);
    });

    // Made last, so none of the initial widget values reaches the canvas.
    connect(ZoomSlider, &QSlider::valueChanged, GLBBox2, &GLBBox::setZoom);
    connect(RotateDial, &QDial::valueChanged, GLBBox2, &GLBBox::setZRotation);
    connect(PushButton1, &QPushButton::clicked, GLBBox2, &GLBBox::setAddMode);
    connect(PushButton2, &QPushButton::clicked, GLBBox2, &GLBBox::setMoveMode);
    connect(PushButton4, &QPushButton::clicked, GLBBox2, &GLBBox::deleteAllControlPoints);
    connect(CheckBox2, &QCheckBox::toggled, GLBBox2, &GLBBox::setShowConvexHull);
    connect(CheckBox3, &QCheckBox::toggled, GLBBox2, &GLBBox::setShowSubDivPoints);
    connect(Slider2, &QSlider::valueChanged, LCDNumber1, qOverload<int>(&QLCDNumber::display));
    connect(Slider2, &QSlider::valueChanged, GLBBox2, &GLBBox::changeDrawLevel);
    connect(GLBBox2, &GLBBox::sendDegree, MyCustomWidget1, &GLParameter::setDegree);
    connect(PushButton5, &QPushButton::clicked, GLBBox2, &GLBBox::setSelectMode);

    // Undo and redo from anywhere in the dialog.
    connect(new QShortcut(Qt::CTRL | Qt::Key_Z, this), &QShortcut::activated, GLBBox2, &GLBBox::undo);
    for (const QKeyCombination keys : {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y})
        connect(new QShortcut(keys, this), &QShortcut::activated, GLBBox2, &GLBBox::redo);

    // The boxes are fixed, the fonts are the desktop's: keep every text whole.
    new TextFitter(this, {Label1, TextLabel3, TextLabel4, CheckBox3, CheckBox2, PushButton1, PushButton2,
                          PushButton5, PushButton4});
}

void BezierDialogBase::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
