#include "canvas/ViewTransform.h"

#ifdef _WIN32
// GLU's header on Windows needs the system's calling-convention macros.
#include <windows.h>
#endif
#include <GL/glu.h>

std::optional<Point3> unprojectToNearPlane(const ViewTransform &view, double wx, double wy)
{
    Point3 p;
    if (gluUnProject(wx, wy, 0.0, view.modelview.data(), view.projection.data(), view.viewport.data(), &p.x,
                     &p.y, &p.z)
        == GL_FALSE)
        return std::nullopt;
    return p;
}

int nearestProjectedPoint(const Polyline &points, const ViewTransform &view, double wx, double wy)
{
    double best = 2e32;
    int index = 0;
    for (int i = 0; i < static_cast<int>(points.size()); ++i) {
        const Point3 &p = points[i];
        double px = 0.0;
        double py = 0.0;
        double pz = 0.0;
        gluProject(p.x, p.y, p.z, view.modelview.data(), view.projection.data(), view.viewport.data(), &px, &py,
                   &pz);
        const double d2 = (wx - px) * (wx - px) + (wy - py) * (wy - py);
        if (d2 < best) {
            best = d2;
            index = i;
        }
    }
    return index;
}
