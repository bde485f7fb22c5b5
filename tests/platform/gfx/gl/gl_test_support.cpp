#include "gl_test_support.h"

#include <cmath>
#include <numbers>

namespace gltest {

Rgb ToRgb(uint32_t argb) {
    return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
            static_cast<int>(argb & 0xFF)};
}

void GlDeviceTest::SetUp() {
    std::string error;
    host_ = gfx::gl::EglHeadlessHost::Create(kWidth, kHeight, &error);
    if (!host_) {
        std::printf("headless OpenGL unavailable: %s\n", error.c_str());
        return;
    }
    system_ = std::make_unique<gfx::gl::GlSystem>(host_.get(), std::vector<gfx::gl::ScreenInfo>{});
    params_.backBufferWidth = kWidth;
    params_.backBufferHeight = kHeight;
    params_.backBufferFormat = gfx::Format::X8R8G8B8;
    params_.enableAutoDepthStencil = true;
    params_.autoDepthStencilFormat = gfx::Format::D24S8;
    ASSERT_EQ(system_->CreateDevice(0, gfx::DeviceType::HAL, nullptr,
                                    gfx::CREATE_HARDWARE_VERTEXPROCESSING, &params_, &device_),
              gfx::S_OK);
}

void GlDeviceTest::TearDown() {
    device_.reset();
    system_.reset();
    host_.reset();
}

std::vector<uint32_t> GlDeviceTest::Frame() {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(device_->ReadBackBuffer(&pixels), gfx::S_OK);
    return pixels;
}

Rgb GlDeviceTest::At(int x, int y) {
    gfx::SurfaceDesc d;
    device_->GetBackBufferDesc(&d);
    auto f = Frame();
    return ToRgb(f[static_cast<size_t>(y) * d.width + static_cast<size_t>(x)]);
}

void GlDeviceTest::UseIdentityCamera() {
    device_->SetTransform(gfx::TransformType::View, vmath::MatrixIdentity());
    device_->SetTransform(
        gfx::TransformType::Projection,
        vmath::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 2,
                                      static_cast<float>(kWidth) / kHeight, 0.1f, 1000.0f));
}

std::unique_ptr<gfx::Mesh> GlDeviceTest::MakeMesh(const vmath::MeshGeometry& g) {
    std::unique_ptr<gfx::Mesh> mesh;
    EXPECT_EQ(device_->CreateMesh(g, &mesh), gfx::S_OK);
    return mesh;
}

vmath::MeshGeometry Box(float h) {
    vmath::MeshGeometry g;
    const vmath::Vec3 normals[6] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                    {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    for (const vmath::Vec3& n : normals) {
        // Two axes spanning the face.
        vmath::Vec3 u = std::fabs(n.x) > 0 ? vmath::Vec3{0, 1, 0} : vmath::Vec3{1, 0, 0};
        vmath::Vec3 v = vmath::Cross(n, u);
        const auto base = static_cast<uint16_t>(g.positions.size());
        for (int k = 0; k < 4; ++k) {
            float su = (k & 1) ? 1.0f : -1.0f, sv = (k & 2) ? 1.0f : -1.0f;
            g.positions.push_back((n + u * su + v * sv) * h);
            g.normals.push_back(n);
        }
        for (uint16_t i : {0, 1, 2, 2, 1, 3}) g.indices.push_back(static_cast<uint16_t>(base + i));
    }
    g.UpdateBounds();
    return g;
}

vmath::MeshGeometry Square(float h) {
    vmath::MeshGeometry g;
    g.positions = {{-h, h, 0}, {h, h, 0}, {-h, -h, 0}, {h, -h, 0}};
    g.normals.assign(4, {0, 0, -1});
    g.texCoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    g.indices = {0, 1, 2, 2, 1, 3};
    g.UpdateBounds();
    return g;
}

gfx::Material Emissive(float r, float g, float b, float a) {
    gfx::Material m;
    m.emissive = {r, g, b, a};
    return m;
}

}  // namespace gltest
