#pragma once

#include "core/CanvasModel.h"
#include "core/ParameterModel.h"
#include "core/Scene.h"
#include "core/VertexArrays.h"
#include "core/WindowQuads.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>

#include <array>
#include <vector>

// The two views drawn with WebGL2 from the core's vertex arrays. WebGL rasterises lines one
// pixel wide and has no large points, so lines and points are drawn as the core's window-space
// quads, made at each frame.
class WebGLView
{
public:
    enum class Start { Ready, NoWebGL2, ShadersFailed };
    // A WebGL2 context on the canvas element `selector`, with its programs.
    Start create(const char *selector);
    void makeCurrent() const;
    // Forgets the context, whose objects a loss has already taken.
    void destroy();
    // The drawing buffer's size in device pixels and the device pixel ratio.
    void resize(int width, int height, double ratio);

protected:
    void beginFrame(const bezier::ViewTransform &view);
    // Executes the scene's runs in order, `vertices` giving the positions of each line run's
    // source and `drawTriangles` drawing the lit ones.
    template <typename Vertices, typename DrawTriangles>
    void execute(const bezier::Scene &scene, Vertices vertices, DrawTriangles drawTriangles);
    // A program of the two shaders; 0, with the compiler's log on the console, where either fails.
    static GLuint linkedProgram(const char *vertexSource, const char *fragmentSource);

    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    int deviceWidth = 0;
    int deviceHeight = 0;
    double pixelRatio = 1.0;
    // Projection times modelview, in single precision as the driver multiplies.
    bezier::MatrixF transform{};

private:
    // Adds a line run's quads to the frame, from its vertices' positions.
    void addLines(const bezier::DrawRun &run, const float *positions);
    // Where `transform` puts `count` positions, in window pixels.
    const std::vector<bezier::WindowPoint> &toWindow(const float *positions, std::size_t count);
    void addRectangle(const bezier::WindowRect &rect);
    // Draws what was added, in that order.
    void drawLines();

    GLuint lineProgram = 0;
    GLint viewportSizeLocation = -1;
    GLint colorLocation = -1;
    GLuint lineArray = 0;
    GLuint lineBuffer = 0;
    struct LineRun
    {
        GLint first;
        GLsizei count;
        bezier::Rgb color;
    };
    // The frame's quads: a triangle strip of window positions for each run.
    std::vector<float> lineStrip;
    std::vector<LineRun> lineRuns;
    std::vector<bezier::WindowPoint> windowPoints;
};

class CanvasGLView : public WebGLView
{
public:
    Start create(const char *selector);
    // Fills the buffers from the canvas's members, as the desktop's buildCurveList does.
    void upload(const bezier::CanvasModel &canvas);
    // Draws the canvas's scene and returns the view it was drawn in, which the next press
    // unprojects with.
    bezier::ViewTransform paint(const bezier::CanvasModel &canvas);
    // The marker drawn as selected, which a press in Move mode changes before the buffers
    // show it: a context made anew keeps the one shown.
    int shownSelection() const { return layout.selectedMarker; }
    void showSelection(int marker) { layout.selectedMarker = marker; }

private:
    GLuint markerProgram = 0;
    struct MarkerLocations
    {
        GLint transform = -1;
        GLint normalTransform = -1;
        GLint lightDirection = -1;
        GLint material = -1;
        GLint sceneAmbient = -1;
        GLint lightDiffuse = -1;
    } markerLocations;
    GLuint markerArray = 0;
    GLuint markerBuffer = 0;
    // What upload took from the canvas.
    bezier::CurveBufferLayout layout;
    std::vector<float> linePositions;
    // One batch of markers on its way to the buffer, kept between uploads: a drag uploads at
    // every event.
    std::vector<float> markerBatch;
};

class ParameterGLView : public WebGLView
{
public:
    void upload(const bezier::ParameterModel &parameter);
    void paint();

private:
    bezier::Scene scene;
    // The positions of the scene's ParameterLines runs.
    std::vector<float> linePositions;
};
