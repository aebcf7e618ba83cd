// The metafile player: the records of a Windows or enhanced metafile in
// turn, each handed to the part that plays its family (the state, the
// objects, the drawing, the bitmaps, the text).

#include "image/codecs/rasterwmfplayer.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "image/codecs/rasterwmfrecord.h"

using namespace metafile;

CMetafilePlayer::CMetafilePlayer(CDC& dc, const LONG* escape) : dc_(dc), escape_(escape) {
    state_.clip = dc_.SaveClip();
}

void CMetafilePlayer::Poll() {
    if (escape_ != nullptr && *escape_ != 0) throw CRasterCodecError("Cancelled");
}

void CMetafilePlayer::NotDrawn(unsigned type) {
    if (std::find(undrawn_.begin(), undrawn_.end(), type) == undrawn_.end())
        undrawn_.push_back(type);
}

// ---- Windows metafiles ----------------------------------------------------------------------

void CMetafilePlayer::PlayWinMetafile(const BYTE* records, std::size_t size, int objects,
                                      const CRect& frame) {
    wmf_ = true;
    wmfObjects_.assign(static_cast<std::size_t>(std::max(0, objects)), Object{});
    // The bounding box is the window and the surface the viewport; the
    // records move and size the window, the viewport stays the picture.
    const CSize surface = dc_.GetSize();
    state_.mapMode = MM_ANISOTROPIC;
    state_.wox = frame.left;
    state_.woy = frame.top;
    state_.wex = frame.Width() != 0 ? frame.Width() : 1;
    state_.wey = frame.Height() != 0 ? frame.Height() : 1;
    state_.vex = surface.cx;
    state_.vey = surface.cy;
    std::size_t off = 0;
    while (size - off >= 6) {
        const std::uint64_t words = GetLE32(records + off);
        const unsigned function = GetLE16(records + off + 4);
        if (words < 3 || words > (size - off) / 2) throw CRasterCodecError(kCorrupted);
        Poll();
        if (function == 0) break;  // the end record
        WmfRecord(function, records + off + 6, static_cast<std::size_t>(words * 2 - 6));
        off += static_cast<std::size_t>(words * 2);
    }
    // A few bytes after the last record are a record cut short.
    if (off < size && size - off < 6) throw CRasterCodecError(kCorrupted);
}

// The records by family; coordinates come last-first: y before x,
// bottom-right before top-left.
void CMetafilePlayer::WmfRecord(unsigned function, const BYTE* data, std::size_t n) {
    if (WmfState(function, data, n) || WmfObjects(function, data, n) ||
        WmfDrawing(function, data, n) || WmfBitmaps(function, data, n) ||
        WmfText(function, data, n))
        return;
    switch (function) {
        case 0x0626:  // Escape: comments and printer data
        case 0x0035:  // RealizePalette
        case 0x0139:  // ResizePalette
        case 0x0436:  // AnimatePalette
        case 0x0105:  // SetRelAbs
        case 0x0107:  // SetStretchBltMode
        case 0x0108:  // SetTextCharExtra
        case 0x020A:  // SetTextJustification
        case 0x0231:  // SetMapperFlags
            break;
        default:
            // Flood fills, old device bitmaps and unknown records.
            NotDrawn(function);
            break;
    }
}

// ---- Enhanced metafiles -------------------------------------------------------------------

void CMetafilePlayer::PlayEnhMetafile(const BYTE* data, std::size_t size) {
    const Params header{data, size};
    const CRect bounds(header.S32(8), header.S32(12), header.S32(16), header.S32(20));
    emfHandles_ = header.U16(56);
    if (header.Has(80, 8)) {
        const LONG devX = header.S32(72), mmX = header.S32(80);
        if (devX > 0 && mmX > 0) devicePerMm_ = static_cast<double>(devX) / mmX;
    }
    // The inclusive bounds fill the surface.
    const CSize surface = dc_.GetSize();
    frameX_ = bounds.left;
    frameY_ = bounds.top;
    frameSx_ = surface.cx / (static_cast<double>(bounds.right) - bounds.left + 1);
    frameSy_ = surface.cy / (static_cast<double>(bounds.bottom) - bounds.top + 1);
    std::size_t off = 0;
    while (size - off >= 8) {
        const unsigned type = GetLE32(data + off);
        const std::uint64_t length = GetLE32(data + off + 4);
        if (length < 8 || length % 4 != 0 || length > size - off)
            throw CRasterCodecError(kCorrupted);
        Poll();
        if (type == 14) break;  // the end record
        if (off != 0) EmfRecord(type, data + off, static_cast<std::size_t>(length));
        off += static_cast<std::size_t>(length);
    }
    if (off < size && size - off < 8) throw CRasterCodecError(kCorrupted);
}

void CMetafilePlayer::EmfRecord(unsigned type, const BYTE* data, std::size_t n) {
    if (EmfState(type, data, n) || EmfObjects(type, data, n) || EmfDrawing(type, data, n) ||
        EmfBitmaps(type, data, n) || EmfText(type, data, n))
        return;
    switch (type) {
        case 1:    // a second header
        case 13:   // SetBrushOrgEx
        case 16:   // SetMapperFlags
        case 21:   // SetStretchBltMode
        case 23:   // SetColorAdjustment
        case 28:   // SetMetaRgn
        case 51:   // ResizePalette
        case 52:   // RealizePalette
        case 58:   // SetMiterLimit
        case 70:   // GdiComment: comments and EMF+ records
        case 98:   // SetICMMode
        case 99:   // CreateColorSpace
        case 100:  // SetColorSpace
        case 101:  // DeleteColorSpace
        case 104:  // PixelFormat
        case 109:  // ForceUFIMapping
        case 110:  // NamedEscape
        case 111:  // ColorCorrectPalette
        case 112:  // SetICMProfileA
        case 113:  // SetICMProfileW
        case 115:  // SetLayout
        case 119:  // SetLinkedUFIs
        case 120:  // SetTextJustification
        case 121:  // ColorMatchToTargetW
        case 122:  // CreateColorSpaceW
            break;
        default:
            // Flood fills, masked and parallelogram blits, blends, gradients,
            // several texts at once, OpenGL records and unknown ones.
            NotDrawn(type);
            break;
    }
}
