#pragma once
// The program's embedded resources, decoded: block meshes from their .x files and
// textures as full mip chains stretched to powers of two.
#include <vector>

#include "math/geometry.h"
#include "platform/gfx/assets/image.h"
#include "platform/gfx/assets/result.h"

namespace gfx::assets {

// The block mesh resource for a detail level: 1 or less high, 2 medium, any other low.
constexpr int BlockMeshResourceId(int detailLevel) {
    return detailLevel <= 1 ? 212 : detailLevel == 2 ? 213 : 214;
}

// Reads the mesh of an embedded .x resource.
Result<math::MeshGeometry> LoadMeshFromResource(int id);

// Decodes an embedded image (JPEG, Targa or bitmap) into texture levels: level 0 at the
// next power of two in each direction, then every halving down to 1 x 1.
Result<std::vector<Image>> LoadTextureFromResource(int id);

}  // namespace gfx::assets
