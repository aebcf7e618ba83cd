#pragma once

// The text edit of the text, menu and PC-font text panels: what the user
// types becomes the "UTP.lscript" attribute of the current object, one
// undoable amendment per change, quick typing merged into one step.

#include <QPlainTextEdit>
#include <string>

#include "platform/window.h"
#include "platform/wintypes.h"

class CDsgScriptEdit : public QPlainTextEdit {
public:
    // The panel kinds it serves.
    static constexpr int KIND_TEXT = 2;
    static constexpr int KIND_MENU = 3;
    static constexpr int KIND_PCTEXT = 6;
    // Changes closer than this merge into the amendment before them.
    static constexpr DWORD kMergeMs = 400;

    // `filling` is the owning panel's filling flag: while it is set the edit's
    // own changes are the panel's and record nothing.
    CDsgScriptEdit(int kind, const int& filling, QWidget* parent = nullptr);

    int GetKind() const { return m_nKind; }
    // The text as system text (CP949); line breaks as "\r\n".
    std::string GetScriptText() const;
    // Puts a text in without recording it (the panel fills under its flag).
    void SetScriptText(const std::string& text);
    const std::string& GetLastText() const { return m_strLast; }
    // Arms the one-shot timer that gives the edit the focus.
    void TMInvokeSetScrollSizes();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnTextChanged();
    void OnTimer(UINT_PTR id);

    int m_nKind;
    const int& m_nFilling;
    std::string m_strLast;
    // The last recorded change: when, and the object it amended.
    bool m_bRecorded = false;
    DWORD m_dwLastTick = 0;
    int m_nLastWOId = -1;
};
