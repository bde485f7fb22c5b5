#include "support/scripted_services.h"

namespace testsupport {

namespace {

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

std::optional<std::string> ScriptedDialogs::AskSaveFile(
    const std::string& title, const std::string&, const std::vector<app::SaveFileType>& types) {
    saveFileTitles.push_back(title);
    saveFileTypes.push_back(types);
    if (whileOpen) whileOpen();
    return PopOr(saveFilePaths, std::optional<std::string>(), &unexpected);
}

std::optional<uint32_t> ScriptedDialogs::ChooseColour(uint32_t initialColorRef) {
    colourStarts.push_back(initialColorRef);
    if (whileOpen) whileOpen();
    return PopOr(colours, std::optional<uint32_t>(), &unexpected);
}

std::optional<uint32_t> MemorySettings::ReadDword(const std::string& name) {
    auto it = dwords.find(name);
    return it == dwords.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::string> MemorySettings::ReadString(const std::string& name) {
    auto it = strings.find(name);
    return it == strings.end() ? std::nullopt : std::optional(it->second);
}

bool MemorySettings::WriteDword(const std::string& name, uint32_t value) {
    dwords[name] = value;
    return true;
}

bool MemorySettings::WriteString(const std::string& name, const std::string& value) {
    strings[name] = value;
    return true;
}

std::optional<std::vector<std::string>> MemorySettings::ReadStringList(const std::string& name) {
    auto it = lists.find(name);
    return it == lists.end() ? std::nullopt : std::optional(it->second);
}

bool MemorySettings::WriteStringList(const std::string& name,
                                     const std::vector<std::string>& values) {
    lists[name] = values;
    return true;
}

bool MemorySettings::Flush() {
    ++flushes;
    return true;
}

gfx::Rect FakeWindows::WindowRect(gfx::WindowHandle w) const {
    auto it = windows.find(w);
    return it == windows.end() ? gfx::Rect{} : it->second.window;
}

gfx::Rect FakeWindows::ClientRect(gfx::WindowHandle w) const {
    auto it = windows.find(w);
    return it == windows.end() ? gfx::Rect{}
                               : gfx::Rect{0, 0, it->second.clientWidth, it->second.clientHeight};
}

void FakeWindows::Resize(gfx::WindowHandle w, int width, int height) {
    Window& win = windows[w];
    win.window.right = win.window.left + width + 8;
    win.window.bottom = win.window.top + height + 8;
    win.clientWidth = width;
    win.clientHeight = height;
}

}  // namespace testsupport
