// The property host and its panels inside a started main frame on a real
// working slot: which panel shows, what each control records, the script
// edit, and the definable-character panel as the character editor's host.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <cctype>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chareditor/dlggjpedit.h"
#include "chareditor/dlggjplist.h"
#include "chareditor/dtrmwindow.h"
#include "design/frames/dlgxfdnchar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgscriptedit.h"
#include "design/frames/dsgxfframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsghdata.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/lcdfont.h"
#include "foundation/fxbutton.h"
#include "foundation/fxutils.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

constexpr int kDot = 10000;

std::string Bytes(const CRevolver& buffer) {
    std::string bytes(static_cast<size_t>(buffer.GetLength()), '\0');
    if (!bytes.empty()) buffer.ReadAt(bytes.data(), buffer.GetLength(), 0);
    return bytes;
}

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearIniCache();
        SetKoreanUIForTest(0);
        dir = testsupport::MakeTempFolder("slot");
        host = std::make_unique<QWidget>();
        host->resize(1000, 600);
        SetMessageHandler(host.get(), WM_DSG_DESIGNCHANGED, [this](WPARAM, LPARAM) {
            ++designChanges;
            return 0;
        });
        SetTickSource([this] { return tick; });
    }
    void TearDown() override {
        SetTickSource({});
        host.reset();
        SetKoreanUIForTest(-1);
        SetKeyStyle(KEYSTYLE_LONG);
    }
    void Start() {
        SetKeyStyle(KEYSTYLE_SHORT);
        CDsgGOption options;
        options.SetDefaultGOption();
        options.SetInt(GOPT_LMWIDTH, 128);
        options.SetInt(GOPT_LMHEIGHT, 64);
        options.ToFile();
        frame = new CDsgMainFrame(host.get());
        frame->setGeometry(0, 0, 1000, 600);
        ASSERT_EQ(frame->InitMainFrame(0, 1, dir, 1, host.get(), "1"), 1);
        host->show();
        ASSERT_TRUE(CDsgLSDAction().LSDReset(TRUE, TRUE, FALSE, TRUE));
    }
    CDsgDSPFrame& Page() { return *frame->GetDSPFrame(); }
    CDsgXFFrame& Host() { return *frame->GetXFFrame(); }
    int Make(int kind, int n = 0) {
        const CRect rect(kDot * (1 + 20 * n), kDot, kDot * (17 + 20 * n), 17 * kDot);
        const int id = dsgtesting::AppendCreationDrag(Page(), kind, rect, Page().GetWOEUTProps());
        Page().RebuildWObjs();
        return id;
    }
    void Choose(const std::set<int>& ids) {
        Page().WOChoose(ids, TRUE);
        frame->SRefreshSREvent(3);
    }
    std::string Attr(int id, const char* key) {
        const CDsgUTProps& props = *Page().GetWObjById(id);
        return props.GetString(key);
    }
    const CDsgEAction& Last() { return *Page().GetEAction(Page().GetEACount() - 1); }

    testsupport::ScriptedUi ui;
    std::string dir;
    std::unique_ptr<QWidget> host;
    CDsgMainFrame* frame = nullptr;
    int designChanges = 0;
    DWORD tick = 1000;
};

TEST_F(PanelsTest, EachChoiceShowsItsPanel) {
    Start();
    struct Case {
        const char* name;
        std::vector<int> kinds;
        int panel;  // index in the host's list, -1 none
        bool rightAngle;
    };
    const std::vector<Case> cases = {
        {"line and box", {nDSG_WOKIND__WOLINE, nDSG_WOKIND__WOBOX}, 0, false},
        {"one line", {nDSG_WOKIND__WOLINE}, 0, true},
        {"ellipse", {nDSG_WOKIND__WOELLIPSE}, 0, false},
        {"text", {nDSG_WOKIND__WOTEXT}, 2, false},
        {"menu", {nDSG_WOKIND__WOMENU}, 2, false},
        {"PC-font text", {nDSG_WOKIND__WOPTEXT}, 3, false},
        {"clip", {nDSG_WOKIND__WOJCLIP}, 4, false},
        {"definable character", {nDSG_WOKIND__WODNCHAR}, 5, false},
        {"image", {nDSG_WOKIND__WOIMAGE}, 1, false},
        {"text and box", {nDSG_WOKIND__WOTEXT, nDSG_WOKIND__WOBOX}, -1, false},
        {"nothing", {}, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page().SPClear(0, 0);
        std::set<int> ids;
        for (size_t i = 0; i < c.kinds.size(); ++i) ids.insert(Make(c.kinds[i], int(i)));
        Page().ResetWOChoice();
        if (!ids.empty()) Choose(ids);
        frame->SRefreshSREvent(3);
        QWidget* expected = c.panel < 0 ? nullptr : Host().GetPanels()[size_t(c.panel)];
        EXPECT_EQ(Host().GetShownPanel(), expected);
        for (QWidget* panel : Host().GetPanels())
            if (panel) {
                EXPECT_EQ(panel->isVisible(), panel == expected);
                // Inside the host, never a window of its own.
                EXPECT_FALSE(panel->isWindow());
            }
        if (c.panel == 0) {
            EXPECT_EQ(Host().GetDotLinePanel()->GetRightAngleButton()->isEnabled(), c.rightAngle);
        }
    }
    // The space length of ellipses alone is off.
    EXPECT_FALSE(Host().GetDotLinePanel()->GetSpaceSlider()->isEnabled());
}

TEST_F(PanelsTest, HintsPerToolAreExact) {
    const std::string draw =
        "Use Mouse+Ctrl key to draw squared ones.\r\nUse Mouse+Shift key to draw symmetrical ones.";
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "Use tab key to select neighbor ones."},
        {1, draw},
        {2, draw + "\r\nUse Mouse+ALT key to draw continuous lines.\r\n"
                   "Thick and dotted lines do not appear correctly on Windows 98 PC screen."},
        {3, draw},
        {5, draw + "\r\nDotted circles are not supported."},
        {6, draw},
        {100, draw + "\r\nYou can create up to 100 menus.\r\nMenu is valid only for Tavio."},
        {7, ""},
        {-1, ""},
    };
    for (const auto& [tool, text] : cases) EXPECT_EQ(CDsgXFFrame::GetToolHints(tool), text) << tool;
    Start();
    Page().SetWOETool(2);
    EXPECT_EQ(Host().GetHintTool(), 2);
}

TEST_F(PanelsTest, DotSizeDragPreviewsLiveAndRecordsOnceOnRelease) {
    Start();
    const int line = Make(nDSG_WOKIND__WOLINE);
    Choose({line});
    CDlgXFDotLine& panel = *Host().GetDotLinePanel();
    QSlider& slider = *panel.GetSizeSlider();
    Page().GetWOEUTProps().SetString(szUTP_DTSIZE, "1");
    frame->SRefreshSREvent(3);
    ASSERT_EQ(slider.value(), 1);
    const std::string original = Attr(line, szUTP_DTSIZE);
    const int actions = Page().GetEACount();
    const int changes = designChanges;
    slider.setSliderDown(true);
    for (int v = 2; v <= 5; ++v) {
        slider.setSliderPosition(v);
        EXPECT_EQ(Attr(line, szUTP_DTSIZE), std::to_string(v));
        EXPECT_EQ(panel.GetSizeEdit()->text().toStdString(), std::to_string(v));
        EXPECT_EQ(Page().GetEACount(), actions);
    }
    slider.setSliderDown(false);
    EXPECT_EQ(Page().GetEACount(), actions + 1);
    EXPECT_EQ(Last().m_strWOATPKey, szUTP_DTSIZE);
    EXPECT_EQ(Last().m_strWOATPValue, "5");
    EXPECT_EQ(designChanges - changes, 1);
    EXPECT_EQ(Page().GetWOEUTProps().GetString(szUTP_DTSIZE), "5");
    Page().UndoEActionAndSRefresh();
    EXPECT_EQ(Attr(line, szUTP_DTSIZE), original);

    // A key step is a change of its own.
    Choose({line});
    slider.setFocus();
    const int start = slider.value();
    const int stepBefore = Page().GetCurrentEAIndex();
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(Page().GetCurrentEAIndex(), stepBefore + 1);
    EXPECT_EQ(Attr(line, szUTP_DTSIZE), std::to_string(start + 1));
}

TEST_F(PanelsTest, TypedValuesAreHeldToTheirRanges) {
    Start();
    const int line = Make(nDSG_WOKIND__WOLINE);
    const int pc = Make(nDSG_WOKIND__WOPTEXT, 1);
    CDlgXFDotLine& dots = *Host().GetDotLinePanel();
    CDlgXFPCText& pcText = *Host().GetPCTextPanel();
    struct Case {
        const char* name;
        int target;  // 0 dot size, 1 space, 2 PC-font size
        const char* typed;
        const char* recorded;  // null: nothing recorded
        bool note;
    };
    const std::vector<Case> cases = {
        {"size", 0, "7", "7", false},
        {"negative size", 0, "-3", "0", true},
        {"huge size", 0, "100000", "25", true},
        {"size beyond long", 0, "99999999999999999999", "25", true},
        {"size in words", 0, "abc", nullptr, true},
        {"zero space", 1, "0", "1", true},
        {"space", 1, "12", "12", false},
        {"space in words", 1, "x", nullptr, true},
        {"giant font", 2, "100000", "400", true},
        {"zero font", 2, "0", "1", true},
        {"font", 2, "48", "48", false},
        {"font in words", 2, "big", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Choose({c.target == 2 ? pc : line});
        const int actions = Page().GetEACount();
        CDlgXFPanel& panel = c.target == 2 ? static_cast<CDlgXFPanel&>(pcText) : dots;
        if (c.target == 2) {
            pcText.GetSizeCombo()->setFocus();
            pcText.GetSizeCombo()->lineEdit()->selectAll();
            QTest::keyClicks(pcText.GetSizeCombo()->lineEdit(), c.typed);
        } else {
            QLineEdit* edit = c.target == 0 ? dots.GetSizeEdit() : dots.GetSpaceEdit();
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, c.typed);
        }
        const char* key = c.target == 0   ? szUTP_DTSIZE
                          : c.target == 1 ? szUTP_DTSPACE
                                          : szUTP_PTSIZE;
        const int id = c.target == 2 ? pc : line;
        const std::string shown =
            c.target == 2
                ? pcText.GetSizeCombo()->currentText().toStdString()
                : (c.target == 0 ? dots.GetSizeEdit() : dots.GetSpaceEdit())->text().toStdString();
        if (c.recorded) {
            EXPECT_EQ(Attr(id, key), c.recorded);
            EXPECT_EQ(shown, c.recorded);
            EXPECT_EQ(Page().GetWOEUTProps().GetString(key), c.recorded);
        } else {
            // Words reach nothing; the field shows the value in force.
            EXPECT_EQ(Page().GetEACount(), actions);
            EXPECT_EQ(shown, Page().GetWOEUTProps().GetString(key));
        }
        EXPECT_EQ(!panel.GetClampNote().empty(), c.note);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PanelsTest, ChecksRecordTheirKeysAntiAliasToo) {
    Start();
    const int pc = Make(nDSG_WOKIND__WOPTEXT);
    Choose({pc});
    CDlgXFPCText& panel = *Host().GetPCTextPanel();
    const std::vector<std::pair<int, const char*>> cases = {
        {1012, szUTP_PTITALIC},    {1013, szUTP_PTUNDERLINED},  {1014, szUTP_PTSTRUCKOUT},
        {1019, szUTP_PTANTIALIAS}, {1021, szUTP_PTTRANSPARENT}, {1022, szUTP_PTWORDBREAK},
        {1023, szUTP_PTHCENTER},
    };
    for (const auto& [id, key] : cases) {
        SCOPED_TRACE(key);
        QCheckBox* box = panel.GetCheck(id);
        ASSERT_NE(box, nullptr);
        const std::string before = Attr(pc, key);
        const int actions = Page().GetEACount();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        EXPECT_EQ(Page().GetEACount(), actions + 1);
        EXPECT_EQ(Last().m_strWOATPKey, key);
        EXPECT_NE(Attr(pc, key), before);
        EXPECT_EQ(Page().GetWOEUTProps().GetString(key), Attr(pc, key));
    }
    ui.colorAnswers.push_back(RGB(1, 2, 3));
    QTest::mouseClick(panel.GetColorButton(), Qt::LeftButton);
    EXPECT_EQ(Attr(pc, szUTP_PTBKCOLOR), std::to_string(RGB(1, 2, 3)));
}

TEST_F(PanelsTest, CombosInBothLanguages) {
    struct Case {
        int korean;
        std::vector<std::string> widths;
        const char* sizeLabel;
        bool firstBold;
    };
    const std::vector<Case> cases = {
        {0, {"Fixed Width", "Variable Width"}, "Size", false},
        {1, {"고정폭", "가변폭"}, "Korean", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.korean);
        SetKoreanUIForTest(c.korean);
        host = std::make_unique<QWidget>();
        Start();
        CDlgXFText& panel = *Host().GetTextPanel();
        const int text = Make(nDSG_WOKIND__WOTEXT);
        Choose({text});
        ASSERT_EQ(panel.GetWidthCombo()->count(), 2);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(panel.GetWidthCombo()->itemText(i).toStdString(), c.widths[size_t(i)]);
        EXPECT_EQ(panel.GetSizeLabel()->text().toStdString(), c.sizeLabel);
        EXPECT_EQ(panel.GetBoldCheck(0)->isVisibleTo(&panel), c.firstBold);
        QComboBox& sizes = *panel.GetSizeCombo();
        EXPECT_EQ(sizes.count(), c.korean ? nDSG_LCDFONT_COUNT : 4);
        // Every position records its font index and fills back to itself.
        for (int position = 0; position < sizes.count(); ++position) {
            const int index = c.korean ? position : std::vector<int>{0, 2, 6, 8}[size_t(position)];
            sizes.setCurrentIndex(position);
            emit sizes.activated(position);
            EXPECT_EQ(Attr(text, szUTP_KRNFINDEX), std::to_string(index));
            sizes.setCurrentIndex(0);
            frame->SRefreshSREvent(3);
            EXPECT_EQ(sizes.currentIndex(), position);
        }
        EXPECT_EQ(panel.GetStyleCombo()->itemText(2).toStdString(), "Shadowed Box");
        host.reset();
    }
    // Font indexes between the English positions fill the nearest below.
    const std::vector<std::pair<int, int>> fills = {{0, 0}, {1, 0}, {2, 1}, {5, 1},
                                                    {6, 2}, {7, 2}, {8, 3}, {9, 9}};
    for (const auto& [index, position] : fills)
        EXPECT_EQ(CDlgXFText::KrnIndexToPosition(index, FALSE), position) << index;
}

TEST_F(PanelsTest, ExchangeMenuIndexSwapsTheTwoOrders) {
    Start();
    const int a = Make(nDSG_WOKIND__WOMENU, 0);
    const int b = Make(nDSG_WOKIND__WOMENU, 1);
    CDlgXFText& panel = *Host().GetTextPanel();
    Choose({a});
    EXPECT_FALSE(panel.GetExchangeButton()->isEnabled());
    Choose({a, b});
    ASSERT_TRUE(panel.GetExchangeButton()->isEnabled());
    EXPECT_EQ(panel.GetOrderStatic()->text().toStdString(), "0 & 1");
    const int actions = Page().GetEACount();
    const int changes = designChanges;
    QTest::mouseClick(panel.GetExchangeButton(), Qt::LeftButton);
    EXPECT_EQ(Attr(a, szUTP_WONORDER), "1");
    EXPECT_EQ(Attr(b, szUTP_WONORDER), "0");
    EXPECT_EQ(panel.GetOrderStatic()->text().toStdString(), "1 & 0");
    EXPECT_EQ(Page().GetEACount(), actions);
    EXPECT_EQ(designChanges - changes, 1);
}

TEST_F(PanelsTest, ScriptEditRecordsEveryChangeMergingQuickTyping) {
    Start();
    const int a = Make(nDSG_WOKIND__WOTEXT, 0);
    const int b = Make(nDSG_WOKIND__WOTEXT, 1);
    CDlgXFText& panel = *Host().GetTextPanel();
    CDsgScriptEdit& edit = *panel.GetTextEdit();
    Choose({a});
    ASSERT_TRUE(edit.isVisibleTo(&panel));
    edit.setFocus();
    edit.selectAll();
    const int actions = Page().GetEACount();
    const int changes = designChanges;
    QTest::keyClick(&edit, Qt::Key_A);
    tick += 399;
    QTest::keyClick(&edit, Qt::Key_B);
    EXPECT_EQ(Page().GetEACount(), actions + 1);
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT), "ab");
    EXPECT_EQ(designChanges - changes, 2);  // each recorded change is told
    tick += 400;
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_C);
    EXPECT_EQ(Page().GetEACount(), actions + 2);
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT), "ab\r\nc");

    // An input-method commit.
    tick += 1000;
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("한"));
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT), "ab\r\nc" + A("한"));

    // A paste (what the edit's mouse menu runs) and Delete edit text only.
    tick += 1000;
    QApplication::clipboard()->setText("xy");
    edit.paste();
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT), "ab\r\nc" + A("한") + "xy");
    const int objects = Page().GetWObjCount();
    tick += 1000;
    edit.moveCursor(QTextCursor::Start);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(Page().GetWObjCount(), objects);
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT).substr(0, 3), "b\r\n");

    // Quick typing after a change of object does not merge into the other's.
    Choose({b});
    edit.setFocus();
    edit.moveCursor(QTextCursor::End);
    const int before = Page().GetEACount();
    tick += 10;
    QTest::keyClick(&edit, Qt::Key_Z);
    EXPECT_EQ(Page().GetEACount(), before + 1);
    EXPECT_EQ(Attr(b, szUTP_LSCRIPT).back(), 'z');
    EXPECT_EQ(Attr(a, szUTP_LSCRIPT).substr(0, 3), "b\r\n");

    // Leaving the edit tells nothing more: a project saved since the last
    // key stays unchanged.
    const int told = designChanges;
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&edit, &out);
    EXPECT_EQ(designChanges, told);
}

TEST_F(PanelsTest, PanelKeysGoToThePageAsTheyShould) {
    Start();
    const int text = Make(nDSG_WOKIND__WOTEXT);
    Choose({text});
    CDlgXFText& panel = *Host().GetTextPanel();
    const int objects = Page().GetWObjCount();
    // Delete from a combo reaches the page, which deletes only with its own
    // focus; Esc keeps the panel up.
    panel.GetSizeCombo()->setFocus();
    QTest::keyClick(panel.GetSizeCombo(), Qt::Key_Delete);
    QTest::keyClick(panel.GetSizeCombo(), Qt::Key_Escape);
    EXPECT_EQ(Page().GetWObjCount(), objects);
    EXPECT_TRUE(panel.isVisible());
    // The content edit keeps its own editing keys: Ctrl+A selects its text,
    // Ctrl+Z undoes its typing; the page's choice stays.
    CDsgScriptEdit& edit = *panel.GetTextEdit();
    edit.setFocus();
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&edit, "c");
    EXPECT_EQ(edit.toPlainText(), "c");
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit.toPlainText(), "ab");
    EXPECT_EQ(Page().GetWOCHCount(), 1);
}

// Records read from damaged files may hold anything: every panel fills from
// them without harm, and the controls stay within their ranges.
TEST_F(PanelsTest, AbsurdRecordValuesFillEveryPanel) {
    Start();
    const std::vector<const char*> values = {
        "abc", "-1", "100000", "99999999999999999999", "", "2147483648", "-2147483649"};
    const int kinds[] = {nDSG_WOKIND__WOLINE, nDSG_WOKIND__WOTEXT, nDSG_WOKIND__WOMENU,
                         nDSG_WOKIND__WOPTEXT, nDSG_WOKIND__WODNCHAR};
    std::set<int> ids;
    for (int i = 0; i < 5; ++i) ids.insert(Make(kinds[i], i));
    CDlgXFDotLine& dots = *Host().GetDotLinePanel();
    for (const char* value : values) {
        SCOPED_TRACE(value);
        CDsgUTProps& record = Page().GetWOEUTProps();
        for (const char* key :
             {szUTP_DTSIZE, szUTP_DTSPACE, szUTP_CSWITCH, szUTP_KRNFINDEX, szUTP_ALNFINDEX,
              szUTP_BSTATE, szUTP_WONSTYLE, szUTP_PTSIZE, szUTP_PTFACE, szUTP_PTTHICKNESS,
              szUTP_PTBKCOLOR, szUTP_DIRNCACHAR, szUTP_IS_INVERSED, szUTP_PTITALIC})
            record.SetString(key, value);
        const int actions = Page().GetEACount();
        for (int id : ids) {
            Choose({id});
            EXPECT_GE(dots.GetSizeSlider()->value(), 0);
            EXPECT_LE(dots.GetSizeSlider()->value(), 25);
            EXPECT_GE(dots.GetSpaceSlider()->value(), 1);
        }
        // Filling records nothing.
        EXPECT_EQ(Page().GetEACount(), actions);
    }
    EXPECT_TRUE(ui.messages.empty());
}

// ---- The definable-character panel ----------------------------------------

class CharPanelTest : public PanelsTest {
protected:
    CDtrMWindow& Editor() { return Host().GetDNCharPanel()->GetMWindow(); }
    std::string SetBytes() {
        CRevolver buffer;
        Editor().GGJPixelToRevolver(buffer);
        return Bytes(buffer);
    }
    void AddChar(int code) {
        auto c = std::make_unique<CDtrGJPixel>();
        c->nccode = code;
        c->SetJPixel(code & 0xFF, CDtrGJPixel::GJP_INK);
        Editor().AddGJPixel(std::move(c));
    }
};

TEST_F(CharPanelTest, TheFrameKeepsItsSetInTheEditor) {
    Start();
    EXPECT_EQ(frame->GetGGJPixel(), static_cast<CDtrGGJPixel*>(&Editor()));
    EXPECT_EQ(frame->GetProjectGGJPixel(), frame->GetGGJPixel());
    EXPECT_EQ(Editor().objectName().toStdString(), "XFDNChar");
    EXPECT_EQ(Editor().GetHostWnd(), Host().GetDNCharPanel());
    AddChar(0xDB30);
    frame->RefillGJPListView();
    EXPECT_EQ(Editor().GetGJPList().findChildren<QListWidget*>().value(0)->count(), 1);
}

TEST_F(CharPanelTest, EveryChangeOfTheSetIsWrittenAndTold) {
    Start();
    const std::string path = dir + "/irggjp.dat";
    const int dn = Make(nDSG_WOKIND__WODNCHAR);
    Choose({dn});
    struct Case {
        int code;
        WPARAM wParam;
    };
    for (const Case& c : std::vector<Case>{{0xDB30, 0}, {0xDB31, 1}, {0xDB32, 0}}) {
        SCOPED_TRACE(c.code);
        AddChar(c.code);
        Editor().eirncachar = c.code;
        const int changes = designChanges;
        const int actions = Page().GetEACount();
        Editor().SendToHost(WM_DTR_GIRNCALTER, c.wParam);
        EXPECT_EQ(testsupport::ReadFileBytes(path), SetBytes());
        // The set's notice, and with wParam the recorded amendment's.
        EXPECT_EQ(designChanges - changes, c.wParam ? 2 : 1);
        EXPECT_EQ(Page().GetEACount(), actions + (c.wParam ? 1 : 0));
        if (c.wParam) {
            EXPECT_EQ(Attr(dn, szUTP_DIRNCACHAR), std::to_string(c.code));
            EXPECT_EQ(Page().GetWOEUTProps().GetString(szUTP_DIRNCACHAR), std::to_string(c.code));
        }
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CharPanelTest, AFailedWriteIsShownAndTheProjectSaveWritesAgain) {
    Start();
    const std::string path = dir + "/irggjp.dat";
    std::remove(path.c_str());
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);  // no file can be written there
    AddChar(0xDB30);
    const int changes = designChanges;
    Editor().SendToHost(WM_DTR_GIRNCALTER, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Save Failure");
    EXPECT_EQ(designChanges - changes, 1);

    rmdir(path.c_str());
    ASSERT_TRUE(CDsgLSDAction().LSSave(dir + "/p.dvk", CFxRevPropStore()));
    EXPECT_EQ(testsupport::ReadFileBytes(path), SetBytes());
}

TEST_F(CharPanelTest, BadCodesAndBadBuffersChangeNothing) {
    Start();
    for (const char* text : {"abc", "2147483648", "-2147483649", "", "12x"}) {
        Page().GetWOEUTProps().SetString(szUTP_DIRNCACHAR, text);
        frame->SRefreshSREvent(3);
        EXPECT_EQ(Editor().eirncachar, -1) << text;
    }
    Page().GetWOEUTProps().SetString(szUTP_DIRNCACHAR, "56112");
    frame->SRefreshSREvent(3);
    EXPECT_EQ(Editor().eirncachar, 56112);

    // Objects in the copy buffer: a character paste leaves the character.
    const int box = Make(nDSG_WOKIND__WOBOX);
    Choose({box});
    Page().OnCopy();
    AddChar(0xDB30);
    CDlgGJPEdit edit(Editor().GetGJPList(), Editor().GetGJPixelAt(0), 0xDB30);
    CRevolver before, after;
    edit.GetGJPixel().ToGJPFruit(before);
    Editor().SendToHost(WM_DTR_GJPCANPASTE, reinterpret_cast<WPARAM>(&edit));
    EXPECT_EQ(edit.GetCanPaste(), 0);
    Editor().SendToHost(WM_DTR_GJPPASTE, reinterpret_cast<WPARAM>(&edit));
    edit.GetGJPixel().ToGJPFruit(after);
    EXPECT_EQ(Bytes(after), Bytes(before));
    EXPECT_TRUE(ui.messages.empty());

    // Copy, then paste into a blank character.
    Editor().SendToHost(WM_DTR_GJPCOPY, reinterpret_cast<WPARAM>(&edit));
    edit.GetGJPixel().GJPClear();
    Editor().SendToHost(WM_DTR_GJPCANPASTE, reinterpret_cast<WPARAM>(&edit));
    EXPECT_EQ(edit.GetCanPaste(), 1);
    Editor().SendToHost(WM_DTR_GJPPASTE, reinterpret_cast<WPARAM>(&edit));
    EXPECT_EQ(edit.GetGJPixel().GetJPixel(0x30 % 16, 0x30 / 16), CDtrGJPixel::GJP_INK);

    // Without a dialog: the two messages.
    Editor().SendToHost(WM_DTR_GJPCOPY, 0);
    Editor().SendToHost(WM_DTR_GJPPASTE, 0);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, "Copy Failure");
    EXPECT_EQ(ui.messages[1].text, "Cannot paste pixel data from clipboard.");
}

// Every label of every panel shows its whole text, in both languages.
TEST_F(PanelsTest, LabelsShowTheirWholeText) {
    for (int korean : {0, 1}) {
        SetKoreanUIForTest(korean);
        host = std::make_unique<QWidget>();
        host->resize(1000, 600);
        Start();
        for (QWidget* panel : Host().GetPanels()) {
            if (!panel) continue;
            for (QLabel* label : panel->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || label->objectName() == "ClampNote") continue;
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << "panel " << GetDlgCtrlID(panel) << ": " << label->text().toStdString()
                    << (korean ? " (Korean)" : "");
            }
        }
    }
}
}  // namespace
