// Picking and adding on the block meshes the program embeds: a click into a socket is
// taken on the block's bounding cube, a click on a peg adds on the peg's face.
#include <set>

#include "model/edit/edit_fixture.h"
#include "model/edit/editing.h"
#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"

using namespace model::edit;

using namespace camera;
using namespace input;
using namespace math;
using namespace model;

namespace {

class RealMeshTest : public EditFixture {
  protected:
    RealMeshTest() {
        const int ids[3] = {vres::kBlockMeshHigh, vres::kBlockMeshMedium, vres::kBlockMeshLow};
        for (int i = 0; i < 3; ++i) {
            auto mesh = gfx::assets::ReadXMesh(vres::GetResource(ids[i]));
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

// With the real meshes, the rounded edges of a solid leave narrow tunnels along the
// lattice edges. Only a ray down such a tunnel could reach an enclosed block: every other
// ray picks what a test of every block picks.
TEST_F(RealMeshTest, PicksDifferOnlyWhereARayRunsDownATunnelToAnEnclosedBlock) {
    Empty();
    for (int i = 0; i < 64; ++i) AddTop({2.0f * (i % 4), 2.0f * (i / 4 % 4), 2.0f * (i / 16)});
    std::set<const BlockNode*> enclosed;
    size_t index = 0;
    WalkBlocks(sys.model.topBlocks, Mat4{}, [&](const BlockNode& b, const Mat4&, const Mat4&) {
        if (sys.document.HiddenBlocks().fromPicking[index++]) enclosed.insert(&b);
    });
    ASSERT_EQ(enclosed.size(), 8u);
    sys.detailLevel = 3;  // the low mesh, rounded too: fewer faces to test
    int hits = 0, tunnels = 0;
    for (const Vec3 eye : {Vec3{3, 3, -9}, Vec3{-6, 11, -7}}) {
        camera.PlaceAndApply(nullptr, eye, {3, 3, 3});
        for (int y = 0; y < 600; y += 16) {
            for (int x = 0; x < 800; x += 16) {
                const PickRayResult ray = camera.PickRay(x, y);
                // The first block any ray meets, tested over all blocks in walk order.
                const BlockNode* first = nullptr;
                float best = 0;
                WalkBlocks(
                    sys.model.topBlocks, Mat4{},
                    [&](const BlockNode& b, const Mat4& world, const Mat4& rot) {
                        MeshHit h;
                        if (!IntersectMesh(
                                &levels[2],
                                Vec3TransformCoord(ray.origin, MatrixInverseOrIdentity(world)),
                                Vec3TransformCoord(ray.direction, MatrixInverseOrIdentity(rot)),
                                &h) ||
                            h.distance <= 0 || (first && h.distance >= best))
                            return;
                        first = &b;
                        best = h.distance;
                    });
                PickNearest(sys, camera.Setup(), meshes, ray);
                if (!first) {
                    EXPECT_EQ(sys.pickHit, 0);
                    continue;
                }
                ++hits;
                if (sys.pickHit == 1) {
                    EXPECT_EQ(enclosed.count(sys.pickedBlock), 0u);
                }
                if (sys.pickHit == 1 && sys.pickedBlock == first) continue;
                // Down a tunnel: past the enclosed block to another, or out of the solid.
                EXPECT_EQ(enclosed.count(first), 1u) << "a ray that met no enclosed block";
                ++tunnels;
            }
        }
    }
    EXPECT_GT(hits, 1500);           // most of the picture
    EXPECT_LT(tunnels * 100, hits);  // the tunnels are narrow
}
