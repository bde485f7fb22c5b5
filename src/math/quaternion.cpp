#include "math/quaternion.h"

#include <algorithm>
#include <cmath>

namespace math {

Quat QuaternionMultiply(const Quat& a, const Quat& b) {
    return {b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
            b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
            b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
            b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z};
}

Quat QuaternionRotationAxis(const Vec3& axis, float angle) {
    Vec3 n = Normalize(axis);
    float s = std::sin(angle * 0.5f);
    return {n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
}

void QuaternionToAxisAngle(const Quat& q, Vec3* axis, float* angle) {
    if (axis) *axis = {q.x, q.y, q.z};
    // Rounding can push w a hair past 1; acos would then give NaN.
    if (angle) *angle = 2.0f * std::acos(std::clamp(q.w, -1.0f, 1.0f));
}

Quat QuaternionNormalize(const Quat& q) {
    float len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (len == 0.0f) return {0, 0, 0, 0};
    return {q.x / len, q.y / len, q.z / len, q.w / len};
}

Quat AxisToAxis(const Vec3& a, const Vec3& b) {
    Vec3 u = Normalize(a);
    Vec3 v = Normalize(b);
    Vec3 h = Normalize(u + v);
    if (LengthSq(h) == 0.0f) {
        if (LengthSq(u) == 0.0f) return QuatIdentity();
        // Opposite directions: turn half-way round an axis perpendicular to u.
        Vec3 helper = std::fabs(u.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        Vec3 axis = Normalize(Cross(u, helper));
        return {axis.x, axis.y, axis.z, 0.0f};
    }
    Vec3 c = Cross(u, h);
    return {c.x, c.y, c.z, Dot(u, h)};
}

}  // namespace math
