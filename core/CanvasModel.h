#pragma once

#include "core/EditHistory.h"
#include "core/Subdivision.h"
#include "core/ViewTransform.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <vector>

namespace bezier {

// Editing mode of the mouse, as integers: a click deletes the nearest point, adds one, or picks
// one to drag. Other values are kept and reported at the next press.
using UserMode = int;
constexpr UserMode kDeleteMode = 0;
constexpr UserMode kAddMode = 1;
constexpr UserMode kMoveMode = 2;

// The toolkit's codes of the mouse buttons.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;

// The zoom slider's step, and the slider's value whose zoom the canvas starts at (the dialog's
// form starts its slider there too).
constexpr double kZoomStep = 0.025;
constexpr int kStartZoomValue = 50;

// The canvas's size in logical pixels (device-independent on the desktop, the dialog's CSS
// pixels on the page), which bounds the keyboard cursor, and where the cursor starts.
constexpr double kCanvasLogicalWidth = 510;
constexpr double kCanvasLogicalHeight = 502;
constexpr double kCursorStartX = 255;
constexpr double kCursorStartY = 251;

// The selected control point picked up to be moved: by a left press in move mode, until the
// release, or by Enter or Space in move mode, until the next. Nothing changes the selection
// while it is held. `before` is the state the move's undo step goes back to.
struct PointHold
{
    bool active = false;
    bool byKeys = false;
    CanvasSnapshot before;
};

// What a held control point moves in the drawn level. Every level is linear in the control points,
// so while one point moves, the curve is the drawn level as it was where the weights were taken
// (with the point at `origin`) plus the point's weight in each of its points (`weights`) times the
// point's way from there: one multiply-add a point instead of a rebuild. The levels stay as they
// were at the pick, stale, and are rebuilt exactly whenever the hold ends or anything else changes.
struct HeldInfluence
{
    bool held = false;
    std::size_t index = 0;
    // The level the weights are of; -1 while there are none.
    int level = -1;
    Point3 origin;
    std::vector<double> weights;
    // The held point moved since the levels were last brought up to date.
    bool moved = false;
};

// The canvas's members, declared once: the desktop canvas takes them as its own and the page's
// canvas is one. The operations below are the canvas's own; the rules that edit it are in
// CanvasEditing.h.
struct CanvasModel
{
    float xRot = 0.0f;
    float yRot = 0.0f;
    float zRot = 0.0f;
    float zoom = static_cast<float>(kStartZoomValue * kZoomStep);
    float xTrans = 0.0f;
    float yTrans = 0.0f;
    int mouseButton = 0;
    int mouseX = 0;
    int mouseY = 0;
    Polyline curve;
    // Read freely; changed only through the gate below, which keeps the level cache right.
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
    // The high-contrast look; off at start.
    bool highContrast = false;
    // Storage the level cache reuses, so that a drag allocates nothing.
    LevelStorage levelStorage;
    // The keyboard cursor, in logical pixels from the top left, y downwards.
    double cursorX = kCursorStartX;
    double cursorY = kCursorStartY;
    // Focus came from the keyboard, or a key was used since: the focus frame and the cursor
    // show. Focus from a pointer's press changes no pixel.
    bool keyboardFocusShown = false;
    PointHold hold;
    EditHistory history;

    // The gate through which the control points change. The level cache is reused while its
    // level 0 has as many points as there are control points: a change of the count shows by
    // itself, a change that keeps it marks the cache stale; either way the next
    // recomputeLevels rebuilds it. The depth's own rules are updateLevels'.
    void appendControlPoint(const Point3 &point);
    void eraseControlPoint(std::size_t index);
    void moveControlPoint(std::size_t index, const Point3 &point);
    void replaceControlPoints(Polyline points);
    // A control point picked up to be moved, and put down: while it is held, its moves update the
    // drawn level by its influence; putting it down returns the influence's memory and has the
    // next recomputeLevels rebuild the cache exactly.
    void holdControlPoint(std::size_t index);
    void releaseControlPoint();
    // The curve is the result of an influence update, not of a rebuild.
    bool levelsApproximate() const { return approximate; }
    // No points: the levels, the curve and the hull emptied too, their memory handed back.
    void clearControlPoints();

    // Brings the levels to drawLevel, copies the last into curve and refreshes the hull when
    // shown.
    void recomputeLevels();
    void computeConvexHull();
    // Index of the control point whose window projection lies nearest to (mx, my), depth
    // ignored; ties keep the lower index, and no control points give 0.
    int nearestControlPoint(const ViewTransform &view, const Projection &projection, double mx, double my) const;

private:
    // What asks the next recomputeLevels for a rebuild from the control points.
    void markLevelsStale() { computedLevel = 0; }
    // Takes the held point's weights in the drawn level, where they are not of it yet, and where
    // the point is now as their origin.
    void takeInfluence();
    void applyInfluence();

    HeldInfluence influence;
    bool approximate = false;
};

} // namespace bezier
