#include "design/frames/dlgubar.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "design/frames/dlgformname.h"
#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgtspframe.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "foundation/fxbutton.h"
#include "platform/dc.h"
#include "platform/uiservices.h"

namespace {

CDlgUBar* g_pUBar = nullptr;

constexpr COLORREF kMagenta = RGB(255, 0, 255);

}  // namespace

CDlgUBar* GetDlgUBar() { return g_pUBar; }

CDlgUBar::CDlgUBar(QWidget* parent) : QDialog(parent, Qt::Widget) {
    // A child of the main frame, not a window of its own (QDialog would
    // otherwise make itself one).
    setWindowFlags(Qt::Widget);
    g_pUBar = this;
    setObjectName("DlgUBar");
    resize(320, 30);
    m_btnAdd = new CFxButton(this);
    m_btnAdd->setText(QStringLiteral("Add Form"));
    // A push button with its edges, so that its extent shows where the
    // form's name has to end.
    m_btnAdd->SetFlat(false);
    m_btnAdd->setGeometry(150, 4, 100, 22);
    m_btnIncrease = new CFxButton(this);
    m_btnIncrease->setGeometry(256, 4, 26, 22);
    m_btnIncrease->SetBitmapIds(116, kMagenta);
    m_btnDecrease = new CFxButton(this);
    m_btnDecrease->setGeometry(286, 4, 26, 22);
    m_btnDecrease->SetBitmapIds(117, kMagenta);
    SetDlgCtrlID(m_btnAdd, IDC_UBAR_ADDFORM);
    SetDlgCtrlID(m_btnIncrease, IDC_UBAR_INCREASE);
    SetDlgCtrlID(m_btnDecrease, IDC_UBAR_DECREASE);
    for (CFxButton* button : {m_btnAdd, m_btnIncrease, m_btnDecrease})
        button->setFocusPolicy(Qt::NoFocus);
    connect(m_btnAdd, &QPushButton::clicked, this, [this] {
        OnAddSPage();
        FocusDesignPageSoon();
    });
    connect(m_btnIncrease, &QPushButton::clicked, this, [this] {
        OnSPIEIncrease();
        FocusDesignPageSoon();
    });
    connect(m_btnDecrease, &QPushButton::clicked, this, [this] {
        OnSPIEDecrease();
        FocusDesignPageSoon();
    });
    InitLayoutMargins(this, 5, 5, 5, 5, TRUE);
    UpdateEBState();
}

CDlgUBar::~CDlgUBar() {
    if (g_pUBar == this) g_pUBar = nullptr;
}

CFxButton* CDlgUBar::GetButton(int id) const {
    switch (id) {
        case IDC_UBAR_ADDFORM:
            return m_btnAdd;
        case IDC_UBAR_INCREASE:
            return m_btnIncrease;
        case IDC_UBAR_DECREASE:
            return m_btnDecrease;
        default:
            return nullptr;
    }
}

void CDlgUBar::OnAddSPage() {
    CDlgFormName dialog(CDlgFormName::MODE_NEW, std::string(), nullptr);
    ExecDialog(dialog);
}

void CDlgUBar::OnSPIEIncrease() {
    if (CDsgTSPFrame* strip = GetDsgTSPFrame()) strip->OnSPIEIncrease();
}

void CDlgUBar::OnSPIEDecrease() {
    if (CDsgTSPFrame* strip = GetDsgTSPFrame()) strip->OnSPIEDecrease();
}

void CDlgUBar::UpdateEBState() {
    const CDsgTSPFrame* strip = GetDsgTSPFrame();
    const bool one = strip && strip->GetSPSCount() == 1;
    const int anchor = strip ? strip->GetAnchor() : -1;
    const int count = strip ? strip->GetTSPageCount() : 0;
    m_btnIncrease->setEnabled(one && anchor >= 0 && anchor < count - 1);
    m_btnDecrease->setEnabled(one && anchor > 0);
}

void CDlgUBar::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    AnchorRight(-1, {m_btnIncrease, m_btnDecrease});
    StretchToLeftOf(m_btnAdd, m_btnIncrease);
}

void CDlgUBar::DrawUBar(CDC& dc) const {
    const CSize size = dc.GetSize();
    DrawFaceBackground(dc);
    const CDsgLSDHost* host = GetDsgLSDHost();
    const CDsgEActions* actions = host ? const_cast<CDsgLSDHost*>(host)->GetDSPEActions() : nullptr;
    const CDsgTSPFrame* strip = GetDsgTSPFrame();
    const CDsgTSPage* page =
        strip && actions ? strip->GetTSPageBySPIndex(actions->GetSPIndex()) : nullptr;
    if (!page) return;
    FontSpec font;
    font.height = PointsToHeight(14);
    font.face = "Tahoma";
    dc.SelectFont(font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    // The name ends, with an ellipsis when it is longer, a gap before the
    // "Add Form" button.
    CRect rect(5, 0, std::min<LONG>(size.cx, m_btnAdd->geometry().left() - 5), size.cy);
    if (rect.right <= rect.left) return;
    dc.DrawText(page->GetSPName(), rect,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void CDlgUBar::keyPressEvent(QKeyEvent* event) {
    if (!SwallowDialogCloseKey(event)) QDialog::keyPressEvent(event);
}

void CDlgUBar::paintEvent(QPaintEvent*) {
    CDC dc(width(), height());
    DrawUBar(dc);
    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
