#include "interaction/about.h"

#include <cmath>
#include <numbers>

namespace interaction {

using namespace camera;
using namespace input;
using namespace math;
using namespace model::edit;
using namespace model;

namespace {
constexpr float kPi = std::numbers::pi_v<float>;
}

Mat4 AboutDiscOrientation(const CVelCamera& camera) {
    if (camera.axisMode == 1)
        return camera.axesDragRotation * camera.axesOrientation * camera.cameraToWorld;
    return camera.axesOrientation * camera.axesDragRotation * camera.cameraToWorld;
}

void ToggleAbout(CVelVorlaSystem& system, CVelCamera& camera) {
    if (system.aboutClosing || system.aboutOpening) return;
    if (system.aboutShown) {
        system.aboutAngle = 0;
        system.aboutClosing = 1;
        system.aboutCloseFacing = system.aboutBackFacing;
        return;
    }
    system.aboutCloseFacing = 0;
    system.aboutAngle = kPi / 2;
    system.aboutOpening = 1;
    system.aboutShown = 1;
    // The disc first faces the viewer, then follows the user's rotations.
    camera.axesOrientation = MatrixIdentity();
    camera.axesDragRotation = MatrixIdentity();
}

bool AboutClickTest(CVelVorlaSystem& system, const CVelCamera& camera, const PickMeshes& meshes,
                    int x, int y) {
    if (!system.aboutShown || system.aboutClosing || system.aboutOpening) return false;
    const PickRayResult ray = camera.PickRay(x, y);

    Mat4 o = AboutDiscOrientation(camera);
    Mat4 w = o * MatrixScaling(1.5f, 1.5f, 1.5f) * MatrixTranslation(GizmoCentre(camera));
    const float facing =
        Dot(Vec3TransformCoord({0, 0, 1}, o), Vec3TransformCoord({0, 0, 1}, camera.cameraToWorld));
    if (facing < 0.0f) {
        // The drawing pass turns a back-facing disc round so that its front shows.
        system.aboutCloseFacing = 1;
        o = MatrixRotationY(kPi) * o;
        o = MatrixRotationX(kPi) * o;
        w = MatrixRotationY(kPi) * w;
        w = MatrixRotationX(kPi) * w;
    } else {
        system.aboutCloseFacing = 0;
    }

    MeshHit hit;
    if (!IntersectMesh(meshes.disc, Vec3TransformCoord(ray.origin, MatrixInverseOrIdentity(w)),
                       Vec3TransformCoord(ray.direction, MatrixInverseOrIdentity(o)), &hit))
        return false;
    system.aboutClosing = 1;
    system.aboutAxis =
        Vec3TransformCoord({0, 1, 0}, MatrixRotationZ(std::atan2(hit.point.y, hit.point.x)));
    system.aboutAngle = 0;
    return true;
}

}  // namespace interaction
