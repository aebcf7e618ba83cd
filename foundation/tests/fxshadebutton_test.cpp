#include "foundation/fxshadebutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <algorithm>
#include <limits>

#include "foundation/fxdib.h"
#include "platform/uiservices.h"

namespace {

const COLORREF kFace = GetSysColor(COLOR_BTNFACE);
const COLORREF kShadow = GetSysColor(COLOR_BTNSHADOW);
const COLORREF kLight = GetSysColor(COLOR_BTNHIGHLIGHT);

COLORREF Mix(COLORREF a, COLORREF b, int i, int of) {
    auto c = [&](int x, int y) { return (x * (of - i) + y * i) / of; };
    return RGB(c(GetRValue(a), GetRValue(b)), c(GetGValue(a), GetGValue(b)),
               c(GetBValue(a), GetBValue(b)));
}

// ---- The bitmap holder ------------------------------------------------------

TEST(FxDibTest, RowsArePaddedToWordsAndStoredBottomUp) {
    CFxDib dib;
    ASSERT_TRUE(dib.Create(5, 3, 8));
    EXPECT_EQ(dib.GetStride(), 8);
    EXPECT_EQ(dib.GetBitsSize(), 24u);
    EXPECT_EQ(dib.GetPaletteSize(), 256);
    dib.SetPixel(1, 0, 7);  // top row: the last one stored
    EXPECT_EQ(dib.GetBits()[2 * 8 + 1], 7);
    dib.SetPixel(4, 2, 9);  // bottom row: the first one stored
    EXPECT_EQ(dib.GetBits()[4], 9);
    dib.SetPixel(5, 0, 1);  // outside: ignored
    EXPECT_EQ(dib.GetPixel(5, 0), 0u);

    ASSERT_TRUE(dib.Create(33, 2, 1));
    EXPECT_EQ(dib.GetStride(), 8);
    EXPECT_EQ(dib.GetPaletteSize(), 2);
    dib.SetPixel(1, 1, 1);
    EXPECT_EQ(dib.GetBits()[0], 0x40);
    ASSERT_TRUE(dib.Create(3, 1, 4));
    EXPECT_EQ(dib.GetStride(), 4);
    EXPECT_EQ(dib.GetPaletteSize(), 16);
    dib.SetPixel(0, 0, 0xA);
    dib.SetPixel(1, 0, 0x5);
    EXPECT_EQ(dib.GetBits()[0], 0xA5);
    EXPECT_EQ(dib.GetPixel(1, 0), 5u);
    ASSERT_TRUE(dib.Create(3, 2, 24));
    EXPECT_EQ(dib.GetStride(), 12);
    EXPECT_EQ(dib.GetPaletteSize(), 0);
    dib.SetPixel(0, 1, RGB(1, 2, 3));
    EXPECT_EQ(dib.GetBits()[0], 3);  // blue, green, red
    EXPECT_EQ(dib.GetBits()[2], 1);
    EXPECT_EQ(dib.ToImage().pixel(0, 1), ToQRgb(RGB(1, 2, 3)));
    ASSERT_TRUE(dib.Create(2, 2, 32));
    EXPECT_EQ(dib.GetStride(), 8);
}

TEST(FxDibTest, RefusesBadSizesAndDepths) {
    CFxDib dib;
    EXPECT_FALSE(dib.Create(0, 5, 8));
    EXPECT_FALSE(dib.Create(5, -1, 8));
    EXPECT_FALSE(dib.Create(5, 5, 16));
    EXPECT_FALSE(dib.Create(std::numeric_limits<int>::max(), 1, 32));
    EXPECT_FALSE(dib.Create(65536, 65536, 8));
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetBits(), nullptr);
}

TEST(FxDibTest, PaletteEntriesAndBlending) {
    CFxDib dib;
    ASSERT_TRUE(dib.Create(2, 1, 8));
    dib.SetPaletteEntry(3, 100, 40, 0);
    dib.SetPaletteEntry(256, 1, 1, 1);  // past the palette: ignored
    dib.SetPaletteEntry(-1, 1, 1, 1);
    EXPECT_EQ(dib.GetPaletteEntry(3), RGB(100, 40, 0));
    EXPECT_EQ(dib.GetPaletteEntry(255), RGB(0, 0, 0));

    dib.BlendPalette(RGB(200, 0, 255), 25);
    EXPECT_EQ(dib.GetPaletteEntry(3), RGB(125, 30, 63));
    // Beyond 100 percent the colour itself, below 0 nothing changes.
    CFxDib other;
    other.Copy(dib);
    other.BlendPalette(RGB(9, 8, 7), 250);
    EXPECT_EQ(other.GetPaletteEntry(3), RGB(9, 8, 7));
    dib.BlendPalette(RGB(255, 255, 255), -40);
    EXPECT_EQ(dib.GetPaletteEntry(3), RGB(125, 30, 63));

    dib.Fill(3);
    const QImage image = dib.ToImage();
    EXPECT_EQ(FromQRgb(image.pixel(1, 0)), RGB(125, 30, 63));
    CDC dc(4, 4, RGB(1, 1, 1));
    dib.Draw(dc, 1, 2);
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(125, 30, 63));
    EXPECT_EQ(dc.GetPixel(3, 2), RGB(1, 1, 1));
}

// ---- Shaded faces -----------------------------------------------------------

class ShadeTest : public ::testing::Test {
protected:
    ShadeTest() { button.resize(60, 40); }
    int Value(int x, int y) const { return static_cast<int>(button.GetFace().GetPixel(x, y)); }
    CFxShadeButton button;
};

TEST_F(ShadeTest, PaletteRunsFromShadowThroughFaceToHighlight) {
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VSHADE, 8, 10));
    const CFxDib& face = button.GetFace();
    EXPECT_EQ(face.GetBitCount(), 8);
    EXPECT_EQ(face.GetWidth(), 60);
    EXPECT_EQ(face.GetHeight(), 40);
    EXPECT_EQ(face.GetPaletteEntry(0), kShadow);
    EXPECT_EQ(face.GetPaletteEntry(64), Mix(kShadow, kFace, 64, 128));
    EXPECT_EQ(face.GetPaletteEntry(127), Mix(kShadow, kFace, 127, 128));
    EXPECT_EQ(face.GetPaletteEntry(128), Mix(kFace, kLight, 1, 128));
    EXPECT_EQ(face.GetPaletteEntry(200), Mix(kFace, kLight, 73, 128));
    EXPECT_EQ(face.GetPaletteEntry(255), kLight);

    // The hover face: the same shades 10 percent toward the highlight.
    const CFxDib& lit = button.GetHighlightedFace();
    for (int i : {0, 100, 255})
        EXPECT_EQ(lit.GetPaletteEntry(i), Mix(face.GetPaletteEntry(i), kLight, 10, 100));
    EXPECT_EQ(lit.GetPixel(10, 10), face.GetPixel(10, 10));

    // Border strips alternate the two end shades.
    EXPECT_EQ(button.GetHBorder().GetWidth(), 60);
    EXPECT_EQ(button.GetHBorder().GetHeight(), 1);
    EXPECT_EQ(button.GetVBorder().GetHeight(), 40);
    EXPECT_EQ(button.GetHBorder().GetPixel(0, 0), 0u);
    EXPECT_EQ(button.GetHBorder().GetPixel(1, 0), 255u);
    EXPECT_EQ(button.GetVBorder().GetPixel(0, 3), 255u);
}

TEST_F(ShadeTest, ColouringLeansTheShadesTowardTheColour) {
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_NOISE, 8, 0, 50, RGB(255, 0, 0)));
    EXPECT_EQ(button.GetFace().GetPaletteEntry(0), Mix(kShadow, RGB(255, 0, 0), 50, 100));
    EXPECT_EQ(button.GetHighlightedFace().GetPaletteEntry(0),
              button.GetFace().GetPaletteEntry(0));  // highlight 0
}

TEST_F(ShadeTest, RampsStayWithinTheNoiseOfTheirFormula) {
    const int w = 60, h = 40, g = 8;
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VSHADE, g));
    for (int y = 0; y < h; ++y) {
        const int row = h - 1 - y;  // counted from the bottom
        const int ramp = g + row * (255 - 2 * g) / h;
        for (int x = 0; x < w; x += 7) {
            EXPECT_GE(Value(x, y), ramp - g);
            EXPECT_LE(Value(x, y), ramp + g);
        }
    }
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HSHADE, 0));
    for (int x = 0; x < w; ++x) {
        const int ramp = (w - x) * 255 / w;
        EXPECT_GE(Value(x, 5), ramp);
        EXPECT_LE(Value(x, 5), ramp + 1);
    }
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_DIAGSHADE, 0));
    EXPECT_GT(Value(0, 0), 220);   // lit top-left
    EXPECT_LT(Value(59, 39), 30);  // dark bottom-right
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VBUMP, 0));
    auto bump = [](int d, int a) { return d * d * d / 16384 * a / 128; };
    for (int y = 0; y < h; y += 3) {
        const int expect = 128 + bump((h - 1 - y) * 255 / h - 127, 128);
        EXPECT_GE(Value(30, y), std::clamp(expect, 0, 255));
        EXPECT_LE(Value(30, y), std::clamp(expect + 1, 0, 255));
    }
    // Both bumps together, held within [g, 255 - g] before the noise.
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_SOFTBUMP, 20));
    auto mean = [&](int x0, int y0) {
        int sum = 0;
        for (int y = y0; y < y0 + 4; ++y)
            for (int x = x0; x < x0 + 4; ++x) sum += Value(x, y);
        return sum / 16;
    };
    EXPECT_NEAR(mean(56, 0), 235, 8);  // would be 255 without the bounds
    EXPECT_NEAR(mean(0, 36), 20, 8);   // would be 0
    EXPECT_NEAR(Value(30, 20), 128, 20 + 2);
}

TEST_F(ShadeTest, NoiseSitsAroundTheMiddleShade) {
    for (int style : {0, 9, -1}) {
        ASSERT_TRUE(button.ApplyShade(style, 5));
        int low = 255, high = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) {
                low = std::min(low, Value(x, y));
                high = std::max(high, Value(x, y));
            }
        EXPECT_GE(low, 123) << style;
        EXPECT_LE(high, 133) << style;
        EXPECT_LT(low, high) << style;  // it is noise, not a flat fill
    }
}

TEST_F(ShadeTest, BevelAndMetalFaces) {
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10));
    EXPECT_GE(Value(0, 0), 255 - 8 - 8);  // the light side of the bevel
    EXPECT_GE(Value(20, 0), 255 - 8 - 8);
    EXPECT_LE(Value(59, 39), 8 + 8);  // the dark side
    EXPECT_LE(Value(40, 39), 8 + 8);
    const int middle = Value(30, 20);
    EXPECT_GE(middle, 128 - 8 - 1);
    EXPECT_LE(middle, 128 + 8 + 1);

    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_METAL, 8));
    int low = 255, high = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            low = std::min(low, Value(x, y));
            high = std::max(high, Value(x, y));
        }
    EXPECT_LT(low, 40);
    EXPECT_GT(high, 200);
}

TEST_F(ShadeTest, OutOfRangeGranularityAndEmptyWindows) {
    for (int g : {-5, 300}) {
        ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_SOFTBUMP, g));
        ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HARDBUMP, g));
        ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_METAL, g));
    }
    CFxShadeButton empty;
    empty.resize(0, 10);
    EXPECT_FALSE(empty.ApplyShade(CFxShadeButton::SHS_HARDBUMP));
}

TEST_F(ShadeTest, BackgroundIsTheFaceAndTheLitFaceUnderTheMouse) {
    // Before a face is made the button draws as a plain button.
    QImage image = button.grab().toImage();
    EXPECT_EQ(FromQRgb(image.pixel(30, 20)), kFace);

    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 30));
    const QImage face = button.GetFace().ToImage();
    const QImage lit = button.GetHighlightedFace().ToImage();
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 20), face.pixel(30, 20));
    EXPECT_EQ(image.pixel(0, 0), face.pixel(0, 0));  // flat: no border while out

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    ASSERT_TRUE(button.IsHover());
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 20), lit.pixel(30, 20));
    EXPECT_NE(lit.pixel(30, 20), face.pixel(30, 20));
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), kLight);  // the flat border over it

    button.setDown(true);
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(31, 21), lit.pixel(30, 20));  // drawn at (1,1)
    EXPECT_EQ(image.pixel(21, 11), lit.pixel(20, 10));
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), kShadow);
}

}  // namespace
