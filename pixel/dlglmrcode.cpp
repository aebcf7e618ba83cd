// The code dialog.

#include "pixel/dlglmrcode.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <algorithm>
#include <cstdlib>

#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "pixel/lmrdlgcontrols.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrnotice.h"
#include "pixel/lmrogjpcanvas.h"
#include "platform/clipboard.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

using lmrdlg::AddControl;

constexpr int kMargin = 5;
constexpr int kRowHeight = 22;
constexpr int kButtonHeight = 24;

QPushButton* AddButton(QWidget* parent, int id, const char* text, const QRect& rect) {
    auto* button = AddControl<QPushButton>(parent, id, rect);
    button->setText(QString::fromLatin1(text));
    button->setAutoDefault(false);
    return button;
}

// The code dialog is the host window's child; the host window makes it.
const bool g_registered = [] {
    LmrSetCodeDialogFactory([](QWidget* parent) { return new CDlgLmrCode(parent); });
    return true;
}();

}  // namespace

BOOL CDlgLmrCode::IsStartCodeText(const std::string& text) {
    if (text.size() != 4) return FALSE;
    for (const char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return FALSE;
    return TRUE;
}

CDlgLmrCode::CDlgLmrCode(QWidget* parent) : QDialog(parent, Qt::Widget) {
    (void)g_registered;
    resize(300, 220);
    // One row of fields over the text, the buttons under it.
    // The fields follow their labels' widths.
    // The labels have no buddy, so an '&' shows as it stands; the buttons
    // take '&' as a mnemonic and show "&&" as one '&'.
    const QLabel* startLabel = lmrdlg::AddLabel(this, "Starting CHR Code &H", kMargin, kMargin + 3);
    const QLabel* typeLabel =
        lmrdlg::AddLabel(this, "Source Code Type", kMargin, kMargin + kRowHeight + 4 + 3);
    const int fieldLeft = std::max({120, lmrdlg::RightOf(startLabel), lmrdlg::RightOf(typeLabel)});
    m_pStartCode =
        AddControl<QLineEdit>(this, IDC_STARTCODE, QRect(fieldLeft, kMargin, 44, kRowHeight));
    const QLabel* indentLabel =
        lmrdlg::AddLabel(this, "Indent and tab(s)", lmrdlg::RightOf(m_pStartCode, 8), kMargin + 3);
    m_pIndent = AddControl<QLineEdit>(this, IDC_INDENT,
                                      QRect(lmrdlg::RightOf(indentLabel), kMargin, 28, kRowHeight));
    const int row2 = kMargin + kRowHeight + 4;
    auto* type = AddControl<QComboBox>(
        this, IDC_CODETYPE,
        QRect(fieldLeft, row2, std::max(172, m_pIndent->geometry().right() + 1 - fieldLeft),
              kRowHeight));
    type->addItem("Korvel BASIC (DEFCHR)");
    type->setCurrentIndex(0);
    const int top = row2 + kRowHeight + 4;
    m_pText = AddControl<QPlainTextEdit>(this, IDC_CODE, QRect(kMargin, top, 290, 100));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setFont(QFont("Liberation Mono", 9));
    const int by = height() - kMargin - kButtonHeight;
    auto* copy = AddButton(this, IDC_TOCLIPBOARD, "Copy To Clipboard", QRect(5, by, 110, 24));
    auto* save = AddButton(this, IDC_SAVETOFILE, "Save To File...", QRect(120, by, 95, 24));
    auto* db30 = AddButton(this, IDC_CODEDB30, "&&HDB30", QRect(220, by, 50, 24));
    auto* zero = AddButton(this, IDC_CODE00, "&&H00", QRect(275, by, 40, 24));
    connect(copy, &QPushButton::clicked, this, [this] { OnToClipboard(); });
    connect(save, &QPushButton::clicked, this, [this] { OnSaveToFile(); });
    connect(db30, &QPushButton::clicked, this, [this] { OnCodeDB30(); });
    connect(zero, &QPushButton::clicked, this, [this] { OnCode00(); });

    // The fields are option values.
    CLmrGOption& option = LmrGOption();
    option.AttachDialog(this);
    option.BindTextEdits("tnccode", "Starting Character Code", {{4, 4}}, this);
    option.BindControls("edit", "*,shfdindent", "Indent tab count", CFxFieldBinder::FK_INTEDIT,
                        this);
    option.SetRange("shfdindent", 0, CLmrGOption::kMaxIndent);
    m_bFilling = TRUE;
    option.ValuesToControls(this);
    m_bFilling = FALSE;

    // A keystroke in a field makes the text stale a while later.
    for (QLineEdit* field : {m_pStartCode, m_pIndent})
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!m_bFilling) SetTimer(this, TIMER_FIELDEDIT, kFieldEditDelayMs);
        });
    // Every applied edit and every change of the working area.
    LmrWindowNotice().onMarkCodeStale = [this] { SetStale(); };
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
    SetTimer(this, TIMER_REFRESH, kRefreshPeriodMs);
}

CDlgLmrCode::~CDlgLmrCode() {
    KillTimer(this, TIMER_REFRESH);
    KillTimer(this, TIMER_FIELDEDIT);
    LmrWindowNotice().onMarkCodeStale = nullptr;
    if (LmrGOption().GetAttachedDialog() == this) LmrGOption().AttachDialog(nullptr);
}

void CDlgLmrCode::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bShown) return;
    m_bShown = TRUE;
    // The options are read when the host window starts, after this dialog
    // was made: the fields show them from the first showing on. The text is
    // made once the showing is over, so that a refused field's message never
    // opens inside it.
    m_bFilling = TRUE;
    LmrGOption().ValuesToControls(this);
    m_bFilling = FALSE;
    KillTimer(this, TIMER_FIELDEDIT);
    QMetaObject::invokeMethod(
        this, [this] { RefreshCode(); }, Qt::QueuedConnection);
}

void CDlgLmrCode::ShowOptionValues() {
    m_bFilling = TRUE;
    LmrGOption().ValuesToControls(this);
    m_bFilling = FALSE;
    KillTimer(this, TIMER_FIELDEDIT);
    m_bStale = TRUE;
}

void CDlgLmrCode::keyPressEvent(QKeyEvent* event) {
    // Enter would press the default button.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

// Nothing accepts or rejects the panel away.
void CDlgLmrCode::accept() {}

void CDlgLmrCode::reject() {}

void CDlgLmrCode::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

// 5-pixel margins; the text grows with the dialog, the buttons stay under it.
void CDlgLmrCode::Relayout() {
    if (!m_pText) return;
    const int top = m_pText->y();
    const int buttonsTop = height() - kMargin - kButtonHeight;
    m_pText->setGeometry(kMargin, top, std::max(0, width() - 2 * kMargin),
                         std::max(0, buttonsTop - kMargin - top));
    int x = kMargin;
    for (int id : {IDC_TOCLIPBOARD, IDC_SAVETOFILE, IDC_CODEDB30, IDC_CODE00}) {
        QWidget* button = GetDlgItem(this, id);
        button->move(x, buttonsTop);
        x += button->width() + kMargin;
    }
}

BOOL CDlgLmrCode::GenerateCode(std::string& text) {
    // A refused field's message box runs an event loop of its own, in which
    // a timer tick or a command could ask again: that asks nothing.
    if (m_bGenerating) return FALSE;
    const QScopedValueRollback<BOOL> generating(m_bGenerating, TRUE);
    CLmrGOption& option = LmrGOption();
    // A start code must be hexadecimal as well as four characters long:
    // "ZZZZ" would otherwise read as 0. It is refused before any field is
    // stored, as the binder refuses a field.
    // A text the length rule lets pass (four characters with blanks) must
    // also be four digits once trimmed.
    const QString raw = m_pStartCode->text();
    if (raw.size() == 4 && !IsStartCodeText(QStringToAnsi(raw.trimmed()))) {
        m_pStartCode->setFocus();
        m_pStartCode->selectAll();
        MessageBox("Error", "Error", MB_OK, QApplication::activeWindow());
        return FALSE;
    }
    if (!option.ControlsToValues(TRUE, FALSE, this, "Error").empty()) return FALSE;
    option.Refresh();
    const int start =
        static_cast<int>(std::strtol(option.GetString("tnccode").c_str(), nullptr, 16));
    const LmrOptionValues& v = LmrOpt();
    const CRect cells(v.omlegjpleft, v.omlegjptop, v.omlegjpleft + v.mlegjpwidth - 1,
                      v.omlegjptop + v.mlegjpheight - 1);
    text.clear();
    if (CLmrOGJPCanvas* canvas = LmrOGJPCanvas()) canvas->GSHFCreate(text, cells, start);
    return TRUE;
}

BOOL CDlgLmrCode::RefreshCode() {
    std::string text;
    if (!GenerateCode(text)) return FALSE;
    if (text != m_strShown || m_pText->document()->isEmpty() != text.empty()) {
        m_strShown = text;
        // The control shows one line break for each CR LF.
        QString shown = AnsiToQString(text);
        shown.replace("\r\n", "\n");
        m_pText->setPlainText(shown);
    }
    return TRUE;
}

void CDlgLmrCode::OnTimer(UINT_PTR id) {
    if (id == TIMER_FIELDEDIT) {
        KillTimer(this, TIMER_FIELDEDIT);
        m_bStale = TRUE;
        return;
    }
    if (id != TIMER_REFRESH || !m_bStale) return;
    m_bStale = FALSE;
    KillTimer(this, TIMER_FIELDEDIT);
    RefreshCode();
}

void CDlgLmrCode::OnToClipboard() {
    std::string text;
    if (!GenerateCode(text)) return;
    if (!SetClipboardText(text))
        MessageBox("Cannot copy source code to clipboard.", "Error", MB_OK,
                   QApplication::activeWindow());
}

void CDlgLmrCode::OnSaveToFile() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save your character definitions to BASIC code.";
    request.filter = MakeBrowseFilter("Korvel BASIC Code", "bas");
    request.defaultExt = "bas";
    request.parent = this;
    const auto path = Ui().ChooseFile(request);
    if (!path) return;
    std::string text;
    if (!GenerateCode(text)) return;
    if (!WriteTextFile(*path, text))
        MessageBox("Cannot create source code to file.", "Error", MB_OK, this);
}

void CDlgLmrCode::OnCodeDB30() {
    m_pStartCode->setText("DB30");
    RefreshCode();
}

void CDlgLmrCode::OnCode00() {
    // Four digits: the start-code rule refuses a shorter text.
    m_pStartCode->setText("0000");
    RefreshCode();
}
