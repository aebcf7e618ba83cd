#include "design/frames/dsgframepaint.h"

#include "design/surface/fxmemdc.h"
#include "platform/dc.h"
#include "platform/uiservices.h"

void DrawFaceBackground(CDC& dc) {
    const CSize size = dc.GetSize();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const CRect all(0, 0, size.cx, size.cy);
    dc.FillSolidRect(all, face);
    Draw3dFrame(&dc, all, face, 40, TRUE, FALSE);
}
