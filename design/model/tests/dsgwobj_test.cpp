#include "design/model/dsgwobj.h"

#include <gtest/gtest.h>

#include <climits>

#include "design/model/dsgrgckmap.h"
#include "design/model/dsgwobjkeysets.h"

namespace {

CFxKeySet Keys(std::initializer_list<const char*> keys) {
    CFxKeySet set;
    for (const char* key : keys) set.insert(key);
    return set;
}

CFxKeySet KindKeys(int kind) {
    const CFxKeySet* keys = GetUTPKeySet().GetWOKindKeySet(kind);
    return keys ? *keys : CFxKeySet{"<none>"};
}

}  // namespace

TEST(DsgWObjKindTest, NamesAndFaces) {
    const std::pair<int, const char*> names[] = {
        {0, "WO???"},    {1, "WOKind_Error"}, {2, "WOBox"},         {3, "WOLine"},
        {4, "WOText"},   {5, "WOFBox"},       {6, "WOEllipse"},     {7, "WOFEllipse"},
        {8, "WOImage"},  {9, "WOKind_Error"}, {10, "WOMenu"},       {11, "WODNChar"},
        {12, "WOPText"}, {13, "WOJClip"},     {14, "WOKind_Error"}, {-1, "WOKind_Error"}};
    for (const auto& [kind, name] : names) EXPECT_EQ(GetWOKindName(kind), name) << kind;

    const int faces[] = {0, 0, 1, 1, 2, 1, 1, 1, 4, 0, 3, 5, 6, 7, 0};
    for (int kind = 0; kind < 15; ++kind) EXPECT_EQ(GetWOKindXFace(kind), faces[kind]) << kind;
    EXPECT_EQ(GetWOKindXFace(-3), 0);
}

TEST(DsgWObjKindTest, AttributeKeysOfEachKind) {
    const CFxKeySet figure = Keys({"UTP.dtsize", "UTP.dtspace", "UTP.cswitch"});
    const CFxKeySet text = Keys({"UTP.lscript", "UTP.krnfindex", "UTP.alnfindex", "UTP.bstate",
                                 "UTP.is_underlined", "UTP.is_inversed"});
    CFxKeySet menu = text;
    menu.insert("UTP.wonstyle");
    EXPECT_EQ(KindKeys(2), figure);
    EXPECT_EQ(KindKeys(3), figure);
    EXPECT_EQ(KindKeys(6), figure);
    EXPECT_EQ(KindKeys(4), text);
    EXPECT_EQ(KindKeys(5), Keys({"UTP.cswitch"}));
    EXPECT_EQ(KindKeys(7), Keys({"UTP.cswitch"}));
    EXPECT_EQ(KindKeys(8), Keys({"UTP.obwbmp", "UTP.keep_xyratio"}));
    EXPECT_EQ(KindKeys(10), menu);
    EXPECT_EQ(KindKeys(11), Keys({"UTP.dirncachar"}));
    EXPECT_EQ(KindKeys(12),
              Keys({"UTP.ptcontent", "UTP.ptface", "UTP.ptsize", "UTP.ptthickness",
                    "UTP.pttransparent", "UTP.ptunderlined", "UTP.ptantialias", "UTP.ptbkcolor",
                    "UTP.ptwordbreak", "UTP.pthcenter", "UTP.ptstruckout", "UTP.ptitalic"}));
    for (int kind : {0, 1, 9, 13, 14, 49}) EXPECT_EQ(KindKeys(kind), CFxKeySet{}) << kind;
    EXPECT_EQ(GetUTPKeySet().GetWOKindKeySet(50), nullptr);
    EXPECT_EQ(GetUTPKeySet().GetWOKindKeySet(-1), nullptr);

    EXPECT_TRUE(GetUTPKeySet().IsKeyOfAnyWOKind({5, 10}, "UTP.wonstyle"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({4, 12}, "UTP.wonstyle"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({}, "UTP.cswitch"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({60}, "UTP.cswitch"));
}

TEST(DsgWObjKindTest, RunningStateKeys) {
    const CDsgRGCKKeySet& sets = GetRGCKKeySet();
    const CFxKeySet figure = Keys({"RGCK.color", "RGCK.linestyle", "RGCK.dotsize"});
    for (int kind : {2, 3, 6}) EXPECT_EQ(*sets.GetWOKindKeySet(kind), figure);
    for (int kind : {4, 10})
        EXPECT_EQ(*sets.GetWOKindKeySet(kind), Keys({"RGCK.style", "RGCK.fontkind"}));
    for (int kind : {5, 7}) EXPECT_EQ(*sets.GetWOKindKeySet(kind), Keys({"RGCK.color"}));
    for (int kind : {0, 1, 8, 9, 11, 12, 13}) EXPECT_TRUE(sets.GetWOKindKeySet(kind)->empty());

    const CDsgRGCKMap& map = GetRGCKMap();
    auto keysOf = [&](const char* rgck) {
        const CFxKeySet* keys = map.GetUTPKeys(rgck);
        return keys ? *keys : CFxKeySet{"<none>"};
    };
    EXPECT_EQ(keysOf("RGCK.style"), Keys({"UTP.bstate", "UTP.is_inversed", "UTP.is_underlined"}));
    EXPECT_EQ(keysOf("RGCK.color"), Keys({"UTP.cswitch"}));
    EXPECT_EQ(keysOf("RGCK.dotsize"), Keys({"UTP.dtsize"}));
    EXPECT_EQ(keysOf("RGCK.linestyle"), Keys({"UTP.dtspace"}));
    EXPECT_EQ(keysOf("RGCK.fontkind"), Keys({"UTP.krnfindex", "UTP.alnfindex"}));
    EXPECT_EQ(map.GetUTPKeys("RGCK.unknown"), nullptr);
    EXPECT_EQ(map.GetUTPKeys(""), nullptr);
}

TEST(DsgWObjTest, NewObjectTakesOnlyItsKindsAttributes) {
    CDsgUTProps creator;
    creator.SetString(szUTP_DTSIZE, "3");
    creator.SetString(szUTP_LSCRIPT, "ABC");

    CDsgUTProps box;
    box.CopyWOKindUTProps(creator, nDSG_WOKIND__WOBOX);
    EXPECT_EQ(box.GetCount(), 3);
    EXPECT_EQ(box.GetString(szUTP_DTSIZE), "3");
    EXPECT_EQ(box.GetString(szUTP_CSWITCH), "1");
    EXPECT_FALSE(box.HasKey(szUTP_LSCRIPT));

    // A kind without keys, or outside the table, carries nothing (never
    // everything).
    for (int kind : {nDSG_WOKIND__WOJCLIP, 77}) {
        CDsgUTProps other;
        other.CopyWOKindUTProps(creator, kind);
        EXPECT_EQ(other.GetCount(), 0) << kind;
    }
}

TEST(DsgWObjTest, TakesCopiesOfAPair) {
    CDsgTProps tp;
    tp.SetNTProps(3, nDSG_WOKIND__WOTEXT, CRect(1, 2, 3, 4));
    tp.GetUTProps().SetString(szUTP_LSCRIPT, "X");

    CDsgWObj wobj;
    EXPECT_EQ(wobj.GetWOFlag(), 0);
    wobj.GetUTProps().SetString(szUTP_PTITALIC, "1");
    wobj.SetTPropsFrom(tp);
    tp.SetWOId(9);
    tp.GetUTProps().SetString(szUTP_LSCRIPT, "Y");
    EXPECT_EQ(wobj.GetWOId(), 3);
    EXPECT_EQ(wobj.GetWOKind(), nDSG_WOKIND__WOTEXT);
    EXPECT_EQ(wobj.GetUTProps().GetString(szUTP_LSCRIPT), "X");
    EXPECT_FALSE(wobj.GetUTProps().HasKey(szUTP_PTITALIC));
}

TEST(DsgWObjTest, CenterDistance) {
    CDsgWObj wobj;
    // Drawn right to left: the normalised box is (0,0)-(60000,80000).
    wobj.SetLMHugeRect(60000, 80000, 0, 0);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(30000, 40000)), 0.0);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(0, 0)), 50000.0);
    // The centre is truncated to whole units as a point.
    wobj.SetLMHugeRect(0, 0, 3, -3);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(1, 0)), 1.0);

    // Far-apart coordinates neither overflow the centre nor the squares.
    wobj.SetLMHugeRect(INT_MAX, INT_MAX, INT_MAX - 2, INT_MAX - 2);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(INT_MAX - 1, INT_MAX - 1)), 0.0);
    wobj.SetLMHugeRect(3200000, 0, 3200000, 0);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(0, 2400000)), 4000000.0);
    wobj.SetLMHugeRect(INT_MIN, 0, INT_MIN, 0);
    EXPECT_DOUBLE_EQ(GetWOCenterDistance(wobj, CPoint(INT_MAX, 0)), 4294967295.0);
}
