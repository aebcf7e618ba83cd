#pragma once

// ZSoft PCX: run-length coded rows of 1 to 4 planes, with the 16-colour
// palette of the header or the 256-colour palette at the end of the file.

#include <cstdio>

#include "image/codecs/rastercodecs.h"

class CRasterPCX : public CRasterCodec {
public:
    CRasterPCX() : CRasterCodec(RASTER_FORMAT_PCX) {}
    bool Decode(CRasterFile* hFile);
    bool Decode(std::FILE* hFile);
    bool Encode(CRasterFile* hFile);
    bool Encode(std::FILE* hFile);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void EncodeOrThrow(CRasterFile* hFile);
};
