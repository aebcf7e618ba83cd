#pragma once

// How the process heap treats memory the program frees.
//
// Saving, opening or switching a form builds a record of megabytes and drops
// it again. By default the C library hands freed memory at the top of the
// heap back to the system once 128 KB lie free there, and places blocks of
// 128 KB or more in fresh mappings of their own; the next record then faults
// every page in anew, which costs more than building the record itself.
// KeepFreedHeap keeps up to 64 MB of freed heap for reuse and takes blocks up
// to 16 MB from the heap; larger ones (whole pictures) still get mappings
// that go back to the system when freed. Call it once at the start of a
// program, before its first allocation of any size matters.

#include "platform/platform_export.h"

PLATFORM_API void KeepFreedHeap();
