#include "platform/gfx/assets/resource_loader.h"

#include <string>

#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"

namespace gfx::assets {

Result<math::MeshGeometry> LoadMeshFromResource(int id) {
    const auto bytes = vres::GetResource(id);
    if (bytes.empty()) return Error{"resource " + std::to_string(id) + " is missing"};
    auto mesh = ReadXMesh(bytes);
    if (!mesh) return Error{"resource " + std::to_string(id) + ": " + mesh.error()};
    return mesh;
}

Result<std::vector<Image>> LoadTextureFromResource(int id) {
    const auto bytes = vres::GetResource(id);
    if (bytes.empty()) return Error{"resource " + std::to_string(id) + " is missing"};
    auto image = DecodeImage(bytes);
    if (!image) return Error{"resource " + std::to_string(id) + ": " + image.error()};
    return BuildMipChain(*image);
}

}  // namespace gfx::assets
