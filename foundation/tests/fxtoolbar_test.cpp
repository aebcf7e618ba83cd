#include "foundation/fxtoolbar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>
#include <vector>

#include "foundation/tests/inputtesting.h"
#include "platform/resources.h"
#include "platform/uiservices.h"

namespace {

struct Frame {
    QMainWindow window;
    CFxToolBar* bar = new CFxToolBar(&window);
    std::vector<WPARAM>& commands = *Commands(&window);
    Frame() {
        window.addToolBar(bar);
        bar->SetButtons({101, 102, ID_SEPARATOR, 103, 104});
        window.resize(400, 200);
        window.show();
    }
};

TEST(FxToolBarTest, ButtonsPostTheirCommandsToTheOwner) {
    Frame frame;
    EXPECT_EQ(frame.bar->CommandToIndex(103), 3);
    EXPECT_EQ(frame.bar->CommandToIndex(ID_SEPARATOR), -1);
    EXPECT_EQ(frame.bar->CommandToIndex(999), -1);
    EXPECT_EQ(frame.bar->GetButtonAction(999), nullptr);
    ASSERT_NE(frame.bar->GetButton(102), nullptr);

    Click(*frame.bar->GetButton(102), QPoint(4, 4));
    EXPECT_TRUE(frame.commands.empty());  // posted
    QApplication::processEvents();
    EXPECT_EQ(frame.commands, std::vector<WPARAM>{102});

    // A disabled button sends nothing.
    frame.bar->GetButtonAction(104)->setEnabled(false);
    Click(*frame.bar->GetButton(104), QPoint(4, 4));
    QApplication::processEvents();
    EXPECT_EQ(frame.commands.size(), 1u);

    // Another owner; new buttons replace the old ones.
    QWidget other;
    std::vector<WPARAM>& got = *Commands(&other);
    frame.bar->SetOwner(&other);
    frame.bar->SetButtons({201});
    EXPECT_EQ(frame.bar->GetButtonAction(101), nullptr);
    EXPECT_EQ(frame.bar->actions().size(), 1);
    frame.bar->GetButtonAction(201)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(got, std::vector<WPARAM>{201});
    EXPECT_EQ(frame.commands.size(), 1u);
}

TEST(FxToolBarTest, ImageStripsAreCutIntoButtonPictures) {
    Frame frame;
    const QImage strip = LoadBitmapResource(134);
    const QImage grey = LoadBitmapResource(135);
    ASSERT_FALSE(strip.isNull());
    ASSERT_TRUE(frame.bar->SetImageLists(16, 134, 135, 135));
    EXPECT_EQ(frame.bar->GetImageCount(), strip.width() / 16);
    EXPECT_EQ(frame.bar->iconSize(), QSize(16, strip.height()));

    // The fourth button (after the separator) shows the third picture.
    const QIcon icon = frame.bar->GetButtonAction(103)->icon();
    const QImage normal = icon.pixmap(QSize(16, strip.height()), QIcon::Normal).toImage();
    const QImage hot = icon.pixmap(QSize(16, strip.height()), QIcon::Active).toImage();
    const QImage disabled = icon.pixmap(QSize(16, strip.height()), QIcon::Disabled).toImage();
    ASSERT_EQ(normal.size(), QSize(16, strip.height()));
    int shown = 0;
    for (int y = 0; y < normal.height(); ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb source = strip.pixel(32 + x, y);
            if (FromQRgb(source) == RGB(255, 0, 255)) {
                EXPECT_EQ(qAlpha(normal.pixel(x, y)), 0);  // the mask colour is left out
            } else {
                ++shown;
                EXPECT_EQ(normal.pixel(x, y), source);
                EXPECT_EQ(hot.pixel(x, y), grey.pixel(32 + x, y));
                EXPECT_EQ(disabled.pixel(x, y), grey.pixel(32 + x, y));
            }
        }
    EXPECT_GT(shown, 0);

    // A normal strip that cannot be had changes nothing.
    EXPECT_FALSE(frame.bar->SetImageLists(16, 424242));
    EXPECT_FALSE(frame.bar->SetImageLists(0, 134));
    EXPECT_FALSE(frame.bar->SetImageLists(10000, 134));  // not one whole picture
    EXPECT_EQ(frame.bar->GetImageCount(), strip.width() / 16);
    // A later strip that fails leaves the lists given before it to the bar.
    EXPECT_FALSE(frame.bar->SetImageLists(8, 134, 424242));
    EXPECT_EQ(frame.bar->GetImageCount(), strip.width() / 8);
    EXPECT_EQ(frame.bar->iconSize(), QSize(8, strip.height()));
    EXPECT_FALSE(frame.bar->SetImageLists(16, 134, 0, 424242));
    EXPECT_EQ(frame.bar->GetImageCount(), strip.width() / 16);

    // An explicit mask colour: black dots are left out, magenta ones kept.
    ASSERT_TRUE(frame.bar->SetImageLists(16, 134, 0, 0, RGB(0, 0, 0)));
    const QImage masked =
        frame.bar->GetButtonAction(101)->icon().pixmap(QSize(16, strip.height())).toImage();
    EXPECT_EQ(masked.pixel(0, 0), strip.pixel(0, 0));
    for (int y = 0; y < masked.height(); ++y)
        for (int x = 0; x < 16; ++x)
            if (FromQRgb(strip.pixel(x, y)) == RGB(0, 0, 0)) {
                EXPECT_EQ(qAlpha(masked.pixel(x, y)), 0);
            }
}

TEST(FxToolBarTest, DropDownArrowOpensTheMenuBelowTheButtonForItsOwner) {
    Frame frame;
    QWidget menuOwner;
    std::vector<WPARAM>& chosen = *Commands(&menuOwner);
    auto menu = std::make_unique<QMenu>();
    SetCommandId(menu->addAction("Recent 1"), 501);
    QMenu* raw = menu.get();
    frame.bar->SetDropDownMenu(102, &menuOwner, std::move(menu));
    EXPECT_FALSE(frame.bar->OnDropDown(101));  // no menu there

    QToolButton* button = frame.bar->GetButton(102);
    ASSERT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    QMenu* shown = nullptr;
    QPoint where;
    UINT answer = 501;
    SetPopupMenuHook([&](QMenu& m, const QPoint& pos) {
        shown = &m;
        where = pos;
        return answer;
    });
    const QPoint arrow(button->width() - 3, button->height() / 2);
    Click(*button, arrow);
    QApplication::processEvents();
    EXPECT_EQ(shown, raw);
    EXPECT_EQ(where, button->mapToGlobal(QPoint(0, button->height())));
    EXPECT_EQ(chosen, std::vector<WPARAM>{501});
    EXPECT_TRUE(frame.commands.empty());  // the arrow is not a click

    // Dismissed: nothing. The button's own part still gives its command.
    shown = nullptr;
    answer = 0;
    Click(*button, arrow);
    QApplication::processEvents();
    EXPECT_EQ(shown, raw);
    EXPECT_EQ(chosen.size(), 1u);
    shown = nullptr;
    Click(*button, QPoint(3, 3));
    QApplication::processEvents();
    EXPECT_EQ(shown, nullptr);
    EXPECT_EQ(frame.commands, std::vector<WPARAM>{102});
    SetPopupMenuHook(nullptr);
}

}  // namespace
