#include "foundation/fxshadebutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <limits>

#include "foundation/fxdib.h"
#include "foundation/tests/inputtesting.h"
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

TEST(FxDibTest, RowsArePaddedToWordsAndStoredBottomUp) {
    CFxDib dib;
    ASSERT_TRUE(dib.Create(5, 3, 8));
    EXPECT_EQ(dib.GetStride(), 8);
    EXPECT_EQ(dib.GetPaletteSize(), 256);
    dib.SetPixel(1, 0, 7);  // the top row is stored last
    EXPECT_EQ(dib.GetBits()[2 * 8 + 1], 7);
    dib.SetPixel(5, 0, 1);  // outside: ignored
    EXPECT_EQ(dib.GetPixel(5, 0), 0u);
    ASSERT_TRUE(dib.Create(33, 2, 1));
    EXPECT_EQ(dib.GetStride(), 8);
    dib.SetPixel(1, 1, 1);
    EXPECT_EQ(dib.GetBits()[0], 0x40);
    ASSERT_TRUE(dib.Create(3, 1, 4));
    dib.SetPixel(0, 0, 0xA);
    dib.SetPixel(1, 0, 0x5);
    EXPECT_EQ(dib.GetBits()[0], 0xA5);
    ASSERT_TRUE(dib.Create(3, 2, 24));
    EXPECT_EQ(dib.GetStride(), 12);
    EXPECT_EQ(dib.GetPaletteSize(), 0);
    dib.SetPixel(0, 1, RGB(1, 2, 3));
    EXPECT_EQ(dib.GetBits()[0], 3);  // blue, green, red
    EXPECT_EQ(dib.ToImage().pixel(0, 1), ToQRgb(RGB(1, 2, 3)));

    EXPECT_FALSE(dib.Create(0, 5, 8));
    EXPECT_FALSE(dib.Create(5, 5, 16));
    EXPECT_FALSE(dib.Create(std::numeric_limits<int>::max(), 1, 32));
    EXPECT_FALSE(dib.Create(65536, 65536, 8));
    EXPECT_EQ(dib.GetBits(), nullptr);
}

TEST(FxDibTest, PaletteBlendStaysWithinTheTwoColours) {
    CFxDib dib;
    ASSERT_TRUE(dib.Create(2, 1, 8));
    dib.SetPaletteEntry(3, 100, 40, 0);
    dib.SetPaletteEntry(256, 1, 1, 1);  // past the palette: ignored
    EXPECT_EQ(dib.GetPaletteEntry(255), RGB(0, 0, 0));
    dib.BlendPalette(RGB(200, 0, 255), 25);
    EXPECT_EQ(dib.GetPaletteEntry(3), RGB(125, 30, 63));
    CFxDib other;
    other.Copy(dib);
    other.BlendPalette(RGB(9, 8, 7), 250);  // capped at 100
    EXPECT_EQ(other.GetPaletteEntry(3), RGB(9, 8, 7));
    dib.BlendPalette(RGB(255, 255, 255), -40);  // below 0: no change
    EXPECT_EQ(dib.GetPaletteEntry(3), RGB(125, 30, 63));
    dib.Fill(3);
    CDC dc(4, 4, RGB(1, 1, 1));
    dib.Draw(dc, 1, 2);
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(125, 30, 63));
    EXPECT_EQ(dc.GetPixel(3, 2), RGB(1, 1, 1));
}

class ShadeTest : public ::testing::Test {
protected:
    ShadeTest() { button.resize(60, 40); }
    int Value(int x, int y) const { return static_cast<int>(button.GetFace().GetPixel(x, y)); }
    int Mean(int x0, int y0) const {  // of a 4 x 4 block
        int sum = 0;
        for (int y = y0; y < y0 + 4; ++y)
            for (int x = x0; x < x0 + 4; ++x) sum += Value(x, y);
        return sum / 16;
    }
    std::pair<int, int> Range() const {  // the lowest and highest value of the face
        int low = 255, high = 0;
        for (int y = 0; y < button.height(); ++y)
            for (int x = 0; x < button.width(); ++x) {
                low = std::min(low, Value(x, y));
                high = std::max(high, Value(x, y));
            }
        return {low, high};
    }
    CFxShadeButton button;
};

TEST_F(ShadeTest, PalettesAndBorderStrips) {
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VSHADE, 8, 10));
    const CFxDib& face = button.GetFace();
    EXPECT_EQ(face.GetBitCount(), 8);
    EXPECT_EQ(face.GetWidth(), 60);
    EXPECT_EQ(face.GetPaletteEntry(0), kShadow);
    EXPECT_EQ(face.GetPaletteEntry(64), Mix(kShadow, kFace, 64, 128));
    EXPECT_EQ(face.GetPaletteEntry(128), Mix(kFace, kLight, 1, 128));
    EXPECT_EQ(face.GetPaletteEntry(200), Mix(kFace, kLight, 73, 128));
    EXPECT_EQ(face.GetPaletteEntry(255), kLight);
    const CFxDib& lit = button.GetHighlightedFace();
    for (int i : {0, 100, 255})
        EXPECT_EQ(lit.GetPaletteEntry(i), Mix(face.GetPaletteEntry(i), kLight, 10, 100));
    EXPECT_EQ(lit.GetPixel(10, 10), face.GetPixel(10, 10));
    EXPECT_EQ(button.GetHBorder().GetWidth(), 60);
    EXPECT_EQ(button.GetVBorder().GetHeight(), 40);
    EXPECT_EQ(button.GetHBorder().GetPixel(0, 0), 0u);
    EXPECT_EQ(button.GetHBorder().GetPixel(1, 0), 255u);

    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_NOISE, 8, 0, 50, RGB(255, 0, 0)));
    EXPECT_EQ(button.GetFace().GetPaletteEntry(0), Mix(kShadow, RGB(255, 0, 0), 50, 100));
}

TEST_F(ShadeTest, FacesFollowTheirFormulasWithinTheNoise) {
    const int w = 60, h = 40, g = 8;
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VSHADE, g));
    for (int y = 0; y < h; y += 3) {
        const int ramp = g + (h - 1 - y) * (255 - 2 * g) / h;  // rows count from the bottom
        EXPECT_NEAR(Value(7, y), ramp, g);
    }
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HSHADE, 0));
    for (int x = 0; x < w; x += 3) EXPECT_NEAR(Value(x, 5), (w - x) * 255 / w, 1);
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_DIAGSHADE, 0));
    EXPECT_GT(Value(0, 0), 220);
    EXPECT_LT(Value(59, 39), 30);
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_VBUMP, 0));
    for (int y = 0; y < h; y += 3) {
        const int d = (h - 1 - y) * 255 / h - 127;
        EXPECT_NEAR(Value(30, y), std::clamp(128 + d * d * d / 16384, 0, 255), 1);
    }
    // Both bumps, held within [g, 255 - g] before the noise.
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_SOFTBUMP, 20));
    EXPECT_NEAR(Mean(56, 0), 235, 8);
    EXPECT_NEAR(Mean(0, 36), 20, 8);
    for (int style : {0, 9}) {  // noise around the middle shade
        ASSERT_TRUE(button.ApplyShade(style, 5));
        const auto [low, high] = Range();
        EXPECT_GE(low, 123);
        EXPECT_LE(high, 133);
        EXPECT_LT(low, high);
    }
}

TEST_F(ShadeTest, BevelMetalAndBadArguments) {
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 10));
    EXPECT_GE(Value(0, 0), 255 - 16);  // the light side of the bevel
    EXPECT_GE(Value(20, 0), 255 - 16);
    EXPECT_LE(Value(59, 39), 16);  // the dark side
    EXPECT_LE(Value(40, 39), 16);
    EXPECT_NEAR(Value(30, 20), 128, 9);
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_METAL, 8));
    EXPECT_LT(Range().first, 40);
    EXPECT_GT(Range().second, 200);
    for (int g : {-5, 300})
        for (int style : {1, 6, 7, 8}) EXPECT_TRUE(button.ApplyShade(style, g));
    CFxShadeButton empty;
    empty.resize(0, 10);
    EXPECT_FALSE(empty.ApplyShade(CFxShadeButton::SHS_HARDBUMP));
}

TEST_F(ShadeTest, BackgroundIsTheFaceAndTheLitFaceUnderTheMouse) {
    EXPECT_EQ(FromQRgb(button.grab().toImage().pixel(30, 20)), kFace);  // no face yet
    ASSERT_TRUE(button.ApplyShade(CFxShadeButton::SHS_HARDBUMP, 8, 30));
    const QImage face = button.GetFace().ToImage();
    const QImage lit = button.GetHighlightedFace().ToImage();
    QImage image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 20), face.pixel(30, 20));
    EXPECT_EQ(image.pixel(0, 0), face.pixel(0, 0));

    Enter(button);
    ASSERT_TRUE(button.IsHover());
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 20), lit.pixel(30, 20));
    EXPECT_NE(lit.pixel(30, 20), face.pixel(30, 20));
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), kLight);  // the flat border over it
    button.setDown(true);
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(31, 21), lit.pixel(30, 20));  // drawn at (1,1)
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), kShadow);
}

}  // namespace
