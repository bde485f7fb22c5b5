// What a user feels of the renderer, headless at 800 x 600 on the OpenGL device: the time
// from nothing to the first frame, and the frame time against construction size, split
// into the CPU side (walk, detail choice, culling, batch filling) and the whole frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_smoke.h"
#include "model/placement.h"
#include "platform/gfx/gl/headless_device.h"
#include "render/camera_upload.h"
#include "render/headless.h"
#include "render/scene_renderer.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace model;

namespace {

constexpr uint32_t kWidth = 800, kHeight = 600;

// Blocks side by side filling a cube of k x k x k places (the last layer partly).
void BuildLattice(CVelVorlaSystem& s, int n) {
    CVelVorlaModel m;
    int k = static_cast<int>(std::ceil(std::cbrt(static_cast<double>(n))));
    for (int i = 0; i < n; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->offset = {static_cast<float>(2 * (i % k)), static_cast<float>(2 * (i / k % k)),
                     static_cast<float>(2 * (i / (k * k)))};
        b->colour = i % 5;
        testsupport::AddTop(m, std::move(b));
    }
    testsupport::Adopt(s, std::move(m));
}

// Each new block hangs on a random earlier one, on a random face, with a random twist.
void BuildRandomTree(CVelVorlaSystem& s, int n, unsigned seed) {
    CVelVorlaModel m;
    std::mt19937 rng(seed);
    std::vector<BlockNode*> blocks;
    blocks.push_back(&testsupport::AddTop(m, std::make_unique<BlockNode>()));
    const math::Vec3 faces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                 {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    std::uniform_real_distribution<float> angle(0, 6.2831853f);
    for (int i = 1; i < n; ++i) {
        BlockNode* parent = blocks[rng() % blocks.size()];
        auto b = std::make_unique<BlockNode>();
        const math::Vec3 f = faces[rng() % 6];
        b->offset = f;
        b->axis = f;
        b->angle = angle(rng);
        b->colour = static_cast<int>(rng() % 5);
        blocks.push_back(&testsupport::AddChild(m, *parent, std::move(b)));
    }
    testsupport::Adopt(s, std::move(m));
}

// The camera frames every block: from the side and above, far enough for all to show.
void FrameAll(const CVelVorlaSystem& s, CVelCamera& camera) {
    CentreSummary c = GatherCentres(s.model.topBlocks);
    math::Vec3 centre = (c.min + c.max) * 0.5f;
    float radius = math::Length(c.max - c.min) * 0.5f + 2;
    float distance = radius / std::sin(3.14159265f / 8) + 1;
    math::Vec3 eye = centre + math::Normalize(math::Vec3{0.4f, 0.5f, -1}) * distance;
    camera.SetViewport(nullptr, kWidth, kHeight);
    camera.view = math::MatrixLookAtLH(eye, centre, {0, 1, 0});
    camera.eye = eye;
    math::Mat4 r = camera.view;
    r.m[3][0] = r.m[3][1] = r.m[3][2] = 0;
    camera.cameraToWorld = math::MatrixTranspose(r);
}

void BM_TimeToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        std::string error;
        auto gl = gfx::gl::OpenHeadlessDevice(kWidth, kHeight, &error);
        if (!gl) {
            state.SkipWithError(error.c_str());
            return;
        }
        CVelVorlaSystem s;
        CVelCamera camera;
        FrameAll(s, camera);
        render::RenderedImage image;
        if (gfx::Failed(render::RenderConstructionImage(*gl->device, s, camera, &image, &error))) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(image.pixels.data());
    }
}
BENCHMARK(BM_TimeToFirstFrame)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(5))
    ->UseRealTime();

struct Scene {
    std::unique_ptr<gfx::gl::HeadlessDevice> gl;
    CVelVorlaSystem system;
    interaction::ScreenState screen;
    CVelCamera camera;
    std::unique_ptr<render::SceneRenderer> renderer;

    bool Open(benchmark::State& state, bool tree) {
        std::string error;
        gl = gfx::gl::OpenHeadlessDevice(kWidth, kHeight, &error);
        if (!gl) {
            state.SkipWithError(error.c_str());
            return false;
        }
        const int n = static_cast<int>(state.range(0));
        if (tree) {
            BuildRandomTree(system, n, 12345);
        } else {
            BuildLattice(system, n);
        }
        screen.aboutShown = 0;
        renderer = std::make_unique<render::SceneRenderer>(system, screen, camera);
        if (gfx::Failed(renderer->CreateDeviceObjects(*gl->device))) {
            state.SkipWithError("device objects");
            return false;
        }
        FrameAll(system, camera);
        render::GfxCameraDevice cam(*gl->device);
        renderer->ResetDeviceObjects(*gl->device,
                                     [&] { camera.SetViewport(&cam, kWidth, kHeight); });
        gl->device->SetViewport({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight), 0, 1});
        return true;
    }
};

void CpuSide(benchmark::State& state, bool tree) {
    Scene scene;
    if (!scene.Open(state, tree)) return;
    const math::Viewport vp = scene.gl->device->GetViewport();
    for (auto _ : state) {
        scene.renderer->PrepareConstruction(vp);
        benchmark::ClobberMemory();
    }
    const auto& st = scene.renderer->LastConstructionStats();
    size_t submitted = 0;
    for (const auto& b : scene.renderer->Batches()) submitted += b.instances.size();
    state.counters["blocks"] = static_cast<double>(st.blocksDrawable);
    state.counters["in_view"] = static_cast<double>(submitted);
    state.counters["ns_per_block"] = benchmark::Counter(
        static_cast<double>(st.blocksDrawable) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void WholeFrame(benchmark::State& state, bool tree) {
    Scene scene;
    if (!scene.Open(state, tree)) return;
    std::vector<uint32_t> pixels;
    float time = 0;
    for (auto _ : state) {
        scene.renderer->RenderScene(*scene.gl->device, time);
        // Reading the frame back waits for the GPU to finish it.
        scene.gl->device->ReadBackBuffer(&pixels);
        time += 0.016f;
    }
    const auto& st = scene.renderer->LastConstructionStats();
    state.counters["blocks"] = static_cast<double>(st.blocksDrawable);
    state.counters["draw_calls"] = static_cast<double>(st.drawCalls);
    state.counters["triangles"] = static_cast<double>(st.triangles);
    state.counters["triangles_per_s"] = benchmark::Counter(
        static_cast<double>(st.triangles) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

// ---- Side by side in one run (the machine is noisy: ratios, not absolute times) ----------

// Blocks at the given places as top-level blocks, colours cycling.
void PlaceBlocks(CVelVorlaSystem& s, const std::vector<math::Vec3>& centres) {
    CVelVorlaModel m;
    int i = 0;
    for (const math::Vec3& c : centres) testsupport::AddTop(m, testsupport::Block(i++ % 5, c));
    testsupport::Adopt(s, std::move(m));
}

// The places of a solid k x k x k cube; with `surfaceOnly`, only those on its faces.
std::vector<math::Vec3> CubePlaces(int k, bool surfaceOnly) {
    std::vector<math::Vec3> out;
    for (int z = 0; z < k; ++z)
        for (int y = 0; y < k; ++y)
            for (int x = 0; x < k; ++x) {
                const bool inside = x > 0 && y > 0 && z > 0 && x < k - 1 && y < k - 1 && z < k - 1;
                if (surfaceOnly && inside) continue;
                out.push_back({2.0f * x, 2.0f * y, 2.0f * z});
            }
    return out;
}

// One scene per construction, all on one device, drawn in turn: wall time of a frame
// (read back, so the rasteriser has finished it).
struct SideBySide {
    std::unique_ptr<gfx::gl::HeadlessDevice> gl;
    struct Entry {
        CVelVorlaSystem system;
        interaction::ScreenState screen;
        CVelCamera camera;
        std::unique_ptr<render::SceneRenderer> renderer;
        double seconds = 0;
    };
    std::vector<std::unique_ptr<Entry>> entries;
    std::vector<uint32_t> pixels;
    float time = 0;

    bool Open(benchmark::State& state) {
        std::string error;
        gl = gfx::gl::OpenHeadlessDevice(kWidth, kHeight, &error);
        if (gl) return true;
        state.SkipWithError(error.c_str());
        return false;
    }
    // `build` fills the construction; the camera frames `framed` (default: itself).
    Entry& Add(const std::function<void(CVelVorlaSystem&)>& build,
               const CVelVorlaSystem* framed = nullptr) {
        auto e = std::make_unique<Entry>();
        build(e->system);
        e->screen.aboutShown = 0;
        e->renderer = std::make_unique<render::SceneRenderer>(e->system, e->screen, e->camera);
        e->renderer->CreateDeviceObjects(*gl->device);
        render::GfxCameraDevice cam(*gl->device);
        e->renderer->ResetDeviceObjects(*gl->device,
                                        [&] { FrameAll(framed ? *framed : e->system, e->camera); });
        entries.push_back(std::move(e));
        return *entries.back();
    }
    void Frame(Entry& e) {
        // The device holds one camera: every scene uploads its own before it draws.
        render::GfxCameraDevice cam(*gl->device);
        e.camera.SetViewport(&cam, kWidth, kHeight);
        gl->device->SetTransform(gfx::TransformType::View, e.camera.view);
        gl->device->SetViewport({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight), 0, 1});
        const auto start = std::chrono::steady_clock::now();
        e.renderer->RenderScene(*gl->device, time);
        gl->device->ReadBackBuffer(&pixels);
        e.seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        time += 0.016f;
    }
    double Ms(const Entry& e, benchmark::State& state) const {
        return e.seconds * 1e3 / static_cast<double>(state.iterations());
    }
};

// A solid 22 x 22 x 22 construction against the 2,648 blocks of its surface alone, seen
// alike: the two pictures are the same, so should the cost be.
void BM_SolidAgainstItsSurface(benchmark::State& state) {
    SideBySide run;
    if (!run.Open(state)) return;
    auto& solid = run.Add([](CVelVorlaSystem& s) { PlaceBlocks(s, CubePlaces(22, false)); });
    auto& surface =
        run.Add([](CVelVorlaSystem& s) { PlaceBlocks(s, CubePlaces(22, true)); }, &solid.system);
    for (auto _ : state) {
        run.Frame(solid);
        run.Frame(surface);
    }
    state.counters["solid_ms"] = run.Ms(solid, state);
    state.counters["surface_ms"] = run.Ms(surface, state);
    state.counters["solid_per_surface"] = solid.seconds / surface.seconds;
}
BENCHMARK(BM_SolidAgainstItsSurface)->Unit(benchmark::kMillisecond)->Iterations(12)->UseRealTime();

// Each culling on and off, frame by frame, on the same construction: arg 0 a solid 10^3
// lattice at the high detail setting, arg 1 a random tree of 1,000 blocks.
void BM_CullingOnAndOff(benchmark::State& state) {
    SideBySide run;
    if (!run.Open(state)) return;
    const render::Culling modes[4] = {{false, false}, {false, true}, {true, false}, {true, true}};
    SideBySide::Entry* e[4];
    for (int m = 0; m < 4; ++m) {
        e[m] = &run.Add([&](CVelVorlaSystem& s) {
            if (state.range(0) == 0) {
                PlaceBlocks(s, CubePlaces(10, false));
            } else {
                BuildRandomTree(s, 1000, 12345);
            }
            s.detailLevel = 1;
        });
        e[m]->renderer->SetCulling(modes[m]);
    }
    for (auto _ : state)
        for (auto* entry : e) run.Frame(*entry);
    state.counters["none_ms"] = run.Ms(*e[0], state);
    state.counters["back_faces_ms"] = run.Ms(*e[1], state);
    state.counters["hidden_ms"] = run.Ms(*e[2], state);
    state.counters["both_ms"] = run.Ms(*e[3], state);
    state.counters["off_per_on"] = e[0]->seconds / e[3]->seconds;
    state.counters["hidden"] =
        static_cast<double>(e[3]->renderer->LastConstructionStats().blocksHidden);
}
BENCHMARK(BM_CullingOnAndOff)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(12)
    ->UseRealTime();

// What working out the enclosed blocks costs when the construction changes (once per
// change, e.g. per twist-drag step), against one frame's walk of the same blocks.
void BM_EnclosedBlocksAfterAChange(benchmark::State& state) {
    CVelVorlaSystem s;
    PlaceBlocks(s, CubePlaces(static_cast<int>(state.range(0)), false));
    const BlockNode& first = *s.model.topBlocks.Front();
    for (auto _ : state) {
        s.document.Twist(first, first.axis, first.angle);  // a change, however small
        benchmark::DoNotOptimize(s.document.HiddenBlocks().size());
    }
    state.counters["blocks"] = static_cast<double>(s.model.Total());
    state.counters["ns_per_block"] = benchmark::Counter(
        static_cast<double>(s.model.Total()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EnclosedBlocksAfterAChange)->Arg(10)->Arg(22)->Unit(benchmark::kMicrosecond);

void BM_CpuSideLattice(benchmark::State& s) {
    CpuSide(s, false);
}
void BM_CpuSideRandomTree(benchmark::State& s) {
    CpuSide(s, true);
}
void BM_FrameLattice(benchmark::State& s) {
    WholeFrame(s, false);
}
void BM_FrameRandomTree(benchmark::State& s) {
    WholeFrame(s, true);
}

BENCHMARK(BM_CpuSideLattice)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CpuSideRandomTree)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMicrosecond);
// The rasteriser may run on threads of its own: wall-clock time is the frame time.
BENCHMARK(BM_FrameLattice)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FrameRandomTree)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
