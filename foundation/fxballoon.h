#pragma once

// A pop-up notice in the shape of a speech balloon: a body with its text and
// an optional close button, a tail pointing at an anchor point, an optional
// link opened when the body is clicked, closing after a time, and a fade on
// showing and hiding.
//
// Make it with new: once closed (by its button, a click on its link, its
// time-out or Close) it hides and deletes itself through the event loop, never
// inside the handler that closed it. Hold it by QPointer.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QPropertyAnimation;

class CFxBalloon : public QWidget {
    Q_OBJECT

public:
    // Option bits.
    static constexpr DWORD kShowAgain = 0x100;         // the first close only restarts the timer
    static constexpr DWORD kCloseButton = 0x400;       // a close button at the top right
    static constexpr DWORD kNoShowAnimation = 0x4000;  // no fade when showing
    static constexpr DWORD kNoHideAnimation = 0x8000;  // no fade when hiding
    // The bits a close with kShowAgain clears.
    static constexpr DWORD kShowAgainCleared = 0x17F;

    static constexpr UINT_PTR kTimeoutTimer = 1;
    static constexpr int kFadeMs = 200;
    // The body's distance from the window's edges and the tail's length.
    static constexpr int kMargin = 8;
    static constexpr int kTail = 20;
    // The close button, the size of a caption button.
    static constexpr CSize kCloseButtonSize{18, 18};

    enum CloseState { CloseNormal = 0, CloseHot = 1, ClosePushed = 2 };
    enum Fade { FadeIn = 0, FadeOut = 1 };

    // Called with the fade's length and direction as the balloon shows or
    // before it hides. The built-in one fades the window's opacity.
    using AnimationFunction = std::function<void(CFxBalloon& balloon, int milliseconds, Fade fade)>;

    // `text` is system text. The anchor point is in the client coordinates of
    // `anchorWindow`, or in screen coordinates without one.
    CFxBalloon(const std::string& text, CPoint anchor, DWORD options = 0,
               QWidget* anchorWindow = nullptr);
    ~CFxBalloon() override;

    void SetText(const std::string& text);
    const std::string& GetText() const { return text_; }
    void SetAnchor(CPoint anchor, QWidget* anchorWindow = nullptr);
    // The rectangle (screen coordinates) whose centre decides where the tail
    // goes; empty: the screen nearest the anchor point.
    void SetAnchorRect(const CRect& rect);
    // The rectangle in force: the one set, else the nearest screen's.
    CRect GetAnchorRect() const;
    // The anchor point in screen coordinates.
    CPoint GetAnchorScreenPoint() const;

    void SetOptions(DWORD options);
    DWORD GetOptions() const { return options_; }
    void SetLinkText(const std::string& link) { link_ = link; }
    const std::string& GetLinkText() const { return link_; }
    void SetBackgroundColor(COLORREF colour);
    COLORREF GetBackgroundColor() const { return background_; }
    // A non-zero time (milliseconds) starts the time-out timer; 0 stops it.
    void SetTimeout(UINT milliseconds);
    UINT GetTimeout() const { return timeout_; }
    // A null function shows and hides without a fade.
    void SetAnimationFunction(AnimationFunction animate) { animate_ = std::move(animate); }

    // Lays the balloon out at its anchor and shows it.
    void Show();
    // Closes as the time-out and the close button do: with kShowAgain set
    // the first close clears kShowAgainCleared and restarts the timer;
    // otherwise the balloon hides (after its fade) and deletes itself later.
    void Close();
    bool IsClosing() const { return closing_; }

    // Bit 0: the anchor lies left of the rectangle's centre; bit 1: at or
    // below it.
    static int TailQuadrant(CPoint anchor, const CRect& rect);
    // The rectangle of `screens` nearest the point (the one holding it, else
    // the one at the least distance); empty when there is none.
    static CRect NearestScreenRect(CPoint point, const std::vector<CRect>& screens);

    int GetQuadrant() const { return quadrant_; }
    // In client coordinates, as last laid out.
    CRect GetBodyRect() const { return body_; }
    CRect GetCloseButtonRect() const;
    CPoint GetTailTip() const { return tip_; }
    CloseState GetCloseState() const { return closeState_; }

    // Paints the whole balloon on `dc` (the window's size).
    void Draw(CDC& dc);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Layout();
    void SetCloseState(CloseState state);
    void FinishClose();
    void OnTimer(UINT_PTR id);
    static void BuiltInFade(CFxBalloon& balloon, int milliseconds, Fade fade);

    std::string text_;
    CPoint anchor_;
    QPointer<QWidget> anchorWindow_;
    CRect anchorRect_;
    DWORD options_ = 0;
    std::string link_;
    COLORREF background_;
    UINT timeout_ = 0;
    AnimationFunction animate_;

    int quadrant_ = 0;
    CRect body_;
    CPoint tip_;
    CSize textSize_;
    CloseState closeState_ = CloseNormal;
    bool captured_ = false;
    bool closing_ = false;
    QPointer<QPropertyAnimation> fade_;
};
