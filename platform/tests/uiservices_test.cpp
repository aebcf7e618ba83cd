#include "platform/uiservices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/resources.h"
#include "platform/testing/scriptedui.h"
#include "platform/window.h"

namespace {

TEST(UiServicesTest, FilterTextsBecomeQtFilters) {
    EXPECT_EQ(FilterToQt("Form Design Project(*.dvk)|*.dvk|All files(*.*)|*.*||"),
              "Form Design Project (*.dvk);;All files (*)");
    EXPECT_EQ(FilterToQt("Images|*.bmp;*.png|"), "Images (*.bmp *.png)");
    EXPECT_EQ(FilterToQt(""), "");
}

TEST(UiServicesTest, ScriptedServicesAnswerAndRecord) {
    {
        testsupport::ScriptedUi ui;
        EXPECT_EQ(&Ui(), &ui);
        ui.messageAnswers = {IDNO};
        EXPECT_EQ(MessageBox("Clear?", "WARNING !!", MB_YESNO), IDNO);
        EXPECT_EQ(MessageBox("Again?", "WARNING !!", MB_YESNO), IDYES);  // script used up
        EXPECT_EQ(MessageBox("Failed to save to disk.", "Error"), IDOK);
        ASSERT_EQ(ui.messages.size(), 3u);
        EXPECT_EQ(ui.messages[0].type, MB_YESNO);

        ui.fileAnswers = {std::string("/tmp/a.dvk")};
        FileDialogRequest request;
        request.filter = "P(*.dvk)|*.dvk||";
        EXPECT_EQ(Ui().ChooseFile(request), std::optional<std::string>("/tmp/a.dvk"));
        EXPECT_EQ(Ui().ChooseFile(request), std::nullopt);
        EXPECT_EQ(Ui().ChooseColor(RGB(1, 2, 3), nullptr), std::nullopt);
        EXPECT_EQ(ui.colorRequests, std::vector<COLORREF>{RGB(1, 2, 3)});
    }
    EXPECT_EQ(dynamic_cast<testsupport::ScriptedUi*>(&Ui()), nullptr);  // the Qt services again
}

// The Qt message box maps its buttons to the program's answers.
TEST(UiServicesTest, QtMessageBoxAnswers) {
    auto press = [](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(which)->click();
        });
    };
    press(QMessageBox::No);
    EXPECT_EQ(MessageBox("Question", "Caption", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    press(QMessageBox::Cancel);
    EXPECT_EQ(MessageBox("Question", "Caption", MB_OKCANCEL), IDCANCEL);
    press(QMessageBox::Retry);
    EXPECT_EQ(MessageBox("Question", "Caption", MB_RETRYCANCEL), IDRETRY);
}

TEST(UiServicesTest, DialogHookAnswersModalDialogs) {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    SetDialogHook([edit](QDialog&) {
        edit->setText("Form1");
        return IDOK;
    });
    EXPECT_EQ(ExecDialog(dialog), IDOK);
    EXPECT_EQ(edit->text(), "Form1");
    SetDialogHook(nullptr);

    // Without a hook the dialog runs; a rejected dialog answers IDCANCEL.
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    EXPECT_EQ(ExecDialog(dialog), IDCANCEL);
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.done(IDNO); });
    EXPECT_EQ(ExecDialog(dialog), IDNO);
}

TEST(UiServicesTest, PopupMenuHookChoosesTheCommand) {
    QMenu menu;
    QAction* plain = menu.addAction("Plain");
    QAction* numbered = menu.addAction("Numbered");
    SetCommandId(numbered, 4711);
    EXPECT_EQ(GetCommandId(plain), 0u);
    EXPECT_EQ(GetCommandId(nullptr), 0u);

    QPoint seen;
    SetPopupMenuHook([&](QMenu& m, const QPoint& pos) {
        seen = pos;
        return GetCommandId(m.actions().at(1));
    });
    EXPECT_EQ(ExecPopupMenu(menu, QPoint(30, 40)), 4711u);
    EXPECT_EQ(seen, QPoint(30, 40));
    SetPopupMenuHook(nullptr);
}

TEST(UiServicesTest, SystemColourOutsideTheTableIsBlack) {
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), RGB(255, 255, 225));  // the last entry
    EXPECT_EQ(GetSysColor(-1), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_INFOBK + 1), RGB(0, 0, 0));
}

TEST(ResourceTest, BitmapsLoadByIdWithMagentaBackground) {
    for (int id :
         {2011, 2012, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2020, 116, 117, 113, 114}) {
        const QImage image = LoadBitmapResource(id);
        ASSERT_FALSE(image.isNull()) << id;
        EXPECT_EQ(image.size(), QSize(16, 16)) << id;
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 255)) << id;
        int ink = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) ink += image.pixel(x, y) != qRgb(255, 0, 255);
        EXPECT_GT(ink, 10) << id;
    }
    // The tool bar strips: seven buttons 16 wide, 15 high.
    EXPECT_EQ(LoadBitmapResource(134).size(), QSize(112, 15));
    EXPECT_EQ(LoadBitmapResource(135).size(), QSize(112, 15));
    EXPECT_NE(LoadBitmapResource(134), LoadBitmapResource(135));
    EXPECT_TRUE(LoadBitmapResource(999999).isNull());
    // The character editor's tools and the list's 12 x 12 mark.
    for (int id : {119, 27003, 27004, 27005, 27006, 27007, 27008, 27009, 27010, 27011, 27014})
        EXPECT_EQ(LoadBitmapResource(id).size(), QSize(16, 16)) << id;
    EXPECT_EQ(LoadBitmapResource(27002).size(), QSize(12, 12));
}

TEST(ResourceTest, CursorsHaveTransparentBackgroundsAndTheirHotSpots) {
    for (int id : {27012, 27013}) {
        ASSERT_TRUE(HasCursorResource(id)) << id;
        const QCursor cursor = LoadCursorResource(id);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(1, 14)) << id;
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << id;  // magenta is see-through
        EXPECT_EQ(qAlpha(image.pixel(1, 14)), 255) << id;
    }
    EXPECT_NE(LoadCursorResource(27012).pixmap().toImage(),
              LoadCursorResource(27013).pixmap().toImage());
    EXPECT_FALSE(HasCursorResource(27011));  // a bitmap, not a cursor
    EXPECT_EQ(LoadCursorResource(4711).shape(), Qt::ArrowCursor);
}

}  // namespace
