// Single pixel values and palette entries.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/raster.h"

namespace {

// Entries as 0xRRGGBB.
constexpr DWORD kStdPalette16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr DWORD kStdPalette256[256] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0,
    0xA6CAF0, 0xFFF0D4, 0xFFE2B1, 0xFFD48E, 0xFFC66B, 0xFFB848, 0xFFAA25, 0xFFAA00, 0xDC9200,
    0xB97A00, 0x966200, 0x734A00, 0x503200, 0xFFE3D4, 0xFFC7B1, 0xFFAB8E, 0xFF8F6B, 0xFF7348,
    0xFF5725, 0xFF5500, 0xDC4900, 0xB93D00, 0x963100, 0x732500, 0x501900, 0xFFD4D4, 0xFFB1B1,
    0xFF8E8E, 0xFF6B6B, 0xFF4848, 0xFF2525, 0xFE0000, 0xDC0000, 0xB90000, 0x960000, 0x730000,
    0x500000, 0xFFD4E3, 0xFFB1C7, 0xFF8EAB, 0xFF6B8F, 0xFF4873, 0xFF2557, 0xFF0055, 0xDC0049,
    0xB9003D, 0x960031, 0x730025, 0x500019, 0xFFD4F0, 0xFFB1E2, 0xFF8ED4, 0xFF6BC6, 0xFF48B8,
    0xFF25AA, 0xFF00AA, 0xDC0092, 0xB9007A, 0x960062, 0x73004A, 0x500032, 0xFFD4FF, 0xFFB1FF,
    0xFF8EFF, 0xFF6BFF, 0xFF48FF, 0xFF25FF, 0xFE00FE, 0xDC00DC, 0xB900B9, 0x960096, 0x730073,
    0x500050, 0xF0D4FF, 0xE2B1FF, 0xD48EFF, 0xC66BFF, 0xB848FF, 0xAA25FF, 0xAA00FF, 0x9200DC,
    0x7A00B9, 0x620096, 0x4A0073, 0x320050, 0xE3D4FF, 0xC7B1FF, 0xAB8EFF, 0x8F6BFF, 0x7348FF,
    0x5725FF, 0x5500FF, 0x4900DC, 0x3D00B9, 0x310096, 0x250073, 0x190050, 0xD4D4FF, 0xB1B1FF,
    0x8E8EFF, 0x6B6BFF, 0x4848FF, 0x2525FF, 0x0000FE, 0x0000DC, 0x0000B9, 0x000096, 0x000073,
    0x000050, 0xD4E3FF, 0xB1C7FF, 0x8EABFF, 0x6B8FFF, 0x4873FF, 0x2557FF, 0x0055FF, 0x0049DC,
    0x003DB9, 0x003196, 0x002573, 0x001950, 0xD4F0FF, 0xB1E2FF, 0x8ED4FF, 0x6BC6FF, 0x48B8FF,
    0x25AAFF, 0x00AAFF, 0x0092DC, 0x007AB9, 0x006296, 0x004A73, 0x003250, 0xD4FFFF, 0xB1FFFF,
    0x8EFFFF, 0x6BFFFF, 0x48FFFF, 0x25FFFF, 0x00FEFE, 0x00DCDC, 0x00B9B9, 0x009696, 0x007373,
    0x005050, 0xD4FFF0, 0xB1FFE2, 0x8EFFD4, 0x6BFFC6, 0x48FFB8, 0x25FFAA, 0x00FFAA, 0x00DC92,
    0x00B97A, 0x009662, 0x00734A, 0x005032, 0xD4FFE3, 0xB1FFC7, 0x8EFFAB, 0x6BFF8F, 0x48FF73,
    0x25FF57, 0x00FF55, 0x00DC49, 0x00B93D, 0x009631, 0x007325, 0x005019, 0xD4FFD4, 0xB1FFB1,
    0x8EFF8E, 0x6BFF6B, 0x48FF48, 0x25FF25, 0x00FE00, 0x00DC00, 0x00B900, 0x009600, 0x007300,
    0x005000, 0xE3FFD4, 0xC7FFB1, 0xABFF8E, 0x8FFF6B, 0x73FF48, 0x57FF25, 0x55FF00, 0x49DC00,
    0x3DB900, 0x319600, 0x257300, 0x195000, 0xF0FFD4, 0xE2FFB1, 0xD4FF8E, 0xC6FF6B, 0xB8FF48,
    0xAAFF25, 0xAAFF00, 0x92DC00, 0x7AB900, 0x629600, 0x4A7300, 0x325000, 0xFFFFD4, 0xFFFFB1,
    0xFFFF8E, 0xFFFF6B, 0xFFFF48, 0xFFFF25, 0xFEFE00, 0xDCDC00, 0xB9B900, 0x969600, 0x737300,
    0x505000, 0xF2F2F2, 0xE6E6E6, 0xDADADA, 0xCECECE, 0xC2C2C2, 0xB6B6B6, 0xAAAAAA, 0x9E9E9E,
    0x929292, 0x868686, 0x7A7A7A, 0x6E6E6E, 0x626262, 0x565656, 0x4A4A4A, 0x3E3E3E, 0x323232,
    0x262626, 0x1A1A1A, 0x0E0E0E, 0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

RGBQUAD QuadOfRgb(DWORD rrggbb) {
    return RGBQUAD{static_cast<BYTE>(rrggbb & 0xFF), static_cast<BYTE>((rrggbb >> 8) & 0xFF),
                   static_cast<BYTE>((rrggbb >> 16) & 0xFF), 0};
}

}  // namespace

// ---- Pixel values ---------------------------------------------------------------------

BYTE CRaster::BlindGetPixelIndex(LONG x, LONG y) const {
    const BYTE* row = pImage + static_cast<std::size_t>(y) * info.dwEffWidth;
    switch (head.biBitCount) {
        case 8:
            return row[x];
        case 4:
            return static_cast<BYTE>((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        case 1:
            return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 0x01);
        default:
            return 0;
    }
}

BYTE CRaster::GetPixelIndex(LONG x, LONG y) const {
    if (pDib == nullptr || head.biClrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (info.nBkgndIndex >= 0) return static_cast<BYTE>(info.nBkgndIndex);
        return *pImage;
    }
    return BlindGetPixelIndex(x, y);
}

RGBQUAD CRaster::BlindGetPixelColor(LONG x, LONG y, bool bGetAlpha) const {
    RGBQUAD c;
    if (head.biClrUsed != 0) {
        c = GetPaletteColor(BlindGetPixelIndex(x, y));
    } else {
        const BYTE* p = pImage + static_cast<std::size_t>(y) * info.dwEffWidth + x * 3;
        c.rgbBlue = p[0];
        c.rgbGreen = p[1];
        c.rgbRed = p[2];
        c.rgbReserved = info.nBkgndColor.rgbReserved;
    }
    if (bGetAlpha && pAlpha != nullptr) c.rgbReserved = BlindAlphaGet(x, y);
    return c;
}

RGBQUAD CRaster::GetPixelColor(LONG x, LONG y, bool bGetAlpha) const {
    if (pDib == nullptr) return RGBQUAD{};
    if (!IsInside(x, y)) {
        if (info.nBkgndIndex < 0) return BlindGetPixelColor(0, 0, bGetAlpha);
        if (head.biBitCount < 24) return GetPaletteColor(static_cast<BYTE>(info.nBkgndIndex));
        return info.nBkgndColor;
    }
    return BlindGetPixelColor(x, y, bGetAlpha);
}

BYTE CRaster::GetPixelGray(LONG x, LONG y) const { return GrayOf(GetPixelColor(x, y)); }

void CRaster::BlindSetPixelIndex(LONG x, LONG y, BYTE i) {
    BYTE* row = pImage + static_cast<std::size_t>(y) * info.dwEffWidth;
    switch (head.biBitCount) {
        case 8:
            row[x] = i;
            break;
        case 4: {
            // Only the pixel's own nibble: an index above 15 is cut to it.
            const int shift = (x & 1) ? 0 : 4;
            BYTE& b = row[x >> 1];
            b = static_cast<BYTE>((b & ~(0x0F << shift)) | ((i & 0x0F) << shift));
            break;
        }
        case 1: {
            const int shift = 7 - (x & 7);
            BYTE& b = row[x >> 3];
            b = static_cast<BYTE>((b & ~(1 << shift)) | ((i & 1) << shift));
            break;
        }
        default:
            break;
    }
}

void CRaster::SetPixelIndex(LONG x, LONG y, BYTE i) {
    if (pDib == nullptr || head.biClrUsed == 0 || !IsInside(x, y)) return;
    BlindSetPixelIndex(x, y, i);
}

void CRaster::BlindSetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha) {
    if (head.biClrUsed != 0) {
        BlindSetPixelIndex(x, y, GetNearestIndex(c));
    } else {
        BYTE* p = pImage + static_cast<std::size_t>(y) * info.dwEffWidth + x * 3;
        p[0] = c.rgbBlue;
        p[1] = c.rgbGreen;
        p[2] = c.rgbRed;
    }
    if (bSetAlpha && pAlpha != nullptr) pAlpha[x + y * head.biWidth] = c.rgbReserved;
}

void CRaster::SetPixelColor(LONG x, LONG y, RGBQUAD c, bool bSetAlpha) {
    if (pDib == nullptr || !IsInside(x, y)) return;
    BlindSetPixelColor(x, y, c, bSetAlpha);
}

void CRaster::SetPixelColor(LONG x, LONG y, COLORREF cr) {
    SetPixelColor(x, y, RGBtoRGBQUAD(cr), false);
}

void CRaster::BlendPixelColor(LONG x, LONG y, RGBQUAD c, float blend, bool bSetAlpha) {
    if (pDib == nullptr || !IsInside(x, y)) return;
    const int a = static_cast<int>(std::clamp(blend, 0.0f, 1.0f) * 256);
    const int a1 = 256 - a;
    RGBQUAD old = BlindGetPixelColor(x, y);
    old.rgbBlue = static_cast<BYTE>((old.rgbBlue * a1 + c.rgbBlue * a) >> 8);
    old.rgbGreen = static_cast<BYTE>((old.rgbGreen * a1 + c.rgbGreen * a) >> 8);
    old.rgbRed = static_cast<BYTE>((old.rgbRed * a1 + c.rgbRed * a) >> 8);
    old.rgbReserved = static_cast<BYTE>((old.rgbReserved * a1 + c.rgbReserved * a) >> 8);
    BlindSetPixelColor(x, y, old, bSetAlpha);
}

BYTE* CRaster::BlindGetPixelPointer(LONG x, LONG y) const {
    if (pDib == nullptr || head.biClrUsed != 0 || !IsInside(x, y)) return nullptr;
    return pImage + static_cast<std::size_t>(y) * info.dwEffWidth + x * 3;
}

void CRaster::DrawLine(LONG StartX, LONG EndX, LONG StartY, LONG EndY, RGBQUAD color,
                       bool bSetAlpha) {
    if (pDib == nullptr) return;
    // Integer line: one pixel per step along the longer axis, the other
    // coordinate rounded. Only the steps that land inside the image are
    // walked, so far-away ends cost nothing.
    const bool xMajor = std::llabs(static_cast<long long>(EndX) - StartX) >=
                        std::llabs(static_cast<long long>(EndY) - StartY);
    const long long a0 = xMajor ? StartX : StartY, a1 = xMajor ? EndX : EndY;
    const long long b0 = xMajor ? StartY : StartX, b1 = xMajor ? EndY : EndX;
    const long long limit = xMajor ? head.biWidth : head.biHeight;
    const long long steps = std::llabs(a1 - a0);
    const long long da = a1 >= a0 ? 1 : -1;
    const long long db = std::llabs(b1 - b0), sb = b1 >= b0 ? 1 : -1;
    // Steps k with 0 <= a0 + da k < limit.
    long long kmin = da > 0 ? -a0 : a0 - (limit - 1);
    long long kmax = da > 0 ? limit - 1 - a0 : a0;
    kmin = std::max(kmin, 0LL);
    kmax = std::min(kmax, steps);
    for (long long k = kmin; k <= kmax; ++k) {
        const long long a = a0 + da * k;
        const long long off =
            steps == 0 ? 0
                       : static_cast<long long>((static_cast<__int128>(2) * k * db + steps) /
                                                (static_cast<__int128>(2) * steps));
        const long long b = b0 + sb * off;
        const long long x = xMajor ? a : b, y = xMajor ? b : a;
        if (x >= 0 && y >= 0 && x < head.biWidth && y < head.biHeight)
            BlindSetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y), color, bSetAlpha);
    }
}

void CRaster::DrawLine(LONG StartX, LONG EndX, LONG StartY, LONG EndY, COLORREF cr) {
    DrawLine(StartX, EndX, StartY, EndY, RGBtoRGBQUAD(cr), false);
}

void CRaster::RGBtoBGR(BYTE* buffer, LONG length) const {
    if (buffer == nullptr || head.biClrUsed != 0 || length <= 0) return;
    const LONG n = std::min<LONG>(length, static_cast<LONG>(info.dwEffWidth));
    for (LONG i = 0; i + 2 < n; i += 3) std::swap(buffer[i], buffer[i + 2]);
}

RGBQUAD CRaster::RGBtoRGBQUAD(COLORREF cr) {
    return RGBQUAD{GetBValue(cr), GetGValue(cr), GetRValue(cr), 0};
}

COLORREF CRaster::RGBQUADtoRGB(RGBQUAD c) { return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue); }

bool CRaster::IsTransparent(LONG x, LONG y) const {
    if (pDib == nullptr) return false;
    if (pAlpha != nullptr && AlphaGet(x, y) == 0) return true;
    if (info.nBkgndIndex < 0) return false;
    if (head.biClrUsed != 0) return GetPixelIndex(x, y) == info.nBkgndIndex;
    return SameColor(GetPixelColor(x, y, false), info.nBkgndColor);
}

// ---- Palette ---------------------------------------------------------------------------

RGBQUAD* CRaster::GetPalette() const {
    if (pDib == nullptr || head.biClrUsed == 0) return nullptr;
    return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(pDib) + head.biSize);
}

RGBQUAD CRaster::GetPaletteColor(BYTE idx) const {
    const RGBQUAD* pal = GetPalette();
    if (pal == nullptr || idx >= head.biClrUsed) return RGBQUAD{};
    return pal[idx];
}

bool CRaster::GetPaletteColor(BYTE idx, BYTE* r, BYTE* g, BYTE* b) const {
    const RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return false;
    const RGBQUAD c = GetPaletteColor(idx);
    if (r != nullptr) *r = c.rgbRed;
    if (g != nullptr) *g = c.rgbGreen;
    if (b != nullptr) *b = c.rgbBlue;
    return true;
}

void CRaster::SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha) {
    SetPaletteColor(idx, RGBQUAD{b, g, r, alpha});
}

void CRaster::SetPaletteColor(BYTE idx, RGBQUAD c) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || idx >= head.biClrUsed) return;
    pal[idx] = c;
    info.last_c_isvalid = false;
}

void CRaster::SetPaletteColor(BYTE idx, COLORREF cr) { SetPaletteColor(idx, RGBtoRGBQUAD(cr)); }

void CRaster::SetPalette(const RGBQUAD* pPal, DWORD nColors) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || pPal == nullptr) return;
    std::memcpy(pal, pPal, std::min(nColors, head.biClrUsed) * sizeof(RGBQUAD));
    info.last_c_isvalid = false;
}

void CRaster::SetPalette(DWORD n, const BYTE* r, const BYTE* g, const BYTE* b) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || r == nullptr) return;
    if (g == nullptr) g = r;
    if (b == nullptr) b = g;
    n = std::min(n, head.biClrUsed);
    for (DWORD i = 0; i < n; ++i) pal[i] = RGBQUAD{b[i], g[i], r[i], 0};
    info.last_c_isvalid = false;
}

void CRaster::SetPalette(const rgb_color* rgb, DWORD nColors) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || rgb == nullptr) return;
    nColors = std::min(nColors, head.biClrUsed);
    for (DWORD i = 0; i < nColors; ++i) pal[i] = RGBQUAD{rgb[i].b, rgb[i].g, rgb[i].r, 0};
    info.last_c_isvalid = false;
}

void CRaster::SetGrayPalette() {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || head.biClrUsed < 2) return;
    const DWORD step = 255 / (head.biClrUsed - 1);
    for (DWORD i = 0; i < head.biClrUsed; ++i) {
        const BYTE v = static_cast<BYTE>(i * step);
        pal[i] = RGBQUAD{v, v, v, 0};
    }
    info.last_c_isvalid = false;
}

void CRaster::SetStdPalette() {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return;
    if (head.biBitCount == 4)
        for (int i = 0; i < 16; ++i) pal[i] = QuadOfRgb(kStdPalette16[i]);
    else if (head.biBitCount == 8)
        for (int i = 0; i < 256; ++i) pal[i] = QuadOfRgb(kStdPalette256[i]);
    else
        return;
    info.last_c_isvalid = false;
}

void CRaster::BlendPalette(COLORREF cr, LONG perc) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return;
    perc = std::clamp<LONG>(perc, 0, 100);
    const LONG r = GetRValue(cr), g = GetGValue(cr), b = GetBValue(cr);
    for (DWORD i = 0; i < head.biClrUsed; ++i) {
        pal[i].rgbBlue = static_cast<BYTE>((b * perc + pal[i].rgbBlue * (100 - perc)) / 100);
        pal[i].rgbGreen = static_cast<BYTE>((g * perc + pal[i].rgbGreen * (100 - perc)) / 100);
        pal[i].rgbRed = static_cast<BYTE>((r * perc + pal[i].rgbRed * (100 - perc)) / 100);
    }
    info.last_c_isvalid = false;
}

bool CRaster::IsGrayScale() const {
    const RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return false;
    for (DWORD i = 0; i < head.biClrUsed; ++i)
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i) return false;
    return true;
}

bool CRaster::IsSamePalette(const CRaster& img, bool bCheckAlpha) const {
    const RGBQUAD* a = GetPalette();
    const RGBQUAD* b = img.GetPalette();
    if (a == nullptr || b == nullptr || head.biClrUsed != img.head.biClrUsed) return false;
    for (DWORD i = 0; i < head.biClrUsed; ++i) {
        if (!SameColor(a[i], b[i])) return false;
        if (bCheckAlpha && a[i].rgbReserved != b[i].rgbReserved) return false;
    }
    return true;
}

void CRaster::SwapIndex(BYTE idx1, BYTE idx2) {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr || idx1 >= head.biClrUsed || idx2 >= head.biClrUsed) return;
    std::swap(pal[idx1], pal[idx2]);
    info.last_c_isvalid = false;
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x) {
            const BYTE i = BlindGetPixelIndex(x, y);
            if (i == idx1)
                BlindSetPixelIndex(x, y, idx2);
            else if (i == idx2)
                BlindSetPixelIndex(x, y, idx1);
        }
}

BYTE CRaster::GetNearestIndex(RGBQUAD c) {
    const RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return 0;
    if (info.last_c_isvalid && std::memcmp(&info.last_c, &c, sizeof(c)) == 0)
        return info.last_c_index;
    info.last_c = c;
    info.last_c_isvalid = true;
    const DWORD n =
        head.biClrImportant != 0 ? std::min(head.biClrImportant, head.biClrUsed) : head.biClrUsed;
    long best = 200000;
    BYTE index = 0;
    for (DWORD i = 0; i < n; ++i) {
        const long db = static_cast<long>(pal[i].rgbBlue) - c.rgbBlue;
        const long dg = static_cast<long>(pal[i].rgbGreen) - c.rgbGreen;
        const long dr = static_cast<long>(pal[i].rgbRed) - c.rgbRed;
        const long d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            index = static_cast<BYTE>(i);
            break;
        }
        if (d < best) {
            best = d;
            index = static_cast<BYTE>(i);
        }
    }
    info.last_c_index = index;
    return index;
}

void CRaster::SetClrImportant(DWORD ncolors) {
    if (ncolors == 0 || ncolors > 256) {
        head.biClrImportant = 0;
    } else {
        switch (head.biBitCount) {
            case 1:
                head.biClrImportant = std::min<DWORD>(ncolors, 2);
                break;
            case 4:
                head.biClrImportant = std::min<DWORD>(ncolors, 16);
                break;
            case 8:
                head.biClrImportant = ncolors;
                break;
            default:
                return;  // 24 bits keep their value
        }
    }
    // The cached index may lie outside the new range.
    info.last_c_isvalid = false;
    SyncHeader();
}
