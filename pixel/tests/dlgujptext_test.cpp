// The "Add Text" dialog as the whole-canvas frame opens it: carving on every
// field change, Apply as one step, Cancel as none, and the keys it swallows.

#include "pixel/dlgujptext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPointer>

#include "pixel/lmrmwindow.h"
#include "pixel/tests/pixeltesting.h"
#include "pixel/tests/viewstesting.h"
#include "platform/window.h"

namespace {

class AddTextTest : public viewtest::ViewsTest {
protected:
    // Another test may have taken the dialog away from the frame.
    AddTextTest() {
        LmrSetAddTextDialogFactory([](QWidget* parent) { return new CDlgUJPText(parent); });
    }
    CDlgUJPText* Open() {
        oframe->OnUJPTAdd();
        QApplication::processEvents();
        return qobject_cast<CDlgUJPText*>(oframe->GetAddTextDialog());
    }
    static QLineEdit* Text(CDlgUJPText* d) {
        return static_cast<QLineEdit*>(GetDlgItem(d, CDlgUJPText::IDC_TEXT));
    }
    int LayerCount() {
        int n = 0;
        for (DWORD v : pixeltest::PGSnapshot(canvas())) n += v != 0;
        return n;
    }
    testsupport::ScriptedUi ui;
};

}  // namespace

TEST_F(AddTextTest, ApplyCommitsTheCarvedTextAsOneStep) {
    QPointer<CDlgUJPText> dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(canvas().m_nOTool, CLmrOGJPEState::OT_TEXT);
    Text(dialog)->setText("Hi");
    const int carved = LayerCount();
    ASSERT_GT(carved, 10);
    const CRect rect = canvas().GetUJPTextRect();
    EXPECT_EQ(rect.left, 16);  // the working area's corner
    EXPECT_EQ(rect.top, 32);
    const auto before = pixeltest::Snapshot(canvas());
    QTest::mouseClick(GetDlgItem(dialog, CDlgUJPText::IDC_APPLY), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(canvas().GetYUStepCount(), 1);
    EXPECT_EQ(canvas().GetCurrentYUStep()->GetKind(), GJPEA_SETUJPIXEL);
    EXPECT_EQ(LayerCount(), 0);
    EXPECT_EQ(canvas().m_nOTool, CLmrOGJPEState::OT_AREA);
    // Exactly the carved pixels turned black, all inside the rectangle.
    const auto after = pixeltest::Snapshot(canvas());
    int changed = 0;
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; ++i) {
        if (after[i] == before[i]) continue;
        ++changed;
        EXPECT_EQ(after[i], 0);
        EXPECT_TRUE(rect.PtInRect(CPoint(i % 256, i / 256))) << i;
    }
    EXPECT_EQ(changed, carved);
    canvas().YUndo(1, 1, 1);
    EXPECT_EQ(pixeltest::Snapshot(canvas()), before);
}

TEST_F(AddTextTest, CancelAndTheCloseBoxLeaveTheCanvasAndTheStepsAlone) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        QPointer<CDlgUJPText> dialog = Open();
        ASSERT_NE(dialog, nullptr);
        Text(dialog)->setText("Text");
        EXPECT_GT(LayerCount(), 0);
        const auto before = pixeltest::Snapshot(canvas());
        if (way == 0)
            QTest::mouseClick(GetDlgItem(dialog, CDlgUJPText::IDC_CANCEL), Qt::LeftButton);
        else
            dialog->close();
        QApplication::processEvents();
        EXPECT_TRUE(dialog.isNull());
        EXPECT_EQ(pixeltest::Snapshot(canvas()), before);
        EXPECT_EQ(canvas().GetYUStepCount(), 0);
        EXPECT_EQ(LayerCount(), 0);
        EXPECT_EQ(canvas().m_nOTool, CLmrOGJPEState::OT_AREA);
        EXPECT_TRUE(oframe->GetButton(CDlgOGJPWFrame::IDC_ADDTEXT)->isEnabled());
    }
}

TEST_F(AddTextTest, FieldsAreOptionsAndEveryChangeCarvesAgain) {
    QPointer<CDlgUJPText> dialog = Open();
    ASSERT_NE(dialog, nullptr);
    auto* size = static_cast<QComboBox*>(GetDlgItem(dialog, CDlgUJPText::IDC_FONTSIZE));
    auto* bold = static_cast<QCheckBox*>(GetDlgItem(dialog, CDlgUJPText::IDC_BOLD));
    auto* face = static_cast<QComboBox*>(GetDlgItem(dialog, CDlgUJPText::IDC_FONTNAME));
    pixeltest::ExpectLabelsWholeAndApart(*dialog);
    EXPECT_EQ(size->count(), 14);
    EXPECT_EQ(size->currentText(), "12");
    // "Arial" shows as the face that stands in for it, and stays the name
    // stored until another face is chosen.
    if (!QFontDatabase::hasFamily("Arial")) {
        EXPECT_EQ(face->currentText().toStdString(), "Liberation Sans");
    }
    // An empty text carves nothing and keeps a 16 x 16 rectangle.
    Text(dialog)->setText("");
    EXPECT_EQ(LayerCount(), 0);
    EXPECT_EQ(canvas().GetUJPTextRect().Width(), 16);
    EXPECT_EQ(canvas().GetUJPTextRect().Height(), 16);
    Text(dialog)->setText("W");
    const int small = LayerCount();
    const LONG smallHeight = canvas().GetUJPTextRect().Height();
    size->setCurrentText("30");
    EXPECT_EQ(LmrGOption().GetString("UJPT.fntsize"), "30");
    EXPECT_EQ(LmrGOption().GetString("UJPT.fntface"), "Arial");
    EXPECT_GT(LayerCount(), small);
    EXPECT_GT(canvas().GetUJPTextRect().Height(), smallHeight);
    const int regular = LayerCount();
    bold->setChecked(true);
    EXPECT_EQ(LmrGOption().GetInt("UJPT.fntbold", 0), 1);
    EXPECT_GT(LayerCount(), regular);
    // Enter and Esc neither apply nor close.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QTest::keyClick(Text(dialog), key);
        QApplication::processEvents();
        ASSERT_FALSE(dialog.isNull());
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_EQ(canvas().GetYUStepCount(), 0);
    face->setCurrentText("Liberation Mono");
    EXPECT_EQ(LmrGOption().GetString("UJPT.fntface"), "Liberation Mono");
    // The text is selected for typing 100 ms after opening. On a slow
    // machine the real tick may have come already: arm it as opening does.
    if (!IsTimerSet(dialog, CDlgUJPText::TIMER_FOCUS))
        SetTimer(dialog, CDlgUJPText::TIMER_FOCUS, 100);
    Text(dialog)->deselect();
    FireTimerForTest(dialog, CDlgUJPText::TIMER_FOCUS);
    EXPECT_EQ(Text(dialog)->selectedText(), "W");
    EXPECT_FALSE(IsTimerSet(dialog, CDlgUJPText::TIMER_FOCUS));
}

// The text follows the drawing colour and its drags: what shows is what
// Apply commits, and the zoomed view keeps no copy where the text was.
TEST_F(AddTextTest, TheTextFollowsTheColourAndLeavesNoCopyBehind) {
    SetWorkingArea(0, 0, 4, 3);
    QPointer<CDlgUJPText> dialog = Open();
    ASSERT_NE(dialog, nullptr);
    Text(dialog)->setText("Hi");
    ASSERT_GT(LayerCount(), 10);
    for (int id : {0, 1}) {
        SCOPED_TRACE(id);
        CLmrWFrameBase* frame = id ? static_cast<CLmrWFrameBase*>(oframe) : eframe;
        ASSERT_NE(frame->GetButton(27000), nullptr);
        QTest::mouseClick(frame->GetButton(27000), Qt::LeftButton);
        const DWORD shown = 0x1000000 | zoom().m_dwDrawColor;
        int wrong = 0;
        for (DWORD v : pixeltest::PGSnapshot(canvas())) wrong += v != 0 && v != shown;
        EXPECT_EQ(wrong, 0);
    }
    // Dragged in the whole-canvas view, 20 px right and 10 down.
    QApplication::processEvents();
    const CRect text = canvas().GetUJPTextRect();
    const CRect from = canvas().OSLToClientRect(text.left + 2, text.top + 2);
    const CRect to = canvas().OSLToClientRect(text.left + 22, text.top + 12);
    Drag(canvas().viewport(), {QPoint(from.left, from.top), QPoint(to.left, to.top)});
    ASSERT_EQ(canvas().GetUJPTextRect().left, text.left + 20);
    QApplication::processEvents();
    QImage full;
    zoom().RenderTo(full);
    EXPECT_EQ(zoom().GetLastFrame(), full);
    dialog->close();
}
