#pragma once
// What the screen shows beside the construction and the camera: the hovered strip button
// with its tooltip, the layout of the strips' colour group, the about disc's animation,
// status-line notices, and what a click at the pointer would do. The dispatcher and the strips
// change it, the overlay lays out and animates what it draws; none of it is part of the document.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "math/matrix.h"
#include "math/vector.h"
#include "model/modes.h"

namespace interaction {

// What a click where the pointer rests would do, shown before it is made.
struct EditPreview {
    enum class Mark : uint8_t {
        None,
        Hover,   // the block a click would act on (twist, copy colour, choose centre...)
        Delete,  // the block a click would delete
        Paint,   // the block a click would paint in the current colour
        Branch,  // the branch a Shift+click would select
    };
    struct Ghost {
        math::Mat4 world;
        int32_t colour = 0;
        int32_t selfLit = 0;
        bool operator==(const Ghost&) const = default;
    };
    Mark mark = Mark::None;
    std::vector<math::Mat4> marked;  // world transforms of the marked blocks
    std::vector<Ghost> ghosts;       // blocks a click would add, where they would be
    bool refused = false;            // the ghosts' places are taken: a click adds nothing
    bool operator==(const EditPreview&) const = default;
};

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
    // --- what the last branch command or paste click had to say (a copy made, a paste
    // refused), shown before the notice; the next press or command takes it away
    std::string editNotice;  // UTF-8
    bool editNoticeIsWarning = false;

    // --- the pointer over the view (view pixels) and what a click there would do
    bool pointerInView = false;
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    EditPreview preview;
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
