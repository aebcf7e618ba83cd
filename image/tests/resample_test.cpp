// Resampling and interpolation: kernels, overflow rules, the sample
// positions of Resample2, area averaging, and the fast paths against the same
// picture read through the overflow rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
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
              CRaster::InterpLanczos == 6 && CRaster::InterpCatrom == 16);
static_assert(CRaster::OverflowColor == 1 && CRaster::OverflowRepeat == 5 &&
              CRaster::OverflowMirror == 6);
static_assert(sizeof(IM) == 4 && sizeof(OM) == 4);

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
    if (bpp <= 8) {
        image.SetPaletteColor(3, c);
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x) image.SetPixelIndex(x, y, 3);
    } else {
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x) image.SetPixelColor(x, y, c);
    }
    return image;
}

// A 24-bit picture of seeded random colours drawn from a table of at most
// 256, with a random alpha plane, and the same picture as an 8-bit image
// with that table: the second is read only through the overflow rules.
struct Twins {
    CRaster rgb;
    CRaster indexed;
};

Twins RandomTwins(LONG width, LONG height, unsigned seed, int colors = 200) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255), pick(0, colors - 1);
    Twins t{CRaster(width, height, 24, 0), CRaster(width, height, 8, 0)};
    for (int i = 0; i < colors; ++i)
        t.indexed.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(byte(rng)),
                                  static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)));
    t.rgb.AlphaCreate();
    t.indexed.AlphaCreate();
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            const BYTE i = static_cast<BYTE>(pick(rng));
            const BYTE a = static_cast<BYTE>(byte(rng));
            t.indexed.SetPixelIndex(x, y, i);
            t.rgb.SetPixelColor(x, y, t.indexed.GetPaletteColor(i));
            t.indexed.AlphaSet(x, y, a);
            t.rgb.AlphaSet(x, y, a);
        }
    return t;
}

// ---- Kernels ---------------------------------------------------------------------------

TEST(ResampleKernelTest, ValuesAtStatedPoints) {
    struct Case {
        const char* name;
        std::function<float(float)> kernel;
        float x;
        double expected;
    };
    const Case cases[] = {
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); }, 0,
         1},
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); },
         0.5f, 0.5625},
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); },
         -1.5f, -0.0625},
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); }, 1,
         0},
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -1.0f); },
         1.5f, -0.125},
        {"GeneralizedCubic", [](float x) { return CRaster::KernelGeneralizedCubic(x, -0.5f); }, 2,
         0},
        {"Cubic", CRaster::KernelCubic, 0.5f, 0.625},
        {"Cubic", CRaster::KernelCubic, -1.5f, -0.125},
        {"Cubic", CRaster::KernelCubic, 2, 0},
        {"BSpline", CRaster::KernelBSpline, 0, 2.0 / 3},
        {"BSpline", CRaster::KernelBSpline, 1, 1.0 / 6},
        {"BSpline", CRaster::KernelBSpline, -0.5f, 23.0 / 48},
        {"BSpline", CRaster::KernelBSpline, 0.5f, 23.0 / 48},
        {"BSpline", CRaster::KernelBSpline, -1.5f, 1.0 / 48},
        {"BSpline", CRaster::KernelBSpline, 2.5f, 0},
        {"BSpline", CRaster::KernelBSpline, -2.5f, 0},
        {"Linear", CRaster::KernelLinear, -0.25f, 0.75},
        {"Linear", CRaster::KernelLinear, 1, 0},
        {"Box", CRaster::KernelBox, -0.5f, 1},
        {"Box", CRaster::KernelBox, 0.5f, 0},
        {"Hermite", CRaster::KernelHermite, 0.5f, 0.5},
        {"Hermite", CRaster::KernelHermite, -1, 0},
        {"Hamming", CRaster::KernelHamming, 0.5f, 0.54},
        {"Hamming", CRaster::KernelHamming, 0, 1},
        {"Hamming", CRaster::KernelHamming, 1, 0},
        {"Sinc", CRaster::KernelSinc, 0, 1},
        {"Sinc", CRaster::KernelSinc, 0.5f, 2 / 3.1415927},
        {"Sinc", CRaster::KernelSinc, 1, 0},
        {"Lanczos", [](float x) { return CRaster::KernelLanczosSinc(x, 6); }, 0, 1},
        {"Lanczos", [](float x) { return CRaster::KernelLanczosSinc(x, 6); }, 0.5f, 0.6293724},
        {"Lanczos", [](float x) { return CRaster::KernelLanczosSinc(x, 6); }, 6.5f, 0},
        {"Blackman", CRaster::KernelBlackman, 0, 1},
        {"Blackman", CRaster::KernelBlackman, 0.5f, 0.34},
        {"Blackman", CRaster::KernelBlackman, 1.5f, 0},
        {"Bessel", CRaster::KernelBessel, 0, 3.1415927 / 4},
        {"Bessel", CRaster::KernelBessel, 0.5f, 0.5668241},
        {"Bessel", CRaster::KernelBessel, -1, 0.1423077},
        {"Bessel", CRaster::KernelBessel, 3, 0.0294542},  // J1 beyond 8
        {"Gaussian", CRaster::KernelGaussian, 0, 0.7978846},
        {"Gaussian", CRaster::KernelGaussian, -0.5f, 0.4839415},
        {"Quadratic", CRaster::KernelQuadratic, 0, 0.75},
        {"Quadratic", CRaster::KernelQuadratic, 0.5f, 0.5},
        {"Quadratic", CRaster::KernelQuadratic, -1, 0.125},
        {"Quadratic", CRaster::KernelQuadratic, 1.5f, 0},
        {"Mitchell", CRaster::KernelMitchell, 0, 8.0 / 9},
        {"Mitchell", CRaster::KernelMitchell, 1, 1.0 / 18},
        {"Mitchell", CRaster::KernelMitchell, -1.5f, -7.0 / 18 * 3.375 + 4.5 - 5 + 16.0 / 9},
        {"Mitchell", CRaster::KernelMitchell, 2, 0},
        {"Catrom", CRaster::KernelCatrom, 0.5f, 0.5625},
        {"Catrom", CRaster::KernelCatrom, 1.5f, -0.0625},
        {"Catrom", CRaster::KernelCatrom, 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.kernel(c.x), c.expected, 2e-6) << c.name << " at " << c.x;
}

TEST(ResampleKernelTest, BesselHelpersAgree) {
    EXPECT_NEAR(CRaster::KernelBessel_J1(1), 0.4400506, 1e-6);
    EXPECT_NEAR(CRaster::KernelBessel_J1(-1), -0.4400506, 1e-6);
    // From 8 on through the amplitudes P1 and Q1.
    EXPECT_NEAR(CRaster::KernelBessel_Order1(10), 0.0434727, 1e-6);
    EXPECT_NEAR(CRaster::KernelBessel_Order1(-10), -0.0434727, 1e-6);
    for (float x : {8.0f, 12.5f, 30.0f}) {
        EXPECT_NEAR(CRaster::KernelBessel_Order1(x), CRaster::KernelBessel_J1(x), 1e-6) << x;
        // For large arguments P1 tends to 1 and Q1 to 3 / (8x).
        EXPECT_NEAR(CRaster::KernelBessel_P1(x), 1, 0.01) << x;
        EXPECT_NEAR(CRaster::KernelBessel_Q1(x), 3 / (8 * x), 0.01) << x;
    }
}

// ---- Overflow rules ------------------------------------------------------------------------

TEST(ResampleOverflowTest, CoordinatesInBothForms) {
    const CRaster image(5, 4, 24, 0);
    struct Case {
        int method;
        LONG x, y;
        LONG ex, ey;
    };
    const Case cases[] = {
        {CRaster::OverflowWrap, -1, 4, 4, 0},    {CRaster::OverflowWrap, -6, -9, 4, 3},
        {CRaster::OverflowWrap, 7, 2, 2, 2},     {CRaster::OverflowWrap, INT_MIN, INT_MAX, 2, 3},
        {CRaster::OverflowRepeat, -3, 9, 0, 3},  {CRaster::OverflowRepeat, INT_MAX, INT_MIN, 4, 0},
        {CRaster::OverflowMirror, -1, -4, 1, 0}, {CRaster::OverflowMirror, 5, 6, 4, 1},
        {CRaster::OverflowMirror, 6, 4, 3, 3},   {CRaster::OverflowMirror, INT_MIN, INT_MAX, 3, 0},
        {CRaster::OverflowColor, -7, 8, -7, 8},  {0, 9, -1, 9, -1},
    };
    for (const Case& c : cases) {
        LONG x = c.x, y = c.y;
        image.OverflowCoordinates(x, y, Overflow(c.method));
        EXPECT_EQ(x, c.ex) << c.method << ": " << c.x;
        EXPECT_EQ(y, c.ey) << c.method << ": " << c.y;
        if (c.x < -100000 || c.x > 100000 || c.y < -100000 || c.y > 100000) continue;
        // The float form follows the same rules at whole coordinates.
        float fx = static_cast<float>(c.x), fy = static_cast<float>(c.y);
        image.OverflowCoordinates(fx, fy, Overflow(c.method));
        EXPECT_EQ(fx, static_cast<float>(c.ex)) << "float " << c.method << ": " << c.x;
        EXPECT_EQ(fy, static_cast<float>(c.ey)) << "float " << c.method << ": " << c.y;
    }
    struct FloatCase {
        int method;
        float x, ex;
    };
    const FloatCase floats[] = {
        {CRaster::OverflowWrap, -0.5f, 4.5f},   {CRaster::OverflowWrap, 7.25f, 2.25f},
        {CRaster::OverflowRepeat, -3.5f, 0},    {CRaster::OverflowRepeat, 4.5f, 4},
        {CRaster::OverflowMirror, -1.5f, 1.5f}, {CRaster::OverflowMirror, 5.5f, 3.5f},
    };
    for (const FloatCase& c : floats) {
        float x = c.x, y = 1.0f;
        image.OverflowCoordinates(x, y, Overflow(c.method));
        EXPECT_EQ(x, c.ex) << c.method << ": " << c.x;
        EXPECT_EQ(y, 1.0f);
    }
}

TEST(ResampleOverflowTest, ColoursOutsideTheImage) {
    const RGBQUAD given{10, 20, 30, 40}, white{255, 255, 255, 0}, trans{1, 2, 3, 0};
    CRaster plain = Pattern(3, 3, 24);
    CRaster keyed = Pattern(3, 3, 24);
    keyed.SetTransIndex(0);
    keyed.SetTransColor(trans);
    CRaster withAlpha = Pattern(3, 3, 24);
    withAlpha.AlphaCreate();
    withAlpha.SetTransIndex(0);
    withAlpha.SetTransColor(trans);
    CRaster indexed = Pattern(3, 3, 8);
    indexed.SetTransIndex(5);
    struct Case {
        const CRaster* image;
        int method;
        const RGBQUAD* color;
        RGBQUAD expected;
    };
    const RGBQUAD givenClear{10, 20, 30, 0}, whiteClear{255, 255, 255, 0};
    const Case cases[] = {
        {&plain, CRaster::OverflowColor, nullptr, white},
        {&plain, CRaster::OverflowColor, &given, given},
        {&plain, 0, &given, given},
        {&plain, 77, nullptr, white},
        {&plain, CRaster::OverflowBackground, &given, given},
        {&keyed, CRaster::OverflowBackground, &given, trans},
        {&indexed, CRaster::OverflowBackground, &given, indexed.GetPaletteColor(5)},
        {&plain, CRaster::OverflowTransparent, nullptr, white},
        {&keyed, CRaster::OverflowTransparent, &given, trans},
        {&withAlpha, CRaster::OverflowTransparent, &given, givenClear},
        {&withAlpha, CRaster::OverflowTransparent, nullptr, whiteClear},
    };
    for (const Case& c : cases) {
        const RGBQUAD got = c.image->GetPixelColorWithOverflow(-1, 1, Overflow(c.method), c.color);
        EXPECT_TRUE(Same(got, c.expected)) << c.method << ": " << Show(got);
        // The colour rules return at once, before any interpolation.
        for (int m : {1, 2, 5, 6})
            EXPECT_TRUE(Same(c.image->GetPixelColorInterpolated(-13.0f, 1.0f, Method(m),
                                                                Overflow(c.method), c.color),
                             c.expected))
                << c.method << " method " << m;
    }
    // Inside, and the remapping rules, give pixel values.
    EXPECT_TRUE(Same(keyed.GetPixelColorWithOverflow(2, 1, CRaster::OverflowColor, &given),
                     keyed.GetPixelColor(2, 1)));
    EXPECT_TRUE(Same(keyed.GetPixelColorWithOverflow(-1, 1, CRaster::OverflowWrap, &given),
                     keyed.GetPixelColor(2, 1)));
    EXPECT_TRUE(Same(keyed.GetPixelColorWithOverflow(-1, 7, CRaster::OverflowMirror, &given),
                     keyed.GetPixelColor(1, 1)));
}

// Points far outside, infinite or not a number are outside under the
// overflow rule, and never become integers out of range.
TEST(ResampleOverflowTest, NonFiniteAndHugeCoordinatesAreOutside) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const RGBQUAD given{10, 20, 30, 40};
    CRaster image = Pattern(6, 5, 24);
    image.AlphaCreate();
    image.AlphaSet(5, 2, 99);
    const float bad[] = {nan, inf, -inf, 1e30f, -1e30f, 3e9f, -3e9f};
    for (int m = 1; m <= 16; ++m)
        for (float v : bad) {
            for (int o : {1, 2, 3}) {
                const RGBQUAD expected =
                    image.GetPixelColorWithOverflow(-1, 0, Overflow(o), &given);
                EXPECT_TRUE(
                    Same(image.GetPixelColorInterpolated(v, 2, Method(m), Overflow(o), &given),
                         expected))
                    << m << " " << o << " x " << v;
                EXPECT_TRUE(
                    Same(image.GetPixelColorInterpolated(2, v, Method(m), Overflow(o), &given),
                         expected))
                    << m << " " << o << " y " << v;
                EXPECT_TRUE(Same(
                    image.GetAreaColorInterpolated(v, 2, 2.5f, 3, Method(m), Overflow(o), &given),
                    expected))
                    << m << " " << o << " area " << v;
            }
            // Not a number has no place to be mapped to: the given colour.
            if (std::isnan(v)) {
                for (int o : {4, 5, 6})
                    EXPECT_TRUE(
                        Same(image.GetPixelColorInterpolated(v, 2, Method(m), Overflow(o), &given),
                             given))
                        << m << " " << o;
                continue;
            }
            // Repeat clamps anything to the edge: exactly the edge pixel.
            if (m == 1 || m == 2) {
                const RGBQUAD edge = image.GetPixelColor(v > 0 ? 5 : 0, 2);
                const RGBQUAD got = image.GetPixelColorInterpolated(
                    v, 2, Method(m), CRaster::OverflowRepeat, &given);
                EXPECT_TRUE(Same(got, edge)) << m << " " << v << ": " << Show(got);
            }
            for (int o : {4, 6}) image.GetPixelColorInterpolated(v, v, Method(m), Overflow(o));
        }
    EXPECT_TRUE(Same(
        image.GetAreaColorInterpolated(2, 2, inf, 3, CRaster::InterpBilinear,
                                       CRaster::OverflowRepeat),
        image.GetPixelColorInterpolated(2, 2, CRaster::InterpBilinear, CRaster::OverflowRepeat)));
}

// ---- Uniform pictures ------------------------------------------------------------------------

// Every method (and unknown ones) under every rule whose outside colour is
// the picture's own keeps a uniform picture exactly uniform, shrinking,
// enlarging and both at once, averaged or not.
TEST(Resample2Test, UniformPicturesStayExactlyUniform) {
    const RGBQUAD colour{37, 201, 128, 0}, white{255, 255, 255, 0};
    struct Size {
        LONG w, h, nw, nh;
    };
    const Size sizes[] = {{30, 20, 12, 7}, {100, 100, 50, 50}, {7, 5, 17, 13}, {30, 5, 12, 13}};
    struct Picture {
        const char* name;
        DWORD bpp;
        RGBQUAD c;
        bool alpha;
        std::vector<int> overflows;
    };
    const Picture pictures[] = {
        {"white", 24, white, false, {0, 1, 3, 4, 5, 6}},
        {"keyed", 24, colour, false, {2, 3, 4, 5, 6}},
        {"alpha", 24, colour, true, {4, 5, 6}},
        {"indexed", 8, colour, true, {4, 5, 6}},
    };
    for (const Picture& p : pictures)
        for (const Size& s : sizes) {
            CRaster source = Uniform(s.w, s.h, p.bpp, p.c);
            source.SetTransIndex(p.bpp == 8 ? 3 : 0);
            source.SetTransColor(p.c);
            if (p.alpha) {
                source.AlphaCreate();
                source.AlphaSet(200);
            }
            for (int m = 0; m <= 17; ++m)
                for (int o : p.overflows)
                    for (bool noAveraging : {false, true}) {
                        CRaster out;
                        ASSERT_TRUE(source.Resample2(s.nw, s.nh, Method(m), Overflow(o), &out,
                                                     noAveraging));
                        ASSERT_EQ(out.GetWidth(), static_cast<DWORD>(s.nw));
                        ASSERT_EQ(out.GetHeight(), static_cast<DWORD>(s.nh));
                        ASSERT_EQ(out.AlphaIsValid(), p.alpha);
                        for (LONG y = 0; y < s.nh; ++y)
                            for (LONG x = 0; x < s.nw; ++x) {
                                const RGBQUAD c = out.GetPixelColor(x, y, false);
                                ASSERT_TRUE(Same(c, p.c, false) &&
                                            (!p.alpha || out.AlphaGet(x, y) == 200))
                                    << p.name << " " << s.w << "x" << s.h << " to " << s.nw << "x"
                                    << s.nh << " method " << m << " overflow " << o
                                    << (noAveraging ? " not averaged" : "") << " at " << x << ", "
                                    << y << ": " << Show(c) << " alpha "
                                    << static_cast<int>(out.AlphaGet(x, y));
                            }
                    }
        }
}

// ---- Sample positions and averaging ----------------------------------------------------------

// 10 x 10 to 20 x 20 samples at (x + 0.5) / 2 - 0.5: column 0 at -0.25,
// whose window's outside columns the repeat rule clamps to column 0.
TEST(Resample2Test, EnlargingSamplesAtTheDestinationPixelCentres) {
    CRaster source(10, 10, 24, 0);
    const BYTE columns[10] = {100, 200, 50, 0, 0, 0, 0, 0, 0, 0};
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 10; ++x) source.SetPixelColor(x, y, RGBQUAD{columns[x], 7, 9, 0});
    CRaster out;
    ASSERT_TRUE(
        source.Resample2(20, 20, CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat, &out));
    // Column 0: weights -0.0234375, 0.2265625, 0.8671875 on column 0 (two
    // of them clamped from -2 and -1), -0.0703125 on column 1.
    // Column 1 (at 0.25): -0.0703125 (clamped) + 0.8671875 on column 0,
    // 0.2265625 on column 1, -0.0234375 on column 2.
    for (LONG y = 0; y < 20; ++y) {
        EXPECT_EQ(out.GetPixelColor(0, y).rgbBlue, 92) << y;   // 92.96875
        EXPECT_EQ(out.GetPixelColor(1, y).rgbBlue, 123) << y;  // 123.828125
        EXPECT_EQ(out.GetPixelColor(0, y).rgbGreen, 7) << y;
    }
    // Wrapping reads columns 8 and 9 instead: 72.65625.
    ASSERT_TRUE(
        source.Resample2(20, 20, CRaster::InterpGeneralizedCubic, CRaster::OverflowWrap, &out));
    EXPECT_EQ(out.GetPixelColor(0, 5).rgbBlue, 72);
}

// Without averaging every destination pixel is the interpolation at its
// centre, alpha included, also where Resample2 works from tables of weights.
TEST(Resample2Test, WithoutAveragingEachPixelIsTheInterpolationAtItsCentre) {
    Twins t = RandomTwins(37, 29, 17);
    CRaster opaque = Pattern(37, 29, 24);
    struct Size {
        LONG w, h;
    };
    for (const CRaster* source : {&t.rgb, &opaque})
        for (const Size s : {Size{61, 50}, Size{15, 11}, Size{40, 9}})
            for (int m = 1; m <= 16; ++m)
                for (int o : {1, 5, 6}) {
                    CRaster out;
                    ASSERT_TRUE(const_cast<CRaster*>(source)->Resample2(s.w, s.h, Method(m),
                                                                        Overflow(o), &out, true));
                    const float xs = 37.0f / static_cast<float>(s.w);
                    const float ys = 29.0f / static_cast<float>(s.h);
                    for (LONG y = 0; y < s.h; ++y)
                        for (LONG x = 0; x < s.w; ++x) {
                            const RGBQUAD want = source->GetPixelColorInterpolated(
                                (x + 0.5f) * xs - 0.5f, (y + 0.5f) * ys - 0.5f, Method(m),
                                Overflow(o));
                            RGBQUAD got = out.GetPixelColor(x, y);
                            ASSERT_TRUE(Same(got, want, source->AlphaIsValid()))
                                << m << " " << o << " " << s.w << "x" << s.h << " at " << x << ", "
                                << y << ": " << Show(got) << " vs " << Show(want);
                        }
                }
}

TEST(Resample2Test, HalvingAveragesTwoByTwoBoxes) {
    Twins t = RandomTwins(100, 100, 7);
    CRaster out;
    ASSERT_TRUE(
        t.rgb.Resample2(50, 50, CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat, &out));
    for (LONG y = 0; y < 50; ++y)
        for (LONG x = 0; x < 50; ++x) {
            int sum[4] = {};
            for (LONG j = 0; j < 2; ++j)
                for (LONG i = 0; i < 2; ++i) {
                    const RGBQUAD c = t.rgb.GetPixelColor(2 * x + i, 2 * y + j);
                    sum[0] += c.rgbBlue;
                    sum[1] += c.rgbGreen;
                    sum[2] += c.rgbRed;
                    sum[3] += c.rgbReserved;
                }
            const RGBQUAD c = out.GetPixelColor(x, y);
            ASSERT_EQ(c.rgbBlue, sum[0] / 4) << x << ", " << y;
            ASSERT_EQ(c.rgbGreen, sum[1] / 4) << x << ", " << y;
            ASSERT_EQ(c.rgbRed, sum[2] / 4) << x << ", " << y;
            ASSERT_EQ(c.rgbReserved, sum[3] / 4) << x << ", " << y;
        }
}

// Shrinking by uneven factors weights each source pixel by its overlap with
// the destination pixel's box; checked against the box average in double.
TEST(Resample2Test, ShrinkingAveragesTheSourceBox) {
    Twins t = RandomTwins(31, 23, 11);
    struct Size {
        LONG nw, nh;
    };
    for (const Size s : {Size{12, 7}, Size{5, 9}, Size{31, 4}, Size{10, 40}}) {
        CRaster out;
        ASSERT_TRUE(t.rgb.Resample2(s.nw, s.nh, CRaster::InterpGeneralizedCubic,
                                    CRaster::OverflowRepeat, &out));
        const double xs = 31.0 / s.nw, ys = 23.0 / s.nh;
        for (LONG y = 0; y < s.nh; ++y)
            for (LONG x = 0; x < s.nw; ++x) {
                const RGBQUAD got = out.GetPixelColor(x, y);
                if (xs <= 1 || ys <= 1) continue;  // one axis: interpolated cells
                const double l = x * xs - 0.5, r = (x + 1) * xs - 0.5;
                const double tp = y * ys - 0.5, b = (y + 1) * ys - 0.5;
                double sum[4] = {};
                for (LONG j = 0; j < 23; ++j)
                    for (LONG i = 0; i < 31; ++i) {
                        const double ox = std::min(r, i + 0.5) - std::max(l, i - 0.5);
                        const double oy = std::min(b, j + 0.5) - std::max(tp, j - 0.5);
                        if (ox <= 0 || oy <= 0) continue;
                        const RGBQUAD c = t.rgb.GetPixelColor(i, j);
                        sum[0] += ox * oy * c.rgbBlue;
                        sum[1] += ox * oy * c.rgbGreen;
                        sum[2] += ox * oy * c.rgbRed;
                        sum[3] += ox * oy * c.rgbReserved;
                    }
                const BYTE channels[4] = {got.rgbBlue, got.rgbGreen, got.rgbRed, got.rgbReserved};
                for (int k = 0; k < 4; ++k) {
                    const double exact = sum[k] / (xs * ys);
                    // Truncated; a value within rounding of a whole number may
                    // land on either side.
                    const double nearWhole = std::round(exact);
                    if (std::fabs(exact - nearWhole) < 1e-3)
                        ASSERT_LE(std::fabs(channels[k] - nearWhole), 1.0) << x << ", " << y;
                    else
                        ASSERT_EQ(channels[k], static_cast<int>(exact))
                            << s.nw << "x" << s.nh << " at " << x << ", " << y << " channel " << k;
                }
            }
    }
}

// ---- Sizes, copies, escape ----------------------------------------------------------------------

TEST(Resample2Test, SameSizeCopiesOrLeavesAlone) {
    CRaster source = Pattern(9, 6, 24);
    source.AlphaCreate();
    source.AlphaSet(3, 2, 17);
    source.SelectionCreate();
    source.SelectionAddPixel(4, 4);
    for (bool older : {false, true}) {
        CRaster out = Pattern(2, 2, 8);
        ASSERT_TRUE(
            older ? source.Resample(9, 6, 0, &out)
                  : source.Resample2(9, 6, CRaster::InterpBilinear, CRaster::OverflowRepeat, &out));
        EXPECT_EQ(out.GetBpp(), 24);
        EXPECT_TRUE(SamePixels(out, source));
        EXPECT_EQ(out.AlphaGet(3, 2), 17);
        EXPECT_TRUE(out.SelectionIsInside(4, 4));
        EXPECT_FALSE(out.SelectionIsInside(3, 4));

        CRaster alone = source;
        ASSERT_TRUE(older ? alone.Resample(9, 6, 0)
                          : alone.Resample2(9, 6, Method(5), Overflow(5)));
        EXPECT_TRUE(SamePixels(alone, source));
    }
}

TEST(Resample2Test, ZeroAndNegativeSizesFail) {
    CRaster source = Pattern(4, 4, 24);
    struct Size {
        LONG w, h;
    };
    for (const Size s : {Size{0, 3}, Size{3, 0}, Size{-2, 3}, Size{3, -2}, Size{0, 0}}) {
        CRaster out = Pattern(2, 2, 24);
        EXPECT_FALSE(source.Resample2(s.w, s.h, Method(5), Overflow(5), &out)) << s.w << "x" << s.h;
        EXPECT_FALSE(source.Resample(s.w, s.h, 0, &out)) << s.w << "x" << s.h;
        EXPECT_FALSE(source.Resample(s.w, s.h, 1)) << s.w << "x" << s.h;
        EXPECT_EQ(out.GetWidth(), 2u);
    }
    EXPECT_EQ(source.GetWidth(), 4u);
    CRaster empty;
    EXPECT_FALSE(empty.Resample2(3, 3, Method(5), Overflow(5)));
    EXPECT_FALSE(empty.Resample(3, 3, 1));
    // A result beyond the memory cap leaves the image as it was.
    EXPECT_FALSE(source.Resample2(100000, 100000, Method(1), Overflow(5)));
    EXPECT_TRUE(SamePixels(source, Pattern(4, 4, 24)));
}

TEST(Resample2Test, EscapeGivesTheNewSizeWithRowsNotComputedZero) {
    for (DWORD bpp : {24u, 8u}) {
        CRaster source = Uniform(40, 30, bpp, RGBQUAD{90, 80, 70, 0});
        source.SetEscape(1);
        for (bool older : {false, true}) {
            CRaster out;
            ASSERT_TRUE(older ? source.Resample(13, 11, 0, &out)
                              : source.Resample2(13, 11, Method(5), Overflow(5), &out));
            ASSERT_EQ(out.GetWidth(), 13u);
            ASSERT_EQ(out.GetHeight(), 11u);
            for (LONG y = 0; y < 11; ++y)
                for (DWORD i = 0; i < out.GetEffWidth(); ++i) ASSERT_EQ(out.GetBits(y)[i], 0);
        }
    }
}

// ---- Fast paths --------------------------------------------------------------------------------

// Kernel methods and area averages read interior 24-bit pixel values
// directly; the indexed twin of the same picture goes through the overflow
// rules everywhere. They agree to the byte, alpha included.
TEST(ResampleFastPathTest, DirectReadsEqualReadsThroughTheRules) {
    Twins t = RandomTwins(37, 29, 3);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> px(-3.0f, 40.0f), py(-3.0f, 32.0f), size(0.2f, 9.0f);
    for (int k = 0; k < 400; ++k) {
        const float x = px(rng), y = py(rng), w = size(rng), h = size(rng);
        for (int m = 1; m <= 16; ++m)
            for (int o = 1; o <= 6; ++o) {
                if (m != 2) {
                    const RGBQUAD a = t.rgb.GetPixelColorInterpolated(x, y, Method(m), Overflow(o));
                    const RGBQUAD b =
                        t.indexed.GetPixelColorInterpolated(x, y, Method(m), Overflow(o));
                    ASSERT_TRUE(Same(a, b)) << "method " << m << " overflow " << o << " at " << x
                                            << ", " << y << ": " << Show(a) << " vs " << Show(b);
                }
                if (m != 2 && m != 5 && o != 5) continue;
                const RGBQUAD a =
                    t.rgb.GetAreaColorInterpolated(x, y, w, h, Method(m), Overflow(o));
                const RGBQUAD b =
                    t.indexed.GetAreaColorInterpolated(x, y, w, h, Method(m), Overflow(o));
                if (m == 2 && (w <= 1 || h <= 1)) continue;  // bilinear cells differ by design
                ASSERT_TRUE(Same(a, b))
                    << "area method " << m << " overflow " << o << " at " << x << ", " << y
                    << " size " << w << "x" << h << ": " << Show(a) << " vs " << Show(b);
            }
    }
}

// Bilinear: interior 24-bit points use 8-bit fixed-point weights; edges and
// indexed images float weights.
TEST(ResampleFastPathTest, BilinearFixedPointInsideFloatElsewhere) {
    Twins t = RandomTwins(23, 17, 9);
    std::mt19937 rng(13);
    // x0 from -1 to width - 1: no point is remapped first.
    std::uniform_real_distribution<float> px(-1.0f, 23.0f), py(-1.0f, 17.0f);
    int interior = 0, edge = 0;
    for (int k = 0; k < 3000; ++k) {
        const float x = px(rng), y = py(rng);
        const LONG x0 = static_cast<LONG>(std::floor(x)), y0 = static_cast<LONG>(std::floor(y));
        const RGBQUAD got =
            t.rgb.GetPixelColorInterpolated(x, y, CRaster::InterpBilinear, CRaster::OverflowRepeat);
        const RGBQUAD twin = t.indexed.GetPixelColorInterpolated(x, y, CRaster::InterpBilinear,
                                                                 CRaster::OverflowRepeat);
        const auto at = [&](LONG i, LONG j) {
            return t.rgb.GetPixelColor(std::clamp<LONG>(i, 0, 22), std::clamp<LONG>(j, 0, 16));
        };
        const RGBQUAD p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1),
                      p11 = at(x0 + 1, y0 + 1);
        const auto channels = [](RGBQUAD c) {
            return std::vector<int>{c.rgbBlue, c.rgbGreen, c.rgbRed, c.rgbReserved};
        };
        const std::vector<int> c00 = channels(p00), c10 = channels(p10), c01 = channels(p01),
                               c11 = channels(p11), g = channels(got), tw = channels(twin);
        // The indexed twin: float weights, checked against the exact value.
        const double dx = x - x0, dy = y - y0;
        for (int ch = 0; ch < 4; ++ch) {
            const double exact = (1 - dx) * (1 - dy) * c00[ch] + dx * (1 - dy) * c10[ch] +
                                 (1 - dx) * dy * c01[ch] + dx * dy * c11[ch];
            if (std::fabs(exact - std::round(exact)) > 1e-3) {
                ASSERT_EQ(tw[ch], static_cast<int>(exact)) << x << ", " << y << " ch " << ch;
            }
        }
        if (x0 >= 0 && y0 >= 0 && x0 + 1 < 23 && y0 + 1 < 17) {
            ++interior;
            const int fx = static_cast<int>((x - x0) * 256), fy = static_cast<int>((y - y0) * 256);
            const int w11 = fx * fy >> 8, w01 = fx - w11, w10 = fy - w11, w00 = 256 - fx - fy + w11;
            for (int ch = 0; ch < 4; ++ch)
                ASSERT_EQ(g[ch],
                          (w00 * c00[ch] + w01 * c10[ch] + w10 * c01[ch] + w11 * c11[ch]) >> 8)
                    << x << ", " << y << " ch " << ch;
        } else {
            ++edge;
            ASSERT_TRUE(Same(got, twin)) << x << ", " << y;
        }
    }
    EXPECT_GT(interior, 1000);
    EXPECT_GT(edge, 300);
    // Without an alpha plane the bilinear alpha byte is 0, the kernels' 255.
    CRaster plain = Pattern(5, 5, 24);
    EXPECT_EQ(
        plain
            .GetPixelColorInterpolated(2.5f, 2.5f, CRaster::InterpBilinear, CRaster::OverflowRepeat)
            .rgbReserved,
        0);
    EXPECT_EQ(plain
                  .GetPixelColorInterpolated(-0.5f, 2.5f, CRaster::InterpBilinear,
                                             CRaster::OverflowRepeat)
                  .rgbReserved,
              0);
    EXPECT_EQ(
        plain.GetPixelColorInterpolated(2.5f, 2.5f, CRaster::InterpCatrom, CRaster::OverflowRepeat)
            .rgbReserved,
        255);
}

// ---- The older Resample -------------------------------------------------------------------------

TEST(ResampleTest, ModesOfTheOlderResize) {
    CRaster source = Pattern(12, 9, 24);
    CRaster out;
    ASSERT_TRUE(source.Resample(5, 4, 1, &out));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 5; ++x)
            ASSERT_TRUE(Same(
                out.GetPixelColor(x, y),
                source.GetPixelColor(static_cast<LONG>(x * 2.4f), static_cast<LONG>(y * 2.25f)),
                false));
    // Indexed pictures keep their indices, also where the palette repeats
    // a colour.
    CRaster indexed = Pattern(12, 9, 4);
    indexed.SetPaletteColor(9, indexed.GetPaletteColor(2));
    ASSERT_TRUE(indexed.Resample(24, 18, 1, &out));
    EXPECT_EQ(out.GetBpp(), 4);
    for (LONG y = 0; y < 18; ++y)
        for (LONG x = 0; x < 24; ++x)
            ASSERT_EQ(out.GetPixelIndex(x, y), indexed.GetPixelIndex(x / 2, y / 2));

    // The default mode averages whole boxes when shrinking 24-bit pictures.
    Twins t = RandomTwins(12, 9, 21);
    ASSERT_TRUE(t.rgb.Resample(4, 3, 0, &out));
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x) {
            int sum = 0, alpha = 0;
            for (LONG j = 0; j < 3; ++j)
                for (LONG i = 0; i < 3; ++i) {
                    sum += t.rgb.GetPixelColor(3 * x + i, 3 * y + j).rgbGreen;
                    alpha += t.rgb.AlphaGet(3 * x + i, 3 * y + j);
                }
            EXPECT_EQ(out.GetPixelColor(x, y, false).rgbGreen, sum / 9);
            EXPECT_EQ(out.AlphaGet(x, y), alpha / 9);
        }
    // Uniform stays uniform in every mode, at uneven factors too.
    CRaster flat = Uniform(31, 17, 24, RGBQUAD{250, 3, 129, 0});
    for (int mode : {0, 1, 2, 3})
        for (LONG nw : {7L, 45L}) {
            ASSERT_TRUE(flat.Resample(nw, 11, mode, &out));
            for (LONG y = 0; y < 11; ++y)
                for (LONG x = 0; x < nw; ++x)
                    ASSERT_TRUE(Same(out.GetPixelColor(x, y), RGBQUAD{250, 3, 129, 0}, false))
                        << mode << " " << nw << " at " << x << ", " << y;
        }
}

// ---- Geometry helpers -----------------------------------------------------------------------

TEST(ResampleGeometryTest, RectanglesAndPoints) {
    EXPECT_FLOAT_EQ(CRasterPoint2(1, 2).Distance(CRasterPoint2(4, 6)), 5.0f);
    const CRasterRect2 a(0, 0, 4, 2), b(3, 1, 6, 5);
    const CRasterRect2 x = a.CrossSection(b);
    EXPECT_FLOAT_EQ(x.left, 3);
    EXPECT_FLOAT_EQ(x.top, 1);
    EXPECT_FLOAT_EQ(x.right, 4);
    EXPECT_FLOAT_EQ(x.bottom, 2);
    EXPECT_FLOAT_EQ(x.Surface(), 1);
    EXPECT_FLOAT_EQ(b.Center().x, 4.5f);
    EXPECT_FLOAT_EQ(b.Center().y, 3);
    // Apart on one axis: no area, even when the other would multiply to a
    // positive number.
    EXPECT_FLOAT_EQ(a.CrossSection(CRasterRect2(5, 3, 7, 6)).Surface(), 0);
    EXPECT_FLOAT_EQ(a.CrossSection(CRasterRect2(5, 0, 7, 1)).Surface(), 0);
    EXPECT_FLOAT_EQ(CRasterRect2().Surface(), 0);
}

}  // namespace
