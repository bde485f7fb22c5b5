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

void ToggleAbout(ScreenState& screen, CVelCamera& camera) {
    if (screen.aboutClosing || screen.aboutOpening) return;
    if (screen.aboutShown) {
        screen.aboutAngle = 0;
        screen.aboutClosing = 1;
        screen.aboutCloseFacing = screen.aboutBackFacing;
        return;
    }
    screen.aboutCloseFacing = 0;
    screen.aboutAngle = kPi / 2;
    screen.aboutOpening = 1;
    screen.aboutShown = 1;
    // The disc first faces the viewer, then follows the user's rotations.
    camera.axesOrientation = MatrixIdentity();
    camera.axesDragRotation = MatrixIdentity();
}

bool AboutClickTest(ScreenState& screen, const CVelCamera& camera, const PickMeshes& meshes, int x,
                    int y) {
    if (!screen.aboutShown || screen.aboutClosing || screen.aboutOpening) return false;
    const PickRayResult ray = camera.PickRay(x, y);

    Mat4 o = AboutDiscOrientation(camera);
    Mat4 w = o * MatrixScaling(1.5f, 1.5f, 1.5f) * MatrixTranslation(GizmoCentre(camera));
    const float facing =
        Dot(Vec3TransformCoord({0, 0, 1}, o), Vec3TransformCoord({0, 0, 1}, camera.cameraToWorld));
    if (facing < 0.0f) {
        // The drawing pass turns a back-facing disc round so that its front shows.
        screen.aboutCloseFacing = 1;
        o = MatrixRotationY(kPi) * o;
        o = MatrixRotationX(kPi) * o;
        w = MatrixRotationY(kPi) * w;
        w = MatrixRotationX(kPi) * w;
    } else {
        screen.aboutCloseFacing = 0;
    }

    MeshHit hit;
    if (!IntersectMesh(meshes.disc, Vec3TransformCoord(ray.origin, MatrixInverseOrIdentity(w)),
                       Vec3TransformCoord(ray.direction, MatrixInverseOrIdentity(o)), &hit))
        return false;
    screen.aboutClosing = 1;
    screen.aboutAxis =
        Vec3TransformCoord({0, 1, 0}, MatrixRotationZ(std::atan2(hit.point.y, hit.point.x)));
    screen.aboutAngle = 0;
    return true;
}

}  // namespace interaction
