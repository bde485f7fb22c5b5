// The device draws wherever its host says the back buffer is, as inside a toolkit widget
// that renders into its own framebuffer object.
#include <epoxy/gl.h>

#include "gl_test_support.h"

namespace gltest {
namespace {

// A widget-like host: shares the headless context but presents its own framebuffer of a
// size it decides, and records what the device asks of it.
class WidgetLikeHost final : public gfx::gl::GlContextHost {
  public:
    explicit WidgetLikeHost(gfx::gl::GlContextHost* context) : context_(context) {
        context_->MakeCurrent();
        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(2, rb_);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kW, kH);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kW, kH);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb_[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  rb_[1]);
    }
    ~WidgetLikeHost() override {
        if (!context_->MakeCurrent()) return;
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(2, rb_);
    }
    bool MakeCurrent() override { return context_->MakeCurrent(); }
    uint32_t DefaultFramebuffer() const override { return fbo_; }
    void Present() override { ++presents; }
    gfx::SurfaceDesc Surface() const override { return {gfx::Format::A8R8G8B8, kW, kH}; }
    bool Resize(uint32_t, uint32_t) override { return true; }  // the widget keeps its size
    void ShowCursor(bool show) override { cursorShown = show; }

    static constexpr uint32_t kW = 64, kH = 32;
    int presents = 0;
    bool cursorShown = true;

  private:
    gfx::gl::GlContextHost* context_;
    GLuint fbo_ = 0, rb_[2] = {};
};

TEST_F(GlDeviceTest, DrawsIntoTheFramebufferItsHostNames) {
    gl_->device.reset();
    WidgetLikeHost widget(gl_->host.get());
    gfx::gl::GlSystem sys(&widget, {});
    gfx::PresentParameters p;  // size from the host
    p.backBufferFormat = gfx::Format::X8R8G8B8;
    p.enableAutoDepthStencil = true;
    std::unique_ptr<gfx::Device> device;
    ASSERT_EQ(sys.CreateDevice(0, gfx::DeviceType::HAL, nullptr, 0, &p, &device), gfx::S_OK);
    EXPECT_EQ(p.backBufferWidth, WidgetLikeHost::kW);
    EXPECT_EQ(p.backBufferHeight, WidgetLikeHost::kH);
    // Even asked for another size, the widget's size stands.
    p.backBufferWidth = 500;
    ASSERT_EQ(device->Reset(&p), gfx::S_OK);
    gfx::SurfaceDesc d;
    device->GetBackBufferDesc(&d);
    EXPECT_EQ(d.width, WidgetLikeHost::kW);

    // The headless host's own framebuffer is blue and must stay so.
    gl_->host->MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, gl_->host->DefaultFramebuffer());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    device->BeginScene();
    device->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0);
    device->EndScene();
    device->Present();
    device->ShowCursor(false);
    EXPECT_EQ(widget.presents, 1);
    EXPECT_FALSE(widget.cursorShown);

    std::vector<uint32_t> pixels;
    ASSERT_EQ(device->ReadBackBuffer(&pixels), gfx::S_OK);
    ASSERT_EQ(pixels.size(), size_t{WidgetLikeHost::kW} * WidgetLikeHost::kH);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    uint32_t other = 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl_->host->DefaultFramebuffer());
    glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &other);
    EXPECT_EQ(other, 0xFF0000FFu);
    device.reset();
}

TEST_F(GlDeviceTest, AnOffscreenDeviceDrawsItsOwnSizeBesideTheContextsDevice) {
    std::string error;
    auto picture = gfx::gl::OpenOffscreenDevice(gl_->host.get(), 300, 200, /*alpha=*/true, &error);
    ASSERT_TRUE(picture) << error;
    gfx::SurfaceDesc d;
    picture->device->GetBackBufferDesc(&d);
    EXPECT_EQ(d.width, 300u);
    EXPECT_EQ(d.height, 200u);
    // The context's own device draws on, into its own buffer.
    gl_->device->BeginScene();
    gl_->device->Clear(gfx::CLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    gl_->device->EndScene();

    picture->device->BeginScene();
    picture->device->Clear(gfx::CLEAR_TARGET, 0x00FF0000, 1.0f, 0);  // alpha 0
    picture->device->EndScene();
    std::vector<uint32_t> pixels;
    ASSERT_EQ(picture->device->ReadBackBuffer(&pixels), gfx::S_OK);
    ASSERT_EQ(pixels.size(), 300u * 200u);
    EXPECT_EQ(pixels[0], 0x00FF0000u) << "an alpha back buffer keeps the transparency";
    picture.reset();

    ASSERT_EQ(gl_->device->ReadBackBuffer(&pixels), gfx::S_OK);
    EXPECT_EQ(pixels[0], 0xFF0000FFu);
}

}  // namespace
}  // namespace gltest
