// The framework's life cycle against the recording fake: creation and the reference
// fallback, the counted pause and the clock, lost devices, size changes, switching
// between window and full screen, clean-up, and every error message.
#include <gtest/gtest.h>

#include <algorithm>

#include "d3dframework/d3d_application.h"
#include "platform/gfx/fake/fake_system.h"
#include "support/scripted_services.h"

namespace {

using d3dfw::CD3DApplication;
using d3dfw::CloseTarget;
using d3dfw::ErrorKind;
using d3dfw::MessageIcon;
using gfx::DeviceType;
using gfx::HRESULT;
using gfx::fake::FakeAdapter;
using gfx::fake::FakeDevice;
using gfx::fake::FakeSystem;
using gfx::fake::FullCaps;
using testsupport::FakeMessageBoxes;
using testsupport::FakeWindows;

char viewTag, popupTag;
gfx::WindowHandle const kView = reinterpret_cast<gfx::WindowHandle>(&viewTag);
gfx::WindowHandle const kPopup = reinterpret_cast<gfx::WindowHandle>(&popupTag);

const std::string kFatal = "\n\nThis sample will now exit.";
const std::string kSwitching =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
    "Direct3D feature set, but runs very slowly.";

// A scene like the editor's: one per-device object (a mesh) and one per-reset object (a
// texture), the form's window switching, and every hook recorded.
class TestApp : public CD3DApplication {
  public:
    using CD3DApplication::frameMoving;
    using CD3DApplication::ignoreSizeChange;
    using CD3DApplication::objectsCreated;
    using CD3DApplication::objectsReset;

    std::vector<std::string> hooks;
    HRESULT initSceneResult = gfx::S_OK;
    HRESULT createResult = gfx::S_OK;
    HRESULT resetResult = gfx::S_OK;
    HRESULT cleanupResult = gfx::S_OK;
    bool formWindows = true;  // switch device window between view and popup like the form
    bool leakMesh = false;    // DestroyDeviceObjects forgets the mesh
    std::unique_ptr<gfx::Mesh> mesh;
    std::unique_ptr<gfx::Texture> texture;

  protected:
    HRESULT AdjustWindowStyle() override {
        hooks.push_back(std::string("AdjustWindowStyle:") + (windowed ? "windowed" : "fullscreen"));
        if (!formWindows) return CD3DApplication::AdjustWindowStyle();
        SetDeviceWindow(windowed ? kView : kPopup);
        return gfx::S_OK;
    }
    HRESULT InitScene() override {
        hooks.push_back("InitScene");
        return initSceneResult;
    }
    HRESULT CreateDeviceObjects() override {
        hooks.push_back("CreateDeviceObjects");
        vmath::MeshGeometry g;
        g.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        g.indices = {0, 1, 2};
        if (gfx::Failed(GetDevice()->CreateMesh(g, &mesh))) return gfx::E_FAIL;
        return createResult;
    }
    HRESULT ResetDeviceObjects() override {
        hooks.push_back("ResetDeviceObjects");
        gfx::TextureLevel level{1, 1, {0xFFFFFFFF}};
        GetDevice()->CreateTexture(std::span(&level, 1), &texture);
        return resetResult;
    }
    HRESULT AdvanceFrame() override {
        hooks.push_back("AdvanceFrame");
        return gfx::S_OK;
    }
    HRESULT RenderScene() override {
        hooks.push_back("RenderScene");
        GetDevice()->BeginScene();
        GetDevice()->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
        GetDevice()->EndScene();
        return gfx::S_OK;
    }
    HRESULT LoseDeviceObjects() override {
        hooks.push_back("LoseDeviceObjects");
        texture.reset();
        return gfx::S_OK;
    }
    HRESULT DestroyDeviceObjects() override {
        hooks.push_back("DestroyDeviceObjects");
        if (!leakMesh) mesh.reset();
        return gfx::S_OK;
    }
    HRESULT CleanupScene() override {
        hooks.push_back("CleanupScene");
        return cleanupResult;
    }
};

class Framework : public ::testing::Test {
  protected:
    Framework() {
        auto fake = std::make_unique<FakeSystem>();
        sys = fake.get();
        log = fake->SharedLog();
        pending = std::move(fake);
        windows.windows[kView] = {{100, 50, 908, 658}, 800, 600};
        windows.windows[kPopup] = {{0, 0, 1024, 768}, 1024, 768};
        app.SetSystemFactory(
            [this]() -> std::unique_ptr<gfx::System> { return std::move(pending); });
        app.SetWindowHost(&windows);
        app.SetMessageBoxHost(&boxes);
        app.SetDeviceWindow(kView);
        app.SetFocusWindow(kPopup);
        app.windowTitle = "ТОР-ВИН";
        app.showCursorFullscreen = true;
        app.Enumerator().usesDepthBuffer = true;
        app.Timer().SetClock([this] { return now; });
    }
    ~Framework() override { app.Close(); }

    void CreateOk() {
        ASSERT_EQ(app.Create(), gfx::S_OK);
        ASSERT_TRUE(app.IsActive());
        app.hooks.clear();
        windows.restored.clear();
        log->Clear();
    }
    FakeDevice* Device() { return sys->Device(); }
    // One idle step with the clock moved on.
    HRESULT Frame(double dt = 0.02) {
        now += dt;
        return app.RenderEnvironment();
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> t;
        for (const auto& m : boxes.shown) t.push_back(m.text);
        return t;
    }

    double now = 1000.0;
    std::unique_ptr<FakeSystem> pending;
    FakeSystem* sys = nullptr;  // valid while the framework holds the system
    std::shared_ptr<gfx::fake::CallLog> log;
    FakeWindows windows;
    FakeMessageBoxes boxes;
    TestApp app;
};

using Hooks = std::vector<std::string>;

// ---- Creation -------------------------------------------------------------------------------

TEST_F(Framework, CreateBuildsTheWindowedDeviceAndRunsTheSceneHooks) {
    EXPECT_FALSE(app.IsActive());
    EXPECT_EQ(app.PauseCount(), 1);
    ASSERT_EQ(app.Create(), gfx::S_OK);
    EXPECT_TRUE(app.IsActive());
    EXPECT_EQ(app.PauseCount(), 0);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.hooks, (Hooks{"InitScene", "AdjustWindowStyle:windowed", "CreateDeviceObjects",
                                "ResetDeviceObjects"}));
    EXPECT_TRUE(app.objectsCreated);
    EXPECT_TRUE(app.objectsReset);
    EXPECT_TRUE(boxes.shown.empty());

    // Pure hardware device on the focus window, back buffer of the view's client size.
    ASSERT_EQ(log->Count("CreateDevice"), 1u);
    EXPECT_EQ(log->Named("CreateDevice")[0]->ToString(),
              "CreateDevice(0, HAL, 0x00000050, 800, 600, X8R8G8B8, windowed, D16, 0, 0x80000000)");
    const auto& pp = app.PresentParams();
    EXPECT_EQ(pp.deviceWindow, kView);
    EXPECT_EQ(pp.backBufferCount, 1u);
    EXPECT_EQ(pp.swapEffect, gfx::SWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.flags, gfx::PRESENTFLAG_DISCARD_DEPTHSTENCIL);
    EXPECT_EQ(pp.fullScreenRefreshRate, 0u);
    EXPECT_EQ(app.CreateFlags(), gfx::CREATE_HARDWARE_VERTEXPROCESSING | gfx::CREATE_PUREDEVICE);
    EXPECT_EQ(app.BackBufferDesc().width, 800u);
    EXPECT_EQ(app.DeviceCaps().deviceType, DeviceType::HAL);
    EXPECT_EQ(app.FocusWindow(), kPopup);

    // The view is put back where it was when the device came up.
    ASSERT_EQ(windows.restored.size(), 1u);
    EXPECT_EQ(windows.restored[0].first, kView);
    EXPECT_EQ(windows.restored[0].second, (gfx::Rect{100, 50, 908, 658}));
    EXPECT_EQ(windows.clips.back(), (gfx::Rect{-1, -1, -1, -1}));
}

TEST_F(Framework, CreateFailuresAreFatalAndLeaveTheFrameworkInactive) {
    app.SetSystemFactory([] { return std::unique_ptr<gfx::System>(); });
    EXPECT_EQ(app.Create(), gfx::Code(0x82000001));
    EXPECT_FALSE(app.IsActive());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, d3dfw::ErrorMessageText(gfx::Code(0x82000001)) + kFatal);
    EXPECT_EQ(boxes.shown[0].caption, "ТОР-ВИН");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(windows.closes, std::vector<CloseTarget>{CloseTarget::MainWindow});
}

TEST_F(Framework, NoCompatibleDeviceIsReportedAndTheSystemReleased) {
    sys->checkDeviceType = [](uint32_t, DeviceType, gfx::Format, gfx::Format, bool) {
        return gfx::D3DERR_NOTAVAILABLE;
    };
    EXPECT_EQ(app.Create(), gfx::Code(0x82000003));
    EXPECT_EQ(app.GetSystem(), nullptr);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                  "Could not find any compatible Direct3D\ndevices." + kFatal});
    EXPECT_TRUE(app.hooks.empty());  // InitScene never ran
    EXPECT_FALSE(app.IsActive());
}

TEST_F(Framework, FailingInitSceneIsFatal) {
    app.initSceneResult = gfx::E_OUTOFMEMORY;
    EXPECT_EQ(app.Create(), gfx::E_OUTOFMEMORY);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Not enough memory." + kFatal});
    EXPECT_EQ(log->Count("CreateDevice"), 0u);
}

TEST_F(Framework, StartsInFullScreenWhenAsked) {
    app.startFullscreen = true;
    ASSERT_EQ(app.Create(), gfx::S_OK);
    EXPECT_FALSE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kPopup);
    EXPECT_EQ(
        log->Named("CreateDevice")[0]->ToString(),
        "CreateDevice(0, HAL, 0x00000050, 1024, 768, X8R8G8B8, fullscreen, D16, 0, 0x00000000)");
    EXPECT_EQ(app.PresentParams().fullScreenRefreshRate, 60u);
    EXPECT_TRUE(Device()->CursorShown());
    EXPECT_EQ(windows.clips.back(), (gfx::Rect{0, 0, 1024, 768}));
    EXPECT_TRUE(windows.restored.empty());  // the view is not touched in full screen
}

// ---- Reference fallback and missing media ---------------------------------------------------

TEST_F(Framework, HalCreationFailureFallsBackToTheReferenceDeviceWindowed) {
    sys->adapters[0].caps[DeviceType::REF] = FullCaps(DeviceType::REF);
    sys->FailCreateDevice(DeviceType::HAL, gfx::D3DERR_NOTAVAILABLE);
    app.startFullscreen = true;
    ASSERT_EQ(app.Create(), gfx::S_OK);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, d3dfw::ErrorMessageText(gfx::D3DERR_NOTAVAILABLE) + kSwitching);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(windows.closes.empty());
    EXPECT_TRUE(app.IsActive());
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kView);
    EXPECT_EQ(app.DeviceCaps().deviceType, DeviceType::REF);
    EXPECT_EQ(log->Texts("CreateDevice").size(), 2u);
    EXPECT_EQ(log->Named("CreateDevice")[1]->args[1], "REF");
    EXPECT_EQ(log->Named("CreateDevice")[1]->args[6], "windowed");
}

TEST_F(Framework, FailingDeviceObjectsOnHalAlsoFallBackAndCleanUpFirst) {
    sys->adapters[0].caps[DeviceType::REF] = FullCaps(DeviceType::REF);
    app.resetResult = gfx::E_FAIL;  // the per-reset objects fail on HAL only
    sys->onCreateDevice = [this](FakeDevice&) {
        if (sys->CreatedDeviceCount() == 2) app.resetResult = gfx::S_OK;
    };
    ASSERT_EQ(app.Create(), gfx::S_OK);
    // The per-device mesh of the failed HAL device was destroyed before its device went,
    // so nothing outlived it (no reference-count message).
    EXPECT_EQ(app.hooks, (Hooks{"InitScene", "AdjustWindowStyle:windowed", "CreateDeviceObjects",
                                "ResetDeviceObjects", "LoseDeviceObjects", "DestroyDeviceObjects",
                                "AdjustWindowStyle:windowed", "AdjustWindowStyle:windowed",
                                "CreateDeviceObjects", "ResetDeviceObjects"}));
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{d3dfw::ErrorMessageText(gfx::E_FAIL) + kSwitching});
    EXPECT_EQ(app.DeviceCaps().deviceType, DeviceType::REF);
    EXPECT_LT(log->IndexOf("Release(mesh#1)"), log->IndexOfName("ReleaseDevice"));
}

TEST_F(Framework, MissingMediaNeverFallsBack) {
    for (HRESULT missing : {gfx::Code(0x8200000B), gfx::Code(0x80070002)}) {
        SCOPED_TRACE(missing);
        auto fake = std::make_unique<FakeSystem>();
        fake->adapters[0].caps[DeviceType::REF] = FullCaps(DeviceType::REF);
        auto fakeLog = fake->SharedLog();
        FakeMessageBoxes msgs;
        FakeWindows wins = windows;
        TestApp other;
        other.SetSystemFactory([&]() -> std::unique_ptr<gfx::System> { return std::move(fake); });
        other.SetWindowHost(&wins);
        other.SetMessageBoxHost(&msgs);
        other.SetDeviceWindow(kView);
        other.createResult = missing;
        EXPECT_EQ(other.Create(), missing);
        EXPECT_FALSE(other.IsActive());
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].text, "Could not load required media." + kFatal);
        EXPECT_EQ(fakeLog->Count("CreateDevice"), 1u);
        EXPECT_EQ(other.GetDevice(), nullptr);
        other.Close();
    }
}

TEST_F(Framework, NoReferenceDeviceMeansTheHalErrorIsFatal) {
    sys->FailCreateDevice(DeviceType::HAL, gfx::D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(app.Create(), gfx::D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Not enough video memory." + kFatal});
}

TEST_F(Framework, NullReferenceDeviceWarns) {
    FakeAdapter& a = sys->adapters[0];
    a.caps[DeviceType::HAL].primitiveMiscCaps = gfx::PMISCCAPS_NULLREFERENCE;
    ASSERT_EQ(app.Create(), gfx::S_OK);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, d3dfw::ErrorMessageText(gfx::Code(0x8200000D)));
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(app.IsActive());
}

// ---- Pause and the clock -----------------------------------------------------------------

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

    // A resize of the full-screen window neither resets nor replaces the saved view rectangle.
    windows.Resize(kPopup, 1000, 700);
    app.HandleSizeChange();
    EXPECT_EQ(log->Count("Reset"), 1u);

    ASSERT_EQ(app.SwitchScreenMode(), gfx::S_OK);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.DeviceWindow(), kView);
    EXPECT_EQ(log->Named("Reset")[1]->ToString(),
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

TEST_F(Framework, CloseLosesDestroysReleasesThenCleansUpOnce) {
    CreateOk();
    app.Close();
    EXPECT_EQ(app.hooks, (Hooks{"LoseDeviceObjects", "DestroyDeviceObjects", "CleanupScene"}));
    EXPECT_EQ(log->Count("ReleaseDevice"), 1u);
    EXPECT_EQ(app.GetDevice(), nullptr);
    EXPECT_EQ(app.GetSystem(), nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    app.Close();
    EXPECT_EQ(app.hooks.size(), 3u);
}

TEST_F(Framework, ObjectsOutlivingTheDeviceAreReported) {
    CreateOk();
    app.leakMesh = true;
    app.Close();
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{
                  "A D3D object has a non-zero reference\ncount (meaning things were not "
                  "properly\ncleaned up)." +
                  kFatal});
    app.mesh.reset();
}

// ---- Messages ------------------------------------------------------------------------------

TEST_F(Framework, EveryCodeHasItsMessage) {
    const std::vector<std::pair<uint32_t, std::string>> table = {
        {0x82000001,
         "Could not initialize Direct3D. You may\nwant to check that the latest version "
         "of\nDirectX is correctly "
         "installed on your\nsystem.  Also make sure that this program\nwas compiled with header "
         "files that "
         "match\nthe installed DirectX DLLs."},
        {0x82000003, "Could not find any compatible Direct3D\ndevices."},
        {0x82000004,
         "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease "
         "change your "
         "desktop settings to a\n16- or 32-bit display mode and re-run this\nsample."},
        {0x82000005, "No hardware-accelerated Direct3D devices\nwere found."},
        {0x82000006,
         "This sample requires functionality that is\nnot available on your Direct3D "
         "hardware\naccelerator."},
        {0x82000007,
         "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app "
         "is running to "
         "see a\nlist of available devices and modes."},
        {0x82000008,
         "Your Direct3D hardware accelerator cannot\nrender into a window with the "
         "current\ndesktop display "
         "settings.\nPress F2 while the app is running to see a\nlist of available devices and "
         "modes."},
        {0x82000009,
         "This sample requires functionality that is\nnot available on your Direct3D "
         "hardware\naccelerator with "
         "the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist "
         "of available "
         "devices and modes."},
        {0x8200000A,
         "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned "
         "up)."},
        {0x8200000B, "Could not load required media."},
        {0x80070002, "Could not load required media."},
        {0x8200000C, "Could not reset the Direct3D device."},
        {0x8200000D,
         "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but "
         "your\ncomputer "
         "only has a reduced-functionality reference device\ninstalled.  Install the DirectX SDK "
         "to get the "
         "full\nreference device.\n"},
        {0x8007000E, "Not enough memory."},
        {0x8876017C, "Not enough video memory."},
        {0x82000002, "Generic application error. Enable\ndebug output for detailed information."},
        {0x80004005, "Generic application error. Enable\ndebug output for detailed information."},
    };
    for (const auto& [code, text] : table) {
        SCOPED_TRACE(code);
        boxes.shown.clear();
        EXPECT_EQ(app.ShowError(gfx::Code(code), ErrorKind::Warning), gfx::Code(code));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, text);
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
        EXPECT_EQ(boxes.shown[0].caption, "ТОР-ВИН");
    }
    EXPECT_TRUE(windows.closes.empty());
    EXPECT_FALSE(app.FatalErrorShown());

    boxes.shown.clear();
    app.ShowError(gfx::E_OUTOFMEMORY, ErrorKind::SwitchingToReference);
    EXPECT_EQ(boxes.shown.at(0).text, "Not enough memory." + kSwitching);
    EXPECT_EQ(boxes.shown.at(0).icon, MessageIcon::Warning);
    EXPECT_FALSE(app.FatalErrorShown());
}

TEST_F(Framework, FatalMessageInFullScreenClosesThePopup) {
    app.startFullscreen = true;
    CreateOk();
    app.ShowError(gfx::E_FAIL, ErrorKind::Fatal);
    EXPECT_EQ(windows.closes, std::vector<CloseTarget>{CloseTarget::FullScreenWindow});
    EXPECT_EQ(app.PauseCount(), 0);  // the box's own pause is undone
}

}  // namespace
