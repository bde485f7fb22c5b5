// 3MF: a zip package whose model part, 3D/3dmodel.model, holds the construction as one
// mesh object in millimetres. Every block is a closed, consistently oriented piece of that
// mesh with its own vertices; the colours are base materials, the object's default the
// most common one, and the triangles of other colours name theirs.
#include <algorithm>
#include <cmath>
#include <string>

#include "export/text_out.h"
#include "export/writers.h"
#include "export/zip_writer.h"

namespace exporter {

namespace {

// The lower-case name is the one readers look for (some without the package's
// relationships, comparing names case-sensitively).
constexpr std::string_view kModelPart = "3D/3dmodel.model";

constexpr std::string_view kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"model\" "
    "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>\n";

constexpr std::string_view kRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>\n";

// Longest lines the model can have, for the size bound that decides on Zip64.
constexpr uint64_t kVertexLineBound = 120, kTriangleLineBound = 110, kFrameBound = 4096;

// Decimal places that keep the finest detail of the block (about a hundredth of its
// edge) exact to well under a thousandth of it: micrometres at the default 20 mm.
int VertexDecimals(float blockSizeMm) {
    const int extra = static_cast<int>(std::ceil(std::log10(20.0 / blockSizeMm)));
    return std::clamp(3 + extra, 3, 8);
}

std::string HexColour(const model::ColourRGBA& c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "#";
    for (float v : {c.r, c.g, c.b, c.a}) {
        const int byte = static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
        s += kHex[byte >> 4];
        s += kHex[byte & 15];
    }
    return s;
}

}  // namespace

bool Write3mf(model::OutputFile& out, const ExportShape& closed, const WriteJob& job) {
    ZipWriter zip(out);
    if (!zip.AddStored("[Content_Types].xml", kContentTypes) ||
        !zip.AddStored("_rels/.rels", kRelationships))
        return false;

    const size_t vertices = closed.positions.size(), triangles = closed.TriangleCount();
    const uint64_t bound =
        kFrameBound + job.blocks * (vertices * kVertexLineBound + triangles * kTriangleLineBound);
    if (!zip.BeginDeflated(kModelPart, bound)) return false;
    TextOut text([&](const char* data, size_t size) { return zip.Write(data, size); });

    // The colour of most blocks is the object's default.
    std::array<size_t, model::ColourCount> perColour{};
    for (int m = 0; m < kMaterialSlots; ++m)
        perColour[static_cast<size_t>(m / 2)] += job.perMaterial[static_cast<size_t>(m)];
    const int common =
        static_cast<int>(std::max_element(perColour.begin(), perColour.end()) - perColour.begin());

    text.Text(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<model unit=\"millimeter\" xml:lang=\"en-US\" "
        "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n"
        " <metadata name=\"Application\">TOR-VIN (vorla)</metadata>\n"
        " <resources>\n  <basematerials id=\"1\">\n");
    for (int c = 0; c < model::ColourCount; ++c) {
        text.Text("   <base name=\"");
        text.Text(MaterialName(c * 2));
        text.Text("\" displaycolor=\"");
        text.Text(HexColour(model::BlockColours[static_cast<size_t>(c)]));
        text.Text("\"/>\n");
    }
    text.Text("  </basematerials>\n  <object id=\"2\" type=\"model\" name=\"construction\" ");
    text.Text("pid=\"1\" pindex=\"");
    text.Unsigned(static_cast<uint64_t>(common));
    text.Text("\">\n   <mesh>\n    <vertices>\n");

    // Every block's vertices, then every block's triangles.
    const int decimals = VertexDecimals(job.blockSizeMm);
    const float scale = job.blockSizeMm / 2.0f;
    size_t done = 0;
    const bool placed = job.walk([&](const ExportBlock& block) {
        const Placement place = PlaceBlock(block.world, Frame::Print, scale);
        for (const math::Vec3& p : closed.positions)
            text.Point(place.Point(p), decimals, {"<vertex x=\"", "\" y=\"", "\" z=\"", "\"/>\n"});
        job.Report(++done, 2 * job.blocks);
        return text.Ok();
    });
    if (!placed || done != job.blocks) return false;
    text.Text("    </vertices>\n    <triangles>\n");
    size_t block = 0;
    const bool wound = job.walk([&](const ExportBlock& b) {
        const uint64_t base = block * vertices;
        for (size_t t = 0; t < triangles; ++t) {
            text.Text("<triangle v1=\"");
            text.Unsigned(base + closed.positionIndex[3 * t]);
            text.Text("\" v2=\"");
            text.Unsigned(base + closed.positionIndex[3 * t + 1]);
            text.Text("\" v3=\"");
            text.Unsigned(base + closed.positionIndex[3 * t + 2]);
            if (b.colour != common) {
                text.Text("\" p1=\"");
                text.Unsigned(static_cast<uint64_t>(b.colour));
            }
            text.Text("\"/>\n");
        }
        job.Report(job.blocks + ++block, 2 * job.blocks);
        return text.Ok();
    });
    if (!wound || block != job.blocks) return false;
    text.Text(
        "    </triangles>\n   </mesh>\n  </object>\n </resources>\n"
        " <build>\n  <item objectid=\"2\"/>\n </build>\n</model>\n");
    return text.Flush() && zip.EndDeflated() && zip.Finish();
}

}  // namespace exporter
