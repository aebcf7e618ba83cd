// Replays that start from a checkpoint or take back applied actions must give
// exactly what a replay from the first action gives, whatever the history
// went through.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "design/model/tests/eactionstesting.h"

namespace {

using eatesting::Form;
using eatesting::Made;
using eatesting::MadeSeveral;

// The content of a container as comparable text: the container record (ids,
// every object's full record, the z-order) and the link groups.
struct Content {
    std::string record;
    const CDsgKLinker* links;
};

Content ContentOf(const CDsgWObjs& objs) {
    CRevolver buffer;
    EXPECT_TRUE(objs.WObjsToRevolver(buffer));
    return {::ContentOf(buffer), &objs};
}

// The form's objects next to a replay of its list from the first action.
void ExpectAsFromStart(const Form& form, const std::string& what) {
    CDsgWObjs fresh;
    const BOOL freshResult = fresh.ReplayWObjsFromStart(form, FALSE);
    ASSERT_EQ(form.lastRebuild, freshResult) << what;
    ASSERT_EQ(form.ZOrder(), std::vector<int>(fresh.GetZOrder().begin(), fresh.GetZOrder().end()))
        << what;
    ASSERT_EQ(ContentOf(form).record, ContentOf(fresh).record) << what;
    ASSERT_TRUE(form.IsKLGroupsEqual(fresh)) << what;
}

// A user at work: creation drags of every kind, moves, resizes, property
// changes, reordering, pastes, deletions, line links, in-place typing that
// replaces its own amendment, drags shown in place, undo and redo, appends
// after undo, and now and then the form saved and read back.
class RandomEditor {
public:
    explicit RandomEditor(unsigned seed) : m_rng(seed) {}

    void Step(Form& form) {
        const int roll = Pick(100);
        if (roll < 22) {
            form.Undo();
            ExpectAsFromStart(form, Where("undo"));
        } else if (roll < 38) {
            form.Redo();
            ExpectAsFromStart(form, Where("redo"));
        } else if (roll < 40) {
            // Many steps back or forth at once.
            const bool back = Pick(2);
            for (int n = Pick(40); n > 0; --n) back ? form.UndoEAction() : form.RedoEAction();
            form.Rebuild();
            ExpectAsFromStart(form, Where("jump"));
        } else {
            Edit(form, roll);
            if (++m_edits % 8 == 0) ExpectAsFromStart(form, Where("edit"));
        }
        ++m_step;
        m_mostCheckpoints =
            std::max(m_mostCheckpoints, form.GetWObjsReplay().GetCheckpointPositions().size());
    }

    size_t MostCheckpoints() const { return m_mostCheckpoints; }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    CRect AnyRect() {
        const int x = Pick(300) * 10000, y = Pick(200) * 10000;
        return CRect(x, y, x + (Pick(60) - 10) * 10000, y + (Pick(40) - 10) * 10000);
    }
    std::string Where(const char* what) const {
        return std::string(what) + " at step " + std::to_string(m_step);
    }
    // An object id of the form, now and then one that is gone or was never
    // there (the replay then stops at that action, the same either way).
    int AnyId(const Form& form) {
        if (form.GetWObjCount() == 0 || Pick(40) == 0) return Pick(form.GetWOIdCounter() + 3);
        auto it = form.GetZOrder().begin();
        std::advance(it, Pick(form.GetWObjCount()));
        return *it;
    }
    CDsgWOIdSet AnyIds(const Form& form) {
        CDsgWOIdSet ids;
        for (int n = 1 + Pick(4); n > 0; --n) ids.insert(AnyId(form));
        return ids;
    }
    int AnyLine(const Form& form) {
        for (int id : form.GetZOrder())
            if (form.GetWObjById(id)->GetWOKind() == nDSG_WOKIND__WOLINE && Pick(3) == 0) return id;
        return -1;
    }

    void Edit(Form& form, int roll) {
        static const int kinds[] = {
            nDSG_WOKIND__WOBOX,     nDSG_WOKIND__WOLINE,  nDSG_WOKIND__WOTEXT,
            nDSG_WOKIND__WOMENU,    nDSG_WOKIND__WOFBOX,  nDSG_WOKIND__WODNCHAR,
            nDSG_WOKIND__WOELLIPSE, nDSG_WOKIND__WOPTEXT, nDSG_WOKIND__WOLINE};
        if (roll < 52 || form.GetWObjCount() == 0) {
            CDsgUTProps attributes;
            attributes.SetString("UTP.lscript", "T" + std::to_string(Pick(9)));
            eatesting::CreateDragged(form, kinds[Pick(9)], AnyRect(), attributes);
            return;
        }
        const int id = AnyId(form);
        switch (roll % 16) {
            case 0:
                form.Do(&CDsgEAction::InitDRMoving, id, AnyRect());
                break;
            case 1:
                form.Do(&CDsgEAction::InitEDRMoving, AnyRect(), id);
                break;
            case 2:
                form.Do(&CDsgEAction::InitPRMoving, form.GetWObjRect(id), id, 1 + Pick(9),
                        CPoint(Pick(300) * 10000, Pick(200) * 10000));
                break;
            case 3: {
                CDsgWOAmending amending;
                amending.SetBitAmending("UTP.cswitch", Pick(40), Pick(2));
                if (Pick(3) == 0) amending.SetRegion(AnyRect());
                form.Do(&CDsgEAction::InitWOAmending, id, FALSE, amending);
                break;
            }
            case 4: {
                // Typing in place: each key replaces the pending amendment.
                form.DeleteLastEActionIfLScriptWOAmend();
                form.Do(&CDsgEAction::InitWOAmending, id, FALSE,
                        eatesting::TextAmend("UTP.lscript", "typed" + std::to_string(Pick(99))));
                break;
            }
            case 5:
                form.Do(&CDsgEAction::InitWODeletion, id);
                break;
            case 6:
                form.Do(Pick(2) ? &CDsgEAction::InitUZAlter : &CDsgEAction::InitDZAlter, id);
                break;
            case 7: {
                // A paste of some of the objects, with new ids.
                const CDsgWOIdSet ids = AnyIds(form);
                CDsgWObjs chosen;
                int keep = -1;
                chosen.CopyWObjsFrom(form, TRUE, keep, &ids);
                form.Add(eatesting::MadeAs(nDSG_WOMEATYPE__MCREATE, &CDsgEAction::InitWOMCreation,
                                           chosen, form.WOIdCounter()));
                break;
            }
            case 8:
                form.DoSeveral(&CDsgEAction::InitWOMDeletion, AnyIds(form));
                break;
            case 9:
                form.DoSeveral(&CDsgEAction::InitWOMPRMoving, AnyIds(form), 1 + Pick(9),
                               CPoint(Pick(300) * 10000, Pick(200) * 10000));
                break;
            case 10:
                form.DoSeveral(&CDsgEAction::InitWOMDRMove, AnyIds(form), AnyRect());
                break;
            case 11:
                form.DoSeveral(&CDsgEAction::InitWOMEDRMoving, AnyIds(form),
                               CPoint(Pick(21) * 10000 - 100000, Pick(21) * 10000 - 100000));
                break;
            case 12:
                form.Add(eatesting::MadeAs(
                    nDSG_WOMEATYPE__SINGLE, &CDsgEAction::InitWOMAmending, AnyIds(form), FALSE,
                    eatesting::TextAmend("UTP.dtsize", std::to_string(Pick(5)))));
                break;
            case 13: {
                // Links: a group, ends joined to it, ends taken off again.
                const int line = AnyLine(form);
                if (line < 0) break;
                const int leader = Pick(2) ? form.GetKLeaderCounter() : Pick(3);
                if (Pick(3) == 0) {
                    form.Do(&CDsgEAction::InitKLMCAdd, leader, TRUE);
                    form.KLeaderCounter() = NextDsgCounter(form.KLeaderCounter());
                }
                form.Do(Pick(3) ? &CDsgEAction::InitKLJAttach : &CDsgEAction::InitKLJDetach, leader,
                        line, Pick(2) ? 1 : 4, FALSE);
                break;
            }
            case 14:
                // A drag shown in place, then let go without an action.
                form.SetWObjRect(id, AnyRect());
                form.KLGFollowDirect(form, id);
                form.Rebuild();
                ExpectAsFromStart(form, Where("drag"));
                break;
            default: {
                // Saved and read back, with the position.
                CRevolver record;
                ASSERT_TRUE(form.EActionsToRevolver(record, TRUE));
                int level = 0;
                ASSERT_TRUE(form.EActionsFromRevolver(record, level));
                form.Rebuild();
                ExpectAsFromStart(form, Where("reload"));
                break;
            }
        }
    }

    std::mt19937 m_rng;
    int m_step = 0;
    int m_edits = 0;
    size_t m_mostCheckpoints = 0;
};

TEST(DsgWObjsReplay, SeededEditingMatchesReplayFromStart) {
    for (unsigned seed : {7u, 2024u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Form form;
        // Short spacing, so that a history of a few hundred actions passes
        // many checkpoints and steps back past the kept take-backs.
        form.GetWObjsReplay().SetMinSpacing(8);
        RandomEditor editor(seed);
        for (int step = 0; step < 2500 && !testing::Test::HasFatalFailure(); ++step)
            editor.Step(form);
        // The history grew past several checkpoints on the way, so steps
        // started from them.
        EXPECT_GE(editor.MostCheckpoints(), 5u);
    }
}

// A history of plain creation drags, long enough for checkpoints.
void FillDrags(Form& form, int objects) {
    for (int i = 0; i < objects; ++i)
        dsgtesting::AppendCreationDrag(form, nDSG_WOKIND__WOBOX,
                                       CRect(i * 1000, 0, i * 1000 + 50000, 40000));
    form.Rebuild();
}

TEST(DsgWObjsReplay, CheckpointsAreSpacedAndDroppedWhereTheHistoryChanges) {
    Form form;
    FillDrags(form, 1000);
    const std::vector<int> positions = form.GetWObjsReplay().GetCheckpointPositions();
    ASSERT_GE(positions.size(), 2u);
    // Spaced by at least the minimum and by the number of objects then.
    int previous = -1;
    for (int position : positions) {
        const int objectsThen = (position + 1) / 2;
        EXPECT_GE(position - previous, std::max(CDsgWObjsReplay::kMinSpacing, objectsThen));
        previous = position;
    }

    struct Case {
        const char* name;
        std::function<void(Form&)> change;
        int keptBelow;  // checkpoints at or past this position are gone
    };
    const Case cases[] = {
        {"append after undo",
         [](Form& f) {
             for (int i = 0; i < 700; ++i) f.UndoEAction();
             f.Rebuild();
             f.Do(&CDsgEAction::InitWODeletion, 3);
         },
         2000 - 1400},
        {"last action removed", [](Form& f) { f.DeleteLastEAction(); }, 1999},
        {"cleared", [](Form& f) { f.ResetEActions(); }, 0},
        {"action changed in place", [](Form& f) { f.NoteEActionChanged(400); }, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form changed;
        FillDrags(changed, 1000);
        c.change(changed);
        for (int position : changed.GetWObjsReplay().GetCheckpointPositions())
            EXPECT_LT(position, c.keptBelow);
        changed.Rebuild();
        ExpectAsFromStart(changed, c.name);
    }
}

TEST(DsgWObjsReplay, ContentChangedOutsideAReplayIsRebuilt) {
    Form form;
    FillDrags(form, 300);
    form.Undo();
    // The page changes objects in place while a drag is shown; a rebuild
    // after it must not keep those changes.
    form.SetWObjRect(5, CRect(1, 2, 3, 4));
    form.Rebuild();
    ExpectAsFromStart(form, "after a shown drag");
    form.GetWObjById(6)->SetLMHugeRect(CRect(9, 9, 9, 9));
    form.NoteContentChanged();
    form.Undo();
    ExpectAsFromStart(form, "after a change in place");
    // Another container replaying the same list does not take over this
    // one's state.
    CDsgWObjs other;
    EXPECT_TRUE(other.WObjsFromEActions(form, FALSE));
    form.Undo();
    ExpectAsFromStart(form, "after another container's replay");
    EXPECT_EQ(ContentOf(other).record.empty(), false);
}

}  // namespace
