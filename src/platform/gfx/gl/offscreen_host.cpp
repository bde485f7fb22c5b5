#include "platform/gfx/gl/offscreen_host.h"

#include <epoxy/gl.h>

namespace gfx::gl {

OffscreenHost::~OffscreenHost() {
    if (MakeCurrent()) target_.Release();
}

void OffscreenHost::Present() {
    if (MakeCurrent()) glFlush();
}

SurfaceDesc OffscreenHost::Surface() const {
    return {Format::A8R8G8B8, target_.Width(), target_.Height()};
}

bool OffscreenHost::Resize(uint32_t width, uint32_t height) {
    return MakeCurrent() && target_.Resize(width, height);
}

}  // namespace gfx::gl
