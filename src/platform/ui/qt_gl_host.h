#pragma once
// The OpenGL device drawing into a QOpenGLWidget: the widget owns the context and the
// framebuffer object Qt composes on screen, so presenting is Qt's job and the back buffer
// size follows the widget (in device pixels).
#include <QPointer>

#include "platform/gfx/gl/gl_context_host.h"

class QOpenGLWidget;

namespace ui {

class QtGlContextHost final : public gfx::gl::GlContextHost {
  public:
    explicit QtGlContextHost(QOpenGLWidget* widget);

    bool MakeCurrent() override;
    uint32_t DefaultFramebuffer() const override;
    // Nothing to do: Qt shows the widget's framebuffer after paintGL returns.
    void Present() override {}
    gfx::SurfaceDesc Surface() const override;
    // The widget decides its size; Surface() reports it.
    bool Resize(uint32_t width, uint32_t height) override;

    // Widget size in device pixels (never below 1 x 1).
    static void DeviceSize(const QOpenGLWidget& widget, uint32_t* width, uint32_t* height);

  private:
    QPointer<QOpenGLWidget> widget;
};

}  // namespace ui
