#pragma once
// A device drawing offscreen in a headless EGL context, with the context and the system
// that made it: what `vorla --render`, the pixel tests and the benchmarks draw with.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/egl_headless_host.h"
#include "platform/gfx/gl/gl_system.h"

namespace gfx::gl {

struct HeadlessDevice {
    // Declared in the order of creation, so that they are released device first.
    std::unique_ptr<EglHeadlessHost> host;
    std::unique_ptr<GlSystem> system;
    std::unique_ptr<Device> device;
    PresentParameters params;  // as the device was created
};

// A width x height X8R8G8B8 back buffer with a D24S8 depth buffer; null with the reason in
// *error when there is no headless OpenGL 3.3 context or the device cannot be made.
std::unique_ptr<HeadlessDevice> OpenHeadlessDevice(uint32_t width, uint32_t height,
                                                   std::string* error);

}  // namespace gfx::gl
