#include "foundation/fxfieldbinder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "foundation/tests/markertesting.h"
#include "platform/controls.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

const char kCharsInvalid[] = "The length of characters must be $chars_min~$chars_max.";

// A dialog made of real controls, each with its id and place.
class BinderDialog : public QDialog {
public:
    template <class Control>
    Control* Add(int id, int left, int top) {
        auto* control = new Control(this);
        SetDlgCtrlID(control, id);
        control->setGeometry(left, top, 80, 20);
        return control;
    }
    template <class Control>
    Control* Item(int id) const {
        return qobject_cast<Control*>(GetDlgItem(this, id));
    }
};

// Ids of the project-settings dialog used below.
enum {
    IDC_AUTOSAVE = 1001,
    IDC_ISOLATE = 1002,
    IDC_PATH = 1003,
    IDC_ROUTINE = 1004,
    IDC_COLOR = 1005,
    IDC_LABEL = 1006,
};

// The designer's project settings: two check boxes, two edits, with labels
// in between that bind to nothing.
void BuildSettingsDialog(BinderDialog& dialog) {
    dialog.Add<QLabel>(IDC_LABEL, 10, 10);
    dialog.Add<QCheckBox>(IDC_AUTOSAVE, 100, 10);
    dialog.Add<QLineEdit>(IDC_PATH, 10, 40);
    dialog.Add<QCheckBox>(IDC_ISOLATE, 10, 70);
    dialog.Add<QLineEdit>(IDC_ROUTINE, 100, 70);
}

void BindSettings(CFxFieldBinder& binder, BinderDialog& dialog) {
    binder.AttachDialog(&dialog);
    binder.SetBinderMessage("chars_invalid", kCharsInvalid);
    binder.BindCheckBoxes("DPS.tgcmwhether,DPS.irncgcisolate", "");
    binder.BindTextEdits("DPS.tgcmflpath,DPS.irncgcscname", "Auto-Saving Path",
                         {{0, 260}, {1, 200}});
}

// A fresh dialog with a binder attached to it; questions are answered from a
// script.
class FxFieldBinderTest : public ::testing::Test {
protected:
    FxFieldBinderTest() {
        binder.AttachDialog(&dialog);
        binder.SetBinderMessage("chars_invalid", kCharsInvalid);
    }
    testsupport::ScriptedUi ui;
    BinderDialog dialog;
    CFxFieldBinder binder;
};

}  // namespace

TEST_F(FxFieldBinderTest, KeysGoByPositionNotById) {
    auto* upper = dialog.Add<QCheckBox>(1, 10, 50);
    auto* lower = dialog.Add<QCheckBox>(2, 10, 90);
    dialog.Add<QLineEdit>(3, 10, 10);  // another class: takes no key

    EXPECT_EQ(binder.BindCheckBoxes("first,second", ""), 2);
    EXPECT_EQ(binder.GetBoundKey(upper), "first");
    EXPECT_EQ(binder.GetBoundKey(lower), "second");
    EXPECT_EQ(binder.GetBoundKey(dialog.Item<QLineEdit>(3)), "");

    // The box moved above the other swaps the keys.
    dialog.Item<QCheckBox>(2)->move(10, 5);
    CFxFieldBinder moved;
    moved.AttachDialog(&dialog);
    moved.BindCheckBoxes("first,second", "");
    EXPECT_EQ(moved.GetBoundControl("first"), lower);
    EXPECT_EQ(moved.GetBoundControl("second"), upper);

    // Within a row, left before right.
    upper->move(200, 5);
    moved.BindCheckBoxes("first,second", "");
    EXPECT_EQ(moved.GetBoundControl("first"), lower);
    EXPECT_EQ(moved.GetBoundKey(upper), "second");
}

TEST_F(FxFieldBinderTest, PlainCheckBoxIsPassedOver) {
    auto* plain = dialog.Add<QCheckBox>(1, 10, 10);
    SetButtonStyle(plain, BS_CHECKBOX);
    auto* automatic = dialog.Add<QCheckBox>(2, 10, 40);
    dialog.Add<QPushButton>(3, 10, 70);

    EXPECT_EQ(binder.BindCheckBoxes("only,extra", ""), 1);
    EXPECT_EQ(binder.GetBoundKey(plain), "");
    EXPECT_EQ(binder.GetBoundControl("only"), automatic);
    EXPECT_EQ(binder.GetBoundControl("extra"), nullptr);
}

TEST_F(FxFieldBinderTest, PlaceholdersNamesAndCounts) {
    auto* a = dialog.Add<QLineEdit>(1, 10, 10);
    auto* b = dialog.Add<QLineEdit>(2, 10, 40);
    dialog.Add<QLineEdit>(3, 10, 70);

    // Nothing is bound without a dialog.
    EXPECT_EQ(CFxFieldBinder().BindTextEdits("k1", ""), 0);
    // "*" holds the first edit's place; the ranges go to the keys in order.
    EXPECT_EQ(binder.BindTextEdits("*,k2", "Second,Unused", {{0, 9}, {2, 3}}), 1);
    EXPECT_EQ(binder.GetBoundKey(a), "");
    EXPECT_EQ(binder.GetBoundKey(b), "k2");
    std::string name;
    ASSERT_TRUE(binder.LookupDisplayName("k2", name));
    EXPECT_EQ(name, "Second");
    EXPECT_EQ(b->maxLength(), 9);
    EXPECT_EQ(binder.CheckLength("k2", 10), "The length of characters must be 0~9.");
    EXPECT_EQ(binder.CheckLength("k2", 9), "");

    // More keys than edits: the rest stay unbound.
    CFxFieldBinder more;
    more.AttachDialog(&dialog);
    EXPECT_EQ(more.BindTextEdits("x1,x2,x3,x4", "N1"), 3);
    EXPECT_EQ(more.GetBoundControl("x4"), nullptr);
    EXPECT_FALSE(more.LookupDisplayName("x2", name));
    EXPECT_FALSE(more.SetLengthRange("x4", 1, 4));  // lengths only for bound text keys

    // An empty key binds nothing, so the record stays writable.
    CFxFieldBinder gap;
    gap.AttachDialog(&dialog);
    EXPECT_EQ(gap.BindTextEdits(",k", ""), 1);
    EXPECT_EQ(gap.GetBoundControl("k"), b);
    gap.ControlsToValues(FALSE, FALSE);
    CRevolver bytes;
    EXPECT_TRUE(gap.ToRevolver(bytes));
}

TEST_F(FxFieldBinderTest, MissingKeyIsReportedOnlyInDiagnosticsMode) {
    dialog.Add<QCheckBox>(1, 10, 10);
    binder.SetInt("present", 1);

    SetDeveloperMarker(false);
    binder.BindCheckBoxes("absent", "");
    EXPECT_TRUE(ui.messages.empty());

    SetDeveloperMarker(true);
    binder.BindCheckBoxes("absent", "");
    binder.BindCheckBoxes("present", "");
    SetDeveloperMarker(false);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "27881: 'absent' not initialized");
    // Bound all the same.
    EXPECT_EQ(binder.GetFieldKind("present"), CFxFieldBinder::FK_CHECKBOX);
}

TEST_F(FxFieldBinderTest, RecordFillsDialogAndEditsReadBack) {
    BuildSettingsDialog(dialog);
    auto* color = dialog.Add<QComboBox>(IDC_COLOR, 10, 100);
    color->addItems({"stale", "items", "here"});

    binder.SetInt("DPS.tgcmwhether", 1);
    binder.SetString("DPS.tgcmflpath", A("c:\\코드\\out.bas"));
    binder.SetInt("DPS.irncgcisolate", 0);
    binder.SetString("DPS.irncgcscname", "DEFINECHRS");
    binder.SetInt("GOPT.cpcindex", 1);
    BindSettings(binder, dialog);
    binder.BindComboBoxes("GOPT.cpcindex", "Fore Color", {"Black|White"});
    binder.ValuesToControls();

    EXPECT_TRUE(dialog.Item<QCheckBox>(IDC_AUTOSAVE)->isChecked());
    EXPECT_FALSE(dialog.Item<QCheckBox>(IDC_ISOLATE)->isChecked());
    EXPECT_EQ(dialog.Item<QLineEdit>(IDC_PATH)->text(), QString::fromUtf8("c:\\코드\\out.bas"));
    EXPECT_EQ(dialog.Item<QLineEdit>(IDC_ROUTINE)->text(), "DEFINECHRS");
    ASSERT_EQ(color->count(), 2);  // refilled from the item list
    EXPECT_EQ(color->itemText(1), "White");
    EXPECT_EQ(color->currentIndex(), 1);

    // The user edits every field.
    dialog.Item<QCheckBox>(IDC_AUTOSAVE)->setChecked(false);
    dialog.Item<QCheckBox>(IDC_ISOLATE)->setChecked(true);
    dialog.Item<QLineEdit>(IDC_PATH)->setText(QString::fromUtf8("  /tmp/새 코드.bas "));
    dialog.Item<QLineEdit>(IDC_ROUTINE)->setText("CHARS");
    color->setCurrentIndex(0);

    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE, nullptr, "Error", TRUE), "");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(binder.GetText(), "DPS.irncgcisolate=1,DPS.irncgcscname=CHARS,DPS.tgcmflpath=" +
                                    A("/tmp/새 코드.bas") + ",DPS.tgcmwhether=0,GOPT.cpcindex=0");

    // Without trimming the blanks are kept.
    dialog.Item<QLineEdit>(IDC_PATH)->setText(" p ");
    binder.ControlsToValues(TRUE, FALSE, &dialog, "Error", FALSE);
    EXPECT_EQ(binder.GetString("DPS.tgcmflpath"), " p ");
}

TEST_F(FxFieldBinderTest, ComboIndexIsLimitedOrCleared) {
    auto* combo = dialog.Add<QComboBox>(1, 10, 10);
    auto* empty = dialog.Add<QComboBox>(2, 10, 40);
    binder.BindComboBoxes("index,none", "", {"a|b|c"});

    binder.SetInt("index", 7);
    binder.ValuesToControls();
    EXPECT_EQ(combo->currentIndex(), 2);

    binder.RemoveAll();
    binder.ValuesToControls();
    EXPECT_EQ(combo->currentIndex(), -1);
    // Read back: the cleared selection is stored as -1; an empty box stores
    // nothing.
    binder.ControlsToValues(TRUE, FALSE);
    EXPECT_EQ(binder.GetInt("index", 0), -1);
    EXPECT_FALSE(binder.HasKey("none"));
    EXPECT_EQ(empty->count(), 0);
}

TEST_F(FxFieldBinderTest, TextComboAndIntegerEditKinds) {
    auto* face = dialog.Add<QComboBox>(1, 10, 10);
    face->addItems({"Gulim", "Dotum", "Batang"});
    auto* size = dialog.Add<QLineEdit>(2, 10, 40);
    EXPECT_EQ(binder.BindControls("combobox", "face", "", CFxFieldBinder::FK_TEXT), 1);
    EXPECT_EQ(binder.BindControls("edit", "size", "Size", CFxFieldBinder::FK_INTEDIT), 1);
    EXPECT_TRUE(binder.SetRange("size", 8, 72));
    EXPECT_FALSE(binder.SetRange("face", 0, 1));
    EXPECT_EQ(size->maxLength(), 4);
    binder.SetFallbackText("face", "Dotum");

    binder.SetString("face", "Batang");
    binder.SetInt("size", 100);
    binder.ValuesToControls();
    EXPECT_EQ(face->currentIndex(), 2);
    EXPECT_EQ(size->text(), "72");  // shown clamped

    // A text not among the items selects the fallback.
    binder.SetString("face", "Courier");
    binder.ValuesToControls();
    EXPECT_EQ(face->currentIndex(), 1);

    // Only the item with exactly the stored text is selected: not one that
    // begins with it, nor one that differs in case.
    face->insertItem(0, "DotumChe");
    binder.SetFallbackText("face", "Gulim");
    const std::pair<const char*, int> picks[] = {
        {"Dotum", 2}, {"dotum", 1}, {"Batan", 1}, {"Batang", 3}, {"", 1}};
    for (const auto& [stored, index] : picks) {
        binder.SetString("face", stored);
        binder.ValuesToControls();
        EXPECT_EQ(face->currentIndex(), index) << stored;
    }
    face->removeItem(0);

    face->setCurrentIndex(0);
    size->setText(" 12abc");
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE), "");
    EXPECT_EQ(binder.GetString("face"), "Gulim");
    EXPECT_EQ(binder.GetInt("size", 0), 12);

    // Without validation a value out of range is stored, or clamped when asked.
    size->setText("5");
    binder.ControlsToValues(FALSE, FALSE);
    EXPECT_EQ(binder.GetInt("size", 0), 5);
    binder.ControlsToValues(FALSE, TRUE);
    EXPECT_EQ(binder.GetInt("size", 0), 8);
}

TEST_F(FxFieldBinderTest, TooShortTextStopsWithFilledTemplate) {
    BuildSettingsDialog(dialog);
    auto* late = dialog.Add<QCheckBox>(9, 10, 120);  // after the invalid field

    binder.SetInt("late", 0);
    BindSettings(binder, dialog);
    binder.BindCheckBoxes("*,*,late", "");
    binder.ValuesToControls();
    dialog.show();
    dialog.activateWindow();
    QApplication::processEvents();

    dialog.Item<QCheckBox>(IDC_AUTOSAVE)->setChecked(true);
    dialog.Item<QLineEdit>(IDC_PATH)->setText("/tmp/a.bas");
    auto* routine = dialog.Item<QLineEdit>(IDC_ROUTINE);
    routine->setText("");
    late->setChecked(true);

    const std::string message = binder.ControlsToValues(TRUE, FALSE, nullptr, "Error", TRUE);
    EXPECT_EQ(message, "The length of characters must be 1~200.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, message);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(QApplication::focusWidget(), routine);
    // Fields before the invalid one are stored, those after it not.
    EXPECT_EQ(binder.GetText(),
              "DPS.irncgcisolate=0,DPS.tgcmflpath=/tmp/a.bas,DPS.tgcmwhether=1,late=0");

    // Quiet asks no question.
    EXPECT_EQ(binder.ControlToValue(routine, TRUE, FALSE, "Error", TRUE, TRUE),
              "The length of characters must be 1~200.");
    EXPECT_EQ(ui.messages.size(), 1u);
    // The edit itself takes at most the maximum.
    routine->setText(QString(201, 'x'));
    EXPECT_EQ(routine->text().size(), 200);
}

TEST_F(FxFieldBinderTest, NamePlaceholderOnlyForNamedKeys) {
    BuildSettingsDialog(dialog);
    BindSettings(binder, dialog);
    binder.SetBinderMessage("chars_invalid", "$name: $chars_min..$chars_max ($name)");

    EXPECT_EQ(binder.CheckLength("DPS.tgcmflpath", 261),
              "Auto-Saving Path: 0..260 (Auto-Saving Path)");
    EXPECT_EQ(binder.CheckLength("DPS.irncgcscname", 0), "$name: 1..200 ($name)");
    EXPECT_EQ(binder.CheckLength("DPS.irncgcscname", 200), "");
    EXPECT_EQ(binder.CheckLength("DPS.tgcmwhether", 9999), "");

    // A message table given with the dialog replaces the templates.
    CFxStringMap messages{{"range_invalid", "x"}};
    binder.AttachDialog(&dialog, &messages);
    EXPECT_EQ(binder.CheckLength("DPS.irncgcscname", 0), "Error");
}

TEST_F(FxFieldBinderTest, LengthIsCheckedBeforeTrimming) {
    auto* edit = dialog.Add<QLineEdit>(1, 10, 10);
    binder.BindTextEdits("name", "", {{5, 10}});

    edit->setText("  ab  ");
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE, nullptr, "Error", TRUE), "");
    EXPECT_EQ(binder.GetString("name"), "ab");

    // Lengths count the record's bytes: six Korean letters are twelve.
    edit->setText(QString::fromUtf8("가나다라마바"));
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE, nullptr, "Error", TRUE),
              "The length of characters must be 5~10.");
}

TEST_F(FxFieldBinderTest, DisabledControlIsNeitherCheckedNorStored) {
    auto* edit = dialog.Add<QLineEdit>(1, 10, 10);
    auto* box = dialog.Add<QCheckBox>(2, 10, 40);
    binder.BindTextEdits("name", "", {{1, 5}});
    binder.BindCheckBoxes("flag", "");
    binder.SetString("name", "keep");

    edit->setText("");
    edit->setEnabled(false);
    box->setChecked(true);
    box->setEnabled(false);
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE), "");
    EXPECT_EQ(binder.GetString("name"), "keep");
    EXPECT_FALSE(binder.HasKey("flag"));
    EXPECT_TRUE(ui.messages.empty());

    // A disabled dialog does not disable its fields' own state.
    edit->setEnabled(true);
    edit->setText("new");
    dialog.setEnabled(false);
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE), "");
    EXPECT_EQ(binder.GetString("name"), "new");
}

TEST_F(FxFieldBinderTest, IntegerRangeMessageAndFocus) {
    auto* width = dialog.Add<QLineEdit>(1, 10, 10);
    binder.BindControls("edit", "GOPT.lmwidth", "LCD Width", CFxFieldBinder::FK_INTEDIT);
    binder.SetRange("GOPT.lmwidth", 16, 640);
    binder.SetInt("GOPT.lmwidth", 320);

    width->setText("700");
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE, nullptr, "Error"), "Error");
    binder.SetBinderMessage("range_invalid", "$name must lie in $range_min..$range_max");
    EXPECT_EQ(binder.ControlsToValues(TRUE, FALSE, nullptr, "Error"),
              "LCD Width must lie in 16..640");
    EXPECT_EQ(binder.GetInt("GOPT.lmwidth", 0), 320);
    EXPECT_EQ(width->selectedText(), "700");
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(binder.CheckRange("GOPT.lmwidth", 16), "");
    EXPECT_EQ(binder.CheckRange("GOPT.lmwidth", 15), "LCD Width must lie in 16..640");
    EXPECT_EQ(binder.CheckRange("unranged", -99999), "");
}

TEST_F(FxFieldBinderTest, ClampedIntAndLoadChecked) {
    dialog.Add<QLineEdit>(1, 10, 10);
    dialog.Add<QLineEdit>(2, 10, 40);
    dialog.Add<QLineEdit>(3, 10, 70);
    binder.BindControls("edit", "w,h,free", "", CFxFieldBinder::FK_INTEDIT);
    binder.SetRange("w", 10, 20);
    binder.SetRange("h", 50, 40);  // reversed: the maximum wins

    EXPECT_EQ(binder.ClampedInt("w"), -1);  // no item yet
    binder.SetInt("w", 25);
    binder.SetInt("h", 0);
    binder.SetInt("free", 12345);
    binder.SetString("text", "7");
    EXPECT_EQ(binder.ClampedInt("w"), 20);
    EXPECT_EQ(binder.ClampedInt("h"), 40);
    EXPECT_EQ(binder.ClampedInt("free"), 12345);
    EXPECT_EQ(binder.ClampedInt("text"), -1);
    binder.SetInt("w", 5);
    EXPECT_EQ(binder.ClampedInt("w"), 10);

    // Loading from bytes holds ranged integers; others stay as read.
    CFxRevPropStore record;
    record.SetInt("w", 999);
    record.SetInt("free", -5);
    record.SetString("h", "77");
    CRevolver bytes;
    ASSERT_TRUE(record.ToRevolver(bytes));
    ASSERT_TRUE(binder.LoadChecked(bytes, FALSE, TRUE));
    EXPECT_EQ(binder.GetText(), "free=-5,h=77,w=20");

    ASSERT_TRUE(binder.LoadChecked(bytes, FALSE, FALSE));
    EXPECT_EQ(binder.GetInt("w", 0), 999);
}
