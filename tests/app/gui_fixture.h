#pragma once
// Runs the real main window with scripted dialogs and a private settings file.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/app_form.h"
#include "platform/ui/qt_settings_store.h"
#include "services/services.h"
#include "support/scripted_services.h"

class QAction;

namespace guitest {

using testsupport::ScriptedDialogs;

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program (optionally on a command-line file) and waits for its frames.
    void Launch(const std::string& file = "");
    // Ends it as the user would (close request), answering prompts from the script.
    void CloseWindow();
    // Drops the application object without the close path (after CloseWindow, or to end).
    void Destroy();

    app::CApp& App() { return *app_; }
    app::core::CAppForm& Form() { return app_->Form(); }
    QAction* Action(int id);
    bool Checked(int id);
    int Total() { return Form().system.model.Total(); }

    // Keys and clicks through the real window (the input hook sees them first).
    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void Click(QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton);
    QPoint ViewCentre();
    // A pointer move over the view, delivered at once (QTest::mouseMove moves the X
    // cursor, whose motion event arrives whenever the server sends it).
    void MovePointer(QPoint pos);
    // Files dragged onto the view and dropped, as a file manager does it; true when the
    // window accepted the drag.
    bool Drop(const std::vector<std::string>& paths);
    // Asks for a few more frames, waits for them and grabs what the view shows.
    QImage Screenshot();
    void WaitFrames(int n);

    std::string TempPath(const std::string& name) const;
    std::string SettingsPath() const;
    // Where the editor keeps its recovery files (private to the test).
    std::string RecoveryFolder() const;

    // Runs in Launch right after the window shows, before the device starts.
    std::function<void()> onShown_;
    // The program the editor's exports run in (set before Launch to slow it down).
    std::vector<std::string> exportWorker_ = {VORLA_BINARY, "--export-worker"};
    // The view is sized 520 x 350 right after it shows (the strips' places in the tests
    // follow from it); false keeps the size the program chose.
    bool classicViewSize_ = true;

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    testsupport::FakeMessageBoxes boxes_;
    std::unique_ptr<ui::QtSettingsStore> settings_;
    std::unique_ptr<app::CApp> app_;
};

}  // namespace guitest
