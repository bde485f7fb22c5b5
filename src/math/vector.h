#pragma once
// Single-precision vectors in the left-handed, row-vector convention used throughout
// the editor (a point p transforms as p x M).
#include <cmath>

namespace math {

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;

    constexpr Vec3() = default;
    constexpr Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3 operator-() const { return {-x, -y, -z}; }
    constexpr Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vec3& operator-=(const Vec3& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    constexpr bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    constexpr bool operator!=(const Vec3& o) const { return !(*this == o); }
};

inline constexpr Vec3 operator*(float s, const Vec3& v) {
    return v * s;
}
inline constexpr float Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline constexpr Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(const Vec3& v) {
    return std::sqrt(Dot(v, v));
}
inline constexpr float LengthSq(const Vec3& v) {
    return Dot(v, v);
}
inline float Distance(const Vec3& a, const Vec3& b) {
    return Length(a - b);
}

// A zero vector stays zero instead of turning into NaNs.
inline Vec3 Normalize(const Vec3& v) {
    float len = Length(v);
    if (len == 0.0f) return {0, 0, 0};
    return v / len;
}

inline Vec3 Abs(const Vec3& v) {
    return {std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)};
}
inline Vec3 Min(const Vec3& a, const Vec3& b) {
    return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}
inline Vec3 Max(const Vec3& a, const Vec3& b) {
    return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

// p0 + u (p1 - p0) + v (p2 - p0)
inline Vec3 BaryCentric(const Vec3& p0, const Vec3& p1, const Vec3& p2, float u, float v) {
    return p0 + (p1 - p0) * u + (p2 - p0) * v;
}

}  // namespace math
