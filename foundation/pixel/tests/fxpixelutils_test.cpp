#include "foundation/pixel/fxpixelutils.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include "foundation/pixel/fxpixeldraw.h"
#include "platform/testing/testsupport.h"

namespace {

using namespace fxpixel;

TEST(FxPixelUtilsTest, ColourForms) {
    const COLORREF colours[][2] = {{LightenColor(0x404040, 50), 0x606060},
                                   {LightenColor(0x404040, 101), 0x404040},
                                   {LightenColor(0x404040, -1), 0x404040},
                                   {LightenColor(0xC01080, 100), 0xFF20FF},
                                   {LightenColorAdditive(0xF01000, 12.5), 0xFF3020},
                                   {DarkenColorAdditive(0x102030, 12.5), 0x000010},
                                   {DarkenColorAdditive(0x102030, 0), 0x102030},
                                   {LightenColorAdditive(0x102030, 100.5), 0x102030}};
    for (size_t i = 0; i < std::size(colours); ++i) EXPECT_EQ(colours[i][0], colours[i][1]) << i;
}

TEST(FxPixelUtilsTest, BoundsAndFitting) {
    for (CPoint p : {CPoint(10, 20), CPoint(30, 20), CPoint(10, 40), CPoint(30, 40)})
        EXPECT_TRUE(IsPointInBounds(p.x, p.y, 10, 20, 30, 40));
    for (CPoint p : {CPoint(9, 20), CPoint(31, 20), CPoint(10, 19), CPoint(10, 41)})
        EXPECT_FALSE(IsPointInBounds(p.x, p.y, 10, 20, 30, 40));
    const CRect b(10, 20, 30, 40);
    EXPECT_EQ(ClampPointToBounds(CPoint(0, 50), b), CPoint(10, 40));
    EXPECT_EQ(ClampRectToBounds(CRect(25, 35, 35, 45), b, TRUE), CRect(20, 30, 30, 40));
    EXPECT_EQ(ClampRectToBounds(CRect(25, 35, 35, 45), b, FALSE), CRect(25, 35, 30, 40));
    EXPECT_EQ(ClampRectToBounds(CRect(0, 0, 100, 100), b, TRUE), b);
    CRect centred;
    EXPECT_EQ(FitSizeKeepingAspect(CSize(400, 200), CSize(100, 100), FALSE, &centred),
              CSize(100, 50));
    EXPECT_EQ(centred, CRect(0, 25, 100, 75));
    EXPECT_EQ(FitSizeKeepingAspect(CSize(20, 40), CSize(100, 100), FALSE), CSize(20, 40));
    EXPECT_EQ(FitSizeKeepingAspect(CSize(20, 40), CSize(100, 100), TRUE), CSize(50, 100));
}

TEST(FxPixelUtilsTest, ChildRectangles) {
    QWidget parent;
    parent.setGeometry(100, 50, 400, 300);
    auto* label = new QLabel(&parent);
    label->setGeometry(10, 10, 20, 20);
    auto* combo = new QComboBox(&parent);
    combo->setGeometry(200, 100, 50, 30);
    auto* check = new QCheckBox(&parent);
    check->setGeometry(40, 250, 10, 10);
    // Screen rectangles, taken relative to the label's.
    const CPoint origin = GetChildWindowsRect(&parent, "static").TopLeft();
    auto relative = [&](CRect r) {
        r.OffsetRect(-origin.x, -origin.y);
        return r;
    };
    EXPECT_EQ(relative(GetChildWindowsRect(&parent)), CRect(0, 0, 240, 250));
    EXPECT_EQ(relative(GetChildWindowsRect(&parent, "combobox|button")), CRect(30, 90, 240, 250));
    EXPECT_TRUE(GetChildWindowsRect(&parent, "listbox").IsRectEmpty());
}

TEST(FxPixelUtilsTest, MemorySurfaceCopiesFramesAndBitmaps) {
    const COLORREF W = RGB(255, 255, 255), R = RGB(255, 0, 0), key = RGB(0, 255, 0),
                   B = RGB(0, 0, 255), K = RGB(0, 0, 0);
    CDC target(4, 1, W);
    CFxMemDC mem(&target, 4, 1);
    const COLORREF drawn[] = {R, key, B, K};
    for (int x = 0; x < 4; ++x) mem.SetPixel(x, 0, drawn[x]);
    auto take = [&] {
        std::vector<COLORREF> row;
        for (int x = 0; x < 4; ++x) row.push_back(target.GetPixel(x, 0));
        target.FillSolidRect(CRect(0, 0, 4, 1), W);
        return row;
    };
    struct Copy {
        COLORREF transparent, own;
        int blend;
        std::vector<COLORREF> row;
    };
    const COLORREF half = 127;  // 255 + (0 - 255) x 128 / 255
    const Copy copies[] = {
        {CLR_NONE, key, 0, {R, key, B, K}},
        {CFxMemDC::kDefaultTransparent, CLR_NONE, 0, {R, key, B, K}},
        {CFxMemDC::kDefaultTransparent, key, 0, {R, W, B, K}},
        {key, CLR_NONE, 0, {R, W, B, K}},
        {B, key, 0, {R, key, W, K}},
        {key,
         key,
         128,
         {RGB(255, half, half), RGB(half, 255, half), RGB(half, half, 255), RGB(half, half, half)}},
        {CLR_NONE, CLR_NONE, 300, {R, key, B, K}},
    };
    for (const Copy& c : copies) {
        mem.SetTransparentColor(c.own);
        mem.BltToTarget(nullptr, nullptr, c.transparent, c.blend);
        EXPECT_EQ(take(), c.row) << c.transparent << " " << c.blend;
    }
    const CRect middle(1, 0, 3, 1);
    mem.BltToTarget(nullptr, &middle, CLR_NONE);
    EXPECT_EQ(take(), (std::vector<COLORREF>{W, R, key, W}));

    QImage bitmap(2, 1, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, ToQRgb(key));
    bitmap.setPixel(1, 0, ToQRgb(R));
    EXPECT_EQ(GetBitmapSize(bitmap), CSize(2, 1));
    EXPECT_EQ(GetBitmapSize(QImage()), CSize(0, 0));
    DrawTransparentBitmap(&target, bitmap, 1, 0, key);
    EXPECT_EQ(take(), (std::vector<COLORREF>{W, W, R, W}));

    // Frames from 0x404040 by 50 percent: the outer edges, then the inner
    // ones at 25 percent.
    struct Frame {
        BOOL raised, additive;
        int outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    const Frame frames[] = {
        {TRUE, FALSE, 96, 32, 80, 48}, {TRUE, TRUE, 192, 0, 128, 0}, {FALSE, TRUE, 0, 192, 0, 128}};
    for (const Frame& f : frames) {
        CDC dc(4, 4);
        Draw3dFrame(&dc, CRect(0, 0, 4, 4), RGB(64, 64, 64), 50, f.raised, TRUE, f.additive);
        const auto grey = [](int v) { return RGB(v, v, v); };
        EXPECT_EQ(dc.GetPixel(0, 0), grey(f.outerTopLeft)) << f.additive;
        EXPECT_EQ(dc.GetPixel(3, 3), grey(f.outerBottomRight)) << f.additive;
        EXPECT_EQ(dc.GetPixel(1, 1), grey(f.innerTopLeft)) << f.additive;
        EXPECT_EQ(dc.GetPixel(2, 2), grey(f.innerBottomRight)) << f.additive;
    }
}

TEST(FxPixelUtilsTest, SortingAndFiles) {
    std::vector<int> n{3, 1, 2}, values{10, 20, 30};
    const std::vector<int> keys{2, 0, 1}, shortKeys{1};
    EXPECT_TRUE(SortNumbers(n, TRUE));
    EXPECT_EQ(n, (std::vector<int>{3, 2, 1}));
    EXPECT_TRUE(SortNumbers(values, FALSE, &keys));
    EXPECT_EQ(values, (std::vector<int>{20, 30, 10}));
    EXPECT_FALSE(SortNumbers(values, FALSE, &shortKeys));
    const std::string folder = testsupport::MakeTempFolder();
    testsupport::WriteFileBytes(folder + "/f", "x");
    EXPECT_TRUE(FileExists(folder + "/f") && FileExists(folder));
    EXPECT_FALSE(FileExists(folder + "/none") || FileExists(""));
}

}  // namespace
