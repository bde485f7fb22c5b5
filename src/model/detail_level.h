#pragma once
// Mesh detail for a block: coarser meshes for blocks that appear small. Drawing and
// picking both use this, so that what is hit is exactly what is seen.
#include <algorithm>

#include "math/matrix.h"

namespace model {

// The corner point of the near plane does not depend on the block, so it is found once
// per frame (or per pick) and every block then costs one distance.
class DetailChooser {
  public:
    DetailChooser(const math::Mat4& projection, const math::Mat4& view,
                  const math::Viewport& viewport)
        : viewportHeight_(static_cast<float>(viewport.height)),
          nearCorner_(math::Vec3Unproject({0, 0, 0}, viewport, projection, view, math::Mat4{})) {}

    // requested: the user's finest allowed level (1 high, 2 medium, 3 low). The result is
    // the coarser of that and the level the block's apparent size calls for.
    int Choose(int requested, const math::Mat4& world) const {
        float d = math::Distance(nearCorner_, world.Translation());
        int computed;
        if (d == 0.0f) {
            computed = 3;
        } else {
            float r = viewportHeight_ / d;
            computed = r > 20.0f ? 1 : (r > 10.0f ? 2 : 3);
        }
        return std::max(requested, computed);
    }

    const math::Vec3& NearCorner() const { return nearCorner_; }

  private:
    float viewportHeight_;
    math::Vec3 nearCorner_;
};

inline int ChooseDetailLevel(int requested, const math::Mat4& projection, const math::Mat4& view,
                             const math::Mat4& world, const math::Viewport& viewport) {
    return DetailChooser(projection, view, viewport).Choose(requested, world);
}

}  // namespace model
