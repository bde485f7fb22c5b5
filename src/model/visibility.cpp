#include "model/visibility.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// The lattice coordinate of one component of a place; false when it is off the lattice or
// too far out to pack (with room for a neighbour on either side).
bool LatticeCoordinate(double c, int64_t* cell) {
    const double half = c * 0.5;
    if (!(std::fabs(half) < static_cast<double>(kCellBias - 2))) return false;
    const double nearest = std::nearbyint(half);
    if (std::fabs(c - 2.0 * nearest) > kLatticePositionTolerance) return false;
    *cell = static_cast<int64_t>(nearest);
    return true;
}

// A rigid transform of the lattice onto itself: p -> p x turn + 2 x shift, where `turn` is a
// product of quarter turns (every entry -1, 0 or 1, handedness kept).
struct LatticeMove {
    int turn[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    int64_t shift[3] = {0, 0, 0};

    // The place and turn `move` leads to from `cell`, as lattice coordinates.
    void Apply(const int64_t cell[3], int64_t out[3]) const {
        for (int c = 0; c < 3; ++c)
            out[c] = cell[0] * turn[0][c] + cell[1] * turn[1][c] + cell[2] * turn[2][c] + shift[c];
    }
};

// The lattice move a rotation and translation make; false when they make none.
bool AsLatticeMove(const double rotation[3][3], const double translation[3], LatticeMove* move) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double a = rotation[r][c];
            if (std::fabs(a) <= kLatticeRotationTolerance) {
                move->turn[r][c] = 0;
            } else if (std::fabs(std::fabs(a) - 1.0) <= kLatticeRotationTolerance) {
                move->turn[r][c] = a > 0 ? 1 : -1;
            } else {
                return false;
            }
        }
    }
    const auto& t = move->turn;
    const int det = t[0][0] * (t[1][1] * t[2][2] - t[1][2] * t[2][1]) -
                    t[0][1] * (t[1][0] * t[2][2] - t[1][2] * t[2][0]) +
                    t[0][2] * (t[1][0] * t[2][1] - t[1][1] * t[2][0]);
    // A zero axis read from a file can leave a block mirrored: never on a lattice.
    if (det != 1) return false;
    for (int c = 0; c < 3; ++c)
        if (!LatticeCoordinate(translation[c], &move->shift[c])) return false;
    return true;
}

bool AsLatticeMove(const math::Mat4& m, LatticeMove* move) {
    double rotation[3][3], translation[3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rotation[r][c] = m.m[r][c];
    for (int c = 0; c < 3; ++c) translation[c] = m.m[3][c];
    return AsLatticeMove(rotation, translation, move);
}

// The move that takes places of the frame `from` into the frame `to` (both rigid, as the
// world transforms of top-level blocks are), when it is a lattice move: `from` x inverse
// of `to`, worked out in double so that frames far from the origin compare as well as near
// ones.
bool FramesAgree(const math::Mat4& from, const math::Mat4& to, LatticeMove* move) {
    double rotation[3][3], translation[3];
    double d[3];
    for (int c = 0; c < 3; ++c)
        d[c] = static_cast<double>(from.m[3][c]) - static_cast<double>(to.m[3][c]);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            // (from's rotation x to's rotation transposed)[r][c]
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += static_cast<double>(from.m[r][k]) * static_cast<double>(to.m[c][k]);
            rotation[r][c] = sum;
        }
    for (int c = 0; c < 3; ++c)
        translation[c] = d[0] * to.m[c][0] + d[1] * to.m[c][1] + d[2] * to.m[c][2];
    return AsLatticeMove(rotation, translation, move);
}

// Lattice places of one lattice (the top-level frame it belongs to) in an open-addressing
// set.
struct Place {
    uint32_t lattice;
    CellKey cell;
    bool operator==(const Place&) const = default;
};

class PlaceSet {
  public:
    explicit PlaceSet(size_t expected)
        : slots_(std::bit_ceil(std::max<size_t>(16, expected * 2)), kEmpty),
          mask_(slots_.size() - 1) {}

    void Insert(const Place& place) {
        for (size_t i = Slot(place);; i = (i + 1) & mask_) {
            if (slots_[i] == place) return;
            if (slots_[i] == kEmpty) {
                slots_[i] = place;
                return;
            }
        }
    }
    bool Contains(const Place& place) const {
        for (size_t i = Slot(place);; i = (i + 1) & mask_) {
            if (slots_[i] == place) return true;
            if (slots_[i] == kEmpty) return false;
        }
    }

  private:
    static constexpr Place kEmpty{~uint32_t{0}, kNoCell};
    size_t Slot(const Place& p) const {
        const uint64_t h = (p.cell ^ (uint64_t{p.lattice} << 40)) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(h >> 32) & mask_;
    }
    std::vector<Place> slots_;
    size_t mask_;
};

// The lattices of the top-level blocks: each new frame is compared with the lattices seen
// so far, the last one used first (most constructions have one). Past a bound the search
// gives up and the frame starts a lattice of its own: its blocks are then only closed in
// by their own tree's, never wrongly.
class Lattices {
  public:
    // The lattice of a top-level block whose world transform is `frame`, and the move from
    // the block's frame into that lattice's.
    uint32_t Find(const math::Mat4& frame, LatticeMove* move) {
        constexpr size_t kSearched = 64;
        const size_t n = frames_.size();
        if (n > 0 && FramesAgree(frame, frames_[last_], move)) return last_;
        for (size_t i = n; i > 0 && n - i < kSearched; --i) {
            if (i - 1 != last_ && FramesAgree(frame, frames_[i - 1], move)) {
                last_ = static_cast<uint32_t>(i - 1);
                return last_;
            }
        }
        *move = LatticeMove{};
        frames_.push_back(frame);
        last_ = static_cast<uint32_t>(n);
        return last_;
    }

  private:
    std::vector<math::Mat4> frames_;
    uint32_t last_ = 0;
};

// One walk over every top-level tree, each in its own frame: the lattice place of every
// visible block (kNoCell off the lattice) and whether a drawn lattice block fills it.
struct LatticePlaces {
    std::vector<Place> places;
    std::vector<bool> fills;
};

LatticePlaces PlaceBlocks(const BlockList& topBlocks) {
    LatticePlaces out;
    Lattices lattices;
    const math::Mat4 identity;
    for (const BlockNode& top : topBlocks) {
        if (top.visible != 1 && !top.HasChildren()) continue;
        LatticeMove toLattice;
        const uint32_t lattice = lattices.Find(WorldTransform(top, identity), &toLattice);
        auto visit = [&](const BlockNode& block, const math::Mat4& relative) {
            LatticeMove own;
            CellKey key = kNoCell;
            if (AsLatticeMove(relative, &own)) {
                int64_t cell[3];
                toLattice.Apply(own.shift, cell);
                // Too far out to pack: treated as off the lattice.
                if (std::max({std::abs(cell[0]), std::abs(cell[1]), std::abs(cell[2])}) <
                    kCellBias - 2)
                    key = PackCell(cell[0], cell[1], cell[2]);
            }
            out.places.push_back({lattice, key});
            // A block of an unknown colour is not drawn, so it closes nothing.
            out.fills.push_back(key != kNoCell && IsColourIndex(block.colour));
        };
        // Children first, then the block itself, as WalkBlocks goes; places relative to the
        // top-level block, which is thus at the identity.
        WalkBlocks(top.children, identity,
                   [&](const BlockNode& b, const math::Mat4& world, const math::Mat4&) {
                       visit(b, world);
                   });
        if (top.visible == 1) visit(top, identity);
    }
    return out;
}

// Exact world transforms, for finding repeats: -0 and +0 are one value.
using TransformKey = std::array<uint32_t, 12>;

TransformKey KeyOf(const math::Mat4& world) {
    TransformKey key;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            const float v = world.m[r][c] + 0.0f;
            std::memcpy(&key[static_cast<size_t>(r * 3 + c)], &v, sizeof v);
        }
    return key;
}

// Blocks of a known colour whose world transform another such block has too: `later`
// flags all but the first of each group, `earlier` all but the last.
struct Repeats {
    std::vector<bool> later, earlier;
};

// Transforms as a construction far from the origin is drawn once brought next to it, so
// that a picture framing it draws the repeats these find; near the origin that is where
// it is. Blocks that only far out round to one place are then all drawn, over one another.
Repeats FindRepeats(const BlockList& topBlocks) {
    std::vector<TransformKey> keys;
    std::vector<uint32_t> owner;  // walk index of each key's block
    std::vector<bool> repeats;
    WalkBlocks(topBlocks, RootNearOrigin(topBlocks),
               [&](const BlockNode& block, const math::Mat4& world, const math::Mat4&) {
                   repeats.push_back(false);
                   if (!IsColourIndex(block.colour)) return;
                   keys.push_back(KeyOf(world));
                   owner.push_back(static_cast<uint32_t>(repeats.size() - 1));
               });
    Repeats out{repeats, repeats};
    // Each slot holds the latest key of its group so far.
    constexpr uint32_t kEmpty = ~uint32_t{0};
    std::vector<uint32_t> slots(std::bit_ceil(std::max<size_t>(16, keys.size() * 2)), kEmpty);
    const size_t mask = slots.size() - 1;
    for (uint32_t k = 0; k < keys.size(); ++k) {
        uint64_t h = 0;
        for (uint32_t v : keys[k]) h = (h ^ v) * 0x100000001B3ull;
        for (size_t i = (h ^ (h >> 29)) & mask;; i = (i + 1) & mask) {
            if (slots[i] == kEmpty) {
                slots[i] = k;
                break;
            }
            if (keys[slots[i]] == keys[k]) {
                out.later[owner[k]] = true;
                out.earlier[owner[slots[i]]] = true;
                slots[i] = k;
                break;
            }
        }
    }
    return out;
}

}  // namespace

std::vector<bool> FindEnclosedBlocks(const BlockList& topBlocks) {
    const LatticePlaces lp = PlaceBlocks(topBlocks);
    const std::vector<Place>& places = lp.places;

    PlaceSet filled(places.size());
    for (size_t i = 0; i < places.size(); ++i) {
        if (lp.fills[i]) filled.Insert(places[i]);
    }

    // Neighbour offsets as differences of packed keys: adding them never carries from one
    // coordinate into the next, because every coordinate keeps a margin from its limits.
    CellKey deltas[26];
    int n = 0;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dz = -1; dz <= 1; ++dz)
                if (dx || dy || dz) deltas[n++] = PackCell(dx, dy, dz) - PackCell(0, 0, 0);

    std::vector<bool> enclosed(places.size(), false);
    for (size_t i = 0; i < places.size(); ++i) {
        if (places[i].cell == kNoCell) continue;
        bool closed = true;
        for (CellKey d : deltas) {
            if (!filled.Contains({places[i].lattice, places[i].cell + d})) {
                closed = false;
                break;
            }
        }
        enclosed[i] = closed;
    }
    return enclosed;
}

HiddenBlocks FindHiddenBlocks(const BlockList& topBlocks) {
    const std::vector<bool> enclosed = FindEnclosedBlocks(topBlocks);
    const Repeats repeats = FindRepeats(topBlocks);
    HiddenBlocks out{enclosed, enclosed};
    for (size_t i = 0; i < enclosed.size(); ++i) {
        if (repeats.earlier[i]) out.fromDrawing[i] = true;
        if (repeats.later[i]) out.fromPicking[i] = true;
    }
    return out;
}

}  // namespace model
