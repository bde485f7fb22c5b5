// Wavefront OBJ with its material library: every block's shared positions and normals,
// then its triangles naming them ("f position//normal"), under the material of its colour.
#include <string>

#include "export/text_out.h"
#include "export/writers.h"

namespace exporter {

namespace {

// A ten-thousandth of the editor's unit is a micrometre at the default print size: far
// below what any viewer shows, and short to write.
constexpr int kPositionDecimals = 4;
constexpr int kNormalDecimals = 4;
constexpr int kColourDecimals = 4;

bool WriteMaterials(model::OutputFile& mtl, const WriteJob& job) {
    TextOut text([&](const char* data, size_t size) { return mtl.Write(data, size); });
    text.Text("# TOR-VIN (vorla) block colours\n");
    for (int m = 0; m < kMaterialSlots; ++m) {
        if (job.perMaterial[static_cast<size_t>(m)] == 0) continue;
        const model::ColourRGBA& c = model::BlockColours[static_cast<size_t>(m / 2)];
        const bool glows = m % 2 != 0;
        text.Text("\nnewmtl ");
        text.Text(MaterialName(m));
        text.Char('\n');
        const math::Vec3 colour{c.r, c.g, c.b}, black{0, 0, 0};
        text.Point(colour, kColourDecimals, {"Ka ", " ", " ", "\n"});
        text.Point(colour, kColourDecimals, {"Kd ", " ", " ", "\n"});
        text.Point(black, kColourDecimals, {"Ks ", " ", " ", "\n"});
        text.Point(glows ? colour : black, kColourDecimals, {"Ke ", " ", " ", "\n"});
        text.Text("d 1\nillum 1\n");
    }
    return text.Flush();
}

}  // namespace

bool WriteObj(model::OutputFile& obj, model::OutputFile& mtl, std::string_view mtlName,
              const ExportShape& shared, const WriteJob& job) {
    if (!WriteMaterials(mtl, job)) return false;
    TextOut text([&](const char* data, size_t size) { return obj.Write(data, size); });
    text.Text("# TOR-VIN (vorla) construction\nmtllib ");
    text.Text(mtlName);
    text.Text("\no construction\n");

    const size_t positions = shared.positions.size(), normals = shared.normals.size();
    size_t written = 0;
    int material = -1;
    const bool walked = job.walk([&](const ExportBlock& block) {
        const Placement place = PlaceBlock(block.world, Frame::Display, 1.0f);
        for (const math::Vec3& p : shared.positions)
            text.Point(place.Point(p), kPositionDecimals, {"v ", " ", " ", "\n"});
        for (const math::Vec3& d : shared.normals)
            text.Point(place.Direction(d), kNormalDecimals, {"vn ", " ", " ", "\n"});
        if (block.Material() != material) {
            material = block.Material();
            text.Text("usemtl ");
            text.Text(MaterialName(material));
            text.Char('\n');
        }
        // Indices count from 1 over the whole file.
        const size_t p0 = written * positions + 1, n0 = written * normals + 1;
        for (size_t t = 0; t < shared.TriangleCount(); ++t) {
            text.Char('f');
            for (size_t k = 0; k < 3; ++k) {
                text.Char(' ');
                text.Unsigned(p0 + shared.positionIndex[3 * t + k]);
                text.Text("//");
                text.Unsigned(n0 + shared.normalIndex[3 * t + k]);
            }
            text.Char('\n');
        }
        job.Report(++written, job.blocks);
        return text.Ok();
    });
    return text.Flush() && walked;
}

}  // namespace exporter
