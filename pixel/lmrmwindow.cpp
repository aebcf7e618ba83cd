#include "pixel/lmrmwindow.h"

#include <QResizeEvent>
#include <chrono>
#include <thread>

#include "foundation/fxsharedvalues.h"
#include "foundation/pixel/fxnoticebar.h"
#include "pixel/dlglmrcode.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/paths.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

CLmrMWindow* g_pMWindow = nullptr;
// The dialogs register their factories while the library's globals are
// being made, in no fixed order: the factories are made on first use so that
// a registration made before this file's globals is kept.
LmrDialogFactory& CodeFactory() {
    static LmrDialogFactory factory;
    return factory;
}
LmrDialogFactory& AddTextFactory() {
    static LmrDialogFactory factory;
    return factory;
}

constexpr int kMargin = 5;
constexpr int kBar = 4;  // splitter thickness
constexpr int kNoticeHeight = 22;
// The default places of the two bars: the whole-canvas frame just holds the
// canvas at its smallest scale.
constexpr int kDefaultSplitX = 370;
constexpr int kDefaultSplitY = 340;

// The whole-canvas frame is never lower than its buttons and one row of
// the canvas need at its narrowest.
int MinOFrameHeight() {
    return std::max(CLmrMWindow::kMinFrame,
                    CDlgOGJPWFrame::GetMinimumHeight(CLmrMWindow::kMinFrame));
}

std::string DataFile(const char* name) { return GetFolder(FolderKind::Data) + "/Orvanta/" + name; }

}  // namespace

CLmrMWindow* LmrMWindow() { return g_pMWindow; }
void LmrSetCodeDialogFactory(LmrDialogFactory factory) { CodeFactory() = std::move(factory); }
void LmrSetAddTextDialogFactory(LmrDialogFactory factory) { AddTextFactory() = std::move(factory); }
const LmrDialogFactory& LmrAddTextDialogFactory() { return AddTextFactory(); }

// ---- Notice dialog -------------------------------------------------------

CDlgLmrNotice::CDlgLmrNotice(std::atomic<int>* running, QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Widget);
    SetDlgCtrlID(this, IDD);
    m_pBar = std::make_unique<CFxNoticeBar>(&LmrGOption(), running,
                                            CFxNoticeBar::DefaultRequestAddress(), "orvanta_main",
                                            "", FALSE, TRUE, this);
}

CDlgLmrNotice::~CDlgLmrNotice() = default;

void CDlgLmrNotice::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_pBar->setGeometry(0, 0, width(), height());
}

// ---- Host window ---------------------------------------------------------

std::string CLmrMWindow::GetOptionFilePath() { return DataFile("lmr_goption.dat"); }
std::string CLmrMWindow::GetLayoutFilePath() { return DataFile("lmr_lay.dat"); }

CLmrMWindow::CLmrMWindow(QWidget* parent) : QWidget(parent) {
    g_pMWindow = this;
    setObjectName("MWindow");
    LmrGOption().SetDefaults();
    LmrGOption().Refresh();

    InitLayoutMargins(this, kMargin, kMargin, kMargin, kMargin, FALSE);
    m_pOFrame = std::make_unique<CDlgOGJPWFrame>(this);
    m_pEFrame = std::make_unique<CDlgEGJPWFrame>(this);
    const LmrDialogFactory& makeCode = CodeFactory();
    QWidget* code = makeCode ? makeCode(this) : nullptr;
    if (!code) code = new QDialog(this);
    code->setParent(this);
    code->setWindowFlags(Qt::Widget);
    SetDlgCtrlID(code, IDD_CODE);
    m_pCode.reset(code);
    m_pNotice = std::make_unique<CDlgLmrNotice>(&m_nRunFlag, this);

    m_pSplitViews = std::make_unique<CFxSplitStatic>(this);
    SetDlgCtrlID(m_pSplitViews.get(), IDC_SPLIT_VIEWS);
    m_pSplitViews->AttachToLayout(this, 1, TRUE, 0x808080);
    m_pSplitViews->SetFirstPane(m_pOFrame.get(), kMinFrame);
    m_pSplitViews->SetSecondPane(m_pEFrame.get(), kMinFrame);
    m_pSplitCode = std::make_unique<CFxSplitStatic>(this);
    SetDlgCtrlID(m_pSplitCode.get(), IDC_SPLIT_CODE);
    m_pSplitCode->AttachToLayout(this, 0, TRUE, 0x808080);
    m_pSplitCode->SetFirstPane(m_pOFrame.get(), MinOFrameHeight());
    m_pSplitCode->SetSecondPane(m_pCode.get(), kMinCode);

    for (QWidget* w :
         {static_cast<QWidget*>(m_pOFrame.get()), static_cast<QWidget*>(m_pEFrame.get()),
          m_pCode.get(), static_cast<QWidget*>(m_pNotice.get()),
          static_cast<QWidget*>(m_pSplitViews.get()), static_cast<QWidget*>(m_pSplitCode.get())})
        w->show();

    setMinimumSize(2 * kMargin + 2 * kMinFrame + kBar,
                   3 * kMargin + MinOFrameHeight() + kBar + kMinCode + kNoticeHeight);
    resize(1000, 700);
    ApplyDefaultLayout();
    // The saved layout; one that does not fit leaves the default.
    if (LoadLayoutFile(GetLayoutFilePath(), FALSE) && !IsLayoutSound()) ApplyDefaultLayout();
    PlaceChildren();
}

CLmrMWindow::~CLmrMWindow() {
    SaveLayoutFile(GetLayoutFilePath());
    LmrGOption().SaveToFile(GetOptionFilePath());
    StopJobs(kShutdownLimitMs);
    // Reverse order of construction.
    m_pSplitCode.reset();
    m_pSplitViews.reset();
    m_pNotice.reset();
    m_pCode.reset();
    m_pEFrame.reset();
    m_pOFrame.reset();
    if (g_pMWindow == this) g_pMWindow = nullptr;
}

CLmrOGJPWindow* CLmrMWindow::GetOGJPWindow() const {
    return m_pOFrame ? m_pOFrame->GetOGJPWindow() : nullptr;
}

CLmrEGJPWindow* CLmrMWindow::GetEGJPWindow() const {
    return m_pEFrame ? m_pEFrame->GetEGJPWindow() : nullptr;
}

void CLmrMWindow::InitMWindow(QWidget* host, int hostVersion) {
    m_pHost = host;
    LmrWindowNotice().SetHostWindow(host);
    m_bInitialised = TRUE;
    // A damaged or missing file leaves the defaults, and so does any value
    // of it that does not pass its check.
    LmrGOption().LoadFromFile(GetOptionFilePath());
    LmrGOption().SetInt("ojpbreadth", 1);
    LmrGOption().Refresh();
    // The code dialog may have shown, and even stored, its fields before
    // the file was read (a message box of the host holds the start while its
    // timer runs): its fields show the values read.
    if (auto* code = qobject_cast<CDlgLmrCode*>(m_pCode.get())) code->ShowOptionValues();
    if (CLmrEGJPWindow* zoom = GetEGJPWindow()) zoom->ResetScrollSize();
    if (CLmrOGJPWindow* whole = GetOGJPWindow()) whole->ResetScrollSize();
    if (m_pNotice) m_pNotice->GetNoticeBar()->StartNoticeBar();
    if (IsDeveloperMarkerPresent() && hostVersion != -1) {
        const int version = LmrGetVersionNumber();
        if (version != hostVersion) MessageBox("Error 91824", "", MB_OK, this);
        if (version < 100) MessageBox("Error 74564", "", MB_OK, this);
    }
}

int CLmrMWindow::StopJobs(int limitMs) {
    if (m_bJobsStopped) return 0;
    m_bJobsStopped = true;
    const auto start = std::chrono::steady_clock::now();
    m_nRunFlag.store(0);
    CLmrEGJPWindow* zoom = GetEGJPWindow();
    CLmrOGJPWindow* whole = GetOGJPWindow();
    if (zoom) zoom->StopMarquee();
    if (whole) whole->StopTextFrame();
    auto busy = [&] {
        return (zoom && zoom->GetMLThreadManager().GetBusyThreadCount() > 0) ||
               (whole && whole->GetMLThreadManager().GetBusyThreadCount() > 0) ||
               (m_pNotice && m_pNotice->GetNoticeBar()->GetManager().GetBusyThreadCount() > 0);
    };
    auto elapsed = [&] {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
    };
    while (busy() && elapsed() < limitMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (busy()) {
        // Past the limit the jobs are abandoned; they end by themselves.
        if (zoom) zoom->GetMLThreadManager().TerminateAllThreads();
        if (whole) whole->GetMLThreadManager().TerminateAllThreads();
        if (m_pNotice) m_pNotice->GetNoticeBar()->GetManager().TerminateAllThreads();
    }
    return elapsed();
}

void CLmrMWindow::ApplyDefaultLayout() {
    m_pSplitViews->setGeometry(kDefaultSplitX, kMargin, kBar, 100);
    m_pSplitCode->setGeometry(kMargin, kDefaultSplitY, 100, kBar);
}

// A layout whose bars lie where both panes keep their minimums.
bool CLmrMWindow::IsLayoutSound() const {
    const int x = m_pSplitViews->x(), y = m_pSplitCode->y();
    return x >= kMargin + kMinFrame && y >= kMargin + MinOFrameHeight() && x < 20000 && y < 20000;
}

void CLmrMWindow::PlaceChildren() {
    const int w = width(), h = height();
    const int noticeTop = std::max(kMargin, h - kMargin - kNoticeHeight);
    const int bottom = noticeTop - kMargin;
    // A bar that stands elsewhere than it was placed was dragged there or
    // read from the saved layout: that is where it belongs. A window too
    // small for it moves it only for as long as it stays small.
    if (m_pSplitViews->x() != m_nPlacedX) m_nWantedX = m_pSplitViews->x();
    if (m_pSplitCode->y() != m_nPlacedY) m_nWantedY = m_pSplitCode->y();
    // The bars keep their panes' minimums; the window is never smaller than
    // they need.
    int x = m_nWantedX;
    x = std::min(x, w - kMargin - kMinFrame - kBar);
    x = std::max(x, kMargin + kMinFrame);
    int y = m_nWantedY;
    y = std::min(y, bottom - kMinCode - kBar);
    y = std::max(y, kMargin + MinOFrameHeight());
    m_nPlacedX = x;
    m_nPlacedY = y;
    m_pSplitViews->setGeometry(x, kMargin, kBar, std::max(0, bottom - kMargin));
    m_pSplitCode->setGeometry(kMargin, y, std::max(0, x - kMargin), kBar);
    m_pOFrame->setGeometry(kMargin, kMargin, std::max(0, x - kMargin), std::max(0, y - kMargin));
    m_pCode->setGeometry(kMargin, y + kBar, std::max(0, x - kMargin),
                         std::max(0, bottom - y - kBar));
    m_pEFrame->setGeometry(x + kBar, kMargin, std::max(0, w - kMargin - x - kBar),
                           std::max(0, bottom - kMargin));
    m_pNotice->setGeometry(kMargin, noticeTop, std::max(0, w - 2 * kMargin), kNoticeHeight);
}

void CLmrMWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceChildren();
}
