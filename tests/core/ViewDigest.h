#pragma once

// A digest of what presses and drags compute from the canvas's view at every dial angle: the
// unprojections of a few pointer pixels and the projections of those points back. The desktop
// test records it from GL and GLU, so a front end without them can prove it computes the same
// bits with the twins.

#include "core/ViewTransform.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

constexpr int kDialAngles = 361;

// The canvas's view at a dial angle, and the projection to use with it.
using ViewAtDial = std::function<bezier::ViewTransform(int dial)>;
std::uint64_t viewDigest(const ViewAtDial &viewAt, const bezier::Projection &projection, double pixelRatio);

// The recorded digest for a pixel ratio and zoom-slider value, from a file of lines
// "ratio zoomSlider digest" (digest in hex); nothing where the file has none.
std::optional<std::uint64_t> recordedDigest(const std::string &path, double pixelRatio, int zoomSlider);
std::string hexOf(std::uint64_t digest);
