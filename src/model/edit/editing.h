#pragma once
// The operations that change a construction or aim the camera at it. Click operations
// take a point of the view in client pixels; nothing is ever reported to the user: a
// click that finds nothing to act on does nothing.
#include "camera/camera.h"
#include "model/construction.h"
#include "model/edit/picking.h"

// A new block on the clicked face of the precisely picked block, in the current colour.
// Refused for a miss, a hit within the unit sphere of the block's centre, an edge or
// corner (no single largest component) and an occupied place. True when a block was added.
bool AddBlockAt(CVelVorlaSystem& system, const CVelCamera& camera, const PickMeshes& meshes, int x,
                int y);

// Removes the precisely picked block; its children become top-level blocks that keep
// their place in the world (their subtrees stay attached). Afterwards no part of the
// editing state refers to the removed block. True when a block was removed.
bool DeleteBlockAt(CVelVorlaSystem& system, const CVelCamera& camera, const PickMeshes& meshes,
                   int x, int y);

// Paints the nearest picked block in the current colour unless it is the last block this
// stroke painted. True when a block was under the point (painted or not).
bool PaintBlockAt(CVelVorlaSystem& system, const CVelCamera& camera, const PickMeshes& meshes,
                  int x, int y);

// Current colour := the clicked block's colour, random colour off. True on a hit; the
// caller refreshes the menu check marks.
bool CopyColourAt(CVelVorlaSystem& system, const CVelCamera& camera, const PickMeshes& meshes,
                  int x, int y);

// Turns the camera (eye kept) towards the clicked block's centre. True on a hit; the
// caller then returns to the previous mode.
bool ChooseCentreAt(CVelVorlaSystem& system, CVelCamera& camera, const PickMeshes& meshes,
                    CameraDevice* device, int x, int y);

// Re-aims the camera at the block centre nearest to the eye (the origin when there is no
// block), as in orbit mode whatever the camera's mode.
void FindNearestBlock(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device);

// Target := centre of the construction, and the distance chosen so that the farthest
// block fits. An empty construction changes nothing.
void CentreView(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device);

// Target := centre of the construction (half-way between the centre of the bounding box
// of the block centres and their mean), distance unchanged. An empty construction changes
// nothing.
void CentreTarget(const CVelVorlaSystem& system, CVelCamera& camera, CameraDevice* device);

// The face offset (one of (+-2,0,0), (0,+-2,0), (0,0,+-2)) for a hit point in a block's
// frame, or (0,0,0) when the largest components tie.
vmath::Vec3 FaceOffset(const vmath::Vec3& hitPoint);

// Back to inspect mode: twist selection cleared, keys released. The shell refreshes the
// menu check marks after it.
void ReturnToInspect(CVelVorlaSystem& system);
