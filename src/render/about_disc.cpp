// The about page's disc: its opening and closing turns and the four blended passes that
// engrave the emblem into the frame.
#include <numbers>

#include "render/scene_renderer.h"

using namespace camera;
using namespace input;
using namespace model;

namespace render {
namespace {

constexpr float kTurnSpeed = 6.0f;  // radians per second
constexpr float kDiscRadius = 1.5f;
const gfx::ColorValue kWhite{1, 1, 1, 0};

void StageOp(gfx::Device& device, uint32_t stage, uint32_t colourOp, uint32_t colourArg1,
             uint32_t alphaOp, uint32_t alphaArg1 = gfx::TA_TEXTURE) {
    using S = gfx::TextureStageState;
    device.SetTextureStageState(stage, S::ColorOp, colourOp);
    if (colourOp != gfx::TOP_DISABLE) device.SetTextureStageState(stage, S::ColorArg1, colourArg1);
    device.SetTextureStageState(stage, S::AlphaOp, alphaOp);
    if (alphaOp != gfx::TOP_DISABLE) device.SetTextureStageState(stage, S::AlphaArg1, alphaArg1);
}

void PlainCoordinates(gfx::Device& device, uint32_t stage) {
    device.SetTextureStageState(stage, gfx::TextureStageState::TexCoordIndex, 0);
    device.SetTextureStageState(stage, gfx::TextureStageState::TextureTransformFlags,
                                gfx::TTFF_DISABLE);
}

void DisableStage(gfx::Device& device, uint32_t stage) {
    device.SetTextureStageState(stage, gfx::TextureStageState::ColorOp, gfx::TOP_DISABLE);
}

void Blend(gfx::Device& device, uint32_t src, uint32_t dest) {
    device.SetRenderState(gfx::RenderState::SrcBlend, src);
    device.SetRenderState(gfx::RenderState::DestBlend, dest);
}

}  // namespace

void SceneRenderer::DrawAboutDisc(gfx::Device& device, float time) {
    if (!haveLastTime_) {
        lastTime_ = time;
        haveLastTime_ = true;
    }
    const float dt = time - lastTime_;
    lastTime_ = time;

    interaction::ScreenState& sys = screen_;
    if (!sys.aboutShown) return;

    device.SetRenderState(gfx::RenderState::FogEnable, 0);
    device.SetRenderState(gfx::RenderState::ZEnable, 0);

    const math::Mat4 t = GizmoTranslation();
    const math::Mat4 s = math::MatrixScaling(kDiscRadius, kDiscRadius, kDiscRadius);
    math::Mat4 o = camera_.axisMode == 1
                       ? camera_.axesDragRotation * camera_.axesOrientation * camera_.cameraToWorld
                       : camera_.axesOrientation * camera_.axesDragRotation * camera_.cameraToWorld;

    if (sys.aboutClosing || sys.aboutOpening) {
        sys.aboutAngle -= kTurnSpeed * dt;
        if (sys.aboutOpening && sys.aboutAngle <= 0) {
            sys.aboutOpening = 0;
            sys.aboutAngle = 0;
        } else {
            o = math::MatrixRotationAxis(sys.aboutAxis, sys.aboutAngle) * o;
        }
    }
    math::Mat4 w = o * s * t;

    const math::Vec3 n = math::Vec3TransformCoord({0, 0, 1}, o);
    const math::Vec3 v = math::Vec3TransformCoord({0, 0, 1}, camera_.cameraToWorld);
    const float f = math::Dot(n, v);
    // The turn ends once the disc shows the face it did not show when closing began; that
    // last frame is still drawn. While opening, the disc is hidden until it faces right.
    const int facing = f < 0 ? 1 : 0;
    sys.aboutBackFacing = facing;
    if (sys.aboutClosing && sys.aboutCloseFacing == 1 - facing) {
        sys.aboutClosing = 0;
        sys.aboutShown = 0;
        followUpFrame_ = true;  // the next frame shows the disc gone
    } else if (sys.aboutOpening && sys.aboutCloseFacing == 1 - facing) {
        return;
    }
    if (facing) w = math::MatrixRotationY(std::numbers::pi_v<float>) * w;

    DeviceObjects& obj = objects_;
    gfx::Mesh* disc = obj.meshes.discMesh.get();
    const bool twoStagesDot3 = obj.textureStages >= 2 && obj.canDot3;

    device.SetTextureStageState(2, gfx::TextureStageState::ColorOp, gfx::TOP_DISABLE);
    device.SetTextureStageState(2, gfx::TextureStageState::AlphaOp, gfx::TOP_DISABLE);
    device.SetRenderState(gfx::RenderState::AlphaBlendEnable, 1);

    // 1: shadow, background x (1 - (emblem + glow)), slightly offset.
    device.SetTransform(gfx::TransformType::World, math::MatrixTranslation(0.01f, -0.01f, 0) * w);
    Blend(device, gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR);
    PlainCoordinates(device, 0);
    StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEXTURE, gfx::TOP_DISABLE);
    if (twoStagesDot3) {
        device.SetTexture(0, obj.emblemTexture.get());
        device.SetTexture(1, obj.emblemGlowTexture.get());
        PlainCoordinates(device, 1);
        StageOp(device, 1, gfx::TOP_ADD, gfx::TA_TEXTURE, gfx::TOP_DISABLE);
        device.SetTextureStageState(1, gfx::TextureStageState::ColorArg2, gfx::TA_CURRENT);
        DrawMeshInColour(device, disc, kWhite, true);
        DisableStage(device, 1);
    } else {
        DisableStage(device, 1);
        device.SetTexture(0, obj.emblemTexture.get());
        DrawMeshInColour(device, disc, kWhite, true);
        device.SetTexture(0, obj.emblemGlowTexture.get());
        DrawMeshInColour(device, disc, kWhite, true);
    }

    // 2: darken the disc area to 1 - 0x77/255.
    device.SetTransform(gfx::TransformType::World, w);
    if (obj.canBlendFactor) {
        StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEMP, gfx::TOP_DISABLE);
        device.SetRenderState(gfx::RenderState::BlendFactor, 0x77777777);
        Blend(device, gfx::BLEND_BLENDFACTOR, gfx::BLEND_INVBLENDFACTOR);
        DrawMeshInColour(device, disc, kWhite, true);
    } else {
        StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_DIFFUSE, gfx::TOP_DISABLE);
        Blend(device, gfx::BLEND_ZERO, gfx::BLEND_INVSRCCOLOR);
        constexpr float k = 0.4666667f;
        DrawMeshInColour(device, disc, {k, k, k, k}, true);
    }

    // 3: engrave and shine where the device can, else add the emblem.
    if (obj.canDot3 && obj.canAlphaBlend && obj.textureStages >= 2) {
        device.SetTexture(0, obj.emblemTexture.get());
        StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEXTURE | gfx::TA_COMPLEMENT,
                gfx::TOP_SELECTARG1, gfx::TA_TEXTURE);
        DisableStage(device, 1);
        Blend(device, gfx::BLEND_DESTCOLOR, gfx::BLEND_ZERO);
        DrawMeshInColour(device, disc, kWhite, true);

        device.SetTexture(0, obj.reflectionTexture.get());
        device.SetTextureStageState(0, gfx::TextureStageState::TexCoordIndex,
                                    gfx::TCI_CAMERASPACEREFLECTIONVECTOR);
        device.SetTextureStageState(0, gfx::TextureStageState::TextureTransformFlags,
                                    gfx::TTFF_COUNT3);
        StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEXTURE, gfx::TOP_SELECTARG1,
                gfx::TA_TEXTURE);
        device.SetTexture(1, obj.emblemTexture.get());
        PlainCoordinates(device, 1);
        StageOp(device, 1, gfx::TOP_MODULATE, gfx::TA_TEXTURE, gfx::TOP_DISABLE);
        device.SetTextureStageState(1, gfx::TextureStageState::ColorArg2, gfx::TA_CURRENT);
        Blend(device, gfx::BLEND_ONE, gfx::BLEND_ONE);
        DrawMeshInColour(device, disc, kWhite, true);
        PlainCoordinates(device, 0);
    } else {
        device.SetTexture(0, obj.emblemTexture.get());
        StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEXTURE, gfx::TOP_DISABLE);
        DisableStage(device, 1);
        Blend(device, gfx::BLEND_ONE, gfx::BLEND_ONE);
        DrawMeshInColour(device, disc, kWhite, true);
    }

    // 4: glow.
    device.SetTexture(0, obj.emblemGlowTexture.get());
    StageOp(device, 0, gfx::TOP_SELECTARG1, gfx::TA_TEXTURE, gfx::TOP_DISABLE);
    DisableStage(device, 1);
    Blend(device, gfx::BLEND_ONE, gfx::BLEND_ONE);
    DrawMeshInColour(device, disc, kWhite, true);

    device.SetTexture(0, nullptr);
    device.SetTexture(1, nullptr);
    device.SetRenderState(gfx::RenderState::ZEnable, 1);
    device.SetRenderState(gfx::RenderState::AlphaBlendEnable, 0);
    device.SetTextureStageState(0, gfx::TextureStageState::ColorOp, gfx::TOP_DISABLE);
    device.SetTextureStageState(0, gfx::TextureStageState::AlphaOp, gfx::TOP_DISABLE);
}

}  // namespace render
