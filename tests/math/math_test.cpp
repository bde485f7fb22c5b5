#include <gtest/gtest.h>

#include <cmath>

#include "math/geometry.h"
#include "math/matrix.h"
#include "support/math_expect.h"

using namespace math;

namespace {
constexpr float kPi = 3.14159265f;
}  // namespace

TEST(Matrix, RotationsFollowLeftHandedRowVectorConvention) {
    // Turning +X by 90 degrees about +Z gives +Y; about +Y gives -Z (left-handed).
    EXPECT_VEC_NEAR(Vec3TransformCoord({1, 0, 0}, MatrixRotationZ(kPi / 2)), {0, 1, 0});
    EXPECT_VEC_NEAR(Vec3TransformCoord({1, 0, 0}, MatrixRotationY(kPi / 2)), {0, 0, -1});
    EXPECT_VEC_NEAR(Vec3TransformCoord({0, 1, 0}, MatrixRotationX(kPi / 2)), {0, 0, 1});
    // The axis form agrees with the three fixed-axis forms, whatever the axis length.
    EXPECT_LT(MaxAbsDifference(MatrixRotationAxis({2, 0, 0}, 0.7f), MatrixRotationX(0.7f)), 1e-6f);
    EXPECT_LT(MaxAbsDifference(MatrixRotationAxis({0, 3, 0}, 0.7f), MatrixRotationY(0.7f)), 1e-6f);
    EXPECT_LT(MaxAbsDifference(MatrixRotationAxis({0, 0, 1}, 0.7f), MatrixRotationZ(0.7f)), 1e-6f);
    // A x B applies A first.
    Mat4 ab = MatrixRotationZ(kPi / 2) * MatrixTranslation(5, 0, 0);
    EXPECT_VEC_NEAR(Vec3TransformCoord({1, 0, 0}, ab), {5, 1, 0});
}

TEST(Matrix, InverseOfRigidTransformAndSingularMatrix) {
    Mat4 m = MatrixRotationAxis({1, 2, 3}, 1.1f) * MatrixTranslation(4, -5, 6);
    auto inv = MatrixInverse(m);
    ASSERT_TRUE(inv.has_value());
    EXPECT_LT(MaxAbsDifference(m * *inv, Mat4{}), 1e-5f);
    EXPECT_FALSE(MatrixInverse(MatrixScaling(1, 0, 1)).has_value());
    EXPECT_EQ(MatrixInverseOrIdentity(MatrixScaling(1, 0, 1)), Mat4{});
}

TEST(Quaternion, MatrixRoundTripAndComposition) {
    Quat q = QuaternionRotationAxis({1, 1, 0}, 0.9f);
    Mat4 m = MatrixRotationQuaternion(q);
    EXPECT_LT(MaxAbsDifference(m, MatrixRotationAxis({1, 1, 0}, 0.9f)), 1e-6f);
    // All four branches of the matrix-to-quaternion conversion.
    for (Vec3 axis : {Vec3{0, 0, 1}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}) {
        for (float a : {0.3f, 3.0f}) {
            Mat4 r = MatrixRotationAxis(axis, a);
            EXPECT_LT(MaxAbsDifference(MatrixRotationQuaternion(QuaternionRotationMatrix(r)), r),
                      1e-5f);
        }
    }
    // QuaternionMultiply(a, b) is rotation a followed by b, like the matrix product.
    Quat a = QuaternionRotationAxis({0, 0, 1}, 0.4f), b = QuaternionRotationAxis({1, 0, 0}, 1.2f);
    EXPECT_LT(MaxAbsDifference(MatrixRotationQuaternion(QuaternionMultiply(a, b)),
                               MatrixRotationQuaternion(a) * MatrixRotationQuaternion(b)),
              1e-5f);
    Vec3 axis;
    float angle;
    QuaternionToAxisAngle(q, &axis, &angle);
    EXPECT_NEAR(angle, 0.9f, 1e-5f);
    QuaternionToAxisAngle(Quat{0, 0, 0, 1.0000001f}, &axis, &angle);
    EXPECT_FALSE(std::isnan(angle));
}

TEST(Quaternion, AxisToAxisTurnsOneDirectionOntoAnother) {
    EXPECT_LT(MaxAbsDifference(MatrixRotationQuaternion(AxisToAxis({0, 1, 0}, {0, 2, 0})), Mat4{}),
              1e-7f);
    EXPECT_VEC_NEAR(
        Vec3TransformCoord({0, 1, 0}, MatrixRotationQuaternion(AxisToAxis({0, 1, 0}, {2, 0, 0}))),
        {1, 0, 0});
    // Opposite directions still give a proper half-turn.
    for (Vec3 a : {Vec3{0, 1, 0}, Vec3{1, 0, 0}, Vec3{0.3f, -0.2f, 0.9f}}) {
        Mat4 r = MatrixRotationQuaternion(AxisToAxis(a, -a));
        EXPECT_VEC_NEAR(Vec3TransformCoord(Normalize(a), r), Normalize(-a));
        EXPECT_LT(MaxAbsDifference(r * MatrixTranspose(r), Mat4{}), 1e-5f);
    }
}

TEST(Matrix, LookAtPerspectiveAndUnproject) {
    Mat4 view = MatrixLookAtLH({0, 0, -5}, {0, 0, 0}, {0, 1, 0});
    EXPECT_LT(MaxAbsDifference(view, MatrixTranslation(0, 0, 5)), 1e-6f);
    Mat4 proj = MatrixPerspectiveFovLH(kPi / 4, 800.0f / 600.0f, 0.1f, 1000.0f);
    EXPECT_NEAR(proj(1, 1), 1.0f / std::tan(kPi / 8), 1e-5f);
    EXPECT_NEAR(proj(0, 0), proj(1, 1) / (800.0f / 600.0f), 1e-5f);
    EXPECT_EQ(proj(2, 3), 1.0f);
    // The centre of the near plane lies 0.1 in front of the eye.
    Viewport vp{0, 0, 800, 600, 0, 1};
    EXPECT_VEC_NEAR(Vec3Unproject({400, 300, 0}, vp, proj, view, Mat4{}), {0, 0, -4.9f}, 1e-4f);
}

TEST(Geometry, TriangleAndMeshIntersection) {
    Vec3 p0{-1, -1, 0}, p1{1, -1, 0}, p2{-1, 1, 0};
    auto hit = IntersectTriangle({-0.5f, -0.5f, -3}, {0, 0, 2}, p0, p1, p2);
    ASSERT_TRUE(hit);
    EXPECT_NEAR(hit->distance, 1.5f, 1e-6f);
    EXPECT_VEC_NEAR(BaryCentric(p0, p1, p2, hit->u, hit->v), {-0.5f, -0.5f, 0});
    // Back faces count; hits behind the origin do not.
    EXPECT_TRUE(IntersectTriangle({-0.5f, -0.5f, 3}, {0, 0, -1}, p0, p1, p2));
    EXPECT_FALSE(IntersectTriangle({-0.5f, -0.5f, 3}, {0, 0, 1}, p0, p1, p2));

    MeshGeometry mesh;  // two parallel squares at z = 0 and z = 1
    mesh.positions = {{-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}};
    mesh.indices = {0, 1, 2, 3, 4, 5};
    mesh.UpdateBounds();
    auto near = mesh.Intersect({-0.5f, -0.5f, -3}, {0, 0, 1});
    ASSERT_TRUE(near);
    EXPECT_EQ(near->face, 1u);
    EXPECT_VEC_NEAR(mesh.HitPoint(*near), {-0.5f, -0.5f, 0});
    EXPECT_FALSE(mesh.Intersect({5, 5, -3}, {0, 0, 1}));          // outside the bounds
    EXPECT_FALSE(mesh.Intersect({-0.5f, -0.5f, -3}, {0, 0, 0}));  // no direction
}
