// Frames drawn by the OpenGL device in a headless context and read back: background,
// grid, block colours, cubes against block meshes, self-lit blocks, rings over blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/colours.h"
#include "render/headless.h"
#include "render/scene_renderer.h"
#include "render_test_support.h"
#include "support/construction_builders.h"
#include "support/headless_gl.h"

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
    std::pair<int, int> PixelOf(const vmath::Vec3& p) const {
        vmath::Vec3 ndc = vmath::Vec3TransformCoord(p, camera_.view * camera_.projection);
        return {static_cast<int>((ndc.x + 1) * 0.5f * kWidth),
                static_cast<int>((1 - ndc.y) * 0.5f * kHeight)};
    }
    Rgb AtWorld(const vmath::Vec3& p) const {
        auto [x, y] = PixelOf(p);
        return At(x, y);
    }
    Rgb Background() const { return ToRgb(vorla_.backgroundColour); }

    CVelVorlaSystem vorla_;
    CVelCamera camera_;
    render::RenderedImage image_;
};

TEST_F(RenderGl, EmptyConstructionShowsTheBackground) {
    vorla_.ClearModel();
    Render();
    for (uint32_t c : image_.pixels) ASSERT_TRUE(Near(ToRgb(c), Background(), 1));
}

TEST_F(RenderGl, GridLinesInTheirColour) {
    vorla_.ClearModel();
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
    const vmath::Vec3 peg{1.3f, 0, 0};
    const vmath::Vec3 corner{0.97f, 0.97f, -1};
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
    const vmath::Vec3 onRing{a, a, -0.5f};
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
    vorla_.ClearModel();
    vorla_.backgroundColour = 0x00406080;
    vorla_.aboutShown = 1;
    render::SceneRenderer renderer(vorla_, camera_);
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
    EXPECT_EQ(vorla_.aboutShown, 1);
    renderer.LoseDeviceObjects();
    renderer.DestroyDeviceObjects();
}

}  // namespace
