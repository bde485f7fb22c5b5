// Mesh export as users feel it: wall-clock time from the model in memory to the finished
// file on disk (fsync included), for each format; the file size; and the memory the
// export takes beyond the loaded construction (peak resident memory while it runs).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "export/mesh_export.h"
#include "model/construction.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;

namespace {

// A random tree of editor-like blocks (every block on a face of an earlier one), so that
// almost none of them is enclosed and nearly every block is written (the default options:
// which blocks are enclosed is worked out as for any export).
void Build(CVelVorlaModel& model, int count) {
    std::mt19937 rng(99);
    std::vector<BlockNode*> all;
    all.reserve(static_cast<size_t>(count));
    static const math::Vec3 kFaces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                         {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    for (int i = 0; i < count; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->colour = static_cast<int>(rng() % 5);
        b->selfLit = rng() % 10 == 0 ? 1 : 0;
        b->offset = kFaces[rng() % 6];
        b->axis = math::Abs(b->offset);
        b->angle = static_cast<float>(rng() % 628) / 100.0f;
        BlockNode* placed = all.empty() ? &model.topBlocks.PushBack(std::move(b))
                                        : &all[rng() % all.size()]->AppendChild(std::move(b));
        model.CountAdded(placed->colour);
        all.push_back(placed);
    }
}

// Resident memory ("VmRSS") or its peak ("VmHWM") in bytes.
double Memory(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::istringstream words(line.substr(line.find(':') + 1));
        double kb = 0;
        words >> kb;
        return kb * 1024;
    }
    return 0;
}

// Memory freed before goes back to the system, and the peak starts from here.
void StartMeasuring() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Args: block count, format index (into exporter::kFormats), detail level (0: cubes).
void BM_Export(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const exporter::FormatInfo& info = exporter::kFormats[static_cast<size_t>(state.range(1))];
    exporter::ExportOptions options;
    options.detailLevel = std::max(1, static_cast<int>(state.range(2)));
    options.cubes = state.range(2) == 0;
    StartMeasuring();
    const double before = Memory("VmRSS");
    CVelVorlaModel model;
    Build(model, count);
    const double construction = Memory("VmRSS") - before;
    std::string error;
    const auto shape = exporter::LoadBlockShape(options, &error);
    if (!shape) {
        state.SkipWithError(error.c_str());
        return;
    }
    const fs::path dir =
        fs::temp_directory_path() / ("vorla-export-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path out = dir / (std::string("bench") + std::string(info.extension));
    uintmax_t bytes = 0;
    double peak = 0;
    for (auto _ : state) {
        StartMeasuring();
        const double start = Memory("VmRSS");
        exporter::ExportResult r =
            exporter::ExportConstruction(model, *shape, out, info.format, options);
        peak = std::max(peak, Memory("VmHWM") - start);
        if (!r) {
            state.SkipWithError(r.message.c_str());
            break;
        }
        state.counters["triangles"] = static_cast<double>(r.triangles);
    }
    for (const auto& e : fs::directory_iterator(dir)) bytes += fs::file_size(e.path());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["modelMB"] = construction / 1e6;
    state.counters["peakMB"] = peak / 1e6;
    state.counters["B/block"] = peak / count;
    state.SetLabel(std::string(info.extension) + (options.cubes ? " cubes" : ""));
    fs::remove_all(dir);
}

}  // namespace

// Every format for 10,000 blocks at the default (high) detail.
BENCHMARK(BM_Export)
    ->ArgsProduct({{10000}, {0, 1, 2, 3, 4, 5}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// Memory that grows with the blocks: glb and STL for 100,000 and 1,000,000 blocks (STL of a
// million as cubes: what it holds does not depend on the shape, and the file stays 0.6 GB).
BENCHMARK(BM_Export)
    ->Args({100000, 0, 1})
    ->Args({100000, 3, 1})
    ->Args({1000000, 0, 1})
    ->Args({1000000, 3, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// Every format for 100 blocks (what the smoke run under ctest takes).
BENCHMARK(BM_Export)
    ->ArgsProduct({{100}, {0, 1, 2, 3, 4, 5}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
