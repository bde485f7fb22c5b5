// What a click costs in a large construction: the precise pick behind add, delete,
// twist and the hover, one add and one delete, and undoing and redoing an add, a delete
// and a twist.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "camera/camera.h"
#include "interaction/edit_preview.h"
#include "model/construction.h"
#include "model/edit/editing.h"
#include "model/edit/picking.h"
#include "model/edit/twisting.h"
#include "platform/gfx/assets/mesh_builders.h"
#include "platform/gfx/assets/xfile.h"
#include "resources/resources.h"
#include "support/construction_builders.h"

using namespace camera;
using namespace input;
using namespace model::edit;
using namespace model;

namespace {

struct Meshes {
    math::MeshGeometry levels[3];
    math::MeshGeometry cube = gfx::assets::CreateBox(2, 2, 2);
    PickMeshes pick;

    Meshes() {
        const int ids[3] = {vres::kBlockMeshHigh, vres::kBlockMeshMedium, vres::kBlockMeshLow};
        for (int i = 0; i < 3; ++i) {
            auto mesh = gfx::assets::ReadXMesh(vres::GetResource(ids[i]));
            if (!mesh) {
                std::fprintf(stderr, "block mesh %d: %s\n", ids[i], mesh.error().c_str());
                std::abort();
            }
            levels[i] = std::move(*mesh);
            levels[i].UpdateBounds();
            pick.blockMeshes[i] = &levels[i];
        }
        cube.UpdateBounds();
        pick.cube = &cube;
    }
};

const Meshes& BlockMeshes() {
    static const Meshes meshes;
    return meshes;
}

// A solid, roughly cubic construction as users build it: a floor of top-level blocks,
// each carrying a column of blocks stacked on its top face, every block slightly
// twisted. The camera looks at the middle of its front from a little way off.
struct Scene {
    CVelVorlaSystem sys;
    CVelCamera camera;
    int side = 0;

    explicit Scene(int count) {
        CVelVorlaModel m;
        sys.randomColour = 0;
        side = static_cast<int>(std::ceil(std::cbrt(static_cast<double>(count))));
        const int columns = (count + side - 1) / side;
        int placed = 0;
        for (int c = 0; c < columns && placed < count; ++c) {
            auto base = std::make_unique<BlockNode>();
            base->offset = {2.0f * static_cast<float>(c % side), 0,
                            2.0f * static_cast<float>(c / side)};
            BlockNode* below = &testsupport::AddTop(m, std::move(base));
            ++placed;
            for (int h = 1; h < side && placed < count; ++h, ++placed) {
                auto b = std::make_unique<BlockNode>();
                b->offset = {0, 2, 0};
                b->axis = {0, 2, 0};
                b->angle = 0.01f * static_cast<float>(h % 7);
                b->colour = h % 5;
                below = &testsupport::AddChild(m, *below, std::move(b));
            }
        }
        testsupport::Adopt(sys, std::move(m));
        camera.ResetForNewConstruction(nullptr);
        camera.SetViewport(nullptr, 1024, 768);
        const float mid = static_cast<float>(side - 1);
        camera.PlaceAndApply(nullptr, {mid + 0.3f, mid + 0.2f, -12.0f},
                             {mid + 0.3f, mid + 0.2f, 0});
    }
};

void BM_PickPrecise(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    const PickMeshes& meshes = BlockMeshes().pick;
    const PickRayResult ray = scene.camera.PickRay(512, 384);
    for (auto _ : state) {
        PickPrecise(scene.sys, scene.camera.Setup(), meshes, ray);
        benchmark::DoNotOptimize(scene.sys.pickHit);
    }
    if (!scene.sys.pickHit) state.SkipWithError("the ray missed the construction");
    state.counters["blocks"] = static_cast<double>(scene.sys.model.Total());
}
BENCHMARK(BM_PickPrecise)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// What a pointer move over the construction costs in add mode: the pick and the ghost
// of the block a click would add (the hover works it out at most once a frame).
void BM_HoverPreview(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    scene.sys.mode = ModeAdd;
    const PickMeshes& meshes = BlockMeshes().pick;
    int step = 0;
    size_t ghosts = 0;
    for (auto _ : state) {
        // The pointer wanders over one face in the middle of the view.
        const int x = 512 + (step * 7) % 16, y = 384 + (step * 5) % 12;
        ++step;
        const interaction::EditPreview p =
            interaction::PreviewAt(scene.sys, scene.camera, meshes, x, y);
        ghosts += p.ghosts.size();
        benchmark::DoNotOptimize(p.ghosts.data());
    }
    if (ghosts == 0) state.SkipWithError("no ghost under the pointer");
    state.counters["blocks"] = static_cast<double>(scene.sys.model.Total());
}
BENCHMARK(BM_HoverPreview)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PickNearestOblique(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    const float far = 2.0f * static_cast<float>(scene.side);
    scene.camera.PlaceAndApply(nullptr, {-8, far + 6, -8}, {far, 0, far});
    const PickRayResult ray = scene.camera.PickRay(512, 384);
    for (auto _ : state) {
        PickNearest(scene.sys, scene.camera.Setup(), BlockMeshes().pick, ray);
        benchmark::DoNotOptimize(scene.sys.pickHit);
    }
}
BENCHMARK(BM_PickNearestOblique)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One add on the front face, then (untimed) its delete, and the other way round.
void BM_AddBlock(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    const PickMeshes& meshes = BlockMeshes().pick;
    for (auto _ : state) {
        if (!AddBlockAt(scene.sys, scene.camera.Setup(), meshes, scene.camera.PickRay(520, 380))) {
            state.SkipWithError("add refused");
            break;
        }
        state.PauseTiming();
        DeleteBlockAt(scene.sys, scene.camera.Setup(), meshes, scene.camera.PickRay(520, 380));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddBlock)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DeleteBlock(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    const PickMeshes& meshes = BlockMeshes().pick;
    for (auto _ : state) {
        state.PauseTiming();
        AddBlockAt(scene.sys, scene.camera.Setup(), meshes, scene.camera.PickRay(520, 380));
        state.ResumeTiming();
        if (!DeleteBlockAt(scene.sys, scene.camera.Setup(), meshes,
                           scene.camera.PickRay(520, 380))) {
            state.SkipWithError("delete refused");
            break;
        }
    }
}
BENCHMARK(BM_DeleteBlock)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One edit made in the scene, for undoing and redoing it.
enum class Edit { Add, Delete, Twist };

bool MakeEdit(Scene& scene, Edit edit) {
    const PickMeshes& meshes = BlockMeshes().pick;
    CVelVorlaSystem& sys = scene.sys;
    const PickRayResult ray = scene.camera.PickRay(520, 380);
    switch (edit) {
        case Edit::Add:
            return AddBlockAt(sys, scene.camera.Setup(), meshes, ray);
        case Edit::Delete:
            // A block inside a column: the column above it is re-homed.
            return DeleteBlockAt(sys, scene.camera.Setup(), meshes, ray);
        case Edit::Twist: {
            sys.document.BeginGesture();
            BeginTwist(sys, scene.camera.Setup(), meshes, ray, {1e6f, 1e6f, 1e6f});
            InputMessage m;
            m.kind = MessageKind::LButtonDown;
            m.buttons = vk::MK_LBUTTON;
            m.x = 520;
            m.y = 380;
            scene.camera.mouse.OnMouseMessage(1.0f, m);
            TwistMouse(sys, scene.camera.mouse, m, 520, 380, 1024, 768, scene.camera.orientation);
            m.kind = MessageKind::MouseMove;
            for (int x = 540; x <= 700; x += 20)
                TwistMouse(sys, scene.camera.mouse, m, x, 420, 1024, 768, scene.camera.orientation);
            sys.document.EndGesture();
            return sys.document.CanUndo();
        }
    }
    return false;
}

// Undo (redo = false) or redo of one edit, timed alone; the other direction runs untimed
// to get back.
void UndoOrRedo(benchmark::State& state, Edit edit, bool redo) {
    Scene scene(static_cast<int>(state.range(0)));
    if (!MakeEdit(scene, edit)) {
        state.SkipWithError("the edit was refused");
        return;
    }
    for (auto _ : state) {
        if (redo) UndoEdit(scene.sys);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = redo ? RedoEdit(scene.sys) : UndoEdit(scene.sys);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (!redo) RedoEdit(scene.sys);
        if (!ok) {
            state.SkipWithError("nothing to undo or redo");
            break;
        }
    }
    state.counters["blocks"] = static_cast<double>(scene.sys.model.Total());
}

void BM_UndoAdd(benchmark::State& s) {
    UndoOrRedo(s, Edit::Add, false);
}
void BM_RedoAdd(benchmark::State& s) {
    UndoOrRedo(s, Edit::Add, true);
}
void BM_UndoDelete(benchmark::State& s) {
    UndoOrRedo(s, Edit::Delete, false);
}
void BM_RedoDelete(benchmark::State& s) {
    UndoOrRedo(s, Edit::Delete, true);
}
void BM_UndoTwist(benchmark::State& s) {
    UndoOrRedo(s, Edit::Twist, false);
}
void BM_RedoTwist(benchmark::State& s) {
    UndoOrRedo(s, Edit::Twist, true);
}
BENCHMARK(BM_UndoAdd)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedoAdd)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoDelete)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedoDelete)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoTwist)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedoTwist)->Arg(100000)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
