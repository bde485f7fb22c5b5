#pragma once
// Window system and message boxes for framework tests: rectangles per window, and a
// record of every request the framework makes.
#include <map>
#include <string>
#include <vector>

#include "d3dframework/platform_hooks.h"

namespace fwtest {

struct ShownMessage {
    std::string text, caption;
    d3dfw::MessageIcon icon;
};

class FakeMessageBoxes : public d3dfw::MessageBoxHost {
  public:
    void ShowMessage(const std::string& text, const std::string& caption,
                     d3dfw::MessageIcon icon) override {
        shown.push_back({text, caption, icon});
    }
    std::vector<ShownMessage> shown;
};

class FakeWindows : public d3dfw::WindowHost {
  public:
    struct Window {
        gfx::Rect window;  // screen
        int clientWidth = 0, clientHeight = 0;
    };

    gfx::Rect WindowRect(gfx::WindowHandle w) const override {
        auto it = windows.find(w);
        return it == windows.end() ? gfx::Rect{} : it->second.window;
    }
    gfx::Rect ClientRect(gfx::WindowHandle w) const override {
        auto it = windows.find(w);
        return it == windows.end()
                   ? gfx::Rect{}
                   : gfx::Rect{0, 0, it->second.clientWidth, it->second.clientHeight};
    }
    void RestoreWindowRect(gfx::WindowHandle w, const gfx::Rect& r) override {
        restored.push_back({w, r});
    }
    void SetFullScreenFrame(gfx::WindowHandle w, bool fullScreen) override {
        frames.push_back({w, fullScreen});
    }
    void PostClose(d3dfw::CloseTarget target) override { closes.push_back(target); }
    void ClipCursor(const gfx::Rect* r) override {
        clips.push_back(r ? *r : gfx::Rect{-1, -1, -1, -1});
    }

    // Resizes a window's client area (and its outer rectangle with it).
    void Resize(gfx::WindowHandle w, int width, int height) {
        Window& win = windows[w];
        win.window.right = win.window.left + width + 8;
        win.window.bottom = win.window.top + height + 8;
        win.clientWidth = width;
        win.clientHeight = height;
    }

    std::map<gfx::WindowHandle, Window> windows;
    std::vector<std::pair<gfx::WindowHandle, gfx::Rect>> restored;
    std::vector<std::pair<gfx::WindowHandle, bool>> frames;
    std::vector<d3dfw::CloseTarget> closes;
    std::vector<gfx::Rect> clips;  // (-1 -1 -1 -1) for a release
};

}  // namespace fwtest
