#pragma once
// The menu and the accelerator table as data: the Qt frame builds its menu bar from
// kMenu, and keys that the input dispatcher passes on are looked up in kAccelerators.
#include <optional>
#include <span>

#include "app/core/command_ids.h"
#include "input/input_message.h"

namespace app {

struct MenuEntry {
    enum class Kind { Item, Separator, SubmenuBegin, SubmenuEnd };
    Kind kind = Kind::Item;
    int id = 0;                 // command id (Item only)
    const char* text = "";      // item or submenu text, with & mnemonics
    const char* keyLabel = "";  // shown at the right of the item
};

struct MenuPopup {
    const char* title;
    std::span<const MenuEntry> entries;
};

// The four popups of the menu bar, in order.
std::span<const MenuPopup> Menu();

// Every command id that has a check mark in the menu (RefreshCheckMarks sets all of them).
std::span<const int> CheckableCommands();

struct Accelerator {
    int virtualKey;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    int command;
};

std::span<const Accelerator> Accelerators();

// The command of a key-down message, if any. Modifiers must match exactly, as a classic
// accelerator table matches them: they are read from msg.buttons (vk::MK_CONTROL,
// vk::MK_SHIFT) and msg.alt, which the shell fills for key messages too.
std::optional<int> TranslateAccelerator(const InputMessage& msg);

}  // namespace app
