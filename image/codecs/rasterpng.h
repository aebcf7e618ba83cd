#pragma once

// The PNG codec (format code 4) on libpng: every colour type, bit depth and
// interlace read into the image's depths (16-bit channels stripped to 8,
// alpha into the alpha plane, tRNS into the palette or the transparent
// index); palette images, 24-bit colour and colour with alpha written.

#include "image/codecs/rastercodecs.h"

struct PngCodecState;

class CRasterPNG : public CRasterCodec {
public:
    CRasterPNG() : CRasterCodec(RASTER_FORMAT_PNG) {}
    bool Decode(CRasterFile* hFile);
    bool Encode(CRasterFile* hFile);

private:
    // The parts between the library's set-up and tear-down. libpng reports
    // errors by a long jump back into these, so they hold nothing with a
    // destructor; all they allocate lives in the state.
    bool DecodeDriver(PngCodecState* s);
    bool EncodeDriver(PngCodecState* s);
};
