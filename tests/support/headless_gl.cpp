#include "support/headless_gl.h"

#include <cstdlib>
#include <numbers>
#include <string>

#include "math/matrix.h"
#include "support/environment.h"

namespace testsupport {

Rgb ToRgb(uint32_t argb) {
    return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
            static_cast<int>(argb & 0xFF)};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

::testing::AssertionResult RgbNear(Rgb got, Rgb want, int tolerance) {
    if (Near(got, want, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << ", " << got.g << ", " << got.b << "), want (" << want.r << ", "
           << want.g << ", " << want.b << ") within " << tolerance;
}

void HeadlessGlTest::SetUp() {
    std::string error;
    gl_ = gfx::gl::OpenHeadlessDevice(kWidth, kHeight, &error);
    VORLA_REQUIRE_ENVIRONMENT(gl_, error);
    device_ = gl_->device.get();
}

void HeadlessGlTest::TearDown() {
    device_ = nullptr;
    gl_.reset();
}

std::vector<uint32_t> HeadlessGlTest::Frame() {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(device_->ReadBackBuffer(&pixels), gfx::S_OK);
    return pixels;
}

Rgb HeadlessGlTest::At(int x, int y) {
    gfx::SurfaceDesc d;
    device_->GetBackBufferDesc(&d);
    const auto f = Frame();
    return ToRgb(f.at(static_cast<size_t>(y) * d.width + static_cast<size_t>(x)));
}

void HeadlessGlTest::UseIdentityCamera() {
    device_->SetTransform(gfx::TransformType::View, math::MatrixIdentity());
    device_->SetTransform(
        gfx::TransformType::Projection,
        math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 2,
                                     static_cast<float>(kWidth) / kHeight, 0.1f, 1000.0f));
}

std::unique_ptr<gfx::Mesh> HeadlessGlTest::MakeMesh(const math::MeshGeometry& g) {
    std::unique_ptr<gfx::Mesh> mesh;
    EXPECT_EQ(device_->CreateMesh(g, &mesh), gfx::S_OK);
    return mesh;
}

}  // namespace testsupport
