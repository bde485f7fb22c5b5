#pragma once
// Where the main window stands: kept in the settings ("Window") so that the next start
// puts it back, and chosen to fit the screen on the very first start.
#include <optional>
#include <string>
#include <string_view>

namespace app::core {

struct WindowPlacement {
    // The window's normal (not maximised) area without its frame, in screen pixels.
    int x = 0, y = 0, width = 0, height = 0;
    bool maximized = false;
    bool operator==(const WindowPlacement&) const = default;
};

// "x y width height", then " maximized" when it is.
std::string FormatWindowPlacement(const WindowPlacement& placement);
// Empty for text that is not such a placement (a hand edit gone wrong, a size of 0).
std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text);

// The first window on a screen whose free area is `area`: two thirds of it in each
// direction, centred, never below `minWidth` x `minHeight`.
WindowPlacement FirstPlacement(const WindowPlacement& area, int minWidth, int minHeight);

}  // namespace app::core
