#include "gl/OpenGLSupport.h"

#include "gl/GLWidgetSupport.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QSet>

namespace {

// The toolkit's own warnings while probing, kept to explain a failure instead of printed.
QStringList toolkitWarnings;

void keepWarning(QtMsgType, const QMessageLogContext &, const QString &message)
{
    toolkitWarnings << message;
}

QString withToolkitDetail(const QString &reason)
{
    return toolkitWarnings.isEmpty() ? reason : QString("%1 (%2)").arg(reason, toolkitWarnings.first().trimmed());
}

// What the current context lacks of the fixed-function pipeline, display lists and buffer objects.
QString contextProblem(const QOpenGLContext &context)
{
    const QSurfaceFormat format = context.format();
    const QString version = QString("%1.%2").arg(format.majorVersion()).arg(format.minorVersion());
    if (context.isOpenGLES())
        return QString("the context is OpenGL ES %1, which has no display lists").arg(version);
    if (format.profile() == QSurfaceFormat::CoreProfile)
        return QString("the context is OpenGL %1 core profile, without the compatibility profile").arg(version);
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLuint list = glGenLists(1);
    const bool listsWork = list != 0 && glGetError() == GL_NO_ERROR;
    if (list != 0)
        glDeleteLists(list, 1);
    if (!listsWork)
        return QString("the OpenGL %1 context has no display lists").arg(version);
    // The canvas keeps its changing geometry in buffer objects: core in 1.5, an extension before.
    const bool hasBuffers = format.version() >= qMakePair(1, 5) || context.hasExtension("GL_ARB_vertex_buffer_object");
    return hasBuffers ? QString() : QString("the OpenGL %1 context has no buffer objects").arg(version);
}

// Whether an OpenGL widget gets a context here. On the desktop platforms it does whenever
// a context can be made, so this slower check runs only on the others (offscreen, VNC, ...).
QString widgetProblem()
{
    if (onDesktopPlatform())
        return {};
    // Never put on screen: QOpenGLWidget sets up its context when shown.
    QOpenGLWidget widget;
    requestFixedFunctionFormat(widget);
    widget.setAttribute(Qt::WA_DontShowOnScreen);
    widget.resize(1, 1);
    widget.show();
    if (widget.context() && widget.context()->isValid())
        return {};
    return withToolkitDetail(
        QString("the platform \"%1\" offers no OpenGL to widgets").arg(QGuiApplication::platformName()));
}

QString probe()
{
    QOpenGLContext context;
    context.setFormat(fixedFunctionFormat());
    if (!context.create())
        return withToolkitDetail("no OpenGL context could be created");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return withToolkitDetail("the OpenGL context could not be used");
    const QString problem = contextProblem(context);
    context.doneCurrent();
    return problem.isEmpty() ? widgetProblem() : problem;
}

} // namespace

bool onDesktopPlatform()
{
    static const QSet<QString> desktopPlatforms{"xcb", "wayland", "wayland-egl", "windows", "cocoa"};
    return desktopPlatforms.contains(QGuiApplication::platformName());
}

QString missingOpenGLSupport()
{
    toolkitWarnings.clear();
    const QtMessageHandler previousHandler = qInstallMessageHandler(keepWarning);
    const QString problem = probe();
    qInstallMessageHandler(previousHandler);
    return problem;
}
