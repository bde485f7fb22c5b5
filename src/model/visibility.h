#pragma once
// Blocks that no one can see: those closed in on every side by their neighbours, and
// those that repeat an earlier block exactly.
//
// Each top-level block spans a lattice of its own: the places one, two, ... block edges
// away from it along its own axes. A block sits on that lattice when its place relative to
// its top-level block (rotation included) is a lattice place and its orientation differs
// from the top-level block's by quarter turns. Two top-level blocks share one lattice when
// their frames agree (one is a lattice place and quarter turns away from the other); only
// then can the blocks of one close in the blocks of the other.
//
// A block is enclosed when it sits on its lattice and each of its 26 neighbouring places
// (faces, edges and corners) holds a visible block of a known colour on the same lattice.
// Faces, rounded edges, pegs and sockets of such neighbours close up around it; only the
// narrow tunnels along shared rounded edges could show a sliver of it. Everything else is
// kept: a twisted or off-lattice block is never enclosed and never encloses another.
//
// Blocks of a known colour with exactly the same world transform (same place, same
// orientation) repeat one another: only one of them is drawn, the last, which covers the
// others where all of them are drawn; a pick finds the first, as the walk's ties go, and
// needs to test no other.
//
// Drawing, picking and the mesh export all use these rules.
#include <cstddef>
#include <vector>

#include "model/block.h"

namespace model {

// One flag per block that WalkBlocks visits (visible blocks), in the walk's order: true
// when the block is enclosed. Time linear in the number of blocks.
std::vector<bool> FindEnclosedBlocks(const BlockList& topBlocks);

// The enclosed blocks together with the repeats each pass can leave out, as flags in the
// walk's order. Linear time too.
struct HiddenBlocks {
    std::vector<bool> fromDrawing;  // enclosed, or repeated by a later block
    std::vector<bool> fromPicking;  // enclosed, or repeating an earlier block
};
HiddenBlocks FindHiddenBlocks(const BlockList& topBlocks);

// Tolerances of the lattice test, in the units of the construction (a block's edge is 2)
// and of rotation matrix entries. Rounding in long chains of transforms stays far below
// both; anything visibly off the lattice is far above them.
inline constexpr float kLatticePositionTolerance = 0.01f;
inline constexpr float kLatticeRotationTolerance = 1e-3f;

}  // namespace model
