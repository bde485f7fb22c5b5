#include "model/vvl_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <string>
#include <system_error>
#include <utility>

#include "model/file_system.h"

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

// ---- temporary files
// A save writes ".<name>.tmp-<pid>-<n>" beside the target and holds an exclusive flock()
// on it until it has been renamed over the target. A temporary that nobody holds was
// left by a save that died (killed, crashed, power cut): the next save of the same
// target removes it. Where the system can, the temporary has no name at all until its
// data are complete and flushed (O_TMPFILE), so a save killed while writing leaves
// nothing; the name then exists only for the moment between linking and renaming.

std::string TemporaryPrefix(const fs::path& target) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "." + string.
    std::string prefix = ".";
    prefix += target.filename().string();
    prefix += ".tmp-";
    return prefix;
}

std::string TemporaryName(const std::string& prefix) {
    static std::atomic<unsigned> sequence{0};
    std::string name = prefix;
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(sequence++);
    return name;
}

// "<digits>-<digits>" after the prefix: only names a save of this target makes.
bool IsTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    auto digits = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    return dash != std::string::npos && digits(rest.substr(0, dash)) &&
           digits(rest.substr(dash + 1));
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void RemoveStaleTemporaries(const fs::path& dir, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        if (!IsTemporaryName(path.filename().string(), prefix)) continue;
        FdGuard f;
        f.fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (f.fd < 0 || ::flock(f.fd, LOCK_EX | LOCK_NB) != 0) continue;  // a save is on it
        // Unlocked, and still that file under that name (not renamed into place meanwhile).
        struct stat opened {};
        struct stat named {};
        if (::fstat(f.fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::lstat(path.c_str(), &named) == 0 && SameFile(opened, named))
            ::unlink(path.c_str());
    }
}

// An unnamed file in dir, or -1 where the system or the file system has none.
int OpenUnnamed(const fs::path& dir) {
#ifdef O_TMPFILE
    // Naming it later goes through /proc/self/fd.
    if (::access("/proc/self/fd", X_OK) != 0) return -1;
    int fd;
    do {
        fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
#else
    (void)dir;
    return -1;
#endif
}

// Gives the finished unnamed file a temporary name; 0 or an errno value.
int LinkUnnamed(int fd, const fs::path& dir, const std::string& prefix, fs::path& temp) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir / TemporaryName(prefix);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        const int err = errno;
        temp.clear();
        if (err != EEXIST && err != EINTR) return err;
    }
    return EEXIST;
}

// Creates and locks a named temporary; 0 or an errno value.
int OpenNamed(const fs::path& dir, const std::string& prefix, int& fd, fs::path& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir / TemporaryName(prefix);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno != EEXIST && errno != EINTR) return errno;
            continue;
        }
        (void)::flock(fd, LOCK_EX);
        // Another save may have taken it for stale between its creation and the lock.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(temp.c_str(), &named) == 0 &&
            SameFile(opened, named))
            return 0;
        ::close(fd);
        fd = -1;
    }
    temp.clear();
    return EEXIST;
}

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
    const fs::path& target = info.target;
    const fs::path dir = FolderOf(target);
    const std::string prefix = TemporaryPrefix(target);
    RemoveStaleTemporaries(dir, prefix);

    // Unnamed while it is written, where the system allows: a save killed then leaves
    // nothing behind. Otherwise a named temporary, created and locked at once.
    FdGuard file;
    fs::path temp;
    file.fd = OpenUnnamed(dir);
    const bool unnamed = file.fd >= 0;
    if (unnamed) {
        (void)::flock(file.fd, LOCK_EX);  // locked before it ever has a name
    } else if (int err = OpenNamed(dir, prefix, file.fd, temp); err != 0) {
        return WriteFailure(err);
    }

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(file.fd, old.st_mode & 07777);

    int err = 0;
    bool ok =
        produce([&](const uint8_t* data, size_t n) { return WriteAll(file.fd, data, n, err); });
    if (ok && ::fsync(file.fd) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && unnamed) {
        err = LinkUnnamed(file.fd, dir, prefix, temp);
        ok = err == 0;
    }
    // Renamed while still locked, so that no other save takes it for a stale one.
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        if (!temp.empty()) ::unlink(temp.c_str());
        return WriteFailure(err ? err : EIO);
    }
    // The data were flushed by fsync: an error on close can no longer lose them.
    (void)::close(std::exchange(file.fd, -1));
    // Make the rename itself durable; the file is already complete either way.
    FdGuard dirFd;
    dirFd.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd.fd >= 0) (void)::fsync(dirFd.fd);
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
