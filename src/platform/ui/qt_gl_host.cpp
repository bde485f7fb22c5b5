#include "platform/ui/qt_gl_host.h"

#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <algorithm>
#include <cmath>

namespace ui {

QtGlContextHost::QtGlContextHost(QOpenGLWidget* w) : widget(w) {}

bool QtGlContextHost::MakeCurrent() {
    if (!widget || !widget->context()) return false;
    widget->makeCurrent();
    return QOpenGLContext::currentContext() == widget->context();
}

uint32_t QtGlContextHost::DefaultFramebuffer() const {
    return widget ? widget->defaultFramebufferObject() : 0;
}

void QtGlContextHost::DeviceSize(const QOpenGLWidget& w, uint32_t* width, uint32_t* height) {
    const qreal ratio = w.devicePixelRatioF();
    *width = static_cast<uint32_t>(std::max(1L, std::lround(w.width() * ratio)));
    *height = static_cast<uint32_t>(std::max(1L, std::lround(w.height() * ratio)));
}

gfx::SurfaceDesc QtGlContextHost::Surface() const {
    gfx::SurfaceDesc desc;
    desc.format = gfx::Format::X8R8G8B8;
    if (widget) DeviceSize(*widget, &desc.width, &desc.height);
    return desc;
}

bool QtGlContextHost::Resize(uint32_t, uint32_t) {
    return widget != nullptr;
}

}  // namespace ui
