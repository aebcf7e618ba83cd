#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/dc.h"
#include "platform/tests/dctesting.h"

namespace {

using dctesting::InkBox;
using dctesting::Picture;
using dctesting::Rows;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

void Paint(CDC& dc, bool pen = true) {
    dc.SelectPen(pen ? Pen(PS_SOLID, 1, kBlack) : Pen::Null());
    dc.SelectBrush(Brush(kRed));
}

TEST(DcPolygonTest, FillsPixelCentresInsideThenDrawsThePenAlongThePoints) {
    CDC dc(7, 6);
    Paint(dc);
    const CPoint square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    dc.Polygon(square, 4);
    EXPECT_EQ(Picture(dc, CRect(0, 0, 7, 6), kBlack),
              Rows(".......|.#####.|.#???#.|.#???#.|.#####.|......."));
    EXPECT_EQ(dc.GetPixel(2, 2), kRed);
    EXPECT_EQ(dc.GetPixel(4, 3), kRed);
    // Without a pen the fill alone: the right and bottom edges stay out.
    CDC fill(7, 6);
    Paint(fill, false);
    fill.Polygon(square, 4);
    EXPECT_EQ(Picture(fill, CRect(0, 0, 7, 6), kRed),
              Rows(".......|.####..|.####..|.####..|.......|......."));
}

TEST(DcPolygonTest, FillModesDecideOverlapsAndSelfCrossings) {
    struct Case {
        int mode;
        COLORREF overlap, star;
    } cases[] = {{ALTERNATE, kWhite, kWhite}, {WINDING, kRed, kRed}};
    for (const Case& c : cases) {
        // Two squares wound the same way, overlapping in (3..6, 3..6).
        CDC dc(10, 10);
        Paint(dc, false);
        EXPECT_NE(dc.SetPolyFillMode(c.mode), 0);
        const CPoint squares[] = {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {3, 3}, {9, 3}, {9, 9}, {3, 9}};
        const int counts[] = {4, 4};
        dc.PolyPolygon(squares, counts, 2);
        EXPECT_EQ(dc.GetPixel(4, 4), c.overlap) << c.mode;
        EXPECT_EQ(dc.GetPixel(1, 1), kRed) << c.mode;
        EXPECT_EQ(dc.GetPixel(7, 7), kRed) << c.mode;
        EXPECT_EQ(dc.GetPixel(1, 7), kWhite) << c.mode;
        // A five-pointed star drawn in one stroke: its middle is wound twice.
        CDC star(21, 21);
        Paint(star, false);
        star.SetPolyFillMode(c.mode);
        const CPoint points[] = {{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
        star.Polygon(points, 5);
        EXPECT_EQ(star.GetPixel(10, 11), c.star) << c.mode;
        EXPECT_EQ(star.GetPixel(10, 3), kRed) << c.mode;  // a point of the star
        EXPECT_EQ(star.GetPixel(1, 1), kWhite) << c.mode;
    }
    CDC dc(2, 2);
    EXPECT_EQ(dc.SetPolyFillMode(7), 0);
    EXPECT_EQ(dc.GetPolyFillMode(), ALTERNATE);
}

TEST(DcPolygonTest, PolylineLeavesOutItsLastPixelAndKeepsThePosition) {
    CDC dc(6, 5);
    Paint(dc);
    dc.MoveTo(0, 0);
    const CPoint points[] = {{1, 1}, {4, 1}, {4, 3}};
    dc.Polyline(points, 3);
    EXPECT_EQ(Picture(dc, CRect(0, 0, 6, 5), kBlack), Rows("......|.####.|....#.|......|......"));
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(0, 0));
    // Too few points draw nothing.
    CDC none(6, 5);
    Paint(none);
    none.Polyline(points, 1);
    none.Polygon(points, 1);
    EXPECT_TRUE(InkBox(none).IsRectEmpty());
}

TEST(DcPolygonTest, BezierRunsFromItsFirstToItsLastPoint) {
    // Control points on one line: the curve is that line.
    CDC line(10, 4);
    Paint(line);
    const CPoint straight[] = {{1, 2}, {3, 2}, {5, 2}, {8, 2}};
    line.PolyBezier(straight, 4);
    EXPECT_EQ(Picture(line, CRect(0, 1, 10, 4), kBlack), Rows("..........|.#######..|.........."));
    // An arch: it starts at its first point and reaches three quarters of
    // the way to the control points.
    CDC arch(12, 12);
    Paint(arch);
    const CPoint curve[] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    arch.PolyBezier(curve, 4);
    const CRect box = InkBox(arch);
    EXPECT_EQ(arch.GetPixel(0, 0), kBlack);
    EXPECT_EQ(arch.GetPixel(5, 7) == kBlack || arch.GetPixel(5, 8) == kBlack, true);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 11);
    EXPECT_TRUE(box.bottom == 8 || box.bottom == 9) << box.bottom;
    // Points after the last whole curve are left out.
    const std::vector<CPoint> flat = FlattenBezier(curve, 3);
    EXPECT_EQ(flat, std::vector<CPoint>{CPoint(0, 0)});
}

TEST(DcPolygonTest, WideOutlinesMeetTheRasterOperationOncePerPixel) {
    // Inverting twice would undo the first: the corner where the two lines
    // meet must be inverted once, like every other pixel of the outline.
    // A styled geometric pen too, whose first dash spans the whole outline.
    for (const Pen& pen : {Pen(PS_SOLID, 3, kBlack),
                           Pen::Geometric(PS_USERSTYLE, 3, kBlack, PS_ENDCAP_ROUND, {40, 2})}) {
        CDC dc(12, 12);
        dc.SelectPen(pen);
        dc.SetROP2(R2_NOT);
        const CPoint corner[] = {{2, 2}, {9, 2}, {9, 9}};
        dc.Polyline(corner, 3);
        for (const CPoint p : {CPoint(9, 2), CPoint(5, 2), CPoint(9, 5), CPoint(8, 3)})
            EXPECT_EQ(dc.GetPixel(p.x, p.y), kBlack) << pen.style << " at " << p.x << "," << p.y;
        EXPECT_EQ(dc.GetPixel(5, 5), kWhite);
    }
    // A line reaching far past the surface draws what shows.
    CDC far(20, 10);
    far.SelectPen(Pen(PS_SOLID, 3, kBlack));
    const CPoint line[] = {{-1000000, 5}, {1000000, 5}};
    far.Polyline(line, 2);
    EXPECT_EQ(InkBox(far), CRect(0, 4, 20, 7));
}

TEST(DcRoundShapeTest, RoundRectCutsItsCorners) {
    CDC dc(12, 10);
    Paint(dc);
    dc.RoundRect(CRect(0, 0, 10, 8), CPoint(6, 6));
    EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
    EXPECT_EQ(dc.GetPixel(9, 7), kWhite);
    EXPECT_EQ(dc.GetPixel(5, 0), kBlack);
    EXPECT_EQ(dc.GetPixel(0, 4), kBlack);
    EXPECT_EQ(dc.GetPixel(9, 4), kBlack);
    EXPECT_EQ(dc.GetPixel(5, 7), kBlack);
    EXPECT_EQ(dc.GetPixel(10, 4), kWhite);
    EXPECT_EQ(dc.GetPixel(5, 8), kWhite);
    EXPECT_EQ(dc.GetPixel(5, 4), kRed);
    // No corner: a plain rectangle.
    CDC plain(12, 10), rect(12, 10);
    Paint(plain);
    Paint(rect);
    plain.RoundRect(CRect(1, 1, 9, 7), CPoint(0, 0));
    rect.Rectangle(CRect(1, 1, 9, 7));
    EXPECT_EQ(plain.Image(), rect.Image());
}

TEST(DcRoundShapeTest, PieAndChordTakeTheirPartOfTheEllipse) {
    // A quarter from the east radial counter-clockwise to the north one.
    struct Probe {
        CPoint at;
        COLORREF pie, chord;
    } probes[] = {
        {{16, 4}, kRed, kRed},      // between the chord and the arc
        {{12, 8}, kRed, kWhite},    // between the centre and the chord
        {{6, 6}, kWhite, kWhite},   // the quarter before it
        {{6, 14}, kWhite, kWhite},  // the opposite quarter
        {{14, 14}, kWhite, kWhite},
        {{20, 0}, kWhite, kWhite},  // the box's corner, outside the ellipse
    };
    CDC pie(21, 21), chord(21, 21);
    Paint(pie, false);
    Paint(chord, false);
    pie.Pie(CRect(0, 0, 21, 21), CPoint(20, 10), CPoint(10, 0));
    chord.Chord(CRect(0, 0, 21, 21), CPoint(20, 10), CPoint(10, 0));
    for (const Probe& p : probes) {
        EXPECT_EQ(pie.GetPixel(p.at.x, p.at.y), p.pie) << p.at.x << "," << p.at.y;
        EXPECT_EQ(chord.GetPixel(p.at.x, p.at.y), p.chord) << p.at.x << "," << p.at.y;
    }
}

TEST(DcRoundShapeTest, ArcPointsGoCounterClockwiseBetweenTheRadials) {
    const CRect box(0, 0, 21, 21);
    struct Case {
        CPoint start, end, first, last;
        bool passesWest;
    } cases[] = {
        {{30, 10}, {10, -5}, {20, 10}, {10, 0}, false},  // a quarter, radials far outside
        {{10, 0}, {20, 10}, {10, 0}, {20, 10}, true},    // three quarters round
        {{20, 10}, {40, 10}, {20, 10}, {20, 10}, true},  // one radial: the whole ellipse
    };
    for (const Case& c : cases) {
        const std::vector<CPoint> points = EllipseArcPoints(box, c.start, c.end);
        ASSERT_FALSE(points.empty());
        EXPECT_EQ(points.front(), c.first);
        EXPECT_EQ(points.back(), c.last);
        const bool west = std::find(points.begin(), points.end(), CPoint(0, 10)) != points.end();
        EXPECT_EQ(west, c.passesWest);
        for (const CPoint& p : points) EXPECT_TRUE(p.x >= 0 && p.x <= 20 && p.y >= 0 && p.y <= 20);
    }
    EXPECT_TRUE(EllipseArcPoints(CRect(3, 3, 3, 9), CPoint(0, 0), CPoint(1, 1)).empty());
}

}  // namespace
