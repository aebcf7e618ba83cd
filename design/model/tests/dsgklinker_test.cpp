#include "design/model/dsgklinker.h"

#include <gtest/gtest.h>

#include <climits>

#include "design/model/tests/eactionstesting.h"

using eatesting::CreateDragged;
using eatesting::Form;

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

// The nearest multiple of 50000 units on both axes.
void SnapTo5Dots(CPoint& p) {
    auto snap = [](LONG v) { return static_cast<LONG>((v + 25000) / 50000 * 50000); };
    p = CPoint(snap(p.x), snap(p.y));
}

}  // namespace

TEST(DsgKLinkerTest, EndsAndCorners) {
    EXPECT_EQ(MakeKLEndKey(12, 4), "12|4");
    const CRect rect(10, 20, -30, 40);
    const std::pair<CPoint, CRect> corners[] = {{CPoint(-1, -1), rect},
                                                {CPoint(10, 20), CRect(1, 2, -30, 40)},
                                                {CPoint(-30, 20), CRect(10, 2, 1, 40)},
                                                {CPoint(10, 40), CRect(1, 20, -30, 2)},
                                                {CPoint(-30, 40), CRect(10, 20, 1, 2)},
                                                {CPoint(-1, -1), rect}};
    for (int corner = 0; corner <= 5; ++corner) {
        EXPECT_EQ(GetRectCorner(rect, corner), corners[corner].first) << corner;
        EXPECT_EQ(SetRectCorner(rect, corner, CPoint(1, 2)), corners[corner].second) << corner;
    }
}

TEST(DsgKLinkerTest, NearestEndsAndTies) {
    // Touching second ends; touching first ends; A1-B4 and A4-B1 both at
    // distance 10 (the earlier pairing wins); ends across the whole range.
    const struct {
        CRect a, b;
        int endA, endB;
    } cases[] = {{CRect(0, 0, 100, 0), CRect(300, 0, 101, 0), 4, 4},
                 {CRect(0, 0, 100, 0), CRect(-1, 5, -300, 5), 1, 1},
                 {CRect(0, 0, 100, 0), CRect(110, 0, -10, 0), 1, 4},
                 {CRect(INT_MIN, 0, INT_MAX, 0), CRect(INT_MAX - 5, 0, INT_MIN + 1, 0), 1, 4}};
    for (const auto& c : cases) {
        int a = 0, b = 0;
        FindNearestLineEnds(c.a, c.b, a, b);
        EXPECT_EQ(a * 10 + b, c.endA * 10 + c.endB) << c.b.left;
    }
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
    EXPECT_EQ(linker.GetWOKLGLeader(1) * 10 + linker.GetKLEndLeader(1, 1), 29);
    EXPECT_EQ(linker.GetWOKLGLeader(5), -1);
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
    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(3, 1, 4)), 0);
    EXPECT_EQ(linker.KLGApplyJDetach(LinkAction(3, 2, 1)), 1);
    // The emptied group is gone; the other stays.
    EXPECT_EQ(linker.GetKLGroup(3), nullptr);
    EXPECT_EQ(linker.GetKLGroupCount(), 1);
}

TEST(DsgKLinkerTest, DiagnosticTexts) {
    const CDsgKLicEAction ea = LinkAction(7, 12, 4);
    EXPECT_EQ(ea.GetKLicExp(15) + ";" + ea.GetKLicExp(16) + ";" + ea.GetKLicExp(17) + ";" +
                  ea.GetKLicExp(4),
              "LINKER=7;12|4 is LINKED TO 7;12|4for 7 is UNLINKED;");
}

namespace {

// The page's link command: the nearest ends of two lines joined through the
// link actions, each appended (and so applied by the rebuild).
void Link(Form& form, int firstId, int secondId) {
    CDsgKLinkEntry first, second;
    ASSERT_TRUE(CDsgKLinker::FindNearestWOEnds(form, firstId, secondId, first, second));
    int leader = -1;
    if (auto mcadd = form.TSKLGainLeader(first, second, leader, form.KLeaderCounter()))
        form.Add(std::move(mcadd));
    std::unique_ptr<CDsgEAction> attachFirst, attachSecond;
    form.TSKLGainAttach(leader, first, second, attachFirst, attachSecond);
    if (attachFirst) form.Add(std::move(attachFirst));
    if (attachSecond) form.Add(std::move(attachSecond));
}

std::vector<int> KindsAfter(const Form& form, int from) {
    std::vector<int> kinds;
    for (int i = from; i < form.GetEACount(); ++i) kinds.push_back(form.GetEAction(i)->GetEAType());
    return kinds;
}

// Two lines whose nearest ends are 0|4 and 1|1.
struct TwoLines {
    Form form;
    int a = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(0, 0, 100000, 0));
    int b = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(110000, 10000, 200000, 50000));
};

}  // namespace

TEST(DsgKLinkActionsTest, JoiningTwoLinesThenAThird) {
    TwoLines lines;
    Form& form = lines.form;
    const int before = form.GetEACount();
    Link(form, lines.a, lines.b);
    EXPECT_EQ(KindsAfter(form, before), (std::vector<int>{15, 16, 16}));
    EXPECT_EQ(form.GetKLeaderCounter(), 1);
    EXPECT_EQ(EndsOf(form, 0), (std::set<std::string>{"0|4", "1|1"}));

    // A third line near line 1's free second end: neither end is linked,
    // so a second group with the next leader.
    const int c = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(300000, 0, 205000, 45000));
    const int mark = form.GetEACount();
    Link(form, c, lines.b);
    EXPECT_EQ(KindsAfter(form, mark), (std::vector<int>{15, 16, 16}));
    EXPECT_EQ(form.GetKLeaderCounter(), 2);
    EXPECT_EQ(EndsOf(form, 1), (std::set<std::string>{"2|4", "1|4"}));

    // Joining a linked end to a linked end adds nothing.
    CDsgKLinkEntry first(lines.a, 4), second(lines.b, 1);
    int leader = -1;
    int counter = form.GetKLeaderCounter();
    EXPECT_EQ(form.TSKLGainLeader(first, second, leader, counter), nullptr);
    EXPECT_EQ(leader, 0);
    std::unique_ptr<CDsgEAction> x, y;
    EXPECT_FALSE(form.TSKLGainAttach(leader, first, second, x, y));
    EXPECT_TRUE(x == nullptr && y == nullptr);

    // A line starting right at line 0's linked end joins that group with a
    // single attach.
    const int d = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(100000, 0, 100000, 90000));
    const int mark2 = form.GetEACount();
    Link(form, lines.a, d);
    EXPECT_EQ(KindsAfter(form, mark2), (std::vector<int>{16}));
    EXPECT_EQ(EndsOf(form, 0), (std::set<std::string>{"0|4", "1|1", "3|1"}));
}

TEST(DsgKLinkActionsTest, LeaderCounterStaysPositive) {
    CDsgKLinker linker;
    const CDsgKLinkEntry first(1, 1), second(2, 4);
    int leader = -1;
    int counter = INT_MAX;
    auto mcadd = linker.TSKLGainLeader(first, second, leader, counter);
    ASSERT_NE(mcadd, nullptr);
    EXPECT_EQ(mcadd->GetKLeader(), INT_MAX);
    EXPECT_EQ(leader, INT_MAX);
    EXPECT_EQ(counter, 1);
    counter = -5;
    linker.TSKLGainLeader(first, second, leader, counter);
    EXPECT_EQ(leader, -5);
    EXPECT_EQ(counter, 1);
}

TEST(DsgKLinkActionsTest, DetachingOneEndOfAPairDetachesBoth) {
    TwoLines lines;
    Form& form = lines.form;
    Link(form, lines.a, lines.b);

    std::unique_ptr<CDsgEAction> second;
    EXPECT_EQ(form.BuildKLGDetachEAction(TRUE, lines.a, 1, second), nullptr);  // not linked
    auto first = form.BuildKLGDetachEAction(FALSE, lines.a, 4, second);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    first = form.BuildKLGDetachEAction(TRUE, lines.a, 4, second);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetKLEndKey() + " " + second->GetKLEndKey(), "0|4 1|1");
    EXPECT_EQ(second->GetEASwift(), 1);

    const int mark = form.GetEACount();
    CDsgEAction* last = form.AddWOKLGClearEActions(lines.a, form);
    EXPECT_EQ(KindsAfter(form, mark), (std::vector<int>{17, 17}));
    EXPECT_EQ(last, form.GetEAction(form.GetEACount() - 1));
    form.Rebuild();
    EXPECT_FALSE(form.IsWOKLGLinked(lines.b));
    EXPECT_EQ(form.AddWOKLGClearEActions(lines.a, form), nullptr);

    // In a group of three only the one end leaves.
    Link(form, lines.a, lines.b);
    const int c = CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(100000, 0, 100000, 90000));
    Link(form, lines.a, c);
    ASSERT_EQ(EndsOf(form, 1).size(), 3u);
    form.AddWOKLGClearEActions(lines.b, form);
    form.Rebuild();
    EXPECT_EQ(EndsOf(form, 1), (std::set<std::string>{"0|4", "2|1"}));
}

TEST(DsgKLinkActionsTest, MovingOneEndMovesTheOther) {
    TwoLines lines;
    Form& form = lines.form;
    Link(form, lines.a, lines.b);

    // Line 0's second end dragged to (130000, 20000); line 1's start follows.
    form.Do(&CDsgEAction::InitDRMoving, lines.a, CRect(0, 0, 130000, 20000));
    const int mark = form.GetEACount();
    EXPECT_EQ(form.KLGAddFollowEActions(form, lines.a, FALSE, form, nullptr), 1);
    EXPECT_EQ(KindsAfter(form, mark), (std::vector<int>{4}));
    EXPECT_EQ(form.GetEAction(mark)->GetEASwift(), 0);
    form.Rebuild();
    EXPECT_EQ(form.GetWObjRect(lines.b), CRect(130000, 20000, 200000, 50000));

    // With the grid on both ends land on the same snapped point.
    form.Do(&CDsgEAction::InitDRMoving, lines.a, CRect(0, 0, 120000, 30000));
    const CDsgKLinker::PointSnap snap = SnapTo5Dots;
    EXPECT_EQ(form.KLGAddFollowEActions(form, lines.a, TRUE, form, &snap), 2);
    form.Rebuild();
    EXPECT_EQ(form.GetWOCorner(lines.a, 4), CPoint(100000, 50000));
    EXPECT_EQ(form.GetWOCorner(lines.b, 1), form.GetWOCorner(lines.a, 4));

    // Without actions, in place.
    ASSERT_TRUE(form.SetWObjRect(lines.b, CRect(90000, 40000, 200000, 50000)));
    EXPECT_EQ(form.KLGFollowDirect(form, lines.b), 1);
    EXPECT_EQ(form.GetWOCorner(lines.a, 4), CPoint(90000, 40000));
    // Ends already in place, or an object without links: nothing moves.
    EXPECT_EQ(form.KLGFollowDirect(form, lines.b), 0);
    EXPECT_EQ(form.KLGFollowDirect(form, 99), 0);
}

TEST(DsgKLinkActionsTest, LinksSurviveUndoRedoAndTheFormRecord) {
    TwoLines lines;
    Form& form = lines.form;
    const int before = form.GetEACount();
    Link(form, lines.a, lines.b);

    // The link is one undo step.
    form.Undo();
    EXPECT_EQ(form.GetCurrentEAIndex(), before - 1);
    EXPECT_EQ(form.GetKLGroupCount(), 0);
    form.Redo();
    EXPECT_EQ(EndsOf(form, 0), (std::set<std::string>{"0|4", "1|1"}));

    for (int style : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        eatesting::KeyStyleScope scope(style);
        CRevolver record;
        ASSERT_TRUE(form.EActionsToRevolver(record, TRUE));
        Form read;
        int level = 0;
        ASSERT_TRUE(read.EActionsFromRevolver(record, level));
        ASSERT_TRUE(read.Rebuild());
        EXPECT_EQ(read.GetKLeaderCounter(), 1);
        // The read form's links work: moving line 0 pulls line 1.
        read.Do(&CDsgEAction::InitDRMoving, lines.a, CRect(0, 0, 150000, 0));
        EXPECT_EQ(read.KLGAddFollowEActions(read, lines.a, FALSE, read, nullptr), 1);
        read.Rebuild();
        EXPECT_EQ(read.GetWOCorner(lines.b, 1), CPoint(150000, 0));
    }
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

}  // namespace

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
