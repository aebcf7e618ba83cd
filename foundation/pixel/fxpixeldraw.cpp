#include "foundation/pixel/fxpixeldraw.h"

#include <algorithm>

#include "foundation/fxstrings.h"
#include "foundation/pixel/fxpixelutils.h"

namespace fxpixel {

CSize GetBitmapSize(const QImage& bitmap) {
    return bitmap.isNull() ? CSize(0, 0) : CSize(bitmap.width(), bitmap.height());
}

void DrawTransparentBitmap(CDC* dc, const QImage& bitmap, int x, int y, COLORREF key) {
    DrawMaskedBitmap(dc, bitmap, CPoint(x, y), key);
}

// The pixel build's own lightening and darkening, in either form.
void Draw3dFrame(CDC* dc, const CRect& rect, COLORREF base, double percent, BOOL raised, BOOL inner,
                 BOOL additive) {
    if (dc == nullptr) return;
    const auto light = [&](double p) {
        return additive ? LightenColorAdditive(base, p) : LightenColor(base, static_cast<int>(p));
    };
    const auto dark = [&](double p) {
        return additive ? DarkenColorAdditive(base, p) : ::DarkenColor(base, static_cast<int>(p));
    };
    dc->Draw3dRect(rect, raised ? light(percent) : dark(percent),
                   raised ? dark(percent) : light(percent));
    if (!inner) return;
    // The percentage forms halve the whole percentage, as the common frame does.
    const double half = additive ? percent / 2 : static_cast<double>(static_cast<int>(percent) / 2);
    CRect r = rect;
    r.DeflateRect(1, 1);
    dc->Draw3dRect(r, raised ? light(half) : dark(half), raised ? dark(half) : light(half));
}

}  // namespace fxpixel
