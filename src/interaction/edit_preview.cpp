#include "interaction/edit_preview.h"

#include <cmath>

#include "model/edit/branches.h"
#include "model/edit/editing.h"
#include "model/edit/picking.h"

using namespace camera;
using namespace input;
using namespace model::edit;
using namespace model;

namespace interaction {

namespace {

using Mark = EditPreview::Mark;

// The block under the pointer, marked when a click would act on it.
void MarkPicked(EditPreview& p, Mark mark, const PickResult& pick) {
    if (!pick.hit) return;
    p.mark = mark;
    p.marked.push_back(pick.world);
}

void MarkBranch(EditPreview& p, const PickResult& pick) {
    if (!pick.hit) return;
    p.mark = Mark::Branch;
    p.marked.push_back(pick.world);
    WalkBlocks(pick.block->children, pick.world,
               [&](const BlockNode&, const math::Mat4& world, const math::Mat4&) {
                   p.marked.push_back(world);
               });
}

}  // namespace

EditPreview PreviewAt(const CVelVorlaSystem& system, const CVelCamera& camera,
                      const PickMeshes& meshes, int x, int y) {
    EditPreview p;
    const math::ViewSetup view = camera.Setup();
    const math::Ray ray = camera.PickRay(x, y);
    if (system.pasting) {
        if (const BlockNode* root = BranchRoot(*system.pasting)) {
            const std::optional<PastePlan> plan =
                PlanPaste(system, FindPrecise(system, view, meshes, ray), *root);
            if (plan) {
                for (const PastePlan::Block& b : plan->blocks)
                    p.ghosts.push_back({b.world, b.colour, b.selfLit});
                p.refused = !plan->fits;
            }
        }
        return p;
    }

    const bool ctrl = system.keys.IsDown(KeyCtrl);
    const bool shift = system.keys.IsDown(KeyShift);
    if (system.mode == ModeInspect && shift && !ctrl) {
        MarkBranch(p, FindNearest(system, view, meshes, ray));
        return p;
    }
    const int acting = system.modifierMode != ModeNone ? system.modifierMode : system.mode;
    switch (acting) {
        case ModeAdd: {
            const PickResult pick = FindPrecise(system, view, meshes, ray);
            if (const std::optional<AddPlace> place = AddPlaceFor(system, pick))
                p.ghosts.push_back({place->world, system.currentColour, 0});
            break;
        }
        case ModeDelete: {
            const PickResult pick = FindPrecise(system, view, meshes, ray);
            // A hit too near the centre to tell a face deletes nothing.
            if (pick.hit && math::Length(pick.hitPoint) > 1.0f) MarkPicked(p, Mark::Delete, pick);
            break;
        }
        case ModePaint:
            MarkPicked(p, Mark::Paint, FindNearest(system, view, meshes, ray));
            break;
        case ModeTwist:
            MarkPicked(p, Mark::Hover, FindPrecise(system, view, meshes, ray));
            break;
        default:
            MarkPicked(p, Mark::Hover, FindNearest(system, view, meshes, ray));
            break;
    }
    return p;
}

bool PreviewTracker::Refresh(const CVelVorlaSystem& system, const CVelCamera& camera,
                             const PickMeshes& meshes, ScreenState& screen) {
    Inputs in;
    in.shown = screen.pointerInView && !screen.stripHit && camera.mouse.DownCount() == 0 &&
               camera.viewportWidth > 0 && camera.viewportHeight > 0;
    if (in.shown) {
        in.x = screen.pointerX;
        in.y = screen.pointerY;
        in.version = system.document.Version();
        in.view = camera.view;
        in.projection = camera.projection;
        in.viewportWidth = camera.viewportWidth;
        in.viewportHeight = camera.viewportHeight;
        in.mode = system.mode;
        in.modifierMode = system.modifierMode;
        in.ctrl = system.keys.IsDown(KeyCtrl);
        in.shift = system.keys.IsDown(KeyShift);
        in.currentColour = system.currentColour;
        in.detailLevel = system.detailLevel;
        in.showAsCubes = system.showAsCubes;
        in.pasting = system.pasting.get();
        for (int i = 0; i < 3; ++i) in.meshes[i] = meshes.blockMeshes[i];
        in.meshes[3] = meshes.cube;
    }
    if (last_ && *last_ == in) return false;
    last_ = in;
    EditPreview next = in.shown ? PreviewAt(system, camera, meshes, in.x, in.y) : EditPreview{};
    if (next == screen.preview) return false;
    screen.preview = std::move(next);
    return true;
}

}  // namespace interaction
