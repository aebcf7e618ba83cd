#pragma once

// The program's main window: menu 128, the tool bar, the window placement
// kept in "dvk_wnds_state.dat", dropped project files, and the commands with
// their enable rules.

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/designer/dravikdoc.h"
#include "foundation/fxwindowstate.h"
#include "platform/window.h"

class CDravik2View;
class CFxToolBar;
class QMenu;

class CMainFrame : public QMainWindow, public CDvkDocWindows {
    Q_OBJECT

public:
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 350;
    static constexpr const char* kStateFile = "dvk_wnds_state.dat";

    // One entry of menu 128.
    struct MenuItem {
        UINT id;           // 0: separator
        const char* text;  // as the menu shows it, accelerator after a tab
        const char* keys;  // the accelerator the window acts on; null: none
    };
    struct MenuPopup {
        const char* title;
        std::vector<MenuItem> items;
    };
    static const std::vector<MenuPopup>& GetMenuTable();

    CMainFrame();
    ~CMainFrame() override;

    // Builds the window: placement, menu, tool bar, the view (which takes
    // the slot and starts the design frame). FALSE when the frame could not
    // start.
    BOOL Create();
    // Shows the window, maximised when it was saved so (first time only).
    void ActivateFrame();

    CDravik2View* GetView() const { return m_pView; }
    CFxToolBar* GetToolBar() const { return m_pToolBar; }

    // Runs a command; FALSE when it has no handler or is disabled.
    BOOL OnCommand(UINT id);
    // The enable rule of a command.
    BOOL IsCommandEnabled(UINT id) const;
    // Applies the enable rules to the menu and the tool bar.
    void UpdateCommandUI();
    QAction* GetCommandAction(UINT id) const;

    // What the document asks of its windows.
    BOOL IsFrameStarted() const override;
    void RelayoutView() override;
    void RequestRegeneration() override;
    void RegenerateNow() override;
    void HoldAutoSave(BOOL hold) override;
    void OnUpdateFrameTitle() override;
    void UpdateRecentFileMenu() override;
    QWidget* GetDocWindow() override { return this; }
    // The window-state text recorded so far.
    const std::string& GetWindowStateText() const { return m_state.GetText(); }
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
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void BuildToolBar();
    void RecordPlacement();

    CDravik2View* m_pView = nullptr;
    CFxToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    std::map<UINT, std::vector<QAction*>> m_actions;
    std::vector<QAction*> m_recentActions;
    CFxWindowState m_state{&CMainFrame::GetStateFilePath, kMinWidth, kMinHeight};
    BOOL m_bClosed = FALSE;
};
