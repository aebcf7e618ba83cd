// The pixel-art program's application object.

#include "apps/pixelart/orvantaapp.h"

BOOL COrvantaApp::InitInstance(const std::vector<std::string>& arguments) {
    if (!CreateDocAndFrame()) return FALSE;
    const std::string path = ParseCommandLine(arguments);
    // A file that cannot be loaded has said so; a new document stays.
    if (path.empty() || !m_pDoc->OpenDocumentFile(path)) m_pDoc->OnNewDocument();
    m_pMainFrame->ActivateFrame();
    return TRUE;
}
