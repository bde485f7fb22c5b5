#pragma once
// What the application core asks of the desktop around it. The Qt shell implements these;
// tests script them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace services {

enum class MsgButtons { Ok, YesNoCancel };
enum class MsgIcon { None, Error, Warning };
enum class MsgResult { Ok, Yes, No, Cancel };

// One file type a Save dialog offers: its filter text ("Name (*.ext)") and the suffix
// given to a name typed without one.
struct SaveFileType {
    std::string filter;
    std::string suffix;  // without the dot
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
    // A Save dialog titled `title` offering `types` (the first chosen at first), starting
    // in the folder of startName; a name without an extension gets the chosen type's
    // suffix, and replacing an existing file asks the system's confirmation. Empty on
    // cancel (and where there is no such dialog).
    virtual std::optional<std::string> AskSaveFile(const std::string& title,
                                                   const std::string& startName,
                                                   const std::vector<SaveFileType>& types) {
        (void)title, (void)startName, (void)types;
        return std::nullopt;
    }
    // The colour chooser, in and out in the 0x00BBGGRR layout. Empty on cancel.
    virtual std::optional<uint32_t> ChooseColour(uint32_t initialColorRef) = 0;
    // Opens a web address in the browser; failures are not reported.
    virtual void OpenUrl(const std::string& url) = 0;
};

// The per-user settings store ("Background", "Grid", "Help", "Buttons", "LastDir",
// "AutosaveSeconds", "Recent").
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
    // Makes the written values durable (called once after the last write).
    virtual bool Flush() { return true; }
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
    // Writes the view as the user sees it (scene and overlays, at the view's device
    // resolution) to `path` as "PNG" or "JPEG", complete or not at all. False with a
    // reason in `error` on failure.
    virtual bool SaveViewImage(const std::string& path, const std::string& format,
                               std::string* error) {
        (void)path, (void)format;
        *error = "no view to save";
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
    // Runs `work` (which only reads the construction) and returns when it is done; a
    // desktop shell keeps its windows painted meanwhile and, when the work takes a while,
    // shows `text` with a busy indicator. Input to the editor waits until it is done.
    virtual void RunWhileWaiting(const std::string& text, const std::function<void()>& work) {
        (void)text;
        work();
    }
};

// Colour chooser layout 0x00BBGGRR <-> display layout 0x00RRGGBB: the lowest and the
// third byte swap places; the second and the highest byte stay.
constexpr uint32_t SwapRedBlue(uint32_t value) {
    return ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu) | (value & 0xFF00FF00u);
}

}  // namespace services
