#include "design/frames/dlgwopos.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "design/frames/dsgframepaint.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsggoption.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgwobj.h"
#include "design/surface/dsgdspframe.h"
#include "platform/dc.h"
#include "platform/keyboard.h"

namespace {

constexpr std::int64_t kUnitsPerDot = 10000;

}  // namespace

std::int64_t ParseWOPosValue(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;
    return value;
}

CRect WOPosApplyKey(const CRect& dots, const std::string& key, std::int64_t value,
                    const CSize& lcd) {
    CRect result = dots;
    // The stored edges that play the left/right and top/bottom roles.
    LONG& left = dots.left <= dots.right ? result.left : result.right;
    LONG& right = dots.left <= dots.right ? result.right : result.left;
    LONG& top = dots.top <= dots.bottom ? result.top : result.bottom;
    LONG& bottom = dots.top <= dots.bottom ? result.bottom : result.top;
    const std::int64_t edge = std::max<std::int64_t>(value, 0);
    const std::int64_t size = std::max<std::int64_t>(value, 1);
    if (key == "left") {
        left = ClampToLong(std::min<std::int64_t>({edge, lcd.cx, right}));
    } else if (key == "right") {
        right = ClampToLong(std::min<std::int64_t>(std::max<std::int64_t>(edge, left), lcd.cx));
    } else if (key == "top") {
        top = ClampToLong(std::min<std::int64_t>({edge, lcd.cy, bottom}));
    } else if (key == "bottom") {
        bottom = ClampToLong(std::min<std::int64_t>(std::max<std::int64_t>(edge, top), lcd.cy));
    } else if (key == "width") {
        right = ClampToLong(static_cast<std::int64_t>(left) + size - 1);
    } else if (key == "height") {
        bottom = ClampToLong(static_cast<std::int64_t>(top) + size - 1);
    }
    return result;
}

CRect WOPosDotsToUnits(const CRect& dots) {
    return CRect(ClampToLong(dots.left * kUnitsPerDot), ClampToLong(dots.top * kUnitsPerDot),
                 ClampToLong(dots.right * kUnitsPerDot), ClampToLong(dots.bottom * kUnitsPerDot));
}

// ---- The bar ---------------------------------------------------------------

namespace {

CDlgWOPos* g_pWOPos = nullptr;

struct Field {
    int id;
    const char* key;
    int x;  // place in the bar
};

// "X:" left "~" right, "Y:" top "~" bottom, "size" width "x" height.
constexpr Field kFields[6] = {
    {IDC_WOPOS_LEFT, "left", 20},    {IDC_WOPOS_RIGHT, "right", 78},
    {IDC_WOPOS_TOP, "top", 150},     {IDC_WOPOS_BOTTOM, "bottom", 208},
    {IDC_WOPOS_WIDTH, "width", 290}, {IDC_WOPOS_HEIGHT, "height", 348},
};

constexpr int kFieldWidth = 46;

std::string DotsText(std::int64_t units) { return std::to_string(units / kUnitsPerDot); }

}  // namespace

CDlgWOPos* GetDlgWOPos() { return g_pWOPos; }

CDlgWOPos::CDlgWOPos(QWidget* parent) : QDialog(parent, Qt::Widget) {
    // A child of the main frame, not a window of its own (QDialog would
    // otherwise make itself one).
    setWindowFlags(Qt::Widget);
    g_pWOPos = this;
    setObjectName("DlgWOPos");
    resize(560, 26);
    const char* labels[] = {"X:", "~", "Y:", "~", "size", "x"};
    const int labelX[] = {4, 68, 134, 198, 262, 338};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(QString::fromLatin1(labels[i]), this);
        label->setGeometry(labelX[i], 4, i == 4 ? 26 : 14, 18);
        m_edits[i] = new QLineEdit(this);
        m_edits[i]->setGeometry(kFields[i].x, 2, kFieldWidth, 22);
        SetDlgCtrlID(m_edits[i], kFields[i].id);
        m_edits[i]->installEventFilter(this);
        const int id = kFields[i].id;
        connect(m_edits[i], &QLineEdit::textChanged, this, [this, id] { OnEditChanged(id); });
    }
    m_cursor = new QLabel(this);
    m_cursor->setGeometry(404, 4, 80, 18);
    SetDlgCtrlID(m_cursor, IDC_WOPOS_CURSOR);
    m_zoom = new QLabel(this);
    m_zoom->setGeometry(488, 4, 68, 18);
    SetDlgCtrlID(m_zoom, IDC_WOPOS_ZOOM);
    SetTimerHandler(this, [this](UINT_PTR id) {
        if (id != WOPOS_APPLY_TIMER) return;
        KillTimer(this, id);
        ApplyPending();
    });
    RefreshWOPos();
}

CDlgWOPos::~CDlgWOPos() {
    if (g_pWOPos == this) g_pWOPos = nullptr;
}

QLineEdit* CDlgWOPos::GetEdit(int id) const {
    for (int i = 0; i < 6; ++i)
        if (kFields[i].id == id) return m_edits[i];
    return nullptr;
}

void CDlgWOPos::RefreshWOPos() {
    ++m_nFilling;
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    const int count = page ? page->GetWOCHCount() : 0;
    const bool capturing = page && page->GetWOEState() == nDSG_WOES__HCAPTURING;
    if (count == 0 && !capturing) {
        for (QLineEdit* edit : m_edits) edit->clear();
    } else {
        std::set<int> ids;
        page->GetAllWOCHIds(ids);
        // While a rubber band is drawn, its rectangle.
        const CRect rect = capturing ? page->GetHCaptureRect()
                           : count == 1
                               ? page->GetWObjRect(page->GetCWOCHId())
                               : page->GetWObjsBoundRect(CDsgWOIdSet(ids.begin(), ids.end()));
        // The size follows the edges as shown, in whole dots: an object
        // between dot 86 and dot 113 is 28 dots wide wherever inside those
        // dots its stored corners lie.
        const std::int64_t left = rect.left / kUnitsPerDot, right = rect.right / kUnitsPerDot;
        const std::int64_t top = rect.top / kUnitsPerDot, bottom = rect.bottom / kUnitsPerDot;
        const std::int64_t values[6] = {
            left, right, top, bottom, right - left + 1, bottom - top + 1};
        for (int i = 0; i < 6; ++i) m_edits[i]->setText(QString::number(values[i]));
    }
    for (QLineEdit* edit : m_edits) edit->setEnabled(count == 1);
    const double zoom = page ? page->GetLMZoom() * 100.0 : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%3.2f%%", zoom);
    m_zoom->setText(QString::fromLatin1(text));
    --m_nFilling;
}

void CDlgWOPos::ShowCursorLCDPos(const CPoint& client) {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    if (!page) return;
    const CPoint lm = page->ClientToLMPoint(client.x, client.y);
    const CSize size = CDsgGOption::GetLMSize();
    const bool inside = lm.x >= 0 && lm.y >= 0 && lm.x < std::int64_t{size.cx} * kUnitsPerDot &&
                        lm.y < std::int64_t{size.cy} * kUnitsPerDot;
    m_cursor->setText(inside ? QString::fromStdString(DotsText(lm.x) + "," + DotsText(lm.y))
                             : QString());
}

void CDlgWOPos::OnEditChanged(int id) {
    QLineEdit* edit = GetEdit(id);
    if (m_nFilling || !edit || !edit->hasFocus()) return;
    for (const Field& field : kFields)
        if (field.id == id) m_pending.insert(field.key);
    SetTimer(this, WOPOS_APPLY_TIMER, WOPOS_APPLY_MS);
}

void CDlgWOPos::ApplyPending() {
    const std::set<std::string> keys = std::move(m_pending);
    m_pending.clear();
    for (const std::string& key : keys) ApplyKey(key);
}

void CDlgWOPos::ApplyKey(const std::string& key) {
    CDsgDSPFrame* page = GetDsgDSPFrame();
    const CDsgWObj* object = page ? page->GetCWOCHObj() : nullptr;
    if (!object || page->GetWOCHCount() != 1) return;
    QLineEdit* edit = nullptr;
    for (int i = 0; i < 6; ++i)
        if (key == kFields[i].key) edit = m_edits[i];
    if (!edit) return;
    const int id = page->GetCWOCHId();
    const CRect units = page->GetWObjRect(id);
    const CRect dots(units.left / kUnitsPerDot, units.top / kUnitsPerDot,
                     units.right / kUnitsPerDot, units.bottom / kUnitsPerDot);
    const CRect moved = WOPosDotsToUnits(WOPosApplyKey(
        dots, key, ParseWOPosValue(edit->text().toStdString()), CDsgGOption::GetLMSize()));
    // The page records the move with the moves of the ends linked to it.
    page->AddWOCHObjsDRMoveEAction(moved.left, moved.top, moved.right, moved.bottom, FALSE, FALSE);
    if (CDsgLSDHost* host = GetDsgLSDHost()) {
        host->MFRefresh(2);
        host->MFRefresh(4);
    }
}

bool CDlgWOPos::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        ApplyPending();
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ApplyPending();
            return true;
        }
        // A field keeps its own editing keys (Ctrl+A selects its text,
        // Ctrl+Z undoes its typing); the page has the others.
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab &&
            !IsOwnEditingKey(qobject_cast<QWidget*>(watched), *key))
            if (CDsgDSPFrame* page = GetDsgDSPFrame())
                if (page->OnKeyEvents(key)) return true;
    } else if (event->type() == QEvent::FocusIn) {
        if (auto* focus = static_cast<QFocusEvent*>(event);
            focus->reason() == Qt::TabFocusReason || focus->reason() == Qt::BacktabFocusReason)
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) edit->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgWOPos::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawFaceBackground(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
