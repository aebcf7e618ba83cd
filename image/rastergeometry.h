#pragma once

// Floating-point points and rectangles of the area averaging: pixel (i, j)
// covers the square (i - 0.5, j - 0.5) .. (i + 0.5, j + 0.5).

#include <algorithm>
#include <cmath>

class CRasterPoint2 {
public:
    CRasterPoint2() = default;
    CRasterPoint2(float x_, float y_) : x(x_), y(y_) {}
    float Distance(const CRasterPoint2& p) const { return std::hypot(x - p.x, y - p.y); }

    float x = 0;
    float y = 0;
};

class CRasterRect2 {
public:
    CRasterRect2() = default;
    CRasterRect2(float left_, float top_, float right_, float bottom_)
        : left(left_), top(top_), right(right_), bottom(bottom_) {}

    float Width() const { return right - left; }
    float Height() const { return bottom - top; }
    // An empty rectangle (right < left or bottom < top) has no area.
    float Surface() const {
        if (right < left || bottom < top) return 0;
        return Width() * Height();
    }
    CRasterPoint2 Center() const { return CRasterPoint2((left + right) / 2, (top + bottom) / 2); }
    // The intersection; empty when the two do not overlap.
    CRasterRect2 CrossSection(const CRasterRect2& r) const {
        return CRasterRect2(std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
                            std::min(bottom, r.bottom));
    }

    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};
