// Resampling and interpolation: kernels, overflow rules, Resample2's sample
// positions and area averaging, and the fast paths against the same picture
// read through the overflow rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "image/raster.h"
#include "image/rastergeometry.h"
#include "image/tests/imagetesting.h"

namespace {

using imagetesting::Pattern;
using imagetesting::SamePixels;
using IM = CRaster::InterpolationMethod;
using OM = CRaster::OverflowMethod;

static_assert(CRaster::InterpNearest == 1 && CRaster::InterpGeneralizedCubic == 5 &&
              CRaster::InterpLanczos == 6 && CRaster::InterpCatrom == 16 && sizeof(IM) == 4);
static_assert(CRaster::OverflowColor == 1 && CRaster::OverflowRepeat == 5 &&
              CRaster::OverflowMirror == 6 && sizeof(OM) == 4);

IM Method(int m) { return static_cast<IM>(m); }
OM Overflow(int o) { return static_cast<OM>(o); }

bool Same(RGBQUAD a, RGBQUAD b, bool alpha = true) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           (!alpha || a.rgbReserved == b.rgbReserved);
}

std::string Show(RGBQUAD c) {
    return "(" + std::to_string(c.rgbRed) + ", " + std::to_string(c.rgbGreen) + ", " +
           std::to_string(c.rgbBlue) + ", a " + std::to_string(c.rgbReserved) + ")";
}

CRaster Uniform(LONG width, LONG height, DWORD bpp, RGBQUAD c) {
    CRaster image(width, height, bpp, 0);
    image.SetPaletteColor(3, c);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            bpp <= 8 ? image.SetPixelIndex(x, y, 3) : image.SetPixelColor(x, y, c);
    return image;
}

// A 24-bit picture of seeded random colours from a table of 200, with a
// random alpha plane, and the same picture as an 8-bit image with that table,
// which is read only through the overflow rules.
struct Twins {
    CRaster rgb;
    CRaster indexed;
};

Twins RandomTwins(LONG width, LONG height, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 199);
    Twins t{CRaster(width, height, 24, 0), CRaster(width, height, 8, 0)};
    for (int i = 0; i < 200; ++i)
        t.indexed.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(byte(rng)),
                                  static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)));
    t.rgb.AlphaCreate();
    t.indexed.AlphaCreate();
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            const BYTE i = static_cast<BYTE>(pick(rng)), a = static_cast<BYTE>(byte(rng));
            t.indexed.SetPixelIndex(x, y, i);
            t.rgb.SetPixelColor(x, y, t.indexed.GetPaletteColor(i));
            t.indexed.AlphaSet(x, y, a);
            t.rgb.AlphaSet(x, y, a);
        }
    return t;
}

// ---- Kernels and overflow rules -------------------------------------------------------

float Cubic05(float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); }
float Cubic1(float x) { return CRaster::KernelGeneralizedCubic(x, -1.0f); }
float Lanczos6(float x) { return CRaster::KernelLanczosSinc(x, 6); }

TEST(ResampleKernelTest, ValuesAtStatedPoints) {
    struct Case {
        float (*kernel)(float);
        std::vector<std::pair<float, double>> points;  // x, value
    };
    const Case cases[] = {
        {Cubic05, {{0, 1}, {0.5f, 0.5625}, {-1.5f, -0.0625}, {1, 0}, {2, 0}}},
        {Cubic1, {{1.5f, -0.125}}},
        {CRaster::KernelCubic, {{0.5f, 0.625}, {-1.5f, -0.125}}},
        {CRaster::KernelBSpline,
         {{0, 2.0 / 3},
          {1, 1.0 / 6},
          {-0.5f, 23.0 / 48},
          {0.5f, 23.0 / 48},
          {-1.5f, 1.0 / 48},
          {2.5f, 0},
          {-2.5f, 0}}},
        {CRaster::KernelLinear, {{-0.25f, 0.75}}},
        {CRaster::KernelBox, {{-0.5f, 1}, {0.5f, 0}}},
        {CRaster::KernelHermite, {{0.5f, 0.5}}},
        {CRaster::KernelHamming, {{0.5f, 0.54}, {1, 0}}},
        {CRaster::KernelSinc, {{0, 1}, {0.5f, 2 / 3.1415927}, {1, 0}}},
        {Lanczos6, {{0, 1}, {0.5f, 0.6293724}, {6.5f, 0}}},
        {CRaster::KernelBlackman, {{0, 1}, {0.5f, 0.34}, {1.5f, 0}}},
        // At 3 the Bessel function's argument is beyond 8: through P1 and Q1.
        {CRaster::KernelBessel,
         {{0, 3.1415927 / 4}, {0.5f, 0.5668241}, {-1, 0.1423077}, {3, 0.0294542}}},
        {CRaster::KernelBessel_J1, {{-1, -0.4400506}}},
        {CRaster::KernelBessel_Order1, {{10, 0.0434727}, {-10, -0.0434727}}},
        {CRaster::KernelGaussian, {{0, 0.7978846}, {-0.5f, 0.4839415}}},
        {CRaster::KernelQuadratic, {{0, 0.75}, {0.5f, 0.5}, {-1, 0.125}, {1.5f, 0}}},
        {CRaster::KernelMitchell, {{0, 8.0 / 9}, {1, 1.0 / 18}, {-1.5f, -0.0347222}, {2, 0}}},
        {CRaster::KernelCatrom, {{0.5f, 0.5625}, {1.5f, -0.0625}, {1, 0}}},
    };
    for (const Case& c : cases)
        for (const auto& [x, value] : c.points)
            EXPECT_NEAR(c.kernel(x), value, 2e-6) << "kernel " << (&c - cases) << " at " << x;
}

TEST(ResampleOverflowTest, CoordinatesInBothForms) {
    const CRaster image(5, 4, 24, 0);
    struct Case {
        int method;
        LONG x, y, ex, ey;
    };
    const Case cases[] = {
        {4, -1, 4, 4, 0},  {4, -6, -9, 4, 3},
        {4, 7, 2, 2, 2},   {4, INT_MIN, INT_MAX, 2, 3},
        {5, -3, 9, 0, 3},  {5, INT_MAX, INT_MIN, 4, 0},
        {6, -1, -4, 1, 0}, {6, 5, 6, 4, 1},
        {6, 6, 4, 3, 3},   {6, INT_MIN, INT_MAX, 3, 0},
        {1, -7, 8, -7, 8}, {0, 9, -1, 9, -1},
    };
    for (const Case& c : cases) {
        LONG x = c.x, y = c.y;
        image.OverflowCoordinates(x, y, Overflow(c.method));
        EXPECT_TRUE(x == c.ex && y == c.ey) << c.method << ": " << c.x << ", " << c.y;
        if (std::abs(static_cast<long long>(c.x)) > 100 ||
            std::abs(static_cast<long long>(c.y)) > 100)
            continue;
        // The float form follows the same rules.
        float fx = static_cast<float>(c.x), fy = static_cast<float>(c.y);
        image.OverflowCoordinates(fx, fy, Overflow(c.method));
        EXPECT_TRUE(fx == c.ex && fy == c.ey) << "float " << c.method << ": " << c.x;
    }
    const float floats[][3] = {{4, -0.5f, 4.5f}, {4, 7.25f, 2.25f}, {5, -3.5f, 0},
                               {5, 4.5f, 4},     {6, -1.5f, 1.5f},  {6, 5.5f, 3.5f}};
    for (const auto& c : floats) {
        float x = c[1], y = 1.0f;
        image.OverflowCoordinates(x, y, Overflow(static_cast<int>(c[0])));
        EXPECT_TRUE(x == c[2] && y == 1.0f) << c[0] << ": " << c[1];
    }
}

TEST(ResampleOverflowTest, ColoursOutsideTheImage) {
    const RGBQUAD given{10, 20, 30, 40}, white{255, 255, 255, 0}, trans{1, 2, 3, 0};
    CRaster plain = Pattern(3, 3, 24), keyed = Pattern(3, 3, 24), withAlpha = Pattern(3, 3, 24);
    keyed.SetTransIndex(0);
    keyed.SetTransColor(trans);
    withAlpha.AlphaCreate();
    withAlpha.SetTransIndex(0);
    CRaster indexed = Pattern(3, 3, 8);
    indexed.SetTransIndex(5);
    struct Case {
        const CRaster* image;
        int method;
        const RGBQUAD* color;
        RGBQUAD expected;
    };
    const Case cases[] = {
        {&plain, 1, nullptr, white},
        {&plain, 1, &given, given},
        {&plain, 0, &given, given},
        {&plain, 77, nullptr, white},
        {&plain, 2, &given, given},
        {&keyed, 2, &given, trans},
        {&indexed, 2, &given, indexed.GetPaletteColor(5)},
        {&plain, 3, nullptr, white},
        {&keyed, 3, &given, trans},
        {&withAlpha, 3, &given, RGBQUAD{10, 20, 30, 0}},
        {&withAlpha, 3, nullptr, white},
    };
    for (const Case& c : cases) {
        const RGBQUAD got = c.image->GetPixelColorWithOverflow(-1, 1, Overflow(c.method), c.color);
        EXPECT_TRUE(Same(got, c.expected)) << c.method << ": " << Show(got);
        // Each method's window lies wholly outside: the colour at once.
        for (int m : {1, 2, 5, 6})
            EXPECT_TRUE(Same(
                c.image->GetPixelColorInterpolated(-13, 1, Method(m), Overflow(c.method), c.color),
                c.expected))
                << c.method << " method " << m;
    }
}

// Points far outside, infinite or not a number are outside under the
// overflow rule, and never become integers out of range.
TEST(ResampleOverflowTest, NonFiniteAndHugeCoordinatesAreOutside) {
    const float inf = std::numeric_limits<float>::infinity();
    const RGBQUAD given{10, 20, 30, 40};
    CRaster image = Pattern(6, 5, 24);
    image.AlphaCreate();
    image.AlphaSet(5, 2, 99);
    for (int m = 1; m <= 16; ++m)
        for (float v : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -3e9f}) {
            for (int o : {1, 2, 3}) {
                const RGBQUAD outside = image.GetPixelColorWithOverflow(-1, 0, Overflow(o), &given);
                EXPECT_TRUE(
                    Same(image.GetPixelColorInterpolated(v, 2, Method(m), Overflow(o), &given),
                         outside));
                EXPECT_TRUE(
                    Same(image.GetPixelColorInterpolated(2, v, Method(m), Overflow(o), &given),
                         outside));
                EXPECT_TRUE(Same(
                    image.GetAreaColorInterpolated(v, 2, 2.5f, 3, Method(m), Overflow(o), &given),
                    outside))
                    << m << " " << o << " " << v;
            }
            // Not a number has no place to be mapped to: the given colour;
            // repeat clamps anything else to the edge pixel.
            const RGBQUAD got =
                image.GetPixelColorInterpolated(v, 2, Method(m), Overflow(5), &given);
            if (std::isnan(v)) {
                for (int o : {4, 5, 6})
                    EXPECT_TRUE(
                        Same(image.GetPixelColorInterpolated(v, 2, Method(m), Overflow(o), &given),
                             given));
            } else if (m <= 2) {
                EXPECT_TRUE(Same(got, image.GetPixelColor(v > 0 ? 5 : 0, 2))) << m << " " << v;
            }
            for (int o : {4, 6}) image.GetPixelColorInterpolated(v, v, Method(m), Overflow(o));
        }
    EXPECT_TRUE(Same(image.GetAreaColorInterpolated(2, 2, inf, 3, Method(2), Overflow(5)),
                     image.GetPixelColorInterpolated(2, 2, Method(2), Overflow(5))));
}

// ---- Resample2 ---------------------------------------------------------------------------

// Every method (and unknown ones) under every rule whose outside colour is
// the picture's own keeps a uniform picture exactly uniform, shrinking,
// enlarging and both at once, averaged or not.
TEST(Resample2Test, UniformPicturesStayExactlyUniform) {
    const RGBQUAD colour{37, 201, 128, 0}, white{255, 255, 255, 0};
    const LONG sizes[][4] = {{30, 20, 12, 7}, {100, 100, 50, 50}, {7, 5, 17, 13}, {30, 5, 12, 13}};
    struct Picture {
        DWORD bpp;
        RGBQUAD c;
        bool alpha;
        std::vector<int> overflows;
    };
    const Picture pictures[] = {{24, white, false, {0, 1, 3, 4, 5, 6}},
                                {24, colour, false, {2, 3, 4, 5, 6}},
                                {24, colour, true, {4, 5, 6}},
                                {8, colour, true, {4, 5, 6}}};
    for (const Picture& p : pictures)
        for (const auto& s : sizes) {
            CRaster source = Uniform(s[0], s[1], p.bpp, p.c);
            source.SetTransIndex(3);
            source.SetTransColor(p.c);
            if (p.alpha) {
                source.AlphaCreate();
                source.AlphaSet(200);
            }
            for (int m = 0; m <= 17; ++m)
                for (int o : p.overflows)
                    for (bool noAveraging : {false, true}) {
                        CRaster out;
                        ASSERT_TRUE(source.Resample2(s[2], s[3], Method(m), Overflow(o), &out,
                                                     noAveraging));
                        ASSERT_TRUE(out.GetWidth() == DWORD(s[2]) &&
                                    out.GetHeight() == DWORD(s[3]));
                        for (LONG y = 0; y < s[3]; ++y)
                            for (LONG x = 0; x < s[2]; ++x)
                                ASSERT_TRUE(Same(out.GetPixelColor(x, y, false), p.c, false) &&
                                            (!p.alpha || out.AlphaGet(x, y) == 200))
                                    << p.bpp << " " << s[0] << " to " << s[2] << " method " << m
                                    << " overflow " << o << " " << noAveraging << " at " << x
                                    << ", " << y << ": " << Show(out.GetPixelColor(x, y));
                    }
        }
}

// 10 x 10 to 20 x 20 samples at (x + 0.5) / 2 - 0.5: column 0 at -0.25,
// whose window's outside columns the repeat rule clamps to column 0.
TEST(Resample2Test, EnlargingSamplesAtTheDestinationPixelCentres) {
    CRaster source(10, 10, 24, 0);
    const BYTE columns[10] = {100, 200, 50};
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 10; ++x) source.SetPixelColor(x, y, RGBQUAD{columns[x], 7, 9, 0});
    CRaster out;
    ASSERT_TRUE(source.Resample2(20, 20, Method(5), Overflow(5), &out));
    // Column 0: -0.0234375, 0.2265625 (both clamped) and 0.8671875 on column
    // 0, -0.0703125 on column 1 = 92.97. Column 1 (at 0.25): 0.7968750 on
    // column 0, 0.2265625 on 1, -0.0234375 on 2 = 123.83.
    for (LONG y = 0; y < 20; ++y) {
        EXPECT_EQ(out.GetPixelColor(0, y).rgbBlue, 92) << y;
        EXPECT_EQ(out.GetPixelColor(1, y).rgbBlue, 123) << y;
        EXPECT_EQ(out.GetPixelColor(0, y).rgbGreen, 7) << y;
    }
    // Wrapping reads columns 8 and 9 instead: 72.66.
    ASSERT_TRUE(source.Resample2(20, 20, Method(5), Overflow(4), &out));
    EXPECT_EQ(out.GetPixelColor(0, 5).rgbBlue, 72);
}

// Each destination pixel is the interpolation at its centre, or with
// averaging the area average of its box, also where Resample2 works from
// tables of weights or sums whole rows of boxes.
TEST(Resample2Test, EachPixelIsTheSampleAtItsCentre) {
    Twins t = RandomTwins(97, 61, 17);
    CRaster opaque = Pattern(97, 61, 24);
    const LONG sizes[][2] = {{161, 70}, {13, 7}, {48, 30}, {20, 80}, {96, 60}};
    for (CRaster* source : {&t.rgb, &opaque})
        for (const auto& s : sizes)
            for (int m = 1; m <= 16; ++m)
                for (int o : {1, 3, 5, 6})
                    for (bool averaging : {false, true}) {
                        if (averaging && m != 2 && m != 5 && m != 6) continue;
                        CRaster out;
                        ASSERT_TRUE(source->Resample2(s[0], s[1], Method(m), Overflow(o), &out,
                                                      !averaging));
                        const float xs = 97.0f / s[0], ys = 61.0f / s[1];
                        for (LONG y = 0; y < s[1]; ++y)
                            for (LONG x = 0; x < s[0]; ++x) {
                                const float sx = (x + 0.5f) * xs - 0.5f,
                                            sy = (y + 0.5f) * ys - 0.5f;
                                const RGBQUAD want =
                                    averaging ? source->GetAreaColorInterpolated(
                                                    sx, sy, xs, ys, Method(m), Overflow(o))
                                              : source->GetPixelColorInterpolated(sx, sy, Method(m),
                                                                                  Overflow(o));
                                const RGBQUAD got = out.GetPixelColor(x, y);
                                ASSERT_TRUE(Same(got, want, source->AlphaIsValid()))
                                    << m << " " << o << " " << averaging << " " << s[0] << "x"
                                    << s[1] << " at " << x << ", " << y << ": " << Show(got)
                                    << " vs " << Show(want);
                            }
                    }
}

// Shrinking weights each source pixel by its overlap with the destination
// pixel's box, checked against the box average in double: 100 x 100 to
// 50 x 50 averages exactly the 2 x 2 boxes.
TEST(Resample2Test, ShrinkingAveragesTheSourceBox) {
    Twins t = RandomTwins(100, 100, 7);
    for (const LONG s : {50L, 7L, 12L, 29L}) {
        CRaster out;
        const LONG sy = s == 50 ? 50 : s + 2;
        ASSERT_TRUE(t.rgb.Resample2(s, sy, Method(s == 50 ? 5 : 2), Overflow(5), &out));
        const double xs = 100.0 / s, ys = 100.0 / sy;
        for (LONG y = 0; y < sy; ++y)
            for (LONG x = 0; x < s; ++x) {
                double sum[4] = {};
                for (LONG j = 0; j < 100; ++j)
                    for (LONG i = 0; i < 100; ++i) {
                        const double ox =
                            std::min((x + 1) * xs - 0.5, i + 0.5) - std::max(x * xs - 0.5, i - 0.5);
                        const double oy =
                            std::min((y + 1) * ys - 0.5, j + 0.5) - std::max(y * ys - 0.5, j - 0.5);
                        if (ox <= 0 || oy <= 0) continue;
                        const RGBQUAD c = t.rgb.GetPixelColor(i, j);
                        const BYTE v[4] = {c.rgbBlue, c.rgbGreen, c.rgbRed, c.rgbReserved};
                        for (int k = 0; k < 4; ++k) sum[k] += ox * oy * v[k];
                    }
                const RGBQUAD c = out.GetPixelColor(x, y);
                const BYTE got[4] = {c.rgbBlue, c.rgbGreen, c.rgbRed, c.rgbReserved};
                for (int k = 0; k < 4; ++k) {
                    // Truncated; just short of a whole number either side.
                    const double exact = sum[k] / (xs * ys), whole = std::round(exact);
                    if (exact != whole && std::fabs(exact - whole) < 1e-3) {
                        ASSERT_LE(std::fabs(got[k] - whole), 1.0);
                    } else {
                        ASSERT_EQ(got[k], static_cast<int>(exact)) << s << " at " << x << ", " << y;
                    }
                }
            }
    }
}

TEST(Resample2Test, SameSizeSizesAndEscape) {
    CRaster source = Pattern(9, 6, 24);
    source.AlphaCreate();
    source.AlphaSet(3, 2, 17);
    source.SelectionCreate();
    source.SelectionAddPixel(4, 4);
    for (bool older : {false, true}) {
        // Same size: an exact copy with its planes, or nothing changed.
        CRaster out = Pattern(2, 2, 8);
        ASSERT_TRUE(older ? source.Resample(9, 6, 0, &out)
                          : source.Resample2(9, 6, Method(2), Overflow(5), &out));
        EXPECT_TRUE(out.GetBpp() == 24 && SamePixels(out, source) && out.AlphaGet(3, 2) == 17 &&
                    out.SelectionIsInside(4, 4) && !out.SelectionIsInside(3, 4));
        CRaster alone = source;
        ASSERT_TRUE(older ? alone.Resample(9, 6, 0)
                          : alone.Resample2(9, 6, Method(5), Overflow(5)));
        EXPECT_TRUE(SamePixels(alone, source));
        // Zero and negative sizes, no pixels, or beyond the memory cap: false,
        // nothing changed.
        const LONG bad[][2] = {{0, 3}, {3, 0}, {-2, 3}, {3, -2}, {100000, 100000}};
        for (const auto& s : bad) {
            EXPECT_FALSE(older ? source.Resample(s[0], s[1], 0, &out)
                               : source.Resample2(s[0], s[1], Method(5), Overflow(5), &out));
            EXPECT_FALSE(older ? source.Resample(s[0], s[1], 1)
                               : source.Resample2(s[0], s[1], Method(1), Overflow(5)));
            EXPECT_EQ(out.GetWidth(), 9u);
        }
        EXPECT_EQ(source.GetWidth(), 9u);
        CRaster empty;
        EXPECT_FALSE(older ? empty.Resample(3, 3, 1)
                           : empty.Resample2(3, 3, Method(5), Overflow(5)));
        // An escape set before: the new size, no pixel value computed.
        for (DWORD bpp : {24u, 8u}) {
            CRaster stopped = Uniform(40, 30, bpp, RGBQUAD{90, 80, 70, 0});
            stopped.SetEscape(1);
            ASSERT_TRUE(older ? stopped.Resample(13, 11, 0, &out)
                              : stopped.Resample2(13, 11, Method(5), Overflow(5), &out));
            ASSERT_TRUE(out.GetWidth() == 13 && out.GetHeight() == 11);
            for (LONG y = 0; y < 11; ++y)
                for (DWORD i = 0; i < out.GetEffWidth(); ++i) ASSERT_EQ(out.GetBits(y)[i], 0);
        }
    }
}

// ---- Fast paths ---------------------------------------------------------------------------

// Kernel methods and area averages read interior 24-bit pixel values
// directly; the indexed twin goes through the overflow rules everywhere.
// They agree to the byte, alpha included.
TEST(ResampleFastPathTest, DirectReadsEqualReadsThroughTheRules) {
    Twins t = RandomTwins(37, 29, 3);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> px(-3.0f, 40.0f), py(-3.0f, 32.0f), size(0.2f, 9.0f);
    for (int k = 0; k < 400; ++k) {
        const float x = px(rng), y = py(rng), w = size(rng), h = size(rng);
        for (int m = 1; m <= 16; ++m)
            for (int o = 1; o <= 6; ++o) {
                RGBQUAD a = t.rgb.GetPixelColorInterpolated(x, y, Method(m), Overflow(o));
                RGBQUAD b = t.indexed.GetPixelColorInterpolated(x, y, Method(m), Overflow(o));
                // Bilinear takes fixed-point weights on 24 bits (below).
                if (m != 2) {
                    ASSERT_TRUE(Same(a, b)) << m << " " << o << " at " << x << ", " << y;
                }
                if ((m != 2 && m != 5 && o != 5) || (m == 2 && (w <= 1 || h <= 1))) continue;
                a = t.rgb.GetAreaColorInterpolated(x, y, w, h, Method(m), Overflow(o));
                b = t.indexed.GetAreaColorInterpolated(x, y, w, h, Method(m), Overflow(o));
                ASSERT_TRUE(Same(a, b)) << "area " << m << " " << o << " at " << x << ", " << y
                                        << " size " << w << "x" << h;
            }
    }
}

// Bilinear: interior 24-bit points use 8-bit fixed-point weights; edges and
// indexed images float weights (checked against the exact value).
TEST(ResampleFastPathTest, BilinearFixedPointInsideFloatElsewhere) {
    Twins t = RandomTwins(23, 17, 9);
    std::mt19937 rng(13);
    // x0 from -1 to width - 1: no point is remapped first.
    std::uniform_real_distribution<float> px(-1.0f, 23.0f), py(-1.0f, 17.0f);
    const auto channel = [](RGBQUAD c, int ch) {
        return ch == 0 ? c.rgbBlue : ch == 1 ? c.rgbGreen : ch == 2 ? c.rgbRed : c.rgbReserved;
    };
    int interior = 0;
    for (int k = 0; k < 3000; ++k) {
        const float x = px(rng), y = py(rng);
        const LONG x0 = static_cast<LONG>(std::floor(x)), y0 = static_cast<LONG>(std::floor(y));
        const RGBQUAD got = t.rgb.GetPixelColorInterpolated(x, y, Method(2), Overflow(5));
        const RGBQUAD twin = t.indexed.GetPixelColorInterpolated(x, y, Method(2), Overflow(5));
        const auto p = [&](LONG i, LONG j, int ch) {
            return channel(
                t.rgb.GetPixelColor(std::clamp<LONG>(i, 0, 22), std::clamp<LONG>(j, 0, 16)), ch);
        };
        const bool inside = x0 >= 0 && y0 >= 0 && x0 + 1 < 23 && y0 + 1 < 17;
        interior += inside;
        const double dx = x - x0, dy = y - y0;
        const int fx = static_cast<int>((x - x0) * 256), fy = static_cast<int>((y - y0) * 256);
        const int w11 = fx * fy >> 8, w01 = fx - w11, w10 = fy - w11, w00 = 256 - fx - fy + w11;
        for (int ch = 0; ch < 4; ++ch) {
            const double exact =
                (1 - dx) * (1 - dy) * p(x0, y0, ch) + dx * (1 - dy) * p(x0 + 1, y0, ch) +
                (1 - dx) * dy * p(x0, y0 + 1, ch) + dx * dy * p(x0 + 1, y0 + 1, ch);
            const int fixed = (w00 * p(x0, y0, ch) + w01 * p(x0 + 1, y0, ch) +
                               w10 * p(x0, y0 + 1, ch) + w11 * p(x0 + 1, y0 + 1, ch)) >>
                              8;
            if (std::fabs(exact - std::round(exact)) > 1e-3) {
                ASSERT_EQ(channel(twin, ch), static_cast<int>(exact)) << x << ", " << y;
            }
            ASSERT_EQ(channel(got, ch), inside ? fixed : channel(twin, ch)) << x << ", " << y;
        }
    }
    EXPECT_GT(interior, 1000);
    // Without an alpha plane the bilinear alpha byte is 0, the kernels' 255.
    const CRaster plain = Pattern(5, 5, 24);
    EXPECT_EQ(plain.GetPixelColorInterpolated(2.5f, 2.5f, Method(2), Overflow(5)).rgbReserved, 0);
    EXPECT_EQ(plain.GetPixelColorInterpolated(-0.5f, 2.5f, Method(2), Overflow(5)).rgbReserved, 0);
    EXPECT_EQ(plain.GetPixelColorInterpolated(2.5f, 2.5f, Method(16), Overflow(5)).rgbReserved,
              255);
}

// ---- Resample and the geometry helpers ------------------------------------------------------

TEST(ResampleTest, ModesOfTheOlderResize) {
    CRaster source = Pattern(12, 9, 24), out;
    ASSERT_TRUE(source.Resample(5, 4, 1, &out));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 5; ++x)
            ASSERT_TRUE(Same(out.GetPixelColor(x, y),
                             source.GetPixelColor(LONG(x * 2.4f), LONG(y * 2.25f)), false));
    // The default mode averages whole boxes when shrinking 24-bit pictures.
    Twins t = RandomTwins(12, 9, 21);
    ASSERT_TRUE(t.rgb.Resample(4, 3, 0, &out));
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x) {
            int sum = 0, alpha = 0;
            for (LONG j = 0; j < 9; ++j) {
                sum += t.rgb.GetPixelColor(3 * x + j % 3, 3 * y + j / 3).rgbGreen;
                alpha += t.rgb.AlphaGet(3 * x + j % 3, 3 * y + j / 3);
            }
            EXPECT_TRUE(out.GetPixelColor(x, y).rgbGreen == sum / 9 &&
                        out.AlphaGet(x, y) == alpha / 9);
        }
    // Uniform stays uniform in every mode, at uneven factors too.
    const RGBQUAD c{250, 3, 129, 0};
    CRaster flat = Uniform(31, 17, 24, c);
    for (int mode : {0, 1, 2, 3})
        for (LONG nw : {7L, 45L}) {
            ASSERT_TRUE(flat.Resample(nw, 11, mode, &out));
            for (LONG y = 0; y < 11; ++y)
                for (LONG x = 0; x < nw; ++x)
                    ASSERT_TRUE(Same(out.GetPixelColor(x, y), c, false)) << mode << " " << nw;
        }
}

TEST(ResampleGeometryTest, RectanglesAndPoints) {
    EXPECT_FLOAT_EQ(CRasterPoint2(1, 2).Distance(CRasterPoint2(4, 6)), 5.0f);
    const CRasterRect2 a(0, 0, 4, 2), x = a.CrossSection(CRasterRect2(3, 1, 6, 5));
    EXPECT_TRUE(x.left == 3 && x.top == 1 && x.right == 4 && x.bottom == 2 && x.Surface() == 1);
    EXPECT_TRUE(x.Center().x == 3.5f && x.Center().y == 1.5f);
    // Apart on both axes (a positive product) or on one: no area.
    EXPECT_TRUE(a.CrossSection(CRasterRect2(5, 3, 7, 6)).Surface() == 0 &&
                a.CrossSection(CRasterRect2(5, 0, 7, 1)).Surface() == 0);
}

}  // namespace
