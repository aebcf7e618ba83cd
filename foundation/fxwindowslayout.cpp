#include "foundation/fxwindowslayout.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <map>

#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutilswnd.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

// Longest list an anchoring group takes.
constexpr int kMaxGroupItems = 1000;
// A bar thinner than this is grabbed within this width across it.
constexpr int kGrabWidth = 8;
// How far from a bar's centre line a window may end to count as its pane.
constexpr int kPaneReach = 100;
// Resizes this soon after the parent was shown leave the bar alone.
constexpr DWORD kShowSettleMs = 999;

void PlaceChild(QWidget* w, const CRect& r) {
    w->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

// Where the tracking line of a dragged bar is shown: a see-through sheet over
// the splitter's parent that combines the line with the picture under it by
// NOT-XOR, so the line shows on any background.
class TrackingOverlay : public QWidget {
public:
    explicit TrackingOverlay(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setAutoFillBackground(false);
        setFocusPolicy(Qt::NoFocus);
    }

    void ShowLine(const QRect& line, COLORREF color) {
        setGeometry(parentWidget()->rect());
        line_ = line;
        color_ = color;
        raise();
        show();
        update();
    }
    void HideLine() {
        line_ = QRect();
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (line_.isEmpty()) return;
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.fillRect(line_, QColor(ToQRgb(color_)));
    }

private:
    QRect line_;
    COLORREF color_ = 0;
};

// The direct child windows of a parent, topmost first, without the tracking
// sheet.
std::vector<QWidget*> ChildWindows(QWidget* parent) {
    std::vector<QWidget*> children;
    GetChildWindows(parent, children);
    std::erase_if(children,
                  [](QWidget* w) { return dynamic_cast<TrackingOverlay*>(w) != nullptr; });
    return children;
}

}  // namespace

class LayoutParentHook;

namespace {

// The engine's process-wide tables. Kept for the life of the process; entries
// of a parent are dropped when the parent goes.
struct EngineTables {
    // Parents the engine watches, and the layout that last attached to each.
    std::map<QWidget*, LayoutParentHook*> hooks;
    std::map<QWidget*, CFxWindowsLayout*> layouts;

    // Splitters.
    QPointer<QWidget> splitterParent;
    std::vector<CFxSplitStatic*> splitters;  // registered bars
    QPointer<CFxSplitStatic> hot;
    COLORREF lineColor = 0;
    bool dragging = false;
    CPoint cursorPoint;
    CPoint grabOffset;
    int lastLine = -1;
    CPoint lastCursor{-1, -1};
    std::map<HWND, DWORD> showTimes;
    std::map<HWND, std::string> sizes;        // client size (pair text) after the last resize
    std::map<HWND, std::string> sizesBefore;  // what `sizes` held before the current resize
    QPointer<TrackingOverlay> overlay;

    // The parent whose cursor the hot splitter replaced, and that cursor.
    QPointer<QWidget> cursorOwner;
    bool ownerHadCursor = false;
    QCursor ownerCursor;
};

EngineTables& Tables() {
    // Never destroyed: parents may outlive the engine's static objects.
    static EngineTables* tables = new EngineTables;
    return *tables;
}

void DropHotSplitter(QWidget* parent);

}  // namespace

// Watches one parent for the layout and the splitters: resizes, showing and
// the mouse. A child object of the parent, so it goes with it.
class LayoutParentHook : public QObject {
public:
    explicit LayoutParentHook(QWidget* parent)
        : QObject(parent), parent_(parent), handle_(GetWindowHandle(parent)) {
        parent->installEventFilter(this);
    }
    ~LayoutParentHook() override {
        EngineTables& t = Tables();
        t.hooks.erase(parent_);
        t.layouts.erase(parent_);
        t.showTimes.erase(handle_);
        t.sizes.erase(handle_);
        t.sizesBefore.erase(handle_);
        if (splitterParent) t.lastCursor = CPoint(-1, -1);
    }

    static LayoutParentHook* Ensure(QWidget* parent) {
        auto& hooks = Tables().hooks;
        auto it = hooks.find(parent);
        if (it != hooks.end()) return it->second;
        auto* hook = new LayoutParentHook(parent);
        hooks[parent] = hook;
        return hook;
    }

    bool splitterParent = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != parent_) return false;
        EngineTables& t = Tables();
        switch (event->type()) {
            case QEvent::Resize: {
                auto it = t.layouts.find(parent_);
                if (it != t.layouts.end()) it->second->OnParentResized();
                if (splitterParent) {
                    // The owner's handler, which runs next, reads the size
                    // the parent had before this resize.
                    auto known = t.sizes.find(handle_);
                    if (known != t.sizes.end())
                        t.sizesBefore[handle_] = known->second;
                    else
                        t.sizesBefore.erase(handle_);
                    t.sizes[handle_] = PairToText(parent_->width(), parent_->height());
                }
                break;
            }
            case QEvent::Show:
                if (splitterParent) t.showTimes[handle_] = GetTickCount();
                break;
            case QEvent::Hide:
                // A hidden parent keeps neither the mouse nor a drag.
                if (splitterParent && t.hot && t.hot->parentWidget() == parent_)
                    DropHotSplitter(parent_);
                break;
            case QEvent::MouseMove:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
                if (splitterParent) Mouse(parent_, event->type(), static_cast<QMouseEvent*>(event));
                break;
            default:
                break;
        }
        return false;  // the owner sees every event too
    }

private:
    static void Mouse(QWidget* parent, QEvent::Type type, const QMouseEvent* event);
    static void EndDrag(QWidget* parent, CFxSplitStatic* bar, CPoint point);

    QWidget* parent_;
    HWND handle_;
};

namespace {

// ---- Splitter mouse handling -------------------------------------------------

void RestoreCursor() {
    EngineTables& t = Tables();
    if (QWidget* owner = t.cursorOwner) {
        if (t.ownerHadCursor)
            owner->setCursor(t.ownerCursor);
        else
            owner->unsetCursor();
    }
    t.cursorOwner = nullptr;
}

void SetHotCursor(QWidget* parent, Qt::CursorShape shape) {
    EngineTables& t = Tables();
    if (t.cursorOwner != parent) {
        RestoreCursor();
        t.cursorOwner = parent;
        t.ownerHadCursor = parent->testAttribute(Qt::WA_SetCursor);
        t.ownerCursor = parent->cursor();
    }
    parent->setCursor(shape);
}

void Capture(QWidget* parent) {
    if (parent->isVisible() && QWidget::mouseGrabber() != parent) parent->grabMouse();
}

void ReleaseCapture(QWidget* parent) {
    if (parent && QWidget::mouseGrabber() == parent) parent->releaseMouse();
}

// The first of the parent's bars whose rectangle, widened to the grab width,
// holds the point becomes hot; none: no hot bar.
void HitTest(QWidget* parent, CPoint point) {
    EngineTables& t = Tables();
    CFxSplitStatic* found = nullptr;
    for (CFxSplitStatic* s : t.splitters) {
        if (s->parentWidget() != parent || s->isHidden()) continue;
        CRect r = GetWndRect(s);
        if (s->GetOrientation() == 1 && r.Width() < kGrabWidth) {
            const int extra = kGrabWidth - r.Width();
            r.left -= extra / 2;
            r.right += extra - extra / 2;
        } else if (s->GetOrientation() != 1 && r.Height() < kGrabWidth) {
            const int extra = kGrabWidth - r.Height();
            r.top -= extra / 2;
            r.bottom += extra - extra / 2;
        }
        if (r.PtInRect(point)) {
            found = s;
            break;
        }
    }
    if (found) {
        t.hot = found;
        SetHotCursor(parent, found->GetOrientation() == 1 ? Qt::SizeHorCursor : Qt::SizeVerCursor);
        Capture(parent);
    } else {
        t.hot = nullptr;
        RestoreCursor();
        ReleaseCapture(parent);
    }
}

void EraseTrackingLine() {
    EngineTables& t = Tables();
    t.lastLine = -1;
    // The sheet goes with the line, so that the parent's children are its own
    // again between drags.
    if (t.overlay) {
        t.overlay->HideLine();
        t.overlay->deleteLater();
        t.overlay = nullptr;
    }
}

// Ends any drag and hover of the parent's bars, giving the mouse back.
void DropHotSplitter(QWidget* parent) {
    EngineTables& t = Tables();
    EraseTrackingLine();
    t.dragging = false;
    t.hot = nullptr;
    RestoreCursor();
    ReleaseCapture(parent);
    t.lastCursor = CPoint(-1, -1);
}

// The tracking line of the bar at `pos` (parent client coordinates, across
// the bar); a line already there stays.
void DrawTrackingLine(CFxSplitStatic* bar, int pos) {
    EngineTables& t = Tables();
    if (pos == t.lastLine) return;
    QWidget* parent = bar->parentWidget();
    t.lastLine = pos;
    if (t.overlay && t.overlay->parentWidget() != parent) {
        t.overlay->deleteLater();
        t.overlay = nullptr;
    }
    if (!t.overlay) t.overlay = new TrackingOverlay(parent);
    // A 3-pixel line centred on pos, from 3 pixels inside one end of the bar
    // to 3 pixels inside the other.
    const QRect r = bar->geometry();
    const QRect line = bar->GetOrientation() == 1 ? QRect(pos - 1, r.y() + 3, 3, r.height() - 6)
                                                  : QRect(r.x() + 3, pos - 1, r.width() - 6, 3);
    t.overlay->ShowLine(line, t.lineColor);
}

}  // namespace

void LayoutParentHook::Mouse(QWidget* parent, QEvent::Type type, const QMouseEvent* event) {
    EngineTables& t = Tables();
    const CPoint point(event->globalPosition().toPoint().x(),
                       event->globalPosition().toPoint().y());
    CFxSplitStatic* hot = t.hot;
    if (hot && hot->parentWidget() != parent) {
        // Another window's bar: its own parent drags it.
        if (t.dragging) return;
        hot = nullptr;
    }
    switch (type) {
        case QEvent::MouseMove:
            if (point == t.lastCursor) break;
            if (t.dragging && hot) {
                t.cursorPoint = hot->ClampDragPoint(point);
                if (hot->IsLive()) {
                    hot->MoveToCursor(t.cursorPoint);
                } else {
                    const QPoint client =
                        parent->mapFromGlobal(QPoint(t.cursorPoint.x, t.cursorPoint.y));
                    const int pos = hot->GetOrientation() == 1
                                        ? client.x() + hot->width() / 2 - t.grabOffset.x
                                        : client.y() + hot->height() / 2 - t.grabOffset.y;
                    DrawTrackingLine(hot, pos);
                }
            } else if (!t.dragging) {
                HitTest(parent, point);
            }
            t.lastCursor = point;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            if (event->button() != Qt::LeftButton || !hot || t.dragging) break;
            t.lastLine = -1;
            t.cursorPoint = point;
            const CRect bar = GetWndRect(hot);
            t.grabOffset = hot->GetOrientation() == 1 ? CPoint(point.x - bar.left, 0)
                                                      : CPoint(0, point.y - bar.top);
            Capture(parent);
            t.dragging = true;
            hot->FindPanes();
            break;
        }
        case QEvent::MouseButtonRelease:
            // A release without a press on the bar (the button went down
            // elsewhere) moves nothing.
            if (event->button() != Qt::LeftButton || !hot || !t.dragging) break;
            EndDrag(parent, hot, point);
            break;
        default:
            break;
    }
}

void LayoutParentHook::EndDrag(QWidget* parent, CFxSplitStatic* bar, CPoint point) {
    EngineTables& t = Tables();
    EraseTrackingLine();
    t.dragging = false;
    QPointer<QWidget> guard(parent);
    if (!bar->IsLive()) bar->MoveToCursor(t.cursorPoint);
    if (!guard) return;  // the owner's resize handler closed the parent
    ReleaseCapture(parent);
    HitTest(parent, point);
    t.lastCursor = CPoint(-1, -1);
}

// ---- Text forms --------------------------------------------------------------

std::string RectToText(const CRect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

std::string PairToText(int first, int second) {
    return std::to_string(first) + "," + std::to_string(second);
}

namespace {

// The text's pieces at ",", padded with empty ones to ten.
std::vector<std::string> NumberPieces(const std::string& text) {
    std::vector<std::string> pieces;
    SplitStringBySeparator(pieces, text, ",", FALSE, FALSE);
    if (pieces.size() < 10) pieces.resize(10);
    return pieces;
}

}  // namespace

CRect TextToRect(const std::string& text) {
    const std::vector<std::string> p = NumberPieces(text);
    return CRect(AtoiText(p[0]), AtoiText(p[1]), AtoiText(p[2]), AtoiText(p[3]));
}

CSize TextToPair(const std::string& text) {
    const std::vector<std::string> p = NumberPieces(text);
    return CSize(AtoiText(p[0]), AtoiText(p[1]));
}

// ---- CFxWindowsLayout --------------------------------------------------------

CFxWindowsLayout::CFxWindowsLayout() = default;

CFxWindowsLayout::~CFxWindowsLayout() {
    // Nothing the engine keeps may point here once the layout is gone.
    auto& layouts = Tables().layouts;
    for (auto it = layouts.begin(); it != layouts.end();) {
        if (it->second == this)
            it = layouts.erase(it);
        else
            ++it;
    }
    for (CFxSplitStatic* s : m_arrSplitters) s->m_pLayout = nullptr;
}

void CFxWindowsLayout::InitLayoutMargins(QWidget* parent, int hMargin, int vMargin, int hGap,
                                         int vGap, BOOL prepareChildren) {
    m_nHMargin = hMargin;
    m_nVMargin = vMargin;
    m_nHGap = hGap;
    m_nVGap = vGap;
    if (m_pParent && m_pParent != parent) {
        auto& layouts = Tables().layouts;
        auto it = layouts.find(m_pParent);
        if (it != layouts.end() && it->second == this) layouts.erase(it);
    }
    m_pParent = parent;
    if (!parent) return;
    LayoutParentHook::Ensure(parent);
    Tables().layouts[parent] = this;
    if (prepareChildren) {
        // Plain static texts and group boxes (and other buttons that are not
        // plain push buttons and take no tab stop) show the parent through
        // their background. Qt always clips children out of the parent.
        for (QWidget* child : ChildWindows(parent)) {
            const std::string cls = GetControlClassName(child);
            const bool see =
                cls == "static" || (cls == "button" && (GetButtonStyle(child) & 0x7) != 0 &&
                                    !(child->focusPolicy() & Qt::TabFocus));
            if (see) child->setAutoFillBackground(false);
        }
    }
    m_bAttached = TRUE;
}

void CFxWindowsLayout::OnParentResized() {
    if (!m_pParent) return;
    if (!m_pParent->window()->isMinimized()) m_rcParent = GetWndRect(m_pParent);
    m_pParent->update();
    // Qt paints later, so the children repaint after the owner's handler has
    // placed them.
    InvalidateChildren(m_pParent, TRUE, "", TRUE);
}

BOOL CFxWindowsLayout::IsUsable(const QWidget* child) const {
    return child != nullptr && m_pParent != nullptr;
}

void CFxWindowsLayout::AlignLeft(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    CRect r = GetWndRectInParent(child);
    r.left = margin == -1 ? m_nHMargin : margin;
    PlaceChild(child, r);
}

void CFxWindowsLayout::StretchRight(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    CRect r = GetWndRectInParent(child);
    r.right = m_pParent->width() - (margin == -1 ? m_nHMargin : margin);
    PlaceChild(child, r);
}

void CFxWindowsLayout::AlignTop(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    CRect r = GetWndRectInParent(child);
    r.top = margin == -1 ? m_nVMargin : margin;
    PlaceChild(child, r);
}

void CFxWindowsLayout::StretchBottom(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    CRect r = GetWndRectInParent(child);
    r.bottom = m_pParent->height() - (margin == -1 ? m_nVMargin : margin);
    PlaceChild(child, r);
}

BOOL CFxWindowsLayout::AnchorBottom(int margin, std::initializer_list<QWidget*> children) {
    return AnchorBottom(margin, std::span<QWidget* const>(children.begin(), children.size()));
}

BOOL CFxWindowsLayout::AnchorBottom(int margin, std::span<QWidget* const> children) {
    const int m = margin == -1 ? m_nVMargin : margin;
    int count = 0;
    for (QWidget* child : children) {
        if (!child) break;
        if (IsUsable(child)) child->move(child->x(), m_pParent->height() - m - child->height());
        if (++count > kMaxGroupItems) {
            AppMessageBox(m_pParent, "Too many WindowsLayout items", "", MB_OK);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CFxWindowsLayout::AnchorRight(int margin, std::initializer_list<QWidget*> children) {
    return AnchorRight(margin, std::span<QWidget* const>(children.begin(), children.size()));
}

BOOL CFxWindowsLayout::AnchorRight(int margin, std::span<QWidget* const> children) {
    const int m = margin == -1 ? m_nHMargin : margin;
    std::vector<QWidget*> group;
    for (QWidget* child : children) {
        if (!child) break;
        group.push_back(child);
        if (static_cast<int>(group.size()) > kMaxGroupItems) {
            AppMessageBox(m_pParent, "Too many WindowsLayout items", "", MB_OK);
            return FALSE;
        }
    }
    if (group.empty() || !IsUsable(group.back())) return TRUE;
    const int dx = m_pParent->width() - m - GetWndRectInParent(group.back()).right;
    for (QWidget* child : group) child->move(child->x() + dx, child->y());
    return TRUE;
}

void CFxWindowsLayout::MoveToLeft(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    child->move(margin == -1 ? m_nHMargin : margin, child->y());
}

void CFxWindowsLayout::MoveToRight(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    const int m = margin == -1 ? m_nHMargin : margin;
    child->move(m_pParent->width() - m - child->width(), child->y());
}

void CFxWindowsLayout::MoveLeftOf(QWidget* child, QWidget* other, int margin) {
    if (!IsUsable(child) || !other) return;
    const int m = margin == -1 ? m_nHGap : margin;
    child->move(other->x() - m - child->width(), child->y());
}

void CFxWindowsLayout::MoveToTop(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    child->move(child->x(), margin == -1 ? m_nVMargin : margin);
}

void CFxWindowsLayout::MoveToBottom(QWidget* child, int margin) {
    if (!IsUsable(child)) return;
    // The default is the horizontal margin, as callers have always had it.
    const int m = margin == -1 ? m_nHMargin : margin;
    child->move(child->x(), m_pParent->height() - m - child->height());
}

void CFxWindowsLayout::MoveBelow(QWidget* child, QWidget* other, int margin) {
    if (!IsUsable(child) || !other) return;
    // The default is the horizontal gap, as callers have always had it.
    const int m = margin == -1 ? m_nHGap : margin;
    child->move(child->x(), GetWndRectInParent(other).bottom + m);
}

void CFxWindowsLayout::FillRightOf(QWidget* child, QWidget* other, int margin) {
    if (!IsUsable(child) || !other) return;
    CRect r = GetWndRectInParent(child);
    r.left = GetWndRectInParent(other).right + (margin == -1 ? m_nHGap : margin);
    PlaceChild(child, r);
}

void CFxWindowsLayout::StretchToLeftOf(QWidget* child, QWidget* other, int margin) {
    if (!IsUsable(child) || !other) return;
    CRect r = GetWndRectInParent(child);
    r.right = other->x() - (margin == -1 ? m_nHGap : margin);
    PlaceChild(child, r);
}

void CFxWindowsLayout::StretchToAbove(QWidget* child, QWidget* other, int margin) {
    if (!IsUsable(child) || !other) return;
    CRect r = GetWndRectInParent(child);
    r.bottom = other->y() - (margin == -1 ? m_nVMargin : margin);
    PlaceChild(child, r);
}

BOOL CFxWindowsLayout::SaveLayoutFile(const std::string& path) {
    if (path.empty()) return FALSE;
    CRevolver buffer;
    if (!LayoutToStore(buffer)) return FALSE;
    return buffer.ToFile(path);
}

BOOL CFxWindowsLayout::LoadLayoutFile(const std::string& path, BOOL restoreTopWindow) {
    // Holding Shift while the window comes up keeps the built-in positions.
    if (GetAsyncModifiers() & Qt::ShiftModifier) return TRUE;
    CRevolver buffer;
    if (!buffer.FromFile(path) || buffer.GetLength() == 0) return FALSE;
    return LayoutFromStore(buffer, restoreTopWindow);
}

BOOL CFxWindowsLayout::LayoutToStore(CRevolver& buffer) const {
    const std::vector<QWidget*> children = ChildWindows(m_pParent);
    if (children.empty()) return FALSE;
    CFxRevPropStore store;
    for (QWidget* child : children) {
        const int id = GetDlgCtrlID(child);
        if (id == 0) continue;
        const std::string key = std::to_string(id);
        // Of two children with one id, the one the id finds is written, so
        // that reading the record moves the child it was taken from.
        if (!store.HasKey(key))
            store.SetString(key, RectToText(GetWndRectInParent(GetDlgItem(m_pParent, id))));
    }
    store.SetString("$top_parent_rect", RectToText(GetWndRect(m_pParent->window())));
    return store.ToRevolver(buffer);
}

BOOL CFxWindowsLayout::LayoutFromStore(const CRevolver& buffer, BOOL restoreTopWindow) {
    if (!m_pParent) return FALSE;
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) return FALSE;
    if (restoreTopWindow && !store.GetString("$top_parent_rect").empty()) {
        // The record holds the frame's rectangle; Qt places the client area.
        QWidget* top = m_pParent->window();
        const CRect frame = TextToRect(store.GetString("$top_parent_rect"));
        const QRect outer = top->frameGeometry();
        const QRect inner = top->geometry();
        top->setGeometry(frame.left + (inner.x() - outer.x()), frame.top + (inner.y() - outer.y()),
                         std::max(0, frame.Width() - (outer.width() - inner.width())),
                         std::max(0, frame.Height() - (outer.height() - inner.height())));
    }
    std::vector<std::string> keys;
    store.GetKeys(keys);
    for (const std::string& key : keys) {
        if (key.empty() || key[0] == '$' || key[0] == '%') continue;
        QWidget* child = GetDlgItem(m_pParent, AtoiText(key));
        const std::string value = store.GetString(key);
        if (!child || value.empty()) continue;
        PlaceChild(child, TextToRect(value));
    }
    return TRUE;
}

// ---- CFxSplitStatic ----------------------------------------------------------

CFxSplitStatic::CFxSplitStatic(QWidget* parent) : QLabel(parent) {
    // Like a static control, the bar lets the mouse through to its parent,
    // which does the dragging.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CFxSplitStatic::~CFxSplitStatic() {
    EngineTables& t = Tables();
    std::erase(t.splitters, this);
    if (m_pLayout) std::erase(m_pLayout->m_arrSplitters, this);
    if (t.hot == this) DropHotSplitter(parentWidget());
}

BOOL CFxSplitStatic::AttachToLayout(CFxWindowsLayout* layout, int orientation, BOOL live,
                                    COLORREF lineColor) {
    QWidget* parent = parentWidget();
    if (!layout || !parent) return FALSE;
    if (m_pLayout) std::erase(m_pLayout->m_arrSplitters, this);
    m_pLayout = layout;
    if (std::find(layout->m_arrSplitters.begin(), layout->m_arrSplitters.end(), this) ==
        layout->m_arrSplitters.end())
        layout->m_arrSplitters.push_back(this);
    m_nOrientation = orientation;
    m_bLive = live;
    EngineTables& t = Tables();
    t.lineColor = lineColor;
    t.splitterParent = parent;
    LayoutParentHook::Ensure(parent)->splitterParent = true;
    // The parent hears the mouse moving over it without a button held.
    parent->setMouseTracking(true);
    if (std::find(t.splitters.begin(), t.splitters.end(), this) == t.splitters.end())
        t.splitters.push_back(this);
    return TRUE;
}

void CFxSplitStatic::SetFirstPane(QWidget* pane, int minimum) {
    m_hFirstPane = pane;
    m_nFirstMin = minimum;
    m_bFindFirst = FALSE;
}

void CFxSplitStatic::SetSecondPane(QWidget* pane, int minimum) {
    m_hSecondPane = pane;
    m_nSecondMin = minimum;
    m_bFindSecond = FALSE;
}

CFxSplitStatic* CFxSplitStatic::GetHotSplitter() { return Tables().hot; }
BOOL CFxSplitStatic::IsDragging() { return Tables().dragging; }
int CFxSplitStatic::GetTrackingLinePos() { return Tables().lastLine; }

// The nearest window on each side that overlaps the bar along its length and
// ends within reach of its centre line.
void CFxSplitStatic::FindPanes() {
    QWidget* parent = parentWidget();
    if (!parent) return;
    const bool vertical = m_nOrientation == 1;
    const CRect bar = GetWndRect(this);
    const int centre = vertical ? (bar.left + bar.right) / 2 : (bar.top + bar.bottom) / 2;
    QWidget* first = nullptr;
    QWidget* second = nullptr;
    for (QWidget* child : ChildWindows(parent)) {
        if (child == this) continue;
        const CRect c = GetWndRect(child);
        const bool along = vertical ? (c.top < bar.bottom && c.bottom > bar.top)
                                    : (c.left < bar.right && c.right > bar.left);
        if (!along) continue;
        const int nearEnd = (vertical ? c.right : c.bottom) - centre;
        const int nearStart = (vertical ? c.left : c.top) - centre;
        if (!first && nearEnd >= -kPaneReach && nearEnd < 0) first = child;
        if (!second && nearStart > 0 && nearStart < kPaneReach) second = child;
    }
    if ((!m_hFirstPane || m_bFindFirst) && first) m_hFirstPane = first;
    if (!(m_hSecondPane && !m_bFindSecond) && second) m_hSecondPane = second;
}

// Keeps the dragged point where both panes keep their minimum sizes; a pane
// already well below its minimum may shrink to 20.
CPoint CFxSplitStatic::ClampDragPoint(CPoint cursor) const {
    const EngineTables& t = Tables();
    const bool vertical = m_nOrientation == 1;
    CRect all;
    for (QWidget* child : ChildWindows(parentWidget())) all.UnionRect(all, GetWndRect(child));
    int v = vertical ? cursor.x : cursor.y;
    const int grab = vertical ? t.grabOffset.x : t.grabOffset.y;
    auto effectiveMin = [vertical](const CRect& pane, int minimum) {
        const int extent = vertical ? pane.Width() : pane.Height();
        return extent < minimum - 20 ? 20 : minimum;
    };
    if (m_hFirstPane) {
        const CRect p = GetWndRect(m_hFirstPane);
        v = std::max(v, (vertical ? p.left : p.top) + grab + effectiveMin(p, m_nFirstMin));
    } else {
        v = std::max(v, (vertical ? all.left : all.top) + grab + 30);
    }
    if (m_hSecondPane) {
        const CRect p = GetWndRect(m_hSecondPane);
        v = std::min(v, (vertical ? p.right : p.bottom) + grab - effectiveMin(p, m_nSecondMin));
    } else {
        v = std::min(v, (vertical ? all.right : all.bottom) + grab - 30);
    }
    return vertical ? CPoint(v, cursor.y) : CPoint(cursor.x, v);
}

// Puts the bar where the cursor point says and lets the owner place the panes.
void CFxSplitStatic::MoveToCursor(CPoint cursor) {
    QWidget* parent = parentWidget();
    if (!parent) return;
    const EngineTables& t = Tables();
    const QPoint client = parent->mapFromGlobal(QPoint(cursor.x, cursor.y));
    if (m_nOrientation == 1)
        move(client.x() - t.grabOffset.x, y());
    else
        move(x(), client.y() - t.grabOffset.y);
    ResendSizeMessage(parent, FALSE);
}

void CFxSplitStatic::FollowParentSize() {
    QWidget* parent = parentWidget();
    EngineTables& t = Tables();
    if (!parent || !t.splitterParent || !m_pLayout || !m_pLayout->m_bAttached) return;
    const HWND handle = GetWindowHandle(parent);
    auto old = t.sizesBefore.find(handle);
    if (old == t.sizesBefore.end()) return;
    const CSize before = TextToPair(old->second);
    const CSize now(parent->width(), parent->height());
    if (before.cx == 0 || before.cy == 0 || now.cx == 0 || now.cy == 0 || before == now) return;
    auto shown = t.showTimes.find(handle);
    if (shown == t.showTimes.end() || GetTickCount() - shown->second <= kShowSettleMs) return;
    const int dx = now.cx - before.cx;
    const int dy = now.cy - before.cy;
    const bool vertical = m_nOrientation == 1;
    const int delta = vertical ? dx : dy;
    const int here = vertical ? x() : y();

    if (delta < 0) {
        // A shrinking parent may not push the bar across a bar before it or
        // the client's near edge; the bar then stays and remembers its place.
        const CRect mine = GetWndRect(this);
        const int myEdge = vertical ? mine.left : mine.top;
        bool stay = here + delta - 20 < 0;
        for (CFxSplitStatic* other : m_pLayout->m_arrSplitters) {
            if (stay) break;
            if (other == this || other->m_nOrientation != m_nOrientation) continue;
            const CRect o = GetWndRect(other);
            const int otherEdge = vertical ? o.left : o.top;
            if (otherEdge < myEdge && myEdge + delta - 20 < otherEdge) stay = true;
        }
        if (stay) {
            m_nRememberedPos = here;
            return;
        }
    }

    int pos = here + delta;
    if (m_nRememberedPos != -1) {
        pos = m_nRememberedPos;
        const CRect frame = GetWndRect(parent);
        if (m_nRememberedPos < (vertical ? frame.Width() : frame.Height())) m_nRememberedPos = -1;
    }
    pos = std::min(pos, (vertical ? now.cx : now.cy) - 50);
    if (vertical)
        move(pos, y());
    else
        move(x(), pos);
}

// ---- CFxTransparentStatic ----------------------------------------------------

CFxTransparentStatic::CFxTransparentStatic(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
}

CFxTransparentStatic::CFxTransparentStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setAutoFillBackground(false);
}

void CFxTransparentStatic::setText(const QString& text) {
    QLabel::setText(text);
    repaint();
}
