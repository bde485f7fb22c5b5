#include "render/camera_upload.h"

using namespace camera;

namespace render {
namespace {
gfx::ColorValue ToGfx(const CameraColor& c) {
    return {c.r, c.g, c.b, c.a};
}
}  // namespace

void GfxCameraDevice::SetViewTransform(const math::Mat4& view) {
    device_.SetTransform(gfx::TransformType::View, view);
}

void GfxCameraDevice::SetProjectionTransform(const math::Mat4& projection) {
    device_.SetTransform(gfx::TransformType::Projection, projection);
}

void GfxCameraDevice::SetLight(int index, const CameraLight& light) {
    if (index < 0) return;
    gfx::Light l;
    l.type = gfx::LightType::Directional;
    l.diffuse = ToGfx(light.diffuse);
    l.specular = ToGfx(light.specular);
    l.ambient = ToGfx(light.ambient);
    l.position = light.position;
    l.direction = light.direction;
    l.range = light.range;
    device_.SetLight(static_cast<uint32_t>(index), l);
}

void GfxCameraDevice::LightEnable(int index, bool enable) {
    if (index < 0) return;
    device_.LightEnable(static_cast<uint32_t>(index), enable);
}

void GfxCameraDevice::SetLightingEnabled(bool enable) {
    device_.SetRenderState(gfx::RenderState::Lighting, enable ? 1u : 0u);
}

}  // namespace render
