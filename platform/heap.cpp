#include "platform/heap.h"

#include <malloc.h>

void KeepFreedHeap() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
#endif
}
