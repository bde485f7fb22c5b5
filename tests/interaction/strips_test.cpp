// The button strips' geometry, tooltips and commands, with positions worked out by hand
// from the strip layout (18-pixel cells, groups of 4, 4, 2, 2, 4, 3, 3 cells).
#include "interaction/strips.h"

#include <gtest/gtest.h>

#include <vector>

#include "interaction/command_ids.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;

namespace {

class StripsTest : public ::testing::Test, public StripHost {
  protected:
    StripsTest() {
        sys.ResetConstruction();
        camera.SetViewport(nullptr, 800, 600);
    }
    bool Windowed() const override { return windowed; }
    void RunStripCommand(int id) override { commands.push_back(id); }
    void OpenMakerSite() override { commands.push_back(-9); }

    // Hovered code, or -1 on a miss.
    int Top(int x) {
        screen.topStripGap = strip::TopStripGap(camera.viewportWidth, windowed);
        return strip::HitTestTopStrip(screen, sys, camera, windowed, x) ? screen.hoveredButton : -1;
    }
    int Bottom(int x) {
        strip::LayOutColourGroup(screen, sys);
        return strip::HitTestBottomStrip(screen, sys, camera, x) ? screen.hoveredButton : -1;
    }

    CVelVorlaSystem sys;
    ScreenState screen;
    CVelCamera camera;
    bool windowed = true;
    std::vector<int> commands;
};

TEST_F(StripsTest, TopStripGapAndCellEdges) {
    EXPECT_EQ(strip::TopStripGap(800, true), 55);
    EXPECT_EQ(strip::TopStripGap(800, false), 52);
    // Window, 800 wide: the first group ends at 72, high detail starts at 72 + 55.
    EXPECT_EQ(Top(71), 13);
    EXPECT_EQ(Top(126), -1);
    EXPECT_EQ(Top(127), 14);
    // Save spans 378 + 6 * 55 = 708 to 725; then the last gap, then the right end.
    EXPECT_EQ(Top(725), 32);
    EXPECT_EQ(Top(782), -1);
    EXPECT_EQ(Top(783), strip::kFullScreen);
    EXPECT_EQ(Top(799), strip::kFullScreen);
    EXPECT_EQ(screen.tooltipX, 800);
    EXPECT_FALSE(screen.tooltipLeftAnchored);

    // Full screen: exit at 783..799, window button at 765..782.
    windowed = false;
    EXPECT_EQ(Top(783), strip::kExit);
    EXPECT_EQ(Top(782), strip::kFullScreen);
    EXPECT_EQ(screen.tooltipX, 782);
    EXPECT_EQ(Top(765), strip::kFullScreen);
    EXPECT_EQ(Top(764), -1);

    // A narrow window keeps the gap at 8; the cells run past the right end, which is
    // still found (New lies at 342 + 6 * 8 = 390).
    windowed = true;
    camera.SetViewport(nullptr, 400, 300);
    EXPECT_EQ(strip::TopStripGap(400, true), 8);
    EXPECT_EQ(Top(389), strip::kFullScreen);
    EXPECT_EQ(Top(381), 33);  // find nearest: 324 + 5 * 8 = 364 .. 381
}

TEST_F(StripsTest, ColourGroupWidthsFollowTheCounts) {
    CVelVorlaModel m;
    for (int i = 0; i < 12; ++i) testsupport::AddTop(m, testsupport::Block(ColourRed, {}));
    for (int i = 0; i < 7; ++i) testsupport::AddTop(m, testsupport::Block(ColourBlue, {}));
    testsupport::Adopt(sys, std::move(m));
    EXPECT_EQ(Bottom(116), strip::kRed);
    EXPECT_EQ(screen.colourButtonWidth[0], 27);
    EXPECT_EQ(Bottom(117), 2);
    EXPECT_EQ(screen.tooltipX, 117);
    EXPECT_EQ(screen.colourButtonWidth[3], 18);
    // Total 19: 27 wide, from 90 + 27 + 18 * 5 = 207 to 233; the camera label follows.
    EXPECT_EQ(Bottom(233), strip::kTotal);
    EXPECT_EQ(Bottom(234), strip::kCameraLabel);
    EXPECT_EQ(screen.tooltipX, 234);
    EXPECT_EQ(Bottom(89), strip::kAbout);
    EXPECT_EQ(Bottom(700), strip::kWebLink);
    EXPECT_EQ(screen.tooltipY, 600 - 76);
    EXPECT_EQ(screen.tooltipStyle, 3);
    EXPECT_EQ(Bottom(699), strip::kCameraLabel);
    EXPECT_EQ(screen.tooltipY, 600 - 42);
    EXPECT_EQ(screen.tooltipStyle, 1);
    // A longer address, as drawn, takes its link with it.
    screen.webLinkWidth = 180;
    EXPECT_EQ(Bottom(620), strip::kWebLink);
    EXPECT_EQ(Bottom(619), strip::kCameraLabel);
}

TEST_F(StripsTest, EveryTooltipInEachState) {
    // The 22 cells, then the window/full-screen button (783..799 in a window, 765..782 in
    // full screen).
    auto topTexts = [&] {
        std::vector<std::string> texts;
        const int gap = strip::TopStripGap(800, windowed);
        for (int i = 0; i < 22; ++i) {
            EXPECT_NE(Top(strip::TopCellLeft(i, gap) + 9), -1) << i;
            texts.push_back(screen.tooltipText);
        }
        EXPECT_EQ(Top(windowed ? 790 : 775), strip::kFullScreen);
        texts.push_back(screen.tooltipText);
        return texts;
    };
    sys.showHints = 0;
    sys.showGrid = 0;
    sys.showAxes = 0;
    camera.orbitMode = 1;
    camera.autoSpinAround = 0;
    camera.autoSpinTarget = 1;  // the other camera mode's rotation does not count
    EXPECT_EQ(topTexts(), (std::vector<std::string>{
                              "Показывать подсказки ( F1 )",
                              "Спрятать кнопки ( F2 )",
                              "Включить сетку ( F3 )",
                              "Включить оси ( F4 )",
                              "Высокая детализация ( F5 )",
                              "Средняя детализация ( F6 )",
                              "Низкая детализация ( F7 )",
                              "Показывать в виде кубов ( F8 )",
                              "Цвет фона ( F9 )",
                              "Цвет сетки ( F10 )",
                              "Свободная цель ( Tab )",
                              "Включить автокручение ( Пробел )",
                              "Добавить Торвин ( + )",
                              "Удалить Торвин ( - )",
                              "Красить Торвин ( P )",
                              "Крутить Торвин ( R )",
                              "Центр ( Enter )",
                              "Выбрать Центр ( T )",
                              "Найти ближайший Торвин ( N )",
                              "Создать ( Ctrl + N )",
                              "Открыть ( Ctrl + O )",
                              "Сохранить ( Ctrl + S )",
                              "На полный экран ( Alt + Enter )",
                          }));
    sys.showHints = 1;
    sys.showGrid = 1;
    sys.showAxes = 1;
    camera.orbitMode = 0;
    windowed = false;
    const std::vector<std::string> on = topTexts();
    EXPECT_EQ(on[0], "Спрятать подсказки ( F1 )");
    EXPECT_EQ(on[2], "Выключить сетку ( F3 )");
    EXPECT_EQ(on[3], "Выключить оси ( F4 )");
    EXPECT_EQ(on[10], "Вращаться вокруг Цели ( Tab )");
    EXPECT_EQ(on[11], "Выключить автокручение ( Пробел )");
    EXPECT_EQ(on[22], "Перейти в окно ( Alt + Enter )");
    Top(795);
    EXPECT_EQ(screen.tooltipText, "Выход из программы");

    // Left-anchored up to the grid colour, right-anchored from the camera mode on.
    Top(strip::TopCellLeft(9, 52));
    EXPECT_TRUE(screen.tooltipLeftAnchored);
    EXPECT_EQ(screen.tooltipX, 162 + 2 * 52);
    Top(strip::TopCellLeft(10, 52));
    EXPECT_FALSE(screen.tooltipLeftAnchored);
    EXPECT_EQ(screen.tooltipX, 180 + 3 * 52 + 18);

    const std::vector<std::pair<int, std::string>> bottom = {
        {10, "О программе ( / )"},
        {95, "Красный ( 1 )"},
        {113, "Желтый ( 2 )"},
        {131, "Зеленый ( 3 )"},
        {149, "Синий ( 4 )"},
        {167, "Белый ( 5 )"},
        {185, "Случайный ( 6 )"},
        {203, "Всего"},
        {300, "СЦ - Свободная Цель"},
        {750, "Если Вы подключены к интернету, добро пожаловать к нам в гости"},
    };
    for (const auto& [x, text] : bottom) {
        EXPECT_NE(Bottom(x), -1) << x;
        EXPECT_EQ(screen.tooltipText, text) << x;
    }
    camera.orbitMode = 1;
    Bottom(300);
    EXPECT_EQ(screen.tooltipText, "ВЦ - Вращение вокруг Цели");
    // Ctrl held in inspect mode: the label has nothing to say.
    sys.modifierMode = ModeAdd;
    EXPECT_EQ(Bottom(300), -1);
}

TEST_F(StripsTest, HiddenButtonsLeaveAboutWebLinkAndRightEnd) {
    sys.showButtons = 0;
    EXPECT_EQ(Bottom(10), strip::kAbout);
    EXPECT_EQ(Bottom(95), -1);
    EXPECT_EQ(Bottom(300), -1);
    EXPECT_EQ(Bottom(750), strip::kWebLink);
    EXPECT_EQ(Top(9), -1);
    EXPECT_EQ(Top(790), strip::kFullScreen);
}

TEST_F(StripsTest, ButtonsRunTheirCommands) {
    CStripButtons strips(sys, screen, camera, *this);
    auto press = [&](bool top, int x) {
        screen.topStripGap = strip::TopStripGap(800, true);
        strip::LayOutColourGroup(screen, sys);
        ASSERT_TRUE(top ? strips.HitTestTopStrip(x) : strips.HitTestBottomStrip(x));
        strips.RunStripButton();
    };
    const int add = strip::TopCellLeft(12, 55) + 5;
    press(true, add);
    sys.mode = ModeAdd;  // as the form's command does
    press(true, add);    // pressed again: back to inspect
    press(true, 9);      // hints
    press(true, 790);    // full screen
    press(false, 10);    // about
    press(false, 113);   // yellow
    press(false, 203);   // total: nothing
    press(false, 300);   // camera label: nothing
    press(false, 750);   // web link
    EXPECT_EQ(commands, (std::vector<int>{cmd::kAddMode, cmd::kInspectMode, cmd::kShowHints,
                                          cmd::kFullScreen, cmd::kAbout, cmd::kColourYellow, -9}));
    windowed = false;
    commands.clear();
    press(true, 795);
    EXPECT_EQ(commands, std::vector<int>{cmd::kExit});
    // Nothing hovered, nothing runs.
    screen.stripHit = false;
    strips.RunStripButton();
    EXPECT_EQ(commands.size(), 1u);
}

}  // namespace
