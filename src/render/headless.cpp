#include "render/headless.h"

#include <cstdio>

#include "render/camera_upload.h"
#include "render/scene_renderer.h"

using namespace camera;
using namespace input;
using namespace model;

namespace render {

gfx::HRESULT RenderConstructionImage(gfx::Device& device, const CVelVorlaSystem& system,
                                     CVelCamera& camera, RenderedImage* image, std::string* error,
                                     std::unique_ptr<AssetSource> assets,
                                     const HeadlessOptions& options) {
    auto fail = [error](gfx::HRESULT hr, const char* what) {
        if (error) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
            *error = std::string(what) + " (" + code + ")";
        }
        return hr;
    };
    gfx::SurfaceDesc backBuffer;
    gfx::HRESULT hr = device.GetBackBufferDesc(&backBuffer);
    if (gfx::Failed(hr) || backBuffer.width == 0 || backBuffer.height == 0) {
        return fail(gfx::Failed(hr) ? hr : gfx::E_FAIL, "no back buffer to draw into");
    }

    // The device hooks place the camera for a new device; a headless frame shows the
    // construction from the camera it was given instead.
    const CVelCamera placed = camera;
    // A picture of the construction: no about disc.
    interaction::ScreenState screen = options.screen ? *options.screen : interaction::ScreenState{};
    screen.aboutShown = 0;

    SceneRenderer renderer(system, screen, camera, std::move(assets));
    renderer.SetOverlayPasses(options.overlays);
    hr = renderer.CreateDeviceObjects(device);
    if (gfx::Failed(hr)) {
        camera = placed;
        return fail(hr, "could not create the meshes of the scene");
    }
    camera = placed;
    GfxCameraDevice cameraDevice(device);
    device.SetViewport({0, 0, static_cast<int>(backBuffer.width),
                        static_cast<int>(backBuffer.height), 0.0f, 1.0f});
    const int viewWidth =
        options.viewWidth > 0 ? options.viewWidth : static_cast<int>(backBuffer.width);
    const int viewHeight =
        options.viewHeight > 0 ? options.viewHeight : static_cast<int>(backBuffer.height);
    renderer.ResetDeviceObjects(device,
                                [&] { camera.SetViewport(&cameraDevice, viewWidth, viewHeight); });

    renderer.RenderScene(device, 0.0f);
    // Read before any presentation: a presented back buffer's contents are undefined.
    hr = gfx::S_OK;
    if (image) {
        image->width = backBuffer.width;
        image->height = backBuffer.height;
        hr = device.ReadBackBuffer(&image->pixels);
    }
    renderer.LoseDeviceObjects();
    renderer.DestroyDeviceObjects();
    if (gfx::Failed(hr)) return fail(hr, "could not read the rendered frame back");
    return gfx::S_OK;
}

}  // namespace render
