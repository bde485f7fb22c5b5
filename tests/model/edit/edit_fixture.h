#pragma once
// A construction, a camera looking at it and the meshes picking reads, for the editing
// suites. The camera starts where a new construction puts it: at (0, 0, -5) looking along
// +z at the origin, in an 800 x 600 view, so the view's centre pixel looks straight at the
// first block's front face.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "camera/camera.h"
#include "math/geometry.h"
#include "model/construction.h"
#include "model/edit/picking.h"
#include "model/placement.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "support/construction_builders.h"
#include "support/math_expect.h"

// A mouse message as the window hands it over.
inline input::InputMessage Mouse(input::MessageKind kind, int x, int y, unsigned buttons) {
    return {.kind = kind, .x = x, .y = y, .buttons = buttons};
}

class EditFixture : public ::testing::Test {
  protected:
    EditFixture() {
        for (auto* m : {&cube, &ring, &disc, &inner}) m->UpdateBounds();
        meshes.blockMeshes[0] = &cube;
        meshes.blockMeshes[1] = &cube;
        meshes.blockMeshes[2] = &cube;
        meshes.cube = &cube;
        meshes.ring = &ring;
        meshes.disc = &disc;
        sys.randomSource = [this] { return nextRandom; };
        camera.ResetForNewConstruction(nullptr);
        camera.SetViewport(nullptr, 800, 600);
        camera.Apply(nullptr);
    }

    // The construction built by hand, block by block through the document (after Empty()
    // drops the new construction's green block); each block counts as saved work.
    const model::BlockNode* AddTop(math::Vec3 offset, math::Vec3 axis = {0, 2, 0}, float angle = 0,
                                   int colour = 2) {
        return Saved(sys.document.Add(nullptr, testsupport::Block(colour, offset, axis, angle)));
    }
    const model::BlockNode* AddChild(const model::BlockNode* parent, math::Vec3 offset,
                                     float angle = 0, int colour = 0) {
        return Saved(
            sys.document.Add(parent, testsupport::Block(colour, offset, math::Abs(offset), angle)));
    }
    void Empty() { testsupport::Adopt(sys, {}); }

    // Pixel of the view through which the camera sees a world point.
    void PixelOf(const math::Vec3& p, int* x, int* y) const {
        math::Vec3 s = math::Vec3TransformCoord(p, camera.view * camera.projection);
        *x = static_cast<int>((s.x + 1.0f) * 0.5f * camera.viewportWidth + 0.5f);
        *y = static_cast<int>((1.0f - s.y) * 0.5f * camera.viewportHeight + 0.5f);
    }

    // A ray onto face `face` (0..5) of a block with this world transform, at (u, v) off the
    // face's centre, coming from outside.
    static math::Ray RayOnto(const math::Mat4& world, int face, float u, float v) {
        const float side = face % 2 ? -1.0f : 1.0f;
        math::Vec3 local, outward;
        float* c = &local.x;
        c[face / 2] = side;
        c[(face / 2 + 1) % 3] = u;
        c[(face / 2 + 2) % 3] = v;
        (&outward.x)[face / 2] = side;
        const math::Vec3 p = math::Vec3TransformCoord(local, world);
        const math::Vec3 n = math::Normalize(math::Vec3TransformCoord(local + outward, world) - p);
        return {p + n * 3.0f, -n};
    }
    std::map<const model::BlockNode*, math::Mat4> WorldTransforms() const {
        std::map<const model::BlockNode*, math::Mat4> out;
        model::WalkBlocks(sys.model.topBlocks, math::MatrixIdentity(),
                          [&](const model::BlockNode& b, const math::Mat4& w, const math::Mat4&) {
                              out[&b] = w;
                          });
        return out;
    }

    const model::BlockNode* Saved(const model::BlockNode& block) {
        sys.document.MarkSaved();
        return &block;
    }

    model::CVelVorlaSystem sys;
    camera::CVelCamera camera;
    math::MeshGeometry cube = gfx::assets::CreateBox(2, 2, 2);
    math::MeshGeometry ring = gfx::assets::CreateTorus(0.05f, 1.5f, 8, 48);
    math::MeshGeometry disc = gfx::assets::CreateDisc();
    // A block mesh recessed well inside the unit sphere.
    math::MeshGeometry inner = gfx::assets::CreateBox(1, 1, 1);
    model::PickMeshes meshes;
    int nextRandom = 0;
};
