#pragma once

// The pixel-art program's main window: menu 128 with its accelerators and
// enable rules, the tool bar, the window state kept in
// "Orvanta/dvk_wnds_state.dat" in the data folder, and the commands.

#include <string>
#include <vector>

#include "apps/pixelart/orvantadoc.h"
#include "foundation/fxdocprogram.h"

class COrvantaView;

class CMainFrame : public CFxDocFrame, public COrvantaDocWindows {
    Q_OBJECT

public:
    static const std::vector<MenuPopup>& GetMenuTable();
    // The tool bar's buttons (0: separator).
    static const std::vector<UINT>& GetToolBarButtons();

    CMainFrame();
    ~CMainFrame() override;

    // Builds the window: placement, menu, tool bar and the view with the
    // engine. FALSE when the view could not be made.
    BOOL Create();

    COrvantaView* GetView() const { return m_pView; }

    void OnAbout();

    // What the document asks of its windows.
    CLmrMWindow* GetMWindow() const override;

    static std::string GetStateFilePath();

protected:
    CFxDocument* GetDocument() const override;
    void OnCloseFrame() override;

private:
    void SetEditCommands();

    COrvantaView* m_pView = nullptr;
};
