#include "export/export_shape.h"

#include <cmath>

namespace exporter {

namespace {

// Patches of the block mesh meet at the same computed points up to rounding; distinct
// points of the finest mesh are more than a hundred times farther apart.
constexpr float kSamePosition = 1e-4f;
constexpr float kSameNormal = 1e-5f;

bool Near(const math::Vec3& a, const math::Vec3& b, float tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

// Each value once (the first of every group of near ones), and where every input went.
// Quadratic, on a few hundred values once per export.
std::vector<uint32_t> Merge(const std::vector<math::Vec3>& values, float tolerance,
                            std::vector<math::Vec3>& unique) {
    std::vector<uint32_t> where(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        size_t u = 0;
        while (u < unique.size() && !Near(unique[u], values[i], tolerance)) ++u;
        if (u == unique.size()) unique.push_back(values[i]);
        where[i] = static_cast<uint32_t>(u);
    }
    return where;
}

// The mesh's triangles, turned round for a mirrored frame, through the given maps.
void Triangles(const math::MeshGeometry& mesh, const std::vector<uint32_t>& positionOf,
               const std::vector<uint32_t>* normalOf, bool dropCollapsed, ExportShape& shape) {
    const size_t n = mesh.positions.size();
    for (size_t f = 0; f < mesh.FaceCount(); ++f) {
        const uint16_t corner[3] = {mesh.indices[3 * f], mesh.indices[3 * f + 2],
                                    mesh.indices[3 * f + 1]};
        if (corner[0] >= n || corner[1] >= n || corner[2] >= n) continue;
        const uint32_t a = positionOf[corner[0]], b = positionOf[corner[1]],
                       c = positionOf[corner[2]];
        if (dropCollapsed && (a == b || b == c || a == c)) continue;
        shape.positionIndex.insert(shape.positionIndex.end(), {a, b, c});
        if (normalOf)
            for (uint16_t v : corner) shape.normalIndex.push_back((*normalOf)[v]);
    }
}

std::vector<math::Vec3> UnitNormals(const math::MeshGeometry& mesh) {
    std::vector<math::Vec3> normals(mesh.positions.size(), math::Vec3{0, 1, 0});
    if (mesh.normals.size() != mesh.positions.size()) return normals;
    for (size_t i = 0; i < normals.size(); ++i) {
        const math::Vec3 n = mesh.normals[i];
        if (math::Length(n) > 1e-6f) normals[i] = math::Normalize(n);
    }
    return normals;
}

}  // namespace

ExportShape VertexShape(const math::MeshGeometry& mesh) {
    ExportShape shape;
    shape.positions = mesh.positions;
    shape.normals = UnitNormals(mesh);
    std::vector<uint32_t> identity(mesh.positions.size());
    for (size_t i = 0; i < identity.size(); ++i) identity[i] = static_cast<uint32_t>(i);
    Triangles(mesh, identity, &identity, false, shape);
    return shape;
}

ExportShape SharedShape(const math::MeshGeometry& mesh) {
    ExportShape shape;
    const std::vector<uint32_t> positionOf = Merge(mesh.positions, kSamePosition, shape.positions);
    const std::vector<uint32_t> normalOf = Merge(UnitNormals(mesh), kSameNormal, shape.normals);
    Triangles(mesh, positionOf, &normalOf, true, shape);
    return shape;
}

ExportShape ClosedShape(const math::MeshGeometry& mesh) {
    ExportShape shape;
    const std::vector<uint32_t> positionOf = Merge(mesh.positions, kSamePosition, shape.positions);
    Triangles(mesh, positionOf, nullptr, true, shape);
    return shape;
}

}  // namespace exporter
