#include "design/frames/dsgmainframe.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <cstdarg>

#include "chareditor/dtrggjpixel.h"
#include "chareditor/dtrmwindow.h"
#include "design/frames/dlgformname.h"
#include "design/frames/dlggrid.h"
#include "design/frames/dlgubar.h"
#include "design/frames/dlgwopos.h"
#include "design/frames/dlgxfdnchar.h"
#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgpjgcache.h"
#include "design/frames/dsgscriptedit.h"
#include "design/frames/dsgtoolbox.h"
#include "design/frames/dsgtspframe.h"
#include "design/frames/dsgxfframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdaction.h"
#include "design/surface/dsgcodegen.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/dsgimageseams.h"
#include "design/surface/fxuihelpers.h"
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

CDsgMainFrame::CDsgMainFrame(QWidget* parent)
    : QWidget(parent), m_pGGJPixel(new CDtrGGJPixel), m_pPJGCache(new CDsgPJGCache) {
    g_pDsgMainFrame = this;
    // The engine starts here: pictures and thumbnails go through the image
    // library from now on.
    RegisterDsgImageSeams();
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
    // The page's object menu comes back as commands.
    SetMessageHandler(this, WM_COMMAND, [this](WPARAM id, LPARAM) -> LRESULT {
        return OnDsgCommand(static_cast<UINT>(id & 0xFFFF)) ? 0 : 1;
    });
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
    delete m_pUBar;
    delete m_pXFFrame;
    delete m_pTSPFrame;
    delete m_pDSPFrame;
    delete m_pWOPos;
    delete m_pToolBox;
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
    m_pToolBox = new CDlgToolBox(this);
    SetDlgCtrlID(m_pToolBox, IDD_DSG_TOOLBOX);
    m_pToolBox->show();
    m_pUBar = new CDlgUBar(this);
    SetDlgCtrlID(m_pUBar, IDD_DSG_UBAR);
    m_pUBar->show();

    m_pDSPFrame = new CDsgDSPFrame(1, this);
    m_pDSPFrame->setGeometry(0, 0, 0, 0);
    m_pDSPFrame->show();
    m_pXFFrame = new CDsgXFFrame(this);
    m_pXFFrame->show();

    m_pWOPos = new CDlgWOPos(this);
    SetDlgCtrlID(m_pWOPos, IDD_DSG_WOPOS);
    m_pWOPos->show();

    m_pTSPFrame = new CDsgTSPFrame(this);
    m_pTSPFrame->setGeometry(0, 0, 0, 0);
    m_pTSPFrame->show();

    // The splitter sits between the page and the tabs.
    m_pSplitter->SetFirstPane(m_pDSPFrame, 100);
    m_pSplitter->SetSecondPane(m_pTSPFrame, 35);
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
    if (clear && !GetSharedLogPath().empty()) WriteTextFile(GetSharedLogPath(), "");
    if (window) {
        // A top-level text window beside the design, titled with the log's
        // name.
        const std::string title = GetPathFileName(logPath);
        auto* text = new CFxTextWnd(nullptr);
        text->setObjectName(QString::fromStdString("lgwpwnd_" + title));
        text->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
        text->setWindowTitle(QString::fromLocal8Bit(title.c_str()));
        text->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
        text->show();
        delete m_pLogWnd;
        m_pLogWnd = text;
    }
}

std::string CDsgMainFrame::GetLSDir() const { return m_strLSDir; }

void CDsgMainFrame::SetDsgOption(CDsgGOption*& option) { option = &GetDsgGOption(); }

void CDsgMainFrame::UCSet() {
    CDsgLSDAction action;
    action.UCSet();
}

int CDsgMainFrame::GetDSPTop() const { return m_pDSPFrame ? m_pDSPFrame->geometry().top() : -1; }

// ---- Layout -----------------------------------------------------------------

void CDsgMainFrame::RecalcChildLayout() {
    if (!m_pWOPos) return;
    QWidget* const splitter = m_pSplitter;
    QWidget* const toolBox = m_pToolBox;
    QWidget* const uBar = m_pUBar;
    QWidget* const tabs = m_pTSPFrame;
    QWidget* const host = m_pXFFrame;
    QWidget* const posBar = m_pWOPos;
    QWidget* const page = m_pDSPFrame;

    // The position bar first: the splitter, the tabs and the page end above
    // it.
    FillRightOf(posBar, toolBox, -1);
    MoveToBottom(posBar, 0);
    StretchRight(posBar, 0);

    // The splitter runs from the top to just above the position bar and
    // keeps its distance from the right edge.
    AlignTop(splitter, 0);
    StretchToAbove(splitter, posBar, -1);
    m_pSplitter->FollowParentSize();

    MoveToLeft(toolBox, 0);
    MoveToTop(toolBox, 0);
    StretchBottom(toolBox, 0);

    MoveToTop(uBar, 0);
    FillRightOf(uBar, toolBox, -1);
    StretchToLeftOf(uBar, splitter, -1);

    AlignTop(tabs, 0);
    FillRightOf(tabs, splitter, -1);
    StretchRight(tabs, 0);
    StretchToAbove(tabs, posBar, -1);

    FillRightOf(host, toolBox, -1);
    MoveBelow(host, uBar, -1);
    StretchToLeftOf(host, splitter, -1);

    FillRightOf(page, toolBox, -1);
    MoveBelow(page, host, -1);
    StretchToLeftOf(page, splitter, -1);
    StretchToAbove(page, posBar, -1);
}

void CDsgMainFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnParentResized();
    RecalcChildLayout();
}

void CDsgMainFrame::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgb(ToQRgb(FrameBackColor())));
    }
    // The first paint puts the splitter 120 pixels from the right edge, and
    // so does any paint that finds it squeezed against an edge.
    if (!m_pSplitter) return;
    const QRect bar = m_pSplitter->geometry();
    if (!m_bSplitterPlaced || bar.left() <= 10 || width() - (bar.right() + 1) <= 10) {
        m_pSplitter->setGeometry(width() - 120, 0, 5, 0);
        m_bSplitterPlaced = TRUE;
        RecalcChildLayout();
        update();
    }
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
    // Tab goes to the design page, which chooses the next object with it;
    // anywhere else in the frame it is dropped before it can move the focus.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            watched != m_pDSPFrame && IsInFrame(watched))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Refresh events and notices ---------------------------------------------

void CDsgMainFrame::SRefreshSREvent(int code) {
    switch (code) {
        case 1:
            // The rectangles the position bar shows are rebuilt too, and a
            // choice that is gone (a form put on the page, objects deleted)
            // takes its panel with it: the panels never show an object that
            // is not chosen.
            RebuildDSPObjects();
            if (m_pDSPFrame) m_pDSPFrame->update();
            RefreshWOPos();
            if (m_pXFFrame && !m_pXFFrame->IsShownPanelCurrent()) SRefreshSREvent(3);
            break;
        case 2:
            if (m_pDSPFrame) m_pDSPFrame->update();
            break;
        case 3:
            if (m_pXFFrame) {
                m_pXFFrame->FillXFPanels();
                m_pXFFrame->ShowXFPanel();
            }
            break;
        case 4:
            RefreshWOPos();
            break;
        case 5:
            if (m_pTSPFrame) m_pTSPFrame->viewport()->update();
            break;
        case 6:
            if (m_pUBar) m_pUBar->update();
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
    MarkVisibleTabChanged();
    if (m_nButtonRefresh) {
        m_nButtonRefresh = 0;
        if (m_pUBar) m_pUBar->UpdateEBState();
    }
    MarkDSPUnsaved();
    NotifyDesignChanged();
}

void CDsgMainFrame::_OnUndoedOrRedoed() {
    MarkVisibleTabChanged();
    MarkDSPUnsaved();
    NotifyDesignChanged();
}

void CDsgMainFrame::MarkVisibleTabChanged() {
    const CDsgEActions* actions = GetDSPEActions();
    if (!m_pTSPFrame || !actions) return;
    if (CDsgTSPage* tab = m_pTSPFrame->GetTSPageBySPIndex(actions->GetSPIndex())) tab->m_nStale = 1;
}

void CDsgMainFrame::_OnJustWOCreated(int kind) {
    if (!m_pXFFrame) return;
    // The panel shows the new object: the attributes it was made from, its
    // content empty.
    SRefreshSREvent(3);
    CDlgXFText* panel = m_pXFFrame->GetTextPanel();
    if (!panel || (kind != nDSG_WOKIND__WOTEXT && kind != nDSG_WOKIND__WOMENU)) return;
    CDsgScriptEdit* edit =
        kind == nDSG_WOKIND__WOTEXT ? panel->GetTextEdit() : panel->GetTitleEdit();
    panel->EmptyScriptEdit(*edit);
    // What is typed next goes into the new object: the edit takes the focus
    // on its timer, and the page does not take it back after the release.
    edit->TMInvokeSetScrollSizes();
    if (m_pDSPFrame) KillTimer(m_pDSPFrame, nDSG_DSPTIMER__FOCUS);
}

void CDsgMainFrame::PResize(int percent) {
    if (!m_pDSPFrame) return;
    QWidget* top = window();
    const CSize lcd = CDsgGOption::GetLMSize();
    const QRect outer = top->frameGeometry();
    const QRect page = m_pDSPFrame->frameGeometry();
    int width = static_cast<int>(lcd.cx * percent * 0.01 + (outer.width() - page.width()) + 50);
    const int height =
        static_cast<int>(lcd.cy * percent * 0.01 + (outer.height() - page.height()) + 50);
    width = std::max(width, outer.width());
    // The window's frame stays as it is; the client takes the rest.
    top->resize(width - (outer.width() - top->width()), height - (outer.height() - top->height()));
}

void CDsgMainFrame::SetUGrid() {
    if (GetDlgGrid()) return;
    auto* dialog = new CDlgGrid(QApplication::activeWindow());
    if (QWidget* parent = dialog->parentWidget()) {
        const QPoint centre = parent->geometry().center();
        dialog->move(centre.x() - dialog->width() / 2, centre.y() - dialog->height() / 2);
    }
    dialog->show();
}

const std::vector<UINT>& CDsgMainFrame::GetDsgCommandIds() {
    static const std::vector<UINT> ids = [] {
        std::vector<UINT> out;
        for (const CDsgWOEditCommand& command : CDsgDSPFrame::GetWOEditCommands())
            out.push_back(command.id);
        return out;
    }();
    return ids;
}

BOOL CDsgMainFrame::IsDsgCommandEnabled(UINT id) const {
    return m_pDSPFrame ? m_pDSPFrame->IsWOEditCommandEnabled(id) : FALSE;
}

BOOL CDsgMainFrame::OnDsgCommand(UINT id) {
    return m_pDSPFrame ? m_pDSPFrame->RunWOEditCommand(id) : FALSE;
}

// ---- The engine's host --------------------------------------------------------

std::string CDsgMainFrame::GetLSDWorkDir() const { return m_strLSDir; }

void CDsgMainFrame::TSPRemoveAllPages() {
    if (m_pTSPFrame) m_pTSPFrame->RemoveAllTSPages();
}

BOOL CDsgMainFrame::TSPAddPage(const std::string& name) {
    return m_pTSPFrame ? m_pTSPFrame->AddTSPage(name, 1, 1, 0, 0) : FALSE;
}

int CDsgMainFrame::TSPGetPageCount() const {
    return m_pTSPFrame ? m_pTSPFrame->GetTSPageCount() : 0;
}

void CDsgMainFrame::TSPSelectPage(int index) {
    if (m_pTSPFrame) m_pTSPFrame->SPSelectOne(index, 1);
}

BOOL CDsgMainFrame::TSPExchangePages(int a, int b) {
    return m_pTSPFrame ? m_pTSPFrame->ExchangeTSPages(a, b) : FALSE;
}

void CDsgMainFrame::TSPRepaint() {
    if (m_pTSPFrame) m_pTSPFrame->viewport()->update();
}

BOOL CDsgMainFrame::TSPUpdateAllThumbnails() {
    return m_pTSPFrame ? (m_pTSPFrame->AFBTSPIUpdate(1) ? TRUE : FALSE) : TRUE;
}

QImage CDsgMainFrame::TSPDrawFormThumbnail(CDsgEActions& form) {
    return m_pTSPFrame ? m_pTSPFrame->DrawFormThumbnail(form) : QImage();
}

BOOL CDsgMainFrame::TSPUpdateAllThumbnailsFrom(const std::vector<QImage>& thumbnails) {
    return m_pTSPFrame ? (m_pTSPFrame->AFBTSPIUpdate(1, thumbnails) ? TRUE : FALSE) : TRUE;
}

BOOL CDsgMainFrame::TSPWriteFormList() { return m_pTSPFrame ? m_pTSPFrame->UpdateILSFile() : TRUE; }

void CDsgMainFrame::TSPRecalcScrollSizes() {
    if (m_pTSPFrame) m_pTSPFrame->SetTSPScrollSizes();
}

void CDsgMainFrame::MFRefresh(int code) { SRefreshSREvent(code); }

void CDsgMainFrame::MFMarkAndUpdateEditButtons() {
    m_nButtonRefresh = 1;
    if (m_pUBar) m_pUBar->UpdateEBState();
}

void CDsgMainFrame::UpdatePaletteButtons() {
    if (m_pToolBox) m_pToolBox->UpdateToolStates();
}

void CDsgMainFrame::RepaintFormBar() {
    if (m_pUBar) m_pUBar->update();
}

QObject* CDsgMainFrame::GetHostWindow() { return m_pHostWnd; }
CDtrGGJPixel* CDsgMainFrame::GetGGJPixel() {
    // The character editor of the panel holds the set once it exists.
    if (m_pXFFrame && m_pXFFrame->GetDNCharPanel())
        return &m_pXFFrame->GetDNCharPanel()->GetMWindow();
    return m_pGGJPixel.get();
}

void CDsgMainFrame::RefillGJPListView() {
    if (m_pXFFrame && m_pXFFrame->GetDNCharPanel())
        m_pXFFrame->GetDNCharPanel()->GetMWindow().RefillGJPListView();
}

void CDsgMainFrame::OpenFormNameLoadDialog(const std::string& name, const CFxRevPropStore& store) {
    // The user confirms or changes the form's name; the dialog adds the form.
    CDlgFormName dialog(CDlgFormName::MODE_LOAD, name, this, &store);
    ExecDialog(dialog);
}

// ---- The design page --------------------------------------------------------

CDsgEActions* CDsgMainFrame::GetDSPEActions() { return m_pDSPFrame; }

void CDsgMainFrame::DSPClear() {
    if (!m_pDSPFrame) return;
    m_pDSPFrame->ResetEActions();
    m_pDSPFrame->RemoveAllWObjs();
    m_pDSPFrame->ResetWOChoice();
    // A new project starts with nothing chosen: the position bar and the
    // panels must not keep showing an object of the project before.
    SRefreshSREvent(1);
}

void CDsgMainFrame::RebuildDSPObjects() {
    if (m_pDSPFrame) m_pDSPFrame->RebuildWObjs();
}

void CDsgMainFrame::RefreshWOPos() {
    if (m_pWOPos) m_pWOPos->RefreshWOPos();
}

void CDsgMainFrame::ShowCursorLCDPos(const CPoint& clientPoint) {
    if (m_pWOPos) m_pWOPos->ShowCursorLCDPos(clientPoint);
}

void CDsgMainFrame::MarkDSPUnsaved() {
    if (m_pDSPFrame) m_pDSPFrame->SetCached(0);
}

int CDsgMainFrame::GetPJGCommands(std::string& out, int /*generate*/, int isolate,
                                  const std::string& isolateName) {
    return MakePJGCommands(out, isolate, isolateName, m_pPJGCache.get());
}

int CDsgMainFrame::GetPJGCommandsFromScratch(std::string& out, int isolate,
                                             const std::string& isolateName) {
    return MakePJGCommands(out, isolate, isolateName, nullptr);
}

int CDsgMainFrame::MakePJGCommands(std::string& out, int isolate, const std::string& isolateName,
                                   CDsgPJGCache* cache) {
    const CDtrGGJPixel none;
    const CDtrGGJPixel* characters = GetProjectGGJPixel();
    CDsgPJCodeGen generator(characters ? *characters : none, isolate, isolateName);
    if (cache) cache->BeginProject(CDsgSPGInputs::Current(generator));
    // The visible form's working file lags its page by up to the cache
    // period: that form is generated from the page itself, every time.
    const int visible = m_pDSPFrame ? m_pDSPFrame->GetSPIndex() : -1;
    for (int i = 0; i < TSPGetPageCount(); ++i) {
        const CDsgTSPage* tab = m_pTSPFrame->GetTSPageBySPIndex(i);
        if (!tab) continue;
        const std::string name = tab->GetSPName();
        const std::string path = CDsgLSDAction::GetSPFilePath(name);
        if (i == visible)
            generator.AddSPGCommands(static_cast<const CDsgWObjs&>(*m_pDSPFrame), name);
        else if (cache)
            cache->AddForm(generator, name, path);
        else
            generator.AddSPGCommandsFromFile(path, name);
    }
    if (cache) cache->EndProject();
    out = generator.GetPJGCommands();
    return 1;
}
