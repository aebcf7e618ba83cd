#include "foundation/fxdib.h"

#include <algorithm>
#include <limits>

bool CFxDib::Create(int width, int height, int bitCount) {
    Destroy();
    if (width <= 0 || height <= 0) return false;
    int paletteSize = 0;
    switch (bitCount) {
        case 1:
            paletteSize = 2;
            break;
        case 4:
            paletteSize = 16;
            break;
        case 8:
            paletteSize = 256;
            break;
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    // Refuse sizes whose rows or whole picture would not fit the counts.
    const long long rowBits = static_cast<long long>(width) * bitCount;
    const long long stride = (rowBits + 31) / 32 * 4;
    if (stride > std::numeric_limits<int>::max()) return false;
    const long long total = stride * height;
    if (total > std::numeric_limits<int>::max()) return false;
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    stride_ = static_cast<int>(stride);
    palette_.assign(static_cast<std::size_t>(paletteSize), RGBQUAD{});
    bits_.assign(static_cast<std::size_t>(total), 0);
    return true;
}

void CFxDib::Destroy() {
    width_ = height_ = bitCount_ = stride_ = 0;
    palette_.clear();
    bits_.clear();
}

void CFxDib::SetPaletteEntry(int index, BYTE r, BYTE g, BYTE b) {
    if (index < 0 || index >= GetPaletteSize()) return;
    palette_[static_cast<std::size_t>(index)] = RGBQUAD{b, g, r, 0};
}

COLORREF CFxDib::GetPaletteEntry(int index) const {
    if (index < 0 || index >= GetPaletteSize()) return RGB(0, 0, 0);
    const RGBQUAD& q = palette_[static_cast<std::size_t>(index)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void CFxDib::BlendPalette(COLORREF colour, int percent) {
    const int p = std::clamp(percent, 0, 100);
    auto mix = [p](int towards, int entry) {
        return static_cast<BYTE>((towards * p + entry * (100 - p)) / 100);
    };
    for (RGBQUAD& q : palette_) {
        q.rgbRed = mix(GetRValue(colour), q.rgbRed);
        q.rgbGreen = mix(GetGValue(colour), q.rgbGreen);
        q.rgbBlue = mix(GetBValue(colour), q.rgbBlue);
    }
}

void CFxDib::Copy(const CFxDib& source) {
    if (&source == this) return;
    width_ = source.width_;
    height_ = source.height_;
    bitCount_ = source.bitCount_;
    stride_ = source.stride_;
    palette_ = source.palette_;
    bits_ = source.bits_;
}

std::size_t CFxDib::Offset(int x, int y) const {
    // Rows are stored bottom-up.
    const std::size_t row = static_cast<std::size_t>(height_ - 1 - y);
    return row * static_cast<std::size_t>(stride_) +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(bitCount_) / 8;
}

void CFxDib::SetPixel(int x, int y, DWORD value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    BYTE* p = bits_.data() + Offset(x, y);
    switch (bitCount_) {
        case 1: {
            const int shift = 7 - x % 8;
            *p = static_cast<BYTE>((*p & ~(1 << shift)) | ((value & 1) << shift));
            break;
        }
        case 4: {
            const int shift = x % 2 == 0 ? 4 : 0;
            *p = static_cast<BYTE>((*p & ~(0x0F << shift)) | ((value & 0x0F) << shift));
            break;
        }
        case 8:
            *p = static_cast<BYTE>(value);
            break;
        default:
            p[0] = GetBValue(value);
            p[1] = GetGValue(value);
            p[2] = GetRValue(value);
            if (bitCount_ == 32) p[3] = 0;
            break;
    }
}

DWORD CFxDib::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const BYTE* p = bits_.data() + Offset(x, y);
    switch (bitCount_) {
        case 1:
            return (*p >> (7 - x % 8)) & 1;
        case 4:
            return (*p >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
        case 8:
            return *p;
        default:
            return RGB(p[2], p[1], p[0]);
    }
}

void CFxDib::Fill(DWORD value) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) SetPixel(x, y, value);
}

QImage CFxDib::ToImage() const {
    if (!IsValid()) return {};
    QImage image(width_, height_, QImage::Format_RGB32);
    if (image.isNull()) return {};
    const bool paletted = bitCount_ <= 8;
    for (int y = 0; y < height_; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width_; ++x) {
            const DWORD v = GetPixel(x, y);
            row[x] = ToQRgb(paletted ? GetPaletteEntry(static_cast<int>(v)) : v);
        }
    }
    return image;
}

void CFxDib::Draw(CDC& dc, int x, int y) const {
    if (IsValid()) dc.DrawImage(x, y, ToImage());
}
