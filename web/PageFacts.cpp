// Prints what the page shares with the core, one NAME=VALUE a line, for the build to write into
// the page's HTML, style sheet and script: the page holds no copy of its own.
#include "core/CanvasEditing.h"
#include "core/CanvasLook.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace bezier;

namespace {

// The key names as a script's object literal: { "ArrowLeft": 0, ... }, by CanvasKey's order.
std::string keyTable()
{
    std::string table = "{";
    for (const CanvasKeyName &key : kCanvasKeyNames) {
        table += table.size() > 1 ? ", \"" : " \"";
        table += key.name;
        table += "\": " + std::to_string(static_cast<int>(key.key));
    }
    return table + " }";
}

void fact(const char *name, const std::string &value)
{
    std::printf("%s=%s\n", name, value.c_str());
}

} // namespace

int main()
{
    fact("CANVAS_KEYS", keyTable());
    fact("CANVAS_KEYS_HELP", kCanvasKeysHelp);
    fact("QT_BUTTONS", "[" + std::to_string(kLeftButton) + ", " + std::to_string(kMiddleButton) + ", "
                           + std::to_string(kRightButton) + "]");
    fact("DELETE_MODE", std::to_string(kDeleteMode));
    fact("ADD_MODE", std::to_string(kAddMode));
    fact("MOVE_MODE", std::to_string(kMoveMode));
    const CanvasModel start;
    for (const auto &[name, mode] : {std::pair{"ADD_PRESSED", kAddMode}, std::pair{"MOVE_PRESSED", kMoveMode},
                                     std::pair{"DELETE_PRESSED", kDeleteMode}})
        fact(name, start.userMode == mode ? "true" : "false");
    fact("FOCUS_COLOR", hexColor(kFocusFrameColor));
    fact("MAX_TEXT_BYTES", std::to_string(kMaxExchangedBytes));
    return 0;
}
