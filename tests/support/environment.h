#pragma once
// What a suite needs from the machine (a headless OpenGL context, a display). Where it is
// missing, a developer's own run skips the suite with the reason; CI (CI=true) and
// ./dev test (VORLA_STRICT_TESTS=1) fail instead, so a broken machine cannot pass by
// quietly running fewer tests.
#include <gtest/gtest.h>

#include <string>

namespace testsupport {

bool StrictEnvironment();

}  // namespace testsupport

// In a test or a fixture's SetUp: stops the test when `available` is false.
#define VORLA_REQUIRE_ENVIRONMENT(available, what)                                   \
    do {                                                                             \
        if (!(available)) {                                                          \
            if (::testsupport::StrictEnvironment()) FAIL() << "missing: " << (what); \
            GTEST_SKIP() << "missing: " << (what);                                   \
        }                                                                            \
    } while (0)
