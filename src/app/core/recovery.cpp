#include "app/core/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>
#include <utility>

#include "model/file_system.h"
#include "model/vvl_file.h"

using namespace input;
using namespace model;

namespace fs = std::filesystem;

namespace app::core {
namespace {

constexpr char kVvl[] = ".vvl";
constexpr char kInfo[] = ".info";
constexpr char kLock[] = ".lock";
constexpr size_t kMaxInfoSize = 64 * 1024;

int OpenRetrying(const fs::path& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Takes the lock of an open lock file without waiting, and checks that the name still
// refers to it: another editor may have removed a stale lock file between our open and
// our flock, and a lock on a removed file protects nothing.
bool LockHeldAt(int fd, const fs::path& path) {
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) return false;
    struct stat byFd {
    }, byName{};
    return ::fstat(fd, &byFd) == 0 && ::stat(path.c_str(), &byName) == 0 &&
           byFd.st_dev == byName.st_dev && byFd.st_ino == byName.st_ino;
}

std::string ReadSmallFile(const fs::path& path) {
    std::string text;
    const int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) return text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > kMaxInfoSize) {
            text.clear();  // not something this program wrote
            break;
        }
    }
    ::close(fd);
    return text;
}

std::string Reason(const FileResult& r) {
    return r.systemError != 0 ? SystemErrorText(r.systemError) : r.message;
}

std::string NewInstanceId() {
    std::random_device device;
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(device()));
    std::string id = std::to_string(::getpid());
    id += '-';
    id += suffix;
    return id;
}

}  // namespace

RecoveryStore::RecoveryStore(fs::path folder) : folder_(std::move(folder)) {}

RecoveryStore::~RecoveryStore() {
    Close();
}

fs::path RecoveryStore::OwnPath(const char* extension) const {
    return folder_ / (ownId_ + extension);
}

fs::path RecoveryStore::OwnFile() const {
    std::lock_guard files(filesMutex_);
    return ownId_.empty() ? fs::path() : OwnPath(kVvl);
}

// ---- this editor's own file, on the worker -----------------------------------------------

void RecoveryStore::Write(std::vector<uint8_t> bytes, std::string originalPath) {
    Post(Job{false, std::move(bytes), std::move(originalPath)});
}

void RecoveryStore::Remove() {
    Post(Job{true, {}, {}});
}

void RecoveryStore::Post(Job job) {
    std::lock_guard queue(queueMutex_);
    if (stopping_) return;
    pending_ = std::move(job);
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    queueChanged_.notify_all();
}

std::vector<uint8_t> RecoveryStore::TakeBuffer() {
    std::lock_guard queue(queueMutex_);
    return std::exchange(spare_, {});
}

bool RecoveryStore::LastWriteFailed() const {
    return !LastWriteError().empty();
}

std::string RecoveryStore::LastWriteError() const {
    std::lock_guard queue(queueMutex_);
    return lastWriteError_;
}

void RecoveryStore::SetWriteListener(std::function<void()> listener) {
    std::lock_guard queue(queueMutex_);
    writeListener_ = std::move(listener);
}

void RecoveryStore::WaitIdle() {
    std::unique_lock queue(queueMutex_);
    queueChanged_.wait(queue, [this] { return !pending_ && !busy_; });
}

void RecoveryStore::Run() {
    std::unique_lock queue(queueMutex_);
    for (;;) {
        queueChanged_.wait(queue, [this] { return pending_ || stopping_; });
        if (!pending_) return;  // stopping with nothing left to do
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        queue.unlock();
        Execute(job);
        if (!job.remove) {
            std::function<void()> listener;
            {
                std::lock_guard again(queueMutex_);
                listener = writeListener_;
            }
            if (listener) listener();
        }
        queue.lock();
        if (job.remove) {
            spare_ = {};  // nothing to keep memory for
        } else {
            job.bytes.clear();
            spare_ = std::move(job.bytes);
        }
        busy_ = false;
        queueChanged_.notify_all();
    }
}

void RecoveryStore::Execute(const Job& job) {
    std::lock_guard files(filesMutex_);
    if (closed_) return;
    if (job.remove) {
        RemoveOwnFiles();
        return;
    }
    std::string error;
    if (const int err = EnsureOwnLock(); err != 0) error = SystemErrorText(err);
    if (error.empty() && infoWritten_ != job.originalPath) {
        const auto* text = reinterpret_cast<const uint8_t*>(job.originalPath.data());
        const FileResult r = WriteFileAtomically(OwnPath(kInfo), text, job.originalPath.size());
        if (r) {
            infoWritten_ = job.originalPath;
        } else {
            error = Reason(r);
        }
    }
    if (error.empty()) {
        const FileResult r = WriteFileAtomically(OwnPath(kVvl), job.bytes.data(), job.bytes.size());
        if (!r) error = Reason(r);
    }
    std::lock_guard queue(queueMutex_);
    lastWriteError_ = std::move(error);
}

int RecoveryStore::EnsureOwnLock() {
    if (ownLockFd_ >= 0) return 0;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (ownId_.empty() || attempt > 0) ownId_ = NewInstanceId();
        const fs::path lock = OwnPath(kLock);
        // A name nobody has used: never the lock of a dead editor whose files remain.
        const int fd = OpenRetrying(lock, O_RDWR | O_CREAT | O_EXCL);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        if (LockHeldAt(fd, lock)) {
            ownLockFd_ = fd;
            return 0;
        }
        ::close(fd);
    }
    return EAGAIN;
}

void RecoveryStore::RemoveOwnFiles() {
    if (ownLockFd_ < 0) return;
    ::unlink(OwnPath(kVvl).c_str());
    ::unlink(OwnPath(kInfo).c_str());
    infoWritten_.reset();
}

void RecoveryStore::Close() {
    {
        std::lock_guard queue(queueMutex_);
        stopping_ = true;
        pending_.reset();  // the files go anyway
        queueChanged_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
    {
        std::lock_guard files(filesMutex_);
        if (!closed_) {
            closed_ = true;
            RemoveOwnFiles();
            if (ownLockFd_ >= 0) {
                ::unlink(OwnPath(kLock).c_str());
                ::close(ownLockFd_);
                ownLockFd_ = -1;
            }
        }
    }
    while (!claimed_.empty()) DropClaim(claimed_.begin()->first);
}

// ---- files left by other editors, on the caller's thread -----------------------------------

std::vector<OrphanRecovery> RecoveryStore::ClaimOrphans() {
    std::vector<OrphanRecovery> found;
    std::error_code ec;
    std::vector<std::string> ids;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        for (const char* extension : {kVvl, kLock}) {
            const std::string ext = extension;
            if (name.size() > ext.size() &&
                name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
                ids.push_back(name.substr(0, name.size() - ext.size()));
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    std::string own;
    {
        std::lock_guard files(filesMutex_);
        own = ownId_;
    }
    for (const std::string& id : ids) {
        if (id == own || claimed_.count(id)) continue;
        const fs::path lock = folder_ / (id + kLock);
        const int fd = OpenRetrying(lock, O_RDWR | O_CREAT);
        if (fd < 0) continue;
        if (!LockHeldAt(fd, lock)) {  // its editor is running
            ::close(fd);
            continue;
        }
        claimed_[id] = fd;
        const fs::path file = folder_ / (id + kVvl);
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Delete(OrphanRecovery{id, file, {}, 0});  // a lock or a half write, no work
            continue;
        }
        found.push_back({id, file, ReadSmallFile(folder_ / (id + kInfo)), st.st_mtime});
    }
    std::sort(found.begin(), found.end(), [](const OrphanRecovery& a, const OrphanRecovery& b) {
        return a.written > b.written;
    });
    return found;
}

bool RecoveryStore::Adopt(const OrphanRecovery& orphan) {
    if (!claimed_.count(orphan.id)) return false;
    WaitIdle();
    {
        std::lock_guard files(filesMutex_);
        if (closed_ || EnsureOwnLock() != 0) return false;
        if (::rename(orphan.file.c_str(), OwnPath(kVvl).c_str()) != 0) return false;
        const fs::path info = folder_ / (orphan.id + kInfo);
        if (orphan.originalPath.empty() || ::rename(info.c_str(), OwnPath(kInfo).c_str()) != 0) {
            ::unlink(OwnPath(kInfo).c_str());
            infoWritten_.reset();
        } else {
            infoWritten_ = orphan.originalPath;
        }
    }
    Delete(orphan);
    return true;
}

void RecoveryStore::Delete(const OrphanRecovery& orphan) {
    if (!claimed_.count(orphan.id)) return;
    RemoveLeftovers(orphan.id);
    ::unlink((folder_ / (orphan.id + kLock)).c_str());
    DropClaim(orphan.id);
}

fs::path RecoveryStore::SetAside(const OrphanRecovery& orphan) {
    if (!claimed_.count(orphan.id)) return {};
    fs::path aside = orphan.file;
    aside += ".damaged";
    if (::rename(orphan.file.c_str(), aside.c_str()) != 0) {
        Release(orphan);
        return {};
    }
    Delete(orphan);
    return aside;
}

void RecoveryStore::Release(const OrphanRecovery& orphan) {
    DropClaim(orphan.id);
}

void RecoveryStore::DropClaim(const std::string& id) {
    auto it = claimed_.find(id);
    if (it == claimed_.end()) return;
    ::close(it->second);
    claimed_.erase(it);
}

// The construction, the info and any temporary file a write was cut off in.
void RecoveryStore::RemoveLeftovers(const std::string& id) {
    ::unlink((folder_ / (id + kVvl)).c_str());
    ::unlink((folder_ / (id + kInfo)).c_str());
    std::string tempPrefix = ".";  // piece by piece: GCC 12 warns falsely (-Wrestrict)
    tempPrefix += id;
    tempPrefix += '.';
    std::error_code ec;
    std::vector<fs::path> temps;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(tempPrefix, 0) == 0) temps.push_back(it->path());
    }
    for (const fs::path& p : temps) ::unlink(p.c_str());
}

}  // namespace app::core
