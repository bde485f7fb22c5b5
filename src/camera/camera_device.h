#pragma once
// What the camera needs from the graphics device: transforms, two lights and the
// lighting switch. The renderer implements it over the graphics interface.
#include "math/matrix.h"
#include "math/vector.h"

namespace camera {

struct CameraColor {
    float r = 0, g = 0, b = 0, a = 0;
};

// A directional light with the fixed-function light fields the renderer uploads.
struct CameraLight {
    CameraColor diffuse;
    CameraColor specular;
    CameraColor ambient;
    math::Vec3 position;
    math::Vec3 direction;
    float range = 0.0f;
};

class CameraDevice {
  public:
    virtual ~CameraDevice() = default;
    virtual void SetViewTransform(const math::Mat4& view) = 0;
    virtual void SetProjectionTransform(const math::Mat4& projection) = 0;
    virtual void SetLight(int index, const CameraLight& light) = 0;
    virtual void LightEnable(int index, bool enable) = 0;
    virtual void SetLightingEnabled(bool enable) = 0;
};

}  // namespace camera
