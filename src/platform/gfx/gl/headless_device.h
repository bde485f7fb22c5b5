#pragma once
// A device drawing offscreen, with the host and the system that made it: a headless EGL
// context for `vorla --render`, the pixel tests and the benchmarks; a framebuffer of its
// own in a window's context for the editor's pictures.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_context_host.h"
#include "platform/gfx/gl/gl_system.h"

namespace gfx::gl {

struct HeadlessDevice {
    // Declared in the order of creation, so that they are released device first.
    std::unique_ptr<GlContextHost> host;
    std::unique_ptr<GlSystem> system;
    std::unique_ptr<Device> device;
    PresentParameters params;  // as the device was created
};

// A width x height X8R8G8B8 back buffer with a D24S8 depth buffer; null with the reason in
// *error when there is no headless OpenGL 3.3 context or the device cannot be made.
std::unique_ptr<HeadlessDevice> OpenHeadlessDevice(uint32_t width, uint32_t height,
                                                   std::string* error);

// The same in a framebuffer of its own inside `context` (which must outlive the result),
// with an alpha channel in the back buffer (A8R8G8B8) when `alpha` is set.
std::unique_ptr<HeadlessDevice> OpenOffscreenDevice(GlContextHost* context, uint32_t width,
                                                    uint32_t height, bool alpha,
                                                    std::string* error);

}  // namespace gfx::gl
