// PLY, binary little-endian: every vertex with its position, normal and colour (PLY has
// no materials), then the triangles as lists of three vertex indices.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "export/writers.h"

namespace exporter {

namespace {

constexpr size_t kVertexSize = 6 * 4 + 3;
constexpr size_t kFaceSize = 1 + 3 * 4;

uint8_t Channel(float c) {
    return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}

template <class T>
void Put(uint8_t*& p, T v) {
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}

}  // namespace

bool WritePly(model::OutputFile& out, const ExportShape& vertices, const WriteJob& job) {
    const size_t perBlock = vertices.positions.size();
    const size_t faces = vertices.TriangleCount();
    // Vertex indices are signed 32-bit numbers.
    if (job.blocks > 0 &&
        perBlock > static_cast<size_t>(std::numeric_limits<int32_t>::max()) / job.blocks)
        throw TooLarge(
            "в PLY помещается не больше 2 миллиардов вершин: выберите glTF, кубы или более "
            "низкую детализацию");
    const std::string header =
        "ply\nformat binary_little_endian 1.0\ncomment TOR-VIN (vorla) construction\n"
        "element vertex " +
        std::to_string(job.blocks * perBlock) +
        "\nproperty float x\nproperty float y\nproperty float z\n"
        "property float nx\nproperty float ny\nproperty float nz\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face " +
        std::to_string(job.blocks * faces) +
        "\nproperty list uchar int vertex_indices\nend_header\n";
    if (!out.Write(header)) return false;

    // The vertices block by block, then every block's triangles: the same for every
    // block but for where its vertices start.
    std::vector<uint8_t> bytes(std::max(perBlock * kVertexSize, faces * kFaceSize));
    size_t written = 0;
    const bool walked = job.walk([&](const ExportBlock& block) {
        const Placement place = PlaceBlock(block.world, Frame::Display, 1.0f);
        const model::ColourRGBA& c = model::BlockColours[static_cast<size_t>(block.colour)];
        const uint8_t rgb[3] = {Channel(c.r), Channel(c.g), Channel(c.b)};
        uint8_t* p = bytes.data();
        for (size_t i = 0; i < perBlock; ++i) {
            const math::Vec3 v = place.Point(vertices.positions[i]);
            const math::Vec3 n = place.Direction(vertices.normals[i]);
            for (float f : {v.x, v.y, v.z, n.x, n.y, n.z}) Put(p, f);
            for (uint8_t channel : rgb) *p++ = channel;
        }
        if (!out.Write(bytes.data(), perBlock * kVertexSize)) return false;
        job.Report(++written, 2 * job.blocks);
        return true;
    });
    if (!walked || written != job.blocks) return false;
    for (size_t b = 0; b < job.blocks; ++b) {
        const auto base = static_cast<int32_t>(b * perBlock);
        uint8_t* p = bytes.data();
        for (size_t t = 0; t < faces; ++t) {
            *p++ = 3;
            for (int k = 0; k < 3; ++k)
                Put(p, base + static_cast<int32_t>(vertices.positionIndex[3 * t + k]));
        }
        if (!out.Write(bytes.data(), faces * kFaceSize)) return false;
        job.Report(job.blocks + b + 1, 2 * job.blocks);
    }
    return true;
}

}  // namespace exporter
