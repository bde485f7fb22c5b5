#include "model/edit/editing.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "model/edit/twisting.h"
#include "model/placement.h"

namespace model::edit {

using namespace input;
using namespace math;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

}  // namespace

Vec3 FaceOffset(const Vec3& h) {
    const float ax = std::fabs(h.x), ay = std::fabs(h.y), az = std::fabs(h.z);
    auto sign = [](float c) { return c < 0.0f ? -2.0f : 2.0f; };
    return {ax > ay && ax > az ? sign(h.x) : 0.0f, ay > ax && ay > az ? sign(h.y) : 0.0f,
            az > ax && az > ay ? sign(h.z) : 0.0f};
}

bool AddBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                const Ray& ray) {
    PickPrecise(system, view, meshes, ray);
    if (!system.pickHit || !system.pickedBlock) return false;
    if (Length(system.hitPoint) <= 1.0f) return false;
    const Vec3 offset = FaceOffset(system.hitPoint);
    if (offset == Vec3{0, 0, 0}) return false;  // edge or corner: no face to build on
    if (!system.IsPositionFree(Vec3TransformCoord(offset, system.pickedWorld))) return false;

    auto block = std::make_unique<BlockNode>();
    block->colour = system.currentColour;
    block->offset = offset;
    block->axis = Abs(offset);
    block->angle = 0;
    block->visible = 1;
    block->selfLit = 0;
    BlockNode* before = system.pickedBlock->children.Back();
    BlockNode& added = system.pickedBlock->AppendChild(std::move(block));

    system.ConstructionChanged();
    system.history.Added(&added, before);  // and unsaved
    system.model.CountAdded(system.currentColour);
    if (system.randomColour == 1) system.PickRandomColour();
    return true;
}

bool DeleteBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                   const Ray& ray) {
    PickPrecise(system, view, meshes, ray);
    if (!system.pickHit || !system.pickedBlock) return false;
    if (Length(system.hitPoint) <= 1.0f) return false;

    BlockNode* doomed = system.pickedBlock;
    BlockList& owner = doomed->parent ? doomed->parent->children : system.model.topBlocks;
    BlockNode* before = nullptr;
    std::unique_ptr<BlockNode> removed = owner.Remove(doomed, &before);
    if (!removed) return false;

    const Mat4 parentWorld = system.pickedWorld;
    const Mat4 parentRotation = system.pickedRotation;
    BlockNode* topBefore = system.model.topBlocks.Back();
    std::vector<UndoHistory::Rehomed> rehomed;
    while (std::unique_ptr<BlockNode> child = removed->children.PopFront()) {
        const UndoHistory::Placement was = UndoHistory::PlacementOf(*child);
        child->parent = nullptr;
        // An exact half-turn would make the axis turn onto exact opposites below.
        if (child->angle == -kPi) child->angle = -3.1415f;
        if (child->angle == kPi) child->angle = 3.1415f;
        // A top-level block turns its +Y onto its axis and then twists about it: find
        // the axis and the twist that reproduce the child's world rotation.
        const Mat4 m = MatrixRotationAxis(child->axis, child->angle) * parentRotation;
        const Vec3 a = Vec3TransformCoord({0, 2, 0}, m);
        const Vec3 b = Vec3TransformCoord({2, 0, 0}, m);
        const Vec3 bUpright =
            Vec3TransformCoord(b, MatrixRotationQuaternion(AxisToAxis(a, {0, 2, 0})));
        child->angle = -std::atan2(bUpright.z, bUpright.x);
        child->axis = a;
        child->offset = Vec3TransformCoord(child->offset, parentWorld);
        rehomed.push_back({child.get(), was, UndoHistory::PlacementOf(*child)});
        system.model.topBlocks.PushBack(std::move(child));
    }

    system.model.CountRemoved(removed->colour);
    system.ConstructionChanged();
    // The pick, the twist selection and the paint stroke must not keep the block, which
    // lives on detached in the undo history (and unsaved).
    if (system.lastPainted == removed.get()) system.lastPainted = nullptr;
    system.pickedBlock = nullptr;
    system.pickHit = 0;
    system.twistSelected = 0;
    system.twistDragging = 0;
    system.history.Deleted(std::move(removed), before, topBefore, std::move(rehomed));
    return true;
}

bool PaintBlockAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                  const Ray& ray) {
    PickNearest(system, view, meshes, ray);
    if (!system.pickHit || !system.pickedBlock) return false;
    BlockNode* block = system.pickedBlock;
    if (block == system.lastPainted) return true;
    system.lastPainted = block;
    system.ConstructionChanged();
    const int from = block->colour;
    system.model.CountRecoloured(from, system.currentColour);
    block->colour = system.currentColour;
    system.history.Painted(block, from, block->colour);  // and unsaved
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
    if (!system.history.Undo()) return false;
    FollowTwistSelection(system);
    return true;
}

bool RedoEdit(CVelVorlaSystem& system) {
    if (!system.history.Redo()) return false;
    FollowTwistSelection(system);
    return true;
}

void ReturnToInspect(CVelVorlaSystem& system) {
    system.twistSelected = 0;
    system.mode = ModeInspect;
    system.keys.Clear();
}

}  // namespace model::edit
