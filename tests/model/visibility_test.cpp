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

// The rule read literally, in quadratic time: for every visible block, look through all
// the others for the 26 neighbouring places they fill.
std::vector<bool> BruteForceEnclosed(const BlockList& top) {
    struct Seen {
        Vec3 centre;
        Mat4 world;
        bool drawn;
    };
    std::vector<Seen> seen;
    WalkBlocks(top, Mat4{}, [&](const BlockNode& b, const Mat4& world, const Mat4&) {
        seen.push_back({world.Translation(), world, b.colour >= 0 && b.colour <= 4});
    });
    // Each of the block's own axes lies along a world axis, and they stay right-handed.
    auto squareToWorld = [](const Mat4& w) {
        for (int r = 0; r < 3; ++r) {
            const Vec3 axis{w.m[r][0], w.m[r][1], w.m[r][2]};
            const float big = std::max({std::fabs(axis.x), std::fabs(axis.y), std::fabs(axis.z)});
            const float rest = math::LengthSq(axis) - big * big;  // the other two, squared
            if (std::fabs(big - 1.0f) > 1e-3f || rest > 1e-6f) return false;
        }
        const Vec3 x{w.m[0][0], w.m[0][1], w.m[0][2]}, y{w.m[1][0], w.m[1][1], w.m[1][2]};
        return math::Dot(math::Cross(x, y), Vec3{w.m[2][0], w.m[2][1], w.m[2][2]}) > 0;
    };
    auto onLattice = [&](const Seen& s) {
        const Vec3 snapped{2 * std::round(s.centre.x / 2), 2 * std::round(s.centre.y / 2),
                           2 * std::round(s.centre.z / 2)};
        return squareToWorld(s.world) && math::Distance(snapped, s.centre) < 0.01f;
    };
    std::vector<bool> lattice(seen.size());
    for (size_t i = 0; i < seen.size(); ++i) lattice[i] = onLattice(seen[i]);
    std::vector<bool> out(seen.size(), false);
    for (size_t i = 0; i < seen.size(); ++i) {
        if (!lattice[i]) continue;
        bool filled[3][3][3] = {};
        for (size_t j = 0; j < seen.size(); ++j) {
            if (!seen[j].drawn || !lattice[j]) continue;
            const Vec3 d = (seen[j].centre - seen[i].centre) * 0.5f;
            const Vec3 steps{std::round(d.x), std::round(d.y), std::round(d.z)};
            if (math::Distance(steps, d) > 0.005f || std::fabs(steps.x) > 1 ||
                std::fabs(steps.y) > 1 || std::fabs(steps.z) > 1)
                continue;
            filled[int(steps.x) + 1][int(steps.y) + 1][int(steps.z) + 1] = true;
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

TEST(ModelVisibility, AChildSquareToTheWorldAgainClosesThePlaceItFills) {
    // The far corner of a 3 x 3 x 3 cube is a placeholder, so the centre shows...
    CVelVorlaModel m;
    std::vector<BlockNode*> blocks = FillCube(m, 3);
    blocks[26]->visible = 0;
    EXPECT_EQ(CountTrue(FindEnclosedBlocks(m.topBlocks)), 0u);
    // ...until a block fills that corner again: the child, twisted by -0.3 under a parent
    // twisted by 0.3 about the same axis, is square to the world at (4, 4, 4).
    BlockNode& twisted = AddTop(m, Block(1, {4, 6, 4}, {0, 2, 0}, 0.3f));
    AddChild(m, twisted, Block(1, {0, -2, 0}, {0, 2, 0}, -0.3f));
    const std::vector<bool> hidden = FindEnclosedBlocks(m.topBlocks);
    ASSERT_EQ(hidden.size(), 28u);
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
