#pragma once
// Turning the selected block about its joint axis with the twist ring, freely or in
// steps of 2, 5 or 10 degrees, and putting it back upright.
#include "input/input_message.h"
#include "input/input_state.h"
#include "model/construction.h"
#include "model/edit/picking.h"

namespace model::edit {

// Precise pick along `ray`; on a hit the block becomes the twist selection and the ring
// frame follows it. A miss keeps an earlier selection.
void SelectTwistBlock(CVelVorlaSystem& system, const math::ViewSetup& view,
                      const PickMeshes& meshes, const math::Ray& ray);

// Points the ring's +Z along the selected block's joint axis in world space and resets
// the ring's drag rotation. Does nothing without a selection.
void UpdateTwistFrame(CVelVorlaSystem& system);

// A left press in twist mode along `ray`: grabs the ring (centred on `ringCentre`) of the
// selected block, or else selects the block under the point and grabs it there. Sets
// twistDragging to whether anything was grabbed.
void BeginTwist(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                const math::Ray& ray, const math::Vec3& ringCentre);

// The left press (after BeginTwist) and every move with the left button held turn the
// selected block; Ctrl, Shift or both snap the turn to 2, 5 or 10 degree steps. Anything
// else, or a message while no drag runs, changes nothing. (x, y) is the pointer in view
// pixels, width and height the view's size. Every turn is recorded for undo (a gesture
// makes the whole drag one step) and marks the construction unsaved.
void TwistMouse(CVelVorlaSystem& system, const input::CMouseButtonTracker& mouse,
                const input::InputMessage& msg, int x, int y, int width, int height,
                const math::Mat4& orientation);

// Backspace: the selected block untwisted, with the joint axis it was created with.
// A step of its own in the undo history; the construction counts as unsaved.
void CancelTwist(CVelVorlaSystem& system);

// The ring follows the selected block after its place changed (untwist, undo, redo).
void FollowTwistSelection(CVelVorlaSystem& system);

// The drag's turn snapped to whole steps, truncated toward zero (radians in and out).
float SnapTwistDelta(float deltaRadians, bool ctrl, bool shift);
// The angle a snapped drag starts from: rounded to a whole degree, an exact half down.
float SnapTwistBase(float angleRadians);

}  // namespace model::edit
