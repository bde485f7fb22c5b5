#pragma once
// The main window: the menu bar built from the command table (check marks addressed by
// command id, key labels as text only), the 3D view as its only content, file drops, the
// full-screen switch and the close path with its save prompt.
#include <QMainWindow>
#include <map>

#include "services/services.h"

class QAction;
class QMenu;

namespace app::core {
class CAppForm;
}

namespace app {

class CGlView;

class CAppFrameWnd : public QMainWindow, public services::Shell {
    Q_OBJECT
  public:
    explicit CAppFrameWnd(CGlView* view);
    ~CAppFrameWnd() override;

    void SetForm(core::CAppForm* form) { form_ = form; }
    CGlView* View() const { return view_; }
    // The menu action of a command (tests; menus are data-driven).
    QAction* ActionFor(int commandId) const;
    // The "Недавние файлы" submenu (tests).
    QMenu* RecentFilesMenu() const { return recentMenu_; }
    // Resizes the window so that the view is exactly w x h logical pixels.
    void FitViewTo(int w, int h);

    // Shell
    void SetMenuCheck(int commandId, bool checked) override;
    void SetMenuEnabled(int commandId, bool enabled) override;
    void SetMenuText(int commandId, const std::string& text) override;
    bool PutBranchOnClipboard(const std::vector<uint8_t>& bytes, const std::string& text) override;
    std::optional<std::vector<uint8_t>> BranchOnClipboard() override;
    void SetRecentFiles(const std::vector<std::string>& paths) override;
    void PostCloseToMainWindow() override;
    void ShowFullScreen(bool fullScreen) override;
    void ViewSize(int* width, int* height) override;
    bool SaveViewImage(const std::string& path, const std::string& format,
                       std::string* error) override;
    void RunWhileWaiting(const std::string& text, const std::function<void()>& work) override;
    void Post(std::function<void()> work) override;

  signals:
    // A menu opens or closes (rendering pauses while one is open).
    void MenuShown(bool shown);
    // A command chosen from the menu.
    void CommandChosen(int commandId);
    // Files dropped on the window, first one first.
    void FilesDropped(const QStringList& paths);
    // The window is closing for good (after the save prompt said yes).
    void Closing();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void BuildMenu();
    QMenu* AddTrackedMenu(QMenu* menu);

    CGlView* view_;
    core::CAppForm* form_ = nullptr;
    std::map<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    Qt::WindowStates stateBeforeFullScreen_ = Qt::WindowNoState;
    bool closing_ = false;
    bool waiting_ = false;  // RunWhileWaiting in progress
};

}  // namespace app
