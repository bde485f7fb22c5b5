#pragma once
// Finding the block under a point of the view: the nearest pick (which block), the
// precise pick (which block and where on it), the rotation-axis handles, and the plain
// ray-mesh test they share. Picking never touches the graphics device: it reads the CPU
// copies of the meshes the renderer draws.
#include "math/geometry.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "model/construction.h"
#include "model/detail_level.h"
#include "model/pick_meshes.h"

namespace model::edit {

// The viewport the detail choice sees for this view.
math::Viewport PickViewport(const PickMeshes& meshes, const math::ViewSetup& view);

struct MeshHit {
    math::Vec3 point;    // in the mesh's own coordinates
    float distance = 0;  // ray parameter t
};

// True when the ray hits the mesh; a nearest hit at distance exactly 0 counts as none.
bool IntersectMesh(const math::MeshGeometry* mesh, const math::Vec3& origin,
                   const math::Vec3& direction, MeshHit* hit);

// The mesh that stands for a block with world transform `world`, exactly as drawing
// chooses it; null when none is (a detail level outside 1..3).
class BlockMeshChooser {
  public:
    BlockMeshChooser(const CVelVorlaSystem& system, const math::ViewSetup& view,
                     const PickMeshes& meshes);
    const math::MeshGeometry* For(const math::Mat4& world) const;
    // A radius around a block's centre that holds every mesh For can return.
    float BoundRadius() const { return bound_; }

  private:
    const PickMeshes& meshes_;
    int requested_;
    bool cubes_;
    model::DetailChooser detail_;
    float bound_ = 0;
};

// What a pick found: the nearest visible block under the ray (ties to the block the walk
// reaches first), with its world transform and rotation and, for the precise pick, the
// hit point in its own frame. Blocks closed in by their neighbours are never found.
struct PickResult {
    bool hit = false;
    float distance = 0;
    const BlockNode* block = nullptr;
    int colour = 0;
    math::Mat4 world;
    math::Mat4 rotation;
    math::Vec3 hitPoint;
};

// The picks without touching the editing state (the hover over the view uses them).
PickResult FindNearest(const CVelVorlaSystem& system, const math::ViewSetup& view,
                       const PickMeshes& meshes, const math::Ray& ray);
PickResult FindPrecise(const CVelVorlaSystem& system, const math::ViewSetup& view,
                       const PickMeshes& meshes, const math::Ray& ray);

// Leaves `found` in the editing state as the picks below do.
void KeepPick(CVelVorlaSystem& system, const PickResult& found, bool withHitPoint);

// Both picks reset pickDistance and pickHit, walk every visible block (but those closed
// in by their neighbours, which are not drawn either) and leave the nearest hit block in
// pickedBlock, pickedColour, pickedWorld and pickedRotation (and, for the precise pick,
// hitPoint in the block's own frame). A miss leaves pickHit 0 and the other result fields
// as they were. Ties go to the block the walk reaches first.
void PickNearest(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                 const math::Ray& ray);
// A hit inside the unit sphere around the block's centre (a recess of the detailed mesh)
// is reported on the block's bounding cube instead, so that the face can be told.
void PickPrecise(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                 const math::Ray& ray);

}  // namespace model::edit
