#include "model/block.h"

#include <utility>

namespace model {

BlockList::BlockList(BlockList&& other) noexcept
    : first_(std::exchange(other.first_, nullptr)), last_(std::exchange(other.last_, nullptr)) {}

BlockList& BlockList::operator=(BlockList&& other) noexcept {
    if (this != &other) {
        Clear();
        first_ = std::exchange(other.first_, nullptr);
        last_ = std::exchange(other.last_, nullptr);
    }
    return *this;
}

size_t BlockList::Count() const {
    size_t n = 0;
    for (const BlockNode* b = first_; b; b = b->next) ++n;
    return n;
}

BlockNode& BlockList::PushBack(std::unique_ptr<BlockNode> node) {
    BlockNode* raw = node.release();
    raw->next = nullptr;
    if (last_) {
        last_->next = raw;
    } else {
        first_ = raw;
    }
    last_ = raw;
    return *raw;
}

std::unique_ptr<BlockNode> BlockList::PopFront() {
    if (!first_) return nullptr;
    BlockNode* node = first_;
    first_ = node->next;
    if (!first_) last_ = nullptr;
    node->next = nullptr;
    return std::unique_ptr<BlockNode>(node);
}

std::unique_ptr<BlockNode> BlockList::Remove(BlockNode* node, BlockNode** before) {
    BlockNode* prev = nullptr;
    for (BlockNode* b = first_; b; prev = b, b = b->next) {
        if (b != node) continue;
        if (before) *before = prev;
        return RemoveAfter(prev);
    }
    return nullptr;
}

BlockNode& BlockList::InsertAfter(BlockNode* before, std::unique_ptr<BlockNode> node) {
    BlockNode* raw = node.release();
    BlockNode*& link = before ? before->next : first_;
    raw->next = link;
    link = raw;
    if (last_ == before) last_ = raw;
    return *raw;
}

std::unique_ptr<BlockNode> BlockList::RemoveAfter(BlockNode* before) {
    BlockNode*& link = before ? before->next : first_;
    BlockNode* b = link;
    if (!b) return nullptr;
    link = b->next;
    if (last_ == b) last_ = before;
    b->next = nullptr;
    return std::unique_ptr<BlockNode>(b);
}

void BlockList::Clear() {
    // One pending chain, linked through `next`: each block's children are spliced in
    // front of the chain before the block is deleted, so every delete finds an empty
    // child list and the destruction never recurses.
    BlockNode* pending = std::exchange(first_, nullptr);
    last_ = nullptr;
    while (pending) {
        BlockNode* node = pending;
        pending = node->next;
        BlockList& kids = node->children;
        if (kids.first_) {
            kids.last_->next = pending;
            pending = kids.first_;
            kids.first_ = kids.last_ = nullptr;
        }
        node->next = nullptr;
        delete node;
    }
}

BlockNode& BlockNode::AppendChild(std::unique_ptr<BlockNode> child) {
    child->parent = this;
    return children.PushBack(std::move(child));
}

}  // namespace model
