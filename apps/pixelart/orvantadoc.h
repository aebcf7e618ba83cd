#pragma once

// The pixel-art program's document. It has no data of its own: the canvas
// lives in the engine. New, open and save of the pixel project file, the
// save-changes question, the title and the recent files are kept here.

#include <string>

#include "foundation/fxrecentfiles.h"
#include "platform/wintypes.h"

class CLmrMWindow;
class QWidget;

// What the document needs of its windows: the engine's host window, and the
// main window whose title and recent-file menu follow the document.
class COrvantaDocWindows {
public:
    virtual CLmrMWindow* GetMWindow() const = 0;
    virtual void OnUpdateFrameTitle() = 0;
    virtual void UpdateRecentFileMenu() = 0;
    virtual QWidget* GetDocWindow() = 0;

protected:
    ~COrvantaDocWindows() = default;
};

class COrvantaDoc {
public:
    // The document template's texts.
    static constexpr const char* kDocString =
        "Orvanta\nOrvan\n\n\n\nOrvanta.Document\nOrvan Document";
    static std::string GetDocString(int index);

    COrvantaDoc();
    ~COrvantaDoc();
    COrvantaDoc(const COrvantaDoc&) = delete;
    COrvantaDoc& operator=(const COrvantaDoc&) = delete;

    // A blank canvas with nothing to undo, not modified.
    BOOL OnNewDocument();
    // Reads the file into the canvas; on success the engine starts afresh
    // on it as after New. A failure shows "Cannot load the file." and
    // changes nothing.
    BOOL OnOpenDocument(const std::string& path);
    // Writes the canvas (beside the file, then renamed over it); on success
    // the path becomes the document's and it is not modified. A failure says
    // "Failed to save to disk." and keeps the old file, the path and the
    // modified flag.
    BOOL OnSaveDocument(const std::string& path);

    void OnFileNew();
    void OnFileOpen();
    // Opens a path as the Open command does (after the save question).
    BOOL OpenDocumentFile(const std::string& path);
    BOOL OnFileSave();
    BOOL OnFileSaveAs();
    BOOL SaveModified();

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE);
    const std::string& GetPathName() const { return m_strPathName; }
    // The file name; the document name "Orvan" while there is no file.
    std::string GetTitle() const;

    CFxRecentFiles& GetRecentFiles() { return m_recent; }
    void SetWindows(COrvantaDocWindows* windows) { m_pWindows = windows; }

private:
    void SetPathName(const std::string& path);
    // The engine as after New: no steps, no layer, the zoomed view idle,
    // both views repainted.
    void ResetEngine();

    std::string m_strPathName;
    BOOL m_bModified = FALSE;
    CFxRecentFiles m_recent{"Orvanta/orvanta.ini"};
    COrvantaDocWindows* m_pWindows = nullptr;
};

// The one document, null while there is none.
COrvantaDoc* OrvantaDoc();
