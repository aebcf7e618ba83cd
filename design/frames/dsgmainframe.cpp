#include "design/frames/dsgmainframe.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <cstdarg>

#include "chareditor/dtrggjpixel.h"
#include "design/frames/dsgxfframe.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "foundation/fxpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "platform/dc.h"
#include "platform/paths.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

CDsgMainFrame* g_pDsgMainFrame = nullptr;

// The frame background: the face colour, taken once when the library starts.
COLORREF FrameBackColor() {
    static const COLORREF color = GetSysColor(COLOR_BTNFACE);
    return color;
}

// An address inside the design library, to find its file by.
void DsgLibraryAnchor() {}

}  // namespace

CDsgMainFrame* GetDsgMainFrame() { return g_pDsgMainFrame; }

std::string GetDsgLibFilePath(const std::string& name) {
    // The option files are found the same way (CDsgGOption::GetGOptionFolder).
    return GetModuleDir() + "/" + name;
}

CDsgMainFrame::CDsgMainFrame(QWidget* parent) : QWidget(parent), m_pGGJPixel(new CDtrGGJPixel) {
    g_pDsgMainFrame = this;
    setObjectName("DsgMainFrame");
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);

    // The layout: margins 3, gaps 1; the saved rectangles come back once the
    // children exist.
    InitLayoutMargins(this, 3, 3, 1, 1, TRUE);
    m_pSplitter = new CFxSplitStatic(this);
    SetDlgCtrlID(m_pSplitter, IDC_DSG_SPLITTER);
    m_pSplitter->AttachToLayout(this, 1, FALSE, RGB(0, 0, 0));

    // Keys are looked at before the window they are meant for.
    qApp->installEventFilter(this);
}

CDsgMainFrame::~CDsgMainFrame() {
    qApp->removeEventFilter(this);
    // Options and layout are kept while the windows still stand.
    if (m_pWOPos || m_pXFFrame) {
        GetDsgGOption().ToFile();
        SaveLayoutFile(GetDsgLibFilePath(DSG_LAYOUTFILE));
    }
    // The children go in the reverse order of their making.
    delete m_pSplitter;
    delete m_pXFFrame;
    delete m_pLogWnd;
    if (g_pDsgMainFrame == this) g_pDsgMainFrame = nullptr;
}

int CDsgMainFrame::InitMainFrame(int slot, int show, const std::string& slotFolder, int keyStyle,
                                 QWidget* hostWindow, const std::string& seed) {
    CDsgGOption& option = GetDsgGOption();
    option.SetBinderMessage("chars_invalid",
                            "The length of characters must be $chars_min~$chars_max.");
    option.SetDefaultGOption();
    option.FromFile();

    SetKeyStyle(keyStyle);
    m_nSlot = slot;
    m_pHostWnd = hostWindow;

    m_strModulePath = GetModuleLongPath(reinterpret_cast<const void*>(&DsgLibraryAnchor));
    if (m_strModulePath.empty()) {
        if (IsDeveloperMarkerPresent()) MessageBox("GetModuleHandle Failed 67121");
        return 0;
    }
    if (IsDeveloperMarkerPresent())
        SetupProcessLog(GetDsgLibFilePath(DSG_LOGFILE), TRUE, TRUE, CRect(-250, 0, 0, 550));

    option.SetDefaultGOption();
    option.FromFile();
    m_strLSDir = slotFolder;
    if (show) this->show();

    CreateChildren();

    CDsgLSDAction action;
    return action.LSMSSet(seed) ? 1 : 0;
}

void CDsgMainFrame::CreateChildren() {
    m_pXFFrame = new CDsgXFFrame(this);
    m_pXFFrame->setObjectName("XFFrame");
    m_pXFFrame->show();
    m_pSplitter->raise();

    LoadLayoutFile(GetDsgLibFilePath(DSG_LAYOUTFILE), FALSE);
    RecalcChildLayout();
}

void CDsgMainFrame::SetupProcessLog(const std::string& path, BOOL clear, BOOL window, CRect rect) {
    std::string logPath = path;
    if (logPath.empty()) {
        std::string base = GetPathFileName(m_strModulePath);
        base = base.substr(0, base.find('.'));
        logPath = GetDsgLibFilePath(base + "_lgwfile.log");
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        if (rect.left < 0) {
            rect.left += geometry.width();
            rect.right += geometry.width();
        }
        if (rect.top < 0) {
            rect.top += geometry.height();
            rect.bottom += geometry.height();
        }
    }
    FxSharedValues().PutShared(GetSharedLogPathName(static_cast<unsigned long>(::getpid())),
                               logPath);
    if (clear) WriteTextFile(GetSharedLogPath(), "");
    (void)window;
}

std::string CDsgMainFrame::GetLSDir() const { return m_strLSDir; }

void CDsgMainFrame::SetDsgOption(CDsgGOption*& option) { option = &GetDsgGOption(); }

void CDsgMainFrame::UCSet() {
    CDsgLSDAction action;
    action.UCSet();
}

int CDsgMainFrame::GetDSPTop() const { return -1; }

// ---- Layout -----------------------------------------------------------------

void CDsgMainFrame::RecalcChildLayout() {
    if (!m_pXFFrame) return;
    m_pSplitter->FollowParentSize();
}

void CDsgMainFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnParentResized();
    RecalcChildLayout();
}

void CDsgMainFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(ToQRgb(FrameBackColor())));
}

// ---- Keys -------------------------------------------------------------------

bool CDsgMainFrame::IsInFrame(const QObject* object) const {
    for (const QObject* o = object; o; o = o->parent())
        if (o == this) return true;
    return false;
}

bool CDsgMainFrame::focusNextPrevChild(bool) { return false; }

void CDsgMainFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CDsgMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && IsInFrame(watched))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Refresh events and notices ---------------------------------------------

void CDsgMainFrame::SRefreshSREvent(int code) {
    switch (code) {
        case 3:
            if (m_pXFFrame) {
                m_pXFFrame->FillXFPanels();
                m_pXFFrame->ShowXFPanel();
            }
            break;
        default:
            break;
    }
}

void CDsgMainFrame::SRefreshSREvents(int code, ...) {
    va_list codes;
    va_start(codes, code);
    for (int c = code; c != 0; c = va_arg(codes, int)) SRefreshSREvent(c);
    va_end(codes);
}

void CDsgMainFrame::NotifyDesignChanged() {
    if (m_pHostWnd) SendMessage(static_cast<QObject*>(m_pHostWnd), WM_DSG_DESIGNCHANGED, 0, 0);
}

void CDsgMainFrame::_OnEAAdded() {
    if (!m_pXFFrame || !m_pXFFrame->IsReady()) return;
    if (m_nButtonRefresh) m_nButtonRefresh = 0;
    NotifyDesignChanged();
}

void CDsgMainFrame::_OnUndoedOrRedoed() { NotifyDesignChanged(); }

void CDsgMainFrame::_OnJustWOCreated(int) {
    if (m_pXFFrame) m_pXFFrame->ShowXFPanel();
}

void CDsgMainFrame::PResize(int) {}

void CDsgMainFrame::SetUGrid() {}

BOOL CDsgMainFrame::OnDsgCommand(UINT) { return FALSE; }

BOOL CDsgMainFrame::IsDsgCommandEnabled(UINT) const { return FALSE; }

// ---- The engine's host --------------------------------------------------------

std::string CDsgMainFrame::GetLSDWorkDir() const { return m_strLSDir; }
CDsgEActions* CDsgMainFrame::GetDSPEActions() { return nullptr; }
void CDsgMainFrame::DSPClear() {}
void CDsgMainFrame::TSPRemoveAllPages() {}
BOOL CDsgMainFrame::TSPAddPage(const std::string&) { return FALSE; }
int CDsgMainFrame::TSPGetPageCount() const { return 0; }
void CDsgMainFrame::TSPSelectPage(int) {}
BOOL CDsgMainFrame::TSPExchangePages(int, int) { return FALSE; }
void CDsgMainFrame::TSPRepaint() {}
BOOL CDsgMainFrame::TSPUpdateAllThumbnails() { return TRUE; }
BOOL CDsgMainFrame::TSPWriteFormList() { return TRUE; }
void CDsgMainFrame::TSPRecalcScrollSizes() {}
void CDsgMainFrame::MFRefresh(int code) { SRefreshSREvent(code); }
void CDsgMainFrame::MFMarkAndUpdateEditButtons() {}
void CDsgMainFrame::UpdatePaletteButtons() {}
void CDsgMainFrame::RepaintFormBar() {}
QObject* CDsgMainFrame::GetHostWindow() { return m_pHostWnd; }
CDtrGGJPixel* CDsgMainFrame::GetGGJPixel() { return m_pGGJPixel.get(); }
void CDsgMainFrame::RefillGJPListView() {}
void CDsgMainFrame::OpenFormNameLoadDialog(const std::string&, const CFxRevPropStore&) {}
