#pragma once
// The main window: the menu bar built from the command table (check marks addressed by
// command id, key labels as text only), the 3D view as its only content, file drops, the
// full-screen switch and the close path with its save prompt.
#include <QMainWindow>
#include <QRect>
#include <QTimer>
#include <map>
#include <optional>

#include "services/services.h"

class QAction;
class QMenu;

namespace app::core {
class CAppForm;
struct WindowPlacement;
}  // namespace app::core

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
    // Shows the window where it stood last time (when that is still on a screen), else
    // at two thirds of the screen, centred, with a view of at least 520 x 350.
    void ShowPlaced(const std::optional<core::WindowPlacement>& saved);

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
    void SetTitle(const std::string& title) override;
    bool EncodeViewPicture(const std::string& format, const services::PictureOptions& options,
                           std::vector<uint8_t>* bytes, std::string* error) override;
    bool RunWithProgress(const std::string& text,
                         const std::function<std::optional<double>()>& poll) override;
    // How long a job runs before its progress dialog shows.
    static constexpr int kProgressDelayMs = 500;
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
    // Tells the form where the window stands now (not while full screen or minimised).
    void RecordPlacement();

    CGlView* view_;
    core::CAppForm* form_ = nullptr;
    std::map<int, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    Qt::WindowStates stateBeforeFullScreen_ = Qt::WindowNoState;
    QRect geometryBeforeFullScreen_;
    bool closing_ = false;
    bool waiting_ = false;  // RunWithProgress in progress
    // A move or resize is recorded once it has come to rest, not at every step of a drag.
    QTimer placementTimer_;
};

}  // namespace app
