#pragma once
// What lies over the scene: the help page of the current mode and camera mode, and the
// two button strips with the colour counts, the status text, the twist read-out, the
// maker line and the web address. Drawn in logical view pixels (the camera's viewport
// size); the device scales them to a high-density screen. The strips leave the widths
// they drew in the construction object for the hit tests of the button strips.
#include <functional>

#include "render/scene_renderer.h"

namespace render {

class ScreenOverlays : public OverlayPasses {
  public:
    // `windowed` tells whether the program runs in a window (true when not given).
    explicit ScreenOverlays(std::function<bool()> windowed = {});

    void DrawHelpPages(const OverlayContext& context) override;
    void DrawBottomStrip(const OverlayContext& context) override;
    void DrawTopStrip(const OverlayContext& context) override;

  private:
    std::function<bool()> windowed_;
};

// A colour table entry as 0xAARRGGBB: each component clamped to 0..1 and rounded.
gfx::Color TableColour32(int index);

// The status text: how to place a branch while one is being pasted, else the mode a held
// modifier selects, or the mode and the camera mode (its full name in the top strip, its
// tag in the bottom strip) with the size of the selected branch.
std::string StatusText(const model::CVelVorlaSystem& system, const camera::CVelCamera& camera,
                       bool topStrip);

}  // namespace render
