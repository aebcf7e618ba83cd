#pragma once

// What a single-document program is made of, for both programs: the document
// with its path, title, modified mark, new, open and save and the
// save-changes question; the main window with its menu table, tool bar,
// commands and their enable rules, recent-file menu and window state; the
// application object that makes them and opens the command line's file; and
// the body of main(). Each program adds its tables, its view and what it does
// differently.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/fxrecentfiles.h"
#include "foundation/fxwindowstate.h"
#include "platform/wintypes.h"

class CFxToolBar;
class QMenu;
struct FileDialogRequest;

// The commands every document program has under the same ids.
enum : UINT {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,  // .. 57619 for the four recent files
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
};

// One text of a document template: its texts are joined by new lines (0 the
// program's name, 1 the document's name, 2 the file type's short name, 3 the
// filter's description, 4 the extension with its dot); empty past the end.
std::string FxGetDocString(const char* docString, int index);
// The file dialog's filter made from the template's description and
// extension.
std::string FxGetDocFilter(const char* docString);

// What the document needs of the main window that shows it.
class CFxDocWindows {
public:
    virtual void OnUpdateFrameTitle() = 0;
    virtual void UpdateRecentFileMenu() = 0;
    // The window the document's dialogs belong to.
    virtual QWidget* GetDocWindow() = 0;

protected:
    ~CFxDocWindows() = default;
};

class CFxDocument {
public:
    // `docString` is the template's texts; `recentIni` the recent-file list's
    // INI file under the data folder.
    CFxDocument(const char* docString, std::string recentIni);
    virtual ~CFxDocument();
    CFxDocument(const CFxDocument&) = delete;
    CFxDocument& operator=(const CFxDocument&) = delete;

    virtual BOOL OnNewDocument() = 0;
    virtual BOOL OnOpenDocument(const std::string& path) = 0;
    // Writes the document; on success the path becomes the document's (and
    // the newest recent file) and it is not modified. A failure says "Failed
    // to save to disk." and keeps the path and the modified mark.
    BOOL OnSaveDocument(const std::string& path);

    // The File commands.
    void OnFileNew();
    void OnFileOpen();
    // Opens a path as the Open command does (after the save question).
    BOOL OpenDocumentFile(const std::string& path);
    BOOL OnFileSave();
    BOOL OnFileSaveAs();
    // The save-changes question; TRUE when the document may be given up.
    BOOL SaveModified();

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE);
    const std::string& GetPathName() const { return m_strPathName; }
    // The file name; while there is none, the template's document name, or
    // "Untitled" when it has none.
    std::string GetTitle() const;
    std::string GetDocText(int index) const { return FxGetDocString(m_pDocString, index); }

    CFxRecentFiles& GetRecentFiles() { return m_recent; }

protected:
    // Writes the file; FALSE when it could not be written.
    virtual BOOL WriteDocument(const std::string& path) = 0;
    // What Save As asks beyond the template's filter and extension.
    virtual void GetSaveAsRequest(FileDialogRequest& request) const;

    // The path (empty: none), added to the recent files when it has one.
    void SetPathName(const std::string& path);
    void SetDocWindows(CFxDocWindows* windows) { m_pDocWindows = windows; }
    CFxDocWindows* GetDocWindows() const { return m_pDocWindows; }

private:
    FileDialogRequest MakeFileRequest(bool save) const;

    const char* m_pDocString;
    std::string m_strPathName;
    BOOL m_bModified = FALSE;
    CFxRecentFiles m_recent;
    CFxDocWindows* m_pDocWindows = nullptr;
};

// The main window of a document program. The program gives its menu table
// and tool bar, registers its commands with their enable rules, and makes
// its view; the File commands, the recent files, the title and the window
// state are kept here.
class CFxDocFrame : public QMainWindow, public virtual CFxDocWindows {
    Q_OBJECT

public:
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 350;

    // One entry of the menu.
    struct MenuItem {
        UINT id;           // 0: separator
        const char* text;  // as the menu shows it, accelerator after a tab
        const char* keys;  // the accelerator the window acts on; null: none
    };
    struct MenuPopup {
        const char* title;
        std::vector<MenuItem> items;
    };

    // `docString` names the program in the title; `saveId` is the Save
    // command's id; `statePath` gives the window-state file's path.
    CFxDocFrame(const char* docString, UINT saveId, std::function<std::string()> statePath);
    ~CFxDocFrame() override;

    // Shows the window, maximised when it was saved so (first time only).
    void ActivateFrame();
    CFxToolBar* GetToolBar() const { return m_pToolBar; }

    // Runs a command; FALSE when it has no handler or is disabled.
    BOOL OnCommand(UINT id);
    // The enable rule of a command (enabled when it has none).
    BOOL IsCommandEnabled(UINT id) const;
    // Applies the enable rules to the menu and the tool bar.
    void UpdateCommandUI();
    QAction* GetCommandAction(UINT id) const;
    const std::vector<QAction*>& GetRecentFileActions() const { return m_recentActions; }
    const CFxWindowState& GetWindowState() const { return m_state; }

    // What the document asks of its window.
    void OnUpdateFrameTitle() override;
    void UpdateRecentFileMenu() override;
    QWidget* GetDocWindow() override { return this; }

protected:
    // The document shown; null while there is none.
    virtual CFxDocument* GetDocument() const = 0;
    // Whether closing asks the document's save question.
    virtual BOOL IsDocumentShown() const { return TRUE; }
    // Closing, after the save question and before the window state is
    // written.
    virtual void OnCloseFrame() {}
    // The window moved or was resized, after the placement was recorded.
    virtual void OnPlacementChanged(BOOL moved) { (void)moved; }

    // Places the window from its saved state (see CFxWindowState::Apply),
    // builds the menu and the tool bar (bitmaps 16 wide) and starts the
    // idle update of the commands.
    void CreateFrame(BOOL keepDefaultPlace, const std::vector<MenuPopup>& menu,
                     const std::vector<UINT>& buttons, int bitmapId, int disabledBitmapId);
    // A command's handler (none: no handler) and enable rule (none: always).
    void SetCommand(UINT id, std::function<void()> run, std::function<BOOL()> enabled = {});
    void SetEnableRule(UINT id, std::function<BOOL()> enabled);
    // `alias` runs the command `id` with its rule.
    void AliasCommand(UINT alias, UINT id);

    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Command {
        std::function<void()> run;
        std::function<BOOL()> enabled;
    };
    void BuildMenu(const std::vector<MenuPopup>& menu);
    BOOL OnRecentFile(UINT id);

    const char* m_pDocString;
    CFxToolBar* m_pToolBar = nullptr;
    std::vector<UINT> m_buttons;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pExitSeparator = nullptr;
    std::map<UINT, QAction*> m_actions;
    std::map<UINT, Command> m_commands;
    std::vector<QAction*> m_recentActions;
    CFxWindowState m_state;
    BOOL m_bClosed = FALSE;
};

// The application object of a document program.
class CFxDocApp {
public:
    virtual ~CFxDocApp() = default;
    // Starts the program with its arguments (without the program name).
    // FALSE when the start fails.
    virtual BOOL InitInstance(const std::vector<std::string>& arguments) = 0;
    // Destroys the window and the document, in that order.
    virtual void ExitInstance() = 0;

    // The file named on the command line, made absolute; empty for none.
    static std::string ParseCommandLine(const std::vector<std::string>& arguments);

protected:
    // The process-wide values: the release flag 1, the language "eng".
    static void InitSharedValues();
};

// The application object that owns one document and its main window.
template <class TDoc, class TFrame>
class CFxDocAppOf : public CFxDocApp {
public:
    ~CFxDocAppOf() override { DestroyAll(); }
    void ExitInstance() override { DestroyAll(); }

    TDoc* GetDocument() const { return m_pDoc.get(); }
    TFrame* GetMainFrame() const { return m_pMainFrame.get(); }

protected:
    // The shared values, the document, then the main window that shows it,
    // created. The window's Create result.
    BOOL CreateDocAndFrame() {
        InitSharedValues();
        m_pDoc = std::make_unique<TDoc>();
        m_pMainFrame = std::make_unique<TFrame>();
        m_pDoc->SetWindows(m_pMainFrame.get());
        return m_pMainFrame->Create();
    }

    std::unique_ptr<TDoc> m_pDoc;
    std::unique_ptr<TFrame> m_pMainFrame;

private:
    void DestroyAll() {
        if (m_pDoc) m_pDoc->SetWindows(nullptr);
        m_pMainFrame.reset();
        m_pDoc.reset();
    }
};

// The body of a document program's main(): the application with the
// program's icon (a resource path), the UI log, the application object's
// start, the event loop and the end. The exit code.
int FxRunDocProgram(int argc, char** argv, const char* iconResource,
                    const std::function<std::unique_ptr<CFxDocApp>()>& makeApp);
