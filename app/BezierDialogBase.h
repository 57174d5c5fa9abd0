#pragma once

#include "ui_BezierDialogBase.h"

#include <QDialog>

// The main form: builds the children at their fixed places and wires them to the canvas.
class BezierDialogBase : public QDialog, public Ui::BezierDialogBase
{
    Q_OBJECT

public:
    explicit BezierDialogBase(QWidget *parent = nullptr, const char *name = nullptr, bool modal = false,
                              Qt::WindowFlags flags = {});

protected:
    // Escape never closes the dialog: that would end the program and lose the curve.
    void keyPressEvent(QKeyEvent *event) override;
};
