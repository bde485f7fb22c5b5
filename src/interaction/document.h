#pragma once
// A construction document together with the camera that looks at it: what New, Open and
// Save as move between the live objects and the file.
#include <filesystem>

#include "camera/camera.h"
#include "model/construction.h"
#include "model/vvl_file.h"

namespace interaction {

model::CameraRecord CaptureCamera(const camera::CVelCamera& camera);
// Stores the record's fields; the rotation-axes display matrices, which the file does
// not hold, become the identity.
void RestoreCamera(camera::CVelCamera& camera, const model::CameraRecord& record);

// Saves the construction and camera; the work counts as saved only when the file is in
// place. A file marked read-only is replaced only when the user has said so.
model::FileResult SaveConstruction(model::CVelVorlaSystem& system, const camera::CVelCamera& camera,
                                   const std::filesystem::path& path,
                                   model::ReadOnlyTarget readOnly = model::ReadOnlyTarget::Refuse);
// Opens a document into the construction and camera, or changes nothing on error. On
// success: mode inspect, no pick, no twist selection, no paint stroke, saved.
model::FileResult LoadConstruction(model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                                   const std::filesystem::path& path);
// Swaps a decoded document into the live objects: an opened file (`saved`), or restored
// work that no file holds yet.
void ApplyDocument(model::CVelVorlaSystem& system, camera::CVelCamera& camera,
                   model::ConstructionDocument&& document, bool saved);

}  // namespace interaction
