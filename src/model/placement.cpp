#include "model/placement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "math/quaternion.h"

namespace model {

using math::Mat4;
using math::Vec3;

Mat4 TwistMatrix(const BlockNode& block) {
    // An untwisted block (most of them) rotates by exactly the identity: skip the sines.
    Mat4 twist = block.angle == 0.0f ? Mat4{} : math::MatrixRotationAxis(block.axis, block.angle);
    if (!block.parent) {
        const math::Quat q = math::AxisToAxis({0, 1, 0}, block.axis);
        if (q.x != 0.0f || q.y != 0.0f || q.z != 0.0f || q.w != 1.0f)
            twist = math::MatrixRotationQuaternion(q) * twist;
    }
    return twist;
}

Mat4 LocalTransform(const BlockNode& block) {
    // twist x translation: the twist with its last row replaced by the offset.
    Mat4 local = TwistMatrix(block);
    local.m[3][0] = block.offset.x;
    local.m[3][1] = block.offset.y;
    local.m[3][2] = block.offset.z;
    return local;
}

Mat4 WorldTransform(const BlockNode& block, const Mat4& parentWorld) {
    const Mat4 local = LocalTransform(block);
    const auto& a = local.m;
    const auto& b = parentWorld.m;
    Mat4 r;
    // Rows 0..2 of `local` end in 0 and row 3 in 1, so those terms drop out.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    for (int j = 0; j < 4; ++j)
        r.m[3][j] = a[3][0] * b[0][j] + a[3][1] * b[1][j] + a[3][2] * b[2][j] + b[3][j];
    return r;
}

UprightTwist UprightTwistFor(const Mat4& turn) {
    Mat4 rotation = turn;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0.0f;
    // A top-level block turns its +Y onto its axis and then twists about it: the axis is
    // where +Y goes, the twist what is left of +X's turn once +Y is turned back upright.
    const Vec3 a = math::Vec3TransformCoord({0, 2, 0}, rotation);
    const Vec3 b = math::Vec3TransformCoord({2, 0, 0}, rotation);
    const Vec3 bUpright =
        math::Vec3TransformCoord(b, math::MatrixRotationQuaternion(math::AxisToAxis(a, {0, 2, 0})));
    // From zero: an untwisted block gets +0, as the editor writes it, never -0.
    return {a, 0.0f - std::atan2(bUpright.z, bUpright.x)};
}

namespace {
const Mat4 kIdentity{};
}  // namespace

bool IsPositionFree(const BlockList& topBlocks, const Vec3& point) {
    return WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        return math::Distance(BlockCentre(world), point) > 1.0f;
    });
}

bool ArePositionsFree(const BlockList& topBlocks, std::span<const Vec3> points) {
    if (points.empty()) return true;
    // The points by unit cell: a block centre within distance 1 of a point lies in the
    // point's cell or a neighbouring one.
    auto cellOf = [](const Vec3& p) {
        auto c = [](float v) {
            const float f = std::floor(std::clamp(v, -1e9f, 1e9f));
            return static_cast<int64_t>(f);
        };
        return std::array<int64_t, 3>{c(p.x), c(p.y), c(p.z)};
    };
    struct CellHash {
        size_t operator()(const std::array<int64_t, 3>& k) const {
            return static_cast<size_t>(k[0] * 73856093 ^ k[1] * 19349663 ^ k[2] * 83492791);
        }
    };
    std::unordered_map<std::array<int64_t, 3>, std::vector<Vec3>, CellHash> cells;
    for (const Vec3& p : points) cells[cellOf(p)].push_back(p);
    return WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 centre = BlockCentre(world);
        const std::array<int64_t, 3> c = cellOf(centre);
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    auto it = cells.find({c[0] + dx, c[1] + dy, c[2] + dz});
                    if (it == cells.end()) continue;
                    for (const Vec3& p : it->second)
                        if (math::Distance(centre, p) <= 1.0f) return false;
                }
        return true;
    });
}

Mat4 WorldOf(const BlockNode& block) {
    std::vector<const BlockNode*> chain;
    for (const BlockNode* b = &block; b; b = b->parent) chain.push_back(b);
    Mat4 world = kIdentity;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) world = WorldTransform(**it, world);
    return world;
}

CentreSummary GatherCentres(const BlockList& topBlocks, const Mat4& root) {
    CentreSummary s;
    WalkBlocks(topBlocks, root, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 c = BlockCentre(world);
        if (s.count == 0) {
            s.min = s.max = s.sum = c;
        } else {
            s.min = math::Min(s.min, c);
            s.max = math::Max(s.max, c);
            s.sum += c;
        }
        ++s.count;
    });
    return s;
}

float FarthestDistance(const BlockList& topBlocks, const Vec3& point, const Mat4& root) {
    float farthest = 0;
    WalkBlocks(topBlocks, root, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        farthest = std::max(farthest, math::Distance(BlockCentre(world), point));
    });
    return farthest;
}

Vec3 NearestCentre(const BlockList& topBlocks, const Vec3& point, const Vec3& start) {
    Vec3 nearest = start;
    float best = 0;
    bool found = false;
    WalkBlocks(topBlocks, kIdentity, [&](const BlockNode&, const Mat4& world, const Mat4&) {
        const Vec3 c = BlockCentre(world);
        const float d = math::Distance(c, point);
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
    std::deque<Frame> stack;
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

Mat4 RootNearOrigin(const BlockList& topBlocks) {
    // Below this distance floats still place things to a thousandth of a block edge.
    constexpr float kNear = 16384.0f;
    const CentreSummary summary = GatherCentres(topBlocks);
    if (summary.count == 0) return Mat4{};
    // Halves first: the difference of two finite places may overflow, their halves not.
    const Vec3 centre = summary.min * 0.5f + summary.max * 0.5f;
    if (std::max({std::fabs(centre.x), std::fabs(centre.y), std::fabs(centre.z)}) < kNear)
        return Mat4{};
    return math::MatrixTranslation(-centre.x, -centre.y, -centre.z);
}

}  // namespace model
