#include "model/edit/editing.h"

#include <cmath>
#include <numbers>

#include "interaction/camera_aim.h"
#include "model/edit/edit_fixture.h"
#include "model/edit/twisting.h"

using namespace interaction;
using namespace model::edit;

using namespace camera;
using namespace input;
using namespace math;
using namespace model;

namespace {
constexpr float kPi = std::numbers::pi_v<float>;

void ExpectSameTransform(const Mat4& a, const Mat4& b, float tol) {
    EXPECT_LE(MaxAbsDifference(a, b), tol);
}
}  // namespace

TEST(FaceOffset, LargestComponentPicksTheFaceAndTiesPickNone) {
    EXPECT_EQ(FaceOffset({0.2f, -0.3f, -1.0f}), (Vec3{0, 0, -2}));
    EXPECT_EQ(FaceOffset({1.4f, 0.1f, 0.0f}), (Vec3{2, 0, 0}));
    EXPECT_EQ(FaceOffset({0.0f, 1.2f, -0.5f}), (Vec3{0, 2, 0}));
    EXPECT_EQ(FaceOffset({0.0f, -0.0f, 1.1f}), (Vec3{0, 0, 2}));
    EXPECT_EQ(FaceOffset({1.0f, 1.0f, 0.3f}), (Vec3{0, 0, 0}));    // edge
    EXPECT_EQ(FaceOffset({-1.0f, 1.0f, -1.0f}), (Vec3{0, 0, 0}));  // corner
}

TEST_F(EditFixture, AddPutsANewBlockOnTheClickedFace) {
    const BlockNode* first = sys.model.topBlocks.Front();
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(420, 310)));
    ASSERT_TRUE(first->HasChildren());
    const BlockNode& added = *first->children.Front();
    EXPECT_EQ(added.offset, (Vec3{0, 0, -2}));
    EXPECT_EQ(added.axis, (Vec3{0, 0, 2}));
    EXPECT_EQ(added.colour, 1);  // the current colour of a new construction
    EXPECT_EQ(added.parent, first);
    EXPECT_EQ(added.visible, 1);
    EXPECT_EQ(sys.model.colourCounts[1], 1);
    EXPECT_EQ(sys.model.Total(), 2);
    EXPECT_TRUE(sys.document.Unsaved());
    // Random colour on: a new current colour, never the one just used.
    EXPECT_NE(sys.currentColour, 1);
}

TEST_F(EditFixture, AddRefusesFaceCentresAndOccupiedPlaces) {
    // The exact centre of a cube face lies on the unit sphere.
    EXPECT_FALSE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_EQ(sys.model.Total(), 1);
    EXPECT_FALSE(sys.document.Unsaved());

    // A block of another branch within distance 1 of the new place, not in the way of
    // the click; then one 2 away from it.
    int x, y;
    PixelOf({-0.5f, 0.2f, -1}, &x, &y);
    for (const float blockerX : {-4.0f, -2.9f}) {
        sys.ResetConstruction();
        AddChild(AddTop({4.9f, 0, -2}), {blockerX, 0, 0});
        const int total = sys.model.Total();
        const bool added = AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(x, y));
        ASSERT_EQ(sys.pickedBlock, sys.model.topBlocks.Front());  // the click did hit
        EXPECT_EQ(added, blockerX == -2.9f) << blockerX;
        EXPECT_EQ(sys.model.Total(), total + (added ? 1 : 0));
    }
}

TEST_F(EditFixture, DeleteKeepsChildrenWhereTheyWere) {
    Empty();
    const BlockNode* a = AddTop({0, 0, 0}, {0, 2, 0}, 0.4f, 3);
    const BlockNode* k = AddChild(a, {2, 0, 0}, 0.7f, 1);
    const BlockNode* g = AddChild(k, {0, 2, 0}, 0.3f, 4);
    const BlockNode* k2 = AddChild(a, {0, 2, 0}, kPi, 0);
    const BlockNode* k3 = AddChild(a, {0, 0, 2}, -kPi, 0);
    sys.lastPainted = a;
    SelectTwistBlock(sys, camera.Setup(), meshes, camera.PickRay(410, 300));
    ASSERT_EQ(sys.pickedBlock, a);
    ASSERT_EQ(sys.twistSelected, 1);
    const auto before = WorldTransforms();

    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(410, 296)));
    EXPECT_EQ(sys.model.Total(), 4);
    EXPECT_EQ(sys.model.colourCounts[3], 0);
    EXPECT_TRUE(sys.document.Unsaved());
    // The re-homed children join the top-level list at its end, in their order.
    std::vector<const BlockNode*> tops;
    for (const BlockNode& b : sys.model.topBlocks) tops.push_back(&b);
    EXPECT_EQ(tops, (std::vector<const BlockNode*>{k, k2, k3}));
    for (const BlockNode* b : tops) EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(g->parent, k);

    const auto after = WorldTransforms();
    ExpectSameTransform(after.at(k), before.at(k), 1e-5f);
    ExpectSameTransform(after.at(g), before.at(g), 1e-5f);
    // An exact half-turn is nudged by 1e-4 radians on the way.
    ExpectSameTransform(after.at(k2), before.at(k2), 1e-3f);
    ExpectSameTransform(after.at(k3), before.at(k3), 1e-3f);

    // Nothing refers to the deleted block any more.
    EXPECT_EQ(sys.pickedBlock, nullptr);
    EXPECT_EQ(sys.lastPainted, nullptr);
    EXPECT_EQ(sys.twistSelected, 0);
    EXPECT_EQ(sys.twistDragging, 0);
    CancelTwist(sys);
    UpdateTwistFrame(sys);
}

TEST_F(EditFixture, DeleteOfAnUpsideDownParentKeepsChildrenInPlace) {
    Empty();
    const BlockNode* a = AddTop({0, 0, 0}, {0, -2, 0}, 0.2f);
    const BlockNode* k = AddChild(a, {2, 0, 0}, 0.5f);
    const BlockNode* up = AddChild(a, {0, 2, 0}, 0.0f);
    const auto before = WorldTransforms();
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(410, 296)));
    const auto after = WorldTransforms();
    ExpectSameTransform(after.at(k), before.at(k), 1e-5f);
    ExpectSameTransform(after.at(up), before.at(up), 1e-5f);
}

TEST_F(EditFixture, DeleteRefusesMissesAndCentreHits) {
    EXPECT_FALSE(
        DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));  // |hit| = 1
    EXPECT_FALSE(DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(3, 3)));
    EXPECT_EQ(sys.model.Total(), 1);
    EXPECT_FALSE(sys.document.Unsaved());
}

TEST_F(EditFixture, DeletingTheOnlyBlockLeavesAnEmptyConstruction) {
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(410, 296)));
    EXPECT_TRUE(sys.model.topBlocks.Empty());
    for (int c : sys.model.colourCounts) EXPECT_EQ(c, 0);

    // The centring commands have nothing to aim at.
    camera.PlaceAndApply(nullptr, {1, 2, -7}, {3, 0, 0});
    const Vec3 target = camera.target;
    const float offset = camera.distanceOffset;
    CentreTarget(sys, camera, nullptr);
    CentreView(sys, camera, nullptr);
    EXPECT_EQ(camera.target, target);
    EXPECT_EQ(camera.distanceOffset, offset);
    EXPECT_FALSE(std::isnan(camera.view(0, 0)));
    // Find nearest falls back on the origin.
    FindNearestBlock(sys, camera, nullptr);
    EXPECT_VEC_NEAR(camera.target, {0, 0, 0}, 1e-4f);
    // Nothing left to click.
    EXPECT_FALSE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(410, 296)));
}

TEST_F(EditFixture, PaintPaintsEachBlockOncePerStroke) {
    const BlockNode* b = sys.model.topBlocks.Front();
    EXPECT_TRUE(PaintBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_EQ(b->colour, 1);
    EXPECT_EQ(sys.model.colourCounts[2], 0);
    EXPECT_EQ(sys.model.colourCounts[1], 1);
    EXPECT_TRUE(sys.document.Unsaved());
    EXPECT_EQ(sys.lastPainted, b);
    const int next = sys.currentColour;
    EXPECT_NE(next, 1);
    // Still the last painted block: no repaint with the new colour.
    EXPECT_TRUE(PaintBlockAt(sys, camera.Setup(), meshes, camera.PickRay(402, 301)));
    EXPECT_EQ(b->colour, 1);
    EXPECT_EQ(sys.currentColour, next);
    // A miss reports no hit.
    EXPECT_FALSE(PaintBlockAt(sys, camera.Setup(), meshes, camera.PickRay(3, 3)));

    // A new stroke repaints, even in the colour the block already has.
    sys.lastPainted = nullptr;
    sys.document.MarkSaved();
    sys.currentColour = 1;
    nextRandom = 32767;  // draws white
    EXPECT_TRUE(PaintBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_TRUE(sys.document.Unsaved());
    EXPECT_EQ(sys.model.colourCounts[1], 1);
    EXPECT_EQ(sys.currentColour, 4);
}

TEST_F(EditFixture, CopyColourTakesTheBlockColourAndSwitchesRandomOff) {
    EXPECT_FALSE(CopyColourAt(sys, camera.Setup(), meshes, camera.PickRay(3, 3)));
    EXPECT_EQ(sys.randomColour, 1);
    EXPECT_TRUE(CopyColourAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_EQ(sys.currentColour, 2);
    EXPECT_EQ(sys.randomColour, 0);
    EXPECT_FALSE(sys.document.Unsaved());
}

TEST_F(EditFixture, EveryChangeToTheBlocksMovesTheVersionAndNothingElseDoes) {
    uint64_t seen = sys.document.Version();
    auto moved = [&] {
        const bool m = sys.document.Version() != seen;
        seen = sys.document.Version();
        return m;
    };
    EXPECT_FALSE(CopyColourAt(sys, camera.Setup(), meshes, camera.PickRay(3, 3)) || moved());
    EXPECT_TRUE(CopyColourAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_FALSE(moved());
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(420, 310)));
    EXPECT_TRUE(moved());
    EXPECT_TRUE(PaintBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_TRUE(moved());
    SelectTwistBlock(sys, camera.Setup(), meshes, camera.PickRay(400, 300));
    CancelTwist(sys);  // nothing to untwist
    EXPECT_FALSE(moved());
    sys.document.Twist(*sys.pickedBlock, sys.pickedBlock->axis, 0.5f);
    EXPECT_TRUE(moved());
    CancelTwist(sys);
    EXPECT_TRUE(moved());
    ASSERT_TRUE(DeleteBlockAt(sys, camera.Setup(), meshes, camera.PickRay(410, 296)));
    EXPECT_TRUE(moved());
    sys.ResetConstruction();
    EXPECT_TRUE(moved());
}
