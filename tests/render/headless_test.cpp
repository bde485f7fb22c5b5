// One offscreen frame: the camera it was given is kept, the about disc stays closed, the
// device is left without objects, and failures come back with a message.
#include "render/headless.h"

#include <gtest/gtest.h>

#include "render_test_support.h"
#include "support/fake/fake_device.h"

using namespace camera;
using namespace input;
using namespace model;

using rendertest::LookFrom;
using rendertest::TestAssets;

namespace {

TEST(Headless, RendersWithTheGivenCameraAndLeavesNothingBehind) {
    CVelVorlaSystem system;
    CVelCamera camera;
    LookFrom(camera, {3, 4, -6}, {0, 0, 0});
    const math::Mat4 view = camera.view;
    system.backgroundColour = 0x00203040;
    gfx::fake::FakeDevice device;
    render::RenderedImage image;
    ASSERT_EQ(render::RenderConstructionImage(device, system, camera, &image, nullptr,
                                              std::make_unique<TestAssets>()),
              gfx::S_OK);
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    ASSERT_EQ(image.pixels.size(), 640u * 480u);
    EXPECT_EQ(image.pixels[0] & 0xFFFFFF, 0x203040u);

    // The frame was drawn from the given view at the back buffer's size.
    auto& log = device.Log();
    auto blocks = log.Named("DrawMeshInstances");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->state->view, view);
    EXPECT_EQ(blocks[0]->state->viewport.width, 640);
    EXPECT_EQ(camera.view, view);
    EXPECT_EQ(camera.viewportWidth, 640);
    // No about disc in a thumbnail.
    EXPECT_EQ(log.Count("DrawMeshSubset"), 0u);
    EXPECT_EQ(device.LiveObjectCount(), 0u);
}

TEST(Headless, FailuresAreReportedWithAMessage) {
    CVelVorlaSystem system;
    CVelCamera camera;
    LookFrom(camera, {0, 0, -5}, {0, 0, 0});
    const math::Mat4 view = camera.view;
    auto assets = std::make_unique<TestAssets>();
    assets->missing = {render::ResourceBlockHigh};
    gfx::fake::FakeDevice device;
    render::RenderedImage image;
    std::string error;
    EXPECT_EQ(
        render::RenderConstructionImage(device, system, camera, &image, &error, std::move(assets)),
        render::E_BLOCKMESH);
    EXPECT_NE(error.find("0x8200000B"), std::string::npos) << error;
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(camera.view, view);
    EXPECT_EQ(device.LiveObjectCount(), 0u);
}

}  // namespace
