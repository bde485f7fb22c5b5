#include "platform/gfx/gl/headless_device.h"

#include <vector>

namespace gfx::gl {

std::unique_ptr<HeadlessDevice> OpenHeadlessDevice(uint32_t width, uint32_t height,
                                                   std::string* error) {
    auto out = std::make_unique<HeadlessDevice>();
    std::string reason;
    out->host = EglHeadlessHost::Create(width, height, &reason);
    if (!out->host) {
        if (error) *error = "no headless OpenGL 3.3 context: " + reason;
        return nullptr;
    }
    out->system = std::make_unique<GlSystem>(out->host.get(), std::vector<ScreenInfo>{});
    PresentParameters& p = out->params;
    p.backBufferWidth = width;
    p.backBufferHeight = height;
    p.backBufferFormat = Format::X8R8G8B8;
    p.windowed = true;
    p.enableAutoDepthStencil = true;
    p.autoDepthStencilFormat = Format::D24S8;
    const HRESULT hr = out->system->CreateDevice(
        0, DeviceType::HAL, nullptr, CREATE_HARDWARE_VERTEXPROCESSING, &p, &out->device);
    if (Failed(hr) || !out->device) {
        if (error) *error = "the OpenGL device could not be created";
        return nullptr;
    }
    return out;
}

}  // namespace gfx::gl
