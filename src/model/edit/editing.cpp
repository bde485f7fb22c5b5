#include "model/edit/editing.h"

#include <cmath>
#include <memory>

#include "model/edit/twisting.h"
#include "model/placement.h"

namespace model::edit {

using namespace input;
using namespace math;

Vec3 FaceOffset(const Vec3& h) {
    const float ax = std::fabs(h.x), ay = std::fabs(h.y), az = std::fabs(h.z);
    auto sign = [](float c) { return c < 0.0f ? -2.0f : 2.0f; };
    return {ax > ay && ax > az ? sign(h.x) : 0.0f, ay > ax && ay > az ? sign(h.y) : 0.0f,
            az > ax && az > ay ? sign(h.z) : 0.0f};
}

std::optional<Vec3> FaceUnder(const PickResult& pick) {
    if (!pick.hit || !pick.block) return std::nullopt;
    if (Length(pick.hitPoint) <= 1.0f) return std::nullopt;
    const Vec3 offset = FaceOffset(pick.hitPoint);
    if (offset == Vec3{0, 0, 0}) return std::nullopt;  // edge or corner: no face to build on
    return offset;
}

std::optional<AddPlace> AddPlaceFor(const CVelVorlaSystem& system, const PickResult& pick) {
    const std::optional<Vec3> offset = FaceUnder(pick);
    if (!offset) return std::nullopt;
    // A new block is untwisted: its world is the parent's moved to the face.
    const Mat4 world = MatrixTranslation(*offset) * pick.world;
    if (!system.IsPositionFree(world.Translation())) return std::nullopt;
    return AddPlace{pick.block, *offset, world};
}

bool AddBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                const Ray& ray) {
    const PickResult pick = FindPrecise(system, view, meshes, ray);
    KeepPick(system, pick, true);
    const std::optional<AddPlace> place = AddPlaceFor(system, pick);
    if (!place) return false;

    auto block = std::make_unique<BlockNode>();
    block->colour = system.currentColour;
    block->offset = place->offset;
    block->axis = Abs(place->offset);
    block->angle = 0;
    block->visible = 1;
    block->selfLit = 0;
    system.document.Add(place->parent, std::move(block));
    if (system.randomColour == 1) system.PickRandomColour();
    return true;
}

bool DeleteBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                   const Ray& ray) {
    PickPrecise(system, view, meshes, ray);
    if (!system.pickHit || !system.pickedBlock) return false;
    if (Length(system.hitPoint) <= 1.0f) return false;

    // The pick, the twist selection and the paint stroke let go of the block, which
    // lives on detached in the undo history.
    system.document.Delete(*system.pickedBlock, system.pickedWorld, system.pickedRotation);
    return true;
}

bool PaintBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                  const Ray& ray) {
    PickNearest(system, view, meshes, ray);
    if (!system.pickHit || !system.pickedBlock) return false;
    const BlockNode* block = system.pickedBlock;
    if (block == system.lastPainted) return true;
    system.lastPainted = block;
    system.document.Paint(*block, system.currentColour);
    if (system.randomColour == 1) system.PickRandomColour();
    return true;
}

bool CopyColourAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                  const Ray& ray) {
    PickNearest(system, view, meshes, ray);
    if (!system.pickHit) return false;
    system.currentColour = system.pickedColour;
    system.randomColour = 0;
    return true;
}

bool UndoEdit(CVelVorlaSystem& system) {
    if (!system.document.Undo()) return false;
    FollowTwistSelection(system);
    return true;
}

bool RedoEdit(CVelVorlaSystem& system) {
    if (!system.document.Redo()) return false;
    FollowTwistSelection(system);
    return true;
}

void ReturnToInspect(CVelVorlaSystem& system) {
    system.twistSelected = 0;
    system.pasting.reset();
    system.mode = ModeInspect;
    system.keys.Clear();
}

}  // namespace model::edit
