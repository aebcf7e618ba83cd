#include "design/model/dsgeactions.h"

#include <gtest/gtest.h>

#include "design/model/tests/eactionstesting.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

using namespace eatesting;

namespace {

// A small form: a box and a line, each made by a creation drag, the box
// moved, the line amended (six actions).
void MakeSample(Form& form) {
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 50000, 50000));
    const int line = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(90000, 90000, 10000, 10000));
    form.Do(&CDsgEAction::InitDRMoving, box, CRect(10000, 10000, 60000, 60000));
    form.Do(&CDsgEAction::InitWOAmending, line, FALSE, TextAmend("UTP.dtsize", "2"));
}

// What a form shows: its objects' rectangles and attributes.
std::string Picture(const Form& form) {
    std::string text = form.Rects();
    for (int id : form.GetZOrder())
        text += ";" + static_cast<const CDsgUTProps&>(*form.GetWObjById(id)).GetText();
    return text;
}

CRevolver RecordOf(const Form& form, BOOL withIndex) {
    CRevolver buffer;
    EXPECT_TRUE(form.EActionsToRevolver(buffer, withIndex));
    return buffer;
}

// A form of one text object (two actions) that a refused read must keep.
struct Target : Form {
    Target() { CreateDragged(*this, nDSG_WOKIND__WOTEXT, CRect(1, 1, 2, 2)); }
};

}  // namespace

TEST(DsgEActionsTest, UndoAndRedoMoveJoinedPairsTogether) {
    Form form;
    form.Undo();
    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);
    MakeSample(form);
    const std::string full = Picture(form);
    // Each step: undo (-) or redo (+), then the current index and what shows.
    // The creation of an object and its first geometry go as one step.
    const struct {
        char op;
        int current;
        std::string rects;
    } steps[] = {{'-', 4, "0:10000,10000,60000,60000 1:90000,90000,10000,10000"},
                 {'-', 3, "0:0,0,50000,50000 1:90000,90000,10000,10000"},
                 {'-', 1, "0:0,0,50000,50000"},
                 {'-', -1, ""},
                 {'-', -1, ""},
                 {'+', 1, "0:0,0,50000,50000"},
                 {'+', 3, "0:0,0,50000,50000 1:90000,90000,10000,10000"},
                 {'+', 4, "0:10000,10000,60000,60000 1:90000,90000,10000,10000"},
                 {'+', 5, "0:10000,10000,60000,60000 1:90000,90000,10000,10000"},
                 {'+', 5, "0:10000,10000,60000,60000 1:90000,90000,10000,10000"}};
    for (const auto& step : steps) {
        if (step.op == '-')
            form.Undo();
        else
            form.Redo();
        EXPECT_EQ(form.GetCurrentEAIndex(), step.current) << step.op << step.current;
        EXPECT_EQ(form.Rects(), step.rects) << step.op << step.current;
        EXPECT_EQ(form.IsUndoable(), step.current >= 0);
        EXPECT_EQ(form.IsRedoable(), step.current < 5);
    }
    EXPECT_EQ(Picture(form), full);
}

TEST(DsgEActionsTest, AppendingCutsTheRedoTail) {
    Form form;
    MakeSample(form);
    for (int i = 0; i < 3; ++i) form.Undo();
    // The counter is not taken back by undo: the ellipse gets a new id.
    EXPECT_EQ(CreateDragged(form, nDSG_WOKIND__WOELLIPSE, CRect(1, 1, 5, 5)), 2);
    EXPECT_EQ(form.GetEACount(), 4);
    EXPECT_FALSE(form.IsRedoable());
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{0, 2}));

    // After undoing everything an append replaces the whole list. Redo stops
    // at the last action even when it is joined to a following one.
    form.Undo();
    form.Undo();
    form.Do(&CDsgEAction::InitWOCreation, form.WOIdCounter(), nDSG_WOKIND__WOBOX, CRect(),
            CDsgUTProps(), TRUE);
    EXPECT_EQ(form.GetEACount(), 1);
    form.Undo();
    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 0);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{3}));
}

TEST(DsgEActionsTest, AppendNeedsAnOpenFormAndTellsTheMainFrame) {
    Form closed(TRUE);
    closed.SetSPIndex(-1);
    EXPECT_FALSE(closed.EAAdd(Made(&CDsgEAction::InitDRMoving, 0, CRect())));
    EXPECT_EQ(closed.GetEACount(), 0);
    EXPECT_TRUE(closed.notices.empty());

    // The creation itself is not told, its geometry is, before the append.
    Form form(TRUE), quiet(FALSE);
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 9, 9));
    EXPECT_EQ(form.countAtNotice, 1);
    // Text typed into an object is not told.
    form.Do(&CDsgEAction::InitWOAmending, box, FALSE, TextAmend("UTP.lscript", "a"));
    form.Do(&CDsgEAction::InitWOAmending, box, FALSE, TextAmend("UTP.dtsize", "1"));
    EXPECT_EQ(form.notices, (std::vector<int>{nDSG_EATYPE__WOCERDRMOVE, nDSG_EATYPE__WOAMEND}));
    CreateDragged(quiet, nDSG_WOKIND__WOBOX, CRect(0, 0, 9, 9));
    EXPECT_TRUE(quiet.notices.empty());
}

TEST(DsgEActionsTest, DeletingTheLastAction) {
    Form form;
    EXPECT_FALSE(form.DeleteLastEAction());
    MakeSample(form);
    EXPECT_FALSE(form.DeleteLastEActionIfLScriptWOAmend());  // amends UTP.dtsize
    form.Do(&CDsgEAction::InitWOAmending, 0, FALSE, TextAmend("UTP.lscript", "a"));
    EXPECT_TRUE(form.DeleteLastEActionIfLScriptWOAmend());
    EXPECT_EQ(form.GetEACount(), 6);
    EXPECT_EQ(form.GetCurrentEAIndex(), 5);

    // The current one deleted: the new last becomes current; otherwise the
    // position stays.
    EXPECT_TRUE(form.DeleteLastEAction());
    EXPECT_EQ(form.GetCurrentEAIndex(), 4);
    form.Undo();
    EXPECT_TRUE(form.DeleteLastEAction());
    EXPECT_EQ(form.GetCurrentEAIndex(), 3);
    while (form.DeleteLastEAction()) {
    }
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);

    form.SetWOIdCounter(5);
    form.WOChoose(0);
    form.ResetEActions();
    EXPECT_EQ(form.GetWOIdCounter() + form.GetWOCHCount(), 0);
}

TEST(DsgEActionsTest, RecordHoldsExactKeysInEachStyle) {
    Form form;
    MakeSample(form);
    form.SetKLeaderCounter(4);
    form.Undo();
    for (bool s : {false, true}) {
        KeyStyleScope scope(s ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
        Dump expected = Styled(s, {{"EAS.eacount|action_count", {kInt, "6"}},
                                   {"EAS.wocount|ctoc", {kInt, "2"}},
                                   {"EAS.nextkleader|ctlc", {kInt, "4"}},
                                   {"EAS.wrversion|this_ver", {kInt, "242"}},
                                   {"EAS.erqversion|erqversion", {kInt, "235"}},
                                   {"EAS.frqversion|frqversion", {kInt, "235"}},
                                   {"EAS.grqversion|grqversion", {kInt, "215"}},
                                   {"min_ver", {kInt, "100"}},
                                   {"EAS.internal_file_type|internal_file_type", {kText, "gle"}},
                                   {"reserved_87362", {kText, "18932"}}});
        CRevolver action;
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(form.GetEAction(i)->EActionToRevolver(action));
            expected[(s ? "a" : "EAS.ea") + std::to_string(i)] = {kBlock, ContentOf(action)};
        }
        EXPECT_EQ(DumpOf(RecordOf(form, FALSE)), expected);
        expected[s ? "adv_index" : "EAS.eaaindex"] = {kInt, "4"};
        EXPECT_EQ(DumpOf(RecordOf(form, TRUE)), expected);
    }
}

TEST(DsgEActionsTest, ReadingRestoresObjectsPositionAndCounters) {
    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        Form form;
        MakeSample(form);
        form.SetKLeaderCounter(1);
        form.Undo();
        Form back;
        int level = -1;
        ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, TRUE), level));
        EXPECT_EQ(level, nDSG_EAVERSION__OK);
        EXPECT_EQ(back.GetCurrentEAIndex(), 4);
        EXPECT_EQ(back.GetWOIdCounter() * 10 + back.GetKLeaderCounter(), 21);
        ASSERT_TRUE(back.Rebuild());
        EXPECT_EQ(Picture(back), Picture(form));
        back.Redo();
        form.Redo();
        EXPECT_EQ(Picture(back), Picture(form));

        // Without the index the last action is current.
        ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, FALSE), level));
        EXPECT_EQ(back.GetCurrentEAIndex(), 5);
        // Everything undone: the index written equals the count, nothing is
        // current.
        while (form.IsUndoable()) form.Undo();
        const CRevolver none = RecordOf(form, TRUE);
        EXPECT_EQ(DumpOf(none).at(style == KEYSTYLE_SHORT ? "adv_index" : "EAS.eaaindex").second,
                  "6");
        ASSERT_TRUE(back.EActionsFromRevolver(none, level));
        EXPECT_EQ(back.GetCurrentEAIndex(), -1);
        ASSERT_TRUE(back.Rebuild());
        EXPECT_EQ(back.GetWObjCount(), 0);
    }
}

TEST(DsgEActionsTest, VersionGate) {
    Form form;
    MakeSample(form);
    const CRevolver good = RecordOf(form, FALSE);
    auto versions = [&](int grq, int frq, int erq) {
        return Edited(good, [=](CFxPropStore& s) {
            s.SetInt("EAS.grqversion", grq);
            s.SetInt("EAS.frqversion", frq);
            s.SetInt("EAS.erqversion", erq);
        });
    };
    // A record that needs a newer program is refused; what was there stays.
    const struct {
        CRevolver record;
        int level;
        const char* text;
        const char* caption;
    } cases[] = {
        {versions(243, 300, 300), nDSG_EAVERSION__REFUSED,
         "Loading canceled for version problem. Please upgrade Dravik.", "Load error"},
        {versions(242, 243, 300), nDSG_EAVERSION__MIXED,
         "Dravik version is old. Data may appear mixed-up. Please upgrade your Dravik.",
         "Unsuitable Program Version"},
        {versions(100, 242, 243), nDSG_EAVERSION__OMIT,
         "Dravik version is old. Some elements could be omitted. Please upgrade your Dravik.",
         "Unsuitable Program Version"},
        {versions(242, 242, 242), nDSG_EAVERSION__OK, "", nullptr}};
    for (const auto& c : cases) {
        Target target;
        int level = 0;
        EXPECT_EQ(target.EActionsFromRevolver(c.record, level), c.level != nDSG_EAVERSION__REFUSED);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(target.GetEACount(), c.level == nDSG_EAVERSION__REFUSED ? 2 : 6);
        std::string caption;
        EXPECT_EQ(CDsgEActions::GetEAVersionMessage(level, caption), c.text);
        if (c.caption) {
            EXPECT_EQ(caption, c.caption);
        }
    }

    // Writers of 119 and below carry only "min_ver"; from 120 on the version
    // keys are needed.
    auto old = [&](int writer, bool withMin) {
        return Edited(good, [=](CFxPropStore& s) {
            s.SetInt("EAS.wrversion", writer);
            for (const char* key : {"EAS.grqversion", "EAS.frqversion", "EAS.erqversion"})
                s.RenameKey(key, std::string("x") + key);
            if (!withMin) s.RenameKey("min_ver", "x");
        });
    };
    Target target;
    int level = 0;
    ASSERT_TRUE(target.EActionsFromRevolver(old(119, true), level));
    EXPECT_EQ(level, nDSG_EAVERSION__OK);

    // Refusals that leave the list as it was, with no verdict.
    const CRevolver refused[] = {
        old(119, false),
        old(120, true),
        Edited(good, Renamed("EAS.grqversion")),
        Edited(good, Renamed("EAS.wrversion")),
        Edited(good, [](CFxPropStore& s) { s.SetString("EAS.internal_file_type", "glf"); }),
        Edited(good, Renamed("EAS.internal_file_type")),
    };
    for (size_t i = 0; i < std::size(refused); ++i) {
        Target keep;
        level = -1;
        EXPECT_FALSE(keep.EActionsFromRevolver(refused[i], level)) << i;
        EXPECT_EQ(level, nDSG_EAVERSION__NONE) << i;
        EXPECT_EQ(keep.GetEACount(), 2) << i;
    }
}

TEST(DsgEActionsTest, BrokenRecordsLeaveAnEmptyForm) {
    Form form;
    MakeSample(form);
    form.SetKLeaderCounter(3);
    const CRevolver good = RecordOf(form, TRUE);
    const CRevolver broken[] = {
        RevolverOf(Bytes({0x22, 0x01, 'k'})),     Edited(good, Renamed("EAS.wocount")),
        Edited(good, WithInt("EAS.wocount", -1)), Edited(good, Renamed("EAS.nextkleader")),
        Edited(good, Renamed("EAS.ea3")),         Edited(good, WithInt("EAS.eacount", 7)),
        Edited(good, WithInt("EAS.eacount", -2)), Edited(good, WithInt("EAS.eacount", 0)),
    };
    for (size_t i = 0; i < std::size(broken); ++i) {
        Target target;
        int level = -1;
        // No actions at all is a good, empty form.
        EXPECT_EQ(target.EActionsFromRevolver(broken[i], level), i + 1 == std::size(broken)) << i;
        EXPECT_EQ(target.GetEACount(), 0) << i;
        EXPECT_EQ(target.GetCurrentEAIndex(), -1) << i;
        EXPECT_EQ(target.GetWOIdCounter() + target.GetKLeaderCounter(), 0) << i;
    }
}

TEST(DsgEActionsTest, UnreadableActionsAreDroppedAndThePositionFollows) {
    Form form;
    MakeSample(form);
    form.Undo();  // current: index 4
    const CRevolver good = RecordOf(form, TRUE);
    // Action 2 (the line's creation) spoiled: the line's geometry then has
    // no object, so the replay stops there.
    Form back;
    int level = 0;
    ASSERT_TRUE(back.EActionsFromRevolver(
        Edited(good, [](CFxPropStore& s) { s.SetRevolver("EAS.ea2", RevolverOf("x")); }), level));
    EXPECT_EQ(back.GetEACount(), 5);
    EXPECT_EQ(back.GetCurrentEAIndex(), 3);
    EXPECT_FALSE(back.Rebuild());
    EXPECT_EQ(back.ZOrder(), (std::vector<int>{0}));
    // An action after the saved position is dropped without moving it; a
    // saved position past the end leaves nothing current.
    ASSERT_TRUE(back.EActionsFromRevolver(
        Edited(good, [](CFxPropStore& s) { s.SetRevolver("EAS.ea5", CRevolver()); }), level));
    EXPECT_EQ(back.GetCurrentEAIndex(), 4);
    ASSERT_TRUE(back.EActionsFromRevolver(Edited(good, WithInt("EAS.eaaindex", 9)), level));
    EXPECT_EQ(back.GetCurrentEAIndex(), -1);

    // An action whose record cannot be made is written empty and dropped on
    // reading; the others keep their places.
    CDsgWOAmending bad = TextAmend("UTP.dtsize", "1");
    bad.m_nWOATPVType = 5;
    form.Redo();
    form.EAAdd(Made(&CDsgEAction::InitWOAmending, 0, FALSE, bad));
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 3, 3));
    ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, FALSE), level));
    EXPECT_EQ(back.GetEACount(), 8);
    ASSERT_TRUE(back.Rebuild());
    EXPECT_EQ(back.ZOrder(), (std::vector<int>{0, 1, 2}));
}

TEST(DsgEActionsTest, Files) {
    Form form;
    MakeSample(form);
    const std::string folder = testsupport::MakeTempFolder("eas");
    const std::string path = folder + "/sub/form.dat";
    ASSERT_TRUE(form.EActionsToFile(path, TRUE));
    EXPECT_EQ(testsupport::ReadFileBytes(path), ContentOf(RecordOf(form, TRUE)));

    // From an open file, and a long-style record read in the short style.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Form back;
    int level = -1;
    {
        KeyStyleScope scope(KEYSTYLE_SHORT);
        EXPECT_TRUE(back.EActionsFromFile(file, level));
    }
    std::fclose(file);
    ASSERT_TRUE(back.Rebuild());
    EXPECT_EQ(Picture(back), Picture(form));

    level = 7;
    EXPECT_FALSE(back.EActionsFromFile(folder + "/missing.dat", level));
    EXPECT_EQ(level, 0);
    EXPECT_EQ(back.GetEACount(), 6);
}

TEST(DsgEActionsTest, MenuOrderExchange) {
    testsupport::ScriptedUi ui;
    Form form;
    const int m0 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    const int m1 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(5, 5, 10, 10));
    std::vector<int> ids, nodes, orders;
    form.GetWOMenuWOIds(ids, nodes, orders);
    EXPECT_EQ(ids, (std::vector<int>{m0, m1}));
    EXPECT_EQ(nodes, (std::vector<int>{0, 4}));
    EXPECT_EQ(orders, (std::vector<int>{0, 0}));

    ASSERT_TRUE(form.WONOExchange(m0, m1, TRUE));
    EXPECT_EQ(form.exchanges, 1);
    ASSERT_TRUE(form.Rebuild());
    EXPECT_EQ(form.UT(m0, "UTP.wonorder") + form.UT(m1, "UTP.wonorder"), "10");
    EXPECT_EQ(form.GetWObjRect(m1), CRect(5, 5, 10, 10));
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_FALSE(form.WONOExchange(m0, box, TRUE));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot exchange menu indexes");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(form.exchanges, 1);

    // A menu creation without its geometry action after it is not swapped,
    // neither at the end of the list nor when another object's action
    // follows it (that action would be carried off with it).
    const int m2 = form.GetWOIdCounter();
    form.Do(&CDsgEAction::InitWOCreation, form.WOIdCounter(), nDSG_WOKIND__WOMENU, CRect(),
            CDsgUTProps(), FALSE);
    EXPECT_FALSE(form.WONOExchange(m0, m2, FALSE));
    form.Do(&CDsgEAction::InitDRMoving, box, CRect(1, 1, 5, 5));
    const std::string before = form.GetEActionsExp(TRUE);
    EXPECT_FALSE(form.WONOExchange(m0, m2, FALSE));
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(form.GetEActionsExp(TRUE), before);
}

TEST(DsgEActionsTest, DiagnosticText) {
    Form form;
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(1, 2, 3, 4));
    form.Do(&CDsgEAction::InitWOAmending, box, FALSE, TextAmend("UTP.dtsize", "2"));
    form.DoSeveral(&CDsgEAction::InitWOMDeletion, CDsgWOIdSet{box, 7});
    form.Do(&CDsgEAction::InitKLJAttach, 3, box, 4, FALSE);
    form.Undo();
    EXPECT_EQ(form.GetEActionsExp(TRUE),
              "WOCreate[WOBox]<SW>\r\nWOCERDRMove 0 1,2,3,4\r\nWOAmend[UTP.dtsize<-2]\r\n"
              "WODelete_WOMultily 0/7 *\r\njattach 0|4 is LINKED TO 3");
    EXPECT_EQ(form.GetEActionsExp(FALSE).substr(0, 40),
              "WOCreate[WOBox]<SW>\r\nWOCERDRMove 0 \r\nWOA");
    EXPECT_EQ(GetEATypeName(0) + GetEATypeName(17) + GetEATypeName(18),
              "undefinedjdetachundefined");
}

TEST(DsgEActionsTest, CutRecordsNeverHalfFillTheList) {
    Form form;
    MakeSample(form);
    const std::string bytes = ContentOf(RecordOf(form, TRUE));
    // Every cut either reads the whole form, is refused with the list as it
    // was, or leaves it empty; the rebuild of what was read never fails.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        Target target;
        int level = 0;
        const BOOL read = target.EActionsFromRevolver(RevolverOf(bytes.substr(0, cut)), level);
        const int count = target.GetEACount();
        EXPECT_TRUE(count == 0 || count == 2 || (read && count == 6)) << cut << " " << count;
        EXPECT_TRUE(target.Rebuild()) << cut;
    }
}

// Handing a read list to another list (a hidden page, the visible page) must
// give what reading the record of that list would: the same actions, the same
// position, the same counters; the list handed over is left empty.
TEST(DsgEActionsTest, TakingAListIsReadingItsRecord) {
    const struct {
        const char* name;
        int undos;
        bool empty;
    } cases[] = {{"at the end", 0, false},
                 {"one step back", 1, false},
                 {"everything undone", 9, false},
                 {"an empty form", 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Form source;
        if (!c.empty) MakeSample(source);
        for (int i = 0; i < c.undos; ++i) source.Undo();
        const CRevolver record = RecordOf(source, TRUE);
        Form read;
        int level = 0;
        ASSERT_TRUE(read.EActionsFromRevolver(record, level));
        ASSERT_TRUE(read.Rebuild());

        // The taker shows another form and has one of its objects chosen.
        Target taker;
        taker.SetSPIndex(7);
        taker.WOChoose(taker.ZOrder().front());
        ASSERT_EQ(taker.GetWOCHCount(), 1);
        taker.TakeEActions(source);
        EXPECT_EQ(ContentOf(RecordOf(taker, TRUE)), ContentOf(record));
        EXPECT_EQ(taker.GetCurrentEAIndex(), read.GetCurrentEAIndex());
        EXPECT_EQ(taker.GetWOIdCounter(), read.GetWOIdCounter());
        EXPECT_EQ(taker.GetKLeaderCounter(), read.GetKLeaderCounter());
        EXPECT_EQ(taker.GetSPIndex(), 7);
        EXPECT_EQ(taker.GetWOCHCount(), 0);
        taker.Rebuild();
        EXPECT_EQ(Picture(taker), Picture(read));

        EXPECT_EQ(source.GetEACount(), 0);
        EXPECT_EQ(source.GetCurrentEAIndex(), -1);
        EXPECT_EQ(source.GetWOIdCounter() + source.GetKLeaderCounter(), 0);
        EXPECT_EQ(source.GetSPIndex(), 0);
    }
}

// The record tells whether it holds every action: one that cannot be
// written is stored empty and would be missing from a read of it.
TEST(DsgEActionsTest, RecordSaysWhetherItHoldsEveryAction) {
    Form form;
    MakeSample(form);
    CRevolver buffer;
    bool whole = false;
    ASSERT_TRUE(form.EActionsToRevolver(buffer, TRUE, &whole));
    EXPECT_TRUE(whole);
    CDsgWOAmending bad = TextAmend("UTP.dtsize", "1");
    bad.m_nWOATPVType = 5;
    form.EAAdd(Made(&CDsgEAction::InitWOAmending, 0, FALSE, bad));
    ASSERT_TRUE(form.EActionsToRevolver(buffer, TRUE, &whole));
    EXPECT_FALSE(whole);
    // A later whole record says so again.
    ASSERT_TRUE(form.DeleteLastEAction());
    ASSERT_TRUE(form.EActionsToRevolver(buffer, TRUE, &whole));
    EXPECT_TRUE(whole);
}

// Read actions carry the attributes of their records and nothing else; an
// action whose record has none (several objects at once) has the defaults
// of a new action.
TEST(DsgEActionsTest, ReadActionsHaveTheAttributesOfTheirRecordsOrTheDefaults) {
    for (const int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        SCOPED_TRACE(style);
        KeyStyleScope scope(style);
        Form form;
        MakeSample(form);  // a box's creation carries only the box's keys
        form.DoSeveral(&CDsgEAction::InitWOMEDRMoving, CDsgWOIdSet{0, 1}, CPoint(10, -10));
        Form back;
        int level = 0;
        ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, TRUE), level));
        ASSERT_EQ(back.GetEACount(), form.GetEACount());
        const auto attributes = [](const CDsgEAction& action) {
            return static_cast<const CDsgUTProps&>(action.m_tprops).GetText();
        };
        for (int i = 0; i < form.GetEACount(); ++i)
            EXPECT_EQ(attributes(*back.GetEAction(i)), attributes(*form.GetEAction(i))) << i;
        const CDsgEAction& several = *back.GetEAction(back.GetEACount() - 1);
        EXPECT_EQ(attributes(several), CDsgUTProps().GetText());
        EXPECT_NE(attributes(*back.GetEAction(0)), CDsgUTProps().GetText());
    }
}
