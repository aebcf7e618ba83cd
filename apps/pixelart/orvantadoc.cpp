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

std::string COrvantaDoc::GetDocString(int index) {
    const std::string texts = kDocString;
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = texts.find('\n', start);
        if (start == std::string::npos) return std::string();
        ++start;
    }
    return texts.substr(start, texts.find('\n', start) - start);
}

COrvantaDoc::COrvantaDoc() {
    g_pDoc = this;
    m_recent.Load();
}

COrvantaDoc::~COrvantaDoc() {
    if (g_pDoc == this) g_pDoc = nullptr;
}

void COrvantaDoc::SetModifiedFlag(BOOL modified) {
    const BOOL changed = (m_bModified != 0) != (modified != 0);
    m_bModified = modified ? TRUE : FALSE;
    if (changed && m_pWindows) m_pWindows->OnUpdateFrameTitle();
}

std::string COrvantaDoc::GetTitle() const {
    // A document without a file is called by the template's document name.
    if (m_strPathName.empty()) {
        const std::string name = GetDocString(1);
        return name.empty() ? "Untitled" : name;
    }
    const size_t slash = m_strPathName.find_last_of('/');
    return slash == std::string::npos ? m_strPathName : m_strPathName.substr(slash + 1);
}

void COrvantaDoc::SetPathName(const std::string& path) {
    m_strPathName = path;
    if (!path.empty()) {
        m_recent.Add(path);
        m_recent.Save();
    }
    if (m_pWindows) {
        m_pWindows->OnUpdateFrameTitle();
        m_pWindows->UpdateRecentFileMenu();
    }
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

BOOL COrvantaDoc::OnSaveDocument(const std::string& path) {
    CLmrOGJPWindow* view = LmrOGJPWindow();
    // A selection move under way ends first, so that the file holds the
    // pixel values where they are shown; its step's notice is taken now, not
    // after the document is marked saved.
    if (view && view->GJPSEndMove()) DeliverPostedMessages(LmrWindowNotice().GetHostWindow());
    // The file is replaced whole or not at all: a failure leaves the file
    // that was there, the document's path and its modified flag.
    if (!view || !view->OGJPixelToFile(path)) {
        MessageBox("Failed to save to disk.", "Error", MB_OK | MB_ICONERROR,
                   QApplication::activeWindow());
        return FALSE;
    }
    SetPathName(path);
    SetModifiedFlag(FALSE);
    return TRUE;
}

void COrvantaDoc::OnFileNew() {
    if (SaveModified()) OnNewDocument();
}

void COrvantaDoc::OnFileOpen() {
    FileDialogRequest request;
    request.parent = m_pWindows ? m_pWindows->GetDocWindow() : nullptr;
    if (auto path = Ui().ChooseFile(request)) OpenDocumentFile(*path);
}

BOOL COrvantaDoc::OpenDocumentFile(const std::string& path) {
    if (!SaveModified()) return FALSE;
    if (!OnOpenDocument(path)) return FALSE;
    SetPathName(path);
    return TRUE;
}

BOOL COrvantaDoc::OnFileSave() {
    if (m_strPathName.empty()) return OnFileSaveAs();
    return OnSaveDocument(m_strPathName);
}

BOOL COrvantaDoc::OnFileSaveAs() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save project";
    request.filter = MakeBrowseFilter("Lumaret Project", "lmr");
    request.defaultExt = "lmr";
    request.initialPath = m_strPathName.empty() ? GetTitle() + ".lmr" : m_strPathName;
    request.parent = m_pWindows ? m_pWindows->GetDocWindow() : nullptr;
    const auto path = Ui().ChooseFile(request);
    if (!path) return FALSE;
    return OnSaveDocument(*path);
}

BOOL COrvantaDoc::SaveModified() {
    if (!m_bModified) return TRUE;
    switch (MessageBox("Save changes to " + GetTitle() + "?", GetDocString(0),
                       MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return OnFileSave();
        case IDNO:
            return TRUE;
        default:
            return FALSE;
    }
}
