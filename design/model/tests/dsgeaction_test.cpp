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

// Writes an action and reads it back into a fresh one.
std::unique_ptr<CDsgEAction> RoundTrip(const CDsgEAction& action, int version = 242) {
    CRevolver buffer;
    EXPECT_TRUE(action.EActionToRevolver(buffer));
    auto back = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__TOREAD);
    EXPECT_TRUE(back->EActionFromRevolver(buffer, version));
    return back;
}

}  // namespace

TEST(DsgEActionTest, KindNames) {
    EXPECT_EQ(GetEATypeName(9), "WOCreate_WOMultily");
    EXPECT_EQ(GetEATypeName(17), "jdetach");
    EXPECT_EQ(GetEATypeName(0), "undefined");
    EXPECT_EQ(GetEATypeName(18), "undefined");
}

TEST(DsgEActionTest, CreationTakesTheCounterAndTheKindsAttributes) {
    int counter = 0;
    CDsgEAction create(nDSG_WOMEATYPE__SINGLE);
    ASSERT_TRUE(create.InitWOCreation(counter, nDSG_WOKIND__WOTEXT, CRect(1, 2, 3, 4),
                                      TextAttributes(), TRUE));
    // The first object of a fresh form gets id 0.
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(create.GetWOId(), 0);
    EXPECT_EQ(create.GetEAType(), nDSG_EATYPE__WOCREATE);
    EXPECT_EQ(create.GetEASwift(), 1);
    EXPECT_EQ(create.m_tprops.GetWOKind(), nDSG_WOKIND__WOTEXT);
    EXPECT_EQ(create.m_tprops.GetLMHugeRect(), CRect(1, 2, 3, 4));
    const CDsgUTProps& ut = create.m_tprops;
    EXPECT_EQ(ut.GetString("UTP.lscript"), "HELLO");
    EXPECT_EQ(ut.GetString("UTP.bstate"), "1");
    // Not a key of texts.
    EXPECT_FALSE(ut.HasKey("UTP.dtsize"));

    // The counter wraps from its top value to 1.
    counter = 0x7FFFFFFF;
    CDsgEAction last(nDSG_WOMEATYPE__SINGLE);
    ASSERT_TRUE(last.InitWOCreation(counter, nDSG_WOKIND__WOBOX, CRect(), CDsgUTProps(), FALSE));
    EXPECT_EQ(last.GetWOId(), 0x7FFFFFFF);
    EXPECT_EQ(counter, 1);

    // A kind outside 0..49: no creation, the counter stays.
    counter = 4;
    CDsgEAction bad(nDSG_WOMEATYPE__SINGLE);
    EXPECT_FALSE(bad.InitWOCreation(counter, 50, CRect(), CDsgUTProps(), FALSE));
    EXPECT_EQ(counter, 4);
    EXPECT_NE(bad.GetEAType(), nDSG_EATYPE__WOCREATE);
}

TEST(DsgEActionTest, SingleObjectActionsReplay) {
    Form form;
    const int box = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000));
    const int text =
        CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(10, 10, 20, 20), TextAttributes());
    const int line = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(90, 90, 5, 5));
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{box, text, line}));
    EXPECT_EQ(form.GetWObjRect(line), CRect(90, 90, 5, 5));
    EXPECT_EQ(form.UT(text, "UTP.lscript"), "HELLO");

    form.Do(&CDsgEAction::InitDRMoving, box, CRect(1, 1, 50, 50));
    EXPECT_EQ(form.GetWObjRect(box), CRect(1, 1, 50, 50));

    form.Do(&CDsgEAction::InitEDRMoving, CRect(7, 7, 8, 8), text);
    EXPECT_EQ(form.GetWObjRect(text), CRect(7, 7, 8, 8));

    // A grip drag records the dragged rectangle, not normalised.
    EXPECT_EQ(form.Do(&CDsgEAction::InitPRMoving, CRect(10, 10, 20, 20), line, 1, CPoint(30, 40))
                  .GetEAType(),
              nDSG_EATYPE__DRMOVE);
    EXPECT_EQ(form.GetWObjRect(line), CRect(30, 40, 20, 20));

    CDsgWOAmending amending = TextAmend("UTP.lscript", "BYE");
    amending.SetRegion(CRect(3, 3, 4, 4));
    form.Do(&CDsgEAction::InitWOAmending, text, FALSE, amending);
    EXPECT_EQ(form.UT(text, "UTP.lscript"), "BYE");
    EXPECT_EQ(form.GetWObjRect(text), CRect(3, 3, 4, 4));

    EXPECT_EQ(form.Do(&CDsgEAction::InitWODeletion, box).m_tprops.GetLMHugeRect(),
              CRect(-1, -1, -1, -1));
    EXPECT_EQ(form.GetWObjById(box), nullptr);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{text, line}));
    EXPECT_TRUE(form.lastRebuild);

    // The rebuild drops chosen objects that are gone.
    form.WOChoose(text);
    form.WOChoose(line);
    form.Undo();
    EXPECT_EQ(form.GetWOCHCount(), 2);
    form.Do(&CDsgEAction::InitWODeletion, line);
    EXPECT_EQ(form.GetWOCHCount(), 1);
    EXPECT_FALSE(form.IsWOIdWOChosen(line));
}

TEST(DsgEActionTest, ZOrderChangesStopAtTheEnds) {
    Form form;
    const int a = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    const int b = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    const int c = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));

    form.Do(&CDsgEAction::InitUZAlter, a);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{b, a, c}));
    form.Do(&CDsgEAction::InitUZAlter, c);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{b, a, c}));
    form.Do(&CDsgEAction::InitDZAlter, c);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{b, c, a}));
    form.Do(&CDsgEAction::InitDZAlter, b);
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{b, c, a}));
    EXPECT_TRUE(form.lastRebuild);
}

TEST(DsgEActionTest, AmendmentsOfEachValueType) {
    CDsgTProps tp;
    CDsgWOAmending bit;
    // Bit 33 is bit 1.
    tp.GetUTProps().SetString("UTP.bstate", "4");
    bit.SetBitAmending("UTP.bstate", 33, TRUE);
    ASSERT_TRUE(bit.WOAmendTProps(tp));
    EXPECT_EQ(tp.GetUTProps().GetString("UTP.bstate"), "6");
    bit.SetBitAmending("UTP.bstate", 2, FALSE);
    ASSERT_TRUE(bit.WOAmendTProps(tp));
    EXPECT_EQ(tp.GetUTProps().GetString("UTP.bstate"), "2");
    // The top bit makes the number negative; a negative bit number counts
    // modulo 32 as well.
    bit.SetBitAmending("UTP.bstate", -1, TRUE);
    ASSERT_TRUE(bit.WOAmendTProps(tp));
    EXPECT_EQ(tp.GetUTProps().GetString("UTP.bstate"), std::to_string(INT32_MIN + 2));
    // A missing key counts as 0.
    bit.SetBitAmending("UTP.new", 0, TRUE);
    ASSERT_TRUE(bit.WOAmendTProps(tp));
    EXPECT_EQ(tp.GetUTProps().GetString("UTP.new"), "1");

    CDsgWOAmending block;
    block.SetRevolverAmending("UTP.obwbmp", RevolverOf("BM12"));
    ASSERT_TRUE(block.WOAmendTProps(tp));
    CRevolver picture;
    ASSERT_TRUE(tp.GetUTProps().LookupRevolver("UTP.obwbmp", picture));
    EXPECT_EQ(ContentOf(picture), "BM12");
    EXPECT_EQ(tp.GetLMHugeRect(), CRect(0, 0, 0, 0));

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
    const int menu = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    auto paste =
        MadeAs(nDSG_WOMEATYPE__MCREATE, &CDsgEAction::InitWOMCreation, clip, form.WOIdCounter());
    EXPECT_EQ(form.GetWOIdCounter(), 3);
    EXPECT_EQ(paste->GetEAType(), nDSG_EATYPE__WOCREATE_WOMULTILY);

    // Its record carries the copies as a container record, in either style.
    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        const bool s = style == KEYSTYLE_SHORT;
        CRevolver buffer, objects;
        ASSERT_TRUE(paste->EActionToRevolver(buffer));
        ASSERT_TRUE(paste->WObjsToRevolver(objects));
        EXPECT_EQ(DumpOf(BlockOf(buffer, s ? "gea" : "EA.womeaction")),
                  (Dump{{s ? "gak" : "WOMEA.womeatype", {kInt, "1"}},
                        {s ? "obg" : "WOMEA.wobjs", {kBlock, ContentOf(objects)}}}));
        auto back = RoundTrip(*paste);
        EXPECT_EQ(back->GetEAType(), nDSG_EATYPE__WOCREATE_WOMULTILY);
        EXPECT_EQ(back->m_nWOMEAType, nDSG_WOMEATYPE__MCREATE);
        EXPECT_EQ(back->GetWObjRect(2), CRect(5, 5, 10, 10));
    }

    form.Add(std::move(paste));
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{menu, 1, 2}));
    EXPECT_EQ(form.UT(menu, "UTP.wonorder"), "0");
    EXPECT_EQ(form.UT(1, "UTP.wonorder"), "1");
    EXPECT_EQ(form.GetWObjRect(2), CRect(5, 5, 10, 10));
    EXPECT_EQ(form.GetWOMenuCount(), 2);
}

TEST(DsgEActionTest, MenuOrderNumbersFillGaps) {
    Form form;
    const int m0 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    const int m1 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    const int m2 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    EXPECT_EQ(form.UT(m0, "UTP.wonorder"), "0");
    EXPECT_EQ(form.UT(m1, "UTP.wonorder"), "1");
    EXPECT_EQ(form.UT(m2, "UTP.wonorder"), "2");
    form.Do(&CDsgEAction::InitWODeletion, m1);
    const int m3 = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    EXPECT_EQ(form.UT(m3, "UTP.wonorder"), "1");
    EXPECT_EQ(form.GetFVacantWONOrder(), 3);

    // Numbers changed or freed by earlier actions of the same replay count.
    Form other;
    const int a = CreateDragged(other, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    const int b = CreateDragged(other, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    other.Do(&CDsgEAction::InitWOAmending, a, FALSE, TextAmend("UTP.wonorder", "5"));
    const int c = CreateDragged(other, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    EXPECT_EQ(other.UT(c, "UTP.wonorder"), "0");
    other.Do(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{c}, FALSE, TextAmend("UTP.wonorder", "-1"));
    other.DoSeveral(&CDsgEAction::InitWOMDeletion, CDsgWOIdSet{b});
    const int d = CreateDragged(other, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    EXPECT_EQ(other.UT(d, "UTP.wonorder"), "0");
    const int e = CreateDragged(other, nDSG_WOKIND__WOMENU, CRect(0, 0, 10, 10));
    EXPECT_EQ(other.UT(e, "UTP.wonorder"), "1");
    // Outside a replay the objects themselves are asked.
    static_cast<CDsgUTProps&>(*other.GetWObjById(d)).SetString("UTP.wonorder", "7");
    EXPECT_EQ(other.GetFVacantWONOrder(), 0);

    // With all hundred numbers taken a new menu gets 99.
    for (int i = 0; i < 97; ++i) CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 1, 1));
    EXPECT_EQ(form.GetFVacantWONOrder(), -1);
    const int extra = CreateDragged(form, nDSG_WOKIND__WOMENU, CRect(0, 0, 1, 1));
    EXPECT_EQ(form.UT(extra, "UTP.wonorder"), "99");
}

TEST(DsgEActionTest, SeveralObjectGeometry) {
    Form form;
    const int a = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000));
    const int b = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(200000, 200000, 100000, 100000));
    const int ch = CreateDragged(form, nDSG_WOKIND__WODNCHAR, CRect(100000, 0, 260000, 160000));

    // Offset: absent ids are skipped.
    form.DoSeveral(&CDsgEAction::InitWOMEDRMoving, CDsgWOIdSet{a, b, 77}, CPoint(10, -10));
    EXPECT_EQ(form.GetWObjRect(a), CRect(10, -10, 100010, 99990));
    EXPECT_EQ(form.GetWObjRect(b), CRect(200010, 199990, 100010, 99990));
    form.Undo();

    // Doubling the box of a and b (0,0)-(200000,200000) by its bottom-right
    // grip; the definable character (a point at (100000,0) in the box)
    // moves and keeps its size.
    form.DoSeveral(&CDsgEAction::InitWOMPRMoving, CDsgWOIdSet{a, b, ch}, 4, CPoint(400000, 400000));
    EXPECT_EQ(form.GetWObjRect(a), CRect(0, 0, 200000, 200000));
    EXPECT_EQ(form.GetWObjRect(b), CRect(400000, 400000, 200000, 200000));
    EXPECT_EQ(form.GetWObjRect(ch), CRect(200000, 0, 360000, 160000));

    // A target narrower than 2 dots changes nothing.
    form.DoSeveral(&CDsgEAction::InitWOMPRMoving, CDsgWOIdSet{a, b}, 6, CPoint(10000, 0));
    EXPECT_EQ(form.GetWObjRect(a), CRect(0, 0, 200000, 200000));

    // Into a rectangle: definable characters are mapped like the others.
    form.DoSeveral(&CDsgEAction::InitWOMDRMove, CDsgWOIdSet{a, ch}, CRect(0, 0, 100000, 50000));
    // From the box (0,0)-(200000,200000), in which the character counts as
    // its first corner, to half the width and a quarter of the height.
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

TEST(DsgEActionTest, SeveralObjectAmendmentAndLinks) {
    Form form;
    const int t1 = CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(0, 0, 1, 1), TextAttributes());
    const int t2 = CreateDragged(form, nDSG_WOKIND__WOTEXT, CRect(0, 0, 1, 1), TextAttributes());
    form.Do(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{t1, t2, 50}, FALSE,
            TextAmend("UTP.krnfindex", "2"));
    EXPECT_EQ(form.UT(t1, "UTP.krnfindex"), "2");
    EXPECT_EQ(form.UT(t2, "UTP.krnfindex"), "2");

    const int l1 = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(0, 0, 10, 10));
    const int l2 = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(10, 10, 20, 0));
    form.Do(&CDsgEAction::InitKLMCAdd, 0, TRUE);
    form.Do(&CDsgEAction::InitKLJAttach, 0, l1, 4, TRUE);
    form.Do(&CDsgEAction::InitKLJAttach, 0, l2, 1, FALSE);
    EXPECT_EQ(form.GetKLEndLeader(l1, 4), 0);
    EXPECT_EQ(form.GetKLEndLeader(l2, 1), 0);
    // A detach for a group that does not exist does not stop the rebuild.
    form.Do(&CDsgEAction::InitKLJDetach, 5, l1, 1, FALSE);
    EXPECT_TRUE(form.lastRebuild);
    EXPECT_EQ(form.GetKLGroupCount(), 1);

    // Undo takes the three link actions back as one step.
    form.Undo();
    form.Undo();
    EXPECT_EQ(form.GetKLGroupCount(), 0);
    EXPECT_EQ(form.GetEAction(form.GetCurrentEAIndex())->GetEAType(), nDSG_EATYPE__WOCERDRMOVE);
}

TEST(DsgEActionTest, ReplayStopsAtAnActionWithoutItsObject) {
    Form form;
    const int a = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    form.Do(&CDsgEAction::InitDRMoving, 42, CRect(1, 1, 2, 2));
    EXPECT_FALSE(form.lastRebuild);
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    EXPECT_EQ(form.ZOrder(), (std::vector<int>{a}));

    // A creation of an id that is there, or an action without an id.
    Form twice;
    CreateDragged(twice, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    twice.SetWOIdCounter(0);
    CreateDragged(twice, nDSG_WOKIND__WOLINE, CRect(0, 0, 10, 10));
    EXPECT_FALSE(twice.lastRebuild);
    EXPECT_EQ(twice.GetWObjById(0)->GetWOKind(), nDSG_WOKIND__WOBOX);
    Form noId;
    auto up = Single();
    up->m_nEAType = nDSG_EATYPE__UZALTER;
    noId.Add(std::move(up));
    EXPECT_FALSE(noId.lastRebuild);
    // A z-order change of an object that is not there stops it as well.
    Form missing;
    missing.Do(&CDsgEAction::InitDZAlter, 3);
    EXPECT_FALSE(missing.lastRebuild);
}

TEST(DsgEActionTest, RecordsHoldExactKeysInEachStyle) {
    CDsgEAction move(nDSG_WOMEATYPE__SINGLE);
    move.InitDRMoving(9, CRect(1, 2, 3, 4));
    CDsgEAction amend(nDSG_WOMEATYPE__SINGLE);
    CDsgWOAmending amending;
    amending.SetBitAmending("UTP.bstate", 3, TRUE);
    amending.SetRegion(CRect(5, 6, 7, 8));
    amend.InitWOAmending(9, TRUE, amending);
    CDsgEAction stretch(nDSG_WOMEATYPE__MGEOM);
    stretch.InitWOMPRMoving({4, 2}, 3, CPoint(-5, 6));
    CDsgEAction attach(nDSG_WOMEATYPE__SINGLE);
    attach.InitKLJAttach(2, 9, 4, TRUE);

    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        const bool s = style == KEYSTYLE_SHORT;
        auto k = [s](const char* longKey, const char* shortKey) {
            return std::string(s ? shortKey : longKey);
        };
        CRevolver buffer, pair;

        ASSERT_TRUE(move.EActionToRevolver(buffer));
        ASSERT_TRUE(move.m_tprops.TPropsToRevolver(pair, style));
        EXPECT_EQ(DumpOf(buffer),
                  (Dump{{k("EA.eatype", "ack"), {kInt, "4"}},
                        {k("EA.easwift", "sw"), {kInt, "0"}},
                        {k("EA.woseaction", "oea"),
                         {kBlock, ContentOf(BlockOf(buffer, k("EA.woseaction", "oea")))}}}));
        const CRevolver sea = BlockOf(buffer, k("EA.woseaction", "oea"));
        EXPECT_EQ(DumpOf(sea), (Dump{{k("WOSEA.tprops", "oa"), {kBlock, ContentOf(pair)}}}));

        ASSERT_TRUE(amend.EActionToRevolver(buffer));
        EXPECT_EQ(DumpOf(buffer)[k("EA.easwift", "sw")], std::make_pair(kInt, std::string("1")));
        const CRevolver asea = BlockOf(buffer, k("EA.woseaction", "oea"));
        EXPECT_EQ(KeyTypesOf(asea),
                  (std::map<std::string, int>{{k("WOSEA.tprops", "oa"), kBlock},
                                              {k("WOSEA.woamending", "rp"), kBlock}}));
        EXPECT_EQ(DumpOf(BlockOf(asea, k("WOSEA.woamending", "rp"))),
                  (Dump{{k("WOA.woatpkey", "rf"), {kText, "UTP.bstate"}},
                        {k("WOA.woatpvtype", "typ"), {kInt, "2"}},
                        {k("WOA.bitnum", "bn"), {kInt, "3"}},
                        {k("WOA.biton", "bo"), {kInt, "1"}},
                        {k("WOA.woaregion", "mr"), {kInt, "1"}},
                        {k("WOA.woaleft", "left"), {kInt, "5"}},
                        {k("WOA.woatop", "top"), {kInt, "6"}},
                        {k("WOA.woaright", "right"), {kInt, "7"}},
                        {k("WOA.woabottom", "bottom"), {kInt, "8"}}}));

        ASSERT_TRUE(stretch.EActionToRevolver(buffer));
        EXPECT_EQ(KeyTypesOf(buffer),
                  (std::map<std::string, int>{{k("EA.eatype", "ack"), kInt},
                                              {k("EA.easwift", "sw"), kInt},
                                              {k("EA.womeaction", "gea"), kBlock},
                                              {k("EA.womeatype", "gak"), kInt}}));
        EXPECT_EQ(DumpOf(buffer)[k("EA.womeatype", "gak")], std::make_pair(kInt, std::string("2")));
        EXPECT_EQ(DumpOf(BlockOf(buffer, k("EA.womeaction", "gea"))),
                  (Dump{{k("WOMEA.womeatype", "gak"), {kInt, "2"}},
                        {k("WOMEA.womvtpspot", "grc"), {kInt, "3"}},
                        {k("WOMEA.wompvtpoint.x", "gnsf_x"), {kInt, "-5"}},
                        {k("WOMEA.wompvtpoint.y", "gnsf_y"), {kInt, "6"}},
                        {k("WOMEA.womeaoffset.x", "gos_x"), {kInt, "0"}},
                        {k("WOMEA.womeaoffset.y", "gos_y"), {kInt, "0"}},
                        {"WOMEA.womregion", {kText, "0,0,0,0"}},
                        {k("WOMEA.womeawoids", "uids"), {kText, "2|4"}}}));

        ASSERT_TRUE(attach.EActionToRevolver(buffer));
        const CRevolver lsea = BlockOf(buffer, k("EA.woseaction", "oea"));
        const Dump link = DumpOf(lsea);
        EXPECT_EQ(link.size(), 4u);
        EXPECT_EQ(link.at(k("WOSEA.kleader", "lnk")), std::make_pair(kInt, std::string("2")));
        EXPECT_EQ(link.at(k("WOSEA.woid", "cid")), std::make_pair(kInt, std::string("9")));
        EXPECT_EQ(link.at(k("WOSEA.wocorner", "ccr")), std::make_pair(kInt, std::string("4")));
    }
}

TEST(DsgEActionTest, EveryKindSurvivesItsRecordInBothStyles) {
    std::vector<std::unique_ptr<CDsgEAction>> actions;
    int counter = 3;
    actions.push_back(Made(&CDsgEAction::InitWOCreation, counter, nDSG_WOKIND__WOTEXT,
                           CRect(1, 2, 3, 4), TextAttributes(), TRUE));
    actions.push_back(Made(&CDsgEAction::InitWODeletion, 3));
    actions.push_back(Made(&CDsgEAction::InitWOCERDRMoving, 3, CRect(4, 3, 2, 1)));
    actions.push_back(Made(&CDsgEAction::InitEDRMoving, CRect(9, 9, 9, 9), 3));
    actions.push_back(Single());
    CDsgWOAmending block;
    block.SetRevolverAmending("UTP.obwbmp", RevolverOf(std::string("\0\1\2", 3)));
    actions.back()->InitWOAmending(3, TRUE, block);
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
            auto back = RoundTrip(*action);
            EXPECT_EQ(back->GetEAType(), action->GetEAType());
            EXPECT_EQ(back->GetKLWOId(), action->GetKLWOId());
            // What was read writes the same record again, so every field of it
            // came back.
            CRevolver first, second;
            action->EActionToRevolver(first);
            back->EActionToRevolver(second);
            EXPECT_EQ(DumpOf(first), DumpOf(second));
        }
    }
}

TEST(DsgEActionTest, ReadersRefuseIncompleteRecords) {
    auto read = [](const CRevolver& record, int version = 242) {
        CDsgEAction action(nDSG_WOMEATYPE__TOREAD);
        return action.EActionFromRevolver(record, version);
    };
    auto recordOf = [](std::unique_ptr<CDsgEAction> action) {
        CRevolver record;
        EXPECT_TRUE(action->EActionToRevolver(record));
        return record;
    };
    int counter = 0;
    const CRevolver amend =
        recordOf(Made(&CDsgEAction::InitWOAmending, 2, FALSE, TextAmend("UTP.lscript", "x")));
    const CRevolver several = recordOf(
        Made(&CDsgEAction::InitWOMAmending, CDsgWOIdSet{1}, FALSE, TextAmend("UTP.lscript", "x")));
    const CRevolver paste = recordOf(
        MadeAs(nDSG_WOMEATYPE__MCREATE, &CDsgEAction::InitWOMCreation, CDsgWObjs(), counter));
    for (const CRevolver* good : {&amend, &several, &paste}) EXPECT_TRUE(read(*good));

    const std::string sea = "EA.woseaction", woa = "WOSEA.woamending", mea = "EA.womeaction";
    struct Bad {
        const CRevolver& record;
        std::vector<std::string> path;
        std::function<void(CFxPropStore&)> change;
    };
    const Bad bad[] = {
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
         [](CFxPropStore& s) {
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
        EXPECT_FALSE(read(EditedAt(bad[i].record, bad[i].path, bad[i].change))) << i;
    EXPECT_FALSE(read(RevolverOf(Bytes({0x40, 0x01, 'k'}))));

    // A link-group creation of an early version carried nothing else.
    CFxRevPropStore old;
    old.SetInt("EA.eatype", nDSG_EATYPE__MCADD);
    CRevolver oldRecord;
    old.ToRevolver(oldRecord);
    EXPECT_TRUE(read(oldRecord, 101));
    EXPECT_FALSE(read(oldRecord, 102));

    // A writer with an unknown value type fails.
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
    CFxRevPropStore paste;
    paste.SetInt("WOMEA.womeatype", 1);
    CRevolver record;
    paste.ToRevolver(record);
    EXPECT_FALSE(action.WOMEActionFromRevolver(record));
    EXPECT_FALSE(action.WOAmendingFromRevolver(CRevolver()));
    CDsgWObjs objs;
    EXPECT_FALSE(objs.WObjsFromRevolver(RevolverOf(Bytes({0x23, 1, 'n', 1, 0, 0, 0}))));

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
