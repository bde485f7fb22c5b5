#pragma once
// `vorla --render out.png [--width W] [--height H] [--overlays] file.vvl`: one frame of a
// construction drawn offscreen (EGL, no display server) and written as a PNG.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace app::shell {

struct RenderRequest {
    std::string output;
    std::string input;
    int width = 800;
    int height = 600;
    bool overlays = false;
};

inline constexpr int kRenderExitOk = 0;
inline constexpr int kRenderExitBadFile = 1;  // unreadable or invalid document, no device
inline constexpr int kRenderExitUsage = 2;

inline constexpr int kMaxRenderSize = 8192;

// Parses the arguments after "--render". Empty with a message in *error on bad usage.
std::optional<RenderRequest> ParseRenderArguments(const std::vector<std::string>& args,
                                                  std::string* error);

// Loads, draws and writes; messages go to `err`. Returns the process exit code.
int RunRender(const RenderRequest& request, std::ostream& err);

// The whole command: arguments after "--render" in, exit code out.
int RenderCommand(const std::vector<std::string>& args, std::ostream& err);

}  // namespace app::shell
