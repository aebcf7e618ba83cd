// The designer's document: the project's new, open and save.

#include "apps/designer/dravikdoc.h"

#include "chareditor/dtrggjpixel.h"
#include "design/frames/dsgmainframe.h"
#include "design/model/dsglsdaction.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/uiservices.h"

CDravik2Doc* g_pDravik2Doc = nullptr;

// ---- Document -------------------------------------------------------------------

std::string CDravik2Doc::GetDocString(int index) {
    const std::string texts = kDocString;
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = texts.find('\n', start);
        if (start == std::string::npos) return std::string();
        ++start;
    }
    return texts.substr(start, texts.find('\n', start) - start);
}

std::string CDravik2Doc::GetFilter() {
    return GetDocString(3) + "|*" + GetDocString(4) + "|All files(*.*)|*.*||";
}

CDravik2Doc::CDravik2Doc() {
    g_pDravik2Doc = this;
    m_recent.Load();
}

CDravik2Doc::~CDravik2Doc() {
    if (g_pDravik2Doc == this) g_pDravik2Doc = nullptr;
}

void CDravik2Doc::SetModifiedFlag(BOOL modified) {
    const BOOL changed = (m_bModified != 0) != (modified != 0);
    m_bModified = modified ? TRUE : FALSE;
    if (changed && m_pWindows) m_pWindows->OnUpdateFrameTitle();
}

std::string CDravik2Doc::GetTitle() const {
    if (m_strPathName.empty()) return "Untitled";
    const size_t slash = m_strPathName.find_last_of('/');
    return slash == std::string::npos ? m_strPathName : m_strPathName.substr(slash + 1);
}

void CDravik2Doc::SetPathName(const std::string& path) {
    m_strPathName = path;
    m_recent.Add(path);
    m_recent.Save();
    if (m_pWindows) {
        m_pWindows->OnUpdateFrameTitle();
        m_pWindows->UpdateRecentFileMenu();
    }
}

BOOL CDravik2Doc::OnNewDocument() {
    SetDefaultDPSettings();
    m_strPathName.clear();
    SetModifiedFlag(FALSE);
    const BOOL first = m_bFirstNew;
    m_bFirstNew = FALSE;
    if (m_pWindows && m_pWindows->IsFrameStarted() && g_pDsgDSPFrame) {
        g_pDsgDSPFrame->SPClear(0, 0);
        // A slot whose session did not end is offered for recovery on the
        // first new document only.
        const BOOL recovering = first && GetIniString(CDsgLSDAction::GetIniPath(), "UComplete",
                                                      LSD_INI_SECTION, "-1") == "0";
        if (!CDsgLSDAction().LSDReset(1, 1, first, 1)) LogWrite("LSDReset Failed");
        // Recovered work exists only in the slot: it must count as unsaved,
        // or closing would ask nothing and the next start would reset it.
        if (recovering) SetModifiedFlag(TRUE);
        m_pWindows->RelayoutView();
        m_pWindows->RequestRegeneration();
    }
    if (m_pWindows) m_pWindows->OnUpdateFrameTitle();
    return TRUE;
}

BOOL CDravik2Doc::OnOpenDocument(const std::string& path) {
    LogWrite("=== CDravik2Doc::OnOpenDocument ===");
    // The loader regenerates the code; a path that came with the file is not
    // written to before the user has confirmed it.
    if (m_pWindows) m_pWindows->HoldAutoSave(TRUE);
    const BOOL loaded = CDsgLSDAction().LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, *this);
    if (m_pWindows) m_pWindows->HoldAutoSave(FALSE);
    if (!loaded) {
        LogWrite("LSLoad Failed");
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    ConfirmAutoSavePath();
    return TRUE;
}

void CDravik2Doc::ConfirmAutoSavePath() {
    if (!GetInt(DPS_TGCMWHETHER, 0)) return;
    const std::string text = "This project saves its BASIC code automatically to\r\n" +
                             GetString(DPS_TGCMFLPATH) +
                             "\r\n\r\nKeep saving the code to this file?";
    if (MessageBox(text, "WARNING !!", MB_YESNO | MB_ICONWARNING) == IDYES) {
        if (m_pWindows) m_pWindows->RegenerateNow();
        return;
    }
    SetInt(DPS_TGCMWHETHER, 0);
    SetModifiedFlag(TRUE);
}

BOOL CDravik2Doc::OnSaveDocument(const std::string& path) {
    // The page writes its form to the working file only every 1300 ms and the
    // character set on its own changes: both are brought up to date first, so
    // the project holds what is on screen.
    CDsgLSDAction lsd;
    if (g_pDsgDSPFrame) lsd.SLSCache(g_pDsgDSPFrame->GetSPIndex(), TRUE);
    if (g_pDsgMainFrame && !CDsgLSDAction::GetWorkDir().empty())
        if (CDtrGGJPixel* set = g_pDsgMainFrame->GetGGJPixel())
            set->GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath());
    if (!lsd.LSSave(path, *this)) {
        MessageBox("Failed to save to disk.", "Error", MB_OK | MB_ICONERROR);
        return FALSE;
    }
    SetPathName(path);
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDravik2Doc::OnFileNew() {
    if (SaveModified()) OnNewDocument();
}

void CDravik2Doc::OnFileOpen() {
    FileDialogRequest request;
    request.filter = GetFilter();
    request.defaultExt = GetDocString(4).substr(1);
    request.parent = m_pWindows ? m_pWindows->GetDocWindow() : nullptr;
    if (auto path = Ui().ChooseFile(request)) OpenDocumentFile(*path);
}

BOOL CDravik2Doc::OpenDocumentFile(const std::string& path) {
    if (!SaveModified()) return FALSE;
    if (!OnOpenDocument(path)) return FALSE;
    SetPathName(path);
    return TRUE;
}

BOOL CDravik2Doc::OnFileSave() {
    if (m_strPathName.empty()) return OnFileSaveAs();
    return OnSaveDocument(m_strPathName);
}

BOOL CDravik2Doc::OnFileSaveAs() {
    FileDialogRequest request;
    request.save = true;
    request.filter = GetFilter();
    request.defaultExt = GetDocString(4).substr(1);
    request.initialPath = m_strPathName.empty() ? GetTitle() + GetDocString(4) : m_strPathName;
    const auto path = Ui().ChooseFile(request);
    if (!path) return FALSE;
    return OnSaveDocument(*path);
}

BOOL CDravik2Doc::SaveModified() {
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
