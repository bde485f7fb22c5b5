#include "app/render_command.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "app/picture.h"
#include "camera/camera.h"
#include "interaction/document.h"
#include "interaction/framing.h"
#include "model/construction.h"
#include "model/file_system.h"
#include "model/placement.h"
#include "platform/gfx/gl/headless_device.h"
#include "render/headless.h"
#include "render/screen_overlays.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace app {

namespace {

bool ParseSize(const std::string& text, int* value) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < 1 || v > kMaxRenderSize) return false;
    *value = v;
    return true;
}

bool ParseScale(const std::string& text, double* value) {
    double v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || !(v > 0) || v > kMaxRenderScale) return false;
    *value = v;
    return true;
}

// Six hexadecimal digits, with or without a leading '#'.
bool ParseColour(std::string text, uint32_t* value) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (text.size() != 6) return false;
    uint32_t v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v, 16);
    if (ec != std::errc() || p != end) return false;
    *value = v;
    return true;
}

// Picture size in device pixels for a view of `size` logical pixels.
int DeviceSize(int size, double scale) {
    return std::max(1, static_cast<int>(std::lround(size * scale)));
}

}  // namespace

std::optional<RenderRequest> ParseRenderArguments(const std::vector<std::string>& args,
                                                  std::string* error) {
    RenderRequest request;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--width" || a == "--height") {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return std::nullopt;
            }
            int* target = a == "--width" ? &request.width : &request.height;
            if (!ParseSize(args[++i], target)) {
                *error = a + " must be a whole number from 1 to " + std::to_string(kMaxRenderSize);
                return std::nullopt;
            }
        } else if (a == "--scale") {
            if (i + 1 >= args.size() || !ParseScale(args[i + 1], &request.scale)) {
                *error = "--scale needs a number above 0 and at most 8";
                return std::nullopt;
            }
            ++i;
        } else if (a == "--overlays") {
            request.overlays = true;
        } else if (a == "--fit") {
            request.fit = true;
        } else if (a == "--force") {
            request.force = true;
        } else if (a == "--background") {
            uint32_t colour = 0;
            if (i + 1 >= args.size() || !ParseColour(args[++i], &colour)) {
                *error = "--background needs a colour as six hexadecimal digits RRGGBB";
                return std::nullopt;
            }
            request.background = colour;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            *error = "unknown option " + a;
            return std::nullopt;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        *error = positional.size() < 2 ? "an output image and a .vvl file are needed"
                                       : "too many arguments";
        return std::nullopt;
    }
    if (DeviceSize(request.width, request.scale) > kMaxRenderSize ||
        DeviceSize(request.height, request.scale) > kMaxRenderSize) {
        *error = "the picture would be larger than " + std::to_string(kMaxRenderSize) +
                 " pixels; use a smaller size or scale";
        return std::nullopt;
    }
    request.output = positional[0];
    request.input = positional[1];
    return request;
}

int RunRender(const RenderRequest& request, std::ostream& err) {
    const std::filesystem::path input(request.input);
    std::error_code ec;
    if (const std::string why = NotAFileReason(input); !why.empty()) {
        err << "vorla: " << request.input << ": " << why << "\n";
        return kRenderExitBadFile;
    }
    if (!std::filesystem::exists(input, ec)) {
        err << "vorla: " << request.input << ": no such file\n";
        return kRenderExitBadFile;
    }
    // The output is looked at before any drawing: what cannot be replaced stays as it is.
    const WriteTargetInfo output = InspectWriteTarget(request.output);
    if (!output.refusal.empty()) {
        err << "vorla: cannot write " << request.output << ": " << output.refusal << "\n";
        return kRenderExitBadFile;
    }
    if (output.readOnly && !request.force) {
        err << "vorla: " << request.output << " is marked read-only (use --force to replace it)\n";
        return kRenderExitBadFile;
    }
    CVelVorlaSystem system;
    CVelCamera camera;
    system.ResetConstruction();
    if (FileResult r = LoadConstruction(system, camera, input); !r) {
        err << "vorla: " << request.input << ": " << r.message << "\n";
        return kRenderExitBadFile;
    }
    // The stored orientation and distances become the view, as after opening in the editor;
    // or the whole construction is framed (a construction without a visible block keeps
    // the file's camera).
    camera.Apply(nullptr);
    if (request.fit) {
        system.rootTransform = RootNearOrigin(system.model.topBlocks);
        FrameConstruction(system.model.topBlocks, camera,
                          static_cast<float>(request.width) / static_cast<float>(request.height),
                          0.06f, system.rootTransform);
    }
    // A stored detail level outside 1..3 draws as the editor shows it, clamped.
    system.detailLevel = std::clamp(system.detailLevel, 1, 3);
    if (request.background) system.backgroundColour = *request.background;
    // The overlays follow the user's display switches in the editor; here they are on or
    // off as asked.
    system.showHints = request.overlays ? 1 : 0;
    system.showButtons = request.overlays ? 1 : 0;

    const int pixelWidth = DeviceSize(request.width, request.scale);
    const int pixelHeight = DeviceSize(request.height, request.scale);
    std::string error;
    auto gl = gfx::gl::OpenHeadlessDevice(static_cast<uint32_t>(pixelWidth),
                                          static_cast<uint32_t>(pixelHeight), &error);
    if (!gl) {
        err << "vorla: " << error << "\n";
        return kRenderExitBadFile;
    }
    // The overlays as the editor's window draws them, in logical pixels scaled up.
    gfx::gl::SetOverlayScale(gl->device.get(), static_cast<float>(request.scale));
    render::ScreenOverlays overlays;
    render::HeadlessOptions options;
    options.overlays = request.overlays ? &overlays : nullptr;
    options.viewWidth = request.width;
    options.viewHeight = request.height;
    render::RenderedImage image;
    const gfx::HRESULT hr = render::RenderConstructionImage(*gl->device, system, camera, &image,
                                                            &error, nullptr, options);
    gl.reset();
    if (gfx::Failed(hr) || image.pixels.size() != size_t{image.width} * image.height) {
        err << "vorla: drawing failed: " << error << "\n";
        return kRenderExitBadFile;
    }

    QByteArray bytes;
    if (!EncodePicture(image, "PNG", false, &bytes)) {
        err << "vorla: the picture could not be encoded\n";
        return kRenderExitBadFile;
    }
    // Beside the target, flushed and renamed over it: a failed write leaves no half file.
    const FileResult written =
        WriteFileAtomically(request.output, reinterpret_cast<const uint8_t*>(bytes.constData()),
                            static_cast<size_t>(bytes.size()),
                            request.force ? ReadOnlyTarget::Replace : ReadOnlyTarget::Refuse);
    if (!written) {
        err << "vorla: could not write " << request.output << ": " << written.message << "\n";
        return kRenderExitBadFile;
    }
    return kRenderExitOk;
}

int RenderCommand(const std::vector<std::string>& args, std::ostream& err) {
    std::string error;
    std::optional<RenderRequest> request = ParseRenderArguments(args, &error);
    if (!request) {
        err << "vorla: " << error << "\n"
            << "usage: " << kRenderSynopsis << "\n";
        return kRenderExitUsage;
    }
    return RunRender(*request, err);
}

}  // namespace app
