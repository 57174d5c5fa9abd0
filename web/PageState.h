#pragma once

#include "core/CanvasEditing.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

// The page's canvas: the desktop canvas's members under the same names, edited by the same
// rules.
struct PageCanvas
{
    float xRot = 0.0f;
    float yRot = 0.0f;
    float zRot = 0.0f;
    float zoom = 1.25f;
    float xTrans = 0.0f;
    float yTrans = 0.0f;
    int mouseButton = 0;
    int mouseX = 0;
    int mouseY = 0;
    Polyline curve;
    Polyline controlPoints;
    PolylineList levels;
    Polyline hull;
    int drawLevel = 5;
    int computedLevel = 0;
    bool showPolyline = false;
    int selectedPoint = -1;
    bool showConvexHull = false;
    bool showSubDivPoints = false;
    UserMode userMode = kAddMode;
    LevelStorage levelStorage;

    CanvasState state()
    {
        return {xRot,           yRot,          zRot,          zoom,           xTrans,           yTrans,
                mouseButton,    mouseX,        mouseY,        curve,          controlPoints,    levels,
                hull,           drawLevel,     computedLevel, showPolyline,   selectedPoint,    showConvexHull,
                showSubDivPoints, userMode,    levelStorage};
    }
};

// The page's parameter view: the desktop view's members.
struct PageParameter
{
    PolylineList basisCurves;
    double u = 0.0;
    int degree = 0;
};
