#pragma once
// The operations that change a construction. Click operations take the pick ray through
// the clicked point; nothing is ever reported to the user: a click that finds nothing to
// act on does nothing.
#include <optional>

#include "model/construction.h"
#include "model/edit/picking.h"

namespace model::edit {

// The face of the precisely picked block under the hit: its offset ((+-2,0,0), (0,+-2,0)
// or (0,0,+-2)). Empty for a miss, a hit within the unit sphere around the block's centre
// and an edge or corner (no single largest component).
std::optional<math::Vec3> FaceUnder(const PickResult& pick);

// Where an add at the precise pick would put the new block: on `parent`'s face `offset`,
// with world transform `world`. Empty where the add is refused (see FaceUnder, and a place
// already taken).
struct AddPlace {
    const BlockNode* parent = nullptr;
    math::Vec3 offset;
    math::Mat4 world;
};
std::optional<AddPlace> AddPlaceFor(const CVelVorlaSystem& system, const PickResult& pick);

// A new block on the clicked face of the precisely picked block, in the current colour.
// Refused for a miss, a hit within the unit sphere of the block's centre, an edge or
// corner (no single largest component) and an occupied place. True when a block was added.
bool AddBlockAt(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                const math::Ray& ray);

// Removes the precisely picked block; its children become top-level blocks that keep
// their place in the world (their subtrees stay attached). Afterwards no part of the
// editing state refers to the removed block. True when a block was removed.
bool DeleteBlockAt(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                   const math::Ray& ray);

// Paints the nearest picked block in the current colour unless it is the last block this
// stroke painted. True when a block was under the point (painted or not).
bool PaintBlockAt(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                  const math::Ray& ray);

// Current colour := the clicked block's colour, random colour off. True on a hit; the
// caller refreshes the menu check marks.
bool CopyColourAt(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                  const math::Ray& ray);

// The face offset (one of (+-2,0,0), (0,+-2,0), (0,0,+-2)) for a hit point in a block's
// frame, or (0,0,0) when the largest components tie.
math::Vec3 FaceOffset(const math::Vec3& hitPoint);

// One step of the undo history back or forward (Ctrl+Z, Ctrl+Y). A twist selection whose
// block is still there keeps its ring on it. False when there was nothing to take.
bool UndoEdit(CVelVorlaSystem& system);
bool RedoEdit(CVelVorlaSystem& system);

// Back to inspect mode: twist selection cleared, keys released. The shell refreshes the
// menu check marks after it.
void ReturnToInspect(CVelVorlaSystem& system);

}  // namespace model::edit
