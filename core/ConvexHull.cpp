#include "core/ConvexHull.h"

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace bezier {

namespace {

// 180 / 3.1415926535: the walk's angles are defined with this factor, not with 180 / pi.
constexpr double kDegreesPerRadian = 57.29577951471995;

struct Candidate
{
    std::size_t index = 0;
    double angle = 0.0;
    double distance = 0.0;
};

} // namespace

double directionAngle(double x1, double y1, double x2, double y2)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double r = 0.0;
    if (dy != 0.0)
        r = std::fabs(std::atan(dx / dy)) * kDegreesPerRadian;
    else if (dx != 0.0)
        r = 90.0;
    if (dx > 0.0)
        return dy >= 0.0 ? 360.0 - r : 180.0 + r;
    return dy >= 0.0 ? r : 180.0 - r;
}

Polyline convexHull(const Polyline &points)
{
    const std::size_t n = points.size();
    if (n < 3)
        return {};
    if (n == 3)
        return {points[0], points[1], points[2], points[0]};

    std::vector<double> x(n + 1);
    std::vector<double> y(n + 1);
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = points[i].x;
        y[i] = points[i].y;
        if (x[i] > x[start] || (x[i] == x[start] && y[i] < y[start]))
            start = i;
    }
    const auto swapEntries = [&](std::size_t a, std::size_t b) {
        std::swap(x[a], x[b]);
        std::swap(y[a], y[b]);
    };
    swapEntries(0, start);
    x[n] = x[0];
    y[n] = y[0];

    std::size_t j = 0;
    double previousAngle = -1.0;
    while (j + 1 <= n) {
        bool found = false;
        Candidate best;
        for (std::size_t k = j + 1; k <= n; ++k) {
            const double angle = directionAngle(x[j], y[j], x[k], y[k]);
            if (!(angle > previousAngle))
                continue;
            const double distance = std::fabs(x[k] - x[j]) + std::fabs(y[k] - y[j]);
            if (!found || angle < best.angle || (angle == best.angle && distance > best.distance)) {
                best = {k, angle, distance};
                found = true;
            }
        }
        if (!found)
            break;
        swapEntries(j + 1, best.index);
        previousAngle = best.angle;
        ++j;
    }

    Polyline hull;
    hull.reserve(j + 1);
    for (std::size_t i = 1; i <= j; ++i)
        hull.push_back({x[i], y[i], 0.0});

    // The walk runs on into interior points after the last true vertex; drop them.
    const auto angleFromFirst = [&](const Point3 &p) { return directionAngle(hull[0].x, hull[0].y, p.x, p.y); };
    while (hull.size() >= 3 && angleFromFirst(hull[hull.size() - 2]) > angleFromFirst(hull.back()))
        hull.pop_back();

    if (!hull.empty())
        hull.push_back(hull.front());
    return hull;
}

} // namespace bezier
