#pragma once

#include "core/CanvasLook.h"
#include "core/CanvasModel.h"
#include "geometry/Point3.h"
#include "geometry/Polyline.h"

#include <array>
#include <cstddef>

namespace bezier {

// Vertex data for the views, made without GL: what glVertexPointer and glNormalPointer read.
// Coordinates are computed in double and stored as float, as glVertex3f would take them.

// x, y, z of each point.
constexpr std::size_t kPositionFloats = 3;
// x, y, z, then the normal's x, y, z, of each vertex.
constexpr std::size_t kLitVertexFloats = 6;
// A marker is an octahedron: eight triangles.
constexpr std::size_t kMarkerVertices = 24;

// The canvas's axes: X, Y and Z as segments from the origin, then the points drawn at the
// origin and the axes' ends.
constexpr std::array<Point3, 6> kCanvasAxes{{{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1}}};
constexpr std::array<Rgb, 3> kCanvasAxisColors{kXAxisColor, kYAxisColor, kZAxisColor};
constexpr std::array<Point3, 4> kCanvasAxisPoints{{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}}};
// The parameter view's axes: t and the basis value, as segments from the origin.
constexpr std::array<Point3, 4> kParameterAxes{{{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}}};

// Writes the positions of `count` points to `out`; returns the end of what it wrote.
float *putPositions(const Point3 *points, std::size_t count, float *out);

// Writes the markers of half-size d around `count` points to `out`, in order: for each, eight
// triangles with the face's (not unit) normal at each of their vertices. Returns the end of
// what it wrote.
float *putMarkers(const Point3 *points, std::size_t count, double d, float *out);

// The control-point markers in runs of one colour: those before the selected one, the
// selected one, those after it. A selection outside [0, count) selects none.
struct MarkerRun
{
    std::size_t first;
    std::size_t last;
    Rgb color;
};
std::array<MarkerRun, 3> controlMarkerRuns(std::size_t count, int selectedPoint);

// What the canvas's two buffers hold, in drawing order. The line buffer: the curve, the control
// polygon when shown, the hull when shown and not empty. The marker buffer: a marker at each
// control point, then, when shown, one at each point of the curve.
struct CurveBufferLayout
{
    std::size_t curve = 0;
    bool polygonShown = false;
    std::size_t polygon = 0;
    bool hullShown = false;
    std::size_t hull = 0;
    std::size_t controlMarkers = 0;
    int selectedMarker = -1;
    bool subdivisionMarkersShown = false;
    std::size_t subdivisionMarkers = 0;

    std::size_t lineVertices() const { return curve + polygon + hull; }
    std::size_t markers() const { return controlMarkers + subdivisionMarkers; }
};
CurveBufferLayout curveBufferLayout(const CanvasModel &canvas);

// Writes the line buffer's positions; returns the end of what it wrote.
float *putLinePositions(const CanvasModel &canvas, const CurveBufferLayout &layout, float *out);
// Writes markers [first, last) of the marker buffer, so that a large buffer can be filled a
// part at a time; returns the end of what it wrote.
float *putMarkerVertices(const CanvasModel &canvas, const CurveBufferLayout &layout, std::size_t first,
                         std::size_t last, float *out);

} // namespace bezier
