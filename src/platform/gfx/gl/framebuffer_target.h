#pragma once
// A framebuffer object with an RGBA colour and a depth/stencil renderbuffer: the back
// buffer of every host that draws offscreen. Made, resized and released in the context
// that is current at the time. Internal to gl/.
#include <cstdint>

namespace gfx::gl {

class FramebufferTarget {
  public:
    FramebufferTarget() = default;
    FramebufferTarget(const FramebufferTarget&) = delete;
    FramebufferTarget& operator=(const FramebufferTarget&) = delete;

    // Makes the objects on first use; false when the size is zero, beyond what the
    // context allows, or the framebuffer is incomplete (the old size then stays).
    bool Resize(uint32_t width, uint32_t height);
    // Deletes the objects (their context must be current).
    void Release();

    uint32_t Fbo() const { return fbo_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

  private:
    uint32_t fbo_ = 0, colour_ = 0, depth_ = 0;
    uint32_t width_ = 0, height_ = 0;
};

}  // namespace gfx::gl
