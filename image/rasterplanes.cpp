// The alpha and selection planes: width x height bytes each, row by row from
// the bottom storage row, without padding.

#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "image/raster.h"

// ---- Alpha plane ------------------------------------------------------------------------

bool CRaster::AlphaCreate() {
    if (pAlpha != nullptr) return true;
    pAlpha = AllocPlane(false);
    if (pAlpha == nullptr) return false;
    std::memset(pAlpha, 255, PlaneSize());
    return true;
}

void CRaster::AlphaDelete() {
    if (pGhost != nullptr) return;
    std::free(pAlpha);
    pAlpha = nullptr;
}

void CRaster::AlphaClear() {
    if (pAlpha != nullptr) std::memset(pAlpha, 0, PlaneSize());
}

void CRaster::AlphaSet(BYTE level) {
    if (pAlpha != nullptr) std::memset(pAlpha, level, PlaneSize());
}

void CRaster::AlphaSet(LONG x, LONG y, BYTE level) {
    if (pAlpha != nullptr && IsInside(x, y))
        pAlpha[x + static_cast<std::size_t>(y) * head.biWidth] = level;
}

bool CRaster::AlphaSet(const CRaster& from) {
    if (!from.IsGrayScale() || from.head.biBitCount != 8 || from.head.biWidth != head.biWidth ||
        from.head.biHeight != head.biHeight)
        return false;
    if (pAlpha == nullptr) pAlpha = AllocPlane(false);
    if (pAlpha == nullptr) return false;
    // The grey image's rows are padded; the plane's are not.
    for (LONG y = 0; y < head.biHeight; ++y)
        std::memcpy(pAlpha + static_cast<std::size_t>(y) * head.biWidth, from.GetBits(y),
                    static_cast<std::size_t>(head.biWidth));
    return true;
}

BYTE CRaster::AlphaGet(LONG x, LONG y) const {
    if (pAlpha == nullptr || !IsInside(x, y)) return 0;
    return pAlpha[x + static_cast<std::size_t>(y) * head.biWidth];
}

BYTE* CRaster::AlphaGetPointer(LONG x, LONG y) const {
    if (pAlpha == nullptr || !IsInside(x, y)) return nullptr;
    return pAlpha + x + static_cast<std::size_t>(y) * head.biWidth;
}

void CRaster::AlphaInvert() {
    if (pAlpha == nullptr) return;
    const std::size_t n = PlaneSize();
    for (std::size_t i = 0; i < n; ++i) pAlpha[i] = static_cast<BYTE>(255 - pAlpha[i]);
}

bool CRaster::AlphaCopy(const CRaster& from) {
    if (from.pAlpha == nullptr || from.head.biWidth != head.biWidth ||
        from.head.biHeight != head.biHeight)
        return false;
    if (pAlpha == nullptr) pAlpha = AllocPlane(false);
    if (pAlpha == nullptr) return false;
    std::memcpy(pAlpha, from.pAlpha, PlaneSize());
    info.nAlphaMax = from.info.nAlphaMax;
    return true;
}

bool CRaster::AlphaFlip() {
    if (pAlpha == nullptr) return false;
    const std::size_t w = static_cast<std::size_t>(head.biWidth);
    for (LONG top = 0, bottom = head.biHeight - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pAlpha + top * w, pAlpha + (top + 1) * w, pAlpha + bottom * w);
    return true;
}

bool CRaster::AlphaMirror() {
    if (pAlpha == nullptr) return false;
    const std::size_t w = static_cast<std::size_t>(head.biWidth);
    for (LONG y = 0; y < head.biHeight; ++y) std::reverse(pAlpha + y * w, pAlpha + (y + 1) * w);
    return true;
}

namespace {

// A plane as an 8-bit grey image in another image (Create would free the
// plane of its own).
bool PlaneToGrey(const BYTE* plane, LONG width, LONG height, CRaster* dest, const CRaster* owner) {
    if (plane == nullptr || dest == nullptr || dest == owner) return false;
    if (dest->Create(width, height, 8, 0) == nullptr) return false;
    dest->SetGrayPalette();
    for (LONG y = 0; y < height; ++y)
        std::memcpy(dest->GetBits(y), plane + static_cast<std::size_t>(y) * width,
                    static_cast<std::size_t>(width));
    return true;
}

}  // namespace

bool CRaster::AlphaSplit(CRaster* dest) const {
    return PlaneToGrey(pAlpha, head.biWidth, head.biHeight, dest, this);
}

bool CRaster::AlphaPaletteSplit(CRaster* dest) const {
    if (GetPalette() == nullptr || dest == nullptr || dest == this) return false;
    if (dest->Create(head.biWidth, head.biHeight, 8, 0) == nullptr) return false;
    dest->SetGrayPalette();
    for (LONG y = 0; y < head.biHeight; ++y) {
        BYTE* d = dest->GetBits(y);
        for (LONG x = 0; x < head.biWidth; ++x)
            d[x] = GetPaletteColor(BlindGetPixelIndex(x, y)).rgbReserved;
    }
    return true;
}

bool CRaster::AlphaPaletteIsValid() const {
    const RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return false;
    for (DWORD i = 0; i < head.biClrUsed; ++i)
        if (pal[i].rgbReserved != 0) return true;
    return false;
}

void CRaster::AlphaPaletteClear() {
    RGBQUAD* pal = GetPalette();
    if (pal == nullptr) return;
    for (DWORD i = 0; i < head.biClrUsed; ++i) pal[i].rgbReserved = 0;
}

void CRaster::AlphaStrip() {
    const bool paletteAlpha = AlphaPaletteIsEnabled() && AlphaPaletteIsValid();
    if (pDib == nullptr || (pAlpha == nullptr && !paletteAlpha)) return;
    const RGBQUAD t = info.nBkgndColor;
    auto blend = [](BYTE back, BYTE c, long a) {
        return static_cast<BYTE>((back * (255 - a) + c * a) / 255);
    };
    auto alphaAt = [&](LONG x, LONG y) -> long {
        long a = pAlpha != nullptr ? BlindAlphaGet(x, y) * info.nAlphaMax / 255 : info.nAlphaMax;
        if (paletteAlpha) a = a * GetPaletteColor(BlindGetPixelIndex(x, y)).rgbReserved / 255;
        return a;
    };
    if (head.biBitCount == 24) {
        for (LONG y = 0; y < head.biHeight; ++y) {
            BYTE* p = GetBits(y);
            for (LONG x = 0; x < head.biWidth; ++x, p += 3) {
                const long a = alphaAt(x, y);
                p[0] = blend(t.rgbBlue, p[0], a);
                p[1] = blend(t.rgbGreen, p[1], a);
                p[2] = blend(t.rgbRed, p[2], a);
            }
        }
        AlphaDelete();
        return;
    }
    CRaster tmp;
    tmp.CopyInfo(*this);
    if (tmp.Create(head.biWidth, head.biHeight, 24, 0) == nullptr) return;
    if (pSelection != nullptr) tmp.SelectionCopy(*this);
    for (LONG y = 0; y < head.biHeight; ++y) {
        BYTE* p = tmp.GetBits(y);
        for (LONG x = 0; x < head.biWidth; ++x, p += 3) {
            const RGBQUAD c = BlindGetPixelColor(x, y, false);
            const long a = alphaAt(x, y);
            p[0] = blend(t.rgbBlue, c.rgbBlue, a);
            p[1] = blend(t.rgbGreen, c.rgbGreen, a);
            p[2] = blend(t.rgbRed, c.rgbRed, a);
        }
    }
    tmp.info.bAlphaPaletteEnabled = false;
    Transfer(tmp);
}

// ---- Selection plane ---------------------------------------------------------------------

void CRaster::SelectionReset() { info.rSelectionBox = CRect(head.biWidth, 0, 0, head.biHeight); }

bool CRaster::SelectionCreate() {
    if (pGhost != nullptr) return false;
    std::free(pSelection);
    pSelection = AllocPlane(true);
    SelectionReset();
    return pSelection != nullptr;
}

bool CRaster::SelectionDelete() {
    if (pGhost != nullptr) return false;
    std::free(pSelection);
    pSelection = nullptr;
    SelectionReset();
    return true;
}

bool CRaster::SelectionClear() {
    if (pSelection == nullptr) return false;
    std::memset(pSelection, 0, PlaneSize());
    SelectionReset();
    return true;
}

bool CRaster::SelectionIsInside(LONG x, LONG y) const {
    if (!IsInside(x, y)) return false;
    return pSelection == nullptr || pSelection[x + static_cast<std::size_t>(y) * head.biWidth] != 0;
}

namespace {

// Widens the box (left, top, right, bottom in storage coordinates, top the
// lower row number as the box is kept) by the columns l..r-1 and rows b..t-1.
void WidenBox(CRect& box, LONG l, LONG b, LONG r, LONG t) {
    box.left = std::min(box.left, l);
    box.right = std::max(box.right, r);
    box.bottom = std::min(box.bottom, b);
    box.top = std::max(box.top, t);
}

}  // namespace

bool CRaster::SelectionAddRect(CRect r) {
    if (pDib == nullptr) return false;
    if (pSelection == nullptr && !SelectionCreate()) return false;
    const LONG l = std::clamp(std::min(r.left, r.right), LONG{0}, head.biWidth);
    const LONG rr = std::clamp(std::max(r.left, r.right), LONG{0}, head.biWidth);
    const LONG b = std::clamp(std::min(r.top, r.bottom), LONG{0}, head.biHeight);
    const LONG t = std::clamp(std::max(r.top, r.bottom), LONG{0}, head.biHeight);
    if (l >= rr || b >= t) return true;
    for (LONG y = b; y < t; ++y)
        std::memset(pSelection + static_cast<std::size_t>(y) * head.biWidth + l, 255,
                    static_cast<std::size_t>(rr - l));
    WidenBox(info.rSelectionBox, l, b, rr, t);
    return true;
}

bool CRaster::SelectionAddEllipse(CRect r) {
    if (pDib == nullptr) return false;
    const long long cx = (static_cast<long long>(r.left) + r.right) / 2;
    const long long cy = (static_cast<long long>(r.top) + r.bottom) / 2;
    const long long rx = std::llabs(static_cast<long long>(r.right) - r.left) / 2;
    const long long ry = std::llabs(static_cast<long long>(r.bottom) - r.top) / 2;
    if (rx == 0 || ry == 0) return false;
    if (pSelection == nullptr && !SelectionCreate()) return false;
    const long long x0 = std::max<long long>(cx - rx, 0);
    const long long x1 = std::min<long long>(cx + rx, head.biWidth - 1);
    bool any = false;
    LONG l = head.biWidth, rr = 0, b = head.biHeight, t = 0;
    for (long long x = x0; x <= x1; ++x) {
        const double u = static_cast<double>(x - cx) / static_cast<double>(rx);
        const double h = static_cast<double>(ry) * std::sqrt(std::max(0.0, 1.0 - u * u));
        const long long ylo = static_cast<long long>(cy - h);  // truncated
        const long long yhi = static_cast<long long>(cy + h);
        // Rows strictly between the two boundary rows.
        const long long from = std::max<long long>(ylo + 1, 0);
        const long long to = std::min<long long>(yhi - 1, head.biHeight - 1);
        for (long long y = from; y <= to; ++y) {
            pSelection[static_cast<std::size_t>(y) * head.biWidth + x] = 255;
            any = true;
            l = std::min<LONG>(l, static_cast<LONG>(x));
            rr = std::max<LONG>(rr, static_cast<LONG>(x + 1));
            b = std::min<LONG>(b, static_cast<LONG>(y));
            t = std::max<LONG>(t, static_cast<LONG>(y + 1));
        }
    }
    if (any) WidenBox(info.rSelectionBox, l, b, rr, t);
    return true;
}

bool CRaster::SelectionAddPolygon(const CPoint* points, LONG npoints) {
    if (pDib == nullptr || points == nullptr || npoints < 3) return false;
    // The scratch plane and the fill's queue may not fit: then nothing is
    // selected.
    try {
        return AddPolygon(points, npoints);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CRaster::AddPolygon(const CPoint* points, LONG npoints) {
    const LONG w = head.biWidth, h = head.biHeight;
    // A scratch plane of the image with a ring of one pixel around it. Edge
    // points outside it are pressed onto the ring, so that an outline
    // reaching out of the image still closes around the part inside.
    const LONG sw = w + 2;
    std::vector<BYTE> plane(static_cast<std::size_t>(sw) * static_cast<std::size_t>(h + 2), 0);
    auto at = [&](long long x, long long y) -> BYTE& {
        return plane[static_cast<std::size_t>(y + 1) * sw + static_cast<std::size_t>(x + 1)];
    };
    auto mark = [&](long long x, long long y) {
        at(std::clamp<long long>(x, -1, w), std::clamp<long long>(y, -1, h)) = 1;
    };
    // a0 + t x d / dt without overflow, truncated toward zero.
    auto along = [](long long a0, long long t, long long d, long long dt) {
        return static_cast<long long>(a0 + static_cast<__int128>(t) * d / dt);
    };
    auto edge = [&](CPoint a, CPoint b) {
        // Once along x and once along y (rounding by truncation), so that
        // steep and flat edges both close.
        const long long dx = static_cast<long long>(b.x) - a.x;
        const long long dy = static_cast<long long>(b.y) - a.y;
        const long long xmin = std::max<long long>(std::min(a.x, b.x), -1);
        const long long xmax = std::min<long long>(std::max(a.x, b.x), w);
        for (long long x = xmin; x <= xmax; ++x)
            mark(x, dx == 0 ? a.y : along(a.y, x - a.x, dy, dx));
        const long long ymin = std::max<long long>(std::min(a.y, b.y), -1);
        const long long ymax = std::min<long long>(std::max(a.y, b.y), h);
        for (long long y = ymin; y <= ymax; ++y)
            mark(dy == 0 ? a.x : along(a.x, y - a.y, dx, dy), y);
        // Ends outside both ranges still leave their mark on the ring.
        mark(a.x, a.y);
    };
    long long minx = INT32_MAX, miny = INT32_MAX, maxx = INT32_MIN, maxy = INT32_MIN;
    LONG first = 0;
    for (LONG i = 0; i < npoints; ++i) {
        const CPoint p = points[i];
        if (p.x == -1) {  // ends this outline, the next starts after it
            first = i + 1;
            continue;
        }
        minx = std::min<long long>(minx, p.x);
        maxx = std::max<long long>(maxx, p.x);
        miny = std::min<long long>(miny, p.y);
        maxy = std::max<long long>(maxy, p.y);
        const bool last = i + 1 == npoints || points[i + 1].x == -1;
        edge(p, last ? points[first] : points[i + 1]);
    }
    if (minx > maxx) return false;
    // The outlines' box widened by one pixel, within the scratch plane.
    const LONG bl = static_cast<LONG>(std::clamp<long long>(minx - 1, -1, w));
    const LONG br = static_cast<LONG>(std::clamp<long long>(maxx + 1, -1, w));
    const LONG bb = static_cast<LONG>(std::clamp<long long>(miny - 1, -1, h));
    const LONG bt = static_cast<LONG>(std::clamp<long long>(maxy + 1, -1, h));

    // Flood the outside from the box's border (a queue that grows as it
    // needs); 2 marks what the fill reached.
    std::deque<std::pair<LONG, LONG>> queue;
    auto push = [&](LONG x, LONG y) {
        BYTE& v = at(x, y);
        if (v == 0) {
            v = 2;
            queue.emplace_back(x, y);
        }
    };
    for (LONG x = bl; x <= br; ++x) {
        push(x, bb);
        push(x, bt);
    }
    for (LONG y = bb; y <= bt; ++y) {
        push(bl, y);
        push(br, y);
    }
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        if (x > bl) push(x - 1, y);
        if (x < br) push(x + 1, y);
        if (y > bb) push(x, y - 1);
        if (y < bt) push(x, y + 1);
    }
    if (pSelection == nullptr && !SelectionCreate()) return false;
    bool any = false;
    LONG l = w, rr = 0, b = h, t = 0;
    for (LONG y = std::max<LONG>(bb, 0); y <= std::min<LONG>(bt, h - 1); ++y)
        for (LONG x = std::max<LONG>(bl, 0); x <= std::min<LONG>(br, w - 1); ++x)
            if (at(x, y) != 2) {
                pSelection[static_cast<std::size_t>(y) * w + x] = 255;
                any = true;
                l = std::min(l, x);
                rr = std::max(rr, x + 1);
                b = std::min(b, y);
                t = std::max(t, y + 1);
            }
    if (any) WidenBox(info.rSelectionBox, l, b, rr, t);
    return true;
}

bool CRaster::SelectionAddColor(RGBQUAD c) {
    if (pDib == nullptr) return false;
    if (pSelection == nullptr && !SelectionCreate()) return false;
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x) {
            const RGBQUAD p = BlindGetPixelColor(x, y, false);
            if (p.rgbBlue == c.rgbBlue && p.rgbGreen == c.rgbGreen && p.rgbRed == c.rgbRed) {
                pSelection[static_cast<std::size_t>(y) * head.biWidth + x] = 255;
                WidenBox(info.rSelectionBox, x, y, x + 1, y + 1);
            }
        }
    return true;
}

bool CRaster::SelectionAddPixel(LONG x, LONG y) {
    if (pDib == nullptr) return false;
    if (pSelection == nullptr && !SelectionCreate()) return false;
    if (!IsInside(x, y)) return false;
    pSelection[static_cast<std::size_t>(y) * head.biWidth + x] = 255;
    WidenBox(info.rSelectionBox, x, y, x + 1, y + 1);
    return true;
}

bool CRaster::SelectionInvert() {
    if (pSelection == nullptr) return false;
    const std::size_t n = PlaneSize();
    for (std::size_t i = 0; i < n; ++i) pSelection[i] = pSelection[i] != 0 ? 0 : 255;
    // The box of the inverted selection.
    SelectionReset();
    for (LONG y = 0; y < head.biHeight; ++y)
        for (LONG x = 0; x < head.biWidth; ++x)
            if (pSelection[static_cast<std::size_t>(y) * head.biWidth + x] != 0)
                WidenBox(info.rSelectionBox, x, y, x + 1, y + 1);
    return true;
}

bool CRaster::SelectionCopy(const CRaster& from) {
    if (from.pSelection == nullptr || from.head.biWidth != head.biWidth ||
        from.head.biHeight != head.biHeight)
        return false;
    if (pSelection == nullptr) pSelection = AllocPlane(false);
    if (pSelection == nullptr) return false;
    std::memcpy(pSelection, from.pSelection, PlaneSize());
    info.rSelectionBox = from.info.rSelectionBox;
    return true;
}

bool CRaster::SelectionSplit(CRaster* dest) const {
    return PlaneToGrey(pSelection, head.biWidth, head.biHeight, dest, this);
}

bool CRaster::SelectionToHRGN(QRegion& region) const {
    if (pSelection == nullptr) return false;
    for (LONG y = 0; y < head.biHeight; ++y) {
        const BYTE* row = pSelection + static_cast<std::size_t>(y) * head.biWidth;
        LONG x = 0;
        while (x < head.biWidth) {
            if (row[x] != 255) {
                ++x;
                continue;
            }
            const LONG start = x;
            while (x < head.biWidth && row[x] == 255) ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    return true;
}
