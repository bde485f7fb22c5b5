// The embedded resources give the device objects what the drawing relies on: the three
// block meshes with their stated sizes and textures of power-of-two sizes with mip chains.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/gfx/fake/fake_device.h"
#include "render/scene_renderer.h"

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
    CVelCamera camera;
    render::SceneRenderer renderer(system, camera);
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
