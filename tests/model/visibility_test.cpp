#include "model/visibility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "model/construction.h"
#include "model/placement.h"
#include "support/construction_builders.h"

using namespace input;
using namespace model;

using math::Mat4;
using math::Vec3;
using testsupport::AddChild;
using testsupport::AddTop;
using testsupport::Block;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Top-level blocks filling the places (0..k-1)^3 x 2, x fastest; returns them in that order.
std::vector<BlockNode*> FillCube(CVelVorlaModel& m, int k) {
    std::vector<BlockNode*> out;
    for (int z = 0; z < k; ++z)
        for (int y = 0; y < k; ++y)
            for (int x = 0; x < k; ++x)
                out.push_back(&AddTop(m, Block((x + y + z) % 5, {2.0f * x, 2.0f * y, 2.0f * z})));
    return out;
}

size_t CountTrue(const std::vector<bool>& flags) {
    size_t n = 0;
    for (bool f : flags) n += f;
    return n;
}

// Rigid transforms in double: rotation rows and translation, p -> p x r + t.
struct Frame {
    double r[3][3];
    double t[3];
};

Frame FrameOf(const Mat4& m) {
    Frame f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) f.r[i][j] = m.m[i][j];
    for (int j = 0; j < 3; ++j) f.t[j] = m.m[3][j];
    return f;
}

// `a` seen from the frame `b`: a x inverse(b).
Frame Relative(const Frame& a, const Frame& b) {
    Frame out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.r[i][j] = a.r[i][0] * b.r[j][0] + a.r[i][1] * b.r[j][1] + a.r[i][2] * b.r[j][2];
    for (int j = 0; j < 3; ++j) {
        out.t[j] = 0;
        for (int k = 0; k < 3; ++k) out.t[j] += (a.t[k] - b.t[k]) * b.r[j][k];
    }
    return out;
}

// Each axis of the frame lies along an axis of the one it is seen from, right-handed, and
// its origin is a whole number of block edges away.
bool OnLattice(const Frame& f) {
    for (const auto& row : f.r) {
        const double big = std::max({std::fabs(row[0]), std::fabs(row[1]), std::fabs(row[2])});
        const double rest = row[0] * row[0] + row[1] * row[1] + row[2] * row[2] - big * big;
        if (std::fabs(big - 1.0) > 1e-3 || rest > 1e-6) return false;
    }
    const double det = f.r[0][0] * (f.r[1][1] * f.r[2][2] - f.r[1][2] * f.r[2][1]) -
                       f.r[0][1] * (f.r[1][0] * f.r[2][2] - f.r[1][2] * f.r[2][0]) +
                       f.r[0][2] * (f.r[1][0] * f.r[2][1] - f.r[1][1] * f.r[2][0]);
    if (det < 0.5) return false;
    for (double c : f.t)
        if (std::fabs(c - 2 * std::round(c / 2)) > 0.01) return false;
    return true;
}

// The rule read literally, in quadratic time: every visible block on the lattice of its
// top-level block is enclosed when, seen from that top-level block, each of the 26
// neighbouring places holds a drawn block on its own top-level block's lattice.
std::vector<bool> BruteForceEnclosed(const BlockList& top) {
    struct Seen {
        Frame world, topFrame;
        bool drawn;
    };
    std::vector<Seen> seen;
    for (const BlockNode& t : top) {
        const Frame topFrame = FrameOf(WorldTransform(t, Mat4{}));
        // Only the one top-level tree: its blocks come in walk order.
        auto visit = [&](const BlockNode& b, const Mat4& world, const Mat4&) {
            const BlockNode* root = &b;
            while (root->parent) root = root->parent;
            if (root != &t) return;
            seen.push_back({FrameOf(world), topFrame, b.colour >= 0 && b.colour <= 4});
        };
        WalkBlocks(top, Mat4{}, visit);
    }
    std::vector<bool> lattice(seen.size());
    for (size_t i = 0; i < seen.size(); ++i)
        lattice[i] = OnLattice(Relative(seen[i].world, seen[i].topFrame));
    std::vector<bool> out(seen.size(), false);
    for (size_t i = 0; i < seen.size(); ++i) {
        if (!lattice[i]) continue;
        const Frame self = Relative(seen[i].world, seen[i].topFrame);
        bool filled[3][3][3] = {};
        for (size_t j = 0; j < seen.size(); ++j) {
            if (!seen[j].drawn || !lattice[j]) continue;
            const Frame other = Relative(seen[j].world, seen[i].topFrame);
            if (!OnLattice(other)) continue;
            int steps[3];
            bool near = true;
            for (int c = 0; c < 3; ++c) {
                steps[c] = static_cast<int>(std::lround((other.t[c] - self.t[c]) / 2));
                near = near && std::abs(steps[c]) <= 1;
            }
            if (near) filled[steps[0] + 1][steps[1] + 1][steps[2] + 1] = true;
        }
        filled[1][1][1] = true;  // the block's own place does not count
        bool closed = true;
        for (auto& plane : filled)
            for (auto& row : plane)
                for (bool f : row) closed = closed && f;
        out[i] = closed;
    }
    return out;
}

const Vec3 kFaces[6] = {{2, 0, 0}, {-2, 0, 0}, {0, 2, 0}, {0, -2, 0}, {0, 0, 2}, {0, 0, -2}};

// A twist angle: mostly quarter turns (the block stays on the lattice), sometimes not.
float RandomAngle(std::mt19937& rng) {
    const float quarter[] = {0, 0, 0, kPi / 2, kPi, -kPi / 2, 3 * kPi / 2};
    if (rng() % 8 == 0) return std::uniform_real_distribution<float>(-6.0f, 6.0f)(rng);
    return quarter[rng() % 7];
}

// Blocks hung on random faces of random blocks, kept within a small box so that many are
// closed in; some twisted off the lattice, some top-level ones turned or shifted.
void FillDense(CVelVorlaModel& m, std::mt19937& rng, int count) {
    std::vector<std::pair<BlockNode*, Mat4>> all;  // with its world transform
    const Vec3 topAxes[4] = {{0, 2, 0}, {2, 0, 0}, {0, 0, -2}, {0, -2, 0}};
    for (int i = 0; i < 4; ++i) {
        Vec3 offset{2.0f * (rng() % 4), 2.0f * (rng() % 4), 2.0f * (rng() % 4)};
        if (i == 3) offset.x += 0.3f;  // off the lattice, with everything on it
        BlockNode& b = AddTop(m, Block(i, offset, topAxes[i], RandomAngle(rng)));
        all.push_back({&b, WorldTransform(b, Mat4{})});
    }
    for (int tries = 0; static_cast<int>(all.size()) < count && tries < count * 20; ++tries) {
        auto [parent, parentWorld] = all[rng() % all.size()];
        const Vec3 f = kFaces[rng() % 6];
        auto b = Block(static_cast<int>(rng() % 5), f, math::Abs(f), RandomAngle(rng),
                       rng() % 40 == 0 ? 0 : 1);
        if (rng() % 50 == 0) b->colour = 9;  // not drawn, so it closes nothing
        b->parent = parent;
        const Mat4 world = WorldTransform(*b, parentWorld);
        const Vec3 c = world.Translation();
        if (std::fabs(c.x - 3) > 5 || std::fabs(c.y - 3) > 5 || std::fabs(c.z - 3) > 5) continue;
        all.push_back({&AddChild(m, *parent, std::move(b)), world});
    }
}

std::vector<BlockNode*> AllBlocks(BlockList& top) {
    std::vector<BlockNode*> out;
    std::vector<BlockList*> lists{&top};
    while (!lists.empty()) {
        BlockList* l = lists.back();
        lists.pop_back();
        for (BlockNode& b : *l) {
            out.push_back(&b);
            lists.push_back(&b.children);
        }
    }
    return out;
}

}  // namespace

TEST(ModelVisibility, OnlyTheInteriorOfASolidCubeIsEnclosed) {
    CVelVorlaModel m;
    FillCube(m, 4);
    const std::vector<bool> hidden = FindEnclosedBlocks(m.topBlocks);
    ASSERT_EQ(hidden.size(), 64u);
    // The 2 x 2 x 2 interior: places 1..2 on every axis.
    for (int i = 0; i < 64; ++i) {
        const int x = i % 4, y = i / 4 % 4, z = i / 16;
        const bool inner = x % 3 && y % 3 && z % 3;
        EXPECT_EQ(hidden[static_cast<size_t>(i)], inner) << i;
    }
    CVelVorlaModel empty;
    EXPECT_TRUE(FindEnclosedBlocks(empty.topBlocks).empty());
}

TEST(ModelVisibility, EveryNeighbourMustBeADrawnLatticeBlock) {
    // 3 x 3 x 3: index 13 is the centre; 0 a corner, 4 an edge, 12 a face neighbour.
    struct Case {
        const char* what;
        int block;
        void (*change)(BlockNode&);
        bool centreHidden;
    };
    const Case cases[] = {
        {"nothing changed", 0, [](BlockNode&) {}, true},
        {"corner gone (placeholder)", 0, [](BlockNode& b) { b.visible = 0; }, false},
        {"edge neighbour twisted off the lattice", 4, [](BlockNode& b) { b.angle = 0.4f; }, false},
        {"face neighbour shifted", 12, [](BlockNode& b) { b.offset.z += 0.1f; }, false},
        {"face neighbour of no known colour", 12, [](BlockNode& b) { b.colour = 5; }, false},
        {"neighbour turned a quarter", 12, [](BlockNode& b) { b.angle = kPi / 2; }, true},
        {"neighbour turned onto another axis", 4,
         [](BlockNode& b) {
             b.axis = {0, 0, -2};
         },
         true},
        {"centre turned a half", 13, [](BlockNode& b) { b.angle = -kPi; }, true},
        {"centre twisted off the lattice", 13, [](BlockNode& b) { b.angle = 0.2f; }, false},
        {"centre shifted a little", 13, [](BlockNode& b) { b.offset.x += 0.05f; }, false},
        {"centre mirrored (zero axis, half turn)", 13,
         [](BlockNode& b) {
             b.axis = {0, 0, 0}, b.angle = kPi;
         },
         false},
        {"within rounding of the lattice", 0, [](BlockNode& b) { b.offset.x += 0.001f; }, true},
    };
    for (const Case& c : cases) {
        CVelVorlaModel m;
        std::vector<BlockNode*> blocks = FillCube(m, 3);
        c.change(*blocks[static_cast<size_t>(c.block)]);
        const std::vector<bool> hidden = FindEnclosedBlocks(m.topBlocks);
        const size_t centre = c.block == 0 && blocks[0]->visible == 0 ? 12 : 13;
        ASSERT_EQ(hidden.size(), blocks[0]->visible == 0 ? 26u : 27u) << c.what;
        EXPECT_EQ(hidden[centre], c.centreHidden) << c.what;
        EXPECT_EQ(CountTrue(hidden), c.centreHidden ? 1u : 0u) << c.what;
    }
}

TEST(ModelVisibility, ABlockFillsAPlaceOnlyOnItsOwnTreesLattice) {
    // The far corner of a 3 x 3 x 3 cube is a placeholder, so the centre shows...
    CVelVorlaModel m;
    std::vector<BlockNode*> blocks = FillCube(m, 3);
    blocks[26]->visible = 0;
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(m.topBlocks)), 0u);
    // ...and still does with a block square to the world in that corner whose own tree is
    // not: twisted by -0.3 under a root twisted by 0.3, it is off its root's lattice...
    BlockNode& twisted = AddTop(m, Block(1, {4, 6, 4}, {0, 2, 0}, 0.3f));
    AddChild(m, twisted, Block(1, {0, -2, 0}, {0, 2, 0}, -0.3f));
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(m.topBlocks)), 0u);
    // ...until a tree on the cube's lattice fills the corner.
    BlockNode& square = AddTop(m, Block(1, {4, 6, 4}));
    AddChild(m, square, Block(1, {0, -2, 0}));
    const std::vector<bool> hidden = FindEnclosedBlocks(m.topBlocks);
    ASSERT_EQ(hidden.size(), 30u);
    EXPECT_TRUE(hidden[13]);
    EXPECT_EQ(CountTrue(hidden), 1u);
}

TEST(ModelVisibility, MatchesTheRuleReadLiterallyOnRandomConstructionsAndAfterEdits) {
    std::mt19937 rng(12);
    size_t enclosedSeen = 0;
    for (int round = 0; round < 4; ++round) {
        CVelVorlaModel m;
        FillDense(m, rng, 500);
        for (int edit = 0; edit < 8; ++edit) {
            const std::vector<bool> expected = BruteForceEnclosed(m.topBlocks);
            const std::vector<bool> got = FindEnclosedBlocks(m.topBlocks);
            ASSERT_EQ(got, expected) << "round " << round << " edit " << edit;
            enclosedSeen += CountTrue(got);

            // One edit of each kind in turn: add, delete (subtree and all), twist, hide.
            std::vector<BlockNode*> all = AllBlocks(m.topBlocks);
            BlockNode* b = all[rng() % all.size()];
            switch (edit % 4) {
                case 0: {
                    const Vec3 f = kFaces[rng() % 6];
                    AddChild(m, *b, Block(2, f, math::Abs(f)));
                    break;
                }
                case 1:
                    if (b->parent) b->parent->children.Remove(b);
                    break;
                case 2:
                    b->angle = RandomAngle(rng);
                    break;
                default:
                    b->visible = 1 - b->visible;
                    break;
            }
        }
    }
    // The constructions did close blocks in.
    EXPECT_GT(enclosedSeen, 100u);
}

// A solid k x k x k cube hung on one root block (its corner), the root placed and turned as
// given.
void FillCubeUnderRoot(CVelVorlaModel& m, int k, Vec3 rootOffset, Vec3 rootAxis = {0, 2, 0},
                       float rootAngle = 0) {
    BlockNode& root = AddTop(m, Block(0, rootOffset, rootAxis, rootAngle));
    for (int i = 1; i < k * k * k; ++i)
        AddChild(m, root, Block(i % 5, {2.0f * (i % k), 2.0f * (i / k % k), 2.0f * (i / (k * k))}));
}

TEST(ModelVisibility, ASolidCubeIsClosedInWhereverItsRootSits) {
    struct Case {
        const char* what;
        Vec3 offset, axis;
        float angle;
    } const cases[] = {
        {"even", {-22, -22, 60}, {0, 2, 0}, 0},
        {"odd", {-21, -21, 60}, {0, 2, 0}, 0},
        {"fractional", {0.37f, -5.5f, 3.25f}, {0, 2, 0}, 0},
        {"a quarter turn", {1, 3, 5}, {2, 0, 0}, kPi / 2},
        {"laid on its side and far out", {1001, -3, 7}, {0, 0, -2}, 0},
    };
    for (const Case& c : cases) {
        CVelVorlaModel m;
        FillCubeUnderRoot(m, 5, c.offset, c.axis, c.angle);
        EXPECT_EQ(CountTrue(FindEnclosedBlocks(m.topBlocks)), 27u) << c.what;
    }
    // Top-level blocks each at an odd place share one lattice.
    CVelVorlaModel odd;
    for (int i = 0; i < 125; ++i)
        AddTop(odd, Block(1, {2.0f * (i % 5) - 21, 2.0f * (i / 5 % 5) + 1, 2.0f * (i / 25) + 61}));
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(odd.topBlocks)), 27u);
}

TEST(ModelVisibility, TreesCloseEachOtherInOnlyWhenTheirFramesAgree) {
    // A 5 x 5 x 5 cube in two trees: x = 0..1 under one root, x = 2..4 under another.
    // The second tree's blocks lie where the cube needs them (`inPlace`), or on its root's
    // lattice as if the root were not turned.
    auto build = [](CVelVorlaModel& m, Vec3 secondRoot, Vec3 secondAxis, float secondAngle,
                    bool inPlace) {
        BlockNode& a = AddTop(m, Block(1, {0, 0, 0}));
        BlockNode& b = AddTop(m, Block(2, secondRoot, secondAxis, secondAngle));
        for (int i = 0; i < 125; ++i) {
            const int x = i % 5, y = i / 5 % 5, z = i / 25;
            const Vec3 place{2.0f * x, 2.0f * y, 2.0f * z};
            if (x < 2 && i != 0) AddChild(m, a, Block(1, place));
            if (x >= 2 && place != Vec3{4, 0, 0}) {
                const Mat4 frame = WorldTransform(b, Mat4{});
                AddChild(m, b,
                         Block(2, inPlace ? math::Vec3TransformCoord(
                                                place, math::MatrixInverseOrIdentity(frame))
                                          : place - secondRoot));
            }
        }
    };
    CVelVorlaModel agreeing;
    build(agreeing, {4, 0, 0}, {0, 0, 2}, kPi / 2, true);  // turned a quarter: still one lattice
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(agreeing.topBlocks)), 27u);
    CVelVorlaModel apart;
    build(apart, {4, 0, 0}, {0, 2, 0}, 0.3f, false);  // twisted: each tree keeps its own interior
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(apart.topBlocks)), 9u);
}

TEST(ModelVisibility, BlocksRepeatingOneAnotherAreDrawnAndPickedOnce) {
    CVelVorlaModel m;
    AddTop(m, Block(7, {0, 0, 0}));             // of no known colour: not drawn
    AddTop(m, Block(1, {0, 0, 0}));             // drawn
    AddTop(m, Block(3, {0, 0, 0}));             // the same again, another colour
    AddTop(m, Block(2, {0, 0, 0}, {2, 0, 0}));  // the same place, turned
    BlockNode& parent = AddTop(m, Block(4, {-2, 0, 0}));
    AddChild(m, parent, Block(0, {2, 0, 0}));  // reached another way
    AddTop(m, Block(0, {0, 0, 0.001f}));       // not quite the same place
    // Drawing keeps the last of each group, picking the first.
    const HiddenBlocks hidden = FindHiddenBlocks(m.topBlocks);
    EXPECT_EQ(hidden.fromDrawing,
              (std::vector<bool>{false, true, true, false, false, false, false}));
    EXPECT_EQ(hidden.fromPicking,
              (std::vector<bool>{false, false, true, false, true, false, false}));
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(m.topBlocks)), 0u);
}
