// Mouse gestures, keyboard motion, automatic rotation and the per-frame update.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "camera/camera.h"

namespace camera {

using namespace input;
using namespace math;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kSpinRate = 8.0f;  // a fling turns 8 x its angle per second it was held
constexpr float kKeySpeed = 8.0f;  // world units per second at a ramp of 1
constexpr float kZoomDragScale = 20.0f;

// Rotation about an axis; a zero axis (never picked) gives no rotation instead of a
// scaled matrix.
Mat4 AxisRotation(const Vec3& axis, float angle) {
    if (LengthSq(axis) == 0.0f) return MatrixIdentity();
    return MatrixRotationAxis(axis, angle);
}

// The nearest rotation to an almost-orthonormal matrix (Gram-Schmidt on the rows, the
// third row rebuilt from the first two so the handedness is kept).
Mat4 Orthonormalized(const Mat4& m) {
    Vec3 x{m(0, 0), m(0, 1), m(0, 2)};
    Vec3 y{m(1, 0), m(1, 1), m(1, 2)};
    x = Normalize(x);
    y = Normalize(y - x * Dot(x, y));
    const Vec3 z = Cross(x, y);
    if (LengthSq(x) == 0.0f || LengthSq(y) == 0.0f) return m;
    Mat4 r;
    r(0, 0) = x.x, r(0, 1) = x.y, r(0, 2) = x.z;
    r(1, 0) = y.x, r(1, 1) = y.y, r(1, 2) = y.z;
    r(2, 0) = z.x, r(2, 1) = z.y, r(2, 2) = z.z;
    return r;
}

}  // namespace

Mat4 CVelCamera::Turned(const Mat4& m, const Mat4& r) const {
    // In axis mode the turn is about a world axis (the picked ring's), otherwise about an
    // axis of the camera's own frame.
    return axisMode ? r * m : m * r;
}

Mat4 CVelCamera::RotationInEffect() const {
    return rotateDrag ? Turned(orientation, arcBall.rotationMatrix) : orientation;
}

void CVelCamera::EndLeftDrag(bool unmoved) {
    rotateDrag = 0;
    if (mouse.DownCount() > 0) {
        spinStopped = 1;
    } else if (unmoved) {
        // A click without motion stops any spin and keeps the orientation.
        arcBall.Reset();
        spinDelta = MatrixIdentity();
        axesDragRotation = MatrixIdentity();
        spinStopped = 1;
    } else {
        spinStopped = 0;
        spinDuration = mouse.buttons[ButtonLeft].heldTime;
        orientation = Turned(orientation, arcBall.rotationMatrix);
        axesOrientation = Turned(axesOrientation, arcBall.rotationMatrix);
        spinDelta = arcBall.rotationDelta;
        axesDragRotation = MatrixIdentity();
        // No spin step has run on the new orientation yet: a StopMotion before the next
        // frame must keep the drag.
        orientationBeforeSpin = orientation;
    }
}

Mat4 CVelCamera::RollPreview() const {
    const Mat4& t = arcBall.translationMatrix;
    return MatrixRotationZ(2.0f * kPi * (t(3, 0) + t(3, 1)));
}

void CVelCamera::StartRoll() {
    rollDrag = 1;
    arcBall.Reset();
    rollBase = orientation;
    axesRollBase = axesOrientation;
}

void CVelCamera::CancelDrags() {
    spinStopped = 1;
    rotateDrag = 0;
    zoomDrag = 0;
    if (rollDrag) {
        orientation = rollBase;
        orientationBeforeSpin = orientation;
        // The axes display follows the same rotations, so it snaps back with the view.
        axesOrientation = axesRollBase;
        rollDrag = 0;
    }
    // A cancelled left drag must not stay visible on the axes display.
    axesDragRotation = MatrixIdentity();
    panDrag = 0;
}

bool CVelCamera::HandleAxisPath(const InputMessage& msg) {
    const bool leftOnly = mouse.IsOnlyButton(ButtonLeft);
    const bool press = msg.kind == MessageKind::LButtonDown && leftOnly;
    const bool release = msg.kind == MessageKind::LButtonUp;
    const bool move = msg.kind == MessageKind::MouseMove && leftOnly;
    if (!press && !release && !move) return false;

    // The mouse position, seen from the picked ring's frame, measures the angle.
    const float g = static_cast<float>(std::min(viewportWidth, viewportHeight)) * 0.5f;
    float angle = 0.0f;
    if (g > 0.0f) {
        Vec3 v{-static_cast<float>(msg.x) / g, static_cast<float>(msg.y) / g, 0.0f};
        v = Vec3TransformCoord(v, MatrixInverseOrIdentity(orientation));
        v = Vec3TransformCoord(v, axisFrameInverse);
        angle = kPi * v.y;
    }

    if (press) {
        startAngle = angle;
        arcBall.Reset();
        rotateDrag = 1;
    }
    if ((press || move) && rotateDrag) {
        const float d = angle - startAngle;
        arcBall.rotationMatrix = AxisRotation(rotationAxis, d);
        arcBall.rotationDelta = AxisRotation(rotationAxis, std::clamp(d, -kPi / 2, kPi / 2));
    }
    if (release && rotateDrag) EndLeftDrag(angle == startAngle);
    rememberedAxisMode = axisMode;
    return true;
}

void CVelCamera::OnMouse(const InputMessage& msg) {
    if (axisMode && HandleAxisPath(msg)) return;

    arcBall.HandleMouse(msg);
    switch (msg.kind) {
        case MessageKind::LButtonDown:
            if (mouse.IsOnlyButton(ButtonLeft)) {
                rotateDrag = 1;
                axisMode = 0;
                arcBall.Reset();
            } else if (panDrag) {
                panDrag = 0;
                StartRoll();
            } else if (!rollDrag) {
                CancelDrags();
            }
            break;
        case MessageKind::LButtonUp:
            if (!rotateDrag) break;
            rememberedAxisMode = 0;
            EndLeftDrag(msg.x == mouse.pressX && msg.y == mouse.pressY);
            break;
        case MessageKind::MButtonDown:
            if (mouse.IsOnlyButton(ButtonMiddle)) {
                zoomDrag = 1;
                arcBall.Reset();
            } else {
                CancelDrags();
            }
            break;
        case MessageKind::MButtonUp:
            if (zoomDrag) {
                zoomDrag = 0;
                zoom += kZoomDragScale * arcBall.translationMatrix(3, 2);
            }
            break;
        case MessageKind::RButtonDown:
            if (rotateDrag) {
                rotateDrag = 0;
                StartRoll();
            } else if (mouse.IsOnlyButton(ButtonRight) && orbitMode) {
                StartRoll();
            } else if (mouse.IsOnlyButton(ButtonRight)) {
                panDrag = 1;
                arcBall.Reset();
                panOffset = {0, 0, 0};
            } else {
                CancelDrags();
            }
            break;
        case MessageKind::RButtonUp:
            if (panDrag) {
                panDrag = 0;
                // Commit the pan as the mouse left it, even if no frame ran since the
                // last move (a stale offset would move the eye by an earlier pan).
                panOffset = CurrentPanOffset();
                eyeBase += panOffset;
            } else if (rollDrag) {
                rollDrag = 0;
                axisMode = rememberedAxisMode;
                const Mat4 r = RollPreview();
                orientation = rollBase * r;
                axesOrientation = axesRollBase * r;
                orientationBeforeSpin = orientation;
            }
            break;
        case MessageKind::MouseWheel:
            zoom += static_cast<float>(msg.wheelDelta) / 120.0f;
            break;
        default:
            break;
    }
}

Vec3 CVelCamera::KeyboardMotion(const CKeyStateTable& keys, float time, float speed,
                                const Mat4& cameraToWorldMatrix) {
    if (keys.DownCount() == 0) return {0, 0, 0};
    // The first held key of each pair wins, arrows before letters.
    auto held = [&keys](int first, int second) {
        return keys.IsDown(first) ? first : keys.IsDown(second) ? second : -1;
    };
    auto ramp = [&](int k) { return keys.HoldRamp(time, k); };

    Vec3 m{0, 0, 0};
    if (int k = held(KeyHome, KeyE); k >= 0)
        m.y = speed * ramp(k);
    else if (int k2 = held(KeyEnd, KeyC); k2 >= 0)
        m.y = -speed * ramp(k2);

    if (int k = held(KeyLeft, KeyA); k >= 0)
        m.x = -speed * ramp(k);
    else if (int k2 = held(KeyRight, KeyD); k2 >= 0)
        m.x = speed * ramp(k2);

    if (int k = held(KeyUp, KeyW); k >= 0) {
        if (orbitMode)
            zoom += speed;
        else
            m.z = speed * ramp(k);
    } else if (int k2 = held(KeyDown, KeyS); k2 >= 0) {
        if (orbitMode)
            zoom -= speed;
        else
            m.z = -speed * ramp(k2);
    }
    return Vec3TransformCoord(m, cameraToWorldMatrix);
}

void CVelCamera::SpinStep(float factor) {
    Vec3 axis;
    float angle = 0.0f;
    QuaternionToAxisAngle(QuaternionRotationMatrix(spinDelta), &axis, &angle);
    if (factor > 0.0f) angle *= factor;
    const Mat4 r = MatrixRotationQuaternion(QuaternionRotationAxis(axis, angle));
    orientationBeforeSpin = orientation;
    // A spin may run for hours; re-orthonormalise so rounding never turns the
    // orientation into a scaling or shearing matrix.
    orientation = Orthonormalized(Turned(orientation, r));
    axesOrientation = Orthonormalized(Turned(axesOrientation, r));
}

bool CVelCamera::Spinning() const {
    if (mouse.IsOnlyButton(ButtonLeft) || rotateDrag || spinStopped) return false;
    if (orbitMode) return autoSpinAround != 0;
    return autoSpinTarget != 0 && !mouse.IsOnlyButton(ButtonMiddle) && !zoomDrag;
}

bool CVelCamera::MovesByItself(const CKeyStateTable& keys) const {
    if (Spinning() && spinDelta != MatrixIdentity()) return true;
    // Free-target zoom is taken into the eye over the next frame.
    if (!orbitMode && zoom != 0.0f) return true;
    if (keys.DownCount() == 0) return false;
    // In orbit mode only the depth keys move the camera (as a zoom).
    for (int k : {KeyUp, KeyW, KeyDown, KeyS})
        if (keys.IsDown(k)) return true;
    if (orbitMode) return false;
    for (int k : {KeyLeft, KeyA, KeyRight, KeyD, KeyHome, KeyE, KeyEnd, KeyC})
        if (keys.IsDown(k)) return true;
    return false;
}

void CVelCamera::FrameMove(CameraDevice* device, float time, const CKeyStateTable& keys) {
    const float dt = time - lastFrameTime;
    lastFrameTime = time;
    const float s = spinDuration != 0.0f ? dt / spinDuration : 0.0f;
    const float speed = kKeySpeed * dt;

    eye = eyeBase;

    if (rollDrag) {
        const Mat4 r = RollPreview();
        orientation = rollBase * r;
        axesOrientation = axesRollBase * r;
    }

    if (rotateDrag) axesDragRotation = arcBall.rotationMatrix;
    const Mat4 rotation = RotationInEffect();
    cameraToWorld = MatrixInverseOrIdentity(rotation);

    // The spin changes orientation after this frame's rotation was taken, so it shows
    // in the next frame.
    if (Spinning())
        SpinStep(kSpinRate * s);
    else
        orientationBeforeSpin = orientation;

    const Vec3 kv = KeyboardMotion(keys, time, speed, cameraToWorld);

    float z = zoom;
    if (zoomDrag && mouse.IsOnlyButton(ButtonMiddle))
        z += kZoomDragScale * arcBall.translationMatrix(3, 2);

    const bool keysHeld = keys.DownCount() > 0;
    ComputeView(device, rotation, z, keysHeld ? &kv : nullptr);
}

}  // namespace camera
