// Colour depth: reduction to a palette, increase, grey, negative and the
// one-bit dithers.

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/raster.h"

namespace {

BYTE Clamp255(long v) { return static_cast<BYTE>(std::clamp<long>(v, 0, 255)); }

// One neighbour of an error-diffusion kernel: offset and weight.
struct Tap {
    int dx;
    int dy;
    int weight;
};

struct Kernel {
    std::vector<Tap> taps;
    int divisor;
};

const Kernel& KernelFor(LONG method) {
    static const Kernel floyd{{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16};
    static const Kernel burkes{
        {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}, 32};
    static const Kernel stucki{{{1, 0, 8},
                                {2, 0, 4},
                                {-2, 1, 2},
                                {-1, 1, 4},
                                {0, 1, 8},
                                {1, 1, 4},
                                {2, 1, 2},
                                {-2, 2, 1},
                                {-1, 2, 2},
                                {0, 2, 4},
                                {1, 2, 2},
                                {2, 2, 1}},
                               42};
    static const Kernel jarvis{{{1, 0, 7},
                                {2, 0, 5},
                                {-2, 1, 3},
                                {-1, 1, 5},
                                {0, 1, 7},
                                {1, 1, 5},
                                {2, 1, 3},
                                {-2, 2, 1},
                                {-1, 2, 3},
                                {0, 2, 5},
                                {1, 2, 3},
                                {2, 2, 1}},
                               48};
    static const Kernel sierra{{{1, 0, 5},
                                {2, 0, 3},
                                {-2, 1, 2},
                                {-1, 1, 4},
                                {0, 1, 5},
                                {1, 1, 4},
                                {2, 1, 2},
                                {-1, 2, 2},
                                {0, 2, 3},
                                {1, 2, 2}},
                               32};
    // Stevenson-Arce's hexagonal pattern over the three next rows.
    static const Kernel stevenson{{{2, 0, 32},
                                   {-3, 1, 12},
                                   {-1, 1, 26},
                                   {1, 1, 30},
                                   {3, 1, 16},
                                   {-2, 2, 12},
                                   {0, 2, 26},
                                   {2, 2, 12},
                                   {-3, 3, 5},
                                   {-1, 3, 12},
                                   {1, 3, 12},
                                   {3, 3, 5}},
                                  200};
    switch (method) {
        case 2:
            return burkes;
        case 3:
            return stucki;
        case 4:
            return jarvis;
        case 5:
            return sierra;
        case 6:
            return stevenson;
        default:
            return floyd;
    }
}

// Makes `tmp` (empty) an image of src's size, settings and format code at
// another depth, with copies of src's selection and alpha planes; false when
// any of it cannot be made.
bool NewDepthImage(const CRaster& src, CRaster& tmp, DWORD bpp) {
    tmp.CopyInfo(src);
    if (tmp.Create(static_cast<LONG>(src.GetWidth()), static_cast<LONG>(src.GetHeight()), bpp,
                   src.GetType()) == nullptr)
        return false;
    if (src.SelectionIsValid() && !tmp.SelectionCopy(src)) return false;
    return !src.AlphaIsValid() || tmp.AlphaCopy(src);
}

constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
constexpr int kThreshold4[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

}  // namespace

bool CRaster::DecreaseBpp(DWORD nbit, bool errordiffusion, const RGBQUAD* ppal,
                          DWORD clrimportant) {
    if (pDib == nullptr || nbit > head.biBitCount) return false;
    if (nbit == head.biBitCount) {
        if (clrimportant == 0) return true;
        if (head.biClrImportant != 0 && head.biClrImportant < clrimportant) return true;
    }
    // A borrowing view cannot be replaced, and diffusion would change its
    // owner's pixels on the way.
    if ((nbit != 1 && nbit != 4 && nbit != 8) || pGhost != nullptr) return false;

    CRaster tmp;
    if (!NewDepthImage(*this, tmp, nbit)) return false;
    if (clrimportant != 0) tmp.SetClrImportant(clrimportant);

    switch (nbit) {
        case 1:
            if (ppal != nullptr) {
                tmp.SetPalette(ppal, 2);
            } else {
                tmp.SetPaletteColor(0, 0, 0, 0);
                tmp.SetPaletteColor(1, 255, 255, 255);
            }
            break;
        case 4:
        case 8:
            if (ppal != nullptr)
                tmp.SetPalette(ppal, nbit == 4 ? 16 : 256);
            else
                tmp.SetStdPalette();
            break;
    }

    const LONG width = head.biWidth, height = head.biHeight;
    for (LONG y = 0; y < height; ++y) {
        info.nProgress = static_cast<LONG>(100ll * y / height);
        if (info.nEscape != 0) break;
        for (LONG x = 0; x < width; ++x) {
            if (!errordiffusion) {
                tmp.BlindSetPixelColor(x, y, BlindGetPixelColor(x, y));
                continue;
            }
            const RGBQUAD c = BlindGetPixelColor(x, y);
            tmp.BlindSetPixelColor(x, y, c);
            const RGBQUAD q = tmp.BlindGetPixelColor(x, y);
            const long eb = static_cast<long>(c.rgbBlue) - q.rgbBlue;
            const long eg = static_cast<long>(c.rgbGreen) - q.rgbGreen;
            const long er = static_cast<long>(c.rgbRed) - q.rgbRed;
            const Tap taps[] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
            for (const Tap& t : taps) {
                const LONG nx = x + t.dx, ny = y + t.dy;
                if (!IsInside(nx, ny)) continue;
                RGBQUAD n = BlindGetPixelColor(nx, ny);
                n.rgbBlue = Clamp255(n.rgbBlue + eb * t.weight / 16);
                n.rgbGreen = Clamp255(n.rgbGreen + eg * t.weight / 16);
                n.rgbRed = Clamp255(n.rgbRed + er * t.weight / 16);
                BlindSetPixelColor(nx, ny, n);
            }
        }
    }
    return Transfer(tmp);
}

bool CRaster::IncreaseBpp(DWORD nbit) {
    if (pDib == nullptr) return false;
    if (nbit == head.biBitCount) return true;
    if (nbit < head.biBitCount) return false;
    if (nbit == 4 || nbit == 8) {
        if (head.biClrUsed == 0) return false;
        CRaster tmp;
        if (!NewDepthImage(*this, tmp, nbit)) return false;
        tmp.SetPalette(GetPalette(), head.biClrUsed);
        tmp.head.biClrImportant = head.biClrImportant;
        tmp.SyncHeader();
        for (LONG y = 0; y < head.biHeight; ++y)
            for (LONG x = 0; x < head.biWidth; ++x)
                tmp.BlindSetPixelIndex(x, y, BlindGetPixelIndex(x, y));
        return Transfer(tmp);
    }
    if (nbit != 24) return false;
    CRaster tmp;
    if (!NewDepthImage(*this, tmp, 24)) return false;
    if (info.nBkgndIndex >= 0)
        tmp.SetTransColor(GetPaletteColor(static_cast<BYTE>(info.nBkgndIndex)));
    if (pAlpha == nullptr && AlphaPaletteIsEnabled() && AlphaPaletteIsValid()) tmp.AlphaCreate();
    const bool withAlpha = tmp.pAlpha != nullptr;
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x) {
            RGBQUAD c = BlindGetPixelColor(x, y, true);
            if (withAlpha && pAlpha == nullptr)
                c.rgbReserved = GetPaletteColor(BlindGetPixelIndex(x, y)).rgbReserved;
            tmp.BlindSetPixelColor(x, y, c, withAlpha);
        }
    return Transfer(tmp);
}

bool CRaster::GrayScale() {
    if (pDib == nullptr) return false;
    if (head.biBitCount == 24) {
        CRaster tmp;
        if (!NewDepthImage(*this, tmp, 8)) return false;
        tmp.SetGrayPalette();
        for (LONG y = 0; y < head.biHeight; ++y) {
            const BYTE* s = GetBits(y);
            BYTE* d = tmp.GetBits(y);
            for (LONG x = 0; x < head.biWidth; ++x, s += 3)
                d[x] = GrayOf(RGBQUAD{s[0], s[1], s[2], 0});
        }
        return Transfer(tmp);
    }
    // Indexed: every entry becomes its grey level.
    BYTE grey[256] = {};
    RGBQUAD* pal = GetPalette();
    for (DWORD i = 0; i < head.biClrUsed; ++i) grey[i] = GrayOf(pal[i]);
    // The transparent entry's grey level, set once the result stands.
    const LONG trans =
        info.nBkgndIndex >= 0 && static_cast<DWORD>(info.nBkgndIndex) < head.biClrUsed
            ? grey[info.nBkgndIndex]
            : info.nBkgndIndex;
    if (head.biBitCount == 8) {
        for (LONG y = 0; y < head.biHeight; ++y) {
            BYTE* row = GetBits(y);
            for (LONG x = 0; x < head.biWidth; ++x) row[x] = grey[row[x]];
        }
        SetGrayPalette();
        info.nBkgndIndex = trans;
        return true;
    }
    CRaster tmp;
    if (!NewDepthImage(*this, tmp, 8)) return false;
    tmp.SetGrayPalette();
    tmp.info.nBkgndIndex = trans;
    for (LONG y = 0; y < head.biHeight; ++y) {
        BYTE* d = tmp.GetBits(y);
        for (LONG x = 0; x < head.biWidth; ++x) d[x] = grey[BlindGetPixelIndex(x, y)];
    }
    return Transfer(tmp);
}

bool CRaster::Negative() {
    if (pDib == nullptr) return false;
    if (head.biBitCount == 24) {
        for (LONG y = 0; y < head.biHeight; ++y) {
            BYTE* row = GetBits(y);
            for (LONG x = 0; x < head.biWidth; ++x) {
                if (pSelection != nullptr && !SelectionIsInside(x, y)) continue;
                for (int k = 0; k < 3; ++k) row[3 * x + k] = static_cast<BYTE>(~row[3 * x + k]);
            }
        }
        info.nBkgndColor.rgbBlue = static_cast<BYTE>(~info.nBkgndColor.rgbBlue);
        info.nBkgndColor.rgbGreen = static_cast<BYTE>(~info.nBkgndColor.rgbGreen);
        info.nBkgndColor.rgbRed = static_cast<BYTE>(~info.nBkgndColor.rgbRed);
        return true;
    }
    if (!IsGrayScale()) {
        RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; i < head.biClrUsed; ++i) {
            pal[i].rgbBlue = static_cast<BYTE>(~pal[i].rgbBlue);
            pal[i].rgbGreen = static_cast<BYTE>(~pal[i].rgbGreen);
            pal[i].rgbRed = static_cast<BYTE>(~pal[i].rgbRed);
        }
        info.last_c_isvalid = false;
        return true;
    }
    const BYTE mask = static_cast<BYTE>(head.biClrUsed - 1);
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x) {
            if (pSelection != nullptr && !SelectionIsInside(x, y)) continue;
            BlindSetPixelIndex(x, y, static_cast<BYTE>(~BlindGetPixelIndex(x, y) & mask));
        }
    return true;
}

bool CRaster::Dither(LONG method) {
    if (pDib == nullptr || pGhost != nullptr) return false;
    // The grey levels, and the errors spread over them, in a copy: this
    // image changes only when the result stands.
    CRaster levels(*this, true, false, false);
    if (!levels.IsValid() || !levels.GrayScale()) return false;
    CRaster tmp;
    if (!NewDepthImage(*this, tmp, 1)) return false;
    tmp.SetPaletteColor(0, 0, 0, 0);
    tmp.SetPaletteColor(1, 255, 255, 255);
    tmp.info.nBkgndIndex = levels.info.nBkgndIndex;

    const LONG width = head.biWidth, height = head.biHeight;
    for (LONG y = 0; y < height; ++y) {
        info.nProgress = static_cast<LONG>(100ll * y / height);
        if (info.nEscape != 0) break;
        BYTE* row = levels.GetBits(y);
        for (LONG x = 0; x < width; ++x) {
            const int grey = row[x];
            if (method == 1) {
                const int level = grey * 16 / 255;
                tmp.BlindSetPixelIndex(x, y, level == 16 || kBayer4[y & 3][x & 3] < level);
                continue;
            }
            if (method == 7) {
                tmp.BlindSetPixelIndex(x, y, kThreshold4[y & 3][x & 3] < grey);
                continue;
            }
            const bool white = grey >= 129;
            tmp.BlindSetPixelIndex(x, y, white);
            const long error = white ? grey - 255 : grey;
            const Kernel& kernel = KernelFor(method);
            for (const Tap& t : kernel.taps) {
                const LONG nx = x + t.dx, ny = y + t.dy;
                if (!IsInside(nx, ny)) continue;
                BYTE& n = levels.GetBits(ny)[nx];
                n = Clamp255(n + error * t.weight / kernel.divisor);
            }
        }
    }
    return Transfer(tmp);
}
