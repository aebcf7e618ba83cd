#pragma once

// Counts the heap a benchmark program holds, for the peak-memory figures:
// malloc and its kin are replaced by counting wrappers around the C
// library's own. Include it in one source file of a program only (the
// wrappers are defined here, not declared).

#include <malloc.h>

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace heapcount {

// Bytes held now, and the most held since the peak was last reset.
inline std::atomic<long long> g_heap{0};
inline std::atomic<long long> g_peak{0};

inline void Count(long long delta) {
    const long long now = g_heap.fetch_add(delta) + delta;
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

inline long long Usable(void* p) {
    return p == nullptr ? 0 : static_cast<long long>(malloc_usable_size(p));
}

}  // namespace heapcount

extern "C" {
void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    heapcount::Count(heapcount::Usable(p));
    return p;
}
void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    heapcount::Count(heapcount::Usable(p));
    return p;
}
void* realloc(void* old, size_t n) {
    const long long before = heapcount::Usable(old);
    void* p = __libc_realloc(old, n);
    if (p != nullptr || n == 0) heapcount::Count(heapcount::Usable(p) - before);
    return p;
}
void free(void* p) {
    heapcount::Count(-heapcount::Usable(p));
    __libc_free(p);
}
}

using heapcount::g_heap;
using heapcount::g_peak;
