// The designer's main window.

#include "apps/designer/mainframe.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/dvkdialogs.h"
#include "apps/designer/dvkids.h"
#include "design/model/dsggoption.h"
#include "design/model/dsghdata.h"
#include "foundation/fxaboutbox.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

// Update of the tool bar's buttons while the program is idle.
constexpr UINT_PTR TIMER_IDLEUPDATE = 1;
constexpr UINT kIdleUpdatePeriod = 250;

// The commands that run the same handler under a second id.
UINT CanonicalId(UINT id) {
    switch (id) {
        case ID_EDIT_UNDO:
            return ID_DSG_UNDO;
        case ID_EDIT_REDO:
            return ID_DSG_REDO;
        case ID_EDIT_CUT:
            return ID_DSG_CUT;
        case ID_EDIT_COPY:
            return ID_DSG_COPY;
        case ID_EDIT_PASTE:
            return ID_DSG_PASTE;
        default:
            return id;
    }
}

}  // namespace

const std::vector<CMainFrame::MenuPopup>& CMainFrame::GetMenuTable() {
    static const std::vector<MenuPopup> table = {
        {"&File",
         {{ID_FILE_NEW, "New Project\tCtrl+N", "Ctrl+N"},
          {ID_FILE_OPEN, "Open Project...\tCtrl+O", "Ctrl+O"},
          {ID_FILE_SAVE, "Save Project\tCtrl+S", "Ctrl+S"},
          {ID_FILE_SAVE_AS, "Save Project As...", nullptr},
          {0, nullptr, nullptr},
          {ID_DSG_ADDFORM, "Add Form\tCtrl+Q", "Ctrl+Q"},
          {ID_DSG_LOADFORM, "Load Form\tCtrl+Shift+Q", "Ctrl+Shift+Q"},
          {ID_DSG_CLEARFORM, "Clear Form\tCtrl+E", "Ctrl+E"},
          {0, nullptr, nullptr},
          {ID_DSG_SAVECODEAS, "Save BASIC Code As...\tCtrl+Shift+S", "Ctrl+Shift+S"},
          {0, nullptr, nullptr},
          {ID_APP_EXIT, "Exit", nullptr}}},
        {"&Edit",
         {{ID_EDIT_UNDO, "Undo\tCtrl+Z", nullptr},
          {ID_EDIT_REDO, "Redo\tCtrl+Y, Ctrl+Shift+Z", nullptr},
          {0, nullptr, nullptr},
          {ID_EDIT_CUT, "Cut\tCtrl+X", nullptr},
          {ID_EDIT_COPY, "Copy\tCtrl+C", nullptr},
          {ID_EDIT_PASTE, "Paste\tCtrl+V", nullptr},
          {ID_DSG_DELETE, "Delete\tDel", nullptr},
          {0, nullptr, nullptr},
          {ID_DSG_SELECTAROUND, "Select Around\tTab", nullptr},
          {ID_DSG_SELECTALL, "Select All\tCtrl+A", nullptr}}},
        {"&View",
         {{ID_DSG_GRID, "Grid Setting...\tCtrl+G", "Ctrl+G"},
          {ID_DSG_VIEWCODE, "View/Hide BASIC Code\tCtrl+W", "Ctrl+W"},
          {0, nullptr, nullptr},
          {ID_DSG_VIEW100, "View at 100% size\tCtrl+1", "Ctrl+1"},
          {ID_DSG_VIEW200, "View at 200% size\tCtrl+2", "Ctrl+2"},
          {0, nullptr, nullptr},
          {ID_DSG_OPTIONS, "Options...", nullptr},
          {ID_DSG_SETTINGS, "Settings..", nullptr}}},
        {"&Help",
         {{ID_DSG_GUIDE, "View User's Guide...", nullptr},
          {0, nullptr, nullptr},
          {ID_APP_ABOUT, "About Dravik...", nullptr}}},
    };
    return table;
}

CMainFrame::CMainFrame() {
    setAttribute(Qt::WA_DeleteOnClose, false);
    SetMessageHandler(this, WM_COMMAND, [this](WPARAM wParam, LPARAM) {
        OnCommand(LOWORD(wParam));
        return 0;
    });
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id == TIMER_IDLEUPDATE) UpdateCommandUI();
    });
}

CMainFrame::~CMainFrame() {
    if (g_pDvkCodeWnd) delete g_pDvkCodeWnd;
}

std::string CMainFrame::GetStateFilePath() {
    return GetFolder(FolderKind::Program) + "/" + kStateFile;
}

BOOL CMainFrame::Create() {
    // The saved placement (a quarter of the screen in, half its size, when
    // there is none).
    m_state.Apply(this, FALSE);

    setAcceptDrops(true);
    BuildMenu();
    BuildToolBar();
    m_pView = new CDravik2View(this);
    setCentralWidget(m_pView);
    const BOOL started = m_pView->OnCreate();
    m_pView->OnInitialUpdate();
    OnUpdateFrameTitle();
    SetTimer(this, TIMER_IDLEUPDATE, kIdleUpdatePeriod);
    return started;
}

void CMainFrame::ActivateFrame() {
    m_state.Activate(this);
    UpdateCommandUI();
}

void CMainFrame::BuildMenu() {
    for (const MenuPopup& popup : GetMenuTable()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(popup.title));
        if (!m_pFileMenu) m_pFileMenu = menu;
        connect(menu, &QMenu::aboutToShow, this, [this]() { UpdateCommandUI(); });
        for (const MenuItem& item : popup.items) {
            if (item.id == 0) {
                QAction* separator = menu->addSeparator();
                if (menu == m_pFileMenu) m_pRecentSeparator = separator;
                continue;
            }
            // The text keeps its accelerator after the tab, as the menu
            // shows it; only the window's own accelerators act on keys.
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            SetCommandId(action, item.id);
            if (item.keys) {
                action->setShortcut(QKeySequence(QString::fromLatin1(item.keys)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            const UINT id = item.id;
            connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
            m_actions[id].push_back(action);
        }
    }
    // The shortcuts act while the window or any of its children has the
    // focus; menus are part of the window.
    for (auto& [id, actions] : m_actions)
        for (QAction* action : actions) addAction(action);
    UpdateRecentFileMenu();
}

void CMainFrame::BuildToolBar() {
    m_pToolBar = new CFxToolBar(this);
    m_pToolBar->setObjectName("toolbar128");
    m_pToolBar->SetOwner(this);
    m_pToolBar->SetButtons({ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR, ID_DSG_CUT,
                            ID_DSG_COPY, ID_DSG_PASTE, ID_SEPARATOR, ID_DSG_VIEWCODE});
    m_pToolBar->SetImageLists(16, IDB_TOOLBAR, IDB_TOOLBAR, IDB_TOOLBAR_DISABLED);
    m_pToolBar->setMovable(true);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::UpdateRecentFileMenu() {
    if (!m_pFileMenu || !g_pDravik2Doc) return;
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    const auto& paths = g_pDravik2Doc->GetRecentFiles().GetPaths();
    QAction* before = m_pRecentSeparator;
    if (!paths.empty()) {
        auto* separator = new QAction(m_pFileMenu);
        separator->setSeparator(true);
        m_pFileMenu->insertAction(before, separator);
        m_recentActions.push_back(separator);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        auto* action =
            new QAction(QString("&%1 %2").arg(i + 1).arg(AnsiToQString(paths[i])), m_pFileMenu);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
        m_pFileMenu->insertAction(before, action);
        m_recentActions.push_back(action);
    }
}

QAction* CMainFrame::GetCommandAction(UINT id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() || it->second.empty() ? nullptr : it->second.front();
}

BOOL CMainFrame::IsCommandEnabled(UINT id) const {
    CDsgDSPFrame* page = g_pDsgDSPFrame;
    switch (CanonicalId(id)) {
        case ID_FILE_SAVE:
            return g_pDravik2Doc && g_pDsgMainFrame && g_pDsgMainFrame->TSPGetPageCount() > 0 &&
                   g_pDravik2Doc->IsModified();
        case ID_DSG_CLEARFORM:
            return page && page->GetEACount() > 0;
        case ID_DSG_UNDO:
            return page && page->IsUndoable();
        case ID_DSG_REDO:
            return page && page->IsRedoable();
        case ID_DSG_CUT:
        case ID_DSG_COPY:
        case ID_DSG_DELETE:
            // Selection state other than "none": there is a current chosen
            // object (read inline, as the library exports the page alone).
            return page && page->GetCWOCHId() != -1;
        case ID_DSG_PASTE:
            return CDsgHDAction().CanPasteWObjs();
        case ID_DSG_SELECTAROUND:
            return page && page->GetCWOCHId() != -1 && page->GetZOrder().Has(page->GetCWOCHId());
        case ID_DSG_SELECTALL:
            return page && page->GetSPIndex() >= 0 && page->GetWObjCount() > 0;
        case ID_DSG_SAVECODEAS:
        case ID_DSG_PAGEKEYS:
            return FALSE;
        default:
            return TRUE;
    }
}

void CMainFrame::UpdateCommandUI() {
    for (auto& [id, actions] : m_actions) {
        const bool enabled = IsCommandEnabled(id);
        for (QAction* action : actions) action->setEnabled(enabled);
    }
    if (m_pToolBar)
        for (UINT id :
             std::initializer_list<UINT>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_DSG_CUT,
                                         ID_DSG_COPY, ID_DSG_PASTE, ID_DSG_VIEWCODE})
            if (QAction* action = m_pToolBar->GetButtonAction(id))
                action->setEnabled(IsCommandEnabled(id));
}

BOOL CMainFrame::OnCommand(UINT id) {
    if (!IsCommandEnabled(id)) return FALSE;
    CDravik2Doc* doc = g_pDravik2Doc;
    CDsgDSPFrame* page = g_pDsgDSPFrame;
    CDsgMainFrame* frame = g_pDsgMainFrame;
    const bool started = m_pView && m_pView->IsFrameStarted();
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CDvkRecentFiles::kCount) {
        if (!doc) return FALSE;
        const auto& paths = doc->GetRecentFiles().GetPaths();
        const size_t index = id - ID_FILE_MRU_FILE1;
        if (index >= paths.size()) return FALSE;
        const std::string path = paths[index];
        if (!doc->OpenDocumentFile(path) && !IsPathExisting(path)) {
            doc->GetRecentFiles().Remove(path);
            doc->GetRecentFiles().Save();
            UpdateRecentFileMenu();
        }
        UpdateCommandUI();
        return TRUE;
    }
    switch (CanonicalId(id)) {
        case ID_FILE_NEW:
            if (doc) doc->OnFileNew();
            break;
        case ID_FILE_OPEN:
            if (doc) doc->OnFileOpen();
            break;
        case ID_FILE_SAVE:
            if (doc) doc->OnFileSave();
            break;
        case ID_FILE_SAVE_AS:
            if (doc) doc->OnFileSaveAs();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_DSG_ADDFORM:
            if (started) DvkAddForm(*frame);
            break;
        case ID_DSG_LOADFORM:
            if (started) DvkLoadForm(*frame);
            break;
        case ID_DSG_CLEARFORM:
            OnClearForm();
            break;
        case ID_DSG_UNDO:
            page->UndoEActionAndSRefresh();
            break;
        case ID_DSG_REDO:
            page->RedoEActionAndSRefresh();
            break;
        case ID_DSG_CUT:
            page->OnCut();
            break;
        case ID_DSG_COPY:
            page->OnCopy();
            break;
        case ID_DSG_PASTE:
            if (page) page->OnPaste();
            break;
        case ID_DSG_DELETE:
            page->OnWODeleteWOCHObjs();
            break;
        case ID_DSG_SELECTAROUND:
            page->OnTab();
            break;
        case ID_DSG_SELECTALL:
            page->WOChooseAllWObjs();
            frame->SRefreshSREvent(3);
            break;
        case ID_DSG_GRID:
            if (started) frame->SetUGrid();
            break;
        case ID_DSG_VIEWCODE:
            OnViewCode();
            break;
        case ID_DSG_VIEW100:
            if (started) frame->PResize(100);
            break;
        case ID_DSG_VIEW200:
            if (started) frame->PResize(200);
            break;
        case ID_DSG_OPTIONS:
            OnOptions();
            break;
        case ID_DSG_SETTINGS:
            OnSettings();
            break;
        case ID_DSG_GUIDE:
            OnUserGuide();
            break;
        case ID_APP_ABOUT:
            OnAbout();
            break;
        default:
            return FALSE;
    }
    UpdateCommandUI();
    return TRUE;
}

void CMainFrame::OnClearForm() {
    CDsgDSPFrame* page = g_pDsgDSPFrame;
    CDsgMainFrame* frame = g_pDsgMainFrame;
    if (!page || !frame) return;
    const int index = page->GetSPIndex();
    std::string name;
    if (!DvkGetFormName(*frame, index, name)) {
        MessageBox("Error 79123", "Error", MB_OK, this);
        return;
    }
    const std::string text = "Are you sure you want to clear the form '" + name +
                             "' ?\r\n\r\nAll your works on the form will be erased and "
                             "cannot be undone.";
    if (MessageBox(text, "WARNING !!", MB_YESNO | MB_ICONWARNING, this) != IDYES) return;
    page->SPClear(1, 1);
    DvkMarkFormChanged(*frame, index);
}

void CMainFrame::OnViewCode() {
    if (g_pDvkCodeWnd) {
        delete g_pDvkCodeWnd;
        return;
    }
    CDravik2View* view = m_pView;
    auto* window =
        new CDvkCodeWnd(view, [view](std::string& text) { return view->GenerateSource(text); });
    window->Init(view->GetPJGCommands());
    window->show();
}

void CMainFrame::OnOptions() {
    CDsgGOption* option = g_pDsgGOption;
    if (!option) return;
    CDlgDvkOptions dialog(*option, option->GetSPageBackColor(), this);
    if (ExecDialog(dialog) != IDOK) return;
    option->SetInt(GOPT_SPAGE_BACK_COLOR, static_cast<int>(dialog.GetBackColor()));
    if (g_pDsgMainFrame) {
        g_pDsgMainFrame->TSPUpdateAllThumbnails();
        g_pDsgMainFrame->SRefreshSREvent(2);
    }
}

void CMainFrame::OnSettings() {
    if (!g_pDravik2Doc) return;
    CDlgDPSettings dialog(*g_pDravik2Doc, this);
    ExecDialog(dialog);
}

BOOL CMainFrame::IsKoreanUILanguage() { return FxIsKoreanUILanguage(); }

std::string CMainFrame::GetUserGuidePath() {
    return GetFolder(FolderKind::Program) + "/Dravik User's Guide" +
           (IsKoreanUILanguage() ? "(Kor)" : "(Eng)") + ".pdf";
}

void CMainFrame::OnUserGuide() { ShellOpen(GetUserGuidePath(), "", 5); }

void CMainFrame::OnAbout() {
    CDlgDvkAbout dialog(this);
    ExecDialog(dialog);
}

BOOL CMainFrame::IsFrameStarted() const { return m_pView && m_pView->IsFrameStarted(); }

void CMainFrame::RelayoutView() {
    if (m_pView) ReapplyHwndSize(m_pView);
}

void CMainFrame::RequestRegeneration() {
    if (m_pView) m_pView->OnRegenerateRequest();
}

void CMainFrame::RegenerateNow() {
    if (m_pView) m_pView->Regenerate();
}

void CMainFrame::HoldAutoSave(BOOL hold) {
    if (m_pView) m_pView->HoldAutoSave(hold);
}

void CMainFrame::OnUpdateFrameTitle() {
    const std::string title = g_pDravik2Doc ? g_pDravik2Doc->GetTitle() : "Untitled";
    setWindowTitle(AnsiToQString(title + " - " + CDravik2Doc::GetDocString(0)));
}

void CMainFrame::RecordPlacement() {
    if (!isVisible()) return;
    m_state.Record(this);
    if (g_pDvkCodeWnd) g_pDvkCodeWnd->PlaceBesideMainWindow();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RecordPlacement();
    if (m_pView) InvalidateChildren(m_pView, TRUE, "", TRUE);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RecordPlacement();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    GetDroppedFiles(event->mimeData(), files);
    event->acceptProposedAction();
    OnDropFiles(files);
}

void CMainFrame::OnDropFiles(const std::vector<std::string>& files) {
    // A drop is the Open command: the save question, then the project with
    // its own path and title (opened alone it would keep the old path, and
    // Save would write it over the previous project).
    if (files.empty() || !g_pDravik2Doc) return;
    g_pDravik2Doc->OpenDocumentFile(files.front());
    UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_bClosed) {
        event->accept();
        return;
    }
    if (g_pDravik2Doc && m_pView && m_pView->IsFrameStarted() && !g_pDravik2Doc->SaveModified()) {
        event->ignore();
        return;
    }
    m_bClosed = TRUE;
    KillTimer(this, TIMER_IDLEUPDATE);
    if (g_pDvkCodeWnd) delete g_pDvkCodeWnd;
    m_state.Write(this);
    // The session ended: the next start resets the slot.
    if (m_pView && m_pView->IsFrameStarted()) m_pView->GetDsgMainFrame().UCSet();
    event->accept();
}
