#include <gtest/gtest.h>

#include <numbers>

#include "camera/camera_rig.h"

using namespace camera;

using namespace input;
using namespace math;

namespace {

constexpr float kTol = 1e-4f;

TEST(CameraModel, NewConstructionLooksFromMinusFiveAtTheOriginWithHeadlights) {
    for (bool withDevice : {true, false}) {
        SCOPED_TRACE(withDevice);
        CVelCamera cam;
        RecordingCameraDevice dev;
        CameraDevice* device = withDevice ? &dev : nullptr;
        cam.ResetForNewConstruction(device);
        cam.Apply(device);

        EXPECT_EQ(cam.eye, Vec3(0, 0, -5));
        EXPECT_EQ(cam.eyeBase, Vec3(0, 0, -5));
        EXPECT_EQ(cam.referencePoint, Vec3(0, 0, -5));
        EXPECT_EQ(cam.target, Vec3(0, 0, 0));
        EXPECT_EQ(cam.lookAt, Vec3(0, 0, 0));
        EXPECT_EQ(cam.up, Vec3(0, 1, 0));
        EXPECT_EQ(cam.upReference, Vec3(0, 1, 0));
        EXPECT_EQ(cam.orbitMode, 1);
        EXPECT_EQ(cam.spinStopped, 1);
        EXPECT_EQ(cam.autoSpinAround, 0);
        EXPECT_EQ(cam.autoSpinTarget, 0);
        EXPECT_EQ(cam.baseDistance, 5.0f);
        EXPECT_EQ(cam.distanceOffset, 0.0f);
        EXPECT_EQ(cam.zoom, 0.0f);
        EXPECT_FLOAT_EQ(cam.fieldOfView, 0.7853982f);
        EXPECT_EQ(cam.orientation, MatrixIdentity());
        EXPECT_EQ(cam.panOffset, Vec3(0, 0, 0));
        EXPECT_EQ(cam.light0Direction, Vec3(-1, -1, 2));
        EXPECT_EQ(cam.light1Direction, Vec3(1, 1, -2));
        EXPECT_EQ(cam.light0.direction, Vec3(-1, -1, 2));
        // Looking along +z from (0, 0, -5): the view is a translation by +5.
        EXPECT_MAT_NEAR(cam.view, MatrixTranslation(0, 0, 5), kTol);
        EXPECT_EQ(cam.mouse.DownCount(), 0);
    }

    CameraRig rig;
    RecordingCameraDevice& d = rig.device;
    ASSERT_TRUE(d.viewSet.has_value());
    EXPECT_MAT_NEAR(*d.viewSet, MatrixTranslation(0, 0, 5), kTol);
    ASSERT_TRUE(d.lights[0] && d.lights[1]);
    const CameraLight& l0 = *d.lights[0];
    const CameraLight& l1 = *d.lights[1];
    EXPECT_EQ(l0.direction, Vec3(-1, -1, 2));
    EXPECT_EQ(l0.position, Vec3(-1, -1, 2));
    EXPECT_FLOAT_EQ(l0.diffuse.r, 0.7f);
    EXPECT_FLOAT_EQ(l0.specular.g, 0.8f);
    EXPECT_FLOAT_EQ(l0.ambient.b, 0.1f);
    EXPECT_FLOAT_EQ(l0.diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(l0.range, 1000.0f);
    EXPECT_EQ(l1.direction, Vec3(1, 1, -2));
    EXPECT_FLOAT_EQ(l1.diffuse.r, 0.1f);
    EXPECT_FLOAT_EQ(l1.specular.r, 0.1f);
    EXPECT_TRUE(d.lightEnabled[0] && d.lightEnabled[1] && d.lighting);
}

TEST(CameraModel, ViewportSetsAspectAndProjectionAndIgnoresEmptySizes) {
    CVelCamera cam;
    RecordingCameraDevice dev;
    cam.SetViewport(&dev, 800, 600);
    EXPECT_EQ(cam.viewportWidth, 800);
    EXPECT_EQ(cam.viewportHeight, 600);
    EXPECT_EQ(cam.aspect, 1.3333334f);
    ASSERT_TRUE(dev.projectionSet.has_value());
    EXPECT_EQ(*dev.projectionSet, cam.projection);
    EXPECT_MAT_NEAR(cam.projection,
                    MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4, 1.3333334f, 0.1f, 1000.f),
                    1e-6f);
    // Near plane maps to depth 0, far plane to depth 1.
    EXPECT_NEAR(Vec3TransformCoord({0, 0, 0.1f}, cam.projection).z, 0.0f, 1e-5f);
    EXPECT_NEAR(Vec3TransformCoord({0, 0, 1000.f}, cam.projection).z, 1.0f, 1e-5f);

    Mat4 before = cam.projection;
    cam.SetViewport(&dev, 0, 600);
    cam.SetViewport(&dev, 800, -1);
    EXPECT_EQ(cam.viewportWidth, 800);
    EXPECT_EQ(cam.projection, before);

    // Restoring the device uploads lights, view and projection again.
    RecordingCameraDevice fresh;
    cam.RestoreDevice(&fresh);
    EXPECT_TRUE(fresh.viewSet && fresh.projectionSet && fresh.lights[0] && fresh.lighting);
    cam.RestoreDevice(nullptr);  // nothing to do, nothing breaks
}

TEST(CameraModel, SetPlacementLooksFromTheEyePointAtTheTarget) {
    CameraRig rig;
    const Vec3 eyePoint{3, 4, -2}, targetPoint{1, 1, 1};
    rig.cam.SetPlacement(eyePoint, targetPoint);
    EXPECT_EQ(rig.cam.target, targetPoint);
    EXPECT_EQ(rig.cam.referencePoint, Vec3(1, 1, -4));
    EXPECT_EQ(rig.cam.baseDistance, 5.0f);
    EXPECT_NEAR(rig.cam.distanceOffset, 5.0f - Length(eyePoint - targetPoint), kTol);
    rig.cam.Apply(&rig.device);
    EXPECT_VEC_NEAR(rig.cam.eye, eyePoint, kTol);
    EXPECT_VEC_NEAR(rig.ViewDirection(), Normalize(targetPoint - eyePoint), kTol);
    // The target lands on the centre of the view.
    Vec3 t = Vec3TransformCoord(targetPoint, rig.cam.view);
    EXPECT_NEAR(t.x, 0, kTol);
    EXPECT_NEAR(t.y, 0, kTol);
    EXPECT_NEAR(t.z, Length(eyePoint - targetPoint), kTol);

    // Same placement seen straight from behind: the half-turn case stays a rotation.
    rig.cam.SetPlacement({0, 0, 8}, {0, 0, 0});
    rig.cam.Apply(&rig.device);
    EXPECT_VEC_NEAR(rig.cam.eye, Vec3(0, 0, 8), kTol);
    EXPECT_VEC_NEAR(rig.ViewDirection(), Vec3(0, 0, -1), kTol);
    EXPECT_TRUE(IsFiniteMatrix(rig.cam.view));
}

TEST(CameraModel, RetargetMovesTheEyeToFiveAndRetargetAndApplyKeepsIt) {
    CameraRig rig;
    rig.cam.zoom = -7.0f;  // eye 12 from the target
    rig.Frame(0.01f);
    ASSERT_NEAR(rig.EyeTargetDistance(), 12.0f, kTol);

    rig.cam.Retarget(&rig.device, {2, 0, 0});
    rig.Frame(0.01f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 5.0f, kTol);
    EXPECT_EQ(rig.cam.zoom, 0.0f);
    EXPECT_VEC_NEAR(rig.ViewDirection(), Normalize(rig.cam.target - rig.cam.eye), kTol);

    const Vec3 eyeBefore = rig.cam.eye;
    const Vec3 newTarget{-3, 2, 4};
    rig.cam.RetargetAndApply(&rig.device, newTarget);
    EXPECT_EQ(rig.cam.eye, eyeBefore);
    ASSERT_TRUE(rig.device.viewSet.has_value());
    Vec3 t = Vec3TransformCoord(newTarget, *rig.device.viewSet);
    EXPECT_NEAR(t.x, 0, kTol);
    EXPECT_NEAR(t.y, 0, kTol);
    // The following frames keep the eye where it was, now looking at the new target.
    rig.Frame(0.01f);
    rig.Frame(0.01f);
    EXPECT_VEC_NEAR(rig.cam.eye, eyeBefore, kTol);
    EXPECT_VEC_NEAR(rig.ViewDirection(), Normalize(newTarget - eyeBefore), kTol);
}

TEST(CameraModel, ToggleOrbitModeTwiceWithPendingZoomKeepsTheEye) {
    CameraRig rig;
    rig.cam.SetPlacement({2, 3, -4}, {0, 1, 0});
    rig.cam.zoom = 1.5f;
    rig.Frame(0.01f);
    const Vec3 eye = rig.cam.eye;
    EXPECT_NEAR(rig.EyeTargetDistance(), Length(Vec3{2, 2, -4}) - 1.5f, kTol);

    rig.cam.ToggleOrbitMode();
    EXPECT_EQ(rig.cam.orbitMode, 0);
    EXPECT_EQ(rig.cam.zoom, 0.0f);
    rig.Frame(0.01f);
    EXPECT_VEC_NEAR(rig.cam.eye, eye, kTol);

    rig.cam.ToggleOrbitMode();
    EXPECT_EQ(rig.cam.orbitMode, 1);
    rig.Frame(0.01f);
    EXPECT_VEC_NEAR(rig.cam.eye, eye, kTol);
}

TEST(CameraModel, ToggleAutoSpinTogglesTheFlagOfTheCurrentMode) {
    CVelCamera cam;
    cam.ToggleAutoSpin();
    EXPECT_EQ(cam.autoSpinAround, 1);
    EXPECT_EQ(cam.autoSpinTarget, 0);
    cam.ToggleOrbitMode();
    cam.ToggleAutoSpin();
    EXPECT_EQ(cam.autoSpinTarget, 1);
    cam.ToggleAutoSpin();
    EXPECT_EQ(cam.autoSpinTarget, 0);
    EXPECT_EQ(cam.autoSpinAround, 1);
}

TEST(CameraModel, PickRayThroughTheCentreIsTheViewingDirection) {
    CameraRig rig;
    PickRayResult r = rig.cam.PickRay(400, 300);
    EXPECT_VEC_NEAR(r.origin, Vec3(0, 0, -5), kTol);
    EXPECT_VEC_NEAR(r.direction, Vec3(0, 0, 1), kTol);

    rig.cam.SetPlacement({4, 5, 6}, {1, -1, 0});
    rig.cam.Apply(&rig.device);
    r = rig.cam.PickRay(400, 300);
    EXPECT_VEC_NEAR(r.origin, rig.cam.eye, kTol);
    EXPECT_VEC_NEAR(Normalize(r.direction), rig.ViewDirection(), kTol);

    // The right edge at mid height lies half the horizontal field of view to the right.
    r = rig.cam.PickRay(800, 300);
    Vec3 inCamera = Vec3TransformNormal(r.direction, rig.cam.view);
    EXPECT_NEAR(inCamera.x / inCamera.z, 1.0f / rig.cam.projection(0, 0), kTol);
    EXPECT_NEAR(inCamera.y, 0.0f, kTol);

    // Before any viewport is known a pick still gives a finite ray.
    CVelCamera fresh;
    fresh.ResetForNewConstruction(nullptr);
    fresh.Apply(nullptr);
    r = fresh.PickRay(10, 10);
    EXPECT_TRUE(std::isfinite(r.direction.x) && std::isfinite(r.direction.y));
}

TEST(CameraModel, StopMotionRestoresTheOrientationBeforeTheSpinStep) {
    CameraRig rig;
    rig.cam.spinDelta = MatrixRotationY(0.1f);
    rig.cam.spinStopped = 0;
    rig.cam.axisMode = 1;
    const Mat4 before = rig.cam.orientation;
    rig.cam.SpinStep(1.0f);
    EXPECT_GT(MaxAbsDifference(rig.cam.orientation, before), 0.01f);
    rig.cam.StopMotion();
    EXPECT_EQ(rig.cam.orientation, before);
    EXPECT_EQ(rig.cam.spinStopped, 1);
    EXPECT_EQ(rig.cam.axisMode, 0);
    EXPECT_EQ(rig.cam.spinDelta, MatrixIdentity());

    // A placement is not undone by the next StopMotion.
    rig.cam.SetPlacement({5, 0, 0}, {0, 0, 0});
    const Mat4 placed = rig.cam.orientation;
    rig.cam.StopMotion();
    EXPECT_EQ(rig.cam.orientation, placed);
}

TEST(CameraModel, FreeTargetWithTheEyeOnTheLookPointKeepsThePreviousView) {
    CameraRig rig;
    rig.cam.ToggleOrbitMode();
    rig.Frame(0.01f);
    const Mat4 view = rig.cam.view;
    // Zoom exactly onto the target: the eye-to-look distance becomes 0.
    rig.cam.zoom = 5.0f;
    rig.Frame(0.01f);
    EXPECT_EQ(rig.cam.distanceOffset, 5.0f);
    rig.Frame(0.01f);
    EXPECT_TRUE(IsFiniteMatrix(rig.cam.view));
    EXPECT_TRUE(IsFiniteMatrix(*rig.device.viewSet));
    EXPECT_VEC_NEAR(rig.cam.eye, Vec3(0, 0, 0), kTol);
    // The picture stays oriented as before; the eye moved along the view direction.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(rig.cam.view(r, c), view(r, c), kTol);

    // Placing the eye on the target keeps the previous view too.
    rig.cam.PlaceAndApply(&rig.device, {1, 1, 1}, {1, 1, 1});
    EXPECT_TRUE(IsFiniteMatrix(rig.cam.view));
}

}  // namespace
