#pragma once
#include "math/vector.h"

namespace math {

struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

inline constexpr Quat QuatIdentity() {
    return {0, 0, 0, 1};
}

// Rotation q1 followed by rotation q2 (the Hamilton product q2 q1).
Quat QuaternionMultiply(const Quat& q1, const Quat& q2);
Quat QuaternionRotationAxis(const Vec3& axis, float angle);
// Axis is the vector part as it stands (not normalised); angle = 2 acos(w).
void QuaternionToAxisAngle(const Quat& q, Vec3* axis, float* angle);
Quat QuaternionNormalize(const Quat& q);

// The shortest-arc rotation turning direction a onto direction b. Exactly opposite
// directions have no unique answer; a half-turn about an axis perpendicular to a is
// returned then.
Quat AxisToAxis(const Vec3& a, const Vec3& b);

}  // namespace math
