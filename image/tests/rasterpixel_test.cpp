// Pixel values, palette, depth changes, dithers, and the alpha and selection
// planes.

#include <gtest/gtest.h>

#include <QRegion>

#include "image/raster.h"
#include "image/tests/imagetesting.h"

namespace {

using imagetesting::Pattern;
using imagetesting::SamePixels;

CRaster Flat(LONG width, LONG height, BYTE grey) {
    CRaster image(width, height, 24, 0);
    image.Clear(grey);
    return image;
}

// The image as text, top row first: '#' where `on` holds, '.' elsewhere.
template <class On>
std::string Rows(const CRaster& image, On on) {
    std::string rows;
    for (LONG y = static_cast<LONG>(image.GetHeight()) - 1; y >= 0; --y) {
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x) rows += on(x, y) ? '#' : '.';
        rows += '/';
    }
    return rows;
}

// The share of white pixels of a one-bit image.
double WhiteShare(const CRaster& image) {
    int white = 0;
    for (LONG y = 0; y < static_cast<LONG>(image.GetHeight()); ++y)
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x)
            white += image.GetPixelColor(x, y).rgbRed == 255;
    return static_cast<double>(white) / (image.GetWidth() * image.GetHeight());
}

TEST(RasterPixelTest, IndicesStayInTheirPixelAndOutsideReadsFollowTheRules) {
    for (DWORD bpp : {1u, 4u}) {
        CRaster image(9, 1, bpp, 0);
        image.SetPixelIndex(1, 0, 0xFF);  // cut to the depth
        EXPECT_EQ(image.GetPixelIndex(0, 0), 0) << bpp;
        EXPECT_EQ(image.GetPixelIndex(1, 0), bpp == 1 ? 1 : 15);
        EXPECT_EQ(image.GetPixelIndex(2, 0), 0);
    }
    CRaster image = Pattern(4, 4, 8);
    EXPECT_EQ(image.GetPixelIndex(-1, 0), image.GetBits(0)[0]);
    image.SetTransIndex(5);
    EXPECT_EQ(image.GetPixelIndex(-1, 0), 5);
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(9, 9)),
              CRaster::RGBQUADtoRGB(image.GetPaletteColor(5)));
    image.SetPixelIndex(4, 0, 1);  // outside: ignored
    EXPECT_TRUE(image.IsTransparent(-1, 0));

    CRaster line(4, 2, 24, 0);
    line.DrawLine(0, 3, 0, 0, RGB(1, 2, 3));
    for (LONG x = 0; x < 4; ++x) {
        EXPECT_EQ(CRaster::RGBQUADtoRGB(line.GetPixelColor(x, 0)), RGB(1, 2, 3));
        EXPECT_EQ(CRaster::RGBQUADtoRGB(line.GetPixelColor(x, 1)), 0u);
    }
    line.DrawLine(-INT32_MAX, INT32_MAX, 1, 1, RGB(9, 9, 9));  // far ends, clipped per pixel
    EXPECT_EQ(CRaster::RGBQUADtoRGB(line.GetPixelColor(3, 1)), RGB(9, 9, 9));
}

TEST(RasterPixelTest, NearestIndexHonoursImportantColoursAndItsCache) {
    CRaster image(2, 2, 8, 0);
    image.SetStdPalette();
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPaletteColor(226)), RGB(0xF2, 0xF2, 0xF2));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPaletteColor(255)), RGB(255, 255, 255));
    // Black is entry 0; a colour equal to two entries takes the lower one.
    image.SetPaletteColor(7, RGB(10, 20, 30));
    image.SetPaletteColor(9, RGB(10, 20, 30));
    const RGBQUAD wanted = CRaster::RGBtoRGBQUAD(RGB(10, 20, 30));
    EXPECT_EQ(image.GetNearestIndex(wanted), 7);
    // Important colours limit the search, and the cached 7 is dropped.
    image.SetClrImportant(2);
    EXPECT_LT(image.GetNearestIndex(wanted), 2);
    image.SetClrImportant(300);
    EXPECT_EQ(image.GetClrImportant(), 0u);
    EXPECT_EQ(image.GetNearestIndex(wanted), 7);

    CRaster mono(2, 2, 1, 0);
    mono.SetClrImportant(5);
    EXPECT_EQ(mono.GetClrImportant(), 2u);
    CRaster four(2, 2, 4, 0);
    four.SetGrayPalette();
    EXPECT_EQ(four.GetPaletteColor(1).rgbGreen, 17);
    EXPECT_EQ(four.GetPaletteColor(15).rgbGreen, 255);
}

TEST(RasterPixelTest, DecreaseBppMapsToTheNearestEntry) {
    CRaster grey(2, 1, 24, 0);
    grey.SetPixelColor(0, 0, RGB(127, 127, 127));
    grey.SetPixelColor(1, 0, RGB(128, 128, 128));
    ASSERT_TRUE(grey.DecreaseBpp(1, false));
    EXPECT_EQ(grey.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(grey.GetPixelIndex(1, 0), 1);
    EXPECT_TRUE(grey.DecreaseBpp(1, false));  // its own depth: unchanged
    EXPECT_FALSE(grey.DecreaseBpp(8, false));

    // A photo to the standard palettes keeps the nearest colours.
    const CRaster photo = Pattern(16, 8, 24);
    for (DWORD bits : {4u, 8u}) {
        CRaster reduced(photo);
        ASSERT_TRUE(reduced.DecreaseBpp(bits, false));
        EXPECT_EQ(reduced.GetBpp(), bits);
        CRaster palette(1, 1, bits, 0);
        palette.SetStdPalette();
        EXPECT_TRUE(reduced.IsSamePalette(palette));
        for (LONG x = 0; x < 16; ++x)
            EXPECT_EQ(reduced.GetPixelIndex(x, 3),
                      palette.GetNearestIndex(photo.GetPixelColor(x, 3)));
    }
    // Error diffusion spreads the error: mid grey becomes about half white.
    CRaster mid = Flat(32, 32, 128);
    ASSERT_TRUE(mid.DecreaseBpp(1, true));
    EXPECT_NEAR(WhiteShare(mid), 0.5, 0.05);
}

TEST(RasterPixelTest, EveryDitherKeepsTheGreyLevel) {
    for (LONG method = 0; method <= 8; ++method) {
        for (BYTE grey : {BYTE{0}, BYTE{64}, BYTE{128}, BYTE{255}}) {
            CRaster image = Flat(32, 32, grey);
            ASSERT_TRUE(image.Dither(method));
            ASSERT_EQ(image.GetBpp(), 1);
            EXPECT_NEAR(WhiteShare(image), grey / 255.0, 0.07) << method << " " << int(grey);
        }
    }
}

TEST(RasterPixelTest, EachDitherAndDiffusionSpreadsByItsOwnWeights) {
    // Grey levels 50..55, 72..77 and 94..99 from the bottom row up; the
    // results, worked out from each kernel's weights, all differ.
    const auto ramp = [] {
        CRaster image(6, 3, 24, 0);
        for (LONG y = 0; y < 3; ++y)
            for (LONG x = 0; x < 6; ++x) {
                const BYTE v = static_cast<BYTE>(x + 22 * y + 50);
                image.SetPixelColor(x, y, RGB(v, v, v));
            }
        return image;
    };
    const struct {
        LONG method;  // -1: DecreaseBpp to one bit with error diffusion
        const char* rows;
    } cases[] = {
        {0, ".#..#./.#.#.#/....../"},  // Floyd-Steinberg
        {1, "#.#.#./....../#.#.#./"},  // ordered, 4 x 4 levels
        {2, "..#.#./.#.#../....../"},  // Burkes
        {3, ".#.#../..#..#/....../"},  // Stucki
        {4, "#.#.#./...#../....../"},  // Jarvis-Judice-Ninke
        {5, ".#.##./..#.../....../"},  // Sierra
        {6, ".##.##/....../....../"},  // Stevenson-Arce
        {7, "#.#.#./.#...#/#.#.#./"},  // ordered thresholds
        {8, ".#..#./.#.#.#/....../"},  // any other: Floyd-Steinberg
        {-1, "..#.../.#.#.#/....../"},
    };
    for (const auto& c : cases) {
        CRaster image = ramp();
        ASSERT_TRUE(c.method < 0 ? image.DecreaseBpp(1, true) : image.Dither(c.method));
        EXPECT_EQ(Rows(image, [&](LONG x, LONG y) { return image.GetPixelIndex(x, y) == 1; }),
                  c.rows)
            << c.method;
    }
}

TEST(RasterPixelTest, DepthIncreaseGreyAndNegative) {
    CRaster indexed = Pattern(5, 3, 4);
    indexed.SetTransIndex(2);
    CRaster wide(indexed);
    ASSERT_TRUE(wide.IncreaseBpp(8));
    EXPECT_EQ(wide.GetPixelIndex(3, 2), indexed.GetPixelIndex(3, 2));
    ASSERT_TRUE(wide.IncreaseBpp(24));
    EXPECT_TRUE(SamePixels(wide, indexed));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(wide.GetTransColor()),
              CRaster::RGBQUADtoRGB(indexed.GetPaletteColor(2)));
    EXPECT_FALSE(wide.IncreaseBpp(8));

    CRaster grey(indexed);
    ASSERT_TRUE(grey.GrayScale());
    EXPECT_EQ(grey.GetBpp(), 8);
    EXPECT_TRUE(grey.IsGrayScale());
    EXPECT_EQ(grey.GetPixelIndex(1, 1), indexed.GetPixelGray(1, 1));

    CRaster negative = Pattern(3, 3, 24);
    negative.SelectionAddRect(CRect(0, 0, 1, 3));
    ASSERT_TRUE(negative.Negative());
    const CRaster original = Pattern(3, 3, 24);
    EXPECT_EQ(negative.GetPixelColor(0, 1).rgbRed, 255 - original.GetPixelColor(0, 1).rgbRed);
    EXPECT_EQ(negative.GetPixelColor(2, 1).rgbRed, original.GetPixelColor(2, 1).rgbRed);

    // A change that fails leaves the image as it was: the new image is
    // beyond the cap, or the image is a view of another's blocks, which it
    // cannot replace (and whose owner must not change either).
    const struct {
        const char* name;
        DWORD bpp;
        bool view;
        bool (*op)(CRaster&);
    } failing[] = {
        {"grey beyond the cap", 4, false, [](CRaster& i) { return i.GrayScale(); }},
        {"dither of a view", 8, true, [](CRaster& i) { return i.Dither(0); }},
        {"diffusion into a view", 24, true, [](CRaster& i) { return i.DecreaseBpp(1, true); }},
        {"copy into a view", 4, true,
         [](CRaster& i) {
             i.Copy(Pattern(5, 5, 24));
             return i.GetEffWidth() != 4 || i.GetWidth() != 8;
         }},
    };
    for (const auto& f : failing) {
        CRaster owner = Pattern(8, 8, f.bpp);
        owner.SetTransIndex(2);
        const CRaster before(owner);
        CRaster view;
        view.Ghost(&owner);
        if (!f.view) SetRasterMaxMemory(500);
        EXPECT_FALSE(f.op(f.view ? view : owner)) << f.name;
        SetRasterMaxMemory(0);
        EXPECT_TRUE(SamePixels(owner, before) && (f.bpp == 24 || owner.IsSamePalette(before)) &&
                    owner.GetTransIndex() == 2 && owner.GetBpp() == f.bpp)
            << f.name;
    }
}

TEST(RasterPlaneTest, AlphaPlaneRules) {
    CRaster image = Pattern(3, 2, 24);
    EXPECT_EQ(image.AlphaGet(0, 0), 0);  // no plane
    ASSERT_TRUE(image.AlphaCreate());
    image.AlphaSet(1, 1, 7);
    EXPECT_TRUE(image.AlphaCreate());  // kept as it is
    EXPECT_EQ(image.AlphaGet(1, 1), 7);
    image.AlphaSet(3, 0, 9);
    EXPECT_EQ(image.AlphaGet(3, 0), 0);

    // A grey image with padded rows (3 bytes of a 4-byte stride) becomes the
    // plane row by row.
    CRaster grey(3, 2, 8, 0);
    grey.SetGrayPalette();
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 3; ++x) grey.SetPixelIndex(x, y, static_cast<BYTE>(10 * y + x));
    ASSERT_TRUE(image.AlphaSet(grey));
    EXPECT_EQ(image.AlphaGet(0, 1), 10);
    EXPECT_EQ(image.AlphaGet(2, 1), 12);
    EXPECT_FALSE(image.AlphaSet(Pattern(3, 2, 8)));  // not grey
    CRaster split;
    ASSERT_TRUE(image.AlphaSplit(&split));
    EXPECT_TRUE(SamePixels(split, grey));
    EXPECT_FALSE(image.AlphaSplit(&image));  // would free the plane it reads
    EXPECT_EQ(image.AlphaGet(2, 1), 12);

    // Alpha 0 everywhere strips to the transparency colour.
    image.AlphaClear();
    image.SetTransColor(CRaster::RGBtoRGBQUAD(RGB(1, 2, 3)));
    image.AlphaStrip();
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(2, 1)), RGB(1, 2, 3));
}

TEST(RasterPlaneTest, SelectionShapesAreClippedAndBoxed) {
    const auto selected = [](const CRaster& image) {
        return Rows(image, [&](LONG x, LONG y) { return image.SelectionIsInside(x, y); });
    };
    CRaster image(6, 5, 8, 0);
    EXPECT_TRUE(image.SelectionIsInside(5, 4));  // no plane: every pixel
    ASSERT_TRUE(image.SelectionAddRect(CRect(5, 4, 2, 2)));
    EXPECT_EQ(selected(image), "....../..###./..###./....../....../");
    CRect box;
    image.SelectionGetBox(box);
    EXPECT_EQ(box, CRect(2, 4, 5, 2));

    // A triangle reaching far out of the image: the part inside closes.
    CRaster clipped(6, 5, 8, 0);
    const CPoint triangle[] = {{-1000, 0}, {3, 0}, {3, 2000000000}};
    ASSERT_TRUE(clipped.SelectionAddPolygon(triangle, 3));
    EXPECT_EQ(selected(clipped), "####../####../####../####../####../");
    const CPoint everything[] = {{-50, -50}, {100, -50}, {100, 100}, {-50, 100}};
    ASSERT_TRUE(clipped.SelectionAddPolygon(everything, 4));
    EXPECT_EQ(selected(clipped), "######/######/######/######/######/");
    EXPECT_FALSE(clipped.SelectionAddPolygon(triangle, 2));

    CRaster round(7, 7, 8, 0);
    EXPECT_FALSE(round.SelectionAddEllipse(CRect(3, 0, 3, 6)));
    ASSERT_TRUE(round.SelectionAddEllipse(CRect(0, 0, 6, 6)));
    EXPECT_EQ(selected(round), "......./...#.../.#####./.#####./.#####./.#####./......./");

    QRegion region;
    ASSERT_TRUE(round.SelectionToHRGN(region));
    EXPECT_EQ(region, QRegion(1, 1, 5, 4) + QRegion(3, 5, 1, 1));
    EXPECT_FALSE(round.SelectionSplit(&round));
    EXPECT_TRUE(round.SelectionIsInside(3, 5));
}

}  // namespace
