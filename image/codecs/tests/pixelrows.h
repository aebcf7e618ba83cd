#pragma once

// An image's pixels as text, for tests that compare with rows written out
// by hand: top row first, each row ended by '|'; palette indexes as hex
// digits, colours (or indexed images asked for as colours) as "rrggbb"
// with "/aa" when there is an alpha plane, each followed by a space.

#include <cstdio>
#include <string>

#include "image/raster.h"

namespace codectesting {

inline std::string Rows(const CRaster& image, bool asColours = false) {
    std::string out;
    for (LONG y = static_cast<LONG>(image.GetHeight()) - 1; y >= 0; --y) {
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x) {
            char text[16];
            if (image.IsIndexed() && !asColours) {
                std::snprintf(text, sizeof(text), "%x", image.GetPixelIndex(x, y));
                out += text;
                continue;
            }
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            std::snprintf(text, sizeof(text), "%02x%02x%02x", c.rgbRed, c.rgbGreen, c.rgbBlue);
            out += text;
            if (image.AlphaIsValid()) {
                std::snprintf(text, sizeof(text), "/%02x", image.AlphaGet(x, y));
                out += text;
            }
            out += ' ';
        }
        out += '|';
    }
    return out;
}

}  // namespace codectesting
