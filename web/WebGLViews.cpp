#include "web/WebGLViews.h"

#include "core/BernsteinBasis.h"
#include "core/CanvasLook.h"
#include "core/VertexArrays.h"

#include <algorithm>
#include <cmath>

namespace {

// Lines and points as quads in window space: each six vertices are one segment (from, to) or
// one point (from), widened by halfWidth device pixels along the minor axis, or to a square.
constexpr const char *kLineVertexShader = R"(#version 300 es
uniform mat4 transform;
uniform vec2 viewportSize;
uniform float halfWidth;
uniform bool squares;
in vec3 from;
in vec3 to;
const vec2 corners[6] = vec2[6](vec2(0, -1), vec2(1, -1), vec2(0, 1), vec2(0, 1), vec2(1, -1), vec2(1, 1));
vec3 windowOf(vec3 p)
{
    vec4 clip = transform * vec4(p, 1.0);
    vec3 ndc = clip.xyz / clip.w;
    return vec3((ndc.xy * 0.5 + 0.5) * viewportSize, ndc.z);
}
void main()
{
    vec2 corner = corners[gl_VertexID % 6];
    vec3 a = windowOf(from);
    vec3 p;
    vec2 offset;
    if (squares) {
        p = a;
        offset = vec2(corner.x * 2.0 - 1.0, corner.y) * halfWidth;
    } else {
        vec3 b = windowOf(to);
        p = mix(a, b, corner.x);
        vec2 d = b.xy - a.xy;
        offset = abs(d.x) >= abs(d.y) ? vec2(0.0, corner.y * halfWidth) : vec2(corner.y * halfWidth, 0.0);
    }
    gl_Position = vec4((p.xy + offset) / viewportSize * 2.0 - 1.0, p.z, 1.0);
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
in vec3 position;
in vec3 normal;
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

GLuint compiledShader(GLenum type, const char *source)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

GLuint linkedProgram(const char *vertexSource, const char *fragmentSource)
{
    const GLuint program = glCreateProgram();
    const GLuint vertex = compiledShader(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragment = compiledShader(GL_FRAGMENT_SHADER, fragmentSource);
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

GLint uniform(GLuint program, const char *name)
{
    return glGetUniformLocation(program, name);
}

GLuint attribute(GLuint program, const char *name)
{
    return static_cast<GLuint>(glGetAttribLocation(program, name));
}

// The product a * b of column-major matrices in single precision.
MatrixF product(const MatrixF &a, const MatrixF &b)
{
    MatrixF p{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            p[column * 4 + row] = sum;
        }
    return p;
}

MatrixF toFloat(const std::array<double, 16> &m)
{
    MatrixF f{};
    std::transform(m.begin(), m.end(), f.begin(), [](double v) { return static_cast<float>(v); });
    return f;
}

// The inverse transpose of the modelview's upper 3 x 3, which turns normals: the transpose of
// the inverse's, as the modelview is affine. Zero where the modelview is singular (zoom 0), where
// nothing has an area to light.
std::array<float, 9> normalTransformOf(const std::array<double, 16> &modelview)
{
    std::array<float, 9> n{};
    if (const std::optional<std::array<double, 16>> inverse = inverted(modelview))
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                n[column * 3 + row] = static_cast<float>((*inverse)[row * 4 + column]);
    return n;
}

// Vertices of one quad: two triangles.
constexpr std::size_t kQuadVertices = 6;
// Each quad vertex holds the segment's two ends.
constexpr std::size_t kQuadVertexFloats = 2 * kPositionFloats;

// Uploads positions as quads, one per position: the segment from it to the next (to itself for
// the last), which draws strips, segments and points alike without instancing, which software
// rasterisers run one instance at a time.
void vertexPositions(GLuint buffer, const std::vector<float> &positions)
{
    const std::size_t count = positions.size() / kPositionFloats;
    std::vector<float> quads(count * kQuadVertices * kQuadVertexFloats);
    float *out = quads.data();
    for (std::size_t i = 0; i < count; ++i) {
        const float *from = &positions[i * kPositionFloats];
        const float *to = &positions[std::min(i + 1, count - 1) * kPositionFloats];
        for (std::size_t corner = 0; corner < kQuadVertices; ++corner) {
            out = std::copy(from, from + kPositionFloats, out);
            out = std::copy(to, to + kPositionFloats, out);
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quads.size() * sizeof(float)), quads.data(), GL_STATIC_DRAW);
}

std::vector<float> positionsOf(std::initializer_list<Point3> points)
{
    std::vector<float> positions(points.size() * kPositionFloats);
    putPositions(points.begin(), points.size(), positions.data());
    return positions;
}

const void *byteOffset(std::size_t floats)
{
    return reinterpret_cast<const void *>(floats * sizeof(float));
}

// Lines take ambient light only (the zero normal stays current after the axes): ambient times
// the material, clamped.
std::array<float, 3> ambientLit(Rgb color)
{
    return {std::min(1.0f, kSceneAmbient * color.red), std::min(1.0f, kSceneAmbient * color.green),
            std::min(1.0f, kSceneAmbient * color.blue)};
}

// Markers are uploaded this many at a time, so a large curve needs no second copy of itself.
constexpr std::size_t kMarkersPerUpload = 4096;

} // namespace

bool WebGLView::create(const char *selector)
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
        return false;
    makeCurrent();
    glDisable(GL_DITHER);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    lineProgram = linkedProgram(kLineVertexShader, kColorFragmentShader);
    glGenVertexArrays(1, &lineArray);
    return true;
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
    transform = product(toFloat(view.projection), toFloat(view.modelview));
}

void WebGLView::drawLines(GLuint buffer, GLint first, GLsizei count, LineKind kind, float width, const float rgb[3])
{
    if (kind == LineKind::Segments) {
        for (GLsizei pair = 0; pair + 1 < count; pair += 2)
            drawLines(buffer, first + pair, 2, LineKind::Strip, width, rgb);
        return;
    }
    const GLsizei quads = kind == LineKind::Points ? count : count - 1;
    if (quads <= 0)
        return;
    glUseProgram(lineProgram);
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    constexpr GLsizei stride = kQuadVertexFloats * sizeof(float);
    const GLuint from = attribute(lineProgram, "from");
    const GLuint to = attribute(lineProgram, "to");
    glEnableVertexAttribArray(from);
    glEnableVertexAttribArray(to);
    glVertexAttribPointer(from, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(0));
    glVertexAttribPointer(to, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(kPositionFloats));
    glUniformMatrix4fv(uniform(lineProgram, "transform"), 1, GL_FALSE, transform.data());
    glUniform2f(uniform(lineProgram, "viewportSize"), static_cast<float>(deviceWidth), static_cast<float>(deviceHeight));
    glUniform1f(uniform(lineProgram, "halfWidth"), static_cast<float>(width * pixelRatio / 2.0));
    glUniform1i(uniform(lineProgram, "squares"), kind == LineKind::Points);
    glUniform3fv(uniform(lineProgram, "color"), 1, rgb);
    glDrawArrays(GL_TRIANGLES, first * GLint(kQuadVertices), quads * GLsizei(kQuadVertices));
}

bool CanvasGLView::create(const char *selector)
{
    if (!WebGLView::create(selector))
        return false;
    markerProgram = linkedProgram(kMarkerVertexShader, kMarkerFragmentShader);
    glGenVertexArrays(1, &markerArray);
    GLuint buffers[3];
    glGenBuffers(3, buffers);
    axesBuffer = buffers[0];
    lineBuffer = buffers[1];
    markerBuffer = buffers[2];
    // The axes never change: three segments, then the four points.
    vertexPositions(axesBuffer, positionsOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1},
                                             {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}}));
    return true;
}

void CanvasGLView::upload(const PageCanvas &canvas)
{
    makeCurrent();
    curveCount = static_cast<GLsizei>(canvas.curve.size());
    polygonCount = canvas.showPolyline ? static_cast<GLsizei>(canvas.controlPoints.size()) : 0;
    hullCount = canvas.showConvexHull ? static_cast<GLsizei>(canvas.hull.size()) : 0;
    controlMarkers = static_cast<GLsizei>(canvas.controlPoints.size());
    subdivisionMarkers = canvas.showSubDivPoints ? curveCount : 0;
    selectedMarker = canvas.selectedPoint;

    scratch.resize(std::size_t(curveCount + polygonCount + hullCount) * kPositionFloats);
    float *out = putPositions(canvas.curve.data(), canvas.curve.size(), scratch.data());
    out = putPositions(canvas.controlPoints.data(), std::size_t(polygonCount), out);
    putPositions(canvas.hull.data(), std::size_t(hullCount), out);
    vertexPositions(lineBuffer, scratch);

    constexpr std::size_t markerFloats = kMarkerVertices * kLitVertexFloats;
    glBindBuffer(GL_ARRAY_BUFFER, markerBuffer);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(std::size_t(controlMarkers + subdivisionMarkers) * markerFloats * sizeof(float)),
                 nullptr, GL_DYNAMIC_DRAW);
    scratch.resize(kMarkersPerUpload * markerFloats);
    std::size_t uploaded = 0;
    for (const auto &[points, count, halfSize] :
         {std::tuple{canvas.controlPoints.data(), std::size_t(controlMarkers), kControlMarkerHalfSize},
          std::tuple{canvas.curve.data(), std::size_t(subdivisionMarkers), kSubdivisionMarkerHalfSize}}) {
        for (std::size_t done = 0; done < count; done += kMarkersPerUpload) {
            const std::size_t batch = std::min(kMarkersPerUpload, count - done);
            putMarkers(points + done, batch, halfSize, scratch.data());
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(uploaded * markerFloats * sizeof(float)),
                            static_cast<GLsizeiptr>(batch * markerFloats * sizeof(float)), scratch.data());
            uploaded += batch;
        }
    }
    scratch = std::vector<float>();
}

ViewTransform CanvasGLView::paint(const PageCanvas &canvas)
{
    const ViewTransform view = viewTransformOf(
        deviceWidth, deviceHeight,
        canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot, canvas.zRot),
        canvasProjection());
    beginFrame(view);

    // The axes, then the curve in the axis points' material, then the outlines.
    const Rgb axisColors[3] = {kXAxisColor, kYAxisColor, kZAxisColor};
    for (int axis = 0; axis < 3; ++axis)
        drawLines(axesBuffer, axis * 2, 2, LineKind::Segments, kAxisLineWidth, ambientLit(axisColors[axis]).data());
    const auto axisPointColor = ambientLit(kAxisPointColor);
    drawLines(axesBuffer, 6, 4, LineKind::Points, kAxisPointSize, axisPointColor.data());
    drawLines(lineBuffer, 0, curveCount, LineKind::Strip, kCurveLineWidth, axisPointColor.data());
    const auto outlineColor = ambientLit(kOutlineColor);
    drawLines(lineBuffer, curveCount, polygonCount, LineKind::Strip, kOutlineLineWidth, outlineColor.data());
    drawLines(lineBuffer, curveCount + polygonCount, hullCount, LineKind::Strip, kOutlineLineWidth,
              outlineColor.data());

    glUseProgram(markerProgram);
    glBindVertexArray(markerArray);
    glBindBuffer(GL_ARRAY_BUFFER, markerBuffer);
    const GLuint position = attribute(markerProgram, "position");
    const GLuint normal = attribute(markerProgram, "normal");
    constexpr GLsizei stride = kLitVertexFloats * sizeof(float);
    glEnableVertexAttribArray(position);
    glEnableVertexAttribArray(normal);
    glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(0));
    glVertexAttribPointer(normal, 3, GL_FLOAT, GL_FALSE, stride, byteOffset(kPositionFloats));
    glUniformMatrix4fv(uniform(markerProgram, "transform"), 1, GL_FALSE, transform.data());
    glUniformMatrix3fv(uniform(markerProgram, "normalTransform"), 1, GL_FALSE, normalTransformOf(view.modelview).data());
    const float lightLength = std::sqrt(kLightPosition[0] * kLightPosition[0] + kLightPosition[1] * kLightPosition[1]
                                        + kLightPosition[2] * kLightPosition[2]);
    glUniform3f(uniform(markerProgram, "lightDirection"), kLightPosition[0] / lightLength,
                kLightPosition[1] / lightLength, kLightPosition[2] / lightLength);
    glUniform1f(uniform(markerProgram, "sceneAmbient"), kSceneAmbient);
    glUniform1f(uniform(markerProgram, "lightDiffuse"), kLightIntensity);
    const auto drawMarkers = [&](std::size_t first, std::size_t last, Rgb color) {
        if (first == last)
            return;
        glUniform3f(uniform(markerProgram, "material"), color.red, color.green, color.blue);
        glDrawArrays(GL_TRIANGLES, GLint(first * kMarkerVertices), GLsizei((last - first) * kMarkerVertices));
    };
    for (const MarkerRun &run : controlMarkerRuns(std::size_t(controlMarkers), selectedMarker))
        drawMarkers(run.first, run.last, run.color);
    drawMarkers(std::size_t(controlMarkers), std::size_t(controlMarkers + subdivisionMarkers), kSubdivisionMarkerColor);
    return view;
}

namespace {

constexpr float kParameterAxisWidth = 1.5f;
constexpr float kParameterCurveWidth = 1.0f;
constexpr float kParameterAxisColor[3] = {1.0f, 1.0f, 1.0f};
constexpr float kParameterCurveColor[3] = {1.0f, 1.0f, 0.1f};
constexpr float kParameterLineColor[3] = {0.0f, 1.0f, 0.0f};

} // namespace

bool ParameterGLView::create(const char *selector)
{
    if (!WebGLView::create(selector))
        return false;
    GLuint buffers[2];
    glGenBuffers(2, buffers);
    axesBuffer = buffers[0];
    curveBuffer = buffers[1];
    vertexPositions(axesBuffer, positionsOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}}));
    return true;
}

void ParameterGLView::upload(const PageParameter &parameter)
{
    makeCurrent();
    std::vector<float> positions;
    curveCounts.clear();
    for (const Polyline &curve : parameter.basisCurves) {
        const std::size_t start = positions.size();
        positions.resize(start + curve.size() * kPositionFloats);
        putPositions(curve.data(), curve.size(), positions.data() + start);
        curveCounts.push_back(static_cast<GLsizei>(curve.size()));
    }
    // The parameter line comes last.
    for (const Point3 &p : {Point3{parameter.u, 0, 0}, Point3{parameter.u, 1, 0}})
        positions.insert(positions.end(), {float(p.x), float(p.y), float(p.z)});
    vertexPositions(curveBuffer, positions);
}

void ParameterGLView::paint()
{
    beginFrame(viewTransformOf(deviceWidth, deviceHeight, parameterModelview(), parameterProjection()));
    drawLines(axesBuffer, 0, 4, LineKind::Segments, kParameterAxisWidth, kParameterAxisColor);
    GLint first = 0;
    for (GLsizei count : curveCounts) {
        drawLines(curveBuffer, first, count, LineKind::Strip, kParameterCurveWidth, kParameterCurveColor);
        first += count;
    }
    drawLines(curveBuffer, first, 2, LineKind::Segments, kParameterCurveWidth, kParameterLineColor);
}
