#pragma once
// Where the OpenGL device draws: a context plus the framebuffer that stands for the back
// buffer. The headless host renders into its own framebuffer object; a window toolkit host
// (the Qt view) hands over the framebuffer its widget renders into. Kept free of GL and
// toolkit headers so that either side can include it.
#include <cstdint>

#include "platform/gfx/gfx.h"

namespace gfx::gl {

class GlContextHost {
  public:
    virtual ~GlContextHost() = default;

    // Makes the host's context current on the calling thread; false if it cannot be used.
    virtual bool MakeCurrent() = 0;
    // The framebuffer object that is the back buffer (never assume 0: toolkits render
    // into their own framebuffer objects).
    virtual uint32_t DefaultFramebuffer() const = 0;
    // Shows the finished frame (swap, or a flush where nothing is shown).
    virtual void Present() = 0;
    // Current back buffer size in device pixels and its colour format.
    virtual SurfaceDesc Surface() const = 0;
    // Asks for a back buffer of the given size. A host whose size is dictated by a window
    // may keep its own size; Surface() tells what it ended up with. False on failure.
    virtual bool Resize(uint32_t width, uint32_t height) = 0;
};

}  // namespace gfx::gl
