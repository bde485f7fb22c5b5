#pragma once
// The block's triangle mesh: a cube of edge 2 with edges and corners rounded to radius
// 0.4 (the flat part of each face spans -0.6..0.6), round pegs standing out of the +X, +Y
// and +Z faces to 1.4, and round sockets sunk into the -X, -Y and -Z faces where a
// neighbour's peg enters. The floor of a socket lies well inside the unit sphere, which
// is how picking recognises a click into a socket.
//
// The surface is made of patches (face rings, edge strips, corner caps, peg and socket
// parts), each with its own vertices and analytic normals: normals agree where patches
// meet smoothly, and patches meet at creases (peg foot, socket mouth and floor) with
// different normals, as they should.
#include "math/geometry.h"

namespace blockshape {

struct Tessellation {
    int edgeSegments;    // segments of each quarter circle of an edge or corner
    int circleSegments;  // segments around a peg or socket
    int capSegments;     // segments of the rounded rim of a peg top (0: sharp rim)
};

inline constexpr Tessellation kHighDetail{4, 16, 1};
inline constexpr Tessellation kMediumDetail{2, 7, 1};
inline constexpr Tessellation kLowDetail{1, 6, 0};

inline constexpr float kHalfEdge = 1.0f;
inline constexpr float kRounding = 0.4f;
inline constexpr float kPegRadius = 0.38f;
inline constexpr float kPegTop = 1.4f;
inline constexpr float kPegCapRadius = 0.08f;
inline constexpr float kSocketRadius = 0.40f;
// The neighbour's peg tip reaches 1.4 - 2 = -0.6 in this block's frame; the floor sits
// a little deeper so the two never touch.
inline constexpr float kSocketFloor = 0.58f;

math::MeshGeometry BuildBlockMesh(const Tessellation& t);

}  // namespace blockshape
