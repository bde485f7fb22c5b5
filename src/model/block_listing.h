#pragma once
// The block listing of `vorla-tool blocks`, which the editor also puts on the clipboard
// with a copied branch: one line per visible block in the order of the walk, its colour
// index and its centre in world units ("2 0.000000 2.000000 -4.000000").
#include <functional>
#include <string>
#include <string_view>

#include "math/vector.h"
#include "model/block.h"

namespace model {

// Fixed notation with 6 decimals; a value that rounds to zero has no sign.
void AppendCoordinate(std::string& out, float value);
// "X Y Z" with single spaces.
void AppendCoordinates(std::string& out, const math::Vec3& v);

// The listing of the tree, handed to `put` a line at a time (each ending in "\n").
void WriteBlockListing(const BlockList& topBlocks,
                       const std::function<void(std::string_view)>& put);
std::string BlockListing(const BlockList& topBlocks);

}  // namespace model
