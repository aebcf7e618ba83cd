#include "foundation/fxballoon.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QPropertyAnimation>
#include <QScreen>
#include <algorithm>
#include <cstdint>

#include "platform/uiservices.h"

namespace {

// Room between the body's edge and its text, and the widest the text runs
// before it breaks.
constexpr int kPadding = 6;
constexpr int kMaxTextWidth = 300;
// The tail's base along the body's edge, and the tip's distance from the
// window's side.
constexpr int kTailBase = 16;
constexpr int kTipInset = CFxBalloon::kMargin + kTailBase;

FontSpec BalloonFont() {
    FontSpec font;
    font.height = PointsToHeight(9);
    font.face = "Tahoma";
    return font;
}

CPoint PointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

// The outline of body and tail, clockwise from the body's top left.
std::vector<CPoint> Outline(const CRect& body, CPoint tip, int quadrant) {
    const int l = body.left, t = body.top, r = body.right - 1, b = body.bottom - 1;
    const bool left = quadrant & 1;
    const int near = left ? tip.x : tip.x - kTailBase;  // the base's left end
    const int far = left ? tip.x + kTailBase : tip.x;   // and its right end
    if (!(quadrant & 2)) {
        // The tail rises from the top edge; its vertical side faces outwards.
        return {{l, t}, {near, t}, tip, {far, t}, {r, t}, {r, b}, {l, b}};
    }
    return {{l, t}, {r, t}, {r, b}, {far, b}, tip, {near, b}, {l, b}};
}

}  // namespace

CFxBalloon::CFxBalloon(const std::string& text, CPoint anchor, DWORD options, QWidget* anchorWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      text_(text),
      anchor_(anchor),
      anchorWindow_(anchorWindow),
      options_(options),
      background_(GetSysColor(COLOR_INFOBK)),
      animate_(&CFxBalloon::BuiltInFade) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
}

CFxBalloon::~CFxBalloon() = default;

void CFxBalloon::SetText(const std::string& text) {
    text_ = text;
    if (isVisible()) Layout();
}

void CFxBalloon::SetAnchor(CPoint anchor, QWidget* anchorWindow) {
    anchor_ = anchor;
    anchorWindow_ = anchorWindow;
    if (isVisible()) Layout();
}

void CFxBalloon::SetAnchorRect(const CRect& rect) {
    anchorRect_ = rect;
    if (isVisible()) Layout();
}

CPoint CFxBalloon::GetAnchorScreenPoint() const {
    if (!anchorWindow_) return anchor_;
    const QPoint p = anchorWindow_->mapToGlobal(QPoint(anchor_.x, anchor_.y));
    return {p.x(), p.y()};
}

CRect CFxBalloon::GetAnchorRect() const {
    if (!anchorRect_.IsRectEmpty()) return anchorRect_;
    // Qt finds no screen for a point outside all of them; the nearest one
    // still decides which way the balloon opens.
    std::vector<CRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.emplace_back(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    }
    return NearestScreenRect(GetAnchorScreenPoint(), screens);
}

void CFxBalloon::SetOptions(DWORD options) {
    options_ = options;
    if (!(options_ & kCloseButton)) {
        captured_ = false;
        closeState_ = CloseNormal;
    }
    if (isVisible()) Layout();
}

void CFxBalloon::SetBackgroundColor(COLORREF colour) {
    background_ = colour;
    update();
}

void CFxBalloon::SetTimeout(UINT milliseconds) {
    timeout_ = milliseconds;
    if (milliseconds)
        SetTimer(this, kTimeoutTimer, milliseconds);
    else
        KillTimer(this, kTimeoutTimer);
}

int CFxBalloon::TailQuadrant(CPoint anchor, const CRect& rect) {
    const CPoint centre = rect.CenterPoint();
    return (anchor.x < centre.x ? 1 : 0) | (anchor.y >= centre.y ? 2 : 0);
}

CRect CFxBalloon::NearestScreenRect(CPoint point, const std::vector<CRect>& screens) {
    CRect nearest;
    std::int64_t best = -1;
    for (const CRect& screen : screens) {
        if (screen.IsRectEmpty()) continue;
        const std::int64_t dx = point.x < screen.left     ? screen.left - point.x
                                : point.x >= screen.right ? point.x - (screen.right - 1)
                                                          : 0;
        const std::int64_t dy = point.y < screen.top       ? screen.top - point.y
                                : point.y >= screen.bottom ? point.y - (screen.bottom - 1)
                                                           : 0;
        const std::int64_t distance = dx * dx + dy * dy;
        if (best < 0 || distance < best) {
            best = distance;
            nearest = screen;
        }
    }
    return nearest;
}

CRect CFxBalloon::GetCloseButtonRect() const {
    const CPoint topLeft(body_.right - 2 - kCloseButtonSize.cx, body_.top + 2);
    return {topLeft, kCloseButtonSize};
}

void CFxBalloon::Layout() {
    CDC measure(1, 1);
    measure.SelectFont(BalloonFont());
    CRect extent(0, 0, kMaxTextWidth, 0);
    measure.DrawText(text_, extent, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    textSize_ = extent.Size();

    const bool button = options_ & kCloseButton;
    const int contentWidth = textSize_.cx + (button ? 4 + kCloseButtonSize.cx : 0);
    const int contentHeight = std::max<int>(textSize_.cy, button ? kCloseButtonSize.cy : 0);
    // Wide enough for the tail at either side.
    const int bodyWidth = std::max(contentWidth + 2 * kPadding, 2 * kTailBase + 2 * kTailBase);
    const int bodyHeight = contentHeight + 2 * kPadding;
    const int width = bodyWidth + 2 * kMargin;
    const int height = bodyHeight + 2 * kMargin + kTail;

    const CPoint anchor = GetAnchorScreenPoint();
    quadrant_ = TailQuadrant(anchor, GetAnchorRect());
    body_ = CRect(kMargin, kMargin, width - kMargin, height - kMargin);
    if (quadrant_ & 2)
        body_.bottom -= kTail;  // below the centre: the balloon stands above the anchor
    else
        body_.top += kTail;
    tip_ = CPoint((quadrant_ & 1) ? kTipInset : width - 1 - kTipInset,
                  (quadrant_ & 2) ? height - 1 : 0);

    resize(width, height);
    move(anchor.x - tip_.x, anchor.y - tip_.y);

    QPolygon shape;
    for (const CPoint& p : Outline(body_, tip_, quadrant_)) shape << QPoint(p.x, p.y);
    QBitmap mask(width, height);
    mask.fill(Qt::color0);
    {
        QPainter painter(&mask);
        painter.setPen(Qt::color1);
        painter.setBrush(Qt::color1);
        painter.drawPolygon(shape);
    }
    setMask(mask);
    update();
}

void CFxBalloon::Show() {
    Layout();
    show();
}

void CFxBalloon::Close() {
    if (closing_) return;
    if (options_ & kShowAgain) {
        options_ &= ~kShowAgainCleared;
        if (timeout_) SetTimer(this, kTimeoutTimer, timeout_);
        return;
    }
    closing_ = true;
    KillTimer(this, kTimeoutTimer);
    captured_ = false;
    closeState_ = CloseNormal;
    if (fade_) {
        QPropertyAnimation* showing = fade_;
        fade_ = nullptr;
        showing->stop();
    }
    if (isVisible() && animate_ && !(options_ & kNoHideAnimation)) {
        animate_(*this, kFadeMs, FadeOut);
        if (fade_) return;  // the built-in fade finishes the close when it ends
    }
    FinishClose();
}

void CFxBalloon::FinishClose() {
    hide();
    deleteLater();
}

void CFxBalloon::BuiltInFade(CFxBalloon& balloon, int milliseconds, Fade fade) {
    auto* animation = new QPropertyAnimation(&balloon, "windowOpacity", &balloon);
    animation->setDuration(milliseconds);
    animation->setStartValue(fade == FadeIn ? 0.0 : balloon.windowOpacity());
    animation->setEndValue(fade == FadeIn ? 1.0 : 0.0);
    if (fade == FadeIn) balloon.setWindowOpacity(0.0);
    if (fade == FadeOut)
        connect(animation, &QPropertyAnimation::finished, &balloon, [&balloon] {
            balloon.fade_ = nullptr;
            balloon.FinishClose();
        });
    balloon.fade_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CFxBalloon::OnTimer(UINT_PTR id) {
    if (id != kTimeoutTimer) return;
    KillTimer(this, kTimeoutTimer);
    Close();
}

void CFxBalloon::SetCloseState(CloseState state) {
    if (closeState_ == state) return;
    closeState_ = state;
    update();
}

void CFxBalloon::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!closing_ && animate_ && !(options_ & kNoShowAnimation)) animate_(*this, kFadeMs, FadeIn);
}

void CFxBalloon::closeEvent(QCloseEvent* event) {
    // Closed by the window system: no second showing, no fade.
    event->accept();
    if (closing_) return;
    closing_ = true;
    KillTimer(this, kTimeoutTimer);
    captured_ = false;
    deleteLater();
}

void CFxBalloon::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || closing_) return;
    if ((options_ & kCloseButton) && GetCloseButtonRect().PtInRect(PointOf(event))) {
        captured_ = true;
        SetCloseState(ClosePushed);
    }
}

void CFxBalloon::mouseMoveEvent(QMouseEvent* event) {
    if (!(options_ & kCloseButton) || closing_) return;
    const bool inside = GetCloseButtonRect().PtInRect(PointOf(event));
    if (captured_)
        SetCloseState(inside ? ClosePushed : CloseNormal);
    else
        SetCloseState(inside ? CloseHot : CloseNormal);
}

void CFxBalloon::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || closing_) return;
    const CPoint point = PointOf(event);
    if (captured_) {
        captured_ = false;
        const bool inside = GetCloseButtonRect().PtInRect(point);
        SetCloseState(inside ? CloseHot : CloseNormal);
        if (inside) Close();
        return;
    }
    if (!link_.empty() && CRect(0, 0, width(), height()).PtInRect(point)) {
        Ui().OpenDocument(link_);
        Close();
    }
}

void CFxBalloon::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (!captured_) SetCloseState(CloseNormal);
}

void CFxBalloon::Draw(CDC& dc) {
    const CSize size = dc.GetSize();
    dc.FillSolidRect(CRect(0, 0, size.cx, size.cy), background_);

    const std::vector<CPoint> outline = Outline(body_, tip_, quadrant_);
    dc.SelectPen(Pen(PS_SOLID, 1, GetSysColor(COLOR_INFOTEXT)));
    dc.MoveTo(outline.back());
    for (const CPoint& p : outline) dc.LineTo(p);

    dc.SelectFont(BalloonFont());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(COLOR_INFOTEXT));
    CRect textRect(body_.left + kPadding, body_.top + kPadding,
                   body_.left + kPadding + textSize_.cx, body_.top + kPadding + textSize_.cy);
    dc.DrawText(text_, textRect, DT_WORDBREAK | DT_NOPREFIX);

    if (!(options_ & kCloseButton)) return;
    const CRect button = GetCloseButtonRect();
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (closeState_ == CloseHot) dc.Draw3dRect(button, light, shadow);
    if (closeState_ == ClosePushed) dc.Draw3dRect(button, shadow, light);
    // The cross, a pixel down and right while pushed.
    const int shift = closeState_ == ClosePushed ? 1 : 0;
    const int l = button.left + 5 + shift, t = button.top + 5 + shift;
    const int r = button.right - 5 + shift, b = button.bottom - 5 + shift;
    dc.SelectPen(Pen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT)));
    for (int dx = 0; dx < 2; ++dx) {
        dc.MoveTo(l + dx, t);
        dc.LineTo(r + dx, b);
        dc.MoveTo(r - 1 + dx, t);
        dc.LineTo(l - 1 + dx, b);
    }
}

void CFxBalloon::paintEvent(QPaintEvent*) {
    QImage picture(size(), QImage::Format_RGB32);
    if (picture.isNull()) return;
    {
        CDC dc(picture);
        Draw(dc);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}
