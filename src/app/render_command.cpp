#include "app/render_command.h"

#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <charconv>
#include <filesystem>
#include <ostream>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "platform/gfx/gl/headless_device.h"
#include "render/headless.h"

namespace app::shell {

namespace {

constexpr char kUsage[] =
    "usage: vorla --render out.png [--width W] [--height H] [--overlays] file.vvl";

bool ParseSize(const std::string& text, int* value) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < 1 || v > kMaxRenderSize) return false;
    *value = v;
    return true;
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
        } else if (a == "--overlays") {
            request.overlays = true;
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
    request.output = positional[0];
    request.input = positional[1];
    return request;
}

int RunRender(const RenderRequest& request, std::ostream& err) {
    const std::filesystem::path input(request.input);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(input, ec)) {
        err << "vorla: " << request.input << ": no such file\n";
        return kRenderExitBadFile;
    }
    CVelVorlaSystem system;
    CVelCamera camera;
    system.ResetConstruction();
    if (FileResult r = LoadConstruction(system, camera, input); !r) {
        err << "vorla: " << request.input << ": " << r.message << "\n";
        return kRenderExitBadFile;
    }
    // The stored orientation and distances become the view, as after opening in the editor.
    camera.Apply(nullptr);
    // The overlays follow the user's display switches in the editor; here they are on or
    // off as asked.
    system.showHints = request.overlays ? 1 : 0;
    system.showButtons = request.overlays ? 1 : 0;

    std::string error;
    auto gl = gfx::gl::OpenHeadlessDevice(static_cast<uint32_t>(request.width),
                                          static_cast<uint32_t>(request.height), &error);
    if (!gl) {
        err << "vorla: " << error << "\n";
        return kRenderExitBadFile;
    }
    render::RenderedImage image;
    const gfx::HRESULT hr =
        render::RenderConstructionImage(*gl->device, system, camera, &image, &error);
    gl.reset();
    if (gfx::Failed(hr) || image.pixels.size() != size_t{image.width} * image.height) {
        err << "vorla: drawing failed: " << error << "\n";
        return kRenderExitBadFile;
    }

    QImage picture(static_cast<int>(image.width), static_cast<int>(image.height),
                   QImage::Format_RGB32);
    for (uint32_t y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(picture.scanLine(static_cast<int>(y)));
        for (uint32_t x = 0; x < image.width; ++x)
            line[x] = image.pixels[size_t{y} * image.width + x] | 0xFF000000u;
    }
    // Written beside the target and renamed over it, so a failed write leaves no half file.
    QSaveFile out(QFile::decodeName(QByteArray::fromStdString(request.output)));
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit()) {
        err << "vorla: could not write " << request.output << ": "
            << out.errorString().toStdString() << "\n";
        return kRenderExitBadFile;
    }
    return kRenderExitOk;
}

int RenderCommand(const std::vector<std::string>& args, std::ostream& err) {
    std::string error;
    std::optional<RenderRequest> request = ParseRenderArguments(args, &error);
    if (!request) {
        err << "vorla: " << error << "\n" << kUsage << "\n";
        return kRenderExitUsage;
    }
    return RunRender(*request, err);
}

}  // namespace app::shell
