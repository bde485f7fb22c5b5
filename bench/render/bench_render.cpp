// What a user feels of the renderer, headless at 800 x 600 on the OpenGL device: the time
// from nothing to the first frame, and the frame time against construction size, split
// into the CPU side (walk, detail choice, culling, batch filling) and the whole frame; and
// the construction pass against a bare instanced program of our own drawing the same
// blocks, the yardstick of what the rasteriser can do.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bare_instanced_program.h"
#include "bench_smoke.h"
#include "interaction/camera_aim.h"
#include "model/placement.h"
#include "platform/gfx/gl/gl_device.h"
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

    // `blocks` 0: the benchmark's first argument.
    bool Open(benchmark::State& state, bool tree, int blocks = 0) {
        std::string error;
        gl = gfx::gl::OpenHeadlessDevice(kWidth, kHeight, &error);
        if (!gl) {
            state.SkipWithError(error.c_str());
            return false;
        }
        const int n = blocks > 0 ? blocks : static_cast<int>(state.range(0));
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
        // Untimed: the first frame builds the shader variants it needs.
        Frame(*entries.back());
        entries.back()->seconds = 0;
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

// The places of CubePlaces hung as children on one root block at the first place, the
// root placed and turned as case `where` says: 0 even, 1 odd, 2 fractional, 3 a quarter
// turn.
void HangOnRoot(CVelVorlaSystem& s, const std::vector<math::Vec3>& places, int where) {
    struct Root {
        math::Vec3 offset, axis;
        float angle;
    };
    const Root roots[4] = {{{-22, -22, 60}, {0, 2, 0}, 0},
                           {{-21, -21, 60}, {0, 2, 0}, 0},
                           {{0.37f, -5.5f, 3.25f}, {0, 2, 0}, 0},
                           {{-21, 3, 60}, {2, 0, 0}, 1.5707964f}};
    const Root& r = roots[where];
    CVelVorlaModel m;
    BlockNode& root = testsupport::AddTop(m, testsupport::Block(0, r.offset, r.axis, r.angle));
    int i = 1;
    for (size_t k = 1; k < places.size(); ++k)
        testsupport::AddChild(m, root, testsupport::Block(i++ % 5, places[k]));
    testsupport::Adopt(s, std::move(m));
}

// A solid 22 x 22 x 22 construction against the 2,648 blocks of its surface alone, seen
// alike, wherever its root sits (arg: see HangOnRoot): the two pictures are the same, so
// should the cost be.
void BM_SolidAgainstItsSurface(benchmark::State& state) {
    SideBySide run;
    if (!run.Open(state)) return;
    const int where = static_cast<int>(state.range(0));
    auto& solid = run.Add([&](CVelVorlaSystem& s) { HangOnRoot(s, CubePlaces(22, false), where); });
    auto& surface = run.Add([&](CVelVorlaSystem& s) { HangOnRoot(s, CubePlaces(22, true), where); },
                            &solid.system);
    for (auto _ : state) {
        run.Frame(solid);
        run.Frame(surface);
    }
    state.counters["solid_ms"] = run.Ms(solid, state);
    state.counters["surface_ms"] = run.Ms(surface, state);
    state.counters["solid_per_surface"] = solid.seconds / surface.seconds;
}
BENCHMARK(BM_SolidAgainstItsSurface)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(12))
    ->UseRealTime();

// 80,000 blocks at one and the same place against 80,000 at distinct places (a lattice
// seen from afar): the first must cost no more than the second.
void BM_CoincidentAgainstDistinct(benchmark::State& state) {
    SideBySide run;
    if (!run.Open(state)) return;
    const int n = static_cast<int>(state.range(0));
    auto& coincident = run.Add([n](CVelVorlaSystem& s) {
        PlaceBlocks(s, std::vector<math::Vec3>(static_cast<size_t>(n), math::Vec3{}));
    });
    auto& distinct = run.Add([n](CVelVorlaSystem& s) { BuildLattice(s, n); });
    for (auto _ : state) {
        run.Frame(coincident);
        run.Frame(distinct);
    }
    state.counters["coincident_ms"] = run.Ms(coincident, state);
    state.counters["distinct_ms"] = run.Ms(distinct, state);
    state.counters["coincident_per_distinct"] = coincident.seconds / distinct.seconds;
}
BENCHMARK(BM_CoincidentAgainstDistinct)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(6))
    ->UseRealTime();

// The blocks of a construction pass drawn again by a bare program of our own, straight
// through OpenGL with no device layer: the same meshes and instances (the pass's batches),
// the same view, depth test and back-face culling, the simplest shaders that place and
// colour the vertices, one instanced call per mesh.
class BareInstancing {
  public:
    ~BareInstancing() {
        if (program_) glDeleteProgram(program_);
        for (Batch& b : batches_) {
            glDeleteVertexArrays(1, &b.vao);
            glDeleteBuffers(3, b.buffers);
        }
    }
    bool Build(const std::vector<render::InstanceBatch>& batches) {
        program_ = bench::BuildBareInstancedProgram();
        if (!program_) return false;
        for (const render::InstanceBatch& ib : batches) {
            if (!ib.mesh || ib.instances.empty()) continue;
            const math::MeshGeometry& g = ib.mesh->Geometry();
            Batch b;
            b.indexCount = static_cast<GLsizei>(g.indices.size());
            b.instanceCount = static_cast<GLsizei>(ib.instances.size());
            glGenVertexArrays(1, &b.vao);
            glGenBuffers(3, b.buffers);
            glBindVertexArray(b.vao);
            glBindBuffer(GL_ARRAY_BUFFER, b.buffers[0]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.positions.size() * 12),
                         g.positions.data(), GL_STATIC_DRAW);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.buffers[1]);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.indices.size() * 2),
                         g.indices.data(), GL_STATIC_DRAW);
            // Position and a colour per instance: the world rows, then the lit colour.
            std::vector<float> data;
            for (const gfx::MeshInstance& inst : ib.instances) {
                for (const auto& row : inst.world.m) data.insert(data.end(), row, row + 4);
                const gfx::ColorValue& c = inst.emissive.a > 0 ? inst.emissive : inst.diffuse;
                data.insert(data.end(), {c.r, c.g, c.b, c.a});
            }
            glBindBuffer(GL_ARRAY_BUFFER, b.buffers[2]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * 4), data.data(),
                         GL_STATIC_DRAW);
            for (GLuint a = 0; a < 5; ++a) {
                glEnableVertexAttribArray(3 + a);
                glVertexAttribPointer(3 + a, 4, GL_FLOAT, GL_FALSE, 80,
                                      reinterpret_cast<const void*>(size_t{a} * 16));
                glVertexAttribDivisor(3 + a, 1);
            }
            glBindVertexArray(0);
            batches_.push_back(b);
        }
        return true;
    }
    // Clears through the device (which binds its target and viewport), then draws.
    void Frame(gfx::Device& device, const math::Mat4& viewProjection) {
        device.Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF334455, 1.0f, 0);
        glUseProgram(program_);
        glUniformMatrix4fv(glGetUniformLocation(program_, "uViewProjection"), 1, GL_FALSE,
                           &viewProjection.m[0][0]);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(GL_CW);
        for (const Batch& b : batches_) {
            glBindVertexArray(b.vao);
            glDrawElementsInstanced(GL_TRIANGLES, b.indexCount, GL_UNSIGNED_SHORT, nullptr,
                                    b.instanceCount);
        }
        glBindVertexArray(0);
        glUseProgram(0);
    }

  private:
    struct Batch {
        GLuint vao = 0, buffers[3] = {};
        GLsizei indexCount = 0, instanceCount = 0;
    };
    GLuint program_ = 0;
    std::vector<Batch> batches_;
};

// Arg 0: 0 a random tree, 1 a lattice; arg 1: blocks. Each frame of the construction pass
// (the whole scene without grid, read back) alternates with a frame of the bare program.
void BM_PassAgainstBareInstancing(benchmark::State& state) {
    Scene scene;
    if (!scene.Open(state, state.range(0) == 0, static_cast<int>(state.range(1)))) return;
    scene.system.showGrid = 0;
    gfx::Device& device = *scene.gl->device;
    scene.renderer->PrepareConstruction(device.GetViewport());
    BareInstancing bare;
    if (!bare.Build(scene.renderer->Batches())) {
        state.SkipWithError("the bare program did not build");
        return;
    }
    const math::Mat4 viewProjection = scene.camera.view * scene.camera.projection;
    std::vector<uint32_t> pixels;
    double passSeconds = 0, bareSeconds = 0;
    auto timed = [&](auto&& draw) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        device.ReadBackBuffer(&pixels);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (auto _ : state) {
        passSeconds += timed([&] { scene.renderer->RenderScene(device, 0.0f); });
        bareSeconds += timed([&] { bare.Frame(device, viewProjection); });
    }
    const double frames = static_cast<double>(state.iterations());
    const double triangles = static_cast<double>(scene.renderer->LastConstructionStats().triangles);
    state.counters["blocks"] = static_cast<double>(state.range(1));
    state.counters["pass_ms"] = passSeconds * 1e3 / frames;
    state.counters["bare_ms"] = bareSeconds * 1e3 / frames;
    state.counters["pass_triangles_per_s"] = triangles * frames / passSeconds;
    state.counters["bare_triangles_per_s"] = triangles * frames / bareSeconds;
    state.counters["pass_per_bare"] = passSeconds / bareSeconds;
}
BENCHMARK(BM_PassAgainstBareInstancing)
    ->Args({0, 1000})
    ->Args({0, 10000})
    ->Args({1, 1000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(8))
    ->UseRealTime();

// The 2,000-block chain of the window benchmark, framed by "Центр" in the default window's
// 520 x 350 view and turning under automatic rotation, drawn headless: the frames of the
// window's rate without the window. Arg: the draw path, 0 as the device chose it, 1 a
// draw per block, 2 instanced.
void BM_TurningChainInTheDefaultView(benchmark::State& state) {
    constexpr int w = 520, h = 350;
    std::string error;
    auto gl = gfx::gl::OpenHeadlessDevice(w, h, &error);
    if (!gl) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto& device = static_cast<gfx::gl::GlDevice&>(*gl->device);
    using Mode = gfx::gl::GlDevice::InstancingMode;
    if (state.range(0) == 1) device.SetInstancing(Mode::Loop);
    if (state.range(0) == 2) device.SetInstancing(Mode::Instanced);
    CVelVorlaSystem system;
    CVelVorlaModel m;
    testsupport::FillTangledChain(m, 2000, 2000);
    testsupport::Adopt(system, std::move(m));
    interaction::ScreenState screen;
    screen.aboutShown = 0;
    CVelCamera camera;
    render::SceneRenderer renderer(system, screen, camera);
    if (gfx::Failed(renderer.CreateDeviceObjects(device))) {
        state.SkipWithError("device objects");
        return;
    }
    render::GfxCameraDevice cam(device);
    renderer.ResetDeviceObjects(device, [&] {
        camera.ResetForNewConstruction(&cam);
        camera.SetViewport(&cam, w, h);
        interaction::CentreView(system, camera, &cam);
    });
    camera.autoSpinAround = 1;
    camera.spinStopped = 0;
    camera.spinDelta = math::MatrixRotationY(0.02f);
    camera.spinDuration = 0.2f;
    std::vector<uint32_t> pixels;
    float time = 0;
    for (auto _ : state) {
        time += 1.0f / 30;
        renderer.AdvanceFrame(device, time);
        renderer.RenderScene(device, time);
        device.ReadBackBuffer(&pixels);
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(renderer.LastConstructionStats().triangles);
}
BENCHMARK(BM_TurningChainInTheDefaultView)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

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
        benchmark::DoNotOptimize(s.document.HiddenBlocks().fromDrawing.size());
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
