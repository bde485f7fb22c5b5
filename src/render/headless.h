#pragma once
// One frame of a construction drawn without a window (the --render command line,
// benchmarks, pixel tests): the device objects are made on the given device, the
// about disc stays closed, the camera keeps its placement.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "model/construction.h"
#include "platform/gfx/gfx.h"
#include "render/device_objects.h"

namespace render {

struct RenderedImage {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// Draws one frame at the size of the device's back buffer and reads it back. `camera`
// is used as it stands (its view must be current); its viewport is set to the back
// buffer. On failure returns the failing code and a message in `error` (when given).
gfx::HRESULT RenderConstructionImage(gfx::Device& device, CVelVorlaSystem& system,
                                     CVelCamera& camera, RenderedImage* image,
                                     std::string* error = nullptr,
                                     std::unique_ptr<AssetSource> assets = nullptr);

}  // namespace render
