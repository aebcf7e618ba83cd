#pragma once

// The definable-character panel: it holds the character editor window and is
// that editor's host. It keeps the project's character set in the slot's
// "irggjp.dat", answers the editor's copy, paste and can-paste questions
// through the shared copy buffer, and turns the editor's current character
// into the "UTP.dirncachar" attribute of the chosen objects.

#include <string>

#include "design/frames/dsgxfpanels.h"

class CDtrMWindow;

class VELDRANE_API CDlgXFDNChar : public CDlgXFPanel {
public:
    explicit CDlgXFDNChar(QWidget* parent = nullptr);
    ~CDlgXFDNChar() override;

    CDtrMWindow& GetMWindow() { return *m_pMWindow; }
    void FillXF() override;

    // The set file in the slot folder.
    static std::string GetGGJPixelFilePath();
    // Writes the set to its file; a failure is shown to the user.
    BOOL WriteGGJPixelFile();

    // The "UTP.dirncachar" text as a character code; -1 for text that is no
    // code (words, numbers outside int).
    static int DirncacharToCode(const std::string& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LRESULT OnUSMsgGIRNCAlter(WPARAM wParam);
    LRESULT OnGJPCopy(WPARAM wParam);
    LRESULT OnGJPPaste(WPARAM wParam);
    LRESULT OnGJPCanPaste(WPARAM wParam);

    CDtrMWindow* m_pMWindow = nullptr;  // a child of the panel
};
