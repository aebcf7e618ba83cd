// The design page's commands: each changes the chosen objects as one undo
// step whose last action carries no join mark.

#include <QMenu>
#include <functional>
#include <limits>
#include <map>
#include <vector>

#include "design/model/dsgeaction.h"
#include "design/model/dsghdata.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/tests/pagetesting.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/textcodec.h"

namespace {

using pagetesting::PageTest;
constexpr int kDot = pagetesting::kDot;

class CommandTest : public PageTest {
protected:
    // Appends the creation and geometry of an object as a drag does.
    int Make(int kind, const CRect& rect, const CDsgUTProps& attributes = CDsgUTProps()) {
        const int id = dsgtesting::AppendCreationDrag(*page, kind, rect, attributes);
        page->RebuildWObjs();
        return id;
    }
    void Choose(const std::vector<int>& ids) {
        page->ResetWOChoice();
        for (int id : ids) page->WOChoose(id);
        page->SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    }
    std::map<int, CRect> Rects() const {
        std::map<int, CRect> rects;
        for (int id : page->GetZOrder()) rects[id] = page->GetWObjRect(id);
        return rects;
    }
    const CDsgEAction* Last() const { return page->GetEAction(page->GetEACount() - 1); }
};

struct CommandCase {
    const char* name;
    std::vector<int> choice;  // the first is the current object
    std::function<void(CDsgDSPFrame&)> run;
    std::map<int, CRect> changed;  // objects whose rectangle changes
    int actions;                   // actions the command records
};

CRect D(double l, double t, double r, double b) {
    return {static_cast<LONG>(l * kDot), static_cast<LONG>(t * kDot), static_cast<LONG>(r * kDot),
            static_cast<LONG>(b * kDot)};
}

auto Align(const char* key) {
    return [key](CDsgDSPFrame& p) { p.AddAlignEAction(key, TRUE); };
}

TEST_F(CommandTest, CommandsChangeTheChoiceAsOneUndoStep) {
    // A is the reference: (10,10)-(30,20); B (50,30)-(60,50); C (100,5)-(140,25);
    // L a line (10,40)-(40,45); T a two-dot-high bar; M a mirrored box
    // (230,60)-(200,40).
    const std::vector<CommandCase> cases = {
        {"align to top",
         {0, 1, 2},
         Align("tpalign"),
         {{1, D(50, 10, 60, 30)}, {2, D(100, 10, 140, 30)}},
         3},
        {"align to bottom",
         {0, 1, 2},
         Align("bpalign"),
         {{1, D(50, 0, 60, 20)}, {2, D(100, 0, 140, 20)}},
         3},
        {"align to left",
         {0, 1, 2},
         Align("lpalign"),
         {{1, D(10, 30, 20, 50)}, {2, D(10, 5, 50, 25)}},
         3},
        {"align to right",
         {0, 1, 2},
         Align("rpalign"),
         {{1, D(20, 30, 30, 50)}, {2, D(-10, 5, 30, 25)}},
         3},
        {"same width",
         {0, 1, 2},
         Align("xsalign"),
         {{1, D(50, 30, 70, 50)}, {2, D(100, 5, 120, 25)}},
         3},
        {"same height",
         {0, 1, 2},
         Align("ysalign"),
         {{1, D(50, 30, 60, 40)}, {2, D(100, 5, 140, 15)}},
         3},
        {"same size",
         {0, 1, 2},
         Align("xysalign"),
         {{1, D(50, 30, 70, 40)}, {2, D(100, 5, 120, 15)}},
         3},
        {"same size keeps a mirrored box's visual left",
         {0, 5},
         Align("xysalign"),
         {{5, D(220, 50, 200, 40)}},
         2},
        {"same horizontal gap", {0, 1, 2}, Align("xlgalign"), {{1, D(60, 30, 70, 50)}}, 3},
        {"same vertical gap (ties keep the choice order)",
         {0, 1, 2},
         Align("ylgalign"),
         {{0, D(10, 5, 30, 15)}, {2, D(100, 12.5, 140, 32.5)}},
         3},
        {"equal spacing of two leaves both", {0, 2}, Align("xlgalign"), {}, 2},
        {"align needs a current object", {}, Align("tpalign"), {}, 0},
        {"equal spacing needs two", {0}, Align("xlgalign"), {}, 0},
        {"centre horizontally",
         {0},
         [](CDsgDSPFrame& p) { p.AddXCenterEAction(TRUE); },
         {{0, CRect(1499999, 100000, 1699999, 200000)}},
         1},
        {"centre vertically",
         {0},
         [](CDsgDSPFrame& p) { p.AddYCenterEAction(TRUE); },
         {{0, CRect(100000, 1149999, 300000, 1249999)}},
         1},
        {"centre",
         {0},
         [](CDsgDSPFrame& p) { p.AddXYCenterEAction(TRUE); },
         {{0, CRect(1499999, 1149999, 1699999, 1249999)}},
         1},
        {"centre a mirrored box",
         {5},
         [](CDsgDSPFrame& p) { p.AddXCenterEAction(TRUE); },
         {{5, CRect(1749999, 60 * kDot, 1449999, 40 * kDot)}},
         1},
        {"maximise",
         {0},
         [](CDsgDSPFrame& p) { p.AddMRInflateEAction(TRUE); },
         {{0, CRect(0, 0, 3199999, 2399999)}},
         1},
        {"maximise keeps the stored direction",
         {5},
         [](CDsgDSPFrame& p) { p.AddMRInflateEAction(TRUE); },
         {{5, CRect(3199999, 2399999, 0, 0)}},
         1},
        {"enlarge",
         {0},
         [](CDsgDSPFrame& p) { p.AddORInflateEAction(TRUE); },
         {{0, D(9, 9, 31, 21)}},
         1},
        {"enlarge a mirrored box",
         {5},
         [](CDsgDSPFrame& p) { p.AddORInflateEAction(TRUE); },
         {{5, D(231, 61, 199, 39)}},
         1},
        {"shrink",
         {0},
         [](CDsgDSPFrame& p) { p.AddORDeflateEAction(TRUE); },
         {{0, D(11, 11, 29, 19)}},
         1},
        {"shrink leaves an axis of two dots",
         {4},
         [](CDsgDSPFrame& p) { p.AddORDeflateEAction(TRUE); },
         {{4, D(11, 60, 29, 62)}},
         1},
        {"shrink of a line still records",
         {3},
         [](CDsgDSPFrame& p) { p.AddORDeflateEAction(TRUE); },
         {{3, D(11, 41, 39, 44)}},
         1},
        {"several: stretched as one box",
         {0, 1},
         [](CDsgDSPFrame& p) { p.AddORInflateEAction(TRUE); },
         {{0, CRect(90000, 90000, 298000, 195000)}, {1, CRect(506000, 300000, 610000, 510000)}},
         1},
        {"straighten a line",
         {3},
         [](CDsgDSPFrame& p) { p.AddACWOCHObjRAAlterEAction(TRUE); },
         {{3, D(10, 42.5, 40, 42.5)}},
         1},
        {"straighten what is straight: nothing",
         {4},
         [](CDsgDSPFrame& p) { p.AddACWOCHObjRAAlterEAction(TRUE); },
         {},
         0},
        {"resize by keys: the right edge",
         {0},
         [](CDsgDSPFrame& p) { p.AddWOCHObjsJIPRMoveEAction(-5 * kDot, 3 * kDot, TRUE); },
         {{0, D(10, 10, 25, 23)}},
         1},
        {"resize by keys: never below a dot",
         {0},
         [](CDsgDSPFrame& p) { p.AddWOCHObjsJIPRMoveEAction(-50 * kDot, 0, TRUE); },
         {{0, D(10, 10, 11, 20)}},
         1},
        {"resize by keys: a mirrored box's stored left",
         {5},
         [](CDsgDSPFrame& p) { p.AddWOCHObjsJIPRMoveEAction(5 * kDot, 0, TRUE); },
         {{5, D(235, 60, 200, 40)}},
         1},
        {"move by keys",
         {0, 1},
         [](CDsgDSPFrame& p) { p.AddWOCHObjsEDRMoveEAction(kDot, -kDot, TRUE); },
         {{0, D(11, 9, 31, 19)}, {1, D(51, 29, 61, 49)}},
         1},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        page->SPClear(FALSE, FALSE);
        Make(nDSG_WOKIND__WOBOX, D(10, 10, 30, 20));
        Make(nDSG_WOKIND__WOBOX, D(50, 30, 60, 50));
        Make(nDSG_WOKIND__WOBOX, D(100, 5, 140, 25));
        Make(nDSG_WOKIND__WOLINE, D(10, 40, 40, 45));
        Make(nDSG_WOKIND__WOFBOX, D(10, 60, 30, 62));
        Make(nDSG_WOKIND__WOBOX, D(230, 60, 200, 40));
        if (std::string(c.name).find("nothing") != std::string::npos) {
            page->ACWOChoose(4, TRUE);
            page->AddACWOCHObjRAAlterEAction(TRUE);
        }
        const std::map<int, CRect> before = Rects();
        const int count = page->GetEACount();
        Choose(c.choice);
        c.run(*page);
        EXPECT_EQ(page->GetEACount(), count + c.actions);
        std::map<int, CRect> expected = before;
        for (const auto& [id, rect] : c.changed) expected[id] = rect;
        EXPECT_EQ(Rects(), expected);
        if (c.actions == 0) continue;
        EXPECT_EQ(Last()->GetEASwift(), 0) << "no command ends joined";
        page->UndoEActionAndSRefresh();
        EXPECT_EQ(Rects(), before) << "one undo step";
        EXPECT_EQ(page->GetEACount(), count + c.actions);
    }
}

TEST_F(CommandTest, DepthDeleteAndAmendments) {
    const int a = Make(nDSG_WOKIND__WOBOX, D(10, 10, 30, 20));
    const int b = Make(nDSG_WOKIND__WOBOX, D(50, 30, 60, 50));
    const int c = Make(nDSG_WOKIND__WOBOX, D(100, 5, 140, 25));
    auto order = [&] {
        return std::vector<int>(page->GetZOrder().begin(), page->GetZOrder().end());
    };
    Choose({c});
    const int count = page->GetEACount();
    page->AddUZAlterEAction(TRUE);
    EXPECT_EQ(page->GetEACount(), count) << "the top object goes no higher";
    EXPECT_FALSE(page->IsWOEditCommandEnabled(nDSG_CMD__UZALTER));
    page->AddDZAlterEAction(TRUE);
    EXPECT_EQ(order(), (std::vector<int>{a, c, b}));
    Choose({a, b});
    page->AddDZAlterEAction(TRUE);
    EXPECT_EQ(order(), (std::vector<int>{a, c, b})) << "depth needs a single choice";

    // Amendments: recorded, or applied without an action while typing.
    CDsgWOAmending amending;
    amending.SetStringAmending(szUTP_DTSIZE, "3");
    const int before = page->GetEACount();
    page->SetWOEState(nDSG_WOES__NOT_WOCH);
    page->AddWOCHObjsWOAEAction(amending, TRUE);
    EXPECT_EQ(page->GetEACount(), before) << "not in state 1";
    page->SetWOEState(nDSG_WOES__WOCH_BUT_CANNOT_DO_ANYTHING);
    page->AddWOCHObjsWOAEAction(amending, TRUE);
    EXPECT_EQ(page->GetEACount(), before + 1);
    EXPECT_EQ(page->GetWObjById(b)->GetUTProps().GetString(szUTP_DTSIZE), "3");
    amending.SetStringAmending(szUTP_DTSIZE, "7");
    page->WOAmendWOCHObjs(amending);
    EXPECT_EQ(page->GetEACount(), before + 1);
    EXPECT_EQ(page->GetWObjById(a)->GetUTProps().GetString(szUTP_DTSIZE), "7");

    // Delete empties the choice; one undo brings the objects back.
    page->RebuildWObjs();
    Choose({a, b});
    page->OnWODeleteWOCHObjs();
    EXPECT_EQ(order(), (std::vector<int>{c}));
    EXPECT_EQ(page->GetWOCHCount(), 0);
    EXPECT_EQ(page->GetWOEState(), nDSG_WOES__NOT_WOCH);
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(page->GetWObjCount(), 3);
    // Choose all.
    page->ResetWOChoice();
    page->WOChooseAllWObjs();
    EXPECT_EQ(page->GetWOCHCount(), 3);
}

// ---- Line links ----------------------------------------------------------------

TEST_F(CommandTest, LinkingAndUnlinkingLinesEndUnjoined) {
    const int l1 = Make(nDSG_WOKIND__WOLINE, D(10, 10, 50, 10));
    const int l2 = Make(nDSG_WOKIND__WOLINE, D(52, 12, 52, 60));
    const int box = Make(nDSG_WOKIND__WOBOX, D(100, 100, 120, 120));
    const int count = page->GetEACount();
    page->TSKLGain(l1, l2);
    // The first line's end went onto the second's; a group with both ends.
    EXPECT_EQ(page->GetWObjRect(l1), D(10, 10, 52, 12));
    EXPECT_TRUE(page->IsWOKLGLinked(l1));
    EXPECT_TRUE(page->IsWOKLGLinked(l2));
    ASSERT_EQ(page->GetEACount(), count + 4);
    const std::vector<int> kinds = {
        page->GetEAction(count)->GetEAType(), page->GetEAction(count + 1)->GetEAType(),
        page->GetEAction(count + 2)->GetEAType(), page->GetEAction(count + 3)->GetEAType()};
    EXPECT_EQ(kinds, (std::vector<int>{nDSG_EATYPE__DRMOVE, nDSG_EATYPE__MCADD,
                                       nDSG_EATYPE__JATTACH, nDSG_EATYPE__JATTACH}));
    EXPECT_EQ(Last()->GetEASwift(), 0);
    // The next unrelated edit is undone alone.
    Choose({box});
    page->AddORInflateEAction(TRUE);
    page->UndoEActionAndSRefresh();
    EXPECT_TRUE(page->IsWOKLGLinked(l1)) << "the link stays";
    // Unlink: detaches, ends unjoined, one undo step.
    Choose({l1, l2});
    const int linked = page->GetCurrentEAIndex() + 1;
    page->AddWWKLGClearEActionsForAllWOCHObjs(TRUE);
    EXPECT_FALSE(page->IsWOKLGLinked(l1));
    EXPECT_FALSE(page->IsWOKLGLinked(l2));
    EXPECT_EQ(page->GetEACount(), linked + 2) << "each end detached once";
    EXPECT_EQ(Last()->GetEASwift(), 0);
    page->UndoEActionAndSRefresh();
    EXPECT_TRUE(page->IsWOKLGLinked(l2));

    struct Refusal {
        int first, second;
        const char* language;
        std::string text;
    };
    const std::vector<Refusal> refusals = {
        {l1, 99, "eng", "The object was not selected correctly."},
        {l1, box, "eng", "Each object must be line in order to link"},
        {99, l1, "kor", A("객체가 올바르게 선택되지 않았습니다.")},
        {box, l2, "kor", A("두 객체가 모두 라인이어야 접점 연결이 가능합니다.")},
    };
    for (const Refusal& r : refusals) {
        FxSharedValues().PutSharedByKey(SHARED_KEY_LANGUAGE, r.language);
        ui.messages.clear();
        const int actions = page->GetEACount();
        page->TSKLGain(r.first, r.second);
        EXPECT_EQ(page->GetEACount(), actions);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, r.text);
        EXPECT_EQ(ui.messages[0].caption, "Error");
    }
    FxSharedValues().ReleaseShared(CFxSharedValues::MakeSharedName(SHARED_KEY_LANGUAGE));
    ui.messages.clear();
    page->TSKLGain(-1, l1);
    EXPECT_TRUE(ui.messages.empty()) << "negative ids do nothing";
}

// ---- Copy and paste ----------------------------------------------------------------

TEST_F(CommandTest, PasteOffsetsCopiesInTheirOwnFormOnly) {
    host->slotNumber = 2;
    const int a = Make(nDSG_WOKIND__WOBOX, D(10, 20, 30, 40));
    const int b = Make(nDSG_WOKIND__WOLINE, D(60, 50, 40, 70));
    Choose({a, b});
    page->OnCopy();
    // The same form of the same instance: moved by minus the top-left point.
    page->OnPaste();
    EXPECT_EQ(page->GetWObjCount(), 4);
    EXPECT_EQ(page->GetWOCHCount(), 2);
    EXPECT_EQ(Last()->GetEAType(), nDSG_EATYPE__WOCREATE_WOMULTILY);
    EXPECT_EQ(page->GetWObjRect(b + 1), D(0, 0, 20, 20));
    EXPECT_EQ(page->GetWObjRect(b + 2), D(50, 30, 30, 50));
    // Another form keeps the positions.
    page->SetSPIndex(1);
    page->OnPaste();
    EXPECT_EQ(page->GetWObjRect(b + 3), D(10, 20, 30, 40));
    EXPECT_EQ(page->GetWObjRect(b + 4), D(60, 50, 40, 70));
    page->UndoEActionAndSRefresh();
    EXPECT_EQ(page->GetWObjCount(), 4) << "a paste is one step";
    // Cut: copied and deleted.
    Choose({a});
    page->OnCut();
    EXPECT_EQ(page->GetWObjById(a), nullptr);
    host->log.clear();
    page->SetCached(1);
    page->OnPaste();
    EXPECT_TRUE(host->Asked("eaadded")) << "a single pasted object is a change";
    EXPECT_EQ(page->GetCached(), 0);
    EXPECT_EQ(page->GetWObjRect(page->GetCWOCHId()), D(0, 0, 20, 20))
        << "cut and pasted in one form";
    EXPECT_EQ(Last()->GetEAType(), nDSG_EATYPE__WOCREATE);
}

TEST_F(CommandTest, CopyInOneProcessPasteInAnother) {
    host->slotNumber = 0;
    lsdtesting::OtherInstance other([] {
        // Another designer (slot 3) copies its form 0's two boxes.
        eatesting::Form form;
        eatesting::CreateDragged(form, nDSG_WOKIND__WOBOX, D(10, 20, 30, 40));
        eatesting::CreateDragged(form, nDSG_WOKIND__WOFBOX, D(40, 60, 50, 70));
        CDsgHDAction buffer;
        int counter = -1;
        buffer.HDSetWObjs(3, form, TRUE, counter);
        buffer.m_nSPIndex = 0;
        return buffer.HDWrite() ? 0 : 1;
    });
    ASSERT_EQ(other.Result(), 0);
    CDsgHDAction probe;
    EXPECT_TRUE(probe.CanPasteWObjs());
    page->OnPaste();
    ASSERT_EQ(page->GetWObjCount(), 2);
    EXPECT_EQ(Rects(), (std::map<int, CRect>{{0, D(10, 20, 30, 40)}, {1, D(40, 60, 50, 70)}}))
        << "another instance's form: positions kept";
    EXPECT_EQ(page->GetWOCHCount(), 2);
    EXPECT_EQ(other.End(), 0);
}

TEST_F(CommandTest, PastingIntoAFormFullOfMenus) {
    for (int i = 0; i < 100; ++i) {
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        create->InitWOCreation(page->WOIdCounter(), nDSG_WOKIND__WOMENU, D(0, 0, 10, 10),
                               CDsgUTProps(), FALSE);
        page->EAAdd(std::move(create));
    }
    const int box = Make(nDSG_WOKIND__WOBOX, D(10, 20, 30, 40));
    const int line = Make(nDSG_WOKIND__WOLINE, D(10, 50, 30, 50));
    struct Case {
        const char* name;
        std::vector<int> copied;
        bool refused;
    };
    for (const Case& c : {Case{"two plain objects", {box, line}, true}, Case{"one menu", {0}, true},
                          Case{"one box", {box}, false}}) {
        SCOPED_TRACE(c.name);
        Choose(c.copied);
        page->OnCopy();
        page->SetSPIndex(1);
        ui.messages.clear();
        const int count = page->GetEACount();
        page->OnPaste();
        page->SetSPIndex(0);
        EXPECT_EQ(page->GetEACount(), count + (c.refused ? 0 : 1));
        EXPECT_EQ(ui.messages.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(ui.messages[0].text, "You cannot create more than 100 menus !");
            EXPECT_EQ(page->GetWOEState(), nDSG_WOES__NOT_WOCH);
        }
    }
}

TEST_F(CommandTest, ClearingWritesTheWorkingFileFirstWhenAsked) {
    Make(nDSG_WOKIND__WOBOX, D(10, 20, 30, 40));
    EXPECT_EQ(page->SPClear(TRUE, TRUE), 0) << "no working file for an unnamed form";
    EXPECT_EQ(page->GetEACount(), 2);
    ASSERT_TRUE(
        SetIniString(host->workDir + "/" + LSD_INI_FILE, "Form0Name", "Main", LSD_INI_SECTION));
    EXPECT_EQ(page->SPClear(TRUE, TRUE), 1);
    EXPECT_EQ(page->GetEACount(), 0);
    EXPECT_EQ(page->GetWObjCount(), 0);
    EXPECT_TRUE(IsPathExisting(host->workDir + "/Main.frm"));
}

}  // namespace

namespace {

// Stored rectangles at the ends of the int range: every command and the
// drawing hold their sums there instead of overflowing.
TEST_F(CommandTest, CommandsAndDrawingOnExtremeRectangles) {
    constexpr LONG kMin = std::numeric_limits<LONG>::min(), kMax = std::numeric_limits<LONG>::max();
    const std::vector<std::function<void(CDsgDSPFrame&)>> commands = {
        Align("tpalign"),
        Align("bpalign"),
        Align("rpalign"),
        Align("xysalign"),
        Align("xlgalign"),
        Align("ylgalign"),
        [](CDsgDSPFrame& p) { p.AddXYCenterEAction(TRUE); },
        [](CDsgDSPFrame& p) { p.AddORInflateEAction(TRUE); },
        [](CDsgDSPFrame& p) { p.AddORDeflateEAction(TRUE); },
        [](CDsgDSPFrame& p) { p.AddMRInflateEAction(TRUE); },
        [](CDsgDSPFrame& p) { p.AddACWOCHObjRAAlterEAction(TRUE); },
        [](CDsgDSPFrame& p) { p.AddWOCHObjsJIPRMoveEAction(kMax, kMin, TRUE); },
        [](CDsgDSPFrame& p) { p.AddWOCHObjsEDRMoveEAction(kMax, kMax, TRUE); },
        [](CDsgDSPFrame& p) {
            p.OnCopy();
            p.OnPaste();
        },
    };
    for (size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(i);
        page->SPClear(FALSE, FALSE);
        CDsgUTProps huge;
        huge.SetString(szUTP_DTSIZE, "10000000");
        huge.SetString(szUTP_DTSPACE, "-5");
        Make(nDSG_WOKIND__WOBOX, CRect(kMin, kMin, kMax, kMax), huge);
        Make(nDSG_WOKIND__WOLINE, CRect(kMax, kMin, kMin, kMax), huge);
        Make(nDSG_WOKIND__WOELLIPSE, CRect(kMax - 5, kMax - 5, kMax, kMax));
        Choose({0, 1, 2});
        commands[i](*page);
        QImage lcd;
        EXPECT_EQ(page->RedrawDSPFrame(&lcd), 1);
        page->UndoEActionAndSRefresh();
    }
}

}  // namespace
