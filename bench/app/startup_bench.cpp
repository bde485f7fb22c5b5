// What a user waits for: from starting the program to the first drawn frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "app/application.h"
#include "app/gl_view.h"
#include "bench_smoke.h"
#include "camera/camera.h"
#include "interaction/document.h"
#include "model/construction.h"
#include "platform/ui/qt_settings_store.h"
#include "support/construction_builders.h"
#include "support/qt_application.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;
using namespace services;

namespace {

// Made in main() when a display is there; gone before static destruction.
QApplication* guiApplication = nullptr;
QApplication* GuiApplication() {
    return guiApplication;
}

// Main window shown, device created, first frame of the new construction drawn.
void BM_WindowFirstFrame(benchmark::State& state) {
    if (!GuiApplication()) {
        state.SkipWithError("no display: run under xvfb-run for the window start-up");
        return;
    }
    QTemporaryDir dir;
    for (auto _ : state) {
        ui::QtSettingsStore settings(dir.filePath("Vorla.conf"));
        app::StartOptions options;
        options.settings = &settings;
        options.startFolder = dir.path().toStdString();
        QElapsedTimer timer;
        timer.start();
        auto vorla = std::make_unique<app::CApp>(options);
        vorla->InitInstance();
        while (vorla->View().FramesDrawn() == 0 && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        if (vorla->View().FramesDrawn() == 0) state.SkipWithError("no frame within a minute");
        vorla.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_WindowFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(5));

// `vorla --render` of a construction of `range(0)` blocks: process start, offscreen
// context, meshes, one frame, PNG written.
void BM_RenderCommand(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.vvl");
    {
        CVelVorlaSystem system;
        CVelCamera camera;
        system.ResetConstruction();
        CVelVorlaModel m;
        const int side =
            static_cast<int>(std::ceil(std::cbrt(static_cast<double>(state.range(0)))));
        int made = 0;
        for (int z = 0; z < side && made < state.range(0); ++z)
            for (int y = 0; y < side && made < state.range(0); ++y)
                for (int x = 0; x < side && made < state.range(0); ++x, ++made) {
                    auto b = std::make_unique<BlockNode>();
                    b->colour = made % 5;
                    b->offset = {2.0f * x - side, 2.0f * y - side, 2.0f * z};
                    testsupport::AddTop(m, std::move(b));
                }
        testsupport::Adopt(system, std::move(m));
        camera.ResetForNewConstruction(nullptr);
        camera.PlaceAndApply(nullptr, {0, 0, -4.0f * side}, {0, 0, 0});
        if (!SaveConstruction(system, camera, file.toStdString())) {
            state.SkipWithError("could not write the construction");
            return;
        }
    }
    for (auto _ : state) {
        QProcess p;
        QElapsedTimer timer;
        timer.start();
        p.start(QStringLiteral(VORLA_BINARY),
                {"--render", dir.filePath("out.png"), "--width", "800", "--height", "600", file});
        p.waitForFinished(120000);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        if (p.exitCode() != 0) state.SkipWithError(p.readAllStandardError().constData());
    }
    state.counters["blocks"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RenderCommand)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(27000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FixedIterations(3));

}  // namespace

// Our own main: the GUI application must outlive the benchmarks and end before exit.
int main(int argc, char** argv) {
    std::unique_ptr<QApplication> app = testsupport::MakeQtApplication(testsupport::QtDisplay::X11);
    guiApplication = app.get();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    guiApplication = nullptr;
    return 0;
}
