#include "support/environment.h"

#include <cstdlib>
#include <cstring>

namespace testsupport {

bool StrictEnvironment() {
    const char* ci = std::getenv("CI");
    const char* strict = std::getenv("VORLA_STRICT_TESTS");
    return (ci && std::strcmp(ci, "true") == 0) || (strict && *strict && std::strcmp(strict, "0"));
}

}  // namespace testsupport
