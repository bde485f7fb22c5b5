#pragma once
// What the device framework asks of the windows, over Qt: rectangles of the device
// window (the view, in windowed and full-screen mode alike, since full screen is the main
// window itself without its menu), restoring it, close requests, and its message boxes.
#include <QPointer>

#include "d3dframework/platform_hooks.h"

class QWidget;

namespace app {

class CGlView;

// Opaque window identities handed to the framework and the graphics system.
struct WindowHandles {
    gfx::WindowHandle view;
    gfx::WindowHandle fullScreen;
};

class QtWindowHost final : public d3dframework::WindowHost {
  public:
    QtWindowHost(QWidget* frame, CGlView* view) : frame_(frame), view_(view) {}

    const WindowHandles& Handles() const { return handles_; }

    gfx::Rect WindowRect(gfx::WindowHandle window) const override;
    // The view's area in device pixels: the size of the back buffer it needs.
    gfx::Rect ClientRect(gfx::WindowHandle window) const override;
    void RestoreWindowRect(gfx::WindowHandle window, const gfx::Rect& rect) override;
    void SetFullScreenFrame(gfx::WindowHandle window, bool fullScreen) override;
    void PostClose(d3dframework::CloseTarget target) override;
    // The pointer is not confined: Qt has no portable pointer confinement, and the
    // editor's drags work with the implicit grab of a held button.
    void ClipCursor(const gfx::Rect*) override {}

  private:
    QPointer<QWidget> frame_;
    CGlView* view_;
    // Two distinct addresses serve as the two handles.
    char tags_[2] = {};
    WindowHandles handles_{reinterpret_cast<gfx::WindowHandle>(&tags_[0]),
                           reinterpret_cast<gfx::WindowHandle>(&tags_[1])};
};

class QtMessageBoxHost final : public d3dframework::MessageBoxHost {
  public:
    void ShowMessage(const std::string& text, const std::string& caption,
                     d3dframework::MessageIcon icon) override;
};

}  // namespace app
