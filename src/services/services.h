#pragma once
// What the application core asks of the desktop around it. The Qt shell implements these;
// tests script them.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace services {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Error, Warning };
enum class MsgResult { Ok, Yes, No, Cancel };

// One file type a Save dialog offers: its filter text ("Name (*.ext)") and the suffix
// given to a name typed without one.
struct SaveFileType {
    std::string filter;
    std::string suffix;  // without the dot
};

// What the export dialog offers beside the file.
struct ExportChoices {
    bool printFormat = false;  // the chosen format is for 3D printing (STL, 3MF)
    int detailLevel = 1;       // 1 high, 2 medium, 3 low
    bool cubes = false;        // plain cubes instead of blocks
    float blockSizeMm = 20;    // block edge (print formats)
    bool hollow = false;       // print formats: without the blocks closed in on every side
    bool keepHidden = false;   // other formats: with the blocks closed in on every side
    bool operator==(const ExportChoices&) const = default;
};

// How "Сохранить изображение..." draws its picture.
struct PictureOptions {
    bool overlays = false;     // the strips, help pages and status line over the scene
    int scale = 1;             // the view's size times 1, 2 or 4
    bool transparent = false;  // the background left transparent (where the format can)
    bool operator==(const PictureOptions&) const = default;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A modal message box owned by the main window.
    virtual MsgResult ShowMessage(const std::string& text, const std::string& caption,
                                  MsgButtons buttons, MsgIcon icon) = 0;
    // The standard Open dialog, starting at startName (a folder, or a folder followed by
    // "/*.vvl"), filter "Vel's Vorla (*.vvl)", the file must exist. Empty on cancel.
    virtual std::optional<std::string> AskOpenPath(const std::string& startName) = 0;
    // The standard Save dialog: default extension "vvl", the system's own confirmation
    // before replacing an existing file. Empty on cancel.
    virtual std::optional<std::string> AskSavePath(const std::string& startName) = 0;
    // A Save dialog titled `title` offering `types`, starting at startName: a folder, or a
    // file in it whose name is suggested (its type chosen at first, else the first type).
    // A name without an extension gets the chosen type's suffix, choosing another type
    // gives the suggested name that type's suffix, and replacing an existing file asks
    // the system's confirmation. Empty on cancel (and where there is no such dialog).
    virtual std::optional<std::string> AskSaveFile(const std::string& title,
                                                   const std::string& startName,
                                                   const std::vector<SaveFileType>& types) {
        (void)title, (void)startName, (void)types;
        return std::nullopt;
    }
    // The export's options beside the file, offered as `initial`. Empty on cancel; where
    // there is no such dialog, the offer stands.
    virtual std::optional<ExportChoices> AskExportOptions(const ExportChoices& initial) {
        return initial;
    }
    // The Save dialog of a picture: AskSaveFile with the picture's options beside the
    // file name, starting from `options` and leaving the chosen ones there.
    virtual std::optional<std::string> AskPictureFile(const std::string& title,
                                                      const std::string& startName,
                                                      const std::vector<SaveFileType>& types,
                                                      PictureOptions& options) {
        (void)options;
        return AskSaveFile(title, startName, types);
    }
    // The colour chooser, in and out in the 0x00BBGGRR layout. Empty on cancel.
    virtual std::optional<uint32_t> ChooseColour(uint32_t initialColorRef) = 0;
    // Opens a web address in the browser; failures are not reported.
    virtual void OpenUrl(const std::string& url) = 0;
};

// The per-user settings store ("Background", "Grid", "Help", "Buttons", "LastDir",
// "AutosaveSeconds", "Recent", "Window").
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Empty when the value is missing or cannot be read as the asked type.
    virtual std::optional<uint32_t> ReadDword(const std::string& name) = 0;
    virtual std::optional<std::string> ReadString(const std::string& name) = 0;
    virtual bool WriteDword(const std::string& name, uint32_t value) = 0;
    virtual bool WriteString(const std::string& name, const std::string& value) = 0;
    virtual std::optional<std::vector<std::string>> ReadStringList(const std::string& name) = 0;
    virtual bool WriteStringList(const std::string& name,
                                 const std::vector<std::string>& values) = 0;
    // Makes the values written since the last call durable; false when they could not
    // be (they are then tried again at the next call).
    virtual bool Flush() { return true; }
    // Why the last Flush failed, for the user (Russian).
    virtual std::string LastError() const { return {}; }
};

// The frame and its windows, as the form sees them.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual void SetMenuCheck(int commandId, bool checked) = 0;
    // Greys a menu item out (false) or makes it choosable again (true).
    virtual void SetMenuEnabled(int commandId, bool enabled) = 0;
    // A menu item's text (its key label stays as it is).
    virtual void SetMenuText(int commandId, const std::string& text) {
        (void)commandId, (void)text;
    }
    // The items of the "Недавние файлы" submenu, newest first: item i runs command
    // cmd::kRecentFileFirst + i. An empty list greys the submenu out.
    virtual void SetRecentFiles(const std::vector<std::string>& paths) = 0;
    // Asks the main window to close through its normal path (save prompt included).
    virtual void PostCloseToMainWindow() = 0;
    // Full screen: show the view alone on the screen; windowed: put it back in the frame.
    virtual void ShowFullScreen(bool fullScreen) = 0;
    // Client size of the window the scene is drawn into, in logical pixels.
    virtual void ViewSize(int* width, int* height) = 0;
    // The window's title.
    virtual void SetTitle(const std::string& title) { (void)title; }
    // The construction as the view shows it, drawn anew at the view's device resolution
    // times options.scale (the overlays only when asked), encoded as "PNG" or "JPEG" into
    // `bytes`. False with a reason for the user in `error`.
    virtual bool EncodeViewPicture(const std::string& format, const PictureOptions& options,
                                   std::vector<uint8_t>* bytes, std::string* error) {
        (void)format, (void)options, (void)bytes;
        *error = "нет окна с изображением";
        return false;
    }
    // The desktop clipboard. A branch of blocks goes there as `bytes` under the program's
    // own type (a .vvl construction holding just the branch), together with `text` for
    // other programs; false when the clipboard takes nothing.
    virtual bool PutBranchOnClipboard(const std::vector<uint8_t>& bytes, const std::string& text) {
        (void)bytes, (void)text;
        return false;
    }
    // The bytes of the program's own type on the clipboard, from this editor or another;
    // empty when the clipboard holds none.
    virtual std::optional<std::vector<uint8_t>> BranchOnClipboard() { return std::nullopt; }
    // Runs `work` on the user-interface thread soon, from its event loop (called from
    // another thread). A shell without a loop drops it.
    virtual void Post(std::function<void()> work) { (void)work; }
    // Waits for a long job, calling `poll` every few tens of milliseconds until it returns
    // empty (done); while it runs, it returns how far the job is (0..1). A desktop shell
    // keeps its windows painted meanwhile, holds back input to the editor, and once the
    // job has taken half a second shows `text` with a progress bar and a Cancel button.
    // False when the user cancelled (the job is then still running: the caller stops it).
    virtual bool RunWithProgress(const std::string& text,
                                 const std::function<std::optional<double>()>& poll) {
        (void)text;
        while (poll()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return true;
    }
};

// Colour chooser layout 0x00BBGGRR <-> display layout 0x00RRGGBB: the lowest and the
// third byte swap places; the second and the highest byte stay.
constexpr uint32_t SwapRedBlue(uint32_t value) {
    return ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu) | (value & 0xFF00FF00u);
}

}  // namespace services
