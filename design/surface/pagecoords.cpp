#include "design/surface/pagecoords.h"

#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "design/model/dsggoption.h"

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// Truncates toward zero, limited to the int range (not-a-number gives 0).
int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(kIntMax)) return kIntMax;
    if (value <= static_cast<double>(kIntMin)) return kIntMin;
    return static_cast<int>(value);
}

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, kIntMin, kIntMax));
}

// One axis of the grid snap: `value` in LCD units, `gap` in dots (> 0),
// `extent` the LCD size on this axis in dots.
int SnapAxis(int value, int gap, int extent) {
    const std::int64_t huge = nDSG_LMHUGE_PER_DOT;
    const std::int64_t grid = gap * huge;
    const std::int64_t tolerance = std::max(gap / 3, 9) * huge;
    const std::int64_t end = extent * huge;
    const std::int64_t old = value;
    std::int64_t snapped = old;
    if (std::llabs(old - end) > 3 * huge - 1) {
        const std::int64_t rest = old % grid;  // the sign of the value
        if (rest < tolerance || rest > grid - tolerance)
            snapped = rest >= grid / 2 ? old - rest + grid : old - rest;
    } else {
        // Within three dots of the far edge: onto the last dot.
        snapped = end - huge;
    }
    if (snapped >= end) snapped = old;
    return ClampToInt(snapped);
}

}  // namespace

CDsgCDinateEVMent::CDsgCDinateEVMent() = default;

CDsgCDinateEVMent::~CDsgCDinateEVMent() = default;

const QWidget* CDsgCDinateEVMent::GetPageWindow() const {
    return dynamic_cast<const QWidget*>(this);
}

int CDsgCDinateEVMent::CalcLMRect() {
    const QWidget* page = GetPageWindow();
    if (!page) return 0;
    return CalcLMRect(CSize(page->width(), page->height()));
}

int CDsgCDinateEVMent::CalcLMRect(const CSize& client) {
    const CSize lm = CDsgGOption::GetLMSize();
    if (lm.cx <= 0 || lm.cy <= 0) {
        m_rcLM.SetRectEmpty();
        return 0;
    }
    const int w = client.cx;
    const int h = client.cy;
    const double aspect = static_cast<double>(lm.cy) / lm.cx;
    int b = 0;
    int c = 0;
    if (w > 0 && h > 0) {
        if (aspect > static_cast<double>(h) / w) {
            c = h - 50;
            b = TruncToInt(c / aspect);
        } else {
            b = w - 50;
            c = TruncToInt(aspect * b);
        }
    }
    // A window too small for a margin shows no LCD: an empty rectangle in
    // its middle rather than a mirrored one.
    if (b <= 0 || c <= 0) b = c = 0;
    m_rcLM.left = w / 2 - b / 2;
    m_rcLM.top = h / 2 - c / 2;
    m_rcLM.right = m_rcLM.left + b;
    m_rcLM.bottom = m_rcLM.top + c;
    return 1;
}

double CDsgCDinateEVMent::GetLMZoom() const {
    const CSize lm = CDsgGOption::GetLMSize();
    if (lm.cx <= 0 || lm.cy <= 0 || m_rcLM.Width() <= 0 || m_rcLM.Height() <= 0) return 0.0;
    return static_cast<double>(m_rcLM.Width()) / lm.cx;
}

CPoint CDsgCDinateEVMent::ClientToLMPoint(int x, int y) const {
    const double zoom = GetLMZoom();
    if (zoom <= 0.0) return CPoint();
    return CPoint(TruncToInt((static_cast<double>(x) - m_rcLM.left) / zoom * 10000.0),
                  TruncToInt((static_cast<double>(y) - m_rcLM.top) / zoom * 10000.0));
}

CPoint CDsgCDinateEVMent::LMToClientPoint(int x, int y) const {
    const double zoom = GetLMZoom();
    if (zoom <= 0.0) return CPoint();
    return CPoint(ClampToInt(std::int64_t{TruncToInt(zoom * (x * 0.0001))} + m_rcLM.left),
                  ClampToInt(std::int64_t{TruncToInt(zoom * (y * 0.0001))} + m_rcLM.top));
}

CRect CDsgCDinateEVMent::LMToClientRect(const CRect& lm) const {
    return CRect(LMToClientPoint(lm.left, lm.top), LMToClientPoint(lm.right, lm.bottom));
}

double CDsgCDinateEVMent::LMToClientLength(double dots) const { return dots * GetLMZoom(); }

CSize CDsgCDinateEVMent::SnapPointToUGrid(CPoint& pt) const {
    const CDsgGOption& options = GetDsgGOption();
    if (!options.GetInt(GOPT_USE_UGRID, 1)) return CSize();
    const int gap = options.GetInt(GOPT_LMTIGHT_UGGAP, 5);
    const CSize lm = CDsgGOption::GetLMSize();
    if (gap <= 0 || lm.cx <= 0 || lm.cy <= 0) return CSize();
    const CPoint old = pt;
    pt.x = SnapAxis(pt.x, gap, lm.cx);
    pt.y = SnapAxis(pt.y, gap, lm.cy);
    return CSize(ClampToInt(std::int64_t{pt.x} - old.x), ClampToInt(std::int64_t{pt.y} - old.y));
}

void CDsgCDinateEVMent::SnapRectToUGrid(CPoint& first, CPoint& second, int keepSize) const {
    const CSize move = SnapPointToUGrid(first);
    if (keepSize) {
        second.x = ClampToInt(std::int64_t{second.x} + move.cx);
        second.y = ClampToInt(std::int64_t{second.y} + move.cy);
    } else {
        SnapPointToUGrid(second);
    }
}

int CDsgCDinateEVMent::GetArrowStep() const {
    const CDsgGOption& options = GetDsgGOption();
    const int gap = options.GetInt(GOPT_LMTIGHT_UGGAP, 5);
    // A gap of 0 or less would stop the arrow keys (or turn them round): one
    // dot instead.
    if (options.GetInt(GOPT_USE_UGRID, 1) && gap > 0)
        return ClampToInt(std::int64_t{gap} * nDSG_LMHUGE_PER_DOT);
    return nDSG_LMHUGE_PER_DOT;
}
