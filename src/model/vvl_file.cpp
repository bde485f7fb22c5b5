#include "model/vvl_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

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
    return FileResult::Failure("Не удалось сохранить файл: " + SystemErrorText(err));
}

bool WriteAll(int fd, const uint8_t* data, size_t n, int& err) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : EIO;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
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
    FdGuard file;
    do {
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

FileResult WriteConstructionFile(const fs::path& path, const CameraRecord& camera,
                                 const ConstructionSettings& settings,
                                 const CVelVorlaModel& model) {
    // Write through a symbolic link to the file it names, keeping the link.
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";

    static std::atomic<unsigned> sequence{0};
    FdGuard file;
    fs::path temp;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "." + string.
        std::string name = ".";
        name += target.filename().string();
        name += ".tmp-";
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(sequence++);
        temp = dir / name;
        file.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.fd < 0 && errno != EEXIST && errno != EINTR) return WriteFailure(errno);
    }
    if (file.fd < 0) return WriteFailure(EEXIST);

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(file.fd, old.st_mode & 07777);

    int err = 0;
    bool ok = EncodeConstruction(camera, settings, model, [&](const uint8_t* data, size_t n) {
        return WriteAll(file.fd, data, n, err);
    });
    if (ok && ::fsync(file.fd) != 0) {
        err = errno;
        ok = false;
    }
    const int fd = std::exchange(file.fd, -1);
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return WriteFailure(err ? err : EIO);
    }
    // Make the rename itself durable; the file is already complete either way.
    FdGuard dirFd;
    dirFd.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd.fd >= 0) (void)::fsync(dirFd.fd);
    return FileResult::Success();
}
