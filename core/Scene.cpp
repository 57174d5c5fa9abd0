#include "core/Scene.h"

#include "core/ParameterLook.h"

namespace bezier {

namespace {

// The runs' consecutive rectangles of one colour, from `first` of the scene's rectangles on.
void addRectangleRuns(Scene &scene, std::size_t first)
{
    for (std::size_t i = first; i < scene.rectangles.size();) {
        const Rgb color = scene.rectangles[i].color;
        std::size_t end = i + 1;
        while (end < scene.rectangles.size() && scene.rectangles[end].color == color)
            ++end;
        scene.runs.push_back({Primitive::Rectangles, VertexSource::Rectangles, i, end - i, color});
        i = end;
    }
}

// Where the frame puts the control points, in window pixels.
std::vector<WindowPoint> controlPointsInWindow(const CanvasModel &canvas, const SceneFrame &frame)
{
    std::vector<float> positions(canvas.controlPoints.size() * kPositionFloats);
    putPositions(canvas.controlPoints.data(), canvas.controlPoints.size(), positions.data());
    std::vector<WindowPoint> points;
    putWindowPoints(clipTransformOf(frame.view), positions.data(), canvas.controlPoints.size(),
                    static_cast<float>(frame.width), static_cast<float>(frame.height), points);
    return points;
}

void addCanvasAxesRuns(Look look, std::vector<DrawRun> &runs)
{
    for (std::size_t axis = 0; axis < kCanvasAxisColors.size(); ++axis) {
        const Rgb color = look == Look::HighContrast && axis == 1 ? kHighContrastYAxisColor
                                                                  : ambientLit(kCanvasAxisColors[axis]);
        runs.push_back({Primitive::Segments, VertexSource::CanvasAxes, 2 * axis, 2, color, kAxisLineWidth});
    }
    runs.push_back({Primitive::Points, VertexSource::CanvasAxisPoints, 0, kCanvasAxisPoints.size(),
                    ambientLit(kAxisPointColor), kAxisPointSize});
}

// The most runs a canvas scene has: the axes' four, three lines, four of markers and three of
// rectangles; reserved at once, so that a frame allocates them once.
constexpr std::size_t kCanvasRunsAtMost = 14;

} // namespace

std::vector<DrawRun> canvasAxesRuns(Look look)
{
    std::vector<DrawRun> runs;
    addCanvasAxesRuns(look, runs);
    return runs;
}

Scene canvasScene(const CanvasModel &canvas, const CurveBufferLayout &layout, Look look, const SceneFrame &frame)
{
    Scene scene;
    scene.runs.reserve(kCanvasRunsAtMost);
    addCanvasAxesRuns(look, scene.runs);
    scene.fixedRuns = scene.runs.size();
    const auto addLine = [&](std::size_t first, std::size_t count, Rgb color, float width, Dash dash) {
        if (count > 0)
            scene.runs.push_back({Primitive::Strip, VertexSource::LineBuffer, first, count, color, width, dash});
    };
    const bool highContrast = look == Look::HighContrast;
    const Rgb outline = highContrast ? kHighContrastOutlineColor : ambientLit(kOutlineColor);
    addLine(0, layout.curve, ambientLit(kCurveColor), kCurveLineWidth, {});
    addLine(layout.curve, layout.polygon, outline, kOutlineLineWidth, {});
    // Dashed in high contrast, so that the hull differs from the polygon by more than colour.
    addLine(layout.curve + layout.polygon, layout.hull, outline, kOutlineLineWidth,
            highContrast ? Dash{kHullDash, kHullGap} : Dash{});

    const auto addMarkers = [&](std::size_t first, std::size_t last, Rgb color) {
        if (first < last)
            scene.runs.push_back({Primitive::LitTriangles, VertexSource::MarkerBuffer, first * kMarkerVertices,
                                  (last - first) * kMarkerVertices, color});
    };
    for (const MarkerRun &run : controlMarkerRuns(layout.controlMarkers, layout.selectedMarker))
        addMarkers(run.first, run.last, run.color);
    addMarkers(layout.controlMarkers, layout.markers(), kSubdivisionMarkerColor);

    if (highContrast) {
        const std::size_t first = scene.rectangles.size();
        for (const WindowRect &rect : controlPointOutlines(controlPointsInWindow(canvas, frame), frame.pixelRatio))
            scene.rectangles.push_back(rect);
        addRectangleRuns(scene, first);
    }
    if (canvas.keyboardFocusShown) {
        const std::size_t first = scene.rectangles.size();
        for (const WindowRect &rect :
             keyboardFocusMarks(frame.width, frame.height, canvas.cursorX, canvas.cursorY, frame.pixelRatio))
            scene.rectangles.push_back(rect);
        addRectangleRuns(scene, first);
    }
    return scene;
}

Scene parameterScene(const ParameterModel &parameter)
{
    Scene scene;
    scene.runs.push_back({Primitive::Segments, VertexSource::ParameterAxes, 0, kParameterAxes.size(),
                          kParameterAxisColor, kParameterAxisWidth});
    scene.fixedRuns = scene.runs.size();
    std::size_t first = 0;
    for (const Polyline &curve : parameter.basisCurves) {
        if (!curve.empty())
            scene.runs.push_back({Primitive::Strip, VertexSource::ParameterLines, first, curve.size(),
                                  kParameterCurveColor, kParameterCurveWidth});
        first += curve.size();
    }
    // The parameter line, as wide as the curves.
    scene.runs.push_back(
        {Primitive::Segments, VertexSource::ParameterLines, first, 2, kParameterLineColor, kParameterCurveWidth});
    return scene;
}

Polyline parameterVertices(const ParameterModel &parameter)
{
    Polyline vertices;
    for (const Polyline &curve : parameter.basisCurves)
        vertices.insert(vertices.end(), curve.begin(), curve.end());
    vertices.push_back({parameter.u, 0, 0});
    vertices.push_back({parameter.u, 1, 0});
    return vertices;
}

} // namespace bezier
