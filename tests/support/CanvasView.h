#pragma once

// What the canvas's start view shows, for tests that check its pixels and points.

#include "GLTestSupport.h"
#include "geometry/Point3.h"

#include <QColor>
#include <QPoint>
#include <QSize>

#include <algorithm>

namespace canvastest {

constexpr float kStartZoom = 1.25f;

// Lines get only the 0.6 ambient light: 0.6 times their material's ambient colour.
const QColor kCurveGrey(153, 153, 153);
const QColor kHullRed(153, 0, 0);

inline bool isCurveGrey(QColor c)
{
    return gltest::sameColor(c, kCurveGrey);
}

inline bool isHullRed(QColor c)
{
    return gltest::sameColor(c, kHullRed);
}

// A control-point marker, yellow or, when selected, pink; never the grey of the curve.
inline bool isMarker(QColor c)
{
    return c.red() > 170 && std::min(c.green(), c.blue()) < 100;
}

inline bool isGreenMarker(QColor c)
{
    return c.green() > 100 && c.red() < 40 && c.blue() < 40;
}

// Where the start view puts a click at `position` in a canvas of `size`: the near plane
// under the pointer, z dropped.
inline Point3 startViewPoint(QPoint position, QSize size)
{
    const double flippedY = size.height() - position.y() - 1;
    return {(2.0 * position.x() / size.width() - 1.0) / kStartZoom, (2.0 * flippedY / size.height() - 1.0) / kStartZoom,
            0.0};
}

} // namespace canvastest
