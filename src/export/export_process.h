#pragma once
// An export run in a process of its own, as the editor runs it: the construction goes in
// as encoded .vvl bytes, so the worker never reads the live model; running out of memory
// (the worker's address space is limited to what the machine can give) ends the worker,
// not the editor; progress comes back through a pipe; cancelling kills the worker and
// removes what it left.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export/mesh_export.h"

namespace exporter {

class ExportProcess {
  public:
    ExportProcess() = default;
    ~ExportProcess();  // cancels a worker still running
    ExportProcess(const ExportProcess&) = delete;
    ExportProcess& operator=(const ExportProcess&) = delete;

    // Starts `command` (the program and its leading arguments; it must take the
    // arguments of `vorla-tool export` after them) writing `path` in `format`. False with
    // a message in `error` (Russian) when the worker cannot be started.
    bool Start(const std::vector<std::string>& command, const std::vector<uint8_t>& vvl,
               const std::filesystem::path& path, const ExportOptions& options, std::string* error);
    // Takes in what the worker reported; true while it is still running.
    bool Poll();
    // 0..1, as far as the worker reported.
    double Progress() const { return progress_; }
    // Kills the worker and removes the files it was writing; the old files stay.
    void Cancel();
    // Once Poll has returned false (or after Cancel): what came of it.
    ExportResult Result() const { return result_; }

  private:
    void Read(int fd, std::string& into, bool lines);
    void Line(const std::string& line);
    void Finish(int status);

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::filesystem::path path_;
    std::string pendingLine_, errors_;
    double progress_ = 0;
    std::string failure_;
    ExportResult result_;
};

// The address space an export worker may take: what the machine can give now (free and
// reclaimable memory and swap) with room for the program itself; 0 where the system
// does not say (or under AddressSanitizer, which reserves far more than it uses).
uint64_t WorkerMemoryLimit();

}  // namespace exporter
