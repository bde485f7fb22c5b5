// New, Open, Save, Save as, recent files, dropped files and the prompt that offers to
// save unsaved work.
// Every pause taken here is released on every path, and a failed read or write leaves
// the construction as it was and tells the user why.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "app/core/app_form.h"
#include "app/core/pause_scope.h"
#include "interaction/document.h"
#include "model/file_system.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app::core {
namespace {

constexpr char kSavePrompt[] = "Сохранить текущую работу?";
constexpr char kSavePromptCaption[] = "Внимание!";
constexpr char kErrorCaption[] = "Error";
constexpr char kRecentGone[] = "Файл не найден:\n";
constexpr char kRecentGoneTail[] = "\n\nОн убран из списка недавних файлов.";
constexpr char kReadOnlyQuestion[] = "Файл защищён от записи:\n";
constexpr char kReadOnlyQuestionTail[] = "\n\nВсё равно заменить его?";
constexpr char kCannotOpen[] = "Не удалось открыть файл: ";

bool Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

std::string Join(const std::string& folder, const std::string& leaf) {
    return (std::filesystem::path(folder) / std::filesystem::path(leaf)).string();
}

std::string ParentFolder(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

std::string CAppForm::DialogStartName() const {
    if (!lastDir.empty() && Exists(lastDir)) return Join(lastDir, "*.vvl");
    std::string models = Join(startFolder, "Models");
    if (Exists(models)) return Join(models, "*.vvl");
    if (Exists(samplesFolder)) return Join(samplesFolder, "*.vvl");
    return startFolder;
}

bool CAppForm::SaveChangesPrompt() {
    if (!system.document.Unsaved()) return true;
    if (system.model.Total() < 1) return true;
    MsgResult answer;
    {
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        answer = services_.dialogs
                     ? services_.dialogs->ShowMessage(kSavePrompt, kSavePromptCaption,
                                                      MsgButtons::YesNoCancel, MsgIcon::None)
                     : MsgResult::Cancel;
    }
    ClearKeys();
    if (answer == MsgResult::Cancel) return false;
    if (answer == MsgResult::Yes) return Save();
    return true;
}

bool CAppForm::QueryClose() {
    if (!windowed) ToggleFullScreen();
    return SaveChangesPrompt();
}

bool CAppForm::Save() {
    if (documentPath.empty()) return SaveAs();
    ClearKeys();
    return WriteDocument(documentPath);
}

bool CAppForm::SaveAs() {
    std::optional<std::string> path;
    {
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        ClearKeys();
        if (!services_.dialogs) return false;
        path = services_.dialogs->AskSavePath(DialogStartName());
    }
    if (!path || !WriteDocument(*path)) return false;
    // Only a folder that took the file is worth starting the next dialog in.
    lastDir = ParentFolder(*path);
    return true;
}

std::optional<ReadOnlyTarget> CAppForm::ConfirmWriteTarget(const std::string& path) {
    const WriteTargetInfo target = InspectWriteTarget(path);
    // What cannot be written at all, the write itself refuses with its reason.
    if (!target.readOnly || !target.refusal.empty()) return ReadOnlyTarget::Refuse;
    PauseScope pause(*this);
    LeaveFullScreenForDialog();
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on chained +.
    std::string text = kReadOnlyQuestion;
    text += path;
    text += kReadOnlyQuestionTail;
    const MsgResult answer =
        services_.dialogs ? services_.dialogs->ShowMessage(text, kSavePromptCaption,
                                                           MsgButtons::YesNo, MsgIcon::Warning)
                          : MsgResult::No;
    if (answer != MsgResult::Yes) return std::nullopt;
    return ReadOnlyTarget::Replace;
}

bool CAppForm::WriteDocument(const std::string& path) {
    const std::optional<ReadOnlyTarget> readOnly = ConfirmWriteTarget(path);
    if (!readOnly) return false;
    PauseScope pause(*this);
    FileResult result =
        interaction::SaveConstruction(system, camera, std::filesystem::path(path), *readOnly);
    if (!result) {
        LeaveFullScreenForDialog();
        if (services_.dialogs)
            services_.dialogs->ShowMessage(result.message, kErrorCaption, MsgButtons::Ok,
                                           MsgIcon::Error);
        return false;
    }
    DocumentIsNow(path);
    return true;
}

void CAppForm::OpenCommandLineFile(const std::string& path) {
    // A stale dropped name is ignored, but a file the user named to start with must not
    // vanish without a word: say why, and go on with the new construction.
    std::error_code ec;
    if (NotAFileReason(path).empty() && !std::filesystem::exists(std::filesystem::path(path), ec)) {
        if (services_.dialogs)
            services_.dialogs->ShowMessage(kCannotOpen + SystemErrorText(ec ? ec.value() : ENOENT),
                                           kErrorCaption, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    LoadFile(path);
}

bool CAppForm::LoadFile(const std::string& path, bool askToSave) {
    // A folder, a FIFO or a link to nothing is named before anything opens it (a FIFO
    // would wait for a writer for ever) and before the work on screen is put at stake.
    if (const std::string why = NotAFileReason(path); !why.empty()) {
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        if (services_.dialogs)
            services_.dialogs->ShowMessage(kCannotOpen + why, kErrorCaption, MsgButtons::Ok,
                                           MsgIcon::Error);
        return false;
    }
    if (!Exists(path)) return false;
    if (askToSave && !SaveChangesPrompt()) return false;
    FileResult result;
    {
        PauseScope pause(*this);
        result = LoadConstruction(system, camera, std::filesystem::path(path));
        if (!result && services_.dialogs)
            services_.dialogs->ShowMessage(result.message, kErrorCaption, MsgButtons::Ok,
                                           MsgIcon::Error);
    }
    if (result) {
        // The stored orientation replaced the old one: make it the base of any later stop.
        camera.Apply(CameraUpload());
        RefreshCheckMarks();
        DocumentIsNow(path);
    }
    return static_cast<bool>(result);
}

void CAppForm::NewDocument() {
    if (!SaveChangesPrompt()) return;
    DiscardRecovery();
    documentPath.clear();
    system.ResetConstruction();
    camera.ResetForNewConstruction(CameraUpload());
    RefreshCheckMarks();
}

void CAppForm::OpenDocument() {
    if (!SaveChangesPrompt()) return;
    std::optional<std::string> path;
    {
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        ClearKeys();
        if (services_.dialogs) path = services_.dialogs->AskOpenPath(DialogStartName());
        if (path) lastDir = ParentFolder(*path);
    }
    if (path) LoadFile(*path, /*askToSave=*/false);
}

void CAppForm::OpenRecent(int index) {
    if (index < 0 || static_cast<size_t>(index) >= recentFiles.size()) return;
    const std::string path = recentFiles[static_cast<size_t>(index)];
    if (!Exists(path)) {
        recentFiles.erase(recentFiles.begin() + index);
        PublishRecentFiles();
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on chained +.
        std::string text = kRecentGone;
        text += path;
        text += kRecentGoneTail;
        if (services_.dialogs)
            services_.dialogs->ShowMessage(text, kSavePromptCaption, MsgButtons::Ok,
                                           MsgIcon::Warning);
        return;
    }
    LoadFile(path);
}

void CAppForm::DocumentIsNow(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    documentPath = (ec ? std::filesystem::path(path) : full).lexically_normal().string();
    recentFiles.erase(std::remove(recentFiles.begin(), recentFiles.end(), documentPath),
                      recentFiles.end());
    recentFiles.insert(recentFiles.begin(), documentPath);
    if (recentFiles.size() > kMaxRecentFiles) recentFiles.resize(kMaxRecentFiles);
    PublishRecentFiles();
    DiscardRecovery();
}

void CAppForm::PublishRecentFiles() {
    if (services_.shell) services_.shell->SetRecentFiles(recentFiles);
}

void CAppForm::OnDropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (Exists(paths.front())) LoadFile(paths.front());
    Repaint();
}

}  // namespace app::core
