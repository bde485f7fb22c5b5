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
