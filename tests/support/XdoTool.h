#pragma once

#include <QProcess>
#include <QRect>
#include <QStringList>

// Drives a separate program's window with real X events through xdotool.
namespace xdo {

// The environment for helper programs: without the sanitizer runtime the program under test
// may be running with.
QProcessEnvironment helperEnvironment();

// Runs xdotool with the arguments and returns what it printed; empty on failure.
QString run(const QStringList &arguments, int timeoutMs = 20000);

// The id of the visible window of process `pid` titled `title`, waiting for it to appear;
// 0 when none appeared within a minute: a first start under Wine on a busy machine, loading
// its libraries into a fresh prefix, has taken more than 20 s.
qulonglong waitForWindow(qint64 pid, const QString &title);

// The window's geometry on the screen.
QRect geometry(qulonglong window);

// Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
void closeWindow(qulonglong window);

// Presses the keys, each an xdotool key name, on the window that has focus.
void keys(const QStringList &names);

} // namespace xdo
