#pragma once

// The pixel-art program's main window: menu 128 with its accelerators and
// enable rules, the tool bar, the window state kept in
// "Orvanta/dvk_wnds_state.dat" in the data folder, and the commands.

#include <QMainWindow>
#include <map>
#include <string>
#include <vector>

#include "apps/pixelart/orvantadoc.h"
#include "foundation/fxwindowstate.h"
#include "platform/wintypes.h"

class COrvantaView;
class CFxToolBar;
class QMenu;

class CMainFrame : public QMainWindow, public COrvantaDocWindows {
    Q_OBJECT

public:
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 350;

    // One entry of menu 128.
    struct MenuItem {
        UINT id;           // 0: separator
        const char* text;  // as the menu shows it, accelerator after a tab
        const char* keys;  // the accelerator; null: none
    };
    struct MenuPopup {
        const char* title;
        std::vector<MenuItem> items;
    };
    static const std::vector<MenuPopup>& GetMenuTable();
    // The tool bar's buttons (0: separator).
    static const std::vector<UINT>& GetToolBarButtons();

    CMainFrame();
    ~CMainFrame() override;

    // Builds the window: placement, menu, tool bar and the view with the
    // engine. FALSE when the view could not be made.
    BOOL Create();
    // Shows the window, maximised when it was saved so (first time only).
    void ActivateFrame();

    COrvantaView* GetView() const { return m_pView; }
    CFxToolBar* GetToolBar() const { return m_pToolBar; }

    // Runs a command; FALSE when it has no handler or is disabled.
    BOOL OnCommand(UINT id);
    BOOL IsCommandEnabled(UINT id) const;
    void UpdateCommandUI();
    QAction* GetCommandAction(UINT id) const;
    const std::vector<QAction*>& GetRecentFileActions() const { return m_recentActions; }

    void OnAbout();

    // What the document asks of its windows.
    CLmrMWindow* GetMWindow() const override;
    void OnUpdateFrameTitle() override;
    void UpdateRecentFileMenu() override;
    QWidget* GetDocWindow() override { return this; }

    static std::string GetStateFilePath();
    const CFxWindowState& GetWindowState() const { return m_state; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu();
    void BuildToolBar();

    COrvantaView* m_pView = nullptr;
    CFxToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pExitSeparator = nullptr;
    std::map<UINT, QAction*> m_actions;
    std::vector<QAction*> m_recentActions;
    CFxWindowState m_state{&CMainFrame::GetStateFilePath, kMinWidth, kMinHeight};
    BOOL m_bClosed = FALSE;
};
