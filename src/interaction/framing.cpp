#include "interaction/framing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "model/placement.h"

using namespace camera;
using namespace input;
using namespace model;

namespace interaction {

using math::Mat4;
using math::Vec3;

namespace {

// From above (30 degrees), turned 35 degrees to the right of the editor's starting view,
// which looks along +z: the front, one side and the top show at once.
Vec3 ViewDirection() {
    constexpr float kElevation = 0.5235988f;  // 30 degrees
    constexpr float kAzimuth = 0.6108652f;    // 35 degrees
    return math::Normalize(Vec3{-std::sin(kAzimuth) * std::cos(kElevation), -std::sin(kElevation),
                                std::cos(kAzimuth) * std::cos(kElevation)});
}

}  // namespace

bool FrameConstruction(const BlockList& topBlocks, CVelCamera& camera, float aspect, float margin,
                       const Mat4& root) {
    const CentreSummary summary = GatherCentres(topBlocks, root);
    if (summary.count == 0 || !(aspect > 0.0f)) return false;
    const Vec3 centre = summary.min + (summary.max - summary.min) / 2.0f;

    // The camera's frame, as the view matrix builds it (left-handed look-at, world up).
    const Vec3 forward = ViewDirection();
    const Vec3 right = math::Normalize(math::Cross(Vec3{0, 1, 0}, forward));
    const Vec3 up = math::Cross(forward, right);

    const float fill = std::clamp(1.0f - margin, 0.1f, 1.0f);
    const float ty = std::tan(camera.fieldOfView / 2.0f) * fill;
    const float tx = ty * aspect;
    // A sphere of radius r at camera-space (x, y, z) lies inside the side planes
    // |x| <= tx z when |x| + r sqrt(1 + tx^2) <= tx z; likewise for y.
    const float kx = kBlockBoundRadius * std::sqrt(1.0f + tx * tx);
    const float ky = kBlockBoundRadius * std::sqrt(1.0f + ty * ty);

    // With the target shifted by (sx, sy) in the view plane and the eye at distance D
    // before it, every block needs  +-(x - sx) + k <= t (z + D).  Writing A = max(x - t z)
    // and B = max(-x - t z), the least D is  (max(A - sx, B + sx) + k) / t, smallest at
    // sx = (A - B) / 2: the shift that centres the picture.
    constexpr float kLow = -std::numeric_limits<float>::max();
    float ax = kLow, bx = kLow, ay = kLow, by = kLow, nearest = kLow;
    WalkBlocks(topBlocks, root, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 rel = BlockCentre(world) - centre;
        const float x = math::Dot(rel, right), y = math::Dot(rel, up);
        const float z = math::Dot(rel, forward);
        ax = std::max(ax, x - tx * z);
        bx = std::max(bx, -x - tx * z);
        ay = std::max(ay, y - ty * z);
        by = std::max(by, -y - ty * z);
        nearest = std::max(nearest, -z);
    });
    const float sx = (ax - bx) / 2.0f, sy = (ay - by) / 2.0f;
    float distance = std::max(((ax + bx) / 2.0f + kx) / tx, ((ay + by) / 2.0f + ky) / ty);
    // Never with a block reaching behind the near plane.
    distance = std::max(distance, nearest + kBlockBoundRadius + 1.0f);

    const Vec3 target = centre + right * sx + up * sy;
    Mat4 orientation = math::MatrixLookAtLH(target - forward * distance, target, {0, 1, 0});
    orientation.m[3][0] = orientation.m[3][1] = orientation.m[3][2] = 0.0f;

    camera.StopMotion();
    camera.CancelDrags();
    camera.autoSpinAround = camera.autoSpinTarget = 0;
    camera.orbitMode = 1;
    camera.zoom = 0.0f;
    camera.panOffset = {};
    camera.upReference = {0, 1, 0};
    camera.baseDistance = 5.0f;
    camera.distanceOffset = camera.baseDistance - distance;
    camera.target = target;
    camera.referencePoint = target - Vec3{0, 0, camera.baseDistance};
    camera.orientation = orientation;
    camera.orientationBeforeSpin = orientation;
    camera.Apply(nullptr);
    return true;
}

}  // namespace interaction
