#include "image/raster.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "the DIB block is written in the machine's byte order");

namespace {

std::atomic<std::size_t> g_maxMemory{RASTER_MAX_MEMORY};

LONG PelsPerMeter(LONG dpi) {
    const double pels = std::floor(dpi * 39.37007874015748 + 0.5);
    return pels > INT32_MAX ? INT32_MAX : static_cast<LONG>(pels);
}

}  // namespace

void SetRasterMaxMemory(std::size_t bytes) { g_maxMemory = bytes == 0 ? RASTER_MAX_MEMORY : bytes; }

std::size_t GetRasterMaxMemory() { return g_maxMemory; }

// ---- Construction and lifetime -------------------------------------------------

CRaster::CRaster(DWORD imagetype) { Startup(imagetype); }

CRaster::CRaster(LONG width, LONG height, DWORD bpp, DWORD imagetype) {
    Startup(imagetype);
    Create(width, height, bpp, imagetype);
}

CRaster::CRaster(const CRaster& src, bool copypixels, bool copyselection, bool copyalpha) {
    Startup(src.GetType());
    Copy(src, copypixels, copyselection, copyalpha);
}

CRaster& CRaster::operator=(const CRaster& src) {
    if (this != &src) Copy(src);
    return *this;
}

CRaster::~CRaster() { Destroy(); }

void CRaster::Startup(DWORD imagetype) {
    pDib = nullptr;
    pImage = nullptr;
    pGhost = nullptr;
    pSelection = nullptr;
    pAlpha = nullptr;
    head = BITMAPINFOHEADER{};
    info = RasterInfo{};
    info.dwType = imagetype;
    SetXDPI(96);
    SetYDPI(96);
}

bool CRaster::Destroy() {
    if (pGhost != nullptr) return false;
    std::free(pSelection);
    std::free(pAlpha);
    std::free(pDib);
    pSelection = pAlpha = nullptr;
    pDib = nullptr;
    pImage = nullptr;
    return true;
}

void CRaster::SetLastError(const char* text) {
    std::strncpy(info.szLastError, text, sizeof(info.szLastError) - 1);
    info.szLastError[sizeof(info.szLastError) - 1] = '\0';
}

void* CRaster::Create(LONG width, LONG height, DWORD bpp, DWORD imagetype) {
    return Create(width, height, bpp, imagetype, true);
}

void* CRaster::CreateForWriting(LONG width, LONG height, DWORD bpp, DWORD imagetype) {
    return Create(width, height, bpp, imagetype, false);
}

void* CRaster::Create(LONG width, LONG height, DWORD bpp, DWORD imagetype, bool zeroPixels) {
    createRefusedByCap = false;
    if (!Destroy()) return nullptr;
    if (width <= 0 || height <= 0) {
        SetLastError("CRaster::Create : width and height must be greater than zero");
        return nullptr;
    }
    if (bpp <= 1)
        bpp = 1;
    else if (bpp <= 4)
        bpp = 4;
    else if (bpp <= 8)
        bpp = 8;
    else
        bpp = 24;
    const DWORD colors = bpp == 1 ? 2 : bpp == 4 ? 16 : bpp == 8 ? 256 : 0;
    const std::uint64_t stride = StrideOf(static_cast<std::uint64_t>(width), bpp);
    const std::uint64_t bits = stride * static_cast<std::uint64_t>(height);
    const std::uint64_t total = sizeof(BITMAPINFOHEADER) + colors * 4ull + bits;
    // Planes are width x height bytes, which at 1 bit is more than the bits.
    const std::uint64_t plane =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (total > GetRasterMaxMemory() || plane > GetRasterMaxMemory()) {
        createRefusedByCap = true;
        SetLastError(RASTER_MAX_MEMORY_TEXT);
        return nullptr;
    }

    info.dwType = imagetype;
    info.dwEffWidth = static_cast<DWORD>(stride);
    info.last_c_isvalid = false;
    head.biSize = sizeof(BITMAPINFOHEADER);
    head.biWidth = width;
    head.biHeight = height;
    head.biPlanes = 1;
    head.biBitCount = static_cast<WORD>(bpp);
    head.biCompression = 0;
    head.biSizeImage = static_cast<DWORD>(bits);
    head.biClrUsed = colors;
    head.biClrImportant = 0;

    // Zeroed: a decoder that stops early leaves black rows, not old memory.
    pDib = zeroPixels ? std::calloc(1, static_cast<std::size_t>(total))
                      : std::malloc(static_cast<std::size_t>(total));
    if (pDib == nullptr) {
        SetLastError("CRaster::Create can't allocate memory");
        return nullptr;
    }
    if (!zeroPixels) std::memset(pDib, 0, sizeof(BITMAPINFOHEADER) + colors * 4);
    SyncHeader();
    pImage = static_cast<BYTE*>(pDib) + head.biSize + GetPaletteSize();
    return pDib;
}

void CRaster::KeepColors(DWORD colors) {
    if (pDib == nullptr || colors == 0 || colors >= head.biClrUsed) return;
    BYTE* bits = static_cast<BYTE*>(pDib) + head.biSize + colors * sizeof(RGBQUAD);
    std::memmove(bits, pImage, head.biSizeImage);
    pImage = bits;
    head.biClrUsed = colors;
    if (head.biClrImportant > colors) head.biClrImportant = 0;
    info.last_c_isvalid = false;
    SyncHeader();
}

void CRaster::SyncHeader() {
    if (pDib != nullptr) std::memcpy(pDib, &head, sizeof(head));
}

DWORD CRaster::GetSize() const { return head.biSize + GetPaletteSize() + head.biSizeImage; }

void CRaster::Copy(const CRaster& src, bool copypixels, bool copyselection, bool copyalpha) {
    // A ghost's blocks and settings stay its owner's.
    if (this == &src || pGhost != nullptr) return;
    if (src.pDib == nullptr) {
        // An empty image copies as empty, with its settings and size.
        Destroy();
        head = src.head;
        info = src.info;
        return;
    }
    // Made aside: when it cannot be made, this image stays as it was.
    CRaster copy;
    copy.info = src.info;
    if (copy.Create(src.head.biWidth, src.head.biHeight, src.head.biBitCount, src.info.dwType) ==
        nullptr) {
        SetLastError(copy.GetLastError());
        return;
    }
    copy.head.biXPelsPerMeter = src.head.biXPelsPerMeter;
    copy.head.biYPelsPerMeter = src.head.biYPelsPerMeter;
    copy.head.biClrImportant = src.head.biClrImportant;
    copy.KeepColors(src.head.biClrUsed);
    if (copypixels)
        std::memcpy(copy.pDib, src.pDib, copy.GetSize());
    else
        std::memcpy(copy.GetPalette(), src.GetPalette(),
                    std::min(copy.GetPaletteSize(), src.GetPaletteSize()));
    copy.SyncHeader();
    if (copyselection && src.pSelection != nullptr) {
        copy.pSelection = copy.AllocPlane(false);
        if (copy.pSelection != nullptr)
            std::memcpy(copy.pSelection, src.pSelection, copy.PlaneSize());
    }
    if (copyalpha && src.pAlpha != nullptr) {
        copy.pAlpha = copy.AllocPlane(false);
        if (copy.pAlpha != nullptr) std::memcpy(copy.pAlpha, src.pAlpha, copy.PlaneSize());
    }
    Transfer(copy);
}

void CRaster::CopyInfo(const CRaster& src) {
    if (pDib == nullptr) info = src.info;
}

bool CRaster::Transfer(CRaster& src) {
    if (&src == this || !Destroy()) return false;
    head = src.head;
    info = src.info;
    pDib = src.pDib;
    pImage = src.pImage;
    pSelection = src.pSelection;
    pAlpha = src.pAlpha;
    pGhost = src.pGhost;
    src.head = BITMAPINFOHEADER{};
    std::memset(static_cast<void*>(&src.info), 0, sizeof(src.info));
    src.pDib = nullptr;
    src.pImage = src.pSelection = src.pAlpha = nullptr;
    src.pGhost = nullptr;
    return true;
}

void CRaster::Ghost(const CRaster* src) {
    if (src == nullptr || src == this) return;
    Destroy();  // what this image owned (a ghost owns nothing)
    head = src->head;
    info = src->info;
    pDib = src->pDib;
    pImage = src->pImage;
    pSelection = src->pSelection;
    pAlpha = src->pAlpha;
    pGhost = src;
}

void CRaster::Clear(BYTE value) {
    if (pDib == nullptr) return;
    if (head.biBitCount == 1 && value != 0) value = 255;
    if (head.biBitCount == 4) value = static_cast<BYTE>((value & 15) * 17);
    std::memset(pImage, value, head.biSizeImage);
}

// ---- Access ----------------------------------------------------------------------

BYTE* CRaster::GetBits(LONG row) const {
    if (pDib == nullptr || row < 0 || row >= head.biHeight) return nullptr;
    return pImage + static_cast<std::size_t>(row) * info.dwEffWidth;
}

bool CRaster::IsInside(LONG x, LONG y) const {
    return x >= 0 && y >= 0 && x < head.biWidth && y < head.biHeight;
}

BYTE CRaster::GetColorType() const {
    if (pAlpha != nullptr) return 4;
    return head.biBitCount <= 8 ? 1 : 2;
}

void CRaster::SetXDPI(LONG dpi) {
    if (dpi < 1) dpi = 96;
    info.xDPI = dpi;
    head.biXPelsPerMeter = PelsPerMeter(dpi);
    SyncHeader();
}

void CRaster::SetYDPI(LONG dpi) {
    if (dpi < 1) dpi = 96;
    info.yDPI = dpi;
    head.biYPelsPerMeter = PelsPerMeter(dpi);
    SyncHeader();
}

void CRaster::GetOffset(LONG* x, LONG* y) const {
    if (x != nullptr) *x = info.xOffset;
    if (y != nullptr) *y = info.yOffset;
}

void CRaster::SetOffset(LONG x, LONG y) {
    info.xOffset = x;
    info.yOffset = y;
}

void CRaster::SetFlags(DWORD flags, bool lockReservedBits) {
    info.dwFlags = lockReservedBits ? (flags & 0xFFFF) : flags;
}

DWORD CRaster::GetCodecOption(DWORD imagetype) const {
    if (imagetype == 0) imagetype = info.dwType;
    return imagetype < RASTER_FORMATS ? info.dwCodecOpt[imagetype] : 0;
}

bool CRaster::SetCodecOption(DWORD opt, DWORD imagetype) {
    if (imagetype == 0) imagetype = info.dwType;
    if (imagetype >= RASTER_FORMATS) return false;
    info.dwCodecOpt[imagetype] = opt;
    return true;
}

RGBQUAD CRaster::GetTransColor() const {
    if (head.biBitCount < 24 && info.nBkgndIndex >= 0)
        return GetPaletteColor(static_cast<BYTE>(info.nBkgndIndex));
    return info.nBkgndColor;
}

void CRaster::SetTransColor(RGBQUAD rgb) {
    rgb.rgbReserved = 0;
    info.nBkgndColor = rgb;
}

const char* CRaster::GetVersion() { return "CRaster 5.99c"; }

float CRaster::GetVersionNumber() { return 5.99003f; }

void CRaster::FreeMemory(void* memblock) { std::free(memblock); }

LONG CRaster::CompareColors(const void* a, const void* b) {
    return static_cast<LONG>(GrayOf(*static_cast<const RGBQUAD*>(a))) -
           static_cast<LONG>(GrayOf(*static_cast<const RGBQUAD*>(b)));
}

std::uint64_t CRaster::StrideOf(std::uint64_t width, std::uint64_t bpp) {
    return ((width * bpp + 31) >> 5) << 2;
}

bool CRaster::SameColor(RGBQUAD a, RGBQUAD b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

LONG CRaster::DpiOf(double dots, double unitsPerInch) {
    // Rounded before the range is checked: SetXDPI(1) stores 39 pels per
    // metre, which is 0.99 dpi and must read back as 1.
    const double dpi = std::floor(dots * unitsPerInch + 0.5);
    if (!std::isfinite(dpi) || dpi < 1 || dpi > 65535) return 0;
    return static_cast<LONG>(dpi);
}

BYTE CRaster::GrayOf(RGBQUAD c) {
    return static_cast<BYTE>((c.rgbGreen * 601 + c.rgbRed * 306 + c.rgbBlue * 117) >> 10);
}

// ---- Conversions -------------------------------------------------------------------

namespace {

// One channel by its mask: the bits shifted down to their place, then their
// top bits set in the top bits of the byte.
struct Channel {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(DWORD m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    BYTE Of(DWORD w) const {
        if (bits == 0) return 0;
        const DWORD v = (w & mask) >> shift;
        return static_cast<BYTE>(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
    }
};

}  // namespace

void CRaster::BitfieldRow(const BYTE* src, BYTE* dst, LONG width, DWORD redmask, DWORD greenmask,
                          DWORD bluemask, BYTE bpp) {
    const Channel red(redmask), green(greenmask), blue(bluemask);
    if (bpp == 16) {
        for (LONG x = width - 1; x >= 0; --x) {
            const DWORD w = src[2 * x] | (static_cast<DWORD>(src[2 * x + 1]) << 8);
            dst[3 * x] = blue.Of(w);
            dst[3 * x + 1] = green.Of(w);
            dst[3 * x + 2] = red.Of(w);
        }
    } else if (bpp == 32) {
        for (LONG x = 0; x < width; ++x) {
            const DWORD w = src[4 * x] | (static_cast<DWORD>(src[4 * x + 1]) << 8) |
                            (static_cast<DWORD>(src[4 * x + 2]) << 16) |
                            (static_cast<DWORD>(src[4 * x + 3]) << 24);
            dst[3 * x] = blue.Of(w);
            dst[3 * x + 1] = green.Of(w);
            dst[3 * x + 2] = red.Of(w);
        }
    }
}

void CRaster::Bitfield2RGB(const BYTE* src, DWORD redmask, DWORD greenmask, DWORD bluemask,
                           BYTE bpp) {
    if (pDib == nullptr || src == nullptr || head.biBitCount != 24) return;
    const LONG width = head.biWidth;
    const std::size_t dstStride = info.dwEffWidth;
    if (bpp == 16) {
        // The source rows fit inside the destination's: from the top row
        // down, nothing is overwritten before it is read.
        const std::size_t srcStride = static_cast<std::size_t>((width + 1) / 2) * 4;
        for (LONG y = head.biHeight - 1; y >= 0; --y)
            BitfieldRow(src + y * srcStride, pImage + y * dstStride, width, redmask, greenmask,
                        bluemask, 16);
    } else if (bpp == 32) {
        // The destination rows are the shorter: from the bottom row up.
        const std::size_t srcStride = static_cast<std::size_t>(width) * 4;
        for (LONG y = 0; y < head.biHeight; ++y)
            BitfieldRow(src + y * srcStride, pImage + y * dstStride, width, redmask, greenmask,
                        bluemask, 32);
    }
}

namespace {

// The image made from source rows, rowAt(i) giving row i (null: skipped).
template <class RowAt>
bool FromRows(CRaster& image, DWORD width, DWORD height, DWORD bpp, DWORD bytesperline,
              bool flipvertical, RowAt rowAt) {
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (width > INT32_MAX || height > INT32_MAX) return false;
    if (image.Create(static_cast<LONG>(width), static_cast<LONG>(height), bpp, 0) == nullptr)
        return false;
    if (bpp < 24) image.SetGrayPalette();
    if (bpp == 32 && !image.AlphaCreate()) return false;
    for (DWORD i = 0; i < height; ++i) {
        const BYTE* s = rowAt(i);
        if (s == nullptr) continue;
        const LONG y = static_cast<LONG>(flipvertical ? height - 1 - i : i);
        BYTE* d = image.GetBits(y);
        if (bpp == 32) {
            BYTE* alpha = image.AlphaGetPointer(0, y);
            for (DWORD x = 0; x < width; ++x) {
                d[3 * x] = s[4 * x];
                d[3 * x + 1] = s[4 * x + 1];
                d[3 * x + 2] = s[4 * x + 2];
                alpha[x] = s[4 * x + 3];
            }
        } else {
            std::memcpy(d, s, std::min(image.GetEffWidth(), bytesperline));
        }
    }
    return true;
}

}  // namespace

bool CRaster::CreateFromArray(const BYTE* src, DWORD width, DWORD height, DWORD bpp,
                              DWORD bytesperline, bool flipvertical) {
    if (src == nullptr) return false;
    return FromRows(*this, width, height, bpp, bytesperline, flipvertical,
                    [&](DWORD i) { return src + static_cast<std::size_t>(i) * bytesperline; });
}

bool CRaster::CreateFromMatrix(BYTE** ppMatrix, DWORD width, DWORD height, DWORD bpp,
                               DWORD bytesperline, bool flipvertical) {
    if (ppMatrix == nullptr) return false;
    return FromRows(*this, width, height, bpp, bytesperline, flipvertical,
                    [&](DWORD i) -> const BYTE* { return ppMatrix[i]; });
}

// ---- Planes -------------------------------------------------------------------------

std::size_t CRaster::PlaneSize() const {
    return static_cast<std::size_t>(head.biWidth) * static_cast<std::size_t>(head.biHeight);
}

BYTE* CRaster::AllocPlane(bool zeroed) const {
    if (pDib == nullptr) return nullptr;
    const std::size_t n = PlaneSize();
    if (n == 0 || n > GetRasterMaxMemory()) return nullptr;
    return static_cast<BYTE*>(zeroed ? std::calloc(1, n) : std::malloc(n));
}
