#pragma once

// "Real-Time Code Generation": the modeless window that shows the project's
// BASIC source, beside the main window, with clipboard and file output. One
// at most (g_pDvkCodeWnd); it owns itself.

#include <QDialog>
#include <string>

#include "foundation/fxwindowslayout.h"
#include "platform/geometry.h"

class QTextEdit;

class CDvkCodeWnd : public QDialog, public CFxWindowsLayout {
public:
    // A window with DEFCHR lines is at least this wide.
    static constexpr int kDefchrWidth = 330;
    static constexpr int kMinTrackWidth = 50;

    explicit CDvkCodeWnd(QWidget* parent);
    ~CDvkCodeWnd() override;

    // Fills the text, attaches the layout and places the window.
    void Init();
    // Shows the process-wide source text, scrolled to its end.
    void FillText();
    void PlaceBesideMainWindow();
    void OnToClipboard();
    void OnSaveToFile();

    QTextEdit* GetEdit() const { return m_pEdit; }

    // Where a window `width` wide goes beside the main window's rectangle:
    // its left edge.
    static int GetPlacementLeft(const CRect& mainWindow, int width, int screenWidth);
    // The source generated afresh with the project settings; FALSE when it
    // cannot be.
    static BOOL GenerateSource(std::string& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Relayout();

    QTextEdit* m_pEdit = nullptr;
};
