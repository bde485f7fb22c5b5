#pragma once
// Pictures of a construction: the editor's "Сохранить изображение..." draws the view anew
// in a framebuffer of its own (any multiple of the view's size, the overlays only when
// asked, the background transparent when asked), and both it and `vorla --render` encode
// what was drawn as PNG or JPEG.
#include <QByteArray>
#include <string>

#include "render/headless.h"
#include "services/services.h"

namespace app::core {
class CAppForm;
}

namespace app {

class CGlView;

// Draws the form's construction as its view shows it (camera, display switches, colours),
// `options.scale` times the view's device resolution, in the view's GL context (made
// current by the caller). False with a reason for the user in `error`.
bool RenderViewPicture(core::CAppForm& form, CGlView& view, const services::PictureOptions& options,
                       render::RenderedImage* image, std::string* error);

// `image` as "PNG" (zlib's usual compression) or "JPEG"; with `transparent`, its alpha is
// kept where the format can keep it. False when the encoder fails.
bool EncodePicture(const render::RenderedImage& image, const char* format, bool transparent,
                   QByteArray* bytes);

}  // namespace app
