#pragma once

// The base types and macros the code is written with. Widths follow the
// 32-bit originals where records or files carry them; WPARAM, LPARAM and
// LRESULT are pointer-sized so a pointer travels in a message.

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Colours are 0x00BBGGRR: red in the lowest byte.
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((static_cast<DWORD>(r) & 0xFF) |
                                 ((static_cast<DWORD>(g) & 0xFF) << 8) |
                                 ((static_cast<DWORD>(b) & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(std::uintptr_t v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(std::uintptr_t v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
    return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WORD MAKEWORD(BYTE lo, BYTE hi) {
    return static_cast<WORD>(lo | (static_cast<WORD>(hi) << 8));
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }

// A 32-bit value as the four little-endian bytes that files and byte blocks
// keep it in (a colour: red, green, blue, then the spare top byte), and back.
constexpr DWORD DWordFromBytes(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}
constexpr void DWordToBytes(DWORD v, BYTE* p) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

// A colour as bitmaps store it: blue, green, red, and a reserved byte that
// some formats use for alpha.
struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};

// The 40-byte header of a device-independent bitmap, in its file layout
// (little-endian, no padding).
struct BITMAPINFOHEADER {
    DWORD biSize = 0;
    LONG biWidth = 0;
    LONG biHeight = 0;  // positive: rows bottom-up
    WORD biPlanes = 0;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

#ifndef MAX_PATH
#define MAX_PATH 260
#endif
