// What the renderer and the framework may rely on from any device, checked on the recording
// fake and on the OpenGL device alike: default states, the answers to invalid calls, object
// counting and read-back. The expected values are the classic fixed-function defaults.
#include <gtest/gtest.h>

#include <memory>

#include "support/environment.h"
#include "support/fake/fake_device.h"
#include "support/headless_gl.h"

namespace {

using namespace gfx;

enum class Kind { Fake, OpenGl };

class DeviceContract : public ::testing::TestWithParam<Kind> {
  protected:
    static constexpr uint32_t kW = 64, kH = 48;

    void SetUp() override {
        if (GetParam() == Kind::Fake) {
            PresentParameters p = fake::DefaultPresentParameters();
            p.backBufferWidth = kW;
            p.backBufferHeight = kH;
            fake_ = std::make_unique<fake::FakeDevice>(fake::FullCaps(), p);
            device_ = fake_.get();
            params_ = p;
        } else {
            std::string error;
            gl_ = gl::OpenHeadlessDevice(kW, kH, &error);
            VORLA_REQUIRE_ENVIRONMENT(gl_, error);
            device_ = gl_->device.get();
            params_ = gl_->params;
        }
    }

    void ExpectDefaults(uint32_t zEnable, uint32_t width, uint32_t height) {
        Device& d = *device_;
        EXPECT_EQ(d.GetRenderState(RenderState::ZEnable), zEnable);
        EXPECT_EQ(d.GetRenderState(RenderState::ZWriteEnable), 1u);
        EXPECT_EQ(d.GetRenderState(RenderState::Lighting), 1u);
        EXPECT_EQ(d.GetRenderState(RenderState::AlphaBlendEnable), 0u);
        EXPECT_EQ(d.GetRenderState(RenderState::FogEnable), 0u);
        EXPECT_EQ(d.GetRenderState(RenderState::CullMode), uint32_t{CULL_CCW});
        EXPECT_EQ(d.GetRenderState(RenderState::SrcBlend), uint32_t{BLEND_ONE});
        EXPECT_EQ(d.GetRenderState(RenderState::DestBlend), uint32_t{BLEND_ZERO});
        EXPECT_EQ(d.GetRenderState(RenderState::Ambient), 0u);
        EXPECT_EQ(d.GetRenderState(RenderState::BlendFactor), 0xFFFFFFFFu);
        EXPECT_EQ(d.GetRenderState(RenderState::FogDensity), 0x3F800000u);  // 1.0f
        for (TransformType t :
             {TransformType::World, TransformType::View, TransformType::Projection})
            EXPECT_EQ(d.GetTransform(t), math::Mat4{});
        const math::Viewport v = d.GetViewport();
        EXPECT_EQ(v.x, 0);
        EXPECT_EQ(v.y, 0);
        EXPECT_EQ(v.width, static_cast<int>(width));
        EXPECT_EQ(v.height, static_cast<int>(height));
        EXPECT_EQ(v.minZ, 0.0f);
        EXPECT_EQ(v.maxZ, 1.0f);
    }

    std::unique_ptr<fake::FakeDevice> fake_;
    std::unique_ptr<gl::HeadlessDevice> gl_;
    Device* device_ = nullptr;
    PresentParameters params_;
};

TEST_P(DeviceContract, NewAndResetDevicesStartFromTheDefaultStates) {
    ExpectDefaults(1, kW, kH);

    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetRenderState(RenderState::FogEnable, 1);
    device_->SetRenderState(RenderState::CullMode, CULL_NONE);
    device_->SetTransform(TransformType::View, math::MatrixTranslation(1, 2, 3));
    device_->SetViewport({1, 2, 10, 20, 0.0f, 1.0f});
    EXPECT_EQ(device_->GetRenderState(RenderState::FogEnable), 1u);
    EXPECT_EQ(device_->GetTransform(TransformType::View), math::MatrixTranslation(1, 2, 3));
    EXPECT_EQ(device_->GetViewport().width, 10);

    PresentParameters p = params_;
    p.backBufferWidth = 32;
    p.backBufferHeight = 16;
    ASSERT_EQ(device_->Reset(&p), S_OK);
    ExpectDefaults(1, 32, 16);
    SurfaceDesc desc;
    ASSERT_EQ(device_->GetBackBufferDesc(&desc), S_OK);
    EXPECT_EQ(desc.width, 32u);
    EXPECT_EQ(desc.height, 16u);

    // Without a depth buffer there is nothing to test against.
    p.enableAutoDepthStencil = false;
    ASSERT_EQ(device_->Reset(&p), S_OK);
    ExpectDefaults(0, 32, 16);
}

TEST_P(DeviceContract, InvalidArgumentsAreInvalidCallsAndCreateNothing) {
    EXPECT_EQ(device_->Reset(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetDeviceCaps(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetBackBufferDesc(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->ReadBackBuffer(nullptr), D3DERR_INVALIDCALL);

    const TextureLevel level{2, 2, {1, 2, 3, 4}};
    const math::Vec3 line[2] = {{0, 0, 0}, {1, 0, 0}};
    math::MeshGeometry triangle;
    triangle.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    triangle.indices = {0, 1, 2};
    EXPECT_EQ(device_->CreateTexture({&level, 1}, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateLineBuffer(line, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateMesh(triangle, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateSprite(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateFont({-13, 0, 700, false, "Arial"}, nullptr), D3DERR_INVALIDCALL);

    std::unique_ptr<Texture> texture;
    const TextureLevel short_{2, 2, {1, 2, 3}};
    EXPECT_EQ(device_->CreateTexture({}, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture({&short_, 1}, &texture), D3DERR_INVALIDCALL);
    std::unique_ptr<VertexBuffer> lines;
    EXPECT_EQ(device_->CreateLineBuffer({}, &lines), D3DERR_INVALIDCALL);
    std::unique_ptr<Mesh> mesh;
    math::MeshGeometry bad = triangle;
    bad.indices[2] = 3;  // no such vertex
    EXPECT_EQ(device_->CreateMesh(bad, &mesh), D3DERR_INVALIDCALL);
    bad = triangle;
    bad.normals = {{0, 0, -1}};  // one normal for three vertices
    EXPECT_EQ(device_->CreateMesh(bad, &mesh), D3DERR_INVALIDCALL);
    bad = triangle;
    bad.indices.pop_back();  // not a whole triangle
    EXPECT_EQ(device_->CreateMesh(bad, &mesh), D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture || lines || mesh);
    EXPECT_EQ(device_->LiveObjectCount(), 0u);
}

TEST_P(DeviceContract, ScenesDoNotNestAndTheAboutDiscsCapsAreThere) {
    Caps caps;
    ASSERT_EQ(device_->GetDeviceCaps(&caps), S_OK);
    EXPECT_TRUE(caps.destBlendCaps & PBLENDCAPS_BLENDFACTOR);
    EXPECT_GE(caps.maxTextureBlendStages, 2u);
    EXPECT_EQ(device_->TestCooperativeLevel(), S_OK);
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->BeginScene(), S_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), S_OK);
    EXPECT_EQ(device_->Present(), S_OK);
}

TEST_P(DeviceContract, ObjectsAreCountedUntilReleased) {
    const TextureLevel level{1, 1, {0xFFFFFFFF}};
    const math::Vec3 line[2] = {{0, 0, 0}, {1, 0, 0}};
    math::MeshGeometry triangle;
    triangle.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    triangle.indices = {0, 1, 2};
    std::unique_ptr<Texture> texture;
    std::unique_ptr<VertexBuffer> lines;
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<Sprite> sprite;
    std::unique_ptr<Font> font;
    ASSERT_EQ(device_->CreateTexture({&level, 1}, &texture), S_OK);
    ASSERT_EQ(device_->CreateLineBuffer(line, &lines), S_OK);
    ASSERT_EQ(device_->CreateMesh(triangle, &mesh), S_OK);
    ASSERT_EQ(device_->CreateSprite(&sprite), S_OK);
    ASSERT_EQ(device_->CreateFont({-13, 0, 700, false, "Arial"}, &font), S_OK);
    EXPECT_EQ(device_->LiveObjectCount(), 5u);
    EXPECT_EQ(mesh->Geometry().FaceCount(), 1u);  // picking reads the mesh on the CPU
    texture.reset();
    mesh.reset();
    EXPECT_EQ(device_->LiveObjectCount(), 3u);
    lines.reset();
    sprite.reset();
    font.reset();
    EXPECT_EQ(device_->LiveObjectCount(), 0u);
}

TEST_P(DeviceContract, AClearedBackBufferReadsBackOpaque) {
    ASSERT_EQ(device_->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0x00204060, 1.0f, 0), S_OK);
    std::vector<uint32_t> pixels;
    ASSERT_EQ(device_->ReadBackBuffer(&pixels), S_OK);
    ASSERT_EQ(pixels.size(), size_t{kW} * kH);
    EXPECT_EQ(pixels.front(), 0xFF204060u);
    EXPECT_EQ(pixels.back(), 0xFF204060u);
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceContract, ::testing::Values(Kind::Fake, Kind::OpenGl),
                         [](const auto& info) {
                             return info.param == Kind::Fake ? "Fake" : "OpenGl";
                         });

}  // namespace
