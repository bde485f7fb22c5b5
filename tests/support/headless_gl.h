#pragma once
// Pixel tests on the OpenGL device in a headless context: the device, frames read back
// and colours compared with a tolerance. Without a context the test fails under CI and
// ./dev test (see environment.h).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "math/geometry.h"
#include "platform/gfx/gl/headless_device.h"

namespace testsupport {

struct Rgb {
    int r = 0, g = 0, b = 0;
};
Rgb ToRgb(uint32_t argb);
// Each channel within `tolerance`.
bool Near(Rgb a, Rgb b, int tolerance);
::testing::AssertionResult RgbNear(Rgb got, Rgb want, int tolerance);

class HeadlessGlTest : public ::testing::Test {
  protected:
    explicit HeadlessGlTest(uint32_t width = 160, uint32_t height = 120)
        : kWidth(width), kHeight(height) {}
    void SetUp() override;
    void TearDown() override;

    // The back buffer, top row first (0xAARRGGBB), and one pixel of it.
    std::vector<uint32_t> Frame();
    Rgb At(int x, int y);
    // Identity view (camera at the origin looking along +z), 90 degree field of view.
    void UseIdentityCamera();
    std::unique_ptr<gfx::Mesh> MakeMesh(const math::MeshGeometry& g);

    const uint32_t kWidth, kHeight;
    std::unique_ptr<gfx::gl::HeadlessDevice> gl_;
    gfx::Device* device_ = nullptr;  // gl_->device
};

}  // namespace testsupport
