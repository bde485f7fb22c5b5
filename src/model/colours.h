#pragma once
// The five block colours. The user interface numbers them 1..5; the sixth caption is
// the random-colour switch, not a colour.
#include <array>
#include <string_view>

namespace model {

inline constexpr int ColourRed = 0;
inline constexpr int ColourYellow = 1;
inline constexpr int ColourGreen = 2;
inline constexpr int ColourBlue = 3;
inline constexpr int ColourWhite = 4;
inline constexpr int ColourCount = 5;

struct ColourRGBA {
    float r = 0, g = 0, b = 0, a = 0;
};

inline constexpr std::array<ColourRGBA, ColourCount> BlockColours = {{
    {1.0f, 0.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 0.0f, 1.0f},
    {0.0f, 0.8f, 0.0f, 1.0f},
    {0.0f, 0.0f, 1.0f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
}};

// Index ColourCount is the random-colour switch.
inline constexpr std::array<std::string_view, ColourCount + 1> ColourCaptions = {
    "Красный ( 1 )", "Желтый ( 2 )", "Зеленый ( 3 )",
    "Синий ( 4 )",   "Белый ( 5 )",  "Случайный ( 6 )",
};

inline constexpr bool IsColourIndex(int c) {
    return c >= 0 && c < ColourCount;
}

}  // namespace model
