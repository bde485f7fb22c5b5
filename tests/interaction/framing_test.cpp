// The framing view: every block inside the picture, for any construction and picture shape.
#include "interaction/framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "model/placement.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

using math::Mat4;
using math::Vec3;

namespace {

// Largest |x| and |y| of the blocks' corners on the screen (-1..1 is the picture), and
// whether every corner lies in front of the near plane.
struct Extent {
    float x = 0, y = 0;
    bool inFront = true;
};

Extent ScreenExtent(const CVelVorlaModel& model, const CVelCamera& camera, float aspect) {
    const Mat4 viewProjection =
        camera.view * math::MatrixPerspectiveFovLH(camera.fieldOfView, aspect, 0.1f, 1000.0f);
    Extent e;
    WalkBlocks(model.topBlocks, Mat4{}, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        for (int corner = 0; corner < 8; ++corner) {
            const Vec3 local{corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f,
                             corner & 4 ? 1.0f : -1.0f};
            const Vec3 p =
                math::Vec3TransformCoord(math::Vec3TransformCoord(local, world), viewProjection);
            e.x = std::max(e.x, std::fabs(p.x));
            e.y = std::max(e.y, std::fabs(p.y));
            if (p.z < 0.0f || p.z > 1.0f) e.inFront = false;
        }
    });
    return e;
}

TEST(Framing, EveryBlockIsInsideThePictureAndFillsIt) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 40; ++round) {
        CVelVorlaModel model;
        testsupport::FillRandomTree(model, rng, 1 + static_cast<int>(rng() % 200));
        if (GatherCentres(model.topBlocks).count == 0) continue;
        const float aspect = std::array{1.0f, 4.0f / 3.0f, 0.5f, 2.5f}[round % 4];
        CVelCamera camera;
        camera.Apply(nullptr);
        ASSERT_TRUE(FrameConstruction(model.topBlocks, camera, aspect));
        const Extent e = ScreenExtent(model, camera, aspect);
        SCOPED_TRACE(round);
        EXPECT_TRUE(e.inFront);
        EXPECT_LE(e.x, 1.0f);
        EXPECT_LE(e.y, 1.0f);
        // Tight: the construction reaches at least half-way to one of the picture's edges.
        EXPECT_GT(std::max(e.x, e.y), 0.5f);
    }
}

TEST(Framing, LooksDownFromAboveInOrbitModeWithoutMotion) {
    CVelVorlaModel model;
    testsupport::FillChain(model, 12);  // a tower: blocks straight up from the origin
    CVelCamera camera;
    camera.autoSpinAround = 1;
    camera.zoom = 3;
    ASSERT_TRUE(FrameConstruction(model.topBlocks, camera, 4.0f / 3.0f));
    EXPECT_EQ(camera.orbitMode, 1);
    EXPECT_EQ(camera.autoSpinAround, 0);
    EXPECT_EQ(camera.zoom, 0.0f);
    EXPECT_GT(camera.eye.y, camera.target.y) << "from above";
    EXPECT_LT(camera.eye.z, camera.target.z) << "from the front";
    // The tower stands upright in the picture: world up stays up.
    EXPECT_GT(camera.up.y, 0.8f);
}

TEST(Framing, NothingVisibleChangesNothing) {
    CVelVorlaModel model;
    testsupport::AddTop(model, testsupport::Block(1, {0, 0, 0}, {0, 2, 0}, 0, /*visible=*/0));
    CVelCamera camera;
    camera.Apply(nullptr);
    const Vec3 eye = camera.eye;
    EXPECT_FALSE(FrameConstruction(model.topBlocks, camera, 1.0f));
    EXPECT_EQ(camera.eye, eye);
}

}  // namespace
