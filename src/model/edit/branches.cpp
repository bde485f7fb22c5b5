#include "model/edit/branches.h"

#include <cmath>
#include <utility>

#include "math/quaternion.h"
#include "model/edit/editing.h"

namespace model::edit {

using namespace math;

namespace {

constexpr Vec3 kUp{0, 2, 0};

// The unit direction of a face offset; zero when `offset` names no single face.
Vec3 FaceDirection(const Vec3& offset) {
    return FaceOffset(offset) * 0.5f;
}

// The rotation taking the unit axis direction `from` onto `to`, with exact entries 0 and
// +-1 so that lattice offsets stay exact. Opposite faces take a half turn about the
// vertical (about Z for up and down), so that an arm copied from one side of a body
// reaches out from the other side the way a mirror would show it, standing the same way.
Mat4 QuarterTurn(const Vec3& from, const Vec3& to) {
    Mat4 q;
    if (from == to) return q;
    if (from == -to) {
        const bool vertical = from.y != 0.0f;
        q.m[0][0] = -1;
        q.m[1][1] = vertical ? -1.0f : 1.0f;
        q.m[2][2] = vertical ? 1.0f : -1.0f;
        return q;
    }
    q = MatrixRotationQuaternion(AxisToAxis(from, to));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) q.m[r][c] = std::round(q.m[r][c]);
    return q;
}

// A joint axis turned onto a negative coordinate axis points the way the editor makes
// axes, with the twist reversed: the same rotation.
void PositiveAxis(BlockNode& b) {
    const Vec3 a = b.axis;
    const int nonZero = (a.x != 0.0f) + (a.y != 0.0f) + (a.z != 0.0f);
    if (nonZero == 1 && a.x <= 0.0f && a.y <= 0.0f && a.z <= 0.0f) {
        // Subtracted from zero: no negative zeros.
        b.axis = Vec3{0, 0, 0} - a;
        b.angle = 0.0f - b.angle;
    }
}

std::unique_ptr<BlockNode> CopyFields(const BlockNode& from) {
    auto b = std::make_unique<BlockNode>();
    b->colour = from.colour;
    b->offset = from.offset;
    b->axis = from.axis;
    b->angle = from.angle;
    b->visible = from.visible;
    b->selfLit = from.selfLit;
    return b;
}

// A copy of `root` and its subtree, each block passed through `adjust`; iterative.
template <class Adjust>
std::unique_ptr<BlockNode> CopySubtree(const BlockNode& root, Adjust&& adjust) {
    std::unique_ptr<BlockNode> top = CopyFields(root);
    adjust(*top);
    std::vector<std::pair<const BlockNode*, BlockNode*>> work{{&root, top.get()}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        for (const BlockNode& child : from->children) {
            std::unique_ptr<BlockNode> c = CopyFields(child);
            adjust(*c);
            BlockNode& added = to->AppendChild(std::move(c));
            if (child.HasChildren()) work.emplace_back(&child, &added);
        }
    }
    return top;
}

}  // namespace

size_t BranchSize(const BlockNode& root) {
    size_t n = 0;
    ForEachInSubtree(root, [&n](const BlockNode&) { ++n; });
    return n;
}

bool SelectBranchAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                    const Ray& ray) {
    const PickResult pick = FindNearest(system, view, meshes, ray);
    system.selectedBranch = pick.hit ? pick.block : nullptr;
    return pick.hit;
}

CVelVorlaModel CopyBranch(const BlockNode& root) {
    std::unique_ptr<BlockNode> rootCopy = CopySubtree(root, [](BlockNode&) {});
    Mat4 parentWorld;
    if (root.parent) {
        parentWorld = WorldOf(*root.parent);
    } else {
        // A top-level block stands as if on the top face of a block turned the way its
        // own +Y is turned: that block is the stand-in's place.
        const Mat4 turn = MatrixRotationQuaternion(AxisToAxis({0, 1, 0}, root.axis));
        parentWorld = turn;
        const Vec3 standsOn = root.offset - Vec3TransformCoord(kUp, turn);
        parentWorld.m[3][0] = standsOn.x;
        parentWorld.m[3][1] = standsOn.y;
        parentWorld.m[3][2] = standsOn.z;
        rootCopy->offset = kUp;
        rootCopy->axis = kUp;
    }

    auto standIn = std::make_unique<BlockNode>();
    standIn->colour = root.colour;
    standIn->visible = 0;
    const UprightTwist upright = UprightTwistFor(parentWorld);
    standIn->axis = upright.axis;
    standIn->angle = upright.angle;
    standIn->offset = parentWorld.Translation();

    CVelVorlaModel branch;
    BlockNode& top = branch.topBlocks.PushBack(std::move(standIn));
    top.AppendChild(std::move(rootCopy));
    ForEachInSubtree(top, [&branch](const BlockNode& b) { branch.CountAdded(b.colour); });
    return branch;
}

const BlockNode* BranchRoot(const CVelVorlaModel& branch, std::string* why) {
    const BlockNode* top = branch.topBlocks.Front();
    const bool ok = top && !top->next && top->visible == 0 && top->children.Front() &&
                    !top->children.Front()->next &&
                    FaceDirection(top->children.Front()->offset) != Vec3{};
    if (ok) return top->children.Front();
    if (why) *why = "это не ветка Торвинов";
    return nullptr;
}

std::unique_ptr<BlockNode> TurnedCopy(const BlockNode& root, const Vec3& face) {
    const Mat4 q = QuarterTurn(FaceDirection(root.offset), FaceDirection(face));
    // Adding +0 turns the turn's negative zeros into the zeros the editor writes itself,
    // so that a pasted block stores exactly as one built by hand.
    auto turned = [&q](const Vec3& v) {
        const Vec3 t = Vec3TransformCoord(v, q);
        return Vec3{t.x + 0.0f, t.y + 0.0f, t.z + 0.0f};
    };
    std::unique_ptr<BlockNode> copy = CopySubtree(root, [&turned](BlockNode& b) {
        b.offset = turned(b.offset);
        b.axis = turned(b.axis);
        PositiveAxis(b);
    });
    copy->offset = face;
    return copy;
}

std::optional<PastePlan> PlanPaste(const CVelVorlaSystem& system, const PickResult& pick,
                                   const BlockNode& root) {
    const std::optional<Vec3> face = FaceUnder(pick);
    if (!face) return std::nullopt;
    PastePlan plan;
    plan.parent = pick.block;
    plan.copy = TurnedCopy(root, *face);
    std::vector<Vec3> centres;
    WalkHangingCopy(*plan.copy, pick.world, [&](const BlockNode& b, const Mat4& world) {
        plan.blocks.push_back({world, b.colour, b.selfLit});
        centres.push_back(world.Translation());
    });
    plan.fits = ArePositionsFree(system.model.topBlocks, centres);
    return plan;
}

PasteResult PasteBranchAt(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                          const Ray& ray) {
    const std::shared_ptr<const CVelVorlaModel> branch = system.pasting;
    const BlockNode* root = branch ? BranchRoot(*branch) : nullptr;
    if (!root) return PasteResult::NoFace;
    const PickResult pick = FindPrecise(system, view, meshes, ray);
    KeepPick(system, pick, true);
    std::optional<PastePlan> plan = PlanPaste(system, pick, *root);
    if (!plan) return PasteResult::NoFace;
    if (!plan->fits) return PasteResult::Taken;
    system.document.AddBranch(plan->parent, std::move(plan->copy));
    system.pasting.reset();
    return PasteResult::Placed;
}

}  // namespace model::edit
