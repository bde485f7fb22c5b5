// What a user feels of the editor's window (520 x 350 view, Mesa's software rasteriser):
// the CPU it takes while nothing moves, and the frames per second while a 2,000-block
// chain turns under automatic rotation. Needs an X display; without one it starts an Xvfb
// of its own, so `./dev bench` measures it too.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/core/app_form.h"
#include "app/frame_window.h"
#include "app/gl_view.h"
#include "bench_smoke.h"
#include "interaction/camera_aim.h"
#include "interaction/command_ids.h"
#include "interaction/document.h"
#include "platform/ui/qt_settings_store.h"
#include "support/construction_builders.h"
#include "support/qt_application.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace {

QApplication* guiApplication = nullptr;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The editor as a user starts it, optionally on a file; null when it did not start.
struct Editor {
    QTemporaryDir dir;
    std::unique_ptr<ui::QtSettingsStore> settings;
    std::unique_ptr<app::CApp> app;

    // classicView: the view sized 520 x 350 as soon as the window shows; otherwise the
    // size the program chooses on a first start (two thirds of the screen).
    bool Start(const std::string& file = "", bool classicView = true) {
        settings = std::make_unique<ui::QtSettingsStore>(dir.filePath("Vorla.conf"));
        app::StartOptions options;
        options.settings = settings.get();
        options.startFolder = dir.path().toStdString();
        options.file = file;
        app = std::make_unique<app::CApp>(options);
        app->InitInstance();
        if (classicView) app->Frame().FitViewTo(520, 350);
        app->Frame().activateWindow();
        QElapsedTimer t;
        t.start();
        while ((!app->IsStarted() || app->View().FramesDrawn() == 0) && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return app->View().FramesDrawn() > 0;
    }
    ~Editor() {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// The editor just started (about disc shown, one block), nobody touching it: CPU use over
// ten seconds, in per cent of one core, and the frames drawn meanwhile. With argument 1
// the pointer rests over the block in add mode, the ghost of the next block showing.
void BM_IdleEditorCpu(benchmark::State& state) {
    if (!guiApplication) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        Editor editor;
        if (!editor.Start()) {
            state.SkipWithError("the editor did not start");
            return;
        }
        if (state.range(0) == 1) {
            editor.app->Form().OnCommand(interaction::cmd::kAddMode);
            auto& view = editor.app->View();
            const QPoint at = view.rect().center() + QPoint(20, 12);
            QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view.mapToGlobal(at)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &move);
        }
        RunEventsFor(SmokeOr(300, 2000));  // settle
        if (state.range(0) == 1 && editor.app->Form().screen.preview.ghosts.empty()) {
            state.SkipWithError("no ghost under the pointer");
            return;
        }
        const uint64_t frames = editor.app->View().FramesDrawn();
        const double cpu = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        RunEventsFor(SmokeOr(1000, 10000));
        const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent_of_a_core"] = (CpuSeconds() - cpu) / seconds * 100.0;
        state.counters["frames"] = static_cast<double>(editor.app->View().FramesDrawn() - frames);
    }
}
BENCHMARK(BM_IdleEditorCpu)
    ->ArgName("pointer_over_block")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// A chain of 2,000 blocks, each on a random free face of the one before (a tangle some
// 60 units across), framed by "Центр" and turning under automatic rotation as a file
// saved while it turned brings it back: frames per second in a 520 x 350 view (argument
// 0) and in the window a first start opens (argument 1), with its view size.
void BM_AutoRotationOfA2000BlockChain(benchmark::State& state) {
    if (!guiApplication) {
        state.SkipWithError("no display");
        return;
    }
    QTemporaryDir dir;
    const std::string file = dir.filePath("chain.vvl").toStdString();
    {
        CVelVorlaSystem system;
        CVelVorlaModel m;
        testsupport::FillTangledChain(m, 2000, 2000);
        testsupport::Adopt(system, std::move(m));
        CVelCamera camera;
        camera.ResetForNewConstruction(nullptr);
        camera.SetViewport(nullptr, 520, 350);
        CentreView(system, camera, nullptr);
        camera.autoSpinAround = 1;
        camera.spinStopped = 0;
        camera.spinDelta = math::MatrixRotationY(0.02f);
        camera.spinDuration = 0.2f;  // 0.8 radians per second
        if (!SaveConstruction(system, camera, file)) {
            state.SkipWithError("could not write the chain");
            return;
        }
    }
    for (auto _ : state) {
        Editor editor;
        if (!editor.Start(file, state.range(0) == 0)) {
            state.SkipWithError("the editor did not start");
            return;
        }
        RunEventsFor(SmokeOr(300, 1000));
        const uint64_t frames = editor.app->View().FramesDrawn();
        QElapsedTimer wall;
        wall.start();
        RunEventsFor(SmokeOr(1000, 6000));
        const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(seconds);
        state.counters["fps"] =
            static_cast<double>(editor.app->View().FramesDrawn() - frames) / seconds;
        state.counters["blocks"] = editor.app->Form().system.model.Total();
        int width = 0, height = 0;
        editor.app->Frame().ViewSize(&width, &height);
        state.counters["view_width"] = width;
        state.counters["view_height"] = height;
    }
}
BENCHMARK(BM_AutoRotationOfA2000BlockChain)
    ->ArgName("first_start_window")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// An X server of our own when there is none: Xvfb picks a free display and writes its
// number, then a newline, to a pipe that must stay open while it runs.
pid_t StartXvfb(int* pipeEnd) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    *pipeEnd = fds[0];
    std::string display;
    char c = 0;
    while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    if (display.empty()) {
        if (pid > 0) waitpid(pid, nullptr, 0);
        return -1;
    }
    setenv("DISPLAY", (":" + display).c_str(), 1);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    pid_t xvfb = -1;
    int xvfbPipe = -1;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) xvfb = StartXvfb(&xvfbPipe);
    // A private runtime folder, as Qt asks for one.
    char runtime[] = "/tmp/vorla-bench.XXXXXX";
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && mkdtemp(runtime))
        setenv("XDG_RUNTIME_DIR", runtime, 1);
    std::unique_ptr<QApplication> app = testsupport::MakeQtApplication(testsupport::QtDisplay::X11);
    guiApplication = app.get();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    guiApplication = nullptr;
    app.reset();
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    if (xvfbPipe >= 0) close(xvfbPipe);
    if (qgetenv("XDG_RUNTIME_DIR") == runtime) rmdir(runtime);
    return 0;
}
