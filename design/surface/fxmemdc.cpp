#include "design/surface/fxmemdc.h"

CFxMemDC::CFxMemDC(CDC* target, const CSize& size) : CDC(size.cx, size.cy), m_pTarget(target) {}
CFxMemDC::~CFxMemDC() = default;
void CFxMemDC::BltToTarget(CDC*, const CRect*) {}
void CFxMemDC::BltToTarget(QPainter&, int, int) const {}
void DrawPenLine(CDC*, const CPoint&, const CPoint&, int, int, COLORREF) {}
void DrawStyledLine(CDC*, const CPoint&, const CPoint&, int, COLORREF, int, int) {}
void DrawDotRect(CDC*, const CRect&, int, COLORREF, int, int) {}
void DrawPenRect(CDC*, const CRect&, int, int, COLORREF) {}
void InvertRectFrame(CDC*, const CRect&) {}
void Draw3dFrame(CDC*, const CRect&, COLORREF, int, BOOL, BOOL) {}
QImage CopyRectToBitmap(const CDC*, const CRect&) { return {}; }
void DrawMaskedBitmap(CDC*, const QImage&, const CPoint&, COLORREF) {}
BOOL PtsInRect(const CRect&, const CPoint&, const CPoint&) { return FALSE; }
BOOL IsPointNear(const CPoint&, const CPoint&, int) { return FALSE; }
CRect MapRectBetween(const CRect& rect, const CRect&, const CRect&) { return rect; }
CRect CenterRectIn(const CSize&, const CRect& outer) { return outer; }
CRect CenterRectInX(const CRect& rect, const CRect&) { return rect; }
CRect CenterRectInY(const CRect& rect, const CRect&) { return rect; }
