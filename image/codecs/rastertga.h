#pragma once

// Truevision TGA: colour-mapped, true-colour and grey pictures, plain or
// run-length coded.

#include <cstdio>

#include "image/codecs/rastercodecs.h"

class CRasterTGA : public CRasterCodec {
public:
    CRasterTGA() : CRasterCodec(RASTER_FORMAT_TGA) {}
    bool Decode(CRasterFile* hFile);
    bool Decode(std::FILE* hFile);
    bool Encode(CRasterFile* hFile);
    bool Encode(std::FILE* hFile);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void EncodeOrThrow(CRasterFile* hFile);
};
