#pragma once

// The designer's application object: start-up in the order of a document
// program (shared values, document, main frame and view, the first new
// document, the command line) and the objects it owns until the end.

#include <memory>
#include <string>
#include <vector>

#include "platform/wintypes.h"

class CDravik2Doc;
class CMainFrame;

class CDravik2App {
public:
    CDravik2App();
    ~CDravik2App();

    // Starts the program with its arguments (without the program name).
    // FALSE when the start fails.
    BOOL InitInstance(const std::vector<std::string>& arguments);
    // Destroys the window and the document, in that order.
    void ExitInstance();

    CDravik2Doc* GetDocument() const { return m_pDoc.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }

    // The project file named on the command line; empty for none.
    static std::string ParseCommandLine(const std::vector<std::string>& arguments);

private:
    std::unique_ptr<CDravik2Doc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
