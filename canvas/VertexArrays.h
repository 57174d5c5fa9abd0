#pragma once

#include "geometry/Polyline.h"

#include <cstddef>
#include <vector>

// Vertex data for the curve list, made without GL: what glVertexPointer and glNormalPointer
// read. Coordinates are computed in double and stored as float, as glVertex3f would take them.

// x, y, z of each point.
constexpr std::size_t kPositionFloats = 3;
// x, y, z, then the normal's x, y, z, of each vertex.
constexpr std::size_t kLitVertexFloats = 6;
// A marker is an octahedron: eight triangles.
constexpr std::size_t kMarkerVertices = 24;

// Replaces `out` by the positions of `count` points.
void fillPositions(const Point3 *points, std::size_t count, std::vector<float> &out);

// Replaces `out` by the markers of half-size d around `count` points, in order: for each,
// eight triangles with the face's (not unit) normal at each of their vertices.
void fillMarkers(const Point3 *points, std::size_t count, double d, std::vector<float> &out);
