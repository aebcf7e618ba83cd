#include "design/frames/dlgxfdnchar.h"

#include <QResizeEvent>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "chareditor/dlggjpedit.h"
#include "chareditor/dlggjplist.h"
#include "chareditor/dtrmwindow.h"
#include "design/frames/dsgmainframe.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsghdata.h"
#include "design/model/dsgutprops.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/revolver.h"
#include "platform/uiservices.h"
#include "platform/window.h"

CDlgXFDNChar::CDlgXFDNChar(QWidget* parent) : CDlgXFPanel(1037, parent) {
    m_pMWindow = new CDtrMWindow(this);
    m_pMWindow->InitMWindow(this);
    m_pMWindow->setObjectName("XFDNChar");
    m_pMWindow->setGeometry(rect());
    m_pMWindow->show();
    m_pClampNote->raise();

    SetMessageHandler(this, WM_DTR_GIRNCALTER,
                      [this](WPARAM w, LPARAM) { return OnUSMsgGIRNCAlter(w); });
    SetMessageHandler(this, WM_DTR_GJPCOPY, [this](WPARAM w, LPARAM) { return OnGJPCopy(w); });
    SetMessageHandler(this, WM_DTR_GJPPASTE, [this](WPARAM w, LPARAM) { return OnGJPPaste(w); });
    SetMessageHandler(this, WM_DTR_GJPCANPASTE,
                      [this](WPARAM w, LPARAM) { return OnGJPCanPaste(w); });
}

CDlgXFDNChar::~CDlgXFDNChar() = default;

void CDlgXFDNChar::resizeEvent(QResizeEvent* event) {
    CDlgXFPanel::resizeEvent(event);
    m_pMWindow->setGeometry(rect());
}

int CDlgXFDNChar::DirncacharToCode(const std::string& text) {
    if (text.empty()) return -1;
    char* end = nullptr;
    errno = 0;
    const long long code = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || end == text.c_str() || *end != '\0' || code < INT_MIN || code > INT_MAX)
        return -1;
    return static_cast<int>(code);
}

void CDlgXFDNChar::FillXF() {
    ++m_nFilling;
    if (CDsgDSPFrame* page = GetDsgDSPFrame())
        m_pMWindow->eirncachar =
            DirncacharToCode(page->GetWOEUTProps().GetString(szUTP_DIRNCACHAR));
    if (CDtrJPWindow* grid = m_pMWindow->GetJPWindow()) grid->update();
    m_pMWindow->GetGJPList().update();
    --m_nFilling;
}

std::string CDlgXFDNChar::GetGGJPixelFilePath() {
    const CDsgMainFrame* frame = GetDsgMainFrame();
    return (frame ? frame->GetLSDir() : std::string()) + "/irggjp.dat";
}

BOOL CDlgXFDNChar::WriteGGJPixelFile() {
    const std::string path = GetGGJPixelFilePath();
    if (m_pMWindow->GGJPixelToFile(path)) {
        LogWrite("GGJPixelToFile Success in CDsgMainFrame::OnUSMsgGIRNCAlter");
        return TRUE;
    }
    LogWrite("GGJPixelToFile Failed in CDsgMainFrame::OnUSMsgGIRNCAlter");
    MessageBox("Cannot save the definable characters to " + path +
                   ".\r\nThey are kept and written again with the next change or project save.",
               "Save Failure");
    return FALSE;
}

LRESULT CDlgXFDNChar::OnUSMsgGIRNCAlter(WPARAM wParam) {
    WriteGGJPixelFile();
    CDsgMainFrame* frame = GetDsgMainFrame();
    if (frame) frame->NotifyDesignChanged();
    if (wParam == 0) {
        if (frame) frame->SRefreshSREvent(1);
        return 0;
    }
    const std::string code = std::to_string(m_pMWindow->eirncachar);
    if (CDsgDSPFrame* page = GetDsgDSPFrame()) {
        CDsgWOAmending amending;
        amending.SetStringAmending(szUTP_DIRNCACHAR, code);
        page->AddWOCHObjsWOAEAction(amending, 1);
        page->GetWOEUTProps().SetString(szUTP_DIRNCACHAR, code);
    }
    return 0;
}

LRESULT CDlgXFDNChar::OnGJPCopy(WPARAM wParam) {
    auto* edit = reinterpret_cast<CDlgGJPEdit*>(wParam);
    if (!edit) {
        MessageBox("Cannot copy pixel data to clipboard.", "Copy Failure");
        return 0;
    }
    CRevolver fruit;
    edit->GetGJPixel().ToGJPFruit(fruit);
    CDsgHDAction buffer;
    buffer.HDSetGJPixel(fruit);
    buffer.HDWrite();
    return 0;
}

LRESULT CDlgXFDNChar::OnGJPPaste(WPARAM wParam) {
    auto* edit = reinterpret_cast<CDlgGJPEdit*>(wParam);
    if (!edit) {
        MessageBox("Cannot paste pixel data from clipboard.", "Paste Failure");
        return 0;
    }
    CDsgHDAction buffer;
    // Objects in the buffer are no character: nothing to paste.
    if (!buffer.HDRead() || buffer.m_nHDKind != nDSG_HDKIND__GJPIXEL) return 0;
    if (edit->GetGJPixel().FromGJPFruit(buffer.m_revGJPixel)) {
        if (CDtrJPWindow* grid = edit->GetJPWindow()) grid->update();
    } else {
        MessageBox("Error 43621", "Error");
    }
    return 0;
}

LRESULT CDlgXFDNChar::OnGJPCanPaste(WPARAM wParam) {
    if (auto* edit = reinterpret_cast<CDlgGJPEdit*>(wParam)) {
        CDsgHDAction buffer;
        edit->SetCanPaste(buffer.CanPasteGJPixel() ? 1 : 0);
    }
    return 0;
}
