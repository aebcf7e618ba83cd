// Arcs against the ellipse outline, the phase of dashed pens, text that can
// be thresholded, and the clipboard.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <set>

#include "platform/clipboard.h"
#include "platform/dc.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::string Row(const CDC& dc, int y, int width) {
    std::string row;
    for (int x = 0; x < width; ++x) row += dc.GetPixel(x, y) == kBlack ? '#' : '.';
    return row;
}

std::set<std::pair<int, int>> Inked(const CDC& dc) {
    std::set<std::pair<int, int>> out;
    const CSize size = dc.GetSize();
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (dc.GetPixel(x, y) == kBlack) out.insert({x, y});
    return out;
}

TEST(DcArcTest, WholeArcEqualsTheEllipseOutline) {
    const CRect rects[] = {{0, 0, 1, 1},   {0, 0, 2, 2},   {0, 0, 5, 5},
                           {0, 0, 6, 4},   {1, 2, 17, 9},  {0, 0, 3, 12},
                           {0, 0, 33, 17}, {2, 1, 40, 40}, {10, 10, 0, 0}};  // given backwards
    for (int width : {1, 2}) {
        for (const CRect& r : rects) {
            SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                         std::to_string(r.right) + "," + std::to_string(r.bottom) + " pen " +
                         std::to_string(width));
            CDC ellipse(48, 48), arc(48, 48);
            ellipse.SelectPen(Pen(PS_SOLID, width, kBlack));
            ellipse.SelectBrush(Brush(kWhite));
            ellipse.Ellipse(r);
            arc.SelectPen(Pen(PS_SOLID, width, kBlack));
            const CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            arc.Arc(r, centre, centre);
            EXPECT_EQ(Inked(arc), Inked(ellipse));
            // Radials of one direction away from the centre: the whole outline too.
            CDC same(48, 48);
            same.SelectPen(Pen(PS_SOLID, width, kBlack));
            same.Arc(r, CPoint(100, centre.y), CPoint(200, centre.y));
            EXPECT_EQ(Inked(same), Inked(ellipse));
        }
    }
}

TEST(DcArcTest, PartialArcsRunCounterClockwise) {
    // 0 degrees is to the right, 90 up (the picture's y grows downwards).
    const CRect r(0, 0, 21, 21);
    CDC whole(21, 21);
    whole.SelectPen(Pen(PS_SOLID, 1, kBlack));
    whole.Arc(r, CPoint(10, 10), CPoint(10, 10));
    struct Case {
        CPoint start, end;
        int quadrant;  // 0 top-right, 1 top-left, 2 bottom-left, 3 bottom-right
    } cases[] = {
        {{30, 10}, {10, -20}, 0},
        {{10, -20}, {-20, 10}, 1},
        {{-20, 10}, {10, 40}, 2},
        {{10, 40}, {30, 10}, 3},
    };
    for (const Case& c : cases) {
        CDC arc(21, 21);
        arc.SelectPen(Pen(PS_SOLID, 1, kBlack));
        arc.Arc(r, c.start, c.end);
        const auto inked = Inked(arc);
        ASSERT_FALSE(inked.empty()) << c.quadrant;
        for (auto [x, y] : inked) {
            EXPECT_TRUE(Inked(whole).count({x, y})) << x << "," << y;
            // Pixels on the axes belong to both sides.
            const bool right = x >= 10, left = x <= 10, top = y <= 10, bottom = y >= 10;
            const bool inQuadrant =
                (c.quadrant == 0 && right && top) || (c.quadrant == 1 && left && top) ||
                (c.quadrant == 2 && left && bottom) || (c.quadrant == 3 && right && bottom);
            EXPECT_TRUE(inQuadrant) << c.quadrant << ": " << x << "," << y;
        }
        // Roughly a quarter of the outline.
        EXPECT_NEAR(static_cast<double>(inked.size()), Inked(whole).size() / 4.0,
                    Inked(whole).size() / 10.0);
    }
    CDC none(21, 21);
    none.SelectPen(Pen::Null());
    none.Arc(r, CPoint(10, 10), CPoint(10, 10));
    EXPECT_TRUE(Inked(none).empty());
}

TEST(DcLineTest, DashPhaseShiftsUserDashes) {
    struct Case {
        int phase;
        const char* row;
    } cases[] = {
        {0, "###..###..###..#"},  {1, "##..###..###..##"}, {2, "#..###..###..###"},
        {4, ".###..###..###.."},  {5, "###..###..###..#"}, {-1, ".###..###..###.."},
        {12, "#..###..###..###"},
    };
    for (const Case& c : cases) {
        CDC dc(16, 2);
        Pen pen = Pen::Geometric(PS_USERSTYLE, 1, kBlack, PS_ENDCAP_FLAT, {3, 2});
        pen.dashPhase = c.phase;
        dc.SelectPen(pen);
        dc.MoveTo(0, 0);
        dc.LineTo(16, 0);
        EXPECT_EQ(Row(dc, 0, 16), c.row) << c.phase;
    }
    // The outline of a rectangle starts at its top-left corner with the phase.
    CDC box(8, 8);
    Pen pen = Pen::Geometric(PS_USERSTYLE, 1, kBlack, PS_ENDCAP_FLAT, {3, 2});
    pen.dashPhase = 3;
    box.SelectPen(pen);
    box.SelectBrush(Brush::Null());
    box.Rectangle(CRect(0, 0, 8, 8));
    EXPECT_EQ(Row(box, 0, 8), "..###..#");
}

TEST(DcTextTest, PlainTextHasOnlyTheTextColour) {
    for (BYTE quality : {DEFAULT_QUALITY, NONANTIALIASED_QUALITY}) {
        CDC dc(200, 40, kBlack);
        FontSpec font;
        font.face = "Arial";
        font.height = 30;
        font.quality = quality;
        dc.SelectFont(font);
        dc.SetTextColor(kWhite);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(2, 2, std::string("Wave &Oslash; 123"));
        std::set<COLORREF> colours;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x) colours.insert(dc.GetPixel(x, y));
        EXPECT_EQ(colours, (std::set<COLORREF>{kBlack, kWhite})) << int(quality);
    }
    // Asking for smoothing still gives it.
    CDC smooth(200, 40, kBlack);
    FontSpec font;
    font.face = "Arial";
    font.height = 30;
    font.quality = ANTIALIASED_QUALITY;
    smooth.SelectFont(font);
    smooth.SetTextColor(kWhite);
    smooth.SetBkMode(TRANSPARENT);
    smooth.TextOut(2, 2, std::string("Wave"));
    std::set<COLORREF> colours;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) colours.insert(smooth.GetPixel(x, y));
    EXPECT_GT(colours.size(), 2u);
}

TEST(ClipboardTest, ImageAndTextRoundTrip) {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(1, 2, 0xFF123456);
    ASSERT_TRUE(SetClipboardImage(image));
    CSize size;
    ASSERT_TRUE(IsClipboardImageAvailable(&size));
    EXPECT_EQ(size, CSize(5, 3));
    const std::optional<QImage> back = GetClipboardImage();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pixel(1, 2), 0xFF123456u);
    EXPECT_EQ(back->format(), QImage::Format_RGB32);
    EXPECT_FALSE(SetClipboardImage(QImage()));

    ASSERT_TRUE(SetClipboardText("DEFCHR &HDB30"));
    EXPECT_EQ(GetClipboardText().value_or(""), "DEFCHR &HDB30");
    EXPECT_FALSE(IsClipboardImageAvailable());
    EXPECT_FALSE(IsClipboardImageOffered());
    EXPECT_FALSE(GetClipboardImage().has_value());
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_FALSE(GetClipboardText().has_value());
}

TEST(ClipboardTest, ForeignBitmapsAreSizedBeforeDecoding) {
    // A bitmap from another program arrives encoded; one over the limit is
    // refused by its header alone.
    QImage big(300, 200, QImage::Format_RGB32);
    big.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(big.save(&buffer, "PNG"));
    auto* mime = new QMimeData;
    mime->setData("image/png", png);
    QGuiApplication::clipboard()->setMimeData(mime);
    CSize size;
    EXPECT_TRUE(IsClipboardImageAvailable(&size));
    EXPECT_EQ(size, CSize(300, 200));
    EXPECT_TRUE(GetClipboardImage(300 * 200).has_value());
    EXPECT_FALSE(GetClipboardImage(300 * 200 - 1).has_value());
    // Bytes that claim to be a picture but are not.
    auto* broken = new QMimeData;
    broken->setData("image/png", QByteArray("\x89PNG\r\n\x1a\n garbage"));
    QGuiApplication::clipboard()->setMimeData(broken);
    EXPECT_FALSE(GetClipboardImage().has_value());
    EXPECT_FALSE(IsClipboardImageAvailable());
    // Offered all the same: only reading it tells.
    EXPECT_TRUE(IsClipboardImageOffered());
}

}  // namespace
