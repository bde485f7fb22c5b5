#pragma once
// What the framework needs from the window system, as two small interfaces that the Qt
// shell implements and tests fake. Nothing here knows about a particular toolkit.
#include <string>

#include "platform/gfx/gfx.h"

namespace d3dframework {

enum class MessageIcon { Error, Warning };

class MessageBoxHost {
  public:
    virtual ~MessageBoxHost() = default;
    // A modal message box with one OK button and no owner window.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

enum class CloseTarget { MainWindow, FullScreenWindow };

class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // The window's outer rectangle, in the coordinates RestoreWindowRect takes back:
    // screen coordinates for a top-level window; a child view may use its parent's
    // client coordinates so that it keeps its place in the parent.
    virtual gfx::Rect WindowRect(gfx::WindowHandle window) const = 0;
    // The window's client area: (0, 0, width, height).
    virtual gfx::Rect ClientRect(gfx::WindowHandle window) const = 0;
    // Puts the window back at a rectangle that WindowRect returned, shows it and takes it
    // out of the topmost band.
    virtual void RestoreWindowRect(gfx::WindowHandle window, const gfx::Rect& rect) = 0;
    // Full screen: a borderless window without menu; windowed: its normal frame and menu.
    // Used by the framework's own AdjustWindowStyle; an application that switches
    // between its own windows overrides that instead.
    virtual void SetFullScreenFrame(gfx::WindowHandle window, bool fullScreen) = 0;
    // Asks a window to close, asynchronously, as if the user had closed it.
    virtual void PostClose(CloseTarget target) = 0;
    // Confines the pointer to a screen rectangle; null releases it.
    virtual void ClipCursor(const gfx::Rect* rect) = 0;
};

}  // namespace d3dframework
