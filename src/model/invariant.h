#pragma once
// Checks that guard memory, kept in release builds: a broken one stops the program with
// a message instead of letting it go on with a tree that no longer holds together.

namespace model {

[[noreturn]] void InvariantBroken(const char* what, const char* file, int line);

}  // namespace model

#define MODEL_CHECK(condition, what) \
    ((condition) ? static_cast<void>(0) : ::model::InvariantBroken(what, __FILE__, __LINE__))
