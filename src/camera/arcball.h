#pragma once
// Turns mouse drags into an accumulated rotation (left button) and translation (right
// and middle buttons) for the camera.
#include "input/input_message.h"
#include "math/matrix.h"
#include "math/quaternion.h"
#include "math/vector.h"

namespace camera {

class CArcBallControl {
  public:
    CArcBallControl();

    void SetWindow(int width, int height);
    // Clears the rotation and translation of the drag; the window size stays.
    void Reset();
    // A mouse displacement in pixels as a point on the unit sphere.
    math::Vec3 ScreenToSphere(float dx, float dy) const;
    void HandleMouse(const input::InputMessage& msg);

    int width = 0, height = 0;
    float radius = 1.0f;
    float translationRadius = 1.0f;
    math::Quat downRotation;
    math::Quat currentRotation;
    math::Mat4 rotationMatrix;
    math::Mat4 rotationDelta;
    math::Mat4 translationMatrix;
    math::Mat4 translationDelta;
    int dragging = 0;
    int rightHanded = 0;

    // Mouse positions of the drag (only one camera exists, so they live here).
    int lastX = 0, lastY = 0;
    int pressX = 0, pressY = 0;
};

}  // namespace camera
