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

}  // namespace interaction
