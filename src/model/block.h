#pragma once
// One block of a construction and the ordered lists that own blocks.
//
// Blocks are linked into their list through an intrusive `next` pointer: a block costs
// 72 bytes plus the allocator's header, with no separate allocation per child list.
// Destroying a list never recurses, so a chain of any depth is released safely.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "math/vector.h"

namespace model {

struct BlockNode;

// Ordered, owning list of blocks (insertion order is the order of every walk, of
// picking ties and of the file). Appending is O(1); removing a block is O(position).
class BlockList {
  public:
    template <class Node>
    class Iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = BlockNode;
        using difference_type = std::ptrdiff_t;
        using pointer = Node*;
        using reference = Node&;

        Iterator() = default;
        explicit Iterator(Node* node) : node_(node) {}
        reference operator*() const { return *node_; }
        pointer operator->() const { return node_; }
        Iterator& operator++();
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const Iterator& o) const { return node_ == o.node_; }
        bool operator!=(const Iterator& o) const { return node_ != o.node_; }

      private:
        Node* node_ = nullptr;
    };
    using iterator = Iterator<BlockNode>;
    using const_iterator = Iterator<const BlockNode>;

    BlockList() = default;
    BlockList(const BlockList&) = delete;
    BlockList& operator=(const BlockList&) = delete;
    BlockList(BlockList&& other) noexcept;
    BlockList& operator=(BlockList&& other) noexcept;
    ~BlockList() { Clear(); }

    bool Empty() const { return first_ == nullptr; }
    BlockNode* Front() const { return first_; }
    BlockNode* Back() const { return last_; }
    // Number of blocks in this list (not in their subtrees); walks the list.
    size_t Count() const;

    // Appends at the tail and returns the block, now owned by the list.
    BlockNode& PushBack(std::unique_ptr<BlockNode> node);
    // Detaches the first block (null when empty).
    std::unique_ptr<BlockNode> PopFront();
    // Detaches `node` from this list; null when it is not a member. `before`, when given,
    // receives the block that preceded it (null when it was the first).
    std::unique_ptr<BlockNode> Remove(BlockNode* node, BlockNode** before = nullptr);
    // Puts `node` right after `before` (a member of this list), or first when `before` is
    // null. O(1): undo puts a block back exactly where it was.
    BlockNode& InsertAfter(BlockNode* before, std::unique_ptr<BlockNode> node);
    // Detaches the block right after `before`, or the first when `before` is null; null
    // when there is none. O(1).
    std::unique_ptr<BlockNode> RemoveAfter(BlockNode* before);
    // Destroys every block of the list and of all their subtrees, without recursion.
    void Clear();

    iterator begin() { return iterator(first_); }
    iterator end() { return iterator(); }
    const_iterator begin() const { return const_iterator(first_); }
    const_iterator end() const { return const_iterator(); }

  private:
    BlockNode* first_ = nullptr;
    BlockNode* last_ = nullptr;
};

struct BlockNode {
    int32_t colour = 0;        // colour index 0..4
    math::Vec3 offset;         // centre in the parent's frame
    math::Vec3 axis{0, 2, 0};  // joint axis
    float angle = 0;           // twist about `axis`, radians
    int32_t visible = 1;       // 0: placeholder, not drawn nor picked, children still walked
    int32_t selfLit = 0;       // non-zero: drawn with its colour as emissive
    // The links every walk follows come before `parent`, which no walk reads, so that
    // what a walk needs of a block tends to share one cache line.
    BlockNode* next = nullptr;  // next sibling; maintained by the owning BlockList
    BlockList children;
    BlockNode* parent = nullptr;  // not owning; null for a top-level block

    BlockNode() = default;
    BlockNode(const BlockNode&) = delete;
    BlockNode& operator=(const BlockNode&) = delete;

    bool HasChildren() const { return !children.Empty(); }
    // Appends `child` at the tail of the children and makes this block its parent.
    BlockNode& AppendChild(std::unique_ptr<BlockNode> child);
};

template <class Node>
BlockList::Iterator<Node>& BlockList::Iterator<Node>::operator++() {
    node_ = node_->next;
    return *this;
}

// Calls `visit` on `root` and on every block of its subtree, visible or not (each before
// its children), without recursion. `visit` must not add or remove blocks.
template <class Node, class Visitor>
void ForEachInSubtree(Node& root, Visitor&& visit) {
    // Depth-first through the links: a block goes on to its first child, and the sibling
    // it leaves waits here (nothing is allocated for a block without children).
    std::vector<Node*> waiting;
    Node* cursor = &root;
    for (;;) {
        visit(*cursor);
        Node* sibling = cursor == &root ? nullptr : cursor->next;
        Node* child = cursor->children.Front();
        if (child) {
            if (sibling) waiting.push_back(sibling);
            cursor = child;
        } else if (sibling) {
            cursor = sibling;
        } else if (!waiting.empty()) {
            cursor = waiting.back();
            waiting.pop_back();
        } else {
            return;
        }
    }
}

}  // namespace model
