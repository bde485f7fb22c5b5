#pragma once
// Branches: a block and everything that hangs on it, the unit of Shift+click selection,
// copy and paste, and of deleting and painting in one go.
//
// A copied branch is a construction of its own: one invisible top-level block stands
// where the root's parent stood, and a copy of the root hangs on it as the root hung on
// its parent (on the same face, with the same twist), with everything below it. Encoded
// as a .vvl it opens as the branch where it stood, and its block listing gives the
// branch's own places. Pasted, the root hangs on the face under the pointer: every block
// of the branch turns by the quarter turn that takes the face the root hung on onto that
// face, and the root keeps its twist about its new axis.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "math/matrix.h"
#include "model/construction.h"
#include "model/edit/picking.h"
#include "model/placement.h"

namespace model::edit {

// Number of blocks of the branch rooted at `root`, placeholders included.
size_t BranchSize(const BlockNode& root);

// Shift+click: the branch of the block under the ray (nearest pick) becomes the selection;
// a miss clears it. True on a hit.
bool SelectBranchAt(CVelVorlaSystem& system, const math::ViewSetup& view, const PickMeshes& meshes,
                    const math::Ray& ray);

// The branch of `root`, a block of a tree, cut loose as described above.
CVelVorlaModel CopyBranch(const BlockNode& root);

// The root in a copied branch, or null when `branch` is not one (then `why` says so, in
// the words of the status line).
const BlockNode* BranchRoot(const CVelVorlaModel& branch, std::string* why = nullptr);

// A copy of the branch of `root` (the root of a copied branch) made to hang on a block's
// face `face` ((+-2,0,0), (0,+-2,0) or (0,0,+-2)): turned as described above, the root's
// offset the face. Not in any tree yet.
std::unique_ptr<BlockNode> TurnedCopy(const BlockNode& root, const math::Vec3& face);

// The world transforms of the visible blocks of `copy` (a root not in any tree) hanging
// on a block whose world transform is `parentWorld`, in the order of the walk.
template <class Visitor>
void WalkHangingCopy(const BlockNode& copy, const math::Mat4& parentWorld, Visitor&& visit) {
    // The root hangs on a parent: no upright turn, whatever its own parent link says.
    math::Mat4 local =
        copy.angle == 0.0f ? math::Mat4{} : math::MatrixRotationAxis(copy.axis, copy.angle);
    local.m[3][0] = copy.offset.x;
    local.m[3][1] = copy.offset.y;
    local.m[3][2] = copy.offset.z;
    const math::Mat4 world = local * parentWorld;
    WalkBlocks(copy.children, world,
               [&](const BlockNode& b, const math::Mat4& w, const math::Mat4&) { visit(b, w); });
    if (copy.visible == 1) visit(copy, world);
}

// What a paste at a precise pick would do: the copy, where its visible blocks would be,
// and whether all of them land on free places.
struct PastePlan {
    struct Block {
        math::Mat4 world;
        int colour = 0;
        int selfLit = 0;
    };
    const BlockNode* parent = nullptr;
    std::unique_ptr<BlockNode> copy;
    std::vector<Block> blocks;
    bool fits = false;
};
// Empty where no face is under the pick (see FaceUnder).
std::optional<PastePlan> PlanPaste(const CVelVorlaSystem& system, const PickResult& pick,
                                   const BlockNode& root);

enum class PasteResult { Placed, NoFace, Taken };
// The branch under way (system.pasting) goes onto the face under the ray as one undo step,
// and the paste is over; a face whose places are taken changes nothing.
PasteResult PasteBranchAt(CVelVorlaSystem& system, const math::ViewSetup& view,
                          const PickMeshes& meshes, const math::Ray& ray);

}  // namespace model::edit
