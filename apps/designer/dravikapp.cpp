// The designer's application object.

#include "apps/designer/dravikapp.h"

#include "apps/designer/dravikview.h"

BOOL CDravik2App::InitInstance(const std::vector<std::string>& arguments) {
    const BOOL started = CreateDocAndFrame();
    m_pDoc->SetBinderMessage("chars_invalid",
                             "The length of characters must be $chars_min~$chars_max.");
    if (started && m_pMainFrame->GetView()->IsFrameStarted()) {
        // The first document is always a new one, with its recovery offer;
        // a project named on the command line then opens as the Open command
        // does, so the save question guards recovered work.
        m_pDoc->OnNewDocument();
        const std::string path = ParseCommandLine(arguments);
        if (!path.empty()) m_pDoc->OpenDocumentFile(path);
    }
    m_pMainFrame->ActivateFrame();
    return TRUE;
}
