// Truevision TGA: types 1, 2 and 3 (colour-mapped, true colour, grey) and
// their run-length forms 9, 10 and 11.

#include "image/codecs/rastertga.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/codecs/codecbytes.h"
#include "image/codecs/codecreader.h"

namespace {

constexpr char kNotTga[] = "Not a TGA";
constexpr char kBadHeader[] = "bad TGA header";
constexpr char kCorrupted[] = "corrupted TGA";
constexpr char kWriteError[] = "Can't write TGA file";

// One pixel of the file into the image's bytes: an index or grey value, or
// blue, green, red (and the alpha byte apart).
inline void PutPixel(const BYTE* src, DWORD depth, BYTE* dst, BYTE* alpha) {
    switch (depth) {
        case 8:
            dst[0] = src[0];
            break;
        case 15:
        case 16: {
            const WORD v = GetLE16(src);
            dst[0] = static_cast<BYTE>((v & 0x1F) << 3);
            dst[1] = static_cast<BYTE>(((v >> 5) & 0x1F) << 3);
            dst[2] = static_cast<BYTE>(((v >> 10) & 0x1F) << 3);
            break;
        }
        case 24:
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            break;
        default:
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            *alpha = src[3];
            break;
    }
}

}  // namespace

bool CRasterTGA::Decode(CRasterFile* hFile) {
    if (hFile == nullptr) return false;
    return Run("TGA Create failed", [&] { DecodeOrThrow(hFile); });
}

bool CRasterTGA::Decode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Decode(&file);
}

void CRasterTGA::DecodeOrThrow(CRasterFile* hFile) {
    const std::int64_t start = hFile->Tell();
    const std::int64_t size = hFile->Size();
    BYTE h[18];
    if (start < 0 || size < 0 || hFile->Read(h, 1, 18) != 18) throw CRasterCodecError(kNotTga);
    const DWORD idLength = h[0];
    const DWORD mapType = h[1];
    const DWORD type = h[2];
    const DWORD mapFirst = GetLE16(h + 3);
    const DWORD mapLength = GetLE16(h + 5);
    const DWORD mapBits = h[7];
    const LONG width = GetLE16(h + 12);
    const LONG height = GetLE16(h + 14);
    const DWORD depth = h[16];
    const BYTE descriptor = h[17];
    const DWORD base = type & ~8u;
    const bool rle = (type & 8u) != 0;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        throw CRasterCodecError("Unknown TGA image type");
    if (width == 0 || height == 0 || depth == 0 || mapLength > 256)
        throw CRasterCodecError(kBadHeader);
    // Pixels and colour-map entries are read at the depths the format knows.
    // A colour map goes into the palette of colour-mapped pictures; the
    // others skip it.
    auto knownDepth = [](DWORD bits) {
        return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    };
    const bool hasMap = mapType != 0 && mapLength != 0;
    if ((depth != 8 && !knownDepth(depth)) || (base == 1 && hasMap && !knownDepth(mapBits)))
        throw CRasterCodecError(kBadHeader);

    if (info.nEscape == -1) {
        head.biWidth = width;
        head.biHeight = height;
        throw CRasterCodecError(kRasterSizeOnlyText);
    }

    const std::size_t pixelBytes = (depth + 7) / 8;
    const std::size_t mapBytes = hasMap ? mapLength * ((mapBits + 7) / 8) : 0;
    const std::uint64_t available = static_cast<std::uint64_t>(size - start);
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    std::uint64_t need = 18 + idLength + mapBytes;
    // Plain data must be there whole; run-length data needs at least a
    // packet.
    need += rle ? 2 : pixels * pixelBytes;
    if (need > available) throw CRasterCodecError(kCorrupted);

    if (Create(width, height, depth == 8 ? 8 : 24, RASTER_FORMAT_TGA) == nullptr)
        throw CRasterCodecError(CreateFailureText("TGA Create failed"));
    if (depth == 32 && !AlphaCreate()) throw CRasterCodecError("TGA Create failed");
    if (info.nEscape != 0) throw CRasterCodecError("Cancelled");

    CodecReader in(hFile);
    if (!in.Skip(idLength)) throw CRasterCodecError(kCorrupted);
    if (base == 1) {
        const std::size_t entryBytes = (mapBits + 7) / 8;
        std::vector<BYTE> map(mapBytes);
        if (!in.Read(map.data(), map.size())) throw CRasterCodecError(kCorrupted);
        // Entries past the 256 indexes have no pixel to colour.
        for (DWORD i = 0; hasMap && i < mapLength && mapFirst + i < 256; ++i) {
            const BYTE* e = map.data() + i * entryBytes;
            BYTE bgr[3] = {};
            BYTE ignored = 0;
            PutPixel(e, mapBits, bgr, &ignored);
            SetPaletteColor(static_cast<BYTE>(mapFirst + i), RGBQUAD{bgr[0], bgr[1], bgr[2], 0});
        }
    } else {
        if (!in.Skip(mapBytes)) throw CRasterCodecError(kCorrupted);
        if (base == 3) SetGrayPalette();
    }

    const bool rightToLeft = (descriptor & 0x10) != 0;
    const bool topDown = (descriptor & 0x20) != 0;
    const std::size_t outBytes = depth == 8 ? 1 : 3;
    std::vector<BYTE> row(static_cast<std::size_t>(width) * pixelBytes);
    // A run-length packet may go on from one row into the next.
    DWORD packetLeft = 0;
    bool repeat = false;
    BYTE repeated[4] = {};
    for (LONG r = 0; r < height; ++r) {
        if (!rle) {
            if (!in.Read(row.data(), row.size())) throw CRasterCodecError(kCorrupted);
        } else {
            for (LONG x = 0; x < width; ++x) {
                BYTE* p = row.data() + static_cast<std::size_t>(x) * pixelBytes;
                if (packetLeft == 0) {
                    const int count = in.Get();
                    if (count < 0) throw CRasterCodecError(kCorrupted);
                    repeat = (count & 0x80) != 0;
                    packetLeft = (static_cast<DWORD>(count) & 0x7F) + 1;
                    if (repeat && !in.Read(repeated, pixelBytes))
                        throw CRasterCodecError(kCorrupted);
                }
                if (repeat) {
                    std::memcpy(p, repeated, pixelBytes);
                } else if (!in.Read(p, pixelBytes)) {
                    throw CRasterCodecError(kCorrupted);
                }
                --packetLeft;
            }
        }
        // What is left of a packet at the image's end is not used.
        const LONG y = topDown ? height - 1 - r : r;
        BYTE* dst = GetBits(y);
        BYTE* alpha = pAlpha != nullptr ? pAlpha + static_cast<std::size_t>(y) * width : nullptr;
        if (depth == 8 && !rightToLeft) {
            std::memcpy(dst, row.data(), static_cast<std::size_t>(width));
            continue;
        }
        if (depth == 24 && !rightToLeft) {
            std::memcpy(dst, row.data(), row.size());
            continue;
        }
        BYTE ignored = 0;
        for (LONG x = 0; x < width; ++x) {
            const LONG to = rightToLeft ? width - 1 - x : x;
            PutPixel(row.data() + static_cast<std::size_t>(x) * pixelBytes, depth,
                     dst + static_cast<std::size_t>(to) * outBytes,
                     alpha != nullptr ? alpha + to : &ignored);
        }
    }
}

bool CRasterTGA::Encode(CRasterFile* hFile) {
    if (EncodeSafeCheck(hFile)) return false;
    if (head.biBitCount != 8 && head.biBitCount != 24) {
        SetLastError("Bit depth must be 8 or 24");
        return false;
    }
    return Run("Can't allocate memory", [&] { EncodeOrThrow(hFile); });
}

bool CRasterTGA::Encode(std::FILE* hFile) {
    CRasterIOFile file(hFile);
    return Encode(&file);
}

void CRasterTGA::EncodeOrThrow(CRasterFile* hFile) {
    const LONG width = head.biWidth, height = head.biHeight;
    if (width > 0xFFFF || height > 0xFFFF) throw CRasterCodecError("Image too large for TGA");
    const bool indexed = head.biBitCount == 8;
    const bool alpha = !indexed && pAlpha != nullptr;
    BYTE h[18] = {};
    h[1] = indexed ? 1 : 0;
    h[2] = indexed ? 1 : 2;
    if (indexed) {
        PutLE16(h + 5, 256);
        h[7] = 24;
    }
    PutLE16(h + 12, static_cast<WORD>(width));
    PutLE16(h + 14, static_cast<WORD>(height));
    h[16] = indexed ? 8 : alpha ? 32 : 24;
    // Bottom-up rows; 32-bit pixels carry 8 bits of alpha.
    h[17] = alpha ? 8 : 0;
    CodecWriter out(hFile, kWriteError);
    out.Put(h, sizeof(h));
    if (indexed) {
        const RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; i < 256; ++i) {
            out.Put(pal[i].rgbBlue);
            out.Put(pal[i].rgbGreen);
            out.Put(pal[i].rgbRed);
        }
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (indexed ? 1 : alpha ? 4 : 3);
    std::vector<BYTE> row(rowBytes);
    const DWORD alphaMax = info.nAlphaMax;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* src = GetBits(y);
        if (!alpha) {
            out.Put(src, rowBytes);
            continue;
        }
        const BYTE* a = pAlpha + static_cast<std::size_t>(y) * width;
        for (LONG x = 0; x < width; ++x) {
            row[4 * x] = src[3 * x];
            row[4 * x + 1] = src[3 * x + 1];
            row[4 * x + 2] = src[3 * x + 2];
            row[4 * x + 3] = static_cast<BYTE>(a[x] * alphaMax / 255);
        }
        out.Put(row.data(), rowBytes);
    }
    // The TGA 2.0 footer (no extension or developer areas), which readers
    // of the newer format look for.
    static const char footer[26] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    out.Put(footer, sizeof(footer));
    out.Flush();
}
