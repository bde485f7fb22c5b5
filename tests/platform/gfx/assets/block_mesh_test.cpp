// The embedded block meshes, read back as the program reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "platform/gfx/assets/mesh_builders.h"
#include "platform/gfx/assets/resource_loader.h"
#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"

namespace {

using math::MeshGeometry;
using math::Vec3;

Vec3 Axis(int a) {
    return {a == 0 ? 1.0f : 0.0f, a == 1 ? 1.0f : 0.0f, a == 2 ? 1.0f : 0.0f};
}

MeshGeometry LoadBlock(int id) {
    auto r = gfx::assets::ReadXMesh(vres::GetResource(id));
    EXPECT_TRUE(r) << r.error();
    return r ? std::move(r).value() : MeshGeometry{};
}

struct Level {
    int id;
    size_t vertices, faces;  // the tessellation each level aims at
};
const Level kLevels[] = {{vres::kBlockMeshHigh, 711, 678},
                         {vres::kBlockMeshMedium, 334, 300},
                         {vres::kBlockMeshLow, 201, 166}};

TEST(BlockMeshes, ThreeTessellationsOfTheSameShape) {
    size_t previousFaces = SIZE_MAX;
    for (const Level& level : kLevels) {
        SCOPED_TRACE(level.id);
        const MeshGeometry m = LoadBlock(level.id);
        // Close to the intended detail, and each level coarser than the one before.
        EXPECT_NEAR(static_cast<double>(m.VertexCount()), static_cast<double>(level.vertices),
                    0.25 * level.vertices);
        EXPECT_NEAR(static_cast<double>(m.FaceCount()), static_cast<double>(level.faces),
                    0.25 * level.faces);
        EXPECT_LT(m.FaceCount(), previousFaces);
        previousFaces = m.FaceCount();

        Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (const Vec3& p : m.positions) lo = math::Min(lo, p), hi = math::Max(hi, p);
        for (float v : {lo.x, lo.y, lo.z}) EXPECT_NEAR(v, -1.0f, 1e-5f);
        for (float v : {hi.x, hi.y, hi.z}) EXPECT_NEAR(v, 1.4f, 1e-5f);

        ASSERT_EQ(m.normals.size(), m.VertexCount());
        for (const Vec3& n : m.normals) EXPECT_NEAR(math::Length(n), 1.0f, 1e-5f);
        for (size_t f = 0; f < m.FaceCount(); ++f) {
            const uint16_t a = m.indices[3 * f], b = m.indices[3 * f + 1], c = m.indices[3 * f + 2];
            const Vec3 w =
                math::Cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
            EXPECT_GT(math::Length(w), 1e-7f) << "degenerate face " << f;
            EXPECT_GT(math::Dot(w, m.normals[a] + m.normals[b] + m.normals[c]), 0)
                << "face " << f << " is wound against its normals";
        }
    }
}

TEST(BlockMeshes, SurfaceIsClosed) {
    // With coincident positions welded, every edge borders exactly two faces, once in
    // each direction: no holes, no flaps, consistent winding.
    for (const Level& level : kLevels) {
        SCOPED_TRACE(level.id);
        const MeshGeometry m = LoadBlock(level.id);
        std::map<std::tuple<long, long, long>, int> weld;
        std::vector<int> id(m.VertexCount());
        for (size_t i = 0; i < m.VertexCount(); ++i) {
            const Vec3 p = m.positions[i] * 1e4f;
            auto key = std::make_tuple(std::lround(p.x), std::lround(p.y), std::lround(p.z));
            id[i] = weld.emplace(key, static_cast<int>(weld.size())).first->second;
        }
        std::map<std::pair<int, int>, int> directed;
        for (size_t f = 0; f < m.FaceCount(); ++f)
            for (int k = 0; k < 3; ++k)
                ++directed[{id[m.indices[3 * f + k]], id[m.indices[3 * f + (k + 1) % 3]]}];
        int bad = 0;
        for (const auto& [edge, count] : directed) {
            auto twin = directed.find({edge.second, edge.first});
            if (count != 1 || twin == directed.end() || twin->second != 1) ++bad;
        }
        EXPECT_EQ(bad, 0);
        // A closed surface of genus 0: V - E + F = 2.
        const long v = static_cast<long>(weld.size()), e = static_cast<long>(directed.size() / 2);
        EXPECT_EQ(v - e + static_cast<long>(m.FaceCount()), 2);
    }
}

TEST(BlockMeshes, PegsStandOutAndSocketsAreSunkInsideTheUnitSphere) {
    for (const Level& level : kLevels) {
        SCOPED_TRACE(level.id);
        const MeshGeometry m = LoadBlock(level.id);
        for (int axis = 0; axis < 3; ++axis) {
            const Vec3 a = Axis(axis), u = Axis((axis + 1) % 3), v = Axis((axis + 2) % 3);
            // Peg: from outside on the positive side, the first surface is its top at 1.4.
            auto peg = m.Intersect(a * 3, -a);
            ASSERT_TRUE(peg);
            EXPECT_NEAR(math::Dot(m.HitPoint(*peg), a), 1.4f, 1e-4f);
            EXPECT_NEAR(peg->distance, 1.6f, 1e-4f);
            // Socket: from the negative side the ray enters the socket and meets its floor
            // inside the unit sphere, also off centre.
            for (const Vec3& offset : {Vec3{0, 0, 0}, u * 0.2f + v * 0.15f, u * -0.1f + v * 0.3f}) {
                auto socket = m.Intersect(a * -3 + offset, a);
                ASSERT_TRUE(socket);
                const Vec3 h = m.HitPoint(*socket);
                EXPECT_LE(math::Length(h), 1.0f);
                EXPECT_NEAR(math::Dot(h, a), -0.58f, 1e-4f);
            }
            // Beside the socket the flat face is hit at -1, outside the sphere.
            auto flat = m.Intersect(a * -3 + u * 0.5f + v * 0.5f, a);
            ASSERT_TRUE(flat);
            EXPECT_NEAR(math::Dot(m.HitPoint(*flat), a), -1.0f, 1e-4f);
            EXPECT_GT(math::Length(m.HitPoint(*flat)), 1.0f);
        }
        // A rounded corner: the diagonal meets the corner sphere, not the cube's corner.
        auto corner = m.Intersect({3, 3, -3}, {-1, -1, 1});
        ASSERT_TRUE(corner);
        const float dist = math::Length(m.HitPoint(*corner));
        EXPECT_LT(dist, 0.6f * std::sqrt(3.0f) + 0.4f + 1e-4f);
        EXPECT_GT(dist, 1.2f);
        // Outside the bounding sphere nothing is hit.
        EXPECT_FALSE(m.Intersect({0, 1.6f, -5}, {0, 0, 1}));
        EXPECT_LT(m.boundRadius, 1.5f);
    }
}

TEST(BlockMeshes, RecessedHitsFallBackToTheBoundingCube) {
    // What picking does with a hit inside the unit sphere: the same ray against the
    // cube finds the face that was clicked.
    const MeshGeometry block = LoadBlock(vres::kBlockMeshHigh);
    const MeshGeometry cube = gfx::assets::CreateBox(2, 2, 2);
    const Vec3 origin{0.1f, -3, 0.05f}, dir{0, 1, 0};
    auto h = block.Intersect(origin, dir);
    auto c = cube.Intersect(origin, dir);
    ASSERT_TRUE(h && c);
    EXPECT_LE(math::Length(block.HitPoint(*h)), 1.0f);
    EXPECT_GT(h->distance, c->distance);
    EXPECT_NEAR(cube.HitPoint(*c).y, -1.0f, 1e-5f);
}

TEST(Resources, EveryIdIsPresentAndUnknownIdsAreEmpty) {
    for (int id : {212, 213, 214, 220, 221, 222, 223, 224})
        EXPECT_FALSE(vres::GetResource(id).empty()) << id;
    for (int id : {0, 211, 215, 219, 225, -1}) EXPECT_TRUE(vres::GetResource(id).empty()) << id;
}

}  // namespace

namespace {

TEST(ResourceLoader, MeshesByDetailLevelAndTexturesAsMipChains) {
    EXPECT_EQ(gfx::assets::BlockMeshResourceId(0), 212);
    EXPECT_EQ(gfx::assets::BlockMeshResourceId(1), 212);
    EXPECT_EQ(gfx::assets::BlockMeshResourceId(2), 213);
    EXPECT_EQ(gfx::assets::BlockMeshResourceId(3), 214);
    EXPECT_EQ(gfx::assets::BlockMeshResourceId(7), 214);
    auto mesh = gfx::assets::LoadMeshFromResource(gfx::assets::BlockMeshResourceId(2));
    ASSERT_TRUE(mesh) << mesh.error();
    EXPECT_GT(mesh->FaceCount(), 0u);
    auto missing = gfx::assets::LoadMeshFromResource(999);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("999"), std::string::npos);
    EXPECT_FALSE(gfx::assets::LoadMeshFromResource(vres::kPanelBitmap)) << "not a mesh";

    const std::pair<int, int> sizes[] = {{vres::kEmblemImage, 512},
                                         {vres::kEmblemGlowImage, 512},
                                         {vres::kReflectionImage, 16},
                                         {vres::kPanelBitmap, 32},
                                         {vres::kButtonBitmap, 32}};
    for (const auto& [id, side] : sizes) {
        auto levels = gfx::assets::LoadTextureFromResource(id);
        ASSERT_TRUE(levels) << levels.error();
        EXPECT_EQ(levels->front().width, side) << id;
        EXPECT_EQ(levels->front().height, side) << id;
        EXPECT_EQ(levels->back().width, 1) << id;
    }
    EXPECT_FALSE(gfx::assets::LoadTextureFromResource(vres::kBlockMeshLow)) << "not an image";
}

}  // namespace
