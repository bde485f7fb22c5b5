#include "interaction/camera_aim.h"

#include <cmath>
#include <numbers>

#include "model/edit/picking.h"
#include "model/placement.h"

using namespace model::edit;
using namespace model;

namespace interaction {

using namespace camera;
using namespace input;
using namespace math;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Runs `step` with the camera in orbit mode, switching a free-target camera there and
// back around it.
template <class Step>
void InOrbitMode(CVelCamera& camera, CameraDevice* device, Step&& step) {
    const bool switched = camera.orbitMode == 0;
    if (switched) {
        camera.ToggleOrbitMode();
        camera.Apply(device);
    }
    step();
    if (switched) {
        camera.Apply(device);
        camera.ToggleOrbitMode();
    }
}

// The camera's orientation (world directions into camera space) for a camera looking
// along `forward` with `up` as near to its up as it can be.
Mat4 OrientationLooking(const Vec3& forward, const Vec3& up) {
    Mat4 o = MatrixLookAtLH({0, 0, 0}, forward, up);
    o.m[3][0] = o.m[3][1] = o.m[3][2] = 0.0f;
    return o;
}

// Half-way between the centre of the block centres' bounding box and their mean: where
// "Центр" aims.
Vec3 AimPoint(const CentreSummary& s) {
    const Vec3 boxCentre = s.min + (s.max - s.min) / 2.0f;
    const Vec3 mean = s.sum / static_cast<float>(s.count);
    return boxCentre + (mean - boxCentre) / 2.0f;
}

void Orient(CVelCamera& camera, const Mat4& orientation) {
    camera.orientation = orientation;
    camera.orientationBeforeSpin = orientation;
    camera.upReference = {0, 1, 0};
}

}  // namespace

bool ChooseCentreAt(CVelVorlaSystem& system, CVelCamera& camera, const PickMeshes& meshes,
                    CameraDevice* device, int x, int y) {
    PickNearest(system, camera.Setup(), meshes, camera.PickRay(x, y));
    if (!system.pickHit) return false;
    camera.RetargetAndApply(device, Vec3TransformCoord({0, 0, 0}, system.pickedWorld));
    return true;
}

void FindNearestBlock(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device) {
    const Vec3 centre = NearestCentre(system.model.topBlocks, camera.eye);
    InOrbitMode(camera, device, [&] { camera.Retarget(device, centre); });
}

void CentreTarget(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device) {
    const CentreSummary s = GatherCentres(system.model.topBlocks);
    if (s.count == 0) return;  // no block: no centre to aim at
    camera.RetargetAndApply(device, AimPoint(s));
}

void CentreView(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device) {
    if (GatherCentres(system.model.topBlocks).count == 0) return;
    InOrbitMode(camera, device, [&] {
        CentreTarget(system, camera, device);
        const float farthest = FarthestDistance(system.model.topBlocks, camera.target);
        camera.distanceOffset = -(farthest * 2.8f);
    });
}

void ShowStandardView(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device,
                      StandardView which) {
    struct Look {
        Vec3 forward, up;
    };
    const float iso = 1.0f / std::sqrt(3.0f);
    static_assert(static_cast<int>(StandardView::Isometric) == 6);
    const Look looks[] = {
        {{0, 0, 1}, {0, 1, 0}},          // front
        {{0, 0, -1}, {0, 1, 0}},         // back
        {{1, 0, 0}, {0, 1, 0}},          // left: from -x
        {{-1, 0, 0}, {0, 1, 0}},         // right: from +x
        {{0, -1, 0}, {0, 0, 1}},         // top
        {{0, 1, 0}, {0, 0, -1}},         // bottom
        {{-iso, -iso, iso}, {0, 1, 0}},  // from the front, right and above
    };
    const Look& look = looks[static_cast<int>(which)];
    const CentreSummary s = GatherCentres(system.model.topBlocks);
    camera.CancelDrags();
    InOrbitMode(camera, device, [&] {
        Orient(camera, OrientationLooking(look.forward, look.up));
        camera.zoom = 0.0f;
        if (s.count > 0) {
            // Where "Центр" aims, and from as far.
            camera.target = AimPoint(s);
            camera.referencePoint = camera.target - Vec3{0, 0, camera.baseDistance};
            camera.distanceOffset =
                -(FarthestDistance(system.model.topBlocks, camera.target) * 2.8f);
        }
        camera.Apply(device);
    });
}

bool LevelHorizon(CVelCamera& camera, CameraDevice* device) {
    const Vec3 forward =
        Normalize(Vec3TransformCoord({0, 0, 1}, MatrixInverseOrIdentity(camera.orientation)));
    // Straight up or down there is no horizon to level.
    if (std::fabs(forward.y) > 0.9999f) return false;
    Orient(camera, OrientationLooking(forward, {0, 1, 0}));
    camera.Apply(device);
    return true;
}

bool PickAxisRing(const CVelVorlaSystem& system, CVelCamera& camera, const PickMeshes& meshes,
                  int x, int y) {
    if (!system.showAxes) {
        camera.axisMode = 0;
        return false;
    }
    const PickRayResult ray = camera.PickRay(x, y);
    const Vec3 o = ray.origin - GizmoCentre(camera);
    const Vec3 v = ray.direction;

    // Rings about Z, Y and X in that order; a later ring wins only when strictly nearer.
    const Mat4 ringTurn[3] = {MatrixIdentity(), MatrixRotationX(kPi / 2), MatrixRotationY(kPi / 2)};
    const Vec3 ringAxis[3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    int taken = -1;
    float best = 0;
    Vec3 grab;
    for (int i = 0; i < 3; ++i) {
        MeshHit hit;
        if (!IntersectMesh(meshes.ring, Vec3TransformCoord(o, ringTurn[i]),
                           Vec3TransformCoord(v, ringTurn[i]), &hit))
            continue;
        if (taken < 0 || hit.distance < best) {
            taken = i;
            best = hit.distance;
            grab = hit.point;
        }
    }

    Mat4 frame;
    if (taken >= 0) {
        camera.rotationAxis = ringAxis[taken];
        const float a = std::atan2(grab.y, grab.x);
        if (taken == 2) {
            frame = MatrixRotationAxis({0, 1, 0}, -kPi / 2) *
                    MatrixRotationAxis(camera.rotationAxis, -a);
        } else if (taken == 1) {
            frame =
                MatrixRotationAxis({1, 0, 0}, kPi / 2) * MatrixRotationAxis(camera.rotationAxis, a);
        } else {
            frame = MatrixRotationAxis({1, 0, 0}, kPi) * MatrixRotationAxis(camera.rotationAxis, a);
        }
    } else {
        // The larger ring that always faces the viewer.
        const Mat4 s = MatrixScaling(1.2f, 1.2f, 1.2f) * camera.cameraToWorld;
        MeshHit hit;
        if (!IntersectMesh(meshes.ring, Vec3TransformCoord(o, MatrixInverseOrIdentity(s)),
                           Vec3TransformCoord(v, MatrixInverseOrIdentity(camera.cameraToWorld)),
                           &hit)) {
            camera.axisMode = 0;
            return false;
        }
        camera.rotationAxis = Vec3TransformCoord({0, 0, 1}, camera.cameraToWorld);
        frame = MatrixRotationAxis({1, 0, 0}, kPi) * camera.cameraToWorld *
                MatrixRotationAxis(camera.rotationAxis, std::atan2(hit.point.y, hit.point.x));
    }
    camera.axisMode = 1;
    camera.axisFrameInverse = MatrixInverseOrIdentity(frame);
    return true;
}

}  // namespace interaction
