// The form-name dialog, the grid dialog, the position bar, the palette and
// the form bar's arrows.

#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "design/frames/dlggrid.h"
#include "design/frames/dlgwopos.h"
#include "design/frames/tests/framestesting.h"
#include "foundation/fxbutton.h"
#include "foundation/fxpropstore.h"

using framestesting::Slot;

namespace {

using Names = std::vector<std::string>;

}  // namespace

TEST(FormName, ValidationGivesTheFirstReason) {
    const std::string digit = "Form name must begin with a alphabet";
    const std::string chars = "The form name must consist of letters, numbers, and '_' character.";
    const struct {
        std::string name, reason;
    } cases[] = {
        {"", "Enter a form name"},
        {"3abc", digit},
        {"_a", digit},
        {"a-b", chars},
        {"a/b", chars},
        {"..", digit},
        {"a..b", chars},
        {"Main_2", ""},
        {std::string(251, 'a'), ""},
        {std::string(300, 'a'), "The form name is too long (at most 251 characters)"},
        {"\xc7\xd1", digit},
    };
    for (const auto& c : cases) EXPECT_EQ(CDlgFormName::ValidateSPName(c.name), c.reason) << c.name;
}

TEST_F(Slot, NewFormDialogAddsAFormOrExplainsWhy) {
    MakeForms({"Form1"});
    struct Case {
        std::string typed;
        std::string message;  // empty: the form is added
        Names tabs;
    };
    const Case cases[] = {
        {"  Second  ", "", {"Form1", "Second"}},
        {"FORM1", "The name is already in use", {"Form1", "Second"}},
        {"../evil", "Form name must begin with a alphabet", {"Form1", "Second"}},
        {std::string(300, 'x'),
         "The form name is too long (at most 251 characters)",
         {"Form1", "Second"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ui.messages.clear();
        const int changes = host->designChanges;
        int result = -1;
        AnswerName(c.typed, &result);
        host->bar->OnAddSPage();
        EXPECT_EQ(TabNames(), c.tabs);
        if (c.message.empty()) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(host->designChanges, changes + 1);
            EXPECT_EQ(Visible(), 1);
            EXPECT_EQ(IniName(1), "Second");
            EXPECT_TRUE(HasFrm("Second"));
            EXPECT_TRUE(IsTimerSet(host->page, nDSG_DSPTIMER__FOCUS));
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, c.message);
            EXPECT_EQ(result, 0);  // still open
            EXPECT_EQ(host->designChanges, changes);
        }
    }
}

TEST_F(Slot, NewFormThatCannotBeWrittenBringsThePreviousFormBack) {
    MakeForms({"Form1", "Form2"});
    Box(4);  // unsaved
    const std::string expected = PageBytes();
    Block("Third");
    int result = -1;
    AnswerName("Third", &result);
    const std::string ini = IniText();
    host->bar->OnAddSPage();
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Could not create form Third");
    EXPECT_EQ(TabNames(), (Names{"Form1", "Form2"}));
    EXPECT_EQ(Visible(), 1);
    EXPECT_EQ(Objects(), 3);
    EXPECT_EQ(Frm("Form2"), expected);
    EXPECT_EQ(IniText(), ini);
}

TEST(GridDialog, OnlyGapsTheSliderCanShowAreTaken) {
    const struct {
        std::string text;
        int gap;
    } cases[] = {{"2", 2},      {"12", 12},    {"7", 7},    {"1", -1},  {"13", -1},
                 {"-9999", -1}, {"99999", -1}, {"abc", -1}, {"5x", -1}, {"", -1}};
    for (const auto& c : cases) EXPECT_EQ(CDlgGrid::ParseGap(c.text), c.gap) << c.text;
}

TEST_F(Slot, GridDialogFollowsCheckEditAndSlider) {
    GetDsgGOption().SetInt(GOPT_LMTIGHT_UGGAP, 6);
    GetDsgGOption().SetInt(GOPT_USE_UGRID, 0);
    auto* grid = new CDlgGrid(frame.get());
    EXPECT_EQ(GetDlgGrid(), grid);
    EXPECT_EQ(grid->GetSlider()->value(), 6);
    EXPECT_EQ(grid->GetGapEdit()->maxLength(), 5);
    host->refreshes.clear();
    grid->GetUseGrid()->click();
    EXPECT_EQ(GetDsgGOption().GetInt(GOPT_USE_UGRID, 0), 1);
    for (const char* text : {"99999", "abc", "-9999"}) {
        grid->GetGapEdit()->setText(text);
        EXPECT_EQ(GetDsgGOption().GetInt(GOPT_LMTIGHT_UGGAP, 0), 6) << text;
    }
    grid->GetGapEdit()->setText("9");
    EXPECT_EQ(GetDsgGOption().GetInt(GOPT_LMTIGHT_UGGAP, 0), 9);
    EXPECT_EQ(grid->GetSlider()->value(), 9);
    grid->OnSliderTracked(3);
    EXPECT_EQ(GetDsgGOption().GetInt(GOPT_LMTIGHT_UGGAP, 0), 3);
    EXPECT_EQ(host->refreshes, (std::vector<int>{2, 2, 2}));
    grid->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(GetDlgGrid(), nullptr);
}

TEST(PositionBar, TypedFieldsGiveTheRectangle) {
    const CSize lcd(320, 240);
    const CRect box(10, 20, 30, 40);
    const std::int64_t big = 214749;  // x 10000 no longer fits 32 bits
    const struct {
        const char* key;
        std::int64_t value;
        CRect from, result;
    } cases[] = {
        {"width", 12, box, {10, 20, 21, 40}},
        {"height", 5, box, {10, 20, 30, 24}},
        {"left", -5, box, {0, 20, 30, 40}},
        {"left", 500, box, {30, 20, 30, 40}},
        {"right", 500, box, {10, 20, 320, 40}},
        {"right", 3, box, {10, 20, 10, 40}},
        {"top", -1, box, {10, 0, 30, 40}},
        {"bottom", 1000, box, {10, 20, 30, 240}},
        {"width", 0, box, {10, 20, 10, 40}},
        {"height", -7, box, {10, 20, 30, 20}},
        // The stored corners the other way round: the edge playing the role moves.
        {"left", 5, {30, 40, 10, 20}, {30, 40, 5, 20}},
        {"bottom", 100, {30, 40, 10, 20}, {30, 100, 10, 20}},
        {"width", 0x7FFFFFFFLL * 4, box, {10, 20, 0x7FFFFFFF, 40}},
        {"nothing", 3, box, box},
        {"width", big, {0, 0, 1, 1}, {0, 0, static_cast<LONG>(big - 1), 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.value);
        EXPECT_EQ(WOPosApplyKey(c.from, c.key, c.value, lcd), c.result);
    }
    EXPECT_EQ(WOPosDotsToUnits({0, 1, static_cast<LONG>(big), static_cast<LONG>(-big)}),
              CRect(0, 10000, 0x7FFFFFFF, -0x7FFFFFFF - 1));
    EXPECT_EQ(WOPosDotsToUnits({1, 2, 3, 4}), CRect(10000, 20000, 30000, 40000));
    EXPECT_EQ(ParseWOPosValue("12"), 12);
    EXPECT_EQ(ParseWOPosValue("x"), 0);
    EXPECT_EQ(ParseWOPosValue("-99999999999"), -99999999999LL);
}

TEST_F(Slot, PositionBarMovesTheOneChosenObject) {
    MakeForms({"Form1"});
    auto* bar = new CDlgWOPos(frame.get());
    bar->show();
    CDsgDSPFrame& page = *host->page;
    page.ACWOChoose(0, TRUE);
    bar->RefreshWOPos();
    EXPECT_EQ(bar->GetEdit(IDC_WOPOS_LEFT)->text(), "0");
    EXPECT_EQ(bar->GetEdit(IDC_WOPOS_WIDTH)->text(), "10");
    QLineEdit* width = bar->GetEdit(IDC_WOPOS_WIDTH);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    width->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(width->hasFocus());
    const int actions = page.GetEACount();
    width->setText("12");
    EXPECT_EQ(bar->GetPending(), std::set<std::string>{"width"});
    ASSERT_TRUE(FireTimerForTest(bar, WOPOS_APPLY_TIMER));
    EXPECT_EQ(page.GetEACount(), actions + 1);
    EXPECT_EQ(page.GetWObjRect(0), CRect(0, 10000, 110000, 70000));
    EXPECT_TRUE(bar->GetPending().empty());
    // Corners inside their dots (drawn without the grid): the size is that of
    // the edges shown, dot 86 to dot 113 being 28 dots.
    ASSERT_TRUE(page.SetWObjRect(0, CRect(865000, 1435000, 1132000, 1561000)));
    bar->RefreshWOPos();
    const std::pair<int, const char*> shown[] = {{IDC_WOPOS_LEFT, "86"},  {IDC_WOPOS_RIGHT, "113"},
                                                 {IDC_WOPOS_TOP, "143"},  {IDC_WOPOS_BOTTOM, "156"},
                                                 {IDC_WOPOS_WIDTH, "28"}, {IDC_WOPOS_HEIGHT, "14"}};
    for (const auto& [id, text] : shown) EXPECT_EQ(bar->GetEdit(id)->text(), text) << id;
    // Nothing chosen: empty and disabled fields.
    page.ResetWOChoice();
    bar->RefreshWOPos();
    EXPECT_TRUE(bar->GetEdit(IDC_WOPOS_LEFT)->text().isEmpty());
    EXPECT_FALSE(bar->GetEdit(IDC_WOPOS_LEFT)->isEnabled());
}

// A field typed into moves a linked line with its partner's end, as one
// undo step; the field keeps its own editing keys.
TEST_F(Slot, PositionBarMovesLinkedEndsAndKeepsItsEditingKeys) {
    MakeForms({"Form1"});
    CDsgDSPFrame& page = *host->page;
    const int line = dsgtesting::AppendCreationDrag(page, nDSG_WOKIND__WOLINE,
                                                    CRect(500000, 1500000, 1500000, 1500000));
    const int other = dsgtesting::AppendCreationDrag(page, nDSG_WOKIND__WOLINE,
                                                     CRect(1500000, 2000000, 2500000, 2000000));
    page.RebuildWObjs();
    page.TSKLGain(other, line);
    ASSERT_EQ(page.GetWOCorner(other, 1), page.GetWOCorner(line, 4));
    auto* bar = new CDlgWOPos(frame.get());
    bar->show();
    page.ACWOChoose(line, TRUE);
    bar->RefreshWOPos();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QLineEdit* right = bar->GetEdit(IDC_WOPOS_RIGHT);
    right->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(right->hasFocus());
    ASSERT_EQ(right->text(), "150");

    const int steps = page.GetCurrentEAIndex();
    right->selectAll();
    QTest::keyClicks(right, "190");
    QTest::keyClick(right, Qt::Key_Return);
    page.RebuildWObjs();
    EXPECT_EQ(page.GetWObjRect(line), CRect(500000, 1500000, 1900000, 1500000));
    EXPECT_EQ(page.GetWOCorner(other, 1), page.GetWOCorner(line, 4));
    page.UndoEActionAndSRefresh();
    EXPECT_EQ(page.GetCurrentEAIndex(), steps);
    EXPECT_EQ(page.GetWOCorner(other, 1), CPoint(1500000, 1500000));
    page.RedoEActionAndSRefresh();
    EXPECT_EQ(page.GetWOCorner(other, 1), CPoint(1900000, 1500000));

    // Ctrl+A selects the field's text and chooses nothing; Ctrl+Z undoes
    // the typing, not the page's history.
    bar->RefreshWOPos();
    right->setFocus();
    right->deselect();
    QTest::keyClick(right, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(right->selectedText(), "190");
    EXPECT_EQ(page.GetWOCHCount(), 1);
    const int history = page.GetCurrentEAIndex();
    QTest::keyClick(right, Qt::Key_End);
    QTest::keyClick(right, Qt::Key_5);
    EXPECT_EQ(right->text(), "1905");
    QTest::keyClick(right, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(right->text(), "190");
    EXPECT_EQ(page.GetCurrentEAIndex(), history);
    bar->ApplyPending();
}

TEST(ToolBox, ShortKeysKeepNineToolsAndFormsEnableThem) {
    for (const int style : {KEYSTYLE_SHORT, KEYSTYLE_LONG}) {
        SCOPED_TRACE(style);
        const int saved = GetKeyStyle();
        SetKeyStyle(style);
        QWidget parent;
        CDlgToolBox box(&parent);
        parent.show();
        SetKeyStyle(saved);
        const bool extra = style != KEYSTYLE_SHORT;
        for (int id : {24008, 24009, 24010}) {
            EXPECT_EQ(!box.GetButton(id)->isHidden(), extra) << id;
            box.GetButton(id)->setEnabled(true);
        }
        EXPECT_EQ(box.GetGroup().size(), extra ? 12u : 9u);
        EXPECT_EQ(box.GetButton(24000)->GetCheck(), BST_CHECKED);
        // No form open (no host): the nine are disabled, the others untouched.
        box.UpdateToolStates();
        for (int id = 24000; id <= 24011; ++id)
            EXPECT_EQ(box.GetButton(id)->isEnabled(), id >= 24008 && id <= 24010) << id;
        const struct {
            int id, tool;
        } tools[] = {{24001, 2}, {24002, 1}, {24007, 100}, {24011, 9}, {24005, 5}};
        for (const auto& t : tools) {
            box.OnToolCommand(t.id);
            EXPECT_EQ(box.GetCurrentTool(), t.tool);
            int pressed = 0;
            for (CFxButton* button : box.GetGroup()) pressed += button->GetCheck() == BST_CHECKED;
            EXPECT_EQ(pressed, 1);
            EXPECT_EQ(box.GetButton(t.id)->GetCheck(), BST_CHECKED);
        }
    }
}

TEST_F(Slot, PaletteFollowsTheOpenFormAndSetsThePageTool) {
    MakeForms({"Form1"});
    EXPECT_TRUE(host->palette->GetButton(24002)->isEnabled());
    QTest::mouseClick(host->palette->GetButton(24003), Qt::LeftButton);
    EXPECT_EQ(host->page->GetWOETool(), 4);
    strip().SPSelectOne(0, 0);
    ui.messageAnswers = {IDYES};
    strip().DeleteSPSPages();
    EXPECT_EQ(Visible(), -1);
    EXPECT_FALSE(host->palette->GetButton(24002)->isEnabled());
}

TEST_F(Slot, FormBarArrowsForTwoTabs) {
    MakeForms({"A", "B"});
    // The bars are children of the frame, not windows of their own.
    EXPECT_FALSE(host->bar->isWindow());
    EXPECT_FALSE(host->palette->isWindow());
    struct Case {
        std::vector<int> chosen;
        bool forward, backward;
    };
    for (const Case& c : {Case{{1}, false, true}, Case{{0}, true, false},
                          Case{{0, 1}, false, false}, Case{{}, false, false}}) {
        strip().SPClearChoice(0);
        for (int i : c.chosen) strip().SPSelectReverseOne(i, 0);
        host->bar->UpdateEBState();
        EXPECT_EQ(host->bar->GetButton(IDC_UBAR_INCREASE)->isEnabled(), c.forward);
        EXPECT_EQ(host->bar->GetButton(IDC_UBAR_DECREASE)->isEnabled(), c.backward);
    }
}
