#pragma once
// Recovery files: where unsaved work waits in case the editor dies before it is saved.
//
// Every running editor writes into a file of its own in one folder of the user's data:
//   <id>.vvl   the construction, in the document format
//   <id>.info  the path of the document it belonged to (UTF-8; missing or empty: none)
//   <id>.lock  held with flock() for as long as the editor runs
// The kernel drops the lock when the process ends, however it ends, so a recovery file
// whose lock can be taken was left by an editor that is gone; one whose lock is held
// belongs to a running editor and is never touched by another.
//
// Writes run on a worker thread, one at a time: a slow or full disk never holds up the
// caller, and a write still waiting is replaced by a newer one. Every file is written
// beside its target, flushed and renamed, so a crash in the middle of a write leaves the
// previous recovery file intact.
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace app::core {

// A recovery file left by an editor that is no longer running. The store that claimed it
// holds its lock until it is adopted, deleted or released.
struct OrphanRecovery {
    std::string id;
    std::filesystem::path file;  // the construction
    std::string originalPath;    // the document it belonged to; empty if never saved
    std::time_t written = 0;     // when it was last written
};

class RecoveryStore {
  public:
    // Nothing is created on disk before the first write.
    explicit RecoveryStore(std::filesystem::path folder);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    // This editor's recovery file (it exists only between a write and a removal).
    std::filesystem::path OwnFile() const;

    // Recovery files whose editors are gone, newest first, each now held by this store.
    // Leftovers of a dead editor that hold no construction are cleaned away.
    std::vector<OrphanRecovery> ClaimOrphans();
    // Makes a claimed orphan this editor's own recovery file (renamed, not copied, so the
    // work is never without a file on disk). False when that failed; it stays claimed.
    bool Adopt(const OrphanRecovery& orphan);
    // Removes a claimed orphan's files.
    void Delete(const OrphanRecovery& orphan);
    // Moves a claimed orphan's construction aside (`<id>.vvl.damaged`, never offered
    // again) and removes the rest; returns where it now is, or empty when it could not be
    // moved (it then stays to be offered again).
    std::filesystem::path SetAside(const OrphanRecovery& orphan);
    // Lets a claimed orphan go untouched, to be offered again later.
    void Release(const OrphanRecovery& orphan);

    // Queues a write of an encoded construction into this editor's recovery file and
    // returns at once; a write still waiting is dropped for this one.
    void Write(std::vector<uint8_t> bytes, std::string originalPath);
    // Queues the removal of this editor's recovery file; a write still waiting is dropped.
    void Remove();
    // The buffer of the last write that finished, emptied, to encode the next one into
    // (its memory is already mapped); empty when there is none. A removal frees it.
    std::vector<uint8_t> TakeBuffer();
    // Whether the last write that finished failed (worth trying again later), and why
    // (empty when it worked).
    bool LastWriteFailed() const;
    std::string LastWriteError() const;
    // Called on the worker thread after every write, whether it worked or not.
    void SetWriteListener(std::function<void()> listener);
    // Returns when nothing is waiting or being written.
    void WaitIdle();
    // Stops the worker, removes this editor's files and releases every lock. Idempotent.
    void Close();

  private:
    struct Job {
        bool remove = false;
        std::vector<uint8_t> bytes;
        std::string originalPath;
    };
    void Post(Job job);
    void Run();
    void Execute(const Job& job);
    // These three run with filesMutex_ held. EnsureOwnLock: 0, or why there is no lock.
    int EnsureOwnLock();
    void RemoveOwnFiles();
    std::filesystem::path OwnPath(const char* extension) const;
    void RemoveLeftovers(const std::string& id);
    void DropClaim(const std::string& id);

    const std::filesystem::path folder_;

    // Queue shared with the worker.
    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::optional<Job> pending_;
    std::vector<uint8_t> spare_;  // see TakeBuffer
    bool busy_ = false;
    bool stopping_ = false;
    std::string lastWriteError_;
    std::function<void()> writeListener_;
    std::thread worker_;

    // This editor's files; touched by the worker and, while it is idle, by Adopt and Close.
    mutable std::mutex filesMutex_;
    std::string ownId_;
    int ownLockFd_ = -1;
    std::optional<std::string> infoWritten_;  // what <id>.info holds now
    bool closed_ = false;

    std::map<std::string, int> claimed_;  // orphan id -> its lock descriptor (UI thread)
};

}  // namespace app::core
