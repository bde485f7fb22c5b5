#pragma once
// Decoded images and the readers for the image formats the program embeds: JPEG
// (libjpeg; Huffman-coded, baseline or progressive: arithmetic coding is refused),
// Targa (uncompressed colour-mapped, truecolour and greyscale) and Windows bitmaps (4-
// and 8-bit palettised, 24- and 32-bit), with or without the file header.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/gfx/assets/result.h"

namespace gfx::assets {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first, width * height

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Largest image a reader accepts, per side and in total, so that a corrupt header can
// never ask for a huge allocation.
inline constexpr int kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

Result<Image> DecodeJpeg(std::span<const uint8_t> data);
Result<Image> DecodeTarga(std::span<const uint8_t> data);
Result<Image> DecodeBmp(std::span<const uint8_t> data);
// Chooses the reader by the data's signature (JPEG, "BM" or a bare bitmap header, else
// Targa, which has none).
Result<Image> DecodeImage(std::span<const uint8_t> data);

// Smallest power of two not below n (n >= 1).
int NextPowerOfTwo(int n);

// Bilinear resampling to any size (both at least 1).
Image Resize(const Image& src, int width, int height);

// The texture levels of an image: level 0 is the image stretched to the next power of
// two in each direction (bilinear), each further level halves it with a box filter down
// to 1 x 1.
std::vector<Image> BuildMipChain(const Image& src);

}  // namespace gfx::assets
