#include "platform/gfx/assets/mesh_builders.h"

#include <cmath>
#include <numbers>

namespace gfx::assets {

using math::MeshGeometry;
using math::Vec2;
using math::Vec3;

MeshGeometry CreateBox(float width, float height, float depth) {
    const Vec3 h{width / 2, height / 2, depth / 2};
    // Each side: its normal and two in-plane axes u, v with Cross(u, v) == normal, so the
    // corners n + u + v, n - u + v, n - u - v, n + u - v (scaled) run clockwise seen from
    // outside in a left-handed frame.
    struct Side {
        Vec3 n, u, v;
    };
    const Side sides[6] = {
        {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    auto scale = [&](const Vec3& a) { return Vec3{a.x * h.x, a.y * h.y, a.z * h.z}; };
    MeshGeometry mesh;
    for (const Side& s : sides) {
        const uint16_t base = static_cast<uint16_t>(mesh.positions.size());
        const float su[4] = {1, -1, -1, 1};
        const float sv[4] = {1, 1, -1, -1};
        for (int c = 0; c < 4; ++c) {
            mesh.positions.push_back(scale(s.n + s.u * su[c] + s.v * sv[c]));
            mesh.normals.push_back(s.n);
        }
        // Cross(c1 - c0, c2 - c0) = 4 Cross(u, v) = 4 n: clockwise seen from outside.
        const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
        for (uint16_t q : quad) mesh.indices.push_back(static_cast<uint16_t>(base + q));
    }
    mesh.UpdateBounds();
    return mesh;
}

MeshGeometry CreateTorus(float innerRadius, float outerRadius, int sides, int rings) {
    MeshGeometry mesh;
    if (sides < 3 || rings < 3 || sides * rings > 65535) return mesh;
    const float twoPi = 2.0f * std::numbers::pi_v<float>;
    for (int r = 0; r < rings; ++r) {
        const float a = twoPi * static_cast<float>(r) / static_cast<float>(rings);
        const Vec3 radial{std::cos(a), std::sin(a), 0};
        for (int s = 0; s < sides; ++s) {
            const float b = twoPi * static_cast<float>(s) / static_cast<float>(sides);
            const Vec3 n = radial * std::cos(b) + Vec3{0, 0, std::sin(b)};
            mesh.positions.push_back(radial * outerRadius + n * innerRadius);
            mesh.normals.push_back(n);
        }
    }
    auto at = [&](int r, int s) {
        return static_cast<uint16_t>((r % rings) * sides + (s % sides));
    };
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const uint16_t a = at(r, s), b = at(r + 1, s), c = at(r + 1, s + 1), d = at(r, s + 1);
            for (uint16_t i : {a, b, c, a, c, d}) mesh.indices.push_back(i);
        }
    }
    mesh.UpdateBounds();
    return mesh;
}

MeshGeometry CreateDisc() {
    constexpr int kSegments = 64;
    const float step = 2.0f * std::numbers::pi_v<float> / kSegments;
    MeshGeometry mesh;
    auto rim = [&](int i) {
        const float a = static_cast<float>(i) * step;
        const Vec3 p{std::cos(a), std::sin(a), 0};
        mesh.positions.push_back(p);
        mesh.normals.push_back({0, 0, 1});
        mesh.texCoords.push_back({(p.x + 1) / 2, 1 - (p.y + 1) / 2});
    };
    for (int i = 1; i <= kSegments; ++i) {
        mesh.positions.push_back({0, 0, 0});
        mesh.normals.push_back({0, 0, 1});
        mesh.texCoords.push_back({0.5f, 0.5f});
        rim(i);
        rim(i - 1);
    }
    for (int i = 0; i < 3 * kSegments; ++i) mesh.indices.push_back(static_cast<uint16_t>(i));
    CompactMesh(mesh);
    mesh.UpdateBounds();
    return mesh;
}

size_t CompactMesh(MeshGeometry& mesh) {
    const size_t n = mesh.positions.size();
    std::vector<int> remap(n, -1);
    for (uint16_t i : mesh.indices)
        if (i < n) remap[i] = 0;
    size_t next = 0;
    for (size_t v = 0; v < n; ++v) {
        if (remap[v] < 0) continue;
        remap[v] = static_cast<int>(next);
        if (next != v) {
            mesh.positions[next] = mesh.positions[v];
            if (v < mesh.normals.size()) mesh.normals[next] = mesh.normals[v];
            if (v < mesh.texCoords.size()) mesh.texCoords[next] = mesh.texCoords[v];
        }
        ++next;
    }
    const size_t removed = n - next;
    if (removed == 0) return 0;
    mesh.positions.resize(next);
    if (!mesh.normals.empty()) mesh.normals.resize(next);
    if (!mesh.texCoords.empty()) mesh.texCoords.resize(next);
    // Faces naming a vertex that does not exist are dropped: they could never be drawn.
    std::vector<uint16_t> kept;
    kept.reserve(mesh.indices.size());
    for (size_t f = 0; f + 2 < mesh.indices.size(); f += 3) {
        const uint16_t a = mesh.indices[f], b = mesh.indices[f + 1], c = mesh.indices[f + 2];
        if (a >= n || b >= n || c >= n) continue;
        kept.push_back(static_cast<uint16_t>(remap[a]));
        kept.push_back(static_cast<uint16_t>(remap[b]));
        kept.push_back(static_cast<uint16_t>(remap[c]));
    }
    mesh.indices = std::move(kept);
    return removed;
}

std::vector<Vec3> GridLineVertices() {
    std::vector<Vec3> v(88);
    for (int k = 0; k <= 21; ++k) {
        const float c = static_cast<float>(2 * k - 21);
        v[2 * k] = {c, -1, -21};
        v[2 * k + 1] = {c, -1, 21};
        v[44 + 2 * k] = {-21, -1, c};
        v[45 + 2 * k] = {21, -1, c};
    }
    return v;
}

std::vector<Vec3> ArrowLineVertices() {
    return {
        {0, -1, 0},        {0, 1, 0},                                 // shaft
        {-0.1f, -0.9f, 0}, {0, -1, 0}, {0.1f, -0.9f, 0}, {0, -1, 0},  // bottom head
        {0, -0.9f, -0.1f}, {0, -1, 0}, {0, -0.9f, 0.1f}, {0, -1, 0},
        {-0.1f, 0.9f, 0},  {0, 1, 0},  {0.1f, 0.9f, 0},  {0, 1, 0},  // top head
        {0, 0.9f, -0.1f},  {0, 1, 0},  {0, 0.9f, 0.1f},  {0, 1, 0},
    };
}

std::vector<math::Vec3> BoxEdgeVertices() {
    std::vector<math::Vec3> v;
    // Along each axis, the four edges at the corners of the other two.
    for (int axis = 0; axis < 3; ++axis) {
        for (float a : {-1.0f, 1.0f}) {
            for (float b : {-1.0f, 1.0f}) {
                float from[3], to[3];
                from[axis] = -1.0f;
                to[axis] = 1.0f;
                from[(axis + 1) % 3] = to[(axis + 1) % 3] = a;
                from[(axis + 2) % 3] = to[(axis + 2) % 3] = b;
                v.push_back({from[0], from[1], from[2]});
                v.push_back({to[0], to[1], to[2]});
            }
        }
    }
    return v;
}

}  // namespace gfx::assets
