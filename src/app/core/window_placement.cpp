#include "app/core/window_placement.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace app::core {

namespace {

// Larger than any screen: a number beyond it is a damaged value.
constexpr int kMaxCoordinate = 1 << 20;

}  // namespace

std::string FormatWindowPlacement(const WindowPlacement& p) {
    std::string text = std::to_string(p.x) + ' ' + std::to_string(p.y) + ' ' +
                       std::to_string(p.width) + ' ' + std::to_string(p.height);
    if (p.maximized) text += " maximized";
    return text;
}

std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text) {
    std::vector<std::string_view> words;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const size_t end = std::min(text.find(' ', i), text.size());
        words.push_back(text.substr(i, end - i));
        i = end;
    }
    if (words.size() != 4 && !(words.size() == 5 && words[4] == "maximized")) return std::nullopt;
    int v[4] = {};
    for (int k = 0; k < 4; ++k) {
        const std::string_view w = words[static_cast<size_t>(k)];
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v[k]);
        if (ec != std::errc() || end != w.data() + w.size() || v[k] < -kMaxCoordinate ||
            v[k] > kMaxCoordinate)
            return std::nullopt;
    }
    if (v[2] <= 0 || v[3] <= 0) return std::nullopt;
    return WindowPlacement{v[0], v[1], v[2], v[3], words.size() == 5};
}

WindowPlacement FirstPlacement(const WindowPlacement& area, int minWidth, int minHeight) {
    WindowPlacement p;
    p.width = std::max(area.width * 2 / 3, minWidth);
    p.height = std::max(area.height * 2 / 3, minHeight);
    p.x = area.x + (area.width - p.width) / 2;
    p.y = area.y + (area.height - p.height) / 2;
    return p;
}

}  // namespace app::core
