#include "design/model/dsgklinker.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

CDsgKLicEAction LinkAction(int leader, int woId = -1, int corner = 0) {
    CDsgKLicEAction ea;
    ea.SetKLicEAction(leader, woId, corner);
    return ea;
}

std::set<std::string> EndsOf(const CDsgKLinker& linker, int leader) {
    std::set<std::string> ends;
    const CDsgKLinker::KLGroup* group = linker.GetKLGroup(leader);
    if (!group) return {"<no group>"};
    for (const auto& [key, entry] : *group) {
        EXPECT_EQ(key, entry->GetKLEndKey());
        ends.insert(key);
    }
    return ends;
}

}  // namespace

TEST(DsgKLinkerTest, EndsAndCorners) {
    EXPECT_EQ(MakeKLEndKey(12, 4), "12|4");
    const CRect rect(10, 20, -30, 40);
    EXPECT_EQ(GetRectCorner(rect, 1), CPoint(10, 20));
    EXPECT_EQ(GetRectCorner(rect, 2), CPoint(-30, 20));
    EXPECT_EQ(GetRectCorner(rect, 3), CPoint(10, 40));
    EXPECT_EQ(GetRectCorner(rect, 4), CPoint(-30, 40));
    EXPECT_EQ(GetRectCorner(rect, 5), CPoint(-1, -1));
    EXPECT_EQ(SetRectCorner(rect, 1, CPoint(1, 2)), CRect(1, 2, -30, 40));
    EXPECT_EQ(SetRectCorner(rect, 2, CPoint(1, 2)), CRect(10, 2, 1, 40));
    EXPECT_EQ(SetRectCorner(rect, 3, CPoint(1, 2)), CRect(1, 20, -30, 2));
    EXPECT_EQ(SetRectCorner(rect, 4, CPoint(1, 2)), CRect(10, 20, 1, 2));
    EXPECT_EQ(SetRectCorner(rect, 0, CPoint(1, 2)), rect);
}

TEST(DsgKLinkerTest, NearestEndsAndTies) {
    int a = 0, b = 0;
    // B's second end touches A's second end.
    FindNearestLineEnds(CRect(0, 0, 100, 0), CRect(300, 0, 101, 0), a, b);
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 4);
    FindNearestLineEnds(CRect(0, 0, 100, 0), CRect(-1, 5, -300, 5), a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    // A1-B4 and A4-B1 both at distance 10: the earlier pairing wins.
    FindNearestLineEnds(CRect(0, 0, 100, 0), CRect(110, 0, -10, 0), a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 4);
    // Ends far apart across the whole coordinate range still compare right.
    FindNearestLineEnds(CRect(INT_MIN, 0, INT_MAX, 0), CRect(INT_MAX - 5, 0, INT_MIN + 1, 0), a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 4);
}

TEST(DsgKLinkerTest, ApplyingLinkActions) {
    CDsgKLinker linker;
    EXPECT_EQ(linker.KLGApplyJAttach(LinkAction(3, 1, 4)), 0);  // no group yet
    EXPECT_EQ(linker.KLGApplyMCAdd(LinkAction(3)), 1);
    EXPECT_EQ(linker.KLGApplyMCAdd(LinkAction(3)), 0);
    EXPECT_EQ(EndsOf(linker, 3), std::set<std::string>{});

    EXPECT_EQ(linker.KLGApplyJAttach(LinkAction(3, 1, 4)), 1);
    EXPECT_EQ(linker.KLGApplyJAttach(LinkAction(3, 2, 1)), 1);
    EXPECT_EQ(EndsOf(linker, 3), (std::set<std::string>{"1|4", "2|1"}));
    EXPECT_EQ(linker.GetWOKLGLeader(1), 3);
    EXPECT_EQ(linker.GetKLEndLeader(1, 1), -1);
    EXPECT_EQ(linker.GetWOKLGLeader(5), -1);
    EXPECT_TRUE(linker.IsWOKLGLinked(2));
    EXPECT_FALSE(linker.IsWOKLGLinked(5));
    EXPECT_TRUE(linker.IsAnyWOKLGLinked({5, 2}));
    EXPECT_FALSE(linker.IsAnyWOKLGLinked({5, 6}));
    std::map<int, int> flags;
    linker.GetWOKLGCornerFlags(1, flags);
    EXPECT_EQ(flags, (std::map<int, int>{{1, 0}, {2, 0}, {3, 0}, {4, 1}}));

    // An end already in one group is not taken into another.
    EXPECT_EQ(linker.KLGApplyMCAdd(LinkAction(4)), 1);
    EXPECT_EQ(linker.KLGApplyJAttach(LinkAction(4, 1, 4)), 0);
    EXPECT_EQ(linker.GetKLEndLeader(1, 4), 3);
    EXPECT_EQ(EndsOf(linker, 4), std::set<std::string>{});

    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(4, 1, 4)), 0);  // not in that group
    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(3, 1, 4)), 1);
    EXPECT_FALSE(linker.IsWOKLGLinked(1));
    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(3, 1, 4)), 0);
    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(3, 2, 1)), 1);
    // The emptied group is gone; the other stays.
    EXPECT_EQ(linker.GetKLGroup(3), nullptr);
    EXPECT_EQ(linker.GetKLGroupCount(), 1);

    linker.RemoveAllKLGroups();
    EXPECT_EQ(linker.GetKLGroupCount(), 0);
}

TEST(DsgKLinkerTest, DiagnosticTexts) {
    const CDsgKLicEAction ea = LinkAction(7, 12, 4);
    EXPECT_EQ(ea.GetKLicExp(15), "LINKER=7");
    EXPECT_EQ(ea.GetKLicExp(16), "12|4 is LINKED TO 7");
    EXPECT_EQ(ea.GetKLicExp(17), "12|4for 7 is UNLINKED");
    EXPECT_EQ(ea.GetKLicExp(4), "");
}
