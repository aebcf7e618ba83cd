// Windows bitmaps: with or without the 14-byte file header, core (12-byte),
// 40-byte, 64-byte and larger info headers, 1 to 32 bits per pixel, RLE4 and
// RLE8, 16- and 32-bit bit fields, bottom-up and top-down rows.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/rastercodecs.h"

namespace {

constexpr WORD kBmpType = 0x4D42;  // "BM"
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

constexpr char kInfoError[] = "Error reading BMP info";
constexpr char kShortError[] = "BMP file is cut short";

}  // namespace

bool CRasterBMP::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("can't allocate memory", [&] { DecodeOrThrow(hFile); });
}

void CRasterBMP::DecodeOrThrow(CRasterFile* hFile) {
    const std::int64_t start = hFile->Tell();
    if (start < 0) throw CRasterCodecError("Not a BMP");
    BYTE fileHeader[14];
    if (hFile->Read(fileHeader, 1, 14) != 14) throw CRasterCodecError("Not a BMP");
    std::int64_t offBits = 0;
    if (GetLE16(fileHeader) == kBmpType) {
        offBits = GetLE32(fileHeader + 10);
    } else if (!hFile->Seek(static_cast<LONG>(start), 0)) {
        throw CRasterCodecError("Not a BMP");  // headerless: the info header comes first
    }

    // The info header.
    BITMAPINFOHEADER bih;
    bool core = false;
    BYTE raw[40];
    ReadOrThrow(hFile, raw, 4, kInfoError);
    bih.biSize = GetLE32(raw);
    if (bih.biSize == 12) {
        core = true;
        ReadOrThrow(hFile, raw + 4, 8, kInfoError);
        bih.biWidth = GetLE16(raw + 4);
        bih.biHeight = GetLE16(raw + 6);
        bih.biPlanes = GetLE16(raw + 8);
        bih.biBitCount = GetLE16(raw + 10);
    } else if (bih.biSize >= 40) {
        ReadOrThrow(hFile, raw + 4, 36, kInfoError);
        bih = InfoHeaderOf(raw);
    } else {
        throw CRasterCodecError(kInfoError);
    }
    if (bih.biWidth <= 0 || bih.biHeight == 0 || bih.biHeight == INT_MIN)
        throw CRasterCodecError(kInfoError);
    const DWORD bpp = bih.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw CRasterCodecError(kInfoError);
    const bool topDown = bih.biHeight < 0;
    const LONG width = bih.biWidth;
    const LONG height = topDown ? -bih.biHeight : bih.biHeight;
    const std::uint64_t srcStride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
    if (bih.biSize > 40 && bih.biSize != 64) {
        // A later header is taken only as a plain one whose extra fields
        // change nothing.
        if (bih.biSizeImage != srcStride * static_cast<std::uint64_t>(height) ||
            bih.biPlanes != 1 || bih.biCompression != BI_RGB || bih.biClrUsed != 0)
            throw CRasterCodecError(kInfoError);
    }
    if (bih.biSize > 40 &&
        (bih.biSize - 40 > INT32_MAX || !hFile->Seek(static_cast<LONG>(bih.biSize - 40), 1)))
        throw CRasterCodecError(kInfoError);

    const DWORD compression = bih.biCompression;
    const bool rle = (bpp == 8 && compression == BI_RLE8) || (bpp == 4 && compression == BI_RLE4);
    if (bpp <= 8 && compression != BI_RGB && !rle)
        throw CRasterCodecError("compression type not supported");
    if (rle && topDown) throw CRasterCodecError("compression type not supported");
    if (bpp >= 16 && compression != BI_RGB && !(bpp != 24 && compression == BI_BITFIELDS))
        throw CRasterCodecError("unknown compression");

    // Size only: width and height, no pixels.
    if (info.nEscape == -1) {
        head.biWidth = width;
        head.biHeight = height;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    DWORD redMask = bpp == 16 ? 0x7C00 : 0x00FF0000;
    DWORD greenMask = bpp == 16 ? 0x03E0 : 0x0000FF00;
    DWORD blueMask = bpp == 16 ? 0x001F : 0x000000FF;
    if (compression == BI_BITFIELDS) {
        BYTE masks[12];
        ReadOrThrow(hFile, masks, 12, kShortError);
        redMask = GetLE32(masks);
        greenMask = GetLE32(masks + 4);
        blueMask = GetLE32(masks + 8);
    }

    // The palette: at most as many entries as the depth has values.
    const std::uint64_t entrySize = core ? 3 : 4;
    std::uint64_t colorsUsed = bih.biClrUsed;
    if (bpp <= 8 && colorsUsed == 0) colorsUsed = 1u << bpp;
    const std::uint64_t entries = bpp <= 8 ? std::min<std::uint64_t>(colorsUsed, 1u << bpp) : 0;

    // Where the bits start, and whether the stream holds them, before
    // anything is allocated.
    const std::int64_t paletteAt = hFile->Tell();
    const std::int64_t streamSize = hFile->Size();
    const std::int64_t bitsAt = offBits != 0
                                    ? start + offBits
                                    : paletteAt + static_cast<std::int64_t>(colorsUsed * entrySize);
    if (paletteAt < 0 || streamSize < 0) throw CRasterCodecError(kShortError);
    if (paletteAt + static_cast<std::int64_t>(entries * entrySize) > streamSize ||
        bitsAt > streamSize)
        throw CRasterCodecError(kShortError);
    const std::uint64_t available = static_cast<std::uint64_t>(streamSize - bitsAt);
    const std::uint64_t lastRow = (static_cast<std::uint64_t>(width) * bpp + 7) / 8;
    if (!rle && srcStride * static_cast<std::uint64_t>(height - 1) + lastRow > available)
        throw CRasterCodecError(kShortError);
    if (rle && available < 2) throw CRasterCodecError(kShortError);

    // Rows read as they are fill every byte themselves (what the stream
    // lacks is zeroed below); the others start from zero.
    const bool direct = !rle && (bpp <= 8 || bpp == 24);
    if ((direct ? CreateForWriting(width, height, bpp, RASTER_FORMAT_BMP)
                : Create(width, height, bpp, RASTER_FORMAT_BMP)) == nullptr)
        throw CRasterCodecError(CreateFailureText("Can't allocate memory"));
    SetXDPI(DpiOf(bih.biXPelsPerMeter, 0.0254));
    SetYDPI(DpiOf(bih.biYPelsPerMeter, 0.0254));
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    if (entries > 0) {
        std::vector<BYTE> pal(static_cast<std::size_t>(entries * entrySize));
        ReadOrThrow(hFile, pal.data(), pal.size(), kShortError);
        RGBQUAD* dst = GetPalette();
        for (std::size_t i = 0; i < entries; ++i) {
            const BYTE* p = pal.data() + i * entrySize;
            dst[i] = RGBQUAD{p[0], p[1], p[2], core ? BYTE{0} : p[3]};
        }
    }
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    if (!hFile->Seek(static_cast<LONG>(bitsAt), 0)) throw CRasterCodecError(kShortError);
    if (rle) {
        std::uint64_t limit = available;
        if (bih.biSizeImage != 0 && bih.biSizeImage < limit) limit = bih.biSizeImage;
        // Runs never need more bytes than the cap allows pixels.
        limit = std::min<std::uint64_t>(limit, GetRasterMaxMemory());
        DecodeRLE(hFile, compression, static_cast<std::size_t>(limit));
        return;
    }
    const std::size_t stride = static_cast<std::size_t>(srcStride);
    // The stream holds every row but perhaps the last row's padding; what
    // is missing stays zero.
    if (bpp <= 8 || bpp == 24 || bpp == 16) {
        // 16-bit rows are shorter than their 24-bit form: they are read into
        // the image's own buffer and widened there.
        if (!topDown) {
            const std::size_t all = stride * static_cast<std::size_t>(height);
            const std::size_t got = hFile->Read(pImage, 1, all);
            if (got < all) std::memset(pImage + got, 0, all - got);
        } else {
            for (LONG i = 0; i < height; ++i) {
                BYTE* row = pImage + static_cast<std::size_t>(height - 1 - i) * stride;
                const std::size_t got = hFile->Read(row, 1, stride);
                if (got < stride) std::memset(row + got, 0, stride - got);
            }
        }
        if (bpp == 16) Bitfield2RGB(pImage, redMask, greenMask, blueMask, 16);
        return;
    }
    // 32 bits: a few rows at a time through a work buffer.
    const std::size_t chunkRows =
        std::max<std::size_t>(1, std::min<std::size_t>(height, (std::size_t{1} << 20) / stride));
    std::vector<BYTE> work;
    try {
        work.assign(chunkRows * stride, 0);
    } catch (const std::bad_alloc&) {
        throw CRasterCodecError("can't allocate memory");
    }
    for (LONG row = 0; row < height;) {
        const std::size_t n = std::min<std::size_t>(chunkRows, height - row);
        const std::size_t got = hFile->Read(work.data(), 1, n * stride);
        if (got < n * stride) std::memset(work.data() + got, 0, n * stride - got);
        for (std::size_t i = 0; i < n; ++i, ++row) {
            const LONG y = topDown ? height - 1 - row : row;
            BitfieldRow(work.data() + i * stride, GetBits(y), width, redMask, greenMask, blueMask,
                        32);
        }
    }
}

void CRasterBMP::DecodeRLE(CRasterFile* hFile, DWORD compression, std::size_t available) {
    std::vector<BYTE> data(available);
    data.resize(hFile->Read(data.data(), 1, available));
    const bool four = compression == BI_RLE4;
    const LONG width = head.biWidth, height = head.biHeight;
    long long x = 0, y = 0;
    // Pixels past the row's end or the last row are dropped.
    auto put = [&](BYTE index) {
        if (x < width && y < height)
            BlindSetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y), index);
        ++x;
    };
    std::size_t i = 0;
    const std::size_t n = data.size();
    bool ended = false;
    while (i + 1 < n && y < height) {
        const BYTE count = data[i++];
        const BYTE value = data[i++];
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(four ? static_cast<BYTE>((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            ended = true;
            break;
        } else if (value == 2) {  // delta
            if (i + 1 >= n) break;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {  // absolute run, padded to an even byte count
            std::size_t bytes = four ? (value + 1u) / 2 : value;
            for (int k = 0; k < value; ++k) {
                const std::size_t at = i + (four ? static_cast<std::size_t>(k / 2) : k);
                if (at >= n) break;
                put(four ? static_cast<BYTE>((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
            }
            i += bytes + (bytes & 1);
        }
    }
    // Data that ends before the end code and before the last row.
    if (!ended && y < height) throw CRasterCodecError(kShortError);
}

bool CRasterBMP::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    return Run("can't allocate memory", [&] {
        BITMAPINFOHEADER bih = head;
        bih.biSize = 40;
        bih.biCompression = BI_RGB;
        const DWORD bodySize = GetSize() - head.biSize;  // palette and bits
        BYTE headers[54] = {};
        PutLE16(headers, kBmpType);
        PutLE32(headers + 2, 14 + 40 + bodySize);
        PutLE32(headers + 10, 14 + 40 + GetPaletteSize());
        PutInfoHeader(headers + 14, bih);
        if (hFile->Write(headers, 1, sizeof(headers)) != sizeof(headers) ||
            hFile->Write(static_cast<BYTE*>(pDib) + head.biSize, 1, bodySize) != bodySize)
            throw CRasterCodecError("Can't write BMP");
    });
}
