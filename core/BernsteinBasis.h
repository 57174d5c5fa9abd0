#pragma once

#include "geometry/PolylineList.h"

// n! in 32-bit signed arithmetic; 1 for n < 2.
int factorial(int n);

// n! / ((n - k)! k!) in 32-bit signed arithmetic with truncating division.
int binomial(int n, int k);

// Samples per basis polynomial: t runs from 0 by repeated addition of the step while t <= bound.
constexpr double kBasisParameterStep = 0.025;
constexpr double kBasisParameterBound = 1.001;

// Largest count whose basis is plotted; beyond it the plot shows the strokes of "N/A".
constexpr int kMaxPlottedBasisCount = 12;

// The Bernstein basis polynomials of degree count - 1 sampled over [0, 1], one polyline per
// polynomial, points (t, value, 0). Empty for count 0; the three strokes of "N/A" for
// counts above kMaxPlottedBasisCount.
PolylineList bernsteinBasisCurves(int count);
