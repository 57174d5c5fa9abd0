#include "core/VertexArrays.h"

#include <algorithm>
#include <array>

namespace bezier {

namespace {

// The signs of each face's normal; face f has the vertices (x + sx d, y, z), (x, y + sy d, z)
// and (x, y, z + sz d).
constexpr std::array<std::array<int, 3>, 8> kFaceSigns{{
    {1, 1, 1},
    {1, 1, -1},
    {-1, 1, -1},
    {-1, 1, 1},
    {1, -1, 1},
    {1, -1, -1},
    {-1, -1, -1},
    {-1, -1, 1},
}};

} // namespace

float *putPositions(const Point3 *points, std::size_t count, float *out)
{
    float *p = out;
    for (std::size_t i = 0; i < count; ++i) {
        *p++ = static_cast<float>(points[i].x);
        *p++ = static_cast<float>(points[i].y);
        *p++ = static_cast<float>(points[i].z);
    }
    return p;
}

float *putMarkers(const Point3 *points, std::size_t count, double d, float *out)
{
    float *v = out;
    const auto put = [&v](double x, double y, double z, const std::array<int, 3> &normal) {
        *v++ = static_cast<float>(x);
        *v++ = static_cast<float>(y);
        *v++ = static_cast<float>(z);
        *v++ = static_cast<float>(normal[0]);
        *v++ = static_cast<float>(normal[1]);
        *v++ = static_cast<float>(normal[2]);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const Point3 &p = points[i];
        for (const std::array<int, 3> &signs : kFaceSigns) {
            put(p.x + signs[0] * d, p.y, p.z, signs);
            put(p.x, p.y + signs[1] * d, p.z, signs);
            put(p.x, p.y, p.z + signs[2] * d, signs);
        }
    }
    return v;
}

std::array<MarkerRun, 3> controlMarkerRuns(std::size_t count, int selectedPoint)
{
    const bool hasSelected = selectedPoint >= 0 && static_cast<std::size_t>(selectedPoint) < count;
    const std::size_t selected = hasSelected ? static_cast<std::size_t>(selectedPoint) : count;
    const std::size_t afterSelected = selected + (hasSelected ? 1 : 0);
    return {{{0, selected, kControlMarkerColor},
             {selected, afterSelected, kSelectedMarkerColor},
             {afterSelected, count, kControlMarkerColor}}};
}

CurveBufferLayout curveBufferLayout(const CanvasModel &canvas)
{
    CurveBufferLayout layout;
    layout.curve = canvas.curve.size();
    layout.polygonShown = canvas.showPolyline;
    layout.polygon = canvas.showPolyline ? canvas.controlPoints.size() : 0;
    layout.hullShown = canvas.showConvexHull && !canvas.hull.empty();
    layout.hull = layout.hullShown ? canvas.hull.size() : 0;
    layout.controlMarkers = canvas.controlPoints.size();
    layout.selectedMarker = canvas.selectedPoint;
    layout.subdivisionMarkersShown = canvas.showSubDivPoints;
    layout.subdivisionMarkers = canvas.showSubDivPoints ? canvas.curve.size() : 0;
    return layout;
}

float *putLinePositions(const CanvasModel &canvas, const CurveBufferLayout &layout, float *out)
{
    out = putPositions(canvas.curve.data(), layout.curve, out);
    out = putPositions(canvas.controlPoints.data(), layout.polygon, out);
    return putPositions(canvas.hull.data(), layout.hull, out);
}

float *putMarkerVertices(const CanvasModel &canvas, const CurveBufferLayout &layout, std::size_t first,
                         std::size_t last, float *out)
{
    // The control markers are markers [0, controlMarkers), the subdivision markers the rest.
    const std::size_t split = layout.controlMarkers;
    if (first < split)
        out = putMarkers(canvas.controlPoints.data() + first, std::min(last, split) - first, kControlMarkerHalfSize,
                         out);
    if (last > split) {
        const std::size_t from = std::max(first, split) - split;
        out = putMarkers(canvas.curve.data() + from, last - split - from, kSubdivisionMarkerHalfSize, out);
    }
    return out;
}

} // namespace bezier
