#include "render/frustum.h"

#include <cmath>

namespace render {

Frustum::Frustum(const math::Mat4& m) {
    // With clip = p x M, clip component k is the dot product of (p, 1) with column k.
    auto column = [&m](int k) {
        return std::array<float, 4>{m.m[0][k], m.m[1][k], m.m[2][k], m.m[3][k]};
    };
    const auto c0 = column(0), c1 = column(1), c2 = column(2), c3 = column(3);
    auto combine = [](const std::array<float, 4>& a, const std::array<float, 4>& b, float s) {
        return std::array<float, 4>{a[0] + s * b[0], a[1] + s * b[1], a[2] + s * b[2],
                                    a[3] + s * b[3]};
    };
    // -w <= x <= w, -w <= y <= w, 0 <= z <= w.
    const std::array<std::array<float, 4>, 6> raw = {
        combine(c3, c0, 1),  combine(c3, c0, -1), combine(c3, c1, 1), combine(c3, c1, -1), c2,
        combine(c3, c2, -1),
    };
    for (size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        float len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        // A degenerate plane (singular matrix) must not cull anything.
        if (!(len > 0.0f) || !std::isfinite(len)) {
            planes_[i] = {0, 0, 0, 1};
            continue;
        }
        planes_[i] = {r[0] / len, r[1] / len, r[2] / len, r[3] / len};
    }
}

}  // namespace render
