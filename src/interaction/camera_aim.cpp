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
    const Vec3 boxCentre = s.min + (s.max - s.min) / 2.0f;
    const Vec3 mean = s.sum / static_cast<float>(s.count);
    camera.RetargetAndApply(device, boxCentre + (mean - boxCentre) / 2.0f);
}

void CentreView(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device) {
    if (GatherCentres(system.model.topBlocks).count == 0) return;
    InOrbitMode(camera, device, [&] {
        CentreTarget(system, camera, device);
        const float farthest = FarthestDistance(system.model.topBlocks, camera.target);
        camera.distanceOffset = -(farthest * 2.8f);
    });
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
