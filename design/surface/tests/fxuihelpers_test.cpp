#include "design/surface/fxuihelpers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <algorithm>

#include "foundation/fxstrings.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

TEST(FxUiHelpersTest, SortsByTextOrByKey) {
    std::vector<std::string> texts = {"b", "A", "a", "C"};
    SortStringArray(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "C", "a", "b"}));
    SortStringArray(texts, TRUE);
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "a", "b", "C"}));
}

TEST(FxUiHelpersTest, TextWindowHoldsItsEditAndTimer) {
    CFxTextWnd window;
    window.show();
    window.resize(100, 60);
    auto* edit = qobject_cast<QPlainTextEdit*>(GetDlgItem(&window, 397));
    ASSERT_EQ(edit, window.GetEdit());
    EXPECT_EQ(edit->geometry(), QRect(5, 5, 90, 50));
    EXPECT_EQ(edit->font().pixelSize(), 12);  // 9 point at 96 dpi
    EXPECT_EQ(GetTimerPeriod(&window, CFxTextWnd::kTimerId), 1500u);
    EXPECT_TRUE(FireTimerForTest(&window, CFxTextWnd::kTimerId));
}

TEST(FxUiHelpersTest, ResourceMenuShowsItsFirstSubmenuWithStates) {
    QMenu bar;
    QMenu* popup = bar.addMenu("WOEDIT");
    for (UINT id : {32791u, 32792u, 32793u})
        SetCommandId(popup->addAction(QString::number(id)), id);
    QMenu* shown = nullptr;
    QPoint shownAt;
    SetPopupMenuHook([&](QMenu& menu, const QPoint& at) -> UINT {
        shown = &menu;
        shownAt = at;
        return 32793;
    });
    const CPoint at(40, 50);
    EXPECT_EQ(TrackResourceMenu(bar, &at, {{32791, MF_CHECKED}, {32792, MF_GRAYED}}), 32793u);
    SetPopupMenuHook(nullptr);
    EXPECT_EQ(shown, popup);
    EXPECT_EQ(shownAt, QPoint(40, 50));
    const QList<QAction*> items = popup->actions();
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isEnabled());
    EXPECT_TRUE(items[2]->isEnabled());
    EXPECT_FALSE(items[2]->isChecked());
}

TEST(FxUiHelpersTest, ComboBoxIsFilledInOrder) {
    QComboBox combo;
    combo.addItem("old");
    ComboFillStrings(&combo, {"b", A("바탕"), "bb"});
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(QStringToAnsi(combo.itemText(1)), A("바탕"));
    EXPECT_EQ(QStringToAnsi(combo.itemText(2)), "bb");
}

}  // namespace
