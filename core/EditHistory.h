#pragma once

#include "geometry/Polyline.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace bezier {

// What an undo or redo restores: the control points and the selection.
struct CanvasSnapshot
{
    Polyline controlPoints;
    int selectedPoint = -1;
};

// A state kept for undo or redo, and the change that leads away from it, as it was announced.
struct HistoryStep
{
    CanvasSnapshot state;
    std::string change;
};

// Undo and redo of changes of the control points, as the states before and after each change.
// Bounded: at most kMaxSteps steps to undo, and the points of every state kept, undo and redo
// together, in at most kMaxPointBytes; beyond either the oldest undo steps go. A state larger
// than the bound alone is kept alone, so the last change can always be undone.
class EditHistory
{
public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxPointBytes = std::size_t{16} << 20;

    // The state before a change, and the change; a new change drops what could be redone.
    void record(CanvasSnapshot before, std::string change);
    // The state to go back to, given the current one, which redo then restores, with the change
    // taken back; nothing when there is nothing to undo.
    std::optional<HistoryStep> undo(CanvasSnapshot current);
    std::optional<HistoryStep> redo(CanvasSnapshot current);
    bool canUndo() const { return !undoSteps.empty(); }
    bool canRedo() const { return !redoSteps.empty(); }
    std::size_t undoCount() const { return undoSteps.size(); }
    std::size_t pointBytes() const { return bytes; }

private:
    void trim();

    std::deque<HistoryStep> undoSteps;
    std::deque<HistoryStep> redoSteps;
    std::size_t bytes = 0;
};

} // namespace bezier
