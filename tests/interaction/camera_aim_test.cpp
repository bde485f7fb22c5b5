#include "interaction/camera_aim.h"

#include <cmath>

#include "model/edit/edit_fixture.h"

using namespace interaction;
using namespace model::edit;

using namespace camera;
using namespace input;
using namespace math;
using namespace model;

TEST_F(EditFixture, ChooseCentreTurnsTheCameraToTheBlock) {
    AddTop({2, 0, 0});
    int x, y;
    PixelOf({2, 0, -1}, &x, &y);
    EXPECT_FALSE(ChooseCentreAt(sys, camera, meshes, nullptr, 790, 5));
    EXPECT_VEC_NEAR(camera.target, {0, 0, 0}, 1e-4f);
    EXPECT_TRUE(ChooseCentreAt(sys, camera, meshes, nullptr, x, y));
    EXPECT_VEC_NEAR(camera.target, {2, 0, 0}, 1e-4f);
    EXPECT_VEC_NEAR(camera.eye, {0, 0, -5}, 1e-4f);
}

TEST_F(EditFixture, CentringAimsBetweenBoxCentreAndMean) {
    Empty();
    AddTop({0, 0, 0});
    AddTop({2, 0, 0});
    AddTop({4, 0, 0});
    AddTop({4, 2, 0});
    CentreTarget(sys, camera, nullptr);
    EXPECT_VEC_NEAR(camera.target, {2.25f, 0.75f, 0}, 1e-4f);

    camera.ToggleOrbitMode();  // free target: switched to orbit and back
    CentreView(sys, camera, nullptr);
    EXPECT_VEC_NEAR(camera.target, {2.25f, 0.75f, 0}, 1e-4f);
    EXPECT_NEAR(camera.distanceOffset, -2.8f * std::sqrt(2.25f * 2.25f + 0.75f * 0.75f), 1e-4f);
    EXPECT_EQ(camera.orbitMode, 0);
}

TEST_F(EditFixture, FindNearestAimsAtTheBlockNearestTheEye) {
    Empty();
    AddTop({0, 0, 6});
    AddTop({1, 0, 2});
    FindNearestBlock(sys, camera, nullptr);
    EXPECT_VEC_NEAR(camera.target, {1, 0, 2}, 1e-4f);
    EXPECT_EQ(camera.zoom, 0.0f);
}

TEST_F(EditFixture, AxisRingPickSetsTheCameraAxis) {
    sys.showAxes = 0;
    camera.axisMode = 1;
    EXPECT_FALSE(PickAxisRing(sys, camera, meshes, 400, 300));
    EXPECT_EQ(camera.axisMode, 0);

    sys.showAxes = 1;
    // The rings sit 4.5 in front of the eye; the Z ring (facing the viewer here) is hit
    // on its rim half-way between the X and Y axes, where no other ring passes.
    int x, y;
    PixelOf(GizmoCentre(camera) + Vec3{1.0607f, 1.0607f, 0}, &x, &y);
    EXPECT_TRUE(PickAxisRing(sys, camera, meshes, x, y));
    EXPECT_EQ(camera.axisMode, 1);
    EXPECT_VEC_NEAR(camera.rotationAxis, {0, 0, 1}, 1e-4f);

    // Inside the rings, off their planes, misses every ring.
    PixelOf(GizmoCentre(camera) + Vec3{0.5f, 0.5f, 0}, &x, &y);
    EXPECT_FALSE(PickAxisRing(sys, camera, meshes, x, y));
    EXPECT_EQ(camera.axisMode, 0);
}

namespace {
// A world direction as the camera sees it: x right, y up, z into the screen.
Vec3 OnScreen(const CVelCamera& camera, const Vec3& direction) {
    return Normalize(Vec3TransformNormal(direction, camera.view));
}
}  // namespace

TEST_F(EditFixture, StandardViewsLookFromEachSideFramedAsTheCentreFrames) {
    Empty();
    AddTop({0, 0, 0});
    AddTop({2, 0, 0});
    AddTop({4, 0, 0});
    AddTop({4, 2, 0});
    CentreView(sys, camera, nullptr);
    const float framed = camera.distanceOffset;
    struct Expected {
        StandardView view;
        Vec3 lookingAlong, upOnScreen;
    };
    const float third = 1.0f / std::sqrt(3.0f);
    const Expected views[] = {
        {StandardView::Front, {0, 0, 1}, {0, 1, 0}},
        {StandardView::Back, {0, 0, -1}, {0, 1, 0}},
        {StandardView::Left, {1, 0, 0}, {0, 1, 0}},
        {StandardView::Right, {-1, 0, 0}, {0, 1, 0}},
        {StandardView::Top, {0, -1, 0}, {0, 0, 1}},
        {StandardView::Bottom, {0, 1, 0}, {0, 0, -1}},
        {StandardView::Isometric, {-third, -third, third}, {0, 0, 0}},
    };
    for (const Expected& e : views) {
        camera.orientation = camera.orientation * MatrixRotationZ(0.3f);  // rolled
        ShowStandardView(sys, camera, nullptr, e.view);
        const int i = static_cast<int>(e.view);
        EXPECT_VEC_NEAR(OnScreen(camera, e.lookingAlong), {0, 0, 1}, 1e-4f) << i;
        if (e.view == StandardView::Isometric) {
            EXPECT_NEAR(OnScreen(camera, {0, 1, 0}).x, 0.0f, 1e-4f);  // upright
        } else {
            EXPECT_VEC_NEAR(OnScreen(camera, e.upOnScreen), {0, 1, 0}, 1e-4f) << i;
        }
        EXPECT_VEC_NEAR(camera.target, {2.25f, 0.75f, 0}, 1e-4f) << i;
        EXPECT_NEAR(camera.distanceOffset, framed, 1e-4f) << i;
    }
}

TEST_F(EditFixture, LevellingTheHorizonTurnsOnlyAboutTheLineOfSight) {
    camera.PlaceAndApply(nullptr, {3, 4, -5}, {0, 0, 0});
    camera.orientation = camera.orientation * MatrixRotationZ(0.6f);  // a roll
    camera.Apply(nullptr);
    const Vec3 along =
        Normalize(Vec3TransformNormal({0, 0, 1}, MatrixInverseOrIdentity(camera.view)));
    ASSERT_GT(std::fabs(OnScreen(camera, {0, 1, 0}).x), 0.1f);  // rolled
    ASSERT_TRUE(LevelHorizon(camera, nullptr));
    EXPECT_NEAR(OnScreen(camera, {0, 1, 0}).x, 0.0f, 1e-4f);
    EXPECT_GT(OnScreen(camera, {0, 1, 0}).y, 0.0f);
    EXPECT_VEC_NEAR(OnScreen(camera, along), {0, 0, 1}, 1e-4f);
    // Looking straight down there is no horizon: nothing changes.
    ShowStandardView(sys, camera, nullptr, StandardView::Top);
    const Mat4 top = camera.view;
    EXPECT_FALSE(LevelHorizon(camera, nullptr));
    EXPECT_EQ(camera.view, top);
}
