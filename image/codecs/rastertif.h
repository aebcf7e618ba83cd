#pragma once

// TIFF files through libtiff: a client handle over the image library's
// streams, decoding of one page and encoding of one or several pages.

#include <cstdio>

#include "image/codecs/rastercodecs.h"

typedef struct tiff TIFF;

// A libtiff handle named "TIFF IMAGE" over a stream (which stays the
// caller's), the file starting at the stream's position: reads, writes, seeks and sizes go to the
// stream, there is no file mapping, each allocation is held to the image library's memory cap and
// the library's messages stay with the handle (nothing reaches stderr). Null when the library
// refuses the stream.
TIFF* TIFFOpenEx(CRasterFile* stream, const char* mode);
// Closes a handle of TIFFOpenEx (null is ignored); the stream stays open.
void TIFFCloseEx(TIFF* tif);
// The last error message libtiff gave on the handle ("" when none).
const char* TIFFLastMessageEx(TIFF* tif);

class CRasterTIF : public CRasterCodec {
public:
    CRasterTIF() : CRasterCodec(RASTER_FORMAT_TIF) {}

    // The page chosen by the frame number; the page count is kept as the
    // frame count, also when decoding fails.
    bool Decode(CRasterFile* hFile);
    bool Decode(std::FILE* hFile);
    // This image as a one-page file, compressed by its TIFF codec option (a
    // libtiff compression code; 0 = none).
    bool Encode(CRasterFile* hFile);
    bool Encode(std::FILE* hFile);
    // Each image as a page of its own, with its own codec option.
    bool Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount);
    bool Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount);

    // Whether a compression code can write an image of this depth (1, 4, 8
    // or 24 bits); the others are refused before anything is written.
    static bool CanWrite(DWORD compression, WORD bpp);

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void EncodeOrThrow(CRasterFile* hFile, CRaster** pImages, LONG pagecount);
};
