#include "foundation/fxshadebutton.h"

#include <algorithm>
#include <vector>

#include "platform/uiservices.h"

CFxShadeButton::CFxShadeButton(QWidget* parent, int type) : CFxButton(parent, type) {}

void CFxShadeButton::MakePalette(CFxDib& dib) const {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    auto mix = [](COLORREF a, COLORREF b, int i) {
        auto channel = [i](int x, int y) {
            return static_cast<BYTE>((x * (128 - i) + y * i) / 128);
        };
        return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
                   channel(GetBValue(a), GetBValue(b)));
    };
    auto set = [&dib](int index, COLORREF c) {
        dib.SetPaletteEntry(index, GetRValue(c), GetGValue(c), GetBValue(c));
    };
    // Shadow up to the face colour in the lower half, on to the highlight in
    // the upper half.
    for (int i = 0; i <= 128; ++i) set(i, mix(shadow, face, i));
    for (int i = 1; i <= 128; ++i) set(127 + i, mix(face, light, i));
}

bool CFxShadeButton::ApplyShade(int style, int granularity, int highlight, int colouring,
                                COLORREF colour) {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return false;
    if (!face_.Create(w, h, 8)) return false;
    const int g = std::clamp(granularity, 0, 127);
    const int divisor = 32767 / (g > 0 ? 2 * g : 1);
    auto noise = [&] { return Rand15() / divisor - g; };

    BYTE* bits = face_.GetBits();
    const int stride = face_.GetStride();
    // Rows are counted as stored: row 0 is the bottom one.
    auto put = [&](int row, int x, int value) {
        bits[static_cast<std::size_t>(row) * stride + x] =
            static_cast<BYTE>(std::clamp(value, 0, 255));
    };
    auto bump = [](int d, int amplitude) { return d * d * d / 16384 * amplitude / 128; };

    switch (style) {
        case SHS_DIAGSHADE: {
            const int a = (255 - 2 * g) / 2;
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    put(row, x, g + row * a / h + (w - x) * a / w + noise());
            break;
        }
        case SHS_VSHADE:
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x) put(row, x, g + row * (255 - 2 * g) / h + noise());
            break;
        case SHS_HSHADE:
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x) put(row, x, g + (w - x) * (255 - 2 * g) / w + noise());
            break;
        case SHS_VBUMP:
            for (int row = 0; row < h; ++row) {
                const int b = bump(row * 255 / h - 127, 128 - g);
                for (int x = 0; x < w; ++x) put(row, x, 128 + b + noise());
            }
            break;
        case SHS_HBUMP:
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    put(row, x, 128 + bump(x * 255 / w - 127, 128 - g) + noise());
            break;
        case SHS_SOFTBUMP:
            for (int row = 0; row < h; ++row) {
                const int bv = bump(row * 255 / h - 127, 128 - g);
                for (int x = 0; x < w; ++x) {
                    const int v =
                        std::clamp(128 + bv + bump(x * 255 / w - 127, 128 - g), g, 255 - g);
                    put(row, x, v + noise());
                }
            }
            break;
        case SHS_HARDBUMP: {
            // A gentle vertical bump, framed by a bevel band: lighter on the
            // top-left side of the diagonal, darker on the bottom-right side,
            // its inner edge rounded at the corners like an ellipse.
            const int band = std::max(1, std::min(w / 6, 16));
            for (int row = 0; row < h; ++row) {
                const int top = h - 1 - row;
                const int bv = 128 + bump(row * 255 / h - 127, 2 * (64 - g));
                for (int x = 0; x < w; ++x) {
                    int v = bv;
                    const int ex = std::min(x, w - 1 - x), ey = std::min(top, h - 1 - row);
                    int dist = std::min(ex, ey);
                    if (ex < band && ey < band) {
                        // Corner: distance to the quarter ellipse of the band.
                        const int dx = band - ex, dy = band - ey;
                        int r = 0;
                        while (r < band && (r + 1) * (r + 1) <= dx * dx + dy * dy) ++r;
                        dist = std::max(0, band - r);
                    }
                    if (dist < band) {
                        const bool lightSide =
                            static_cast<long long>(x) * h + static_cast<long long>(top) * w <
                            static_cast<long long>(w) * h;
                        const int step = dist * (127 - g) / band;
                        v = lightSide ? 255 - g - step : g + step;
                    }
                    put(row, x, v + noise());
                }
            }
            break;
        }
        case SHS_METAL: {
            // Brushed metal: random diagonal strokes over a diagonal ramp.
            std::vector<int> strokes(static_cast<std::size_t>(w) * h, 0);
            const int longest = std::max(w, h) / 2 + 1;
            for (int k = 0; k < 200; ++k) {
                const int x0 = Rand15() % w, row0 = Rand15() % h;
                const int length = 1 + Rand15() % longest;
                const int shade = Rand15() % 41;
                for (int i = 0; i < length && x0 + i < w && row0 + i < h; ++i)
                    strokes[static_cast<std::size_t>(row0 + i) * w + x0 + i] = shade;
            }
            const int a = std::max(0, (255 - 2 * g - 40) / 2);
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    put(row, x,
                        g + row * a / h + (w - x) * a / w +
                            strokes[static_cast<std::size_t>(row) * w + x] + noise());
            break;
        }
        default:
            // Noise around the middle shade.
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    bits[static_cast<std::size_t>(row) * stride + x] =
                        static_cast<BYTE>(noise() - 128);
            break;
    }

    MakePalette(face_);
    if (colouring != 0) face_.BlendPalette(colour, colouring);

    highlighted_.Copy(face_);
    highlighted_.BlendPalette(GetSysColor(COLOR_BTNHIGHLIGHT), highlight);

    hBorder_.Create(w, 1, 8);
    vBorder_.Create(1, h, 8);
    for (int x = 0; x < w; ++x) hBorder_.SetPixel(x, 0, x % 2 == 0 ? 0 : 255);
    for (int y = 0; y < h; ++y) vBorder_.SetPixel(0, y, y % 2 == 0 ? 0 : 255);
    for (CFxDib* strip : {&hBorder_, &vBorder_}) {
        for (int i = 0; i < 256; ++i) {
            const COLORREF c = face_.GetPaletteEntry(i);
            strip->SetPaletteEntry(i, GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    update();
    return true;
}

void CFxShadeButton::OnDrawBackground(CDC& dc, CRect& rect) {
    if (!face_.IsValid()) {
        CFxButton::OnDrawBackground(dc, rect);
        return;
    }
    if (!IsHover()) {
        face_.Draw(dc, 0, 0);
    } else {
        const int at = DrawPressed() ? 1 : 0;
        highlighted_.Draw(dc, at, at);
    }
}
