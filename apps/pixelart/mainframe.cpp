// The pixel-art program's main window.

#include "apps/pixelart/mainframe.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

#include "apps/pixelart/orvantadialogs.h"
#include "apps/pixelart/orvantaids.h"
#include "apps/pixelart/orvantaview.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

// Update of the tool bar's buttons while the program is idle.
constexpr UINT_PTR TIMER_IDLEUPDATE = 1;
constexpr UINT kIdleUpdatePeriod = 250;

}  // namespace

const std::vector<CMainFrame::MenuPopup>& CMainFrame::GetMenuTable() {
    static const std::vector<MenuPopup> table = {
        {"&File",
         {{ID_FILE_NEW, "New\tCtrl+N", "Ctrl+N"},
          {ID_FILE_OPEN, "Open...\tCtrl+O", "Ctrl+O"},
          {ID_LMR_SAVE, "Save\tCtrl+S", "Ctrl+S"},
          {ID_FILE_SAVE_AS, "Save As...", nullptr},
          {0, nullptr, nullptr},
          {ID_APP_EXIT, "Exit", nullptr}}},
        {"&Edit",
         {{ID_LMR_CLEARALL, "Clear All", nullptr},
          {0, nullptr, nullptr},
          {ID_LMR_UNDO, "Undo\tCtrl+Z", "Ctrl+Z"},
          {ID_LMR_REDO, "Redo\tCtrl+Y", "Ctrl+Y"},
          {0, nullptr, nullptr},
          {ID_LMR_CUT, "Cut\tCtrl+X", "Ctrl+X"},
          {ID_LMR_COPY, "Copy\tCtrl+C", "Ctrl+C"},
          {ID_LMR_PASTE, "Paste\tCtrl+V", "Ctrl+V"},
          {ID_LMR_SELECTALL, "Select All\tCtrl+A", "Ctrl+A"}}},
        {"&Help", {{ID_APP_ABOUT, "About Orvanta...", nullptr}}},
    };
    return table;
}

const std::vector<UINT>& CMainFrame::GetToolBarButtons() {
    static const std::vector<UINT> buttons = {ID_FILE_NEW,  ID_FILE_OPEN, ID_LMR_SAVE,
                                              ID_SEPARATOR, ID_LMR_CUT,   ID_LMR_COPY,
                                              ID_LMR_PASTE, ID_SEPARATOR, ID_APP_ABOUT};
    return buttons;
}

std::string CMainFrame::GetStateFilePath() {
    return GetFolder(FolderKind::Data) + "/Orvanta/dvk_wnds_state.dat";
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

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::Create() {
    // Without a saved place the window keeps the desktop's placement.
    resize(800, 600);
    m_state.Apply(this, TRUE);
    BuildMenu();
    BuildToolBar();
    m_pView = new COrvantaView(this);
    setCentralWidget(m_pView);
    const BOOL created = m_pView->OnCreate();
    OnUpdateFrameTitle();
    SetTimer(this, TIMER_IDLEUPDATE, kIdleUpdatePeriod);
    return created;
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
                if (menu == m_pFileMenu) m_pExitSeparator = separator;
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            SetCommandId(action, item.id);
            if (item.keys) {
                // The edit keys act in the engine's frames when they have the
                // focus (the frames take them first), here otherwise.
                action->setShortcut(QKeySequence(QString::fromLatin1(item.keys)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            const UINT id = item.id;
            connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
            m_actions[id] = action;
            addAction(action);
        }
    }
    UpdateRecentFileMenu();
}

void CMainFrame::BuildToolBar() {
    m_pToolBar = new CFxToolBar(this);
    m_pToolBar->setObjectName("toolbar128");
    m_pToolBar->SetOwner(this);
    m_pToolBar->SetButtons(GetToolBarButtons());
    m_pToolBar->SetImageLists(16, IDB_TOOLBAR, IDB_TOOLBAR, IDB_TOOLBAR_DISABLED);
    m_pToolBar->setMovable(true);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::UpdateRecentFileMenu() {
    COrvantaDoc* doc = OrvantaDoc();
    if (!m_pFileMenu || !doc) return;
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    const auto& paths = doc->GetRecentFiles().GetPaths();
    for (size_t i = 0; i < paths.size(); ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        auto* action =
            new QAction(QString("&%1 %2").arg(i + 1).arg(AnsiToQString(paths[i])), m_pFileMenu);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
        m_pFileMenu->insertAction(m_pExitSeparator, action);
        m_recentActions.push_back(action);
    }
    if (!paths.empty()) {
        auto* separator = new QAction(m_pFileMenu);
        separator->setSeparator(true);
        m_pFileMenu->insertAction(m_recentActions.front(), separator);
        m_recentActions.insert(m_recentActions.begin(), separator);
    }
}

QAction* CMainFrame::GetCommandAction(UINT id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

CLmrMWindow* CMainFrame::GetMWindow() const { return m_pView ? m_pView->GetMWindow() : nullptr; }

BOOL CMainFrame::IsCommandEnabled(UINT id) const {
    CLmrMWindow* engine = GetMWindow();
    CLmrOGJPWindow* canvas = engine ? engine->GetOGJPWindow() : nullptr;
    CDlgEGJPWFrame* zoomed = engine ? engine->GetEGJPWFrame() : nullptr;
    switch (id) {
        case ID_LMR_SAVE:
            return OrvantaDoc() && OrvantaDoc()->IsModified();
        case ID_LMR_CLEARALL:
            return canvas && canvas->GetYUStepCount() > 0;
        case ID_LMR_UNDO:
            return canvas && canvas->IsYUndoable();
        case ID_LMR_REDO:
            return canvas && canvas->IsYRedoable();
        case ID_LMR_CUT:
        case ID_LMR_COPY:
            return zoomed && zoomed->EGJPWFrameIsGJPSCopiable();
        case ID_LMR_PASTE:
            return zoomed && zoomed->EGJPWFrameIsQDShiftable();
        case ID_LMR_SELECTALL:
            return zoomed != nullptr;
        default:
            return TRUE;
    }
}

void CMainFrame::UpdateCommandUI() {
    for (auto& [id, action] : m_actions) action->setEnabled(IsCommandEnabled(id));
    if (m_pToolBar)
        for (UINT id : GetToolBarButtons())
            if (QAction* action = id ? m_pToolBar->GetButtonAction(id) : nullptr)
                action->setEnabled(IsCommandEnabled(id));
}

BOOL CMainFrame::OnCommand(UINT id) {
    if (!IsCommandEnabled(id)) return FALSE;
    COrvantaDoc* doc = OrvantaDoc();
    CLmrMWindow* engine = GetMWindow();
    CLmrOGJPWindow* canvas = engine ? engine->GetOGJPWindow() : nullptr;
    CDlgEGJPWFrame* zoomed = engine ? engine->GetEGJPWFrame() : nullptr;
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CFxRecentFiles::kCount) {
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
    switch (id) {
        case ID_FILE_NEW:
            if (doc) doc->OnFileNew();
            break;
        case ID_FILE_OPEN:
            if (doc) doc->OnFileOpen();
            break;
        case ID_LMR_SAVE:
            if (doc) doc->OnFileSave();
            break;
        case ID_FILE_SAVE_AS:
            if (doc) doc->OnFileSaveAs();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_LMR_CLEARALL:
            if (engine) engine->GetOGJPWFrame()->AGJPEADelete();
            break;
        case ID_LMR_UNDO:
            canvas->ClearAllPGInfos();
            canvas->YUndo(1, 1, 1);
            break;
        case ID_LMR_REDO:
            canvas->ClearAllPGInfos();
            canvas->YRedo(1, 1, 1);
            break;
        case ID_LMR_CUT:
            zoomed->EGJPWFrameGJPSCut();
            break;
        case ID_LMR_COPY:
            zoomed->EGJPWFrameGJPSCopy();
            break;
        case ID_LMR_PASTE:
            zoomed->EGJPWFrameQDShift();
            break;
        case ID_LMR_SELECTALL:
            zoomed->EGJPWFrameAZGJPSelect();
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

void CMainFrame::OnAbout() {
    CDlgOrvantaAbout dialog(this);
    ExecDialog(dialog);
}

void CMainFrame::OnUpdateFrameTitle() {
    const std::string title = OrvantaDoc() ? OrvantaDoc()->GetTitle() : "Untitled";
    setWindowTitle(AnsiToQString(title + " - " + COrvantaDoc::GetDocString(0)));
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    m_state.Record(this);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_state.Record(this);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_bClosed) {
        event->accept();
        return;
    }
    if (OrvantaDoc() && !OrvantaDoc()->SaveModified()) {
        event->ignore();
        return;
    }
    m_bClosed = TRUE;
    KillTimer(this, TIMER_IDLEUPDATE);
    // The view goes first: the engine saves its options and layout and
    // stops its jobs; then the window's place is written.
    if (m_pView) {
        takeCentralWidget();
        delete m_pView;
        m_pView = nullptr;
    }
    m_state.Write(this);
    event->accept();
}
