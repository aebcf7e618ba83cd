#include "pixel/lmregjpwindow.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <algorithm>

#include "foundation/fxsharedvalues.h"
#include "foundation/pixel/fxpixelutils.h"
#include "pixel/lmrcrawljob.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/dc.h"
#include "platform/resources.h"
#include "platform/window.h"

namespace {

CLmrEGJPWindow* g_pEGJPWindow = nullptr;

constexpr COLORREF kBackground = 0x828282;
constexpr COLORREF kGrid = 0xF0F0F0;
constexpr COLORREF kFrame = 0x505050;
constexpr COLORREF kMarqueeBase = 0x00FFFF;
constexpr DWORD kLayerMark = 0x1000000;
constexpr UINT_PTR kMarqueeTimer = 2;

// Pointer travel beyond the canvas is held within this many pixels, so that
// a shape dragged far outside never needs a huge drawing surface.
constexpr int kMaxReach = 512;

bool InsideInclusive(const CRect& r, CPoint p) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

CRect Normalised(CPoint a, CPoint b) {
    return CRect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
}

// The inclusive intersection; a rectangle with right < left when empty.
CRect ClipInclusive(const CRect& r, const CRect& to) {
    return CRect(std::max(r.left, to.left), std::max(r.top, to.top), std::min(r.right, to.right),
                 std::min(r.bottom, to.bottom));
}

bool EmptyInclusive(const CRect& r) { return r.right < r.left || r.bottom < r.top; }

CLmrOGJPWindow* Canvas() { return LmrOGJPWindow(); }

}  // namespace

CLmrEGJPWindow* LmrEGJPWindow() { return g_pEGJPWindow; }

CLmrEGJPWindow::CLmrEGJPWindow(QWidget* parent)
    : QAbstractScrollArea(parent), m_pThreads(std::make_unique<CFxMLThreadManager>()) {
    g_pEGJPWindow = this;
    setObjectName("EGJPW");
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_pCrawl = std::make_shared<CLmrCrawlShared>(this, [this] { OnMarqueeTick(); });
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == kMarqueeTimer) GJPSMDraw();
    });
    ResetScrollSize();
}

CLmrEGJPWindow::~CLmrEGJPWindow() {
    StopMarquee();
    m_pCrawl->Detach();
    // The job holds the shared part only; the threads end by themselves.
    m_pThreads->SetShutdownPolicy("terminate");
    m_pThreads.reset();
    if (g_pEGJPWindow == this) g_pEGJPWindow = nullptr;
}

CPoint CLmrEGJPWindow::ScrollPos() const {
    return CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

CSize CLmrEGJPWindow::GetScrollSize() const {
    const LmrOptionValues& o = LmrOpt();
    const int step = o.ejpbreadth + 1;
    return CSize(16 * o.mlegjpwidth * step + 78, 16 * o.mlegjpheight * step + 78);
}

void CLmrEGJPWindow::ResetScrollSize() {
    const CSize size = GetScrollSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(size.cx) - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(size.cy) - view.height()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    horizontalScrollBar()->setSingleStep(LmrOpt().ejpbreadth + 1);
    verticalScrollBar()->setSingleStep(LmrOpt().ejpbreadth + 1);
    viewport()->update();
}

CPoint CLmrEGJPWindow::ClientToOSL(CPoint client) const {
    const LmrOptionValues& o = LmrOpt();
    const int step = o.ejpbreadth + 1;
    const CPoint scroll = ScrollPos();
    CPoint p(fxpixel::FloorDiv(static_cast<long long>(client.x) + scroll.x - kOrigin, step) +
                 o.omlegjpleft * 16,
             fxpixel::FloorDiv(static_cast<long long>(client.y) + scroll.y - kOrigin, step) +
                 o.omlegjptop * 16);
    p.x = std::clamp<LONG>(p.x, -kMaxReach, CLmrOGJPixel::OGJP_WIDTH + kMaxReach);
    p.y = std::clamp<LONG>(p.y, -kMaxReach, CLmrOGJPixel::OGJP_HEIGHT + kMaxReach);
    return p;
}

CRect CLmrEGJPWindow::OSLToClientRect(int x, int y) const {
    const LmrOptionValues& o = LmrOpt();
    const int b = o.ejpbreadth, step = b + 1;
    const CPoint scroll = ScrollPos();
    const int vx = kOrigin + (x - o.omlegjpleft * 16) * step - scroll.x;
    const int vy = kOrigin + (y - o.omlegjptop * 16) * step - scroll.y;
    return CRect(vx, vy, vx + b, vy + b);
}

bool CLmrEGJPWindow::IsInWorkingArea(CPoint osl) {
    return InsideInclusive(CLmrOGJPixel::GetWorkingAreaOSLRect(), osl);
}

// ---- Painting ------------------------------------------------------------

void CLmrEGJPWindow::RedrawEGJPWindow(const CRect* eslRect) {
    if (!eslRect || LmrIsNullRect(*eslRect)) {
        viewport()->update();
        return;
    }
    const LmrOptionValues& o = LmrOpt();
    CRect osl = *eslRect;
    osl.OffsetRect(o.omlegjpleft * 16, o.omlegjptop * 16);
    InvalidateESL(osl);
}

// Repaints the squares of an inclusive OSL rectangle, with the gap around.
void CLmrEGJPWindow::InvalidateESL(const CRect& osl) {
    const CRect r = Normalised(CPoint(osl.left, osl.top), CPoint(osl.right, osl.bottom));
    const CRect a = OSLToClientRect(r.left, r.top), b = OSLToClientRect(r.right, r.bottom);
    viewport()->update(QRect(QPoint(a.left - 1, a.top - 1), QPoint(b.right + 1, b.bottom + 1)));
}

void CLmrEGJPWindow::RenderTo(QImage& image) {
    if (image.size() != viewport()->size() || image.format() != QImage::Format_RGB32)
        image = QImage(viewport()->size(), QImage::Format_RGB32);
    CDC dc(image);
    Render(dc, image.rect());
}

void CLmrEGJPWindow::paintEvent(QPaintEvent* event) {
    const QSize size = viewport()->size();
    QRect clip = event->rect();
    if (m_imgFrame.size() != size) {
        m_imgFrame = QImage(size, QImage::Format_RGB32);
        clip = m_imgFrame.rect();
    }
    if (m_imgFrame.isNull()) return;
    {
        CDC dc(m_imgFrame);
        Render(dc, clip);
    }
    QPainter painter(viewport());
    painter.drawImage(clip.topLeft(), m_imgFrame, clip);
}

void CLmrEGJPWindow::Render(CDC& dc, const QRect& qclip) {
    const CRect clip(qclip.left(), qclip.top(), qclip.right() + 1, qclip.bottom() + 1);
    dc.SelectClipRect(&clip);
    const LmrOptionValues& o = LmrOpt();
    const int b = o.ejpbreadth, step = b + 1;
    const int areaW = 16 * o.mlegjpwidth, areaH = 16 * o.mlegjpheight;
    const CPoint scroll = ScrollPos();
    const int x0 = kOrigin - scroll.x, y0 = kOrigin - scroll.y;
    const CRect area(x0, y0, x0 + areaW * step - 1, y0 + areaH * step - 1);

    dc.FillSolidRect(clip, kBackground);
    dc.FillSolidRect(area, kGrid);

    // Only the squares that meet the clip are visited.
    const int firstX = std::max(0, (static_cast<int>(clip.left) - x0) / step);
    const int lastX = std::min(areaW - 1, (static_cast<int>(clip.right) - x0) / step);
    const int firstY = std::max(0, (static_cast<int>(clip.top) - y0) / step);
    const int lastY = std::min(areaH - 1, (static_cast<int>(clip.bottom) - y0) / step);
    const CLmrOGJPWindow* canvas = Canvas();
    QImage& image = dc.Image();
    const int imgW = image.width(), imgH = image.height();
    int squares = 0;
    for (int ey = firstY; ey <= lastY; ++ey) {
        const int vy = y0 + ey * step;
        const int top = std::max<int>(vy, clip.top), bottom = std::min<int>(vy + b, clip.bottom);
        if (top >= bottom) continue;
        for (int ex = firstX; ex <= lastX; ++ex) {
            const int vx = x0 + ex * step;
            const int left = std::max<int>(vx, clip.left),
                      right = std::min<int>(vx + b, clip.right);
            if (left >= right) continue;
            const int ox = o.omlegjpleft * 16 + ex, oy = o.omlegjptop * 16 + ey;
            COLORREF color = 0xFFFFFF;
            if (canvas) {
                const DWORD layer = canvas->GetPGInfoByOSLPoint(ox, oy);
                color = (layer & kLayerMark)
                            ? (layer & 0xFFFFFF)
                            : static_cast<COLORREF>(canvas->GetJPixelByOSLPoint(ox, oy));
            }
            const QRgb rgb = ToQRgb(color);
            for (int y = std::max(top, 0); y < std::min(bottom, imgH); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = std::max(left, 0); x < std::min(right, imgW); ++x) row[x] = rgb;
            }
            ++squares;
        }
    }
    CRect frame = area;
    frame.InflateRect(1, 1);
    dc.FrameRect(frame, Brush(kFrame));
    DrawMarquee(dc);

    if (FxSharedValues().GetRealReleaseFlag() == 0) {
        // Developer diagnostics: what this repaint drew.
        const CRect box(0, 0, 250, 18);
        const QRgb dark = QRandomGenerator::global()->bounded(0x40);
        dc.FillSolidRect(box, RGB(dark, dark / 2, dark));
        dc.SetTextColor(0xFFFFFF);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(4, 2,
                   "squares " + std::to_string(squares) + " rect " + std::to_string(clip.left) +
                       "," + std::to_string(clip.top) + "," + std::to_string(clip.right) + "," +
                       std::to_string(clip.bottom));
    }
    dc.SelectClipRect(nullptr);
}

// The outline of the shown rectangle on the gap lines around its squares:
// solid cyan under crawling black dashes. Only edges inside the visible part
// of the working area are drawn.
void CLmrEGJPWindow::DrawMarquee(CDC& dc) {
    if (m_nTool != ET_SELECT) return;
    const bool band = m_nMode == EM_DRAG && m_ptDragEnd.x != LMR_NULL_COORD;
    if (!band && !HasSelection() && !IsMoving()) return;
    if (LmrIsNullRect(m_rcShown) || EmptyInclusive(m_rcShown)) return;
    const CRect a = OSLToClientRect(m_rcShown.left, m_rcShown.top);
    const CRect z = OSLToClientRect(m_rcShown.right, m_rcShown.bottom);
    const int left = a.left - 1, top = a.top - 1, right = z.right, bottom = z.bottom;

    const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
    const CRect wa = OSLToClientRect(work.left, work.top);
    const CRect wz = OSLToClientRect(work.right, work.bottom);
    CRect visible(std::max<LONG>(wa.left - 1, 0), std::max<LONG>(wa.top - 1, 0),
                  std::min<LONG>(wz.right + 1, viewport()->width()),
                  std::min<LONG>(wz.bottom + 1, viewport()->height()));
    auto inside = [&](int x, int y) {
        return x >= visible.left && x < visible.right && y >= visible.top && y < visible.bottom;
    };
    const int phase = m_pCrawl->Phase();
    auto edge = [&](CPoint from, CPoint to) {
        if (!inside(from.x, from.y) && !inside(to.x, to.y)) return;
        const CDC::ClipState saved = dc.SaveClip();
        dc.IntersectClipRect(visible);
        dc.SelectPen(Pen(PS_SOLID, 1, kMarqueeBase));
        dc.MoveTo(from);
        dc.LineTo(to);
        dc.SetPixel(to.x, to.y, kMarqueeBase);
        Pen dash = Pen::Geometric(PS_USERSTYLE, 1, 0x000000, PS_ENDCAP_FLAT,
                                  {static_cast<DWORD>(kDashOn), static_cast<DWORD>(kDashOff)});
        dash.dashPhase = phase;
        dc.SelectPen(dash);
        dc.MoveTo(from);
        dc.LineTo(to);
        dc.RestoreClip(saved);
    };
    edge(CPoint(left, top), CPoint(right, top));
    edge(CPoint(right, top), CPoint(right, bottom));
    edge(CPoint(right, bottom), CPoint(left, bottom));
    edge(CPoint(left, bottom), CPoint(left, top));
}

// ---- Marquee job ---------------------------------------------------------

int CLmrEGJPWindow::StartMarquee() {
    if (m_pCrawl->m_running.IsSet()) return 1;
    return LmrStartCrawlJob(*m_pThreads, m_pCrawl, kMarqueePeriodMs) ? 1 : 0;
}

void CLmrEGJPWindow::StopMarquee() { m_pCrawl->m_running.Clear(); }

bool CLmrEGJPWindow::IsMarqueeRunning() const { return m_pCrawl->m_running.IsSet(); }

int CLmrEGJPWindow::GetMarqueePhase() const { return m_pCrawl->Phase(); }

void CLmrEGJPWindow::GJPSMDraw() { m_pCrawl->Step(); }

// On the user-interface thread: the marquee repaints only while there is
// one to show.
void CLmrEGJPWindow::OnMarqueeTick() {
    if (m_nTool != ET_SELECT) return;
    const bool band = m_nMode == EM_DRAG && m_ptDragEnd.x != LMR_NULL_COORD;
    if (band || HasSelection() || IsMoving()) viewport()->update();
}

// ---- Flips ---------------------------------------------------------------

void CLmrEGJPWindow::KGJPMXFlip() {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    const CRect r = CLmrOGJPixel::GetWorkingAreaOSLRect();
    for (int y = r.top; y <= r.bottom; ++y)
        for (int a = r.left, z = r.right; a < z; ++a, --z) {
            const int left = canvas->GetJPixelByOSLPoint(a, y);
            canvas->SetJPixelByOSLPoint(a, y,
                                        static_cast<DWORD>(canvas->GetJPixelByOSLPoint(z, y)));
            canvas->SetJPixelByOSLPoint(z, y, static_cast<DWORD>(left));
        }
    viewport()->update();
}

void CLmrEGJPWindow::KGJPMYFlip() {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    const CRect r = CLmrOGJPixel::GetWorkingAreaOSLRect();
    for (int x = r.left; x <= r.right; ++x)
        for (int a = r.top, z = r.bottom; a < z; ++a, --z) {
            const int top = canvas->GetJPixelByOSLPoint(x, a);
            canvas->SetJPixelByOSLPoint(x, a,
                                        static_cast<DWORD>(canvas->GetJPixelByOSLPoint(x, z)));
            canvas->SetJPixelByOSLPoint(x, z, static_cast<DWORD>(top));
        }
    viewport()->update();
}

// ---- Pencil --------------------------------------------------------------

void CLmrEGJPWindow::EGJPW_PGICarveByPoint(CPoint client, int firstPoint, int redraw, int clear) {
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    if (clear) canvas->ClearAllPGInfos();
    const CPoint p = ClientToOSL(client);
    // A stroke starts only at a first point inside the working area.
    if (firstPoint) m_ptLastCarved = CPoint(LMR_NULL_COORD, LMR_NULL_COORD);
    if (!IsInWorkingArea(p)) return;
    const bool noLast = m_ptLastCarved.x == LMR_NULL_COORD;
    if (!firstPoint && noLast) return;
    if (!firstPoint && p == m_ptLastCarved) return;
    const DWORD color = m_dwDrawColor;
    if (firstPoint ||
        (std::abs(p.x - m_ptLastCarved.x) <= 1 && std::abs(p.y - m_ptLastCarved.y) <= 1)) {
        canvas->PGICarveSinglePoint(p.x, p.y, color, kLayerMark);
        if (redraw) InvalidateESL(CRect(p.x, p.y, p.x, p.y));
    } else {
        // A line from the last point, end pixel included, drawn on a surface
        // covering both points; every pixel it touched is carved.
        const CRect cover = Normalised(m_ptLastCarved, p);
        CDC line(cover.right - cover.left + 1, cover.bottom - cover.top + 1, 0x000000);
        line.SelectPen(Pen(PS_SOLID, 1, 0xFFFFFF));
        line.MoveTo(m_ptLastCarved.x - cover.left, m_ptLastCarved.y - cover.top);
        line.LineTo(p.x - cover.left, p.y - cover.top);
        line.SetPixel(p.x - cover.left, p.y - cover.top, 0xFFFFFF);
        const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
        for (int y = cover.top; y <= cover.bottom; ++y)
            for (int x = cover.left; x <= cover.right; ++x)
                if (line.GetPixel(x - cover.left, y - cover.top) == 0xFFFFFF &&
                    InsideInclusive(work, CPoint(x, y)))
                    canvas->PGICarveSinglePoint(x, y, color, kLayerMark);
        if (redraw) InvalidateESL(cover);
    }
    m_ptLastCarved = p;
}

// ---- Mouse ---------------------------------------------------------------

void CLmrEGJPWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    const CPoint client(event->position().toPoint().x(), event->position().toPoint().y());
    const CPoint p = ClientToOSL(client);
    switch (m_nTool) {
        case ET_PENCIL:
            canvas->ClearAllPGInfos();
            m_nMode = EM_PENCIL;
            EGJPW_PGICarveByPoint(client, 1, 1, 0);
            break;
        case ET_LINE:
        case ET_BOX:
        case ET_ELLIPSE:
        case ET_FBOX:
        case ET_FELLIPSE:
            if (m_nMode != EM_IDLE) break;
            m_ptDragStart = p;
            m_ptDragEnd = CPoint(LMR_NULL_COORD, LMR_NULL_COORD);
            m_nMode = EM_DRAG;
            break;
        case ET_SELECT:
            if (m_nMode != EM_IDLE && !HasSelection()) break;
            if (HasSelection() && InsideInclusive(m_rcPlaced, p)) {
                // The move begins: the canvas under the selection gets back
                // what lay there (white under a freshly lifted one).
                const CRect& r = m_rcPlaced;
                int i = 0;
                for (int y = r.top; y <= r.bottom; ++y)
                    for (int x = r.left; x <= r.right; ++x, ++i) {
                        DWORD under = 0xFFFFFF;
                        if (m_nMode == EM_FLOATING) {
                            if (!ReadDWordAt(m_revEvacuation, i * 4, under)) continue;
                            under &= 0xFFFFFF;
                        }
                        canvas->SetJPixelByOSLPoint(x, y, under);
                    }
                m_nMode = m_nMode == EM_SELECTED ? EM_MOVE_SELECTED : EM_MOVE_FLOATING;
                m_ptGrab = p;
                LmrViewNotice().RedrawViews();
            } else if (IsInWorkingArea(p)) {
                m_ptDragStart = p;
                m_ptDragEnd = CPoint(LMR_NULL_COORD, LMR_NULL_COORD);
                canvas->ClearAllPGInfos();
                m_rcShown = LmrNullRect();
                m_nMode = EM_DRAG;
                LmrViewNotice().RedrawViews();
                LmrViewNotice().RefreshEBState();
            } else {
                canvas->ClearAllPGInfos();
                m_nMode = EM_IDLE;
                viewport()->update();
                LmrViewNotice().RefreshEBState();
            }
            break;
        default:
            break;
    }
}

void CLmrEGJPWindow::mouseMoveEvent(QMouseEvent* event) {
    const CPoint client(event->position().toPoint().x(), event->position().toPoint().y());
    UpdateCursor(client);
    if (!(event->buttons() & Qt::LeftButton)) return;
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    const CPoint p = ClientToOSL(client);
    switch (m_nTool) {
        case ET_PENCIL:
            if (m_nMode == EM_PENCIL) EGJPW_PGICarveByPoint(client, 0, 1, 0);
            break;
        case ET_LINE:
        case ET_BOX:
        case ET_ELLIPSE:
        case ET_FBOX:
        case ET_FELLIPSE: {
            if (m_nMode != EM_DRAG || p == m_ptDragStart || p == m_ptDragEnd) break;
            const bool hadEnd = m_ptDragEnd.x != LMR_NULL_COORD;
            const CRect old = Normalised(m_ptDragStart, hadEnd ? m_ptDragEnd : m_ptDragStart);
            m_ptDragEnd = p;
            canvas->PGICarveForSUJPixel(m_ptDragStart.x, m_ptDragStart.y, p.x, p.y, m_nTool);
            const CRect now = Normalised(m_ptDragStart, p);
            InvalidateESL(CRect(std::min(old.left, now.left), std::min(old.top, now.top),
                                std::max(old.right, now.right), std::max(old.bottom, now.bottom)));
            break;
        }
        case ET_SELECT:
            if (m_nMode == EM_DRAG) {
                m_ptDragEnd = p;
                canvas->ClearAllPGInfos();
                m_rcShown = ClipInclusive(Normalised(m_ptDragStart, p),
                                          CLmrOGJPixel::GetWorkingAreaOSLRect());
                viewport()->update();
            } else if (IsMoving()) {
                // The selection moves within the working area only.
                const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
                auto within = [](LONG d, LONG low, LONG high) {
                    return low > high ? 0 : std::clamp(d, low, high);
                };
                CRect moved = m_rcPlaced;
                moved.OffsetRect(
                    within(p.x - m_ptGrab.x, work.left - moved.left, work.right - moved.right),
                    within(p.y - m_ptGrab.y, work.top - moved.top, work.bottom - moved.bottom));
                if (moved == m_rcShown) break;
                const CRect old = m_rcShown;
                m_rcShown = moved;
                canvas->PGICarveForDShift(m_rcPlaced, m_rcShown);
                InvalidateESL(CRect(std::min(old.left, moved.left), std::min(old.top, moved.top),
                                    std::max(old.right, moved.right),
                                    std::max(old.bottom, moved.bottom)));
                viewport()->update();
            }
            break;
        default:
            break;
    }
}

void CLmrEGJPWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    CLmrOGJPWindow* canvas = Canvas();
    if (!canvas) return;
    const CPoint client(event->position().toPoint().x(), event->position().toPoint().y());
    const CPoint p = ClientToOSL(client);
    if (m_nTool != ET_SELECT) {
        if (m_nMode == EM_DRAG || m_nMode == EM_PENCIL) {
            canvas->GJPEAANPerformByUJPixel(1, 1);
            canvas->ClearAllPGInfos();
            m_nMode = EM_IDLE;
            m_ptLastCarved = CPoint(LMR_NULL_COORD, LMR_NULL_COORD);
            viewport()->update();
        }
        return;
    }
    const CRect work = CLmrOGJPixel::GetWorkingAreaOSLRect();
    auto drop = [&] {
        canvas->ClearAllPGInfos();
        m_nMode = EM_IDLE;
        m_rcShown = LmrNullRect();
        viewport()->update();
        LmrViewNotice().RefreshEBState();
    };
    if (m_nMode == EM_DRAG) {
        const bool hasEnd = m_ptDragEnd.x != LMR_NULL_COORD;
        if (!hasEnd || (p == m_ptDragStart && !InsideInclusive(m_rcPlaced, p))) {
            drop();
        } else if (InsideInclusive(work, m_ptDragStart) || InsideInclusive(work, m_ptDragEnd)) {
            const CRect r = ClipInclusive(Normalised(m_ptDragStart, m_ptDragEnd), work);
            if (EmptyInclusive(r)) {
                drop();
                return;
            }
            m_nMode = EM_SELECTED;
            canvas->DSPGIUpdateFromOSLRect(r.left, r.top, r.right, r.bottom);
            canvas->PGICarveForDShift(LmrNullRect(), r);
            m_rcPlaced = m_rcShown = r;
            m_revEvacuation.Assign(canvas->GetDSPGInfo());
            viewport()->update();
            LmrViewNotice().RefreshEBState();
        } else {
            drop();
        }
    } else if (IsMoving()) {
        canvas->GJPSEndMove();
        viewport()->update();
    }
}

void CLmrEGJPWindow::UpdateCursor(CPoint client) {
    const CPoint p = ClientToOSL(client);
    if (!IsInWorkingArea(p)) {
        viewport()->unsetCursor();
        return;
    }
    if (m_nTool == ET_SELECT) {
        const bool overFloating = (HasSelection() || IsMoving()) && InsideInclusive(m_rcShown, p);
        viewport()->setCursor(overFloating ? QCursor(Qt::SizeAllCursor) : QCursor(Qt::CrossCursor));
    } else {
        viewport()->setCursor(LoadCursorResource(m_dwDrawColor == 0x000000 ? 27013 : 27012));
    }
}

void CLmrEGJPWindow::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ResetScrollSize();
}

void CLmrEGJPWindow::scrollContentsBy(int, int) { viewport()->update(); }

void CLmrEGJPWindow::focusOutEvent(QFocusEvent* event) {
    // The release may never come here now: a move under way ends.
    if (IsMoving())
        if (CLmrOGJPWindow* canvas = Canvas()) canvas->GJPSEndMove();
    QAbstractScrollArea::focusOutEvent(event);
}

bool CLmrEGJPWindow::viewportEvent(QEvent* event) {
    return QAbstractScrollArea::viewportEvent(event);
}
