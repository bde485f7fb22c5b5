#pragma once
// The CPU geometry of the meshes that stand for blocks and gizmos, as the renderer holds
// them: picking reads it, drawing owns the meshes. Absent meshes (null) are never hit.
#include "math/geometry.h"
#include "math/matrix.h"

namespace model {

struct PickMeshes {
    const math::MeshGeometry* blockMeshes[3] = {nullptr, nullptr, nullptr};  // high, medium, low
    const math::MeshGeometry* cube = nullptr;  // box of edge 2, for "show as cubes"
    const math::MeshGeometry* ring = nullptr;  // twist ring and rotation-axis rings
    const math::MeshGeometry* disc = nullptr;  // the about page
    // The device viewport the drawing pass uses for the detail choice; a zero width takes
    // the camera's viewport size instead.
    math::Viewport viewport;
};

}  // namespace model
