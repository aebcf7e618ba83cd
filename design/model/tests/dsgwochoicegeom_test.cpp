#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <vector>

#include "design/model/dsgwobj.h"
#include "design/model/dsgwochoice.h"

namespace {

// Grips 1 to 8 in order, as x, y pairs.
std::vector<int> SignPoints(const CRect& rect, int offset) {
    std::vector<int> xy;
    const auto points = GetWOCSignPoints(rect, offset);
    for (int grip = 1; grip <= 8; ++grip) xy.insert(xy.end(), {points[grip].x, points[grip].y});
    return xy;
}

// The grips hit at points given as x, y, expected grip triples.
void ExpectHits(const CRect& box, std::initializer_list<int> triples) {
    for (auto it = triples.begin(); it + 2 < triples.end(); it += 3)
        EXPECT_EQ(HitTestGrip(box, CPoint(it[0], it[1])), it[2])
            << box.left << "," << box.right << " at " << it[0] << "," << it[1];
}

}  // namespace

TEST(DsgGripGeometryTest, DraggingEachGrip) {
    const CRect r(10, 20, 110, 220);
    const CPoint p(5, 6);
    const CRect dragged[] = {CRect(5, 6, 110, 220),  CRect(10, 6, 5, 220),   CRect(5, 20, 110, 6),
                             CRect(10, 20, 5, 6),    CRect(5, 20, 110, 220), CRect(10, 20, 5, 220),
                             CRect(10, 6, 110, 220), CRect(10, 20, 110, 6)};
    for (int grip = 1; grip <= 8; ++grip)
        EXPECT_EQ(GetGripDraggedRect(r, grip, p, FALSE), dragged[grip - 1]) << grip;
    // Any other number drags the second corner.
    for (int grip : {0, 9, 10, -1})
        EXPECT_EQ(GetGripDraggedRect(r, grip, p, FALSE), CRect(10, 20, 5, 6)) << grip;
}

TEST(DsgGripGeometryTest, NormalisedDragStopsAtTheOppositeEdge) {
    // Stored right to left; normalised first.
    const CRect r(110, 220, 10, 20);
    EXPECT_EQ(GetGripDraggedRect(r, 5, CPoint(500, 0), TRUE), CRect(110, 20, 110, 220));
    EXPECT_EQ(GetGripDraggedRect(r, 6, CPoint(-500, 0), TRUE), CRect(10, 20, 10, 220));
    EXPECT_EQ(GetGripDraggedRect(r, 7, CPoint(0, 900), TRUE), CRect(10, 220, 110, 220));
    EXPECT_EQ(GetGripDraggedRect(r, 8, CPoint(0, 19), TRUE), CRect(10, 20, 110, 20));
    EXPECT_EQ(GetGripDraggedRect(r, 1, CPoint(109, 219), TRUE), CRect(109, 219, 110, 220));
    EXPECT_EQ(GetGripDraggedRect(r, 4, CPoint(50, 60), TRUE), CRect(10, 20, 50, 60));
}

TEST(DsgGripGeometryTest, GripPositions) {
    EXPECT_EQ(SignPoints(CRect(100, 50, 200, 150), 8),
              (std::vector<int>{92, 42, 208, 42, 92, 158, 208, 158, 91, 100, 209, 100, 150, 41, 150,
                                159}));
    // A box stored the other way round puts its grips outside it too.
    EXPECT_EQ(SignPoints(CRect(200, 150, 100, 50), 3),
              (std::vector<int>{203, 153, 97, 153, 203, 47, 97, 47, 204, 100, 96, 100, 150, 154,
                                150, 46}));
}

TEST(DsgGripGeometryTest, HitsAtTheEdgeOfTheTolerance) {
    const CRect box(100, 100, 200, 200);
    ExpectHits(box, {112, 88, 1, 212, 88, 2, 88, 212, 3, 188, 212, 4, 113, 100, 10, 100, 87, 10});
    ExpectHits(box, {88, 150, 5, 212, 150, 6, 150, 112, 7, 150, 188, 8});
    ExpectHits(box, {150, 150, 9, 162, 138, 9, 163, 150, 10});
    // Narrower than 12: widened to 7 either side of the centre (102, so
    // 95..109), and a point near the centre takes the centre grip before the
    // side grips.
    ExpectHits(CRect(100, 100, 105, 200),
               {106, 150, 9, 114, 150, 9, 115, 150, 6, 121, 150, 6, 122, 150, 10, 95, 88, 1});
    ExpectHits(CRect(100, 100, 200, 101), {150, 93, 9, 150, 81, 7});
    // 11 wide is widened to 98..112; 13 wide keeps its right edge at 113.
    ExpectHits(CRect(100, 100, 111, 200), {125, 150, 10});
    ExpectHits(CRect(100, 100, 113, 200), {125, 150, 6});
}

// Line ends constrained from (0,0) given as x, y, expected x, expected y.
void ExpectConstrained(int mode, std::initializer_list<int> quads) {
    for (auto it = quads.begin(); it + 3 < quads.end(); it += 4)
        EXPECT_EQ(ConstrainLineEndPoint(CPoint(0, 0), CPoint(it[0], it[1]), mode),
                  CPoint(it[2], it[3]))
            << mode << " at " << it[0] << "," << it[1];
}

TEST(DsgLineConstraintTest, SnapsByAngle) {
    // 30 degrees: the square; 20 and 70 degrees: horizontal and vertical, in
    // every direction; then either side of 22.5 and 67.5 degrees.
    ExpectConstrained(
        3, {100000,  57735,  100000,  100000, 100000, 36397,  100000, 0,       -100000, -36397,
            -100000, 0,      36397,   100000, 0,      100000, -36397, -100000, 0,       -100000,
            -57735,  100000, -100000, 100000, 100000, 41421,  100000, 0,       100000,  41422,
            100000,  100000, 100000,  241421, 241421, 241421, 100000, 241422,  0,       241422,
            0,       -4,     0,       -4,     0,      0,      0,      0});
    // Other modes: always the square.
    ExpectConstrained(2, {100000, 36397, 100000, 100000});
    EXPECT_EQ(ConstrainLineEndPoint(CPoint(10, 10), CPoint(4, 30), 6), CPoint(-10, 30));
}

TEST(DsgLineConstraintTest, FarPointsStayInRange) {
    const CPoint f(INT_MAX - 10, 0);
    EXPECT_EQ(ConstrainLineEndPoint(f, CPoint(INT_MIN, 5), 3), CPoint(INT_MIN, 0));
    // The square would leave the range: held at its end, not wrapped.
    EXPECT_EQ(ConstrainLineEndPoint(f, CPoint(INT_MIN, 5), 2), CPoint(INT_MIN, INT_MAX));
}

TEST(DsgCreationShapeTest, ShapingTheDrag) {
    // Shift shapes symmetrically about the start (a definable character
    // too); Ctrl or the force flag square a box or an ellipse and snap a
    // line; a definable character measures 16 by 16 dots, Ctrl or not.
    constexpr int box = nDSG_WOKIND__WOBOX, line = nDSG_WOKIND__WOLINE;
    constexpr int ellipse = nDSG_WOKIND__WOELLIPSE, ch = nDSG_WOKIND__WODNCHAR;
    const struct {
        int kind;
        BOOL force, shift, ctrl;
        CPoint start, moving, shapedStart, shapedMoving;
    } cases[] = {
        {box, FALSE, TRUE, FALSE, {100, 100}, {140, 160}, {60, 40}, {140, 160}},
        {box, FALSE, TRUE, TRUE, {100, 100}, {60, 90}, {140, 110}, {60, 90}},
        {box, FALSE, FALSE, FALSE, {0, 0}, {50000, 20000}, {0, 0}, {50000, 20000}},
        {box, FALSE, FALSE, TRUE, {0, 0}, {50000, 20000}, {0, 0}, {50000, 50000}},
        {ellipse, TRUE, FALSE, FALSE, {0, 0}, {-20000, 30000}, {0, 0}, {-30000, 30000}},
        {line, FALSE, FALSE, TRUE, {0, 0}, {100000, 36397}, {0, 0}, {100000, 0}},
        {ch, FALSE, FALSE, FALSE, {50000, 70000}, {3, -9}, {50000, 70000}, {210000, 230000}},
        {ch, FALSE, FALSE, TRUE, {50000, 70000}, {3, -9}, {50000, 70000}, {210000, 230000}},
        {ch, FALSE, TRUE, FALSE, {100, 100}, {140, 160}, {60, 40}, {140, 160}},
        // Odd sizes mirror exactly, on either side of the start.
        {box, FALSE, TRUE, FALSE, {100, 100}, {141, 163}, {59, 37}, {141, 163}},
        {box, FALSE, TRUE, FALSE, {100, 100}, {59, 37}, {141, 163}, {59, 37}},
        {line, FALSE, TRUE, FALSE, {0, 0}, {-10001, 3}, {10001, -3}, {-10001, 3}},
        // Far corners are held at the ends of the range.
        {box,
         FALSE,
         TRUE,
         FALSE,
         {INT_MAX - 5, INT_MIN + 5},
         {INT_MIN, INT_MAX},
         {INT_MAX, INT_MIN},
         {INT_MIN, INT_MAX}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        CPoint start = c.start, moving = c.moving;
        ShapeCreationRect(start, moving, c.force, c.kind, c.shift, c.ctrl);
        EXPECT_EQ(start, c.shapedStart) << i;
        EXPECT_EQ(moving, c.shapedMoving) << i;
    }
}
