#include "app/BezierDialogBase.h"

#include "app/TextFitter.h"

#include <QKeyEvent>
#include <QShortcut>

BezierDialogBase::BezierDialogBase(QWidget *parent, const char *name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    setupUi(this);
    // The form names the button row's layout only so that it has a member pointer.
    Layout1Layout->setObjectName(QString());
    // Names for screen readers, as the visible labels say.
    RotateDial->setAccessibleName(tr("Rotate"));
    GLBBox2->setAccessibleName(tr("Curve canvas"));
    MyCustomWidget1->setAccessibleName(tr("Parametric Space"));

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
