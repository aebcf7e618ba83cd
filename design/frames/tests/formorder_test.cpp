// The forms of a project as the user works them in the main frame: switching,
// reordering, renaming, adding, deleting, loading, editing and undoing, each
// checked against a model of what every form must hold afterwards.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/frames/dlgformname.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgpjgcache.h"
#include "design/frames/dsgtspframe.h"
#include "design/frames/testing/formnameanswer.h"
#include "design/frames/tests/mainframetesting.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsgutprops.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxutils.h"
#include "platform/keyboard.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

using mainframetesting::kDot;

// What one form holds: its boxes in drawing order after each step of its
// history, and the step it is at (the later ones undone).
struct FormModel {
    std::string name;
    std::vector<std::vector<CRect>> states{{}};
    size_t at = 0;

    const std::vector<CRect>& Content() const { return states[at]; }
    // A new step: the undone ones are gone.
    void Record(std::vector<CRect> content) {
        states.resize(at + 1);
        states.push_back(std::move(content));
        ++at;
    }
};

// The rectangles of a page's objects in z-order.
std::vector<CRect> ObjectRects(const CDsgWObjs& objects) {
    std::vector<CRect> rects;
    for (int id : objects.GetZOrder()) rects.push_back(objects.GetWObjRect(id));
    return rects;
}

class FormOrderTest : public mainframetesting::MainFrameTest {
protected:
    void SetUp() override {
        MainFrameTest::SetUp();
        ASSERT_EQ(Init(320, 240), 1);
        ASSERT_TRUE(CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE));
        forms = {FormModel{"Form1"}};
        visible = 0;
    }
    void TearDown() override {
        SetDialogHook({});
        MainFrameTest::TearDown();
    }

    CDsgTSPFrame& Strip() { return *frame->GetTSPFrame(); }

    // A right click on the tab at `index` and the command taken from the tab
    // menu it pops up, as the user does it.
    void TabMenu(int index, UINT id) {
        CDsgTSPage* tab = Strip().GetTSPageBySPIndex(index);
        ASSERT_NE(tab, nullptr);
        bool offered = false;
        SetPopupMenuHook([id, &offered](QMenu& menu, const QPoint&) -> UINT {
            for (QAction* action : menu.actions())
                if (GetCommandId(action) == id) offered = action->isEnabled();
            return offered ? id : 0;
        });
        QTest::mouseClick(tab, Qt::RightButton, {}, QPoint(5, 5));
        SetPopupMenuHook({});
        EXPECT_TRUE(offered) << "command " << id << " not offered on tab " << index;
    }

    // ---- The user's steps, each done on the frame and on the model --------
    void Draw(int n) {
        const CRect rect(kDot * (n % 200), kDot * (n / 200 % 150), kDot * (n % 200 + 5),
                         kDot * (n / 200 % 150 + 5));
        CDsgDSPFrame& page = Page();
        dsgtesting::AppendCreationDrag(page, nDSG_WOKIND__WOBOX, rect);
        page.RebuildWObjs();
        std::vector<CRect> content = forms[visible].Content();
        content.push_back(rect);
        forms[visible].Record(std::move(content));
    }
    // The box at that place (of the visible form's boxes) alone chosen and
    // enlarged by a dot on every side from the page's menu command.
    void Enlarge(int place) {
        std::vector<CRect> content = forms[visible].Content();
        if (content.empty()) return;
        const size_t at = static_cast<size_t>(place) % content.size();
        auto node = Page().GetZOrder().begin();
        std::advance(node, at);
        Page().ResetWOChoice();
        Page().WOChoose(*node);
        ASSERT_TRUE(frame->OnDsgCommand(nDSG_CMD__ORINFLATE));
        const CRect old = content[at];
        content[at] = CRect(old.left - kDot, old.top - kDot, old.right + kDot, old.bottom + kDot);
        forms[visible].Record(std::move(content));
    }
    void Undo() {
        FormModel& form = forms[visible];
        if (form.at == 0) return;
        // A drawn box is one step: its creation with its first geometry.
        Page().UndoEActionAndSRefresh();
        --form.at;
    }
    void Redo() {
        FormModel& form = forms[visible];
        if (form.at + 1 == form.states.size()) return;
        Page().RedoEActionAndSRefresh();
        ++form.at;
    }
    void Switch(int index) {
        ASSERT_EQ(Strip().SPAppoint(index, 0), 1);
        visible = index;
    }
    // Go Forward (+1) or Go Backward (-1) on the tab at `index`, as the tab
    // menu runs it.
    void Reorder(int index, int step) {
        const int other = index + step;
        if (other < 0 || other >= static_cast<int>(forms.size())) return;
        TabMenu(index, step > 0 ? ID_TSP_GOFORWARD : ID_TSP_GOBACKWARD);
        std::swap(forms[index], forms[other]);
        if (visible == index)
            visible = other;
        else if (visible == other)
            visible = index;
    }
    void Rename(int index, const std::string& name) {
        dsgtesting::AnswerFormName(name);
        TabMenu(index, ID_TSP_RENAMEFORM);
        forms[index].name = name;
    }
    void Add(const std::string& name) {
        dsgtesting::AnswerFormName(name);
        frame->GetUBar()->OnAddSPage();
        forms.push_back(FormModel{name});
        visible = static_cast<int>(forms.size()) - 1;
    }
    void Delete(int index) {
        ui.messageAnswers.push_back(IDYES);
        TabMenu(index, ID_TSP_DELETEFORMS);
        forms.erase(forms.begin() + index);
        visible = static_cast<int>(forms.size()) - 1;
    }
    // A definable character of one of four codes placed on the visible form
    // (its code need not be in the character set).
    void PlaceCharacter(int n) {
        CDsgUTProps attributes;
        attributes.SetString(szUTP_DIRNCACHAR, std::to_string(CDtrGJPixel::GJP_FIRST_CODE + n % 4));
        const CRect rect(kDot * (n % 100), kDot * (n % 80), kDot * (n % 100 + 16),
                         kDot * (n % 80 + 16));
        CDsgDSPFrame& page = Page();
        dsgtesting::AppendCreationDrag(page, nDSG_WOKIND__WODNCHAR, rect, attributes);
        page.RebuildWObjs();
        std::vector<CRect> content = forms[visible].Content();
        content.push_back(ObjectRects(page).back());
        forms[visible].Record(std::move(content));
    }
    // The project's character set changes: a character of one of four codes
    // added, redrawn or deleted.
    void EditCharacters(int n) {
        CDtrGGJPixel& set = *frame->GetProjectGGJPixel();
        const int code = CDtrGJPixel::GJP_FIRST_CODE + n % 4;
        CDtrGJPixel* character = set.GetGJPixelByNCCode(code);
        if (!character) {
            auto made = std::make_unique<CDtrGJPixel>();
            made->nccode = code;
            made->SetJPixel(n % CDtrGJPixel::GJP_CELLS, CDtrGJPixel::GJP_INK);
            set.AddGJPixel(std::move(made));
        } else if (n % 3 == 0) {
            set.DeleteByNCCode(code, 1);
        } else {
            character->Inverse(n % CDtrGJPixel::GJP_CELLS);
        }
    }
    // The page's 1300 ms cache comes due.
    void Cache() { FireTimerForTest(&Page(), nDSG_DSPTIMER__CACHE); }

    // Every form holds what the model says, wherever it is kept: the tabs and
    // the slot's list in the model's order, the page on the visible form with
    // its content, every other form's working file with its own, and the
    // project's code with one SUB per form in order.
    void ExpectForms() {
        ClearIniCache();
        ASSERT_EQ(Strip().GetTSPageCount(), static_cast<int>(forms.size()));
        EXPECT_EQ(Page().GetSPIndex(), visible);
        EXPECT_EQ(GetIniString(CDsgLSDAction::GetIniPath(), "SPCount", LSD_INI_SECTION, ""),
                  std::to_string(forms.size()));
        std::string code;
        frame->GetPJGCommands(code, 1, isolate, "Chars");
        // The SUBs kept from earlier runs make the text a run without them
        // makes.
        std::string fresh;
        frame->GetPJGCommandsFromScratch(fresh, isolate, "Chars");
        EXPECT_EQ(code, fresh);
        reused += frame->GetPJGCache().GetReusedCount();
        size_t codeAt = 0;
        for (size_t i = 0; i < forms.size(); ++i) {
            SCOPED_TRACE(forms[i].name);
            EXPECT_EQ(Strip().GetTSPageBySPIndex(static_cast<int>(i))->GetSPName(), forms[i].name);
            EXPECT_EQ(CDsgLSDAction::GetSPName(static_cast<int>(i)), forms[i].name);
            if (static_cast<int>(i) == visible) {
                EXPECT_EQ(ObjectRects(Page()), forms[i].Content());
            } else {
                CDsgDSPFrame hidden(0);
                int level = 0;
                ASSERT_TRUE(
                    hidden.EActionsFromFile(CDsgLSDAction::GetSPFilePath(forms[i].name), level));
                hidden.RebuildWObjs();
                EXPECT_EQ(ObjectRects(hidden), forms[i].Content());
            }
            const size_t sub = code.find("SUB " + MbUpper(forms[i].name) + "()", codeAt);
            EXPECT_NE(sub, std::string::npos);
            codeAt = sub == std::string::npos ? codeAt : sub;
        }
    }

    // A form name: a new one each time, or with `reuse` one of a few that
    // no form has now (so that names come back).
    std::string NewName(std::mt19937& random, bool reuse, char prefix) {
        if (!reuse) return prefix + std::to_string(++names);
        for (;;) {
            const std::string name = "N" + std::to_string(random() % 9);
            if (std::none_of(forms.begin(), forms.end(),
                             [&name](const FormModel& form) { return form.name == name; }))
                return name;
        }
    }
    // The project saved as the program saves it (the page's edits first),
    // and opened again later: every form back as it was saved, the first
    // one on the page.
    void SaveProject() {
        Cache();
        ASSERT_TRUE(CDsgLSDAction().LSSave(dir + "/session.dvk", CFxRevPropStore()));
        saved = forms;
    }
    void OpenProject() {
        if (saved.empty()) return;
        CFxRevPropStore settings;
        ASSERT_TRUE(
            CDsgLSDAction().LSLoad(dir + "/session.dvk", TRUE, TRUE, TRUE, TRUE, FALSE, settings));
        forms = saved;
        visible = 0;
    }

    struct Session {
        unsigned seed = 0;
        int steps = 0;
        int checkOneIn = 1;       // the forms checked after one step in so many
        bool reuseNames = false;  // names come back
        bool projects = false;    // saves and opens of the project
    };
    // The session's steps, the forms checked after each step or at random
    // and at the end; the number of checks.
    int RandomSession(const Session& session) {
        std::mt19937 random(session.seed);
        int checks = 0;
        const int kinds = session.projects ? 17 : 15;
        for (int step = 0; step < session.steps && !HasFatalFailure(); ++step) {
            const int count = static_cast<int>(forms.size());
            const int pick = static_cast<int>(random() % count);
            const int action = static_cast<int>(random() % kinds);
            SCOPED_TRACE("step " + std::to_string(step) + " action " + std::to_string(action));
            switch (action) {
                case 0:
                case 1:
                case 2:
                    Draw(step);
                    break;
                case 3:
                    Undo();
                    break;
                case 4:
                    Redo();
                    break;
                case 5:
                    Switch(pick);
                    break;
                case 6:
                    Reorder(pick, random() % 2 ? 1 : -1);
                    break;
                case 7:
                    if (count < 6)
                        Add(NewName(random, session.reuseNames, 'F'));
                    else
                        Delete(pick);
                    break;
                case 8:
                    if (random() % 3 == 0)
                        Rename(pick, NewName(random, session.reuseNames, 'R'));
                    else if (count > 1)
                        Delete(pick);
                    break;
                case 9:
                    Enlarge(static_cast<int>(random() % 8));
                    break;
                case 10:
                    Cache();
                    break;
                case 11:
                    PlaceCharacter(step);
                    break;
                case 12:
                    EditCharacters(static_cast<int>(random()));
                    break;
                case 13:
                    if (random() % 2)
                        isolate = 1 - isolate;
                    else
                        GetDsgGOption().SetInt(GOPT_LMWIDTH, random() % 2 ? 240 : 320);
                    break;
                case 15:
                    SaveProject();
                    break;
                case 16:
                    OpenProject();
                    break;
                default:
                    Undo();
                    break;
            }
            if (session.checkOneIn <= 1 || random() % session.checkOneIn == 0 ||
                step + 1 == session.steps) {
                ExpectForms();
                ++checks;
            }
        }
        return checks;
    }

    std::vector<FormModel> forms;
    int visible = 0;
    int isolate = 0;               // the project's definable characters in a SUB of their own
    int reused = 0;                // kept SUBs the checks' generations used
    int names = 0;                 // new names given
    std::vector<FormModel> saved;  // the forms as the project was last saved
};

// Every neighbour pair of three forms traded both ways, with each form in
// turn the visible one and holding edits its working file does not have yet:
// no form's content ends up in another's file, the page stays on its form.
TEST_F(FormOrderTest, EveryReorderKeepsEachFormItsOwnContent) {
    struct Move {
        int index;
        int step;
    };
    const std::vector<Move> moves = {{0, 1}, {1, 1}, {1, -1}, {2, -1}};
    int n = 1;
    for (int shown = 0; shown < 3; ++shown) {
        for (const Move& move : moves) {
            SCOPED_TRACE("visible " + std::to_string(shown) + ", tab " +
                         std::to_string(move.index) + " by " + std::to_string(move.step));
            SetUp();
            Draw(n++);
            Add("B");
            Draw(n++);
            Add("C");
            Draw(n++);
            Switch(shown);
            Draw(n++);  // not cached yet
            const int changes = designChanges;
            Reorder(move.index, move.step);
            EXPECT_EQ(designChanges, changes + 1);
            ExpectForms();
            Cache();
            ExpectForms();
            // Away and back: what the page wrote comes back as it was.
            const int away = visible == 0 ? 1 : 0;
            const int back = visible;
            Switch(away);
            Switch(back);
            ExpectForms();
            TearDown();
        }
    }
}

// Changes of a form that is not on the page which leave its working file as
// long as it was (an undo moves only the current step; a rename changes only
// the name), and changes of the inputs every form shares: the project text
// follows each one, equal to a generation from scratch.
TEST_F(FormOrderTest, KeptSubsFollowChangesOfTheSameFileSize) {
    Draw(1);
    Draw(2);
    Add("B");
    Draw(3);
    std::string last;
    frame->GetPJGCommands(last, 1, 0, "");
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"undo of the form that left the page",
         [this] {
             Switch(0);
             Undo();
             Switch(1);
         }},
        {"redo of it",
         [this] {
             Switch(0);
             Redo();
             Switch(1);
         }},
        {"rename of it", [this] { Rename(0, "Other"); }},
        {"a definable character placed, then defined",
         [this] {
             Switch(0);
             PlaceCharacter(0);
             Switch(1);
             EditCharacters(0);
         }},
        {"its pattern redrawn", [this] { EditCharacters(4); }},
        {"the characters isolated", [this] { isolate = 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        ExpectForms();
        std::string code;
        frame->GetPJGCommands(code, 1, isolate, "Chars");
        EXPECT_NE(code, last);
        last = code;
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSessionSteps = 400;  // every step is many times slower there
#else
constexpr int kSessionSteps = 2500;
#endif

// A long session of the user's steps in a seeded random order; after each
// one every form must still hold exactly what was done to it.
TEST_F(FormOrderTest, RandomSessionKeepsEveryFormEqualToItsModel) {
    Session session;
    session.seed = 20261209;
    session.steps = kSessionSteps;
    RandomSession(session);
    // The kept SUBs were used, most forms most of the time.
    EXPECT_GT(reused, kSessionSteps);
}

// The same with several steps between two regenerations, form names that
// come back (a form deleted or renamed away and another one given its name
// before the next regeneration) and projects saved and opened again: every
// way a working file changes while a SUB made from it is kept.
TEST_F(FormOrderTest, RandomSessionWithStepsBetweenRegenerations) {
    Session session;
    session.seed = 20261210;
    // As long in the checked builds: a shorter session sees too few forms
    // for the kept SUBs to matter.
    session.steps = 1250;
    session.checkOneIn = 4;
    session.reuseNames = true;
    session.projects = true;
    // Three forms from the start, and a project of them saved: the opens
    // that come at random bring back several forms, so kept SUBs are there
    // to be used from the first check on, in a short session too.
    Add("B");
    Add("C");
    SaveProject();
    const int checks = RandomSession(session);
    EXPECT_GT(reused, checks);
}

// Load Form from the tab strip's menu, as the program runs it: the file
// dialog, then the form-name dialog of the program's own frame, which adds
// the form as a new last tab and shows it.
TEST_F(FormOrderTest, LoadFormAddsTheFormFromItsFile) {
    Draw(7);
    Draw(8);
    const std::string file = dir + "/saved.dkf";
    ui.fileAnswers.push_back(file);
    TabMenu(0, ID_TSP_SAVEFORM);
    ASSERT_TRUE(IsPathExisting(file));

    int dialogs = 0;
    SetDialogHook([&dialogs](QDialog& dialog) {
        ++dialogs;
        auto& form = static_cast<CDlgFormName&>(dialog);
        EXPECT_EQ(form.GetMode(), CDlgFormName::MODE_LOAD);
        // The stored name is offered; it is taken, so the user gives another.
        EXPECT_EQ(form.GetNameEdit()->text().toStdString(), "Form1");
        form.SetNameText("Copy");
        form.OnOK();
        return form.result();
    });
    ui.fileAnswers.push_back(file);
    TabMenu(0, ID_TSP_LOADFORM);
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(ui.fileRequests.back().title, "Load Form");
    FormModel copy = forms[0];
    copy.name = "Copy";
    forms.push_back(copy);
    visible = 1;
    ExpectForms();

    // A cancelled file dialog adds nothing.
    ui.fileAnswers.push_back(std::nullopt);
    TabMenu(1, ID_TSP_LOADFORM);
    EXPECT_EQ(dialogs, 1);
    ExpectForms();
}

}  // namespace
