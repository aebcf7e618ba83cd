#pragma once

// The picture the image benchmarks work on: smooth gradients with a little
// noise, so that nearly every pixel has a colour of its own, as in a photo.

#include <algorithm>

#include "image/raster.h"

inline CRaster BenchPhoto(LONG width, LONG height) {
    CRaster image(width, height, 24, 0);
    unsigned seed = 12345;
    for (LONG y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(y);
        for (LONG x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 15) - 8;
            row[3 * x] = static_cast<BYTE>(std::clamp(x * 255 / width + noise, 0, 255));
            row[3 * x + 1] = static_cast<BYTE>(std::clamp(y * 255 / height + noise, 0, 255));
            row[3 * x + 2] = static_cast<BYTE>(
                std::clamp((x + y) * 128 / (width + height) + 64 + noise, 0, 255));
        }
    }
    return image;
}
