// The pixel-art program's application object.

#include "apps/pixelart/orvantaapp.h"

#include <QDir>
#include <QFileInfo>

#include "apps/pixelart/mainframe.h"
#include "apps/pixelart/orvantadoc.h"
#include "foundation/fxsharedvalues.h"
#include "platform/textcodec.h"

COrvantaApp::COrvantaApp() = default;

COrvantaApp::~COrvantaApp() { ExitInstance(); }

std::string COrvantaApp::ParseCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument[0] == '-') continue;
        const QFileInfo info(AnsiToQString(argument));
        return QStringToAnsi(QDir::cleanPath(info.absoluteFilePath()));
    }
    return std::string();
}

BOOL COrvantaApp::InitInstance(const std::vector<std::string>& arguments) {
    CFxSharedValues& shared = FxSharedValues();
    shared.InitRealRelease(1);
    shared.InitLanguage("eng");

    m_pDoc = std::make_unique<COrvantaDoc>();
    m_pMainFrame = std::make_unique<CMainFrame>();
    m_pDoc->SetWindows(m_pMainFrame.get());
    if (!m_pMainFrame->Create()) return FALSE;
    const std::string path = ParseCommandLine(arguments);
    // A file that cannot be loaded has said so; a new document stays.
    if (path.empty() || !m_pDoc->OpenDocumentFile(path)) m_pDoc->OnNewDocument();
    m_pMainFrame->ActivateFrame();
    return TRUE;
}

void COrvantaApp::ExitInstance() {
    if (m_pDoc) m_pDoc->SetWindows(nullptr);
    m_pMainFrame.reset();
    m_pDoc.reset();
}
