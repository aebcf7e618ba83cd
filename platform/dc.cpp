#include "platform/dc.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

constexpr QRgb kRgbMask = 0x00FFFFFF;

// A raster operation of pens and brushes: the four bits of (code - 1) say
// which of the pen/picture bit combinations give a set bit.
QRgb ApplyRop2(int rop, QRgb pen, QRgb dst) {
    const unsigned t = static_cast<unsigned>(rop - 1) & 0xF;
    const QRgb p = pen & kRgbMask, d = dst & kRgbMask;
    QRgb out = 0;
    if (t & 1) out |= ~p & ~d;
    if (t & 2) out |= ~p & d;
    if (t & 4) out |= p & ~d;
    if (t & 8) out |= p & d;
    return 0xFF000000u | (out & kRgbMask);
}

// A raster operation of block transfers: bits 16-23 are the truth table over
// brush, source and picture.
QRgb ApplyRop3(DWORD rop, QRgb brush, QRgb src, QRgb dst) {
    const unsigned table = (rop >> 16) & 0xFF;
    const QRgb p = brush & kRgbMask, s = src & kRgbMask, d = dst & kRgbMask;
    QRgb out = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!((table >> i) & 1)) continue;
        out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return 0xFF000000u | (out & kRgbMask);
}

// On/off run lengths of a styled pen; empty for a solid one.
std::vector<int> StylePattern(const Pen& pen) {
    if (!pen.geometric && pen.width > 1) return {};  // wide cosmetic pens draw solid
    switch (pen.style) {
        case PS_DASH:
            return {18, 6};
        case PS_DOT:
            return {3, 3};
        case PS_DASHDOT:
            return {9, 6, 3, 6};
        case PS_DASHDOTDOT:
            return {9, 3, 3, 3, 3, 3};
        case PS_ALTERNATE:
            return {1, 1};
        case PS_USERSTYLE: {
            std::vector<int> runs(pen.dashes.begin(), pen.dashes.end());
            if (runs.size() % 2) runs.push_back(0);
            int on = 0;
            for (std::size_t i = 0; i < runs.size(); i += 2) on += runs[i];
            return on > 0 ? runs : std::vector<int>{};
        }
        default:
            return {};
    }
}

// Where a styled line starts in its pattern: the pen's phase, made
// non-negative modulo the pattern's length.
std::size_t StyleStart(const Pen& pen) {
    const std::vector<int> runs = StylePattern(pen);
    long long total = 0;
    for (int r : runs) total += std::max(0, r);
    if (total <= 0) return 0;
    long long phase = pen.dashPhase % total;
    if (phase < 0) phase += total;
    return static_cast<std::size_t>(phase);
}

bool PatternOn(const std::vector<int>& runs, std::size_t index) {
    if (runs.empty()) return true;
    int total = 0;
    for (int r : runs) total += r;
    if (total <= 0) return true;
    int pos = static_cast<int>(index % static_cast<std::size_t>(total));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (pos < runs[i]) return i % 2 == 0;
        pos -= runs[i];
    }
    return true;
}

bool HatchOn(int hatch, int x, int y) {
    const int hx = x & 7, hy = y & 7;
    switch (hatch) {
        case HS_HORIZONTAL:
            return hy == 7;
        case HS_VERTICAL:
            return hx == 7;
        case HS_FDIAGONAL:
            return hx == hy;
        case HS_BDIAGONAL:
            return hx == 7 - hy;
        case HS_CROSS:
            return hx == 7 || hy == 7;
        case HS_DIAGCROSS:
            return hx == hy || hx == 7 - hy;
        default:
            return false;
    }
}

// Rows of the ellipse inscribed in the pixels of `box` (normalised, not
// empty): for row y (inside the box), the first and last pixel inside.
struct EllipseRow {
    int x0, x1;
};
EllipseRow EllipseRowAt(const CRect& box, int y) {
    const double w = static_cast<double>(box.right) - box.left;
    const double h = static_cast<double>(box.bottom) - box.top;
    const double cx = box.left + (w - 1) / 2.0, cy = box.top + (h - 1) / 2.0;
    const double rx = w / 2.0, ry = h / 2.0;
    const double minHalf = (std::fmod(w, 2.0) == 0) ? 0.5 : 0.0;  // every row keeps its middle
    const double dy = (y - cy) / ry;
    const double dx = std::max(minHalf, rx * std::sqrt(std::max(0.0, 1.0 - dy * dy)));
    const int x0 = static_cast<int>(std::max<double>(box.left, std::ceil(cx - dx - 1e-9)));
    const int x1 = static_cast<int>(std::min<double>(box.right - 1.0, std::floor(cx + dx + 1e-9)));
    return {x0, x1};
}

// The part of `box` inside (x, y, w, h), figured in 64 bits so that far or
// huge rectangles do not overflow.
QRect Within(const QRect& box, int x, int y, int w, int h) {
    const std::int64_t left = std::max<std::int64_t>(box.left(), x);
    const std::int64_t top = std::max<std::int64_t>(box.top(), y);
    const std::int64_t right =
        std::min<std::int64_t>(box.right() + std::int64_t{1}, std::int64_t{x} + w);
    const std::int64_t bottom =
        std::min<std::int64_t>(box.bottom() + std::int64_t{1}, std::int64_t{y} + h);
    if (box.isEmpty() || right <= left || bottom <= top) return {};
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
}

// Turns "&x" into "x" and "&&" into "&".
QString StripPrefix(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

}  // namespace

// ---- Fonts ---------------------------------------------------------------

QString SubstituteFace(const QString& face) {
    static const std::map<QString, QString> table = [] {
        std::map<QString, QString> t;
        auto add = [&t](const QString& target, std::initializer_list<const char*> names) {
            for (const char* n : names) t[QString::fromUtf8(n).toCaseFolded()] = target;
        };
        add("NanumGothic", {"굴림", "돋움", "샘물", "으뜸", "새굴림", "맑은 고딕", "Gulim", "Dotum",
                            "Malgun Gothic"});
        add("NanumGothicCoding", {"굴림체", "돋움체", "GulimChe", "DotumChe"});
        add("NanumMyeongjo",
            {"바탕", "바탕체", "궁서", "궁서체", "Batang", "BatangChe", "Gungsuh", "GungsuhChe"});
        add("Liberation Sans",
            {"Arial", "Tahoma", "Verdana", "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",
             "MS Shell Dlg 2", "System"});
        add("Liberation Mono",
            {"Courier", "Courier New", "Fixedsys", "Terminal", "Lucida Console"});
        add("Liberation Serif", {"Times New Roman", "Times", "MS Serif"});
        return t;
    }();
    const QString key = face.trimmed().toCaseFolded();
    if (auto it = table.find(key); it != table.end()) return it->second;
    if (!key.isEmpty() && QFontDatabase::hasFamily(face.trimmed())) return face.trimmed();
    return QStringLiteral("DejaVu Sans");
}

LONG PointsToHeight(int points) { return -static_cast<LONG>(std::lround(points * 96.0 / 72.0)); }

CSize GetDialogBaseUnits(const FontSpec& font) {
    const QFontMetrics fm(MakeFont(font));
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, fm.ascent() + fm.descent()};
}

CRect MapDialogRect(const CRect& rect, CSize baseUnits) {
    // Rounded as MulDiv rounds: halves away from zero.
    auto scale = [](int value, int units, int per) {
        const long long n = static_cast<long long>(value) * units;
        return static_cast<int>(n >= 0 ? (n + per / 2) / per : -((-n + per / 2) / per));
    };
    return CRect(scale(rect.left, baseUnits.cx, 4), scale(rect.top, baseUnits.cy, 8),
                 scale(rect.right, baseUnits.cx, 4), scale(rect.bottom, baseUnits.cy, 8));
}

QFont MakeFont(const FontSpec& spec) {
    QFont font(SubstituteFace(AnsiToQString(spec.face)));
    font.setStyleStrategy(spec.quality == ANTIALIASED_QUALITY || spec.quality == CLEARTYPE_QUALITY
                              ? QFont::PreferAntialias
                              : QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    const int weight = spec.weight <= 0 ? FW_NORMAL : std::min<LONG>(spec.weight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    const LONG height = spec.height == 0 ? 16 : spec.height;
    if (height < 0) {
        font.setPixelSize(static_cast<int>(-height));
    } else {
        // A cell height: scale from a reference size, then make sure the cell fits.
        font.setPixelSize(100);
        const QFontMetrics ref(font);
        int px = std::max(1, static_cast<int>(std::lround(
                                 height * 100.0 / std::max(1, ref.ascent() + ref.descent()))));
        for (;;) {
            font.setPixelSize(px);
            const QFontMetrics fm(font);
            if (px <= 1 || fm.ascent() + fm.descent() <= height) break;
            --px;
        }
    }
    if (spec.width > 0) {
        const QFontMetrics fm(font);
        const int natural = std::max(1, fm.averageCharWidth());
        font.setStretch(
            std::clamp(static_cast<int>(std::lround(spec.width * 100.0 / natural)), 1, 4000));
    }
    return font;
}

Pen Pen::Geometric(int penStyle, int penWidth, COLORREF penColor, int cap,
                   std::vector<DWORD> userDashes) {
    Pen pen(penStyle, penWidth, penColor);
    pen.geometric = true;
    pen.endCap = cap;
    pen.dashes = std::move(userDashes);
    return pen;
}

// ---- Surface and state ---------------------------------------------------

CDC::CDC(int width, int height, COLORREF background)
    : owned_(
          std::make_unique<QImage>(std::max(0, width), std::max(0, height), QImage::Format_RGB32)),
      image_(owned_.get()) {
    owned_->fill(ToQRgb(background));
    Init();
}

CDC::CDC(QImage& target) : image_(&target) {
    if (target.format() != QImage::Format_RGB32 && target.format() != QImage::Format_ARGB32)
        target = target.convertToFormat(QImage::Format_RGB32);
    Init();
}

CDC::~CDC() = default;

void CDC::Init() { font_ = MakeFont(fontSpec_); }

Pen CDC::SelectPen(const Pen& pen) { return std::exchange(pen_, pen); }
Brush CDC::SelectBrush(const Brush& brush) { return std::exchange(brush_, brush); }
FontSpec CDC::SelectFont(const FontSpec& font) {
    FontSpec old = std::exchange(fontSpec_, font);
    font_ = MakeFont(fontSpec_);
    return old;
}
COLORREF CDC::SetTextColor(COLORREF c) { return std::exchange(textColor_, c); }
COLORREF CDC::SetBkColor(COLORREF c) { return std::exchange(bkColor_, c); }
int CDC::SetBkMode(int mode) { return std::exchange(bkMode_, mode); }
int CDC::SetROP2(int rop) { return std::exchange(rop2_, rop); }

void CDC::SelectClipRect(const CRect* rect) {
    clip_ = CRect();
    clipNothing_ = false;
    if (rect == nullptr) return;
    clip_ = *rect;
    clip_.NormalizeRect();
    // An empty rectangle is a clip all the same, one that admits no pixel.
    if (clip_.IsRectEmpty()) {
        clip_ = CRect(0, 0, 0, 0);
        clipNothing_ = true;
    }
}

void CDC::IntersectClipRect(const CRect& rect) {
    if (clipNothing_) return;
    CRect r = rect;
    r.NormalizeRect();
    if (clip_.IsRectEmpty() && !r.IsRectEmpty()) {
        clip_ = r;
    } else if (r.IsRectEmpty() || !clip_.IntersectRect(clip_, r)) {
        clip_ = CRect(0, 0, 0, 0);
        clipNothing_ = true;
    }
}

void CDC::RestoreClip(const ClipState& state) {
    clip_ = state.rect;
    clipNothing_ = state.nothing;
}

int CDC::GetClipBox(CRect& rect) const {
    const QRect box = ClipBox();
    if (box.isEmpty()) {
        rect = CRect(0, 0, 0, 0);
        return NULLREGION;
    }
    rect = CRect(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    return SIMPLEREGION;
}

bool CDC::RectVisible(const CRect& rect) const {
    CRect r = rect, box;
    r.NormalizeRect();
    if (GetClipBox(box) == NULLREGION) return false;
    CRect common;
    return common.IntersectRect(r, box);
}

QRect CDC::ClipBox() const {
    const QRect all(0, 0, image_->width(), image_->height());
    if (clipNothing_) return QRect();
    if (clip_.IsRectEmpty()) return all;
    return all & QRect(clip_.left, clip_.top, clip_.Width(), clip_.Height());
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (!image_->valid(x, y)) return CLR_NONE;
    return FromQRgb(image_->pixel(x, y));
}

COLORREF CDC::SetPixel(int x, int y, COLORREF c) {
    if (!ClipBox().contains(x, y)) return CLR_NONE;
    image_->setPixel(x, y, ToQRgb(c));
    return c;
}

void CDC::Plot(int x, int y, QRgb pen) {
    // The clip box test of ClipBox, without making the box for every pixel.
    if (clipNothing_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
    if (!clip_.IsRectEmpty() &&
        (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom))
        return;
    QRgb* row = reinterpret_cast<QRgb*>(image_->scanLine(y));
    row[x] = ApplyRop2(rop2_, pen, row[x]);
}

void CDC::Span(int x0, int x1, int y, const Brush& brush, bool useRop) {
    if (brush.style == BS_NULL) return;
    const QRect box = ClipBox();
    if (y < box.top() || y > box.bottom()) return;
    x0 = std::max(x0, box.left());
    x1 = std::min(x1, box.right());
    if (x0 > x1) return;
    QRgb* row = reinterpret_cast<QRgb*>(image_->scanLine(y));
    const int rop = useRop ? rop2_ : R2_COPYPEN;
    // Plain solid fills (page backgrounds, filled boxes) take whole rows.
    if (brush.style == BS_SOLID && rop == R2_COPYPEN) {
        std::fill(row + x0, row + x1 + 1, ToQRgb(brush.color));
        return;
    }
    for (int x = x0; x <= x1; ++x) {
        QRgb color = ToQRgb(brush.color);
        if (brush.style == BS_HATCHED && !HatchOn(brush.hatch, x, y)) {
            if (bkMode_ != OPAQUE) continue;
            color = ToQRgb(bkColor_);
        }
        row[x] = ApplyRop2(rop, color, row[x]);
    }
}

void CDC::FillArea(const CRect& rect, const Brush& brush, bool useRop) {
    CRect r = rect;
    r.NormalizeRect();
    for (int y = r.top; y < r.bottom; ++y) Span(r.left, r.right - 1, y, brush, useRop);
}

// ---- Lines ---------------------------------------------------------------

CPoint CDC::MoveTo(int x, int y) { return std::exchange(position_, CPoint(x, y)); }

void CDC::LineTo(int x, int y) {
    const CPoint from = position_, to(x, y);
    position_ = to;
    if (pen_.style == PS_NULL) return;
    if (pen_.width > 1) {
        if (from != to) WidePolyline({from, to}, false);
    } else {
        std::size_t styleIndex = StyleStart(pen_);
        ThinLine(from, to, pen_.geometric && pen_.endCap != PS_ENDCAP_FLAT, &styleIndex);
    }
}

void CDC::ThinLine(CPoint from, CPoint to, bool lastPixel, std::size_t* styleIndex) {
    const std::vector<int> pattern = StylePattern(pen_);
    const QRgb color = ToQRgb(pen_.color);
    int x = from.x, y = from.y;
    const int dx = std::abs(to.x - x), dy = -std::abs(to.y - y);
    const int sx = x < to.x ? 1 : -1, sy = y < to.y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        const bool atEnd = (x == to.x && y == to.y);
        if (atEnd && !lastPixel) break;
        if (PatternOn(pattern, (*styleIndex)++)) Plot(x, y, color);
        if (atEnd) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// A wide outline is rasterised into one coverage mask, joins and all, so
// that every pixel meets the raster operation once. The mask covers the
// outline's box, widened by the pen, where it meets the clip box: an outline
// reaching far beyond the surface, or a short piece of a wide one, costs
// only what shows. A styled geometric pen's pattern runs on along the whole
// outline.
void CDC::WidePolyline(const std::vector<CPoint>& points, bool closed) {
    const QRect clip = ClipBox();
    if (clip.isEmpty() || points.empty()) return;
    const int w = pen_.width;
    const std::int64_t reach = std::int64_t{w} + 1;
    std::int64_t left = points[0].x, top = points[0].y, right = left, bottom = top;
    for (const CPoint& q : points) {
        left = std::min<std::int64_t>(left, q.x);
        top = std::min<std::int64_t>(top, q.y);
        right = std::max<std::int64_t>(right, q.x);
        bottom = std::max<std::int64_t>(bottom, q.y);
    }
    left = std::max<std::int64_t>(left - reach, clip.left());
    top = std::max<std::int64_t>(top - reach, clip.top());
    right = std::min<std::int64_t>(right + reach, clip.right());
    bottom = std::min<std::int64_t>(bottom + reach, clip.bottom());
    if (right < left || bottom < top) return;
    const int ox = static_cast<int>(left), oy = static_cast<int>(top);
    const int mw = static_cast<int>(right - left + 1), mh = static_cast<int>(bottom - top + 1);
    QImage mask(mw, mh, QImage::Format_ARGB32);
    if (mask.isNull()) return;
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen qpen(QColor(0, 0, 0), w);
        qpen.setJoinStyle(Qt::RoundJoin);
        if (!pen_.geometric) {
            qpen.setCapStyle(Qt::RoundCap);
        } else {
            qpen.setCapStyle(pen_.endCap == PS_ENDCAP_FLAT     ? Qt::FlatCap
                             : pen_.endCap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                               : Qt::RoundCap);
            const std::vector<int> pattern = StylePattern(pen_);
            if (!pattern.empty()) {
                QList<qreal> dashes;
                for (int run : pattern) dashes.append(static_cast<qreal>(run) / w);
                qpen.setDashPattern(dashes);
            }
        }
        p.setPen(qpen);
        // Aliased filling takes the pixels whose corner point lies inside the
        // stroke, so a flat dash from x0 to x1 covers x0..x1-1.
        QPainterPath path;
        path.moveTo(double(points[0].x) - ox, double(points[0].y) - oy);
        for (std::size_t i = 1; i < points.size(); ++i)
            path.lineTo(double(points[i].x) - ox, double(points[i].y) - oy);
        if (closed) path.closeSubpath();
        p.drawPath(path);
    }
    const QRgb color = ToQRgb(pen_.color);
    for (int my = 0; my < mh; ++my) {
        const QRgb* row = reinterpret_cast<const QRgb*>(mask.constScanLine(my));
        for (int mx = 0; mx < mw; ++mx)
            if (qAlpha(row[mx]) >= 128) Plot(mx + ox, my + oy, color);
    }
}

// ---- Shapes --------------------------------------------------------------

void CDC::Rectangle(const CRect& rect) {
    CRect r = rect;
    r.NormalizeRect();
    if (pen_.style == PS_NULL) {
        FillArea(CRect(r.left, r.top, r.right - 1, r.bottom - 1), brush_, true);
        return;
    }
    if (r.IsRectEmpty()) return;
    const int w = std::max(1, pen_.width);
    const QRgb color = ToQRgb(pen_.color);
    if (w == 1 && (r.Width() == 1 || r.Height() == 1)) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) Plot(x, y, color);
        return;
    }
    if (w == 1) {
        // The outline as one styled path, clockwise from the top-left corner.
        std::size_t styleIndex = StyleStart(pen_);
        const CPoint corners[] = {{r.left, r.top},
                                  {r.right - 1, r.top},
                                  {r.right - 1, r.bottom - 1},
                                  {r.left, r.bottom - 1},
                                  {r.left, r.top}};
        for (int i = 0; i < 4; ++i) ThinLine(corners[i], corners[i + 1], false, &styleIndex);
    } else {
        for (int y = r.top; y < r.bottom; ++y) {
            const bool band = y < r.top + w || y >= r.bottom - w;
            for (int x = r.left; x < r.right; ++x)
                if (band || x < r.left + w || x >= r.right - w) Plot(x, y, color);
        }
    }
    FillArea(CRect(r.left + w, r.top + w, r.right - w, r.bottom - w), brush_, true);
}

void CDC::Ellipse(const CRect& rect) {
    CRect outer = rect;
    outer.NormalizeRect();
    if (pen_.style == PS_NULL) {
        outer.right -= 1;
        outer.bottom -= 1;
        if (outer.IsRectEmpty()) return;
        const QRect box = ClipBox();
        for (int y = std::max<int>(outer.top, box.top()),
                 end = std::min<int>(outer.bottom - 1, box.bottom());
             y <= end; ++y) {
            const EllipseRow row = EllipseRowAt(outer, y);
            Span(row.x0, row.x1, y, brush_, true);
        }
        return;
    }
    const QRgb color = ToQRgb(pen_.color);
    EllipseOutline(outer, [&](int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) Plot(x, y, color);
    });
}

// Calls `run` for every run of outline pixels of the ellipse in `outer` with
// the pen's width, within the clip box, and fills the interior with the
// brush as it goes (only with `fill`).
void CDC::EllipseOutline(const CRect& outer, const std::function<void(int, int, int)>& run,
                         bool fill) {
    if (outer.IsRectEmpty()) return;
    const int w = std::max(1, pen_.width);
    CRect inner = outer;
    inner.DeflateRect(w, w);
    // Only the rows and pixels inside the clip box are visited.
    const QRect box = ClipBox();
    auto clipped = [&](int x0, int x1, int y) {
        x0 = std::max(x0, box.left());
        x1 = std::min(x1, box.right());
        if (x0 <= x1) run(x0, x1, y);
    };
    for (int y = std::max<int>(outer.top, box.top()),
             end = std::min<int>(outer.bottom - 1, box.bottom());
         y <= end; ++y) {
        const EllipseRow o = EllipseRowAt(outer, y);
        if (!inner.IsRectEmpty() && y >= inner.top && y < inner.bottom) {
            const EllipseRow in = EllipseRowAt(inner, y);
            clipped(o.x0, in.x0 - 1, y);
            clipped(in.x1 + 1, o.x1, y);
            if (fill) Span(in.x0, in.x1, y, brush_, true);
        } else {
            clipped(o.x0, o.x1, y);
        }
    }
}

void CDC::Arc(const CRect& rect, CPoint start, CPoint end) {
    if (pen_.style == PS_NULL) return;
    CRect outer = rect;
    outer.NormalizeRect();
    const double cx = (static_cast<double>(outer.left) + outer.right) / 2.0;
    const double cy = (static_cast<double>(outer.top) + outer.bottom) / 2.0;
    // Angles counter-clockwise as the picture shows them (y grows downwards).
    auto angleOf = [&](double x, double y) { return std::atan2(cy - y, x - cx); };
    constexpr double kTwoPi = 6.283185307179586;
    auto wrap = [&](double a) {
        a = std::fmod(a, kTwoPi);
        return a < 0 ? a + kTwoPi : a;
    };
    const bool startAtCentre = start.x == cx && start.y == cy;
    const bool endAtCentre = end.x == cx && end.y == cy;
    const double a0 = angleOf(start.x, start.y);
    const double sweep = wrap(angleOf(end.x, end.y) - a0);
    const bool whole = startAtCentre || endAtCentre || sweep == 0.0;
    const QRgb color = ToQRgb(pen_.color);
    EllipseOutline(
        outer,
        [&](int x0, int x1, int y) {
            for (int x = x0; x <= x1; ++x) {
                // A pixel belongs to the arc when its centre's angle lies in
                // the sweep.
                if (whole || wrap(angleOf(x + 0.5, y + 0.5) - a0) <= sweep) Plot(x, y, color);
            }
        },
        false);
}

void CDC::FillRect(const CRect& rect, const Brush& brush) { FillArea(rect, brush, false); }

void CDC::FrameRect(const CRect& rect, const Brush& brush) {
    CRect r = rect;
    r.NormalizeRect();
    if (r.IsRectEmpty()) return;
    FillArea(CRect(r.left, r.top, r.right, r.top + 1), brush, false);
    FillArea(CRect(r.left, r.bottom - 1, r.right, r.bottom), brush, false);
    FillArea(CRect(r.left, r.top + 1, r.left + 1, r.bottom - 1), brush, false);
    FillArea(CRect(r.right - 1, r.top + 1, r.right, r.bottom - 1), brush, false);
}

void CDC::InvertRect(const CRect& rect) {
    const int old = SetROP2(R2_NOT);
    FillArea(rect, Brush(0), true);
    SetROP2(old);
}

void CDC::DrawFocusRect(const CRect& rect) {
    CRect r = rect;
    r.NormalizeRect();
    if (r.IsRectEmpty()) return;
    const int old = SetROP2(R2_NOT);
    for (int y = r.top; y < r.bottom; ++y) {
        const bool edgeRow = y == r.top || y == r.bottom - 1;
        for (int x = r.left; x < r.right; ++x) {
            const bool edge = edgeRow || x == r.left || x == r.right - 1;
            if (edge && ((x - r.left + y - r.top) % 2 == 0)) Plot(x, y, 0);
        }
    }
    SetROP2(old);
}

void CDC::Draw3dRect(const CRect& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rect.left, y = rect.top, cx = rect.Width(), cy = rect.Height();
    FillSolidRect(CRect(x, y, x + cx - 1, y + 1), topLeft);
    FillSolidRect(CRect(x, y, x + 1, y + cy - 1), topLeft);
    FillSolidRect(CRect(x + cx - 1, y, x + cx, y + cy), bottomRight);
    FillSolidRect(CRect(x, y + cy - 1, x + cx, y + cy), bottomRight);
}

// ---- Images --------------------------------------------------------------

void CDC::BitBlt(int x, int y, int width, int height, const CDC& source, int srcX, int srcY,
                 DWORD rop) {
    const QRect box = ClipBox();
    const QImage& src = source.Image();
    const QRgb brush = ToQRgb(brush_.color);
    // A copy first, so that a surface can be blitted onto itself.
    const QImage from = (&source == this) ? src.copy() : QImage();
    const QImage& s = (&source == this) ? from : src;
    for (int j = 0; j < height; ++j) {
        const int dy = y + j, sy = srcY + j;
        if (dy < box.top() || dy > box.bottom()) continue;
        QRgb* row = reinterpret_cast<QRgb*>(image_->scanLine(dy));
        for (int i = 0; i < width; ++i) {
            const int dx = x + i, sx = srcX + i;
            if (dx < box.left() || dx > box.right()) continue;
            const QRgb sp = s.valid(sx, sy) ? s.pixel(sx, sy) : 0xFF000000u;
            row[dx] = ApplyRop3(rop, brush, sp, row[dx]);
        }
    }
}

void CDC::StretchBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy, int sw,
                     int sh, DWORD rop) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    const QImage src =
        (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32)
            ? source
            : source.convertToFormat(QImage::Format_RGB32);
    const QRect box = Within(ClipBox(), x, y, w, h);
    if (box.isEmpty()) return;
    // Source column of every visible destination column, -1 outside.
    std::vector<int> columns(static_cast<std::size_t>(box.width()));
    for (int dx = box.left(); dx <= box.right(); ++dx) {
        const std::int64_t c = sx + std::int64_t{dx - x} * sw / w;
        columns[static_cast<std::size_t>(dx - box.left())] =
            (c >= 0 && c < src.width()) ? static_cast<int>(c) : -1;
    }
    const QRgb brush = ToQRgb(brush_.color);
    for (int dy = box.top(); dy <= box.bottom(); ++dy) {
        const std::int64_t r = sy + std::int64_t{dy - y} * sh / h;
        const QRgb* s = (r >= 0 && r < src.height())
                            ? reinterpret_cast<const QRgb*>(src.constScanLine(static_cast<int>(r)))
                            : nullptr;
        QRgb* d = reinterpret_cast<QRgb*>(image_->scanLine(dy)) + box.left();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const QRgb sp = (s != nullptr && columns[i] >= 0) ? s[columns[i]] : 0xFF000000u;
            d[i] = rop == SRCCOPY ? (sp | 0xFF000000u) : ApplyRop3(rop, brush, sp, d[i]);
        }
    }
}

void CDC::StretchBlt(int x, int y, int w, int h, const CDC& source, int sx, int sy, int sw, int sh,
                     DWORD rop) {
    // A copy of the source, so that a surface can be stretched onto itself.
    StretchBlt(x, y, w, h, &source == this ? source.Image().copy() : source.Image(), sx, sy, sw, sh,
               rop);
}

void CDC::DrawImage(int x, int y, const QImage& image) {
    DrawTransparentImage(x, y, image, CLR_NONE);
}

void CDC::StretchImage(const CRect& target, const QImage& image) {
    // Nothing shows when the clip admits no pixel.
    const QRect box = ClipBox();
    if (box.isEmpty()) return;
    QPainter p(image_);
    p.setClipRect(box);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(target.left, target.top, target.Width(), target.Height()), image);
}

void CDC::DrawTransparentImage(int x, int y, const QImage& image, COLORREF transparent) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const QRect box = ClipBox();
    const QRgb key = ToQRgb(transparent);
    for (int j = 0; j < src.height(); ++j) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(j));
        for (int i = 0; i < src.width(); ++i) {
            if (transparent != CLR_NONE && s[i] == key) continue;
            if (box.contains(x + i, y + j)) image_->setPixel(x + i, y + j, s[i]);
        }
    }
}

void CDC::DrawDisabledImage(int x, int y, const QImage& image, COLORREF transparent) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = ToQRgb(transparent);
    auto ink = [&](int i, int j) {
        const QRgb c = src.pixel(i, j);
        if (transparent != CLR_NONE && c == key) return false;
        return qGray(c) < 192;
    };
    const QRect box = ClipBox();
    const QRgb light = ToQRgb(GetSysColor(COLOR_BTNHIGHLIGHT));
    const QRgb dark = ToQRgb(GetSysColor(COLOR_BTNSHADOW));
    for (int pass = 0; pass < 2; ++pass) {
        const int off = pass == 0 ? 1 : 0;
        for (int j = 0; j < src.height(); ++j)
            for (int i = 0; i < src.width(); ++i)
                if (ink(i, j) && box.contains(x + i + off, y + j + off))
                    image_->setPixel(x + i + off, y + j + off, pass == 0 ? light : dark);
    }
}

// ---- Text ----------------------------------------------------------------

TextMetrics CDC::GetTextMetrics() const {
    const QFontMetrics fm(font_, image_);
    TextMetrics tm;
    tm.ascent = fm.ascent();
    tm.descent = fm.descent();
    tm.height = tm.ascent + tm.descent;
    tm.internalLeading = std::max(0, tm.height - font_.pixelSize());
    tm.externalLeading = std::max(0, fm.leading());
    tm.aveCharWidth = fm.averageCharWidth();
    tm.maxCharWidth = fm.maxWidth();
    return tm;
}

CSize CDC::GetTextExtent(const std::string& text) const {
    return GetTextExtent(AnsiToQString(text));
}

CSize CDC::GetTextExtent(const QString& text) const {
    const QFontMetrics fm(font_, image_);
    return {fm.horizontalAdvance(text), fm.ascent() + fm.descent()};
}

void CDC::TextOut(int x, int y, const std::string& text) { TextOut(x, y, AnsiToQString(text)); }

void CDC::TextOut(int x, int y, const QString& text) { DrawTextLine(x, y, text); }

void CDC::DrawTextLine(int x, int y, const QString& text) {
    const QRect box = ClipBox();
    if (text.isEmpty() || box.isEmpty()) return;
    const QFontMetrics fm(font_, image_);
    QPainter p(image_);
    p.setClipRect(box);
    if (bkMode_ == OPAQUE)
        p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.ascent() + fm.descent()),
                   QColor(ToQRgb(bkColor_)));
    // Text of a font that does not ask for smoothing comes out in the text
    // colour alone, so that pictures made from it can be thresholded.
    const bool smooth =
        fontSpec_.quality == ANTIALIASED_QUALITY || fontSpec_.quality == CLEARTYPE_QUALITY;
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(font_);
    p.setPen(QColor(ToQRgb(textColor_)));
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

int CDC::DrawText(const std::string& text, CRect& rect, UINT format) {
    return DrawText(AnsiToQString(text), rect, format);
}

int CDC::DrawText(const QString& source, CRect& rect, UINT format) {
    const QFontMetrics fm(font_, image_);
    const int lineHeight = fm.ascent() + fm.descent();
    const int width = rect.Width();
    QString text = (format & DT_NOPREFIX) ? source : StripPrefix(source);
    text.remove('\r');

    QStringList lines;
    if (format & DT_SINGLELINE) {
        lines << QString(text).remove('\n');
    } else {
        for (const QString& para : text.split('\n')) {
            if (!(format & DT_WORDBREAK)) {
                lines << para;
                continue;
            }
            // Greedy breaking at spaces; a word wider than the box stands alone.
            QString line;
            for (const QString& word : para.split(' ')) {
                const QString candidate = line.isEmpty() ? word : line + ' ' + word;
                if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
                    lines << line;
                    line = word;
                } else {
                    line = candidate;
                }
            }
            lines << line;
        }
    }
    if (format & DT_END_ELLIPSIS) {
        for (QString& line : lines) {
            if (fm.horizontalAdvance(line) <= width) continue;
            while (!line.isEmpty() && fm.horizontalAdvance(line + "...") > width) line.chop(1);
            line += "...";
        }
    }

    const int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
        rect.right = rect.left + widest;
        rect.bottom = rect.top + total;
        return total;
    }

    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect.top + (rect.Height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rect.bottom - lineHeight;
    }
    const ClipState saved = SaveClip();
    if (!(format & DT_NOCLIP)) IntersectClipRect(rect);
    for (int i = 0; i < lines.size(); ++i) {
        const int lw = fm.horizontalAdvance(lines[i]);
        int x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (width - lw) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - lw;
        DrawTextLine(x, y + i * lineHeight, lines[i]);
    }
    RestoreClip(saved);
    return (y - rect.top) + total;
}

void CDC::DrawDisabledText(const std::string& text, const CRect& rect, UINT format) {
    const int oldMode = SetBkMode(TRANSPARENT);
    const COLORREF oldColor = SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
    CRect shifted = rect;
    shifted.OffsetRect(1, 1);
    DrawText(text, shifted, format & ~DT_CALCRECT);
    SetTextColor(GetSysColor(COLOR_BTNSHADOW));
    CRect r = rect;
    DrawText(text, r, format & ~DT_CALCRECT);
    SetTextColor(oldColor);
    SetBkMode(oldMode);
}
