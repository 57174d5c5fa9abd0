#include "XdoTool.h"

#include <QElapsedTimer>
#include <QRegularExpression>

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
    // A search fails at once where a window it looks at goes away meanwhile, as the last test's
    // editor's may: it is tried again until the minute is up.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        const QString found = run({"search", "--sync", "--onlyvisible", "--pid", QString::number(pid), "--name",
                                   QString("^%1$").arg(QRegularExpression::escape(title))},
                                  static_cast<int>(60000 - waited.elapsed()));
        if (!found.isEmpty())
            return found.section('\n', 0, 0).toULongLong();
    }
    return 0;
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
    QProcess closer;
    closer.setProcessEnvironment(helperEnvironment());
    closer.start(CLOSE_WINDOW_PROGRAM, {QString::number(window)});
    closer.waitForFinished();
}

void keys(const QStringList &names)
{
    run(QStringList{"key", "--delay", "30"} + names);
}

} // namespace xdo
