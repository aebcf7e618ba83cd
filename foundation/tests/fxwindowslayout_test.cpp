#include "foundation/fxwindowslayout.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>
#include <functional>
#include <memory>

#include "foundation/fxrevpropstore.h"
#include "foundation/tests/inputtesting.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"

namespace {

// The offscreen platform cannot grab the mouse for real and says so at every
// grab; the grab itself is still recorded, which is what the tests check.
QtMessageHandler g_previousHandler = qInstallMessageHandler(
    [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.contains(QLatin1String("does not support grabbing the mouse"))) return;
        if (g_previousHandler) g_previousHandler(type, context, message);
    });

CRect RectOf(const QWidget* w) {
    const QRect g = w->geometry();
    return CRect(g.x(), g.y(), g.x() + g.width(), g.y() + g.height());
}

// A frame that lays out its children in its own resize handler.
class Frame : public QWidget, public CFxWindowsLayout {
public:
    std::function<void()> onSize;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (onSize) onSize();
    }
};

QWidget* Child(QWidget* parent, int id, int x, int y, int w, int h) {
    auto* child = new QWidget(parent);
    child->setGeometry(x, y, w, h);
    SetDlgCtrlID(child, id);
    return child;
}

// ---- Anchoring ---------------------------------------------------------------

TEST(WindowsLayoutAnchorTest, CodeWindowKeepsEditAboveButtonRowAtBottomRight) {
    Frame frame;
    frame.resize(400, 300);
    QWidget* edit = Child(&frame, 1000, 5, 23, 390, 242);
    QWidget* copy = Child(&frame, 1001, 180, 270, 60, 25);
    QWidget* save = Child(&frame, 1002, 250, 270, 60, 25);
    QWidget* close = Child(&frame, 2, 330, 270, 60, 25);
    frame.InitLayoutMargins(&frame, 5, 5, 5, 5, TRUE);
    frame.onSize = [&] {
        frame.AlignLeft(edit, -1);
        frame.StretchRight(edit, -1);
        frame.AlignTop(edit, 23);
        frame.StretchBottom(edit, 35);
        EXPECT_TRUE(frame.AnchorBottom(5, {copy, save, close, nullptr}));
        EXPECT_TRUE(frame.AnchorRight(5, {copy, save, close, nullptr}));
    };
    frame.show();
    frame.resize(600, 450);
    EXPECT_EQ(RectOf(edit), CRect(5, 23, 595, 415));
    // The row keeps its spacing; the last button ends 5 from the right.
    EXPECT_EQ(RectOf(copy), CRect(385, 420, 445, 445));
    EXPECT_EQ(RectOf(save), CRect(455, 420, 515, 445));
    EXPECT_EQ(RectOf(close), CRect(535, 420, 595, 445));
}

TEST(WindowsLayoutAnchorTest, DefaultMarginsTakeTheNamedMember) {
    // Distinct margins and gaps, so that a wrong default shows.
    QWidget parent;
    parent.resize(500, 400);
    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 3, 7, 11, 13, FALSE);
    QWidget* other = Child(&parent, 1, 200, 100, 50, 40);  // 200..250 x 100..140
    QWidget* c = Child(&parent, 2, 20, 30, 40, 50);
    layout.MoveToRight(c, -1);
    layout.MoveToBottom(c, -1);  // the horizontal margin
    EXPECT_EQ(RectOf(c), CRect(457, 347, 497, 397));
    layout.MoveLeftOf(c, other, -1);
    layout.MoveBelow(c, other, -1);  // the horizontal gap, x kept
    EXPECT_EQ(RectOf(c), CRect(149, 151, 189, 201));
    layout.MoveToLeft(c, -1);
    layout.MoveToTop(c, -1);
    layout.StretchToAbove(c, other, -1);  // the vertical margin
    EXPECT_EQ(RectOf(c), CRect(3, 7, 43, 93));
    c->setGeometry(300, 7, 100, 86);
    layout.FillRightOf(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(261, 7, 400, 93));
    // Missing windows change nothing; a stretch past the other's edge leaves
    // an empty child, not a negative one.
    layout.AlignLeft(nullptr, 0);
    layout.MoveLeftOf(c, nullptr, 0);
    CFxWindowsLayout detached;
    detached.MoveToLeft(c, 0);
    EXPECT_EQ(c->x(), 261);
    layout.StretchToLeftOf(c, other, -1);
    EXPECT_EQ(c->width(), 0);
}

TEST(WindowsLayoutAnchorTest, GroupsEndAtNullAndStopPastAThousand) {
    testsupport::ScriptedUi ui;
    QWidget parent;
    parent.resize(300, 200);
    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 5, 5, 5, 5, FALSE);
    QWidget* a = Child(&parent, 1, 10, 10, 20, 20);
    QWidget* b = Child(&parent, 2, 40, 10, 20, 20);
    EXPECT_TRUE(layout.AnchorRight(5, {a, nullptr, b}));  // a is the last
    EXPECT_EQ(RectOf(a).right, 295);
    EXPECT_EQ(b->x(), 40);

    std::vector<QWidget*> many;
    for (int i = 0; i < 1000; ++i) many.push_back(Child(&parent, 0, 0, 0, 5, 5));
    EXPECT_TRUE(layout.AnchorRight(5, many));
    EXPECT_TRUE(ui.messages.empty());
    for (QWidget* w : many) w->move(0, 0);
    many.push_back(Child(&parent, 0, 0, 0, 5, 5));  // 1001
    EXPECT_FALSE(layout.AnchorRight(5, many));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Too many WindowsLayout items");
    EXPECT_EQ(many[0]->x(), 0);  // nothing moved
    EXPECT_FALSE(layout.AnchorBottom(5, many));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(many[1000]->y(), 190);  // the first 1001 were moved
}

TEST(WindowsLayoutAnchorTest, PreparedStaticsAndGroupBoxesShowTheParent) {
    QWidget parent;
    auto opaque = [](QWidget* w, Qt::FocusPolicy focus = Qt::NoFocus) {
        w->setAutoFillBackground(true);
        w->setFocusPolicy(focus);
        return w;
    };
    QWidget* label = opaque(new QLabel("x", &parent));
    QWidget* group = opaque(new QGroupBox("g", &parent));
    QWidget* check = opaque(new QCheckBox("c", &parent));
    QWidget* tabCheck = opaque(new QCheckBox("t", &parent), Qt::StrongFocus);
    QWidget* push = opaque(new QPushButton("p", &parent));
    QWidget* plain = opaque(new QWidget(&parent));
    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 0, 0, 0, 0, TRUE);
    // Labels, group boxes and check boxes out of the tab order show the parent.
    EXPECT_FALSE(label->autoFillBackground() || group->autoFillBackground() ||
                 check->autoFillBackground());
    EXPECT_TRUE(tabCheck->autoFillBackground() && push->autoFillBackground() &&
                plain->autoFillBackground());
}

// ---- Layout record -----------------------------------------------------------

TEST(WindowsLayoutTextTest, RectanglesAndPairsAsText) {
    EXPECT_EQ(RectToText(CRect(-5, 0, 1200, -1)), "-5,0,1200,-1");
    EXPECT_EQ(PairToText(640, -3), "640,-3");
    EXPECT_EQ(TextToRect("-5,0,1200,-1"), CRect(-5, 0, 1200, -1));
    // Missing, empty and unreadable pieces read 0; extra pieces are ignored.
    EXPECT_EQ(TextToRect("7,,x9,8,5,6"), CRect(7, 0, 0, 8));
    EXPECT_EQ(TextToRect("1"), CRect(1, 0, 0, 0));
    EXPECT_EQ(TextToPair("12"), CSize(12, 0));
}

class WindowsLayoutRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame.setGeometry(10, 20, 300, 200);
        a = Child(&frame, 101, 5, 5, 100, 50);
        b = Child(&frame, 102, 120, 5, 60, 25);
        frame.InitLayoutMargins(&frame, 3, 3, 1, 1, TRUE);
    }
    void TearDown() override { SetModifierSource({}); }

    std::string folder = testsupport::MakeTempFolder("layout");
    std::string path = folder + "/dsg_lays.dat";
    Frame frame;
    QWidget* a = nullptr;
    QWidget* b = nullptr;
};

TEST_F(WindowsLayoutRecordTest, RecordHasExactBytes) {
    Frame one;
    one.setGeometry(10, 20, 300, 200);
    Child(&one, 7, 1, 2, 30, 40);
    Child(&one, 0, 50, 50, 10, 10);  // no id: not written
    one.InitLayoutMargins(&one, 3, 3, 1, 1, FALSE);
    ASSERT_TRUE(one.SaveLayoutFile(folder + "/sub/lay.dat"));  // the folder is made
    const std::string expected = std::string("\x08\x10$top_parent_rect\x0D") + "10,20,310,220" +
                                 std::string("\x08\x01") + "7" + "\x09" + "1,2,31,42";
    EXPECT_EQ(testsupport::ReadFileBytes(folder + "/sub/lay.dat"), expected);
}

TEST_F(WindowsLayoutRecordTest, SavedRecordRestoresChildrenAndTopWindow) {
    QWidget* twin = Child(&frame, 101, 200, 150, 20, 20);  // a's id again: not written
    a->setGeometry(7, 8, 90, 40);
    b->setGeometry(-4, 60, 33, 22);
    ASSERT_TRUE(frame.SaveLayoutFile(path));
    a->setGeometry(0, 0, 10, 10);
    b->setGeometry(0, 0, 10, 10);
    frame.setGeometry(50, 60, 200, 100);
    ASSERT_TRUE(frame.LoadLayoutFile(path, FALSE));
    EXPECT_EQ(RectOf(a), CRect(7, 8, 97, 48));
    EXPECT_EQ(RectOf(b), CRect(-4, 60, 29, 82));
    EXPECT_EQ(RectOf(twin), CRect(200, 150, 220, 170));
    EXPECT_EQ(frame.geometry(), QRect(50, 60, 200, 100));  // top window left alone
    ASSERT_TRUE(frame.LoadLayoutFile(path, TRUE));
    EXPECT_EQ(frame.frameGeometry(), QRect(10, 20, 300, 200));
}

TEST_F(WindowsLayoutRecordTest, ShiftHeldKeepsBuiltInPositions) {
    a->setGeometry(7, 8, 90, 40);
    ASSERT_TRUE(frame.SaveLayoutFile(path));
    a->setGeometry(5, 5, 100, 50);
    SetModifierSource([] { return Qt::KeyboardModifiers(Qt::ShiftModifier); });
    EXPECT_TRUE(frame.LoadLayoutFile(path, TRUE));
    EXPECT_EQ(RectOf(a), CRect(5, 5, 105, 55));
    SetModifierSource([] { return Qt::KeyboardModifiers(Qt::ControlModifier); });
    EXPECT_TRUE(frame.LoadLayoutFile(path, FALSE));
    EXPECT_EQ(RectOf(a), CRect(7, 8, 97, 48));
}

TEST_F(WindowsLayoutRecordTest, UnknownIdsEmptyValuesAndReservedKeysAreSkipped) {
    CFxRevPropStore store;
    store.SetString("101", "1,2,3,4");
    store.SetString("102", "");
    store.SetString("555", "9,9,19,19");
    store.SetString("%102", "0,0,1,1");
    store.SetString("$102", "0,0,1,1");
    store.SetString("$top_parent_rect", "");
    CRevolver buffer;
    ASSERT_TRUE(store.ToRevolver(buffer));
    frame.setGeometry(40, 40, 250, 150);
    EXPECT_TRUE(frame.LayoutFromStore(buffer, TRUE));
    EXPECT_EQ(RectOf(a), CRect(1, 2, 3, 4));
    EXPECT_EQ(RectOf(b), CRect(120, 5, 180, 30));
    EXPECT_EQ(frame.geometry(), QRect(40, 40, 250, 150));
}

TEST_F(WindowsLayoutRecordTest, BadFilesAndPathsFailWithoutChanges) {
    EXPECT_FALSE(frame.LoadLayoutFile(folder + "/missing.dat", TRUE));
    testsupport::WriteFileBytes(folder + "/empty.dat", "");
    EXPECT_FALSE(frame.LoadLayoutFile(folder + "/empty.dat", TRUE));
    testsupport::WriteFileBytes(folder + "/bad.dat", std::string("\x22\x01k", 3));
    EXPECT_FALSE(frame.LoadLayoutFile(folder + "/bad.dat", TRUE));
    EXPECT_EQ(RectOf(a), CRect(5, 5, 105, 55));
    EXPECT_FALSE(frame.SaveLayoutFile(""));
    Frame bare;
    bare.InitLayoutMargins(&bare, 0, 0, 0, 0, FALSE);
    EXPECT_FALSE(bare.SaveLayoutFile(folder + "/bare.dat"));
    EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/bare.dat").empty());
}

// ---- Splitter ----------------------------------------------------------------

// Two panes and a vertical bar between them; the frame's resize handler lets
// the bar follow the frame and places the panes against the bar.
class SplitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTickSource([this] { return tick; });
        frame = std::make_unique<Frame>();
        frame->setGeometry(50, 60, 400, 200);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 255));
        frame->setPalette(palette);
        frame->setAutoFillBackground(true);
        left = Child(frame.get(), 1, 0, 0, 150, 200);
        right = Child(frame.get(), 2, 154, 0, 246, 200);
        bar = new CFxSplitStatic(frame.get());
        bar->setGeometry(150, 0, 4, 200);
        frame->InitLayoutMargins(frame.get(), 3, 3, 1, 1, TRUE);
        ASSERT_TRUE(bar->AttachToLayout(frame.get(), 1, FALSE, RGB(0, 0, 0)));
        frame->onSize = [this] {
            if (follow) bar->FollowParentSize();
            frame->StretchToLeftOf(left, bar, 0);
            frame->FillRightOf(right, bar, 0);
            frame->StretchRight(right, 0);
        };
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        SetTickSource({});
    }

    void Mouse(QEvent::Type type, int x, Qt::MouseButtons buttons) {
        ::Mouse(*frame, type, QPoint(x, 100), buttons);
    }
    void Drag(int fromX, int toX) { ::Drag(*frame, QPoint(fromX, 100), QPoint(toX, 100)); }
    QRgb PixelAt(int x, int y) { return frame->grab().toImage().pixel(x, y) & 0xFFFFFF; }
    // The bar's place after the frame is resized to `width`.
    int BarAfterWidth(int width) {
        frame->resize(width, 200);
        return bar->x();
    }

    DWORD tick = 1000;
    bool follow = false;
    std::unique_ptr<Frame> frame;
    QWidget* left = nullptr;
    QWidget* right = nullptr;
    CFxSplitStatic* bar = nullptr;
};

TEST_F(SplitterTest, ThinBarIsGrabbedWithinEightPixels) {
    frame->setCursor(Qt::CrossCursor);
    for (int x : {148, 155}) {  // the bar covers 150..153
        Mouse(QEvent::MouseMove, x, Qt::NoButton);
        EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), bar) << x;
        EXPECT_EQ(frame->cursor().shape(), Qt::SizeHorCursor) << x;
        EXPECT_EQ(QWidget::mouseGrabber(), frame.get()) << x;
    }
    for (int x : {147, 156}) {
        Mouse(QEvent::MouseMove, x, Qt::NoButton);
        EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), nullptr) << x;
        EXPECT_EQ(frame->cursor().shape(), Qt::CrossCursor) << x;  // the owner's cursor
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << x;
    }
}

TEST_F(SplitterTest, DragShowsTrackingLineAndMovesBarAtRelease) {
    Mouse(QEvent::MouseMove, 151, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 151, Qt::LeftButton);
    EXPECT_EQ(bar->GetFirstPane(), left);  // found beside the bar
    EXPECT_EQ(bar->GetSecondPane(), right);
    Mouse(QEvent::MouseMove, 201, Qt::LeftButton);
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), 202);  // the bar's middle-to-be
    EXPECT_EQ(bar->x(), 150);
    // NOT-XOR of black on blue is yellow: 3 pixels wide, 3 inside the bar's ends.
    EXPECT_EQ(PixelAt(201, 3), 0xFFFF00u);
    EXPECT_EQ(PixelAt(203, 196), 0xFFFF00u);
    EXPECT_EQ(PixelAt(200, 100), 0x0000FFu);
    EXPECT_EQ(PixelAt(204, 100), 0x0000FFu);
    EXPECT_EQ(PixelAt(202, 2), 0x0000FFu);
    EXPECT_EQ(PixelAt(202, 197), 0x0000FFu);
    Mouse(QEvent::MouseButtonRelease, 201, Qt::NoButton);
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
    EXPECT_EQ(PixelAt(202, 100), 0x0000FFu);  // the line is gone
    EXPECT_EQ(RectOf(bar), CRect(200, 0, 204, 200));
    EXPECT_EQ(RectOf(left), CRect(0, 0, 200, 200));
    EXPECT_EQ(RectOf(right), CRect(204, 0, 400, 200));
}

TEST_F(SplitterTest, DragStopsAtPaneMinimums) {
    bar->SetFirstPane(left, 100);
    bar->SetSecondPane(right, 35);
    Drag(151, 5);
    EXPECT_EQ(bar->x(), 100);
    EXPECT_EQ(left->width(), 100);
    Drag(101, 395);
    EXPECT_EQ(bar->x(), 400 - 35);
    // A pane more than 20 below its minimum may shrink to 20; at 20 below not.
    for (auto [start, stop] : {std::pair{60, 20}, std::pair{80, 100}}) {
        bar->move(start, 0);
        QResizeEvent resend(frame->size(), frame->size());
        QCoreApplication::sendEvent(frame.get(), &resend);
        Drag(start + 1, 5);
        EXPECT_EQ(bar->x(), stop) << start;
    }
}

TEST_F(SplitterTest, LiveBarFollowsTheMouse) {
    ASSERT_TRUE(bar->AttachToLayout(frame.get(), 1, TRUE, RGB(0, 0, 0)));
    Mouse(QEvent::MouseMove, 152, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 152, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 252, Qt::LeftButton);
    EXPECT_EQ(bar->x(), 250);
    EXPECT_EQ(right->x(), 254);
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), -1);
}

TEST_F(SplitterTest, ReleaseWithoutPressMovesNothing) {
    Drag(151, 251);
    ASSERT_EQ(bar->x(), 250);
    // The bar is put elsewhere; a button that went down off the bar comes up
    // over it.
    bar->move(120, 0);
    Mouse(QEvent::MouseMove, 121, Qt::LeftButton);
    ASSERT_EQ(CFxSplitStatic::GetHotSplitter(), bar);
    Mouse(QEvent::MouseButtonRelease, 121, Qt::NoButton);
    EXPECT_EQ(bar->x(), 120);
}

TEST_F(SplitterTest, BarFollowsParentSizeWithItsLimits) {
    follow = true;
    tick += 999;  // within the first second after showing: no move
    EXPECT_EQ(BarAfterWidth(450), 150);
    tick += 1;
    EXPECT_EQ(BarAfterWidth(500), 200);
    bar->move(470, 0);  // never closer than 50 to the right edge
    EXPECT_EQ(BarAfterWidth(510), 460);
    // Shrinking stops 20 right of the client's left edge and remembers the
    // place; growing returns to it.
    bar->move(30, 0);
    EXPECT_EQ(BarAfterWidth(495), 30);  // 30 - 15 - 20 < 0
    EXPECT_EQ(bar->GetRememberedPos(), 30);
    EXPECT_EQ(BarAfterWidth(595), 30);
    EXPECT_EQ(bar->GetRememberedPos(), -1);
    EXPECT_EQ(BarAfterWidth(605), 40);
    EXPECT_EQ(BarAfterWidth(585), 20);  // 40 - 20 - 20 = 0: allowed
}

TEST_F(SplitterTest, ShrinkingKeepsBarRightOfAnotherBar) {
    follow = true;
    tick += 5000;
    auto* first = new CFxSplitStatic(frame.get());
    first->setGeometry(100, 0, 4, 200);
    ASSERT_TRUE(first->AttachToLayout(frame.get(), 1, FALSE, RGB(0, 0, 0)));
    EXPECT_EQ(BarAfterWidth(370), 120);  // 150 - 30 - 20 = 100: not past the other bar
    EXPECT_EQ(BarAfterWidth(369), 120);  // 120 - 1 - 20 = 99: would pass it
    EXPECT_EQ(bar->GetRememberedPos(), 120);
    // A horizontal bar is no obstacle to a vertical one.
    first->AttachToLayout(frame.get(), 0, FALSE, RGB(0, 0, 0));
    EXPECT_EQ(BarAfterWidth(270), 120);  // the remembered place, the parent being wider
    EXPECT_EQ(BarAfterWidth(170), 20);
}

TEST(HorizontalSplitterTest, DragsUpAndDownWithinMinimums) {
    Frame frame;
    frame.resize(300, 200);
    QWidget* top = Child(&frame, 1, 0, 0, 300, 100);
    QWidget* bottom = Child(&frame, 2, 0, 104, 300, 96);
    auto* bar = new CFxSplitStatic(&frame);
    bar->setGeometry(0, 100, 300, 4);
    frame.InitLayoutMargins(&frame, 0, 0, 0, 0, FALSE);
    ASSERT_TRUE(bar->AttachToLayout(&frame, 0, FALSE, RGB(0, 0, 0)));
    bar->SetFirstPane(top, 40);
    frame.onSize = [&] { frame.StretchToAbove(top, bar, 0); };
    frame.show();
    auto drag = [&](int from, int to) { Drag(frame, QPoint(150, from), QPoint(150, to)); };
    drag(98, 5);  // grabbed 2 above the bar
    EXPECT_EQ(RectOf(bar), CRect(0, 40, 300, 44));
    EXPECT_EQ(RectOf(top), CRect(0, 0, 300, 40));
    drag(41, 199);  // the pane below was found, with the default minimum
    EXPECT_EQ(bottom, bar->GetSecondPane());
    EXPECT_EQ(bar->y(), 200 - 30);
}

// ---- Lifetimes -----------------------------------------------------------------

TEST(WindowsLayoutLifetimeTest, LayoutGoneBeforeItsParentLeavesNothingBehind) {
    QWidget parent;
    parent.resize(300, 200);
    parent.show();
    auto* bar = new CFxSplitStatic(&parent);
    bar->setGeometry(100, 0, 4, 200);
    auto layout = std::make_unique<CFxWindowsLayout>();
    layout->InitLayoutMargins(&parent, 5, 5, 5, 5, FALSE);
    ASSERT_TRUE(bar->AttachToLayout(layout.get(), 1, FALSE, 0));
    layout.reset();
    EXPECT_EQ(bar->GetLayout(), nullptr);
    parent.resize(350, 250);  // the engine still watches the parent
    bar->FollowParentSize();
    EXPECT_EQ(bar->x(), 100);
    CFxWindowsLayout second;  // a new layout takes the parent over
    second.InitLayoutMargins(&parent, 1, 1, 1, 1, FALSE);
    parent.resize(300, 200);
    EXPECT_EQ(second.GetParentRect().Width(), parent.frameGeometry().width());
}

TEST(WindowsLayoutLifetimeTest, ParentGoneBeforeItsLayout) {
    CFxWindowsLayout layout;
    {
        QWidget parent;
        Child(&parent, 5, 10, 10, 50, 50);
        layout.InitLayoutMargins(&parent, 5, 5, 5, 5, FALSE);
    }
    EXPECT_EQ(layout.GetLayoutParent(), nullptr);
    CRevolver buffer;
    EXPECT_FALSE(layout.LayoutToStore(buffer));
    EXPECT_FALSE(layout.LayoutFromStore(buffer, TRUE));
}

TEST_F(SplitterTest, SplitterOrParentGoneMidDragEndsTheDrag) {
    Mouse(QEvent::MouseMove, 151, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 151, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 201, Qt::LeftButton);
    frame->hide();
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(bar->x(), 150);
    frame->show();
    Mouse(QEvent::MouseMove, 152, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 152, Qt::LeftButton);
    ASSERT_TRUE(CFxSplitStatic::IsDragging());
    delete bar;
    bar = nullptr;
    frame->onSize = nullptr;
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
    EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(frame->GetSplitters().empty());
}

// ---- Transparent static ------------------------------------------------------

TEST(TransparentStaticTest, ShowsTheParentUnderItWhereverItStands) {
    QWidget parent;
    parent.resize(200, 100);
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    parent.setPalette(palette);
    auto* label = new CFxTransparentStatic(&parent);
    label->setGeometry(20, 20, 60, 30);
    QPalette own = label->palette();  // a colour of its own that must not show
    own.setColor(QPalette::Window, Qt::black);
    label->setPalette(own);
    auto pixel = [&](int x, int y) { return parent.grab().toImage().pixel(x, y) & 0xFFFFFF; };
    EXPECT_EQ(pixel(75, 45), 0x0AC81Eu);
    label->move(100, 50);
    palette.setColor(QPalette::Window, QColor(200, 10, 30));
    parent.setPalette(palette);
    EXPECT_EQ(pixel(175, 75), 0xC80A1Eu);
}

}  // namespace
