#include "model/invariant.h"

#include <cstdio>
#include <cstdlib>

namespace model {

void InvariantBroken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: internal error: %s\n", file, line, what);
    std::abort();
}

}  // namespace model
