#pragma once

// The off-screen surface both builds draw through, the 3-D frame of their
// panels and the masked picture copy.

#include <QImage>

#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class QPainter;

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
    // at the copy, or through a painter).
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
    // Copies the whole picture with its top-left corner at (x, y) through a
    // painter, as a window's paint event does.
    void BltToTarget(QPainter& painter, int x = 0, int y = 0) const;

private:
    CDC* m_pTarget = nullptr;
    COLORREF m_crTransparent = CLR_NONE;
};

// A 3-D frame (Draw3dRect) from a base colour: the light edge the colour
// lightened by `percent`, the dark edge darkened by it; raised puts the light
// edge top and left, sunken bottom and right. With `inner` a second frame one
// pixel inside in the half-way shades (half the percentage).
void Draw3dFrame(CDC* dc, const CRect& rect, COLORREF base, int percent, BOOL raised = TRUE,
                 BOOL inner = FALSE);

// Draws a picture with its top-left corner at the point: plainly when the
// mask colour is CLR_NONE (-1), else leaving out the pixels of that colour.
void DrawMaskedBitmap(CDC* dc, const QImage& bitmap, const CPoint& at, COLORREF maskColor);
