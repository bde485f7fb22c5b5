#pragma once
// Construction documents (*.vvl): "VVL", the camera record, six construction settings,
// the model header and the block tree, as little-endian 32-bit values without padding.
//
// Loading is all-or-nothing: the file is read into fresh objects and swapped in only
// when all of it was read and valid; on any error the construction and camera are left
// exactly as they were. Checks beyond the bare layout:
//   - the signature must be exactly the bytes "VVL";
//   - every block colour and the current colour must be a colour index 0..4;
//   - every float of the camera and of the blocks must be finite;
//   - a block count of 0 or less means no block; a positive count must fit in the bytes
//     left (each block takes at least 44), so an absurd count is refused at once;
//   - the tree is read without recursion, so nesting depth is not limited;
//   - bytes after the complete tree are ignored (the format has no trailer to check).
// Saving writes a temporary file beside the target, flushes it to disk and renames it
// over the target; the old file stays intact when anything fails.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "math/matrix.h"
#include "math/vector.h"
#include "model/construction.h"

class CVelCamera;

// Outcome of a file operation: ok, or a one-line message for the user (UTF-8).
struct [[nodiscard]] FileResult {
    bool ok = true;
    std::string message;

    static FileResult Success() { return {}; }
    static FileResult Failure(std::string text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

// Message for a file that does not start with "VVL".
inline constexpr const char* kWrongFormatMessage = "Неправильный формат";

inline constexpr size_t kVvlSignatureSize = 3;
inline constexpr size_t kVvlCameraValues = 65;
inline constexpr size_t kVvlBlockEntrySize = 44;
// Signature, camera, settings, model header and the top-level count.
inline constexpr size_t kVvlHeaderSize = 3 + kVvlCameraValues * 4 + 6 * 4 + 2 * 4 + 4;

// The stored camera fields, in file order.
struct CameraRecord {
    vmath::Mat4 orientation;
    vmath::Mat4 spinDelta;
    float baseDistance = 5.0f;
    float zoom = 0;
    float distanceOffset = 0;
    float spinDuration = 0;
    int32_t autoSpinTarget = 0;
    int32_t autoSpinAround = 0;
    int32_t orbitMode = 1;
    int32_t spinStopped = 1;
    int32_t axisMode = 0;
    vmath::Vec3 referencePoint{0, 0, -5};
    vmath::Vec3 target;
    vmath::Vec3 upReference{0, 1, 0};
    vmath::Vec3 eyeBase{0, 0, -5};
    vmath::Vec3 lookAt;
    vmath::Vec3 up{0, 1, 0};
    vmath::Vec3 eye{0, 0, -5};
    vmath::Vec3 rotationAxis;
};

CameraRecord CaptureCamera(const CVelCamera& camera);
// Stores the record's fields; the rotation-axes display matrices, which the file does
// not hold, become the identity.
void RestoreCamera(CVelCamera& camera, const CameraRecord& record);

// The construction settings that travel with the document, in file order.
struct ConstructionSettings {
    int32_t randomColour = 1;
    int32_t currentColour = ColourYellow;
    int32_t detailLevel = 1;
    int32_t showAsCubes = 0;
    int32_t showGrid = 0;
    int32_t showAxes = 0;
};

ConstructionSettings CaptureSettings(const CVelVorlaSystem& system);

// Everything a document holds, decoded but not yet applied.
struct ConstructionDocument {
    CameraRecord camera;
    ConstructionSettings settings;
    CVelVorlaModel model;        // parents linked, counters filled
    uint64_t trailingBytes = 0;  // bytes after the tree, ignored
};

// --- bytes <-> document (no file system)
std::vector<uint8_t> EncodeConstruction(const CameraRecord& camera,
                                        const ConstructionSettings& settings,
                                        const CVelVorlaModel& model);
FileResult DecodeConstruction(const uint8_t* data, size_t size, ConstructionDocument& out);

// --- files
// Reads and validates a whole document without touching any live object.
FileResult ReadConstructionFile(const std::filesystem::path& path, ConstructionDocument& out);
// Writes a document atomically (temporary file, fsync, rename).
FileResult WriteConstructionFile(const std::filesystem::path& path, const CameraRecord& camera,
                                 const ConstructionSettings& settings, const CVelVorlaModel& model);

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
