#include "interaction/command_table.h"

#include <array>
#include <string>

using namespace camera;
using namespace input;
using namespace model;

namespace interaction {

namespace {

constexpr KeyChord Key(int virtualKey) {
    return {virtualKey, false, false, false};
}
constexpr KeyChord Ctrl(int virtualKey) {
    return {virtualKey, true, false, false};
}
constexpr KeyChord CtrlShift(int virtualKey) {
    return {virtualKey, true, true, false};
}
constexpr KeyChord Alt(int virtualKey) {
    return {virtualKey, false, false, true};
}
constexpr KeyChord Char(char32_t character) {
    return {0, false, false, false, character};
}

using C = Check;

// clang-format off
// The "=" and "-" character keys are the unshifted =/+ and -/_ keys (VK_OEM_PLUS/MINUS);
// "+" is the character, typed with Shift or without on the user's layout.
constexpr std::array kCommands{
    //       id                      menu text                   label       keys                                             check            value             strip  enabled
    Command{cmd::kNew,              "&Создать",                 "Ctrl+N",   {Ctrl('N')},                                     C::None,         0,                30},
    Command{cmd::kOpen,             "&Открыть...",              "Ctrl+O",   {Ctrl('O')},                                     C::None,         0,                31},
    Command{cmd::kSave,             "&Сохранить",               "Ctrl+S",   {Ctrl('S')},                                     C::None,         0,                32},
    Command{cmd::kSaveAs,           "&Сохранить как...",        "Ctrl+Shift+S", {CtrlShift('S')},                            C::None,         0,                -1},
    Command{cmd::kExportMesh,       "&Экспорт...",              "",         {},                                              C::None,         0,                -1},
    Command{cmd::kSaveImage,        "Сохранить &изображение...", "",        {},                                              C::None,         0,                -1},
    Command{cmd::kExit,             "&Выход",                   "",         {},                                              C::None,         0,                28},

    Command{cmd::kUndo,             "Отменить",                 "Ctrl+Z",   {Ctrl('Z')},                                     C::None,         0,                -1, Enable::CanUndo},
    Command{cmd::kRedo,             "Повторить",                "Ctrl+Y",   {Ctrl('Y'), CtrlShift('Z')},                     C::None,         0,                -1, Enable::CanRedo},
    Command{cmd::kCopyBranch,       "Копировать ветку",         "Ctrl+C",   {Ctrl('C')},                                     C::None,         0,                -1, Enable::Selection},
    Command{cmd::kPasteBranch,      "Вставить ветку",           "Ctrl+V",   {Ctrl('V')},                                     C::None,         0,                -1},
    Command{cmd::kDeleteBranch,     "Удалить ветку",            "Delete",   {Key(vk::VK_DELETE)},                            C::None,         0,                -1, Enable::Selection},
    Command{cmd::kPaintBranch,      "Покрасить ветку",          "Ctrl+P",   {Ctrl('P')},                                     C::None,         0,                -1, Enable::Selection},
    Command{cmd::kOrbitMode,        "Вращение вокруг Цели",     "TAB",      {},                                              C::OrbitMode,    1,                -1},
    Command{cmd::kFreeTargetMode,   "Свободная Цель",           "TAB",      {},                                              C::OrbitMode,    0,                -1},
    Command{cmd::kToggleOrbit,      "",                         "Tab",      {Key(vk::VK_TAB)},                               C::None,         0,                21},
    Command{cmd::kAutoSpinAround,   "Автокручение вокруг Цели", "Пробел",   {},                                              C::AutoSpinAround, 0,              -1},
    Command{cmd::kAutoSpinTarget,   "Автокручение Цели",        "Пробел",   {},                                              C::AutoSpinTarget, 0,              -1},
    Command{cmd::kToggleAutoSpin,   "",                         "Пробел",   {Key(vk::VK_SPACE)},                             C::None,         0,                22},
    Command{cmd::kColourRed,        "Красный",                  "1",        {Key('1')},                                      C::Colour,       ColourRed,        1},
    Command{cmd::kColourYellow,     "Желтый",                   "2",        {Key('2')},                                      C::Colour,       ColourYellow,     2},
    Command{cmd::kColourGreen,      "Зеленый",                  "3",        {Key('3')},                                      C::Colour,       ColourGreen,      3},
    Command{cmd::kColourBlue,       "Синий",                    "4",        {Key('4')},                                      C::Colour,       ColourBlue,       4},
    Command{cmd::kColourWhite,      "Белый",                    "5",        {Key('5')},                                      C::Colour,       ColourWhite,      5},
    Command{cmd::kRandomColour,     "Случайный",                "6",        {Key('6')},                                      C::RandomColour, 0,                6},
    Command{cmd::kCopyColourMode,   "Скопировать цвет",         "7",        {Key('7')},                                      C::Mode,         ModeCopyColour,   -1},
    Command{cmd::kInspectMode,      "Осмотреть конструкцию",    "Esc",      {Key(vk::VK_ESCAPE)},                            C::Mode,         ModeInspect,      -1},
    Command{cmd::kAddMode,          "Добавить Торвин",          "+",        {Key(vk::VK_OEM_PLUS), Key(vk::VK_ADD), Char('+')}, C::Mode,      ModeAdd,          23},
    Command{cmd::kDeleteMode,       "Удалить Торвин",           "-",        {Key(vk::VK_OEM_MINUS), Key(vk::VK_SUBTRACT)},   C::Mode,         ModeDelete,       24},
    Command{cmd::kPaintMode,        "Красить Торвин",           "P",        {Key('P')},                                      C::Mode,         ModePaint,        25},
    Command{cmd::kTwistMode,        "Крутить Торвин",           "R",        {Key('R')},                                      C::Mode,         ModeTwist,        26},
    Command{cmd::kCentre,           "Центр",                    "Enter",    {Key(vk::VK_RETURN)},                            C::None,         0,                27},
    Command{cmd::kCentreTarget,     "",                         "",         {},                                              C::None,         0,                -1},
    Command{cmd::kChooseCentreMode, "Выбрать Центр",            "T",        {Key('T')},                                      C::None,         0,                17},
    Command{cmd::kFindNearest,      "Найти ближайший Торвин",   "N",        {Key('N')},                                      C::None,         0,                33},
    Command{cmd::kCancelTwist,      "",                         "",         {Key(vk::VK_BACK)},                              C::None,         0,                -1},

    Command{cmd::kShowButtons,      "Показывать кнопки",        "F2",       {Key(vk::VK_F2)},                                C::Buttons,      0,                11},
    Command{cmd::kShowGrid,         "Показывать &сетку",        "F3",       {Key(vk::VK_F3)},                                C::Grid,         0,                12},
    Command{cmd::kShowAxes,         "Показывать оси вращения",  "F4",       {Key(vk::VK_F4)},                                C::Axes,         0,                13},
    Command{cmd::kDetailHigh,       "&Высокая",                 "F5",       {Key(vk::VK_F5)},                                C::DetailLevel,  1,                14},
    Command{cmd::kDetailMedium,     "&Средняя",                 "F6",       {Key(vk::VK_F6)},                                C::DetailLevel,  2,                15},
    Command{cmd::kDetailLow,        "&Низкая",                  "F7",       {Key(vk::VK_F7)},                                C::DetailLevel,  3,                16},
    Command{cmd::kShowCubes,        "&Показывать в виде кубов", "F8",       {Key(vk::VK_F8)},                                C::Cubes,        0,                18},
    Command{cmd::kBackgroundColour, "Цвет фона",                "F9",       {Key(vk::VK_F9)},                                C::None,         0,                19},
    Command{cmd::kGridColour,       "Цвет сетки",               "F10",      {Key(vk::VK_F10)},                               C::None,         0,                20},
    Command{cmd::kFullScreen,       "&На полный экран",         "Alt+Enter", {Alt(vk::VK_RETURN)},                           C::None,         0,                29},
    Command{cmd::kViewFront,        "Спереди",                  "Ctrl+1",   {Ctrl('1')},                                     C::None,         0,                -1},
    Command{cmd::kViewBack,         "Сзади",                    "Ctrl+2",   {Ctrl('2')},                                     C::None,         0,                -1},
    Command{cmd::kViewLeft,         "Слева",                    "Ctrl+3",   {Ctrl('3')},                                     C::None,         0,                -1},
    Command{cmd::kViewRight,        "Справа",                   "Ctrl+4",   {Ctrl('4')},                                     C::None,         0,                -1},
    Command{cmd::kViewTop,          "Сверху",                   "Ctrl+5",   {Ctrl('5')},                                     C::None,         0,                -1},
    Command{cmd::kViewBottom,       "Снизу",                    "Ctrl+6",   {Ctrl('6')},                                     C::None,         0,                -1},
    Command{cmd::kViewIsometric,    "Изометрия",                "Ctrl+7",   {Ctrl('7')},                                     C::None,         0,                -1},
    Command{cmd::kLevelHorizon,     "Выровнять горизонт",       "Ctrl+H",   {Ctrl('H')},                                     C::None,         0,                -1},

    Command{cmd::kShowHints,        "Показывать подсказки",     "F1",       {Key(vk::VK_F1)},                                C::Hints,        0,                10},
    Command{cmd::kAbout,            "О программе",              "/",        {Key(vk::VK_OEM_2)},                             C::None,         0,                0},
};
// clang-format on

using K = MenuEntry::Kind;
constexpr MenuEntry Item(int id) {
    return {K::Item, id, ""};
}
constexpr MenuEntry Sep() {
    return {K::Separator, 0, ""};
}

// clang-format off
constexpr std::array kFile{
    Item(cmd::kNew),
    Sep(),
    Item(cmd::kOpen),
    MenuEntry{K::RecentFiles, 0, "Недавние файлы"},
    Item(cmd::kSave),
    Item(cmd::kSaveAs),
    Sep(),
    Item(cmd::kExportMesh),
    Item(cmd::kSaveImage),
    Sep(),
    Item(cmd::kExit),
};
// clang-format on

constexpr std::array kActions{
    Item(cmd::kUndo),
    Item(cmd::kRedo),
    Sep(),
    Item(cmd::kCopyBranch),
    Item(cmd::kPasteBranch),
    Item(cmd::kDeleteBranch),
    Item(cmd::kPaintBranch),
    Sep(),
    Item(cmd::kOrbitMode),
    Item(cmd::kFreeTargetMode),
    Sep(),
    Item(cmd::kAutoSpinAround),
    Item(cmd::kAutoSpinTarget),
    Sep(),
    Item(cmd::kColourRed),
    Item(cmd::kColourYellow),
    Item(cmd::kColourGreen),
    Item(cmd::kColourBlue),
    Item(cmd::kColourWhite),
    Item(cmd::kRandomColour),
    Sep(),
    Item(cmd::kCopyColourMode),
    Item(cmd::kInspectMode),
    Item(cmd::kAddMode),
    Item(cmd::kDeleteMode),
    Item(cmd::kPaintMode),
    Item(cmd::kTwistMode),
    Sep(),
    Item(cmd::kCentre),
    Item(cmd::kChooseCentreMode),
    Item(cmd::kFindNearest),
};

constexpr std::array kDisplay{
    Item(cmd::kShowButtons),
    Item(cmd::kShowGrid),
    Item(cmd::kShowAxes),
    MenuEntry{K::SubmenuBegin, 0, "&Детализация Торвина"},
    Item(cmd::kDetailHigh),
    Item(cmd::kDetailMedium),
    Item(cmd::kDetailLow),
    MenuEntry{K::SubmenuEnd, 0, ""},
    Item(cmd::kShowCubes),
    Sep(),
    Item(cmd::kBackgroundColour),
    Item(cmd::kGridColour),
    Sep(),
    Item(cmd::kFullScreen),
    Sep(),
    MenuEntry{K::SubmenuBegin, 0, "Стандартный вид"},
    Item(cmd::kViewFront),
    Item(cmd::kViewBack),
    Item(cmd::kViewLeft),
    Item(cmd::kViewRight),
    Item(cmd::kViewTop),
    Item(cmd::kViewBottom),
    Item(cmd::kViewIsometric),
    MenuEntry{K::SubmenuEnd, 0, ""},
    Item(cmd::kLevelHorizon),
};

constexpr std::array kHelp{Item(cmd::kShowHints), Sep(), Item(cmd::kAbout)};

const std::array kPopups{
    MenuPopup{"Файл", kFile},
    MenuPopup{"Действия", kActions},
    MenuPopup{"Дисплей", kDisplay},
    MenuPopup{"Помощь", kHelp},
};

}  // namespace

std::span<const Command> All() {
    return kCommands;
}

const Command* Find(int id) {
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

const Command* FindByStripButton(int code) {
    for (const Command& c : kCommands)
        if (c.stripButton == code) return &c;
    return nullptr;
}

std::span<const MenuPopup> Menu() {
    return kPopups;
}

int RecentFileIndex(int id) {
    const int index = id - cmd::kRecentFileFirst;
    return index >= 0 && index < cmd::kRecentFileCount ? index : -1;
}

std::optional<int> TranslateAccelerator(const InputMessage& msg) {
    if (msg.kind != MessageKind::KeyDown) return std::nullopt;
    const bool ctrl = (msg.buttons & vk::MK_CONTROL) != 0;
    const bool shift = (msg.buttons & vk::MK_SHIFT) != 0;
    for (const Command& c : kCommands) {
        for (const KeyChord& k : c.keys) {
            if (k.virtualKey != 0 && k.virtualKey == msg.virtualKey && k.ctrl == ctrl &&
                k.shift == shift && k.alt == msg.alt)
                return c.id;
            if (k.character != 0 && k.character == msg.character && !ctrl && !msg.alt) return c.id;
        }
    }
    return std::nullopt;
}

bool IsCtrlAcceleratorKey(int virtualKey) {
    for (const Command& c : kCommands)
        for (const KeyChord& k : c.keys)
            if (k.ctrl && !k.alt && k.virtualKey != 0 && k.virtualKey == virtualKey) return true;
    return false;
}

bool IsEnabled(const Command& c, const CVelVorlaSystem& s) {
    switch (c.enable) {
        case Enable::Always:
            return true;
        case Enable::CanUndo:
            return s.document.CanUndo();
        case Enable::CanRedo:
            return s.document.CanRedo();
        case Enable::Selection:
            return s.selectedBranch != nullptr;
    }
    return true;
}

std::string UndoMenuText(const CVelVorlaSystem& s, bool redo) {
    const std::optional<StepKind> kind = redo ? s.document.RedoKind() : s.document.UndoKind();
    std::string text = redo ? "Повторить" : "Отменить";
    if (!kind) return text;
    switch (*kind) {
        case StepKind::AddBlock:
            return text + ": добавление Торвина";
        case StepKind::DeleteBlock:
            return text + ": удаление Торвина";
        case StepKind::Paint:
            return text + ": покраска";
        case StepKind::Twist:
            return text + ": поворот Торвина";
        case StepKind::PasteBranch:
            return text + ": вставка ветки";
        case StepKind::DeleteBranch:
            return text + ": удаление ветки";
        case StepKind::PaintBranch:
            return text + ": покраска ветки";
    }
    return text;
}

bool IsChecked(const Command& c, const CVelVorlaSystem& s, const CVelCamera& camera) {
    return Holds(c.check, c.checkValue, s, camera);
}

bool Holds(Check check, int value, const CVelVorlaSystem& s, const CVelCamera& camera) {
    switch (check) {
        case Check::None:
            return false;
        case Check::DetailLevel:
            return s.detailLevel == value && !s.showAsCubes;
        case Check::Cubes:
            return s.showAsCubes != 0;
        case Check::Grid:
            return s.showGrid != 0;
        case Check::Axes:
            return s.showAxes != 0;
        case Check::OrbitMode:
            return (camera.orbitMode != 0) == (value != 0);
        case Check::AutoSpinAround:
            return camera.autoSpinAround != 0;
        case Check::AutoSpinTarget:
            return camera.autoSpinTarget != 0;
        case Check::AutoSpin:
            return camera.orbitMode ? camera.autoSpinAround != 0 : camera.autoSpinTarget != 0;
        case Check::Mode:
            return s.mode == value;
        case Check::Colour:
            return s.currentColour == value && !s.randomColour;
        case Check::RandomColour:
            return s.randomColour != 0;
        case Check::Hints:
            return s.showHints != 0;
        case Check::Buttons:
            return s.showButtons != 0;
    }
    return false;
}

std::string TooltipKeyText(std::string_view label) {
    std::string out;
    for (size_t i = 0; i < label.size(); ++i) {
        // A "+" between two key names joins them; a "+" key on its own stays as it is.
        if (label[i] == '+' && i > 0 && i + 1 < label.size()) {
            out += " + ";
        } else {
            out += label[i];
        }
    }
    return out;
}

}  // namespace interaction
