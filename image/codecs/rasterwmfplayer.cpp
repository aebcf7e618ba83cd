// The metafile player: the device context's state as the records set it,
// the mapping from logical units to the surface's pixels, the objects, and
// the drawing records of both metafile kinds.

#include "image/codecs/rasterwmfplayer.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/codecbytes.h"
#include "platform/textcodec.h"

namespace {

constexpr char kCorrupted[] = "corrupted WMF";

// How deep SaveDC may stack states; deeper saves are left out.
constexpr std::size_t kMaxSavedStates = 4096;
// Device coordinates are kept within this reach of the surface, so that
// sums and differences of them stay in range.
constexpr double kReach = double{1 << 26};

constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
              MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_COPY = 5;
constexpr UINT TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr UINT ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_PDY = 0x2000, ETO_NO_RECT = 0x100,
               ETO_SMALL_CHARS = 0x200;
constexpr unsigned DIB_PAL_COLORS = 1;
constexpr int BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6;

// The parameters of one record: every read is checked against its length.
struct Params {
    const BYTE* p;
    std::size_t n;
    bool Has(std::size_t off, std::size_t len) const { return off <= n && len <= n - off; }
    void Need(std::size_t off, std::size_t len) const {
        if (!Has(off, len)) throw CRasterCodecError(kCorrupted);
    }
    int S16(std::size_t off) const {
        Need(off, 2);
        return static_cast<std::int16_t>(GetLE16(p + off));
    }
    unsigned U16(std::size_t off) const {
        Need(off, 2);
        return GetLE16(p + off);
    }
    LONG S32(std::size_t off) const {
        Need(off, 4);
        return static_cast<LONG>(GetLE32(p + off));
    }
    DWORD U32(std::size_t off) const {
        Need(off, 4);
        return GetLE32(p + off);
    }
    double F32(std::size_t off) const {
        const DWORD bits = U32(off);
        float f;
        std::memcpy(&f, &bits, 4);
        return std::isfinite(f) ? f : 0.0;
    }
    BYTE U8(std::size_t off) const {
        Need(off, 1);
        return p[off];
    }
    // A count of items of `item` bytes at `off`, checked to fit.
    void NeedItems(std::size_t off, std::uint64_t count, std::size_t item) const {
        if (off > n || count > (n - off) / item) throw CRasterCodecError(kCorrupted);
    }
};

std::string FaceOf(const BYTE* p, std::size_t max) {
    std::size_t len = 0;
    while (len < max && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

std::string FaceOfWide(const BYTE* p, std::size_t maxChars) {
    std::u16string face;
    for (std::size_t i = 0; i < maxChars; ++i) {
        const char16_t c = static_cast<char16_t>(GetLE16(p + 2 * i));
        if (c == 0) break;
        face += c;
    }
    return Utf16ToAnsi(face);
}

QString WideText(const BYTE* p, std::size_t chars) {
    std::u16string text(chars, u'\0');
    for (std::size_t i = 0; i < chars; ++i) text[i] = static_cast<char16_t>(GetLE16(p + 2 * i));
    return QString::fromStdU16String(text);
}

bool SameFont(const FontSpec& a, const FontSpec& b) {
    return a.height == b.height && a.width == b.width && a.weight == b.weight &&
           a.italic == b.italic && a.underline == b.underline && a.strikeOut == b.strikeOut &&
           a.quality == b.quality && a.face == b.face;
}

// The average colour of a pattern bitmap: what a pattern brush paints with.
COLORREF PatternColor(const std::vector<BYTE>& dib) {
    CRaster pattern;
    if (!pattern.CreateFromHANDLE(dib)) return 0;
    const LONG w = std::min<LONG>(pattern.GetWidth(), 64),
               h = std::min<LONG>(pattern.GetHeight(), 64);
    if (w <= 0 || h <= 0) return 0;
    std::uint64_t r = 0, g = 0, b = 0;
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            const RGBQUAD c = pattern.GetPixelColor(x, y, false);
            r += c.rgbRed;
            g += c.rgbGreen;
            b += c.rgbBlue;
        }
    const std::uint64_t n = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    return RGB(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

}  // namespace

CMetafilePlayer::CMetafilePlayer(CDC& dc, const LONG* escape) : dc_(dc), escape_(escape) {
    state_.clip = dc_.SaveClip();
}

void CMetafilePlayer::Poll() {
    if (escape_ != nullptr && *escape_ != 0) throw CRasterCodecError("Cancelled");
}

void CMetafilePlayer::NotDrawn(unsigned type) {
    if (std::find(undrawn_.begin(), undrawn_.end(), type) == undrawn_.end())
        undrawn_.push_back(type);
}

// ---- Mapping -----------------------------------------------------------------------------

void CMetafilePlayer::PageScale(double& sx, double& sy) const {
    const double perMm = devicePerMm_;
    switch (state_.mapMode) {
        case MM_LOMETRIC:
            sx = perMm * 0.1;
            break;
        case MM_HIMETRIC:
            sx = perMm * 0.01;
            break;
        case MM_LOENGLISH:
            sx = perMm * 0.254;
            break;
        case MM_HIENGLISH:
            sx = perMm * 0.0254;
            break;
        case MM_TWIPS:
            sx = perMm * 25.4 / 1440;
            break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            sx = state_.vex / state_.wex;
            sy = state_.vey / state_.wey;
            if (state_.mapMode == MM_ISOTROPIC) {
                const double m = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(m, sx);
                sy = std::copysign(m, sy);
            }
            return;
        default:
            sx = sy = 1;
            return;
    }
    sy = -sx;  // the metric and English modes count upwards
}

QPointF CMetafilePlayer::Dev(double x, double y) const {
    const State& s = state_;
    const double wx = s.m11 * x + s.m21 * y + s.dx, wy = s.m12 * x + s.m22 * y + s.dy;
    double sx = 1, sy = 1;
    PageScale(sx, sy);
    const double px = (wx - s.wox) * sx + s.vox, py = (wy - s.woy) * sy + s.voy;
    auto tame = [](double v) { return std::isfinite(v) ? std::clamp(v, -1e12, 1e12) : 0.0; };
    return {tame((px - frameX_) * frameSx_), tame((py - frameY_) * frameSy_)};
}

bool CMetafilePlayer::Near(const CRect& device) const {
    const CSize size = dc_.GetSize();
    constexpr int kNear = 8192;
    return device.left >= -kNear && device.top >= -kNear && device.right <= size.cx + kNear &&
           device.bottom <= size.cy + kNear;
}

CRect CMetafilePlayer::OnSurface(CRect device) const {
    // Edges far outside the surface are brought near it: what shows is the same.
    const CSize size = dc_.GetSize();
    const int margin = dc_.GetPen().width + 4;
    device.left = std::clamp(device.left, -margin, size.cx + margin);
    device.right = std::clamp(device.right, -margin, size.cx + margin);
    device.top = std::clamp(device.top, -margin, size.cy + margin);
    device.bottom = std::clamp(device.bottom, -margin, size.cy + margin);
    return device;
}

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

double CMetafilePlayer::LinearScale() const {
    const QPointF o = Dev(0, 0), a = Dev(1, 0) - o, b = Dev(0, 1) - o;
    return std::sqrt(std::abs(a.x() * b.y() - a.y() * b.x()));
}

CPoint CMetafilePlayer::Pixel(QPointF p) {
    auto one = [](double v) {
        if (!std::isfinite(v)) return 0;
        return static_cast<int>(std::lround(std::clamp(v, -kReach, kReach)));
    };
    return {one(p.x()), one(p.y())};
}

CRect CMetafilePlayer::DevRect(double l, double t, double r, double b) const {
    const CPoint a = Pixel(Dev(l, t)), c = Pixel(Dev(r, b));
    CRect rect(a.x, a.y, c.x, c.y);
    rect.NormalizeRect();
    return rect;
}

void CMetafilePlayer::SetMapMode(int mode) {
    if (mode >= MM_TEXT && mode <= MM_ANISOTROPIC) state_.mapMode = mode;
}

// ---- State into the surface -----------------------------------------------------------------

COLORREF CMetafilePlayer::Resolve(COLORREF c) const {
    if ((c >> 24) == 1) {
        const std::size_t index = c & 0xFFFF;
        return index < state_.palette.size() ? state_.palette[index] : RGB(0, 0, 0);
    }
    return c & 0xFFFFFF;
}

void CMetafilePlayer::Sync() {
    const LogPen& lp = state_.pen;
    int style = lp.style & 0xF;
    if (style == PS_INSIDEFRAME || style > PS_ALTERNATE) style = PS_SOLID;
    if (style == PS_NULL) {
        dc_.SelectPen(Pen::Null());
    } else {
        const double scale = LinearScale();
        const double w = lp.width > 0 ? lp.width * scale : 1;
        const int width = static_cast<int>(std::clamp(std::round(w), 1.0, 4096.0));
        if (lp.geometric) {
            std::vector<DWORD> dashes;
            for (DWORD d : lp.dashes)
                dashes.push_back(
                    static_cast<DWORD>(std::clamp(std::round(d * scale), 0.0, 65535.0)));
            dc_.SelectPen(Pen::Geometric(style, width, Resolve(lp.color), lp.cap, dashes));
        } else {
            dc_.SelectPen(Pen(style, width, Resolve(lp.color)));
        }
    }
    Brush brush = state_.brush;
    brush.color = Resolve(brush.color);
    dc_.SelectBrush(brush);
    dc_.SetTextColor(Resolve(state_.textColor));
    dc_.SetBkColor(Resolve(state_.bkColor));
    dc_.SetBkMode(state_.bkMode);
    dc_.SetROP2(state_.rop2);
    dc_.SetPolyFillMode(state_.fillMode);
}

void CMetafilePlayer::SyncFont() {
    const LogFont& lf = state_.font;
    const QPointF o = Dev(0, 0), ax = Dev(1, 0) - o, ay = Dev(0, 1) - o;
    const double hs = std::hypot(ay.x(), ay.y()), ws = std::hypot(ax.x(), ax.y());
    FontSpec spec;
    spec.height = static_cast<LONG>(std::clamp(std::round(lf.height * hs), -4000.0, 4000.0));
    spec.width = static_cast<LONG>(std::clamp(std::round(lf.width * ws), 0.0, 4000.0));
    spec.weight = lf.weight;
    spec.italic = lf.italic;
    spec.underline = lf.underline;
    spec.strikeOut = lf.strikeOut;
    spec.quality = lf.quality;
    spec.face = lf.face;
    if (fontApplied_ && SameFont(spec, appliedFont_)) return;
    dc_.SelectFont(spec);
    appliedFont_ = spec;
    fontApplied_ = true;
}

void CMetafilePlayer::SaveDC() {
    if (saved_.size() >= kMaxSavedStates) return;
    state_.clip = dc_.SaveClip();
    saved_.push_back(state_);
}

void CMetafilePlayer::RestoreDC(LONG which) {
    const LONG depth = static_cast<LONG>(saved_.size());
    const LONG target = which < 0 ? depth + which : which - 1;  // index of the state to take
    if (which == 0 || target < 0 || target >= depth) return;
    state_ = saved_[static_cast<std::size_t>(target)];
    saved_.resize(static_cast<std::size_t>(target));
    dc_.RestoreClip(state_.clip);
}

void CMetafilePlayer::Select(const Object& object) {
    switch (object.kind) {
        case Object::kPen:
            state_.pen = object.pen;
            break;
        case Object::kBrush:
            state_.brush = object.brush;
            break;
        case Object::kFont:
            state_.font = object.font;
            break;
        case Object::kPalette:
            state_.palette = object.palette;
            break;
        case Object::kRegion: {
            const Region& r = object.region;
            ClipToRect(DevRect(r.bound.left, r.bound.top, r.bound.right, r.bound.bottom), RGN_COPY);
            break;
        }
        case Object::kNone:
            break;
    }
}

// The clip is one rectangle: an intersection stays exact, a union takes the
// box around both; exclusions that leave no rectangle keep the clip.
void CMetafilePlayer::ClipToRect(const CRect& device, int mode) {
    CRect r = device;
    r.NormalizeRect();
    if (mode == RGN_COPY) {
        dc_.SelectClipRect(&r);
    } else if (mode == RGN_AND) {
        dc_.IntersectClipRect(r);
    } else if (mode == RGN_OR) {
        CRect box;
        if (dc_.GetClipBox(box) == NULLREGION) box = r;
        if (!r.IsRectEmpty()) box.UnionRect(box, r);
        if (!box.IsRectEmpty()) dc_.SelectClipRect(&box);
    }
    state_.clip = dc_.SaveClip();
}

// ---- Shapes ------------------------------------------------------------------------------

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
        for (std::size_t i = 1; i < flat.size(); ++i) LineTo(QPointF(flat[i].x, flat[i].y));
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

void CMetafilePlayer::Text(double x, double y, const QString& text, const std::vector<double>& dx,
                           UINT options, const CRect* rect) {
    if (inPath_) return;
    Sync();
    SyncFont();
    const UINT align = state_.textAlign;
    const QPointF ref = (align & TA_UPDATECP) ? state_.position : Dev(x, y);
    CRect box;
    if (rect != nullptr) box = DevRect(rect->left, rect->top, rect->right, rect->bottom);
    if ((options & ETO_OPAQUE) && rect != nullptr)
        dc_.FillSolidRect(OnSurface(box), Resolve(state_.bkColor));
    if (text.isEmpty()) return;
    const TextMetrics tm = dc_.GetTextMetrics();
    // Advances in pixels: the record's own when it has one for each character.
    std::vector<int> advances;
    const double scale = std::hypot((Dev(1, 0) - Dev(0, 0)).x(), (Dev(1, 0) - Dev(0, 0)).y());
    if (dx.size() == static_cast<std::size_t>(text.size()))
        for (double d : dx)
            advances.push_back(
                static_cast<int>(std::clamp(std::round(d * scale), -kReach, kReach)));
    std::int64_t width = 0;
    if (advances.empty())
        width = dc_.GetTextExtent(text).cx;
    else
        for (int a : advances) width += a;
    width = std::clamp<std::int64_t>(width, -(1 << 26), 1 << 26);
    CPoint at = Pixel(ref);
    if ((align & TA_CENTER) == TA_CENTER)
        at.x -= static_cast<int>(width / 2);
    else if (align & TA_RIGHT)
        at.x -= static_cast<int>(width);
    if ((align & TA_BASELINE) == TA_BASELINE)
        at.y -= tm.ascent;
    else if (align & TA_BOTTOM)
        at.y -= tm.height;
    const CDC::ClipState saved = dc_.SaveClip();
    if ((options & ETO_CLIPPED) && rect != nullptr) dc_.IntersectClipRect(box);
    if (advances.empty()) {
        dc_.TextOut(at.x, at.y, text);
    } else {
        std::int64_t pen = at.x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (std::abs(pen) < kReach) dc_.TextOut(static_cast<int>(pen), at.y, QString(text[i]));
            pen += advances[static_cast<std::size_t>(i)];
        }
    }
    dc_.RestoreClip(saved);
    if ((align & TA_UPDATECP) && (align & TA_CENTER) == 0)
        state_.position = QPointF(ref.x() + static_cast<double>(width), ref.y());
}

void CMetafilePlayer::DrawDib(const BYTE* bmi, std::size_t bmiSize, const BYTE* bits,
                              std::size_t bitsSize, unsigned usage, double x, double y, double w,
                              double h, LONG sx, LONG sy, LONG sw, LONG sh, DWORD rop,
                              bool bottomUpOrigin, int blend) {
    if (inPath_ || bmiSize < 12) return;
    const DWORD headerSize = GetLE32(bmi);
    if (headerSize < 12 || headerSize > bmiSize) return;
    const bool core = headerSize < 40;
    const DWORD bpp = core ? GetLE16(bmi + 10) : GetLE16(bmi + 14);
    const LONG dibHeight =
        core ? static_cast<std::int16_t>(GetLE16(bmi + 6)) : static_cast<LONG>(GetLE32(bmi + 8));
    std::vector<BYTE> block;
    if (usage == DIB_PAL_COLORS && bpp <= 8) {
        // The colour table holds indexes into the selected palette.
        const DWORD used = core ? 0 : GetLE32(bmi + 32);
        const std::size_t colors = used != 0 ? std::min<DWORD>(used, 256) : (1u << bpp);
        if (headerSize + 2 * colors > bmiSize) return;
        block.assign(bmi, bmi + headerSize);
        for (std::size_t i = 0; i < colors; ++i) {
            const std::size_t index = GetLE16(bmi + headerSize + 2 * i);
            const COLORREF c = index < state_.palette.size() ? state_.palette[index] : 0;
            const BYTE quad[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
            block.insert(block.end(), quad, quad + (core ? 3 : 4));
        }
    } else {
        block.assign(bmi, bmi + bmiSize);
    }
    block.insert(block.end(), bits, bits + bitsSize);
    CRaster dib;
    if (!dib.CreateFromHANDLE(block)) return;
    QImage image = dib.MakeBitmap().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return;
    // A blend takes the alpha of 32-bit pixel values as they stand in the bits.
    if (blend == 2 && !core && bpp == 32 && GetLE32(bmi + 16) == 0) {
        const std::size_t width = static_cast<std::size_t>(image.width());
        const std::size_t height = static_cast<std::size_t>(image.height());
        if (bitsSize / 4 / width >= height) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (std::size_t y = 0; y < height; ++y) {
                const std::size_t row = dibHeight > 0 ? height - 1 - y : y;
                QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
                for (std::size_t x = 0; x < width; ++x)
                    line[x] = (line[x] & 0xFFFFFF) |
                              (static_cast<QRgb>(bits[(row * width + x) * 4 + 3]) << 24);
            }
        }
    }
    bool flipX = false, flipY = false;
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        flipX = true;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        flipY = true;
    }
    // Source rows of a bottom-up bitmap count from its last row.
    std::int64_t top = sy;
    if (bottomUpOrigin && dibHeight > 0) top = std::int64_t{image.height()} - sy - sh;
    const CPoint a = Pixel(Dev(x, y)), b = Pixel(Dev(x + w, y + h));
    std::int64_t left = a.x, dw = std::int64_t{b.x} - a.x, up = a.y, dh = std::int64_t{b.y} - a.y;
    if (dw < 0) {
        left = b.x;
        dw = -dw;
        flipX = !flipX;
    }
    if (dh < 0) {
        up = b.y;
        dh = -dh;
        flipY = !flipY;
    }
    std::int64_t left0 = sx;
    if (flipX) left0 = std::int64_t{image.width()} - sx - sw;
    if (flipY) top = std::int64_t{image.height()} - top - sh;
    if (flipX || flipY) image = image.mirrored(flipX, flipY);
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || std::abs(left0) > kReach ||
        std::abs(top) > kReach)
        return;
    Sync();
    if (blend == 0) {
        dc_.StretchBlt(static_cast<int>(left), static_cast<int>(up), static_cast<int>(dw),
                       static_cast<int>(dh), image, static_cast<int>(left0), static_cast<int>(top),
                       static_cast<int>(sw), static_cast<int>(sh), rop);
        return;
    }
    // A transparent colour (1) or a blend (2), pixel by pixel where it shows.
    CRect clip;
    if (dc_.GetClipBox(clip) == NULLREGION) return;
    const std::int64_t x0 = std::max<std::int64_t>(clip.left, left);
    const std::int64_t x1 = std::min<std::int64_t>(clip.right, left + dw);
    const std::int64_t y0 = std::max<std::int64_t>(clip.top, up);
    const std::int64_t y1 = std::min<std::int64_t>(clip.bottom, up + dh);
    const QRgb key = ToQRgb(Resolve(rop)) & 0xFFFFFF;
    const unsigned constant = (rop >> 16) & 0xFF;
    QImage& surface = dc_.Image();
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t row = top + (y - up) * sh / dh;
        if (row < 0 || row >= image.height()) continue;
        const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(row)));
        QRgb* dst = reinterpret_cast<QRgb*>(surface.scanLine(static_cast<int>(y)));
        for (std::int64_t x = x0; x < x1; ++x) {
            const std::int64_t col = left0 + (x - left) * sw / dw;
            if (col < 0 || col >= image.width()) continue;
            const QRgb s = src[col];
            QRgb& d = dst[x];
            if (blend == 1) {
                if ((s & 0xFFFFFF) != key) d = s | 0xFF000000u;
                continue;
            }
            // Source colours carry their alpha already when they have one.
            const unsigned a = image.hasAlphaChannel() ? qAlpha(s) : 255;
            const unsigned sa = a * constant / 255;
            auto mix = [&](unsigned sc, unsigned dc) {
                return std::min(255u, sc * constant / 255 + dc * (255 - sa) / 255);
            };
            d = qRgb(static_cast<int>(mix(qRed(s), qRed(d))),
                     static_cast<int>(mix(qGreen(s), qGreen(d))),
                     static_cast<int>(mix(qBlue(s), qBlue(d))));
        }
    }
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

void CMetafilePlayer::PatBlt(double x, double y, double w, double h, DWORD rop) {
    if (inPath_) return;
    Sync();
    if (state_.brush.style == BS_NULL && rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT)
        return;
    CRect d = DevRect(x, y, x + w, y + h);
    static const QImage black = [] {
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(0xFF000000u);
        return one;
    }();
    dc_.StretchBlt(d.left, d.top, d.Width(), d.Height(), black, 0, 0, 1, 1, rop);
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

// ---- Windows metafiles ----------------------------------------------------------------------

void CMetafilePlayer::PlayWinMetafile(const BYTE* records, std::size_t size, int objects,
                                      const CRect& frame) {
    wmf_ = true;
    wmfObjects_.assign(static_cast<std::size_t>(std::max(0, objects)), Object{});
    // The bounding box is the window and the surface the viewport; the
    // records move and size the window, the viewport stays the picture.
    const CSize surface = dc_.GetSize();
    state_.mapMode = MM_ANISOTROPIC;
    state_.wox = frame.left;
    state_.woy = frame.top;
    state_.wex = frame.Width() != 0 ? frame.Width() : 1;
    state_.wey = frame.Height() != 0 ? frame.Height() : 1;
    state_.vex = surface.cx;
    state_.vey = surface.cy;
    std::size_t off = 0;
    while (size - off >= 6) {
        const std::uint64_t words = GetLE32(records + off);
        const unsigned function = GetLE16(records + off + 4);
        if (words < 3 || words > (size - off) / 2) throw CRasterCodecError(kCorrupted);
        Poll();
        if (function == 0) break;  // the end record
        WmfRecord(function, records + off + 6, static_cast<std::size_t>(words * 2 - 6));
        off += static_cast<std::size_t>(words * 2);
    }
    // A few bytes after the last record are a record cut short.
    if (off < size && size - off < 6) throw CRasterCodecError(kCorrupted);
}

int CMetafilePlayer::WmfAddObject(Object object) {
    // Each new object takes the lowest free slot; with none free it is lost.
    for (std::size_t i = 0; i < wmfObjects_.size(); ++i)
        if (wmfObjects_[i].kind == Object::kNone) {
            wmfObjects_[i] = std::move(object);
            return static_cast<int>(i);
        }
    return -1;
}

void CMetafilePlayer::WmfRecord(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    // Coordinates come last-first: y before x, bottom-right before top-left.
    auto object = [&](std::size_t off) -> const Object* {
        const unsigned index = p.U16(off);
        if (index >= wmfObjects_.size() || wmfObjects_[index].kind == Object::kNone) return nullptr;
        return &wmfObjects_[index];
    };
    auto points = [&](std::size_t off, unsigned count) {
        p.NeedItems(off, count, 4);
        std::vector<QPointF> out;
        out.reserve(count);
        for (unsigned i = 0; i < count; ++i)
            out.push_back(Dev(p.S16(off + 4 * i), p.S16(off + 4 * i + 2)));
        return out;
    };
    auto dib = [&](std::size_t off, unsigned usage, double x, double y, double w, double h, LONG sx,
                   LONG sy, LONG sw, LONG sh, DWORD rop) {
        p.Need(off, 12);
        DrawDib(data + off, n - off, nullptr, 0, usage, x, y, w, h, sx, sy, sw, sh, rop, true);
    };
    switch (function) {
        case 0x001E:  // SaveDC
            SaveDC();
            break;
        case 0x0127:  // RestoreDC
            RestoreDC(p.S16(0));
            break;
        case 0x0102:  // SetBkMode
            if (const int mode = p.S16(0); mode == TRANSPARENT || mode == OPAQUE)
                state_.bkMode = mode;
            break;
        case 0x0103:  // SetMapMode: the picture's frame decides the mapping
            p.Need(0, 2);
            break;
        case 0x0104:  // SetROP2
            if (const int rop = p.S16(0); rop >= R2_BLACK && rop <= R2_WHITE) state_.rop2 = rop;
            break;
        case 0x0106:  // SetPolyFillMode
            if (const int mode = p.S16(0); mode == ALTERNATE || mode == WINDING)
                state_.fillMode = mode;
            break;
        case 0x012E:  // SetTextAlign
            state_.textAlign = p.U16(0);
            break;
        case 0x0201:  // SetBkColor
            state_.bkColor = p.U32(0);
            break;
        case 0x0209:  // SetTextColor
            state_.textColor = p.U32(0);
            break;
        case 0x020B:  // SetWindowOrg
            state_.woy = p.S16(0);
            state_.wox = p.S16(2);
            break;
        case 0x020C: {  // SetWindowExt
            const int y = p.S16(0), x = p.S16(2);
            if (x != 0 && y != 0) {
                state_.wex = x;
                state_.wey = y;
            }
            break;
        }
        case 0x020F:  // OffsetWindowOrg
            state_.woy += p.S16(0);
            state_.wox += p.S16(2);
            break;
        case 0x0410: {  // ScaleWindowExt
            const int yDenom = p.S16(0), yNum = p.S16(2), xDenom = p.S16(4), xNum = p.S16(6);
            if (xDenom != 0 && yDenom != 0 && xNum != 0 && yNum != 0) {
                state_.wex = state_.wex * xNum / xDenom;
                state_.wey = state_.wey * yNum / yDenom;
            }
            break;
        }
        case 0x020D:  // SetViewportOrg, SetViewportExt, OffsetViewportOrg, ScaleViewportExt:
        case 0x020E:  // the viewport is the picture itself
        case 0x0211:
        case 0x0412:
            p.Need(0, function == 0x0412 ? 8 : 4);
            break;
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
        case 0x061D:  // PatBlt
            PatBlt(p.S16(8), p.S16(6), p.S16(4), p.S16(2), p.U32(0));
            break;
        case 0x0521: {  // TextOut
            const unsigned count = p.U16(0);
            const std::size_t padded = (std::size_t{count} + 1) / 2 * 2;
            p.Need(2, padded + 4);
            const std::string text(reinterpret_cast<const char*>(data + 2), count);
            Text(p.S16(2 + padded + 2), p.S16(2 + padded), AnsiToQString(text), {}, 0, nullptr);
            break;
        }
        case 0x0A32: {  // ExtTextOut
            const int y = p.S16(0), x = p.S16(2);
            const unsigned count = p.U16(4), options = p.U16(6);
            std::size_t off = 8;
            CRect rect;
            const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
            if (hasRect) {
                rect = CRect(p.S16(8), p.S16(10), p.S16(12), p.S16(14));
                off = 16;
            }
            p.Need(off, count);
            const std::string text(reinterpret_cast<const char*>(data + off), count);
            off += (std::size_t{count} + 1) / 2 * 2;
            std::vector<double> dx;
            if (p.Has(off, 2 * std::size_t{count}))
                for (unsigned i = 0; i < count; ++i) dx.push_back(p.S16(off + 2 * i));
            QString unicode = AnsiToQString(text);
            // Advances are given per byte: a double-byte character takes both.
            if (!dx.empty() && static_cast<std::size_t>(unicode.size()) != dx.size()) {
                std::vector<double> merged;
                for (std::size_t i = 0; i < text.size(); ++i) {
                    double a = dx[i];
                    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
                        a += dx[++i];
                    merged.push_back(a);
                }
                dx = std::move(merged);
            }
            Text(x, y, unicode, dx, options, hasRect ? &rect : nullptr);
            break;
        }
        case 0x0416:    // IntersectClipRect
        case 0x0415: {  // ExcludeClipRect
            const CRect d = DevRect(p.S16(6), p.S16(4), p.S16(2), p.S16(0));
            if (function == 0x0416) {
                ClipToRect(d, RGN_AND);
            } else {
                // An excluded band along a side of the clip narrows it.
                CRect box;
                if (dc_.GetClipBox(box) == NULLREGION) break;
                if (d.top <= box.top && d.bottom >= box.bottom) {
                    if (d.left <= box.left && d.right > box.left) box.left = d.right;
                    if (d.right >= box.right && d.left < box.right) box.right = d.left;
                } else if (d.left <= box.left && d.right >= box.right) {
                    if (d.top <= box.top && d.bottom > box.top) box.top = d.bottom;
                    if (d.bottom >= box.bottom && d.top < box.bottom) box.bottom = d.top;
                }
                ClipToRect(box, RGN_COPY);
            }
            break;
        }
        case 0x0220: {  // OffsetClipRgn
            CRect box;
            const QPointF o = Dev(0, 0), d = Dev(p.S16(2), p.S16(0)) - o;
            if (dc_.GetClipBox(box) != NULLREGION && box != CRect(CPoint(0, 0), dc_.GetSize())) {
                box.OffsetRect(Pixel(d).x, Pixel(d).y);
                ClipToRect(box, RGN_COPY);
            }
            break;
        }
        case 0x012C:  // SelectClipRegion
            if (const Object* o = object(0); o != nullptr && o->kind == Object::kRegion)
                Select(*o);
            else if (p.U16(0) == 0)
                ClipToRect(CRect(CPoint(0, 0), dc_.GetSize()), RGN_COPY);
            break;
        case 0x0228:  // FillRegion
            if (const Object* r = object(0), *b = object(2); r != nullptr && b != nullptr &&
                                                             r->kind == Object::kRegion &&
                                                             b->kind == Object::kBrush)
                FillRegion(r->region, b->brush, 0);
            break;
        case 0x0429:  // FrameRegion
            if (const Object* r = object(0), *b = object(2); r != nullptr && b != nullptr &&
                                                             r->kind == Object::kRegion &&
                                                             b->kind == Object::kBrush)
                FillRegion(r->region, b->brush, 2);
            break;
        case 0x012B:  // PaintRegion
        case 0x012A:  // InvertRegion
            if (const Object* r = object(0); r != nullptr && r->kind == Object::kRegion)
                FillRegion(r->region, state_.brush, function == 0x012B ? 0 : 1);
            break;
        case 0x012D:  // SelectObject
            if (const Object* o = object(0)) Select(*o);
            break;
        case 0x0234:  // SelectPalette
            if (const Object* o = object(0); o != nullptr && o->kind == Object::kPalette)
                Select(*o);
            break;
        case 0x01F0:  // DeleteObject
            if (const unsigned index = p.U16(0); index < wmfObjects_.size())
                wmfObjects_[index] = Object{};
            break;
        case 0x02FA: {  // CreatePenIndirect
            Object o;
            o.kind = Object::kPen;
            o.pen.style = static_cast<int>(p.U16(0));
            o.pen.width = std::abs(p.S16(2));
            o.pen.color = p.U32(6);
            o.pen.geometric = (o.pen.style & 0xF00) != 0;
            o.pen.cap = o.pen.style & 0xF00;
            WmfAddObject(std::move(o));
            break;
        }
        case 0x02FC: {  // CreateBrushIndirect
            Object o;
            o.kind = Object::kBrush;
            const unsigned style = p.U16(0);
            const COLORREF color = p.U32(2);
            const unsigned hatch = p.U16(6);
            o.brush = style == BS_NULL      ? Brush::Null()
                      : style == BS_HATCHED ? Brush::Hatched(static_cast<int>(hatch % 6), color)
                                            : Brush(color);
            WmfAddObject(std::move(o));
            break;
        }
        case 0x0142: {  // DIBCreatePatternBrush
            Object o;
            o.kind = Object::kBrush;
            p.Need(0, 4);
            if (p.U16(0) != BS_PATTERN && n > 4)
                o.brush = Brush(PatternColor(std::vector<BYTE>(data + 4, data + n)));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x01F9: {  // CreatePatternBrush, an old device bitmap: a grey pattern
            Object o;
            o.kind = Object::kBrush;
            o.brush = Brush(RGB(128, 128, 128));
            NotDrawn(function);
            WmfAddObject(std::move(o));
            break;
        }
        case 0x02FB: {  // CreateFontIndirect
            p.Need(0, 18);
            Object o;
            o.kind = Object::kFont;
            o.font.height = p.S16(0);
            o.font.width = std::abs(p.S16(2));
            o.font.escapement = p.S16(4);
            o.font.weight = p.S16(8);
            o.font.italic = p.U8(10) != 0;
            o.font.underline = p.U8(11) != 0;
            o.font.strikeOut = p.U8(12) != 0;
            o.font.quality = p.U8(16);
            o.font.face = FaceOf(data + 18, std::min<std::size_t>(32, n - 18));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x00F7: {  // CreatePalette
            const unsigned count = p.U16(2);
            p.NeedItems(4, count, 4);
            Object o;
            o.kind = Object::kPalette;
            for (unsigned i = 0; i < count; ++i)
                o.palette.push_back(RGB(data[4 + 4 * i], data[5 + 4 * i], data[6 + 4 * i]));
            WmfAddObject(std::move(o));
            break;
        }
        case 0x0037: {  // SetPalEntries: into the selected palette
            const unsigned start = p.U16(0), count = p.U16(2);
            p.NeedItems(4, count, 4);
            for (unsigned i = 0; i < count && start + i < state_.palette.size(); ++i)
                state_.palette[start + i] = RGB(data[4 + 4 * i], data[5 + 4 * i], data[6 + 4 * i]);
            break;
        }
        case 0x06FF: {  // CreateRegion
            Object o;
            o.kind = Object::kRegion;
            const unsigned scans = p.U16(10);
            o.region.bound = CRect(p.S16(14), p.S16(16), p.S16(18), p.S16(20));
            std::size_t off = 22;
            for (unsigned s = 0; s < scans; ++s) {
                const unsigned count = p.U16(off);
                const int top = p.S16(off + 2), bottom = p.S16(off + 4);
                p.NeedItems(off + 6, count, 2);
                for (unsigned i = 0; i + 1 < count; i += 2)
                    o.region.rects.emplace_back(p.S16(off + 6 + 2 * i), top, p.S16(off + 8 + 2 * i),
                                                bottom);
                off += 6 + 2 * std::size_t{count} + 2;
            }
            if (scans == 0 && !o.region.bound.IsRectEmpty())
                o.region.rects.push_back(o.region.bound);
            WmfAddObject(std::move(o));
            break;
        }
        case 0x0940: {  // DIBBitBlt
            const DWORD rop = p.U32(0);
            if (n == 18) {  // without a bitmap: the brush alone
                PatBlt(p.S16(16), p.S16(14), p.S16(12), p.S16(10), rop);
                break;
            }
            const int sy = p.S16(4), sx = p.S16(6), h = p.S16(8), w = p.S16(10);
            dib(16, 0, p.S16(14), p.S16(12), w, h, sx, sy, w, h, rop);
            break;
        }
        case 0x0B41: {  // DIBStretchBlt
            const DWORD rop = p.U32(0);
            if (n == 22) {
                PatBlt(p.S16(20), p.S16(18), p.S16(16), p.S16(14), rop);
                break;
            }
            dib(20, 0, p.S16(18), p.S16(16), p.S16(14), p.S16(12), p.S16(10), p.S16(8), p.S16(6),
                p.S16(4), rop);
            break;
        }
        case 0x0F43:  // StretchDIBits
            dib(22, p.U16(4), p.S16(20), p.S16(18), p.S16(16), p.S16(14), p.S16(12), p.S16(10),
                p.S16(8), p.S16(6), p.U32(0));
            break;
        case 0x0D33: {  // SetDIBitsToDevice
            const int w = p.S16(12), h = p.S16(10);
            dib(18, p.U16(0), p.S16(16), p.S16(14), w, h, p.S16(8), p.S16(6), w, h, SRCCOPY);
            break;
        }
        case 0x0419:  // FloodFill
            FloodFill(Dev(p.S16(6), p.S16(4)), p.U32(0), false);
            break;
        case 0x0548:  // ExtFloodFill
            FloodFill(Dev(p.S16(8), p.S16(6)), p.U32(2), p.U16(0) == 1);
            break;
        case 0x0626:  // Escape: comments and printer data
        case 0x0035:  // RealizePalette
        case 0x0139:  // ResizePalette
        case 0x0436:  // AnimatePalette
        case 0x0105:  // SetRelAbs
        case 0x0107:  // SetStretchBltMode
        case 0x0108:  // SetTextCharExtra
        case 0x020A:  // SetTextJustification
        case 0x0231:  // SetMapperFlags
            break;
        default:
            // Flood fills, old device bitmaps and unknown records.
            NotDrawn(function);
            break;
    }
}

// ---- Enhanced metafiles -------------------------------------------------------------------

void CMetafilePlayer::PlayEnhMetafile(const BYTE* data, std::size_t size) {
    const Params header{data, size};
    const CRect bounds(header.S32(8), header.S32(12), header.S32(16), header.S32(20));
    emfHandles_ = header.U16(56);
    if (header.Has(80, 8)) {
        const LONG devX = header.S32(72), mmX = header.S32(80);
        if (devX > 0 && mmX > 0) devicePerMm_ = static_cast<double>(devX) / mmX;
    }
    // The inclusive bounds fill the surface.
    const CSize surface = dc_.GetSize();
    frameX_ = bounds.left;
    frameY_ = bounds.top;
    frameSx_ = surface.cx / (static_cast<double>(bounds.right) - bounds.left + 1);
    frameSy_ = surface.cy / (static_cast<double>(bounds.bottom) - bounds.top + 1);
    std::size_t off = 0;
    while (size - off >= 8) {
        const unsigned type = GetLE32(data + off);
        const std::uint64_t length = GetLE32(data + off + 4);
        if (length < 8 || length % 4 != 0 || length > size - off)
            throw CRasterCodecError(kCorrupted);
        Poll();
        if (type == 14) break;  // the end record
        if (off != 0) EmfRecord(type, data + off, static_cast<std::size_t>(length));
        off += static_cast<std::size_t>(length);
    }
    if (off < size && size - off < 8) throw CRasterCodecError(kCorrupted);
}

void CMetafilePlayer::EmfRecord(unsigned type, const BYTE* data, std::size_t n) {
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
    auto newObject = [&](std::size_t off, Object o) {
        const DWORD index = p.U32(off);
        if (index == 0 || index >= emfHandles_) return;  // 0 is the metafile itself
        emfObjects_[index] = std::move(o);
    };
    auto handle = [&](DWORD index) -> const Object* {
        const auto it = emfObjects_.find(index);
        return it == emfObjects_.end() ? nullptr : &it->second;
    };
    // A bitmap given by offsets within the record, both parts checked.
    auto bitmap = [&](std::size_t at, const BYTE*& bmi, std::size_t& bmiSize, const BYTE*& bits,
                      std::size_t& bitsSize) {
        const DWORD offBmi = p.U32(at), cbBmi = p.U32(at + 4);
        const DWORD offBits = p.U32(at + 8), cbBits = p.U32(at + 12);
        p.Need(offBmi, cbBmi);
        p.Need(offBits, cbBits);
        bmi = data + offBmi;
        bmiSize = cbBmi;
        bits = data + offBits;
        bitsSize = cbBits;
        return cbBmi != 0;
    };
    auto region = [&](std::size_t at, DWORD cb, bool device) {
        p.Need(at, cb);
        Region r;
        if (cb < 32) return r;
        const Params rgn{data + at, cb};
        const DWORD count = rgn.U32(8);
        rgn.NeedItems(32, count, 16);
        r.bound = CRect(rgn.S32(16), rgn.S32(20), rgn.S32(24), rgn.S32(28));
        for (DWORD i = 0; i < count; ++i) {
            const std::size_t o = 32 + 16 * std::size_t{i};
            r.rects.emplace_back(rgn.S32(o), rgn.S32(o + 4), rgn.S32(o + 8), rgn.S32(o + 12));
        }
        (void)device;
        return r;
    };
    auto stock = [&](DWORD index) {
        switch (index & 0x7FFFFFFF) {
            case 0:  // white, light grey, grey, dark grey, black brushes
                state_.brush = Brush(RGB(255, 255, 255));
                break;
            case 1:
                state_.brush = Brush(RGB(192, 192, 192));
                break;
            case 2:
                state_.brush = Brush(RGB(128, 128, 128));
                break;
            case 3:
                state_.brush = Brush(RGB(64, 64, 64));
                break;
            case 4:
                state_.brush = Brush(RGB(0, 0, 0));
                break;
            case 5:
                state_.brush = Brush::Null();
                break;
            case 6:  // white, black and no pen
                state_.pen = LogPen{};
                state_.pen.color = RGB(255, 255, 255);
                break;
            case 7:
                state_.pen = LogPen{};
                break;
            case 8:
                state_.pen = LogPen{};
                state_.pen.style = PS_NULL;
                break;
            case 10:  // the stock fonts
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17:
                state_.font = LogFont{};
                break;
            case 15:
                state_.palette.clear();
                break;
            default:
                break;
        }
    };
    auto text = [&](std::size_t at, bool wide) {
        // The text record: reference point, count, string, options, box, advances.
        const QPointF ref(p.S32(at), p.S32(at + 4));
        const DWORD chars = p.U32(at + 8), offString = p.U32(at + 12), options = p.U32(at + 16);
        const CRect rect(p.S32(at + 20), p.S32(at + 24), p.S32(at + 28), p.S32(at + 32));
        const DWORD offDx = p.U32(at + 36);
        p.NeedItems(offString, chars, wide ? 2 : 1);
        QString string = wide ? WideText(data + offString, chars)
                              : AnsiToQString(std::string(
                                    reinterpret_cast<const char*>(data + offString), chars));
        std::vector<double> dx;
        const std::size_t step = (options & ETO_PDY) ? 8 : 4;
        if (offDx != 0 && p.Has(offDx, step * std::size_t{chars}) &&
            static_cast<std::size_t>(string.size()) == chars)
            for (DWORD i = 0; i < chars; ++i) dx.push_back(p.S32(offDx + step * i));
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0 && !rect.IsRectNull();
        Text(ref.x(), ref.y(), string, dx, options, hasRect ? &rect : nullptr);
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
                for (const QPointF& q : pts) LineTo(q);
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
        case 9:     // SetWindowExtEx
        case 11: {  // SetViewportExtEx
            const LONG cx = p.S32(8), cy = p.S32(12);
            if (cx == 0 || cy == 0) break;
            if (type == 9) {
                state_.wex = cx;
                state_.wey = cy;
            } else {
                state_.vex = cx;
                state_.vey = cy;
            }
            break;
        }
        case 10:  // SetWindowOrgEx
            state_.wox = p.S32(8);
            state_.woy = p.S32(12);
            break;
        case 12:  // SetViewportOrgEx
            state_.vox = p.S32(8);
            state_.voy = p.S32(12);
            break;
        case 31:    // ScaleViewportExtEx
        case 32: {  // ScaleWindowExtEx
            const LONG xNum = p.S32(8), xDenom = p.S32(12), yNum = p.S32(16), yDenom = p.S32(20);
            if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0) break;
            double& ex = type == 31 ? state_.vex : state_.wex;
            double& ey = type == 31 ? state_.vey : state_.wey;
            ex = ex * xNum / xDenom;
            ey = ey * yNum / yDenom;
            break;
        }
        case 15: {  // SetPixelV
            const CPoint at = Pixel(point(8));
            const COLORREF c = p.U32(16);
            if (!inPath_) dc_.SetPixel(at.x, at.y, Resolve(c));
            break;
        }
        case 17:  // SetMapMode
            SetMapMode(p.S32(8));
            break;
        case 18:  // SetBkMode
            if (const LONG mode = p.S32(8); mode == TRANSPARENT || mode == OPAQUE)
                state_.bkMode = mode;
            break;
        case 19:  // SetPolyFillMode
            if (const LONG mode = p.S32(8); mode == ALTERNATE || mode == WINDING)
                state_.fillMode = mode;
            break;
        case 20:  // SetROP2
            if (const LONG rop = p.S32(8); rop >= R2_BLACK && rop <= R2_WHITE) state_.rop2 = rop;
            break;
        case 22:  // SetTextAlign
            state_.textAlign = p.U32(8);
            break;
        case 24:  // SetTextColor
            state_.textColor = p.U32(8);
            break;
        case 25:  // SetBkColor
            state_.bkColor = p.U32(8);
            break;
        case 26: {  // OffsetClipRgn
            CRect box;
            const QPointF o = Dev(0, 0), d = Dev(p.S32(8), p.S32(12)) - o;
            if (dc_.GetClipBox(box) != NULLREGION && box != CRect(CPoint(0, 0), dc_.GetSize())) {
                box.OffsetRect(Pixel(d).x, Pixel(d).y);
                ClipToRect(box, RGN_COPY);
            }
            break;
        }
        case 27:  // MoveToEx
            MoveTo(point(8));
            break;
        case 54:  // LineTo
            LineTo(point(8));
            break;
        case 29:    // ExcludeClipRect: only a band along a side can be taken away
        case 30: {  // IntersectClipRect
            const CRect d = DevRect(p.S32(8), p.S32(12), p.S32(16), p.S32(20));
            if (type == 30) {
                ClipToRect(d, RGN_AND);
                break;
            }
            CRect box;
            if (dc_.GetClipBox(box) == NULLREGION) break;
            if (d.top <= box.top && d.bottom >= box.bottom) {
                if (d.left <= box.left && d.right > box.left) box.left = d.right;
                if (d.right >= box.right && d.left < box.right) box.right = d.left;
            } else if (d.left <= box.left && d.right >= box.right) {
                if (d.top <= box.top && d.bottom > box.top) box.top = d.bottom;
                if (d.bottom >= box.bottom && d.top < box.bottom) box.bottom = d.top;
            }
            ClipToRect(box, RGN_COPY);
            break;
        }
        case 33:  // SaveDC
            SaveDC();
            break;
        case 34:  // RestoreDC
            RestoreDC(p.S32(8));
            break;
        case 35:    // SetWorldTransform
        case 36: {  // ModifyWorldTransform
            const double m11 = p.F32(8), m12 = p.F32(12), m21 = p.F32(16), m22 = p.F32(20),
                         dx = p.F32(24), dy = p.F32(28);
            const DWORD mode = type == 35 ? 4 : p.U32(32);
            State& s = state_;
            if (mode == 1) {  // identity
                s.m11 = s.m22 = 1;
                s.m12 = s.m21 = s.dx = s.dy = 0;
            } else if (mode == 2 || mode == 3) {
                // Left: the new one first, then the current one; right: the other way.
                const double a[6] = {m11, m12, m21, m22, dx, dy};
                const double b[6] = {s.m11, s.m12, s.m21, s.m22, s.dx, s.dy};
                const double* x = mode == 2 ? a : b;
                const double* y = mode == 2 ? b : a;
                s.m11 = x[0] * y[0] + x[1] * y[2];
                s.m12 = x[0] * y[1] + x[1] * y[3];
                s.m21 = x[2] * y[0] + x[3] * y[2];
                s.m22 = x[2] * y[1] + x[3] * y[3];
                s.dx = x[4] * y[0] + x[5] * y[2] + y[4];
                s.dy = x[4] * y[1] + x[5] * y[3] + y[5];
            } else if (mode == 4) {
                s.m11 = m11;
                s.m12 = m12;
                s.m21 = m21;
                s.m22 = m22;
                s.dx = dx;
                s.dy = dy;
            }
            break;
        }
        case 37: {  // SelectObject
            const DWORD index = p.U32(8);
            if (index & 0x80000000u)
                stock(index);
            else if (const Object* o = handle(index))
                Select(*o);
            break;
        }
        case 48:  // SelectPalette
            if (const Object* o = handle(p.U32(8)); o != nullptr && o->kind == Object::kPalette)
                Select(*o);
            else if (p.U32(8) & 0x80000000u)
                stock(p.U32(8));
            break;
        case 40:  // DeleteObject
            emfObjects_.erase(p.U32(8));
            break;
        case 38: {  // CreatePen
            Object o;
            o.kind = Object::kPen;
            o.pen.style = static_cast<int>(p.U32(12) & 0xFF);
            o.pen.width = std::abs(static_cast<double>(p.S32(16)));
            o.pen.color = p.U32(24);
            newObject(8, std::move(o));
            break;
        }
        case 95: {  // ExtCreatePen
            Object o;
            o.kind = Object::kPen;
            const DWORD style = p.U32(28);
            o.pen.style = static_cast<int>(style & 0xF);
            o.pen.geometric = (style & 0x000F0000) != 0;
            o.pen.cap = static_cast<int>(style & 0xF00);
            o.pen.width = o.pen.geometric ? static_cast<double>(p.U32(32) & 0x7FFFFFFF) : 0;
            if (p.U32(36) == BS_NULL) o.pen.style = PS_NULL;
            o.pen.color = p.U32(40);
            const DWORD entries = p.U32(48);
            if (o.pen.style == PS_USERSTYLE) {
                p.NeedItems(52, entries, 4);
                for (DWORD i = 0; i < std::min<DWORD>(entries, 16); ++i)
                    o.pen.dashes.push_back(p.U32(52 + 4 * i));
            }
            newObject(8, std::move(o));
            break;
        }
        case 39: {  // CreateBrushIndirect
            Object o;
            o.kind = Object::kBrush;
            const DWORD style = p.U32(12);
            const COLORREF color = p.U32(16);
            const DWORD hatch = p.U32(20);
            o.brush = style == BS_NULL      ? Brush::Null()
                      : style == BS_HATCHED ? Brush::Hatched(static_cast<int>(hatch % 6), color)
                                            : Brush(color);
            newObject(8, std::move(o));
            break;
        }
        case 93:    // CreateMonoBrush
        case 94: {  // CreateDIBPatternBrushPt
            Object o;
            o.kind = Object::kBrush;
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (bitmap(16, bmi, bmiSize, bits, bitsSize)) {
                std::vector<BYTE> block(bmi, bmi + bmiSize);
                block.insert(block.end(), bits, bits + bitsSize);
                o.brush = Brush(PatternColor(block));
            }
            newObject(8, std::move(o));
            break;
        }
        case 82: {  // ExtCreateFontIndirectW
            p.Need(12, 92);
            Object o;
            o.kind = Object::kFont;
            o.font.height = p.S32(12);
            o.font.width =
                static_cast<LONG>(std::min<std::int64_t>(std::llabs(p.S32(16)), 1 << 20));
            o.font.escapement = p.S32(20);
            o.font.weight = p.S32(28);
            o.font.italic = p.U8(32) != 0;
            o.font.underline = p.U8(33) != 0;
            o.font.strikeOut = p.U8(34) != 0;
            o.font.quality = p.U8(38);
            o.font.face = FaceOfWide(data + 40, 32);
            newObject(8, std::move(o));
            break;
        }
        case 49: {  // CreatePalette
            const unsigned count = p.U16(14);
            p.NeedItems(16, count, 4);
            Object o;
            o.kind = Object::kPalette;
            for (unsigned i = 0; i < count; ++i)
                o.palette.push_back(RGB(data[16 + 4 * i], data[17 + 4 * i], data[18 + 4 * i]));
            newObject(8, std::move(o));
            break;
        }
        case 50: {  // SetPaletteEntries
            const DWORD index = p.U32(8), start = p.U32(12), count = p.U32(16);
            p.NeedItems(20, count, 4);
            auto it = emfObjects_.find(index);
            if (it == emfObjects_.end() || it->second.kind != Object::kPalette) break;
            std::vector<COLORREF>& pal = it->second.palette;
            for (DWORD i = 0; i < count && start < pal.size() && i < pal.size() - start; ++i)
                pal[start + i] = RGB(data[20 + 4 * i], data[21 + 4 * i], data[22 + 4 * i]);
            break;
        }
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
            for (int k = 0; k <= 64; ++k) {
                const double phi = from + sweep * k / 64;
                LineTo(Dev(cx + rx * std::cos(phi), cy - ry * std::sin(phi)));
            }
            break;
        }
        case 41: {  // AngleArc
            const double cx = p.S32(8), cy = p.S32(12), radius = p.U32(16);
            const double from = p.F32(20) * std::numbers::pi / 180,
                         sweep = std::clamp(p.F32(24), -3600.0, 3600.0) * std::numbers::pi / 180;
            for (int k = 0; k <= 64; ++k) {
                const double phi = from + sweep * k / 64;
                LineTo(Dev(cx + radius * std::cos(phi), cy - radius * std::sin(phi)));
            }
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
        case 67: {  // SelectClipPath: the box around the path
            if (inPath_) break;
            double l = kReach, t = kReach, r = -kReach, b = -kReach;
            for (const Figure& f : path_)
                for (const QPointF& q : f.points) {
                    l = std::min(l, q.x());
                    t = std::min(t, q.y());
                    r = std::max(r, q.x());
                    b = std::max(b, q.y());
                }
            const CPoint a = Pixel(QPointF(l, t)), c = Pixel(QPointF(r, b));
            ClipToRect(l <= r ? CRect(a.x, a.y, c.x, c.y) : CRect(), static_cast<int>(p.U32(8)));
            path_.clear();
            break;
        }
        case 71:    // FillRgn
        case 72: {  // FrameRgn
            const DWORD cb = p.U32(24);
            const Object* b = handle(p.U32(28));
            const Region r = region(type == 71 ? 32 : 40, cb, false);
            if (b != nullptr && b->kind == Object::kBrush)
                FillRegion(r, b->brush, type == 71 ? 0 : 2);
            break;
        }
        case 73:  // InvertRgn
        case 74:  // PaintRgn
            FillRegion(region(28, p.U32(24), false), state_.brush, type == 74 ? 0 : 1);
            break;
        case 75: {  // ExtSelectClipRgn, in device units
            const DWORD cb = p.U32(8);
            const int mode = static_cast<int>(p.U32(12));
            if (cb == 0) {
                if (mode == RGN_COPY) {
                    dc_.SelectClipRect(nullptr);
                    state_.clip = dc_.SaveClip();
                }
                break;
            }
            const Region r = region(16, cb, true);
            const CPoint a = Pixel(
                QPointF((r.bound.left - frameX_) * frameSx_, (r.bound.top - frameY_) * frameSy_));
            const CPoint b = Pixel(QPointF((r.bound.right - frameX_) * frameSx_,
                                           (r.bound.bottom - frameY_) * frameSy_));
            const CRect d(a.x, a.y, b.x, b.y);
            ClipToRect(d, mode);
            break;
        }
        case 76:    // BitBlt
        case 77: {  // StretchBlt
            const LONG x = p.S32(24), y = p.S32(28), w = p.S32(32), h = p.S32(36);
            const DWORD rop = p.U32(40);
            const LONG sx = p.S32(44), sy = p.S32(48);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!bitmap(84, bmi, bmiSize, bits, bitsSize)) {
                PatBlt(x, y, w, h, rop);
                break;
            }
            const LONG sw = type == 77 ? p.S32(100) : w, sh = type == 77 ? p.S32(104) : h;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(80), x, y, w, h, sx, sy, sw, sh, rop,
                    false);
            break;
        }
        case 80: {  // SetDIBitsToDevice
            const LONG x = p.S32(24), y = p.S32(28), sx = p.S32(32), sy = p.S32(36), sw = p.S32(40),
                       sh = p.S32(44);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!bitmap(48, bmi, bmiSize, bits, bitsSize)) break;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(64), x, y, sw, sh, sx, sy, sw, sh, SRCCOPY,
                    true);
            break;
        }
        case 81: {  // StretchDIBits
            const LONG x = p.S32(24), y = p.S32(28), sx = p.S32(32), sy = p.S32(36), sw = p.S32(40),
                       sh = p.S32(44);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            const bool has = bitmap(48, bmi, bmiSize, bits, bitsSize);
            const DWORD rop = p.U32(68);
            const LONG w = p.S32(72), h = p.S32(76);
            if (!has) {
                PatBlt(x, y, w, h, rop);
                break;
            }
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(64), x, y, w, h, sx, sy, sw, sh, rop, true);
            break;
        }
        case 53:  // ExtFloodFill
            FloodFill(point(8), p.U32(16), p.U32(20) == 1);
            break;
        case 114:    // AlphaBlend
        case 116: {  // TransparentBlt
            const LONG x = p.S32(24), y = p.S32(28), w = p.S32(32), h = p.S32(36);
            const BYTE *bmi = nullptr, *bits = nullptr;
            std::size_t bmiSize = 0, bitsSize = 0;
            if (!bitmap(84, bmi, bmiSize, bits, bitsSize)) break;
            DrawDib(bmi, bmiSize, bits, bitsSize, p.U32(80), x, y, w, h, p.S32(44), p.S32(48),
                    p.S32(100), p.S32(104), p.U32(40), false, type == 114 ? 2 : 1);
            break;
        }
        case 83:  // ExtTextOutA
        case 84:  // ExtTextOutW
            text(36, type == 84);
            break;
        case 108: {  // SmallTextOut
            const LONG x = p.S32(8), y = p.S32(12);
            const DWORD chars = p.U32(16), options = p.U32(20);
            CRect rect;
            std::size_t at = 36;
            if (!(options & ETO_NO_RECT)) {
                rect = CRect(p.S32(36), p.S32(40), p.S32(44), p.S32(48));
                at = 52;
            }
            const bool narrow = (options & ETO_SMALL_CHARS) != 0;
            p.NeedItems(at, chars, narrow ? 1 : 2);
            QString string = narrow ? QString::fromLatin1(reinterpret_cast<const char*>(data + at),
                                                          static_cast<qsizetype>(chars))
                                    : WideText(data + at, chars);
            const bool hasRect = !(options & ETO_NO_RECT) && (options & (ETO_OPAQUE | ETO_CLIPPED));
            Text(x, y, string, {}, options, hasRect ? &rect : nullptr);
            break;
        }
        case 1:    // a second header
        case 13:   // SetBrushOrgEx
        case 16:   // SetMapperFlags
        case 21:   // SetStretchBltMode
        case 23:   // SetColorAdjustment
        case 28:   // SetMetaRgn
        case 51:   // ResizePalette
        case 52:   // RealizePalette
        case 58:   // SetMiterLimit
        case 70:   // GdiComment: comments and EMF+ records
        case 98:   // SetICMMode
        case 99:   // CreateColorSpace
        case 100:  // SetColorSpace
        case 101:  // DeleteColorSpace
        case 104:  // PixelFormat
        case 109:  // ForceUFIMapping
        case 110:  // NamedEscape
        case 111:  // ColorCorrectPalette
        case 112:  // SetICMProfileA
        case 113:  // SetICMProfileW
        case 115:  // SetLayout
        case 119:  // SetLinkedUFIs
        case 120:  // SetTextJustification
        case 121:  // ColorMatchToTargetW
        case 122:  // CreateColorSpaceW
            break;
        default:
            // Flood fills, masked and parallelogram blits, blends, gradients,
            // several texts at once, OpenGL records and unknown ones.
            NotDrawn(type);
            break;
    }
}
