// Binary STL: an 80-byte header, the triangle count, then 50 bytes per triangle (normal,
// three corners, an unused attribute word), all little-endian. Each block is a closed
// surface of its own; the stored normal is the one its corners' winding gives.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "export/writers.h"

namespace exporter {

namespace {

constexpr size_t kHeaderSize = 80;
constexpr size_t kFacetSize = 50;

// The header must not start with "solid": readers take such files for text STL.
constexpr char kHeader[kHeaderSize] = "Binary STL by TOR-VIN (vorla): millimetres, +Z up";

void PutFloat(uint8_t*& p, float v) {
    std::memcpy(p, &v, 4);
    p += 4;
}

// The unit normal of the triangle a, b, c as written (counter-clockwise seen from its
// front), from the very float values a reader sees.
math::Vec3 FacetNormal(const math::Vec3& a, const math::Vec3& b, const math::Vec3& c) {
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0)) return {0, 0, 0};
    return {static_cast<float>(nx / length), static_cast<float>(ny / length),
            static_cast<float>(nz / length)};
}

}  // namespace

bool WriteStl(model::OutputFile& out, const ExportShape& closed, const WriteJob& job) {
    const size_t perBlock = closed.TriangleCount();
    if (job.blocks > 0 && perBlock > std::numeric_limits<uint32_t>::max() / job.blocks)
        throw TooLarge(
            "в STL помещается не больше 4 миллиардов треугольников: выберите 3MF, кубы или "
            "более низкую детализацию");
    const auto count = static_cast<uint32_t>(job.blocks * perBlock);
    uint8_t start[kHeaderSize + 4] = {};
    std::memcpy(start, kHeader, sizeof kHeader);
    std::memcpy(start + kHeaderSize, &count, 4);
    if (!out.Write(start, sizeof start)) return false;

    const float scale = job.blockSizeMm / 2.0f;
    std::vector<math::Vec3> placed(closed.positions.size());
    std::vector<uint8_t> facets(perBlock * kFacetSize);
    size_t written = 0;
    const bool walked = job.walk([&](const ExportBlock& block) {
        const Placement place = PlaceBlock(block.world, Frame::Print, scale);
        for (size_t i = 0; i < placed.size(); ++i) placed[i] = place.Point(closed.positions[i]);
        uint8_t* p = facets.data();
        for (size_t t = 0; t < perBlock; ++t) {
            const math::Vec3& a = placed[closed.positionIndex[3 * t]];
            const math::Vec3& b = placed[closed.positionIndex[3 * t + 1]];
            const math::Vec3& c = placed[closed.positionIndex[3 * t + 2]];
            const math::Vec3 n = FacetNormal(a, b, c);
            for (const math::Vec3* v : {&n, &a, &b, &c}) {
                PutFloat(p, v->x);
                PutFloat(p, v->y);
                PutFloat(p, v->z);
            }
            *p++ = 0;
            *p++ = 0;
        }
        if (!out.Write(facets.data(), facets.size())) return false;
        job.Report(++written, job.blocks);
        return true;
    });
    if (!walked) return false;
    // The walk is the one the count came from; should it ever differ, the header says what
    // the file holds.
    const auto actual = static_cast<uint32_t>(written * perBlock);
    return actual == count || out.WriteAt(kHeaderSize, &actual, 4);
}

}  // namespace exporter
