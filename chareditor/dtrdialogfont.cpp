#include "chareditor/dtrdialogfont.h"

#include <QWidget>

FontSpec DtrDialogFont() {
    FontSpec font;
    font.height = PointsToHeight(8);
    font.face = "Arial";
    return font;
}

CRect DtrDialogRect(int x, int y, int cx, int cy) {
    static const CSize units = GetDialogBaseUnits(DtrDialogFont());
    return MapDialogRect(CRect(x, y, x + cx, y + cy), units);
}

void DtrPlace(QWidget* widget, int x, int y, int cx, int cy) {
    const CRect r = DtrDialogRect(x, y, cx, cy);
    widget->setGeometry(r.left, r.top, r.Width(), r.Height());
}
