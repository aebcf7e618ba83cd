#pragma once

// Helpers that only the pixel-art deliverables carry, in the namespace
// fxpixel. One of them has a common-library namesake in another form:
// LightenColor (each channel raised by a share of itself, not blended toward
// white). Where this build differs from the common library only by a choice,
// the common function offers it (IntToPaddedText with PaddedForm::Magnitude,
// SortStrings descending); everything else of the common library
// (DarkenColor, the combo-box and button helpers, ...) is used as it is.

#include <QString>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/wintypes.h"

class QTextEdit;
class QWidget;

namespace fxpixel {

// Each channel plus percent/100 of itself, held at 255; a percentage outside
// 0..100 returns the colour.
COLORREF LightenColor(COLORREF color, int percent);
// The additive forms: each channel plus (lighter) or minus (darker)
// percent/100 of 256, held within 0..255; a percentage not above 0 or above
// 100 returns the colour.
COLORREF LightenColorAdditive(COLORREF color, double percent);
COLORREF DarkenColorAdditive(COLORREF color, double percent);

// a / d rounded towards minus infinity (d > 0): where a point left of or
// above an origin falls on a grid of cells d wide.
constexpr LONG FloorDiv(long long a, long long d) {
    return static_cast<LONG>(a >= 0 ? a / d : -((-a + d - 1) / d));
}

// Whether the column and row lie within inclusive bounds.
BOOL IsPointInBounds(int x, int y, int left, int top, int right, int bottom);
// Moves the point into inclusive bounds.
CPoint ClampPointToBounds(CPoint point, const CRect& bounds);
// With `shift` the rectangle is first moved to lie inside the bounds as far
// as it can; then each edge is held within them.
CRect ClampRectToBounds(CRect rect, const CRect& bounds, BOOL shift);
// The size scaled into the target keeping its aspect ratio, never enlarged
// unless allowed; `centred` (when given) gets the result centred in the
// target rectangle (0, 0, target).
CSize FitSizeKeepingAspect(CSize size, CSize target, BOOL allowEnlarge, CRect* centred = nullptr);

// Sorts in place; with keys of the same length the numbers are put in the
// order of their keys (FALSE, nothing changed, for keys of another length).
BOOL SortNumbers(std::vector<int>& numbers, BOOL descending = FALSE,
                 const std::vector<int>* keys = nullptr);

// The display's font face names of every character set in three sorted
// groups, no name left out but "Terminal", "Fixedsys" and repeats (the
// common library's EnumDisplayFontFaces): all groups, or only the first.
// Returns the count.
int EnumFontFaceNames(std::vector<std::string>& faces, BOOL firstGroupOnly = FALSE);

// TRUE when the path names an existing file or folder; FALSE for "".
BOOL FileExists(const std::string& path);

// Appends text at the end of a rich-text box in a colour, bold when asked,
// and scrolls to the last line. With a limit above 0 the box holds at most
// that many characters: the text is cut to the room left.
void AppendRichText(QTextEdit* edit, const std::string& text, COLORREF color, BOOL bold,
                    int limit = 0);

// The first `limit` characters of the text (all of it for a limit of 0 or
// less), never ending inside a surrogate pair.
QString LimitText(QString text, int limit);

// The union of the screen rectangles of a window's children, or only of
// those whose lower-case class name is in the "|"-separated list; empty when
// none counts.
CRect GetChildWindowsRect(const QWidget* parent, const std::string& classFilter = "");

}  // namespace fxpixel
