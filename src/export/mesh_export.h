#pragma once
// Mesh export of a construction for other programs: glTF 2.0 (binary and text), Wavefront
// OBJ with its MTL, binary STL, 3MF and binary PLY, each written by our own streaming
// writer (memory does not grow with the number of triangles).
//
// Every visible block becomes a copy of the block mesh (or the cube) at its world
// placement, in the material of its colour (self-lit blocks get a material of their own
// that also glows in their colour; STL has no colours, PLY colours its vertices, 3MF has
// base materials). glTF keeps the shape once and places it with one node per block.
//
// Frames: the editor is left-handed with +Y up; every format here is right-handed, so one
// axis is mirrored and the triangles turned round to keep facing outwards. glTF, OBJ and
// PLY keep the editor's units (a block is 2, read as metres by glTF viewers) with +Y up.
// STL and 3MF are for printing: millimetres (a block edge of `blockSizeMm`) with +Z up,
// and every block a closed, consistently oriented surface.
//
// Files are written as safely as construction documents (model/output_files.h): the old
// files stay as they were unless every new one was written whole.
#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
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
    std::string_view filter;     // save-dialog filter (Russian, Qt syntax)
    bool print;                  // made for 3D printing (millimetres, solid by default)
};

inline constexpr std::array<FormatInfo, 6> kFormats = {{
    {Format::Glb, ".glb", "glTF 2.0, двоичный (*.glb)", false},
    {Format::Gltf, ".gltf", "glTF 2.0, текстовый (*.gltf)", false},
    {Format::Obj, ".obj", "Wavefront OBJ с материалами (*.obj)", false},
    {Format::Stl, ".stl", "STL для 3D-печати (*.stl)", true},
    {Format::ThreeMf, ".3mf", "3MF для 3D-печати (*.3mf)", true},
    {Format::Ply, ".ply", "PLY с цветами вершин (*.ply)", false},
}};

const FormatInfo& Info(Format format);
// The format named by the file's extension (any letter case); none for anything else.
std::optional<Format> FormatFromPath(const std::filesystem::path& path);
// ".glb .gltf .obj .stl .3mf .ply"
std::string FormatList();

inline constexpr float kDefaultBlockSizeMm = 20.0f;
inline constexpr float kMaxBlockSizeMm = 10000.0f;

struct ExportOptions {
    int detailLevel = 1;                      // 1 high, 2 medium, 3 low (outside 1..3: the nearest)
    bool cubes = false;                       // plain cubes instead of block meshes
    bool keepHidden = false;                  // display formats: also blocks no one can see
    bool hollow = false;                      // print formats: without blocks no one can see
    float blockSizeMm = kDefaultBlockSizeMm;  // block edge in STL and 3MF
};

// Whether the blocks closed in on every side are written: print formats keep them (a
// solid construction prints solid) unless hollow; display formats leave them out unless
// asked to keep them.
bool KeepsEnclosedBlocks(Format format, const ExportOptions& options);

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

// How far an export is, 0..1; called often from the exporting thread.
using ExportProgress = std::function<void(double)>;

// Writes the construction to `path` in `format`, with its companion beside it (an OBJ's
// .mtl, a text glTF's .bin, named after it). Complete files or none: the old files stay
// byte for byte as they were when anything fails, and no temporary is left behind.
ExportResult ExportConstruction(const model::CVelVorlaModel& model, const math::MeshGeometry& shape,
                                const std::filesystem::path& path, Format format,
                                const ExportOptions& options, const ExportProgress& progress = {});

// LoadBlockShape + ExportConstruction.
ExportResult ExportConstruction(const model::CVelVorlaModel& model,
                                const std::filesystem::path& path, Format format,
                                const ExportOptions& options, const ExportProgress& progress = {});

// Removes what exports that were killed or crashed left in `dir`: temporaries of export
// files that no writer holds any more (and the staging folders of earlier versions).
// Every export does this in its target's folder.
void RemoveStaleExportFiles(const std::filesystem::path& dir);

}  // namespace exporter
