#include "model/edit/twisting.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace model::edit {

using namespace input;
using namespace math;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDegPerRad = 180.0f / kPi;

}  // namespace

float SnapTwistDelta(float delta, bool ctrl, bool shift) {
    const int step = ctrl && shift ? 10 : ctrl ? 2 : shift ? 5 : 0;
    if (step == 0) return delta;
    const float degrees = delta * kDegPerRad;
    // Out-of-range drags cannot happen (a drag turns at most a few half-turns); clamp so
    // the conversion to int is always defined.
    const int d = static_cast<int>(std::clamp(degrees, -1.0e6f, 1.0e6f));
    return static_cast<float>((d / step) * step) / kDegPerRad;
}

float SnapTwistBase(float angle) {
    const float u = angle * kDegPerRad;
    const float v = std::floor(u);
    if (v == u) return angle;
    return (u - v > 0.5f ? v + 1.0f : v) / kDegPerRad;
}

void SelectTwistBlock(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                      const Ray& ray) {
    PickPrecise(system, view, meshes, ray);
    if (!system.pickHit) return;
    system.twistSelected = 1;
    UpdateTwistFrame(system);
}

void UpdateTwistFrame(CVelVorlaSystem& system) {
    if (system.twistSelected != 1 || !system.pickedBlock) return;
    const BlockNode& block = *system.pickedBlock;
    if (block.parent) {
        system.twistFrame =
            MatrixRotationQuaternion(AxisToAxis({0, 0, 1}, block.axis)) * system.pickedRotation;
    } else {
        // The ring's +Z onto the block's +Y, which the block's own transform turned onto
        // its axis.
        system.twistFrame = MatrixRotationX(-kPi / 2) * system.pickedRotation;
    }
    system.twistDrag = MatrixIdentity();
}

void BeginTwist(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                const Ray& ray, const Vec3& ringCentre) {
    const Mat4 toRing = MatrixInverseOrIdentity(system.twistFrame) * system.twistDrag;
    const Vec3 o = Vec3TransformCoord(ray.origin - ringCentre, toRing);
    const Vec3 v = Vec3TransformCoord(ray.direction, toRing);

    Vec3 grab;
    MeshHit ring;
    if (system.twistSelected == 1 && system.pickedBlock &&
        IntersectMesh(meshes.ring, o, v, &ring)) {
        grab = ring.point;
    } else {
        SelectTwistBlock(system, view, meshes, ray);
        if (!system.pickHit || system.twistSelected != 1) {
            system.twistDragging = 0;
            return;
        }
        grab = Vec3TransformCoord(Vec3TransformCoord(system.hitPoint, system.pickedRotation),
                                  MatrixInverseOrIdentity(system.twistFrame));
    }
    system.twistAxis = {0, 0, 1};
    system.twistStartPoint = grab;
    system.twistStartAngle = std::atan2(grab.y, grab.x);
    const Mat4 r = MatrixRotationAxis({1, 0, 0}, kPi) *
                   MatrixRotationAxis(system.twistAxis, system.twistStartAngle);
    system.twistStartInverse = MatrixInverseOrIdentity(r);
    system.twistDragging = 1;
}

void TwistMouse(CVelVorlaSystem& system, const CMouseButtonTracker& mouse, const InputMessage& msg,
                int x, int y, int width, int height, const Mat4& orientation) {
    const bool press = msg.kind == MessageKind::LButtonDown;
    if (!press && msg.kind != MessageKind::MouseMove) return;
    if (!mouse.IsDown(ButtonLeft) || system.twistDragging != 1 || !system.pickedBlock) return;
    const float g = static_cast<float>(std::min(width, height)) * 0.5f;
    if (g <= 0.0f) return;  // no view to measure the drag in

    Vec3 s{-static_cast<float>(x) / g, static_cast<float>(y) / g, 0};
    s = Vec3TransformCoord(s, MatrixInverseOrIdentity(orientation));
    s = Vec3TransformCoord(s, MatrixInverseOrIdentity(system.twistFrame));
    const BlockNode& block = *system.pickedBlock;
    const bool ctrl = system.keys.IsDown(KeyCtrl);
    const bool shift = system.keys.IsDown(KeyShift);

    if (press) {
        s = Vec3TransformCoord(Vec3TransformCoord(s, system.twistDrag), system.twistStartInverse);
        system.twistDragStart = system.twistDrag;
        system.twistGrab = s.y * kPi;
        system.twistBaseAngle = ctrl || shift ? SnapTwistBase(block.angle) : block.angle;
        return;
    }
    s = Vec3TransformCoord(Vec3TransformCoord(s, system.twistDragStart), system.twistStartInverse);
    const float delta = SnapTwistDelta(s.y * kPi - system.twistGrab, ctrl, shift);
    float angle = system.twistBaseAngle + delta;
    if (angle < -2 * kPi) {
        angle += 2 * kPi;
    } else if (angle > 2 * kPi) {
        angle -= 2 * kPi;
    }
    // The angle is in the file: every turn is a change to the document.
    if (block.angle != angle) system.document.Twist(block, block.axis, angle);
    system.twistDrag = system.twistDragStart * MatrixRotationZ(delta);
}

void CancelTwist(CVelVorlaSystem& system) {
    if (system.twistSelected != 1 || !system.pickedBlock) return;
    const BlockNode& block = *system.pickedBlock;
    const Vec3 axis = block.parent ? Abs(block.offset) : Vec3{0, 1, 0};
    // Untwisting an untwisted block changes nothing: no step, nothing to save.
    if (block.angle != 0 || block.axis != axis)
        system.document.Twist(block, axis, 0, /*ownStep=*/true);
    FollowTwistSelection(system);
}

void FollowTwistSelection(CVelVorlaSystem& system) {
    if (system.twistSelected != 1 || !system.pickedBlock) return;
    // The selection may outlive a later press that missed (pickHit 0); the ring must still
    // follow the block, so its matrices are refreshed whatever that press found.
    const int32_t hit = system.pickHit;
    system.pickHit = 1;
    system.RefreshPickedMatrices();
    system.pickHit = hit;
    UpdateTwistFrame(system);
}

}  // namespace model::edit
