#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chareditor/dlggjpedit.h"
#include "chareditor/dlggjplist.h"
#include "chareditor/dtrmwindow.h"
#include "chareditor/tests/chartesting.h"
#include "foundation/fxstrings.h"
#include "platform/dc.h"
#include "platform/resources.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

constexpr int kFirst = CDtrGJPixel::GJP_FIRST_CODE;
constexpr COLORREF kMagenta = RGB(255, 0, 255);

using Sent = std::pair<UINT, WPARAM>;

QImage Picture(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
COLORREF At(const QImage& image, int x, int y) { return FromQRgb(image.pixel(x, y)); }

// An editor embedded in a host that records the messages it is sent.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(400, 200);
        editor = new CDtrMWindow(&host);
        editor->resize(300, 120);
        for (UINT m : {WM_DTR_GIRNCALTER, WM_DTR_GJPCOPY, WM_DTR_GJPPASTE, WM_DTR_GJPCANPASTE})
            SetMessageHandler(&host, m, [this, m](WPARAM w, LPARAM l) {
                sent.emplace_back(m, w);
                EXPECT_EQ(l, 0);
                if (m == WM_DTR_GJPCANPASTE)
                    reinterpret_cast<CDlgGJPEdit*>(w)->SetCanPaste(canPaste);
                return 0;
            });
        editor->InitMWindow(&host);
        host.show();
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CDlgGJPList& List() { return editor->GetGJPList(); }
    CDtrGJPListCtrl& ListCtrl() { return editor->GetGJPListCtrl(); }
    void Press(QWidget* dialog, int id) {
        auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(dialog, id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }
    bool Enabled(QWidget* dialog, int id) { return GetDlgItem(dialog, id)->isEnabled(); }
    // Characters with these codes, each inked at its own cell, the list refilled.
    void Fill(const std::vector<int>& codes, int current = -1) {
        editor->GGJPClear();
        for (size_t i = 0; i < codes.size(); ++i)
            editor->AddGJPixel(Dot(codes[i], static_cast<int>(i)));
        editor->eirncachar = current;
        editor->RefillGJPListView();
        ListCtrl().doItemsLayout();
    }
    void SelectRows(const std::vector<int>& rows) {
        ListCtrl().clearSelection();
        for (int r : rows) ListCtrl().item(r)->setSelected(true);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (int i = 0; i < editor->GetGJPCount(); ++i)
            codes.push_back(editor->GetGJPixelAt(i)->nccode);
        return codes;
    }
    std::vector<std::string> ListTexts() {
        std::vector<std::string> texts;
        for (int i = 0; i < ListCtrl().count(); ++i)
            texts.push_back(ListCtrl().item(i)->text().toStdString());
        return texts;
    }
    CDlgGJPEdit* Open() { return CDlgGJPEdit::GetOpen(); }
    void Release(CDlgGJPEdit* dialog, QPoint at) {
        // Sent directly: QTest takes the point (0, 0) for the widget's centre.
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(at), QPointF(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(dialog->GetJPWindow(), &event);
        }
    }

    testsupport::ScriptedUi ui;
    QWidget host;
    CDtrMWindow* editor = nullptr;  // owned by the host
    std::vector<Sent> sent;
    int canPaste = 0;
};

// ---- The grid window -------------------------------------------------------------

TEST_F(EditorTest, ReleaseOnTheGridPaintsTheCellUnderItAndNothingPastTheLastCell) {
    struct Case {
        QPoint at;
        int cell;  // -1: nothing painted
    };
    const Case cases[] = {
        {{12, 12}, 0},       // a grid line counts for the cell before it
        {{13, 13}, 1 + 16},  // the first pixel of cell (1, 1)
        {{0, 0}, 0},         // the frame left of and above the first cell
        {{1, 1}, 0},
        {{11, 11}, 0},      // the last pixel of cell (0, 0)
        {{177, 177}, 255},  // the inner frame after the last cell
        {{90, 177}, 8 + 16 * 15},
        {{178, 90}, -1},  // the last column would be column 16
        {{90, 178}, -1},  // the last row would be row 16
        {{178, 178}, -1},
    };
    Press(&List(), CDlgGJPList::IDC_ADD);
    CDlgGJPEdit* dialog = Open();
    ASSERT_NE(dialog, nullptr);
    for (const Case& c : cases) {
        dialog->GetGJPixel().GJPClear();
        Release(dialog, c.at);
        std::set<Cell> expected;
        if (c.cell >= 0) expected.insert({c.cell % 16, c.cell / 16});
        EXPECT_EQ(InkOf(dialog->GetGJPixel()), expected) << c.at.x() << "," << c.at.y();
    }
    // A move with the button held changes nothing; the blank pen paints blank.
    dialog->GetGJPixel().GJPClear();
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), QPointF(50, 50), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog->GetJPWindow(), &move);
    EXPECT_TRUE(InkOf(dialog->GetGJPixel()).empty());
    dialog->GetGJPixel().SetJPixel(0, 0);
    Press(dialog, CDlgGJPEdit::IDC_PENCOLOR);
    Release(dialog, {5, 5});
    EXPECT_EQ(dialog->GetGJPixel().GetJPixel(0, 0), kBlank);
}

TEST_F(EditorTest, GridShowsLinesCellsAndFramesAtExactPixels) {
    Fill({kFirst});
    SelectRows({0});
    editor->GetGJPixelAt(0)->SetJPixel(15 + 16 * 15, 0);  // ink at (0, 0) and (15, 15)
    Press(&List(), CDlgGJPList::IDC_MODIFY);
    CDtrJPWindow* grid = Open()->GetJPWindow();
    ASSERT_EQ(grid->size(), QSize(179, 179));
    const QImage image = Picture(*grid);
    const COLORREF line = 0x787878, frame = 0x505050, ink = 0, blank = 0xFFFFFF;
    struct Dot {
        int x, y;
        COLORREF colour;
    };
    const Dot dots[] = {
        {0, 0, frame},   {1, 1, frame},   {178, 178, frame}, {177, 90, frame}, {90, 0, frame},
        {90, 1, frame},  {2, 2, ink},     {11, 11, ink},     {12, 5, line},    {5, 12, line},
        {12, 12, line},  {166, 90, line}, {90, 166, line},   {13, 2, blank},   {13, 13, blank},
        {167, 167, ink}, {176, 176, ink}, {165, 176, blank}, {2, 95, blank},
    };
    for (const Dot& d : dots) EXPECT_EQ(At(image, d.x, d.y), d.colour) << d.x << "," << d.y;
    // Exactly fifteen lines each way.
    int lines = 0;
    for (int x = 0; x < 179; ++x) lines += At(image, x, 5) == line;
    EXPECT_EQ(lines, 15);
}

// ---- The list --------------------------------------------------------------------

TEST_F(EditorTest, CurrentCharacterCarriesTheMarkAtRightMinus16TopPlus2) {
    Fill({kFirst, kFirst + 1, kFirst + 2}, kFirst + 1);
    const QImage mark = LoadBitmapResource(CDtrGJPListCtrl::IDB_MARK);
    ASSERT_FALSE(mark.isNull());
    const QImage image = Picture(*ListCtrl().viewport());
    // The mark's own dots appear on the current row only.
    auto markDots = [&](int row) {
        const CRect cell = ListCtrl().GetCellRect(ListCtrl().item(row));
        int matching = 0, drawn = 0;
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x) {
                if (FromQRgb(mark.pixel(x, y)) == kMagenta) continue;
                ++drawn;
                matching +=
                    At(image, cell.right - 16 + x, cell.top + 2 + y) == FromQRgb(mark.pixel(x, y));
            }
        return std::pair{matching, drawn};
    };
    const auto [onCurrent, drawn] = markDots(1);
    EXPECT_EQ(onCurrent, drawn);
    EXPECT_LT(markDots(0).first, drawn / 4);
    EXPECT_LT(markDots(2).first, drawn / 4);
    EXPECT_EQ(ListCtrl().GetCellRect(ListCtrl().item(1)).Width(), CDtrGJPListCtrl::COLUMN_WIDTH);

    // Past the column nothing is drawn, also for a selected row; a selected
    // row of a list without the focus shows the button face.
    SelectRows({0});
    const QImage selected = Picture(*ListCtrl().viewport());
    const CRect cell = ListCtrl().GetCellRect(ListCtrl().item(0));
    EXPECT_EQ(At(selected, cell.right - 2, cell.bottom - 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(At(selected, cell.right + 2, cell.bottom - 1), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(At(image, cell.right - 2, cell.bottom - 1), GetSysColor(COLOR_WINDOW));
}

TEST_F(EditorTest, ButtonStatesFollowTheSelection) {
    struct Case {
        std::vector<int> rows;
        bool modify, duplicate, remove, select;
    };
    const Case cases[] = {
        {{}, false, false, false, false},
        {{0}, true, true, true, true},
        {{1}, true, true, true, false},  // already the current one
        {{0, 2}, false, false, true, false},
    };
    Fill({kFirst, kFirst + 1, kFirst + 2}, kFirst + 1);
    for (const Case& c : cases) {
        SelectRows(c.rows);
        EXPECT_EQ(Enabled(&List(), CDlgGJPList::IDC_MODIFY), c.modify) << c.rows.size();
        EXPECT_EQ(Enabled(&List(), CDlgGJPList::IDC_DUPLICATE), c.duplicate);
        EXPECT_EQ(Enabled(&List(), CDlgGJPList::IDC_DELETE), c.remove);
        EXPECT_EQ(Enabled(&List(), CDlgGJPList::IDC_SELECT), c.select);
        EXPECT_TRUE(Enabled(&List(), CDlgGJPList::IDC_ADD));
    }
}

TEST_F(EditorTest, PreviewDrawsTheSelectedCharacterAtTheHiddenMarker) {
    Fill({kFirst, kFirst + 1});  // inked at cells 0 and 1
    const QWidget* marker = GetDlgItem(&List(), CDlgGJPList::IDC_PREVIEW);
    ASSERT_NE(marker, nullptr);
    EXPECT_FALSE(marker->isVisible());
    const QPoint at = marker->geometry().topLeft();
    EXPECT_EQ(At(Picture(List()), at.x(), at.y()), GetSysColor(COLOR_BTNFACE));
    SelectRows({1});
    const QImage image = Picture(List());
    EXPECT_EQ(At(image, at.x(), at.y()), RGB(255, 255, 255));
    EXPECT_EQ(At(image, at.x() + 1, at.y()), RGB(0, 0, 0));
    EXPECT_EQ(At(image, at.x() + 15, at.y() + 15), RGB(255, 255, 255));
}

// ---- Adding, applying and the messages -------------------------------------------

TEST_F(EditorTest, FirstCharacterBecomesCurrentWithWParam1AndTheNextWith0) {
    Press(&List(), CDlgGJPList::IDC_ADD);
    CDlgGJPEdit* first = Open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetTarget(), nullptr);
    EXPECT_EQ(
        qobject_cast<QLineEdit*>(GetDlgItem(first, CDlgGJPEdit::IDC_CODE))->text().toStdString(),
        "&HDB30");
    EXPECT_TRUE(InkOf(first->GetGJPixel()).empty());
    Release(first, {30, 30});
    Press(first, CDlgGJPEdit::IDC_APPLY);
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 1}}));
    EXPECT_EQ(editor->eirncachar, kFirst);
    EXPECT_EQ(InkOf(*editor->GetGJPixelAt(0)), (std::set<Cell>{{2, 2}}));

    sent.clear();
    Press(&List(), CDlgGJPList::IDC_ADD);
    EXPECT_EQ(Open()->GetGJPixel().nccode, kFirst + 1);
    Press(Open(), CDlgGJPEdit::IDC_APPLY);
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 0}}));
    EXPECT_EQ(editor->eirncachar, kFirst);
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"&HDB30", "&HDB31"}));
    EXPECT_EQ(Codes(), (std::vector<int>{kFirst, kFirst + 1}));
}

TEST_F(EditorTest, ModifyWritesTheDrawingBackIntoTheCharacter) {
    Fill({kFirst, kFirst + 1}, kFirst);
    SelectRows({1});
    Press(&List(), CDlgGJPList::IDC_MODIFY);
    CDlgGJPEdit* dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetTarget(), editor->GetGJPixelAt(1));
    EXPECT_EQ(InkOf(dialog->GetGJPixel()), (std::set<Cell>{{1, 0}}));
    Press(dialog, CDlgGJPEdit::IDC_NUDGEDOWN);
    EXPECT_EQ(InkOf(*editor->GetGJPixelAt(1)), (std::set<Cell>{{1, 0}}));  // not before Apply
    Press(dialog, CDlgGJPEdit::IDC_APPLY);
    EXPECT_EQ(InkOf(*editor->GetGJPixelAt(1)), (std::set<Cell>{{1, 1}}));
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 0}}));
    EXPECT_EQ(editor->GetGJPCount(), 2);
}

TEST_F(EditorTest, ToolButtonsChangeTheWorkingCharacter) {
    struct Case {
        int id;
        std::set<Cell> after;  // starting from ink at (1, 0)
    };
    const Case cases[] = {
        {CDlgGJPEdit::IDC_NUDGELEFT, {{0, 0}}}, {CDlgGJPEdit::IDC_NUDGERIGHT, {{2, 0}}},
        {CDlgGJPEdit::IDC_NUDGEUP, {}},         {CDlgGJPEdit::IDC_NUDGEDOWN, {{1, 1}}},
        {CDlgGJPEdit::IDC_FLIPH, {{14, 0}}},    {CDlgGJPEdit::IDC_FLIPV, {{1, 15}}},
        {CDlgGJPEdit::IDC_ROTATE, {{15, 1}}},   {CDlgGJPEdit::IDC_CLEAR, {}},
    };
    Press(&List(), CDlgGJPList::IDC_ADD);
    CDlgGJPEdit* dialog = Open();
    for (const Case& c : cases) {
        dialog->GetGJPixel().GJPClear();
        dialog->GetGJPixel().SetJPixel(1, 0);
        Press(dialog, c.id);
        EXPECT_EQ(InkOf(dialog->GetGJPixel()), c.after) << c.id;
    }
    // The pen colour: its sample inside the sunken frame, and the cursor.
    const QWidget* sample = GetDlgItem(dialog, CDlgGJPEdit::IDC_PENSAMPLE);
    const QPoint inside = sample->geometry().topLeft() + QPoint(3, 3);
    EXPECT_EQ(At(Picture(*dialog), inside.x(), inside.y()), RGB(0, 0, 0));
    EXPECT_EQ(dialog->GetJPWindow()->GetCursorId(), CDtrJPWindow::IDC_INKPEN);
    Press(dialog, CDlgGJPEdit::IDC_PENCOLOR);
    const QImage image = Picture(*dialog);
    EXPECT_EQ(At(image, inside.x(), inside.y()), RGB(255, 255, 255));
    EXPECT_EQ(At(image, sample->x(), sample->y()), DarkenColor(0x808080, 40));
    EXPECT_EQ(At(image, sample->x() + 1, sample->geometry().bottom() - 1),
              LightenColor(0x808080, 40));
    EXPECT_EQ(dialog->GetJPWindow()->GetCursorId(), CDtrJPWindow::IDC_BLANKPEN);
    EXPECT_NE(dialog->GetJPWindow()->cursor().pixmap().toImage(),
              LoadCursorResource(CDtrJPWindow::IDC_INKPEN).pixmap().toImage());
    // Tips as the user reads them.
    EXPECT_EQ(GetDlgItem(dialog, CDlgGJPEdit::IDC_PASTE)->toolTip().toStdString(),
              "Paste from Clipboard (Ctrl+V)");
    EXPECT_EQ(GetDlgItem(dialog, CDlgGJPEdit::IDC_FLIPH)->toolTip().toStdString(),
              "Flip Horizontally");
    EXPECT_TRUE(sent.empty());
}

TEST_F(EditorTest, CanPastePollAsksTheHostEvery400MsAndSetsPaste) {
    Press(&List(), CDlgGJPList::IDC_ADD);
    CDlgGJPEdit* dialog = Open();
    EXPECT_EQ(GetTimerPeriod(dialog, CDlgGJPEdit::TIMER_CANPASTE), 400u);
    EXPECT_FALSE(Enabled(dialog, CDlgGJPEdit::IDC_PASTE));
    const WPARAM self = reinterpret_cast<WPARAM>(dialog);
    for (int answer : {1, 0, 1}) {
        canPaste = answer;
        ASSERT_TRUE(FireTimerForTest(dialog, CDlgGJPEdit::TIMER_CANPASTE));
        EXPECT_EQ(sent.back(), Sent(WM_DTR_GJPCANPASTE, self));
        EXPECT_EQ(Enabled(dialog, CDlgGJPEdit::IDC_PASTE), answer != 0);
    }
    sent.clear();
    Press(dialog, CDlgGJPEdit::IDC_COPY);
    Press(dialog, CDlgGJPEdit::IDC_PASTE);
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GJPCOPY, self}, {WM_DTR_GJPPASTE, self}}));
    // Closed, the dialog polls no more.
    Press(dialog, CDlgGJPEdit::IDC_CANCEL);
    EXPECT_FALSE(IsTimerSet(dialog, CDlgGJPEdit::TIMER_CANPASTE));
}

TEST_F(EditorTest, EscEnterAndTheCloseBoxOfTheEditDialog) {
    enum Way { Esc, Enter, CloseBox };
    struct Case {
        Way way;
        bool applied;
    };
    for (const Case& c : {Case{Esc, false}, Case{Enter, true}, Case{CloseBox, false}}) {
        Fill({});
        sent.clear();
        Press(&List(), CDlgGJPList::IDC_ADD);
        CDlgGJPEdit* dialog = Open();
        Press(dialog, CDlgGJPEdit::IDC_ROTATE);  // a tool used last keeps Enter for Apply
        if (c.way == CloseBox)
            dialog->close();
        else
            QTest::keyClick(dialog, c.way == Esc ? Qt::Key_Escape : Qt::Key_Return);
        EXPECT_EQ(Open(), nullptr) << c.way;
        EXPECT_EQ(editor->GetGJPCount(), c.applied ? 1 : 0) << c.way;
        EXPECT_EQ(sent.size(), c.applied ? 1u : 0u) << c.way;
    }
    // Esc in the list itself leaves it in place.
    QTest::keyClick(&ListCtrl(), Qt::Key_Escape);
    EXPECT_TRUE(List().isVisibleTo(editor));
}

TEST_F(EditorTest, AddWhileEditingDiscardsTheOpenDrawing) {
    Press(&List(), CDlgGJPList::IDC_ADD);
    QPointer<CDlgGJPEdit> first = Open();
    Release(first, {20, 20});
    Press(&List(), CDlgGJPList::IDC_ADD);
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(InkOf(Open()->GetGJPixel()).empty());
    EXPECT_EQ(editor->GetGJPCount(), 0);
    EXPECT_TRUE(sent.empty());
}

// ---- Delete, Select, Duplicate ---------------------------------------------------

TEST_F(EditorTest, DeleteAsksByCountAndNoChangesNothing) {
    struct Case {
        std::vector<int> rows;
        int answer;
        std::string question;
        std::vector<int> left;
    };
    const Case cases[] = {
        {{0, 1, 3},
         IDNO,
         "Delete the selected 3 characters ?",
         {kFirst, kFirst + 1, kFirst + 2, kFirst + 3}},
        {{1}, IDYES, "Delete the selected character ?", {kFirst, kFirst + 2, kFirst + 3}},
        {{0, 1, 3}, IDYES, "Delete the selected 3 characters ?", {kFirst + 2}},
    };
    for (const Case& c : cases) {
        Fill({kFirst, kFirst + 1, kFirst + 2, kFirst + 3}, kFirst);
        SelectRows(c.rows);
        sent.clear();
        ui.messages.clear();
        ui.messageAnswers = {c.answer};
        Press(&List(), CDlgGJPList::IDC_DELETE);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.question);
        EXPECT_EQ(ui.messages[0].caption, "Delete Character");
        EXPECT_EQ(ui.messages[0].type & MB_TYPEMASK, MB_YESNO);
        EXPECT_EQ(Codes(), c.left);
        EXPECT_EQ(ListCtrl().count(), static_cast<int>(c.left.size()));
        const std::vector<Sent> expected =
            c.answer == IDYES ? std::vector<Sent>{{WM_DTR_GIRNCALTER, 0}} : std::vector<Sent>{};
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(editor->eirncachar, kFirst);  // kept even when its character went
    }
    // The current character deleted: no mark, Select enabled for each single item.
    ListCtrl().clearSelection();
    const QImage image = Picture(*ListCtrl().viewport());
    for (int row = 0; row < ListCtrl().count(); ++row) {
        const CRect cell = ListCtrl().GetCellRect(ListCtrl().item(row));
        EXPECT_EQ(At(image, cell.right - 16 + 6, cell.top + 2 + 6), GetSysColor(COLOR_WINDOW));
        SelectRows({row});
        EXPECT_TRUE(Enabled(&List(), CDlgGJPList::IDC_SELECT)) << row;
    }
}

TEST_F(EditorTest, DeleteRemovesEachItemsOwnCharacterWhenCodesRepeat) {
    // A damaged set file can hold one code twice; the list still deletes the
    // character an item shows, so no item is left on a freed character.
    Fill({kFirst, kFirst});
    CDtrGJPixel* second = editor->GetGJPixelAt(1);
    SelectRows({0});
    Press(&List(), CDlgGJPList::IDC_DELETE);
    ASSERT_EQ(editor->GetGJPCount(), 1);
    EXPECT_EQ(editor->GetGJPixelAt(0), second);
    EXPECT_EQ(ListCtrl().CharacterOf(ListCtrl().item(0)), second);
}

TEST_F(EditorTest, SelectMakesTheCharacterCurrentWithWParam1) {
    Fill({kFirst, kFirst + 1}, kFirst);
    SelectRows({1});
    Press(&List(), CDlgGJPList::IDC_SELECT);
    EXPECT_EQ(editor->eirncachar, kFirst + 1);
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 1}}));
    EXPECT_FALSE(Enabled(&List(), CDlgGJPList::IDC_SELECT));
}

TEST_F(EditorTest, DuplicateTakesTheLowestFreeCode) {
    Fill({kFirst + 1, kFirst + 2}, kFirst + 1);
    SelectRows({1});
    Press(&List(), CDlgGJPList::IDC_DUPLICATE);
    EXPECT_EQ(Codes(), (std::vector<int>{kFirst + 1, kFirst + 2, kFirst}));
    EXPECT_EQ(ListTexts().back(), "&HDB30");
    EXPECT_EQ(InkOf(*editor->GetGJPixelAt(2)), InkOf(*editor->GetGJPixelAt(1)));
    EXPECT_NE(editor->GetGJPixelAt(2), editor->GetGJPixelAt(1));
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 0}}));
    EXPECT_EQ(editor->eirncachar, kFirst + 1);
}

TEST_F(EditorTest, FullSetRefusesAddAndDuplicate) {
    std::vector<int> all;
    for (int code = kFirst; code <= CDtrGJPixel::GJP_LAST_CODE; ++code) all.push_back(code);
    ASSERT_EQ(all.size(), 208u);
    for (int id : {CDlgGJPList::IDC_ADD, CDlgGJPList::IDC_DUPLICATE}) {
        Fill(all, kFirst);
        SelectRows({4});
        ui.messages.clear();
        sent.clear();
        Press(&List(), id);
        ASSERT_EQ(ui.messages.size(), 1u) << id;
        EXPECT_EQ(ui.messages[0].text, "Cannot add any more character!");
        EXPECT_EQ(ui.messages[0].caption, "Error");
        EXPECT_EQ(ui.messages[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
        EXPECT_EQ(editor->GetGJPCount(), 208);
        EXPECT_EQ(ListCtrl().count(), 208);
        EXPECT_EQ(Open(), nullptr);
        EXPECT_TRUE(sent.empty());
    }
}

// ---- Apply after the set changed under the dialog --------------------------------

TEST_F(EditorTest, ApplyAfterTheListDeletedTheTargetAddsItAsNew) {
    Fill({kFirst, kFirst + 1}, kFirst + 1);
    SelectRows({0});
    Press(&List(), CDlgGJPList::IDC_MODIFY);
    CDlgGJPEdit* dialog = Open();
    Release(dialog, {100, 100});
    Press(&List(), CDlgGJPList::IDC_DELETE);  // answered Yes
    EXPECT_EQ(dialog->GetTarget(), nullptr);
    sent.clear();
    Press(dialog, CDlgGJPEdit::IDC_APPLY);
    EXPECT_EQ(Codes(), (std::vector<int>{kFirst + 1, kFirst}));
    EXPECT_EQ(InkOf(*editor->GetGJPixelAt(1)), (std::set<Cell>{{0, 0}, {8, 8}}));
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"&HDB31", "&HDB30"}));
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 0}}));
}

TEST_F(EditorTest, ApplyAfterTheHostReplacedTheSetAddsTheDrawingAsNew) {
    Fill({kFirst}, kFirst);
    SelectRows({0});
    Press(&List(), CDlgGJPList::IDC_MODIFY);
    CDlgGJPEdit* dialog = Open();
    editor->GGJPClear();              // a project opened meanwhile, list not yet refilled
    Picture(*ListCtrl().viewport());  // the stale item is drawn without its character
    List().SetButtonStates();
    EXPECT_FALSE(Enabled(&List(), CDlgGJPList::IDC_MODIFY));
    Press(dialog, CDlgGJPEdit::IDC_APPLY);
    EXPECT_EQ(Codes(), (std::vector<int>{kFirst}));
    EXPECT_EQ(editor->eirncachar, kFirst);
    EXPECT_EQ(sent, (std::vector<Sent>{{WM_DTR_GIRNCALTER, 1}}));
}

TEST_F(EditorTest, ApplyOfANewCharacterTakesTheLowestFreeCodeWhenItsCodeWasTaken) {
    struct Case {
        int before;  // characters in the set at Add
        int code;    // the code the new character ends with; 0: refused
    };
    for (const Case& c : {Case{1, kFirst + 2}, Case{207, 0}}) {
        std::vector<int> codes;
        for (int i = 0; i < c.before; ++i) codes.push_back(kFirst + i);
        Fill(codes, kFirst);
        Press(&List(), CDlgGJPList::IDC_ADD);
        CDlgGJPEdit* dialog = Open();
        EXPECT_EQ(dialog->GetGJPixel().nccode, kFirst + c.before);
        SelectRows({0});
        Press(&List(), CDlgGJPList::IDC_DUPLICATE);  // takes the code of the open Add
        ui.messages.clear();
        sent.clear();
        Press(dialog, CDlgGJPEdit::IDC_APPLY);
        const std::vector<int> after = Codes();
        EXPECT_EQ(std::set<int>(after.begin(), after.end()).size(), after.size()) << c.before;
        if (c.code) {
            EXPECT_EQ(Codes().back(), c.code);
            EXPECT_EQ(ListTexts().back(), "&HDB32");
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(Open(), nullptr);
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "Cannot add any more character!");
            EXPECT_EQ(editor->GetGJPCount(), 208);
            EXPECT_EQ(Open(), dialog);  // the drawing stays open
            EXPECT_TRUE(sent.empty());
            Press(dialog, CDlgGJPEdit::IDC_CANCEL);
        }
    }
}

// ---- Bad set files -----------------------------------------------------------------

TEST_F(EditorTest, DamagedTruncatedOrEmptySetFilesLeaveAWorkingEditor) {
    CDtrGGJPixel good;
    for (int i = 0; i < 5; ++i) good.AddGJPixel(Dot(kFirst + i, i));
    good.eirncachar = kFirst + 2;
    const std::string folder = testsupport::MakeTempFolder("sets");
    const std::string path = folder + "/irggjp.dat";
    ASSERT_EQ(good.GGJPixelToFile(path), 1);
    const std::string bytes = testsupport::ReadFileBytes(path);
    std::string damaged = bytes;
    for (size_t i = 7; i < damaged.size(); i += 13)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    for (const std::string& content : {std::string(), bytes.substr(0, bytes.size() / 2), damaged,
                                       std::string(100, '\xFF'), bytes}) {
        Fill({kFirst + 9}, kFirst + 9);
        testsupport::WriteFileBytes(path, content);
        editor->GGJPClear();
        editor->GGJPixelFromFile(path);
        editor->RefillGJPListView();
        ListCtrl().doItemsLayout();
        ASSERT_EQ(ListCtrl().count(), editor->GetGJPCount());
        for (int i = 0; i < ListCtrl().count(); ++i)
            EXPECT_EQ(ListCtrl().CharacterOf(ListCtrl().item(i)), editor->GetGJPixelAt(i));
        ListCtrl().selectAll();
        Picture(List());
        Press(&List(), CDlgGJPList::IDC_ADD);
        ASSERT_NE(Open(), nullptr);
        Press(Open(), CDlgGJPEdit::IDC_APPLY);
        EXPECT_EQ(ListCtrl().count(), editor->GetGJPCount());
    }
    EXPECT_EQ(editor->GetGJPCount(), 6);  // the whole file read, plus the one added
}

// ---- Layout ------------------------------------------------------------------------

TEST_F(EditorTest, DialogsAreLaidOutInDialogUnitsOfArial8) {
    FontSpec arial8;
    arial8.height = PointsToHeight(8);
    arial8.face = "Arial";
    const CSize units = GetDialogBaseUnits(arial8);
    auto place = [&](int x, int y, int cx, int cy) {
        const CRect r = MapDialogRect(CRect(x, y, x + cx, y + cy), units);
        return QRect(r.left, r.top, r.Width(), r.Height());
    };
    struct Case {
        int id, x, y, cx, cy;
    };
    for (const Case& c :
         {Case{CDlgGJPList::IDC_GJPLIST, 2, 3, 67, 50}, Case{CDlgGJPList::IDC_ADD, 72, 3, 33, 13},
          Case{CDlgGJPList::IDC_DUPLICATE, 108, 3, 33, 13},
          Case{CDlgGJPList::IDC_SELECT, 144, 18, 33, 13},
          Case{CDlgGJPList::IDC_PREVIEW, 107, 43, 10, 10}})
        EXPECT_EQ(GetDlgItem(&List(), c.id)->geometry(), place(c.x, c.y, c.cx, c.cy)) << c.id;
    EXPECT_FALSE(List().isWindow());
    EXPECT_EQ(List().geometry(), editor->rect());  // the list fills the editor window
    editor->resize(250, 90);
    EXPECT_EQ(List().geometry(), QRect(0, 0, 250, 90));

    Press(&List(), CDlgGJPList::IDC_ADD);
    CDlgGJPEdit* dialog = Open();
    for (const Case& c :
         {Case{CDlgGJPEdit::IDC_PENCOLOR, 19, 25, 16, 13},
          Case{CDlgGJPEdit::IDC_ROTATE, 3, 39, 16, 13},
          Case{CDlgGJPEdit::IDC_PASTE, 19, 91, 16, 13}, Case{CDlgGJPEdit::IDC_CODE, 3, 12, 33, 12}})
        EXPECT_EQ(GetDlgItem(dialog, c.id)->geometry(), place(c.x, c.y, c.cx, c.cy)) << c.id;
    EXPECT_EQ(dialog->width(), place(0, 0, 161, 125).width());
    // The grid: 5 px right of the Clear button, 5 px from the top.
    EXPECT_EQ(dialog->GetJPWindow()->geometry(),
              QRect(place(19, 39, 16, 13).right() + 1 + 5, 5, 179, 179));
    // Apply and Cancel never cover the grid.
    for (int id : {CDlgGJPEdit::IDC_APPLY, CDlgGJPEdit::IDC_CANCEL}) {
        const QRect button = GetDlgItem(dialog, id)->geometry();
        EXPECT_FALSE(button.intersects(dialog->GetJPWindow()->geometry())) << id;
        EXPECT_LE(button.bottom(), dialog->height());
    }
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_FALSE(dialog->isModal());
}

}  // namespace
