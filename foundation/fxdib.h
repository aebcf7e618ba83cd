#pragma once

// A device-independent bitmap held in memory: the header fields, a palette
// for the paletted depths (2, 16 or 256 entries for 1, 4 or 8 bits per
// pixel) and the pixel rows, bottom-up, each padded to whole 32-bit words.
// The shaded buttons paint their faces into one and draw it on a device
// context.

#include <QImage>
#include <cstddef>
#include <vector>

#include "platform/dc.h"
#include "platform/wintypes.h"

class CFxDib {
public:
    CFxDib() = default;

    // A bitmap of the given size and depth (1, 4, 8, 24 or 32 bits per
    // pixel), every pixel 0 and the palette black. False, and the bitmap left
    // empty, for a size that is not positive or too large, or another depth.
    bool Create(int width, int height, int bitCount);
    void Destroy();
    bool IsValid() const { return width_ > 0; }

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetBitCount() const { return bitCount_; }
    // Bytes per pixel row: ((width x bits + 31) / 32) x 4.
    int GetStride() const { return stride_; }
    // The pixel rows; row 0 is the bottom one.
    BYTE* GetBits() { return bits_.empty() ? nullptr : bits_.data(); }
    const BYTE* GetBits() const { return bits_.empty() ? nullptr : bits_.data(); }
    std::size_t GetBitsSize() const { return bits_.size(); }

    int GetPaletteSize() const { return static_cast<int>(palette_.size()); }
    // An index past the palette is ignored.
    void SetPaletteEntry(int index, BYTE r, BYTE g, BYTE b);
    COLORREF GetPaletteEntry(int index) const;  // black past the palette
    // Blends every palette entry toward `colour` by `percent`, kept within
    // 0..100: entry = (colour x p + entry x (100 - p)) / 100.
    void BlendPalette(COLORREF colour, int percent);

    // Makes this bitmap a copy of `source`.
    void Copy(const CFxDib& source);

    // (x, y) counts from the top-left as on the screen. The value is a palette
    // index for the paletted depths, a COLORREF otherwise. Points outside are
    // ignored (read as 0).
    void SetPixel(int x, int y, DWORD value);
    DWORD GetPixel(int x, int y) const;
    // Every pixel to the value.
    void Fill(DWORD value);

    // The picture as a 32-bit image, top row first.
    QImage ToImage() const;
    // Draws the picture with its top-left corner at (x, y).
    void Draw(CDC& dc, int x, int y) const;

private:
    std::size_t Offset(int x, int y) const;

    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    int stride_ = 0;
    std::vector<RGBQUAD> palette_;
    std::vector<BYTE> bits_;
};
