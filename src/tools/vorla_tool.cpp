// vorla-tool: inspect, list, create and validate construction documents (*.vvl) from
// the command line. Exit status: 0 success, 1 unreadable or invalid file, 2 bad usage.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "export/export_command.h"
#include "interaction/document.h"
#include "model/block_listing.h"
#include "model/construction.h"
#include "model/file_system.h"
#include "model/placement.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadFile = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: vorla-tool COMMAND [--help] FILE\n"
    "\n"
    "Commands:\n"
    "  info FILE     block counts per colour, total, tree depth, bounding box\n"
    "  blocks FILE   one line per visible block: colour index and world centre\n"
    "  new FILE      write a new construction (one green block)\n"
    "  check FILE    validate a construction file\n"
    "  export IN.vvl OUT.ext [--detail 1|2|3] [--cubes] [--keep-hidden | --hollow]\n"
    "                [--block-size MM] [--progress]\n"
    "                mesh for other programs: .glb .gltf .obj .stl .3mf .ply\n"
    "\n"
    "vorla-tool COMMAND --help describes a command. Exit status: 0 success,\n"
    "1 unreadable or invalid file (reason on stderr), 2 bad usage.\n";

constexpr std::string_view kInfoHelp =
    "usage: vorla-tool info FILE\n"
    "\n"
    "Prints a summary of a construction, one \"name value\" line each, in this order:\n"
    "  blocks N        number of blocks (placeholders included)\n"
    "  red N           blocks of colour 0\n"
    "  yellow N        blocks of colour 1\n"
    "  green N         blocks of colour 2\n"
    "  blue N          blocks of colour 3\n"
    "  white N         blocks of colour 4\n"
    "  visible N       blocks that are drawn (placeholders excluded)\n"
    "  depth N         levels of nesting: 0 empty, 1 top-level blocks only\n"
    "  min X Y Z       smallest coordinates of the visible block centres\n"
    "  max X Y Z       largest coordinates of the visible block centres\n"
    "Coordinates are world units with 6 decimals; min and max read \"none\" when no\n"
    "block is visible.\n"
    "Exit status: 0 success, 1 unreadable or invalid file, 2 bad usage.\n";

constexpr std::string_view kBlocksHelp =
    "usage: vorla-tool blocks FILE\n"
    "\n"
    "Prints one line per visible block, in the order the editor walks the tree\n"
    "(children before their parent, siblings in list order):\n"
    "  COLOUR X Y Z\n"
    "COLOUR is the colour index 0..4 (red, yellow, green, blue, white); X Y Z is the\n"
    "block's centre in world units with 6 decimals, separated by single spaces.\n"
    "Exit status: 0 success, 1 unreadable or invalid file, 2 bad usage.\n";

constexpr std::string_view kNewHelp =
    "usage: vorla-tool new [--force] FILE\n"
    "\n"
    "Writes a new construction: one green block at the origin, the camera at its\n"
    "starting view. An existing FILE (also one marked read-only) is only replaced\n"
    "with --force; a folder, FIFO or device is never replaced. Through a symbolic\n"
    "link the file the link names is written.\n"
    "Exit status: 0 success, 1 the file exists or cannot be written, 2 bad usage.\n";

constexpr std::string_view kCheckHelp =
    "usage: vorla-tool check FILE\n"
    "\n"
    "Validates a construction file: signature, complete camera, settings and block\n"
    "tree, colour indices 0..4, finite numbers, counts that fit the file. Prints \"ok\"\n"
    "and exits 0 when valid; exits 1 with the reason on stderr otherwise.\n"
    "Bytes after a complete tree are ignored, as the editor ignores them.\n"
    "Exit status: 0 valid, 1 invalid or unreadable, 2 bad usage.\n";

// Buffered standard output; remembers a failed write.
class Output {
  public:
    ~Output() { Flush(); }
    void Put(std::string_view s) {
        if (buffer_.size() + s.size() > kLimit) Flush();
        buffer_.append(s);
    }
    bool Flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size())
            failed_ = true;
        buffer_.clear();
        if (std::fflush(stdout) != 0) failed_ = true;
        return !failed_;
    }

  private:
    static constexpr size_t kLimit = 1 << 16;
    std::string buffer_;
    bool failed_ = false;
};

void PutVector(Output& out, const math::Vec3& v) {
    std::string text;
    AppendCoordinates(text, v);
    out.Put(text);
}

int Fail(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "vorla-tool: %s: %s\n", file.c_str(), message.c_str());
    return kExitBadFile;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vorla-tool: %s\n%.*s", message.c_str(), static_cast<int>(kUsage.size()),
                 kUsage.data());
    return kExitUsage;
}

int OutputFailure() {
    std::fprintf(stderr, "vorla-tool: cannot write the output\n");
    return kExitBadFile;
}

int RunInfo(const std::string& file) {
    ConstructionDocument doc;
    if (FileResult res = ReadConstructionFile(file, doc); !res) return Fail(file, res.message);
    const CVelVorlaModel& model = doc.model;
    const CentreSummary centres = GatherCentres(model.topBlocks);

    Output out;
    static constexpr const char* kNames[ColourCount] = {"red", "yellow", "green", "blue", "white"};
    out.Put("blocks " + std::to_string(model.colourCounts[5]) + "\n");
    for (int c = 0; c < ColourCount; ++c)
        out.Put(std::string(kNames[c]) + " " + std::to_string(model.colourCounts[c]) + "\n");
    out.Put("visible " + std::to_string(centres.count) + "\n");
    out.Put("depth " + std::to_string(TreeDepth(model.topBlocks)) + "\n");
    if (centres.count == 0) {
        out.Put("min none\nmax none\n");
    } else {
        out.Put("min ");
        PutVector(out, centres.min);
        out.Put("\nmax ");
        PutVector(out, centres.max);
        out.Put("\n");
    }
    return out.Flush() ? kExitOk : OutputFailure();
}

int RunBlocks(const std::string& file) {
    ConstructionDocument doc;
    if (FileResult res = ReadConstructionFile(file, doc); !res) return Fail(file, res.message);
    Output out;
    WriteBlockListing(doc.model.topBlocks, [&out](std::string_view line) { out.Put(line); });
    return out.Flush() ? kExitOk : OutputFailure();
}

int RunNew(const std::string& file, bool force) {
    // What the write would replace: through a link to nothing, nothing yet. What is not a
    // file at all, the write refuses with its reason.
    const WriteTargetInfo target = InspectWriteTarget(file);
    if (!force && target.exists && target.refusal.empty())
        return Fail(file, "the file exists (use --force to replace it)");
    CVelVorlaSystem system;
    CVelCamera camera;
    camera.ResetForNewConstruction(nullptr);
    camera.Apply(nullptr);  // the starting view: eye and look-at as the first frame sets them
    const ReadOnlyTarget readOnly = force ? ReadOnlyTarget::Replace : ReadOnlyTarget::Refuse;
    if (FileResult res = interaction::SaveConstruction(system, camera, file, readOnly); !res)
        return Fail(file, res.message);
    return kExitOk;
}

int RunCheck(const std::string& file) {
    ConstructionDocument doc;
    if (FileResult res = ReadConstructionFile(file, doc); !res) return Fail(file, res.message);
    Output out;
    out.Put("ok\n");
    return out.Flush() ? kExitOk : OutputFailure();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitOk;
    }

    if (command == "export")
        return exporter::RunExportCommand({args.begin() + 1, args.end()}, "vorla-tool");

    std::string_view help;
    if (command == "info") {
        help = kInfoHelp;
    } else if (command == "blocks") {
        help = kBlocksHelp;
    } else if (command == "new") {
        help = kNewHelp;
    } else if (command == "check") {
        help = kCheckHelp;
    } else {
        return UsageError("unknown command '" + command + "'");
    }

    bool force = false;
    bool optionsDone = false;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && (a == "--help" || a == "-h")) {
            std::fwrite(help.data(), 1, help.size(), stdout);
            return kExitOk;
        }
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && command == "new" && a == "--force") {
            force = true;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            return UsageError("unknown option '" + a + "' for " + command);
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) {
        return UsageError(files.empty() ? command + ": no FILE given"
                                        : command + ": exactly one FILE expected");
    }

    const std::string& file = files[0];
    if (command == "info") return RunInfo(file);
    if (command == "blocks") return RunBlocks(file);
    if (command == "new") return RunNew(file, force);
    return RunCheck(file);
}
