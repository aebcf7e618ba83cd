#pragma once

// The sizes a benchmark runs at. A benchmark registers its sizes from the
// smallest up; the smoke run (DRAVIK_BENCH_SMOKE set and not "0", as the
// continuous integration runs every benchmark once) takes only the smallest,
// so that no benchmark rots unseen and none costs minutes.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace benchsizes {

inline bool Smoke() {
    const char* value = std::getenv("DRAVIK_BENCH_SMOKE");
    return value && *value && !(value[0] == '0' && value[1] == '\0');
}

// Adds each size as the benchmark's argument (the first alone in a smoke run).
inline benchmark::internal::Benchmark* Args(benchmark::internal::Benchmark* bench,
                                            std::initializer_list<std::int64_t> sizes) {
    for (std::int64_t size : sizes) {
        bench->Arg(size);
        if (Smoke()) break;
    }
    return bench;
}

}  // namespace benchsizes
