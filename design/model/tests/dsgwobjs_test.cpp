#include "design/model/dsgwobjs.h"

#include <gtest/gtest.h>

#include <climits>

#include "design/model/dsggoption.h"
#include "design/model/tests/eactionstesting.h"

using namespace eatesting;

namespace {

// A container filled directly, without a history.
class Objects : public CDsgWObjs {
public:
    // Enters an object under the given id, through a one-object history and
    // a copy that keeps the ids (negative counter).
    int Put(int id, int kind, const CRect& rect, const std::string& text = "") {
        Form form;
        auto create = Single();
        int counter = id;
        create->InitWOCreation(counter, kind, rect, CDsgUTProps(), FALSE);
        form.Add(std::move(create));
        if (!text.empty())
            static_cast<CDsgUTProps&>(*form.GetWObjById(id)).SetString("UTP.lscript", text);
        int keep = -1;
        CopyWObjsFrom(form, FALSE, keep);
        return id;
    }
    std::vector<int> ZOrder() const {
        return std::vector<int>(GetZOrder().begin(), GetZOrder().end());
    }
};

}  // namespace

TEST(DsgWOIdListTest, IndexFollowsTheNodes) {
    CDsgWOIdList list;
    for (int id : {5, 7, 9}) list.AddTail(id);
    list.InsertAfter(list.Find(5), 6);
    list.InsertBefore(list.Find(5), 4);
    EXPECT_TRUE(list.Remove(7));
    EXPECT_FALSE(list.Remove(7));
    list.AddTail(4);  // a second node of an id leaves the index at the first
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{4, 5, 6, 9, 4}));
    EXPECT_EQ(list.Find(4), list.begin());
    EXPECT_EQ(*list.Find(9), 9);
}

TEST(DsgWObjsTest, UnknownIdsAreRefused) {
    Objects objs;
    EXPECT_EQ(objs.GetWObjRect(3), CRect(-1, -1, -1, -1));
    EXPECT_FALSE(objs.SetWObjRect(3, CRect(1, 2, 3, 4)) || objs.OffsetWObj(3, 1, 1) ||
                 objs.RemoveWObj(3));
    EXPECT_EQ(objs.GetWOCorner(3, 1), CPoint(-1, -1));
    EXPECT_EQ(objs.GetNextZWOId(-1, TRUE), -1);

    objs.Put(3, nDSG_WOKIND__WOLINE, CRect(10, 20, 30, 40));
    EXPECT_TRUE(objs.OffsetWObj(3, 5, -5));
    EXPECT_EQ(objs.GetWOCorner(3, 2), CPoint(35, 15));
    EXPECT_EQ(objs.GetWOCorner(3, 5), CPoint(-1, -1));
    EXPECT_TRUE(objs.RemoveWObj(3));
    EXPECT_TRUE(objs.GetZOrder().IsEmpty());
}

TEST(DsgWObjsTest, NextInZOrderWrapsOnlyWhenAsked) {
    Objects objs;
    objs.Put(4, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    objs.Put(1, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    objs.Put(8, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10));
    EXPECT_EQ(objs.ZOrder(), (std::vector<int>{4, 1, 8}));
    EXPECT_EQ(objs.GetNextZWOId(4, FALSE), 1);
    EXPECT_EQ(objs.GetNextZWOId(8, FALSE), -1);
    EXPECT_EQ(objs.GetNextZWOId(8, TRUE), 4);
}

TEST(DsgWObjsTest, BoundingRectangle) {
    Objects objs;
    objs.Put(1, nDSG_WOKIND__WOLINE, CRect(500, 400, 100, 200));
    objs.Put(2, nDSG_WOKIND__WOBOX, CRect(600, 50, 700, 80));
    objs.Put(3, nDSG_WOKIND__WODNCHAR, CRect(900, 900, 1060, 1060));

    // One object comes as stored, not normalised; several as the normalised
    // union, a definable character counting as its first corner and unknown
    // ids passed over.
    const std::pair<CDsgWOIdSet, CRect> cases[] = {
        {{1}, CRect(500, 400, 100, 200)},    {{3}, CRect(900, 900, 1060, 1060)},
        {{}, CRect(-1, -1, -1, -1)},         {{42}, CRect(-1, -1, -1, -1)},
        {{1, 2}, CRect(100, 50, 700, 400)},  {{1, 3, 42}, CRect(100, 200, 900, 900)},
        {{1, 42}, CRect(100, 200, 500, 400)}};
    for (const auto& [ids, rect] : cases)
        EXPECT_EQ(objs.GetWObjsBoundRect(ids), rect) << ids.size();
}

TEST(DsgWObjsTest, CopyRenumbersFiltersAndReportsTheTopLeft) {
    Objects source;
    source.Put(10, nDSG_WOKIND__WOLINE, CRect(500, 400, 100, 200), "a");
    source.Put(11, nDSG_WOKIND__WOBOX, CRect(300, 50, 700, 80), "b");
    source.Put(12, nDSG_WOKIND__WOBOX, CRect(0, 0, 10, 10), "c");

    Objects target;
    target.Put(0, nDSG_WOKIND__WOBOX, CRect(1, 1, 2, 2));
    int counter = 5;
    const CDsgWOIdSet filter{10, 11};
    EXPECT_EQ(target.CopyWObjsFrom(source, FALSE, counter, &filter), CPoint(100, 50));
    EXPECT_EQ(counter, 7);
    EXPECT_EQ(target.ZOrder(), (std::vector<int>{0, 5, 6}));
    EXPECT_EQ(target.GetWObjById(5)->GetLMHugeRect(), CRect(500, 400, 100, 200));
    EXPECT_EQ(static_cast<CDsgUTProps&>(*target.GetWObjById(6)).GetString("UTP.lscript"), "b");

    // With the clear flag and nothing to copy.
    const CDsgWOIdSet none{99};
    EXPECT_EQ(target.CopyWObjsFrom(source, TRUE, counter, &none), CPoint(-1, -1));
    EXPECT_EQ(target.GetWObjCount(), 0);
    EXPECT_EQ(counter, 7);

    // The counter passes its top value and starts again at 1.
    counter = 0x7FFFFFFF;
    target.CopyWObjsFrom(source, TRUE, counter, &filter);
    EXPECT_EQ(target.ZOrder(), (std::vector<int>{0x7FFFFFFF, 1}));
    EXPECT_EQ(counter, 2);
}

TEST(DsgWObjsTest, RecordHoldsExactKeysInEachStyle) {
    Objects objs;
    objs.Put(7, nDSG_WOKIND__WOBOX, CRect(1, 2, 3, 4));
    objs.Put(3, nDSG_WOKIND__WOLINE, CRect(5, 6, 7, 8));
    // Items in id-map order, each an object's pair record; the order bottom
    // to top.
    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope scope(style);
        CRevolver buffer, first, second;
        ASSERT_TRUE(objs.WObjsToRevolver(buffer));
        ASSERT_TRUE(objs.GetWObjById(3)->TPropsToRevolver(first, style));
        ASSERT_TRUE(objs.GetWObjById(7)->TPropsToRevolver(second, style));
        EXPECT_EQ(DumpOf(buffer),
                  Styled(style == KEYSTYLE_SHORT, {{"WOS.wocount|count", {kInt, "2"}},
                                                   {"WOS.zowoids|uid_z", {kText, "7,3"}},
                                                   {"0", {kBlock, ContentOf(first)}},
                                                   {"1", {kBlock, ContentOf(second)}}}));
    }

    // An empty order gives the reading (id-map) order; unknown ids and
    // repeats are dropped, and an object the order leaves out goes on top.
    CRevolver buffer;
    ASSERT_TRUE(objs.WObjsToRevolver(buffer));
    const std::pair<const char*, std::vector<int>> orders[] = {
        {"", {3, 7}}, {"7,3", {7, 3}}, {"7,44,x,7", {7, 3}}, {"3,44", {3, 7}}};
    for (const auto& [order, expected] : orders) {
        const char* text = order;
        Objects back;
        ASSERT_TRUE(back.WObjsFromRevolver(
            Edited(buffer, [&](CFxPropStore& s) { s.SetString("WOS.zowoids", text); })));
        EXPECT_EQ(back.ZOrder(), expected) << order;
        EXPECT_EQ(back.GetWObjRect(3), CRect(5, 6, 7, 8));
    }
}

TEST(DsgWObjsTest, BadRecordsLeaveTheContainerAsItWas) {
    Objects objs;
    objs.Put(7, nDSG_WOKIND__WOBOX, CRect(1, 2, 3, 4));
    objs.Put(3, nDSG_WOKIND__WOLINE, CRect(5, 6, 7, 8));
    CRevolver good;
    ASSERT_TRUE(objs.WObjsToRevolver(good));

    const CRevolver bad[] = {
        Edited(good, Renamed("WOS.wocount")),
        Edited(good, WithInt("WOS.wocount", 3)),
        Edited(good, WithInt("WOS.wocount", -1)),
        Edited(good, [](CFxPropStore& s) { s.SetRevolver("1", RevolverOf("\x22\x01x")); }),
        Edited(good, [](CFxPropStore& s) { s.SetRevolver("1", CRevolver()); }),
        RevolverOf(Bytes({0x22, 0x01, 'k'})),
    };
    for (const CRevolver& record : bad) {
        Objects target;
        target.Put(1, nDSG_WOKIND__WOTEXT, CRect(9, 9, 9, 9));
        EXPECT_FALSE(target.WObjsFromRevolver(record));
        EXPECT_EQ(target.ZOrder(), (std::vector<int>{1}));
        EXPECT_EQ(target.GetWObjRect(1), CRect(9, 9, 9, 9));
    }

    // A full copy goes through the record.
    Objects copy;
    ASSERT_TRUE(copy.WObjsCopyFrom(objs));
    EXPECT_EQ(copy.ZOrder(), (std::vector<int>{7, 3}));
}

namespace {

// Sets the LCD size of the global options for the lifetime of the object.
class LcdSizeScope {
public:
    LcdSizeScope(int width, int height) : m_saved(GetDsgGOption()) {
        GetDsgGOption().SetInt(GOPT_LMWIDTH, width);
        GetDsgGOption().SetInt(GOPT_LMHEIGHT, height);
    }
    ~LcdSizeScope() { GetDsgGOption().CopyFrom(m_saved); }

private:
    CFxRevPropStore m_saved;
};

}  // namespace

TEST(DsgWObjsTest, ChosenObjectQueries) {
    Form form;
    const int a = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 100, 100));
    const int ch = CreateDragged(form, nDSG_WOKIND__WODNCHAR, CRect(0, 0, 160000, 160000));
    const int c = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(5, 5, 10, 10));
    int neighbour = 0, own = 0;
    EXPECT_FALSE(form.GetCWOCHZNeighbour(TRUE, neighbour, own));
    form.ACWOChoose(ch, FALSE);
    EXPECT_TRUE(form.IsSingleWODNCharChosen());
    ASSERT_TRUE(form.GetCWOCHZNeighbour(TRUE, neighbour, own));
    EXPECT_EQ(own * 10 + neighbour, ch * 10 + c);
    ASSERT_TRUE(form.GetCWOCHZNeighbour(FALSE, neighbour, own));
    EXPECT_EQ(neighbour, a);
    form.ACWOChoose(c, FALSE);
    ASSERT_TRUE(form.GetCWOCHZNeighbour(TRUE, neighbour, own));
    EXPECT_EQ(neighbour, -1);
    EXPECT_FALSE(form.IsSingleWODNCharChosen());
    form.WOChoose(a);
    EXPECT_FALSE(form.GetCWOCHZNeighbour(TRUE, neighbour, own));

    // One object only: no neighbour to swap with.
    Form single;
    const int only = CreateDragged(single, nDSG_WOKIND__WOBOX, CRect(0, 0, 1, 1));
    single.ACWOChoose(only, FALSE);
    EXPECT_FALSE(single.GetCWOCHZNeighbour(TRUE, neighbour, own));
}

TEST(DsgWObjsTest, GripUnderThePoint) {
    Form form;
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(0, 0), TRUE), nDSG_GRIP__NONE);
    // Drawn from lower right; in client units as stored (no page).
    const int thin = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(105, 200, 100, 100));
    form.ACWOChoose(thin, FALSE);
    // Narrower than 12: widened to 7 either side of the centre (102), and
    // the centre grip is tested before the side grips.
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(110, 150), TRUE), nDSG_GRIP__CENTER);
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(95, 100), TRUE), nDSG_GRIP__LEFTTOP);
    // Not normalised, the reversed box counts as lower than 12 as well.
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(95, 100), FALSE), nDSG_GRIP__NONE);
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(102, 180), TRUE), nDSG_GRIP__NONE);
    form.ACWOChoose(77, FALSE);
    EXPECT_EQ(form.GetWOCHGripByPoint(CPoint(110, 150), TRUE), nDSG_GRIP__NONE);
}

TEST(DsgWObjsTest, RubberBandChoice) {
    Form form;
    const int inside = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(10, 10, 100, 100));
    // Second corner on the right and bottom edges: still in.
    const int edge = CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(0, 0, 200, 200));
    // First corner on the right edge: out.
    CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(200, 50, 150, 60));
    // Reversed line whose first corner is inside and second outside: out.
    CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(50, 50, -1, 60));
    form.WOChoose(99);
    form.WOChooseInRect(CRect(0, 0, 200, 200));
    EXPECT_EQ(form.GetCWOCHId(), inside);
    EXPECT_EQ(form.GetSWOCHIds(), (std::set<int>{edge}));
}

TEST(DsgWObjsTest, NearestObjectPick) {
    LcdSizeScope lcd(80, 50);
    Form form;
    CDsgUTProps attributes;
    attributes.SetString("UTP.cswitch", "0");
    // Two boxes whose centres are equally far from (500000, 250000).
    const int lower =
        CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(300000, 200000, 500000, 300000), attributes);
    const int upper =
        CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(500000, 200000, 700000, 300000));
    CDsgUTProps out;
    CPoint centre;
    ASSERT_TRUE(form.PickWObjNearPoint(CPoint(500000, 250000), out, centre));
    EXPECT_EQ(form.GetCWOCHId(), lower);
    EXPECT_EQ(centre, CPoint(400000, 250000));
    EXPECT_EQ(out.GetString("UTP.cswitch"), "0");

    // Strictly nearer wins; the old current object stays chosen.
    ASSERT_TRUE(form.PickWObjNearPoint(CPoint(560000, 250000), out, centre));
    EXPECT_EQ(form.GetCWOCHId(), upper);
    EXPECT_TRUE(form.IsWOIdWOChosen(lower));
    EXPECT_EQ(out.GetString("UTP.cswitch"), "1");

    // Within 15 dots of an object, but outside the LCD (80 dots): nothing.
    EXPECT_TRUE(form.PickWObjNearPoint(CPoint(799999, 250000), out, centre));
    EXPECT_FALSE(form.PickWObjNearPoint(CPoint(820000, 250000), out, centre));
    EXPECT_FALSE(form.PickWObjNearPoint(CPoint(500000, 500000), out, centre));
    EXPECT_FALSE(form.PickWObjNearPoint(CPoint(500000, 45000), out, centre));
}

// Offsets and target regions come from form records: extreme values are held
// at the ends of the coordinate range instead of wrapping round.
TEST(DsgWObjsTest, ExtremeCoordinatesFromRecordsSaturate) {
    Objects objs;
    objs.Put(1, nDSG_WOKIND__WOBOX, CRect(10, -10, 20, -20));
    objs.OffsetWObjs({1}, INT_MAX, INT_MIN);
    EXPECT_EQ(objs.GetWObjRect(1), CRect(INT_MAX, INT_MIN, INT_MAX, INT_MIN));

    objs.Put(2, nDSG_WOKIND__WOBOX, CRect(0, 0, 100000, 100000));
    objs.MDRMoveWObjs({2}, CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(objs.GetWObjRect(2), CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));

    // A definable character spanning the whole range, dragged up by its
    // first corner, moves and keeps its size as far as the range allows.
    objs.Put(3, nDSG_WOKIND__WODNCHAR, CRect(INT_MIN, 160000, INT_MAX, 320000));
    objs.PRMoveWObjs({3}, 1, CPoint(INT_MIN, 0));
    EXPECT_EQ(objs.GetWObjRect(3), CRect(INT_MIN, 0, INT_MAX, 160000));
}
