// A file manager's thumbnail of a construction: the thumbnailer's command (the program
// started headless, --render --fit at 256 x 256) from start to the PNG on disk.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_smoke.h"
#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

extern char** environ;
namespace fs = std::filesystem;

namespace {

// Editor-like blocks: each on a face of a random earlier one, twisted at random.
void Build(CVelVorlaModel& model, int count) {
    std::mt19937 rng(5);
    std::vector<BlockNode*> all;
    static const math::Vec3 kFaces[6] = {{2, 0, 0},  {-2, 0, 0}, {0, 2, 0},
                                         {0, -2, 0}, {0, 0, 2},  {0, 0, -2}};
    for (int i = 0; i < count; ++i) {
        auto b = std::make_unique<BlockNode>();
        b->colour = static_cast<int>(rng() % 5);
        b->offset = kFaces[rng() % 6];
        b->axis = math::Abs(b->offset);
        b->angle = static_cast<float>(rng() % 4) * 1.5707964f;
        BlockNode* placed = all.empty() ? &model.topBlocks.PushBack(std::move(b))
                                        : &all[rng() % all.size()]->AppendChild(std::move(b));
        model.CountAdded(placed->colour);
        all.push_back(placed);
    }
}

int RunProgram(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_Thumbnail(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("vorla-thumb-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "bench.vvl", out = dir / "thumb.png";
    CVelVorlaModel model;
    Build(model, static_cast<int>(state.range(0)));
    CVelCamera camera;
    camera.Apply(nullptr);
    if (!WriteConstructionFile(file, CaptureCamera(camera), {}, model)) {
        state.SkipWithError("could not write the construction");
        return;
    }
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int code = RunProgram({VORLA_BINARY, "--render", out.string(), "--fit", "--width",
                                     "256", "--height", "256", file.string()});
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (code != 0) state.SkipWithError("vorla --render failed");
    }
    // Processor time of the program (all its threads): what the picture costs on a machine
    // that is not busy with anything else.
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
    };
    state.counters["cpu_s"] =
        benchmark::Counter(seconds(after.ru_utime) + seconds(after.ru_stime) -
                               seconds(before.ru_utime) - seconds(before.ru_stime),
                           benchmark::Counter::kAvgIterations);
    state.counters["blocks"] = static_cast<double>(state.range(0));
    fs::remove_all(dir);
}
BENCHMARK(BM_Thumbnail)
    ->Arg(100)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(3));

}  // namespace
