#include "tools/export_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "export/mesh_export.h"
#include "interaction/document.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace tools {

const std::string_view kExportHelp =
    "usage: vorla-tool export IN.vvl OUT.ext [--detail 1|2|3] [--cubes] [--keep-hidden]\n"
    "                         [--block-size MM]\n"
    "\n"
    "Writes the construction as a mesh for other programs; OUT's extension chooses the\n"
    "format:\n"
    "  .glb .gltf   glTF 2.0, binary or text (+ .bin); metres, +Y up, one node per block\n"
    "  .obj         Wavefront OBJ with its material library (.mtl)\n"
    "  .stl         binary STL for 3D printing; millimetres, +Z up\n"
    "  .3mf         3MF for 3D printing; millimetres, +Z up\n"
    "  .ply         PLY (text) with vertex colours\n"
    "One mesh and one material per colour; self-lit blocks glow in their colour.\n"
    "Options:\n"
    "  --detail N       block mesh detail: 1 high (default), 2 medium, 3 low\n"
    "  --cubes          plain cubes instead of block meshes\n"
    "  --keep-hidden    also blocks enclosed on every side (left out by default)\n"
    "  --block-size MM  block edge in STL and 3MF, millimetres (default 20)\n"
    "Prints \"blocks N\" and \"triangles N\" when done. Existing files are replaced only\n"
    "once the new ones are complete.\n"
    "Exit status: 0 written, 1 unreadable input or failed export, 2 bad usage.\n";

namespace {

int Usage(const std::string& message) {
    std::fprintf(stderr, "vorla-tool: export: %s\n%.*s", message.c_str(),
                 static_cast<int>(kExportHelp.size()), kExportHelp.data());
    return 2;
}

bool ParseNumber(const std::string& text, float* value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && p == end && std::isfinite(*value);
}

}  // namespace

int RunExport(const std::vector<std::string>& args) {
    exporter::ExportOptions options;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.size() < 2 || a[0] != '-') {
            files.push_back(a);
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "--help" || a == "-h") {
            std::fwrite(kExportHelp.data(), 1, kExportHelp.size(), stdout);
            return 0;
        } else if (a == "--cubes") {
            options.cubes = true;
        } else if (a == "--keep-hidden") {
            options.keepHidden = true;
        } else if (a == "--detail") {
            if (i + 1 >= args.size()) return Usage("--detail needs 1, 2 or 3");
            const std::string& v = args[++i];
            if (v != "1" && v != "2" && v != "3") return Usage("--detail needs 1, 2 or 3");
            options.detailLevel = v[0] - '0';
        } else if (a == "--block-size") {
            float mm = 0;
            if (i + 1 >= args.size() || !ParseNumber(args[++i], &mm) || mm <= 0 || mm > 10000)
                return Usage("--block-size needs a size in millimetres above 0 and up to 10000");
            options.blockSizeMm = mm;
        } else {
            return Usage("unknown option '" + a + "'");
        }
    }
    if (files.size() != 2) return Usage("an input .vvl and an output file are needed");
    const std::string& in = files[0];
    const std::string& out = files[1];
    const std::optional<exporter::Format> format = exporter::FormatFromPath(out);
    if (!format)
        return Usage("'" + out + "': unknown output format; formats: " + exporter::FormatList());

    ConstructionDocument doc;
    if (FileResult r = ReadConstructionFile(in, doc); !r) {
        std::fprintf(stderr, "vorla-tool: %s: %s\n", in.c_str(), r.message.c_str());
        return 1;
    }
    const exporter::ExportResult r = exporter::ExportConstruction(doc.model, out, *format, options);
    if (!r) {
        std::fprintf(stderr, "vorla-tool: %s: %s\n", out.c_str(), r.message.c_str());
        return 1;
    }
    if (std::printf("blocks %zu\ntriangles %zu\n", r.blocks, r.triangles) < 0 ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "vorla-tool: cannot write the output\n");
        return 1;
    }
    return 0;
}

}  // namespace tools
