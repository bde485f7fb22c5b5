#include "export/export_command.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/file_system.h"
#include "model/vvl_file.h"

using namespace model;

namespace exporter {

const std::string_view kExportHelp =
    "usage: vorla-tool export IN.vvl OUT.ext [--detail 1|2|3] [--cubes]\n"
    "                         [--keep-hidden | --hollow] [--block-size MM] [--progress]\n"
    "\n"
    "Writes the construction as a mesh for other programs; OUT's extension chooses the\n"
    "format:\n"
    "  .glb .gltf   glTF 2.0, binary or text (+ .bin); metres, +Y up, one node per block\n"
    "  .obj         Wavefront OBJ with its material library (.mtl)\n"
    "  .stl         binary STL for 3D printing; millimetres, +Z up\n"
    "  .3mf         3MF for 3D printing; millimetres, +Z up, colours as base materials\n"
    "  .ply         PLY (binary) with vertex colours\n"
    "One material per colour; self-lit blocks glow in their colour. In STL and 3MF every\n"
    "block is a closed surface. IN may be \"-\": the construction is read from standard\n"
    "input.\n"
    "Options:\n"
    "  --detail N       block mesh detail: 1 high (default), 2 medium, 3 low\n"
    "  --cubes          plain cubes instead of block meshes\n"
    "  --keep-hidden    glTF, OBJ, PLY: also blocks enclosed on every side (left out by\n"
    "                   default)\n"
    "  --hollow         STL, 3MF: without blocks enclosed on every side (kept by default,\n"
    "                   so that a solid construction prints solid)\n"
    "  --block-size MM  block edge in STL and 3MF, millimetres (default 20)\n"
    "  --progress       while writing, lines \"progress P\" (P from 0 to 1) on standard\n"
    "                   output, and \"failed REASON\" there too if the export fails\n"
    "Prints \"blocks N\" and \"triangles N\" when done. Existing files are replaced only\n"
    "once the new ones are complete.\n"
    "Exit status: 0 written, 1 unreadable input or failed export, 2 bad usage.\n";

std::vector<std::string> ExportArguments(const ExportOptions& options) {
    std::vector<std::string> args = {"--detail", std::to_string(options.detailLevel)};
    if (options.cubes) args.push_back("--cubes");
    if (options.keepHidden) args.push_back("--keep-hidden");
    if (options.hollow) args.push_back("--hollow");
    char size[32];
    const auto end = std::to_chars(size, size + sizeof size, options.blockSizeMm).ptr;
    args.insert(args.end(), {"--block-size", std::string(size, end)});
    return args;
}

namespace {

bool ParseNumber(const std::string& text, float* value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && p == end && std::isfinite(*value);
}

// The whole of standard input.
bool ReadStandardInput(std::vector<uint8_t>& bytes, int* err) {
    uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *err = errno;
            return false;
        }
        if (n == 0) return true;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

}  // namespace

std::optional<ExportRequest> ParseExportArguments(const std::vector<std::string>& args,
                                                  std::string* error) {
    ExportRequest request;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.size() < 2 || a[0] != '-') {
            files.push_back(a);
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "--help" || a == "-h") {
            request.help = true;
            return request;
        } else if (a == "--cubes") {
            request.options.cubes = true;
        } else if (a == "--keep-hidden") {
            request.options.keepHidden = true;
        } else if (a == "--hollow") {
            request.options.hollow = true;
        } else if (a == "--progress") {
            request.progress = true;
        } else if (a == "--detail") {
            const bool ok = i + 1 < args.size() &&
                            (args[i + 1] == "1" || args[i + 1] == "2" || args[i + 1] == "3");
            if (!ok) {
                *error = "--detail needs 1, 2 or 3";
                return std::nullopt;
            }
            request.options.detailLevel = args[++i][0] - '0';
        } else if (a == "--block-size") {
            float mm = 0;
            if (i + 1 >= args.size() || !ParseNumber(args[++i], &mm) || mm <= 0 ||
                mm > kMaxBlockSizeMm) {
                *error = "--block-size needs a size in millimetres above 0 and up to 10000";
                return std::nullopt;
            }
            request.options.blockSizeMm = mm;
        } else {
            *error = "unknown option '" + a + "'";
            return std::nullopt;
        }
    }
    if (request.options.keepHidden && request.options.hollow) {
        *error = "--keep-hidden and --hollow contradict each other";
        return std::nullopt;
    }
    if (files.size() != 2) {
        *error = "an input .vvl and an output file are needed";
        return std::nullopt;
    }
    request.input = files[0];
    request.output = files[1];
    const std::optional<Format> format = FormatFromPath(request.output);
    if (!format) {
        *error = "'" + request.output + "': unknown output format; formats: " + FormatList();
        return std::nullopt;
    }
    request.format = *format;
    return request;
}

int RunExportCommand(const std::vector<std::string>& args, const char* program) {
    std::string error;
    const std::optional<ExportRequest> request = ParseExportArguments(args, &error);
    if (!request) {
        std::fprintf(stderr, "%s: export: %s\n%.*s", program, error.c_str(),
                     static_cast<int>(kExportHelp.size()), kExportHelp.data());
        return 2;
    }
    if (request->help) {
        std::fwrite(kExportHelp.data(), 1, kExportHelp.size(), stdout);
        return 0;
    }
    auto fail = [&](const std::string& file, const std::string& message) {
        std::fprintf(stderr, "%s: %s: %s\n", program, file.c_str(), message.c_str());
        if (request->progress) {
            std::printf("failed %s\n", message.c_str());
            std::fflush(stdout);
        }
        return 1;
    };

    ConstructionDocument doc;
    FileResult read;
    if (request->input == "-") {
        std::vector<uint8_t> bytes;
        int err = 0;
        read =
            ReadStandardInput(bytes, &err)
                ? DecodeConstruction(bytes.data(), bytes.size(), doc)
                : FileResult::Failure("Не удалось прочитать конструкцию: " + SystemErrorText(err));
    } else {
        read = ReadConstructionFile(request->input, doc);
    }
    if (!read) return fail(request->input, read.message);

    // Progress a hundred times over at most, and not more often than ten times a second.
    int shown = -1;
    auto last = std::chrono::steady_clock::now();
    ExportProgress progress;
    if (request->progress)
        progress = [&](double fraction) {
            const int percent = static_cast<int>(fraction * 100);
            const auto now = std::chrono::steady_clock::now();
            if (percent == shown || now - last < std::chrono::milliseconds(100)) return;
            shown = percent;
            last = now;
            std::printf("progress %.2f\n", percent / 100.0);
            std::fflush(stdout);
        };
    const ExportResult r =
        ExportConstruction(doc.model, request->output, request->format, request->options, progress);
    if (!r) return fail(request->output, r.message);
    if (std::printf("blocks %zu\ntriangles %zu\n", r.blocks, r.triangles) < 0 ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write the output\n", program);
        return 1;
    }
    return 0;
}

}  // namespace exporter
