#include "platform/gfx/assets/image.h"

#include <gtest/gtest.h>

#include <cstdlib>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "resources/resources.h"

namespace {

using gfx::assets::Image;

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A bitmap file (or, without fileHeader, the bare form Windows keeps in resources).
std::vector<uint8_t> Bmp(int w, int h, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<uint8_t>& rows, bool fileHeader = true) {
    std::vector<uint8_t> b;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    if (fileHeader) {
        b = {'B', 'M'};
        Put32(b, offset + static_cast<uint32_t>(rows.size()));
        Put32(b, 0);
        Put32(b, offset);
    }
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(bits));
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(rows.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(palette.size()));
    Put32(b, 0);
    for (uint32_t c : palette) Put32(b, c);  // 0x00RRGGBB is B, G, R, 0 in the file
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::vector<uint8_t> EncodeJpeg(int w, int h, int comps, const std::vector<uint8_t>& samples) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = comps;
    cinfo.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * w * comps);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

int Red(uint32_t c) {
    return (c >> 16) & 255;
}
int Green(uint32_t c) {
    return (c >> 8) & 255;
}
int Blue(uint32_t c) {
    return c & 255;
}

TEST(EmbeddedImages, DecodeToTheirSizesAndKinds) {
    for (int id : {vres::kEmblemImage, vres::kEmblemGlowImage}) {
        auto img = gfx::assets::DecodeImage(vres::GetResource(id));
        ASSERT_TRUE(img) << img.error();
        EXPECT_EQ(img->width, 400);
        EXPECT_EQ(img->height, 400);
        int darkest = 255, brightest = 0;
        for (uint32_t c : img->pixels) {
            ASSERT_EQ(c >> 24, 0xFFu);
            ASSERT_TRUE(Red(c) == Green(c) && Green(c) == Blue(c)) << "greyscale";
            darkest = std::min(darkest, Red(c));
            brightest = std::max(brightest, Red(c));
        }
        EXPECT_LT(darkest, 16);
        EXPECT_GT(brightest, 200);
        // The corners lie outside the disc and stay dark.
        EXPECT_LT(Red(img->At(0, 0)), 16);
        EXPECT_LT(Red(img->At(399, 399)), 16);
    }
    auto refl = gfx::assets::DecodeImage(vres::GetResource(vres::kReflectionImage));
    ASSERT_TRUE(refl) << refl.error();
    EXPECT_EQ(refl->width, 10);
    EXPECT_EQ(refl->height, 10);
    // Stored bottom row first; read top row first, the light upper left above the dark
    // lower right.
    EXPECT_GT(Red(refl->At(0, 0)), Red(refl->At(9, 9)) + 40);
    EXPECT_GE(Blue(refl->At(5, 5)), Red(refl->At(5, 5))) << "a cool steel tint";
    for (int id : {vres::kPanelBitmap, vres::kButtonBitmap}) {
        auto img = gfx::assets::DecodeImage(vres::GetResource(id));
        ASSERT_TRUE(img) << img.error();
        EXPECT_EQ(img->width, 18);
        EXPECT_EQ(img->height, 18);
        EXPECT_GE(Red(img->At(9, 9)), 0xCC) << "light in the middle";
    }
    auto button = gfx::assets::DecodeImage(vres::GetResource(vres::kButtonBitmap));
    EXPECT_GT(Red(button->At(1, 9)), Red(button->At(16, 9))) << "lit from the upper left";
}

TEST(Bitmap, PalettisedAndTruecolourRowsInBothDirections) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 3 x 2 at 4 bits: bottom row (1, 2, 3), top row (0, 1, 0); rows padded to 4 bytes.
    const std::vector<uint8_t> rows4 = {0x12, 0x30, 0, 0, 0x01, 0x00, 0, 0};
    for (bool header : {true, false}) {
        auto img = gfx::assets::DecodeBmp(Bmp(3, 2, 4, palette, rows4, header));
        ASSERT_TRUE(img) << img.error();
        EXPECT_EQ(img->pixels, (std::vector<uint32_t>{0xFF000000, 0xFFFF0000, 0xFF000000,
                                                      0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
    }
    EXPECT_TRUE(gfx::assets::DecodeImage(Bmp(3, 2, 4, palette, rows4, false)))
        << "bare form sniffed";

    // 8 bits, stored top-down (negative height).
    const std::vector<uint8_t> rows8 = {3, 2, 0, 0, 1, 0, 0, 0};
    auto top = gfx::assets::DecodeBmp(Bmp(2, -2, 8, palette, rows8));
    ASSERT_TRUE(top) << top.error();
    EXPECT_EQ(top->pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF000000}));

    // 24 bits: B, G, R per pixel.
    const std::vector<uint8_t> rows24 = {0x30, 0x20, 0x10, 0, 0, 0, 0, 0};
    auto tc = gfx::assets::DecodeBmp(Bmp(2, 1, 24, {}, rows24));
    ASSERT_TRUE(tc) << tc.error();
    EXPECT_EQ(tc->pixels, (std::vector<uint32_t>{0xFF102030, 0xFF000000}));

    // An index beyond a short colour table is an error, not a read past it.
    const std::vector<uint32_t> two = {0x111111, 0x222222};
    EXPECT_FALSE(gfx::assets::DecodeBmp(Bmp(3, 2, 4, two, rows4)));
}

TEST(Targa, ColourMappedAndTruecolourImages) {
    // 2 x 2 colour-mapped, first map entry 5, 24-bit entries, bottom-left origin.
    std::vector<uint8_t> t = {0, 1, 1};
    Put16(t, 5);
    Put16(t, 3);
    t.push_back(24);
    Put32(t, 0);
    Put16(t, 2);
    Put16(t, 2);
    t.push_back(8);
    t.push_back(0);
    t.insert(t.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0});  // red, green, blue (B, G, R)
    t.insert(t.end(), {5, 6, 7, 5});                       // bottom row, then top row
    auto img = gfx::assets::DecodeTarga(t);
    ASSERT_TRUE(img) << img.error();
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFF0000, 0xFFFF0000, 0xFF00FF00}));

    auto topLeft = t;
    topLeft[17] = 0x20;
    auto flipped = gfx::assets::DecodeTarga(topLeft);
    ASSERT_TRUE(flipped);
    EXPECT_EQ(flipped->At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(flipped->At(1, 0), 0xFF00FF00u);

    auto outside = t;
    outside.back() = 9;  // map holds 5..7
    EXPECT_FALSE(gfx::assets::DecodeTarga(outside));
    outside.back() = 4;
    EXPECT_FALSE(gfx::assets::DecodeTarga(outside));

    // 1 x 1 truecolour with alpha, top-left origin.
    std::vector<uint8_t> tc = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 0x28};
    tc.insert(tc.end(), {0x10, 0x20, 0x30, 0x80});
    auto rgba = gfx::assets::DecodeTarga(tc);
    ASSERT_TRUE(rgba) << rgba.error();
    EXPECT_EQ(rgba->pixels[0], 0x80302010u);

    auto rle = tc;
    rle[2] = 10;
    EXPECT_FALSE(gfx::assets::DecodeTarga(rle)) << "run-length images are refused, not misread";
}

TEST(Jpeg, GreyAndColourImages) {
    std::vector<uint8_t> grey(16 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) grey[static_cast<size_t>(y * 16 + x)] = x < 8 ? 40 : 200;
    auto g = gfx::assets::DecodeJpeg(EncodeJpeg(16, 8, 1, grey));
    ASSERT_TRUE(g) << g.error();
    EXPECT_EQ(g->width, 16);
    EXPECT_EQ(g->height, 8);
    EXPECT_NEAR(Red(g->At(2, 2)), 40, 3);
    EXPECT_NEAR(Red(g->At(13, 5)), 200, 3);

    std::vector<uint8_t> rgb(8 * 8 * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 230, rgb[i + 1] = 20, rgb[i + 2] = 60;
    auto c = gfx::assets::DecodeImage(EncodeJpeg(8, 8, 3, rgb));
    ASSERT_TRUE(c) << c.error();
    EXPECT_NEAR(Red(c->At(4, 4)), 230, 4);
    EXPECT_NEAR(Green(c->At(4, 4)), 20, 4);
    EXPECT_NEAR(Blue(c->At(4, 4)), 60, 4);

    // The same file marked arithmetic-coded (SOF9 for SOF0) is refused, not decoded.
    auto arithmetic = EncodeJpeg(8, 8, 3, rgb);
    for (size_t i = 0; i + 1 < arithmetic.size(); ++i) {
        if (arithmetic[i] == 0xFF && arithmetic[i + 1] == 0xC0) {
            arithmetic[i + 1] = 0xC9;
            break;
        }
    }
    EXPECT_FALSE(gfx::assets::DecodeJpeg(arithmetic));
}

TEST(ImageReaders, DamagedDataGivesErrorsNeverCrashes) {
    const std::vector<std::vector<uint8_t>> files = {
        [] {
            auto s = vres::GetResource(vres::kEmblemImage);
            return std::vector<uint8_t>(s.begin(), s.end());
        }(),
        [] {
            auto s = vres::GetResource(vres::kReflectionImage);
            return std::vector<uint8_t>(s.begin(), s.end());
        }(),
        [] {
            auto s = vres::GetResource(vres::kPanelBitmap);
            return std::vector<uint8_t>(s.begin(), s.end());
        }(),
    };
    for (size_t k = 0; k < files.size(); ++k) {
        const auto& good = files[k];
        ASSERT_TRUE(gfx::assets::DecodeImage(good));
        // Truncation: small files at every length, the JPEG at a spread of lengths.
        const size_t step = good.size() > 2000 ? good.size() / 97 : 1;
        for (size_t n = 0; n < good.size(); n += step)
            EXPECT_FALSE(gfx::assets::DecodeImage(std::span<const uint8_t>(good.data(), n)))
                << "file " << k << " truncated to " << n;
        // Damage anywhere either decodes to an image of sane size or fails cleanly.
        for (size_t i = 0; i < good.size(); i += step) {
            auto bad = good;
            bad[i] ^= 0xA5;
            auto r = gfx::assets::DecodeImage(bad);
            if (!r) continue;
            EXPECT_EQ(r->pixels.size(), static_cast<size_t>(r->width) * r->height);
        }
    }
    // A header announcing a huge image is refused before anything is allocated.
    auto huge = Bmp(1, 1, 24, {}, {0, 0, 0, 0});
    huge[18] = huge[19] = huge[20] = 0xFF;
    huge[21] = 0x00;
    EXPECT_FALSE(gfx::assets::DecodeBmp(huge));
}

TEST(MipChain, StretchesToPowersOfTwoAndHalvesDownToOnePixel) {
    EXPECT_EQ(gfx::assets::NextPowerOfTwo(400), 512);
    EXPECT_EQ(gfx::assets::NextPowerOfTwo(10), 16);
    EXPECT_EQ(gfx::assets::NextPowerOfTwo(18), 32);
    EXPECT_EQ(gfx::assets::NextPowerOfTwo(32), 32);
    EXPECT_EQ(gfx::assets::NextPowerOfTwo(1), 1);

    auto emblem = gfx::assets::DecodeImage(vres::GetResource(vres::kEmblemImage));
    ASSERT_TRUE(emblem);
    const auto levels = gfx::assets::BuildMipChain(*emblem);
    ASSERT_EQ(levels.size(), 10u);
    for (size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(levels[i].width, 512 >> i);
        EXPECT_EQ(levels[i].height, 512 >> i);
        EXPECT_EQ(levels[i].pixels.size(), static_cast<size_t>(levels[i].width) * levels[i].height);
    }
    EXPECT_EQ(
        gfx::assets::BuildMipChain(*gfx::assets::DecodeImage(vres::GetResource(vres::kPanelBitmap)))
            .front()
            .width,
        32);

    // A flat image stays flat at every level; a rectangle halves each side down to 1.
    Image flat{10, 3, std::vector<uint32_t>(30, 0x80FF4020u)};
    const auto chain = gfx::assets::BuildMipChain(flat);
    ASSERT_EQ(chain.size(), 5u);  // 16x4, 8x2, 4x1, 2x1, 1x1
    EXPECT_EQ(chain[0].height, 4);
    EXPECT_EQ(chain[2].width, 4);
    EXPECT_EQ(chain[2].height, 1);
    for (const Image& level : chain)
        for (uint32_t c : level.pixels) ASSERT_EQ(c, 0x80FF4020u);

    // Bilinear stretching keeps a left-to-right ramp monotonic, with the ends intact.
    Image ramp{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
    const Image wide = gfx::assets::Resize(ramp, 8, 1);
    EXPECT_EQ(wide.pixels.front(), 0xFF000000u);
    EXPECT_EQ(wide.pixels.back(), 0xFFFFFFFFu);
    for (int x = 1; x < 8; ++x) EXPECT_GE(Red(wide.At(x, 0)), Red(wide.At(x - 1, 0)));
    // The last level is the average of the whole.
    const auto avg = gfx::assets::BuildMipChain(
        Image{2, 2, {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu}});
    EXPECT_NEAR(Red(avg.back().pixels[0]), 128, 1);
}

}  // namespace
