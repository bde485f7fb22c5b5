#pragma once
// Construction documents on disk. Reading validates the whole file without touching any
// live object. Writing goes through OutputFiles (output_files.h): a temporary file beside
// the target, flushed to disk and renamed over the target; the old file stays intact when
// anything fails, and a save killed at any moment leaves the target either old or new,
// whole.
#include <filesystem>

#include "model/vvl_codec.h"

namespace model {

// Reads and validates a whole document without touching any live object. A path that is
// not a regular file (a folder, a FIFO, a device) is refused before it is opened.
FileResult ReadConstructionFile(const std::filesystem::path& path, ConstructionDocument& out);

// Whether a write may replace a file marked read-only; it never replaces what is not a
// regular file, and through a symbolic link it writes the file the link names.
enum class ReadOnlyTarget { Refuse, Replace };

// Writes a document atomically (temporary file, fsync, rename), first removing what
// killed saves of the same target left.
FileResult WriteConstructionFile(const std::filesystem::path& path,
                                 const model::CameraRecord& camera,
                                 const ConstructionSettings& settings, const CVelVorlaModel& model,
                                 ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);
// Writes given bytes the same way (an encoded construction, a picture, the settings).
FileResult WriteFileAtomically(const std::filesystem::path& path, const uint8_t* data, size_t size,
                               ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

}  // namespace model
