#pragma once
// A headless OpenGL device for pixel tests, and small scene helpers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "math/geometry.h"
#include "math/matrix.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/egl_headless_host.h"
#include "platform/gfx/gl/gl_system.h"

namespace gltest {

struct Rgb {
    int r = 0, g = 0, b = 0;
};
Rgb ToRgb(uint32_t argb);

class GlDeviceTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kWidth = 160, kHeight = 120;

    void SetUp() override;
    void TearDown() override;

    std::vector<uint32_t> Frame();
    Rgb At(int x, int y);
    // Camera at the origin looking along +z (identity view) with a 90 degree field of view.
    void UseIdentityCamera();
    std::unique_ptr<gfx::Mesh> MakeMesh(const vmath::MeshGeometry& g);

    std::unique_ptr<gfx::gl::EglHeadlessHost> host_;
    std::unique_ptr<gfx::gl::GlSystem> system_;
    std::unique_ptr<gfx::Device> device_;
    gfx::PresentParameters params_;
};

// Axis-aligned box centred on the origin with per-face normals (24 vertices).
vmath::MeshGeometry Box(float half);
// A square in the plane z = 0 facing -z (towards a camera on the -z side), with texture
// coordinates (0, 0) at the top-left corner.
vmath::MeshGeometry Square(float half);

gfx::Material Emissive(float r, float g, float b, float a = 1.0f);

}  // namespace gltest

#define REQUIRE_GL()                                                         \
    do {                                                                     \
        if (!device_) GTEST_SKIP() << "no headless OpenGL 3.3 context here"; \
    } while (0)
