#pragma once
// What every device accepts as texture levels, line vertices and mesh geometry. Anything
// else is refused with D3DERR_INVALIDCALL, like a null out-pointer, and creates nothing.
#include <span>

#include "math/geometry.h"
#include "platform/gfx/gfx.h"

namespace gfx {

// At least one level, each with width x height pixels.
inline bool ValidTextureLevels(std::span<const TextureLevel> levels) {
    if (levels.empty()) return false;
    for (const TextureLevel& level : levels)
        if (level.width == 0 || level.height == 0 ||
            level.pixels.size() != static_cast<size_t>(level.width) * level.height)
            return false;
    return true;
}

inline bool ValidLineVertices(std::span<const math::Vec3> vertices) {
    return !vertices.empty();
}

// Whole triangles over 16-bit indices that name existing vertices; normals and texture
// coordinates, where given, one per vertex.
inline bool ValidMeshGeometry(const math::MeshGeometry& g) {
    const size_t n = g.positions.size();
    if (n == 0 || n > 65536 || g.indices.empty() || g.indices.size() % 3 != 0) return false;
    if ((!g.normals.empty() && g.normals.size() != n) ||
        (!g.texCoords.empty() && g.texCoords.size() != n))
        return false;
    for (uint16_t i : g.indices)
        if (i >= n) return false;
    return true;
}

}  // namespace gfx
