#pragma once
// Mesh export of a construction for other programs: glTF 2.0 (binary and text), Wavefront
// OBJ with its MTL, binary STL, 3MF and PLY, written by the Open Asset Import Library.
//
// Every visible block becomes a copy of the block mesh (or the cube) at its world
// placement; the copies are merged into one mesh and one material per colour (self-lit
// blocks get a material of their own that also glows in their colour). Blocks that are
// enclosed on every side are left out unless asked for.
//
// Frames: the editor is left-handed with +Y up; every format here is right-handed, so Z
// is mirrored and the triangles turned round to keep facing outwards. glTF, OBJ and PLY
// keep the editor's units (a block is 2, read as metres by glTF viewers). STL and 3MF are
// for printing: millimetres (a block edge of `blockSizeMm`) with +Z up, as slicers expect.
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "math/geometry.h"
#include "model/construction.h"

namespace exporter {

enum class Format { Glb, Gltf, Obj, Stl, ThreeMf, Ply };

struct FormatInfo {
    Format format;
    std::string_view extension;  // with the dot, lower case
    std::string_view assimpId;   // the exporter that writes it
    std::string_view filter;     // save-dialog filter (Russian, Qt syntax)
};

inline constexpr std::array<FormatInfo, 6> kFormats = {{
    {Format::Glb, ".glb", "glb2", "glTF 2.0, двоичный (*.glb)"},
    {Format::Gltf, ".gltf", "gltf2", "glTF 2.0, текстовый (*.gltf)"},
    {Format::Obj, ".obj", "obj", "Wavefront OBJ с материалами (*.obj)"},
    {Format::Stl, ".stl", "stlb", "STL для 3D-печати (*.stl)"},
    {Format::ThreeMf, ".3mf", "3mf", "3MF для 3D-печати (*.3mf)"},
    {Format::Ply, ".ply", "ply", "PLY с цветами вершин (*.ply)"},
}};

const FormatInfo& Info(Format format);
// The format named by the file's extension (any letter case); none for anything else.
std::optional<Format> FormatFromPath(const std::filesystem::path& path);
// ".glb .gltf .obj .stl .3mf .ply"
std::string FormatList();

inline constexpr float kDefaultBlockSizeMm = 20.0f;

struct ExportOptions {
    int detailLevel = 1;                      // 1 high, 2 medium, 3 low (outside 1..3: the nearest)
    bool cubes = false;                       // plain cubes instead of block meshes
    bool keepHidden = false;                  // also blocks that no one can see
    float blockSizeMm = kDefaultBlockSizeMm;  // block edge in STL and 3MF
};

// The shape every block is exported as: the embedded block mesh of the detail level, or
// the cube of edge 2. Empty with a message when the embedded mesh cannot be read.
std::optional<math::MeshGeometry> LoadBlockShape(const ExportOptions& options, std::string* error);

struct [[nodiscard]] ExportResult {
    bool ok = false;
    std::string message;   // for the user, Russian, when !ok
    size_t blocks = 0;     // blocks written
    size_t triangles = 0;  // triangles written
    explicit operator bool() const { return ok; }
};

// Message when no block would be written.
inline constexpr const char* kNothingToExportMessage =
    "В конструкции нет видимых блоков: экспортировать нечего";

// Writes the construction to `path` in `format`. The files appear complete or not at all:
// they are written into a fresh folder beside the target and moved into place at the end
// (an OBJ's MTL and a text glTF's .bin before the main file).
ExportResult ExportConstruction(const model::CVelVorlaModel& model, const math::MeshGeometry& shape,
                                const std::filesystem::path& path, Format format,
                                const ExportOptions& options);

// LoadBlockShape + ExportConstruction.
ExportResult ExportConstruction(const model::CVelVorlaModel& model,
                                const std::filesystem::path& path, Format format,
                                const ExportOptions& options);

}  // namespace exporter
