#pragma once
// 4x4 matrices with the results of the classic fixed-function math library:
// row vectors, p' = p x M, and A x B applies A first. Left-handed view and projection.
#include <optional>

#include "math/quaternion.h"
#include "math/vector.h"

namespace math {

struct Mat4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    float& operator()(int r, int c) { return m[r][c]; }
    float operator()(int r, int c) const { return m[r][c]; }
    bool operator==(const Mat4& o) const;
    bool operator!=(const Mat4& o) const { return !(*this == o); }
    Mat4 operator*(const Mat4& o) const;  // this applied first, then o

    Vec3 Translation() const { return {m[3][0], m[3][1], m[3][2]}; }
};

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// A half-line from `origin`; the direction is not normalised.
struct Ray {
    Vec3 origin;
    Vec3 direction;
};

// How a scene is seen: what picking needs of a viewer to choose each block's mesh
// exactly as drawing does, without knowing the camera.
struct ViewSetup {
    Mat4 projection;
    Mat4 view;
    Viewport viewport;
};

Mat4 MatrixIdentity();
Mat4 MatrixMultiply(const Mat4& a, const Mat4& b);
// Empty when the matrix is singular.
std::optional<Mat4> MatrixInverse(const Mat4& m);
// Inverse, or identity for a singular matrix (callers only invert rotations and
// rigid transforms, where that never happens; this keeps a degenerate input harmless).
Mat4 MatrixInverseOrIdentity(const Mat4& m);
Mat4 MatrixTranspose(const Mat4& m);
Mat4 MatrixTranslation(float x, float y, float z);
inline Mat4 MatrixTranslation(const Vec3& v) {
    return MatrixTranslation(v.x, v.y, v.z);
}
Mat4 MatrixScaling(float x, float y, float z);
Mat4 MatrixRotationX(float angle);
Mat4 MatrixRotationY(float angle);
Mat4 MatrixRotationZ(float angle);
Mat4 MatrixRotationAxis(const Vec3& axis, float angle);
Mat4 MatrixRotationQuaternion(const Quat& q);
Quat QuaternionRotationMatrix(const Mat4& m);
Mat4 MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Mat4 MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// (x, y, z, 1) x M, divided by w.
Vec3 Vec3TransformCoord(const Vec3& v, const Mat4& m);
// (x, y, z, 0) x M.
Vec3 Vec3TransformNormal(const Vec3& v, const Mat4& m);
// Screen point (pixels, depth 0..1) back into object space.
Vec3 Vec3Unproject(const Vec3& v, const Viewport& vp, const Mat4& projection, const Mat4& view,
                   const Mat4& world);

// Largest absolute difference of the sixteen entries.
float MaxAbsDifference(const Mat4& a, const Mat4& b);

}  // namespace math
