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

CDravik2Doc::CDravik2Doc() : CFxDocument(kDocString, CDvkRecentFiles::kIniName) {
    g_pDravik2Doc = this;
}

CDravik2Doc::~CDravik2Doc() {
    if (g_pDravik2Doc == this) g_pDravik2Doc = nullptr;
}

void CDravik2Doc::SetWindows(CDvkDocWindows* windows) {
    m_pWindows = windows;
    SetDocWindows(windows);
}

BOOL CDravik2Doc::OnNewDocument() {
    SetDefaultDPSettings();
    SetPathName("");
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

BOOL CDravik2Doc::WriteDocument(const std::string& path) {
    // The page writes its form to the working file only every 1300 ms and the
    // character set on its own changes: both are brought up to date first, so
    // the project holds what is on screen.
    CDsgLSDAction lsd;
    if (g_pDsgDSPFrame) lsd.SLSCache(g_pDsgDSPFrame->GetSPIndex(), TRUE);
    if (g_pDsgMainFrame && !CDsgLSDAction::GetWorkDir().empty())
        if (CDtrGGJPixel* set = g_pDsgMainFrame->GetGGJPixel())
            set->GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath());
    return lsd.LSSave(path, *this);
}
