#include "app/core/command_table.h"

#include <array>

namespace app {
namespace {

using K = MenuEntry::Kind;
constexpr MenuEntry Item(int id, const char* text, const char* key = "") {
    return {K::Item, id, text, key};
}
constexpr MenuEntry Sep() {
    return {K::Separator, 0, "", ""};
}

constexpr std::array kFile{
    Item(cmd::kNew, "&Создать", "Ctrl+N"),
    Sep(),
    Item(cmd::kOpen, "&Открыть...", "Ctrl+O"),
    Item(cmd::kSaveAs, "&Сохранить как...", "Ctrl+S"),
    Sep(),
    Item(cmd::kExportMesh, "&Экспорт..."),
    Item(cmd::kSaveImage, "Сохранить &изображение..."),
    Sep(),
    Item(cmd::kExit, "&Выход"),
};

constexpr std::array kActions{
    Item(cmd::kOrbitMode, "Вращение вокруг Цели", "TAB"),
    Item(cmd::kFreeTargetMode, "Свободная Цель", "TAB"),
    Sep(),
    Item(cmd::kAutoSpinAround, "Автокручение вокруг Цели", "Пробел"),
    Item(cmd::kAutoSpinTarget, "Автокручение Цели", "Пробел"),
    Sep(),
    Item(cmd::kColourRed, "Красный", "1"),
    Item(cmd::kColourYellow, "Желтый", "2"),
    Item(cmd::kColourGreen, "Зеленый", "3"),
    Item(cmd::kColourBlue, "Синий", "4"),
    Item(cmd::kColourWhite, "Белый", "5"),
    Item(cmd::kRandomColour, "Случайный", "6"),
    Sep(),
    Item(cmd::kCopyColourMode, "Скопировать цвет", "7"),
    Item(cmd::kInspectMode, "Осмотреть конструкцию", "Esc"),
    Item(cmd::kAddMode, "Добавить Торвин", "+"),
    Item(cmd::kDeleteMode, "Удалить Торвин", "-"),
    Item(cmd::kPaintMode, "Красить Торвин", "P"),
    Item(cmd::kTwistMode, "Крутить Торвин", "R"),
    Sep(),
    Item(cmd::kCentre, "Центр", "Enter"),
    Item(cmd::kChooseCentreMode, "Выбрать Центр", "T"),
    Item(cmd::kFindNearest, "Найти ближайший Торвин", "N"),
};

constexpr std::array kDisplay{
    Item(cmd::kShowButtons, "Показывать кнопки", "F2"),
    Item(cmd::kShowGrid, "Показывать &сетку", "F3"),
    Item(cmd::kShowAxes, "Показывать оси вращения", "F4"),
    MenuEntry{K::SubmenuBegin, 0, "&Детализация Торвина", ""},
    Item(cmd::kDetailHigh, "&Высокая", "F5"),
    Item(cmd::kDetailMedium, "&Средняя", "F6"),
    Item(cmd::kDetailLow, "&Низкая", "F7"),
    MenuEntry{K::SubmenuEnd, 0, "", ""},
    Item(cmd::kShowCubes, "&Показывать в виде кубов", "F8"),
    Sep(),
    Item(cmd::kBackgroundColour, "Цвет фона", "F9"),
    Item(cmd::kGridColour, "Цвет сетки", "F10"),
    Sep(),
    Item(cmd::kFullScreen, "&На полный экран", "Alt+Enter"),
};

constexpr std::array kHelp{
    Item(cmd::kShowHints, "Показывать подсказки", "F1"),
    Sep(),
    Item(cmd::kAbout, "О программе", "/"),
};

const std::array kPopups{
    MenuPopup{"Файл", kFile},
    MenuPopup{"Действия", kActions},
    MenuPopup{"Дисплей", kDisplay},
    MenuPopup{"Помощь", kHelp},
};

constexpr std::array kCheckable{
    cmd::kDetailHigh,     cmd::kDetailMedium,   cmd::kDetailLow,      cmd::kShowCubes,
    cmd::kShowGrid,       cmd::kShowAxes,       cmd::kOrbitMode,      cmd::kFreeTargetMode,
    cmd::kAutoSpinAround, cmd::kAutoSpinTarget, cmd::kCopyColourMode, cmd::kInspectMode,
    cmd::kAddMode,        cmd::kDeleteMode,     cmd::kPaintMode,      cmd::kTwistMode,
    cmd::kColourRed,      cmd::kColourYellow,   cmd::kColourGreen,    cmd::kColourBlue,
    cmd::kColourWhite,    cmd::kRandomColour,   cmd::kShowHints,      cmd::kShowButtons,
};

constexpr Accelerator Key(int vkCode, int command) {
    return {vkCode, false, false, false, command};
}

// The "=" and "-" character entries of the table are the unshifted =/+ and -/_ keys.
constexpr std::array kAccel{
    Accelerator{'N', true, false, false, cmd::kNew},
    Accelerator{'O', true, false, false, cmd::kOpen},
    Accelerator{'S', true, false, false, cmd::kSaveAs},
    Key(vk::VK_TAB, cmd::kToggleOrbit),
    Key(vk::VK_SPACE, cmd::kToggleAutoSpin),
    Key('1', cmd::kColourRed),
    Key('2', cmd::kColourYellow),
    Key('3', cmd::kColourGreen),
    Key('4', cmd::kColourBlue),
    Key('5', cmd::kColourWhite),
    Key('6', cmd::kRandomColour),
    Key('7', cmd::kCopyColourMode),
    Key(vk::VK_ESCAPE, cmd::kInspectMode),
    Key(vk::VK_OEM_PLUS, cmd::kAddMode),
    Key(vk::VK_ADD, cmd::kAddMode),
    Key(vk::VK_OEM_MINUS, cmd::kDeleteMode),
    Key(vk::VK_SUBTRACT, cmd::kDeleteMode),
    Key('P', cmd::kPaintMode),
    Key('R', cmd::kTwistMode),
    Key(vk::VK_F1, cmd::kShowHints),
    Key(vk::VK_F2, cmd::kShowButtons),
    Key(vk::VK_F3, cmd::kShowGrid),
    Key(vk::VK_F4, cmd::kShowAxes),
    Key(vk::VK_F5, cmd::kDetailHigh),
    Key(vk::VK_F6, cmd::kDetailMedium),
    Key(vk::VK_F7, cmd::kDetailLow),
    Key(vk::VK_F8, cmd::kShowCubes),
    Key(vk::VK_F9, cmd::kBackgroundColour),
    Key(vk::VK_F10, cmd::kGridColour),
    Accelerator{vk::VK_RETURN, false, false, true, cmd::kFullScreen},
    Key(vk::VK_RETURN, cmd::kCentre),
    Key('T', cmd::kChooseCentreMode),
    Key('N', cmd::kFindNearest),
    Key(vk::VK_BACK, cmd::kCancelTwist),
    Key(vk::VK_OEM_2, cmd::kAbout),
};

}  // namespace

std::span<const MenuPopup> Menu() {
    return kPopups;
}
std::span<const int> CheckableCommands() {
    return kCheckable;
}
std::span<const Accelerator> Accelerators() {
    return kAccel;
}

std::optional<int> TranslateAccelerator(const InputMessage& msg) {
    if (msg.kind != MessageKind::KeyDown) return std::nullopt;
    const bool ctrl = (msg.buttons & vk::MK_CONTROL) != 0;
    const bool shift = (msg.buttons & vk::MK_SHIFT) != 0;
    for (const Accelerator& a : kAccel) {
        if (a.virtualKey == msg.virtualKey && a.ctrl == ctrl && a.shift == shift &&
            a.alt == msg.alt)
            return a.command;
    }
    return std::nullopt;
}

}  // namespace app
