#include "platform/geometry.h"

#include <algorithm>
#include <utility>

void CRect::NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

void CRect::OffsetRect(LONG dx, LONG dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void CRect::MoveToXY(LONG x, LONG y) {
    MoveToX(x);
    MoveToY(y);
}

void CRect::MoveToX(LONG x) {
    right += x - left;
    left = x;
}

void CRect::MoveToY(LONG y) {
    bottom += y - top;
    top = y;
}

void CRect::InflateRect(LONG dx, LONG dy) { InflateRect(dx, dy, dx, dy); }

void CRect::InflateRect(LONG l, LONG t, LONG r, LONG b) {
    left -= l;
    top -= t;
    right += r;
    bottom += b;
}

bool CRect::IntersectRect(const CRect& a, const CRect& b) {
    const CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom));
    if (a.IsRectEmpty() || b.IsRectEmpty() || r.IsRectEmpty()) {
        SetRectEmpty();
        return false;
    }
    *this = r;
    return true;
}

bool CRect::UnionRect(const CRect& a, const CRect& b) {
    const bool ea = a.IsRectEmpty();
    const bool eb = b.IsRectEmpty();
    if (ea && eb) {
        SetRectEmpty();
        return false;
    }
    if (ea) {
        *this = b;
    } else if (eb) {
        *this = a;
    } else {
        *this = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                      std::max(a.bottom, b.bottom));
    }
    return true;
}
