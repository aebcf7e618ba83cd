#pragma once

// The body the image fuzz targets share: decode arbitrary bytes as one
// format (0: the probe), under a small memory cap. Whatever decodes must
// hold its invariants and survive a BMP round trip unchanged; a failure
// must leave the caller's image as it was, with a text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/codecs/rastercodecs.h"

namespace rasterfuzzing {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

inline bool SamePixels(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (LONG y = 0; y < static_cast<LONG>(a.GetHeight()); ++y)
        for (LONG x = 0; x < static_cast<LONG>(a.GetWidth()); ++x) {
            const RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
            if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue)
                return false;
        }
    return true;
}

inline int Run(const uint8_t* data, size_t size, DWORD format) {
    // Images of up to 1 MiB: enough for every path, small enough to be fast.
    SetRasterMaxMemory(std::size_t{1} << 20);
    BYTE* bytes = static_cast<BYTE*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(bytes, data, size);

    CRaster before(3, 2, 8, 0);
    before.SetPixelIndex(1, 1, 7);
    CRaster image(before);
    if (!image.Decode(bytes, static_cast<DWORD>(size), format)) {
        Check(image.GetLastError()[0] != '\0');
        Check(std::strlen(image.GetLastError()) < 256);
        Check(SamePixels(image, before));
    } else {
        Check(image.IsValid());
        Check(image.GetSize() ==
              40 + image.GetPaletteSize() + image.GetEffWidth() * image.GetHeight());
        BYTE* encoded = nullptr;
        LONG length = 0;
        Check(image.Encode(encoded, length, RASTER_FORMAT_BMP));
        CRaster again;
        Check(again.Decode(encoded, static_cast<DWORD>(length), RASTER_FORMAT_BMP));
        // The same palette and bits, byte for byte.
        Check(again.GetSize() == image.GetSize());
        const DWORD body = image.GetSize() - 40;
        Check(std::memcmp(static_cast<BYTE*>(again.GetDIB()) + 40,
                          static_cast<BYTE*>(image.GetDIB()) + 40, body) == 0);
        CRaster::FreeMemory(encoded);
    }

    // Asking for the size only never allocates pixels.
    CRaster size0;
    size0.SetEscape(-1);
    if (size0.Decode(bytes, static_cast<DWORD>(size), format)) Check(!size0.IsValid());
    std::free(bytes);
    return 0;
}

}  // namespace rasterfuzzing
