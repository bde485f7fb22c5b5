// Autosave into this editor's recovery file, and the offer at start to restore work that
// an editor left behind when it did not exit cleanly.
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/core/app_form.h"
#include "app/core/pause_scope.h"
#include "app/core/recovery.h"
#include "interaction/document.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app::core {
namespace {

constexpr char kRestoreQuestion[] = "Восстановить несохранённую конструкцию?";
constexpr char kRestoreCaption[] = "Внимание!";
constexpr char kErrorCaption[] = "Error";
constexpr char kAutosaveFails[] = "Автосохранение не работает: ";
constexpr char kAutosaveWorks[] = "Автосохранение снова работает";

std::string LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

std::string RestoreQuestion(const OrphanRecovery& orphan) {
    std::string text = kRestoreQuestion;
    text += "\n\nЗаписана: ";
    text += LocalTime(orphan.written);
    text += "\nФайл: ";
    if (orphan.originalPath.empty()) {
        text += "новая конструкция, ещё не сохранялась";
    } else {
        const std::filesystem::path original(orphan.originalPath);
        text += original.filename().string();
        text += " (";
        text += original.parent_path().string();
        text += ')';
    }
    // An Escape must not throw work away: only "Нет" deletes.
    text += "\n\n«Нет» удалит её, «Отмена» оставит вопрос до следующего запуска.";
    return text;
}

}  // namespace

void CAppForm::AutosaveTick() {
    if (!recovery_ || shutDown_) return;
    // The same test as the save prompt's: nothing there is nothing to lose.
    if (!system.document.Unsaved() || system.model.Total() < 1) {
        DiscardRecovery();
        return;
    }
    if (recoveryQueued_ && recoveryVersion_ == system.document.Version() &&
        !recovery_->LastWriteFailed())
        return;
    // Encoding here, between two events, sees one consistent construction; the disk is
    // the worker's business.
    std::vector<uint8_t> bytes = recovery_->TakeBuffer();
    EncodeConstruction(CaptureCamera(camera), CaptureSettings(system), system.model, bytes);
    recovery_->Write(std::move(bytes), documentPath);
    recoveryQueued_ = true;
    recoveryVersion_ = system.document.Version();
}

void CAppForm::DiscardRecovery() {
    if (recovery_ && recoveryQueued_) recovery_->Remove();
    recoveryQueued_ = false;
    // Saved or discarded work has nothing left to protect: no warning about it.
    if (screen.notice.rfind(kAutosaveFails, 0) == 0) screen.notice.clear();
}

void CAppForm::AutosaveWritten() {
    if (!recovery_ || shutDown_) return;
    const std::string error = recovery_->LastWriteError();
    if (error.empty()) {
        if (autosaveFailing_) {
            autosaveFailing_ = false;
            screen.notice = kAutosaveWorks;
            screen.noticeIsWarning = false;
        } else if (screen.notice == kAutosaveWorks) {
            screen.notice.clear();
        }
        return;
    }
    screen.notice = kAutosaveFails + error;
    screen.noticeIsWarning = true;
    if (autosaveFailing_ || autosaveWarningOpen_ || !services_.dialogs) return;
    autosaveFailing_ = true;
    autosaveWarningOpen_ = true;
    {
        PauseScope pause(*this);
        LeaveFullScreenForDialog();
        services_.dialogs->ShowMessage(
            "Не удаётся записать резервную копию несохранённой работы в папку\n" +
                recovery_->Folder().string() + "\n(" + error +
                ").\n\nПока это так, после сбоя работу не восстановить: сохраните её сами. "
                "Когда запись снова получится, строка состояния скажет об этом.",
            kRestoreCaption, MsgButtons::Ok, MsgIcon::Warning);
    }
    autosaveWarningOpen_ = false;
    ClearKeys();
}

void CAppForm::OfferRecovery() {
    if (!recovery_ || !services_.dialogs) return;
    bool restored = false;
    for (const OrphanRecovery& orphan : recovery_->ClaimOrphans()) {
        if (restored) {  // one at a time: the others wait for the next start
            recovery_->Release(orphan);
            continue;
        }
        Pause(true);
        LeaveFullScreenForDialog();
        const MsgResult answer = services_.dialogs->ShowMessage(
            RestoreQuestion(orphan), kRestoreCaption, MsgButtons::YesNoCancel, MsgIcon::None);
        Pause(false);
        ClearKeys();
        if (answer == MsgResult::No) {
            recovery_->Delete(orphan);
            continue;
        }
        if (answer != MsgResult::Yes) {  // Cancel, Escape or the box closed: ask next time
            recovery_->Release(orphan);
            continue;
        }
        ConstructionDocument document;
        const FileResult result = ReadConstructionFile(orphan.file, document);
        if (!result) {
            // Never deleted unasked: "Нет" (or closing the box) keeps it aside instead.
            Pause(true);
            const MsgResult drop = services_.dialogs->ShowMessage(
                "Файл восстановления не читается:\n" + result.message +
                    "\n\nУдалить его? «Нет» отложит его в сторону.",
                kErrorCaption, MsgButtons::YesNoCancel, MsgIcon::Error);
            Pause(false);
            if (drop == MsgResult::Yes) {
                recovery_->Delete(orphan);
            } else if (const std::filesystem::path aside = recovery_->SetAside(orphan);
                       !aside.empty()) {
                services_.dialogs->ShowMessage("Файл восстановления отложен: " + aside.string(),
                                               kRestoreCaption, MsgButtons::Ok, MsgIcon::None);
            }
            continue;
        }
        // No file holds the restored work: it stays unsaved until it is saved.
        ApplyDocument(system, camera, std::move(document), /*saved=*/false);
        camera.Apply(CameraUpload());
        RefreshCheckMarks();
        // Saving writes the file the work came from (Save as starts in its folder).
        documentPath = orphan.originalPath;
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::path(documentPath).parent_path();
        if (!folder.empty() && std::filesystem::is_directory(folder, ec)) lastDir = folder.string();
        // The restored work keeps its file: it becomes this editor's recovery file.
        if (recovery_->Adopt(orphan)) {
            recoveryQueued_ = true;
            recoveryVersion_ = system.document.Version();
        }
        restored = true;
    }
}

}  // namespace app::core
