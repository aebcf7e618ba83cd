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
    const auto mix = [&](const BYTE* p, std::size_t up, std::size_t right) {
        return static_cast<BYTE>(
            (w00 * p[0] + w01 * p[right] + w10 * p[up] + w11 * p[up + right]) >> 8);
    };
    return RGBQUAD{mix(p00, stride, 3), mix(p00 + 1, stride, 3), mix(p00 + 2, stride, 3),
                   a00 != nullptr ? mix(a00, alphaStride, 1) : BYTE{0}};
}
