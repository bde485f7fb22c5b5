#include "platform/gfx/gl/gl_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/gl/gl_device.h"
#include "platform/gfx/gl/gl_sprite.h"

namespace gfx::gl {

std::u32string DecodeUtf8(std::string_view text, int maxCount) {
    std::u32string out;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (maxCount < 0 || static_cast<int>(out.size()) < maxCount)) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int len = b0 < 0x80           ? 1
                  : (b0 >> 5) == 0x6  ? 2
                  : (b0 >> 4) == 0xE  ? 3
                  : (b0 >> 3) == 0x1E ? 4
                                      : 0;
        char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
        for (int k = 1; ok && k < len; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((b & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (b & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too.
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) ||
                   (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (ok) {
            out.push_back(cp);
            i += static_cast<size_t>(len);
        } else {
            out.push_back(0xFFFD);
            ++i;
        }
    }
    return out;
}

namespace {

constexpr uint32_t kAtlasSize = 512;

struct Glyph {
    size_t page = 0;
    int x = 0, y = 0, w = 0, h = 0;  // atlas texels
    int left = 0, top = 0;           // bitmap offset from the pen position and baseline
    int advance = 0;                 // device pixels
};

class GlFont final : public Font, public GlObject {
  public:
    GlFont(std::shared_ptr<DeviceLink> link, const FontDesc& desc)
        : GlObject(std::move(link)), desc_(desc) {}
    ~GlFont() override {
        pages_.clear();
        sprite_.reset();
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    HRESULT Init(const std::string& file, int index);
    int DrawText(Sprite* sprite, std::string_view text, int count, const Rect& rect,
                 uint32_t format, Color color) override;
    int TextWidth(std::string_view text) override;
    // Glyph atlases are ordinary textures that survive a reset: nothing to release.
    void OnLostDevice() override {}
    void OnResetDevice() override {}

  private:
    bool SetSize(float scale);
    const Glyph* GlyphOf(char32_t cp);
    int Width(const std::u32string& s, size_t begin, size_t end);
    std::vector<std::pair<size_t, size_t>> LayOut(const std::u32string& text, uint32_t format,
                                                  int width);

    FontDesc desc_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    float scale_ = 0.0f;  // overlay scale the glyphs were rasterised for
    int ascent_ = 0, lineHeight_ = 0;
    std::unordered_map<char32_t, Glyph> glyphs_;
    std::vector<std::unique_ptr<GlTexture>> pages_;
    uint32_t penX_ = 0, penY_ = 0, rowHeight_ = 0;
    std::unique_ptr<GlSprite> sprite_;
};

HRESULT GlFont::Init(const std::string& file, int index) {
    if (FT_Init_FreeType(&library_) != 0) return E_FAIL;
    if (FT_New_Face(library_, file.c_str(), index, &face_) != 0) return E_FAIL;
    if (!FT_IS_SCALABLE(face_)) return E_FAIL;
    if (FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0) return E_FAIL;
    HRESULT hr = GlSprite::Create(link_, &sprite_);
    if (Failed(hr)) return hr;
    sprite_->MakePart();
    GlDevice* device = link_->device;
    if (!SetSize(device ? device->OverlayScale() : 1.0f)) return E_FAIL;
    return S_OK;
}

bool GlFont::SetSize(float scale) {
    // Windows metrics: the cell height is the win ascent plus the win descent; a negative
    // height asks for the em (character) height instead.
    const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    const float units = static_cast<float>(face_->units_per_EM);
    const float cellUnits = os2 && os2->usWinAscent + os2->usWinDescent > 0
                                ? static_cast<float>(os2->usWinAscent + os2->usWinDescent)
                                : static_cast<float>(face_->ascender - face_->descender);
    float em = desc_.height < 0   ? static_cast<float>(-desc_.height)
               : desc_.height > 0 ? static_cast<float>(desc_.height) * units / cellUnits
                                  : 16.0f;
    em *= scale;
    float emWidth = em;
    if (desc_.width > 0 && os2 && os2->xAvgCharWidth > 0)
        emWidth = static_cast<float>(desc_.width) * scale * units /
                  static_cast<float>(os2->xAvgCharWidth);
    if (FT_Set_Char_Size(face_, static_cast<FT_F26Dot6>(std::lround(emWidth * 64)),
                         static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72) != 0)
        return false;
    const float px = em / units;
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent_ = static_cast<int>(std::ceil(os2->usWinAscent * px));
        lineHeight_ = ascent_ + static_cast<int>(std::ceil(os2->usWinDescent * px));
    } else {
        ascent_ = static_cast<int>(std::ceil(face_->size->metrics.ascender / 64.0));
        lineHeight_ = ascent_ + static_cast<int>(std::ceil(-face_->size->metrics.descender / 64.0));
    }
    scale_ = scale;
    glyphs_.clear();
    pages_.clear();
    penX_ = penY_ = rowHeight_ = 0;
    return true;
}

const Glyph* GlFont::GlyphOf(char32_t cp) {
    auto it = glyphs_.find(cp);
    if (it != glyphs_.end()) return &it->second;
    if (FT_Load_Char(face_, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0 &&
        FT_Load_Char(face_, 0xFFFD, FT_LOAD_RENDER) != 0)
        return nullptr;
    FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    Glyph g;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.w = static_cast<int>(bm.width);
    g.h = static_cast<int>(bm.rows);
    if (g.w > 0 && g.h > 0 && g.w + 1 < static_cast<int>(kAtlasSize) &&
        g.h + 1 < static_cast<int>(kAtlasSize)) {
        // Coverage bytes, whatever the bitmap's own format.
        std::vector<uint8_t> rows(static_cast<size_t>(g.w) * static_cast<size_t>(g.h));
        for (int y = 0; y < g.h; ++y) {
            const int srcRow = bm.pitch >= 0 ? y : g.h - 1 - y;
            const unsigned char* src =
                bm.buffer + static_cast<ptrdiff_t>(srcRow) * std::abs(bm.pitch);
            for (int x = 0; x < g.w; ++x) {
                uint8_t v = 0;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    v = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                    v = static_cast<uint8_t>(src[x] * 255 / std::max(1, bm.num_grays - 1));
                rows[static_cast<size_t>(y) * static_cast<size_t>(g.w) + static_cast<size_t>(x)] =
                    v;
            }
        }
        // Shelf packing with a one-texel gap so that linear filtering never bleeds.
        if (penX_ + static_cast<uint32_t>(g.w) + 1 > kAtlasSize) {
            penX_ = 0;
            penY_ += rowHeight_ + 1;
            rowHeight_ = 0;
        }
        if (pages_.empty() || penY_ + static_cast<uint32_t>(g.h) + 1 > kAtlasSize) {
            std::unique_ptr<GlTexture> page;
            if (Failed(GlTexture::CreateCoverage(link_, kAtlasSize, kAtlasSize, &page)))
                return nullptr;
            page->MakePart();
            pages_.push_back(std::move(page));
            penX_ = penY_ = rowHeight_ = 0;
        }
        g.page = pages_.size() - 1;
        g.x = static_cast<int>(penX_) + 1;
        g.y = static_cast<int>(penY_) + 1;
        pages_.back()->UpdateCoverage(static_cast<uint32_t>(g.x), static_cast<uint32_t>(g.y),
                                      static_cast<uint32_t>(g.w), static_cast<uint32_t>(g.h),
                                      rows.data(), static_cast<uint32_t>(g.w));
        penX_ += static_cast<uint32_t>(g.w) + 1;
        rowHeight_ = std::max(rowHeight_, static_cast<uint32_t>(g.h) + 1);
    } else {
        g.w = g.h = 0;
    }
    return &glyphs_.emplace(cp, g).first->second;
}

int GlFont::Width(const std::u32string& s, size_t begin, size_t end) {
    int w = 0;
    for (size_t i = begin; i < end; ++i)
        if (const Glyph* g = GlyphOf(s[i])) w += g->advance;
    return w;
}

// Lines as [begin, end) ranges: hard breaks at '\n', and with DT_WORDBREAK soft breaks at
// spaces so that a line fits the width where it can (a longer word stands alone).
std::vector<std::pair<size_t, size_t>> GlFont::LayOut(const std::u32string& text, uint32_t format,
                                                      int width) {
    std::vector<std::pair<size_t, size_t>> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(U'\n', start);
        if (end == std::u32string::npos) end = text.size();
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == U'\r') --lineEnd;
        if (!(format & DT_WORDBREAK)) {
            lines.emplace_back(start, lineEnd);
        } else {
            size_t lineStart = start;
            while (true) {
                size_t fit = lineStart, pos = lineStart;
                // Take words while they fit; the first word always goes in.
                while (pos < lineEnd) {
                    size_t wordEnd = text.find(U' ', pos);
                    if (wordEnd == std::u32string::npos || wordEnd > lineEnd) wordEnd = lineEnd;
                    if (fit != lineStart && Width(text, lineStart, wordEnd) > width) break;
                    fit = wordEnd;
                    pos = wordEnd;
                    while (pos < lineEnd && text[pos] == U' ') ++pos;
                }
                lines.emplace_back(lineStart, fit);
                if (pos >= lineEnd) break;
                lineStart = pos;
            }
        }
        if (end == text.size()) break;
        start = end + 1;
    }
    return lines;
}

int GlFont::DrawText(Sprite* sprite, std::string_view text, int count, const Rect& rect,
                     uint32_t format, Color color) {
    GlDevice* device = link_->device;
    if (!device || !face_) return 0;
    const float scale = device->OverlayScale();
    if (scale != scale_ && !SetSize(scale)) return 0;
    const std::u32string chars = DecodeUtf8(text, count);
    if (chars.empty()) return 0;

    // Layout in device pixels; the sprite maps logical pixels to device pixels again.
    auto dev = [scale](int v) {
        return static_cast<int>(std::lround(static_cast<float>(v) * scale));
    };
    const Rect box{dev(rect.left), dev(rect.top), dev(rect.right), dev(rect.bottom)};
    const auto lines = LayOut(chars, format, box.right - box.left);

    auto* target = dynamic_cast<GlSprite*>(sprite);
    const bool own = !target || !target->InBatch();
    if (own) {
        target = sprite_.get();
        target->SetTransform(math::Mat4{});
        if (Failed(target->Begin(SPRITE_ALPHABLEND))) return 0;
    }
    std::optional<Rect> clip;
    if (!(format & DT_NOCLIP)) clip = rect;
    int y = box.top;
    for (const auto& [begin, end] : lines) {
        // Trailing spaces do not count towards alignment.
        size_t visibleEnd = end;
        while (visibleEnd > begin && chars[visibleEnd - 1] == U' ') --visibleEnd;
        const int w = Width(chars, begin, visibleEnd);
        int x = box.left;
        if (format & DT_CENTER)
            x = box.left + (box.right - box.left - w) / 2;
        else if (format & DT_RIGHT)
            x = box.right - w;
        const int baseline = y + ascent_;
        for (size_t i = begin; i < visibleEnd; ++i) {
            const Glyph* g = GlyphOf(chars[i]);
            if (!g) continue;
            if (g->w > 0) {
                const float inv = 1.0f / scale;
                const float x0 = static_cast<float>(x + g->left),
                            y0 = static_cast<float>(baseline - g->top);
                const float t = static_cast<float>(kAtlasSize);
                target->AddQuad(pages_[g->page].get(), x0 * inv, y0 * inv,
                                (x0 + static_cast<float>(g->w)) * inv,
                                (y0 + static_cast<float>(g->h)) * inv, static_cast<float>(g->x) / t,
                                static_cast<float>(g->y) / t, static_cast<float>(g->x + g->w) / t,
                                static_cast<float>(g->y + g->h) / t, color, clip);
            }
            x += g->advance;
        }
        y += lineHeight_;
    }
    if (own) target->End();
    return static_cast<int>(
        std::lround(static_cast<float>(lineHeight_ * static_cast<int>(lines.size())) / scale));
}

int GlFont::TextWidth(std::string_view text) {
    GlDevice* device = link_->device;
    if (!device || !face_) return 0;
    const float scale = device->OverlayScale();
    if (scale != scale_ && !SetSize(scale)) return 0;
    const std::u32string chars = DecodeUtf8(text, -1);
    size_t end = chars.size();
    while (end > 0 && chars[end - 1] == U' ') --end;
    // Laid out in device pixels, measured in logical ones.
    return static_cast<int>(std::ceil(static_cast<float>(Width(chars, 0, end)) / scale));
}

// Fontconfig's answer for a face name, weight and slant: a file and a face index.
bool ResolveFont(const FontDesc& desc, std::string* file, int* index) {
    // The process-wide configuration: loading one per font would rescan the font folders.
    if (!FcInit()) return false;
    FcConfig* config = nullptr;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(
                           desc.faceName.empty() ? "sans-serif" : desc.faceName.c_str()));
    FcPatternAddInteger(
        pattern, FC_WEIGHT,
        FcWeightFromOpenType(std::clamp(desc.weight > 0 ? desc.weight : 400, 1, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, desc.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    bool ok = false;
    if (match) {
        FcChar8* path = nullptr;
        int idx = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
            *file = reinterpret_cast<const char*>(path);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &idx) != FcResultMatch) idx = 0;
            *index = idx;
            ok = true;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return ok;
}

}  // namespace

HRESULT CreateGlFont(std::shared_ptr<DeviceLink> link, const FontDesc& desc,
                     std::unique_ptr<Font>* out) {
    if (!out) return D3DERR_INVALIDCALL;
    out->reset();
    if (!link->device) return D3DERR_INVALIDCALL;
    std::string file;
    int index = 0;
    if (!ResolveFont(desc, &file, &index)) return E_NOTFOUND;
    auto font = std::make_unique<GlFont>(std::move(link), desc);
    HRESULT hr = font->Init(file, index);
    if (Failed(hr)) return hr;
    *out = std::move(font);
    return S_OK;
}

}  // namespace gfx::gl
