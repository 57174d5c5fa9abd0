#include "core/SceneSvg.h"

#include "core/Scene.h"
#include "core/ViewTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace bezier {

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// A lit marker's one colour: the material under the ambient light and the light's share
// towards the viewer.
Rgb markerColor(Rgb material)
{
    const float light = kSceneAmbient + kLightIntensity * std::max(0.0f, lightDirection()[2]);
    return {material.red * light, material.green * light, material.blue * light};
}

// Writes runs in SVG, with window positions turned into logical pixels from the top left.
class SvgWriter
{
public:
    SvgWriter(const ViewTransform &view, double width, double height)
        : transform(clipTransformOf(view)), width(width), height(height)
    {
        svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" + number(height)
              + "\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n<rect width=\"100%\" height=\"100%\" "
              "fill=\"#000000\"/>\n";
    }

    std::string point(const float *p)
    {
        const WindowPoint w = windowPointOf(transform, p, static_cast<float>(width), static_cast<float>(height));
        return number(w.x) + "," + number(height - w.y);
    }

    void lines(const DrawRun &run, const float *positions)
    {
        if (run.primitive == Primitive::Points) {
            for (std::size_t i = 0; i < run.count; ++i) {
                const WindowPoint w = windowPointOf(transform, positions + 3 * i, static_cast<float>(width),
                                                    static_cast<float>(height));
                svg += "<rect x=\"" + number(w.x - run.width / 2) + "\" y=\"" + number(height - w.y - run.width / 2)
                       + "\" width=\"" + number(run.width) + "\" height=\"" + number(run.width) + "\" fill=\""
                       + hexColor(run.color) + "\"/>\n";
            }
            return;
        }
        std::string path;
        const std::size_t step = run.primitive == Primitive::Segments ? 2 : run.count;
        for (std::size_t i = 0; i < run.count; ++i) {
            path += i % step == 0 ? 'M' : 'L';
            path += point(positions + 3 * i);
            path += ' ';
        }
        svg += "<path d=\"" + path + "\" fill=\"none\" stroke=\"" + hexColor(run.color) + "\" stroke-width=\""
               + number(run.width) + "\"";
        if (run.dash.dash > 0.0f)
            svg += " stroke-dasharray=\"" + number(run.dash.dash) + " " + number(run.dash.gap) + "\"";
        svg += "/>\n";
    }

    // Diamonds round `count` centres of markers half `d` wide.
    void markers(const Point3 *centres, std::size_t count, double d, Rgb material)
    {
        const std::string fill = hexColor(markerColor(material));
        for (std::size_t i = 0; i < count; ++i) {
            const Point3 &c = centres[i];
            const float corners[4][3] = {{float(c.x + d), float(c.y), float(c.z)},
                                         {float(c.x), float(c.y + d), float(c.z)},
                                         {float(c.x - d), float(c.y), float(c.z)},
                                         {float(c.x), float(c.y - d), float(c.z)}};
            svg += "<polygon points=\"" + point(corners[0]) + " " + point(corners[1]) + " " + point(corners[2]) + " "
                   + point(corners[3]) + "\" fill=\"" + fill + "\"/>\n";
        }
    }

    void rectangles(const DrawRun &run, const std::vector<WindowRect> &rectangles)
    {
        for (std::size_t i = run.first; i < run.first + run.count; ++i) {
            const WindowRect &r = rectangles[i];
            svg += "<rect x=\"" + number(r.left) + "\" y=\"" + number(height - r.top) + "\" width=\""
                   + number(r.right - r.left) + "\" height=\"" + number(r.top - r.bottom) + "\" fill=\""
                   + hexColor(r.color) + "\"/>\n";
        }
    }

    std::string finished() { return svg + "</svg>\n"; }

private:
    MatrixF transform;
    double width, height;
    std::string svg;
};

std::vector<float> positionsOf(const Point3 *points, std::size_t count)
{
    std::vector<float> positions(count * kPositionFloats);
    putPositions(points, count, positions.data());
    return positions;
}

} // namespace

std::string canvasSvg(const CanvasModel &canvas, const CurveBufferLayout &layout, double width, double height)
{
    const ViewTransform view = viewTransformOf(
        static_cast<int>(width), static_cast<int>(height),
        canvasModelview(canvas.xTrans, canvas.yTrans, canvas.zoom, canvas.xRot, canvas.yRot, canvas.zRot),
        canvasProjection());
    const Scene scene = canvasScene(canvas, layout, lookOf(canvas), {view, static_cast<int>(width), static_cast<int>(height), 1.0});
    SvgWriter writer(view, width, height);
    const std::vector<float> axes = positionsOf(kCanvasAxes.data(), kCanvasAxes.size());
    const std::vector<float> axisPoints = positionsOf(kCanvasAxisPoints.data(), kCanvasAxisPoints.size());
    std::vector<float> lines(layout.lineVertices() * kPositionFloats);
    putLinePositions(canvas, layout, lines.data());
    // Control markers are larger than the subdivision markers at the curve's ends, so the depth
    // test shows them in front: SVG paints in order, so they are written after those.
    std::vector<DrawRun> controlMarkers;
    const auto writeControlMarkers = [&] {
        for (const DrawRun &run : controlMarkers) {
            const std::size_t first = run.first / kMarkerVertices;
            const std::size_t last = std::min({first + run.count / kMarkerVertices, layout.controlMarkers, kMaxSvgMarkers});
            if (first < last)
                writer.markers(canvas.controlPoints.data() + first, last - first, kControlMarkerHalfSize, run.color);
        }
        controlMarkers.clear();
    };
    for (const DrawRun &run : scene.runs) {
        if (run.source != VertexSource::MarkerBuffer)
            writeControlMarkers();
        switch (run.source) {
        case VertexSource::CanvasAxes:
            writer.lines(run, axes.data() + run.first * kPositionFloats);
            break;
        case VertexSource::CanvasAxisPoints:
            writer.lines(run, axisPoints.data() + run.first * kPositionFloats);
            break;
        case VertexSource::LineBuffer:
            writer.lines(run, lines.data() + run.first * kPositionFloats);
            break;
        case VertexSource::MarkerBuffer: {
            const std::size_t first = run.first / kMarkerVertices;
            const std::size_t last = std::min(first + run.count / kMarkerVertices, kMaxSvgMarkers);
            const std::size_t controls = layout.controlMarkers;
            if (first < controls)
                controlMarkers.push_back(run);
            else if (first < last)
                writer.markers(canvas.curve.data() + (first - controls), last - first, kSubdivisionMarkerHalfSize,
                               run.color);
            break;
        }
        case VertexSource::Rectangles:
            writer.rectangles(run, scene.rectangles);
            break;
        default:
            break;
        }
    }
    writeControlMarkers();
    return writer.finished();
}

std::string parameterSvg(const ParameterModel &parameter, double width, double height)
{
    const ViewTransform view = viewTransformOf(static_cast<int>(width), static_cast<int>(height),
                                               parameterModelview(), parameterProjection());
    SvgWriter writer(view, width, height);
    const std::vector<float> axes = positionsOf(kParameterAxes.data(), kParameterAxes.size());
    const Polyline vertices = parameterVertices(parameter);
    const std::vector<float> lines = positionsOf(vertices.data(), vertices.size());
    for (const DrawRun &run : parameterScene(parameter).runs)
        writer.lines(run, (run.source == VertexSource::ParameterAxes ? axes.data() : lines.data())
                              + run.first * kPositionFloats);
    return writer.finished();
}

} // namespace bezier
