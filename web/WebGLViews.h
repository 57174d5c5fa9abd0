#pragma once

#include "core/ViewTransform.h"
#include "web/PageState.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>

#include <array>
#include <vector>

// The two views drawn with WebGL2 from the same vertex arrays as the desktop. WebGL rasterises
// lines one pixel wide and has no large points, so lines and points are drawn as quads sized in
// device pixels, widened along the minor axis as the desktop's driver widens them. The quads are
// made in window space at each frame, where a segment's minor axis is known, so that the
// segments of a line strip share their corners: a software rasteriser's time goes by vertices.
// A position in window space: device pixels from the viewport's corner, and the depth.
struct WindowPoint
{
    float x, y, z;
};

class WebGLView
{
public:
    // A WebGL2 context on the canvas element `selector`; false where the browser has none.
    bool create(const char *selector);
    void makeCurrent() const;
    // Forgets the context, whose objects a loss has already taken.
    void destroy();
    // The drawing buffer's size in device pixels and the device pixel ratio.
    void resize(int width, int height, double ratio);
    int width() const { return deviceWidth; }
    int height() const { return deviceHeight; }

protected:
    // Lines and points as quads: a strip, separate segments or square points of `positions`.
    enum class LineKind { Strip, Segments, Points };
    void beginFrame(const ViewTransform &view);
    // Adds the lines or points of `count` positions to the frame, `width` device-independent
    // pixels wide.
    void addLines(const float *positions, std::size_t count, LineKind kind, float width, const float rgb[3]);
    void addLines(const std::vector<float> &positions, LineKind kind, float width, const float rgb[3]);
    // Draws what was added, in that order.
    void drawLines();

    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    int deviceWidth = 0;
    int deviceHeight = 0;
    double pixelRatio = 1.0;
    // Projection times modelview, in single precision as the driver multiplies.
    MatrixF transform{};

private:
    GLuint lineProgram = 0;
    GLuint lineArray = 0;
    GLuint lineBuffer = 0;
    struct LineRun
    {
        GLint first;
        GLsizei count;
        std::array<float, 3> rgb;
    };
    // The frame's quads: a triangle strip of window positions for each run.
    std::vector<float> lineStrip;
    std::vector<LineRun> lineRuns;
    std::vector<WindowPoint> windowPoints;
};

class CanvasGLView : public WebGLView
{
public:
    bool create(const char *selector);
    // Fills the buffers from the canvas's members, as the desktop's buildCurveList does.
    void upload(const PageCanvas &canvas);
    // Draws a frame and returns the view it was drawn in, which the next press unprojects with.
    ViewTransform paint(const PageCanvas &canvas);

private:
    GLuint markerProgram = 0;
    GLuint markerArray = 0;
    GLuint markerBuffer = 0;
    // What upload took from the canvas: the curve, the polygon and the hull, in drawing order.
    std::vector<float> linePositions;
    GLsizei curveCount = 0;
    GLsizei polygonCount = 0;
    GLsizei hullCount = 0;
    GLsizei controlMarkers = 0;
    GLsizei subdivisionMarkers = 0;
    int selectedMarker = -1;
    // One batch of markers on its way to the buffer, kept between uploads: a drag uploads at
    // every event.
    std::vector<float> markerBatch;
};

class ParameterGLView : public WebGLView
{
public:
    bool create(const char *selector);
    void upload(const PageParameter &parameter);
    void paint();

private:
    // The basis curves, then the parameter line.
    std::vector<float> curvePositions;
    std::vector<GLsizei> curveCounts;
};
