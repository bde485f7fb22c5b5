// Camera state, placement and the view computation shared by Apply and FrameMove.
#include "camera/camera.h"

#include <cmath>
#include <numbers>
#include <optional>

namespace camera {

using namespace input;
using namespace math;

namespace {

constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;
constexpr float kLightRange = 1000.0f;

CameraLight MakeLight(const CameraColor& diffuse, const CameraColor& specular,
                      const CameraColor& ambient, const Vec3& direction) {
    CameraLight l;
    l.diffuse = diffuse;
    l.specular = specular;
    l.ambient = ambient;
    l.position = direction;
    l.direction = direction;
    l.range = kLightRange;
    return l;
}

bool IsFinite(const Mat4& m) {
    for (const auto& row : m.m)
        for (float v : row)
            if (!std::isfinite(v)) return false;
    return true;
}

// The view from eye to at, or nothing when the direction is undefined (eye on the look
// point, or looking straight along up); callers then keep the previous view.
std::optional<Mat4> LookAt(const Vec3& eye, const Vec3& at, const Vec3& up) {
    const Vec3 dir = at - eye;
    if (!(LengthSq(dir) > 0.0f)) return std::nullopt;
    if (!(LengthSq(Cross(Normalize(dir), Normalize(up))) > 1e-12f)) return std::nullopt;
    Mat4 v = MatrixLookAtLH(eye, at, up);
    if (!IsFinite(v)) return std::nullopt;
    return v;
}

}  // namespace

CVelCamera::CVelCamera() {
    fieldOfView = std::numbers::pi_v<float> / 4.0f;
    // Matrices start as identity and vectors as zero by their own initialisers.
    Reset();
}

void CVelCamera::Reset() {
    lastFrameTime = 0.0f;
    autoSpinTarget = 0;
    autoSpinAround = 0;
    zoom = 0.0f;
    distanceOffset = 0.0f;
    axisMode = 0;
    rotateDrag = zoomDrag = rollDrag = panDrag = 0;
    orbitMode = 1;
    spinStopped = 1;
    orientation = MatrixIdentity();
    // Kept equal to orientation so that a StopMotion before the first frame restores
    // this orientation and not one left over from an earlier construction.
    orientationBeforeSpin = MatrixIdentity();
    spinDelta = MatrixIdentity();
    rollBase = MatrixIdentity();
    axesOrientation = MatrixIdentity();
    axesDragRotation = MatrixIdentity();
    rotationAxis = {0, 0, 0};
    light0Direction = {-1, -1, 2};
    light1Direction = {1, 1, -2};
    light0 = MakeLight({0.7f, 0.7f, 0.7f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0.1f, 0.1f, 0.1f, 1},
                       light0Direction);
    light1 = MakeLight({0.1f, 0.1f, 0.1f, 1}, {0.1f, 0.1f, 0.1f, 1}, {0.1f, 0.1f, 0.1f, 1},
                       light1Direction);
}

void CVelCamera::ResetForNewConstruction(CameraDevice* device) {
    Reset();
    SetPlacement({0, 0, -5}, {0, 0, 0});
    orientation = MatrixIdentity();
    orientationBeforeSpin = orientation;
    eyeBase = referencePoint;
    lookAt = {0, 0, baseDistance + referencePoint.z};
    up = upReference;
    mouse.ReleaseAll();
    SetupLights(device);
}

void CVelCamera::SetViewport(CameraDevice* device, int width, int height) {
    if (width <= 0 || height <= 0) return;
    viewportWidth = width;
    viewportHeight = height;
    aspect = static_cast<float>(width) / static_cast<float>(height);
    projection = MatrixPerspectiveFovLH(fieldOfView, aspect, kNearPlane, farPlane);
    if (device) device->SetProjectionTransform(projection);
}

void CVelCamera::SetFarPlane(CameraDevice* device, float distance) {
    if (!(distance >= kFarPlane)) distance = kFarPlane;
    if (distance == farPlane) return;
    farPlane = distance;
    if (viewportWidth <= 0 || viewportHeight <= 0) return;
    projection = MatrixPerspectiveFovLH(fieldOfView, aspect, kNearPlane, farPlane);
    if (device) device->SetProjectionTransform(projection);
}

void CVelCamera::SetupLights(CameraDevice* device) {
    light0.direction = light0Direction;
    light1.direction = light1Direction;
    if (!device) return;
    device->SetLight(0, light0);
    device->SetLight(1, light1);
    device->LightEnable(0, true);
    device->LightEnable(1, true);
    device->SetLightingEnabled(true);
}

void CVelCamera::RestoreDevice(CameraDevice* device) {
    if (!device) return;
    SetupLights(device);
    device->SetViewTransform(view);
    device->SetProjectionTransform(projection);
}

void CVelCamera::Apply(CameraDevice* device) {
    orientationBeforeSpin = orientation;
    ComputeView(device, orientation, zoom, nullptr);
}

void CVelCamera::SetPlacement(const Vec3& eyePoint, const Vec3& targetPoint) {
    referencePoint = eyePoint;
    target = targetPoint;
    upReference = {0, 1, 0};
    Vec3 a = eye - lookAt;
    Vec3 b = eyePoint - targetPoint;
    distanceOffset = 5.0f - Length(b);
    baseDistance = 5.0f;
    Quat q = AxisToAxis(a, b);
    orientation = MatrixInverseOrIdentity(MatrixRotationQuaternion(q)) * orientation;
    // A StopMotion after a placement must not undo it.
    orientationBeforeSpin = orientation;
    referencePoint = targetPoint - Vec3{0, 0, baseDistance};
}

void CVelCamera::PlaceAndApply(CameraDevice* device, const Vec3& eyePoint,
                               const Vec3& targetPoint) {
    distanceOffset = 0.0f;
    zoom = 0.0f;
    SetPlacement(eyePoint, targetPoint);
    if (auto v = LookAt(eyePoint, targetPoint, up)) view = *v;
    UploadView(device);
}

void CVelCamera::RetargetAndApply(CameraDevice* device, const Vec3& targetPoint) {
    PlaceAndApply(device, eye, targetPoint);
}

void CVelCamera::Retarget(CameraDevice* /*device*/, const Vec3& targetPoint) {
    SetPlacement(eye, targetPoint);
    distanceOffset = 0.0f;
    zoom = 0.0f;
}

void CVelCamera::CommitZoom() {
    eyeBase = eye;
    distanceOffset = baseDistance - Length(eye - target);
    zoom = 0.0f;
}

void CVelCamera::StopMotion() {
    spinStopped = 1;
    axisMode = 0;
    orientation = orientationBeforeSpin;
    spinDelta = MatrixIdentity();
}

void CVelCamera::ToggleOrbitMode() {
    CommitZoom();
    orbitMode = orbitMode ? 0 : 1;
    StopMotion();
}

void CVelCamera::ToggleAutoSpin() {
    if (orbitMode)
        autoSpinAround = autoSpinAround ? 0 : 1;
    else
        autoSpinTarget = autoSpinTarget ? 0 : 1;
}

PickRayResult CVelCamera::PickRay(int x, int y) const {
    // Before the first viewport every pixel counts as the centre (no division by zero).
    float px = 0.0f, py = 0.0f;
    if (viewportWidth > 0 && viewportHeight > 0) {
        px = (2.0f * static_cast<float>(x) / static_cast<float>(viewportWidth) - 1.0f) /
             projection(0, 0);
        py = -(2.0f * static_cast<float>(y) / static_cast<float>(viewportHeight) - 1.0f) /
             projection(1, 1);
    }
    Mat4 m = MatrixInverseOrIdentity(view);
    PickRayResult r;
    r.direction = {px * m(0, 0) + py * m(1, 0) + m(2, 0), px * m(0, 1) + py * m(1, 1) + m(2, 1),
                   px * m(0, 2) + py * m(1, 2) + m(2, 2)};
    r.origin = {m(3, 0), m(3, 1), m(3, 2)};
    return r;
}

ViewSetup CVelCamera::Setup() const {
    ViewSetup s;
    s.projection = projection;
    s.view = view;
    s.viewport.width = viewportWidth;
    s.viewport.height = viewportHeight;
    return s;
}

Vec3 GizmoCentre(const CVelCamera& camera) {
    return camera.eye + Vec3TransformCoord({0, 0, 4.5f}, camera.cameraToWorld);
}

Vec3 CVelCamera::CurrentPanOffset() const {
    Mat4 p = arcBall.translationMatrix;
    p(3, 0) *= 5.0f;
    p(3, 1) *= 5.0f;
    p = p * cameraToWorld;
    return Vec3TransformCoord({0, 0, 0}, p);
}

void CVelCamera::ComputeView(CameraDevice* device, const Mat4& rotation, float z,
                             const Vec3* keyMotion) {
    cameraToWorld = MatrixInverseOrIdentity(rotation);
    up = upReference;
    const Vec3 o = Vec3TransformCoord({0, 0, z}, cameraToWorld);
    if (orbitMode) {
        eyeBase = target + Vec3TransformCoord({0, 0, distanceOffset - baseDistance}, cameraToWorld);
        lookAt = target + Vec3TransformCoord({0, 0, distanceOffset}, cameraToWorld) + o;
        eye = eyeBase + o;
    } else {
        const Vec3 l =
            Vec3TransformCoord(target - referencePoint - Vec3{0, 0, distanceOffset}, cameraToWorld);
        if (keyMotion) eyeBase += *keyMotion;
        eye = eyeBase + o;
        if (panDrag && mouse.IsOnlyButton(ButtonRight)) {
            panOffset = CurrentPanOffset();
            eye += panOffset;
        }
        lookAt = eye + l;
        if (zoom != 0.0f) CommitZoom();
    }
    up = Vec3TransformCoord(up, cameraToWorld);

    if (auto v = LookAt(eye, lookAt, up)) view = *v;
    UploadView(device);

    light0.direction = Vec3TransformCoord(light0Direction, cameraToWorld);
    light1.direction = Vec3TransformCoord(light1Direction, cameraToWorld);
    UploadLights(device);
}

void CVelCamera::UploadView(CameraDevice* device) const {
    if (device) device->SetViewTransform(view);
}

void CVelCamera::UploadLights(CameraDevice* device) const {
    if (!device) return;
    device->SetLight(0, light0);
    device->SetLight(1, light1);
}

}  // namespace camera
