#include "design/frames/dsgxfframe.h"

#include <QPainter>
#include <QResizeEvent>

#include "design/frames/dlgxfdnchar.h"
#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgxfpanels.h"
#include "design/surface/dsgdspframe.h"
#include "foundation/fxstrings.h"
#include "platform/dc.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {
CDsgXFFrame* g_pDsgXFFrame = nullptr;
}

CDsgXFFrame* GetDsgXFFrame() { return g_pDsgXFFrame; }

CDsgXFFrame::CDsgXFFrame(QWidget* parent) : QWidget(parent) {
    g_pDsgXFFrame = this;
    setObjectName("XFFrame");
    setGeometry(0, 0, 0, kHeight);
    // The panels in their order: dot/line, image, text/menu, PC-font text,
    // clip, definable character.
    m_pDotLine = new CDlgXFDotLine(this);
    m_pImage = new CDlgXFImage(this);
    m_pText = new CDlgXFText(this);
    m_pPCText = new CDlgXFPCText(this);
    m_pDNChar = new CDlgXFDNChar(this);
    m_arrPanels = {m_pDotLine, m_pImage, m_pText, m_pPCText, new CDlgXFClip(this), m_pDNChar};
    for (QWidget* panel : m_arrPanels)
        if (panel) panel->hide();
    ShowXFPanel();
    m_bReady = TRUE;
}

CDsgXFFrame::~CDsgXFFrame() {
    if (g_pDsgXFFrame == this) g_pDsgXFFrame = nullptr;
}

std::string CDsgXFFrame::GetToolHints(int tool) {
    std::string hints;
    if ((tool >= 1 && tool <= 6) || tool == 100)
        hints =
            "Use Mouse+Ctrl key to draw squared ones.\r\n"
            "Use Mouse+Shift key to draw symmetrical ones.";
    if (tool == 2)
        hints +=
            "\r\nUse Mouse+ALT key to draw continuous lines.\r\n"
            "Thick and dotted lines do not appear correctly on Windows 98 PC screen.";
    if (tool == 0) hints += "Use tab key to select neighbor ones.";
    if (tool == 5) hints += "\r\nDotted circles are not supported.";
    if (tool == 100)
        hints += "\r\nYou can create up to 100 menus.\r\nMenu is valid only for Tavio.";
    return hints;
}

int CDsgXFFrame::GetHintTool() const {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    return page ? page->GetWOETool() : 0;
}

int CDsgXFFrame::GetPanelIndexOfFace(int face) {
    switch (face) {
        case 1:
            return 0;
        case 4:
            return 1;
        case 2:
        case 3:
            return 2;
        case 6:
            return 3;
        case 7:
            return 4;
        case 5:
            return 5;
        default:
            return -1;
    }
}

void CDsgXFFrame::ShowXFPanel() {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    const int face = page ? page->GetWOChosenCommonXFace() : 0;
    const int index = GetPanelIndexOfFace(face);
    QWidget* shown = index >= 0 ? m_arrPanels[static_cast<size_t>(index)] : nullptr;
    for (QWidget* panel : m_arrPanels)
        if (panel && panel != shown) panel->hide();
    if (shown) {
        shown->setGeometry(rect());
        shown->show();
    }
    m_pShownPanel = shown;
    if (m_pText) m_pText->UpdateXFEnables(face);
    if (m_pImage) m_pImage->UpdateXFEnables(face);
    if (m_pPCText) m_pPCText->UpdateXFEnables(face);
    if (m_pDotLine) m_pDotLine->UpdateXFEnables(face);
    update();
}

BOOL CDsgXFFrame::IsShownPanelCurrent() const {
    const CDsgDSPFrame* page = GetDsgDSPFrame();
    const int index = GetPanelIndexOfFace(page ? page->GetWOChosenCommonXFace() : 0);
    return m_pShownPanel == (index >= 0 ? m_arrPanels[static_cast<size_t>(index)] : nullptr);
}

void CDsgXFFrame::FillXFPanels() {
    if (m_pDotLine) m_pDotLine->FillXF();
    if (m_pText) m_pText->FillXF();
    if (m_pImage) m_pImage->FillXF();
    if (m_pPCText) m_pPCText->FillXF();
    if (m_pDNChar) m_pDNChar->FillXF();
}

void CDsgXFFrame::ResizeXFPanels() {
    for (QWidget* panel : m_arrPanels)
        if (panel) panel->setGeometry(rect());
}

void CDsgXFFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ResizeXFPanels();
}

void CDsgXFFrame::paintEvent(QPaintEvent*) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    CDC dc(width(), height(), face);
    DrawFaceBackground(dc);

    // The hints stand between the top left corner and the top of the design
    // page, which lies below the host.
    FontSpec font;
    font.height = PointsToHeight(9);
    font.face = "Arial";
    dc.SelectFont(font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(DarkenColor(face, 47));
    int bottom = height();
    const CDsgMainFrame* frame = GetDsgMainFrame();
    if (frame && frame->GetDSPTop() >= 0 && parentWidget() == frame)
        bottom = frame->GetDSPTop() - geometry().top();
    CRect hintRect(3, 3, width(), bottom);
    dc.DrawText(GetToolHints(GetHintTool()), hintRect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);

    QPainter painter(this);
    painter.drawImage(0, 0, dc.Image());
}
