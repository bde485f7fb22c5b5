// The framework against the recording fake: creation and the reference fallback,
// clean-up, and every error message.
#include "framework_fixture.h"

using namespace services;

namespace fwtest {
namespace {

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
    EXPECT_EQ(boxes.shown[0].text, d3dframework::ErrorMessageText(gfx::Code(0x82000001)) + kFatal);
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
    EXPECT_EQ(boxes.shown[0].text,
              d3dframework::ErrorMessageText(gfx::D3DERR_NOTAVAILABLE) + kSwitching);
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
              std::vector<std::string>{d3dframework::ErrorMessageText(gfx::E_FAIL) + kSwitching});
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
    EXPECT_EQ(boxes.shown[0].text, d3dframework::ErrorMessageText(gfx::Code(0x8200000D)));
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(app.IsActive());
}

// ---- Pause and the clock -----------------------------------------------------------------

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
}  // namespace fwtest
