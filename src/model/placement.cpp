#include "model/placement.h"

#include <algorithm>

#include "math/quaternion.h"

using vmath::Mat4;
using vmath::Vec3;

Mat4 TwistMatrix(const BlockNode& block) {
    Mat4 twist = vmath::MatrixRotationAxis(block.axis, block.angle);
    if (!block.parent) {
        const Mat4 upright =
            vmath::MatrixRotationQuaternion(vmath::AxisToAxis({0, 1, 0}, block.axis));
        twist = upright * twist;
    }
    return twist;
}

Mat4 LocalTransform(const BlockNode& block) {
    return TwistMatrix(block) * vmath::MatrixTranslation(block.offset);
}

namespace {
const Mat4 kIdentity{};
}  // namespace

bool IsPositionFree(const BlockList& topBlocks, const Vec3& point) {
    return WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        return vmath::Distance(BlockCentre(world), point) > 1.0f;
    });
}

CentreSummary GatherCentres(const BlockList& topBlocks) {
    CentreSummary s;
    WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 c = BlockCentre(world);
        if (s.count == 0) {
            s.min = s.max = s.sum = c;
        } else {
            s.min = vmath::Min(s.min, c);
            s.max = vmath::Max(s.max, c);
            s.sum += c;
        }
        ++s.count;
    });
    return s;
}

float FarthestDistance(const BlockList& topBlocks, const Vec3& point) {
    float farthest = 0;
    WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        farthest = std::max(farthest, vmath::Distance(BlockCentre(world), point));
    });
    return farthest;
}

Vec3 NearestCentre(const BlockList& topBlocks, const Vec3& point, const Vec3& start) {
    Vec3 nearest = start;
    float best = 0;
    bool found = false;
    WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 c = BlockCentre(world);
        const float d = vmath::Distance(c, point);
        if (!found || d < best) {
            found = true;
            best = d;
            nearest = c;
        }
    });
    return nearest;
}

int TreeDepth(const BlockList& topBlocks) {
    // Depth-first over every block, visible or not; the stack holds one entry per level.
    struct Frame {
        const BlockNode* next;
    };
    std::vector<Frame> stack;
    int deepest = 0;
    const BlockNode* cursor = topBlocks.Front();
    for (;;) {
        while (cursor) {
            deepest = std::max(deepest, static_cast<int>(stack.size()) + 1);
            if (cursor->HasChildren()) {
                stack.push_back({cursor->next});
                cursor = cursor->children.Front();
            } else {
                cursor = cursor->next;
            }
        }
        if (stack.empty()) return deepest;
        cursor = stack.back().next;
        stack.pop_back();
    }
}
