#pragma once
// Where blocks are: the local transform of a block and the walk that composes the
// transforms from the top-level blocks down, plus the passes built on the walk.
#include <deque>
#include <span>
#include <type_traits>

#include "math/matrix.h"
#include "math/vector.h"
#include "model/block.h"

namespace model {

// Twist about the block's joint axis; a top-level block first has its own +Y turned
// onto that axis.
math::Mat4 TwistMatrix(const BlockNode& block);
// Twist, then move to the block's offset.
math::Mat4 LocalTransform(const BlockNode& block);
// LocalTransform(block) x parentWorld, using that a local transform is a rotation plus
// a translation (the same values, fewer operations).
math::Mat4 WorldTransform(const BlockNode& block, const math::Mat4& parentWorld);

// Walks `list` and every subtree in the order all passes share: for each block in list
// order, its children first, then the block itself. A block with visible != 1 is not
// visited, and is skipped entirely when it has no children; a placeholder with children
// still passes its transform on to them.
//
// `visit(block, world, rotationWorld)` may return bool: false stops the whole walk. It may
// change a block's fields but must not add, remove or move blocks.
// WalkBlocks returns false when it was stopped, true when it went through everything.
// `root` is the parent transform of the top-level blocks (for both matrices).
//
// The walk is iterative; its stack holds one world matrix per level of nesting. The
// rotation-only world transform is not kept separately: every local transform is a
// rotation followed by a translation, so it equals `world` with the last row replaced
// by the root's.
template <class List, class Visitor>
bool WalkBlocks(List& list, const math::Mat4& root, Visitor&& visit) {
    using Node = std::conditional_t<std::is_const_v<List>, const BlockNode, BlockNode>;
    struct Frame {
        Node* block;
        math::Mat4 world;
    };
    // Grows in fixed chunks and keeps element addresses: no copying of a deep stack.
    std::deque<Frame> stack;

    auto rotationOf = [&root](const math::Mat4& world) {
        math::Mat4 r = world;
        for (int c = 0; c < 4; ++c) r.m[3][c] = root.m[3][c];
        return r;
    };
    auto call = [&visit, &rotationOf](Node& block, const math::Mat4& world) -> bool {
        if constexpr (std::is_same_v<decltype(visit(block, world, world)), bool>) {
            return visit(block, world, rotationOf(world));
        } else {
            visit(block, world, rotationOf(world));
            return true;
        }
    };

    Node* cursor = list.Front();
    const math::Mat4* parentWorld = &root;
    for (;;) {
        while (cursor) {
            Node& block = *cursor;
            const bool visible = block.visible == 1;
            if (!visible && !block.HasChildren()) {
                cursor = block.next;
                continue;
            }
            // The walk chases pointers; start fetching the next block it will need.
            __builtin_prefetch(block.next);
            __builtin_prefetch(block.children.Front());
            math::Mat4 world = WorldTransform(block, *parentWorld);
            if (block.HasChildren()) {
                stack.push_back({&block, world});
                parentWorld = &stack.back().world;
                cursor = block.children.Front();
                continue;
            }
            if (!call(block, world)) return false;
            cursor = block.next;
        }
        if (stack.empty()) return true;
        // Every child of the top frame's block is done: now the block itself.
        Frame done = stack.back();
        stack.pop_back();
        parentWorld = stack.empty() ? &root : &stack.back().world;
        if (done.block->visible == 1 && !call(*done.block, done.world)) return false;
        cursor = done.block->next;
    }
}

// The joint axis and twist that give a top-level block the world rotation `rotation` (a
// rotation; its translation is ignored): its own +Y turned onto the axis, then twisted.
struct UprightTwist {
    math::Vec3 axis;
    float angle = 0;
};
UprightTwist UprightTwistFor(const math::Mat4& rotation);

// Centre of a block whose world transform is `world`.
inline math::Vec3 BlockCentre(const math::Mat4& world) {
    return world.Translation();
}

// False as soon as a visible block's centre lies within distance 1 of `point`.
bool IsPositionFree(const BlockList& topBlocks, const math::Vec3& point);
// The same for many points at once, in one walk: false when any of them is taken.
bool ArePositionsFree(const BlockList& topBlocks, std::span<const math::Vec3> points);

// World transform of a block of a tree (identity as the root transform), from the chain
// of its parents.
math::Mat4 WorldOf(const BlockNode& block);

struct CentreSummary {
    math::Vec3 min, max, sum;
    int count = 0;
};
// Bounding box, sum and number of the visible blocks' centres (all zero when none), with
// `root` as the top-level blocks' parent transform.
CentreSummary GatherCentres(const BlockList& topBlocks, const math::Mat4& root = math::Mat4{});

// A parent transform for the top-level blocks that brings a construction lying far from
// the origin next to it, the identity for one already near. Floats cannot place a camera
// a few units from blocks a billion units out; moved, the blocks keep their places
// relative to one another and to the camera framing them, and the grid, drawn with the
// same transform, stays where it was for them: out of sight.
math::Mat4 RootNearOrigin(const BlockList& topBlocks);

// Largest distance from `point` to a visible block's centre; 0 when there is none.
float FarthestDistance(const BlockList& topBlocks, const math::Vec3& point,
                       const math::Mat4& root = math::Mat4{});

// Centre of the visible block nearest to `point` (the first in walk order among equals);
// `start` when there is no visible block.
math::Vec3 NearestCentre(const BlockList& topBlocks, const math::Vec3& point,
                         const math::Vec3& start = {});

// Number of levels of nesting (0 for an empty list, 1 for top-level blocks only).
// Counts every block, visible or not; iterative.
int TreeDepth(const BlockList& topBlocks);

}  // namespace model
