#include "design/surface/pagecoords.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <limits>
#include <tuple>

#include "design/model/dsggoption.h"

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

// A page window with the coordinate base, as the design page has it.
class TestPage : public QWidget, public CDsgCDinateEVMent {
public:
    TestPage(int width, int height) {
        resize(width, height);
        CalcLMRect();
    }
};

// Every test starts from, and leaves, the default options (320 x 240 dots,
// grid on, gap 5).
class PageCoordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetDsgGOption().RemoveAll();
        GetDsgGOption().SetDefaultGOption();
    }
    void TearDown() override { SetUp(); }
    static void Set(const char* key, int value) { GetDsgGOption().SetInt(key, value); }
    static void SetLMSize(int width, int height) {
        Set(GOPT_LMWIDTH, width);
        Set(GOPT_LMHEIGHT, height);
    }
};

}  // namespace

TEST(LMHugeToDotTest, TruncatesTowardZero) {
    for (auto [units, dots] : {std::pair{19999, 1}, {20000, 2}, {-9999, 0}, {-15000, -1}})
        EXPECT_EQ(LMHugeToDot(units), dots) << units;
}

// 25 pixels in from the nearer pair of edges. 0.75 x 321 = 240.75 is
// truncated; in a relatively wide window the height decides (250 / 0.75 =
// 333.3); a window too small for the margins shows no LCD rather than a
// mirrored one.
TEST_F(PageCoordsTest, LcdRectangleInThePageWindow) {
    struct {
        int lmWidth, lmHeight, width, height;
        CRect rect;
        double zoom;
    } cases[] = {
        // clang-format off
        {320, 240, 370, 290, {25, 25, 345, 265}, 1.0}, {128, 64, 306, 200, {25, 36, 281, 164}, 2.0},
        {320, 240, 371, 291, {25, 25, 346, 265}, 321.0 / 320},
        {320, 240, 1000, 300, {334, 25, 667, 275}, 333.0 / 320},
        {320, 240, 40, 30, {20, 15, 20, 15}, 0.0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SetLMSize(c.lmWidth, c.lmHeight);
        TestPage page(c.width, c.height);
        EXPECT_EQ(page.GetLMClientRect(), c.rect) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(page.GetLMZoom(), c.zoom) << c.width << "x" << c.height;
    }
    // Without a page window nothing is computed.
    CDsgCDinateEVMent bare;
    EXPECT_EQ(bare.CalcLMRect(), 0);
    EXPECT_TRUE(bare.GetLMClientRect().IsRectNull());
}

// Left of and above the LCD is negative; at 200 % a click keeps half-dot
// precision; far points are clamped, not wrapped.
TEST_F(PageCoordsTest, ConversionsTruncateTowardZero) {
    TestPage pages[] = {{370, 290}, {690, 530}, {530, 410}};  // 100 %, 200 %, 150 %
    using Case = std::tuple<int, CPoint, CPoint>;
    for (auto [p, client, lm] :
         {Case{0, {25, 25}, {0, 0}}, Case{0, {345, 265}, {3200000, 2400000}},
          Case{0, {24, 20}, {-10000, -50000}}, Case{1, {26, 25}, {5000, 0}},
          Case{1, {24, 23}, {-5000, -10000}}, Case{2, {26, 24}, {6666, -6666}}})
        EXPECT_EQ(pages[p].ClientToLMPoint(client.x, client.y), lm) << p << ": " << client.x;
    for (auto [p, lm, client] :
         {Case{0, {9999, 19999}, {25, 26}}, Case{0, {-9999, -10000}, {25, 24}},
          Case{1, {4999, 5000}, {25, 26}}, Case{1, {15000, -15000}, {28, 22}},
          Case{1, {-4999, -5000}, {25, 24}}, Case{2, {6667, 6666}, {26, 25}}})
        EXPECT_EQ(pages[p].LMToClientPoint(lm.x, lm.y), client) << p << ": " << lm.x;
    // Corner by corner: a reversed rectangle stays reversed.
    EXPECT_EQ(pages[1].LMToClientRect(CRect(30000, 20000, -10000, -5000)), CRect(31, 29, 23, 24));
    EXPECT_DOUBLE_EQ(pages[0].LMToClientLength(2.5), 2.5);
    EXPECT_DOUBLE_EQ(pages[1].LMToClientLength(2.5), 5.0);

    SetLMSize(10000, 2000);  // 0.032 client pixels per dot
    EXPECT_EQ(TestPage(370, 290).ClientToLMPoint(kIntMax, -1000000),
              CPoint(kIntMax, std::numeric_limits<int>::min()));
}

TEST_F(PageCoordsTest, UnusableLcdSizesConvertNothing) {
    TestPage page(370, 290);
    for (auto [width, height] : {std::pair{0, 240}, {320, -240}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        SetLMSize(width, height);
        // The options changed under a computed rectangle: no zoom.
        EXPECT_EQ(page.GetLMZoom(), 0.0);
        EXPECT_EQ(page.ClientToLMPoint(100, 100), CPoint(0, 0));
        EXPECT_EQ(page.LMToClientPoint(100000, 100000), CPoint(0, 0));
        EXPECT_EQ(page.LMToClientLength(3.0), 0.0);
        // Recomputing is refused; snapping leaves points alone.
        EXPECT_EQ(page.CalcLMRect(), 0);
        EXPECT_TRUE(page.GetLMClientRect().IsRectEmpty());
        CPoint pt(123456, 76543);
        EXPECT_EQ(page.SnapPointToUGrid(pt), CSize());
        EXPECT_EQ(pt, CPoint(123456, 76543));
    }
}

// Negative values keep the sign of the remainder, so they move toward the
// origin's side of the line. With gap 30 the tolerance is 10 dots: at it a
// point stays, just inside it snaps. Within three dots of the far edge a
// point goes onto the last dot; at three dots the grid applies again, and a
// snap onto or past the edge is taken back. No grid, or a gap that is not
// positive, leaves points alone, and the arrow keys then move by one dot.
TEST_F(PageCoordsTest, GridSnappingAndArrowStep) {
    struct {
        int useGrid, gap;
        CPoint in, out;
        int step;
    } cases[] = {
        // clang-format off
        {1, 5, {124999, 125000}, {100000, 150000}, 50000},   {1, 5, {50000, 0}, {50000, 0}, 50000},
        {1, 5, {-30000, -10000}, {0, 0}, 50000},
        {1, 5, {-80000, -70000}, {-50000, -50000}, 50000},
        {1, 30, {400000, 399999}, {400000, 300000}, 300000},
        {1, 30, {500000, 500001}, {500000, 600000}, 300000},
        {1, 5, {3229999, 2429999}, {3190000, 2390000}, 50000},
        {1, 5, {3170001, 2370001}, {3190000, 2390000}, 50000},
        {1, 5, {3170000, 2370000}, {3150000, 2350000}, 50000},
        {1, 5, {3240000, 2440000}, {3240000, 2440000}, 50000},
        {0, 5, {124999, 3180000}, {124999, 3180000}, 10000},
        {1, 0, {124999, 3180000}, {124999, 3180000}, 10000},
        {1, -5, {124999, 3180000}, {124999, 3180000}, 10000},
        {1, 1000000, {0, 0}, {0, 0}, kIntMax},
        // clang-format on
    };
    const CDsgCDinateEVMent page;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.useGrid << " gap " << c.gap << " " << c.in.x);
        Set(GOPT_USE_UGRID, c.useGrid);
        Set(GOPT_LMTIGHT_UGGAP, c.gap);
        CPoint pt = c.in;
        const CSize move = page.SnapPointToUGrid(pt);
        EXPECT_EQ(pt, c.out);
        EXPECT_EQ(move, CSize(c.out.x - c.in.x, c.out.y - c.in.y));
        EXPECT_EQ(page.GetArrowStep(), c.step);
    }
    // A rectangle keeps its size or has both corners snapped.
    Set(GOPT_LMTIGHT_UGGAP, 5);
    for (int keepSize : {1, 0}) {
        CPoint first(62000, 37000), second(100000, 90000);
        page.SnapRectToUGrid(first, second, keepSize);
        EXPECT_EQ(first, CPoint(50000, 50000));
        EXPECT_EQ(second, keepSize ? CPoint(88000, 103000) : CPoint(100000, 100000));
    }
}
