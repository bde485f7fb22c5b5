#include "model/history.h"

#include <utility>

#include "model/document.h"
#include "model/invariant.h"

namespace model {
namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Clang 14 (the fuzz build) does not deduce aggregate template arguments by itself.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

void Place(BlockNode& block, const UndoHistory::Placement& p) {
    block.offset = p.offset;
    block.axis = p.axis;
    block.angle = p.angle;
}

}  // namespace

UndoHistory::UndoHistory(CVelVorlaModel& model, DocumentListener* listener)
    : model_(model), listener_(listener) {}

UndoHistory::~UndoHistory() = default;

void UndoHistory::Added(BlockNode* block, BlockNode* before) {
    Record(AddChange{block, before, nullptr}, false);
}

void UndoHistory::Deleted(std::unique_ptr<BlockNode> block, BlockNode* before, BlockNode* topBefore,
                          std::vector<Rehomed> children) {
    BlockNode* raw = block.get();
    Record(DeleteChange{raw, before, topBefore, std::move(block), std::move(children)}, false);
}

void UndoHistory::Painted(BlockNode* block, int from, int to) {
    Record(PaintChange{block, from, to}, false);
}

void UndoHistory::Twisted(BlockNode* block, const Placement& was, bool ownStep) {
    Record(TwistChange{block, was, PlacementOf(*block)}, ownStep);
}

void UndoHistory::AddedBranch(BlockNode* root, BlockNode* before) {
    std::vector<Change> changes;
    changes.emplace_back(AddChange{root, before, nullptr});
    RecordStep(StepKind::PasteBranch, std::move(changes));
}

void UndoHistory::DeletedBranch(std::unique_ptr<BlockNode> root, BlockNode* before) {
    BlockNode* raw = root.get();
    std::vector<Change> changes;
    changes.emplace_back(DeleteChange{raw, before, nullptr, std::move(root), {}});
    RecordStep(StepKind::DeleteBranch, std::move(changes));
}

void UndoHistory::PaintedBranch(const std::vector<std::pair<BlockNode*, int>>& was, int to) {
    std::vector<Change> changes;
    changes.reserve(was.size());
    for (const auto& [block, from] : was) changes.emplace_back(PaintChange{block, from, to});
    RecordStep(StepKind::PaintBranch, std::move(changes));
}

StepKind UndoHistory::KindOf(const Change& change) {
    return std::visit(Overloaded{
                          [](const AddChange&) { return StepKind::AddBlock; },
                          [](const DeleteChange&) { return StepKind::DeleteBlock; },
                          [](const PaintChange&) { return StepKind::Paint; },
                          [](const TwistChange&) { return StepKind::Twist; },
                      },
                      change);
}

std::optional<StepKind> UndoHistory::UndoKind() const {
    if (PendingChanges()) return pending_.kind;
    if (position_ == 0) return std::nullopt;
    return steps_[position_ - 1].kind;
}

std::optional<StepKind> UndoHistory::RedoKind() const {
    if (!CanRedo()) return std::nullopt;
    return steps_[position_].kind;
}

void UndoHistory::BeginGesture() {
    Commit();
    gesture_ = true;
}

void UndoHistory::EndGesture() {
    Commit();
    gesture_ = false;
}

size_t UndoHistory::BytesOf(const Change& change) {
    return std::visit(Overloaded{
                          [](const AddChange& a) {
                              // A pasted branch keeps all its blocks while undone.
                              size_t n = 0;
                              ForEachInSubtree(*a.block, [&n](const BlockNode&) { ++n; });
                              return n * sizeof(BlockNode);
                          },
                          [](const DeleteChange& d) {
                              size_t n = 0;
                              ForEachInSubtree(*d.block, [&n](const BlockNode&) { ++n; });
                              return n * sizeof(BlockNode) +
                                     d.children.capacity() * sizeof(Rehomed);
                          },
                          [](const PaintChange&) { return size_t{0}; },
                          [](const TwistChange&) { return size_t{0}; },
                      },
                      change);
}

bool UndoHistory::ChangesNothing(const Step& step) {
    for (const Change& change : step.changes) {
        const auto* twist = std::get_if<TwistChange>(&change);
        if (!twist || !(twist->was == twist->now)) return false;
    }
    return true;
}

bool UndoHistory::PendingChanges() const {
    return !pending_.changes.empty() && !ChangesNothing(pending_);
}

void UndoHistory::Record(Change change, bool ownStep) {
    if (gesture_ && !ownStep) {
        auto* twist = std::get_if<TwistChange>(&change);
        auto* last =
            pending_.changes.empty() ? nullptr : std::get_if<TwistChange>(&pending_.changes.back());
        if (twist && last && last->block == twist->block) {
            // A drag turns one block many times: keep where it started and where it is.
            last->now = twist->now;
        } else {
            if (pending_.changes.empty()) pending_.kind = KindOf(change);
            pending_.changes.push_back(std::move(change));
            pending_.extra += BytesOf(pending_.changes.back());
        }
        return;
    }
    const StepKind kind = KindOf(change);
    std::vector<Change> changes;
    changes.push_back(std::move(change));
    RecordStep(kind, std::move(changes));
}

void UndoHistory::RecordStep(StepKind kind, std::vector<Change> changes) {
    Commit();
    pending_.kind = kind;
    pending_.changes = std::move(changes);
    for (const Change& change : pending_.changes) pending_.extra += BytesOf(change);
    Commit();
}

void UndoHistory::SubtreeLeft(BlockNode& root) {
    ForEachInSubtree(root, [this](BlockNode& b) {
        model_.CountRemoved(b.colour);
        if (listener_) listener_->BlockLeft(&b);
    });
}

void UndoHistory::SubtreeCame(BlockNode& root) {
    ForEachInSubtree(root, [this](BlockNode& b) { model_.CountAdded(b.colour); });
}

void UndoHistory::Commit() {
    if (pending_.changes.empty()) return;
    Step step = std::exchange(pending_, Step{});
    if (ChangesNothing(step)) return;  // a drag that came back to where it started
    while (steps_.size() > position_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    if (savedAt_ != kNoState && savedAt_ > position_) savedAt_ = kNoState;
    Step& added = steps_.emplace_back(std::move(step));
    const size_t extra = added.extra;
    added.extra = 0;
    Account(added, extra);
    ++position_;
    Trim();
}

void UndoHistory::Account(Step& step, size_t extra) {
    bytes_ -= step.bytes;
    step.extra += extra;
    step.bytes = sizeof(Step) + step.changes.capacity() * sizeof(Change) + step.extra;
    bytes_ += step.bytes;
}

void UndoHistory::MarkSaved() {
    // Later changes of the same gesture make a step of their own, so that the saved state
    // stays one that undo can return to.
    Commit();
    savedAt_ = position_;
}

bool UndoHistory::Undo() {
    Commit();
    if (position_ == 0) return false;
    Step& step = steps_[position_ - 1];
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) Revert(*it);
    --position_;
    return true;
}

bool UndoHistory::Redo() {
    Commit();
    if (position_ == steps_.size()) return false;
    for (Change& change : steps_[position_].changes) Apply(change);
    ++position_;
    return true;
}

void UndoHistory::Revert(Change& change) {
    auto listOf = [this](BlockNode* b) -> BlockList& {
        return b->parent ? b->parent->children : model_.topBlocks;
    };
    std::visit(Overloaded{
                   [&](AddChange& c) {
                       // Later steps, undone first, took away whatever came to hang on it.
                       c.kept = listOf(c.block).RemoveAfter(c.before);
                       MODEL_CHECK(c.kept.get() == c.block,
                                   "undo of an add found another block in its place");
                       SubtreeLeft(*c.block);
                   },
                   [&](DeleteChange& c) {
                       SubtreeCame(*c.kept);
                       for (const Rehomed& r : c.children) {
                           std::unique_ptr<BlockNode> child =
                               model_.topBlocks.RemoveAfter(c.topBefore);
                           MODEL_CHECK(child.get() == r.block,
                                       "undo of a delete found another top-level block");
                           Place(*child, r.was);
                           c.kept->AppendChild(std::move(child));
                       }
                       listOf(c.block).InsertAfter(c.before, std::move(c.kept));
                   },
                   [&](PaintChange& c) {
                       model_.CountRecoloured(c.to, c.from);
                       c.block->colour = c.from;
                   },
                   [&](TwistChange& c) { Place(*c.block, c.was); },
               },
               change);
}

void UndoHistory::Apply(Change& change) {
    auto listOf = [this](BlockNode* b) -> BlockList& {
        return b->parent ? b->parent->children : model_.topBlocks;
    };
    std::visit(Overloaded{
                   [&](AddChange& c) {
                       MODEL_CHECK(c.kept.get() == c.block, "redo of an add lost its block");
                       listOf(c.block).InsertAfter(c.before, std::move(c.kept));
                       SubtreeCame(*c.block);
                   },
                   [&](DeleteChange& c) {
                       c.kept = listOf(c.block).RemoveAfter(c.before);
                       MODEL_CHECK(c.kept.get() == c.block,
                                   "redo of a delete found another block in its place");
                       for (const Rehomed& r : c.children) {
                           std::unique_ptr<BlockNode> child = c.kept->children.PopFront();
                           MODEL_CHECK(child.get() == r.block,
                                       "redo of a delete found another child");
                           child->parent = nullptr;
                           Place(*child, r.now);
                           model_.topBlocks.PushBack(std::move(child));
                       }
                       SubtreeLeft(*c.block);
                   },
                   [&](PaintChange& c) {
                       model_.CountRecoloured(c.from, c.to);
                       c.block->colour = c.to;
                   },
                   [&](TwistChange& c) { Place(*c.block, c.now); },
               },
               change);
}

void UndoHistory::Clear(bool saved) {
    steps_.clear();
    pending_ = Step{};
    position_ = 0;
    bytes_ = 0;
    savedAt_ = saved ? 0 : kNoState;
}

void UndoHistory::SetMemoryLimit(size_t bytes) {
    limit_ = bytes;
    Trim();
}

void UndoHistory::Trim() {
    // The oldest done steps go first; the newest step stays whatever its size.
    while (bytes_ > limit_ && position_ > 1) {
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --position_;
        if (savedAt_ != kNoState) savedAt_ = savedAt_ == 0 ? kNoState : savedAt_ - 1;
    }
}

}  // namespace model
