// The form-tab strip in a real slot: geometry, choosing with the mouse,
// menus, switching, renaming, deleting, reordering, form files and painting.

#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

#include "design/frames/tests/framestesting.h"
#include "design/surface/dsgimagescaler.h"
#include "foundation/fxbutton.h"
#include "platform/dc.h"

using framestesting::Slot;

namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

void Click(CDsgTSPage* tab, Qt::KeyboardModifiers modifiers = {},
           Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(tab, button, modifiers, QPoint(10, 10));
}

// The enabled state of each item of the menu the next pop-up would show,
// by command id; the menu is dismissed.
struct MenuProbe {
    std::map<UINT, bool> enabled;
    MenuProbe() {
        SetPopupMenuHook([this](QMenu& menu, const QPoint&) {
            for (QAction* action : menu.actions())
                if (GetCommandId(action)) enabled[GetCommandId(action)] = action->isEnabled();
            return 0u;
        });
    }
};

}  // namespace

TEST_F(Slot, TabsSitAtTheirSlotsAndTheStripScrollsForOneMore) {
    MakeForms({"Form1", "Form2", "Form3"});
    EXPECT_EQ(CDsgTSPFrame::TabHeight(), 41);
    EXPECT_EQ(CDsgTSPFrame::ScrollHeight(4), 269);
    EXPECT_EQ(CDsgTSPFrame::ScrollHeight(0), 30);
    // An option file with an LCD of extreme proportions keeps tabs drawable.
    const struct {
        int width, height, tab;
    } lcds[] = {{320, 240, 41}, {1, 100000, 2048}, {100000, 1, 1}, {0, 0, 1}, {128, 64, 27}};
    for (const auto& lcd : lcds) {
        GetDsgGOption().SetInt(GOPT_LMWIDTH, lcd.width);
        GetDsgGOption().SetInt(GOPT_LMHEIGHT, lcd.height);
        EXPECT_EQ(CDsgTSPFrame::TabHeight(), lcd.tab) << lcd.width << "x" << lcd.height;
    }
    EXPECT_EQ(CDsgTSPFrame::ScrollHeight(0x7FFFFFFF), 1 << 30);
    GetDsgGOption().SetInt(GOPT_LMWIDTH, 320);
    GetDsgGOption().SetInt(GOPT_LMHEIGHT, 240);
    const int tops[] = {10, 76, 142};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(strip().GetTSPageBySPIndex(i)->geometry(), QRect(8, tops[i], 55, 41));
    }
    strip().resize(70, 100);
    const QScrollBar* bar = strip().verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 269 - strip().viewport()->height());
    strip().verticalScrollBar()->setValue(50);
    EXPECT_EQ(strip().GetTSPageBySPIndex(1)->geometry(), QRect(8, 26, 55, 41));
    EXPECT_EQ(GetTimerPeriod(strip().GetTSPageBySPIndex(0), TSP_THUMB_TIMER), TSP_THUMB_PERIOD);
    EXPECT_EQ(strip().GetTSPFrameExp(),
              "SPIndex:0,SPName=Form1\r\nSPIndex:1,SPName=Form2\r\n"
              "SPIndex:2,SPName=Form3");
}

TEST_F(Slot, ClicksChooseTabsAndSetTheArrows) {
    struct Step {
        int tab;
        Qt::KeyboardModifiers modifiers;
        Ints chosen;
        int anchor;
        bool forward, backward;  // 1003, 1004
    };
    const std::vector<std::vector<Step>> runs = {
        {{1, {}, {1}, 1, true, true},
         {3, Qt::ShiftModifier, {1, 2, 3}, 3, false, false},
         // The range left the anchor on the last tab.
         {0, Qt::ShiftModifier, {0, 1, 2, 3}, 3, false, false}},
        {{0, {}, {0}, 0, true, false},
         {2, Qt::ControlModifier, {0, 2}, 2, false, false},
         {0, Qt::ControlModifier, {2}, 0, true, false}},
        {{3, {}, {3}, 3, false, true}, {3, Qt::ControlModifier, {}, 3, false, false}},
        {{2, Qt::ShiftModifier | Qt::ControlModifier, {2, 3}, 3, false, false}},
    };
    MakeForms({"A", "B", "C", "D"});
    for (size_t r = 0; r < runs.size(); ++r) {
        strip().SPSelectOne(3, 1);
        for (size_t s = 0; s < runs[r].size(); ++s) {
            SCOPED_TRACE(testing::Message() << "run " << r << " step " << s);
            const Step& step = runs[r][s];
            Click(strip().GetTSPageBySPIndex(step.tab), step.modifiers);
            EXPECT_EQ(Chosen(), step.chosen);
            EXPECT_EQ(strip().GetAnchor(), step.anchor);
            EXPECT_EQ(host->bar->GetButton(IDC_UBAR_INCREASE)->isEnabled(), step.forward);
            EXPECT_EQ(host->bar->GetButton(IDC_UBAR_DECREASE)->isEnabled(), step.backward);
        }
    }
    // A click on the background chooses nothing.
    QTest::mouseClick(strip().viewport(), Qt::LeftButton, {}, QPoint(30, 590));
    EXPECT_EQ(Chosen(), Ints{});
}

TEST_F(Slot, MenusEnableByTheChoice) {
    struct Case {
        Names forms;
        Ints ctrlClicks;  // after a plain click on the first of them
        int rightTab;     // -1: the background
        Qt::KeyboardModifiers rightModifiers;
        std::map<UINT, bool> expected;
    };
    const Case cases[] = {
        {{"A"}, {0}, 0, {}, {{ID_TSP_GOBACKWARD, false}, {ID_TSP_GOFORWARD, false}}},
        {{"A", "B", "C"}, {1}, 1, {}, {{ID_TSP_GOBACKWARD, true}, {ID_TSP_GOFORWARD, true}}},
        {{"A", "B", "C"}, {2}, 2, {}, {{ID_TSP_GOBACKWARD, true}, {ID_TSP_GOFORWARD, false}}},
        // A right press on a chosen tab keeps the choice of two.
        {{"A", "B", "C"}, {0, 1}, 1, {}, {{ID_TSP_GOBACKWARD, false}, {ID_TSP_GOFORWARD, false}}},
        // Ctrl keeps the choice too; the anchor moves to the pressed tab.
        {{"A", "B", "C"},
         {0, 1},
         2,
         Qt::ControlModifier,
         {{ID_TSP_GOBACKWARD, false}, {ID_TSP_GOFORWARD, false}}},
        {{"A", "B"}, {0}, -1, {}, {{ID_TSP_DELETEFORMS, true}, {ID_TSP_LOADFORM, true}}},
        {{"A", "B"}, {}, -1, {}, {{ID_TSP_DELETEFORMS, false}, {ID_TSP_LOADFORM, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.forms.size() * 10 + static_cast<size_t>(c.rightTab + 1));
        strip().RemoveAllTSPages();
        SetIniString(Ini(), "SPCount", "0", LSD_INI_SECTION);
        MakeForms(c.forms);
        strip().SPClearChoice(1);
        for (size_t i = 0; i < c.ctrlClicks.size(); ++i)
            Click(strip().GetTSPageBySPIndex(c.ctrlClicks[i]),
                  i ? Qt::ControlModifier : Qt::NoModifier);
        MenuProbe probe;
        if (c.rightTab < 0)
            QTest::mouseClick(strip().viewport(), Qt::RightButton, {}, QPoint(30, 590));
        else
            Click(strip().GetTSPageBySPIndex(c.rightTab), c.rightModifiers, Qt::RightButton);
        for (const auto& [id, enabled] : c.expected) EXPECT_EQ(probe.enabled[id], enabled) << id;
    }
}

TEST_F(Slot, SwitchWritesTheVisibleFormAndLoadsTheChosen) {
    MakeForms({"Form1", "Form2"});
    Box(5);  // an edit of the visible form, not yet written
    const std::string edited = PageBytes();
    const std::string first = Frm("Form1");
    host->refreshes.clear();
    QTest::mouseDClick(strip().GetTSPageBySPIndex(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Visible(), 0);
    EXPECT_EQ(Frm("Form2"), edited);
    EXPECT_EQ(Frm("Form1"), first);
    EXPECT_EQ(Objects(), 1);
    EXPECT_EQ(host->refreshes, (Ints{1, 5, 6}));
    // The visible form's own tab does not reload it.
    host->refreshes.clear();
    QTest::mouseDClick(strip().GetTSPageBySPIndex(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(host->refreshes.empty());
}

TEST_F(Slot, SwitchStopsWhenTheVisibleFormCannotBeSaved) {
    MakeForms({"Form1", "Form2"});
    Box(5);
    Block("Form2");
    EXPECT_EQ(strip().SPAppoint(0, 1), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Could not save form Form2");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(Visible(), 1);
    EXPECT_EQ(Objects(), 3);  // the edits stay on the page

    // A chosen form whose file cannot be read is named, and nothing changes.
    std::remove((dir + "/Form2.frm").c_str());
    testsupport::WriteFileBytes(dir + "/Form1.frm", "damaged");
    ui.messages.clear();
    EXPECT_EQ(strip().SPAppoint(0, 1), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Could not load form Form1");
    EXPECT_EQ(Visible(), 1);
    EXPECT_EQ(Objects(), 3);
    EXPECT_EQ(Frm("Form1"), "damaged");
}

TEST_F(Slot, RenameMovesTheWorkingFileWithTheForm) {
    for (const bool visible : {true, false}) {
        SCOPED_TRACE(visible);
        strip().RemoveAllTSPages();
        SetIniString(Ini(), "SPCount", "0", LSD_INI_SECTION);
        for (const char* name : {"Form1", "Form2", "Renamed"})
            std::remove((dir + "/" + name + ".frm").c_str());
        MakeForms({"Form1", "Form2"});
        Box(7);  // unsaved edit of Form2, the visible form
        const std::string expected = visible ? PageBytes() : Frm("Form1");
        const int target = visible ? 1 : 0;
        Click(strip().GetTSPageBySPIndex(target));
        const int changes = host->designChanges;
        AnswerName("Renamed");
        strip().OnRenameSPage();
        EXPECT_EQ(strip().GetTSPageBySPIndex(target)->GetSPName(), "Renamed");
        EXPECT_EQ(IniName(target), "Renamed");
        EXPECT_NE(IniText().find("Form" + std::to_string(target) + "Name=Renamed"),
                  std::string::npos);
        EXPECT_EQ(Frm("Renamed"), expected);
        EXPECT_FALSE(HasFrm(visible ? "Form2" : "Form1"));
        EXPECT_TRUE(HasFrm(visible ? "Form1" : "Form2"));
        EXPECT_EQ(host->designChanges, changes + 1);
    }
}

TEST_F(Slot, RenameWithAFailedListWriteRestoresTheName) {
    MakeForms({"Form1", "Form2"});
    const std::string bytes = Frm("Form1");
    Click(strip().GetTSPageBySPIndex(0));
    std::remove(Ini().c_str());
    ASSERT_EQ(mkdir(Ini().c_str(), 0700), 0);
    ClearIniCache();
    int result = 0;
    AnswerName("Other", &result);
    const int changes = host->designChanges;
    strip().OnRenameSPage();
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, "Error 78129");
    EXPECT_EQ(strip().GetTSPageBySPIndex(0)->GetSPName(), "Form1");
    EXPECT_EQ(Frm("Form1"), bytes);
    EXPECT_FALSE(HasFrm("Other"));
    EXPECT_EQ(host->designChanges, changes);
}

TEST_F(Slot, DeleteSelectedFormsKeepsTheListAndFilesInStep) {
    struct Case {
        Ints chosen;
        int answer;
        Names tabs;
        int visible;
        std::string question;
    };
    const Case cases[] = {
        {{1}, IDYES, {"F1", "F3"}, 1, "Do you want to delete the form 'F2'?"},
        {{0, 2}, IDYES, {"F2"}, 0, "Do you want to delete the selected 2 forms?"},
        {{0, 1, 2}, IDYES, {}, -1, "Do you want to delete the selected 3 forms?"},
        {{0}, IDNO, {"F1", "F2", "F3"}, 2, "Do you want to delete the form 'F1'?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        strip().RemoveAllTSPages();
        SetIniString(Ini(), "SPCount", "0", LSD_INI_SECTION);
        MakeForms({"F1", "F2", "F3"});
        strip().SPClearChoice(0);
        for (int i : c.chosen) strip().SPSelectReverseOne(i, 0);
        ui.messages.clear();
        ui.messageAnswers = {c.answer};
        strip().setFocus();
        host->refreshes.clear();
        QTest::keyClick(&strip(), Qt::Key_Delete);
        ASSERT_EQ(ui.messages.size(), 1u);
        // The form bar, which names the visible form, is repainted after a
        // deletion and left alone when the user says no.
        EXPECT_EQ(std::count(host->refreshes.begin(), host->refreshes.end(), 6),
                  c.answer == IDYES ? 1 : 0);
        EXPECT_EQ(ui.messages[0].text, c.question);
        EXPECT_EQ(ui.messages[0].caption, "Delete form(s)");
        EXPECT_EQ(TabNames(), c.tabs);
        EXPECT_EQ(Visible(), c.visible);
        ClearIniCache();
        EXPECT_EQ(GetIniString(Ini(), "SPCount", LSD_INI_SECTION, ""),
                  std::to_string(c.tabs.size()));
        for (size_t i = 0; i < c.tabs.size(); ++i) {
            EXPECT_EQ(IniName(static_cast<int>(i)), c.tabs[i]);
            EXPECT_TRUE(HasFrm(c.tabs[i]));
        }
        for (const char* name : {"F1", "F2", "F3"}) {
            if (std::find(c.tabs.begin(), c.tabs.end(), name) == c.tabs.end()) {
                EXPECT_FALSE(HasFrm(name)) << name;
            }
        }
        if (c.visible >= 0) {
            EXPECT_EQ(Objects(), std::stoi(c.tabs[static_cast<size_t>(c.visible)].substr(1)));
        } else {
            EXPECT_EQ(host->page->GetEACount(), 0);
        }
    }
}

TEST_F(Slot, DeleteStopsWhenTheVisibleFormCannotBeSaved) {
    MakeForms({"F1", "F2"});
    Box(6);
    Block("F2");
    strip().SPSelectOne(0, 0);
    ui.messageAnswers = {IDYES};
    EXPECT_EQ(strip().DeleteSPSPages(), 0);
    EXPECT_EQ(ui.messages.back().text, "Could not save form F2");
    EXPECT_EQ(TabNames(), (Names{"F1", "F2"}));
    EXPECT_TRUE(HasFrm("F1"));
    EXPECT_EQ(Objects(), 3);
}

TEST_F(Slot, ArrowsSwapFormsInTheListNotTheirFiles) {
    MakeForms({"F1", "F2", "F3"});
    const std::string f1 = Frm("F1");
    Click(strip().GetTSPageBySPIndex(0));
    QTest::mouseClick(host->bar->GetButton(IDC_UBAR_INCREASE), Qt::LeftButton);
    EXPECT_EQ(TabNames(), (Names{"F2", "F1", "F3"}));
    EXPECT_EQ(IniName(0), "F2");
    EXPECT_EQ(IniName(1), "F1");
    EXPECT_EQ(Frm("F1"), f1);
    strip().SPSelectOne(1, 0);
    strip().OnTabLButtonDown(1, {});
    QTest::mouseClick(host->bar->GetButton(IDC_UBAR_DECREASE), Qt::LeftButton);
    EXPECT_EQ(TabNames(), (Names{"F1", "F2", "F3"}));
    EXPECT_EQ(IniName(0), "F1");
}

TEST_F(Slot, SaveAndLoadFormThroughTheFileDialog) {
    MakeForms({"Form1", "Form2"});
    Box(9);
    const std::string path = dir + "/out.dkf";
    Click(strip().GetTSPageBySPIndex(1));
    ui.fileAnswers = {path};
    strip().OnMenuCommand(ID_TSP_SAVEFORM);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.fileRequests[0].save);
    EXPECT_EQ(ui.fileRequests[0].title, "Save the Form \"Form2\"");
    EXPECT_EQ(ui.fileRequests[0].defaultExt, "dkf");
    EXPECT_EQ(ui.fileRequests[0].initialPath, "Form2.dkf");
    ASSERT_TRUE(IsPathExisting(path));
    const std::string saved = Frm("Form2");

    ui.fileAnswers = {path};
    AnswerName("Copy");
    const int changes = host->designChanges;
    strip().OnMenuCommand(ID_TSP_LOADFORM);
    EXPECT_EQ(ui.fileRequests.back().title, "Load Form");
    EXPECT_EQ(TabNames(), (Names{"Form1", "Form2", "Copy"}));
    EXPECT_EQ(Frm("Copy"), saved);
    EXPECT_EQ(IniName(2), "Copy");
    EXPECT_EQ(Visible(), 2);
    EXPECT_EQ(Objects(), 3);
    EXPECT_EQ(host->designChanges, changes + 1);
}

TEST_F(Slot, DamagedFormFilesAreRefusedWithNothingLost) {
    MakeForms({"Form1"});
    const std::string good = dir + "/good.dkf";
    strip().SPSelectOne(0, 0);
    ui.fileAnswers = {good};
    strip().OnEUSFSave();
    const std::string bytes = testsupport::ReadFileBytes(good);
    ASSERT_GT(bytes.size(), 40u);
    std::string flipped = bytes;
    for (size_t i = bytes.size() / 2; i < bytes.size(); ++i) flipped[i] = '\x7f';
    struct Case {
        std::string name, bytes, message;
    };
    const Case cases[] = {
        {"empty", "", "Cannot load form from "},
        {"garbage", std::string(300, '\xee'), "Cannot load form from "},
        {"half", bytes.substr(0, bytes.size() / 2), "Cannot load form from "},
        {"flipped", flipped, "Cannot load form from "},
    };
    const std::string ini = IniText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name + ".dkf";
        testsupport::WriteFileBytes(path, c.bytes);
        ui.messages.clear();
        ui.fileAnswers = {path};
        AnswerName("Loaded");
        strip().OnEUSFLoad();
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages[0].text.rfind(c.message, 0), 0u) << ui.messages[0].text;
        EXPECT_EQ(TabNames(), Names{"Form1"});
        EXPECT_EQ(IniText(), ini);
        EXPECT_FALSE(HasFrm("Loaded"));
    }
}

TEST_F(Slot, LabelsAndChoiceFramesAtTheirPixels) {
    MakeForms({"Form1", "Form2"});
    strip().SPSelectOne(0, 0);
    CDC dc(70, 200);
    strip().DrawTSPFrame(dc);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Tab 0 chosen: outer frame grey, inner black; tab 1 framed in the face.
    EXPECT_EQ(dc.GetPixel(6, 8), RGB(127, 127, 127));
    EXPECT_EQ(dc.GetPixel(63, 52), RGB(127, 127, 127));
    EXPECT_EQ(dc.GetPixel(7, 9), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(62, 51), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(6, 74), face);
    EXPECT_EQ(dc.GetPixel(7, 75), face);
    // Labels: the visible form's number in red, the other's in grey, names
    // in black 3 right of the number, all from 3 below the tab.
    struct Label {
        int top;
        COLORREF number;
    };
    for (const Label& label : {Label{54, RGB(0x76, 0x76, 0x76)}, Label{120, RGB(255, 0, 0)}}) {
        SCOPED_TRACE(label.top);
        int numberRight = -1, firstBlack = -1, topmost = 1000;
        for (int y = label.top; y < label.top + 27 && y < 200; ++y)
            for (int x = 8; x < 70; ++x) {
                const COLORREF c = dc.GetPixel(x, y);
                if (c == label.number) {
                    numberRight = std::max(numberRight, x);
                    topmost = std::min(topmost, y);
                }
                if (c == RGB(0, 0, 0) && (firstBlack < 0 || x < firstBlack)) firstBlack = x;
            }
        ASSERT_GT(numberRight, 8);
        EXPECT_GE(topmost, label.top);
        EXPECT_GT(firstBlack, numberRight + 1);
    }
}

// A long form name ends in an ellipsis where its label meets what lies
// beside it: the strip's edge below a tab, "Add Form" in the form bar.
TEST_F(Slot, LongNamesEndBeforeWhatLiesBesideThem) {
    MakeForms({"Form1", "AVeryLongFormNameThatRunsOnAndOnAndOn"});
    auto blackColumns = [](const CDC& dc, int top, int bottom) {
        std::pair<int, int> range(-1, -1);
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < dc.GetSize().cx; ++x)
                if (dc.GetPixel(x, y) == RGB(0, 0, 0)) {
                    if (range.first < 0 || x < range.first) range.first = x;
                    range.second = std::max(range.second, x);
                }
        return range;
    };
    CDC strip70(70, 200);
    strip().DrawTSPFrame(strip70);
    // The second tab's label, below its frame.
    const auto [labelLeft, labelRight] = blackColumns(strip70, 120, 147);
    ASSERT_GE(labelLeft, 0);
    EXPECT_LT(labelRight, 67);
    EXPECT_GE(labelRight, 55) << "the label goes on to its end";

    CDlgUBar bar(frame.get());
    bar.resize(320, 30);
    const int addLeft = bar.GetButton(IDC_UBAR_ADDFORM)->geometry().left();
    CDC dc(bar.width(), bar.height());
    bar.DrawUBar(dc);
    const auto [nameLeft, nameRight] = blackColumns(dc, 2, 28);
    ASSERT_GE(nameLeft, 0);
    EXPECT_LT(nameRight, addLeft - 4);
    EXPECT_GE(nameRight, addLeft - 20) << "the name goes on to its end";
    // What the name meets shows as a button, hovered or not.
    CFxButton& add = *bar.GetButton(IDC_UBAR_ADDFORM);
    ASSERT_FALSE(add.IsHover());
    const QImage look = add.grab().toImage();
    const QRgb face = ToQRgb(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF;
    int edge = 0;
    for (int x = 0; x < look.width(); ++x)
        for (int y : {0, 1, look.height() - 2, look.height() - 1})
            if ((look.pixel(x, y) & 0xFFFFFF) != face) ++edge;
    EXPECT_GT(edge, look.width());
}

TEST_F(Slot, TabShowsItsThumbnailOnlyAtItsOwnSize) {
    MakeForms({"Form1"});
    CDsgTSPage* tab = strip().GetTSPageBySPIndex(0);
    const COLORREF back = GetDsgGOption().GetSPageBackColor();
    struct Case {
        QSize size;
        COLORREF centre;
    };
    for (const Case& c :
         {Case{QSize(55, 41), RGB(255, 0, 0)}, Case{QSize(54, 41), back}, Case{QSize(), back}}) {
        tab->m_thumbnail = c.size.isValid() ? QImage(c.size, QImage::Format_RGB32) : QImage();
        if (!tab->m_thumbnail.isNull()) tab->m_thumbnail.fill(QColor(255, 0, 0));
        CDC dc(55, 41);
        tab->DrawTSPage(dc);
        EXPECT_EQ(dc.GetPixel(27, 20), c.centre);
    }
    // Without a scaler nothing is rebuilt, and the tab stays stale.
    SetDsgImageScaler({});
    tab->m_thumbnail = QImage();
    tab->OnThumbTimer();
    EXPECT_TRUE(tab->m_thumbnail.isNull());
    EXPECT_EQ(tab->m_nStale, 1);
    EXPECT_EQ(strip().AFBTSPIUpdate(1), 1);
}

TEST_F(Slot, StaleTabsOfTheVisibleFormRebuildTheirThumbnailThroughTheScaler) {
    MakeForms({"Form1", "Form2"});
    int calls = 0;
    QSize drawn;
    SetDsgImageScaler([&](const QImage& source, int width, int height, QImage& result) {
        ++calls;
        drawn = source.size();
        result = QImage(width, height, QImage::Format_RGB32);
        result.fill(QColor(0, 255, 0));
        return true;
    });
    CDsgTSPage* hidden = strip().GetTSPageBySPIndex(0);
    CDsgTSPage* visible = strip().GetTSPageBySPIndex(1);
    ASSERT_TRUE(FireTimerForTest(hidden, TSP_THUMB_TIMER));
    EXPECT_EQ(calls, 0);  // other forms wait
    EXPECT_EQ(hidden->m_nStale, 1);
    ASSERT_TRUE(FireTimerForTest(visible, TSP_THUMB_TIMER));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(drawn.isEmpty());
    EXPECT_EQ(visible->m_nStale, 0);
    CDC dc(55, 41);
    visible->DrawTSPage(dc);
    EXPECT_EQ(dc.GetPixel(27, 20), RGB(0, 255, 0));
    ASSERT_TRUE(FireTimerForTest(visible, TSP_THUMB_TIMER));
    EXPECT_EQ(calls, 1);  // fresh
    Box(3);               // an edit makes it stale again
    EXPECT_EQ(visible->m_nStale, 1);
    ASSERT_TRUE(FireTimerForTest(visible, TSP_THUMB_TIMER));
    EXPECT_EQ(calls, 2);

    EXPECT_EQ(strip().AFBTSPIUpdate(1), 1);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(hidden->m_nStale, 0);
    // A working file that cannot be read stops the rebuild.
    testsupport::WriteFileBytes(dir + "/Form1.frm", std::string(64, '\xee'));
    EXPECT_EQ(strip().AFBTSPIUpdate(1), 0);
    SetDsgImageScaler({});
}

TEST_F(Slot, AFormFileNamingAPathIsRefusedUntilRenamed) {
    MakeForms({"Form1"});
    const std::string path = dir + "/named.dkf";
    strip().SPSelectOne(0, 0);
    ui.fileAnswers = {path};
    strip().OnEUSFSave();
    for (const char* name : {"../../evil", "a/b", "..", "Form1"}) {
        SCOPED_TRACE(name);
        CFxRevPropStore store;
        ASSERT_TRUE(store.FromFile(path));
        store.SetString("SPUSFD.spname", name);
        ASSERT_TRUE(store.ToFile(path));
        ui.messages.clear();
        ui.fileAnswers = {path};
        // The user takes the name the file proposes; a name that cannot be a
        // file name is refused by the loader before the dialog opens.
        SetDialogHook([](QDialog& dialog) {
            static_cast<CDlgFormName&>(dialog).OnOK();
            return dialog.result();
        });
        strip().OnEUSFLoad();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].caption, std::string(name) == "Form1" ? "Error" : "Load Error");
        EXPECT_EQ(TabNames(), Names{"Form1"});
    }
    EXPECT_FALSE(IsPathExisting(dir + "/../evil.frm"));
}
