#pragma once

#include "core/CanvasLook.h"
#include "core/ViewTransform.h"

#include <cstddef>
#include <vector>

namespace bezier {

// Lines and points as quads in window space, for a front end whose lines are one pixel wide
// (WebGL). Each segment is widened across its minor axis, as drivers widen wide lines; the
// segments of a strip share their corners, and segments that cover no pixel centre are left
// out, since a software rasteriser spends its time by vertices and triangles.

// A position in window space: device pixels from the viewport's corner, and the depth.
struct WindowPoint
{
    float x, y, z;
};

// Where `transform` (projection times modelview) and a viewport of width x height put the
// position at `p`: clip coordinates divided by w, in device pixels, with the normalised depth.
WindowPoint windowPointOf(const MatrixF &transform, const float *p, float width, float height);
// The same for `count` positions (x, y, z each), into `out`, whose storage is kept between calls.
void putWindowPoints(const MatrixF &transform, const float *positions, std::size_t count, float width, float height,
                     std::vector<WindowPoint> &out);

// Half the width in device pixels of a line `width` device-independent pixels wide, never
// thinner than one device pixel, as drivers draw lines and points.
float halfLineWidth(float width, double pixelRatio);

// Whether a quad whose sides across its major axis lie at `from` and `to` can cover a pixel
// centre. Drivers snap corners to 1/16 pixel or finer, so the margin is twice their error.
bool reachesPixelCentres(float from, float to);

// Appends the quads of `count` points, as a strip, separate segments or square points, to a
// triangle strip of window positions (x, y, z each); returns the number of vertices added.
// Quads that do not share corners are joined by repeated vertices, which make triangles
// without area.
enum class LineKind { Strip, Segments, Points };
std::size_t appendLineQuads(const WindowPoint *points, std::size_t count, LineKind kind, float halfWidth,
                            std::vector<float> &strip);

// Appends a strip of `count` points as dashes `dash` device pixels long with gaps of `gap`,
// measured along the strip, each dash a separate quad; returns the number of vertices added.
// Only the dashes within a viewport of width x height device pixels are made, so their count is
// bounded by what the viewport can show.
std::size_t appendDashedStrip(const WindowPoint *points, std::size_t count, float halfWidth, float dash, float gap,
                              float width, float height, std::vector<float> &strip);

// A rectangle in window pixels, y up, and its colour.
struct WindowRect
{
    float left, bottom, right, top;
    Rgb color;
};

// What shows keyboard focus in a view of width x height device pixels: the frame's four bars
// inside the edge, then the four arms of the crosshair around the device pixel under the
// cursor (logical pixels, y down), on whole device pixels.
std::vector<WindowRect> keyboardFocusMarks(int width, int height, double cursorX, double cursorY, double pixelRatio);

// The outlines of the control points at these window positions, in the high-contrast look.
std::vector<WindowRect> controlPointOutlines(const std::vector<WindowPoint> &points, double pixelRatio);

// Appends a rectangle to a triangle strip as appendLineQuads does, at depth z.
std::size_t appendRectangle(const WindowRect &rect, float z, std::vector<float> &strip);

} // namespace bezier
