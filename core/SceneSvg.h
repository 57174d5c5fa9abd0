#pragma once

#include "core/CanvasModel.h"
#include "core/ParameterModel.h"
#include "core/VertexArrays.h"

#include <cstddef>
#include <string>

namespace bezier {

// A view's picture as SVG, from the same runs the front ends draw, in logical pixels of a view
// `width` x `height`, on the views' black. Lines keep their widths and dashes; a marker is drawn
// as the outline of its octahedron, a diamond, in one colour: its material under the ambient
// light and the light's share towards the viewer (on the screen each face is shaded apart); at
// most kMaxSvgMarkers markers, the subdivision points beyond it left out.
constexpr std::size_t kMaxSvgMarkers = 20000;
std::string canvasSvg(const CanvasModel &canvas, const CurveBufferLayout &layout, double width, double height);
std::string parameterSvg(const ParameterModel &parameter, double width, double height);

} // namespace bezier
