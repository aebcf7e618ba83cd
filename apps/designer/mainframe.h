#pragma once

// The program's main window: menu 128, the tool bar, the window placement
// kept in "dvk_wnds_state.dat", dropped project files, and the commands with
// their enable rules.

#include <string>
#include <vector>

#include "apps/designer/dravikdoc.h"
#include "foundation/fxdocprogram.h"

class CDravik2View;

class CMainFrame : public CFxDocFrame, public CDvkDocWindows {
    Q_OBJECT

public:
    static constexpr const char* kStateFile = "dvk_wnds_state.dat";

    static const std::vector<MenuPopup>& GetMenuTable();

    CMainFrame();
    ~CMainFrame() override;

    // Builds the window: placement, menu, tool bar, the view (which takes
    // the slot and starts the design frame). FALSE when the frame could not
    // start.
    BOOL Create();

    CDravik2View* GetView() const { return m_pView; }

    // What the document asks of its windows.
    BOOL IsFrameStarted() const override;
    void RelayoutView() override;
    void RequestRegeneration() override;
    void RegenerateNow() override;
    void HoldAutoSave(BOOL hold) override;
    static std::string GetStateFilePath();

    // The commands that open dialogs, for the menu and tests.
    void OnClearForm();
    void OnViewCode();
    void OnOptions();
    void OnSettings();
    void OnUserGuide();
    void OnAbout();
    // Opens dropped files: the first one, as the Open command does.
    void OnDropFiles(const std::vector<std::string>& files);

    // The guide's path beside the program.
    static std::string GetUserGuidePath();
    static BOOL IsKoreanUILanguage();

protected:
    CFxDocument* GetDocument() const override;
    BOOL IsDocumentShown() const override { return IsFrameStarted(); }
    void OnCloseFrame() override;
    void OnPlacementChanged(BOOL moved) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SetDesignCommands();

    CDravik2View* m_pView = nullptr;
};
