#pragma once

// Windows metafiles, read only: placeable metafiles (the 22-byte header
// before the 16-bit records) and enhanced metafiles, played by our own
// player onto a white surface that then becomes a 24-bit image. The picture
// is at most 4000 pixels a side.

#include <cstdint>

#include "image/codecs/rastercodecs.h"

class CRasterWMF : public CRasterCodec {
public:
    CRasterWMF() : CRasterCodec(RASTER_FORMAT_WMF) {}
    bool Decode(CRasterFile* hFile);
    bool Encode(CRasterFile* hFile);

    // The largest side of a decoded picture.
    static constexpr LONG kMaxSide = 4000;
    // The picture's size in pixels for a logical box of `width` x `height`
    // units at `unitsPerInch` (placeable metafiles; 96 pixels an inch), or
    // for a box already in pixels (unitsPerInch 0), the larger side limited
    // to kMaxSide with the aspect kept. A zero side gives 0 x 0.
    static CSize PictureSize(std::int64_t width, std::int64_t height, int unitsPerInch);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
};
