// The page's entry: the canvas and the parameter view as the desktop dialog wires them, driven
// by the page's script through the functions below. The rules are the desktop's, from the core.
#include "core/BernsteinBasis.h"
#include "web/PageState.h"
#include "web/WebGLViews.h"

#include <emscripten.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

PageCanvas canvas;
PageParameter parameter;
CanvasGLView canvasView;
ParameterGLView parameterView;
// The view of the canvas's last paint, which presses and drags unproject with.
ViewTransform lastCanvasView;
double pixelRatio = 1.0;
// The views' drawing buffers in device pixels, as last given.
struct ViewSizes
{
    int canvasWidth = 0;
    int canvasHeight = 0;
    int parameterWidth = 0;
    int parameterHeight = 0;
} viewSizes;
// The part of the trace after its last complete line.
std::string openTraceLine;

// Appends to the module's `trace` the exact bytes, and writes each completed line to the console.
EM_JS(void, appendTrace, (const char *text), {
    const bytes = UTF8ToString(text);
    Module.trace = (Module.trace || "") + bytes;
});
EM_JS(void, logTraceLine, (const char *line), { console.log(UTF8ToString(line)); });

void writeTrace(const std::string &text)
{
    appendTrace(text.c_str());
    openTraceLine += text;
    for (std::size_t end; (end = openTraceLine.find('\n')) != std::string::npos;) {
        logTraceLine(openTraceLine.substr(0, end).c_str());
        openTraceLine.erase(0, end + 1);
    }
}

// Marks the module before stopping, so the page can say that memory, and not a fault, stopped it.
EM_JS(void, markOutOfMemory, (), { Module.outOfMemory = true; });

[[noreturn]] void stopOutOfMemory()
{
    markOutOfMemory();
    std::abort();
}

void paintCanvas()
{
    lastCanvasView = canvasView.paint(canvas);
}

void setDegree(int count)
{
    parameter.degree = count < 0 ? 0 : count;
    parameter.basisCurves = bernsteinBasisCurves(parameter.degree);
    parameterView.upload(parameter);
    parameterView.paint();
}

// What follows an edit on the desktop: the levels, the buffers when the levels or a display
// flag changed, the count announced, the repaint.
void finishEdit(const EditResult &edit, bool flagsChanged)
{
    if (edit.levelsNeedRebuild)
        recomputeLevels(canvas.state());
    if (edit.levelsNeedRebuild || flagsChanged)
        canvasView.upload(canvas);
    if (edit.countChanged)
        setDegree(static_cast<int>(canvas.controlPoints.size()));
    paintCanvas();
}

int devicePosition(double position)
{
    return devicePixel(position, pixelRatio);
}

} // namespace

extern "C" {

// Makes both WebGL2 contexts; 0 on success, 1 where the browser gives no WebGL2.
EMSCRIPTEN_KEEPALIVE int bezierStart()
{
    std::set_new_handler(stopOutOfMemory);
    if (!canvasView.create("#canvas") || !parameterView.create("#parameter"))
        return 1;
    canvasView.upload(canvas);
    parameterView.upload(parameter);
    return 0;
}

// The views' drawing buffers in device pixels, at `ratio` device pixels per CSS pixel.
EMSCRIPTEN_KEEPALIVE void bezierResize(int canvasWidth, int canvasHeight, int parameterWidth, int parameterHeight,
                                       double ratio)
{
    pixelRatio = ratio;
    viewSizes = {canvasWidth, canvasHeight, parameterWidth, parameterHeight};
    canvasView.resize(canvasWidth, canvasHeight, ratio);
    parameterView.resize(parameterWidth, parameterHeight, ratio);
    paintCanvas();
    parameterView.paint();
}

// Makes a view's context anew (0 the canvas, 1 the parameter view) after the browser restored
// it without any of its objects, and draws the same picture from the state kept here.
EMSCRIPTEN_KEEPALIVE int bezierRestoreView(int view)
{
    if (view == 0) {
        canvasView.destroy();
        canvasView = CanvasGLView();
        if (!canvasView.create("#canvas"))
            return 1;
        canvasView.upload(canvas);
    } else {
        parameterView.destroy();
        parameterView = ParameterGLView();
        if (!parameterView.create("#parameter"))
            return 1;
        parameterView.upload(parameter);
    }
    bezierResize(viewSizes.canvasWidth, viewSizes.canvasHeight, viewSizes.parameterWidth, viewSizes.parameterHeight,
                 pixelRatio);
    return 0;
}

EMSCRIPTEN_KEEPALIVE void bezierSetZoom(int value)
{
    setZoom(canvas.state(), value);
    paintCanvas();
}

EMSCRIPTEN_KEEPALIVE void bezierSetZRotation(int degrees)
{
    setZRotation(canvas.state(), degrees);
    paintCanvas();
}

EMSCRIPTEN_KEEPALIVE void bezierSetAddMode()
{
    setAddMode(canvas.state());
}

EMSCRIPTEN_KEEPALIVE void bezierSetMoveMode()
{
    setMoveMode(canvas.state());
}

EMSCRIPTEN_KEEPALIVE void bezierSetSelectMode()
{
    setSelectMode(canvas.state());
}

EMSCRIPTEN_KEEPALIVE void bezierDeleteAllControlPoints()
{
    finishEdit(deleteAllControlPoints(canvas.state()), true);
}

EMSCRIPTEN_KEEPALIVE void bezierChangeDrawLevel(int level)
{
    finishEdit(changeDrawLevel(canvas.state(), level), false);
}

EMSCRIPTEN_KEEPALIVE void bezierSetShowConvexHull(int show)
{
    setShowConvexHull(canvas.state(), show != 0);
    finishEdit({}, true);
}

EMSCRIPTEN_KEEPALIVE void bezierSetShowSubDivPoints(int show)
{
    setShowSubDivPoints(canvas.state(), show != 0);
    finishEdit({}, true);
}

// A press at (x, y) CSS pixels from the canvas's top left; button 1 is the primary one.
EMSCRIPTEN_KEEPALIVE void bezierPress(double x, double y, int button)
{
    const EditResult edit
        = mousePress(canvas.state(), lastCanvasView, kTwinProjection, devicePosition(x), devicePosition(y), button);
    writeTrace(edit.trace);
    finishEdit(edit, false);
}

EMSCRIPTEN_KEEPALIVE void bezierMove(double x, double y)
{
    finishEdit(mouseMove(canvas.state(), lastCanvasView, kTwinProjection, devicePosition(x), devicePosition(y)), false);
}

// What the tests read: the counts the two views show.
EMSCRIPTEN_KEEPALIVE int bezierControlPointCount()
{
    return static_cast<int>(canvas.controlPoints.size());
}

EMSCRIPTEN_KEEPALIVE int bezierBasisCurveCount()
{
    return static_cast<int>(parameter.basisCurves.size());
}

} // extern "C"
