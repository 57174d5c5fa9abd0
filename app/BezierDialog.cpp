#include "app/BezierDialog.h"

BezierDialog::BezierDialog(QWidget *parent, const char *name, bool modal, Qt::WindowFlags flags)
    : BezierDialogBase(parent, name, modal, flags)
{
}
