#pragma once

#include "geometry/PolylineList.h"

#include <string>

namespace bezier {

// Samples per basis polynomial: t runs from 0 by repeated addition of the step while t <= bound.
constexpr double kBasisParameterStep = 0.025;
constexpr double kBasisParameterBound = 1.001;

// Largest count whose basis is plotted; beyond it the plot shows the strokes of "N/A".
constexpr int kMaxPlottedBasisCount = 12;

// The parameter view's members, declared once: the desktop view takes them as its own and the
// page's view is one.
struct ParameterModel
{
    PolylineList basisCurves;
    double u = 0.0;
    int degree = 0;

    // The Bernstein basis polynomials of degree `degree` - 1 sampled over [0, 1], one polyline
    // per polynomial, points (t, value, 0). Empty for 0; the three strokes of "N/A" above
    // kMaxPlottedBasisCount.
    void computeBasis();
    // n! / ((n - k)! k!) in 32-bit signed arithmetic with truncating division.
    static int binomial(int n, int k);
    // m! in 32-bit signed arithmetic; 1 for m < 2.
    static int factorial(int m);
};

// What the plot shows, as text: "Bernstein basis of degree 2: 3 curves.", "N/A: the basis is
// plotted for up to 12 points.", or "No curves." for no points.
std::string basisDescription(const ParameterModel &parameter);

// The slots' rules: what each stores. The front end then samples, draws and repaints.
// A negative count is taken as 0.
void setDegree(ParameterModel &parameter, int count);
// Clamped to [0, 1]; not a number is taken as 0.
void setu(ParameterModel &parameter, double value);

} // namespace bezier
