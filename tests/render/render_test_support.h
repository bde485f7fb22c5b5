#pragma once
// Shared set-up of the renderer tests: stand-in meshes and images, a camera looking at a
// point.
#include <optional>
#include <set>
#include <vector>

#include "camera/camera.h"
#include "math/matrix.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "render/device_objects.h"

namespace rendertest {

// Block meshes are boxes of distinct tessellation so a test can tell the levels apart by
// their face counts (12 high, 24 medium... made by doubling the box); images are tiny.
class TestAssets final : public render::AssetSource {
  public:
    std::set<int> missing;  // resource ids that read as absent
    int blockMeshLoads = 0;

    static math::MeshGeometry BlockMesh(int resourceId) {
        // Level meshes differ in face count: high 3 boxes, medium 2, low 1.
        int copies = resourceId == render::ResourceBlockHigh     ? 3
                     : resourceId == render::ResourceBlockMedium ? 2
                                                                 : 1;
        math::MeshGeometry out;
        for (int c = 0; c < copies; ++c) {
            math::MeshGeometry box = gfx::assets::CreateBox(2, 2, 2);
            auto base = static_cast<uint16_t>(out.positions.size());
            out.positions.insert(out.positions.end(), box.positions.begin(), box.positions.end());
            out.normals.insert(out.normals.end(), box.normals.begin(), box.normals.end());
            for (uint16_t i : box.indices) out.indices.push_back(static_cast<uint16_t>(base + i));
        }
        out.UpdateBounds();
        return out;
    }

    std::optional<math::MeshGeometry> LoadBlockMesh(int resourceId) override {
        ++blockMeshLoads;
        if (missing.count(resourceId)) return std::nullopt;
        return BlockMesh(resourceId);
    }
    std::optional<std::vector<gfx::TextureLevel>> LoadTextureLevels(int resourceId) override {
        if (missing.count(resourceId)) return std::nullopt;
        gfx::TextureLevel l0{2, 2, {0xFF808080, 0xFF808080, 0xFF808080, 0xFF808080}};
        gfx::TextureLevel l1{1, 1, {0xFF808080}};
        return std::vector<gfx::TextureLevel>{l0, l1};
    }
};

// A camera at `eye` looking at `at`, with an 800 x 600 viewport (no device).
inline void LookFrom(camera::CVelCamera& camera, const math::Vec3& eye, const math::Vec3& at,
                     int width = 800, int height = 600) {
    camera.SetViewport(nullptr, width, height);
    camera.view = math::MatrixLookAtLH(eye, at, {0, 1, 0});
    camera.eye = eye;
    math::Mat4 rotation = camera.view;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0;
    camera.cameraToWorld = math::MatrixTranspose(rotation);
}

}  // namespace rendertest
