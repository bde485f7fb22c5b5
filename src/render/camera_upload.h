#pragma once
// The camera's uploads (transforms, headlights, lighting switch) onto a graphics device.
#include "camera/camera_device.h"
#include "platform/gfx/gfx.h"

namespace render {

class GfxCameraDevice final : public camera::CameraDevice {
  public:
    explicit GfxCameraDevice(gfx::Device& device) : device_(device) {}

    void SetViewTransform(const math::Mat4& view) override;
    void SetProjectionTransform(const math::Mat4& projection) override;
    void SetLight(int index, const camera::CameraLight& light) override;
    void LightEnable(int index, bool enable) override;
    void SetLightingEnabled(bool enable) override;

  private:
    gfx::Device& device_;
};

}  // namespace render
