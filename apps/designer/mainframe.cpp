// The designer's main window.

#include "apps/designer/mainframe.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/dvkdialogs.h"
#include "apps/designer/dvkids.h"
#include "design/model/dsggoption.h"
#include "design/model/dsghdata.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

// The tool bar's buttons.
const std::vector<UINT> kToolBarButtons = {ID_FILE_NEW,  ID_FILE_OPEN, ID_FILE_SAVE,
                                           ID_SEPARATOR, ID_DSG_CUT,   ID_DSG_COPY,
                                           ID_DSG_PASTE, ID_SEPARATOR, ID_DSG_VIEWCODE};

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

CMainFrame::CMainFrame() : CFxDocFrame(CDravik2Doc::kDocString, ID_FILE_SAVE, &GetStateFilePath) {
    SetDesignCommands();
}

CMainFrame::~CMainFrame() {
    if (g_pDvkCodeWnd) delete g_pDvkCodeWnd;
}

std::string CMainFrame::GetStateFilePath() {
    return GetFolder(FolderKind::Program) + "/" + kStateFile;
}

CFxDocument* CMainFrame::GetDocument() const { return g_pDravik2Doc; }

void CMainFrame::SetDesignCommands() {
    // The commands act on the page, the design frame and the document of the
    // moment; the enable rules keep the page's ones from running without it.
    const auto page = [] { return g_pDsgDSPFrame; };
    const auto frame = [] { return g_pDsgMainFrame; };
    const auto started = [this] { return IsFrameStarted(); };
    const auto chosen = [page] { return page() && page()->GetCWOCHId() != -1; };

    SetEnableRule(ID_FILE_SAVE, [] {
        return g_pDravik2Doc && g_pDsgMainFrame && g_pDsgMainFrame->TSPGetPageCount() > 0 &&
               g_pDravik2Doc->IsModified();
    });
    SetCommand(ID_DSG_ADDFORM, [=] {
        if (started()) DvkAddForm(*frame());
    });
    SetCommand(ID_DSG_LOADFORM, [=] {
        if (started()) DvkLoadForm(*frame());
    });
    SetCommand(
        ID_DSG_CLEARFORM, [this] { OnClearForm(); },
        [page] { return page() && page()->GetEACount() > 0; });
    SetCommand(
        ID_DSG_UNDO, [page] { page()->UndoEActionAndSRefresh(); },
        [page] { return page() && page()->IsUndoable(); });
    SetCommand(
        ID_DSG_REDO, [page] { page()->RedoEActionAndSRefresh(); },
        [page] { return page() && page()->IsRedoable(); });
    // Selection state other than "none": there is a current chosen object
    // (read inline, as the library exports the page alone).
    SetCommand(
        ID_DSG_CUT, [page] { page()->OnCut(); }, chosen);
    SetCommand(
        ID_DSG_COPY, [page] { page()->OnCopy(); }, chosen);
    SetCommand(
        ID_DSG_PASTE,
        [page] {
            if (page()) page()->OnPaste();
        },
        [] { return CDsgHDAction().CanPasteWObjs(); });
    SetCommand(
        ID_DSG_DELETE, [page] { page()->OnWODeleteWOCHObjs(); }, chosen);
    SetCommand(
        ID_DSG_SELECTAROUND, [page] { page()->OnTab(); },
        [page, chosen] { return chosen() && page()->GetZOrder().Has(page()->GetCWOCHId()); });
    SetCommand(
        ID_DSG_SELECTALL,
        [page, frame] {
            page()->WOChooseAllWObjs();
            frame()->SRefreshSREvent(3);
        },
        [page] { return page() && page()->GetSPIndex() >= 0 && page()->GetWObjCount() > 0; });
    SetCommand(ID_DSG_GRID, [=] {
        if (started()) frame()->SetUGrid();
    });
    SetCommand(ID_DSG_VIEWCODE, [this] { OnViewCode(); });
    SetCommand(ID_DSG_VIEW100, [=] {
        if (started()) frame()->PResize(100);
    });
    SetCommand(ID_DSG_VIEW200, [=] {
        if (started()) frame()->PResize(200);
    });
    SetCommand(ID_DSG_OPTIONS, [this] { OnOptions(); });
    SetCommand(ID_DSG_SETTINGS, [this] { OnSettings(); });
    SetCommand(ID_DSG_GUIDE, [this] { OnUserGuide(); });
    SetCommand(ID_APP_ABOUT, [this] { OnAbout(); });
    // No handlers: the page takes its own keys.
    SetCommand(ID_DSG_SAVECODEAS, {}, [] { return FALSE; });
    SetCommand(ID_DSG_PAGEKEYS, {}, [] { return FALSE; });
    // The standard edit commands run the page's.
    AliasCommand(ID_EDIT_UNDO, ID_DSG_UNDO);
    AliasCommand(ID_EDIT_REDO, ID_DSG_REDO);
    AliasCommand(ID_EDIT_CUT, ID_DSG_CUT);
    AliasCommand(ID_EDIT_COPY, ID_DSG_COPY);
    AliasCommand(ID_EDIT_PASTE, ID_DSG_PASTE);
}

BOOL CMainFrame::Create() {
    // The saved placement (a quarter of the screen in, half its size, when
    // there is none).
    setAcceptDrops(true);
    CreateFrame(FALSE, GetMenuTable(), kToolBarButtons, IDB_TOOLBAR, IDB_TOOLBAR_DISABLED);
    m_pView = new CDravik2View(this);
    setCentralWidget(m_pView);
    const BOOL started = m_pView->OnCreate();
    m_pView->OnInitialUpdate();
    OnUpdateFrameTitle();
    return started;
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

void CMainFrame::OnPlacementChanged(BOOL moved) {
    if (isVisible() && g_pDvkCodeWnd) g_pDvkCodeWnd->PlaceBesideMainWindow();
    if (moved && m_pView) InvalidateChildren(m_pView, TRUE, "", TRUE);
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

void CMainFrame::OnCloseFrame() {
    if (g_pDvkCodeWnd) delete g_pDvkCodeWnd;
    // The session ended: the next start resets the slot.
    if (m_pView && m_pView->IsFrameStarted()) m_pView->GetDsgMainFrame().UCSet();
}
