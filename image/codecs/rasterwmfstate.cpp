// The metafile player's state: the mapping from logical units to the
// surface's pixels, the modes, colours and clip as the records set them,
// and saving and restoring them.

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/rasterwmfplayer.h"
#include "image/codecs/rasterwmfrecord.h"

using namespace metafile;

namespace {

bool SameFont(const FontSpec& a, const FontSpec& b) {
    return a.height == b.height && a.width == b.width && a.weight == b.weight &&
           a.italic == b.italic && a.underline == b.underline && a.strikeOut == b.strikeOut &&
           a.quality == b.quality && a.face == b.face;
}

}  // namespace

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

// An excluded band along a side of the clip narrows it; the clip is one
// rectangle, so other exclusions keep it.
void CMetafilePlayer::ExcludeBand(const CRect& d) {
    CRect box;
    if (dc_.GetClipBox(box) == NULLREGION) return;
    if (d.top <= box.top && d.bottom >= box.bottom) {
        if (d.left <= box.left && d.right > box.left) box.left = d.right;
        if (d.right >= box.right && d.left < box.right) box.right = d.left;
    } else if (d.left <= box.left && d.right >= box.right) {
        if (d.top <= box.top && d.bottom > box.top) box.top = d.bottom;
        if (d.bottom >= box.bottom && d.top < box.bottom) box.bottom = d.top;
    }
    ClipToRect(box, RGN_COPY);
}

// ---- Records ------------------------------------------------------------------------------

CMetafilePlayer::Region CMetafilePlayer::EmfRegion(const Params& p, std::size_t at,
                                                   DWORD cb) const {
    p.Need(at, cb);
    Region r;
    if (cb < 32) return r;
    const Params rgn{p.p + at, cb};
    const DWORD count = rgn.U32(8);
    rgn.NeedItems(32, count, 16);
    r.bound = CRect(rgn.S32(16), rgn.S32(20), rgn.S32(24), rgn.S32(28));
    for (DWORD i = 0; i < count; ++i) {
        const std::size_t o = 32 + 16 * std::size_t{i};
        r.rects.emplace_back(rgn.S32(o), rgn.S32(o + 4), rgn.S32(o + 8), rgn.S32(o + 12));
    }
    return r;
}

bool CMetafilePlayer::WmfState(unsigned function, const BYTE* data, std::size_t n) {
    const Params p{data, n};
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
        case 0x0416:    // IntersectClipRect
        case 0x0415: {  // ExcludeClipRect
            const CRect d = DevRect(p.S16(6), p.S16(4), p.S16(2), p.S16(0));
            if (function == 0x0416)
                ClipToRect(d, RGN_AND);
            else
                ExcludeBand(d);
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
            if (const Object* o = WmfObject(p, 0); o != nullptr && o->kind == Object::kRegion)
                Select(*o);
            else if (p.U16(0) == 0)
                ClipToRect(CRect(CPoint(0, 0), dc_.GetSize()), RGN_COPY);
            break;
        default:
            return false;
    }
    return true;
}

bool CMetafilePlayer::EmfState(unsigned type, const BYTE* data, std::size_t n) {
    const Params p{data, n};
    switch (type) {
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
        case 29:    // ExcludeClipRect: only a band along a side can be taken away
        case 30: {  // IntersectClipRect
            const CRect d = DevRect(p.S32(8), p.S32(12), p.S32(16), p.S32(20));
            if (type == 30)
                ClipToRect(d, RGN_AND);
            else
                ExcludeBand(d);
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
            const Region r = EmfRegion(p, 16, cb);
            const CPoint a = Pixel(
                QPointF((r.bound.left - frameX_) * frameSx_, (r.bound.top - frameY_) * frameSy_));
            const CPoint b = Pixel(QPointF((r.bound.right - frameX_) * frameSx_,
                                           (r.bound.bottom - frameY_) * frameSy_));
            const CRect d(a.x, a.y, b.x, b.y);
            ClipToRect(d, mode);
            break;
        }
        default:
            return false;
    }
    return true;
}
