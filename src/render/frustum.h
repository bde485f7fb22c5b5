#pragma once
// View-frustum test for bounding spheres, so that blocks out of sight cost no GPU work.
#include <array>

#include "math/matrix.h"
#include "math/vector.h"

namespace render {

class Frustum {
  public:
    // Planes of the clip volume of `viewProjection` (world to clip, row vectors, depth 0..1).
    explicit Frustum(const math::Mat4& viewProjection);

    // False only when the sphere lies wholly outside one of the six planes.
    bool SphereVisible(const math::Vec3& centre, float radius) const {
        for (const Plane& p : planes_) {
            if (p.a * centre.x + p.b * centre.y + p.c * centre.z + p.d < -radius) return false;
        }
        return true;
    }

  private:
    struct Plane {
        float a = 0, b = 0, c = 0, d = 0;  // unit normal pointing inside
    };
    std::array<Plane, 6> planes_;
};

}  // namespace render
