#pragma once
// Construction documents on disk. Reading validates the whole file without touching any
// live object. Writing puts a temporary file beside the target, flushes it to disk and
// renames it over the target; the old file stays intact when anything fails, and a save
// killed at any moment leaves the target either old or new, whole.
//
// The temporary is ".<name>.tmp-<pid>-<n>", locked with flock() by its save until it has
// been renamed; one that no save holds was left by a save that died, and the next save of
// the same target removes it. Where the file system allows (O_TMPFILE), the temporary
// gets its name only once its data are flushed, so a killed save almost never leaves one.
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
