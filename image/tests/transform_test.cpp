// Cropping, mirror images, turns, margins and shrinking.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "image/raster.h"
#include "image/tests/imagetesting.h"

namespace {

using imagetesting::Pattern;
using imagetesting::SamePixels;

constexpr DWORD kDepths[] = {1, 4, 8, 24};

// A seeded picture of every pixel value at random, with an alpha plane and
// a selection of a rectangle and a few pixels.
CRaster Seeded(LONG w, LONG h, DWORD bpp, unsigned seed = 7) {
    CRaster image = Pattern(w, h, bpp);
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            if (image.IsIndexed())
                image.SetPixelIndex(x, y, static_cast<BYTE>(next() % image.GetNumColors()));
            else
                image.SetPixelColor(x, y,
                                    RGBQUAD{static_cast<BYTE>(next()), static_cast<BYTE>(next()),
                                            static_cast<BYTE>(next()), 0});
        }
    EXPECT_TRUE(image.AlphaCreate());
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) image.AlphaSet(x, y, static_cast<BYTE>(next()));
    image.SelectionAddRect(CRect(1, 2, w / 2, h / 3));
    image.SelectionAddPixel(w - 1, h - 1);
    image.SetTransIndex(1);
    image.SetTransColor(RGBQUAD{1, 2, 3, 0});
    return image;
}

// Everything a transform must carry: size, depth, format, palette,
// transparency, pixel values, the planes and the selection box.
::testing::AssertionResult SameImage(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBpp() != b.GetBpp() || a.GetType() != b.GetType())
        return ::testing::AssertionFailure()
               << "shape " << a.GetWidth() << "x" << a.GetHeight() << "x" << a.GetBpp() << " vs "
               << b.GetWidth() << "x" << b.GetHeight() << "x" << b.GetBpp();
    if (a.GetPaletteSize() != b.GetPaletteSize() ||
        (a.GetPaletteSize() != 0 &&
         std::memcmp(a.GetPalette(), b.GetPalette(), a.GetPaletteSize()) != 0))
        return ::testing::AssertionFailure() << "palette";
    if (a.GetTransIndex() != b.GetTransIndex()) return ::testing::AssertionFailure() << "index";
    if (a.AlphaIsValid() != b.AlphaIsValid() || a.SelectionIsValid() != b.SelectionIsValid())
        return ::testing::AssertionFailure() << "planes present";
    CRect ra, rb;
    a.SelectionGetBox(ra);
    b.SelectionGetBox(rb);
    if (a.SelectionIsValid() && !(ra == rb))
        return ::testing::AssertionFailure() << "selection box";
    for (LONG y = 0; y < static_cast<LONG>(a.GetHeight()); ++y)
        for (LONG x = 0; x < static_cast<LONG>(a.GetWidth()); ++x) {
            const bool same =
                (a.IsIndexed() ? a.GetPixelIndex(x, y) == b.GetPixelIndex(x, y)
                               : CRaster::RGBQUADtoRGB(a.GetPixelColor(x, y, false)) ==
                                     CRaster::RGBQUADtoRGB(b.GetPixelColor(x, y, false))) &&
                a.AlphaGet(x, y) == b.AlphaGet(x, y) &&
                a.SelectionIsInside(x, y) == b.SelectionIsInside(x, y);
            if (!same)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
        }
    return ::testing::AssertionSuccess();
}

// A pixel's value (index or colour) for comparisons across images.
COLORREF ValueAt(const CRaster& image, LONG x, LONG y) {
    return image.IsIndexed() ? image.GetPixelIndex(x, y)
                             : CRaster::RGBQUADtoRGB(image.GetPixelColor(x, y, false));
}

using Op = std::function<bool(CRaster&)>;

TEST(TransformTest, MirrorsAndTurnsUndoneGiveBackTheImageWithItsPlanes) {
    const struct {
        const char* name;
        Op first, second;
    } cases[] = {
        {"flip twice", [](CRaster& i) { return i.Flip(); }, [](CRaster& i) { return i.Flip(); }},
        {"mirror twice", [](CRaster& i) { return i.Mirror(); },
         [](CRaster& i) { return i.Mirror(); }},
        {"left then right", [](CRaster& i) { return i.RotateLeft(); },
         [](CRaster& i) { return i.RotateRight(); }},
        {"right then left", [](CRaster& i) { return i.RotateRight(); },
         [](CRaster& i) { return i.RotateLeft(); }},
        {"180 twice", [](CRaster& i) { return i.Rotate180(); },
         [](CRaster& i) { return i.Rotate180(); }},
        {"left twice, 180", [](CRaster& i) { return i.RotateLeft() && i.RotateLeft(); },
         [](CRaster& i) { return i.Rotate180(); }},
        {"flip and mirror, 180", [](CRaster& i) { return i.Flip() && i.Mirror(); },
         [](CRaster& i) { return i.Rotate180(); }},
    };
    for (DWORD bpp : kDepths)
        // Sides across the 64-pixel blocks and off whole bytes.
        for (auto [w, h] : {std::pair<LONG, LONG>{67, 130}, {13, 5}, {1, 9}}) {
            const CRaster original = Seeded(w, h, bpp);
            for (const auto& c : cases) {
                SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(bpp) + " bits, " +
                             std::to_string(w) + "x" + std::to_string(h));
                CRaster image(original);
                ASSERT_TRUE(c.first(image));
                // Something moved (a 1 x 9 mirror image is itself).
                if (w > 1) {
                    EXPECT_FALSE(SameImage(image, original));
                }
                ASSERT_TRUE(c.second(image));
                EXPECT_TRUE(SameImage(image, original));
            }
        }
}

TEST(TransformTest, QuarterTurnsMapEveryPixelAndLeaveTheSourceWithADestination) {
    for (DWORD bpp : kDepths) {
        SCOPED_TRACE(bpp);
        const CRaster src = Seeded(70, 131, bpp, bpp);
        const CRaster before(src);
        CRaster left, right;
        ASSERT_TRUE(const_cast<CRaster&>(src).RotateLeft(&left));
        ASSERT_TRUE(const_cast<CRaster&>(src).RotateRight(&right));
        EXPECT_TRUE(SameImage(src, before));
        ASSERT_EQ(left.GetWidth(), 131u);
        ASSERT_EQ(left.GetHeight(), 70u);
        EXPECT_EQ(left.GetBpp(), src.GetBpp());
        EXPECT_EQ(left.GetTransIndex(), 1);
        bool ok = true;
        for (LONG y = 0; y < 131 && ok; ++y)
            for (LONG x = 0; x < 70 && ok; ++x) {
                // Counter-clockwise: (x, y) to (height - 1 - y, x); clockwise
                // the opposite.
                ok = ValueAt(left, 130 - y, x) == ValueAt(src, x, y) &&
                     left.AlphaGet(130 - y, x) == src.AlphaGet(x, y) &&
                     left.SelectionIsInside(130 - y, x) == src.SelectionIsInside(x, y) &&
                     ValueAt(right, y, 69 - x) == ValueAt(src, x, y) &&
                     right.AlphaGet(y, 69 - x) == src.AlphaGet(x, y);
                EXPECT_TRUE(ok) << "(" << x << ", " << y << ")";
            }
        // The selection box turns with the plane: rows 2..42, columns 1..34
        // and the pixel (69, 130).
        CRect box;
        left.SelectionGetBox(box);
        EXPECT_EQ(box, CRect(0, 70, 129, 1));
    }
}

TEST(TransformTest, CropCopiesTheRectangleByLinesFromTheTopAndClamps) {
    const LONG w = 50, h = 100;
    const struct {
        LONG left, top, right, bottom;
        bool ok;
        LONG x0, row0, cw, ch;  // the expected rectangle in storage coordinates
    } cases[] = {
        {0, 0, w, h, true, 0, 0, w, h},
        {10, 20, 30, 40, true, 10, 60, 20, 20},
        {30, 40, 10, 20, true, 10, 60, 20, 20},  // edges in any order
        {-5, -7, w + 10, 30, true, 0, 70, w, 30},
        {w - 1, h - 1, w + 100, h + 100, true, w - 1, 0, 1, 1},
        {10, 20, 10, 40, false, 0, 0, 0, 0},
        {10, 20, 30, 20, false, 0, 0, 0, 0},
        {w + 1, 0, w + 5, 10, false, 0, 0, 0, 0},  // both edges clamp to the right side
        {0, -10, 10, -1, false, 0, 0, 0, 0},
    };
    for (DWORD bpp : kDepths) {
        const CRaster src = Seeded(w, h, bpp);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(bpp) + " bits, crop " + std::to_string(c.left) + "," +
                         std::to_string(c.top) + "," + std::to_string(c.right) + "," +
                         std::to_string(c.bottom));
            CRaster image(src), out;
            ASSERT_EQ(image.Crop(c.left, c.top, c.right, c.bottom, &out), c.ok);
            EXPECT_TRUE(SameImage(image, src));
            if (!c.ok) {
                EXPECT_FALSE(out.IsValid());
                continue;
            }
            ASSERT_EQ(out.GetWidth(), static_cast<DWORD>(c.cw));
            ASSERT_EQ(out.GetHeight(), static_cast<DWORD>(c.ch));
            EXPECT_EQ(out.GetBpp(), src.GetBpp());
            EXPECT_TRUE(out.IsSamePalette(src) || !src.IsIndexed());
            EXPECT_EQ(out.GetTransIndex(), 1);
            EXPECT_EQ(CRaster::RGBQUADtoRGB(out.GetTransColor()),
                      CRaster::RGBQUADtoRGB(src.GetTransColor()));
            for (LONG y = 0; y < c.ch; ++y)
                for (LONG x = 0; x < c.cw; ++x) {
                    ASSERT_EQ(ValueAt(out, x, y), ValueAt(src, c.x0 + x, c.row0 + y));
                    ASSERT_EQ(out.AlphaGet(x, y), src.AlphaGet(c.x0 + x, c.row0 + y));
                }
            // Without a destination the image itself becomes the crop.
            ASSERT_TRUE(image.Crop(CRect(c.left, c.top, c.right, c.bottom)));
            EXPECT_TRUE(SameImage(image, out));
        }
    }
}

TEST(TransformTest, ExpandPlacesTheImageAndFillsTheMarginsWithTheNearestColour) {
    const RGBQUAD canvas{200, 100, 50, 0};
    for (DWORD bpp : kDepths) {
        SCOPED_TRACE(bpp);
        CRaster src = Seeded(7, 7, bpp);
        // The canvas colour is close to entry 1 (only entry 1 of a 1-bit
        // image is anywhere near).
        if (src.IsIndexed()) src.SetPaletteColor(1, RGBQUAD{198, 103, 49, 0});
        const COLORREF margin = src.IsIndexed() ? 1 : CRaster::RGBQUADtoRGB(canvas);

        struct {
            bool bySize;
            LONG a, b, c, d;         // new size, or the margins left, top, right, bottom
            LONG left, top, nw, nh;  // where the picture lands, lines from the top
        } cases[] = {
            {true, 10, 10, 0, 0, 1, 1, 10, 10},  // the odd pixel right and bottom
            {true, 7, 7, 0, 0, 0, 0, 7, 7},
            {false, 1, 2, 3, 4, 1, 2, 11, 13},
            {false, 0, 0, 0, 5, 0, 0, 7, 12},
        };
        for (const auto& c : cases) {
            CRaster out;
            ASSERT_TRUE(c.bySize ? src.Expand(c.a, c.b, canvas, &out)
                                 : src.Expand(c.a, c.b, c.c, c.d, canvas, &out));
            ASSERT_EQ(out.GetWidth(), static_cast<DWORD>(c.nw));
            ASSERT_EQ(out.GetHeight(), static_cast<DWORD>(c.nh));
            EXPECT_TRUE(out.IsSamePalette(src) || !src.IsIndexed());
            EXPECT_EQ(out.GetTransIndex(), 1);
            for (LONG y = 0; y < c.nh; ++y)
                for (LONG x = 0; x < c.nw; ++x) {
                    // Lines from the top to storage rows.
                    const LONG sx = x - c.left, sy = y - (c.nh - 7 - c.top);
                    if (sx >= 0 && sx < 7 && sy >= 0 && sy < 7) {
                        ASSERT_EQ(ValueAt(out, x, y), ValueAt(src, sx, sy)) << x << "," << y;
                        ASSERT_EQ(out.AlphaGet(x, y), src.AlphaGet(sx, sy));
                        ASSERT_EQ(out.SelectionIsInside(x, y), src.SelectionIsInside(sx, sy));
                    } else {
                        ASSERT_EQ(ValueAt(out, x, y), margin) << x << "," << y;
                        ASSERT_EQ(out.AlphaGet(x, y), 255);
                        ASSERT_FALSE(out.SelectionIsInside(x, y));
                    }
                }
        }
        // Negative margins and smaller sizes fail and change nothing.
        CRaster image(src);
        EXPECT_FALSE(image.Expand(-1, 0, 0, 0, canvas));
        EXPECT_FALSE(image.Expand(0, 0, 0, -1, canvas));
        EXPECT_FALSE(image.Expand(6, 10, canvas));
        EXPECT_FALSE(image.Expand(10, 6, canvas));
        EXPECT_TRUE(SameImage(image, src));
    }
}

TEST(TransformTest, QIShrinkTakesIntegerMeansAndNeverEnlarges) {
    // 3 x 1 to 2 x 1: column 0 alone, columns 1 and 2 together.
    CRaster row(3, 1, 24, 0);
    row.SetPixelColor(0, 0, RGBQUAD{10, 20, 30, 0});
    row.SetPixelColor(1, 0, RGBQUAD{11, 0, 255, 0});
    row.SetPixelColor(2, 0, RGBQUAD{20, 5, 0, 0});
    ASSERT_TRUE(row.AlphaCreate());
    row.AlphaSet(1, 0, 0);
    ASSERT_TRUE(row.QIShrink(2, 1));
    ASSERT_EQ(row.GetWidth(), 2u);
    EXPECT_EQ(CRaster::RGBQUADtoRGB(row.GetPixelColor(0, 0)), RGB(30, 20, 10));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(row.GetPixelColor(1, 0)), RGB(127, 2, 15));
    EXPECT_EQ(row.AlphaGet(0, 0), 255);
    EXPECT_EQ(row.AlphaGet(1, 0), 127);

    // 4 x 4 to 2 x 2 in 2 x 2 blocks, rows and columns alike.
    for (DWORD bpp : {8u, 24u}) {
        CRaster image(4, 4, bpp, 0);
        if (image.IsIndexed()) image.SetGrayPalette();
        for (LONG y = 0; y < 4; ++y)
            for (LONG x = 0; x < 4; ++x) {
                const BYTE v = static_cast<BYTE>(x * 10 + y * 40);
                image.SetPixelColor(x, y, RGBQUAD{v, v, v, 0});
            }
        CRaster out;
        ASSERT_TRUE(image.QIShrink(2, 2, &out));
        EXPECT_EQ(image.GetWidth(), 4u);
        for (LONG y = 0; y < 2; ++y)
            for (LONG x = 0; x < 2; ++x)
                EXPECT_EQ(out.GetPixelColor(x, y).rgbRed, 5 + 20 * x + 20 + 80 * y)
                    << bpp << " bits (" << x << ", " << y << ")";
    }

    // Indexed images are written through the nearest entry.
    CRaster indexed(2, 1, 4, 0);
    indexed.SetPaletteColor(0, RGBQUAD{0, 0, 0, 0});
    indexed.SetPaletteColor(1, RGBQUAD{200, 200, 200, 0});
    indexed.SetPaletteColor(2, RGBQUAD{96, 96, 96, 0});
    indexed.SetPixelIndex(1, 0, 1);
    ASSERT_TRUE(indexed.QIShrink(1, 1));
    EXPECT_EQ(indexed.GetPixelIndex(0, 0), 2);

    const CRaster src = Seeded(9, 6, 24);
    for (auto [nx, ny] : {std::pair<LONG, LONG>{10, 6}, {9, 7}, {0, 3}, {3, -1}}) {
        CRaster image(src);
        EXPECT_FALSE(image.QIShrink(nx, ny)) << nx << "x" << ny;
        EXPECT_STREQ(image.GetLastError(), nx > 9 || ny > 6 ? "QIShrink can't enlarge image" : "");
        EXPECT_TRUE(SameImage(image, src));
    }
    CRaster same;
    ASSERT_TRUE(const_cast<CRaster&>(src).QIShrink(9, 6, &same));
    EXPECT_TRUE(SameImage(same, src));
}

TEST(TransformTest, FreeTurnsKeepWholePixelsAndRefuseBadAngles) {
    for (DWORD bpp : {4u, 24u}) {
        SCOPED_TRACE(bpp);
        const CRaster src = Seeded(9, 6, bpp);
        CRaster right, turned;
        ASSERT_TRUE(const_cast<CRaster&>(src).RotateRight(&right));
        // 90 degrees is RotateRight with a spare column on the right and a
        // spare row at the bottom; uncovered pixels are transparent.
        ASSERT_TRUE(const_cast<CRaster&>(src).Rotate(90, &turned));
        ASSERT_EQ(turned.GetWidth(), 7u);
        ASSERT_EQ(turned.GetHeight(), 10u);
        for (LONG y = 0; y < 10; ++y)
            for (LONG x = 0; x < 7; ++x) {
                if (x < 6 && y > 0) {
                    ASSERT_EQ(ValueAt(turned, x, y), ValueAt(right, x, y - 1)) << x << "," << y;
                    ASSERT_EQ(turned.AlphaGet(x, y), right.AlphaGet(x, y - 1));
                } else {
                    ASSERT_EQ(turned.AlphaGet(x, y), 0) << x << "," << y;
                }
            }
        // A full turn, however many times over, is the picture itself.
        for (float angle : {0.0f, 360.0f, -720.0f}) {
            ASSERT_TRUE(const_cast<CRaster&>(src).Rotate(angle, &turned));
            ASSERT_EQ(turned.GetWidth(), 10u);
            ASSERT_EQ(turned.GetHeight(), 7u);
            for (LONG y = 0; y < 6; ++y)
                for (LONG x = 0; x < 9; ++x)
                    ASSERT_EQ(ValueAt(turned, x, y + 1), ValueAt(src, x, y)) << angle;
        }
        // 45 degrees: the turned corners' box plus the spare pixels.
        ASSERT_TRUE(const_cast<CRaster&>(src).Rotate(45, &turned));
        EXPECT_EQ(turned.GetWidth(), 11u);
        EXPECT_EQ(turned.GetHeight(), 11u);
        // Infinite and undefined angles fail; a huge one is a plain angle.
        const float inf = std::numeric_limits<float>::infinity();
        for (float angle : {inf, -inf, std::numeric_limits<float>::quiet_NaN()}) {
            CRaster image(src);
            EXPECT_FALSE(image.Rotate(angle)) << angle;
            EXPECT_FALSE(image.CropRotatedRectangle(1, 1, 2, 2, angle));
            EXPECT_TRUE(SameImage(image, src));
        }
        CRaster image(src);
        EXPECT_TRUE(image.Rotate(3e38f));
    }
}

TEST(TransformTest, Rotate2NearRightAnglesEqualsTheExactTurns) {
    using Turned = bool (CRaster::*)(CRaster*);
    const struct {
        float angle;
        Turned exact;  // null: a plain copy
    } cases[] = {
        {90, &CRaster::RotateRight},
        {90.4f, &CRaster::RotateRight},
        {-270, &CRaster::RotateRight},
        {-90, &CRaster::RotateLeft},
        {269.7f, &CRaster::RotateLeft},
        {180, &CRaster::Rotate180},
        {-179.8f, &CRaster::Rotate180},
        {0.3f, nullptr},
        {720, nullptr},
    };
    for (DWORD bpp : kDepths) {
        const CRaster src = Seeded(13, 21, bpp);
        CRaster& s = const_cast<CRaster&>(src);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(bpp) + " bits, " + std::to_string(c.angle));
            CRaster expected, turned;
            if (c.exact != nullptr)
                ASSERT_TRUE((s.*c.exact)(&expected));
            else
                expected.Copy(src);
            ASSERT_TRUE(s.Rotate2(c.angle, &turned, CRaster::InterpGeneralizedCubic,
                                  CRaster::OverflowRepeat));
            EXPECT_TRUE(SameImage(turned, expected));
        }
        // Unoptimised, the interpolated quarter turn samples whole pixels and
        // agrees with the exact one; beyond a quarter pixel nothing is
        // optimised.
        CRaster right, sampled, off;
        ASSERT_TRUE(s.RotateRight(&right));
        ASSERT_TRUE(s.Rotate2(90, &sampled, CRaster::InterpBilinear, CRaster::OverflowRepeat,
                              nullptr, false));
        EXPECT_TRUE(SamePixels(sampled, right));
        ASSERT_TRUE(s.Rotate2(92, &off, CRaster::InterpNearest, CRaster::OverflowRepeat));
        EXPECT_EQ(off.GetWidth(), 22u);
        EXPECT_EQ(off.GetHeight(), 14u);
        ASSERT_TRUE(s.Rotate2(92, &off, CRaster::InterpNearest, CRaster::OverflowRepeat, nullptr,
                              true, true));
        EXPECT_EQ(off.GetWidth(), 13u);
        EXPECT_EQ(off.GetHeight(), 21u);
        CRaster image(src);
        EXPECT_FALSE(image.Rotate2(std::numeric_limits<float>::quiet_NaN()));
        EXPECT_TRUE(SameImage(image, src));
    }
}

TEST(TransformTest, SkewShearsSelectedPixelsAndTakesFarPointsAsOutside) {
    for (DWORD bpp : {4u, 24u}) {
        SCOPED_TRACE(bpp);
        CRaster src = Seeded(20, 12, bpp);
        src.SelectionDelete();
        const COLORREF outside = ValueAt(src, -1, -1);
        // x gain 1 about row 5: every row shifts by its distance from it.
        for (bool interpolate : {false, true}) {
            CRaster image(src);
            ASSERT_TRUE(image.Skew(1, 0, 0, 5, interpolate));
            for (LONG y = 0; y < 12; ++y)
                for (LONG x = 0; x < 20; ++x) {
                    const LONG sx = x + y - 5;
                    const bool in = sx >= 0 && sx < 20;
                    ASSERT_EQ(ValueAt(image, x, y), in ? ValueAt(src, sx, y) : outside)
                        << interpolate << " (" << x << ", " << y << ")";
                    if (in) {
                        ASSERT_EQ(image.AlphaGet(x, y), src.AlphaGet(sx, y));
                    }
                }
        }
        // Huge and undefined gains put every point off the pivot (and with
        // no finite gain, on it too) outside.
        const float inf = std::numeric_limits<float>::infinity();
        for (float gain : {3e38f, inf, -inf, std::numeric_limits<float>::quiet_NaN()})
            for (bool interpolate : {false, true}) {
                CRaster image(src);
                ASSERT_TRUE(image.Skew(0, gain, 3, 0, interpolate));
                if (std::isfinite(gain)) {
                    EXPECT_EQ(ValueAt(image, 3, 7), ValueAt(src, 3, 7));
                }
                EXPECT_EQ(ValueAt(image, 4, 7), outside) << gain;
            }
        // Only the selection moves.
        CRaster image(src);
        image.SelectionAddRect(CRect(0, 0, 10, 12));
        ASSERT_TRUE(image.Skew(0.5f, 0, 0, 0));
        for (LONG y = 0; y < 12; ++y)
            for (LONG x = 10; x < 20; ++x) ASSERT_EQ(ValueAt(image, x, y), ValueAt(src, x, y));
        EXPECT_TRUE(image.SelectionIsValid());
    }
}

TEST(TransformTest, ThumbnailFitsKeepingTheRatioOnTheCanvas) {
    const RGBQUAD canvas{9, 8, 7, 0}, grey{100, 100, 100, 0};
    const struct {
        LONG w, h, boxw, boxh;
        LONG left, top, fw, fh;  // the picture inside the box, lines from the top
    } cases[] = {
        {40, 20, 10, 10, 0, 2, 10, 5},  // wide: fitted by width, 2 above and 3 below
        {20, 40, 10, 10, 2, 0, 5, 10},
        {4, 3, 10, 10, 3, 3, 4, 3},  // small pictures are not enlarged
        {10, 10, 10, 10, 0, 0, 10, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        CRaster image(c.w, c.h, 24, 0), thumb;
        for (LONG y = 0; y < c.h; ++y)
            for (LONG x = 0; x < c.w; ++x) image.SetPixelColor(x, y, grey);
        ASSERT_TRUE(image.Thumbnail(c.boxw, c.boxh, canvas, &thumb));
        EXPECT_EQ(image.GetWidth(), static_cast<DWORD>(c.w));
        ASSERT_EQ(thumb.GetWidth(), static_cast<DWORD>(c.boxw));
        ASSERT_EQ(thumb.GetHeight(), static_cast<DWORD>(c.boxh));
        for (LONG y = 0; y < c.boxh; ++y)
            for (LONG x = 0; x < c.boxw; ++x) {
                const LONG top = c.boxh - 1 - y;
                const bool in =
                    x >= c.left && x < c.left + c.fw && top >= c.top && top < c.top + c.fh;
                ASSERT_EQ(ValueAt(thumb, x, y), CRaster::RGBQUADtoRGB(in ? grey : canvas))
                    << x << "," << y;
            }
    }
    CRaster image(4, 4, 24, 0);
    EXPECT_FALSE(image.Thumbnail(0, 10, canvas));
}

TEST(TransformTest, CropRotatedRectangleSetsTheRectangleUpright) {
    for (DWORD bpp : kDepths) {
        SCOPED_TRACE(bpp);
        CRaster src = Seeded(40, 30, bpp);
        // A tiny angle is a plain crop.
        CRaster plain, expected;
        ASSERT_TRUE(src.CropRotatedRectangle(5, 6, 10, 8, 0.0001f, &plain));
        ASSERT_TRUE(src.Crop(5, 6, 15, 14, &expected));
        EXPECT_TRUE(SameImage(plain, expected));
        // A quarter turn counter-clockwise: the top side runs up from
        // (5, 20), the rectangle lies to its right; set upright it is the
        // box turned right.
        CRaster upright, box;
        ASSERT_TRUE(src.CropRotatedRectangle(5, 20, 10, 8, static_cast<float>(M_PI / 2), &upright));
        ASSERT_TRUE(src.Crop(5, 10, 13, 20, &box));
        ASSERT_TRUE(box.RotateRight());
        ASSERT_EQ(upright.GetWidth(), 10u);
        ASSERT_EQ(upright.GetHeight(), 8u);
        for (LONG y = 0; y < 8; ++y)
            for (LONG x = 0; x < 10; ++x) ASSERT_EQ(ValueAt(upright, x, y), ValueAt(box, x, y));
        // A rectangle reaching out of the picture, or an empty one, fails.
        const CRaster before(src);
        EXPECT_FALSE(src.CropRotatedRectangle(5, 5, 10, 8, static_cast<float>(M_PI / 2)));
        EXPECT_FALSE(src.CropRotatedRectangle(5, 20, 0, 8, 0.5f));
        EXPECT_TRUE(SameImage(src, before));
    }
}

TEST(TransformTest, CircleTransformMovesOnlyPixelsInsideTheRadius) {
    for (DWORD bpp : {8u, 24u}) {
        SCOPED_TRACE(bpp);
        CRaster whole = Seeded(40, 30, bpp);
        whole.SelectionDelete();
        const COLORREF outside = ValueAt(whole, -1, -1);
        // A twist by a vanishing amount keeps every pixel inside the radius;
        // beyond it pixels take the outside colour and alpha.
        CRaster twist(whole);
        ASSERT_TRUE(twist.CircleTransform(2, 10, 1e9f));
        for (LONG y = 0; y < 30; ++y)
            for (LONG x = 0; x < 40; ++x) {
                const bool in = std::hypot(x - 20.0, 15.0 - y) < 10;
                ASSERT_EQ(ValueAt(twist, x, y), in ? ValueAt(whole, x, y) : outside)
                    << x << "," << y;
                ASSERT_EQ(twist.AlphaGet(x, y), in ? whole.AlphaGet(x, y) : 0);
            }
    }
}

TEST(TransformTest, NewSizesBeyondTheCapOrCoordinatesFailAndChangeNothing) {
    const RGBQUAD black{};
    // A 1-bit row of 1000 pixels takes 128 bytes; turned, every one of its
    // 1000 rows takes 4.
    const CRaster strip = Seeded(1000, 1, 1);
    SetRasterMaxMemory(40 + 8 + 3999);
    {
        CRaster image(strip);
        CRaster out;
        EXPECT_FALSE(image.RotateLeft());
        EXPECT_FALSE(image.RotateRight(&out));
        EXPECT_FALSE(out.IsValid());
        EXPECT_FALSE(image.Rotate(90));
        EXPECT_TRUE(image.Rotate180());
        EXPECT_FALSE(image.Expand(0, 40, 0, 0, black));
        EXPECT_TRUE(image.Rotate180());
        EXPECT_TRUE(SameImage(image, strip));
    }
    SetRasterMaxMemory(0);
    // Margins whose sum leaves 32 bits.
    CRaster image = Seeded(5, 5, 8);
    const CRaster before(image);
    EXPECT_FALSE(image.Expand(INT32_MAX, 0, INT32_MAX, 0, black));
    EXPECT_FALSE(image.Expand(0, INT32_MAX - 2, 0, 0, black));
    EXPECT_FALSE(image.Expand(INT32_MAX, INT32_MAX, black));
    EXPECT_TRUE(SameImage(image, before));
    // An escape stops a free turn, a shear or a distortion half way: false,
    // and nothing moves in.
    image.SetEscape(1);
    CRaster out;
    EXPECT_FALSE(image.Rotate(30));
    EXPECT_FALSE(image.Rotate(30, &out));
    EXPECT_FALSE(image.Rotate2(30));
    EXPECT_FALSE(image.Skew(0.5f, 0));
    EXPECT_FALSE(image.CircleTransform(2, 0, 1));
    image.SetEscape(0);
    EXPECT_FALSE(out.IsValid());
    EXPECT_TRUE(SameImage(image, before));
    // Nothing to transform.
    CRaster empty;
    EXPECT_FALSE(empty.Crop(0, 0, 1, 1));
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Expand(1, 1, 1, 1, black));
    // A borrowing view cannot be replaced; its owner stays as it was.
    CRaster view;
    view.Ghost(&image);
    EXPECT_FALSE(view.Flip());
    EXPECT_FALSE(view.Crop(0, 0, 2, 2));
    EXPECT_TRUE(SameImage(image, before));
}

}  // namespace
