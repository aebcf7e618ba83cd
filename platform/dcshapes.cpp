// The shapes of the device context made of points: polygons in both fill
// modes, polylines, Bezier curves, rounded rectangles, chords and pies.

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "platform/dc.h"

namespace {

void AddPoint(std::vector<CPoint>& points, double x, double y) {
    const CPoint p(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    if (points.empty() || points.back() != p) points.push_back(p);
}

std::vector<CPoint> Rounded(const std::vector<QPointF>& exact) {
    std::vector<CPoint> points;
    for (const QPointF& p : exact) AddPoint(points, p.x(), p.y());
    if (points.size() > 1 && points.back() == points.front()) points.pop_back();
    return points;
}

// The arc's points as they lie on the ellipse, before rounding.
std::vector<QPointF> ArcPoints(const CRect& rect, CPoint start, CPoint end) {
    CRect r = rect;
    r.NormalizeRect();
    const double w = static_cast<double>(r.right) - r.left;
    const double h = static_cast<double>(r.bottom) - r.top;
    if (w <= 0 || h <= 0) return {};
    const double cx = r.left + (w - 1) / 2.0, cy = r.top + (h - 1) / 2.0;
    const double rx = (w - 1) / 2.0, ry = (h - 1) / 2.0;
    // The angle of the ellipse point on the radial through p; y grows
    // downwards, angles counter-clockwise as seen on the screen.
    auto angle = [&](CPoint p) {
        const double dx = p.x - cx, dy = p.y - cy;
        if (dx == 0 && dy == 0) return 0.0;
        return std::atan2(-dy * std::max(rx, 0.5), dx * std::max(ry, 0.5));
    };
    const double from = angle(start);
    double sweep = angle(end) - from;
    if (sweep <= 1e-9) sweep += 2 * std::numbers::pi;
    const int steps =
        std::clamp(static_cast<int>(std::ceil(sweep * std::max(rx, ry) / 2.0)), 4, 4096);
    std::vector<QPointF> points;
    for (int k = 0; k <= steps; ++k) {
        const double phi = from + sweep * k / steps;
        points.emplace_back(cx + rx * std::cos(phi), cy - ry * std::sin(phi));
    }
    return points;
}

std::vector<QPointF> ToFigure(const CPoint* points, int count) {
    std::vector<QPointF> figure;
    figure.reserve(static_cast<std::size_t>(std::max(0, count)));
    for (int i = 0; i < count; ++i) figure.emplace_back(points[i].x, points[i].y);
    return figure;
}

}  // namespace

std::vector<CPoint> EllipseArcPoints(const CRect& rect, CPoint start, CPoint end) {
    std::vector<CPoint> points;
    for (const QPointF& p : ArcPoints(rect, start, end)) AddPoint(points, p.x(), p.y());
    return points;
}

std::vector<CPoint> FlattenBezier(const CPoint* points, int count) {
    std::vector<CPoint> out;
    if (count <= 0) return out;
    out.push_back(points[0]);
    for (int i = 0; i + 3 < count; i += 3) {
        const double x0 = points[i].x, y0 = points[i].y;
        const double x1 = points[i + 1].x, y1 = points[i + 1].y;
        const double x2 = points[i + 2].x, y2 = points[i + 2].y;
        const double x3 = points[i + 3].x, y3 = points[i + 3].y;
        const double length = std::hypot(x1 - x0, y1 - y0) + std::hypot(x2 - x1, y2 - y1) +
                              std::hypot(x3 - x2, y3 - y2);
        const int steps = std::clamp(static_cast<int>(std::ceil(length / 3.0)), 1, 256);
        for (int k = 1; k <= steps; ++k) {
            const double t = static_cast<double>(k) / steps, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            AddPoint(out, a * x0 + b * x1 + c * x2 + d * x3, a * y0 + b * y1 + c * y2 + d * y3);
        }
        // The curve ends exactly on its end point.
        out.back() = points[i + 3];
    }
    return out;
}

int CDC::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return std::exchange(polyFillMode_, mode);
}

// Scan lines through the pixel centres, each crossing an active edge; the
// spans between crossings are filled by the fill mode.
void CDC::FillPolygons(const std::vector<std::vector<QPointF>>& figures) {
    if (brush_.style == BS_NULL) return;
    const QRect box = ClipBox();
    if (box.isEmpty()) return;
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    double top = std::numeric_limits<double>::infinity(), bottom = -top;
    for (const std::vector<QPointF>& figure : figures) {
        if (figure.size() < 3) continue;
        for (std::size_t i = 0; i < figure.size(); ++i) {
            QPointF a = figure[i], b = figure[(i + 1) % figure.size()];
            if (a.y() == b.y()) continue;
            const int dir = b.y() > a.y() ? 1 : -1;
            if (dir < 0) std::swap(a, b);
            edges.push_back({a.x(), a.y(), b.x(), b.y(), dir});
            top = std::min(top, a.y());
            bottom = std::max(bottom, b.y());
        }
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    const int firstRow = static_cast<int>(std::max<double>(box.top(), std::floor(top)));
    const int lastRow = static_cast<int>(std::min<double>(box.bottom(), std::ceil(bottom)));
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> crossings;
    std::size_t next = 0;
    auto fill = [&](double xa, double xb, int y) {
        // Pixels whose centre lies in [xa, xb).
        const double from = std::max<double>(box.left(), std::ceil(xa - 0.5));
        const double to = std::min<double>(box.right(), std::ceil(xb - 0.5) - 1);
        if (from <= to) Span(static_cast<int>(from), static_cast<int>(to), y, brush_, true);
    };
    for (int y = firstRow; y <= lastRow; ++y) {
        const double yc = y + 0.5;
        while (next < edges.size() && edges[next].y0 <= yc) active.push_back(&edges[next++]);
        std::erase_if(active, [yc](const Edge* e) { return e->y1 <= yc; });
        crossings.clear();
        for (const Edge* e : active)
            if (yc >= e->y0)
                crossings.emplace_back(e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0),
                                       e->dir);
        std::sort(crossings.begin(), crossings.end());
        if (polyFillMode_ == WINDING) {
            int winding = 0;
            double from = 0;
            for (const auto& [x, dir] : crossings) {
                const int before = winding;
                winding += dir;
                if (before == 0 && winding != 0) from = x;
                if (before != 0 && winding == 0) fill(from, x, y);
            }
        } else {
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
                fill(crossings[i].first, crossings[i + 1].first, y);
        }
    }
}

void CDC::OutlinePolygon(const std::vector<CPoint>& points, bool closed) {
    if (pen_.style == PS_NULL || points.size() < 2) return;
    if (pen_.width > 1) {
        WidePolyline(points, closed);
        return;
    }
    const CPoint saved = position_;
    MoveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i]);
    if (closed) LineTo(points[0]);
    position_ = saved;
}

void CDC::Polyline(const CPoint* points, int count) {
    if (points == nullptr || count < 2) return;
    OutlinePolygon(std::vector<CPoint>(points, points + count), false);
}

void CDC::Polygon(const CPoint* points, int count) {
    if (points == nullptr || count < 2) return;
    FillPolygons({ToFigure(points, count)});
    OutlinePolygon(std::vector<CPoint>(points, points + count), true);
}

void CDC::PolyPolygon(const CPoint* points, const int* counts, int polygons) {
    if (points == nullptr || counts == nullptr || polygons <= 0) return;
    std::vector<std::vector<QPointF>> figures;
    const CPoint* p = points;
    for (int i = 0; i < polygons; ++i) {
        const int n = std::max(0, counts[i]);
        figures.push_back(ToFigure(p, n));
        p += n;
    }
    FillPolygons(figures);
    p = points;
    for (int i = 0; i < polygons; ++i) {
        const int n = std::max(0, counts[i]);
        OutlinePolygon(std::vector<CPoint>(p, p + n), true);
        p += n;
    }
}

void CDC::PolyBezier(const CPoint* points, int count) {
    if (points == nullptr || count < 4) return;
    OutlinePolygon(FlattenBezier(points, count), false);
}

void CDC::RoundRect(const CRect& rect, CPoint corner) {
    CRect r = rect;
    r.NormalizeRect();
    const int ew = std::min(corner.x, r.Width()), eh = std::min(corner.y, r.Height());
    if (ew <= 1 || eh <= 1) {
        Rectangle(r);
        return;
    }
    if (r.IsRectEmpty()) return;
    // Four quarter ellipses between the straight edges, in pixel positions.
    const double rx = (ew - 1) / 2.0, ry = (eh - 1) / 2.0;
    const double left = r.left + rx, right = r.right - 1 - rx;
    const double top = r.top + ry, bottom = r.bottom - 1 - ry;
    const int steps = std::clamp(static_cast<int>(std::ceil(std::max(rx, ry))), 4, 1024);
    std::vector<QPointF> exact;
    const std::pair<double, double> centres[] = {
        {right, top}, {left, top}, {left, bottom}, {right, bottom}};
    for (int q = 0; q < 4; ++q)
        for (int k = 0; k <= steps; ++k) {
            const double phi = (q + static_cast<double>(k) / steps) * std::numbers::pi / 2;
            exact.emplace_back(centres[q].first + rx * std::cos(phi),
                               centres[q].second - ry * std::sin(phi));
        }
    FillAndOutline(exact);
}

// The fill follows the curve itself, the pen its points rounded to pixels.
void CDC::FillAndOutline(const std::vector<QPointF>& exact) {
    if (exact.size() < 2) return;
    FillPolygons({exact});
    OutlinePolygon(Rounded(exact), true);
}

void CDC::Chord(const CRect& rect, CPoint start, CPoint end) {
    FillAndOutline(ArcPoints(rect, start, end));
}

void CDC::Pie(const CRect& rect, CPoint start, CPoint end) {
    CRect r = rect;
    r.NormalizeRect();
    std::vector<QPointF> exact = ArcPoints(r, start, end);
    if (exact.empty()) return;
    exact.emplace_back(r.left + (r.Width() - 1) / 2.0, r.top + (r.Height() - 1) / 2.0);
    FillAndOutline(exact);
}
