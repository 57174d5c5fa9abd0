#include "core/EditHistory.h"

#include <utility>

namespace bezier {

namespace {

std::size_t bytesOf(const CanvasSnapshot &state)
{
    return state.controlPoints.size() * sizeof(Point3);
}

std::size_t bytesOf(const HistoryStep &step)
{
    return bytesOf(step.state);
}

} // namespace

void EditHistory::record(CanvasSnapshot before, std::string change)
{
    for (const HistoryStep &step : redoSteps)
        bytes -= bytesOf(step);
    redoSteps.clear();
    bytes += bytesOf(before);
    undoSteps.push_back({std::move(before), std::move(change)});
    trim();
}

namespace {

// Moves the last step of `from` onto `to` with the current state, and returns it.
HistoryStep takeStep(std::deque<HistoryStep> &from, std::deque<HistoryStep> &to, CanvasSnapshot current,
                     std::size_t &bytes)
{
    HistoryStep step = std::move(from.back());
    from.pop_back();
    bytes += bytesOf(current) - bytesOf(step);
    to.push_back({std::move(current), step.change});
    return step;
}

} // namespace

std::optional<HistoryStep> EditHistory::undo(CanvasSnapshot current)
{
    if (undoSteps.empty())
        return std::nullopt;
    HistoryStep step = takeStep(undoSteps, redoSteps, std::move(current), bytes);
    trim();
    return step;
}

std::optional<HistoryStep> EditHistory::redo(CanvasSnapshot current)
{
    if (redoSteps.empty())
        return std::nullopt;
    HistoryStep step = takeStep(redoSteps, undoSteps, std::move(current), bytes);
    trim();
    return step;
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
