#pragma once
// Construction documents (*.vvl) as bytes: "VVL", the camera record, six construction
// settings, the model header and the block tree, as little-endian 32-bit values without
// padding. No file system here: the file layer and the camera capture sit on top.
//
// Decoding is all-or-nothing: into fresh objects, valid only on success. Checks beyond
// the bare layout:
//   - the signature must be exactly the bytes "VVL";
//   - every block colour and the current colour must be a colour index 0..4;
//   - every float of the camera and of the blocks must be finite, and so must every
//     block's place in the world (offsets added up along the tree);
//   - a block count of 0 or less means no block; a positive count must fit in the bytes
//     left (each block takes at least 44), so an absurd count is refused at once;
//   - the tree is read without recursion, so nesting depth is not limited;
//   - bytes after the complete tree are ignored (the format has no trailer to check).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "math/matrix.h"
#include "math/vector.h"
#include "model/camera_record.h"
#include "model/construction.h"

namespace model {

// Outcome of a file operation: ok, or a one-line message for the user (UTF-8).
struct [[nodiscard]] FileResult {
    bool ok = true;
    std::string message;
    int systemError = 0;  // the errno behind a failed read or write, when there was one

    static FileResult Success() { return {}; }
    static FileResult Failure(std::string text, int error = 0) {
        return {false, std::move(text), error};
    }
    explicit operator bool() const { return ok; }
};

// Message for a file that does not start with "VVL".
inline constexpr const char* kWrongFormatMessage = "Неправильный формат";
// Message for a file whose blocks, added up along the tree, lie beyond any number.
inline constexpr const char* kPlaceNotFiniteMessage =
    "Файл повреждён: блоки лежат так далеко, что их положение не выразить числом";

inline constexpr size_t kVvlSignatureSize = 3;
inline constexpr size_t kVvlCameraValues = 65;
inline constexpr size_t kVvlBlockEntrySize = 44;
// Signature, camera, settings, model header and the top-level count.
inline constexpr size_t kVvlHeaderSize = 3 + kVvlCameraValues * 4 + 6 * 4 + 2 * 4 + 4;

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
void ApplySettings(CVelVorlaSystem& system, const ConstructionSettings& settings);

// Everything a document holds, decoded but not yet applied.
struct ConstructionDocument {
    model::CameraRecord camera;
    ConstructionSettings settings;
    CVelVorlaModel model;        // parents linked, counters filled
    uint64_t trailingBytes = 0;  // bytes after the tree, ignored
};

// Where encoded bytes go: false refuses them, and nothing more is written.
using VvlByteSink = std::function<bool(const uint8_t* data, size_t size)>;

// Where decoded bytes come from, read in order.
class VvlByteSource {
  public:
    virtual ~VvlByteSource() = default;
    // The bytes the source claims to hold; bounds how many blocks it can describe.
    virtual uint64_t Size() const = 0;
    // Up to n bytes into buffer: the count read, 0 at the end, or -errno on failure.
    virtual int64_t Read(uint8_t* buffer, size_t n) = 0;
};

std::vector<uint8_t> EncodeConstruction(const model::CameraRecord& camera,
                                        const ConstructionSettings& settings,
                                        const CVelVorlaModel& model);
// The same into `out`, whose memory is reused: a buffer that held a large construction
// before takes the next one without fresh pages to fault in.
void EncodeConstruction(const model::CameraRecord& camera, const ConstructionSettings& settings,
                        const CVelVorlaModel& model, std::vector<uint8_t>& out);
// Streams the bytes to `sink`; false when the sink refused them.
bool EncodeConstruction(const model::CameraRecord& camera, const ConstructionSettings& settings,
                        const CVelVorlaModel& model, const VvlByteSink& sink);
FileResult DecodeConstruction(const uint8_t* data, size_t size, ConstructionDocument& out);
FileResult DecodeConstruction(VvlByteSource& source, ConstructionDocument& out);

}  // namespace model
