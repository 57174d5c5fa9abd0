#pragma once

#include "core/Subdivision.h"
#include "core/ViewTransform.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <string>

// The canvas's rules without a toolkit: what its slots and mouse handlers do to its state. Every
// front end keeps the canvas's members under these names and lends them here by reference, so
// a drag copies no level; the front end then rebuilds what it draws, repaints and announces.

// Editing mode of the mouse.
using UserMode = int;
constexpr UserMode kSelectMode = 0;
constexpr UserMode kAddMode = 1;
constexpr UserMode kMoveMode = 2;

// The toolkit's code of the left mouse button.
constexpr int kLeftButton = 1;

// The members of a canvas that its rules read and write.
struct CanvasState
{
    float &xRot;
    float &yRot;
    float &zRot;
    float &zoom;
    float &xTrans;
    float &yTrans;
    int &mouseButton;
    int &mouseX;
    int &mouseY;
    Polyline &curve;
    Polyline &controlPoints;
    PolylineList &levels;
    Polyline &hull;
    int &drawLevel;
    int &computedLevel;
    bool &showPolyline;
    int &selectedPoint;
    bool &showConvexHull;
    bool &showSubDivPoints;
    UserMode &userMode;
    // Storage the level cache reuses, so that a drag allocates nothing.
    LevelStorage &levelStorage;
};

// What an edit leaves its front end to do.
struct EditResult
{
    // What a press writes to standard output.
    std::string trace;
    // The number of control points changed: announce it.
    bool countChanged = false;
    // The control points or the depth changed: bring the levels up to date.
    bool levelsNeedRebuild = false;
};

// The slots. Rotations and zoom change only the view; the front end repaints.
void setXRotation(CanvasState canvas, int degrees);
void setYRotation(CanvasState canvas, int degrees);
void setZRotation(CanvasState canvas, int degrees);
void setZoom(CanvasState canvas, int value);
void setAddMode(CanvasState canvas);
void setMoveMode(CanvasState canvas);
void setSelectMode(CanvasState canvas);
EditResult deleteAllControlPoints(CanvasState canvas);
EditResult changeDrawLevel(CanvasState canvas, int level);
void togglepolyline(CanvasState canvas, bool show);
void setShowConvexHull(CanvasState canvas, bool show);
void setShowSubDivPoints(CanvasState canvas, bool show);

// Brings the levels to drawLevel, copies the last into curve and refreshes the hull when shown.
void recomputeLevels(CanvasState canvas);
void computeConvexHull(CanvasState canvas);

// The canvas's modelview, as its paint sets it.
MatrixF canvasModelview(CanvasState canvas);

// Index of the control point whose window projection lies nearest to (mx, my), depth ignored;
// ties keep the lower index, and no control points give 0.
int nearestControlPoint(CanvasState canvas, const ViewTransform &view, const Projection &projection, double mx,
                        double my);

// A press of `button` at device pixel (x, y), y downwards, and a move to (x, y) while a button
// is held, in the view of the last paint.
EditResult mousePress(CanvasState canvas, const ViewTransform &view, const Projection &projection, int x, int y,
                      int button);
EditResult mouseMove(CanvasState canvas, const ViewTransform &view, const Projection &projection, int x, int y);
