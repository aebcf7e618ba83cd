#pragma once

// Off-screen drawing of the pixel-art deliverables: the memory surface, whose
// picture goes to its target plainly, leaving a colour out, or blended, the
// 3-D frame with either form of light and dark edges, and bitmap helpers.
// They keep the names of the design surface's helpers, in the namespace
// fxpixel.

#include <QImage>

#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

namespace fxpixel {

// A memory surface of a given size, compatible with a target surface (32-bit
// colour), filled white. Everything is drawn on it and the finished picture
// is copied to the target in one step.
class CFxMemDC : public CDC {
public:
    // The transparent colour that stands for the surface's own default.
    static constexpr COLORREF kDefaultTransparent = 0xFFFFFFFE;  // -2
    // Sides larger than this are not made.
    static constexpr LONG kMaxSide = 32767;

    // `target` may be null (the picture is then copied to a surface given
    // at the copy).
    CFxMemDC(CDC* target, const CSize& size);
    CFxMemDC(CDC* target, int width, int height) : CFxMemDC(target, CSize(width, height)) {}
    ~CFxMemDC();

    CDC* GetTarget() const { return m_pTarget; }
    // The colour a copy with kDefaultTransparent leaves out; CLR_NONE (the
    // default) makes that copy a plain one.
    void SetTransparentColor(COLORREF color) { m_crTransparent = color; }
    COLORREF GetTransparentColor() const { return m_crTransparent; }

    // Copies the picture from (0, 0) to `dest` (null: the construction
    // target) into the rectangle `rect` of it (null: the whole size at
    // (0, 0)). `transparent`: kDefaultTransparent takes the surface's own
    // colour, CLR_NONE (-1) copies plainly, any other colour is left out. A
    // blend factor above 0 (at most 255) instead mixes each pixel of the
    // target toward the picture's by factor / 255. Nothing without a surface
    // to copy to.
    void BltToTarget(CDC* dest = nullptr, const CRect* rect = nullptr,
                     COLORREF transparent = kDefaultTransparent, int blend = 0);

private:
    CDC* m_pTarget = nullptr;
    COLORREF m_crTransparent = CLR_NONE;
};

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
