#include "app/TextFitter.h"

#include "core/TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

using bezier::kMinimumPointSize;
using bezier::kPointSizeStep;

namespace {

QString textOf(const QWidget &widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        return button->text();
    return {};
}

// The rectangle the widget draws its text into.
QRect textRect(const QWidget &widget, const QFontMetrics &metrics)
{
    if (const auto *label = qobject_cast<const QLabel *>(&widget)) {
        const int margin = label->margin();
        return label->contentsRect().adjusted(margin, margin, -margin, -margin);
    }
    const auto &button = static_cast<const QAbstractButton &>(widget);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.fontMetrics = metrics;
    option.text = button.text();
    const bool checkBox = qobject_cast<const QCheckBox *>(&button) != nullptr;
    return button.style()->subElementRect(checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                                          &option, &button);
}

// Whether the widget (a label or a button) shows its whole text with `font`.
bool textFits(const QWidget &widget, const QFont &font)
{
    const QFontMetrics metrics(font, &widget);
    const QRect rect = textRect(widget, metrics);
    return metrics.horizontalAdvance(textOf(widget)) <= rect.width() && metrics.height() <= rect.height();
}

} // namespace

TextFitter::TextFitter(QWidget *form, const QList<QWidget *> &textWidgets)
    : QObject(form)
    , form(form)
    , textWidgets(textWidgets)
{
    form->installEventFilter(this);
    for (QWidget *widget : textWidgets)
        widget->installEventFilter(this);
    fitAll();
}

bool TextFitter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == form && (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::Show))
        fitAll();
    else if (type == QEvent::Resize && watched != form)
        fit(static_cast<QWidget &>(*watched));
    return false;
}

void TextFitter::fitAll()
{
    for (QWidget *widget : std::as_const(textWidgets))
        fit(*widget);
}

void TextFitter::fit(QWidget &widget)
{
    const QFont formFont = form->font();
    QFont font = formFont;
    const qreal largest = QFontInfo(formFont).pointSizeF();
    qreal size = largest;
    font.setPointSizeF(size);
    bool whole = textFits(widget, font);
    while (!whole && size - kPointSizeStep >= kMinimumPointSize) {
        size -= kPointSizeStep;
        font.setPointSizeF(size);
        whole = textFits(widget, font);
    }
    if (size == largest)
        widget.setFont(QFont());
    else
        widget.setFont(font);
    widget.setToolTip(whole ? QString() : textOf(widget));
}
