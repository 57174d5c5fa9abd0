#pragma once

// Read and write access to the views' private state for tests and benchmarks.

#include "canvas/GLBBox.h"
#include "parameter/GLParameter.h"

#include <utility>

class GLBBoxTestAccess
{
public:
    explicit GLBBoxTestAccess(GLBBox &canvas) : c(canvas) {}

    const Polyline &controlPoints() const { return c.controlPoints; }
    const Polyline &curve() const { return c.curve; }
    const PolylineList &levels() const { return c.levels; }
    const Polyline &hull() const { return c.hull; }
    int drawLevel() const { return c.drawLevel; }
    int computedLevel() const { return c.computedLevel; }
    int selectedPoint() const { return c.selectedPoint; }
    int userMode() const { return c.userMode; }
    float xRot() const { return c.xRot; }
    float yRot() const { return c.yRot; }
    float zRot() const { return c.zRot; }
    float zoom() const { return c.zoom; }
    bool showPolyline() const { return c.showPolyline; }
    bool showConvexHull() const { return c.showConvexHull; }
    bool showSubDivPoints() const { return c.showSubDivPoints; }
    int mouseButton() const { return c.mouseButton; }
    GLuint axesList() const { return c.axesList; }
    // Storage allocations of both curve buffers so far.
    int bufferAllocations() const { return c.lineBuffer.allocations() + c.markerBuffer.allocations(); }

    void setControlPoints(Polyline points) { c.controlPoints = std::move(points); }
    void setComputedLevel(int level) { c.computedLevel = level; }
    void setSelectedPoint(int index) { c.selectedPoint = index; }
    void setUserMode(int mode) { c.userMode = mode; }
    void recomputeLevels() { c.recomputeLevels(); }
    bezier::ViewTransform currentViewTransform()
    {
        c.makeCurrent();
        return c.currentViewTransform();
    }

private:
    GLBBox &c;
};

class GLParameterTestAccess
{
public:
    explicit GLParameterTestAccess(GLParameter &view) : p(view) {}

    const PolylineList &basisCurves() const { return p.basisCurves; }
    double u() const { return p.u; }
    int degree() const { return p.degree; }
    int axesList() const { return p.axesList; }
    int curveList() const { return p.curveList; }

private:
    GLParameter &p;
};
