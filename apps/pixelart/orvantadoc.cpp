// The pixel-art program's document.

#include "apps/pixelart/orvantadoc.h"

#include <QApplication>

#include "foundation/fxutilswnd.h"
#include "pixel/dlgwframes.h"
#include "pixel/lmregjpwindow.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpwindow.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {
COrvantaDoc* g_pDoc = nullptr;
}

COrvantaDoc* OrvantaDoc() { return g_pDoc; }

COrvantaDoc::COrvantaDoc() : CFxDocument(kDocString, "Orvanta/orvanta.ini") { g_pDoc = this; }

COrvantaDoc::~COrvantaDoc() {
    if (g_pDoc == this) g_pDoc = nullptr;
}

void COrvantaDoc::ResetEngine() {
    CLmrOGJPWindow* view = LmrOGJPWindow();
    if (!view) return;
    view->CLmrYUBuffer::AGJPEADelete();
    if (CLmrEGJPEState* state = LmrEGJPEState()) state->m_nMode = CLmrEGJPEState::EM_IDLE;
    view->ClearAllPGInfos();
    view->RedrawOGJPWindow();
    if (CLmrEGJPWindow* zoomed = LmrEGJPWindow()) zoomed->RedrawEGJPWindow();
    if (CDlgEGJPWFrame* frame = LmrEGJPWFrame()) frame->UpdateEBState();
    LmrViewNotice().MarkCodeStale();
}

BOOL COrvantaDoc::OnNewDocument() {
    if (CLmrOGJPWindow* view = LmrOGJPWindow()) view->OGJPClear();
    ResetEngine();
    SetPathName("");
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL COrvantaDoc::OnOpenDocument(const std::string& path) {
    CLmrOGJPWindow* view = LmrOGJPWindow();
    // The canvas changes only when the whole file was read.
    if (!view || !view->OGJPixelFromFile(path)) {
        MessageBox("Cannot load the file.", "Load Failure", MB_OK | MB_ICONERROR,
                   QApplication::activeWindow());
        return FALSE;
    }
    // The steps, the layer and the selection belonged to the previous
    // picture: undoing them would change the one just read.
    ResetEngine();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL COrvantaDoc::WriteDocument(const std::string& path) {
    CLmrOGJPWindow* view = LmrOGJPWindow();
    // A selection move under way ends first, so that the file holds the
    // pixel values where they are shown; its step's notice is taken now, not
    // after the document is marked saved.
    if (view && view->GJPSEndMove()) DeliverPostedMessages(LmrWindowNotice().GetHostWindow());
    return view && view->OGJPixelToFile(path);
}

void COrvantaDoc::GetSaveAsRequest(FileDialogRequest& request) const {
    request.title = "Save project";
    request.filter = MakeBrowseFilter("Lumaret Project", "lmr");
    request.defaultExt = "lmr";
}
