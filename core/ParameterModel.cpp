#include "core/ParameterModel.h"

#include <cmath>

namespace bezier {

namespace {

PolylineList notApplicableStrokes()
{
    return {
        {{0.15, 0.25, 0.0}, {0.15, 0.75, 0.0}, {0.3, 0.25, 0.0}, {0.3, 0.75, 0.0}},
        {{0.45, 0.25, 0.0}, {0.6, 0.75, 0.0}},
        {{0.75, 0.25, 0.0}, {0.825, 0.75, 0.0}, {0.9, 0.25, 0.0}, {0.86, 0.5, 0.0}, {0.78, 0.5, 0.0}},
    };
}

} // namespace

int ParameterModel::factorial(int m)
{
    int product = 1;
    for (int factor = 2; factor <= m; ++factor)
        product *= factor;
    return product;
}

int ParameterModel::binomial(int n, int k)
{
    return factorial(n) / (factorial(n - k) * factorial(k));
}

void ParameterModel::computeBasis()
{
    basisCurves.clear();
    if (degree <= 0)
        return;
    if (degree > kMaxPlottedBasisCount) {
        basisCurves = notApplicableStrokes();
        return;
    }
    const int m = degree - 1;
    basisCurves.reserve(degree);
    for (int i = 0; i < degree; ++i) {
        Polyline &samples = basisCurves.emplace_back();
        const double coefficient = binomial(m, i);
        // t is accumulated, not computed as k * step, so its last sample lies just past 1.
        double t = 0.0;
        do {
            const double value = std::pow(1.0 - t, m - i) * std::pow(t, i) * coefficient;
            samples.push_back({t, value, 0.0});
            t += kBasisParameterStep;
        } while (t <= kBasisParameterBound);
    }
}

std::string basisDescription(const ParameterModel &parameter)
{
    const int count = parameter.degree;
    if (count <= 0)
        return "No curves.";
    if (count > kMaxPlottedBasisCount)
        return "N/A: the basis is plotted for up to " + std::to_string(kMaxPlottedBasisCount) + " points.";
    return "Bernstein basis of degree " + std::to_string(count - 1) + ": " + std::to_string(count)
           + (count == 1 ? " curve." : " curves.");
}

void setDegree(ParameterModel &parameter, int count)
{
    parameter.degree = count < 0 ? 0 : count;
}

void setu(ParameterModel &parameter, double value)
{
    if (std::isnan(value) || value < 0.0)
        value = 0.0;
    else if (value > 1.0)
        value = 1.0;
    parameter.u = value;
}

} // namespace bezier
