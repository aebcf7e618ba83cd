// The design page under mouse and keys: creation drags, choosing, moving and
// resizing, keys, the cache timer, drawing, and the host it reports to.

#include "design/surface/dsgdspframe.h"

#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <functional>
#include <string>
#include <vector>

#include "design/model/dsgeaction.h"
#include "design/model/dsglsdaction.h"
#include "design/surface/tests/pagetesting.h"
#include "foundation/fxutils.h"
#include "platform/window.h"

namespace {

using pagetesting::PageTest;
constexpr int kDot = pagetesting::kDot;
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kCtrl = Qt::ControlModifier;

// ---- Creation drags ---------------------------------------------------------

struct DrawCase {
    const char* name;
    int tool;
    QPoint from, to;  // client pixels (LCD at 25, 25, one pixel per dot)
    Qt::KeyboardModifiers keys;
    int gap;  // grid gap in dots, 0: grid off
    bool created;
    CRect rect;  // expected in LCD units when created
};

TEST_F(PageTest, CreationDragsMakeOneUndoStep) {
    const std::vector<DrawCase> cases = {
        {"box", 1, At(10, 10), At(30, 20), {}, 0, true, Dots(10, 10, 30, 20)},
        {"a drag of 4 dots is a click", 1, At(10, 10), At(14, 14), {}, 0, false, {}},
        {"a drag past 4.9999 dots starts",
         1,
         At(10, 10),
         At(15, 10),
         {},
         0,
         true,
         Dots(10, 10, 15, 10)},
        {"start left of the LCD", 1, QPoint(20, 40), At(30, 20), {}, 0, false, {}},
        {"start on reaching the right edge", 1, At(316, 10), At(320, 16), {}, 0, false, {}},
        {"start on reaching the bottom edge", 1, At(10, 236), At(16, 240), {}, 0, false, {}},
        {"Shift centres on the start", 1, At(10, 10), At(15, 12), kShift, 0, true,
         Dots(5, 8, 15, 12)},
        {"Shift mirrors odd sizes exactly", 1, At(10, 10), At(17, 13), kShift, 0, true,
         Dots(3, 7, 17, 13)},
        {"Ctrl squares a box", 1, At(10, 10), At(30, 16), kCtrl, 0, true, Dots(10, 10, 30, 30)},
        {"Ctrl makes a flat line level", 2, At(10, 10), At(40, 15), kCtrl, 0, true,
         Dots(10, 10, 40, 10)},
        {"the grid snaps both corners",
         1,
         At(11, 12),
         At(29, 33),
         {},
         5,
         true,
         Dots(10, 10, 30, 35)},
        {"a definable character is 16 x 16, not snapped",
         9,
         At(11, 11),
         At(40, 50),
         {},
         5,
         true,
         Dots(11, 11, 27, 27)},
        {"also with Ctrl", 9, At(11, 11), At(40, 50), kCtrl, 0, true, Dots(11, 11, 27, 27)},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        page->SPClear(FALSE, FALSE);
        page->SetSPIndex(0);
        GetDsgGOption().SetInt(GOPT_USE_UGRID, c.gap ? 1 : 0);
        GetDsgGOption().SetInt(GOPT_LMTIGHT_UGGAP, c.gap ? c.gap : 5);
        host->log.clear();
        const int id = Draw(c.tool, c.from, c.to, c.keys);
        if (!c.created) {
            EXPECT_EQ(page->GetEACount(), 0);
            EXPECT_EQ(page->GetWObjCount(), 0);
            continue;
        }
        ASSERT_EQ(page->GetEACount(), 2);
        EXPECT_EQ(Rect(id), c.rect);
        EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
        EXPECT_EQ(page->GetCWOCHId(), id);
        EXPECT_TRUE(host->Asked("created:" + std::to_string(CDsgDSPFrame::GetToolWOKind(c.tool))));
        page->UndoEActionAndSRefresh();
        EXPECT_EQ(page->GetWObjCount(), 0) << "creation and geometry undo together";
        page->RedoEActionAndSRefresh();
        EXPECT_EQ(Rect(id), c.rect);
    }
}

// At 200 % a pixel is half a dot: 4.5 dots is still a click, five dots
// (more than 4.9999) start the drag.
TEST_F(PageTest, DragsStartPastFourPointNineNineNineNineDots) {
    page->resize(690, 530);
    page->CalcLMRect();
    ASSERT_EQ(page->GetLMZoom(), 2.0);
    struct Case {
        int pixels;
        bool created;
    };
    for (const Case c : {Case{9, false}, Case{10, true}}) {
        SCOPED_TRACE(c.pixels);
        page->SPClear(FALSE, FALSE);
        page->SetSPIndex(0);
        Draw(1, QPoint(45, 45), QPoint(45 + c.pixels, 45));
        EXPECT_EQ(page->GetWObjCount(), c.created ? 1 : 0);
        if (c.created) {
            EXPECT_EQ(Rect(0), CRect(100000, 100000, 100000 + 5000 * c.pixels, 100000));
        }
    }
}

TEST_F(PageTest, TheHundredAndFirstMenuIsRefused) {
    for (int i = 0; i < 100; ++i) {
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        create->InitWOCreation(page->WOIdCounter(), nDSG_WOKIND__WOMENU, Dots(0, 0, 10, 10),
                               CDsgUTProps(), FALSE);
        page->EAAdd(std::move(create));
    }
    page->RebuildWObjs();
    ASSERT_EQ(page->GetWOMenuCount(), 100);
    Draw(100, At(10, 10), At(40, 40));
    EXPECT_EQ(page->GetEACount(), 100);
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__NOT_WOCH);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "You cannot create more than 100 menus !");
    EXPECT_EQ(ui.messages[0].caption, "Menu");
}

// ---- Choosing ---------------------------------------------------------------

TEST_F(PageTest, ClicksChooseAndEmptyClicksClear) {
    const int a = Draw(1, At(10, 10), At(30, 30));
    const int b = Draw(1, At(100, 100), At(130, 130));
    Click(At(115, 100));
    EXPECT_EQ(page->GetCWOCHId(), b);
    EXPECT_EQ(page->GetRefWOId(), b);
    Click(At(20, 10), kShift);
    EXPECT_EQ(page->GetWOCHCount(), 2) << "Shift adds to the choice";
    EXPECT_EQ(page->GetCWOCHId(), a);
    Click(At(250, 200), kShift);
    EXPECT_EQ(page->GetWOCHCount(), 2) << "Shift keeps the choice on empty page area";
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    Click(At(250, 200));
    EXPECT_EQ(page->GetWOCHCount(), 0);
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__NOT_WOCH);
    // A rubber band chooses what lies inside it.
    Drag(At(5, 5), At(200, 200));
    EXPECT_EQ(page->GetWOCHCount(), 2);
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
}

// ---- Moving and resizing with the mouse ---------------------------------------

TEST_F(PageTest, DragsMoveAndResizeAsOneStep) {
    const int id = Draw(1, At(40, 40), At(80, 80));
    const int actions = page->GetEACount();
    // Over the box: the move state; dragged by 10 dots.
    Move(At(60, 60), {}, Qt::NoButton);
    ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    Drag(At(60, 60), At(70, 65));
    EXPECT_EQ(Rect(id), Dots(50, 45, 90, 85));
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    EXPECT_EQ(page->GetEACount(), actions + 1);
    // The bottom-right grip (8 pixels out): resize.
    Move(At(98, 93), {}, Qt::NoButton);
    ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING);
    Drag(At(98, 93), At(108, 113));
    EXPECT_EQ(Rect(id), Dots(50, 45, 108, 113)) << "the corner goes to the pointer";
    page->UndoEActionAndSRefresh();
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(id), Dots(40, 40, 80, 80));
    // A click chooses an object and a press at the same still point takes
    // the handle under it, as the cursor shows: the edge's grip resizes, a
    // line's body moves.
    Click(At(250, 200));
    Click(At(60, 40));
    Drag(At(60, 40), At(60, 50));
    EXPECT_EQ(Rect(id), Dots(40, 50, 80, 80)) << "the grip under a still pointer resizes";
    const int line = Draw(2, At(100, 150), At(200, 150));
    Click(At(250, 200));
    Click(At(150, 150));
    Drag(At(150, 150), At(160, 160));
    EXPECT_EQ(Rect(line), Dots(110, 160, 210, 160)) << "the body under a still pointer moves";
}

TEST_F(PageTest, TheRightButtonWaitsWhileTheLeftDrags) {
    const int id = Draw(1, At(40, 40), At(80, 80));
    Move(At(60, 60), {}, Qt::NoButton);
    Press(At(60, 60));
    Move(At(65, 60));
    QTest::mousePress(page, Qt::RightButton, {}, At(65, 60));
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVING);
    QTest::mouseRelease(page, Qt::RightButton, {}, At(65, 60));
    Move(At(70, 60));
    Release(At(70, 60));
    EXPECT_EQ(Rect(id), Dots(50, 40, 90, 80));
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(id), Dots(40, 40, 80, 80));

    // A right press with nothing dragging only ends the mouse state.
    page->SetWOEState(nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
    ui.messages.clear();
    SetPopupMenuHook([](QMenu&, const QPoint&) -> UINT { return 0; });
    QTest::mousePress(page, Qt::RightButton, {}, At(150, 150));
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    QTest::mouseRelease(page, Qt::RightButton, {}, At(150, 150));
    SetPopupMenuHook({});
}

// A drag that loses the mouse or the focus ends as a release where the
// pointer was last: the history holds what the screen shows.
TEST_F(PageTest, LostDragsEndAsReleases) {
    struct Case {
        const char* name;
        bool byFocus;  // else the next move comes without the button
    };
    for (const Case c : {Case{"focus lost", true}, Case{"mouse lost", false}}) {
        SCOPED_TRACE(c.name);
        page->SPClear(FALSE, FALSE);
        page->setFocus();
        // A creation drag cut off.
        page->SetWOETool(1);
        Press(At(10, 10));
        Move(At(30, 30));
        page->SetWOETool(0);
        QLineEdit other(parent.get());
        if (c.byFocus) {
            other.show();
            other.setFocus();
        } else {
            Move(At(35, 35), {}, Qt::NoButton);
        }
        ASSERT_EQ(page->GetEACount(), 2) << "creation and geometry";
        EXPECT_EQ(page->GetEAction(1)->GetEASwift(), 0);
        EXPECT_EQ(Rect(0), Dots(10, 10, 30, 30));
        page->UndoEActionAndSRefresh();
        EXPECT_EQ(page->GetWObjCount(), 0);
        page->RedoEActionAndSRefresh();
        // A move cut off.
        page->setFocus();
        page->ACWOChoose(0, TRUE);
        Move(At(20, 20), {}, Qt::NoButton);
        ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
        Press(At(20, 20));
        Move(At(25, 20));
        if (c.byFocus)
            other.setFocus();
        else
            Move(At(28, 20), {}, Qt::NoButton);
        EXPECT_EQ(page->GetEACount(), 3);
        page->RebuildWObjs();
        EXPECT_EQ(Rect(0), Dots(15, 10, 35, 30)) << "moved in the history as on screen";
    }
}

TEST_F(PageTest, ContinuousLinesEndWithAltOrLostFocus) {
    // An Alt release draws a line and starts the next one at its end.
    const int first = Draw(2, At(10, 10), At(50, 10), Qt::AltModifier);
    ASSERT_EQ(page->GetWOEState(), nDSG_WOES__BROWSING_LNXPOINT);
    Move(At(50, 40), Qt::AltModifier, Qt::NoButton);
    Click(At(50, 40), Qt::AltModifier);
    const int second = first + 1;
    ASSERT_NE(page->GetWObjById(second), nullptr);
    EXPECT_EQ(Rect(second), Dots(50, 10, 50, 40));
    EXPECT_TRUE(page->IsWOKLGLinked(first));
    EXPECT_TRUE(page->IsWOKLGLinked(second));
    EXPECT_EQ(page->GetEAction(page->GetEACount() - 1)->GetEASwift(), 0);
    // Releasing Alt ends it.
    QTest::keyRelease(page, Qt::Key_Alt);
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    // The second line (creation, geometry, link) undoes as one step.
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(page->GetWObjById(second), nullptr);
    EXPECT_FALSE(page->IsWOKLGLinked(first));
    // Losing the focus ends it as well.
    Draw(2, At(10, 100), At(50, 100), Qt::AltModifier);
    ASSERT_EQ(page->GetWOEState(), nDSG_WOES__BROWSING_LNXPOINT);
    QLineEdit other(parent.get());
    other.show();
    other.setFocus();
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
}

// ---- Linked lines ------------------------------------------------------------

// Two lines linked end to end stay joined whichever way the first one moves:
// what the history records, which the page, the code and the thumbnails are
// built from, keeps the second line's end on the first's. Undo takes both
// back, redo both forward.
TEST_F(PageTest, LinkedEndsFollowEveryMoveAndItsUndo) {
    struct Case {
        const char* name;
        // Run with the first line chosen alone; two boxes lie aside.
        std::function<void()> move;
        int steps;  // undo steps it makes
    };
    auto command = [this](UINT id) { CDsgDSPFrame::FindWOEditCommand(id)->run(*page); };
    const std::vector<Case> cases = {
        {"body drag",
         [&] {
             Move(At(100, 150), {}, Qt::NoButton);
             ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
             Drag(At(100, 150), At(110, 140));
         },
         1},
        {"grip drag",
         [&] {
             Move(At(150, 156), {}, Qt::NoButton);
             ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_PRMOVABLE_BUT_NOT_PRMOVING);
             Drag(At(150, 156), At(190, 140));
         },
         1},
        {"grip drag, then right angle",
         [&] {
             Move(At(150, 156), {}, Qt::NoButton);
             Drag(At(150, 156), At(190, 170));
             page->AddACWOCHObjRAAlterEAction(TRUE);
         },
         2},
        {"arrow key", [&] { Key(Qt::Key_Up); }, 1},
        {"shift arrow key", [&] { Key(Qt::Key_Right, kShift); }, 1},
        {"several dragged",
         [&] {
             Click(At(15, 55), kShift);
             ASSERT_EQ(page->GetWOCHCount(), 2);
             // By the centre of the two.
             Move(At(80, 100), {}, Qt::NoButton);
             Drag(At(80, 100), At(100, 80));
         },
         1},
        {"align to top",
         [&] {
             Click(At(15, 55), kShift);  // the box is the reference
             command(nDSG_CMD__TPALIGN);
         },
         1},
        {"centre", [&] { command(nDSG_CMD__XYCENTER); }, 1},
        {"enlarge", [&] { command(nDSG_CMD__ORINFLATE); }, 1},
        {"same horizontal gap",
         [&] {
             Click(At(15, 55));
             Click(At(295, 55), kShift);
             Click(At(100, 150), kShift);  // the line is current
             ASSERT_EQ(page->GetWOCHCount(), 3);
             command(nDSG_CMD__XLGALIGN);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->SPClear(FALSE, FALSE);
        page->SetSPIndex(0);
        const int line = Draw(2, At(50, 150), At(150, 150));
        const int other = Draw(2, At(150, 200), At(250, 200));
        Draw(1, At(10, 50), At(20, 60));
        Draw(1, At(290, 50), At(300, 60));
        // "Link Lines" with the second line current: its first end goes
        // onto the first line's second end.
        Click(At(100, 150));
        Click(At(200, 200), kShift);
        ASSERT_EQ(page->GetCWOCHId(), other);
        command(nDSG_CMD__TSKLGAIN);
        ASSERT_EQ(Rect(other), Dots(150, 150, 250, 200));
        Click(At(100, 150));
        ASSERT_EQ(page->GetWOCHCount(), 1);
        ASSERT_EQ(page->GetCWOCHId(), line);
        const CRect lineBefore = Rect(line), otherBefore = Rect(other);
        const int steps = page->GetCurrentEAIndex();

        c.move();
        page->RebuildWObjs();
        const CRect lineAfter = Rect(line), otherAfter = Rect(other);
        EXPECT_NE(lineAfter, lineBefore) << "the line moved";
        EXPECT_EQ(page->GetWOCorner(other, 1), page->GetWOCorner(line, 4));
        EXPECT_EQ(page->GetWOCorner(other, 4), CPoint(250 * kDot, 200 * kDot));
        for (int i = 0; i < c.steps; ++i) page->UndoEActionAndSRefresh();
        EXPECT_EQ(page->GetCurrentEAIndex(), steps);
        EXPECT_EQ(Rect(line), lineBefore);
        EXPECT_EQ(Rect(other), otherBefore);
        for (int i = 0; i < c.steps; ++i) page->RedoEActionAndSRefresh();
        EXPECT_EQ(Rect(line), lineAfter);
        EXPECT_EQ(Rect(other), otherAfter);
        EXPECT_TRUE(page->IsWOKLGLinked(other));
    }
}

// Keys pressed while a box is dragged by its centre: Esc gives the drag up,
// the keys that would change the history or the choice wait for the
// release, which records the move the drag shows.
TEST_F(PageTest, KeysDuringADragLeaveItWhole) {
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers keys;
        bool moved;
    };
    const Case cases[] = {
        {"Esc", Qt::Key_Escape, {}, false},   {"Ctrl+Z", Qt::Key_Z, kCtrl, true},
        {"Delete", Qt::Key_Delete, {}, true}, {"Ctrl+A", Qt::Key_A, kCtrl, true},
        {"Tab", Qt::Key_Tab, {}, true},       {"arrow", Qt::Key_Left, {}, true},
        {"Ctrl+X", Qt::Key_X, kCtrl, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->SPClear(FALSE, FALSE);
        page->SetSPIndex(0);
        // Near enough for Tab to go to it.
        const int other = Draw(1, At(80, 80), At(100, 100));
        const int box = Draw(1, At(40, 40), At(80, 80));
        const int actions = page->GetEACount();
        Move(At(60, 60), {}, Qt::NoButton);
        ASSERT_EQ(page->GetWOEState(), nDSG_WOES__WOCH_AND_EDRMOVABLE_BUT_NOT_EDRMOVING);
        Press(At(60, 60));
        Move(At(65, 62));
        Key(c.key, c.keys);
        Move(At(70, 65));
        Release(At(70, 65));
        page->RebuildWObjs();
        if (!page->GetWObjById(box)) {
            ADD_FAILURE() << "the box is gone";
            continue;
        }
        EXPECT_EQ(Rect(box), c.moved ? Dots(50, 45, 90, 85) : Dots(40, 40, 80, 80));
        EXPECT_EQ(Rect(other), Dots(80, 80, 100, 100));
        EXPECT_EQ(page->GetEACount(), actions + (c.moved ? 1 : 0));
        EXPECT_EQ(page->GetWOCHCount(), 1);
    }
}

// ---- Keys --------------------------------------------------------------------

TEST_F(PageTest, ArrowKeysStepByTheGridAndGrowWhenHeld) {
    GetDsgGOption().SetInt(GOPT_USE_UGRID, 1);
    GetDsgGOption().SetInt(GOPT_LMTIGHT_UGGAP, 5);
    const int id = Draw(1, At(10, 10), At(30, 30));
    Key(Qt::Key_Right);
    EXPECT_EQ(Rect(id), Dots(15, 10, 35, 30));
    // Held down: presses 20 ms apart; the step grows to seven times.
    std::vector<int> steps;
    for (int i = 0; i < 60; ++i) {
        tick += 20;
        const LONG before = Rect(id).top;
        Key(Qt::Key_Down);
        steps.push_back((Rect(id).top - before) / kDot);
    }
    EXPECT_EQ(steps.front(), 5);
    EXPECT_EQ(steps[33], 5);
    EXPECT_EQ(steps[36], 10);
    EXPECT_EQ(steps.back(), 35);
    // Shift resizes by the right (lower) edge.
    tick += 2000;
    Key(Qt::Key_Left, kShift);
    EXPECT_EQ(Rect(id).right - Rect(id).left, 15 * kDot);
}

TEST_F(PageTest, ARunOfArrowKeysIsOneUndoStepAndEndsUnjoined) {
    const int id = Draw(1, At(10, 10), At(30, 30));
    const int other = Draw(1, At(100, 10), At(130, 30));
    Click(At(20, 10));
    for (int i = 0; i < 5; ++i) {
        tick += 100;
        Key(Qt::Key_Right);
    }
    EXPECT_EQ(Rect(id), Dots(15, 10, 35, 30));
    EXPECT_EQ(page->GetEAction(page->GetEACount() - 1)->GetEASwift(), 0)
        << "the newest action of a run carries no join mark";
    // An unrelated edit right after the run is a step of its own.
    tick += 100;
    page->ACWOChoose(other, TRUE);
    page->AddORInflateEAction(TRUE);
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(other), Dots(100, 10, 130, 30));
    EXPECT_EQ(Rect(id), Dots(15, 10, 35, 30)) << "the run stays";
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(id), Dots(10, 10, 30, 30)) << "the whole run, first press included";
    // Presses a second apart are steps of their own.
    page->RedoEActionAndSRefresh();
    page->ACWOChoose(id, TRUE);
    tick += 5000;
    Key(Qt::Key_Right);
    tick += 1500;
    Key(Qt::Key_Right);
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(Rect(id), Dots(16, 10, 36, 30));
}

TEST_F(PageTest, UndoRedoKeysAndTheShiftGuard) {
    const int id = Draw(1, At(10, 10), At(30, 30));
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers keys;
        DWORD sinceShiftUp;
        bool exists;  // after the key
    };
    const std::vector<Case> cases = {
        {"Ctrl+Z undoes", Qt::Key_Z, kCtrl, 5000, false},
        {"Ctrl+Y redoes", Qt::Key_Y, kCtrl, 5000, true},
        {"Ctrl+Z right after a Shift release does not", Qt::Key_Z, kCtrl, 100, true},
        {"nor at 499 ms", Qt::Key_Z, kCtrl, 499, true},
        {"at 500 ms it does", Qt::Key_Z, kCtrl, 500, false},
        {"Ctrl+Shift+Z redoes", Qt::Key_Z, kCtrl | kShift, 5000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::keyRelease(page, Qt::Key_Shift);
        tick += c.sinceShiftUp;
        Key(c.key, c.keys);
        EXPECT_EQ(page->GetWObjById(id) != nullptr, c.exists);
    }
}

TEST_F(PageTest, DeleteAndArrowsNeedTheFocusOnThePage) {
    const int id = Draw(1, At(10, 10), At(30, 30));
    QLineEdit panel(parent.get());
    panel.show();
    panel.setFocus();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, {});
    EXPECT_FALSE(page->OnKeyEvents(&del)) << "a panel's own Delete";
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, {});
    EXPECT_FALSE(page->OnKeyEvents(&right));
    EXPECT_EQ(Rect(id), Dots(10, 10, 30, 30));
    // Forwarded Ctrl+A works from anywhere.
    page->ResetWOChoice();
    QKeyEvent all(QEvent::KeyPress, Qt::Key_A, kCtrl);
    EXPECT_FALSE(page->OnKeyEvents(&all)) << "passed on";
    EXPECT_EQ(page->GetCWOCHId(), id);
    page->setFocus();
    Key(Qt::Key_Delete);
    EXPECT_EQ(page->GetWObjCount(), 0);
}

TEST_F(PageTest, TabChoosesTheNextObjectNearTheReference) {
    const int a = Draw(1, At(10, 10), At(30, 30));
    Click(At(20, 10));
    EXPECT_EQ(page->OnTab(), 0) << "a single object";
    Click(At(250, 200));  // the next press is on no grip of a chosen object
    const int b = Draw(1, At(40, 10), At(60, 30));      // 30 dots from a
    const int far = Draw(1, At(200, 10), At(220, 30));  // far from both
    Click(At(20, 10));                                  // a is the reference
    EXPECT_EQ(page->OnTab(), 1);
    EXPECT_EQ(page->GetCWOCHId(), b);
    EXPECT_EQ(page->OnTab(), 1);
    EXPECT_EQ(page->GetCWOCHId(), a) << "the reference itself is near";
    // The reference object deleted: nothing to go by, and no endless walk.
    page->ACWOChoose(a, TRUE);
    page->AddWODeleteEAction(TRUE);
    page->ACWOChoose(far, TRUE);
    EXPECT_EQ(page->OnTab(), 0);
    EXPECT_EQ(page->GetCWOCHId(), far);
    // Undone creation of the reference: the same.
    page->ResetWOChoice();
    EXPECT_EQ(page->OnTab(), 0) << "nothing chosen";
}

// ---- Timers, cache and host ------------------------------------------------------

TEST_F(PageTest, TheCacheTimerWritesTheWorkingFileOncePerChange) {
    const std::string ini = host->workDir + "/" + LSD_INI_FILE;
    ASSERT_TRUE(SetIniString(ini, "Form0Name", "Main", LSD_INI_SECTION));
    const std::string file = host->workDir + "/Main.frm";
    EXPECT_TRUE(IsTimerSet(page, nDSG_DSPTIMER__CACHE));
    EXPECT_EQ(GetTimerPeriod(page, nDSG_DSPTIMER__CACHE), nDSG_DSPTIMER__CACHE_MS);
    FireTimerForTest(page, nDSG_DSPTIMER__CACHE);
    EXPECT_FALSE(IsPathExisting(file)) << "nothing changed yet";

    Draw(1, At(10, 10), At(30, 30));
    EXPECT_EQ(page->GetCached(), 0);
    EXPECT_TRUE(host->Asked("eaadded"));
    FireTimerForTest(page, nDSG_DSPTIMER__CACHE);
    ASSERT_TRUE(IsPathExisting(file));
    CDsgDSPFrame hidden(0);
    int level = 0;
    ASSERT_TRUE(hidden.EActionsFromFile(file, level));
    EXPECT_EQ(hidden.GetEACount(), 2);
    std::remove(file.c_str());
    FireTimerForTest(page, nDSG_DSPTIMER__CACHE);
    EXPECT_FALSE(IsPathExisting(file)) << "written once per change";

    page->UndoEActionAndSRefresh();
    EXPECT_TRUE(host->Asked("undoredo"));
    FireTimerForTest(page, nDSG_DSPTIMER__CACHE);
    ASSERT_TRUE(hidden.EActionsFromFile(file, level));
    EXPECT_EQ(hidden.GetCurrentEAIndex(), -1) << "the undo position travels";
}

TEST_F(PageTest, AReleaseGivesThePageTheFocusOnItsTimer) {
    QLineEdit panel(parent.get());
    panel.show();
    panel.setFocus();
    Click(At(200, 200));
    EXPECT_TRUE(IsTimerSet(page, nDSG_DSPTIMER__FOCUS));
    EXPECT_EQ(GetTimerPeriod(page, nDSG_DSPTIMER__FOCUS), nDSG_DSPTIMER__FOCUS_MS);
    FireTimerForTest(page, nDSG_DSPTIMER__FOCUS);
    EXPECT_FALSE(IsTimerSet(page, nDSG_DSPTIMER__FOCUS));
    EXPECT_EQ(QApplication::focusWidget(), page);
}

TEST_F(PageTest, TheContextMenuPostsItsCommandToTheParent) {
    std::vector<WPARAM> commands;
    SetMessageHandler(parent.get(), WM_COMMAND, [&](WPARAM w, LPARAM) {
        commands.push_back(w);
        return 0;
    });
    Draw(1, At(10, 10), At(30, 30));
    std::vector<std::pair<std::string, bool>> items;
    SetPopupMenuHook([&](QMenu& menu, const QPoint&) -> UINT {
        EXPECT_EQ(menu.objectName(), "WOEDIT");
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                items.push_back({action->text().toStdString(), action->isEnabled()});
        return nDSG_CMD__ORDEFLATE;
    });
    QTest::mouseClick(page, Qt::RightButton, {}, At(20, 20));
    SetPopupMenuHook({});
    QApplication::processEvents();
    EXPECT_EQ(commands, std::vector<WPARAM>{nDSG_CMD__ORDEFLATE});
    ASSERT_EQ(items.size(), 20u);
    EXPECT_EQ(items[0], (std::pair<std::string, bool>{"Align to Top", false}));
    EXPECT_EQ(items[9], (std::pair<std::string, bool>{"Center Horizontally", true}));
    EXPECT_EQ(items[15], (std::pair<std::string, bool>{"Delete\tDel", true}));
    EXPECT_EQ(items[19], (std::pair<std::string, bool>{"Shrink", true}));
}

TEST_F(PageTest, NamesOfStatesFacesAndTools) {
    const std::vector<std::pair<int, std::string>> states = {{0, ""},
                                                             {1, "Not_WOCH"},
                                                             {7, "WOCH_And_WOCERDRMoving"},
                                                             {11, "Browsing_LNFPoint"},
                                                             {12, ""}};
    for (const auto& [state, name] : states) EXPECT_EQ(CDsgDSPFrame::GetWOEStateName(state), name);
    EXPECT_EQ(CDsgDSPFrame::GetXFaceName(4), "XFImage");
    EXPECT_EQ(CDsgDSPFrame::GetXFaceName(5), "XF???");
    const std::vector<std::pair<int, int>> tools = {{0, 0},  {1, 2},   {7, 8},    {8, 0},
                                                    {9, 11}, {11, 13}, {100, 10}, {101, 0}};
    for (const auto& [tool, kind] : tools) EXPECT_EQ(CDsgDSPFrame::GetToolWOKind(tool), kind);
}

// ---- Drawing --------------------------------------------------------------------

// One form drawn on the shown page (its own paint), on its LCD bitmap and on
// a hidden page that replays the saved form: the same LCD pixels.
TEST_F(PageTest, HiddenPagesDrawTheSameLCDPixels) {
    Draw(1, At(10, 10), At(60, 40));
    Draw(2, At(70, 10), At(120, 60));
    Draw(4, At(10, 80), At(60, 120));
    Draw(6, At(70, 80), At(120, 120));
    Draw(5, At(150, 80), At(200, 130));
    page->ResetWOChoice();
    page->SetWOEState(nDSG_WOES__NOT_WOCH);

    QImage visibleLCD;
    ASSERT_EQ(page->RedrawDSPFrame(&visibleLCD), 1);
    const QImage shown = page->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const CRect lcd = page->GetLMClientRect();
    EXPECT_EQ(shown.copy(lcd.left, lcd.top, lcd.Width(), lcd.Height()),
              visibleLCD.convertToFormat(QImage::Format_RGB32));

    CRevolver record;
    ASSERT_TRUE(page->EActionsToRevolver(record, TRUE));
    CDsgDSPFrame hidden(0);
    hidden.resize(page->size());
    int level = 0;
    ASSERT_TRUE(hidden.EActionsFromRevolver(record, level));
    hidden.RebuildWObjs();
    QImage hiddenLCD;
    ASSERT_EQ(hidden.RedrawDSPFrame(&hiddenLCD), 1);
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_EQ(hidden.objectName(), "VDSPFrame");
    EXPECT_EQ(page->objectName(), "DSPFrame");
    EXPECT_EQ(hiddenLCD, visibleLCD);
    EXPECT_EQ(GetDsgDSPFrame(), page) << "a hidden page leaves the current page alone";
    // Something of every object shows: the ink differs from the page colour.
    const QRgb background = visibleLCD.pixel(250, 200);
    EXPECT_NE(visibleLCD.pixel(10, 10), background);    // box corner
    EXPECT_NE(visibleLCD.pixel(160, 100), background);  // filled box
}

TEST_F(PageTest, WithoutAnLCDRectangleNothingIsDrawn) {
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 0);
    QImage bitmap;
    EXPECT_EQ(page->RedrawDSPFrame(&bitmap), 0);
    EXPECT_TRUE(bitmap.isNull());
}

}  // namespace
