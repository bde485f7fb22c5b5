// The embedded resources give the device objects what the drawing relies on: the three
// block meshes with their stated sizes and textures of power-of-two sizes with mip chains.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "platform/gfx/assets/mesh_builders.h"
#include "render/scene_renderer.h"
#include "support/fake/fake_device.h"

using namespace camera;
using namespace input;
using namespace model;

namespace {

TEST(EmbeddedAssets, BlockMeshesAndTextureSizes) {
    auto assets = render::MakeEmbeddedAssetSource();
    size_t previousFaces = SIZE_MAX;
    for (int i = 0; i < 3; ++i) {
        auto mesh = assets->LoadBlockMesh(render::ResourceBlockHigh + i);
        ASSERT_TRUE(mesh.has_value()) << i;
        // Coarser levels are cheaper.
        EXPECT_LT(mesh->FaceCount(), previousFaces);
        previousFaces = mesh->FaceCount();
        EXPECT_EQ(mesh->normals.size(), mesh->VertexCount());
    }
    EXPECT_FALSE(assets->LoadBlockMesh(999).has_value());

    const struct {
        int id;
        uint32_t size;
    } textures[] = {{render::ResourceEmblem, 512},
                    {render::ResourceEmblemGlow, 512},
                    {render::ResourceReflection, 16},
                    {render::ResourcePanel, 32},
                    {render::ResourceButton, 32}};
    for (const auto& t : textures) {
        auto levels = assets->LoadTextureLevels(t.id);
        ASSERT_TRUE(levels.has_value()) << t.id;
        EXPECT_EQ((*levels)[0].width, t.size);
        EXPECT_EQ((*levels)[0].height, t.size);
        EXPECT_EQ(levels->back().width, 1u);
        EXPECT_EQ((*levels)[0].pixels.size(), size_t{t.size} * t.size);
    }
    EXPECT_FALSE(assets->LoadTextureLevels(999).has_value());
}

TEST(EmbeddedAssets, DeviceObjectsFromTheProgramsResources) {
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    render::SceneRenderer renderer(system, screen, camera);
    gfx::fake::FakeDevice device;
    ASSERT_EQ(renderer.CreateDeviceObjects(device), gfx::S_OK);
    renderer.ResetDeviceObjects(device);
    const auto& o = renderer.Objects();
    EXPECT_GT(o.meshes.blockMeshes[0]->Geometry().FaceCount(),
              o.meshes.blockMeshes[2]->Geometry().FaceCount());
    EXPECT_EQ(o.panelTexture->Width(), 32u);
    EXPECT_EQ(o.emblemTexture->Width(), 512u);
    EXPECT_EQ(o.reflectionTexture->Width(), 16u);
    // The block's bounds, pegs included, are known to the culling and stay within the
    // radius it falls back on.
    for (const auto& m : o.meshes.blockMeshes) {
        EXPECT_GE(m->Geometry().boundRadius, 1.4f);
        EXPECT_LT(m->Geometry().boundRadius, 2.1f);
    }
    renderer.LoseDeviceObjects();
    renderer.DestroyDeviceObjects();
    EXPECT_EQ(device.LiveObjectCount(), 0u);
}

}  // namespace

// The construction pass culls the back faces of the block meshes and the cube: that is
// only sound for closed meshes whose triangles run clockwise seen from outside.
TEST(EmbeddedAssets, BlockMeshesAndCubeAreClosedAndWoundClockwiseFromOutside) {
    auto assets = render::MakeEmbeddedAssetSource();
    std::vector<math::MeshGeometry> meshes{gfx::assets::CreateBox(2, 2, 2)};
    for (int i = 0; i < 3; ++i)
        meshes.push_back(*assets->LoadBlockMesh(render::ResourceBlockHigh + i));
    for (const math::MeshGeometry& m : meshes) {
        // Vertices at one place (split for their normals) count as one.
        std::map<std::tuple<float, float, float>, int> weld;
        std::vector<int> id;
        for (const math::Vec3& p : m.positions)
            id.push_back(weld.emplace(std::tuple(p.x, p.y, p.z), static_cast<int>(weld.size()))
                             .first->second);
        // Closed: every edge is run once each way.
        std::map<std::pair<int, int>, int> edges;
        float volume = 0;
        for (size_t f = 0; f + 2 < m.indices.size(); f += 3) {
            const int v[3] = {id[m.indices[f]], id[m.indices[f + 1]], id[m.indices[f + 2]]};
            for (int e = 0; e < 3; ++e) ++edges[{v[e], v[(e + 1) % 3]}];
            const math::Vec3& a = m.positions[m.indices[f]];
            volume += math::Dot(a, math::Cross(m.positions[m.indices[f + 1]] - a,
                                               m.positions[m.indices[f + 2]] - a)) /
                      6;
        }
        size_t open = 0;
        for (const auto& [e, n] : edges) {
            const auto back = edges.find({e.second, e.first});
            open += n != 1 || back == edges.end() || back->second != 1;
        }
        EXPECT_EQ(open, 0u) << m.FaceCount() << " faces";
        // Clockwise from outside in a left-handed frame: Cross(b - a, c - a) points out,
        // which makes the volume positive: near that of the 2 x 2 x 2 cube, less the
        // rounding and the sockets.
        EXPECT_GT(volume, 5.0f) << m.FaceCount() << " faces";
        EXPECT_LT(volume, 9.0f) << m.FaceCount() << " faces";
    }
}
