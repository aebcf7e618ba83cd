#pragma once

// Helpers the pixel-art deliverables carry in a newer form than the common
// library, or carry alone. Those the common library also has keep their
// names here, in the namespace fxpixel; the rest of the common library's
// helpers (DarkenColor, SortStrings, ...) are used as they are.

#include <QString>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/wintypes.h"

class QAbstractButton;
class QTextEdit;
class QWidget;

namespace fxpixel {

// The magnitude of the number in the radix (2..36, else 10), upper-case
// digits. A "-" goes in front only for a negative number in radix 10
// without a width; with a width (1..10) the magnitude is zero-padded to ten
// digits and cut to the width from the right.
std::string IntToPaddedText(int value, int radix = 10, int width = 0);

// Each channel plus percent/100 of itself, held at 255; a percentage outside
// 0..100 returns the colour.
COLORREF LightenColor(COLORREF color, int percent);
// The additive forms: each channel plus (lighter) or minus (darker)
// percent/100 of 256, held within 0..255; a percentage not above 0 or above
// 100 returns the colour.
COLORREF LightenColorAdditive(COLORREF color, double percent);
COLORREF DarkenColorAdditive(COLORREF color, double percent);

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

// Sorts in place, ascending or descending, by exact text or ignoring case
// (texts equal but for case keep their order and their own letters).
void SortStrings(std::vector<std::string>& texts, BOOL descending, BOOL ignoreCase);

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

// Clears the check of every button in the list except `keep`.
void UncheckButtonsExcept(const std::vector<QAbstractButton*>& buttons,
                          const QAbstractButton* keep);

}  // namespace fxpixel
