#pragma once
// The construction being edited and its undo history: the one door through which the
// block tree changes. Every change made through it is counted, versioned and recorded as
// a step that undo can take back, and whoever keeps a block pointer is told when that
// block leaves the tree. Whether the work is saved follows from the history, so nobody
// keeps a flag of their own.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "math/matrix.h"
#include "model/construction_model.h"
#include "model/history.h"
#include "model/visibility.h"

namespace model {

// Told about changes that can leave a block pointer dangling.
class DocumentListener {
  public:
    // `block` has left the tree (a delete, the undo of an add); it lives on, detached, in
    // the history.
    virtual void BlockLeft(const BlockNode* block) = 0;
    // Undo or redo took the tree to another state.
    virtual void HistoryMoved() = 0;
    // Every block was replaced (a new construction, an opened file, restored work).
    virtual void TreeReplaced() = 0;

  protected:
    ~DocumentListener() = default;
};

class Document {
  public:
    using Placement = UndoHistory::Placement;

    // A new construction: one green block, saved.
    explicit Document(DocumentListener* listener = nullptr);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const CVelVorlaModel& Model() const { return model_; }
    // Counts up with every change to the blocks; never repeats a value for other blocks.
    uint64_t Version() const { return version_; }
    // Flags per block the walk visits, in walk order: the blocks that drawing and picking
    // leave out, closed in by their neighbours or repeating another (model/visibility.h).
    // Worked out again only after the construction changed.
    const model::HiddenBlocks& HiddenBlocks() const;

    // --- Saved or not
    bool Unsaved() const { return history_.Unsaved(); }
    // The construction as it is now has just been written to a file.
    void MarkSaved() { history_.MarkSaved(); }

    // --- The changes. Everyone else holds the tree's blocks as const: the blocks passed
    // in must be in this document's tree, which alone changes them. The checks that guard
    // the tree's links stay on in every build.
    // Appends `block` to the children of `parent`, or to the top-level blocks for null.
    const BlockNode& Add(const BlockNode* parent, std::unique_ptr<BlockNode> block);
    // Removes `block`; its children become top-level blocks that keep their place in the
    // world (their subtrees stay attached). `world` and `rotation` are the block's own
    // world transform and world rotation.
    void Delete(const BlockNode& block, const math::Mat4& world, const math::Mat4& rotation);
    void Paint(const BlockNode& block, int colour);
    // The block's joint axis and twist angle become `axis` and `angle`. `ownStep` keeps
    // the change out of the gesture in progress.
    void Twist(const BlockNode& block, const math::Vec3& axis, float angle, bool ownStep = false);
    // Whole branches, each one undo step. AddBranch appends `root` with everything that
    // hangs on it (parent links within it already set) to `parent`'s children, or to the
    // top-level blocks for null. DeleteBranch takes `root` out with all of its subtree.
    // PaintBranch gives every block of the subtree `colour` and returns how many changed
    // (none changed: no step).
    const BlockNode& AddBranch(const BlockNode* parent, std::unique_ptr<BlockNode> root);
    void DeleteBranch(const BlockNode& root);
    size_t PaintBranch(const BlockNode& root, int colour);
    // Everything changed from BeginGesture to EndGesture is one undo step.
    void BeginGesture() { history_.BeginGesture(); }
    void EndGesture() { history_.EndGesture(); }
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    std::optional<StepKind> UndoKind() const { return history_.UndoKind(); }
    std::optional<StepKind> RedoKind() const { return history_.RedoKind(); }
    bool Undo();
    bool Redo();
    // A whole new tree: an opened file (`saved`), restored work (not saved). The history
    // starts afresh.
    void Replace(CVelVorlaModel model, bool saved);
    // A new construction: one green block, saved.
    void Reset();

    const UndoHistory& History() const { return history_; }
    void SetHistoryMemoryLimit(size_t bytes) { history_.SetMemoryLimit(bytes); }

  private:
    void Changed() { ++version_; }
    // The document owns every block of its tree; callers hold them as const.
    static BlockNode& Own(const BlockNode& block) { return const_cast<BlockNode&>(block); }

    CVelVorlaModel model_;
    DocumentListener* listener_;
    UndoHistory history_{model_, listener_};
    uint64_t version_ = 0;

    mutable model::HiddenBlocks hidden_;
    mutable uint64_t hiddenVersion_ = 0;
    mutable bool hiddenKnown_ = false;
};

}  // namespace model
