#pragma once
// A construction document together with the camera that looks at it: what New, Open and
// Save as move between the live objects and the file.
#include <filesystem>

#include "camera/camera.h"
#include "model/construction.h"
#include "model/vvl_file.h"

CameraRecord CaptureCamera(const CVelCamera& camera);
// Stores the record's fields; the rotation-axes display matrices, which the file does
// not hold, become the identity.
void RestoreCamera(CVelCamera& camera, const CameraRecord& record);

// Saves the construction and camera; `saved` becomes 1 only when the file is in place.
FileResult SaveConstruction(CVelVorlaSystem& system, const CVelCamera& camera,
                            const std::filesystem::path& path);
// Opens a document into the construction and camera, or changes nothing on error. On
// success: mode inspect, no pick, no twist selection, no paint stroke; `saved` is left
// to the caller.
FileResult LoadConstruction(CVelVorlaSystem& system, CVelCamera& camera,
                            const std::filesystem::path& path);
// Swaps a decoded document into the live objects (the success path of LoadConstruction).
void ApplyDocument(CVelVorlaSystem& system, CVelCamera& camera, ConstructionDocument&& document);
