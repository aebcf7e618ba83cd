#include "foundation/fxwindowslayout.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"

namespace {

CRect RectOf(const QWidget* w) {
    const QRect g = w->geometry();
    return CRect(g.x(), g.y(), g.x() + g.width(), g.y() + g.height());
}

// A frame that lays out its children in its own resize handler, as the
// program's frames and dialogs do.
class Frame : public QWidget, public CFxWindowsLayout {
public:
    std::function<void()> onSize;

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
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
    frame.show();
    frame.onSize = [&] {
        frame.AlignLeft(edit, -1);
        frame.StretchRight(edit, -1);
        frame.AlignTop(edit, 23);
        frame.StretchBottom(edit, 35);
        EXPECT_TRUE(frame.AnchorBottom(5, {copy, save, close, nullptr}));
        EXPECT_TRUE(frame.AnchorRight(5, {copy, save, close, nullptr}));
    };
    frame.resize(600, 450);

    EXPECT_EQ(RectOf(edit), CRect(5, 23, 595, 415));
    // The row keeps its spacing; the last button ends 5 from the right.
    EXPECT_EQ(RectOf(copy), CRect(385, 420, 445, 445));
    EXPECT_EQ(RectOf(save), CRect(455, 420, 515, 445));
    EXPECT_EQ(RectOf(close), CRect(535, 420, 595, 445));
    EXPECT_TRUE(frame.IsAttached());
    const QRect outer = frame.frameGeometry();
    EXPECT_EQ(frame.GetParentRect(),
              CRect(outer.x(), outer.y(), outer.x() + outer.width(), outer.y() + outer.height()));
    EXPECT_GE(frame.GetParentRect().Width(), 600);

    // Shrinking works the same way.
    frame.resize(300, 200);
    EXPECT_EQ(RectOf(edit), CRect(5, 23, 295, 165));
    EXPECT_EQ(RectOf(close), CRect(235, 170, 295, 195));
}

TEST(WindowsLayoutAnchorTest, DefaultMarginsTakeTheNamedMember) {
    // Distinct margins and gaps, so that a wrong default shows.
    QWidget parent;
    parent.resize(500, 400);
    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 3, 7, 11, 13, FALSE);
    QWidget* other = Child(&parent, 1, 200, 100, 50, 40);  // 200..250 x 100..140
    QWidget* c = Child(&parent, 2, 20, 30, 40, 50);

    layout.MoveToLeft(c, -1);
    EXPECT_EQ(RectOf(c), CRect(3, 30, 43, 80));
    layout.MoveToRight(c, -1);
    EXPECT_EQ(RectOf(c), CRect(457, 30, 497, 80));
    layout.MoveToTop(c, -1);
    EXPECT_EQ(RectOf(c), CRect(457, 7, 497, 57));
    // Bottom by the horizontal margin.
    layout.MoveToBottom(c, -1);
    EXPECT_EQ(RectOf(c), CRect(457, 347, 497, 397));
    layout.MoveLeftOf(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(149, 347, 189, 397));
    // Below by the horizontal gap, x kept.
    layout.MoveBelow(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(149, 151, 189, 201));

    c->setGeometry(300, 50, 100, 20);  // 300..400
    layout.FillRightOf(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(261, 50, 400, 70));
    c->setGeometry(20, 50, 100, 20);
    layout.StretchToLeftOf(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(20, 50, 189, 70));
    c->setGeometry(20, 10, 100, 20);
    layout.StretchToAbove(c, other, -1);
    EXPECT_EQ(RectOf(c), CRect(20, 10, 120, 93));

    c->setGeometry(20, 30, 40, 50);
    layout.AlignLeft(c, -1);
    EXPECT_EQ(RectOf(c), CRect(3, 30, 60, 80));
    layout.StretchRight(c, -1);
    EXPECT_EQ(RectOf(c), CRect(3, 30, 497, 80));
    layout.AlignTop(c, -1);
    EXPECT_EQ(RectOf(c), CRect(3, 7, 497, 80));
    layout.StretchBottom(c, -1);
    EXPECT_EQ(RectOf(c), CRect(3, 7, 497, 393));
    EXPECT_TRUE(layout.AnchorBottom(-1, {c}));
    EXPECT_EQ(RectOf(c), CRect(3, 7, 497, 393));
    c->resize(10, 10);
    EXPECT_TRUE(layout.AnchorRight(-1, {c}));
    EXPECT_TRUE(layout.AnchorBottom(-1, {c}));
    EXPECT_EQ(RectOf(c), CRect(487, 383, 497, 393));

    // Explicit margins, also 0, are taken as given.
    layout.MoveToLeft(c, 0);
    layout.MoveToTop(c, 0);
    EXPECT_EQ(RectOf(c), CRect(0, 0, 10, 10));
}

TEST(WindowsLayoutAnchorTest, MissingChildOtherOrParentChangesNothing) {
    QWidget parent;
    parent.resize(300, 200);
    QWidget* c = Child(&parent, 1, 20, 30, 40, 50);
    CFxWindowsLayout detached;  // never attached: no parent
    detached.AlignLeft(c, 0);
    detached.StretchRight(c, 0);
    detached.MoveToBottom(c, 0);
    EXPECT_TRUE(detached.AnchorRight(0, {c}));
    EXPECT_EQ(RectOf(c), CRect(20, 30, 60, 80));

    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 5, 5, 5, 5, FALSE);
    layout.AlignLeft(nullptr, 0);
    layout.MoveLeftOf(c, nullptr, 0);
    layout.MoveBelow(c, nullptr, 0);
    layout.FillRightOf(c, nullptr, 0);
    layout.StretchToLeftOf(c, nullptr, 0);
    layout.StretchToAbove(c, nullptr, 0);
    EXPECT_EQ(RectOf(c), CRect(20, 30, 60, 80));

    // A stretch past the other edge gives an empty child, not a negative one.
    layout.StretchToLeftOf(c, Child(&parent, 2, 10, 0, 5, 5), 0);
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
    QWidget* after = Child(&parent, 3, 70, 10, 20, 20);

    // The entry after the null one is not part of the group: b is the last.
    EXPECT_TRUE(layout.AnchorRight(5, {a, b, nullptr, after}));
    EXPECT_EQ(RectOf(b).right, 295);
    EXPECT_EQ(RectOf(a).left, 245);
    EXPECT_EQ(RectOf(after).left, 70);
    EXPECT_TRUE(layout.AnchorBottom(5, {a, nullptr, b}));
    EXPECT_EQ(RectOf(a).bottom, 195);
    EXPECT_EQ(RectOf(b).bottom, 30);

    std::vector<QWidget*> many;
    for (int i = 0; i < 1000; ++i) many.push_back(Child(&parent, 0, 0, 0, 5, 5));
    EXPECT_TRUE(layout.AnchorRight(5, many));
    EXPECT_TRUE(layout.AnchorBottom(5, many));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(RectOf(many[0]), CRect(290, 190, 295, 195));

    for (QWidget* w : many) w->move(0, 0);
    many.push_back(Child(&parent, 0, 0, 0, 5, 5));  // 1001
    EXPECT_FALSE(layout.AnchorRight(5, many));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Too many WindowsLayout items");
    EXPECT_EQ(ui.messages[0].type & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(many[0]->x(), 0);  // nothing moved
    EXPECT_EQ(many[1000]->x(), 0);
    EXPECT_FALSE(layout.AnchorBottom(5, many));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(many[1000]->y(), 190);  // the first 1001 were moved
}

TEST(WindowsLayoutAnchorTest, PreparingChildrenLetsPlainStaticsAndGroupBoxesShowTheParent) {
    QWidget parent;
    parent.resize(200, 100);
    auto makeOpaque = [](QWidget* w) {
        w->setAutoFillBackground(true);
        return w;
    };
    QWidget* label = makeOpaque(new QLabel("x", &parent));
    QWidget* group = makeOpaque(new QGroupBox("g", &parent));
    auto* check = new QCheckBox("c", &parent);
    check->setFocusPolicy(Qt::NoFocus);
    makeOpaque(check);
    auto* tabCheck = new QCheckBox("t", &parent);  // takes a tab stop
    makeOpaque(tabCheck);
    QWidget* derived = makeOpaque(new CFxTransparentStatic(&parent));  // not a plain static
    derived->setAutoFillBackground(true);
    QWidget* plain = makeOpaque(new QWidget(&parent));

    CFxWindowsLayout unprepared;
    unprepared.InitLayoutMargins(&parent, 0, 0, 0, 0, FALSE);
    EXPECT_TRUE(label->autoFillBackground());

    CFxWindowsLayout layout;
    layout.InitLayoutMargins(&parent, 0, 0, 0, 0, TRUE);
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_FALSE(group->autoFillBackground());
    EXPECT_FALSE(check->autoFillBackground());
    EXPECT_TRUE(tabCheck->autoFillBackground());
    EXPECT_TRUE(derived->autoFillBackground());
    EXPECT_TRUE(plain->autoFillBackground());
}

// ---- Layout record -----------------------------------------------------------

class WindowsLayoutRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testsupport::MakeTempFolder("layout");
        frame = std::make_unique<Frame>();
        frame->setGeometry(10, 20, 300, 200);
        a = Child(frame.get(), 101, 5, 5, 100, 50);
        b = Child(frame.get(), 102, 120, 5, 60, 25);
        frame->InitLayoutMargins(frame.get(), 3, 3, 1, 1, TRUE);
    }
    void TearDown() override { SetModifierSource({}); }

    std::string folder;
    std::unique_ptr<Frame> frame;
    QWidget* a = nullptr;
    QWidget* b = nullptr;
};

TEST_F(WindowsLayoutRecordTest, RecordHasExactBytes) {
    frame = std::make_unique<Frame>();
    frame->setGeometry(10, 20, 300, 200);
    Child(frame.get(), 7, 1, 2, 30, 40);
    Child(frame.get(), 0, 50, 50, 10, 10);  // no id: not written
    frame->InitLayoutMargins(frame.get(), 3, 3, 1, 1, FALSE);
    const std::string path = folder + "/sub/dsg_lays.dat";
    ASSERT_TRUE(frame->SaveLayoutFile(path));  // the folder is made
    const std::string top = "$top_parent_rect";
    const std::string expected = std::string("\x08\x10", 2) + top + "\x0D" + "10,20,310,220" +
                                 std::string("\x08\x01", 2) + "7" + "\x09" + "1,2,31,42";
    EXPECT_EQ(testsupport::ReadFileBytes(path), expected);
}

TEST_F(WindowsLayoutRecordTest, SavedRecordRestoresChildrenAndTopWindow) {
    const std::string path = folder + "/dsg_lays.dat";
    a->setGeometry(7, 8, 90, 40);
    b->setGeometry(-4, 60, 33, 22);  // negative coordinates survive
    ASSERT_TRUE(frame->SaveLayoutFile(path));

    a->setGeometry(0, 0, 10, 10);
    b->setGeometry(0, 0, 10, 10);
    frame->setGeometry(50, 60, 200, 100);
    ASSERT_TRUE(frame->LoadLayoutFile(path, FALSE));
    EXPECT_EQ(RectOf(a), CRect(7, 8, 97, 48));
    EXPECT_EQ(RectOf(b), CRect(-4, 60, 29, 82));
    EXPECT_EQ(frame->geometry(), QRect(50, 60, 200, 100));  // top window left alone

    ASSERT_TRUE(frame->LoadLayoutFile(path, TRUE));
    EXPECT_EQ(frame->frameGeometry(), QRect(10, 20, 300, 200));
}

TEST_F(WindowsLayoutRecordTest, ShiftHeldKeepsBuiltInPositions) {
    const std::string path = folder + "/dsg_lays.dat";
    a->setGeometry(7, 8, 90, 40);
    ASSERT_TRUE(frame->SaveLayoutFile(path));
    a->setGeometry(5, 5, 100, 50);
    SetModifierSource([] { return Qt::KeyboardModifiers(Qt::ShiftModifier); });
    EXPECT_TRUE(frame->LoadLayoutFile(path, TRUE));
    EXPECT_EQ(RectOf(a), CRect(5, 5, 105, 55));
    SetModifierSource([] { return Qt::KeyboardModifiers(Qt::ControlModifier); });
    EXPECT_TRUE(frame->LoadLayoutFile(path, FALSE));
    EXPECT_EQ(RectOf(a), CRect(7, 8, 97, 48));
}

TEST_F(WindowsLayoutRecordTest, FirstChildOfAnIdIsWrittenAndFound) {
    QWidget* twin = Child(frame.get(), 101, 200, 150, 20, 20);  // later in z-order
    const std::string path = folder + "/dsg_lays.dat";
    ASSERT_TRUE(frame->SaveLayoutFile(path));
    CFxRevPropStore store;
    ASSERT_TRUE(store.FromFile(path));
    EXPECT_EQ(store.GetString("101"), "5,5,105,55");
    a->setGeometry(0, 0, 1, 1);
    ASSERT_TRUE(frame->LoadLayoutFile(path, FALSE));
    EXPECT_EQ(RectOf(a), CRect(5, 5, 105, 55));
    EXPECT_EQ(RectOf(twin), CRect(200, 150, 220, 170));
}

TEST_F(WindowsLayoutRecordTest, UnknownIdsEmptyValuesAndReservedKeysAreSkipped) {
    CFxRevPropStore store;
    store.SetString("101", "1,2,3,4");
    store.SetString("102", "");           // empty: skipped
    store.SetString("555", "9,9,19,19");  // no such child
    store.SetString("%102", "0,0,1,1");   // never an id
    store.SetString("$102", "0,0,1,1");
    store.SetString("$top_parent_rect", "");  // empty: top window stays
    CRevolver buffer;
    ASSERT_TRUE(store.ToRevolver(buffer));
    frame->setGeometry(40, 40, 250, 150);
    EXPECT_TRUE(frame->LayoutFromStore(buffer, TRUE));
    EXPECT_EQ(RectOf(a), CRect(1, 2, 3, 4));
    EXPECT_EQ(RectOf(b), CRect(120, 5, 180, 30));
    EXPECT_EQ(frame->geometry(), QRect(40, 40, 250, 150));

    // A rectangle with missing numbers reads them as 0.
    store.RemoveAll();
    store.SetString("102", "8,9");
    ASSERT_TRUE(store.ToRevolver(buffer));
    EXPECT_TRUE(frame->LayoutFromStore(buffer, FALSE));
    EXPECT_EQ(RectOf(b), CRect(8, 9, 8, 9));
}

TEST_F(WindowsLayoutRecordTest, BadFilesAndPathsFailWithoutChanges) {
    // Missing, empty and malformed files.
    EXPECT_FALSE(frame->LoadLayoutFile(folder + "/missing.dat", TRUE));
    EXPECT_FALSE(frame->LoadLayoutFile("", TRUE));
    testsupport::WriteFileBytes(folder + "/empty.dat", "");
    EXPECT_FALSE(frame->LoadLayoutFile(folder + "/empty.dat", TRUE));
    testsupport::WriteFileBytes(folder + "/bad.dat", std::string("\x22\x01k", 3));
    EXPECT_FALSE(frame->LoadLayoutFile(folder + "/bad.dat", TRUE));
    EXPECT_EQ(RectOf(a), CRect(5, 5, 105, 55));

    // Nothing is written for an empty path or a parent without children.
    EXPECT_FALSE(frame->SaveLayoutFile(""));
    Frame bare;
    bare.InitLayoutMargins(&bare, 0, 0, 0, 0, FALSE);
    CRevolver buffer;
    EXPECT_FALSE(bare.LayoutToStore(buffer));
    EXPECT_FALSE(bare.SaveLayoutFile(folder + "/bare.dat"));
    EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/bare.dat").empty());
    CFxWindowsLayout detached;
    EXPECT_FALSE(detached.SaveLayoutFile(folder + "/detached.dat"));
    EXPECT_FALSE(detached.LayoutFromStore(buffer, FALSE));
}

// ---- Splitter ----------------------------------------------------------------

// A frame of two panes and a vertical bar between them; its resize handler
// lets the bar follow the frame and places the panes against the bar.
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
        SetDlgCtrlID(bar, 2831);
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

    QPoint Global(int x, int y) const { return frame->mapToGlobal(QPoint(x, y)); }
    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(x, y), QPointF(Global(x, y)), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(frame.get(), &event);
    }
    void Drag(int fromX, int toX) {
        Mouse(QEvent::MouseMove, fromX, 100, Qt::NoButton);
        Mouse(QEvent::MouseButtonPress, fromX, 100, Qt::LeftButton);
        Mouse(QEvent::MouseMove, toX, 100, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, toX, 100, Qt::NoButton);
    }
    QRgb PixelAt(int x, int y) { return frame->grab().toImage().pixel(x, y) & 0xFFFFFF; }

    DWORD tick = 1000;
    bool follow = false;
    std::unique_ptr<Frame> frame;
    QWidget* left = nullptr;
    QWidget* right = nullptr;
    CFxSplitStatic* bar = nullptr;
};

TEST_F(SplitterTest, ThinBarIsGrabbedWithinEightPixels) {
    // The bar covers 150..153; the grab zone 148..155.
    frame->setCursor(Qt::CrossCursor);
    for (int x : {148, 150, 153, 155}) {
        Mouse(QEvent::MouseMove, x, 100, Qt::NoButton);
        EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), bar) << x;
        EXPECT_EQ(frame->cursor().shape(), Qt::SizeHorCursor) << x;
        EXPECT_EQ(QWidget::mouseGrabber(), frame.get()) << x;
    }
    for (int x : {147, 156}) {
        Mouse(QEvent::MouseMove, x, 100, Qt::NoButton);
        EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), nullptr) << x;
        EXPECT_EQ(frame->cursor().shape(), Qt::CrossCursor) << x;  // the owner's cursor is back
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << x;
    }
}

TEST_F(SplitterTest, DragMovesBarAtReleaseAndPanesFollow) {
    Mouse(QEvent::MouseMove, 151, 100, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 151, 100, Qt::LeftButton);
    EXPECT_TRUE(CFxSplitStatic::IsDragging());
    // The panes were found beside the bar.
    EXPECT_EQ(bar->GetFirstPane(), left);
    EXPECT_EQ(bar->GetSecondPane(), right);

    Mouse(QEvent::MouseMove, 201, 100, Qt::LeftButton);
    // A tracking line, centred where the bar's middle will be; the bar waits.
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), 202);
    EXPECT_EQ(bar->x(), 150);
    // NOT-XOR of black on blue gives yellow, 3 pixels wide, 3 inside the ends.
    EXPECT_EQ(PixelAt(202, 100), 0xFFFF00u);
    EXPECT_EQ(PixelAt(201, 3), 0xFFFF00u);
    EXPECT_EQ(PixelAt(203, 196), 0xFFFF00u);
    EXPECT_EQ(PixelAt(200, 100), 0x0000FFu);
    EXPECT_EQ(PixelAt(204, 100), 0x0000FFu);
    EXPECT_EQ(PixelAt(202, 2), 0x0000FFu);
    EXPECT_EQ(PixelAt(202, 197), 0x0000FFu);

    Mouse(QEvent::MouseButtonRelease, 201, 100, Qt::NoButton);
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), -1);
    EXPECT_EQ(PixelAt(202, 100), 0x0000FFu);  // the line is gone
    EXPECT_EQ(RectOf(bar), CRect(200, 0, 204, 200));
    EXPECT_EQ(RectOf(left), CRect(0, 0, 200, 200));
    EXPECT_EQ(RectOf(right), CRect(204, 0, 400, 200));
    // Still over the bar: still hot.
    EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), bar);
}

TEST_F(SplitterTest, DragStopsAtPaneMinimums) {
    bar->SetFirstPane(left, 100);
    bar->SetSecondPane(right, 35);
    Drag(151, 5);
    EXPECT_EQ(bar->x(), 100);
    EXPECT_EQ(left->width(), 100);
    Drag(101, 395);
    EXPECT_EQ(bar->x(), 400 - 35);

    // A pane already more than 20 below its minimum may shrink to 20.
    bar->move(60, 0);
    QResizeEvent resend(frame->size(), frame->size());
    QCoreApplication::sendEvent(frame.get(), &resend);
    ASSERT_EQ(left->width(), 60);
    Drag(61, 5);
    EXPECT_EQ(bar->x(), 20);
    // At exactly 20 below (80 of 100) the minimum holds.
    bar->move(80, 0);
    frame->resize(401, 200);
    frame->resize(400, 200);
    ASSERT_EQ(left->width(), 80);
    Drag(81, 5);
    EXPECT_EQ(bar->x(), 100);
}

TEST_F(SplitterTest, WithoutPanesTheChildrenBoundTheDrag) {
    // Nothing within reach on the left: the children's union bounds it.
    frame->onSize = nullptr;           // the panes stay where they are
    left->setGeometry(0, 0, 20, 200);  // ends 130 before the bar's centre
    bar->SetSecondPane(nullptr, 35);
    right->setGeometry(300, 0, 100, 200);
    Drag(151, 0);
    EXPECT_EQ(bar->GetFirstPane(), nullptr);
    EXPECT_EQ(bar->x(), 30);
    Drag(31, 399);
    EXPECT_EQ(bar->x(), 370);
}

TEST_F(SplitterTest, LiveBarFollowsTheMouse) {
    ASSERT_TRUE(bar->AttachToLayout(frame.get(), 1, TRUE, RGB(0, 0, 0)));
    Mouse(QEvent::MouseMove, 152, 100, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 152, 100, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 252, 100, Qt::LeftButton);
    EXPECT_EQ(bar->x(), 250);
    EXPECT_EQ(right->x(), 254);
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), -1);
    Mouse(QEvent::MouseButtonRelease, 252, 100, Qt::NoButton);
    EXPECT_EQ(bar->x(), 250);
}

TEST_F(SplitterTest, ReleaseWithoutPressMovesNothing) {
    Drag(151, 251);
    ASSERT_EQ(bar->x(), 250);
    // The owner puts the bar elsewhere; a button that went down outside the
    // bar comes up over it.
    bar->move(120, 0);
    Mouse(QEvent::MouseMove, 121, 100, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 121, 100, Qt::NoButton);
    EXPECT_EQ(bar->x(), 120);
    Mouse(QEvent::MouseMove, 122, 100, Qt::NoButton);
    ASSERT_EQ(CFxSplitStatic::GetHotSplitter(), bar);
    Mouse(QEvent::MouseButtonRelease, 122, 100, Qt::NoButton);
    EXPECT_EQ(bar->x(), 120);
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
}

TEST_F(SplitterTest, BarFollowsParentSizeWithItsLimits) {
    follow = true;
    // Within the first second after showing, resizes leave the bar alone.
    tick += 999;
    frame->resize(450, 200);
    EXPECT_EQ(bar->x(), 150);
    tick += 1;
    frame->resize(500, 200);
    EXPECT_EQ(bar->x(), 200);
    frame->resize(420, 200);
    EXPECT_EQ(bar->x(), 120);

    // Never closer than 50 to the right edge.
    bar->move(400, 0);
    frame->resize(430, 200);
    EXPECT_EQ(bar->x(), 380);

    // Shrinking stops 20 right of the client's left edge and remembers the
    // place; growing returns to it.
    bar->move(30, 0);
    frame->resize(415, 200);  // 30 - 15 - 20 < 0
    EXPECT_EQ(bar->x(), 30);
    EXPECT_EQ(bar->GetRememberedPos(), 30);
    frame->resize(515, 200);
    EXPECT_EQ(bar->x(), 30);
    EXPECT_EQ(bar->GetRememberedPos(), -1);
    frame->resize(525, 200);
    EXPECT_EQ(bar->x(), 40);
    frame->resize(505, 200);  // 40 - 20 - 20 = 0: allowed
    EXPECT_EQ(bar->x(), 20);

    // The size resent unchanged (as a bar's move does) moves nothing.
    bar->move(200, 0);
    QResizeEvent resend(frame->size(), frame->size());
    QCoreApplication::sendEvent(frame.get(), &resend);
    EXPECT_EQ(bar->x(), 200);
}

TEST_F(SplitterTest, ShrinkingKeepsBarRightOfAnotherBar) {
    follow = true;
    tick += 5000;
    auto* first = new CFxSplitStatic(frame.get());
    first->setGeometry(100, 0, 4, 200);
    ASSERT_TRUE(first->AttachToLayout(frame.get(), 1, FALSE, RGB(0, 0, 0)));
    ASSERT_EQ(frame->GetSplitters().size(), 2u);
    frame->resize(370, 200);  // 150 - 30 - 20 = 100: not past the other bar
    EXPECT_EQ(bar->x(), 120);
    frame->resize(369, 200);  // 120 - 1 - 20 = 99: would pass it
    EXPECT_EQ(bar->x(), 120);
    EXPECT_EQ(bar->GetRememberedPos(), 120);
    frame->resize(500, 200);
    EXPECT_EQ(bar->x(), 120);
    // A horizontal bar is no obstacle to a vertical one.
    first->AttachToLayout(frame.get(), 0, FALSE, RGB(0, 0, 0));
    frame->resize(400, 200);
    EXPECT_EQ(bar->x(), 20);
}

// ---- Lifetimes -----------------------------------------------------------------

TEST(WindowsLayoutLifetimeTest, LayoutGoneBeforeItsParentLeavesNothingBehind) {
    QWidget parent;
    parent.resize(300, 200);
    parent.show();
    QWidget* child = Child(&parent, 5, 10, 10, 50, 50);
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
    EXPECT_EQ(RectOf(child), CRect(10, 10, 60, 60));

    // A new layout takes the parent over.
    CFxWindowsLayout second;
    second.InitLayoutMargins(&parent, 1, 1, 1, 1, FALSE);
    parent.resize(300, 200);
    EXPECT_EQ(second.GetParentRect().Width(), parent.frameGeometry().width());
}

TEST(WindowsLayoutLifetimeTest, ParentGoneBeforeItsLayout) {
    CFxWindowsLayout layout;
    QWidget* child = nullptr;
    {
        QWidget parent;
        child = Child(&parent, 5, 10, 10, 50, 50);
        layout.InitLayoutMargins(&parent, 5, 5, 5, 5, FALSE);
        EXPECT_EQ(layout.GetLayoutParent(), &parent);
    }
    EXPECT_EQ(layout.GetLayoutParent(), nullptr);
    CRevolver buffer;
    EXPECT_FALSE(layout.LayoutToStore(buffer));
    EXPECT_FALSE(layout.LayoutFromStore(buffer, TRUE));
    // A new window at the same place is watched afresh.
    QWidget again;
    again.resize(100, 100);
    again.show();
    layout.InitLayoutMargins(&again, 5, 5, 5, 5, FALSE);
    again.resize(120, 90);
    EXPECT_EQ(layout.GetParentRect().Width(), again.frameGeometry().width());
    (void)child;
}

TEST_F(SplitterTest, SplitterGoneWhileDraggedClearsTheDrag) {
    Mouse(QEvent::MouseMove, 151, 100, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 151, 100, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 201, 100, Qt::LeftButton);
    ASSERT_TRUE(CFxSplitStatic::IsDragging());
    delete bar;
    bar = nullptr;
    EXPECT_FALSE(CFxSplitStatic::IsDragging());
    EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), nullptr);
    EXPECT_EQ(CFxSplitStatic::GetTrackingLinePos(), -1);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(frame->GetSplitters().empty());
    frame->onSize = nullptr;
    Mouse(QEvent::MouseButtonRelease, 201, 100, Qt::NoButton);
    Mouse(QEvent::MouseMove, 151, 100, Qt::NoButton);
    EXPECT_EQ(CFxSplitStatic::GetHotSplitter(), nullptr);
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

    label->setText("x");
    EXPECT_EQ(label->text(), "x");
}

}  // namespace
