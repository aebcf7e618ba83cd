#include "design/frames/dsgframepaint.h"

#include "foundation/fxstrings.h"
#include "platform/dc.h"
#include "platform/uiservices.h"

void DrawRaisedFrame(CDC& dc, const CRect& rect, COLORREF face, bool inner) {
    dc.Draw3dRect(rect, LightenColor(face, 40), DarkenColor(face, 40));
    if (inner) {
        CRect in = rect;
        in.DeflateRect(1, 1);
        dc.Draw3dRect(in, LightenColor(face, 40), DarkenColor(face, 40));
    }
}

void DrawFaceBackground(CDC& dc) {
    const CSize size = dc.GetSize();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const CRect all(0, 0, size.cx, size.cy);
    dc.FillSolidRect(all, face);
    DrawRaisedFrame(dc, all, face, false);
}
