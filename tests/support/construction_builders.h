#pragma once
// Blocks and trees built by hand, with the colour counters kept right.
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "model/block.h"
#include "model/construction.h"

namespace testsupport {

inline std::unique_ptr<model::BlockNode> Block(int colour, math::Vec3 offset,
                                               math::Vec3 axis = {0, 2, 0}, float angle = 0,
                                               int visible = 1) {
    auto b = std::make_unique<model::BlockNode>();
    b->colour = colour;
    b->offset = offset;
    b->axis = axis;
    b->angle = angle;
    b->visible = visible;
    return b;
}

// Appends a top-level block and keeps the counters right.
inline model::BlockNode& AddTop(model::CVelVorlaModel& model, std::unique_ptr<model::BlockNode> b) {
    model.CountAdded(b->colour);
    return model.topBlocks.PushBack(std::move(b));
}

inline model::BlockNode& AddChild(model::CVelVorlaModel& model, model::BlockNode& parent,
                                  std::unique_ptr<model::BlockNode> b) {
    model.CountAdded(b->colour);
    return parent.AppendChild(std::move(b));
}

// A random tree of `count` blocks: each new block hangs on a random earlier block (or
// becomes top-level), with random fields of every kind the file can hold.
inline void FillRandomTree(model::CVelVorlaModel& model, std::mt19937& rng, int count) {
    std::uniform_real_distribution<float> coord(-4.0f, 4.0f);
    std::uniform_real_distribution<float> angle(-6.2f, 6.2f);
    std::uniform_int_distribution<int> colour(0, 4);
    std::vector<model::BlockNode*> all;
    for (int i = 0; i < count; ++i) {
        auto b = Block(colour(rng), {coord(rng), coord(rng), coord(rng)},
                       {coord(rng), coord(rng), coord(rng)}, angle(rng), rng() % 5 == 0 ? 0 : 1);
        b->selfLit = static_cast<int32_t>(rng() % 3);
        if (all.empty() || rng() % 6 == 0) {
            all.push_back(&AddTop(model, std::move(b)));
        } else {
            model::BlockNode* parent = all[rng() % all.size()];
            all.push_back(&AddChild(model, *parent, std::move(b)));
        }
    }
}

// The construction being edited becomes `model`, as an opened file would (saved). Blocks
// keep their addresses, so pointers taken while building stay good.
inline void Adopt(model::CVelVorlaSystem& system, model::CVelVorlaModel&& model) {
    system.document.Replace(std::move(model), /*saved=*/true);
}

// Unsaved work without changing what the construction looks like: its first block painted
// in its own colour.
inline void MakeUnsaved(model::CVelVorlaSystem& system) {
    const model::BlockNode* first = system.model.topBlocks.Front();
    system.document.Paint(*first, first->colour);
}

// Replaces the construction with top-level blocks at the given centres.
inline void PlaceBlocks(model::CVelVorlaSystem& system, const std::vector<math::Vec3>& centres,
                        int colour = 2, int selfLit = 0) {
    model::CVelVorlaModel m;
    for (const auto& c : centres) AddTop(m, Block(colour, c)).selfLit = selfLit;
    Adopt(system, std::move(m));
}

// A chain: each block the only child of the one before.
inline void FillChain(model::CVelVorlaModel& model, int depth) {
    model::BlockNode* tip = &AddTop(model, Block(2, {0, 0, 0}));
    for (int i = 1; i < depth; ++i) tip = &AddChild(model, *tip, Block(i % 5, {0, 2, 0}));
}

// A chain of `count` blocks, each on a random free face of the one before (tried a few
// times, else wherever the last try points): a tangle some 60 units across at 2,000.
inline void FillTangledChain(model::CVelVorlaModel& model, int count, unsigned seed) {
    std::mt19937 rng(seed);
    const math::Vec3 faces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                 {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    std::set<std::tuple<int, int, int>> taken{{0, 0, 0}};
    math::Vec3 at{0, 0, 0};
    model::BlockNode* tip = &AddTop(model, Block(2, {0, 0, 0}));
    for (int i = 1; i < count; ++i) {
        math::Vec3 step = faces[rng() % 6];
        for (int tries = 0; tries < 12; ++tries) {
            const math::Vec3 next = at + step;
            if (!taken.count({int(next.x), int(next.y), int(next.z)})) break;
            step = faces[rng() % 6];
        }
        at = at + step;
        taken.insert({int(at.x), int(at.y), int(at.z)});
        const int colour = static_cast<int>(rng() % 5);
        tip = &AddChild(model, *tip, Block(colour, step, math::Abs(step)));
    }
}

}  // namespace testsupport
