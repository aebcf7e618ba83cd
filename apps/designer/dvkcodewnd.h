#pragma once

// "Real-Time Code Generation": the modeless window that shows the project's
// BASIC source, beside the main window, with clipboard and file output. One
// at most (g_pDvkCodeWnd); it owns itself. The view refreshes its text; what
// it writes out is generated afresh by the function it is given.

#include <QDialog>
#include <functional>
#include <string>

#include "apps/designer/dvkglobals.h"
#include "foundation/fxwindowslayout.h"
#include "platform/geometry.h"

class QTextEdit;

class CDvkCodeWnd : public QDialog, public CFxWindowsLayout {
public:
    // A window with DEFCHR lines is at least this wide.
    static constexpr int kDefchrWidth = 330;
    static constexpr int kMinTrackWidth = 50;

    // The project's source generated afresh; FALSE when it cannot be.
    using SourceGenerator = std::function<BOOL(std::string& text)>;

    // `parent` is the view: the window stands beside the view's main window.
    CDvkCodeWnd(QWidget* parent, SourceGenerator generate);
    ~CDvkCodeWnd() override;

    // Fills the text, attaches the layout and places the window.
    void Init(const std::string& text);
    // Shows the source text, scrolled to its end. Only the part that differs
    // from the text shown is laid out anew.
    void FillText(const std::string& text);
    void PlaceBesideMainWindow();
    void OnToClipboard();
    void OnSaveToFile();

    QTextEdit* GetEdit() const { return m_pEdit; }

    // Where a window `width` wide goes beside the main window's rectangle:
    // its left edge.
    static int GetPlacementLeft(const CRect& mainWindow, int width, int screenWidth);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Relayout();
    // Replaces the lines of the text shown that differ from `text`.
    void ReplaceChangedLines(const std::string& text);

    SourceGenerator m_generate;
    QTextEdit* m_pEdit = nullptr;
    // The text last filled (code page bytes) and the document's revision
    // right after, so that the next fill replaces only the part that differs
    // while the document still holds exactly that text.
    std::string m_shown;
    int m_nShownRevision = -1;
};
