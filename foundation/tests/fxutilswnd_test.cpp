#include "foundation/fxutilswnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QResizeEvent>
#include <QUrl>
#include <QWidget>
#include <array>
#include <memory>

#include "foundation/fxsharedvalues.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"

namespace {

// Counts what the tests look for.
class CountingWidget : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;
    int resizes = 0;
    QSize lastSize;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void resizeEvent(QResizeEvent* event) override {
        ++resizes;
        lastSize = event->size();
    }
};

const CSize kScreen(1000, 800);

using Quad = std::array<LONG, 4>;
// The placement as x, y, cx, cy.
Quad Box(const FxWindowPlacement& p) { return {p.x, p.y, p.cx, p.cy}; }

// What a state text restores on the 1000 x 800 screen: found or not, the
// box, and whether maximised.
struct Restored {
    BOOL found;
    Quad box;
    BOOL maximized;
    bool operator==(const Restored&) const = default;
};
Restored Restore(const std::string& text, BOOL readable = TRUE, int minCx = 0, int minCy = 0) {
    FxWindowPlacement placement;
    BOOL maximized = 2;
    const BOOL found =
        WindowStateFromText(text, readable, kScreen, placement, maximized, minCx, minCy);
    return {found, Box(placement), maximized};
}
void PrintTo(const Restored& r, std::ostream* os) {
    *os << r.found << " {" << r.box[0] << "," << r.box[1] << "," << r.box[2] << "," << r.box[3]
        << "} " << r.maximized;
}

}  // namespace

TEST(WindowStateTest, MissingOrIncompleteStateOpensAtAQuarterWithHalfTheScreen) {
    const Quad fallback{250, 200, 500, 400};
    EXPECT_EQ(Restore("", FALSE), (Restored{FALSE, fallback, FALSE}));
    // Without "cy" the rest is ignored, but "max" still counts.
    EXPECT_EQ(Restore("max=1&x=5&y=6&cx=700"), (Restored{FALSE, fallback, TRUE}));
    // A file that could not be read counts as missing whatever was passed.
    EXPECT_EQ(Restore("max=0&x=5&y=6&cx=700&cy=600", FALSE), (Restored{FALSE, fallback, FALSE}));
}

TEST(WindowStateTest, SavedStateIsKeptOnTheScreenAndAtLeastTheMinimumSize) {
    EXPECT_EQ(Restore("max=0&x=40&y=30&cx=600&cy=500"),
              (Restored{TRUE, {40, 30, 600, 500}, FALSE}));
    // Off to the left and top: 0. Off to the right and bottom: the screen
    // edge minus the minimum (a quarter of the screen). Too small: the minimum.
    EXPECT_EQ(Restore("x=-300&y=-1&cx=10&cy=20&max=2"), (Restored{TRUE, {0, 0, 250, 200}, TRUE}));
    EXPECT_EQ(Restore("max=0&x=5000&y=900&cx=600&cy=500"),
              (Restored{TRUE, {750, 600, 600, 500}, FALSE}));
    // Given minimums; one wider than the screen puts the window at the edge.
    EXPECT_EQ(Restore("max=0&x=5000&y=900&cx=100&cy=100", TRUE, 300, 120).box,
              (Quad{700, 680, 300, 120}));
    EXPECT_EQ(Restore("max=0&x=50&y=50&cx=100&cy=100", TRUE, 1200, 900).box,
              (Quad{0, 0, 1200, 900}));
    // Larger than the screen: the screen's size.
    EXPECT_EQ(Restore("max=0&x=0&y=0&cx=100000&cy=801").box, (Quad{0, 0, 1000, 800}));
    EXPECT_EQ(Restore("max=0&x=10&y=10&cx=1001&cy=100000", TRUE, 400, 350).box,
              (Quad{10, 10, 1000, 800}));
    // Numbers beyond 32 bits are held at the limit, not wrapped.
    EXPECT_EQ(Restore("max=0&x=99999999999&y=-99999999999&cx=99999999999&cy=1").box,
              (Quad{750, 0, 1000, 200}));
}

TEST(WindowStateTest, StateFileIsReadWithNulBytesAsBlanks) {
    const std::string folder = testsupport::MakeTempFolder("state");
    const std::string path = folder + "/dvk_wnds_state.dat";
    testsupport::WriteFileBytes(path, std::string("max=0&x=10&y=20&cx=400&cy=300\0\0", 32));
    FxWindowPlacement placement;
    BOOL maximized = TRUE;
    const CSize screen = GetScreenSize();
    ASSERT_GT(screen.cx, 0);
    ASSERT_TRUE(LoadWindowState(path, placement, maximized, 100, 100));
    EXPECT_EQ(Box(placement), (Quad{10, 20, 400, 300}));
    EXPECT_FALSE(maximized);

    EXPECT_FALSE(LoadWindowState(folder + "/none.dat", placement, maximized));
    EXPECT_EQ(Box(placement), (Quad{screen.cx / 4, screen.cy / 4, screen.cx / 2, screen.cy / 2}));
}

TEST(WindowStateTest, RewritingKeepsUnknownKeysAndTheLastNormalPlacement) {
    QWidget window;
    window.move(40, 30);
    window.resize(300, 200);
    window.show();
    const CRect rect(40, 30, 340, 230);

    std::string text = "zoom=2&max=1&x=1";
    WindowStateToText(&window, text);
    const std::string normal =
        "cx=" + std::to_string(rect.Width()) + "&cy=" + std::to_string(rect.Height()) +
        "&max=0&x=" + std::to_string(rect.left) + "&y=" + std::to_string(rect.top) + "&zoom=2";
    EXPECT_EQ(text, normal);

    // What was written restores the same window.
    FxWindowPlacement placement;
    BOOL maximized = TRUE;
    ASSERT_TRUE(WindowStateFromText(text, TRUE, CSize(2000, 2000), placement, maximized, 10, 10));
    QWidget restored;
    restored.move(placement.x, placement.y);
    restored.resize(placement.cx, placement.cy);
    restored.show();
    std::string again;
    WindowStateToText(&restored, again);
    EXPECT_EQ(again, "cx=300&cy=200&max=0&x=40&y=30");

    // Saved twice while maximised: the normal placement stays.
    window.showMaximized();
    ASSERT_TRUE(IsWindowMaximized(&window));
    WindowStateToText(&window, text);
    WindowStateToText(&window, text);
    std::string expected = normal;
    expected.replace(expected.find("max=0"), 5, "max=1");
    EXPECT_EQ(text, expected);

    // Minimised or no window: nothing changes.
    window.showMinimized();
    WindowStateToText(&window, text);
    EXPECT_EQ(text, expected);
    WindowStateToText(nullptr, text);
    EXPECT_EQ(text, expected);
}

TEST(WindowUtilsTest, RectanglesInScreenAndParentCoordinates) {
    QWidget top;
    top.move(100, 50);
    top.resize(400, 300);
    auto* child = new QWidget(&top);
    child->setGeometry(10, 20, 30, 40);
    SetDlgCtrlID(child, 1001);
    top.show();

    EXPECT_EQ(GetWndRectInParent(child), CRect(10, 20, 40, 60));
    EXPECT_EQ(GetDlgItemRectInParent(&top, 1001), CRect(10, 20, 40, 60));
    EXPECT_EQ(GetDlgItemRectInParent(&top, 1002), CRect());
    EXPECT_EQ(GetWndRectInParent(&top), CRect(-1, -1, -1, -1));
    EXPECT_EQ(GetWndRight(child), 40);

    // Screen rectangles: a top-level window with its frame, a child where it
    // shows.
    const QPoint origin = top.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(GetWndRect(&top).left, 100);
    EXPECT_GE(GetWndRect(&top).Width(), 400);
    EXPECT_EQ(GetWndRect(child),
              CRect(origin.x() + 10, origin.y() + 20, origin.x() + 40, origin.y() + 60));
    EXPECT_EQ(GetHwndRect(GetWindowHandle(child)), GetWndRect(child));
    EXPECT_EQ(GetHwndRect(0), CRect());
}

TEST(WindowUtilsTest, ChildrenAreListedTopmostFirst) {
    QWidget top;
    auto* a = new QWidget(&top);
    auto* b = new QWidget(&top);
    auto* c = new QWidget(&top);
    std::vector<QWidget*> children;
    ASSERT_TRUE(GetChildWindows(&top, children));
    EXPECT_EQ(children, (std::vector<QWidget*>{c, b, a}));
    a->raise();
    ASSERT_TRUE(GetChildWindows(&top, children));
    EXPECT_EQ(children, (std::vector<QWidget*>{a, c, b}));
    EXPECT_FALSE(GetChildWindows(a, children));
    EXPECT_TRUE(children.empty());
    EXPECT_FALSE(GetChildWindows(nullptr, children));
}

TEST(WindowUtilsTest, TextsAndNumbersOfWindows) {
    QWidget top;
    top.setWindowTitle("Dravik");
    auto* edit = new QLineEdit(" 42 ", &top);
    auto* label = new QLabel(QString::fromUtf8("가 "), &top);
    EXPECT_EQ(GetHwndText(&top), "Dravik");
    EXPECT_EQ(GetHwndText(edit), " 42 ");
    EXPECT_EQ(GetHwndText(edit, TRUE), "42");
    EXPECT_EQ(GetWndTextInt(edit), 42);
    EXPECT_EQ(GetWindowTextInt(GetWindowHandle(edit)), 42);
    EXPECT_EQ(GetHwndText(label), "\xB0\xA1 ");
    EXPECT_EQ(GetHwndText(nullptr), "");
    EXPECT_EQ(GetWindowTextInt(0), 0);
    // A number beyond 32 bits is held at the limit, never wrapped.
    edit->setText("99999999999");
    EXPECT_EQ(GetWndTextInt(edit), 2147483647);
    edit->setText("-99999999999");
    EXPECT_EQ(GetWndTextInt(edit), -2147483647 - 1);
}

TEST(WindowUtilsTest, ClassWindowsAreMadeOnceAndKeepTheirClass) {
    QWidget parent;
    QWidget balloon;
    ASSERT_TRUE(CreateClassWindow(&balloon, "FxBalloonWnd", FALSE, &parent));
    EXPECT_EQ(balloon.parentWidget(), &parent);
    EXPECT_EQ(balloon.geometry(), QRect(0, 0, 0, 0));
    EXPECT_TRUE(balloon.windowTitle().isEmpty());
    EXPECT_FALSE(balloon.isVisible());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(balloon.palette().color(QPalette::Window),
              QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    EXPECT_EQ(GetWindowClassName(&balloon), "FxBalloonWnd");
    EXPECT_EQ(GetWindowClassName(&balloon, TRUE), "fxballoonwnd");

    // A second call leaves the window as it is.
    balloon.resize(50, 60);
    ASSERT_TRUE(CreateClassWindow(&balloon, "Other", TRUE, nullptr));
    EXPECT_EQ(GetWindowClassName(&balloon), "FxBalloonWnd");
    EXPECT_EQ(balloon.parentWidget(), &parent);
    EXPECT_EQ(balloon.size(), QSize(50, 60));
    EXPECT_FALSE(CreateClassWindow(nullptr, "X", FALSE, nullptr));

    QWidget longName;
    CreateClassWindow(&longName, std::string(60, 'N'), FALSE, &parent);
    EXPECT_EQ(GetWindowClassName(&longName), std::string(50, 'N'));
    QLineEdit edit(&parent);  // a control without a class of its own
    EXPECT_EQ(GetWindowClassName(&edit, TRUE), "edit");
    EXPECT_EQ(GetWindowClassName(nullptr), "");
}

TEST(WindowUtilsTest, UncheckingAllButtonsButOne) {
    QCheckBox x, y, z;
    for (QCheckBox* box : {&x, &y, &z}) box->setChecked(true);
    UncheckButtonsExcept({&x, &y, &z}, &y);
    EXPECT_EQ(std::vector<bool>({x.isChecked(), y.isChecked(), z.isChecked()}),
              std::vector<bool>({false, true, false}));

    // Exclusive buttons, by themselves or in a group, are unchecked too.
    QWidget panel;
    auto* a = new QRadioButton(&panel);
    auto* b = new QRadioButton(&panel);
    auto* c = new QRadioButton(&panel);
    b->setChecked(true);
    UncheckButtonsExcept({a, b, c}, c);
    EXPECT_FALSE(b->isChecked());
    QButtonGroup group;
    group.addButton(a);
    group.addButton(c);
    a->setChecked(true);
    UncheckButtonsExcept({a, b, c}, nullptr);
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(group.exclusive());
}

TEST(WindowUtilsTest, InvalidatingChosenChildren) {
    QWidget top;
    top.resize(300, 100);
    auto* first = new CountingWidget(&top);
    auto* second = new CountingWidget(&top);
    auto* other = new CountingWidget(&top);
    auto* inner = new CountingWidget(other);
    CreateClassWindow(first, "Cell", TRUE, &top);
    CreateClassWindow(second, "Cell", TRUE, &top);
    CreateClassWindow(other, "Box", TRUE, &top);
    CreateClassWindow(inner, "Cell", TRUE, other);
    first->setGeometry(0, 0, 50, 50);
    second->setGeometry(60, 0, 50, 50);
    other->setGeometry(120, 0, 100, 100);
    inner->setGeometry(10, 10, 20, 20);
    top.show();
    QApplication::processEvents();
    for (CountingWidget* w : {first, second, other, inner}) w->paints = 0;

    EXPECT_EQ(InvalidateChildren(&top, TRUE, "Cell"), 2);
    QApplication::processEvents();
    EXPECT_GT(first->paints, 0);
    EXPECT_GT(second->paints, 0);
    EXPECT_EQ(other->paints, 0);
    EXPECT_EQ(inner->paints, 0);

    // The filter is exact in case; recursion reaches the inner cell.
    EXPECT_EQ(InvalidateChildren(&top, TRUE, "cell"), 0);
    EXPECT_EQ(InvalidateChildren(&top, TRUE, "Cell|Nothing", TRUE), 3);
    EXPECT_EQ(InvalidateChildren(&top, FALSE, ""), 3);
    EXPECT_EQ(InvalidateChildren(&top, FALSE, "", TRUE), 4);
    EXPECT_EQ(InvalidateChildren(nullptr, FALSE, ""), 0);
}

TEST(WindowUtilsTest, SizeMessagesCarryTheWindowSize) {
    QWidget top;
    auto* child = new CountingWidget(&top);
    child->setGeometry(0, 0, 70, 30);
    top.show();
    QApplication::processEvents();
    child->resizes = 0;
    ASSERT_TRUE(ResendSizeMessage(child, FALSE));
    EXPECT_EQ(child->resizes, 1);
    EXPECT_EQ(child->lastSize, QSize(70, 30));
    ASSERT_TRUE(ResendSizeMessage(child, TRUE));
    EXPECT_EQ(child->resizes, 1);
    QApplication::processEvents();
    EXPECT_EQ(child->resizes, 2);
    EXPECT_FALSE(ResendSizeMessage(nullptr, FALSE));

    child->resizes = 0;
    ReapplyHwndSize(child);
    EXPECT_EQ(child->resizes, 2);
    EXPECT_EQ(child->size(), QSize(70, 30));
}

TEST(WindowUtilsTest, FocusWithinAWindow) {
    QWidget top;
    auto* panel = new QWidget(&top);
    auto* edit = new QLineEdit(panel);
    auto* outside = new QLineEdit(&top);
    top.show();
    QApplication::setActiveWindow(&top);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    EXPECT_TRUE(HasFocusWithin(&top, FALSE));
    EXPECT_TRUE(HasFocusWithin(panel));
    EXPECT_TRUE(HasFocusWithin(edit, TRUE));
    EXPECT_FALSE(HasFocusWithin(edit, FALSE));
    EXPECT_FALSE(HasFocusWithin(outside));
}

TEST(WindowUtilsTest, YesNoQuestion) {
    testsupport::ScriptedUi ui;
    ui.messageAnswers = {IDYES, IDNO};
    EXPECT_EQ(AskYesNo("Delete the form?", "WARNING !!"), 1);
    EXPECT_EQ(AskYesNo("Delete the form?", "WARNING !!"), 0);
    EXPECT_EQ(ui.messages.at(0).type, MB_YESNO | MB_ICONQUESTION);
}

class FileDialogTest : public ::testing::Test {
protected:
    void TearDown() override { FxSharedValues().CloseAllHandles(); }
};

TEST_F(FileDialogTest, FilterFollowsTheProcessLanguage) {
    // No language published: Korean.
    const std::string korean = "\xB8\xF0\xB5\xE7 \xC6\xC4\xC0\xCF";
    EXPECT_EQ(A("모든 파일"), korean);
    EXPECT_EQ(MakeBrowseFilter("Project file", "dvk"),
              "Project file(*.dvk)|*.dvk|" + korean + "(*.*)|*.*||");
    FxSharedValues().InitLanguage("eng");
    EXPECT_EQ(MakeBrowseFilter("Project file", "dvk"),
              "Project file(*.dvk)|*.dvk|All files(*.*)|*.*||");
    // The description is cut at its first "(".
    EXPECT_EQ(MakeBrowseFilter("Images (*.bmp) (old)", "bmp/jpg//png"),
              "Images (*.bmp;*.jpg;*.png)|*.bmp;*.jpg;*.png|All files(*.*)|*.*||");
    EXPECT_EQ(MakeBrowseFilter("", "dvk"), "All files(*.*)|*.*||");
    EXPECT_EQ(MakeBrowseFilter("Project file", ""), "All files(*.*)|*.*||");
}

TEST_F(FileDialogTest, ChosenPathOrEmpty) {
    testsupport::ScriptedUi ui;
    FxSharedValues().InitLanguage("eng");
    ui.fileAnswers = {std::string("/home/u/form.dkf"), std::nullopt};
    EXPECT_EQ(BrowseFileDialog(FALSE, "Form file", "dkf", "/home/u", "form.dkf"),
              "/home/u/form.dkf");
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.fileRequests[0].save);
    EXPECT_EQ(ui.fileRequests[0].initialPath, "/home/u/form.dkf");
    EXPECT_EQ(ui.fileRequests[0].filter, "Form file(*.dkf)|*.dkf|All files(*.*)|*.*||");
    EXPECT_EQ(BrowseFileDialog(TRUE, "Form file", "dkf", "/home/u/"), "");
    EXPECT_FALSE(ui.fileRequests[1].save);
    EXPECT_EQ(ui.fileRequests[1].initialPath, "/home/u/");
}

TEST(DroppedFilesTest, OnlyLocalFilesCount) {
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile("/tmp/a.dvk"), QUrl("http://example.com/x"),
                  QUrl::fromLocalFile(QString::fromUtf8("/tmp/가.dkf"))});
    std::vector<std::string> files{"old"};
    EXPECT_EQ(GetDroppedFiles(&drop, files), 2);
    EXPECT_EQ(files, (std::vector<std::string>{"/tmp/a.dvk", "/tmp/\xB0\xA1.dkf"}));
    QMimeData none;
    EXPECT_EQ(GetDroppedFiles(&none, files), 0);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(GetDroppedFiles(nullptr, files), 0);
}
