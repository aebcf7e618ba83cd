#include "design/model/dsgeactions.h"

#include <gtest/gtest.h>

#include "design/model/tests/eactionstesting.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

using namespace eatesting;

namespace {

// A small form: a box and a line, each made by a creation drag, the box
// moved, the line amended.
void MakeSample(Form& form) {
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 50000, 50000));
    const int line = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(90000, 90000, 10000, 10000));
    form.Do(&CDsgEAction::InitDRMoving, box, CRect(10000, 10000, 60000, 60000));
    form.Do(&CDsgEAction::InitWOAmending, line, FALSE, TextAmend("UTP.dtsize", "2"));
}

// What a form shows: each object's id, kind, rectangle and attributes in
// drawing order.
std::string Picture(const Form& form) {
    std::string text;
    for (int id : form.GetZOrder()) {
        const CDsgWObj& obj = *form.GetWObjById(id);
        const CRect r = obj.GetLMHugeRect();
        text += std::to_string(id) + ":" + GetWOKindName(obj.GetWOKind()) + "(" +
                std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                std::to_string(r.right) + "," + std::to_string(r.bottom) + ")" +
                static_cast<const CDsgUTProps&>(obj).GetText() + ";";
    }
    return text;
}

CRevolver RecordOf(const Form& form, BOOL withIndex) {
    CRevolver buffer;
    EXPECT_TRUE(form.EActionsToRevolver(buffer, withIndex));
    return buffer;
}

}  // namespace

TEST(DsgEActionsTest, UndoAndRedoMoveJoinedPairsTogether) {
    Form form;
    EXPECT_FALSE(form.IsUndoable());
    EXPECT_FALSE(form.IsRedoable());
    form.Undo();
    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);

    MakeSample(form);
    const std::string full = Picture(form);
    ASSERT_EQ(form.GetEACount(), 6);
    EXPECT_EQ(form.GetCurrentEAIndex(), 5);
    EXPECT_TRUE(form.IsUndoable());
    EXPECT_FALSE(form.IsRedoable());

    form.Undo();  // the amendment
    form.Undo();  // the move
    EXPECT_EQ(form.GetCurrentEAIndex(), 3);
    EXPECT_EQ(form.GetWObjRect(0), CRect(0, 0, 50000, 50000));
    // The line's creation and its geometry go as one step.
    form.Undo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 1);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{0}));
    form.Undo();
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);
    EXPECT_EQ(form.GetWObjCount(), 0);
    EXPECT_FALSE(form.IsUndoable());
    EXPECT_TRUE(form.IsRedoable());

    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 1);
    EXPECT_EQ(form.GetWObjRect(0), CRect(0, 0, 50000, 50000));
    form.Redo();
    form.Redo();
    form.Redo();
    EXPECT_EQ(Picture(form), full);
    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 5);
}

TEST(DsgEActionsTest, AppendingCutsTheRedoTail) {
    Form form;
    MakeSample(form);
    form.Undo();
    form.Undo();
    form.Undo();
    ASSERT_EQ(form.GetCurrentEAIndex(), 1);
    const int id = CreateDragged(form, nDSG_WOKIND__WOELLIPSE, CRect(1, 1, 5, 5));
    EXPECT_EQ(form.GetEACount(), 4);
    EXPECT_FALSE(form.IsRedoable());
    // The counter is not taken back by undo: the ellipse gets a new id.
    EXPECT_EQ(id, 2);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{0, 2}));

    // After undoing everything an append replaces the whole list. Redo stops
    // at the last action even when it is joined to a following one.
    form.Undo();
    form.Undo();
    form.Do(&CDsgEAction::InitWOCreation, form.WOIdCounter(), nDSG_WOKIND__WOBOX, CRect(),
            CDsgUTProps(), TRUE);
    EXPECT_EQ(form.GetEACount(), 1);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{3}));
    form.Undo();
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);
    form.Redo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 0);
    EXPECT_EQ(form.GetWObjCount(), 1);
}

TEST(DsgEActionsTest, AppendNeedsAnOpenFormAndTellsTheMainFrame) {
    Form closed(TRUE);
    closed.SetSPIndex(-1);
    auto move = Single();
    move->InitDRMoving(0, CRect());
    EXPECT_FALSE(closed.EAAdd(std::move(move)));
    EXPECT_EQ(closed.GetEACount(), 0);
    EXPECT_TRUE(closed.notices.empty());

    Form form(TRUE);
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 9, 9));
    // The creation itself is not told, its geometry is, before the append.
    EXPECT_EQ(form.notices, (std::vector<int>{nDSG_EATYPE__WOCERDRMOVE}));
    EXPECT_EQ(form.countAtNotice, 1);
    form.Do(&CDsgEAction::InitWOAmending, box, FALSE, TextAmend("UTP.lscript", "a"));
    form.Do(&CDsgEAction::InitWOAmending, box, FALSE, TextAmend("UTP.dtsize", "1"));
    EXPECT_EQ(form.notices, (std::vector<int>{nDSG_EATYPE__WOCERDRMOVE, nDSG_EATYPE__WOAMEND}));

    Form quiet(FALSE);
    CreateDragged(quiet, nDSG_WOKIND__WOBOX, CRect(0, 0, 9, 9));
    EXPECT_TRUE(quiet.notices.empty());
}

TEST(DsgEActionsTest, DeletingTheLastAction) {
    Form form;
    EXPECT_FALSE(form.DeleteLastEAction());
    MakeSample(form);
    // Not an amendment of UTP.lscript.
    EXPECT_FALSE(form.DeleteLastEActionIfLScriptWOAmend());
    form.Do(&CDsgEAction::InitWOAmending, 0, FALSE, TextAmend("UTP.lscript", "a"));
    EXPECT_TRUE(form.DeleteLastEActionIfLScriptWOAmend());
    EXPECT_EQ(form.GetEACount(), 6);
    EXPECT_EQ(form.GetCurrentEAIndex(), 5);

    // The current one deleted: the new last becomes current.
    EXPECT_TRUE(form.DeleteLastEAction());
    EXPECT_EQ(form.GetCurrentEAIndex(), 4);
    // Not the current one: the position stays.
    form.Undo();
    EXPECT_EQ(form.GetCurrentEAIndex(), 3);
    EXPECT_TRUE(form.DeleteLastEAction());
    EXPECT_EQ(form.GetCurrentEAIndex(), 3);
    while (form.DeleteLastEAction()) {
    }
    EXPECT_EQ(form.GetCurrentEAIndex(), -1);

    form.SetWOIdCounter(5);
    form.WOChoose(0);
    form.ResetEActions();
    EXPECT_EQ(form.GetEACount(), 0);
    EXPECT_EQ(form.GetWOIdCounter(), 0);
    EXPECT_EQ(form.GetWOCHCount(), 0);
}

TEST(DsgEActionsTest, RecordHoldsExactKeysInEachStyle) {
    Form form;
    MakeSample(form);
    form.SetKLeaderCounter(4);
    form.Undo();
    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        const bool s = style == KEYSTYLE_SHORT;
        auto k = [s](const char* longKey, const char* shortKey) {
            return std::string(s ? shortKey : longKey);
        };
        Dump expected{
            {k("EAS.eacount", "action_count"), {kInt, "6"}},
            {k("EAS.wocount", "ctoc"), {kInt, "2"}},
            {k("EAS.nextkleader", "ctlc"), {kInt, "4"}},
            {k("EAS.wrversion", "this_ver"), {kInt, "242"}},
            {k("EAS.erqversion", "erqversion"), {kInt, "235"}},
            {k("EAS.frqversion", "frqversion"), {kInt, "235"}},
            {k("EAS.grqversion", "grqversion"), {kInt, "215"}},
            {"min_ver", {kInt, "100"}},
            {k("EAS.internal_file_type", "internal_file_type"), {kText, "gle"}},
            {"reserved_87362", {kText, "18932"}},
        };
        CRevolver action;
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(form.GetEAction(i)->EActionToRevolver(action));
            expected[(s ? "a" : "EAS.ea") + std::to_string(i)] = {kBlock, ContentOf(action)};
        }
        EXPECT_EQ(DumpOf(RecordOf(form, FALSE)), expected);
        expected[k("EAS.eaaindex", "adv_index")] = {kInt, "4"};
        EXPECT_EQ(DumpOf(RecordOf(form, TRUE)), expected);
    }
}

TEST(DsgEActionsTest, RecordRoundTripRestoresObjectsPositionAndCounters) {
    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        Form form;
        MakeSample(form);
        auto group = Single();
        group->InitKLMCAdd(form.GetKLeaderCounter(), FALSE);
        form.SetKLeaderCounter(1);
        form.Add(std::move(group));
        form.Undo();
        form.Undo();
        const std::string shown = Picture(form);

        Form back;
        int level = -1;
        ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, TRUE), level));
        EXPECT_EQ(level, nDSG_EAVERSION__OK);
        EXPECT_EQ(back.GetEACount(), 7);
        EXPECT_EQ(back.GetCurrentEAIndex(), form.GetCurrentEAIndex());
        EXPECT_EQ(back.GetWOIdCounter(), 2);
        EXPECT_EQ(back.GetKLeaderCounter(), 1);
        ASSERT_TRUE(back.Rebuild());
        EXPECT_EQ(Picture(back), shown);
        back.Redo();
        back.Redo();
        form.Redo();
        form.Redo();
        EXPECT_EQ(Picture(back), Picture(form));
        EXPECT_EQ(back.GetKLGroupCount(), 1);

        // Without the index the last action is current.
        ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(form, FALSE), level));
        EXPECT_EQ(back.GetCurrentEAIndex(), 6);

        // Everything undone: the index equals the count, nothing is current.
        while (form.IsUndoable()) form.Undo();
        const CRevolver none = RecordOf(form, TRUE);
        EXPECT_EQ(DumpOf(none).at(style == KEYSTYLE_SHORT ? "adv_index" : "EAS.eaaindex"),
                  std::make_pair(kInt, std::string("7")));
        ASSERT_TRUE(back.EActionsFromRevolver(none, level));
        EXPECT_EQ(back.GetCurrentEAIndex(), -1);
        ASSERT_TRUE(back.Rebuild());
        EXPECT_EQ(back.GetWObjCount(), 0);
        EXPECT_TRUE(back.IsRedoable());
        EXPECT_FALSE(back.IsUndoable());
    }
}

TEST(DsgEActionsTest, VersionGate) {
    Form form;
    MakeSample(form);
    const CRevolver good = RecordOf(form, FALSE);
    auto withVersions = [&](int grq, int frq, int erq) {
        return Edited(good, [=](CFxPropStore& s) {
            s.SetInt("EAS.grqversion", grq);
            s.SetInt("EAS.frqversion", frq);
            s.SetInt("EAS.erqversion", erq);
        });
    };

    // A record that needs a newer program is refused; what was there stays.
    Form target;
    CreateDragged(target, nDSG_WOKIND__WOTEXT, CRect(1, 1, 2, 2));
    int level = 0;
    EXPECT_FALSE(target.EActionsFromRevolver(withVersions(243, 300, 300), level));
    EXPECT_EQ(level, nDSG_EAVERSION__REFUSED);
    EXPECT_EQ(target.GetEACount(), 2);
    EXPECT_EQ(target.GetWOIdCounter(), 1);
    std::string caption;
    EXPECT_EQ(CDsgEActions::GetEAVersionMessage(level, caption),
              "Loading canceled for version problem. Please upgrade Dravik.");
    EXPECT_EQ(caption, "Load error");

    ASSERT_TRUE(target.EActionsFromRevolver(withVersions(242, 243, 300), level));
    EXPECT_EQ(level, nDSG_EAVERSION__MIXED);
    EXPECT_EQ(CDsgEActions::GetEAVersionMessage(level, caption),
              "Dravik version is old. Data may appear mixed-up. Please upgrade your Dravik.");
    EXPECT_EQ(caption, "Unsuitable Program Version");
    ASSERT_TRUE(target.EActionsFromRevolver(withVersions(100, 242, 243), level));
    EXPECT_EQ(level, nDSG_EAVERSION__OMIT);
    EXPECT_EQ(CDsgEActions::GetEAVersionMessage(level, caption),
              "Dravik version is old. Some elements could be omitted. Please upgrade your Dravik.");
    ASSERT_TRUE(target.EActionsFromRevolver(withVersions(242, 242, 242), level));
    EXPECT_EQ(level, nDSG_EAVERSION__OK);
    EXPECT_EQ(CDsgEActions::GetEAVersionMessage(level, caption), "");
    ASSERT_TRUE(target.Rebuild());
    EXPECT_EQ(Picture(target), Picture(form));

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
    ASSERT_TRUE(target.EActionsFromRevolver(old(119, true), level));
    EXPECT_EQ(level, nDSG_EAVERSION__OK);
    EXPECT_EQ(target.GetEACount(), 6);

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
        Form keep;
        CreateDragged(keep, nDSG_WOKIND__WOTEXT, CRect(1, 1, 2, 2));
        level = -1;
        EXPECT_FALSE(keep.EActionsFromRevolver(refused[i], level)) << i;
        EXPECT_EQ(level, nDSG_EAVERSION__NONE) << i;
        EXPECT_EQ(keep.GetEACount(), 2) << i;
    }

    EXPECT_EQ(GetDsgVersionCode(), 242);
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
        Edited(good, WithInt("EAS.eacount", -2)),
    };
    for (const CRevolver& record : broken) {
        Form target;
        CreateDragged(target, nDSG_WOKIND__WOTEXT, CRect(1, 1, 2, 2));
        int level = -1;
        EXPECT_FALSE(target.EActionsFromRevolver(record, level));
        EXPECT_EQ(target.GetEACount(), 0);
        EXPECT_EQ(target.GetCurrentEAIndex(), -1);
        EXPECT_EQ(target.GetWOIdCounter(), 0);
        EXPECT_EQ(target.GetKLeaderCounter(), 0);
    }

    // No actions: an empty form whose counters stay 0.
    Form target;
    int level = -1;
    ASSERT_TRUE(target.EActionsFromRevolver(Edited(good, WithInt("EAS.eacount", 0)), level));
    EXPECT_EQ(level, nDSG_EAVERSION__OK);
    EXPECT_EQ(target.GetEACount(), 0);
    EXPECT_EQ(target.GetWOIdCounter(), 0);
    EXPECT_EQ(target.GetKLeaderCounter(), 0);
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

    // An action after the saved position is dropped without moving it.
    ASSERT_TRUE(back.EActionsFromRevolver(
        Edited(good, [](CFxPropStore& s) { s.SetRevolver("EAS.ea5", CRevolver()); }), level));
    EXPECT_EQ(back.GetEACount(), 5);
    EXPECT_EQ(back.GetCurrentEAIndex(), 4);
    // A saved position past the end leaves nothing current.
    ASSERT_TRUE(back.EActionsFromRevolver(Edited(good, WithInt("EAS.eaaindex", 9)), level));
    EXPECT_EQ(back.GetCurrentEAIndex(), -1);

    // An action whose record cannot be made is written empty and dropped on
    // reading; the others keep their places.
    Form odd;
    MakeSample(odd);
    auto broken = Single();
    CDsgWOAmending bad = TextAmend("UTP.dtsize", "1");
    bad.m_nWOATPVType = 5;
    broken->InitWOAmending(0, FALSE, bad);
    odd.EAAdd(std::move(broken));
    CreateDragged(odd, nDSG_WOKIND__WOBOX, CRect(0, 0, 3, 3));
    ASSERT_TRUE(back.EActionsFromRevolver(RecordOf(odd, FALSE), level));
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

    Form back;
    int level = -1;
    ASSERT_TRUE(back.EActionsFromFile(path, level));
    EXPECT_EQ(level, nDSG_EAVERSION__OK);
    ASSERT_TRUE(back.Rebuild());
    EXPECT_EQ(Picture(back), Picture(form));

    // From an open file, and a long-style record read in the short style.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Form fromOpen;
    {
        KeyStyleScope scope(KEYSTYLE_SHORT);
        EXPECT_TRUE(fromOpen.EActionsFromFile(file, level));
    }
    std::fclose(file);
    ASSERT_TRUE(fromOpen.Rebuild());
    EXPECT_EQ(Picture(fromOpen), Picture(form));

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
    EXPECT_EQ(form.UT(m0, "UTP.wonorder"), "0");
    EXPECT_EQ(form.UT(m1, "UTP.wonorder"), "1");

    std::vector<int> ids, nodes, orders;
    form.GetWOMenuWOIds(ids, nodes, orders);
    EXPECT_EQ(ids, (std::vector<int>{m0, m1}));
    EXPECT_EQ(nodes, (std::vector<int>{0, 4}));
    EXPECT_EQ(orders, (std::vector<int>{0, 0}));

    ASSERT_TRUE(form.WONOExchange(m0, m1, TRUE));
    EXPECT_EQ(form.exchanges, 1);
    ASSERT_TRUE(form.Rebuild());
    EXPECT_EQ(form.UT(m0, "UTP.wonorder"), "1");
    EXPECT_EQ(form.UT(m1, "UTP.wonorder"), "0");
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
    EXPECT_EQ(ui.messages.size(), 2u);
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
              "WOCreate[WOBox]<SW>\r\n"
              "WOCERDRMove 0 1,2,3,4\r\n"
              "WOAmend[UTP.dtsize<-2]\r\n"
              "WODelete_WOMultily 0/7 *\r\n"
              "jattach 0|4 is LINKED TO 3");
    EXPECT_EQ(form.GetEActionsExp(FALSE).substr(0, 40),
              "WOCreate[WOBox]<SW>\r\nWOCERDRMove 0 \r\nWOA");
}

TEST(DsgEActionsTest, CutRecordsNeverHalfFillTheList) {
    Form form;
    MakeSample(form);
    const std::string bytes = ContentOf(RecordOf(form, TRUE));
    // Every cut either reads the whole form, is refused with the list as it
    // was, or leaves it empty; the rebuild of what was read never fails.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        Form target;
        CreateDragged(target, nDSG_WOKIND__WOTEXT, CRect(1, 1, 2, 2));
        int level = 0;
        const BOOL read = target.EActionsFromRevolver(RevolverOf(bytes.substr(0, cut)), level);
        const int count = target.GetEACount();
        EXPECT_TRUE(count == 0 || count == 2 || (read && count == 6)) << cut << " " << count;
        EXPECT_TRUE(target.Rebuild()) << cut;
    }
}
