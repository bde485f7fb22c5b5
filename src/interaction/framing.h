#pragma once
// A view that shows a whole construction: from a three-quarter view above it, aimed so
// that the construction sits in the middle of the picture, from just far enough that
// every block is inside it. Used for thumbnails, `vorla --render --fit` and the cameras
// stored with the sample constructions.
#include "camera/camera.h"
#include "model/block.h"

namespace interaction {

// Everything of a block lies within this distance of its centre (cube corners; the pegs
// reach less far).
inline constexpr float kBlockBoundRadius = 1.7320508f;

// Places the camera (orbit mode, no motion, no zoom) to frame every visible block of the
// tree in a picture of the given aspect (width / height) with the camera's field of view,
// leaving `margin` (a fraction of the picture's half-size) free around it. The camera's
// projection is not touched: the caller sets the viewport as usual. Returns false and
// changes nothing when no block is visible. `root` is the top-level blocks' parent
// transform the picture is drawn with.
bool FrameConstruction(const model::BlockList& topBlocks, camera::CVelCamera& camera, float aspect,
                       float margin = 0.06f, const math::Mat4& root = math::Mat4{});

// A parent transform for the top-level blocks that brings a construction lying far from
// the origin next to it, the identity for one already near. Floats cannot place a camera
// a few units from blocks a billion units out; moved, the blocks keep their places
// relative to one another and to the camera framing them, and the grid, drawn with the
// same transform, stays where it was for them: out of sight.
math::Mat4 RootNearOrigin(const model::BlockList& topBlocks);

}  // namespace interaction
