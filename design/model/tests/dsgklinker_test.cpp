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

namespace {

// Two lines joined end to start under leader 3: 1|4 with 2|1.
struct LinkedPair {
    CDsgKLinker linker;
    std::map<int, CRect> rects{{1, CRect(0, 0, 100000, 0)}, {2, CRect(100000, 0, 200000, 50000)}};
    CDsgKLinker::WORectLookup rectOf = [this](int id, CRect& rect) {
        auto it = rects.find(id);
        if (it == rects.end()) return FALSE;
        rect = it->second;
        return TRUE;
    };
    LinkedPair() {
        linker.KLGApplyMCAdd(LinkAction(3));
        linker.KLGApplyJAttach(LinkAction(3, 1, 4));
        linker.KLGApplyJAttach(LinkAction(3, 2, 1));
    }
};

using Moves = std::vector<std::pair<int, CRect>>;

// The nearest multiple of 50000 units on both axes.
void SnapTo5Dots(CPoint& p) {
    auto snap = [](LONG v) { return static_cast<LONG>((v + 25000) / 50000 * 50000); };
    p = CPoint(snap(p.x), snap(p.y));
}

}  // namespace

TEST(DsgKLinkerFollowTest, TheOtherEndFollows) {
    LinkedPair pair;
    pair.rects[1] = CRect(0, 0, 120000, 30000);
    EXPECT_EQ(pair.linker.GetKLGFollowRects(1, pair.rectOf, nullptr),
              (Moves{{2, CRect(120000, 30000, 200000, 50000)}}));
    // Moving the other line's linked start pulls the first line's end.
    pair.rects[1] = CRect(0, 0, 100000, 0);
    pair.rects[2] = CRect(90000, -10000, 200000, 50000);
    EXPECT_EQ(pair.linker.GetKLGFollowRects(2, pair.rectOf, nullptr),
              (Moves{{1, CRect(0, 0, 90000, -10000)}}));
    // An object without links, or with its ends in place, moves nothing.
    EXPECT_EQ(pair.linker.GetKLGFollowRects(7, pair.rectOf, nullptr), Moves{});
    pair.rects[1] = CRect(0, 0, 90000, -10000);
    EXPECT_EQ(pair.linker.GetKLGFollowRects(1, pair.rectOf, nullptr), Moves{});
}

TEST(DsgKLinkerFollowTest, GridPutsBothEndsOnTheSnappedPoint) {
    LinkedPair pair;
    pair.rects[1] = CRect(0, 0, 120000, 30000);
    const CDsgKLinker::PointSnap snap = SnapTo5Dots;
    EXPECT_EQ(pair.linker.GetKLGFollowRects(1, pair.rectOf, &snap),
              (Moves{{1, CRect(0, 0, 100000, 50000)}, {2, CRect(100000, 50000, 200000, 50000)}}));
}

TEST(DsgKLinkerFollowTest, SingleEndGroupsAndSeveralGroups) {
    LinkedPair pair;
    // Line 2's end 4 is alone in group 5: nothing follows it.
    pair.linker.KLGApplyMCAdd(LinkAction(5));
    pair.linker.KLGApplyJAttach(LinkAction(5, 2, 4));
    pair.rects[2] = CRect(100000, 0, 250000, 60000);
    EXPECT_EQ(pair.linker.GetKLGFollowRects(2, pair.rectOf, nullptr), Moves{});

    // A third line joins group 5: moving line 2 now moves it, and line 1
    // follows through group 3.
    pair.rects[3] = CRect(200000, 50000, 300000, 0);
    pair.linker.KLGApplyJAttach(LinkAction(5, 3, 1));
    pair.rects[2] = CRect(110000, 10000, 250000, 60000);
    EXPECT_EQ(pair.linker.GetKLGFollowRects(2, pair.rectOf, nullptr),
              (Moves{{1, CRect(0, 0, 110000, 10000)}, {3, CRect(250000, 60000, 300000, 0)}}));
}
