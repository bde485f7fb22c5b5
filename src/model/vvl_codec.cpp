#include "model/vvl_codec.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/file_system.h"
#include "model/placement.h"

using namespace input;

namespace model {

using math::Mat4;
using math::Vec3;

namespace {

constexpr char kSignature[3] = {'V', 'V', 'L'};
constexpr size_t kIoBufferSize = 1 << 16;

const char* const kTruncatedMessage = "Файл повреждён: он обрывается до конца конструкции";

// ---------------------------------------------------------------- writing

void StoreInt(uint8_t* d, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    d[0] = static_cast<uint8_t>(u);
    d[1] = static_cast<uint8_t>(u >> 8);
    d[2] = static_cast<uint8_t>(u >> 16);
    d[3] = static_cast<uint8_t>(u >> 24);
}

// What both writers below write, in terms of their Int().
template <class Derived>
class ValueWriter {
  public:
    void Float(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        Self().Int(static_cast<int32_t>(u));
    }
    void Vector(const Vec3& v) {
        Float(v.x);
        Float(v.y);
        Float(v.z);
    }
    void Matrix(const Mat4& m) {
        for (const auto& row : m.m)
            for (float f : row) Float(f);
    }
    void Put(int32_t v) { Self().Int(v); }
    void Put(float f) { Float(f); }
    void Put(const Vec3& v) { Vector(v); }
    void Put(const Mat4& m) { Matrix(m); }

  private:
    Derived& Self() { return static_cast<Derived&>(*this); }
};

// Little-endian 32-bit values into a fixed buffer that is handed to `sink` when full.
class Writer : public ValueWriter<Writer> {
  public:
    explicit Writer(const VvlByteSink& sink) : sink_(sink) { buffer_.resize(kIoBufferSize); }

    void Bytes(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        while (n > 0) {
            if (used_ == buffer_.size() && !Flush()) return;
            const size_t chunk = std::min(n, buffer_.size() - used_);
            std::memcpy(buffer_.data() + used_, p, chunk);
            used_ += chunk;
            p += chunk;
            n -= chunk;
        }
    }
    void Int(int32_t v) {
        if (buffer_.size() - used_ < 4 && !Flush()) return;
        StoreInt(buffer_.data() + used_, v);
        used_ += 4;
    }
    // False once the sink refused a write; nothing is written after that.
    bool Flush() {
        if (failed_) return false;
        if (used_ > 0 && !sink_(buffer_.data(), used_)) failed_ = true;
        used_ = 0;
        return !failed_;
    }
    bool Failed() const { return failed_; }

  private:
    const VvlByteSink& sink_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
};

template <class W>
void WriteCamera(W& w, const model::CameraRecord& c) {
    model::ForEachStoredField([&w](const auto& value) { w.Put(value); }, c);
}

int32_t ListCount(const BlockList& list) {
    const size_t n = list.Count();
    return n > static_cast<size_t>(std::numeric_limits<int32_t>::max())
               ? std::numeric_limits<int32_t>::max()
               : static_cast<int32_t>(n);
}

// A block entry without its child count, in file order.
template <class W>
void WriteBlockFields(W& w, const BlockNode& b) {
    w.Int(b.selfLit);
    w.Int(b.visible);
    w.Float(b.angle);
    w.Int(b.colour);
    w.Vector(b.axis);
    w.Vector(b.offset);
}

// Pre-order, each block followed at once by its child list; iterative.
void WriteTree(Writer& w, const BlockList& topBlocks) {
    w.Int(ListCount(topBlocks));
    std::deque<const BlockNode*> resume;  // next sibling to continue with, per level
    const BlockNode* cursor = topBlocks.Front();
    for (;;) {
        while (cursor) {
            WriteBlockFields(w, *cursor);
            w.Int(ListCount(cursor->children));
            if (cursor->HasChildren()) {
                resume.push_back(cursor->next);
                cursor = cursor->children.Front();
            } else {
                cursor = cursor->next;
            }
        }
        if (resume.empty()) return;
        cursor = resume.back();
        resume.pop_back();
    }
}

// Little-endian 32-bit values straight into a byte vector. A count can be left open and
// filled in once its list has been written, so that every block is visited once: the
// streaming writer above must walk each child list twice, to count it and to write it,
// and in a large construction every visit is a trip to main memory.
class MemoryWriter : public ValueWriter<MemoryWriter> {
  public:
    MemoryWriter(std::vector<uint8_t>& out, size_t expectedSize) : out_(out) {
        out_.resize(expectedSize);
    }
    ~MemoryWriter() { out_.resize(used_); }

    void Bytes(const void* data, size_t n) {
        Room(n);
        std::memcpy(out_.data() + used_, data, n);
        used_ += n;
    }
    void Int(int32_t v) {
        Room(4);
        StoreInt(out_.data() + used_, v);
        used_ += 4;
    }
    // A count to be filled in later: its position.
    size_t OpenCount() {
        const size_t at = used_;
        Int(0);
        return at;
    }
    void CloseCount(size_t at, int64_t count) {
        const size_t end = std::exchange(used_, at);
        Int(static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max())));
        used_ = end;
    }

  private:
    // Grows only when the counters understated the blocks.
    void Room(size_t n) {
        if (out_.size() - used_ < n) out_.resize(std::max(out_.size() * 2, used_ + n));
    }

    std::vector<uint8_t>& out_;
    size_t used_ = 0;
};

void WriteTree(MemoryWriter& w, const BlockList& topBlocks) {
    struct Level {
        const BlockNode* resume;  // next sibling of the block whose children these are
        size_t countAt;
        int64_t count;
    };
    std::vector<Level> levels{{nullptr, w.OpenCount(), 0}};
    const BlockNode* cursor = topBlocks.Front();
    for (;;) {
        while (cursor) {
            // After an editing session blocks lie anywhere in memory: ask for both ways
            // on (first child, next sibling) at once, so that their misses overlap.
            __builtin_prefetch(cursor->next);
            __builtin_prefetch(cursor->children.Front());
            ++levels.back().count;
            WriteBlockFields(w, *cursor);
            if (cursor->HasChildren()) {
                levels.push_back({cursor->next, w.OpenCount(), 0});
                cursor = cursor->children.Front();
            } else {
                w.Int(0);
                cursor = cursor->next;
            }
        }
        const Level done = levels.back();
        levels.pop_back();
        w.CloseCount(done.countAt, done.count);
        if (levels.empty()) return;
        cursor = done.resume;
    }
}

template <class W>
void WriteDocument(W& w, const model::CameraRecord& camera, const ConstructionSettings& s,
                   const CVelVorlaModel& model) {
    w.Bytes(kSignature, sizeof kSignature);
    WriteCamera(w, camera);
    w.Int(s.randomColour);
    w.Int(s.currentColour);
    w.Int(s.detailLevel);
    w.Int(s.showAsCubes);
    w.Int(s.showGrid);
    w.Int(s.showAxes);
    w.Int(model.gridSize);
    w.Int(model.gridShell);
    WriteTree(w, model.topBlocks);
}

// ---------------------------------------------------------------- reading

// Bytes from memory or from a byte source through a fixed buffer. `Remaining()` is what
// the source claims is left (its size minus what was consumed); it bounds how many
// blocks the rest of the input could hold.
class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : cur_(data), end_(data + size), remaining_(size) {}
    explicit Reader(VvlByteSource& source) : source_(&source), remaining_(source.Size()) {
        buffer_.resize(kIoBufferSize);
    }

    uint64_t Remaining() const { return remaining_; }
    int Error() const { return error_; }

    // Pointer to the next n contiguous bytes (n <= kMaxTake), or null at the end.
    static constexpr size_t kMaxTake = 64;
    const uint8_t* Take(size_t n) {
        if (static_cast<size_t>(end_ - cur_) >= n) {
            const uint8_t* p = cur_;
            cur_ += n;
            Consumed(n);
            return p;
        }
        size_t got = 0;
        while (got < n) {
            if (cur_ == end_ && !Refill()) return nullptr;
            const size_t chunk = std::min(n - got, static_cast<size_t>(end_ - cur_));
            std::memcpy(scratch_ + got, cur_, chunk);
            cur_ += chunk;
            got += chunk;
        }
        Consumed(n);
        return scratch_;
    }

  private:
    void Consumed(size_t n) { remaining_ = remaining_ >= n ? remaining_ - n : 0; }
    bool Refill() {
        if (!source_ || error_) return false;
        const int64_t r = source_->Read(buffer_.data(), buffer_.size());
        if (r < 0) error_ = static_cast<int>(-r);
        if (r <= 0) return false;
        cur_ = buffer_.data();
        end_ = cur_ + r;
        return true;
    }

    VvlByteSource* source_ = nullptr;
    int error_ = 0;
    std::vector<uint8_t> buffer_;
    const uint8_t* cur_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t remaining_ = 0;
    uint8_t scratch_[kMaxTake] = {};
};

int32_t GetInt(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}
float GetFloat(const uint8_t* p) {
    const auto u = static_cast<uint32_t>(GetInt(p));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Sequential decoding of one chunk of values.
class Fields {
  public:
    explicit Fields(const uint8_t* p) : p_(p) {}
    int32_t Int() {
        const int32_t v = GetInt(p_);
        p_ += 4;
        return v;
    }
    float Float() {
        const float f = GetFloat(p_);
        p_ += 4;
        finite_ = finite_ && std::isfinite(f);
        return f;
    }
    Vec3 Vector() {
        const float x = Float(), y = Float(), z = Float();
        return {x, y, z};
    }
    Mat4 Matrix() {
        Mat4 m;
        for (auto& row : m.m)
            for (float& f : row) f = Float();
        return m;
    }
    bool AllFinite() const { return finite_; }

  private:
    const uint8_t* p_;
    bool finite_ = true;
};

FileResult Truncated(const Reader& r) {
    if (r.Error())
        return FileResult::Failure("Не удалось прочитать файл: " + SystemErrorText(r.Error()));
    return FileResult::Failure(kTruncatedMessage);
}

// The stored values are packed little-endian floats and integers.
static_assert(sizeof(Mat4) == 64 && sizeof(Vec3) == 12 && sizeof(float) == 4);

FileResult ReadCamera(Reader& r, model::CameraRecord& c) {
    bool whole = true, finite = true;
    model::ForEachStoredField(
        [&](auto& value) {
            using T = std::decay_t<decltype(value)>;
            const uint8_t* p = whole ? r.Take(sizeof(T)) : nullptr;
            if (!p) {
                whole = false;
                return;
            }
            Fields f(p);
            if constexpr (std::is_same_v<T, Mat4>) {
                value = f.Matrix();
            } else if constexpr (std::is_same_v<T, Vec3>) {
                value = f.Vector();
            } else if constexpr (std::is_same_v<T, float>) {
                value = f.Float();
            } else {
                static_assert(std::is_same_v<T, int32_t>);
                value = f.Int();
            }
            finite = finite && f.AllFinite();
        },
        c);
    if (!whole) return Truncated(r);
    if (!finite) return FileResult::Failure("Файл повреждён: в записи камеры недопустимое число");
    return FileResult::Success();
}

FileResult TooManyBlocks(int64_t count) {
    return FileResult::Failure("Файл повреждён: объявлено блоков: " + std::to_string(count) +
                               ", но файл обрывается раньше");
}

// Pre-order tree, each block's child list right after it; iterative, so the depth of
// nesting is limited only by the size of the file.
FileResult ReadTree(Reader& r, CVelVorlaModel& model) {
    struct Frame {
        BlockNode* owner;  // null: the top-level list
        int32_t remaining;
    };
    // A deque grows in fixed chunks: a chain a million deep never reallocates and copies
    // one huge stack.
    std::deque<Frame> stack;
    uint64_t pending = 0;  // blocks announced but not read yet

    auto announce = [&](BlockNode* owner, int32_t count) -> bool {
        if (count <= 0) return true;
        const uint64_t needed = (pending + static_cast<uint64_t>(count)) * kVvlBlockEntrySize;
        if (needed > r.Remaining()) return false;
        pending += static_cast<uint64_t>(count);
        stack.push_back({owner, count});
        return true;
    };

    const uint8_t* p = r.Take(4);
    if (!p) return Truncated(r);
    const int32_t topCount = GetInt(p);
    if (!announce(nullptr, topCount)) return TooManyBlocks(topCount);

    int64_t total = 0;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.remaining == 0) {
            stack.pop_back();
            continue;
        }
        --frame.remaining;
        --pending;
        BlockNode* owner = frame.owner;

        p = r.Take(kVvlBlockEntrySize);
        if (!p) return Truncated(r);
        Fields f(p);
        auto block = std::make_unique<BlockNode>();
        block->selfLit = f.Int();
        block->visible = f.Int();
        block->angle = f.Float();
        block->colour = f.Int();
        block->axis = f.Vector();
        block->offset = f.Vector();
        const int32_t childCount = f.Int();
        if (!IsColourIndex(block->colour)) {
            return FileResult::Failure("Файл повреждён: у блока недопустимый цвет " +
                                       std::to_string(block->colour) + " (допустимы 0..4)");
        }
        if (!f.AllFinite())
            return FileResult::Failure("Файл повреждён: в записи блока недопустимое число");
        if (++total > std::numeric_limits<int32_t>::max())
            return FileResult::Failure("Файл слишком велик: больше 2147483647 блоков");

        const int colour = block->colour;
        BlockNode& placed = owner ? owner->AppendChild(std::move(block))
                                  : model.topBlocks.PushBack(std::move(block));
        model.CountAdded(colour);
        if (!announce(&placed, childCount)) return TooManyBlocks(childCount);
    }
    return FileResult::Success();
}

// Offsets that are each finite can still add up past the largest float: such blocks have
// no place to be drawn, picked or framed at.
FileResult CheckPlacesFinite(const CVelVorlaModel& model) {
    const bool finite =
        WalkBlocks(model.topBlocks, math::Mat4{},
                   [](const BlockNode&, const math::Mat4& world, const math::Mat4&) {
                       for (const auto& row : world.m)
                           for (float v : row)
                               if (!std::isfinite(v)) return false;
                       return true;
                   });
    if (finite) return FileResult::Success();
    return FileResult::Failure(kPlaceNotFiniteMessage);
}

FileResult Decode(Reader& r, ConstructionDocument& out) {
    out.model.Clear();
    out.trailingBytes = 0;
    const uint8_t* p = r.Take(kVvlSignatureSize);
    if (!p) {
        // Too short even for a signature.
        if (r.Error()) return Truncated(r);
        return FileResult::Failure(kWrongFormatMessage);
    }
    if (std::memcmp(p, kSignature, sizeof kSignature) != 0)
        return FileResult::Failure(kWrongFormatMessage);

    if (FileResult res = ReadCamera(r, out.camera); !res) return res;

    p = r.Take(32);  // six settings and the model header
    if (!p) return Truncated(r);
    Fields s(p);
    out.settings.randomColour = s.Int();
    out.settings.currentColour = s.Int();
    out.settings.detailLevel = s.Int();
    out.settings.showAsCubes = s.Int();
    out.settings.showGrid = s.Int();
    out.settings.showAxes = s.Int();
    out.model.gridSize = s.Int();
    out.model.gridShell = s.Int();
    if (!IsColourIndex(out.settings.currentColour)) {
        return FileResult::Failure("Файл повреждён: недопустимый текущий цвет " +
                                   std::to_string(out.settings.currentColour) +
                                   " (допустимы 0..4)");
    }

    FileResult res = ReadTree(r, out.model);
    if (res) res = CheckPlacesFinite(out.model);
    if (!res) {
        out.model.Clear();
        return res;
    }
    // Counted from the declared size, not read: a file that keeps growing cannot hold
    // the load up.
    out.trailingBytes = r.Remaining();
    return FileResult::Success();
}

}  // namespace

// ---------------------------------------------------------------- settings

ConstructionSettings CaptureSettings(const CVelVorlaSystem& system) {
    ConstructionSettings s;
    s.randomColour = system.randomColour;
    s.currentColour = system.currentColour;
    s.detailLevel = system.detailLevel;
    s.showAsCubes = system.showAsCubes;
    s.showGrid = system.showGrid;
    s.showAxes = system.showAxes;
    return s;
}

void ApplySettings(CVelVorlaSystem& system, const ConstructionSettings& s) {
    system.randomColour = s.randomColour;
    system.currentColour = s.currentColour;
    system.detailLevel = s.detailLevel;
    system.showAsCubes = s.showAsCubes;
    system.showGrid = s.showGrid;
    system.showAxes = s.showAxes;
}

// ---------------------------------------------------------------- bytes

std::vector<uint8_t> EncodeConstruction(const model::CameraRecord& camera,
                                        const ConstructionSettings& settings,
                                        const CVelVorlaModel& model) {
    std::vector<uint8_t> bytes;
    EncodeConstruction(camera, settings, model, bytes);
    return bytes;
}

void EncodeConstruction(const model::CameraRecord& camera, const ConstructionSettings& settings,
                        const CVelVorlaModel& model, std::vector<uint8_t>& out) {
    out.clear();
    // The exact size when the counters are right: no growth, no copying.
    MemoryWriter w(
        out, kVvlHeaderSize + kVvlBlockEntrySize * static_cast<size_t>(std::max(0, model.Total())));
    WriteDocument(w, camera, settings, model);
}

bool EncodeConstruction(const model::CameraRecord& camera, const ConstructionSettings& settings,
                        const CVelVorlaModel& model, const VvlByteSink& sink) {
    Writer w(sink);
    WriteDocument(w, camera, settings, model);
    return w.Flush();
}

FileResult DecodeConstruction(const uint8_t* data, size_t size, ConstructionDocument& out) {
    Reader r(data, size);
    return Decode(r, out);
}

FileResult DecodeConstruction(VvlByteSource& source, ConstructionDocument& out) {
    Reader r(source);
    return Decode(r, out);
}

}  // namespace model
