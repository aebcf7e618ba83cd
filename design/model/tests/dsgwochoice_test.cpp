#include "design/model/dsgwochoice.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>

#include "design/model/dsgwobj.h"

namespace {

// A page as the choice sees it: objects by id and an edit state.
class ChoicePage : public CDsgWOChoice, public CDsgWOEState {
public:
    void Add(int id, int kind) {
        auto obj = std::make_unique<CDsgWObj>();
        obj->SetNTProps(id, kind, CRect(0, 0, 10000, 10000));
        objects[id] = std::move(obj);
    }
    std::map<int, std::unique_ptr<CDsgWObj>> objects;

protected:
    CDsgWObj* GetWOChoiceWObj(int id) const override {
        auto it = objects.find(id);
        return it == objects.end() ? nullptr : it->second.get();
    }
    void SetWOChoiceEState(int state) override { SetWOEState(state); }
};

}  // namespace

TEST(DsgWOChoiceTest, ChoosingAndTheCurrentObject) {
    ChoicePage page;
    EXPECT_EQ(page.GetWOChoiceExp(), "CWOCHId=-1");
    EXPECT_EQ(page.GetWOChoiceState(), 1);
    EXPECT_FALSE(page.IsWOIdWOChosen(-1));
    page.WOChoose(5);
    EXPECT_EQ(page.GetWOChoiceState(), 2);
    for (int id : {7, 9, 7, 5}) page.WOChoose(id);  // already chosen: no double count
    EXPECT_EQ(page.GetWOChoiceState(), 3);
    EXPECT_EQ(page.GetWOCHCount(), 3);
    EXPECT_EQ(page.GetWOChoiceExp(), "CWOCHId=5,SWOCHIds=7,9");
    EXPECT_EQ(page.GetWOCHIdListExp(), "[5:7/9]");
    // A chosen id becomes the current one; an id not chosen before joins.
    page.EnsureCWOChosen(9);
    EXPECT_EQ(page.GetWOCHIdListExp(), "[9:5/7]");
    page.EnsureCWOChosen(11);
    EXPECT_EQ(page.GetWOCHIdListExp(), "[11:5/7/9]");
    std::set<int> ids{100};
    page.GetAllWOCHIds(ids);
    EXPECT_EQ(ids, (std::set<int>{5, 7, 9, 11, 100}));

    page.ACWOChoose(7, FALSE);
    EXPECT_EQ(page.GetWOCHIdListExp(), "[7:]");
    EXPECT_EQ(page.GetWOEState(), 1);
    page.ACWOChoose(8, TRUE);
    EXPECT_EQ(page.GetWOCHIdListExp(), "[8:]");
    EXPECT_EQ(page.GetWOEState(), 3);
    page.SetWOEState(1);
    page.WOChoose(std::set<int>{4, 2, 6}, FALSE);
    EXPECT_EQ(page.GetWOCHIdListExp(), "[2:4/6]");
    EXPECT_EQ(page.GetWOEState(), 1);
    page.WOChoose(std::set<int>{}, TRUE);
    EXPECT_EQ(page.GetWOCHCount(), 0);
    EXPECT_EQ(page.GetWOEState(), 3);
}

TEST(DsgWOChoiceTest, KindsAndFacesOfTheChosenObjects) {
    ChoicePage page;
    page.Add(1, nDSG_WOKIND__WOBOX);
    page.Add(2, nDSG_WOKIND__WOLINE);
    page.Add(3, nDSG_WOKIND__WOBOX);
    page.Add(4, 0);
    page.Add(5, nDSG_WOKIND__WOTEXT);

    EXPECT_TRUE(page.IsWOKindOnlyWOChosen(nDSG_WOKIND__WOTEXT));  // nothing chosen
    EXPECT_EQ(page.GetCWOCHKind(), 0);

    page.WOChoose(std::set<int>{1, 3, 4, 42}, FALSE);  // 42 has no object
    EXPECT_EQ(page.GetCWOCHKind(), nDSG_WOKIND__WOBOX);
    EXPECT_EQ(page.GetWOChosenCommonWOKind(), nDSG_WOKIND__WOBOX);  // kind 0 left out
    EXPECT_EQ(page.GetWOChosenCommonXFace(), nDSG_XFACE__FIGURE);
    std::set<int> kinds{77};
    page.GetAllWOCHKinds(kinds);
    EXPECT_EQ(kinds, (std::set<int>{0, nDSG_WOKIND__WOBOX}));
    EXPECT_FALSE(page.IsWOKindOnlyWOChosen(nDSG_WOKIND__WOBOX));  // the kind-0 object
    EXPECT_TRUE(page.IsWOKindAnyWOChosen(0));

    page.WOChoose(std::set<int>{1, 2}, FALSE);
    EXPECT_EQ(page.GetWOChosenCommonWOKind(), 0);
    EXPECT_EQ(page.GetWOChosenCommonXFace(), nDSG_XFACE__FIGURE);
    EXPECT_TRUE(page.IsWOKindAnyWOChosen(nDSG_WOKIND__WOLINE));
    EXPECT_FALSE(page.IsWOKindAnyWOChosen(nDSG_WOKIND__WOTEXT));

    page.WOChoose(5);
    EXPECT_EQ(page.GetWOChosenCommonXFace(), 0);
    EXPECT_FALSE(page.IsWOKindOnlyWOChosen(nDSG_WOKIND__WOTEXT));
}

TEST(DsgWOChoiceTest, FixDropsVanishedObjectsAndKeepsTheChoiceCounted) {
    ChoicePage page;
    for (int id : {1, 2, 4}) page.Add(id, nDSG_WOKIND__WOBOX);
    page.WOChoose(std::set<int>{1, 2, 3, 4}, FALSE);
    page.objects.erase(1);
    page.FixWOChoice();
    // The current object is gone: the lowest remaining id takes its place,
    // and the id without an object leaves. Without that the further ids would
    // still be handed out by GetAllWOCHIds while the state said "none".
    EXPECT_EQ(page.GetCWOCHId(), 2);
    EXPECT_EQ(page.GetSWOCHIds(), std::set<int>{4});
    EXPECT_EQ(page.GetWOChoiceState(), 3);
    std::set<int> all;
    page.GetAllWOCHIds(all);
    EXPECT_EQ(all, (std::set<int>{2, 4}));
    EXPECT_EQ(page.GetWOCHCount(), 2);

    page.objects.clear();
    page.FixWOChoice();
    EXPECT_EQ(page.GetWOChoiceState(), 1);
    EXPECT_EQ(page.GetWOChoiceExp(), "CWOCHId=-1");
}

TEST(DsgWOEStateTest, StartsEmptyAndPicksTheCursor) {
    CDsgWOEState state;
    EXPECT_EQ(state.GetWOEUTProps().GetString(szUTP_WONSTYLE), "2");
    EXPECT_EQ(state.GetWOECursor(1, FALSE), Qt::ArrowCursor);
    for (int other = 2; other <= 11; ++other) {
        state.SetWOEState(other);
        EXPECT_EQ(state.GetWOECursor(1, FALSE),
                  other >= 7 && other <= 9 ? Qt::CrossCursor : Qt::SizeFDiagCursor)
            << other;
    }
    state.SetWOEState(4);
    const std::tuple<int, BOOL, Qt::CursorShape> grips[] = {
        {2, FALSE, Qt::SizeBDiagCursor}, {6, FALSE, Qt::SizeHorCursor},
        {8, FALSE, Qt::SizeVerCursor},   {2, TRUE, Qt::ArrowCursor},
        {9, TRUE, Qt::SizeAllCursor},    {10, FALSE, Qt::ArrowCursor}};
    for (const auto& [grip, line, cursor] : grips)
        EXPECT_EQ(state.GetWOECursor(grip, line), cursor) << grip;
}
