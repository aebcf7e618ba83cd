// The image on the platform's device context and the conversions to and
// from bitmaps, icons and packed DIBs.
//
// Drawing writes into the context's 32-bit picture: the visible part of the
// destination (inside the context's clip) is filled pixel by pixel, each
// destination pixel taking the nearest source pixel (or a bilinear sample),
// blended over what the picture holds when the image has transparency or
// alpha.

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "image/raster.h"
#include "image/rasterbilinear.h"
#include "platform/dc.h"

namespace {

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

constexpr const char* kShortBlock = "DIB block too short";

DWORD Le16(const BYTE* p) { return p[0] | (static_cast<DWORD>(p[1]) << 8); }
// The destination rectangle inside the context's clip box; empty when
// nothing of it can be drawn.
struct Visible {
    LONG left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

Visible VisiblePart(const CDC& dc, LONG x, LONG y, LONG cx, LONG cy) {
    CRect box;
    if (dc.GetClipBox(box) == NULLREGION) return {};
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + cx, box.right);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + cy, box.bottom);
    Visible v;
    v.left = std::max<LONG>(x, box.left);
    v.top = std::max<LONG>(y, box.top);
    v.right = static_cast<LONG>(std::max<std::int64_t>(right, v.left));
    v.bottom = static_cast<LONG>(std::max<std::int64_t>(bottom, v.top));
    return v;
}

// Nearest source column of destination column `dx` and storage row of
// destination row `dy`, each clamped to the image.
LONG SourceColumn(LONG dx, LONG x, LONG cx, LONG width) {
    const std::int64_t sx = std::int64_t{dx - x} * width / cx;
    return static_cast<LONG>(std::clamp<std::int64_t>(sx, 0, width - 1));
}
LONG SourceRow(LONG dy, LONG y, LONG cy, LONG height) {
    const std::int64_t sy = height - 1 - std::int64_t{dy - y} * height / cy;
    return static_cast<LONG>(std::clamp<std::int64_t>(sy, 0, height - 1));
}

// Where the centre of destination pixel `offset` of `size` falls in a
// source of `length` pixels, in pixel-centre coordinates.
float SampleAt(LONG offset, LONG size, LONG length) {
    return static_cast<float>((offset + 0.5) * length / size - 0.5);
}

QRgb Opaque(RGBQUAD c) { return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue); }

// Run-length coded pixel values from storage row 0 upward. Pixels past a
// row's end or beyond the last row are dropped; the data ends at escape 1 or
// where the bytes end.
void DecodeRle(CRaster& image, const BYTE* data, std::size_t n, bool four) {
    const std::int64_t width = image.GetWidth(), height = image.GetHeight();
    std::int64_t x = 0, y = 0;
    auto put = [&](BYTE v) {
        if (x < width && y < height)
            image.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y), v);
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < n && y < height) {
        const BYTE count = data[i], value = data[i + 1];
        i += 2;
        if (count != 0) {
            // A run alternates the value's nibbles from the high one.
            // A run reaching past the row's end is cut there.
            const std::int64_t end = x + count;
            for (int k = 0; x < std::min(end, width); ++k)
                put(four ? static_cast<BYTE>((k & 1) ? value & 0x0F : value >> 4) : value);
            x = end;
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (i + 1 >= n) return;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {
            // Literal values, their bytes padded to an even count.
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            for (int k = 0; k < value; ++k) {
                const std::size_t at = i + (four ? static_cast<std::size_t>(k / 2) : k);
                if (at >= n) break;
                put(four ? static_cast<BYTE>((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
            }
            i += bytes + (bytes & 1);
        }
    }
}

// The text white on black, antialiasing off, in a box as wide as the text
// plus its height (room for slanted letters) and as high as the text;
// `measured` gets the text's own extent.
QImage RenderText(const std::string& text, const FontSpec& font, CSize& measured) {
    CDC probe(1, 1);
    probe.SelectFont(font);
    CRect extent(0, 0, 0, 0);
    probe.DrawText(text, extent, DT_CALCRECT);
    measured = CSize(extent.Width(), extent.Height());
    if (measured.cx <= 0 || measured.cy <= 0) return {};
    // Within the images' memory cap.
    if ((static_cast<std::uint64_t>(measured.cx) + static_cast<std::uint64_t>(measured.cy)) *
            static_cast<std::uint64_t>(measured.cy) * 4 >
        GetRasterMaxMemory())
        return {};
    CDC dc(measured.cx + measured.cy, measured.cy, RGB(0, 0, 0));
    dc.SelectFont(font);
    dc.SetTextColor(RGB(255, 255, 255));
    dc.SetBkMode(TRANSPARENT);
    CRect box(0, 0, measured.cx + measured.cy, measured.cy);
    dc.DrawText(text, box, DT_LEFT);
    return dc.Image();
}

// Whether a text pixel is ink: the picture is thresholded, whatever the
// font engine did at the edges.
bool Ink(QRgb c) { return qBlue(c) >= 128; }

}  // namespace

// ---- Drawing ---------------------------------------------------------------------

LONG CRaster::Draw(CDC* pDC, const CRect& rect, const CRect* pClipRect, bool bSmooth) {
    return Draw(pDC, rect.left, rect.top, rect.Width(), rect.Height(), pClipRect, bSmooth);
}

// Where Draw puts the image: the destination rectangle, its visible part
// on the context's picture and the nearest source column of every visible
// column; for smooth drawing, the bilinear sample's column too.
struct CRaster::DrawTarget {
    QImage& picture;
    LONG x, y, cx, cy;
    Visible v;
    bool natural;  // at the image's own size
    bool smooth;
    std::vector<LONG> columns;
    std::vector<float> sampleX;

    // Storage row of the nearest source pixel and of the smooth sample.
    LONG SourceRowOf(LONG dy, LONG height) const {
        return natural ? height - 1 - (dy - y) : SourceRow(dy, y, cy, height);
    }
    float SampleRowOf(LONG dy, LONG height) const {
        return static_cast<float>(height - 1) - SampleAt(dy - y, cy, height);
    }
    QRgb* Row(LONG dy) const { return reinterpret_cast<QRgb*>(picture.scanLine(dy)) + v.left; }
};

LONG CRaster::Draw(CDC* pDC, LONG x, LONG y, LONG cx, LONG cy, const CRect* pClipRect,
                   bool bSmooth) {
    if (pDib == nullptr || pDC == nullptr || cx == 0 || cy == 0 || !info.bEnabled) return 0;
    const LONG width = head.biWidth, height = head.biHeight;
    if (cx < 0) cx = width;
    if (cy < 0) cy = height;
    const CDC::ClipState saved = pDC->SaveClip();
    if (pClipRect != nullptr) pDC->IntersectClipRect(*pClipRect);
    const Visible v = VisiblePart(*pDC, x, y, cx, cy);
    if (!v.Empty()) {
        const bool natural = cx == width && cy == height;
        DrawTarget t{pDC->Image(), x, y, cx, cy, v, natural, bSmooth && !natural, {}, {}};
        t.columns.resize(static_cast<std::size_t>(v.right - v.left));
        for (LONG dx = v.left; dx < v.right; ++dx)
            t.columns[static_cast<std::size_t>(dx - v.left)] =
                natural ? dx - x : SourceColumn(dx, x, cx, width);
        // Smooth: the bilinear sample at the destination pixel's centre
        // mapped into the image (storage rows from the bottom), edges
        // repeated; the nearest pixel still decides transparency and alpha.
        if (t.smooth) {
            t.sampleX.resize(t.columns.size());
            for (std::size_t i = 0; i < t.sampleX.size(); ++i)
                t.sampleX[i] = SampleAt(v.left + static_cast<LONG>(i) - x, cx, width);
        }
        const bool transparent =
            info.nBkgndIndex >= 0 || pAlpha != nullptr || info.bAlphaPaletteEnabled;
        if (!transparent && !t.smooth)
            DrawNearest(t);
        else if (!transparent && head.biBitCount == 24)
            DrawSmooth(t);
        else
            DrawBlended(t);
    }
    pDC->RestoreClip(saved);
    return 1;
}

// Opaque at the nearest source pixel.
void CRaster::DrawNearest(const DrawTarget& t) const {
    const LONG width = head.biWidth, height = head.biHeight;
    const bool indexed = head.biClrUsed != 0;
    const RGBQUAD* palette = GetPalette();
    const std::vector<LONG>& columns = t.columns;
    // Each source row once as screen colours when the row is not much
    // wider than the visible part; destination rows that repeat a source
    // row repeat the row above.
    const bool convertRows = static_cast<std::size_t>(width) <= 2 * columns.size();
    std::vector<QRgb> line(convertRows ? static_cast<std::size_t>(width) : 0);
    const QRgb* previous = nullptr;
    LONG previousRow = -1;
    const std::size_t span = columns.size();
    for (LONG dy = t.v.top; dy < t.v.bottom; ++dy) {
        const LONG sy = t.SourceRowOf(dy, height);
        QRgb* dst = t.Row(dy);
        if (sy == previousRow) {
            std::memcpy(dst, previous, span * sizeof(QRgb));
            continue;
        }
        const BYTE* src = GetBits(sy);
        if (convertRows) {
            for (LONG sx = 0; sx < width; ++sx)
                line[static_cast<std::size_t>(sx)] =
                    indexed ? Opaque(palette[BlindGetPixelIndex(sx, sy)])
                            : qRgb(src[3 * sx + 2], src[3 * sx + 1], src[3 * sx]);
            for (std::size_t i = 0; i < span; ++i)
                dst[i] = line[static_cast<std::size_t>(columns[i])];
        } else if (indexed) {
            for (std::size_t i = 0; i < span; ++i)
                dst[i] = Opaque(palette[BlindGetPixelIndex(columns[i], sy)]);
        } else {
            for (std::size_t i = 0; i < span; ++i) {
                const BYTE* p = src + 3 * static_cast<std::size_t>(columns[i]);
                dst[i] = qRgb(p[2], p[1], p[0]);
            }
        }
        previous = dst;
        previousRow = sy;
    }
}

// Opaque and smooth at 24 bits: inside the image the same 8-bit fixed-point
// weights as the interpolation's own, worked out once per column and row.
void CRaster::DrawSmooth(const DrawTarget& t) const {
    const LONG width = head.biWidth, height = head.biHeight;
    const std::vector<float>& sampleX = t.sampleX;
    struct Tap {
        LONG at = 0;
        int weight = 0;
        bool inside = false;
    };
    auto tap = [](float f, LONG length) {
        const LONG at = static_cast<LONG>(std::floor(f));
        return Tap{at, static_cast<int>((f - static_cast<float>(at)) * 256),
                   at >= 0 && at + 1 < length};
    };
    std::vector<Tap> across(sampleX.size());
    for (std::size_t i = 0; i < across.size(); ++i) across[i] = tap(sampleX[i], width);
    const std::size_t stride = info.dwEffWidth;
    for (LONG dy = t.v.top; dy < t.v.bottom; ++dy) {
        const float sampleY = t.SampleRowOf(dy, height);
        const Tap down = tap(sampleY, height);
        QRgb* dst = t.Row(dy);
        const BYTE* row = down.inside ? GetBits(down.at) : nullptr;
        for (std::size_t i = 0; i < across.size(); ++i) {
            const Tap& at = across[i];
            if (row == nullptr || !at.inside) {
                dst[i] = Opaque(
                    GetPixelColorInterpolated(sampleX[i], sampleY, InterpBilinear, OverflowRepeat));
                continue;
            }
            dst[i] = Opaque(BilinearPixel(row + 3 * static_cast<std::size_t>(at.at), stride,
                                          nullptr, 0, at.weight, down.weight));
        }
    }
}

// With transparency or alpha: each pixel over what the picture holds.
void CRaster::DrawBlended(const DrawTarget& t) const {
    const LONG height = head.biHeight;
    const bool indexed = head.biClrUsed != 0;
    const RGBQUAD* palette = GetPalette();
    const RGBQUAD key = info.nBkgndColor;
    const int alphaScale = info.nAlphaMax + 1;
    for (LONG dy = t.v.top; dy < t.v.bottom; ++dy) {
        const LONG sy = t.SourceRowOf(dy, height);
        const float sampleY = t.smooth ? t.SampleRowOf(dy, height) : 0.0f;
        QRgb* dst = t.Row(dy);
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const LONG sx = t.columns[i];
            int a = pAlpha != nullptr ? BlindAlphaGet(sx, sy) : 255;
            a = a * alphaScale >> 8;
            RGBQUAD c;
            if (indexed) {
                const BYTE index = BlindGetPixelIndex(sx, sy);
                if (info.nBkgndIndex >= 0 && index == info.nBkgndIndex) continue;
                c = palette[index];
                if (info.bAlphaPaletteEnabled) a = a * (c.rgbReserved + 1) >> 8;
            } else {
                c = BlindGetPixelColor(sx, sy, false);
                if (info.nBkgndIndex >= 0 && SameColor(c, key)) continue;
            }
            if (a == 0) continue;
            if (t.smooth)
                c = GetPixelColorInterpolated(t.sampleX[i], sampleY, InterpBilinear,
                                              OverflowRepeat);
            if (a == 255) {
                dst[i] = Opaque(c);
                continue;
            }
            const QRgb d = dst[i];
            auto mix = [a](int s, int under) { return (s * a + under * (255 - a)) >> 8; };
            dst[i] =
                qRgb(mix(c.rgbRed, qRed(d)), mix(c.rgbGreen, qGreen(d)), mix(c.rgbBlue, qBlue(d)));
        }
    }
}

LONG CRaster::Draw2(CDC* pDC, const CRect& rect) {
    return Draw2(pDC, rect.left, rect.top, rect.Width(), rect.Height());
}

LONG CRaster::Draw2(CDC* pDC, LONG x, LONG y, LONG cx, LONG cy) {
    if (pDib == nullptr || pDC == nullptr || cx == 0 || cy == 0 || !info.bEnabled) return 0;
    const LONG width = head.biWidth, height = head.biHeight;
    if (cx < 0) cx = width;
    if (cy < 0) cy = height;
    if (info.nBkgndIndex < 0) {
        pDC->StretchBlt(x, y, cx, cy, MakeBitmap(pDC), 0, 0, width, height, SRCCOPY);
        return 1;
    }
    const auto end = [](LONG from, LONG size) {
        return static_cast<LONG>(std::min<std::int64_t>(std::int64_t{from} + size, INT32_MAX));
    };
    if (!pDC->RectVisible(CRect(x, y, end(x, cx), end(y, cy)))) return 1;
    // The stretch of the block transfer, leaving out the transparent colour
    // (the image's XOR, the mask's AND and the image's XOR again).
    const RGBQUAD key = GetTransColor();
    const Visible v = VisiblePart(*pDC, x, y, cx, cy);
    QImage& picture = pDC->Image();
    for (LONG dy = v.top; dy < v.bottom; ++dy) {
        const LONG sy = height - 1 - static_cast<LONG>(std::int64_t{dy - y} * height / cy);
        QRgb* dst = reinterpret_cast<QRgb*>(picture.scanLine(dy));
        for (LONG dx = v.left; dx < v.right; ++dx) {
            const LONG sx = static_cast<LONG>(std::int64_t{dx - x} * width / cx);
            const RGBQUAD c = BlindGetPixelColor(sx, sy, false);
            if (!SameColor(c, key)) dst[dx] = Opaque(c);
        }
    }
    return 1;
}

LONG CRaster::Stretch(CDC* pDC, const CRect& rect, DWORD dwRop) {
    return Stretch(pDC, rect.left, rect.top, rect.Width(), rect.Height(), dwRop);
}

LONG CRaster::Stretch(CDC* pDC, LONG x, LONG y, LONG cx, LONG cy, DWORD dwRop) {
    if (pDib == nullptr || pDC == nullptr) return 0;
    pDC->StretchBlt(x, y, cx, cy, MakeBitmap(pDC), 0, 0, head.biWidth, head.biHeight, dwRop);
    return 1;
}

LONG CRaster::Tile(CDC* pDC, const CRect* rc) {
    if (pDib == nullptr || pDC == nullptr || rc == nullptr) return 0;
    CRect area = *rc;
    area.NormalizeRect();
    const LONG width = head.biWidth, height = head.biHeight;
    // Only the copies that meet the context's clip box.
    CRect box;
    if (pDC->GetClipBox(box) == NULLREGION) return 1;
    const auto first = [](LONG from, LONG visible, LONG step) {
        return visible <= from ? std::int64_t{from}
                               : from + (std::int64_t{visible} - from) / step * step;
    };
    const std::int64_t right = std::min(area.right, box.right);
    const std::int64_t bottom = std::min(area.bottom, box.bottom);
    for (std::int64_t y = first(area.top, box.top, height); y < bottom; y += height)
        for (std::int64_t x = first(area.left, box.left, width); x < right; x += width) {
            const CRect cell(static_cast<LONG>(x), static_cast<LONG>(y),
                             static_cast<LONG>(std::min<std::int64_t>(x + width, area.right)),
                             static_cast<LONG>(std::min<std::int64_t>(y + height, area.bottom)));
            Draw(pDC, cell.left, cell.top, -1, -1, &cell, false);
        }
    return 1;
}

// ---- Bitmaps, icons and packed DIBs -------------------------------------------------

bool CRaster::CreateFromHBITMAP(const QImage& bitmap) {
    if (!Destroy() || bitmap.isNull()) return false;
    const LONG width = bitmap.width(), height = bitmap.height();
    const QImage::Format format = bitmap.format();
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB) {
        const QImage mono = bitmap.convertToFormat(QImage::Format_Mono);
        if (Create(width, height, 1, 0) == nullptr) return false;
        const QList<QRgb> table = mono.colorTable();
        for (int i = 0; i < 2; ++i) {
            const QRgb c =
                i < table.size() ? table[i] : (i == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(qRed(c)),
                            static_cast<BYTE>(qGreen(c)), static_cast<BYTE>(qBlue(c)));
        }
        for (LONG y = 0; y < height; ++y)
            std::memcpy(GetBits(height - 1 - y), mono.constScanLine(y),
                        (static_cast<std::size_t>(width) + 7) / 8);
        return true;
    }
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Grayscale8) {
        if (Create(width, height, 8, 0) == nullptr) return false;
        if (format == QImage::Format_Grayscale8) {
            SetGrayPalette();
        } else {
            const QList<QRgb> table = bitmap.colorTable();
            for (qsizetype i = 0; i < std::min<qsizetype>(table.size(), 256); ++i)
                SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(qRed(table[i])),
                                static_cast<BYTE>(qGreen(table[i])),
                                static_cast<BYTE>(qBlue(table[i])));
        }
        for (LONG y = 0; y < height; ++y)
            std::memcpy(GetBits(height - 1 - y), bitmap.constScanLine(y),
                        static_cast<std::size_t>(width));
        return true;
    }
    // Colours as they are, without their alpha.
    const QImage rgb = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (Create(width, height, 24, 0) == nullptr) return false;
    for (LONG y = 0; y < height; ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        BYTE* d = GetBits(height - 1 - y);
        for (LONG x = 0; x < width; ++x, d += 3) {
            d[0] = static_cast<BYTE>(qBlue(s[x]));
            d[1] = static_cast<BYTE>(qGreen(s[x]));
            d[2] = static_cast<BYTE>(qRed(s[x]));
        }
    }
    return true;
}

bool CRaster::CreateFromHICON(const QImage& color, const QImage& mask) {
    if (!Destroy() || color.isNull()) return false;
    if (!CreateFromHBITMAP(color)) return false;
    CRaster alpha;
    if (!mask.isNull() && alpha.CreateFromHBITMAP(mask) && alpha.GrayScale() && alpha.Negative())
        AlphaSet(alpha);  // a mask of another size is left out
    return true;
}

QImage CRaster::MakeBitmap(CDC* /*pDC*/) const {
    if (pDib == nullptr) return {};
    const LONG width = head.biWidth, height = head.biHeight;
    const RGBQUAD* palette = GetPalette();
    QList<QRgb> table;
    for (DWORD i = 0; i < head.biClrUsed; ++i) table.append(Opaque(palette[i]));
    if (head.biBitCount == 1) {
        QImage out(width, height, QImage::Format_Mono);
        if (out.isNull()) return {};
        out.setColorTable(table);
        for (LONG y = 0; y < height; ++y)
            std::memcpy(out.scanLine(y), GetBits(height - 1 - y),
                        (static_cast<std::size_t>(width) + 7) / 8);
        return out;
    }
    if (head.biBitCount <= 8) {
        QImage out(width, height, QImage::Format_Indexed8);
        if (out.isNull()) return {};
        out.setColorTable(table);
        for (LONG y = 0; y < height; ++y) {
            BYTE* d = out.scanLine(y);
            if (head.biBitCount == 8) {
                std::memcpy(d, GetBits(height - 1 - y), static_cast<std::size_t>(width));
            } else {
                for (LONG x = 0; x < width; ++x) d[x] = BlindGetPixelIndex(x, height - 1 - y);
            }
        }
        return out;
    }
    QImage out(width, height, QImage::Format_RGB32);
    if (out.isNull()) return {};
    for (LONG y = 0; y < height; ++y) {
        const BYTE* s = GetBits(height - 1 - y);
        QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (LONG x = 0; x < width; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
    }
    return out;
}

std::vector<BYTE> CRaster::CopyToHandle() const {
    if (pDib == nullptr) return {};
    const BYTE* block = static_cast<const BYTE*>(pDib);
    return std::vector<BYTE>(block, block + GetSize());
}

bool CRaster::CreateFromHANDLE(const std::vector<BYTE>& block) {
    if (!Destroy()) return false;
    const std::size_t size = block.size();
    const BYTE* p = block.data();
    auto fail = [this](const char* text) {
        Destroy();
        SetLastError(text);
        return false;
    };
    if (size == 0) return fail("empty DIB block");
    if (size < 4) return fail(kShortBlock);

    // The header: the 12-byte core layout or the 40-byte one (and its longer
    // successors, whose first 40 bytes are the same).
    const DWORD headerSize = DWordFromBytes(p);
    std::int64_t width = 0, height = 0;
    DWORD bpp = 0, compression = BI_RGB, colorsUsed = 0, sizeImage = 0;
    LONG xPels = 0, yPels = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        if (size < 12) return fail(kShortBlock);
        width = Le16(p + 4);
        height = Le16(p + 6);
        bpp = Le16(p + 10);
        entrySize = 3;
    } else if (headerSize >= 40) {
        if (size < headerSize) return fail(kShortBlock);
        width = static_cast<LONG>(DWordFromBytes(p + 4));
        height = static_cast<LONG>(DWordFromBytes(p + 8));
        bpp = Le16(p + 14);
        compression = DWordFromBytes(p + 16);
        sizeImage = DWordFromBytes(p + 20);
        xPels = static_cast<LONG>(DWordFromBytes(p + 24));
        yPels = static_cast<LONG>(DWordFromBytes(p + 28));
        colorsUsed = DWordFromBytes(p + 32);
    } else {
        return fail("unknown DIB header");
    }
    // Rows from the top down (a negative height) only without run-length coding.
    const bool topDown = height < 0;
    if (topDown) height = -height;

    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return fail("unsupported bit depth");
    const bool rle = (bpp == 8 && compression == BI_RLE8) || (bpp == 4 && compression == BI_RLE4);
    if (bpp <= 8 && compression != BI_RGB && !rle) return fail("compression type not supported");
    if (bpp == 24 && compression != BI_RGB) return fail("unknown compression");
    if ((bpp == 16 || bpp == 32) && compression != BI_RGB && compression != BI_BITFIELDS)
        return fail("unknown compression");
    if (rle && topDown) return fail("compression type not supported");
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        SetLastError("CRaster::Create : width and height must be greater than zero");
        return false;
    }

    // Where the masks, the colour table and the rows lie.
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    std::uint64_t offset = headerSize;
    if (compression == BI_BITFIELDS) {
        if (size < 52) return fail(kShortBlock);
        for (int k = 0; k < 3; ++k) masks[k] = DWordFromBytes(p + 40 + 4 * k);
        if (headerSize == 40) offset += 12;
    }
    std::uint64_t tableEntries =
        bpp <= 8 ? (headerSize == 12 || colorsUsed == 0 ? 1u << bpp : colorsUsed)
                 : (headerSize == 12 ? 0 : colorsUsed);
    const std::uint64_t paletteOffset = offset;
    offset += tableEntries * entrySize;
    if (offset > size) return fail(kShortBlock);

    const std::uint64_t srcStride = StrideOf(width, bpp);
    if (!rle && static_cast<std::uint64_t>(height) > (size - offset) / srcStride)
        return fail(kShortBlock);

    if (Create(static_cast<LONG>(width), static_cast<LONG>(height), bpp, 0) == nullptr)
        return false;
    SetXDPI(DpiOf(xPels, 0.0254));
    SetYDPI(DpiOf(yPels, 0.0254));

    if (bpp <= 8) {
        const std::uint64_t count = std::min<std::uint64_t>(tableEntries, 1u << bpp);
        RGBQUAD* palette = GetPalette();
        for (std::uint64_t i = 0; i < count; ++i) {
            const BYTE* e = p + paletteOffset + i * entrySize;
            palette[i] = RGBQUAD{e[0], e[1], e[2], entrySize == 4 ? e[3] : BYTE{0}};
        }
    }

    const BYTE* rows = p + offset;
    if (rle) {
        std::size_t length = size - static_cast<std::size_t>(offset);
        if (sizeImage != 0) length = std::min<std::size_t>(length, sizeImage);
        DecodeRle(*this, rows, length, compression == BI_RLE4);
        return true;
    }
    for (LONG y = 0; y < head.biHeight; ++y) {
        const BYTE* src = rows + static_cast<std::size_t>(srcStride) *
                                     static_cast<std::size_t>(topDown ? head.biHeight - 1 - y : y);
        if (bpp == 16 || bpp == 32)
            BitfieldRow(src, GetBits(y), head.biWidth, masks[0], masks[1], masks[2],
                        static_cast<BYTE>(bpp));
        else
            std::memcpy(GetBits(y), src, info.dwEffWidth);
    }
    return true;
}

// ---- Text ------------------------------------------------------------------------------

void CRaster::InitTextInfo(tagRasterTextInfo* txt) {
    if (txt == nullptr) return;
    *txt = tagRasterTextInfo{};
    txt->text = "Sample Text 01234\xF5\xFB";
    txt->lfont.height = -36;
    txt->lfont.weight = 400;
    txt->lfont.charSet = 238;
    txt->lfont.quality = 2;
    txt->lfont.face = "Arial";
    txt->fcolor = 0xA0FFFF;
    txt->bcolor = 0x6020;
    txt->align = 1;
    txt->b_opacity = 0;
    txt->opaque = true;
    txt->b_round = 20;
}

LONG CRaster::DrawString(CDC* /*pDC*/, LONG x, LONG y, const char* text, RGBQUAD color,
                         const char* font, LONG lSize, LONG lWeight, BYTE bItalic, BYTE bUnderline,
                         bool bSetAlpha) {
    if (pDib == nullptr || text == nullptr) return 1;
    FontSpec spec;
    spec.face = std::string(font != nullptr ? font : "").substr(0, 31);
    spec.height = lSize;
    spec.weight = lWeight;
    spec.italic = bItalic != 0;
    spec.underline = bUnderline != 0;
    spec.quality = NONANTIALIASED_QUALITY;
    CSize measured;
    const QImage mask = RenderText(text, spec, measured);
    // The mask's bottom row lands on row y from the top.
    const std::int64_t top = std::int64_t{y} - mask.height() + 1;
    for (int j = 0; j < mask.height(); ++j) {
        const std::int64_t row = head.biHeight - 1 - (top + j);
        if (row < 0 || row >= head.biHeight) continue;
        const QRgb* s = reinterpret_cast<const QRgb*>(mask.constScanLine(j));
        for (int i = 0; i < mask.width(); ++i) {
            const std::int64_t column = std::int64_t{x} + i;
            if (Ink(s[i]) && column >= 0 && column < head.biWidth)
                BlindSetPixelColor(static_cast<LONG>(column), static_cast<LONG>(row), color,
                                   bSetAlpha);
        }
    }
    return 1;
}

LONG CRaster::DrawStringEx(CDC* /*pDC*/, LONG x, LONG y, tagRasterTextInfo* pTextType,
                           bool bSetAlpha) {
    if (pDib == nullptr) return -1;
    if (pTextType == nullptr) return 1;
    tagRasterTextInfo& t = *pTextType;
    if (t.align < 0 || t.align > 2) t.align = 1;
    if (!(t.b_opacity >= 0.0f && t.b_opacity <= 1.0f)) t.b_opacity = 0;
    if (t.b_round > 50) t.b_round = 10;
    if (t.b_round < 0) t.b_round = 0;

    FontSpec spec;
    spec.face = t.lfont.face.substr(0, 31);
    spec.height = t.lfont.height;
    spec.weight = t.lfont.weight;
    spec.italic = t.lfont.italic;
    spec.underline = t.lfont.underline;
    spec.quality = NONANTIALIASED_QUALITY;
    CSize measured;
    const QImage mask = RenderText(t.text, spec, measured);
    if (mask.isNull()) return 1;

    const LONG lines = 1 + static_cast<LONG>(std::count(t.text.begin(), t.text.end(), '\n'));
    const LONG lineHeight = measured.cy / lines;
    LONG boxWidth = measured.cx + (spec.italic ? lineHeight / 2 : 0);
    LONG boxHeight = measured.cy;
    const LONG radius = t.opaque ? lineHeight * t.b_round / 100 : 0;
    const LONG margin = static_cast<LONG>(std::floor(radius * 0.29289));
    boxWidth += 2 * margin;
    boxHeight += 2 * margin;
    std::int64_t left = x;
    if (t.align == 1) left -= boxWidth / 2;
    if (t.align == 2) left -= boxWidth;
    if (left < 0) left = 0;
    const std::int64_t top = std::int64_t{y} - boxHeight + 1;

    // A pixel of the box, counted from its top-left corner, into the image.
    auto put = [&](LONG i, LONG j, RGBQUAD c, bool blend) {
        const std::int64_t px = left + i, row = head.biHeight - 1 - (top + j);
        if (px < 0 || px >= head.biWidth || row < 0 || row >= head.biHeight) return;
        const LONG sx = static_cast<LONG>(px), sy = static_cast<LONG>(row);
        if (blend) {
            const RGBQUAD d = BlindGetPixelColor(sx, sy, false);
            const float o = t.b_opacity;
            auto mix = [o](BYTE e, BYTE b) { return static_cast<BYTE>(e * o + b * (1.0f - o)); };
            c = RGBQUAD{mix(d.rgbBlue, c.rgbBlue), mix(d.rgbGreen, c.rgbGreen),
                        mix(d.rgbRed, c.rgbRed), c.rgbReserved};
        }
        BlindSetPixelColor(sx, sy, c, bSetAlpha);
    };

    if (t.opaque) {
        RGBQUAD back = RGBtoRGBQUAD(t.bcolor);
        back.rgbReserved = 255;
        const bool blend = t.b_opacity > 0.0f && t.b_opacity < 1.0f;
        const float r = static_cast<float>(radius);
        for (LONG j = 0; j < boxHeight; ++j)
            for (LONG i = 0; i < boxWidth; ++i) {
                // Outside the quarter circles in the corners the picture stays.
                const float px = i + 0.5f, py = j + 0.5f;
                const float cx = std::clamp(px, r, std::max(r, boxWidth - r));
                const float cy = std::clamp(py, r, std::max(r, boxHeight - r));
                if ((px - cx) * (px - cx) + (py - cy) * (py - cy) > r * r) continue;
                put(i, j, back, blend);
            }
    }
    RGBQUAD fore = RGBtoRGBQUAD(t.fcolor);
    fore.rgbReserved = 255;
    for (int j = 0; j < mask.height(); ++j) {
        const QRgb* s = reinterpret_cast<const QRgb*>(mask.constScanLine(j));
        for (int i = 0; i < mask.width() && i + margin < boxWidth; ++i)
            if (Ink(s[i])) put(i + margin, j + margin, fore, false);
    }
    return 1;
}
