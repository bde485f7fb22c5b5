#include "interaction/document.h"

using namespace camera;
using namespace input;
using namespace model;

namespace interaction {

namespace fs = std::filesystem;

model::CameraRecord CaptureCamera(const CVelCamera& camera) {
    model::CameraRecord record;
    model::ForEachStoredField([](auto& to, const auto& from) { to = from; }, record, camera);
    return record;
}

void RestoreCamera(CVelCamera& camera, const model::CameraRecord& record) {
    model::ForEachStoredField([](auto& to, const auto& from) { to = from; }, camera, record);
    camera.axesOrientation = math::MatrixIdentity();
    camera.axesDragRotation = math::MatrixIdentity();
}

FileResult SaveConstruction(CVelVorlaSystem& system, const CVelCamera& camera, const fs::path& path,
                            ReadOnlyTarget readOnly) {
    FileResult res = WriteConstructionFile(path, CaptureCamera(camera), CaptureSettings(system),
                                           system.model, readOnly);
    if (res) system.document.MarkSaved();
    return res;
}

void ApplyDocument(CVelVorlaSystem& system, CVelCamera& camera, ConstructionDocument&& document,
                   bool saved) {
    RestoreCamera(camera, document.camera);
    ApplySettings(system, document.settings);
    system.mode = ModeInspect;
    system.document.Replace(std::move(document.model), saved);
}

FileResult LoadConstruction(CVelVorlaSystem& system, CVelCamera& camera, const fs::path& path) {
    ConstructionDocument document;
    FileResult res = ReadConstructionFile(path, document);
    if (res) ApplyDocument(system, camera, std::move(document), /*saved=*/true);
    return res;
}

}  // namespace interaction
