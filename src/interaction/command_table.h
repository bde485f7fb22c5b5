#pragma once
// Every command once: its menu text, the key label the menu shows, the keys that run it,
// the rule for its check mark and its on-screen button. The menu bar, the accelerator
// translation and the check marks are all derived from this table; the menu layout below
// only says where each command stands.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "camera/camera.h"
#include "input/input_message.h"
#include "interaction/command_ids.h"
#include "model/construction.h"

namespace interaction {

// A key with the modifiers that must be held with it, exactly (as a classic accelerator
// table matches them), or a character typed without Ctrl and Alt, whatever key and Shift
// state types it on the user's layout. virtualKey and character 0: no key.
struct KeyChord {
    int virtualKey = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    char32_t character = 0;
};

// When a command's menu item shows a check mark.
enum class Check {
    None,            // never checkable
    DetailLevel,     // detailLevel == value, cubes off
    Cubes,           // showAsCubes
    Grid,            // showGrid
    Axes,            // showAxes
    OrbitMode,       // camera orbitMode == value
    AutoSpinAround,  // camera autoSpinAround
    AutoSpinTarget,  // camera autoSpinTarget
    AutoSpin,        // the current camera mode's automatic rotation
    Mode,            // mode == value
    Colour,          // currentColour == value, random colour off
    RandomColour,    // randomColour
    Hints,           // showHints
    Buttons,         // showButtons
};

// When a command's menu item can be chosen (greyed out otherwise).
enum class Enable {
    Always,
    CanUndo,    // the undo history has a step to take back
    CanRedo,    // the undo history has a step to take again
    Selection,  // a branch is selected
};

struct Command {
    int id = 0;
    const char* menuText = "";  // with & mnemonics; "" when the command has no menu item
    const char* keyLabel = "";  // shown at the right of the menu item
    KeyChord keys[3] = {};      // accelerators, unused ones empty
    Check check = Check::None;
    int checkValue = 0;
    int stripButton = -1;  // code of the on-screen button that runs it, -1 none
    Enable enable = Enable::Always;
};

// Every command, in no particular order.
std::span<const Command> All();
// The command with this id, or null.
const Command* Find(int id);
// The command an on-screen button runs, or null (labels, the web link).
const Command* FindByStripButton(int code);

struct MenuEntry {
    // RecentFiles: a submenu whose items the frame builds from the list of recent files
    // (commands cmd::kRecentFileFirst + i).
    enum class Kind { Item, Separator, SubmenuBegin, SubmenuEnd, RecentFiles };
    Kind kind = Kind::Item;
    int id = 0;             // Item: the command
    const char* text = "";  // SubmenuBegin, RecentFiles: the submenu's title
};

struct MenuPopup {
    const char* title;
    std::span<const MenuEntry> entries;
};

// The popups of the menu bar, in order.
std::span<const MenuPopup> Menu();

// The index into the recent-files list of a recent-file command, or -1.
int RecentFileIndex(int id);

// The command of a key-down message, if any. Modifiers are read from msg.buttons
// (vk::MK_CONTROL, vk::MK_SHIFT) and msg.alt, which the shell fills for key messages too.
std::optional<int> TranslateAccelerator(const input::InputMessage& msg);

// Whether some command runs on this key pressed with Ctrl (alone or with Shift).
bool IsCtrlAcceleratorKey(int virtualKey);

// Whether the command's menu item can be chosen in this state.
bool IsEnabled(const Command& command, const model::CVelVorlaSystem& system);

// Whether the command's menu item is checked in this state. A command without a check
// rule is never checked.
bool IsChecked(const Command& command, const model::CVelVorlaSystem& system,
               const camera::CVelCamera& camera);
// Whether `check` (with its value) holds in this state: the menu's check marks and the
// pressed look of the on-screen buttons follow the same rules.
bool Holds(Check check, int value, const model::CVelVorlaSystem& system,
           const camera::CVelCamera& camera);
// The text of the undo or redo menu item, naming the step it would take ("Отменить:
// добавление Торвина"); the bare command name when there is none.
std::string UndoMenuText(const model::CVelVorlaSystem& system, bool redo);

// A key label as a tooltip writes it: "Ctrl+N" becomes "Ctrl + N".
std::string TooltipKeyText(std::string_view keyLabel);

}  // namespace interaction
