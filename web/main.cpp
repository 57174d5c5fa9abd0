// The page's entry: the canvas and the parameter view as the desktop dialog wires them, driven
// by the page's script through the functions below. The rules are the desktop's, from the core.
#include "core/CanvasEditing.h"
#include "core/ParameterModel.h"
#include "core/SceneSvg.h"
#include "core/TextFit.h"
#include "web/WebGLViews.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>

using namespace bezier;

namespace {

CanvasModel canvas;
ParameterModel parameter;
CanvasGLView canvasView;
ParameterGLView parameterView;
// The view of the canvas's last paint, which presses and drags unproject with.
ViewTransform lastCanvasView;
// Device pixels per logical pixel of each view: the screen's ratio, times the view's scale where
// the window is too narrow for it.
double canvasPixelRatio = 1.0;
double parameterPixelRatio = 1.0;
// The views' drawing buffers in device pixels, as last given.
struct ViewSizes
{
    int canvasWidth = 0;
    int canvasHeight = 0;
    int parameterWidth = 0;
    int parameterHeight = 0;
} viewSizes;
// The points as the page's table shows them, so that only the rows that changed are rewritten.
Polyline tabledPoints;
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
    if (text.empty())
        return;
    appendTrace(text.c_str());
    openTraceLine += text;
    for (std::size_t end; (end = openTraceLine.find('\n')) != std::string::npos;) {
        logTraceLine(openTraceLine.substr(0, end).c_str());
        openTraceLine.erase(0, end + 1);
    }
}

// The desktop text fitter's sizes, for the page's script to fit its texts alike.
EM_JS(void, shareTextFit, (double minimumPointSize, double pointSizeStep), {
    Module.textFit = {minimumPointSize, pointSizeStep};
});

// Says the change in the page's polite live region; a sentence still waiting for the focus's
// events is older, and is dropped.
EM_JS(void, announce, (const char *text), {
    clearTimeout(Module.sentenceAfterFocus);
    Module.announce(UTF8ToString(text));
});

// The same in a task after this one, so that a screen reader has the focus's own events first.
EM_JS(void, announceAfterFocus, (const char *text), {
    const sentence = UTF8ToString(text);
    Module.sentenceAfterFocus = setTimeout(() => Module.announce(sentence), 50);
});

// The parameter view's text alternative.
EM_JS(void, describeBasis, (const char *text), {
    document.getElementById("parameter-text").textContent = UTF8ToString(text);
});

// A row of the page's table of control points, and the number of rows with the table's caption;
// the page's script builds them.
EM_JS(void, showPointRow, (int index, const char *x, const char *y), {
    Module.showPointRow(index, UTF8ToString(x), UTF8ToString(y));
});
EM_JS(void, showPointCount, (int count, const char *caption), {
    Module.showPointCount(count, UTF8ToString(caption));
});

// Undo and Redo enabled where they would do something, the mode's button pressed, the contrast
// switch as the look is.
EM_JS(void, showControls, (int canUndo, int canRedo, int mode, int highContrast), {
    Module.showControls(canUndo !== 0, canRedo !== 0, mode, highContrast !== 0);
});

// A complete change of the curve or its view, for the page to keep in its address.
EM_JS(void, curveChanged, (), { Module.curveChanged(); });

// The view's controls as an opened link set them.
EM_JS(void, showView, (int level, int zoom, int rotation, int hull, int subdivision), {
    Module.showView(level, zoom, rotation, hull !== 0, subdivision !== 0);
});

// A sentence the page shows as well as says: a link that could not be opened.
EM_JS(void, notify, (const char *text), { Module.notify(UTF8ToString(text)); });

// Marks the module before stopping, so the page can say that memory, and not a fault, stopped it.
EM_JS(void, markOutOfMemory, (), { Module.outOfMemory = true; });

[[noreturn]] void stopOutOfMemory()
{
    markOutOfMemory();
    std::abort();
}

// The canvas's state in its details, rewritten only when it reads differently: after every edit
// and every change of the canvas's size.
EM_JS(void, showCanvasState, (const char *text), {
    document.getElementById("canvas-state").textContent = UTF8ToString(text);
});

void refreshCanvasState()
{
    static std::string shown;
    std::string state = canvasDescription(canvas, lastCanvasView, kTwinProjection, canvasPixelRatio);
    if (state == shown)
        return;
    shown = std::move(state);
    showCanvasState(shown.c_str());
}

void paintCanvas()
{
    lastCanvasView = canvasView.paint(canvas);
}

// The canvas's count to the parameter view, as the desktop's sendDegree reaches its setDegree.
void sendDegree()
{
    setDegree(parameter, static_cast<int>(canvas.controlPoints.size()));
    parameter.computeBasis();
    parameterView.upload(parameter);
    parameterView.paint();
    describeBasis(basisDescription(parameter).c_str());
}

void showTabledCount(std::size_t count)
{
    showPointCount(static_cast<int>(count), ("Control points. " + countText(count)).c_str());
}

void showTabledRow(std::size_t index)
{
    const Point3 &p = canvas.controlPoints[index];
    showPointRow(static_cast<int>(index), coordinateText(p.x).c_str(), coordinateText(p.y).c_str());
}

// The table after a complete change (not at each step of a drag): the rows that changed, then
// the count.
void refreshPointTable()
{
    const Polyline &points = canvas.controlPoints;
    if (canvas.hold.active || points == tabledPoints)
        return;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (i >= tabledPoints.size() || points[i] != tabledPoints[i])
            showTabledRow(i);
    tabledPoints = points;
    showTabledCount(points.size());
}

// The controls as last shown, so that a drag's every step writes nothing to the page.
struct ShownControls
{
    bool canUndo, canRedo;
    UserMode mode;
    bool highContrast;
    friend bool operator==(const ShownControls &, const ShownControls &) = default;
};
std::optional<ShownControls> shownControls;

void showControlsOf(const EditResult &edit)
{
    const ShownControls controls{edit.canUndo, edit.canRedo, edit.mode, edit.highContrast};
    if (controls == shownControls)
        return;
    shownControls = controls;
    showControls(controls.canUndo, controls.canRedo, controls.mode, controls.highContrast);
}

// What follows every rule, as on the desktop: the levels or the buffers brought up to date, the
// count announced, the trace written, the change said, the repaint, the count for Clear, the
// controls and the table (the depth has no receiver here: the page's script shows it).
void finishEdit(const EditResult &edit)
{
    if (edit.levelsNeedRebuild)
        canvas.recomputeLevels();
    if (edit.levelsNeedRebuild || edit.drawingChanged)
        canvasView.upload(canvas);
    if (edit.countChanged && !edit.countAfterRepaint)
        sendDegree();
    writeTrace(edit.trace);
    if (!edit.announcement.empty())
        announce(edit.announcement.c_str());
    if (edit.repaint)
        paintCanvas();
    if (edit.countChanged && edit.countAfterRepaint)
        sendDegree();
    showControlsOf(edit);
    refreshPointTable();
    if (edit.pointShownAgain >= 0)
        showTabledRow(static_cast<std::size_t>(edit.pointShownAgain));
    // Not during a drag or a hold: the address keeps complete curves only.
    if (!canvas.hold.active && (edit.repaint || edit.levelsNeedRebuild || edit.drawingChanged))
        curveChanged();
    refreshCanvasState();
}

// Text the page hands over through the heap, with its length: never through the stack, whose
// few megabytes a long paste or entry would overrun.
std::string_view textOf(const char *text, int length)
{
    return {text, static_cast<std::size_t>(std::max(length, 0))};
}

// The last text handed to the page, which reads it before the next call.
std::string handedText;

const char *handOver(std::string text)
{
    handedText = std::move(text);
    return handedText.c_str();
}

} // namespace

extern "C" {

// Makes both WebGL2 contexts: 0 on success, 1 where the browser gives no WebGL2, 2 where it
// cannot build the shaders.
EMSCRIPTEN_KEEPALIVE int bezierStart()
{
    std::set_new_handler(stopOutOfMemory);
    shareTextFit(kMinimumPointSize, kPointSizeStep);
    for (const WebGLView::Start start : {canvasView.create("#canvas"), parameterView.create("#parameter")})
        if (start != WebGLView::Start::Ready)
            return static_cast<int>(start);
    canvasView.upload(canvas);
    parameterView.upload(parameter);
    showTabledCount(0);
    return 0;
}

// The views' drawing buffers in device pixels, at their ratios of device pixels per logical
// pixel.
EMSCRIPTEN_KEEPALIVE void bezierResize(int canvasWidth, int canvasHeight, double canvasRatio, int parameterWidth,
                                       int parameterHeight, double parameterRatio)
{
    canvasPixelRatio = canvasRatio;
    parameterPixelRatio = parameterRatio;
    viewSizes = {canvasWidth, canvasHeight, parameterWidth, parameterHeight};
    canvasView.resize(canvasWidth, canvasHeight, canvasRatio);
    parameterView.resize(parameterWidth, parameterHeight, parameterRatio);
    paintCanvas();
    parameterView.paint();
    // The cursor's place in the curve's units follows the new size.
    refreshCanvasState();
}

// Makes a view's context anew (0 the canvas, 1 the parameter view) after the browser restored
// it without any of its objects, and draws the same picture from the state kept here; returns
// as bezierStart does.
EMSCRIPTEN_KEEPALIVE int bezierRestoreView(int view)
{
    if (view == 0) {
        const int shownSelection = canvasView.shownSelection();
        canvasView.destroy();
        canvasView = CanvasGLView();
        if (const WebGLView::Start start = canvasView.create("#canvas"); start != WebGLView::Start::Ready)
            return static_cast<int>(start);
        canvasView.upload(canvas);
        canvasView.showSelection(shownSelection);
    } else {
        parameterView.destroy();
        parameterView = ParameterGLView();
        if (const WebGLView::Start start = parameterView.create("#parameter"); start != WebGLView::Start::Ready)
            return static_cast<int>(start);
        parameterView.upload(parameter);
    }
    bezierResize(viewSizes.canvasWidth, viewSizes.canvasHeight, canvasPixelRatio, viewSizes.parameterWidth,
                 viewSizes.parameterHeight, parameterPixelRatio);
    return 0;
}

EMSCRIPTEN_KEEPALIVE void bezierSetZoom(int value)
{
    finishEdit(setZoom(canvas, value));
}

EMSCRIPTEN_KEEPALIVE void bezierSetZRotation(int degrees)
{
    finishEdit(setZRotation(canvas, degrees));
}

EMSCRIPTEN_KEEPALIVE void bezierSetAddMode()
{
    finishEdit(setAddMode(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierSetMoveMode()
{
    finishEdit(setMoveMode(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierSetSelectMode()
{
    finishEdit(setSelectMode(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierDeleteAllControlPoints()
{
    finishEdit(deleteAllControlPoints(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierChangeDrawLevel(int level)
{
    finishEdit(changeDrawLevel(canvas, level));
}

EMSCRIPTEN_KEEPALIVE void bezierSetShowConvexHull(int show)
{
    finishEdit(setShowConvexHull(canvas, show != 0));
}

EMSCRIPTEN_KEEPALIVE void bezierSetShowSubDivPoints(int show)
{
    finishEdit(setShowSubDivPoints(canvas, show != 0));
}

// A press at (x, y) logical pixels from the canvas's top left; button 1 is the primary one.
EMSCRIPTEN_KEEPALIVE void bezierPress(double x, double y, int button)
{
    finishEdit(mousePress(canvas, lastCanvasView, kTwinProjection, x, y, canvasPixelRatio, button));
}

EMSCRIPTEN_KEEPALIVE void bezierMove(double x, double y)
{
    finishEdit(mouseMove(canvas, lastCanvasView, kTwinProjection, x, y, canvasPixelRatio));
}

EMSCRIPTEN_KEEPALIVE void bezierRelease(double x, double y)
{
    finishEdit(mouseRelease(canvas, x, y));
}

// A key of the canvas (CanvasKey's order), with Shift for one-pixel steps.
EMSCRIPTEN_KEEPALIVE void bezierKey(int key, int fine)
{
    finishEdit(keyPress(canvas, lastCanvasView, kTwinProjection, static_cast<CanvasKey>(key), fine != 0,
                        canvasPixelRatio));
}

// Focus reached the canvas (from the keyboard, or not) or left it.
EMSCRIPTEN_KEEPALIVE void bezierFocus(int fromKeyboard)
{
    finishEdit(focusGained(canvas, fromKeyboard != 0));
    // What the desktop's screen reader reads from the canvas's description as it takes the focus.
    if (fromKeyboard != 0)
        announceAfterFocus(canvasDescription(canvas, lastCanvasView, kTwinProjection, canvasPixelRatio).c_str());
}

EMSCRIPTEN_KEEPALIVE void bezierBlur()
{
    finishEdit(focusLost(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierSetHighContrast(int on)
{
    finishEdit(setHighContrast(canvas, on != 0));
}

// A coordinate typed in the table (axis 0 is x, 1 is y), `length` bytes.
EMSCRIPTEN_KEEPALIVE void bezierSetControlPointCoordinate(int index, int axis, const char *text, int length)
{
    finishEdit(setControlPointCoordinate(canvas, index, axis, std::string(textOf(text, length))));
}

// Points pasted or dropped as text.
EMSCRIPTEN_KEEPALIVE void bezierPaste(const char *text, int length)
{
    finishEdit(pastePoints(canvas, textOf(text, length)));
}

// Opens the address's fragment: on load with nothing to undo, in an open tab as one step. A
// fragment that is no curve leaves an empty editor and says why.
EMSCRIPTEN_KEEPALIVE void bezierOpenLink(const char *text, int length, int undoable)
{
    const LinkReading reading = readLink(textOf(text, length));
    if (!reading.link) {
        // Never half a curve: on load the editor stays empty, in an open tab the curve stays as
        // it was, and the address shows it again.
        notify(("This link holds no curve the editor can open: " + reading.error
                + (undoable != 0 ? ". The curve stays as it was." : ". The editor starts empty."))
                   .c_str());
        if (undoable != 0)
            curveChanged();
        return;
    }
    const CurveLink &link = *reading.link;
    showView(link.drawLevel, link.zoomValue, link.rotation, link.showConvexHull, link.showSubDivPoints);
    finishEdit(openLink(canvas, link, undoable != 0));
}

// The fragment that opens the curve as it is; empty where it would be longer than a link may be.
EMSCRIPTEN_KEEPALIVE const char *bezierLinkFragment()
{
    static LinkWriter writer;
    std::string fragment = writer.fragment(linkOf(canvas));
    return handOver(fragment.size() <= kMaxExchangedBytes ? std::move(fragment) : std::string());
}

// The points as CSV text.
EMSCRIPTEN_KEEPALIVE const char *bezierCopiedPoints()
{
    return handOver(copiedPoints(canvas));
}

// A view's picture as SVG in its logical pixels (0 the canvas, 1 the parameter view), with the
// selection the canvas shows.
EMSCRIPTEN_KEEPALIVE const char *bezierSvg(int view)
{
    if (view != 0)
        return handOver(parameterSvg(parameter, viewSizes.parameterWidth / parameterPixelRatio,
                                     viewSizes.parameterHeight / parameterPixelRatio));
    CurveBufferLayout layout = curveBufferLayout(canvas);
    layout.selectedMarker = canvasView.shownSelection();
    return handOver(canvasSvg(canvas, layout, viewSizes.canvasWidth / canvasPixelRatio,
                              viewSizes.canvasHeight / canvasPixelRatio));
}

// Draws a view again (0 the canvas, 1 the parameter view), for the page to read its pixels in
// the same task.
EMSCRIPTEN_KEEPALIVE void bezierRepaint(int view)
{
    if (view == 0)
        paintCanvas();
    else
        parameterView.paint();
}

EMSCRIPTEN_KEEPALIVE void bezierUndo()
{
    finishEdit(undo(canvas));
}

EMSCRIPTEN_KEEPALIVE void bezierRedo()
{
    finishEdit(redo(canvas));
}

// How many points, as the page's sentences and file names say it: "5 points".
EMSCRIPTEN_KEEPALIVE const char *bezierPointAmount()
{
    return handOver(pointAmount(canvas.controlPoints.size()));
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
