#include "platform/gfx/gl/framebuffer_target.h"

#include <epoxy/gl.h>

namespace gfx::gl {

bool FramebufferTarget::Resize(uint32_t width, uint32_t height) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > static_cast<uint32_t>(maxSize) ||
        height > static_cast<uint32_t>(maxSize))
        return false;
    if (fbo_ && width == width_ && height == height_) return true;
    if (!fbo_) {
        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(1, &colour_);
        glGenRenderbuffers(1, &depth_);
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
    const bool ok = glGetError() == GL_NO_ERROR &&
                    glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!ok) return false;
    width_ = width;
    height_ = height;
    return true;
}

void FramebufferTarget::Release() {
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (colour_) glDeleteRenderbuffers(1, &colour_);
    if (depth_) glDeleteRenderbuffers(1, &depth_);
    fbo_ = colour_ = depth_ = 0;
    width_ = height_ = 0;
}

}  // namespace gfx::gl
