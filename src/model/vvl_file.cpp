#include "model/vvl_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "model/file_system.h"
#include "model/output_files.h"

using namespace input;

namespace model {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor on every path out.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
    }
};

FileResult WriteFailure(int err) {
    return FileResult::Failure("Не удалось сохранить файл: " + SystemErrorText(err), err);
}

// A file descriptor as the codec's byte source.
class FdSource final : public VvlByteSource {
  public:
    FdSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t Size() const override { return size_; }
    int64_t Read(uint8_t* buffer, size_t n) override {
        for (;;) {
            const ssize_t r = ::read(fd_, buffer, n);
            if (r < 0 && errno == EINTR) continue;
            return r < 0 ? -static_cast<int64_t>(errno) : static_cast<int64_t>(r);
        }
    }

  private:
    int fd_;
    uint64_t size_;
};

}  // namespace

FileResult ReadConstructionFile(const fs::path& path, ConstructionDocument& out) {
    if (std::string why = NotAFileReason(path); !why.empty())
        return FileResult::Failure("Не удалось открыть файл: " + why);
    FdGuard file;
    // Without waiting, should a FIFO have taken the file's place since the check.
    do {
        file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return FileResult::Failure("Не удалось открыть файл: " + SystemErrorText(errno));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return FileResult::Failure("Не удалось открыть файл: " + SystemErrorText(errno));
    if (!S_ISREG(st.st_mode))
        return FileResult::Failure("Не удалось открыть файл: это не обычный файл");
    FdSource source(file.fd, static_cast<uint64_t>(st.st_size));
    return DecodeConstruction(source, out);
}

namespace {

// Puts the bytes that `produce` hands to its writer into a temporary file beside the
// target, flushes it to disk and renames it over the target. The target is never opened
// for writing, so a failure or a crash at any point leaves the old file as it was.
FileResult WriteAtomically(const fs::path& path, ReadOnlyTarget readOnly,
                           const std::function<bool(const VvlByteSink&)>& produce) {
    const WriteTargetInfo info = InspectWriteTarget(path);
    if (!info.refusal.empty())
        return FileResult::Failure("Не удалось сохранить файл: " + info.refusal);
    if (info.readOnly && readOnly == ReadOnlyTarget::Refuse)
        return FileResult::Failure(
            "Не удалось сохранить файл: файл доступен только для чтения, он не заменён", EACCES);
    OutputFiles files;
    OutputFile* file = files.Add(info.target);
    if (!file) return WriteFailure(files.Error());
    const bool produced =
        produce([&](const uint8_t* data, size_t n) { return file->Write(data, n); });
    if (!produced && file->Error() == 0) return WriteFailure(EIO);
    if (!files.Commit()) return WriteFailure(files.Error());
    return FileResult::Success();
}

}  // namespace

FileResult WriteConstructionFile(const fs::path& path, const model::CameraRecord& camera,
                                 const ConstructionSettings& settings, const CVelVorlaModel& model,
                                 ReadOnlyTarget readOnly) {
    return WriteAtomically(path, readOnly, [&](const VvlByteSink& sink) {
        return EncodeConstruction(camera, settings, model, sink);
    });
}

FileResult WriteFileAtomically(const fs::path& path, const uint8_t* data, size_t size,
                               ReadOnlyTarget readOnly) {
    return WriteAtomically(path, readOnly,
                           [&](const VvlByteSink& sink) { return sink(data, size); });
}

}  // namespace model
