#pragma once

// The pixel-art program's document. It has no data of its own: the canvas
// lives in the engine: new, open and save are the canvas's.

#include <string>

#include "foundation/fxdocprogram.h"

class CLmrMWindow;
class QWidget;

// What the document needs of its windows: the engine's host window, and the
// main window whose title and recent-file menu follow the document.
class COrvantaDocWindows : public virtual CFxDocWindows {
public:
    virtual CLmrMWindow* GetMWindow() const = 0;

protected:
    ~COrvantaDocWindows() = default;
};

class COrvantaDoc : public CFxDocument {
public:
    // The document template's texts.
    static constexpr const char* kDocString =
        "Orvanta\nOrvan\n\n\n\nOrvanta.Document\nOrvan Document";
    static std::string GetDocString(int index) { return FxGetDocString(kDocString, index); }

    COrvantaDoc();
    ~COrvantaDoc() override;

    // A blank canvas with nothing to undo, not modified.
    BOOL OnNewDocument() override;
    // Reads the file into the canvas; on success the engine starts afresh
    // on it as after New. A failure shows "Cannot load the file." and
    // changes nothing.
    BOOL OnOpenDocument(const std::string& path) override;

    void SetWindows(COrvantaDocWindows* windows) { SetDocWindows(windows); }

protected:
    // Writes the canvas (beside the file, then renamed over it); a failure
    // keeps the old file.
    BOOL WriteDocument(const std::string& path) override;
    // Save As asks for a pixel project.
    void GetSaveAsRequest(FileDialogRequest& request) const override;

private:
    // The engine as after New: no steps, no layer, the zoomed view idle,
    // both views repainted.
    void ResetEngine();
};

// The one document, null while there is none.
COrvantaDoc* OrvantaDoc();
