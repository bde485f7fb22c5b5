// Picking and adding on the block meshes the program embeds: a click into a socket is
// taken on the block's bounding cube, a click on a peg adds on the peg's face.
#include "model/edit/edit_fixture.h"
#include "model/edit/editing.h"
#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"

using namespace vmath;

namespace {

class RealMeshTest : public EditFixture {
  protected:
    RealMeshTest() {
        const int ids[3] = {vres::kBlockMeshHigh, vres::kBlockMeshMedium, vres::kBlockMeshLow};
        for (int i = 0; i < 3; ++i) {
            auto mesh = vassets::ReadXMesh(vres::GetResource(ids[i]));
            EXPECT_TRUE(mesh.ok()) << mesh.error();
            if (mesh.ok()) levels[i] = std::move(*mesh);
            levels[i].UpdateBounds();
            meshes.blockMeshes[i] = &levels[i];
        }
    }
    MeshGeometry levels[3];
};

}  // namespace

TEST_F(RealMeshTest, SocketClicksAreTakenOnTheCubeFace) {
    for (int level = 1; level <= 3; ++level) {
        sys.detailLevel = level;
        const PickRayResult ray = camera.PickRay(400, 300);
        PickNearest(sys, camera.Setup(), meshes, ray);
        ASSERT_EQ(sys.pickHit, 1);
        // The socket floor lies inside the unit sphere ...
        EXPECT_GT(sys.pickDistance * Length(ray.direction), 4.3f) << level;
        PickPrecise(sys, camera.Setup(), meshes, ray);
        // ... so the precise pick reports the cube face, at its centre.
        EXPECT_VEC_NEAR(sys.hitPoint, {0, 0, -1}, 1e-4f);
        EXPECT_FALSE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    }
    sys.detailLevel = 1;
    // Into the socket, off the centre: a face is recognised and the block added.
    int x, y;
    PixelOf({0.15f, 0.1f, -1}, &x, &y);
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(x, y)));
    EXPECT_EQ(sys.model.topBlocks.Front()->children.Front()->offset, (Vec3{0, 0, -2}));
}

TEST_F(RealMeshTest, PegClicksAddOnThePegFace) {
    camera.PlaceAndApply(nullptr, {6, 0.05f, 0.03f}, {0, 0, 0});
    PickPrecise(sys, camera.Setup(), meshes, camera.PickRay(400, 300));
    ASSERT_EQ(sys.pickHit, 1);
    EXPECT_NEAR(sys.hitPoint.x, 1.4f, 0.02f);  // the top of the +X peg
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    const BlockNode& added = *sys.model.topBlocks.Front()->children.Front();
    EXPECT_EQ(added.offset, (Vec3{2, 0, 0}));
    EXPECT_EQ(added.axis, (Vec3{2, 0, 0}));
    // The same click now lands on the new block's peg: its place at x = 4 is free.
    ASSERT_TRUE(AddBlockAt(sys, camera.Setup(), meshes, camera.PickRay(400, 300)));
    EXPECT_EQ(sys.model.Total(), 3);
}
