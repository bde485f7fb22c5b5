// The on-screen buttons through the real window: hover, tooltips and clicks. The view is
// 520 x 350, so the top strip's gap is (520 - 414) / 7 = 15 and the bottom strip lies at
// y 332..349.
#include <QProcess>
#include <QTest>

#include "app/gl_view.h"
#include "gui_fixture.h"
#include "interaction/document.h"
#include "support/construction_builders.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

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
        ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
    }
    void Hover(QPoint pos) { MovePointer(pos); }
    static constexpr int kTop = 9, kBottom = 341;
};

TEST_F(StripsGui, HoveringATopButtonShowsItsTooltip) {
    const QPoint grid(45, kTop);  // the third cell, 36..53
    // Inside the tooltip, right of the help page (in device pixels on a dense screen).
    const QPoint beside = QPoint(215, 30) * App().View().devicePixelRatioF();
    EXPECT_LT(Screenshot().pixelColor(beside).red(), 20);
    Hover(grid);
    ASSERT_TRUE(WaitUntil([&] { return Form().screen.stripHit; }));
    EXPECT_EQ(Form().screen.tooltipText, "Включить сетку ( F3 )");
    EXPECT_GT(Screenshot().pixelColor(beside).red(), 30) << "no tooltip on screen";
    Key(Qt::Key_F3);  // the key does what the button does; the tooltip follows
    EXPECT_EQ(Form().screen.tooltipText, "Выключить сетку ( F3 )");
    Hover(App().View().rect().center());
    EXPECT_FALSE(Form().screen.stripHit);
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
    EXPECT_FALSE(Form().screen.stripHit);
    const int colour = Form().system.currentColour, random = Form().system.randomColour;
    Click({90 + 9, kBottom});  // where red was
    EXPECT_EQ(Form().system.currentColour, colour) << "hidden buttons do nothing";
    EXPECT_EQ(Form().system.randomColour, random);
    // The about button stays.
    Hover({20, kBottom});
    EXPECT_TRUE(Form().screen.stripHit);
    EXPECT_EQ(Form().screen.tooltipText, "О программе ( / )");
}

}  // namespace
}  // namespace guitest

namespace guitest {
namespace {

// vorla --render --overlays draws what the window shows for the same file and size.
TEST_F(GuiTest, RenderWithOverlaysMatchesTheWindow) {
    const std::string file = TempPath("three.vvl");
    {
        CVelVorlaSystem system;
        CVelCamera camera;
        testsupport::PlaceBlocks(system, {{-2, 0, 0}, {0, 0, 0}, {2, 0, 0}});
        int colour = 0;
        for (const BlockNode& b : system.model.topBlocks) system.document.Paint(b, colour++);
        camera.ResetForNewConstruction(nullptr);
        camera.PlaceAndApply(nullptr, {0, 3, -9}, {0, 0, 0});
        ASSERT_TRUE(SaveConstruction(system, camera, file));
    }
    Launch(file);
    Key(Qt::Key_Slash);
    ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
    // The pointer rests over the background, where no block is marked.
    QTest::mouseMove(&App().View(), QPoint(App().View().width() / 2, App().View().height() / 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(Form().screen.preview, interaction::EditPreview{});
    const QImage window = Screenshot().convertToFormat(QImage::Format_RGB32);

    // The command as a user runs it, with no display.
    const QString png = QString::fromStdString(TempPath("three.png"));
    QProcess vorla;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    vorla.setProcessEnvironment(env);
    // The view's logical size, and its screen's density (QT_SCALE_FACTOR=2 tries 2).
    vorla.start(QStringLiteral(VORLA_BINARY),
                {"--render", png, "--overlays", "--width", QString::number(App().View().width()),
                 "--height", QString::number(App().View().height()), "--scale",
                 QString::number(App().View().devicePixelRatioF()), QString::fromStdString(file)});
    ASSERT_TRUE(vorla.waitForFinished(120000));
    ASSERT_EQ(vorla.exitCode(), 0) << vorla.readAllStandardError().toStdString();
    const QImage rendered = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(rendered.size(), window.size());
    int different = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            const QRgb a = window.pixel(x, y), b = rendered.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 ||
                std::abs(qBlue(a) - qBlue(b)) > 8)
                ++different;
        }
    EXPECT_LT(different, window.width() * window.height() / 1000);
}

}  // namespace
}  // namespace guitest
