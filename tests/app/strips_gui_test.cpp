// The on-screen buttons through the real window: hover, tooltips and clicks. The view is
// 520 x 350, so the top strip's gap is (520 - 414) / 7 = 15 and the bottom strip lies at
// y 332..349.
#include <QTest>

#include "app/gl_view.h"
#include "gui_fixture.h"

namespace guitest {
namespace {

class StripsGui : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (!qApp) return;
        Launch();
        // The about disc greets a new user; the first "/" closes it.
        Key(Qt::Key_Slash);
        ASSERT_TRUE(WaitUntil([&] { return Form().system.aboutShown == 0; }, 10000));
    }
    void Hover(QPoint pos) {
        QTest::mouseMove(&App().View(), pos);
        QTest::qWait(1);
    }
    static constexpr int kTop = 9, kBottom = 341;
};

TEST_F(StripsGui, HoveringATopButtonShowsItsTooltip) {
    const QPoint grid(45, kTop);   // the third cell, 36..53
    const QPoint beside(215, 30);  // inside the tooltip, right of the help page
    EXPECT_LT(Screenshot().pixelColor(beside).red(), 20);
    Hover(grid);
    ASSERT_TRUE(WaitUntil([&] { return Form().system.stripHit; }));
    EXPECT_EQ(Form().system.tooltipText, "Включить сетку ( F3 )");
    EXPECT_GT(Screenshot().pixelColor(beside).red(), 30) << "no tooltip on screen";
    Hover(App().View().rect().center());
    EXPECT_FALSE(Form().system.stripHit);
}

TEST_F(StripsGui, TheAddButtonThenABlockAddsABlock) {
    const QPoint add(216 + 4 * 15 + 9, kTop);
    Click(add);
    EXPECT_EQ(Form().system.mode, ModeAdd);
    EXPECT_TRUE(Checked(cmd::kAddMode));
    Click(ViewCentre());
    EXPECT_EQ(Total(), 2);
    Click(add);  // pressed again: back to inspecting
    EXPECT_EQ(Form().system.mode, ModeInspect);
}

TEST_F(StripsGui, ColourButtonsChangeTheCurrentColour) {
    Click({90 + 3 * 18 + 9, kBottom});  // blue
    EXPECT_EQ(Form().system.currentColour, ColourBlue);
    EXPECT_EQ(Form().system.randomColour, 0);
    EXPECT_TRUE(Checked(cmd::kColourBlue));
    Click({90 + 9, kBottom});  // red
    EXPECT_EQ(Form().system.currentColour, ColourRed);
    Click({90 + 5 * 18 + 9, kBottom});  // random
    EXPECT_EQ(Form().system.randomColour, 1);
}

TEST_F(StripsGui, F2HidesTheButtons) {
    Key(Qt::Key_F2);
    EXPECT_EQ(Form().system.showButtons, 0);
    Hover({45, kTop});
    EXPECT_FALSE(Form().system.stripHit);
    const int colour = Form().system.currentColour, random = Form().system.randomColour;
    Click({90 + 9, kBottom});  // where red was
    EXPECT_EQ(Form().system.currentColour, colour) << "hidden buttons do nothing";
    EXPECT_EQ(Form().system.randomColour, random);
    // The about button stays.
    Hover({20, kBottom});
    EXPECT_TRUE(Form().system.stripHit);
    EXPECT_EQ(Form().system.tooltipText, "О программе ( / )");
}

}  // namespace
}  // namespace guitest
