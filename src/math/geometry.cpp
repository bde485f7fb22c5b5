#include "math/geometry.h"

#include <algorithm>
#include <cmath>

namespace math {

std::optional<RayHit> IntersectTriangle(const Vec3& origin, const Vec3& dir, const Vec3& p0,
                                        const Vec3& p1, const Vec3& p2) {
    Vec3 e1 = p1 - p0;
    Vec3 e2 = p2 - p0;
    Vec3 p = Cross(dir, e2);
    float det = Dot(e1, p);
    if (det == 0.0f) return std::nullopt;
    float invDet = 1.0f / det;
    Vec3 s = origin - p0;
    float u = Dot(s, p) * invDet;
    if (u < 0.0f || u > 1.0f) return std::nullopt;
    Vec3 q = Cross(s, e1);
    float v = Dot(dir, q) * invDet;
    if (v < 0.0f || u + v > 1.0f) return std::nullopt;
    float t = Dot(e2, q) * invDet;
    if (!(t >= 0.0f)) return std::nullopt;
    RayHit hit;
    hit.u = u;
    hit.v = v;
    hit.distance = t;
    return hit;
}

void MeshGeometry::UpdateBounds() {
    float r2 = 0;
    for (const Vec3& p : positions) r2 = std::max(r2, LengthSq(p));
    // A hair of slack so that rounding never rejects a ray that grazes the outermost vertex.
    boundRadius = std::sqrt(r2) * 1.0001f + 1e-6f;
}

std::optional<RayHit> MeshGeometry::Intersect(const Vec3& origin, const Vec3& dir) const {
    float dd = LengthSq(dir);
    if (dd == 0.0f) return std::nullopt;
    if (boundRadius > 0.0f) {
        // Distance from the origin of the mesh frame to the ray's supporting line, and
        // whether the sphere lies behind the ray start.
        float t = -Dot(origin, dir) / dd;
        Vec3 closest = origin + dir * std::max(t, 0.0f);
        if (LengthSq(closest) > boundRadius * boundRadius) return std::nullopt;
    }
    std::optional<RayHit> best;
    const size_t faces = FaceCount();
    const size_t nv = positions.size();
    for (size_t f = 0; f < faces; ++f) {
        uint16_t i0 = indices[3 * f], i1 = indices[3 * f + 1], i2 = indices[3 * f + 2];
        if (i0 >= nv || i1 >= nv || i2 >= nv) continue;
        auto hit = IntersectTriangle(origin, dir, positions[i0], positions[i1], positions[i2]);
        if (hit && (!best || hit->distance < best->distance)) {
            hit->face = static_cast<uint32_t>(f);
            best = hit;
        }
    }
    return best;
}

Vec3 MeshGeometry::HitPoint(const RayHit& hit) const {
    size_t f = hit.face;
    const Vec3& p0 = positions[indices[3 * f]];
    const Vec3& p1 = positions[indices[3 * f + 1]];
    const Vec3& p2 = positions[indices[3 * f + 2]];
    return BaryCentric(p0, p1, p2, hit.u, hit.v);
}

}  // namespace math
