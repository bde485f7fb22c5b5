#pragma once
// One frame of a construction drawn without a window (the --render command line,
// benchmarks, pixel tests): the device objects are made on the given device, the
// about disc stays closed, the camera keeps its placement.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "interaction/screen_state.h"
#include "model/construction.h"
#include "platform/gfx/gfx.h"
#include "render/device_objects.h"

namespace render {

struct RenderedImage {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

class OverlayPasses;

struct HeadlessOptions {
    // Drawn over the scene as the editor's window draws them; null: the scene alone.
    OverlayPasses* overlays = nullptr;
    // Size of the view in logical pixels (the camera's viewport, where the overlays lie);
    // 0 takes the back buffer's. A back buffer larger than the view is a high-density
    // screen: the device must then scale the overlays by the same ratio.
    int viewWidth = 0, viewHeight = 0;
    // What the overlays show beside the strips (the hovered button's tooltip); null:
    // nothing hovered. The about disc is never drawn.
    const interaction::ScreenState* screen = nullptr;
};

// Draws one frame at the size of the device's back buffer and reads it back. `camera`
// is used as it stands (its view must be current); its viewport becomes the view's size.
// On failure returns the failing code and a message in `error` (when given).
gfx::HRESULT RenderConstructionImage(gfx::Device& device, const model::CVelVorlaSystem& system,
                                     camera::CVelCamera& camera, RenderedImage* image,
                                     std::string* error = nullptr,
                                     std::unique_ptr<AssetSource> assets = nullptr,
                                     const HeadlessOptions& options = {});

}  // namespace render
