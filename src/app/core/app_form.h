#pragma once
// The form: the one view of the program and the device application in one. It owns the
// construction and the camera, answers the framework's device hooks with the renderer,
// routes every input message through the dispatcher, runs the commands of the menu,
// accelerators and on-screen buttons, and reads and writes documents and settings.
//
// No toolkit here: the Qt shell hands in its windows and implements Dialogs,
// SettingsStore, Shell and the framework's window and message-box hosts.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/window_placement.h"
#include "camera/camera.h"
#include "d3dframework/d3d_application.h"
#include "input/input_message.h"
#include "interaction/command_ids.h"
#include "interaction/dispatcher.h"
#include "interaction/edit_preview.h"
#include "interaction/strips.h"
#include "model/construction.h"
#include "model/edit/picking.h"
#include "model/vvl_file.h"
#include "render/camera_upload.h"
#include "render/scene_renderer.h"
#include "render/screen_overlays.h"
#include "services/services.h"

namespace app::core {

class RecoveryStore;

struct FormServices {
    services::Dialogs* dialogs = nullptr;
    services::SettingsStore* settings = nullptr;
    services::Shell* shell = nullptr;
    d3dframework::WindowHost* windowHost = nullptr;
    d3dframework::MessageBoxHost* messageBoxHost = nullptr;
    input::MouseCapture* mouseCapture = nullptr;  // may be null
    // Folder of the recovery files (autosave); empty: no autosave, no recovery.
    std::string recoveryFolder;
    // The command that exports in a process of its own: a program and its first arguments,
    // after which it takes those of `vorla-tool export` (export/export_process.h).
    std::vector<std::string> exportWorker;
};

// How many files the "Недавние файлы" submenu lists.
inline constexpr size_t kMaxRecentFiles = 8;
// Autosave interval when the settings name none, in seconds.
inline constexpr uint32_t kDefaultAutosaveSeconds = 60;

class CAppForm : public d3dframework::CD3DApplication,
                 private interaction::DispatchHost,
                 private interaction::StripHost {
  public:
    // Builds the construction and camera and reads the settings. `startFolder` is the
    // process's current directory at start-up.
    CAppForm(const FormServices& services, std::string startFolder);
    ~CAppForm() override;

    // Start-up once the windows exist: `viewWindow` is the window the scene is drawn in
    // while windowed, `fullScreenWindow` the one used in full screen. `commandLineFile`
    // (may be empty; surrounding double quotes are dropped) opens at the first device
    // reset. Returns the framework's result; a failure has been shown already.
    gfx::HRESULT Start(SystemFactory factory, gfx::WindowHandle viewWindow,
                       gfx::WindowHandle fullScreenWindow, std::string commandLineFile);
    // Once start-up is over and the window shows (outside every device hook, since both
    // may open dialogs): the offer to restore work a dead editor left, then the file named
    // on the command line.
    void FinishStartup();

    // The idle step: one frame while active (in full screen a lost device first returns
    // to a window). Returns false when nothing was drawn.
    bool Idle();

    // Frames on demand: the shell asks for a frame after every change (input that can
    // change the picture, a command, a resize, a load) and goes on asking only while
    // WantsFrames. True while the picture can change without new input: the camera moving
    // by itself, the about disc turning, a mouse button held (a drag shows at every frame).
    bool WantsFrames() const;
    // The shell asks for no more frames: the frame clock stands still until the next Idle.
    void Rest() { CD3DApplication::Rest(true); }

    // What the mere position of the pointer can change on screen: the hovered strip
    // button with its tooltip, the mode the held modifier keys select, and what a click
    // there would do (the marked block, the ghost of the block to come). A pointer move
    // that leaves it as it was needs no new frame. Brings the preview up to date first
    // (a pick, when the pointer or the scene has changed since the last one).
    struct PointerView {
        bool stripHit = false;
        int32_t hoveredButton = 0, tooltipX = 0, tooltipY = 0, tooltipStyle = 0;
        bool tooltipLeftAnchored = false;
        std::string tooltipText;
        int32_t modifierMode = 0;
        interaction::EditPreview preview;
        bool operator==(const PointerView&) const = default;
    };
    PointerView Pointer();

    // Redraws the current frame without advancing it, also while paused (window exposed
    // or resized, a file dropped during a pause).
    void Repaint();

    // Every key and mouse message of the view, before accelerators. True: pass it on
    // (the shell then asks TranslateAccelerator and runs the command); false: consumed.
    bool DispatchInput(const input::InputMessage& msg);
    // Looks a passed-on key message up in the accelerator table.
    std::optional<int> TranslateAccelerator(const input::InputMessage& msg) const;

    // Menu, accelerator and button commands.
    void OnCommand(int id);
    void RefreshCheckMarks();
    // Greys out the menu items that cannot be chosen now (undo, redo); tells the shell
    // only what changed since the last call.
    void RefreshMenuEnabled();
    // After anything that may have changed the state (every input message and command,
    // a load): the greyed-out menu items, the window title and the settings on disk
    // follow it. Each tells the shell or the store only what changed.
    void AfterChange();
    // "имя.vvl — ТОР-ВИН", with "*" after the name while there are unsaved changes;
    // "ТОР-ВИН" alone for a new construction without changes.
    std::string WindowTitle() const;

    // Documents.
    bool SaveChangesPrompt();
    // The main window is asked to close: back from full screen, then the save prompt.
    // Asked with or without a device (after a fatal device error the work is still
    // there). True when the program may close.
    bool QueryClose();
    // Plain save: the open document's file without a dialog; a construction that has
    // no file yet goes through SaveAs. True when a file was written.
    bool Save();
    bool SaveAs();
    // True when the file was read into the construction. Unsaved work is offered for
    // saving first unless the caller has asked already.
    bool LoadFile(const std::string& path, bool askToSave = true);
    void NewDocument();
    void OpenDocument();
    void OnDropFiles(const std::vector<std::string>& paths);
    // The file dialogs' initial name: last folder, else the Models folder, else the
    // sample constructions installed with the program, else the start folder.
    std::string DialogStartName() const;
    // Opens entry `index` of the recent files as Open would (save prompt first); a file
    // that is gone is dropped from the list with a message.
    void OpenRecent(int index);

    // Autosave, run by the shell's timer every `autosaveSeconds`: unsaved work goes to
    // this editor's recovery file (encoded here, written on a worker thread); saved or
    // discarded work takes it away. Never a dialog, never a frame.
    void AutosaveTick();
    // A recovery write has finished (the shell posts this from the writer). A write that
    // fails puts a warning in the status line and, once until writes work again, says in
    // a message which folder refuses the file and why; the first write that works again
    // says so in the status line.
    void AutosaveWritten();
    // Recovery files left by editors that did not exit cleanly, offered one by one,
    // newest first, until one is restored (run once at start).
    void OfferRecovery();
    RecoveryStore* Recovery() { return recovery_.get(); }

    // Branches (model/edit/branches.h): the selected one to the clipboard, deleted or
    // painted in the current colour as one undo step; Ctrl+V readies the clipboard's
    // branch for the next click on a face. Each says in the status line what it did, or
    // why not (nothing selected, no branch on the clipboard).
    void CopyBranch();
    void PasteBranch();
    void DeleteBranch();
    void PaintBranch();

    // Sharing: the construction as a mesh for other programs (format by the chosen file
    // type; detail and cubes as displayed unless the options dialog says otherwise,
    // written by a worker process with progress and Cancel), and the view as a PNG or
    // JPEG picture.
    void ExportMesh();
    void SaveImage();

    // Window events.
    void SetActive(bool active);
    void OnSize();
    // Full-screen toggle (Alt+Enter, the menu item and the on-screen button).
    void ToggleFullScreen();
    // Closing window: releases the device and writes the settings. Idempotent.
    void Shutdown();

    // Settings, read once at construction and written to disk whenever one changes
    // (AfterChange) and at shutdown. A write that fails says why in the status line.
    void LoadSettings();
    // Writes the settings that changed since the last write (every one the store lacks,
    // too) and makes them durable.
    void SaveSettings();
    // The main window was moved, resized, maximised or restored.
    void SetWindowPlacement(const WindowPlacement& placement);

    // Opens the maker's web page (the web link of the bottom strip).
    void OpenMakerSite() override;

    model::CVelVorlaSystem system;
    camera::CVelCamera camera;
    // Tooltip, strip layout and the about disc: what the screen shows beside the scene.
    interaction::ScreenState screen;
    std::string startFolder;
    std::string lastDir;
    // The file the construction was last opened from or saved to; empty for a new one.
    std::string documentPath;
    // Files last opened or saved, newest first ("Recent" in the settings).
    std::vector<std::string> recentFiles;
    // Seconds between autosaves ("AutosaveSeconds"); 0: no autosave.
    uint32_t autosaveSeconds = kDefaultAutosaveSeconds;
    // Where the main window stood when last moved ("Window"); empty until it is known.
    std::optional<WindowPlacement> windowPlacement;
    // The sample constructions installed with the program (empty when there are none).
    std::string samplesFolder;
    // Where the last export went and its format's extension ("ExportDir", "ExportType").
    std::string exportFolder;
    std::string exportExtension = ".glb";

    render::SceneRenderer& Renderer() { return *renderer_; }
    interaction::CInputDispatcher& Dispatcher() { return *dispatcher_; }
    interaction::CStripButtons& Strips() { return *strips_; }
    const model::PickMeshes& Meshes() const { return pickMeshes_; }
    gfx::WindowHandle ViewWindow() const { return viewWindow_; }
    gfx::WindowHandle FullScreenWindow() const { return fullScreenWindow_; }

  protected:
    // Device hooks.
    gfx::HRESULT AdjustWindowStyle() override;
    gfx::HRESULT InitScene() override;
    gfx::HRESULT CreateDeviceObjects() override;
    gfx::HRESULT ResetDeviceObjects() override;
    gfx::HRESULT AdvanceFrame() override;
    gfx::HRESULT RenderScene() override;
    gfx::HRESULT LoseDeviceObjects() override;
    gfx::HRESULT DestroyDeviceObjects() override;
    gfx::HRESULT CleanupScene() override;

  private:
    // DispatchHost and StripHost
    float Time() const override { return time; }
    bool Windowed() const override { return windowed; }
    void RunStripCommand(int id) override { OnCommand(id); }
    bool HasViewWindow() const override { return viewWindow_ != nullptr; }
    camera::CameraDevice* Device() override { return CameraUpload(); }

    // OnCommand without the refreshes that follow every command.
    void RunCommand(int id);
    camera::CameraDevice* CameraUpload();
    void RefreshPickMeshes();
    void HandleSize();
    // The file named on the command line: opened, or the user is told why not.
    void OpenCommandLineFile(const std::string& path);
    // Leaves full screen before a dialog appears over it.
    void LeaveFullScreenForDialog();
    // Where the picture dialog starts: the folder last used for sharing.
    std::string ShareStartName() const;
    // The export dialog's suggestion: the document's name with the last export's
    // extension, in the last export folder.
    std::string ExportStartName() const;
    void ClearKeys() { system.keys.Clear(); }
    // A word in the status line about what a command did (warning: what it could not).
    void Tell(const std::string& text, bool warning);
    void SetMode(int newMode, bool stopAxisMode);
    void ChooseColour(uint32_t& colour);
    void About();
    // Writes the construction to `path` (asking first about a file marked read-only);
    // says why when it cannot. True when the file was written.
    bool WriteDocument(const std::string& path);
    // Whether a write to `path` may go ahead, and whether it may replace a file marked
    // read-only (the user was asked); empty when the user said no.
    std::optional<model::ReadOnlyTarget> ConfirmWriteTarget(const std::string& path);
    // A document has been opened or saved at `path`: it is the current one, it heads the
    // recent files, and the recovery file of the work it replaced is no longer needed.
    void DocumentIsNow(const std::string& path);
    // The work in memory was saved or thrown away: its recovery file goes.
    void DiscardRecovery();
    void PublishRecentFiles();

    FormServices services_;
    std::unique_ptr<render::SceneRenderer> renderer_;
    std::unique_ptr<interaction::CInputDispatcher> dispatcher_;
    std::unique_ptr<interaction::CStripButtons> strips_;
    std::unique_ptr<render::ScreenOverlays> overlays_;
    std::optional<render::GfxCameraDevice> cameraUpload_;
    gfx::Device* cameraUploadDevice_ = nullptr;
    model::PickMeshes pickMeshes_;
    interaction::PreviewTracker preview_;
    gfx::WindowHandle viewWindow_ = nullptr;
    gfx::WindowHandle fullScreenWindow_ = nullptr;
    std::string commandLineFile_;
    std::map<int, bool> shownEnabled_;      // what the shell shows, by command id
    std::map<int, std::string> shownText_;  // the undo and redo items' texts shown
    bool startupFinished_ = false;
    bool shutDown_ = false;
    std::unique_ptr<RecoveryStore> recovery_;
    bool autosaveFailing_ = false;  // the last recovery write failed and the user was told
    bool autosaveWarningOpen_ = false;
    bool recoveryQueued_ = false;   // a write has been queued since the last removal
    uint64_t recoveryVersion_ = 0;  // construction version of that write
    std::string shareFolder_;
    float exportBlockSizeMm_ = 20;  // the block size of the last print export
    services::PictureOptions pictureOptions_;
    std::string shownTitle_;  // what the shell shows
    // The settings as the store holds them since the last write; empty while some are
    // missing there (a first start), so that the next write brings them all.
    struct StoredSettings {
        uint32_t background = 0, grid = 0, help = 0, buttons = 0, autosave = 0;
        std::string lastDir, exportDir, exportType, window;
        std::vector<std::string> recent;
        bool operator==(const StoredSettings&) const = default;
    };
    StoredSettings CurrentSettings() const;
    std::optional<StoredSettings> storedSettings_;
    std::optional<StoredSettings> settingsTried_;  // as the last write (or try) left them
};

}  // namespace app::core
