#pragma once
// Files that replace what is on disk only once they are complete: construction documents,
// mesh exports (an OBJ with its MTL, a text glTF with its .bin), pictures.
//
// Each file is written into a temporary beside its target, every write and the final
// flush to disk are checked, and the temporaries are renamed over their targets only when
// all of them succeeded. Until then the targets are never opened for writing, so a
// failure, a full disk or a crash leaves the old files byte for byte as they were.
//
// A temporary is ".<name>.tmp-<pid>-<n>", locked with flock() by its writer until it has
// been renamed; one that nobody holds was left by a writer that died, and the next write
// of the same target removes it. Where the file system allows (O_TMPFILE), a temporary
// gets its name only once its data are flushed, so a killed writer almost never leaves one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace model {

class OutputFiles;

// One file being written: buffered, remembering the first failure.
class OutputFile {
  public:
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends; false once anything has failed (nothing more is written then).
    bool Write(const void* data, size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Overwrites bytes written before (a header whose counts are known only at the end).
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Bytes written so far.
    uint64_t Size() const { return size_; }
    // The first errno value that stopped writing; 0 while all is well.
    int Error() const { return error_; }

  private:
    friend class OutputFiles;
    OutputFile() = default;
    bool Flush();
    bool Fail(int err);

    std::filesystem::path target_;  // what it replaces
    std::filesystem::path temp_;    // its temporary name (empty while unnamed)
    int fd_ = -1;
    int error_ = 0;
    uint64_t size_ = 0;
    std::vector<uint8_t> buffer_;
};

// A set of files that replace their targets together. Whatever is not committed is
// thrown away when the set goes.
class OutputFiles {
  public:
    OutputFiles();
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Starts a file that will replace `path` (a symbolic link keeps pointing at the
    // replaced file). Null when no temporary can be made beside it; Error() says why.
    // Temporaries that dead writers left for the same target go first. The file lives
    // until Commit or Discard.
    OutputFile* Add(const std::filesystem::path& path);
    // Flushes every file to disk and renames them over their targets: the files added
    // after the first one, then the first, so that the main file never appears without
    // its companions. On failure no target has changed and no temporary is left.
    bool Commit();
    // Throws every file away now.
    void Discard();

    // Why the set failed (an errno value) and at which target; 0 while all is well.
    int Error() const { return error_; }
    const std::filesystem::path& ErrorPath() const { return errorPath_; }

  private:
    bool Fail(int err, const std::filesystem::path& path);

    std::vector<std::unique_ptr<OutputFile>> files_;
    int error_ = 0;
    std::filesystem::path errorPath_;
};

// Removes the temporaries in `dir` that no writer holds any more (left by a writer that
// was killed or crashed) and whose target's name passes `forTarget`.
void RemoveStaleTemporaries(const std::filesystem::path& dir,
                            const std::function<bool(const std::string& targetName)>& forTarget);

}  // namespace model
