#include "foundation/fxballoon.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <utility>
#include <vector>

#include "foundation/tests/inputtesting.h"
#include "platform/testing/scriptedui.h"

namespace {

constexpr DWORD kQuiet = CFxBalloon::kNoShowAnimation | CFxBalloon::kNoHideAnimation;

void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QImage Picture(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
COLORREF At(const QImage& image, CPoint p) { return FromQRgb(image.pixel(p.x, p.y)); }
QPoint Q(CPoint p) { return {p.x, p.y}; }

// A balloon shown at `anchor` inside a fixed anchor rectangle.
QPointer<CFxBalloon> ShowBalloon(DWORD options, CPoint anchor = {50, 40},
                                 const CRect& anchorRect = CRect(0, 0, 200, 100)) {
    auto* balloon = new CFxBalloon("Saved", anchor, options);
    balloon->SetAnchorRect(anchorRect);
    balloon->Show();
    return balloon;
}

TEST(FxBalloonTest, TailQuadrantAroundAndOnTheCentre) {
    const CRect rect(0, 0, 200, 100);  // centre (100, 50)
    const struct {
        CPoint anchor;
        int quadrant;
    } cases[] = {
        {{99, 49}, 1}, {{100, 49}, 0}, {{99, 50}, 3},   {{100, 50}, 2},  // around and on it
        {{0, 0}, 1},   {{199, 99}, 2}, {{-40, 300}, 3}, {{900, -5}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFxBalloon::TailQuadrant(c.anchor, rect), c.quadrant)
            << c.anchor.x << "," << c.anchor.y;

    // The balloon opens toward the centre: its tail tip on the anchor, the
    // tail at the top when the anchor is above the centre, else at the bottom.
    for (const auto& c : cases) {
        if (c.anchor.x < 0 || c.anchor.y < 0) continue;
        QPointer<CFxBalloon> b = ShowBalloon(kQuiet, c.anchor, rect);
        ASSERT_EQ(b->GetQuadrant(), c.quadrant);
        const CPoint tip = b->GetTailTip();
        EXPECT_EQ(b->pos() + Q(tip), Q(c.anchor));
        const int h = b->height(), w = b->width(), tail = (c.quadrant & 2) ? 0 : 20;
        EXPECT_EQ(tip.y, (c.quadrant & 2) ? h - 1 : 0);
        EXPECT_EQ(b->GetBodyRect(), CRect(8, 8 + tail, w - 8, h - 28 + tail));
        EXPECT_EQ(tip.x, (c.quadrant & 1) ? 24 : w - 25);
        // The tail is drawn there and only there.
        const QImage image = Picture(*b);
        const COLORREF bk = b->GetBackgroundColor();
        EXPECT_NE(At(image, tip), bk);
        EXPECT_EQ(At(image, {w - 1 - tip.x, h - 1 - tip.y}), bk);
        b->Close();
    }
    RunDeferredDeletes();
}

TEST(FxBalloonTest, AnchorOutsideEveryScreenStillGetsTheNearestScreen) {
    const std::vector<CRect> screens = {CRect(0, 0, 800, 600), CRect(800, 0, 1824, 768)};
    const struct {
        CPoint point;
        int screen;  // -1: none
    } cases[] = {
        {{100, 100}, 0},  {{900, 100}, 1},     {{799, 599}, 0},
        {{800, 0}, 1},    {{-5000, -5000}, 0},  // outside all: the nearest corner wins
        {{5000, 300}, 1}, {{799, 700}, 1},      // below the first, beside the second
        {{400, -10}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFxBalloon::NearestScreenRect(c.point, screens), screens[c.screen])
            << c.point.x << "," << c.point.y;
    EXPECT_TRUE(CFxBalloon::NearestScreenRect({1, 1}, {}).IsRectEmpty());

    // Without a rectangle of its own the balloon takes the real screen.
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    const CRect screen(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    QPointer<CFxBalloon> b = new CFxBalloon("Far away", {-5000, -5000}, kQuiet);
    b->Show();
    EXPECT_EQ(b->GetAnchorRect(), screen);
    EXPECT_EQ(b->GetQuadrant(), 1);
    b->Close();
    RunDeferredDeletes();
}

TEST(FxBalloonTest, CloseButtonFollowsTheMouseAndClosesOnReleaseInside) {
    QPointer<CFxBalloon> b = ShowBalloon(CFxBalloon::kCloseButton | kQuiet);
    const CRect button = b->GetCloseButtonRect();
    ASSERT_EQ(button.Size(), CFxBalloon::kCloseButtonSize);
    ASSERT_TRUE(b->GetBodyRect().PtInRect(button.TopLeft()));
    const QPoint inside = Q(button.CenterPoint());
    const QPoint outside = Q(b->GetBodyRect().TopLeft()) + QPoint(4, 4);
    const COLORREF bk = b->GetBackgroundColor();
    const auto corner = [&] { return At(Picture(*b), button.TopLeft()); };

    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseNormal);
    EXPECT_EQ(corner(), bk);  // flat
    Mouse(*b, QEvent::MouseMove, inside);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseHot);
    EXPECT_EQ(corner(), GetSysColor(COLOR_BTNHIGHLIGHT));  // raised
    Mouse(*b, QEvent::MouseMove, outside);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseNormal);
    Mouse(*b, QEvent::MouseMove, inside);
    Leave(*b);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseNormal);

    // Held on the button: pushed inside, flat outside; a release outside
    // keeps the balloon open.
    Mouse(*b, QEvent::MouseButtonPress, inside, Qt::LeftButton);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::ClosePushed);
    EXPECT_EQ(corner(), GetSysColor(COLOR_BTNSHADOW));  // sunken
    Mouse(*b, QEvent::MouseMove, outside, Qt::LeftButton);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseNormal);
    Leave(*b);  // still held: the button stays with the mouse
    Mouse(*b, QEvent::MouseMove, inside, Qt::LeftButton);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::ClosePushed);
    Mouse(*b, QEvent::MouseMove, outside, Qt::LeftButton);
    Mouse(*b, QEvent::MouseButtonRelease, outside);
    EXPECT_EQ(b->GetCloseState(), CFxBalloon::CloseNormal);
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(b->IsClosing());

    // A release inside closes; the balloon goes later, not in its handler.
    Click(*b, inside);
    ASSERT_FALSE(b.isNull());
    EXPECT_FALSE(b->isVisible());
    EXPECT_TRUE(b->IsClosing());
    RunDeferredDeletes();
    EXPECT_TRUE(b.isNull());
}

TEST(FxBalloonTest, TimeOutClosesAndTheBalloonIsDeletedAfterTheTick) {
    QPointer<CFxBalloon> b = ShowBalloon(kQuiet);
    EXPECT_FALSE(IsTimerSet(b, CFxBalloon::kTimeoutTimer));
    b->SetTimeout(5000);
    EXPECT_EQ(GetTimerPeriod(b, CFxBalloon::kTimeoutTimer), 5000u);
    b->SetTimeout(0);
    EXPECT_FALSE(IsTimerSet(b, CFxBalloon::kTimeoutTimer));
    b->SetTimeout(3000);

    ASSERT_TRUE(FireTimerForTest(b, CFxBalloon::kTimeoutTimer));
    ASSERT_FALSE(b.isNull());  // the tick's handler returned into a live window
    EXPECT_FALSE(b->isVisible());
    EXPECT_FALSE(IsTimerSet(b, CFxBalloon::kTimeoutTimer));
    b->Close();  // closing twice does no harm
    RunDeferredDeletes();
    EXPECT_TRUE(b.isNull());
}

TEST(FxBalloonTest, ShowAgainClosesTheSecondTimeOnly) {
    // The first tick clears the bits and re-arms the timer.
    const DWORD options = CFxBalloon::kShowAgain | CFxBalloon::kCloseButton | 0x3 | kQuiet;
    QPointer<CFxBalloon> b = ShowBalloon(options);
    b->SetTimeout(2000);
    FireTimerForTest(b, CFxBalloon::kTimeoutTimer);
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(b->IsClosing());
    EXPECT_EQ(b->GetOptions(), options & ~CFxBalloon::kShowAgainCleared);
    EXPECT_EQ(GetTimerPeriod(b, CFxBalloon::kTimeoutTimer), 2000u);
    FireTimerForTest(b, CFxBalloon::kTimeoutTimer);
    EXPECT_FALSE(b->isVisible());
    RunDeferredDeletes();
    EXPECT_TRUE(b.isNull());
}

TEST(FxBalloonTest, FadesFollowTheAnimationBits) {
    using Call = std::pair<int, CFxBalloon::Fade>;
    const Call in{200, CFxBalloon::FadeIn}, out{200, CFxBalloon::FadeOut};
    const struct {
        DWORD options;
        std::vector<Call> onShow, onClose;
    } cases[] = {
        {0, {in}, {out}},
        {CFxBalloon::kNoShowAnimation, {}, {out}},
        {CFxBalloon::kNoHideAnimation, {in}, {}},
        {kQuiet, {}, {}},
    };
    for (const auto& c : cases) {
        std::vector<Call> calls;
        QPointer<CFxBalloon> b = new CFxBalloon("Fade", {10, 10}, c.options);
        b->SetAnimationFunction(
            [&calls](CFxBalloon&, int ms, CFxBalloon::Fade fade) { calls.emplace_back(ms, fade); });
        b->Show();
        EXPECT_EQ(calls, c.onShow) << c.options;
        calls.clear();
        b->Close();
        EXPECT_EQ(calls, c.onClose) << c.options;
        EXPECT_FALSE(b->isVisible());
        RunDeferredDeletes();
        EXPECT_TRUE(b.isNull());
    }
}

TEST(FxBalloonTest, BuiltInFadeRunsTheOpacityAndHidesWhenItEnds) {
    const auto running = [](CFxBalloon& b) -> QPropertyAnimation* {
        for (QPropertyAnimation* a : b.findChildren<QPropertyAnimation*>())
            if (a->state() == QAbstractAnimation::Running) return a;
        return nullptr;
    };
    QPointer<CFxBalloon> b = ShowBalloon(0);
    QPropertyAnimation* fadeIn = running(*b);
    ASSERT_NE(fadeIn, nullptr);
    EXPECT_EQ(fadeIn->propertyName(), "windowOpacity");
    EXPECT_EQ(fadeIn->duration(), 200);
    EXPECT_EQ(fadeIn->endValue().toDouble(), 1.0);

    b->Close();  // fading out: still on the screen
    QPropertyAnimation* fadeOut = running(*b);
    ASSERT_NE(fadeOut, nullptr);
    EXPECT_EQ(fadeOut->endValue().toDouble(), 0.0);
    EXPECT_TRUE(b->isVisible());
    fadeOut->setCurrentTime(fadeOut->duration());
    ASSERT_FALSE(b.isNull());
    EXPECT_FALSE(b->isVisible());
    RunDeferredDeletes();
    EXPECT_TRUE(b.isNull());
}

TEST(FxBalloonTest, LinkOpensOnceThroughTheUserInterfaceServices) {
    testsupport::ScriptedUi ui;
    QPointer<CFxBalloon> b = ShowBalloon(CFxBalloon::kCloseButton | kQuiet);
    const QPoint body = Q(b->GetBodyRect().TopLeft()) + QPoint(4, 4);
    Click(*b, body);  // no link: nothing happens
    EXPECT_TRUE(b->isVisible());

    b->SetLinkText("https://example.com/news?id=7");
    Click(*b, Q(b->GetCloseButtonRect().CenterPoint()));  // the button closes, opens nothing
    EXPECT_TRUE(ui.openedDocuments.empty());
    RunDeferredDeletes();

    QPointer<CFxBalloon> linked = ShowBalloon(kQuiet);
    linked->SetLinkText("https://example.com/news?id=7");
    Click(*linked, Q(linked->GetBodyRect().TopLeft()) + QPoint(4, 4));
    ASSERT_FALSE(linked.isNull());
    EXPECT_FALSE(linked->isVisible());
    Click(*linked, QPoint(12, 30));  // closing: a second click opens nothing
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{"https://example.com/news?id=7"});
    RunDeferredDeletes();
    EXPECT_TRUE(linked.isNull());
}

}  // namespace
