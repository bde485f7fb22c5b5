#include "export/mesh_export.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "export/export_shape.h"
#include "export/writers.h"
#include "model/file_system.h"
#include "model/output_files.h"
#include "model/placement.h"
#include "model/visibility.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "platform/gfx/assets/resource_loader.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;
using math::Mat4;
using math::Vec3;

namespace exporter {

const FormatInfo& Info(Format format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return info;
    return kFormats[0];
}

std::optional<Format> FormatFromPath(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatInfo& info : kFormats)
        if (info.extension == ext) return info.format;
    return std::nullopt;
}

std::string FormatList() {
    std::string list;
    for (const FormatInfo& info : kFormats) {
        if (!list.empty()) list += ' ';
        list += info.extension;
    }
    return list;
}

bool KeepsEnclosedBlocks(Format format, const ExportOptions& options) {
    return Info(format).print ? !options.hollow : options.keepHidden;
}

std::optional<math::MeshGeometry> LoadBlockShape(const ExportOptions& options, std::string* error) {
    if (options.cubes) return gfx::assets::CreateBox(2, 2, 2);
    auto mesh =
        gfx::assets::LoadMeshFromResource(gfx::assets::BlockMeshResourceId(options.detailLevel));
    if (!mesh) {
        if (error) *error = "Не удалось прочитать встроенную модель блока: " + mesh.error();
        return std::nullopt;
    }
    return std::move(mesh).value();
}

std::string MaterialName(int material) {
    static constexpr std::array<const char*, ColourCount> kNames = {"red", "yellow", "green",
                                                                    "blue", "white"};
    std::string name = kNames[static_cast<size_t>(material / 2) % ColourCount];
    if (material % 2 != 0) name += "_selflit";
    return name;
}

Placement PlaceBlock(const Mat4& world, Frame frame, float scale) {
    // Display: (x, y, -z); print: (x, z, y) scaled. Both mirror one axis.
    auto convert = [&](float x, float y, float z) {
        return frame == Frame::Display ? Vec3{x, y, -z} * scale : Vec3{x, z, y} * scale;
    };
    const auto& m = world.m;
    return {convert(m[0][0], m[0][1], m[0][2]), convert(m[1][0], m[1][1], m[1][2]),
            convert(m[2][0], m[2][1], m[2][2]), convert(m[3][0], m[3][1], m[3][2])};
}

namespace {

constexpr std::array<std::string_view, 8> kExportExtensions = {".glb", ".gltf", ".bin", ".obj",
                                                               ".mtl", ".stl",  ".3mf", ".ply"};

bool IsExportFileName(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kExportExtensions.begin(), kExportExtensions.end(), ext) !=
           kExportExtensions.end();
}

// Earlier versions staged an export in a folder ".<name>.export-<pid>-<n>".
void RemoveOldStagingFolder(const fs::path& path) {
    const std::string name = path.filename().string();
    const size_t mark = name.rfind(".export-");
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos) return;
    const std::string rest = name.substr(mark + 8);
    const size_t dash = rest.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string::npos)
        return;
    pid_t pid = 0;
    const std::from_chars_result parsed = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (parsed.ec != std::errc() || pid <= 0 || !(::kill(pid, 0) != 0 && errno == ESRCH))
        return;  // its writer may live
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) fs::remove_all(path, ec);
}

ExportResult Failure(std::string message) {
    ExportResult r;
    r.message = std::move(message);
    return r;
}

ExportResult WriteFailure(const fs::path& path, int err) {
    return Failure("Не удалось записать " + path.string() + ": " +
                   SystemErrorText(err != 0 ? err : EIO));
}

// The blocks to write, in the walk's order: visible, of a known colour, and not enclosed
// when enclosed blocks are left out.
BlockWalk WalkOf(const CVelVorlaModel& model, const std::vector<bool>& enclosed) {
    return [&model, &enclosed](const BlockVisitor& visit) {
        size_t index = 0;  // position in the walk, which the enclosed flags follow
        return WalkBlocks(std::as_const(model.topBlocks), Mat4{},
                          [&](const BlockNode& block, const Mat4& world, const Mat4&) {
                              const size_t i = index++;
                              if (!IsColourIndex(block.colour)) return true;
                              if (i < enclosed.size() && enclosed[i]) return true;
                              return visit(ExportBlock{world, block.colour, block.selfLit != 0});
                          });
    };
}

// A companion file beside the target, named after it.
fs::path Companion(const fs::path& target, const char* extension) {
    fs::path p = target;
    p.replace_extension(extension);
    return p;
}

}  // namespace

void RemoveStaleExportFiles(const fs::path& dir) {
    RemoveStaleTemporaries(dir, IsExportFileName);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        RemoveOldStagingFolder(it->path());
}

ExportResult ExportConstruction(const CVelVorlaModel& model, const math::MeshGeometry& shape,
                                const fs::path& path, Format format, const ExportOptions& options,
                                const ExportProgress& progress) {
    try {
        std::vector<bool> enclosed;
        if (!KeepsEnclosedBlocks(format, options)) enclosed = FindEnclosedBlocks(model.topBlocks);
        WriteJob job;
        job.walk = WalkOf(model, enclosed);
        job.walk([&](const ExportBlock& block) {
            ++job.blocks;
            ++job.perMaterial[static_cast<size_t>(block.Material())];
            return true;
        });
        if (job.blocks == 0 || shape.FaceCount() == 0) return Failure(kNothingToExportMessage);
        job.blockSizeMm = std::clamp(options.blockSizeMm, 1e-3f, kMaxBlockSizeMm);
        job.progress = progress;

        // A FIFO, a device or a folder where the file should go is not replaced: the user
        // named something that is not a file.
        const WriteTargetInfo info = InspectWriteTarget(path);
        if (!info.refusal.empty())
            return Failure("Не удалось записать " + path.string() + ": " + info.refusal);
        const fs::path& target = info.target;
        RemoveStaleExportFiles(FolderOf(target));
        OutputFiles files;
        OutputFile* main = files.Add(target);
        OutputFile* companion = nullptr;
        if (format == Format::Obj) companion = files.Add(Companion(target, ".mtl"));
        if (format == Format::Gltf) companion = files.Add(Companion(target, ".bin"));
        if (!main || (!companion && (format == Format::Obj || format == Format::Gltf)))
            return WriteFailure(files.ErrorPath(), files.Error());

        size_t perBlock = 0;
        bool written = false;
        switch (format) {
            case Format::Stl: {
                const ExportShape closed = ClosedShape(shape);
                perBlock = closed.TriangleCount();
                written = WriteStl(*main, closed, job);
                break;
            }
            case Format::ThreeMf: {
                const ExportShape closed = ClosedShape(shape);
                perBlock = closed.TriangleCount();
                written = Write3mf(*main, closed, job);
                break;
            }
            case Format::Obj: {
                const ExportShape shared = SharedShape(shape);
                perBlock = shared.TriangleCount();
                written = WriteObj(*main, *companion, Companion(target, ".mtl").filename().string(),
                                   shared, job);
                break;
            }
            case Format::Ply:
            case Format::Glb:
            case Format::Gltf: {
                const ExportShape vertices = VertexShape(shape);
                perBlock = vertices.TriangleCount();
                written =
                    format == Format::Ply
                        ? WritePly(*main, vertices, job)
                        : WriteGltf(*main, companion, Companion(target, ".bin").filename().string(),
                                    vertices, job);
                break;
            }
        }
        if (!written) {
            if (companion && companion->Error() != 0)
                return WriteFailure(Companion(target, format == Format::Obj ? ".mtl" : ".bin"),
                                    companion->Error());
            return WriteFailure(path, main->Error());
        }
        if (!files.Commit()) return WriteFailure(files.ErrorPath(), files.Error());
        ExportResult result;
        result.ok = true;
        result.blocks = job.blocks;
        result.triangles = job.blocks * perBlock;
        return result;
    } catch (const TooLarge& e) {
        return Failure("Конструкция слишком велика для этого формата: " + std::string(e.what()));
    } catch (const std::bad_alloc&) {
        return Failure("Не хватает памяти для экспорта " + path.string());
    } catch (const std::exception& e) {
        return Failure("Не удалось записать " + path.string() + ": " + e.what());
    }
}

ExportResult ExportConstruction(const CVelVorlaModel& model, const fs::path& path, Format format,
                                const ExportOptions& options, const ExportProgress& progress) {
    std::string error;
    std::optional<math::MeshGeometry> shape = LoadBlockShape(options, &error);
    if (!shape) return Failure(error);
    return ExportConstruction(model, *shape, path, format, options, progress);
}

}  // namespace exporter
