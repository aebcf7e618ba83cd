#pragma once

// Marks what the design library (libveldrane.so) exports to the designer
// program; everything else stays hidden, so that the library keeps its own
// copy of the foundation library and its own engine-wide pointers.
#define VELDRANE_API __attribute__((visibility("default")))
