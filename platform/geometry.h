#pragma once

// Points, sizes and rectangles with the rules the drawing and layout code
// relies on: a rectangle covers left..right-1 and top..bottom-1, so a point on
// the right or bottom edge lies outside; an empty rectangle has no positive
// width or height.

#include "platform/platform_export.h"
#include "platform/wintypes.h"

struct CSize {
    LONG cx = 0;
    LONG cy = 0;

    constexpr CSize() = default;
    constexpr CSize(LONG w, LONG h) : cx(w), cy(h) {}

    constexpr bool operator==(const CSize&) const = default;
    constexpr CSize operator+(CSize o) const { return {cx + o.cx, cy + o.cy}; }
    constexpr CSize operator-(CSize o) const { return {cx - o.cx, cy - o.cy}; }
};

struct CPoint {
    LONG x = 0;
    LONG y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(LONG px, LONG py) : x(px), y(py) {}

    constexpr void Offset(LONG dx, LONG dy) { x += dx; y += dy; }
    constexpr void Offset(CPoint p) { Offset(p.x, p.y); }
    constexpr void Offset(CSize s) { Offset(s.cx, s.cy); }
    constexpr void SetPoint(LONG px, LONG py) { x = px; y = py; }

    constexpr bool operator==(const CPoint&) const = default;
    constexpr CPoint operator+(CPoint o) const { return {x + o.x, y + o.y}; }
    constexpr CPoint operator+(CSize s) const { return {x + s.cx, y + s.cy}; }
    constexpr CPoint operator-(CSize s) const { return {x - s.cx, y - s.cy}; }
    constexpr CSize operator-(CPoint o) const { return {x - o.x, y - o.y}; }
    constexpr CPoint operator-() const { return {-x, -y}; }
    constexpr CPoint& operator+=(CSize s) { Offset(s); return *this; }
    constexpr CPoint& operator-=(CSize s) { Offset(-s.cx, -s.cy); return *this; }
    constexpr CPoint& operator+=(CPoint p) { Offset(p); return *this; }
    constexpr CPoint& operator-=(CPoint p) { Offset(-p.x, -p.y); return *this; }
};

struct PLATFORM_API CRect {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(CPoint tl, CPoint br) : left(tl.x), top(tl.y), right(br.x), bottom(br.y) {}
    constexpr CRect(CPoint tl, CSize s)
        : left(tl.x), top(tl.y), right(tl.x + s.cx), bottom(tl.y + s.cy) {}

    constexpr LONG Width() const { return right - left; }
    constexpr LONG Height() const { return bottom - top; }
    constexpr CSize Size() const { return {Width(), Height()}; }
    constexpr CPoint TopLeft() const { return {left, top}; }
    constexpr CPoint BottomRight() const { return {right, bottom}; }
    constexpr CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    // No positive width or no positive height.
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    // All four coordinates zero.
    constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Left and top edges inside, right and bottom edges outside.
    constexpr bool PtInRect(CPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }

    constexpr void SetRect(LONG l, LONG t, LONG r, LONG b) { left = l; top = t; right = r; bottom = b; }
    constexpr void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    constexpr bool EqualRect(const CRect& o) const { return *this == o; }

    // Swaps the coordinates so that left <= right and top <= bottom.
    void NormalizeRect();

    void OffsetRect(LONG dx, LONG dy);
    void OffsetRect(CPoint p) { OffsetRect(p.x, p.y); }
    void OffsetRect(CSize s) { OffsetRect(s.cx, s.cy); }
    void MoveToXY(LONG x, LONG y);
    void MoveToX(LONG x);
    void MoveToY(LONG y);

    // Moves every side outward (inward for negative amounts).
    void InflateRect(LONG dx, LONG dy);
    void InflateRect(CSize s) { InflateRect(s.cx, s.cy); }
    void InflateRect(LONG l, LONG t, LONG r, LONG b);
    void DeflateRect(LONG dx, LONG dy) { InflateRect(-dx, -dy); }
    void DeflateRect(LONG l, LONG t, LONG r, LONG b) { InflateRect(-l, -t, -r, -b); }

    // The common part of a and b; false and a null rectangle when they do
    // not overlap (an empty operand never overlaps).
    bool IntersectRect(const CRect& a, const CRect& b);
    // The smallest rectangle holding a and b, ignoring an empty operand;
    // false and a null rectangle when both are empty.
    bool UnionRect(const CRect& a, const CRect& b);

    constexpr bool operator==(const CRect&) const = default;
    CRect& operator&=(const CRect& o) { IntersectRect(*this, o); return *this; }
    CRect& operator|=(const CRect& o) { UnionRect(*this, o); return *this; }
    CRect operator&(const CRect& o) const { CRect r; r.IntersectRect(*this, o); return r; }
    CRect operator|(const CRect& o) const { CRect r; r.UnionRect(*this, o); return r; }
    CRect& operator+=(CPoint p) { OffsetRect(p); return *this; }
    CRect& operator-=(CPoint p) { OffsetRect(-p.x, -p.y); return *this; }
    CRect operator+(CPoint p) const { CRect r = *this; r += p; return r; }
    CRect operator-(CPoint p) const { CRect r = *this; r -= p; return r; }
};
