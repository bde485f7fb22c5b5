#pragma once
// A headless OpenGL 3.3 core context from Mesa's surfaceless EGL platform (no display
// server needed), drawing into a framebuffer object with a colour and a depth/stencil
// renderbuffer of the back buffer size. Used for offscreen rendering and by the tests.
#include <memory>
#include <string>

#include "platform/gfx/gl/framebuffer_target.h"
#include "platform/gfx/gl/gl_context_host.h"

namespace gfx::gl {

class EglHeadlessHost final : public GlContextHost {
  public:
    // Null with a reason in *error when EGL, the surfaceless platform or a 3.3 core
    // context is not available.
    static std::unique_ptr<EglHeadlessHost> Create(uint32_t width, uint32_t height,
                                                   std::string* error);
    ~EglHeadlessHost() override;
    EglHeadlessHost(const EglHeadlessHost&) = delete;
    EglHeadlessHost& operator=(const EglHeadlessHost&) = delete;

    bool MakeCurrent() override;
    uint32_t DefaultFramebuffer() const override { return target_.Fbo(); }
    void Present() override;
    SurfaceDesc Surface() const override;
    bool Resize(uint32_t width, uint32_t height) override;

  private:
    EglHeadlessHost() = default;
    bool CreateFramebuffer(uint32_t width, uint32_t height, std::string* error);

    void* display_ = nullptr;  // EGLDisplay
    void* context_ = nullptr;  // EGLContext
    FramebufferTarget target_;
};

}  // namespace gfx::gl
