// glTF 2.0, binary (.glb) or text (.gltf with its .bin): the block shape once, one mesh
// per material sharing it, and one node per block that places it. The JSON is written as
// the blocks are walked, so memory stays the same however many blocks there are.
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "export/text_out.h"
#include "export/writers.h"

namespace exporter {

namespace {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kJsonChunk = 0x4E4F534A;
constexpr uint32_t kBinChunk = 0x004E4942;
constexpr size_t kGlbHeaderSize = 12 + 8;  // file header, JSON chunk header

struct Quaternion {
    float x, y, z, w;
};

// The rotation of a block in the mirrored frame (Z negated on both sides, so that it
// stays a proper rotation), made orthonormal again: a long chain of twisted blocks leaves
// rounding in it that strict readers refuse.
Quaternion MirroredRotation(const math::Mat4& world) {
    math::Vec3 x{world.m[0][0], world.m[0][1], -world.m[0][2]};
    math::Vec3 y{world.m[1][0], world.m[1][1], -world.m[1][2]};
    x = math::Normalize(x);
    y = math::Normalize(y - x * math::Dot(x, y));
    const math::Vec3 z = math::Cross(x, y);
    // Columns x, y, z; r(i, j) is row i of column j.
    const double r00 = x.x, r11 = y.y, r22 = z.z;
    const double r01 = y.x, r10 = x.y, r02 = z.x, r20 = x.z, r12 = z.y, r21 = y.z;
    double qx, qy, qz, qw;
    const double trace = r00 + r11 + r22;
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        qw = s / 4, qx = (r21 - r12) / s, qy = (r02 - r20) / s, qz = (r10 - r01) / s;
    } else if (r00 > r11 && r00 > r22) {
        const double s = std::sqrt(1.0 + r00 - r11 - r22) * 2;
        qw = (r21 - r12) / s, qx = s / 4, qy = (r01 + r10) / s, qz = (r02 + r20) / s;
    } else if (r11 > r22) {
        const double s = std::sqrt(1.0 + r11 - r00 - r22) * 2;
        qw = (r02 - r20) / s, qx = (r01 + r10) / s, qy = s / 4, qz = (r12 + r21) / s;
    } else {
        const double s = std::sqrt(1.0 + r22 - r00 - r11) * 2;
        qw = (r10 - r01) / s, qx = (r02 + r20) / s, qy = (r12 + r21) / s, qz = s / 4;
    }
    const double length = std::sqrt(qx * qx + qy * qy + qz * qz + qw * qw);
    return {static_cast<float>(qx / length), static_cast<float>(qy / length),
            static_cast<float>(qz / length), static_cast<float>(qw / length)};
}

// The shared geometry: positions, normals, indices, each 4-byte aligned.
struct Geometry {
    std::vector<uint8_t> bytes;
    size_t positionsAt = 0, normalsAt = 0, indicesAt = 0;
    size_t indicesLength = 0;
    bool wideIndices = false;
    math::Vec3 min{}, max{};
    size_t vertexCount = 0, indexCount = 0;
};

template <class T>
void Append(std::vector<uint8_t>& bytes, T v) {
    const size_t at = bytes.size();
    bytes.resize(at + sizeof v);
    std::memcpy(bytes.data() + at, &v, sizeof v);
}

Geometry BuildGeometry(const ExportShape& shape) {
    Geometry g;
    g.vertexCount = shape.positions.size();
    g.indexCount = shape.positionIndex.size();
    g.wideIndices = g.vertexCount > std::numeric_limits<uint16_t>::max();
    auto mirrored = [](const math::Vec3& v) { return math::Vec3{v.x, v.y, -v.z}; };
    g.min = g.max = mirrored(shape.positions.front());
    for (const math::Vec3& p : shape.positions) {
        const math::Vec3 v = mirrored(p);
        g.min = math::Min(g.min, v);
        g.max = math::Max(g.max, v);
        for (float f : {v.x, v.y, v.z}) Append(g.bytes, f);
    }
    g.normalsAt = g.bytes.size();
    for (const math::Vec3& n : shape.normals) {
        const math::Vec3 v = mirrored(n);
        for (float f : {v.x, v.y, v.z}) Append(g.bytes, f);
    }
    g.indicesAt = g.bytes.size();
    for (uint32_t i : shape.positionIndex) {
        if (g.wideIndices)
            Append(g.bytes, i);
        else
            Append(g.bytes, static_cast<uint16_t>(i));
    }
    g.indicesLength = g.bytes.size() - g.indicesAt;
    g.bytes.resize((g.bytes.size() + 3) / 4 * 4, 0);
    return g;
}

// A file name as a relative URI: everything but the unreserved characters escaped.
std::string UriOf(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (unsigned char c : name) {
        if (std::isalnum(c) && c < 0x80) {
            uri += static_cast<char>(c);
        } else if (c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

void Vector(TextOut& text, std::initializer_list<float> values) {
    text.Char('[');
    bool first = true;
    for (float v : values) {
        if (!first) text.Char(',');
        first = false;
        text.Float(v);
    }
    text.Char(']');
}

void Shared(TextOut& text, const Geometry& g, const std::array<int, kMaterialSlots>& meshOf,
            std::string_view binUri) {
    text.Text("],\n\"meshes\":[");
    bool first = true;
    for (int m = 0; m < kMaterialSlots; ++m) {
        if (meshOf[static_cast<size_t>(m)] < 0) continue;
        text.Text(first ? "\n" : ",\n");
        first = false;
        text.Text("{\"name\":\"");
        text.Text(MaterialName(m));
        text.Text("\",\"primitives\":[{\"attributes\":{\"POSITION\":0,\"NORMAL\":1},");
        text.Text("\"indices\":2,\"material\":");
        text.Unsigned(static_cast<uint64_t>(meshOf[static_cast<size_t>(m)]));
        text.Text("}]}");
    }
    text.Text("],\n\"materials\":[");
    first = true;
    for (int m = 0; m < kMaterialSlots; ++m) {
        if (meshOf[static_cast<size_t>(m)] < 0) continue;
        const model::ColourRGBA& c = model::BlockColours[static_cast<size_t>(m / 2)];
        text.Text(first ? "\n" : ",\n");
        first = false;
        text.Text("{\"name\":\"");
        text.Text(MaterialName(m));
        text.Text("\",\"pbrMetallicRoughness\":{\"baseColorFactor\":");
        Vector(text, {c.r, c.g, c.b, c.a});
        text.Text(",\"metallicFactor\":0,\"roughnessFactor\":0.5}");
        if (m % 2 != 0) {  // self-lit: glows in its colour
            text.Text(",\"emissiveFactor\":");
            Vector(text, {c.r, c.g, c.b});
        }
        text.Char('}');
    }
    text.Text("],\n\"accessors\":[\n{\"bufferView\":0,\"componentType\":5126,\"count\":");
    text.Unsigned(g.vertexCount);
    text.Text(",\"type\":\"VEC3\",\"min\":");
    Vector(text, {g.min.x, g.min.y, g.min.z});
    text.Text(",\"max\":");
    Vector(text, {g.max.x, g.max.y, g.max.z});
    text.Text("},\n{\"bufferView\":1,\"componentType\":5126,\"count\":");
    text.Unsigned(g.vertexCount);
    text.Text(",\"type\":\"VEC3\"},\n{\"bufferView\":2,\"componentType\":");
    text.Text(g.wideIndices ? "5125" : "5123");
    text.Text(",\"count\":");
    text.Unsigned(g.indexCount);
    text.Text(",\"type\":\"SCALAR\"}],\n\"bufferViews\":[\n");
    const size_t views[3][3] = {{g.positionsAt, g.normalsAt - g.positionsAt, 34962},
                                {g.normalsAt, g.indicesAt - g.normalsAt, 34962},
                                {g.indicesAt, g.indicesLength, 34963}};
    for (size_t v = 0; v < 3; ++v) {
        text.Text(v ? ",\n{\"buffer\":0,\"byteOffset\":" : "{\"buffer\":0,\"byteOffset\":");
        text.Unsigned(views[v][0]);
        text.Text(",\"byteLength\":");
        text.Unsigned(views[v][1]);
        text.Text(",\"target\":");
        text.Unsigned(views[v][2]);
        text.Char('}');
    }
    text.Text("],\n\"buffers\":[{\"byteLength\":");
    text.Unsigned(g.bytes.size());
    if (!binUri.empty()) {
        text.Text(",\"uri\":\"");
        text.Text(UriOf(binUri));
        text.Char('"');
    }
    text.Text("}]\n}\n");
}

}  // namespace

bool WriteGltf(model::OutputFile& out, model::OutputFile* bin, std::string_view binUri,
               const ExportShape& vertices, const WriteJob& job) {
    const Geometry geometry = BuildGeometry(vertices);
    std::array<int, kMaterialSlots> meshOf{};
    int meshes = 0;
    for (size_t m = 0; m < meshOf.size(); ++m) meshOf[m] = job.perMaterial[m] > 0 ? meshes++ : -1;

    const bool binary = bin == nullptr;
    if (binary) {
        const uint8_t placeholder[kGlbHeaderSize] = {};
        if (!out.Write(placeholder, sizeof placeholder)) return false;
    }
    TextOut text([&](const char* data, size_t size) { return out.Write(data, size); });
    text.Text("{\n\"asset\":{\"version\":\"2.0\",\"generator\":\"TOR-VIN (vorla)\"},\n");
    text.Text("\"scene\":0,\n\"scenes\":[{\"name\":\"construction\",\"nodes\":[0]}],\n");
    // Node 0 holds the blocks 1..N.
    text.Text("\"nodes\":[\n{\"name\":\"construction\",\"children\":[");
    for (size_t i = 1; i <= job.blocks; ++i) {
        if (i > 1) text.Char(',');
        text.Unsigned(i);
    }
    text.Text("]}");
    size_t written = 0;
    const bool walked = job.walk([&](const ExportBlock& block) {
        const Quaternion q = MirroredRotation(block.world);
        const math::Mat4& w = block.world;
        text.Text(",\n{\"name\":\"block");
        text.Unsigned(++written);
        text.Text("\",\"mesh\":");
        text.Unsigned(static_cast<uint64_t>(meshOf[static_cast<size_t>(block.Material())]));
        text.Text(",\"rotation\":");
        Vector(text, {q.x, q.y, q.z, q.w});
        text.Text(",\"translation\":");
        Vector(text, {w.m[3][0], w.m[3][1], -w.m[3][2]});
        text.Char('}');
        job.Report(written, job.blocks);
        return text.Ok();
    });
    // The node list promised 1..N above: the walk must have given exactly N.
    if (!walked || written != job.blocks) return false;
    Shared(text, geometry, meshOf, binary ? std::string_view() : binUri);
    if (!binary) return text.Flush() && bin->Write(geometry.bytes.data(), geometry.bytes.size());

    // glb: the JSON chunk padded with spaces, the BIN chunk, then the lengths.
    const uint64_t jsonStart = kGlbHeaderSize;
    while ((out.Size() + text.Pending() - jsonStart) % 4 != 0) text.Char(' ');
    if (!text.Flush()) return false;
    const uint64_t jsonLength = out.Size() - jsonStart;
    const uint64_t total = out.Size() + 8 + geometry.bytes.size();
    if (total > std::numeric_limits<uint32_t>::max())
        throw TooLarge("файл glb не может быть больше 4 ГБ: выберите glTF (.gltf)");
    const uint32_t binHeader[2] = {static_cast<uint32_t>(geometry.bytes.size()), kBinChunk};
    if (!out.Write(binHeader, sizeof binHeader) ||
        !out.Write(geometry.bytes.data(), geometry.bytes.size()))
        return false;
    const uint32_t header[5] = {kGlbMagic, 2, static_cast<uint32_t>(total),
                                static_cast<uint32_t>(jsonLength), kJsonChunk};
    return out.WriteAt(0, header, sizeof header);
}

}  // namespace exporter
