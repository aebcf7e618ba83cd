#pragma once

// The pixel-art program's application object: shared values, the document,
// the main window with the engine, then the command line (a file opens; a
// file that cannot be loaded leaves a new document).

#include <memory>
#include <string>
#include <vector>

#include "platform/wintypes.h"

class COrvantaDoc;
class CMainFrame;

class COrvantaApp {
public:
    COrvantaApp();
    ~COrvantaApp();

    // Starts the program with its arguments (without the program name).
    BOOL InitInstance(const std::vector<std::string>& arguments);
    // Destroys the window and the document, in that order.
    void ExitInstance();

    COrvantaDoc* GetDocument() const { return m_pDoc.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }

    // The file named on the command line; empty for none.
    static std::string ParseCommandLine(const std::vector<std::string>& arguments);

private:
    std::unique_ptr<COrvantaDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
