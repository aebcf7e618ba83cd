// The metafile player's bitmaps: device-independent bitmaps stretched onto
// the surface with a raster operation, and pattern fills.

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/rasterwmfplayer.h"
#include "image/codecs/rasterwmfrecord.h"

using namespace metafile;

void CMetafilePlayer::DrawDib(const BYTE* bmi, std::size_t bmiSize, const BYTE* bits,
                              std::size_t bitsSize, unsigned usage, double x, double y, double w,
                              double h, LONG sx, LONG sy, LONG sw, LONG sh, DWORD rop,
                              bool bottomUpOrigin, int blend) {
    if (inPath_ || bmiSize < 12) return;
    const DWORD headerSize = GetLE32(bmi);
    if (headerSize < 12 || headerSize > bmiSize) return;
    const bool core = headerSize < 40;
    const DWORD bpp = core ? GetLE16(bmi + 10) : GetLE16(bmi + 14);
    const LONG dibHeight =
        core ? static_cast<std::int16_t>(GetLE16(bmi + 6)) : static_cast<LONG>(GetLE32(bmi + 8));
    std::vector<BYTE> block;
    if (usage == DIB_PAL_COLORS && bpp <= 8) {
        // The colour table holds indexes into the selected palette.
        const DWORD used = core ? 0 : GetLE32(bmi + 32);
        const std::size_t colors = used != 0 ? std::min<DWORD>(used, 256) : (1u << bpp);
        if (headerSize + 2 * colors > bmiSize) return;
        block.assign(bmi, bmi + headerSize);
        for (std::size_t i = 0; i < colors; ++i) {
            const std::size_t index = GetLE16(bmi + headerSize + 2 * i);
            const COLORREF c = index < state_.palette.size() ? state_.palette[index] : 0;
            const BYTE quad[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
            block.insert(block.end(), quad, quad + (core ? 3 : 4));
        }
    } else {
        block.assign(bmi, bmi + bmiSize);
    }
    block.insert(block.end(), bits, bits + bitsSize);
    CRaster dib;
    if (!dib.CreateFromHANDLE(block)) return;
    QImage image = dib.MakeBitmap().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return;
    // A blend takes the alpha of 32-bit pixel values as they stand in the bits.
    if (blend == 2 && !core && bpp == 32 && GetLE32(bmi + 16) == 0) {
        const std::size_t width = static_cast<std::size_t>(image.width());
        const std::size_t height = static_cast<std::size_t>(image.height());
        if (bitsSize / 4 / width >= height) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (std::size_t y = 0; y < height; ++y) {
                const std::size_t row = dibHeight > 0 ? height - 1 - y : y;
                QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
                for (std::size_t x = 0; x < width; ++x)
                    line[x] = (line[x] & 0xFFFFFF) |
                              (static_cast<QRgb>(bits[(row * width + x) * 4 + 3]) << 24);
            }
        }
    }
    bool flipX = false, flipY = false;
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        flipX = true;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        flipY = true;
    }
    // Source rows of a bottom-up bitmap count from its last row.
    std::int64_t top = sy;
    if (bottomUpOrigin && dibHeight > 0) top = std::int64_t{image.height()} - sy - sh;
    const CPoint a = Pixel(Dev(x, y)), b = Pixel(Dev(x + w, y + h));
    std::int64_t left = a.x, dw = std::int64_t{b.x} - a.x, up = a.y, dh = std::int64_t{b.y} - a.y;
    if (dw < 0) {
        left = b.x;
        dw = -dw;
        flipX = !flipX;
    }
    if (dh < 0) {
        up = b.y;
        dh = -dh;
        flipY = !flipY;
    }
    std::int64_t left0 = sx;
    if (flipX) left0 = std::int64_t{image.width()} - sx - sw;
    if (flipY) top = std::int64_t{image.height()} - top - sh;
    if (flipX || flipY) image = image.mirrored(flipX, flipY);
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || std::abs(left0) > kReach ||
        std::abs(top) > kReach)
        return;
    Sync();
    if (blend == 0) {
        dc_.StretchBlt(static_cast<int>(left), static_cast<int>(up), static_cast<int>(dw),
                       static_cast<int>(dh), image, static_cast<int>(left0), static_cast<int>(top),
                       static_cast<int>(sw), static_cast<int>(sh), rop);
        return;
    }
    // A transparent colour (1) or a blend (2), pixel by pixel where it shows.
    CRect clip;
    if (dc_.GetClipBox(clip) == NULLREGION) return;
    const std::int64_t x0 = std::max<std::int64_t>(clip.left, left);
    const std::int64_t x1 = std::min<std::int64_t>(clip.right, left + dw);
    const std::int64_t y0 = std::max<std::int64_t>(clip.top, up);
    const std::int64_t y1 = std::min<std::int64_t>(clip.bottom, up + dh);
    const QRgb key = ToQRgb(Resolve(rop)) & 0xFFFFFF;
    const unsigned constant = (rop >> 16) & 0xFF;
    QImage& surface = dc_.Image();
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t row = top + (y - up) * sh / dh;
        if (row < 0 || row >= image.height()) continue;
        const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(row)));
        QRgb* dst = reinterpret_cast<QRgb*>(surface.scanLine(static_cast<int>(y)));
        for (std::int64_t x = x0; x < x1; ++x) {
            const std::int64_t col = left0 + (x - left) * sw / dw;
            if (col < 0 || col >= image.width()) continue;
            const QRgb s = src[col];
            QRgb& d = dst[x];
            if (blend == 1) {
                if ((s & 0xFFFFFF) != key) d = s | 0xFF000000u;
                continue;
            }
            // Source colours carry their alpha already when they have one.
            const unsigned a = image.hasAlphaChannel() ? qAlpha(s) : 255;
            const unsigned sa = a * constant / 255;
            auto mix = [&](unsigned sc, unsigned dc) {
                return std::min(255u, sc * constant / 255 + dc * (255 - sa) / 255);
            };
            d = qRgb(static_cast<int>(mix(qRed(s), qRed(d))),
                     static_cast<int>(mix(qGreen(s), qGreen(d))),
                     static_cast<int>(mix(qBlue(s), qBlue(d))));
        }
    }
}

void CMetafilePlayer::PatBlt(double x, double y, double w, double h, DWORD rop) {
    if (inPath_) return;
    Sync();
    if (state_.brush.style == BS_NULL && rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT)
        return;
    CRect d = DevRect(x, y, x + w, y + h);
    static const QImage black = [] {
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(0xFF000000u);
        return one;
    }();
    dc_.StretchBlt(d.left, d.top, d.Width(), d.Height(), black, 0, 0, 1, 1, rop);
}

// A bitmap given by offsets within the record, both parts checked.
bool CMetafilePlayer::EmfBitmap(const Params& p, std::size_t at, const BYTE*& bmi,
                                std::size_t& bmiSize, const BYTE*& bits,
                                std::size_t& bitsSize) const {
    const DWORD offBmi = p.U32(at), cbBmi = p.U32(at + 4);
    const DWORD offBits = p.U32(at + 8), cbBits = p.U32(at + 12);
    p.Need(offBmi, cbBmi);
    p.Need(offBits, cbBits);
    bmi = p.p + offBmi;
    bmiSize = cbBmi;
    bits = p.p + offBits;
    bitsSize = cbBits;
    return cbBmi != 0;
}

bool CMetafilePlayer::WmfBitmaps(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    auto dib = [&](std::size_t off, unsigned usage, double x, double y, double w, double h, LONG sx,
                   LONG sy, LONG sw, LONG sh, DWORD rop) {
        p.Need(off, 12);
        DrawDib(data + off, n - off, nullptr, 0, usage, x, y, w, h, sx, sy, sw, sh, rop, true);
    };
    switch (function) {
        case 0x061D:  // PatBlt
            PatBlt(p.S16(8), p.S16(6), p.S16(4), p.S16(2), p.U32(0));
            break;
        case 0x0940: {  // DIBBitBlt
            const DWORD rop = p.U32(0);
            if (n == 18) {  // without a bitmap: the brush alone
                PatBlt(p.S16(16), p.S16(14), p.S16(12), p.S16(10), rop);
                break;
            }
            const int sy = p.S16(4), sx = p.S16(6), h = p.S16(8), w = p.S16(10);
            dib(16, 0, p.S16(14), p.S16(12), w, h, sx, sy, w, h, rop);
            break;
        }
        case 0x0B41: {  // DIBStretchBlt
            const DWORD rop = p.U32(0);
            if (n == 22) {
                PatBlt(p.S16(20), p.S16(18), p.S16(16), p.S16(14), rop);
                break;
            }
            dib(20, 0, p.S16(18), p.S16(16), p.S16(14), p.S16(12), p.S16(10), p.S16(8), p.S16(6),
                p.S16(4), rop);
            break;
        }
        case 0x0F43:  // StretchDIBits
            dib(22, p.U16(4), p.S16(20), p.S16(18), p.S16(16), p.S16(14), p.S16(12), p.S16(10),
                p.S16(8), p.S16(6), p.U32(0));
            break;
        case 0x0D33: {  // SetDIBitsToDevice
            const int w = p.S16(12), h = p.S16(10);
            dib(18, p.U16(0), p.S16(16), p.S16(14), w, h, p.S16(8), p.S16(6), w, h, SRCCOPY);
            break;
        }
        default:
            return false;
    }
    return true;
}

bool CMetafilePlayer::EmfBitmaps(unsigned type, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    switch (type) {
        case 76:    // BitBlt
        case 77: {  // StretchBlt
            const LONG x = p.S32(24), y = p.S32(28), w = p.S32(32), h = p.S32(36);
            const DWORD rop = p.U32(40);
            const LONG sx = p.S32(44), sy = p.S32(48);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!EmfBitmap(p, 84, bmi, bmiSize, bits, bitsSize)) {
                PatBlt(x, y, w, h, rop);
                break;
            }
            const LONG sw = type == 77 ? p.S32(100) : w, sh = type == 77 ? p.S32(104) : h;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(80), x, y, w, h, sx, sy, sw, sh, rop,
                    false);
            break;
        }
        case 80: {  // SetDIBitsToDevice
            const LONG x = p.S32(24), y = p.S32(28), sx = p.S32(32), sy = p.S32(36), sw = p.S32(40),
                       sh = p.S32(44);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!EmfBitmap(p, 48, bmi, bmiSize, bits, bitsSize)) break;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(64), x, y, sw, sh, sx, sy, sw, sh, SRCCOPY,
                    true);
            break;
        }
        case 81: {  // StretchDIBits
            const LONG x = p.S32(24), y = p.S32(28), sx = p.S32(32), sy = p.S32(36), sw = p.S32(40),
                       sh = p.S32(44);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            const bool has = EmfBitmap(p, 48, bmi, bmiSize, bits, bitsSize);
            const DWORD rop = p.U32(68);
            const LONG w = p.S32(72), h = p.S32(76);
            if (!has) {
                PatBlt(x, y, w, h, rop);
                break;
            }
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(64), x, y, w, h, sx, sy, sw, sh, rop, true);
            break;
        }
        case 114:    // AlphaBlend
        case 116: {  // TransparentBlt
            const LONG x = p.S32(24), y = p.S32(28), w = p.S32(32), h = p.S32(36);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!EmfBitmap(p, 84, bmi, bmiSize, bits, bitsSize)) break;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(80), x, y, w, h, p.S32(44), p.S32(48),
                    p.S32(100), p.S32(104), p.U32(40), false, type == 114 ? 2 : 1);
            break;
        }
        default:
            return false;
    }
    return true;
}
