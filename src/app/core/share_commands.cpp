// Sharing a construction: "Экспорт..." writes it as a mesh for other programs, "Сохранить
// изображение..." writes the view as a picture. Both ask for the file with a save dialog
// (no frames meanwhile), report failures, and leave no partial file behind.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/core/app_form.h"
#include "app/core/pause_scope.h"
#include "export/mesh_export.h"
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
constexpr char kImageTitle[] = "Сохранить изображение";
constexpr char kErrorCaption[] = "Error";

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

void CAppForm::ExportMesh() {
    PauseScope pause(*this);
    LeaveFullScreenForDialog();
    ClearKeys();
    if (!services_.dialogs) return;
    std::vector<SaveFileType> types;
    for (const exporter::FormatInfo& info : exporter::kFormats)
        types.push_back({std::string(info.filter), std::string(info.extension.substr(1))});
    const std::optional<std::string> path =
        services_.dialogs->AskSaveFile(kExportTitle, ShareStartName(), types);
    if (!path) return;
    shareFolder_ = std::filesystem::path(*path).parent_path().string();

    const std::optional<exporter::Format> format = exporter::FormatFromPath(*path);
    if (!format) {
        services_.dialogs->ShowMessage(
            "Неизвестный формат файла. Экспорт возможен в файлы " + exporter::FormatList(),
            kErrorCaption, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    // What the user sees is what is written: the displayed detail level, or cubes.
    exporter::ExportOptions options;
    options.detailLevel = std::clamp(system.detailLevel, 1, 3);
    options.cubes = system.showAsCubes != 0;
    // Large constructions in the text formats take a while: the shell keeps the window
    // alive meanwhile. The construction cannot change until the export is done.
    exporter::ExportResult result;
    const auto work = [&] {
        result = exporter::ExportConstruction(system.model, *path, *format, options);
    };
    if (services_.shell)
        services_.shell->RunWhileWaiting("Экспорт конструкции...", work);
    else
        work();
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
