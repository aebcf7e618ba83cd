#pragma once

// The designer's document: the project. Its settings record travels in the
// project file; its forms live in the working slot of the design library.
// What it does beside a document program's new, open and save is here.

#include <string>
#include <vector>

#include "apps/designer/dvkglobals.h"
#include "design/model/dsgdpsettings.h"
#include "foundation/fxdocprogram.h"

class QWidget;

// The windows that show the document, as the document needs them: the view
// that holds the design frame, and the main window whose title and
// recent-file menu follow the document. The main window implements it and the
// application hands it to the document; without it the document stands
// alone.
class CDvkDocWindows : public virtual CFxDocWindows {
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

protected:
    ~CDvkDocWindows() = default;
};

// The designer's recent-file list: "dravik.ini" in the data folder.
class CDvkRecentFiles : public CFxRecentFiles {
public:
    static constexpr const char* kIniName = "dravik.ini";
    CDvkRecentFiles() : CFxRecentFiles(kIniName) {}
    static std::string GetIniPath() { return CDvkRecentFiles().GetIniFilePath(); }
};

class CDravik2Doc : public CDsgDPSettings, public CFxDocument {
public:
    // The document template's texts.
    static constexpr const char* kDocString =
        "Dravik\n\nDVK\nForm Design Project(*.dvk)\n.dvk\nDVK.Document\nDVK Document";
    // One of the template's texts: 0 the program's name, 2 the file type's
    // short name, 3 the filter's description, 4 the extension.
    static std::string GetDocString(int index) { return FxGetDocString(kDocString, index); }
    // The file dialog's filter made from the template.
    static std::string GetFilter() { return FxGetDocFilter(kDocString); }

    CDravik2Doc();
    ~CDravik2Doc() override;

    // New: settings to defaults, then the slot reset (or, on the first new
    // document of the run after an unfinished one, the recovery offer).
    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(const std::string& path) override;

    // The windows that show the document; null to stand alone.
    void SetWindows(CDvkDocWindows* windows);
    // Whether the first new document of the run was made (its recovery
    // offer is only made once).
    BOOL IsFirstNewDone() const { return !m_bFirstNew; }

protected:
    // The project with the forms as they are on screen.
    BOOL WriteDocument(const std::string& path) override;

private:
    // On opening a project that saves its code automatically: the user
    // confirms the path, or the saving is turned off.
    void ConfirmAutoSavePath();

    BOOL m_bFirstNew = TRUE;
    CDvkDocWindows* m_pWindows = nullptr;
};
