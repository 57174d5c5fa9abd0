#include "canvas/GluProjection.h"

#ifdef _WIN32
// GLU's header on Windows needs the system's calling-convention macros.
#include <windows.h>
#endif
#include <GL/glu.h>

using bezier::ViewTransform;

namespace {

std::optional<Point3> gluProjectPoint(const ViewTransform &view, const Point3 &p)
{
    Point3 window;
    if (gluProject(p.x, p.y, p.z, view.modelview.data(), view.projection.data(), view.viewport.data(), &window.x,
                   &window.y, &window.z)
        == GL_FALSE)
        return std::nullopt;
    return window;
}

std::optional<Point3> gluUnprojectPoint(const ViewTransform &view, double wx, double wy, double wz)
{
    Point3 p;
    if (gluUnProject(wx, wy, wz, view.modelview.data(), view.projection.data(), view.viewport.data(), &p.x, &p.y,
                     &p.z)
        == GL_FALSE)
        return std::nullopt;
    return p;
}

} // namespace

const bezier::Projection kGluProjection{gluProjectPoint, gluUnprojectPoint};
