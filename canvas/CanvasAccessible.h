#pragma once

#include <QAccessibleWidget>

// The canvas as screen readers find it: a canvas, named by the dialog, whose description says what
// it shows and where its cursor is. The description is read from the model when asked, so it is
// never stale, and no change of it is sent: Qt 6.4 sends such a change without its text.
class CanvasAccessible : public QAccessibleWidget
{
public:
    explicit CanvasAccessible(QWidget *canvas) : QAccessibleWidget(canvas, QAccessible::Canvas) {}

    QString text(QAccessible::Text kind) const override;

    // The factory Qt asks for every object's interface: this one for the canvas.
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
