#pragma once
// Opening and closing the about page (the disc that greets the user at start-up).
#include "camera/camera.h"
#include "interaction/screen_state.h"
#include "model/edit/picking.h"

namespace interaction {

// The about command: starts the opening or the closing turn; does nothing while a turn
// is still running.
void ToggleAbout(ScreenState& screen, camera::CVelCamera& camera);

// A click at view pixel (x, y): true when it hit the shown, still disc, which then starts
// turning away about an axis that depends on where it was hit. Records whether the disc
// presents its back to the viewer, hit or not.
bool AboutClickTest(ScreenState& screen, const camera::CVelCamera& camera,
                    const model::PickMeshes& meshes, int x, int y);

// The disc's orientation before its own turn, as the drawing pass builds it.
math::Mat4 AboutDiscOrientation(const camera::CVelCamera& camera);

}  // namespace interaction
