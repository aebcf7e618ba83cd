#include "platform/dc.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <string>
#include <vector>

#include "platform/tests/dctesting.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

using dctesting::InkBox;
using dctesting::Picture;
using dctesting::Rows;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

FontSpec Face(const char* face, LONG height) {
    FontSpec spec;
    spec.face = face;
    spec.height = height;
    return spec;
}

TEST(DcShapeTest, RectangleCoversLeftToRightMinusOne) {
    CDC dc(10, 10), reversed(10, 10);
    for (CDC* d : {&dc, &reversed}) {
        d->SelectPen(Pen(PS_SOLID, 1, kBlack));
        d->SelectBrush(Brush(kRed));
    }
    dc.Rectangle(CRect(1, 1, 7, 6));
    EXPECT_EQ(Picture(dc, CRect(0, 0, 10, 7), kBlack),
              Rows("..........|.######...|.#????#...|.#????#...|.#????#...|.######...|.........."));
    EXPECT_EQ(dc.GetPixel(3, 3), kRed);
    // A reversed rectangle is the same rectangle.
    reversed.Rectangle(CRect(7, 6, 1, 1));
    EXPECT_EQ(reversed.Image(), dc.Image());
}

TEST(DcShapeTest, PenWidthDrawsInsideAndNullPenShrinksTheFill) {
    CDC dc(8, 8);
    dc.SelectPen(Pen(PS_SOLID, 2, kBlack));
    dc.SelectBrush(Brush::Null());
    dc.Rectangle(CRect(0, 0, 6, 6));
    EXPECT_EQ(Picture(dc, CRect(0, 0, 7, 7), kBlack),
              Rows("######.|######.|##..##.|##..##.|######.|######.|......."));

    CDC fill(6, 6);
    fill.SelectPen(Pen::Null());
    fill.SelectBrush(Brush(kBlue));
    fill.Rectangle(CRect(1, 1, 5, 5));
    EXPECT_EQ(Picture(fill, CRect(0, 0, 6, 6), kBlue),
              Rows("......|.###..|.###..|.###..|......|......"));
}

TEST(DcShapeTest, SmallEllipseTouchesItsBox) {
    CDC dc(7, 7);
    dc.SelectPen(Pen(PS_SOLID, 1, kBlack));
    dc.SelectBrush(Brush::Null());
    dc.Ellipse(CRect(1, 1, 6, 6));
    EXPECT_EQ(Picture(dc, CRect(0, 0, 7, 7), kBlack),
              Rows(".......|..###..|.#...#.|.#...#.|.#...#.|..###..|......."));
}

TEST(DcShapeTest, EllipseBoundsFillAndSymmetry) {
    for (const CRect box :
         {CRect(10, 10, 31, 21), CRect(3, 4, 5, 20), CRect(2, 2, 42, 42), CRect(5, 5, 6, 6)}) {
        CDC dc(50, 50);
        dc.SelectPen(Pen(PS_SOLID, 1, kBlack));
        dc.SelectBrush(Brush(kRed));
        dc.Ellipse(box);
        EXPECT_EQ(InkBox(dc), box) << box.left << "," << box.top;
        // Mirror symmetry in both axes.
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) {
                const COLORREF c = dc.GetPixel(x, y);
                EXPECT_EQ(c, dc.GetPixel(box.left + box.right - 1 - x, y));
                EXPECT_EQ(c, dc.GetPixel(x, box.top + box.bottom - 1 - y));
            }
    }
    CDC dc(50, 50);
    dc.SelectPen(Pen(PS_SOLID, 3, kBlack));
    dc.SelectBrush(Brush(kRed));
    dc.Ellipse(CRect(2, 2, 42, 42));
    EXPECT_EQ(dc.GetPixel(21, 21), kRed);
    EXPECT_EQ(dc.GetPixel(2, 21), kBlack);
    EXPECT_EQ(dc.GetPixel(4, 21), kBlack);  // three pixels of pen
    EXPECT_EQ(dc.GetPixel(5, 21), kRed);
    EXPECT_EQ(dc.GetPixel(41, 21), kBlack);
    EXPECT_EQ(dc.GetPixel(42, 21), kWhite);
}

TEST(DcLineTest, CosmeticLinesLeaveOutTheEndPixel) {
    CDC dc(8, 8);
    dc.SelectPen(Pen(PS_SOLID, 1, kBlack));
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    dc.MoveTo(0, 3);
    dc.LineTo(3, 6);
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(3, 6));
    EXPECT_EQ(Picture(dc, CRect(0, 0, 8, 7), kBlack),
              Rows("........|.####...|........|#.......|.#......|..#.....|........"));
}

TEST(DcLineTest, GeometricCapsKeepTheEndPixel) {
    CDC dc(8, 3);
    dc.SelectPen(Pen::Geometric(PS_SOLID, 1, kBlack, PS_ENDCAP_SQUARE));
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    EXPECT_EQ(Picture(dc, CRect(0, 1, 8, 2), kBlack)[0], ".#####..");
    dc.SelectPen(Pen::Geometric(PS_SOLID, 1, kRed, PS_ENDCAP_FLAT));
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    EXPECT_EQ(Picture(dc, CRect(0, 1, 8, 2), kRed)[0], ".####?..");
}

TEST(DcLineTest, StockStylesAndUserDashes) {
    CDC dc(40, 6);
    dc.SelectPen(Pen(PS_DOT, 1, kBlack));
    dc.MoveTo(0, 0);
    dc.LineTo(14, 0);
    dc.SelectPen(Pen::Geometric(PS_USERSTYLE, 1, kBlack, PS_ENDCAP_FLAT, {2, 3}));
    dc.MoveTo(0, 2);
    dc.LineTo(13, 2);
    // A wide cosmetic pen ignores its style.
    dc.SelectPen(Pen(PS_DASH, 2, kBlack));
    dc.MoveTo(0, 4);
    dc.LineTo(30, 4);
    const auto pic = Picture(dc, CRect(0, 0, 40, 6), kBlack);
    EXPECT_EQ(pic[0], "###...###...##..........................");
    EXPECT_EQ(pic[2], "##...##...##............................");
    EXPECT_EQ(pic[4].substr(0, 30), std::string(30, '#'));
}

TEST(DcLineTest, WideDashedPenWithFlatAndSquareCaps) {
    // Rows 2 to 6 of a 3-wide dashed line drawn along row 4 from x 2 to 23.
    auto dashed = [](int cap, DWORD gap) {
        CDC dc(30, 9);
        dc.SelectPen(Pen::Geometric(PS_USERSTYLE, 3, kBlack, cap, {3, gap}));
        dc.MoveTo(2, 4);
        dc.LineTo(23, 4);
        return Picture(dc, CRect(0, 2, 30, 7), kBlack);
    };
    const std::string none(30, '.');
    auto band = [&none](const std::string& row) { return std::vector{none, row, row, row, none}; };
    EXPECT_EQ(dashed(PS_ENDCAP_FLAT, 6), band("..###......###......###......."));
    // Each dash grows by half the pen width at both ends; a gap of 0 is a solid line.
    EXPECT_EQ(dashed(PS_ENDCAP_SQUARE, 6), band(".######...######...######....."));
    EXPECT_EQ(dashed(PS_ENDCAP_SQUARE, 0), band(".########################....."));
}

// A picture with some variety to draw over.
void Scribble(CDC& dc) {
    const CSize s = dc.GetSize();
    for (int y = 0; y < s.cy; ++y)
        for (int x = 0; x < s.cx; ++x) dc.SetPixel(x, y, RGB(x * 13, y * 29, (x * y) & 0xFF));
}

TEST(DcRasterTest, NotXorDrawnTwiceRestoresThePicture) {
    CDC dc(20, 20);
    Scribble(dc);
    const QImage before = dc.Image().copy();
    dc.SetROP2(R2_NOTXORPEN);
    for (int pass = 0; pass < 2; ++pass) {
        dc.SelectPen(Pen(PS_SOLID, 3, RGB(10, 200, 30)));
        dc.MoveTo(2, 3);
        dc.LineTo(17, 15);
        dc.SelectPen(Pen(PS_SOLID, 1, RGB(90, 0, 200)));
        dc.SelectBrush(Brush::Null());
        dc.Rectangle(CRect(1, 1, 19, 12));
        if (pass == 0) {
            EXPECT_NE(dc.Image(), before);
            // Black pen under NOT-XOR inverts: check one pixel of the thin frame.
            const COLORREF was = FromQRgb(before.pixel(1, 5));
            EXPECT_EQ(dc.GetPixel(1, 5), (~(RGB(90, 0, 200) ^ was)) & 0xFFFFFF);
        }
    }
    EXPECT_EQ(dc.Image(), before);
}

TEST(DcRasterTest, XorInvertAndFocusFrames) {
    CDC dc(12, 12);
    Scribble(dc);
    const QImage before = dc.Image().copy();
    dc.InvertRect(CRect(2, 2, 6, 6));
    EXPECT_EQ(dc.GetPixel(2, 2), (~FromQRgb(before.pixel(2, 2))) & 0xFFFFFF);
    EXPECT_EQ(dc.GetPixel(6, 6), FromQRgb(before.pixel(6, 6)));
    dc.InvertRect(CRect(2, 2, 6, 6));
    EXPECT_EQ(dc.Image(), before);

    CDC white(8, 6);
    white.DrawFocusRect(CRect(1, 1, 7, 5));
    EXPECT_EQ(Picture(white, CRect(0, 0, 8, 6), kBlack),
              Rows("........|.#.#.#..|......#.|.#......|..#.#.#.|........"));
    white.DrawFocusRect(CRect(1, 1, 7, 5));
    EXPECT_EQ(InkBox(white), CRect());

    dc.SetROP2(R2_XORPEN);
    dc.SelectPen(Pen(PS_SOLID, 1, RGB(0x0F, 0xF0, 0x55)));
    dc.MoveTo(0, 7);
    dc.LineTo(12, 7);
    EXPECT_EQ(dc.GetPixel(4, 7), FromQRgb(before.pixel(4, 7)) ^ RGB(0x0F, 0xF0, 0x55));
}

TEST(DcRasterTest, Draw3dRectEdges) {
    CDC dc(6, 5);
    dc.Draw3dRect(CRect(0, 0, 5, 4), kBlack, kRed);
    EXPECT_EQ(Picture(dc, CRect(0, 0, 6, 5), kBlack), Rows("####?.|#...?.|#...?.|?????.|......"));
    EXPECT_EQ(dc.GetPixel(4, 0), kRed);
    EXPECT_EQ(dc.GetPixel(0, 3), kRed);
}

TEST(DcRasterTest, FillFrameAndHatch) {
    CDC dc(10, 10);
    dc.FillRect(CRect(2, 2, 5, 4), Brush(kBlue));
    dc.FrameRect(CRect(6, 6, 9, 9), Brush(kBlack));
    EXPECT_EQ(Picture(dc, CRect(0, 0, 10, 10), kBlue)[2], "..###.....");
    EXPECT_EQ(dc.GetPixel(5, 3), kWhite);
    EXPECT_EQ(Picture(dc, CRect(6, 6, 10, 10), kBlack), Rows("###.|#.#.|###.|...."));

    CDC hatch(8, 8);
    hatch.SetBkMode(TRANSPARENT);
    hatch.FillRect(CRect(0, 0, 8, 8), Brush::Hatched(HS_CROSS, kBlack));
    int inked = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) inked += hatch.GetPixel(x, y) == kBlack;
    EXPECT_EQ(inked, 15);  // one row and one column of the 8 x 8 cell
}

TEST(DcRasterTest, BitBltOperations) {
    CDC src(4, 4);
    Scribble(src);
    CDC dst(8, 8, kRed);
    dst.BitBlt(2, 3, 4, 4, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.GetPixel(2, 3), src.GetPixel(0, 0));
    EXPECT_EQ(dst.GetPixel(5, 6), src.GetPixel(3, 3));
    EXPECT_EQ(dst.GetPixel(6, 6), kRed);
    EXPECT_EQ(dst.GetPixel(1, 3), kRed);

    const QImage before = dst.Image().copy();
    dst.BitBlt(0, 0, 4, 4, src, 0, 0, SRCINVERT);
    EXPECT_EQ(dst.GetPixel(1, 1), src.GetPixel(1, 1) ^ kRed);
    dst.BitBlt(0, 0, 4, 4, src, 0, 0, SRCINVERT);
    EXPECT_EQ(dst.Image(), before);

    CDC masked(4, 4, RGB(0x33, 0x66, 0x99));
    masked.BitBlt(0, 0, 4, 4, src, 0, 0, SRCAND);
    EXPECT_EQ(masked.GetPixel(2, 1), src.GetPixel(2, 1) & RGB(0x33, 0x66, 0x99));
    masked.BitBlt(0, 0, 4, 4, src, 0, 0, DSTINVERT);
    EXPECT_EQ(masked.GetPixel(2, 1), ~(src.GetPixel(2, 1) & RGB(0x33, 0x66, 0x99)) & 0xFFFFFF);
    masked.BitBlt(0, 0, 2, 2, src, 0, 0, BLACKNESS);
    EXPECT_EQ(masked.GetPixel(1, 1), kBlack);
}

TEST(DcRasterTest, ClipKeepsDrawingInside) {
    CDC dc(10, 10);
    const CRect clip(2, 2, 5, 5);
    dc.SelectClipRect(&clip);
    dc.FillRect(CRect(0, 0, 10, 10), Brush(kBlack));
    EXPECT_EQ(InkBox(dc), clip);
    dc.IntersectClipRect(CRect(8, 8, 9, 9));  // disjoint: nothing left
    dc.FillRect(CRect(0, 0, 10, 10), Brush(kRed));
    EXPECT_EQ(dc.GetPixel(8, 8), kWhite);
    dc.SelectClipRect(nullptr);
    dc.SetPixel(9, 9, kRed);
    EXPECT_EQ(dc.GetPixel(9, 9), kRed);
    // An empty clip rectangle is a clip that admits nothing, on every path.
    const CRect empty(4, 4, 4, 9);
    dc.SelectClipRect(&empty);
    const QImage before = dc.Image().copy();
    dc.FillRect(CRect(0, 0, 10, 10), Brush(kBlack));
    dc.TextOut(0, 0, std::string("W"));
    QImage ink(1, 1, QImage::Format_RGB32);
    ink.fill(Qt::black);
    dc.StretchImage(CRect(0, 0, 10, 10), ink);
    EXPECT_EQ(dc.Image(), before);
}

TEST(DcRasterTest, ClipBoxVisibilityAndRestore) {
    struct Case {
        std::vector<CRect> narrowing;  // IntersectClipRect in turn
        CRect box;                     // empty: NULLREGION
    };
    const Case cases[] = {
        {{}, CRect(0, 0, 10, 8)},
        {{CRect(-3, 5, 4, 20)}, CRect(0, 5, 4, 8)},
        {{CRect(1, 1, 9, 7), CRect(4, 0, 12, 3)}, CRect(4, 1, 9, 3)},
        {{CRect(1, 1, 3, 3), CRect(5, 5, 6, 6)}, CRect(0, 0, 0, 0)},
        {{CRect(20, 20, 30, 30)}, CRect(0, 0, 0, 0)},
        {{CRect(3, 3, 3, 6)}, CRect(0, 0, 0, 0)},  // empty: admits nothing
    };
    for (const Case& c : cases) {
        CDC dc(10, 8);
        for (const CRect& r : c.narrowing) dc.IntersectClipRect(r);
        CRect box(7, 7, 7, 7);
        const bool none = c.box.IsRectEmpty();
        EXPECT_EQ(dc.GetClipBox(box), none ? NULLREGION : SIMPLEREGION);
        EXPECT_EQ(box, c.box);
        // Visible: sharing a pixel with the box (reversed or not); touching is not enough.
        EXPECT_EQ(
            dc.RectVisible(CRect(c.box.right, c.box.bottom, c.box.right - 1, c.box.bottom - 1)),
            !none);
        EXPECT_FALSE(dc.RectVisible(CRect(c.box.right, c.box.top, c.box.right + 5, c.box.bottom)));
    }
    // A saved clip comes back exactly, a narrower one as well as "nothing".
    CDC dc(10, 10);
    const CRect narrow(2, 3, 4, 9);
    dc.SelectClipRect(&narrow);
    const CDC::ClipState saved = dc.SaveClip();
    dc.IntersectClipRect(CRect(6, 6, 8, 8));
    dc.RestoreClip(saved);
    dc.FillRect(CRect(0, 0, 10, 10), Brush(kBlack));
    EXPECT_EQ(InkBox(dc), narrow);
    dc.IntersectClipRect(CRect(0, 0, 1, 1));
    const CDC::ClipState none = dc.SaveClip();
    dc.SelectClipRect(nullptr);
    dc.RestoreClip(none);
    dc.SetPixel(3, 4, kRed);
    EXPECT_EQ(dc.GetPixel(3, 4), kBlack);
}

TEST(DcRasterTest, StretchBltNearestNeighbourAndRasterOperations) {
    // A 2 x 3 source of greys 10, 20, ... 60: destination column i takes
    // source column floor(i * 2 / 3), row j source row floor(j * 3 / 5).
    QImage src(2, 3, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i) src.setPixel(i % 2, i / 2, qRgb(10 * (i + 1), 0, 0));
    auto reds = [](const CDC& dc, int w, int h) {
        std::string out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out += static_cast<char>('0' + GetRValue(dc.GetPixel(x, y)) / 10);
        return out;
    };
    CDC dc(4, 6, RGB(90, 0, 0));
    dc.StretchBlt(0, 0, 3, 5, src, 0, 0, 2, 3, SRCCOPY);
    EXPECT_EQ(reds(dc, 4, 6),
              "1129"
              "1129"
              "3349"
              "3349"
              "5569"
              "9999");
    // Part of the source, reaching beyond it (black), cut at the clip.
    const CRect clip(1, 0, 4, 6);
    dc.SelectClipRect(&clip);
    dc.StretchBlt(0, 0, 4, 1, src, 1, 2, 2, 1, SRCCOPY);
    EXPECT_EQ(reds(dc, 4, 1), "1600");
    const QImage before = dc.Image().copy();
    dc.StretchBlt(0, 0, 0, 3, src, 0, 0, 2, 3, SRCCOPY);
    dc.StretchBlt(0, 0, 3, 3, src, 0, 0, 2, -3, SRCCOPY);
    EXPECT_EQ(dc.Image(), before);

    const COLORREF s = RGB(0xF0, 0x3C, 0x5A), d = RGB(0x0F, 0x33, 0xFF), p = RGB(0x81, 0x42, 0x18);
    const std::pair<DWORD, COLORREF> table[] = {
        {SRCCOPY, s},       {SRCAND, s & d},    {SRCINVERT, s ^ d},      {SRCPAINT, s | d},
        {SRCERASE, s & ~d}, {NOTSRCCOPY, ~s},   {NOTSRCERASE, ~(s | d)}, {MERGEPAINT, ~s | d},
        {PATCOPY, p},       {PATINVERT, p ^ d}, {DSTINVERT, ~d},         {BLACKNESS, 0},
        {WHITENESS, ~0u},
    };
    QImage one(1, 1, QImage::Format_RGB32);
    one.setPixel(0, 0, ToQRgb(s));
    for (const auto& [rop, want] : table) {
        CDC target(3, 3, d);
        target.SelectBrush(Brush(p));
        target.StretchBlt(0, 0, 2, 2, one, 0, 0, 1, 1, rop);
        EXPECT_EQ(target.GetPixel(1, 1), want & 0xFFFFFF) << std::hex << rop;
        EXPECT_EQ(target.GetPixel(2, 2), d) << std::hex << rop;
    }
    // A surface onto itself reads the picture as it was.
    CDC self(4, 1);
    self.SetPixel(0, 0, kRed);
    self.SetPixel(1, 0, kBlue);
    self.StretchBlt(0, 0, 4, 1, self, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(self.GetPixel(2, 0), kBlue);
}

TEST(DcImageTest, TransparentAndDisabledImages) {
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(ToQRgb(RGB(255, 0, 255)));
    img.setPixel(0, 0, ToQRgb(kBlack));
    img.setPixel(2, 1, ToQRgb(RGB(250, 250, 250)));  // light: not ink when disabled
    CDC dc(6, 6, kRed);
    dc.DrawTransparentImage(1, 1, img, RGB(255, 0, 255));
    EXPECT_EQ(dc.GetPixel(1, 1), kBlack);
    EXPECT_EQ(dc.GetPixel(2, 1), kRed);
    EXPECT_EQ(dc.GetPixel(3, 2), RGB(250, 250, 250));

    CDC off(6, 6, kRed);
    off.DrawDisabledImage(1, 1, img, RGB(255, 0, 255));
    EXPECT_EQ(off.GetPixel(1, 1), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(off.GetPixel(2, 2), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(off.GetPixel(3, 2), kRed);
    EXPECT_EQ(off.GetPixel(2, 1), kRed);
}

TEST(DcFontTest, FaceSubstitution) {
    // Each face the names map to; installed faces stay, unknown ones get the default.
    const std::pair<const char*, std::vector<const char*>> table[] = {
        {"NanumGothic", {"굴림", "돋움", "Dotum"}},
        {"NanumMyeongjo", {"바탕", "궁서", "batang"}},
        {"Liberation Sans", {"Arial", "TAHOMA", "MS Sans Serif"}},
        {"Liberation Mono", {"Courier New"}},
        {"Liberation Serif", {"Times New Roman"}},
        {"DejaVu Sans", {"No Such Face", ""}},
        {"NanumGothicCoding", {"NanumGothicCoding"}}};
    for (const auto& [installed, faces] : table)
        for (const char* face : faces)
            EXPECT_EQ(SubstituteFace(QString::fromUtf8(face)), installed) << face;
    EXPECT_EQ(PointsToHeight(9), -12);
    EXPECT_EQ(PointsToHeight(14), -19);
}

TEST(DcFontTest, DialogUnitsScaleByTheFontsBaseUnitsRounded) {
    // Base units 6 x 12: a quarter of the width and an eighth of the height
    // per unit, each edge on its own, halves rounded away from zero.
    struct Case {
        CRect units, pixels;
    };
    const Case cases[] = {
        {CRect(0, 0, 4, 8), CRect(0, 0, 6, 12)},
        {CRect(1, 1, 3, 5), CRect(2, 2, 5, 8)},  // 1.5 -> 2, 4.5 -> 5, 7.5 -> 8
        {CRect(72, 3, 105, 16), CRect(108, 5, 158, 24)},
        {CRect(-1, -1, 0, 0), CRect(-2, -2, 0, 0)},
    };
    for (const Case& c : cases) {
        const CRect r = MapDialogRect(c.units, CSize(6, 12));
        EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
                  std::vector<LONG>({c.pixels.left, c.pixels.top, c.pixels.right, c.pixels.bottom}))
            << c.units.left << "," << c.units.top;
    }
    // The base units follow the face and size: wider and taller for a bigger font.
    const CSize small = GetDialogBaseUnits(Face("Arial", PointsToHeight(8)));
    const CSize big = GetDialogBaseUnits(Face("Arial", PointsToHeight(16)));
    EXPECT_GE(small.cx, 4);
    EXPECT_GE(small.cy, 11);
    EXPECT_GT(big.cx, small.cx);
    EXPECT_GT(big.cy, small.cy);
}

TEST(DcFontTest, HeightsWidthsAndWeights) {
    FontSpec spec = Face("Arial", -16);
    EXPECT_EQ(MakeFont(spec).pixelSize(), 16);
    EXPECT_EQ(QFontInfo(MakeFont(spec)).family(), "Liberation Sans");

    CDC dc(10, 10);
    for (LONG cell : {12, 16, 24, 48}) {
        spec.height = cell;
        dc.SelectFont(spec);
        const TextMetrics tm = dc.GetTextMetrics();
        EXPECT_LE(tm.height, cell);
        EXPECT_GE(tm.height, cell - 2) << cell;
        EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    }
    spec.height = -16;
    dc.SelectFont(spec);
    const LONG natural = dc.GetTextExtent(std::string("abcdefgh")).cx;
    spec.width = dc.GetTextMetrics().aveCharWidth * 2;
    dc.SelectFont(spec);
    EXPECT_GT(dc.GetTextExtent(std::string("abcdefgh")).cx, natural * 3 / 2);
    spec.width = 0;
    spec.weight = FW_BOLD;
    EXPECT_EQ(MakeFont(spec).weight(), QFont::Bold);
}

TEST(DcTextTest, TextIsPlacedByItsCellTop) {
    FontSpec spec = Face("Arial", -16);
    for (int y : {0, 5, 20}) {
        CDC dc(60, 50);
        dc.SelectFont(spec);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(10, y, std::string("HgH"));
        const TextMetrics tm = dc.GetTextMetrics();
        const CRect ink = InkBox(dc);
        ASSERT_FALSE(ink.IsRectEmpty());
        EXPECT_GE(ink.top, y);
        EXPECT_LE(ink.top, y + tm.internalLeading + 3);  // capitals start near the cell top
        EXPECT_LE(ink.bottom, y + tm.height);
        EXPECT_GT(ink.bottom, y + tm.ascent);  // the descender of g
        EXPECT_GE(ink.left, 10);
        EXPECT_LE(ink.right, 10 + dc.GetTextExtent(std::string("HgH")).cx + 1);
    }
    // Opaque mode fills the cell with the background colour.
    CDC dc(60, 40);
    dc.SelectFont(spec);
    dc.SetBkColor(kBlue);
    dc.SetTextColor(kRed);
    dc.TextOut(5, 5, std::string("x"));
    const CSize extent = dc.GetTextExtent(std::string("x"));
    EXPECT_EQ(dc.GetPixel(5, 5), kBlue);
    EXPECT_EQ(dc.GetPixel(5 + extent.cx - 1, 5 + extent.cy - 1), kBlue);
    EXPECT_EQ(dc.GetPixel(5 + extent.cx, 5), kWhite);
    EXPECT_EQ(dc.GetPixel(5, 5 + extent.cy), kWhite);
}

TEST(DcTextTest, KoreanTextRendersWithANanumFace) {
    CDC dc(80, 30);
    dc.SelectFont(Face("Dotum", -16));
    EXPECT_EQ(QFontInfo(MakeFont(Face("Dotum", -16))).family(), "NanumGothic");
    dc.TextOut(2, 2, QString::fromUtf8("한글"));
    EXPECT_GT(InkBox(dc).Width(), 20);  // two full-width characters

    // The system's own bytes, face name included.
    const std::string hangul = "\xC7\xD1\xB1\xDB";         // "한글" in the system code page
    const FontSpec gulim = Face("\xB1\xBC\xB8\xB2", -16);  // "굴림"
    EXPECT_EQ(QFontInfo(MakeFont(gulim)).family(), "NanumGothic");
    CDC ansi(80, 30);
    ansi.SelectFont(gulim);
    ansi.TextOut(2, 2, hangul);
    EXPECT_EQ(ansi.Image(), dc.Image());
}

TEST(DcTextTest, DrawTextAlignment) {
    FontSpec spec = Face("Arial", -14);
    auto draw = [&](UINT format) {
        CDC dc(100, 40);
        dc.SelectFont(spec);
        dc.SetBkMode(TRANSPARENT);
        CRect r(0, 0, 100, 40);
        dc.DrawText(std::string("Ab"), r, format);
        return InkBox(dc);
    };
    const CRect left = draw(DT_SINGLELINE);
    const CRect centre = draw(DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    const CRect right = draw(DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_LE(left.left, 2);
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 50, 2);
    EXPECT_NEAR((centre.top + centre.bottom) / 2.0, 20, 3);
    EXPECT_GE(right.right, 97);
    EXPECT_LE(right.right, 100);
    EXPECT_GT(right.top, 20);
    EXPECT_EQ(left.Width(), centre.Width());
}

TEST(DcTextTest, DrawTextMeasuresBreaksAndShortens) {
    CDC dc(200, 100);
    FontSpec spec = Face("Arial", -14);
    dc.SelectFont(spec);
    const LONG lineHeight = dc.GetTextMetrics().height;

    CRect calc(10, 10, 10, 10);
    EXPECT_EQ(dc.DrawText(std::string("&File"), calc, DT_SINGLELINE | DT_CALCRECT), lineHeight);
    EXPECT_EQ(calc.Width(), dc.GetTextExtent(std::string("File")).cx);  // prefix removed
    CRect raw(10, 10, 10, 10);
    dc.DrawText(std::string("&File"), raw, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(raw.Width(), dc.GetTextExtent(std::string("&File")).cx);
    EXPECT_EQ(InkBox(dc), CRect());  // measuring draws nothing

    const LONG wordWidth = dc.GetTextExtent(std::string("word word")).cx;
    CRect narrow(0, 0, wordWidth - 1, 100);
    EXPECT_EQ(dc.DrawText(std::string("word word word"), narrow, DT_WORDBREAK | DT_CALCRECT),
              3 * lineHeight);
    CRect lines(0, 0, 200, 100);
    EXPECT_EQ(dc.DrawText(std::string("one\r\ntwo"), lines, DT_CALCRECT), 2 * lineHeight);

    CRect box(0, 0, 40, 20);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(std::string("a rather long caption"), box, DT_SINGLELINE | DT_END_ELLIPSIS);
    const CRect ink = InkBox(dc);
    EXPECT_LE(ink.right, 40);
    EXPECT_GE(ink.right, 30);  // the dots reach towards the right edge
}

TEST(DcTextTest, DisabledTextIsEmbossed) {
    CDC dc(60, 30);
    FontSpec spec = Face("Arial", -14);
    dc.SelectFont(spec);
    dc.DrawDisabledText(std::string("I"), CRect(0, 0, 60, 30), DT_SINGLELINE);
    bool shadow = false, light = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            shadow |= dc.GetPixel(x, y) == GetSysColor(COLOR_BTNSHADOW);
            if (dc.GetPixel(x, y) == kWhite &&
                dc.GetPixel(x - 1, y - 1) == GetSysColor(COLOR_BTNSHADOW))
                light = true;
        }
    EXPECT_TRUE(shadow);
    EXPECT_TRUE(light);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);  // modes restored
}

}  // namespace
