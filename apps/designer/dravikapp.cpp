// The designer's application object.

#include "apps/designer/dravikapp.h"

#include <QDir>
#include <QFileInfo>

#include "apps/designer/dravikdoc.h"
#include "apps/designer/dravikview.h"
#include "apps/designer/mainframe.h"
#include "foundation/fxsharedvalues.h"
#include "platform/textcodec.h"

CDravik2App::CDravik2App() = default;

CDravik2App::~CDravik2App() { ExitInstance(); }

std::string CDravik2App::ParseCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument[0] == '-') continue;
        const QFileInfo info(AnsiToQString(argument));
        return QStringToAnsi(QDir::cleanPath(info.absoluteFilePath()));
    }
    return std::string();
}

BOOL CDravik2App::InitInstance(const std::vector<std::string>& arguments) {
    CFxSharedValues& shared = FxSharedValues();
    shared.InitRealRelease(1);
    shared.InitLanguage("eng");

    m_pDoc = std::make_unique<CDravik2Doc>();
    m_pMainFrame = std::make_unique<CMainFrame>();
    m_pDoc->SetWindows(m_pMainFrame.get());
    const BOOL started = m_pMainFrame->Create();
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

void CDravik2App::ExitInstance() {
    if (m_pDoc) m_pDoc->SetWindows(nullptr);
    m_pMainFrame.reset();
    m_pDoc.reset();
}
