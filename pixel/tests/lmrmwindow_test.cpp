// The host window: its children, layout and option files, and its shutdown
// while every worker job runs, including a notice fetch that never ends.

#include "pixel/lmrmwindow.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "foundation/fxwindowslayout.h"
#include "foundation/pixel/fxnoticebar.h"
#include "localhttpserver.h"
#include "pixel/dlglmrcode.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"
#include "platform/testing/testsupport.h"
#include "platform/window.h"
#include "viewstesting.h"

namespace {

using testsupport::LocalHttpServer;

class MWindowTest : public ::testing::Test {
protected:
    MWindowTest() {
        viewtest::ResetOptions();
        std::filesystem::remove(CLmrMWindow::GetOptionFilePath());
        std::filesystem::remove(CLmrMWindow::GetLayoutFilePath());
        setenv("DRAVIK_NOTICE_URL",
               LocalHttpServer::RefusedAddress(CFxNoticeBar::kScriptPath).c_str(), 1);
    }
    ~MWindowTest() override {
        unsetenv("DRAVIK_NOTICE_URL");
        viewtest::ResetOptions();
    }
    std::unique_ptr<CLmrMWindow> Make() {
        auto window = std::make_unique<CLmrMWindow>();
        window->resize(1100, 760);
        window->show();
        QApplication::processEvents();
        return window;
    }
    testsupport::ScriptedUi ui;
};

TEST_F(MWindowTest, HoldsItsChildrenByTheirIdsAndReachesTheEngine) {
    auto window = Make();
    for (int id : {28000, 28001, 28020, 28021, 2848, 2849})
        EXPECT_NE(GetDlgItem(window.get(), id), nullptr) << id;
    EXPECT_EQ(LmrMWindow(), window.get());
    EXPECT_EQ(LmrOGJPWindow(), window->GetOGJPWindow());
    EXPECT_EQ(LmrEGJPWindow(), window->GetEGJPWindow());
    EXPECT_EQ(LmrOGJPCanvas(), window->GetOGJPWindow());
    EXPECT_EQ(window->GetSplitViews()->GetFirstMinimum(), 100);
    EXPECT_EQ(window->GetSplitViews()->GetSecondMinimum(), 100);
    EXPECT_GE(window->GetSplitCode()->GetFirstMinimum(), 100);
    EXPECT_EQ(window->GetSplitCode()->GetSecondMinimum(), 150);
    EXPECT_TRUE(window->GetOGJPWindow()->isVisible());
    EXPECT_TRUE(window->GetEGJPWindow()->isVisible());
    window.reset();
    EXPECT_EQ(LmrMWindow(), nullptr);
    EXPECT_EQ(LmrOGJPCanvas(), nullptr);
}

// The dialogs register themselves as the library loads; the host window must
// make the real ones, not the empty stand-ins.
TEST_F(MWindowTest, MakesTheRegisteredCodeAndAddTextDialogs) {
    auto window = Make();
    QWidget* code = GetDlgItem(window.get(), CLmrMWindow::IDD_CODE);
    ASSERT_NE(code, nullptr);
    EXPECT_NE(dynamic_cast<CDlgLmrCode*>(code), nullptr);
    EXPECT_TRUE(code->isVisible());
    EXPECT_TRUE(static_cast<bool>(LmrAddTextDialogFactory()));
}

TEST_F(MWindowTest, PanesKeepTheirMinimumsWhateverTheSize) {
    auto window = Make();
    const QPoint bars(window->GetSplitViews()->x(), window->GetSplitCode()->y());
    // Grown back, the bars stand where they stood before.
    for (QSize size : {QSize(1100, 760), QSize(300, 350), QSize(2000, 400), QSize(400, 350),
                       QSize(150, 120), QSize(1100, 760)}) {
        window->resize(size);
        QApplication::processEvents();
        EXPECT_GE(window->GetOGJPWFrame()->width(), 100) << size.width();
        EXPECT_GE(window->GetEGJPWFrame()->width(), 100) << size.width();
        EXPECT_GE(window->GetOGJPWFrame()->height(), 100) << size.height();
        EXPECT_GE(window->GetCodeDialog()->height(), 150) << size.height();
        EXPECT_GT(window->GetOGJPWindow()->height(), 0) << size.height();
    }
    EXPECT_EQ(QPoint(window->GetSplitViews()->x(), window->GetSplitCode()->y()), bars);
}

TEST_F(MWindowTest, InitReadsOptionsOverDefaultsAndResetsTheWholeCanvasZoom) {
    CLmrGOption saved;
    saved.SetDefaults();
    saved.SetInt("ejpbreadth", 7);
    saved.SetInt("ojpbreadth", 9);
    saved.SetInt("omlegjpleft", 4);
    ASSERT_TRUE(saved.SaveToFile(CLmrMWindow::GetOptionFilePath()));
    auto window = Make();
    window->InitMWindow(window.get());
    EXPECT_TRUE(window->IsInitialised());
    EXPECT_EQ(LmrOpt().ejpbreadth, 7);
    EXPECT_EQ(LmrOpt().omlegjpleft, 4);
    EXPECT_EQ(LmrOpt().ojpbreadth, 1);
}

// The code dialog's fields show what the file holds, even when its timer
// stored the fields it had before the file was read.
TEST_F(MWindowTest, TheCodeDialogShowsTheStartCodeAndIndentRead) {
    CLmrGOption saved;
    saved.SetDefaults();
    saved.SetString("tnccode", "0041");
    saved.SetInt("shfdindent", 2);
    ASSERT_TRUE(saved.SaveToFile(CLmrMWindow::GetOptionFilePath()));
    auto window = Make();
    auto* code = static_cast<CDlgLmrCode*>(window->GetCodeDialog());
    code->SetStale();
    FireTimerForTest(code, CDlgLmrCode::TIMER_REFRESH);
    window->InitMWindow(window.get());
    auto field = [&](int id) {
        return static_cast<QLineEdit*>(GetDlgItem(code, id))->text().toStdString();
    };
    EXPECT_EQ(field(CDlgLmrCode::IDC_STARTCODE) + "|" + field(CDlgLmrCode::IDC_INDENT), "0041|2");
    FireTimerForTest(code, CDlgLmrCode::TIMER_REFRESH);
    EXPECT_EQ(code->GetShownCode().rfind("\t\tDEFCHR &H41,", 0), 0u) << code->GetShownCode();
    EXPECT_EQ(LmrGOption().GetString("tnccode"), "0041");
}

// Values of a damaged file are the defaults before any window shows: the
// code dialog's first showing refuses no field, and no box opens.
TEST_F(MWindowTest, BadValuesReadAreDefaultsBeforeTheFirstShow) {
    CFxRevPropStore bad;
    bad.SetString("tnccode", "ZZ");
    bad.SetInt("shfdindent", 12);
    bad.SetString("UJPT.fntsize", "big");
    bad.SetInt("mlegjpwidth", 40);
    bad.SetInt("ejpbreadth", 0);
    ASSERT_TRUE(bad.ToFile(CLmrMWindow::GetOptionFilePath()));
    auto window = std::make_unique<CLmrMWindow>();
    window->InitMWindow(window.get());
    EXPECT_EQ(LmrGOption().GetString("tnccode") + "|" + LmrGOption().GetString("UJPT.fntsize"),
              "DB30|12");
    EXPECT_EQ(LmrGOption().GetInt("shfdindent", -1), 0);
    EXPECT_EQ(LmrOpt().mlegjpwidth, 2);
    EXPECT_EQ(LmrOpt().ejpbreadth, 13);
    window->show();
    QApplication::processEvents();
    FireTimerForTest(window->GetCodeDialog(), CDlgLmrCode::TIMER_REFRESH);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(static_cast<CDlgLmrCode*>(window->GetCodeDialog())
                  ->GetShownCode()
                  .rfind("DEFCHR &HDB30,", 0),
              0u);
}

TEST_F(MWindowTest, DamagedOptionAndLayoutFilesGiveDefaults) {
    const std::string damaged[] = {"", "garbage", std::string(5000, '\xff'),
                                   "2848=-90000,-5,3,7&2849=1,2"};
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.substr(0, 20));
        testsupport::WriteFileBytes(CLmrMWindow::GetOptionFilePath(), bytes);
        testsupport::WriteFileBytes(CLmrMWindow::GetLayoutFilePath(), bytes);
        auto window = Make();
        window->InitMWindow(window.get());
        EXPECT_EQ(LmrOpt().ejpbreadth, 13);
        EXPECT_EQ(LmrOpt().mlegjpwidth, 2);
        EXPECT_GE(window->GetSplitViews()->x(), 105);
        EXPECT_GE(window->GetOGJPWFrame()->width(), 100);
        window.reset();
        viewtest::ResetOptions();
    }
}

TEST_F(MWindowTest, LayoutAndOptionsAreWrittenAtTheEndAndComeBack) {
    {
        auto window = Make();
        window->InitMWindow(window.get());
        window->GetSplitViews()->move(500, 5);
        window->resize(1101, 760);  // the panes follow the bar
        QApplication::processEvents();
        const QRect bar = window->GetSplitViews()->geometry();
        ASSERT_EQ(bar.x(), 500);
        EXPECT_LE(window->GetOGJPWFrame()->geometry().right(), bar.left());
        EXPECT_GE(window->GetEGJPWFrame()->x(), bar.right());
        EXPECT_FALSE(window->GetEGJPWFrame()->isWindow());
        EXPECT_FALSE(window->GetOGJPWFrame()->isWindow());
        EXPECT_FALSE(window->GetNoticeDialog()->isWindow());
        EXPECT_FALSE(window->GetCodeDialog()->isWindow());
        LmrGOption().SetInt("ejpbreadth", 21);
        LmrGOption().Refresh();
    }
    EXPECT_TRUE(std::filesystem::exists(CLmrMWindow::GetLayoutFilePath()));
    viewtest::ResetOptions();
    auto window = Make();
    window->InitMWindow(window.get());
    EXPECT_EQ(LmrOpt().ejpbreadth, 21);
    EXPECT_EQ(window->GetSplitViews()->x(), 500);
}

TEST_F(MWindowTest, AppliedStepsReachTheHostWindow) {
    QWidget host;
    int modified = 0;
    SetMessageHandler(&host, WM_LMR_MODIFIED, [&](WPARAM, LPARAM) {
        ++modified;
        return 0;
    });
    auto window = Make();
    window->InitMWindow(&host);
    CLmrEGJPWindow* zoom = window->GetEGJPWindow();
    const CRect r = zoom->OSLToClientRect(16, 32);
    QTest::mouseClick(zoom->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.left + 2, r.top + 2));
    ASSERT_EQ(window->GetOGJPWindow()->GetYUStepCount(), 1);
    QApplication::processEvents();
    EXPECT_EQ(modified, 1);
}

TEST_F(MWindowTest, ClosesFastWithEveryJobRunningAndAFetchStalled) {
    LocalHttpServer server;
    LocalHttpServer::Response stall;
    stall.behaviour = LocalHttpServer::Behaviour::StallAfterHeaders;
    stall.body = std::string(1000, 'x');
    server.SetResponse(stall);
    setenv("DRAVIK_NOTICE_URL", server.Address(CFxNoticeBar::kScriptPath).c_str(), 1);
    LmrGOption().SetString("GOPT.lgntisrtime", "");  // a request is due
    auto window = Make();
    window->InitMWindow(window.get());
    ASSERT_TRUE(window->GetNoticeDialog()->GetNoticeBar()->IsRequestStarted());
    ASSERT_TRUE(server.WaitForRequests(1, 5000));
    ASSERT_TRUE(window->GetEGJPWindow()->IsMarqueeRunning());
    ASSERT_TRUE(window->GetOGJPWindow()->IsTextFrameRunning());
    EXPECT_GT(window->GetNoticeDialog()->GetNoticeBar()->GetManager().GetBusyThreadCount(), 0);
    QElapsedTimer timer;
    timer.start();
    window.reset();
    // The checked builds run several times slower; the bound is the normal
    // build's.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(timer.elapsed(), 2000);
#else
    EXPECT_LT(timer.elapsed(), 500);
#endif
}

}  // namespace
