#include "pixel/lmrbitmaps.h"

#include "platform/dc.h"

namespace {

constexpr COLORREF kClear = 0xFF00FF;
constexpr COLORREF kInk = 0x000000;
constexpr COLORREF kBlue = 0xC04020;
constexpr int kWholeCanvas = 100000;

void Line(CDC& dc, int x0, int y0, int x1, int y1, COLORREF c) {
    dc.SelectPen(Pen(PS_SOLID, 1, c));
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
    dc.SetPixel(x1, y1, c);
}

void Arrow(CDC& dc, int dx, int dy) {
    // A shaft and a head pointing along (dx, dy).
    const int cx = 8, cy = 8;
    Line(dc, cx - 5 * dx, cy - 5 * dy, cx + 5 * dx, cy + 5 * dy, kBlue);
    for (int i = 1; i <= 3; ++i)
        Line(dc, cx + (5 - i) * dx - i * dy, cy + (5 - i) * dy - i * dx, cx + (5 - i) * dx + i * dy,
             cy + (5 - i) * dy + i * dx, kBlue);
}

}  // namespace

int LmrFrameBitmapIdOf(int frame, int control) {
    return frame == 28000 ? kWholeCanvas + control : control;
}

QImage LmrFrameBitmap(int id) {
    CDC dc(16, 16, kClear);
    dc.SelectBrush(Brush::Null());
    switch (id) {
        case 28014:  // pencil
            Line(dc, 2, 13, 12, 3, kInk);
            Line(dc, 3, 13, 13, 3, kInk);
            break;
        case 28010:  // line
            Line(dc, 2, 13, 13, 2, kInk);
            break;
        case 28011:  // box
            dc.SelectPen(Pen(PS_SOLID, 1, kInk));
            dc.Rectangle(CRect(2, 3, 14, 13));
            break;
        case 28012:  // ellipse
            dc.SelectPen(Pen(PS_SOLID, 1, kInk));
            dc.Arc(CRect(1, 3, 15, 13), CPoint(8, 8), CPoint(8, 8));
            break;
        case 28013:  // filled box
            dc.FillSolidRect(CRect(2, 3, 14, 13), kInk);
            break;
        case 28015:  // filled ellipse
            dc.SelectPen(Pen(PS_SOLID, 1, kInk));
            dc.SelectBrush(Brush(kInk));
            dc.Ellipse(CRect(1, 3, 15, 13));
            break;
        case 28016: {  // select
            Pen dash = Pen::Geometric(PS_USERSTYLE, 1, kInk, PS_ENDCAP_FLAT, {2, 2});
            dc.SelectPen(dash);
            dc.Rectangle(CRect(2, 2, 14, 14));
            break;
        }
        case 27003:  // flip horizontally
            Arrow(dc, 1, 0);
            Line(dc, 8, 2, 8, 13, kInk);
            break;
        case 27004:  // flip vertically
            Arrow(dc, 0, 1);
            Line(dc, 2, 8, 13, 8, kInk);
            break;
        case 27005:  // rotate
        case kWholeCanvas + 27005:
            dc.SelectPen(Pen(PS_SOLID, 1, kBlue));
            dc.Arc(CRect(2, 2, 14, 14), CPoint(14, 8), CPoint(8, 2));
            Line(dc, 8, 0, 10, 2, kBlue);
            Line(dc, 8, 4, 10, 2, kBlue);
            break;
        case 27006:
            Arrow(dc, -1, 0);
            break;
        case 27007:
            Arrow(dc, 1, 0);
            break;
        case 27008:
            Arrow(dc, 0, -1);
            break;
        case 27009:
            Arrow(dc, 0, 1);
            break;
        case 28004:  // zoom in
        case kWholeCanvas + 28004:
            Line(dc, 3, 8, 13, 8, kInk);
            Line(dc, 8, 3, 8, 13, kInk);
            break;
        case 28003:  // zoom out
        case kWholeCanvas + 28003:
            Line(dc, 3, 8, 13, 8, kInk);
            break;
        case 28027:  // clear
        case kWholeCanvas + 28018:
            Line(dc, 3, 3, 12, 12, 0x2020C0);
            Line(dc, 3, 12, 12, 3, 0x2020C0);
            break;
        case 27000:  // colour
        case kWholeCanvas + 27000:
            dc.FillSolidRect(CRect(2, 2, 8, 14), kInk);
            dc.FillSolidRect(CRect(8, 2, 14, 14), 0xFFFFFF);
            dc.SelectPen(Pen(PS_SOLID, 1, 0x808080));
            dc.Rectangle(CRect(2, 2, 14, 14));
            break;
        case 28024:  // copy
            dc.SelectPen(Pen(PS_SOLID, 1, kInk));
            dc.Rectangle(CRect(2, 2, 10, 11));
            dc.SelectBrush(Brush(0xFFFFFF));
            dc.Rectangle(CRect(6, 5, 14, 14));
            break;
        case 28025:  // paste
            dc.SelectPen(Pen(PS_SOLID, 1, kInk));
            dc.SelectBrush(Brush(0x40A0D0));
            dc.Rectangle(CRect(3, 2, 13, 14));
            dc.SelectBrush(Brush(0xFFFFFF));
            dc.Rectangle(CRect(6, 6, 14, 15));
            break;
        case kWholeCanvas + 28014:
            Arrow(dc, 0, -1);
            break;
        case kWholeCanvas + 28015:
            Arrow(dc, 0, 1);
            break;
        case kWholeCanvas + 28016:
            Arrow(dc, -1, 0);
            break;
        case kWholeCanvas + 28017:
            Arrow(dc, 1, 0);
            break;
        case kWholeCanvas + 28019: {  // text
            Line(dc, 3, 3, 12, 3, kInk);
            Line(dc, 7, 3, 7, 13, kInk);
            Line(dc, 8, 3, 8, 13, kInk);
            break;
        }
        default:
            dc.SelectPen(Pen(PS_SOLID, 1, 0x808080));
            dc.Rectangle(CRect(1, 1, 15, 15));
            break;
    }
    return dc.Image().copy();
}
