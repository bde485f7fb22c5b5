#include "platform/gfx/gl/headless_device.h"

#include <vector>

#include "platform/gfx/gl/egl_headless_host.h"
#include "platform/gfx/gl/offscreen_host.h"

namespace gfx::gl {

namespace {

std::unique_ptr<HeadlessDevice> OpenDevice(std::unique_ptr<GlContextHost> host, uint32_t width,
                                           uint32_t height, Format format, std::string* error) {
    auto out = std::make_unique<HeadlessDevice>();
    out->host = std::move(host);
    out->system = std::make_unique<GlSystem>(out->host.get(), std::vector<ScreenInfo>{});
    PresentParameters& p = out->params;
    p.backBufferWidth = width;
    p.backBufferHeight = height;
    p.backBufferFormat = format;
    p.windowed = true;
    p.enableAutoDepthStencil = true;
    p.autoDepthStencilFormat = Format::D24S8;
    const HRESULT hr = out->system->CreateDevice(
        0, DeviceType::HAL, nullptr, CREATE_HARDWARE_VERTEXPROCESSING, &p, &out->device);
    if (Failed(hr) || !out->device || p.backBufferWidth != width || p.backBufferHeight != height) {
        if (error) *error = "the OpenGL device could not be created";
        return nullptr;
    }
    return out;
}

}  // namespace

std::unique_ptr<HeadlessDevice> OpenHeadlessDevice(uint32_t width, uint32_t height,
                                                   std::string* error) {
    std::string reason;
    std::unique_ptr<EglHeadlessHost> host = EglHeadlessHost::Create(width, height, &reason);
    if (!host) {
        if (error) *error = "no headless OpenGL 3.3 context: " + reason;
        return nullptr;
    }
    return OpenDevice(std::move(host), width, height, Format::X8R8G8B8, error);
}

std::unique_ptr<HeadlessDevice> OpenOffscreenDevice(GlContextHost* context, uint32_t width,
                                                    uint32_t height, bool alpha,
                                                    std::string* error) {
    auto host = std::make_unique<OffscreenHost>(context);
    if (!host->Resize(width, height)) {
        if (error)
            *error = "no " + std::to_string(width) + "x" + std::to_string(height) +
                     " offscreen back buffer";
        return nullptr;
    }
    return OpenDevice(std::move(host), width, height, alpha ? Format::A8R8G8B8 : Format::X8R8G8B8,
                      error);
}

}  // namespace gfx::gl
