// Pixels drawn by the OpenGL device in a headless context: the fixed-function arithmetic
// (lighting, emissive, fog, texture stages, blending) and the device's life.
#include <cmath>
#include <numbers>

#include "gl_test_support.h"
#include "platform/gfx/gl/gl_device.h"

namespace gltest {
namespace {

using gfx::RenderState;
using gfx::TextureStageState;

constexpr int kCx = 80, kCy = 60;  // centre pixel

void ExpectNear(const Rgb& got, int r, int g, int b, int tol = 3) {
    EXPECT_NEAR(got.r, r, tol);
    EXPECT_NEAR(got.g, g, tol);
    EXPECT_NEAR(got.b, b, tol);
}

class DeviceTest : public GlDeviceTest {
  protected:
    // A screen-filling square at view depth z.
    void DrawScreenSquare(float z, const gfx::Material& m) {
        if (!square_) square_ = MakeMesh(Square(10.0f));
        device_->SetTransform(gfx::TransformType::World, math::MatrixTranslation(0, 0, z));
        device_->SetMaterial(m);
        device_->DrawMeshSubset(square_.get(), 0);
    }
    std::unique_ptr<gfx::Texture> MakeTexture(uint32_t w, uint32_t h, std::vector<uint32_t> px) {
        std::vector<gfx::TextureLevel> levels{{w, h, std::move(px)}};
        std::unique_ptr<gfx::Texture> t;
        EXPECT_EQ(device_->CreateTexture(levels, &t), gfx::S_OK);
        return t;
    }
    std::unique_ptr<gfx::Mesh> square_;
};

TEST_F(DeviceTest, ClearFillsTheViewportOnly) {
    ASSERT_EQ(device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF204060, 1.0f, 0),
              gfx::S_OK);
    ExpectNear(At(0, 0), 0x20, 0x40, 0x60, 0);
    ExpectNear(At(kWidth - 1, kHeight - 1), 0x20, 0x40, 0x60, 0);

    // Viewport rows count from the top.
    device_->SetViewport({10, 5, 20, 10, 0.0f, 1.0f});
    device_->Clear(gfx::CLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ExpectNear(At(10, 5), 255, 0, 0, 0);
    ExpectNear(At(29, 14), 255, 0, 0, 0);
    ExpectNear(At(30, 14), 0x20, 0x40, 0x60, 0);
    ExpectNear(At(10, 15), 0x20, 0x40, 0x60, 0);
    ExpectNear(At(9, 5), 0x20, 0x40, 0x60, 0);
}

TEST_F(DeviceTest, DirectionalLightsAndAmbientLightAMaterial) {
    device_->SetTransform(gfx::TransformType::View,
                          math::MatrixLookAtLH({0, 0, -5}, {0, 0, 0}, {0, 1, 0}));
    device_->SetTransform(
        gfx::TransformType::Projection,
        math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4, 4.0f / 3.0f, 0.1f, 1000.0f));
    gfx::Light front;
    front.diffuse = {0.7f, 0.7f, 0.7f, 1};
    front.ambient = {0.1f, 0.1f, 0.1f, 1};
    front.direction = {0, 0, 2};  // unnormalised, shining along +z onto the face towards -z
    gfx::Light behind;
    behind.diffuse = {0.5f, 0.5f, 0.5f, 1};
    behind.ambient = {0.1f, 0.1f, 0.1f, 1};
    behind.direction = {0, 0, -1};  // lights only the far side
    device_->SetLight(0, front);
    device_->SetLight(1, behind);
    device_->LightEnable(0, true);
    device_->LightEnable(1, true);
    device_->SetRenderState(RenderState::Ambient, 0x000F0F0F);
    device_->SetRenderState(RenderState::Lighting, 1);
    gfx::Material m;
    m.diffuse = m.ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    device_->SetMaterial(m);
    auto box = MakeMesh(Box(1.0f));
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device_->BeginScene(), gfx::S_OK);
    device_->DrawMeshSubset(box.get(), 0);
    ASSERT_EQ(device_->EndScene(), gfx::S_OK);
    // ambient (15/255 + 0.1 + 0.1) + diffuse 0.7 (the back light adds nothing).
    const float level = 15.0f / 255.0f + 0.2f + 0.7f;
    ExpectNear(At(kCx, kCy), static_cast<int>(std::lround(level * 255)),
               static_cast<int>(std::lround(0.5f * level * 255)), 0);

    // Turned by 60 degrees about y the face gets half the diffuse light.
    device_->SetTransform(gfx::TransformType::World,
                          math::MatrixRotationY(std::numbers::pi_v<float> / 3));
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->DrawMeshSubset(box.get(), 0);
    const float turned = 15.0f / 255.0f + 0.2f + 0.35f;
    const Rgb left = At(kCx - 5, kCy);
    // Either visible face is lit by cos(60) or cos(30) of the front light.
    const float other = 15.0f / 255.0f + 0.2f + 0.7f * std::cos(std::numbers::pi_v<float> / 6);
    EXPECT_TRUE(std::abs(left.r - std::lround(turned * 255)) <= 3 ||
                std::abs(left.r - std::lround(other * 255)) <= 3)
        << left.r;
}

TEST_F(DeviceTest, EmissiveMaterialIgnoresLightsAndUnlitDrawsWhite) {
    UseIdentityCamera();
    gfx::Light l;
    l.diffuse = {1, 1, 1, 1};
    l.direction = {0, 0, 1};
    device_->SetLight(0, l);
    device_->LightEnable(0, true);
    device_->SetRenderState(RenderState::ZEnable, 0);
    DrawScreenSquare(2.0f, Emissive(0.0f, 0.5f, 1.0f));
    ExpectNear(At(kCx, kCy), 0, 128, 255, 1);

    device_->SetRenderState(RenderState::Lighting, 0);
    DrawScreenSquare(2.0f, Emissive(0.0f, 0.5f, 1.0f));
    ExpectNear(At(kCx, kCy), 255, 255, 255, 0);
}

TEST_F(DeviceTest, Exp2FogFadesWithViewDepth) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::FogEnable, 1);
    device_->SetRenderState(RenderState::FogTableMode, gfx::FOG_EXP2);
    device_->SetRenderState(RenderState::FogColor, 0xFF0000FF);
    device_->SetRenderState(RenderState::FogDensity, gfx::FloatBits(0.1f));
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenSquare(5.0f, Emissive(1, 0, 0));
    const float f = std::exp(-0.25f);  // (0.1 * 5)^2
    ExpectNear(At(kCx, kCy), static_cast<int>(std::lround(f * 255)), 0,
               static_cast<int>(std::lround((1 - f) * 255)), 2);

    // EXP: exp(-0.5); LINEAR over the default range 0..1: all fog at depth 5.
    device_->SetRenderState(RenderState::FogTableMode, gfx::FOG_EXP);
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenSquare(5.0f, Emissive(1, 0, 0));
    const float e = std::exp(-0.5f);
    ExpectNear(At(kCx, kCy), static_cast<int>(std::lround(e * 255)), 0,
               static_cast<int>(std::lround((1 - e) * 255)), 2);
    device_->SetRenderState(RenderState::FogTableMode, gfx::FOG_LINEAR);
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenSquare(5.0f, Emissive(1, 0, 0));
    ExpectNear(At(kCx, kCy), 0, 0, 255, 0);

    device_->SetRenderState(RenderState::FogEnable, 0);
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenSquare(5.0f, Emissive(1, 0, 0));
    ExpectNear(At(kCx, kCy), 255, 0, 0, 0);
}

TEST_F(DeviceTest, BlendModesOfTheAboutDisc) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
    auto blend = [&](uint32_t src, uint32_t dst) {
        device_->SetRenderState(RenderState::SrcBlend, src);
        device_->SetRenderState(RenderState::DestBlend, dst);
    };
    const gfx::Color bg = 0xFFC86432;  // 200, 100, 50

    // Darkening: background x (1 - source).
    device_->Clear(gfx::CLEAR_TARGET, bg, 1.0f, 0);
    blend(gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR);
    DrawScreenSquare(2.0f, Emissive(0.5f, 0.25f, 1.0f));
    ExpectNear(At(kCx, kCy), 100, 75, 0, 2);

    // Constant factor 0x77 with a black source (stage 0 selects the empty temp register).
    device_->Clear(gfx::CLEAR_TARGET, bg, 1.0f, 0);
    blend(gfx::BLEND_BLENDFACTOR, gfx::BLEND_INVBLENDFACTOR);
    device_->SetRenderState(RenderState::BlendFactor, 0x77777777);
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_TEMP);
    device_->SetTextureStageState(0, TextureStageState::AlphaOp, gfx::TOP_DISABLE);
    DrawScreenSquare(2.0f, Emissive(1, 1, 1));
    const float keep = 1.0f - 0x77 / 255.0f;
    ExpectNear(At(kCx, kCy), static_cast<int>(200 * keep), static_cast<int>(100 * keep),
               static_cast<int>(50 * keep), 2);

    // Adding.
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_DIFFUSE);
    device_->Clear(gfx::CLEAR_TARGET, bg, 1.0f, 0);
    blend(gfx::BLEND_ONE, gfx::BLEND_ONE);
    DrawScreenSquare(2.0f, Emissive(0.2f, 0.2f, 1.0f));
    ExpectNear(At(kCx, kCy), 251, 151, 255, 2);

    // Multiplying with the frame.
    device_->Clear(gfx::CLEAR_TARGET, bg, 1.0f, 0);
    blend(gfx::BLEND_DESTCOLOR, gfx::BLEND_ZERO);
    DrawScreenSquare(2.0f, Emissive(0.5f, 1.0f, 0.0f));
    ExpectNear(At(kCx, kCy), 100, 100, 0, 2);

    // Alpha blending of a translucent material.
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    blend(gfx::BLEND_SRCALPHA, gfx::BLEND_INVSRCALPHA);
    gfx::Material half = Emissive(1, 1, 1);
    half.diffuse.a = 0.5f;
    DrawScreenSquare(2.0f, half);
    ExpectNear(At(kCx, kCy), 128, 128, 128, 2);
}

TEST_F(DeviceTest, TextureStagesSampleCombineAndComplement) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::ZEnable, 0);
    auto quad = MakeMesh(Square(1.0f));  // spans 50..110 x 30..90 at z = 2
    auto tex = MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    device_->SetTexture(0, tex.get());
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_TEXTURE);
    device_->SetTransform(gfx::TransformType::World, math::MatrixTranslation(0, 0, 2));
    device_->SetMaterial(Emissive(1, 1, 1));
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device_->DrawMeshSubset(quad.get(), 0);
    // Texture coordinate (0, 0) is the top-left texel, shown at the top left.
    ExpectNear(At(60, 40), 255, 0, 0, 0);
    ExpectNear(At(100, 40), 0, 255, 0, 0);
    ExpectNear(At(60, 80), 0, 0, 255, 0);
    ExpectNear(At(100, 80), 255, 255, 255, 0);

    device_->SetTextureStageState(0, TextureStageState::ColorArg1,
                                  gfx::TA_TEXTURE | gfx::TA_COMPLEMENT);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(60, 40), 0, 255, 255, 0);

    // Stage 1 adds a second texture to the first; modulate scales by the lit colour.
    auto grey = MakeTexture(1, 1, {0xFF404040});
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_TEXTURE);
    device_->SetTexture(1, grey.get());
    device_->SetTextureStageState(1, TextureStageState::ColorOp, gfx::TOP_ADD);
    device_->SetTextureStageState(1, TextureStageState::ColorArg1, gfx::TA_TEXTURE);
    device_->SetTextureStageState(1, TextureStageState::ColorArg2, gfx::TA_CURRENT);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(60, 80), 0x40, 0x40, 255, 0);
    device_->SetTextureStageState(1, TextureStageState::ColorOp, gfx::TOP_MODULATE);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(60, 80), 0, 0, 0x40, 1);

    // A disabled stage ends the chain even when later stages are set up.
    device_->SetTextureStageState(1, TextureStageState::ColorOp, gfx::TOP_DISABLE);
    device_->SetTextureStageState(2, TextureStageState::ColorOp, gfx::TOP_ADD);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(60, 80), 0, 0, 255, 0);

    // Releasing a bound texture leaves the stage empty, which samples as white.
    tex.reset();
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(60, 80), 255, 255, 255, 0);
}

TEST_F(DeviceTest, AlphaOperationsAndDotProductStage) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::ZEnable, 0);
    auto quad = MakeMesh(Square(1.0f));
    auto tex = MakeTexture(1, 1, {0x40FF8080});
    device_->SetTexture(0, tex.get());
    device_->SetTransform(gfx::TransformType::World, math::MatrixTranslation(0, 0, 2));

    // Colour from the material, alpha from the texture, blended over black.
    device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device_->SetRenderState(RenderState::SrcBlend, gfx::BLEND_SRCALPHA);
    device_->SetRenderState(RenderState::DestBlend, gfx::BLEND_INVSRCALPHA);
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_DIFFUSE);
    device_->SetTextureStageState(0, TextureStageState::AlphaOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::AlphaArg1, gfx::TA_TEXTURE);
    device_->SetMaterial(Emissive(1, 1, 1));
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(kCx, kCy), 0x40, 0x40, 0x40, 1);
    // The alpha-replicate modifier turns that alpha into a colour.
    device_->SetRenderState(RenderState::AlphaBlendEnable, 0);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1,
                                  gfx::TA_TEXTURE | gfx::TA_ALPHAREPLICATE);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(kCx, kCy), 0x40, 0x40, 0x40, 1);

    // Dot product of (texture - 0.5) and (diffuse - 0.5), times four, in every channel.
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_DOTPRODUCT3);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, gfx::TA_TEXTURE);
    device_->SetTextureStageState(0, TextureStageState::ColorArg2, gfx::TA_DIFFUSE);
    device_->SetMaterial(Emissive(1.0f, 0.5f, 0.5f));
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(kCx, kCy), 255, 255, 255, 2);
    device_->SetMaterial(Emissive(0.0f, 0.5f, 0.5f));
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(kCx, kCy), 0, 0, 0, 2);
}

TEST_F(DeviceTest, ReflectionTexCoordsSampleTheTexture) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::ZEnable, 0);
    auto quad = MakeMesh(Square(1.0f));
    std::vector<gfx::TextureLevel> levels{{4, 4, std::vector<uint32_t>(16, 0xFF336699)}};
    std::unique_ptr<gfx::Texture> tex;
    ASSERT_EQ(device_->CreateTexture(levels, &tex), gfx::S_OK);
    device_->SetTexture(0, tex.get());
    device_->SetTextureStageState(0, TextureStageState::ColorOp, gfx::TOP_SELECTARG1);
    device_->SetTextureStageState(0, TextureStageState::TexCoordIndex,
                                  gfx::TCI_CAMERASPACEREFLECTIONVECTOR);
    device_->SetTextureStageState(0, TextureStageState::TextureTransformFlags, gfx::TTFF_COUNT3);
    device_->SetTransform(gfx::TransformType::World, math::MatrixTranslation(0, 0, 2));
    device_->SetMaterial(Emissive(1, 1, 1));
    device_->Clear(gfx::CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device_->DrawMeshSubset(quad.get(), 0);
    ExpectNear(At(kCx, kCy), 0x33, 0x66, 0x99, 0);
}

TEST_F(DeviceTest, DepthTestFollowsZEnable) {
    UseIdentityCamera();
    device_->SetRenderState(RenderState::ZEnable, 1);
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenSquare(2.0f, Emissive(1, 0, 0));
    DrawScreenSquare(4.0f, Emissive(0, 1, 0));
    ExpectNear(At(kCx, kCy), 255, 0, 0, 0);
    device_->SetRenderState(RenderState::ZEnable, 0);
    DrawScreenSquare(4.0f, Emissive(0, 1, 0));
    ExpectNear(At(kCx, kCy), 0, 255, 0, 0);
    // Clearing only the depth buffer lets nearer-than-nothing draws through again.
    device_->SetRenderState(RenderState::ZEnable, 1);
    device_->Clear(gfx::CLEAR_ZBUFFER, 0, 1.0f, 0);
    DrawScreenSquare(8.0f, Emissive(0, 0, 1));
    ExpectNear(At(kCx, kCy), 0, 0, 255, 0);
}

TEST_F(DeviceTest, CullModeDropsFacesByTheirWindingAsSeen) {
    UseIdentityCamera();
    // The square runs clockwise as the camera sees it; turned about y it runs the other way.
    struct Case {
        uint32_t mode;
        bool turned, drawn;
    } cases[] = {
        {gfx::CULL_CCW, false, true}, {gfx::CULL_CCW, true, false}, {gfx::CULL_CW, false, false},
        {gfx::CULL_CW, true, true},   {gfx::CULL_NONE, true, true},
    };
    auto square = MakeMesh(Square(10.0f));
    for (const Case& c : cases) {
        device_->SetRenderState(RenderState::CullMode, c.mode);
        device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        gfx::MeshInstance copy;
        copy.world = (c.turned ? math::MatrixRotationY(std::numbers::pi_v<float>) : math::Mat4{}) *
                     math::MatrixTranslation(0, 0, 2);
        copy.emissive = {0, 1, 0, 1};
        device_->SetMaterial({});
        device_->DrawMeshInstances(square.get(), std::span(&copy, 1));
        ExpectNear(At(kCx, kCy), 0, c.drawn ? 255 : 0, 0, 0);
    }
}

TEST_F(DeviceTest, InstancedDrawMatchesOneDrawPerMesh) {
    device_->SetTransform(gfx::TransformType::View,
                          math::MatrixLookAtLH({3, 4, -8}, {0, 0, 0}, {0, 1, 0}));
    device_->SetTransform(
        gfx::TransformType::Projection,
        math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4, 4.0f / 3.0f, 0.1f, 1000.0f));
    gfx::Light l;
    l.diffuse = {0.7f, 0.7f, 0.7f, 1};
    l.ambient = {0.1f, 0.1f, 0.1f, 1};
    l.direction = {-1, -1, 2};
    device_->SetLight(0, l);
    device_->LightEnable(0, true);
    device_->SetRenderState(RenderState::Ambient, 0x000F0F0F);
    device_->SetRenderState(RenderState::FogEnable, 1);
    device_->SetRenderState(RenderState::FogTableMode, gfx::FOG_EXP2);
    device_->SetRenderState(RenderState::FogDensity, gfx::FloatBits(0.05f));
    auto box = MakeMesh(Box(1.0f));
    std::vector<gfx::MeshInstance> instances;
    const gfx::ColorValue colours[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0.2f, 0.3f, 1, 1}};
    for (int i = 0; i < 3; ++i) {
        gfx::MeshInstance inst;
        inst.world =
            math::MatrixRotationY(0.3f * static_cast<float>(i)) *
            math::MatrixTranslation(static_cast<float>(2 * i - 2), 0, static_cast<float>(i));
        if (i == 2)
            inst.emissive = colours[i];  // a self-lit one
        else
            inst.diffuse = inst.ambient = colours[i];
        instances.push_back(inst);
    }
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF101010, 1.0f, 0);
    for (const gfx::MeshInstance& inst : instances) {
        device_->SetTransform(gfx::TransformType::World, inst.world);
        gfx::Material m;
        m.diffuse = inst.diffuse;
        m.ambient = inst.ambient;
        m.emissive = inst.emissive;
        device_->SetMaterial(m);
        device_->DrawMeshSubset(box.get(), 0);
    }
    const auto separate = Frame();
    size_t coloured = 0;
    for (uint32_t p : separate)
        if (p != 0xFF101010) ++coloured;
    EXPECT_GT(coloured, separate.size() / 20);  // the boxes are really there

    // Both ways the device can take: instanced attributes, and a draw per copy.
    auto* gl = dynamic_cast<gfx::gl::GlDevice*>(device_);
    ASSERT_NE(gl, nullptr);
    for (auto mode :
         {gfx::gl::GlDevice::InstancingMode::Instanced, gfx::gl::GlDevice::InstancingMode::Loop}) {
        gl->SetInstancing(mode);
        device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF101010, 1.0f, 0);
        device_->DrawMeshInstances(box.get(), instances);
        const auto instanced = Frame();
        ASSERT_EQ(separate.size(), instanced.size());
        size_t differing = 0;
        for (size_t i = 0; i < separate.size(); ++i)
            if (separate[i] != instanced[i]) ++differing;
        EXPECT_EQ(differing, 0u) << "mode " << static_cast<int>(mode);
    }
}

TEST_F(DeviceTest, LineListsTakeTheMaterialColour) {
    UseIdentityCamera();
    // Horizontal lines across the view at z = 2, a little apart, and one vertical line.
    std::vector<math::Vec3> v;
    for (int i = -2; i <= 2; ++i) {
        float y = 0.2f * static_cast<float>(i);  // 6 pixels apart
        v.push_back({-10, y, 2});
        v.push_back({10, y, 2});
    }
    std::unique_ptr<gfx::VertexBuffer> lines;
    ASSERT_EQ(device_->CreateLineBuffer(v, &lines), gfx::S_OK);
    EXPECT_EQ(lines->VertexCount(), 10u);
    device_->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->SetMaterial(Emissive(0.2f, 0.8f, 0.4f));
    device_->DrawLineList(lines.get(), 0, 5);
    const auto f = Frame();
    int onLine = 0;
    for (uint32_t y = kCy - 15; y <= kCy + 15; ++y) {
        Rgb c = ToRgb(f[y * kWidth + kCx]);
        if (c.r || c.g || c.b) {
            ExpectNear(c, 51, 204, 102, 1);
            ++onLine;
        }
    }
    EXPECT_GE(onLine, 4);
    // More lines than the buffer holds: only what exists is drawn, nothing breaks.
    device_->DrawLineList(lines.get(), 8, 100);
    device_->DrawLineList(lines.get(), 50, 1);
}

// (Defaults, invalid calls and object counting: device_contract_test.cpp.)
TEST_F(DeviceTest, ResetResizesTheBackBuffer) {
    gfx::PresentParameters p = gl_->params;
    p.backBufferWidth = 64;
    p.backBufferHeight = 48;
    ASSERT_EQ(device_->Reset(&p), gfx::S_OK);
    device_->Clear(gfx::CLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(Frame().size(), 64u * 48u);
    ExpectNear(At(63, 47), 0, 255, 0, 0);

    // A zero size keeps the host's size; an impossible one fails and changes nothing.
    p.backBufferWidth = p.backBufferHeight = 0;
    ASSERT_EQ(device_->Reset(&p), gfx::S_OK);
    EXPECT_EQ(p.backBufferWidth, 64u);
    p.backBufferWidth = 1u << 30;
    p.backBufferHeight = 10;
    EXPECT_TRUE(gfx::Failed(device_->Reset(&p)));
    gfx::SurfaceDesc d;
    device_->GetBackBufferDesc(&d);
    EXPECT_EQ(d.width, 64u);
}

TEST_F(DeviceTest, ObjectsOutlivingTheirDeviceReleaseSafely) {
    auto mesh = MakeMesh(Box(1.0f));
    std::unique_ptr<gfx::Font> font;
    ASSERT_EQ(device_->CreateFont({-13, 0, 700, false, "Arial"}, &font), gfx::S_OK);
    gl_->device.reset();
    EXPECT_EQ(font->DrawText(nullptr, "abc", -1, {0, 0, 100, 20}, 0, 0xFFFFFFFF), 0);
    mesh.reset();
    font.reset();
}

}  // namespace
}  // namespace gltest
