#pragma once
// A host that draws into a framebuffer of its own inside another host's context: a
// picture of any size made with the context of a window, beside the window's own device.
#include <memory>

#include "platform/gfx/gl/framebuffer_target.h"
#include "platform/gfx/gl/gl_context_host.h"

namespace gfx::gl {

class OffscreenHost final : public GlContextHost {
  public:
    // `context` lends its context and must outlive this host.
    explicit OffscreenHost(GlContextHost* context) : context_(context) {}
    ~OffscreenHost() override;
    OffscreenHost(const OffscreenHost&) = delete;
    OffscreenHost& operator=(const OffscreenHost&) = delete;

    bool MakeCurrent() override { return context_->MakeCurrent(); }
    uint32_t DefaultFramebuffer() const override { return target_.Fbo(); }
    void Present() override;
    SurfaceDesc Surface() const override;
    bool Resize(uint32_t width, uint32_t height) override;

  private:
    GlContextHost* context_;
    FramebufferTarget target_;
};

}  // namespace gfx::gl
