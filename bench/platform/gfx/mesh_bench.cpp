// Ray against the high-detail block mesh, as picking does it once per visible block.
// Targets on the development machine: under 5 us for a ray that the bounding sphere
// rejects, under 50 us for a hit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "platform/gfx/assets/mesh_builders.h"
#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"

namespace {

using math::Vec3;

const math::MeshGeometry& HighDetailBlock() {
    static const math::MeshGeometry mesh = [] {
        auto r = gfx::assets::ReadXMesh(vres::GetResource(vres::kBlockMeshHigh));
        if (!r) {
            std::fprintf(stderr, "block mesh: %s\n", r.error().c_str());
            std::abort();
        }
        return std::move(r).value();
    }();
    return mesh;
}

void Ray(benchmark::State& state, Vec3 origin, Vec3 dir, bool expectHit) {
    const auto& mesh = HighDetailBlock();
    if (mesh.Intersect(origin, dir).has_value() != expectHit) {
        state.SkipWithError("ray does not do what the case says");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(mesh.Intersect(origin, dir));
    state.counters["faces"] = static_cast<double>(mesh.FaceCount());
}

void BM_BlockMissOutsideBoundingSphere(benchmark::State& state) {
    Ray(state, {0, 3, -5}, {0, 0, 1}, false);
}
void BM_BlockHitOnFace(benchmark::State& state) {
    Ray(state, {0.3f, 0.5f, -5}, {0, 0, 1}, true);
}
void BM_BlockHitInSocket(benchmark::State& state) {
    Ray(state, {0.1f, 0, -5}, {0, 0, 1}, true);
}
// Inside the bounding sphere but past the rounded corner: every face is tested.
void BM_BlockMissInsideBoundingSphere(benchmark::State& state) {
    Ray(state, {1.1f, 0.9f, -5}, {0, 0, 1}, false);
}
void BM_CubeHit(benchmark::State& state) {
    const auto cube = gfx::assets::CreateBox(2, 2, 2);
    for (auto _ : state) benchmark::DoNotOptimize(cube.Intersect({0.3f, 0.5f, -5}, {0, 0, 1}));
}
void BM_LoadHighDetailBlock(benchmark::State& state) {
    const auto bytes = vres::GetResource(vres::kBlockMeshHigh);
    for (auto _ : state) benchmark::DoNotOptimize(gfx::assets::ReadXMesh(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_BlockMissOutsideBoundingSphere)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlockHitOnFace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlockHitInSocket)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlockMissInsideBoundingSphere)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CubeHit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadHighDetailBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
