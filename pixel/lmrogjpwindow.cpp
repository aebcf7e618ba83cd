#include "pixel/lmrogjpwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/fxstrings.h"
#include "foundation/pixel/fxpixelutils.h"
#include "image/raster.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmrcrawljob.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"
#include "platform/clipboard.h"
#include "platform/dc.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

CLmrOGJPWindow* g_pOGJPWindow = nullptr;

constexpr COLORREF kBackground = 0x828282;
constexpr COLORREF kCanvasFrame = 0x505050;
constexpr COLORREF kAreaFrame = 0x5367D2;
constexpr DWORD kLayerMark = 0x1000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr int kCells = 16, kRows = 13;

CRect NormalisedInclusive(const CRect& r) {
    return CRect(std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom));
}

bool HasNullCoord(const CRect& r) {
    return r.left == LMR_NULL_COORD || r.top == LMR_NULL_COORD || r.right == LMR_NULL_COORD ||
           r.bottom == LMR_NULL_COORD;
}

bool HasMinusOne(const CRect& r) {
    return r.left == -1 || r.top == -1 || r.right == -1 || r.bottom == -1;
}

}  // namespace

CLmrOGJPWindow* LmrOGJPWindow() { return g_pOGJPWindow; }

int LmrVirtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape:
            return LMR_VK_ESCAPE;
        case Qt::Key_Delete:
            return LMR_VK_DELETE;
        default:
            if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
            return 0;
    }
}

// ---- Fit Bitmap ----------------------------------------------------------

CDlgFitBitmap::CDlgFitBitmap(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Fit Bitmap");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Bitmap is too large.  How would you fit it ?", this));
    auto* row = new QHBoxLayout();
    layout->addLayout(row);
    const std::pair<const char*, int> answers[] = {{"Shrink Only", LMR_FIT_SHRINK_ONLY},
                                                   {"Shrink and Extend", LMR_FIT_SHRINK_EXTEND},
                                                   {"Cut out", LMR_FIT_CUT_OUT},
                                                   {"Cancel", LMR_FIT_CANCEL}};
    for (const auto& [text, answer] : answers) {
        auto* button = new QPushButton(text, this);
        row->addWidget(button);
        const int result = answer;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    }
}

// ---- The view ------------------------------------------------------------

CLmrOGJPWindow::CLmrOGJPWindow(QWidget* parent)
    : QAbstractScrollArea(parent), m_pThreads(std::make_unique<CFxMLThreadManager>()) {
    g_pOGJPWindow = this;
    setObjectName("OGJPW");
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_pCrawl = std::make_shared<CLmrCrawlShared>(this, [this] { OnTextFrameTick(); });
    ResetScrollSize();
}

CLmrOGJPWindow::~CLmrOGJPWindow() {
    StopTextFrame();
    m_pCrawl->Detach();
    m_pThreads->SetShutdownPolicy("terminate");
    m_pThreads.reset();
    if (g_pOGJPWindow == this) g_pOGJPWindow = nullptr;
}

CPoint CLmrOGJPWindow::ScrollPos() const {
    return CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

CSize CLmrOGJPWindow::GetNSBSize() const {
    const int b = LmrOpt().ojpbreadth;
    return CSize(OGJP_WIDTH * b + 79, OGJP_HEIGHT * b + 79);
}

void CLmrOGJPWindow::ResetScrollSize() {
    const CSize size = GetNSBSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(size.cx) - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(size.cy) - view.height()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    viewport()->update();
}

CPoint CLmrOGJPWindow::ClientToOSL(CPoint client) const {
    const int b = LmrOpt().ojpbreadth;
    const CPoint scroll = ScrollPos();
    return CPoint(fxpixel::FloorDiv(static_cast<long long>(client.x) + scroll.x - kOrigin, b),
                  fxpixel::FloorDiv(static_cast<long long>(client.y) + scroll.y - kOrigin, b));
}

CRect CLmrOGJPWindow::OSLToClientRect(int x, int y) const {
    const int b = LmrOpt().ojpbreadth;
    const CPoint scroll = ScrollPos();
    const int vx = kOrigin + x * b - scroll.x, vy = kOrigin + y * b - scroll.y;
    return CRect(vx, vy, vx + b, vy + b);
}

CPoint CLmrOGJPWindow::CellOf(CPoint client) const {
    const CPoint p = ClientToOSL(client);
    return CPoint(fxpixel::FloorDiv(p.x, OGJP_CELL), fxpixel::FloorDiv(p.y, OGJP_CELL));
}

void CLmrOGJPWindow::RedrawOGJPWindow(const CRect* oslRect) {
    if (!oslRect || LmrIsNullRect(*oslRect)) {
        viewport()->update();
        return;
    }
    const CRect r = NormalisedInclusive(*oslRect);
    const CRect a = OSLToClientRect(r.left, r.top), z = OSLToClientRect(r.right, r.bottom);
    viewport()->update(QRect(QPoint(a.left, a.top), QPoint(z.right - 1, z.bottom - 1)));
}

// ---- Painting ------------------------------------------------------------

void CLmrOGJPWindow::RenderTo(QImage& image) {
    if (image.size() != viewport()->size() || image.format() != QImage::Format_RGB32)
        image = QImage(viewport()->size(), QImage::Format_RGB32);
    CDC dc(image);
    Render(dc, image.rect());
}

void CLmrOGJPWindow::paintEvent(QPaintEvent* event) {
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

void CLmrOGJPWindow::Render(CDC& dc, const QRect& qclip) {
    const CRect clip(qclip.left(), qclip.top(), qclip.right() + 1, qclip.bottom() + 1);
    dc.SelectClipRect(&clip);
    dc.FillSolidRect(clip, kBackground);
    const int b = LmrOpt().ojpbreadth;
    const CPoint scroll = ScrollPos();
    const int x0 = kOrigin - scroll.x, y0 = kOrigin - scroll.y;

    // The dragged cells of a working-area drag.
    CRect dragged(-1, -1, -2, -2);
    if (m_nOMode == OM_AREA_DRAG)
        dragged = NormalisedInclusive(
            CRect(m_ptStartCell.x, m_ptStartCell.y, m_ptEndCell.x, m_ptEndCell.y));

    const int firstX = std::max(0, (static_cast<int>(clip.left) - x0) / b);
    const int lastX = std::min(OGJP_WIDTH - 1, (static_cast<int>(clip.right) - x0) / b);
    const int firstY = std::max(0, (static_cast<int>(clip.top) - y0) / b);
    const int lastY = std::min(OGJP_HEIGHT - 1, (static_cast<int>(clip.bottom) - y0) / b);
    QImage& image = dc.Image();
    const int imgW = image.width(), imgH = image.height();
    for (int y = firstY; y <= lastY; ++y) {
        const int vy = y0 + y * b;
        const int top = std::max({vy, static_cast<int>(clip.top), 0});
        const int bottom = std::min({vy + b, static_cast<int>(clip.bottom), imgH});
        if (top >= bottom) continue;
        for (int x = firstX; x <= lastX; ++x) {
            const int vx = x0 + x * b;
            const int left = std::max({vx, static_cast<int>(clip.left), 0});
            const int right = std::min({vx + b, static_cast<int>(clip.right), imgW});
            if (left >= right) continue;
            const DWORD layer = GetPGInfoByOSLPoint(x, y);
            COLORREF color;
            if (layer & kLayerMark) {
                color = layer & 0xFFFFFF;
            } else {
                color = static_cast<COLORREF>(GetJPixelByOSLPoint(x, y));
                const int cx = x / OGJP_CELL, cy = y / OGJP_CELL;
                if ((cx + cy) % 2 == 1)
                    color =
                        color == kWhite ? DarkenColor(color, 4) : fxpixel::LightenColor(color, 20);
                if (cx >= dragged.left && cx <= dragged.right && cy >= dragged.top &&
                    cy <= dragged.bottom) {
                    const DWORD blue = ((GetBValue(color) + 30) & 0xFF);
                    color = (color & 0x00FFFF) | (blue << 16);
                }
            }
            const QRgb rgb = ToQRgb(color);
            for (int py = top; py < bottom; ++py) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(py));
                std::fill(row + left, row + right, rgb);
            }
        }
    }
    // The canvas, framed one pixel outside.
    dc.FrameRect(CRect(x0 - 1, y0 - 1, x0 + OGJP_WIDTH * b + 1, y0 + OGJP_HEIGHT * b + 1),
                 Brush(kCanvasFrame));
    // The working area, framed by four nested outlines growing lighter.
    const CRect work = GetWorkingAreaOSLRect();
    CRect frame(x0 + work.left * b - 1, y0 + work.top * b - 1, x0 + (work.right + 1) * b + 1,
                y0 + (work.bottom + 1) * b + 1);
    COLORREF color = kAreaFrame;
    for (int i = 0; i < 4; ++i) {
        dc.FrameRect(frame, Brush(color));
        frame.InflateRect(1, 1);
        color = fxpixel::LightenColor(color, 40);
    }
    DrawTextFrame(dc);
    dc.SelectClipRect(nullptr);
}

// The crawling dashed frame around the text being placed.
void CLmrOGJPWindow::DrawTextFrame(CDC& dc) {
    if (m_nOTool != OT_TEXT || m_nOMode == OM_TEXT_DRAG || LmrIsNullRect(m_rcUJPText)) return;
    const CRect a = OSLToClientRect(m_rcUJPText.left, m_rcUJPText.top);
    const CRect z = OSLToClientRect(m_rcUJPText.right, m_rcUJPText.bottom);
    const CRect frame(a.left - 1, a.top - 1, z.left + 1, z.top + 1);
    dc.SelectBrush(Brush::Null());
    dc.SelectPen(Pen(PS_SOLID, 1, kWhite));
    dc.Rectangle(frame);
    Pen dash = Pen::Geometric(PS_USERSTYLE, 1, 0x000000, PS_ENDCAP_FLAT, {3, 2});
    dash.dashPhase = m_pCrawl->Phase();
    dc.SelectPen(dash);
    dc.Rectangle(frame);
}

int CLmrOGJPWindow::StartTextFrame() {
    if (m_pCrawl->m_running.IsSet()) return 1;
    return LmrStartCrawlJob(*m_pThreads, m_pCrawl, kTextFramePeriodMs) ? 1 : 0;
}

void CLmrOGJPWindow::StopTextFrame() { m_pCrawl->m_running.Clear(); }

bool CLmrOGJPWindow::IsTextFrameRunning() const { return m_pCrawl->m_running.IsSet(); }

int CLmrOGJPWindow::GetTextFramePhase() const { return m_pCrawl->Phase(); }

void CLmrOGJPWindow::UJPTFDraw() { m_pCrawl->Step(); }

void CLmrOGJPWindow::OnTextFrameTick() {
    if (m_nOTool == OT_TEXT && m_nOMode != OM_TEXT_DRAG) viewport()->update();
}

// ---- Carving -------------------------------------------------------------

void CLmrOGJPWindow::PGICarveSinglePoint(int x, int y, DWORD color, DWORD mark) {
    SetPGInfo(x, y, color, mark, 0);
}

void CLmrOGJPWindow::PGICarveForSUJPixel(int x1, int y1, int x2, int y2, int tool) {
    ClearAllPGInfos();
    if (tool != CLmrEGJPEState::ET_LINE && tool != CLmrEGJPEState::ET_BOX &&
        tool != CLmrEGJPEState::ET_ELLIPSE && tool != CLmrEGJPEState::ET_FBOX &&
        tool != CLmrEGJPEState::ET_FELLIPSE)
        return;
    const int left = std::min(x1, x2), top = std::min(y1, y2);
    const int w = std::abs(x2 - x1) + 1, h = std::abs(y2 - y1) + 1;
    constexpr COLORREF kBack = 0x0000FF, kInk = 0x00FF00;
    CDC dc(w, h, kBack);
    dc.SelectPen(Pen(PS_SOLID, 1, kInk));
    switch (tool) {
        case CLmrEGJPEState::ET_LINE:
            dc.MoveTo(x1 - left, y1 - top);
            dc.LineTo(x2 - left, y2 - top);
            dc.SetPixel(x2 - left, y2 - top, kInk);  // the end pixel too
            break;
        case CLmrEGJPEState::ET_BOX:
            dc.SelectBrush(Brush::Null());
            dc.Rectangle(CRect(0, 0, w, h));
            break;
        case CLmrEGJPEState::ET_ELLIPSE:
            dc.Arc(CRect(0, 0, w, h), CPoint(w / 2, h / 2), CPoint(w / 2, h / 2));
            break;
        case CLmrEGJPEState::ET_FBOX:
            dc.FillSolidRect(CRect(0, 0, w, h), kInk);
            break;
        case CLmrEGJPEState::ET_FELLIPSE:
            dc.SelectBrush(Brush(kInk));
            dc.Ellipse(CRect(0, 0, w, h));
            break;
    }
    const CLmrEGJPEState* state = LmrEGJPEState();
    const DWORD color = state ? state->m_dwDrawColor : 0;
    // Only what can lie on the canvas is visited.
    const int fromY = std::max(0, -top), toY = std::min(h, OGJP_HEIGHT - top);
    const int fromX = std::max(0, -left), toX = std::min(w, OGJP_WIDTH - left);
    for (int y = fromY; y < toY; ++y)
        for (int x = fromX; x < toX; ++x)
            SetPGInfo(left + x, top + y, color, dc.GetPixel(x, y) == kInk ? kLayerMark : 0, 0);
}

void CLmrOGJPWindow::PGICarveForUJPText(const std::string& text) {
    ClearAllPGInfos();
    FontSpec font;
    const std::string size = LmrGOption().GetString("UJPT.fntsize");
    font.height = std::clamp(std::atoi(size.c_str()), 1, CLmrGOption::kMaxTextHeight);
    font.face = LmrGOption().GetString("UJPT.fntface");
    font.weight = LmrGOption().GetInt("UJPT.fntbold", 0) ? FW_BOLD : FW_MEDIUM;
    font.quality = NONANTIALIASED_QUALITY;
    CSize extent(16, 16);
    if (!text.empty()) {
        CDC measure(1, 1);
        measure.SelectFont(font);
        CRect r(0, 0, 0, 0);
        measure.DrawText(text, r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        extent = CSize(r.Width(), r.Height());
    }
    const CPoint origin(m_rcUJPText.left == LMR_NULL_COORD ? 0 : m_rcUJPText.left,
                        m_rcUJPText.top == LMR_NULL_COORD ? 0 : m_rcUJPText.top);
    if (!text.empty() && extent.cx > 0 && extent.cy > 0) {
        // Only as much as can show on the canvas is drawn.
        const int w = std::min<int>(extent.cx, 4 * OGJP_WIDTH);
        const int h = std::min<int>(extent.cy, 4 * OGJP_HEIGHT);
        CDC dc(w, h, 0x000000);
        dc.SelectFont(font);
        dc.SetTextColor(kWhite);
        dc.SetBkMode(TRANSPARENT);
        CRect r(0, 0, w, h);
        dc.DrawText(text, r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        const CLmrEGJPEState* state = LmrEGJPEState();
        const DWORD color = state ? state->m_dwDrawColor : 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (dc.GetPixel(x, y) == kWhite)
                    SetPGInfo(origin.x + x, origin.y + y, color, kLayerMark, 0);
    }
    m_rcUJPText = CRect(origin.x, origin.y, origin.x + std::max<LONG>(extent.cx, 16),
                        origin.y + std::max<LONG>(extent.cy, 16));
}

// ---- Clipboard -----------------------------------------------------------

void CLmrOGJPWindow::GJPSCopy(const CRect& rect) {
    if (LmrIsNullRect(rect) || HasNullCoord(rect)) return;
    const CRect r = NormalisedInclusive(rect);
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    if (w <= 0 || h <= 0 || w > OGJP_WIDTH || h > OGJP_HEIGHT) return;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int c = GetJPixelByOSLPoint(r.left + x, r.top + y);
            if (c >= 0 && static_cast<COLORREF>(c) != kWhite)
                image.setPixel(x, y, ToQRgb(static_cast<COLORREF>(c)));
        }
    SetClipboardImage(image);
}

void CLmrOGJPWindow::GJPSCut(const CRect& rect) {
    // A rectangle with an absent coordinate is no selection.
    if (HasMinusOne(rect) || HasNullCoord(rect)) return;
    CLmrEGJPEState* state = LmrEGJPEState();
    if (!state || !state->HasSelection()) return;
    GJPSCopy(rect);
    ClearAllPGInfos();
    state->m_nMode = CLmrEGJPEState::EM_IDLE;
    const CRect& r = state->m_rcPlaced;
    GJPEAANPerformByGJPCGZClear(r.left, r.top, r.right, r.bottom);
}

int CLmrOGJPWindow::DSPGIUpdateFromClipboard(CSize& size) {
    std::optional<QImage> clip = GetClipboardImage(kMaxClipboardPixels);
    if (!clip || clip->isNull()) return 0;
    const LmrOptionValues& o = LmrOpt();
    const long long W = 16LL * o.mlegjpwidth, H = 16LL * o.mlegjpheight;
    const long long w = clip->width(), h = clip->height();
    int answer = 0;
    if (w > W || h > H) {
        CDlgFitBitmap dialog(this);
        answer = ExecDialog(dialog);
        if (answer != LMR_FIT_SHRINK_ONLY && answer != LMR_FIT_SHRINK_EXTEND &&
            answer != LMR_FIT_CUT_OUT)
            return 0;
    }
    CRaster raster;
    if (!raster.CreateFromHBITMAP(*clip)) return 0;
    clip.reset();
    bool ok = true;
    if (answer == LMR_FIT_SHRINK_ONLY) {
        const double scale = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
        // However elongated the bitmap, at least one pixel each way.
        const LONG nw = std::max<LONG>(1, static_cast<LONG>(w * scale));
        const LONG nh = std::max<LONG>(1, static_cast<LONG>(h * scale));
        ok = raster.Resample2(std::min<LONG>(nw, W), std::min<LONG>(nh, H),
                              CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat);
    } else if (answer == LMR_FIT_SHRINK_EXTEND) {
        ok = raster.Resample2(static_cast<LONG>(W), static_cast<LONG>(H),
                              CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat);
    } else if (answer == LMR_FIT_CUT_OUT) {
        ok = raster.Crop(
            CRect(0, 0, static_cast<LONG>(std::min(w, W)), static_cast<LONG>(std::min(h, H))));
    }
    if (!ok || !raster.IsValid()) return 0;
    if (raster.GetBpp() != 1 && !raster.DecreaseBpp(1, false)) return 0;
    const int bw = static_cast<int>(raster.GetWidth()), bh = static_cast<int>(raster.GetHeight());
    if (bw <= 0 || bh <= 0 || bw > W || bh > H) return 0;
    CDC dc(bw, bh, kWhite);
    raster.Draw(&dc, 0, 0, bw, bh);
    CRevolver& floating = GetDSPGInfo();
    floating.Free();
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) AppendDWord(floating, dc.GetPixel(x, y));
    size = CSize(bw, bh);
    return 1;
}

// ---- Keys ----------------------------------------------------------------

void CLmrOGJPWindow::_OnESCKeyPressed() {
    GJPSEndMove();
    CLmrEGJPEState* state = LmrEGJPEState();
    if (state) state->m_nMode = CLmrEGJPEState::EM_IDLE;
    ClearAllPGInfos();
    if (CLmrEGJPWindow* zoom = LmrEGJPWindow()) zoom->RedrawEGJPWindow();
    LmrViewNotice().RefreshEBState();
}

int CLmrOGJPWindow::PreTranslateOECommonKeyDownMessage(int virtualKey, BOOL ctrl) {
    CLmrEGJPEState* state = LmrEGJPEState();
    // A key that acts ends a move under way first, so that it acts on the
    // pixel values where they are shown.
    const bool acts = virtualKey == LMR_VK_ESCAPE || virtualKey == LMR_VK_DELETE ||
                      virtualKey == 'Y' || virtualKey == 'Z' ||
                      (ctrl && (virtualKey == 'A' || virtualKey == 'C' || virtualKey == 'V' ||
                                virtualKey == 'X'));
    if (acts) GJPSEndMove();
    switch (virtualKey) {
        case LMR_VK_ESCAPE:
            _OnESCKeyPressed();
            return 1;
        case LMR_VK_DELETE:
            // Only a selection shown now is erased.
            if (state && state->HasSelection()) {
                ClearAllPGInfos();
                state->m_nMode = CLmrEGJPEState::EM_IDLE;
                const CRect r = state->m_rcPlaced;
                GJPEAANPerformByGJPCGZClear(r.left, r.top, r.right, r.bottom);
            }
            return 0;
        case 'Y':
            ClearAllPGInfos();
            YRedo(1, 1, 1);
            return 1;
        case 'Z':
            ClearAllPGInfos();
            YUndo(1, 1, 1);
            return 1;
        default:
            break;
    }
    if (!ctrl) return 0;
    switch (virtualKey) {
        case 'A':
            if (auto* frame = LmrEGJPWFrame()) frame->EGJPWFrameAZGJPSelect();
            return 1;
        case 'C':
            if (state && state->HasSelection()) GJPSCopy(state->m_rcPlaced);
            return 1;
        case 'V':
            if (auto* frame = LmrEGJPWFrame()) frame->WMInvokeQDShift();
            return 1;
        case 'X':
            if (state && state->HasSelection()) GJPSCut(state->m_rcPlaced);
            return 1;
        default:
            return 0;
    }
}

// ---- Mouse ---------------------------------------------------------------

void CLmrOGJPWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const CPoint client(event->position().toPoint().x(), event->position().toPoint().y());
    // A click here ends a selection of the zoomed view.
    CLmrEGJPEState* state = LmrEGJPEState();
    if (state && (state->HasSelection() || state->IsMoving())) _OnESCKeyPressed();
    if (m_nOTool == OT_TEXT) {
        const CPoint p = ClientToOSL(client);
        if (!LmrIsNullRect(m_rcUJPText) && p.x >= m_rcUJPText.left && p.x < m_rcUJPText.right &&
            p.y >= m_rcUJPText.top && p.y < m_rcUJPText.bottom) {
            m_nOMode = OM_TEXT_DRAG;
            m_rcUJPTextMove = m_rcUJPText;
            m_ptUJPTextGrab = p;
            viewport()->update();
        }
        return;
    }
    if (m_nOMode != OM_IDLE) return;
    const CPoint cell = CellOf(client);
    if (cell.x < 0 || cell.x >= kCells || cell.y < 0 || cell.y >= kRows) return;
    m_ptStartCell = m_ptEndCell = cell;
    m_nOMode = OM_AREA_DRAG;
    viewport()->update();
}

void CLmrOGJPWindow::mouseMoveEvent(QMouseEvent* event) {
    const CPoint client(event->position().toPoint().x(), event->position().toPoint().y());
    UpdateCursor(client);
    if (m_nOMode == OM_AREA_DRAG) {
        CPoint cell = CellOf(client);
        cell.x = std::clamp<LONG>(cell.x, 0, kCells - 1);
        cell.y = std::clamp<LONG>(cell.y, 0, kRows - 1);
        if (cell != m_ptEndCell) {
            m_ptEndCell = cell;
            viewport()->update();
        }
    } else if (m_nOMode == OM_TEXT_DRAG) {
        const CPoint p = ClientToOSL(client);
        const int w = m_rcUJPTextMove.Width(), h = m_rcUJPTextMove.Height();
        // The text may reach half its size beyond the canvas on each side.
        const int dx = std::clamp<int>(p.x - m_ptUJPTextGrab.x, -w / 2 - m_rcUJPTextMove.left,
                                       OGJP_WIDTH + w / 2 - m_rcUJPTextMove.right);
        const int dy = std::clamp<int>(p.y - m_ptUJPTextGrab.y, -h / 2 - m_rcUJPTextMove.top,
                                       OGJP_HEIGHT + h / 2 - m_rcUJPTextMove.bottom);
        CRect moved = m_rcUJPTextMove;
        moved.OffsetRect(dx, dy);
        if (moved != m_rcUJPText) {
            m_rcUJPText = moved;
            emit UJPTextMoved();
            viewport()->update();
        }
    }
}

void CLmrOGJPWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (m_nOMode == OM_TEXT_DRAG) {
        m_nOMode = OM_IDLE;
        emit UJPTextMoved();
        viewport()->update();
        return;
    }
    if (m_nOMode != OM_AREA_DRAG) return;
    // A selection made while the drag went on (Select All, a paste) lies in
    // the area before it: it ends here, so that nothing acts outside the new
    // area.
    CLmrEGJPEState* state = LmrEGJPEState();
    if (state && (state->HasSelection() || state->IsMoving())) _OnESCKeyPressed();
    const CRect cells =
        NormalisedInclusive(CRect(m_ptStartCell.x, m_ptStartCell.y, m_ptEndCell.x, m_ptEndCell.y));
    const int left = std::clamp<int>(cells.left, 0, kCells - 1);
    const int top = std::clamp<int>(cells.top, 0, kRows - 1);
    const int right = std::clamp<int>(cells.right, left, kCells - 1);
    const int bottom = std::clamp<int>(cells.bottom, top, kRows - 1);
    CLmrGOption& options = LmrGOption();
    options.SetInt("omlegjpleft", left);
    options.SetInt("omlegjptop", top);
    options.SetInt("mlegjpwidth", right - left + 1);
    options.SetInt("mlegjpheight", bottom - top + 1);
    options.Refresh();
    m_nOMode = OM_IDLE;
    if (CLmrEGJPWindow* zoom = LmrEGJPWindow()) {
        zoom->ResetScrollSize();
        zoom->RedrawEGJPWindow();
    }
    viewport()->update();
    LmrViewNotice().RefreshEBState();
    LmrViewNotice().MarkCodeStale();
}

void CLmrOGJPWindow::UpdateCursor(CPoint client) {
    const CPoint p = ClientToOSL(client);
    if (m_nOTool == OT_TEXT && !LmrIsNullRect(m_rcUJPText) && p.x >= m_rcUJPText.left &&
        p.x < m_rcUJPText.right && p.y >= m_rcUJPText.top && p.y < m_rcUJPText.bottom) {
        viewport()->setCursor(Qt::SizeAllCursor);
    } else if (p.x >= 0 && p.x < OGJP_WIDTH && p.y >= 0 && p.y < OGJP_HEIGHT) {
        viewport()->setCursor(Qt::CrossCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void CLmrOGJPWindow::scrollContentsBy(int, int) { viewport()->update(); }

bool CLmrOGJPWindow::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const bool handled = QAbstractScrollArea::viewportEvent(event);
        ResetScrollSize();
        return handled;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
