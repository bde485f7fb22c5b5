// What an autosave costs the user-interface thread: the construction encoded in memory
// and handed to the writer thread (the disk write itself is not on this thread, and is
// waited for outside the timing).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/core/app_form.h"
#include "app/core/recovery.h"
#include "interaction/document.h"
#include "support/construction_builders.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace fs = std::filesystem;

namespace {

// Blocks hanging on random earlier blocks, as an editing session leaves them.
void Build(CVelVorlaModel& model, int count) {
    std::mt19937 rng(99);
    std::vector<BlockNode*> all;
    all.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->colour = static_cast<int>(rng() % 5);
        b->offset = {2, 0, 0};
        b->axis = {0, 2, 0};
        b->angle = static_cast<float>(rng() % 628) / 100.0f;
        BlockNode* placed = all.empty() || rng() % 6 == 0
                                ? &model.topBlocks.PushBack(std::move(b))
                                : &all[rng() % all.size()]->AppendChild(std::move(b));
        model.CountAdded(placed->colour);
        all.push_back(placed);
    }
}

// Arg 1 = 0: the blocks as a long editing session would have allocated them (random
// order in memory, the worst case); 1: as opening a document lays them out (file order).
void BuildAs(CVelVorlaModel& model, int count, int layout) {
    Build(model, count);
    if (layout == 0) return;
    const auto bytes = EncodeConstruction(model::CameraRecord{}, ConstructionSettings{}, model);
    model.Clear();
    ::malloc_trim(0);  // as in a program that has just started
    ConstructionDocument doc;
    if (DecodeConstruction(bytes.data(), bytes.size(), doc)) model = std::move(doc.model);
}

void BM_AutosaveTick(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int layout = static_cast<int>(state.range(1));
    const fs::path folder =
        fs::temp_directory_path() / ("vorla-bench-recovery-" + std::to_string(::getpid()));
    app::core::FormServices services;
    services.recoveryFolder = folder.string();
    {
        app::core::CAppForm form(services, fs::temp_directory_path().string());
        CVelVorlaModel built;
        BuildAs(built, count, layout);
        testsupport::Adopt(form.system, std::move(built));
        const BlockNode& first = *form.system.model.topBlocks.Front();
        for (auto _ : state) {
            // A change (painting a block its own colour) makes every tick write again.
            form.system.document.Paint(first, first.colour);
            form.AutosaveTick();
            state.PauseTiming();
            form.Recovery()->WaitIdle();
            if (form.Recovery()->LastWriteFailed()) state.SkipWithError("the write failed");
            state.ResumeTiming();
        }
        state.SetItemsProcessed(state.iterations() * count);
        state.SetLabel(layout == 0 ? "edited" : "opened");
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_AutosaveTick)
    ->ArgsProduct({{1'000, 100'000, 1'000'000}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
