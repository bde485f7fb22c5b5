#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "gui_fixture.h"

namespace guitest {
namespace {

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction::cmd;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

constexpr int kColourItems[] = {kColourRed, kColourYellow, kColourGreen, kColourBlue, kColourWhite};
constexpr int kModeItems[] = {kCopyColourMode, kInspectMode, kAddMode,
                              kDeleteMode,     kPaintMode,   kTwistMode};

class CommandsTest : public GuiTest {
  protected:
    int CheckedColours() {
        int n = 0;
        for (int id : kColourItems) n += Checked(id) ? 1 : 0;
        return n;
    }
    int CheckedModes() {
        int n = 0;
        for (int id : kModeItems) n += Checked(id) ? 1 : 0;
        return n;
    }
};

TEST_F(CommandsTest, CheckMarksFollowKeysAndMenuItems) {
    Launch();
    Key(Qt::Key_6);
    EXPECT_TRUE(Checked(kRandomColour));
    EXPECT_EQ(CheckedColours(), 0);
    Key(Qt::Key_3);
    EXPECT_FALSE(Checked(kRandomColour));
    EXPECT_TRUE(Checked(kColourGreen));
    EXPECT_EQ(CheckedColours(), 1);
    EXPECT_EQ(Form().system.currentColour, 2);

    Key(Qt::Key_P);
    EXPECT_TRUE(Checked(kPaintMode));
    EXPECT_EQ(CheckedModes(), 1);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(Checked(kInspectMode));
    EXPECT_EQ(CheckedModes(), 1);
    Key(Qt::Key_Plus);
    EXPECT_TRUE(Checked(kAddMode));
    Key(Qt::Key_Minus);
    EXPECT_TRUE(Checked(kDeleteMode));
    Key(Qt::Key_T);  // choose centre: no mode item checked
    EXPECT_EQ(CheckedModes(), 0);
    Key(Qt::Key_Escape);

    Key(Qt::Key_F8);
    EXPECT_TRUE(Checked(kShowCubes));
    Key(Qt::Key_F5);
    EXPECT_FALSE(Checked(kShowCubes));
    EXPECT_TRUE(Checked(kDetailHigh));
    Key(Qt::Key_F7);
    EXPECT_TRUE(Checked(kDetailLow));
    EXPECT_FALSE(Checked(kDetailHigh));

    // The same commands from the menu.
    Action(kTwistMode)->trigger();
    EXPECT_TRUE(Checked(kTwistMode));
    EXPECT_EQ(CheckedModes(), 1);
    Action(kColourBlue)->trigger();
    EXPECT_TRUE(Checked(kColourBlue));
    EXPECT_EQ(CheckedColours(), 1);
    // Choosing the checked camera mode again changes nothing.
    const bool orbit = Checked(kOrbitMode);
    if (orbit) {
        Action(kOrbitMode)->trigger();
        EXPECT_TRUE(Checked(kOrbitMode));
        EXPECT_FALSE(Checked(kFreeTargetMode));
    }
    Key(Qt::Key_Tab);
    EXPECT_EQ(Checked(kOrbitMode), !orbit);
    EXPECT_EQ(Checked(kFreeTargetMode), orbit);
    Key(Qt::Key_F1);
    EXPECT_FALSE(Checked(kShowHints));
    EXPECT_EQ(Form().system.showHints, 0);
}

TEST_F(CommandsTest, AnOpenMenuPausesRendering) {
    Launch();
    ASSERT_EQ(Form().PauseCount(), 0);
    QMenu* display = App().Frame().menuBar()->actions().at(2)->menu();
    ASSERT_NE(display, nullptr);
    display->popup(App().Frame().mapToGlobal(QPoint(40, 20)));
    ASSERT_TRUE(WaitUntil([&] { return display->isVisible(); }));
    EXPECT_GT(Form().PauseCount(), 0);
    const uint64_t frames = App().View().FramesDrawn();
    QTest::qWait(100);
    EXPECT_EQ(App().View().FramesDrawn(), frames) << "frames drawn while a menu is open";
    display->hide();
    ASSERT_TRUE(WaitUntil([&] { return !display->isVisible(); }));
    EXPECT_EQ(Form().PauseCount(), 0);
    WaitFrames(2);
}

TEST_F(CommandsTest, EditingThroughTheWindow) {
    Launch();
    // Close the about page first: it greets the user over the block.
    if (Form().screen.aboutShown) {
        Key(Qt::Key_Slash);
        ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
    }
    WaitFrames(2);
    Key(Qt::Key_3);  // green
    // Ctrl+click on the block adds one on the face under the pointer.
    Click(ViewCentre(), Qt::ControlModifier);
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(Form().system.document.Unsaved());
    EXPECT_EQ(Form().system.model.colourCounts[2], 2);
    EXPECT_FALSE(Form().system.keys.IsDown(0)) << "Ctrl stays held after its release";
    // Ctrl+Z takes the new block away, Ctrl+Shift+Z brings it back.
    EXPECT_FALSE(Action(kRedo)->isEnabled());
    EXPECT_EQ(Action(kUndo)->text(), "Отменить: добавление Торвина\tCtrl+Z");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Total(), 1);
    EXPECT_FALSE(Form().system.document.Unsaved());
    EXPECT_FALSE(Action(kUndo)->isEnabled());
    EXPECT_EQ(Action(kUndo)->text(), "Отменить\tCtrl+Z");
    EXPECT_EQ(Action(kRedo)->text(), "Повторить: добавление Торвина\tCtrl+Y");
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Total(), 2);
    EXPECT_TRUE(Action(kUndo)->isEnabled());

    // Paint mode: a click paints the nearest block under the pointer in the current colour.
    Key(Qt::Key_1);  // red
    Key(Qt::Key_P);
    Click(ViewCentre());
    EXPECT_EQ(Form().system.model.colourCounts[0], 1);
    EXPECT_EQ(Action(kUndo)->text(), "Отменить: покраска\tCtrl+Z");
    Key(Qt::Key_Escape);

    // Delete mode removes the block clicked, the nearer (red) one first.
    Key(Qt::Key_Minus);
    Click(ViewCentre());
    EXPECT_EQ(Total(), 1);
    EXPECT_EQ(Form().system.model.colourCounts[0], 0);
    Click(ViewCentre());
    EXPECT_EQ(Total(), 0);
    WaitFrames(2);  // an empty construction still draws
}

TEST_F(CommandsTest, CameraKeysFollowThePhysicalKeyAndTheWheelZooms) {
    Launch();
    auto& view = App().View();
    // Under a Russian layout the W key reports Ц; its scan code is W's.
    QKeyEvent press(QEvent::KeyPress, 0x0426, Qt::NoModifier, 25, 0, 0, QStringLiteral("ц"));
    QApplication::sendEvent(&view, &press);
    EXPECT_TRUE(Form().system.keys.IsDown(KeyW));
    QKeyEvent repeat(QEvent::KeyRelease, 0x0426, Qt::NoModifier, 25, 0, 0, QStringLiteral("ц"),
                     true);
    QApplication::sendEvent(&view, &repeat);
    EXPECT_TRUE(Form().system.keys.IsDown(KeyW)) << "an auto-repeat release let go of the key";
    WaitFrames(2);
    QKeyEvent release(QEvent::KeyRelease, 0x0426, Qt::NoModifier, 25, 0, 0, QStringLiteral("ц"));
    QApplication::sendEvent(&view, &release);
    EXPECT_FALSE(Form().system.keys.IsDown(KeyW));

    // P under the same layout (З) still chooses paint mode through the accelerators' path.
    QKeyEvent paint(QEvent::KeyPress, 0x0417, Qt::NoModifier, 33, 0, 0, QStringLiteral("з"));
    QApplication::sendEvent(&view, &paint);
    QKeyEvent paintUp(QEvent::KeyRelease, 0x0417, Qt::NoModifier, 33, 0, 0, QStringLiteral("з"));
    QApplication::sendEvent(&view, &paintUp);
    EXPECT_TRUE(Checked(kPaintMode));
    Key(Qt::Key_Escape);

    const float zoom = Form().camera.zoom;
    const QPointF centre = QPointF(ViewCentre());
    QWheelEvent wheel(centre, view.mapToGlobal(centre), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_NE(Form().camera.zoom, zoom) << "the wheel did not reach the camera";
    WaitFrames(2);
}

}  // namespace
}  // namespace guitest
