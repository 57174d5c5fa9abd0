#pragma once

#include <QList>
#include <QObject>

class QFont;
class QWidget;

// Keeps the texts of a form of fixed geometry whole: each text widget gets the largest
// font, no larger than the form's own, whose text fits its box. Where even the smallest
// readable font is too large, the whole text becomes the widget's tool tip. Refits when
// the form's font or style changes and when a text widget is resized.
class TextFitter : public QObject
{
    Q_OBJECT

public:
    static constexpr qreal kMinimumPointSize = 7.0;

    TextFitter(QWidget *form, const QList<QWidget *> &textWidgets);

    // Whether the widget (a label or a button) shows its whole text with `font`.
    static bool textFits(const QWidget &widget, const QFont &font);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitAll();
    void fit(QWidget &widget);

    QWidget *form;
    QList<QWidget *> textWidgets;
};
