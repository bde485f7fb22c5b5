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

using PickRayResult = vmath::Ray;

class CVelCamera {
  public:
    CVelCamera();

    // --- construction and reset
    void Reset();
    // A new construction: looks from (0, 0, -5) along +z at the origin, orbit mode.
    void ResetForNewConstruction(CameraDevice* device);

    // --- device related (the uploads are skipped without a device)
    void SetViewport(CameraDevice* device, int width, int height);
    void SetupLights(CameraDevice* device);
    void RestoreDevice(CameraDevice* device);
    // Recomputes the view from the stored orientation and zoom and uploads it.
    void Apply(CameraDevice* device);

    // --- placement
    void SetPlacement(const vmath::Vec3& eyePoint, const vmath::Vec3& targetPoint);
    void PlaceAndApply(CameraDevice* device, const vmath::Vec3& eyePoint,
                       const vmath::Vec3& targetPoint);
    // Keeps the eye, turns towards the new target.
    void RetargetAndApply(CameraDevice* device, const vmath::Vec3& targetPoint);
    // Turns towards the new target; in orbit mode the eye moves to baseDistance from it.
    void Retarget(CameraDevice* device, const vmath::Vec3& targetPoint);
    void CommitZoom();
    void StopMotion();
    void ToggleOrbitMode();
    void ToggleAutoSpin();
    // Ray through client pixel (x, y) of the view, in world space.
    PickRayResult PickRay(int x, int y) const;
    // Projection, view and the viewport of the view's size, for picking.
    vmath::ViewSetup Setup() const;

    // --- controls
    // The mouse tracker must already have seen the message.
    void OnMouse(const InputMessage& msg);
    // Per-frame update: roll/drag previews, spin, keys, view and headlights.
    void FrameMove(CameraDevice* device, float time, const CKeyStateTable& keys);
    // World-space motion of the held keys; in orbit mode depth keys change zoom instead.
    vmath::Vec3 KeyboardMotion(const CKeyStateTable& keys, float time, float speed,
                               const vmath::Mat4& cameraToWorldMatrix);
    void SpinStep(float factor);
    void CancelDrags();

    // The rotation a frame shows: orientation with a left drag in progress applied.
    vmath::Mat4 RotationInEffect() const;

    // --- state, in the order the camera has always declared it
    CArcBallControl arcBall;
    CMouseButtonTracker mouse;
    int spinStopped = 1;
    int rotateDrag = 0, zoomDrag = 0, rollDrag = 0, panDrag = 0;
    int viewportWidth = 0, viewportHeight = 0;
    float aspect = 0.0f;
    float spinDuration = 0.0f;
    float lastFrameTime = 0.0f;
    float fieldOfView = 0.0f;
    vmath::Mat4 view;
    vmath::Mat4 projection;
    vmath::Mat4 cameraToWorld;
    vmath::Mat4 orientationBeforeSpin;
    vmath::Mat4 spinDelta;
    vmath::Mat4 rollBase;
    vmath::Vec3 referencePoint;
    vmath::Vec3 upReference;
    vmath::Vec3 eyeBase;
    vmath::Vec3 lookAt;
    vmath::Vec3 up;
    vmath::Vec3 eye;
    vmath::Vec3 panOffset;
    vmath::Vec3 light0Direction;
    vmath::Vec3 light1Direction;
    CameraLight light0;
    CameraLight light1;
    int axisMode = 0;
    vmath::Mat4 axisFrameInverse;
    vmath::Mat4 axesOrientation;
    vmath::Mat4 axesRollBase;
    vmath::Mat4 axesDragRotation;
    int orbitMode = 1;
    float zoom = 0.0f;
    float baseDistance = 5.0f;
    vmath::Vec3 target;
    vmath::Mat4 orientation;
    float distanceOffset = 0.0f;
    vmath::Vec3 rotationAxis;
    int autoSpinTarget = 0;
    int autoSpinAround = 0;

    // Gesture bookkeeping shared by the axis-ring path and the roll.
    int rememberedAxisMode = 0;
    float startAngle = 0.0f;

  private:
    // The view computation shared by Apply and FrameMove. keyMotion (free mode only) is
    // added to eyeBase when keys are held; Apply passes none.
    void ComputeView(CameraDevice* device, const vmath::Mat4& rotation, float z,
                     const vmath::Vec3* keyMotion);
    // World offset of the pan drag in progress.
    vmath::Vec3 CurrentPanOffset() const;
    void UploadView(CameraDevice* device) const;
    void UploadLights(CameraDevice* device) const;
    void StartRoll();
    vmath::Mat4 RollPreview() const;
    bool HandleAxisPath(const InputMessage& msg);
};

// Point 4.5 units in front of the eye on the line of sight, where the ring gizmos and the
// about disc sit.
vmath::Vec3 GizmoCentre(const CVelCamera& camera);
