#pragma once
// Runs the real main window with scripted dialogs and a private settings file.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/app_form.h"
#include "d3dframework/platform_hooks.h"
#include "platform/ui/qt_settings_store.h"
#include "services/services.h"

class QAction;

namespace guitest {

// Answers queued by the test; a dialog nobody expected is answered with Cancel and noted.
class ScriptedDialogs : public app::Dialogs {
  public:
    struct Message {
        std::string text, caption;
        app::MsgButtons buttons;
        app::MsgIcon icon;
    };
    std::deque<app::MsgResult> answers;
    std::deque<std::optional<std::string>> openPaths, savePaths;
    std::deque<std::optional<uint32_t>> colours;
    std::vector<Message> messages;
    std::vector<std::string> openStarts, saveStarts, urls;
    int unexpected = 0;
    // Called while a dialog is "open" (to look at the paused state).
    std::function<void()> whileOpen;

    app::MsgResult ShowMessage(const std::string& text, const std::string& caption,
                               app::MsgButtons buttons, app::MsgIcon icon) override;
    std::optional<std::string> AskOpenPath(const std::string& startName) override;
    std::optional<std::string> AskSavePath(const std::string& startName) override;
    std::optional<uint32_t> ChooseColour(uint32_t initialColorRef) override;
    void OpenUrl(const std::string& url) override { urls.push_back(url); }
};

class RecordingMessageBoxes : public d3dfw::MessageBoxHost {
  public:
    std::vector<std::string> texts;
    void ShowMessage(const std::string& text, const std::string&, d3dfw::MessageIcon) override {
        texts.push_back(text);
    }
};

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

    app::shell::CApp& App() { return *app_; }
    app::CAppForm& Form() { return app_->Form(); }
    QAction* Action(int id);
    bool Checked(int id);
    int Total() { return Form().system.model.Total(); }

    // Keys and clicks through the real window (the input hook sees them first).
    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void Click(QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton);
    QPoint ViewCentre();
    // Waits for a few more frames and grabs what the view shows.
    QImage Screenshot();
    void WaitFrames(int n);

    std::string TempPath(const std::string& name) const;
    std::string SettingsPath() const;

    // Runs in Launch right after the window shows, before the device starts.
    std::function<void()> onShown_;

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    RecordingMessageBoxes boxes_;
    std::unique_ptr<ui::QtSettingsStore> settings_;
    std::unique_ptr<app::shell::CApp> app_;
};

}  // namespace guitest
