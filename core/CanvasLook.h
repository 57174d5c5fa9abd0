#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace bezier {

// What the canvas draws with, for every front end: materials, marker sizes and line widths in
// device-independent pixels. Lines take the ambient light only (ambientLit), markers the
// light too.

struct Rgb
{
    float red;
    float green;
    float blue;

    friend bool operator==(const Rgb &, const Rgb &) = default;
};

constexpr Rgb kXAxisColor{0.5f, 1.0f, 0.0f};
constexpr Rgb kYAxisColor{1.0f, 0.0f, 0.5f};
constexpr Rgb kZAxisColor{0.0f, 1.0f, 0.8f};
constexpr Rgb kAxisPointColor{1.0f, 1.0f, 1.0f};
constexpr Rgb kCurveColor{1.0f, 1.0f, 1.0f};
constexpr Rgb kOutlineColor{1.0f, 0.0f, 0.0f};
constexpr Rgb kControlMarkerColor{1.0f, 1.0f, 0.0f};
constexpr Rgb kSelectedMarkerColor{1.0f, 0.4f, 1.0f};
constexpr Rgb kSubdivisionMarkerColor{0.0f, 1.0f, 0.0f};

constexpr double kControlMarkerHalfSize = 0.01;
constexpr double kSubdivisionMarkerHalfSize = 0.009;

constexpr float kAxisLineWidth = 2.0f;
constexpr float kAxisPointSize = 3.0f;
constexpr float kCurveLineWidth = 3.0f;
constexpr float kOutlineLineWidth = 1.0f;

// The light: a direction fixed to the eye, its diffuse and specular intensity, and the
// scene's ambient light.
constexpr std::array<float, 4> kLightPosition{1.0f, 2.0f, 5.0f, 0.0f};
constexpr float kLightIntensity = 0.9f;
constexpr float kSceneAmbient = 0.6f;
constexpr float kMarkerShininess = 50.0f;

// Keyboard focus: a frame inside the canvas's edge and a crosshair at the cursor, both at least
// 3:1 against black and the dialog's background. Sizes in logical pixels.
constexpr Rgb kFocusFrameColor{0x3a / 255.0f, 0x6e / 255.0f, 0xa5 / 255.0f};
constexpr float kFocusFrameWidth = 2.0f;
constexpr Rgb kCursorColor{1.0f, 1.0f, 1.0f};
constexpr float kCursorArm = 7.0f;
constexpr float kCursorGap = 3.0f;
constexpr float kCursorLineWidth = 1.0f;

// The high-contrast look, for the page's switch and the user's contrast preference: the lines
// too dim on black at the default ambient light (the control polygon and the hull at 2.4:1, the
// y axis at 2.5:1) take these colours as lit, at least 6:1 against black; the hull is dashed so it
// differs from the polygon by more than colour; each control point gets an outline, so it differs
// from the subdivision points by shape too. Sizes in logical pixels.
constexpr Rgb kHighContrastOutlineColor{1.0f, 0.35f, 0.35f};
constexpr Rgb kHighContrastYAxisColor{1.0f, 0.4f, 0.75f};
constexpr float kHullDash = 6.0f;
constexpr float kHullGap = 4.0f;
constexpr Rgb kControlOutlineColor{1.0f, 1.0f, 1.0f};
constexpr float kControlOutlineHalfSize = 6.0f;
constexpr float kControlOutlineWidth = 1.0f;

// A line's colour under the ambient light: the scene's ambient times the material, clamped.
constexpr Rgb ambientLit(Rgb color)
{
    return {std::min(1.0f, kSceneAmbient * color.red), std::min(1.0f, kSceneAmbient * color.green),
            std::min(1.0f, kSceneAmbient * color.blue)};
}

// A colour as CSS and SVG write it: "#3a6ea5".
inline std::string hexColor(Rgb color)
{
    char text[8];
    const auto byte = [](float c) { return static_cast<int>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(color.red), byte(color.green), byte(color.blue));
    return text;
}

// The unit vector towards the light, in eye space.
inline std::array<float, 3> lightDirection()
{
    const float length = std::sqrt(kLightPosition[0] * kLightPosition[0] + kLightPosition[1] * kLightPosition[1]
                                   + kLightPosition[2] * kLightPosition[2]);
    return {kLightPosition[0] / length, kLightPosition[1] / length, kLightPosition[2] / length};
}

} // namespace bezier
