// The passes of one frame as the device sees them: order, states, materials, what is
// drawn with which mesh, and what the view leaves out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <set>

#include "model/colours.h"
#include "model/placement.h"
#include "render/scene_renderer.h"
#include "render_test_support.h"
#include "support/construction_builders.h"
#include "support/fake/fake_device.h"
#include "support/fake/names.h"

using namespace camera;
using namespace input;
using namespace model;

using gfx::RenderState;
using gfx::fake::Call;
using gfx::fake::FakeDevice;
using rendertest::LookFrom;
using rendertest::TestAssets;
using testsupport::PlaceBlocks;

namespace {

struct Rig {
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    std::unique_ptr<render::SceneRenderer> renderer;
    FakeDevice device;

    Rig() {
        renderer = std::make_unique<render::SceneRenderer>(system, screen, camera,
                                                           std::make_unique<TestAssets>());
        EXPECT_EQ(renderer->CreateDeviceObjects(device), gfx::S_OK);
        renderer->ResetDeviceObjects(device);
        device.SetViewport({0, 0, 800, 600, 0, 1});
        LookFrom(camera, {0, 0, -5}, {0, 0, 0});
        screen.aboutShown = 0;
        device.Log().Clear();
    }
    const std::vector<Call>& Frame(float time = 0) {
        device.Log().Clear();
        renderer->RenderScene(device, time);
        return device.Log().Calls();
    }
    std::string MeshName(const std::unique_ptr<gfx::Mesh>& m) {
        return gfx::fake::ObjectName(m.get());
    }
    // Instances drawn per mesh name in the last frame.
    std::map<std::string, std::vector<gfx::MeshInstance>> Instances() {
        std::map<std::string, std::vector<gfx::MeshInstance>> out;
        for (const Call* c : device.Log().Named("DrawMeshInstances")) {
            auto& v = out[c->args[0]];
            v.insert(v.end(), c->state->instances.begin(), c->state->instances.end());
        }
        return out;
    }
};

gfx::ColorValue Table(int i) {
    const auto& c = BlockColours[static_cast<size_t>(i)];
    return {c.r, c.g, c.b, c.a};
}

TEST(RenderFrame, FrameStartFogClearGridThenBlocks) {
    Rig rig;
    rig.system.showGrid = 1;
    rig.system.backgroundColour = 0x00112233;
    rig.system.gridColour = 0x00FF8000;
    rig.Frame();
    auto& log = rig.device.Log();
    auto fogOn = log.IndexOf("SetRenderState(FogEnable, 1)");
    auto fogColour = log.IndexOf("SetRenderState(FogColor, 0x00112233)");
    auto exp2 = log.IndexOf("SetRenderState(FogTableMode, 2)");
    auto density = log.IndexOf("SetRenderState(FogDensity, 0.005)");
    auto clear = log.IndexOf("Clear(0x00000003, 0x00112233, 1, 0)");
    auto grid = log.IndexOfName("DrawLineList");
    auto blocks = log.IndexOfName("DrawMeshInstances");
    ASSERT_GE(fogOn, 0);
    ASSERT_GE(fogColour, 0);
    ASSERT_GE(exp2, 0);
    ASSERT_GE(density, 0);
    ASSERT_GT(clear, std::max({fogOn, fogColour, exp2, density}));
    ASSERT_GT(grid, clear);
    ASSERT_GT(blocks, grid);
    EXPECT_EQ(log.IndexOfName("BeginScene"), 0);
    EXPECT_EQ(log.Calls().back().name, "EndScene");

    const auto& g = *log[static_cast<size_t>(grid)].state;
    EXPECT_EQ(log[static_cast<size_t>(grid)].args[2], "44");
    EXPECT_EQ(g.material.emissive, gfx::ToColorValue(0x00FF8000));
    EXPECT_EQ(g.material.diffuse, (gfx::ColorValue{}));
    EXPECT_EQ(g.world, rig.system.rootTransform);
    EXPECT_EQ(g.RenderStateValue(RenderState::Lighting), 1u);
    EXPECT_EQ(g.RenderStateValue(RenderState::FogEnable), 1u);

    rig.system.showGrid = 0;
    rig.Frame();
    EXPECT_EQ(rig.device.Log().Count("DrawLineList"), 0u);
}

TEST(RenderFrame, BeginSceneFailureSkipsTheFrame) {
    Rig rig;
    rig.device.FailNext("BeginScene", gfx::D3DERR_DEVICELOST);
    rig.device.Log().Clear();
    EXPECT_EQ(rig.renderer->RenderScene(rig.device, 0), gfx::S_OK);
    EXPECT_EQ(rig.device.Log().Size(), 1u);
}

TEST(RenderFrame, MaterialRuleAndSelfLitBlocks) {
    Rig rig;
    PlaceBlocks(rig.system, {{0, 0, 0}}, ColourBlue, 0);
    auto lit = std::make_unique<BlockNode>();
    lit->offset = {2, 0, 0};
    lit->colour = ColourRed;
    lit->selfLit = 1;
    rig.system.document.Add(nullptr, std::move(lit));
    rig.Frame();
    auto inst = rig.Instances();
    ASSERT_EQ(inst.size(), 1u);
    const auto& v = inst.begin()->second;
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].diffuse, Table(ColourBlue));
    EXPECT_EQ(v[0].ambient, Table(ColourBlue));
    EXPECT_EQ(v[0].emissive, (gfx::ColorValue{}));
    EXPECT_EQ(v[1].emissive, Table(ColourRed));
    EXPECT_EQ(v[1].diffuse, (gfx::ColorValue{}));
    EXPECT_EQ(v[1].ambient, (gfx::ColorValue{}));
    EXPECT_EQ(v[1].world.Translation(), (math::Vec3{2, 0, 0}));
    const Call* draw = rig.device.Log().Named("DrawMeshInstances")[0];
    EXPECT_EQ(draw->state->RenderStateValue(RenderState::Lighting), 1u);
}

TEST(RenderFrame, WalkOrderHiddenBlocksAndNestedTransforms) {
    Rig rig;
    PlaceBlocks(rig.system, {{0, 0, 0}}, ColourGreen);
    BlockNode& top = *rig.system.model.topBlocks.Front();
    top.visible = 0;  // a placeholder: not drawn, its child still placed through it
    auto child = std::make_unique<BlockNode>();
    child->offset = {0, 2, 0};
    child->colour = ColourWhite;
    child->axis = {0, 2, 0};
    top.AppendChild(std::move(child));
    rig.system.rootTransform = math::MatrixTranslation(1, 0, 0);
    rig.Frame();
    auto inst = rig.Instances();
    ASSERT_EQ(inst.size(), 1u);
    const auto& v = inst.begin()->second;
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].diffuse, Table(ColourWhite));
    std::vector<math::Mat4> expected;
    WalkBlocks(
        rig.system.model.topBlocks, rig.system.rootTransform,
        [&](const BlockNode&, const math::Mat4& w, const math::Mat4&) { expected.push_back(w); });
    ASSERT_EQ(expected.size(), 1u);
    EXPECT_EQ(v[0].world, expected[0]);
}

// Detail: the corner of the near plane is the reference point; r = 600 / d.
TEST(RenderFrame, DetailLevelEdgesAndCubes) {
    Rig rig;
    const math::Viewport vp{0, 0, 800, 600, 0, 1};
    const math::Vec3 corner =
        math::Vec3Unproject({0, 0, 0}, vp, rig.camera.projection, rig.camera.view, {});
    // Blocks along the view direction from the corner, at d = 29 and d = 30.
    const math::Vec3 dir = math::Normalize(math::Vec3{0, 0, 1});
    auto meshOf = [&](float d, int requested, int cubes) {
        PlaceBlocks(rig.system, {corner + dir * d});
        rig.system.detailLevel = requested;
        rig.system.showAsCubes = cubes;
        rig.Frame();
        auto inst = rig.Instances();
        return inst.size() == 1 ? inst.begin()->first : std::string("none");
    };
    auto& m = rig.renderer->Objects().meshes;
    const std::string high = rig.MeshName(m.blockMeshes[0]);
    const std::string medium = rig.MeshName(m.blockMeshes[1]);
    const std::string low = rig.MeshName(m.blockMeshes[2]);
    const std::string cube = rig.MeshName(m.cubeMesh);
    EXPECT_EQ(meshOf(29, 1, 0), high);
    EXPECT_EQ(meshOf(30, 1, 0), medium);
    EXPECT_EQ(meshOf(59, 1, 0), medium);
    EXPECT_EQ(meshOf(60, 1, 0), low);
    EXPECT_EQ(meshOf(5, 2, 0), medium);  // level 2 never high
    EXPECT_EQ(meshOf(5, 3, 0), low);     // level 3 always low
    EXPECT_EQ(meshOf(5, 1, 1), cube);    // cubes ignore the detail level
    EXPECT_EQ(meshOf(80, 3, 1), cube);
    EXPECT_EQ(meshOf(5, 0, 0), "none");  // unknown level: no block mesh
    EXPECT_EQ(meshOf(5, 4, 0), "none");
    EXPECT_EQ(meshOf(5, 4, 1), cube);
}

// The batched frame draws each block with the mesh and material that drawing it on its
// own would use.
TEST(RenderFrame, BatchesMatchThePerBlockRule) {
    Rig rig;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-40, 40);
    std::vector<math::Vec3> centres;
    for (int i = 0; i < 300; ++i) centres.push_back({u(rng), u(rng), u(rng) + 50});
    CVelVorlaModel m;
    for (int i = 0; i < 300; ++i)
        testsupport::AddTop(m, testsupport::Block(i % 5, centres[static_cast<size_t>(i)])).selfLit =
            i % 3 == 0;
    testsupport::Adopt(rig.system, std::move(m));
    rig.system.detailLevel = 1;
    rig.Frame();
    std::map<std::pair<float, float>, std::pair<std::string, gfx::MeshInstance>> batched;
    for (auto& [mesh, v] : rig.Instances()) {
        for (auto& inst : v) {
            batched[{inst.world.Translation().x, inst.world.Translation().y}] = {mesh, inst};
        }
    }
    ASSERT_GT(batched.size(), 50u);
    size_t compared = 0;
    for (const BlockNode& b : rig.system.model.topBlocks) {
        auto it = batched.find({b.offset.x, b.offset.y});
        if (it == batched.end()) continue;
        rig.device.Log().Clear();
        math::Mat4 world = math::MatrixTranslation(b.offset);
        rig.renderer->DrawBlockMesh(rig.device, 1, Table(b.colour), b.selfLit != 0, world);
        auto draws = rig.device.Log().Named("DrawMeshSubset");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0]->args[0], it->second.first);
        const auto& m = draws[0]->state->material;
        EXPECT_EQ(m.emissive, it->second.second.emissive);
        EXPECT_EQ(m.diffuse, it->second.second.diffuse);
        EXPECT_EQ(m.ambient, it->second.second.ambient);
        EXPECT_EQ(draws[0]->state->world, it->second.second.world);
        ++compared;
    }
    EXPECT_EQ(compared, batched.size());
}

TEST(RenderFrame, OneInstancedCallPerMesh) {
    Rig rig;
    std::vector<math::Vec3> centres;
    for (int i = 0; i < 40; ++i) centres.push_back({0, 0, static_cast<float>(3 * i)});
    PlaceBlocks(rig.system, centres);
    rig.Frame();
    auto calls = rig.device.Log().Named("DrawMeshInstances");
    EXPECT_LE(calls.size(), 3u);
    std::set<std::string> meshes;
    size_t total = 0;
    for (const Call* c : calls) {
        EXPECT_TRUE(meshes.insert(c->args[0]).second);
        total += c->state->instances.size();
    }
    EXPECT_EQ(total, 40u);
    EXPECT_EQ(rig.renderer->LastConstructionStats().blocksSubmitted, 40u);
    EXPECT_EQ(rig.device.Log().Count("DrawMeshSubset"), 0u);
}

// Every block of which any corner or face centre projects into the view must be drawn;
// blocks far outside are not submitted.
TEST(RenderFrame, CullingNeverDropsAVisibleBlock) {
    Rig rig;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-60, 60);
    for (int view = 0; view < 4; ++view) {
        const math::Vec3 eye{u(rng) * 0.3f, u(rng) * 0.3f, u(rng) * 0.3f - 10};
        const math::Vec3 at{u(rng) * 0.1f, u(rng) * 0.1f, u(rng) * 0.1f};
        LookFrom(rig.camera, eye, at);
        std::vector<math::Vec3> centres;
        for (int i = 0; i < 600; ++i) centres.push_back({u(rng), u(rng), u(rng)});
        PlaceBlocks(rig.system, centres);
        rig.Frame();
        std::vector<math::Vec3> drawn;
        for (auto& [mesh, v] : rig.Instances()) {
            for (auto& i : v) drawn.push_back(i.world.Translation());
        }
        const math::Mat4 vp = rig.camera.view * rig.camera.projection;
        size_t mustDraw = 0;
        for (const auto& c : centres) {
            bool seen = false;
            for (int k = 0; k < 27 && !seen; ++k) {
                // The stand-in block meshes are cubes of edge 2.
                math::Vec3 p =
                    c + math::Vec3{static_cast<float>(k % 3 - 1), static_cast<float>(k / 3 % 3 - 1),
                                   static_cast<float>(k / 9 - 1)};
                // Inside the clip volume (w > 0, |x|, |y| <= w, 0 <= z <= w).
                float x = p.x * vp.m[0][0] + p.y * vp.m[1][0] + p.z * vp.m[2][0] + vp.m[3][0];
                float y = p.x * vp.m[0][1] + p.y * vp.m[1][1] + p.z * vp.m[2][1] + vp.m[3][1];
                float z = p.x * vp.m[0][2] + p.y * vp.m[1][2] + p.z * vp.m[2][2] + vp.m[3][2];
                float w = p.x * vp.m[0][3] + p.y * vp.m[1][3] + p.z * vp.m[2][3] + vp.m[3][3];
                seen = w > 0 && std::fabs(x) <= w && std::fabs(y) <= w && z >= 0 && z <= w;
            }
            if (!seen) continue;
            ++mustDraw;
            EXPECT_NE(std::find(drawn.begin(), drawn.end(), c), drawn.end())
                << "block at " << c.x << ", " << c.y << ", " << c.z << " was culled";
        }
        EXPECT_GT(mustDraw, 0u);
        EXPECT_LT(drawn.size(), centres.size());  // something behind the eye was dropped
    }
}

TEST(RenderFrame, EnclosedBlocksAndBackFacesAreLeftOutOfTheConstructionOnly) {
    Rig rig;
    std::vector<math::Vec3> cube;
    for (int i = 0; i < 27; ++i)
        cube.push_back({2.0f * (i % 3), 2.0f * (i / 3 % 3), 2.0f * (i / 9)});
    PlaceBlocks(rig.system, cube);
    LookFrom(rig.camera, {2, 2, -30}, {2, 2, 2});
    rig.system.showGrid = 1;
    rig.system.showAxes = 1;
    auto drawn = [&] {
        size_t n = 0;
        for (auto& [mesh, v] : rig.Instances()) n += v.size();
        return n;
    };
    auto cullModes = [&](const char* call) {
        std::set<uint32_t> modes;
        for (const Call* c : rig.device.Log().Named(call))
            modes.insert(c->state->RenderStateValue(RenderState::CullMode));
        return modes;
    };
    for (int cubes = 0; cubes < 2; ++cubes) {
        rig.system.showAsCubes = cubes;
        rig.Frame();
        EXPECT_EQ(drawn(), 26u) << "cubes " << cubes;  // all but the centre
        EXPECT_EQ(rig.renderer->LastConstructionStats().blocksHidden, 1u);
        EXPECT_EQ(cullModes("DrawMeshInstances"), std::set<uint32_t>{gfx::CULL_CCW});
        // Grid and rings are seen from both sides.
        EXPECT_EQ(cullModes("DrawLineList"), std::set<uint32_t>{gfx::CULL_NONE});
        EXPECT_EQ(cullModes("DrawMeshSubset"), std::set<uint32_t>{gfx::CULL_NONE});
    }
    rig.renderer->SetCulling({false, false});
    rig.Frame();
    EXPECT_EQ(drawn(), 27u);
    EXPECT_EQ(cullModes("DrawMeshInstances"), std::set<uint32_t>{gfx::CULL_NONE});
}

TEST(RenderFrame, LargeConstructionsThinTheFogAndPushTheFarPlaneBack) {
    Rig rig;
    auto line = [&](int n) {
        std::vector<math::Vec3> centres;
        for (int i = 0; i < n; ++i) centres.push_back({2.0f * i, 0, 0});
        PlaceBlocks(rig.system, centres);
    };
    auto density = [&] {
        const Call* c = rig.device.Log().Named("Clear").front();
        return gfx::BitsFloat(c->state->RenderStateValue(RenderState::FogDensity));
    };
    // 40 blocks: centres up to 39 from the middle, an ordinary size.
    line(40);
    LookFrom(rig.camera, {39, 0, -1500}, {39, 0, 0});
    rig.Frame();
    EXPECT_EQ(density(), 0.005f);
    EXPECT_EQ(rig.camera.farPlane, 1000.0f);
    // 150 blocks reach 149 from the middle: the fog thins by (5 + 3.8 x 40) / (5 + 3.8 x 149).
    line(150);
    LookFrom(rig.camera, {149, 0, -400}, {149, 0, 0});
    rig.Frame();
    EXPECT_NEAR(density(), 0.005f * 157.0f / 571.2f, 1e-6f);
    EXPECT_EQ(rig.camera.farPlane, 1000.0f);  // its far end is well within 1000
    // From 1200 away its far end lies 1351 away: the far plane moves past it.
    LookFrom(rig.camera, {149, 0, -1200}, {149, 0, 0});
    rig.Frame();
    EXPECT_GT(rig.camera.farPlane, 1352.0f);
    EXPECT_LT(rig.camera.farPlane, 1500.0f);
    const Call* blocks = rig.device.Log().Named("DrawMeshInstances").front();
    EXPECT_EQ(blocks->state->projection, rig.camera.projection);
    EXPECT_EQ(rig.renderer->LastConstructionStats().blocksSubmitted, 150u);
    // Back to a small construction: the usual plane again.
    line(3);
    rig.Frame();
    EXPECT_EQ(rig.camera.farPlane, 1000.0f);
    EXPECT_EQ(density(), 0.005f);
}

TEST(RenderFrame, AxesRingsOnlyInInspectModeOverBlocks) {
    Rig rig;
    rig.system.showAxes = 1;
    rig.system.fogColour = 0x333333;
    rig.system.mode = ModeInspect;
    rig.Frame();
    auto& log = rig.device.Log();
    auto blocks = log.IndexOfName("DrawMeshInstances");
    auto depthClear = log.IndexOf("Clear(0x00000002, 0x000000A0, 1, 0)");
    ASSERT_GT(depthClear, blocks);
    auto rings = log.Named("DrawMeshSubset");
    ASSERT_EQ(rings.size(), 4u);
    const std::string ring = rig.MeshName(rig.renderer->Objects().meshes.ringMesh);
    const int colours[] = {ColourRed, ColourGreen, ColourBlue, ColourYellow};
    const math::Mat4 t = rig.renderer->GizmoTranslation();
    // 4.5 units in front of the eye along the line of sight.
    EXPECT_NEAR(t.Translation().z, -0.5f, 1e-5f);
    const math::Mat4 worlds[] = {
        t, math::MatrixRotationX(std::numbers::pi_v<float> / 2) * t,
        math::MatrixRotationY(std::numbers::pi_v<float> / 2) * t,
        math::MatrixScaling(1.2f, 1.2f, 1.2f) * rig.camera.cameraToWorld * t};
    for (size_t i = 0; i < 4; ++i) {
        const auto& s = *rings[i]->state;
        EXPECT_EQ(rings[i]->args[0], ring);
        EXPECT_EQ(s.material.emissive, Table(colours[i]));
        EXPECT_EQ(s.material.diffuse, (gfx::ColorValue{}));
        EXPECT_LT(math::MaxAbsDifference(s.world, worlds[i]), 1e-6f);
        EXPECT_EQ(s.RenderStateValue(RenderState::FogEnable), 1u);
        EXPECT_EQ(s.RenderStateValue(RenderState::FogColor), 0x333333u);
        EXPECT_EQ(gfx::BitsFloat(s.RenderStateValue(RenderState::FogDensity)), 0.15f);
    }

    rig.system.showAxes = 0;
    rig.Frame();
    EXPECT_EQ(rig.device.Log().Count("DrawMeshSubset"), 0u);

    rig.system.showAxes = 1;
    for (int mode : {ModeTwist, ModePaint, ModeAdd, ModeDelete, ModeCopyColour, ModeChooseCentre}) {
        rig.system.mode = mode;
        rig.Frame();
        EXPECT_EQ(rig.device.Log().Count("DrawMeshSubset"), 0u) << "mode " << mode;
    }
}

TEST(RenderFrame, TwistRingAndArrowOnlyInTwistModeWithSelection) {
    Rig rig;
    rig.system.mode = ModeTwist;
    rig.system.twistSelected = 0;
    rig.Frame();
    EXPECT_EQ(rig.device.Log().Count("DrawMeshSubset"), 0u);

    rig.system.twistSelected = 1;
    rig.system.twistFrame = math::MatrixRotationX(0.3f);
    rig.system.twistDrag = math::MatrixRotationZ(0.2f);
    rig.system.twistDragStart = math::MatrixRotationZ(0.1f);
    rig.system.twistStartAngle = 0.7f;
    rig.system.showGrid = 0;
    rig.Frame();
    auto& log = rig.device.Log();
    auto ring = log.Named("DrawMeshSubset");
    auto arrow = log.Named("DrawLineList");
    ASSERT_EQ(ring.size(), 1u);
    ASSERT_EQ(arrow.size(), 1u);
    EXPECT_GT(log.IndexOf("Clear(0x00000002, 0x000000A0, 1, 0)"), 0);
    const math::Mat4 t = rig.renderer->GizmoTranslation();
    EXPECT_LT(math::MaxAbsDifference(ring[0]->state->world,
                                     rig.system.twistDrag * rig.system.twistFrame * t),
              1e-6f);
    EXPECT_EQ(ring[0]->state->material.emissive, Table(ColourRed));
    EXPECT_EQ(gfx::BitsFloat(ring[0]->state->RenderStateValue(RenderState::FogDensity)), 0.15f);
    const math::Mat4 arrowWorld = math::MatrixTranslation(1.5f, 0, 0) *
                                  math::MatrixRotationAxis({0, 0, 1}, 0.7f) *
                                  math::MatrixRotationZ(-0.1f) * rig.system.twistFrame * t;
    const auto& a = *arrow[0]->state;
    EXPECT_LT(math::MaxAbsDifference(a.world, arrowWorld), 1e-5f);
    EXPECT_EQ(arrow[0]->args[2], "9");
    EXPECT_EQ(a.RenderStateValue(RenderState::ZEnable), 0u);
    EXPECT_EQ(a.RenderStateValue(RenderState::FogEnable), 0u);
    EXPECT_EQ(a.material.emissive, Table(ColourWhite));
    EXPECT_EQ(rig.device.GetRenderState(RenderState::ZEnable), 1u);
    EXPECT_EQ(rig.device.GetRenderState(RenderState::FogEnable), 1u);
}

// Overlay passes run after the scene in their fixed order.
struct RecordingOverlays : render::OverlayPasses {
    std::vector<std::string>* order;
    explicit RecordingOverlays(std::vector<std::string>* o) : order(o) {}
    void DrawHelpPages(const render::OverlayContext& c) override {
        order->push_back("help");
        EXPECT_NE(c.font, nullptr);
    }
    void DrawBottomStrip(const render::OverlayContext&) override { order->push_back("bottom"); }
    void DrawTopStrip(const render::OverlayContext&) override { order->push_back("top"); }
};

TEST(RenderFrame, OverlaysAfterTheSceneInOrder) {
    Rig rig;
    std::vector<std::string> order;
    RecordingOverlays overlays(&order);
    rig.renderer->SetOverlayPasses(&overlays);
    rig.screen.stripHit = true;
    rig.screen.tooltipText = "ab";
    rig.Frame();
    EXPECT_EQ(order, (std::vector<std::string>{"help", "bottom", "top"}));
    EXPECT_EQ(rig.device.Log().Count("Sprite::Draw"), 1u);
}

TEST(DrawTooltip, PanelAndTextGeometry) {
    Rig rig;
    auto& s = rig.screen;
    s.stripHit = true;
    s.tooltipText = "Красный ( 1 )";  // 13 characters, more bytes
    s.tooltipLeftAnchored = true;
    s.tooltipX = 100;
    s.tooltipY = 50;
    s.tooltipStyle = 1;
    rig.device.Log().Clear();
    rig.renderer->DrawTooltip();
    auto& log = rig.device.Log();
    auto* sprite = static_cast<gfx::fake::FakeSprite*>(rig.renderer->Objects().overlaySprite.get());
    const float sx = (0.5f * 12 + 1) * 0.5625f;
    EXPECT_LT(math::MaxAbsDifference(sprite->Transform(), math::MatrixScaling(sx, 0.625f, 1) *
                                                              math::MatrixTranslation(100, 50, 0)),
              1e-6f);
    auto draws = log.Named("Sprite::Draw");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NE(std::find(draws[0]->args.begin(), draws[0]->args.end(), "0xCCFFFFFF"),
              draws[0]->args.end());
    auto texts = log.Named("Font::DrawText");
    ASSERT_EQ(texts.size(), 1u);
    const std::string all = texts[0]->ToString();
    // w = 9 * 13 + 9 = 126; rectangle (100, 52) - (226, 68); centred, word-broken, black.
    EXPECT_NE(all.find("(100 52 226 68)"), std::string::npos) << all;
    EXPECT_NE(all.find("0xFF000000"), std::string::npos) << all;
    EXPECT_NE(all.find(gfx::Hex(gfx::DT_CENTER | gfx::DT_WORDBREAK | gfx::DT_NOCLIP)),
              std::string::npos)
        << all;
    EXPECT_LT(log.IndexOfName("Sprite::End"), log.IndexOfName("Font::DrawText"));

    // Right-anchored, two-line style: 200-pixel text rectangle, panel 0.5625 x style.
    s.tooltipLeftAnchored = false;
    s.tooltipStyle = 2;
    s.tooltipX = 790;
    log.Clear();
    rig.renderer->DrawTooltip();
    EXPECT_LT(math::MaxAbsDifference(sprite->Transform(), math::MatrixScaling(sx, 1.125f, 1) *
                                                              math::MatrixTranslation(590, 50, 0)),
              1e-6f);
    EXPECT_NE(log.Named("Font::DrawText")[0]->ToString().find("(590 52 790 86)"), std::string::npos)
        << log.Named("Font::DrawText")[0]->ToString();

    s.tooltipStyle = 1;
    log.Clear();
    rig.renderer->DrawTooltip();
    EXPECT_NE(log.Named("Font::DrawText")[0]->ToString().find("(664 52 790 68)"),
              std::string::npos);

    // Nothing without a hovered button or without the sprite.
    s.stripHit = false;
    log.Clear();
    rig.renderer->DrawTooltip();
    EXPECT_EQ(log.Size(), 0u);
    s.stripHit = true;
    rig.renderer->Objects().overlaySprite.reset();
    log.Clear();
    rig.renderer->DrawTooltip();
    EXPECT_EQ(log.Count("Font::DrawText"), 0u);
}

}  // namespace
