#include "gl/GLWidgetSupport.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWindow>
#include <QSurfaceFormat>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QSurfaceFormat fixedFunctionFormat()
{
    QSurfaceFormat surfaceFormat = QSurfaceFormat::defaultFormat();
    surfaceFormat.setProfile(QSurfaceFormat::CompatibilityProfile);
    surfaceFormat.setDepthBufferSize(24);
    return surfaceFormat;
}

void requestFixedFunctionFormat(QOpenGLWidget &widget)
{
    widget.setFormat(fixedFunctionFormat());
}

void repaintNow(QOpenGLWidget &widget)
{
    widget.update();
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(&widget, &request);
}

void setFramebufferViewport(const QOpenGLWidget &widget)
{
    // The framebuffer is the widget's size times the ratio, rounded.
    const QSize device = widget.size() * widget.devicePixelRatioF();
    glViewport(0, 0, device.width(), device.height());
}

bool takePixelRatioChange(const QOpenGLWidget &widget, qreal &listRatio)
{
    if (widget.devicePixelRatioF() == listRatio)
        return false;
    listRatio = widget.devicePixelRatioF();
    return true;
}

void setUnitSquareView(const QOpenGLWidget &widget, const bezier::OrthoBox &box)
{
    setFramebufferViewport(widget);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(box.left, box.right, box.bottom, box.top, box.nearDepth, box.farDepth);
    glMatrixMode(GL_MODELVIEW);
}

void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists)
{
    widget.makeCurrent();
    for (GLuint list : lists)
        if (list)
            glDeleteLists(list, 1);
    widget.doneCurrent();
}

void describe(QOpenGLWidget &widget, const std::string &description)
{
    const QString text = QString::fromStdString(description);
    if (text == widget.accessibleDescription())
        return;
    widget.setAccessibleDescription(text);
    QAccessibleEvent event(&widget, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

bool systemHighContrast()
{
#ifdef Q_OS_WIN
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)
           && (contrast.dwFlags & HCF_HIGHCONTRASTON);
#else
    return false;
#endif
}

void ExactPointer::watchWindow()
{
    QWindow *handle = widget.window()->windowHandle();
    if (handle == window)
        return;
    if (window)
        window->removeEventFilter(this);
    window = handle;
    if (window)
        window->installEventFilter(this);
}

bool ExactPointer::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        lastType = type;
        lastTimestamp = mouse->timestamp();
        lastPosition = mouse->position();
    }
    return false;
}

QPointF ExactPointer::position(const QMouseEvent &event) const
{
    const QPointF exact = lastPosition - widget.mapTo(widget.window(), QPointF(0, 0));
    // The widget's position is the window's, rounded: anything else is another event's.
    const bool same = event.type() == lastType && event.timestamp() == lastTimestamp
                      && (exact - event.position()).manhattanLength() <= 1.0;
    return same ? exact : event.position();
}
