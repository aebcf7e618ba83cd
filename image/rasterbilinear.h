#pragma once

// The bilinear mix of interior 24-bit pixel values with 8-bit fixed-point
// weights, shared by the interpolation and smooth drawing.

#include <cstddef>

#include "image/raster.h"

// p00 is the first pixel value (blue, green, red), the one `stride` bytes
// further its upper neighbour in storage order; fx and fy are the sample
// point's offsets past them in 1/256 of a pixel. With an alpha row (a00,
// its upper neighbour `alphaStride` further) the alpha byte is mixed the
// same way, else it is 0.
inline RGBQUAD BilinearPixel(const BYTE* p00, std::size_t stride, const BYTE* a00,
                             std::size_t alphaStride, int fx, int fy) {
    const int w11 = (fx * fy) >> 8, w01 = fx - w11, w10 = fy - w11;
    const int w00 = 256 - fx - fy + w11;
    const BYTE* p01 = p00 + stride;
    RGBQUAD c;
    c.rgbBlue = static_cast<BYTE>((w00 * p00[0] + w01 * p00[3] + w10 * p01[0] + w11 * p01[3]) >> 8);
    c.rgbGreen =
        static_cast<BYTE>((w00 * p00[1] + w01 * p00[4] + w10 * p01[1] + w11 * p01[4]) >> 8);
    c.rgbRed = static_cast<BYTE>((w00 * p00[2] + w01 * p00[5] + w10 * p01[2] + w11 * p01[5]) >> 8);
    c.rgbReserved = 0;
    if (a00 != nullptr) {
        const BYTE* a01 = a00 + alphaStride;
        c.rgbReserved =
            static_cast<BYTE>((w00 * a00[0] + w01 * a00[1] + w10 * a01[0] + w11 * a01[1]) >> 8);
    }
    return c;
}
