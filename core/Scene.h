#pragma once

#include "core/CanvasLook.h"
#include "core/CanvasModel.h"
#include "core/ParameterModel.h"
#include "core/VertexArrays.h"
#include "core/ViewTransform.h"
#include "core/WindowQuads.h"

#include <cstddef>
#include <vector>

namespace bezier {

// What each view draws, in order, decided once for every front end: a front end executes the
// runs and decides nothing of colour, width, order or what is shown.

// The canvas's look: the default, or high contrast, for the page's switch, the user's contrast
// preference, Windows' high-contrast setting and the key H.
enum class Look { Default, HighContrast };
inline Look lookOf(const CanvasModel &canvas)
{
    return canvas.highContrast ? Look::HighContrast : Look::Default;
}

// Where a run's vertices are.
enum class VertexSource {
    // The canvas's axes and the points at their ends: kCanvasAxes and kCanvasAxisPoints.
    CanvasAxes,
    CanvasAxisPoints,
    // The canvas's line and marker buffers, as curveBufferLayout orders them.
    LineBuffer,
    MarkerBuffer,
    // The scene's own rectangles, in window pixels.
    Rectangles,
    // The parameter view's axes (kParameterAxes), and its curves then its parameter line
    // (parameterVertices).
    ParameterAxes,
    ParameterLines,
};

enum class Primitive {
    // Lines of `width` logical pixels: separate segments, or one strip.
    Segments,
    Strip,
    // Square points `width` logical pixels wide.
    Points,
    // The markers' triangles, lit: `color` is their material under the canvas's light.
    LitTriangles,
    // Filled window rectangles on top of everything.
    Rectangles,
};

// Dashes and gaps along a line, in logical pixels; a zero dash draws it solid.
struct Dash
{
    float dash = 0.0f;
    float gap = 0.0f;
};

struct DrawRun
{
    Primitive primitive;
    VertexSource source;
    // The range in the source, in vertices (rectangles for Rectangles).
    std::size_t first;
    std::size_t count;
    // As shown, but for lit triangles.
    Rgb color;
    float width = 0.0f;
    Dash dash{};
};

struct Scene
{
    std::vector<DrawRun> runs;
    // How many runs at the front depend on the look alone, which a front end may keep (in a
    // display list).
    std::size_t fixedRuns = 0;
    std::vector<WindowRect> rectangles;
};

// What a frame is drawn into: the view, and the drawing buffer in device pixels at `pixelRatio`
// device pixels per logical pixel.
struct SceneFrame
{
    ViewTransform view;
    int width = 0;
    int height = 0;
    double pixelRatio = 1.0;
};

// The canvas's axes in the look: the fixed runs of every canvas scene.
std::vector<DrawRun> canvasAxesRuns(Look look);

// The canvas's picture: the axes, the curve, the control polygon and the hull where shown, the
// control points' markers with the selected one, the subdivision points' where shown, in the
// high-contrast look the control points' outlines, and where the keyboard is in use the focus
// frame and the cursor.
Scene canvasScene(const CanvasModel &canvas, const CurveBufferLayout &layout, Look look, const SceneFrame &frame);

// The parameter view's picture: the axes, each basis curve and the parameter line.
Scene parameterScene(const ParameterModel &parameter);
// The vertices that picture's ParameterLines runs index: the basis curves, then the line at u.
Polyline parameterVertices(const ParameterModel &parameter);

} // namespace bezier
