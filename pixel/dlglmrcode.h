#pragma once

// The code dialog (dialog 28020), a child of the engine's host window: the
// DEFCHR statements of the working area, kept up to date within about a
// second of every change, copied to the clipboard or saved as BASIC code.
// Its start-code and indent fields are option values, bound with the field
// binder.

#include <QDialog>
#include <string>

#include "pixel/lumaret_export.h"
#include "platform/window.h"
#include "platform/wintypes.h"

class QLineEdit;
class QPlainTextEdit;

class LUMARET_API CDlgLmrCode : public QDialog {
    Q_OBJECT

public:
    enum {
        IDD = 28020,
        IDC_STARTCODE = 28000,
        IDC_INDENT = 28030,
        IDC_CODETYPE = 28028,
        IDC_CODE = 28029,
        IDC_TOCLIPBOARD = 28031,
        IDC_SAVETOFILE = 28032,
        IDC_CODEDB30 = 28033,
        IDC_CODE00 = 28034,
    };
    // Timer 1 regenerates a stale text; timer 2 marks it stale a while after
    // the last keystroke in a field.
    enum { TIMER_REFRESH = 1, TIMER_FIELDEDIT = 2 };
    static constexpr UINT kRefreshPeriodMs = 1000;
    static constexpr UINT kFieldEditDelayMs = 700;

    explicit CDlgLmrCode(QWidget* parent = nullptr);
    ~CDlgLmrCode() override;

    // The one routine every command uses: the fields go into the options
    // (a refused field shows its message and gives FALSE), then the
    // statements of the working area from the start code.
    BOOL GenerateCode(std::string& text);
    // Generates and shows the text; FALSE (text kept) when a field was
    // refused.
    BOOL RefreshCode();

    void OnToClipboard();
    void OnSaveToFile();
    void OnCodeDB30();
    void OnCode00();
    void OnTimer(UINT_PTR id);

    // The text shown (system text, CR LF line breaks).
    const std::string& GetShownCode() const { return m_strShown; }
    BOOL IsStale() const { return m_bStale; }
    void SetStale() { m_bStale = TRUE; }

    // The fields show the option values again (the host window read the
    // option file) and the text is made anew at the next tick.
    void ShowOptionValues();

    // Whether a start code is four hexadecimal digits.
    static BOOL IsStartCodeText(const std::string& text);

    // The statements are shown at all times: a dialog hides through accept
    // or reject (Esc and a close request reach reject), and here neither
    // does anything.
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Relayout();

    QLineEdit* m_pStartCode = nullptr;
    QLineEdit* m_pIndent = nullptr;
    QPlainTextEdit* m_pText = nullptr;
    std::string m_strShown;
    BOOL m_bStale = TRUE;
    BOOL m_bShown = FALSE;
    BOOL m_bFilling = FALSE;
    // Set while a text is made (a refused field's message box is open).
    BOOL m_bGenerating = FALSE;
};
