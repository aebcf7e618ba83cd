#include "platform/geometry.h"

#include <gtest/gtest.h>

TEST(CRectTest, EdgesAndPointTest) {
    CRect r(10, 20, 30, 50);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 30);
    EXPECT_TRUE(r.PtInRect({10, 20}));
    EXPECT_TRUE(r.PtInRect({29, 49}));
    EXPECT_FALSE(r.PtInRect({30, 20}));  // right edge outside
    EXPECT_FALSE(r.PtInRect({10, 50}));  // bottom edge outside
    EXPECT_FALSE(r.PtInRect({9, 20}));
    EXPECT_EQ(r.CenterPoint(), CPoint(20, 35));
}

TEST(CRectTest, NormaliseAndEmpty) {
    CRect r(30, 50, 10, 20);
    EXPECT_TRUE(r.IsRectEmpty());
    EXPECT_EQ(r.Width(), -20);
    r.NormalizeRect();
    EXPECT_EQ(r, CRect(10, 20, 30, 50));
    EXPECT_FALSE(r.IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 5, 9).IsRectNull());
    EXPECT_TRUE(CRect().IsRectNull());
}

TEST(CRectTest, IntersectAndUnion) {
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), r;
    EXPECT_TRUE(r.IntersectRect(a, b));
    EXPECT_EQ(r, CRect(5, 5, 10, 10));
    // Touching edges share no pixel.
    EXPECT_FALSE(r.IntersectRect(a, CRect(10, 0, 20, 10)));
    EXPECT_TRUE(r.IsRectNull());
    EXPECT_TRUE(r.UnionRect(a, b));
    EXPECT_EQ(r, CRect(0, 0, 20, 20));
    // An empty operand is ignored by the union, and empties the intersection.
    EXPECT_TRUE(r.UnionRect(CRect(50, 50, 50, 60), b));
    EXPECT_EQ(r, b);
    EXPECT_FALSE(r.IntersectRect(CRect(0, 0, 0, 100), CRect(-5, -5, 5, 5)));
    EXPECT_FALSE(r.UnionRect(CRect(1, 1, 1, 1), CRect(3, 3, 2, 2)));
    EXPECT_TRUE(r.IsRectNull());
    EXPECT_EQ(a & b, CRect(5, 5, 10, 10));
    EXPECT_EQ(a | b, CRect(0, 0, 20, 20));
}

TEST(CRectTest, OffsetInflateMove) {
    CRect r(0, 0, 10, 10);
    r.OffsetRect(3, -2);
    EXPECT_EQ(r, CRect(3, -2, 13, 8));
    r.InflateRect(1, 2);
    EXPECT_EQ(r, CRect(2, -4, 14, 10));
    r.DeflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(3, -2, 11, 6));
    r.MoveToXY(0, 0);
    EXPECT_EQ(r, CRect(0, 0, 8, 8));
    EXPECT_EQ(r + CPoint(1, 1), CRect(1, 1, 9, 9));
}

TEST(ColourMacros, RedInLowestByte) {
    constexpr COLORREF c = RGB(0x12, 0x34, 0x56);
    static_assert(c == 0x00563412u);
    EXPECT_EQ(GetRValue(c), 0x12);
    EXPECT_EQ(GetGValue(c), 0x34);
    EXPECT_EQ(GetBValue(c), 0x56);
    EXPECT_EQ(RGB(300, -1, 0), RGB(300 & 0xFF, 0xFF, 0));
}
