#include "BezierOracle.h"

#include <algorithm>
#include <cmath>
#include <limits>


namespace {

long double binomialCoefficient(int n, int k)
{
    long double c = 1.0L;
    for (int i = 1; i <= k; ++i)
        c = c * (n - k + i) / i;
    return c;
}

double distanceToSegment(const Point3 &p, const Point3 &a, const Point3 &b)
{
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = p.x - a.x, vy = p.y - a.y, vz = p.z - a.z;
    const double length2 = ux * ux + uy * uy + uz * uz;
    const double s = length2 > 0.0 ? std::clamp((ux * vx + uy * vy + uz * vz) / length2, 0.0, 1.0) : 0.0;
    const double dx = vx - s * ux, dy = vy - s * uy, dz = vz - s * uz;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

Point3 bezierPoint(const Polyline &controlPoints, double t)
{
    const int degree = static_cast<int>(controlPoints.size()) - 1;
    long double x = 0, y = 0, z = 0;
    for (int i = 0; i <= degree; ++i) {
        const long double weight = binomialCoefficient(degree, i) * std::pow(1.0L - t, degree - i) * std::pow((long double)t, i);
        x += weight * controlPoints[i].x;
        y += weight * controlPoints[i].y;
        z += weight * controlPoints[i].z;
    }
    return {static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)};
}

Polyline sampleCurve(const Polyline &controlPoints, int segments)
{
    Polyline samples;
    for (int i = 0; i <= segments; ++i)
        samples.push_back(bezierPoint(controlPoints, static_cast<double>(i) / segments));
    return samples;
}

double distanceToPolyline(const Polyline &polyline, const Point3 &p)
{
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < polyline.size(); ++i)
        best = std::min(best, distanceToSegment(p, polyline[i - 1], polyline[i]));
    return best;
}
