#pragma once

// The designer's document: the project. Its settings record travels in the
// project file; its forms live in the working slot of the design library.
// New, open, save and the save-changes question, the title and the recent
// files are kept here, on Qt, in the order a document program has them.

#include <string>
#include <vector>

#include "apps/designer/dvkglobals.h"
#include "design/model/dsgdpsettings.h"
#include "foundation/fxrecentfiles.h"

class QWidget;

// The windows that show the document, as the document needs them: the view
// that holds the design frame, and the main window whose title and
// recent-file menu follow the document. The main window implements it and the
// application hands it to the document; without it the document stands
// alone.
class CDvkDocWindows {
public:
    // Whether the design frame runs in the view (a working slot was taken).
    virtual BOOL IsFrameStarted() const = 0;
    // The view lays itself out again (sized to nothing and back).
    virtual void RelayoutView() = 0;
    // The view's regeneration request (at once, or deferred within 2000 ms
    // of the last run), and a regeneration now.
    virtual void RequestRegeneration() = 0;
    virtual void RegenerateNow() = 0;
    // While held, regeneration does not write the automatic save file.
    virtual void HoldAutoSave(BOOL hold) = 0;
    virtual void OnUpdateFrameTitle() = 0;
    virtual void UpdateRecentFileMenu() = 0;
    // The window the document's dialogs belong to.
    virtual QWidget* GetDocWindow() = 0;

protected:
    ~CDvkDocWindows() = default;
};

// The designer's recent-file list: "dravik.ini" in the data folder.
class CDvkRecentFiles : public CFxRecentFiles {
public:
    CDvkRecentFiles() : CFxRecentFiles("dravik.ini") {}
    static std::string GetIniPath() { return CDvkRecentFiles().GetIniFilePath(); }
};

class CDravik2Doc : public CDsgDPSettings {
public:
    // The document template's texts.
    static constexpr const char* kDocString =
        "Dravik\n\nDVK\nForm Design Project(*.dvk)\n.dvk\nDVK.Document\nDVK Document";
    // One of the template's texts: 0 the program's name, 2 the file type's
    // short name, 3 the filter's description, 4 the extension.
    static std::string GetDocString(int index);
    // The file dialog's filter made from the template.
    static std::string GetFilter();

    CDravik2Doc();
    ~CDravik2Doc() override;

    // New: settings to defaults, then the slot reset (or, on the first new
    // document of the run after an unfinished one, the recovery offer).
    BOOL OnNewDocument();
    BOOL OnOpenDocument(const std::string& path);
    BOOL OnSaveDocument(const std::string& path);

    // The File commands.
    void OnFileNew();
    void OnFileOpen();
    // Opens a path as the Open command does (after the save question);
    // also used by the recent files, the command line and drops.
    BOOL OpenDocumentFile(const std::string& path);
    BOOL OnFileSave();
    BOOL OnFileSaveAs();
    // The save-changes question; TRUE when the document may be given up.
    BOOL SaveModified();

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE);
    const std::string& GetPathName() const { return m_strPathName; }
    // The file name, or "Untitled".
    std::string GetTitle() const;

    CDvkRecentFiles& GetRecentFiles() { return m_recent; }
    // The windows that show the document; null to stand alone.
    void SetWindows(CDvkDocWindows* windows) { m_pWindows = windows; }
    // Whether the first new document of the run was made (its recovery
    // offer is only made once).
    BOOL IsFirstNewDone() const { return !m_bFirstNew; }

private:
    void SetPathName(const std::string& path);
    // On opening a project that saves its code automatically: the user
    // confirms the path, or the saving is turned off.
    void ConfirmAutoSavePath();

    std::string m_strPathName;
    BOOL m_bModified = FALSE;
    BOOL m_bFirstNew = TRUE;
    CDvkRecentFiles m_recent;
    CDvkDocWindows* m_pWindows = nullptr;
};
