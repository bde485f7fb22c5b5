#pragma once
// The simple meshes and line lists of the scene, built on the CPU. Every mesh uses the
// Direct3D winding: seen from the side its normals face, a triangle runs clockwise, so
// Cross(p1 - p0, p2 - p0) points along the normal (the disc alone keeps its fixed layout).
#include <vector>

#include "math/geometry.h"

namespace gfx::assets {

// Axis-aligned box centred on the origin: 24 vertices (four per side, each with the
// side's normal) and 12 faces.
math::MeshGeometry CreateBox(float width, float height, float depth);

// Torus about the Z axis: a tube of radius innerRadius around a circle of radius
// outerRadius in the XY plane; sides segments around the tube, rings around the circle.
// sides * rings vertices, 2 * sides * rings faces.
math::MeshGeometry CreateTorus(float innerRadius, float outerRadius, int sides, int rings);

// The textured disc of the about page: radius 1 in the plane z = 0, 64 fans of three
// vertices each (centre, rim at step i, rim at step i - 1), normal (0, 0, 1), texture
// coordinates mapping the unit square onto the disc; then compacted.
math::MeshGeometry CreateDisc();

// Drops vertices that no face uses and renumbers the indices; used vertices keep their
// relative order. Returns how many vertices were removed.
size_t CompactMesh(math::MeshGeometry& mesh);

// The 44 grid lines (88 vertices) in the plane y = -1 on the odd coordinates -21..21.
std::vector<math::Vec3> GridLineVertices();

// The 9 lines (18 vertices) of the double arrow along the Y axis.
std::vector<math::Vec3> ArrowLineVertices();

// The 12 edges (24 vertices) of the cube from (-1,-1,-1) to (1,1,1).
std::vector<math::Vec3> BoxEdgeVertices();

}  // namespace gfx::assets
