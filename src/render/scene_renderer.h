#pragma once
// Device objects and the drawing of one frame: background and fog, grid, the blocks of
// the construction, the about disc, the rotation-axes rings or the twist ring, then the
// overlay passes (help pages, tooltip, the two strips) on top.
//
// The form's framework hooks call the operations below:
//   CreateDeviceObjects          -> CreateDeviceObjects
//   ResetDeviceObjects           -> ResetDeviceObjects (size handling and the command-line
//                                   load stay with the form: see the callback)
//   LoseDeviceObjects            -> LoseDeviceObjects
//   DestroyDeviceObjects         -> DestroyDeviceObjects
//   RenderScene                  -> RenderScene
#include <functional>
#include <memory>
#include <vector>

#include "camera/camera.h"
#include "interaction/screen_state.h"
#include "model/construction.h"
#include "platform/gfx/gfx.h"
#include "render/device_objects.h"
#include "render/frustum.h"

namespace render {

// What an overlay pass may draw with. Any object may be null: a pass skips what it
// cannot draw.
struct OverlayContext {
    gfx::Device& device;
    gfx::Font* font;
    DeviceObjects& objects;
    const model::CVelVorlaSystem& system;
    interaction::ScreenState& screen;
    camera::CVelCamera& camera;
    float time;
};

// The overlay passes that other parts of the program provide; drawn after the scene in
// the order help pages, tooltip (drawn here), bottom strip, top strip. Empty by default.
class OverlayPasses {
  public:
    virtual ~OverlayPasses() = default;
    virtual void DrawHelpPages(const OverlayContext&) {}
    virtual void DrawBottomStrip(const OverlayContext&) {}
    virtual void DrawTopStrip(const OverlayContext&) {}
};

// Figures of the last DrawConstruction, for tests and benchmarks.
struct ConstructionStats {
    size_t blocksDrawable = 0;   // visible blocks the walk met
    size_t blocksHidden = 0;     // of those, closed in by their neighbours and skipped
    size_t blocksSubmitted = 0;  // inside the view and handed to the device
    size_t drawCalls = 0;
    size_t triangles = 0;
};

// Blocks of one mesh, ready to be drawn with one instanced call.
struct InstanceBatch {
    gfx::Mesh* mesh = nullptr;
    std::vector<gfx::MeshInstance> instances;
    bool mirrored = false;  // some copy is mirrored (a degenerate axis in a file): no culling
};

// What the construction pass leaves out: blocks closed in by their neighbours and the
// back faces of the closed block meshes. Both are on in the program; turning them off
// only serves to measure and to prove that the pictures stay the same.
struct Culling {
    bool hiddenBlocks = true;
    bool backFaces = true;
};

class SceneRenderer {
  public:
    // `assets` null: the program's embedded resources.
    SceneRenderer(const model::CVelVorlaSystem& system, interaction::ScreenState& screen,
                  camera::CVelCamera& camera, std::unique_ptr<AssetSource> assets = nullptr);
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // ---- device hooks
    // Camera placed at (0, 0, -5) looking at the origin with the back buffer's viewport,
    // the overlay font, then the MeshSet (and the about textures while the about page is
    // shown). `screenDpi` gives the 10-point font its pixel height.
    gfx::HRESULT CreateDeviceObjects(gfx::Device& device, int screenDpi = 96);
    // Default material, samplers, fixed render states, world = rootTransform, the camera's
    // lights and transforms, font reset; then `handleSize` (the form's size handling);
    // then the capability copies and the overlay objects. Always S_OK: missing overlay
    // objects are skipped when drawing.
    gfx::HRESULT ResetDeviceObjects(gfx::Device& device,
                                    const std::function<void()>& handleSize = {});
    gfx::HRESULT LoseDeviceObjects();
    gfx::HRESULT DestroyDeviceObjects();
    // The camera's per-frame step with the held keys; the about disc advances as it is drawn.
    gfx::HRESULT AdvanceFrame(gfx::Device& device, float time);
    // BeginScene, RenderFrame, EndScene; a failing BeginScene skips the frame silently.
    gfx::HRESULT RenderScene(gfx::Device& device, float time);
    // True while the scene changes from frame to frame by itself (the about disc
    // turning), and for one frame after such a change ended, so that its end is shown.
    bool Animating() const;

    // ---- construction-object operations on the device objects
    gfx::HRESULT CreateSceneObjects(gfx::Device& device);
    void ReleaseSceneObjects();
    void ResetOverlayObjects(gfx::Device& device);
    void ReleaseOverlayObjects();
    // Creates the three about-page textures (nothing without texture stages); the about
    // command calls it when it opens the page and the emblem texture is missing.
    gfx::HRESULT LoadAboutTextures(gfx::Device& device);

    // ---- passes
    void RenderFrame(gfx::Device& device, float time);
    void DrawGrid(gfx::Device& device, gfx::Color colour);
    void DrawConstruction(gfx::Device& device);
    void DrawAboutDisc(gfx::Device& device, float time);
    void DrawAxesRings(gfx::Device& device);
    void DrawTwistRing(gfx::Device& device);
    void DrawTooltip();
    // The selected branch, and what a click at the pointer would do (ScreenState's
    // preview): marked blocks and the ghosts of blocks to come. Nothing when there is
    // neither.
    void DrawEditMarks(gfx::Device& device);
    // One block with the mesh of its detail level (nothing for a level other than 1..3).
    // DrawConstruction batches the same choice for all blocks at once.
    void DrawBlockMesh(gfx::Device& device, int requested, const gfx::ColorValue& colour,
                       bool selfLit, const math::Mat4& world);
    // Material rule: self-lit shows `colour` as emissive, otherwise diffuse = ambient =
    // colour; lighting on; subset 0 drawn. A missing mesh draws nothing.
    static void DrawMeshInColour(gfx::Device& device, gfx::Mesh* mesh,
                                 const gfx::ColorValue& colour, bool selfLit);

    // The CPU half of DrawConstruction: walks the tree, chooses each block's mesh, drops
    // blocks outside the view and fills the batches. DrawConstruction then submits them.
    void PrepareConstruction(const math::Viewport& viewport);
    const std::vector<InstanceBatch>& Batches() const { return batches_; }
    const ConstructionStats& LastConstructionStats() const { return stats_; }

    // Point 4.5 units in front of the eye where the ring gizmos and the disc sit.
    math::Mat4 GizmoTranslation() const;

    void SetOverlayPasses(OverlayPasses* passes) { overlays_ = passes; }
    void SetCulling(const Culling& culling) { culling_ = culling; }
    DeviceObjects& Objects() { return objects_; }
    const DeviceObjects& Objects() const { return objects_; }
    model::PickMeshes Geometry() const { return objects_.Geometry(); }
    gfx::Font* OverlayFont() const { return overlayFont_.get(); }

  private:
    // Where the construction is: the point "Центр" aims at and the largest distance of a
    // block centre from it. Worked out again only after the construction changed.
    struct Reach {
        math::Vec3 centre;
        float radius = 0;
    };
    const Reach& ConstructionReach();
    // The fog density of the frame, and the camera's far plane, for the construction's
    // size: the fixed values unless it is large (see scene_renderer.cpp).
    float FitDepthToConstruction(gfx::Device& device);

    const model::CVelVorlaSystem& system_;
    interaction::ScreenState& screen_;
    camera::CVelCamera& camera_;
    std::unique_ptr<AssetSource> assets_;
    DeviceObjects objects_;
    std::unique_ptr<gfx::Font> overlayFont_;
    OverlayPasses* overlays_ = nullptr;

    // Time of the previous frame for the disc's turn; the first frame sets it.
    bool haveLastTime_ = false;
    float lastTime_ = 0;
    bool followUpFrame_ = false;

    std::vector<InstanceBatch> batches_;  // reused frame to frame: [0..2] levels, [3] cube
    ConstructionStats stats_;
    Culling culling_;
    Reach reach_;
    uint64_t reachVersion_ = 0;
    int32_t reachTotal_ = -1;

    // World transforms of the selected branch's visible blocks, for the construction as
    // it was at selectionVersion_.
    const std::vector<math::Mat4>& SelectionWorlds();
    std::vector<math::Mat4> selectionWorlds_;
    const model::BlockNode* selectionRoot_ = nullptr;
    uint64_t selectionVersion_ = 0;
};

// Font height in pixels for a 10-point font on a screen of `dpi` dots per inch, negative
// as the classic font API expects for a character height (-MulDiv(10, dpi, 72)).
int OverlayFontHeight(int dpi);

}  // namespace render
