#include "design/frames/dsgxfframe.h"

#include <QPainter>
#include <QResizeEvent>

#include "design/frames/dsgframepaint.h"
#include "design/frames/dsgmainframe.h"
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
    // The panel list: one entry per panel, in the order they are made. The
    // panels themselves come with their own windows.
    m_arrPanels.assign(6, nullptr);
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

void CDsgXFFrame::ShowXFPanel() {
    // No panel is built yet: the hints show through.
    m_pShownPanel = nullptr;
    for (QWidget* panel : m_arrPanels)
        if (panel) panel->hide();
    update();
}

void CDsgXFFrame::FillXFPanels() {}

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
