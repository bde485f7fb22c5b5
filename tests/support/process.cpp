#include "support/process.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace testsupport {

namespace {

// Everything written to a memory file, from its start.
std::string Contents(int fd) {
    std::string text;
    char chunk[4096];
    ssize_t n;
    ::lseek(fd, 0, SEEK_SET);
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    ProgramRun run;
    if (argv.empty()) return run;
    // Memory files rather than pipes: nothing to drain while the program runs.
    const int out = ::memfd_create("stdout", MFD_CLOEXEC);
    const int err = ::memfd_create("stderr", MFD_CLOEXEC);
    const int in = ::memfd_create("stdin", MFD_CLOEXEC);
    if (::write(in, options.input.data(), options.input.size()) !=
        static_cast<ssize_t>(options.input.size()))
        return run;
    ::lseek(in, 0, SEEK_SET);
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (options.fileSize > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit r = {options.fileSize, options.fileSize};
            ::setrlimit(RLIMIT_FSIZE, &r);
        }
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(in);
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    run.status = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Contents(out);
    run.err = Contents(err);
    return run;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

}  // namespace testsupport
