// Sharing a construction: "Экспорт..." writes it as a mesh for other programs (in a
// process of its own, with progress and Cancel), "Сохранить изображение..." writes the
// view as a picture. Both ask for the file with a save dialog (no frames meanwhile),
// report failures, and leave no partial file behind.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/core/app_form.h"
#include "app/core/pause_scope.h"
#include "export/export_process.h"
#include "export/mesh_export.h"
#include "interaction/document.h"
#include "model/vvl_file.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app::core {
namespace {

constexpr char kExportTitle[] = "Экспорт";
constexpr char kExportProgress[] = "Экспорт конструкции...";
// The suggested file name of a construction that was never saved.
constexpr char kNewDocumentName[] = "Конструкция";
constexpr char kImageTitle[] = "Сохранить изображение";
constexpr char kErrorCaption[] = "Error";

namespace fs = std::filesystem;

bool WritableFolder(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

std::string CAppForm::ShareStartName() const {
    std::error_code ec;
    if (!shareFolder_.empty() && std::filesystem::is_directory(shareFolder_, ec))
        return shareFolder_;
    return DialogStartName();
}

std::string CAppForm::ExportStartName() const {
    // The last export folder, else the document's own (when it can take a file: not the
    // installed samples), else the folder the editor was started in.
    const fs::path document(documentPath);
    std::string folder = exportFolder;
    if (!WritableFolder(folder)) folder = document.empty() ? "" : document.parent_path().string();
    if (!WritableFolder(folder)) folder = startFolder;
    const std::string stem = document.empty() ? kNewDocumentName : document.stem().string();
    const std::string ext =
        exporter::FormatFromPath("x" + exportExtension) ? exportExtension : ".glb";
    return (fs::path(folder) / (stem + ext)).string();
}

void CAppForm::ExportMesh() {
    PauseScope pause(*this);
    LeaveFullScreenForDialog();
    ClearKeys();
    if (!services_.dialogs || !services_.shell) return;
    std::vector<SaveFileType> types;
    for (const exporter::FormatInfo& info : exporter::kFormats)
        types.push_back({std::string(info.filter), std::string(info.extension.substr(1))});
    const std::optional<std::string> path =
        services_.dialogs->AskSaveFile(kExportTitle, ExportStartName(), types);
    if (!path) return;
    const std::optional<exporter::Format> format = exporter::FormatFromPath(*path);
    if (!format) {
        services_.dialogs->ShowMessage(
            "Неизвестный формат файла. Экспорт возможен в файлы " + exporter::FormatList(),
            kErrorCaption, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    // A file marked read-only is replaced only when the user says so, as a save does.
    if (!ConfirmWriteTarget(*path)) return;
    exportFolder = fs::path(*path).parent_path().string();
    exportExtension = std::string(exporter::Info(*format).extension);
    shareFolder_ = exportFolder;

    // What the user sees is offered: the displayed detail level, or cubes.
    ExportChoices offer;
    offer.printFormat = exporter::Info(*format).print;
    offer.detailLevel = std::clamp(system.detailLevel, 1, 3);
    offer.cubes = system.showAsCubes != 0;
    offer.blockSizeMm = exportBlockSizeMm_;
    const std::optional<ExportChoices> choices = services_.dialogs->AskExportOptions(offer);
    if (!choices) return;
    exporter::ExportOptions options;
    options.detailLevel = std::clamp(choices->detailLevel, 1, 3);
    options.cubes = choices->cubes;
    options.blockSizeMm = std::clamp(choices->blockSizeMm, 0.01f, exporter::kMaxBlockSizeMm);
    options.hollow = offer.printFormat && choices->hollow;
    options.keepHidden = !offer.printFormat && choices->keepHidden;
    if (offer.printFormat) exportBlockSizeMm_ = options.blockSizeMm;

    // The worker gets the construction as it is now, encoded here between two events: it
    // never reads the live model, and running out of memory ends the worker, not the
    // editor with its unsaved work.
    exporter::ExportProcess job;
    std::string error;
    if (!job.Start(services_.exportWorker,
                   EncodeConstruction(CaptureCamera(camera), CaptureSettings(system), system.model),
                   *path, options, &error)) {
        services_.dialogs->ShowMessage(error, kErrorCaption, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const auto poll = [&]() -> std::optional<double> {
        if (!job.Poll()) return std::nullopt;
        return job.Progress();
    };
    if (!services_.shell->RunWithProgress(kExportProgress, poll)) {
        job.Cancel();  // the files it was writing go; the old ones stay
        return;
    }
    const exporter::ExportResult result = job.Result();
    if (!result)
        services_.dialogs->ShowMessage(result.message, kErrorCaption, MsgButtons::Ok,
                                       MsgIcon::Error);
}

void CAppForm::SaveImage() {
    PauseScope pause(*this);
    LeaveFullScreenForDialog();
    ClearKeys();
    if (!services_.dialogs || !services_.shell) return;
    const std::optional<std::string> path = services_.dialogs->AskPictureFile(
        kImageTitle, ShareStartName(),
        {{"Изображение PNG (*.png)", "png"}, {"Изображение JPEG (*.jpg *.jpeg)", "jpg"}},
        pictureOptions_);
    if (!path) return;
    shareFolder_ = std::filesystem::path(*path).parent_path().string();

    const std::string ext = LowerExtension(*path);
    const char* format = ext == ".png"                       ? "PNG"
                         : (ext == ".jpg" || ext == ".jpeg") ? "JPEG"
                                                             : nullptr;
    std::string error;
    if (!format) {
        error = "Не удалось сохранить изображение " + *path +
                ": изображение сохраняется только в файлы .png, .jpg и .jpeg";
    } else if (const std::optional<ReadOnlyTarget> readOnly = ConfirmWriteTarget(*path);
               !readOnly) {
        return;
    } else {
        // Drawn and encoded by the shell, written here as documents are: beside the target,
        // flushed, renamed over it; a failure names its cause.
        std::vector<uint8_t> bytes;
        if (!services_.shell->EncodeViewPicture(format, pictureOptions_, &bytes, &error)) {
            error = "Не удалось сохранить изображение " + *path + ": " + error;
        } else if (const FileResult written =
                       WriteFileAtomically(*path, bytes.data(), bytes.size(), *readOnly);
                   !written) {
            error = written.message;
        } else {
            return;
        }
    }
    services_.dialogs->ShowMessage(error, kErrorCaption, MsgButtons::Ok, MsgIcon::Error);
}

}  // namespace app::core
