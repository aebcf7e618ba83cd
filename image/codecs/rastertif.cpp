// TIFF through libtiff. Contiguous 1-, 4- and 8-bit grey or palette pages
// and 8-bit RGB(A) are read row by row (or tile by tile) straight into the
// image; every other layout goes through libtiff's RGBA interface one band
// of strips or tiles at a time, never the whole picture at once. Pages are
// written as palette or RGB, with any compression that can hold the data.

#include "image/codecs/rastertif.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr char kOpenError[] = "Error encountered while opening TIFF file";
constexpr char kCorrupted[] = "Corrupted TIFF file!";
constexpr char kCorruptedTiled[] = "Corrupted tiled TIFF file!";
constexpr char kNoMemory[] = "CRasterTIF can't allocate memory";
constexpr char kSaveError[] = "Error saving TIFF file";

// The largest band of RGBA pixels converted at once.
constexpr std::uint64_t kBandBytes = std::uint64_t{16} << 20;

// What a handle carries: the caller's stream, where the file starts in it
// (the file's offsets count from there) and the library's last error.
struct TiffClient {
    CRasterFile* file = nullptr;
    std::int64_t base = 0;
    char message[256] = {};
};

TiffClient* ClientOf(thandle_t handle) { return static_cast<TiffClient*>(handle); }

// The library's messages stay with the handle: errors are kept, warnings
// dropped, and neither goes on to the process-wide handlers.
int KeepError(TIFF*, void* user, const char* /*module*/, const char* fmt, va_list ap) noexcept {
    if (auto* client = static_cast<TiffClient*>(user))
        std::vsnprintf(client->message, sizeof(client->message), fmt, ap);
    return 1;
}
int DropWarning(TIFF*, void*, const char*, const char*, va_list) noexcept { return 1; }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) noexcept {
    if (size <= 0) return 0;
    return static_cast<tmsize_t>(
        ClientOf(handle)->file->Read(buffer, 1, static_cast<std::size_t>(size)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) noexcept {
    if (size <= 0) return 0;
    return static_cast<tmsize_t>(
        ClientOf(handle)->file->Write(buffer, 1, static_cast<std::size_t>(size)));
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) noexcept {
    constexpr toff_t kFailed = static_cast<toff_t>(-1);
    if (offset == kFailed) return kFailed;  // the library's "no position": nothing moves
    // Streams address 31 bits; offsets relative to the position or the end
    // may be negative.
    TiffClient* client = ClientOf(handle);
    std::int64_t signedOffset = static_cast<std::int64_t>(offset);
    if (whence == SEEK_SET) signedOffset += client->base;
    if (signedOffset > INT32_MAX || signedOffset < INT32_MIN) return kFailed;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return kFailed;
    if (!client->file->Seek(static_cast<LONG>(signedOffset), whence)) return kFailed;
    const std::int64_t at = client->file->Tell() - client->base;
    return at < 0 ? kFailed : static_cast<toff_t>(at);
}

int CloseProc(thandle_t) noexcept { return 0; }  // the stream is the caller's

toff_t SizeProc(thandle_t handle) noexcept {
    const TiffClient* client = ClientOf(handle);
    const std::int64_t size = client->file->Size() - client->base;
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

int MapProc(thandle_t, void**, toff_t*) noexcept { return 0; }
void UnmapProc(thandle_t, void*, toff_t) noexcept {}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFCloseEx(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// A colour map's entry: 16-bit maps scaled to 8 bits, maps whose values all
// fit in 8 bits (written so by some programs) taken as they are.
BYTE MapEntry(std::uint16_t value, bool sixteen) {
    return sixteen ? static_cast<BYTE>((value * 255u + 32767u) / 65535u) : static_cast<BYTE>(value);
}

BYTE Unpremultiply(BYTE colour, BYTE alpha) {
    if (alpha == 0) return 0;
    return static_cast<BYTE>(std::min(255u, (colour * 255u + alpha / 2u) / alpha));
}

// How a page is read.
enum class Layout { Scanlines, Tiles, Rgba };

}  // namespace

// ---- The handle ----------------------------------------------------------------------

TIFF* TIFFOpenEx(CRasterFile* stream, const char* mode) {
    if (stream == nullptr) return nullptr;
    auto* client = new (std::nothrow) TiffClient;
    if (client == nullptr) return nullptr;
    client->file = stream;
    client->base = std::max<LONG>(0, stream->Tell());
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        delete client;
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, client);
    TIFFOpenOptionsSetWarningHandlerExtR(options, DropWarning, client);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(GetRasterMaxMemory()));
    TIFF* tif = TIFFClientOpenExt("TIFF IMAGE", mode, client, ReadProc, WriteProc, SeekProc,
                                  CloseProc, SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr) delete client;
    return tif;
}

void TIFFCloseEx(TIFF* tif) {
    if (tif == nullptr) return;
    TiffClient* client = ClientOf(TIFFClientdata(tif));
    TIFFClose(tif);  // may still report through the client
    delete client;
}

const char* TIFFLastMessageEx(TIFF* tif) {
    return tif == nullptr ? "" : ClientOf(TIFFClientdata(tif))->message;
}

// ---- Decoding -------------------------------------------------------------------------

bool CRasterTIF::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run(kNoMemory, [&] { DecodeOrThrow(hFile); });
}

bool CRasterTIF::Decode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Decode(&file);
}

void CRasterTIF::DecodeOrThrow(CRasterFile* hFile) {
    TiffHandle handle(TIFFOpenEx(hFile, "rb"));
    TIFF* tif = handle.get();
    if (tif == nullptr) throw CRasterCodecError(kOpenError);

    // The page.
    const tdir_t pages = TIFFNumberOfDirectories(tif);
    info.nNumFrames = static_cast<LONG>(std::min<tdir_t>(pages, INT32_MAX));
    if (info.nFrame < 0 || static_cast<tdir_t>(info.nFrame) >= pages ||
        !TIFFSetDirectory(tif, static_cast<tdir_t>(info.nFrame)))
        throw CRasterCodecError("Error: page not present in TIFF file");

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 ||
        width > INT32_MAX || height > INT32_MAX)
        throw CRasterCodecError(kCorrupted);
    std::uint16_t spp = 1, bps = 1, orientation = ORIENTATION_TOPLEFT, unit = RESUNIT_INCH;
    std::uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT, photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    const LONG w = static_cast<LONG>(width), h = static_cast<LONG>(height);

    // Size only: width and height, no pixels.
    if (info.nEscape == -1) {
        head.biWidth = w;
        head.biHeight = h;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    // JPEG pages in YCbCr come out of the library as RGB.
    if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG &&
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
        photometric = PHOTOMETRIC_RGB;

    const bool contiguous = planar == PLANARCONFIG_CONTIG || spp == 1;
    const bool lowDepth = bps == 1 || bps == 4 || bps == 8;
    const bool grey =
        (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
        spp == 1 && lowDepth;
    const bool palette = photometric == PHOTOMETRIC_PALETTE && spp == 1 && lowDepth;
    const bool rgb = photometric == PHOTOMETRIC_RGB && bps == 8 && (spp == 3 || spp == 4);
    // Rows read as they are, in either vertical order.
    const bool upright = orientation == ORIENTATION_TOPLEFT || orientation == ORIENTATION_BOTLEFT;
    const bool tiled = TIFFIsTiled(tif) != 0;
    std::uint32_t tileWidth = 0, tileLength = 0;
    if (tiled &&
        (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth) ||
         !TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength) || tileWidth == 0 || tileLength == 0))
        throw CRasterCodecError(kCorruptedTiled);

    Layout layout = Layout::Rgba;
    const std::uint64_t pixelBits = std::uint64_t{bps} * spp;
    if ((grey || palette || rgb) && contiguous && upright && sampleFormat == SAMPLEFORMAT_UINT) {
        // The library must agree on the row size, and tiles must start on
        // whole bytes.
        if (!tiled && TIFFScanlineSize64(tif) == (width * pixelBits + 7) / 8)
            layout = Layout::Scanlines;
        else if (tiled && (tileWidth * pixelBits) % 8 == 0 &&
                 TIFFTileRowSize64(tif) == tileWidth * pixelBits / 8)
            layout = Layout::Tiles;
    }

    // Alpha: a fourth sample of RGB, premultiplied when it says so.
    bool premultiplied = false;
    if (layout != Layout::Rgba && rgb && spp == 4) {
        std::uint16_t extras = 0;
        std::uint16_t* types = nullptr;
        if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &types) && extras >= 1 &&
            types != nullptr)
            premultiplied = types[0] == EXTRASAMPLE_ASSOCALPHA;
    }

    // The RGBA interface is set up before the image is made: what it cannot
    // read is refused with its own reason.
    TIFFRGBAImage rgba{};
    std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> rgbaEnd;
    if (layout == Layout::Rgba) {
        char reason[1024] = {};
        if (!TIFFRGBAImageOK(tif, reason) || !TIFFRGBAImageBegin(&rgba, tif, 1, reason))
            throw CRasterCodecError(reason[0] != '\0' ? reason : kCorrupted);
        rgbaEnd.reset(&rgba);
        rgba.req_orientation = ORIENTATION_BOTLEFT;
    }
    const bool alpha = layout == Layout::Rgba ? rgba.alpha != 0 : rgb && spp == 4;
    const DWORD bpp = layout == Layout::Rgba || rgb ? 24 : bps;

    if (CreateForWriting(w, h, bpp, RASTER_FORMAT_TIF) == nullptr)
        throw CRasterCodecError(CreateFailureText("CRasterTIF can't create image"));
    if (alpha && !AlphaCreate()) throw CRasterCodecError(kNoMemory);

    float xres = 0, yres = 0, xpos = 0, ypos = 0;
    const bool hasX = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) != 0;
    const bool hasY = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) != 0;
    // Per centimetre with unit 3, per inch (or of no unit) otherwise.
    const double unitsPerInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1;
    if (hasX) SetXDPI(DpiOf(xres, unitsPerInch));
    if (hasY) SetYDPI(DpiOf(yres, unitsPerInch));
    // The page's position, from resolution units to pixels.
    if (hasX && hasY && TIFFGetField(tif, TIFFTAG_XPOSITION, &xpos) &&
        TIFFGetField(tif, TIFFTAG_YPOSITION, &ypos)) {
        const double x = static_cast<double>(xpos) * xres, y = static_cast<double>(ypos) * yres;
        if (std::isfinite(x) && std::isfinite(y) && std::fabs(x) < INT32_MAX &&
            std::fabs(y) < INT32_MAX)
            SetOffset(static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y)));
    }
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    // Palette: grey levels, or the file's colour map.
    if (grey && layout != Layout::Rgba) {
        RGBQUAD* pal = GetPalette();
        const DWORD n = head.biClrUsed;
        for (DWORD i = 0; i < n; ++i) {
            BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
            if (photometric == PHOTOMETRIC_MINISWHITE) v = static_cast<BYTE>(255 - v);
            pal[i] = RGBQUAD{v, v, v, 0};
        }
    } else if (palette && layout != Layout::Rgba) {
        std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || red == nullptr ||
            green == nullptr || blue == nullptr)
            throw CRasterCodecError("Unable to allocate TIFF palette");
        const DWORD n = head.biClrUsed;  // 2 to the bits per sample, as the map
        bool sixteen = false;
        for (DWORD i = 0; i < n && !sixteen; ++i)
            sixteen = red[i] > 255 || green[i] > 255 || blue[i] > 255;
        RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; i < n; ++i)
            pal[i] = RGBQUAD{MapEntry(blue[i], sixteen), MapEntry(green[i], sixteen),
                             MapEntry(red[i], sixteen), 0};
    }

    const std::size_t stride = info.dwEffWidth;
    const bool bottomUp = orientation == ORIENTATION_BOTLEFT ||
                          orientation == ORIENTATION_BOTRIGHT ||
                          orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
    // The image row of a file row.
    auto rowOf = [&](std::uint32_t fileRow) {
        return static_cast<LONG>(bottomUp ? fileRow : height - 1 - fileRow);
    };

    // `count` pixels of file samples into an image row (and the alpha plane).
    auto putPixels = [&](const BYTE* src, LONG y, std::uint32_t x0, std::uint32_t count) {
        BYTE* dst = GetBits(y);
        if (!rgb) {
            std::memcpy(dst + x0 * bps / 8, src, (count * pixelBits + 7) / 8);
            return;
        }
        BYTE* d = dst + std::size_t{x0} * 3;
        if (spp == 3) {
            // Also in place, when src is the row itself.
            for (std::uint32_t i = 0; i < count; ++i, src += 3, d += 3) {
                const BYTE red = src[0], blue = src[2];
                d[0] = blue;
                d[1] = src[1];
                d[2] = red;
            }
            return;
        }
        BYTE* a = AlphaGetPointer(static_cast<LONG>(x0), y);
        for (std::uint32_t i = 0; i < count; ++i, src += 4, d += 3) {
            const BYTE level = src[3];
            a[i] = level;
            if (premultiplied) {
                d[0] = Unpremultiply(src[2], level);
                d[1] = Unpremultiply(src[1], level);
                d[2] = Unpremultiply(src[0], level);
            } else {
                d[0] = src[2];
                d[1] = src[1];
                d[2] = src[0];
            }
        }
    };

    const std::size_t fileRowBytes = static_cast<std::size_t>((width * pixelBits + 7) / 8);
    if (layout == Layout::Scanlines) {
        // Rows that fit in the image row are decoded in place (24-bit colour
        // is turned round there); RGBA rows go through one row of work.
        const bool inPlace = !rgb || spp == 3;
        std::vector<BYTE> work(inPlace ? 0 : fileRowBytes);
        for (std::uint32_t r = 0; r < height; ++r) {
            const LONG y = rowOf(r);
            BYTE* dst = GetBits(y);
            BYTE* into = inPlace ? dst : work.data();
            if (TIFFReadScanline(tif, into, r, 0) < 0) throw CRasterCodecError(kCorrupted);
            if (rgb) putPixels(into, y, 0, width);
        }
    } else if (layout == Layout::Tiles) {
        const tmsize_t tileSize = TIFFTileSize(tif);
        const std::uint64_t tileRowBytes = tileWidth * pixelBits / 8;
        if (tileSize <= 0 || static_cast<std::uint64_t>(tileSize) > GetRasterMaxMemory() ||
            static_cast<std::uint64_t>(tileSize) < tileRowBytes * tileLength)
            throw CRasterCodecError("No space for raster buffer");
        std::vector<BYTE> tile(static_cast<std::size_t>(tileSize));
        for (std::uint32_t ty = 0; ty < height; ty += tileLength) {
            // The last tiles of a row and of a column reach past the image:
            // only what lies inside is copied.
            const std::uint32_t rows = std::min(tileLength, height - ty);
            for (std::uint32_t tx = 0; tx < width; tx += tileWidth) {
                const std::uint32_t cols = std::min(tileWidth, width - tx);
                if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                    throw CRasterCodecError(kCorruptedTiled);
                for (std::uint32_t i = 0; i < rows; ++i)
                    putPixels(tile.data() + i * tileRowBytes, rowOf(ty + i), tx, cols);
                if (width - tx <= tileWidth) break;
            }
            if (height - ty <= tileLength) break;
        }
    } else {
        // Bands of whole strips or tile rows, cut down to a bounded size.
        std::uint32_t band = 0;
        if (tiled) {
            band = tileLength;
        } else {
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
        }
        const std::uint64_t rowPixels = width;
        band = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
            std::min<std::uint64_t>(band, kBandBytes / (rowPixels * 4)), 1, height));
        if (rowPixels * band * 4 > GetRasterMaxMemory())
            throw CRasterCodecError("No space for raster buffer");
        std::vector<std::uint32_t> raster(static_cast<std::size_t>(rowPixels * band));
        // Uncompressed tiles are read into a buffer of exactly one tile:
        // the library refuses its own rounded-up buffer for them.
        std::vector<BYTE> rawTile;
        if (tiled && compression == COMPRESSION_NONE) {
            const tmsize_t tileSize = TIFFTileSize(tif);
            if (tileSize <= 0 || static_cast<std::uint64_t>(tileSize) > GetRasterMaxMemory())
                throw CRasterCodecError("No space for raster buffer");
            rawTile.resize(static_cast<std::size_t>(tileSize));
            TIFFReadBufferSetup(tif, rawTile.data(), tileSize);
        }
        for (std::uint32_t r = 0; r < height; r += band) {
            const std::uint32_t n = std::min(band, height - r);
            rgba.row_offset = static_cast<int>(r);
            rgba.col_offset = 0;
            if (!TIFFRGBAImageGet(&rgba, raster.data(), width, n))
                throw CRasterCodecError(tiled ? kCorruptedTiled : kCorrupted);
            // The band's first raster line is its lowest on the picture.
            for (std::uint32_t j = 0; j < n; ++j) {
                const LONG y = static_cast<LONG>(bottomUp ? r + j : height - r - n + j);
                const std::uint32_t* src = raster.data() + std::size_t{j} * width;
                BYTE* d = GetBits(y);
                BYTE* a = alpha ? AlphaGetPointer(0, y) : nullptr;
                for (std::uint32_t x = 0; x < width; ++x, d += 3) {
                    const std::uint32_t p = src[x];
                    BYTE red = static_cast<BYTE>(TIFFGetR(p)),
                         green = static_cast<BYTE>(TIFFGetG(p)),
                         blue = static_cast<BYTE>(TIFFGetB(p));
                    if (a != nullptr) {
                        // The interface gives colour multiplied by alpha.
                        const BYTE level = static_cast<BYTE>(TIFFGetA(p));
                        a[x] = level;
                        red = Unpremultiply(red, level);
                        green = Unpremultiply(green, level);
                        blue = Unpremultiply(blue, level);
                    }
                    d[0] = blue;
                    d[1] = green;
                    d[2] = red;
                }
            }
            if (height - r <= band) break;
        }
    }
    // What lies past each row's pixels is zero.
    const std::size_t used = (std::size_t{width} * bpp + 7) / 8;
    if (used < stride)
        for (LONG y = 0; y < h; ++y) std::memset(GetBits(y) + used, 0, stride - used);
}

// ---- Encoding -------------------------------------------------------------------------

bool CRasterTIF::CanWrite(DWORD compression, WORD bpp) {
    if (compression == 0) return true;  // none
    if (compression > 0xFFFF) return false;
    bool depthOk = false;
    switch (compression) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_LZMA:
        case COMPRESSION_ZSTD:
            depthOk = true;
            break;
        // Fax codings hold only two levels.
        case COMPRESSION_CCITTRLE:
        case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4:
            depthOk = bpp == 1;
            break;
        // Photographic codings take no colour map.
        case COMPRESSION_JPEG:
        case COMPRESSION_WEBP:
            depthOk = bpp == 24;
            break;
        // Log coding of single samples does not give 8-bit values back.
        case COMPRESSION_PIXARLOG:
            depthOk = bpp == 24;
            break;
        case COMPRESSION_LERC:
            depthOk = bpp >= 8;
            break;
        default:
            // Old JPEG, NeXT, ThunderScan, SGILog, JBIG, word-aligned
            // CCITT RLE (written wrongly by the library) and anything
            // unknown: the library cannot write these data.
            return false;
    }
    return depthOk && TIFFIsCODECConfigured(static_cast<std::uint16_t>(compression)) != 0;
}

bool CRasterTIF::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    CRaster* self = this;
    return Encode(hFile, &self, 1);
}

bool CRasterTIF::Encode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Encode(hFile == nullptr ? nullptr : &file);
}

bool CRasterTIF::Encode(CRasterFile* hFile, CRaster** pImages, LONG pagecount) {
    return Run(kNoMemory, [&] { EncodeOrThrow(hFile, pImages, pagecount); });
}

bool CRasterTIF::Encode(std::FILE* hFile, CRaster** pImages, LONG pagecount) {
    CRasterIOFile file(hFile);
    return Encode(hFile == nullptr ? nullptr : &file, pImages, pagecount);
}

void CRasterTIF::EncodeOrThrow(CRasterFile* hFile, CRaster** pImages, LONG pagecount) {
    if (hFile == nullptr) throw CRasterCodecError("invalid file pointer");
    if (pImages == nullptr || pagecount <= 0) throw CRasterCodecError("multipage TIFF, no images!");
    // Every page is checked before anything is written: a compression that
    // cannot hold a page's data would otherwise fail after the header.
    for (LONG i = 0; i < pagecount; ++i) {
        const CRaster* page = pImages[i];
        if (page == nullptr || !page->IsValid()) throw CRasterCodecError("Bad image pointer");
        const WORD bpp = page->GetBpp();
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
            throw CRasterCodecError("Bad image pointer");
        if (!CanWrite(page->GetCodecOption(RASTER_FORMAT_TIF), bpp))
            throw CRasterCodecError(kSaveError);
    }

    TiffHandle handle(TIFFOpenEx(hFile, "w"));
    TIFF* tif = handle.get();
    if (tif == nullptr) throw CRasterCodecError("initialization fail");

    for (LONG i = 0; i < pagecount; ++i) {
        const CRaster& page = *pImages[i];
        const std::uint32_t width = page.GetWidth(), height = page.GetHeight();
        const WORD bpp = page.GetBpp();
        const bool colour = bpp == 24;
        const std::uint16_t spp = colour ? 3 : 1, bps = colour ? 8 : bpp;
        DWORD compression = page.GetCodecOption(RASTER_FORMAT_TIF);
        if (compression == 0) compression = COMPRESSION_NONE;

        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(page.GetXDPI()));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(page.GetYDPI()));
        char name[32];
        std::snprintf(name, sizeof(name), "Page %d", static_cast<int>(i + 1));
        TIFFSetField(tif, TIFFTAG_PAGENAME, name);
        if (pagecount > 1) {
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(i),
                         static_cast<std::uint16_t>(std::min<LONG>(pagecount, 0xFFFF)));
        }
        if (!TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(compression)))
            throw CRasterCodecError(kSaveError);
        std::uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
        if (compression == COMPRESSION_JPEG) {
            // Strips of whole 8 x 8 blocks.
            const int quality = std::clamp<int>(page.GetJpegQuality(), 1, 100);
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, quality);
            rowsPerStrip = (rowsPerStrip + 15) / 16 * 16;
        } else if (compression == COMPRESSION_WEBP) {
            TIFFSetField(tif, TIFFTAG_WEBP_LEVEL, std::clamp<int>(page.GetJpegQuality(), 1, 100));
        }
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        if (!colour) {
            // The colour map in 16 bits: every 8-bit value times 257.
            const DWORD entries = DWORD{1} << bpp;
            std::vector<std::uint16_t> map(entries * 3, 0);
            const RGBQUAD* pal = page.GetPalette();
            for (DWORD e = 0; e < entries && e < page.GetNumColors(); ++e) {
                map[e] = static_cast<std::uint16_t>(pal[e].rgbRed * 257);
                map[entries + e] = static_cast<std::uint16_t>(pal[e].rgbGreen * 257);
                map[2 * entries + e] = static_cast<std::uint16_t>(pal[e].rgbBlue * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries,
                         map.data() + 2 * entries);
        }

        // Rows from the top; the library may change what it is given, so
        // each goes through a row of our own (the pixels are the caller's).
        const std::size_t rowBytes = (std::size_t{width} * bpp + 7) / 8;
        std::vector<BYTE> row(rowBytes);
        for (std::uint32_t r = 0; r < height; ++r) {
            const BYTE* src = page.GetBits(static_cast<LONG>(height - 1 - r));
            if (colour) {
                BYTE* d = row.data();
                for (std::uint32_t x = 0; x < width; ++x, src += 3, d += 3) {
                    d[0] = src[2];
                    d[1] = src[1];
                    d[2] = src[0];
                }
            } else {
                std::memcpy(row.data(), src, rowBytes);
            }
            if (TIFFWriteScanline(tif, row.data(), r, 0) < 0) throw CRasterCodecError(kSaveError);
        }
        if (!TIFFWriteDirectory(tif)) throw CRasterCodecError("Error saving TIFF directory");
    }
}
