#pragma once
// Triangle meshes as plain data, with the ray intersection that picking relies on.
#include <cstdint>
#include <optional>
#include <vector>

#include "math/vector.h"

namespace math {

struct RayHit {
    uint32_t face = 0;
    float u = 0, v = 0;  // hit = p0 + u (p1 - p0) + v (p2 - p0)
    float distance = 0;  // ray parameter t: hit = origin + t * direction
};

// Two-sided Moller-Trumbore test; only hits with t >= 0 count.
std::optional<RayHit> IntersectTriangle(const Vec3& origin, const Vec3& dir, const Vec3& p0,
                                        const Vec3& p1, const Vec3& p2);

// An indexed triangle list with 16-bit indices, three per face. Normals and texture
// coordinates are optional (empty when the mesh has none).
struct MeshGeometry {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> texCoords;
    std::vector<uint16_t> indices;

    // Bounding sphere around the origin of the mesh frame; filled by UpdateBounds.
    float boundRadius = 0;

    size_t FaceCount() const { return indices.size() / 3; }
    size_t VertexCount() const { return positions.size(); }
    void UpdateBounds();
    // Nearest hit over all faces (ties keep the lower face index), or none.
    // A ray that cannot come within boundRadius of the origin is rejected at once.
    std::optional<RayHit> Intersect(const Vec3& origin, const Vec3& dir) const;
    // The hit point in mesh coordinates for a hit returned by Intersect.
    Vec3 HitPoint(const RayHit& hit) const;
};

}  // namespace math
