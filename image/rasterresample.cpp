// Resampling, and the interpolation that resampling, smooth drawing and the
// geometric transforms sample with.
//
// Every weighted sum is taken relative to one of its own pixel values (the
// first one read): sum w (c - ref) / sum w + ref is the weighted average
// itself, but a channel that is the same everywhere in the window comes out
// exactly, whatever the rounding of the weights. Kernel sums are divided by
// the sum of their weights, so that kernels whose weights do not add up to
// one (Gaussian, sinc, Hamming, Blackman, Bessel) neither brighten nor darken
// the picture.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/raster.h"
#include "image/rasterbilinear.h"
#include "image/rastergeometry.h"

namespace {

constexpr float kPi = 3.1415927f;

// A coordinate farther than this outside the image puts every sampling
// window (the widest reaches six pixels) outside; such coordinates are
// handled as floats and never converted to integers.
constexpr float kFarMargin = 16.0f;

bool Near(float v, LONG size) {
    return v > -kFarMargin && v < static_cast<float>(size) + kFarMargin;  // false for NaN
}

// Only for coordinates that passed Near.
LONG FloorToLong(float v) { return static_cast<LONG>(std::floor(v)); }

// A float made an integer without leaving the range of LONG.
LONG SafeFloor(float v) {
    constexpr float kLimit = 1073741824.0f;  // 2^30
    if (!(v > -kLimit)) return -(1 << 30);
    if (!(v < kLimit)) return 1 << 30;
    return static_cast<LONG>(std::floor(v));
}

BYTE ClampByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<BYTE>(v);
}

bool Remaps(CRaster::OverflowMethod m) {
    return m == CRaster::OverflowWrap || m == CRaster::OverflowRepeat ||
           m == CRaster::OverflowMirror;
}

// The colour of a pixel outside the image under the colour rules (1-3, and
// any unknown method).
RGBQUAD OverflowFill(const CRaster& image, CRaster::OverflowMethod m, const RGBQUAD* color) {
    RGBQUAD c = color != nullptr ? *color : RGBQUAD{255, 255, 255, 0};
    switch (m) {
        case CRaster::OverflowBackground:
            return image.IsTransparent() ? image.GetTransColor() : c;
        case CRaster::OverflowTransparent:
            if (image.AlphaIsValid()) {
                c.rgbReserved = 0;
                return c;
            }
            return image.IsTransparent() ? image.GetTransColor() : c;
        default:
            return c;
    }
}

float KernelOf(CRaster::InterpolationMethod m, float x) {
    switch (m) {
        case CRaster::InterpBSpline:
            return CRaster::KernelBSpline(x);
        case CRaster::InterpCubic:
            return CRaster::KernelCubic(x);
        case CRaster::InterpGeneralizedCubic:
            return CRaster::KernelGeneralizedCubic(x, -0.5f);
        case CRaster::InterpLanczos:
            return CRaster::KernelLanczosSinc(x, 6.0f);
        case CRaster::InterpBox:
            return CRaster::KernelBox(x);
        case CRaster::InterpHermite:
            return CRaster::KernelHermite(x);
        case CRaster::InterpHamming:
            return CRaster::KernelHamming(x);
        case CRaster::InterpSinc:
            return CRaster::KernelSinc(x);
        case CRaster::InterpBlackman:
            return CRaster::KernelBlackman(x);
        case CRaster::InterpBessel:
            return CRaster::KernelBessel(x);
        case CRaster::InterpGaussian:
            return CRaster::KernelGaussian(x);
        case CRaster::InterpQuadratic:
            return CRaster::KernelQuadratic(x);
        case CRaster::InterpMitchell:
            return CRaster::KernelMitchell(x);
        case CRaster::InterpCatrom:
            return CRaster::KernelCatrom(x);
        default:
            return CRaster::KernelLinear(x);
    }
}

// The kernel window's reach before and after floor(x).
struct Reach {
    LONG before;
    LONG after;
};

// Kernel weights kx[i] by column, ky[j] by row; fetch(i, j) gives the pixel
// value at window position (i, j). Each row's columns are summed first, then
// the rows by their weights.
template <bool Alpha, class Fetch>
RGBQUAD KernelSumOf(const float* kx, const float* ky, int n, Fetch fetch) {
    const RGBQUAD ref = fetch(0, 0);
    float sb = 0, sg = 0, sr = 0, sa = 0, wx = 0, wy = 0;
    for (int i = 0; i < n; ++i) wx += kx[i];
    for (int j = 0; j < n; ++j) {
        float rb = 0, rg = 0, rr = 0, ra = 0;
        for (int i = 0; i < n; ++i) {
            const RGBQUAD c = fetch(i, j);
            rb += kx[i] * static_cast<float>(c.rgbBlue - ref.rgbBlue);
            rg += kx[i] * static_cast<float>(c.rgbGreen - ref.rgbGreen);
            rr += kx[i] * static_cast<float>(c.rgbRed - ref.rgbRed);
            if (Alpha) ra += kx[i] * static_cast<float>(c.rgbReserved - ref.rgbReserved);
        }
        sb += ky[j] * rb;
        sg += ky[j] * rg;
        sr += ky[j] * rr;
        if (Alpha) sa += ky[j] * ra;
        wy += ky[j];
    }
    float sw = wx * wy;
    if (!(std::fabs(sw) > 1e-6f)) sw = 1.0f;
    RGBQUAD out;
    out.rgbBlue = ClampByte(ref.rgbBlue + sb / sw);
    out.rgbGreen = ClampByte(ref.rgbGreen + sg / sw);
    out.rgbRed = ClampByte(ref.rgbRed + sr / sw);
    out.rgbReserved = Alpha ? ClampByte(ref.rgbReserved + sa / sw) : 255;
    return out;
}

template <class Fetch>
RGBQUAD KernelSum(const float* kx, const float* ky, int n, bool alpha, Fetch fetch) {
    return alpha ? KernelSumOf<true>(kx, ky, n, fetch) : KernelSumOf<false>(kx, ky, n, fetch);
}

// A kernel window wholly inside a 24-bit image, read directly.
struct DirectWindow {
    const BYTE* origin;       // the window's first pixel value
    std::size_t stride;       // of the rows
    const BYTE* alphaOrigin;  // null without an alpha plane
    std::size_t alphaStride;
    BYTE reserved;  // the reserved byte of a pixel read without alpha

    RGBQUAD operator()(int i, int j) const {
        const BYTE* p = origin + j * stride + 3 * i;
        return RGBQUAD{p[0], p[1], p[2],
                       alphaOrigin != nullptr ? alphaOrigin[j * alphaStride + i] : reserved};
    }
};

Reach ReachOf(CRaster::InterpolationMethod m) {
    return m == CRaster::InterpLanczos ? Reach{5, 6} : Reach{1, 2};
}

// Integer sums of one class of pixels of an area (corner, edge or inner).
struct AreaSum {
    std::int64_t b = 0, g = 0, r = 0, a = 0, n = 0;
    void Add(const RGBQUAD& c) {
        b += c.rgbBlue;
        g += c.rgbGreen;
        r += c.rgbRed;
        a += c.rgbReserved;
        ++n;
    }
};

// One axis of an averaged box: its ends, the pixels its ends lie in, and the
// weights of the first, inner and last pixels (the length inside the box).
struct AreaAxis {
    float lo = 0, hi = 0;
    LONG first = 0, last = 0;
    float w[3] = {0, 1, 0};

    AreaAxis() = default;
    AreaAxis(float centre, float size) : lo(centre - size / 2), hi(centre + size / 2) {
        first = SafeFloor(lo + 0.5f);
        last = SafeFloor(hi + 0.5f);
        w[0] = Overlap(first);
        w[2] = Overlap(last);
    }
    float Overlap(LONG i) const {
        return std::min(hi, static_cast<float>(i) + 0.5f) -
               std::max(lo, static_cast<float>(i) - 0.5f);
    }
    // 0 for the first pixel, 2 for the last, 1 between.
    int ClassOf(LONG i) const { return i == first ? 0 : i == last ? 2 : 1; }
    bool Inside(LONG size) const { return first >= 0 && last < size; }
};

// The average of a box from the integer sums of its nine classes of pixels
// (sums[3 b + a] for row class b and column class a)
// (corners weighted by their surface inside the box, edges by their length,
// inner pixels by 1), relative to the pixel value ref, over the box's surface.
RGBQUAD AreaAverage(const AreaSum* sums, RGBQUAD ref, const AreaAxis& ax, const AreaAxis& ay,
                    float surface, bool alpha) {
    float sb = 0, sg = 0, sr = 0, sa = 0;
    for (int b = 0; b < 3; ++b)
        for (int a = 0; a < 3; ++a) {
            const AreaSum& s = sums[b * 3 + a];
            if (s.n == 0) continue;
            const float weight = ay.w[b] * ax.w[a];
            sb += weight * static_cast<float>(s.b - s.n * ref.rgbBlue);
            sg += weight * static_cast<float>(s.g - s.n * ref.rgbGreen);
            sr += weight * static_cast<float>(s.r - s.n * ref.rgbRed);
            if (alpha) sa += weight * static_cast<float>(s.a - s.n * ref.rgbReserved);
        }
    RGBQUAD out;
    out.rgbBlue = ClampByte(ref.rgbBlue + sb / surface);
    out.rgbGreen = ClampByte(ref.rgbGreen + sg / surface);
    out.rgbRed = ClampByte(ref.rgbRed + sr / surface);
    out.rgbReserved = alpha ? ClampByte(ref.rgbReserved + sa / surface) : 0;
    return out;
}

// Adds to the sums of one row class of a box (row: the three column classes)
// its first and last pixel values and those between, from a row of pixel
// values (BYTE) or of sums over `rows` rows (std::uint32_t).
template <class T>
void AddAreaColumns(AreaSum* row, const T* pixels, const T* alphaRow, const AreaAxis& ax,
                    std::int64_t rows) {
    const auto add = [&](AreaSum& s, LONG i) {
        s.b += pixels[3 * i];
        s.g += pixels[3 * i + 1];
        s.r += pixels[3 * i + 2];
        if (alphaRow != nullptr) s.a += alphaRow[i];
        s.n += rows;
    };
    add(row[0], ax.first);
    if (ax.last != ax.first) add(row[2], ax.last);
    if (ax.last - ax.first < 2) return;
    std::uint64_t b = 0, g = 0, r = 0, a = 0;
    for (LONG i = ax.first + 1; i < ax.last; ++i) {
        b += pixels[3 * i];
        g += pixels[3 * i + 1];
        r += pixels[3 * i + 2];
    }
    if (alphaRow != nullptr)
        for (LONG i = ax.first + 1; i < ax.last; ++i) a += alphaRow[i];
    AreaSum& inner = row[1];
    inner.b += static_cast<std::int64_t>(b);
    inner.g += static_cast<std::int64_t>(g);
    inner.r += static_cast<std::int64_t>(r);
    inner.a += static_cast<std::int64_t>(a);
    inner.n += rows * (ax.last - ax.first - 1);
}

}  // namespace

// ---- Kernels -----------------------------------------------------------------------

float CRaster::KernelBSpline(float x) {
    if (x > 2.0f) return 0.0f;
    const auto p = [](float u) { return u > 0.0f ? u * u * u : 0.0f; };
    return (p(x + 2.0f) - 4.0f * p(x + 1.0f) + 6.0f * p(x) - 4.0f * p(x - 1.0f)) / 6.0f;
}

float CRaster::KernelLinear(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float CRaster::KernelCubic(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return t * t * t - 2.0f * t * t + 1.0f;
    if (t < 2.0f) return -t * t * t + 5.0f * t * t - 8.0f * t + 4.0f;
    return 0.0f;
}

float CRaster::KernelGeneralizedCubic(float x, float a) {
    const float t = std::fabs(x);
    if (t < 1.0f) return (a + 2.0f) * t * t * t - (a + 3.0f) * t * t + 1.0f;
    if (t < 2.0f) return a * t * t * t - 5.0f * a * t * t + 8.0f * a * t - 4.0f * a;
    return 0.0f;
}

float CRaster::KernelLanczosSinc(float x, float radius) {
    if (x == 0.0f) return 1.0f;
    if (!(std::fabs(x) <= radius)) return 0.0f;
    return KernelSinc(x) * KernelSinc(x / radius);
}

float CRaster::KernelBox(float x) { return x >= -0.5f && x < 0.5f ? 1.0f : 0.0f; }

float CRaster::KernelHermite(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? (2.0f * t - 3.0f) * x * x + 1.0f : 0.0f;
}

float CRaster::KernelHamming(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? 0.92f * ((2.0f * t - 3.0f) * x * x) + 1.0f : 0.0f;
}

float CRaster::KernelSinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = kPi * x;
    return std::sin(px) / px;
}

// The window over -1 .. 1, zero at its ends.
float CRaster::KernelBlackman(float x) {
    if (!(std::fabs(x) < 1.0f)) return 0.0f;
    return 0.42f + 0.5f * std::cos(kPi * x) + 0.08f * std::cos(2.0f * kPi * x);
}

float CRaster::KernelBessel(float x) {
    if (x == 0.0f) return kPi / 4.0f;
    return KernelBessel_Order1(kPi * x) / (2.0f * x);
}

float CRaster::KernelBessel_J1(float x) {
    const double v = std::cyl_bessel_j(1.0, std::fabs(static_cast<double>(x)));
    return static_cast<float>(x < 0 ? -v : v);
}

float CRaster::KernelBessel_P1(float x) {
    const double t = std::fabs(static_cast<double>(x));
    if (t == 0) return 1.0f;
    const double chi = t - 3.0 * static_cast<double>(kPi) / 4.0;
    const double j = std::cyl_bessel_j(1.0, t), y = std::cyl_neumann(1.0, t);
    return static_cast<float>(std::sqrt(static_cast<double>(kPi) * t / 2.0) *
                              (j * std::cos(chi) + y * std::sin(chi)));
}

float CRaster::KernelBessel_Q1(float x) {
    const double t = std::fabs(static_cast<double>(x));
    if (t == 0) return 0.0f;
    const double chi = t - 3.0 * static_cast<double>(kPi) / 4.0;
    const double j = std::cyl_bessel_j(1.0, t), y = std::cyl_neumann(1.0, t);
    return static_cast<float>(std::sqrt(static_cast<double>(kPi) * t / 2.0) *
                              (y * std::cos(chi) - j * std::sin(chi)));
}

// J1 directly below 8, from its large-argument form with P1 and Q1 from 8 on.
float CRaster::KernelBessel_Order1(float x) {
    const float t = std::fabs(x);
    if (!(t >= 8.0f)) return KernelBessel_J1(x);
    const double chi = static_cast<double>(t) - 3.0 * static_cast<double>(kPi) / 4.0;
    const double v = std::sqrt(2.0 / (static_cast<double>(kPi) * t)) *
                     (KernelBessel_P1(t) * std::cos(chi) - KernelBessel_Q1(t) * std::sin(chi));
    return static_cast<float>(x < 0 ? -v : v);
}

float CRaster::KernelGaussian(float x) { return std::exp(-2.0f * x * x) * 0.7978846f; }

float CRaster::KernelQuadratic(float x) {
    const float t = std::fabs(x);
    if (t < 0.5f) return 0.75f - x * x;
    if (t < 1.5f) return 0.5f * (t - 1.5f) * (t - 1.5f);
    return 0.0f;
}

float CRaster::KernelMitchell(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return 7.0f / 6.0f * t * t * t - 2.0f * x * x + 8.0f / 9.0f;
    if (t < 2.0f) return -7.0f / 18.0f * t * t * t + 2.0f * x * x - 10.0f / 3.0f * t + 16.0f / 9.0f;
    return 0.0f;
}

float CRaster::KernelCatrom(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return (3.0f * t * t * t - 5.0f * x * x + 2.0f) / 2.0f;
    if (t < 2.0f) return (-t * t * t + 5.0f * x * x - 8.0f * t + 4.0f) / 2.0f;
    return 0.0f;
}

// ---- Overflow rules ------------------------------------------------------------------

void CRaster::OverflowCoordinates(LONG& x, LONG& y, OverflowMethod ofMethod) const {
    if (pDib == nullptr) return;
    const std::int64_t w = head.biWidth, h = head.biHeight;
    const auto wrap = [](std::int64_t c, std::int64_t size) {
        const std::int64_t r = c % size;
        return static_cast<LONG>(r < 0 ? r + size : r);
    };
    const auto mirror = [](std::int64_t c, std::int64_t size) {
        if (c < 0) return static_cast<LONG>((-c) % size);
        if (c >= size) return static_cast<LONG>(size - c % size - 1);
        return static_cast<LONG>(c);
    };
    switch (ofMethod) {
        case OverflowWrap:
            x = wrap(x, w);
            y = wrap(y, h);
            break;
        case OverflowRepeat:
            x = static_cast<LONG>(std::clamp<std::int64_t>(x, 0, w - 1));
            y = static_cast<LONG>(std::clamp<std::int64_t>(y, 0, h - 1));
            break;
        case OverflowMirror:
            x = mirror(x, w);
            y = mirror(y, h);
            break;
        default:
            break;
    }
}

void CRaster::OverflowCoordinates(float& x, float& y, OverflowMethod ofMethod) const {
    if (pDib == nullptr) return;
    const float w = static_cast<float>(head.biWidth), h = static_cast<float>(head.biHeight);
    const auto wrap = [](float c, float size) {
        const float r = std::fmod(c, size);
        return r < 0 ? r + size : r;
    };
    const auto mirror = [](float c, float size) {
        if (c < 0) return std::fmod(-c, size);
        if (c >= size) return size - std::fmod(c, size) - 1.0f;
        return c;
    };
    switch (ofMethod) {
        case OverflowWrap:
            x = wrap(x, w);
            y = wrap(y, h);
            break;
        case OverflowRepeat:
            x = std::clamp(x, 0.0f, w - 1.0f);
            y = std::clamp(y, 0.0f, h - 1.0f);
            break;
        case OverflowMirror:
            x = mirror(x, w);
            y = mirror(y, h);
            break;
        default:
            break;
    }
}

RGBQUAD CRaster::GetPixelColorWithOverflow(LONG x, LONG y, OverflowMethod ofMethod,
                                           const RGBQUAD* rplColor) const {
    if (pDib == nullptr)
        return OverflowFill(*this, Remaps(ofMethod) ? OverflowColor : ofMethod, rplColor);
    if (!IsInside(x, y)) {
        if (!Remaps(ofMethod)) return OverflowFill(*this, ofMethod, rplColor);
        OverflowCoordinates(x, y, ofMethod);
    }
    return BlindGetPixelColor(x, y, true);
}

void CRaster::AddAveragingCont(const RGBQUAD& color, float surf, float& rr, float& gg, float& bb,
                               float& aa) {
    rr += color.rgbRed * surf;
    gg += color.rgbGreen * surf;
    bb += color.rgbBlue * surf;
    aa += color.rgbReserved * surf;
}

// ---- Interpolation -----------------------------------------------------------------------

RGBQUAD CRaster::GetPixelColorInterpolated(float x, float y, InterpolationMethod inMethod,
                                           OverflowMethod ofMethod, const RGBQUAD* rplColor) const {
    if (pDib == nullptr) return GetPixelColorWithOverflow(0, 0, ofMethod, rplColor);
    const LONG width = head.biWidth, height = head.biHeight;
    const bool remaps = Remaps(ofMethod);
    // Far outside (also infinite or not a number): outside for every method.
    if (!Near(x, width) || !Near(y, height)) {
        if (!remaps) return OverflowFill(*this, ofMethod, rplColor);
        OverflowCoordinates(x, y, ofMethod);
        if (!Near(x, width) || !Near(y, height))
            return OverflowFill(*this, OverflowColor, rplColor);
    }

    if (inMethod == InterpNearest)
        return GetPixelColorWithOverflow(FloorToLong(x + 0.5f), FloorToLong(y + 0.5f), ofMethod,
                                         rplColor);

    LONG x0 = FloorToLong(x), y0 = FloorToLong(y);
    const bool kernel = inMethod >= InterpBSpline && inMethod <= InterpCatrom;
    if (!kernel) {
        // Bilinear, also for unknown methods.
        if (x0 < -1 || x0 > width - 1 || y0 < -1 || y0 > height - 1) {
            if (!remaps) return OverflowFill(*this, ofMethod, rplColor);
            OverflowCoordinates(x, y, ofMethod);
            x0 = FloorToLong(x);
            y0 = FloorToLong(y);
        }
        if (x0 >= 0 && y0 >= 0 && x0 + 1 < width && y0 + 1 < height && head.biBitCount == 24) {
            // Interior 24-bit pixel values: 8-bit fixed-point weights.
            const int fx = static_cast<int>((x - static_cast<float>(x0)) * 256);
            const int fy = static_cast<int>((y - static_cast<float>(y0)) * 256);
            const std::size_t stride = info.dwEffWidth;
            return BilinearPixel(
                pImage + static_cast<std::size_t>(y0) * stride + 3 * x0, stride,
                pAlpha != nullptr ? pAlpha + static_cast<std::size_t>(y0) * width + x0 : nullptr,
                static_cast<std::size_t>(width), fx, fy);
        }
        // Edges and indexed images: float weights over the overflow rule.
        const float dx = x - static_cast<float>(x0), dy = y - static_cast<float>(y0);
        const float w10 = dx * (1 - dy), w01 = (1 - dx) * dy, w11 = dx * dy;
        const RGBQUAD c00 = GetPixelColorWithOverflow(x0, y0, ofMethod, rplColor);
        const RGBQUAD c10 = GetPixelColorWithOverflow(x0 + 1, y0, ofMethod, rplColor);
        const RGBQUAD c01 = GetPixelColorWithOverflow(x0, y0 + 1, ofMethod, rplColor);
        const RGBQUAD c11 = GetPixelColorWithOverflow(x0 + 1, y0 + 1, ofMethod, rplColor);
        const auto mix = [&](BYTE RGBQUAD::*ch) {
            const int v = c00.*ch;
            return ClampByte(static_cast<float>(v) + w10 * static_cast<float>(c10.*ch - v) +
                             w01 * static_cast<float>(c01.*ch - v) +
                             w11 * static_cast<float>(c11.*ch - v));
        };
        RGBQUAD c;
        c.rgbBlue = mix(&RGBQUAD::rgbBlue);
        c.rgbGreen = mix(&RGBQUAD::rgbGreen);
        c.rgbRed = mix(&RGBQUAD::rgbRed);
        c.rgbReserved = pAlpha != nullptr ? mix(&RGBQUAD::rgbReserved) : 0;
        return c;
    }

    // Kernel methods: a 4 x 4 window (Lanczos 12 x 12).
    const Reach reach = ReachOf(inMethod);
    if (x0 + reach.after < 0 || x0 - reach.before > width - 1 || y0 + reach.after < 0 ||
        y0 - reach.before > height - 1) {
        if (!remaps) return OverflowFill(*this, ofMethod, rplColor);
        OverflowCoordinates(x, y, ofMethod);
        x0 = FloorToLong(x);
        y0 = FloorToLong(y);
    }
    const int n = static_cast<int>(reach.before + reach.after + 1);
    const LONG left = x0 - reach.before, top = y0 - reach.before;
    float kx[12], ky[12];
    for (int i = 0; i < n; ++i) {
        kx[i] = KernelOf(inMethod, static_cast<float>(left + i) - x);
        ky[i] = KernelOf(inMethod, static_cast<float>(top + i) - y);
    }
    const bool alpha = pAlpha != nullptr;
    if (left >= 0 && top >= 0 && left + n <= width && top + n <= height && head.biBitCount == 24) {
        // Wholly inside: the pixel values are read directly.
        const DirectWindow window{
            pImage + static_cast<std::size_t>(top) * info.dwEffWidth + 3 * left, info.dwEffWidth,
            alpha ? pAlpha + static_cast<std::size_t>(top) * width + left : nullptr,
            static_cast<std::size_t>(width), info.nBkgndColor.rgbReserved};
        return KernelSum(kx, ky, n, alpha, window);
    }
    return KernelSum(kx, ky, n, alpha, [&](int i, int j) {
        return GetPixelColorWithOverflow(left + i, top + j, ofMethod, rplColor);
    });
}

RGBQUAD CRaster::GetAreaColorInterpolated(float xc, float yc, float w, float h,
                                          InterpolationMethod inMethod, OverflowMethod ofMethod,
                                          const RGBQUAD* rplColor) const {
    const bool wideX = w > 1.0f, wideY = h > 1.0f;
    if (!wideX && !wideY) return GetPixelColorInterpolated(xc, yc, inMethod, ofMethod, rplColor);
    const AreaAxis ax(xc, w), ay(yc, h);
    const CRasterRect2 box(ax.lo, ay.lo, ax.hi, ay.hi);
    const float surface = box.Surface();
    if (pDib == nullptr || !std::isfinite(box.left) || !std::isfinite(box.right) ||
        !std::isfinite(box.top) || !std::isfinite(box.bottom) || !(surface > 0.0f))
        return GetPixelColorInterpolated(xc, yc, inMethod, ofMethod, rplColor);
    const bool alpha = pAlpha != nullptr;

    if (!wideX || !wideY) {
        // Along one axis only: each pixel cell the box overlaps gives the
        // interpolated colour at the centre of the overlap, weighted by its
        // surface.
        bool first = true;
        RGBQUAD ref{};
        float sb = 0, sg = 0, sr = 0, sa = 0;
        for (LONG j = ay.first; j <= ay.last; ++j)
            for (LONG i = ax.first; i <= ax.last; ++i) {
                const CRasterRect2 cell(static_cast<float>(i) - 0.5f, static_cast<float>(j) - 0.5f,
                                        static_cast<float>(i) + 0.5f, static_cast<float>(j) + 0.5f);
                const CRasterRect2 part = box.CrossSection(cell);
                const float s = part.Surface();
                if (!(s > 0.0f)) continue;
                const CRasterPoint2 at = part.Center();
                const RGBQUAD c =
                    GetPixelColorInterpolated(at.x, at.y, inMethod, ofMethod, rplColor);
                if (first) {
                    ref = c;
                    first = false;
                }
                sb += s * static_cast<float>(c.rgbBlue - ref.rgbBlue);
                sg += s * static_cast<float>(c.rgbGreen - ref.rgbGreen);
                sr += s * static_cast<float>(c.rgbRed - ref.rgbRed);
                sa += s * static_cast<float>(c.rgbReserved - ref.rgbReserved);
            }
        RGBQUAD out;
        out.rgbBlue = ClampByte(ref.rgbBlue + sb / surface);
        out.rgbGreen = ClampByte(ref.rgbGreen + sg / surface);
        out.rgbRed = ClampByte(ref.rgbRed + sr / surface);
        out.rgbReserved = alpha ? ClampByte(ref.rgbReserved + sa / surface) : 0;
        return out;
    }

    // Both axes. The pixels of each class are summed as integers, which gives
    // the same sums whichever way the pixel values are read.
    AreaSum sums[9];
    RGBQUAD ref;
    if (ax.Inside(head.biWidth) && ay.Inside(head.biHeight) && head.biBitCount == 24) {
        // Wholly inside: the rows are read directly.
        for (LONG j = ay.first; j <= ay.last; ++j)
            AddAreaColumns(sums + 3 * ay.ClassOf(j), GetBits(j),
                           alpha ? pAlpha + static_cast<std::size_t>(j) * head.biWidth : nullptr,
                           ax, 1);
        ref = BlindGetPixelColor(ax.first, ay.first, true);
        if (!alpha) ref.rgbReserved = 0;
    } else {
        ref = GetPixelColorWithOverflow(ax.first, ay.first, ofMethod, rplColor);
        for (LONG j = ay.first; j <= ay.last; ++j)
            for (LONG i = ax.first; i <= ax.last; ++i)
                sums[3 * ay.ClassOf(j) + ax.ClassOf(i)].Add(
                    GetPixelColorWithOverflow(i, j, ofMethod, rplColor));
    }
    return AreaAverage(sums, ref, ax, ay, surface, alpha);
}

// ---- Resampling ------------------------------------------------------------------------------

namespace {

// Progress before a row; true when the escape value asks to stop.
bool RowStart(CRaster& image, LONG y, LONG rows) {
    image.SetProgress(static_cast<LONG>(100LL * y / rows));
    return image.GetEscape() != 0;
}

}  // namespace

namespace {

// acc[k] = sum of rows[j][k] over `rows` rows `stride` bytes apart: the
// inner rows of a band of boxes summed column by column, a block of columns
// at a time so that the sums stay in registers.
void SumRows(std::uint32_t* __restrict acc, const BYTE* __restrict first, std::size_t stride,
             std::int64_t rows, std::size_t n) {
    constexpr std::size_t kBlock = 16;
    std::size_t k = 0;
    for (; k + kBlock <= n; k += kBlock) {
        std::uint32_t sum[kBlock] = {};
        const BYTE* p = first + k;
        for (std::int64_t j = 0; j < rows; ++j, p += stride)
            for (std::size_t i = 0; i < kBlock; ++i) sum[i] += p[i];
        for (std::size_t i = 0; i < kBlock; ++i) acc[k + i] = sum[i];
    }
    for (; k < n; ++k) {
        std::uint32_t sum = 0;
        const BYTE* p = first + k;
        for (std::int64_t j = 0; j < rows; ++j, p += stride) sum += *p;
        acc[k] = sum;
    }
}

// One destination row of Resample2's averaging of a 24-bit picture; false
// when the row's boxes reach outside the picture vertically (then every
// pixel goes through GetAreaColorInterpolated). The rows between the band's
// first and last are summed column by column first; the boxes' integer sums
// are the same as GetAreaColorInterpolated's, and so are the results.
struct Sweep {
    std::vector<AreaAxis> columns;
    std::vector<std::uint32_t> inner, innerAlpha;
};

bool SweepRow(const CRaster& source, CRaster& dest, LONG y, float sY, float xScale, float yScale,
              Sweep& sweep, CRaster::InterpolationMethod inMethod,
              CRaster::OverflowMethod ofMethod) {
    const AreaAxis ay(sY, yScale);
    const LONG width = static_cast<LONG>(source.GetWidth());
    // The column sums hold up to 2^24 rows of 8-bit values.
    if (!ay.Inside(static_cast<LONG>(source.GetHeight())) || ay.last - ay.first > (1 << 24))
        return false;
    const bool alpha = source.AlphaIsValid();
    const std::int64_t innerRows = std::max<std::int64_t>(ay.last - ay.first - 1, 0);
    if (innerRows > 0) {
        SumRows(sweep.inner.data(), source.GetBits(ay.first + 1), source.GetEffWidth(), innerRows,
                sweep.inner.size());
        if (alpha)
            SumRows(sweep.innerAlpha.data(), source.AlphaGetPointer(0, ay.first + 1),
                    static_cast<std::size_t>(width), innerRows, sweep.innerAlpha.size());
    }
    const BYTE* firstRow = source.GetBits(ay.first);
    const BYTE* lastRow = source.GetBits(ay.last);
    const BYTE* firstAlpha = alpha ? source.AlphaGetPointer(0, ay.first) : nullptr;
    const BYTE* lastAlpha = alpha ? source.AlphaGetPointer(0, ay.last) : nullptr;
    BYTE* row = dest.GetBits(y);
    const LONG newx = static_cast<LONG>(sweep.columns.size());
    for (LONG x = 0; x < newx; ++x) {
        const AreaAxis& ax = sweep.columns[x];
        RGBQUAD c;
        if (ax.Inside(width)) {
            AreaSum sums[9];
            AddAreaColumns(sums, firstRow, firstAlpha, ax, 1);
            if (ay.last != ay.first) AddAreaColumns(sums + 6, lastRow, lastAlpha, ax, 1);
            if (innerRows > 0)
                AddAreaColumns(sums + 3, sweep.inner.data(),
                               alpha ? sweep.innerAlpha.data() : nullptr, ax, innerRows);
            const CRasterRect2 box(ax.lo, ay.lo, ax.hi, ay.hi);
            RGBQUAD ref = source.GetPixelColor(ax.first, ay.first, true);
            if (!alpha) ref.rgbReserved = 0;
            c = AreaAverage(sums, ref, ax, ay, box.Surface(), alpha);
        } else {
            c = source.GetAreaColorInterpolated((static_cast<float>(x) + 0.5f) * xScale - 0.5f, sY,
                                                xScale, yScale, inMethod, ofMethod);
        }
        row[3 * x] = c.rgbBlue;
        row[3 * x + 1] = c.rgbGreen;
        row[3 * x + 2] = c.rgbRed;
        if (alpha) dest.AlphaSet(x, y, c.rgbReserved);
    }
    return true;
}

}  // namespace

// What Resample2 works out once for the whole picture: the scales, which
// way the pixels are computed, and for the kernel methods on 24 bits each
// column's and row's window and weights (exactly as
// GetPixelColorInterpolated works them out; windows that reach outside the
// image go through it).
struct CRaster::ResamplePlan {
    float xScale, yScale;
    InterpolationMethod method;
    OverflowMethod overflow;
    bool averaging, indexed, tables, sweep;
    int n = 0;  // the kernel window's size
    std::vector<LONG> columnStart, rowStart;
    std::vector<float> columnWeights, rowWeights;
    Sweep sweepState;

    ResamplePlan(const CRaster& source, LONG newx, LONG newy, InterpolationMethod inMethod,
                 OverflowMethod ofMethod, bool disableAveraging)
        : xScale(static_cast<float>(source.head.biWidth) / static_cast<float>(newx)),
          yScale(static_cast<float>(source.head.biHeight) / static_cast<float>(newy)),
          method(inMethod),
          overflow(ofMethod),
          averaging((xScale > 1.0f || yScale > 1.0f) && !disableAveraging),
          indexed(source.head.biClrUsed != 0),
          tables(!averaging && !indexed && inMethod >= InterpBSpline && inMethod <= InterpCatrom),
          // Averaging 24-bit pictures in both directions: the boxes of a
          // whole destination row are summed in one pass over their source
          // rows, with the same integer sums and the same weights as
          // GetAreaColorInterpolated.
          sweep(averaging && !indexed && xScale > 1.0f && yScale > 1.0f) {
        if (tables) {
            const Reach reach = ReachOf(inMethod);
            n = static_cast<int>(reach.before + reach.after + 1);
            KernelTable(reach, newx, xScale, source.head.biWidth, columnStart, columnWeights);
            KernelTable(reach, newy, yScale, source.head.biHeight, rowStart, rowWeights);
        }
        if (sweep) {
            sweepState.columns.resize(static_cast<std::size_t>(newx));
            for (LONG x = 0; x < newx; ++x)
                sweepState.columns[x] =
                    AreaAxis((static_cast<float>(x) + 0.5f) * xScale - 0.5f, xScale);
            sweepState.inner.resize(static_cast<std::size_t>(source.head.biWidth) * 3);
            if (source.pAlpha != nullptr)
                sweepState.innerAlpha.resize(static_cast<std::size_t>(source.head.biWidth));
        }
    }

    // The first source index of each of `count` windows (-1 for one that
    // does not lie wholly inside `size`) and their weights.
    void KernelTable(Reach reach, LONG count, float scale, LONG size, std::vector<LONG>& start,
                     std::vector<float>& weights) const {
        start.resize(static_cast<std::size_t>(count));
        weights.resize(static_cast<std::size_t>(count) * n);
        for (LONG k = 0; k < count; ++k) {
            const float s = (static_cast<float>(k) + 0.5f) * scale - 0.5f;
            const LONG first = FloorToLong(s) - reach.before;
            start[k] = first >= 0 && first + n <= size ? first : -1;
            for (int i = 0; i < n; ++i)
                weights[static_cast<std::size_t>(k) * n + i] =
                    KernelOf(method, static_cast<float>(first + i) - s);
        }
    }
};

bool CRaster::Resample2(LONG newx, LONG newy, InterpolationMethod inMethod, OverflowMethod ofMethod,
                        CRaster* iDst, bool disableAveraging) {
    if (newx <= 0 || newy < 1 || pDib == nullptr) return false;
    if (newx == head.biWidth && newy == head.biHeight) {
        if (iDst != nullptr) iDst->Copy(*this);
        return true;
    }
    CRaster tmp;
    tmp.CopyInfo(*this);
    if (tmp.Create(newx, newy, head.biBitCount, info.dwType) == nullptr) return false;
    tmp.SetPalette(GetPalette(), std::min<DWORD>(GetNumColors(), 256));
    if (pAlpha != nullptr && !tmp.AlphaCreate()) return false;

    ResamplePlan plan(*this, newx, newy, inMethod, ofMethod, disableAveraging);
    for (LONG y = 0; y < newy; ++y) {
        if (RowStart(*this, y, newy)) break;
        ResampleRow(tmp, y, plan);
    }
    return iDst != nullptr ? iDst->Transfer(tmp) : Transfer(tmp);
}

// One destination row of Resample2.
void CRaster::ResampleRow(CRaster& tmp, LONG y, ResamplePlan& plan) const {
    const float sY = (static_cast<float>(y) + 0.5f) * plan.yScale - 0.5f;
    if (plan.sweep && SweepRow(*this, tmp, y, sY, plan.xScale, plan.yScale, plan.sweepState,
                               plan.method, plan.overflow))
        return;
    const LONG newx = tmp.head.biWidth;
    BYTE* row = tmp.GetBits(y);
    BYTE* alphaRow =
        tmp.pAlpha != nullptr ? tmp.pAlpha + static_cast<std::size_t>(y) * newx : nullptr;
    for (LONG x = 0; x < newx; ++x) {
        const float sX = (static_cast<float>(x) + 0.5f) * plan.xScale - 0.5f;
        if (plan.averaging) {
            tmp.SetPixelColor(x, y,
                              GetAreaColorInterpolated(sX, sY, plan.xScale, plan.yScale,
                                                       plan.method, plan.overflow),
                              true);
            continue;
        }
        if (plan.indexed) {
            tmp.SetPixelColor(x, y, GetPixelColorInterpolated(sX, sY, plan.method, plan.overflow),
                              true);
            continue;
        }
        // 24 bits: straight into the row and the alpha plane.
        const RGBQUAD c = plan.tables && plan.columnStart[x] >= 0 && plan.rowStart[y] >= 0
                              ? KernelWindowSum(plan, x, y)
                              : GetPixelColorInterpolated(sX, sY, plan.method, plan.overflow);
        row[3 * x] = c.rgbBlue;
        row[3 * x + 1] = c.rgbGreen;
        row[3 * x + 2] = c.rgbRed;
        if (alphaRow != nullptr) alphaRow[x] = c.rgbReserved;
    }
}

// The kernel sum of destination pixel (x, y) whose window lies wholly
// inside this 24-bit image, read directly.
RGBQUAD CRaster::KernelWindowSum(const ResamplePlan& plan, LONG x, LONG y) const {
    const std::size_t width = static_cast<std::size_t>(head.biWidth);
    const LONG column = plan.columnStart[x], first = plan.rowStart[y];
    const DirectWindow window{
        pImage + static_cast<std::size_t>(first) * info.dwEffWidth + 3 * column, info.dwEffWidth,
        pAlpha != nullptr ? pAlpha + first * width + column : nullptr, width,
        info.nBkgndColor.rgbReserved};
    const std::size_t n = static_cast<std::size_t>(plan.n);
    return KernelSum(&plan.columnWeights[static_cast<std::size_t>(x) * n],
                     &plan.rowWeights[static_cast<std::size_t>(y) * n], plan.n, pAlpha != nullptr,
                     window);
}

bool CRaster::Resample(LONG newx, LONG newy, int mode, CRaster* iDst) {
    if (newx <= 0 || newy <= 0 || pDib == nullptr) return false;
    if (newx == head.biWidth && newy == head.biHeight) {
        if (iDst != nullptr) iDst->Copy(*this);
        return true;
    }
    const LONG width = head.biWidth, height = head.biHeight;
    const float xScale = static_cast<float>(width) / static_cast<float>(newx);
    const float yScale = static_cast<float>(height) / static_cast<float>(newy);

    CRaster tmp;
    tmp.CopyInfo(*this);
    if (tmp.Create(newx, newy, head.biBitCount, info.dwType) == nullptr) return false;
    tmp.SetPalette(GetPalette(), std::min<DWORD>(GetNumColors(), 256));
    if (pAlpha != nullptr && !tmp.AlphaCreate()) return false;

    const bool indexed = head.biClrUsed != 0;
    const bool boxAverage = mode != 1 && mode != 2 && !indexed && xScale > 1.0f && yScale > 1.0f;
    for (LONG y = 0; y < newy; ++y) {
        if (RowStart(*this, y, newy)) break;
        for (LONG x = 0; x < newx; ++x) {
            if (mode == 1) {
                // The pixel the destination pixel's corner falls on.
                const LONG sx =
                    std::min(static_cast<LONG>(static_cast<float>(x) * xScale), width - 1);
                const LONG sy =
                    std::min(static_cast<LONG>(static_cast<float>(y) * yScale), height - 1);
                if (indexed)
                    tmp.BlindSetPixelIndex(x, y, BlindGetPixelIndex(sx, sy));
                else
                    tmp.BlindSetPixelColor(x, y, BlindGetPixelColor(sx, sy, false));
                if (pAlpha != nullptr)
                    tmp.pAlpha[x + static_cast<std::size_t>(y) * newx] = BlindAlphaGet(sx, sy);
            } else if (mode == 2) {
                tmp.SetPixelColor(x, y,
                                  GetPixelColorInterpolated(static_cast<float>(x) * xScale - 0.5f,
                                                            static_cast<float>(y) * yScale - 0.5f,
                                                            InterpBSpline, OverflowRepeat),
                                  true);
            } else if (boxAverage) {
                // The destination pixel's source box in thousandths of a
                // pixel, each source pixel weighted by its overlap.
                const std::int64_t x1 = 1000LL * x * width / newx;
                const std::int64_t x2 = 1000LL * (x + 1) * width / newx;
                const std::int64_t y1 = 1000LL * y * height / newy;
                const std::int64_t y2 = 1000LL * (y + 1) * height / newy;
                std::int64_t b = 0, g = 0, r = 0, a = 0;
                for (std::int64_t j = y1 / 1000; j * 1000 < y2; ++j) {
                    const std::int64_t wyj = std::min(y2, (j + 1) * 1000) - std::max(y1, j * 1000);
                    const BYTE* row = GetBits(static_cast<LONG>(j));
                    for (std::int64_t i = x1 / 1000; i * 1000 < x2; ++i) {
                        const std::int64_t wgt =
                            wyj * (std::min(x2, (i + 1) * 1000) - std::max(x1, i * 1000));
                        const BYTE* p = row + 3 * i;
                        b += wgt * p[0];
                        g += wgt * p[1];
                        r += wgt * p[2];
                        if (pAlpha != nullptr)
                            a += wgt * BlindAlphaGet(static_cast<LONG>(i), static_cast<LONG>(j));
                    }
                }
                const std::int64_t total = (x2 - x1) * (y2 - y1);
                RGBQUAD c{static_cast<BYTE>(b / total), static_cast<BYTE>(g / total),
                          static_cast<BYTE>(r / total), static_cast<BYTE>(a / total)};
                tmp.BlindSetPixelColor(x, y, c, true);
            } else {
                tmp.SetPixelColor(
                    x, y,
                    GetPixelColorInterpolated((static_cast<float>(x) + 0.5f) * xScale - 0.5f,
                                              (static_cast<float>(y) + 0.5f) * yScale - 0.5f,
                                              InterpBilinear, OverflowRepeat),
                    true);
            }
        }
    }
    return iDst != nullptr ? iDst->Transfer(tmp) : Transfer(tmp);
}
