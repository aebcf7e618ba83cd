// The design main frame inside a host window, on a real working slot: start,
// refresh events, design-change notices, object commands, zoom, splitter and
// keys.

#include "design/frames/dsgmainframe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "design/frames/dlggrid.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dlgwopos.h"
#include "design/frames/dsgscriptedit.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/frames/dsgxfframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/frames/testing/formnameanswer.h"
#include "design/frames/tests/mainframetesting.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsgutprops.h"
#include "design/model/dsgwobj.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxbutton.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/keyboard.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"

namespace {

using mainframetesting::kDot;
using mainframetesting::MainFrameTest;

TEST_F(MainFrameTest, InitMainFrameMakesTheChildrenAndClaimsTheSlot) {
    EXPECT_EQ(GetDsgMainFrame(), frame);
    EXPECT_EQ(GetDsgLSDHost(), frame);
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(GetKeyStyle(), KEYSTYLE_SHORT);
    EXPECT_EQ(frame->GetLSDir(), dir);
    EXPECT_EQ(CDsgLSDAction::GetWorkDir(), dir);
    ClearIniCache();
    EXPECT_EQ(GetIniString(dir + "/" + LSD_INI_FILE, "lsmseed", LSD_INI_SECTION, ""),
              HandleToText(GetWindowHandle(host.get())));
    ASSERT_NE(frame->GetDSPFrame(), nullptr);
    EXPECT_EQ(GetDsgDSPFrame(), frame->GetDSPFrame());
    EXPECT_EQ(frame->GetDSPFrame()->parentWidget(), frame);
    EXPECT_EQ(frame->GetTSPFrame()->parentWidget(), frame);
    EXPECT_EQ(frame->GetToolBox()->parentWidget(), frame);
    EXPECT_EQ(frame->GetUBar()->parentWidget(), frame);
    ASSERT_NE(frame->GetXFFrame(), nullptr);
    EXPECT_TRUE(frame->GetXFFrame()->IsReady());
    EXPECT_EQ(frame->GetXFFrame()->height(), CDsgXFFrame::kHeight);
    EXPECT_EQ(GetDlgCtrlID(frame->GetSplitter()), IDC_DSG_SPLITTER);
    CDsgGOption* options = nullptr;
    frame->SetDsgOption(options);
    EXPECT_EQ(options, &GetDsgGOption());
    EXPECT_EQ(CDsgGOption::GetLMSize(), CSize(128, 64));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainFrameTest, ClaimOfAnUnwritableSlotFailsWithTheWindowsMade) {
    testsupport::WriteFileBytes(dir + "/blocked", "");
    WriteOptions();
    EXPECT_EQ(frame->InitMainFrame(0, 1, dir + "/blocked", 1, host.get(), "1"), 0);
    EXPECT_NE(frame->GetDSPFrame(), nullptr);
    EXPECT_NE(frame->GetTSPFrame(), nullptr);
}

// Every code of a list runs, however long the list; no message is shown.
TEST_F(MainFrameTest, RefreshListsRunToTheirEndWithoutAMessage) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    struct Case {
        const char* name;
        std::vector<int> codes;  // without the closing 0
        bool rebuilt;
    };
    const std::vector<Case> cases = {
        {"six codes, rebuild last", {2, 2, 3, 4, 5, 1}, true},
        {"eight codes, rebuild seventh", {2, 3, 4, 5, 6, 2, 1, 2}, true},
        {"eight codes, rebuild eighth", {6, 5, 4, 3, 2, 2, 2, 1}, true},
        {"unknown codes only", {7, 99, -1}, false},
        {"no rebuild", {2, 3, 4, 5, 6, 2, 3, 4}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // An action in the history that the objects do not show yet.
        Page().RemoveAllWObjs();
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        create->InitWOCreation(Page().WOIdCounter(), nDSG_WOKIND__WOBOX,
                               CRect(kDot, kDot, 5 * kDot, 5 * kDot), CDsgUTProps(), FALSE);
        Page().EAAdd(std::move(create));
        std::vector<int> codes = c.codes;
        codes.resize(8, 0);
        frame->SRefreshSREvents(codes[0], codes[1], codes[2], codes[3], codes[4], codes[5],
                                codes[6], codes[7], 0);
        EXPECT_EQ(Page().GetWObjCount() > 0, c.rebuilt);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainFrameTest, DesignChangesReachTheHostOncePerChange) {
    // Before the start there is no host and no property band: nothing flows.
    frame->_OnEAAdded();
    frame->_OnUndoedOrRedoed();
    EXPECT_EQ(designChanges, 0);
    EXPECT_EQ(frame->GetButtonRefreshFlag(), 1);

    ASSERT_EQ(Init(), 1);
    OpenForm();
    frame->SetButtonRefreshFlag(1);
    const int before = designChanges;
    Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    EXPECT_EQ(designChanges - before, 1);  // creation and geometry, one change
    EXPECT_EQ(frame->GetButtonRefreshFlag(), 0);
    EXPECT_EQ(Page().GetCached(), 0);

    Page().SetCached(1);
    Page().UndoEActionAndSRefresh();
    EXPECT_EQ(designChanges - before, 2);
    EXPECT_EQ(Page().GetCached(), 0);
    Page().RedoEActionAndSRefresh();
    EXPECT_EQ(designChanges - before, 3);

    // Repaints and refreshes are no changes.
    frame->SRefreshSREvents(1, 2, 3, 4, 5, 6, 0);
    EXPECT_EQ(designChanges - before, 3);
}

TEST_F(MainFrameTest, AnAppendedActionMarksTheVisibleTabStale) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    CDsgTSPage* tab = frame->GetTSPFrame()->GetTSPageBySPIndex(0);
    ASSERT_NE(tab, nullptr);
    tab->m_nStale = 0;
    Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    EXPECT_EQ(tab->m_nStale, 1);
}

// The enable rule of every object command on one table of choices: two
// boxes A (below) and B (above), lines L1 and L2 joined, a lone box C on top.
TEST_F(MainFrameTest, ObjectCommandsEnableByTheirRules) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    const int a = Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    const int b = Make(nDSG_WOKIND__WOBOX, CRect(20 * kDot, kDot, 29 * kDot, 9 * kDot));
    const int l1 = Make(nDSG_WOKIND__WOLINE, CRect(kDot, 30 * kDot, 20 * kDot, 30 * kDot));
    const int l2 = Make(nDSG_WOKIND__WOLINE, CRect(21 * kDot, 30 * kDot, 40 * kDot, 40 * kDot));
    Page().ResetWOChoice();
    Page().TSKLGain(l1, l2);
    ASSERT_TRUE(Page().IsWOKLGLinked(l2));
    const int c = Make(nDSG_WOKIND__WOBOX, CRect(50 * kDot, kDot, 59 * kDot, 9 * kDot));

    struct Choice {
        const char* name;
        std::vector<int> ids;  // the first is the active object
    };
    const std::vector<Choice> choices = {
        {"nothing", {}},           {"bottom one", {a}},   {"top one", {c}},
        {"middle one", {b}},       {"two boxes", {a, b}}, {"active linked", {l1, a}},
        {"other linked", {a, l2}},
    };
    // One column per choice above: 1 enabled, 0 disabled; rows in menu order.
    const std::vector<std::pair<UINT, std::vector<int>>> table = {
        {nDSG_CMD__TPALIGN, {0, 0, 0, 0, 1, 1, 1}},    {nDSG_CMD__BPALIGN, {0, 0, 0, 0, 1, 1, 1}},
        {nDSG_CMD__LPALIGN, {0, 0, 0, 0, 1, 1, 1}},    {nDSG_CMD__RPALIGN, {0, 0, 0, 0, 1, 1, 1}},
        {nDSG_CMD__XSALIGN, {0, 0, 0, 0, 1, 1, 0}},    {nDSG_CMD__YSALIGN, {0, 0, 0, 0, 1, 1, 0}},
        {nDSG_CMD__XYSALIGN, {0, 0, 0, 0, 1, 1, 0}},   {nDSG_CMD__YLGALIGN, {0, 0, 0, 0, 1, 1, 0}},
        {nDSG_CMD__XLGALIGN, {0, 0, 0, 0, 1, 1, 0}},   {nDSG_CMD__XCENTER, {0, 1, 1, 1, 1, 1, 1}},
        {nDSG_CMD__YCENTER, {0, 1, 1, 1, 1, 1, 1}},    {nDSG_CMD__XYCENTER, {0, 1, 1, 1, 1, 1, 1}},
        {nDSG_CMD__MRINFLATE, {0, 1, 1, 1, 1, 1, 1}},  {nDSG_CMD__TSKLGAIN, {1, 1, 1, 1, 1, 1, 1}},
        {nDSG_CMD__WWKLGCLEAR, {1, 1, 1, 1, 1, 1, 1}}, {nDSG_CMD__WODELETE, {0, 1, 1, 1, 1, 1, 1}},
        {nDSG_CMD__UZALTER, {0, 1, 0, 1, 0, 0, 0}},    {nDSG_CMD__DZALTER, {0, 0, 1, 1, 0, 0, 0}},
        {nDSG_CMD__ORINFLATE, {0, 1, 1, 1, 1, 1, 1}},  {nDSG_CMD__ORDEFLATE, {0, 1, 1, 1, 1, 1, 1}},
    };
    ASSERT_EQ(table.size(), CDsgMainFrame::GetDsgCommandIds().size());
    for (size_t row = 0; row < table.size(); ++row) {
        const auto& [id, enabled] = table[row];
        EXPECT_EQ(id, CDsgMainFrame::GetDsgCommandIds()[row]);
        for (size_t col = 0; col < choices.size(); ++col) {
            Page().ResetWOChoice();
            for (int chosen : choices[col].ids) Page().WOChoose(chosen);
            EXPECT_EQ(frame->IsDsgCommandEnabled(id), enabled[col] != 0)
                << "command " << id << ", " << choices[col].name;
        }
    }
}

// A command reaches the page as the page's menu sends it, and records
// actions only when its rule allows.
TEST_F(MainFrameTest, PageMenuCommandsRunOnThePage) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    const int a = Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    const int b = Make(nDSG_WOKIND__WOBOX, CRect(20 * kDot, 5 * kDot, 29 * kDot, 19 * kDot));
    struct Case {
        const char* name;
        std::vector<int> choice;
        UINT id;
        bool runs;
        CRect bRect;  // B afterwards
    };
    const std::vector<Case> cases = {
        {"align to top",
         {a, b},
         nDSG_CMD__TPALIGN,
         true,
         CRect(20 * kDot, kDot, 29 * kDot, 15 * kDot)},
        {"align with one chosen",
         {b},
         nDSG_CMD__LPALIGN,
         false,
         CRect(20 * kDot, kDot, 29 * kDot, 15 * kDot)},
        {"delete", {b}, nDSG_CMD__WODELETE, true, CRect()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page().ResetWOChoice();
        for (int id : c.choice) Page().WOChoose(id);
        const int count = Page().GetEACount();
        SendMessage(frame, WM_COMMAND, c.id, 0);
        EXPECT_EQ(Page().GetEACount() > count, c.runs);
        if (!c.bRect.IsRectNull()) {
            EXPECT_EQ(Page().GetWObjRect(b), c.bRect);
        }
    }
    EXPECT_EQ(Page().GetWObjById(b), nullptr);
}

// Every object command sent as the page's menu sends it does on the page
// what its row of the object-edit menu names: the same form, the same
// choice, once through the frame and once by calling the page's operation,
// ends the same, and differently from how it began.
TEST_F(MainFrameTest, EveryObjectCommandRunsItsOperationThroughTheFrame) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    // Boxes A, B, C (uneven gaps both ways), lines L1 and L2.
    enum { A, B, C, L1, L2 };
    auto build = [this](bool linked) {
        Page().SPClear(0, 0);
        std::vector<int> ids = {
            Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot)),
            Make(nDSG_WOKIND__WOBOX, CRect(20 * kDot, 5 * kDot, 29 * kDot, 19 * kDot)),
            Make(nDSG_WOKIND__WOBOX, CRect(50 * kDot, 40 * kDot, 55 * kDot, 60 * kDot)),
            Make(nDSG_WOKIND__WOLINE, CRect(kDot, 30 * kDot, 20 * kDot, 30 * kDot)),
            Make(nDSG_WOKIND__WOLINE, CRect(22 * kDot, 32 * kDot, 40 * kDot, 40 * kDot)),
        };
        if (linked) Page().TSKLGain(ids[L1], ids[L2]);
        Page().ResetWOChoice();
        return ids;
    };
    // The form as it stands: each object's rectangle and links, bottom first.
    auto state = [this]() {
        std::vector<std::tuple<CRect, BOOL>> out;
        for (int id : Page().GetZOrder())
            out.emplace_back(Page().GetWObjRect(id), Page().IsWOKLGLinked(id));
        return out;
    };
    struct Row {
        UINT id;
        std::vector<int> choice;  // the first is the active object
        std::function<void(CDsgDSPFrame&)> operation;
        bool linked = false;
    };
    auto align = [](const char* key) {
        return [key](CDsgDSPFrame& page) { page.AddAlignEAction(key, 1); };
    };
    const std::vector<Row> rows = {
        {nDSG_CMD__TPALIGN, {A, B}, align("tpalign")},
        {nDSG_CMD__BPALIGN, {A, B}, align("bpalign")},
        {nDSG_CMD__LPALIGN, {B, A}, align("lpalign")},
        {nDSG_CMD__RPALIGN, {A, B}, align("rpalign")},
        {nDSG_CMD__XSALIGN, {A, C}, align("xsalign")},
        {nDSG_CMD__YSALIGN, {A, C}, align("ysalign")},
        {nDSG_CMD__XYSALIGN, {A, C}, align("xysalign")},
        {nDSG_CMD__YLGALIGN, {A, B, C}, align("ylgalign")},
        {nDSG_CMD__XLGALIGN, {A, B, C}, align("xlgalign")},
        {nDSG_CMD__XCENTER, {B}, [](CDsgDSPFrame& page) { page.AddXCenterEAction(1); }},
        {nDSG_CMD__YCENTER, {B}, [](CDsgDSPFrame& page) { page.AddYCenterEAction(1); }},
        {nDSG_CMD__XYCENTER, {B}, [](CDsgDSPFrame& page) { page.AddXYCenterEAction(1); }},
        {nDSG_CMD__MRINFLATE, {B}, [](CDsgDSPFrame& page) { page.AddMRInflateEAction(1); }},
        {nDSG_CMD__TSKLGAIN,
         {L1, L2},
         [](CDsgDSPFrame& page) { page.TSKLGain(page.GetCWOCHId(), *page.GetSWOCHIds().begin()); }},
        {nDSG_CMD__WWKLGCLEAR,
         {L1, L2},
         [](CDsgDSPFrame& page) { page.AddWWKLGClearEActionsForAllWOCHObjs(1); },
         true},
        {nDSG_CMD__WODELETE, {B}, [](CDsgDSPFrame& page) { page.AddWODeleteEAction(1); }},
        {nDSG_CMD__UZALTER, {A}, [](CDsgDSPFrame& page) { page.AddUZAlterEAction(1); }},
        {nDSG_CMD__DZALTER, {B}, [](CDsgDSPFrame& page) { page.AddDZAlterEAction(1); }},
        {nDSG_CMD__ORINFLATE, {B}, [](CDsgDSPFrame& page) { page.AddORInflateEAction(1); }},
        {nDSG_CMD__ORDEFLATE, {B}, [](CDsgDSPFrame& page) { page.AddORDeflateEAction(1); }},
    };
    ASSERT_EQ(rows.size(), CDsgMainFrame::GetDsgCommandIds().size());
    for (const Row& row : rows) {
        SCOPED_TRACE("command " + std::to_string(row.id));
        auto choose = [&](const std::vector<int>& ids) {
            for (int which : row.choice) Page().WOChoose(ids[which]);
        };
        std::vector<int> ids = build(row.linked);
        const auto before = state();
        choose(ids);
        row.operation(Page());
        const auto expected = state();
        ASSERT_NE(expected, before);

        ids = build(row.linked);
        choose(ids);
        const int changes = designChanges;
        SendMessage(frame, WM_COMMAND, row.id, 0);
        EXPECT_EQ(state(), expected);
        EXPECT_GT(designChanges, changes);
    }
}

TEST_F(MainFrameTest, ZoomResizeGrowsTheWidthAndSetsTheHeight) {
    ASSERT_EQ(Init(), 1);
    host->resize(400, 300);
    frame->setGeometry(0, 0, 400, 300);
    frame->GetDSPFrame()->setGeometry(50, 40, 200, 150);
    // The page holds the LCD: host minus page is what lies around it.
    frame->PResize(200);
    EXPECT_EQ(host->width(), 128 * 2 + (400 - 200) + 50);
    EXPECT_EQ(host->height(), 64 * 2 + (300 - 150) + 50);

    const QSize at200 = host->size();
    frame->GetDSPFrame()->resize(128 * 2 + 50, 64 * 2 + 50);
    frame->PResize(100);
    EXPECT_EQ(host->width(), at200.width());  // never narrower
    EXPECT_EQ(host->height(), 64 + (at200.height() - (64 * 2 + 50)) + 50);
    EXPECT_LT(host->height(), at200.height());
}

TEST_F(MainFrameTest, FirstPaintPutsTheSplitter120FromTheRight) {
    ASSERT_EQ(Init(), 1);
    frame->repaint();
    EXPECT_TRUE(frame->IsSplitterPlaced());
    EXPECT_EQ(frame->GetSplitter()->x(), 900 - 120);
    EXPECT_EQ(frame->GetSplitter()->width(), 5);

    // A later paint leaves a splitter the user placed.
    frame->GetSplitter()->move(500, 0);
    frame->repaint();
    EXPECT_EQ(frame->GetSplitter()->x(), 500);
    // One pressed against an edge comes back.
    frame->GetSplitter()->move(8, 0);
    frame->repaint();
    EXPECT_EQ(frame->GetSplitter()->x(), 900 - 120);
}

// Right and bottom edges are exclusive below, as the layout counts them.
struct Edges {
    int left, top, right, bottom;
};
Edges EdgesOf(const QWidget* w) {
    const QRect r = w->geometry();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}
void ExpectEdges(const QWidget* w, const Edges& e, const char* name) {
    const Edges got = EdgesOf(w);
    EXPECT_EQ(got.left, e.left) << name;
    EXPECT_EQ(got.top, e.top) << name;
    EXPECT_EQ(got.right, e.right) << name;
    EXPECT_EQ(got.bottom, e.bottom) << name;
}

// Margins 0 at the frame's edges, gap 1 between neighbours, 3 above the
// position bar; palette width, bar heights and the band's 100 kept.
TEST_F(MainFrameTest, ChildrenStayAnchoredThroughResizes) {
    DWORD tick = 1000;
    SetTickSource([&tick] { return tick; });
    ASSERT_EQ(Init(), 1);
    frame->repaint();
    const int paletteWidth = frame->GetToolBox()->width();
    const int barHeight = frame->GetUBar()->height();
    const int posHeight = frame->GetWOPos()->height();
    ASSERT_GT(paletteWidth, 0);
    ASSERT_GT(barHeight, 0);
    ASSERT_GT(posHeight, 0);
    tick += 5000;  // the splitter follows resizes a second after the show

    const std::vector<QSize> sizes = {{900, 600}, {700, 500}, {1200, 800}, {640, 420}};
    int splitterX = 900 - 120;
    QSize last(900, 600);
    for (const QSize& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        frame->resize(size);
        splitterX += size.width() - last.width();
        last = size;
        const int w = size.width();
        const int h = size.height();
        const int posTop = h - posHeight;
        ExpectEdges(frame->GetSplitter(), {splitterX, 0, splitterX + 5, posTop - 3}, "splitter");
        ExpectEdges(frame->GetToolBox(), {0, 0, paletteWidth, h}, "palette");
        ExpectEdges(frame->GetUBar(), {paletteWidth + 1, 0, splitterX - 1, barHeight}, "form bar");
        ExpectEdges(frame->GetWOPos(), {paletteWidth + 1, posTop, w, h}, "position bar");
        ExpectEdges(frame->GetTSPFrame(), {splitterX + 6, 0, w, posTop - 3}, "tabs");
        ExpectEdges(frame->GetXFFrame(),
                    {paletteWidth + 1, barHeight + 1, splitterX - 1, barHeight + 101}, "band");
        ExpectEdges(frame->GetDSPFrame(),
                    {paletteWidth + 1, barHeight + 102, splitterX - 1, posTop - 3}, "page");
    }
    SetTickSource({});
}

// The layout is saved when the frame goes and comes back with the next one,
// unless Shift is held while it starts.
TEST_F(MainFrameTest, SavedLayoutComesBackUnlessShiftIsHeld) {
    ASSERT_EQ(Init(), 1);
    const int builtIn = frame->GetToolBox()->width();
    const int barBuiltIn = frame->GetUBar()->height();
    frame->GetToolBox()->resize(builtIn + 17, frame->GetToolBox()->height());
    frame->GetUBar()->resize(frame->GetUBar()->width(), barBuiltIn + 9);
    host.reset();
    ASSERT_TRUE(IsPathExisting(GetDsgLibFilePath(DSG_LAYOUTFILE)));

    struct Case {
        const char* name;
        Qt::KeyboardModifiers keys;
        int palette;
        int bar;
    };
    const std::vector<Case> cases = {
        {"plain start", Qt::NoModifier, builtIn + 17, barBuiltIn + 9},
        {"Shift held", Qt::ShiftModifier, builtIn, barBuiltIn},
        {"Ctrl held", Qt::ControlModifier, builtIn + 17, barBuiltIn + 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetModifierSource([&c] { return c.keys; });
        host = std::make_unique<QWidget>();
        host->resize(900, 600);
        frame = new CDsgMainFrame(host.get());
        frame->setGeometry(0, 0, 900, 600);
        ASSERT_EQ(Init(), 1);
        SetModifierSource({});
        frame->resize(880, 590);
        EXPECT_EQ(frame->GetToolBox()->width(), c.palette);
        EXPECT_EQ(frame->GetUBar()->height(), c.bar);
        // Nothing is written while the frame lives; the Shift start leaves
        // the file for the next start as the user left it.
        frame->GetToolBox()->resize(c.palette, 10);
        frame->GetUBar()->resize(10, c.bar);
        if (c.keys == Qt::ShiftModifier) {
            frame->GetToolBox()->resize(builtIn + 17, 10);
            frame->GetUBar()->resize(10, barBuiltIn + 9);
        }
        host.reset();
    }
}

// A form the switch cannot read is not opened: the visible form stays, with
// its content, and the unreadable file is never written over.
TEST_F(MainFrameTest, SwitchToAnUnreadableFormKeepsTheVisibleOne) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    for (const char* name : {"Damaged", "Missing"}) {
        CDsgEActions empty;
        ASSERT_TRUE(CDsgLSDAction().AddELSFile(empty, name));
        ASSERT_TRUE(frame->TSPAddPage(name));
    }
    ASSERT_EQ(frame->GetTSPFrame()->SPAppoint(0, 0), 1);
    ASSERT_EQ(Page().GetSPIndex(), 0);
    Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    Make(nDSG_WOKIND__WOBOX, CRect(20 * kDot, kDot, 29 * kDot, 9 * kDot));
    // The undone box stays undone, and can be redone, after a failed switch.
    Page().UndoEAction();
    Page().RebuildWObjs();
    const int current = Page().GetCurrentEAIndex();
    const std::string damaged = dir + "/Damaged.frm";
    testsupport::WriteFileBytes(damaged, std::string("\x07\x00\xff garbage", 11));
    std::remove((dir + "/Missing.frm").c_str());

    struct Case {
        const char* name;
        int index;
    };
    for (const Case& c : {Case{"damaged", 1}, Case{"missing", 2}}) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        const int actions = Page().GetEACount();
        EXPECT_EQ(frame->GetTSPFrame()->SPAppoint(c.index, 0), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text.rfind("Could not load form", 0), 0u) << ui.messages[0].text;
        EXPECT_EQ(Page().GetSPIndex(), 0);
        EXPECT_EQ(Page().GetEACount(), actions);
        EXPECT_EQ(Page().GetCurrentEAIndex(), current);
        EXPECT_TRUE(Page().IsRedoable());
        EXPECT_EQ(Page().GetWObjCount(), 1);
        // The page's cache writes the visible form, not the unreadable one.
        Page().SetCached(0);
        FireTimerForTest(&Page(), nDSG_DSPTIMER__CACHE);
    }
    EXPECT_EQ(testsupport::ReadFileBytes(damaged), std::string("\x07\x00\xff garbage", 11));
    EXPECT_FALSE(IsPathExisting(dir + "/Missing.frm"));
    // The visible form was written to its own file on every attempt.
    CDsgEActions reread;
    int level = 0;
    ASSERT_TRUE(reread.EActionsFromFile(dir + "/Form1.frm", level));
    EXPECT_EQ(reread.GetEACount(), Page().GetEACount());
}

// A form list whose count promises more forms than it names: the named forms
// come back, the user is told, and the list is written again so that a form
// added next takes the place after them.
TEST_F(MainFrameTest, RecoveryOfADamagedFormListSaysSoAndLosesNothing) {
    ASSERT_EQ(Init(), 1);
    const std::string ini = dir + "/" + LSD_INI_FILE;
    const std::vector<std::string> names = {"Main", "Menu", "Help"};
    for (size_t i = 0; i < names.size(); ++i) {
        CDsgEActions form;
        ASSERT_TRUE(CDsgLSDAction().AddELSFile(form, names[i]));
    }
    std::vector<std::string> bytes;
    for (const std::string& name : names)
        bytes.push_back(testsupport::ReadFileBytes(dir + "/" + name + ".frm"));
    ASSERT_TRUE(SetIniString(ini, "SPCount", "1000", LSD_INI_SECTION));
    ASSERT_TRUE(SetIniString(ini, "UComplete", "0", LSD_INI_SECTION));
    ClearIniCache();

    ASSERT_TRUE(CDsgLSDAction().LSDReset(TRUE, TRUE, TRUE, TRUE));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "The last unsaved data will be restored.");
    EXPECT_EQ(ui.messages[1].text,
              "The form list of the working folder is damaged. 3 of 1000 forms were restored.");
    ASSERT_EQ(frame->TSPGetPageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frame->GetTSPFrame()->GetTSPageBySPIndex(i)->GetSPName(), names[i]);
        EXPECT_EQ(testsupport::ReadFileBytes(dir + "/" + names[i] + ".frm"), bytes[i]);
    }
    ClearIniCache();
    EXPECT_EQ(GetIniString(ini, "SPCount", LSD_INI_SECTION, ""), "3");
    EXPECT_EQ(Page().GetSPIndex(), 0);

    CDsgEActions added;
    ASSERT_TRUE(CDsgLSDAction().AddELSFile(added, "Extra"));
    ClearIniCache();
    EXPECT_EQ(GetIniString(ini, "Form3Name", LSD_INI_SECTION, ""), "Extra");
    EXPECT_EQ(GetIniString(ini, "SPCount", LSD_INI_SECTION, ""), "4");
}

TEST_F(MainFrameTest, DiagnosticsModeLogsBesideTheLibraryWithAWindow) {
    const std::string marker = GetDeveloperMarkerPath();
    MakeFolderPathFor(marker);
    testsupport::WriteFileBytes(marker, "");
    ForgetDeveloperMarker();
    const std::string log = GetDsgLibFilePath(DSG_LOGFILE);
    testsupport::WriteFileBytes(log, "an older session\r\n");

    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(GetSharedLogPath(), log);
    ASSERT_NE(frame->GetLogWindow(), nullptr);
    EXPECT_EQ(frame->GetLogWindow()->windowTitle(), QString("dsg.log"));
    EXPECT_TRUE(frame->GetLogWindow()->isVisible());
    EXPECT_EQ(frame->GetLogWindow()->height(), 550);
    // Emptied at the start, then written by the engine's log.
    EXPECT_EQ(testsupport::ReadFileBytes(log).find("older"), std::string::npos);
    LogWrite("hello");
    EXPECT_NE(testsupport::ReadFileBytes(log).find("hello"), std::string::npos);

    std::remove(marker.c_str());
    ForgetDeveloperMarker();
    FxSharedValues().ReleaseShared(GetSharedLogPathName(static_cast<unsigned long>(::getpid())));
}

// The band's hints follow the page's tool while nothing is chosen.
TEST(XFFrameTest, HintsFollowTheTool) {
    const std::string ctrlShift =
        "Use Mouse+Ctrl key to draw squared ones.\r\nUse Mouse+Shift key to draw symmetrical ones.";
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "Use tab key to select neighbor ones."},
        {1, ctrlShift},
        {2, ctrlShift + "\r\nUse Mouse+ALT key to draw continuous lines.\r\nThick and dotted lines "
                        "do not appear correctly on Windows 98 PC screen."},
        {5, ctrlShift + "\r\nDotted circles are not supported."},
        {6, ctrlShift},
        {7, ""},
        {100, ctrlShift + "\r\nYou can create up to 100 menus.\r\nMenu is valid only for Tavio."},
    };
    for (const auto& [tool, hints] : cases)
        EXPECT_EQ(CDsgXFFrame::GetToolHints(tool), hints) << tool;
}

// A tool picked on the palette shows its hints at once, not at the next
// click on the page.
TEST_F(MainFrameTest, PickingAToolRepaintsTheHints) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    QWidget* band = frame->GetXFFrame();
    ASSERT_TRUE(band && band->isVisible());
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } count;
    for (const auto& [button, tool] : {std::pair{24001, 2}, {24005, 5}, {24000, 0}}) {
        SCOPED_TRACE(button);
        QApplication::processEvents();
        band->installEventFilter(&count);
        count.paints = 0;
        QTest::mouseClick(frame->GetToolBox()->GetButton(button), Qt::LeftButton);
        QApplication::processEvents();
        band->removeEventFilter(&count);
        EXPECT_EQ(static_cast<CDsgXFFrame*>(band)->GetHintTool(), tool);
        EXPECT_GT(count.paints, 0);
    }
}

TEST_F(MainFrameTest, GridDialogOpensOnce) {
    ASSERT_EQ(Init(), 1);
    frame->SetUGrid();
    QWidget* first = static_cast<QWidget*>(GetDlgGrid());
    ASSERT_NE(first, nullptr);
    frame->SetUGrid();
    EXPECT_EQ(static_cast<QWidget*>(GetDlgGrid()), first);
    first->close();
    QApplication::processEvents();
}

// Tab never moves the focus inside the frame; on the page it acts once.
TEST_F(MainFrameTest, TabStaysWhereItIsPressed) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    host->activateWindow();
    QWidget* button = frame->GetUBar()->findChild<QPushButton*>();
    if (!button) button = frame->GetUBar();
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Tab);
    EXPECT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Backtab);
    EXPECT_TRUE(button->hasFocus());

    const int a = Make(nDSG_WOKIND__WOBOX, CRect(kDot, kDot, 9 * kDot, 9 * kDot));
    const int b = Make(nDSG_WOKIND__WOBOX, CRect(12 * kDot, kDot, 19 * kDot, 9 * kDot));
    Make(nDSG_WOKIND__WOBOX, CRect(22 * kDot, kDot, 29 * kDot, 9 * kDot));
    Page().setGeometry(100, 150, 500, 400);
    // A click on A makes it the reference of Tab.
    const CPoint onA = Page().LMToClientPoint(5 * kDot, kDot);
    QTest::mouseClick(&Page(), Qt::LeftButton, {}, QPoint(onA.x, onA.y));
    ASSERT_EQ(Page().GetCWOCHId(), a);
    Page().setFocus();
    QTest::keyClick(&Page(), Qt::Key_Tab);
    EXPECT_TRUE(Page().hasFocus());
    EXPECT_EQ(Page().GetCWOCHId(), b);  // one step, not two
}

// Keys typed right after a text or a menu was drawn go into the new object:
// its edit is empty and takes the focus, and the panel shows the new
// object's attributes, not the last object's.
TEST_F(MainFrameTest, TypingAfterDrawingATextOrMenuFillsTheNewObject) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    CDlgXFText* panel = frame->GetXFFrame()->GetTextPanel();
    ASSERT_NE(panel, nullptr);
    // A menu titled "OK" was the last object the panel showed.
    const int old = Draw(100, At(10, 10), At(40, 20));
    RunFocusTimers();
    QTest::keyClicks(QApplication::focusWidget(), "OK");
    ASSERT_EQ(Script(old), "OK");
    Press(At(20, 15));  // a click on it fills the panel from it
    Release(At(20, 15));
    ASSERT_EQ(Page().GetCWOCHId(), old);
    ASSERT_EQ(panel->GetTextEdit()->GetScriptText(), "OK");

    struct Case {
        const char* name;
        int tool;
        CDsgScriptEdit* edit;
        const char* typed;
        int style;  // the style box's position, -1 when it is hidden
        int left;   // apart, so that no drag starts on a chosen object's grip
    };
    const std::vector<Case> cases = {
        {"text", 3, panel->GetTextEdit(), "Hi", -1, 5},
        {"menu", 100, panel->GetTitleEdit(), "Go", 2, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        panel->GetStyleCombo()->setCurrentIndex(0);
        const int id = Draw(c.tool, At(c.left, 30), At(c.left + 40, 45));
        ASSERT_NE(Page().GetWObjById(id), nullptr);
        EXPECT_EQ(frame->GetXFFrame()->GetShownPanel(), panel);
        EXPECT_TRUE(c.edit->isVisible());
        EXPECT_EQ(c.edit->GetScriptText(), "");
        if (c.style >= 0) {
            EXPECT_EQ(panel->GetStyleCombo()->currentIndex(), c.style);
            EXPECT_EQ(Page().GetWObjById(id)->GetUTProps().GetInt(szUTP_WONSTYLE, -1), c.style);
        }
        RunFocusTimers();
        EXPECT_EQ(QApplication::focusWidget(), c.edit);
        QTest::keyClicks(QApplication::focusWidget(), c.typed);
        EXPECT_EQ(Script(id), c.typed);
        EXPECT_EQ(Script(old), "OK");
    }
}

// The position bar shows the chosen objects' rectangle after every change of
// them or of the choice, and the rubber band while one is drawn: each step of
// a session by mouse, keys, menu commands, history and form tabs is followed
// by a look at the bar.
TEST_F(MainFrameTest, PositionBarFollowsTheChoiceThroughEveryChange) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    ASSERT_TRUE(CDsgLSDAction().AddELSFile(CDsgEActions(), "B"));
    ASSERT_TRUE(frame->TSPAddPage("B"));
    ASSERT_EQ(frame->GetTSPFrame()->SPAppoint(0, 0), 1);
    CDlgWOPos& bar = *frame->GetWOPos();
    const int ids[6] = {IDC_WOPOS_LEFT,   IDC_WOPOS_RIGHT, IDC_WOPOS_TOP,
                        IDC_WOPOS_BOTTOM, IDC_WOPOS_WIDTH, IDC_WOPOS_HEIGHT};
    const auto shown = [&] {
        std::vector<std::string> texts;
        for (int id : ids) texts.push_back(bar.GetEdit(id)->text().toStdString());
        return texts;
    };
    const auto fields = [](const CRect& r) {
        return std::vector<std::string>{std::to_string(r.left / kDot),
                                        std::to_string(r.right / kDot),
                                        std::to_string(r.top / kDot),
                                        std::to_string(r.bottom / kDot),
                                        std::to_string(r.right / kDot - r.left / kDot + 1),
                                        std::to_string(r.bottom / kDot - r.top / kDot + 1)};
    };
    // The box around the chosen objects, as the page holds them now.
    const auto choiceRect = [&]() -> std::optional<CRect> {
        std::set<int> chosen;
        Page().GetAllWOCHIds(chosen);
        std::optional<CRect> box;
        for (int id : chosen) {
            CRect r = Page().GetWObjRect(id);
            r.NormalizeRect();
            if (!box) box = r;
            box = CRect(std::min(box->left, r.left), std::min(box->top, r.top),
                        std::max(box->right, r.right), std::max(box->bottom, r.bottom));
        }
        return box;
    };
    const auto lm = [&](QPoint p) { return Page().ClientToLMPoint(p.x(), p.y()); };

    int a = -1;
    QPoint grip;
    std::optional<CRect> band;  // the rubber band expected while it is drawn
    struct Step {
        const char* name;
        std::function<void()> act;
    };
    const std::vector<Step> steps = {
        {"box drawn", [&] { a = Draw(1, At(10, 10), At(30, 20)); }},
        {"moving",
         [&] {
             Move(At(20, 15));  // over the box
             Press(At(20, 15));
             Move(At(24, 18));
             Move(At(27, 22));
         }},
        {"moved", [&] { Release(At(27, 22)); }},
        {"resizing",
         [&] {
             const CRect r = Page().GetWObjRect(a);
             const CPoint corner = Page().LMToClientPoint(r.right, r.bottom);
             grip = QPoint(corner.x, corner.y);
             Move(grip);
             Press(grip);
             Move(grip + QPoint(30, 20));
         }},
        {"resized", [&] { Release(grip + QPoint(30, 20)); }},
        {"arrow key",
         [&] {
             Page().setFocus();
             QTest::keyClick(&Page(), Qt::Key_Right);
         }},
        {"arrow key with Shift",
         [&] { QTest::keyClick(&Page(), Qt::Key_Down, Qt::ShiftModifier); }},
        {"centred", [&] { SendMessage(frame, WM_COMMAND, nDSG_CMD__XYCENTER, 0); }},
        {"second box drawn", [&] { Draw(1, At(70, 40), At(100, 60)); }},
        {"rubber band",
         [&] {
             Press(At(105, 63));
             Move(At(80, 50));
             Move(At(65, 35));
             band = CRect(lm(At(105, 63)), lm(At(65, 35)));
             band->NormalizeRect();
         }},
        {"band released",
         [&] {
             Release(At(65, 35));
             band.reset();
         }},
        {"all chosen", [&] { QTest::keyClick(&Page(), Qt::Key_A, Qt::ControlModifier); }},
        {"aligned to the left", [&] { SendMessage(frame, WM_COMMAND, nDSG_CMD__LPALIGN, 0); }},
        {"undone", [&] { Page().UndoEActionAndSRefresh(); }},
        {"redone", [&] { Page().RedoEActionAndSRefresh(); }},
        {"maximised", [&] { SendMessage(frame, WM_COMMAND, nDSG_CMD__MRINFLATE, 0); }},
        {"other form", [&] { ASSERT_EQ(frame->GetTSPFrame()->SPAppoint(1, 0), 1); }},
        {"object chosen there",
         [&] {
             Draw(4, At(60, 5), At(90, 25));
             Press(At(70, 10));
             Release(At(70, 10));
         }},
        {"back to the first form", [&] { ASSERT_EQ(frame->GetTSPFrame()->SPAppoint(0, 0), 1); }},
    };
    std::vector<std::string> last;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        const std::optional<CRect> expected = band ? band : choiceRect();
        const std::vector<std::string> now = shown();
        if (expected)
            EXPECT_EQ(now, fields(*expected));
        else
            EXPECT_EQ(now, std::vector<std::string>(6));
        EXPECT_NE(now, last) << "every step changes what the bar shows";
        last = now;
        EXPECT_EQ(bar.GetEdit(IDC_WOPOS_LEFT)->isEnabled(), Page().GetWOCHCount() == 1 && !band);
    }
    EXPECT_EQ(Page().GetWObjCount(), 2);
}

TEST_F(MainFrameTest, FilesBesideTheLibraryFollowTheProgramFolder) {
    EXPECT_EQ(GetDsgLibFilePath(DSG_LAYOUTFILE),
              GetFolder(FolderKind::Program) + "/" + DSG_LAYOUTFILE);
    EXPECT_EQ(GetDsgLibFilePath("x"), CDsgGOption::GetGOptionFolder() + "/x");
}

}  // namespace

namespace {

// A form put on the page (a new form, a switch, a load) comes with nothing
// chosen: the property host and the position bar show no object, and
// nothing typed into them reaches an object of another form.
TEST_F(MainFrameTest, AFormPutOnThePageShowsNoObjectOfTheFormBefore) {
    ASSERT_EQ(Init(), 1);
    OpenForm();
    CDsgXFFrame& panels = *frame->GetXFFrame();
    QWidget* empty = panels.GetShownPanel();
    auto chooseText = [&] {
        const int id = Draw(4, At(10, 10), At(60, 25));
        Press(At(20, 15));
        Release(At(20, 15));
        ASSERT_EQ(Page().GetCWOCHId(), id);
        ASSERT_NE(panels.GetShownPanel(), empty);
        ASSERT_FALSE(frame->GetWOPos()->findChildren<QLineEdit*>().front()->text().isEmpty());
    };
    auto expectNothingShown = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(Page().GetWOCHCount(), 0);
        EXPECT_EQ(panels.GetShownPanel(), empty);
        for (QLineEdit* edit : frame->GetWOPos()->findChildren<QLineEdit*>())
            EXPECT_TRUE(edit->text().isEmpty() || !edit->isEnabled()) << edit->text().toStdString();
    };
    chooseText();
    dsgtesting::AnswerFormName("Second");
    frame->GetUBar()->OnAddSPage();
    SetDialogHook({});
    expectNothingShown("new form");
    chooseText();
    ASSERT_EQ(frame->GetTSPFrame()->SPAppoint(0, 0), 1);
    expectNothingShown("switched");
    // The form shown now holds a text already: choose it.
    Press(At(20, 15));
    Release(At(20, 15));
    ASSERT_EQ(Page().GetWOCHCount(), 1);
    ASSERT_FALSE(frame->GetWOPos()->findChildren<QLineEdit*>().front()->text().isEmpty());
    ASSERT_TRUE(CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE));
    expectNothingShown("new project");
}

}  // namespace
