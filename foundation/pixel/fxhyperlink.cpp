#include "foundation/pixel/fxhyperlink.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPalette>

#include "foundation/pixel/fxweblink.h"
#include "platform/textcodec.h"

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

// ---- CFxHyperLink ----------------------------------------------------------

CFxHyperLink::CFxHyperLink(QWidget* parent, BOOL underline, BOOL bold)
    : QLabel(parent), m_bUnderline(underline), m_bBold(bold) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);  // transparent: the parent shows behind it
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setWeight(m_bBold ? QFont::Bold : QFont::Normal);
    f.setUnderline(m_bUnderline != FALSE);
    setFont(f);
    ApplyLook();
}

CFxHyperLink::~CFxHyperLink() = default;

void CFxHyperLink::SetLinkText(const std::string& text) {
    m_strText = text;
    setText(AnsiToQString(text));
}

void CFxHyperLink::SetLinkTarget(const std::string& target, int showCommand) {
    m_strTarget = target;
    m_nShowCommand = showCommand;
}

void CFxHyperLink::SetTooltipText(const std::string& text) {
    m_strTooltip = text;
    setToolTip(AnsiToQString(text));
}

void CFxHyperLink::SetNormalColor(COLORREF color) {
    m_crNormal = color;
    ApplyLook();
}

void CFxHyperLink::SetVisitedColor(COLORREF color) {
    m_crVisited = color;
    ApplyLook();
}

COLORREF CFxHyperLink::GetDrawColor() const {
    if (m_bHover) return m_bVisited ? m_crVisited : m_crHover;
    return m_bVisited ? m_crVisited : m_crNormal;
}

void CFxHyperLink::ApplyLook() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ToQColor(GetDrawColor()));
    setPalette(p);
    update();
}

void CFxHyperLink::SetHover(BOOL hover) {
    if (m_bHover == hover) return;
    m_bHover = hover;
    ApplyLook();
}

void CFxHyperLink::Click() {
    if (m_pNotify) {
        SendMessage(m_pNotify.data(), WM_FX_LINKCLICK, static_cast<WPARAM>(GetDlgCtrlID(this)), 0);
    } else {
        FxOpenWebLink(m_strTarget);
    }
    m_bVisited = TRUE;
    ApplyLook();
}

void CFxHyperLink::mouseMoveEvent(QMouseEvent* event) {
    SetHover(rect().contains(event->position().toPoint()) ? TRUE : FALSE);
    QLabel::mouseMoveEvent(event);
}

void CFxHyperLink::leaveEvent(QEvent* event) {
    SetHover(FALSE);
    QLabel::leaveEvent(event);
}

void CFxHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        // The click may delete this link (a notify window that closes it).
        QPointer<CFxHyperLink> self(this);
        Click();
        if (!self) return;
    }
    QLabel::mouseReleaseEvent(event);
}

// ---- CFxNoticeItem ---------------------------------------------------------

CFxNoticeItem::~CFxNoticeItem() = default;

std::string CFxNoticeItem::StripTags(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '<') {
            const size_t end = text.find('>', i + 1);
            if (end == std::string::npos) {
                out.append(text, i, std::string::npos);  // no tag: kept as it stands
                break;
            }
            i = end + 1;
            continue;
        }
        out.push_back(text[i++]);
    }
    return out;
}

int CFxNoticeItem::ParseSeconds(const std::string& field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    long long value = 0;
    bool digits = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        digits = true;
        value = value * 10 + (field[i] - '0');
        if (value > kMaxSeconds) return kDefaultSeconds;
    }
    if (!digits || negative || value < 1) return kDefaultSeconds;
    return static_cast<int>(value);
}

void CFxNoticeItem::Parse(const std::string& piece, int index) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < 10) {
        const size_t bar = piece.find('|', start);
        if (bar == std::string::npos) {
            fields.push_back(piece.substr(start));
            break;
        }
        fields.push_back(piece.substr(start, bar - start));
        start = bar + 1;
    }
    fields.resize(10);
    m_strText = StripTags(fields[0]);
    m_strLink = fields[1];
    m_nSeconds = ParseSeconds(fields[2]);
    m_strId = fields[3];
    m_strReportAddress = fields[4];
    m_nIndex = index;
}

// ---- CFxRotatingLink -------------------------------------------------------

CFxRotatingLink::~CFxRotatingLink() = default;

int CFxRotatingLink::ChooseItemAt(long long seconds) const {
    long long total = 0;
    for (const CFxNoticeItem& item : m_items) total += item.m_nSeconds;
    if (m_items.empty() || total <= 0) return -1;
    long long a = seconds % total;
    if (a < 0) a += total;
    long long sum = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        sum += m_items[i].m_nSeconds;
        if (sum >= a) return static_cast<int>(i);
    }
    return static_cast<int>(m_items.size()) - 1;
}
