// What a click would do, drawn over the construction before it is made, and the selected
// branch. Every mark has to read on any background and on any block colour:
//  - block outlines invert what lies under them (light on dark, dark on light);
//  - the selection and the branch a Shift+click would take are washed towards grey, the
//    block to be deleted darkened, the one to be painted tinted in the current colour,
//    each within a box a little larger than the block, so that the box shows too;
//  - blocks to come are translucent ghosts in their colours, outlined, and red where they
//    cannot go.
// Marks are seen through nothing: depth testing stays on, but they write no depth.
#include <algorithm>

#include "model/colours.h"
#include "model/detail_level.h"
#include "model/placement.h"
#include "render/scene_renderer.h"

using namespace interaction;
using namespace model;

namespace render {
namespace {

constexpr float kBoxScale = 1.04f;    // a tint box just outside the block's faces
constexpr float kEdgeScale = 1.06f;   // outlines just outside the tint box
constexpr float kWashAlpha = 0.45f;   // how far the selection pulls towards grey
constexpr float kShadeAlpha = 0.55f;  // darkening and tint of the marked block
constexpr float kGhostAlpha = 0.5f;
// Outlines are drawn one by one: a huge branch shows its tint alone.
constexpr size_t kMaxOutlines = 256;

gfx::ColorValue ColourOf(int index) {
    const ColourRGBA& c = BlockColours[static_cast<size_t>(IsColourIndex(index) ? index : 0)];
    return {c.r, c.g, c.b, c.a};
}

void Blend(gfx::Device& device, uint32_t source, uint32_t dest) {
    device.SetRenderState(gfx::RenderState::AlphaBlendEnable, 1);
    device.SetRenderState(gfx::RenderState::SrcBlend, source);
    device.SetRenderState(gfx::RenderState::DestBlend, dest);
}

gfx::MeshInstance Instance(const math::Mat4& world, const gfx::ColorValue& colour, float alpha,
                           bool selfLit) {
    gfx::MeshInstance i;
    i.world = world;
    i.diffuse = {selfLit ? 0.0f : colour.r, selfLit ? 0.0f : colour.g, selfLit ? 0.0f : colour.b,
                 alpha};
    if (selfLit) {
        i.emissive = colour;
    } else {
        i.ambient = colour;
    }
    return i;
}

}  // namespace

void SceneRenderer::DrawEditMarks(gfx::Device& device) {
    const EditPreview& preview = screen_.preview;
    const std::vector<math::Mat4>& selection = SelectionWorlds();
    if (selection.empty() && preview.mark == EditPreview::Mark::None && preview.ghosts.empty())
        return;
    MeshSet& set = objects_.meshes;
    device.SetRenderState(gfx::RenderState::Lighting, 1);
    device.SetRenderState(gfx::RenderState::ZWriteEnable, 0);
    device.SetRenderState(gfx::RenderState::CullMode, gfx::CULL_CCW);
    const math::Mat4 box = math::MatrixScaling(kBoxScale, kBoxScale, kBoxScale);

    // Boxes washed towards grey: the source's light pulls every channel of what lies
    // behind towards its opposite by the box's alpha.
    auto wash = [&](const std::vector<math::Mat4>& worlds) {
        std::vector<gfx::MeshInstance> boxes;
        boxes.reserve(worlds.size());
        const float a = kWashAlpha;
        for (const math::Mat4& w : worlds)
            boxes.push_back(Instance(box * w, {a, a, a, 1}, a, true));
        Blend(device, gfx::BLEND_INVDESTCOLOR, gfx::BLEND_INVSRCALPHA);
        if (set.cubeMesh) device.DrawMeshInstances(set.cubeMesh.get(), boxes);
    };
    wash(selection);

    switch (preview.mark) {
        case EditPreview::Mark::Branch:
            wash(preview.marked);
            break;
        case EditPreview::Mark::Delete:
        case EditPreview::Mark::Paint: {
            const bool paint = preview.mark == EditPreview::Mark::Paint;
            const gfx::ColorValue tint =
                paint ? ColourOf(system_.currentColour) : gfx::ColorValue{0, 0, 0, 1};
            std::vector<gfx::MeshInstance> boxes;
            for (const math::Mat4& w : preview.marked)
                boxes.push_back(Instance(box * w, tint, kShadeAlpha, true));
            Blend(device, gfx::BLEND_SRCALPHA, gfx::BLEND_INVSRCALPHA);
            if (set.cubeMesh) device.DrawMeshInstances(set.cubeMesh.get(), boxes);
            break;
        }
        default:
            break;
    }

    // Blocks to come, with the mesh each would be drawn with.
    if (!preview.ghosts.empty()) {
        const model::DetailChooser chooser(camera_.projection, camera_.view, device.GetViewport());
        const bool cubes = system_.showAsCubes != 0;
        const int requested = std::clamp(system_.detailLevel, 1, 3);
        std::vector<gfx::MeshInstance> byMesh[4];
        for (const EditPreview::Ghost& g : preview.ghosts) {
            const size_t m =
                cubes ? 3 : static_cast<size_t>(chooser.Choose(requested, g.world) - 1);
            const gfx::ColorValue colour =
                preview.refused ? gfx::ColorValue{1, 0.15f, 0.15f, 1} : ColourOf(g.colour);
            byMesh[m].push_back(Instance(g.world, colour, kGhostAlpha, g.selfLit != 0));
        }
        Blend(device, gfx::BLEND_SRCALPHA, gfx::BLEND_INVSRCALPHA);
        for (size_t m = 0; m < 4; ++m) {
            gfx::Mesh* mesh = m < 3 ? set.blockMeshes[m].get() : set.cubeMesh.get();
            if (mesh && !byMesh[m].empty()) device.DrawMeshInstances(mesh, byMesh[m]);
        }
    }

    // Outlines invert what lies under them.
    device.SetRenderState(gfx::RenderState::CullMode, gfx::CULL_NONE);
    Blend(device, gfx::BLEND_INVDESTCOLOR, gfx::BLEND_ZERO);
    gfx::Material white;
    white.emissive = {1, 1, 1, 1};
    device.SetMaterial(white);
    const math::Mat4 edge = math::MatrixScaling(kEdgeScale, kEdgeScale, kEdgeScale);
    size_t outlines = 0;
    auto outline = [&](const math::Mat4& world) {
        if (!set.boxEdges || outlines++ >= kMaxOutlines) return;
        device.SetTransform(gfx::TransformType::World, edge * world);
        device.DrawLineList(set.boxEdges.get(), 0, 12);
    };
    if (preview.mark != EditPreview::Mark::None && preview.mark != EditPreview::Mark::Branch)
        for (const math::Mat4& w : preview.marked) outline(w);
    for (const EditPreview::Ghost& g : preview.ghosts) outline(g.world);

    device.SetRenderState(gfx::RenderState::AlphaBlendEnable, 0);
    device.SetRenderState(gfx::RenderState::SrcBlend, gfx::BLEND_ONE);
    device.SetRenderState(gfx::RenderState::DestBlend, gfx::BLEND_ZERO);
    device.SetRenderState(gfx::RenderState::ZWriteEnable, 1);
}

const std::vector<math::Mat4>& SceneRenderer::SelectionWorlds() {
    const BlockNode* root = system_.selectedBranch;
    const uint64_t version = system_.document.Version();
    if (root == selectionRoot_ && version == selectionVersion_) return selectionWorlds_;
    selectionRoot_ = root;
    selectionVersion_ = version;
    selectionWorlds_.clear();
    if (!root) return selectionWorlds_;
    const math::Mat4 rootWorld = WorldOf(*root);
    WalkBlocks(root->children, rootWorld,
               [this](const BlockNode&, const math::Mat4& world, const math::Mat4&) {
                   selectionWorlds_.push_back(world);
               });
    if (root->visible == 1) selectionWorlds_.push_back(rootWorld);
    return selectionWorlds_;
}

}  // namespace render
