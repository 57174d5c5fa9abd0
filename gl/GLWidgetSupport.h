#pragma once

#include "core/ViewTransform.h"

#include <QOpenGLWidget>
#include <QPointF>
#include <QPointer>

#include <string>

// What both OpenGL views need from the toolkit's OpenGL widget.

// A compatibility context, for fixed-function drawing and display lists, with a depth
// buffer for the depth test.
QSurfaceFormat fixedFunctionFormat();

// Asks for that format for the widget's context.
void requestFixedFunctionFormat(QOpenGLWidget &widget);

// Repaints at once: QOpenGLWidget only schedules paints, and repaint() may skip one, so the
// update request is handled before returning.
void repaintNow(QOpenGLWidget &widget);

// A viewport over the widget's whole framebuffer. QOpenGLWidget sets its own before every
// paint, truncated to whole pixels at fractional ratios, so paints set this one again.
void setFramebufferViewport(const QOpenGLWidget &widget);

// Line widths and point sizes are given in device pixels: scaled by the ratio, the picture
// looks the same on every screen.
inline GLfloat devicePixels(const QOpenGLWidget &widget, GLfloat size)
{
    return static_cast<GLfloat>(size * widget.devicePixelRatioF());
}

// Whether the widget's pixel ratio differs from `listRatio`, the one its display lists were
// made for; if so, `listRatio` takes the new ratio and the caller remakes its lists.
bool takePixelRatioChange(const QOpenGLWidget &widget, qreal &listRatio);

// A viewport over the whole framebuffer, and the orthographic projection of `box`, whatever the
// widget's aspect ratio.
void setUnitSquareView(const QOpenGLWidget &widget, const bezier::OrthoBox &box);

// Deletes the widget's display lists that exist, with its context current.
void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists);

// Sets a view's accessible description and, where it changed, tells screen readers so: Qt 6.4's
// setter sends no event.
void describe(QOpenGLWidget &widget, const std::string &description);

// Whether the system asks for high contrast: Windows' setting (Qt 6.4 has no call for it); other
// systems have none to follow.
bool systemHighContrast();

// Where the pointer is, exactly, for a widget's mouse events. Qt 6.4 hands a widget its mouse
// position rounded to whole device-independent pixels, so at a fractional scale a press lands
// up to a device pixel away from the pointer; its window's own event still holds the exact
// position, which this keeps until the widget's event arrives.
class ExactPointer : public QObject
{
public:
    explicit ExactPointer(QWidget &widget) : widget(widget) {}
    // Watches the widget's window; call again once it has one (when shown).
    void watchWindow();
    // The exact position of this mouse event in the widget, or the event's own where the
    // window's did not come first.
    QPointF position(const QMouseEvent &event) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &widget;
    QPointer<QWindow> window;
    // The last mouse event of the window: its type, time and position in the window.
    int lastType = 0;
    quint64 lastTimestamp = 0;
    QPointF lastPosition;
};
