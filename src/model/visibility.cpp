#include "model/visibility.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "model/colours.h"
#include "model/placement.h"

namespace model {

namespace {

// A lattice place packed into 63 bits: three coordinates of 21 bits each, biased.
using CellKey = uint64_t;
constexpr CellKey kNoCell = ~CellKey{0};
constexpr int kCellBits = 21;
constexpr int64_t kCellBias = int64_t{1} << (kCellBits - 1);

CellKey PackCell(int64_t x, int64_t y, int64_t z) {
    return static_cast<CellKey>(x + kCellBias) << (2 * kCellBits) |
           static_cast<CellKey>(y + kCellBias) << kCellBits | static_cast<CellKey>(z + kCellBias);
}

// The lattice coordinate of one centre component; false when it is off the lattice or
// too far out to pack (with room for a neighbour on either side).
bool LatticeCoordinate(float c, int64_t* cell) {
    const float half = c * 0.5f;
    if (!(std::fabs(half) < static_cast<float>(kCellBias - 2))) return false;
    const float nearest = std::nearbyint(half);
    if (std::fabs(c - 2.0f * nearest) > kLatticePositionTolerance) return false;
    *cell = static_cast<int64_t>(nearest);
    return true;
}

// True when every entry of the rotation is -1, 0 or 1 and it keeps handedness: a product
// of quarter turns. (A block read from a file with a zero axis can come out mirrored.)
bool QuarterTurns(const math::Mat4& world) {
    const auto& m = world.m;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const float a = std::fabs(m[r][c]);
            if (a > kLatticeRotationTolerance && std::fabs(a - 1.0f) > kLatticeRotationTolerance)
                return false;
        }
    }
    const float det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                      m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                      m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return det > 0.5f;
}

CellKey LatticeCell(const math::Mat4& world) {
    if (!QuarterTurns(world)) return kNoCell;
    const math::Vec3 c = BlockCentre(world);
    int64_t x = 0, y = 0, z = 0;
    if (!LatticeCoordinate(c.x, &x) || !LatticeCoordinate(c.y, &y) || !LatticeCoordinate(c.z, &z))
        return kNoCell;
    return PackCell(x, y, z);
}

// Open-addressing set of lattice places.
class CellSet {
  public:
    explicit CellSet(size_t expected)
        : slots_(std::bit_ceil(std::max<size_t>(16, expected * 2)), kNoCell),
          mask_(slots_.size() - 1) {}

    void Insert(CellKey key) {
        for (size_t i = Slot(key);; i = (i + 1) & mask_) {
            if (slots_[i] == key) return;
            if (slots_[i] == kNoCell) {
                slots_[i] = key;
                return;
            }
        }
    }
    bool Contains(CellKey key) const {
        for (size_t i = Slot(key);; i = (i + 1) & mask_) {
            if (slots_[i] == key) return true;
            if (slots_[i] == kNoCell) return false;
        }
    }

  private:
    size_t Slot(CellKey key) const {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
    }
    std::vector<CellKey> slots_;
    size_t mask_;
};

}  // namespace

std::vector<bool> FindEnclosedBlocks(const BlockList& topBlocks) {
    // One walk: the lattice place of every visible block (kNoCell off the lattice), and
    // the set of places that a drawn lattice block fills.
    std::vector<CellKey> cells;
    std::vector<bool> fills;
    WalkBlocks(topBlocks, math::Mat4{},
               [&](const BlockNode& block, const math::Mat4& world, const math::Mat4&) {
                   const CellKey key = LatticeCell(world);
                   cells.push_back(key);
                   // A block of an unknown colour is not drawn, so it closes nothing.
                   fills.push_back(key != kNoCell && IsColourIndex(block.colour));
               });

    CellSet filled(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        if (fills[i]) filled.Insert(cells[i]);
    }

    // Neighbour offsets as differences of packed keys: adding them never carries from one
    // coordinate into the next, because every coordinate keeps a margin from its limits.
    CellKey deltas[26];
    int n = 0;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dz = -1; dz <= 1; ++dz)
                if (dx || dy || dz) deltas[n++] = PackCell(dx, dy, dz) - PackCell(0, 0, 0);

    std::vector<bool> enclosed(cells.size(), false);
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] == kNoCell) continue;
        bool closed = true;
        for (CellKey d : deltas) {
            if (!filled.Contains(cells[i] + d)) {
                closed = false;
                break;
            }
        }
        enclosed[i] = closed;
    }
    return enclosed;
}

}  // namespace model
