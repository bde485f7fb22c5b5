// Construction model costs users feel: opening and saving documents (wall-clock time,
// fsync included), the walk passes behind every click, a full transform walk (what
// drawing does every frame), and the memory a block takes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "model/placement.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace fs = std::filesystem;

namespace {

enum Shape { kRandomTree = 0, kChain = 1 };

// Random tree: every block hangs on a random earlier one (a sixth become top-level), in
// editor-like positions; or a single chain.
void Build(CVelVorlaModel& model, int count, int shape) {
    std::mt19937 rng(1234);
    std::vector<BlockNode*> all;
    all.reserve(static_cast<size_t>(count));
    static const math::Vec3 kFaces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                         {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    for (int i = 0; i < count; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->colour = static_cast<int>(rng() % 5);
        b->offset = kFaces[rng() % 6];
        b->axis = math::Abs(b->offset);
        b->angle = static_cast<float>(rng() % 628) / 100.0f;
        BlockNode* placed;
        if (all.empty()) {
            b->axis = {0, 2, 0};
            placed = &model.topBlocks.PushBack(std::move(b));
        } else if (shape == kChain) {
            placed = &all.back()->AppendChild(std::move(b));
        } else if (rng() % 6 == 0) {
            placed = &model.topBlocks.PushBack(std::move(b));
        } else {
            placed = &all[rng() % all.size()]->AppendChild(std::move(b));
        }
        model.CountAdded(placed->colour);
        all.push_back(placed);
    }
}

model::CameraRecord StartingCamera();

// Walk benchmarks run on a tree as the random build left it in memory (arg 1 = 0: blocks
// allocated in random tree order, the worst case) and as opening a document lays it out
// (arg 1 = 1: blocks allocated in file order, which is the walk's order).
enum Layout { kAsBuilt = 0, kAsLoaded = 1 };
void BuildForWalk(CVelVorlaModel& model, int count, int layout) {
    Build(model, count, kRandomTree);
    if (layout != kAsLoaded) return;
    const auto bytes = EncodeConstruction(StartingCamera(), ConstructionSettings{}, model);
    model.Clear();
    ::malloc_trim(0);  // merge the freed blocks, as in a program that has just started
    ConstructionDocument doc;
    if (DecodeConstruction(bytes.data(), bytes.size(), doc)) model = std::move(doc.model);
}
const char* LayoutName(int layout) {
    return layout == kAsLoaded ? "loaded" : "built";
}

model::CameraRecord StartingCamera() {
    CVelCamera camera;
    camera.ResetForNewConstruction(nullptr);
    camera.Apply(nullptr);
    return CaptureCamera(camera);
}

fs::path BenchFile(const char* name) {
    return fs::temp_directory_path() /
           ("vorla-bench-" + std::to_string(::getpid()) + "-" + name + ".vvl");
}

const char* ShapeName(int shape) {
    return shape == kChain ? "chain" : "tree";
}

// Arg 1: random tree or chain as built; 2: the random tree as a document load lays it
// out (saving what was opened).
constexpr int kTreeAsLoaded = 2;

void BM_Save(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int shape = static_cast<int>(state.range(1));
    CVelVorlaModel model;
    if (shape == kTreeAsLoaded) {
        BuildForWalk(model, count, kAsLoaded);
    } else {
        Build(model, count, shape);
    }
    const model::CameraRecord camera = StartingCamera();
    const fs::path file = BenchFile("save");
    for (auto _ : state) {
        FileResult r = WriteConstructionFile(file, camera, ConstructionSettings{}, model);
        if (!r) state.SkipWithError(r.message.c_str());
    }
    fs::remove(file);
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(shape == kTreeAsLoaded ? "tree loaded" : ShapeName(shape));
}

void BM_Load(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const fs::path file = BenchFile("load");
    {
        CVelVorlaModel model;
        Build(model, count, static_cast<int>(state.range(1)));
        FileResult r = WriteConstructionFile(file, StartingCamera(), ConstructionSettings{}, model);
        if (!r) state.SkipWithError(r.message.c_str());
    }
    for (auto _ : state) {
        ConstructionDocument doc;
        FileResult r = ReadConstructionFile(file, doc);
        if (!r) state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(doc.model.Total());
        state.PauseTiming();  // releasing the blocks is not part of opening
        doc.model.Clear();
        state.ResumeTiming();
    }
    fs::remove(file);
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(ShapeName(static_cast<int>(state.range(1))));
}

// In memory only: the format's own cost without the file system.
void BM_Encode(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CVelVorlaModel model;
    Build(model, count, kRandomTree);
    const model::CameraRecord camera = StartingCamera();
    for (auto _ : state) {
        auto bytes = EncodeConstruction(camera, ConstructionSettings{}, model);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_Decode(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<uint8_t> bytes;
    {
        CVelVorlaModel model;
        Build(model, count, kRandomTree);
        bytes = EncodeConstruction(StartingCamera(), ConstructionSettings{}, model);
    }
    for (auto _ : state) {
        ConstructionDocument doc;
        FileResult r = DecodeConstruction(bytes.data(), bytes.size(), doc);
        if (!r) state.SkipWithError(r.message.c_str());
        state.PauseTiming();
        doc.model.Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_TransformWalk(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CVelVorlaModel model;
    BuildForWalk(model, count, static_cast<int>(state.range(1)));
    const math::Mat4 root;
    for (auto _ : state) {
        float sum = 0;
        WalkBlocks(model.topBlocks, root,
                   [&](const BlockNode&, const math::Mat4& world, const math::Mat4& rotation) {
                       sum += world.m[3][0] + rotation.m[0][0];
                   });
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(LayoutName(static_cast<int>(state.range(1))));
}

void BM_IsPositionFree(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CVelVorlaModel model;
    BuildForWalk(model, count, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        // Far from everything: the walk cannot stop early.
        benchmark::DoNotOptimize(IsPositionFree(model.topBlocks, {1e6f, 1e6f, 1e6f}));
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(LayoutName(static_cast<int>(state.range(1))));
}

void BM_NearestCentre(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CVelVorlaModel model;
    BuildForWalk(model, count, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(NearestCentre(model.topBlocks, {3, -5, 7}));
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(LayoutName(static_cast<int>(state.range(1))));
}

void BM_DestroyTree(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CVelVorlaModel model;
        Build(model, count, static_cast<int>(state.range(1)));
        state.ResumeTiming();
        model.Clear();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel(ShapeName(static_cast<int>(state.range(1))));
}

// Heap bytes held per block (allocator headers included), built by hand and by a load.
void BM_MemoryPerBlock(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const fs::path file = BenchFile("memory");
    {
        CVelVorlaModel model;
        Build(model, count, kRandomTree);
        FileResult r = WriteConstructionFile(file, StartingCamera(), ConstructionSettings{}, model);
        if (!r) state.SkipWithError(r.message.c_str());
    }
    double built = 0, loaded = 0;
    for (auto _ : state) {
        ::malloc_trim(0);
        size_t before = mallinfo2().uordblks;
        {
            CVelVorlaModel model;
            Build(model, count, kRandomTree);
            // Build keeps a pointer vector for parent choice; it is gone by now.
            built = static_cast<double>(mallinfo2().uordblks - before) / count;
        }
        ::malloc_trim(0);
        before = mallinfo2().uordblks;
        ConstructionDocument doc;
        FileResult r = ReadConstructionFile(file, doc);
        if (!r) state.SkipWithError(r.message.c_str());
        loaded = static_cast<double>(mallinfo2().uordblks - before) / count;
    }
    fs::remove(file);
    state.counters["bytes_per_block"] = built;
    state.counters["bytes_per_block_loaded"] = loaded;
    state.counters["sizeof_BlockNode"] = sizeof(BlockNode);
}

}  // namespace

BENCHMARK(BM_Save)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {kRandomTree, kChain, kTreeAsLoaded}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {kRandomTree, kChain}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(10'000)->Arg(1'000'000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(10'000)->Arg(1'000'000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformWalk)
    ->ArgsProduct({{1'000, 10'000, 100'000}, {kAsBuilt, kAsLoaded}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IsPositionFree)
    ->ArgsProduct({{1'000, 10'000, 100'000}, {kAsBuilt, kAsLoaded}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NearestCentre)
    ->ArgsProduct({{1'000, 10'000, 100'000}, {kAsBuilt, kAsLoaded}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DestroyTree)
    ->ArgsProduct({{10'000, 1'000'000}, {kRandomTree, kChain}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerBlock)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
