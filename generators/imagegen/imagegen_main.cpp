// Build-time generator of the program's images, all our own art:
//   vorla_imagegen OUT_DIR FONT_FILE
// writes OUT_DIR/emblem.jpg and emblem_glow.jpg (400 x 400 greyscale: the program's
// name over a block with its three pegs, and a soft glow of it), reflection.tga (10 x 10
// colour-mapped metallic reflection map), panel.bmp and button.bmp (18 x 18, 16 colours).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace {

constexpr int kEmblemSize = 400;
constexpr int kSuper = 4;  // supersampling of the block drawing

struct Point {
    double x, y;
};

// A greyscale canvas of values 0..1.
struct Canvas {
    int w, h;
    std::vector<float> v;
    Canvas(int width, int height)
        : w(width), h(height), v(static_cast<size_t>(width) * height, 0) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    float at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

// Even-odd scanline fill at sample centres.
void FillPolygon(Canvas& c, const std::vector<Point>& poly, float value) {
    double minY = 1e9, maxY = -1e9;
    for (const Point& p : poly) minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    const int y0 = std::max(0, static_cast<int>(std::floor(minY)));
    const int y1 = std::min(c.h - 1, static_cast<int>(std::ceil(maxY)));
    std::vector<double> xs;
    for (int y = y0; y <= y1; ++y) {
        const double sy = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < poly.size(); ++i) {
            const Point& a = poly[i];
            const Point& b = poly[(i + 1) % poly.size()];
            if ((a.y <= sy) != (b.y <= sy))
                xs.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            const int xa = std::max(0, static_cast<int>(std::ceil(xs[k] - 0.5)));
            const int xb = std::min(c.w - 1, static_cast<int>(std::floor(xs[k + 1] - 0.5)));
            for (int x = xa; x <= xb; ++x) c.at(x, y) = value;
        }
    }
}

std::vector<Point> ConvexHull(std::vector<Point> pts) {
    std::sort(pts.begin(), pts.end(), [](const Point& a, const Point& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    auto cross = [](const Point& o, const Point& a, const Point& b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    std::vector<Point> hull(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0) --k;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k - 1);
    return hull;
}

// Isometric view of the block from the (+1, +1, +1) side: x to the lower right, z to
// the lower left, y up.
struct Iso {
    double cx, cy, scale;
    Point operator()(double x, double y, double z) const {
        return {cx + scale * (x - z) * 0.8660254, cy - scale * (y - 0.5 * (x + z))};
    }
};

void DrawBlockMotif(Canvas& c, const Iso& iso) {
    struct Face {
        int axis;
        float shade, pegSide, pegTop;
    };
    const Face faces[3] = {
        {1, 0.95f, 0.62f, 1.0f}, {0, 0.50f, 0.36f, 0.60f}, {2, 0.72f, 0.50f, 0.84f}};
    auto point = [](int axis, double h, double a, double b) {
        std::array<double, 3> p{};
        p[static_cast<size_t>(axis)] = h;
        p[static_cast<size_t>((axis + 1) % 3)] = a;
        p[static_cast<size_t>((axis + 2) % 3)] = b;
        return p;
    };
    auto project = [&](const std::array<double, 3>& p) { return iso(p[0], p[1], p[2]); };
    for (const Face& f : faces) {
        std::vector<Point> quad;
        for (auto [a, b] : {std::pair{1, 1}, {-1, 1}, {-1, -1}, {1, -1}})
            quad.push_back(project(point(f.axis, 1, a, b)));
        FillPolygon(c, quad, f.shade);
    }
    for (const Face& f : faces) {
        std::vector<Point> base, top;
        for (int i = 0; i < 96; ++i) {
            const double t = 2 * 3.14159265358979 * i / 96;
            base.push_back(project(point(f.axis, 1.0, 0.38 * std::cos(t), 0.38 * std::sin(t))));
            top.push_back(project(point(f.axis, 1.4, 0.38 * std::cos(t), 0.38 * std::sin(t))));
        }
        std::vector<Point> both = base;
        both.insert(both.end(), top.begin(), top.end());
        FillPolygon(c, ConvexHull(both), f.pegSide);
        FillPolygon(c, top, f.pegTop);
    }
}

Canvas Downsample(const Canvas& big, int factor) {
    Canvas out(big.w / factor, big.h / factor);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            float s = 0;
            for (int dy = 0; dy < factor; ++dy)
                for (int dx = 0; dx < factor; ++dx) s += big.at(x * factor + dx, y * factor + dy);
            out.at(x, y) = s / static_cast<float>(factor * factor);
        }
    return out;
}

std::u32string Utf8ToUtf32(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

// Draws text centred on centreX with its baseline at baseline, at the largest pixel size
// whose width fits maxWidth.
bool DrawText(Canvas& c, const std::string& fontFile, const std::string& utf8, double centreX,
              int baseline, int maxWidth, int maxPixels) {
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) return false;
    FT_Face face;
    if (FT_New_Face(lib, fontFile.c_str(), 0, &face)) {
        FT_Done_FreeType(lib);
        return false;
    }
    const std::u32string text = Utf8ToUtf32(utf8);
    auto measure = [&](int px) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
        long width = 0;
        for (char32_t ch : text) {
            if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT)) continue;
            width += face->glyph->advance.x >> 6;
        }
        return width;
    };
    int px = maxPixels;
    while (px > 8 && measure(px) > maxWidth) --px;
    const long width = measure(px);
    long penX = static_cast<long>(centreX) - width / 2;
    bool ok = true;
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER)) {
            ok = false;
            continue;
        }
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                const int x = static_cast<int>(penX + g->bitmap_left + static_cast<long>(col));
                const int y = baseline - g->bitmap_top + static_cast<int>(row);
                if (x < 0 || y < 0 || x >= c.w || y >= c.h) continue;
                const float a = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col] / 255.0f;
                c.at(x, y) = std::max(c.at(x, y), a);
            }
        penX += g->advance.x >> 6;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return ok;
}

Canvas BoxBlur(const Canvas& src, int radius) {
    Canvas tmp(src.w, src.h), out(src.w, src.h);
    const float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            float s = 0;
            for (int k = -radius; k <= radius; ++k) s += src.at(std::clamp(x + k, 0, src.w - 1), y);
            tmp.at(x, y) = s * norm;
        }
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            float s = 0;
            for (int k = -radius; k <= radius; ++k) s += tmp.at(x, std::clamp(y + k, 0, src.h - 1));
            out.at(x, y) = s * norm;
        }
    return out;
}

bool WriteGreyJpeg(const std::filesystem::path& path, const Canvas& c) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);  // errors here are our own bugs: libjpeg exits
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(c.w);
    cinfo.image_height = static_cast<JDIMENSION>(c.h);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(c.w));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < c.w; ++x)
            row[static_cast<size_t>(x)] =
                static_cast<JSAMPLE>(std::lround(std::clamp(c.at(x, y), 0.0f, 1.0f) * 255));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(f) == 0;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// 10 x 10, 8-bit colour-mapped, stored bottom row first as Targa files usually are: a
// cool steel gradient with a bright diagonal streak, for the disc's reflection.
std::vector<uint8_t> ReflectionTarga() {
    constexpr int kSize = 10, kLevels = 32;
    std::vector<uint8_t> b = {0, 1, 1};  // no id, colour map present, colour-mapped
    Put16(b, 0);                         // first map entry
    Put16(b, kLevels);
    b.push_back(24);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, kSize);
    Put16(b, kSize);
    b.push_back(8);
    b.push_back(0);  // bottom-left origin
    for (int i = 0; i < kLevels; ++i) {
        const double t = i / double(kLevels - 1);
        b.push_back(static_cast<uint8_t>(std::lround(255 * t)));         // blue
        b.push_back(static_cast<uint8_t>(std::lround(255 * t * 0.95)));  // green
        b.push_back(static_cast<uint8_t>(std::lround(255 * t * 0.90)));  // red
    }
    for (int row = 0; row < kSize; ++row) {
        const int y = kSize - 1 - row;  // top row is y = 0
        for (int x = 0; x < kSize; ++x) {
            const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
            const double diag = (u + v) / 2;  // 0 at top left, 1 at bottom right
            const double streak = std::exp(-std::pow((diag - 0.35) / 0.12, 2));
            const double level = std::clamp(0.75 - 0.5 * diag + 0.35 * streak, 0.0, 1.0);
            b.push_back(static_cast<uint8_t>(std::lround(level * (kLevels - 1))));
        }
    }
    return b;
}

// 18 x 18, 4 bits per pixel, with a palette of 16 greys; value(x, y) gives the index
// with y = 0 at the top.
template <class F>
std::vector<uint8_t> Bitmap16(F value) {
    constexpr int kSize = 18;
    constexpr int kStride = ((kSize * 4 + 31) / 32) * 4;
    constexpr uint32_t kPixelOffset = 14 + 40 + 16 * 4;
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, kPixelOffset + kStride * kSize);
    Put32(b, 0);
    Put32(b, kPixelOffset);
    Put32(b, 40);
    Put32(b, kSize);
    Put32(b, kSize);  // positive: bottom row first
    Put16(b, 1);
    Put16(b, 4);
    Put32(b, 0);  // BI_RGB
    Put32(b, kStride * kSize);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 16);
    Put32(b, 0);
    for (int i = 0; i < 16; ++i) {
        const uint8_t g = static_cast<uint8_t>(i * 17);
        b.insert(b.end(), {g, g, g, 0});
    }
    for (int row = 0; row < kSize; ++row) {
        const int y = kSize - 1 - row;
        std::array<uint8_t, kStride> line{};
        for (int x = 0; x < kSize; ++x) {
            const uint8_t idx = static_cast<uint8_t>(std::clamp(value(x, y), 0, 15));
            line[static_cast<size_t>(x / 2)] |= x % 2 == 0 ? static_cast<uint8_t>(idx << 4) : idx;
        }
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

// Soft panel: light in the middle, fading towards rounded edges.
int PanelValue(int x, int y) {
    const double c = 8.5, half = 8.5, r = 4.0;
    const double dx = std::max(std::fabs(x - c) - (half - r), 0.0);
    const double dy = std::max(std::fabs(y - c) - (half - r), 0.0);
    const double inside = r - std::sqrt(dx * dx + dy * dy);  // distance in from the edge
    return static_cast<int>(std::lround(std::clamp(6 + inside * 2.5, 4.0, 14.0)));
}

// Button face: light grey with a white bevel at the top left and a grey one at the
// bottom right, inside a thin darker rim. Light, because it is tinted by multiplying.
int ButtonValue(int x, int y) {
    constexpr int n = 18;
    if (x == 0 || y == 0 || x == n - 1 || y == n - 1) return 9;
    if (x <= 2 && y < n - 1 - x) return 15;
    if (y <= 2 && x < n - 1 - y) return 15;
    if (x >= n - 3 || y >= n - 3) return 11;
    return 13;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR FONT_FILE\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::string font = argv[2];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    Canvas big(kEmblemSize * kSuper, kEmblemSize * kSuper);
    DrawBlockMotif(big, Iso{200.0 * kSuper, 150.0 * kSuper, 54.0 * kSuper});
    Canvas emblem = Downsample(big, kSuper);
    if (!DrawText(emblem, font, "ТОР-ВИН", 200, 318, 290, 72)) {
        std::fprintf(stderr, "cannot draw the title with %s\n", font.c_str());
        return 1;
    }
    Canvas glow = BoxBlur(BoxBlur(BoxBlur(emblem, 9), 9), 9);
    for (float& v : glow.v) v = std::min(1.0f, v * 1.2f);

    bool ok = WriteGreyJpeg(dir / "emblem.jpg", emblem) &&
              WriteGreyJpeg(dir / "emblem_glow.jpg", glow) &&
              WriteBytes(dir / "reflection.tga", ReflectionTarga()) &&
              WriteBytes(dir / "panel.bmp", Bitmap16(PanelValue)) &&
              WriteBytes(dir / "button.bmp", Bitmap16(ButtonValue));
    if (!ok) {
        std::fprintf(stderr, "cannot write the images to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
