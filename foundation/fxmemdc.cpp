#include "foundation/fxmemdc.h"

#include <QPainter>
#include <algorithm>

#include "foundation/fxstrings.h"

CFxMemDC::CFxMemDC(CDC* target, const CSize& size)
    : CDC(std::clamp<LONG>(size.cx, 0, kMaxSide), std::clamp<LONG>(size.cy, 0, kMaxSide)),
      m_pTarget(target) {}

CFxMemDC::~CFxMemDC() = default;

void CFxMemDC::BltToTarget(CDC* dest, const CRect* rect, COLORREF transparent, int blend) {
    CDC* to = dest ? dest : m_pTarget;
    if (to == nullptr || to == this) return;
    const CRect area = rect ? *rect : CRect(CPoint(0, 0), GetSize());
    if (transparent == kDefaultTransparent) transparent = m_crTransparent;
    if (blend <= 0 && transparent == CLR_NONE) {
        to->BitBlt(area.left, area.top, area.Width(), area.Height(), *this, 0, 0, SRCCOPY);
        return;
    }
    // The part of the picture that goes: the rectangle's size, within the picture.
    const int width = static_cast<int>(std::clamp<LONG>(area.Width(), 0, GetSize().cx));
    const int height = static_cast<int>(std::clamp<LONG>(area.Height(), 0, GetSize().cy));
    if (width == 0 || height == 0) return;
    const QImage picture = Image().copy(0, 0, width, height).convertToFormat(QImage::Format_RGB32);
    if (blend <= 0) {
        to->DrawTransparentImage(area.left, area.top, picture, transparent & 0xFFFFFF);
        return;
    }
    const int f = std::min(blend, 255);
    QImage mixed = to->Image()
                       .copy(QRect(area.left, area.top, width, height))
                       .convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* under = reinterpret_cast<QRgb*>(mixed.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto mix = [f](int d, int s) { return d + (s - d) * f / 255; };
            under[x] =
                qRgb(mix(qRed(under[x]), qRed(source[x])), mix(qGreen(under[x]), qGreen(source[x])),
                     mix(qBlue(under[x]), qBlue(source[x])));
        }
    }
    to->DrawImage(area.left, area.top, mixed);
}

void CFxMemDC::BltToTarget(QPainter& painter, int x, int y) const {
    painter.drawImage(QPoint(x, y), Image());
}

void Draw3dFrame(CDC* dc, const CRect& rect, COLORREF base, int percent, BOOL raised, BOOL inner) {
    if (dc == nullptr) return;
    const COLORREF light = LightenColor(base, percent), dark = DarkenColor(base, percent);
    dc->Draw3dRect(rect, raised ? light : dark, raised ? dark : light);
    if (!inner) return;
    const COLORREF halfLight = LightenColor(base, percent / 2);
    const COLORREF halfDark = DarkenColor(base, percent / 2);
    CRect r = rect;
    r.DeflateRect(1, 1);
    dc->Draw3dRect(r, raised ? halfLight : halfDark, raised ? halfDark : halfLight);
}

void DrawMaskedBitmap(CDC* dc, const QImage& bitmap, const CPoint& at, COLORREF maskColor) {
    if (dc == nullptr || bitmap.isNull()) return;
    if (maskColor == CLR_NONE)
        dc->DrawImage(at.x, at.y, bitmap);
    else
        dc->DrawTransparentImage(at.x, at.y, bitmap, maskColor & 0xFFFFFF);
}
