#include "export/export_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "export/export_command.h"
#include "model/file_system.h"

using namespace model;

namespace fs = std::filesystem;

namespace exporter {

namespace {

constexpr size_t kKeptErrorText = 4096;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

bool WriteAll(int fd, const uint8_t* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

std::string StartFailure(int err) {
    return "Не удалось начать экспорт: " + SystemErrorText(err);
}

}  // namespace

uint64_t WorkerMemoryLimit() {
    if (kSanitized) return 0;
    std::ifstream meminfo("/proc/meminfo");
    uint64_t available = 0, swapFree = 0;
    bool known = false;
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream words(line);
        std::string key;
        uint64_t kb = 0;
        words >> key >> kb;
        if (key == "MemAvailable:") available = kb * 1024, known = true;
        if (key == "SwapFree:") swapFree = kb * 1024;
    }
    if (!known) return 0;
    // The program's own mappings (libraries, thread stacks, allocator arenas) count too.
    constexpr uint64_t kRoom = uint64_t{1} << 30;
    return available + swapFree + kRoom;
}

ExportProcess::~ExportProcess() {
    Cancel();
}

bool ExportProcess::Start(const std::vector<std::string>& command, const std::vector<uint8_t>& vvl,
                          const fs::path& path, const ExportOptions& options, std::string* error) {
    if (command.empty() || pid_ > 0) {
        *error = "Не удалось начать экспорт: не задана программа, которая его выполняет";
        return false;
    }
    path_ = path;
    // The construction on a file in memory: the worker reads it as its standard input, and
    // the editor never waits for a pipe to drain.
    const int input = ::memfd_create("vorla-export", MFD_CLOEXEC);
    if (input < 0 || !WriteAll(input, vvl.data(), vvl.size()) || ::lseek(input, 0, SEEK_SET) != 0) {
        *error = StartFailure(errno);
        if (input >= 0) ::close(input);
        return false;
    }
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        *error = StartFailure(errno);
        ::close(input);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        *error = StartFailure(errno);
        for (int fd : {input, out[0], out[1]}) ::close(fd);
        return false;
    }

    std::vector<std::string> args = command;
    for (std::string& a : ExportArguments(options)) args.push_back(std::move(a));
    args.insert(args.end(), {"--progress", "--", "-", path.string()});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const uint64_t limit = WorkerMemoryLimit();

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. The descriptors go out of the
        // way first, so that none of 0..2 is overwritten before it has been copied.
        const int in = ::fcntl(input, F_DUPFD_CLOEXEC, 10);
        const int o = ::fcntl(out[1], F_DUPFD_CLOEXEC, 10);
        const int e = ::fcntl(err[1], F_DUPFD_CLOEXEC, 10);
        if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0)
            ::_exit(127);
        if (limit > 0) {
            const struct rlimit r = {limit, limit};
            ::setrlimit(RLIMIT_AS, &r);
        }
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int forkError = errno;
    for (int fd : {input, out[1], err[1]}) ::close(fd);
    if (pid < 0) {
        ::close(out[0]);
        ::close(err[0]);
        *error = StartFailure(forkError);
        return false;
    }
    pid_ = pid;
    out_ = out[0];
    err_ = err[0];
    for (int fd : {out_, err_}) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    progress_ = 0;
    failure_.clear();
    errors_.clear();
    pendingLine_.clear();
    result_ = {};
    return true;
}

void ExportProcess::Read(int fd, std::string& into, bool lines) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        into.append(chunk, static_cast<size_t>(n));
        if (lines) {
            size_t end;
            while ((end = into.find('\n')) != std::string::npos) {
                Line(into.substr(0, end));
                into.erase(0, end + 1);
            }
        } else if (into.size() > kKeptErrorText) {
            into.erase(0, into.size() - kKeptErrorText);
        }
    }
}

void ExportProcess::Line(const std::string& line) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "progress") {
        double p = 0;
        if (words >> p) progress_ = std::clamp(p, 0.0, 1.0);
    } else if (key == "blocks") {
        words >> result_.blocks;
    } else if (key == "triangles") {
        words >> result_.triangles;
    } else if (key == "failed") {
        failure_ = line.substr(std::min(line.size(), key.size() + 1));
    }
}

bool ExportProcess::Poll() {
    if (pid_ <= 0) return false;
    Read(out_, pendingLine_, true);
    Read(err_, errors_, false);
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return true;
    // Ended: its last words are all in the pipes now.
    Read(out_, pendingLine_, true);
    Read(err_, errors_, false);
    Finish(r == pid_ ? status : -1);
    return false;
}

void ExportProcess::Finish(int status) {
    for (int* fd : {&out_, &err_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    pid_ = -1;
    const std::string shown = "Не удалось записать " + path_.string() + ": ";
    result_.ok = status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (result_.ok) {
        progress_ = 1;
        return;
    }
    if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 1 && !failure_.empty()) {
        result_.message = failure_;
    } else if (status >= 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        result_.message =
            shown + "процесс экспорта остановлен системой (вероятно, не хватило памяти)";
    } else if (status >= 0 && WIFSIGNALED(status)) {
        result_.message = shown + "процесс экспорта завершился аварийно (сигнал " +
                          std::to_string(WTERMSIG(status)) + ")";
    } else {
        std::string why = errors_.substr(0, errors_.find('\n'));
        if (why.empty()) why = "процесс экспорта не запустился";
        result_.message = shown + why;
    }
    // A worker that died half-way may have left named temporaries.
    RemoveStaleExportFiles(FolderOf(WriteTarget(path_)));
}

void ExportProcess::Cancel() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    Read(out_, pendingLine_, true);
    // Finished before the kill arrived: its files are complete and in place.
    const bool finished = r == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    Finish(r == pid_ ? status : -1);
    if (!finished) result_.message = "Экспорт отменён";
}

}  // namespace exporter
