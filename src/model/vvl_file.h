#pragma once
// Construction documents on disk. Reading validates the whole file without touching any
// live object. Writing puts a temporary file beside the target, flushes it to disk and
// renames it over the target; the old file stays intact when anything fails.
#include <filesystem>

#include "model/vvl_codec.h"

// Reads and validates a whole document without touching any live object.
FileResult ReadConstructionFile(const std::filesystem::path& path, ConstructionDocument& out);
// Writes a document atomically (temporary file, fsync, rename).
FileResult WriteConstructionFile(const std::filesystem::path& path, const CameraRecord& camera,
                                 const ConstructionSettings& settings, const CVelVorlaModel& model);
