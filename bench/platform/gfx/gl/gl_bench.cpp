// Frame time of the OpenGL device drawing many block meshes headless at 800 x 600, lit and
// fogged as the editor draws them: DrawMeshInstances once per frame (as the device chooses
// to carry it out, and forced onto instanced attributes), one DrawMeshSubset per block, and
// a bare instanced draw with trivial shaders as the yardstick. Counters report triangles
// per second.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bare_instanced_program.h"
#include "math/geometry.h"
#include "math/matrix.h"
#include "platform/gfx/assets/xfile.h"
#include "platform/gfx/gl/gl_device.h"
#include "platform/gfx/gl/headless_device.h"
#include "resources/resources.h"

namespace {

// The program's own high-detail block mesh.
math::MeshGeometry BlockMesh() {
    auto r = gfx::assets::ReadXMesh(vres::GetResource(vres::kBlockMeshHigh));
    if (!r) {
        std::fprintf(stderr, "block mesh unreadable: %s\n", r.error().c_str());
        std::abort();
    }
    return std::move(r).value();
}

struct Scene {
    std::unique_ptr<gfx::gl::HeadlessDevice> gl;
    gfx::Device* device = nullptr;
    std::unique_ptr<gfx::Mesh> mesh;
    std::vector<gfx::MeshInstance> instances;
    std::string error;

    explicit Scene(int n) {
        gl = gfx::gl::OpenHeadlessDevice(800, 600, &error);
        if (!gl) return;
        device = gl->device.get();
        if (gfx::Failed(device->CreateMesh(BlockMesh(), &mesh))) {
            error = "mesh creation failed";
            return;
        }
        // A cube of blocks spaced 2 apart, all in view.
        const int side = static_cast<int>(std::ceil(std::cbrt(static_cast<double>(n))));
        const float extent = static_cast<float>(side);
        for (int i = 0; i < n; ++i) {
            const int x = i % side, y = (i / side) % side, z = i / (side * side);
            gfx::MeshInstance inst;
            inst.world =
                math::MatrixTranslation(2.0f * x - extent, 2.0f * y - extent, 2.0f * z - extent);
            inst.diffuse = inst.ambient = {static_cast<float>(i % 5) / 4.0f, 0.6f, 0.3f, 1.0f};
            instances.push_back(inst);
        }
        device->SetTransform(gfx::TransformType::View,
                             math::MatrixLookAtLH({extent * 1.2f, extent * 1.5f, -extent * 3.2f},
                                                  {0, 0, 0}, {0, 1, 0}));
        device->SetTransform(gfx::TransformType::Projection,
                             math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4,
                                                          800.0f / 600.0f, 0.1f, 1000.0f));
        gfx::Light l0, l1;
        l0.diffuse = {0.7f, 0.7f, 0.7f, 1};
        l0.ambient = l1.ambient = {0.1f, 0.1f, 0.1f, 1};
        l0.direction = {-1, -1, 2};
        l1.diffuse = {0.1f, 0.1f, 0.1f, 1};
        l1.direction = {1, 1, -2};
        device->SetLight(0, l0);
        device->SetLight(1, l1);
        device->LightEnable(0, true);
        device->LightEnable(1, true);
        device->SetRenderState(gfx::RenderState::Ambient, 0x000F0F0F);
        device->SetRenderState(gfx::RenderState::ZEnable, 1);
        device->SetRenderState(gfx::RenderState::FogEnable, 1);
        device->SetRenderState(gfx::RenderState::FogTableMode, gfx::FOG_EXP2);
        device->SetRenderState(gfx::RenderState::FogDensity, gfx::FloatBits(0.005f));
        device->SetTextureStageState(0, gfx::TextureStageState::ColorOp, gfx::TOP_DISABLE);
    }

    void Frame(bool instanced) {
        device->BeginScene();
        device->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF334455, 1.0f, 0);
        if (instanced) {
            device->DrawMeshInstances(mesh.get(), instances);
        } else {
            for (const gfx::MeshInstance& inst : instances) {
                device->SetTransform(gfx::TransformType::World, inst.world);
                gfx::Material m;
                m.diffuse = inst.diffuse;
                m.ambient = inst.ambient;
                device->SetMaterial(m);
                device->DrawMeshSubset(mesh.get(), 0);
            }
        }
        device->EndScene();
        device->Present();
        glFinish();  // the frame is only done when the rasteriser is
    }
};

void Run(benchmark::State& state, bool instanced, bool forceAttributes = false) {
    const int n = static_cast<int>(state.range(0));
    Scene scene(n);
    if (!scene.device || !scene.mesh) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    if (forceAttributes)
        static_cast<gfx::gl::GlDevice*>(scene.device)
            ->SetInstancing(gfx::gl::GlDevice::InstancingMode::Instanced);
    scene.Frame(instanced);  // warm-up: shader compilation, buffer allocation
    for (auto _ : state) scene.Frame(instanced);
    const double triangles = static_cast<double>(scene.mesh->Geometry().FaceCount()) * n;
    state.counters["triangles"] = triangles;
    state.counters["triangles/s"] = benchmark::Counter(
        triangles * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The yardstick: the same instanced draw with the simplest shaders that place and colour the
// vertices (no lighting, fog or texture stages), on the same context and back buffer.
struct BareProbe {
    GLuint program = 0, vao = 0, buffers[3] = {};
    GLsizei indexCount = 0;

    explicit BareProbe(const Scene& scene) {
        program = bench::BuildBareInstancedProgram();
        const math::MeshGeometry& g = scene.mesh->Geometry();
        indexCount = static_cast<GLsizei>(g.indices.size());
        glGenVertexArrays(1, &vao);
        glGenBuffers(3, buffers);
        glBindVertexArray(vao);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.positions.size() * 12),
                     g.positions.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.indices.size() * 2),
                     g.indices.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[2]);
        for (GLuint a = 0; a < 5; ++a) {
            glEnableVertexAttribArray(3 + a);
            glVertexAttribPointer(3 + a, 4, GL_FLOAT, GL_FALSE, sizeof(gfx::MeshInstance),
                                  reinterpret_cast<const void*>(size_t{a} * 16));
            glVertexAttribDivisor(3 + a, 1);
        }
        glBindVertexArray(0);
    }
    ~BareProbe() {
        glDeleteProgram(program);
        glDeleteVertexArrays(1, &vao);
        glDeleteBuffers(3, buffers);
    }

    void Frame(const Scene& scene) {
        scene.device->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF334455, 1.0f, 0);
        const math::Mat4 vp = scene.device->GetTransform(gfx::TransformType::View) *
                              scene.device->GetTransform(gfx::TransformType::Projection);
        glUseProgram(program);
        glUniformMatrix4fv(glGetUniformLocation(program, "uViewProjection"), 1, GL_FALSE,
                           &vp.m[0][0]);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[2]);
        glBufferData(GL_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(scene.instances.size() * sizeof(gfx::MeshInstance)),
                     scene.instances.data(), GL_STREAM_DRAW);
        glBindVertexArray(vao);
        glDrawElementsInstanced(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr,
                                static_cast<GLsizei>(scene.instances.size()));
        glBindVertexArray(0);
        glFinish();
    }
};

void BM_BareInstancedProbe(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Scene scene(n);
    if (!scene.device || !scene.mesh) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    BareProbe probe(scene);
    probe.Frame(scene);
    for (auto _ : state) probe.Frame(scene);
    const double triangles = static_cast<double>(scene.mesh->Geometry().FaceCount()) * n;
    state.counters["triangles"] = triangles;
    state.counters["triangles/s"] = benchmark::Counter(
        triangles * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameInstanced(benchmark::State& state) {
    Run(state, true);
}
// DrawMeshInstances forced onto instanced vertex attributes, whatever the renderer.
void BM_FrameInstancedAttributes(benchmark::State& state) {
    Run(state, true, true);
}
void BM_FrameOneDrawPerBlock(benchmark::State& state) {
    Run(state, false);
}

BENCHMARK(BM_BareInstancedProbe)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FrameInstanced)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FrameInstancedAttributes)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FrameOneDrawPerBlock)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
