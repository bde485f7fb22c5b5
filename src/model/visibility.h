#pragma once
// Blocks that no one can see: those closed in on every side by their neighbours.
//
// A block is enclosed when it sits on the block lattice (centre at even coordinates, its
// orientation a product of quarter turns) and each of its 26 neighbouring lattice places
// (faces, edges and corners) holds a visible block of a known colour that is also on the
// lattice. Faces, rounded edges, pegs and sockets of such neighbours close up around it;
// only the narrow tunnels along shared rounded edges could show a sliver of it.
// Everything else is kept: a twisted or off-lattice block is never enclosed and never
// encloses another.
//
// Drawing, picking and the mesh export all use this one rule.
#include <cstddef>
#include <vector>

#include "model/block.h"

namespace model {

// One flag per block that WalkBlocks visits (visible blocks), in the walk's order: true
// when the block is enclosed. Time linear in the number of blocks.
std::vector<bool> FindEnclosedBlocks(const BlockList& topBlocks);

// Tolerances of the lattice test, in the units of the construction (a block's edge is 2)
// and of rotation matrix entries. Rounding in long chains of transforms stays far below
// both; anything visibly off the lattice is far above them.
inline constexpr float kLatticePositionTolerance = 0.01f;
inline constexpr float kLatticeRotationTolerance = 1e-3f;

}  // namespace model
