// Every command a user can give the designer, given once the way the user
// gives it, on the program's own window, design frame and view: the main
// menu, the tool bar, the tab menus, the page's object menu and the palette.
// Each must be offered and must do what it says.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/tests/shelltesting.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/model/dsghdata.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxbutton.h"
#include "foundation/fxtoolbar.h"

using namespace shelltesting;

namespace {

constexpr int kDot = 10000;

enum class Via { Menu, ToolBar, TabMenu, StripMenu, PageMenu, Palette };

struct Command {
    Via via;
    UINT id;
    // Brings the project to where the command acts, and queues the answers
    // to its questions.
    std::function<void(Designer&)> arrange;
    // What the command must have done.
    std::function<void(Designer&)> check;
    // The tab whose menu gives it (Via::TabMenu).
    int tab = 0;
};

CDsgTSPFrame& Strip() { return *GetDsgMainFrame()->GetTSPFrame(); }
int Tabs() { return Strip().GetTSPageCount(); }
std::string TabName(int i) { return Strip().GetTSPageBySPIndex(i)->GetSPName(); }
CDvkCodeWnd* CodeWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* code = dynamic_cast<CDvkCodeWnd*>(widget)) return code;
    return nullptr;
}
QWidget* GridDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == "Grid Setting [Ctrl+G]") return widget;
    return nullptr;
}

// The command ids each popup menu has shown, enabled or not.
std::map<Via, std::set<UINT>> g_shown;

// The popup menu that opens next answers with the command, when it offers
// it enabled; `offered` says whether it did.
void AnswerMenu(Via via, UINT id, bool& offered) {
    offered = false;
    SetPopupMenuHook([via, id, &offered](QMenu& menu, const QPoint&) -> UINT {
        for (QAction* action : menu.actions()) {
            if (action->isSeparator()) continue;
            g_shown[via].insert(GetCommandId(action));
            if (GetCommandId(action) == id) offered = action->isEnabled();
        }
        return offered ? id : 0;
    });
}

// The item of the window's menu bar that gives the command, as the user
// finds it (recent files included).
QAction* MenuAction(QMainWindow& window, UINT id) {
    for (QAction* top : window.menuBar()->actions())
        if (QMenu* menu = top->menu())
            for (QAction* action : menu->actions())
                if (!action->isSeparator() && GetCommandId(action) == id) return action;
    return nullptr;
}

// Gives the command as the user would; false when it was not offered.
bool Give(Designer& d, const Command& c) {
    d.Frame().UpdateCommandUI();
    bool offered = false;
    switch (c.via) {
        case Via::Menu: {
            QAction* action = MenuAction(d.Frame(), c.id);
            if (!action || !action->isEnabled()) return false;
            action->trigger();
            offered = true;
            break;
        }
        case Via::ToolBar: {
            QAction* action = d.Frame().GetToolBar()->GetButtonAction(c.id);
            if (!action || !action->isEnabled()) return false;
            action->trigger();
            offered = true;
            break;
        }
        case Via::TabMenu: {
            // The clicked tab becomes the strip's anchor.
            AnswerMenu(c.via, c.id, offered);
            QTest::mouseClick(Strip().GetTSPageBySPIndex(c.tab), Qt::RightButton, {}, QPoint(5, 5));
            break;
        }
        case Via::StripMenu: {
            AnswerMenu(c.via, c.id, offered);
            QWidget* background = Strip().viewport();
            QTest::mouseClick(background, Qt::RightButton, {}, QPoint(3, background->height() - 3));
            break;
        }
        case Via::PageMenu: {
            AnswerMenu(c.via, c.id, offered);
            CDsgDSPFrame& page = d.Page();
            // Off every object, in the page's corner.
            const QPoint corner(page.width() - 3, page.height() - 3);
            QTest::mousePress(&page, Qt::RightButton, {}, corner);
            QTest::mouseRelease(&page, Qt::RightButton, {}, corner);
            break;
        }
        case Via::Palette: {
            CFxButton* button = GetDlgToolBox()->GetButton(static_cast<int>(c.id));
            if (!button || !button->isVisible() || !button->isEnabled()) return false;
            QTest::mouseClick(button, Qt::LeftButton);
            offered = true;
            break;
        }
    }
    SetPopupMenuHook({});
    Designer::Settle();
    return offered;
}

// ---- Arrangements ---------------------------------------------------------------

// Boxes of different sizes across the LCD, all chosen, or only the first.
void Boxes(Designer& d, int count, bool all) {
    for (int i = 0; i < count; ++i)
        d.AddObject(nDSG_WOKIND__WOBOX, CRect((10 + 60 * i) * kDot, (20 + 7 * i) * kDot,
                                              (40 + 60 * i + 9 * i) * kDot, (50 + 11 * i) * kDot));
    if (all)
        d.Page().WOChooseAllWObjs();
    else
        d.Page().WOChoose(d.Page().GetZOrder().GetHead());
}
// The object at that place of the z-order, alone chosen.
void Choose(Designer& d, int place) {
    auto node = d.Page().GetZOrder().begin();
    std::advance(node, place);
    d.Page().ResetWOChoice();
    d.Page().WOChoose(*node);
}
CSize SizeOf(Designer& d, int place) {
    auto node = d.Page().GetZOrder().begin();
    std::advance(node, place);
    return d.Page().GetWObjRect(*node).Size();
}
// Pastes what was copied; the size of the object it made.
CSize PastedSize(Designer& d) {
    const int before = d.Page().GetWObjCount();
    d.Frame().OnCommand(ID_DSG_PASTE);
    Designer::Settle();
    EXPECT_EQ(d.Page().GetWObjCount(), before + 1);
    return d.Page().GetWObjRect(d.Page().GetZOrder().GetTail()).Size();
}
// Two lines whose ends meet, both chosen.
void Lines(Designer& d) {
    d.AddObject(nDSG_WOKIND__WOLINE, CRect(10 * kDot, 10 * kDot, 60 * kDot, 10 * kDot));
    d.AddObject(nDSG_WOKIND__WOLINE, CRect(61 * kDot, 10 * kDot, 61 * kDot, 80 * kDot));
    d.Page().WOChooseAllWObjs();
}
void Fresh(Designer& d) {
    if (d.Doc().IsModified()) d.ui.messageAnswers.push_back(IDNO);  // the save question
    d.Frame().OnCommand(ID_FILE_NEW);
    Designer::Settle();
}
// A modal dialog of the title is opened and cancelled.
void ExpectDialog(const std::string& title, int& opened) {
    opened = 0;
    SetDialogHook([title, &opened](QDialog& dialog) {
        if (dialog.windowTitle().toStdString() == title) ++opened;
        return static_cast<int>(IDCANCEL);
    });
}

// ---- Checks ---------------------------------------------------------------------

std::vector<CRect> Rects(Designer& d) {
    std::vector<CRect> rects;
    for (int id : d.Page().GetZOrder()) rects.push_back(d.Page().GetWObjRect(id));
    return rects;
}

}  // namespace

TEST(CommandsTest, EveryCommandActsOnTheRealProgram) {
    Folders folders;
    Designer d;
    const std::string project = folders.data + "/project.dvk";
    const std::string form = folders.data + "/form.dkf";
    // Values the arrangement keeps for its check.
    int count = 0;
    int opened = 0;
    std::vector<CRect> before;
    std::string bytes;
    QSize size;

    auto objects = [&d] { return d.Page().GetWObjCount(); };
    auto chosen = [&d] { return d.Page().GetWOCHCount(); };
    auto keep = [&](Designer& dd) {
        before = Rects(dd);
        count = objects();
    };
    // An object command: several boxes chosen, and their rectangles or their
    // order changed by it, as one more step of the history.
    auto boxesChange = [&](int n, bool all) {
        return Command{Via::PageMenu, 0,
                       [&, n, all](Designer& dd) {
                           Fresh(dd);
                           Boxes(dd, n, all);
                           keep(dd);
                       },
                       [&](Designer& dd) {
                           EXPECT_NE(Rects(dd), before);
                           EXPECT_EQ(objects(), count);
                       }};
    };
    auto object = [&](UINT id, int n, bool all) {
        Command c = boxesChange(n, all);
        c.id = id;
        return c;
    };

    const std::vector<Command> table = {
        // ---- Main menu and tool bar: files ----
        {Via::Menu, ID_FILE_NEW,
         [&](Designer& dd) {
             Boxes(dd, 1, false);
             dd.ui.messageAnswers.push_back(IDNO);
         },
         [&](Designer&) {
             EXPECT_EQ(Tabs(), 1);
             EXPECT_EQ(objects(), 0);
         }},
        {Via::ToolBar, ID_FILE_NEW,
         [&](Designer& dd) {
             Boxes(dd, 2, false);
             dd.ui.messageAnswers.push_back(IDNO);
         },
         [&](Designer&) { EXPECT_EQ(objects(), 0); }},
        {Via::Menu, ID_FILE_SAVE_AS,
         [&](Designer& dd) {
             Boxes(dd, 3, false);
             dd.ui.fileAnswers.push_back(project);
         },
         [&](Designer& dd) {
             EXPECT_TRUE(IsPathExisting(project));
             EXPECT_FALSE(dd.Doc().IsModified());
         }},
        {Via::Menu, ID_FILE_SAVE,
         [&](Designer& dd) {
             bytes = testsupport::ReadFileBytes(project);
             Boxes(dd, 1, false);
         },
         [&](Designer& dd) {
             EXPECT_NE(testsupport::ReadFileBytes(project), bytes);
             EXPECT_FALSE(dd.Doc().IsModified());
         }},
        {Via::ToolBar, ID_FILE_SAVE,
         [&](Designer& dd) {
             bytes = testsupport::ReadFileBytes(project);
             Boxes(dd, 1, false);
         },
         [&](Designer&) { EXPECT_NE(testsupport::ReadFileBytes(project), bytes); }},
        {Via::Menu, ID_FILE_OPEN,
         [&](Designer& dd) {
             count = objects();
             Fresh(dd);
             dd.ui.fileAnswers.push_back(project);
         },
         [&](Designer&) { EXPECT_EQ(objects(), count); }},
        {Via::ToolBar, ID_FILE_OPEN,
         [&](Designer& dd) {
             Fresh(dd);
             dd.ui.fileAnswers.push_back(project);
         },
         [&](Designer&) { EXPECT_EQ(objects(), count); }},
        {Via::Menu, ID_FILE_MRU_FILE1, [&](Designer& dd) { Fresh(dd); },
         [&](Designer& dd) {
             EXPECT_EQ(dd.Doc().GetPathName(), project);
             EXPECT_EQ(objects(), count);
         }},

        // ---- Forms ----
        {Via::Menu, ID_DSG_ADDFORM, [&](Designer&) { AnswerFormName("Second"); },
         [&](Designer& dd) {
             ASSERT_EQ(Tabs(), 2);
             EXPECT_EQ(TabName(1), "Second");
             EXPECT_EQ(dd.Page().GetSPIndex(), 1);
         }},
        {Via::TabMenu, ID_TSP_SAVEFORM, [&](Designer& dd) { dd.ui.fileAnswers.push_back(form); },
         [&](Designer&) { EXPECT_TRUE(IsPathExisting(form)); }},
        {Via::Menu, ID_DSG_LOADFORM,
         [&](Designer& dd) {
             dd.ui.fileAnswers.push_back(form);
             AnswerFormName("Loaded");
         },
         [&](Designer& dd) {
             ASSERT_EQ(Tabs(), 3);
             EXPECT_EQ(TabName(2), "Loaded");
             EXPECT_EQ(objects(), count);  // the first form's boxes
             EXPECT_EQ(dd.Page().GetSPIndex(), 2);
         }},
        {Via::TabMenu, ID_TSP_LOADFORM,
         [&](Designer& dd) {
             dd.ui.fileAnswers.push_back(form);
             AnswerFormName("Again");
         },
         [&](Designer&) { EXPECT_EQ(Tabs(), 4); }},
        {Via::StripMenu, ID_TSP_LOADFORM,
         [&](Designer& dd) {
             dd.ui.fileAnswers.push_back(form);
             AnswerFormName("Third");
         },
         [&](Designer&) { EXPECT_EQ(Tabs(), 5); }},
        {Via::TabMenu, ID_TSP_EDITFORM, [&](Designer&) {},
         [&](Designer& dd) { EXPECT_EQ(dd.Page().GetSPIndex(), 0); }},
        {Via::TabMenu, ID_TSP_GOFORWARD, [&](Designer&) {},
         [&](Designer& dd) {
             EXPECT_EQ(TabName(0) + "," + TabName(1), "Second,Form1");
             EXPECT_EQ(dd.Page().GetSPIndex(), 1);  // still on Form1
         }},
        {Via::TabMenu, ID_TSP_RENAMEFORM, [&](Designer&) { AnswerFormName("Renamed"); },
         [&](Designer&) { EXPECT_EQ(TabName(0), "Renamed"); }},
        {Via::TabMenu, ID_TSP_DELETEFORMS,
         [&](Designer& dd) { dd.ui.messageAnswers.push_back(IDYES); },
         [&](Designer&) {
             EXPECT_EQ(Tabs(), 4);
             EXPECT_EQ(TabName(0), "Form1");
         }},
        {Via::StripMenu, ID_TSP_DELETEFORMS,
         [&](Designer& dd) {
             // The last tab chosen by a click.
             QTest::mouseClick(Strip().GetTSPageBySPIndex(3), Qt::LeftButton, {}, QPoint(5, 5));
             dd.ui.messageAnswers.push_back(IDYES);
         },
         [&](Designer&) { EXPECT_EQ(Tabs(), 3); }},
        {Via::TabMenu, ID_TSP_GOBACKWARD, [&](Designer&) {},
         [&](Designer& dd) {
             // The form not on the page moved; the page stays on its own.
             EXPECT_EQ(TabName(0) + "," + TabName(1) + "," + TabName(2), "Loaded,Form1,Again");
             EXPECT_EQ(dd.Page().GetSPIndex(), 2);
         },
         1},
        {Via::Menu, ID_DSG_CLEARFORM,
         [&](Designer& dd) {
             Boxes(dd, 1, false);
             dd.ui.messageAnswers.push_back(IDYES);
         },
         [&](Designer&) { EXPECT_EQ(objects(), 0); }},
        {Via::Menu, ID_DSG_SAVECODEAS, [&](Designer&) {}, nullptr},  // never offered

        // ---- Edit ----
        {Via::Menu, ID_EDIT_UNDO,
         [&](Designer& dd) {
             Fresh(dd);
             Boxes(dd, 2, false);
         },
         [&](Designer&) { EXPECT_EQ(objects(), 1); }},
        {Via::Menu, ID_EDIT_REDO, [&](Designer&) {}, [&](Designer&) { EXPECT_EQ(objects(), 2); }},
        {Via::Menu, ID_EDIT_COPY, [&](Designer& dd) { Choose(dd, 0); },
         [&](Designer& dd) { EXPECT_EQ(PastedSize(dd), SizeOf(dd, 0)); }},
        {Via::ToolBar, ID_DSG_COPY, [&](Designer& dd) { Choose(dd, 1); },
         [&](Designer& dd) { EXPECT_EQ(PastedSize(dd), SizeOf(dd, 1)); }},
        {Via::Menu, ID_EDIT_PASTE, [&](Designer&) { count = objects(); },
         [&](Designer&) { EXPECT_EQ(objects(), count + 1); }},
        {Via::ToolBar, ID_DSG_PASTE, [&](Designer&) { count = objects(); },
         [&](Designer&) { EXPECT_EQ(objects(), count + 1); }},
        {Via::Menu, ID_EDIT_CUT,
         [&](Designer& dd) {
             Choose(dd, 0);
             count = objects();
         },
         [&](Designer&) { EXPECT_EQ(objects(), count - 1); }},
        {Via::ToolBar, ID_DSG_CUT,
         [&](Designer& dd) {
             Choose(dd, 0);
             count = objects();
         },
         [&](Designer&) { EXPECT_EQ(objects(), count - 1); }},
        {Via::Menu, ID_DSG_DELETE,
         [&](Designer& dd) {
             Choose(dd, 0);
             count = objects();
         },
         [&](Designer&) { EXPECT_EQ(objects(), count - 1); }},
        {Via::Menu, ID_DSG_SELECTAROUND,
         [&](Designer& dd) {
             // Two boxes over the whole LCD, the upper one clicked: Select
             // Around goes to the other one under the click.
             Fresh(dd);
             for (int i = 0; i < 2; ++i)
                 dd.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 319 * kDot, 239 * kDot));
             CDsgDSPFrame& page = dd.Page();
             QTest::mouseClick(&page, Qt::LeftButton, {}, page.rect().center());
             Designer::Settle();
             count = page.GetCWOCHId();
             EXPECT_GE(count, 0);
         },
         [&](Designer& dd) { EXPECT_NE(dd.Page().GetCWOCHId(), count); }},
        {Via::Menu, ID_DSG_SELECTALL, [&](Designer& dd) { dd.Page().ResetWOChoice(); },
         [&](Designer&) { EXPECT_EQ(chosen(), objects()); }},

        // ---- View and help ----
        {Via::Menu, ID_DSG_GRID, [&](Designer&) {},
         [&](Designer&) {
             ASSERT_NE(GridDialog(), nullptr);
             GridDialog()->close();
         }},
        {Via::Menu, ID_DSG_VIEWCODE, [&](Designer&) {},
         [&](Designer&) { EXPECT_NE(CodeWindow(), nullptr); }},
        {Via::ToolBar, ID_DSG_VIEWCODE, [&](Designer&) {},
         [&](Designer&) { EXPECT_EQ(CodeWindow(), nullptr); }},
        {Via::Menu, ID_DSG_VIEW200, [&](Designer& dd) { size = dd.Frame().size(); },
         [&](Designer& dd) { EXPECT_GT(dd.Frame().height(), size.height()); }},
        {Via::Menu, ID_DSG_VIEW100, [&](Designer& dd) { size = dd.Frame().size(); },
         [&](Designer& dd) {
             EXPECT_LT(dd.Frame().height(), size.height());
             EXPECT_GE(dd.Frame().width(), size.width());  // never narrower
         }},
        {Via::Menu, ID_DSG_OPTIONS, [&](Designer&) { ExpectDialog("Options", opened); },
         [&](Designer&) { EXPECT_EQ(opened, 1); }},
        {Via::Menu, ID_DSG_SETTINGS, [&](Designer&) { ExpectDialog("Project Settings", opened); },
         [&](Designer&) { EXPECT_EQ(opened, 1); }},
        {Via::Menu, ID_APP_ABOUT, [&](Designer&) { ExpectDialog("About Dravik", opened); },
         [&](Designer&) { EXPECT_EQ(opened, 1); }},
        {Via::Menu, ID_DSG_GUIDE, [&](Designer&) {},
         [&](Designer& dd) {
             ASSERT_FALSE(dd.ui.openedDocuments.empty());
             EXPECT_EQ(dd.ui.openedDocuments.back(), CMainFrame::GetUserGuidePath());
         }},

        // ---- The page's object menu ----
        object(nDSG_CMD__TPALIGN, 3, true),
        object(nDSG_CMD__BPALIGN, 3, true),
        object(nDSG_CMD__LPALIGN, 3, true),
        object(nDSG_CMD__RPALIGN, 3, true),
        object(nDSG_CMD__XSALIGN, 3, true),
        object(nDSG_CMD__YSALIGN, 3, true),
        object(nDSG_CMD__XYSALIGN, 3, true),
        object(nDSG_CMD__YLGALIGN, 3, true),
        object(nDSG_CMD__XLGALIGN, 3, true),
        object(nDSG_CMD__XCENTER, 1, false),
        object(nDSG_CMD__YCENTER, 1, false),
        object(nDSG_CMD__XYCENTER, 1, false),
        object(nDSG_CMD__MRINFLATE, 1, false),
        object(nDSG_CMD__ORINFLATE, 1, false),
        object(nDSG_CMD__ORDEFLATE, 1, false),
        object(nDSG_CMD__UZALTER, 2, false),
        {Via::PageMenu, nDSG_CMD__DZALTER,
         [&](Designer& dd) {
             Fresh(dd);
             Boxes(dd, 2, false);
             Choose(dd, 1);
             keep(dd);
         },
         [&](Designer& dd) { EXPECT_NE(Rects(dd), before); }},
        {Via::PageMenu, nDSG_CMD__WODELETE,
         [&](Designer& dd) {
             Fresh(dd);
             Boxes(dd, 3, true);
         },
         [&](Designer&) { EXPECT_EQ(objects(), 0); }},
        {Via::PageMenu, nDSG_CMD__TSKLGAIN,
         [&](Designer& dd) {
             Fresh(dd);
             Lines(dd);
         },
         [&](Designer& dd) {
             EXPECT_EQ(dd.Page().GetKLGroupCount(), 1);
             // Linked lines keep their own sizes.
             EXPECT_FALSE(GetDsgMainFrame()->IsDsgCommandEnabled(nDSG_CMD__XSALIGN));
         }},
        {Via::PageMenu, nDSG_CMD__WWKLGCLEAR, [&](Designer&) {},
         [&](Designer&) {
             EXPECT_TRUE(GetDsgMainFrame()->IsDsgCommandEnabled(nDSG_CMD__XSALIGN));
         }},
    };

    // Every command the program offers has its row: each item of the menu
    // bar and the tool bar, and each item the tab, strip and page menus showed.
    std::map<Via, std::set<UINT>> rows;
    for (const Command& c : table) rows[c.via].insert(c.id);
    std::map<Via, std::set<UINT>> offers;
    for (const CMainFrame::MenuPopup& popup : CMainFrame::GetMenuTable())
        for (const CMainFrame::MenuItem& item : popup.items)
            if (item.id) offers[Via::Menu].insert(item.id);
    offers[Via::Menu].insert(ID_FILE_MRU_FILE1);
    for (QAction* action : d.Frame().GetToolBar()->actions())
        if (!action->isSeparator()) offers[Via::ToolBar].insert(GetCommandId(action));
    offers[Via::Menu].erase(ID_APP_EXIT);  // given last, below

    g_shown.clear();
    for (const Command& c : table) {
        SCOPED_TRACE("command " + std::to_string(c.id) + " via " +
                     std::to_string(static_cast<int>(c.via)));
        d.ui.messageAnswers.clear();
        d.ui.fileAnswers.clear();
        c.arrange(d);
        const bool offered = Give(d, c);
        SetDialogHook({});
        // Every question the command was to ask, it asked.
        EXPECT_TRUE(d.ui.messageAnswers.empty() && d.ui.fileAnswers.empty());
        if (!c.check) {
            EXPECT_FALSE(offered);
            continue;
        }
        ASSERT_TRUE(offered);
        c.check(d);
    }

    for (const auto& [via, ids] : g_shown) offers[via].insert(ids.begin(), ids.end());
    for (Via via : {Via::Menu, Via::ToolBar, Via::TabMenu, Via::StripMenu, Via::PageMenu}) {
        ASSERT_FALSE(offers[via].empty());
        for (UINT id : offers[via])
            EXPECT_TRUE(rows[via].count(id))
                << "no row gives command " << id << " via " << static_cast<int>(via);
    }

    // ---- The palette: each button pressed becomes the page's tool ----
    Fresh(d);
    int pressed = 0;
    for (int id = IDC_TOOL_FIRST; id <= IDC_TOOL_LAST; ++id) {
        SCOPED_TRACE("tool button " + std::to_string(id));
        if (!Give(d, Command{Via::Palette, static_cast<UINT>(id), nullptr, nullptr})) continue;
        ++pressed;
        EXPECT_EQ(GetDlgToolBox()->GetCurrentTool(), CDlgToolBox::ToolOfButton(id));
        EXPECT_EQ(d.Page().GetWOETool(), CDlgToolBox::ToolOfButton(id));
    }
    EXPECT_EQ(pressed, 9);  // the buttons of the short keys

    // ---- Exit closes the window after the save question ----
    Boxes(d, 1, false);
    d.ui.messageAnswers.push_back(IDNO);
    ASSERT_TRUE(Give(d, Command{Via::Menu, ID_APP_EXIT, nullptr, nullptr}));
    EXPECT_FALSE(d.Frame().isVisible());
    EXPECT_TRUE(d.Said("Save changes"));
}
