#pragma once
// The operations that aim the camera at the construction or at a block, and the picking
// of the rotation-axis rings that steer the camera.
#include "camera/camera.h"
#include "model/construction.h"
#include "model/pick_meshes.h"

namespace interaction {

// Turns the camera (eye kept) towards the clicked block's centre. True on a hit; the
// caller then returns to the previous mode.
bool ChooseCentreAt(model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                    const model::PickMeshes& meshes, camera::CameraDevice* device, int x, int y);

// Re-aims the camera at the block centre nearest to the eye (the origin when there is no
// block), as in orbit mode whatever the camera's mode.
void FindNearestBlock(const model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                      camera::CameraDevice* device);

// Target := centre of the construction, and the distance chosen so that the farthest
// block fits. An empty construction changes nothing.
void CentreView(const model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                camera::CameraDevice* device);

// Target := centre of the construction (half-way between the centre of the bounding box
// of the block centres and their mean), distance unchanged. An empty construction changes
// nothing.
void CentreTarget(const model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                  camera::CameraDevice* device);

// The standard views of the whole construction, each looking from one side.
enum class StandardView { Front, Back, Left, Right, Top, Bottom, Isometric };

// Turns the camera to look at the construction from that side, framed as CentreView
// frames it. The front view looks along +z (as the editor starts), the others from the
// back, the left (-x), the right (+x), from above and from below, and from the front,
// right and above at once; the construction's +y is up on screen, but seen from above
// its +z is (the front at the bottom of the picture) and from below its -z (the front at
// the top), as a drawing tips the front view over. An empty construction: the camera
// only turns.
void ShowStandardView(const model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                      camera::CameraDevice* device, StandardView which);

// Turns the camera about its viewing direction until the construction's +y points up on
// screen; the eye and what it looks at stay. False (nothing changes) when the camera
// looks straight up or down.
bool LevelHorizon(camera::CVelCamera& camera, camera::CameraDevice* device);

// Whether a press at view pixel (x, y) grabbed one of the rotation-axis rings; sets the
// camera's axisMode, and on a hit its rotationAxis and axisFrameInverse.
bool PickAxisRing(const model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                  const model::PickMeshes& meshes, int x, int y);

}  // namespace interaction
