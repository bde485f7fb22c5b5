#include "interaction/strips.h"

#include <algorithm>
#include <array>

#include "interaction/command_ids.h"
#include "interaction/command_table.h"
#include "model/colours.h"
#include "model/modes.h"

using namespace camera;
using namespace input;
using namespace model::edit;
using namespace model;

namespace interaction {

namespace strip {
namespace {

using C = Check;

// clang-format off
constexpr std::array kTopButtons{
    //        code gaps text                                   text while on                 state          value             tint        mode              right
    TopButton{10, 0, "Показывать подсказки",                "Спрятать подсказки",         C::Hints,      0,                0xFF00FF00, -1,               false},
    TopButton{11, 0, "Спрятать кнопки",                     "",                           C::None,       0,                0xFF00FF00, -1,               false},
    TopButton{12, 0, "Включить сетку",                      "Выключить сетку",            C::Grid,       0,                0xFF00FF00, -1,               false},
    TopButton{13, 0, "Включить оси",                        "Выключить оси",              C::Axes,       0,                0xFF00FF00, -1,               false},
    TopButton{14, 1, "Высокая детализация",                 "",                           C::DetailLevel, 1,               0xFF00FF00, -1,               false},
    TopButton{15, 1, "Средняя детализация",                 "",                           C::DetailLevel, 2,               0xFF00FF00, -1,               false},
    TopButton{16, 1, "Низкая детализация",                  "",                           C::DetailLevel, 3,               0xFF00FF00, -1,               false},
    TopButton{18, 1, "Показывать в виде кубов",             "",                           C::Cubes,      0,                0xFF00FF00, -1,               false},
    TopButton{19, 2, "Цвет фона",                           "",                           C::None,       0,                0xFFDDFF33, -1,               false},
    TopButton{20, 2, "Цвет сетки",                          "",                           C::None,       0,                0xFF55FFAA, -1,               false},
    TopButton{21, 3, "Свободная цель",                      "Вращаться вокруг Цели",      C::OrbitMode,  0,                0xFFFF33FF, -1,               true},
    TopButton{22, 3, "Включить автокручение",               "Выключить автокручение",     C::AutoSpin,   0,                0xFF7777FF, -1,               true},
    TopButton{23, 4, "Добавить Торвин",                     "",                           C::Mode,       ModeAdd,          0xFFAAFF00, ModeAdd,          true},
    TopButton{24, 4, "Удалить Торвин",                      "",                           C::Mode,       ModeDelete,       0xFFFF5555, ModeDelete,       true},
    TopButton{25, 4, "Красить Торвин",                      "",                           C::Mode,       ModePaint,        0xFFFF9900, ModePaint,        true},
    TopButton{26, 4, "Крутить Торвин",                      "",                           C::Mode,       ModeTwist,        0xFFFF5555, ModeTwist,        true},
    TopButton{27, 5, "Центр",                               "",                           C::None,       0,                0xFFFFFF00, -1,               true},
    TopButton{17, 5, "Выбрать Центр",                       "",                           C::Mode,       ModeChooseCentre, 0xFFAAFF55, ModeChooseCentre, true},
    TopButton{33, 5, "Найти ближайший Торвин",              "",                           C::None,       0,                0xFFFFAA55, -1,               true},
    TopButton{30, 6, "Создать",                             "",                           C::None,       0,                0xFF5555FF, -1,               true},
    TopButton{31, 6, "Открыть",                             "",                           C::None,       0,                0xFF55AAFF, -1,               true},
    TopButton{32, 6, "Сохранить",                           "",                           C::None,       0,                0xFFAA33FF, -1,               true},
};
// clang-format on

constexpr int kTopCells = static_cast<int>(kTopButtons.size());
constexpr int kTopGaps = 7;  // six between the groups, one after the last

const TopButton* FindTop(int code) {
    for (const TopButton& b : kTopButtons)
        if (b.code == code) return &b;
    return nullptr;
}

// The right end of the top strip (exit in full screen, then window/full screen): the
// button under x and the right edge its tooltip ends at, or -1.
int RightEndButton(int width, bool windowed, int x, int* tooltipX) {
    int e = width - kCell;
    if (!windowed) {
        if (x > e) {
            *tooltipX = width;
            return kExit;
        }
        e = width - 2 * kCell;
    }
    if (x > e) {
        *tooltipX = e + kCell;
        return kFullScreen;
    }
    return -1;
}

}  // namespace

std::span<const TopButton> TopButtons() {
    return kTopButtons;
}

int TopStripGap(int width, bool windowed) {
    const int rightEnd = windowed ? kCell : 2 * kCell;
    return std::max(8, (width - kTopCells * kCell - rightEnd) / kTopGaps);
}

int TopCellLeft(int index, int gap) {
    return index * kCell + kTopButtons[static_cast<size_t>(index)].gapsBefore * gap;
}

std::string ColourButtonLabel(const CVelVorlaSystem& s, int i) {
    if (i >= 0 && i < ColourCount) return std::to_string(s.model.colourCounts[i]);
    if (i == 6) return std::to_string(s.model.Total());
    return "";
}

int ColourButtonWidth(int labelCharacters) {
    return kCell + 9 * std::max(0, labelCharacters - 1);
}

void LayOutColourGroup(ScreenState& screen, const CVelVorlaSystem& s) {
    screen.colourButtonsWidth = 0;
    for (int i = 0; i < 7; ++i) {
        const int w = ColourButtonWidth(static_cast<int>(ColourButtonLabel(s, i).size()));
        screen.colourButtonWidth[i] = w;
        screen.colourButtonsWidth += w;
    }
}

std::string Tooltip(int code, const CVelVorlaSystem& s, const CVelCamera& camera, bool windowed) {
    const size_t k = camera.orbitMode ? 0 : 1;
    switch (code) {
        case kAbout:
            return "О программе ( / )";
        case kTotal:
            return "Всего";
        case kCameraLabel:
            return std::string(kCameraModeTags[k]) + " - " + std::string(kCameraModeNames[k]);
        case kWebLink:
            return "Если Вы подключены к интернету, добро пожаловать к нам в гости";
        case kExit:
            return "Выход из программы";
        case kFullScreen:
            return windowed ? "На полный экран ( Alt + Enter )" : "Перейти в окно ( Alt + Enter )";
        default:
            break;
    }
    if (code >= kRed && code <= kRandom) return std::string(ColourCaptions[code - kRed]);
    if (const TopButton* b = FindTop(code)) {
        const bool on = Holds(b->state, b->value, s, camera);
        std::string text = on && *b->textOn ? b->textOn : b->text;
        const Command* command = FindByStripButton(code);
        if (command && *command->keyLabel) text += " ( " + TooltipKeyText(command->keyLabel) + " )";
        return text;
    }
    return "";
}

bool HitTestBottomStrip(ScreenState& screen, const CVelVorlaSystem& s, const CVelCamera& camera,
                        int x) {
    const int width = camera.viewportWidth;
    screen.stripHit = true;
    screen.tooltipLeftAnchored = true;
    screen.tooltipStyle = 1;
    screen.tooltipY = camera.viewportHeight - 42;

    int code = -1;
    if (x < kColourGroupX) {
        code = kAbout;
        screen.tooltipX = 0;
    } else if (x < kColourGroupX + screen.colourButtonsWidth) {
        if (!s.showButtons) return false;
        int left = kColourGroupX;
        for (int i = 0; i < 7; ++i) {
            if (x < left + screen.colourButtonWidth[i]) {
                code = kRed + i;
                screen.tooltipX = left;
                break;
            }
            left += screen.colourButtonWidth[i];
        }
        if (code < 0) return false;
    } else if (x < width - std::max(kWebLinkWidth, screen.webLinkWidth)) {
        if (!s.showButtons || s.modifierMode != ModeNone) return false;
        code = kCameraLabel;
        screen.tooltipX = kColourGroupX + screen.colourButtonsWidth;
    } else {
        code = kWebLink;
        screen.tooltipX = width;
        screen.tooltipLeftAnchored = false;
        screen.tooltipY = camera.viewportHeight - 76;
        screen.tooltipStyle = 3;
    }
    screen.hoveredButton = code;
    screen.tooltipText = Tooltip(code, s, camera, true);
    return true;
}

bool HitTestTopStrip(ScreenState& screen, const CVelVorlaSystem& s, const CVelCamera& camera,
                     bool windowed, int x) {
    screen.stripHit = true;
    screen.tooltipLeftAnchored = true;
    screen.tooltipStyle = 1;
    screen.tooltipY = 22;
    // The right end is drawn over the cells of a narrow view, so it is found first.
    if (int code = RightEndButton(camera.viewportWidth, windowed, x, &screen.tooltipX); code >= 0) {
        screen.hoveredButton = code;
        screen.tooltipLeftAnchored = false;
        screen.tooltipText = Tooltip(code, s, camera, windowed);
        return true;
    }
    if (!s.showButtons) return false;
    const int gap = screen.topStripGap;
    for (int i = 0; i < kTopCells; ++i) {
        const int left = TopCellLeft(i, gap);
        if (x < left) return false;  // in the gap before this cell
        if (x >= left + kCell) continue;
        const TopButton& b = kTopButtons[static_cast<size_t>(i)];
        screen.hoveredButton = b.code;
        screen.tooltipLeftAnchored = !b.rightAnchored;
        screen.tooltipX = b.rightAnchored ? left + kCell : left;
        screen.tooltipText = Tooltip(b.code, s, camera, windowed);
        return true;
    }
    return false;
}

}  // namespace strip

void CStripButtons::Remember(bool top, int x) {
    lastTop_ = top;
    lastX_ = x;
    lastWidth_ = camera_.viewportWidth;
    lastHeight_ = camera_.viewportHeight;
}

bool CStripButtons::HitTestBottomStrip(int x) {
    Remember(false, x);
    return strip::HitTestBottomStrip(screen_, system_, camera_, x);
}

bool CStripButtons::HitTestTopStrip(int x) {
    Remember(true, x);
    return strip::HitTestTopStrip(screen_, system_, camera_, host_.Windowed(), x);
}

void CStripButtons::RunStripButton() {
    if (!screen_.stripHit) return;
    const int code = screen_.hoveredButton;
    if (code == strip::kWebLink) {
        host_.OpenMakerSite();
    } else if (code != strip::kTotal && code != strip::kCameraLabel) {  // labels run nothing
        int toggleMode = -1;
        for (const strip::TopButton& b : strip::TopButtons())
            if (b.code == code) toggleMode = b.toggleMode;
        const interaction::Command* command = interaction::FindByStripButton(code);
        if (toggleMode >= 0 && system_.mode == toggleMode) {
            host_.RunStripCommand(cmd::kInspectMode);
        } else if (command) {
            host_.RunStripCommand(command->id);
        }
    }
    Refresh();
}

void CStripButtons::Refresh() {
    if (!screen_.stripHit) return;
    if (camera_.viewportWidth != lastWidth_ || camera_.viewportHeight != lastHeight_) {
        screen_.stripHit = false;
        return;
    }
    const bool hit = lastTop_ ? HitTestTopStrip(lastX_) : HitTestBottomStrip(lastX_);
    if (!hit) screen_.stripHit = false;
}

}  // namespace interaction
