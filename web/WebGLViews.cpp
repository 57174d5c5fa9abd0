#include "web/WebGLViews.h"

#include "core/BernsteinBasis.h"
#include "core/CanvasLook.h"
#include "core/VertexArrays.h"

#include <algorithm>
#include <cmath>

namespace {

// Lines and points as quads already in window space, in device pixels.
constexpr const char *kLineVertexShader = R"(#version 300 es
uniform vec2 viewportSize;
in vec3 windowPosition;
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

// Where `transform` and the viewport put a position: clip coordinates, divided by w, in device
// pixels from the viewport's corner, with the depth in normalised coordinates.
WindowPoint windowPointOf(const MatrixF &transform, const float *p, float width, float height)
{
    const auto clip = [&](int row) {
        return transform[row] * p[0] + transform[4 + row] * p[1] + transform[8 + row] * p[2] + transform[12 + row];
    };
    const float w = clip(3);
    return {(clip(0) / w * 0.5f + 0.5f) * width, (clip(1) / w * 0.5f + 0.5f) * height, clip(2) / w};
}

// Whether a segment's quad can cover a pixel centre, from its ends along its major axis: its
// sides across that axis lie at those ends. At level 8 most segments are a small part of a pixel
// long and cover none, and a software rasteriser spends its time by triangles, so those are left
// out; the picture stays the same to the pixel. Drivers round corners to a grid of 1/16 pixel or
// finer, so at most 1/32 pixel off: the margin is twice that.
bool reachesPixelCentres(float from, float to)
{
    constexpr double kSnapMargin = 1.0 / 16;
    const double low = std::min<double>(from, to) - kSnapMargin - 0.5;
    const double high = std::max<double>(from, to) + kSnapMargin - 0.5;
    return std::floor(high) >= std::ceil(low);
}

// A quad's four corners in strip order: two at its start, two at its end.
struct Quad
{
    WindowPoint start;
    float startOffsets[2][2];
    WindowPoint end;
    float endOffsets[2][2];
};

// Appends quads to a triangle strip: a quad that begins where the last one ended, with the same
// corners, shares them; any other is joined to the last by two repeated vertices, which make
// triangles without area.
class StripWriter
{
public:
    explicit StripWriter(std::vector<float> &strip) : strip(strip), first(strip.size()) {}

    void add(const Quad &quad, bool sharesLastEnd)
    {
        const bool empty = strip.size() == first;
        if (!empty && sharesLastEnd) {
            corners(quad.end, quad.endOffsets);
            return;
        }
        if (!empty) {
            std::array<float, kPositionFloats> last;
            std::copy(strip.end() - std::ptrdiff_t(kPositionFloats), strip.end(), last.begin());
            strip.insert(strip.end(), last.begin(), last.end());
            vertex(quad.start, quad.startOffsets[0]);
        }
        corners(quad.start, quad.startOffsets);
        corners(quad.end, quad.endOffsets);
    }

private:
    void vertex(const WindowPoint &p, const float offset[2])
    {
        strip.insert(strip.end(), {p.x + offset[0], p.y + offset[1], p.z});
    }
    void corners(const WindowPoint &p, const float offsets[2][2])
    {
        vertex(p, offsets[0]);
        vertex(p, offsets[1]);
    }

    std::vector<float> &strip;
    std::size_t first;
};

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

// The axes: three segments, and their four points.
const std::vector<float> kCanvasAxes = positionsOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1}});
const std::vector<float> kCanvasAxisPoints = positionsOf({{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}});

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
    glGenBuffers(1, &lineBuffer);
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

void WebGLView::addLines(const float *positions, std::size_t count, LineKind kind, float width, const float rgb[3])
{
    // Never thinner than a device pixel, as the driver draws lines and points: a dialog scaled
    // down to fit a small window has fewer device pixels than CSS pixels.
    const float halfWidth = static_cast<float>(std::max(width * pixelRatio, 1.0) / 2.0);
    windowPoints.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        windowPoints[i] = windowPointOf(transform, positions + i * kPositionFloats, static_cast<float>(deviceWidth),
                                        static_cast<float>(deviceHeight));
    const GLint first = static_cast<GLint>(lineStrip.size() / kPositionFloats);
    StripWriter writer(lineStrip);
    if (kind == LineKind::Points) {
        for (const WindowPoint &p : windowPoints)
            writer.add({p, {{-halfWidth, -halfWidth}, {-halfWidth, halfWidth}},
                        p, {{halfWidth, -halfWidth}, {halfWidth, halfWidth}}},
                       false);
    } else {
        // Each segment is widened across its minor axis. A strip's segment shares the corners of
        // the one before when that was drawn and is widened the same way.
        bool lastAlongX = false;
        std::size_t lastDrawn = count;
        const std::size_t step = kind == LineKind::Segments ? 2 : 1;
        for (std::size_t i = 0; i + 1 < count; i += step) {
            const WindowPoint &a = windowPoints[i];
            const WindowPoint &b = windowPoints[i + 1];
            const bool alongX = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
            if (!reachesPixelCentres(alongX ? a.x : a.y, alongX ? b.x : b.y))
                continue;
            const float dx = alongX ? 0.0f : halfWidth;
            const float dy = alongX ? halfWidth : 0.0f;
            writer.add({a, {{-dx, -dy}, {dx, dy}}, b, {{-dx, -dy}, {dx, dy}}},
                       kind == LineKind::Strip && lastDrawn + 1 == i && alongX == lastAlongX);
            lastAlongX = alongX;
            lastDrawn = i;
        }
    }
    const GLsizei vertices = static_cast<GLsizei>(lineStrip.size() / kPositionFloats) - first;
    if (vertices > 0)
        lineRuns.push_back({first, vertices, {rgb[0], rgb[1], rgb[2]}});
}

void WebGLView::addLines(const std::vector<float> &positions, LineKind kind, float width, const float rgb[3])
{
    addLines(positions.data(), positions.size() / kPositionFloats, kind, width, rgb);
}

void WebGLView::drawLines()
{
    glUseProgram(lineProgram);
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lineStrip.size() * sizeof(float)), lineStrip.data(),
                 GL_STREAM_DRAW);
    const GLuint position = attribute(lineProgram, "windowPosition");
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glUniform2f(uniform(lineProgram, "viewportSize"), static_cast<float>(deviceWidth), static_cast<float>(deviceHeight));
    const GLint color = uniform(lineProgram, "color");
    for (const LineRun &run : lineRuns) {
        glUniform3fv(color, 1, run.rgb.data());
        glDrawArrays(GL_TRIANGLE_STRIP, run.first, run.count);
    }
    lineStrip.clear();
    lineRuns.clear();
}

bool CanvasGLView::create(const char *selector)
{
    if (!WebGLView::create(selector))
        return false;
    markerProgram = linkedProgram(kMarkerVertexShader, kMarkerFragmentShader);
    glGenVertexArrays(1, &markerArray);
    glGenBuffers(1, &markerBuffer);
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

    linePositions.resize(std::size_t(curveCount + polygonCount + hullCount) * kPositionFloats);
    float *out = putPositions(canvas.curve.data(), canvas.curve.size(), linePositions.data());
    out = putPositions(canvas.controlPoints.data(), std::size_t(polygonCount), out);
    putPositions(canvas.hull.data(), std::size_t(hullCount), out);

    constexpr std::size_t markerFloats = kMarkerVertices * kLitVertexFloats;
    glBindBuffer(GL_ARRAY_BUFFER, markerBuffer);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(std::size_t(controlMarkers + subdivisionMarkers) * markerFloats * sizeof(float)),
                 nullptr, GL_DYNAMIC_DRAW);
    const auto largestBatch = std::min<std::size_t>(kMarkersPerUpload, std::max(controlMarkers, subdivisionMarkers));
    markerBatch.resize(largestBatch * markerFloats);
    std::size_t uploaded = 0;
    for (const auto &[points, count, halfSize] :
         {std::tuple{canvas.controlPoints.data(), std::size_t(controlMarkers), kControlMarkerHalfSize},
          std::tuple{canvas.curve.data(), std::size_t(subdivisionMarkers), kSubdivisionMarkerHalfSize}}) {
        for (std::size_t done = 0; done < count; done += kMarkersPerUpload) {
            const std::size_t batch = std::min(kMarkersPerUpload, count - done);
            putMarkers(points + done, batch, halfSize, markerBatch.data());
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(uploaded * markerFloats * sizeof(float)),
                            static_cast<GLsizeiptr>(batch * markerFloats * sizeof(float)), markerBatch.data());
            uploaded += batch;
        }
    }
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
    for (std::size_t axis = 0; axis < 3; ++axis)
        addLines(kCanvasAxes.data() + axis * 2 * kPositionFloats, 2, LineKind::Segments, kAxisLineWidth,
                 ambientLit(axisColors[axis]).data());
    const auto axisPointColor = ambientLit(kAxisPointColor);
    addLines(kCanvasAxisPoints, LineKind::Points, kAxisPointSize, axisPointColor.data());
    const float *positions = linePositions.data();
    addLines(positions, std::size_t(curveCount), LineKind::Strip, kCurveLineWidth, axisPointColor.data());
    const auto outlineColor = ambientLit(kOutlineColor);
    positions += std::size_t(curveCount) * kPositionFloats;
    addLines(positions, std::size_t(polygonCount), LineKind::Strip, kOutlineLineWidth, outlineColor.data());
    positions += std::size_t(polygonCount) * kPositionFloats;
    addLines(positions, std::size_t(hullCount), LineKind::Strip, kOutlineLineWidth, outlineColor.data());
    drawLines();

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
const std::vector<float> kParameterAxes = positionsOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}});

} // namespace

bool ParameterGLView::create(const char *selector)
{
    if (!WebGLView::create(selector))
        return false;
    return true;
}

void ParameterGLView::upload(const PageParameter &parameter)
{
    std::vector<float> &positions = curvePositions;
    positions.clear();
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
}

void ParameterGLView::paint()
{
    beginFrame(viewTransformOf(deviceWidth, deviceHeight, parameterModelview(), parameterProjection()));
    addLines(kParameterAxes, LineKind::Segments, kParameterAxisWidth, kParameterAxisColor);
    const float *positions = curvePositions.data();
    for (GLsizei count : curveCounts) {
        addLines(positions, std::size_t(count), LineKind::Strip, kParameterCurveWidth, kParameterCurveColor);
        positions += std::size_t(count) * kPositionFloats;
    }
    addLines(positions, 2, LineKind::Segments, kParameterCurveWidth, kParameterLineColor);
    drawLines();
}
