#include "platform/gfx/gl/egl_headless_host.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <mutex>

namespace gfx::gl {
namespace {

// The display stays initialised for the life of the process: hosts come and go (one per
// test, one per offscreen render) and re-initialising Mesa's driver each time is slow.
std::mutex g_displayMutex;

EGLDisplay OpenDisplay(std::string* error) {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        *error = "EGL: the surfaceless platform (EGL_MESA_platform_surfaceless) is missing";
        return EGL_NO_DISPLAY;
    }
    // The client extension entry point: libepoxy resolves the core 1.5 name only against an
    // initialised display.
    EGLDisplay dpy = EGL_NO_DISPLAY;
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base"))
        dpy = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (dpy == EGL_NO_DISPLAY) {
        *error = "EGL: no surfaceless display";
        return EGL_NO_DISPLAY;
    }
    std::lock_guard lock(g_displayMutex);
    EGLint major = 0, minor = 0;
    if (!eglInitialize(dpy, &major, &minor)) {
        *error = "EGL: eglInitialize failed";
        return EGL_NO_DISPLAY;
    }
    return dpy;
}

}  // namespace

std::unique_ptr<EglHeadlessHost> EglHeadlessHost::Create(uint32_t width, uint32_t height,
                                                         std::string* error) {
    std::string dummy;
    if (!error) error = &dummy;
    std::unique_ptr<EglHeadlessHost> host(new EglHeadlessHost);
    EGLDisplay dpy = OpenDisplay(error);
    if (dpy == EGL_NO_DISPLAY) return nullptr;
    host->display_ = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL: desktop OpenGL is not available";
        return nullptr;
    }
    EGLConfig config = EGL_NO_CONFIG_KHR;
    if (!epoxy_has_egl_extension(dpy, "EGL_KHR_no_config_context")) {
        const EGLint attribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                  EGL_PBUFFER_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(dpy, attribs, &config, 1, &count) || count < 1) {
            *error = "EGL: no configuration for desktop OpenGL";
            return nullptr;
        }
    }
    // Ask for reset notification first so that device loss can be reported; fall back to a
    // plain core context where robustness is not offered.
    const bool robust = epoxy_has_egl_extension(dpy, "EGL_EXT_create_context_robustness");
    for (int attempt = robust ? 0 : 1; attempt < 2 && !host->context_; ++attempt) {
        EGLint attribs[16];
        int n = 0;
        attribs[n++] = EGL_CONTEXT_MAJOR_VERSION;
        attribs[n++] = 3;
        attribs[n++] = EGL_CONTEXT_MINOR_VERSION;
        attribs[n++] = 3;
        attribs[n++] = EGL_CONTEXT_OPENGL_PROFILE_MASK;
        attribs[n++] = EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT;
        if (attempt == 0) {
            attribs[n++] = EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_EXT;
            attribs[n++] = EGL_LOSE_CONTEXT_ON_RESET_EXT;
        }
        attribs[n++] = EGL_NONE;
        EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, attribs);
        if (ctx != EGL_NO_CONTEXT) host->context_ = ctx;
    }
    if (!host->context_) {
        *error = "EGL: cannot create an OpenGL 3.3 core context";
        return nullptr;
    }
    if (!host->MakeCurrent()) {
        *error = "EGL: cannot make the context current without a surface";
        return nullptr;
    }
    if (epoxy_gl_version() < 33) {
        *error = "EGL: the context does not offer OpenGL 3.3";
        return nullptr;
    }
    if (!host->CreateFramebuffer(width, height, error)) return nullptr;
    return host;
}

EglHeadlessHost::~EglHeadlessHost() {
    if (!display_) return;
    EGLDisplay dpy = static_cast<EGLDisplay>(display_);
    if (context_) {
        if (MakeCurrent()) target_.Release();
        eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(dpy, static_cast<EGLContext>(context_));
    }
    eglReleaseThread();
}

bool EglHeadlessHost::MakeCurrent() {
    if (!context_) return false;
    EGLContext ctx = static_cast<EGLContext>(context_);
    if (eglGetCurrentContext() == ctx) return true;
    return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE, ctx) ==
           EGL_TRUE;
}

bool EglHeadlessHost::CreateFramebuffer(uint32_t width, uint32_t height, std::string* error) {
    if (!Resize(width, height)) {
        *error = "EGL: cannot create a " + std::to_string(width) + "x" + std::to_string(height) +
                 " back buffer";
        return false;
    }
    return true;
}

bool EglHeadlessHost::Resize(uint32_t width, uint32_t height) {
    return MakeCurrent() && target_.Resize(width, height);
}

void EglHeadlessHost::Present() {
    if (MakeCurrent()) glFlush();
}

SurfaceDesc EglHeadlessHost::Surface() const {
    return {Format::A8R8G8B8, target_.Width(), target_.Height()};
}

}  // namespace gfx::gl
