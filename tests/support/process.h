#pragma once
// Running programs from tests: our own tools and the independent readers of what we write.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int status = -1;  // exit status; -1 when it did not exit normally (a signal)
    std::string out, err;
};

struct RunOptions {
    // Largest file the program may write (RLIMIT_FSIZE, with SIGXFSZ ignored so that a
    // write past it fails with EFBIG, as on a full disk); 0: no limit.
    uint64_t fileSize = 0;
    std::string input;  // its standard input
};

// Runs argv[0] (a path, or a name looked up on PATH) with the rest as its arguments, no
// shell in between, and collects its standard output and error.
ProgramRun RunProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

// The program's path on PATH; empty when there is none.
std::string FindProgram(const std::string& name);

}  // namespace testsupport
