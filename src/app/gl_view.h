#pragma once
// The 3D view: a QOpenGLWidget whose context and framebuffer the OpenGL device draws
// into. Frames are drawn from paintGL, on demand: a change asks for one (Kick), and the
// next follows at once only while the form wants frames (something moves by itself), the
// form is active and unpaused and the window is not minimised. Otherwise nothing runs.
#include <QOpenGLWidget>
#include <functional>
#include <memory>

#include "platform/ui/qt_gl_host.h"

namespace app::core {
class CAppForm;
}

namespace app {

class CGlView : public QOpenGLWidget {
    Q_OBJECT
  public:
    explicit CGlView(QWidget* parent = nullptr);
    ~CGlView() override;

    void SetForm(core::CAppForm* form) { form_ = form; }
    ui::QtGlContextHost* Host() { return host_.get(); }
    bool ContextReady() const { return contextReady_; }

    // Frames drawn since the start (tests, start-up benchmark).
    uint64_t FramesDrawn() const { return framesDrawn_; }

    // Runs `work` with the view's context current (device objects may be touched).
    void WithContext(const std::function<void()>& work);
    // Asks for a frame if rendering is due: something may have changed the picture.
    void Kick();
    // A frame has been asked for and not drawn yet.
    bool FramePending() const { return framePending_; }

  signals:
    // The GL context exists; the device can be created.
    void ContextCreated();
    // A frame of the scene has been drawn.
    void FrameDrawn();
    // The view has a new size (the device has followed it).
    void Resized();

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    QSize sizeHint() const override { return {520, 350}; }

  private:
    bool RenderingDue() const;

    core::CAppForm* form_ = nullptr;
    std::unique_ptr<ui::QtGlContextHost> host_;
    bool contextReady_ = false;
    uint64_t framesDrawn_ = 0;
    bool framePending_ = false;
    const void* scaledDevice_ = nullptr;
    float overlayScale_ = 0.0f;
};

}  // namespace app
