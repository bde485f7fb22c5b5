#pragma once
// Text through FreeType: the face is resolved with fontconfig ("Arial" bold resolves to a
// metric-compatible face such as Liberation Sans Bold), glyphs are rasterised on demand
// into coverage atlas textures and drawn as sprite quads. Internal to gl/.
#include <memory>

#include "platform/gfx/gfx.h"
#include "platform/gfx/gl/gl_resources.h"

namespace gfx::gl {

// E_NOTFOUND when no font file matches, E_FAIL when FreeType cannot use it.
HRESULT CreateGlFont(std::shared_ptr<DeviceLink> link, const FontDesc& desc,
                     std::unique_ptr<Font>* out);

// Code points of UTF-8 text; malformed sequences become U+FFFD. maxCount < 0: all.
std::u32string DecodeUtf8(std::string_view text, int maxCount);

}  // namespace gfx::gl
