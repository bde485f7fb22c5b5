#include "platform/gfx/assets/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace gfx::assets {

namespace {

uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

bool SizeAcceptable(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

Error Fail(const char* format, const std::string& what) {
    return Error{std::string(format) + ": " + what};
}

// ---------------------------------------------------------------------------------------
// Targa

uint32_t TargaColour(const uint8_t* p, int bits) {
    switch (bits) {
        case 8:
            return Argb(255, p[0], p[0], p[0]);
        case 15:
        case 16: {
            const uint16_t v = GetU16(p);
            auto expand = [](uint32_t c5) { return (c5 << 3) | (c5 >> 2); };
            return Argb(255, expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
        }
        case 24:
            return Argb(255, p[2], p[1], p[0]);
        default:  // 32
            return Argb(p[3], p[2], p[1], p[0]);
    }
}

}  // namespace

Result<Image> DecodeTarga(std::span<const uint8_t> data) {
    constexpr const char* kFmt = "Targa image";
    if (data.size() < 18) return Fail(kFmt, "header truncated");
    const uint8_t* h = data.data();
    const int idLength = h[0], mapType = h[1], type = h[2];
    const int mapFirst = GetU16(h + 3), mapLength = GetU16(h + 5), mapBits = h[7];
    const int width = GetU16(h + 12), height = GetU16(h + 14), bits = h[16];
    const int descriptor = h[17];
    if (type == 9 || type == 10 || type == 11) return Fail(kFmt, "compressed Targa not supported");
    if (type != 1 && type != 2 && type != 3) return Fail(kFmt, "unsupported image type");
    if (!SizeAcceptable(width, height)) return Fail(kFmt, "bad size");

    size_t pos = 18 + static_cast<size_t>(idLength);
    std::vector<uint32_t> palette;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
            return Fail(kFmt, "bad colour map entry size");
        const size_t entry = static_cast<size_t>((mapBits + 7) / 8);
        const size_t bytes = entry * static_cast<size_t>(mapLength);
        if (pos > data.size() || data.size() - pos < bytes)
            return Fail(kFmt, "colour map truncated");
        for (int i = 0; i < mapLength; ++i)
            palette.push_back(TargaColour(data.data() + pos + entry * i, mapBits));
        pos += bytes;
    } else if (mapType != 0) {
        return Fail(kFmt, "bad colour map type");
    }

    int pixelBytes;
    if (type == 1) {
        if (mapType != 1 || bits != 8) return Fail(kFmt, "colour-mapped image must be 8-bit");
        pixelBytes = 1;
    } else if (type == 2) {
        if (bits != 15 && bits != 16 && bits != 24 && bits != 32)
            return Fail(kFmt, "unsupported truecolour depth");
        pixelBytes = (bits + 7) / 8;
    } else {
        if (bits != 8) return Fail(kFmt, "greyscale image must be 8-bit");
        pixelBytes = 1;
    }
    const size_t need = static_cast<size_t>(width) * height * pixelBytes;
    if (pos > data.size() || data.size() - pos < need) return Fail(kFmt, "pixel data truncated");

    Image img;
    img.width = width;
    img.height = height;
    img.pixels.resize(static_cast<size_t>(width) * height);
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const uint8_t* src = data.data() + pos;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        for (int col = 0; col < width; ++col) {
            const int x = rightToLeft ? width - 1 - col : col;
            const uint8_t* p = src + (static_cast<size_t>(row) * width + col) * pixelBytes;
            uint32_t c;
            if (type == 1) {
                const int index = p[0] - mapFirst;
                if (index < 0 || index >= static_cast<int>(palette.size()))
                    return Fail(kFmt, "colour index outside the colour map");
                c = palette[static_cast<size_t>(index)];
            } else {
                c = TargaColour(p, type == 3 ? 8 : bits);
            }
            img.pixels[static_cast<size_t>(y) * width + x] = c;
        }
    }
    return img;
}

// ---------------------------------------------------------------------------------------
// Windows bitmap

Result<Image> DecodeBmp(std::span<const uint8_t> data) {
    constexpr const char* kFmt = "bitmap";
    size_t infoPos = 0;
    size_t pixelOffset = 0;  // 0: right after the colour table
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (data.size() < 14) return Fail(kFmt, "file header truncated");
        pixelOffset = GetU32(data.data() + 10);
        infoPos = 14;
    }
    if (data.size() - infoPos < 40) return Fail(kFmt, "info header truncated");
    const uint8_t* ih = data.data() + infoPos;
    const uint32_t headerSize = GetU32(ih);
    if (headerSize < 40 || headerSize > data.size() - infoPos)
        return Fail(kFmt, "unsupported info header");
    const int32_t width = static_cast<int32_t>(GetU32(ih + 4));
    const int32_t rawHeight = static_cast<int32_t>(GetU32(ih + 8));
    const int bits = GetU16(ih + 14);
    const uint32_t compression = GetU32(ih + 16);
    uint32_t colorsUsed = GetU32(ih + 32);
    if (GetU16(ih + 12) != 1) return Fail(kFmt, "bad plane count");
    if (compression != 0) return Fail(kFmt, "compressed bitmaps not supported");
    if (bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Fail(kFmt, "unsupported colour depth");
    if (rawHeight == INT32_MIN) return Fail(kFmt, "bad size");
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -static_cast<int64_t>(rawHeight) : rawHeight;
    if (!SizeAcceptable(width, height)) return Fail(kFmt, "bad size");

    std::vector<uint32_t> palette;
    size_t pos = infoPos + headerSize;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        if (colorsUsed == 0) colorsUsed = maxColors;
        if (colorsUsed > maxColors) return Fail(kFmt, "colour table too large");
        if (data.size() - pos < 4 * static_cast<size_t>(colorsUsed))
            return Fail(kFmt, "colour table truncated");
        for (uint32_t i = 0; i < colorsUsed; ++i) {
            const uint8_t* p = data.data() + pos + 4 * i;
            palette.push_back(Argb(255, p[2], p[1], p[0]));
        }
        pos += 4 * static_cast<size_t>(colorsUsed);
    }
    if (pixelOffset != 0) pos = pixelOffset;
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (pos > data.size() || (data.size() - pos) / stride < static_cast<size_t>(height))
        return Fail(kFmt, "pixel data truncated");

    Image img;
    img.width = width;
    img.height = static_cast<int>(height);
    img.pixels.resize(static_cast<size_t>(width) * img.height);
    for (int row = 0; row < img.height; ++row) {
        const uint8_t* line = data.data() + pos + stride * row;
        const int y = topDown ? row : img.height - 1 - row;
        uint32_t* out = img.pixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            if (bits <= 8) {
                const unsigned index =
                    bits == 8 ? line[x] : (x % 2 == 0 ? line[x / 2] >> 4 : line[x / 2] & 15u);
                if (index >= palette.size()) return Fail(kFmt, "colour index outside the table");
                out[x] = palette[index];
            } else if (bits == 24) {
                const uint8_t* p = line + 3 * x;
                out[x] = Argb(255, p[2], p[1], p[0]);
            } else {
                // 32-bit BI_RGB: the fourth byte is unused, so the image is opaque.
                const uint8_t* p = line + 4 * x;
                out[x] = Argb(255, p[2], p[1], p[0]);
            }
        }
    }
    return img;
}

Result<Image> DecodeImage(std::span<const uint8_t> data) {
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return DecodeJpeg(data);
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data);
    if (data.size() >= 4 && GetU32(data.data()) >= 40 && GetU32(data.data()) <= 124 &&
        data[0] != 0 && data[1] == 0 && data[2] == 0 && data[3] == 0)
        return DecodeBmp(data);
    return DecodeTarga(data);
}

// ---------------------------------------------------------------------------------------
// Resampling

int NextPowerOfTwo(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

Image Resize(const Image& src, int width, int height) {
    Image dst;
    dst.width = width;
    dst.height = height;
    dst.pixels.resize(static_cast<size_t>(width) * height);
    if (src.width == width && src.height == height) {
        dst.pixels = src.pixels;
        return dst;
    }
    const float sx = static_cast<float>(src.width) / static_cast<float>(width);
    const float sy = static_cast<float>(src.height) / static_cast<float>(height);
    for (int y = 0; y < height; ++y) {
        const float fy = std::clamp((static_cast<float>(y) + 0.5f) * sy - 0.5f, 0.0f,
                                    static_cast<float>(src.height - 1));
        const int y0 = static_cast<int>(fy);
        const int y1 = std::min(y0 + 1, src.height - 1);
        const float ty = fy - static_cast<float>(y0);
        for (int x = 0; x < width; ++x) {
            const float fx = std::clamp((static_cast<float>(x) + 0.5f) * sx - 0.5f, 0.0f,
                                        static_cast<float>(src.width - 1));
            const int x0 = static_cast<int>(fx);
            const int x1 = std::min(x0 + 1, src.width - 1);
            const float tx = fx - static_cast<float>(x0);
            const uint32_t c00 = src.At(x0, y0), c10 = src.At(x1, y0);
            const uint32_t c01 = src.At(x0, y1), c11 = src.At(x1, y1);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                auto ch = [&](uint32_t c) { return static_cast<float>((c >> shift) & 255u); };
                const float top = ch(c00) + (ch(c10) - ch(c00)) * tx;
                const float bottom = ch(c01) + (ch(c11) - ch(c01)) * tx;
                const float v = top + (bottom - top) * ty;
                out |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
            }
            dst.pixels[static_cast<size_t>(y) * width + x] = out;
        }
    }
    return dst;
}

std::vector<Image> BuildMipChain(const Image& src) {
    std::vector<Image> levels;
    if (src.width <= 0 || src.height <= 0) return levels;
    levels.push_back(Resize(src, NextPowerOfTwo(src.width), NextPowerOfTwo(src.height)));
    while (levels.back().width > 1 || levels.back().height > 1) {
        const Image& a = levels.back();
        Image b;
        b.width = std::max(1, a.width / 2);
        b.height = std::max(1, a.height / 2);
        b.pixels.resize(static_cast<size_t>(b.width) * b.height);
        const int fx = a.width / b.width, fy = a.height / b.height;  // 1 or 2
        for (int y = 0; y < b.height; ++y) {
            for (int x = 0; x < b.width; ++x) {
                uint32_t sum[4] = {0, 0, 0, 0};
                for (int dy = 0; dy < fy; ++dy)
                    for (int dx = 0; dx < fx; ++dx) {
                        const uint32_t c = a.At(x * fx + dx, y * fy + dy);
                        for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 255u;
                    }
                const uint32_t n = static_cast<uint32_t>(fx * fy);
                uint32_t out = 0;
                for (int k = 0; k < 4; ++k) out |= ((sum[k] + n / 2) / n) << (8 * k);
                b.pixels[static_cast<size_t>(y) * b.width + x] = out;
            }
        }
        levels.push_back(std::move(b));
    }
    return levels;
}

}  // namespace gfx::assets
