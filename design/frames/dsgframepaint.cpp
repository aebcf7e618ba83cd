#include "design/frames/dsgframepaint.h"

#include <QKeyEvent>

#include "design/surface/dsgdspframe.h"
#include "design/surface/fxmemdc.h"
#include "platform/dc.h"
#include "platform/uiservices.h"
#include "platform/window.h"

void DrawFaceBackground(CDC& dc) {
    const CSize size = dc.GetSize();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const CRect all(0, 0, size.cx, size.cy);
    dc.FillSolidRect(all, face);
    Draw3dFrame(&dc, all, face, 40, TRUE, FALSE);
}

bool SwallowDialogCloseKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return true;
        default:
            return false;
    }
}

void FocusDesignPageSoon() {
    if (CDsgDSPFrame* page = GetDsgDSPFrame())
        SetTimer(page, nDSG_DSPTIMER__FOCUS, nDSG_DSPTIMER__FOCUS_MS);
}
