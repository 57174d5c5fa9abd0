#pragma once

#include <QList>
#include <QObject>

class QWidget;

// Keeps the texts of a form of fixed geometry whole: each text widget gets the largest
// font, no larger than the form's own, whose text fits its box. Where even the smallest
// readable font is too large, the whole text becomes the widget's tool tip. Refits when
// the form's font or style changes and when a text widget is resized.
class TextFitter : public QObject
{
    Q_OBJECT

public:
    TextFitter(QWidget *form, const QList<QWidget *> &textWidgets);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitAll();
    void fit(QWidget &widget);

    QWidget *form;
    QList<QWidget *> textWidgets;
};
