// The metafile player's drawing: lines, curves, shapes, paths, regions and
// flood fills in device space.

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/rasterwmfplayer.h"
#include "image/codecs/rasterwmfrecord.h"

using namespace metafile;

// A line cut to the part near the surface, so that a line running far
// beyond it costs only what shows.
void CMetafilePlayer::Segment(QPointF a, QPointF b) {
    const CSize size = dc_.GetSize();
    const double m = dc_.GetPen().width + 16.0;
    const double x0 = -m, y0 = -m, x1 = size.cx + m, y1 = size.cy + m;
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!edge(-dx, a.x() - x0) || !edge(dx, x1 - a.x()) || !edge(-dy, a.y() - y0) ||
        !edge(dy, y1 - a.y()))
        return;
    const QPointF from = t0 > 0 ? QPointF(a.x() + t0 * dx, a.y() + t0 * dy) : a;
    const QPointF to = t1 < 1 ? QPointF(a.x() + t1 * dx, a.y() + t1 * dy) : b;
    dc_.MoveTo(Pixel(from));
    dc_.LineTo(Pixel(to));
}

void CMetafilePlayer::MoveTo(QPointF p) {
    state_.position = p;
    if (inPath_) path_.push_back({{p}, false});
}

void CMetafilePlayer::LineTo(QPointF p) {
    if (inPath_) {
        if (path_.empty() || path_.back().closed) path_.push_back({{state_.position}, false});
        path_.back().points.push_back(p);
    } else {
        Sync();
        Segment(state_.position, p);
    }
    state_.position = p;
}

void CMetafilePlayer::PolylineTo(const std::vector<QPointF>& points) {
    if (points.empty()) return;
    if (inPath_) {
        for (const QPointF& q : points) LineTo(q);
        return;
    }
    std::vector<QPointF> figure;
    figure.reserve(points.size() + 1);
    figure.push_back(state_.position);
    figure.insert(figure.end(), points.begin(), points.end());
    Poly(figure, false);
    state_.position = points.back();
}

void CMetafilePlayer::Poly(const std::vector<QPointF>& points, bool closed) {
    if (points.size() < 2) return;
    if (inPath_) {
        path_.push_back({points, closed});
        return;
    }
    Sync();
    // The fill first, then the pen along the points, a line at a time.
    if (closed && points.size() >= 3 && state_.brush.style != BS_NULL) {
        std::vector<CPoint> pixels;
        pixels.reserve(points.size());
        for (const QPointF& p : points) pixels.push_back(Pixel(p));
        const Pen pen = dc_.SelectPen(Pen::Null());
        dc_.Polygon(pixels.data(), static_cast<int>(pixels.size()));
        dc_.SelectPen(pen);
    }
    if (dc_.GetPen().style == PS_NULL) return;
    if (dc_.GetPen().width > 1) {
        // Wide pens are drawn as one outline, cut to the surface by the mask.
        std::vector<CPoint> pixels;
        for (const QPointF& p : points) pixels.push_back(Pixel(p));
        const Brush brush = dc_.SelectBrush(Brush::Null());
        if (closed)
            dc_.Polygon(pixels.data(), static_cast<int>(pixels.size()));
        else
            dc_.Polyline(pixels.data(), static_cast<int>(pixels.size()));
        dc_.SelectBrush(brush);
        return;
    }
    for (std::size_t i = 0; i + 1 < points.size(); ++i) Segment(points[i], points[i + 1]);
    if (closed) Segment(points.back(), points.front());
}

void CMetafilePlayer::PolyPoly(const std::vector<std::vector<QPointF>>& figures, bool closed) {
    if (inPath_ || !closed) {
        for (const auto& f : figures) Poly(f, closed);
        return;
    }
    Sync();
    std::vector<CPoint> pixels;
    std::vector<int> counts;
    for (const auto& f : figures) {
        for (const QPointF& p : f) pixels.push_back(Pixel(p));
        counts.push_back(static_cast<int>(f.size()));
    }
    if (!counts.empty() && state_.brush.style != BS_NULL) {
        const Pen pen = dc_.SelectPen(Pen::Null());
        dc_.PolyPolygon(pixels.data(), counts.data(), static_cast<int>(counts.size()));
        dc_.SelectPen(pen);
    }
    if (dc_.GetPen().style == PS_NULL) return;
    if (dc_.GetPen().width > 1) {
        const Brush brush = dc_.SelectBrush(Brush::Null());
        dc_.PolyPolygon(pixels.data(), counts.data(), static_cast<int>(counts.size()));
        dc_.SelectBrush(brush);
        return;
    }
    for (const auto& f : figures) {
        if (f.size() < 2) continue;
        for (std::size_t i = 0; i + 1 < f.size(); ++i) Segment(f[i], f[i + 1]);
        Segment(f.back(), f.front());
    }
}

void CMetafilePlayer::Bezier(std::vector<QPointF> points, bool fromCurrent) {
    if (fromCurrent) points.insert(points.begin(), state_.position);
    if (points.size() < 4) return;
    std::vector<CPoint> pixels;
    for (const QPointF& p : points) pixels.push_back(Pixel(p));
    const std::vector<CPoint> flat = FlattenBezier(pixels.data(), static_cast<int>(pixels.size()));
    const std::size_t used = 1 + (points.size() - 1) / 3 * 3;
    if (fromCurrent) {
        std::vector<QPointF> line;
        for (std::size_t i = 1; i < flat.size(); ++i) line.emplace_back(flat[i].x, flat[i].y);
        PolylineTo(line);
        state_.position = points[used - 1];
        return;
    }
    std::vector<QPointF> line;
    for (const CPoint& p : flat) line.emplace_back(p.x, p.y);
    Poly(line, false);
}

void CMetafilePlayer::RectangleShape(double l, double t, double r, double b) {
    if (!AxisAligned() || inPath_) {
        Poly({Dev(l, t), Dev(r, t), Dev(r, b), Dev(l, b)}, true);
        return;
    }
    Sync();
    dc_.Rectangle(OnSurface(DevRect(l, t, r, b)));
}

void CMetafilePlayer::RoundRectShape(double l, double t, double r, double b, double w, double h) {
    if (AxisAligned() && !inPath_ && Near(DevRect(l, t, r, b))) {
        Sync();
        const QPointF o = Dev(0, 0), c = Dev(w, h) - o;
        const CPoint corner = Pixel(QPointF(std::abs(c.x()), std::abs(c.y())));
        dc_.RoundRect(DevRect(l, t, r, b), corner);
        return;
    }
    // Turned or in a path: the outline as points, quarter by quarter.
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const double rx = std::min(std::abs(w), r - l) / 2, ry = std::min(std::abs(h), b - t) / 2;
    const double cx[] = {r - rx, l + rx, l + rx, r - rx}, cy[] = {t + ry, t + ry, b - ry, b - ry};
    std::vector<QPointF> points;
    for (int q = 0; q < 4; ++q)
        for (int k = 0; k <= 16; ++k) {
            const double phi = (q + k / 16.0) * std::numbers::pi / 2;
            points.push_back(Dev(cx[q] + rx * std::cos(phi), cy[q] - ry * std::sin(phi)));
        }
    Poly(points, true);
}

void CMetafilePlayer::EllipseShape(int kind, double l, double t, double r, double b, double xs,
                                   double ys, double xe, double ye) {
    if (state_.arcDirection == 2) {
        std::swap(xs, xe);
        std::swap(ys, ye);
    }
    if (AxisAligned() && !inPath_ && Near(DevRect(l, t, r, b))) {
        Sync();
        const CRect d = DevRect(l, t, r, b);
        const CPoint s = Pixel(Dev(xs, ys)), e = Pixel(Dev(xe, ye));
        switch (kind) {
            case 0:
                dc_.Ellipse(d);
                break;
            case 1: {
                const std::vector<CPoint> points = EllipseArcPoints(d, s, e);
                dc_.Polyline(points.data(), static_cast<int>(points.size()));
                break;
            }
            case 2:
                dc_.Chord(d, s, e);
                break;
            default:
                dc_.Pie(d, s, e);
                break;
        }
        return;
    }
    // Turned or in a path: points along the ellipse in logical units.
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::abs(r - l) / 2,
                 ry = std::abs(b - t) / 2;
    auto angle = [&](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        return (dx == 0 && dy == 0) ? 0.0 : std::atan2(-dy * rx, dx * ry);
    };
    double from = 0, sweep = 2 * std::numbers::pi;
    if (kind != 0) {
        from = angle(xs, ys);
        sweep = angle(xe, ye) - from;
        if (sweep <= 1e-9) sweep += 2 * std::numbers::pi;
    }
    std::vector<QPointF> points;
    const int steps = 128;
    for (int k = 0; k <= steps; ++k) {
        const double phi = from + sweep * k / steps;
        points.push_back(Dev(cx + rx * std::cos(phi), cy - ry * std::sin(phi)));
    }
    if (kind == 3) points.push_back(Dev(cx, cy));
    Poly(points, kind != 1);
}

// The area around a point bounded by a colour (or made of one colour) in
// the brush, spans found first and then painted.
void CMetafilePlayer::FloodFill(QPointF at, COLORREF color, bool surfaceMode) {
    if (inPath_) return;
    Sync();
    const CPoint start = Pixel(at);
    CRect clip;
    if (dc_.GetClipBox(clip) == NULLREGION || !clip.PtInRect(start)) return;
    const QImage& surface = dc_.Image();
    const QRgb target = ToQRgb(Resolve(color)) & 0xFFFFFF;
    auto inside = [&](int x, int y) {
        const QRgb c = surface.pixel(x, y) & 0xFFFFFF;
        return surfaceMode ? c == target : c != target;
    };
    if (!inside(start.x, start.y)) return;
    const int w = clip.Width(), h = clip.Height();
    std::vector<bool> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::vector<CRect> spans;
    std::vector<CPoint> stack{start};
    while (!stack.empty()) {
        const CPoint p = stack.back();
        stack.pop_back();
        auto mark = [&](int x, int y) -> std::vector<bool>::reference {
            return seen[static_cast<std::size_t>(y - clip.top) * w + (x - clip.left)];
        };
        if (mark(p.x, p.y) || !inside(p.x, p.y)) continue;
        int l = p.x, r = p.x;
        while (l > clip.left && !mark(l - 1, p.y) && inside(l - 1, p.y)) --l;
        while (r + 1 < clip.right && !mark(r + 1, p.y) && inside(r + 1, p.y)) ++r;
        for (int x = l; x <= r; ++x) {
            mark(x, p.y) = true;
            if (p.y > clip.top) stack.emplace_back(x, p.y - 1);
            if (p.y + 1 < clip.bottom) stack.emplace_back(x, p.y + 1);
        }
        spans.emplace_back(l, p.y, r + 1, p.y + 1);
    }
    for (const CRect& span : spans) dc_.FillRect(span, dc_.GetBrush());
}

void CMetafilePlayer::FillRegion(const Region& region, const Brush& brush, int how) {
    if (inPath_) return;
    Sync();
    Brush b = brush;
    b.color = Resolve(b.color);
    for (const CRect& r : region.rects) {
        const CRect d = OnSurface(DevRect(r.left, r.top, r.right, r.bottom));
        if (how == 0)
            dc_.FillRect(d, b);
        else if (how == 1)
            dc_.InvertRect(d);
        else
            dc_.FrameRect(d, b);
    }
}

// ---- Records ------------------------------------------------------------------------------

bool CMetafilePlayer::WmfDrawing(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    auto points = [&](std::size_t off, unsigned count) {
        p.NeedItems(off, count, 4);
        std::vector<QPointF> out;
        out.reserve(count);
        for (unsigned i = 0; i < count; ++i)
            out.push_back(Dev(p.S16(off + 4 * i), p.S16(off + 4 * i + 2)));
        return out;
    };
    switch (function) {
        case 0x0214:  // MoveTo
            MoveTo(Dev(p.S16(2), p.S16(0)));
            break;
        case 0x0213:  // LineTo
            LineTo(Dev(p.S16(2), p.S16(0)));
            break;
        case 0x0325:    // Polyline
        case 0x0324: {  // Polygon
            const unsigned count = p.U16(0);
            Poly(points(2, count), function == 0x0324);
            break;
        }
        case 0x0538: {  // PolyPolygon
            const unsigned polygons = p.U16(0);
            p.NeedItems(2, polygons, 2);
            std::size_t off = 2 + 2 * std::size_t{polygons};
            std::vector<std::vector<QPointF>> figures;
            for (unsigned i = 0; i < polygons; ++i) {
                const unsigned count = p.U16(2 + 2 * i);
                figures.push_back(points(off, count));
                off += 4 * std::size_t{count};
            }
            PolyPoly(figures, true);
            break;
        }
        case 0x041B:  // Rectangle
            RectangleShape(p.S16(6), p.S16(4), p.S16(2), p.S16(0));
            break;
        case 0x061C:  // RoundRect
            RoundRectShape(p.S16(10), p.S16(8), p.S16(6), p.S16(4), p.S16(2), p.S16(0));
            break;
        case 0x0418:  // Ellipse
            EllipseShape(0, p.S16(6), p.S16(4), p.S16(2), p.S16(0), 0, 0, 0, 0);
            break;
        case 0x0817:  // Arc
        case 0x0830:  // Chord
        case 0x081A:  // Pie
            EllipseShape(function == 0x0817   ? 1
                         : function == 0x0830 ? 2
                                              : 3,
                         p.S16(14), p.S16(12), p.S16(10), p.S16(8), p.S16(6), p.S16(4), p.S16(2),
                         p.S16(0));
            break;
        case 0x041F: {  // SetPixel
            const COLORREF c = p.U32(0);
            const CPoint at = Pixel(Dev(p.S16(6), p.S16(4)));
            if (!inPath_) dc_.SetPixel(at.x, at.y, Resolve(c));
            break;
        }
        case 0x0228:  // FillRegion
            if (const Object* r = WmfObject(p, 0), *b = WmfObject(p, 2);
                r != nullptr && b != nullptr && r->kind == Object::kRegion &&
                b->kind == Object::kBrush)
                FillRegion(r->region, b->brush, 0);
            break;
        case 0x0429:  // FrameRegion
            if (const Object* r = WmfObject(p, 0), *b = WmfObject(p, 2);
                r != nullptr && b != nullptr && r->kind == Object::kRegion &&
                b->kind == Object::kBrush)
                FillRegion(r->region, b->brush, 2);
            break;
        case 0x012B:  // PaintRegion
        case 0x012A:  // InvertRegion
            if (const Object* r = WmfObject(p, 0); r != nullptr && r->kind == Object::kRegion)
                FillRegion(r->region, state_.brush, function == 0x012B ? 0 : 1);
            break;
        case 0x0419:  // FloodFill
            FloodFill(Dev(p.S16(6), p.S16(4)), p.U32(0), false);
            break;
        case 0x0548:  // ExtFloodFill
            FloodFill(Dev(p.S16(8), p.S16(6)), p.U32(2), p.U16(0) == 1);
            break;
        default:
            return false;
    }
    return true;
}

bool CMetafilePlayer::EmfDrawing(unsigned type, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    auto point = [&](std::size_t off) { return Dev(p.S32(off), p.S32(off + 4)); };
    auto points = [&](std::size_t off, std::uint64_t count, bool small) {
        p.NeedItems(off, count, small ? 4 : 8);
        std::vector<QPointF> out;
        out.reserve(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < count; ++i)
            out.push_back(small ? Dev(p.S16(off + 4 * i), p.S16(off + 4 * i + 2))
                                : Dev(p.S32(off + 8 * i), p.S32(off + 8 * i + 4)));
        return out;
    };
    switch (type) {
        case 2:  // PolyBezier
        case 3:  // Polygon
        case 4:  // Polyline
        case 5:  // PolyBezierTo
        case 6:  // PolylineTo
        case 85:
        case 86:
        case 87:
        case 88:
        case 89: {
            const bool small = type >= 85;
            const unsigned kind = small ? type - 83 : type;
            std::vector<QPointF> pts = points(28, p.U32(24), small);
            if (kind == 2) {
                Bezier(pts, false);
            } else if (kind == 5) {
                Bezier(pts, true);
            } else if (kind == 6) {
                PolylineTo(pts);
            } else {
                Poly(pts, kind == 3);
            }
            break;
        }
        case 7:  // PolyPolyline
        case 8:  // PolyPolygon
        case 90:
        case 91: {
            const bool small = type >= 90;
            const DWORD polygons = p.U32(24);
            const std::uint64_t total = p.U32(28);
            p.NeedItems(32, polygons, 4);
            const std::size_t at = 32 + 4 * std::size_t{polygons};
            p.NeedItems(at, total, small ? 4 : 8);
            std::uint64_t sum = 0;
            std::vector<std::vector<QPointF>> figures;
            for (DWORD i = 0; i < polygons; ++i) {
                const DWORD count = p.U32(32 + 4 * std::size_t{i});
                if (count > total - sum) throw CRasterCodecError(kCorrupted);
                figures.push_back(
                    points(at + static_cast<std::size_t>(sum) * (small ? 4 : 8), count, small));
                sum += count;
            }
            PolyPoly(figures, type == 8 || type == 91);
            break;
        }
        case 56:  // PolyDraw
        case 92: {
            const bool small = type == 92;
            const DWORD count = p.U32(24);
            const std::vector<QPointF> pts = points(28, count, small);
            const std::size_t typesAt = 28 + std::size_t{count} * (small ? 4 : 8);
            p.NeedItems(typesAt, count, 1);
            QPointF figureStart = state_.position;
            for (std::size_t i = 0; i < count; ++i) {
                const BYTE t = data[typesAt + i];
                switch (t & 6) {
                    case 6:  // move
                        MoveTo(pts[i]);
                        figureStart = pts[i];
                        break;
                    case 2:  // line
                        LineTo(pts[i]);
                        break;
                    case 4:  // three Bezier points
                        if (i + 2 < count) {
                            Bezier({pts[i], pts[i + 1], pts[i + 2]}, true);
                            i += 2;
                        }
                        break;
                    default:
                        break;
                }
                if (t & 1) LineTo(figureStart);
            }
            break;
        }
        case 15: {  // SetPixelV
            const CPoint at = Pixel(point(8));
            const COLORREF c = p.U32(16);
            if (!inPath_) dc_.SetPixel(at.x, at.y, Resolve(c));
            break;
        }
        case 27:  // MoveToEx
            MoveTo(point(8));
            break;
        case 54:  // LineTo
            LineTo(point(8));
            break;
        case 42:  // Ellipse
            EllipseShape(0, p.S32(8), p.S32(12), p.S32(16), p.S32(20), 0, 0, 0, 0);
            break;
        case 43:  // Rectangle
            RectangleShape(p.S32(8), p.S32(12), p.S32(16), p.S32(20));
            break;
        case 44:  // RoundRect
            RoundRectShape(p.S32(8), p.S32(12), p.S32(16), p.S32(20), p.S32(24), p.S32(28));
            break;
        case 45:  // Arc
        case 46:  // Chord
        case 47:  // Pie
            EllipseShape(type == 45   ? 1
                         : type == 46 ? 2
                                      : 3,
                         p.S32(8), p.S32(12), p.S32(16), p.S32(20), p.S32(24), p.S32(28), p.S32(32),
                         p.S32(36));
            break;
        case 55: {  // ArcTo: a line to the arc's start, the arc, the position at its end
            const double l = p.S32(8), t = p.S32(12), r = p.S32(16), b = p.S32(20);
            const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::abs(r - l) / 2,
                         ry = std::abs(b - t) / 2;
            double xs = p.S32(24), ys = p.S32(28), xe = p.S32(32), ye = p.S32(36);
            auto angle = [&](double x, double y) {
                const double dx = x - cx, dy = y - cy;
                return (dx == 0 && dy == 0) ? 0.0 : std::atan2(-dy * rx, dx * ry);
            };
            const double from = angle(xs, ys);
            double sweep = angle(xe, ye) - from;
            if (state_.arcDirection == 2)
                sweep = sweep >= 0 ? sweep - 2 * std::numbers::pi : sweep;
            else if (sweep <= 1e-9)
                sweep += 2 * std::numbers::pi;
            std::vector<QPointF> arc;
            for (int k = 0; k <= 64; ++k) {
                const double phi = from + sweep * k / 64;
                arc.push_back(Dev(cx + rx * std::cos(phi), cy - ry * std::sin(phi)));
            }
            PolylineTo(arc);
            break;
        }
        case 41: {  // AngleArc
            const double cx = p.S32(8), cy = p.S32(12), radius = p.U32(16);
            const double from = p.F32(20) * std::numbers::pi / 180,
                         sweep = std::clamp(p.F32(24), -3600.0, 3600.0) * std::numbers::pi / 180;
            std::vector<QPointF> arc;
            for (int k = 0; k <= 64; ++k) {
                const double phi = from + sweep * k / 64;
                arc.push_back(Dev(cx + radius * std::cos(phi), cy - radius * std::sin(phi)));
            }
            PolylineTo(arc);
            break;
        }
        case 57:  // SetArcDirection
            if (const LONG d = p.S32(8); d == 1 || d == 2) state_.arcDirection = d;
            break;
        case 59:  // BeginPath
            inPath_ = true;
            path_.clear();
            break;
        case 60:  // EndPath
            inPath_ = false;
            break;
        case 61:  // CloseFigure
            if (!path_.empty() && !path_.back().closed) {
                path_.back().closed = true;
                state_.position = path_.back().points.front();
            }
            break;
        case 68:  // AbortPath
            inPath_ = false;
            path_.clear();
            break;
        case 62:    // FillPath
        case 63:    // StrokeAndFillPath
        case 64: {  // StrokePath
            if (inPath_) break;
            std::vector<std::vector<QPointF>> figures;
            for (const Figure& f : path_) figures.push_back(f.points);
            if (type != 64) {
                const LogPen pen = state_.pen;
                state_.pen.style = PS_NULL;
                PolyPoly(figures, true);
                state_.pen = pen;
            }
            if (type != 62) {
                const Brush brush = state_.brush;
                state_.brush = Brush::Null();
                for (const Figure& f : path_) Poly(f.points, f.closed);
                state_.brush = brush;
            }
            path_.clear();
            break;
        }
        case 65:  // FlattenPath, WidenPath: the path is made of lines already
        case 66:
            break;
        case 71:    // FillRgn
        case 72: {  // FrameRgn
            const DWORD cb = p.U32(24);
            const Object* b = EmfHandle(p.U32(28));
            const Region r = EmfRegion(p, type == 71 ? 32 : 40, cb);
            if (b != nullptr && b->kind == Object::kBrush)
                FillRegion(r, b->brush, type == 71 ? 0 : 2);
            break;
        }
        case 73:  // InvertRgn
        case 74:  // PaintRgn
            FillRegion(EmfRegion(p, 28, p.U32(24)), state_.brush, type == 74 ? 0 : 1);
            break;
        case 53:  // ExtFloodFill
            FloodFill(point(8), p.U32(16), p.U32(20) == 1);
            break;
        default:
            return false;
    }
    return true;
}
