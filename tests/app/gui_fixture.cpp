#include "gui_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

#include "app/frame_window.h"
#include "app/gl_view.h"
#include "support/environment.h"
#include "support/qt_application.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace guitest {

const auto* const kQt = testsupport::AddQtApplicationEnvironment(testsupport::QtDisplay::X11);

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QTest::qWait(5);
    }
    return true;
}

void GuiTest::SetUp() {
    VORLA_REQUIRE_ENVIRONMENT(testsupport::HasQtDisplay(), "an X display (run under xvfb-run)");
    ASSERT_TRUE(dir_.isValid());
    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
}

void GuiTest::TearDown() {
    Destroy();
}

std::string GuiTest::TempPath(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

std::string GuiTest::RecoveryFolder() const {
    return TempPath("recovery");
}

std::string GuiTest::SettingsPath() const {
    return TempPath("Vorla.conf");
}

void GuiTest::Launch(const std::string& file) {
    app::StartOptions options;
    options.file = file;
    options.startFolder = dir_.path().toStdString();
    options.recoveryFolder = RecoveryFolder();
    // This program is the test, not the editor: exports run in the editor's own worker.
    options.exportWorker = exportWorker_;
    options.dialogs = &dialogs_;
    options.settings = settings_.get();
    options.messageBoxes = &boxes_;
    app_ = std::make_unique<app::CApp>(options);
    app_->InitInstance();
    if (classicViewSize_) app_->Frame().FitViewTo(520, 350);
    if (onShown_) onShown_();
    auto& frame = app_->Frame();
    frame.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return app_->IsStarted(); })) << "the device did not start";
    WaitFrames(2);
}

bool GuiTest::Drop(const std::vector<std::string>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    mime.setUrls(urls);
    QWidget* target = &app_->View();
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted();
}

void GuiTest::WaitFrames(int n) {
    // Frames come on demand: ask for each.
    for (int i = 0; i < n; ++i) {
        const uint64_t target = app_->View().FramesDrawn() + 1;
        app_->View().Kick();
        ASSERT_TRUE(WaitUntil([&] { return app_->View().FramesDrawn() >= target; }))
            << "no frames are drawn";
    }
}

void GuiTest::CloseWindow() {
    app_->Frame().close();
    QTest::qWait(1);
}

void GuiTest::Destroy() {
    app_.reset();
    // Deferred deletes of the closed window's children.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAction* GuiTest::Action(int id) {
    return app_->Frame().ActionFor(id);
}

bool GuiTest::Checked(int id) {
    QAction* a = Action(id);
    return a && a->isChecked();
}

void GuiTest::Key(int qtKey, Qt::KeyboardModifiers mods) {
    QTest::keyClick(&app_->View(), static_cast<Qt::Key>(qtKey), mods);
    QTest::qWait(1);
}

void GuiTest::Click(QPoint pos, Qt::KeyboardModifiers mods, Qt::MouseButton button) {
    // Modifier keys are pressed as keys too: the editor reads them from its key table.
    auto& view = app_->View();
    if (mods & Qt::ControlModifier) QTest::keyPress(&view, Qt::Key_Control);
    if (mods & Qt::ShiftModifier) QTest::keyPress(&view, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::mouseMove(&view, pos);
    QTest::mousePress(&view, button, mods, pos);
    QTest::mouseRelease(&view, button, mods, pos, 30);
    if (mods & Qt::ShiftModifier) QTest::keyRelease(&view, Qt::Key_Shift, Qt::ShiftModifier);
    if (mods & Qt::ControlModifier) QTest::keyRelease(&view, Qt::Key_Control, Qt::ControlModifier);
    QTest::qWait(1);
}

void GuiTest::MovePointer(QPoint pos) {
    auto& view = app_->View();
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(view.mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
}

QPoint GuiTest::ViewCentre() {
    return app_->View().rect().center();
}

QImage GuiTest::Screenshot() {
    WaitFrames(2);
    return app_->View().grabFramebuffer();
}

}  // namespace guitest
