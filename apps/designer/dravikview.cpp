// The designer's view: slot, design frame and the live BASIC source.

#include "apps/designer/dravikview.h"

#include <QMetaObject>
#include <QResizeEvent>

#include "apps/designer/dravikdoc.h"
#include "apps/designer/dvkcodewnd.h"
#include "apps/designer/dvkids.h"
#include "design/model/dsgdpsettings.h"
#include "design/model/dsglsdaction.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/uiservices.h"

CDravik2View* g_pDravik2View = nullptr;
CDsgMainFrame* g_pDsgMainFrame = nullptr;
CDsgDSPFrame* g_pDsgDSPFrame = nullptr;
CDsgGOption* g_pDsgGOption = nullptr;

CDravik2View::CDravik2View(QWidget* parent) : QWidget(parent) {
    g_pDravik2View = this;
    g_pDsgMainFrame = &m_dsgMainFrame;
    g_pDsgDSPFrame = m_dsgMainFrame.GetDSPFrame();
    m_dsgMainFrame.SetDsgOption(g_pDsgGOption);
    m_dsgMainFrame.setParent(this);
    m_dsgMainFrame.hide();
    SetMessageHandler(this, WM_DSG_DESIGNCHANGED, [this](WPARAM, LPARAM) {
        if (g_pDravik2Doc) g_pDravik2Doc->SetModifiedFlag(TRUE);
        PostMessage(this, WM_DSG_REGENERATE, 0, 0);
        return 0;
    });
    SetMessageHandler(this, WM_DSG_REGENERATE, [this](WPARAM, LPARAM) {
        OnRegenerateRequest();
        return 0;
    });
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
}

CDravik2View::~CDravik2View() {
    if (g_pDravik2View == this) {
        g_pDravik2View = nullptr;
        g_pDsgMainFrame = nullptr;
        g_pDsgDSPFrame = nullptr;
        g_pDsgGOption = nullptr;
    }
}

std::string CDravik2View::GetSlotFolder(int slot) {
    return GetFolder(FolderKind::Program) + "/prj" + std::to_string(slot);
}

BOOL CDravik2View::OnCreate() {
    // Without this the program would vanish without a word.
    const auto cannotWrite = [this](const std::string& folder) {
        MessageBox("Cannot start application. The working folder cannot be written:\r\n" + folder,
                   "Error", MB_OK, window());
        QMetaObject::invokeMethod(window(), "close", Qt::QueuedConnection);
        return FALSE;
    };
    // The search and the claim in one step under the slot base's lock, so
    // that designers started together take different slots.
    const std::string base = GetFolder(FolderKind::Program);
    const HWND handle = GetWindowHandle(this);
    const int slot = CDsgLSDAction::LSFindClaim(base, "prj", kSlotCount, HandleToText(handle));
    m_nSlot = slot;
    if (slot < 0) {
        // A slot without a live owner whose claim could not be written.
        const int unwritable = CDsgLSDAction::LSFind(base, "prj", kSlotCount);
        if (unwritable >= 0) return cannotWrite(GetSlotFolder(unwritable));
        MessageBox("Cannot start application. Too many program instance?", "Error", MB_OK,
                   window());
        SetTimer(this, TIMER_CLOSE, kCloseDelay);
        return TRUE;
    }
    CreateClassWindow(&m_dsgMainFrame, "DsgFrameForDravik2", FALSE, this);
    const std::string folder = GetSlotFolder(slot);
    const BOOL initialised =
        m_dsgMainFrame.InitMainFrame(slot, 1, folder, 1, this, HandleToText(handle));
    // The frame's page exists once the frame has started.
    g_pDsgDSPFrame = m_dsgMainFrame.GetDSPFrame();
    if (!initialised) return cannotWrite(folder);
    m_bFrameStarted = TRUE;
    m_dsgMainFrame.setGeometry(rect());
    m_dsgMainFrame.show();
    SetTimer(this, TIMER_FOCUS, kFocusDelay);
    SetTimer(this, TIMER_REGENERATE, kRegenerateCheck);
    return TRUE;
}

void CDravik2View::OnInitialUpdate() { InvalidateChildren(this, TRUE, "", TRUE); }

void CDravik2View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_bFrameStarted && !rect().isEmpty()) m_dsgMainFrame.setGeometry(rect());
}

void CDravik2View::OnRegenerateRequest() {
    if (m_dwLastRegeneration != 0 && GetTickCount() - m_dwLastRegeneration <= kRegenerateInterval) {
        m_bDirty = TRUE;
        return;
    }
    Regenerate();
}

void CDravik2View::Regenerate() {
    m_dwLastRegeneration = GetTickCount();
    if (!m_bFrameStarted) return;
    GenerateSource(m_strPJGCommands);
    const CDsgDPSettings* settings = g_pDravik2Doc;
    if (settings && settings->GetInt(DPS_TGCMWHETHER, 0) && !m_bAutoSaveHeld)
        WriteAutoSave(settings->GetString(DPS_TGCMFLPATH), m_strPJGCommands);
    if (g_pDvkCodeWnd) g_pDvkCodeWnd->FillText(m_strPJGCommands);
    m_bDirty = FALSE;
}

BOOL CDravik2View::GenerateSource(std::string& text) {
    if (!m_bFrameStarted) return FALSE;
    const CDsgDPSettings* settings = g_pDravik2Doc;
    const std::string name = settings ? settings->GetString(DPS_IRNCGCSCNAME) : std::string();
    const int isolate = settings ? settings->GetInt(DPS_IRNCGCISOLATE, 0) : 0;
    return DvkGetPJGCommands(m_dsgMainFrame, text, isolate, name);
}

void CDravik2View::WriteAutoSave(const std::string& path, const std::string& text) {
    const std::string file = TranslateWindowsPath(path);
    // Written again at the next regeneration: replaced whole, but not
    // waited for until it is on the disk.
    if (!file.empty() && MakeFolderPathFor(file) && ReplaceFileUnsynced(file, text)) return;
    // Said once per path, so that continuous editing does not bury the user
    // in messages, and never silently.
    if (!m_reportedPaths.insert(path).second) return;
    MessageBox("Cannot save the BASIC code automatically to\r\n" + path, "Error", MB_OK, window());
}

void CDravik2View::OnTimer(UINT_PTR id) {
    switch (id) {
        case TIMER_FOCUS:
            KillTimer(this, TIMER_FOCUS);
            if (m_bFrameStarted) m_dsgMainFrame.setFocus();
            break;
        case TIMER_REGENERATE:
            if (m_bDirty) Regenerate();
            break;
        case TIMER_CLOSE:
            KillTimer(this, TIMER_CLOSE);
            QMetaObject::invokeMethod(window(), "close", Qt::QueuedConnection);
            break;
        default:
            break;
    }
}
