#pragma once
// `vorla --render out.png [--width W] [--height H] [--overlays] [--scale S] [--fit]
// [--background RRGGBB] [--force] file.vvl`: one frame of a construction drawn offscreen
// (EGL, no display server) and written as a PNG. W x H is the view in logical pixels;
// --scale S draws it as a screen with S device pixels per logical pixel would show it (a
// picture of W*S x H*S). --fit frames the whole construction instead of using the file's
// camera (thumbnails); --background replaces the user's background colour; --force
// replaces an output file marked read-only. A folder, FIFO or device is never read as
// the construction nor replaced by the picture.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct RenderRequest {
    std::string output;
    std::string input;
    int width = 800;
    int height = 600;
    bool overlays = false;
    double scale = 1.0;
    bool fit = false;
    std::optional<uint32_t> background;  // 0xRRGGBB
    bool force = false;                  // replace an output marked read-only
};

inline constexpr int kRenderExitOk = 0;
inline constexpr int kRenderExitBadFile = 1;  // unreadable or invalid document, no device
inline constexpr int kRenderExitUsage = 2;

inline constexpr int kMaxRenderSize = 8192;  // of the picture, in device pixels
inline constexpr double kMaxRenderScale = 8.0;

// The command's synopsis, after "usage: " (also in `vorla --help`).
inline constexpr char kRenderSynopsis[] =
    "vorla --render out.png [--width W] [--height H] [--overlays] [--scale S]\n"
    "                              [--fit] [--background RRGGBB] [--force] file.vvl";

// Parses the arguments after "--render". Empty with a message in *error on bad usage.
std::optional<RenderRequest> ParseRenderArguments(const std::vector<std::string>& args,
                                                  std::string* error);

// Loads, draws and writes; messages go to `err`. Returns the process exit code.
int RunRender(const RenderRequest& request, std::ostream& err);

// The whole command: arguments after "--render" in, exit code out.
int RenderCommand(const std::vector<std::string>& args, std::ostream& err);

}  // namespace app
