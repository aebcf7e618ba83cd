#include "foundation/pixel/fxpixeldraw.h"

#include <algorithm>

#include "foundation/fxstrings.h"
#include "foundation/pixel/fxpixelutils.h"

namespace fxpixel {

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

CSize GetBitmapSize(const QImage& bitmap) {
    return bitmap.isNull() ? CSize(0, 0) : CSize(bitmap.width(), bitmap.height());
}

void DrawTransparentBitmap(CDC* dc, const QImage& bitmap, int x, int y, COLORREF key) {
    if (dc == nullptr || bitmap.isNull()) return;
    dc->DrawTransparentImage(x, y, bitmap, key & 0xFFFFFF);
}

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
