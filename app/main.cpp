#include "app/BezierDialog.h"
#include "gl/OpenGLSupport.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int reportMissingOpenGL(const QString &reason)
{
    const QString message = QString("Bezier Curves needs OpenGL with display lists and buffer objects (a "
                                    "compatibility-profile context), and none could be created on this display: %1")
                                .arg(reason);
    std::fprintf(stderr, "%s\n", qPrintable(message));
    // Elsewhere a message box would wait for nobody.
    if (onDesktopPlatform())
        QMessageBox::critical(nullptr, QStringLiteral("Bezier Curves cannot start"), message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef _WIN32
    // The trace is written as it stands, as on other systems: no CR before each newline.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QApplication application(argc, argv);
    if (const QString reason = missingOpenGLSupport(); !reason.isEmpty())
        return reportMissingOpenGL(reason);
    BezierDialog dialog(nullptr, nullptr, true);
    // The modal run is the program's only event loop; how the dialog was closed does not matter.
    dialog.exec();
    return 0;
}
