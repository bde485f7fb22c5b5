#pragma once
// The application: builds the main window, the 3D view and the form, wires the input
// hook, the menu, drops and activation to the form, and starts the device as soon as the
// view's GL context exists. main() runs one; the GUI tests run one with scripted dialogs
// and a private settings file.
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "input/input_message.h"
#include "services/services.h"

namespace d3dframework {
class MessageBoxHost;
}
namespace app::core {
class CAppForm;
}

namespace app {

class CAppFrameWnd;
class CGlView;
class InputHook;
class QtWindowHost;

// The Models folder of sample constructions installed with the program; empty if none.
std::string InstalledSamplesFolder();

struct StartOptions {
    std::string file;         // document named on the command line (may be empty)
    std::string startFolder;  // empty: the current directory
    // Folder of the recovery files; empty: "recovery" in the user's data folder.
    std::string recoveryFolder;
    // The sample constructions; empty: the Models folder installed with the program.
    std::string samplesFolder;
    // The program that exports in a process of its own with its first arguments; empty:
    // this program with --export-worker.
    std::vector<std::string> exportWorker;
    // Replacements for tests; null means the real ones.
    services::Dialogs* dialogs = nullptr;
    services::SettingsStore* settings = nullptr;
    d3dframework::MessageBoxHost* messageBoxes = nullptr;
};

class CApp : public QObject {
    Q_OBJECT
  public:
    explicit CApp(StartOptions options);
    ~CApp() override;

    // Shows the main window where it stood last time (or fitting the screen at the first
    // start); the device is created once the view has its GL context, and Started or
    // StartFailed follows.
    void InitInstance();

    CAppFrameWnd& Frame() { return *frame_; }
    CGlView& View() { return *view_; }
    core::CAppForm& Form() { return *form_; }
    bool IsStarted() const { return started_; }

    // A command as the menu, an accelerator or a strip button would run it.
    void RunCommand(int id);
    // One converted input message through the dispatcher and the accelerator table;
    // true when it was consumed.
    bool HandleInput(const input::InputMessage& msg);

  signals:
    void Started();
    void StartFailed();

  private:
    void StartDevice();
    void OnMenuShown(bool shown);
    void OnActivation(bool active);
    void OnFilesDropped(const QStringList& paths);
    void OnClosing();
    // The strips' layout changed under a pointer that did not move (full screen, a
    // window manager's resize): the hover follows what is under the pointer now.
    void HoverWherePointerIs();

    StartOptions options_;
    std::unique_ptr<services::Dialogs> ownDialogs_;
    std::unique_ptr<services::SettingsStore> ownSettings_;
    std::unique_ptr<d3dframework::MessageBoxHost> ownMessageBoxes_;
    CGlView* view_ = nullptr;  // owned by the frame
    std::unique_ptr<CAppFrameWnd> frame_;
    std::unique_ptr<QtWindowHost> windowHost_;
    std::unique_ptr<core::CAppForm> form_;
    InputHook* hook_ = nullptr;  // owned by the frame
    QTimer autosaveTimer_;
    bool started_ = false;
    bool startRequested_ = false;
};

}  // namespace app
