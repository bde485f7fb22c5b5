#pragma once
// Where the OpenGL device draws: a context plus the framebuffer that stands for the back
// buffer. The headless host renders into its own framebuffer object; a window toolkit host
// (the Qt view) hands over the framebuffer its widget renders into. Kept free of GL and
// toolkit headers so that either side can include it.
#include <cstdint>

#include "platform/gfx/gfx.h"

namespace gfx::gl {

// A host over a toolkit's GL widget (for instance QOpenGLWidget) typically answers:
//   MakeCurrent        -> the widget's makeCurrent() (already current inside its paint hook)
//   DefaultFramebuffer -> the widget's own framebuffer object (defaultFramebufferObject())
//   Present            -> nothing to swap: the toolkit composes after the paint hook; ask
//                         it for the next frame instead
//   Surface            -> the widget size times its device-pixel ratio
//   Resize             -> true, keeping the widget's size (the window decides it)
//   ShowCursor         -> the widget's cursor (blank or the usual arrow)
// The context must be OpenGL 3.3 core (or compatibility 3.3+).
class GlContextHost {
  public:
    virtual ~GlContextHost() = default;

    // Makes the host's context current on the calling thread; false if it cannot be used.
    virtual bool MakeCurrent() = 0;
    // The framebuffer object that is the back buffer (never assume 0: toolkits render
    // into their own framebuffer objects).
    virtual uint32_t DefaultFramebuffer() const = 0;
    // Shows the finished frame (swap, or a flush where nothing is shown).
    virtual void Present() = 0;
    // Current back buffer size in device pixels and its colour format.
    virtual SurfaceDesc Surface() const = 0;
    // Asks for a back buffer of the given size. A host whose size is dictated by a window
    // may keep its own size; Surface() tells what it ended up with. False on failure.
    virtual bool Resize(uint32_t width, uint32_t height) = 0;
    // Shows or hides the mouse cursor over the surface (full screen hides it while the
    // frame loop runs). Hosts without a cursor ignore it.
    virtual void ShowCursor(bool /*show*/) {}
};

}  // namespace gfx::gl
