#pragma once

// GIF 87a and 89a: single pictures and animations read (the chosen frame
// composed over the ones before it), GIF 89a written with one of three
// code-stream writers: LZW, uncompressed or run-length.

#include <cstdio>

#include "image/codecs/rastercodecs.h"

class CRasterGIF : public CRasterCodec {
public:
    // The graphic-control block as it stands in the file.
    struct GraphicControl {
        BYTE flags = 0;  // bit 0: transparent index present; bits 2-4: disposal
        WORD delay = 0;  // hundredths of a second
        BYTE transindex = 0;
    };

    CRasterGIF() : CRasterCodec(RASTER_FORMAT_GIF) {}

    bool Decode(CRasterFile* hFile);
    bool Decode(std::FILE* hFile);
    // Pictures of 8 bits or fewer as one frame; deeper ones as a mosaic of
    // 17 x 15 tiles, each with a palette of its own.
    bool Encode(CRasterFile* hFile);
    bool Encode(std::FILE* hFile);
    // An animation: the screen and global palette from the first image.
    bool Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount, bool bLocalColorMap = false);
    bool Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount, bool bLocalColorMap = false);

    void SetDisposalMethod(int dm);
    int GetDisposalMethod() const { return (m_gcb.flags >> 2) & 7; }
    // 0 repeats for ever; 1 plays once (no loop block is written).
    void SetLoops(LONG loops) { m_loops = loops; }
    LONG GetLoops() const { return m_loops; }
    // At most 255 bytes are kept; GetComment copies them out with their
    // terminating zero (a buffer of 256 bytes).
    void SetComment(const char* comment);
    void GetComment(char* comment) const;
    const GraphicControl& GetGraphicControl() const { return m_gcb; }

protected:
    void DecodeOrThrow(CRasterFile* hFile);
    void EncodeOrThrow(CRasterFile* hFile);
    void EncodeFramesOrThrow(CRasterFile* hFile, CRaster** pImages, LONG pagecount,
                             bool bLocalColorMap);

    GraphicControl m_gcb;
    LONG m_loops = 0;
    char m_comment[256] = {};
};
