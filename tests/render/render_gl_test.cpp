// Frames drawn by the OpenGL device in a headless context and read back: background,
// grid, block colours, cubes against block meshes, self-lit blocks, rings over blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "interaction/camera_aim.h"
#include "interaction/document.h"
#include "interaction/framing.h"
#include "model/colours.h"
#include "model/placement.h"
#include "render/camera_upload.h"
#include "render/headless.h"
#include "render/scene_renderer.h"
#include "render_test_support.h"
#include "support/construction_builders.h"
#include "support/headless_gl.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

using rendertest::LookFrom;
using testsupport::PlaceBlocks;

namespace {

using testsupport::Near;
using testsupport::Rgb;
using testsupport::ToRgb;

class RenderGl : public testsupport::HeadlessGlTest {
  protected:
    RenderGl() : HeadlessGlTest(400, 300) {}
    void SetUp() override {
        HeadlessGlTest::SetUp();
        vorla_.ResetConstruction();
        vorla_.backgroundColour = 0x00102030;
        LookFrom(camera_, {0, 0, -5}, {0, 0, 0}, kWidth, kHeight);
    }

    void Render() {
        std::string error;
        ASSERT_EQ(render::RenderConstructionImage(*device_, vorla_, camera_, &image_, &error),
                  gfx::S_OK)
            << error;
        ASSERT_EQ(image_.pixels.size(), size_t{kWidth} * kHeight);
    }
    Rgb At(int x, int y) const {
        x = std::clamp(x, 0, static_cast<int>(kWidth) - 1);
        y = std::clamp(y, 0, static_cast<int>(kHeight) - 1);
        return ToRgb(image_.pixels[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)]);
    }
    // Pixel of a world point under the camera.
    std::pair<int, int> PixelOf(const math::Vec3& p) const {
        math::Vec3 ndc = math::Vec3TransformCoord(p, camera_.view * camera_.projection);
        return {static_cast<int>((ndc.x + 1) * 0.5f * kWidth),
                static_cast<int>((1 - ndc.y) * 0.5f * kHeight)};
    }
    Rgb AtWorld(const math::Vec3& p) const {
        auto [x, y] = PixelOf(p);
        return At(x, y);
    }
    Rgb Background() const { return ToRgb(vorla_.backgroundColour); }

    CVelVorlaSystem vorla_;
    interaction::ScreenState screen_;
    CVelCamera camera_;
    render::RenderedImage image_;
};

TEST_F(RenderGl, EmptyConstructionShowsTheBackground) {
    testsupport::Adopt(vorla_, {});
    Render();
    for (uint32_t c : image_.pixels) ASSERT_TRUE(Near(ToRgb(c), Background(), 1));
}

TEST_F(RenderGl, GridLinesInTheirColour) {
    testsupport::Adopt(vorla_, {});
    vorla_.showGrid = 1;
    vorla_.gridColour = 0x00FFC000;
    LookFrom(camera_, {0.5f, 6, -8}, {0.5f, -1, 0}, kWidth, kHeight);
    Render();
    size_t gridPixels = 0;
    for (uint32_t c : image_.pixels) {
        if (Near(ToRgb(c), {255, 192, 0}, 12)) ++gridPixels;
    }
    EXPECT_GT(gridPixels, 500u);
    // A line crossing: (1, -1, 1) lies on two grid lines.
    Rgb onLine = AtWorld({1, -1, 1});
    EXPECT_GT(onLine.r, 200);
    EXPECT_GT(onLine.g, 150);
}

TEST_F(RenderGl, EachColourAtTheCentre) {
    for (int colour = 0; colour < ColourCount; ++colour) {
        PlaceBlocks(vorla_, {{0, 0, 0}}, colour);
        Render();
        Rgb c = At(kWidth / 2, kHeight / 2);
        const ColourRGBA& want = BlockColours[static_cast<size_t>(colour)];
        // Lit by the headlights: the channels the colour has are the bright ones.
        auto check = [&](float w, int got) {
            if (w > 0.5f) {
                EXPECT_GT(got, 60) << "colour " << colour;
            } else {
                EXPECT_LT(got, 40) << "colour " << colour;
            }
        };
        check(want.r, c.r);
        check(want.g, c.g);
        check(want.b, c.b);
    }
}

TEST_F(RenderGl, SelfLitBlockShowsItsColourFromEverySide) {
    PlaceBlocks(vorla_, {{0, 0, 0}}, ColourRed, 1);
    Render();
    EXPECT_TRUE(Near(At(kWidth / 2, kHeight / 2), {255, 0, 0}, 3));
    LookFrom(camera_, {3, 3, 3}, {0, 0, 0}, kWidth, kHeight);
    Render();
    EXPECT_TRUE(Near(At(kWidth / 2, kHeight / 2), {255, 0, 0}, 3));
    // A lit block of the same colour is darker than its own colour somewhere.
    PlaceBlocks(vorla_, {{0, 0, 0}}, ColourRed, 0);
    Render();
    EXPECT_LT(At(kWidth / 2, kHeight / 2).r, 250);
}

TEST_F(RenderGl, CubesAgainstBlockMeshes) {
    PlaceBlocks(vorla_, {{0, 0, 0}}, ColourWhite, 1);
    // The peg on +X stands out beside the cube's silhouette; the cube's sharp front
    // corner lies outside the block's rounded one.
    const math::Vec3 peg{1.3f, 0, 0};
    const math::Vec3 corner{0.97f, 0.97f, -1};
    vorla_.showAsCubes = 0;
    Render();
    EXPECT_TRUE(Near(AtWorld(peg), {255, 255, 255}, 3));
    EXPECT_TRUE(Near(AtWorld(corner), Background(), 3));
    vorla_.showAsCubes = 1;
    Render();
    EXPECT_TRUE(Near(AtWorld(peg), Background(), 3));
    EXPECT_TRUE(Near(AtWorld(corner), {255, 255, 255}, 3));
}

TEST_F(RenderGl, AxesRingsAreDrawnOverBlocks) {
    vorla_.mode = ModeInspect;
    vorla_.showAxes = 1;
    // The XY ring is a circle of radius 1.5 around (0, 0, -0.5); a green block stands
    // between the eye and the ring's upper right part.
    const float a = 1.5f / std::sqrt(2.0f);
    const math::Vec3 onRing{a, a, -0.5f};
    PlaceBlocks(vorla_, {{a, a, -2.5f}}, ColourGreen, 1);
    Render();
    auto [x, y] = PixelOf(onRing);
    int reddest = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            Rgb c = At(x + dx, y + dy);
            reddest = std::max(reddest, c.r - c.g);
        }
    }
    EXPECT_GT(reddest, 80);
    // Away from the rings the block is seen.
    size_t green = 0;
    for (uint32_t c : image_.pixels) {
        Rgb p = ToRgb(c);
        if (p.g > 150 && p.r < 30) ++green;
    }
    EXPECT_GT(green, 2000u);

    // No rings outside inspect mode.
    vorla_.mode = ModePaint;
    Render();
    reddest = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            Rgb c = At(x + dx, y + dy);
            reddest = std::max(reddest, c.r - c.g);
        }
    }
    EXPECT_LT(reddest, 10);
}

// The about disc on a capable device: its passes darken the disc area and engrave the
// emblem, so the view centre shows something other than the background, in greys.
TEST_F(RenderGl, AboutDiscOverTheBackground) {
    testsupport::Adopt(vorla_, {});
    vorla_.backgroundColour = 0x00406080;
    screen_.aboutShown = 1;
    render::SceneRenderer renderer(vorla_, screen_, camera_);
    ASSERT_EQ(renderer.CreateDeviceObjects(*device_), gfx::S_OK);
    LookFrom(camera_, {0, 0, -5}, {0, 0, 0}, kWidth, kHeight);
    renderer.ResetDeviceObjects(*device_);
    ASSERT_NE(renderer.Objects().emblemTexture, nullptr);
    renderer.RenderScene(*device_, 0.0f);
    ASSERT_EQ(device_->ReadBackBuffer(&image_.pixels), gfx::S_OK);
    size_t changed = 0;
    for (uint32_t c : image_.pixels) {
        if (!Near(ToRgb(c), Background(), 4)) ++changed;
    }
    // The disc (radius 1.5 at 4.5 units) covers a good part of the view; its corners
    // stay untouched.
    EXPECT_GT(changed, size_t{kWidth} * kHeight / 10);
    EXPECT_TRUE(Near(At(2, 2), Background(), 1));
    EXPECT_TRUE(Near(At(kWidth - 3, kHeight - 3), Background(), 1));
    EXPECT_EQ(screen_.aboutShown, 1);
    renderer.LoseDeviceObjects();
    renderer.DestroyDeviceObjects();
}

}  // namespace

// ---- Culling: what is left out could never be seen -----------------------------------------

class CullingGl : public RenderGl {
  protected:
    // Draws the frame with the given culling and returns it.
    std::vector<uint32_t> Frame(const render::Culling& culling) {
        render::SceneRenderer renderer(vorla_, screen_, camera_);
        EXPECT_EQ(renderer.CreateDeviceObjects(*device_), gfx::S_OK);
        const CVelCamera placed = camera_;
        render::GfxCameraDevice cam(*device_);
        renderer.ResetDeviceObjects(*device_, [&] {
            camera_ = placed;
            camera_.SetViewport(&cam, kWidth, kHeight);
        });
        renderer.SetCulling(culling);
        renderer.RenderScene(*device_, 0.0f);
        std::vector<uint32_t> pixels;
        EXPECT_EQ(device_->ReadBackBuffer(&pixels), gfx::S_OK);
        stats_ = renderer.LastConstructionStats();
        renderer.LoseDeviceObjects();
        renderer.DestroyDeviceObjects();
        return pixels;
    }
    // Pixels that differ between the frame with and without culling.
    size_t CullingDifference() {
        const std::vector<uint32_t> plain = Frame({false, false});
        const std::vector<uint32_t> culled = Frame({});
        size_t differ = 0;
        for (size_t i = 0; i < plain.size(); ++i) differ += plain[i] != culled[i];
        return differ;
    }
    void Cube(int k, float twist = 0) {
        CVelVorlaModel m;
        for (int z = 0; z < k; ++z)
            for (int y = 0; y < k; ++y)
                for (int x = 0; x < k; ++x) {
                    auto b = std::make_unique<BlockNode>();
                    b->offset = {2.0f * x, 2.0f * y, 2.0f * z};
                    b->colour = (x + 2 * y + 3 * z) % 5;
                    // Every 29th block twisted about its axis: drawn, and closing nothing.
                    if (twist != 0 && (x + k * y + k * k * z) % 29 == 3) b->angle = twist;
                    testsupport::AddTop(m, std::move(b));
                }
        testsupport::Adopt(vorla_, std::move(m));
    }
    render::ConstructionStats stats_;
};

TEST_F(CullingGl, SolidLatticeLooksTheSameButForTheTunnelsAlongItsEdges) {
    Cube(8);
    const size_t pixels = size_t{kWidth} * kHeight;
    // Head-on at the middle of a face, and from a corner.
    LookFrom(camera_, {7, 7, -26}, {7, 7, 7}, kWidth, kHeight);
    const size_t headOn = CullingDifference();
    EXPECT_EQ(stats_.blocksHidden, 216u);  // the 6 x 6 x 6 interior
    LookFrom(camera_, {-14, 24, -16}, {7, 7, 7}, kWidth, kHeight);
    const size_t corner = CullingDifference();
    // Only where the narrow tunnels along the shared rounded edges let the eye reach an
    // interior block does the picture change.
    EXPECT_LT(headOn, pixels / 200);
    EXPECT_LT(corner, pixels / 200);
}

TEST_F(CullingGl, TwistedBlocksAndRandomTreesLookTheSame) {
    const size_t pixels = size_t{kWidth} * kHeight;
    Cube(6, 0.5f);
    LookFrom(camera_, {-9, 18, -12}, {5, 5, 5}, kWidth, kHeight);
    const size_t twisted = CullingDifference();
    EXPECT_GT(stats_.blocksHidden, 0u);
    EXPECT_LT(stats_.blocksHidden, 64u);  // the twisted ones and their neighbours are drawn

    // Blocks hung on random faces of random blocks, twisted by quarter turns or anything.
    CVelVorlaModel m;
    std::mt19937 rng(5);
    std::vector<BlockNode*> all{&testsupport::AddTop(m, MakeInitialBlock())};
    const math::Vec3 faces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                 {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    for (int i = 1; i < 400; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->offset = faces[rng() % 6];
        b->axis = math::Abs(b->offset);
        b->angle = rng() % 3 == 0 ? std::uniform_real_distribution<float>(0, 6.28f)(rng)
                                  : 1.5707964f * static_cast<float>(rng() % 4);
        b->colour = static_cast<int>(rng() % 5);
        all.push_back(&testsupport::AddChild(m, *all[rng() % all.size()], std::move(b)));
    }
    testsupport::Adopt(vorla_, std::move(m));
    const CentreSummary c = GatherCentres(vorla_.model.topBlocks);
    const math::Vec3 centre = (c.min + c.max) * 0.5f;
    LookFrom(camera_, centre + math::Vec3{-20, 25, -40}, centre, kWidth, kHeight);
    const size_t tree = CullingDifference();
    EXPECT_LT(twisted, pixels / 1000);
    EXPECT_LT(tree, pixels / 1000);
}

// Every sample and the constructions of these tests, framed whole, look exactly as they do
// drawn without any culling; only where a solid lattice's tunnels let the eye reach an
// interior block may a few pixels differ.
TEST_F(CullingGl, SamplesAndTestConstructionsLookAsWithoutCulling) {
    const size_t pixels = size_t{kWidth} * kHeight;
    auto compare = [&](const std::string& what, bool solid) {
        FrameConstruction(vorla_.model.topBlocks, camera_,
                          static_cast<float>(kWidth) / static_cast<float>(kHeight));
        const size_t differ = CullingDifference();
        if (solid) {
            EXPECT_LT(differ, pixels / 200) << what;
        } else {
            EXPECT_EQ(differ, 0u) << what;
        }
    };
    const std::filesystem::path samples = VORLA_SAMPLES_DIR;
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        if (entry.path().extension() != ".vvl") continue;
        CVelCamera stored;
        ASSERT_TRUE(LoadConstruction(vorla_, stored, entry.path()));
        compare(entry.path().filename().string(), entry.path().stem() == "cube");
        ++seen;
    }
    EXPECT_GE(seen, 6);

    // A random tree with blocks on one another in other colours, self-lit and mirrored
    // ones, at every detail setting and as cubes.
    CVelVorlaModel m;
    std::mt19937 rng(7);
    std::vector<BlockNode*> all{&testsupport::AddTop(m, MakeInitialBlock())};
    const math::Vec3 faces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                 {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    for (int i = 1; i < 300; ++i) {
        auto b = testsupport::Block(static_cast<int>(rng() % 5), faces[rng() % 6]);
        b->axis = math::Abs(b->offset);
        if (rng() % 3 == 0) b->angle = std::uniform_real_distribution<float>(0, 6.28f)(rng);
        b->selfLit = rng() % 8 == 0;
        if (rng() % 40 == 0) b->axis = {0, 0, 0}, b->angle = 3.1415927f;  // mirrored
        all.push_back(&testsupport::AddChild(m, *all[rng() % all.size()], std::move(b)));
    }
    testsupport::Adopt(vorla_, std::move(m));
    for (const int detail : {1, 2, 3}) {
        vorla_.detailLevel = detail;
        compare("random tree, detail " + std::to_string(detail), false);
    }
    vorla_.showAsCubes = 1;
    compare("random tree as cubes", false);
    vorla_.showAsCubes = 0;

    // A solid lattice hung on a root at an odd place.
    CVelVorlaModel lattice;
    BlockNode& root = testsupport::AddTop(lattice, testsupport::Block(1, {-21, -21, 60}));
    for (int i = 1; i < 512; ++i)
        testsupport::AddChild(
            lattice, root,
            testsupport::Block(i % 5, {2.0f * (i % 8), 2.0f * (i / 8 % 8), 2.0f * (i / 64)}));
    testsupport::Adopt(vorla_, std::move(lattice));
    compare("lattice at an odd place", true);
    EXPECT_EQ(stats_.blocksHidden, 216u);
}

// "Центр" on long lines: every block inside the view, the far end still standing out from
// the background (the fog and the far plane follow the construction's size).
TEST_F(RenderGl, CentreShowsLongLinesWholeAndTheirFarEndUnfogged) {
    for (int n : {10, 60, 150, 500}) {
        CVelVorlaModel line;
        for (int i = 0; i < n; ++i)
            testsupport::AddTop(line, testsupport::Block(ColourYellow, {2.0f * i, 0, 0}));
        testsupport::Adopt(vorla_, std::move(line));
        // Looking at the line from 40 degrees off its normal: one end near, one far.
        camera_.ResetForNewConstruction(nullptr);
        camera_.SetViewport(nullptr, kWidth, kHeight);
        camera_.orientation = math::MatrixRotationY(0.7f);
        camera_.Apply(nullptr);
        CentreView(vorla_, camera_, nullptr);
        camera_.Apply(nullptr);  // as the next frame's step does
        Render();
        const math::Mat4 vp = camera_.view * camera_.projection;
        float farthest = 0;
        math::Vec3 farEnd;
        for (int i = 0; i < n; ++i) {
            const math::Vec3 c{2.0f * i, 0, 0};
            const math::Vec3 p = math::Vec3TransformCoord(c, vp);
            EXPECT_TRUE(std::fabs(p.x) < 1 && std::fabs(p.y) < 1 && p.z > 0 && p.z < 1)
                << n << " blocks: block " << i << " is outside the view";
            if (math::Distance(c, camera_.eye) > farthest) {
                farthest = math::Distance(c, camera_.eye);
                farEnd = c;
            }
        }
        // Far away a block covers less than a pixel: look around its centre.
        const Rgb bg = Background();
        const auto [fx, fy] = PixelOf(farEnd);
        int contrast = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const Rgb c = At(fx + dx, fy + dy);
                contrast = std::max(
                    contrast, std::abs(c.r - bg.r) + std::abs(c.g - bg.g) + std::abs(c.b - bg.b));
            }
        }
        EXPECT_GT(contrast, 60) << n << " blocks: the far end fades into the background";
    }
}
