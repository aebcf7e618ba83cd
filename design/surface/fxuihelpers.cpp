#include "design/surface/fxuihelpers.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QMenu>
#include <QPlainTextEdit>

#include "foundation/fxutils.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

void SortStringArray(std::vector<std::string>& texts, BOOL byKey) {
    SortStrings(texts, byKey ? FALSE : TRUE);
}

// ---- CFxTextWnd ----------------------------------------------------------------

CFxTextWnd::CFxTextWnd(QWidget* parent) : QWidget(parent), m_pEdit(new QPlainTextEdit(this)) {
    SetDlgCtrlID(m_pEdit, kEditId);
    FontSpec spec;
    spec.height = PointsToHeight(9);
    m_pEdit->setFont(MakeFont(spec));
    LayoutEdit();
    SetTimerHandler(this, [this](UINT_PTR id) { OnTimer(id); });
    SetTimer(this, kTimerId, kTimerMs);
}

CFxTextWnd::~CFxTextWnd() = default;

void CFxTextWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutEdit();
}

void CFxTextWnd::OnTimer(UINT_PTR) {}

void CFxTextWnd::LayoutEdit() { m_pEdit->setGeometry(rect().adjusted(5, 5, -5, -5)); }

// ---- Menus -----------------------------------------------------------------------

UINT TrackResourceMenu(QMenu& menu, const CPoint* screenPoint, const std::map<UINT, UINT>& states) {
    QMenu* popup = &menu;
    for (QAction* action : menu.actions()) {
        if (action->menu()) {
            popup = action->menu();
            break;
        }
    }
    for (QAction* action : popup->actions()) {
        const UINT id = GetCommandId(action);
        if (id == 0 || action->isSeparator()) continue;
        const auto it = states.find(id);
        const UINT state = it == states.end() ? 0 : it->second;
        action->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
        if (state & MF_CHECKED) action->setCheckable(true);
        if (action->isCheckable()) action->setChecked((state & MF_CHECKED) != 0);
    }
    const QPoint at = screenPoint ? QPoint(screenPoint->x, screenPoint->y) : QCursor::pos();
    return ExecPopupMenu(*popup, at);
}

// ---- Combo boxes -------------------------------------------------------

void ComboFillStrings(QComboBox* combo, const std::vector<std::string>& texts) {
    if (combo == nullptr) return;
    combo->clear();
    for (const std::string& text : texts) combo->addItem(AnsiToQString(text));
}
