#include "meshgen/block_shape.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace blockshape {

using math::MeshGeometry;
using math::Vec3;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

class Builder {
  public:
    uint16_t Vertex(const Vec3& p, const Vec3& n) {
        if (mesh_.positions.size() >= 65535) throw std::runtime_error("mesh too large");
        mesh_.positions.push_back(p);
        mesh_.normals.push_back(math::Normalize(n));
        return static_cast<uint16_t>(mesh_.positions.size() - 1);
    }
    // Emits the triangle in the Direct3D winding: clockwise seen from where its vertex
    // normals point, i.e. Cross(b - a, c - a) along the normals.
    void Tri(uint16_t a, uint16_t b, uint16_t c) {
        const auto& p = mesh_.positions;
        const auto& n = mesh_.normals;
        const Vec3 w = math::Cross(p[b] - p[a], p[c] - p[a]);
        if (math::Dot(w, n[a] + n[b] + n[c]) < 0) std::swap(b, c);
        mesh_.indices.insert(mesh_.indices.end(), {a, b, c});
    }
    // Quads between two rows of equal length.
    void Strip(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
        for (size_t i = 0; i + 1 < a.size(); ++i) {
            Tri(a[i], a[i + 1], b[i + 1]);
            Tri(a[i], b[i + 1], b[i]);
        }
    }
    // Quads between two closed loops of equal length.
    void Band(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
        const size_t n = a.size();
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + 1) % n;
            Tri(a[i], a[j], b[j]);
            Tri(a[i], b[j], b[i]);
        }
    }
    // A flat convex polygon, fanned from its first vertex: no centre vertex needed.
    void Cap(const std::vector<uint16_t>& loop) {
        for (size_t i = 1; i + 1 < loop.size(); ++i) Tri(loop[0], loop[i], loop[i + 1]);
    }
    // Triangles between two closed convex loops around the same centre (b inside a),
    // both running counter-clockwise about up. Each step closes one triangle on the next
    // vertex of a or of b: the one nearest in angle, unless that triangle would fold
    // over or reach round the inner loop, in which case the other.
    void Stitch(const std::vector<uint16_t>& a, const std::vector<float>& angA,
                const std::vector<uint16_t>& b, const std::vector<float>& angB, const Vec3& up) {
        const size_t na = a.size(), nb = b.size();
        const float twoPi = 2 * kPi;
        // Start b at the vertex nearest in angle to a's first vertex.
        size_t j0 = 0;
        float bestGap = 1e9f;
        for (size_t j = 0; j < nb; ++j) {
            const float gap = std::fabs(std::remainder(angB[j] - angA[0], twoPi));
            if (gap < bestGap) bestGap = gap, j0 = j;
        }
        const float shift = angA[0] + std::remainder(angB[j0] - angA[0], twoPi) - angB[j0];
        auto unwrapA = [&](size_t k) { return angA[k % na] + twoPi * static_cast<float>(k / na); };
        auto unwrapB = [&](size_t k) {
            const size_t idx = j0 + k;
            return angB[idx % nb] + shift + twoPi * static_cast<float>(idx / nb);
        };
        auto A = [&](size_t k) { return a[k % na]; };
        auto B = [&](size_t k) { return b[(j0 + k) % nb]; };
        const auto& p = mesh_.positions;
        // Negative: clockwise about up, the turn of a proper triangle in this sweep.
        auto orient = [&](uint16_t i, uint16_t j, uint16_t k) {
            return math::Dot(math::Cross(p[j] - p[i], p[k] - p[i]), up);
        };
        constexpr float kEps = 1e-9f;
        size_t i = 0, j = 0;
        while (i < na || j < nb) {
            bool advanceA;
            if (j == nb) {
                advanceA = true;
            } else if (i == na) {
                advanceA = false;
            } else {
                const bool okA = orient(A(i), B(j), A(i + 1)) < -kEps &&
                                 orient(B(j), B(j + 1), A(i + 1)) <= kEps;
                const bool okB = orient(A(i), B(j), B(j + 1)) < -kEps;
                const bool nearerA = (unwrapA(i) + unwrapA(i + 1)) / 2 < unwrapB(j + 1);
                advanceA = okA && (nearerA || !okB);
            }
            if (advanceA) {
                Tri(A(i), B(j), A(i + 1));
                ++i;
            } else {
                Tri(A(i), B(j), B(j + 1));
                ++j;
            }
        }
    }
    MeshGeometry Take() {
        mesh_.UpdateBounds();
        return std::move(mesh_);
    }

  private:
    MeshGeometry mesh_;
};

Vec3 Axis(int a) {
    Vec3 v{0, 0, 0};
    (a == 0 ? v.x : a == 1 ? v.y : v.z) = 1;
    return v;
}

// Quarter-circle steps shared by edges and corners so that their boundaries coincide.
float QuarterAngle(int k, int segments) {
    return std::atan2(static_cast<float>(k), static_cast<float>(segments - k));
}

float CircleAngle(int j, int segments) {
    return 2 * kPi * static_cast<float>(j) / segments;
}

struct FaceFrame {
    Vec3 d, u, v;  // outward normal and two in-plane axes
    Vec3 Radial(float angle) const { return u * std::cos(angle) + v * std::sin(angle); }
};

FaceFrame Frame(int axis, float sign) {
    return {Axis(axis) * sign, Axis((axis + 1) % 3), Axis((axis + 2) % 3)};
}

// The flat part of a face: a ring from the square -0.6..0.6 to the hole of a peg or socket.
void FlatFace(Builder& b, const FaceFrame& f, float holeRadius, int circle) {
    const float flat = kHalfEdge - kRounding;
    std::vector<uint16_t> square, hole;
    std::vector<float> squareAng, holeAng;
    for (int k = 0; k < 4; ++k) {
        const float a = kPi / 4 + static_cast<float>(k) * kPi / 2;
        const float cu = std::cos(a) > 0 ? flat : -flat, cv = std::sin(a) > 0 ? flat : -flat;
        square.push_back(b.Vertex(f.d * kHalfEdge + f.u * cu + f.v * cv, f.d));
        squareAng.push_back(a);
    }
    for (int j = 0; j < circle; ++j) {
        const float a = CircleAngle(j, circle);
        hole.push_back(b.Vertex(f.d * kHalfEdge + f.Radial(a) * holeRadius, f.d));
        holeAng.push_back(a);
    }
    b.Stitch(square, squareAng, hole, holeAng, math::Cross(f.u, f.v));
}

// Rounded edge between the faces facing d1 and d2, running along axis e from -0.6 to 0.6.
void Edge(Builder& b, const Vec3& d1, const Vec3& d2, const Vec3& e, int segments) {
    const float flat = kHalfEdge - kRounding;
    std::vector<uint16_t> rows[2];
    for (int r = 0; r < 2; ++r) {
        const Vec3 centre = (d1 + d2) * flat + e * (r == 0 ? -flat : flat);
        for (int k = 0; k <= segments; ++k) {
            const float phi = QuarterAngle(k, segments);
            const Vec3 n = d1 * std::cos(phi) + d2 * std::sin(phi);
            rows[r].push_back(b.Vertex(centre + n * kRounding, n));
        }
    }
    b.Strip(rows[0], rows[1]);
}

// Rounded corner: an eighth of a sphere of radius 0.4 around (±0.6, ±0.6, ±0.6).
void Corner(Builder& b, const Vec3& sx, const Vec3& sy, const Vec3& sz, int segments) {
    const float flat = kHalfEdge - kRounding;
    const Vec3 centre = (sx + sy + sz) * flat;
    const int k = segments;
    std::vector<std::vector<uint16_t>> grid(k + 1);
    for (int i = 0; i <= k; ++i)
        for (int j = 0; i + j <= k; ++j) {
            const Vec3 n = math::Normalize(sx * static_cast<float>(i) + sy * static_cast<float>(j) +
                                           sz * static_cast<float>(k - i - j));
            grid[i].push_back(b.Vertex(centre + n * kRounding, n));
        }
    for (int i = 0; i < k; ++i)
        for (int j = 0; i + j < k; ++j) {
            b.Tri(grid[i][j], grid[i + 1][j], grid[i][j + 1]);
            if (i + j + 1 < k) b.Tri(grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1]);
        }
}

std::vector<uint16_t> Ring(Builder& b, const FaceFrame& f, float height, float radius,
                           float radialWeight, float axialWeight, int circle) {
    std::vector<uint16_t> loop;
    for (int j = 0; j < circle; ++j) {
        const Vec3 r = f.Radial(CircleAngle(j, circle));
        loop.push_back(b.Vertex(f.d * height + r * radius, r * radialWeight + f.d * axialWeight));
    }
    return loop;
}

void Peg(Builder& b, const FaceFrame& f, const Tessellation& t) {
    const int c = t.circleSegments;
    const float sideTop = t.capSegments > 0 ? kPegTop - kPegCapRadius : kPegTop;
    b.Band(Ring(b, f, kHalfEdge, kPegRadius, 1, 0, c), Ring(b, f, sideTop, kPegRadius, 1, 0, c));
    std::vector<uint16_t> rim;
    if (t.capSegments > 0) {
        // Quarter-round rim from the side to the top, sharing its rows.
        std::vector<uint16_t> prev;
        for (int k = 0; k <= t.capSegments; ++k) {
            const float psi = kPi / 2 * static_cast<float>(k) / t.capSegments;
            const float radius = kPegRadius - kPegCapRadius + kPegCapRadius * std::cos(psi);
            const float height = sideTop + kPegCapRadius * std::sin(psi);
            auto row = Ring(b, f, height, radius, std::cos(psi), std::sin(psi), c);
            if (!prev.empty()) b.Band(prev, row);
            prev = std::move(row);
        }
        rim = std::move(prev);
    } else {
        rim = Ring(b, f, kPegTop, kPegRadius, 0, 1, c);
    }
    b.Cap(rim);
}

void Socket(Builder& b, const FaceFrame& f, const Tessellation& t) {
    const int c = t.circleSegments;
    // The wall faces the socket's axis; the floor faces out of the block.
    b.Band(Ring(b, f, kHalfEdge, kSocketRadius, -1, 0, c),
           Ring(b, f, kSocketFloor, kSocketRadius, -1, 0, c));
    b.Cap(Ring(b, f, kSocketFloor, kSocketRadius, 0, 1, c));
}

}  // namespace

MeshGeometry BuildBlockMesh(const Tessellation& t) {
    Builder b;
    for (int axis = 0; axis < 3; ++axis) {
        FlatFace(b, Frame(axis, 1), kPegRadius, t.circleSegments);
        FlatFace(b, Frame(axis, -1), kSocketRadius, t.circleSegments);
    }
    for (int axis = 0; axis < 3; ++axis) {
        const Vec3 a1 = Axis((axis + 1) % 3), a2 = Axis((axis + 2) % 3), e = Axis(axis);
        for (float s1 : {1.0f, -1.0f})
            for (float s2 : {1.0f, -1.0f}) Edge(b, a1 * s1, a2 * s2, e, t.edgeSegments);
    }
    for (float sx : {1.0f, -1.0f})
        for (float sy : {1.0f, -1.0f})
            for (float sz : {1.0f, -1.0f})
                Corner(b, Vec3{sx, 0, 0}, Vec3{0, sy, 0}, Vec3{0, 0, sz}, t.edgeSegments);
    for (int axis = 0; axis < 3; ++axis) {
        Peg(b, Frame(axis, 1), t);
        Socket(b, Frame(axis, -1), t);
    }
    return b.Take();
}

}  // namespace blockshape
