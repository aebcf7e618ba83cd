// Geometric transforms: cropping, flipping, quarter and free turns, margins
// and shrinking. Every transform builds its result in a new image and moves
// it into place at the end, so a failure leaves the image as it was.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "image/raster.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Quarter-turn block edge: a block of source and destination rows stays in
// the cache while its pixel values are moved.
constexpr LONG kBlock = 64;

// Corner coordinates of turned images are floored; a value a rounding error
// below a whole number counts as that number.
constexpr double kFuzz = 1e-6;

enum class Turn { Flip, Mirror, Half, Left, Right };

// Moves pixel values of N bytes each from a w x h source to the destination
// (h x w for the quarter turns). Storage coordinates: Left takes (x, y) to
// (h - 1 - y, x), Right to (y, w - 1 - x).
template <int N>
void TurnBytes(const BYTE* src, std::size_t ss, BYTE* dst, std::size_t ds, LONG w, LONG h,
               Turn turn) {
    auto put = [](BYTE* d, const BYTE* s) {
        if constexpr (N == 1) {
            *d = *s;
        } else {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    };
    switch (turn) {
        case Turn::Flip:
            for (LONG y = 0; y < h; ++y)
                std::memcpy(dst + y * ds, src + (h - 1 - y) * ss, static_cast<std::size_t>(w) * N);
            return;
        case Turn::Mirror:
        case Turn::Half:
            for (LONG y = 0; y < h; ++y) {
                const BYTE* s = src + (turn == Turn::Half ? h - 1 - y : y) * ss + (w - 1) * N;
                BYTE* d = dst + y * ds;
                for (LONG x = 0; x < w; ++x, d += N, s -= N) put(d, s);
            }
            return;
        case Turn::Left:
        case Turn::Right: {
            const LONG dw = h, dh = w;  // the destination's size
            for (LONG by = 0; by < dh; by += kBlock) {
                const LONG ey = std::min(by + kBlock, dh);
                for (LONG bx = 0; bx < dw; bx += kBlock) {
                    const LONG ex = std::min(bx + kBlock, dw);
                    for (LONG y = by; y < ey; ++y) {
                        BYTE* d = dst + y * ds + bx * N;
                        // Left: the source of (x, y) is (y, h - 1 - x); Right:
                        // (w - 1 - y, x). Along a destination row the source
                        // walks a column.
                        const BYTE* s;
                        std::ptrdiff_t step;
                        if (turn == Turn::Left) {
                            s = src + (h - 1 - bx) * ss + y * N;
                            step = -static_cast<std::ptrdiff_t>(ss);
                        } else {
                            s = src + bx * ss + (w - 1 - y) * N;
                            step = static_cast<std::ptrdiff_t>(ss);
                        }
                        for (LONG x = bx; x < ex; ++x, d += N, s += step) put(d, s);
                    }
                }
            }
            return;
        }
    }
}

// The source pixel of destination pixel (x, y) under a turn of a w x h
// source.
inline void SourceOf(Turn turn, LONG w, LONG h, LONG x, LONG y, LONG& sx, LONG& sy) {
    switch (turn) {
        case Turn::Flip:
            sx = x;
            sy = h - 1 - y;
            break;
        case Turn::Mirror:
            sx = w - 1 - x;
            sy = y;
            break;
        case Turn::Half:
            sx = w - 1 - x;
            sy = h - 1 - y;
            break;
        case Turn::Left:
            sx = y;
            sy = h - 1 - x;
            break;
        case Turn::Right:
            sx = w - 1 - y;
            sy = x;
            break;
    }
}

// A float coordinate as a pixel position: values beyond the image (also
// infinite or not a number) become -1, which every reader takes as outside.
inline LONG PixelOf(double v, LONG size) {
    if (!(v >= 0.0 && v < static_cast<double>(size))) return -1;
    return static_cast<LONG>(v);
}

// A float coordinate truncated to a pixel position, -1 outside as above.
inline LONG TruncatedPixelOf(double v, LONG size) {
    if (!(v > -1.0 && v < static_cast<double>(size))) return -1;
    return static_cast<LONG>(v);
}

}  // namespace

// The steps the transforms share; a friend of the image.
struct RasterTransformWork {
    // Makes `tmp` (empty) a w x h image with src's settings, depth, format
    // code, palette and resolution; false when the size is empty, does not
    // fit the image's coordinates or exceeds the memory cap.
    static bool MakeLike(const CRaster& src, CRaster& tmp, std::int64_t w, std::int64_t h) {
        if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
        tmp.CopyInfo(src);
        if (tmp.Create(static_cast<LONG>(w), static_cast<LONG>(h), src.head.biBitCount,
                       src.info.dwType) == nullptr)
            return false;
        tmp.head.biXPelsPerMeter = src.head.biXPelsPerMeter;
        tmp.head.biYPelsPerMeter = src.head.biYPelsPerMeter;
        tmp.head.biClrImportant = src.head.biClrImportant;
        tmp.SyncHeader();
        if (src.GetPaletteSize() != 0)
            std::memcpy(tmp.GetPalette(), src.GetPalette(), src.GetPaletteSize());
        // Settings came along, the selection does not.
        tmp.SelectionReset();
        return true;
    }

    // Moves the finished image into the destination, or into self without one.
    static bool Finish(CRaster& self, CRaster& tmp, CRaster* dst) {
        CRaster* target = dst == nullptr ? &self : dst;
        return target->Transfer(tmp);
    }

    // A new plane of tmp's size, or null.
    static BYTE* Plane(CRaster& tmp, bool zeroed) { return tmp.AllocPlane(zeroed); }

    // The selection box of tmp from its plane.
    static void Rebox(CRaster& tmp) {
        tmp.SelectionReset();
        if (tmp.pSelection == nullptr) return;
        CRect& box = tmp.info.rSelectionBox;
        const LONG w = tmp.head.biWidth, h = tmp.head.biHeight;
        for (LONG y = 0; y < h; ++y) {
            const BYTE* row = tmp.pSelection + static_cast<std::size_t>(y) * w;
            for (LONG x = 0; x < w; ++x)
                if (row[x] != 0) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::min(box.bottom, y);
                    box.top = std::max(box.top, y + 1);
                }
        }
    }

    // Turns pixel values, alpha and selection of src into tmp (of the turned
    // size); false when a plane cannot be made.
    static bool TurnInto(const CRaster& src, CRaster& tmp, Turn turn) {
        const LONG w = src.head.biWidth, h = src.head.biHeight;
        switch (src.head.biBitCount) {
            case 24:
                TurnBytes<3>(src.pImage, src.info.dwEffWidth, tmp.pImage, tmp.info.dwEffWidth, w, h,
                             turn);
                break;
            case 8:
                TurnBytes<1>(src.pImage, src.info.dwEffWidth, tmp.pImage, tmp.info.dwEffWidth, w, h,
                             turn);
                break;
            default: {
                // 1 and 4 bits pixel by pixel, in blocks for the quarter turns.
                const LONG dw = tmp.head.biWidth, dh = tmp.head.biHeight;
                for (LONG by = 0; by < dh; by += kBlock)
                    for (LONG bx = 0; bx < dw; bx += kBlock)
                        for (LONG y = by; y < std::min(by + kBlock, dh); ++y)
                            for (LONG x = bx; x < std::min(bx + kBlock, dw); ++x) {
                                LONG sx = 0, sy = 0;
                                SourceOf(turn, w, h, x, y, sx, sy);
                                tmp.BlindSetPixelIndex(x, y, src.BlindGetPixelIndex(sx, sy));
                            }
                break;
            }
        }
        for (BYTE* CRaster::*plane : {&CRaster::pAlpha, &CRaster::pSelection}) {
            if (src.*plane == nullptr) continue;
            tmp.*plane = Plane(tmp, false);
            if (tmp.*plane == nullptr) return false;
            TurnBytes<1>(src.*plane, static_cast<std::size_t>(w), tmp.*plane,
                         static_cast<std::size_t>(tmp.head.biWidth), w, h, turn);
        }
        if (src.pSelection != nullptr) Rebox(tmp);
        return true;
    }

    static bool Turned(CRaster& self, CRaster* dst, Turn turn) {
        if (self.pDib == nullptr) return false;
        const bool quarter = turn == Turn::Left || turn == Turn::Right;
        const LONG w = self.head.biWidth, h = self.head.biHeight;
        CRaster tmp;
        if (!MakeLike(self, tmp, quarter ? h : w, quarter ? w : h)) return false;
        if (!TurnInto(self, tmp, turn)) return false;
        return Finish(self, tmp, dst);
    }

    // Copies the w x h rectangle whose bottom-left storage pixel is (sx, sy)
    // in src to (dx, dy) in dst (same depth), with the planes that both have.
    static void CopyRect(const CRaster& src, LONG sx, LONG sy, CRaster& dst, LONG dx, LONG dy,
                         LONG w, LONG h) {
        const WORD bpp = src.head.biBitCount;
        for (LONG y = 0; y < h; ++y) {
            if (bpp >= 8) {
                const std::size_t n = bpp / 8;
                std::memcpy(dst.GetBits(dy + y) + dx * n, src.GetBits(sy + y) + sx * n, w * n);
            } else {
                for (LONG x = 0; x < w; ++x)
                    dst.BlindSetPixelIndex(dx + x, dy + y, src.BlindGetPixelIndex(sx + x, sy + y));
            }
        }
        for (BYTE* CRaster::*plane : {&CRaster::pAlpha, &CRaster::pSelection}) {
            if (src.*plane == nullptr || dst.*plane == nullptr) continue;
            const std::size_t ss = static_cast<std::size_t>(src.head.biWidth);
            const std::size_t ds = static_cast<std::size_t>(dst.head.biWidth);
            for (LONG y = 0; y < h; ++y)
                std::memcpy(dst.*plane + (dy + y) * ds + dx, src.*plane + (sy + y) * ss + sx,
                            static_cast<std::size_t>(w));
        }
    }

    // Gives tmp the planes src has: alpha filled with `alpha`, the selection
    // cleared. False when one cannot be made.
    static bool PlanesLike(const CRaster& src, CRaster& tmp, BYTE alpha) {
        if (src.pAlpha != nullptr) {
            tmp.pAlpha = Plane(tmp, false);
            if (tmp.pAlpha == nullptr) return false;
            std::memset(tmp.pAlpha, alpha, tmp.PlaneSize());
        }
        if (src.pSelection != nullptr) {
            tmp.pSelection = Plane(tmp, true);
            if (tmp.pSelection == nullptr) return false;
        }
        return true;
    }

    // Fills every pixel of tmp with the colour (its nearest entry when indexed).
    static void Fill(CRaster& tmp, RGBQUAD c) {
        if (tmp.head.biClrUsed != 0) {
            tmp.Clear(tmp.GetNearestIndex(c));
            return;
        }
        for (LONG y = 0; y < tmp.head.biHeight; ++y) {
            BYTE* p = tmp.GetBits(y);
            for (LONG x = 0; x < tmp.head.biWidth; ++x, p += 3) {
                p[0] = c.rgbBlue;
                p[1] = c.rgbGreen;
                p[2] = c.rgbRed;
            }
        }
    }

    // Copies the value (index or colour) and alpha of src's pixel (sx, sy),
    // which may lie outside, to tmp's pixel (x, y) inside.
    static void TakePixel(const CRaster& src, LONG sx, LONG sy, CRaster& tmp, LONG x, LONG y) {
        if (src.head.biClrUsed != 0)
            tmp.BlindSetPixelIndex(x, y, src.GetPixelIndex(sx, sy));
        else
            tmp.BlindSetPixelColor(x, y, src.GetPixelColor(sx, sy, false));
        if (tmp.pAlpha != nullptr)
            tmp.pAlpha[x + static_cast<std::size_t>(y) * tmp.head.biWidth] = src.AlphaGet(sx, sy);
    }

    // The rows and columns of the selection box, within the image; the whole
    // image without a selection.
    static void SelectedArea(const CRaster& self, LONG& x0, LONG& y0, LONG& x1, LONG& y1) {
        x0 = 0;
        y0 = 0;
        x1 = self.head.biWidth;
        y1 = self.head.biHeight;
        if (self.pSelection == nullptr) return;
        const CRect& box = self.info.rSelectionBox;
        x0 = std::clamp(box.left, LONG{0}, self.head.biWidth);
        x1 = std::clamp(box.right, LONG{0}, self.head.biWidth);
        y0 = std::clamp(box.bottom, LONG{0}, self.head.biHeight);
        y1 = std::clamp(box.top, LONG{0}, self.head.biHeight);
    }
};

using W = RasterTransformWork;

// ---- Crop ---------------------------------------------------------------------------------

bool CRaster::Crop(LONG left, LONG top, LONG right, LONG bottom, CRaster* iDst) {
    if (pDib == nullptr) return false;
    if (iDst == this) iDst = nullptr;
    const LONG w = head.biWidth, h = head.biHeight;
    left = std::clamp(left, LONG{0}, w);
    right = std::clamp(right, LONG{0}, w);
    top = std::clamp(top, LONG{0}, h);
    bottom = std::clamp(bottom, LONG{0}, h);
    if (left == right || top == bottom) return false;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const LONG nw = right - left, nh = bottom - top;

    CRaster tmp;
    if (!W::MakeLike(*this, tmp, nw, nh) || !W::PlanesLike(*this, tmp, 255)) return false;
    // Lines counted from the top are storage rows h - bottom .. h - top - 1.
    W::CopyRect(*this, left, h - bottom, tmp, 0, 0, nw, nh);
    if (pSelection != nullptr) W::Rebox(tmp);
    return W::Finish(*this, tmp, iDst);
}

bool CRaster::Crop(const CRect& rect, CRaster* iDst) {
    return Crop(rect.left, rect.top, rect.right, rect.bottom, iDst);
}

// ---- Mirror images and quarter turns ------------------------------------------------------------

bool CRaster::Flip() { return W::Turned(*this, nullptr, Turn::Flip); }

bool CRaster::Mirror() { return W::Turned(*this, nullptr, Turn::Mirror); }

bool CRaster::RotateLeft(CRaster* iDst) {
    return W::Turned(*this, iDst == this ? nullptr : iDst, Turn::Left);
}

bool CRaster::RotateRight(CRaster* iDst) {
    return W::Turned(*this, iDst == this ? nullptr : iDst, Turn::Right);
}

bool CRaster::Rotate180(CRaster* iDst) {
    return W::Turned(*this, iDst == this ? nullptr : iDst, Turn::Half);
}

// ---- Free turns ---------------------------------------------------------------------------

bool CRaster::Rotate(float angle, CRaster* iDst) {
    if (pDib == nullptr || !std::isfinite(angle)) return false;
    if (iDst == this) iDst = nullptr;
    const LONG w = head.biWidth, h = head.biHeight;
    // Seen on screen the turn is clockwise; in storage coordinates (rows
    // upward) that is a negative angle.
    const double radians = -std::fmod(static_cast<double>(angle), 360.0) * kPi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);

    // The pixel centres of the corners, turned.
    const double cx[4] = {0, static_cast<double>(w - 1), 0, static_cast<double>(w - 1)};
    const double cy[4] = {0, 0, static_cast<double>(h - 1), static_cast<double>(h - 1)};
    double minx = 0, maxx = 0, miny = 0, maxy = 0;
    for (int i = 0; i < 4; ++i) {
        const double tx = std::floor(cx[i] * c - cy[i] * s + kFuzz);
        const double ty = std::floor(cx[i] * s + cy[i] * c + kFuzz);
        minx = i == 0 ? tx : std::min(minx, tx);
        maxx = i == 0 ? tx : std::max(maxx, tx);
        miny = i == 0 ? ty : std::min(miny, ty);
        maxy = i == 0 ? ty : std::max(maxy, ty);
    }
    // At most 1.5 times the largest side: well inside 64 bits.
    const std::int64_t nw = static_cast<std::int64_t>(maxx - minx) + 2;
    const std::int64_t nh = static_cast<std::int64_t>(maxy - miny) + 2;

    CRaster tmp;
    if (!W::MakeLike(*this, tmp, nw, nh)) return false;
    // Uncovered areas are transparent.
    if (pAlpha != nullptr && (tmp.pAlpha = W::Plane(tmp, true)) == nullptr) return false;

    // The new pixel (x, y) is the turned frame's point (x + minx, y + miny -
    // 1): the picture sits at the top left with the spare pixel to the right
    // and at the bottom. Its source is that point turned back.
    for (LONG y = 0; y < tmp.head.biHeight; ++y) {
        info.nProgress = static_cast<LONG>(100ll * y / tmp.head.biHeight);
        if (info.nEscape != 0) return false;  // stopped: nothing moves in
        const double fy = static_cast<double>(y) + miny - 1;
        for (LONG x = 0; x < tmp.head.biWidth; ++x) {
            const double fx = static_cast<double>(x) + minx;
            const LONG sx = PixelOf(std::floor(fx * c + fy * s + 0.5), w);
            const LONG sy = PixelOf(std::floor(-fx * s + fy * c + 0.5), h);
            if (sx < 0 || sy < 0) continue;
            if (head.biClrUsed != 0) {
                tmp.BlindSetPixelIndex(x, y, BlindGetPixelIndex(sx, sy));
            } else {
                const BYTE* p = pImage + static_cast<std::size_t>(sy) * info.dwEffWidth + sx * 3;
                BYTE* q = tmp.pImage + static_cast<std::size_t>(y) * tmp.info.dwEffWidth + x * 3;
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            }
            if (pAlpha != nullptr)
                tmp.pAlpha[x + static_cast<std::size_t>(y) * tmp.head.biWidth] =
                    BlindAlphaGet(sx, sy);
        }
    }
    return W::Finish(*this, tmp, iDst);
}

bool CRaster::Rotate2(float angle, CRaster* iDst, InterpolationMethod inMethod,
                      OverflowMethod ofMethod, const RGBQUAD* replColor, bool optimizeRightAngles,
                      bool bKeepOriginalSize) {
    if (pDib == nullptr || !std::isfinite(angle)) return false;
    if (iDst == this) iDst = nullptr;
    const LONG w = head.biWidth, h = head.biHeight;
    // Clockwise as seen, as Rotate.
    const double radians = -std::fmod(static_cast<double>(angle), 360.0) * kPi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);

    if (optimizeRightAngles && !bKeepOriginalSize) {
        // Where the corner (-0.5, -0.5) lands, from the centre, against where
        // an exact turn puts it.
        const double x = -w / 2.0, y = -h / 2.0;
        const double px = x * c - y * s, py = x * s + y * c;
        const struct {
            double c, s;
            Turn turn;
            bool copy;
        } exact[] = {{1, 0, Turn::Flip, true},
                     {0, -1, Turn::Right, false},
                     {0, 1, Turn::Left, false},
                     {-1, 0, Turn::Half, false}};
        for (const auto& e : exact) {
            if (std::fabs(px - (x * e.c - y * e.s)) >= 0.25 ||
                std::fabs(py - (x * e.s + y * e.c)) >= 0.25)
                continue;
            if (!e.copy) return W::Turned(*this, iDst, e.turn);
            if (iDst == nullptr) return true;
            iDst->Copy(*this);
            return iDst->IsValid();
        }
    }

    // The box of the turned corners (-0.5, -0.5) .. (w - 0.5, h - 0.5).
    const std::int64_t nw =
        bKeepOriginalSize
            ? w
            : static_cast<std::int64_t>(std::ceil(std::fabs(w * c) + std::fabs(h * s) - kFuzz));
    const std::int64_t nh =
        bKeepOriginalSize
            ? h
            : static_cast<std::int64_t>(std::ceil(std::fabs(w * s) + std::fabs(h * c) - kFuzz));
    CRaster tmp;
    if (!W::MakeLike(*this, tmp, std::max<std::int64_t>(nw, 1), std::max<std::int64_t>(nh, 1)))
        return false;
    if (pAlpha != nullptr && (tmp.pAlpha = W::Plane(tmp, false)) == nullptr) return false;

    // Centre on centre; each new pixel samples its point turned back.
    const double xc = (w - 1) / 2.0, yc = (h - 1) / 2.0;
    const double nxc = (tmp.head.biWidth - 1) / 2.0, nyc = (tmp.head.biHeight - 1) / 2.0;
    for (LONG y = 0; y < tmp.head.biHeight; ++y) {
        info.nProgress = static_cast<LONG>(100ll * y / tmp.head.biHeight);
        if (info.nEscape != 0) return false;  // stopped: nothing moves in
        const double dy = y - nyc;
        BYTE* row = tmp.GetBits(y);
        for (LONG x = 0; x < tmp.head.biWidth; ++x) {
            const double dx = x - nxc;
            const RGBQUAD p = GetPixelColorInterpolated(static_cast<float>(dx * c + dy * s + xc),
                                                        static_cast<float>(-dx * s + dy * c + yc),
                                                        inMethod, ofMethod, replColor);
            if (tmp.head.biClrUsed != 0) {
                tmp.BlindSetPixelColor(x, y, p);
            } else {
                row[3 * x] = p.rgbBlue;
                row[3 * x + 1] = p.rgbGreen;
                row[3 * x + 2] = p.rgbRed;
            }
            if (tmp.pAlpha != nullptr)
                tmp.pAlpha[x + static_cast<std::size_t>(y) * tmp.head.biWidth] = p.rgbReserved;
        }
    }
    return W::Finish(*this, tmp, iDst);
}

bool CRaster::CropRotatedRectangle(LONG topx, LONG topy, LONG width, LONG height, float angle,
                                   CRaster* iDst) {
    if (pDib == nullptr || width <= 0 || height <= 0 || !std::isfinite(angle)) return false;
    if (iDst == this) iDst = nullptr;
    if (std::fabs(angle) < 0.0002f) {
        auto edge = [](std::int64_t v) {
            return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
        };
        return Crop(topx, topy, edge(std::int64_t{topx} + width), edge(std::int64_t{topy} + height),
                    iDst);
    }
    // The corners, lines counted from the top: the top side runs along
    // (cos, -sin), the left side down along (sin, cos).
    const double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
    const double px[4] = {0, width * c, height * s, width * c + height * s};
    const double py[4] = {0, -width * s, height * c, height * c - width * s};
    double l = px[0], r = px[0], t = py[0], b = py[0];
    for (int i = 1; i < 4; ++i) {
        l = std::min(l, px[i]);
        r = std::max(r, px[i]);
        t = std::min(t, py[i]);
        b = std::max(b, py[i]);
    }
    l = std::floor(topx + l + kFuzz);
    r = std::ceil(topx + r - kFuzz);
    t = std::floor(topy + t + kFuzz);
    b = std::ceil(topy + b - kFuzz);
    // The whole rectangle must lie in the picture.
    if (l < 0 || t < 0 || r > head.biWidth || b > head.biHeight) return false;

    CRaster box;
    if (!Crop(static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r),
              static_cast<LONG>(b), &box))
        return false;
    // Turning back by the angle sets the rectangle upright.
    if (!box.Rotate(static_cast<float>(angle * 57.29577951308232))) return false;
    const LONG cl = (box.head.biWidth - width) / 2, ct = (box.head.biHeight - height) / 2;
    if (cl < 0 || ct < 0) return false;
    return box.Crop(cl, ct, cl + width, ct + height, iDst == nullptr ? this : iDst);
}

// ---- Margins --------------------------------------------------------------------------------

bool CRaster::Expand(LONG left, LONG top, LONG right, LONG bottom, RGBQUAD canvascolor,
                     CRaster* iDst) {
    if (pDib == nullptr || left < 0 || top < 0 || right < 0 || bottom < 0) return false;
    if (iDst == this) iDst = nullptr;
    const LONG w = head.biWidth, h = head.biHeight;
    const std::int64_t nw = std::int64_t{w} + left + right;
    const std::int64_t nh = std::int64_t{h} + top + bottom;
    CRaster tmp;
    // Margins are opaque and not selected.
    if (!W::MakeLike(*this, tmp, nw, nh) || !W::PlanesLike(*this, tmp, 255)) return false;
    W::Fill(tmp, canvascolor);
    // `top` lines above the picture: in storage order `bottom` rows below it.
    W::CopyRect(*this, 0, 0, tmp, left, bottom, w, h);
    if (pSelection != nullptr) W::Rebox(tmp);
    return W::Finish(*this, tmp, iDst);
}

bool CRaster::Expand(LONG newx, LONG newy, RGBQUAD canvascolor, CRaster* iDst) {
    if (pDib == nullptr || newx < head.biWidth || newy < head.biHeight) return false;
    const LONG dx = newx - head.biWidth, dy = newy - head.biHeight;
    return Expand(dx / 2, dy / 2, dx - dx / 2, dy - dy / 2, canvascolor, iDst);
}

// ---- Distortions ------------------------------------------------------------------------------

bool CRaster::Thumbnail(LONG newx, LONG newy, RGBQUAD canvascolor, CRaster* iDst) {
    if (pDib == nullptr || newx <= 0 || newy <= 0) return false;
    if (iDst == this) iDst = nullptr;
    CRaster tmp(*this);
    if (!tmp.IsValid()) return false;
    const std::int64_t w = head.biWidth, h = head.biHeight;
    if (w > newx || h > newy) {
        // Fitted by the side that limits, the other in proportion.
        std::int64_t fw = newx, fh = newy;
        if (w * newy > h * newx)
            fh = std::max<std::int64_t>(1, h * newx / w);
        else
            fw = std::max<std::int64_t>(1, w * newy / h);
        if (!tmp.Resample(static_cast<LONG>(fw), static_cast<LONG>(fh), 0)) return false;
    }
    if (!tmp.Expand(newx, newy, canvascolor)) return false;
    return W::Finish(*this, tmp, iDst);
}

bool CRaster::Skew(float xgain, float ygain, LONG xpivot, LONG ypivot, bool bEnableInterpolation) {
    if (pDib == nullptr) return false;
    CRaster tmp(*this);
    if (!tmp.IsValid() || (pAlpha != nullptr && !tmp.AlphaIsValid()) ||
        (pSelection != nullptr && !tmp.SelectionIsValid()))
        return false;
    const LONG w = head.biWidth, h = head.biHeight;
    LONG x0, y0, x1, y1;
    W::SelectedArea(*this, x0, y0, x1, y1);
    for (LONG y = y0; y < y1; ++y) {
        info.nProgress = static_cast<LONG>(100ll * (y - y0) / std::max<LONG>(y1 - y0, 1));
        if (info.nEscape != 0) return false;  // stopped: nothing moves in
        for (LONG x = x0; x < x1; ++x) {
            if (!SelectionIsInside(x, y)) continue;
            // Huge or undefined gains give points outside, never a position
            // out of range.
            const double sx = x + (static_cast<double>(y) - ypivot) * xgain;
            const double sy = y + (static_cast<double>(x) - xpivot) * ygain;
            if (bEnableInterpolation) {
                const RGBQUAD p =
                    GetPixelColorInterpolated(static_cast<float>(sx), static_cast<float>(sy),
                                              InterpBilinear, OverflowBackground);
                tmp.BlindSetPixelColor(x, y, p, true);
            } else {
                W::TakePixel(*this, TruncatedPixelOf(sx, w), TruncatedPixelOf(sy, h), tmp, x, y);
            }
        }
    }
    return Transfer(tmp);
}

bool CRaster::CircleTransform(LONG type, LONG rmax, float Koeff) {
    if (pDib == nullptr || !std::isfinite(Koeff)) return false;
    CRaster tmp(*this);
    if (!tmp.IsValid() || (pAlpha != nullptr && !tmp.AlphaIsValid()) ||
        (pSelection != nullptr && !tmp.SelectionIsValid()))
        return false;
    const LONG w = head.biWidth, h = head.biHeight;
    LONG x0, y0, x1, y1;
    W::SelectedArea(*this, x0, y0, x1, y1);
    const double xc = w / 2.0, yc = h / 2.0;
    double radius = rmax;
    if (rmax == 0) {
        // To the selection box's farthest corner.
        radius = 0;
        for (double cxr : {static_cast<double>(x0), static_cast<double>(x1)})
            for (double cyr : {static_cast<double>(y0), static_cast<double>(y1)})
                radius = std::max(radius, std::hypot(cxr - xc, cyr - yc));
    }
    const double k = Koeff == 0.0f ? 1.0 : Koeff;

    for (LONG y = y0; y < y1; ++y) {
        info.nProgress = static_cast<LONG>(100ll * (y - y0) / std::max<LONG>(y1 - y0, 1));
        if (info.nEscape != 0) return false;  // stopped: nothing moves in
        for (LONG x = x0; x < x1; ++x) {
            if (!SelectionIsInside(x, y)) continue;
            // Angles counted upward from the centre's right.
            const double dx = x - xc, dy = yc - y;
            const double d = std::hypot(dx, dy);
            const double phi = std::atan2(dy, dx);
            double sx = -1, sy = -1;
            if (d < radius) {
                if (type <= 2) {
                    double nd = d, nphi = phi;
                    if (type == 0)
                        nd = d * d / radius;
                    else if (type == 1)
                        nd = std::sqrt(radius * d);
                    else
                        nphi = phi + d / k;
                    sx = xc + std::cos(nphi) * nd;
                    sy = yc - std::sin(nphi) * nd;
                } else if (type == 3) {
                    sx = std::fabs(phi * w / (2 * kPi));
                    sy = std::fabs(h * d / radius);
                } else {
                    sx = static_cast<double>(x) + (x % 32) - 16;
                    sy = y;
                }
            }
            // The nearest pixel of the source point.
            W::TakePixel(*this, PixelOf(std::floor(sx + 0.5), w), PixelOf(std::floor(sy + 0.5), h),
                         tmp, x, y);
        }
    }
    return Transfer(tmp);
}

// ---- Shrinking --------------------------------------------------------------------------------

bool CRaster::QIShrink(LONG newx, LONG newy, CRaster* iDst) {
    if (pDib == nullptr || newx <= 0 || newy <= 0) return false;
    if (iDst == this) iDst = nullptr;
    const LONG w = head.biWidth, h = head.biHeight;
    if (newx > w || newy > h) {
        SetLastError("QIShrink can't enlarge image");
        return false;
    }
    if (newx == w && newy == h) {
        if (iDst != nullptr) {
            iDst->Copy(*this);
            return iDst->IsValid();
        }
        return true;
    }
    CRaster tmp;
    if (!W::MakeLike(*this, tmp, newx, newy)) return false;
    const bool alpha = pAlpha != nullptr;
    if (alpha && (tmp.pAlpha = W::Plane(tmp, false)) == nullptr) return false;

    // The destination column of every source column: step when the added
    // new widths exceed the old one.
    std::vector<LONG> column(static_cast<std::size_t>(w));
    std::int64_t e = 0;
    for (LONG x = 0, dx = 0; x < w; ++x) {
        e += newx;
        if (e > w) {
            e -= w;
            ++dx;
        }
        column[static_cast<std::size_t>(x)] = dx;
    }
    // Blue, green, red, alpha and count per destination pixel of one row.
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(newx) * 5);
    auto flush = [&](LONG dy) {
        for (LONG x = 0; x < newx; ++x) {
            std::uint64_t* s = &sums[static_cast<std::size_t>(x) * 5];
            const std::uint64_t n = s[4];
            const RGBQUAD c{static_cast<BYTE>(s[0] / n), static_cast<BYTE>(s[1] / n),
                            static_cast<BYTE>(s[2] / n), 0};
            tmp.BlindSetPixelColor(x, dy, c);
            if (alpha)
                tmp.pAlpha[x + static_cast<std::size_t>(dy) * newx] = static_cast<BYTE>(s[3] / n);
        }
        std::fill(sums.begin(), sums.end(), 0);
    };
    LONG dy = 0;
    e = 0;
    for (LONG y = 0; y < h; ++y) {
        e += newy;
        if (e > h) {
            e -= h;
            flush(dy++);
        }
        const BYTE* row = GetBits(y);
        const BYTE* arow = alpha ? pAlpha + static_cast<std::size_t>(y) * w : nullptr;
        for (LONG x = 0; x < w; ++x) {
            std::uint64_t* s = &sums[static_cast<std::size_t>(column[x]) * 5];
            if (head.biClrUsed != 0) {
                const RGBQUAD c = GetPaletteColor(BlindGetPixelIndex(x, y));
                s[0] += c.rgbBlue;
                s[1] += c.rgbGreen;
                s[2] += c.rgbRed;
            } else {
                s[0] += row[3 * x];
                s[1] += row[3 * x + 1];
                s[2] += row[3 * x + 2];
            }
            if (alpha) s[3] += arow[x];
            ++s[4];
        }
    }
    flush(dy);
    return W::Finish(*this, tmp, iDst);
}
