// The overlays as the OpenGL device draws them, found again in the pixels read back: the
// help pages' panels, the twist read-out and a tooltip, at device-pixel ratios 1 and 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

#include "platform/gfx/gl/gl_device.h"
#include "platform/gfx/gl/headless_device.h"
#include "render/headless.h"
#include "render/screen_overlays.h"
#include "render_test_support.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace model;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// Inclusive pixel bounds.
struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool operator==(const Bounds&) const = default;
};

class OverlayGl : public ::testing::Test {
  protected:
    // The view is 800 x 600 logical pixels on a screen with `scale` device pixels to one.
    void Start(int scale) {
        scale_ = scale;
        std::string error;
        gl_ = gfx::gl::OpenHeadlessDevice(static_cast<uint32_t>(kWidth * scale),
                                          static_cast<uint32_t>(kHeight * scale), &error);
        ASSERT_NE(gl_, nullptr) << "headless OpenGL unavailable: " << error;
        ASSERT_TRUE(gfx::gl::SetOverlayScale(gl_->device.get(), static_cast<float>(scale)));
        // Nothing in view: one block behind the camera, a plain background.
        vorla_.ResetConstruction();
        testsupport::PlaceBlocks(vorla_, {{0, 0, -100}});
        vorla_.backgroundColour = 0x000000A0;
        rendertest::LookFrom(camera_, {0, 0, -5}, {0, 0, 0});
    }
    void Render() {
        render::ScreenOverlays overlays;
        render::HeadlessOptions options{&overlays, kWidth, kHeight, &screen_};
        std::string error;
        ASSERT_EQ(render::RenderConstructionImage(*gl_->device, vorla_, camera_, &image_, &error,
                                                  nullptr, options),
                  gfx::S_OK)
            << error;
    }
    // Pixels in the device-pixel rectangle [x0, x1) x [y0, y1) that pass `test`.
    template <class Test>
    Bounds Find(int x0, int y0, int x1, int y1, Test test) const {
        Bounds b;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint32_t c =
                    image_.pixels[static_cast<size_t>(y) * image_.width + static_cast<size_t>(x)];
                if (!test(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                          static_cast<int>(c & 0xFF)))
                    continue;
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
        return b;
    }
    // A translucent panel: the background (0, 0, 160) darkened by alpha 0x77 to (0, 0, 85).
    Bounds Panels(int x0, int y0, int x1, int y1) const {
        const int s = scale_;
        return Find(x0 * s, y0 * s, x1 * s, y1 * s,
                    [](int r, int g, int b) { return r < 4 && g < 4 && b >= 82 && b <= 88; });
    }
    // Between the two strips, on the left and the right half of the view.
    Bounds LeftPanels() const { return Panels(0, 18, kWidth / 2, kHeight - 18); }
    Bounds RightPanels() const { return Panels(kWidth / 2, 18, kWidth, kHeight - 18); }

    int scale_ = 1;
    std::unique_ptr<gfx::gl::HeadlessDevice> gl_;
    CVelVorlaSystem vorla_;
    interaction::ScreenState screen_;
    CVelCamera camera_;
    render::RenderedImage image_;
};

TEST_F(OverlayGl, HelpPagePanelsLieOnTheirRectangles) {
    Start(1);
    Render();
    EXPECT_EQ(LeftPanels(), (Bounds{5, 22, 194, 183}));      // inspect: 190 x 162 at (5, 22)
    EXPECT_EQ(RightPanels(), (Bounds{605, 383, 794, 577}));  // orbit: x 605..795, y 383..578

    camera_.orbitMode = 0;  // free target while inspecting: 283 tall, from 305 above the bottom
    Render();
    EXPECT_EQ(RightPanels(), (Bounds{605, 295, 794, 577}));

    vorla_.mode = ModeTwist;  // the twist page is 218 tall; free target in other modes 195
    Render();
    EXPECT_EQ(LeftPanels(), (Bounds{5, 22, 194, 239}));
    EXPECT_EQ(RightPanels(), (Bounds{605, 383, 794, 577}));
}

TEST_F(OverlayGl, TwistReadoutInAPanelAtTheCentre) {
    Start(1);
    vorla_.showHints = 0;
    vorla_.mode = ModeTwist;
    vorla_.twistSelected = 1;
    vorla_.pickedBlock = vorla_.model.topBlocks.Front();
    vorla_.document.Twist(*vorla_.pickedBlock, vorla_.pickedBlock->axis,
                          std::numbers::pi_v<float> / 4);
    Render();
    // "45.00": 5 characters, 9 * 5 + 9 = 54 by 20 at ((800 - 54) / 2, (600 - 20) / 2).
    EXPECT_EQ(Panels(300, 250, 500, 350), (Bounds{373, 290, 426, 309}));
    const Bounds text = Find(373, 290, 427, 310, [](int r, int g, int b) {
        return r > 150 && g > 150 && b < 100;  // yellow
    });
    ASSERT_GE(text.right, 0) << "no read-out text";
    EXPECT_NEAR((text.left + text.right) / 2.0, 399.5, 3.0);
}

TEST_F(OverlayGl, AtTwiceTheDensityEverythingKeepsItsLogicalPlace) {
    Start(2);
    screen_.stripHit = true;
    screen_.tooltipText = "Всего";
    screen_.tooltipX = 500;
    screen_.tooltipY = 22;
    screen_.tooltipLeftAnchored = true;
    screen_.tooltipStyle = 1;
    Render();
    ASSERT_EQ(image_.width, 1600u);
    EXPECT_EQ(RightPanels(), (Bounds{1210, 766, 1589, 1155}));
    // The tooltip: 9 * 5 + 9 = 54 by 20 logical pixels at (500, 22), a light panel over
    // the background, which has no red.
    const Bounds tooltip = Find(900, 36, 1300, 200, [](int r, int, int) { return r > 30; });
    EXPECT_EQ(tooltip, (Bounds{1000, 44, 1107, 83}));
}

}  // namespace
