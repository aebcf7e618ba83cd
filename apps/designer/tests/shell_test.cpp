// The main window's commands and enable rules, the view's regeneration
// timing, the dialogs, the code window and the window state.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/dvkdialogs.h"
#include "apps/designer/tests/shelltesting.h"
#include "design/model/dsggoption.h"
#include "design/model/dsghdata.h"
#include "design/model/tests/lsdtesting.h"
#include "foundation/fxshadebutton.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutilswnd.h"
#include "platform/textcodec.h"

using namespace shelltesting;

namespace {

// The menu as the window shows it: "id text" per item, "-" per separator.
std::vector<std::string> MenuTexts(CMainFrame& frame) {
    std::vector<std::string> out;
    for (QAction* top : frame.menuBar()->actions()) {
        out.push_back("[" + top->text().toStdString() + "]");
        for (QAction* item : top->menu()->actions())
            out.push_back(item->isSeparator() ? "-"
                                              : std::to_string(GetCommandId(item)) + " " +
                                                    item->text().toStdString());
    }
    return out;
}

}  // namespace

TEST(ShellTest, MenuHasItsIdsTextsAndAcceleratorsAndPageKeysAreNotTaken) {
    Folders folders;
    Designer d;
    const std::vector<std::string> expected = {"[&File]",
                                               "57600 New Project\tCtrl+N",
                                               "57601 Open Project...\tCtrl+O",
                                               "57603 Save Project\tCtrl+S",
                                               "57604 Save Project As...",
                                               "-",
                                               "32798 Add Form\tCtrl+Q",
                                               "32771 Load Form\tCtrl+Shift+Q",
                                               "32796 Clear Form\tCtrl+E",
                                               "-",
                                               "32790 Save BASIC Code As...\tCtrl+Shift+S",
                                               "-",
                                               "57665 Exit",
                                               "[&Edit]",
                                               "57643 Undo\tCtrl+Z",
                                               "57644 Redo\tCtrl+Y, Ctrl+Shift+Z",
                                               "-",
                                               "57635 Cut\tCtrl+X",
                                               "57634 Copy\tCtrl+C",
                                               "57637 Paste\tCtrl+V",
                                               "32800 Delete\tDel",
                                               "-",
                                               "32787 Select Around\tTab",
                                               "32773 Select All\tCtrl+A",
                                               "[&View]",
                                               "32789 Grid Setting...\tCtrl+G",
                                               "32791 View/Hide BASIC Code\tCtrl+W",
                                               "-",
                                               "32794 View at 100% size\tCtrl+1",
                                               "32795 View at 200% size\tCtrl+2",
                                               "-",
                                               "32792 Options...",
                                               "32772 Settings..",
                                               "[&Help]",
                                               "32799 View User's Guide...",
                                               "-",
                                               "57664 About Dravik..."};
    EXPECT_EQ(MenuTexts(d.Frame()), expected);
    // Ctrl+A, C, V, X, Y, Z belong to the design page: no window shortcut
    // acts on them, so a key acts once.
    for (QAction* action : d.Frame().actions())
        for (const char* key : {"Ctrl+A", "Ctrl+C", "Ctrl+V", "Ctrl+X", "Ctrl+Y", "Ctrl+Z", "Del"})
            EXPECT_NE(action->shortcut(), QKeySequence(key)) << action->text().toStdString();
    EXPECT_EQ(d.Frame().GetCommandAction(ID_FILE_SAVE)->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(d.Frame().GetCommandAction(ID_DSG_LOADFORM)->shortcut(),
              QKeySequence("Ctrl+Shift+Q"));
    // The tool bar: three groups, pictures for seven buttons.
    CFxToolBar* bar = d.Frame().GetToolBar();
    EXPECT_EQ(bar->CommandToIndex(ID_DSG_VIEWCODE), 8);
    EXPECT_EQ(bar->GetImageCount(), 7);
}

TEST(ShellTest, EveryCommandFollowsItsEnableRule) {
    // States of the project, built one after the other.
    enum State { Fresh, Modified, Chosen, Undone, NoForms, Count };
    const std::vector<std::pair<UINT, std::array<bool, Count>>> table = {
        // id                     Fresh  Modified Chosen Undone NoForms
        {ID_FILE_NEW, {true, true, true, true, true}},
        {ID_FILE_OPEN, {true, true, true, true, true}},
        {ID_FILE_SAVE, {false, true, true, true, false}},
        {ID_FILE_SAVE_AS, {true, true, true, true, true}},
        {ID_DSG_ADDFORM, {true, true, true, true, true}},
        {ID_DSG_LOADFORM, {true, true, true, true, true}},
        {ID_DSG_CLEARFORM, {false, true, true, true, false}},
        {ID_DSG_UNDO, {false, true, true, true, false}},
        {ID_EDIT_UNDO, {false, true, true, true, false}},
        {ID_DSG_REDO, {false, false, false, true, false}},
        {ID_EDIT_REDO, {false, false, false, true, false}},
        {ID_DSG_CUT, {false, false, true, false, false}},
        {ID_EDIT_CUT, {false, false, true, false, false}},
        {ID_DSG_COPY, {false, false, true, false, false}},
        {ID_EDIT_COPY, {false, false, true, false, false}},
        {ID_DSG_DELETE, {false, false, true, false, false}},
        {ID_DSG_SELECTAROUND, {false, false, true, false, false}},
        {ID_DSG_SELECTALL, {false, true, true, true, false}},
        {ID_DSG_SAVECODEAS, {false, false, false, false, false}},
        {ID_DSG_GRID, {true, true, true, true, true}},
        {ID_DSG_VIEWCODE, {true, true, true, true, true}},
        {ID_DSG_VIEW100, {true, true, true, true, true}},
        {ID_DSG_VIEW200, {true, true, true, true, true}},
        {ID_DSG_OPTIONS, {true, true, true, true, true}},
        {ID_DSG_SETTINGS, {true, true, true, true, true}},
        {ID_DSG_GUIDE, {true, true, true, true, true}},
        {ID_APP_ABOUT, {true, true, true, true, true}},
    };
    Folders folders;
    Designer d;
    CDsgDSPFrame& page = d.Page();
    for (int state = Fresh; state < Count; ++state) {
        switch (state) {
            case Modified:
                d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 40000, 40000));
                d.AddObject(nDSG_WOKIND__WOLINE, CRect(50000, 0, 90000, 40000));
                break;
            case Chosen:
                page.WOChoose(page.GetZOrder().GetHead());
                break;
            case Undone:
                // The line's creation and geometry go back as one step.
                page.ResetWOChoice();
                page.UndoEAction();
                page.WObjsFromEActions(page, TRUE);
                break;
            case NoForms:
                g_pDsgMainFrame->TSPRemoveAllPages();
                page.ResetEActions();
                page.RemoveAllWObjs();
                page.SetSPIndex(-1);
                break;
        }
        d.Frame().UpdateCommandUI();
        for (const auto& [id, enabled] : table) {
            SCOPED_TRACE("state " + std::to_string(state) + " id " + std::to_string(id));
            EXPECT_EQ(d.Frame().IsCommandEnabled(id) != 0, enabled[state]);
            if (QAction* action = d.Frame().GetCommandAction(id)) {
                EXPECT_EQ(action->isEnabled(), enabled[state]);
            }
        }
        if (QAction* button = d.Frame().GetToolBar()->GetButtonAction(ID_FILE_SAVE)) {
            EXPECT_EQ(button->isEnabled(), table[2].second[state]);
        }
    }
}

TEST(ShellTest, PasteIsEnabledRightAfterCopyInAnotherInstance) {
    Folders folders;
    Designer d;
    EXPECT_FALSE(d.Frame().IsCommandEnabled(ID_DSG_PASTE)) << "nothing copied yet";
    // Another designer copies a box and keeps running.
    lsdtesting::OtherInstance copier([]() -> int {
        CDsgWObjs source;
        CDsgEActions actions;
        actions.SetSPIndex(0);
        auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
        int counter = 0;
        create->InitWOCreation(counter, nDSG_WOKIND__WOBOX, CRect(0, 0, 30000, 30000),
                               CDsgUTProps(), FALSE);
        actions.EAAdd(std::move(create));
        source.WObjsFromEActions(actions, FALSE);
        CDsgHDAction copy;
        int ids = -1;
        copy.HDSetWObjs(0, source, TRUE, ids);
        return copy.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(copier.Result(), 1);
    EXPECT_TRUE(d.Frame().IsCommandEnabled(ID_DSG_PASTE));
    d.Frame().UpdateCommandUI();
    EXPECT_TRUE(d.Frame().GetToolBar()->GetButtonAction(ID_DSG_PASTE)->isEnabled());
}

TEST(ShellTest, RegenerationRunsAtMostOnceIn2000Ms) {
    Folders folders;
    Ticks ticks;
    Designer d;
    CDravik2View& view = d.View();
    // A first change regenerates at once.
    ticks.now = 500000;
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 40000, 40000));
    EXPECT_EQ(view.GetLastRegenerationTime(), 500000u);
    EXPECT_FALSE(view.IsDirty());
    const std::string first = d.View().GetPJGCommands();
    // A second one 500 ms later only marks the flag ...
    ticks.now = 500500;
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(50000, 0, 90000, 40000));
    EXPECT_TRUE(view.IsDirty());
    EXPECT_EQ(d.View().GetPJGCommands(), first);
    // ... and timer 2 regenerates at its next tick.
    ASSERT_EQ(GetTimerPeriod(&view, CDravik2View::TIMER_REGENERATE), 2700u);
    ticks.now = 503200;
    ASSERT_TRUE(FireTimerForTest(&view, CDravik2View::TIMER_REGENERATE));
    EXPECT_FALSE(view.IsDirty());
    EXPECT_NE(d.View().GetPJGCommands(), first);
    // The timer does nothing when nothing waits.
    ticks.now = 510000;
    FireTimerForTest(&view, CDravik2View::TIMER_REGENERATE);
    EXPECT_EQ(view.GetLastRegenerationTime(), 503200u);

    struct Case {
        DWORD after;
        bool runs;
    };
    for (const Case c : {Case{2000, false}, Case{2001, true}, Case{1, false}}) {
        SCOPED_TRACE(c.after);
        view.Regenerate();
        const DWORD last = view.GetLastRegenerationTime();
        ticks.now = last + c.after;
        view.OnRegenerateRequest();
        EXPECT_EQ(view.GetLastRegenerationTime() == ticks.now, c.runs);
        EXPECT_EQ(view.IsDirty() != 0, !c.runs);
        FireTimerForTest(&view, CDravik2View::TIMER_REGENERATE);
    }
}

TEST(ShellTest, WithFiveLiveOwnersTheProgramSaysSoAndTouchesNoSlot) {
    Folders folders;
    // Five slots held by this process's own windows.
    std::vector<std::unique_ptr<QWidget>> owners;
    std::vector<std::string> before;
    for (int i = 0; i < CDravik2View::kSlotCount; ++i) {
        owners.push_back(std::make_unique<QWidget>());
        const std::string ini = folders.program + "/prj" + std::to_string(i) + "/CurrentProj.ini";
        SetIniString(ini, "lsmseed", HandleToText(GetWindowHandle(owners.back().get())), "Project");
        SetIniString(ini, "UComplete", i % 2 ? "0" : "1", "Project");
        before.push_back(testsupport::ReadFileBytes(ini));
    }
    ClearIniCache();
    Designer d;
    EXPECT_EQ(
        d.Messages(),
        (std::vector<std::string>{"Error|Cannot start application. Too many program instance?"}));
    EXPECT_FALSE(d.View().IsFrameStarted());
    // Timer 3 closes the program (unless the event loop already ran it).
    FireTimerForTest(&d.View(), CDravik2View::TIMER_CLOSE);
    Designer::Settle();
    EXPECT_FALSE(d.Frame().isVisible());
    EXPECT_FALSE(IsTimerSet(&d.View(), CDravik2View::TIMER_CLOSE));
    for (int i = 0; i < CDravik2View::kSlotCount; ++i)
        EXPECT_EQ(testsupport::ReadFileBytes(folders.program + "/prj" + std::to_string(i) +
                                             "/CurrentProj.ini"),
                  before[static_cast<size_t>(i)]);
}

TEST(ShellTest, FrameThatCannotStartSaysWhy) {
    Folders folders;
    // A file where the slot folder should be: nothing can be written there.
    testsupport::WriteFileBytes(folders.program + "/prj0", "x");
    Designer d;
    EXPECT_FALSE(d.View().IsFrameStarted());
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_EQ(d.ui.messages[0].caption, "Error");
    EXPECT_NE(d.ui.messages[0].text.find(folders.program + "/prj0"), std::string::npos);
}

TEST(ShellTest, ClosingMarksTheSlotCompleteAndWritesTheWindowState) {
    Folders folders;
    std::string slot;
    {
        Designer d;
        slot = d.Slot();
        d.Frame().move(40, 30);
        d.Frame().resize(640, 480);
        EXPECT_EQ(d.Frame().minimumSize(), QSize(400, 350));
    }
    EXPECT_EQ(GetIniString(slot + "/CurrentProj.ini", "UComplete", "Project"), "1");
    const std::string state = testsupport::ReadFileBytes(CMainFrame::GetStateFilePath());
    EXPECT_NE(state.find("cx=640"), std::string::npos) << state;
    Designer again;
    EXPECT_FALSE(again.Said("restored"));
    EXPECT_EQ(again.Frame().size(), QSize(640, 480));
}

TEST(ShellTest, DamagedWindowStateGivesTheDefaultPlacement) {
    for (const char* bytes : {"max=1&x=abc&cy=\xFF", "", "x=-99999&y=-99999&cx=5&cy=5&max=0",
                              "max=0&x=0&y=0&cx=100000&cy=100000"}) {
        SCOPED_TRACE(bytes);
        Folders folders;
        testsupport::WriteFileBytes(CMainFrame::GetStateFilePath(), bytes);
        Designer d;
        EXPECT_GE(d.Frame().width(), CMainFrame::kMinWidth);
        EXPECT_GE(d.Frame().height(), CMainFrame::kMinHeight);
        EXPECT_LE(d.Frame().width(), GetScreenSize().cx);
        EXPECT_LE(d.Frame().height(), GetScreenSize().cy);
        EXPECT_TRUE(QRect(QPoint(0, 0), QSize(GetScreenSize().cx, GetScreenSize().cy))
                        .intersects(d.Frame().geometry()));
    }
}

TEST(ShellTest, ClearFormAsksAndWithoutATabSaysError79123) {
    Folders folders;
    Designer d;
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 40000, 40000));
    d.ui.messageAnswers = {IDNO};
    d.Frame().OnCommand(ID_DSG_CLEARFORM);
    EXPECT_EQ(d.Messages().back(),
              "WARNING !!|Are you sure you want to clear the form 'Form1' ?\r\n\r\nAll your "
              "works on the form will be erased and cannot be undone.");
    EXPECT_GT(d.Page().GetEACount(), 0);
    d.ui.messageAnswers = {IDYES};
    d.Frame().OnCommand(ID_DSG_CLEARFORM);
    EXPECT_EQ(d.Page().GetEACount(), 0);
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 40000, 40000));
    d.Page().SetSPIndex(7);
    d.Frame().OnCommand(ID_DSG_CLEARFORM);
    EXPECT_EQ(d.Messages().back(), "Error|Error 79123");
}

TEST(ShellTest, UserGuideIsThePdfBesideTheProgram) {
    Folders folders;
    Designer d;
    d.Frame().OnCommand(ID_DSG_GUIDE);
    ASSERT_EQ(d.ui.openedDocuments.size(), 1u);
    EXPECT_EQ(d.ui.openedDocuments[0], folders.program + "/Dravik User's Guide(Eng).pdf");
}

// ---- Dialogs ----------------------------------------------------------------------

TEST(DialogTest, ProjectSettingsCheckEveryFieldTrimmedBeforeStoringAny) {
    Folders folders;
    Designer d;
    struct Case {
        const char* path;
        bool isolate;
        const char* name;
        bool stored;
        const char* message;
    };
    const Case cases[] = {
        {"/tmp/x.inc", true, "   ", false, "The length of characters must be 1~200."},
        {"/tmp/x.inc", true, "", false, "The length of characters must be 1~200."},
        {"  /tmp/y.inc ", true, "  DefChars ", true, nullptr},
        {"/tmp/z.inc", false, "", true, nullptr},  // the name is off: not checked
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        d.Doc().SetString(DPS_TGCMFLPATH, "old");
        d.Doc().SetString(DPS_IRNCGCSCNAME, "OldName");
        d.Doc().SetModifiedFlag(FALSE);
        d.ui.messages.clear();
        int result = -1;
        SetDialogHook([&](QDialog& dialog) {
            auto& settings = dynamic_cast<CDlgDPSettings&>(dialog);
            qobject_cast<QLineEdit*>(GetDlgItem(&dialog, 1007))->setText(c.path);
            qobject_cast<QCheckBox*>(GetDlgItem(&dialog, 1000))->setChecked(c.isolate);
            settings.UpdateNameState();
            qobject_cast<QLineEdit*>(GetDlgItem(&dialog, 1001))->setText(c.name);
            return settings.OnOK() ? IDOK : IDCANCEL;
        });
        d.Frame().OnCommand(ID_DSG_SETTINGS);
        (void)result;
        if (c.stored) {
            EXPECT_EQ(d.Doc().GetString(DPS_TGCMFLPATH), TrimText(c.path));
            EXPECT_TRUE(d.Doc().IsModified());
            if (c.isolate) {
                EXPECT_EQ(d.Doc().GetString(DPS_IRNCGCSCNAME), "DefChars");
            }
        } else {
            EXPECT_EQ(d.Doc().GetString(DPS_TGCMFLPATH), "old");
            EXPECT_EQ(d.Doc().GetString(DPS_IRNCGCSCNAME), "OldName");
            EXPECT_FALSE(d.Doc().IsModified());
            EXPECT_EQ(d.Messages(), (std::vector<std::string>{std::string("Error|") + c.message}));
        }
    }
}

TEST(DialogTest, ProjectSettingsNameFollowsItsCheckBoxAndBrowseFillsThePath) {
    Folders folders;
    Designer d;
    d.Doc().SetInt(DPS_IRNCGCISOLATE, 0);
    CDlgDPSettings dialog(d.Doc());
    EXPECT_FALSE(GetDlgItem(&dialog, 1001)->isEnabledTo(&dialog));
    EXPECT_FALSE(GetDlgItem(&dialog, 1002)->isEnabledTo(&dialog));
    qobject_cast<QCheckBox*>(GetDlgItem(&dialog, 1000))->click();
    EXPECT_TRUE(GetDlgItem(&dialog, 1001)->isEnabledTo(&dialog));
    d.ui.fileAnswers.push_back(std::string("/data/out.inc"));
    dialog.OnBrowse();
    ASSERT_EQ(d.ui.fileRequests.size(), 1u);
    EXPECT_EQ(d.ui.fileRequests[0].title, "Generate BASIC code on real-time.");
    EXPECT_EQ(qobject_cast<QLineEdit*>(GetDlgItem(&dialog, 1007))->text(), "/data/out.inc");
}

TEST(DialogTest, OptionsToOriginalThenCancelKeepsThePageColour) {
    Folders folders;
    Designer d;
    CDsgGOption& option = *g_pDsgGOption;
    option.SetInt(GOPT_SPAGE_BACK_COLOR, 0x123456);
    option.SetInt(GOPT_CPCINDEX, 1);
    struct Case {
        bool ok;
        COLORREF colour;
        int ink;
    };
    for (const Case c : {Case{false, 0x123456, 1}, Case{true, 0xFBF0DD, 0}}) {
        SetDialogHook([&](QDialog& dialog) {
            auto& options = dynamic_cast<CDlgDvkOptions&>(dialog);
            EXPECT_EQ(qobject_cast<QComboBox*>(GetDlgItem(&dialog, 1004))->currentIndex(), 1);
            // Every button wears the shaded face at its own size.
            std::map<int, CFxShadeButton*> buttons;
            for (int id : {1003, 1005, 1008, 1007}) {
                buttons[id] = qobject_cast<CFxShadeButton*>(GetDlgItem(&dialog, id));
                if (!buttons[id]) {
                    ADD_FAILURE() << "button " << id << " is no shaded button";
                    return IDCANCEL;
                }
                EXPECT_EQ(buttons[id]->GetFace().GetWidth(), buttons[id]->width()) << id;
                EXPECT_EQ(buttons[id]->GetFace().GetHeight(), buttons[id]->height()) << id;
            }
            EXPECT_TRUE(buttons[1008]->IsDefaultButton());
            buttons[1005]->click();
            EXPECT_EQ(options.GetBackColor(), 0xFBF0DDu);
            buttons[c.ok ? 1008 : 1007]->click();
            return dialog.result();
        });
        d.Frame().OnCommand(ID_DSG_OPTIONS);
        EXPECT_EQ(option.GetSPageBackColor(), c.colour);
        EXPECT_EQ(option.GetInt(GOPT_CPCINDEX, -1), c.ink);
    }
}

TEST(DialogTest, AboutShowsTheProductAndTheBuildVersion) {
    CDlgDvkAbout about;
    EXPECT_EQ(GetHwndText(GetDlgItem(&about, 1010)), "Dravik " + GetVersionText());
    EXPECT_EQ(GetVersionText(), "2.42");
    EXPECT_EQ(GetDlgItem(&about, 1011), nullptr);
}

// ---- Code window ---------------------------------------------------------------

TEST(CodeWindowTest, PlacementBesideTheMainWindow) {
    struct Case {
        CRect main;
        int width;
        int left;
    };
    const int screen = 1000;
    const Case cases[] = {
        {CRect(400, 0, 900, 500), 300, 100},  // room on the left
        {CRect(300, 0, 800, 500), 300, 0},    // exactly enough on the left
        {CRect(100, 0, 500, 500), 300, 500},  // more room on the right
        {CRect(260, 0, 760, 500), 300, 0},    // neither: the left edge has more
        {CRect(250, 0, 750, 500), 300, 700},  // neither, equal: the right edge
        {CRect(100, 0, 750, 500), 300, 700},  // neither: the right edge has more
        {CRect(0, 0, 1000, 500), 300, 700},   // full width: against the right edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDvkCodeWnd::GetPlacementLeft(c.main, c.width, screen), c.left)
            << c.main.left << ".." << c.main.right;
}

TEST(CodeWindowTest, ToggledTwiceLeavesNoWindow) {
    Folders folders;
    Designer d;
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    ASSERT_NE(g_pDvkCodeWnd, nullptr);
    QString shown = AnsiToQString(d.View().GetPJGCommands());
    shown.replace("\r\n", "\n");
    EXPECT_EQ(g_pDvkCodeWnd->GetEdit()->toPlainText(), shown);
    EXPECT_EQ(g_pDvkCodeWnd->frameGeometry().top(), d.Frame().frameGeometry().top());
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    EXPECT_EQ(g_pDvkCodeWnd, nullptr);
}

// Each fill shows exactly its text, whatever the text shown before (the
// window replaces only the part that differs), with nothing to undo; a text
// the user changed in the window is replaced whole.
TEST(CodeWindowTest, EachFillShowsExactlyItsText) {
    Folders folders;
    Designer d;
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    CDvkCodeWnd& window = *g_pDvkCodeWnd;
    QTextEdit reference;
    const std::string korean = "\xC7\xD1\xB1\xDB";
    const struct {
        const char* name;
        std::string text;
        bool typeFirst;
    } fills[] = {
        {"first", "SUB A()\r\n\tBOX 1,2,3,4\r\nEND SUB", false},
        {"middle changed", "SUB A()\r\n\tBOX 1,9,3,4\r\nEND SUB", false},
        {"grown inside", "SUB A()\r\n\tBOX 1,9,3,4\r\n\tCOLOR 0\r\nEND SUB", false},
        {"shrunk", "SUB A()\r\nEND SUB", false},
        {"same again", "SUB A()\r\nEND SUB", false},
        {"repeated runs", "SUB A()\r\nEND SUBEND SUB", false},
        {"code page text", "SUB A()\r\n\tGPRINT \"" + korean + "\"\r\nEND SUB", false},
        {"after the user typed", "SUB B()\r\nEND SUB", true},
        {"prefix only", "SUB B()", false},
        {"line breaks added", "SUB B()\r\n\r\nEND\r\n", false},
        {"a break's CR alone left", "SUB B()\r\rEND\r", false},
        {"the LF back", "SUB B()\r\n\rEND\r\n", false},
        {"a CR alone at the end", "SUB C()\r\nEND\r", false},
        {"the line before it changed", "SUB D()\r\nEND\r", false},
        {"empty", "", false},
        {"from empty", "SUB C()\r\nEND SUB", false},
    };
    for (const auto& fill : fills) {
        SCOPED_TRACE(fill.name);
        if (fill.typeFirst) window.GetEdit()->insertPlainText("typed");
        window.FillText(fill.text);
        reference.setPlainText(AnsiToQString(fill.text));
        EXPECT_EQ(window.GetEdit()->toPlainText(), reference.toPlainText());
        EXPECT_FALSE(window.GetEdit()->document()->isUndoAvailable());
        EXPECT_FALSE(window.GetEdit()->document()->isModified());
    }
}

// Long texts changed at random places, a few lines at a time, as the
// regeneration changes them: lines of code page text, lead bytes at a
// line's end before a line that starts with a byte that could end a
// double-byte character, and every kind of line break (a CR alone, an LF
// alone, none). Each fill shows exactly its text with the caret at its end.
TEST(CodeWindowTest, RandomLineChangesShowExactlyEachText) {
    Folders folders;
    Designer d;
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    CDvkCodeWnd& window = *g_pDvkCodeWnd;
    QTextEdit reference;
    const std::string lines[] = {
        "\tBOX 1,2,3,4", "\tGPRINT \"\xC7\xD1\xB1\xDB\"", "", "x\xC7", "AB", "\xB1", "END SUB",
        "SUB F()"};
    const std::string breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", ""};
    std::mt19937 random(20261210);
    std::vector<std::string> text;
    for (int i = 0; i < 300; ++i) text.push_back(lines[random() % 8] + breaks[random() % 6]);
    for (int fill = 0; fill < 150; ++fill) {
        SCOPED_TRACE("fill " + std::to_string(fill));
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < changes; ++c) {
            const size_t at = random() % (text.size() + 1);
            const std::string line = lines[random() % 8] + breaks[random() % 6];
            switch (random() % 3) {
                case 0:
                    text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), line);
                    break;
                case 1:
                    if (at < text.size())
                        text.erase(text.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                default:
                    if (at < text.size()) text[at] = line;
                    break;
            }
        }
        std::string joined;
        for (const std::string& line : text) joined += line;
        window.FillText(joined);
        reference.setPlainText(AnsiToQString(joined));
        ASSERT_EQ(window.GetEdit()->toPlainText(), reference.toPlainText());
        EXPECT_TRUE(window.GetEdit()->textCursor().atEnd());
        EXPECT_FALSE(window.GetEdit()->document()->isUndoAvailable());
    }
}

TEST(CodeWindowTest, DefchrWidensTheWindowTo330AndTheLayoutFollows) {
    Folders folders;
    Designer d;
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    CDvkCodeWnd& window = *g_pDvkCodeWnd;
    window.resize(200, 400);
    window.FillText("SUB A()\r\n\tPRINT\r\nEND SUB");
    EXPECT_EQ(window.width(), 200);
    window.FillText("SUB A()\r\n\tDEFCHR &HDB30,...\r\nEND SUB");
    EXPECT_EQ(window.width(), CDvkCodeWnd::kDefchrWidth);
    EXPECT_EQ(window.height(), 400);
    Designer::Settle();
    QWidget* edit = GetDlgItem(&window, 1002);
    QWidget* close = GetDlgItem(&window, 1004);
    EXPECT_EQ(edit->y(), 23);
    EXPECT_EQ(window.height() - (edit->y() + edit->height()), 35);
    EXPECT_EQ(window.width() - (close->x() + close->width()), 5);
    EXPECT_EQ(window.height() - (close->y() + close->height()), 5);
    // At that width a DEFCHR statement fits: tabs stop every half inch.
    const std::string rows = ",_\r\n\t  &H80,&H00,&HFF,&HFF,&H00,&H00,&H00,&H00";
    window.FillText("SUB A()\r\n\tDEFCHR &HDB41" + rows + rows + rows + rows + "\r\nEND SUB");
    Designer::Settle();
    auto* text = static_cast<QTextEdit*>(edit);
    EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0);
}

TEST(CodeWindowTest, ClipboardAndFileGetTheSourceGeneratedAfresh) {
    Folders folders;
    Designer d;
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(10000, 20000, 50000, 60000));
    d.Frame().OnCommand(ID_DSG_VIEWCODE);
    g_pDvkCodeWnd->FillText("stale");
    g_pDvkCodeWnd->OnToClipboard();
    std::string fresh;
    ASSERT_TRUE(d.View().GenerateSource(fresh));
    EXPECT_NE(fresh, "stale");
    EXPECT_EQ(QStringToAnsi(QApplication::clipboard()->text()), fresh);

    const std::string file = testsupport::MakeTempFolder("code") + "/deep/er/out.inc";
    d.ui.fileAnswers = {file};
    g_pDvkCodeWnd->OnSaveToFile();
    EXPECT_EQ(d.ui.fileRequests.back().title, "Save Your Design To BASIC Code.");
    EXPECT_EQ(testsupport::ReadFileBytes(file), fresh);
    const std::string blocker = testsupport::MakeTempFolder("code") + "/plain";
    testsupport::WriteFileBytes(blocker, "x");
    d.ui.fileAnswers = {blocker + "/out.inc"};
    g_pDvkCodeWnd->OnSaveToFile();
    EXPECT_EQ(d.Messages().back(), "Error|Cannot Create Graphic Code To File.");
}

TEST(ShellTest, SavedMaximisedWindowIsMaximisedOnlyAtTheFirstActivation) {
    Folders folders;
    testsupport::WriteFileBytes(CMainFrame::GetStateFilePath(), "max=1&x=10&y=10&cx=500&cy=400");
    Designer d;
    EXPECT_TRUE(d.Frame().isMaximized());
    d.Frame().showNormal();
    d.Frame().ActivateFrame();
    EXPECT_FALSE(d.Frame().isMaximized());
}

TEST(ShellTest, TemplateTextsNameTheFilesAndTheProgram) {
    EXPECT_EQ(CDravik2Doc::GetDocString(0), "Dravik");
    EXPECT_EQ(CDravik2Doc::GetDocString(4), ".dvk");
    EXPECT_EQ(CDravik2Doc::GetDocString(6), "DVK Document");
    EXPECT_EQ(CDravik2Doc::GetDocString(7), "");
    EXPECT_EQ(CDravik2Doc::GetFilter(), "Form Design Project(*.dvk)|*.dvk|All files(*.*)|*.*||");
}
