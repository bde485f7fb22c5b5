#include "app/picture.h"

#include <QBuffer>
#include <QImage>
#include <cmath>
#include <cstring>

#include "app/core/app_form.h"
#include "app/gl_view.h"
#include "app/render_command.h"
#include "platform/gfx/gl/headless_device.h"
#include "render/screen_overlays.h"

using namespace services;

namespace app {

bool RenderViewPicture(core::CAppForm& form, CGlView& view, const PictureOptions& options,
                       render::RenderedImage* image, std::string* error) {
    // The view's logical size is where the overlays lie; the picture has as many device
    // pixels per logical pixel as the screen, times the chosen multiple.
    const int viewWidth = form.camera.viewportWidth, viewHeight = form.camera.viewportHeight;
    const double scale = view.devicePixelRatioF() * std::max(1, options.scale);
    const long width = std::lround(viewWidth * scale), height = std::lround(viewHeight * scale);
    if (viewWidth <= 0 || viewHeight <= 0) {
        *error = "в окне нет изображения";
        return false;
    }
    if (width > kMaxRenderSize || height > kMaxRenderSize) {
        *error = "изображение больше " + std::to_string(kMaxRenderSize) +
                 " точек по стороне; выберите размер меньше";
        return false;
    }
    std::string reason;
    auto target =
        gfx::gl::OpenOffscreenDevice(view.Host(), static_cast<uint32_t>(width),
                                     static_cast<uint32_t>(height), options.transparent, &reason);
    if (!target) {
        *error = "не удалось подготовить изображение (" + reason + ")";
        return false;
    }
    gfx::gl::SetOverlayScale(target->device.get(), static_cast<float>(scale));
    // The strips, help pages and status line as the window shows them, never the tooltip
    // of a button the pointer happened to be on.
    render::ScreenOverlays overlays([&form] { return form.IsWindowed(); });
    interaction::ScreenState screen = form.screen;
    screen.stripHit = false;
    render::HeadlessOptions headless;
    headless.overlays = options.overlays ? &overlays : nullptr;
    headless.viewWidth = viewWidth;
    headless.viewHeight = viewHeight;
    headless.screen = &screen;
    camera::CVelCamera camera = form.camera;
    const gfx::HRESULT hr = render::RenderConstructionImage(*target->device, form.system, camera,
                                                            image, &reason, nullptr, headless);
    if (gfx::Failed(hr)) {
        *error = "не удалось нарисовать изображение (" + reason + ")";
        return false;
    }
    return true;
}

bool EncodePicture(const render::RenderedImage& image, const char* format, bool transparent,
                   QByteArray* bytes) {
    const bool alpha = transparent && std::strcmp(format, "PNG") == 0;
    QImage picture(static_cast<int>(image.width), static_cast<int>(image.height),
                   alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull() || image.pixels.size() != size_t{image.width} * image.height) return false;
    for (uint32_t y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(picture.scanLine(static_cast<int>(y)));
        const uint32_t* from = image.pixels.data() + size_t{y} * image.width;
        for (uint32_t x = 0; x < image.width; ++x)
            line[x] = alpha ? from[x] : from[x] | 0xFF000000u;
    }
    QBuffer buffer(bytes);
    // PNG at the encoder's usual compression (-1); a JPEG close to the original.
    return buffer.open(QIODevice::WriteOnly) &&
           picture.save(&buffer, format, std::strcmp(format, "JPEG") == 0 ? 95 : -1);
}

}  // namespace app
