#include "core/EditHistory.h"

#include <utility>

namespace bezier {

namespace {

std::size_t bytesOf(const CanvasSnapshot &state)
{
    return state.controlPoints.size() * sizeof(Point3);
}

} // namespace

void EditHistory::record(CanvasSnapshot before)
{
    for (const CanvasSnapshot &state : redoSteps)
        bytes -= bytesOf(state);
    redoSteps.clear();
    bytes += bytesOf(before);
    undoSteps.push_back(std::move(before));
    trim();
}

std::optional<CanvasSnapshot> EditHistory::undo(CanvasSnapshot current)
{
    if (undoSteps.empty())
        return std::nullopt;
    CanvasSnapshot previous = std::move(undoSteps.back());
    undoSteps.pop_back();
    bytes += bytesOf(current) - bytesOf(previous);
    redoSteps.push_back(std::move(current));
    trim();
    return previous;
}

std::optional<CanvasSnapshot> EditHistory::redo(CanvasSnapshot current)
{
    if (redoSteps.empty())
        return std::nullopt;
    CanvasSnapshot next = std::move(redoSteps.back());
    redoSteps.pop_back();
    bytes += bytesOf(current) - bytesOf(next);
    undoSteps.push_back(std::move(current));
    trim();
    return next;
}

void EditHistory::trim()
{
    while (undoSteps.size() > kMaxSteps || (bytes > kMaxPointBytes && undoSteps.size() + redoSteps.size() > 1)) {
        if (undoSteps.empty())
            break;
        bytes -= bytesOf(undoSteps.front());
        undoSteps.pop_front();
    }
}

} // namespace bezier
