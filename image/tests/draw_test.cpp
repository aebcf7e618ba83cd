// Drawing the image on a device context, the bitmap, icon and packed-DIB
// conversions, and text drawn into the pixels.

#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "image/raster.h"
#include "image/tests/imagetesting.h"
#include "platform/dc.h"

namespace {

using imagetesting::Bytes;
using imagetesting::InfoHeader;
using imagetesting::Pattern;
using imagetesting::SamePixels;

constexpr COLORREF kPaper = RGB(200, 200, 200);
// The four colours of the 2 x 2 test image, top-left, top-right,
// bottom-left, bottom-right as seen on screen.
constexpr COLORREF kQuad[] = {RGB(250, 0, 0), RGB(0, 250, 0), RGB(0, 0, 250), RGB(250, 250, 0)};

RGBQUAD Quad(COLORREF c) { return CRaster::RGBtoRGBQUAD(c); }

// A 2 x 2 image of the four colours at the depth (rows are stored bottom-up).
CRaster Four(DWORD bpp) {
    CRaster image(2, 2, bpp, 0);
    if (image.IsIndexed())
        for (BYTE i = 0; i < 4; ++i) image.SetPaletteColor(i, Quad(kQuad[i]));
    for (int i = 0; i < 4; ++i) {
        const LONG x = i % 2, y = 1 - i / 2;
        if (image.IsIndexed())
            image.SetPixelIndex(x, y, static_cast<BYTE>(i));
        else
            image.SetPixelColor(x, y, Quad(kQuad[i]));
    }
    return image;
}

// The context's rows as letters: a-d for the four colours, '.' for the
// paper, '?' for anything else.
std::vector<std::string> Letters(const CDC& dc) {
    std::vector<std::string> rows;
    for (int y = 0; y < dc.GetSize().cy; ++y) {
        std::string row;
        for (int x = 0; x < dc.GetSize().cx; ++x) {
            const COLORREF c = dc.GetPixel(x, y);
            char ch = c == kPaper ? '.' : '?';
            for (int i = 0; i < 4; ++i)
                if (c == kQuad[i]) ch = static_cast<char>('a' + i);
            row += ch;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Rows(const std::string& text) {
    std::vector<std::string> rows(1);
    for (char c : text) c == '|' ? rows.emplace_back() : rows.back() += c;
    return rows;
}

bool SameClip(const CDC::ClipState& a, const CDC::ClipState& b) {
    return a.rect == b.rect && a.nothing == b.nothing;
}

TEST(DrawTest, StretchedNearestAtEveryDepth) {
    struct Case {
        CRect dst;
        const char* picture;  // the 6 x 6 context afterwards
    };
    const Case cases[] = {
        {CRect(1, 1, 5, 5), "......|.aabb.|.aabb.|.ccdd.|.ccdd.|......"},
        // The top row comes from the top of the image, not from one past it.
        {CRect(0, 0, 3, 5), "aab...|aab...|aab...|ccd...|ccd...|......"},
        {CRect(0, 0, 2, 2), "ab....|cd....|......|......|......|......"},  // natural size
        {CRect(4, 4, 5, 5), "......|......|......|......|....a.|......"},
        {CRect(3, -1, 7, 3), "...aab|...ccd|...ccd|......|......|......"},  // cut by the surface
    };
    for (DWORD bpp : {4u, 8u, 24u})
        for (const Case& c : cases) {
            CRaster image = Four(bpp);
            CDC dc(6, 6, kPaper);
            const CRect dst = c.dst;
            EXPECT_EQ(image.Draw(&dc, dst), 1);
            EXPECT_EQ(Letters(dc), Rows(c.picture)) << bpp << " bits, " << c.picture;
        }
}

// A 2 x 2 image whose red values are given top-left, top-right,
// bottom-left, bottom-right as seen on screen.
CRaster Reds(DWORD bpp, BYTE tl, BYTE tr, BYTE bl, BYTE br) {
    CRaster image(2, 2, bpp, 0);
    const BYTE reds[] = {tl, tr, bl, br};
    for (int i = 0; i < 4; ++i) {
        const RGBQUAD c{0, 0, reds[i], 0};
        if (image.IsIndexed()) {
            image.SetPaletteColor(static_cast<BYTE>(i), c);
            image.SetPixelIndex(i % 2, 1 - i / 2, static_cast<BYTE>(i));
        } else {
            image.SetPixelColor(i % 2, 1 - i / 2, c);
        }
    }
    return image;
}

std::vector<std::vector<int>> RedsOf(const CDC& dc, const CRect& r) {
    std::vector<std::vector<int>> rows;
    for (int y = r.top; y < r.bottom; ++y) {
        rows.emplace_back();
        for (int x = r.left; x < r.right; ++x) rows.back().push_back(GetRValue(dc.GetPixel(x, y)));
    }
    return rows;
}

TEST(DrawTest, SmoothIsBilinearBetweenPixelCentres) {
    // Destination pixel centres land at -1/4, 1/4, 3/4 and 5/4 of the image's
    // pixels; outside the image the edge repeats.
    const std::vector<std::vector<int>> quad = {
        {0, 40, 120, 160}, {24, 50, 102, 128}, {72, 70, 66, 64}, {96, 80, 48, 32}};
    for (DWORD bpp : {8u, 24u}) {
        CRaster image = Reds(bpp, 0, 160, 96, 32);
        CDC dc(6, 6, RGB(7, 7, 7));
        EXPECT_EQ(image.Draw(&dc, 1, 1, 4, 4, nullptr, true), 1);
        EXPECT_EQ(RedsOf(dc, CRect(1, 1, 5, 5)), quad) << bpp;
        EXPECT_EQ(dc.GetPixel(0, 0), RGB(7, 7, 7));
        EXPECT_EQ(dc.GetPixel(5, 5), RGB(7, 7, 7));

        // 3 x 5 of a left-to-right ramp: 0, the middle, 160 on every row.
        CRaster ramp = Reds(bpp, 0, 160, 0, 160);
        CDC tall(3, 5);
        ramp.Draw(&tall, 0, 0, 3, 5, nullptr, true);
        EXPECT_EQ(RedsOf(tall, CRect(0, 0, 3, 5)),
                  std::vector<std::vector<int>>(5, std::vector<int>{0, 80, 160}))
            << bpp;

        // At natural size smooth changes nothing.
        CDC plain(2, 2), smooth(2, 2);
        image.Draw(&plain, 0, 0);
        image.Draw(&smooth, 0, 0, 2, 2, nullptr, true);
        EXPECT_EQ(plain.Image(), smooth.Image());
    }
    // On a seeded random picture every pixel equals the interpolation at its
    // centre, inside the image and at its edges, plain and blended alike.
    CRaster noise(7, 5, 24, 0);
    unsigned seed = 7;
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 7; ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.SetPixelColor(x, y,
                                RGBQUAD{BYTE(seed >> 8), BYTE(seed >> 16), BYTE(seed >> 24), 0});
        }
    for (bool blended : {false, true}) {
        if (blended) {
            noise.AlphaCreate();
            noise.AlphaSet(255);
        }
        CDC dc(17, 13);
        noise.Draw(&dc, 0, 0, 17, 13, nullptr, true);
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 17; ++x) {
                const float fx = static_cast<float>((x + 0.5) * 7 / 17 - 0.5);
                const float fy = 4.0f - static_cast<float>((y + 0.5) * 5 / 13 - 0.5);
                const RGBQUAD c = noise.GetPixelColorInterpolated(fx, fy, CRaster::InterpBilinear,
                                                                  CRaster::OverflowRepeat);
                ASSERT_EQ(dc.GetPixel(x, y), CRaster::RGBQUADtoRGB(c)) << x << "," << y << blended;
            }
    }
    // Through the blending path: opaque alpha gives the same picture, and the
    // nearest pixel's alpha decides.
    CRaster image = Reds(24, 0, 160, 96, 32);
    image.AlphaCreate();
    image.AlphaSet(255);
    image.AlphaSet(1, 1, 0);  // top-right
    CDC dc(4, 4, RGB(7, 7, 7));
    image.Draw(&dc, 0, 0, 4, 4, nullptr, true);
    const std::vector<std::vector<int>> blended = {
        {0, 40, 7, 7}, {24, 50, 7, 7}, {72, 70, 66, 64}, {96, 80, 48, 32}};
    EXPECT_EQ(RedsOf(dc, CRect(0, 0, 4, 4)), blended);
}

TEST(DrawTest, NaturalAndShrunkSizesAndRefusals) {
    // At natural size pixel for pixel; shrunk 9 x 5 to 4 x 2, column
    // floor(i * 9 / 4) and row floor(j * 5 / 2) from the top.
    const std::vector<LONG> same = {0, 1, 2, 3, 4, 5, 6, 7, 8}, columns = {0, 2, 4, 6},
                            rows = {0, 2};
    for (DWORD bpp : {1u, 4u, 8u, 24u})
        for (bool shrunk : {false, true}) {
            CRaster image = Pattern(9, 5, bpp);
            CDC dc(11, 7, kPaper);
            EXPECT_EQ(image.Draw(&dc, 2, 1, shrunk ? 4 : -1, shrunk ? 2 : -1), 1);
            const std::vector<LONG>& cols = shrunk ? columns : same;
            const LONG h = shrunk ? 2 : 5;
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 11; ++x) {
                    const LONG i = x - 2, j = y - 1;
                    const bool inside =
                        i >= 0 && i < static_cast<LONG>(cols.size()) && j >= 0 && j < h;
                    const COLORREF want = inside ? CRaster::RGBQUADtoRGB(image.GetPixelColor(
                                                       cols[i], 4 - (shrunk ? rows[j] : j)))
                                                 : kPaper;
                    ASSERT_EQ(dc.GetPixel(x, y), want) << bpp << " bits at " << x << "," << y;
                }
        }
    CRaster image = Four(24);
    CDC dc(4, 4, kPaper);
    EXPECT_EQ(image.Draw(nullptr, 0, 0), 0);
    EXPECT_EQ(image.Draw(&dc, 0, 0, 0, 3), 0);
    EXPECT_EQ(image.Draw2(&dc, 0, 0, 3, 0), 0);
    EXPECT_EQ(CRaster().Draw(&dc, 0, 0), 0);
    EXPECT_EQ(CRaster().Tile(&dc, nullptr), 0);
    image.Enable(false);
    EXPECT_EQ(image.Draw(&dc, 0, 0), 0);
    EXPECT_EQ(image.Draw2(&dc, 0, 0), 0);
    EXPECT_EQ(Letters(dc), Rows("....|....|....|...."));
}

TEST(DrawTest, AlphaAndPaletteAlpha) {
    const COLORREF src = RGB(200, 100, 40), dst = RGB(10, 20, 250);
    auto mixed = [&](int a) {
        auto m = [a](int s, int d) { return (s * a + d * (255 - a)) >> 8; };
        return RGB(m(200, 10), m(100, 20), m(40, 250));
    };
    struct Case {
        const char* what;
        int plane;  // -1: no plane
        BYTE alphaMax;
        int paletteAlpha;  // -1: 24 bits; else an indexed image with alpha in the palette
        COLORREF want;
    };
    const Case cases[] = {
        {"plane 0", 0, 255, -1, dst},
        {"plane 255", 255, 255, -1, src},
        {"plane 128", 128, 255, -1, mixed(128)},
        {"maximum 127", 255, 127, -1, mixed(127)},
        {"maximum 127 of 128", 128, 127, -1, mixed(64)},
        {"palette 127", -1, 255, 127, mixed(127)},
        {"palette 0 and plane", 255, 255, 0, dst},
    };
    for (const Case& c : cases) {
        CRaster image(3, 2, c.paletteAlpha < 0 ? 24 : 8, 0);
        if (c.paletteAlpha < 0) {
            for (LONG y = 0; y < 2; ++y)
                for (LONG x = 0; x < 3; ++x) image.SetPixelColor(x, y, src);
        } else {
            RGBQUAD q = Quad(src);
            q.rgbReserved = static_cast<BYTE>(c.paletteAlpha);
            image.SetPaletteColor(0, q);
            image.AlphaPaletteEnable(true);
        }
        if (c.plane >= 0) {
            image.AlphaCreate();
            image.AlphaSet(static_cast<BYTE>(c.plane));
        }
        image.AlphaSetMax(c.alphaMax);
        for (bool stretched : {false, true}) {
            CDC dc(8, 6, dst);
            image.Draw(&dc, 1, 1, stretched ? 6 : -1, stretched ? 4 : -1);
            EXPECT_EQ(dc.GetPixel(1, 1), c.want) << c.what;
            EXPECT_EQ(dc.GetPixel(stretched ? 6 : 3, stretched ? 4 : 2), c.want) << c.what;
            EXPECT_EQ(dc.GetPixel(stretched ? 7 : 4, 1), dst) << c.what;
        }
    }
}

TEST(DrawTest, TransparencyIndexAndColour) {
    // Indexed: the index decides, not the colour (index 3 repeats colour 0).
    CRaster indexed = Four(8);
    indexed.SetPaletteColor(3, Quad(kQuad[0]));
    indexed.SetTransIndex(0);
    CDC dc(4, 4, kPaper);
    indexed.Draw(&dc, 0, 0, 4, 4);
    EXPECT_EQ(Letters(dc), Rows("..bb|..bb|ccaa|ccaa"));

    // 24 bits: the transparency colour.
    CRaster rgb = Four(24);
    rgb.SetTransIndex(0);
    rgb.SetTransColor(Quad(kQuad[3]));
    CDC flat(2, 2, kPaper);
    rgb.Draw(&flat, 0, 0);
    EXPECT_EQ(Letters(flat), Rows("ab|c."));
    // Draw2 builds its mask from colours: at 8 bits both entries of colour a go.
    CDC two(4, 2, kPaper);
    indexed.Draw2(&two, 0, 0, 4, 2);
    EXPECT_EQ(Letters(two), Rows("..bb|cc.."));
}

TEST(DrawTest, ClipRectangleIsNarrowedAndPutBack) {
    struct Case {
        const char* what;
        const CRect* selected;  // the context's own clip, or none
        CRect clip;             // Draw's clip rectangle
        const char* picture;
    };
    const CRect narrow(1, 0, 3, 4);
    const Case cases[] = {
        {"outside the destination", nullptr, CRect(5, 5, 6, 6), "....|....|....|...."},
        {"empty", nullptr, CRect(2, 1, 2, 4), "....|....|....|...."},
        {"outside the context's clip", &narrow, CRect(3, 0, 4, 4), "....|....|....|...."},
        {"across the destination", nullptr, CRect(1, 1, 8, 3), "....|.abb|.cdd|...."},
        {"within the context's clip", &narrow, CRect(0, 2, 4, 8), "....|....|.cd.|.cd."},
    };
    for (const Case& c : cases) {
        CDC dc(4, 4, kPaper);
        dc.SelectClipRect(c.selected);
        const CDC::ClipState before = dc.SaveClip();
        CRaster image = Four(24);
        EXPECT_EQ(image.Draw(&dc, 0, 0, 4, 4, &c.clip), 1);
        EXPECT_EQ(Letters(dc), Rows(c.picture)) << c.what;
        EXPECT_TRUE(SameClip(dc.SaveClip(), before)) << c.what;
    }
    // The transparent path restores it too.
    CDC dc(4, 4, kPaper);
    dc.SelectClipRect(&narrow);
    const CDC::ClipState before = dc.SaveClip();
    CRaster image = Four(24);
    image.AlphaCreate();
    const CRect away(9, 9, 10, 10);
    image.Draw(&dc, 0, 0, -1, -1, &away);
    EXPECT_TRUE(SameClip(dc.SaveClip(), before));
    EXPECT_EQ(Letters(dc), Rows("....|....|....|...."));
}

TEST(DrawTest, Draw2StretchAndTileCutAtTheClip) {
    // Without a transparency index Draw2 is the block transfer of the image.
    CRaster image = Four(24);
    CDC a(6, 4, kPaper), b(6, 4, kPaper);
    const CRect clip(2, 1, 6, 4);
    a.SelectClipRect(&clip);
    b.SelectClipRect(&clip);
    EXPECT_EQ(image.Draw2(&a, 0, 0, 5, 3), 1);
    b.StretchBlt(0, 0, 5, 3, image.MakeBitmap(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(a.Image(), b.Image());
    EXPECT_EQ(Letters(a), Rows("......|..abb.|..cdd.|......"));

    // With one: the same stretch, the transparent colour left out.
    image.SetTransIndex(0);
    image.SetTransColor(Quad(kQuad[1]));
    CDC t(6, 4, kPaper);
    t.SelectClipRect(&clip);
    EXPECT_EQ(image.Draw2(&t, 0, 0, 5, 3), 1);
    EXPECT_EQ(Letters(t), Rows("......|..a...|..cdd.|......"));
    const CRect hidden(0, 0, 1, 1);
    t.SelectClipRect(&hidden);
    EXPECT_EQ(image.Draw2(&t, 2, 2, 4, 2), 1);  // not visible: nothing
    EXPECT_EQ(Letters(t), Rows("......|..a...|..cdd.|......"));

    // Stretch: by the raster operation.
    CDC s(4, 4, RGB(255, 255, 255));
    EXPECT_EQ(image.Stretch(&s, 0, 0, 4, 4, SRCAND), 1);
    EXPECT_EQ(s.GetPixel(3, 3), kQuad[3]);
    EXPECT_EQ(image.Stretch(nullptr, 0, 0, 4, 4), 0);

    // Tile: copies at natural size from the rectangle's corner, cut at its
    // edges and at the context's clip, which stays as it was.
    CRaster tile = Pattern(3, 2, 24);
    CDC dc(12, 8, kPaper);
    const CRect narrow(5, 3, 9, 8);
    dc.SelectClipRect(&narrow);
    const CDC::ClipState before = dc.SaveClip();
    const CRect area(1, 2, 12, 7);
    EXPECT_EQ(tile.Tile(&dc, &area), 1);
    EXPECT_TRUE(SameClip(dc.SaveClip(), before));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 5 && x < 9 && y >= 3 && y < 7;
            const COLORREF want =
                inside ? CRaster::RGBQUADtoRGB(tile.GetPixelColor((x - 1) % 3, 1 - (y - 2) % 2))
                       : kPaper;
            ASSERT_EQ(dc.GetPixel(x, y), want) << x << "," << y;
        }
}

// ---- Conversions ----------------------------------------------------------------

TEST(DrawConversionTest, BitmapFormatsInAndOut) {
    struct Case {
        QImage::Format format;
        WORD bpp;
    };
    const Case cases[] = {
        {QImage::Format_RGB32, 24},   {QImage::Format_ARGB32, 24},    {QImage::Format_RGB888, 24},
        {QImage::Format_RGB16, 24},   {QImage::Format_Mono, 1},       {QImage::Format_MonoLSB, 1},
        {QImage::Format_Indexed8, 8}, {QImage::Format_Grayscale8, 8},
    };
    QImage source(7, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            source.setPixel(x, y, qRgba(x * 36, y * 100, (x * y * 40) & 255, 128));
    for (const Case& c : cases) {
        QImage in;
        if (c.format == QImage::Format_Mono || c.format == QImage::Format_MonoLSB) {
            in = QImage(7, 3, c.format);
            in.setColorTable({qRgb(10, 20, 30), qRgb(200, 210, 220)});
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7; ++x) in.setPixel(x, y, (x + y) % 3 == 0);
        } else if (c.format == QImage::Format_Indexed8) {
            in = QImage(7, 3, c.format);
            QList<QRgb> table;
            for (int i = 0; i < 21; ++i) table.append(qRgb(i * 12, 255 - i, i * 7));
            in.setColorTable(table);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7; ++x) in.setPixel(x, y, static_cast<uint>(y * 7 + x));
        } else {
            in = source.convertToFormat(c.format);
        }
        CRaster image;
        ASSERT_TRUE(image.CreateFromHBITMAP(in)) << c.format;
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.format;
        EXPECT_FALSE(image.AlphaIsValid());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(ToQRgb(CRaster::RGBQUADtoRGB(image.GetPixelColor(x, 2 - y))),
                          in.pixel(x, y) | 0xFF000000u)
                    << c.format << " at " << x << "," << y;
        // Out as a bitmap and back, and out as a packed DIB and back.
        CRaster back;
        ASSERT_TRUE(back.CreateFromHBITMAP(image.MakeBitmap()));
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_TRUE(SamePixels(back, image)) << c.format;
        const std::vector<BYTE> block = image.CopyToHandle();
        ASSERT_EQ(block.size(), image.GetSize());
        CRaster again;
        ASSERT_TRUE(again.CreateFromHANDLE(block)) << again.GetLastError();
        EXPECT_EQ(again.CopyToHandle(), block) << c.format;
    }
    // 4 bits go out as an 8-bit table of 16 colours.
    CRaster four = Pattern(5, 4, 4);
    const QImage bitmap = four.MakeBitmap();
    EXPECT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.colorCount(), 16);
    CRaster back;
    ASSERT_TRUE(back.CreateFromHBITMAP(bitmap));
    EXPECT_TRUE(SamePixels(back, four));
    // Resolutions out as pels per metre and back: 1 dpi is 39 pels, 0.99 dpi.
    for (const LONG dpi : {300, 1, 65535}) {
        four.SetXDPI(dpi);
        CRaster again;
        ASSERT_TRUE(again.CreateFromHANDLE(four.CopyToHandle()));
        EXPECT_EQ(again.CopyToHandle(), four.CopyToHandle()) << dpi;
        EXPECT_EQ(again.GetXDPI(), dpi);
        EXPECT_EQ(again.GetYDPI(), 96);
    }

    EXPECT_FALSE(back.CreateFromHBITMAP(QImage()));
    EXPECT_FALSE(back.IsValid());
    EXPECT_TRUE(CRaster().MakeBitmap().isNull());
    EXPECT_TRUE(CRaster().CopyToHandle().empty());
}

TEST(DrawConversionTest, IconMaskBecomesTheAlphaPlane) {
    QImage color(3, 2, QImage::Format_RGB32);
    color.fill(qRgb(1, 2, 3));
    QImage mask(3, 2, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    mask.setPixel(0, 0, 1);  // set: transparent
    mask.setPixel(2, 1, 1);
    CRaster icon;
    ASSERT_TRUE(icon.CreateFromHICON(color, mask));
    ASSERT_TRUE(icon.AlphaIsValid());
    EXPECT_EQ(icon.GetBpp(), 24);
    EXPECT_EQ(icon.AlphaGet(0, 1), 0);  // top-left on screen
    EXPECT_EQ(icon.AlphaGet(2, 0), 0);
    EXPECT_EQ(icon.AlphaGet(1, 1), 255);
    EXPECT_EQ(icon.AlphaGet(0, 0), 255);
    EXPECT_FALSE(icon.CreateFromHICON(QImage(), mask));
}

// A packed DIB: the header's bytes, then what follows.
std::vector<BYTE> Block(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

std::string IndexRows(const CRaster& image) {
    std::string out;
    for (LONG y = static_cast<LONG>(image.GetHeight()) - 1; y >= 0; --y) {
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x)
            out += "0123456789ABCDEF"[image.GetPixelIndex(x, y) & 15];
        if (y > 0) out += '|';
    }
    return out;
}

std::string ColorAt(const CRaster& image, LONG x, LONG y) {
    const RGBQUAD c = image.GetPixelColor(x, y, false);
    char text[16];
    std::snprintf(text, sizeof(text), "%02X%02X%02X", c.rgbRed, c.rgbGreen, c.rgbBlue);
    return text;
}

TEST(DrawConversionTest, PackedDibsByHand) {
    struct Case {
        const char* what;
        std::string block;
        WORD bpp;
        std::vector<std::string> colors;  // bottom row first, left to right
    };
    const Case cases[] = {
        {"16 bits without masks: 5-5-5",
         InfoHeader(2, 1, 16).U16(0x7C00).U16(0x03FF),
         24,
         {"F80000", "00F8F8"}},
        {"16 bits with 5-6-5 masks",
         InfoHeader(2, 1, 16, 3).U32(0xF800).U32(0x07E0).U32(0x001F).U16(0x07E0).U16(0xF81F),
         24,
         {"00FC00", "F800F8"}},
        {"32 bits with masks",
         InfoHeader(1, 1, 32, 3).U32(0x000000FF).U32(0x0000FF00).U32(0x00FF0000).U32(0x00332211),
         24,
         {"112233"}},
        {"32 bits plain", InfoHeader(1, 1, 32).U32(0x44332211), 24, {"332211"}},
        {"24 bits top-down",
         InfoHeader(1, -2, 24).Hex("010203 00 040506 00"),
         24,
         {"060504", "030201"}},
        // Three colours used: the rows follow the third entry.
        {"8 bits, three colours",
         InfoHeader(3, 1, 8, 0, 0, 3).U32(0x112233).U32(0x445566).U32(0x778899).Hex("02000100"),
         8,
         {"778899", "112233", "445566"}},
        {"1 bit, colours used beyond two",
         InfoHeader(2, 1, 1, 0, 0, 3).U32(0x0000FF).U32(0x00FF00).U32(0xFF0000).Hex("40000000"),
         1,
         {"0000FF", "00FF00"}},
        {"core header: 3-byte entries",
         Bytes()
             .U32(12)
             .U16(2)
             .U16(2)
             .U16(1)
             .U16(4)
             .Hex("0000FF 00FF00")
             .Fill(14 * 3)
             .Hex("10000000 01000000"),
         4,
         {"00FF00", "FF0000", "FF0000", "00FF00"}},
    };
    for (const Case& c : cases) {
        CRaster image;
        ASSERT_TRUE(image.CreateFromHANDLE(Block(c.block)))
            << c.what << ": " << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
        const LONG w = static_cast<LONG>(image.GetWidth());
        for (std::size_t i = 0; i < c.colors.size(); ++i)
            EXPECT_EQ(ColorAt(image, static_cast<LONG>(i) % w, static_cast<LONG>(i) / w),
                      c.colors[i])
                << c.what << " pixel " << i;
    }
}

TEST(DrawConversionTest, RunLengthCodedDibs) {
    struct Case {
        const char* what;
        std::string block;
        const char* indices;  // top row first
    };
    const Case cases[] = {
        {"RLE8: a run past the row's end is cut and decoding goes on",
         InfoHeader(4, 4, 8, 1)
             .Fill(256 * 4)
             .Hex("0601 0000"              // row 0: six 1s, four kept
                  "0003 010203 00 0000"    // row 1: three literal values, padded
                  "0002 0100 0205"         // row 2: right by one, two 5s
                  "0002 0001 0107 0001"),  // up into row 3 at column 3, end
         "0007|0550|1230|1111"},
        {"RLE8: the data's end ends it", InfoHeader(3, 2, 8, 1).Fill(256 * 4).Hex("0309 0000 0108"),
         "800|999"},
        {"RLE4: runs alternate their nibbles from where they start",
         InfoHeader(6, 2, 4, 2)
             .Fill(16 * 4)
             .Hex("0312 0234 0356 0000"       // row 0: 1 2 1, 3 4, 5 and two cut
                  "0002 0100 0005 ABCDE0 00"  // row 1: right by one pixel, five literals
                  "0001"),
         "0ABCDE|121345"},
        {"RLE4: a move by an odd count of pixels",
         InfoHeader(5, 1, 4, 2).Fill(16 * 4).Hex("0002 0300 0277 0001"), "00077"},
    };
    for (const Case& c : cases) {
        CRaster image;
        ASSERT_TRUE(image.CreateFromHANDLE(Block(c.block)))
            << c.what << ": " << image.GetLastError();
        EXPECT_EQ(IndexRows(image), c.indices) << c.what;
    }
}

TEST(DrawConversionTest, HostileDibsFailWithAText) {
    struct Case {
        const char* what;
        std::string block;
        const char* error;
    };
    const std::string good = InfoHeader(3, 2, 8, 0, 0, 2).U32(0).U32(0xFFFFFF).Fill(8, 1);
    const Case cases[] = {
        {"empty", "", "empty DIB block"},
        {"24 bits compressed", InfoHeader(2, 2, 24, 1).Fill(64), "unknown compression"},
        {"16 bits run-length", InfoHeader(2, 2, 16, 1).Fill(64), "unknown compression"},
        {"8 bits with bit fields", InfoHeader(2, 2, 8, 3).Fill(2000),
         "compression type not supported"},
        {"RLE4 on 8 bits", InfoHeader(2, 2, 8, 2).Fill(2000), "compression type not supported"},
        {"top-down RLE", InfoHeader(2, -2, 8, 1).Fill(2000), "compression type not supported"},
        {"depth 2", InfoHeader(2, 2, 2).Fill(64), "unsupported bit depth"},
        {"header of 20 bytes", Bytes().U32(20).Fill(60), "unknown DIB header"},
        {"header longer than the block", Bytes().U32(400).Fill(60), "DIB block too short"},
        {"colours beyond the block", InfoHeader(2, 2, 8, 0, 0, 0x40000000).Fill(64),
         "DIB block too short"},
        {"masks beyond the block", InfoHeader(2, 2, 16, 3).Fill(4), "DIB block too short"},
        {"rows beyond the block", InfoHeader(4000, 4000, 24).Fill(64), "DIB block too short"},
        {"zero width", InfoHeader(0, 2, 24).Fill(64),
         "CRaster::Create : width and height must be greater than zero"},
    };
    for (const Case& c : cases) {
        CRaster image = Pattern(2, 2, 8);
        EXPECT_FALSE(image.CreateFromHANDLE(Block(c.block))) << c.what;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.what;
        EXPECT_FALSE(image.IsValid()) << c.what;
    }
    // Every shorter block of a good one fails; the whole one decodes.
    for (std::size_t n = 0; n < good.size(); ++n) {
        CRaster image;
        EXPECT_FALSE(image.CreateFromHANDLE(Block(good.substr(0, n)))) << n;
        EXPECT_NE(image.GetLastError()[0], '\0') << n;
    }
    CRaster image;
    ASSERT_TRUE(image.CreateFromHANDLE(Block(good)));
    EXPECT_EQ(IndexRows(image), "111|111");
    EXPECT_EQ(ColorAt(image, 0, 0), "FFFFFF");
}

// ---- Text -------------------------------------------------------------------------

// The ink's bounding box in screen rows (top = 0) and whether every changed
// pixel has the colour.
struct InkScan {
    CRect box{1 << 20, 1 << 20, -1, -1};
    bool onlyColor = true;
    int count = 0;
};
InkScan Scan(const CRaster& image, RGBQUAD paper, RGBQUAD ink) {
    InkScan s;
    const LONG h = static_cast<LONG>(image.GetHeight());
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x) {
            const COLORREF c = CRaster::RGBQUADtoRGB(image.GetPixelColor(x, h - 1 - y, false));
            if (c == CRaster::RGBQUADtoRGB(paper)) continue;
            ++s.count;
            s.onlyColor = s.onlyColor && c == CRaster::RGBQUADtoRGB(ink);
            s.box.left = std::min<LONG>(s.box.left, x);
            s.box.top = std::min<LONG>(s.box.top, y);
            s.box.right = std::max<LONG>(s.box.right, x + 1);
            s.box.bottom = std::max<LONG>(s.box.bottom, y + 1);
        }
    return s;
}

CSize Measure(const char* text, const char* face, LONG height) {
    FontSpec spec;
    spec.face = face;
    spec.height = height;
    CDC dc(1, 1);
    dc.SelectFont(spec);
    CRect r(0, 0, 0, 0);
    dc.DrawText(std::string(text), r, DT_CALCRECT);
    return {r.Width(), r.Height()};
}

CRaster Paper(LONG w, LONG h, BYTE grey = 255) {
    CRaster image(w, h, 24, 0);
    image.Clear(grey);
    return image;
}

TEST(DrawStringTest, InkInTheColourInsideTheBox) {
    const RGBQUAD white{255, 255, 255, 0}, red{0, 0, 255, 77};
    const CSize size = Measure("Hg", "Arial", -18);
    ASSERT_GT(size.cx, 0);
    CRaster image = Paper(80, 40);
    image.AlphaCreate();
    image.AlphaSet(9);
    EXPECT_EQ(image.DrawString(nullptr, 10, 30, "Hg", red, "Arial", -18, 700, 0, 0, true), 1);
    const InkScan s = Scan(image, white, red);
    EXPECT_GT(s.count, 20);
    EXPECT_TRUE(s.onlyColor);  // no antialiased shades
    // y is the text's bottom row: the box spans rows 30 - height + 1 .. 30.
    EXPECT_GE(s.box.left, 10);
    EXPECT_LE(s.box.right, 10 + size.cx + size.cy);
    EXPECT_GE(s.box.top, 30 - size.cy + 1);
    EXPECT_LE(s.box.bottom, 31);
    EXPECT_GT(s.box.bottom, 30 - size.cy / 2);  // the ink reaches the lower half
    // The alpha byte goes with the ink only.
    int alphaInk = 0;
    for (LONG y = 0; y < 40; ++y)
        for (LONG x = 0; x < 80; ++x) {
            const BYTE a = image.AlphaGet(x, y);
            EXPECT_TRUE(a == 9 || a == 77);
            alphaInk += a == 77;
        }
    EXPECT_EQ(alphaInk, s.count);

    // A negative x cuts the text at the left edge, the rest shifted alike.
    CRaster whole = Paper(80, 40), cut = Paper(80, 40);
    whole.DrawString(nullptr, 0, 30, "Hg", red, "Arial", -18);
    cut.DrawString(nullptr, -4, 30, "Hg", red, "Arial", -18);
    for (LONG y = 0; y < 40; ++y)
        for (LONG x = 0; x + 4 < 80; ++x)
            ASSERT_EQ(CRaster::RGBQUADtoRGB(cut.GetPixelColor(x, y)),
                      CRaster::RGBQUADtoRGB(whole.GetPixelColor(x + 4, y)))
                << x << "," << y;
    EXPECT_EQ(CRaster().DrawString(nullptr, 0, 0, "x", red, "Arial"), 1);
}

TEST(DrawStringTest, DrawStringExBoxAlignmentAndColours) {
    tagRasterTextInfo info;
    CRaster paper = Paper(2, 2);
    paper.InitTextInfo(&info);
    EXPECT_EQ(info.text, "Sample Text 01234\xF5\xFB");
    EXPECT_EQ(info.lfont.height, -36);
    EXPECT_EQ(info.fcolor, 0xA0FFFFu);
    EXPECT_EQ(info.align, 1);
    EXPECT_EQ(CRaster().DrawStringEx(nullptr, 0, 0, &info), -1);

    info.text = "Ab";
    info.lfont.height = -16;
    info.b_round = 0;  // square corners: the box is a plain rectangle
    const RGBQUAD white{255, 255, 255, 0};
    const CSize size = Measure("Ab", "Arial", -16);
    struct Case {
        LONG align;
        LONG x;
        LONG left;  // where the box starts
    };
    const Case cases[] = {
        {0, 40, 40},
        {2, 40, 40 - size.cx},
        {1, 40, 40 - size.cx / 2},
        {7, 40, 40 - size.cx / 2},  // unknown: centred
        {2, 5, 0},                  // left of the image: from column 0
    };
    for (const Case& c : cases) {
        CRaster image = Paper(100, 30);
        info.align = c.align;
        EXPECT_EQ(image.DrawStringEx(nullptr, c.x, 25, &info), 1);
        const InkScan s = Scan(image, white, CRaster::RGBtoRGBQUAD(info.bcolor));
        EXPECT_EQ(s.box, CRect(c.left, 25 - size.cy + 1, c.left + size.cx, 26)) << c.align;
        // Inside the box: background or text colour, nothing else.
        int text = 0;
        for (LONG y = s.box.top; y < s.box.bottom; ++y)
            for (LONG x = s.box.left; x < s.box.right; ++x) {
                const COLORREF px = CRaster::RGBQUADtoRGB(image.GetPixelColor(x, 29 - y));
                ASSERT_TRUE(px == info.bcolor || px == info.fcolor) << x << "," << y;
                text += px == info.fcolor;
            }
        EXPECT_GT(text, 10) << c.align;
    }

    // Half see-through background; rounded corners leave the corner pixel.
    CRaster image = Paper(100, 30, 100);
    info.align = 0;
    info.b_opacity = 0.5f;
    info.b_round = 50;
    info.bcolor = RGB(0, 0, 200);
    image.DrawStringEx(nullptr, 10, 25, &info);
    const LONG line = size.cy, radius = line * 50 / 100, margin = radius * 29289 / 100000;
    const LONG top = 25 - (size.cy + 2 * margin) + 1;
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(10, 29 - top)), RGB(100, 100, 100));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(10 + radius, 29 - top)), RGB(50, 50, 150));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(9, 29 - top - 3)), RGB(100, 100, 100));
}

}  // namespace
