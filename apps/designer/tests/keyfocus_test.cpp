// Keys after a tool is picked in the palette: the user has clicked an object
// on the page and then a palette button, and the next keys must act on the
// page, each key press exactly once. The keys are delivered to the main
// window as the keyboard delivers them, to whatever has the focus there.

#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>
#include <functional>
#include <string>

#include "apps/designer/tests/shelltesting.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dsgtoolbox.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxbutton.h"

using namespace shelltesting;

namespace {

constexpr int kDot = 10000;
// Both under the page's centre, so that Tab has another object to go to.
const CRect kLowerBox(0, 0, 319 * kDot, 239 * kDot);
const CRect kUpperBox(20 * kDot, 20 * kDot, 299 * kDot, 219 * kDot);

// Until the page's one-shot focus timer has fired.
void WaitForFocusTimer(Designer& d) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !IsTimerSet(&d.Page(), nDSG_DSPTIMER__FOCUS); }));
    Designer::Settle();
}

// Two filled boxes, the upper one clicked with the mouse, then a palette
// button clicked.
void ClickObjectThenTool(Designer& d, int toolButton) {
    d.ui.messageAnswers.push_back(IDNO);  // a save question of the new project
    d.Frame().OnCommand(ID_FILE_NEW);
    d.ui.messageAnswers.clear();
    Designer::Settle();
    d.AddObject(nDSG_WOKIND__WOFBOX, kLowerBox);
    d.AddObject(nDSG_WOKIND__WOFBOX, kUpperBox);
    CDsgDSPFrame& page = d.Page();
    QTest::mouseClick(&page, Qt::LeftButton, {}, page.rect().center());
    WaitForFocusTimer(d);
    ASSERT_EQ(page.GetWOCHCount(), 1);
    CFxButton* button = GetDlgToolBox()->GetButton(toolButton);
    ASSERT_TRUE(button && button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    WaitForFocusTimer(d);
}

void Press(Designer& d, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(d.Frame().windowHandle(), key, modifiers);
    Designer::Settle();
}

struct PageState {
    int history;  // the current action's index
    int objects;
    int chosen;
    int current;  // the current chosen object
    CRect rect;   // the current chosen object's
};
PageState StateOf(Designer& d) {
    CDsgDSPFrame& page = d.Page();
    const int current = page.GetCWOCHId();
    return {page.GetCurrentEAIndex(), page.GetWObjCount(), page.GetWOCHCount(), current,
            current < 0 ? CRect() : page.GetWObjRect(current)};
}

struct KeyCase {
    const char* name;
    std::function<void(Designer&)> keys;
    std::function<void(const PageState& before, const PageState& after)> check;
};

}  // namespace

TEST(KeyFocusTest, KeysAfterAPaletteClickActOnThePageOnce) {
    Folders folders;
    Designer d;
    d.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d.Frame()));
    // The view hands the focus to the design frame once, shortly after the
    // start; a slow machine may not have got there before the first case.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !IsTimerSet(&d.View(), CDravik2View::TIMER_FOCUS); }));
    Designer::Settle();

    const KeyCase cases[] = {
        {"Right twice",
         [](Designer& dd) {
             Press(dd, Qt::Key_Right);
             Press(dd, Qt::Key_Right);
         },
         [](const PageState& b, const PageState& a) {
             EXPECT_EQ(a.history, b.history + 2);  // one move a key press
             EXPECT_EQ(a.current, b.current);
             EXPECT_GT(a.rect.left, b.rect.left);
             EXPECT_EQ(a.rect.top, b.rect.top);
         }},
        {"Ctrl+Z", [](Designer& dd) { Press(dd, Qt::Key_Z, Qt::ControlModifier); },
         // One undo takes the upper box away (its creation and its geometry).
         [](const PageState& b, const PageState& a) { EXPECT_EQ(a.objects, b.objects - 1); }},
        {"Ctrl+Z, Ctrl+Y",
         [](Designer& dd) {
             Press(dd, Qt::Key_Z, Qt::ControlModifier);
             Press(dd, Qt::Key_Z, Qt::ControlModifier);
             Press(dd, Qt::Key_Y, Qt::ControlModifier);
         },
         [](const PageState& b, const PageState& a) { EXPECT_EQ(a.objects, b.objects - 1); }},
        {"Ctrl+A", [](Designer& dd) { Press(dd, Qt::Key_A, Qt::ControlModifier); },
         [](const PageState&, const PageState& a) { EXPECT_EQ(a.chosen, 2); }},
        {"Tab", [](Designer& dd) { Press(dd, Qt::Key_Tab); },
         [](const PageState& b, const PageState& a) {
             EXPECT_EQ(a.chosen, 1);
             EXPECT_NE(a.current, b.current);
         }},
        {"Delete", [](Designer& dd) { Press(dd, Qt::Key_Delete); },
         [](const PageState& b, const PageState& a) { EXPECT_EQ(a.objects, b.objects - 1); }},
        {"Escape, then Ctrl+A",
         [](Designer& dd) {
             Press(dd, Qt::Key_Escape);
             EXPECT_TRUE(GetDlgToolBox()->isVisible()) << "Escape closed the palette";
             Press(dd, Qt::Key_A, Qt::ControlModifier);
         },
         [](const PageState&, const PageState& a) { EXPECT_EQ(a.chosen, 2); }},
    };

    for (int tool : {IDC_TOOL_FIRST, IDC_TOOL_FIRST + 2}) {  // Selection and Box
        for (const KeyCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " after tool button " + std::to_string(tool));
            ClickObjectThenTool(d, tool);
            QWidget* focus = QApplication::focusWidget();
            EXPECT_EQ(focus, &d.Page())
                << "the focus is on " << (focus ? focus->metaObject()->className() : "nothing");
            const PageState before = StateOf(d);
            c.keys(d);
            c.check(before, StateOf(d));
        }
    }
}

// Keys that reach the palette or the form bar themselves (pressed before the
// page has taken the focus back) never close them. (Return on the form bar's
// focused Add Form button clicks it, as on any dialog's button.)
TEST(KeyFocusTest, ThePaletteAndTheFormBarStayOnEscapeAndEnter) {
    Folders folders;
    Designer d;
    const std::vector<Qt::Key> all = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter};
    const std::vector<Qt::Key> escape = {Qt::Key_Escape};
    const struct {
        QWidget* bar;
        CFxButton* button;
        const std::vector<Qt::Key>& keys;
    } bars[] = {{GetDlgToolBox(), GetDlgToolBox()->GetButton(IDC_TOOL_FIRST), all},
                {GetDlgUBar(), GetDlgUBar()->GetButton(IDC_UBAR_ADDFORM), escape}};
    for (const auto& [bar, button, keys] : bars) {
        ASSERT_NE(button, nullptr);
        for (Qt::Key key : keys) {
            SCOPED_TRACE(std::string(bar->metaObject()->className()) + " " + std::to_string(key));
            QTest::keyClick(button, key);
            Designer::Settle();
            EXPECT_TRUE(bar->isVisible());
        }
    }
}
