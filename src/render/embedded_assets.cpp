// The program's own meshes and images, decoded from the data compiled into it.
#include "platform/gfx/assets/resource_loader.h"
#include "render/device_objects.h"

using namespace model;

namespace render {
namespace {

class EmbeddedAssets final : public AssetSource {
  public:
    std::optional<math::MeshGeometry> LoadBlockMesh(int resourceId) override {
        auto mesh = gfx::assets::LoadMeshFromResource(resourceId);
        if (!mesh) return std::nullopt;
        return std::move(mesh).value();
    }

    // Stretched to powers of two with a full mip chain, as textures of the classic
    // default size are.
    std::optional<std::vector<gfx::TextureLevel>> LoadTextureLevels(int resourceId) override {
        auto chain = gfx::assets::LoadTextureFromResource(resourceId);
        if (!chain) return std::nullopt;
        std::vector<gfx::TextureLevel> levels;
        for (gfx::assets::Image& level : chain.value()) {
            levels.push_back({static_cast<uint32_t>(level.width),
                              static_cast<uint32_t>(level.height), std::move(level.pixels)});
        }
        if (levels.empty()) return std::nullopt;
        return levels;
    }
};

}  // namespace

std::unique_ptr<AssetSource> MakeEmbeddedAssetSource() {
    return std::make_unique<EmbeddedAssets>();
}

}  // namespace render
