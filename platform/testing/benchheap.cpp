// Every benchmark program runs with the heap the programs themselves use.

#include "platform/heap.h"

namespace {
const bool kHeapKept = (KeepFreedHeap(), true);
}  // namespace
