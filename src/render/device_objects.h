#pragma once
// Everything the scene and the overlays draw with, grouped by lifetime:
//  - per device: the MeshSet (block meshes, cube, ring, disc, grid, arrow and box lines);
//  - per reset: panel and button textures, the overlay sprite, and the about-page
//    textures while the about page is shown;
//  - on demand: the about-page textures when the about page opens after a reset.
// The construction object stays free of graphics; these objects live beside it.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "math/geometry.h"
#include "math/matrix.h"
#include "model/pick_meshes.h"
#include "platform/gfx/gfx.h"

namespace render {

// Resource ids of the program's own meshes and images.
inline constexpr int ResourceBlockHigh = 212;
inline constexpr int ResourceBlockMedium = 213;
inline constexpr int ResourceBlockLow = 214;
inline constexpr int ResourceEmblem = 220;
inline constexpr int ResourceEmblemGlow = 221;
inline constexpr int ResourceReflection = 222;
inline constexpr int ResourcePanel = 223;
inline constexpr int ResourceButton = 224;

// Reported when a block mesh cannot be loaded (the framework shows the media error).
inline constexpr gfx::HRESULT E_BLOCKMESH = gfx::Code(0x8200000B);

// Block mesh resource for a detail level: 1 or less high, 2 medium, anything else low.
inline constexpr int BlockMeshResource(int level) {
    return level <= 1 ? ResourceBlockHigh : (level == 2 ? ResourceBlockMedium : ResourceBlockLow);
}

struct MeshSet {
    math::Mat4 identityWorld;                               // world matrix of the detail test
    std::array<std::unique_ptr<gfx::Mesh>, 3> blockMeshes;  // [0] high, [1] medium, [2] low
    std::unique_ptr<gfx::Mesh> cubeMesh;
    std::unique_ptr<gfx::Mesh> discMesh;
    std::unique_ptr<gfx::Mesh> ringMesh;
    std::unique_ptr<gfx::VertexBuffer> gridLines;   // 88 vertices, 44 lines
    std::unique_ptr<gfx::VertexBuffer> arrowLines;  // 18 vertices, 9 lines
    std::unique_ptr<gfx::VertexBuffer> boxEdges;    // the 12 edges of the cube, 24 vertices

    void Release();
};

struct DeviceObjects {
    MeshSet meshes;
    std::unique_ptr<gfx::Texture> emblemTexture;
    std::unique_ptr<gfx::Texture> emblemGlowTexture;
    std::unique_ptr<gfx::Texture> reflectionTexture;
    std::unique_ptr<gfx::Texture> panelTexture;
    std::unique_ptr<gfx::Texture> buttonTexture;
    std::unique_ptr<gfx::Sprite> overlaySprite;
    // Copies of the device capabilities, refreshed at every reset (false/0 before it).
    bool canAlphaBlend = false;
    bool canBlendFactor = false;
    bool canDot3 = false;
    int32_t textureStages = 0;

    // CPU geometry of the meshes for picking (viewport left for the caller).
    model::PickMeshes Geometry() const;
};

// Where meshes and images come from: the program's embedded resources in the product,
// anything a test wants instead.
class AssetSource {
  public:
    virtual ~AssetSource() = default;
    // The block mesh stored under resource 212, 213 or 214; empty when it cannot be read.
    virtual std::optional<math::MeshGeometry> LoadBlockMesh(int resourceId) = 0;
    // The texture (power-of-two size, whole mip chain) made from image resource 220..224;
    // empty when it cannot be read.
    virtual std::optional<std::vector<gfx::TextureLevel>> LoadTextureLevels(int resourceId) = 0;
};

// The program's embedded resources, decoded with the asset readers.
std::unique_ptr<AssetSource> MakeEmbeddedAssetSource();

}  // namespace render
