// One frame of the scene: fog and background, grid, blocks, gizmos, then the overlays.
#include "render/scene_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/colours.h"
#include "model/detail_level.h"
#include "model/modes.h"
#include "model/placement.h"
#include "render/camera_upload.h"

using namespace camera;
using namespace input;
using namespace model;

namespace render {
namespace {

constexpr float kSceneFogDensity = 0.005f;
// The fixed fog and far plane suit constructions whose block centres lie within this
// distance of their centre: "Центр" shows such a construction from at most
// 5 + 2.8 x 40 units, its far side 157 units away, where the fog has taken under half of
// its colour. A larger construction gets a thinner fog, so that seen whole it fades at its
// far side no more than that, and a far plane that reaches past it.
constexpr float kOrdinaryReach = 40.0f;
constexpr float kGizmoFogDensity = 0.15f;
constexpr float kGizmoDistance = 4.5f;
// Used when a mesh carries no bounds: reaches past the pegs and rounded corners.
constexpr float kBlockRadius = 2.1f;

gfx::ColorValue TableColour(int index) {
    const ColourRGBA& c = BlockColours[static_cast<size_t>(index)];
    return {c.r, c.g, c.b, c.a};
}

// Determinant of the 3x3 part: negative when `m` mirrors, which turns a mesh's winding
// inside out.
float Determinant3(const math::Mat4& m) {
    const auto& a = m.m;
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// Largest scale the 3x3 part of `m` applies to a direction.
float MaxScale(const math::Mat4& m) {
    float s = 0;
    for (int r = 0; r < 3; ++r) {
        float len =
            std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]);
        s = std::max(s, len);
    }
    return s;
}

}  // namespace

void SceneRenderer::DrawMeshInColour(gfx::Device& device, gfx::Mesh* mesh,
                                     const gfx::ColorValue& colour, bool selfLit) {
    gfx::Material material;
    if (selfLit) {
        material.emissive = colour;
    } else {
        material.diffuse = colour;
        material.ambient = colour;
    }
    device.SetMaterial(material);
    device.SetRenderState(gfx::RenderState::Lighting, 1);
    if (mesh) device.DrawMeshSubset(mesh, 0);
}

gfx::HRESULT SceneRenderer::AdvanceFrame(gfx::Device& device, float time) {
    GfxCameraDevice cameraDevice(device);
    camera_.FrameMove(&cameraDevice, time, system_.keys);
    return gfx::S_OK;
}

void SceneRenderer::DrawBlockMesh(gfx::Device& device, int requested, const gfx::ColorValue& colour,
                                  bool selfLit, const math::Mat4& world) {
    if (requested < 1 || requested > 3) return;
    const model::DetailChooser chooser(camera_.projection, camera_.view, device.GetViewport());
    const int level = chooser.Choose(requested, world);
    device.SetTransform(gfx::TransformType::World, world);
    DrawMeshInColour(device, objects_.meshes.blockMeshes[static_cast<size_t>(level - 1)].get(),
                     colour, selfLit);
}

gfx::HRESULT SceneRenderer::RenderScene(gfx::Device& device, float time) {
    if (gfx::Failed(device.BeginScene())) return gfx::S_OK;
    RenderFrame(device, time);
    device.EndScene();
    return gfx::S_OK;
}

const SceneRenderer::Reach& SceneRenderer::ConstructionReach() {
    const CVelVorlaSystem& sys = system_;
    if (reachVersion_ == sys.document.Version() && reachTotal_ == sys.model.Total()) return reach_;
    reachVersion_ = sys.document.Version();
    reachTotal_ = sys.model.Total();
    reach_ = {};
    // The point "Центр" aims at and the farthest block centre from it.
    const CentreSummary c = GatherCentres(sys.model.topBlocks, sys.rootTransform);
    if (c.count > 0) {
        const math::Vec3 m = c.min + (c.max - c.min) * 0.5f;
        const math::Vec3 g = c.sum / static_cast<float>(c.count);
        reach_.centre = m + (g - m) * 0.5f;
        reach_.radius = FarthestDistance(sys.model.topBlocks, reach_.centre, sys.rootTransform);
    }
    return reach_;
}

float SceneRenderer::FitDepthToConstruction(gfx::Device& device) {
    const Reach& reach = ConstructionReach();
    GfxCameraDevice cameraDevice(device);
    if (!(reach.radius > kOrdinaryReach)) {
        camera_.SetFarPlane(&cameraDevice, 0);  // the usual plane
        return kSceneFogDensity;
    }
    const float farSide = math::Distance(camera_.eye, reach.centre) + reach.radius + kBlockRadius;
    camera_.SetFarPlane(&cameraDevice, farSide * 1.05f);
    constexpr float ordinaryFarSide = 5 + 3.8f * kOrdinaryReach;
    return kSceneFogDensity * ordinaryFarSide / (5 + 3.8f * reach.radius);
}

bool SceneRenderer::Animating() const {
    const interaction::ScreenState& sys = screen_;
    return (sys.aboutShown && (sys.aboutOpening || sys.aboutClosing)) || followUpFrame_;
}

void SceneRenderer::RenderFrame(gfx::Device& device, float time) {
    const CVelVorlaSystem& sys = system_;
    followUpFrame_ = false;
    const float fogDensity = FitDepthToConstruction(device);
    device.SetRenderState(gfx::RenderState::FogEnable, 1);
    device.SetRenderState(gfx::RenderState::ZEnable, 1);
    device.SetRenderState(gfx::RenderState::FogColor, sys.backgroundColour);
    device.SetRenderState(gfx::RenderState::FogTableMode, gfx::FOG_EXP2);
    device.SetRenderState(gfx::RenderState::FogDensity, gfx::FloatBits(fogDensity));

    device.Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, sys.backgroundColour, 1.0f, 0);
    device.SetTransform(gfx::TransformType::World, sys.rootTransform);

    if (sys.showGrid) DrawGrid(device, sys.gridColour);
    DrawConstruction(device);
    DrawEditMarks(device);
    DrawAboutDisc(device, time);
    if (sys.mode == ModeInspect) {
        DrawAxesRings(device);
    } else if (sys.mode == ModeTwist) {
        DrawTwistRing(device);
    }

    OverlayContext context{device, overlayFont_.get(), objects_, system_, screen_, camera_, time};
    if (overlays_) overlays_->DrawHelpPages(context);
    DrawTooltip();
    if (overlays_) {
        overlays_->DrawBottomStrip(context);
        overlays_->DrawTopStrip(context);
    }
}

void SceneRenderer::DrawGrid(gfx::Device& device, gfx::Color colour) {
    gfx::Material material;
    material.emissive = gfx::ToColorValue(colour);
    device.SetMaterial(material);
    if (objects_.meshes.gridLines) device.DrawLineList(objects_.meshes.gridLines.get(), 0, 44);
}

void SceneRenderer::PrepareConstruction(const math::Viewport& viewport) {
    const CVelVorlaSystem& sys = system_;
    MeshSet& set = objects_.meshes;
    for (size_t i = 0; i < 3; ++i) batches_[i].mesh = set.blockMeshes[i].get();
    batches_[3].mesh = set.cubeMesh.get();
    for (InstanceBatch& batch : batches_) {
        batch.instances.clear();
        batch.mirrored = false;
    }
    stats_ = {};

    const bool cubes = sys.showAsCubes != 0;
    // Block meshes are drawn only for the three known detail levels.
    if (!cubes && (sys.detailLevel < 1 || sys.detailLevel > 3)) return;

    float meshRadius = 0;
    if (cubes) {
        if (set.cubeMesh) meshRadius = set.cubeMesh->Geometry().boundRadius;
    } else {
        for (const auto& mesh : set.blockMeshes) {
            if (mesh) meshRadius = std::max(meshRadius, mesh->Geometry().boundRadius);
        }
    }
    if (!(meshRadius > 0)) meshRadius = kBlockRadius;
    // Block transforms are rigid; only the root may scale.
    const float radius = meshRadius * std::max(MaxScale(sys.rootTransform), 1e-6f) * 1.001f;

    const Frustum frustum(camera_.view * camera_.projection);
    const model::DetailChooser chooser(camera_.projection, camera_.view, viewport);
    const int requested = sys.detailLevel;

    // Blocks closed in by their neighbours or repeating another are skipped; the flags
    // follow the walk's order.
    const std::vector<bool>* hidden =
        culling_.hiddenBlocks ? &sys.document.HiddenBlocks().fromDrawing : nullptr;
    size_t order = 0;
    WalkBlocks(sys.model.topBlocks, sys.rootTransform,
               [&](const BlockNode& block, const math::Mat4& world, const math::Mat4&) {
                   const size_t index = order++;
                   ++stats_.blocksDrawable;
                   if (hidden && index < hidden->size() && (*hidden)[index]) {
                       ++stats_.blocksHidden;
                       return;
                   }
                   if (!IsColourIndex(block.colour)) return;
                   if (!frustum.SphereVisible(world.Translation(), radius)) return;
                   const size_t batch =
                       cubes ? 3 : static_cast<size_t>(chooser.Choose(requested, world) - 1);
                   if (Determinant3(world) <= 0.0f) batches_[batch].mirrored = true;
                   gfx::MeshInstance& instance = batches_[batch].instances.emplace_back();
                   instance.world = world;
                   const gfx::ColorValue colour = TableColour(block.colour);
                   if (block.selfLit) {
                       instance.emissive = colour;
                   } else {
                       instance.diffuse = colour;
                       instance.ambient = colour;
                   }
               });
}

void SceneRenderer::DrawConstruction(gfx::Device& device) {
    PrepareConstruction(device.GetViewport());
    bool lightingSet = false;
    for (InstanceBatch& batch : batches_) {
        if (batch.instances.empty() || !batch.mesh) continue;
        if (!lightingSet) {
            device.SetRenderState(gfx::RenderState::Lighting, 1);
            lightingSet = true;
        }
        // Block meshes and the cube are closed and wound clockwise seen from outside:
        // their back faces can never show. A mirrored copy would turn that inside out.
        const bool cull = culling_.backFaces && !batch.mirrored;
        device.SetRenderState(gfx::RenderState::CullMode, cull ? gfx::CULL_CCW : gfx::CULL_NONE);
        device.DrawMeshInstances(batch.mesh, batch.instances);
        stats_.blocksSubmitted += batch.instances.size();
        stats_.triangles += batch.instances.size() * batch.mesh->Geometry().FaceCount();
        ++stats_.drawCalls;
    }
    // Everything else (grid, rings, disc, sprites) is drawn from both sides.
    if (lightingSet) device.SetRenderState(gfx::RenderState::CullMode, gfx::CULL_NONE);
}

math::Mat4 SceneRenderer::GizmoTranslation() const {
    math::Vec3 p =
        camera_.eye + math::Vec3TransformCoord({0, 0, kGizmoDistance}, camera_.cameraToWorld);
    return math::MatrixTranslation(p);
}

void SceneRenderer::DrawAxesRings(gfx::Device& device) {
    const CVelVorlaSystem& sys = system_;
    if (sys.showAxes != 1) return;
    device.Clear(gfx::CLEAR_ZBUFFER, sys.backgroundColour, 1.0f, 0);
    device.SetRenderState(gfx::RenderState::FogEnable, 1);
    device.SetRenderState(gfx::RenderState::FogColor, sys.fogColour);
    device.SetRenderState(gfx::RenderState::FogDensity, gfx::FloatBits(kGizmoFogDensity));

    const math::Mat4 t = GizmoTranslation();
    constexpr float halfTurn = std::numbers::pi_v<float> / 2;
    gfx::Mesh* ring = objects_.meshes.ringMesh.get();
    const struct {
        math::Mat4 world;
        int colour;
    } rings[] = {
        {t, ColourRed},
        {math::MatrixRotationX(halfTurn) * t, ColourGreen},
        {math::MatrixRotationY(halfTurn) * t, ColourBlue},
        {math::MatrixScaling(1.2f, 1.2f, 1.2f) * camera_.cameraToWorld * t, ColourYellow},
    };
    for (const auto& r : rings) {
        device.SetTransform(gfx::TransformType::World, r.world);
        DrawMeshInColour(device, ring, TableColour(r.colour), true);
    }
}

void SceneRenderer::DrawTwistRing(gfx::Device& device) {
    const CVelVorlaSystem& sys = system_;
    if (sys.twistSelected != 1) return;
    device.Clear(gfx::CLEAR_ZBUFFER, sys.backgroundColour, 1.0f, 0);
    device.SetRenderState(gfx::RenderState::FogColor, sys.fogColour);
    device.SetRenderState(gfx::RenderState::FogDensity, gfx::FloatBits(kGizmoFogDensity));

    const math::Mat4 t = GizmoTranslation();
    device.SetTransform(gfx::TransformType::World, sys.twistDrag * sys.twistFrame * t);
    DrawMeshInColour(device, objects_.meshes.ringMesh.get(), TableColour(ColourRed), true);

    const math::Mat4 arrowWorld = math::MatrixTranslation(1.5f, 0, 0) *
                                  math::MatrixRotationAxis({0, 0, 1}, sys.twistStartAngle) *
                                  math::MatrixInverseOrIdentity(sys.twistDragStart) *
                                  sys.twistFrame * t;
    device.SetTransform(gfx::TransformType::World, arrowWorld);
    device.SetRenderState(gfx::RenderState::ZEnable, 0);
    device.SetRenderState(gfx::RenderState::FogEnable, 0);
    gfx::Material material;
    material.emissive = TableColour(ColourWhite);
    device.SetMaterial(material);
    if (objects_.meshes.arrowLines) {
        device.DrawLineList(objects_.meshes.arrowLines.get(), 0, 9);
    }
    device.SetRenderState(gfx::RenderState::FogEnable, 1);
    device.SetRenderState(gfx::RenderState::ZEnable, 1);
}

namespace {
// Characters, not bytes: the tooltips are Russian UTF-8.
int CountCharacters(const std::string& text) {
    int n = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++n;
    }
    return n;
}
}  // namespace

void SceneRenderer::DrawTooltip() {
    const interaction::ScreenState& sys = screen_;
    gfx::Sprite* sprite = objects_.overlaySprite.get();
    if (!sys.stripHit || !sprite || !objects_.panelTexture) return;

    const int n = CountCharacters(sys.tooltipText);
    const int w = 9 * n + 9;
    gfx::Rect rect;
    rect.top = sys.tooltipY;
    rect.bottom = sys.tooltipY + 18 * sys.tooltipStyle;
    if (sys.tooltipLeftAnchored) {
        rect.left = sys.tooltipX;
        rect.right = sys.tooltipX + w;
    } else {
        rect.right = sys.tooltipX;
        rect.left = sys.tooltipStyle == 1 ? sys.tooltipX - w : sys.tooltipX - 200;
    }

    const float sx = (0.5f * static_cast<float>(n - 1) + 1.0f) * 0.5625f;
    const float sy =
        sys.tooltipStyle == 1 ? 0.625f : 0.5625f * static_cast<float>(sys.tooltipStyle);
    sprite->SetTransform(
        math::MatrixScaling(sx, sy, 1) *
        math::MatrixTranslation(static_cast<float>(rect.left), static_cast<float>(rect.top), 0));
    sprite->Begin(gfx::SPRITE_ALPHABLEND);
    sprite->Draw(objects_.panelTexture.get(), nullptr, nullptr, nullptr, 0xCCFFFFFF);
    sprite->End();

    if (!overlayFont_) return;
    rect.top += 2;
    overlayFont_->DrawText(nullptr, sys.tooltipText, -1, rect,
                           gfx::DT_CENTER | gfx::DT_WORDBREAK | gfx::DT_NOCLIP, 0xFF000000);
}

}  // namespace render
