#pragma once

// Off-screen drawing for the design page and the designer's panels: styled
// and dotted lines and outlines, bitmap helpers and small rectangle and point
// helpers, beside the common memory surface and 3-D frame.

#include <QImage>

#include "foundation/fxmemdc.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// ---- Lines and outlines ----------------------------------------------------

// A line with a cosmetic pen of the style (PS_SOLID, PS_DOT, ...), width and
// colour; unlike LineTo the end pixel is set too.
void DrawPenLine(CDC* dc, const CPoint& from, const CPoint& to, int penStyle, int penWidth,
                 COLORREF color);

// A line drawn with a geometric pen of the width (at least 1) and colour whose
// user style is (dash, gap), the dash at least 1 pixel: flat end caps when the
// gap is above 0, square end caps (a solid line) when it is 0. On the old
// Windows releases "95", "98" and "ME" a cosmetic dotted (or solid) pen stands
// in for it.
void DrawStyledLine(CDC* dc, const CPoint& from, const CPoint& to, int penWidth, COLORREF color,
                    int dash, int gap);

// The outline of a rectangle (normalised) as four styled lines in transparent
// mode: the top from (left, top) to (right-1, top), the right side down to
// bottom-1, the bottom back to left, the left side up to the top.
void DrawDotRect(CDC* dc, const CRect& rect, int penWidth, COLORREF color, int dash, int gap);

// The outline of a rectangle as four DrawPenLine calls in transparent mode,
// along the same path as DrawDotRect.
void DrawPenRect(CDC* dc, const CRect& rect, int penStyle, int penWidth, COLORREF color);

// Inverts the one-pixel outline of a rectangle (normalised).
void InvertRectFrame(CDC* dc, const CRect& rect);

// ---- Bitmaps -----------------------------------------------------------------

// A copy of the rectangle of the surface as a new picture of its size; parts
// outside the surface are black. A null image for an empty rectangle.
QImage CopyRectToBitmap(const CDC* dc, const CRect& rect);

// ---- Rectangles and points -----------------------------------------------------

// Whether both points lie in the rectangle: the first by the usual test
// (right and bottom edges outside), the second with the right and bottom
// edges inside.
BOOL PtsInRect(const CRect& rect, const CPoint& first, const CPoint& second);
// Whether the points differ by at most `tolerance` in x and in y.
BOOL IsPointNear(const CPoint& a, const CPoint& b, int tolerance);
// The rectangle mapped linearly from the reference rectangle `from` to `to`
// (an axis of `from` without extent maps to the start of `to`).
CRect MapRectBetween(const CRect& rect, const CRect& from, const CRect& to);
// A rectangle of `size` centred in `outer` (integer halves).
CRect CenterRectIn(const CSize& size, const CRect& outer);
// The rectangle centred in `outer` on one axis, the other axis kept.
CRect CenterRectInX(const CRect& rect, const CRect& outer);
CRect CenterRectInY(const CRect& rect, const CRect& outer);
