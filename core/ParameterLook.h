#pragma once

#include "core/CanvasLook.h"

namespace bezier {

// What the parameter view draws with, for every front end: colours, and line widths in
// device-independent pixels. It is unlit.
constexpr Rgb kParameterAxisColor{1.0f, 1.0f, 1.0f};
constexpr Rgb kParameterCurveColor{1.0f, 1.0f, 0.1f};
constexpr Rgb kParameterLineColor{0.0f, 1.0f, 0.0f};

constexpr float kParameterAxisWidth = 1.5f;
constexpr float kParameterCurveWidth = 1.0f;

} // namespace bezier
