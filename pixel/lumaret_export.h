#pragma once

// Marks what the pixel-design library exports; everything else stays hidden.
#define LUMARET_API __attribute__((visibility("default")))
