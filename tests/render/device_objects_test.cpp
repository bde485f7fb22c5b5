// Lifetimes of the device objects through create, reset, loss and destruction, the
// failure codes of device creation, and the contents of the fixed buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render/scene_renderer.h"
#include "render_test_support.h"
#include "support/fake/fake_device.h"

using namespace camera;
using namespace input;
using namespace model;

using gfx::fake::FakeDevice;
using gfx::fake::FakeMesh;
using gfx::fake::FakeVertexBuffer;
using rendertest::TestAssets;

namespace {

struct Rig {
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    TestAssets* assets = nullptr;
    std::unique_ptr<render::SceneRenderer> renderer;
    FakeDevice device;

    explicit Rig(gfx::Caps caps = gfx::fake::FullCaps()) : device(caps) {
        auto a = std::make_unique<TestAssets>();
        assets = a.get();
        renderer = std::make_unique<render::SceneRenderer>(system, screen, camera, std::move(a));
    }
    render::DeviceObjects& obj() { return renderer->Objects(); }
    gfx::HRESULT Create() { return renderer->CreateDeviceObjects(device); }
    gfx::HRESULT Reset() { return renderer->ResetDeviceObjects(device); }
};

TEST(DeviceObjects, CreateBuildsMeshSetAndFontButNoTexturesBeforeFirstReset) {
    Rig rig;
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    auto& m = rig.obj().meshes;
    for (auto& mesh : m.blockMeshes) EXPECT_NE(mesh, nullptr);
    EXPECT_NE(m.cubeMesh, nullptr);
    EXPECT_NE(m.ringMesh, nullptr);
    EXPECT_NE(m.discMesh, nullptr);
    EXPECT_NE(m.gridLines, nullptr);
    EXPECT_NE(m.arrowLines, nullptr);
    EXPECT_EQ(m.identityWorld, math::MatrixIdentity());
    ASSERT_NE(rig.renderer->OverlayFont(), nullptr);
    // The about page is shown at start-up, but there are no texture stages before the
    // first reset, so no texture is made yet.
    EXPECT_EQ(rig.screen.aboutShown, 1);
    EXPECT_EQ(rig.device.Log().Count("CreateTexture"), 0u);
    EXPECT_EQ(rig.obj().emblemTexture, nullptr);

    // Camera at (0, 0, -5) with the back buffer's aspect.
    EXPECT_EQ(rig.camera.viewportWidth, 640);
    EXPECT_EQ(rig.camera.viewportHeight, 480);
    EXPECT_TRUE(rig.device.Log().Contains("CreateFont(font#1, -13, 700, \"Arial\")"));

    // Picking sees the same geometry as drawing.
    ::PickMeshes g = rig.renderer->Geometry();
    EXPECT_EQ(g.blockMeshes[0], &m.blockMeshes[0]->Geometry());
    EXPECT_EQ(g.cube, &m.cubeMesh->Geometry());
    EXPECT_EQ(g.ring, &m.ringMesh->Geometry());
    EXPECT_EQ(g.disc, &m.discMesh->Geometry());
}

TEST(DeviceObjects, FontHeightIsTenPoints) {
    EXPECT_EQ(render::OverlayFontHeight(96), -13);
    EXPECT_EQ(render::OverlayFontHeight(72), -10);
    EXPECT_EQ(render::OverlayFontHeight(120), -17);
}

TEST(DeviceObjects, ResetSetsFixedStatesCapsAndOverlayObjects) {
    Rig rig;
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    // The opposite of what the reset must leave, so that each check below can fail.
    auto& d = rig.device;
    d.SetRenderState(gfx::RenderState::DitherEnable, 1);
    d.SetRenderState(gfx::RenderState::SpecularEnable, 1);
    d.SetRenderState(gfx::RenderState::ZEnable, 0);
    d.SetRenderState(gfx::RenderState::Lighting, 0);
    bool sized = false;
    ASSERT_EQ(rig.renderer->ResetDeviceObjects(rig.device,
                                               [&] {
                                                   sized = true;
                                                   // Size handling runs before the capability
                                                   // copies are taken.
                                                   EXPECT_EQ(rig.obj().textureStages, 0);
                                               }),
              gfx::S_OK);
    EXPECT_TRUE(sized);
    EXPECT_EQ(d.GetRenderState(gfx::RenderState::DitherEnable), 0u);
    EXPECT_EQ(d.GetRenderState(gfx::RenderState::SpecularEnable), 0u);
    EXPECT_EQ(d.GetRenderState(gfx::RenderState::ZEnable), 1u);
    EXPECT_EQ(d.GetRenderState(gfx::RenderState::Ambient), 0x000F0F0Fu);
    EXPECT_EQ(d.GetRenderState(gfx::RenderState::Lighting), 1u);
    EXPECT_EQ(d.GetMaterial().diffuse, (gfx::ColorValue{1, 0, 0, 1}));
    EXPECT_EQ(d.GetMaterial().ambient, (gfx::ColorValue{1, 0, 0, 1}));
    for (uint32_t s = 0; s < 2; ++s) {
        EXPECT_EQ(d.GetSamplerState(s, gfx::SamplerState::MinFilter), gfx::TEXF_LINEAR);
        EXPECT_EQ(d.GetSamplerState(s, gfx::SamplerState::MipFilter), gfx::TEXF_LINEAR);
    }
    EXPECT_TRUE(d.IsLightEnabled(0));
    EXPECT_TRUE(d.IsLightEnabled(1));
    EXPECT_TRUE(rig.obj().canAlphaBlend);
    EXPECT_TRUE(rig.obj().canBlendFactor);
    EXPECT_TRUE(rig.obj().canDot3);
    EXPECT_GE(rig.obj().textureStages, 2);
    // Overlay objects, and the about textures because the about page is shown.
    EXPECT_NE(rig.obj().panelTexture, nullptr);
    EXPECT_NE(rig.obj().buttonTexture, nullptr);
    EXPECT_NE(rig.obj().overlaySprite, nullptr);
    EXPECT_NE(rig.obj().emblemTexture, nullptr);
    EXPECT_NE(rig.obj().emblemGlowTexture, nullptr);
    EXPECT_NE(rig.obj().reflectionTexture, nullptr);
}

TEST(DeviceObjects, LoseAndResetRecreatesOverlaysAndKeepsMeshes) {
    Rig rig;
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    rig.Reset();
    gfx::Mesh* block = rig.obj().meshes.blockMeshes[0].get();
    gfx::VertexBuffer* grid = rig.obj().meshes.gridLines.get();
    auto* font = static_cast<gfx::fake::FakeFont*>(rig.renderer->OverlayFont());

    rig.screen.aboutShown = 0;
    rig.device.Log().Clear();
    rig.renderer->LoseDeviceObjects();
    EXPECT_TRUE(font->Lost());
    EXPECT_EQ(rig.obj().panelTexture, nullptr);
    EXPECT_EQ(rig.obj().overlaySprite, nullptr);
    EXPECT_EQ(rig.obj().emblemTexture, nullptr);
    EXPECT_EQ(rig.device.Log().Count("Release"), 6u);

    rig.Reset();
    EXPECT_FALSE(font->Lost());
    EXPECT_EQ(rig.obj().meshes.blockMeshes[0].get(), block);
    EXPECT_EQ(rig.obj().meshes.gridLines.get(), grid);
    EXPECT_NE(rig.obj().panelTexture, nullptr);
    EXPECT_NE(rig.obj().buttonTexture, nullptr);
    EXPECT_NE(rig.obj().overlaySprite, nullptr);
    // The about page is closed now: its textures stay away until it opens.
    EXPECT_EQ(rig.obj().emblemTexture, nullptr);
    EXPECT_EQ(rig.device.Log().Count("CreateMesh"), 0u);

    EXPECT_EQ(rig.renderer->LoadAboutTextures(rig.device), gfx::S_OK);
    EXPECT_NE(rig.obj().emblemTexture, nullptr);
    EXPECT_NE(rig.obj().reflectionTexture, nullptr);

    // Releasing twice is harmless; destroying drops meshes and font.
    rig.renderer->LoseDeviceObjects();
    rig.renderer->LoseDeviceObjects();
    rig.renderer->DestroyDeviceObjects();
    rig.renderer->DestroyDeviceObjects();
    EXPECT_EQ(rig.renderer->OverlayFont(), nullptr);
    EXPECT_EQ(rig.obj().meshes.cubeMesh, nullptr);
    EXPECT_EQ(rig.device.LiveObjectCount(), 0u);
}

TEST(DeviceObjects, NoTextureStagesMeansNoOverlayOrAboutTextures) {
    gfx::Caps caps = gfx::fake::FullCaps();
    caps.maxTextureBlendStages = 0;
    Rig rig(caps);
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    rig.Reset();
    EXPECT_EQ(rig.obj().textureStages, 0);
    EXPECT_EQ(rig.obj().panelTexture, nullptr);
    EXPECT_EQ(rig.obj().overlaySprite, nullptr);
    EXPECT_EQ(rig.obj().emblemTexture, nullptr);
    EXPECT_EQ(rig.renderer->LoadAboutTextures(rig.device), gfx::S_OK);
    EXPECT_EQ(rig.device.Log().Count("CreateTexture"), 0u);
    EXPECT_EQ(rig.device.Log().Count("CreateSprite"), 0u);
}

TEST(DeviceObjects, CapabilityCopiesFollowTheCaps) {
    gfx::Caps caps = gfx::fake::FullCaps();
    caps.destBlendCaps &= ~gfx::PBLENDCAPS_BLENDFACTOR;
    caps.textureOpCaps &= ~gfx::TEXOPCAPS_DOTPRODUCT3;
    caps.textureFilterCaps = 0;
    Rig rig(caps);
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    rig.Reset();
    EXPECT_TRUE(rig.obj().canAlphaBlend);
    EXPECT_FALSE(rig.obj().canBlendFactor);
    EXPECT_FALSE(rig.obj().canDot3);
    EXPECT_EQ(rig.device.Log().Count("SetSamplerState"), 0u);
}

TEST(DeviceObjects, OverlayFailureStopsTheChainSilently) {
    Rig rig;
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    rig.device.FailNext("CreateTexture", gfx::E_OUTOFMEMORY, 1);  // the button texture
    EXPECT_EQ(rig.Reset(), gfx::S_OK);
    EXPECT_NE(rig.obj().panelTexture, nullptr);
    EXPECT_EQ(rig.obj().buttonTexture, nullptr);
    EXPECT_EQ(rig.obj().overlaySprite, nullptr);
    EXPECT_EQ(rig.obj().emblemTexture, nullptr);

    // A missing image stops the about textures at the first one that fails.
    rig.assets->missing = {render::ResourceEmblemGlow};
    rig.Reset();
    EXPECT_NE(rig.obj().overlaySprite, nullptr);
    EXPECT_NE(rig.obj().emblemTexture, nullptr);
    EXPECT_EQ(rig.obj().emblemGlowTexture, nullptr);
    EXPECT_EQ(rig.obj().reflectionTexture, nullptr);
    EXPECT_TRUE(gfx::Failed(rig.renderer->LoadAboutTextures(rig.device)));
}

TEST(DeviceObjects, CreationFailureCodes) {
    {
        Rig rig;
        rig.assets->missing = {render::ResourceBlockMedium};
        EXPECT_EQ(rig.Create(), render::E_BLOCKMESH);
        EXPECT_EQ(rig.obj().meshes.cubeMesh, nullptr);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateMesh", gfx::E_OUTOFMEMORY);  // first block mesh
        EXPECT_EQ(rig.Create(), render::E_BLOCKMESH);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateMesh", gfx::E_OUTOFMEMORY, 3);  // the box
        EXPECT_EQ(rig.Create(), gfx::E_FAIL);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateMesh", gfx::E_OUTOFMEMORY, 4);  // the ring
        EXPECT_EQ(rig.Create(), gfx::E_FAIL);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateMesh", gfx::E_OUTOFMEMORY, 5);  // the disc: its own code
        EXPECT_EQ(rig.Create(), gfx::E_OUTOFMEMORY);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateLineBuffer", gfx::D3DERR_OUTOFVIDEOMEMORY, 1);  // arrow
        EXPECT_EQ(rig.Create(), gfx::D3DERR_OUTOFVIDEOMEMORY);
        EXPECT_NE(rig.obj().meshes.gridLines, nullptr);
        EXPECT_EQ(rig.obj().meshes.arrowLines, nullptr);
    }
    {
        Rig rig;
        rig.device.FailNext("CreateFont", gfx::E_OUTOFMEMORY);
        EXPECT_EQ(rig.Create(), gfx::E_OUTOFMEMORY);
        EXPECT_EQ(rig.device.Log().Count("CreateMesh"), 0u);
    }
}

TEST(DeviceObjects, GridArrowAndDiscContents) {
    Rig rig;
    ASSERT_EQ(rig.Create(), gfx::S_OK);
    auto* grid = dynamic_cast<FakeVertexBuffer*>(rig.obj().meshes.gridLines.get());
    auto* arrow = dynamic_cast<FakeVertexBuffer*>(rig.obj().meshes.arrowLines.get());
    ASSERT_TRUE(grid && arrow);
    const auto& g = grid->Vertices();
    ASSERT_EQ(g.size(), 88u);
    for (int k = 0; k < 22; ++k) {
        float c = static_cast<float>(2 * k - 21);
        EXPECT_EQ(g[2 * k], (math::Vec3{c, -1, -21}));
        EXPECT_EQ(g[2 * k + 1], (math::Vec3{c, -1, 21}));
        EXPECT_EQ(g[44 + 2 * k], (math::Vec3{-21, -1, c}));
        EXPECT_EQ(g[45 + 2 * k], (math::Vec3{21, -1, c}));
    }
    const auto& a = arrow->Vertices();
    ASSERT_EQ(a.size(), 18u);
    EXPECT_EQ(a[0], (math::Vec3{0, -1, 0}));
    EXPECT_EQ(a[1], (math::Vec3{0, 1, 0}));
    EXPECT_EQ(a[2], (math::Vec3{-0.1f, -0.9f, 0}));
    EXPECT_EQ(a[3], (math::Vec3{0, -1, 0}));
    EXPECT_EQ(a[16], (math::Vec3{0, 0.9f, 0.1f}));
    EXPECT_EQ(a[17], (math::Vec3{0, 1, 0}));

    auto* disc = dynamic_cast<FakeMesh*>(rig.obj().meshes.discMesh.get());
    ASSERT_NE(disc, nullptr);
    const auto& d = disc->Geometry();
    ASSERT_EQ(d.FaceCount(), 64u);
    ASSERT_EQ(d.texCoords.size(), d.positions.size());
    // Triangle i: centre, rim at step i, rim at step i - 1; normals +z; texture
    // coordinates map x, y in -1..1 onto u, v with v downwards.
    for (size_t f = 0; f < 64; ++f) {
        const float step = 2 * std::numbers::pi_v<float> / 64;
        const math::Vec3 c = d.positions[d.indices[3 * f]];
        const math::Vec3 r1 = d.positions[d.indices[3 * f + 1]];
        const math::Vec3 r0 = d.positions[d.indices[3 * f + 2]];
        EXPECT_EQ(c, (math::Vec3{0, 0, 0}));
        EXPECT_NEAR(r1.x, std::cos(static_cast<float>(f + 1) * step), 1e-5f);
        EXPECT_NEAR(r1.y, std::sin(static_cast<float>(f + 1) * step), 1e-5f);
        EXPECT_NEAR(r0.x, std::cos(static_cast<float>(f) * step), 1e-5f);
        EXPECT_NEAR(r0.y, std::sin(static_cast<float>(f) * step), 1e-5f);
        for (int k = 0; k < 3; ++k) {
            uint16_t i = d.indices[3 * f + k];
            EXPECT_EQ(d.normals[i], (math::Vec3{0, 0, 1}));
            EXPECT_NEAR(d.texCoords[i].x, (d.positions[i].x + 1) / 2, 1e-6f);
            EXPECT_NEAR(d.texCoords[i].y, 1 - (d.positions[i].y + 1) / 2, 1e-6f);
        }
    }
    // Ring: a thin circle of radius 1.5 in the XY plane.
    const auto& ring = rig.obj().meshes.ringMesh->Geometry();
    for (const auto& p : ring.positions) {
        EXPECT_NEAR(std::hypot(p.x, p.y), 1.5f, 0.021f);
        EXPECT_LE(std::fabs(p.z), 0.0201f);
    }
    EXPECT_EQ(rig.obj().meshes.cubeMesh->Geometry().FaceCount(), 12u);
}

}  // namespace
