#pragma once
// The viewer's camera: orbit or free-target steering, the view and projection it
// produces, the two headlights, mouse gestures, keyboard motion and automatic rotation.
// All state changes work without a graphics device; only the uploads need one.
#include "camera/arcball.h"
#include "camera/camera_device.h"
#include "input/input_message.h"
#include "input/input_state.h"
#include "math/matrix.h"
#include "math/vector.h"

namespace camera {

using PickRayResult = math::Ray;

class CVelCamera {
  public:
    CVelCamera();

    // --- construction and reset
    void Reset();
    // A new construction: looks from (0, 0, -5) along +z at the origin, orbit mode.
    void ResetForNewConstruction(CameraDevice* device);

    // --- device related (the uploads are skipped without a device)
    void SetViewport(CameraDevice* device, int width, int height);
    // Moves the far clipping plane (never nearer than the usual 1000) and uploads the
    // projection when it changed; the renderer widens it while a large construction
    // reaches beyond.
    void SetFarPlane(CameraDevice* device, float distance);
    void SetupLights(CameraDevice* device);
    void RestoreDevice(CameraDevice* device);
    // Recomputes the view from the stored orientation and zoom and uploads it.
    void Apply(CameraDevice* device);

    // --- placement
    void SetPlacement(const math::Vec3& eyePoint, const math::Vec3& targetPoint);
    void PlaceAndApply(CameraDevice* device, const math::Vec3& eyePoint,
                       const math::Vec3& targetPoint);
    // Keeps the eye, turns towards the new target.
    void RetargetAndApply(CameraDevice* device, const math::Vec3& targetPoint);
    // Turns towards the new target; in orbit mode the eye moves to baseDistance from it.
    void Retarget(CameraDevice* device, const math::Vec3& targetPoint);
    void CommitZoom();
    void StopMotion();
    void ToggleOrbitMode();
    void ToggleAutoSpin();
    // Ray through client pixel (x, y) of the view, in world space.
    PickRayResult PickRay(int x, int y) const;
    // Projection, view and the viewport of the view's size, for picking.
    math::ViewSetup Setup() const;

    // --- controls
    // The mouse tracker must already have seen the message.
    void OnMouse(const input::InputMessage& msg);
    // Per-frame update: roll/drag previews, spin, keys, view and headlights.
    void FrameMove(CameraDevice* device, float time, const input::CKeyStateTable& keys);
    // True when the next FrameMove changes the view without any new input: a spin
    // turning, keys steering, a free-target zoom still to be taken in.
    bool MovesByItself(const input::CKeyStateTable& keys) const;
    // World-space motion of the held keys; in orbit mode depth keys change zoom instead.
    math::Vec3 KeyboardMotion(const input::CKeyStateTable& keys, float time, float speed,
                              const math::Mat4& cameraToWorldMatrix);
    void SpinStep(float factor);
    void CancelDrags();

    // The rotation a frame shows: orientation with a left drag in progress applied.
    math::Mat4 RotationInEffect() const;

    // --- state, in the order the camera has always declared it
    CArcBallControl arcBall;
    input::CMouseButtonTracker mouse;
    int spinStopped = 1;
    int rotateDrag = 0, zoomDrag = 0, rollDrag = 0, panDrag = 0;
    int viewportWidth = 0, viewportHeight = 0;
    float aspect = 0.0f;
    float spinDuration = 0.0f;
    float lastFrameTime = 0.0f;
    float fieldOfView = 0.0f;
    math::Mat4 view;
    math::Mat4 projection;
    math::Mat4 cameraToWorld;
    math::Mat4 orientationBeforeSpin;
    math::Mat4 spinDelta;
    math::Mat4 rollBase;
    math::Vec3 referencePoint;
    math::Vec3 upReference;
    math::Vec3 eyeBase;
    math::Vec3 lookAt;
    math::Vec3 up;
    math::Vec3 eye;
    math::Vec3 panOffset;
    math::Vec3 light0Direction;
    math::Vec3 light1Direction;
    CameraLight light0;
    CameraLight light1;
    int axisMode = 0;
    math::Mat4 axisFrameInverse;
    math::Mat4 axesOrientation;
    math::Mat4 axesRollBase;
    math::Mat4 axesDragRotation;
    int orbitMode = 1;
    float zoom = 0.0f;
    float baseDistance = 5.0f;
    math::Vec3 target;
    math::Mat4 orientation;
    float distanceOffset = 0.0f;
    math::Vec3 rotationAxis;
    int autoSpinTarget = 0;
    int autoSpinAround = 0;

    float farPlane = 1000.0f;  // of the projection

    // Gesture bookkeeping shared by the axis-ring path and the roll.
    int rememberedAxisMode = 0;
    float startAngle = 0.0f;

  private:
    // Whether FrameMove applies a spin step (automatic rotation after a fling).
    bool Spinning() const;
    // The view computation shared by Apply and FrameMove. keyMotion (free mode only) is
    // added to eyeBase when keys are held; Apply passes none.
    void ComputeView(CameraDevice* device, const math::Mat4& rotation, float z,
                     const math::Vec3* keyMotion);
    // World offset of the pan drag in progress.
    math::Vec3 CurrentPanOffset() const;
    void UploadView(CameraDevice* device) const;
    void UploadLights(CameraDevice* device) const;
    void StartRoll();
    math::Mat4 RollPreview() const;
    bool HandleAxisPath(const input::InputMessage& msg);
    // `m` turned by `r` the way the current mode turns the view.
    math::Mat4 Turned(const math::Mat4& m, const math::Mat4& r) const;
    // The release of a left drag (both the free and the axis-ring path): a fling starts a
    // spin, a click without motion (`unmoved`) stops one.
    void EndLeftDrag(bool unmoved);
};

// Point 4.5 units in front of the eye on the line of sight, where the ring gizmos and the
// about disc sit.
math::Vec3 GizmoCentre(const CVelCamera& camera);

}  // namespace camera
