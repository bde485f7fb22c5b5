#include "model/output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>
#include <utility>

#include "model/file_system.h"

namespace model {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBufferSize = size_t{1} << 20;
constexpr std::string_view kTemporaryMark = ".tmp-";

// Closes a descriptor on every path out.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
    }
};

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

bool WriteAllAt(int fd, const uint8_t* data, size_t n, uint64_t offset, int& err) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, data, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : EIO;
            return false;
        }
        data += w;
        offset += static_cast<uint64_t>(w);
        n -= static_cast<size_t>(w);
    }
    return true;
}

std::string TemporaryPrefix(const fs::path& target) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "." + string.
    std::string prefix = ".";
    prefix += target.filename().string();
    prefix += kTemporaryMark;
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

// The target a temporary's name was made for: ".<target>.tmp-<digits>-<digits>". Empty
// for every other name.
std::string TargetOfTemporary(const std::string& name) {
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos || mark < 2) return {};
    const std::string rest = name.substr(mark + kTemporaryMark.size());
    const size_t dash = rest.find('-');
    auto digits = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(rest.substr(0, dash)) ||
        !digits(rest.substr(dash + 1)))
        return {};
    return name.substr(1, mark - 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
        // Another writer may have taken it for stale between its creation and the lock.
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

// A second name for the current target (kept until the new files are all in place), so
// that a failure half-way through the renames can put the old file back. Empty when
// there is no old file; false with `err` when the name cannot be made.
bool LinkBackup(const fs::path& target, fs::path& backup, int& err) {
    backup.clear();
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
    const std::string prefix = TemporaryPrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path name = FolderOf(target) / TemporaryName(prefix);
        if (::link(target.c_str(), name.c_str()) == 0) {
            backup = name;
            return true;
        }
        if (errno != EEXIST && errno != EINTR) break;
    }
    err = errno;
    return false;
}

void SyncFolder(const fs::path& dir) {
    FdGuard f;
    f.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (f.fd >= 0) (void)::fsync(f.fd);
}

}  // namespace

// ---- OutputFile

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::Fail(int err) {
    if (error_ == 0) error_ = err != 0 ? err : EIO;
    buffer_.clear();
    return false;
}

bool OutputFile::Flush() {
    if (error_ != 0) return false;
    int err = 0;
    if (!buffer_.empty() && !WriteAll(fd_, buffer_.data(), buffer_.size(), err)) return Fail(err);
    buffer_.clear();
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (error_ != 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + size > kBufferSize) {
        if (!Flush()) return false;
        if (size >= kBufferSize) {
            int err = 0;
            if (!WriteAll(fd_, bytes, size, err)) return Fail(err);
            size_ += size;
            return true;
        }
    }
    if (buffer_.capacity() < kBufferSize) buffer_.reserve(kBufferSize);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    size_ += size;
    return true;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size) {
    if (!Flush()) return false;
    int err = 0;
    if (!WriteAllAt(fd_, static_cast<const uint8_t*>(data), size, offset, err)) return Fail(err);
    size_ = std::max<uint64_t>(size_, offset + size);
    return true;
}

// ---- OutputFiles

OutputFiles::OutputFiles() = default;

OutputFiles::~OutputFiles() {
    Discard();
}

bool OutputFiles::Fail(int err, const fs::path& path) {
    if (error_ == 0) {
        error_ = err != 0 ? err : EIO;
        errorPath_ = path;
    }
    Discard();
    return false;
}

void OutputFiles::Discard() {
    for (const auto& file : files_) {
        // Unnamed temporaries vanish with their descriptor.
        if (!file->temp_.empty()) ::unlink(file->temp_.c_str());
    }
    files_.clear();
}

OutputFile* OutputFiles::Add(const fs::path& path) {
    if (error_ != 0) return nullptr;
    auto file = std::unique_ptr<OutputFile>(new OutputFile());
    file->target_ = WriteTarget(path);
    const fs::path dir = FolderOf(file->target_);
    const std::string name = file->target_.filename().string();
    RemoveStaleTemporaries(dir, [&](const std::string& target) { return target == name; });

    // Unnamed while it is written, where the system allows: a writer killed then leaves
    // nothing behind. Otherwise a named temporary, created and locked at once.
    file->fd_ = OpenUnnamed(dir);
    if (file->fd_ >= 0) {
        (void)::flock(file->fd_, LOCK_EX);  // locked before it ever has a name
    } else if (int err = OpenNamed(dir, TemporaryPrefix(file->target_), file->fd_, file->temp_);
               err != 0) {
        Fail(err, path);
        return nullptr;
    }
    struct stat old {};
    if (::stat(file->target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(file->fd_, old.st_mode & 07777);
    files_.push_back(std::move(file));
    return files_.back().get();
}

bool OutputFiles::Commit() {
    if (error_ != 0) return false;
    for (const auto& file : files_) {
        if (!file->Flush()) return Fail(file->error_, file->target_);
        if (::fsync(file->fd_) != 0) return Fail(errno, file->target_);
    }
    for (const auto& file : files_) {
        if (!file->temp_.empty()) continue;
        if (int err = LinkUnnamed(file->fd_, FolderOf(file->target_),
                                  TemporaryPrefix(file->target_), file->temp_);
            err != 0)
            return Fail(err, file->target_);
    }

    // Companions first, the main file last; renamed while still locked, so that no other
    // writer takes them for stale ones.
    std::vector<OutputFile*> order;
    for (size_t i = 1; i < files_.size(); ++i) order.push_back(files_[i].get());
    if (!files_.empty()) order.push_back(files_[0].get());
    std::vector<fs::path> backups(order.size());
    auto dropBackups = [&] {
        for (const fs::path& b : backups)
            if (!b.empty()) ::unlink(b.c_str());
    };
    if (order.size() > 1) {
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            int err = 0;
            if (!LinkBackup(order[i]->target_, backups[i], err)) {
                dropBackups();
                return Fail(err, order[i]->target_);
            }
        }
    }
    for (size_t i = 0; i < order.size(); ++i) {
        OutputFile& file = *order[i];
        if (::rename(file.temp_.c_str(), file.target_.c_str()) == 0) {
            file.temp_.clear();
            continue;
        }
        const int err = errno;
        // Put back what the files renamed so far replaced.
        for (size_t j = 0; j < i; ++j) {
            if (!backups[j].empty()) {
                if (::rename(backups[j].c_str(), order[j]->target_.c_str()) == 0)
                    backups[j].clear();
            } else {
                ::unlink(order[j]->target_.c_str());
            }
        }
        dropBackups();
        return Fail(err, file.target_);
    }
    dropBackups();

    // The data were flushed by fsync: an error on close can no longer lose them. Then the
    // renames themselves are made durable; the files are complete either way.
    std::set<fs::path> folders;
    for (const auto& file : files_) {
        ::close(std::exchange(file->fd_, -1));
        folders.insert(FolderOf(file->target_));
    }
    files_.clear();
    for (const fs::path& dir : folders) SyncFolder(dir);
    return true;
}

void RemoveStaleTemporaries(const fs::path& dir,
                            const std::function<bool(const std::string& targetName)>& forTarget) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        const std::string target = TargetOfTemporary(path.filename().string());
        if (target.empty() || !forTarget(target)) continue;
        FdGuard f;
        f.fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (f.fd < 0 || ::flock(f.fd, LOCK_EX | LOCK_NB) != 0) continue;  // a writer is on it
        // Unlocked, and still that file under that name (not renamed into place meanwhile).
        struct stat opened {};
        struct stat named {};
        if (::fstat(f.fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::lstat(path.c_str(), &named) == 0 && SameFile(opened, named))
            ::unlink(path.c_str());
    }
}

}  // namespace model
