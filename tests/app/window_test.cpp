#include <QElapsedTimer>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "gui_fixture.h"
#include "interaction/document.h"
#include "support/environment.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace guitest {
namespace {

using services::MsgResult;

class WindowTest : public GuiTest {
  protected:
    bool FullScreen() {
        return App().Frame().isFullScreen() && !Form().IsWindowed() &&
               !App().Frame().menuBar()->isVisible();
    }
    bool Windowed() {
        return !App().Frame().isFullScreen() && Form().IsWindowed() &&
               App().Frame().menuBar()->isVisible();
    }
    void Edit() {
        if (Form().screen.aboutShown) {
            Key(Qt::Key_Slash);
            ASSERT_TRUE(WaitUntil([&] { return Form().screen.aboutShown == 0; }, 10000));
            WaitFrames(2);
        }
        Click(ViewCentre(), Qt::ControlModifier);
        ASSERT_TRUE(Form().system.document.Unsaved());
    }
};

TEST_F(WindowTest, AltEnterTwiceReturnsToTheWindow) {
    Launch();
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return FullScreen(); }));
    WaitFrames(2);
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return Windowed(); }));
    WaitFrames(2);
    EXPECT_EQ(Form().PauseCount(), 0);
    // The menu item does the same.
    Action(cmd::kFullScreen)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return FullScreen(); }));
    Action(cmd::kFullScreen)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return Windowed(); }));
}

TEST_F(WindowTest, TheFirstWindowFitsTheScreenAndItsPlaceIsKept) {
    classicViewSize_ = false;
    Launch();
    const QRect area = App().Frame().screen()->availableGeometry();
    QRect place = App().Frame().geometry();
    EXPECT_EQ(place.size(), QSize(area.width() * 2 / 3, area.height() * 2 / 3));
    EXPECT_TRUE(area.contains(place));
    // Moved and resized by the user: the next start puts it back there.
    place = QRect(40, 30, 600, 420);
    App().Frame().setGeometry(place);
    ASSERT_TRUE(WaitUntil([&] { return settings_->ReadString("Window") == "40 30 600 420"; }))
        << settings_->ReadString("Window").value_or("none");
    Destroy();
    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
    Launch();
    EXPECT_EQ(App().Frame().geometry(), place);
}

TEST_F(WindowTest, DialogsLeaveFullScreenAndPauseTheScene) {
    Launch();
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return FullScreen(); }));
    bool windowedDuringDialog = false;
    int pauseDuringDialog = 0;
    dialogs_.whileOpen = [&] {
        windowedDuringDialog = Form().IsWindowed();
        pauseDuringDialog = Form().PauseCount();
    };
    dialogs_.colours.push_back(std::nullopt);  // cancelled: the colour stays
    Key(Qt::Key_F9);
    EXPECT_TRUE(windowedDuringDialog);
    EXPECT_GT(pauseDuringDialog, 0);
    EXPECT_EQ(Form().system.backgroundColour, 0x000000A0u);
    EXPECT_EQ(Form().PauseCount(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Windowed(); }));
    WaitFrames(2);
}

TEST_F(WindowTest, ClosingInFullScreenAsksFirstAndCancelKeepsRunning) {
    Launch();
    Edit();
    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return FullScreen(); }));

    dialogs_.answers.push_back(MsgResult::Cancel);
    CloseWindow();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "Сохранить текущую работу?");
    EXPECT_TRUE(App().Frame().isVisible());
    ASSERT_TRUE(WaitUntil([&] { return Windowed(); }));
    WaitFrames(2);

    Key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return FullScreen(); }));

    // The Exit command goes the same way; No ends the program.
    dialogs_.answers.push_back(MsgResult::No);
    Action(cmd::kExit)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !App().Frame().isVisible(); }));
    EXPECT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(SettingsPath())))
        << "settings are written at exit";
    EXPECT_EQ(dialogs_.unexpected, 0);
}

TEST_F(WindowTest, TheBackBufferFollowsTheViewSize) {
    Launch();
    auto& view = App().View();
    App().Frame().FitViewTo(700, 480);
    ASSERT_TRUE(WaitUntil([&] {
        return view.width() == 700 && Form().BackBufferDesc().width == 700 &&
               Form().BackBufferDesc().height == 480;
    })) << Form().BackBufferDesc().width
        << "x" << Form().BackBufferDesc().height;
    WaitFrames(2);
    const QImage shot = view.grabFramebuffer();
    EXPECT_EQ(shot.size(), QSize(700, 480));
    // Never smaller than 50 x 50.
    App().Frame().resize(20, 20);
    ASSERT_TRUE(WaitUntil([&] { return Form().BackBufferDesc().width == 50; }));
    EXPECT_GE(view.height(), 50);
    WaitFrames(2);
    EXPECT_EQ(Form().PauseCount(), 0);
}

TEST_F(WindowTest, AnotherWindowTakingTheFocusPausesTheScene) {
    Launch();
    App().Frame().activateWindow();
    VORLA_REQUIRE_ENVIRONMENT(WaitUntil([&] { return App().Frame().isActiveWindow(); }, 3000),
                              "a display that gives windows the focus");
    ASSERT_EQ(Form().PauseCount(), 0);
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }, 5000));
    EXPECT_GT(Form().PauseCount(), 0);
    const uint64_t frames = App().View().FramesDrawn();
    QTest::qWait(100);
    EXPECT_EQ(App().View().FramesDrawn(), frames);
    other.hide();
    App().Frame().activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return App().Frame().isActiveWindow(); }, 5000));
    EXPECT_EQ(Form().PauseCount(), 0);
    WaitFrames(2);
}

// Frames on demand: none while nothing changes, at least one after every kind of change,
// a steady stream while something moves by itself.
class FramesOnDemandTest : public WindowTest {
  protected:
    uint64_t Frames() { return App().View().FramesDrawn(); }
    // Waits until no frame has come for a while; false if frames never stop.
    bool Settle() {
        uint64_t seen = Frames();
        QElapsedTimer quiet;
        quiet.start();
        return WaitUntil(
            [&] {
                if (Frames() != seen) {
                    seen = Frames();
                    quiet.restart();
                }
                return quiet.elapsed() > 300;
            },
            15000);
    }
    // Frames drawn during `ms` milliseconds of doing nothing.
    uint64_t FramesWithin(int ms) {
        const uint64_t before = Frames();
        QTest::qWait(ms);
        return Frames() - before;
    }
    // Whether frames keep coming by themselves: three more, however slowly the machine
    // draws them (a count within a fixed time fails on a loaded one).
    bool FramesKeepComing() {
        const uint64_t before = Frames();
        return WaitUntil([&] { return Frames() >= before + 3; }, 10000);
    }
    void ExpectAFrameAfter(const char* change, const std::function<void()>& act) {
        ASSERT_TRUE(Settle()) << "frames never stop before: " << change;
        const uint64_t before = Frames();
        act();
        EXPECT_TRUE(WaitUntil([&] { return Frames() > before; }, 5000))
            << "no frame after: " << change;
        EXPECT_TRUE(Settle()) << "frames never stop after: " << change;
    }
};

TEST_F(FramesOnDemandTest, NoFramesWhileNothingChangesOneAfterEveryChange) {
    Launch();
    auto& view = App().View();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(FramesWithin(600), 0u) << "frames while nothing changes";
    // Coming onto the block marks it: one frame; moving over the same block changes
    // nothing on screen and asks for none.
    MovePointer(ViewCentre() + QPoint(4, 2));
    EXPECT_TRUE(WaitUntil([&] { return Frames() > 0; }, 5000)) << "no frame for the hover";
    ASSERT_TRUE(Settle());
    MovePointer(ViewCentre() + QPoint(6, 4));
    EXPECT_EQ(FramesWithin(300), 0u) << "frames for a pointer move";

    // The about disc's closing turn: frames until it is gone, then none.
    ExpectAFrameAfter("the about disc turning", [&] { Key(Qt::Key_Slash); });
    EXPECT_EQ(Form().screen.aboutShown, 0);
    ExpectAFrameAfter("a command", [&] { Key(Qt::Key_F3); });
    EXPECT_EQ(Form().system.showGrid, 1);
    ExpectAFrameAfter("an edit", [&] { Click(ViewCentre(), Qt::ControlModifier); });
    EXPECT_EQ(Total(), 2);
    ExpectAFrameAfter("a resize", [&] { App().Frame().FitViewTo(600, 400); });
    const std::string file = TempPath("two.vvl");
    ASSERT_TRUE(SaveConstruction(Form().system, Form().camera, file));
    ExpectAFrameAfter("a file load",
                      [&] { emit App().Frame().FilesDropped({QString::fromStdString(file)}); });

    // A held button (a drag, a twist) keeps frames coming; its release lets them stop.
    ExpectAFrameAfter("a drag", [&] {
        QTest::mousePress(&view, Qt::LeftButton, {}, ViewCentre() + QPoint(-60, 0));
        EXPECT_TRUE(FramesKeepComing()) << "a held button";
        QTest::mouseMove(&view, ViewCentre() + QPoint(-20, 10));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, ViewCentre() + QPoint(-20, 10));
    });
    // A camera key held moves the camera at every frame.
    ExpectAFrameAfter("a held camera key", [&] {
        QTest::keyPress(&view, Qt::Key_W);
        EXPECT_TRUE(FramesKeepComing()) << "a held camera key";
        QTest::keyRelease(&view, Qt::Key_W);
    });
    // Automatic rotation after that fling turns the camera until a still click stops it.
    ExpectAFrameAfter("automatic rotation", [&] {
        Key(Qt::Key_Space);
        EXPECT_TRUE(FramesKeepComing()) << "automatic rotation";
        Click(ViewCentre() + QPoint(60, 60));
    });
    EXPECT_EQ(Form().PauseCount(), 0);
}

}  // namespace
}  // namespace guitest
