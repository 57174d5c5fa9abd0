#include "web/WebGLViews.h"

#include "core/CanvasLook.h"

#include <emscripten/console.h>

#include <algorithm>
#include <string>

using namespace bezier;

namespace {

// Lines and points as quads already in window space, in device pixels.
constexpr const char *kLineVertexShader = R"(#version 300 es
uniform vec2 viewportSize;
layout(location = 0) in vec3 windowPosition;
void main()
{
    gl_Position = vec4(windowPosition.xy / viewportSize * 2.0 - 1.0, windowPosition.z, 1.0);
}
)";

constexpr const char *kColorFragmentShader = R"(#version 300 es
precision highp float;
uniform vec3 color;
out vec4 fragment;
void main()
{
    fragment = vec4(color, 1.0);
}
)";

// The markers, lit per vertex as the desktop lights them.
constexpr const char *kMarkerVertexShader = R"(#version 300 es
uniform mat4 transform;
uniform mat3 normalTransform;
uniform vec3 lightDirection;
uniform vec3 material;
uniform float sceneAmbient;
uniform float lightDiffuse;
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
flat out vec3 litColor;
void main()
{
    // Fixed-function lighting with one directional light and a black specular material:
    // clamp(material * (sceneAmbient + max(n . L, 0) * lightDiffuse)), n not renormalised.
    float diffuse = max(dot(normalTransform * normal, lightDirection), 0.0);
    litColor = min(material * (sceneAmbient + diffuse * lightDiffuse), vec3(1.0));
    gl_Position = transform * vec4(position, 1.0);
}
)";

constexpr const char *kMarkerFragmentShader = R"(#version 300 es
precision highp float;
flat in vec3 litColor;
out vec4 fragment;
void main()
{
    fragment = vec4(litColor, 1.0);
}
)";

// The attributes' fixed locations, as the shaders declare them.
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kNormalAttribute = 1;

// A compiled shader, or 0 with the compiler's log on the console.
GLuint compiledShader(GLenum type, const char *source)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE)
        return shader;
    std::string log(4096, '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    emscripten_console_error(("A shader failed to compile: " + std::string(log.c_str())).c_str());
    glDeleteShader(shader);
    return 0;
}

const void *byteOffset(std::size_t floats)
{
    return reinterpret_cast<const void *>(floats * sizeof(float));
}

// Markers are uploaded this many at a time, so a large curve needs no second copy of itself.
constexpr std::size_t kMarkersPerUpload = 4096;

} // namespace

GLuint WebGLView::linkedProgram(const char *vertexSource, const char *fragmentSource)
{
    const GLuint vertex = compiledShader(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragment = compiledShader(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = 0;
    if (vertex && fragment) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            std::string log(4096, '\0');
            glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
            emscripten_console_error(("The shaders failed to link: " + std::string(log.c_str())).c_str());
            glDeleteProgram(program);
            program = 0;
        }
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

WebGLView::Start WebGLView::create(const char *selector)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.premultipliedAlpha = false;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    context = emscripten_webgl_create_context(selector, &attributes);
    if (context <= 0)
        return Start::NoWebGL2;
    makeCurrent();
    glDisable(GL_DITHER);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    lineProgram = linkedProgram(kLineVertexShader, kColorFragmentShader);
    if (!lineProgram)
        return Start::ShadersFailed;
    viewportSizeLocation = glGetUniformLocation(lineProgram, "viewportSize");
    colorLocation = glGetUniformLocation(lineProgram, "color");
    glGenVertexArrays(1, &lineArray);
    glGenBuffers(1, &lineBuffer);
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    return Start::Ready;
}

void WebGLView::makeCurrent() const
{
    emscripten_webgl_make_context_current(context);
}

void WebGLView::destroy()
{
    if (context > 0)
        emscripten_webgl_destroy_context(context);
    context = 0;
}

void WebGLView::resize(int width, int height, double ratio)
{
    deviceWidth = width;
    deviceHeight = height;
    pixelRatio = ratio;
}

void WebGLView::beginFrame(const ViewTransform &view)
{
    makeCurrent();
    glViewport(view.viewport[0], view.viewport[1], view.viewport[2], view.viewport[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    transform = clipTransformOf(view);
}

const std::vector<WindowPoint> &WebGLView::toWindow(const float *positions, std::size_t count)
{
    putWindowPoints(transform, positions, count, static_cast<float>(deviceWidth), static_cast<float>(deviceHeight),
                    windowPoints);
    return windowPoints;
}

void WebGLView::addLines(const DrawRun &run, const float *positions)
{
    toWindow(positions, run.count);
    const GLint first = static_cast<GLint>(lineStrip.size() / kPositionFloats);
    const float halfWidth = halfLineWidth(run.width, pixelRatio);
    const auto ratio = static_cast<float>(pixelRatio);
    const LineKind kind = run.primitive == Primitive::Segments ? LineKind::Segments
                          : run.primitive == Primitive::Points ? LineKind::Points
                                                               : LineKind::Strip;
    const std::size_t added
        = run.dash.dash > 0.0f
              ? appendDashedStrip(windowPoints.data(), run.count, halfWidth, run.dash.dash * ratio,
                                  run.dash.gap * ratio, static_cast<float>(deviceWidth), static_cast<float>(deviceHeight), lineStrip)
              : appendLineQuads(windowPoints.data(), run.count, kind, halfWidth, lineStrip);
    if (added > 0)
        lineRuns.push_back({first, static_cast<GLsizei>(added), run.color});
}

template <typename Vertices, typename DrawTriangles>
void WebGLView::execute(const Scene &scene, Vertices vertices, DrawTriangles drawTriangles)
{
    for (const DrawRun &run : scene.runs) {
        switch (run.primitive) {
        case Primitive::LitTriangles:
            // What was added lies under the triangles, as it was drawn first.
            drawLines();
            drawTriangles(run);
            break;
        case Primitive::Rectangles:
            for (std::size_t i = run.first; i < run.first + run.count; ++i)
                addRectangle(scene.rectangles[i]);
            break;
        default:
            addLines(run, vertices(run));
            break;
        }
    }
    drawLines();
}

void WebGLView::addRectangle(const WindowRect &rect)
{
    const GLint first = static_cast<GLint>(lineStrip.size() / kPositionFloats);
    // On top of everything: the near plane.
    const std::size_t added = appendRectangle(rect, -1.0f, lineStrip);
    lineRuns.push_back({first, static_cast<GLsizei>(added), rect.color});
}

void WebGLView::drawLines()
{
    // Each call crosses into the browser's script: nothing to draw costs nothing.
    if (lineRuns.empty()) {
        lineStrip.clear();
        return;
    }
    glUseProgram(lineProgram);
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lineStrip.size() * sizeof(float)), lineStrip.data(),
                 GL_STREAM_DRAW);
    glUniform2f(viewportSizeLocation, static_cast<float>(deviceWidth), static_cast<float>(deviceHeight));
    for (const LineRun &run : lineRuns) {
        glUniform3f(colorLocation, run.color.red, run.color.green, run.color.blue);
        glDrawArrays(GL_TRIANGLE_STRIP, run.first, run.count);
    }
    lineStrip.clear();
    lineRuns.clear();
}

WebGLView::Start CanvasGLView::create(const char *selector)
{
    if (const Start start = WebGLView::create(selector); start != Start::Ready)
        return start;
    markerProgram = linkedProgram(kMarkerVertexShader, kMarkerFragmentShader);
    if (!markerProgram)
        return Start::ShadersFailed;
    const auto location = [this](const char *name) { return glGetUniformLocation(markerProgram, name); };
    markerLocations = {location("transform"), location("normalTransform"), location("lightDirection"),
                       location("material"), location("sceneAmbient"), location("lightDiffuse")};
    glGenVertexArrays(1, &markerArray);
    glGenBuffers(1, &markerBuffer);
    glBindVertexArray(markerArray);
    glBindBuffer(GL_ARRAY_BUFFER, markerBuffer);
    constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
    glEnableVertexAttribArray(kPositionAttribute);
    glEnableVertexAttribArray(kNormalAttribute);
    glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(0));
    glVertexAttribPointer(kNormalAttribute, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(kPositionFloats));
    return Start::Ready;
}

void CanvasGLView::upload(const CanvasModel &canvas)
{
    makeCurrent();
    layout = curveBufferLayout(canvas);
    linePositions.resize(layout.lineVertices() * kPositionFloats);
    putLinePositions(canvas, layout, linePositions.data());

    constexpr std::size_t markerFloats = kMarkerVertices * kLitVertexFloats;
    const std::size_t markers = layout.markers();
    glBindBuffer(GL_ARRAY_BUFFER, markerBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(markers * markerFloats * sizeof(float)), nullptr,
                 GL_DYNAMIC_DRAW);
    markerBatch.resize(std::min(kMarkersPerUpload, markers) * markerFloats);
    for (std::size_t done = 0; done < markers; done += kMarkersPerUpload) {
        const std::size_t batch = std::min(kMarkersPerUpload, markers - done);
        putMarkerVertices(canvas, layout, done, done + batch, markerBatch.data());
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(done * markerFloats * sizeof(float)),
                        static_cast<GLsizeiptr>(batch * markerFloats * sizeof(float)), markerBatch.data());
    }
}

ViewTransform CanvasGLView::paint(const CanvasModel &canvas)
{
    const ViewTransform view = viewTransformOf(
        deviceWidth, deviceHeight,
        canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot, canvas.zRot),
        canvasProjection());
    beginFrame(view);
    const Scene scene = canvasScene(canvas, layout, lookOf(canvas), {view, deviceWidth, deviceHeight, pixelRatio});
    std::array<float, kCanvasAxes.size() * kPositionFloats> axes;
    putPositions(kCanvasAxes.data(), kCanvasAxes.size(), axes.data());
    std::array<float, kCanvasAxisPoints.size() * kPositionFloats> axisPoints;
    putPositions(kCanvasAxisPoints.data(), kCanvasAxisPoints.size(), axisPoints.data());
    const auto vertices = [&](const DrawRun &run) {
        const float *source = run.source == VertexSource::CanvasAxes         ? axes.data()
                              : run.source == VertexSource::CanvasAxisPoints ? axisPoints.data()
                                                                             : linePositions.data();
        return source + run.first * kPositionFloats;
    };
    bool lightSet = false;
    const auto drawTriangles = [&](const DrawRun &run) {
        glUseProgram(markerProgram);
        glBindVertexArray(markerArray);
        if (!lightSet) {
            glUniformMatrix4fv(markerLocations.transform, 1, GL_FALSE, transform.data());
            glUniformMatrix3fv(markerLocations.normalTransform, 1, GL_FALSE, normalMatrixOf(view.modelview).data());
            glUniform3fv(markerLocations.lightDirection, 1, lightDirection().data());
            glUniform1f(markerLocations.sceneAmbient, kSceneAmbient);
            glUniform1f(markerLocations.lightDiffuse, kLightIntensity);
            lightSet = true;
        }
        glUniform3f(markerLocations.material, run.color.red, run.color.green, run.color.blue);
        glDrawArrays(GL_TRIANGLES, GLint(run.first), GLsizei(run.count));
    };
    execute(scene, vertices, drawTriangles);
    return view;
}

void ParameterGLView::upload(const ParameterModel &parameter)
{
    scene = parameterScene(parameter);
    const Polyline vertices = parameterVertices(parameter);
    linePositions.resize(vertices.size() * kPositionFloats);
    putPositions(vertices.data(), vertices.size(), linePositions.data());
}

void ParameterGLView::paint()
{
    beginFrame(viewTransformOf(deviceWidth, deviceHeight, parameterModelview(), parameterProjection()));
    std::array<float, kParameterAxes.size() * kPositionFloats> axes;
    putPositions(kParameterAxes.data(), kParameterAxes.size(), axes.data());
    const auto vertices = [&](const DrawRun &run) {
        return (run.source == VertexSource::ParameterAxes ? axes.data() : linePositions.data())
               + run.first * kPositionFloats;
    };
    execute(scene, vertices, [](const DrawRun &) {});
}
