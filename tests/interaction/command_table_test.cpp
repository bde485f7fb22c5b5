#include "interaction/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "interaction/command_ids.h"

using namespace interaction;

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

TEST(CommandTable, TheMenuBarShowsEveryCommandOnce) {
    const std::vector<std::string> titles = {"Файл", "Действия", "Дисплей", "Помощь"};
    ASSERT_EQ(Menu().size(), titles.size());
    std::map<int, int> shown;
    int recentFiles = 0;
    for (size_t p = 0; p < titles.size(); ++p) {
        EXPECT_EQ(Menu()[p].title, titles[p]);
        int depth = 0;
        for (const MenuEntry& e : Menu()[p].entries) {
            if (e.kind == MenuEntry::Kind::SubmenuBegin) ++depth;
            if (e.kind == MenuEntry::Kind::SubmenuEnd) {
                EXPECT_GE(--depth, 0) << titles[p];
            }
            if (e.kind == MenuEntry::Kind::RecentFiles) ++recentFiles;
            if (e.kind != MenuEntry::Kind::Item) continue;
            const Command* c = Find(e.id);
            ASSERT_NE(c, nullptr) << e.id;
            EXPECT_STRNE(c->menuText, "") << e.id;
            ++shown[e.id];
        }
        EXPECT_EQ(depth, 0) << titles[p];
    }
    EXPECT_EQ(recentFiles, 1);
    // Every command with a menu text stands in the menu, once.
    for (const Command& c : All()) {
        if (*c.menuText) {
            EXPECT_EQ(shown[c.id], 1) << c.menuText;
        }
    }
}

TEST(CommandTable, AcceleratorsNeedTheirModifiersExactly) {
    auto key = [](int virtualKey, unsigned buttons = 0, bool alt = false,
                  MessageKind kind = MessageKind::KeyDown) {
        InputMessage m{.kind = kind, .buttons = buttons, .virtualKey = virtualKey, .alt = alt};
        return TranslateAccelerator(m);
    };
    EXPECT_EQ(key('N', vk::MK_CONTROL), cmd::kNew);
    EXPECT_EQ(key('N'), cmd::kFindNearest);
    EXPECT_EQ(key('S'), std::nullopt);  // plain S is a camera key
    EXPECT_EQ(key('T', vk::MK_SHIFT), std::nullopt);
    EXPECT_EQ(key(vk::VK_RETURN), cmd::kCentre);
    EXPECT_EQ(key(vk::VK_RETURN, 0, true), cmd::kFullScreen);
    EXPECT_EQ(key('Z', vk::MK_CONTROL), cmd::kUndo);
    EXPECT_EQ(key('Z', vk::MK_CONTROL | vk::MK_SHIFT), cmd::kRedo);
    EXPECT_EQ(key(vk::VK_OEM_PLUS), cmd::kAddMode);
    EXPECT_EQ(key(vk::VK_ADD), cmd::kAddMode);
    EXPECT_EQ(key('N', vk::MK_CONTROL, false, MessageKind::KeyUp), std::nullopt);
    EXPECT_EQ(key('S', vk::MK_CONTROL), cmd::kSave);
    EXPECT_EQ(key('S', vk::MK_CONTROL | vk::MK_SHIFT), cmd::kSaveAs);
    // The standard views take Ctrl with the colour digits, which keep theirs.
    EXPECT_EQ(key('1', vk::MK_CONTROL), cmd::kViewFront);
    EXPECT_EQ(key('1'), cmd::kColourRed);
    EXPECT_EQ(key('C', vk::MK_CONTROL), cmd::kCopyBranch);
    EXPECT_EQ(key('C'), std::nullopt);  // plain C is a camera key

    // No chord runs two commands.
    std::set<std::tuple<int, bool, bool, bool>> chords;
    for (const Command& c : All()) {
        for (const KeyChord& k : c.keys) {
            if (k.virtualKey) {
                EXPECT_TRUE(chords.insert({k.virtualKey, k.ctrl, k.shift, k.alt}).second) << c.id;
            }
        }
    }
}

TEST(CommandTable, ThePlusCharacterAddsWhateverKeyTypesIt) {
    auto typed = [](int virtualKey, unsigned buttons, char32_t character) {
        return TranslateAccelerator({.kind = MessageKind::KeyDown,
                                     .buttons = buttons,
                                     .virtualKey = virtualKey,
                                     .character = character});
    };
    // Shift and "=" on a US layout; the key right of P on a German one (no Shift).
    EXPECT_EQ(typed(vk::VK_OEM_PLUS, vk::MK_SHIFT, U'+'), cmd::kAddMode);
    EXPECT_EQ(typed(0xDD, 0, U'+'), cmd::kAddMode);
    // Not with Ctrl, and not another character.
    EXPECT_EQ(typed(0xDD, vk::MK_CONTROL, U'+'), std::nullopt);
    EXPECT_EQ(typed(vk::VK_OEM_PLUS, vk::MK_SHIFT, U'*'), std::nullopt);
}

TEST(CommandTable, CheckMarksFollowTheState) {
    CVelVorlaSystem sys;
    CVelCamera camera;
    auto checked = [&] {
        std::set<int> on;
        for (const Command& c : All())
            if (IsChecked(c, sys, camera)) on.insert(c.id);
        return on;
    };
    // A new construction: inspect, high detail, random colour; orbit camera, no spin.
    sys.mode = ModeInspect;
    sys.detailLevel = 1;
    sys.randomColour = 1;
    sys.showHints = 1;
    sys.showButtons = 1;
    camera.orbitMode = 1;
    EXPECT_EQ(checked(), (std::set<int>{40113, 2007, 40029, 40026, 40122, 40098}));

    sys.randomColour = 0;
    sys.currentColour = 2;
    sys.showAsCubes = 1;  // no detail level is checked while cubes are shown
    sys.showGrid = 1;
    sys.showAxes = 1;
    sys.showHints = 0;
    sys.showButtons = 0;
    sys.mode = ModeChooseCentre;  // no mode item is checked
    camera.orbitMode = 0;
    camera.autoSpinAround = 1;
    camera.autoSpinTarget = 1;
    EXPECT_EQ(checked(), (std::set<int>{40020, 40025, 40023, 40041, 40099, 40100, 40101}));
    for (auto [mode, id] : std::map<int, int>{{ModeTwist, 40080},
                                              {ModePaint, 40084},
                                              {ModeAdd, 40105},
                                              {ModeDelete, 40104},
                                              {ModeCopyColour, 40115}}) {
        sys.mode = mode;
        EXPECT_TRUE(checked().count(id)) << id;
    }
}
