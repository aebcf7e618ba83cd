#pragma once

// Helpers shared by the image library's tests: pictures with a known
// pattern, exact pixel comparison and little-endian byte building.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "image/raster.h"

namespace imagetesting {

// A width x height image of the depth whose every pixel value differs from
// its neighbours': indexed images get a palette of distinct colours.
inline CRaster Pattern(LONG width, LONG height, DWORD bpp) {
    CRaster image(width, height, bpp, 0);
    const DWORD colors = image.GetNumColors();
    for (DWORD i = 0; i < colors; ++i)
        image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i * 37 + 11),
                              static_cast<BYTE>(i * 91 + 3), static_cast<BYTE>(255 - i * 13));
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            if (colors != 0)
                image.SetPixelIndex(x, y, static_cast<BYTE>((x * 7 + y * 3) % colors));
            else
                image.SetPixelColor(x, y,
                                    RGBQUAD{static_cast<BYTE>(x * 5 + y), static_cast<BYTE>(y * 9),
                                            static_cast<BYTE>(x ^ y), 0});
        }
    return image;
}

// Every pixel's colour (and alpha when both have a plane) equal.
inline ::testing::AssertionResult SamePixels(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight()
                                             << " vs " << b.GetWidth() << "x" << b.GetHeight();
    const bool alpha = a.AlphaIsValid() && b.AlphaIsValid();
    for (LONG y = 0; y < static_cast<LONG>(a.GetHeight()); ++y)
        for (LONG x = 0; x < static_cast<LONG>(a.GetWidth()); ++x) {
            const RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
            if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue ||
                (alpha && a.AlphaGet(x, y) != b.AlphaGet(x, y)))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
        }
    return ::testing::AssertionSuccess();
}

// Little-endian bytes: Bytes().U16(0x4D42).U32(70) ...
struct Bytes {
    std::string s;
    Bytes& U8(unsigned v) {
        s += static_cast<char>(v & 0xFF);
        return *this;
    }
    Bytes& U16(unsigned v) { return U8(v).U8(v >> 8); }
    Bytes& U32(unsigned long v) { return U16(v & 0xFFFF).U16((v >> 16) & 0xFFFF); }
    // Bytes written as hex pairs: "42 4d 00".
    Bytes& Hex(const char* pairs) {
        for (const char* p = pairs; *p != '\0';) {
            if (*p == ' ') {
                ++p;
                continue;
            }
            s += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
            p += 2;
        }
        return *this;
    }
    Bytes& Raw(const std::string& more) {
        s += more;
        return *this;
    }
    Bytes& Fill(std::size_t n, unsigned v = 0) {
        s.append(n, static_cast<char>(v));
        return *this;
    }
    operator std::string() const { return s; }
};

// The 40-byte info header.
inline Bytes InfoHeader(long width, long height, unsigned bpp, unsigned compression = 0,
                        unsigned long sizeImage = 0, unsigned long colors = 0,
                        unsigned long pels = 3780) {
    Bytes b;
    b.U32(40).U32(static_cast<unsigned long>(width)).U32(static_cast<unsigned long>(height));
    b.U16(1).U16(bpp).U32(compression).U32(sizeImage).U32(pels).U32(pels).U32(colors).U32(0);
    return b;
}

// A file header in front of an info header (and whatever follows it).
inline std::string WithFileHeader(const std::string& dib, unsigned long offBits) {
    return Bytes().U16(0x4D42).U32(14 + dib.size()).U32(0).U32(offBits).Raw(dib);
}

// Decodes bytes as the given format into `image`.
inline bool DecodeBytes(CRaster& image, const std::string& bytes, DWORD format) {
    return image.Decode(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                        static_cast<DWORD>(bytes.size()), format);
}

}  // namespace imagetesting
