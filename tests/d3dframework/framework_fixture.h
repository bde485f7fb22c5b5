#pragma once
// The framework under test: an application like the editor's over the recording fake,
// with a hand-moved clock, fake windows and recorded message boxes.
#include <gtest/gtest.h>

#include <algorithm>

#include "d3dframework/d3d_application.h"
#include "support/fake/fake_system.h"
#include "support/scripted_services.h"

namespace fwtest {

using d3dframework::CD3DApplication;
using d3dframework::CloseTarget;
using d3dframework::ErrorKind;
using d3dframework::MessageIcon;
using gfx::DeviceType;
using gfx::HRESULT;
using gfx::fake::FakeAdapter;
using gfx::fake::FakeDevice;
using gfx::fake::FakeSystem;
using gfx::fake::FullCaps;
using testsupport::FakeMessageBoxes;
using testsupport::FakeWindows;

inline char viewTag, popupTag;
inline gfx::WindowHandle const kView = reinterpret_cast<gfx::WindowHandle>(&viewTag);
inline gfx::WindowHandle const kPopup = reinterpret_cast<gfx::WindowHandle>(&popupTag);

inline const std::string kFatal = "\n\nThis sample will now exit.";
inline const std::string kSwitching =
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
        math::MeshGeometry g;
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

}  // namespace fwtest
