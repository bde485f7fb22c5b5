// The about disc: its blended passes for capable and limited devices, the clean-up, and
// the opening and closing turns frame by frame.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render/scene_renderer.h"
#include "render_test_support.h"
#include "support/fake/fake_device.h"

using namespace camera;
using namespace input;
using namespace model;

using gfx::RenderState;
using gfx::TextureStageState;
using gfx::fake::Call;
using gfx::fake::FakeDevice;
using rendertest::LookFrom;
using rendertest::TestAssets;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct Rig {
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    std::unique_ptr<render::SceneRenderer> renderer;
    FakeDevice device;

    explicit Rig(gfx::Caps caps = gfx::fake::FullCaps()) : device(caps) {
        renderer = std::make_unique<render::SceneRenderer>(system, screen, camera,
                                                           std::make_unique<TestAssets>());
        EXPECT_EQ(renderer->CreateDeviceObjects(device), gfx::S_OK);
        renderer->ResetDeviceObjects(device);
        LookFrom(camera, {0, 0, -5}, {0, 0, 0});
        screen.aboutShown = 1;
    }
    std::vector<const Call*> Disc(float time) {
        device.Log().Clear();
        renderer->DrawAboutDisc(device, time);
        return device.Log().Named("DrawMeshSubset");
    }
    std::string Tex(const std::unique_ptr<gfx::Texture>& t) {
        return gfx::fake::ObjectName(t.get());
    }
};

uint32_t Stage(const Call* c, uint32_t stage, TextureStageState s) {
    auto it = c->state->stageStates.find({stage, s});
    return it == c->state->stageStates.end() ? 0u : it->second;
}
std::pair<uint32_t, uint32_t> BlendPair(uint32_t src, uint32_t dest) {
    return {src, dest};
}
std::pair<uint32_t, uint32_t> BlendOf(const Call* c) {
    return {c->state->RenderStateValue(RenderState::SrcBlend),
            c->state->RenderStateValue(RenderState::DestBlend)};
}

TEST(AboutDisc, FourPassesOnACapableDevice) {
    Rig rig;
    auto draws = rig.Disc(1.0f);
    ASSERT_EQ(draws.size(), 5u);  // shadow, darken, engrave, shine, glow
    auto& o = rig.renderer->Objects();
    const math::Mat4 w = rig.camera.axesOrientation * rig.camera.axesDragRotation *
                         rig.camera.cameraToWorld * math::MatrixScaling(1.5f, 1.5f, 1.5f) *
                         rig.renderer->GizmoTranslation();
    for (const Call* c : draws) {
        EXPECT_EQ(c->args[0], gfx::fake::ObjectName(o.meshes.discMesh.get()));
        EXPECT_EQ(c->state->RenderStateValue(RenderState::FogEnable), 0u);
        EXPECT_EQ(c->state->RenderStateValue(RenderState::ZEnable), 0u);
        EXPECT_EQ(c->state->RenderStateValue(RenderState::AlphaBlendEnable), 1u);
        EXPECT_EQ(Stage(c, 2, TextureStageState::ColorOp), gfx::TOP_DISABLE);
        EXPECT_EQ(Stage(c, 2, TextureStageState::AlphaOp), gfx::TOP_DISABLE);
    }
    // 1 shadow: emblem + glow in one draw, offset a little right and down.
    const Call* shadow = draws[0];
    EXPECT_LT(
        math::MaxAbsDifference(shadow->state->world, math::MatrixTranslation(0.01f, -0.01f, 0) * w),
        1e-6f);
    EXPECT_EQ(BlendOf(shadow), BlendPair(gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR));
    EXPECT_EQ(shadow->state->textures[0], rig.Tex(o.emblemTexture));
    EXPECT_EQ(shadow->state->textures[1], rig.Tex(o.emblemGlowTexture));
    EXPECT_EQ(Stage(shadow, 0, TextureStageState::ColorOp), gfx::TOP_SELECTARG1);
    EXPECT_EQ(Stage(shadow, 1, TextureStageState::ColorOp), gfx::TOP_ADD);
    EXPECT_EQ(Stage(shadow, 1, TextureStageState::ColorArg2), gfx::TA_CURRENT);
    EXPECT_EQ(shadow->state->material.emissive, (gfx::ColorValue{1, 1, 1, 0}));
    // 2 darken by the blend factor.
    const Call* darken = draws[1];
    EXPECT_LT(math::MaxAbsDifference(darken->state->world, w), 1e-6f);
    EXPECT_EQ(BlendOf(darken), BlendPair(gfx::BLEND_BLENDFACTOR, gfx::BLEND_INVBLENDFACTOR));
    EXPECT_EQ(darken->state->RenderStateValue(RenderState::BlendFactor), 0x77777777u);
    EXPECT_EQ(Stage(darken, 0, TextureStageState::ColorArg1), gfx::TA_TEMP);
    EXPECT_EQ(Stage(darken, 1, TextureStageState::ColorOp), gfx::TOP_DISABLE);
    // 3a engrave: frame x (1 - emblem).
    const Call* engrave = draws[2];
    EXPECT_EQ(BlendOf(engrave), BlendPair(gfx::BLEND_DESTCOLOR, gfx::BLEND_ZERO));
    EXPECT_EQ(engrave->state->textures[0], rig.Tex(o.emblemTexture));
    EXPECT_EQ(Stage(engrave, 0, TextureStageState::ColorArg1),
              gfx::TA_TEXTURE | gfx::TA_COMPLEMENT);
    EXPECT_EQ(Stage(engrave, 0, TextureStageState::AlphaOp), gfx::TOP_SELECTARG1);
    // 3b shine: reflection x emblem, added.
    const Call* shine = draws[3];
    EXPECT_EQ(BlendOf(shine), BlendPair(gfx::BLEND_ONE, gfx::BLEND_ONE));
    EXPECT_EQ(shine->state->textures[0], rig.Tex(o.reflectionTexture));
    EXPECT_EQ(shine->state->textures[1], rig.Tex(o.emblemTexture));
    EXPECT_EQ(Stage(shine, 0, TextureStageState::TexCoordIndex),
              gfx::TCI_CAMERASPACEREFLECTIONVECTOR);
    EXPECT_EQ(Stage(shine, 0, TextureStageState::TextureTransformFlags), gfx::TTFF_COUNT3);
    EXPECT_EQ(Stage(shine, 1, TextureStageState::ColorOp), gfx::TOP_MODULATE);
    EXPECT_EQ(Stage(shine, 1, TextureStageState::TexCoordIndex), 0u);
    // 4 glow, added, with plain texture coordinates again.
    const Call* glow = draws[4];
    EXPECT_EQ(BlendOf(glow), BlendPair(gfx::BLEND_ONE, gfx::BLEND_ONE));
    EXPECT_EQ(glow->state->textures[0], rig.Tex(o.emblemGlowTexture));
    EXPECT_EQ(Stage(glow, 0, TextureStageState::TexCoordIndex), 0u);
    EXPECT_EQ(Stage(glow, 1, TextureStageState::ColorOp), gfx::TOP_DISABLE);

    // Clean-up.
    auto& d = rig.device;
    EXPECT_EQ(d.GetTextureName(0), "");
    EXPECT_EQ(d.GetTextureName(1), "");
    EXPECT_EQ(d.GetRenderState(RenderState::ZEnable), 1u);
    EXPECT_EQ(d.GetRenderState(RenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(d.GetRenderState(RenderState::FogEnable), 0u);
    EXPECT_EQ(d.GetTextureStageState(0, TextureStageState::ColorOp), gfx::TOP_DISABLE);
    EXPECT_EQ(d.GetTextureStageState(0, TextureStageState::AlphaOp), gfx::TOP_DISABLE);
}

TEST(AboutDisc, FallbackPassesOnALimitedDevice) {
    gfx::Caps caps = gfx::fake::FullCaps();
    caps.maxTextureBlendStages = 1;
    caps.destBlendCaps &= ~gfx::PBLENDCAPS_BLENDFACTOR;
    Rig rig(caps);
    auto draws = rig.Disc(1.0f);
    ASSERT_EQ(draws.size(), 5u);  // shadow twice, darken, emblem, glow
    auto& o = rig.renderer->Objects();
    EXPECT_EQ(draws[0]->state->textures[0], rig.Tex(o.emblemTexture));
    EXPECT_EQ(draws[1]->state->textures[0], rig.Tex(o.emblemGlowTexture));
    for (int i : {0, 1}) {
        EXPECT_EQ(BlendOf(draws[i]), BlendPair(gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR));
        EXPECT_EQ(Stage(draws[i], 1, TextureStageState::ColorOp), gfx::TOP_DISABLE);
    }
    const Call* darken = draws[2];
    EXPECT_EQ(BlendOf(darken), BlendPair(gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR));
    EXPECT_EQ(Stage(darken, 0, TextureStageState::ColorArg1), gfx::TA_DIFFUSE);
    EXPECT_EQ(darken->state->material.emissive,
              (gfx::ColorValue{0.4666667f, 0.4666667f, 0.4666667f, 0.4666667f}));
    EXPECT_EQ(BlendOf(draws[3]), BlendPair(gfx::BLEND_ONE, gfx::BLEND_ONE));
    EXPECT_EQ(draws[3]->state->textures[0], rig.Tex(o.emblemTexture));
    EXPECT_EQ(draws[4]->state->textures[0], rig.Tex(o.emblemGlowTexture));
}

TEST(AboutDisc, HiddenDiscDrawsNothingButKeepsTheClock) {
    Rig rig;
    rig.screen.aboutShown = 0;
    EXPECT_TRUE(rig.Disc(0.0f).empty());
    EXPECT_EQ(rig.device.Log().Size(), 0u);
    EXPECT_TRUE(rig.Disc(5.0f).empty());
    // Opening now: the first turn step uses the time since the last frame, not since 0.
    rig.screen.aboutShown = 1;
    rig.screen.aboutOpening = 1;
    rig.screen.aboutAngle = kPi / 2;
    rig.screen.aboutAxis = {0, 1, 0};
    rig.Disc(5.05f);
    EXPECT_NEAR(rig.screen.aboutAngle, kPi / 2 - 0.3f, 1e-4f);
}

TEST(AboutDisc, OpeningTurnEndsFacingTheViewer) {
    Rig rig;
    rig.screen.aboutOpening = 1;
    rig.screen.aboutCloseFacing = 0;
    rig.screen.aboutAngle = kPi / 2;
    rig.screen.aboutAxis = {0, 1, 0};
    float t = 10.0f;
    rig.Disc(t);  // first frame: dt = 0, edge-on
    EXPECT_FLOAT_EQ(rig.screen.aboutAngle, kPi / 2);
    int frames = 0;
    while (rig.screen.aboutOpening && frames < 100) {
        t += 0.05f;
        rig.Disc(t);
        ++frames;
    }
    EXPECT_EQ(rig.screen.aboutOpening, 0);
    EXPECT_EQ(rig.screen.aboutAngle, 0.0f);
    EXPECT_EQ(frames, 6);  // pi/2 at 6 radians per second: 0.26 s
    EXPECT_EQ(rig.screen.aboutShown, 1);
    EXPECT_EQ(rig.screen.aboutBackFacing, 0);
    // Facing the viewer without a turn: the disc world is the plain orientation.
    auto draws = rig.Disc(t + 0.05f);
    ASSERT_FALSE(draws.empty());
    const math::Mat4 w = rig.camera.cameraToWorld * math::MatrixScaling(1.5f, 1.5f, 1.5f) *
                         rig.renderer->GizmoTranslation();
    EXPECT_LT(math::MaxAbsDifference(draws[1]->state->world, w), 1e-6f);
}

TEST(AboutDisc, OpeningHidesTheWrongFace) {
    Rig rig;
    rig.screen.aboutOpening = 1;
    rig.screen.aboutCloseFacing = 0;
    rig.screen.aboutAngle = 3.0f;  // turned past edge-on: back towards the viewer
    rig.screen.aboutAxis = {0, 1, 0};
    EXPECT_TRUE(rig.Disc(1.0f).empty());
    EXPECT_EQ(rig.screen.aboutBackFacing, 1);
    EXPECT_EQ(rig.screen.aboutShown, 1);
}

TEST(AboutDisc, ClosingTurnDrawsTheLastFrameOnceThenHides) {
    Rig rig;
    rig.screen.aboutClosing = 1;
    rig.screen.aboutCloseFacing = 0;
    rig.screen.aboutAngle = 0;
    rig.screen.aboutAxis = {0, 1, 0};
    float t = 0;
    rig.Disc(t);
    int frames = 0;
    bool lastDrawn = false;
    while (rig.screen.aboutShown && frames < 100) {
        EXPECT_TRUE(rig.renderer->Animating());  // frames keep coming while it turns
        t += 0.05f;
        lastDrawn = !rig.Disc(t).empty();
        ++frames;
    }
    EXPECT_EQ(rig.screen.aboutShown, 0);
    EXPECT_EQ(rig.screen.aboutClosing, 0);
    EXPECT_TRUE(lastDrawn);  // the frame in which the turn ends still shows the disc
    // ...so one more frame is wanted, to show it gone; after that, none.
    EXPECT_TRUE(rig.renderer->Animating());
    rig.renderer->RenderScene(rig.device, t + 0.05f);
    EXPECT_FALSE(rig.renderer->Animating());
    EXPECT_EQ(rig.screen.aboutBackFacing, 1);
    EXPECT_LE(std::fabs(rig.screen.aboutAngle), kPi / 2 + 6 * 0.05f + 1e-4f);
    EXPECT_GE(std::fabs(rig.screen.aboutAngle), kPi / 2);
    EXPECT_TRUE(rig.Disc(t + 0.05f).empty());
    // The back-facing frame is drawn turned by a half-turn about Y, front outwards.
    EXPECT_EQ(rig.device.Log().Size(), 0u);
}

TEST(AboutDisc, ClosingFromTheBackEndsWhenTheFrontShows) {
    Rig rig;
    rig.screen.aboutClosing = 1;
    rig.screen.aboutCloseFacing = 1;
    rig.screen.aboutAngle = kPi;  // starts with its back to the viewer
    rig.screen.aboutAxis = {0, 1, 0};
    float t = 0;
    rig.Disc(t);
    EXPECT_EQ(rig.screen.aboutShown, 1);
    int frames = 0;
    while (rig.screen.aboutShown && frames < 100) {
        t += 0.05f;
        rig.Disc(t);
        ++frames;
    }
    EXPECT_EQ(rig.screen.aboutShown, 0);
    EXPECT_EQ(rig.screen.aboutBackFacing, 0);
}

TEST(AboutDisc, AxisModeOrdersTheRotations) {
    Rig rig;
    rig.camera.axesOrientation = math::MatrixRotationX(0.4f);
    rig.camera.axesDragRotation = math::MatrixRotationY(0.3f);
    const math::Mat4 st = math::MatrixScaling(1.5f, 1.5f, 1.5f) * rig.renderer->GizmoTranslation();
    rig.camera.axisMode = 0;
    auto d0 = rig.Disc(0);
    ASSERT_FALSE(d0.empty());
    EXPECT_LT(math::MaxAbsDifference(d0[1]->state->world, rig.camera.axesOrientation *
                                                              rig.camera.axesDragRotation *
                                                              rig.camera.cameraToWorld * st),
              1e-6f);
    rig.camera.axisMode = 1;
    auto d1 = rig.Disc(0);
    ASSERT_FALSE(d1.empty());
    EXPECT_LT(math::MaxAbsDifference(d1[1]->state->world, rig.camera.axesDragRotation *
                                                              rig.camera.axesOrientation *
                                                              rig.camera.cameraToWorld * st),
              1e-6f);
}

}  // namespace
