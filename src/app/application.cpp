#include "app/application.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include "app/core/app_form.h"
#include "app/frame_window.h"
#include "app/gl_view.h"
#include "app/input_hook.h"
#include "app/window_host.h"
#include "platform/gfx/gl/gl_system.h"
#include "platform/ui/qt_dialogs.h"
#include "platform/ui/qt_input.h"
#include "platform/ui/qt_settings_store.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app {

namespace {

std::vector<gfx::gl::ScreenInfo> Screens() {
    std::vector<gfx::gl::ScreenInfo> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        gfx::gl::ScreenInfo info;
        info.name = s->name().toStdString();
        const QSize px = s->size() * s->devicePixelRatio();
        info.width = static_cast<uint32_t>(px.width());
        info.height = static_cast<uint32_t>(px.height());
        info.refreshRate = static_cast<uint32_t>(s->refreshRate() + 0.5);
        info.bitsPerPixel = s->depth() == 16 ? 16 : 32;
        screens.push_back(info);
    }
    return screens;
}

}  // namespace

CApp::CApp(StartOptions options) : options_(std::move(options)) {
    view_ = new CGlView;
    frame_ = std::make_unique<CAppFrameWnd>(view_);
    windowHost_ = std::make_unique<QtWindowHost>(frame_.get(), view_);

    Dialogs* dialogs = options_.dialogs;
    if (!dialogs) {
        ownDialogs_ = std::make_unique<ui::QtDialogs>(frame_.get());
        dialogs = ownDialogs_.get();
    }
    SettingsStore* settings = options_.settings;
    if (!settings) {
        ownSettings_ = std::make_unique<ui::QtSettingsStore>();
        settings = ownSettings_.get();
    }
    d3dframework::MessageBoxHost* boxes = options_.messageBoxes;
    if (!boxes) {
        ownMessageBoxes_ = std::make_unique<QtMessageBoxHost>();
        boxes = ownMessageBoxes_.get();
    }
    if (options_.startFolder.empty())
        options_.startFolder = QFile::encodeName(QDir::currentPath()).toStdString();
    if (options_.recoveryFolder.empty()) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (!data.isEmpty())
            options_.recoveryFolder =
                QFile::encodeName(data + QStringLiteral("/recovery")).toStdString();
    }

    FormServices services;
    services.dialogs = dialogs;
    services.settings = settings;
    services.shell = frame_.get();
    services.windowHost = windowHost_.get();
    services.messageBoxHost = boxes;
    // Qt keeps the pointer with the view while a button is held (implicit grab), which is
    // the capture the mouse tracker asks for.
    services.mouseCapture = nullptr;
    services.recoveryFolder = options_.recoveryFolder;
    services.exportWorker = options_.exportWorker;
    if (services.exportWorker.empty())
        services.exportWorker = {
            QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
            "--export-worker"};
    form_ = std::make_unique<CAppForm>(services, options_.startFolder);
    form_->samplesFolder =
        options_.samplesFolder.empty() ? InstalledSamplesFolder() : options_.samplesFolder;
    view_->SetForm(form_.get());
    frame_->SetForm(form_.get());

    connect(view_, &CGlView::ContextCreated, this, [this] {
        if (startRequested_) return;
        startRequested_ = true;
        // Outside initializeGL: starting may show message boxes (a bad command-line file).
        QTimer::singleShot(0, this, &CApp::StartDevice);
    });
    connect(frame_.get(), &CAppFrameWnd::MenuShown, this, &CApp::OnMenuShown);
    connect(frame_.get(), &CAppFrameWnd::CommandChosen, this, &CApp::RunCommand);
    connect(frame_.get(), &CAppFrameWnd::FilesDropped, this, &CApp::OnFilesDropped);
    connect(frame_.get(), &CAppFrameWnd::Closing, this, &CApp::OnClosing);
    // After the resize handling is over: the hover runs the dispatcher, which may draw.
    connect(view_, &CGlView::Resized, this, &CApp::HoverWherePointerIs, Qt::QueuedConnection);
    // A timer, not frame work: autosave wakes the program only at its interval, draws
    // nothing and asks for no frame.
    connect(&autosaveTimer_, &QTimer::timeout, this, [this] { form_->AutosaveTick(); });

    hook_ = new InputHook(
        frame_.get(), view_,
        [this] { return form_->IsWindowed() ? WindowId::View : WindowId::FullScreen; },
        [this](const InputMessage& msg) { return HandleInput(msg); },
        [this](bool active) { OnActivation(active); });
    qApp->installEventFilter(hook_);
}

std::string InstalledSamplesFolder() {
    // Beside the program (the build tree, a portable copy), or in its share folder after
    // `cmake --install`.
    const QDir program(QCoreApplication::applicationDirPath());
    for (const char* relative : {"Models", "../share/vorla/Models"}) {
        const QString folder = QDir::cleanPath(program.filePath(QString::fromUtf8(relative)));
        if (QDir(folder).exists()) return QFile::encodeName(folder).toStdString();
    }
    return {};
}

CApp::~CApp() {
    if (hook_) qApp->removeEventFilter(hook_);
    // The device goes while its context still exists.
    view_->WithContext([this] { form_->Shutdown(); });
    view_->SetForm(nullptr);
    frame_->SetForm(nullptr);
    form_.reset();
    frame_.reset();
}

void CApp::InitInstance() {
    frame_->ShowPlaced(form_->windowPlacement);
    view_->setFocus();
}

void CApp::StartDevice() {
    gfx::gl::GlContextHost* host = view_->Host();
    const gfx::HRESULT hr = [&] {
        gfx::HRESULT result = gfx::E_FAIL;
        view_->WithContext([&] {
            result = form_->Start(
                [host] { return std::make_unique<gfx::gl::GlSystem>(host, Screens()); },
                windowHost_->Handles().view, windowHost_->Handles().fullScreen, options_.file);
        });
        return result;
    }();
    if (gfx::Failed(hr) || !form_->IsActive()) {
        emit StartFailed();
        return;
    }
    started_ = true;
    view_->WithContext([this] { form_->FinishStartup(); });
    frame_->setAcceptDrops(true);
    if (form_->autosaveSeconds > 0)
        autosaveTimer_.start(static_cast<int>(form_->autosaveSeconds) * 1000);
    view_->Kick();
    emit Started();
}

bool CApp::HandleInput(const InputMessage& msg) {
    if (!started_) return false;
    // A pointer move with no button held changes the picture only through the hover and
    // what a click there would do. With a frame already on its way, that frame works it
    // out: at most one pick a frame, however fast the pointer moves.
    const bool hoverOnly = msg.kind == MessageKind::MouseMove &&
                           form_->camera.mouse.DownCount() == 0 && !view_->FramePending();
    const app::core::CAppForm::PointerView before =
        hoverOnly ? form_->Pointer() : app::core::CAppForm::PointerView{};
    bool pass = true;
    view_->WithContext([&] { pass = form_->DispatchInput(msg); });
    if (!hoverOnly || !(form_->Pointer() == before)) view_->Kick();
    if (!pass) return true;
    if (msg.kind == MessageKind::KeyDown) {
        if (std::optional<int> id = form_->TranslateAccelerator(msg)) {
            RunCommand(*id);
            return true;
        }
    }
    return false;
}

void CApp::RunCommand(int id) {
    if (!started_) return;
    view_->WithContext([&] { form_->OnCommand(id); });
    view_->Kick();
}

void CApp::HoverWherePointerIs() {
    // A drag keeps its hover as it was; Qt reports no move for a pointer that stood still.
    if (!started_ || QGuiApplication::mouseButtons() != Qt::NoButton) return;
    InputMessage msg;
    msg.target = form_->IsWindowed() ? WindowId::View : WindowId::FullScreen;
    const QPoint at = view_->mapFromGlobal(QCursor::pos());
    if (view_->rect().contains(at)) {
        msg.kind = MessageKind::MouseMove;
        msg.x = at.x();
        msg.y = at.y();
        msg.buttons = ui::ButtonFlags(Qt::NoButton, QGuiApplication::keyboardModifiers());
    } else {
        msg.kind = MessageKind::MouseLeave;
    }
    HandleInput(msg);
}

void CApp::OnMenuShown(bool shown) {
    if (!started_) return;
    form_->SetActive(!shown);
    view_->Kick();
}

void CApp::OnActivation(bool active) {
    if (!started_) return;
    form_->SetActive(active);
    view_->Kick();
}

void CApp::OnFilesDropped(const QStringList& paths) {
    if (!started_) return;
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(QFile::encodeName(p).toStdString());
    view_->WithContext([&] { form_->OnDropFiles(files); });
    // Shows the result even while rendering is paused.
    view_->update();
    view_->Kick();
}

void CApp::OnClosing() {
    autosaveTimer_.stop();
    view_->WithContext([this] { form_->Shutdown(); });
}

}  // namespace app
