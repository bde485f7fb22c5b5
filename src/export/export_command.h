#pragma once
// The export command line: `vorla-tool export IN.vvl OUT.ext [options]`, also what the
// editor runs in a process of its own (export_process.h) with the construction on
// standard input and --progress.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/mesh_export.h"

namespace exporter {

extern const std::string_view kExportHelp;

// The options as arguments (what ParseExportArguments reads back).
std::vector<std::string> ExportArguments(const ExportOptions& options);

struct ExportRequest {
    std::string input;  // "-": standard input
    std::string output;
    Format format = Format::Glb;
    ExportOptions options;
    bool progress = false;  // progress lines on standard output
    bool help = false;
};
// Empty with the reason in `error` for a bad command line.
std::optional<ExportRequest> ParseExportArguments(const std::vector<std::string>& args,
                                                  std::string* error);

// Runs the command: `args` are the arguments after "export", `program` names the program
// in messages. Returns the exit status: 0 written, 1 unreadable input or failed export
// (the reason on stderr), 2 bad usage.
int RunExportCommand(const std::vector<std::string>& args, const char* program);

}  // namespace exporter
