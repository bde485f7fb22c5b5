#include "model/document.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "model/invariant.h"
#include "model/placement.h"
#include "model/visibility.h"

namespace model {

using namespace math;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

BlockList& ListOf(CVelVorlaModel& model, BlockNode& block) {
    return block.parent ? block.parent->children : model.topBlocks;
}

}  // namespace

namespace {

CVelVorlaModel NewConstruction() {
    CVelVorlaModel fresh;
    fresh.topBlocks.PushBack(MakeInitialBlock());
    fresh.CountAdded(ColourGreen);
    return fresh;
}

}  // namespace

// The listener may still be under construction: it hears of nothing until later.
Document::Document(DocumentListener* listener) : model_(NewConstruction()), listener_(listener) {}

const HiddenBlocks& Document::HiddenBlocks() const {
    if (!hiddenKnown_ || hiddenVersion_ != version_) {
        hidden_ = FindHiddenBlocks(model_.topBlocks);
        hiddenVersion_ = version_;
        hiddenKnown_ = true;
    }
    return hidden_;
}

const BlockNode& Document::Add(const BlockNode* parent, std::unique_ptr<BlockNode> block) {
    MODEL_CHECK(block && !block->HasChildren(), "a block is added on its own");
    BlockList& list = parent ? Own(*parent).children : model_.topBlocks;
    BlockNode* before = list.Back();
    BlockNode& added =
        parent ? Own(*parent).AppendChild(std::move(block)) : list.PushBack(std::move(block));
    model_.CountAdded(added.colour);
    Changed();
    history_.Added(&added, before);
    return added;
}

const BlockNode& Document::AddBranch(const BlockNode* parent, std::unique_ptr<BlockNode> root) {
    MODEL_CHECK(root != nullptr, "a branch has a root");
    BlockList& list = parent ? Own(*parent).children : model_.topBlocks;
    BlockNode* before = list.Back();
    BlockNode& added =
        parent ? Own(*parent).AppendChild(std::move(root)) : list.PushBack(std::move(root));
    if (!parent) added.parent = nullptr;
    ForEachInSubtree(added, [this](const BlockNode& b) { model_.CountAdded(b.colour); });
    Changed();
    history_.AddedBranch(&added, before);
    return added;
}

void Document::DeleteBranch(const BlockNode& root) {
    BlockNode& doomed = Own(root);
    BlockNode* before = nullptr;
    std::unique_ptr<BlockNode> removed = ListOf(model_, doomed).Remove(&doomed, &before);
    MODEL_CHECK(removed != nullptr, "a branch to delete is not in the tree");
    ForEachInSubtree(*removed, [this](const BlockNode& b) { model_.CountRemoved(b.colour); });
    Changed();
    BlockNode& gone = *removed;
    history_.DeletedBranch(std::move(removed), before);
    if (listener_) ForEachInSubtree(gone, [this](const BlockNode& b) { listener_->BlockLeft(&b); });
}

size_t Document::PaintBranch(const BlockNode& root, int colour) {
    std::vector<std::pair<BlockNode*, int>> was;
    ForEachInSubtree(Own(root), [&](BlockNode& b) {
        if (b.colour == colour) return;
        was.emplace_back(&b, b.colour);
        model_.CountRecoloured(b.colour, colour);
        b.colour = colour;
    });
    if (was.empty()) return 0;
    Changed();
    history_.PaintedBranch(was, colour);
    return was.size();
}

void Document::Delete(const BlockNode& block, const Mat4& world, const Mat4& rotation) {
    BlockNode& doomed = Own(block);
    BlockNode* before = nullptr;
    std::unique_ptr<BlockNode> removed = ListOf(model_, doomed).Remove(&doomed, &before);
    MODEL_CHECK(removed != nullptr, "a block to delete is not in the tree");

    BlockNode* topBefore = model_.topBlocks.Back();
    std::vector<UndoHistory::Rehomed> rehomed;
    while (std::unique_ptr<BlockNode> child = removed->children.PopFront()) {
        const Placement was = UndoHistory::PlacementOf(*child);
        child->parent = nullptr;
        // An exact half-turn would make the axis turn onto exact opposites below.
        if (child->angle == -kPi) child->angle = -3.1415f;
        if (child->angle == kPi) child->angle = 3.1415f;
        const UprightTwist upright =
            UprightTwistFor(MatrixRotationAxis(child->axis, child->angle) * rotation);
        child->angle = upright.angle;
        child->axis = upright.axis;
        child->offset = Vec3TransformCoord(child->offset, world);
        rehomed.push_back({child.get(), was, UndoHistory::PlacementOf(*child)});
        model_.topBlocks.PushBack(std::move(child));
    }

    model_.CountRemoved(removed->colour);
    Changed();
    const BlockNode* gone = removed.get();
    history_.Deleted(std::move(removed), before, topBefore, std::move(rehomed));
    if (listener_) listener_->BlockLeft(gone);
}

void Document::Paint(const BlockNode& painted, int colour) {
    BlockNode& block = Own(painted);
    const int from = block.colour;
    model_.CountRecoloured(from, colour);
    block.colour = colour;
    Changed();
    history_.Painted(&block, from, colour);
}

void Document::Twist(const BlockNode& twisted, const Vec3& axis, float angle, bool ownStep) {
    BlockNode& block = Own(twisted);
    const Placement was = UndoHistory::PlacementOf(block);
    block.axis = axis;
    block.angle = angle;
    Changed();
    history_.Twisted(&block, was, ownStep);
}

bool Document::Undo() {
    if (!history_.Undo()) return false;
    Changed();
    if (listener_) listener_->HistoryMoved();
    return true;
}

bool Document::Redo() {
    if (!history_.Redo()) return false;
    Changed();
    if (listener_) listener_->HistoryMoved();
    return true;
}

void Document::Replace(CVelVorlaModel model, bool saved) {
    // Nothing may point into the old tree once it is gone: the listener lets go first,
    // then the history, which keeps detached blocks of the old tree alive.
    if (listener_) listener_->TreeReplaced();
    history_.Clear(saved);
    model_ = std::move(model);
    Changed();
}

void Document::Reset() {
    Replace(NewConstruction(), true);
}

}  // namespace model
