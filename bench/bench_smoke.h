#pragma once
// ctest runs every benchmark once briefly (VORLA_BENCH_SMOKE set), only to prove that it
// still builds and runs; a benchmark with a fixed iteration count then runs it once.
#include <benchmark/benchmark.h>

#include <cstdlib>

inline benchmark::IterationCount FixedIterations(benchmark::IterationCount n) {
    return std::getenv("VORLA_BENCH_SMOKE") ? 1 : n;
}

// How long to watch something: briefly in the smoke run, fully when measuring.
inline int SmokeOr(int smokeMs, int fullMs) {
    return std::getenv("VORLA_BENCH_SMOKE") ? smokeMs : fullMs;
}
