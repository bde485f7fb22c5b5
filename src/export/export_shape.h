#pragma once
// The block's mesh as the writers need it: triangles wound for the right-handed frames of
// the formats, and positions shared where the formats want a closed surface.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/geometry.h"
#include "math/vector.h"

namespace exporter {

struct ExportShape {
    std::vector<math::Vec3> positions;  // in the block's frame (editor units)
    std::vector<math::Vec3> normals;    // unit length; empty when the shape has none
    // Three per triangle: indices into positions and into normals. The editor's meshes
    // run clockwise seen from outside in a left-handed frame; every format here is
    // right-handed (one axis mirrored), where these run counter-clockwise seen from outside.
    std::vector<uint32_t> positionIndex;
    std::vector<uint32_t> normalIndex;

    size_t TriangleCount() const { return positionIndex.size() / 3; }
};

// Every vertex as it is, with its own normal (normalIndex == positionIndex): what formats
// whose vertices carry both at once (glTF, PLY) need.
ExportShape VertexShape(const math::MeshGeometry& mesh);
// Positions shared by every patch that meets there, and each different normal once, so
// that the surface is one closed piece (OBJ, with its separate normal indices).
ExportShape SharedShape(const math::MeshGeometry& mesh);
// Positions shared along creases and no normals: a closed, consistently oriented surface
// in which every edge belongs to exactly two triangles (STL, 3MF). Triangles whose
// corners fall together are dropped.
ExportShape ClosedShape(const math::MeshGeometry& mesh);

}  // namespace exporter
