#include "design/surface/pagecoords.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <limits>

#include "design/model/dsggoption.h"

namespace {

// A page window with the coordinate base, as the design page has it.
class TestPage : public QWidget, public CDsgCDinateEVMent {
public:
    TestPage(int width, int height) {
        resize(width, height);
        CalcLMRect();
    }
};

// Every test starts from the default options (320 x 240 dots, grid on, gap
// 5) and leaves them so.
class PageCoordsTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    static void SetOption(const char* key, int value) { GetDsgGOption().SetInt(key, value); }

    // Snaps a point and returns it; the move made goes to `move`.
    CPoint Snap(int x, int y, CSize* move = nullptr) const {
        CPoint pt(x, y);
        const CSize made = page_.SnapPointToUGrid(pt);
        if (move) *move = made;
        return pt;
    }

    CDsgCDinateEVMent page_;
};

}  // namespace

TEST(LMHugeToDotTest, TruncatesTowardZero) {
    EXPECT_EQ(LMHugeToDot(0), 0);
    EXPECT_EQ(LMHugeToDot(19999), 1);
    EXPECT_EQ(LMHugeToDot(20000), 2);
    EXPECT_EQ(LMHugeToDot(-9999), 0);
    EXPECT_EQ(LMHugeToDot(-15000), -1);
    EXPECT_EQ(LMHugeToDot(3190000), 319);
}

TEST_F(PageCoordsTest, LcdRectangleInThePageWindow) {
    TestPage normal(370, 290);
    EXPECT_EQ(normal.GetLMClientRect(), CRect(25, 25, 345, 265));
    EXPECT_DOUBLE_EQ(normal.GetLMZoom(), 1.0);

    TestPage doubled(690, 530);
    EXPECT_EQ(doubled.GetLMClientRect(), CRect(25, 25, 665, 505));
    EXPECT_DOUBLE_EQ(doubled.GetLMZoom(), 2.0);

    // Odd sizes: the height 0.75 x 321 = 240.75 is truncated.
    EXPECT_EQ(TestPage(371, 291).GetLMClientRect(), CRect(25, 25, 346, 265));
    // A relatively wide window: the height decides, width 250 / 0.75 = 333.3.
    TestPage wide(1000, 300);
    EXPECT_EQ(wide.GetLMClientRect(), CRect(334, 25, 667, 275));
    EXPECT_DOUBLE_EQ(wide.GetLMZoom(), 333.0 / 320.0);

    // The rectangle follows the window and the LCD size.
    SetOption(GOPT_LMWIDTH, 128);
    SetOption(GOPT_LMHEIGHT, 64);
    normal.resize(306, 200);
    ASSERT_EQ(normal.CalcLMRect(), 1);
    EXPECT_EQ(normal.GetLMClientRect(), CRect(25, 36, 281, 164));
    EXPECT_DOUBLE_EQ(normal.GetLMZoom(), 2.0);
}

TEST_F(PageCoordsTest, NoPageWindowNoRectangle) {
    EXPECT_EQ(page_.CalcLMRect(), 0);
    EXPECT_TRUE(page_.GetLMClientRect().IsRectNull());
    EXPECT_EQ(page_.GetLMZoom(), 0.0);
}

TEST_F(PageCoordsTest, ConversionAtOneHundredPercent) {
    TestPage page(370, 290);
    EXPECT_EQ(page.ClientToLMPoint(25, 25), CPoint(0, 0));
    EXPECT_EQ(page.ClientToLMPoint(26, 27), CPoint(10000, 20000));
    EXPECT_EQ(page.ClientToLMPoint(345, 265), CPoint(3200000, 2400000));
    // Left of and above the LCD: negative.
    EXPECT_EQ(page.ClientToLMPoint(24, 20), CPoint(-10000, -50000));

    EXPECT_EQ(page.LMToClientPoint(0, 0), CPoint(25, 25));
    // Truncated toward zero on both sides of the origin.
    EXPECT_EQ(page.LMToClientPoint(9999, 19999), CPoint(25, 26));
    EXPECT_EQ(page.LMToClientPoint(-9999, -10000), CPoint(25, 24));
    EXPECT_EQ(page.LMToClientPoint(3190000, 2390000), CPoint(344, 264));
    EXPECT_DOUBLE_EQ(page.LMToClientLength(2.5), 2.5);
}

TEST_F(PageCoordsTest, ConversionAtTwoHundredPercent) {
    TestPage page(690, 530);
    // A click keeps half-dot precision.
    EXPECT_EQ(page.ClientToLMPoint(26, 25), CPoint(5000, 0));
    EXPECT_EQ(page.ClientToLMPoint(27, 28), CPoint(10000, 15000));
    EXPECT_EQ(page.ClientToLMPoint(24, 23), CPoint(-5000, -10000));

    EXPECT_EQ(page.LMToClientPoint(4999, 5000), CPoint(25, 26));
    EXPECT_EQ(page.LMToClientPoint(15000, -15000), CPoint(28, 22));
    EXPECT_EQ(page.LMToClientPoint(-4999, -5000), CPoint(25, 24));

    // Corner by corner: a reversed rectangle stays reversed.
    EXPECT_EQ(page.LMToClientRect(CRect(30000, 20000, -10000, -5000)), CRect(31, 29, 23, 24));
    EXPECT_DOUBLE_EQ(page.LMToClientLength(2.5), 5.0);
}

TEST_F(PageCoordsTest, ConversionAtAFractionalZoom) {
    TestPage page(530, 410);
    ASSERT_DOUBLE_EQ(page.GetLMZoom(), 1.5);
    EXPECT_EQ(page.ClientToLMPoint(26, 24), CPoint(6666, -6666));
    EXPECT_EQ(page.LMToClientPoint(6667, 6666), CPoint(26, 25));
}

TEST_F(PageCoordsTest, UnusableSizesConvertNothing) {
    // A window too small for the margins: no LCD rather than a mirrored one.
    TestPage tiny(40, 30);
    EXPECT_TRUE(tiny.GetLMClientRect().IsRectEmpty());
    EXPECT_EQ(tiny.GetLMZoom(), 0.0);
    EXPECT_EQ(tiny.ClientToLMPoint(100, 100), CPoint(0, 0));
    EXPECT_EQ(tiny.LMToClientPoint(100000, 100000), CPoint(0, 0));

    TestPage page(370, 290);
    for (auto [width, height] :
         {std::pair{0, 240}, std::pair{320, 0}, std::pair{-320, 240}, std::pair{320, -240}}) {
        SetOption(GOPT_LMWIDTH, width);
        SetOption(GOPT_LMHEIGHT, height);
        // The options changed under a computed rectangle: no zoom.
        EXPECT_EQ(page.GetLMZoom(), 0.0) << width << "x" << height;
        EXPECT_EQ(page.ClientToLMPoint(100, 100), CPoint(0, 0)) << width << "x" << height;
        EXPECT_EQ(page.LMToClientPoint(100000, 100000), CPoint(0, 0)) << width << "x" << height;
        EXPECT_EQ(page.LMToClientLength(3.0), 0.0) << width << "x" << height;
        // Recomputing is refused.
        EXPECT_EQ(page.CalcLMRect(), 0) << width << "x" << height;
        EXPECT_TRUE(page.GetLMClientRect().IsRectEmpty()) << width << "x" << height;
        CPoint pt(123456, 76543);
        EXPECT_EQ(page.SnapPointToUGrid(pt), CSize()) << width << "x" << height;
        EXPECT_EQ(pt, CPoint(123456, 76543)) << width << "x" << height;
    }
}

TEST_F(PageCoordsTest, FarPointsAreClampedNotWrapped) {
    SetOption(GOPT_LMWIDTH, 10000);
    SetOption(GOPT_LMHEIGHT, 2000);
    TestPage page(370, 290);  // 0.032 client pixels per dot
    const CPoint far = page.ClientToLMPoint(std::numeric_limits<int>::max(), -1000000);
    EXPECT_EQ(far, CPoint(std::numeric_limits<int>::max(), std::numeric_limits<int>::min()));
}

TEST_F(PageCoordsTest, DefaultGapSnapsToTheNearestLine) {
    CSize move;
    EXPECT_EQ(Snap(124999, 125000, &move), CPoint(100000, 150000));
    EXPECT_EQ(move, CSize(-24999, 25000));
    EXPECT_EQ(Snap(50000, 0), CPoint(50000, 0));
    // Negative coordinates: the remainder has the sign of the value, so they
    // move toward the origin's side of the line.
    EXPECT_EQ(Snap(-30000, -10000), CPoint(0, 0));
    EXPECT_EQ(Snap(-80000, -70000), CPoint(-50000, -50000));
}

TEST_F(PageCoordsTest, WideGapSnapsOnlyNearALine) {
    SetOption(GOPT_LMTIGHT_UGGAP, 30);  // tolerance 10 dots
    CSize move;
    EXPECT_EQ(Snap(420000, 380000, &move), CPoint(420000, 300000));
    EXPECT_EQ(move, CSize(0, -80000));
    // At the tolerance exactly the point stays; just inside it snaps.
    EXPECT_EQ(Snap(400000, 399999), CPoint(400000, 300000));
    EXPECT_EQ(Snap(500000, 500001), CPoint(500000, 600000));
    EXPECT_EQ(Snap(-80000, -420000), CPoint(0, -300000));
}

TEST_F(PageCoordsTest, PointsNearTheFarEdgeGoToTheLastDot) {
    for (int gap : {5, 30, 7}) {
        SetOption(GOPT_LMTIGHT_UGGAP, gap);
        EXPECT_EQ(Snap(3180000, 2375000), CPoint(3190000, 2390000)) << gap;
        EXPECT_EQ(Snap(3229999, 2429999), CPoint(3190000, 2390000)) << gap;
        EXPECT_EQ(Snap(3170001, 2370001), CPoint(3190000, 2390000)) << gap;
    }
    SetOption(GOPT_LMTIGHT_UGGAP, 5);
    // Three dots away the grid rule applies again.
    EXPECT_EQ(Snap(3170000, 2370000), CPoint(3150000, 2350000));
    // A snap onto or past the edge is taken back.
    CSize move;
    EXPECT_EQ(Snap(3240000, 2440000, &move), CPoint(3240000, 2440000));
    EXPECT_EQ(move, CSize(0, 0));
}

TEST_F(PageCoordsTest, NoSnappingWithoutAGrid) {
    SetOption(GOPT_USE_UGRID, 0);
    CSize move(1, 1);
    EXPECT_EQ(Snap(124999, 3180000, &move), CPoint(124999, 3180000));
    EXPECT_EQ(move, CSize(0, 0));
    SetOption(GOPT_USE_UGRID, 1);
    for (int gap : {0, -5}) {
        SetOption(GOPT_LMTIGHT_UGGAP, gap);
        EXPECT_EQ(Snap(124999, 3180000, &move), CPoint(124999, 3180000)) << gap;
        EXPECT_EQ(move, CSize(0, 0)) << gap;
    }
}

TEST_F(PageCoordsTest, SnappingRectangles) {
    CPoint first(62000, 37000);
    CPoint second(100000, 90000);
    page_.SnapRectToUGrid(first, second, 1);
    EXPECT_EQ(first, CPoint(50000, 50000));
    EXPECT_EQ(second, CPoint(88000, 103000));

    first = CPoint(62000, 37000);
    second = CPoint(100000, 90000);
    page_.SnapRectToUGrid(first, second, 0);
    EXPECT_EQ(first, CPoint(50000, 50000));
    EXPECT_EQ(second, CPoint(100000, 100000));
}

TEST_F(PageCoordsTest, ArrowStep) {
    EXPECT_EQ(page_.GetArrowStep(), 50000);
    SetOption(GOPT_LMTIGHT_UGGAP, 30);
    EXPECT_EQ(page_.GetArrowStep(), 300000);
    SetOption(GOPT_LMTIGHT_UGGAP, 0);
    EXPECT_EQ(page_.GetArrowStep(), 10000);
    SetOption(GOPT_LMTIGHT_UGGAP, 1000000);
    EXPECT_EQ(page_.GetArrowStep(), std::numeric_limits<int>::max());
    SetOption(GOPT_USE_UGRID, 0);
    EXPECT_EQ(page_.GetArrowStep(), 10000);
}
