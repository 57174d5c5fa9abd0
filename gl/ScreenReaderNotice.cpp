#include "gl/ScreenReaderNotice.h"

#include <QAccessible>
#include <QGuiApplication>

namespace {

// A part of the status window: no object of its own, at most one child.
class NoticePart : public QAccessibleInterface
{
public:
    NoticePart(QAccessibleInterface *parent, QAccessible::Role role) : owner(parent), partRole(role) {}

    void setChild(QAccessibleInterface *part) { only = part; }
    void setName(const QString &text) { name = text; }

    bool isValid() const override { return true; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return owner; }
    QAccessibleInterface *child(int index) const override { return index == 0 ? only : nullptr; }
    int childCount() const override { return only ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface *child) const override { return child && child == only ? 0 : -1; }
    QString text(QAccessible::Text kind) const override { return kind == QAccessible::Name ? name : QString(); }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return partRole; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }

private:
    QAccessibleInterface *owner;
    QAccessible::Role partRole;
    QAccessibleInterface *only = nullptr;
    QString name;
};

// Made once and kept for the program's life, as Qt keeps registered interfaces.
NoticePart *notice()
{
    static NoticePart *const notification = [] {
        auto *window = new NoticePart(QAccessible::queryAccessibleInterface(qApp), QAccessible::Window);
        auto *statusBar = new NoticePart(window, QAccessible::StatusBar);
        auto *said = new NoticePart(statusBar, QAccessible::Notification);
        window->setChild(statusBar);
        statusBar->setChild(said);
        for (QAccessibleInterface *part : {static_cast<QAccessibleInterface *>(window),
                                           static_cast<QAccessibleInterface *>(statusBar),
                                           static_cast<QAccessibleInterface *>(said)})
            QAccessible::registerAccessibleInterface(part);
        return said;
    }();
    return notification;
}

} // namespace

void tellScreenReaders(const QString &sentence)
{
    NoticePart *said = notice();
    said->setName(sentence);
    // The name first, so that a reader's cache of it is fresh when the notice shows.
    QAccessibleEvent named(said, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent shown(said, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

QAccessibleInterface *screenReaderNotice()
{
    return notice();
}
