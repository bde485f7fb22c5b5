#include "app/gl_view.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "app/core/app_form.h"
#include "platform/gfx/gl/gl_system.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app {

CGlView::CGlView(QWidget* parent)
    : QOpenGLWidget(parent), host_(std::make_unique<ui::QtGlContextHost>(this)) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    setFormat(format);
    // The back buffer has no alpha (X8R8G8B8): the scene clears with a colour whose alpha
    // byte is 0, which Qt would otherwise compose as transparent over the window.
    setTextureFormat(GL_RGB8);
    setMinimumSize(50, 50);  // the view never gets smaller than 50 x 50
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // While paused nothing is drawn: the last frame must stay on screen.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    // Drops are taken by the frame window.
    setAcceptDrops(false);
}

CGlView::~CGlView() = default;

void CGlView::WithContext(const std::function<void()>& work) {
    if (contextReady_) makeCurrent();
    work();
}

void CGlView::initializeGL() {
    contextReady_ = true;
    emit ContextCreated();
}

void CGlView::resizeGL(int, int) {
    if (form_ && form_->GetDevice()) form_->OnSize();
    emit Resized();
}

bool CGlView::RenderingDue() const {
    if (!form_ || !form_->IsActive() || form_->PauseCount() > 0) return false;
    const QWidget* top = window();
    return top->isVisible() && !top->isMinimized();
}

void CGlView::Kick() {
    if (!RenderingDue()) return;
    framePending_ = true;
    update();
}

void CGlView::paintGL() {
    framePending_ = false;
    bool drawn = false;
    if (form_ && form_->GetDevice()) {
        // Overlays keep their logical size on a high-density screen; the scene itself is
        // drawn at full resolution. A new device (after a reset or a return from full
        // screen) or a move to another screen needs the factor again.
        const float scale = static_cast<float>(devicePixelRatioF());
        if (form_->GetDevice() != scaledDevice_ || scale != overlayScale_) {
            gfx::gl::SetOverlayScale(form_->GetDevice(), scale);
            scaledDevice_ = form_->GetDevice();
            overlayScale_ = scale;
        }
        if (RenderingDue()) drawn = form_->Idle();
        // Paused (menu, dialog, inactive) or between frames: show the current frame
        // again rather than a stale or empty buffer.
        if (!drawn && framesDrawn_ > 0) form_->Repaint();
    }
    if (!drawn && framesDrawn_ == 0) {
        // Nothing to show yet: the user's background colour (0x00RRGGBB, read with the
        // settings before the window shows) rather than whatever the buffer held.
        const uint32_t colour = form_ ? form_->system.backgroundColour : 0xA0u;
        auto channel = [colour](int shift) {
            return static_cast<float>((colour >> shift) & 0xFFu) / 255.0f;
        };
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(channel(16), channel(8), channel(0), 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    if (drawn) {
        ++framesDrawn_;
        emit FrameDrawn();
    }
    // Frames on demand: the next one at once only while something moves by itself;
    // otherwise the program sleeps until a change asks for one (Kick).
    if (form_ && form_->WantsFrames()) {
        Kick();
    } else if (form_) {
        form_->Rest();
    }
}

}  // namespace app
