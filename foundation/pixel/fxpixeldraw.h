#pragma once

// Off-screen drawing of the pixel-art deliverables: the common memory
// surface, the 3-D frame with either form of light and dark edges, and
// bitmap helpers, in the namespace fxpixel.

#include <QImage>

#include "foundation/fxmemdc.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

namespace fxpixel {

// The memory surface is the common one.
using ::CFxMemDC;

// The width and height of a bitmap ((0, 0) for none).
CSize GetBitmapSize(const QImage& bitmap);

// Copies a bitmap with its top-left corner at (x, y), leaving out the pixels
// of the key colour.
void DrawTransparentBitmap(CDC* dc, const QImage& bitmap, int x, int y, COLORREF key);

// A 3-D frame (Draw3dRect) from a base colour: the light edge the colour
// lightened by `percent`, the dark edge darkened by it, through LightenColor
// and DarkenColor, or with `additive` through the additive forms (where the
// percentage may have a fraction). Raised puts the light edge top and left,
// sunken bottom and right. With `inner` a second frame one pixel inside in
// the half-way shades (half the percentage).
void Draw3dFrame(CDC* dc, const CRect& rect, COLORREF base, double percent, BOOL raised = TRUE,
                 BOOL inner = FALSE, BOOL additive = FALSE);

}  // namespace fxpixel
