#pragma once

#include "geometry/Polyline.h"

#include <array>
#include <optional>

// The viewport and matrices that map model space to window pixels (y up), as OpenGL
// reports them after a paint.
struct ViewTransform
{
    std::array<int, 4> viewport{};
    std::array<double, 16> modelview{};
    std::array<double, 16> projection{};

    int viewportHeight() const { return viewport[3]; }
};

// The model point at window position (wx, wy) on the near plane (window depth 0), or
// nothing when the matrices cannot be inverted.
std::optional<Point3> unprojectToNearPlane(const ViewTransform &view, double wx, double wy);

// Index of the point whose window projection lies nearest to (wx, wy), depth ignored;
// ties keep the lower index, and an empty list gives 0.
int nearestProjectedPoint(const Polyline &points, const ViewTransform &view, double wx, double wy);
