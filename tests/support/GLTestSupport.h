#pragma once

// Helpers for tests that look at what the OpenGL views drew.

#include <QColor>
#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>

#include <functional>
#include <set>

namespace gltest {

// Channel tolerance for colours read back from the framebuffer.
constexpr int kColorTolerance = 4;

bool sameColor(QColor actual, QColor expected, int tolerance = kColorTolerance);

// The frame the widget painted last, read back without painting again, so a test sees
// whether a slot repainted by itself.
QImage lastFrame(QOpenGLWidget &widget);

// The pixel of the model point (x, y) in an image of the whole viewport, for a view whose
// projection maps x and y to [-1, 1] after the model transform scales by (sx, sy) and
// shifts by (tx, ty).
QPoint pixelOf(const QImage &image, double x, double y, double sx, double sy, double tx = 0.0, double ty = 0.0);

// Whether some pixel within `radius` of `centre` satisfies `predicate`.
bool anyPixelNear(const QImage &image, QPoint centre, int radius, const std::function<bool(QColor)> &predicate);

// Whether some pixel within `radius` of `centre` has the colour.
bool colorNear(const QImage &image, QPoint centre, int radius, QColor expected);

// Number of pixels of the whole image that satisfy `predicate`.
int countPixels(const QImage &image, const std::function<bool(QColor)> &predicate);

// Display lists alive in the widget's context, counted over the low list names. Views in
// one window share their lists, so this counts those of every view of the window.
int liveDisplayLists(QOpenGLWidget &widget);

// The names of those lists.
std::set<unsigned> liveDisplayListNames(QOpenGLWidget &widget);

// glGetError() in the widget's context after a synchronous repaint.
unsigned errorAfterRepaint(QOpenGLWidget &widget);

} // namespace gltest
