#include "gui_fixture.h"

#include <dlfcn.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include "app/frame_window.h"
#include "app/gl_view.h"

namespace guitest {

namespace {

// One QApplication (xcb under Xvfb) for the whole run; none without a display.
class GuiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) return;
        qputenv("QT_QPA_PLATFORM", "xcb");
        // Mesa unloads its driver when the last context goes; the leak checker then cannot
        // tell the driver's own allocations from ours. Keep it loaded.
        for (const char* driver : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                   "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"})
            dlopen(driver, RTLD_NOW | RTLD_NODELETE);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "app_gui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

template <typename T>
T PopOr(std::deque<T>& queue, T fallback, int* unexpected) {
    if (queue.empty()) {
        ++*unexpected;
        return fallback;
    }
    T v = std::move(queue.front());
    queue.pop_front();
    return v;
}

}  // namespace

app::MsgResult ScriptedDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                            app::MsgButtons buttons, app::MsgIcon icon) {
    messages.push_back({text, caption, buttons, icon});
    if (whileOpen) whileOpen();
    if (buttons == app::MsgButtons::Ok) return app::MsgResult::Ok;
    return PopOr(answers, app::MsgResult::Cancel, &unexpected);
}

std::optional<std::string> ScriptedDialogs::AskOpenPath(const std::string& startName) {
    openStarts.push_back(startName);
    if (whileOpen) whileOpen();
    return PopOr(openPaths, std::optional<std::string>(), &unexpected);
}

std::optional<std::string> ScriptedDialogs::AskSavePath(const std::string& startName) {
    saveStarts.push_back(startName);
    if (whileOpen) whileOpen();
    return PopOr(savePaths, std::optional<std::string>(), &unexpected);
}

std::optional<uint32_t> ScriptedDialogs::ChooseColour(uint32_t) {
    if (whileOpen) whileOpen();
    return PopOr(colours, std::optional<uint32_t>(), &unexpected);
}

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
    if (!qApp) GTEST_SKIP() << "no display (run under xvfb-run)";
    ASSERT_TRUE(dir_.isValid());
    settings_ = std::make_unique<ui::QtSettingsStore>(QString::fromStdString(SettingsPath()));
}

void GuiTest::TearDown() {
    Destroy();
}

std::string GuiTest::TempPath(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

std::string GuiTest::SettingsPath() const {
    return TempPath("Vorla.conf");
}

void GuiTest::Launch(const std::string& file) {
    app::shell::StartOptions options;
    options.file = file;
    options.startFolder = dir_.path().toStdString();
    options.dialogs = &dialogs_;
    options.settings = settings_.get();
    options.messageBoxes = &boxes_;
    app_ = std::make_unique<app::shell::CApp>(options);
    app_->InitInstance();
    if (onShown_) onShown_();
    auto& frame = app_->Frame();
    frame.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return app_->IsStarted(); })) << "the device did not start";
    WaitFrames(2);
}

void GuiTest::WaitFrames(int n) {
    const uint64_t target = app_->View().FramesDrawn() + static_cast<uint64_t>(n);
    ASSERT_TRUE(WaitUntil([&] { return app_->View().FramesDrawn() >= target; }))
        << "no frames are drawn";
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

QPoint GuiTest::ViewCentre() {
    return app_->View().rect().center();
}

QImage GuiTest::Screenshot() {
    WaitFrames(2);
    return app_->View().grabFramebuffer();
}

}  // namespace guitest
