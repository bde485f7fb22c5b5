#include <gtest/gtest.h>

#include <numbers>

#include "camera/camera_rig.h"

using namespace camera;

using namespace input;
using namespace math;

namespace {

constexpr float kTol = 1e-4f;
constexpr float kPi = std::numbers::pi_v<float>;
using MK = MessageKind;

float RotationAngle(const Mat4& r) {
    Vec3 axis;
    float angle = 0;
    QuaternionToAxisAngle(QuaternionRotationMatrix(r), &axis, &angle);
    return angle;
}

// A left drag of 40 pixels to the right, held for 0.2 s.
void Fling(CameraRig& rig) {
    rig.Send(MK::LButtonDown, 400, 300);
    rig.Frame(0.05f);
    rig.Send(MK::MouseMove, 410, 300);  // starts tracking
    rig.Send(MK::MouseMove, 420, 300);
    rig.Frame(0.05f);
    rig.Send(MK::MouseMove, 440, 300);
    rig.Frame(0.1f);
    rig.Send(MK::LButtonUp, 440, 300);
}

TEST(CameraControls, LeftDragOrbitsAndAFlingKeepsTurningWithAutoRotation) {
    CameraRig rig;
    rig.cam.ToggleAutoSpin();
    rig.Send(MK::LButtonDown, 400, 300);
    EXPECT_EQ(rig.cam.rotateDrag, 1);
    rig.Send(MK::MouseMove, 410, 300);
    rig.Send(MK::MouseMove, 440, 300);
    rig.Frame(0.1f);
    // The drag previews the rotation; orientation itself changes at the release.
    EXPECT_EQ(rig.cam.orientation, MatrixIdentity());
    EXPECT_GT(rig.cam.eye.x * rig.cam.eye.x, 0.01f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 5.0f, kTol);
    const Vec3 eyeAtRelease = rig.cam.eye;
    rig.Frame(0.1f);
    rig.Send(MK::LButtonUp, 440, 300);
    EXPECT_EQ(rig.cam.spinStopped, 0);
    EXPECT_FLOAT_EQ(rig.cam.spinDuration, 0.2f);
    EXPECT_EQ(rig.cam.rotateDrag, 0);

    rig.Frame(0.02f);
    EXPECT_VEC_NEAR(rig.cam.eye, eyeAtRelease, kTol);  // the spin shows from the next frame
    Mat4 prev = rig.cam.orientation;
    rig.Frame(0.02f);
    EXPECT_GT(Distance(rig.cam.eye, eyeAtRelease), 1e-3f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 5.0f, kTol);
    // Each frame turns by 8 x (frame time / held time) x the drag's angle.
    Mat4 step = MatrixInverseOrIdentity(prev) * rig.cam.orientation;
    EXPECT_NEAR(RotationAngle(step), 8.0f * (0.02f / 0.2f) * RotationAngle(rig.cam.spinDelta),
                1e-3f);
    prev = rig.cam.orientation;
    rig.Frame(0.02f);
    EXPECT_GT(MaxAbsDifference(prev, rig.cam.orientation), 1e-3f);
}

TEST(CameraControls, AClickWithoutMotionStopsTheSpinAndKeepsTheOrientation) {
    CameraRig rig;
    rig.cam.ToggleAutoSpin();
    Fling(rig);
    rig.Frame(0.02f);
    rig.Frame(0.02f);
    ASSERT_EQ(rig.cam.spinStopped, 0);

    rig.Send(MK::LButtonDown, 100, 100);
    rig.Frame(0.02f);
    const Mat4 held = rig.cam.orientation;  // the spin pauses while the left button is held
    rig.Frame(0.02f);
    EXPECT_EQ(rig.cam.orientation, held);
    rig.Send(MK::LButtonUp, 100, 100);
    EXPECT_EQ(rig.cam.spinStopped, 1);
    EXPECT_EQ(rig.cam.spinDelta, MatrixIdentity());
    EXPECT_EQ(rig.cam.orientation, held);
    rig.Frame(0.02f);
    rig.Frame(0.02f);
    EXPECT_EQ(rig.cam.orientation, held);
}

TEST(CameraControls, StopMotionRightAfterADragKeepsTheDrag) {
    CameraRig rig;
    Fling(rig);
    const Mat4 dragged = rig.cam.orientation;
    ASSERT_GT(MaxAbsDifference(dragged, MatrixIdentity()), 1e-2f);
    rig.cam.StopMotion();  // an editing command before the next frame
    EXPECT_EQ(rig.cam.orientation, dragged);
}

TEST(CameraControls, ALongSpinStaysAPureRotation) {
    CVelCamera cam;
    cam.spinDelta = MatrixRotationAxis({0.3f, 1.0f, -0.7f}, 0.0123f);
    for (int i = 0; i < 200000; ++i) cam.SpinStep(0.37f);
    const Mat4& o = cam.orientation;
    const Mat4 shouldBeIdentity = o * MatrixTranspose(o);
    EXPECT_MAT_NEAR(shouldBeIdentity, MatrixIdentity(), 1e-5f);
    Vec3 x{o(0, 0), o(0, 1), o(0, 2)}, y{o(1, 0), o(1, 1), o(1, 2)}, z{o(2, 0), o(2, 1), o(2, 2)};
    EXPECT_NEAR(Dot(Cross(x, y), z), 1.0f, 1e-5f);  // no reflection crept in
}

TEST(CameraControls, FlingWithoutAutoRotationIsStoredUntilRotationIsSwitchedOn) {
    CameraRig rig;
    Fling(rig);
    rig.Frame(0.02f);
    const Mat4 still = rig.cam.orientation;
    rig.Frame(0.02f);
    EXPECT_EQ(rig.cam.orientation, still);
    rig.cam.ToggleAutoSpin();
    rig.Frame(0.02f);
    EXPECT_GT(MaxAbsDifference(rig.cam.orientation, still), 1e-4f);

    // In free-target mode the fling turns the camera about the eye.
    CameraRig free;
    free.cam.ToggleOrbitMode();
    free.cam.ToggleAutoSpin();
    free.Frame(0.02f);
    const Vec3 eye = free.cam.eye;
    Fling(free);
    free.Frame(0.02f);
    const Vec3 dir = free.ViewDirection();
    free.Frame(0.02f);
    free.Frame(0.02f);
    EXPECT_VEC_NEAR(free.cam.eye, eye, kTol);
    EXPECT_GT(Distance(free.ViewDirection(), dir), 1e-3f);
}

TEST(CameraControls, MovesByItselfOnlyWhileTurningOrSteeredByKeys) {
    CameraRig rig;
    EXPECT_FALSE(rig.cam.MovesByItself(rig.keys));
    Fling(rig);
    EXPECT_FALSE(rig.cam.MovesByItself(rig.keys));  // no automatic rotation: stored only
    rig.cam.ToggleAutoSpin();
    EXPECT_TRUE(rig.cam.MovesByItself(rig.keys));
    rig.Send(MK::LButtonDown, 100, 100);  // held still: the spin waits
    EXPECT_FALSE(rig.cam.MovesByItself(rig.keys));
    rig.Send(MK::LButtonUp, 100, 100);  // a click without motion stops it
    EXPECT_FALSE(rig.cam.MovesByItself(rig.keys));

    // Keys: modifiers never move; in orbit mode only the depth keys do.
    for (int k : {vk::VK_CONTROL, int{'A'}, vk::VK_HOME}) {
        rig.Key(MK::KeyDown, k);
        EXPECT_FALSE(rig.cam.MovesByItself(rig.keys)) << k;
        rig.Key(MK::KeyUp, k);
    }
    rig.Key(MK::KeyDown, 'S');
    EXPECT_TRUE(rig.cam.MovesByItself(rig.keys));
    rig.Key(MK::KeyUp, 'S');
    rig.cam.ToggleOrbitMode();
    rig.Key(MK::KeyDown, 'A');
    EXPECT_TRUE(rig.cam.MovesByItself(rig.keys));
    rig.Key(MK::KeyUp, 'A');
    // A wheel notch in free-target mode moves the eye over the next frame, then rests.
    rig.Wheel(120);
    EXPECT_TRUE(rig.cam.MovesByItself(rig.keys));
    rig.Frame(0.02f);
    EXPECT_FALSE(rig.cam.MovesByItself(rig.keys));
}

TEST(CameraControls, WheelNotchMovesOneUnitAndFreeModeCommitsInTheSameFrame) {
    CameraRig rig;
    rig.Wheel(120);
    rig.Frame(0.01f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 4.0f, kTol);
    EXPECT_EQ(rig.cam.zoom, 1.0f);  // orbit mode keeps it pending
    rig.Wheel(-240);
    rig.Frame(0.01f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 6.0f, kTol);

    CameraRig free;
    free.cam.ToggleOrbitMode();
    free.Frame(0.01f);
    free.Wheel(120);
    free.Frame(0.01f);
    EXPECT_EQ(free.cam.zoom, 0.0f);
    EXPECT_VEC_NEAR(free.cam.eyeBase, Vec3(0, 0, -4), kTol);
    EXPECT_VEC_NEAR(free.cam.eye, Vec3(0, 0, -4), kTol);
    free.Frame(0.01f);
    EXPECT_VEC_NEAR(free.cam.eye, Vec3(0, 0, -4), kTol);
    EXPECT_VEC_NEAR(free.ViewDirection(), Vec3(0, 0, 1), kTol);
}

TEST(CameraControls, KeysZoomWithoutRampInOrbitModeAndMoveWithRampInFreeMode) {
    CameraRig rig;
    rig.Key(MK::KeyDown, 'W');
    for (int i = 0; i < 5; ++i) rig.Frame(0.1f);
    EXPECT_NEAR(rig.cam.zoom, 4.0f, 1e-3f);  // 8 units per second from the first frame
    EXPECT_NEAR(rig.EyeTargetDistance(), 1.0f, 1e-3f);
    rig.Key(MK::KeyUp, 'W');
    // Sideways and vertical keys do nothing in orbit mode.
    const Vec3 eye = rig.cam.eye;
    for (int k : {int{'A'}, int{'D'}, int{'E'}, int{'C'}, vk::VK_LEFT, vk::VK_RIGHT, vk::VK_HOME,
                  vk::VK_END}) {
        rig.Key(MK::KeyDown, k);
        rig.Frame(0.1f);
        rig.Key(MK::KeyUp, k);
    }
    rig.Frame(0.1f);
    EXPECT_VEC_NEAR(rig.cam.eye, eye, kTol);
    rig.Key(MK::KeyDown, vk::VK_DOWN);
    rig.Frame(0.25f);
    EXPECT_NEAR(rig.cam.zoom, 2.0f, 1e-3f);

    CameraRig free;
    free.cam.ToggleOrbitMode();
    free.Frame(0.01f);
    free.Key(MK::KeyDown, 'D');
    float x = free.cam.eye.x;
    free.Frame(0.05f);
    EXPECT_NEAR(free.cam.eye.x - x, 8.0f * 0.05f * 0.2f, 1e-4f);  // ramp 0.2 after 50 ms
    for (int i = 0; i < 9; ++i) free.Frame(0.05f);
    x = free.cam.eye.x;
    free.Frame(0.05f);
    EXPECT_NEAR((free.cam.eye.x - x) / 0.05f, 16.0f, 1e-3f);  // full ramp: 16 units per second
    EXPECT_NEAR(free.cam.eye.y, 0.0f, kTol);
    EXPECT_NEAR(free.cam.eye.z, -5.0f, kTol);
    EXPECT_VEC_NEAR(free.ViewDirection(), Vec3(0, 0, 1), kTol);
}

TEST(CameraControls, RightDragRollsInOrbitModeAndPansInFreeMode) {
    CameraRig rig;
    rig.Send(MK::RButtonDown, 400, 300);
    EXPECT_EQ(rig.cam.rollDrag, 1);
    rig.Send(MK::MouseMove, 500, 300);  // tx = 0.25: a quarter turn
    rig.Frame(0.02f);
    const Mat4 quarter = MatrixRotationZ(kPi / 2);
    EXPECT_MAT_NEAR(rig.cam.orientation, quarter, kTol);
    EXPECT_MAT_NEAR(rig.cam.axesOrientation, quarter, kTol);
    EXPECT_VEC_NEAR(rig.cam.eye, Vec3(0, 0, -5), kTol);
    EXPECT_VEC_NEAR(rig.cam.up, Vec3(1, 0, 0), kTol);
    rig.Send(MK::RButtonUp, 500, 300);
    EXPECT_EQ(rig.cam.rollDrag, 0);
    rig.Frame(0.02f);
    EXPECT_MAT_NEAR(rig.cam.orientation, quarter, kTol);

    CameraRig free;
    free.cam.ToggleOrbitMode();
    free.Frame(0.01f);
    free.Send(MK::RButtonDown, 400, 300);
    EXPECT_EQ(free.cam.panDrag, 1);
    free.Send(MK::MouseMove, 500, 240);  // tx = 0.25, ty = 0.2
    free.Frame(0.02f);
    EXPECT_VEC_NEAR(free.cam.eye, Vec3(1.25f, 1.0f, -5), kTol);
    EXPECT_VEC_NEAR(free.cam.eyeBase, Vec3(0, 0, -5), kTol);  // not committed yet
    EXPECT_EQ(free.cam.orientation, MatrixIdentity());
    free.Send(MK::RButtonUp, 500, 240);
    EXPECT_VEC_NEAR(free.cam.eyeBase, Vec3(1.25f, 1.0f, -5), kTol);
    free.Frame(0.02f);
    EXPECT_VEC_NEAR(free.cam.eye, Vec3(1.25f, 1.0f, -5), kTol);
    EXPECT_VEC_NEAR(free.ViewDirection(), Vec3(0, 0, 1), kTol);

    // A right click with no frame in between does not repeat the previous pan.
    free.Send(MK::RButtonDown, 100, 100);
    free.Send(MK::RButtonUp, 100, 100);
    free.Frame(0.02f);
    EXPECT_VEC_NEAR(free.cam.eye, Vec3(1.25f, 1.0f, -5), kTol);
}

TEST(CameraControls, MiddleDragZoomsAndCommitsAtRelease) {
    CameraRig rig;
    rig.Send(MK::MButtonDown, 400, 300);
    EXPECT_EQ(rig.cam.zoomDrag, 1);
    rig.Send(MK::MouseMove, 400, 294);  // 1 % of the height upwards: 1 unit forwards
    rig.Frame(0.02f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 4.0f, 1e-3f);
    EXPECT_EQ(rig.cam.zoom, 0.0f);
    rig.Send(MK::MButtonUp, 400, 294);
    EXPECT_NEAR(rig.cam.zoom, 1.0f, 1e-4f);
    rig.Frame(0.02f);
    EXPECT_NEAR(rig.EyeTargetDistance(), 4.0f, 1e-3f);
}

TEST(CameraControls, MiddleButtonDuringALeftDragRestoresTheOrientation) {
    CameraRig rig;
    const Mat4 view = rig.cam.view;
    rig.Send(MK::LButtonDown, 400, 300);
    rig.Send(MK::MouseMove, 420, 300);
    rig.Send(MK::MouseMove, 480, 330);
    rig.Frame(0.05f);
    ASSERT_GT(MaxAbsDifference(rig.cam.view, view), 1e-2f);

    rig.Send(MK::MButtonDown, 480, 330);
    EXPECT_EQ(rig.cam.rotateDrag, 0);
    EXPECT_EQ(rig.cam.zoomDrag, 0);
    EXPECT_EQ(rig.cam.spinStopped, 1);
    rig.Frame(0.05f);
    EXPECT_MAT_NEAR(rig.cam.view, view, kTol);
    EXPECT_EQ(rig.cam.axesDragRotation, MatrixIdentity());
    rig.Send(MK::LButtonUp, 480, 330);
    rig.Send(MK::MButtonUp, 480, 330);
    rig.Frame(0.05f);
    EXPECT_MAT_NEAR(rig.cam.view, view, kTol);
    EXPECT_EQ(rig.cam.orientation, MatrixIdentity());
}

TEST(CameraControls, LeftAndRightTogetherRollAndCancellingARollRestoresBoth) {
    CameraRig rig;
    rig.Send(MK::LButtonDown, 400, 300);
    rig.Send(MK::MouseMove, 420, 300);
    rig.Send(MK::RButtonDown, 420, 300);
    EXPECT_EQ(rig.cam.rotateDrag, 0);
    EXPECT_EQ(rig.cam.rollDrag, 1);
    rig.Send(MK::MouseMove, 520, 300);  // tx = 0.25
    rig.Frame(0.02f);
    EXPECT_MAT_NEAR(rig.cam.orientation, MatrixRotationZ(kPi / 2), kTol);
    rig.Send(MK::RButtonUp, 520, 300);
    rig.Send(MK::LButtonUp, 520, 300);
    EXPECT_MAT_NEAR(rig.cam.orientation, MatrixRotationZ(kPi / 2), kTol);

    // A roll cancelled by a third button snaps the view and the axes display back.
    const Mat4 base = rig.cam.orientation;
    const Mat4 axesBase = rig.cam.axesOrientation;
    rig.Send(MK::RButtonDown, 400, 300);
    rig.Send(MK::MouseMove, 450, 300);
    rig.Frame(0.02f);
    ASSERT_GT(MaxAbsDifference(rig.cam.axesOrientation, axesBase), 1e-2f);
    rig.Send(MK::MButtonDown, 450, 300);
    EXPECT_EQ(rig.cam.rollDrag, 0);
    EXPECT_EQ(rig.cam.orientation, base);
    EXPECT_EQ(rig.cam.axesOrientation, axesBase);

    // A left press during a pan turns it into a roll.
    CameraRig free;
    free.cam.ToggleOrbitMode();
    free.Send(MK::RButtonDown, 400, 300);
    free.Send(MK::LButtonDown, 400, 300);
    EXPECT_EQ(free.cam.panDrag, 0);
    EXPECT_EQ(free.cam.rollDrag, 1);
}

TEST(CameraControls, AxisDragRotatesAboutThePickedWorldAxis) {
    CameraRig rig;
    // As the axis-ring pick leaves it: world Y axis, ring frame = identity.
    rig.cam.axisMode = 1;
    rig.cam.rotationAxis = {0, 1, 0};
    rig.cam.axisFrameInverse = MatrixIdentity();
    rig.cam.ToggleAutoSpin();

    rig.Send(MK::LButtonDown, 400, 300);  // g = 300: angle = pi y / 300
    EXPECT_EQ(rig.cam.rotateDrag, 1);
    EXPECT_NEAR(rig.cam.startAngle, kPi, kTol);
    rig.Send(MK::MouseMove, 400, 330);
    const Mat4 expected = MatrixRotationAxis({0, 1, 0}, 0.1f * kPi);
    EXPECT_MAT_NEAR(rig.cam.arcBall.rotationMatrix, expected, kTol);
    rig.Frame(0.05f);
    EXPECT_MAT_NEAR(rig.cam.axesDragRotation, expected, kTol);
    rig.Frame(0.05f);
    rig.Send(MK::LButtonUp, 400, 330);
    EXPECT_EQ(rig.cam.rotateDrag, 0);
    EXPECT_EQ(rig.cam.spinStopped, 0);
    EXPECT_EQ(rig.cam.axisMode, 1);
    EXPECT_EQ(rig.cam.rememberedAxisMode, 1);
    EXPECT_MAT_NEAR(rig.cam.orientation, expected, kTol);
    EXPECT_MAT_NEAR(rig.cam.spinDelta, expected, kTol);

    // Spinning continues about the same world axis: the eye stays at the target's height.
    rig.Frame(0.02f);
    rig.Frame(0.02f);
    EXPECT_NEAR(rig.cam.eye.y, 0.0f, kTol);
    EXPECT_NEAR(rig.EyeTargetDistance(), 5.0f, kTol);

    // A click without motion stops it.
    rig.Send(MK::LButtonDown, 200, 200);
    rig.Send(MK::LButtonUp, 200, 200);
    EXPECT_EQ(rig.cam.spinStopped, 1);
    EXPECT_EQ(rig.cam.spinDelta, MatrixIdentity());

    // A never-picked (zero) axis gives no rotation rather than a scaled matrix.
    rig.cam.rotationAxis = {0, 0, 0};
    rig.Send(MK::LButtonDown, 400, 300);
    rig.Send(MK::MouseMove, 400, 360);
    EXPECT_EQ(rig.cam.arcBall.rotationMatrix, MatrixIdentity());
    rig.Send(MK::LButtonUp, 400, 360);
}

TEST(CameraControls, ArcballMapsDisplacementsOntoTheSphereAndSurvivesAnEmptyWindow) {
    CArcBallControl ball;
    ball.SetWindow(800, 600);
    Vec3 p = ball.ScreenToSphere(0, 0);
    EXPECT_EQ(p, Vec3(0, 0, 1));
    p = ball.ScreenToSphere(-150, 0);  // s = 300
    EXPECT_VEC_NEAR(p, Vec3(0.5f, 0, std::sqrt(0.75f)), 1e-6f);
    p = ball.ScreenToSphere(0, 900);  // outside: onto the rim
    EXPECT_VEC_NEAR(p, Vec3(0, 1, 0), 1e-6f);

    // No window size yet: drags change nothing instead of producing NaNs.
    CameraRig rig;
    rig.cam.arcBall.SetWindow(0, 0);
    rig.Send(MK::LButtonDown, 10, 10);
    rig.Send(MK::MouseMove, 20, 20);
    rig.Send(MK::MouseMove, 60, 40);
    rig.Send(MK::LButtonUp, 60, 40);
    rig.Send(MK::RButtonDown, 10, 10);
    rig.Send(MK::MouseMove, 30, 50);
    rig.Send(MK::RButtonUp, 30, 50);
    rig.Frame(0.02f);
    EXPECT_TRUE(IsFiniteMatrix(rig.cam.orientation));
    EXPECT_TRUE(IsFiniteMatrix(rig.cam.view));
    EXPECT_MAT_NEAR(rig.cam.view, MatrixTranslation(0, 0, 5), kTol);
}

}  // namespace
