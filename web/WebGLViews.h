#pragma once

#include "core/ViewTransform.h"
#include "web/PageState.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>

#include <vector>

// The two views drawn with WebGL2 from the same vertex arrays as the desktop. WebGL rasterises
// lines one pixel wide and has no large points, so lines and points are drawn as quads sized in
// device pixels, widened along the minor axis as the desktop's driver widens them.
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
    void drawLines(GLuint buffer, GLint first, GLsizei count, LineKind kind, float width, const float rgb[3]);
    void beginFrame(const ViewTransform &view);

    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    int deviceWidth = 0;
    int deviceHeight = 0;
    double pixelRatio = 1.0;
    GLuint lineProgram = 0;
    GLuint lineArray = 0;
    // Projection times modelview, in single precision as the driver multiplies.
    MatrixF transform{};
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
    GLuint axesBuffer = 0;
    GLuint lineBuffer = 0;
    GLuint markerBuffer = 0;
    // What upload put in the buffers, in drawing order.
    GLsizei curveCount = 0;
    GLsizei polygonCount = 0;
    GLsizei hullCount = 0;
    GLsizei controlMarkers = 0;
    GLsizei subdivisionMarkers = 0;
    int selectedMarker = -1;
    std::vector<float> scratch;
};

class ParameterGLView : public WebGLView
{
public:
    bool create(const char *selector);
    void upload(const PageParameter &parameter);
    void paint();

private:
    GLuint axesBuffer = 0;
    GLuint curveBuffer = 0;
    std::vector<GLsizei> curveCounts;
};
