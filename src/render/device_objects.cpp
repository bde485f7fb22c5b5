// Creation and release of the device objects, and the form's device hooks built on them.
#include <string>

#include "camera/camera.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "render/camera_upload.h"
#include "render/scene_renderer.h"

using namespace camera;
using namespace input;
using namespace model;

namespace render {

void MeshSet::Release() {
    for (auto& mesh : blockMeshes) mesh.reset();
    cubeMesh.reset();
    discMesh.reset();
    ringMesh.reset();
    gridLines.reset();
    arrowLines.reset();
    boxEdges.reset();
}

::PickMeshes DeviceObjects::Geometry() const {
    ::PickMeshes g;
    auto geometryOf = [](const std::unique_ptr<gfx::Mesh>& mesh) -> const math::MeshGeometry* {
        return mesh ? &mesh->Geometry() : nullptr;
    };
    for (size_t i = 0; i < 3; ++i) {
        g.blockMeshes[i] = geometryOf(meshes.blockMeshes[i]);
    }
    g.cube = geometryOf(meshes.cubeMesh);
    g.ring = geometryOf(meshes.ringMesh);
    g.disc = geometryOf(meshes.discMesh);
    return g;
}

int OverlayFontHeight(int dpi) {
    // MulDiv rounds half away from zero.
    long long product = 10LL * dpi;
    long long rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
    return -static_cast<int>(rounded);
}

namespace {

gfx::HRESULT MakeMesh(gfx::Device& device, math::MeshGeometry geometry,
                      std::unique_ptr<gfx::Mesh>* out) {
    geometry.UpdateBounds();
    std::unique_ptr<gfx::Mesh> mesh;
    gfx::HRESULT hr = device.CreateMesh(geometry, &mesh);
    if (gfx::Succeeded(hr) && !mesh) hr = gfx::E_FAIL;
    if (gfx::Succeeded(hr)) *out = std::move(mesh);
    return hr;
}

gfx::HRESULT MakeLines(gfx::Device& device, const std::vector<math::Vec3>& vertices,
                       std::unique_ptr<gfx::VertexBuffer>* out) {
    std::unique_ptr<gfx::VertexBuffer> buffer;
    gfx::HRESULT hr = device.CreateLineBuffer(vertices, &buffer);
    if (gfx::Succeeded(hr) && !buffer) hr = gfx::E_FAIL;
    if (gfx::Succeeded(hr)) *out = std::move(buffer);
    return hr;
}

gfx::HRESULT MakeTexture(gfx::Device& device, AssetSource& assets, int resourceId,
                         std::unique_ptr<gfx::Texture>* out) {
    auto levels = assets.LoadTextureLevels(resourceId);
    if (!levels || levels->empty()) return gfx::E_FAIL;
    std::unique_ptr<gfx::Texture> texture;
    gfx::HRESULT hr = device.CreateTexture(*levels, &texture);
    if (gfx::Succeeded(hr) && !texture) hr = gfx::E_FAIL;
    if (gfx::Succeeded(hr)) *out = std::move(texture);
    return hr;
}

}  // namespace

SceneRenderer::SceneRenderer(const CVelVorlaSystem& system, interaction::ScreenState& screen,
                             CVelCamera& camera, std::unique_ptr<AssetSource> assets)
    : system_(system), screen_(screen), camera_(camera), assets_(std::move(assets)) {
    if (!assets_) assets_ = MakeEmbeddedAssetSource();
    batches_.resize(4);
}

SceneRenderer::~SceneRenderer() = default;

gfx::HRESULT SceneRenderer::CreateSceneObjects(gfx::Device& device) {
    MeshSet& set = objects_.meshes;
    set.identityWorld = math::MatrixIdentity();
    for (int i = 0; i < 3; ++i) {
        auto geometry = assets_->LoadBlockMesh(ResourceBlockHigh + i);
        if (!geometry) return E_BLOCKMESH;
        if (gfx::Failed(MakeMesh(device, std::move(*geometry), &set.blockMeshes[i]))) {
            return E_BLOCKMESH;
        }
    }
    if (gfx::Failed(MakeMesh(device, gfx::assets::CreateBox(2, 2, 2), &set.cubeMesh))) {
        return gfx::E_FAIL;
    }
    if (gfx::Failed(
            MakeMesh(device, gfx::assets::CreateTorus(0.02f, 1.5f, 8, 64), &set.ringMesh))) {
        return gfx::E_FAIL;
    }
    gfx::HRESULT hr = MakeMesh(device, gfx::assets::CreateDisc(), &set.discMesh);
    if (gfx::Failed(hr)) return hr;
    hr = MakeLines(device, gfx::assets::GridLineVertices(), &set.gridLines);
    if (gfx::Failed(hr)) return hr;
    hr = MakeLines(device, gfx::assets::ArrowLineVertices(), &set.arrowLines);
    if (gfx::Failed(hr)) return hr;
    return MakeLines(device, gfx::assets::BoxEdgeVertices(), &set.boxEdges);
}

void SceneRenderer::ReleaseSceneObjects() {
    objects_.meshes.Release();
}

void SceneRenderer::ReleaseOverlayObjects() {
    objects_.buttonTexture.reset();
    objects_.panelTexture.reset();
    objects_.overlaySprite.reset();
    objects_.emblemTexture.reset();
    objects_.emblemGlowTexture.reset();
    objects_.reflectionTexture.reset();
}

gfx::HRESULT SceneRenderer::LoadAboutTextures(gfx::Device& device) {
    if (objects_.textureStages <= 0) return gfx::S_OK;
    gfx::HRESULT hr = MakeTexture(device, *assets_, ResourceEmblem, &objects_.emblemTexture);
    if (gfx::Failed(hr)) return hr;
    hr = MakeTexture(device, *assets_, ResourceEmblemGlow, &objects_.emblemGlowTexture);
    if (gfx::Failed(hr)) return hr;
    return MakeTexture(device, *assets_, ResourceReflection, &objects_.reflectionTexture);
}

void SceneRenderer::ResetOverlayObjects(gfx::Device& device) {
    ReleaseOverlayObjects();
    if (objects_.textureStages > 0) {
        if (gfx::Failed(MakeTexture(device, *assets_, ResourcePanel, &objects_.panelTexture))) {
            return;
        }
        if (gfx::Failed(MakeTexture(device, *assets_, ResourceButton, &objects_.buttonTexture))) {
            return;
        }
        std::unique_ptr<gfx::Sprite> sprite;
        if (gfx::Failed(device.CreateSprite(&sprite)) || !sprite) return;
        objects_.overlaySprite = std::move(sprite);
    }
    // A texture that cannot be made is skipped when drawing, never reported.
    if (screen_.aboutShown) LoadAboutTextures(device);
}

gfx::HRESULT SceneRenderer::CreateDeviceObjects(gfx::Device& device, int screenDpi) {
    GfxCameraDevice cameraDevice(device);
    camera_.PlaceAndApply(&cameraDevice, {0, 0, -5}, {0, 0, 0});
    gfx::SurfaceDesc backBuffer;
    if (gfx::Succeeded(device.GetBackBufferDesc(&backBuffer))) {
        camera_.SetViewport(&cameraDevice, static_cast<int>(backBuffer.width),
                            static_cast<int>(backBuffer.height));
    }

    gfx::FontDesc fontDesc;
    fontDesc.height = OverlayFontHeight(screenDpi);
    fontDesc.width = 0;
    fontDesc.weight = 700;
    fontDesc.italic = false;
    fontDesc.faceName = "Arial";
    std::unique_ptr<gfx::Font> font;
    gfx::HRESULT hr = device.CreateFont(fontDesc, &font);
    if (gfx::Failed(hr)) return hr;
    overlayFont_ = std::move(font);

    hr = CreateSceneObjects(device);
    if (gfx::Failed(hr)) return hr;
    // Before the first reset there are no texture stages, so this loads nothing then.
    if (screen_.aboutShown) LoadAboutTextures(device);
    return gfx::S_OK;
}

gfx::HRESULT SceneRenderer::ResetDeviceObjects(gfx::Device& device,
                                               const std::function<void()>& handleSize) {
    gfx::Material material;
    material.diffuse = {1, 0, 0, 1};
    material.ambient = {1, 0, 0, 1};
    device.SetMaterial(material);

    gfx::Caps caps;
    if (gfx::Failed(device.GetDeviceCaps(&caps))) caps = gfx::Caps{};
    for (uint32_t stage = 0; stage < 2; ++stage) {
        if (caps.textureFilterCaps & gfx::PTFILTERCAPS_MINFLINEAR) {
            device.SetSamplerState(stage, gfx::SamplerState::MinFilter, gfx::TEXF_LINEAR);
        }
        if (caps.textureFilterCaps & gfx::PTFILTERCAPS_MAGFLINEAR) {
            device.SetSamplerState(stage, gfx::SamplerState::MagFilter, gfx::TEXF_LINEAR);
            device.SetSamplerState(stage, gfx::SamplerState::MipFilter, gfx::TEXF_LINEAR);
        }
    }

    device.SetRenderState(gfx::RenderState::DitherEnable, 0);
    device.SetRenderState(gfx::RenderState::SpecularEnable, 0);
    device.SetRenderState(gfx::RenderState::ZEnable, 1);
    device.SetRenderState(gfx::RenderState::Ambient, 0x000F0F0F);
    // Both sides of every face, as the open geometry needs; the construction pass culls
    // the back faces of its closed meshes itself.
    device.SetRenderState(gfx::RenderState::CullMode, gfx::CULL_NONE);

    device.SetTransform(gfx::TransformType::World, system_.rootTransform);

    GfxCameraDevice cameraDevice(device);
    camera_.RestoreDevice(&cameraDevice);

    if (overlayFont_) overlayFont_->OnResetDevice();

    if (handleSize) handleSize();

    objects_.canAlphaBlend = (caps.srcBlendCaps & gfx::PBLENDCAPS_SRCALPHA) &&
                             (caps.destBlendCaps & gfx::PBLENDCAPS_INVSRCALPHA);
    objects_.canBlendFactor =
        objects_.canAlphaBlend && (caps.destBlendCaps & gfx::PBLENDCAPS_BLENDFACTOR);
    constexpr uint32_t dot3Ops =
        gfx::TEXOPCAPS_MODULATE | gfx::TEXOPCAPS_DOTPRODUCT3 | gfx::TEXOPCAPS_ADD;
    objects_.canDot3 = (caps.textureOpCaps & dot3Ops) == dot3Ops;
    objects_.textureStages = static_cast<int32_t>(caps.maxTextureBlendStages);

    ResetOverlayObjects(device);
    return gfx::S_OK;
}

gfx::HRESULT SceneRenderer::LoseDeviceObjects() {
    if (overlayFont_) overlayFont_->OnLostDevice();
    ReleaseOverlayObjects();
    return gfx::S_OK;
}

gfx::HRESULT SceneRenderer::DestroyDeviceObjects() {
    overlayFont_.reset();
    ReleaseSceneObjects();
    return gfx::S_OK;
}

}  // namespace render
