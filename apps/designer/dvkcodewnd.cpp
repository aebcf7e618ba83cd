// The real-time code window.

#include "apps/designer/dvkcodewnd.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "foundation/fxutilswnd.h"
#include "platform/dc.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

CDvkCodeWnd* g_pDvkCodeWnd = nullptr;

namespace {
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 24;
constexpr int kEditTop = 23;
constexpr int kEditBottomGap = 35;
constexpr int kMargin = 5;
constexpr qreal kTabStop = 48;
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
    // The face of the dialog font, at its 8 points, through the platform's
    // face substitution.
    FontSpec font;
    font.face = "MS Sans Serif";
    font.height = PointsToHeight(8);
    m_pEdit->setFont(MakeFont(font));
    // Tabs stop every half inch (at 96 dots per inch), as in a rich edit
    // control, so that the indented DEFCHR rows fit the window's 330 pixels.
    m_pEdit->setTabStopDistance(kTabStop);
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

namespace {

// The length of the common start of two texts.
size_t CommonPrefix(std::string_view a, std::string_view b) {
    const size_t limit = std::min(a.size(), b.size());
    constexpr size_t kBlock = 256;
    size_t at = 0;
    while (at + kBlock <= limit && std::memcmp(a.data() + at, b.data() + at, kBlock) == 0)
        at += kBlock;
    while (at < limit && a[at] == b[at]) ++at;
    return at;
}

// The length of the common end of two texts, at most `limit`.
size_t CommonSuffix(std::string_view a, std::string_view b, size_t limit) {
    constexpr size_t kBlock = 256;
    size_t length = 0;
    while (length + kBlock <= limit &&
           std::memcmp(a.data() + a.size() - length - kBlock, b.data() + b.size() - length - kBlock,
                       kBlock) == 0)
        length += kBlock;
    while (length < limit && a[a.size() - 1 - length] == b[b.size() - 1 - length]) ++length;
    return length;
}

// The line breaks of a run of the text as the document counts them: a
// CR LF, a CR alone and an LF alone each end a block. A CR at the run's end
// counts alone.
int CountBlockBreaks(std::string_view run) {
    int breaks = static_cast<int>(std::count(run.begin(), run.end(), '\n'));
    const char* at = run.data();
    const char* const end = run.data() + run.size();
    while ((at = static_cast<const char*>(std::memchr(at, '\r', end - at))) != nullptr) {
        ++at;
        if (at == end || *at != '\n') ++breaks;
    }
    return breaks;
}

}  // namespace

void CDvkCodeWnd::FillText(const std::string& text) {
    QTextDocument* document = m_pEdit->document();
    if (m_nShownRevision >= 0 && document->revision() == m_nShownRevision) {
        if (text != m_shown) ReplaceChangedLines(text);
    } else {
        m_pEdit->setPlainText(AnsiToQString(text));
    }
    m_shown = text;
    m_nShownRevision = document->revision();
    m_pEdit->moveCursor(QTextCursor::End);
    m_pEdit->ensureCursorVisible();
    if (text.find("DEFCHR") != std::string::npos && width() < kDefchrWidth) {
        resize(kDefchrWidth, height());
        PlaceBesideMainWindow();
    }
}

void CDvkCodeWnd::ReplaceChangedLines(const std::string& text) {
    const std::string_view old = m_shown;
    const std::string_view now = text;
    // Whole lines are replaced: right after an LF a character of the code
    // page starts (an LF is never part of a double-byte character) and so
    // does a block of the document, whatever came before.
    size_t prefix = CommonPrefix(old, now);
    size_t suffix = CommonSuffix(old, now, std::min(old.size(), now.size()) - prefix);
    const size_t lineStart = old.rfind('\n', prefix == 0 ? std::string_view::npos : prefix - 1);
    prefix = prefix == 0 || lineStart == std::string_view::npos ? 0 : lineStart + 1;
    const size_t oldEnd = old.size() - suffix;
    const size_t nowEnd = now.size() - suffix;
    const bool atLineStart = suffix == 0 || (oldEnd > 0 && old[oldEnd - 1] == '\n' && nowEnd > 0 &&
                                             now[nowEnd - 1] == '\n');
    if (!atLineStart) {
        // The first LF inside the common end, which both texts have.
        const size_t lineEnd = old.find('\n', oldEnd);
        suffix = lineEnd == std::string_view::npos ? 0 : old.size() - lineEnd - 1;
    }
    QTextDocument* document = m_pEdit->document();
    const int start =
        document->findBlockByNumber(CountBlockBreaks(old.substr(0, prefix))).position();
    const int end = suffix == 0
                        ? document->characterCount() - 1
                        : document
                              ->findBlockByNumber(document->blockCount() - 1 -
                                                  CountBlockBreaks(old.substr(old.size() - suffix)))
                              .position();
    // As after a fill of the whole text: nothing to undo, not modified.
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(AnsiToQString(now.substr(prefix, now.size() - suffix - prefix)));
    document->setUndoRedoEnabled(true);
    document->setModified(false);
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
