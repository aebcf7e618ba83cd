#pragma once

// Marks what the definable-character library exports; everything else stays
// hidden.
#define DOTTREL_API __attribute__((visibility("default")))
