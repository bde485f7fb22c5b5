#pragma once
// What the screen shows beside the construction and the camera: the hovered strip button
// with its tooltip, the layout of the strips' colour group, and the about disc's
// animation. The dispatcher and the strips change it, the overlay lays out and animates
// what it draws; none of it is part of the document.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "math/vector.h"
#include "model/modes.h"

namespace interaction {

struct ScreenState {
    // --- about page: shown from start-up; a new construction does not bring it back
    int32_t aboutShown = 1;
    int32_t aboutOpening = 0;
    int32_t aboutClosing = 0;
    int32_t aboutCloseFacing = 0;
    int32_t aboutBackFacing = 0;
    float aboutAngle = 0;
    math::Vec3 aboutAxis;

    // --- on-screen strips: hover state and the widths the drawing pass refreshes
    bool stripHit = false;
    bool tooltipLeftAnchored = true;
    int32_t hoveredButton = 0;
    int32_t tooltipX = 0;
    int32_t tooltipY = 0;
    int32_t tooltipStyle = 1;
    std::string tooltipText;  // UTF-8
    int32_t colourButtonWidth[7] = {18, 18, 18, 18, 18, 18, 18};
    int32_t colourButtonsWidth = 7 * 18;
    int32_t topStripGap = 8;
    // The web address takes the last this many pixels of the bottom strip: 100, or as
    // much as its text takes where that is more.
    int32_t webLinkWidth = 100;

    // --- a notice the status line shows instead of the mode (empty: none)
    std::string notice;  // UTF-8
    bool noticeIsWarning = false;
};

// Captions of the editing modes and the camera modes.
inline constexpr std::array<std::string_view, model::ModeCount> kModeNames = {
    "Осмотреть конструкцию", "Крутить Торвин",   "Красить Торвин", "Добавить Торвин",
    "Удалить Торвин",        "Скопировать цвет", "Выбрать Центр",
};
inline constexpr std::array<std::string_view, 2> kCameraModeNames = {"Вращение вокруг Цели",
                                                                     "Свободная Цель"};
inline constexpr std::array<std::string_view, 2> kCameraModeTags = {"ВЦ", "СЦ"};

}  // namespace interaction
