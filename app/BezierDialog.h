#pragma once

#include "app/BezierDialogBase.h"

// The dialog the program runs.
class BezierDialog : public BezierDialogBase
{
    Q_OBJECT

public:
    explicit BezierDialog(QWidget *parent = nullptr, const char *name = nullptr, bool modal = false,
                          Qt::WindowFlags flags = {});
};
