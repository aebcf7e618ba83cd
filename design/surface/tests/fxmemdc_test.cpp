#include "design/surface/fxmemdc.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0);

// The area as text, one character per pixel from the legend (colour ->
// character); '?' for colours outside it.
std::string Picture(const CDC& dc, const CRect& area,
                    const std::vector<std::pair<COLORREF, char>>& legend) {
    std::string text;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            char c = '?';
            for (const auto& [color, mark] : legend)
                if (dc.GetPixel(x, y) == color) c = mark;
            text += c;
        }
        text += '\n';
    }
    return text;
}
std::string Rows(std::initializer_list<const char*> rows) {
    std::string text;
    for (const char* row : rows) text += std::string(row) + '\n';
    return text;
}

TEST(FxMemDCTest, CopiesItsPictureToTheTarget) {
    CDC target(8, 8);
    CFxMemDC mem(&target, 3, 2);
    mem.FillSolidRect(CRect(0, 0, 3, 2), kRed);
    mem.SetPixel(0, 0, kBlack);
    mem.BltToTarget();
    const std::vector<std::pair<COLORREF, char>> legend = {
        {kWhite, '.'}, {kRed, 'r'}, {kBlack, 'k'}};
    EXPECT_EQ(Picture(target, {0, 0, 4, 3}, legend), Rows({"krr.", "rrr.", "...."}));

    // Into a part of another surface: the picture's part of that size.
    CDC other(8, 8);
    const CRect part(5, 5, 7, 6);
    mem.BltToTarget(&other, &part);
    EXPECT_EQ(Picture(other, {4, 4, 8, 7}, legend), Rows({"....", ".kr.", "...."}));

    // Through a painter, as a paint event does.
    QImage window(6, 4, QImage::Format_RGB32);
    window.fill(Qt::white);
    {
        QPainter painter(&window);
        mem.BltToTarget(painter, 2, 1);
    }
    CDC shown(window);
    EXPECT_EQ(Picture(shown, {0, 0, 6, 4}, legend), Rows({"......", "..krr.", "..rrr.", "......"}));
}

TEST(FxMemDCTest, ThreeDFramesShadeTheBaseColour) {
    // 0x646464 by 40 %: light A2, dark 3C; the inner frame by 20 %: 83, 50.
    const std::vector<std::pair<COLORREF, char>> legend = {
        {kWhite, '.'}, {0xA2A2A2, 'L'}, {0x3C3C3C, 'D'}, {0x838383, 'l'}, {0x505050, 'd'}};
    CDC raised(6, 5);
    Draw3dFrame(&raised, CRect(0, 0, 6, 5), 0x646464, 40, TRUE, TRUE);
    EXPECT_EQ(Picture(raised, {0, 0, 6, 5}, legend),
              Rows({"LLLLLD", "LllldD", "Ll..dD", "LddddD", "DDDDDD"}));
    CDC sunken(6, 5);
    Draw3dFrame(&sunken, CRect(0, 0, 6, 5), 0x646464, 40, FALSE, FALSE);
    EXPECT_EQ(Picture(sunken, {0, 0, 6, 5}, legend),
              Rows({"DDDDDL", "D....L", "D....L", "D....L", "LLLLLL"}));
}

TEST(FxMemDCTest, BitmapHelpers) {
    const std::vector<std::pair<COLORREF, char>> legend = {
        {kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}};
    // The outline inverted; inverting again restores it.
    CDC dc(5, 4);
    InvertRectFrame(&dc, CRect(4, 3, 0, 0));
    EXPECT_EQ(Picture(dc, {0, 0, 5, 4}, legend), Rows({"####.", "#..#.", "####.", "....."}));
    InvertRectFrame(&dc, CRect(0, 0, 4, 3));
    EXPECT_EQ(Picture(dc, {0, 0, 5, 4}, legend), Rows({".....", ".....", ".....", "....."}));

    // A pen line includes its end pixel.
    DrawPenLine(&dc, CPoint(0, 1), CPoint(3, 1), PS_SOLID, 1, kRed);
    EXPECT_EQ(Picture(dc, {0, 1, 5, 2}, legend), Rows({"rrrr."}));

    // A copy of a rectangle reaching past the surface is black there.
    const QImage copy = CopyRectToBitmap(&dc, CRect(3, 0, 7, 2));
    ASSERT_EQ(copy.size(), QSize(4, 2));
    QImage copied = copy;
    EXPECT_EQ(Picture(CDC(copied), {0, 0, 4, 2}, legend), Rows({"..##", "r.##"}));
    EXPECT_TRUE(CopyRectToBitmap(&dc, CRect(1, 1, 1, 5)).isNull());

    // Masked: the mask colour is left out; without a mask everything is drawn.
    QImage bitmap(2, 1, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, ToQRgb(kRed));
    bitmap.setPixel(1, 0, ToQRgb(RGB(255, 0, 255)));
    CDC target(3, 2);
    DrawMaskedBitmap(&target, bitmap, CPoint(1, 0), RGB(255, 0, 255));
    DrawMaskedBitmap(&target, bitmap, CPoint(0, 1), CLR_NONE);
    EXPECT_EQ(Picture(target, {0, 0, 3, 2}, legend), Rows({".r.", "r?."}));
}

TEST(FxMemDCTest, RectangleAndPointHelpers) {
    const CRect r(10, 20, 30, 40);
    // The second point may lie on the right and bottom edges, the first not.
    EXPECT_TRUE(PtsInRect(r, CPoint(10, 20), CPoint(30, 40)));
    EXPECT_FALSE(PtsInRect(r, CPoint(30, 40), CPoint(30, 40)));
    EXPECT_FALSE(PtsInRect(r, CPoint(10, 20), CPoint(31, 40)));
    EXPECT_FALSE(PtsInRect(r, CPoint(9, 20), CPoint(10, 20)));

    EXPECT_TRUE(IsPointNear(CPoint(0, 0), CPoint(3, -3), 3));
    EXPECT_FALSE(IsPointNear(CPoint(0, 0), CPoint(4, 0), 3));
    EXPECT_FALSE(IsPointNear(CPoint(INT_MIN, 0), CPoint(INT_MAX, 0), 3));

    struct MapCase {
        CRect rect, from, to, expected;
    };
    const MapCase maps[] = {
        {{10, 20, 30, 40}, {0, 0, 100, 100}, {0, 0, 200, 50}, {20, 10, 60, 20}},
        {{0, 0, 100, 100}, {0, 0, 100, 100}, {50, 50, 60, 70}, {50, 50, 60, 70}},
        {{5, 5, 6, 6}, {5, 5, 5, 5}, {7, 8, 9, 10}, {7, 8, 7, 8}},  // no extent: the start
    };
    for (const MapCase& m : maps) EXPECT_EQ(MapRectBetween(m.rect, m.from, m.to), m.expected);

    EXPECT_EQ(CenterRectIn(CSize(4, 3), CRect(0, 0, 11, 10)), CRect(3, 3, 7, 6));
    EXPECT_EQ(CenterRectInX(CRect(0, 5, 4, 9), CRect(10, 0, 21, 100)), CRect(13, 5, 17, 9));
    EXPECT_EQ(CenterRectInY(CRect(0, 5, 4, 9), CRect(10, 0, 21, 11)), CRect(0, 3, 4, 7));
}

}  // namespace
