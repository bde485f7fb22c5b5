#pragma once
// The user's side of the services, scripted: dialogs answer from queues and record what
// they were asked; settings live in memory; window and message-box hosts record requests.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "d3dframework/platform_hooks.h"
#include "services/services.h"

namespace testsupport {

// Answers queued by the test. A question nobody scripted is answered with Cancel (or no
// path, no colour) and counted in `unexpected`; a message with only an OK button needs no
// answer.
class ScriptedDialogs : public services::Dialogs {
  public:
    struct Message {
        std::string text, caption;
        services::MsgButtons buttons;
        services::MsgIcon icon;
    };
    std::deque<services::MsgResult> answers;
    std::deque<std::optional<std::string>> openPaths, savePaths;
    std::deque<std::optional<uint32_t>> colours;
    // Save dialogs with file types (export, picture): the paths to answer, and the titles
    // and offered types seen.
    std::deque<std::optional<std::string>> saveFilePaths;
    std::vector<std::string> saveFileTitles, saveFileStarts;
    std::vector<std::vector<services::SaveFileType>> saveFileTypes;
    // The export options dialog: what it offered, and the answers (unscripted, the offer
    // is accepted as it stands).
    std::vector<services::ExportChoices> exportOffers;
    std::deque<std::optional<services::ExportChoices>> exportAnswers;
    // Picture dialogs: the options each one offered, and those the user then picks (the
    // offered ones stay when none is queued).
    std::vector<services::PictureOptions> pictureOffers;
    std::deque<services::PictureOptions> pictureChoices;
    std::vector<Message> messages;
    std::vector<std::string> openStarts, saveStarts, urls;
    std::vector<uint32_t> colourStarts;  // the colour each chooser opened with
    int unexpected = 0;
    // Called while a dialog is "open" (to look at the paused state).
    std::function<void()> whileOpen;

    services::MsgResult ShowMessage(const std::string& text, const std::string& caption,
                                    services::MsgButtons buttons, services::MsgIcon icon) override;
    std::optional<std::string> AskOpenPath(const std::string& startName) override;
    std::optional<std::string> AskSavePath(const std::string& startName) override;
    std::optional<std::string> AskSaveFile(
        const std::string& title, const std::string& startName,
        const std::vector<services::SaveFileType>& types) override;
    std::optional<services::ExportChoices> AskExportOptions(
        const services::ExportChoices& initial) override;
    std::optional<std::string> AskPictureFile(const std::string& title,
                                              const std::string& startName,
                                              const std::vector<services::SaveFileType>& types,
                                              services::PictureOptions& options) override;
    std::optional<uint32_t> ChooseColour(uint32_t initialColorRef) override;
    void OpenUrl(const std::string& url) override { urls.push_back(url); }
};

class MemorySettings : public services::SettingsStore {
  public:
    std::map<std::string, uint32_t> dwords;
    std::map<std::string, std::string> strings;
    std::map<std::string, std::vector<std::string>> lists;
    int flushes = 0;

    std::optional<uint32_t> ReadDword(const std::string& name) override {
        return dwords.contains(name) ? std::optional(dwords[name]) : std::nullopt;
    }
    std::optional<std::string> ReadString(const std::string& name) override {
        return strings.contains(name) ? std::optional(strings[name]) : std::nullopt;
    }
    bool WriteDword(const std::string& name, uint32_t value) override {
        return dwords[name] = value, true;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
        return strings[name] = value, true;
    }
    std::optional<std::vector<std::string>> ReadStringList(const std::string& name) override {
        return lists.contains(name) ? std::optional(lists[name]) : std::nullopt;
    }
    bool WriteStringList(const std::string& name, const std::vector<std::string>& values) override {
        return lists[name] = values, true;
    }
    bool Flush() override { return ++flushes, true; }
};

class FakeMessageBoxes : public d3dframework::MessageBoxHost {
  public:
    struct Shown {
        std::string text, caption;
        d3dframework::MessageIcon icon;
    };
    void ShowMessage(const std::string& text, const std::string& caption,
                     d3dframework::MessageIcon icon) override {
        shown.push_back({text, caption, icon});
    }
    std::vector<Shown> shown;
};

// Rectangles per window, and a record of every request the framework makes.
class FakeWindows : public d3dframework::WindowHost {
  public:
    struct Window {
        gfx::Rect window;  // screen
        int clientWidth = 0, clientHeight = 0;
    };

    gfx::Rect WindowRect(gfx::WindowHandle w) const override {
        return windows.contains(w) ? windows.at(w).window : gfx::Rect{};
    }
    gfx::Rect ClientRect(gfx::WindowHandle w) const override {
        if (!windows.contains(w)) return {};
        return {0, 0, windows.at(w).clientWidth, windows.at(w).clientHeight};
    }
    void RestoreWindowRect(gfx::WindowHandle w, const gfx::Rect& r) override {
        restored.push_back({w, r});
    }
    void SetFullScreenFrame(gfx::WindowHandle w, bool fullScreen) override {
        frames.push_back({w, fullScreen});
    }
    void PostClose(d3dframework::CloseTarget target) override { closes.push_back(target); }
    void ClipCursor(const gfx::Rect* r) override {
        clips.push_back(r ? *r : gfx::Rect{-1, -1, -1, -1});
    }

    // Resizes a window's client area (and its outer rectangle with it).
    void Resize(gfx::WindowHandle w, int width, int height);

    std::map<gfx::WindowHandle, Window> windows;
    std::vector<std::pair<gfx::WindowHandle, gfx::Rect>> restored;
    std::vector<std::pair<gfx::WindowHandle, bool>> frames;
    std::vector<d3dframework::CloseTarget> closes;
    std::vector<gfx::Rect> clips;  // (-1 -1 -1 -1) for a release
};

}  // namespace testsupport
