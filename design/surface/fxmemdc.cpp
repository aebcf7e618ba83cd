#include "design/surface/fxmemdc.h"

#include <algorithm>
#include <cstdint>

#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"

namespace {

LONG ClampLong(std::int64_t v) {
    return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The old releases that had no geometric user-styled pens.
bool LacksUserStyledPens() {
    const std::string name = GetWindowsVersionName();
    return name == "95" || name == "98" || name == "ME";
}

// One axis of CenterRectIn: the start that centres `length` in [lo, hi).
LONG CenterStart(LONG lo, LONG hi, LONG length) {
    return ClampLong(std::int64_t{lo} + (std::int64_t{hi} - lo - length) / 2);
}

// One axis of MapRectBetween.
LONG MapAxis(LONG v, LONG fromLo, LONG fromHi, LONG toLo, LONG toHi) {
    const std::int64_t fromLength = std::int64_t{fromHi} - fromLo;
    if (fromLength == 0) return toLo;
    const double t =
        static_cast<double>(std::int64_t{v} - fromLo) / static_cast<double>(fromLength);
    const double mapped = toLo + t * static_cast<double>(std::int64_t{toHi} - toLo);
    return ClampLong(static_cast<std::int64_t>(std::clamp(mapped, -4e18, 4e18)));
}

}  // namespace

// ---- Lines and outlines ----------------------------------------------------

void DrawPenLine(CDC* dc, const CPoint& from, const CPoint& to, int penStyle, int penWidth,
                 COLORREF color) {
    if (dc == nullptr) return;
    const Pen old = dc->SelectPen(Pen(penStyle, std::max(1, penWidth), color));
    dc->MoveTo(from);
    dc->LineTo(to);
    if (penWidth <= 1 && penStyle != PS_NULL) dc->SetPixel(to.x, to.y, color);
    dc->SelectPen(old);
}

void DrawStyledLine(CDC* dc, const CPoint& from, const CPoint& to, int penWidth, COLORREF color,
                    int dash, int gap) {
    if (dc == nullptr) return;
    const int width = std::max(1, penWidth);
    dash = std::max(1, dash);
    gap = std::max(0, gap);
    if (LacksUserStyledPens()) {
        DrawPenLine(dc, from, to, gap > 0 ? PS_DOT : PS_SOLID, width, color);
        return;
    }
    const Pen pen = gap > 0 ? Pen::Geometric(PS_USERSTYLE, width, color, PS_ENDCAP_FLAT,
                                             {static_cast<DWORD>(dash), static_cast<DWORD>(gap)})
                            : Pen::Geometric(PS_SOLID, width, color, PS_ENDCAP_SQUARE);
    const Pen old = dc->SelectPen(pen);
    dc->MoveTo(from);
    dc->LineTo(to);
    dc->SelectPen(old);
}

namespace {

// The four sides of an outline, clockwise from the top-left corner.
template <typename DrawSide>
void DrawOutline(CDC* dc, const CRect& rect, DrawSide side) {
    CRect r = rect;
    r.NormalizeRect();
    const LONG right = ClampLong(std::int64_t{r.right} - 1);
    const LONG bottom = ClampLong(std::int64_t{r.bottom} - 1);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    side(CPoint(r.left, r.top), CPoint(right, r.top));
    side(CPoint(right, r.top), CPoint(right, bottom));
    side(CPoint(right, bottom), CPoint(r.left, bottom));
    side(CPoint(r.left, bottom), CPoint(r.left, r.top));
    dc->SetBkMode(oldMode);
}

}  // namespace

void DrawDotRect(CDC* dc, const CRect& rect, int penWidth, COLORREF color, int dash, int gap) {
    if (dc == nullptr) return;
    DrawOutline(dc, rect, [&](const CPoint& a, const CPoint& b) {
        DrawStyledLine(dc, a, b, penWidth, color, dash, gap);
    });
}

void DrawPenRect(CDC* dc, const CRect& rect, int penStyle, int penWidth, COLORREF color) {
    if (dc == nullptr) return;
    DrawOutline(dc, rect, [&](const CPoint& a, const CPoint& b) {
        DrawPenLine(dc, a, b, penStyle, penWidth, color);
    });
}

void InvertRectFrame(CDC* dc, const CRect& rect) {
    if (dc == nullptr) return;
    CRect r = rect;
    r.NormalizeRect();
    if (r.IsRectEmpty()) return;
    dc->InvertRect(CRect(r.left, r.top, r.right, r.top + 1));
    if (r.Height() > 1) dc->InvertRect(CRect(r.left, r.bottom - 1, r.right, r.bottom));
    if (r.Height() > 2) {
        dc->InvertRect(CRect(r.left, r.top + 1, r.left + 1, r.bottom - 1));
        if (r.Width() > 1) dc->InvertRect(CRect(r.right - 1, r.top + 1, r.right, r.bottom - 1));
    }
}

// ---- Bitmaps -----------------------------------------------------------------

QImage CopyRectToBitmap(const CDC* dc, const CRect& rect) {
    if (dc == nullptr) return {};
    CRect r = rect;
    r.NormalizeRect();
    const std::int64_t width = std::int64_t{r.right} - r.left;
    const std::int64_t height = std::int64_t{r.bottom} - r.top;
    if (width <= 0 || height <= 0 || width > CFxMemDC::kMaxSide || height > CFxMemDC::kMaxSide)
        return {};
    CDC copy(static_cast<int>(width), static_cast<int>(height), RGB(0, 0, 0));
    copy.BitBlt(0, 0, static_cast<int>(width), static_cast<int>(height), *dc, r.left, r.top,
                SRCCOPY);
    return copy.Image();
}

// ---- Rectangles and points -----------------------------------------------------

BOOL PtsInRect(const CRect& rect, const CPoint& first, const CPoint& second) {
    if (!rect.PtInRect(first)) return FALSE;
    return second.x >= rect.left && second.x <= rect.right && second.y >= rect.top &&
           second.y <= rect.bottom;
}

BOOL IsPointNear(const CPoint& a, const CPoint& b, int tolerance) {
    return std::llabs(std::int64_t{a.x} - b.x) <= tolerance &&
           std::llabs(std::int64_t{a.y} - b.y) <= tolerance;
}

CRect MapRectBetween(const CRect& rect, const CRect& from, const CRect& to) {
    return {MapAxis(rect.left, from.left, from.right, to.left, to.right),
            MapAxis(rect.top, from.top, from.bottom, to.top, to.bottom),
            MapAxis(rect.right, from.left, from.right, to.left, to.right),
            MapAxis(rect.bottom, from.top, from.bottom, to.top, to.bottom)};
}

CRect CenterRectIn(const CSize& size, const CRect& outer) {
    const LONG left = CenterStart(outer.left, outer.right, size.cx);
    const LONG top = CenterStart(outer.top, outer.bottom, size.cy);
    return {left, top, ClampLong(std::int64_t{left} + size.cx),
            ClampLong(std::int64_t{top} + size.cy)};
}

CRect CenterRectInX(const CRect& rect, const CRect& outer) {
    const LONG width = ClampLong(std::int64_t{rect.right} - rect.left);
    const LONG left = CenterStart(outer.left, outer.right, width);
    return {left, rect.top, ClampLong(std::int64_t{left} + width), rect.bottom};
}

CRect CenterRectInY(const CRect& rect, const CRect& outer) {
    const LONG height = ClampLong(std::int64_t{rect.bottom} - rect.top);
    const LONG top = CenterStart(outer.top, outer.bottom, height);
    return {rect.left, top, rect.right, ClampLong(std::int64_t{top} + height)};
}
