#pragma once

// Little-endian fields of the Windows formats, and reads that throw the
// codec's text when the stream ends early.

#include <cstddef>

#include "image/codecs/rastercodecs.h"

inline WORD GetLE16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD GetLE32(const BYTE* p) { return DWordFromBytes(p); }
inline void PutLE16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void PutLE32(BYTE* p, DWORD v) { DWordToBytes(v, p); }

inline void ReadOrThrow(CRasterFile* file, void* dst, std::size_t bytes, const char* text) {
    if (file->Read(dst, 1, bytes) != bytes) throw CRasterCodecError(text);
}

// The 40-byte info header from its file bytes, and back.
inline BITMAPINFOHEADER InfoHeaderOf(const BYTE* p) {
    BITMAPINFOHEADER h;
    h.biSize = GetLE32(p);
    h.biWidth = static_cast<LONG>(GetLE32(p + 4));
    h.biHeight = static_cast<LONG>(GetLE32(p + 8));
    h.biPlanes = GetLE16(p + 12);
    h.biBitCount = GetLE16(p + 14);
    h.biCompression = GetLE32(p + 16);
    h.biSizeImage = GetLE32(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(GetLE32(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(GetLE32(p + 28));
    h.biClrUsed = GetLE32(p + 32);
    h.biClrImportant = GetLE32(p + 36);
    return h;
}

inline void PutInfoHeader(BYTE* p, const BITMAPINFOHEADER& h) {
    PutLE32(p, h.biSize);
    PutLE32(p + 4, static_cast<DWORD>(h.biWidth));
    PutLE32(p + 8, static_cast<DWORD>(h.biHeight));
    PutLE16(p + 12, h.biPlanes);
    PutLE16(p + 14, h.biBitCount);
    PutLE32(p + 16, h.biCompression);
    PutLE32(p + 20, h.biSizeImage);
    PutLE32(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    PutLE32(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    PutLE32(p + 32, h.biClrUsed);
    PutLE32(p + 36, h.biClrImportant);
}
