// The .x mesh reader: compressed ("bzip") containers and plain binary token streams.
// A mesh it accepts must be drawable as it stands.
#include <cmath>

#include "fuzz_check.h"
#include "platform/gfx/assets/xfile.h"

namespace {

bool Finite(const math::Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto mesh = gfx::assets::ReadXMesh({data, size});
    if (!mesh) {
        FUZZ_CHECK(!mesh.error().empty());
        return 0;
    }
    const size_t vertices = mesh->positions.size();
    FUZZ_CHECK(vertices <= 65536);
    FUZZ_CHECK(mesh->normals.size() == vertices);
    FUZZ_CHECK(mesh->indices.size() % 3 == 0);
    for (uint16_t i : mesh->indices) FUZZ_CHECK(i < vertices);
    for (const math::Vec3& p : mesh->positions) FUZZ_CHECK(Finite(p));
    for (const math::Vec3& n : mesh->normals) FUZZ_CHECK(Finite(n));
    FUZZ_CHECK(std::isfinite(mesh->boundRadius));
    return 0;
}
