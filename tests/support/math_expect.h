#pragma once
// Comparisons of vectors and matrices with a tolerance, naming the values on failure.
#include <gtest/gtest.h>

#include "math/matrix.h"

namespace testsupport {

inline ::testing::AssertionResult VecNear(const math::Vec3& a, const math::Vec3& b,
                                          float tolerance = 1e-5f) {
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
        std::fabs(a.z - b.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y << ", "
           << b.z << ") beyond " << tolerance;
}

}  // namespace testsupport

// EXPECT_VEC_NEAR(a, b) or EXPECT_VEC_NEAR(a, b, tolerance); the default is 1e-5.
#define EXPECT_VEC_NEAR(...) EXPECT_TRUE(::testsupport::VecNear(__VA_ARGS__))
#define EXPECT_MAT_NEAR(a, b, tol) EXPECT_LE(math::MaxAbsDifference((a), (b)), (tol))
