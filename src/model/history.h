#pragma once
// Undo and redo of every change to the blocks.
//
// A step holds what changed, never a copy of the construction, so that undoing one edit
// of a huge construction costs as little as the edit did and the history grows with the
// edits alone. Steps refer to the very blocks they changed: a block that an undo takes out
// of the tree (an added block) or that an edit took out (a deleted block) is kept alive,
// detached, inside its step and goes back to the same place in the same list, so block
// pointers stay valid identities across undo and redo, and the walk order (which is also
// the order in the file) comes back exactly. The history is linear: a step is only ever
// undone or redone from the state it left, which is what makes those pointers safe.
//
// A gesture (press to release of the left button) groups what it changes into one step:
// a paint stroke, however many blocks it paints; a twist drag, however far it turns.
#include <cstddef>
#include <deque>
#include <memory>
#include <variant>
#include <vector>

#include "math/vector.h"
#include "model/block.h"

namespace model {

class CVelVorlaSystem;

class UndoHistory {
  public:
    static constexpr size_t kDefaultMemoryLimit = size_t{256} << 20;

    // Where a block sits on its parent: what a twist or a delete's re-homing changes.
    struct Placement {
        math::Vec3 offset;
        math::Vec3 axis;
        float angle = 0;
    };
    static Placement PlacementOf(const BlockNode& block) {
        return {block.offset, block.axis, block.angle};
    }
    // A child of a deleted block, re-homed as a top-level block.
    struct Rehomed {
        BlockNode* block = nullptr;
        Placement was, now;
    };

    explicit UndoHistory(CVelVorlaSystem& system);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // --- Recording. Each call comes right after the change was made to the tree, and
    // marks the construction unsaved.
    // `block` was appended to its parent's children, after `before` (the old last child,
    // or null).
    void Added(BlockNode* block, BlockNode* before);
    // `block` was taken out of its list (its parent's children, or the top-level blocks)
    // from right after `before`; its children were then appended to the top-level blocks,
    // in `children` order, after `topBefore` (the last top-level block at that moment, or
    // null). The history keeps the block.
    void Deleted(std::unique_ptr<BlockNode> block, BlockNode* before, BlockNode* topBefore,
                 std::vector<Rehomed> children);
    void Painted(BlockNode* block, int from, int to);
    // The block's angle or axis changed from `was` (offset unchanged). `ownStep` keeps it
    // out of the gesture in progress (an untwist is always a step of its own).
    void Twisted(BlockNode* block, const Placement& was, bool ownStep = false);

    // Everything recorded from BeginGesture to EndGesture is one step (a save in between
    // splits it, so that the saved state stays reachable). A twist drag that ends where it
    // began leaves no step.
    void BeginGesture();
    void EndGesture();

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // Take the construction one step back or forward; false when there is none. The
    // counters stay exact, `saved` is 1 exactly at the state last saved or loaded, the
    // gesture in progress ends, and no pick, twist selection or paint stroke is left on a
    // block that is no longer in the tree.
    bool Undo();
    bool Redo();

    // Forgets every step (new construction, opened document). The present state counts as
    // the saved one when `saved` is 1.
    void Clear();

    // Approximate bytes held by the steps, and the bound beyond which the oldest go.
    size_t MemoryUsed() const { return bytes_; }
    size_t MemoryLimit() const { return limit_; }
    void SetMemoryLimit(size_t bytes);
    size_t UndoCount() const { return position_; }
    size_t RedoCount() const { return steps_.size() - position_; }

  private:
    struct AddChange {
        BlockNode* block;
        BlockNode* before;
        std::unique_ptr<BlockNode> kept;  // the block while undone
    };
    struct DeleteChange {
        BlockNode* block;
        BlockNode* before;
        BlockNode* topBefore;
        std::unique_ptr<BlockNode> kept;  // the block while deleted
        std::vector<Rehomed> children;
    };
    struct PaintChange {
        BlockNode* block;
        int from, to;
    };
    struct TwistChange {
        BlockNode* block;
        Placement was, now;
    };
    using Change = std::variant<AddChange, DeleteChange, PaintChange, TwistChange>;
    struct Step {
        std::vector<Change> changes;
        size_t extra = 0;  // bytes the changes hold outside the vector
        size_t bytes = 0;  // all of it, as counted in bytes_
    };
    static constexpr size_t kNoState = static_cast<size_t>(-1);

    // A new step for `change`, or `change` added to the gesture's step.
    void Record(Change change, bool ownStep);
    static size_t BytesOf(const Change& change);
    // Adds `extra` held bytes to the step and brings its count (and the total) up to date.
    void Account(Step& step, size_t extra);
    void Revert(Change& change);
    void Apply(Change& change);
    // The state is about to change: remember it as the saved one if it is.
    void NoteSavedState();
    void Settle();
    void Detached(BlockNode* block);
    void Trim();

    CVelVorlaSystem& system_;
    std::deque<Step> steps_;
    size_t position_ = 0;        // steps_[0, position_) are done
    size_t savedAt_ = kNoState;  // position of the state last saved or loaded
    bool gesture_ = false;       // a gesture is in progress
    bool lastOpen_ = false;      // the last done step still takes the gesture's changes
    size_t bytes_ = 0;
    size_t limit_ = kDefaultMemoryLimit;
};

}  // namespace model
