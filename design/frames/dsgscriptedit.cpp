#include "design/frames/dsgscriptedit.h"

#include "design/model/dsgeaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgutprops.h"
#include "design/surface/dsgdspframe.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/window.h"

namespace {

// Lines as the LCD text keeps them: "\r\n" between lines.
std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FromCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += '\n';
            continue;
        }
        out += text[i];
    }
    return out;
}

}  // namespace

CDsgScriptEdit::CDsgScriptEdit(int kind, const int& filling, QWidget* parent)
    : QPlainTextEdit(parent), m_nKind(kind), m_nFilling(filling) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { OnTextChanged(); });
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
}

std::string CDsgScriptEdit::GetScriptText() const { return ToCrLf(QStringToAnsi(toPlainText())); }

void CDsgScriptEdit::SetScriptText(const std::string& text) {
    const QString qtext = AnsiToQString(FromCrLf(text));
    if (qtext != toPlainText()) setPlainText(qtext);
    m_strLast = GetScriptText();
}

void CDsgScriptEdit::TMInvokeSetScrollSizes() { SetTimer(this, 1, 1); }

void CDsgScriptEdit::OnTimer(UINT_PTR id) {
    if (id != 1) return;
    KillTimer(this, 1);
    setFocus();
}

void CDsgScriptEdit::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    m_strLast = GetScriptText();
}

void CDsgScriptEdit::focusOutEvent(QFocusEvent* event) {
    // Every change was reported as it was made (OnTextChanged): losing the
    // focus has nothing left to report, and a notice here would mark a
    // project saved since the last keystroke as changed again.
    QPlainTextEdit::focusOutEvent(event);
}

void CDsgScriptEdit::OnTextChanged() {
    // Every change the user makes lands here: keys, input-method commits,
    // pastes, cuts and drops alike.
    if (m_nFilling) return;
    const std::string text = GetScriptText();
    if (text == m_strLast) return;
    m_strLast = text;
    CDsgDSPFrame* page = GetDsgDSPFrame();
    if (!page || page->GetWOEState() == nDSG_WOES__NOT_WOCH) return;
    const int id = page->GetCWOCHId();
    if (id < 0) return;

    // Quick typing into the same object makes one undo step: the amendment
    // just made for this object gives way to the new one.
    const DWORD now = GetTickCount();
    if (m_bRecorded && now - m_dwLastTick < kMergeMs && m_nLastWOId == id &&
        page->GetEACount() > 0 && page->GetCurrentEAIndex() == page->GetEACount() - 1) {
        const CDsgEAction* last = page->GetEAction(page->GetEACount() - 1);
        if (last && last->GetWOId() == id) page->DeleteLastEActionIfLScriptWOAmend();
    }
    CDsgWOAmending amending;
    amending.SetStringAmending(szUTP_LSCRIPT, text);
    auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    action->InitWOAmending(id, FALSE, amending);
    // The history keeps text amendments to itself; the main frame hears of
    // each one here and sends the design-change notice (the designer
    // throttles its regeneration).
    page->EAAdd(std::move(action));
    if (CDsgLSDHost* host = GetDsgLSDHost()) host->_OnEAAdded();
    m_bRecorded = true;
    m_dwLastTick = now;
    m_nLastWOId = id;
    page->SRefresh(1);
}
