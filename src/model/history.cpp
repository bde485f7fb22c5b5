#include "model/history.h"

#include <cassert>
#include <utility>

#include "model/construction.h"

using namespace input;

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

UndoHistory::UndoHistory(CVelVorlaSystem& system) : system_(system) {}

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

void UndoHistory::BeginGesture() {
    gesture_ = true;
    lastOpen_ = false;
}

void UndoHistory::EndGesture() {
    // A drag that ends where it began changed nothing: it leaves no step to undo and no
    // work to save.
    if (lastOpen_ && position_ == steps_.size()) {
        const Step& step = steps_.back();
        const auto* twist =
            step.changes.size() == 1 ? std::get_if<TwistChange>(&step.changes[0]) : nullptr;
        if (twist && twist->was.offset == twist->now.offset && twist->was.axis == twist->now.axis &&
            twist->was.angle == twist->now.angle) {
            bytes_ -= step.bytes;
            steps_.pop_back();
            --position_;
            system_.saved = position_ == savedAt_ ? 1 : 0;
        }
    }
    gesture_ = false;
    lastOpen_ = false;
}

size_t UndoHistory::BytesOf(const Change& change) {
    return std::visit(Overloaded{
                          [](const AddChange&) { return sizeof(BlockNode); },
                          [](const DeleteChange& d) {
                              return sizeof(BlockNode) + d.children.capacity() * sizeof(Rehomed);
                          },
                          [](const PaintChange&) { return size_t{0}; },
                          [](const TwistChange&) { return size_t{0}; },
                      },
                      change);
}

void UndoHistory::Record(Change change, bool ownStep) {
    // A save in the middle of a gesture ends its step: the saved state must stay one that
    // undo can return to.
    const bool merge = !ownStep && gesture_ && lastOpen_ && position_ > 0 && system_.saved == 0;
    if (merge) {
        Step& step = steps_[position_ - 1];
        auto* twist = std::get_if<TwistChange>(&change);
        auto* last =
            step.changes.empty() ? nullptr : std::get_if<TwistChange>(&step.changes.back());
        if (twist && last && last->block == twist->block) {
            // A drag turns one block many times: keep where it started and where it is.
            last->now = twist->now;
        } else {
            step.changes.push_back(std::move(change));
            Account(step, BytesOf(step.changes.back()));
        }
    } else {
        NoteSavedState();
        while (steps_.size() > position_) {
            bytes_ -= steps_.back().bytes;
            steps_.pop_back();
        }
        if (savedAt_ != kNoState && savedAt_ > position_) savedAt_ = kNoState;
        Step& step = steps_.emplace_back();
        step.changes.push_back(std::move(change));
        Account(step, BytesOf(step.changes.back()));
        ++position_;
        lastOpen_ = gesture_ && !ownStep;
    }
    system_.saved = 0;
    Trim();
}

void UndoHistory::Account(Step& step, size_t extra) {
    bytes_ -= step.bytes;
    step.extra += extra;
    step.bytes = sizeof(Step) + step.changes.capacity() * sizeof(Change) + step.extra;
    bytes_ += step.bytes;
}

void UndoHistory::NoteSavedState() {
    if (system_.saved == 1) savedAt_ = position_;
}

bool UndoHistory::Undo() {
    if (position_ == 0) return false;
    NoteSavedState();
    lastOpen_ = false;
    Step& step = steps_[position_ - 1];
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) Revert(*it);
    --position_;
    Settle();
    return true;
}

bool UndoHistory::Redo() {
    if (position_ == steps_.size()) return false;
    NoteSavedState();
    lastOpen_ = false;
    for (Change& change : steps_[position_].changes) Apply(change);
    ++position_;
    Settle();
    return true;
}

void UndoHistory::Settle() {
    system_.saved = position_ == savedAt_ ? 1 : 0;
    // A drag or stroke in progress ends: it started from a state that is gone.
    system_.twistDragging = 0;
    system_.paintDragging = 0;
    system_.ConstructionChanged();
}

void UndoHistory::Detached(BlockNode* block) {
    if (system_.pickedBlock == block) {
        system_.pickedBlock = nullptr;
        system_.pickHit = 0;
        system_.twistSelected = 0;
        system_.twistDragging = 0;
    }
    if (system_.lastPainted == block) system_.lastPainted = nullptr;
}

void UndoHistory::Revert(Change& change) {
    CVelVorlaModel& model = system_.model;
    auto listOf = [&model](BlockNode* b) -> BlockList& {
        return b->parent ? b->parent->children : model.topBlocks;
    };
    std::visit(Overloaded{
                   [&](AddChange& c) {
                       c.kept = listOf(c.block).RemoveAfter(c.before);
                       assert(c.kept.get() == c.block && !c.block->HasChildren());
                       model.CountRemoved(c.block->colour);
                       Detached(c.block);
                   },
                   [&](DeleteChange& c) {
                       for (const Rehomed& r : c.children) {
                           std::unique_ptr<BlockNode> child =
                               model.topBlocks.RemoveAfter(c.topBefore);
                           assert(child.get() == r.block);
                           Place(*child, r.was);
                           c.kept->AppendChild(std::move(child));
                       }
                       listOf(c.block).InsertAfter(c.before, std::move(c.kept));
                       model.CountAdded(c.block->colour);
                   },
                   [&](PaintChange& c) {
                       model.CountRecoloured(c.to, c.from);
                       c.block->colour = c.from;
                   },
                   [&](TwistChange& c) { Place(*c.block, c.was); },
               },
               change);
}

void UndoHistory::Apply(Change& change) {
    CVelVorlaModel& model = system_.model;
    auto listOf = [&model](BlockNode* b) -> BlockList& {
        return b->parent ? b->parent->children : model.topBlocks;
    };
    std::visit(Overloaded{
                   [&](AddChange& c) {
                       listOf(c.block).InsertAfter(c.before, std::move(c.kept));
                       model.CountAdded(c.block->colour);
                   },
                   [&](DeleteChange& c) {
                       c.kept = listOf(c.block).RemoveAfter(c.before);
                       assert(c.kept.get() == c.block);
                       for (const Rehomed& r : c.children) {
                           std::unique_ptr<BlockNode> child = c.kept->children.PopFront();
                           assert(child.get() == r.block);
                           child->parent = nullptr;
                           Place(*child, r.now);
                           model.topBlocks.PushBack(std::move(child));
                       }
                       model.CountRemoved(c.block->colour);
                       Detached(c.block);
                   },
                   [&](PaintChange& c) {
                       model.CountRecoloured(c.from, c.to);
                       c.block->colour = c.to;
                   },
                   [&](TwistChange& c) { Place(*c.block, c.now); },
               },
               change);
}

void UndoHistory::Clear() {
    steps_.clear();
    position_ = 0;
    bytes_ = 0;
    lastOpen_ = false;
    savedAt_ = system_.saved == 1 ? 0 : kNoState;
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
