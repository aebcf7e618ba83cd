#include "design/model/dsgeaction.h"

#include <gtest/gtest.h>

#include "design/model/tests/eactionstesting.h"
#include "platform/textcodec.h"

using namespace eatesting;

namespace {

CDsgUTProps TextAttributes() {
    CDsgUTProps attributes;
    attributes.SetString("UTP.lscript", "HELLO");
    attributes.SetString("UTP.dtsize", "3");
    attributes.SetString("UTP.bstate", "1");
    return attributes;
}

CRevolver RecordOf(const CDsgEAction& action) {
    CRevolver record;
    EXPECT_TRUE(action.EActionToRevolver(record));
    return record;
}

BOOL Read(const CRevolver& record, int version = 242) {
    CDsgEAction action(nDSG_WOMEATYPE__TOREAD);
    return action.EActionFromRevolver(record, version);
}

}  // namespace

TEST(DsgEActionTest, CreationTakesTheCounterAndTheKindsAttributes) {
    int counter = 0;
    CDsgEAction create(nDSG_WOMEATYPE__SINGLE);
    ASSERT_TRUE(create.InitWOCreation(counter, nDSG_WOKIND__WOTEXT, CRect(1, 2, 3, 4),
                                      TextAttributes(), TRUE));
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(create.GetWOId(), 0);
    EXPECT_EQ(create.GetEASwift(), 1);
    EXPECT_EQ(create.m_tprops.GetUTProps().GetString("UTP.lscript"), "HELLO");
    EXPECT_FALSE(create.m_tprops.GetUTProps().HasKey("UTP.dtsize"));  // not a key of texts

    // The counter wraps from its top value to 1.
    counter = 0x7FFFFFFF;
    CDsgEAction last(nDSG_WOMEATYPE__SINGLE);
    ASSERT_TRUE(last.InitWOCreation(counter, nDSG_WOKIND__WOBOX, CRect(), CDsgUTProps(), FALSE));
    EXPECT_EQ(last.GetWOId(), 0x7FFFFFFF);
    EXPECT_EQ(counter, 1);

    // A kind outside 0..49: no creation, the counter stays.
    CDsgEAction bad(nDSG_WOMEATYPE__SINGLE);
    EXPECT_FALSE(bad.InitWOCreation(counter, 50, CRect(), CDsgUTProps(), FALSE));
    EXPECT_EQ(counter, 1);
    EXPECT_NE(bad.GetEAType(), nDSG_EATYPE__WOCREATE);
}

TEST(DsgEActionTest, SingleObjectActionsReplay) {
    Form form;
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000));
    const int text =
        CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(10, 10, 20, 20), TextAttributes());
    const int line = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(90, 90, 5, 5));
    form.Do(&CDsgEAction::InitDRMoving, box, CRect(1, 1, 50, 50));
    form.Do(&CDsgEAction::InitEDRMoving, CRect(7, 7, 8, 8), text);
    // A grip drag records the dragged rectangle, not normalised.
    EXPECT_EQ(form.Do(&CDsgEAction::InitPRMoving, CRect(10, 10, 20, 20), line, 1, CPoint(30, 40))
                  .GetEAType(),
              nDSG_EATYPE__DRMOVE);
    EXPECT_EQ(form.Rects(), "0:1,1,50,50 1:7,7,8,8 2:30,40,20,20");

    CDsgWOAmending amending = TextAmend("UTP.lscript", "BYE");
    amending.SetRegion(CRect(3, 3, 4, 4));
    form.Do(&CDsgEAction::InitWOAmending, text, FALSE, amending);
    EXPECT_EQ(form.UT(text, "UTP.lscript"), "BYE");
    EXPECT_EQ(form.Do(&CDsgEAction::InitWODeletion, box).m_tprops.GetLMHugeRect(),
              CRect(-1, -1, -1, -1));
    EXPECT_EQ(form.Rects(), "1:3,3,4,4 2:30,40,20,20");
    EXPECT_TRUE(form.lastRebuild);

    // The rebuild drops chosen objects that are gone.
    form.WOChoose(text);
    form.WOChoose(line);
    form.Do(&CDsgEAction::InitWODeletion, line);
    EXPECT_EQ(form.GetWOCHCount(), 1);
    EXPECT_FALSE(form.IsWOIdWOChosen(line));
}

TEST(DsgEActionTest, ZOrderChangesStopAtTheEnds) {
    Form form;
    for (int i = 0; i < 3; ++i) CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    const std::pair<void (CDsgEAction::*)(int), int> steps[] = {{&CDsgEAction::InitUZAlter, 0},
                                                                {&CDsgEAction::InitUZAlter, 2},
                                                                {&CDsgEAction::InitDZAlter, 2},
                                                                {&CDsgEAction::InitDZAlter, 1}};
    const std::vector<int> orders[] = {{1, 0, 2}, {1, 0, 2}, {1, 2, 0}, {1, 2, 0}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        form.Do(steps[i].first, steps[i].second);
        EXPECT_EQ(form.ZOrder(), orders[i]) << i;
    }
    EXPECT_TRUE(form.lastRebuild);
}

TEST(DsgEActionTest, AmendmentsOfEachValueType) {
    CDsgTProps tp;
    tp.GetUTProps().SetString("UTP.bstate", "4");
    // Bit 33 is bit 1; the top bit makes the number negative, and a negative
    // bit number counts modulo 32 as well; a missing key counts as 0.
    const struct {
        const char* key;
        int bit;
        BOOL on;
        std::string value;
    } bits[] = {{"UTP.bstate", 33, TRUE, "6"},
                {"UTP.bstate", 2, FALSE, "2"},
                {"UTP.bstate", -1, TRUE, std::to_string(INT32_MIN + 2)},
                {"UTP.new", 0, TRUE, "1"}};
    for (const auto& b : bits) {
        CDsgWOAmending bit;
        bit.SetBitAmending(b.key, b.bit, b.on);
        ASSERT_TRUE(bit.WOAmendTProps(tp));
        EXPECT_EQ(tp.GetUTProps().GetString(b.key), b.value) << b.bit;
    }

    CDsgWOAmending block;
    block.SetRevolverAmending("UTP.obwbmp", RevolverOf("BM12"));
    ASSERT_TRUE(block.WOAmendTProps(tp));
    CRevolver picture;
    ASSERT_TRUE(tp.GetUTProps().LookupRevolver("UTP.obwbmp", picture));
    EXPECT_EQ(ContentOf(picture), "BM12");

    CDsgWOAmending unknown = TextAmend("UTP.lscript", "x");
    unknown.m_nWOATPVType = 4;
    EXPECT_FALSE(unknown.WOAmendTProps(tp));
    EXPECT_EQ(tp.GetUTProps().GetString("UTP.lscript"), "");
}

TEST(DsgEActionTest, PasteCreatesCopiesWithNewIdsAndMenuOrders) {
    Form clip;
    CreateDragged(clip, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    CreateDragged(clip, nDSG_WOKIND__WOBOX, CRect(5, 5, 10, 10));
    Form form;
    CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    auto paste =
        MadeAs(nDSG_WOMEATYPE__MCREATE, &CDsgEAction::InitWOMCreation, clip, form.WOIdCounter());
    EXPECT_EQ(form.GetWOIdCounter(), 3);
    EXPECT_EQ(paste->GetEAType(), nDSG_EATYPE__WOCREATE_WOMULTILY);

    // Its record carries the copies as a container record, in either style.
    for (bool s : {false, true}) {
        KeyStyleScope scope(s ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
        CRevolver objects;
        ASSERT_TRUE(paste->WObjsToRevolver(objects));
        const CRevolver record = RecordOf(*paste);
        EXPECT_EQ(DumpOf(BlockOf(record, s ? "gea" : "EA.womeaction")),
                  Styled(s, {{"WOMEA.womeatype|gak", {kInt, "1"}},
                             {"WOMEA.wobjs|obg", {kBlock, ContentOf(objects)}}}));
        CDsgEAction back(nDSG_WOMEATYPE__TOREAD);
        ASSERT_TRUE(back.EActionFromRevolver(record, 242));
        EXPECT_EQ(back.m_nWOMEAType, nDSG_WOMEATYPE__MCREATE);
        EXPECT_EQ(back.GetWObjRect(2), CRect(5, 5, 10, 10));
    }

    form.Add(std::move(paste));
    EXPECT_EQ(form.Rects(), "0:0,0,10,10 1:0,0,10,10 2:5,5,10,10");
    EXPECT_EQ(form.UT(0, "UTP.wonorder") + form.UT(1, "UTP.wonorder"), "01");
}

TEST(DsgEActionTest, MenuOrderNumbersFillGaps) {
    Form form;
    auto menu = [](Form& f) { return CreateDragged(f, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10)); };
    for (int i = 0; i < 3; ++i) menu(form);
    EXPECT_EQ(form.UT(2, "UTP.wonorder"), "2");
    form.Do(&CDsgEAction::InitWODeletion, 1);
    EXPECT_EQ(form.UT(menu(form), "UTP.wonorder"), "1");
    EXPECT_EQ(form.GetFVacantWONOrder(), 3);

    // Numbers changed or freed by earlier actions of the same replay count.
    Form other;
    const int a = menu(other), b = menu(other);
    other.Do(&CDsgEAction::InitWOAmending, a, FALSE, TextAmend("UTP.wonorder", "5"));
    const int c = menu(other);
    EXPECT_EQ(other.UT(c, "UTP.wonorder"), "0");
    other.Do(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{c}, FALSE, TextAmend("UTP.wonorder", "-1"));
    other.DoSeveral(&CDsgEAction::InitWOMDeletion, CDsgWOIdSet{b});
    const int d = menu(other);
    const int e = menu(other);
    EXPECT_EQ(other.UT(d, "UTP.wonorder") + other.UT(e, "UTP.wonorder"), "01");
    // Outside a replay the objects themselves are asked.
    static_cast<CDsgUTProps&>(*other.GetWObjById(d)).SetString("UTP.wonorder", "7");
    EXPECT_EQ(other.GetFVacantWONOrder(), 0);

    // With all hundred numbers taken a new menu gets 99.
    for (int i = 0; i < 97; ++i) menu(form);
    EXPECT_EQ(form.GetFVacantWONOrder(), -1);
    EXPECT_EQ(form.UT(menu(form), "UTP.wonorder"), "99");
}

TEST(DsgEActionTest, SeveralObjectGeometry) {
    Form form;
    const int a = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000));
    const int b = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(200000, 200000, 100000, 100000));
    const int ch = CreateDragged(form, nDSG_WOKIND__WODNCHAR, CRect(100000, 0, 260000, 160000));

    // Offset: absent ids are skipped.
    form.DoSeveral(&CDsgEAction::InitWOMEDRMoving, CDsgWOIdSet{a, b, 77}, CPoint(10, -10));
    EXPECT_EQ(form.Rects(),
              "0:10,-10,100010,99990 1:200010,199990,100010,99990 "
              "2:100000,0,260000,160000");
    form.Undo();

    // Doubling the box of a and b by its bottom-right grip; the definable
    // character (a point at (100000,0) in the box) moves and keeps its size.
    form.DoSeveral(&CDsgEAction::InitWOMPRMoving, CDsgWOIdSet{a, b, ch}, 4, CPoint(400000, 400000));
    const std::string doubled =
        "0:0,0,200000,200000 1:400000,400000,200000,200000 2:200000,0,360000,160000";
    EXPECT_EQ(form.Rects(), doubled);
    // A target narrower than 2 dots changes nothing.
    form.DoSeveral(&CDsgEAction::InitWOMPRMoving, CDsgWOIdSet{a, b}, 6, CPoint(10000, 0));
    EXPECT_EQ(form.Rects(), doubled);

    // Into a rectangle: from the box (0,0)-(200000,200000), in which the
    // character counts as its first corner, to half the width and a quarter
    // of the height.
    form.DoSeveral(&CDsgEAction::InitWOMDRMove, CDsgWOIdSet{a, ch}, CRect(0, 0, 100000, 50000));
    EXPECT_EQ(form.GetWObjRect(a), CRect(0, 0, 100000, 50000));
    EXPECT_EQ(form.GetWObjRect(ch), CRect(100000, 0, 180000, 40000));

    // One object of zero width: every edge of that axis goes to the target's
    // start.
    Form flat;
    const int v = CreateDragged(flat, nDSG_WOKIND__WOLINE, CRect(50, 0, 50, 100000));
    flat.DoSeveral(&CDsgEAction::InitWOMDRMove, CDsgWOIdSet{v}, CRect(30000, 0, 90000, 300000));
    EXPECT_EQ(flat.GetWObjRect(v), CRect(30000, 0, 30000, 300000));

    form.DoSeveral(&CDsgEAction::InitWOMDeletion, CDsgWOIdSet{a, 99, ch});
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{b}));
    EXPECT_TRUE(form.lastRebuild);
}

TEST(DsgEActionTest, SeveralObjectAmendment) {
    Form form;
    const int t1 = CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(0, 0, 1, 1), TextAttributes());
    const int t2 = CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(0, 0, 1, 1), TextAttributes());
    form.Do(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{t1, t2, 50}, FALSE,
            TextAmend("UTP.krnfindex", "2"));
    EXPECT_EQ(form.UT(t1, "UTP.krnfindex") + form.UT(t2, "UTP.krnfindex"), "22");
}

TEST(DsgEActionTest, ReplayStopsAtAnActionWithoutItsObject) {
    Form form;
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    form.Do(&CDsgEAction::InitDRMoving, 42, CRect(1, 1, 2, 2));
    EXPECT_FALSE(form.lastRebuild);
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{0}));

    // A creation of an id that is there.
    Form twice;
    CreateDragged(twice, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    twice.SetWOIdCounter(0);
    CreateDragged(twice, nDSG_WOKIND__WOLINE, CRect(0, 0, 10, 10));
    EXPECT_FALSE(twice.lastRebuild);
    EXPECT_EQ(twice.GetWObjById(0)->GetWOKind(), nDSG_WOKIND__WOBOX);
    // An action without an id, and a z-order change of an absent object.
    Form noId, missing;
    auto up = Single();
    up->m_nEAType = nDSG_EATYPE__UZALTER;
    noId.Add(std::move(up));
    missing.Do(&CDsgEAction::InitDZAlter, 3);
    EXPECT_FALSE(noId.lastRebuild || missing.lastRebuild);
}

TEST(DsgEActionTest, RecordsHoldExactKeysInEachStyle) {
    CDsgEAction move(nDSG_WOMEATYPE__SINGLE);
    move.InitDRMoving(9, CRect(1, 2, 3, 4));
    CDsgWOAmending amending;
    amending.SetBitAmending("UTP.bstate", 3, TRUE);
    amending.SetRegion(CRect(5, 6, 7, 8));
    auto amend = Made(&CDsgEAction::InitWOAmending, 9, TRUE, amending);
    auto stretch = MadeSeveral(&CDsgEAction::InitWOMPRMoving, CDsgWOIdSet{4, 2}, 3, CPoint(-5, 6));
    auto attach = Made(&CDsgEAction::InitKLJAttach, 2, 9, 4, TRUE);

    for (bool s : {false, true}) {
        KeyStyleScope scope(s ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
        const std::string sea = s ? "oea" : "EA.woseaction";
        CRevolver pair;
        ASSERT_TRUE(move.m_tprops.TPropsToRevolver(pair, s ? KEYSTYLE_SHORT : KEYSTYLE_LONG));
        const CRevolver moved = RecordOf(move);
        EXPECT_EQ(DumpOf(moved), Styled(s, {{"EA.eatype|ack", {kInt, "4"}},
                                            {"EA.easwift|sw", {kInt, "0"}},
                                            {sea, {kBlock, ContentOf(BlockOf(moved, sea))}}}));
        EXPECT_EQ(DumpOf(BlockOf(moved, sea)),
                  Styled(s, {{"WOSEA.tprops|oa", {kBlock, ContentOf(pair)}}}));

        const CRevolver amended = BlockOf(RecordOf(*amend), sea);
        EXPECT_EQ(DumpOf(amended).size(), 2u);  // the pair and the amendment
        EXPECT_EQ(DumpOf(BlockOf(amended, s ? "rp" : "WOSEA.woamending")),
                  Styled(s, {{"WOA.woatpkey|rf", {kText, "UTP.bstate"}},
                             {"WOA.woatpvtype|typ", {kInt, "2"}},
                             {"WOA.bitnum|bn", {kInt, "3"}},
                             {"WOA.biton|bo", {kInt, "1"}},
                             {"WOA.woaregion|mr", {kInt, "1"}},
                             {"WOA.woaleft|left", {kInt, "5"}},
                             {"WOA.woatop|top", {kInt, "6"}},
                             {"WOA.woaright|right", {kInt, "7"}},
                             {"WOA.woabottom|bottom", {kInt, "8"}}}));

        const CRevolver stretched = RecordOf(*stretch);
        EXPECT_EQ(KeyTypesOf(stretched),
                  (std::map<std::string, int>{{s ? "ack" : "EA.eatype", kInt},
                                              {s ? "sw" : "EA.easwift", kInt},
                                              {s ? "gea" : "EA.womeaction", kBlock},
                                              {s ? "gak" : "EA.womeatype", kInt}}));
        EXPECT_EQ(DumpOf(BlockOf(stretched, s ? "gea" : "EA.womeaction")),
                  Styled(s, {{"WOMEA.womeatype|gak", {kInt, "2"}},
                             {"WOMEA.womvtpspot|grc", {kInt, "3"}},
                             {"WOMEA.wompvtpoint.x|gnsf_x", {kInt, "-5"}},
                             {"WOMEA.wompvtpoint.y|gnsf_y", {kInt, "6"}},
                             {"WOMEA.womeaoffset.x|gos_x", {kInt, "0"}},
                             {"WOMEA.womeaoffset.y|gos_y", {kInt, "0"}},
                             {"WOMEA.womregion", {kText, "0,0,0,0"}},
                             {"WOMEA.womeawoids|uids", {kText, "2|4"}}}));

        const Dump link = DumpOf(BlockOf(RecordOf(*attach), sea));
        EXPECT_EQ(link.size(), 4u);
        EXPECT_EQ(link.at(s ? "lnk" : "WOSEA.kleader").second +
                      link.at(s ? "cid" : "WOSEA.woid").second +
                      link.at(s ? "ccr" : "WOSEA.wocorner").second,
                  "294");
    }
}

TEST(DsgEActionTest, EveryKindSurvivesItsRecordInBothStyles) {
    std::vector<std::unique_ptr<CDsgEAction>> actions;
    int counter = 3;
    CDsgWOAmending block;
    block.SetRevolverAmending("UTP.obwbmp", RevolverOf(std::string("\0\1\2", 3)));
    actions.push_back(Made(&CDsgEAction::InitWOCreation, counter, nDSG_WOKIND__WOTEXT,
                           CRect(1, 2, 3, 4), TextAttributes(), TRUE));
    actions.push_back(Made(&CDsgEAction::InitWODeletion, 3));
    actions.push_back(Made(&CDsgEAction::InitWOCERDRMoving, 3, CRect(4, 3, 2, 1)));
    actions.push_back(Made(&CDsgEAction::InitEDRMoving, CRect(9, 9, 9, 9), 3));
    actions.push_back(Made(&CDsgEAction::InitWOAmending, 3, TRUE, block));
    actions.push_back(Made(&CDsgEAction::InitUZAlter, 3));
    actions.push_back(Made(&CDsgEAction::InitDZAlter, 3));
    actions.push_back(MadeSeveral(&CDsgEAction::InitWOMDeletion, CDsgWOIdSet{1, 2}));
    actions.push_back(
        MadeSeveral(&CDsgEAction::InitWOMDRMove, CDsgWOIdSet{1}, CRect(-1, 2, 300000, 4)));
    actions.push_back(
        MadeSeveral(&CDsgEAction::InitWOMEDRMoving, CDsgWOIdSet{5}, CPoint(-20000, 7)));
    actions.push_back(Made(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{6, 7}, TRUE,
                           TextAmend("UTP.lscript", "x")));
    actions.push_back(Made(&CDsgEAction::InitKLMCAdd, 4, TRUE));
    actions.push_back(Made(&CDsgEAction::InitKLJDetach, 4, 3, 1, FALSE));

    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        for (const auto& action : actions) {
            SCOPED_TRACE(GetEATypeName(action->GetEAType()));
            // What was read writes the same record again, so every field of it
            // came back.
            const CRevolver first = RecordOf(*action);
            CDsgEAction back(nDSG_WOMEATYPE__TOREAD);
            ASSERT_TRUE(back.EActionFromRevolver(first, 242));
            EXPECT_EQ(back.GetEAType(), action->GetEAType());
            EXPECT_EQ(DumpOf(RecordOf(back)), DumpOf(first));
        }
    }
}

TEST(DsgEActionTest, ReadersRefuseIncompleteRecords) {
    int counter = 0;
    const CRevolver amend =
        RecordOf(*Made(&CDsgEAction::InitWOAmending, 2, FALSE, TextAmend("UTP.lscript", "x")));
    const CRevolver several = RecordOf(
        *Made(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{1}, FALSE, TextAmend("UTP.lscript", "x")));
    const CRevolver paste = RecordOf(
        *MadeAs(nDSG_WOMEATYPE__MCREATE, &CDsgEAction::InitWOMCreation, CDsgWObjs(), counter));
    for (const CRevolver* good : {&amend, &several, &paste}) EXPECT_TRUE(Read(*good));

    const std::string sea = "EA.woseaction", woa = "WOSEA.woamending", mea = "EA.womeaction";
    const struct {
        const CRevolver& record;
        std::vector<std::string> path;
        std::function<void(CFxPropStore&)> change;
    } bad[] = {
        {amend, {}, Renamed(sea)},
        {amend, {sea}, Renamed("WOSEA.tprops")},
        {amend, {sea}, WithBlock("WOSEA.tprops", "")},
        {amend, {sea}, Renamed(woa)},
        {amend, {sea, woa}, WithInt("WOA.woatpvtype", 0)},
        {amend, {sea, woa}, WithInt("WOA.woatpvtype", 7)},
        {amend, {sea, woa}, Renamed("WOA.woatpkey")},
        {amend, {sea, woa}, Renamed("WOA.woatpvalue.str")},
        {amend, {sea, woa}, WithInt("WOA.woaregion", 1)},
        {amend,
         {sea, woa},
         [](CFxPropStore& s) {  // a bit amendment without its state
             s.SetInt("WOA.woatpvtype", 2);
             s.SetInt("WOA.bitnum", 1);
         }},
        {several, {}, Renamed(mea)},
        {several, {mea}, Renamed("WOMEA.woamending")},
        {several, {mea}, WithBlock("WOMEA.woamending", Bytes({0x22, 1, 'k'}))},
        {paste, {mea}, Renamed("WOMEA.wobjs")},
        {paste, {mea}, WithBlock("WOMEA.wobjs", "")},
    };
    for (size_t i = 0; i < std::size(bad); ++i)
        EXPECT_FALSE(Read(EditedAt(bad[i].record, bad[i].path, bad[i].change))) << i;
    EXPECT_FALSE(Read(RevolverOf(Bytes({0x40, 0x01, 'k'}))));

    // A link-group creation of an early version carried nothing else.
    const CRevolver old = RevolverOf(IntItem("EA.eatype", nDSG_EATYPE__MCADD));
    EXPECT_TRUE(Read(old, 101));
    EXPECT_FALSE(Read(old, 102));

    // A writer with an unknown value type fails and keeps the buffer.
    CDsgWOAmending unknown = TextAmend("UTP.lscript", "x");
    unknown.m_nWOATPVType = 9;
    CRevolver out = RevolverOf("keep");
    EXPECT_FALSE(Made(&CDsgEAction::InitWOAmending, 1, FALSE, unknown)->EActionToRevolver(out));
    EXPECT_EQ(ContentOf(out), "keep");
}

TEST(DsgEActionTest, ReadersLogTheirNumberedReasons) {
    ReasonLog log;
    CDsgEAction action(nDSG_WOMEATYPE__TOREAD);
    action.m_nEAType = nDSG_EATYPE__DRMOVE;
    EXPECT_FALSE(action.WOSEActionFromRevolver(CRevolver()));
    action.m_nEAType = nDSG_EATYPE__WOAMEND_WOMULTILY;
    EXPECT_FALSE(action.WOMEActionFromRevolver(CRevolver()));
    action.m_nWOMEAType = nDSG_WOMEATYPE__MCREATE;
    action.m_nEAType = nDSG_EATYPE__WOCREATE_WOMULTILY;
    EXPECT_FALSE(action.WOMEActionFromRevolver(RevolverOf(IntItem("WOMEA.womeatype", 1))));
    EXPECT_FALSE(action.WOAmendingFromRevolver(CRevolver()));
    EXPECT_FALSE(CDsgWObjs().WObjsFromRevolver(RevolverOf(Bytes({0x23, 1, 'n', 1, 0, 0, 0}))));

    const std::string text = log.Text();
    for (const std::string& reason :
         {std::string("WOSEActionFromRevolver Fail Reason 1.0"),
          "WOMEActionFromRevolver Fail Reason 3.0 " +
              A("v2.10\xeb\xb3\xb4\xeb\x8b\xa4 \xeb\x82\xae\xec\x9d\x80 "
                "\xeb\xb2\x84\xec\xa0\x84\xec\x9d\xbc \xea\xb1\xb0\xeb\x8b\xa4. "
                "v2.00\xea\xb9\x8c\xec\xa7\x80\xeb\x8f\x84 \xeb\xac\xb8\xec\xa0\x9c "
                "\xec\x9e\x88\xec\x9d\x8c"),
          std::string("CDsgWOMEAction::WOMEActionFromRevolver return FALSE 1.0"),
          std::string("CDsgWOAmending::WOAmendingFromRevolver Fail Reason 1.0"),
          std::string("CDsgWObjs::WObjsFromRevolver return FALSE 2.0 23 01 6E 01 00 00 00")}) {
        EXPECT_NE(text.find(reason), std::string::npos) << reason;
    }
}
