#include "core/BernsteinBasis.h"

#include <cmath>

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

int factorial(int n)
{
    int product = 1;
    for (int factor = 2; factor <= n; ++factor)
        product *= factor;
    return product;
}

int binomial(int n, int k)
{
    return factorial(n) / (factorial(n - k) * factorial(k));
}

PolylineList bernsteinBasisCurves(int count)
{
    if (count <= 0)
        return {};
    if (count > kMaxPlottedBasisCount)
        return notApplicableStrokes();

    const int degree = count - 1;
    PolylineList curves;
    curves.reserve(count);
    for (int i = 0; i < count; ++i) {
        Polyline &samples = curves.emplace_back();
        const double coefficient = binomial(degree, i);
        // t is accumulated, not computed as k * step, so its last sample lies just past 1.
        double t = 0.0;
        do {
            const double value = std::pow(1.0 - t, degree - i) * std::pow(t, i) * coefficient;
            samples.push_back({t, value, 0.0});
            t += kBasisParameterStep;
        } while (t <= kBasisParameterBound);
    }
    return curves;
}
