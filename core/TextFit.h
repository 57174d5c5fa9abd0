#pragma once

namespace bezier {

// How the dialog keeps its texts whole, on every front end: a text that does not fit its box
// shrinks by the step down to the smallest readable size; beyond it, its whole text becomes
// its tool tip.
constexpr double kMinimumPointSize = 7.0;
constexpr double kPointSizeStep = 0.5;

} // namespace bezier
