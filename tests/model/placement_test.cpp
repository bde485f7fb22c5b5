#include "model/placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "math/quaternion.h"
#include "model/construction.h"
#include "support/construction_builders.h"
#include "support/math_expect.h"

using namespace input;
using namespace model;

using math::Mat4;
using math::Vec3;
using testsupport::AddChild;
using testsupport::AddTop;
using testsupport::Block;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Centres of the visited blocks, in visiting order.
std::vector<Vec3> VisitedCentres(const CVelVorlaModel& m) {
    std::vector<Vec3> out;
    WalkBlocks(m.topBlocks, Mat4{}, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        out.push_back(BlockCentre(world));
    });
    return out;
}

// The transforms as the placement rules state them, computed recursively: world and
// rotation-only world carried separately.
struct Reference {
    const BlockNode* block;
    Mat4 world, rotation;
};
void ReferenceWalk(const BlockList& list, const Mat4& parentWorld, const Mat4& parentRotation,
                   std::vector<Reference>& out) {
    for (const BlockNode& b : list) {
        if (b.visible != 1 && !b.HasChildren()) continue;
        Mat4 twist = math::MatrixRotationAxis(b.axis, b.angle);
        if (!b.parent)
            twist = math::MatrixRotationQuaternion(math::AxisToAxis({0, 1, 0}, b.axis)) * twist;
        const Mat4 local = twist * math::MatrixTranslation(b.offset);
        const Mat4 world = local * parentWorld;
        const Mat4 rotation = twist * parentRotation;
        ReferenceWalk(b.children, world, rotation, out);
        if (b.visible == 1) out.push_back({&b, world, rotation});
    }
}

TEST(ModelWalk, VisitsChildrenBeforeParentsSiblingsInOrderAndSkipsPlaceholders) {
    CVelVorlaModel m;
    // a ( b ( c ), hidden ( d ), emptyHidden ), e
    BlockNode& a = AddTop(m, Block(0, {0, 0, 0}));
    BlockNode& b = AddChild(m, a, Block(1, {2, 0, 0}));
    AddChild(m, b, Block(2, {2, 0, 0}));
    BlockNode& hidden = AddChild(m, a, Block(3, {0, 2, 0}, {0, 2, 0}, 0, 0));
    AddChild(m, hidden, Block(4, {0, 2, 0}));
    AddChild(m, a, Block(3, {0, 0, 2}, {0, 0, 2}, 0, 0));
    AddTop(m, Block(1, {10, 0, 0}));

    std::vector<const BlockNode*> order;
    WalkBlocks(m.topBlocks, Mat4{},
               [&](const BlockNode& n, const Mat4&, const Mat4&) { order.push_back(&n); });
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[0], b.children.Front());  // c
    EXPECT_EQ(order[1], &b);
    EXPECT_EQ(order[2], hidden.children.Front());  // d, placed through the placeholder
    EXPECT_EQ(order[3], &a);
    EXPECT_EQ(order[4]->offset.x, 10.0f);  // e
    const std::vector<Vec3> centres = VisitedCentres(m);
    EXPECT_VEC_NEAR(centres[0], {4, 0, 0});
    EXPECT_VEC_NEAR(centres[2], {0, 4, 0});
}

TEST(ModelWalk, StopsEarlyWhenTheVisitorSaysSo) {
    CVelVorlaModel m;
    for (int i = 0; i < 5; ++i) AddTop(m, Block(i, {static_cast<float>(2 * i), 0, 0}));
    int visits = 0;
    const bool finished =
        WalkBlocks(m.topBlocks, Mat4{},
                   [&](const BlockNode&, const Mat4&, const Mat4&) { return ++visits < 2; });
    EXPECT_FALSE(finished);
    EXPECT_EQ(visits, 2);
    EXPECT_TRUE(WalkBlocks(m.topBlocks, Mat4{},
                           [](const BlockNode&, const Mat4&, const Mat4&) { return true; }));
}

TEST(ModelWalk, MatchesTheRecursiveDefinitionOnRandomTrees) {
    std::mt19937 rng(7);
    const Mat4 roots[] = {Mat4{}, math::MatrixRotationX(0.3f) * math::MatrixTranslation(1, 2, 3)};
    for (int round = 0; round < 6; ++round) {
        const Mat4& root = roots[round % 2];
        CVelVorlaModel m;
        testsupport::FillRandomTree(m, rng, 400);
        m.topBlocks.Front()->angle = 0;  // the untwisted shortcut too
        std::vector<Reference> expected;
        ReferenceWalk(m.topBlocks, root, root, expected);
        size_t i = 0;
        WalkBlocks(m.topBlocks, root,
                   [&](const BlockNode& n, const Mat4& world, const Mat4& rotation) {
                       ASSERT_LT(i, expected.size());
                       EXPECT_EQ(&n, expected[i].block);
                       EXPECT_LE(math::MaxAbsDifference(world, expected[i].world), 0.0f);
                       EXPECT_LE(math::MaxAbsDifference(rotation, expected[i].rotation), 0.0f);
                       ++i;
                   });
        EXPECT_EQ(i, expected.size());
    }
}

TEST(ModelPlacement, TwistCarriesTheSubtree) {
    CVelVorlaModel m;
    BlockNode& top = AddTop(m, Block(2, {0, 0, 0}, {0, 2, 0}, kPi / 2));
    BlockNode& child = AddChild(m, top, Block(1, {2, 0, 0}, {2, 0, 0}));
    AddChild(m, child, Block(1, {0, 2, 0}, {0, 2, 0}));
    // A quarter turn about +Y takes +X to -Z (left-handed, row vectors).
    const std::vector<Vec3> c = VisitedCentres(m);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_VEC_NEAR(c[0], {0, 2, -2});
    EXPECT_VEC_NEAR(c[1], {0, 0, -2});
    EXPECT_VEC_NEAR(c[2], {0, 0, 0});
}

TEST(ModelPlacement, TopLevelBlockTurnsItsUpOntoItsAxisBeforeTwisting) {
    CVelVorlaModel m;
    // As a delete leaves a re-homed block: axis +X, somewhere in the world.
    BlockNode& rehomed = AddTop(m, Block(0, {4, 0, 0}, {2, 0, 0}, kPi / 2));
    AddChild(m, rehomed, Block(1, {0, 2, 0}, {0, 2, 0}));  // on its own +Y: along +X
    AddChild(m, rehomed, Block(1, {0, 0, 2}, {0, 0, 2}));  // +Z, then twisted about +X
    const std::vector<Vec3> c = VisitedCentres(m);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_VEC_NEAR(c[0], {6, 0, 0});
    EXPECT_VEC_NEAR(c[1], {4, -2, 0});
    EXPECT_VEC_NEAR(c[2], {4, 0, 0});

    // Opposite directions still give a proper half-turn: +Y ends on -Y.
    CVelVorlaModel flipped;
    BlockNode& down = AddTop(flipped, Block(0, {0, 0, 0}, {0, -2, 0}));
    AddChild(flipped, down, Block(1, {0, 2, 0}));
    const std::vector<Vec3> d = VisitedCentres(flipped);
    EXPECT_VEC_NEAR(d[0], {0, -2, 0});
    EXPECT_TRUE(std::isfinite(d[1].x));
}

TEST(ModelPlacement, IsPositionFreeEdges) {
    CVelVorlaModel m;
    BlockNode& top = AddTop(m, Block(2, {0, 0, 0}));
    BlockNode& hidden = AddChild(m, top, Block(2, {0, 0, 2}, {0, 0, 2}, 0, 0));
    AddChild(m, hidden, Block(2, {0, 0, 2}, {0, 0, 2}));  // visible, at (0, 0, 4)

    EXPECT_FALSE(IsPositionFree(m.topBlocks, {0, 0, 0}));  // own centre
    EXPECT_TRUE(IsPositionFree(m.topBlocks, {2, 0, 0}));   // face neighbour
    EXPECT_FALSE(IsPositionFree(m.topBlocks, {1, 0, 0}));  // exactly 1 away
    EXPECT_TRUE(IsPositionFree(m.topBlocks, {1.0001f, 0, 0}));
    EXPECT_TRUE(IsPositionFree(m.topBlocks, {0, 0, 2}));   // only a placeholder there
    EXPECT_FALSE(IsPositionFree(m.topBlocks, {0, 0, 4}));  // deep in another branch
    EXPECT_TRUE(IsPositionFree(BlockList{}, {0, 0, 0}));

    CVelVorlaSystem s;
    EXPECT_FALSE(s.IsPositionFree({0, 0.5f, 0}));
    EXPECT_TRUE(s.IsPositionFree({0, 2, 0}));
}

TEST(ModelPlacement, NearestCentreTiesGoToTheBlockWalkedFirst) {
    CVelVorlaModel m;
    BlockNode& a = AddTop(m, Block(0, {5, 0, 0}));
    AddChild(m, a, Block(1, {-5, 2, 0}));  // (0, 2, 0)
    AddTop(m, Block(2, {0, -2, 0}));
    EXPECT_VEC_NEAR(NearestCentre(m.topBlocks, {0, 0, 0}), {0, 2, 0});

    // Children come before their parent.
    CVelVorlaModel p;
    BlockNode& parent = AddTop(p, Block(0, {0, 2, 0}));
    AddChild(p, parent, Block(1, {0, -4, 0}));  // (0, -2, 0)
    EXPECT_VEC_NEAR(NearestCentre(p.topBlocks, {0, 0, 0}), {0, -2, 0});

    // Sibling order decides among top-level blocks.
    CVelVorlaModel q;
    AddTop(q, Block(0, {0, -2, 0}));
    AddTop(q, Block(0, {0, 2, 0}));
    EXPECT_VEC_NEAR(NearestCentre(q.topBlocks, {0, 0, 0}), {0, -2, 0});

    // A strictly nearer later block still wins; no block: the caller's start.
    AddTop(q, Block(0, {0, 1, 0}));
    EXPECT_VEC_NEAR(NearestCentre(q.topBlocks, {0, 0, 0}), {0, 1, 0});
    EXPECT_VEC_NEAR(NearestCentre(BlockList{}, {3, 3, 3}), {0, 0, 0});
    EXPECT_VEC_NEAR(NearestCentre(BlockList{}, {3, 3, 3}, {1, 2, 3}), {1, 2, 3});
}

TEST(ModelPlacement, GatherCentresAndFarthestDistance) {
    CVelVorlaModel m;
    EXPECT_EQ(GatherCentres(m.topBlocks).count, 0);
    EXPECT_EQ(FarthestDistance(m.topBlocks, {1, 1, 1}), 0.0f);
    BlockNode& a = AddTop(m, Block(0, {0, 0, 0}));
    AddChild(m, a, Block(0, {2, 0, 0}));
    AddChild(m, a, Block(0, {0, 0, -2}));
    AddTop(m, Block(0, {0, 6, 0}, {0, 2, 0}, 0, 0));  // hidden: not counted
    const CentreSummary s = GatherCentres(m.topBlocks);
    EXPECT_EQ(s.count, 3);
    EXPECT_VEC_NEAR(s.min, {0, 0, -2});
    EXPECT_VEC_NEAR(s.max, {2, 0, 0});
    EXPECT_VEC_NEAR(s.sum, {2, 0, -2});
    EXPECT_NEAR(FarthestDistance(m.topBlocks, {0, 0, 0}), 2.0f, 1e-6f);
    EXPECT_NEAR(FarthestDistance(m.topBlocks, {-1, 0, 0}), 3.0f, 1e-6f);
}

TEST(ModelPlacement, RefreshPickedMatricesFindsThePickedBlock) {
    CVelVorlaSystem s;
    CVelVorlaModel m;
    BlockNode& top = AddTop(m, Block(2, {}, {0, 2, 0}, kPi / 2));
    BlockNode& child = AddChild(m, top, Block(1, {2, 0, 0}, {2, 0, 0}));
    AddTop(m, Block(3, {9, 0, 0}));
    testsupport::Adopt(s, std::move(m));
    s.pickedBlock = &child;

    s.pickHit = 0;
    s.RefreshPickedMatrices();  // no pick: nothing to refresh
    EXPECT_EQ(s.pickedWorld, Mat4{});

    s.pickHit = 1;
    s.RefreshPickedMatrices();
    EXPECT_VEC_NEAR(s.pickedWorld.Translation(), {0, 0, -2});
    EXPECT_VEC_NEAR(s.pickedRotation.Translation(), {0, 0, 0});
    EXPECT_VEC_NEAR(math::Vec3TransformCoord({1, 0, 0}, s.pickedRotation), {0, 0, -1});
}

TEST(ModelPlacement, AMillionDeepChainIsWalkedWithoutRecursion) {
    CVelVorlaModel m;
    testsupport::FillChain(m, 1'000'000);
    EXPECT_FALSE(IsPositionFree(m.topBlocks, {0, 2.0f * 999'999, 0}));
    EXPECT_TRUE(IsPositionFree(m.topBlocks, {0, -5, 0}));
    EXPECT_EQ(GatherCentres(m.topBlocks).count, 1'000'000);
    EXPECT_EQ(TreeDepth(m.topBlocks), 1'000'000);
}

TEST(ModelPlacement, TreeDepthCountsLevels) {
    CVelVorlaModel m;
    EXPECT_EQ(TreeDepth(m.topBlocks), 0);
    BlockNode& a = AddTop(m, Block(0, {}));
    EXPECT_EQ(TreeDepth(m.topBlocks), 1);
    BlockNode& b = AddChild(m, a, Block(0, {2, 0, 0}, {2, 0, 0}, 0, 0));
    AddChild(m, b, Block(0, {2, 0, 0}));
    AddChild(m, a, Block(0, {0, 2, 0}));
    AddTop(m, Block(0, {}));
    EXPECT_EQ(TreeDepth(m.topBlocks), 3);
}

}  // namespace
