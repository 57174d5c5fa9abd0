#pragma once

#include "core/CanvasLook.h"
#include "geometry/Polyline.h"

#include <array>
#include <cstddef>

// Vertex data for the curve buffers, made without GL: what glVertexPointer and glNormalPointer
// read. Coordinates are computed in double and stored as float, as glVertex3f would take them.

// x, y, z of each point.
constexpr std::size_t kPositionFloats = 3;
// x, y, z, then the normal's x, y, z, of each vertex.
constexpr std::size_t kLitVertexFloats = 6;
// A marker is an octahedron: eight triangles.
constexpr std::size_t kMarkerVertices = 24;

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
