#pragma once

// Helpers of the drawing tests: a surface's pixels as text, and the box
// around what was drawn.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dc.h"

namespace dctesting {

// The region as text: '#' for `ink`, '.' for `paper`, '?' for anything else.
inline std::vector<std::string> Picture(const CDC& dc, const CRect& r, COLORREF ink,
                                        COLORREF paper = RGB(255, 255, 255)) {
    std::vector<std::string> rows;
    for (int y = r.top; y < r.bottom; ++y) {
        std::string row;
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = dc.GetPixel(x, y);
            row += c == ink ? '#' : c == paper ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// Picture rows written as one text, rows separated by '|'.
inline std::vector<std::string> Rows(const std::string& text) {
    std::vector<std::string> rows(1);
    for (char c : text) c == '|' ? rows.emplace_back() : rows.back() += c;
    return rows;
}

// Bounding box of every pixel that is not `paper`; empty when none.
inline CRect InkBox(const CDC& dc, COLORREF paper = RGB(255, 255, 255)) {
    CRect box(1 << 20, 1 << 20, -1, -1);
    const CSize size = dc.GetSize();
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (dc.GetPixel(x, y) != paper) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box.right < 0 ? CRect() : box;
}

}  // namespace dctesting
