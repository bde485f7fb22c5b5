// The framework's running life against the recording fake: the counted pause and the
// clock, frames, lost devices, size changes and switching between window and full screen.
#include "framework_fixture.h"

using namespace services;

namespace fwtest {
namespace {

TEST_F(Framework, NestedPausesNeedAsManyResumesAndTimeStandsStill) {
    CreateOk();
    ASSERT_EQ(Frame(), gfx::S_OK);
    const float t0 = app.Time();

    app.Pause(true);
    app.Pause(true);
    EXPECT_FALSE(app.IsActive());
    now += 5.0;  // five seconds in a dialog
    app.Pause(false);
    EXPECT_FALSE(app.IsActive());
    EXPECT_EQ(app.PauseCount(), 1);
    now += 5.0;
    app.Pause(false);
    EXPECT_TRUE(app.IsActive());
    app.Pause(false);  // extra resume: ignored
    EXPECT_EQ(app.PauseCount(), 0);
    app.Pause(true);
    EXPECT_FALSE(app.IsActive());
    app.Pause(false);
    EXPECT_TRUE(app.IsActive());

    app.hooks.clear();
    ASSERT_EQ(Frame(0.5), gfx::S_OK);
    EXPECT_EQ(app.hooks, (Hooks{"AdvanceFrame", "RenderScene"}));
    EXPECT_NEAR(app.Time() - t0, 0.5f, 1e-3f);  // the paused ten seconds do not count
    EXPECT_NEAR(app.ElapsedTime(), 0.5f, 1e-3f);
}

TEST_F(Framework, TimeStandsStillWhileResting) {
    CreateOk();
    ASSERT_EQ(Frame(), gfx::S_OK);
    const float t0 = app.Time();
    app.Rest(true);
    now += 30.0;  // half a minute with nothing moving
    // A dialog opened and closed meanwhile does not start the clock.
    app.Pause(true);
    now += 5.0;
    app.Pause(false);
    now += 5.0;
    EXPECT_TRUE(app.IsActive());
    app.Rest(false);
    ASSERT_EQ(Frame(0.25), gfx::S_OK);
    EXPECT_NEAR(app.Time() - t0, 0.25f, 1e-3f);
    EXPECT_NEAR(app.ElapsedTime(), 0.25f, 1e-3f);
    // Waking inside a pause leaves the clock to the pause.
    app.Rest(true);
    app.Pause(true);
    app.Rest(false);
    now += 7.0;
    app.Pause(false);
    ASSERT_EQ(Frame(0.5), gfx::S_OK);
    EXPECT_NEAR(app.Time() - t0, 0.75f, 1e-3f);
}

TEST_F(Framework, FramesAdvanceDrawAndPresentOnlyWhenTimeMoved) {
    CreateOk();
    ASSERT_EQ(Frame(0.25), gfx::S_OK);
    EXPECT_EQ(app.hooks, (Hooks{"AdvanceFrame", "RenderScene"}));
    EXPECT_EQ(Device()->PresentCount(), 1u);
    EXPECT_NEAR(app.Time(), 0.25f, 1e-4f);
    EXPECT_NEAR(app.ElapsedTime(), 0.25f, 1e-4f);

    app.hooks.clear();
    ASSERT_EQ(Frame(0.0), gfx::S_OK);  // no time passed: nothing drawn
    EXPECT_TRUE(app.hooks.empty());
    EXPECT_EQ(Device()->PresentCount(), 1u);

    for (int i = 0; i < 60; ++i) Frame(0.02);
    EXPECT_NE(app.FrameStats().find("fps (800x600)"), std::string::npos);
}

TEST_F(Framework, WithoutFrameMovingAResetDrawsOneStepAndTimeStandsStill) {
    CreateOk();
    app.frameMoving = false;
    windows.Resize(kView, 640, 480);
    app.HandleSizeChange();
    app.hooks.clear();
    ASSERT_EQ(Frame(0.0), gfx::S_OK);
    EXPECT_EQ(app.hooks, (Hooks{"AdvanceFrame", "RenderScene"}));
    EXPECT_EQ(app.ElapsedTime(), 0.0f);
    app.hooks.clear();
    ASSERT_EQ(Frame(1.0), gfx::S_OK);  // drawn, not advanced
    EXPECT_EQ(app.hooks, (Hooks{"RenderScene"}));
}

TEST_F(Framework, RenderWithoutDeviceDoesNothing) {
    EXPECT_EQ(app.RenderEnvironment(), gfx::D3DERR_INVALIDCALL);
    EXPECT_TRUE(app.hooks.empty());
}

// ---- Device loss ------------------------------------------------------------------------------

TEST_F(Framework, LostDeviceIsResetWithPerResetHooksOnlyAndMeshesKept) {
    CreateOk();
    FakeDevice* dev = Device();
    dev->LoseDevice(2);
    ASSERT_EQ(Frame(), gfx::S_OK);  // Present reports the loss
    EXPECT_TRUE(app.IsDeviceLost());

    app.hooks.clear();
    ASSERT_EQ(Frame(), gfx::S_OK);  // still lost: wait
    ASSERT_EQ(Frame(), gfx::S_OK);
    EXPECT_TRUE(app.hooks.empty());
    EXPECT_EQ(dev->ResetCount(), 0u);

    ASSERT_EQ(Frame(), gfx::S_OK);  // can be reset now
    EXPECT_EQ(app.hooks, (Hooks{"LoseDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_EQ(dev->ResetCount(), 1u);
    EXPECT_EQ(Device(), dev);                        // same device
    EXPECT_FALSE(log->Contains("Release(mesh#1)"));  // per-device objects survive
    EXPECT_TRUE(log->Contains("Release(texture#1)"));
    EXPECT_EQ(log->Count("CreateTexture"), 1u);

    app.hooks.clear();
    ASSERT_EQ(Frame(), gfx::S_OK);
    EXPECT_FALSE(app.IsDeviceLost());
    EXPECT_EQ(app.hooks, (Hooks{"AdvanceFrame", "RenderScene"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Framework, WindowedResetAfterLossTakesTheDesktopsNewFormat) {
    CreateOk();
    Device()->LoseDevice(0);
    ASSERT_EQ(Frame(), gfx::S_OK);
    sys->adapters[0].desktop = {1024, 768, 60, gfx::Format::R5G6B5};
    ASSERT_EQ(Frame(), gfx::S_OK);
    ASSERT_EQ(log->Count("Reset"), 1u);
    EXPECT_EQ(log->Named("Reset")[0]->args[2], "R5G6B5");
    EXPECT_EQ(app.Settings().windowedSettings.displayMode.format, gfx::Format::R5G6B5);
}

TEST_F(Framework, ResetFailureAfterLossIsReturnedAndRetried) {
    CreateOk();
    Device()->LoseDevice(0);
    ASSERT_EQ(Frame(), gfx::S_OK);
    Device()->FailNext("Reset", gfx::D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(Frame(), gfx::D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_FALSE(app.objectsReset);
    ASSERT_EQ(Frame(), gfx::S_OK);
    EXPECT_TRUE(app.objectsReset);
    ASSERT_EQ(Frame(), gfx::S_OK);
    EXPECT_FALSE(app.IsDeviceLost());
}

// ---- Size changes -----------------------------------------------------------------------------

TEST_F(Framework, SizeChangeResetsOnlyWhenTheClientSizeChanged) {
    CreateOk();
    windows.windows[kView].window = {120, 60, 928, 668};  // moved, same size
    app.HandleSizeChange();
    EXPECT_EQ(log->Count("Reset"), 0u);
    EXPECT_EQ(app.SavedWindowRect(), (gfx::Rect{120, 60, 928, 668}));

    windows.Resize(kView, 640, 400);
    app.HandleSizeChange();
    ASSERT_EQ(log->Count("Reset"), 1u);
    EXPECT_EQ(log->Named("Reset")[0]->args[0], "640");
    EXPECT_EQ(log->Named("Reset")[0]->args[1], "400");
    EXPECT_EQ(app.hooks, (Hooks{"LoseDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_EQ(app.BackBufferDesc().height, 400u);
    EXPECT_TRUE(app.IsActive());

    // Ignored during a switch, and a minimised (empty) view does not reset.
    app.ignoreSizeChange = true;
    windows.Resize(kView, 300, 300);
    app.HandleSizeChange();
    app.ignoreSizeChange = false;
    windows.Resize(kView, 0, 0);
    app.HandleSizeChange();
    EXPECT_EQ(log->Count("Reset"), 1u);
}

TEST_F(Framework, SizeChangeResetFailureIsFatal) {
    CreateOk();
    Device()->FailNext("Reset", gfx::E_FAIL);
    windows.Resize(kView, 640, 400);
    app.HandleSizeChange();
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Could not reset the Direct3D device." + kFatal});
    EXPECT_TRUE(app.FatalErrorShown());

    // Video memory shortage keeps its own message (but none shows after a fatal one).
    TestApp other;
    auto fake = std::make_unique<FakeSystem>();
    FakeSystem* otherSys = fake.get();
    other.SetSystemFactory([&]() -> std::unique_ptr<gfx::System> { return std::move(fake); });
    FakeWindows wins = windows;
    wins.Resize(kView, 800, 600);
    FakeMessageBoxes msgs;
    other.SetWindowHost(&wins);
    other.SetMessageBoxHost(&msgs);
    other.SetDeviceWindow(kView);
    ASSERT_EQ(other.Create(), gfx::S_OK);
    otherSys->Device()->FailNext("Reset", gfx::D3DERR_OUTOFVIDEOMEMORY);
    wins.Resize(kView, 500, 500);
    other.HandleSizeChange();
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].text, "Not enough video memory." + kFatal);
    other.Close();
}

// ---- Window and full screen ---------------------------------------------------------------

TEST_F(Framework, SwitchingToFullScreenAndBackResetsTheSameDevice) {
    CreateOk();
    app.Pause(true);  // as the full-screen command brackets the switch
    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    app.Pause(false);
    EXPECT_FALSE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kPopup);
    EXPECT_EQ(
        log->Texts("Reset"),
        std::vector<std::string>{"Reset(1024, 768, X8R8G8B8, fullscreen, D16, 0, 0x00000000)"});
    EXPECT_EQ(app.hooks,
              (Hooks{"AdjustWindowStyle:fullscreen", "LoseDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_TRUE(Device()->CursorShown());
    EXPECT_EQ(windows.clips.back(), (gfx::Rect{0, 0, 1024, 768}));
    EXPECT_EQ(log->Count("ReleaseDevice"), 0u);
    EXPECT_TRUE(app.IsActive());

    // The window manager sizes the full-screen window after the switch: the back buffer
    // follows it, and the saved view rectangle stays the one to return to.
    windows.Resize(kPopup, 1000, 700);
    app.HandleSizeChange();
    ASSERT_EQ(log->Count("Reset"), 2u);
    EXPECT_EQ(app.BackBufferDesc().width, 1000u);
    EXPECT_EQ(app.BackBufferDesc().height, 700u);
    EXPECT_EQ(app.SavedWindowRect(), (gfx::Rect{100, 50, 908, 658}));

    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kView);
    EXPECT_EQ(log->Named("Reset")[2]->ToString(),
              "Reset(800, 600, X8R8G8B8, windowed, D16, 0, 0x80000000)");
    ASSERT_EQ(windows.restored.size(), 1u);
    EXPECT_EQ(windows.restored[0], std::make_pair(kView, gfx::Rect{100, 50, 908, 658}));
    EXPECT_EQ(windows.clips.back(), (gfx::Rect{-1, -1, -1, -1}));
    EXPECT_TRUE(app.IsActive());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Framework, BaseWindowStyleUsesTheHostFrame) {
    app.formWindows = false;
    CreateOk();
    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    EXPECT_EQ(windows.frames, (std::vector<std::pair<gfx::WindowHandle, bool>>{
                                  {kView, false}, {kView, true}, {kView, false}}));
}

TEST_F(Framework, FailedSwitchToFullScreenGoesBackAndIsFatalOnce) {
    CreateOk();
    Device()->FailNext("Reset", gfx::E_FAIL);
    app.Pause(true);
    EXPECT_EQ(app.SwitchScreenMode(), gfx::Code(0x8200000C));
    app.Pause(false);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kView);
    EXPECT_FALSE(app.IsActive());  // no more frames: the program is closing
    EXPECT_FALSE(app.ignoreSizeChange);
    ASSERT_EQ(windows.restored.size(), 1u);
    EXPECT_EQ(windows.restored[0].second, (gfx::Rect{100, 50, 908, 658}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Could not reset the Direct3D device.\n\nThis sample will now exit.");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(boxes.shown[0].caption, "ТОР-ВИН");
    EXPECT_EQ(windows.closes, std::vector<CloseTarget>{CloseTarget::MainWindow});

    // Further failures while closing show nothing more.
    EXPECT_EQ(app.ShowError(gfx::E_FAIL, ErrorKind::Fatal), gfx::E_FAIL);
    app.leakMesh = true;
    app.Close();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(windows.closes.size(), 1u);
}

TEST_F(Framework, SwitchToAnotherAdapterRecreatesTheDevice) {
    // Only the second adapter can do full screen.
    sys->adapters.push_back(FakeSystem::StandardAdapter());
    sys->checkDeviceType = [](uint32_t adapter, DeviceType, gfx::Format a, gfx::Format b,
                              bool windowed) {
        if (!windowed && adapter == 0) return gfx::D3DERR_NOTAVAILABLE;
        return a == b ? gfx::S_OK : gfx::D3DERR_NOTAVAILABLE;
    };
    CreateOk();
    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    EXPECT_EQ(app.hooks,
              (Hooks{"AdjustWindowStyle:fullscreen", "LoseDeviceObjects", "DestroyDeviceObjects",
                     "AdjustWindowStyle:fullscreen", "CreateDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_EQ(log->Named("CreateDevice").back()->args[0], "1");
    EXPECT_EQ(sys->CreatedDeviceCount(), 2u);
    EXPECT_TRUE(log->Contains("Release(mesh#1)"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Framework, NoFullScreenSettingsMeansNoSwitch) {
    sys->checkDeviceType = [](uint32_t, DeviceType, gfx::Format a, gfx::Format b, bool windowed) {
        return windowed && a == b ? gfx::S_OK : gfx::D3DERR_NOTAVAILABLE;
    };
    CreateOk();
    EXPECT_EQ(app.SwitchScreenMode(), gfx::D3DERR_NOTAVAILABLE);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_TRUE(app.IsActive());
    EXPECT_TRUE(app.hooks.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Framework, ReturnToWindowRebuildsTheDevice) {
    app.startFullscreen = true;
    CreateOk();
    EXPECT_EQ(app.ReturnToWindow(), gfx::S_OK);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_TRUE(app.IsActive());
    EXPECT_EQ(app.hooks,
              (Hooks{"LoseDeviceObjects", "DestroyDeviceObjects", "AdjustWindowStyle:windowed",
                     "CreateDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_EQ(log->Named("CreateDevice")[0]->args[6], "windowed");
    ASSERT_EQ(windows.restored.size(), 1u);

    app.hooks.clear();
    EXPECT_EQ(app.ReturnToWindow(), gfx::S_OK);  // already windowed: nothing
    EXPECT_TRUE(app.hooks.empty());
}

// ---- Clean-up -------------------------------------------------------------------------------

}  // namespace
}  // namespace fwtest
