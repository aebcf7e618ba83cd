// The real-time code window.

#include "apps/designer/dvkcodewnd.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

CDvkCodeWnd* g_pDvkCodeWnd = nullptr;

namespace {
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 24;
constexpr int kEditTop = 23;
constexpr int kEditBottomGap = 35;
constexpr int kMargin = 5;
}  // namespace

CDvkCodeWnd::CDvkCodeWnd(QWidget* parent, SourceGenerator generate)
    : QDialog(parent), m_generate(std::move(generate)) {
    g_pDvkCodeWnd = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Real-Time Code Generation");
    setMinimumWidth(kMinTrackWidth);
    resize(300, 400);
    auto* label = new QLabel("BASIC Code for Korvel", this);
    label->setGeometry(kMargin, 4, 200, 16);
    m_pEdit = new QTextEdit(this);
    m_pEdit->setAcceptRichText(false);
    m_pEdit->setLineWrapMode(QTextEdit::NoWrap);
    // All text in one font, set once: setting it after the text would lay
    // the whole text out a second time at every refresh.
    m_pEdit->setFont(QFont("MS Sans Serif"));
    SetDlgCtrlID(m_pEdit, 1002);
    m_pEdit->setGeometry(kMargin, kEditTop, width() - 2 * kMargin,
                         height() - kEditTop - kEditBottomGap);
    const struct {
        int id;
        const char* text;
    } buttons[] = {{1005, "To Clipboard"}, {1003, "Save to File..."}, {1004, "Close"}};
    int x = kMargin;
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        SetDlgCtrlID(button, b.id);
        button->setAutoDefault(false);
        button->setGeometry(x, height() - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
        x += kButtonWidth + kMargin;
    }
    connect(static_cast<QPushButton*>(GetDlgItem(this, 1005)), &QPushButton::clicked, this,
            [this]() { OnToClipboard(); });
    connect(static_cast<QPushButton*>(GetDlgItem(this, 1003)), &QPushButton::clicked, this,
            [this]() { OnSaveToFile(); });
    connect(static_cast<QPushButton*>(GetDlgItem(this, 1004)), &QPushButton::clicked, this,
            [this]() { close(); });
    auto* toggle = new QShortcut(QKeySequence("Ctrl+W"), this);
    connect(toggle, &QShortcut::activated, this, [this]() { close(); });
}

CDvkCodeWnd::~CDvkCodeWnd() {
    if (g_pDvkCodeWnd == this) g_pDvkCodeWnd = nullptr;
}

void CDvkCodeWnd::Init(const std::string& text) {
    FillText(text);
    InitLayoutMargins(this, kMargin, kMargin, kMargin, kMargin, FALSE);
    PlaceBesideMainWindow();
    ResendSizeMessage(this, TRUE);
}

void CDvkCodeWnd::FillText(const std::string& text) {
    QString shown = AnsiToQString(text);
    QTextDocument* document = m_pEdit->document();
    if (m_nShownRevision >= 0 && document->revision() == m_nShownRevision) {
        const qsizetype oldSize = m_shown.size();
        const qsizetype limit = std::min(oldSize, shown.size());
        qsizetype prefix = 0;
        while (prefix < limit && m_shown[prefix] == shown[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < limit - prefix &&
               m_shown[oldSize - 1 - suffix] == shown[shown.size() - 1 - suffix])
            ++suffix;
        // The document holds a CR LF as one line break: the changed run
        // never starts or ends inside one, and a position of the document is
        // a character of the text less the CR LF pairs before it.
        if (prefix > 0 && m_shown[prefix - 1] == u'\r') --prefix;
        if (suffix > 0 &&
            (m_shown[oldSize - suffix - 1] == u'\r' || shown[shown.size() - suffix - 1] == u'\r'))
            --suffix;
        const auto pairs = [this](qsizetype from, qsizetype to) {
            int count = 0;
            for (qsizetype i = from; i + 1 < to; ++i)
                if (m_shown[i] == u'\r' && m_shown[i + 1] == u'\n') ++count;
            return count;
        };
        const qsizetype start = prefix - pairs(0, prefix);
        const qsizetype end = start + (oldSize - suffix - prefix) - pairs(prefix, oldSize - suffix);
        // As after a fill of the whole text: nothing to undo, not modified.
        document->setUndoRedoEnabled(false);
        QTextCursor cursor(document);
        cursor.setPosition(static_cast<int>(start));
        cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
        cursor.insertText(shown.mid(prefix, shown.size() - prefix - suffix));
        document->setUndoRedoEnabled(true);
        document->setModified(false);
    } else {
        m_pEdit->setPlainText(shown);
    }
    m_shown = std::move(shown);
    m_nShownRevision = document->revision();
    m_pEdit->moveCursor(QTextCursor::End);
    m_pEdit->ensureCursorVisible();
    if (text.find("DEFCHR") != std::string::npos && width() < kDefchrWidth) {
        resize(kDefchrWidth, height());
        PlaceBesideMainWindow();
    }
}

int CDvkCodeWnd::GetPlacementLeft(const CRect& main, int width, int screenWidth) {
    const int spaceLeft = main.left;
    const int spaceRight = screenWidth - main.right;
    if (spaceLeft >= width) return main.left - width;
    if (spaceRight > width && spaceLeft < spaceRight) return main.right;
    return spaceLeft > spaceRight ? 0 : screenWidth - width;
}

void CDvkCodeWnd::PlaceBesideMainWindow() {
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    if (!main) return;
    const QRect frame = main->frameGeometry();
    const CRect rect(frame.left(), frame.top(), frame.left() + frame.width(),
                     frame.top() + frame.height());
    const int w = frameGeometry().width();
    const int decoration = frameGeometry().height() - height();
    move(GetPlacementLeft(rect, w, GetScreenSize().cx), rect.top);
    resize(width(), std::max(1, frame.height() - decoration));
}

void CDvkCodeWnd::Relayout() {
    if (!IsAttached()) return;
    AlignLeft(m_pEdit);
    StretchRight(m_pEdit);
    m_pEdit->setGeometry(m_pEdit->x(), kEditTop, m_pEdit->width(),
                         std::max(0, height() - kEditTop - kEditBottomGap));
    QWidget* buttons[] = {GetDlgItem(this, 1005), GetDlgItem(this, 1003), GetDlgItem(this, 1004)};
    AnchorBottom(kMargin, std::span<QWidget* const>(buttons));
    AnchorRight(kMargin, std::span<QWidget* const>(buttons));
}

void CDvkCodeWnd::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

void CDvkCodeWnd::closeEvent(QCloseEvent* event) {
    if (g_pDvkCodeWnd == this) g_pDvkCodeWnd = nullptr;
    QDialog::closeEvent(event);
}

void CDvkCodeWnd::OnToClipboard() {
    std::string text;
    QClipboard* clipboard = QApplication::clipboard();
    if (!m_generate || !m_generate(text) || !clipboard) {
        MessageBox("Cannot Copy Graphic Code To Clipboard.", "Error", MB_OK, this);
        return;
    }
    clipboard->setText(AnsiToQString(text));
}

void CDvkCodeWnd::OnSaveToFile() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save Your Design To BASIC Code.";
    request.filter = MakeBrowseFilter("Korvel BASIC Code", "inc");
    request.defaultExt = "inc";
    request.parent = this;
    const auto path = Ui().ChooseFile(request);
    if (!path) return;
    std::string text;
    if (!m_generate || !m_generate(text)) {
        MessageBox("Cannot get graphic code to save", "Error", MB_OK, this);
        return;
    }
    LogWrite("PJGCommands : " + text.substr(0, 1000));
    if (!WriteTextFile(*path, text))
        MessageBox("Cannot Create Graphic Code To File.", "Error", MB_OK, this);
}
