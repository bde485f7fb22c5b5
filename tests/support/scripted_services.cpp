#include "support/scripted_services.h"

using namespace services;

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

services::MsgResult ScriptedDialogs::ShowMessage(const std::string& text,
                                                 const std::string& caption,
                                                 services::MsgButtons buttons,
                                                 services::MsgIcon icon) {
    messages.push_back({text, caption, buttons, icon});
    if (whileOpen) whileOpen();
    if (buttons == services::MsgButtons::Ok) return services::MsgResult::Ok;
    return PopOr(answers, services::MsgResult::Cancel, &unexpected);
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
    const std::string& title, const std::string& startName,
    const std::vector<services::SaveFileType>& types) {
    saveFileTitles.push_back(title);
    saveFileStarts.push_back(startName);
    saveFileTypes.push_back(types);
    if (whileOpen) whileOpen();
    return PopOr(saveFilePaths, std::optional<std::string>(), &unexpected);
}

std::optional<services::ExportChoices> ScriptedDialogs::AskExportOptions(
    const services::ExportChoices& initial) {
    exportOffers.push_back(initial);
    if (exportAnswers.empty()) return initial;
    std::optional<services::ExportChoices> answer = exportAnswers.front();
    exportAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::AskPictureFile(
    const std::string& title, const std::string& startName,
    const std::vector<services::SaveFileType>& types, services::PictureOptions& options) {
    pictureOffers.push_back(options);
    std::optional<std::string> path = AskSaveFile(title, startName, types);
    if (path && !pictureChoices.empty()) {
        options = pictureChoices.front();
        pictureChoices.pop_front();
    }
    return path;
}

std::optional<uint32_t> ScriptedDialogs::ChooseColour(uint32_t initialColorRef) {
    colourStarts.push_back(initialColorRef);
    if (whileOpen) whileOpen();
    return PopOr(colours, std::optional<uint32_t>(), &unexpected);
}

void FakeWindows::Resize(gfx::WindowHandle w, int width, int height) {
    Window& win = windows[w];
    win.window.right = win.window.left + width + 8;
    win.window.bottom = win.window.top + height + 8;
    win.clientWidth = width;
    win.clientHeight = height;
}

}  // namespace testsupport
