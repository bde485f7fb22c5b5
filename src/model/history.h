#pragma once
// Undo and redo of every change to the blocks, kept for the document (model/document.h),
// which is the only thing that records into it.
//
// A step holds what changed, never a copy of the construction, so that undoing one edit
// of a huge construction costs as little as the edit did and the history grows with the
// edits alone. Steps refer to the very blocks they changed: a block that an undo takes out
// of the tree (an added block) or that an edit took out (a deleted block) is kept alive,
// detached, inside its step and goes back to the same place in the same list, so block
// pointers stay valid identities across undo and redo, and the walk order (which is also
// the order in the file) comes back exactly. The history is linear: a step is only ever
// undone or redone from the state it left, which is what makes those pointers safe, and
// every undo and redo checks that the tree is in that state before it touches it.
//
// A gesture (press to release of the left button) groups what it changes into one step:
// a paint stroke, however many blocks it paints; a twist drag, however far it turns. The
// step is built while the gesture runs and joins the history when it ends; a drag that
// ends where it began joins nothing, so it neither marks the work unsaved nor takes the
// redo steps away.
//
// Whether the work is saved follows from the position: it is saved exactly at the state
// last saved or opened.
//
// Every step knows what kind of edit it was, so that the menu can name what undo and redo
// would take back.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "math/vector.h"
#include "model/block.h"
#include "model/construction_model.h"

namespace model {

class DocumentListener;

// What an undo step did. A gesture's step is of the kind of its first change.
enum class StepKind : uint8_t {
    AddBlock,
    DeleteBlock,
    Paint,
    Twist,
    PasteBranch,
    DeleteBranch,
    PaintBranch,
};

class UndoHistory {
  public:
    static constexpr size_t kDefaultMemoryLimit = size_t{256} << 20;

    // Where a block sits on its parent: what a twist or a delete's re-homing changes.
    struct Placement {
        math::Vec3 offset;
        math::Vec3 axis;
        float angle = 0;
        bool operator==(const Placement&) const = default;
    };
    static Placement PlacementOf(const BlockNode& block) {
        return {block.offset, block.axis, block.angle};
    }
    // A child of a deleted block, re-homed as a top-level block.
    struct Rehomed {
        BlockNode* block = nullptr;
        Placement was, now;
    };

    UndoHistory(CVelVorlaModel& model, DocumentListener* listener);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // --- Recording. Each call comes right after the change was made to the tree.
    // `block` was appended to its list (its parent's children, or the top-level blocks),
    // after `before` (the old last block of that list, or null).
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
    // Whole branches, each a step of its own. `root` was appended with its subtree after
    // `before`; or taken out, with its subtree, from right after `before`; or these blocks
    // were repainted from the colours given to `to`.
    void AddedBranch(BlockNode* root, BlockNode* before);
    void DeletedBranch(std::unique_ptr<BlockNode> root, BlockNode* before);
    void PaintedBranch(const std::vector<std::pair<BlockNode*, int>>& was, int to);

    void BeginGesture();
    void EndGesture();

    bool CanUndo() const { return position_ > 0 || PendingChanges(); }
    bool CanRedo() const { return position_ < steps_.size() && !PendingChanges(); }
    // The kind of the step undo or redo would take; empty when there is none.
    std::optional<StepKind> UndoKind() const;
    std::optional<StepKind> RedoKind() const;
    // Take the construction one step back or forward; false when there is none. The
    // gesture in progress ends first.
    bool Undo();
    bool Redo();

    // The work differs from the state last saved or opened.
    bool Unsaved() const { return position_ != savedAt_ || PendingChanges(); }
    // The present state has just been written to a file.
    void MarkSaved();
    // Forgets every step (the tree was replaced); the present state is the saved one when
    // `saved`, else no state is.
    void Clear(bool saved);

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
        std::unique_ptr<BlockNode> kept;  // the block (with what it brought) while undone
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
        StepKind kind = StepKind::AddBlock;
        std::vector<Change> changes;
        size_t extra = 0;  // bytes the changes hold outside the vector
        size_t bytes = 0;  // all of it, as counted in bytes_
    };
    static constexpr size_t kNoState = static_cast<size_t>(-1);

    void Record(Change change, bool ownStep);
    // `changes` as one step of its own, after the gesture's changes so far.
    void RecordStep(StepKind kind, std::vector<Change> changes);
    static StepKind KindOf(const Change& change);
    // Counter upkeep and news for a subtree that has just left the tree or come back.
    void SubtreeLeft(BlockNode& root);
    void SubtreeCame(BlockNode& root);
    // The gesture's step joins the history, unless it changed nothing.
    void Commit();
    bool PendingChanges() const;
    static bool ChangesNothing(const Step& step);
    static size_t BytesOf(const Change& change);
    void Account(Step& step, size_t extra);
    void Revert(Change& change);
    void Apply(Change& change);
    void Trim();

    CVelVorlaModel& model_;
    DocumentListener* listener_;
    std::deque<Step> steps_;
    Step pending_;          // the gesture's changes so far
    size_t position_ = 0;   // steps_[0, position_) are done
    size_t savedAt_ = 0;    // position of the state last saved or opened
    bool gesture_ = false;  // a gesture is in progress
    size_t bytes_ = 0;
    size_t limit_ = kDefaultMemoryLimit;
};

}  // namespace model
