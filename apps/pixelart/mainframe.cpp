// The pixel-art program's main window.

#include "apps/pixelart/mainframe.h"

#include "apps/pixelart/orvantadialogs.h"
#include "apps/pixelart/orvantaids.h"
#include "apps/pixelart/orvantaview.h"
#include "foundation/fxtoolbar.h"
#include "foundation/fxutils.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/paths.h"
#include "platform/uiservices.h"

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

CMainFrame::CMainFrame() : CFxDocFrame(COrvantaDoc::kDocString, ID_LMR_SAVE, &GetStateFilePath) {
    SetEditCommands();
}

CMainFrame::~CMainFrame() = default;

CFxDocument* CMainFrame::GetDocument() const { return OrvantaDoc(); }

CLmrMWindow* CMainFrame::GetMWindow() const { return m_pView ? m_pView->GetMWindow() : nullptr; }

void CMainFrame::SetEditCommands() {
    // The engine's parts of the moment: the whole canvas and the zoomed
    // frame; the enable rules keep the commands from running without them.
    const auto engine = [this] { return GetMWindow(); };
    const auto canvas = [engine] { return engine() ? engine()->GetOGJPWindow() : nullptr; };
    const auto zoomed = [engine] { return engine() ? engine()->GetEGJPWFrame() : nullptr; };
    const auto copiable = [zoomed] { return zoomed() && zoomed()->EGJPWFrameIsGJPSCopiable(); };

    SetCommand(
        ID_LMR_CLEARALL,
        [engine] {
            if (engine()) engine()->GetOGJPWFrame()->AGJPEADelete();
        },
        [canvas] { return canvas() && canvas()->GetYUStepCount() > 0; });
    SetCommand(
        ID_LMR_UNDO,
        [canvas] {
            canvas()->ClearAllPGInfos();
            canvas()->YUndo(1, 1, 1);
        },
        [canvas] { return canvas() && canvas()->IsYUndoable(); });
    SetCommand(
        ID_LMR_REDO,
        [canvas] {
            canvas()->ClearAllPGInfos();
            canvas()->YRedo(1, 1, 1);
        },
        [canvas] { return canvas() && canvas()->IsYRedoable(); });
    SetCommand(
        ID_LMR_CUT, [zoomed] { zoomed()->EGJPWFrameGJPSCut(); }, copiable);
    SetCommand(
        ID_LMR_COPY, [zoomed] { zoomed()->EGJPWFrameGJPSCopy(); }, copiable);
    SetCommand(
        ID_LMR_PASTE, [zoomed] { zoomed()->EGJPWFrameQDShift(); },
        [zoomed] { return zoomed() && zoomed()->EGJPWFrameIsQDShiftable(); });
    SetCommand(
        ID_LMR_SELECTALL, [zoomed] { zoomed()->EGJPWFrameAZGJPSelect(); },
        [zoomed] { return zoomed() != nullptr; });
    SetCommand(ID_APP_ABOUT, [this] { OnAbout(); });
}

BOOL CMainFrame::Create() {
    // Without a saved place the window keeps the desktop's placement.
    resize(800, 600);
    CreateFrame(TRUE, GetMenuTable(), GetToolBarButtons(), IDB_TOOLBAR, IDB_TOOLBAR_DISABLED);
    m_pView = new COrvantaView(this);
    setCentralWidget(m_pView);
    const BOOL created = m_pView->OnCreate();
    OnUpdateFrameTitle();
    return created;
}

void CMainFrame::OnAbout() {
    CDlgOrvantaAbout dialog(this);
    ExecDialog(dialog);
}

void CMainFrame::OnCloseFrame() {
    // The view goes first: the engine saves its options and layout and
    // stops its jobs; then the window's place is written.
    if (m_pView) {
        takeCentralWidget();
        delete m_pView;
        m_pView = nullptr;
    }
}
