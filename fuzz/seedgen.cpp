// Writes the seed corpus of every harness, one folder each, with the program's own
// writers where it has them (.x meshes, settings) and small encoders for the image
// variants the readers accept:
//   vorla_fuzz_seedgen OUT_DIR
// Seeds are small on purpose: libFuzzer mutates them thousands of times a second.
#include <QRect>
#include <QSettings>
#include <QVariant>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "meshgen/xfile_writer.h"
#include "model/vvl_codec.h"
#include "platform/gfx/assets/image.h"
#include "platform/gfx/assets/xfile.h"
#include "platform/ui/qt_settings_store.h"

using namespace input;
using namespace model;
using namespace services;

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path outDir;
bool failed = false;

void Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(outDir / folder);
    std::ofstream out(outDir / folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name.c_str());
        failed = true;
    }
}

// A seed the reader refuses would only teach the fuzzer the first few checks.
template <class R>
void MustRead(const std::string& name, const R& result) {
    if (!result) {
        std::fprintf(stderr, "seed %s is refused: %s\n", name.c_str(), result.error().c_str());
        failed = true;
    }
}

void ImageSeed(const std::string& folder, const std::string& name, const Bytes& bytes) {
    using namespace gfx::assets;
    MustRead(name, folder == "jpeg"    ? DecodeJpeg(bytes)
                   : folder == "targa" ? DecodeTarga(bytes)
                                       : DecodeBmp(bytes));
    Write(folder, name, bytes);
}

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A test pattern: distinct colours per place, so that a decoder mixing up rows, columns or
// channels shows it. 0x00RRGGBB.
uint32_t Pattern(int x, int y) {
    return static_cast<uint32_t>((x * 37) & 255) << 16 |
           static_cast<uint32_t>((y * 59) & 255) << 8 |
           static_cast<uint32_t>((x * y * 11 + 90) & 255);
}

// ---------------------------------------------------------------- .vvl documents

std::unique_ptr<BlockNode> Block(int colour, math::Vec3 offset) {
    auto b = std::make_unique<BlockNode>();
    b->colour = colour;
    b->offset = offset;
    return b;
}

void DocumentSeeds() {
    auto write = [](const std::string& name, const ConstructionSettings& settings,
                    const CVelVorlaModel& model, const model::CameraRecord& camera = {}) {
        const Bytes bytes = EncodeConstruction(camera, settings, model);
        ConstructionDocument check;
        if (!DecodeConstruction(bytes.data(), bytes.size(), check)) {
            std::fprintf(stderr, "seed %s is refused\n", name.c_str());
            failed = true;
        }
        Write("vvl", name, bytes);
    };
    CVelVorlaModel model;
    write("empty.vvl", {}, model);

    model.CountAdded(ColourGreen);
    model.topBlocks.PushBack(Block(ColourGreen, {0, 0, 0}));
    write("new.vvl", {}, model);

    // Every field away from its default: a short chain with a branch, twists, a hidden
    // and a self-lit block, two top-level blocks, another camera and other settings.
    BlockNode& root = *model.topBlocks.Front();
    BlockNode* tip = &root;
    for (int i = 0; i < 4; ++i) {
        auto b = Block(i % 5, {0, 2, 0});
        b->angle = 0.5f * static_cast<float>(i);
        b->axis = {0, 0, -2};
        b->selfLit = i == 2;
        b->visible = i != 3;
        model.CountAdded(b->colour);
        tip = &tip->AppendChild(std::move(b));
    }
    model.CountAdded(ColourWhite);
    root.AppendChild(Block(ColourWhite, {2, 0, 0}));
    model.CountAdded(ColourBlue);
    model.topBlocks.PushBack(Block(ColourBlue, {0, 0, 6}));
    model.gridSize = 3;
    model.gridShell = 2;
    model::CameraRecord camera;
    camera.zoom = 1.5f;
    camera.orbitMode = 0;
    camera.target = {1, 2, 3};
    write("tree.vvl", {0, ColourRed, 2, 1, 1, 1}, model, camera);
}

// ---------------------------------------------------------------- .x meshes

math::MeshGeometry Tetrahedron(bool normals) {
    math::MeshGeometry m;
    m.positions = {{1, 1, 1}, {-1, -1, 1}, {-1, 1, -1}, {1, -1, -1}};
    m.indices = {0, 1, 2, 0, 3, 1, 0, 2, 3, 1, 3, 2};
    if (normals)
        for (const auto& p : m.positions) m.normals.push_back(math::Normalize(p));
    return m;
}

// A wavy sheet big enough that its token stream spans several compressed blocks, each
// inflated with the previous blocks as dictionary.
math::MeshGeometry Sheet(int side) {
    math::MeshGeometry m;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float h = static_cast<float>((x + y) % 4) * 0.25f;
            m.positions.push_back({static_cast<float>(x), h, static_cast<float>(y)});
            m.normals.push_back({0, 1, 0});
        }
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            const auto i = static_cast<uint16_t>(y * side + x);
            const auto s = static_cast<uint16_t>(side);
            m.indices.insert(m.indices.end(),
                             {i, static_cast<uint16_t>(i + s), static_cast<uint16_t>(i + 1),
                              static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + s),
                              static_cast<uint16_t>(i + s + 1)});
        }
    return m;
}

void MeshSeeds() {
    auto compressed = [](const std::string& name, const math::MeshGeometry& mesh) {
        auto bytes = gfx::assets::WriteCompressedXMesh(mesh, "seed");
        if (!bytes) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), bytes.error().c_str());
            failed = true;
            return;
        }
        MustRead(name, gfx::assets::ReadXMesh(*bytes));
        Write("xfile", name, *bytes);
    };
    compressed("tetrahedron.x", Tetrahedron(true));
    compressed("no_normals.x", Tetrahedron(false));
    compressed("sheet.x", Sheet(24));

    const char header[] = "xof 0303bin 0032";
    Bytes plain(header, header + 16);
    const Bytes tokens = gfx::assets::BuildXTokenStream(Tetrahedron(true), "plain");
    plain.insert(plain.end(), tokens.begin(), tokens.end());
    MustRead("uncompressed.x", gfx::assets::ReadXMesh(plain));
    Write("xfile", "uncompressed.x", plain);
}

// ---------------------------------------------------------------- JPEG

struct JpegOptions {
    int width, height;
    bool colour;
    bool progressive = false;
    int restartRows = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;  // a colour space other than the default
};

Bytes Jpeg(const JpegOptions& o) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);  // failures here are our own bugs: libjpeg exits
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(o.width);
    cinfo.image_height = static_cast<JDIMENSION>(o.height);
    cinfo.input_components = o.colour ? 3 : 1;
    cinfo.in_color_space = o.colour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    if (o.space != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, o.space);
    if (o.progressive) jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = o.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(o.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < o.width; ++x) {
            const uint32_t c = Pattern(x, y);
            if (o.colour) {
                row[3 * x] = static_cast<JSAMPLE>(c >> 16);
                row[3 * x + 1] = static_cast<JSAMPLE>(c >> 8);
                row[3 * x + 2] = static_cast<JSAMPLE>(c);
            } else {
                row[x] = static_cast<JSAMPLE>(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    free(buffer);
    return out;
}

void JpegSeeds() {
    ImageSeed("jpeg", "grey_8x8.jpg", Jpeg({8, 8, false}));
    ImageSeed("jpeg", "colour_17x13.jpg", Jpeg({17, 13, true}));
    ImageSeed("jpeg", "progressive_16x16.jpg", Jpeg({16, 16, true, true}));
    ImageSeed("jpeg", "restarts_24x24.jpg", Jpeg({24, 24, false, false, 1}));
    ImageSeed("jpeg", "rgb_8x8.jpg", Jpeg({8, 8, true, false, 0, JCS_RGB}));
}

// ---------------------------------------------------------------- Targa

// type 1: colour-mapped (8-bit indices, mapBits per map entry); 2: truecolour; 3: grey.
Bytes Targa(int type, int bits, int mapBits, int w, int h, int descriptor, int idLength = 0) {
    Bytes b;
    const int mapLength = type == 1 ? 16 : 0, mapFirst = type == 1 ? 2 : 0;
    b.push_back(static_cast<uint8_t>(idLength));
    b.push_back(type == 1 ? 1 : 0);
    b.push_back(static_cast<uint8_t>(type));
    Put16(b, static_cast<uint32_t>(mapFirst));
    Put16(b, static_cast<uint32_t>(mapLength));
    b.push_back(static_cast<uint8_t>(type == 1 ? mapBits : 0));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, static_cast<uint32_t>(w));
    Put16(b, static_cast<uint32_t>(h));
    b.push_back(static_cast<uint8_t>(bits));
    b.push_back(static_cast<uint8_t>(descriptor));
    for (int i = 0; i < idLength; ++i) b.push_back(static_cast<uint8_t>('a' + i));
    auto colour = [&](uint32_t c, int depth) {
        const uint32_t r = c >> 16 & 255, g = c >> 8 & 255, bl = c & 255;
        if (depth == 8) {
            b.push_back(static_cast<uint8_t>(g));
        } else if (depth == 15 || depth == 16) {
            Put16(b, (r >> 3) << 10 | (g >> 3) << 5 | bl >> 3);
        } else {
            b.insert(b.end(),
                     {static_cast<uint8_t>(bl), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
            if (depth == 32) b.push_back(static_cast<uint8_t>(128 + (c & 127)));
        }
    };
    for (int i = 0; i < mapLength; ++i) colour(Pattern(i, i), mapBits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (type == 1)
                b.push_back(static_cast<uint8_t>(mapFirst + (x + y) % mapLength));
            else
                colour(Pattern(x, y), type == 3 ? 8 : bits);
        }
    return b;
}

void TargaSeeds() {
    ImageSeed("targa", "mapped_24.tga", Targa(1, 8, 24, 10, 10, 0));
    ImageSeed("targa", "mapped_16_top_down.tga", Targa(1, 8, 16, 5, 4, 0x20, 3));
    ImageSeed("targa", "mapped_32.tga", Targa(1, 8, 32, 3, 3, 0));
    ImageSeed("targa", "true_16.tga", Targa(2, 16, 0, 4, 3, 0));
    ImageSeed("targa", "true_24_right_to_left.tga", Targa(2, 24, 0, 5, 2, 0x10));
    ImageSeed("targa", "true_32.tga", Targa(2, 32, 0, 3, 5, 0x28));
    ImageSeed("targa", "grey.tga", Targa(3, 8, 0, 7, 3, 0));
}

// ---------------------------------------------------------------- Windows bitmap

// height < 0: top-down. fileHeader false: the bare info header a resource holds.
Bytes Bmp(int bits, int w, int h, bool fileHeader, uint32_t coloursUsed = 0) {
    const int rows = std::abs(h);
    const uint32_t stride = static_cast<uint32_t>((w * bits + 31) / 32 * 4);
    const uint32_t palette = bits <= 8 ? 4 * (coloursUsed ? coloursUsed : 1u << bits) : 0;
    Bytes b;
    if (fileHeader) {
        b.push_back('B');
        b.push_back('M');
        Put32(b, 14 + 40 + palette + stride * static_cast<uint32_t>(rows));
        Put32(b, 0);
        Put32(b, 14 + 40 + palette);
    }
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(bits));
    Put32(b, 0);  // no compression
    Put32(b, stride * static_cast<uint32_t>(rows));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, coloursUsed);
    Put32(b, 0);
    for (uint32_t i = 0; i < palette / 4; ++i) Put32(b, Pattern(static_cast<int>(i), 3));
    const uint32_t entries = palette / 4;
    for (int y = 0; y < rows; ++y) {
        Bytes line(stride, 0);
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Pattern(x, y);
            const uint32_t index = entries ? static_cast<uint32_t>(x + 2 * y) % entries : 0;
            if (bits == 4)
                line[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
            else if (bits == 8)
                line[x] = static_cast<uint8_t>(index);
            else
                for (int k = 0; k < bits / 8; ++k)
                    line[static_cast<size_t>(x * bits / 8 + k)] =
                        k < 3 ? static_cast<uint8_t>(c >> (8 * k)) : 0;
        }
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

void BmpSeeds() {
    ImageSeed("bmp", "palette_4.bmp", Bmp(4, 18, 18, true));
    ImageSeed("bmp", "palette_4_odd_width.bmp", Bmp(4, 5, 3, true, 6));
    ImageSeed("bmp", "palette_8.bmp", Bmp(8, 6, 4, true, 20));
    ImageSeed("bmp", "true_24_top_down.bmp", Bmp(24, 5, -3, true));
    ImageSeed("bmp", "true_32.bmp", Bmp(32, 3, 2, true));
    ImageSeed("bmp", "bare_header_24.bmp", Bmp(24, 3, 3, false));
}

// ---------------------------------------------------------------- settings

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Text(const std::string& name, const std::string& text) {
    Write("settings", name, Bytes(text.begin(), text.end()));
}

void SettingsSeeds() {
    const fs::path scratch = outDir / "settings-scratch.conf";
    {
        // What the program itself writes at exit.
        fs::remove(scratch);
        ui::QtSettingsStore store(QString::fromStdString(scratch.string()));
        store.WriteDword("Background", 160);
        store.WriteDword("Grid", 0xFFFFFF);
        store.WriteDword("Help", 1);
        store.WriteDword("Buttons", 0);
        store.WriteString("LastDir", "/home/пользователь/Модели, \"старые\"\\");
        store.WriteDword("AutosaveSeconds", 300);
        store.WriteStringList("Recent", {"/home/a/мост.vvl", "/tmp/b, c.vvl"});
        store.Flush();
    }
    Write("settings", "written.conf", ReadFile(scratch));
    {
        // Values another program could leave: typed values QSettings encodes itself.
        fs::remove(scratch);
        QSettings s(QString::fromStdString(scratch.string()), QSettings::IniFormat);
        s.setValue("Background", QVariantList{1, QString("two"), QVariantList{3.5}});
        s.setValue("Grid", QRect(1, 2, 3, 4));
        s.setValue("Help", QByteArray("\x01\x02", 2));
        s.setValue("LastDir", QStringList{"a", "b"});
        s.sync();
    }
    Write("settings", "typed.conf", ReadFile(scratch));
    fs::remove(scratch);
    Text("hand_edited.conf",
         "; edited by hand\n[General]\nBackground = 0xA0\nGrid=-1\nHelp=99999999999\n"
         "Buttons=\" 1 \"\nLastDir=\"C:\\\\Models\"\n\n[Other]\nBackground=5\n");
    Text("escapes.conf",
         "[General]\nLastDir=\\x41\\0\\t%U\\u0444\\\nBackground=@Invalid()\n"
         "Grid=@ByteArray(abc)\nHelp=1;x\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    outDir = argv[1];
    DocumentSeeds();
    MeshSeeds();
    JpegSeeds();
    TargaSeeds();
    BmpSeeds();
    SettingsSeeds();
    return failed ? 1 : 0;
}
