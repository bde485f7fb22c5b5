#include "platform/gfx/assets/mesh_builders.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using math::MeshGeometry;
using math::Vec3;

// Every triangle runs clockwise seen from the side its normals face (Direct3D winding).
void ExpectWindingFollowsNormals(const MeshGeometry& m) {
    for (size_t f = 0; f < m.FaceCount(); ++f) {
        const uint16_t a = m.indices[3 * f], b = m.indices[3 * f + 1], c = m.indices[3 * f + 2];
        const Vec3 w =
            math::Cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
        EXPECT_GT(math::Dot(w, m.normals[a] + m.normals[b] + m.normals[c]), 0) << "face " << f;
    }
}

TEST(BoxMesh, TwentyFourVerticesWithFaceNormalsSpanningTheBox) {
    const MeshGeometry box = gfx::assets::CreateBox(2, 2, 2);
    ASSERT_EQ(box.VertexCount(), 24u);
    ASSERT_EQ(box.FaceCount(), 12u);
    ASSERT_EQ(box.normals.size(), 24u);
    for (size_t i = 0; i < 24; ++i) {
        const Vec3 p = box.positions[i], n = box.normals[i];
        EXPECT_FLOAT_EQ(std::fabs(p.x), 1);
        EXPECT_FLOAT_EQ(std::fabs(p.y), 1);
        EXPECT_FLOAT_EQ(std::fabs(p.z), 1);
        EXPECT_FLOAT_EQ(math::Length(n), 1);
        EXPECT_FLOAT_EQ(math::Dot(p, n), 1) << "vertex lies on the side its normal names";
    }
    ExpectWindingFollowsNormals(box);
    EXPECT_NEAR(box.boundRadius, std::sqrt(3.0f), 1e-3f);

    const MeshGeometry slab = gfx::assets::CreateBox(4, 2, 1);
    for (const Vec3& p : slab.positions) {
        EXPECT_FLOAT_EQ(std::fabs(p.x), 2);
        EXPECT_FLOAT_EQ(std::fabs(p.z), 0.5f);
    }
}

TEST(BoxMesh, RayIntersectionGivesSurfacePointsAndDistances) {
    const MeshGeometry box = gfx::assets::CreateBox(2, 2, 2);
    auto hit = box.Intersect({0.3f, -0.2f, -5}, {0, 0, 2});
    ASSERT_TRUE(hit);
    EXPECT_NEAR(hit->distance, 2.0f, 1e-5f);  // t in units of the direction's length
    const Vec3 p = box.HitPoint(*hit);
    EXPECT_NEAR(p.x, 0.3f, 1e-5f);
    EXPECT_NEAR(p.y, -0.2f, 1e-5f);
    EXPECT_NEAR(p.z, -1.0f, 1e-5f);
    EXPECT_FALSE(box.Intersect({0, 1.5f, -5}, {0, 0, 1})) << "passes above the box";
    EXPECT_FALSE(box.Intersect({0, 0, -5}, {0, 0, -1})) << "points away";
}

TEST(TorusMesh, ThinRingOfRadiusOneAndAHalfInTheXYPlane) {
    const MeshGeometry ring = gfx::assets::CreateTorus(0.02f, 1.5f, 8, 64);
    ASSERT_EQ(ring.VertexCount(), 8u * 64u);
    ASSERT_EQ(ring.FaceCount(), 2u * 8u * 64u);
    for (size_t i = 0; i < ring.VertexCount(); ++i) {
        const Vec3 p = ring.positions[i];
        const float planar = std::sqrt(p.x * p.x + p.y * p.y);
        EXPECT_NEAR(std::hypot(planar - 1.5f, p.z), 0.02f, 1e-5f);
        EXPECT_NEAR(math::Length(ring.normals[i]), 1, 1e-5f);
    }
    ExpectWindingFollowsNormals(ring);

    // Looking down the Z axis at the rim hits it in front, at about z = -0.02; the hole
    // in the middle and the space outside are empty.
    auto hit = ring.Intersect({1.5f, 0.001f, -3}, {0, 0, 1});
    ASSERT_TRUE(hit);
    EXPECT_NEAR(ring.HitPoint(*hit).z, -0.02f, 2e-3f);
    EXPECT_NEAR(hit->distance, 2.98f, 2e-3f);
    auto diagonal = ring.Intersect({1.5f * 0.7071f, 1.5f * 0.7071f, 3}, {0, 0, -1});
    ASSERT_TRUE(diagonal);
    EXPECT_NEAR(ring.HitPoint(*diagonal).z, 0.02f, 2e-3f);
    EXPECT_FALSE(ring.Intersect({0, 0, -3}, {0, 0, 1}));
    EXPECT_FALSE(ring.Intersect({1.6f, 0, -3}, {0, 0, 1}));
    EXPECT_FALSE(ring.Intersect({5, 5, -3}, {0, 0, 1})) << "outside the bounding sphere";
}

TEST(DiscMesh, SixtyFourFansWithTheFixedLayout) {
    const MeshGeometry disc = gfx::assets::CreateDisc();
    ASSERT_EQ(disc.VertexCount(), 192u) << "compacting keeps every used vertex";
    ASSERT_EQ(disc.FaceCount(), 64u);
    ASSERT_EQ(disc.texCoords.size(), 192u);
    const float step = 2 * 3.14159265f / 64;
    for (int i = 1; i <= 64; ++i) {
        const size_t v = 3 * static_cast<size_t>(i - 1);
        EXPECT_EQ(disc.indices[v], v);
        EXPECT_EQ(disc.positions[v], (Vec3{0, 0, 0}));
        EXPECT_FLOAT_EQ(disc.texCoords[v].x, 0.5f);
        EXPECT_FLOAT_EQ(disc.texCoords[v].y, 0.5f);
        for (int k = 1; k <= 2; ++k) {
            const float a = static_cast<float>(k == 1 ? i : i - 1) * step;
            const Vec3 p = disc.positions[v + k];
            EXPECT_NEAR(p.x, std::cos(a), 1e-5f);
            EXPECT_NEAR(p.y, std::sin(a), 1e-5f);
            EXPECT_EQ(p.z, 0);
            EXPECT_NEAR(disc.texCoords[v + k].x, (p.x + 1) / 2, 1e-6f);
            EXPECT_NEAR(disc.texCoords[v + k].y, 1 - (p.y + 1) / 2, 1e-6f);
        }
        for (int k = 0; k < 3; ++k) EXPECT_EQ(disc.normals[v + k], (Vec3{0, 0, 1}));
    }
    auto hit = disc.Intersect({0.2f, 0.3f, -2}, {0, 0, 1});
    ASSERT_TRUE(hit);
    EXPECT_NEAR(disc.HitPoint(*hit).x, 0.2f, 1e-5f);
}

TEST(CompactMesh, DropsUnusedVerticesAndRenumbers) {
    MeshGeometry m;
    m.positions = {{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {0, 1, 0}, {8, 8, 8}};
    m.normals = {{0, 0, 1}, {1, 0, 0}, {0, 0, 2}, {0, 0, 3}, {0, 1, 0}};
    m.indices = {0, 2, 3, 3, 2, 0};
    EXPECT_EQ(gfx::assets::CompactMesh(m), 2u);
    ASSERT_EQ(m.VertexCount(), 3u);
    EXPECT_EQ(m.positions[1], (Vec3{1, 0, 0}));
    EXPECT_EQ(m.normals[2], (Vec3{0, 0, 3}));
    EXPECT_EQ(m.indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(gfx::assets::CompactMesh(m), 0u);
}

TEST(LineLists, GridAndArrowVertices) {
    const auto grid = gfx::assets::GridLineVertices();
    ASSERT_EQ(grid.size(), 88u);
    EXPECT_EQ(grid[0], (Vec3{-21, -1, -21}));
    EXPECT_EQ(grid[1], (Vec3{-21, -1, 21}));
    EXPECT_EQ(grid[42], (Vec3{21, -1, -21}));
    EXPECT_EQ(grid[44], (Vec3{-21, -1, -21}));
    EXPECT_EQ(grid[87], (Vec3{21, -1, 21}));
    for (const Vec3& v : grid) {
        EXPECT_EQ(v.y, -1);
        EXPECT_EQ(std::fmod(std::fabs(v.x), 2.0f), 1.0f) << "lines lie on odd coordinates";
        EXPECT_EQ(std::fmod(std::fabs(v.z), 2.0f), 1.0f);
    }
    const auto arrow = gfx::assets::ArrowLineVertices();
    ASSERT_EQ(arrow.size(), 18u);
    EXPECT_EQ(arrow[0], (Vec3{0, -1, 0}));
    EXPECT_EQ(arrow[1], (Vec3{0, 1, 0}));
    for (int i = 1; i < 9; ++i) {
        // Each head stroke ends at the shaft's end on its side.
        const Vec3 tip = arrow[2 * i + 1];
        EXPECT_EQ(tip, (Vec3{0, i <= 4 ? -1.0f : 1.0f, 0}));
        EXPECT_NEAR(math::Distance(arrow[2 * i], tip), std::sqrt(0.02f), 1e-6f);
    }
}

}  // namespace
