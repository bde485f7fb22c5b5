#pragma once
// vorla-tool export IN.vvl OUT.ext [--detail 1|2|3] [--cubes] [--keep-hidden]
//                                  [--block-size MM]
#include <string>
#include <string_view>
#include <vector>

namespace tools {

extern const std::string_view kExportHelp;

// Arguments after "export"; returns the exit status (0 written, 1 unreadable input or
// failed export, 2 bad usage). Messages go to stderr, the summary to stdout.
int RunExport(const std::vector<std::string>& args);

}  // namespace tools
