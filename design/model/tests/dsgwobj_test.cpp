#include "design/model/dsgwobj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "design/model/dsgrgckmap.h"
#include "design/model/dsgwobjkeysets.h"

namespace {

// A key set written as the keys joined by '|'.
CFxKeySet Keys(const std::string& joined) {
    CFxKeySet set;
    size_t pos = 0;
    while (pos < joined.size()) {
        const size_t bar = std::min(joined.find('|', pos), joined.size());
        set.insert(joined.substr(pos, bar - pos));
        pos = bar + 1;
    }
    return set;
}

CFxKeySet KeysOf(const CDsgWOKindKeySet& sets, int kind) {
    const CFxKeySet* keys = sets.GetWOKindKeySet(kind);
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

TEST(DsgWObjKindTest, KeySetsOfEachKind) {
    const std::string text =
        "UTP.lscript|UTP.krnfindex|UTP.alnfindex|UTP.bstate|UTP.is_underlined|UTP.is_inversed";
    const std::pair<std::vector<int>, std::string> attributes[] = {
        {{2, 3, 6}, "UTP.dtsize|UTP.dtspace|UTP.cswitch"},
        {{4}, text},
        {{5, 7}, "UTP.cswitch"},
        {{8}, "UTP.obwbmp|UTP.keep_xyratio"},
        {{10}, "UTP.wonstyle|" + text},
        {{11}, "UTP.dirncachar"},
        {{12},
         "UTP.ptcontent|UTP.ptface|UTP.ptsize|UTP.ptthickness|UTP.pttransparent|UTP.ptunderlined"
         "|UTP.ptantialias|UTP.ptbkcolor|UTP.ptwordbreak|UTP.pthcenter|UTP.ptstruckout"
         "|UTP.ptitalic"},
        {{0, 1, 9, 13, 14, 49}, ""}};
    const std::pair<std::vector<int>, std::string> running[] = {
        {{2, 3, 6}, "RGCK.color|RGCK.linestyle|RGCK.dotsize"},
        {{4, 10}, "RGCK.style|RGCK.fontkind"},
        {{5, 7}, "RGCK.color"},
        {{0, 1, 8, 9, 11, 12, 13, 49}, ""}};
    for (const auto& [kinds, keys] : attributes)
        for (int kind : kinds) EXPECT_EQ(KeysOf(GetUTPKeySet(), kind), Keys(keys)) << kind;
    for (const auto& [kinds, keys] : running)
        for (int kind : kinds) EXPECT_EQ(KeysOf(GetRGCKKeySet(), kind), Keys(keys)) << kind;
    for (int kind : {-1, 50}) {
        EXPECT_EQ(GetUTPKeySet().GetWOKindKeySet(kind), nullptr);
        EXPECT_EQ(GetRGCKKeySet().GetWOKindKeySet(kind), nullptr);
    }

    EXPECT_TRUE(GetUTPKeySet().IsKeyOfAnyWOKind({5, 10}, "UTP.wonstyle"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({4, 12}, "UTP.wonstyle"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({}, "UTP.cswitch"));
    EXPECT_FALSE(GetUTPKeySet().IsKeyOfAnyWOKind({60}, "UTP.cswitch"));
}

TEST(DsgWObjKindTest, RunningStateTable) {
    const std::pair<const char*, const char*> table[] = {
        {"RGCK.style", "UTP.bstate|UTP.is_inversed|UTP.is_underlined"},
        {"RGCK.color", "UTP.cswitch"},
        {"RGCK.dotsize", "UTP.dtsize"},
        {"RGCK.linestyle", "UTP.dtspace"},
        {"RGCK.fontkind", "UTP.krnfindex|UTP.alnfindex"}};
    for (const auto& [rgck, keys] : table) {
        const CFxKeySet* found = GetRGCKMap().GetUTPKeys(rgck);
        ASSERT_NE(found, nullptr) << rgck;
        EXPECT_EQ(*found, Keys(keys)) << rgck;
    }
    EXPECT_EQ(GetRGCKMap().GetUTPKeys("RGCK.unknown"), nullptr);
    EXPECT_EQ(GetRGCKMap().GetUTPKeys(""), nullptr);
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
