// Build-time generator of the three block meshes as compressed binary .x files.
//   vorla_meshgen OUT_DIR [--obj]
// writes OUT_DIR/block_high.x, block_medium.x and block_low.x (and, with --obj, the same
// meshes as Wavefront .obj files for looking at them in any viewer).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "meshgen/block_shape.h"
#include "meshgen/xfile_writer.h"
#include "platform/gfx/assets/xfile.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteObj(const std::filesystem::path& path, const math::MeshGeometry& mesh) {
    std::ofstream out(path);
    // .obj is right-handed with counter-clockwise front faces: mirroring z turns our
    // left-handed clockwise triangles into exactly that, with the corners in order.
    for (const auto& p : mesh.positions) out << "v " << p.x << ' ' << p.y << ' ' << -p.z << '\n';
    for (const auto& n : mesh.normals) out << "vn " << n.x << ' ' << n.y << ' ' << -n.z << '\n';
    for (size_t f = 0; f < mesh.FaceCount(); ++f) {
        out << 'f';
        for (int k = 0; k < 3; ++k) {
            const int i = mesh.indices[3 * f + k] + 1;
            out << ' ' << i << "//" << i;
        }
        out << '\n';
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR [--obj]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const bool obj = argc > 2 && std::string(argv[2]) == "--obj";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    struct Level {
        const char* name;
        blockshape::Tessellation t;
    };
    const Level levels[] = {{"block_high", blockshape::kHighDetail},
                            {"block_medium", blockshape::kMediumDetail},
                            {"block_low", blockshape::kLowDetail}};
    for (const Level& level : levels) {
        const math::MeshGeometry mesh = blockshape::BuildBlockMesh(level.t);
        auto bytes = gfx::assets::WriteCompressedXMesh(mesh, level.name);
        if (!bytes) {
            std::fprintf(stderr, "%s: %s\n", level.name, bytes.error().c_str());
            return 1;
        }
        const auto path = dir / (std::string(level.name) + ".x");
        if (!WriteFile(path, *bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        if (obj && !WriteObj(dir / (std::string(level.name) + ".obj"), mesh)) return 1;
        std::printf("%s: %zu vertices, %zu faces, %zu bytes\n", level.name, mesh.VertexCount(),
                    mesh.FaceCount(), bytes->size());
    }
    return 0;
}
