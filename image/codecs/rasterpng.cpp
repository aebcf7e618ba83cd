// PNG files through libpng, fed from and to the image streams.
//
// libpng reports an error by calling our error function, which keeps the
// message and jumps back to the driver's setjmp. Nothing between the two
// may own anything with a destructor: the drivers and the callbacks work on
// plain values, everything they allocate is held by PngCodecState and freed
// by the caller on either path, and no exception ever enters a libpng frame.

#include "image/codecs/rasterpng.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

// What a decode or encode shares with libpng's callbacks. Plain data only:
// it must survive a long jump untouched.
struct PngCodecState {
    png_structp png = nullptr;
    png_infop pinfo = nullptr;
    CRasterFile* file = nullptr;
    BYTE* row = nullptr;    // a work row, from malloc
    bool ownError = false;  // the text is our stream's, not the library's
    char error[256] = {};   // the message that stopped the work
    std::jmp_buf jump;
};

namespace {

constexpr char kWriteFailure[] = "Error saving PNG file";
constexpr char kCancelled[] = "Cancelled";

// The most libpng may allocate for one ancillary chunk (text, profiles).
constexpr std::size_t kChunkLimit = std::size_t{8} << 20;

void KeepText(PngCodecState* s, const char* text) {
    std::strncpy(s->error, text != nullptr ? text : "", sizeof(s->error) - 1);
    s->error[sizeof(s->error) - 1] = '\0';
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) noexcept {
    auto* s = static_cast<PngCodecState*>(png_get_error_ptr(png));
    KeepText(s, message);
    std::longjmp(s->jump, 1);
}

// Warnings are the library's business: nothing goes to stderr.
void OnPngWarning(png_structp, png_const_charp) noexcept {}

// Raised from a stream callback: the text is ours and stays as it is.
[[noreturn]] void StreamError(png_structp png, const char* text) noexcept {
    auto* s = static_cast<PngCodecState*>(png_get_error_ptr(png));
    s->ownError = true;
    KeepText(s, text);
    std::longjmp(s->jump, 1);
}

void OnPngRead(png_structp png, png_bytep data, std::size_t length) noexcept {
    auto* s = static_cast<PngCodecState*>(png_get_io_ptr(png));
    std::size_t got = 0;
    try {
        got = s->file->Read(data, 1, length);
    } catch (...) {
        got = 0;
    }
    if (got != length) StreamError(png, "Read Error");
}

void OnPngWrite(png_structp png, png_bytep data, std::size_t length) noexcept {
    auto* s = static_cast<PngCodecState*>(png_get_io_ptr(png));
    std::size_t put = 0;
    try {
        put = s->file->Write(data, 1, length);
    } catch (...) {
        put = 0;
    }
    if (put != length) StreamError(png, "Write Error");
}

void OnPngFlush(png_structp png) noexcept {
    auto* s = static_cast<PngCodecState*>(png_get_io_ptr(png));
    bool ok = false;
    try {
        ok = s->file->Flush();
    } catch (...) {
        ok = false;
    }
    if (!ok) StreamError(png, "Flush Error");
}

// Two bits a pixel widened to four, as the 4-bit image stores it.
void ExpandTwoBits(const BYTE* src, BYTE* dst, png_uint_32 width) {
    for (png_uint_32 x = 0; x < width; x += 2) {
        const BYTE hi = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        const BYTE lo = x + 1 < width ? (src[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
        dst[x >> 1] = static_cast<BYTE>((hi << 4) | lo);
    }
}

// And back, so that an interlace pass finds the pixels of the passes before.
void PackTwoBits(const BYTE* src, BYTE* dst, png_uint_32 width) {
    std::memset(dst, 0, (width + 3) / 4);
    for (png_uint_32 x = 0; x < width; ++x) {
        const BYTE v = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 3;
        dst[x >> 2] = static_cast<BYTE>(dst[x >> 2] | (v << (6 - 2 * (x & 3))));
    }
}

// The index of pixel x in a packed row of 1, 4 or 8 bits.
BYTE IndexAt(const BYTE* row, png_uint_32 x, WORD bpp) {
    switch (bpp) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        default:
            return row[x];
    }
}

}  // namespace

// ---- Decoding -------------------------------------------------------------------------------

bool CRasterPNG::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    PngCodecState s;
    s.file = hFile;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnPngError, OnPngWarning);
    if (s.png == nullptr) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    s.pinfo = png_create_info_struct(s.png);
    bool ok = false;
    if (s.pinfo == nullptr)
        KeepText(&s, "Failed to initialize PNG info structure");
    else
        ok = DecodeDriver(&s);
    png_destroy_read_struct(&s.png, s.pinfo != nullptr ? &s.pinfo : nullptr, nullptr);
    std::free(s.row);
    if (!ok) {
        // Whatever was made before the failure goes; the dispatcher keeps
        // the caller's image.
        Destroy();
        SetLastError(s.error[0] != '\0' ? s.error : "Error reading PNG file");
    }
    return ok;
}

bool CRasterPNG::DecodeDriver(PngCodecState* s) {
    if (setjmp(s->jump) != 0) return false;
    png_structp png = s->png;
    png_infop pinfo = s->pinfo;
    png_set_read_fn(png, s, OnPngRead);
    // The library refuses sides the memory cap could never hold before it
    // allocates anything for them: its rows of the widest kind (16-bit
    // colour with alpha) stay within an eighth of the cap, and the image is
    // checked against the cap before it is made.
    const std::size_t cap = GetRasterMaxMemory();
    const auto limit = [](std::size_t n) {
        return static_cast<png_uint_32>(
            std::min<std::size_t>(std::max<std::size_t>(n, 1), PNG_UINT_31_MAX));
    };
    png_set_user_limits(png, limit(cap / 64), limit(cap));
    png_set_chunk_malloc_max(png, std::min(cap, kChunkLimit));
    png_read_info(png, pinfo);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, pinfo, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (info.nEscape == -1) {
        head.biWidth = static_cast<LONG>(width);
        head.biHeight = static_cast<LONG>(height);
        KeepText(s, kRasterSizeOnlyText);
        return false;
    }

    png_bytep transAlpha = nullptr;
    int numTrans = 0;
    png_color_16p transColor = nullptr;
    const bool hasTrans =
        png_get_tRNS(png, pinfo, &transAlpha, &numTrans, &transColor) != 0 && numTrans > 0;

    // The transforms: 8-bit channels, colour in blue-green-red order; grey
    // with alpha becomes colour with alpha. A colour key on colour or on
    // 16-bit grey becomes an alpha channel, since no 8-bit palette or
    // colour can hold it exactly.
    bool keyToAlpha = false;
    if (depth == 16) png_set_strip_16(png);
    if (hasTrans &&
        (colorType == PNG_COLOR_TYPE_RGB || (colorType == PNG_COLOR_TYPE_GRAY && depth == 16))) {
        png_set_tRNS_to_alpha(png);
        keyToAlpha = true;
    }
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA || (keyToAlpha && colorType == PNG_COLOR_TYPE_GRAY))
        png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) != 0 || colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
        keyToAlpha)
        png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, pinfo);

    // The image's depth follows what the transforms give.
    const int channels = png_get_channels(png, pinfo);
    const int outDepth = png_get_bit_depth(png, pinfo);
    const std::size_t rowBytes = png_get_rowbytes(png, pinfo);
    DWORD bpp = 0;
    if (channels == 4 && outDepth == 8)
        bpp = 24;
    else if (channels == 3 && outDepth == 8)
        bpp = 24;
    else if (channels == 1 && (outDepth == 1 || outDepth == 2 || outDepth == 4 || outDepth == 8))
        bpp = outDepth == 2 ? 4 : static_cast<DWORD>(outDepth);
    if (bpp == 0) {
        KeepText(s, "unknown PNG color type");
        return false;
    }
    const bool alpha = channels == 4;
    const bool twoBits = channels == 1 && outDepth == 2;

    if (Create(static_cast<LONG>(width), static_cast<LONG>(height), bpp, RASTER_FORMAT_PNG) ==
        nullptr) {
        KeepText(s, GetLastError());
        return false;
    }
    if (alpha && !AlphaCreate()) {
        KeepText(s, RASTER_MAX_MEMORY_TEXT);
        return false;
    }
    SetCodecOption(passes > 1 ? 1 : 0, RASTER_FORMAT_PNG);

    png_uint_32 xRes = 0, yRes = 0;
    int unit = 0;
    if (png_get_pHYs(png, pinfo, &xRes, &yRes, &unit) != 0) {
        // Per metre, or of no unit (a ratio, taken as it is).
        const double unitsPerInch = unit == PNG_RESOLUTION_METER ? 0.0254 : 1;
        SetXDPI(DpiOf(xRes, unitsPerInch));
        SetYDPI(DpiOf(yRes, unitsPerInch));
    }

    // The palette, and transparency into it.
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int entries = 0;
        if (png_get_PLTE(png, pinfo, &palette, &entries) != 0) {
            RGBQUAD* pal = GetPalette();
            const int n = std::min<int>(entries, static_cast<int>(head.biClrUsed));
            for (int i = 0; i < n; ++i)
                pal[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
        }
        if (hasTrans && transAlpha != nullptr) {
            if (numTrans == 1 && transAlpha[0] == 0) {
                info.nBkgndIndex = 0;
            } else {
                RGBQUAD* pal = GetPalette();
                for (DWORD i = 0; i < head.biClrUsed; ++i)
                    pal[i].rgbReserved =
                        i < static_cast<DWORD>(numTrans) ? transAlpha[i] : BYTE{255};
                info.bAlphaPaletteEnabled = true;
            }
        }
    } else if (channels == 1) {
        SetGrayPalette();
        if (outDepth == 2) {
            static constexpr BYTE levels[4] = {0, 85, 170, 255};
            for (BYTE i = 0; i < 4; ++i) SetPaletteColor(i, levels[i], levels[i], levels[i]);
        }
        if (hasTrans && transColor != nullptr && transColor->gray < (1u << outDepth))
            info.nBkgndIndex = transColor->gray;
    }

    // Colour with alpha keeps the file's background colour.
    png_color_16p background = nullptr;
    if (alpha && png_get_bKGD(png, pinfo, &background) != 0 && background != nullptr) {
        const int shift = depth == 16 ? 8 : 0;
        if ((colorType & PNG_COLOR_MASK_COLOR) != 0)
            info.nBkgndColor = RGBQUAD{static_cast<BYTE>(background->blue >> shift),
                                       static_cast<BYTE>(background->green >> shift),
                                       static_cast<BYTE>(background->red >> shift), 0};
        else {
            // Grey: scaled from its depth to 8 bits.
            const unsigned g =
                depth == 16 ? background->gray >> 8
                            : (background->gray & ((1u << depth) - 1)) * 255u / ((1u << depth) - 1);
            info.nBkgndColor =
                RGBQUAD{static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g), 0};
        }
    }
    if (info.nEscape != 0) {
        KeepText(s, kCancelled);
        return false;
    }

    if (alpha || twoBits) {
        s->row = static_cast<BYTE*>(std::malloc(rowBytes));
        if (s->row == nullptr) {
            KeepText(s, "CRaster::Create can't allocate memory");
            return false;
        }
    }

    // Every pass reads every row, from the top: the image stores its rows
    // bottom-up. An interlace pass adds its pixels to what the passes before
    // left in the row, so a work row is filled again from the image first.
    const std::size_t stride = info.dwEffWidth;
    for (int pass = 0; pass < passes; ++pass) {
        if (info.nEscape != 0) {
            KeepText(s, kCancelled);
            return false;
        }
        for (png_uint_32 y = 0; y < height; ++y) {
            const std::size_t at = height - 1 - y;
            BYTE* dst = pImage + at * stride;
            if (!alpha && !twoBits) {
                png_read_row(png, dst, nullptr);
                continue;
            }
            const bool touched = passes == 1 || PNG_ROW_IN_INTERLACE_PASS(y, pass);
            BYTE* const row = s->row;
            BYTE* const plane = alpha ? pAlpha + at * width : nullptr;
            if (touched && passes > 1) {
                if (alpha) {
                    for (png_uint_32 x = 0; x < width; ++x) {
                        std::memcpy(row + 4 * x, dst + 3 * x, 3);
                        row[4 * x + 3] = plane[x];
                    }
                } else {
                    PackTwoBits(dst, row, width);
                }
            }
            png_read_row(png, row, nullptr);
            if (!touched) continue;
            if (alpha) {
                for (png_uint_32 x = 0; x < width; ++x) {
                    std::memcpy(dst + 3 * x, row + 4 * x, 3);
                    plane[x] = row[4 * x + 3];
                }
            } else {
                ExpandTwoBits(row, dst, width);
            }
        }
    }
    return true;
}

// ---- Encoding -------------------------------------------------------------------------------

bool CRasterPNG::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    PngCodecState s;
    s.file = hFile;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, OnPngError, OnPngWarning);
    if (s.png == nullptr) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    s.pinfo = png_create_info_struct(s.png);
    bool ok = false;
    if (s.pinfo == nullptr) {
        s.ownError = true;
        KeepText(&s, "Failed to initialize PNG info structure");
    } else {
        ok = EncodeDriver(&s);
    }
    png_destroy_write_struct(&s.png, s.pinfo != nullptr ? &s.pinfo : nullptr);
    std::free(s.row);
    if (!ok) SetLastError(s.ownError ? s.error : kWriteFailure);
    return ok;
}

bool CRasterPNG::EncodeDriver(PngCodecState* s) {
    if (setjmp(s->jump) != 0) return false;
    png_structp png = s->png;
    png_infop pinfo = s->pinfo;
    png_set_write_fn(png, s, OnPngWrite, OnPngFlush);

    const png_uint_32 width = static_cast<png_uint_32>(head.biWidth);
    const png_uint_32 height = static_cast<png_uint_32>(head.biHeight);
    const WORD bpp = head.biBitCount;
    const DWORD colors = head.biClrUsed;
    const RGBQUAD* pal = GetPalette();
    // A palette image with an alpha plane is written as colour with alpha:
    // a palette PNG has no room for a plane.
    const bool alpha = pAlpha != nullptr;
    const bool indexed = colors != 0 && pal != nullptr;
    const bool palette = indexed && !alpha;
    const int colorType = palette ? PNG_COLOR_TYPE_PALETTE
                          : alpha ? PNG_COLOR_TYPE_RGB_ALPHA
                                  : PNG_COLOR_TYPE_RGB;
    const int depth = palette ? bpp : 8;
    const bool interlaced = GetCodecOption(RASTER_FORMAT_PNG) == 1;
    png_set_IHDR(png, pinfo, width, height, depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

    // The background: white, or the transparent colour when there is one;
    // a palette image names it by its index.
    const RGBQUAD back = info.nBkgndIndex >= 0 ? GetTransColor() : RGBQUAD{255, 255, 255, 0};
    png_color_16 background{};
    if (palette) {
        png_color entries[256];
        for (DWORD i = 0; i < colors; ++i)
            entries[i] = png_color{pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue};
        png_set_PLTE(png, pinfo, entries, static_cast<int>(colors));

        png_byte trans[256];
        int numTrans = 0;
        if (info.bAlphaPaletteEnabled) {
            for (DWORD i = 0; i < colors; ++i) {
                trans[i] = pal[i].rgbReserved;
                if (trans[i] != 255) numTrans = static_cast<int>(i) + 1;
            }
        } else if (info.nBkgndIndex >= 0 && static_cast<DWORD>(info.nBkgndIndex) < colors) {
            numTrans = info.nBkgndIndex + 1;
            std::fill(trans, trans + numTrans, png_byte{255});
            trans[info.nBkgndIndex] = 0;
        }
        if (numTrans > 0) png_set_tRNS(png, pinfo, trans, numTrans, nullptr);

        BYTE index = 0;
        if (info.nBkgndIndex >= 0 && static_cast<DWORD>(info.nBkgndIndex) < colors) {
            index = static_cast<BYTE>(info.nBkgndIndex);
        } else {
            long best = -1;
            for (DWORD i = 0; i < colors; ++i) {
                const long dr = 255 - pal[i].rgbRed, dg = 255 - pal[i].rgbGreen,
                           db = 255 - pal[i].rgbBlue;
                const long d = dr * dr + dg * dg + db * db;
                if (best < 0 || d < best) {
                    best = d;
                    index = static_cast<BYTE>(i);
                }
            }
        }
        background.index = index;
        background.red = pal[index].rgbRed;
        background.green = pal[index].rgbGreen;
        background.blue = pal[index].rgbBlue;
    } else {
        background.red = back.rgbRed;
        background.green = back.rgbGreen;
        background.blue = back.rgbBlue;
    }
    png_set_bKGD(png, pinfo, &background);
    if (head.biXPelsPerMeter > 0 && head.biYPelsPerMeter > 0)
        png_set_pHYs(png, pinfo, static_cast<png_uint_32>(head.biXPelsPerMeter),
                     static_cast<png_uint_32>(head.biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(png, pinfo);
    if (!palette) png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);

    if (alpha) {
        s->row = static_cast<BYTE*>(std::malloc(std::size_t{width} * 4));
        if (s->row == nullptr) {
            s->ownError = true;
            KeepText(s, "CRaster::Create can't allocate memory");
            return false;
        }
    }
    const std::size_t stride = info.dwEffWidth;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            const std::size_t at = height - 1 - y;
            const BYTE* src = pImage + at * stride;
            if (!alpha) {
                png_write_row(png, src);
                continue;
            }
            BYTE* const row = s->row;
            const BYTE* plane = pAlpha + at * width;
            for (png_uint_32 x = 0; x < width; ++x) {
                BYTE* p = row + 4 * x;
                if (indexed) {
                    const RGBQUAD c = pal[IndexAt(src, x, bpp)];
                    p[0] = c.rgbBlue;
                    p[1] = c.rgbGreen;
                    p[2] = c.rgbRed;
                } else {
                    std::memcpy(p, src + 3 * x, 3);
                }
                p[3] = plane[x];
            }
            png_write_row(png, row);
        }
    png_write_end(png, pinfo);
    // libpng flushes only between rows; the end of the file is flushed
    // here, so that a stream that cannot take it is reported.
    OnPngFlush(png);
    return true;
}
