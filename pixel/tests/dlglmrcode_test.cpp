// The code dialog: what it generates from the fields and the working area,
// when it regenerates, and its clipboard and file commands.

#include "pixel/dlglmrcode.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "pixel/tests/pixeltesting.h"
#include "platform/clipboard.h"
#include "platform/window.h"

namespace {

class CodeDialogTest : public pixeltest::EngineTest {
protected:
    CodeDialogTest() {
        dialog.show();
        QApplication::processEvents();
    }
    QLineEdit* Field(int id) { return static_cast<QLineEdit*>(GetDlgItem(&dialog, id)); }
    std::string Shown() {
        return static_cast<QPlainTextEdit*>(GetDlgItem(&dialog, CDlgLmrCode::IDC_CODE))
            ->toPlainText()
            .toStdString();
    }
    int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
    CDlgLmrCode dialog;
};

// A message box during which the dialog's text goes stale and its refresh
// timer ticks, as they do in the box's own event loop.
class TickingUi : public testsupport::ScriptedUi {
public:
    explicit TickingUi(CDlgLmrCode* ticked) : m_ticked(ticked) {}
    int MessageBox(const std::string& text, const std::string& caption, UINT type,
                   QWidget* parent) override {
        const int answer = ScriptedUi::MessageBox(text, caption, type, parent);
        if (messages.size() < 3) {
            m_ticked->SetStale();
            FireTimerForTest(m_ticked, CDlgLmrCode::TIMER_REFRESH);
        }
        return answer;
    }

private:
    CDlgLmrCode* m_ticked;
};

// What a label or button shows: a button takes '&' as a mnemonic mark ("&&"
// shows one '&'); a label does so only when it has a buddy.
QString ShownText(const QWidget* control) {
    QString text;
    bool mnemonic = true;
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        text = label->text();
        mnemonic = label->buddy() != nullptr;
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        text = button->text();
    }
    if (!mnemonic) return text;
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

}  // namespace

TEST_F(CodeDialogTest, StaysShownWithItsTextsAsTheyStand) {
    QStringList shown;
    for (const QWidget* child : dialog.findChildren<QWidget*>())
        if (qobject_cast<const QLabel*>(child) || qobject_cast<const QAbstractButton*>(child))
            shown << ShownText(child);
    shown.sort();
    EXPECT_EQ(shown.join("|").toStdString(),
              "&H00|&HDB30|Copy To Clipboard|Indent and tab(s)|Save To File...|Source Code "
              "Type|Starting CHR Code &H");

    SetWorkingArea(0, 0, 1, 1);
    Field(CDlgLmrCode::IDC_STARTCODE)->setText("0041");
    ASSERT_TRUE(dialog.RefreshCode());
    struct Case {
        int focus;  // the control with the focus
        int key;    // 0: a close request, then a reject and an accept
    };
    const Case cases[] = {
        {CDlgLmrCode::IDC_TOCLIPBOARD, Qt::Key_Escape},
        {CDlgLmrCode::IDC_STARTCODE, Qt::Key_Escape},
        {CDlgLmrCode::IDC_CODE00, Qt::Key_Return},
        {CDlgLmrCode::IDC_CODEDB30, Qt::Key_Enter},
        {CDlgLmrCode::IDC_INDENT, Qt::Key_Return},
        {CDlgLmrCode::IDC_CODE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.focus) + " / " + std::to_string(c.key));
        QWidget* focus = GetDlgItem(&dialog, c.focus);
        focus->setFocus();
        if (c.key) {
            QTest::keyClick(focus, static_cast<Qt::Key>(c.key));
        } else {
            dialog.close();
            dialog.reject();
            dialog.accept();
        }
        QApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible());
        // No button was pressed by the key.
        EXPECT_EQ(Field(CDlgLmrCode::IDC_STARTCODE)->text().toStdString(), "0041");
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CodeDialogTest, TheWorkingAreaGivesOneStatementPerCellFromTheStartCode) {
    pixeltest::ExpectLabelsWholeAndApart(dialog);
    SetWorkingArea(1, 2, 2, 1);
    canvas.SetJPixelByOSLPoint(16, 32, 0x000000);  // top-left pixel of cell (1,2)
    ASSERT_TRUE(dialog.RefreshCode());
    const std::string code = dialog.GetShownCode();
    EXPECT_EQ(Count(code, "DEFCHR"), 2);
    EXPECT_EQ(code.rfind("DEFCHR &HDB30,_\r\n  &H80,&H00,", 0), 0u) << code;
    EXPECT_NE(code.find("\r\nDEFCHR &HDB31,_\r\n  &H00,"), std::string::npos);
    // The control shows the same text with plain line breaks.
    QString shown = QString::fromStdString(code);
    shown.replace("\r\n", "\n");
    EXPECT_EQ(Shown(), shown.toStdString());
    std::string direct;
    canvas.GSHFCreate(direct, CRect(1, 2, 2, 2), 0xDB30);
    EXPECT_EQ(code, direct);
}

TEST_F(CodeDialogTest, FieldsAreCheckedBeforeTheCodeIsMade) {
    struct Case {
        const char* start;
        const char* indent;
        bool accepted;
        const char* begins;  // the text's first line when accepted
    };
    const Case cases[] = {
        {"0041", "0", true, "DEFCHR &H41,_"},
        {"00ff", "0", true, "DEFCHR &HFF,_"},
        {"DB30", "2", true, "\t\tDEFCHR &HDB30,_"},
        {" DB3", "0", false, nullptr},  // four characters, three digits
        {"ZZZZ", "0", false, nullptr},  // four characters, but no number
        {"DB3G", "0", false, nullptr},
        {"41", "0", false, nullptr},
        {"DB30", "10", false, nullptr},
        {"DB30", "-1", false, nullptr},
    };
    SetWorkingArea(0, 0, 1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " / " + c.indent);
        dialog.OnCodeDB30();
        const std::string before = dialog.GetShownCode();
        Field(CDlgLmrCode::IDC_STARTCODE)->setText(c.start);
        Field(CDlgLmrCode::IDC_INDENT)->setText(c.indent);
        ui.messages.clear();
        EXPECT_EQ(dialog.RefreshCode(), c.accepted ? TRUE : FALSE);
        if (c.accepted) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(dialog.GetShownCode().substr(0, dialog.GetShownCode().find('\r')), c.begins);
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].caption + "|" + ui.messages[0].text, "Error|Error");
            EXPECT_EQ(dialog.GetShownCode(), before);
        }
        Field(CDlgLmrCode::IDC_INDENT)->setText("0");
    }
    // A refused start code is never stored: the option keeps the last good one.
    Field(CDlgLmrCode::IDC_STARTCODE)->setText("ZZZZ");
    EXPECT_FALSE(dialog.RefreshCode());
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "DB30");
    // Refused on a tick, one message, whatever ticks while it is open.
    for (const char* start : {"ZZZZ", "41"}) {
        TickingUi ticking(&dialog);
        Field(CDlgLmrCode::IDC_STARTCODE)->setText(start);
        dialog.SetStale();
        FireTimerForTest(&dialog, CDlgLmrCode::TIMER_REFRESH);
        EXPECT_EQ(ticking.messages.size(), 1u) << start;
    }
    SetUiServices(&ui);
}

TEST_F(CodeDialogTest, TimersRegenerateOnlyAStaleText) {
    SetWorkingArea(0, 0, 1, 1);
    ASSERT_TRUE(dialog.RefreshCode());
    EXPECT_EQ(GetTimerPeriod(&dialog, CDlgLmrCode::TIMER_REFRESH), 1000u);
    FireTimerForTest(&dialog, CDlgLmrCode::TIMER_REFRESH);  // clears the first mark
    const std::string white = dialog.GetShownCode();
    canvas.SetJPixelByOSLPoint(0, 0, 0x000000);
    FireTimerForTest(&dialog, CDlgLmrCode::TIMER_REFRESH);
    EXPECT_EQ(dialog.GetShownCode(), white);
    // An applied edit marks it through the engine's own notice.
    LmrWindowNotice().MarkCodeStale();
    EXPECT_TRUE(dialog.IsStale());
    FireTimerForTest(&dialog, CDlgLmrCode::TIMER_REFRESH);
    EXPECT_FALSE(dialog.IsStale());
    EXPECT_NE(dialog.GetShownCode(), white);
    // A keystroke in a field marks it 700 ms later.
    Field(CDlgLmrCode::IDC_STARTCODE)->setText("0041");
    EXPECT_EQ(GetTimerPeriod(&dialog, CDlgLmrCode::TIMER_FIELDEDIT), 700u);
    EXPECT_FALSE(dialog.IsStale());
    FireTimerForTest(&dialog, CDlgLmrCode::TIMER_FIELDEDIT);
    EXPECT_TRUE(dialog.IsStale());
    EXPECT_FALSE(IsTimerSet(&dialog, CDlgLmrCode::TIMER_FIELDEDIT));
    FireTimerForTest(&dialog, CDlgLmrCode::TIMER_REFRESH);
    EXPECT_EQ(dialog.GetShownCode().rfind("DEFCHR &H41,", 0), 0u);
}

TEST_F(CodeDialogTest, ButtonsSetTheStartCodeAndCopyTheText) {
    SetWorkingArea(0, 0, 1, 1);
    QTest::mouseClick(GetDlgItem(&dialog, CDlgLmrCode::IDC_CODE00), Qt::LeftButton);
    EXPECT_EQ(dialog.GetShownCode().rfind("DEFCHR &H00,", 0), 0u);
    QTest::mouseClick(GetDlgItem(&dialog, CDlgLmrCode::IDC_CODEDB30), Qt::LeftButton);
    EXPECT_EQ(dialog.GetShownCode().rfind("DEFCHR &HDB30,", 0), 0u);
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "DB30");
    EmptyClipboard();
    canvas.SetJPixelByOSLPoint(3, 0, 0x000000);  // not shown yet: Copy generates afresh
    QTest::mouseClick(GetDlgItem(&dialog, CDlgLmrCode::IDC_TOCLIPBOARD), Qt::LeftButton);
    std::string expected;
    canvas.GSHFCreate(expected, CRect(0, 0, 0, 0), 0xDB30);
    EXPECT_EQ(GetClipboardText().value_or(""), expected);
    EXPECT_NE(expected.find("&H10,&H00"), std::string::npos);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CodeDialogTest, SaveWritesTheBasicFileOrSaysWhyNot) {
    SetWorkingArea(0, 0, 2, 1);
    const std::string folder = testsupport::MakeTempFolder("bas");
    ui.fileAnswers = {folder + "/chars.bas"};
    dialog.OnSaveToFile();
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.fileRequests[0].save);
    EXPECT_EQ(ui.fileRequests[0].title, "Save your character definitions to BASIC code.");
    EXPECT_EQ(ui.fileRequests[0].defaultExt, "bas");
    EXPECT_EQ(ui.fileRequests[0].filter.rfind("Korvel BASIC Code", 0), 0u);
    std::string expected;
    canvas.GSHFCreate(expected, CRect(0, 0, 1, 0), 0xDB30);
    EXPECT_EQ(testsupport::ReadFileBytes(folder + "/chars.bas"), expected);
    // Cancelled: nothing written, nothing said.
    dialog.OnSaveToFile();
    EXPECT_TRUE(ui.messages.empty());
    testsupport::WriteFileBytes(folder + "/plain", "x");
    ui.fileAnswers = {folder + "/plain/chars.bas"};
    dialog.OnSaveToFile();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption + "|" + ui.messages[0].text,
              "Error|Cannot create source code to file.");
}
