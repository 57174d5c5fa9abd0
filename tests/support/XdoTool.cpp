#include "XdoTool.h"

#include <QRegularExpression>

#include <X11/Xlib.h>

namespace xdo {

QProcessEnvironment helperEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LD_PRELOAD");
    return environment;
}

QString run(const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(helperEnvironment());
    process.start("xdotool", arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

qulonglong waitForWindow(qint64 pid, const QString &title)
{
    const QString found = run({"search", "--sync", "--onlyvisible", "--pid", QString::number(pid), "--name",
                               QString("^%1$").arg(QRegularExpression::escape(title))});
    return found.section('\n', 0, 0).toULongLong();
}

QRect geometry(qulonglong window)
{
    const QString shell = run({"getwindowgeometry", "--shell", QString::number(window)});
    const auto value = [&](const QString &key) {
        const QRegularExpressionMatch match = QRegularExpression(key + "=(-?\\d+)").match(shell);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

void closeWindow(qulonglong window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

void keys(const QStringList &names)
{
    run(QStringList{"key", "--delay", "30"} + names);
}

} // namespace xdo
