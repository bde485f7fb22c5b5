// The recording fake itself: what it records, the state it keeps, the failures and the
// device loss it simulates. Renderer and framework tests rely on these answers.
#include <gtest/gtest.h>

#include "platform/gfx/fake/fake_system.h"

namespace {

using namespace gfx;
using gfx::fake::CallLog;
using gfx::fake::FakeDevice;
using gfx::fake::FakeMesh;
using gfx::fake::FakeSystem;
using gfx::fake::FakeTexture;

vmath::MeshGeometry Triangle() {
    vmath::MeshGeometry g;
    g.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    g.indices = {0, 1, 2};
    return g;
}

TEST(FakeDevice, RecordsCallsAsTextAndKeepsState) {
    FakeDevice dev;
    dev.SetRenderState(RenderState::FogEnable, 1);
    dev.SetRenderState(RenderState::FogDensity, FloatBits(0.5f));
    dev.SetRenderState(RenderState::FogColor, 0xFF102030);
    dev.SetTextureStageState(1, TextureStageState::ColorOp, TOP_ADD);
    dev.SetSamplerState(0, SamplerState::MinFilter, TEXF_LINEAR);
    dev.LightEnable(1, true);
    vmath::Mat4 world = vmath::MatrixTranslation(1, 2, 3);
    dev.SetTransform(TransformType::World, world);
    Material m;
    m.diffuse = {1, 0.5f, 0, 1};
    dev.SetMaterial(m);

    EXPECT_EQ(dev.Log().Texts(),
              (std::vector<std::string>{
                  "SetRenderState(FogEnable, 1)",
                  "SetRenderState(FogDensity, 0.5)",
                  "SetRenderState(FogColor, 0xFF102030)",
                  "SetTextureStageState(1, ColorOp, 7)",
                  "SetSamplerState(0, MinFilter, 2)",
                  "LightEnable(1, 1)",
                  "SetTransform(World, [1 0 0 0; 0 1 0 0; 0 0 1 0; 1 2 3 1])",
                  "SetMaterial(diffuse=(1 0.5 0 1), ambient=(0 0 0 0), specular=(0 0 0 0), "
                  "emissive=(0 0 0 0), power=0)",
              }));
    EXPECT_EQ(dev.GetRenderState(RenderState::FogEnable), 1u);
    EXPECT_EQ(dev.GetTextureStageState(1, TextureStageState::ColorOp), uint32_t{TOP_ADD});
    EXPECT_EQ(dev.GetTextureStageState(0, TextureStageState::ColorOp), uint32_t{TOP_MODULATE});
    EXPECT_EQ(dev.GetSamplerState(0, SamplerState::MinFilter), uint32_t{TEXF_LINEAR});
    EXPECT_TRUE(dev.IsLightEnabled(1));
    EXPECT_FALSE(dev.IsLightEnabled(0));
    EXPECT_EQ(dev.GetTransform(TransformType::World), world);
    EXPECT_EQ(dev.GetTransform(TransformType::View), vmath::Mat4{});
    EXPECT_EQ(dev.GetMaterial().diffuse, m.diffuse);
    EXPECT_EQ(dev.Log().Count("SetRenderState"), 3u);
    EXPECT_EQ(dev.Log().IndexOf("LightEnable(1, 1)"), 5);
    EXPECT_EQ(dev.Log().IndexOfName("SetMaterial"), 7);
}

TEST(FakeDevice, CreatedObjectsAreNamedKeepTheirDataAndLogTheirRelease) {
    FakeDevice dev;
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<Texture> tex;
    std::unique_ptr<VertexBuffer> lines;
    ASSERT_EQ(dev.CreateMesh(Triangle(), &mesh), S_OK);
    TextureLevel levels[2] = {{2, 2, {1, 2, 3, 4}}, {1, 1, {5}}};
    ASSERT_EQ(dev.CreateTexture(levels, &tex), S_OK);
    const vmath::Vec3 v[2] = {{0, 0, 0}, {1, 1, 1}};
    ASSERT_EQ(dev.CreateLineBuffer(v, &lines), S_OK);

    EXPECT_EQ(mesh->Geometry().FaceCount(), 1u);
    EXPECT_EQ(tex->Width(), 2u);
    EXPECT_EQ(tex->LevelCount(), 2u);
    EXPECT_EQ(static_cast<FakeTexture*>(tex.get())->Levels()[1].pixels[0], 5u);
    EXPECT_EQ(lines->VertexCount(), 2u);

    dev.SetTexture(0, tex.get());
    dev.DrawMeshSubset(mesh.get(), 0);
    dev.DrawLineList(lines.get(), 0, 1);
    mesh.reset();
    EXPECT_EQ(dev.Log().Texts(),
              (std::vector<std::string>{
                  "CreateMesh(mesh#1, 3, 1)", "CreateTexture(texture#1, 2x2, 2)",
                  "CreateLineBuffer(lines#1, 2)", "SetTexture(0, texture#1)",
                  "DrawMeshSubset(mesh#1, 0)", "DrawLineList(lines#1, 0, 1)", "Release(mesh#1)"}));
    // The draw carries the state it drew with.
    const auto& draw = *dev.Log().Named("DrawMeshSubset")[0];
    ASSERT_TRUE(draw.state);
    EXPECT_EQ(draw.state->textures[0], "texture#1");
    EXPECT_EQ(draw.state->RenderStateValue(RenderState::ZEnable), 1u);
    EXPECT_EQ(draw.state->StageStateValue(0, TextureStageState::ColorOp), uint32_t{TOP_MODULATE});
    EXPECT_EQ(draw.state->StageStateValue(1, TextureStageState::TexCoordIndex), 1u);

    // Names keep counting per kind within the log.
    ASSERT_EQ(dev.CreateMesh(Triangle(), &mesh), S_OK);
    EXPECT_EQ(static_cast<FakeMesh*>(mesh.get())->Name(), "mesh#2");
}

TEST(FakeDevice, InjectedFailuresHitTheChosenCall) {
    FakeDevice dev;
    std::unique_ptr<Mesh> a, b, c;
    dev.FailNext("CreateMesh", D3DERR_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(dev.CreateMesh(Triangle(), &a), S_OK);
    EXPECT_EQ(dev.CreateMesh(Triangle(), &b), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(dev.CreateMesh(Triangle(), &c), S_OK);
    EXPECT_EQ(dev.Log()[1].ToString(), "CreateMesh(null, 3, 1)");
    EXPECT_EQ(dev.Log()[1].result, D3DERR_OUTOFVIDEOMEMORY);

    dev.FailNext("BeginScene");
    EXPECT_EQ(dev.BeginScene(), E_FAIL);
    EXPECT_FALSE(dev.InScene());
    EXPECT_EQ(dev.BeginScene(), S_OK);

    dev.FailNext("Reset");
    PresentParameters p = gfx::fake::DefaultPresentParameters();
    EXPECT_EQ(dev.Reset(&p), E_FAIL);
    EXPECT_EQ(dev.Reset(&p), S_OK);
}

TEST(FakeDevice, DeviceLossRunsLostThenNotResetUntilAReset) {
    FakeDevice dev;
    EXPECT_EQ(dev.Present(), S_OK);
    dev.LoseDevice(2);
    EXPECT_EQ(dev.Present(), D3DERR_DEVICELOST);
    PresentParameters p = gfx::fake::DefaultPresentParameters();
    EXPECT_EQ(dev.Reset(&p), D3DERR_DEVICELOST);
    EXPECT_EQ(dev.TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev.TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev.TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev.Present(), D3DERR_DEVICELOST);

    // (What a reset restores: device_contract_test.cpp.)
    p.backBufferWidth = 320;
    p.backBufferHeight = 200;
    EXPECT_EQ(dev.Reset(&p), S_OK);
    EXPECT_FALSE(dev.IsLost());
    EXPECT_EQ(dev.TestCooperativeLevel(), S_OK);
    EXPECT_EQ(dev.Present(), S_OK);
    EXPECT_EQ(dev.Log().Texts("Reset").back(),
              "Reset(320, 200, X8R8G8B8, windowed, D16, 0, 0x80000000)");

    // An injected DEVICELOST from Present starts a loss too.
    dev.FailNext("Present", D3DERR_DEVICELOST);
    EXPECT_EQ(dev.Present(), D3DERR_DEVICELOST);
    EXPECT_TRUE(dev.IsLost());
}

TEST(FakeDevice, SpriteAndFontRecordIntoTheDeviceLog) {
    FakeDevice dev;
    std::unique_ptr<Sprite> sprite;
    std::unique_ptr<Font> font;
    std::unique_ptr<Texture> tex;
    TextureLevel level{1, 1, {0}};
    ASSERT_EQ(dev.CreateSprite(&sprite), S_OK);
    ASSERT_EQ(dev.CreateFont({-13, 0, 700, false, "Arial"}, &font), S_OK);
    ASSERT_EQ(dev.CreateTexture(std::span(&level, 1), &tex), S_OK);
    dev.Log().Clear();

    EXPECT_EQ(sprite->Draw(tex.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    ASSERT_EQ(sprite->Begin(SPRITE_ALPHABLEND), S_OK);
    Rect src{0, 0, 1, 1};
    vmath::Vec3 pos{10, 20, 0};
    EXPECT_EQ(sprite->Draw(tex.get(), &src, nullptr, &pos, 0x80FFFFFF), S_OK);
    EXPECT_EQ(
        font->DrawText(sprite.get(), "Помощь\nстрока", -1, {0, 0, 100, 50}, DT_LEFT, 0xFFFFFF00),
        26);
    EXPECT_EQ(font->DrawText(nullptr, "abc", 2, {0, 0, 100, 50}, DT_CENTER, 0xFF000000), 13);
    ASSERT_EQ(sprite->End(), S_OK);
    font->OnLostDevice();

    auto texts = dev.Log().Texts();
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[1], "Sprite::Begin(sprite#1, 0x00000010)");
    EXPECT_EQ(texts[2],
              "Sprite::Draw(sprite#1, texture#1, (0 0 1 1), (0 0 0), (10 20 0), 0x80FFFFFF)");
    EXPECT_EQ(texts[3],
              "Font::DrawText(font#1, sprite#1, \"Помощь\nстрока\", (0 0 100 50), 0x00000000, "
              "0xFFFFFF00)");
    EXPECT_EQ(texts[4],
              "Font::DrawText(font#1, null, \"ab\", (0 0 100 50), 0x00000001, 0xFF000000)");
    EXPECT_EQ(texts[6], "Font::OnLostDevice(font#1)");
}

TEST(FakeSystem, AnswersQueriesFromItsTablesAndMakesDevices) {
    FakeSystem sys;
    EXPECT_EQ(sys.GetAdapterCount(), 1u);
    EXPECT_EQ(sys.GetAdapterModeCount(0, Format::X8R8G8B8), 8u);
    EXPECT_EQ(sys.GetAdapterModeCount(0, Format::A2R10G10B10), 0u);
    EXPECT_EQ(sys.GetAdapterModeCount(1, Format::X8R8G8B8), 0u);
    DisplayMode mode;
    ASSERT_EQ(sys.EnumAdapterModes(0, Format::R5G6B5, 1, &mode), S_OK);
    EXPECT_EQ(mode, (DisplayMode{640, 480, 85, Format::R5G6B5}));
    EXPECT_EQ(sys.EnumAdapterModes(0, Format::R5G6B5, 8, &mode), D3DERR_INVALIDCALL);
    Caps caps;
    EXPECT_EQ(sys.GetDeviceCaps(0, DeviceType::REF, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(sys.CheckDeviceType(0, DeviceType::HAL, Format::X8R8G8B8, Format::A8R8G8B8, true),
              S_OK);
    EXPECT_EQ(sys.CheckDeviceType(0, DeviceType::HAL, Format::X8R8G8B8, Format::R5G6B5, true),
              D3DERR_NOTAVAILABLE);
    uint32_t quality = 0;
    EXPECT_EQ(
        sys.CheckDeviceMultiSampleType(0, DeviceType::HAL, Format::X8R8G8B8, true, 0, &quality),
        S_OK);
    EXPECT_EQ(quality, 1u);
    EXPECT_EQ(
        sys.CheckDeviceMultiSampleType(0, DeviceType::HAL, Format::X8R8G8B8, true, 2, nullptr),
        D3DERR_NOTAVAILABLE);

    PresentParameters p = gfx::fake::DefaultPresentParameters();
    std::unique_ptr<Device> dev;
    sys.FailCreateDevice(DeviceType::HAL);
    EXPECT_EQ(
        sys.CreateDevice(0, DeviceType::HAL, nullptr, CREATE_SOFTWARE_VERTEXPROCESSING, &p, &dev),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(dev, nullptr);
    sys.AllowCreateDevice(DeviceType::HAL);
    bool configured = false;
    sys.onCreateDevice = [&](FakeDevice&) { configured = true; };
    ASSERT_EQ(
        sys.CreateDevice(0, DeviceType::HAL, nullptr, CREATE_SOFTWARE_VERTEXPROCESSING, &p, &dev),
        S_OK);
    EXPECT_TRUE(configured);
    EXPECT_EQ(sys.Device(), dev.get());
    EXPECT_EQ(sys.CreatedDeviceCount(), 1u);
    dev->SetRenderState(RenderState::Lighting, 0);
    dev.reset();
    EXPECT_EQ(sys.Device(), nullptr);
    EXPECT_EQ(
        sys.Log().Texts(),
        (std::vector<std::string>{
            "CreateDevice(0, HAL, 0x00000020, 640, 480, X8R8G8B8, windowed, D16, 0, 0x80000000)",
            "CreateDevice(0, HAL, 0x00000020, 640, 480, X8R8G8B8, windowed, D16, 0, 0x80000000)",
            "SetRenderState(Lighting, 0)", "ReleaseDevice()"}));
    EXPECT_EQ(sys.Log()[0].result, D3DERR_NOTAVAILABLE);
}

}  // namespace
