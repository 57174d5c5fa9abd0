#pragma once

#include "core/CanvasModel.h"
#include "core/PointText.h"
#include "core/ViewTransform.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace bezier {

// The canvas's rules without a toolkit: what its slots and mouse handlers do to its members.
// Each returns what its front end does next, and every front end does it in one function, in
// the order the fields are listed; a front end without a place for a field (the desktop has no
// live region, no Undo button and no table) passes it by.
struct EditResult
{
    // The control points or the depth changed: bring the levels up to date, which redraws the
    // buffers too.
    bool levelsNeedRebuild = false;
    // Only what the buffers hold changed: a display flag, or the containers emptied.
    bool drawingChanged = false;
    // The number of control points changed: announce it, before the repaint or, for Clear, after.
    bool countChanged = false;
    bool countAfterRepaint = false;
    // What a press writes to standard output.
    std::string trace;
    // What a screen reader says of the change, in one of the fixed sentences below; empty for
    // changes of the view.
    std::string announcement;
    bool repaint = false;
    // The depth was set: announce it after the repaint.
    bool drawLevelChanged = false;
    // What the controls beside the canvas show afterwards: whether undo and redo would do
    // anything, the mode and the look.
    bool canUndo = false;
    bool canRedo = false;
    UserMode mode = kAddMode;
    bool highContrast = false;
    // A point whose typed coordinate was refused or left as shown: its row shows the point again.
    int pointShownAgain = -1;
};

// The sentences, with coordinates in the model's units to two decimals:
//   "Point 3 added at (0.25, -0.10). 3 points, degree 2."
//   "Point 1 deleted. 2 points, degree 1."  "No point to delete."  "All points cleared."
//   "Point 2 picked up at (x, y)."  "Point 2 moved to (x, y)."  "Point 2 put back at (x, y)."
//   "Undone: <the change>"  "Redone: <the change>"  "Nothing to undo."  "Nothing to redo."
//   "Add mode."  "Move mode."  "Delete mode."  "Cursor at (x, y)."
//   "High contrast on."  "High contrast off."
//   "Point 2's x must be a number from -1000000 to 1000000: it stays 0.25." (the bounds are
//   kCoordinateLimit)

// The slots. Rotations and zoom change only the view; modes change nothing drawn.
EditResult setXRotation(CanvasModel &canvas, int degrees);
EditResult setYRotation(CanvasModel &canvas, int degrees);
EditResult setZRotation(CanvasModel &canvas, int degrees);
EditResult setZoom(CanvasModel &canvas, int value);
EditResult setAddMode(CanvasModel &canvas);
EditResult setMoveMode(CanvasModel &canvas);
EditResult setSelectMode(CanvasModel &canvas);
EditResult deleteAllControlPoints(CanvasModel &canvas);
EditResult changeDrawLevel(CanvasModel &canvas, int level);
EditResult togglepolyline(CanvasModel &canvas, bool show);
EditResult setShowConvexHull(CanvasModel &canvas, bool show);
EditResult setShowSubDivPoints(CanvasModel &canvas, bool show);
// The high-contrast look on or off: the key H says so, a switch speaks for itself.
EditResult setHighContrast(CanvasModel &canvas, bool on);

// A press of `button` at logical position (x, y), y downwards, a move to (x, y) while a button
// is held, and the release, in the view of the last paint. `pixelRatio` device pixels make a
// logical one; a position is taken to the device pixel under it.
EditResult mousePress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                      double y, double pixelRatio, int button);
EditResult mouseMove(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, double x,
                     double y, double pixelRatio);
EditResult mouseRelease(CanvasModel &canvas, double x, double y);

// The keys the canvas takes while it has focus; `fine` is Shift, which steps the cursor by one
// pixel instead of ten. Activate is Enter or Space: a left press at the cursor, or the drop of
// a point held by keys; Escape puts a held point back.
// ReadCursor (C) says where the cursor is; HighContrast (H) switches the look.
enum class CanvasKey {
    Left,
    Right,
    Up,
    Down,
    Activate,
    Escape,
    AddMode,
    MoveMode,
    DeleteMode,
    ReadCursor,
    HighContrast,
    ReadKeys,
    NextPoint,
    ReadSummary
};
// The keys by the names browsers give them (letters in lower case), for every front end.
struct CanvasKeyName
{
    const char *name;
    CanvasKey key;
};
constexpr std::array<CanvasKeyName, 15> kCanvasKeyNames{{{"ArrowLeft", CanvasKey::Left},
                                                        {"ArrowRight", CanvasKey::Right},
                                                        {"ArrowUp", CanvasKey::Up},
                                                        {"ArrowDown", CanvasKey::Down},
                                                        {"Enter", CanvasKey::Activate},
                                                        {" ", CanvasKey::Activate},
                                                        {"Escape", CanvasKey::Escape},
                                                        {"a", CanvasKey::AddMode},
                                                        {"m", CanvasKey::MoveMode},
                                                        {"d", CanvasKey::DeleteMode},
                                                        {"c", CanvasKey::ReadCursor},
                                                        {"h", CanvasKey::HighContrast},
                                                        {"?", CanvasKey::ReadKeys},
                                                        {"p", CanvasKey::NextPoint},
                                                        {"s", CanvasKey::ReadSummary}}};
std::optional<CanvasKey> canvasKeyNamed(std::string_view name);
// What the keys do, as the canvas's help says it.
constexpr const char *kCanvasKeysHelp
    = "On the canvas: the arrows move the cursor 10 pixels, Shift and the arrows 1. Enter or Space clicks at the "
      "cursor: in Add mode it adds a point, in Delete mode it deletes the nearest point, in Move mode it picks up "
      "the nearest point, which the arrows then move and Enter or Space puts down; Escape puts it back. A, M and D "
      "choose Add, Move and Delete; C says where the cursor is; H switches high contrast on and off. P selects the "
      "next point, puts the cursor on it and says where it is, Shift P the point before; S sums the curve up; the "
      "question mark reads these keys. Control C copies the points as CSV text; Control V replaces them with "
      "pasted points, one x and y a line.";
// How the canvas says to hear its keys.
constexpr const char *kCanvasKeysHint = "Question mark reads the keys.";
EditResult keyPress(CanvasModel &canvas, const ViewTransform &view, const Projection &projection, CanvasKey key,
                    bool fine, double pixelRatio);
// The canvas gained focus; from the keyboard, its focus frame and cursor show. It lost focus: a
// held point stays where it is, and the frame goes.
EditResult focusGained(CanvasModel &canvas, bool fromKeyboard);
EditResult focusLost(CanvasModel &canvas);

// What the canvas says of itself on focus and when asked where it is: "Add mode. 3 points, degree
// 2. Cursor at (0.50, -0.19). Question mark reads the keys."
std::string canvasDescription(const CanvasModel &canvas, const ViewTransform &view, const Projection &projection,
                              double pixelRatio);
// The curve summed up: "3 points, degree 2, from (-0.50, -0.50) to (0.50, -0.50), x from -0.50 to
// 0.50, y from -0.50 to 0.50."
std::string curveSummary(const CanvasModel &canvas);

// Undo and redo of the control points' changes; nothing while a point is held. canUndo and
// canRedo say whether they would do anything.
bool canUndo(const CanvasModel &canvas);
bool canRedo(const CanvasModel &canvas);
EditResult undo(CanvasModel &canvas);
EditResult redo(CanvasModel &canvas);

// One coordinate of point `index` (axis 0 is x, 1 is y) set to what a person typed: one step to
// undo, said as a move. Text that is not a number within kCoordinateLimit is refused, and said
// so (the bound keeps the hull's products finite); the value as shown, which is rounded, leaves
// the point as it is.
constexpr double kCoordinateLimit = 1e6;
// The bound as the refusals say it: "a number from -1000000 to 1000000".
std::string coordinateRangeText();
EditResult setControlPointCoordinate(CanvasModel &canvas, int index, int axis, const std::string &text);

// Points pasted or dropped as text (PointText.h's forms) replace the control points as one step
// to undo: "7 points pasted."; text that is not points changes nothing and says why:
// "Nothing pasted: line 3 does not hold two numbers."
EditResult pastePoints(CanvasModel &canvas, std::string_view text);
// The points as the clipboard and the CSV file take them.
std::string copiedPoints(const CanvasModel &canvas);
// What the page's address keeps of the canvas, and a link opened into it: on load with no
// step to undo, in an open tab as one ("Link opened. 3 points, degree 2."). The views' own
// values follow it: the front end sets its controls from the link.
CurveLink linkOf(const CanvasModel &canvas);
EditResult openLink(CanvasModel &canvas, const CurveLink &link, bool undoable);

// A coordinate as the sentences and the page's table show it: two decimals, never "-0.00".
std::string coordinateText(double value);
// The count and the degree: "3 points, degree 2.", "1 point, degree 0.", "No points."
std::string countText(std::size_t count);
// How many points, for sentences and file names: "1 point", "5 points".
std::string pointAmount(std::size_t count);

} // namespace bezier
