#pragma once

#include <QString>

class QAccessibleInterface;

// Says a sentence to screen readers, once: a notification in a status bar of a window of the
// application's own, which only screen readers find. Orca 43 speaks a notification as it shows,
// without its role's name where it sits in a status bar, and without naming a dialog where its
// window is not in one. Qt 6.4 cannot say it through a change of a description or a name: it
// sends those changes with the object instead of the text, which Orca cannot speak.
void tellScreenReaders(const QString &sentence);

// The notification, whose name is the last sentence told.
QAccessibleInterface *screenReaderNotice();
