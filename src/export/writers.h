#pragma once
// The writers of the formats, fed block by block (inside the export; mesh_export.h is
// the way in). Every writer streams: what it holds does not grow with the number of
// blocks or triangles. A failed write shows in the output file's Error().
#include <array>
#include <bit>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "export/export_shape.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "model/colours.h"
#include "model/output_files.h"

namespace exporter {

// The binary formats (STL, PLY, glb, zip) are little-endian: numbers are copied as they
// lie in memory.
static_assert(std::endian::native == std::endian::little);

// Materials: colour * 2 + 1 for self-lit blocks (which glow in their colour).
inline constexpr int kMaterialSlots = model::ColourCount * 2;
std::string MaterialName(int material);

struct ExportBlock {
    const math::Mat4& world;  // the editor's frame
    int colour = 0;           // 0..4
    bool selfLit = false;
    int Material() const { return colour * 2 + (selfLit ? 1 : 0); }
};

// Calls `visit` for every block to be written, in the same order every time; stops when
// `visit` returns false (and returns false itself).
using BlockVisitor = std::function<bool(const ExportBlock&)>;
using BlockWalk = std::function<bool(const BlockVisitor&)>;

struct WriteJob {
    BlockWalk walk;
    size_t blocks = 0;  // how many blocks the walk visits
    std::array<size_t, kMaterialSlots> perMaterial{};
    float blockSizeMm = 20;
    // How far the writing is, 0..1; called often, cheap to call.
    std::function<void(double)> progress;

    void Report(size_t done, size_t total) const {
        if (progress) progress(static_cast<double>(done) / static_cast<double>(total));
    }
};

// A format's own limit (32-bit counts, a 4 GB file) is in the way; the message says what
// to do instead.
struct TooLarge : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where a block's points go in a format's frame: images of the block's axes and origin.
// Every format is right-handed: display formats (glTF, OBJ, PLY) mirror Z and keep +Y up
// and the editor's units; print formats (STL, 3MF) are in millimetres with +Z up.
struct Placement {
    math::Vec3 x, y, z, t;
    math::Vec3 Point(const math::Vec3& p) const { return x * p.x + y * p.y + z * p.z + t; }
    math::Vec3 Direction(const math::Vec3& d) const {
        return math::Normalize(x * d.x + y * d.y + z * d.z);
    }
};
enum class Frame { Display, Print };
// `scale`: file units per editor unit (print formats: block edge in mm / 2).
Placement PlaceBlock(const math::Mat4& world, Frame frame, float scale);

bool WriteStl(model::OutputFile& out, const ExportShape& closed, const WriteJob& job);
bool WritePly(model::OutputFile& out, const ExportShape& vertices, const WriteJob& job);
bool WriteObj(model::OutputFile& obj, model::OutputFile& mtl, std::string_view mtlName,
              const ExportShape& shared, const WriteJob& job);
// Text glTF when `bin` is given (the buffer in that file, named `binUri`), else glb.
bool WriteGltf(model::OutputFile& out, model::OutputFile* bin, std::string_view binUri,
               const ExportShape& vertices, const WriteJob& job);
bool Write3mf(model::OutputFile& out, const ExportShape& closed, const WriteJob& job);

}  // namespace exporter
